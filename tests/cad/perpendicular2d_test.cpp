#include "cad/perpendicular2d.h"

#include "construction_test_support.h"

namespace cad {
namespace {

class Perpendicular2DTest : public ConstructionTest {};

using F = TFootFailure;

// The foot on each kind of object, and each reason there is none.
TEST_F(Perpendicular2DTest, FootOnALineAnArcOrACircle) {
  const int32_t line = AddLine(0, 0, 10, 0);
  const int32_t moved = AddLine(0, 0, 10, 0);
  drawing.GetObject(moved)->SetTransform(Translate2D(0, 5));
  const TPoint2D two[] = {Point2D(0, 0), Point2D(0, 10)};
  const int32_t poly = drawing.AddObject(-1, std::make_unique<TPolyline2D>(-1, two))->ID;
  const TPoint2D three[] = {Point2D(0, 0), Point2D(0, 10), Point2D(5, 10)};
  const int32_t longPoly = drawing.AddObject(-1, std::make_unique<TPolyline2D>(-1, three))->ID;
  const int32_t circle = AddCircle(0, 0, 5);
  const int32_t quarter = AddArc(0, 0, 5, 0, kPi / 2);
  const int32_t point = drawing.AddObject(-1, std::make_unique<TPunto2D>(-1, Point2D(1, 1)))->ID;
  const int32_t dot = AddLine(3, 3, 3, 3);
  // As the Scale page leaves them: an ellipse on the screen, a circle twice as large, a line too long
  // for the square of its length.
  const int32_t ellipse = AddCircle(0, 0, 5);
  drawing.GetObject(ellipse)->SetTransform(Scale2D(2, 1));
  const int32_t ellipticArc = AddArc(0, 0, 5, 0, kPi / 2);
  drawing.GetObject(ellipticArc)->SetTransform(Scale2D(1, 3));
  const int32_t larger = AddCircle(0, 0, 5);
  drawing.GetObject(larger)->SetTransform(Scale2D(2, 2));
  const int32_t turned = AddCircle(1, 0, 5);
  drawing.GetObject(turned)->SetTransform(Rotate2D(kPi / 3));
  const int32_t huge = AddLine(0, 0, 10, 0);
  drawing.GetObject(huge)->SetTransform(Scale2D(1e300, 1e300));
  // Finite ends, a foot within the segment, a distance to it whose square is beyond the largest number.
  const int32_t farLine = AddLine(1e200, 0, 1e200, 10);
  const double d = 5 / std::sqrt(2.0);
  const double h = 0.5;  // the aperture of the rows that give one
  const struct {
    const char* what;
    int32_t id;
    TPoint2D from;
    TFootFailure failure;
    TPoint2D foot;
    double onObject = GeometryTolerance();
  } rows[] = {
      {"line", line, Point2D(4, 3), F::None, Point2D(4, 0)},
      {"line, below it", line, Point2D(4, -3), F::None, Point2D(4, 0)},
      {"line, foot at its end", line, Point2D(10, 7), F::None, Point2D(10, 0)},
      {"line, foot beyond its end", line, Point2D(12, 3), F::BeyondTheEnds, {}},
      {"line, on its extension", line, Point2D(-3, 0), F::BeyondTheEnds, {}},
      {"line, on it", line, Point2D(4, 0), F::OnTheObject, {}},
      {"moved line, in drawing coordinates", moved, Point2D(4, 1), F::None, Point2D(4, 5)},
      {"two-point polyline", poly, Point2D(3, 4), F::None, Point2D(0, 4)},
      {"polyline of three points", longPoly, Point2D(3, 4), F::NoLineOrArc, {}},
      {"circle: the nearer point", circle, Point2D(8, 0), F::None, Point2D(5, 0)},
      {"circle, from inside", circle, Point2D(0, 2), F::None, Point2D(0, 5)},
      {"circle, from its centre", circle, Point2D(0, 0), F::AtTheCentre, {}},
      {"circle, on it", circle, Point2D(0, 5), F::OnTheObject, {}},
      {"arc", quarter, Point2D(8, 8), F::None, Point2D(d, d)},
      {"arc, only its far point within it", quarter, Point2D(-8, -8), F::None, Point2D(d, d)},
      {"arc, neither point within it", quarter, Point2D(-8, 8), F::BeyondTheEnds, {}},
      {"arc, from the rest of its circle", quarter, Point2D(-5, 0), F::None, Point2D(5, 0)},
      {"point", point, Point2D(4, 3), F::NoLineOrArc, {}},
      {"line of no length", dot, Point2D(4, 3), F::NoLineOrArc, {}},
      {"line, within the aperture", line, Point2D(4, 0.4), F::OnTheObject, {}, h},
      {"line, just beyond the aperture", line, Point2D(4, -0.6), F::None, Point2D(4, 0), h},
      {"line, its extension within the aperture", line, Point2D(-3, 0.2), F::BeyondTheEnds, {}, h},
      {"circle, outside within the aperture", circle, Point2D(5.4, 0), F::OnTheObject, {}, h},
      {"circle, inside within the aperture", circle, Point2D(0, -4.6), F::OnTheObject, {}, h},
      {"arc, beside its circle off its span", quarter, Point2D(-5.2, 0), F::None, Point2D(5, 0), h},
      {"arc, beside it within its span", quarter, Point2D(d + 0.2, d), F::OnTheObject, {}, h},
      {"circle scaled 2 x 1", ellipse, Point2D(12, 0), F::Ellipse, {}},
      {"arc scaled 1 x 3", ellipticArc, Point2D(8, 8), F::Ellipse, {}},
      {"circle scaled 2 x 2", larger, Point2D(12, 0), F::None, Point2D(10, 0)},
      {"circle turned", turned, Point2D(0.5, 9), F::None, Point2D(0.5, std::sqrt(3.0) / 2 + 5)},
      {"line scaled 1e300 times", huge, Point2D(4, 3), F::NotFinite, {}},
      {"the foot of a line too far away", farLine, Point2D(0, 5), F::None, Point2D(1e200, 5)},
      {"circle, from too far away", circle, Point2D(1e200, 1e200), F::NotFinite, {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    const TObject2D& object = *drawing.GetObject(row.id);
    const bool refused = row.failure == F::NoLineOrArc || row.failure == F::Ellipse;
    EXPECT_EQ(HasPerpendicular2D(object), !refused);
    EXPECT_EQ(PerpendicularRefusal2D(object), refused ? row.failure : F::None);
    const TFoot2D foot = PerpendicularFoot2D(object, row.from, row.onObject);
    EXPECT_EQ(foot.Failure, row.failure);
    if (row.failure == F::None) ExpectPoint(foot.At, row.foot.X, row.foot.Y, "the foot");
    EXPECT_EQ(FootFailureText(row.failure).empty(), row.failure == F::None);
  }
}

// The line runs from the point to its foot, the circle is centred at the point through it; they
// join the drawing on its current layer, and nothing joins it when there is no foot.
TEST_F(Perpendicular2DTest, TheConstructionsJoinTheDrawing) {
  const int32_t line = AddLine(0, 0, 10, 0);
  drawing.CurrentLayer = 3;
  TConstructionResult done = PointConstruction2D(drawing, TPointConstruction::PerpendicularLine, line, Point2D(4, 3));
  ASSERT_TRUE(done.Changed);
  TCurve made;
  ASSERT_TRUE(ReadCurve(*drawing.GetObject(line + 1), made));
  ASSERT_TRUE(made.IsLine);
  ExpectPoint(made.P0, 4, 3, "from the point");
  ExpectPoint(made.P1, 4, 0, "to its foot");
  EXPECT_EQ(drawing.GetObject(line + 1)->Layer, 3);

  done = PointConstruction2D(drawing, TPointConstruction::TouchingCircle, line, Point2D(2, -6));
  ASSERT_TRUE(done.Changed);
  ASSERT_TRUE(ReadCurve(*drawing.GetObject(line + 2), made));
  ASSERT_FALSE(made.IsLine);
  EXPECT_TRUE(made.Full());
  ExpectPoint(made.Arc.Centre, 2, -6, "centred at the point");
  EXPECT_NEAR(made.Arc.Radius, 6, 1e-9);

  for (const TPointConstruction kind : {TPointConstruction::PerpendicularLine, TPointConstruction::TouchingCircle}) {
    done = PointConstruction2D(drawing, kind, line, Point2D(20, 1));
    EXPECT_FALSE(done.Changed);
    EXPECT_EQ(done.Message, FootFailureText(F::BeyondTheEnds));
    done = PointConstruction2D(drawing, kind, 12345, Point2D(4, 3));
    EXPECT_FALSE(done.Changed) << "an object that has gone";
  }
  EXPECT_EQ(drawing.NumObjects(), 3);

  // Nothing that is not a number joins the drawing: a line too long for its foot, a line or circle
  // whose length or radius is beyond the largest number.
  const int32_t huge = AddLine(0, 0, 10, 0);
  drawing.GetObject(huge)->SetTransform(Scale2D(1e300, 1e300));
  const int32_t farLine = AddLine(1e200, 0, 1e200, 10);
  for (const TPointConstruction kind : {TPointConstruction::PerpendicularLine, TPointConstruction::TouchingCircle}) {
    for (const auto& [id, from] : {std::pair{huge, Point2D(4, 3)}, std::pair{farLine, Point2D(0, 5)}}) {
      done = PointConstruction2D(drawing, kind, id, from);
      EXPECT_FALSE(done.Changed);
      EXPECT_EQ(done.Message, FootFailureText(F::NotFinite));
    }
  }
  EXPECT_EQ(drawing.NumObjects(), 5);
  // A point within the aperture lies on the line.
  done = PointConstruction2D(drawing, TPointConstruction::PerpendicularLine, line, Point2D(4, 0.3), 0.5);
  EXPECT_FALSE(done.Changed);
  EXPECT_EQ(done.Message, FootFailureText(F::OnTheObject));
}

}  // namespace
}  // namespace cad
