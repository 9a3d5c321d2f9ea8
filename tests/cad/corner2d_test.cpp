#include "cad/corner2d.h"

#include "construction_test_support.h"
#include "drawing_test_support.h"

namespace cad {
namespace {

class Corner2DTest : public ConstructionTest {
 protected:
  TConstructionSettings settings;
};

TEST_F(Corner2DTest, TrimMovesTheUnpickedEndsToTheCorner) {
  FakeViewport view;
  drawing.AddViewport(&view);
  const int32_t a = AddLine(0, 0, 10, 0), b = AddLine(5, -5, 5, 5);
  settings.FilletRadius = 10;  // a trim never adds an arc, whatever the radius
  EXPECT_TRUE(TrimCorner2D(drawing, Pick(a, b, Point2D(2, 0), Point2D(5, 3)), settings).Changed);
  auto lines = Lines();
  ASSERT_EQ(lines.size(), 2u) << "no new object";
  EXPECT_EQ(lines[0].ID, a);
  ExpectPoint(lines[0].P1, 5, 0, "A ends at the corner");
  EXPECT_EQ(lines[1].ID, b);
  ExpectPoint(lines[1].P0, 5, 0, "B starts at the corner");
  ExpectPoint(lines[1].P1, 5, 5, "B keeps its picked end");
  EXPECT_GT(view.repaints, 0);
  drawing.RemoveViewport(&view);

  // Lines that do not reach each other are extended; two-point polylines are lines.
  drawing.ClearObjects();
  const TPoint2D p[] = {Point2D(0, 0), Point2D(4, 0)}, q[] = {Point2D(5, 1), Point2D(5, 5)};
  const int32_t c = drawing.AddObject(-1, std::make_unique<TPolyline2D>(-1, p))->ID;
  const int32_t d = drawing.AddObject(-1, std::make_unique<TPolyline2D>(-1, q))->ID;
  TrimCorner2D(drawing, Pick(c, d, Point2D(2, 0), Point2D(5, 3)), settings);
  lines = Lines();
  ASSERT_EQ(lines.size(), 2u);
  ExpectPoint(lines[0].P1, 5, 0, "extended to the corner");
  ExpectPoint(lines[1].P0, 5, 0, "extended to the corner");
  EXPECT_TRUE(Arcs().empty()) << "the caller's switches hold for polylines too";
}

TEST_F(Corner2DTest, NothingToDo) {
  const TPoint2D three[] = {Point2D(0, 0), Point2D(4, 0), Point2D(4, 4)};
  const int32_t a = AddLine(0, 0, 10, 0), b = AddLine(5, -5, 5, 5), parallel = AddLine(0, 2, 10, 2);
  const int32_t poly = drawing.AddObject(-1, std::make_unique<TPolyline2D>(-1, three))->ID;
  const struct {
    TTwoObjectPick pick;
    const char* what;
  } cases[] = {
      {Pick(a, parallel, Point2D(2, 0), Point2D(2, 2)), "parallel lines"},
      {Pick(a, b, Point2D(2, 0), Point2D(5, 0)), "second pick on the first line"},
      {Pick(a, b, Point2D(8, 0), Point2D(5, 3)), "A picked beyond the corner of its end"},
      {Pick(poly, b, Point2D(2, 0), Point2D(5, 3)), "a polyline of three points"},
      {Pick(a, a, Point2D(2, 0), Point2D(3, 0)), "the same object twice"},
      {Pick(a, 99, Point2D(2, 0), Point2D(3, 0)), "an ID that no longer resolves"},
  };
  drawing.GetObject(a)->SetModelTransform(Scale2D(0.5, 1));  // A runs (0,0)-(5,0): its end is the corner
  for (const auto& c : cases) {
    EXPECT_FALSE(CornerConstruction2D(drawing, c.pick, true, true, 1).Changed) << c.what;
    EXPECT_FALSE(TrimCorner2D(drawing, c.pick, settings).Changed) << c.what;
    EXPECT_EQ(drawing.NumObjects(), 4) << c.what;
  }
  EXPECT_FALSE(CornerConstruction2D(drawing, Pick(a, b, Point2D(2, 0), Point2D(5, 3)), true, true, 0).Changed)
      << "a tangent arc of no radius";
}

TEST_F(Corner2DTest, TangentArcOfTwoLines) {
  settings.TangentArcRadius = 1;
  for (bool trim : {true, false}) {
    drawing.ClearObjects();
    const int32_t a = AddLine(0, 0, 10, 0), b = AddLine(5, -5, 5, 5);
    settings.TangentArcTrim = trim;
    TangentArc2D(drawing, Pick(a, b, Point2D(2, 0), Point2D(5, 3)), settings);
    const auto lines = Lines();
    const auto arcs = Arcs();
    ASSERT_EQ(lines.size(), 2u);
    ASSERT_EQ(arcs.size(), 1u);
    const TArcPoints& arc = arcs[0].Arc;
    ExpectPoint(arc.Centre, 4, 1, "centre");
    EXPECT_NEAR(arc.Radius, 1, 1e-9);
    if (trim) {
      ExpectPoint(lines[0].P1, 4, 0, "A ends at its tangent point");
      ExpectPoint(lines[1].P0, 5, 1, "B starts at its tangent point");
      ExpectAngle(arc.StartAngle, 3 * kPi / 2, "arc start");
      ExpectAngle(arc.EndAngle, 0, "arc end");
    } else {
      ExpectPoint(lines[0].P1, 10, 0, "A unchanged");
      ExpectPoint(lines[1].P0, 5, -5, "B unchanged");
      EXPECT_NEAR(arc.Sweep, 2 * kPi, 1e-12) << "the full tangent circle";
    }
  }
}

TEST_F(Corner2DTest, LineAndArc) {
  // The left half of a circle of radius 5 and a line through it; the same whichever is picked first.
  for (bool arcFirst : {false, true}) {
    drawing.ClearObjects();
    const int32_t line = AddLine(-10, 0, 10, 0), arc = AddArc(0, 0, 5, kPi / 2, 3 * kPi / 2);
    const TPoint2D atLine = Point2D(-8, 0), atArc = Point2D(-3, 4);
    TrimCorner2D(drawing, arcFirst ? Pick(arc, line, atArc, atLine) : Pick(line, arc, atLine, atArc), settings);
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].ID, line);
    ExpectPoint(lines[0].P0, -10, 0, "the picked end stays");
    ExpectPoint(lines[0].P1, -5, 0, "the other moves to the corner");
    const auto arcs = Arcs();
    ASSERT_EQ(arcs.size(), 2u) << "the arc is split at the corner";
    ExpectPoint(arcs[0].Arc.EndPoint, -5, 0, "first piece ends at the corner");
    ExpectPoint(arcs[1].Arc.StartPoint, -5, 0, "second piece starts there");
  }

