#include "cad/geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace cad {
namespace {

constexpr double kPi = std::numbers::pi;

void ExpectPoint(const TPoint2D& p, double x, double y, const char* what) {
  const TPoint2D c = CartesianPoint2D(p);
  EXPECT_NEAR(c.X, x, 1e-9) << what;
  EXPECT_NEAR(c.Y, y, 1e-9) << what;
}

void ExpectTransform(const TTransform2D& t, std::initializer_list<double> values, const char* what) {
  auto it = values.begin();
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) EXPECT_NEAR(t.M[i][j], *it++, 1e-12) << what << " M[" << i << "][" << j << "]";
}

TEST(Geometry, CartesianFormDividesOnlyWhenWIsNeitherZeroNorOne) {
  EXPECT_EQ(CartesianPoint2D({4, 6, 0}), (TPoint2D{4, 6, 0}));
  EXPECT_EQ(CartesianPoint2D({4, 6, 1}), (TPoint2D{4, 6, 1}));
  EXPECT_EQ(CartesianPoint2D({4, 6, 2}), (TPoint2D{2, 3, 1}));
  EXPECT_TRUE(IsSamePoint2D({2, 2, 2}, {1, 1, 1}));
  EXPECT_TRUE(IsSamePoint2D({2, 2, 2}, {2, 2, 2}));
  EXPECT_FALSE(IsSamePoint2D({2, 2, 2}, {2, 2, 1}));
  EXPECT_EQ(ReorderRect2D(Rect2D(5, 1, 2, 7)), Rect2D(2, 1, 5, 7));
  EXPECT_EQ(ReorderRect2D({{10, 2, 2}, {0, 0, 1}}), Rect2D(0, 0, 5, 1));
  EXPECT_EQ(EnlargeRect2D(Rect2D(0, 0, 2, 2), 1), Rect2D(-1, -1, 3, 3));
  EXPECT_NEAR(RadToDeg(kPi / 2), 90, 1e-12);
}

TEST(Geometry, ScreenConversionsRoundHalfToEven) {
  EXPECT_EQ(Point2DToPoint(Point2D(2.5, 3.5)), (platform::Point{2, 4}));
  EXPECT_EQ(Point2DToPoint(Point2D(-0.5, -1.5)), (platform::Point{0, -2}));
  EXPECT_EQ(Point2DToPoint({5, 7, 2}), (platform::Point{2, 4}));
  // Far-off points (a deep zoom) stay within the integers instead of overflowing.
  EXPECT_EQ(Point2DToPoint(Point2D(1e30, -1e30)), (platform::Point{1000000000, -1000000000}));
  EXPECT_EQ(Point2DToPoint(Point2D(NAN, 1)), (platform::Point{0, 1}));
  EXPECT_EQ(Rect2DToRect(Rect2D(10.5, 8, 1.5, 2)), (platform::Rect{2, 2, 10, 8}));
  EXPECT_EQ(RectToRect2D(platform::Rect{1, 2, 3, 4}), Rect2D(1, 2, 3, 4));
}

TEST(Geometry, TolerantComparisonsReadTheOneSettableTolerance) {
  EXPECT_DOUBLE_EQ(GeometryTolerance(), 5e-05);
  EXPECT_TRUE(IsSameFloat(1.0, 1.00004));
  EXPECT_FALSE(IsSameFloat(1.0, 1.0001));
  EXPECT_TRUE(IsGreaterOrSame(1.0, 1.00004));
  EXPECT_TRUE(IsGreaterOrSame(2.0, 1.0));
  EXPECT_FALSE(IsGreaterOrSame(1.0, 2.0));
  SetGeometryTolerance(0.1);
  EXPECT_TRUE(IsSameFloat(1.0, 1.05));
  EXPECT_TRUE(IsSameVector2D({1, 1}, {1.05, 0.95}));
  SetGeometryTolerance(5e-05);
  EXPECT_FALSE(IsSameFloat(1.0, 1.05));
  EXPECT_TRUE(IsDifferentTol(0.01, 1, 1.02));
  EXPECT_FALSE(IsSameTransform2D(Translate2D(0, 1e-12), IdentityTransform2D)) << "no tolerance for transforms";
}

