#include "cad/kq2d_tasks.h"

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "cad/cad_exceptions.h"
#include "cad/class_registry.h"
#include "cad/drawing.h"

namespace cad {

namespace {

// Events are ignored while a state calls out; the block goes on every way out.
class TIgnoreEventsScope {
 public:
  explicit TIgnoreEventsScope(TCADPrg& prg) : prg_(prg), old_(prg.IgnoreEvents()) { prg_.SetIgnoreEvents(true); }
  ~TIgnoreEventsScope() { prg_.SetIgnoreEvents(old_); }
  TIgnoreEventsScope(const TIgnoreEventsScope&) = delete;
  TIgnoreEventsScope& operator=(const TIgnoreEventsScope&) = delete;

 private:
  TCADPrg& prg_;
  bool old_;
};

template <typename P>
P* ParamAs(TCADPrgParam* param, const char* message) {
  auto* p = dynamic_cast<P*>(param);
  if (!p) throw EKQSysException(message);
  return p;
}

// A follow-up belongs to the operation that was started with the parameter: a nested zoom or pan
// always ends by resuming what it suspended, never by running that operation's follow-up.
const TCADStateClass* FollowUpOrIdle(TCADPrg& prg, const TCADPrgParam* param) {
  if (param && param->AfterState && !prg.IsNested()) return param->AfterState;
  return prg.IdleClass();
}

void DrawPickBoxAt(TKQViewport2D& view, const TPoint2D& point, int aperture) {
  platform::Canvas& canvas = view.ScreenCanvas().Canvas();
  platform::CanvasStateSaver saved(canvas);
  platform::Pen pen = view.RubberPen();
  pen.Style = platform::PenStyle::Solid;
  canvas.SetPen(pen);
  const platform::Point c = view.ViewportToPixel(point);
  const platform::Point corners[] = {{c.X - aperture, c.Y - aperture},
                                     {c.X + aperture, c.Y - aperture},
                                     {c.X + aperture, c.Y + aperture},
                                     {c.X - aperture, c.Y + aperture},
                                     {c.X - aperture, c.Y - aperture}};
  canvas.Polyline(corners, 5);
  view.ShowScreen();
}

// A hit that counts: on the outline or a control point, not only in the box, and of the class.
TObject2D* PickObject(TKQViewport2D& view, TKQD2D_SelectObjectsParam& p, const TPoint2D& at) {
  int code = PICK_NOOBJECT;
  TObject2D* hit = view.HitTestObject(at, p.Aperture, code);
  p.LastPickCode = code;
  if (!hit || code < PICK_INBBOX + 1 || !p.ClassFilter(*hit)) return nullptr;
  return hit;
}

bool InList(TGraphicObjList& list, const TGraphicObject* object) {
  auto it = list.GetIterator();
  for (TGraphicObject* o = it->First(); o; o = it->Next())
    if (o == object) return true;
  return false;
}

// The parameter's follow-up, or with none the task ends.
bool FollowUpOrEnd(TCADState& state, const TCADStateClass*& next) {
  next = state.Param ? state.Param->AfterState : nullptr;
  return next ? true : FreeAndIdle(state, next);
}

// The pick box follows the pointer and survives repaints; false for other events.
bool PickBoxEvent(TCADPrgEvent kind, TCADPrg& prg, TKQViewport2D& view, TKQD2D_SelectObjectsParam& p, TRubberBand& box) {
  auto draw = [&] { p.DrawPickBox(view, p.CurrentPoint); };
  if (kind == cadMouseMove) {
    box.Hide(view, draw);
    p.CurrentPoint = prg.GetCurrentViewportPoint();
  } else if (kind != cadViewportPainted) {
    return false;
  }
  box.Show(view, draw);
  return true;
}

void CallSelected(TCADPrg& prg, TKQD2D_SelectObjectsParam& p, TObject2D& object, bool selected, int code) {
  if (!p.OnSelected) return;
  TIgnoreEventsScope ignore(prg);
  p.OnSelected(p, object, selected, code);
}

}  // namespace

bool FreeAndIdle(TCADState& state, const TCADStateClass*& next) {
  state.CADPrg().FreeParam(state.Param);
  next = state.CADPrg().IdleClass();
  return true;
}

TKQPrg2D& Prg2DOf(TCADPrg& prg) {
  auto* p = dynamic_cast<TKQPrg2D*>(&prg);
  if (!p) throw EKQSysException("TKQPrg2D: a 2D interaction program is needed");
  return *p;
}

TKQViewport2D& View2DOf(TCADPrg& prg) {
  TKQViewport2D* view = Prg2DOf(prg).Viewport2D();
  if (!view) throw EKQSysException("TKQPrg2D: a 2D viewport is needed");
  return *view;
}

// --- Parameters ---------------------------------------------------------------------------------

TCADPrgSelectAreaParam::TCADPrgSelectAreaParam(const TCADStateClass* afterState, TCADPrgParam* userParam)
    : TCADPrgParam(afterState), Frame(std::make_unique<TFrame2D>(0, Point2D(0, 0), Point2D(0, 0))), UserParam(userParam) {}

TRect2D TCADPrgSelectAreaParam::GetArea() const {
  const TPointsSet2D& points = Frame->Points();
  return ReorderRect2D(TRect2D{points.GetPoint(0), points.GetPoint(1)});
}

TKQ2D_DrawUnSizedPrimitiveParam::TKQ2D_DrawUnSizedPrimitiveParam(const TCADStateClass* afterState, bool orthoAllowed,
                                                                 uint16_t pointsPlaced,
                                                                 std::unique_ptr<TPrimitive2D> primitive)
    : TCAD2DCommonParam(afterState), Primitive(std::move(primitive)), CurrentPoint(pointsPlaced), OrthoAllowed(orthoAllowed) {}

void TKQ2D_DrawUnSizedPrimitiveParam::DrawPrimitive(TKQViewport2D& viewport) {
  if (Primitive) viewport.DrawRubberObject(*Primitive, true);
}

TKQ2D_DrawSizedPrimitiveParam::TKQ2D_DrawSizedPrimitiveParam(const TCADStateClass* afterState, bool orthoAllowed,
                                                             uint16_t pointsPlaced,
                                                             std::unique_ptr<TPrimitive2D> primitive)
    : TKQ2D_DrawUnSizedPrimitiveParam(afterState, orthoAllowed, pointsPlaced, std::move(primitive)),
      PointCount(Primitive ? uint16_t(Primitive->Points().Count()) : 0) {}

TKQD2D_SelectObjectsParam::TKQD2D_SelectObjectsParam(uint16_t aperture, const TCADStateClass* afterState)
    : TCAD2DCommonParam(afterState), Aperture(aperture) {
  SelectedObjects.FreeOnClear = false;
}

void TKQD2D_SelectObjectsParam::DrawPickBox(TKQViewport2D& viewport, const TPoint2D& point) {
  DrawPickBoxAt(viewport, point, Aperture);
}

void TSCSelRettParam::DrawFrame(TKQViewport2D& viewport) {
  TFrame2D frame(-1, SecondCorner, FirstCorner);
  frame.UpdateAndNotify();
  viewport.DrawRubberObject(frame, false);
}

TCAD2DEditPrimitiveParam::TCAD2DEditPrimitiveParam(TPrimitive2D& primitive, uint16_t aperture)
    : SourcePrimitive(&primitive), Aperture(aperture) {
  bool registered = false;
  try {
    registered = KQSysClassRegister().FindClassIndex(primitive.ClassName()) >= 0;
  } catch (const ECADObjClassNotFound&) {
  }
  if (!registered) throw EKQSysException("TCAD2DEditPrimitive: Only registered classes are allowed");
  std::unique_ptr<TObject2D> copy = primitive.NewInstance(primitive.ID);
  auto* asPrimitive = dynamic_cast<TPrimitive2D*>(copy.get());
  if (!asPrimitive) throw EKQSysException("TCAD2DEditPrimitive: Only registered classes are allowed");
  copy.release();
  WorkingCopy.reset(asPrimitive);
  WorkingCopy->Assign(primitive);
}

// --- Zoom window --------------------------------------------------------------------------------

TCADPrgZoomState::TCADPrgZoomState(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next)
    : TCADState(prg, param, next) {
  CanBeSuspended = false;
}

TCADPrgZoomArea::TCADPrgZoomArea(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next)
    : TCADPrgZoomState(prg, param, next) {
  Param = prg.MakeParam<TCADPrgSelectAreaParam>(StateClassOf<TCADPrgEndZoomArea>(), param);
  next = StateClassOf<TCADPrgSelectArea>();
}

TCADPrgSelectArea::TCADPrgSelectArea(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next)
    : TCADState(prg, param, next) {}

bool TCADPrgSelectArea::OnEvent(TCADPrgEvent kind, TCADPrgMouseButton button, int key, platform::TShiftState,
                                const TCADStateClass*& next) {
  auto* p = dynamic_cast<TCADPrgSelectAreaParam*>(Param);
  if (kind == cadUserDefined && key == CADPRG_CANCEL) return FreeAndIdle(*this, next);
  if (kind != cadMouseDown || button != cmbLeft || !p) return false;
  const TPoint2D at = CADPrg().GetCurrentViewportPoint();
  p->Frame->Points().SetPoint(0, at);
  p->Frame->Points().SetPoint(1, at);
  next = StateClassOf<TCADPrgDragSelectArea>();
  return true;
}

TCADPrgDragSelectArea::TCADPrgDragSelectArea(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next)
    : TCADState(prg, param, next) {
  if (auto* p = dynamic_cast<TCADPrgSelectAreaParam*>(Param)) {
    TKQViewport2D& view = View2DOf(prg);
    frame_.Show(view, [&] { view.DrawRubberObject(*p->Frame, false); });
  }
}

bool TCADPrgDragSelectArea::OnEvent(TCADPrgEvent kind, TCADPrgMouseButton button, int key, platform::TShiftState,
                                    const TCADStateClass*& next) {
  auto* p = dynamic_cast<TCADPrgSelectAreaParam*>(Param);
  if (kind == cadUserDefined && key == CADPRG_CANCEL) return FreeAndIdle(*this, next);
  if (!p) return false;
  TKQViewport2D& view = View2DOf(CADPrg());
  auto draw = [&] { view.DrawRubberObject(*p->Frame, false); };
  switch (kind) {
    case cadMouseMove:
      frame_.Hide(view, draw);
      p->Frame->Points().SetPoint(1, CADPrg().GetCurrentViewportPoint());
      frame_.Show(view, draw);
      return false;
    case cadViewportPainted:
      frame_.Show(view, draw);
      return false;
    case cadMouseDown:
      if (button != cmbLeft) return false;
      frame_.Hide(view, draw);
      p->Frame->Points().SetPoint(1, CADPrg().GetCurrentViewportPoint());
      next = p->AfterState ? p->AfterState : CADPrg().IdleClass();
      return true;
    default:
      return false;
  }
}

TCADPrgEndZoomArea::TCADPrgEndZoomArea(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next)
    : TCADPrgZoomState(prg, param, next) {
  TCADPrgParam* user = nullptr;
  if (auto* p = dynamic_cast<TCADPrgSelectAreaParam*>(Param)) {
    const TRect2D area = p->GetArea();
    if (!IsSamePoint2D(area.First, area.Second)) View2DOf(prg).ShowWindowRect(area);
    user = p->UserParam;
  }
  next = FollowUpOrIdle(prg, user);
  prg.FreeParam(Param);
  // The follow-up goes on with the operation's own parameter.
  if (next != prg.IdleClass()) Param = user;
}

// --- Real-time pan ------------------------------------------------------------------------------

TCADPrgRealTimePan::TCADPrgRealTimePan(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next)
    : TCADPrgZoomState(prg, param, next) {
  Prg2DOf(prg).ObjectSnapActive = true;
  kept_ = View2DOf(prg).VisibleWindow();
}

bool TCADPrgRealTimePan::OnEvent(TCADPrgEvent kind, TCADPrgMouseButton button, int key, platform::TShiftState,
                                 const TCADStateClass*& next) {
  TKQViewport2D& view = View2DOf(CADPrg());
  const TPoint2D current = CADPrg().GetCurrentViewportPoint();
  switch (kind) {
    case cadMouseDown:
      if (button != cmbLeft) return false;
      dragging_ = true;
      last_ = current;
      return false;
    case cadMouseMove: {
      if (!dragging_) return false;
      view.StopRepaint();
      const double d = PointDistance2D(last_, current);
      const TRect2D w = view.VisibleWindow();
      const double diagonal = PointDistance2D(w.First, w.Second);
      if (d >= diagonal * 1e-4 && d <= 2 * diagonal) {
        const TPoint2D screen = view.ViewportToScreen(current);
        view.ShiftWindow(last_.X - current.X, last_.Y - current.Y);
        last_ = CartesianPoint2D(view.ScreenToViewport(screen));
      } else {
        last_ = current;
      }
      return false;
    }
    case cadMouseUp:
    case cadMouseDblClick:
      if (button != cmbLeft) return false;
      if (view.UsePaintingThread())
        view.Repaint();
      else
        view.Refresh();
      dragging_ = false;
      return false;
    case cadUserDefined:
      if (key == CADPRG_CANCEL) {
        next = CADPrg().IdleClass();
        view.ShowWindowRect(kept_);
        return true;
      }
      if (key == CADPRG_ACCEPT) {
        next = FollowUpOrIdle(CADPrg(), Param);
        CADPrg().RepaintAfterOperation();
        return true;
      }
      return false;
    default:
      return false;
  }
}

// --- Drawing a sized primitive ------------------------------------------------------------------

TKQ2D_DrawSizedPrimitive::TKQ2D_DrawSizedPrimitive(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next)
    : TCADState(prg, param, next) {
  auto* p = ParamAs<TKQ2D_DrawSizedPrimitiveParam>(param, "TKQ2D_DrawSizedPrimitiveParam: Invalid param");
  if (!p->Primitive) throw EKQSysException("TKQ2D_DrawSizedPrimitiveParam: Invalid param");
  Prg2DOf(prg).LastPoint = Point2D(1e8, 1e8);
}


namespace {

// The drawn primitive joins the drawing under its own ID and shows at once.
void AddDrawnPrimitive(TCADState& state, std::unique_ptr<TPrimitive2D>& drawn, const char* who) {
  TKQCmp2D* drawing = View2DOf(state.CADPrg()).CADCmp2D();
  if (!drawing) throw EKQSysException(std::string(who) + ": no drawing");
  TIgnoreEventsScope ignore(state.CADPrg());
  const bool drawOnAdd = drawing->DrawOnAdd;
  drawing->DrawOnAdd = true;
  try {
    std::unique_ptr<TPrimitive2D> primitive = std::move(drawn);
    const int32_t id = primitive->ID;
    drawing->AddObject(id, std::move(primitive));
  } catch (...) {
    drawing->DrawOnAdd = drawOnAdd;
    throw;
  }
  drawing->DrawOnAdd = drawOnAdd;
}

// The snapped pointer in the primitive's coordinates, made orthogonal to `previous` when asked.
TPoint2D PointForPrimitive(TCADPrg& prg, const TPrimitive2D& primitive, const TPoint2D* previous, bool ortho) {
  TKQPrg2D& prg2D = Prg2DOf(prg);
  const TPoint2D snapped = prg2D.GetSnappedPoint();
  prg2D.LastPoint = snapped;
  TPoint2D p = primitive.HasTransform() ? primitive.ToObjectPoint(snapped) : snapped;
  if (ortho && previous && prg2D.UseOrto) {
    if (std::abs(p.X - previous->X) > std::abs(p.Y - previous->Y))
      p.Y = previous->Y;
    else
      p.X = previous->X;
  }
  return p;
}

}  // namespace

TPoint2D TKQ2D_DrawSizedPrimitive::PlacedPoint(bool ortho) {
  const TPrimitive2D& primitive = *P().Primitive;
  const int current = P().CurrentPoint;
  const TPoint2D previous = current > 0 ? primitive.Points().GetPoint(current - 1) : Point2D(0, 0);
  return PointForPrimitive(CADPrg(), primitive, current > 0 ? &previous : nullptr, ortho && P().OrthoAllowed);
}

bool TKQ2D_DrawSizedPrimitive::Finish(const TCADStateClass*& next) {
  AddDrawnPrimitive(*this, P().Primitive, "TKQ2D_DrawSizedPrimitive");
  return FreeAndIdle(*this, next);
}

bool TKQ2D_DrawSizedPrimitive::OnEvent(TCADPrgEvent kind, TCADPrgMouseButton button, int key, platform::TShiftState,
                                       const TCADStateClass*& next) {
  if (!Param) return false;
  TKQViewport2D& view = View2DOf(CADPrg());
  auto draw = [&] { P().DrawPrimitive(view); };
  TPointsSet2D& points = P().Primitive->Points();
  switch (kind) {
    case cadMouseDown: {
      if (button != cmbLeft) return false;
      const TPoint2D p = PlacedPoint(true);
      // A second click on the first point (a double click) would leave the entity without a size:
      // it waits for a point that gives it one.
      if (P().CurrentPoint == 1 && IsSamePoint2D(p, points.GetPoint(0))) return false;
      band_.Hide(view, draw);
      if (P().CurrentPoint > 0) {
        points.SetPoint(P().CurrentPoint, p);
      } else {
        for (int i = 0; i < points.Count(); ++i) points.SetPoint(i, p);
      }
      ++P().CurrentPoint;
      if (P().CurrentPoint < P().PointCount) {
        points.SetPoint(P().CurrentPoint, p);
        band_.Show(view, draw);
        return false;
      }
      next = P().AfterState;
      return next ? true : Finish(next);
    }
    case cadMouseMove:
      if (P().CurrentPoint == 0 || P().CurrentPoint >= P().PointCount) return false;
      {
        const TPoint2D p = PlacedPoint(true);
        band_.Hide(view, draw);
        points.SetPoint(P().CurrentPoint, p);
        band_.Show(view, draw);
      }
      return false;
    case cadViewportPainted:
      if (P().CurrentPoint > 0) band_.Show(view, draw);
      return false;
    case cadUserDefined:
      // Done before the first click has placed nothing: there is nothing to add.
      if (key == CADPRG_ACCEPT && P().CurrentPoint > 0) {
        band_.Hide(view, draw);
        next = P().AfterState;
        return next ? true : Finish(next);
      }
      if (key == CADPRG_CANCEL || key == CADPRG_ACCEPT) {
        band_.Hide(view, draw);
        return FreeAndIdle(*this, next);  // the primitive goes with the parameter
      }
      return false;
    default:
      return false;
  }
}

// --- Drawing an unsized primitive ---------------------------------------------------------------

TKQ2D_DrawUnSizedPrimitive::TKQ2D_DrawUnSizedPrimitive(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next)
    : TCADState(prg, param, next) {
  auto* p = ParamAs<TKQ2D_DrawUnSizedPrimitiveParam>(param, "TKQ2D_DrawUnSizedPrimitiveParam: Invalid param");
  if (!p->Primitive || !p->Primitive->Points().GrowingEnabled)
    throw EKQSysException("TKQ2D_DrawUnSizedPrimitiveParam: Invalid param");
  // The points come from the clicks alone.
  p->Primitive->Points().Clear();
  p->CurrentPoint = 0;
  Prg2DOf(prg).LastPoint = Point2D(1e8, 1e8);
}

TPoint2D TKQ2D_DrawUnSizedPrimitive::PlacedPoint() {
  const TPrimitive2D& primitive = *P().Primitive;
  const int current = P().CurrentPoint;
  const TPoint2D previous = current > 0 ? primitive.Points().GetPoint(current - 1) : Point2D(0, 0);
  return PointForPrimitive(CADPrg(), primitive, current > 0 ? &previous : nullptr, P().OrthoAllowed);
}

bool TKQ2D_DrawUnSizedPrimitive::Finish(bool close, const TCADStateClass*& next) {
  TPointsSet2D& points = P().Primitive->Points();
  const int placed = P().CurrentPoint;
  std::vector<TPoint2D> kept(points.Points(), points.Points() + placed);
  if (close) kept.push_back(kept.front());
  {
    TIgnoreEventsScope ignore(CADPrg());
    points.Clear();
    points.AddPoints(kept);
  }
  next = P().AfterState;
  if (next) return true;
  AddDrawnPrimitive(*this, P().Primitive, "TKQ2D_DrawUnSizedPrimitive");
  return FreeAndIdle(*this, next);
}

bool TKQ2D_DrawUnSizedPrimitive::OnEvent(TCADPrgEvent kind, TCADPrgMouseButton button, int key, platform::TShiftState,
                                         const TCADStateClass*& next) {
  if (!Param) return false;
  TKQViewport2D& view = View2DOf(CADPrg());
  auto draw = [&] { P().DrawPrimitive(view); };
  TPointsSet2D& points = P().Primitive->Points();
  const int placed = P().CurrentPoint;
  switch (kind) {
    case cadMouseDown: {
      if (button != cmbLeft) return false;
      const TPoint2D p = PlacedPoint();
      // A second click on the last point (a double click) adds no empty side.
      if (placed > 0 && IsSamePoint2D(p, points.GetPoint(placed - 1))) return false;
      band_.Hide(view, draw);
      points.SetPoint(placed, p);
      points.SetPoint(placed + 1, p);  // the point that follows the pointer
      ++P().CurrentPoint;
      band_.Show(view, draw);
      return false;
    }
    case cadMouseMove:
      if (placed == 0) return false;
      {
        const TPoint2D p = PlacedPoint();
        band_.Hide(view, draw);
        points.SetPoint(placed, p);
        band_.Show(view, draw);
      }
      return false;
    case cadViewportPainted:
      if (placed > 0) band_.Show(view, draw);
      return false;
    case cadUserDefined:
      if (key == CADPRG_ACCEPT || key == CADPRG_CLOSE) {
        const bool close = key == CADPRG_CLOSE;
        // A figure needs two points, a closed one three; short of that Done adds nothing and Closed
        // waits for more points.
        if (placed < (close ? 3 : 2)) {
          if (close) return false;
          band_.Hide(view, draw);
          return FreeAndIdle(*this, next);
        }
        band_.Hide(view, draw);
        return Finish(close, next);
      }
      if (key == CADPRG_CANCEL) {
        band_.Hide(view, draw);
        return FreeAndIdle(*this, next);
      }
      return false;
    default:
      return false;
  }
}

// --- Picking one object -------------------------------------------------------------------------

TKQ2D_Select1Object::TKQ2D_Select1Object(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next)
    : TCADState(prg, param, next) {
  auto* p = ParamAs<TKQD2D_SelectObjectsParam>(param, "TKQ2D_Select1Object: Invalid param");
  TKQViewport2D& view = View2DOf(prg);
  box_.Show(view, [&] { p->DrawPickBox(view, p->CurrentPoint); });
}

bool TKQ2D_Select1Object::OnEvent(TCADPrgEvent kind, TCADPrgMouseButton button, int key, platform::TShiftState,
                                  const TCADStateClass*& next) {
  auto* p = static_cast<TKQD2D_SelectObjectsParam*>(Param);
  if (!p) return false;
  TKQViewport2D& view = View2DOf(CADPrg());
  if (PickBoxEvent(kind, CADPrg(), view, *p, box_)) return false;
  if (kind == cadUserDefined && key == CADPRG_CANCEL) return FreeAndIdle(*this, next);
  if (kind != cadMouseUp || button != cmbLeft) return false;
  TObject2D* hit = PickObject(view, *p, CADPrg().GetCurrentViewportPoint());
  if (!hit) return false;
  box_.Hide(view, [&] { p->DrawPickBox(view, p->CurrentPoint); });
  p->SelectedObjects.Add(hit);
  CallSelected(CADPrg(), *p, *hit, true, p->LastPickCode);
  return FollowUpOrEnd(*this, next);
}

// --- Picking two objects ------------------------------------------------------------------------

TCAD2DSeleziona2Ogg::TCAD2DSeleziona2Ogg(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next)
    : TCADState(prg, param, next) {
  auto* p = ParamAs<TKQD2D_SelectObjectsParam>(param, "TCAD2DSelectObject: Invalid param");
  TKQViewport2D& view = View2DOf(prg);
  box_.Show(view, [&] { p->DrawPickBox(view, p->CurrentPoint); });
}

bool TCAD2DSeleziona2Ogg::OnEvent(TCADPrgEvent kind, TCADPrgMouseButton button, int key, platform::TShiftState,
                                  const TCADStateClass*& next) {
  auto* p = static_cast<TKQD2D_SelectObjectsParam*>(Param);
  if (!p) return false;
  TKQPrg2D& prg = Prg2DOf(CADPrg());
  TKQViewport2D& view = View2DOf(prg);
  if (PickBoxEvent(kind, prg, view, *p, box_)) {
    if (kind == cadViewportPainted && p->OnSelected) {
      // The highlights are drawn again; the list is not held while the main window draws.
      std::vector<TObject2D*> selected;
      auto it = p->SelectedObjects.GetIterator();
      for (TGraphicObject* o = it->First(); o; o = it->Next()) selected.push_back(static_cast<TObject2D*>(o));
      it.reset();
      for (TObject2D* o : selected) CallSelected(prg, *p, *o, true, PICK_NOOBJECT);
    }
    return false;
  }
  if (kind == cadUserDefined) {
    if (key == CADPRG_CANCEL) return FreeAndIdle(*this, next);
    if (key != CADPRG_ACCEPT) return false;
    view.Refresh();
    // A command acts only on two picked objects: with fewer, Enter ends the pick.
    return count_ == 2 ? FollowUpOrEnd(*this, next) : FreeAndIdle(*this, next);
  }
  if (kind != cadMouseUp || button != cmbLeft) return false;
  auto draw = [&] { p->DrawPickBox(view, p->CurrentPoint); };
  box_.Hide(view, draw);
  const TPoint2D at = prg.GetCurrentViewportPoint();
  if (TObject2D* hit = PickObject(view, *p, at)) {
    prg.PickPoints[size_t(count_)] = at;
    const bool selected = !InList(p->SelectedObjects, hit);
    if (selected) {
      p->SelectedObjects.Add(hit);
      ++count_;
    } else {
      // Taken out by identity: another object may carry the same ID.
      auto it = p->SelectedObjects.GetExclusiveIterator();
      for (TGraphicObject* o = it->First(); o; o = it->Next())
        if (o == hit) {
          it->RemoveCurrent();
          break;
        }
      --count_;
    }
    CallSelected(prg, *p, *hit, selected, p->LastPickCode);
    if (count_ == 2) {
      view.Refresh();
      return FollowUpOrEnd(*this, next);
    }
  }
  box_.Show(view, draw);
  return false;
}

// --- The crop rectangle -------------------------------------------------------------------------

TSCSelRett::TSCSelRett(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next) : TCADState(prg, param, next) {
  auto* p = ParamAs<TSCSelRettParam>(param, "TCAD2DTransformObjects: Invalid param");
  TKQViewport2D& view = View2DOf(prg);
  frame_.Show(view, [&] { p->DrawFrame(view); });
}

bool TSCSelRett::OnEvent(TCADPrgEvent kind, TCADPrgMouseButton button, int key, platform::TShiftState,
                         const TCADStateClass*& next) {
  auto* p = static_cast<TSCSelRettParam*>(Param);
  if (!p) return false;
  TKQPrg2D& prg = Prg2DOf(CADPrg());
  TKQViewport2D& view = View2DOf(prg);
  auto draw = [&] { p->DrawFrame(view); };
  switch (kind) {
    case cadMouseDown:
      if (button != cmbLeft) return false;
      if (!firstPlaced_) {
        view.Refresh();
        firstPlaced_ = true;
        p->FirstCorner = p->SecondCorner = prg.GetSnappedPoint();
        prg.CropAreaReady = false;
        pressedAt_ = prg.GetCurrentViewportPoint();
        firstHeld_ = true;
      } else {
        // The frame stays on the screen.
        firstPlaced_ = false;
        prg.CropAreaReady = true;
        if (p->OnAreaReady) p->OnAreaReady();
      }
      return false;
    case cadMouseUp: {
      if (button != cmbLeft || !firstHeld_) return false;
      firstHeld_ = false;
      // Released where it was pressed, the press was a click and the second corner comes with the
      // next one; released further away, the drag has drawn the rectangle.
      if (!firstPlaced_ || PointDistance2D(pressedAt_, prg.GetCurrentViewportPoint()) < view.PixelsToUnits(kDragPixels))
        return false;
      frame_.Hide(view, draw);
      p->SecondCorner = prg.GetSnappedPoint();
      frame_.Show(view, draw);
      if (p->OnInfoCut) p->OnInfoCut(p->FirstCorner, p->SecondCorner);
      firstPlaced_ = false;
      prg.CropAreaReady = true;
      if (p->OnAreaReady) p->OnAreaReady();
      return false;
    }
    case cadMouseMove:
      if (!firstPlaced_) return false;
      frame_.Hide(view, draw);
      p->SecondCorner = prg.GetSnappedPoint();
      frame_.Show(view, draw);
      if (p->OnInfoCut) p->OnInfoCut(p->FirstCorner, p->SecondCorner);
      return false;
    case cadUserDefined:
      if (key == CADPRG_CANCEL) {
        next = prg.IdleClass();
        return true;
      }
      if (key == CADPRG_ACCEPT) {
        next = FollowUpOrIdle(prg, p);
        prg.RepaintAfterOperation();
        return true;
      }
      return false;
    default:
      return false;
  }
}

// --- Editing control points ---------------------------------------------------------------------

TCAD2DEditSelectedPrimitive::TCAD2DEditSelectedPrimitive(TCADPrg& prg, TCADPrgParam* param,
                                                         const TCADStateClass*& next)
    : TCADState(prg, param, next) {
  constexpr const char* kInvalid = "TCAD2DEditSelectedObjects: Invalid param";
  auto* p = ParamAs<TKQD2D_SelectObjectsParam>(param, kInvalid);
  TPrimitive2D* primitive = nullptr;
  {
    auto it = p->SelectedObjects.GetIterator();
    primitive = dynamic_cast<TPrimitive2D*>(it->First());
  }
  if (!primitive) throw EKQSysException(kInvalid);
  prg.FreeParam(Param);
  Param = prg.MakeParam<TCADPrgParam>();
  Param->UserObject = primitive;
  prg.SetCurrentOperation(StateClassOf<TCAD2DEditSelectedPrimitive>());
  next = StateClassOf<TKQ2D_EditPrimitive>();
}

TKQ2D_EditPrimitive::TKQ2D_EditPrimitive(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next)
    : TCADState(prg, param, next) {
  auto* primitive = param ? dynamic_cast<TPrimitive2D*>(param->UserObject) : nullptr;
  if (!primitive) throw EKQSysException("TKQ2D_EditPrimitive: Invalid param");
  TKQViewport2D& view = View2DOf(prg);
  TCADPrgParam* edit = prg.MakeParam<TCAD2DEditPrimitiveParam>(*primitive, uint16_t(5));
  prg.FreeParam(Param);
  Param = edit;
  view.Refresh();
  box_.Show(view, [&] { DrawPickBoxAt(view, P().PickBoxPoint, P().Aperture); });
  copy_.Show(view, [&] { view.DrawRubberObject(*P().WorkingCopy, true); });
  Prg2DOf(prg).LastPoint = Point2D(1e8, 1e8);
}

TPoint2D TKQ2D_EditPrimitive::CopyPoint() {
  const TPoint2D p = Prg2DOf(CADPrg()).GetSnappedPoint();
  return P().WorkingCopy->HasTransform() ? P().WorkingCopy->ToObjectPoint(p) : p;
}

int TKQ2D_EditPrimitive::PickControlPoint() {
  double distance = 0;
  const double aperture = View2DOf(CADPrg()).PixelsToUnits(P().Aperture);
  return P().WorkingCopy->PickTest(CADPrg().GetCurrentViewportPoint(), aperture, distance);
}

bool TKQ2D_EditPrimitive::OnEvent(TCADPrgEvent kind, TCADPrgMouseButton button, int key, platform::TShiftState,
                                  const TCADStateClass*& next) {
  if (!Param) return false;
  TKQViewport2D& view = View2DOf(CADPrg());
  TCAD2DEditPrimitiveParam& p = P();
  auto drawBox = [&] { DrawPickBoxAt(view, p.PickBoxPoint, p.Aperture); };
  auto drawCopy = [&] { view.DrawRubberObject(*p.WorkingCopy, true); };
  switch (kind) {
    case cadMouseMove:
      box_.Hide(view, drawBox);
      p.PickBoxPoint = CADPrg().GetCurrentViewportPoint();
      box_.Show(view, drawBox);
      if (p.CurrentPointIndex >= 0 && p.CurrentPointIndex < p.WorkingCopy->Points().Count()) {
        const TPoint2D at = CopyPoint();
        copy_.Hide(view, drawCopy);
        p.WorkingCopy->Points().SetPoint(p.CurrentPointIndex, at);
        copy_.Show(view, drawCopy);
      }
      return false;
    case cadMouseDown: {
      if (button != cmbLeft) return false;
      const int code = PickControlPoint();
      p.CurrentPointIndex = int16_t(code >= 0 ? code : -1);
      return false;
    }
    case cadMouseUp:
      if (button == cmbLeft) p.CurrentPointIndex = -1;
      return false;
    case cadMouseDblClick: {
      if (button != cmbLeft || !p.WorkingCopy->Points().GrowingEnabled) return false;
      const int code = PickControlPoint();
      if (code < 0) return false;
      const TPoint2D at = CopyPoint();
      copy_.Hide(view, drawCopy);
      p.WorkingCopy->Points().Insert(code, at);
      copy_.Show(view, drawCopy);
      return false;
    }
    case cadViewportPainted:
      box_.Show(view, drawBox);
      copy_.Show(view, drawCopy);
      return false;
    case cadUserDefined:
      if (key == CADPRG_ACCEPT) {
        p.SourcePrimitive->Assign(*p.WorkingCopy);
        TIgnoreEventsScope ignore(CADPrg());
        view.Repaint();
      } else if (key != CADPRG_CANCEL) {
        return false;
      }
      return FreeAndIdle(*this, next);
    default:
      return false;
  }
}

// --- Starting the tasks -------------------------------------------------------------------------

namespace {

bool Nest(TKQPrg2D& prg, const TCADStateClass* operation) {
  if (prg.NestOperation(operation)) return true;
  return prg.IsBusy() && prg.CurrentOperation() == operation;
}

}  // namespace

bool StartZoomWindow(TKQPrg2D& prg) { return Nest(prg, StateClassOf<TCADPrgZoomArea>()); }

bool StartRealTimePan(TKQPrg2D& prg) { return Nest(prg, StateClassOf<TCADPrgRealTimePan>()); }

bool StartDrawSizedPrimitive(TKQPrg2D& prg, std::unique_ptr<TPrimitive2D> primitive, bool orthoAllowed,
                             const TCADStateClass* afterState) {
  return prg.StartOperation(StateClassOf<TKQ2D_DrawSizedPrimitive>(),
                            std::make_unique<TKQ2D_DrawSizedPrimitiveParam>(afterState, orthoAllowed, 0,
                                                                            std::move(primitive)));
}

bool StartDrawUnSizedPrimitive(TKQPrg2D& prg, std::unique_ptr<TPrimitive2D> primitive, bool orthoAllowed,
                               const TCADStateClass* afterState) {
  return prg.StartOperation(StateClassOf<TKQ2D_DrawUnSizedPrimitive>(),
                            std::make_unique<TKQ2D_DrawUnSizedPrimitiveParam>(afterState, orthoAllowed, 0,
                                                                              std::move(primitive)));
}

namespace {

std::unique_ptr<TKQD2D_SelectObjectsParam> SelectParam(const TCADStateClass* afterState,
                                                       TSelectedObjectEvent onSelected) {
  auto param = std::make_unique<TKQD2D_SelectObjectsParam>(uint16_t(5), afterState);
  param->OnSelected = std::move(onSelected);
  return param;
}

}  // namespace

bool StartSelectOneObject(TKQPrg2D& prg, const TCADStateClass* afterState, TSelectedObjectEvent onSelected) {
  return prg.StartOperation(StateClassOf<TKQ2D_Select1Object>(), SelectParam(afterState, std::move(onSelected)));
}

bool StartSelectTwoObjects(TKQPrg2D& prg, const TCADStateClass* afterState, TSelectedObjectEvent onSelected) {
  return prg.StartOperation(StateClassOf<TCAD2DSeleziona2Ogg>(), SelectParam(afterState, std::move(onSelected)));
}

bool StartCropRectangle(TKQPrg2D& prg, TSCSelRettParam::CornersEvent onInfoCut, TSCSelRettParam::ReadyEvent onReady) {
  auto param = std::make_unique<TSCSelRettParam>();
  param->OnInfoCut = std::move(onInfoCut);
  param->OnAreaReady = std::move(onReady);
  return prg.StartOperation(StateClassOf<TSCSelRett>(), std::move(param));
}

bool StartMoveControlPoints(TKQPrg2D& prg) {
  prg.StopOperation();
  return StartSelectOneObject(prg, StateClassOf<TCAD2DEditSelectedPrimitive>());
}

}  // namespace cad