  // A tangent arc between the line and a circle (first replaced by a full arc, which one point
  // does not cut).
  drawing.ClearObjects();
  const int32_t line = AddLine(-10, 0, 10, 0), circle = AddCircle(0, 0, 5);
  settings.TangentArcRadius = 1;
  TangentArc2D(drawing, Pick(line, circle, Point2D(-8, 0), Point2D(-3, 4)), settings);
  EXPECT_EQ(drawing.GetObject(circle), nullptr);
  const double x = -std::sqrt(35.0);
  ExpectPoint(Lines()[0].P1, x, 0, "line trimmed to its tangent point");
  const auto arcs = Arcs();
  ASSERT_EQ(arcs.size(), 2u);
  EXPECT_NEAR(arcs[0].Arc.Sweep, 2 * kPi, 1e-12) << "the circle as a full arc";
  const TArcPoints& tangent = arcs[1].Arc;
  ExpectPoint(tangent.Centre, x, 1, "tangent arc centre");
  ExpectPoint(tangent.StartPoint, x, 0, "from the line to the circle, the shorter way");
  ExpectPoint(tangent.EndPoint, x * 5 / 6, 5.0 / 6, "on the circle");
}

TEST_F(Corner2DTest, TwoArcs) {
  // The right half of one circle and the left half of another, touching at (5, 0).
  const int32_t a = AddArc(0, 0, 5, -kPi / 2, kPi / 2), b = AddArc(10, 0, 5, kPi / 2, 3 * kPi / 2);
  settings.TangentArcRadius = 1;
  TangentArc2D(drawing, Pick(a, b, Point2D(4, 3), Point2D(6, 3)), settings);
  const auto arcs = Arcs();
  ASSERT_EQ(arcs.size(), 5u) << "both split at their tangent points, and the tangent arc";
  const TArcPoints& tangent = arcs[4].Arc;
  ExpectPoint(tangent.Centre, 5, std::sqrt(11.0), "tangent arc centre");
  EXPECT_NEAR(PointDistance2D(tangent.StartPoint, Point2D(0, 0)), 5, 1e-9) << "starts on the first circle";
  EXPECT_NEAR(PointDistance2D(tangent.EndPoint, Point2D(10, 0)), 5, 1e-9) << "ends on the second";

  // The trim breaks two arcs at their crossings instead.
  drawing.ClearObjects();
  const int32_t c = AddArc(0, 0, 5, -kPi / 2, kPi / 2), d = AddArc(10, 0, 5, kPi / 2, 3 * kPi / 2);
  const auto done = TrimCorner2D(drawing, Pick(c, d, Point2D(4, 3), Point2D(6, 3)), settings);
  ASSERT_EQ(done.Crossings.size(), 1u);
  ExpectPoint(done.Crossings[0], 5, 0, "the crossing is marked");
  EXPECT_EQ(Arcs().size(), 4u);
}

}  // namespace
}  // namespace cad
