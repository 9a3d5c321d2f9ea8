#include "cad/intersections.h"

#include <gtest/gtest.h>

#include <cmath>

namespace cad {
namespace {

void ExpectPoint(const TPoint2D& p, double x, double y, const char* what) {
  EXPECT_NEAR(p.X, x, 1e-9) << what;
  EXPECT_NEAR(p.Y, y, 1e-9) << what;
}

TEST(Intersections, CircleCircle) {
  TPoint2D a, b;
  ASSERT_TRUE(CircleCircleIntersection2D(Point2D(0, 0), 5, Point2D(8, 0), 5, a, b));
  ExpectPoint(a, 4, -3, "first: right of the line between the centres");
  ExpectPoint(b, 4, 3, "second");
  ASSERT_TRUE(CircleCircleIntersection2D(Point2D(0, 0), 1, Point2D(2, 0), 1, a, b));
  ExpectPoint(a, 1, 0, "outer tangency");
  ExpectPoint(b, 1, 0, "outer tangency");
  ASSERT_TRUE(CircleCircleIntersection2D(Point2D(0, 0), 5, Point2D(3, 0), 2, a, b));
  ExpectPoint(a, 5, 0, "inner tangency");

  // No crossing: the outputs keep what the caller had and nothing is NaN.
  const TPoint2D keep = Point2D(-7, -7);
  a = b = keep;
  EXPECT_FALSE(CircleCircleIntersection2D(Point2D(1, 1), 5, Point2D(1, 1), 3, a, b)) << "concentric";
  EXPECT_FALSE(CircleCircleIntersection2D(Point2D(1, 1), 5, Point2D(1, 1), 5, a, b)) << "the same circle";
  EXPECT_FALSE(CircleCircleIntersection2D(Point2D(0, 0), 10, Point2D(1, 0), 2, a, b)) << "nested";
  EXPECT_FALSE(CircleCircleIntersection2D(Point2D(1, 0), 2, Point2D(0, 0), 10, a, b)) << "nested, other order";
  EXPECT_FALSE(CircleCircleIntersection2D(Point2D(0, 0), 1, Point2D(5, 0), 1, a, b)) << "apart";
  EXPECT_EQ(a, keep);
  EXPECT_EQ(b, keep);

  EXPECT_TRUE(CirclesMeet2D(Point2D(0, 0), 1, Point2D(2, 0), 1));
  EXPECT_FALSE(CirclesMeet2D(Point2D(0, 0), 1, Point2D(2.1, 0), 1));
}

TEST(Intersections, SegmentSegment) {
  const struct {
    TPoint2D a1, a2, b1, b2;
    bool cross;
    TPoint2D at;
    const char* what;
  } cases[] = {
      {Point2D(0, 0), Point2D(10, 10), Point2D(0, 10), Point2D(10, 0), true, Point2D(5, 5), "crossing"},
      {Point2D(0, 0), Point2D(10, 0), Point2D(4, -3), Point2D(4, 7), true, Point2D(4, 0), "perpendicular crossing"},
      {Point2D(0, 0), Point2D(10, 0), Point2D(5, 0), Point2D(5, 5), true, Point2D(5, 0), "touching in the middle"},
      {Point2D(0, 0), Point2D(0.005, 0.005), Point2D(0, 0.005), Point2D(0.005, 0), true, Point2D(0.0025, 0.0025),
       "short segments: their product of lengths is no slant"},
      {Point2D(0, 0), Point2D(2e-4, 1e-4), Point2D(0, 1e-4), Point2D(2e-4, 0), true, Point2D(1e-4, 5e-5),
       "segments a few tolerances long"},
      {Point2D(0, 0), Point2D(1000, 0.01), Point2D(0, 0.01), Point2D(1000, 0), true, Point2D(500, 0.005),
       "long segments at a slant far below the tolerance's sine"},
      {Point2D(0, 0), Point2D(10, 0), Point2D(5, 0), Point2D(15, 0), true, Point2D(5, 0), "collinear overlap answers b1"},
      {Point2D(0, 0), Point2D(10, 0), Point2D(15, 0), Point2D(5, 0), true, Point2D(5, 0),
       "collinear overlap: the end of B that lies on A"},
      {Point2D(2, 0), Point2D(3, 0), Point2D(0, 0), Point2D(10, 0), true, Point2D(2, 0), "A within B"},
      {Point2D(0, 0), Point2D(10, 0), Point2D(10, 0), Point2D(10, 5), false, {}, "shared end"},
      {Point2D(0, 0), Point2D(10, 0), Point2D(0, 1), Point2D(10, 1), false, {}, "parallel"},
      {Point2D(0, 0), Point2D(1, 1), Point2D(3, 0), Point2D(2, 1), false, {}, "lines cross outside the segments"},
      {Point2D(0, 0), Point2D(10, 0), Point2D(5, 1), Point2D(6, 5), false, {}, "boxes overlap, segments do not"},
  };
  for (const auto& c : cases) {
    TPoint2D p = Point2D(-1, -1);
    ASSERT_EQ(SegmentIntersection2D(c.a1, c.a2, c.b1, c.b2, p), c.cross) << c.what;
    if (c.cross) ExpectPoint(p, c.at.X, c.at.Y, c.what);
  }
}

TEST(Intersections, SegmentCircleOfEveryKind) {
  const TPoint2D c = Point2D(0, 0);
  TPoint2D a, b;
  EXPECT_EQ(SegmentCircleIntersection2D(Point2D(-1, 0), Point2D(1, 1), c, 5, a, b), SEGCIRCLE_INSIDE_PART);
  ExpectPoint(a, -1, 0, "both inside");
  ExpectPoint(b, 1, 1, "both inside");

  EXPECT_EQ(SegmentCircleIntersection2D(Point2D(0, 3), Point2D(10, 3), c, 5, a, b), SEGCIRCLE_INSIDE_PART);
  ExpectPoint(a, 0, 3, "first end inside");
  ExpectPoint(b, 4, 3, "leaves the circle");
  EXPECT_EQ(SegmentCircleIntersection2D(Point2D(-10, 3), Point2D(0, 3), c, 5, a, b), SEGCIRCLE_INSIDE_PART);
  ExpectPoint(a, 0, 3, "second end inside");
  ExpectPoint(b, -4, 3, "enters the circle");

  EXPECT_EQ(SegmentCircleIntersection2D(Point2D(-5, 0), Point2D(0, 5), c, 5, a, b), SEGCIRCLE_CROSSING);
  ExpectPoint(a, -5, 0, "both ends on the circle");
  ExpectPoint(b, 0, 5, "both ends on the circle");

  EXPECT_EQ(SegmentCircleIntersection2D(Point2D(-10, 6), Point2D(10, 6), c, 5, a, b), SEGCIRCLE_NONE);
  EXPECT_EQ(SegmentCircleIntersection2D(Point2D(6, -10), Point2D(6, 10), c, 5, a, b), SEGCIRCLE_NONE);
  EXPECT_EQ(SegmentCircleIntersection2D(Point2D(-10, 5), Point2D(10, 5), c, 5, a, b), SEGCIRCLE_TANGENT);
  ExpectPoint(a, 0, 5, "tangent point");
  EXPECT_EQ(SegmentCircleIntersection2D(Point2D(-10, 3), Point2D(10, 3), c, 5, a, b), SEGCIRCLE_CROSSING);
  ExpectPoint(a, -4, 3, "crossing towards e1");
  ExpectPoint(b, 4, 3, "crossing towards e2");
  EXPECT_EQ(SegmentCircleIntersection2D(Point2D(-10, 0), Point2D(10, 0), c, 5, a, b), SEGCIRCLE_CROSSING);
  ExpectPoint(a, -5, 0, "through the centre");
  ExpectPoint(b, 5, 0, "through the centre");
  EXPECT_EQ(SegmentCircleIntersection2D(Point2D(-10, 8), Point2D(10, 8), c, 5, a, b), SEGCIRCLE_NONE)
      << "the line misses the circle";

  // One end on the circle, the other outside.
  EXPECT_EQ(SegmentCircleIntersection2D(Point2D(5, 0), Point2D(10, 0), c, 5, a, b), SEGCIRCLE_INSIDE_PART);
  ExpectPoint(a, 10, 0, "nearest at e1: first e2");
  ExpectPoint(b, 5, 0, "nearest at e1: second e1");
  EXPECT_EQ(SegmentCircleIntersection2D(Point2D(10, 0), Point2D(5, 0), c, 5, a, b), SEGCIRCLE_INSIDE_PART);
  ExpectPoint(a, 10, 0, "nearest at e2: first e1");
  ExpectPoint(b, 5, 0, "nearest at e2: second e2");
  a = b = Point2D(99, 99);
  EXPECT_EQ(SegmentCircleIntersection2D(Point2D(5, 0), Point2D(-10, 0), c, 5, a, b), SEGCIRCLE_INSIDE_PART);
  ExpectPoint(a, 5, 0, "dipping inside: the end on the circle");
  ExpectPoint(b, -5, 0, "dipping inside: the other crossing");
}

TEST(Intersections, ProjectionsAndCircleTests) {
  ExpectPoint(ClosestPointOnSegment2D(Point2D(5, 5), Point2D(0, 0), Point2D(10, 0)), 5, 0, "middle");
  ExpectPoint(ClosestPointOnSegment2D(Point2D(-5, 5), Point2D(0, 0), Point2D(10, 0)), 0, 0, "clamped to a");
  ExpectPoint(ClosestPointOnSegment2D(Point2D(15, 5), Point2D(0, 0), Point2D(10, 0)), 10, 0, "clamped to b");
  ExpectPoint(PerpendicularFoot2D(Point2D(15, 5), Point2D(0, 0), Point2D(10, 0)), 15, 0, "infinite line");
  ExpectPoint(PointAtDistance2D(5, Point2D(1, 1), Point2D(4, 5)), 4, 5, "distance along");
  ExpectPoint(PointAtDistance2D(5, Point2D(1, 1), Point2D(1, 1)), 1, 1, "no direction: no NaN");
  ExpectPoint(ProjectToCircle2D(Point2D(0, 10), Point2D(0, 0), 2), 0, 2, "onto the circle");
  ExpectPoint(ProjectToCircle2D(Point2D(3, 3), Point2D(3, 3), 2), 5, 3, "from the centre");

  EXPECT_EQ(PointVersusCircle2D(5, Point2D(0, 0), Point2D(3, 3)), -1);
  EXPECT_EQ(PointVersusCircle2D(5, Point2D(0, 0), Point2D(3, 4)), 0);
  EXPECT_EQ(PointVersusCircle2D(5, Point2D(0, 0), Point2D(4, 4)), 1);
  EXPECT_TRUE(LineMeetsCircle2D(5, Point2D(0, 0), Point2D(-10, 5), Point2D(10, 5))) << "touching";
  EXPECT_TRUE(LineMeetsCircle2D(5, Point2D(0, 0), Point2D(20, 3), Point2D(30, 3))) << "the infinite line";
  EXPECT_FALSE(LineMeetsCircle2D(5, Point2D(0, 0), Point2D(-10, 6), Point2D(10, 6)));

  EXPECT_FLOAT_EQ(CrossProduct2D({1, 0}, {0, 1}), 1.0f);
  const TVector3D z = UnitNormal3D({2, 0, 0}, {0, 3, 0});
  EXPECT_FLOAT_EQ(z.Z, 1.0f);
  EXPECT_FLOAT_EQ(z.X, 0.0f);
  const TVector3D zero = UnitNormal3D({1, 1, 0}, {2, 2, 0});
  EXPECT_EQ(zero.X, 0.0f);
  EXPECT_EQ(zero.Z, 0.0f) << "parallel vectors: the zero vector, not NaN";
}

}  // namespace
}  // namespace cad
