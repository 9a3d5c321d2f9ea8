#include "cad/tangent_line2d.h"

#include "construction_test_support.h"

namespace cad {
namespace {

class TangentLine2DTest : public ConstructionTest {};

TEST_F(TangentLine2DTest, NearestCandidate) {
  const int32_t a = AddCircle(0, 0, 1), b = AddCircle(10, 0, 1);
  const struct {
    TPoint2D at0, at1, t1, t2;
    const char* what;
  } cases[] = {
      {Point2D(0, 1.1), Point2D(10, 1.1), Point2D(0, 1), Point2D(10, 1), "outer tangent above"},
      {Point2D(0, -1.1), Point2D(10, -1.1), Point2D(0, -1), Point2D(10, -1), "outer tangent below"},
      {Point2D(0.2, 1), Point2D(9.8, -1), Point2D(0.2, std::sqrt(0.96)), Point2D(9.8, -std::sqrt(0.96)),
       "crossing tangent"},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(TangentLine2D(drawing, Pick(a, b, c.at0, c.at1)).Changed) << c.what;
    const TSeenLine line = Lines().back();
    ExpectPoint(line.P0, c.t1.X, c.t1.Y, c.what);
    ExpectPoint(line.P1, c.t2.X, c.t2.Y, c.what);
  }
  EXPECT_EQ(drawing.GetObject(a)->ClassName(), "TCerchio2D") << "circles stay circles";
}

TEST_F(TangentLine2DTest, NoRealTangentAddsNothing) {
  const int32_t outer = AddCircle(0, 0, 5), concentric = AddCircle(0, 0, 2), inside = AddCircle(1, 0, 2);
  const int32_t arc = AddArc(20, 0, 5, 0, kPi / 2);
  for (int32_t other : {concentric, inside})
    EXPECT_FALSE(TangentLine2D(drawing, Pick(outer, other, Point2D(0, 5), Point2D(0, 2))).Changed);
  EXPECT_EQ(drawing.NumObjects(), 4);
  // Arcs count as their whole circles: the tangent below is found though the arc lies above.
  ASSERT_TRUE(TangentLine2D(drawing, Pick(outer, arc, Point2D(0, -5), Point2D(20, -5))).Changed);
  ExpectPoint(Lines().back().P1, 20, -5, "on the arc's circle");
}

}  // namespace
}  // namespace cad
