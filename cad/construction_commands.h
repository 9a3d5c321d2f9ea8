// The construction commands of the 2D view as states: the follow-ups of the pick tasks. Each does
// its whole work in its creation: it reads the two picked objects and where they were picked, makes
// one construction call with the values the main window put in the program's ConstructionSettings,
// marks the crossings, frees the pick parameter and goes idle, so the operation ends at once.
//
//   prg.ConstructionSettings.TangentArcRadius = 2.5;      // the main window's fields
//   StartArcTangent2(prg, highlight);                     // "2 entities"
#pragma once

#include "cad/kq2d_tasks.h"
#include "cad/perpendicular2d.h"

namespace cad {

// Trim or extend both objects to their corner (the fillet state).
class TMyRaccordo : public TCADState {
 public:
  TMyRaccordo(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next);
};

// The arc of the tangent-arc radius tangent to both objects, trimming them on request.
class TMyArcoTan2 : public TCADState {
 public:
  TMyArcoTan2(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next);
};

// Both objects broken at their crossings.
class TMyBreak : public TCADState {
 public:
  TMyBreak(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next);
};

// The line tangent to two arcs or circles nearest to where they were picked.
class TMyLineaTan2A : public TCADState {
 public:
  TMyLineaTan2A(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next);
};

// The fillet command: the tangent arc of the fillet radius, both objects trimmed to it.
class TMyFillet : public TCADState {
 public:
  TMyFillet(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next);
};

// The extend command: the first object lengthened up to the second.
class TMyExtend : public TCADState {
 public:
  TMyExtend(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next);
};

// Sent to the offset state when the offset distance (or its side) changed: the preview follows.
inline constexpr int kOffsetChangedCode = 7;

// The offset command after its one-object pick: the copy at the offset distance shows as a rubber
// band (drawn again whenever the view is painted, rebuilt on kOffsetChangedCode); Done adds it to the
// drawing on the source's layer and ends, Cancel drops it. An object that has no offset is reported
// and the pick starts again; Done with a distance of 0 is refused (it would only double the object).
class TMyOffset : public TCADState {
 public:
  TMyOffset(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next);
  bool OnEvent(TCADPrgEvent kind, TCADPrgMouseButton button, int key, platform::TShiftState shift,
               const TCADStateClass*& next) override;

 private:
  // The copy at the settings' distance; false (and a message) when there is none.
  bool MakeCopy();
  void DrawCopy(TKQViewport2D& view);
  int32_t sourceId_ = -1;
  std::unique_ptr<TPrimitive2D> copy_;
  TRubberBand band_;
};

inline constexpr const char* kNoOffsetText = "Only a line, an arc or a circle has an offset; pick one";
inline constexpr const char* kOffsetTooLargeText = "The arc or circle has no offset at this distance";
inline constexpr const char* kOffsetZeroText = "Give the offset a distance";

// The one-object pick of "Line Perpend." and "1 entity + center point", and the point that follows
// it (TMyPointAfterPick), handed on to the construction state.
class TKQD2D_PickThenPointParam : public TKQD2D_SelectObjectsParam {
 public:
  explicit TKQD2D_PickThenPointParam(TPointConstruction kind);

  TPointConstruction Kind;
  // Set once the object is picked.
  int32_t ObjectID = -1;
  // Set by the click after the pick.
  bool PointGiven = false;
  TPoint2D Point = Point2D(0, 0);
};

// After the pick: the construction follows the pointer as a rubber band and a click gives its point;
// then the construction state. An object that is no line, arc or circle is reported and the pick
// starts again; a point with nothing to construct (on the object, a foot beyond its ends, the
// centre) is reported and another may be clicked. Cancel ends it with the drawing as it was.
class TMyPointAfterPick : public TCADState {
 public:
  TMyPointAfterPick(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next);
  bool OnEvent(TCADPrgEvent kind, TCADPrgMouseButton button, int key, platform::TShiftState shift,
               const TCADStateClass*& next) override;

 private:
  // The construction for `point`; none (and why) when there is nothing to construct.
  std::unique_ptr<TPrimitive2D> Make(const TPoint2D& point, TFootFailure& failure);
  void DrawPreview(TKQViewport2D& view);
  std::unique_ptr<TPrimitive2D> preview_;
  TRubberBand band_;
  bool said_ = false;
};

// The constructions, each done in its creation with the point given after the pick: the circle
// centred at the point that touches the picked object, and the line from the point perpendicular
// to it. They free the parameter and go idle (any other parameter: they just end).
class TMyArcoTan1 : public TCADState {
 public:
  TMyArcoTan1(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next);
};

class TMyLineaPer : public TCADState {
 public:
  TMyLineaPer(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next);
};

// The two objects of a finished two-object pick that are still in the drawing, distinct, with
// where they were picked; false otherwise (read without touching an object that has gone).
bool ResolveTwoObjectPick(TKQPrg2D& prg, TCADPrgParam* param, TTwoObjectPick& pick);

// --- How the main window starts them (aperture 5 pixels, `onSelected` its highlight) -----------

// "Trim": the fillet radius becomes 0 and the corner command follows the two-object pick.
bool StartTrim(TKQPrg2D& prg, TSelectedObjectEvent onSelected);
bool StartBreak(TKQPrg2D& prg, TSelectedObjectEvent onSelected);
bool StartLineTangent2Arcs(TKQPrg2D& prg, TSelectedObjectEvent onSelected);
// "Fillet" with the settings' fillet radius; "Extend": the object to lengthen first, then the one
// it is to reach; "Offset": one object, then its offset copy until Done or Cancel.
bool StartFillet(TKQPrg2D& prg, TSelectedObjectEvent onSelected);
bool StartExtend(TKQPrg2D& prg, TSelectedObjectEvent onSelected);
bool StartOffset(TKQPrg2D& prg, TSelectedObjectEvent onSelected);
// "2 entities" of the tangent arc page.
bool StartArcTangent2(TKQPrg2D& prg, TSelectedObjectEvent onSelected);
// "1 entity + center point" and "Line Perpend.": a one-object pick, then a point.
bool StartArcTangent1(TKQPrg2D& prg, TSelectedObjectEvent onSelected);
bool StartLinePerpendicular(TKQPrg2D& prg, TSelectedObjectEvent onSelected);

}  // namespace cad
