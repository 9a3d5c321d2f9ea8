// The main window's 3D preview: the relief surface's drawing, the surface modes, the view buttons, the
// show menu, the mouse in the 3D viewer, and the places where the window drives the 3D scene.
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QProgressBar>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <new>
#include <string>

#include "app/main_scene.h"
#include "app/main_window.h"
#include "app/page_control.h"
#include "app/toolpath_lines.h"
#include "lang/lang.h"
#include "platform/dialogs.h"
#include "platform/numbers.h"
#include "platform/qt_dialogs.h"
#include "scene3d/direct_opengl.h"
#include "scene3d/lines.h"
#include "scene3d/render_context_info.h"
#include "scene3d/stage_viewer.h"

namespace app {

namespace {

// The progress bar and the hourglass while the surface's quads are made. The bar is painted at once
// only outside the viewer's paint, where painting another widget is allowed.
class WindowSurfaceProgress : public SurfaceProgress {
 public:
  WindowSurfaceProgress(QProgressBar& bar, bool paintNow) : bar_(bar), paintNow_(paintNow) {}
  void Start() override {
    bar_.setValue(0);
    bar_.show();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    Paint();
  }
  void Advance(int by) override {
    bar_.setValue(std::min(bar_.value() + by, bar_.maximum()));
    Paint();
  }
  void Finish() override {
    bar_.hide();
    QApplication::restoreOverrideCursor();
  }

