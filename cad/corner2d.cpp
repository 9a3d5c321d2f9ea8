#include "cad/corner2d.h"

#include <cmath>
#include <initializer_list>
#include <string>

#include "cad/break2d.h"
#include "cad/intersections.h"
#include "cad/offset2d.h"
#include "lang/lang.h"

namespace cad {

namespace {

// Without a tangent arc the objects are shifted by this small probe distance only to learn which
// way each one runs from the corner; the corner itself is exact.
constexpr double kProbeDistance = 0.1;

// a x + b y + c = 0 through two points.
struct TImplicitLine {
  double A = 0, B = 0, C = 0;
};

TImplicitLine ImplicitLine(const TPoint2D& p, const TPoint2D& q) { return {p.Y - q.Y, q.X - p.X, p.X * q.Y - q.X * p.Y}; }

double SignedDistance(const TImplicitLine& l, const TPoint2D& p) {
  const double n = std::hypot(l.A, l.B);
  return n == 0 ? 0 : (l.A * p.X + l.B * p.Y + l.C) / n;
}

TPoint2D Midpoint(const TPoint2D& a, const TPoint2D& b) { return Point2D((a.X + b.X) / 2, (a.Y + b.Y) / 2); }

const TPoint2D& NearerTo(const TPoint2D& target, const TPoint2D& a, const TPoint2D& b) {
  return PointDistance2D(a, target) <= PointDistance2D(b, target) ? a : b;
}

// The two crossings of the whole line through p and q with the circle; false unless there are two.
bool LineCrossesCircle(const TPoint2D& p, const TPoint2D& q, const TPoint2D& centre, double r, TPoint2D& first,
                       TPoint2D& second) {
  const TPoint2D foot = PerpendicularFoot2D(centre, p, q);
  const double u = PointDistance2D(centre, foot);
  if (u >= r || IsSameFloat(u, r)) return false;
  const TVector2D along = NormalizeVector2D(PointDelta2D(p, q));
  const double half = std::sqrt(r * r - u * u);
  first = Point2D(foot.X - half * along.X, foot.Y - half * along.Y);
  second = Point2D(foot.X + half * along.X, foot.Y + half * along.Y);
  return true;
}

// The radius of a circle shifted by h away from the side where p lies: grown when p lies outside,
// shrunk when inside; 0 when p lies on the circle (no side) or nothing is left of the circle.
double ShiftedRadius(const TArcPoints& arc, const TPoint2D& p, double h) {
  const int side = PointVersusCircle2D(arc.Radius, arc.Centre, p);
  if (side == 0) return 0;
  const double r = arc.Radius + (side > 0 ? h : -h);
  return r > GeometryTolerance() ? r : 0;
}

// The tangent arc runs counter-clockwise the shorter way from one tangent point to the other.
TArcPiece TangentArcAngles(const TPoint2D& centre, const TPoint2D& t1, const TPoint2D& t2) {
  auto angle = [&](const TPoint2D& t) { return NormalAngle2D(std::atan2(t.Y - centre.Y, t.X - centre.X)); };
  const double a1 = angle(t1), a2 = angle(t2);
  double ccw = a2 - a1;
  if (ccw < 0) ccw += kTwoPi;
  return ccw <= kTwoPi / 2 ? TArcPiece{a1, a2} : TArcPiece{a2, a1};
}

// Moves the end of p0-p1 that lies on the far side of the corner k from the tangent point t: p0
// when p0->p1 runs the way k->t does.
void MoveEnd(TPoint2D& p0, TPoint2D& p1, const TPoint2D& t, const TPoint2D& k, const TPoint2D& target) {
  const double along = (p1.X - p0.X) * (t.X - k.X) + (p1.Y - p0.Y) * (t.Y - k.Y);
  (along > 0 ? p0 : p1) = target;
}

bool IsRealSegment(const TPoint2D& p, const TPoint2D& q) { return PointDistance2D(p, q) > GeometryTolerance(); }

// A trimmed line keeps a length and its direction: a line picked beyond the corner would shrink to
// nothing or turn round onto ground it never covered.
bool IsSoundTrim(const TPoint2D& old0, const TPoint2D& old1, const TPoint2D& new0, const TPoint2D& new1) {
  const double along = (old1.X - old0.X) * (new1.X - new0.X) + (old1.Y - old0.Y) * (new1.Y - new0.Y);
  return IsRealSegment(new0, new1) && along > 0;
}

void AddTangentArc(TKQCmp2D& drawing, const TPoint2D& centre, double radius, const TArcPiece& angles, bool trim) {
  const TArcPiece a = trim ? angles : TArcPiece{0, 0};
  drawing.AddObject(-1, std::make_unique<TArco2D>(-1, centre, Point2D(centre.X + radius, centre.Y), a.Start, a.End));
}

struct TCorner {
  bool AddArc = false;
  bool Trim = false;
  double Radius = 0;
  // Extend: the first object only is changed, and only lengthened; the second stays as it is.
  bool Extend = false;
  // The shift that finds the centre: the radius with an arc, the probe without.
  double Shift() const { return AddArc ? Radius : kProbeDistance; }
};

// The corner and the tangent points lie within this many diagonals of both objects' box: nearly
// parallel lines meet far out, and ends moved there would leave the drawing behind.
constexpr double kCornerReach = 100;

bool IsNearBoth(const TRect2D& box, std::initializer_list<TPoint2D> points) {
  const TRect2D r = ReorderRect2D(box);
  const TRect2D reach = EnlargeRect2D(r, kCornerReach * PointDistance2D(r.First, r.Second));
  for (const TPoint2D& p : points)
    if (!IsPointInRect2D(p, reach)) return false;
  return true;
}

TRect2D SegmentsBox(const TPoint2D& p0, const TPoint2D& p1, const TPoint2D& q0, const TPoint2D& q1) {
  return UnionRect2D(Rect2D(p0.X, p0.Y, p1.X, p1.Y), Rect2D(q0.X, q0.Y, q1.X, q1.Y));
}

// The extend command's end: the line takes its new ends only when they lengthen it.
bool ExtendLine(TObject2D& line, const TPoint2D& old0, const TPoint2D& old1, const TPoint2D& new0, const TPoint2D& new1,
                std::string& why) {
  if (!IsSoundTrim(old0, old1, new0, new1) ||
      PointDistance2D(new0, new1) <= PointDistance2D(old0, old1) + GeometryTolerance()) {
    why = lang::LangStringOr("1106", kAlreadyReachesText);
    return false;
  }
  SetLinePoints2D(line, new0, new1);
  return true;
}

bool LineLine(TKQCmp2D& drawing, TObject2D& first, TObject2D& second, const TPickPoints& picks, const TCorner& how,
              std::string& why) {
  TPoint2D p0, p1, q0, q1;
  if (!ReadLine2D(first, p0, p1) || !ReadLine2D(second, q0, q1)) return false;
  const TImplicitLine l1 = ImplicitLine(p0, p1), l2 = ImplicitLine(q0, q1);
  const double d = l1.A * l2.B - l2.A * l1.B;
  if (d == 0) {
    why = lang::LangStringOr("1100", kParallelLinesText);
    return false;
  }
  const double e = SignedDistance(l1, picks[1]), f = SignedDistance(l2, picks[0]);
  if (IsSameFloat(e, 0) || IsSameFloat(f, 0)) {
    why = lang::LangStringOr("1101", kPickOnObjectText);
    return false;
  }
  // Each line shifted towards the side where the other object was picked.
  const double h = how.Shift();
  const double c1 = l1.C - std::hypot(l1.A, l1.B) * (e > 0 ? h : -h);
  const double c2 = l2.C - std::hypot(l2.A, l2.B) * (f > 0 ? h : -h);
  const TPoint2D centre = Point2D((l1.B * c2 - l2.B * c1) / d, (c1 * l2.A - c2 * l1.A) / d);
  const TPoint2D corner = Point2D((l1.B * l2.C - l2.B * l1.C) / d, (l1.C * l2.A - l2.C * l1.A) / d);
  const TPoint2D t1 = PerpendicularFoot2D(centre, p0, p1), t2 = PerpendicularFoot2D(centre, q0, q1);
  if (!IsFinitePoint2D(centre) || !IsFinitePoint2D(corner) || !IsFinitePoint2D(t1) || !IsFinitePoint2D(t2) ||
      !IsNearBoth(SegmentsBox(p0, p1, q0, q1), {corner, t1, t2})) {
    why = lang::LangStringOr("1102", kFarCornerText);
    return false;
  }
  const TPoint2D oldP0 = p0, oldP1 = p1, oldQ0 = q0, oldQ1 = q1;
  MoveEnd(p0, p1, t1, corner, how.AddArc ? t1 : corner);
  if (how.Extend) return ExtendLine(first, oldP0, oldP1, p0, p1, why);
  MoveEnd(q0, q1, t2, corner, how.AddArc ? t2 : corner);
  if (how.Trim && (!IsSoundTrim(oldP0, oldP1, p0, p1) || !IsSoundTrim(oldQ0, oldQ1, q0, q1))) {
    why = lang::LangStringOr("1103", kPickBeyondCornerText);
    return false;
  }
  if (how.AddArc) AddTangentArc(drawing, centre, how.Radius, TangentArcAngles(centre, t1, t2), how.Trim);
  if (how.Trim) {
    SetLinePoints2D(first, p0, p1);
    SetLinePoints2D(second, q0, q1);
  }
  return true;
}

// picks[0] where the line was picked, picks[1] where the arc (or circle) was. A circle becomes a
// full arc only when the construction acts on it; `arcId` then names that arc.
bool LineArc(TKQCmp2D& drawing, TObject2D& line, int32_t& arcId, const TPickPoints& picks, const TCorner& how,
             std::string& why) {
  TPoint2D p0, p1;
  TArcPoints arc;
  const TObject2D* arcObject = drawing.GetObject(arcId);
  if (!ReadLine2D(line, p0, p1) || !IsRealSegment(p0, p1) || !arcObject || !ReadArcOrCircle2D(*arcObject, arc))
    return false;
  const double h = how.Shift();
  // The line shifted towards the side where the arc was picked, the circle away from the line's pick.
  const TVector2D back = PointDelta2D(p1, p0);
  const TVector2D o = VertexOffset2D(back, back, IsRightOfLine2D(picks[1], p0, p1) ? -h : h);
  const TPoint2D s0 = Point2D(p0.X - o.X, p0.Y - o.Y), s1 = Point2D(p1.X - o.X, p1.Y - o.Y);
  const double shifted = ShiftedRadius(arc, picks[0], h);
  const TPoint2D middle = Midpoint(picks[0], picks[1]);
  TPoint2D a, b, k1, k2;
  if (shifted == 0) {
    why = lang::LangStringOr("1101", kPickOnObjectText);
    return false;
  }
  // Without a crossing of the line and the circle there is no corner to trim to; a tangent arc still
  // finds its place, the line's end moving as if the corner were where the line comes nearest.
  const bool crosses = LineCrossesCircle(p0, p1, arc.Centre, arc.Radius, k1, k2);
  if (!crosses && !how.AddArc) {
    why = lang::LangStringOr("1104", kNoCrossingText);
    return false;
  }
  if (!LineCrossesCircle(s0, s1, arc.Centre, shifted, a, b)) {
    why = lang::LangStringOr("1108", kNoTangentArcText);
    return false;
  }
  const TPoint2D centre = NearerTo(middle, a, b);
  const TPoint2D corner = crosses ? NearerTo(middle, k1, k2) : PerpendicularFoot2D(arc.Centre, p0, p1);
  const TPoint2D onLine = PerpendicularFoot2D(centre, p0, p1);
  const TPoint2D onArc = ProjectToCircle2D(centre, arc.Centre, arc.Radius);
  const TPoint2D old0 = p0, old1 = p1;
  MoveEnd(p0, p1, onLine, corner, how.AddArc ? onLine : corner);
  // The circle it is extended to stays a circle.
  if (how.Extend) return ExtendLine(line, old0, old1, p0, p1, why);
  if (how.Trim && !IsSoundTrim(old0, old1, p0, p1)) {
    why = lang::LangStringOr("1103", kPickBeyondCornerText);
    return false;
  }
  arcId = CircleToArc2D(drawing, arcId);
  if (how.Trim) {
    SetLinePoints2D(line, p0, p1);
    const TPoint2D at[] = {how.AddArc ? onArc : corner};
    SplitArc2D(drawing, arcId, at);
  }
  if (how.AddArc) AddTangentArc(drawing, centre, how.Radius, TangentArcAngles(centre, onLine, onArc), how.Trim);
  return true;
}

bool ArcArc(TKQCmp2D& drawing, int32_t& firstId, int32_t& secondId, const TPickPoints& picks, const TCorner& how,
            std::string& why) {
  TArcPoints a1, a2;
  const TObject2D* first = drawing.GetObject(firstId);
  const TObject2D* second = drawing.GetObject(secondId);
  if (!first || !second || !ReadArcOrCircle2D(*first, a1) || !ReadArcOrCircle2D(*second, a2)) return false;
  const double h = how.Shift();
  const double r1 = ShiftedRadius(a1, picks[1], h), r2 = ShiftedRadius(a2, picks[0], h);
  TPoint2D x1, x2;
  if (r1 == 0 || r2 == 0) {
    why = lang::LangStringOr("1101", kPickOnObjectText);
    return false;
  }
  if (!CircleCircleIntersection2D(a1.Centre, r1, a2.Centre, r2, x1, x2)) {
    why = lang::LangStringOr("1108", kNoTangentArcText);
    return false;
  }
  const TPoint2D centre = NearerTo(Midpoint(picks[0], picks[1]), x1, x2);
  const TPoint2D t1 = ProjectToCircle2D(centre, a1.Centre, a1.Radius);
  const TPoint2D t2 = ProjectToCircle2D(centre, a2.Centre, a2.Radius);
  firstId = CircleToArc2D(drawing, firstId);
  secondId = CircleToArc2D(drawing, secondId);
  if (how.Trim) {
    SplitArc2D(drawing, firstId, std::span<const TPoint2D>(&t1, 1));
    SplitArc2D(drawing, secondId, std::span<const TPoint2D>(&t2, 1));
  }
  AddTangentArc(drawing, centre, how.Radius, TangentArcAngles(centre, t1, t2), how.Trim);
  return true;
}

bool IsLineLike(const TObject2D& o) {
  TPoint2D p, q;
  return ReadLine2D(o, p, q);
}

}  // namespace

TConstructionResult CornerConstruction2D(TKQCmp2D& drawing, const TTwoObjectPick& pick, bool addArc, bool trim,
                                         double radius, double filletRadius) {
  TConstructionResult result;
  TObject2D* first = drawing.GetObject(pick.FirstID);
  TObject2D* second = drawing.GetObject(pick.SecondID);
  if (!first || !second || first == second || drawing.HasIterators()) return result;
  // A tangent arc needs a real radius; a negative one would put it on the wrong side.
  auto isRadius = [](double r) { return std::isfinite(r) && r > GeometryTolerance(); };
  if (addArc && !isRadius(radius)) return result;
  const TCorner how{addArc, trim, radius};
  TPickPoints picks = pick.PickPoints;
  int32_t firstId = pick.FirstID, secondId = pick.SecondID;

  bool done = false;
  if (Is<TLine2D>(*first) && Is<TLine2D>(*second)) {
    done = LineLine(drawing, *first, *second, picks, how, result.Message);
  } else if (IsLineLike(*first) && IsLineLike(*second)) {
    // A two-point polyline gets the fillet of the fillet radius whichever command runs, the objects
    // trimmed to it; a fillet of no radius is the plain corner.
    const TCorner fillet = isRadius(filletRadius) ? TCorner{true, true, filletRadius} : TCorner{false, true, 0};
    done = LineLine(drawing, *first, *second, picks, fillet, result.Message);
  } else if (IsArcOrCircle2D(*first) && IsArcOrCircle2D(*second)) {
    if (!addArc) {
      // Circles become full arcs first, whatever follows.
      firstId = CircleToArc2D(drawing, firstId);
      secondId = CircleToArc2D(drawing, secondId);
      TConstructionResult broken = BreakArcs2D(drawing, firstId, secondId);
      broken.Changed = broken.Changed || firstId != pick.FirstID || secondId != pick.SecondID;
      if (broken.Changed) drawing.RepaintViewports();
      return broken;
    }
    done = ArcArc(drawing, firstId, secondId, picks, how, result.Message);
  } else if (Is<TLine2D>(*first) && IsArcOrCircle2D(*second)) {
    done = LineArc(drawing, *first, secondId, picks, how, result.Message);
  } else if (IsArcOrCircle2D(*first) && Is<TLine2D>(*second)) {
    std::swap(picks[0], picks[1]);
    done = LineArc(drawing, *second, firstId, picks, how, result.Message);
  }
  result.Changed = done;
  if (done) {
    result.Message.clear();
    drawing.RepaintViewports();
  }
  return result;
}

TConstructionResult ExtendToCorner2D(TKQCmp2D& drawing, const TTwoObjectPick& pick) {
  TConstructionResult result;
  TObject2D* first = drawing.GetObject(pick.FirstID);
  TObject2D* second = drawing.GetObject(pick.SecondID);
  if (!first || !second || first == second || drawing.HasIterators()) return result;
  const TCorner how{false, true, 0, true};
  int32_t secondId = pick.SecondID;
  bool done = false;
  if (!IsLineLike(*first) || !(IsLineLike(*second) || IsArcOrCircle2D(*second))) {
    result.Message = lang::LangStringOr("1107", kExtendWhatText);
  } else if (IsLineLike(*second)) {
    done = LineLine(drawing, *first, *second, pick.PickPoints, how, result.Message);
  } else {
    done = LineArc(drawing, *first, secondId, pick.PickPoints, how, result.Message);
  }
  result.Changed = done;
  if (done) {
    result.Message.clear();
    drawing.RepaintViewports();
  }
  return result;
}

TConstructionResult FilletCorner2D(TKQCmp2D& drawing, const TTwoObjectPick& pick, const TConstructionSettings& settings) {
  const double r = settings.FilletRadius;
  // A fillet of no radius is the plain corner.
  const bool round = std::isfinite(r) && r > GeometryTolerance();
  TConstructionResult result = round ? CornerConstruction2D(drawing, pick, true, true, r, r)
                                     : CornerConstruction2D(drawing, pick, false, true, 0, 0);
  // A pair it has no corner routine for (a rectangle, a longer polyline) is not left unexplained.
  if (!result.Changed && result.Message.empty() && drawing.GetObject(pick.FirstID) && drawing.GetObject(pick.SecondID))
    result.Message = lang::LangStringOr("1105", kCornerWhatText);
  return result;
}

TConstructionResult TrimCorner2D(TKQCmp2D& drawing, const TTwoObjectPick& pick, const TConstructionSettings& settings) {
  return CornerConstruction2D(drawing, pick, false, true, settings.FilletRadius, settings.FilletRadius);
}

TConstructionResult TangentArc2D(TKQCmp2D& drawing, const TTwoObjectPick& pick, const TConstructionSettings& settings) {
  return CornerConstruction2D(drawing, pick, true, settings.TangentArcTrim, settings.TangentArcRadius,
                              settings.FilletRadius);
}

}  // namespace cad
