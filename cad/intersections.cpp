#include "cad/intersections.h"

#include <algorithm>
#include <cmath>

namespace cad {

namespace {

// Parameter of the projection of p on the line ab; false when a and b coincide.
bool ProjectionParameter(const TPoint2D& p, const TPoint2D& a, const TPoint2D& b, double& t) {
  const double dx = b.X - a.X, dy = b.Y - a.Y;
  const double length2 = dx * dx + dy * dy;
  if (length2 == 0) return false;
  t = ((p.X - a.X) * dx + (p.Y - a.Y) * dy) / length2;
  return true;
}

TPoint2D Lerp(const TPoint2D& a, const TPoint2D& b, double t) {
  return Point2D(a.X + t * (b.X - a.X), a.Y + t * (b.Y - a.Y));
}

}  // namespace

TPoint2D ClosestPointOnSegment2D(const TPoint2D& p, const TPoint2D& a, const TPoint2D& b) {
  double t;
  if (!ProjectionParameter(p, a, b, t) || t <= 0) return a;
  if (t >= 1) return b;
  return Lerp(a, b, t);
}

TPoint2D PerpendicularFoot2D(const TPoint2D& p, const TPoint2D& a, const TPoint2D& b) {
  double t;
  if (!ProjectionParameter(p, a, b, t)) return a;
  return Lerp(a, b, t);
}

TPoint2D PointAtDistance2D(double d, const TPoint2D& from, const TPoint2D& towards) {
  const double length = PointDistance2D(from, towards);
  if (length == 0) return Point2D(from.X, from.Y);
  return Lerp(from, towards, d / length);
}

TPoint2D ProjectToCircle2D(const TPoint2D& p, const TPoint2D& centre, double r) {
  // From the centre itself every direction is as good; take the positive X axis.
  if (PointDistance2D(p, centre) == 0) return Point2D(centre.X + r, centre.Y);
  return PointAtDistance2D(r, centre, p);
}

int PointVersusCircle2D(double r, const TPoint2D& centre, const TPoint2D& p) {
  const double d2 = SquaredDistance2D(centre.X, centre.Y, p.X, p.Y);
  if (d2 < r * r) return -1;
  return IsSameFloat(d2, r * r) ? 0 : 1;
}

bool LineMeetsCircle2D(double r, const TPoint2D& centre, const TPoint2D& a, const TPoint2D& b) {
  const double ax = a.X - centre.X, ay = a.Y - centre.Y, bx = b.X - centre.X, by = b.Y - centre.Y;
  const double d2 = (ax - bx) * (ax - bx) + (ay - by) * (ay - by);
  const double cross = ax * by - bx * ay;
  return IsGreaterOrSame(d2 * r * r - cross * cross, 0);
}

bool CirclesMeet2D(const TPoint2D& c1, double r1, const TPoint2D& c2, double r2) {
  return SquaredDistance2D(c1.X, c1.Y, c2.X, c2.Y) <= (r1 + r2) * (r1 + r2);
}

bool CircleCircleIntersection2D(const TPoint2D& c1, double r1, const TPoint2D& c2, double r2, TPoint2D& first,
                                TPoint2D& second) {
  const double dx = c2.X - c1.X, dy = c2.Y - c1.Y;
  const double g = std::sqrt(dx * dx + dy * dy);
  // Concentric circles have no crossing line; nested ones (one inside the other) and circles apart
  // have no real crossing: all would give NaN points.
  if (IsSameFloat(g, 0)) return false;
  if (g > r1 + r2 && !IsSameFloat(g, r1 + r2)) return false;
  if (g < std::abs(r1 - r2) && !IsSameFloat(g, std::abs(r1 - r2))) return false;
  const double l = (g * g - r2 * r2 + r1 * r1) / (2 * g);
  const double h = std::sqrt(std::max(0.0, r1 * r1 - l * l)) / g;
  const double mx = c1.X + (l / g) * dx, my = c1.Y + (l / g) * dy;
  first = Point2D(mx + h * dy, my - h * dx);
  second = Point2D(mx - h * dy, my + h * dx);
  return true;
}

int SegmentCircleIntersection2D(const TPoint2D& e1, const TPoint2D& e2, const TPoint2D& centre, double r,
                                TPoint2D& first, TPoint2D& second) {
  const int v1 = PointVersusCircle2D(r, centre, e1), v2 = PointVersusCircle2D(r, centre, e2);
  // Half the chord of the line e1e2, measured from the foot of the perpendicular from the centre.
  auto chordPoint = [&](const TPoint2D& towards) {
    const TPoint2D foot = PerpendicularFoot2D(centre, e1, e2);
    const double h = PointDistance2D(centre, foot);
    return PointAtDistance2D(std::sqrt(std::max(0.0, r * r - h * h)), foot, towards);
  };
  if (v1 < 0 && v2 < 0) {
    first = e1;
    second = e2;
    return SEGCIRCLE_INSIDE_PART;
  }
  if (v1 < 0) {
    first = e1;
    second = chordPoint(e2);
    return SEGCIRCLE_INSIDE_PART;
  }
  if (v2 < 0) {
    first = e2;
    second = chordPoint(e1);
    return SEGCIRCLE_INSIDE_PART;
  }
  if (v1 == 0 && v2 == 0) {
    first = e1;
    second = e2;
    return SEGCIRCLE_CROSSING;
  }
  const TPoint2D nearest = ClosestPointOnSegment2D(centre, e1, e2);
  const double u = PointDistance2D(centre, nearest);
  if (v1 > 0 && v2 > 0) {
    if (IsSameFloat(u, r)) {
      first = nearest;
      return SEGCIRCLE_TANGENT;
    }
    if (u > r) return SEGCIRCLE_NONE;
    if (IsSameFloat(u, 0)) {
      first = PointAtDistance2D(r, centre, e1);
      second = PointAtDistance2D(r, centre, e2);
    } else {
      const double half = std::sqrt(r * r - u * u);
      first = PointAtDistance2D(half, nearest, e1);
      second = PointAtDistance2D(half, nearest, e2);
    }
    return SEGCIRCLE_CROSSING;
  }
  // One end on the circle, the other outside.
  if (IsSamePoint2D(nearest, e1)) {
    first = e2;
    second = e1;
  } else if (IsSamePoint2D(nearest, e2)) {
    first = e1;
    second = e2;
  } else {
    // The segment dips inside between the two: the end on the circle and the other crossing.
    const TPoint2D& onCircle = v1 == 0 ? e1 : e2;
    const TPoint2D& outside = v1 == 0 ? e2 : e1;
    first = onCircle;
    second = chordPoint(outside);
  }
  return SEGCIRCLE_INSIDE_PART;
}

bool SegmentIntersection2D(const TPoint2D& a1, const TPoint2D& a2, const TPoint2D& b1, const TPoint2D& b2,
                           TPoint2D& p) {
  const TVector2D va1{a1.X, a1.Y}, va2{a2.X, a2.Y}, vb1{b1.X, b1.Y}, vb2{b2.X, b2.Y};
  if (IsSameVector2D(vb1, va1) || IsSameVector2D(vb1, va2) || IsSameVector2D(vb2, va1) || IsSameVector2D(vb2, va2))
    return false;
  const double ax = a2.X - a1.X, ay = a2.Y - a1.Y;
  const double bx = b1.X - b2.X, by = b1.Y - b2.Y;
  const double cx = a1.X - b1.X, cy = a1.Y - b1.Y;
  // Bounding boxes first: most pairs end here.
  if (std::max(a1.X, a2.X) < std::min(b1.X, b2.X) || std::max(b1.X, b2.X) < std::min(a1.X, a2.X)) return false;
  if (std::max(a1.Y, a2.Y) < std::min(b1.Y, b2.Y) || std::max(b1.Y, b2.Y) < std::min(a1.Y, a2.Y)) return false;
  const double f = bx * ay - ax * by;
  const double d = by * cx - bx * cy;
  const double e = ax * cy - ay * cx;
  if (f > 0) {
    if (d < 0 || d > f || e < 0 || e > f) return false;
  } else {
    if (d > 0 || d < f || e > 0 || e < f) return false;
  }
  // f is the product of both lengths and the sine between them: taken against the tolerance as it
  // stands, short or slightly slanted segments would pass for parallel. Scaled by the longer length,
  // it asks whether the shorter segment turns off the other's direction by more than the tolerance.
  const double longer = std::max(std::hypot(ax, ay), std::hypot(bx, by));
  if (std::abs(f) > GeometryTolerance() * longer) {
    p = Lerp(a1, a2, d / f);
    return true;
  }
  // Parallel within the tolerance: an end of one segment that lies on the other, b1 first.
  auto onSegment = [](const TPoint2D& q, const TPoint2D& s1, const TPoint2D& s2) {
    return PointDistance2D(ClosestPointOnSegment2D(q, s1, s2), q) <= GeometryTolerance();
  };
  if (onSegment(b1, a1, a2))
    p = Point2D(b1.X, b1.Y);
  else if (onSegment(b2, a1, a2))
    p = Point2D(b2.X, b2.Y);
  else
    p = Point2D(a1.X, a1.Y);  // A lies within B
  return true;
}

float CrossProduct2D(const TVector2D& a, const TVector2D& b) { return float(a.X * b.Y - b.X * a.Y); }

TVector3D CrossProduct3D(const TVector3D& a, const TVector3D& b) {
  return {a.Y * b.Z - a.Z * b.Y, a.Z * b.X - a.X * b.Z, a.X * b.Y - a.Y * b.X};
}

TVector3D NormalizeVector3D(const TVector3D& v) {
  const float l = std::sqrt(v.X * v.X + v.Y * v.Y + v.Z * v.Z);
  if (l == 0) return v;
  return {v.X / l, v.Y / l, v.Z / l};
}

TVector3D UnitNormal3D(const TVector3D& a, const TVector3D& b) { return NormalizeVector3D(CrossProduct3D(a, b)); }

}  // namespace cad