TEST(Geometry, MeasuresAnglesAndSweeps) {
  // Parallel vectors can round the cosine above 1: no NaN.
  const double a = VectorAngle2D({2, 3}, {4, 6});
  EXPECT_FALSE(std::isnan(a));
  EXPECT_NEAR(a, 0, 1e-7);
  EXPECT_FALSE(std::isnan(VectorAngle2D({2, 3}, {-4, -6})));
  EXPECT_NEAR(VectorAngle2D({1, 0}, {0, 5}), kPi / 2, 1e-12);
  EXPECT_EQ(VectorAngle2D({0, 0}, {1, 1}), 0);

  const std::vector<double> v{5, 3, 3};
  EXPECT_EQ(MinIndex(v), 1);
  const std::vector<double> big{1e8, 2e8};
  EXPECT_EQ(MinIndex(big), 0);
  const std::vector<double> last{9, 8, 7};
  EXPECT_EQ(MinIndex(last), 2);

  EXPECT_NEAR(ArcSweep2D(0, kPi / 2, 1), kPi / 2, 1e-12);
  EXPECT_NEAR(ArcSweep2D(0, kPi / 2, -1), 3 * kPi / 2, 1e-12);
  EXPECT_NEAR(ArcSweep2D(1, 1, 1), 2 * kPi, 1e-12);
  EXPECT_NEAR(ArcSweepFlag2D(kPi / 2, 0, true), kPi / 2, 1e-12);

  EXPECT_EQ(Quadrant2D({0, 0}), 0);
  EXPECT_EQ(Quadrant2D({1, 0}), 1);
  EXPECT_EQ(Quadrant2D({0, 1}), 2);
  EXPECT_EQ(Quadrant2D({-1, 0}), 3);
  EXPECT_EQ(Quadrant2D({0, -1}), 4);
  EXPECT_TRUE(IsRightOfLine2D(Point2D(1, -1), Point2D(0, 0), Point2D(2, 0)));
  EXPECT_FALSE(IsRightOfLine2D(Point2D(1, 1), Point2D(0, 0), Point2D(2, 0)));
  EXPECT_FALSE(IsRightOfLine2D(Point2D(1, 0), Point2D(0, 0), Point2D(2, 0)));

  EXPECT_DOUBLE_EQ(PointDistance2D(Point2D(0, 0), Point2D(3, 4)), 5);
  EXPECT_DOUBLE_EQ(PointDistance2D({0, 0, 1}, {6, 8, 2}), 10) << "as stored, no division by W";
  EXPECT_DOUBLE_EQ(CartesianDistance2D({0, 0, 1}, {6, 8, 2}), 5);
  EXPECT_EQ(NormalizeVector2D({0, 0}), (TVector2D{0, 0}));
  const TVector2D r = RotateVector2D({1, 0}, kPi / 2);
  EXPECT_NEAR(r.X, 0, 1e-12);
  EXPECT_NEAR(r.Y, 1, 1e-12);
}

