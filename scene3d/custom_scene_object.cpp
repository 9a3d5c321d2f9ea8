#include "scene3d/custom_scene_object.h"

#include "scene3d/gl_transformation.h"
#include "scene3d/matrices.h"
#include "scene3d/stored_object.h"
#include "scene3d/texture.h"

namespace scene3d {

TGLCustomSceneObject::TGLCustomSceneObject(TComponent* owner)
    : TGLBaseSceneObject(owner), material_(std::make_unique<TGLMaterial>(this)) {}

TGLCustomSceneObject::~TGLCustomSceneObject() = default;

void TGLCustomSceneObject::DoRender(RenderContextInfo& rci, bool renderSelf, bool renderChildren) {
  if (rci.ignoreMaterials || !renderSelf) {
    TGLBaseSceneObject::DoRender(rci, renderSelf, renderChildren);
    return;
  }
  material_->Apply(rci);
  do {
    RenderSelf(rci);
  } while (material_->UnApply(rci));
  if (renderChildren) RenderChildren(0, Count() - 1, rci);
}

void TGLCustomSceneObject::FreeGLHandles() {
  material_->FreeGLHandles();
  TGLBaseSceneObject::FreeGLHandles();
}

void TGLCustomSceneObject::DefinePublished(TFiler& filer) {
  TGLBaseSceneObject::DefinePublished(filer);
  DefineObject(filer, "Material", material_.get(), [this]() -> TPersistent& { return *material_; });
  DefineText(filer, "Hint", Hint, [this](const std::string& v) { Hint = v; });
}

void TGLCustomSceneObject::Assign(const TPersistent* source) {
  if (auto* from = dynamic_cast<const TGLCustomSceneObject*>(source)) {
    material_->Assign(from->material_.get());
    Hint = from->Hint;
  }
  TGLBaseSceneObject::Assign(source);
}

void TGLImmaterialSceneObject::DoRender(RenderContextInfo& rci, bool renderSelf, bool renderChildren) {
  TGLBaseSceneObject::DoRender(rci, renderSelf, renderChildren);
}

void TGLCameraInvariantObject::SetCamInvarianceMode(TGLCameraInvarianceMode mode) {
  if (StoreChanged(camInvarianceMode_, mode)) NotifyChange(this);
}

void TGLCameraInvariantObject::DoRender(RenderContextInfo& rci, bool renderSelf, bool renderChildren) {
  if (camInvarianceMode_ == cimNone) {
    TGLImmaterialSceneObject::DoRender(rci, renderSelf, renderChildren);
    return;
  }
  TGLPipelineTransformation& pipeline = *rci.PipelineTransformation;
  pipeline.PushMatrices();
  try {
    if (camInvarianceMode_ == cimPosition) {
      pipeline.SetViewMatrix(MatrixProduct(MatrixTranslation(rci.cameraPosition), pipeline.ViewMatrix()));
    } else {
      pipeline.SetViewMatrix(MatrixScaling({1, -1, -1}));
    }
    pipeline.SetModelMatrix(LocalMatrix());
    if (renderSelf) RenderSelf(rci);
    if (renderChildren) RenderChildren(0, Count() - 1, rci);
  } catch (...) {
    pipeline.PopMatrices();
    throw;
  }
  pipeline.PopMatrices();
}

void TGLCameraInvariantObject::Assign(const TPersistent* source) {
  if (auto* from = dynamic_cast<const TGLCameraInvariantObject*>(source)) camInvarianceMode_ = from->camInvarianceMode_;
  TGLImmaterialSceneObject::Assign(source);
}

void TGLCameraInvariantObject::DefinePublished(TFiler& filer) {
  TGLImmaterialSceneObject::DefinePublished(filer);
  DefineEnum<TGLCameraInvarianceMode>(filer, "CamInvarianceMode", camInvarianceMode_,
                                      [this](TGLCameraInvarianceMode v) { SetCamInvarianceMode(v); }, cimNone,
                                      cimOrientation);
}

}  // namespace scene3d
