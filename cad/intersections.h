// Projections, tangency and intersection routines used by the construction commands. Points are
// taken in cartesian form.
#pragma once

#include "cad/geometry.h"

namespace cad {

TPoint2D ClosestPointOnSegment2D(const TPoint2D& p, const TPoint2D& a, const TPoint2D& b);
TPoint2D PerpendicularFoot2D(const TPoint2D& p, const TPoint2D& a, const TPoint2D& b);
// The point at distance d from `from` towards `towards` (`from` itself when the two coincide).
TPoint2D PointAtDistance2D(double d, const TPoint2D& from, const TPoint2D& towards);
TPoint2D ProjectToCircle2D(const TPoint2D& p, const TPoint2D& centre, double r);
// -1 inside, 0 on the circle (within the tolerance), 1 outside.
int PointVersusCircle2D(double r, const TPoint2D& centre, const TPoint2D& p);
bool LineMeetsCircle2D(double r, const TPoint2D& centre, const TPoint2D& a, const TPoint2D& b);
bool CirclesMeet2D(const TPoint2D& c1, double r1, const TPoint2D& c2, double r2);
// The crossing points of two circles, first the one right of the line c1->c2. False, leaving the
// outputs alone, when the circles do not meet, share their centre or one lies inside the other.
bool CircleCircleIntersection2D(const TPoint2D& c1, double r1, const TPoint2D& c2, double r2, TPoint2D& first,
                                TPoint2D& second);

// Kinds of SegmentCircleIntersection2D.
inline constexpr int SEGCIRCLE_NONE = 0;
inline constexpr int SEGCIRCLE_TANGENT = 1;
inline constexpr int SEGCIRCLE_INSIDE_PART = 2;
inline constexpr int SEGCIRCLE_CROSSING = 3;
int SegmentCircleIntersection2D(const TPoint2D& e1, const TPoint2D& e2, const TPoint2D& centre, double r,
                                TPoint2D& first, TPoint2D& second);
// True with the crossing point when the segments a1a2 and b1b2 cross; segments sharing an end do not.
bool SegmentIntersection2D(const TPoint2D& a1, const TPoint2D& a2, const TPoint2D& b1, const TPoint2D& b2,
                           TPoint2D& p);

float CrossProduct2D(const TVector2D& a, const TVector2D& b);
TVector3D CrossProduct3D(const TVector3D& a, const TVector3D& b);
TVector3D NormalizeVector3D(const TVector3D& v);
TVector3D UnitNormal3D(const TVector3D& a, const TVector3D& b);

}  // namespace cad
