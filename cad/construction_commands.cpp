#include "cad/construction_commands.h"

#include <functional>
#include <vector>

#include "cad/break2d.h"
#include "cad/corner2d.h"
#include "cad/tangent_line2d.h"

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
    if (!done.Message.empty() && prg2d.OnConstructionMessage) prg2d.OnConstructionMessage(done.Message);
    if (repaintAtEnd) prg.RepaintAfterOperation();
  }
  FreeAndIdle(state, next);
}

}  // namespace

TMyRaccordo::TMyRaccordo(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next) : TCADState(prg, param, next) {
  RunTwoObjectCommand(*this, next, TrimCorner2D, true);
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

TMyArcoTan1::TMyArcoTan1(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next) : TCADState(prg, param, next) {
  FreeAndIdle(*this, next);
}

TMyLineaPer::TMyLineaPer(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next) : TCADState(prg, param, next) {
  FreeAndIdle(*this, next);
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

bool StartArcTangent2(TKQPrg2D& prg, TSelectedObjectEvent onSelected) {
  return StartSelectTwoObjects(prg, StateClassOf<TMyArcoTan2>(), std::move(onSelected));
}

bool StartArcTangent1(TKQPrg2D& prg, TSelectedObjectEvent onSelected) {
  return StartSelectOneObject(prg, StateClassOf<TMyArcoTan1>(), std::move(onSelected));
}

bool StartLinePerpendicular(TKQPrg2D& prg, TSelectedObjectEvent onSelected) {
  return StartSelectOneObject(prg, StateClassOf<TMyLineaPer>(), std::move(onSelected));
}

}  // namespace cad
