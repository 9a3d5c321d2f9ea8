#include "cad/corner2d.h"

#include <array>
#include <functional>
#include <string>

#include "construction_test_support.h"
#include "drawing_test_support.h"

namespace cad {
namespace {

class Corner2DTest : public ConstructionTest {
 protected:
  int32_t AddPolyline3() {
    const TPoint2D points[] = {Point2D(0, 0), Point2D(4, 0), Point2D(4, -4)};
    return drawing.AddObject(-1, std::make_unique<TPolyline2D>(-1, points))->ID;
  }
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
    double fillet;  // the fillet radius; the tangent arc's radius is 1
    TPoint2D a1, b0;
    double arcRadius;  // 0: no arc
    bool fullArc;
    const char* what;
  } cases[] = {
      {10, -5, false, kTrim, 10, Point2D(5, 0), Point2D(5, 0), 0, false, "crossing lines trimmed; the radius adds no arc"},
      {4, 1, false, kTrim, 0, Point2D(5, 0), Point2D(5, 0), 0, false, "lines that do not reach each other extended"},
      {4, 1, true, kTrim, 0, Point2D(5, 0), Point2D(5, 0), 0, false, "two-point polylines, no fillet radius: the corner"},
      {10, -5, true, kTrim, 2, Point2D(3, 0), Point2D(5, 2), 2, false, "two-point polylines get the fillet arc"},
      {10, -5, false, kArcTrimmed, 10, Point2D(4, 0), Point2D(5, 1), 1, false, "trimmed to the tangent arc"},
      {10, -5, false, kArcOnly, 10, Point2D(10, 0), Point2D(5, -5), 1, true, "a full tangent circle, lines unchanged"},
      {10, -5, true, kArcOnly, 2, Point2D(3, 0), Point2D(5, 2), 2, false,
       "polylines: the fillet of the fillet radius, trimmed whatever the switch"},
  };
  for (const auto& c : cases) {
    drawing.ClearObjects();
    FakeViewport view;
    drawing.AddViewport(&view);
    const int32_t a = c.polylines ? AddPolyline(0, 0, c.aEnd, 0) : AddLine(0, 0, c.aEnd, 0);
    const int32_t b = c.polylines ? AddPolyline(5, c.bStart, 5, 5) : AddLine(5, c.bStart, 5, 5);
    const TTwoObjectPick pick = Pick(a, b, Point2D(2, 0), Point2D(5, 3));
    const TConstructionSettings settings{c.fillet, 1, c.command == kArcTrimmed};
    const TConstructionResult done = (c.command == kTrim ? TrimCorner2D : TangentArc2D)(drawing, pick, settings);
    EXPECT_TRUE(done.Changed) << c.what;
    EXPECT_EQ(done.Message, "") << c.what;
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
    ASSERT_EQ(arcs.size(), c.arcRadius > 0 ? 1u : 0u) << c.what;
    if (arcs.empty()) continue;
    ExpectPoint(arcs[0].Arc.Centre, 5 - c.arcRadius, c.arcRadius, c.what);
    EXPECT_NEAR(arcs[0].Arc.Radius, c.arcRadius, 1e-9) << c.what;
    ExpectAngle(arcs[0].Arc.StartAngle, c.fullArc ? 0 : 3 * kPi / 2, c.what);
    ExpectAngle(arcs[0].Arc.EndAngle, 0, c.what);
  }
}

// Fillet: the tangent arc of the fillet radius with both objects trimmed to it (the plain corner
// without a radius). Extend: only the first object changes, and only by growing.
TEST_F(Corner2DTest, FilletAndExtend) {
  enum { kFillet, kExtend };
  const double c = 10 - 3 * std::cos(0.3), s = 3 * std::sin(0.3);  // a point of the circle (10, 0) r 3
  const struct {
    std::function<std::array<int32_t, 2>()> make;
    TPoint2D at0, at1;
    int command;
    double radius;
    bool changed;
    const char* why;
    std::vector<std::array<double, 4>> lines;  // every line after, in order
    std::vector<std::array<double, 3>> arcs;   // centre and radius of every arc or circle after
    const char* what;
  } cases[] = {
      {[this] { return std::array{AddLine(0, 0, 10, 0), AddLine(5, -5, 5, 5)}; }, Point2D(2, 0), Point2D(5, 3),
       kFillet, 2, true, "", {{0, 0, 3, 0}, {5, 2, 5, 5}}, {{3, 2, 2}}, "crossing lines: the arc, both trimmed to it"},
      {[this] { return std::array{AddLine(0, 0, 4, 0), AddLine(5, 1, 5, 5)}; }, Point2D(2, 0), Point2D(5, 3),
       kFillet, 0.5, true, "", {{0, 0, 4.5, 0}, {5, 0.5, 5, 5}}, {{4.5, 0.5, 0.5}}, "lines apart: both reach the arc"},
      {[this] { return std::array{AddLine(0, 0, 10, 0), AddLine(5, -5, 5, 5)}; }, Point2D(2, 0), Point2D(5, 3),
       kFillet, 0, true, "", {{0, 0, 5, 0}, {5, 0, 5, 5}}, {}, "radius 0: the corner"},
      {[this] { return std::array{AddLine(0, 0, 4, 0), AddLine(5, -5, 5, 5)}; }, Point2D(2, 0), Point2D(5, 3),
       kExtend, 0, true, "", {{0, 0, 5, 0}, {5, -5, 5, 5}}, {}, "a short line grows to the other; that one stays"},
      {[this] { return std::array{AddLine(6, 0, 10, 0), AddLine(5, -5, 5, 5)}; }, Point2D(8, 0), Point2D(5, 3),
       kExtend, 0, true, "", {{5, 0, 10, 0}, {5, -5, 5, 5}}, {}, "its other end grows when that one is nearer"},
      {[this] { return std::array{AddLine(0, 0, 4, 0), AddCircle(10, 0, 3)}; }, Point2D(2, 0), Point2D(c, s),
       kExtend, 0, true, "", {{0, 0, 7, 0}}, {{10, 0, 3}}, "up to a circle, which stays a circle"},
      {[this] { return std::array{AddLine(0, 0, 10, 0), AddLine(5, -5, 5, 5)}; }, Point2D(2, 0), Point2D(5, 3),
       kExtend, 0, false, kAlreadyReachesText, {{0, 0, 10, 0}, {5, -5, 5, 5}}, {}, "a line crossing the other is not cut"},
      {[this] { return std::array{AddArc(0, 0, 3, 0, kPi / 2), AddLine(5, -5, 5, 5)}; }, Point2D(0, 3), Point2D(5, 3),
       kExtend, 0, false, kExtendWhatText, {{5, -5, 5, 5}}, {{0, 0, 3}}, "an arc is not extended"},
      {[this] { return std::array{AddPolyline3(), AddLine(5, -5, 5, 5)}; }, Point2D(2, 0), Point2D(5, 3), kFillet, 1,
       false, kCornerWhatText, {{5, -5, 5, 5}}, {}, "a longer polyline has no fillet, and the fillet says so"},
  };
  for (const auto& k : cases) {
    drawing.ClearObjects();
    const auto ids = k.make();
    const TTwoObjectPick pick = Pick(ids[0], ids[1], k.at0, k.at1);
    const TConstructionResult done =
        k.command == kFillet ? FilletCorner2D(drawing, pick, {k.radius, 7, false}) : ExtendToCorner2D(drawing, pick);
    EXPECT_EQ(done.Changed, k.changed) << k.what;
    EXPECT_EQ(done.Message, k.why) << k.what;
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), k.lines.size()) << k.what;
    for (size_t i = 0; i < lines.size(); ++i) {
      ExpectPoint(lines[i].P0, k.lines[i][0], k.lines[i][1], k.what);
      ExpectPoint(lines[i].P1, k.lines[i][2], k.lines[i][3], k.what);
    }
    const auto arcs = Arcs();
    ASSERT_EQ(arcs.size(), k.arcs.size()) << k.what;
    for (size_t i = 0; i < arcs.size(); ++i) {
      ExpectPoint(arcs[i].Arc.Centre, k.arcs[i][0], k.arcs[i][1], k.what);
      EXPECT_NEAR(arcs[i].Arc.Radius, k.arcs[i][2], 1e-9) << k.what;
    }
    if (k.command == kExtend) {
      EXPECT_NE(drawing.GetObject(ids[1]), nullptr) << k.what << ": the object reached keeps its ID";
    }
  }
  // The fillet's arc touches both lines at its ends: it runs a quarter turn from (3, 0) to (5, 2).
  drawing.ClearObjects();
  const int32_t a = AddLine(0, 0, 10, 0), b = AddLine(5, -5, 5, 5);
  ASSERT_TRUE(FilletCorner2D(drawing, Pick(a, b, Point2D(2, 0), Point2D(5, 3)), {2, 1, true}).Changed);
  const auto arcs = Arcs();
  ASSERT_EQ(arcs.size(), 1u);
  ExpectPoint(arcs[0].P0, 3, 0, "the arc starts where the first line ends");
  ExpectPoint(arcs[0].P1, 5, 2, "and ends where the second begins");
  EXPECT_NEAR(arcs[0].Arc.Sweep, kPi / 2, 1e-9);
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
    EXPECT_FALSE(CornerConstruction2D(drawing, c.pick, true, true, 1, 1).Changed) << c.what;
    EXPECT_FALSE(CornerConstruction2D(drawing, c.pick, false, true, 0, 0).Changed) << c.what;
    EXPECT_EQ(drawing.NumObjects(), 4) << c.what;
  }
  EXPECT_FALSE(CornerConstruction2D(drawing, Pick(a, b, Point2D(2, 0), Point2D(5, 3)), true, true, 0, 0).Changed)
      << "a tangent arc of no radius";
}

