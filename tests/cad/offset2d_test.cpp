#include "cad/offset2d.h"

#include <array>
#include <cmath>
#include <functional>

#include "construction_test_support.h"

namespace cad {
namespace {

class Offset2DTest : public ConstructionTest {};

TEST_F(Offset2DTest, VertexOffsets) {
  const struct {
    TVector2D in, out;
    double x, ex, ey;
    const char* what;
  } cases[] = {
      {{10, 0}, {10, 0}, 2, 0, 2, "straight edge: x to its left"},
      {{0, -3}, {0, -3}, 1, 1, 0, "downward edge: left is +X"},
      {{0, 0}, {0, 0}, 1, 0, 1, "no edge: direction angle 0"},
      {{1, 0}, {0, 1}, 1, -1, 1, "left turn: the corner's mitre"},
      {{1, 0}, {-1, 0.01}, 1, 0, 1, "folding back: held at x as for a right angle"},
  };
  for (const auto& c : cases) {
    const TVector2D o = VertexOffset2D(c.in, c.out, c.x);
    EXPECT_NEAR(o.X, c.ex, 1e-9) << c.what;
    EXPECT_NEAR(o.Y, c.ey, 1e-9) << c.what;
  }
}

TEST_F(Offset2DTest, LinesMoveLeftOfTheirDirection) {
  const TLine2D line(1, Point2D(0, 0), Point2D(10, 0));
  for (double x : {2.0, -2.0}) {
    const auto copy = OffsetLine2D(line, x);
    EXPECT_EQ(copy->ID, -1);
    ExpectPoint(copy->Points().Points()[0], 0, x, "first point");
    ExpectPoint(copy->Points().Points()[1], 10, x, "second point");
  }
  // Points are taken in drawing coordinates: a line moved up by 5 is offset from there.
  TLine2D moved(2, Point2D(0, 0), Point2D(10, 0));
  moved.SetModelTransform(Translate2D(0, 5));
  ExpectPoint(OffsetLine2D(moved, 1)->Points().Points()[1], 10, 6, "through the transform");
  const TLine2D dot(3, Point2D(4, 4), Point2D(4, 4));
  ExpectPoint(OffsetLine2D(dot, 3)->Points().Points()[0], 4, 1, "a zero-length line moves by (0, -x)");
}

TEST_F(Offset2DTest, ArcsChangeRadiusOnly) {
  const TArco2D arc(1, Point2D(1, 2), Point2D(4, 2), 0, kPi / 2);
  TArcPoints a;
  ASSERT_TRUE(OffsetArc2D(arc, 2)->GetArcPoints(a));
  EXPECT_NEAR(a.Radius, 5, 1e-9);
  ExpectPoint(a.Centre, 1, 2, "same centre");
  ExpectAngle(a.StartAngle, 0, "same start");
  ExpectAngle(a.EndAngle, kPi / 2, "same end");
  ASSERT_TRUE(OffsetArc2D(arc, -3)->GetArcPoints(a));
  EXPECT_EQ(a.Radius, 0) << "offset by minus its radius";
  EXPECT_TRUE(IsFinitePoint2D(a.StartPoint) && std::isfinite(a.StartAngle));

  // A mirrored arc keeps the points it covers.
  TArco2D mirrored(2, Point2D(0, 0), Point2D(1, 0), 0, kPi / 2);
  mirrored.SetModelTransform(Mirror2D(1));
  ASSERT_TRUE(OffsetArc2D(mirrored, 1)->GetArcPoints(a));
  EXPECT_NEAR(a.Sweep, kPi / 2, 1e-9);
  ExpectPoint(a.Centre, 0, 0, "centre");
  EXPECT_LT(std::cos(a.StartAngle + a.Sweep / 2), 0) << "the copy lies where the mirrored arc does (X < 0)";
}

// The offset command's copies: lines left of their direction, arcs and circles outwards, nothing
// for what has no offset.
TEST_F(Offset2DTest, OffsetCopies) {
  const TPoint2D two[] = {Point2D(0, 0), Point2D(0, 10)};
  const TPoint2D three[] = {Point2D(0, 0), Point2D(0, 10), Point2D(5, 10)};
  const struct {
    std::function<std::unique_ptr<TObject2D>()> make;
    double x;
    bool made;
    std::array<double, 4> expected;  // a line: its two points; an arc or circle: centre, radius, sweep
    const char* what;
  } cases[] = {
      {[] { return std::make_unique<TLine2D>(1, Point2D(0, 0), Point2D(10, 0)); }, 2, true, {0, 2, 10, 2}, "line, left"},
      {[] { return std::make_unique<TLine2D>(1, Point2D(0, 0), Point2D(10, 0)); }, -2, true, {0, -2, 10, -2}, "line, right"},
      {[&] { return std::make_unique<TPolyline2D>(1, two); }, 1, true, {-1, 0, -1, 10}, "two-point polyline: a line"},
      {[] { return std::make_unique<TArco2D>(1, Point2D(1, 1), Point2D(4, 1), 0, kPi / 2); }, 1, true, {1, 1, 4, kPi / 2},
       "arc, outwards"},
      {[] { return std::make_unique<TArco2D>(1, Point2D(1, 1), Point2D(4, 1), 0, kPi / 2); }, -3, false, {}, "arc, to nothing"},
      {[] { return std::make_unique<TCerchio2D>(1, Point2D(2, 0), Point2D(4, 0)); }, -1.5, true, {2, 0, 0.5, 2 * kPi},
       "circle, inwards"},
      {[] { return std::make_unique<TCerchio2D>(1, Point2D(2, 0), Point2D(4, 0)); }, -2, false, {}, "circle, to nothing"},
      {[] { return std::make_unique<TPunto2D>(1, Point2D(2, 0)); }, 1, false, {}, "a point has none"},
      {[&] { return std::make_unique<TPolyline2D>(1, three); }, 1, false, {}, "nor a longer polyline"},
      {[] { return std::make_unique<TLine2D>(1, Point2D(0, 0), Point2D(10, 0)); }, std::nan(""), false, {}, "nor a NaN distance"},
  };
  for (const auto& c : cases) {
    const auto source = c.make();
    const auto copy = OffsetCopy2D(*source, c.x);
    ASSERT_EQ(copy != nullptr, c.made) << c.what;
    if (!copy) continue;
    EXPECT_EQ(copy->ID, -1) << c.what;
    TPoint2D p0, p1;
    TArcPoints a;
    if (ReadLine2D(*copy, p0, p1)) {
      ExpectPoint(p0, c.expected[0], c.expected[1], c.what);
      ExpectPoint(p1, c.expected[2], c.expected[3], c.what);
    } else {
      ASSERT_TRUE(ReadArcOrCircle2D(*copy, a)) << c.what;
      EXPECT_EQ(copy->ClassName(), source->ClassName()) << c.what;
      ExpectPoint(a.Centre, c.expected[0], c.expected[1], c.what);
      EXPECT_NEAR(a.Radius, c.expected[2], 1e-9) << c.what;
      EXPECT_NEAR(a.Sweep, c.expected[3], 1e-9) << c.what;
    }
  }
}

}  // namespace
}  // namespace cad
