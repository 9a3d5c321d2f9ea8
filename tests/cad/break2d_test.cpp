#include "cad/break2d.h"

#include "construction_test_support.h"

namespace cad {
namespace {

class Break2DTest : public ConstructionTest {
 protected:
  TConstructionResult Break(int32_t a, int32_t b) { return BreakAtCrossings2D(drawing, Pick(a, b, {}, {})); }
  double SweepSum() {
    double sum = 0;
    for (const auto& a : Arcs()) sum += a.Size();
    return sum;
  }
};

TEST_F(Break2DTest, Lines) {
  const int32_t a = AddLine(0, 0, 10, 0), b = AddLine(5, -5, 5, 5);
  const auto done = Break(a, b);
  ASSERT_EQ(done.Crossings.size(), 1u);
  ExpectPoint(done.Crossings[0], 5, 0, "the crossing is marked");
  auto lines = Lines();
  ASSERT_EQ(lines.size(), 4u);
  for (const auto& l : lines) {
    EXPECT_NE(l.ID, a) << "the originals are gone";
    EXPECT_NE(l.ID, b) << "the originals are gone";
    EXPECT_TRUE(IsSamePoint2D(l.P0, Point2D(5, 0)) || IsSamePoint2D(l.P1, Point2D(5, 0))) << "meets at (5, 0)";
  }

  // An end on the other line: no zero-length piece.
  drawing.ClearObjects();
  Break(AddLine(0, 0, 10, 0), AddLine(5, 0, 5, 5));
  lines = Lines();
  EXPECT_EQ(lines.size(), 3u);
  for (const auto& l : lines) EXPECT_GT(l.Size(), 1) << "piece " << l.ID;
}

TEST_F(Break2DTest, SmallObjectsCutOnTheirLines) {
  // Objects a few thousandths long, as lines and as two-point polylines (cut like any profile).
  for (bool polylines : {false, true}) {
    drawing.ClearObjects();
    auto add = [&](TPoint2D p, TPoint2D q) {
      const TPoint2D points[] = {p, q};
      return polylines ? drawing.AddObject(-1, std::make_unique<TPolyline2D>(-1, points))->ID
                       : AddLine(p.X, p.Y, q.X, q.Y);
    };
    const auto done = Break(add(Point2D(0, 0), Point2D(0.005, 0.005)), add(Point2D(0, 0.005), Point2D(0.005, 0)));
    ASSERT_EQ(done.Crossings.size(), 1u) << polylines;
    ExpectPoint(done.Crossings[0], 0.0025, 0.0025, "the crossing of two short objects");
    int pieces = 0;
    auto it = drawing.ObjectsIterator();
    for (TGraphicObject* o = it->First(); o; o = it->Next(), ++pieces) {
      const TPointsSet2D& points = static_cast<TPrimitive2D&>(*o).Points();
      ASSERT_EQ(points.Count(), 2) << polylines;
      for (int i = 0; i < 2; ++i) {
        const TPoint2D p = points.Points()[i];
        EXPECT_TRUE(std::abs(p.X - p.Y) < 1e-12 || std::abs(p.X + p.Y - 0.005) < 1e-12)
            << (polylines ? "polyline" : "line") << " piece " << o->ID << " point " << i << " is on neither line";
      }
    }
    EXPECT_EQ(pieces, 4) << polylines;
  }
}

TEST_F(Break2DTest, LineAndArc) {
  // The line x = 9 across the arc from 5 pi / 3 to pi / 3 (through angle 0), picked either way;
  // the same arc run clockwise from pi / 3 to 5 pi / 3.
  for (bool clockwise : {false, true}) {
    for (bool arcFirst : {false, true}) {
      drawing.ClearObjects();
      const int32_t line = AddLine(9, -20, 9, 20);
      const int32_t arc = clockwise ? AddArc(0, 0, 10, kPi / 3, 5 * kPi / 3) : AddArc(0, 0, 10, 5 * kPi / 3, kPi / 3);
      if (clockwise) static_cast<TArco2D*>(drawing.GetObject(arc))->SetDirection(0);
      TArcPoints before;
      ASSERT_TRUE(ReadArc2D(*drawing.GetObject(arc), before));
      ASSERT_EQ(before.Clockwise, clockwise);
      ASSERT_NEAR(before.Sweep, 2 * kPi / 3, 1e-9);
      const auto done = arcFirst ? Break(arc, line) : Break(line, arc);
      const std::string what = std::string(clockwise ? "clockwise" : "counter-clockwise") + (arcFirst ? ", arc first" : "");
      EXPECT_EQ(done.Crossings.size(), 2u) << what;
      EXPECT_EQ(Lines().size(), 3u) << what;
      const auto pieces = Arcs();
      ASSERT_EQ(pieces.size(), 3u) << what;
      EXPECT_NEAR(SweepSum(), 2 * kPi / 3, 1e-9) << what << ": no piece runs the long way round";
      for (const TCurve& piece : pieces) {
        EXPECT_TRUE(IsPointOnArc2D(before, piece.Middle)) << what << ": piece " << piece.ID << " off the arc";
        for (const TPoint2D& end : {piece.P0, piece.P1})
          EXPECT_TRUE(IsPointOnArc2D(before, end) && (IsSameFloat(end.X, 9) || IsSameFloat(end.X, 5)))
              << what << ": piece " << piece.ID << " ends at a crossing or at an end of the arc";
      }
    }
  }

  // No crossing: a line whose ends lie inside the circle, one crossing the circle in the arc's gap.
  drawing.ClearObjects();
  const int32_t arc = AddArc(0, 0, 10, 5 * kPi / 3, kPi / 3);
  for (int32_t line : {AddLine(-2, 0, 2, 0), AddLine(-9, -20, -9, 20)}) {
    EXPECT_FALSE(Break(line, arc).Changed);
    EXPECT_EQ(drawing.NumObjects(), 3);
  }

  // A line ending inside a circle: the line cut once; a full arc is not cut at one point.
  drawing.ClearObjects();
  Break(AddLine(0, 0, 20, 0), AddCircle(0, 0, 10));
  EXPECT_EQ(Lines().size(), 2u);
  ASSERT_EQ(Arcs().size(), 1u);
  EXPECT_NEAR(SweepSum(), 2 * kPi, 1e-12);
}

TEST_F(Break2DTest, Arcs) {
  // Circles crossing twice: each becomes two arcs.
  Break(AddCircle(0, 0, 5), AddCircle(8, 0, 5));
  EXPECT_EQ(Arcs().size(), 4u);
  EXPECT_NEAR(SweepSum(), 4 * kPi, 1e-9);

  // Nested and concentric circles: full arcs, no NaN.
  for (double cx : {0.0, 1.0}) {
    drawing.ClearObjects();
    const auto done = Break(AddCircle(0, 0, 10), AddCircle(cx, 0, 3));
    EXPECT_TRUE(done.Crossings.empty());
    EXPECT_EQ(Arcs().size(), 2u) << "no NaN arcs (Objects checks every point)";
  }

  // A crossing in one arc's gap is no crossing: only (4, -3) cuts both.
  drawing.ClearObjects();
  const auto done = Break(AddArc(0, 0, 5, -kPi / 2, 0), AddCircle(8, 0, 5));
  ASSERT_EQ(done.Crossings.size(), 1u);
  ExpectPoint(done.Crossings[0], 4, -3, "the one crossing");
  EXPECT_EQ(Arcs().size(), 3u) << "the arc in two, the circle a full arc (one point cuts no circle)";
}

TEST_F(Break2DTest, OtherPairsAsPolylines) {
  const TPoint2D path[] = {Point2D(-5, 5), Point2D(0, 5), Point2D(15, 5)};
  const int32_t frame = drawing.AddObject(-1, std::make_unique<TFrame2D>(-1, Point2D(0, 0), Point2D(10, 10)))->ID;
  const int32_t poly = drawing.AddObject(-1, std::make_unique<TPolyline2D>(-1, path))->ID;
  const auto done = Break(frame, poly);
  EXPECT_EQ(done.Crossings.size(), 2u) << "a vertex on the frame is marked once";
  EXPECT_EQ(drawing.GetObject(frame), nullptr);
  EXPECT_EQ(drawing.GetObject(poly), nullptr);
  int pieces = 0;
  auto it = drawing.ObjectsIterator();
  for (TGraphicObject* o = it->First(); o; o = it->Next(), ++pieces) {
    const TPointsSet2D& points = dynamic_cast<TPolyline2D&>(*o).Points();
    for (int i = 1; i < points.Count(); ++i)
      EXPECT_FALSE(IsSamePoint2D(points.Points()[i - 1], points.Points()[i])) << "no zero-length segment";
  }
  EXPECT_EQ(pieces, 6) << "the frame and the path in three pieces each";
  it.reset();

  // Objects the command does not cut.
  drawing.ClearObjects();
  const int32_t point = drawing.AddObject(-1, std::make_unique<TPunto2D>(-1, Point2D(5, 0)))->ID;
  EXPECT_FALSE(Break(AddLine(0, 0, 10, 0), point).Changed);
}

}  // namespace
}  // namespace cad
