// The camera's projection, view, orbit and pan, computed into a pipeline that loads nothing.
#include "scene3d/camera.h"

#include <gtest/gtest.h>

#include <cmath>

#include "expect_vectors.h"
#include "scene3d/gl_transformation.h"
#include "scene3d/matrices.h"
#include "scene3d/stage.h"

using namespace scene3d;

namespace {

TMatrix4f Projection(TGLCamera& camera, int width, int height) {
  TGLPipelineTransformation pipeline(false);
  camera.ApplyProjection(pipeline, {0, 0, width, height}, float(width), float(height), 96);
  return pipeline.ProjectionMatrix();
}

// A camera at (0, -10, 0) with Up (0, 0, 1) aimed at a target at the origin.
struct Orbit {
  Orbit() {
    target = scene.Objects()->CreateChild<TGLBaseSceneObject>();
    camera = scene.Objects()->CreateChild<TGLCamera>();
    camera->Position().SetPointXYZ(0, -10, 0);
    camera->Up().SetDirectionXYZ(0, 0, 1);
    camera->SetTargetObject(target);
  }
  TGLStage scene{nullptr};
  TGLBaseSceneObject* target;
  TGLCamera* camera;
};

}  // namespace

TEST(Camera, ProjectionOfEachStyle) {
  TGLCamera camera(nullptr);
  camera.SetCameraStyle(csOrthogonal);
  camera.SetFocalLength(2);
  camera.SetDepthOfView(10000);
  TMatrix4f m = Projection(camera, 800, 600);
  EXPECT_NEAR(m[0].x, 0.04, 1e-7) << "±25 units over 800 px";
  EXPECT_NEAR(m[1].y, 0.0533333, 1e-7) << "±18.75 over 600 px: square pixels";
  EXPECT_NEAR(m[2].z, -0.0002, 1e-9) << "the depth of view";
  EXPECT_NEAR(camera.NearPlane(), 2 * 2 * 96 / (800 * 25.4), 1e-7);

  camera.SetFocalLength(5);
  m = Projection(camera, 200, 200);
  EXPECT_NEAR(m[0].x, 0.1, 1e-7) << "±10 units over 200 px";
  camera.SetSceneScale(2);
  EXPECT_NEAR(Projection(camera, 200, 200)[0].x, 0.2, 1e-7) << "the scene scale zooms in";

  TGLCamera perspective(nullptr);
  m = Projection(perspective, 800, 600);
  EXPECT_NEAR(perspective.NearPlane(), 0.472441, 1e-6) << "focal length 50 at 96 dpi";
  EXPECT_EQ(m[2].w, -1) << "a frustum";
  EXPECT_NEAR(m[0].x, 2 * 0.472441, 1e-5) << "half a unit each way at the near plane";

  perspective.SetCameraStyle(csInfinitePerspective);
  m = Projection(perspective, 800, 600);
  EXPECT_NEAR(m[2].z, 0.0001 - 1, 1e-7);
  EXPECT_NEAR(m[3].z, (0.0001 - 2) * 0.472441, 1e-6);
  EXPECT_EQ(m[3].w, 0);

  perspective.SetCameraStyle(csOrtho2D);
  const TMatrix4f ortho2D = Projection(perspective, 640, 480);
  perspective.SetFocalLength(7);
  perspective.SetDepthOfView(3);
  ExpectNear(Projection(perspective, 640, 480), ortho2D, 0, "2D: only the window's size counts");
  ExpectNear(ortho2D, MatrixOrtho(0, 640, 0, 480, -1, 1), 1e-7, "the window in pixels");

  perspective.SetCameraStyle(csCustom);
  perspective.OnCustomPerspective = [](TMatrix4f& matrix, float width, float, int, float& radius) {
    matrix = MatrixScaling({width, 1, 1});
    radius = 3;
  };
  EXPECT_EQ(Projection(perspective, 5, 5)[0].x, 5);
  EXPECT_EQ(perspective.ViewPortRadius(), 3);
  ExpectNear(Projection(camera, 0, 600), IdentityMatrix, 0, "nothing for a window narrower than 1");
}

TEST(Camera, SettersMendTheirValues) {
  TGLCamera camera(nullptr);
  ExpectNear(camera.Direction().Value(), (TVector4f{0, 0, -1, 0}), 0, "a camera looks down -Z");
  camera.SetFocalLength(-5);
  EXPECT_EQ(camera.FocalLength(), 1);
  camera.SetFocalLength(0);
  EXPECT_EQ(camera.FocalLength(), 1);
  camera.SetSceneScale(0);
  EXPECT_EQ(camera.SceneScale(), 1);
  camera.SetSceneScale(-2);
  EXPECT_EQ(camera.SceneScale(), -2) << "negative values pass";
  camera.SetNearPlaneBias(-1);
  EXPECT_EQ(camera.NearPlaneBias(), 1);

  camera.SetFocalLength(50);
  EXPECT_NEAR(camera.GetFieldOfView(100), 2 * std::atan(1.0) * 180 / M_PI, 1e-4) << "atan(50 / 50) twice";
  camera.SetFieldOfView(120, 300);
  EXPECT_NEAR(camera.FocalLength(), 150 / std::tan(M_PI / 3), 1e-3);
  EXPECT_NEAR(camera.GetFieldOfView(300), 120, 1e-3);
}

