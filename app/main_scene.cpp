#include "app/main_scene.h"

#include <cmath>

#include "scene3d/camera.h"
#include "scene3d/direct_opengl.h"
#include "scene3d/light_source.h"
#include "scene3d/stage.h"
#include "scene3d/stage_buffer.h"
#include "scene3d/stage_viewer.h"

namespace app {

namespace {

using scene3d::TVector4f;

constexpr platform::TColor kMedGray = 0xA4A0A0;
// 1 / sqrt(3): the diagonal view's share of the distance on each axis.
constexpr double kIsoShare = 0.577350258827209;

Vec3 Of(const scene3d::TGLCoordinates3& c) { return {c.X(), c.Y(), c.Z()}; }

double Length(const Vec3& v) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }

}  // namespace

MainScene::MainScene(scene3d::TGLStageViewer& viewer)
    : viewer_(viewer), stage_(std::make_unique<scene3d::TGLStage>(nullptr)) {
  stage_->SetName("GLStage1");
  scene3d::TGLBaseSceneObject* root = stage_->Objects();

  target_ = root->CreateChild<scene3d::TGLBaseSceneObject>();
  target_->SetName("GLDummyCube1");

  camera_ = root->CreateChild<scene3d::TGLCamera>();
  camera_->SetName("GLCamera1");
  camera_->SetCameraStyle(scene3d::csOrthogonal);
  camera_->SetDepthOfView(10000);
  // With the viewer's 500 pixels this is its stored field of view, 179.083282 degrees.
  camera_->SetFocalLength(2);
  camera_->SetTargetObject(target_);
  camera_->Position().SetPointXYZ(250, -250, 230);
  camera_->Direction().SetDirectionXYZ(-0.521502f, 0.85325f, 0);
  camera_->Up().SetDirectionXYZ(0, 0, 1);

  origin_ = root->CreateChild<scene3d::TGLBaseSceneObject>();
  origin_->SetName("GLOrigine");
  light_ = origin_->CreateChild<scene3d::TGLLightSource>();
  light_->SetName("GlLuce1");
  light_->SetLightStyle(scene3d::lsOmni);
  light_->Ambient().SetColor({0.6f, 0.6f, 0.6f, 1});
  light_->Diffuse().SetColor({0.5f, 0.5f, 0.5f, 1});
  light_->SetConstAttenuation(1);
  light_->SetSpotCutOff(180);
  light_->Position().SetPointXYZ(0, -100, 60);

  surface_ = root->CreateChild<scene3d::TGLDirectOpenGL>();
  surface_->SetName("GLSuperficie");
  surface_->SetUseBuildList(true);
  surface_->SetBlend(false);

  viewer_.setGeometry(0, 0, 500, 533);
  viewer_.SetCamera(camera_);
  viewer_.Buffer().SetBackgroundColor(kMedGray);
}

MainScene::~MainScene() = default;

void MainScene::SetBackground(platform::TColor color) { viewer_.Buffer().SetBackgroundColor(color); }

void MainScene::RebuildSurface() {
  surface_->StructureChanged();
  if (!viewer_.isVisible()) return;
  outsidePaint_ = true;
  viewer_.RenderFrame();
  outsidePaint_ = false;
}

Vec3 MainScene::CameraPosition() const { return Of(camera_->Position()); }

Vec3 MainScene::TargetPosition() const { return Of(target_->Position()); }

void MainScene::PlaceCamera(const Vec3& p) {
  camera_->Position().SetPointXYZ(float(p[0]), float(p[1]), float(p[2]));
}

void MainScene::SetView(StandardView view) {
  const double r = Length(CameraPosition());
  const Vec3 t = TargetPosition();
  switch (view) {
    case StandardView::Top:
      // A hair off the vertical, so the camera's up axis never lies along its line of sight.
      PlaceCamera({t[0], t[1] - 0.0001 * r, t[2] + r});
      break;
    case StandardView::Front:
      PlaceCamera({t[0], t[1] - r, t[2]});
      break;
    case StandardView::Side:
      PlaceCamera({t[0] + r, t[1], t[2]});
      break;
    case StandardView::Iso: {
      const double k = r * kIsoShare;
      PlaceCamera({t[0] + k, t[1] - k, t[2] + k});
      break;
    }
  }
}

void MainScene::ScaleCamera(float factor) { camera_->SetSceneScale(camera_->SceneScale() * factor); }

void MainScene::FitToStockBox(const machining::StockBox& box) {
  const std::optional<CameraFit> fit = FitCameraToStockBox(box, CameraPosition(), TargetPosition());
  if (!fit) return;
  target_->Position().SetPointXYZ(float(fit->target[0]), float(fit->target[1]), float(fit->target[2]));
  PlaceCamera(fit->camera);
  camera_->SetSceneScale(float(fit->sceneScale));
  camera_->SetDepthOfView(float(fit->depthOfView));
}

void MainScene::Orbit(int dx, int dy) { camera_->OrbitAroundTarget(float(dy), float(dx)); }

void MainScene::Pan(int dx, int dy) {
  const TVector4f v = camera_->PanVectorFromDelta(float(dx), float(-dy), 0.5f / camera_->SceneScale());
  target_->Position().TranslateBy(v);
  camera_->Position().TranslateBy(v);
}

void MainScene::ScaleByDrag(int dy) {
  if (dy > 0) {
    camera_->SetSceneScale(camera_->SceneScale() * 1.1f);
  } else if (dy < 0) {
    float scale = camera_->SceneScale() / 1.1f;
    if (!(scale > 0)) scale = 0.001f;
    camera_->SetSceneScale(scale);
  }
}

}  // namespace app
