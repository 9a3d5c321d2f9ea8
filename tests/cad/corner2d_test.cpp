#include "cad/corner2d.h"

#include "construction_test_support.h"
#include "drawing_test_support.h"

namespace cad {
namespace {

class Corner2DTest : public ConstructionTest {
 protected:
  int32_t AddPolyline(double x1, double y1, double x2, double y2) {
    const TPoint2D points[] = {Point2D(x1, y1), Point2D(x2, y2)};
    return drawing.AddObject(-1, std::make_unique<TPolyline2D>(-1, points))->ID;
  }
};

TEST_F(Corner2DTest, TwoLines) {
  enum { kTrim, kArcTrimmed, kArcOnly };
  const struct {
    double aEnd, bStart;  // A (0,0)-(aEnd,0), B (5,bStart)-(5,5), picked at (2,0) and (5,3)
    bool polylines;
    int command;
    TPoint2D a1, b0;
    const char* what;
  } cases[] = {
      {10, -5, false, kTrim, Point2D(5, 0), Point2D(5, 0), "crossing lines trimmed; the radius adds no arc"},
      {4, 1, false, kTrim, Point2D(5, 0), Point2D(5, 0), "lines that do not reach each other extended"},
      {4, 1, true, kTrim, Point2D(5, 0), Point2D(5, 0), "two-point polylines extended to the corner"},
      {10, -5, false, kArcTrimmed, Point2D(4, 0), Point2D(5, 1), "trimmed to the tangent arc"},
      {10, -5, false, kArcOnly, Point2D(10, 0), Point2D(5, -5), "a full tangent circle, lines unchanged"},
      {10, -5, true, kArcOnly, Point2D(10, 0), Point2D(5, -5), "polylines keep the caller's trim switch"},
  };
  for (const auto& c : cases) {
    drawing.ClearObjects();
    FakeViewport view;
    drawing.AddViewport(&view);
    const int32_t a = c.polylines ? AddPolyline(0, 0, c.aEnd, 0) : AddLine(0, 0, c.aEnd, 0);
    const int32_t b = c.polylines ? AddPolyline(5, c.bStart, 5, 5) : AddLine(5, c.bStart, 5, 5);
    const TTwoObjectPick pick = Pick(a, b, Point2D(2, 0), Point2D(5, 3));
    const TConstructionSettings settings{10, 1, c.command == kArcTrimmed};
    EXPECT_TRUE((c.command == kTrim ? TrimCorner2D : TangentArc2D)(drawing, pick, settings).Changed) << c.what;
    EXPECT_GT(view.repaints, 0) << c.what;
    drawing.RemoveViewport(&view);
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 2u) << c.what;
    EXPECT_EQ(lines[0].ID, a) << c.what;
    EXPECT_EQ(lines[1].ID, b) << c.what;
    ExpectPoint(lines[0].P0, 0, 0, c.what);
    ExpectPoint(lines[0].P1, c.a1.X, c.a1.Y, c.what);
    ExpectPoint(lines[1].P0, c.b0.X, c.b0.Y, c.what);
    ExpectPoint(lines[1].P1, 5, 5, c.what);
    const auto arcs = Arcs();
    ASSERT_EQ(arcs.size(), c.command == kTrim ? 0u : 1u) << c.what;
    if (c.command == kTrim) continue;
    ExpectPoint(arcs[0].Arc.Centre, 4, 1, c.what);
    EXPECT_NEAR(arcs[0].Arc.Radius, 1, 1e-9) << c.what;
    ExpectAngle(arcs[0].Arc.StartAngle, c.command == kArcTrimmed ? 3 * kPi / 2 : 0, c.what);
    ExpectAngle(arcs[0].Arc.EndAngle, 0, c.what);
  }
}

TEST_F(Corner2DTest, NothingToDo) {
  const TPoint2D three[] = {Point2D(0, 0), Point2D(4, 0), Point2D(4, 4)};
  const int32_t a = AddLine(0, 0, 10, 0), b = AddLine(5, -5, 5, 5), parallel = AddLine(0, 2, 10, 2);
  const int32_t poly = drawing.AddObject(-1, std::make_unique<TPolyline2D>(-1, three))->ID;
  drawing.GetObject(a)->SetModelTransform(Scale2D(0.5, 1));  // A runs (0,0)-(5,0)
  const struct {
    TTwoObjectPick pick;
    const char* what;
  } cases[] = {
      {Pick(a, parallel, Point2D(2, 0), Point2D(2, 2)), "parallel lines"},
      {Pick(a, b, Point2D(2, 0), Point2D(5, 0)), "second pick on the first line"},
      {Pick(a, b, Point2D(5.02, 0), Point2D(5, 3)), "A picked just beyond its end at the corner"},
      {Pick(poly, b, Point2D(2, 0), Point2D(5, 3)), "a polyline of three points"},
      {Pick(a, a, Point2D(2, 0), Point2D(3, 0)), "the same object twice"},
      {Pick(a, 99, Point2D(2, 0), Point2D(3, 0)), "an ID that no longer resolves"},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(CornerConstruction2D(drawing, c.pick, true, true, 1).Changed) << c.what;
    EXPECT_FALSE(CornerConstruction2D(drawing, c.pick, false, true, 0).Changed) << c.what;
    EXPECT_EQ(drawing.NumObjects(), 4) << c.what;
  }
  EXPECT_FALSE(CornerConstruction2D(drawing, Pick(a, b, Point2D(2, 0), Point2D(5, 3)), true, true, 0).Changed)
      << "a tangent arc of no radius";
}

TEST_F(Corner2DTest, LineAndArc) {
  // The left half of a circle of radius 5 and a line through it; the same whichever is picked first.
  for (bool arcFirst : {false, true}) {
    drawing.ClearObjects();
    const int32_t line = AddLine(-10, 0, 10, 0), arc = AddArc(0, 0, 5, kPi / 2, 3 * kPi / 2);
    const TPoint2D atLine = Point2D(-8, 0), atArc = Point2D(-3, 4);
    TrimCorner2D(drawing, arcFirst ? Pick(arc, line, atArc, atLine) : Pick(line, arc, atLine, atArc), {});
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].ID, line);
    ExpectPoint(lines[0].P1, -5, 0, "the unpicked end moves to the corner");
    const auto arcs = Arcs();
    ASSERT_EQ(arcs.size(), 2u) << "the arc is split at the corner";
    ExpectPoint(arcs[0].P1, -5, 0, "first piece ends at the corner");
  }

  // A tangent arc between the line and a circle, which becomes a full arc that one point does not cut.
  drawing.ClearObjects();
  const int32_t line = AddLine(-10, 0, 10, 0), circle = AddCircle(0, 0, 5);
  TangentArc2D(drawing, Pick(line, circle, Point2D(-8, 0), Point2D(-3, 4)), {0, 1, true});
  EXPECT_EQ(drawing.GetObject(circle), nullptr);
  const double x = -std::sqrt(35.0);
  ExpectPoint(Lines()[0].P1, x, 0, "line trimmed to its tangent point");
  const auto arcs = Arcs();
  ASSERT_EQ(arcs.size(), 2u);
  EXPECT_TRUE(arcs[0].Full()) << "the circle as a full arc";
  ExpectPoint(arcs[1].Arc.Centre, x, 1, "tangent arc centre");
  ExpectPoint(arcs[1].P0, x, 0, "from the line to the circle, the shorter way");
  ExpectPoint(arcs[1].P1, x * 5 / 6, 5.0 / 6, "on the circle");
}

