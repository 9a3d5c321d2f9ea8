#include "scene3d/camera.h"

#include <algorithm>
#include <cmath>

#include "scene3d/gl_transformation.h"
#include "scene3d/matrices.h"
#include "scene3d/scalar_math.h"
#include "scene3d/stored_object.h"

namespace scene3d {

TGLCamera::TGLCamera(TComponent* owner) : TGLBaseSceneObject(owner) { Direction().SetDirectionXYZ(0, 0, -1); }

TGLCamera::~TGLCamera() { NotifyFreeing(); }

void TGLCamera::SetDepthOfView(float value) {
  if (value == depthOfView_) return;
  depthOfView_ = value;
  if (!IsLoading()) MarkTransformChanged();
}

void TGLCamera::SetFocalLength(float value) {
  // Not a number or infinite (a field of view of 0 degrees) would make every projection NaN.
  if (!(value > 0) || !std::isfinite(value)) value = 1;
  if (value == focalLength_) return;
  focalLength_ = value;
  if (!IsLoading()) MarkTransformChanged();
}

void TGLCamera::SetSceneScale(float value) {
  if (value == 0) value = 1;
  if (StoreChanged(sceneScale_, value)) NotifyChange(this);
}

void TGLCamera::SetNearPlaneBias(float value) {
  if (value <= 0) value = 1;
  if (StoreChanged(nearPlaneBias_, value)) NotifyChange(this);
}

void TGLCamera::SetTargetObject(TGLBaseSceneObject* target) {
  if (target == target_) return;
  if (target_) target_->RemoveFreeNotification(this);
  target_ = target;
  if (target_) target_->FreeNotification(this);
  if (!IsLoading()) MarkTransformChanged();
}

void TGLCamera::SetCameraStyle(TGLCameraStyle style) {
  if (StoreChanged(cameraStyle_, style)) NotifyChange(this);
}

void TGLCamera::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove && component == target_) {
    target_ = nullptr;
    NotifyChange(this);
  }
  TGLBaseSceneObject::Notification(component, operation);
}

void TGLCamera::ApplyView(TGLPipelineTransformation& pipeline) {
  if (DeferredApply) {
    DeferredApply(this);
    return;
  }
  TVector4f eye, centre, up;
  if (target_) {
    eye = AbsolutePosition();
    centre = target_->AbsolutePosition();
    lastDirection_ = VectorNormalized4(VectorDifference4(centre, eye));
    up = Up().Value();
  } else {
    const TMatrix4f m = Parent() ? Parent()->AbsoluteMatrix() : IdentityMatrix;
    lastDirection_ = VectorTransform4(Direction().Value(), m);
    up = VectorTransform4(Up().Value(), m);
    eye = AbsolutePosition();
    centre = VectorSum4(eye, DirectionFromAffine({lastDirection_.x, lastDirection_.y, lastDirection_.z}));
  }
  pipeline.SetViewMatrix(MatrixProduct(MatrixLookAt(eye, centre, up), pipeline.ViewMatrix()));
  ClearStructureChanged();
}

void TGLCamera::ApplyProjection(TGLPipelineTransformation& pipeline, const TVector4i& viewport, float width,
                                float height, int dpi) {
  const double w = width, h = height;
  if (w < 1 || h < 1) return;
  if (cameraStyle_ == csOrtho2D) {
    pipeline.SetProjectionMatrix(MatrixOrtho(0, width, 0, height, -1, 1));
    viewPortRadius_ = float(std::sqrt(w * w + h * h) / 2);
    return;
  }
  if (cameraStyle_ == csCustom) {
    viewPortRadius_ = float(std::sqrt(w * w + h * h) / 2);
    if (OnCustomPerspective) {
      TMatrix4f m = pipeline.ProjectionMatrix();
      OnCustomPerspective(m, width, height, dpi, viewPortRadius_);
      pipeline.SetProjectionMatrix(m);
    }
    return;
  }
  const double d = std::max(w, h);
  auto factor = [&](double size) {
    if (cameraStyle_ == csOrthogonal) return 100.0 * nearPlaneBias_ / (size * focalLength_ * sceneScale_);
    return double(nearPlaneBias_) / (size * sceneScale_);
  };
  const double fx = factor(w), fy = factor(h);
  const double left = viewport.x, top = viewport.y, vw = viewport.z, vh = viewport.w;
  const double right = w * ((2 * left + 2 * vw - w) * fx) / (2 * d);
  const double leftEdge = -w * ((w - 2 * left) * fx) / (2 * d);
  const double topEdge = h * ((2 * top + 2 * vh - h) * fy) / (2 * d);
  const double bottom = -h * ((h - 2 * top) * fy) / (2 * d);
  const double n = focalLength_ * 2.0 * dpi / (d * 25.4) * nearPlaneBias_;
  const double f = n + depthOfView_;
  TMatrix4f m;
  switch (cameraStyle_) {
    case csOrthogonal:
      m = MatrixOrtho(float(leftEdge), float(right), float(bottom), float(topEdge), float(n), float(f));
      break;
    case csInfinitePerspective: {
      constexpr double epsilon = 0.0001;
      m = IdentityMatrix;
      m[0].x = float(2 * n / (right - leftEdge));
      m[1].y = float(2 * n / (topEdge - bottom));
      m[2].x = float((right + leftEdge) / (right - leftEdge));
      m[2].y = float((topEdge + bottom) / (topEdge - bottom));
      m[2].z = float(epsilon - 1);
      m[2].w = -1;
      m[3].z = float((epsilon - 2) * n);
      m[3].w = 0;
      break;
    }
    default:
      m = MatrixFrustum(float(leftEdge), float(right), float(bottom), float(topEdge), float(n), float(f));
      break;
  }
  pipeline.SetProjectionMatrix(MatrixProduct(m, pipeline.ProjectionMatrix()));
  nearPlane_ = float(n);
  viewPortRadius_ = float(std::sqrt(topEdge * topEdge + right * right) / n);
}