TEST_F(Corner2DTest, WhenNothingCanBeDoneTheDrawingStaysAndTheResultSaysWhy) {
  enum { kTrim, kArc };
  const struct {
    std::function<std::array<int32_t, 2>()> make;
    TPoint2D at0, at1;
    int command;
    const char* why;
    const char* what;
  } cases[] = {
      {[this] { return std::array{AddLine(0, 0, 10, 0), AddLine(0, 1, 10, 1 + 1e-7)}; },
       Point2D(5, 0), Point2D(5, 1), kTrim, kFarCornerText, "lines at a slope of 1e-8 meet at x = -1e8"},
      {[this] { return std::array{AddLine(0, 0, 10, 0), AddLine(0, 1, 10, 1 + 1e-7)}; },
       Point2D(5, 0), Point2D(5, 1), kArc, kFarCornerText, "the same with a tangent arc"},
      {[this] { return std::array{AddLine(0, 0, 10, 0), AddLine(0, 2, 10, 2)}; }, Point2D(5, 0),
       Point2D(5, 2), kTrim, kParallelLinesText, "parallel lines"},
      {[this] { return std::array{AddLine(-20, 0, 20, 0), AddCircle(0, 10, 5)}; },
       Point2D(-15, 0), Point2D(-3, 6), kTrim, kNoCrossingText, "a line that does not reach the circle"},
      {[this] { return std::array{AddCircle(0, 10, 5), AddLine(-20, 0, 20, 0)}; },
       Point2D(-3, 6), Point2D(-15, 0), kTrim, kNoCrossingText, "the same picked the other way round"},
      {[this] { return std::array{AddCircle(0, 0, 1), AddCircle(20, 0, 1)}; }, Point2D(1, 0),
       Point2D(19, 0), kArc, kNoTangentArcText, "circles too far apart for the radius"},
      {[this] { return std::array{AddLine(-20, 0, 20, 0), AddCircle(0, 10, 5)}; },
       Point2D(-15, 0), Point2D(-3, 16), kArc, kNoTangentArcText, "a radius too small to bridge the gap"},
  };
  for (const auto& c : cases) {
    drawing.ClearObjects();
    const auto ids = c.make();
    std::vector<std::string> before;
    for (const TCurve& curve : Objects()) before.push_back(std::to_string(curve.ID) + " " +
                                                           std::to_string(curve.P0.X) + " " + std::to_string(curve.P1.Y));
    const TTwoObjectPick pick = Pick(ids[0], ids[1], c.at0, c.at1);
    const TConstructionResult done =
        c.command == kTrim ? TrimCorner2D(drawing, pick, {}) : TangentArc2D(drawing, pick, {0, 1, true});
    EXPECT_FALSE(done.Changed) << c.what;
    EXPECT_EQ(done.Message, c.why) << c.what;
    std::vector<std::string> after;
    for (const TCurve& curve : Objects()) after.push_back(std::to_string(curve.ID) + " " +
                                                          std::to_string(curve.P0.X) + " " + std::to_string(curve.P1.Y));
    EXPECT_EQ(after, before) << c.what << ": the drawing as it was, circles under their own IDs";
    for (int32_t id : ids) EXPECT_NE(drawing.GetObject(id), nullptr) << c.what;
  }
}

