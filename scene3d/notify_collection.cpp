#include "scene3d/notify_collection.h"

#include "scene3d/update_able.h"

namespace scene3d {

TNotifyCollection::TNotifyCollection(TPersistent* owner, ItemClass itemClass)
    : TOwnedCollection(owner, std::move(itemClass)) {
  if (auto* component = dynamic_cast<TGLUpdateAbleComponent*>(owner))
    OnChange = [component](TObject* sender) { component->NotifyChange(sender); };
}

void TNotifyCollection::Update(TCollectionItem* item) {
  TOwnedCollection::Update(item);
  if (OnChange) OnChange(this);
}

}  // namespace scene3d
