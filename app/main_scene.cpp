#include "app/main_scene.h"

#include <cmath>

#include "app/toolpath_lines.h"
#include "lang/lang.h"
#include "platform/memory.h"
#include "platform/text_encoding.h"
#include "scene3d/camera.h"
#include "scene3d/cube.h"
#include "scene3d/cylinder.h"
#include "scene3d/direct_opengl.h"
#include "scene3d/dummy_cube.h"
#include "scene3d/hud_objects.h"
#include "scene3d/light_source.h"
#include "scene3d/lines.h"
#include "scene3d/material.h"
#include "scene3d/revolution_solid.h"
#include "scene3d/sphere.h"
#include "scene3d/stage.h"
#include "scene3d/stage_buffer.h"
#include "scene3d/stage_viewer.h"
#include "scene3d/windows_font.h"

namespace app {

namespace {

using scene3d::TVector4f;

constexpr platform::TColor kMedGray = 0xA4A0A0;
// 1 / sqrt(3): the diagonal view's share of the distance on each axis.
constexpr double kIsoShare = 0.577350258827209;

constexpr TVector4f kRapid{1, 1, 0, 1};  // yellow
constexpr TVector4f kFeed{0, 1, 1, 1};   // cyan
constexpr TVector4f kBoxEdges{1, 0.5f, 0, 1};
constexpr TVector4f kToolBody{0.72f, 0.74f, 0.78f, 1};

// The axes' parts in the hub's frame (the hub is scaled to a quarter of the picture's width): shafts of
// length 1 standing on the hub's centre, arrow heads on their ends.
constexpr float kHubRadius = 0.06f;
constexpr float kShaftRadius = 0.02f;
constexpr float kShaftLength = 1.0f;
constexpr float kHeadRadius = 0.06f;
constexpr float kHeadLength = 0.2f;
constexpr int kShininess = 112;
// The time estimate's top, above the view's bottom.
constexpr int kTextAboveBottom = 40;

Vec3 Of(const scene3d::TGLCoordinates3& c) { return {c.X(), c.Y(), c.Z()}; }

double Length(const Vec3& v) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }

}  // namespace

std::string ContextMemoryRefusal(uint64_t limit, uint64_t used) {
  if (!limit || (limit > used && limit - used >= kContextAddressSpace)) return {};
  constexpr uint64_t kMiB = uint64_t(1) << 20;
  const uint64_t left = limit > used ? limit - used : 0;
  return lang::LangFormatOr("1785",
                            "The 3D view stays empty: only %1 MB of address space are left to the program, and the 3D "
                            "view needs %2 MB. Raise the address-space limit (ulimit -v) and start the program again.",
                            {std::to_string(left / kMiB), std::to_string(kContextAddressSpace / kMiB)});
}

