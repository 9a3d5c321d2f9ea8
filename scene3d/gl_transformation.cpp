#include "scene3d/gl_transformation.h"

#include "scene3d/gl_entry_points.h"
#include "scene3d/matrices.h"
#include "scene3d/planes.h"
#include "scene3d/scene3d_exceptions.h"

namespace scene3d {

namespace {
constexpr uint8_t kAllStale = TGLPipelineTransformation::kModelViewStale | TGLPipelineTransformation::kViewProjectionStale |
                              TGLPipelineTransformation::kFrustumStale;
}

TGLPipelineTransformation::TGLPipelineTransformation(bool loadMatrices) : loadMatrices_(loadMatrices) { ResetMatrices(); }

void TGLPipelineTransformation::ResetMatrices() {
  model_[size_t(position_)] = IdentityMatrix;
  view_[size_t(position_)] = IdentityMatrix;
  projection_[size_t(position_)] = IdentityMatrix;
  stale_ = kAllStale;
  if (loadMatrices_) {
    LoadModelView();
    LoadProjection();
  }
}

void TGLPipelineTransformation::PushMatrices() {
  if (position_ + 1 >= kStackDepth) throw EListError("Transformation stack overflow");
  size_t from = size_t(position_++);
  model_[from + 1] = model_[from];
  view_[from + 1] = view_[from];
  projection_[from + 1] = projection_[from];
}

void TGLPipelineTransformation::PopMatrices() {
  if (position_ <= 0) throw EListError("Transformation stack underflow");
  --position_;
  stale_ = kAllStale;
  if (loadMatrices_) {
    LoadModelView();
    LoadProjection();
  }
}

void TGLPipelineTransformation::SetModelMatrix(const TMatrix4f& m) {
  model_[size_t(position_)] = m;
  stale_ |= kModelViewStale;
  if (loadMatrices_) LoadModelView();
}

void TGLPipelineTransformation::SetViewMatrix(const TMatrix4f& m) {
  view_[size_t(position_)] = m;
  stale_ |= kAllStale;
  if (loadMatrices_) LoadModelView();
}

void TGLPipelineTransformation::SetProjectionMatrix(const TMatrix4f& m) {
  projection_[size_t(position_)] = m;
  stale_ |= kViewProjectionStale | kFrustumStale;
  if (loadMatrices_) LoadProjection();
}

const TMatrix4f& TGLPipelineTransformation::ModelViewMatrix() {
  if (stale_ & kModelViewStale) {
    modelView_ = MatrixProduct(model_[size_t(position_)], view_[size_t(position_)]);
    stale_ &= uint8_t(~kModelViewStale);
  }
  return modelView_;
}

const TMatrix4f& TGLPipelineTransformation::ViewProjectionMatrix() {
  if (stale_ & kViewProjectionStale) {
    viewProjection_ = MatrixProduct(view_[size_t(position_)], projection_[size_t(position_)]);
    stale_ &= uint8_t(~kViewProjectionStale);
  }
  return viewProjection_;
}

const TFrustumPlanes& TGLPipelineTransformation::Frustum() {
  if (stale_ & kFrustumStale) {
    frustum_ = FrustumFromMatrix(ViewProjectionMatrix());
    stale_ &= uint8_t(~kFrustumStale);
  }
  return frustum_;
}

void TGLPipelineTransformation::LoadModelView() { ActiveGLTable().LoadMatrixf(&ModelViewMatrix()[0].x); }

void TGLPipelineTransformation::LoadProjection() {
  TGLExtensionsAndEntryPoints& gl = ActiveGLTable();
  gl.MatrixMode(GL_PROJECTION);
  gl.LoadMatrixf(&projection_[size_t(position_)][0].x);
  gl.MatrixMode(GL_MODELVIEW);
}

}  // namespace scene3d
