#include "scene3d/component.h"

#include <algorithm>

#include "scene3d/erase_last.h"
#include "scene3d/scene3d_exceptions.h"

namespace scene3d {

namespace {
bool Holds(const std::vector<TComponent*>& list, const TComponent* item) {
  return std::find(list.begin(), list.end(), item) != list.end();
}
}  // namespace

TComponent::TComponent(TComponent* owner) {
  if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent() {
  // Those who asked are told first, while this component is still whole enough to be looked at.
  NotifyFreeing();
  DestroyComponents();
  if (owner_) owner_->RemoveComponent(this);
}

void TComponent::NotifyFreeing() {
  state_ |= csDestroying;
  while (!freeNotifies_.empty()) {
    TComponent* other = freeNotifies_.back();
    Unlink(other);
    other->Notification(this, opRemove);
  }
}

TPersistent* TComponent::GetOwner() const { return owner_; }

TComponent* TComponent::Component(int index) const {
  if (index < 0 || index >= ComponentCount()) throw EListError("Invalid list index");
  return components_[size_t(index)];
}

int TComponent::ComponentIndex() const {
  if (!owner_) return -1;
  auto& list = owner_->components_;
  return static_cast<int>(std::find(list.begin(), list.end(), this) - list.begin());
}

void TComponent::InsertComponent(TComponent* component) {
  if (!component || component == this || component->owner_ == this) return;
  if (component->owner_) component->owner_->RemoveComponent(component);
  components_.push_back(component);
  if (component->HearsSiblings()) listeners_.push_back(component);
  component->owner_ = this;
  Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
  if (!component || component->owner_ != this) return;
  Notification(component, opRemove);
  EraseLast(components_, component);
  if (component->HearsSiblings()) EraseLast(listeners_, component);
  component->owner_ = nullptr;
}

void TComponent::DestroyComponents() {
  while (!components_.empty()) delete components_.back();  // each leaves the list on its way out
}

void TComponent::EndLoading() {
  state_ &= ~csReading;
  Loaded();
}

void TComponent::HearSiblings() {
  if (HearsSiblings()) return;
  style_ |= csHearsSiblings;
  if (owner_) owner_->listeners_.push_back(this);
}

void TComponent::SetSubComponent(bool isSubComponent) {
  style_ = isSubComponent ? (style_ | csSubComponent) : (style_ & ~csSubComponent);
}

void TComponent::FreeNotification(TComponent* other) {
  if (!other || other == this) return;
  if (!Holds(freeNotifies_, other)) {
    freeNotifies_.push_back(other);
    other->freeNotifies_.push_back(this);
  }
}

void TComponent::RemoveFreeNotification(TComponent* other) {
  if (other) Unlink(other);
}

void TComponent::Unlink(TComponent* other) {
  EraseLast(freeNotifies_, other);
  EraseLast(other->freeNotifies_, this);
}

void TComponent::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove && component) Unlink(component);
  if (listeners_.empty()) return;
  // Siblings that listen hear it too; copied, because a handler may free or move components.
  const std::vector<TComponent*> listeners = listeners_;
  for (auto it = listeners.rbegin(); it != listeners.rend(); ++it) {
    if (*it != component && Holds(listeners_, *it)) (*it)->Notification(component, operation);
  }
}

bool IsSubComponent(const TComponent* component) {
  return component && (component->ComponentStyle() & csSubComponent) != 0;
}

}  // namespace scene3d
