// TGLDummyCube: the invisible reference object of a scene (the camera's target, a parent that
// groups others). It draws a dashed wire cube only when VisibleAtRunTime asks for it, every frame
// (direct drawing). With Amalgamate it compiles itself and its children into one display list, the
// group list, that is drawn from then on until its structure changes.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "scene3d/colors.h"
#include "scene3d/custom_scene_object.h"

namespace scene3d {

class TGLListHandle;

using TGLVisibilityDeterminationEvent = std::function<bool(TObject* sender, RenderContextInfo& rci)>;

class TGLDummyCube : public TGLCameraInvariantObject {
 public:
  explicit TGLDummyCube(TComponent* owner);
  ~TGLDummyCube() override;
  std::string ClassName() const override { return "TGLDummyCube"; }

  float CubeSize() const { return cubeSize_; }
  void SetCubeSize(float size);
  TGLColor& EdgeColor() { return *edgeColor_; }
  void SetEdgeColor(const TGLColor& colour) { edgeColor_->Assign(&colour); }
  bool VisibleAtRunTime() const { return visibleAtRunTime_; }
  void SetVisibleAtRunTime(bool flag);
  bool Amalgamate() const { return amalgamate_; }
  void SetAmalgamate(bool flag);
  // Answering false hides the cube and its children for that frame.
  TGLVisibilityDeterminationEvent OnVisibilityDetermination;

  // |CubeSize| / 2 on every axis.
  void DefinePublished(TFiler& filer) override;
  TVector4f HalfExtents() const override;
  // With children, the average of their sort positions: a group sorts where its members are.
  TVector4f SortPosition() override;
  // Never hit.
  bool RayIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* hit, TVector4f* normal) override;
  void BuildList(RenderContextInfo& rci) override;
  void DoRender(RenderContextInfo& rci, bool renderSelf, bool renderChildren) override;
  void StructureChanged() override;
  void NotifyChange(TObject* sender) override;
  // CubeSize, EdgeColor and VisibleAtRunTime, then the base's values.
  void Assign(const TPersistent* source) override;
  void FreeGLHandles() override;

 private:
  float cubeSize_ = 1;
  std::unique_ptr<TGLColor> edgeColor_;
  bool visibleAtRunTime_ = false;
  bool amalgamate_ = false;
  std::unique_ptr<TGLListHandle> groupList_;
};

}  // namespace scene3d
