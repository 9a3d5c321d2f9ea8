#include "cad/construction_commands.h"

#include <cmath>
#include <functional>
#include <memory>
#include <vector>

#include "cad/break2d.h"
#include "cad/corner2d.h"
#include "cad/offset2d.h"
#include "cad/tangent_line2d.h"
#include "lang/lang.h"

namespace cad {

bool ResolveTwoObjectPick(TKQPrg2D& prg, TCADPrgParam* param, TTwoObjectPick& pick) {
  auto* p = dynamic_cast<TKQD2D_SelectObjectsParam*>(param);
  TKQViewport2D* view = prg.Viewport2D();
  if (!p || !view || !view->CADCmp2D()) return false;
  std::vector<const TGraphicObject*> picked;
  {
    auto it = p->SelectedObjects.GetIterator();
    for (TGraphicObject* o = it->First(); o && picked.size() < 2; o = it->Next()) picked.push_back(o);
  }
  if (picked.size() != 2 || picked[0] == picked[1]) return false;
  // An object deleted since the pick is found by address only, never read.
  int32_t ids[2] = {-1, -1};
  int found = 0;
  auto objects = view->CADCmp2D()->ObjectsIterator();
  for (TGraphicObject* o = objects->First(); o; o = objects->Next())
    for (int i = 0; i < 2; ++i)
      if (o == picked[size_t(i)]) {
        ids[i] = o->ID;
        ++found;
      }
  if (found != 2 || ids[0] == ids[1]) return false;
  pick = {ids[0], ids[1], prg.PickPoints};
  return true;
}

namespace {

void Say(TKQPrg2D& prg, const std::string& text) {
  if (prg.OnConstructionMessage) prg.OnConstructionMessage(text);
}

// The object picked first, looked up in the drawing by address only, never read, in case it has gone
// since the pick.
int32_t PickedObjectID(TKQViewport2D& view, TKQD2D_SelectObjectsParam& p) {
  TGraphicObject* picked = nullptr;
  {
    auto it = p.SelectedObjects.GetIterator();
    picked = it->First();
  }
  if (!picked || !view.CADCmp2D()) return -1;
  auto objects = view.CADCmp2D()->ObjectsIterator();
  for (TGraphicObject* o = objects->First(); o; o = objects->Next())
    if (o == picked) return o->ID;
  return -1;
}

// Another pick, into the same parameter; the refresh takes the refused object's highlight away, and
// `why` (when there is one) says what was wrong with it.
void Repick(TKQPrg2D& prg, TKQViewport2D& view, TKQD2D_SelectObjectsParam& p, const std::string& why,
            const TCADStateClass*& next) {
  p.SelectedObjects.Clear();
  view.Refresh();
  if (!why.empty()) Say(prg, why);
  next = StateClassOf<TKQ2D_Select1Object>();
}

using TCommandWork = std::function<TConstructionResult(TKQCmp2D&, const TTwoObjectPick&, const TConstructionSettings&)>;

// What every two-object command does in its creation.
void RunTwoObjectCommand(TCADState& state, const TCADStateClass*& next, const TCommandWork& work,
                         bool repaintAtEnd) {
  TCADPrg& prg = state.CADPrg();
  TKQPrg2D& prg2d = Prg2DOf(prg);
  TTwoObjectPick pick;
  if (ResolveTwoObjectPick(prg2d, state.Param, pick)) {
    TKQViewport2D& view = *prg2d.Viewport2D();
    const TConstructionResult done = work(*view.CADCmp2D(), pick, prg2d.ConstructionSettings);
    // The refresh that ends the operation would wipe the markers at once: they follow it.
    if (!done.Crossings.empty())
      prg.DrawAfterOperation([crossings = done.Crossings](TKQViewport& viewport) {
        auto* view2d = dynamic_cast<TKQViewport2D*>(&viewport);
        if (!view2d) return;
        const TRect2D w = view2d->VisibleWindow();
        for (const TPoint2D& at : crossings)
          view2d->DrawRubberObject(*IntersectionMarker2D(at, std::abs(w.Second.X - w.First.X)), false);
      });
    if (!done.Message.empty()) Say(prg2d, done.Message);
    if (repaintAtEnd) prg.RepaintAfterOperation();
  }
  FreeAndIdle(state, next);
}

}  // namespace

TMyRaccordo::TMyRaccordo(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next) : TCADState(prg, param, next) {
  RunTwoObjectCommand(*this, next, TrimCorner2D, true);
}

TMyFillet::TMyFillet(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next) : TCADState(prg, param, next) {
  RunTwoObjectCommand(*this, next, FilletCorner2D, true);
}

TMyExtend::TMyExtend(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next) : TCADState(prg, param, next) {
  RunTwoObjectCommand(
      *this, next,
      [](TKQCmp2D& drawing, const TTwoObjectPick& pick, const TConstructionSettings&) {
        return ExtendToCorner2D(drawing, pick);
      },
      true);
}

TMyOffset::TMyOffset(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next) : TCADState(prg, param, next) {
  auto* p = dynamic_cast<TKQD2D_SelectObjectsParam*>(param);
  TKQPrg2D& prg2d = Prg2DOf(prg);
  TKQViewport2D& view = View2DOf(prg);
  if (!p) {
    FreeAndIdle(*this, next);
    return;
  }
  const bool picked = p->SelectedObjects.Count() > 0;
  sourceId_ = PickedObjectID(view, *p);
  if (sourceId_ >= 0 && !MakeCopy()) {
    // An arc too small for the distance waits for another distance or side.
    const TObject2D* source = view.CADCmp2D()->GetObject(sourceId_);
    if (source && OffsetCopy2D(*source, 0)) {
      Say(prg2d, lang::LangStringOr("1110", kOffsetTooLargeText));
      return;
    }
    sourceId_ = -1;
  }
  if (sourceId_ < 0) {
    Repick(prg2d, view, *p, picked ? lang::LangStringOr("1109", kNoOffsetText) : std::string(), next);
    return;
  }
  band_.Show(view, [&] { DrawCopy(view); });
}

bool TMyOffset::MakeCopy() {
  TKQPrg2D& prg2d = Prg2DOf(CADPrg());
  TKQViewport2D& view = View2DOf(CADPrg());
  const TObject2D* source = view.CADCmp2D() ? view.CADCmp2D()->GetObject(sourceId_) : nullptr;
  copy_ = source ? OffsetCopy2D(*source, prg2d.ConstructionSettings.OffsetDistance) : nullptr;
  return copy_ != nullptr;
}

void TMyOffset::DrawCopy(TKQViewport2D& view) {
  if (copy_) view.DrawRubberObject(*copy_, false);
}

bool TMyOffset::OnEvent(TCADPrgEvent kind, TCADPrgMouseButton, int key, platform::TShiftState,
                        const TCADStateClass*& next) {
  TKQPrg2D& prg2d = Prg2DOf(CADPrg());
  TKQViewport2D& view = View2DOf(CADPrg());
  auto say = [&](const std::string& text) { Say(prg2d, text); };
  if (kind == cadViewportPainted) {
    band_.Show(view, [&] { DrawCopy(view); });
    return false;
  }
  if (kind != cadUserDefined) return false;
  if (key == kOffsetChangedCode) {
    band_.Hide(view, [&] { DrawCopy(view); });
    // A source that cannot take the new distance shows no copy until one it can take; then the
    // message that there is none goes.
    say(MakeCopy() ? std::string() : lang::LangStringOr("1110", kOffsetTooLargeText));
    band_.Show(view, [&] { DrawCopy(view); });
    return false;
  }
  if (key == CADPRG_CANCEL) {
    band_.Hide(view, [&] { DrawCopy(view); });
    return FreeAndIdle(*this, next);
  }
  if (key != CADPRG_ACCEPT) return false;
  const double distance = prg2d.ConstructionSettings.OffsetDistance;
  TKQCmp2D* drawing = view.CADCmp2D();
  const TObject2D* source = drawing ? drawing->GetObject(sourceId_) : nullptr;
  if (!source || drawing->HasIterators()) return false;
  if (!std::isfinite(distance) || std::abs(distance) <= GeometryTolerance()) {
    say(lang::LangStringOr("1111", kOffsetZeroText));
    return false;
  }
  if (!MakeCopy()) {
    say(lang::LangStringOr("1110", kOffsetTooLargeText));
    return false;
  }
  band_.Hide(view, [&] { DrawCopy(view); });
  AddPieceOf2D(*drawing, *source, std::move(copy_));
  CADPrg().RepaintAfterOperation();
  return FreeAndIdle(*this, next);
}

TMyArcoTan2::TMyArcoTan2(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next) : TCADState(prg, param, next) {
  RunTwoObjectCommand(*this, next, TangentArc2D, true);
}

TMyBreak::TMyBreak(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next) : TCADState(prg, param, next) {
  RunTwoObjectCommand(
      *this, next,
      [](TKQCmp2D& drawing, const TTwoObjectPick& pick, const TConstructionSettings&) {
        return BreakAtCrossings2D(drawing, pick);
      },
      false);
}

TMyLineaTan2A::TMyLineaTan2A(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next)
    : TCADState(prg, param, next) {
  RunTwoObjectCommand(
      *this, next,
      [](TKQCmp2D& drawing, const TTwoObjectPick& pick, const TConstructionSettings&) {
        return TangentLine2D(drawing, pick);
      },
      true);
}

TKQD2D_PickThenPointParam::TKQD2D_PickThenPointParam(TPointConstruction kind)
    : TKQD2D_SelectObjectsParam(5, StateClassOf<TMyPointAfterPick>()), Kind(kind) {}

namespace {

const TCADStateClass* ConstructionOf(TPointConstruction kind) {
  return kind == TPointConstruction::PerpendicularLine ? StateClassOf<TMyLineaPer>() : StateClassOf<TMyArcoTan1>();
}

// How near to the drawn object a point lies on it: the pick's own aperture at the view's zoom, so a
// click that would pick the object is no point off it.
double OnObjectDistance(TKQViewport2D& view, const TKQD2D_SelectObjectsParam& p) {
  return view.PixelsToUnits(p.Aperture);
}

void RunPointConstruction(TCADState& state, const TCADStateClass*& next, TPointConstruction kind) {
  TKQPrg2D& prg = Prg2DOf(state.CADPrg());
  auto* p = dynamic_cast<TKQD2D_PickThenPointParam*>(state.Param);
  TKQViewport2D* view = prg.Viewport2D();
  if (p && p->PointGiven && view && view->CADCmp2D()) {
    const TConstructionResult done =
        PointConstruction2D(*view->CADCmp2D(), kind, p->ObjectID, p->Point, OnObjectDistance(*view, *p));
    if (!done.Message.empty()) Say(prg, done.Message);
    if (done.Changed) prg.RepaintAfterOperation();
  }
  FreeAndIdle(state, next);
}

}  // namespace

TMyPointAfterPick::TMyPointAfterPick(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next)
    : TCADState(prg, param, next) {
  auto* p = dynamic_cast<TKQD2D_PickThenPointParam*>(param);
  if (!p) {
    FreeAndIdle(*this, next);
    return;
  }
  TKQPrg2D& prg2d = Prg2DOf(prg);
  TKQViewport2D& view = View2DOf(prg);
  const int32_t id = PickedObjectID(view, *p);
  const TObject2D* object = id >= 0 ? view.CADCmp2D()->GetObject(id) : nullptr;
  const TFootFailure refusal = object ? PerpendicularRefusal2D(*object) : TFootFailure::NoLineOrArc;
  if (refusal != TFootFailure::None) {
    Repick(prg2d, view, *p, object ? FootFailureText(refusal) : std::string(), next);
    return;
  }
  p->ObjectID = id;
  SetDescription(PointPromptText(p->Kind));
}

std::unique_ptr<TPrimitive2D> TMyPointAfterPick::Make(const TPoint2D& point, TFootFailure& failure) {
  auto& p = static_cast<TKQD2D_PickThenPointParam&>(*Param);
  TKQCmp2D* drawing = View2DOf(CADPrg()).CADCmp2D();
  const TObject2D* object = drawing ? drawing->GetObject(p.ObjectID) : nullptr;
  failure = TFootFailure::NoLineOrArc;
  return object ? PointConstructionObject2D(p.Kind, *object, point, failure, OnObjectDistance(View2DOf(CADPrg()), p))
                : nullptr;
}

void TMyPointAfterPick::DrawPreview(TKQViewport2D& view) {
  if (preview_) view.DrawRubberObject(*preview_, false);
}

bool TMyPointAfterPick::OnEvent(TCADPrgEvent kind, TCADPrgMouseButton button, int key, platform::TShiftState,
                                const TCADStateClass*& next) {
  auto* p = static_cast<TKQD2D_PickThenPointParam*>(Param);
  if (!p) return false;
  TKQPrg2D& prg = Prg2DOf(CADPrg());
  TKQViewport2D& view = View2DOf(prg);
  auto draw = [&] { DrawPreview(view); };
  if (kind == cadViewportPainted) {
    band_.Show(view, draw);
    return false;
  }
  if (kind == cadMouseMove) {
    band_.Hide(view, draw);
    TFootFailure failure;
    preview_ = Make(prg.GetSnappedPoint(), failure);
    band_.Show(view, draw);
    return false;
  }
  if (kind == cadUserDefined && key == CADPRG_CANCEL) {
    band_.Hide(view, draw);
    return FreeAndIdle(*this, next);
  }
  if (kind != cadMouseUp || button != cmbLeft) return false;
  const TPoint2D at = prg.GetSnappedPoint();
  TFootFailure failure;
  if (!Make(at, failure)) {
    // The object may have gone meanwhile: then there is nothing to wait for.
    if (!view.CADCmp2D() || !view.CADCmp2D()->GetObject(p->ObjectID)) return FreeAndIdle(*this, next);
    Say(prg, FootFailureText(failure));
    said_ = true;
    return false;
  }
  band_.Hide(view, draw);
  // The reason given for an earlier click goes with the point that works.
  if (said_) Say(prg, "");
  p->Point = at;
  p->PointGiven = true;
  next = ConstructionOf(p->Kind);
  return true;
}

TMyArcoTan1::TMyArcoTan1(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next) : TCADState(prg, param, next) {
  RunPointConstruction(*this, next, TPointConstruction::TouchingCircle);
}

TMyLineaPer::TMyLineaPer(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next) : TCADState(prg, param, next) {
  RunPointConstruction(*this, next, TPointConstruction::PerpendicularLine);
}

bool StartTrim(TKQPrg2D& prg, TSelectedObjectEvent onSelected) {
  prg.ConstructionSettings.FilletRadius = 0;
  return StartSelectTwoObjects(prg, StateClassOf<TMyRaccordo>(), std::move(onSelected));
}

bool StartBreak(TKQPrg2D& prg, TSelectedObjectEvent onSelected) {
  return StartSelectTwoObjects(prg, StateClassOf<TMyBreak>(), std::move(onSelected));
}

bool StartLineTangent2Arcs(TKQPrg2D& prg, TSelectedObjectEvent onSelected) {
  return StartSelectTwoObjects(prg, StateClassOf<TMyLineaTan2A>(), std::move(onSelected));
}

bool StartFillet(TKQPrg2D& prg, TSelectedObjectEvent onSelected) {
  return StartSelectTwoObjects(prg, StateClassOf<TMyFillet>(), std::move(onSelected));
}

bool StartExtend(TKQPrg2D& prg, TSelectedObjectEvent onSelected) {
  return StartSelectTwoObjects(prg, StateClassOf<TMyExtend>(), std::move(onSelected));
}

bool StartOffset(TKQPrg2D& prg, TSelectedObjectEvent onSelected) {
  return StartSelectOneObject(prg, StateClassOf<TMyOffset>(), std::move(onSelected));
}

bool StartArcTangent2(TKQPrg2D& prg, TSelectedObjectEvent onSelected) {
  return StartSelectTwoObjects(prg, StateClassOf<TMyArcoTan2>(), std::move(onSelected));
}

namespace {

bool StartPickThenPoint(TKQPrg2D& prg, TPointConstruction kind, TSelectedObjectEvent onSelected) {
  auto param = std::make_unique<TKQD2D_PickThenPointParam>(kind);
  param->OnSelected = std::move(onSelected);
  return prg.StartOperation(StateClassOf<TKQ2D_Select1Object>(), std::move(param));
}

}  // namespace

bool StartArcTangent1(TKQPrg2D& prg, TSelectedObjectEvent onSelected) {
  return StartPickThenPoint(prg, TPointConstruction::TouchingCircle, std::move(onSelected));
}

bool StartLinePerpendicular(TKQPrg2D& prg, TSelectedObjectEvent onSelected) {
  return StartPickThenPoint(prg, TPointConstruction::PerpendicularLine, std::move(onSelected));
}

}  // namespace cad
