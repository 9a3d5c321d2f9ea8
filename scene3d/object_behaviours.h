// Behaviours and effects of scene objects: items of two polymorphic collections (xcollection.h)
// that a scene object creates on first access. A behaviour moves with the scene's progress steps; an
// effect draws before the object (pre), after it (post) or after the whole scene (after). The
// program's scene registers no class of either kind, so the collections stay empty; what is kept is
// the plumbing: progress, the render hooks and the stream form.
//
// Stream form: after the base item's data each item writes one integer 0 (its own version); on
// reading the base data is read only when the collection's archive version is above 0.
#pragma once

#include <string>

#include "scene3d/render_context_info.h"
#include "scene3d/update_able.h"
#include "scene3d/xcollection.h"

namespace scene3d {

class TGLBaseSceneObject;

class TGLBaseBehaviour : public TXCollectionItem {
 public:
  explicit TGLBaseBehaviour(TXCollection* owner) : TXCollectionItem(owner) {}
  std::string ClassName() const override { return "TGLBaseBehaviour"; }
  const TXCollectionItemClass& ItemClass() const override { return XCollectionItemClassOf<TGLBaseBehaviour>(); }

  // The scene object holding the collection, or none.
  TGLBaseSceneObject* OwnerBaseSceneObject() const;
  void SaveBinary(TVirtualWriter& writer) const override;
  void LoadBinary(TVirtualReader& reader) override;
  virtual void DoProgress(const TProgressTimes&) {}
};

class TGLBehaviour : public TGLBaseBehaviour {
 public:
  using TGLBaseBehaviour::TGLBaseBehaviour;
  std::string ClassName() const override { return "TGLBehaviour"; }
  const TXCollectionItemClass& ItemClass() const override { return XCollectionItemClassOf<TGLBehaviour>(); }
};

class TGLBehaviours : public TXCollection {
 public:
  using TXCollection::TXCollection;
  std::string ClassName() const override { return "TGLBehaviours"; }
  const TXCollectionItemClass& ItemClass() const override { return XCollectionItemClassOf<TGLBehaviour>(); }
  void DoProgress(const TProgressTimes& times);
};

class TGLObjectEffect : public TGLBaseBehaviour {
 public:
  using TGLBaseBehaviour::TGLBaseBehaviour;
  std::string ClassName() const override { return "TGLObjectEffect"; }
  const TXCollectionItemClass& ItemClass() const override { return XCollectionItemClassOf<TGLObjectEffect>(); }
  virtual void Render(RenderContextInfo&) {}
};

class TGLObjectPreEffect : public TGLObjectEffect {
 public:
  using TGLObjectEffect::TGLObjectEffect;
  std::string ClassName() const override { return "TGLObjectPreEffect"; }
  const TXCollectionItemClass& ItemClass() const override { return XCollectionItemClassOf<TGLObjectPreEffect>(); }
};

class TGLObjectPostEffect : public TGLObjectEffect {
 public:
  using TGLObjectEffect::TGLObjectEffect;
  std::string ClassName() const override { return "TGLObjectPostEffect"; }
  const TXCollectionItemClass& ItemClass() const override { return XCollectionItemClassOf<TGLObjectPostEffect>(); }
};

// Rendered by the buffer once the scene is drawn (listed in RenderContextInfo::afterRenderEffects).
class TGLObjectAfterEffect : public TGLObjectEffect {
 public:
  using TGLObjectEffect::TGLObjectEffect;
  std::string ClassName() const override { return "TGLObjectAfterEffect"; }
  const TXCollectionItemClass& ItemClass() const override { return XCollectionItemClassOf<TGLObjectAfterEffect>(); }
};

class TGLObjectEffects : public TXCollection {
 public:
  using TXCollection::TXCollection;
  std::string ClassName() const override { return "TGLObjectEffects"; }
  const TXCollectionItemClass& ItemClass() const override { return XCollectionItemClassOf<TGLObjectEffect>(); }
  void DoProgress(const TProgressTimes& times);
  // The pre effects in order; the after effects are listed for the end of the frame.
  void RenderPreEffects(RenderContextInfo& rci);
  void RenderPostEffects(RenderContextInfo& rci);
};

}  // namespace scene3d