TEST_F(Corner2DTest, TwoArcs) {
  // The right half of one circle and the left half of another, touching at (5, 0).
  const int32_t a = AddArc(0, 0, 5, -kPi / 2, kPi / 2), b = AddArc(10, 0, 5, kPi / 2, 3 * kPi / 2);
  TangentArc2D(drawing, Pick(a, b, Point2D(4, 3), Point2D(6, 3)), {0, 1, true});
  auto arcs = Arcs();
  ASSERT_EQ(arcs.size(), 5u) << "both split at their tangent points, and the tangent arc";
  ExpectPoint(arcs[4].Arc.Centre, 5, std::sqrt(11.0), "tangent arc centre");
  EXPECT_NEAR(PointDistance2D(arcs[4].P0, Point2D(0, 0)), 5, 1e-9) << "starts on the first circle";
  EXPECT_NEAR(PointDistance2D(arcs[4].P1, Point2D(10, 0)), 5, 1e-9) << "ends on the second";

  // The trim breaks two arcs at their crossings instead.
  drawing.ClearObjects();
  const int32_t c = AddArc(0, 0, 5, -kPi / 2, kPi / 2), d = AddArc(10, 0, 5, kPi / 2, 3 * kPi / 2);
  const auto done = TrimCorner2D(drawing, Pick(c, d, Point2D(4, 3), Point2D(6, 3)), {});
  ASSERT_EQ(done.Crossings.size(), 1u);
  ExpectPoint(done.Crossings[0], 5, 0, "the crossing is marked");
  EXPECT_EQ(Arcs().size(), 4u);
}

}  // namespace
}  // namespace cad
