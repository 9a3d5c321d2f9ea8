// TNotifyCollection: an owned collection that fires OnChange (with itself as the sender) whenever it
// or one of its items changes. Made with an updatable component as owner, OnChange is bound to
// that component's NotifyChange, so a change of an item reaches the component and climbs on.
#pragma once

#include <string>

#include "scene3d/collection.h"
#include "scene3d/persistent.h"

namespace scene3d {

class TNotifyCollection : public TOwnedCollection {
 public:
  // The owner outlives the collection (it normally holds it).
  TNotifyCollection(TPersistent* owner, ItemClass itemClass);
  std::string ClassName() const override { return "TNotifyCollection"; }

  TNotifyEvent OnChange;

 protected:
  void Update(TCollectionItem* item) override;
};

}  // namespace scene3d
