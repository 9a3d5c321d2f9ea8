#include "cad/kq_bspline2d.h"

#include <cmath>
#include <limits>

#include "cad/cad_exceptions.h"
#include "cad/spline_basis.h"
#include "entity_test_support.h"

namespace cad {
namespace {

class KQBSpline2DTest : public EntitiesTest {};

const TPoint2D kBezier[] = {Point2D(0, 0), Point2D(0, 10), Point2D(10, 10), Point2D(10, 0)};
const double kClamped[] = {0, 0, 0, 0, 1, 1, 1, 1};

std::vector<TPoint2D> Profile(TCurve2D& curve) {
  TProfileUse use(curve);
  const TPointsSet2D& p = curve.ProfilePoints();
  return std::vector<TPoint2D>(p.Points(), p.Points() + p.Count());
}

TEST_F(KQBSpline2DTest, CubicBezierAndWeights) {
  // With the clamped knots of one cubic piece the spline is the Bezier curve of its points:
  // x = 30u^2 - 20u^3, y = 30u(1 - u).
  for (const std::vector<double>& weights : {std::vector<double>{1, 1, 1, 1}, std::vector<double>{1, 1}, std::vector<double>{}}) {
    TKQBSpline2D spline(1, kBezier, 3, kClamped, weights);
    const auto curve = Profile(spline);
    ASSERT_EQ(curve.size(), 50u) << weights.size() << " weights";
    for (size_t k = 0; k < curve.size(); ++k) {
      const double u = double(k) / 49;
      EXPECT_NEAR(curve[k].X, 30 * u * u - 20 * u * u * u, 1e-9) << k;
      EXPECT_NEAR(curve[k].Y, 30 * u * (1 - u), 1e-9) << k;
    }
    EXPECT_EQ(spline.Weights().Count(), int(weights.size())) << "missing weights are not stored";
  }

  // Weights make conics: a quarter of the unit circle as a rational quadratic.
  const TPoint2D corner[] = {Point2D(1, 0), Point2D(1, 1), Point2D(0, 1)};
  const double knots[] = {0, 0, 0, 1, 1, 1};
  const double weights[] = {1, std::sqrt(0.5), 1};
  TKQBSpline2D arc(2, corner, 2, knots, weights);
  for (const TPoint2D& p : Profile(arc)) EXPECT_NEAR(std::hypot(p.X, p.Y), 1, 1e-12);

  // Fewer samples than control points: the precision is raised to the count.
  TKQBSpline2D coarse(3, kBezier, 3, kClamped, {});
  coarse.SetCurvePrecision(2);
  coarse.UpdateAndNotify();
  EXPECT_EQ(Profile(coarse).size(), 4u);
  EXPECT_EQ(coarse.CurvePrecision(), 4);
}

TEST_F(KQBSpline2DTest, DataThatMakeNoCurveShowTheControlPolygon) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    const char* what;
    int degree;
    std::vector<double> knots;
    std::vector<double> weights;
  } cases[] = {
      {"degree 0", 0, {0, 0, 0, 0, 1}, {}},
      {"as many points as the degree", 4, {0, 0, 0, 0, 0, 1, 1, 1, 1}, {}},
      {"fewer points than the degree", 5, {0, 0, 0, 0, 0, 0, 1, 1, 1, 1}, {}},
      {"a knot short", 3, {0, 0, 0, 0, 1, 1, 1}, {}},
      {"a knot too many", 3, {0, 0, 0, 0, 1, 1, 1, 1, 1}, {}},
      {"decreasing knots", 3, {0, 0, 0, 0, 1, 1, 0.5, 1}, {}},
      {"all knots equal", 3, {1, 1, 1, 1, 1, 1, 1, 1}, {}},
      {"a knot not a number", 3, {0, 0, 0, 0, nan, 1, 1, 1}, {}},
      {"weight 0", 3, {0, 0, 0, 0, 1, 1, 1, 1}, {1, 0, 1, 1}},
      {"negative weight", 3, {0, 0, 0, 0, 1, 1, 1, 1}, {1, 1, -2}},
  };
  for (const Case& c : cases) {
    TKQBSpline2D spline(1, kBezier, c.degree, c.knots, c.weights);
    EXPECT_FALSE(spline.IsEvaluable()) << c.what;
    const auto polygon = Profile(spline);
    ASSERT_EQ(polygon.size(), 4u) << c.what;
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(polygon[i], kBezier[i]) << c.what;
  }
  // Degrees past the evaluation limit are drawn as their polygon too.
  for (const int degree : {kMaxSplineDegree, kMaxSplineDegree + 1}) {
    std::vector<TPoint2D> points;
    std::vector<double> knots;
    for (int i = 0; i <= degree; ++i) points.push_back(Point2D(i, i % 2));
    for (int i = 0; i < 2 * (degree + 1); ++i) knots.push_back(i <= degree ? 0 : 1);
    TKQBSpline2D high(3, points, degree, knots, {});
    EXPECT_EQ(high.IsEvaluable(), degree == kMaxSplineDegree) << degree;
  }
  TKQBSpline2D good(2, kBezier, 3, kClamped, {});
  EXPECT_TRUE(good.IsEvaluable());
  good.SetCurvePrecision(0);
  good.UpdateAndNotify();
  EXPECT_EQ(good.Extents(), Rect2D(0, 0, 0, 0));
}

TEST_F(KQBSpline2DTest, RecordAndItsCounts) {
  const double weights[] = {1, 2, 3};
  TKQBSpline2D spline(7, kBezier, 3, kClamped, weights);
  spline.Flags = {1, 2, 3, 4, 5};
  const platform::Bytes record = RecordOf(spline);
  EXPECT_EQ(record[0], 19);
  // After the curve: five flags, the degree, 8 knots and 3 weights with their counts.
  EXPECT_EQ(record.size(), 2 + 6 + 72 + 2 + 4 * 24 + 1 + 3 + 5 + 4 + 4 + 8 * 8 + 4 + 3 * 8);
  auto back = ReadRecord(record);
  EXPECT_EQ(RecordOf(*back), record);
  auto* loaded = dynamic_cast<TKQBSpline2D*>(back.get());
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->Flags, spline.Flags);
  EXPECT_EQ(loaded->Knots().Values(), spline.Knots().Values());

  TKQBSpline2D copy(8);
  copy.Assign(spline);
  EXPECT_EQ(RecordOf(copy).size(), record.size());
  EXPECT_EQ(Profile(copy), Profile(spline));

  // Counts the bytes cannot hold are refused before anything is taken.
  const size_t knotCountAt = record.size() - (4 + 3 * 8) - 8 * 8 - 4;
  for (const uint32_t count : {0x7FFFFFFFu, 0x80000000u, 9u}) {
    platform::Bytes bad = record;
    if (count == 9u) bad.resize(knotCountAt + 4 + 8 * 8);  // the weight count is missing
    for (int i = 0; i < 4; ++i) bad[knotCountAt + size_t(i)] = uint8_t((count == 9u ? 8u : count) >> (8 * i));
    platform::ByteReader r(bad);
    if (count == 9u) {
      EXPECT_THROW(KQSysReadObject2D(r, "KQ-002"), platform::FormatError);
    } else {
      EXPECT_EQ(ErrorText<ECADFileNotValid>([&] { KQSysReadObject2D(r, "KQ-002"); }),
                "TKQBSpline2D.CreateFromStream: Knot count out of bounds");
    }
  }
}

}  // namespace
}  // namespace cad