 private:
  void Paint() {
    if (paintNow_) bar_.repaint();
  }
  QProgressBar& bar_;
  bool paintNow_;
};

Mouse3D MouseOf(const QMouseEvent& event) {
  Mouse3D mouse;
  const QPoint p = event.position().toPoint();
  mouse.x = p.x();
  mouse.y = p.y();
  mouse.left = event.buttons().testFlag(Qt::LeftButton);
  mouse.shift = event.modifiers().testFlag(Qt::ShiftModifier);
  mouse.ctrl = event.modifiers().testFlag(Qt::ControlModifier);
  return mouse;
}

}  // namespace

// --- the relief surface ---

ReliefSurface TfrmMain::SurfaceToDraw() const {
  ReliefSurface surface;
  surface.model = &job_.relief;
  if (job_.workBitmap) {
    surface.pixelWidth = job_.workBitmap->Width();
    surface.pixelHeight = job_.workBitmap->Height();
  }
  if (Get<QAction>("mnuSPWire")->isChecked()) surface.mode = SurfaceMode::Wire;
  else if (Get<QAction>("mnuSPNone")->isChecked()) surface.mode = SurfaceMode::None;
  else surface.mode = SurfaceMode::Shade;
  if (Get<QRadioButton>("rbtShResCoarse")->isChecked()) surface.resolution = SurfaceResolution::Coarse;
  else if (Get<QRadioButton>("rbtShResMedium")->isChecked()) surface.resolution = SurfaceResolution::Medium;
  else surface.resolution = SurfaceResolution::Fine;
  surface.zNoCut = job_.zNoCutOn;
  surface.zNoCutHeight = job_.zNoCutHeight;
  surface.zNoCutTolerance = job_.zNoCutTolerance;
  surface.memoryBudget = surfaceMemoryBudget_;
  return surface;
}

void TfrmMain::GLSuperficieRender(scene3d::RenderContextInfo& rci) {
  WindowSurfaceProgress progress(*ProgressBar1_, scene_->RenderingOutsidePaint());
  ReliefSurfaceDrawing& drawing = scene_->SurfaceDrawing();
  drawing.Draw(SurfaceToDraw(), *rci.GLStates, progress);
  // Told once the frame is done: a message box must not run inside the frame, nor the status line
  // paint inside the viewer's paint.
  if (std::optional<SurfaceBuildReport> report = drawing.TakeBuildReport())
    QTimer::singleShot(0, this, [this, report = *report] { platform::RunGuarded([&] { ReportSurfaceBuild(report); }); });
}

void TfrmMain::ReportSurfaceBuild(const SurfaceBuildReport& report) {
  using Outcome = SurfaceBuildReport::Outcome;
  if (report.outcome == Outcome::Built && report.steps.reduced) {
    // Short enough for the status line of the window at its first size.
    surfaceNote_ = lang::LangFormatOr("1501", "3D surface drawn every %1 pixels to fit in memory.",
                                      {std::to_string(report.steps.step)});
    Messaggio(surfaceNote_);
    return;
  }
  // A note of an earlier, coarser surface no longer holds.
  if (!surfaceNote_.empty() && StatusText() == surfaceNote_) {
    if (PageControl1_->isVisible()) ShowPageStatus(ActivePage());
    else Messaggio("");
  }
  surfaceNote_.clear();
  if (report.outcome == Outcome::Built) return;
  const std::string text =
      report.outcome == Outcome::OutOfMemory
          ? lang::LangStringOr("1502",
                               "There is not enough memory to draw the 3D surface. Choose a coarser resolution on the "
                               "depth page.")
          : lang::LangFormatOr("1503", "The 3D surface could not be drawn: %1", {report.error});
  platform::CurrentDialogs().Message(text, "", platform::MessageKind::Error, platform::Buttons::Ok);
}

void TfrmMain::sbtColorClick() {
  // Nothing uses the choice, and nothing the dialog raises reaches the user.
  try {
    platform::TColor colour = platform::clBlack;
    platform::CurrentDialogs().ColorDialog(lang::LangStringOr("1500", "Colour"), colour);
  } catch (...) {
  }
}

void TfrmMain::CheckSurfaceMode(const char* entry) {
  for (const char* name : {"mnuSPShade", "mnuSPWire", "mnuSPNone"}) Get<QAction>(name)->setChecked(std::string(name) == entry);
  Scene3DRebuildSurface();
}

void TfrmMain::mnuSPShadeClick() { CheckSurfaceMode("mnuSPShade"); }

void TfrmMain::mnuSPWireClick() { CheckSurfaceMode("mnuSPWire"); }

void TfrmMain::mnuSPNoneClick() { CheckSurfaceMode("mnuSPNone"); }

// --- view buttons and the show menu ---

void TfrmMain::sbtTopViewClick() { scene_->SetView(StandardView::Top); }

void TfrmMain::sbtFrontViewClick() { scene_->SetView(StandardView::Front); }

void TfrmMain::sbtSideViewClick() { scene_->SetView(StandardView::Side); }

void TfrmMain::sbtIsoViewClick() { scene_->SetView(StandardView::Iso); }

void TfrmMain::mnuShowToolClick() { Scene3DShowTool(Get<QAction>("mnuShowTool")->isChecked()); }

void TfrmMain::mnuShowXYZClick() { scene_->ToggleAxes(); }

// --- the mouse in the 3D viewer ---

void TfrmMain::GLViewPortMouseDown(const Mouse3D& mouse) {
  last3dX_ = mouse.x;
  last3dY_ = mouse.y;
  if (job_.timeShown) {
    Scene3DShowText("");
    job_.timeShown = false;
  }
}

void TfrmMain::GLViewPortMouseMove(const Mouse3D& mouse) {
  const int dx = last3dX_ - mouse.x, dy = last3dY_ - mouse.y;
  last3dX_ = mouse.x;
  last3dY_ = mouse.y;
  if (!mouse.left) return;
  if (mouse.shift || panMode_) scene_->Pan(dx, dy);
  else if (mouse.ctrl) scene_->ScaleByDrag(dy);
  else scene_->Orbit(dx, dy);
}

// --- the 3D scene ---

void TfrmMain::Scene3DSetBackground(platform::TColor color) { scene_->SetBackground(color); }

void TfrmMain::Scene3DPlaceStockBox(const machining::StockBox& box) { scene_->PlaceStockBox(box); }

void TfrmMain::Scene3DShowStockBox(bool on) { scene_->ShowStockBox(on); }

void TfrmMain::Scene3DRebuildSurface() {
  // The "Z no cut" tolerance the surface leaves out is the one Calculate takes.
  if (auto tolerance = platform::ParseSingleField(txtFiltroZNC_->text().toStdString()))
    job_.zNoCutTolerance = *tolerance;
  scene_->RebuildSurface();
}

void TfrmMain::Scene3DAutozoom() { scene_->FitToStockBox(stockBox_); }

void TfrmMain::Scene3DScaleCamera(float factor) { scene_->ScaleCamera(factor); }

void TfrmMain::Scene3DMoveTool(float x, float y, float z) { scene_->MoveTool(x, y, z); }

void TfrmMain::Scene3DShowTool(bool on) { scene_->ShowTool(on); }

void TfrmMain::Scene3DClearToolpath() { scene_->ClearToolpath(); }

void TfrmMain::Scene3DHoldFrames(bool hold) { scene_->HoldFrames(hold); }

void TfrmMain::Scene3DAddToolpathNode(bool rapid, float x, float y, float z) { scene_->AddToolpathNode(rapid, x, y, z); }

void TfrmMain::Scene3DAddToolpathArc(float cx, float cy, float z, float radius, float startAngle, float stopAngle,
                                     int count) {
  scene_->AddToolpathArc(cx, cy, z, radius, startAngle, stopAngle, count);
}

void TfrmMain::Scene3DSetToolProfile(const std::vector<machining::ProfilePoint>& profile) {
  scene_->SetToolProfile(profile);
}

void TfrmMain::Scene3DShowText(const std::string& text) {
  scene_->ShowText(text);
}

std::vector<ToolpathNode> TfrmMain::ToolpathNodes() const {
  const ToolpathLines& lines = scene_->Toolpath();
  std::vector<ToolpathNode> path;
  path.reserve(size_t(lines.NodeCount()));
  for (int i = 0; i < lines.NodeCount(); ++i) {
    const ToolpathPoint& node = lines.NodeAt(i);
    // Yellow (1, 1, 0) is a rapid move, cyan (0, 1, 1) a feed move.
    path.push_back({lines.NodeColorAt(i).z == 0, node.x, node.y, node.z});
  }
  return path;
}

std::vector<machining::ProfilePoint> TfrmMain::ToolProfile() const { return scene_->ToolProfile(); }

// --- events ---

void TfrmMain::ConnectPreviewHandlers() {
  auto guarded = [this](void (TfrmMain::*handler)()) {
    return [this, handler] { platform::RunGuarded([this, handler] { (this->*handler)(); }); };
  };
  const std::pair<const char*, void (TfrmMain::*)()> buttons[] = {{"sbtTopView", &TfrmMain::sbtTopViewClick},
                                                                  {"sbtFrontView", &TfrmMain::sbtFrontViewClick},
                                                                  {"sbtSideView", &TfrmMain::sbtSideViewClick},
                                                                  {"sbtIsoView", &TfrmMain::sbtIsoViewClick},
                                                                  {"sbtColor", &TfrmMain::sbtColorClick}};
  for (const auto& [name, handler] : buttons)
    connect(Get<QToolButton>(name), &QToolButton::clicked, this, guarded(handler));
  const std::pair<const char*, void (TfrmMain::*)()> entries[] = {{"mnuShowTool", &TfrmMain::mnuShowToolClick},
                                                                  {"mnuShowXYZ", &TfrmMain::mnuShowXYZClick},
                                                                  {"mnuSPShade", &TfrmMain::mnuSPShadeClick},
                                                                  {"mnuSPWire", &TfrmMain::mnuSPWireClick},
                                                                  {"mnuSPNone", &TfrmMain::mnuSPNoneClick}};
  for (const auto& [name, handler] : entries) connect(Get<QAction>(name), &QAction::triggered, this, guarded(handler));

  scene_->Surface().OnRender = [this](scene3d::TObject*, scene3d::RenderContextInfo& rci) { GLSuperficieRender(rci); };
  // The viewer runs its handlers guarded.
  GLViewPort_->OnMouseDown = [this](QMouseEvent* event) { GLViewPortMouseDown(MouseOf(*event)); };
  GLViewPort_->OnMouseMove = [this](QMouseEvent* event) { GLViewPortMouseMove(MouseOf(*event)); };
  GLViewPort_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(GLViewPort_, &QWidget::customContextMenuRequested, this,
          [this] { platform::RunGuarded([this] { Get<QMenu>("PopupDestro")->popup(QCursor::pos()); }); });
}

}  // namespace app