TEST_F(Corner2DTest, TangentArcOfALineAndACircleItDoesNotCross) {
  // The line y = 0 below the circle of radius 5 round (0, 10); a tangent arc of radius 3.
  for (bool circleFirst : {false, true}) {
    drawing.ClearObjects();
    const int32_t line = AddLine(-20, 0, 20, 0), circle = AddCircle(0, 10, 5);
    const TPoint2D atLine = Point2D(-15, 0), atCircle = Point2D(-3, 6);
    const auto done = TangentArc2D(drawing, circleFirst ? Pick(circle, line, atCircle, atLine)
                                                        : Pick(line, circle, atLine, atCircle),
                                   {0, 3, true});
    EXPECT_TRUE(done.Changed);
    const double x = -std::sqrt(15.0);
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 1u);
    ExpectPoint(lines[0].P0, -20, 0, "the picked part of the line stays");
    ExpectPoint(lines[0].P1, x, 0, "the far end moves to the tangent point");
    const auto arcs = Arcs();
    ASSERT_EQ(arcs.size(), 2u);
    EXPECT_TRUE(arcs[0].Full()) << "the circle as a full arc";
    ExpectPoint(arcs[1].Arc.Centre, x, 3, "3 from the line and 5 + 3 from the circle's centre");
    EXPECT_NEAR(arcs[1].Arc.Radius, 3, 1e-9);
    ExpectPoint(arcs[1].P0, x, 0, "from the line");
    ExpectPoint(arcs[1].P1, 5 * x / 8, 10 - 35.0 / 8, "to the circle, the shorter way");
  }
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
