#include "cad/construction.h"

#include "construction_test_support.h"

namespace cad {
namespace {

TArcPoints ArcOf(double r, double start, double end) {
  TArcPoints a;
  EXPECT_TRUE(TArco2D(1, Point2D(0, 0), Point2D(r, 0), start, end).GetArcPoints(a));
  return a;
}

TPoint2D AtAngle(double r, double degrees) {
  return Point2D(r * std::cos(degrees * kPi / 180), r * std::sin(degrees * kPi / 180));
}

// Pieces in degrees, each brought into 0..360.
std::vector<std::pair<double, double>> Degrees(const std::vector<TArcPiece>& pieces) {
  std::vector<std::pair<double, double>> out;
  for (const TArcPiece& p : pieces)
    out.emplace_back(std::round(std::fmod(p.Start * 180 / kPi + 360, 360) * 1e6) / 1e6,
                     std::round(std::fmod(p.End * 180 / kPi + 360, 360) * 1e6) / 1e6);
  return out;
}

class ConstructionPiecesTest : public ConstructionTest {};

TEST_F(ConstructionPiecesTest, ArcPiecesFollowTheSweepFromTheStart) {
  using P = std::vector<std::pair<double, double>>;
  const double tiny = 1e-6;  // degrees: well within the tolerance on a radius of 10
  const struct {
    double start, end;
    std::vector<double> at;  // degrees
    P expected;
    const char* what;
  } cases[] = {
      {300, 60, {20, 340}, P{{300, 340}, {340, 20}, {20, 60}}, "through 0: ordered from the start, not by angle"},
      {0, 90, {45}, P{{0, 45}, {45, 90}}, "one point"},
      {0, 90, {0, 90, 45 + tiny, 45}, P{{0, 45}, {45, 90}}, "ends and a repeated point cut nothing"},
      {0, 90, {0, 90}, P{}, "only the ends: nothing is split"},
      {0, 90, {180}, P{}, "a point in the gap"},
      {0, 0, {90}, P{}, "a full arc and one point: nothing"},
      {0, 0, {270, 90}, P{{90, 270}, {270, 90}}, "a full arc is cut between its points only"},
  };
  for (const auto& c : cases) {
    std::vector<TPoint2D> at;
    for (double a : c.at) at.push_back(AtAngle(10, a));
    EXPECT_EQ(Degrees(ArcPieces2D(ArcOf(10, c.start * kPi / 180, c.end * kPi / 180), at)), c.expected) << c.what;
  }
  // Points off the circle are not on the arc.
  const TPoint2D inside[] = {Point2D(3, 3)};
  EXPECT_TRUE(ArcPieces2D(ArcOf(10, 0, kPi), inside).empty());

  // A mirrored (clockwise-running) arc: pieces cover the same points, in its own order.
  TArco2D mirrored(1, Point2D(0, 0), Point2D(10, 0), 0, kPi / 2);
  mirrored.SetModelTransform(Mirror2D(1));
  TArcPoints m;
  ASSERT_TRUE(mirrored.GetArcPoints(m));
  const TPoint2D mid[] = {AtAngle(10, 135)};
  EXPECT_EQ(Degrees(ArcPieces2D(m, mid)), (P{{90, 135}, {135, 180}}));
}

TEST_F(ConstructionPiecesTest, SegmentPiecesSkipZeroLengths) {
  const TPoint2D at[] = {Point2D(7, 0), Point2D(0, 0), Point2D(3, 0), Point2D(3.00001, 0)};
  const auto pieces = SegmentPieces2D(Point2D(0, 0), Point2D(10, 0), at);
  ASSERT_EQ(pieces.size(), 3u);
  ExpectPoint(pieces[0][1], 3, 0, "ordered from the first end");
  ExpectPoint(pieces[1][1], 7, 0, "second cut");
  ExpectPoint(pieces[2][1], 10, 0, "second end");
}

TEST_F(ConstructionPiecesTest, CircleBecomesFullArcOnItsLayer) {
  drawing.CurrentLayer = 3;
  const int32_t id = AddCircle(2, 2, 5);
  drawing.GetObject(id)->SetModelTransform(Translate2D(1, 0));
  drawing.CurrentLayer = 0;
  const int32_t arcId = CircleToArc2D(drawing, id);
  EXPECT_NE(arcId, id);
  EXPECT_EQ(drawing.GetObject(id), nullptr) << "the circle is gone";
  const auto arcs = Arcs();
  ASSERT_EQ(arcs.size(), 1u);
  ExpectPoint(arcs[0].Arc.Centre, 3, 2, "centre in drawing coordinates");
  EXPECT_NEAR(arcs[0].Arc.Sweep, 2 * kPi, 1e-12);
  EXPECT_EQ(drawing.GetObject(arcId)->Layer, 3) << "the circle's layer, not the current one";
  EXPECT_EQ(drawing.CurrentLayer, 0);
  EXPECT_EQ(CircleToArc2D(drawing, arcId), arcId) << "no circle: nothing changes";
}

}  // namespace
}  // namespace cad
