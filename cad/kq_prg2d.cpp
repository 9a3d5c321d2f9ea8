#include "cad/kq_prg2d.h"

#include <cmath>

#include "cad/object_snap.h"
#include "platform/screen_cursors.h"

namespace cad {

TKQPrg2D::TKQPrg2D() {
  XSnap = 10;
  YSnap = 10;
}

TKQPrg2D::~TKQPrg2D() { Shutdown(); }

TPoint2D TKQPrg2D::GetSnappedPoint() {
  TPoint2D p = CartesianPoint2D(currentPoint_);
  if (UseSnap) {
    if (XSnap != 0) p.X = XSnap * std::nearbyint(p.X / XSnap);
    if (YSnap != 0) p.Y = YSnap * std::nearbyint(p.Y / YSnap);
    p.W = 1;
  }
  if (ObjectSnapKind != 0 && ObjectSnapActive && Viewport2D()) {
    int code = PICK_NOOBJECT;
    TObject2D* object = Viewport2D()->HitTestObject(p, kObjectSnapAperture, code);
    const TObjectSnap snap = ObjectSnap(object, code, ObjectSnapKind, p);
    if (snap.Cursor != 0) platform::SetScreenCursor(snap.Cursor);
    if (snap.Snapped) p = snap.Point;
  }
  if (SnapFilter) SnapFilter(*this, CurrentState(), LastPoint, p);
  return p;
}

bool TKQPrg2D::MouseMessage(TViewportMessage& message) {
  TKQViewport2D* view = Viewport2D();
  if (!view) return false;
  currentPoint_ = CartesianPoint2D(view->ScreenToViewport(Point2D(message.X, message.Y)));
  if (message.Kind == TViewportMessageKind::MouseMove) {
    if (!MouseMoveFilter) return false;
    MouseMoveFilter(*this, CurrentState(), message.X, message.Y, currentPoint_);
    if (view->OnMouseMove2D) view->OnMouseMove2D(*view, message.Shift, message.X, message.Y, currentPoint_.X, currentPoint_.Y);
    return true;
  }
  if (!MouseButtonFilter) return false;
  MouseButtonFilter(*this, CurrentState(), message.X, message.Y, currentPoint_, message.Button);
  const auto& event = message.Kind == TViewportMessageKind::MouseUp ? view->OnMouseUp2D : view->OnMouseDown2D;
  if (event) event(*view, message.Button, message.Shift, message.X, message.Y, currentPoint_.X, currentPoint_.Y);
  return true;
}

// --- The cross-hair ---

bool TKQPrg2D::DrawCrossAt(const TPoint2D& p) {
  TKQViewport2D* view = Viewport2D();
  if (!view || view->IsPainting()) return false;
  try {
    platform::Canvas& canvas = view->ScreenCanvas().Canvas();
    platform::CanvasStateSaver saved(canvas);
    const platform::TColor color =
        (platform::ColorToRGB(CursorColor()) ^ platform::ColorToRGB(view->BackGroundColor())) & 0xFFFFFF;
    canvas.SetPen({color, 1, platform::PenStyle::Solid, platform::PenMode::Xor});
    const platform::Point at = view->ViewportToPixel(p);
    const platform::Rect client = view->ClientRect();
    canvas.MoveTo(at.X, client.Top);
    canvas.LineTo(at.X, client.Bottom);
    canvas.MoveTo(client.Left, at.Y);
    canvas.LineTo(client.Right, at.Y);
    view->ShowScreen();
    return true;
  } catch (...) {
    return false;
  }
}

bool TKQPrg2D::CrossOnScreen() const {
  // A copy of the buffer to the screen has wiped it.
  return crossDrawn_ && Viewport2D() && Viewport2D()->ScreenCopies() == crossCopies_;
}

void TKQPrg2D::HideCursorCross() {
  if (CrossOnScreen()) DrawCrossAt(crossPosition_);
  crossDrawn_ = false;
}

void TKQPrg2D::DrawCursorCross() {
  if (CrossOnScreen() || !DrawCrossAt(crossPosition_)) return;
  crossDrawn_ = true;
  crossCopies_ = Viewport2D()->ScreenCopies();
}

void TKQPrg2D::MoveCursorCross() {
  HideCursorCross();
  crossPosition_ = GetSnappedPoint();
  DrawCursorCross();
}

}  // namespace cad
