#include "scene3d/update_able.h"

namespace scene3d {

void TGLUpdateAbleObject::NotifyChange(TObject*) {
  if (updateCount_ != 0) return;
  if (auto* object = dynamic_cast<TGLUpdateAbleObject*>(owner_)) {
    object->NotifyChange(this);
  } else if (auto* component = dynamic_cast<TGLUpdateAbleComponent*>(owner_)) {
    component->NotifyChange(this);
  }
  if (OnChange) OnChange(this);
}

void TGLUpdateAbleObject::EndUpdate() {
  if (updateCount_ <= 0) return;
  if (--updateCount_ == 0) NotifyChange(this);
}

void TGLCadenceAbleComponent::DoProgress(const TProgressTimes&) {}

void TGLUpdateAbleComponent::NotifyChange(TObject*) {
  if (auto* owner = dynamic_cast<TGLUpdateAbleComponent*>(Owner())) owner->NotifyChange(this);
}

}  // namespace scene3d