MainScene::MainScene(scene3d::TGLStageViewer& viewer)
    : viewer_(viewer), stage_(std::make_unique<scene3d::TGLStage>(nullptr)) {
  // Checked before the context is made: the driver ends the program where it runs out of memory.
  viewer_.CheckBeforeContext = [] {
    return ContextMemoryRefusal(platform::AddressSpaceLimitBytes(), platform::AddressSpaceUsedBytes());
  };
  stage_->SetName("GLStage1");
  scene3d::TGLBaseSceneObject* root = stage_->Objects();

  target_ = root->CreateChild<scene3d::TGLDummyCube>();
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

  origin_ = root->CreateChild<scene3d::TGLSphere>();
  origin_->SetName("GLOrigine");
  origin_->Material().FrontProperties().Ambient().SetColor({1, 0.2f, 0.2f, 1});
  origin_->Material().FrontProperties().Diffuse().SetColor({0.8f, 0.2f, 0.2f, 0.5f});
  origin_->Material().FrontProperties().SetShininess(kShininess);
  origin_->Material().SetBlendingMode(scene3d::bmTransparency);
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
  // Drawn from its mesh at every frame: compiling a million quads into a list took longer than making them.
  surface_->SetUseBuildList(false);
  surface_->SetBlend(false);

  // Rolled, so that its CubeHeight runs along X.
  stockBox_ = root->CreateChild<scene3d::TGLCube>();
  stockBox_->SetName("GLEstensioneCnc");
  stockBox_->SetRollAngle(90);
  // Edges in their own colour whatever the light: emission only.
  for (scene3d::TGLFaceProperties* face : {&stockBox_->Material().FrontProperties(), &stockBox_->Material().BackProperties()}) {
    face->Emission().SetColor(kBoxEdges);
    face->Ambient().SetColor(scene3d::clrBlack);
    face->Diffuse().SetColor(scene3d::clrBlack);
  }
  stockBox_->Material().SetPolygonMode(scene3d::pmLines);
  stockBox_->Material().SetFaceCulling(scene3d::fcNoCull);
  stockBox_->SetVisible(false);

  BuildAxes();

  // The profile lies in the solid's XY plane and turns about its Y axis, which stands along Z.
  tool_ = root->CreateChild<scene3d::TGLRevolutionSolid>();
  tool_->SetName("GLUtensile");
  tool_->Up().SetDirectionXYZ(0, 0, 1);
  tool_->Material().FrontProperties().Diffuse().SetColor(kToolBody);
  tool_->Material().FrontProperties().Ambient().SetColor({0.3f, 0.3f, 0.32f, 1});
  tool_->Material().SetFaceCulling(scene3d::fcNoCull);
  // The profile runs from the tip up the side and back to the axis: its outside is that way round.
  tool_->SetNormalDirection(scene3d::ndInside);
  tool_->SetVisible(false);

  toolpath_ = root->CreateChild<ToolpathLines>();
  toolpath_->SetName("GLCncMov");
  toolpath_->SetNodesAspect(scene3d::lnaInvisible);
  toolpath_->SetOptions(scene3d::loUseNodeColorForLines);
  // The arcs' nodes take the node colour: they are feed moves.
  toolpath_->NodeColor().SetColor(kFeed);

  // "MS Sans Serif" is no font here; DejaVu Sans stands in for it.
  font_ = new scene3d::TGLWindowsBitmapFont(stage_.get());
  font_->SetName("GLWindowsBitmapFont1");
  platform::Font face = font_->Font();
  face.Name = "DejaVu Sans";
  face.Height = -16;
  face.Color = platform::clWhite;
  font_->SetFont(face);
  text_ = root->CreateChild<scene3d::TGLHUDText>();
  text_->SetName("GLText");
  text_->SetBitmapFont(font_);
  text_->SetText("Prova");
  text_->Position().SetPointXYZ(20, 500, 0);
  text_->ModulateColor().SetColor({1, 1, 0, 1});
  text_->SetVisible(false);

  viewer_.setGeometry(0, 0, 500, 533);
  viewer_.SetCamera(camera_);
  viewer_.Buffer().SetBackgroundColor(kMedGray);
}

MainScene::~MainScene() = default;

ToolpathLines& MainScene::Toolpath() const { return *toolpath_; }

void MainScene::BuildAxes() {
  axes_ = stage_->Objects()->CreateChild<scene3d::TGLSphere>();
  axes_->SetName("GLAssi");
  axes_->SetRadius(kHubRadius);
  axes_->Material().FrontProperties().Emission().SetColor({0.8f, 0.8f, 0.8f, 1});
  axes_->Material().FrontProperties().SetShininess(kShininess);
  struct Axis {
    const char* shaft;
    const char* head;
    Vec3 along;  // the world axis the cylinder's Y axis is turned to
    TVector4f color;
  };
  const Axis axes[] = {{"GLAsseX", "GLPuntaX", {1, 0, 0}, {1, 0, 0, 1}},
                       {"GLAsseY", "GLPuntaY", {0, 1, 0}, {0, 1, 0, 1}},
                       {"GLAsseZ", "GLPuntaZ", {0, 0, 1}, {0, 0, 1, 1}}};
  for (const Axis& a : axes) {
    const float x = float(a.along[0]), y = float(a.along[1]), z = float(a.along[2]);
    auto place = [&](scene3d::TGLCylinder* c, const char* name, float start, float bottom, float top, float length) {
      c->SetName(name);
      c->SetAlignment(scene3d::caBottom);
      c->SetBottomRadius(bottom);
      c->SetTopRadius(top);
      c->SetHeight(length);
      // The object turns its direction square to the new up axis; the cylinder is round about it.
      c->Up().SetDirectionXYZ(x, y, z);
      c->Position().SetPointXYZ(x * start, y * start, z * start);
      c->Material().FrontProperties().Emission().SetColor(a.color);
      c->Material().FrontProperties().SetShininess(kShininess);
    };
    place(axes_->CreateChild<scene3d::TGLCylinder>(), a.shaft, 0, kShaftRadius, kShaftRadius, kShaftLength);
    auto* head = axes_->CreateChild<scene3d::TGLCylinder>();
    place(head, a.head, kShaftLength, kHeadRadius, 0, kHeadLength);
    head->SetParts(scene3d::cySides | scene3d::cyBottom);
  }
  // The Y shaft shows its colour from behind as well.
  auto* y = static_cast<scene3d::TGLCylinder*>(axes_->Children(2));
  scene3d::TGLFaceProperties& back = y->Material().BackProperties();
  back.Ambient().SetColor({0, 0.3f, 0, 1});
  back.Emission().SetColor({0, 1, 0, 1});
  back.Specular().SetColor({1, 1, 1, 1});
}

