#include "app/view2d_tasks.h"

#include <cmath>

#include "cad/cad_exceptions.h"
#include "cad/curves2d.h"
#include "cad/drawing.h"
#include "cad/kq_prg2d.h"

namespace app {

namespace {

using cad::TCADPrgEvent;
using cad::TCADPrgMouseButton;
using cad::TCADStateClass;
using cad::TPoint2D;

cad::TKQPrg2D& Prg2D(cad::TCADPrg& prg) {
  auto* prg2d = dynamic_cast<cad::TKQPrg2D*>(&prg);
  if (!prg2d || !prg2d->Viewport2D()) throw cad::EKQSysException("The 2D view's tasks need a 2D interaction program");
  return *prg2d;
}

bool IsUserCode(TCADPrgEvent kind, int key, int code) { return kind == cad::cadUserDefined && key == code; }

bool IsLeft(TCADPrgEvent kind, TCADPrgEvent wanted, TCADPrgMouseButton button) {
  return kind == wanted && button == cad::cmbLeft;
}

// A rectangle in the rubber-band pen. It knows whether it stands on the screen: a copy of the view's
// buffer wipes it, and drawing it then would show it, not erase it.
class RubberFrame {
 public:
  void Show(cad::TKQViewport2D& view, const TPoint2D& a, const TPoint2D& b) {
    Hide(view);
    frame_.Points().SetPoint(0, a);
    frame_.Points().SetPoint(1, b);
    Draw(view);
  }
  void Hide(cad::TKQViewport2D& view) {
    if (OnScreen(view)) view.DrawRubberObject(frame_, false);
    onScreen_ = false;
  }
  // After a repaint: back on the screen where it was.
  void Restore(cad::TKQViewport2D& view) {
    if (!OnScreen(view)) Draw(view);
  }

 private:
  bool OnScreen(const cad::TKQViewport2D& view) const { return onScreen_ && view.ScreenCopies() == copies_; }
  void Draw(cad::TKQViewport2D& view) {
    view.DrawRubberObject(frame_, false);
    onScreen_ = true;
    copies_ = view.ScreenCopies();
  }

  cad::TFrame2D frame_{-1, cad::Point2D(0, 0), cad::Point2D(0, 0)};
  bool onScreen_ = false;
  uint64_t copies_ = 0;
};

// Zoom window: the first click places a corner, the frame follows the pointer, the second click shows
// the framed window (unless both clicks fell on one point). Nothing can be nested into it.
class ZoomAreaState : public cad::TCADState {
 public:
  ZoomAreaState(cad::TCADPrg& prg, cad::TCADPrgParam* param, const TCADStateClass*& next)
      : TCADState(prg, param, next) {
    CanBeSuspended = false;
  }
  bool OnEvent(TCADPrgEvent kind, TCADPrgMouseButton button, int key, platform::TShiftState,
               const TCADStateClass*& next) override {
    cad::TKQPrg2D& prg = Prg2D(CADPrg());
    cad::TKQViewport2D& view = *prg.Viewport2D();
    const TPoint2D p = prg.GetCurrentViewportPoint();
    if (IsUserCode(kind, key, cad::CADPRG_CANCEL)) {
      frame_.Hide(view);
      next = prg.IdleClass();
      return true;
    }
    if (IsLeft(kind, cad::cadMouseDown, button)) {
      if (!placing_) {
        placing_ = true;
        first_ = p;
        frame_.Show(view, p, p);
        return false;
      }
      placing_ = false;
      frame_.Hide(view);
      if (!cad::IsSamePoint2D(first_, p)) view.ShowWindowRect(cad::Rect2D(first_.X, first_.Y, p.X, p.Y));
      next = prg.IdleClass();
      return true;
    }
    if (placing_ && kind == cad::cadMouseMove) frame_.Show(view, first_, p);
    if (placing_ && kind == cad::cadViewportPainted) frame_.Restore(view);
    return false;
  }

 private:
  bool placing_ = false;
  TPoint2D first_;
  RubberFrame frame_;
};

// Real-time pan: the drawing follows the pointer while the left button is held. Enter keeps the new
// window, Esc gives the one from the start back.
class RealTimePanState : public cad::TCADState {
 public:
  RealTimePanState(cad::TCADPrg& prg, cad::TCADPrgParam* param, const TCADStateClass*& next)
      : TCADState(prg, param, next) {
    CanBeSuspended = false;
    cad::TKQPrg2D& prg2d = Prg2D(prg);
    prg2d.ObjectSnapActive = true;
    kept_ = prg2d.Viewport2D()->VisibleWindow();
  }
  bool OnEvent(TCADPrgEvent kind, TCADPrgMouseButton button, int key, platform::TShiftState,
               const TCADStateClass*& next) override {
    cad::TKQPrg2D& prg = Prg2D(CADPrg());
    cad::TKQViewport2D& view = *prg.Viewport2D();
    if (IsUserCode(kind, key, cad::CADPRG_CANCEL)) {
      next = prg.IdleClass();
      view.ShowWindowRect(kept_);
      return true;
    }
    if (IsUserCode(kind, key, cad::CADPRG_ACCEPT)) {
      next = Param && Param->AfterState ? Param->AfterState : prg.IdleClass();
      prg.RepaintAfterOperation();
      return true;
    }
    if (IsLeft(kind, cad::cadMouseDown, button)) {
      dragging_ = true;
      last_ = prg.GetCurrentViewportPoint();
    } else if (dragging_ && kind == cad::cadMouseMove) {
      view.StopRepaint();
      const TPoint2D current = prg.GetCurrentViewportPoint();
      const cad::TRect2D w = view.VisibleWindow();
      const double moved = std::hypot(current.X - last_.X, current.Y - last_.Y);
      const double diagonal = std::hypot(w.Second.X - w.First.X, w.Second.Y - w.First.Y);
      if (moved >= diagonal * 1e-4 && moved <= 2 * diagonal) {
        // The point under the pointer before the shift is where the next step starts from.
        const TPoint2D screen = view.ViewportToScreen(current);
        view.ShiftWindow(last_.X - current.X, last_.Y - current.Y);
        last_ = cad::CartesianPoint2D(view.ScreenToViewport(screen));
      } else {
        last_ = current;
      }
    } else if (IsLeft(kind, cad::cadMouseUp, button) || IsLeft(kind, cad::cadMouseDblClick, button)) {
      if (view.UsePaintingThread()) view.Repaint();
      else view.Refresh();
      dragging_ = false;
    }
    return false;
  }

