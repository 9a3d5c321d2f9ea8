// The constructions of one picked object and one point: the perpendicular line from the point to a
// line, arc or circle, and the circle centred at the point that touches the object. Both meet the
// object at the foot of the perpendicular from the point, where the circle is tangent to it.
//
//   TConstructionResult done = PointConstruction2D(drawing, TPointConstruction::PerpendicularLine,
//                                                  lineId, Point2D(5, 8));
//   if (!done.Changed) status(done.Message);   // the point lies on the line, ...
#pragma once

#include <memory>
#include <string>

#include "cad/construction.h"

namespace cad {

enum class TPointConstruction {
  PerpendicularLine,  // "Line Perpend.": from the point to its foot
  TouchingCircle,     // "1 entity + center point": centred at the point, through its foot
};

// Why there is no foot.
enum class TFootFailure {
  None,
  NoLineOrArc,    // the object is no line (or two-point polyline), arc or circle
  OnTheObject,    // the point lies on the object
  BeyondTheEnds,  // the foot falls outside the line's segment or the arc's span
  AtTheCentre,    // the point is the arc's or circle's centre: every radius is perpendicular
  Ellipse,        // an arc or circle scaled unevenly: drawn as an ellipse, no circle to construct on
  NotFinite,      // the result lies beyond the numbers a drawing can hold
};

struct TFoot2D {
  TFootFailure Failure = TFootFailure::NoLineOrArc;
  TPoint2D At = Point2D(0, 0);
};

// Whether the constructions take the object (a line of some length, an arc, a circle drawn as one):
// None, or why not (NoLineOrArc, Ellipse).
TFootFailure PerpendicularRefusal2D(const TObject2D& object);
bool HasPerpendicular2D(const TObject2D& object);

// The foot of the perpendicular from `from` (drawing coordinates) on the object. On a line, the
// projection of `from`, within the segment. On an arc or circle, the nearer of the two points where
// the line through the centre and `from` crosses it that lies within the arc's span (on a circle
// always the nearer: the shortest way to it). A point within `onObject` (drawing units; the view
// passes its pick aperture) of the drawn object lies on it.
TFoot2D PerpendicularFoot2D(const TObject2D& object, const TPoint2D& from, double onObject = GeometryTolerance());

// The new object, not added to any drawing (ID -1): the line from `point` to its foot, or the
// circle centred at `point` through it. None, and why in `failure`, when there is no foot or the
// result would not be finite.
std::unique_ptr<TPrimitive2D> PointConstructionObject2D(TPointConstruction kind, const TObject2D& object,
                                                        const TPoint2D& point, TFootFailure& failure,
                                                        double onObject = GeometryTolerance());

// Adds the construction to the drawing (on its current layer); nothing, with the reason in Message,
// when the object `id` is gone or there is no construction.
TConstructionResult PointConstruction2D(TKQCmp2D& drawing, TPointConstruction kind, int32_t id,
                                        const TPoint2D& point, double onObject = GeometryTolerance());

// The status texts: the prompt for the point once the object is picked, and why nothing was made.
std::string PointPromptText(TPointConstruction kind);
std::string FootFailureText(TFootFailure failure);

}  // namespace cad