void MainScene::SetBackground(platform::TColor color) { viewer_.Buffer().SetBackgroundColor(color); }

void MainScene::RebuildSurface() {
  surfaceDrawing_.Invalidate();
  surface_->StructureChanged();
  if (!viewer_.isVisible()) return;
  outsidePaint_ = true;
  viewer_.RenderFrame();
  outsidePaint_ = false;
}

void MainScene::HoldFrames(bool hold) {
  if (hold) stage_->BeginUpdate();
  else stage_->EndUpdate();
}

void MainScene::PlaceStockBox(const machining::StockBox& box) {
  stockBox_->SetCubeHeight(box.cubeHeight);
  stockBox_->SetCubeWidth(box.cubeWidth);
  stockBox_->SetCubeDepth(box.cubeDepth);
  stockBox_->Position().SetPointXYZ(box.positionX, box.positionY, box.positionZ);
  axes_->Scale().SetDirectionXYZ(box.axisScale, box.axisScale, box.axisScale);
}

machining::StockBox MainScene::StockBox() const {
  machining::StockBox box;
  box.cubeHeight = stockBox_->CubeHeight();
  box.cubeWidth = stockBox_->CubeWidth();
  box.cubeDepth = stockBox_->CubeDepth();
  box.positionX = stockBox_->Position().X();
  box.positionY = stockBox_->Position().Y();
  box.positionZ = stockBox_->Position().Z();
  box.axisScale = axes_->Scale().X();
  return box;
}

void MainScene::ShowStockBox(bool on) { stockBox_->SetVisible(on); }

bool MainScene::StockBoxShown() const { return stockBox_->Visible(); }

void MainScene::ToggleAxes() { axes_->SetVisible(!axes_->Visible()); }

bool MainScene::AxesShown() const { return axes_->Visible(); }

void MainScene::MoveTool(float x, float y, float z) { tool_->Position().SetPointXYZ(x, y, z); }

Vec3 MainScene::ToolPosition() const { return Of(tool_->Position()); }

void MainScene::ShowTool(bool on) { tool_->SetVisible(on); }

bool MainScene::ToolShown() const { return tool_->Visible(); }

void MainScene::SetToolProfile(const std::vector<machining::ProfilePoint>& profile) {
  scene3d::TGLNodes& nodes = tool_->Nodes();
  nodes.BeginUpdate();
  try {
    nodes.Clear();
    for (const machining::ProfilePoint& p : profile) nodes.AddNode(p.x, p.y, 0);
  } catch (...) {
    nodes.EndUpdate();
    throw;
  }
  nodes.EndUpdate();
}

std::vector<machining::ProfilePoint> MainScene::ToolProfile() const {
  std::vector<machining::ProfilePoint> profile;
  const scene3d::TGLNodes& nodes = tool_->Nodes();
  for (int i = 0; i < nodes.Count(); ++i) profile.push_back({nodes.Items(i)->X(), nodes.Items(i)->Y()});
  return profile;
}

void MainScene::ClearToolpath() { toolpath_->ClearNodes(); }

void MainScene::AddToolpathNode(bool rapid, float x, float y, float z) {
  toolpath_->AppendNode(x, y, z, rapid ? kRapid : kFeed);
}

void MainScene::AddToolpathArc(float cx, float cy, float z, float radius, float startAngle, float stopAngle,
                               int count) {
  toolpath_->AppendArc(cx, cy, z, radius, startAngle, stopAngle, count);
}

void MainScene::ShowText(const std::string& text) {
  if (!text.empty()) text_->SetText(platform::Utf8ToWindows1252(text));
  MoveText();
  text_->SetVisible(!text.empty());
}

void MainScene::MoveText() { text_->Position().SetY(float(viewer_.height() - kTextAboveBottom)); }

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