 private:
  bool dragging_ = false;
  TPoint2D last_;
  cad::TRect2D kept_;
};

// The crop rectangle: clicks alternate between the first corner (the frame then follows the pointer)
// and the second (the frame stays). It runs until Enter or Esc.
class CropRectangleState : public cad::TCADState {
 public:
  CropRectangleState(cad::TCADPrg& prg, cad::TCADPrgParam* param, const TCADStateClass*& next)
      : TCADState(prg, param, next), param_(dynamic_cast<CropRectangleParam*>(param)) {
    if (!param_) throw cad::EKQSysException("TCAD2DTransformObjects: Invalid param");
  }
  bool OnEvent(TCADPrgEvent kind, TCADPrgMouseButton button, int key, platform::TShiftState,
               const TCADStateClass*& next) override {
    cad::TKQPrg2D& prg = Prg2D(CADPrg());
    cad::TKQViewport2D& view = *prg.Viewport2D();
    if (IsUserCode(kind, key, cad::CADPRG_CANCEL)) {
      next = prg.IdleClass();
      return true;
    }
    if (IsUserCode(kind, key, cad::CADPRG_ACCEPT)) {
      next = param_->AfterState ? param_->AfterState : prg.IdleClass();
      prg.RepaintAfterOperation();
      return true;
    }
    if (IsLeft(kind, cad::cadMouseDown, button)) {
      if (!placing_) {
        view.Refresh();
        placing_ = shown_ = true;
        param_->firstCorner = param_->secondCorner = prg.GetSnappedPoint();
        frame_.Show(view, param_->firstCorner, param_->secondCorner);
        if (param_->onReady) param_->onReady(false);
      } else {
        placing_ = false;
        if (param_->onReady) param_->onReady(true);
      }
    } else if (placing_ && kind == cad::cadMouseMove) {
      param_->secondCorner = prg.GetSnappedPoint();
      frame_.Show(view, param_->firstCorner, param_->secondCorner);
      if (param_->onCorners) param_->onCorners(param_->firstCorner, param_->secondCorner);
    } else if (shown_ && kind == cad::cadViewportPainted) {
      frame_.Restore(view);
    }
    return false;
  }

 private:
  CropRectangleParam* param_;
  bool placing_ = false;
  bool shown_ = false;  // a frame was placed and stays on the screen
  RubberFrame frame_;
};

// One click adds the parameter's point to the drawing there (snapped). Nothing is added when the pick
// ends before a click.
class PointPickState : public cad::TCADState {
 public:
  PointPickState(cad::TCADPrg& prg, cad::TCADPrgParam* param, const TCADStateClass*& next)
      : TCADState(prg, param, next), param_(dynamic_cast<PointPickParam*>(param)) {
    if (!param_ || !param_->point) throw cad::EKQSysException("TKQ2D_DrawSizedPrimitiveParam: Invalid param");
    Prg2D(prg).LastPoint = cad::Point2D(1e8, 1e8);
  }
  bool OnEvent(TCADPrgEvent kind, TCADPrgMouseButton button, int key, platform::TShiftState,
               const TCADStateClass*& next) override {
    cad::TKQPrg2D& prg = Prg2D(CADPrg());
    if (IsUserCode(kind, key, cad::CADPRG_CANCEL) || IsUserCode(kind, key, cad::CADPRG_ACCEPT)) {
      next = prg.IdleClass();
      return true;
    }
    if (!IsLeft(kind, cad::cadMouseDown, button)) return false;
    const TPoint2D p = prg.GetSnappedPoint();
    prg.LastPoint = p;
    param_->point->Points().SetPoint(0, p);
    Add(prg);
    next = prg.IdleClass();
    return true;
  }

 private:
  void Add(cad::TKQPrg2D& prg) {
    cad::TKQCmp2D* drawing = prg.Viewport2D()->CADCmp2D();
    if (!drawing) return;
    const bool drawOnAdd = drawing->DrawOnAdd;
    prg.SetIgnoreEvents(true);
    drawing->DrawOnAdd = true;
    try {
      const int32_t id = param_->point->ID;
      drawing->AddObject(id, std::move(param_->point));
    } catch (...) {
      drawing->DrawOnAdd = drawOnAdd;
      prg.SetIgnoreEvents(false);
      throw;
    }
    drawing->DrawOnAdd = drawOnAdd;
    prg.SetIgnoreEvents(false);
  }

  PointPickParam* param_;
};

}  // namespace

const TCADStateClass* ZoomAreaOperation() { return cad::StateClassOf<ZoomAreaState>(); }
const TCADStateClass* RealTimePanOperation() { return cad::StateClassOf<RealTimePanState>(); }
const TCADStateClass* CropRectangleOperation() { return cad::StateClassOf<CropRectangleState>(); }
const TCADStateClass* PointPickOperation() { return cad::StateClassOf<PointPickState>(); }

}  // namespace app
