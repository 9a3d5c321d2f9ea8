// The main window's 2D view VistaGrafica over the drawing LocalCad and its interaction program
// LocalPrg: what the window asks of them, and their events bound to the window's handlers.
#include <algorithm>
#include <cmath>
#include <vector>

#include "app/cursors.h"
#include "app/main_window.h"
#include "cad/kq2d_tasks.h"
#include "cad/vect_text2d.h"
#include "lang/lang.h"
#include "platform/dialogs.h"
#include "platform/qt_dialogs.h"

namespace app {

namespace {

// The pick aperture of the double click, in pixels.
constexpr int kDblClickAperture = 5;

}  // namespace

void TfrmMain::View2DShowNcEntity(const NcDrawing2D& entity) {
  if (!VistaGrafica_ || VistaGrafica_->width() <= 0 || VistaGrafica_->height() <= 0) return;
  cad::TKQViewport2D& view = *VistaGrafica_;
  platform::Canvas& canvas = view.ScreenCanvas().Canvas();
  platform::CanvasStateSaver saved(canvas);
  canvas.SetPen(platform::Pen{entity.color});
  auto screen = [&view](double x, double y) {
    const cad::TPoint2D p = view.ViewportToScreen(cad::Point2D(x, y));
    return platform::Point{int(std::lround(p.X)), int(std::lround(p.Y))};
  };
  std::vector<platform::Point> points;
  switch (entity.kind) {
    case NcDrawing2D::Line:
      points = {screen(entity.x1, entity.y1), screen(entity.x2, entity.y2)};
      break;
    case NcDrawing2D::Arc: {
      // Counter-clockwise from start to end; equal angles are the whole circle.
      double sweep = entity.endAngle - entity.startAngle;
      while (sweep <= 0) sweep += 2 * M_PI;
      const int steps = std::clamp(int(std::ceil(sweep / (M_PI / 36))), 2, 144);
      for (int i = 0; i <= steps; ++i) {
        const double a = entity.startAngle + sweep * i / steps;
        points.push_back(screen(entity.x1 + entity.radius * std::cos(a), entity.y1 + entity.radius * std::sin(a)));
      }
      break;
    }
    case NcDrawing2D::Point: {
      const platform::Point p = screen(entity.x1, entity.y1);
      canvas.SetPixel(p.X, p.Y, entity.color);
      break;
    }
  }
  if (points.size() >= 2) {
    canvas.Polyline(points.data(), int(points.size()));
    // The canvas leaves out a line's last pixel.
    canvas.SetPixel(points.back().X, points.back().Y, entity.color);
  }
  view.ShowScreen();
}

void TfrmMain::ConnectView2D() {
  cad::TKQViewport2D& view = *VistaGrafica_;
  view.SetCADCmp(&LocalCad_);
  // The window keeps the visible window the view shows (widened to its shape, zoomed, panned).
  view.OnViewMappingChanged = [this](cad::TKQViewport&) {
    const cad::TRect2D w = VistaGrafica_->VisibleWindow();
    view2d_.windowX1 = w.First.X;
    view2d_.windowY1 = w.First.Y;
    view2d_.windowX2 = w.Second.X;
    view2d_.windowY2 = w.Second.Y;
  };
  // The handlers get the pointer as the interaction program snaps it.
  auto mouse = [this](platform::TShiftState shift, int x, int y, bool left) {
    const cad::TPoint2D p = LocalPrg_->GetSnappedPoint();
    return Mouse2D{p.X, p.Y, x, y, left, (shift & platform::ssShift) != 0, (shift & platform::ssCtrl) != 0};
  };
  view.OnMouseMove2D = [this, mouse](cad::TKQViewport2D&, platform::TShiftState shift, int x, int y, double, double) {
    VistaGraficaMouseMove2D(mouse(shift, x, y, (shift & platform::ssLeft) != 0));
  };
  view.OnMouseDown2D = [this, mouse](cad::TKQViewport2D&, platform::TMouseButton button, platform::TShiftState shift,
                                     int x, int y, double, double) {
    VistaGraficaMouseDown2D(mouse(shift, x, y, button == platform::mbLeft));
  };
  view.OnMouseUp2D = [this](cad::TKQViewport2D&, platform::TMouseButton, platform::TShiftState, int, int, double,
                            double) { VistaGraficaMouseUp2D(); };
  view.OnMouseEnter = [this](cad::TKQViewport&) { VistaGraficaMouseEnter(); };
  view.OnMouseLeave = [this](cad::TKQViewport&) { VistaGraficaMouseLeave(); };
  view.OnDblClick = [this](cad::TKQViewport&) { VistaGraficaDblClick(); };
  // The wheel zooms the 2D view as it zooms the 3D one: forward in, back out.
  view.OnMouseWheel = [this](cad::TKQViewport2D&, platform::TShiftState, int delta, int, int, bool& handled) {
    if (delta > 0) View2DZoomIn();
    if (delta < 0) View2DZoomOut();
    handled = delta != 0;
  };

  LocalPrg_ = std::make_unique<cad::TKQPrg2D>();
  LocalPrg_->SetViewport2D(&view);
  // The program's events come from inside its operations: an error is shown there and the operation
  // goes on to its end.
  LocalPrg_->OnStartOperation = [this](cad::TCADPrg&, const cad::TCADStateClass*, cad::TCADPrgParam*) {
    platform::RunGuarded([this] { LocalPrgStartOperation(); });
  };
  LocalPrg_->OnEndOperation = [this](cad::TCADPrg&, const cad::TCADStateClass*, cad::TCADPrgParam*) {
    platform::RunGuarded([this] { LocalPrgEndOperation(); });
  };
  LocalPrg_->OnStopOperation = [this](cad::TCADPrg&, const cad::TCADStateClass*, cad::TCADPrgParam*) {
    platform::RunGuarded([this] { LocalPrgStopOperation(); });
  };
  LocalPrg_->OnDescriptionChanged = [this](cad::TCADState& state) {
    platform::RunGuarded([&] { LocalPrgDescriptionChanged(state.Description()); });
  };
}

void TfrmMain::DisconnectView2D() {
  // The program first: it gives the view its own message handling back, and no event fires.
  LocalPrg_.reset();
  cad::TKQViewport2D& view = *VistaGrafica_;
  view.OnViewMappingChanged = nullptr;
  view.OnMouseMove2D = nullptr;
  view.OnMouseDown2D = view.OnMouseUp2D = nullptr;
  view.OnMouseEnter = view.OnMouseLeave = view.OnDblClick = nullptr;
  view.OnMouseWheel = nullptr;
}

// --- the view ---

void TfrmMain::View2DApply() {
  cad::TKQViewport2D& view = *VistaGrafica_;
  const View2DState state = view2d_;
  // One repaint for all of it.
  view.BeginUpdate();
  try {
    view.SetUsePaintingThread(state.usePaintingThread);
    view.SetAspectRatio(state.aspectRatio);
    view.SetBackGroundColor(state.background);
    view.SetGridColor(state.gridColor);
    view.SetShowGrid(state.showGrid);
    view.SetShowAssi(state.showAxes);
    view.SetGridDeltaX(state.gridDeltaX);
    view.SetGridDeltaY(state.gridDeltaY);
    view.SetGridSubX(state.gridSubX);
    view.SetGridSubY(state.gridSubY);
    view.SetIsMM(state.isMM);
    view.ShowWindowRect(cad::Rect2D(state.windowX1, state.windowY1, state.windowX2, state.windowY2));
  } catch (...) {
    view.EndUpdate();
    throw;
  }
  view.EndUpdate();
}

void TfrmMain::View2DZoomExtent() { VistaGrafica_->ZoomToExtension(); }

void TfrmMain::View2DZoomIn() { VistaGrafica_->ZoomIn(); }

void TfrmMain::View2DZoomOut() { VistaGrafica_->ZoomOut(); }

std::pair<double, double> TfrmMain::View2DScreenToDrawing(int pixelX, int pixelY) const {
  const cad::TPoint2D p = cad::CartesianPoint2D(VistaGrafica_->ScreenToViewport(cad::Point2D(pixelX, pixelY)));
  return {p.X, p.Y};
}

void TfrmMain::View2DSetCursor(int slot) {
  if (slot == kCursorDefault) VistaGrafica_->unsetCursor();
  else VistaGrafica_->setCursor(ScreenCursors().Get(slot));
}

void TfrmMain::View2DRepaint() { VistaGrafica_->Repaint(); }

void TfrmMain::VistaGraficaDblClick() {
  int code = 0;
  auto* text = dynamic_cast<cad::TJustifiedVectText2D*>(
      VistaGrafica_->HitTestObject(LocalPrg_->GetSnappedPoint(), kDblClickAperture, code));
  if (!text) return;
  const std::string edited = platform::CurrentDialogs().InputBox(lang::LangStringOr("1024", "Edit Text"),
                                                                  lang::LangStringOr("1025", "String"), text->Text());
  if (edited == text->Text()) return;
  text->SetText(edited);
  View2DRepaint();
}

// --- the interaction program ---

void TfrmMain::Prg2DApply() {
  LocalPrg_->SetShowCursorCross(prg2d_.showCursorCross);
  LocalPrg_->UseSnap = prg2d_.snapToGrid;
  LocalPrg_->XSnap = prg2d_.snapX;
  LocalPrg_->YSnap = prg2d_.snapY;
  LocalPrg_->ObjectSnapKind = prg2d_.objectSnapKind;
}

void TfrmMain::Prg2DSendUserCode(int code) { LocalPrg_->PostUserCode(code); }

void TfrmMain::Prg2DStopOperation() { LocalPrg_->StopOperation(); }

void TfrmMain::Prg2DStartPointPick() {
  cad::StartDrawSizedPrimitive(*LocalPrg_, std::make_unique<cad::TPunto2D>(kZNoCutPointId, cad::Point2D(0, 0)));
}

void TfrmMain::Prg2DStartCropRectangle() {
  cad::StartCropRectangle(
      *LocalPrg_,
      [this](const cad::TPoint2D& first, const cad::TPoint2D& second) {
        // A new first corner took the finished rectangle away: the crop waits for its second corner.
        if (cropAreaReady_ && !LocalPrg_->CropAreaReady) SetCropAreaReady(false);
        InfoCut(first.X, first.Y, second.X, second.Y);
      },
      [this] { SetCropAreaReady(true); });
}

void TfrmMain::Prg2DNestZoomArea() { cad::StartZoomWindow(*LocalPrg_); }

void TfrmMain::Prg2DNestPan() { cad::StartRealTimePan(*LocalPrg_); }

bool TfrmMain::Prg2DOperationRunning() const { return LocalPrg_->IsBusy(); }

bool TfrmMain::Prg2DBusy() const {
  const cad::TCADStateClass* operation = LocalPrg_->CurrentOperation();
  return LocalPrg_->IsNested() || operation == cad::StateClassOf<cad::TCADPrgZoomArea>() ||
         operation == cad::StateClassOf<cad::TCADPrgRealTimePan>();
}

}  // namespace app
