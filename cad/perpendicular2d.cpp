#include "cad/perpendicular2d.h"

#include <cmath>

#include "cad/intersections.h"
#include "lang/lang.h"

namespace cad {

namespace {

TFoot2D Failed(TFootFailure failure) { return TFoot2D{failure, Point2D(0, 0)}; }

TFoot2D FootOnSegment(const TPoint2D& a, const TPoint2D& b, const TPoint2D& from, double onObject) {
  const double tolerance = GeometryTolerance();
  const double length = CartesianDistance2D(a, b);
  if (length <= tolerance) return Failed(TFootFailure::NoLineOrArc);
  // Past about 1.3e154 the square of the length is no number, and neither is the projection on it.
  if (!std::isfinite(length)) return Failed(TFootFailure::NotFinite);
  const TPoint2D foot = PerpendicularFoot2D(from, a, b);
  if (!IsFinitePoint2D(foot)) return Failed(TFootFailure::NotFinite);
  // A foot off the segment lies away from the segment's nearest point.
  if (CartesianDistance2D(foot, ClosestPointOnSegment2D(from, a, b)) > tolerance)
    return Failed(TFootFailure::BeyondTheEnds);
  if (CartesianDistance2D(foot, from) <= onObject) return Failed(TFootFailure::OnTheObject);
  return TFoot2D{TFootFailure::None, foot};
}

TFoot2D FootOnArc(const TArcPoints& arc, const TPoint2D& from, double onObject) {
  const double distance = CartesianDistance2D(arc.Centre, from);
  if (distance <= GeometryTolerance()) return Failed(TFootFailure::AtTheCentre);
  // As for a line: no projection through a distance whose square is no number.
  if (!std::isfinite(distance)) return Failed(TFootFailure::NotFinite);
  // The nearer point first, then the one across the centre.
  const TPoint2D nearer = ProjectToCircle2D(from, arc.Centre, arc.Radius);
  if (!IsFinitePoint2D(nearer)) return Failed(TFootFailure::NotFinite);
  if (IsPointOnArc2D(arc, from) || (CartesianDistance2D(nearer, from) <= onObject && IsPointOnArc2D(arc, nearer)))
    return Failed(TFootFailure::OnTheObject);
  const TPoint2D feet[] = {nearer, Point2D(2 * arc.Centre.X - nearer.X, 2 * arc.Centre.Y - nearer.Y)};
  for (const TPoint2D& foot : feet)
    if (IsPointOnArc2D(arc, foot)) return TFoot2D{TFootFailure::None, foot};
  return Failed(TFootFailure::BeyondTheEnds);
}

// The model transform keeps circles round: a turn, a mirror, a move and one scale for both axes.
bool KeepsCirclesRound(const TTransform2D& m) {
  if (!m.IsAffine()) return false;
  const double a = m.M[0][0], b = m.M[0][1], c = m.M[1][0], d = m.M[1][1];
  const double size = a * a + b * b + c * c + d * d;
  const double tolerance = 1e-9 * size;
  return std::isfinite(size) && size > 0 && std::abs(a * a + b * b - c * c - d * d) <= tolerance &&
         std::abs(a * c + b * d) <= tolerance;
}

}  // namespace

TFootFailure PerpendicularRefusal2D(const TObject2D& object) {
  TPoint2D a, b;
  TArcPoints arc;
  if (ReadLine2D(object, a, b))
    return CartesianDistance2D(a, b) > GeometryTolerance() ? TFootFailure::None : TFootFailure::NoLineOrArc;
  if (!ReadArcOrCircle2D(object, arc)) return TFootFailure::NoLineOrArc;
  // Scaled unevenly it is drawn as an ellipse, and a construction on its circle would end off it.
  if (object.HasTransform() && !KeepsCirclesRound(object.GetModelTransform())) return TFootFailure::Ellipse;
  return TFootFailure::None;
}

bool HasPerpendicular2D(const TObject2D& object) { return PerpendicularRefusal2D(object) == TFootFailure::None; }

TFoot2D PerpendicularFoot2D(const TObject2D& object, const TPoint2D& from, double onObject) {
  if (!IsFinitePoint2D(from)) return Failed(TFootFailure::OnTheObject);
  const TFootFailure refusal = PerpendicularRefusal2D(object);
  if (refusal != TFootFailure::None) return Failed(refusal);
  // Never less than the drawing's own tolerance; a broken view mapping gives no aperture.
  if (!std::isfinite(onObject) || onObject < GeometryTolerance()) onObject = GeometryTolerance();
  TPoint2D a, b;
  TArcPoints arc;
  if (ReadLine2D(object, a, b)) return FootOnSegment(a, b, from, onObject);
  if (ReadArcOrCircle2D(object, arc)) return FootOnArc(arc, from, onObject);
  return Failed(TFootFailure::NoLineOrArc);
}

std::unique_ptr<TPrimitive2D> PointConstructionObject2D(TPointConstruction kind, const TObject2D& object,
                                                        const TPoint2D& point, TFootFailure& failure,
                                                        double onObject) {
  const TPoint2D from = CartesianPoint2D(point);
  const TFoot2D foot = PerpendicularFoot2D(object, from, onObject);
  failure = foot.Failure;
  if (failure != TFootFailure::None) return nullptr;
  // Far apart points can be finite while their distance (the line's length, the circle's radius) is not.
  if (!std::isfinite(CartesianDistance2D(from, foot.At))) {
    failure = TFootFailure::NotFinite;
    return nullptr;
  }
  std::unique_ptr<TPrimitive2D> made;
  if (kind == TPointConstruction::PerpendicularLine) made = std::make_unique<TLine2D>(-1, from, foot.At);
  else made = std::make_unique<TCerchio2D>(-1, from, foot.At);
  made->UpdateAndNotify();
  return made;
}

TConstructionResult PointConstruction2D(TKQCmp2D& drawing, TPointConstruction kind, int32_t id,
                                        const TPoint2D& point, double onObject) {
  TConstructionResult result;
  // The list cannot take an object while it is walked; the command ends with the drawing as it was.
  if (drawing.HasIterators()) return result;
  const TObject2D* object = drawing.GetObject(id);
  TFootFailure failure = TFootFailure::NoLineOrArc;
  std::unique_ptr<TPrimitive2D> made =
      object ? PointConstructionObject2D(kind, *object, point, failure, onObject) : nullptr;
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
    case TFootFailure::Ellipse:
      return lang::LangStringOr("1700", "The arc or circle was scaled unevenly and is drawn as an ellipse: pick a line, an arc or a circle");
    case TFootFailure::NotFinite:
      return lang::LangStringOr("1701", "The result would be too large for the drawing: nothing was drawn");
  }
  return "";
}

}  // namespace cad