TEST(Geometry, TransformsProductsInversesAndMirrors) {
  // Row vectors: the left factor applies first.
  const TTransform2D ts = MultiplyTransform2D(Translate2D(1, 2), Scale2D(2, 3));
  ExpectPoint(TransformPoint2D(Point2D(1, 1), ts), 4, 9, "translate then scale");
  const TTransform2D st = MultiplyTransform2D(Scale2D(2, 3), Translate2D(1, 2));
  ExpectPoint(TransformPoint2D(Point2D(1, 1), st), 3, 5, "scale then translate");
  ExpectTransform(ts, {2, 0, 0, 0, 3, 0, 2, 6, 1}, "affine product");

  // A projective factor takes the full product; compare with the written-out one.
  TTransform2D p;
  p.M[0][2] = 0.5;
  p.M[2][2] = 2;
  const TTransform2D pr = MultiplyTransform2D(Translate2D(1, 2), p);
  ExpectTransform(pr, {1, 0, 0.5, 0, 1, 0, 1, 2, 2.5}, "projective product");
  const TPoint2D q = TransformPoint2D(Point2D(1, 1), pr);
  EXPECT_DOUBLE_EQ(q.W, 3) << "W is kept as computed";

  ExpectPoint(TransformPoint2D(Point2D(1, 0), Rotate2D(kPi / 2)), 0, 1, "rotation is counter-clockwise");
  ExpectPoint(TransformPoint2D(Point2D(2, 3), Mirror2D(0)), 2, -3, "mirror 0");
  ExpectPoint(TransformPoint2D(Point2D(2, 3), Mirror2D(1)), -2, 3, "mirror 1");
  ExpectPoint(TransformPoint2D(Point2D(2, 3), Mirror2D(2)), -2, -3, "mirror 2");
  EXPECT_TRUE(IsSameTransform2D(Mirror2D(3), IdentityTransform2D));

  EXPECT_TRUE(IsSameTransform2D(InvertTransform2D(Scale2D(0, 0)), IdentityTransform2D));
  TTransform2D singular;
  singular.M[0][2] = 1;
  singular.M[1][2] = 1;
  singular.M[0][0] = singular.M[1][0] = 1;
  singular.M[0][1] = singular.M[1][1] = 1;
  EXPECT_EQ(DetTransform2D(singular), 0);
  EXPECT_TRUE(IsSameTransform2D(InvertTransform2D(singular), IdentityTransform2D));

  const TTransform2D m = MultiplyTransform2D(MultiplyTransform2D(Rotate2D(0.7), Scale2D(2, -3)), Translate2D(5, -4));
  const TTransform2D id = MultiplyTransform2D(m, InvertTransform2D(m));
  ExpectTransform(id, {1, 0, 0, 0, 1, 0, 0, 0, 1}, "affine inverse");
  const TTransform2D pid = MultiplyTransform2D(pr, InvertTransform2D(pr));
  ExpectTransform(pid, {1, 0, 0, 0, 1, 0, 0, 0, 1}, "projective inverse");
  EXPECT_DOUBLE_EQ(DetTransform2D(Scale2D(2, 3)), 6);

  const TRect2D box = TransformBoundingBox2D(Rect2D(0, 0, 2, 2), Rotate2D(kPi / 4));
  EXPECT_NEAR(box.First.X, -std::sqrt(2.0), 1e-12);
  EXPECT_NEAR(box.First.Y, 0, 1e-12);
  EXPECT_NEAR(box.Second.X, std::sqrt(2.0), 1e-12);
  EXPECT_NEAR(box.Second.Y, 2 * std::sqrt(2.0), 1e-12);

  double start = 0, end = kPi / 2;
  TransformArcAngles(Point2D(1, 1), Mirror2D(0), start, end, 2);
  EXPECT_NEAR(start, 0, 1e-12);
  EXPECT_NEAR(end, -kPi / 2, 1e-12);
}

TEST(Geometry, ViewTransformMapsTheWindowOntoTheScreen) {
  const platform::Rect screen{0, 0, 200, 100};
  TRect2D window = Rect2D(0, 0, 100, 100);
  TTransform2D v = BuildViewTransform2D(window, screen, 1);
  EXPECT_EQ(window, Rect2D(0, 0, 200, 100)) << "widened to the screen's shape";
  ExpectTransform(v, {1, 0, 0, 0, -1, 0, -0.5, 99.5, 1}, "aspect 1");

  window = Rect2D(0, 0, 100, 100);
  v = BuildViewTransform2D(window, screen, 0);
  EXPECT_EQ(window, Rect2D(0, 0, 100, 100)) << "aspect 0 keeps the window";
  ExpectTransform(v, {2, 0, 0, 0, -1, 0, -0.5, 99.5, 1}, "aspect 0");
  ExpectPoint(TransformPoint2D(Point2D(100, 100), v), 199.5, -0.5, "top right corner");

  window = Rect2D(0, 0, 100, 50);
  BuildViewTransform2D(window, platform::Rect{0, 0, 100, 100}, 1);
  EXPECT_EQ(window, Rect2D(0, 0, 100, 100)) << "square screen makes the window square";

  // The extents of one horizontal or vertical line: the screen's shape gives the missing extent.
  window = Rect2D(0, 0, 100, 0);
  v = BuildViewTransform2D(window, screen, 1);
  EXPECT_EQ(window, Rect2D(0, 0, 100, 50)) << "a flat window is widened";
  ExpectTransform(v, {2, 0, 0, 0, -2, 0, -0.5, 99.5, 1}, "flat window");
  window = Rect2D(3, 10, 3, 0);
  v = BuildViewTransform2D(window, screen, 1);
  EXPECT_EQ(window, Rect2D(3, 0, 23, 10)) << "a window without width is widened";
  ExpectPoint(TransformPoint2D(Point2D(3, 10), v), -0.5, -0.5, "top left corner of the widened window");

  // A window or screen without extent: no infinities.
  window = Rect2D(5, 5, 5, 5);
  v = BuildViewTransform2D(window, screen, 1);
  EXPECT_TRUE(IsSameTransform2D(v, IdentityTransform2D));
  window = Rect2D(0, 0, 10, 10);
  v = BuildViewTransform2D(window, platform::Rect{0, 0, 0, 0}, 1);
  EXPECT_TRUE(IsSameTransform2D(v, IdentityTransform2D));
  EXPECT_EQ(window, Rect2D(0, 0, 10, 10));
}

