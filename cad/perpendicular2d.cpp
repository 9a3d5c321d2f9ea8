#include "cad/perpendicular2d.h"

#include <cmath>

#include "cad/intersections.h"
#include "lang/lang.h"

namespace cad {

namespace {

TFoot2D Failed(TFootFailure failure) { return TFoot2D{failure, Point2D(0, 0)}; }

TFoot2D FootOnSegment(const TPoint2D& a, const TPoint2D& b, const TPoint2D& from) {
  const double tolerance = GeometryTolerance();
  if (CartesianDistance2D(a, b) <= tolerance) return Failed(TFootFailure::NoLineOrArc);
  const TPoint2D foot = PerpendicularFoot2D(from, a, b);
  // A foot off the segment lies away from the segment's nearest point.
  if (CartesianDistance2D(foot, ClosestPointOnSegment2D(from, a, b)) > tolerance)
    return Failed(TFootFailure::BeyondTheEnds);
  if (CartesianDistance2D(foot, from) <= tolerance) return Failed(TFootFailure::OnTheObject);
  return TFoot2D{TFootFailure::None, foot};
}

TFoot2D FootOnArc(const TArcPoints& arc, const TPoint2D& from) {
  if (CartesianDistance2D(arc.Centre, from) <= GeometryTolerance()) return Failed(TFootFailure::AtTheCentre);
  if (IsPointOnArc2D(arc, from)) return Failed(TFootFailure::OnTheObject);
  // The nearer point first, then the one across the centre.
  const TPoint2D nearer = ProjectToCircle2D(from, arc.Centre, arc.Radius);
  const TPoint2D feet[] = {nearer, Point2D(2 * arc.Centre.X - nearer.X, 2 * arc.Centre.Y - nearer.Y)};
  for (const TPoint2D& foot : feet)
    if (IsPointOnArc2D(arc, foot)) return TFoot2D{TFootFailure::None, foot};
  return Failed(TFootFailure::BeyondTheEnds);
}

}  // namespace

bool HasPerpendicular2D(const TObject2D& object) {
  TPoint2D a, b;
  TArcPoints arc;
  if (ReadLine2D(object, a, b)) return CartesianDistance2D(a, b) > GeometryTolerance();
  return ReadArcOrCircle2D(object, arc);
}

TFoot2D PerpendicularFoot2D(const TObject2D& object, const TPoint2D& from) {
  if (!IsFinitePoint2D(from)) return Failed(TFootFailure::OnTheObject);
  TPoint2D a, b;
  TArcPoints arc;
  if (ReadLine2D(object, a, b)) return FootOnSegment(a, b, from);
  if (ReadArcOrCircle2D(object, arc)) return FootOnArc(arc, from);
  return Failed(TFootFailure::NoLineOrArc);
}

std::unique_ptr<TPrimitive2D> PointConstructionObject2D(TPointConstruction kind, const TObject2D& object,
                                                        const TPoint2D& point, TFootFailure& failure) {
  const TPoint2D from = CartesianPoint2D(point);
  const TFoot2D foot = PerpendicularFoot2D(object, from);
  failure = foot.Failure;
  if (failure != TFootFailure::None) return nullptr;
  std::unique_ptr<TPrimitive2D> made;
  if (kind == TPointConstruction::PerpendicularLine) made = std::make_unique<TLine2D>(-1, from, foot.At);
  else made = std::make_unique<TCerchio2D>(-1, from, foot.At);
  made->UpdateAndNotify();
  return made;
}

TConstructionResult PointConstruction2D(TKQCmp2D& drawing, TPointConstruction kind, int32_t id,
                                        const TPoint2D& point) {
  TConstructionResult result;
  // The list cannot take an object while it is walked; the command ends with the drawing as it was.
  if (drawing.HasIterators()) return result;
  const TObject2D* object = drawing.GetObject(id);
  TFootFailure failure = TFootFailure::NoLineOrArc;
  std::unique_ptr<TPrimitive2D> made =
      object ? PointConstructionObject2D(kind, *object, point, failure) : nullptr;
  if (!made) {
    result.Message = FootFailureText(failure);
    return result;
  }
  drawing.AddObject(-1, std::move(made));
  result.Changed = true;
  return result;
}

std::string PointPromptText(TPointConstruction kind) {
  if (kind == TPointConstruction::PerpendicularLine)
    return lang::LangStringOr("1550", "Perpendicular line: click the point it starts from");
  return lang::LangStringOr("1551", "Touching circle: click its centre");
}

std::string FootFailureText(TFootFailure failure) {
  switch (failure) {
    case TFootFailure::None: return "";
    case TFootFailure::NoLineOrArc: return lang::LangStringOr("1552", "Pick a line, an arc or a circle");
    case TFootFailure::OnTheObject: return lang::LangStringOr("1553", "The point lies on the entity: give another point");
    case TFootFailure::BeyondTheEnds:
      return lang::LangStringOr("1554", "The foot of the perpendicular lies beyond the entity's ends: give another point");
    case TFootFailure::AtTheCentre:
      return lang::LangStringOr("1555", "The point is the centre of the arc or circle: give another point");
  }
  return "";
}

}  // namespace cad
