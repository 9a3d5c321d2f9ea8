#include "scene3d/object_behaviours.h"

#include "scene3d/scene_object.h"

namespace scene3d {

TGLBaseSceneObject* TGLBaseBehaviour::OwnerBaseSceneObject() const {
  return Owner() ? dynamic_cast<TGLBaseSceneObject*>(Owner()->Owner()) : nullptr;
}

void TGLBaseBehaviour::SaveBinary(TVirtualWriter& writer) const {
  TXCollectionItem::SaveBinary(writer);
  writer.WriteInteger(0);
}

void TGLBaseBehaviour::LoadBinary(TVirtualReader& reader) {
  if (Owner() && Owner()->StreamVersion() > 0) TXCollectionItem::LoadBinary(reader);
  reader.ReadInteger();
}

void TGLBehaviours::DoProgress(const TProgressTimes& times) {
  for (int i = 0; i < Count(); ++i)
    if (auto* behaviour = dynamic_cast<TGLBaseBehaviour*>(Items(i))) behaviour->DoProgress(times);
}

void TGLObjectEffects::DoProgress(const TProgressTimes& times) {
  for (int i = 0; i < Count(); ++i)
    if (auto* effect = dynamic_cast<TGLBaseBehaviour*>(Items(i))) effect->DoProgress(times);
}

void TGLObjectEffects::RenderPreEffects(RenderContextInfo& rci) {
  for (int i = 0; i < Count(); ++i) {
    TXCollectionItem* item = Items(i);
    if (auto* pre = dynamic_cast<TGLObjectPreEffect*>(item)) {
      pre->Render(rci);
    } else if (auto* after = dynamic_cast<TGLObjectAfterEffect*>(item); after && rci.afterRenderEffects) {
      rci.afterRenderEffects->push_back(after);
    }
  }
}

void TGLObjectEffects::RenderPostEffects(RenderContextInfo& rci) {
  for (int i = 0; i < Count(); ++i)
    if (auto* post = dynamic_cast<TGLObjectPostEffect*>(Items(i))) post->Render(rci);
}

}  // namespace scene3d
