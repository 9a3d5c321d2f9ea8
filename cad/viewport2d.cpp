#include "cad/viewport2d.h"

#include <QWheelEvent>

#include <algorithm>

#include "cad/cad_exceptions.h"
#include "cad/drawing.h"
#include "platform/qt_dialogs.h"

namespace cad {

TKQViewport2D::TKQViewport2D(QWidget* parent) : TKQViewport(parent) {}

TKQViewport2D::~TKQViewport2D() {
  OnMouseMove2D = nullptr;
  OnMouseDown2D = OnMouseUp2D = nullptr;
  OnMouseWheel = nullptr;
  Shutdown();
}

void TKQViewport2D::SetCADCmp(TKQCmp* drawing) {
  if (drawing == CADCmp()) return;
  TKQViewport::SetCADCmp(drawing);
  cadCmp2D_ = dynamic_cast<TKQCmp2D*>(drawing);
}

void TKQViewport2D::DrawingDestroyed(TKQCmp& drawing) {
  TKQViewport::DrawingDestroyed(drawing);
  if (!CADCmp()) cadCmp2D_ = nullptr;
}

bool TKQViewport2D::ApplyLayer(const TObject2D& object, TDecorativeCanvas& canvas) const {
  // Objects of an own list without a drawing keep the canvas's style.
  return !CADCmp() || CADCmp()->Layers().ApplyLayer(canvas, object.Layer);
}

void TKQViewport2D::DrawObject(TGraphicObject& object, TDecorativeCanvas& canvas, const TRect2D& clip) {
  auto* o = dynamic_cast<TObject2D*>(&object);
  if (!o || !o->IsVisible(VisibleWindow(), DrawMode())) return;
  platform::Canvas& c = canvas.Canvas();
  c.Lock();
  struct Unlock {
    platform::Canvas& canvas;
    ~Unlock() { canvas.Unlock(); }
  } unlock{c};
  const TTransform2D view = GetViewportToScreen();
  if (!o->LayerStyled) {
    c.SetPen({platform::clBlue, 1, platform::PenStyle::Solid, platform::PenMode::Copy});
    canvas.Pen().SetPattern("");
    o->Draw(view, canvas, clip, DrawMode());
    return;
  }
  if (!ApplyLayer(*o, canvas)) return;
  o->Draw(view, canvas, clip, DrawMode());
  if (ShowControlPoints()) {
    c.SetPen({RubberPenColor(), 1, platform::PenStyle::Solid, platform::PenMode::Copy});
    c.SetBrush({ControlPointsColor(), platform::BrushStyle::Solid});
    o->DrawControlPoints(view, canvas, clip, ControlPointsWidth());
  }
}

void TKQViewport2D::DrawObjectWithRubber(TGraphicObject& object, TDecorativeCanvas& canvas, const TRect2D& clip) {
  DrawRubber(object, canvas, clip, ShowControlPoints());
}

void TKQViewport2D::DrawRubber(TGraphicObject& object, TDecorativeCanvas& canvas, const TRect2D& clip,
                               bool showControlPoints) {
  auto* o = dynamic_cast<TObject2D*>(&object);
  if (!o || !o->IsVisible(VisibleWindow(), DrawMode())) return;
  platform::Canvas& c = canvas.Canvas();
  platform::CanvasStateSaver saved(c);
  const TTransform2D view = GetViewportToScreen();
  platform::Pen pen = RubberPen();
  c.SetPen(pen);
  c.SetBrush({pen.Color, platform::BrushStyle::Solid});
  canvas.Pen().SetPattern("");
  o->Draw(view, canvas, clip, DrawMode());
  if (showControlPoints) {
    pen.Width = 1;
    c.SetPen(pen);
    c.SetBrush({ControlPointsColor(), platform::BrushStyle::Solid});
    o->DrawControlPoints(view, canvas, clip, ControlPointsWidth());
  }
}

void TKQViewport2D::PaintObject(TObject2D& object, bool showControlPoints) {
  if (!CADCmp()) return;
  StopRepaint();
  const bool saved = ShowControlPoints();
  SetShowControlPoints(saved || showControlPoints);
  try {
    const TRect2D clip = RectToRect2D(ClientRect());
    DrawObject(object, OffScreenCanvas(), clip);
    DrawObject(object, ScreenCanvas(), clip);
  } catch (...) {
    SetShowControlPoints(saved);
    throw;
  }
  SetShowControlPoints(saved);
  ShowScreen();
}

void TKQViewport2D::DrawRubberObject(TObject2D& object, bool showControlPoints) {
  if (!CADCmp()) return;
  DrawRubber(object, ScreenCanvas(), RectToRect2D(ClientRect()), ShowControlPoints() || showControlPoints);
  ShowScreen();
}

TObject2D* TKQViewport2D::HitTestObject(const TPoint2D& point, int aperture, int& pickCode, bool stopAtFirst) {
  pickCode = PICK_NOOBJECT;
  // A repaint in a painting thread holds the lists: it ends first.
  StopRepaint();
  std::unique_ptr<TExclusiveGraphicObjIterator> objects;
  try {
    if (ObjectList()) {
      if (ObjectList()->HasIterators()) return nullptr;
      objects = ObjectList()->GetExclusiveIterator();
    } else {
      if (!CADCmp() || CADCmp()->HasIterators()) return nullptr;
      objects = CADCmp()->ObjectsExclusiveIterator();
    }
  } catch (const ECADListBlocked&) {
    return nullptr;
  }
  const double apertureUnits = aperture * GetPixelAperture().X;
  const TRect2D window = VisibleWindow();
  TObject2D* found = nullptr;
  double bestDistance = apertureUnits;
  int bestCode = PICK_NOOBJECT;
  for (TGraphicObject* g = objects->First(); g; g = objects->Next()) {
    auto* o = dynamic_cast<TObject2D*>(g);
    if (!o || !o->LayerStyled || (PickClass && !PickClass(*o)) || !o->IsVisible(window, DrawMode())) continue;
    if (CADCmp()) {
      const TLayer& layer = CADCmp()->Layers().Layer(o->Layer);
      if (!layer.Active || !layer.Visible) continue;
    }
    double distance = kNoDistance;
    const int code = o->PickTest(point, apertureUnits, distance);
    if (code >= bestCode && distance <= bestDistance) {
      found = o;
      bestCode = code;
      bestDistance = distance;
      if (stopAtFirst) break;
    }
  }
  pickCode = found ? bestCode : PICK_NOOBJECT;
  return found;
}

TPoint2D TKQViewport2D::ViewportToObject(const TObject2D& object, const TPoint2D& point) const {
  const TPoint2D p = CartesianPoint2D(point);
  return object.HasTransform() ? TransformPoint2D(p, InvertTransform2D(object.GetModelTransform())) : p;
}

TTransform2D TKQViewport2D::BuildTransformOfRect(const TRect2D& window, const platform::Rect& screen, int aspectMode) {
  TRect2D w = window;
  switch (aspectMode) {
    case 0: return BuildViewTransform2D(w, screen, 0);
    case 1: return BuildViewTransform2D(w, screen, AspectRatio());
    default: return GetViewportToScreen();
  }
}

void TKQViewport2D::CopyRectToCanvas(const TRect2D& window, const platform::Rect& screen, int aspectMode,
                                     platform::Canvas& canvas) {
  StopRepaint();
  if (!CADCmp() && !ObjectList()) return;
  std::unique_ptr<TGraphicObjIterator> objects = ObjectsToDraw();
  if (!objects) return;
  std::unique_ptr<TDecorativeCanvas> target = CreateDecorativeCanvas(canvas);
  const TTransform2D view = BuildTransformOfRect(window, screen, aspectMode);
  // The target's own rectangle clips: a copy to a canvas larger than the view is not cut to it.
  const TRect2D clip = RectToRect2D(screen);
  platform::CanvasStateSaver saved(canvas);
  for (TGraphicObject* g = objects->First(); g; g = objects->Next()) {
    auto* o = dynamic_cast<TObject2D*>(g);
    if (!o || !o->IsVisible(window, DrawMode())) continue;
    if (!ApplyLayer(*o, *target)) continue;
    o->Draw(view, *target, clip, DrawMode());
  }
}

void TKQViewport2D::ZoomToExtension() {
  if (!cadCmp2D_) return;
  StopRepaint();
  // An inverted box: what an extension of nothing shown comes back as.
  const TRect2D nothing = Rect2D(1, 1, -1, -1);
  const TRect2D e = cadCmp2D_->NumObjects() == 0 ? nothing : cadCmp2D_->GetExtension(nothing);
  if (e.First.X > e.Second.X || e.First.Y > e.Second.Y) {
    Repaint();
    return;
  }
  const double grow = std::max((e.Second.X - e.First.X) / 20, (e.Second.Y - e.First.Y) / 20);
  ShowWindowRect(Rect2D(e.First.X - grow, e.First.Y - grow, e.Second.X + grow, e.Second.Y + grow));
}

void TKQViewport2D::DefaultWindowProc(TViewportMessage& message) {
  TKQViewport::DefaultWindowProc(message);
  if (SuppressMouse2DEvents) return;
  const TPoint2D p = CartesianPoint2D(ScreenToViewport(Point2D(message.X, message.Y)));
  switch (message.Kind) {
    case TViewportMessageKind::MouseMove:
      if (OnMouseMove2D) OnMouseMove2D(*this, message.Shift, message.X, message.Y, p.X, p.Y);
      break;
    case TViewportMessageKind::MouseDown:
    case TViewportMessageKind::DoubleClick:
      if (OnMouseDown2D) OnMouseDown2D(*this, message.Button, message.Shift, message.X, message.Y, p.X, p.Y);
      break;
    case TViewportMessageKind::MouseUp:
      if (OnMouseUp2D) OnMouseUp2D(*this, message.Button, message.Shift, message.X, message.Y, p.X, p.Y);
      break;
    default: break;
  }
}

void TKQViewport2D::wheelEvent(QWheelEvent* event) {
  bool handled = false;
  if (OnMouseWheel) {
    const QPoint at = event->position().toPoint();
    platform::RunGuarded([&] {
      OnMouseWheel(*this, platform::ShiftStateFromQt(event->modifiers(), event->buttons()), event->angleDelta().y(),
                   at.x(), at.y(), handled);
    });
  }
  if (handled)
    event->accept();
  else
    TKQViewport::wheelEvent(event);
}

}  // namespace cad