TEST(Geometry, ClippingAgainstARectangle) {
  const TRect2D r = Rect2D(0, 0, 10, 10);
  TPoint2D a = Point2D(-5, 5), b = Point2D(15, 5);
  EXPECT_EQ(ClipSegment2D(r, a, b), 3);
  ExpectPoint(a, 0, 5, "crossing start");
  ExpectPoint(b, 10, 5, "crossing end");

  a = Point2D(2, 3);
  b = Point2D(8, 7);
  EXPECT_EQ(ClipSegment2D(r, a, b), 8);
  EXPECT_EQ(a, Point2D(2, 3));
  EXPECT_EQ(b, Point2D(8, 7));

  a = Point2D(12, 0);
  b = Point2D(15, 10);
  EXPECT_EQ(ClipSegment2D(r, a, b), 4);
  EXPECT_EQ(a, Point2D(12, 0));
  EXPECT_EQ(b, Point2D(15, 10));

  a = Point2D(5, 5);
  b = Point2D(5, 20);
  EXPECT_EQ(ClipSegment2D(r, a, b), 2);
  ExpectPoint(b, 5, 10, "leaving through the top");
  a = Point2D(5, -10);
  b = Point2D(5, 5);
  EXPECT_EQ(ClipSegment2D(r, a, b), 1);
  ExpectPoint(a, 5, 0, "entering through the bottom");

  a = b = Point2D(3, 3);
  EXPECT_EQ(ClipSegment2D(r, a, b), 8) << "a point inside";
  a = b = Point2D(30, 3);
  EXPECT_EQ(ClipSegment2D(r, a, b), 4) << "a point outside";
  a = {-10, 10, 2};  // (-5, 5) in homogeneous form
  b = Point2D(15, 5);
  EXPECT_EQ(ClipSegment2D(r, a, b), 3);
  ExpectPoint(a, 0, 5, "homogeneous end");

  a = Point2D(5, -5);
  b = Point2D(5, 15);
  EXPECT_EQ(ClipSegmentX2D(r, a, b), 8) << "only the X bounds";
  EXPECT_EQ(ClipSegmentY2D(r, a, b), 3) << "only the Y bounds";

  EXPECT_EQ(ClipCode2D(r, Point2D(-1, 11)), 1 | 8);
  EXPECT_EQ(ClipCode2D(r, Point2D(11, -1)), 4 | 2);
  EXPECT_TRUE(IsPointInRect2D(Point2D(10, 0), r));
  EXPECT_TRUE(IsBoxInBox2D(Rect2D(1, 1, 9, 9), r));
  EXPECT_FALSE(IsBoxInBox2D(Rect2D(1, 1, 11, 9), r));
  EXPECT_TRUE(BoxOverlaps2D(Rect2D(9, 9, 20, 20), r));
  EXPECT_TRUE(BoxOverlaps2D(Rect2D(-5, 5, 15, 6), r)) << "crossing with both corners outside";
  EXPECT_FALSE(BoxOverlaps2D(Rect2D(11, 0, 20, 20), r));
  EXPECT_EQ(UnionRect2D(Rect2D(5, 5, 1, 1), Rect2D(3, -2, 4, 0)), Rect2D(1, -2, 5, 5));

  TPoint2D o = Point2D(10, 1);
  OrthoPoint2D(Point2D(0, 0), o);
  EXPECT_EQ(o, Point2D(10, 0));
  o = Point2D(1, 10);
  OrthoPoint2D(Point2D(0, 0), o);
  EXPECT_EQ(o, Point2D(0, 10));
}