TEST(Camera, ViewLooksAtTheTargetOrAlongItsDirection) {
  Orbit o;
  TGLPipelineTransformation pipeline(false);
  o.camera->ApplyView(pipeline);
  ExpectNear(pipeline.ViewMatrix(), MatrixLookAt({0, -10, 0, 1}, {0, 0, 0, 1}, {0, 0, 1, 0}), 1e-6, "aimed at the target");
  ExpectNear(o.camera->LastDirection(), (TVector4f{0, 1, 0, 0}), 1e-6, "");

  TGLCamera free(nullptr);
  free.Position().SetPointXYZ(1, 2, 3);
  free.Direction().SetDirectionXYZ(1, 0, 0);
  free.Up().SetDirectionXYZ(0, 0, 1);
  TGLPipelineTransformation second(false);
  free.ApplyView(second);
  ExpectNear(second.ViewMatrix(), MatrixLookAt({1, 2, 3, 1}, {2, 2, 3, 1}, {0, 0, 1, 0}), 1e-6,
             "no target, no parent: its position, Direction and Up");

  int deferred = 0;
  free.DeferredApply = [&](TGLCamera* camera) {
    EXPECT_EQ(camera, &free);
    ++deferred;
  };
  TGLPipelineTransformation third(false);
  free.ApplyView(third);
  EXPECT_EQ(deferred, 1);
  ExpectNear(third.ViewMatrix(), IdentityMatrix, 0, "the deferred event replaces the view");

  delete o.target;
  EXPECT_EQ(o.camera->TargetObject(), nullptr) << "a freed target is cleared";
}

TEST(Camera, OrbitAroundTheTarget) {
  struct Case {
    float pitch, turn;
    TVector4f position;
  };
  const double a = 0.025;
  const Case cases[] = {
      {0, 90, {10, 0, 0, 1}},
      {30, 0, {0, float(-10 * std::sin(M_PI * 2 / 3)), float(10 * std::cos(M_PI * 2 / 3)), 1}},
      {-200, 0, {0, float(-10 * std::sin(a)), float(10 * std::cos(a)), 1}},  // stops short of the pole
      {200, 0, {0, float(-10 * std::sin(3.1165926)), float(10 * std::cos(3.1165926)), 1}},
  };
  for (const Case& c : cases) {
    Orbit o;
    o.camera->OrbitAroundTarget(c.pitch, c.turn);
    ExpectNear(o.camera->Position().Value(), c.position, 1e-4,
               "orbit " + std::to_string(c.pitch) + ", " + std::to_string(c.turn));
  }

  // On the up axis the up vector and the line of sight are one; rounded to singles their dot product
  // is a hair above 1 for (0.6, 0.8, 0): still a finite position at the same distance.
  for (TVector3f up : {TVector3f{0, 0, 1}, TVector3f{0.6f, 0.8f, 0}}) {
    Orbit pole;
    pole.camera->Up().SetDirectionXYZ(up.x, up.y, up.z);
    pole.camera->Position().SetPointXYZ(up.x * 10, up.y * 10, up.z * 10);
    pole.camera->OrbitAroundTarget(10, 10);
    const TVector4f p = pole.camera->Position().Value();
    EXPECT_FALSE(std::isnan(p.x) || std::isnan(p.y) || std::isnan(p.z)) << up.x;
    EXPECT_NEAR(AffineLength(p), 10, 1e-4) << "at the same distance from the target";
  }

  // Under a moved parent the new position is given in the parent's frame.
  Orbit nested;
  auto* holder = nested.scene.Objects()->CreateChild<TGLBaseSceneObject>();
  holder->Position().SetPointXYZ(100, 0, 0);
  holder->AddChild(nested.camera);
  nested.camera->Position().SetPointXYZ(-100, -10, 0);
  nested.camera->OrbitAroundTarget(0, 90);
  ExpectNear(nested.camera->AbsolutePosition(), (TVector4f{10, 0, 0, 1}), 1e-4, "the same place in the world");

  TGLCamera lonely(nullptr);
  lonely.Position().SetPointXYZ(1, 2, 3);
  lonely.OrbitAroundTarget(45, 45);
  ExpectNear(lonely.Position().Value(), (TVector4f{1, 2, 3, 1}), 0, "nothing without a target");
}

TEST(Camera, PanVectorFollowsTheLineOfSight) {
  Orbit o;  // looking along +Y
  ExpectNear(o.camera->PanVectorFromDelta(1, 0, 2), (TVector4f{2, 0, 0, 0}), 1e-6, "a shift right pans along X");
  ExpectNear(o.camera->PanVectorFromDelta(0, 1, 2), (TVector4f{0, 2, 0, 0}), 1e-6, "a shift up pans along the sight");
  o.camera->Position().SetPointXYZ(0, 0, 10);  // straight above: no horizontal sight
  ExpectNear(o.camera->PanVectorFromDelta(1, 1, 3), (TVector4f{0, 0, 0, 0}), 0, "");
}
