// Scene objects with a material, and the bases of objects that draw without one:
// - TGLCustomSceneObject owns a TGLMaterial and applies it around its own drawing (several passes
//   when the material asks); TGLStageObject is the class later objects derive from (lines, cubes,
//   spheres...).
// - TGLImmaterialSceneObject draws without applying its material (direct drawing, dummy cube).
// - TGLCameraInvariantObject keeps its offset from the eye (cimPosition) or its orientation on
//   screen (cimOrientation) whatever the camera does.
#pragma once

#include <memory>
#include <string>

#include "scene3d/material.h"
#include "scene3d/scene_object.h"

namespace scene3d {

class TGLCustomSceneObject : public TGLBaseSceneObject {
 public:
  explicit TGLCustomSceneObject(TComponent* owner);
  ~TGLCustomSceneObject() override;
  std::string ClassName() const override { return "TGLCustomSceneObject"; }

  TGLMaterial& Material() { return *material_; }
  const TGLMaterial& Material() const { return *material_; }
  void SetMaterial(const TGLMaterial& material) { material_->Assign(&material); }
  std::string Hint;

  bool IsBlended() const override { return material_->IsBlended(); }
  void DoRender(RenderContextInfo& rci, bool renderSelf, bool renderChildren) override;
  void FreeGLHandles() override;
  // The material and Hint, then the base class's values.
  void Assign(const TPersistent* source) override;
  void DefinePublished(TFiler& filer) override;

 private:
  std::unique_ptr<TGLMaterial> material_;
};

class TGLStageObject : public TGLCustomSceneObject {
 public:
  using TGLCustomSceneObject::TGLCustomSceneObject;
  std::string ClassName() const override { return "TGLStageObject"; }
};

class TGLImmaterialSceneObject : public TGLCustomSceneObject {
 public:
  using TGLCustomSceneObject::TGLCustomSceneObject;
  std::string ClassName() const override { return "TGLImmaterialSceneObject"; }
  void DoRender(RenderContextInfo& rci, bool renderSelf, bool renderChildren) override;
};

enum TGLCameraInvarianceMode : uint8_t { cimNone, cimPosition, cimOrientation };

class TGLCameraInvariantObject : public TGLImmaterialSceneObject {
 public:
  using TGLImmaterialSceneObject::TGLImmaterialSceneObject;
  std::string ClassName() const override { return "TGLCameraInvariantObject"; }

  TGLCameraInvarianceMode CamInvarianceMode() const { return camInvarianceMode_; }
  void SetCamInvarianceMode(TGLCameraInvarianceMode mode);
  void DoRender(RenderContextInfo& rci, bool renderSelf, bool renderChildren) override;
  void DefinePublished(TFiler& filer) override;
  void Assign(const TPersistent* source) override;

 private:
  TGLCameraInvarianceMode camInvarianceMode_ = cimNone;
};

}  // namespace scene3d
