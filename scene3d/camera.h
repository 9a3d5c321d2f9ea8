// TGLCamera: sets the projection and the view of a frame. Aimed at a TargetObject it looks at that
// object's absolute position (its own Up the up vector); without one it looks along its Direction.
// The main window's camera is orthogonal and aimed at a dummy cube; the mouse orbits it about the
// target (OrbitAroundTarget), pans both (PanVectorFromDelta) and zooms by SceneScale:
//   camera->OrbitAroundTarget(dy, dx);                              // degrees
//   TVector4f v = camera->PanVectorFromDelta(dx, -dy, 0.5f / camera->SceneScale());
//   camera->Position().TranslateBy(v);  target->Position().TranslateBy(v);
// An orthogonal camera with focal length F and scene scale S shows ±50/(F·S) units across the wider
// side of the viewport, whatever its pixels (±10 over 200 px for F = 5, S = 1); the near plane comes
// from the focal length at 96 dpi.
#pragma once

#include <functional>
#include <string>

#include "scene3d/scene_object.h"

namespace scene3d {

class TGLPipelineTransformation;

enum TGLCameraStyle : uint8_t { csPerspective, csOrthogonal, csOrtho2D, csCustom, csInfinitePerspective };

// Fills the projection matrix of a csCustom camera (it starts as the current one) and may set the
// view-port radius.
using TOnCustomPerspective =
    std::function<void(TMatrix4f& matrix, float width, float height, int dpi, float& viewPortRadius)>;

class TGLCamera : public TGLBaseSceneObject {
 public:
  // Direction (0, 0, -1).
  explicit TGLCamera(TComponent* owner);
  // Those showing the camera (buffers, viewers) hear it go while it is still whole.
  ~TGLCamera() override;
  std::string ClassName() const override { return "TGLCamera"; }

  float DepthOfView() const { return depthOfView_; }
  void SetDepthOfView(float value);
  float FocalLength() const { return focalLength_; }
  // Values <= 0 become 1.
  void SetFocalLength(float value);
  float SceneScale() const { return sceneScale_; }
  // Exactly 0 becomes 1.
  void SetSceneScale(float value);
  float NearPlaneBias() const { return nearPlaneBias_; }
  // Values <= 0 become 1.
  void SetNearPlaneBias(float value);
  TGLBaseSceneObject* TargetObject() const { return target_; }
  void SetTargetObject(TGLBaseSceneObject* target);
  TGLCameraStyle CameraStyle() const { return cameraStyle_; }
  void SetCameraStyle(TGLCameraStyle style);
  TOnCustomPerspective OnCustomPerspective;
  // When set, ApplyView calls it instead of computing the view.
  std::function<void(TGLCamera* camera)> DeferredApply;

  // Values of the last frame.
  float NearPlane() const { return nearPlane_; }
  float ViewPortRadius() const { return viewPortRadius_; }
  const TVector4f& LastDirection() const { return lastDirection_; }

  // The look-at matrix times the pipeline's view matrix becomes its view matrix.
  void ApplyView(TGLPipelineTransformation& pipeline);
  // The camera's projection times the pipeline's projection matrix becomes its projection matrix;
  // viewport = (left, top, width, height); nothing for a window narrower or lower than 1.
  void ApplyProjection(TGLPipelineTransformation& pipeline, const TVector4i& viewport, float width, float height,
                       int dpi);
  // Moves the camera about its target: pitch towards or away from the up axis (stopping 0.025 rad
  // short of either pole), turn about it; degrees. Nothing without a target.
  void OrbitAroundTarget(float pitchDelta, float turnDelta);
  // The scene vector of a screen shift (dx, dy) seen down the line of sight, at `ratio` units a pixel.
  TVector4f PanVectorFromDelta(float dx, float dy, float ratio);
  // Degrees of view over a viewport of that width; 0 for a focal length of 0.
  float GetFieldOfView(float viewportWidth) const;
  void SetFieldOfView(float degrees, float viewportWidth);

  bool RayIntersect(const TVector4f&, const TVector4f&, TVector4f*, TVector4f*) override { return false; }
  void DoRender(RenderContextInfo& rci, bool renderSelf, bool renderChildren) override;
  void DefinePublished(TFiler& filer) override;
  void Assign(const TPersistent* source) override;

 protected:
  void Notification(TComponent* component, TOperation operation) override;
  // Finds the stored target by name.
  void Loaded() override;

 private:
  float depthOfView_ = 100;
  float focalLength_ = 50;
  float sceneScale_ = 1;
  float nearPlaneBias_ = 1;
  TGLBaseSceneObject* target_ = nullptr;
  std::string storedTargetName_;
  TGLCameraStyle cameraStyle_ = csPerspective;
  float nearPlane_ = 0;
  float viewPortRadius_ = 0;
  TVector4f lastDirection_{0, 0, -1, 0};
};

}  // namespace scene3d