void TGLCamera::OrbitAroundTarget(float pitchDelta, float turnDelta) {
  if (!target_) return;
  const TVector4f position = AbsolutePosition();
  const TVector4f t = VectorDifference4(position, target_->AbsolutePosition());
  const double r = AffineLength(t);
  if (r == 0) return;  // on the target: no direction to turn
  const TVector4f n = VectorNormalized4(t);
  const TVector4f u = AbsoluteUp();
  TVector3f axis = AffineCross(u, n);
  if (AffineLength(axis) < 0.001) {
    axis = {1, 0, 0};
  } else {
    axis = AffineNormalized(axis);
  }
  // A dot product a rounding step above 1 must not make the angle NaN.
  const double cosine = std::clamp(AffineDot(u, n), -1.0, 1.0);
  const double a = std::clamp(std::acos(cosine) + DegreesToRadians(pitchDelta), 0.025, 3.1165926);
  TVector4f moved = DirectionFromAffine({u.x, u.y, u.z});
  VectorRotateAroundAxis(moved, axis, float(-a));
  VectorRotateAroundAxis(moved, {u.x, u.y, u.z}, float(-DegreesToRadians(turnDelta)));
  moved = VectorScaled4(moved, float(r));
  TVector4f absolute = VectorSum4(position, VectorDifference4(moved, t));
  absolute.w = 1;
  if (Parent()) absolute = VectorTransform4(absolute, Parent()->InvAbsoluteMatrix());
  Position().SetPointXYZ(absolute.x, absolute.y, absolute.z);
}

TVector4f TGLCamera::PanVectorFromDelta(float dx, float dy, float ratio) {
  const TVector4f d = target_ ? VectorDifference4(target_->AbsolutePosition(), AbsolutePosition()) : Direction().Value();
  const double l = std::sqrt(double(d.x) * d.x + double(d.y) * d.y);
  const double k = l > 1e-10 ? ratio / l : ratio;
  return {float(d.y * dx * k + d.x * dy * k), float(d.y * dy * k - d.x * dx * k), 0, 0};
}

float TGLCamera::GetFieldOfView(float viewportWidth) const {
  if (focalLength_ == 0) return 0;
  return float(RadiansToDegrees(2 * std::atan(viewportWidth / 2.0 / focalLength_)));
}

void TGLCamera::SetFieldOfView(float degrees, float viewportWidth) {
  SetFocalLength(float(viewportWidth / (2 * std::tan(DegreesToRadians(degrees) / 2))));
}

void TGLCamera::DoRender(RenderContextInfo& rci, bool, bool renderChildren) {
  if (renderChildren) RenderChildren(0, Count() - 1, rci);
}

void TGLCamera::Assign(const TPersistent* source) {
  if (auto* from = dynamic_cast<const TGLCamera*>(source)) {
    depthOfView_ = from->depthOfView_;
    focalLength_ = from->focalLength_;
    sceneScale_ = from->sceneScale_;
    nearPlaneBias_ = from->nearPlaneBias_;
    cameraStyle_ = from->cameraStyle_;
    SetTargetObject(from->target_);
    OnCustomPerspective = from->OnCustomPerspective;
  }
  TGLBaseSceneObject::Assign(source);
}

void TGLCamera::DefinePublished(TFiler& filer) {
  TGLBaseSceneObject::DefinePublished(filer);
  DefineSingle(filer, "DepthOfView", depthOfView_, [this](float v) { SetDepthOfView(v); }, 100);
  DefineSingle(filer, "FocalLength", focalLength_, [this](float v) { SetFocalLength(v); }, 50);
  DefineSingle(filer, "SceneScale", sceneScale_, [this](float v) { SetSceneScale(v); }, 1);
  DefineSingle(filer, "NearPlaneBias", nearPlaneBias_, [this](float v) { SetNearPlaneBias(v); }, 1);
  // The target may come later in the stream: its name waits for Loaded.
  DefineText(filer, "TargetObject", target_ ? target_->Name() : std::string(),
             [this](const std::string& v) { storedTargetName_ = v; });
  DefineEnum<TGLCameraStyle>(filer, "CameraStyle", cameraStyle_, [this](TGLCameraStyle v) { SetCameraStyle(v); },
                             csPerspective, csInfinitePerspective);
}

void TGLCamera::Loaded() {
  TGLBaseSceneObject::Loaded();
  if (storedTargetName_.empty()) return;
  SetTargetObject(dynamic_cast<TGLBaseSceneObject*>(FindStoredComponent(storedTargetName_)));
  storedTargetName_.clear();
}

}  // namespace scene3d