TEST(Geometry, HitTestsAgainstOutlines) {
  double d = 0;
  EXPECT_TRUE(PointSegmentDistance2D(Point2D(5, 3), Point2D(0, 0), Point2D(10, 0), d));
  EXPECT_DOUBLE_EQ(d, 3);
  EXPECT_FALSE(PointSegmentDistance2D(Point2D(11, 0), Point2D(0, 0), Point2D(10, 0), d));
  EXPECT_EQ(d, kNoDistance);
  EXPECT_FALSE(PointSegmentDistance2D(Point2D(0, 0), Point2D(1, 1), Point2D(1, 1), d)) << "degenerate segment";
  EXPECT_TRUE(IsPointNearPoint2D(Point2D(0, 0), Point2D(1, 1), 1, d));
  EXPECT_NEAR(d, std::sqrt(2.0), 1e-12);
  EXPECT_FALSE(IsPointNearPoint2D(Point2D(0, 0), Point2D(1.5, 0), 1, d));

  const TPoint2D square[] = {Point2D(0, 0), Point2D(10, 0), Point2D(10, 10), Point2D(0, 10)};
  EXPECT_EQ(PolylinePick2D(square, 4, Point2D(5, 0.5), false, IdentityTransform2D, 1, d), PICK_ONOBJECT);
  EXPECT_DOUBLE_EQ(d, 0.5);
  EXPECT_EQ(PolylinePick2D(square, 4, Point2D(0.5, 5), false, IdentityTransform2D, 1, d), PICK_NOOBJECT)
      << "the closing side belongs only to a closed outline";
  EXPECT_EQ(PolylinePick2D(square, 4, Point2D(0.5, 5), true, IdentityTransform2D, 1, d), PICK_ONOBJECT);
  EXPECT_EQ(PolylinePick2D(square, 0, Point2D(0, 0), true, IdentityTransform2D, 1, d), PICK_NOOBJECT);
  // The object's transform moves the outline before the test.
  EXPECT_EQ(PolylinePick2D(square, 4, Point2D(105, 0.5), false, Translate2D(100, 0), 1, d), PICK_ONOBJECT);

  EXPECT_EQ(PolygonPick2D(square, 4, Point2D(5, 5), IdentityTransform2D, 1, d), PICK_INOBJECT);
  EXPECT_EQ(d, 1) << "inside answers the aperture";
  EXPECT_EQ(PolygonPick2D(square, 4, Point2D(9.8, 5), IdentityTransform2D, 1, d), PICK_ONOBJECT);
  EXPECT_NEAR(d, 0.2, 1e-12);
  EXPECT_EQ(PolygonPick2D(square, 4, Point2D(20, 5), IdentityTransform2D, 1, d), PICK_NOOBJECT);
  EXPECT_EQ(d, kNoDistance);
  EXPECT_EQ(PolygonPick2D(square, 4, Point2D(5, 5), Scale2D(0.1, 0.1), 0.1, d), PICK_NOOBJECT);

  EXPECT_TRUE(RayCrossesEdge2D(Point2D(0, 5), Point2D(3, 0), Point2D(3, 10)));
  EXPECT_FALSE(RayCrossesEdge2D(Point2D(4, 5), Point2D(3, 0), Point2D(3, 10)));
  EXPECT_FALSE(RayCrossesEdge2D(Point2D(0, 10), Point2D(3, 0), Point2D(3, 10))) << "upper end excluded";
  EXPECT_FALSE(RayCrossesEdge2D(Point2D(0, 0), Point2D(0, 0), Point2D(5, 0))) << "horizontal edge";
}

}  // namespace
}  // namespace cad
