#include "cad/curves2d.h"

#include <numbers>
#include <string>
#include <utility>
#include <vector>

#include "cad/cad_exceptions.h"
#include "entity_test_support.h"

namespace cad {
namespace {

constexpr double kPi = std::numbers::pi;

class Curves2DTest : public EntitiesTest {};

std::vector<TPoint2D> Profile(TCurve2D& curve) {
  TProfileUse use(curve);
  const TPointsSet2D& p = curve.ProfilePoints();
  return std::vector<TPoint2D>(p.Points(), p.Points() + p.Count());
}

void ExpectNear(const TPoint2D& actual, double x, double y, const std::string& what) {
  EXPECT_NEAR(actual.X, x, 1e-9) << what;
  EXPECT_NEAR(actual.Y, y, 1e-9) << what;
}

// A record of `object` read back with the byte at `offset` from the end of its TCurve2D fields
// changed (for values only a stream can give).
template <typename T>
std::unique_ptr<TObject2D> WithCurveFields(T& object, int16_t precision, uint8_t savingType) {
  platform::Bytes record = RecordOf(object);
  const size_t at = 2 + 6 + 72 + 2 + 24 * size_t(object.Points().Count()) + 1;
  record[at] = uint8_t(precision);
  record[at + 1] = uint8_t(uint16_t(precision) >> 8);
  record[at + 2] = savingType;
  return ReadRecord(record);
}

TEST_F(Curves2DTest, CircleAndArcProfiles) {
  TCerchio2D circle(1, Point2D(5, 5), Point2D(7, 5));
  circle.SetCurvePrecision(4);
  circle.UpdateAndNotify();
  const auto ring = Profile(circle);
  ASSERT_EQ(ring.size(), 5u);
  const double expected[5][2] = {{7, 5}, {5, 3}, {3, 5}, {5, 7}, {7, 5}};
  for (int i = 0; i < 5; ++i) ExpectNear(ring[size_t(i)], expected[i][0], expected[i][1], "circle point");
  EXPECT_TRUE(circle.IsClosed());
  EXPECT_EQ(circle.Extents(), Rect2D(3, 3, 7, 7));

  TArco2D arc(2, Point2D(0, 0), Point2D(1, 0), 0, kPi / 2);
  const auto quarter = Profile(arc);
  ASSERT_EQ(quarter.size(), 51u);
  const double step = (kPi / 2) / 51;  // s / (n + 1): the last interval is two steps
  ExpectNear(quarter[49], std::cos(49 * step), std::sin(49 * step), "50th point");
  ExpectNear(quarter[50], 0, 1, "the end angle");
  EXPECT_FALSE(arc.IsClosed());

  // A start above the end sweeps through a full turn.
  TArco2D wrap(3, Point2D(0, 0), Point2D(2, 0), kPi / 2, 0);
  wrap.SetCurvePrecision(2);
  wrap.UpdateAndNotify();
  const auto three = Profile(wrap);
  ASSERT_EQ(three.size(), 3u);
  ExpectNear(three[0], 0, 2, "start");
  ExpectNear(three[1], 2 * std::cos(kPi / 2 + kPi / 2), 2 * std::sin(kPi), "one step of 3/2 pi / 3");
  ExpectNear(three[2], 2, 0, "end");
  EXPECT_EQ(wrap.Extents().First.X, -2);

  TFrame2D frame(4, Point2D(0, 0), Point2D(4, 3));
  const auto box = Profile(frame);
  ASSERT_EQ(box.size(), 5u);
  ExpectNear(box[1], 0, 3, "frame");
  ExpectNear(box[3], 4, 0, "frame");
  TEllipse2D ellipse(5, Point2D(0, 0), Point2D(4, 2));
  ellipse.SetCurvePrecision(4);
  ellipse.UpdateAndNotify();
  const auto oval = Profile(ellipse);
  ASSERT_EQ(oval.size(), 5u);
  ExpectNear(oval[1], 2, 0, "ellipse bottom");
  ExpectNear(oval[2], 0, 1, "ellipse left");
}

TEST_F(Curves2DTest, ArcPointsKeepTheirSweepUnderAMirror) {
  TArco2D arc(1, Point2D(1, 1), Point2D(3, 1), 0, kPi / 2);
  TArcPoints plain;
  ASSERT_TRUE(arc.GetArcPoints(plain));
  EXPECT_NEAR(plain.Radius, 2, 1e-12);
  EXPECT_NEAR(plain.Sweep, kPi / 2, 1e-12);
  ExpectNear(arc.PointAtFraction(0.5), 1 + std::sqrt(2), 1 + std::sqrt(2), "half way");

  arc.SetTransform(Rotate2D(kPi / 2));
  TArcPoints turned;
  ASSERT_TRUE(arc.GetArcPoints(turned));
  EXPECT_NEAR(turned.StartAngle, kPi / 2, 1e-9) << "a rotation keeps start and end";
  EXPECT_NEAR(turned.Sweep, kPi / 2, 1e-9);

  // Mirrored in Y: the arc runs from -pi/2 to 0, so start and end change places.
  arc.SetTransform(Mirror2D(0));
  TArcPoints mirrored;
  ASSERT_TRUE(arc.GetArcPoints(mirrored));
  EXPECT_NEAR(mirrored.StartAngle, -kPi / 2, 1e-9);
  EXPECT_NEAR(mirrored.EndAngle, 0, 1e-9);
  EXPECT_NEAR(mirrored.Sweep, kPi / 2, 1e-9);
  ExpectNear(mirrored.StartPoint, 1, -3, "mirrored start");
  ExpectNear(arc.PointAtFraction(1), 3, -1, "mirrored end");
  ExpectNear(arc.PointAtFraction(0.5), 1 + std::sqrt(2), -1 - std::sqrt(2), "mirrored half way");

  TArco2D bare(2);
  EXPECT_FALSE(bare.GetArcPoints(mirrored));
}

TEST_F(Curves2DTest, BSplineProfiles) {
  // Order 3 (quadratic) samples at indices of the 51-point profile. Over a zig-zag of five points
  // the knots are 0 0 0 1 2 3 3 3 and the parameter 3 i / 50: at t = 0.6 the basis is 0.16, 0.66,
  // 0.18 on points 0-2; at 1.5, 1/8, 6/8, 1/8 on points 1-3; at 2.4 the mirror of 0.6.
  const struct {
    std::vector<TPoint2D> points;
    std::vector<std::pair<size_t, TPoint2D>> samples;
    const char* what;
  } quadratics[] = {
      {{Point2D(0, 0), Point2D(10, 10), Point2D(20, 0)},
       {{0, Point2D(0, 0)}, {25, Point2D(10, 5)}, {50, Point2D(20, 0)}},
       "a tent: first point, middle, last control point"},
      {{Point2D(0, 0), Point2D(10, 20), Point2D(20, 0), Point2D(30, 20), Point2D(40, 0)},
       {{0, Point2D(0, 0)}, {10, Point2D(10.2, 13.2)}, {25, Point2D(20, 5)}, {40, Point2D(29.8, 13.2)},
        {50, Point2D(40, 0)}},
       "a zig-zag: the uniform pieces between the ends"},
  };
  for (const auto& q : quadratics) {
    TBSpline2D quadratic(1, q.points);
    const auto curve = Profile(quadratic);
    ASSERT_EQ(curve.size(), 51u) << q.what;
    for (const auto& [i, p] : q.samples) ExpectNear(curve[i], p.X, p.Y, q.what + (" at " + std::to_string(i)));
  }
  const TPoint2D tent[] = {Point2D(0, 0), Point2D(10, 10), Point2D(20, 0)};
  TBSpline2D spline(1, tent);

  // Order 4 over five points on a line: every sample on the line, running forward, none past the
  // last knot (where the basis vanishes and points fall to the origin).
  std::vector<TPoint2D> diagonal;
  for (int i = 0; i < 5; ++i) diagonal.push_back(Point2D(i, i));
  TBSpline2D cubic(2, diagonal);
  cubic.SetOrder(4);
  const auto line = Profile(cubic);
  ASSERT_EQ(line.size(), 51u);
  for (size_t i = 1; i < line.size(); ++i) {
    EXPECT_NEAR(line[i].X, line[i].Y, 1e-9) << i;
    EXPECT_GT(line[i].X, line[i - 1].X) << i;
  }

  // Too few points for the order, or an order below 2: the control polygon.
  const TPoint2D two[] = {Point2D(0, 0), Point2D(3, 1)};
  TBSpline2D shortSpline(3, two);
  EXPECT_EQ(Profile(shortSpline).size(), 2u);
  spline.SetOrder(1);
  EXPECT_EQ(Profile(spline).size(), 3u);
  spline.SetOrder(0);
  EXPECT_EQ(Profile(spline).size(), 3u);
}

TEST_F(Curves2DTest, PrecisionAndSavingType) {
  TCerchio2D circle(1, Point2D(0, 0), Point2D(1, 0));
  circle.SetCurvePrecision(4);
  circle.SetSavingType(0);
  EXPECT_EQ(ErrorText<EKQSysException>([&] { circle.ProfilePoints(); }),
            "TCurve2D: Call BeginUseProfilePoints before accessing the curve points.");
  EXPECT_EQ(circle.Extents(), Rect2D(-1, -1, 1, 1)) << "type 0 still measures its extents";
  {
    TProfileUse use(circle);
    EXPECT_EQ(circle.NumberOfProfilePts(), 5);
  }
  EXPECT_FALSE(circle.HasProfile());
  circle.SetSavingType(1);
  EXPECT_TRUE(circle.HasProfile());

  // Precision 0 or negative (from a stream): no profile points, extents (0, 0)-(0, 0), no drawing;
  // an unknown saving type keeps no profile: nothing drawn, never picked.
  platform::Canvas c(20, 20);
  TDecorativeCanvas dc(c);
  const TTransform2D view = Translate2D(10, 10);
  for (auto [precision, savingType] : {std::pair<int16_t, uint8_t>{0, 1}, {-7, 1}, {50, 2}}) {
    auto loaded = WithCurveFields(circle, precision, savingType);
    auto* curve = dynamic_cast<TCurve2D*>(loaded.get());
    ASSERT_NE(curve, nullptr);
    loaded->Draw(view, dc, Rect2D(0, 0, 20, 20), 0);
    double d;
    EXPECT_EQ(loaded->PickTest(Point2D(1, 0), 0.5, d), PICK_NOOBJECT) << precision << "/" << int(savingType);
    if (savingType == 1) {
      EXPECT_EQ(loaded->Extents(), Rect2D(0, 0, 0, 0));
    } else {
      EXPECT_FALSE(curve->IsClosed()) << "no profile, no closed outline";
    }
  }
  int ink = 0;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) ink += c.GetPixel(x, y) != platform::clWhite;
  EXPECT_EQ(ink, 0);
  circle.Draw(view, dc, Rect2D(0, 0, 20, 20), 0);
  EXPECT_EQ(c.GetPixel(11, 10), platform::clBlack);

