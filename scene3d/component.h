// TComponent: an object in an ownership tree. A component made with an owner is freed by that owner
// (its owned components go first, last made first); freeing a component earlier takes it out of its
// owner. So a scene, its viewer and its objects are made with `new TFoo(owner)` and never freed by
// hand; a component without an owner is held by whoever made it (a std::unique_ptr).
//
// Notification: when a component joins or leaves an owner, the owner's Notification(component,
// opInsert/opRemove) runs, and the base Notification passes it on to those of the owner's components
// that asked to hear their siblings (HearSiblings), so siblings that point at each other (a viewer at
// its scene) hear when the other goes. Only those are told: a scene owns thousands of objects, and
// telling each of them of every other one that comes or goes would cost the square of their number.
// A component that points at one elsewhere asks for FreeNotification and hears opRemove when that one
// is freed. A class that overrides Notification calls the base.
//
// During the owner's own destructor the derived parts of the owner are already gone, so overrides of
// Notification on the owner do not run for the components it frees; a derived class that must hear
// them calls DestroyComponents() in its own destructor.
//
// State: Loading (and Reading) are set between BeginLoading and EndLoading while a component takes
// its stored values; setters that would react to each value (notifications, rotations) check
// IsLoading. EndLoading calls Loaded(). Destroying is set once the destructor has begun.
// Style: a sub-component is part of its owner (a property object made as a component) and is not
// stored on its own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "scene3d/persistent.h"

namespace scene3d {

enum TOperation { opInsert, opRemove };

inline constexpr uint32_t csLoading = 0x1;
inline constexpr uint32_t csReading = 0x2;
inline constexpr uint32_t csDestroying = 0x4;

inline constexpr uint32_t csSubComponent = 0x1;
inline constexpr uint32_t csHearsSiblings = 0x2;

class TComponent : public TPersistent {
 public:
  explicit TComponent(TComponent* owner);
  ~TComponent() override;

  std::string ClassName() const override { return "TComponent"; }
  TPersistent* GetOwner() const override;
  std::string GetNamePath() const override { return name_; }

  TComponent* Owner() const { return owner_; }
  const std::string& Name() const { return name_; }
  virtual void SetName(const std::string& name) { name_ = name; }

  // The components this one owns, in the order they joined. Component raises EListError outside.
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Component(int index) const;
  // Position among the owner's components, -1 without owner.
  int ComponentIndex() const;
  // Takes `component` over from its former owner, if any.
  void InsertComponent(TComponent* component);
  // Lets `component` go without freeing it; it has no owner afterwards.
  void RemoveComponent(TComponent* component);
  // Frees every owned component, last first.
  void DestroyComponents();

  uint32_t ComponentState() const { return state_; }
  bool IsLoading() const { return (state_ & csLoading) != 0; }
  bool IsReading() const { return (state_ & csReading) != 0; }
  bool IsDestroying() const { return (state_ & csDestroying) != 0; }
  void BeginLoading() { state_ |= csLoading | csReading; }
  void EndLoading();

  uint32_t ComponentStyle() const { return style_; }
  void SetSubComponent(bool isSubComponent);

  // `other` hears opRemove when this component is freed, and this one when `other` is.
  void FreeNotification(TComponent* other);
  void RemoveFreeNotification(TComponent* other);

 protected:
  virtual void Notification(TComponent* component, TOperation operation);
  // From now on this component's Notification hears the components that join or leave its owner.
  void HearSiblings();
  // Marks the component as being destroyed and tells those who asked for FreeNotification now, so a
  // derived destructor can let them look at it while it is still whole; the base destructor tells
  // whoever is left.
  void NotifyFreeing();
  // After the stored values are in: clears Loading.
  virtual void Loaded() { state_ &= ~csLoading; }

 private:
  void Unlink(TComponent* other);
  bool HearsSiblings() const { return (style_ & csHearsSiblings) != 0; }

  TComponent* owner_ = nullptr;
  std::string name_;
  std::vector<TComponent*> components_;
  // Those of components_ that hear their siblings, in the order they joined.
  std::vector<TComponent*> listeners_;
  std::vector<TComponent*> freeNotifies_;
  uint32_t state_ = 0;
  uint32_t style_ = 0;
};

// True when the component is marked as a part of its owner.
bool IsSubComponent(const TComponent* component);

}  // namespace scene3d
