#include "cad/tangent_line2d.h"

#include "construction_test_support.h"

namespace cad {
namespace {

class TangentLine2DTest : public ConstructionTest {};

TEST_F(TangentLine2DTest, NearestCandidateOrNothing) {
  const int32_t a = AddCircle(0, 0, 1), b = AddCircle(10, 0, 1), arc = AddArc(20, 0, 1, 0, kPi / 2);
  const int32_t outer = AddCircle(0, 0, 5), inside = AddCircle(1, 0, 2);
  const int32_t overlapping = AddCircle(30, 0, 5), overlapped = AddCircle(38, 0, 5);
  const int32_t touching = AddCircle(50, 0, 1), touched = AddCircle(52, 0, 1);
  const double h = std::sqrt(0.96);
  const struct {
    int32_t first, second;
    TPoint2D at0, at1;
    bool added;
    TPoint2D t1, t2;
    const char* what;
  } cases[] = {
      {a, b, Point2D(0, 1.1), Point2D(10, 1.1), true, Point2D(0, 1), Point2D(10, 1), "outer tangent above"},
      {a, b, Point2D(0, -1.1), Point2D(10, -1.1), true, Point2D(0, -1), Point2D(10, -1), "outer tangent below"},
      {a, b, Point2D(0.2, 1), Point2D(9.8, -1), true, Point2D(0.2, h), Point2D(9.8, -h), "crossing tangent"},
      {b, arc, Point2D(10, -1), Point2D(20, -1), true, Point2D(10, -1), Point2D(20, -1),
       "an arc counts as its whole circle"},
      {overlapping, overlapped, Point2D(30, 2e6), Point2D(38, 2e6), true, Point2D(30, 5), Point2D(38, 5),
       "picked far away: a tangent that does not exist never wins"},
      {touching, touched, Point2D(51, 0.1), Point2D(51, 0.1), true, Point2D(50, 1), Point2D(52, 1),
       "touching circles picked at the touch: a real line, not the point"},
      {a, b, Point2D(-5, 0), Point2D(15, 0), true, Point2D(0, 1), Point2D(10, 1),
       "picked on the centre line: both outer tangents score the same, the first candidate wins"},
      {a, outer, Point2D(0, 1), Point2D(0, 5), false, {}, {}, "concentric circles"},
      {outer, inside, Point2D(0, 5), Point2D(1, 2), false, {}, {}, "one circle inside the other"},
  };
  for (const auto& c : cases) {
    const int before = drawing.NumObjects();
    EXPECT_EQ(TangentLine2D(drawing, Pick(c.first, c.second, c.at0, c.at1)).Changed, c.added) << c.what;
    EXPECT_EQ(drawing.NumObjects(), before + (c.added ? 1 : 0)) << c.what;
    if (!c.added) continue;
    const TCurve line = Lines().back();
    ExpectPoint(line.P0, c.t1.X, c.t1.Y, c.what);
    ExpectPoint(line.P1, c.t2.X, c.t2.Y, c.what);
  }
  EXPECT_EQ(drawing.GetObject(a)->ClassName(), "TCerchio2D") << "circles stay circles";
}

}  // namespace
}  // namespace cad