  // An arc read with two of its four points neither fails nor draws.
  TCerchio2D twoPoints(2, Point2D(0, 0), Point2D(1, 0));
  platform::Bytes record = RecordOf(twoPoints);
  record[0] = 17;  // TArco2D
  record.push_back(1);
  auto arc = ReadRecord(record);
  double d;
  EXPECT_EQ(arc->PickTest(Point2D(1, 0), 0.5, d), PICK_NOOBJECT);
}

TEST_F(Curves2DTest, PickingFilledCurves) {
  TRectangle2D rectangle(1, Point2D(0, 0), Point2D(10, 10));
  TFilledEllipse2D ellipse(2, Point2D(0, 0), Point2D(10, 10));
  TFilledCerchio2D disc(3, Point2D(5, 5), Point2D(10, 5));
  TFrame2D frame(4, Point2D(0, 0), Point2D(10, 10));
  double d;
  EXPECT_EQ(rectangle.PickTest(Point2D(5, 5), 0.5, d), PICK_INOBJECT);
  EXPECT_EQ(d, 0.5);
  EXPECT_EQ(rectangle.PickTest(Point2D(5, 9.8), 0.5, d), PICK_ONOBJECT);
  EXPECT_EQ(ellipse.PickTest(Point2D(5, 5), 0.5, d), PICK_INOBJECT);
  EXPECT_EQ(ellipse.PickTest(Point2D(0.5, 0.5), 0.4, d), PICK_INBBOX) << "a corner of the box is outside";
  EXPECT_EQ(disc.PickTest(Point2D(5, 5), 0.5, d), 0) << "the centre is a control point";
  EXPECT_EQ(disc.PickTest(Point2D(6, 6), 0.5, d), PICK_INBBOX) << "a filled circle is picked as a circle";
  EXPECT_EQ(frame.PickTest(Point2D(5, 5), 0.5, d), PICK_INBBOX);

  platform::Canvas c(12, 12);
  c.SetBrush(platform::Brush{platform::clRed});
  TDecorativeCanvas dc(c);
  rectangle.Draw(IdentityTransform2D, dc, Rect2D(0, 0, 12, 12), 0);
  EXPECT_EQ(c.GetPixel(5, 5), platform::clRed);
}

TEST_F(Curves2DTest, AssignmentsBetweenCurves) {
  TEllipse2D ellipse(1, Point2D(0, 0), Point2D(4, 2));
  ellipse.SetCurvePrecision(8);
  TArco2D arc(2);
  arc.Assign(ellipse);
  EXPECT_EQ(arc.Points().Count(), 4);
  EXPECT_EQ(arc.Points().GetPoint(2), Point2D(0, 0));
  EXPECT_EQ(arc.CurvePrecision(), 8);
  EXPECT_EQ(Profile(arc).size(), 9u) << "equal angle points: a full turn";

  TArco2D original(3, Point2D(0, 0), Point2D(2, 0), 0.5, 2);
  original.SetDirection(0);
  TArco2D copy(4);
  copy.Assign(original);
  EXPECT_EQ(copy.Direction(), 0);
  EXPECT_EQ(Profile(copy).back(), Profile(original).back());

  struct Case {
    TCurve2D* target;
    TCurve2D* source;
    int points;
  };
  TCerchio2D circle(5);
  TFrame2D frame(6);
  TEllipseOpen2D open(7);
  TEllipse2D fromArc(8);
  TCerchio2D fromBSpline(9);
  const TPoint2D tent[] = {Point2D(0, 0), Point2D(1, 1), Point2D(2, 0)};
  TBSpline2D spline(10, tent);
  Case cases[] = {{&circle, &frame, 2}, {&frame, &open, 0}, {&open, &ellipse, 4},
                  {&fromArc, &original, 2}, {&fromBSpline, &spline, 0}};
  frame.Assign(TFrame2D(11, Point2D(1, 1), Point2D(2, 2)));
  for (const Case& c : cases) {
    c.target->Assign(*c.source);
    EXPECT_EQ(c.target->Points().Count(), c.points) << c.target->ClassName() << " from " << c.source->ClassName();
  }
}

}  // namespace
}  // namespace cad
