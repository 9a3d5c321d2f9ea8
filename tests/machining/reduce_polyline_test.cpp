#include "machining/reduce_polyline.h"

#include <gtest/gtest.h>

namespace machining {
namespace {

std::vector<PassPoint> Reduce(const std::vector<PassPoint>& pass, float tolerance) {
  std::vector<PassPoint> kept;
  int count = ReducePolyline(pass, kept, tolerance);
  EXPECT_EQ(count, static_cast<int>(kept.size()));
  return kept;
}

void ExpectPoints(const std::vector<PassPoint>& got, const std::vector<PassPoint>& want) {
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(got[i].x, want[i].x) << "point " << i;
    EXPECT_EQ(got[i].y, want[i].y) << "point " << i;
    EXPECT_EQ(got[i].z, want[i].z) << "point " << i;
  }
}

TEST(ReducePolyline, StraightAndShortPasses) {
  std::vector<PassPoint> line;
  for (int i = 0; i <= 100; ++i) line.push_back({i * 0.5, 2.0 + i * 0.25, -1.0 - i * 0.125});
  ExpectPoints(Reduce(line, 0.025f), {line.front(), line.back()});
  // Exactly representable positions along the chord are dropped even at tolerance 0.
  std::vector<PassPoint> exact;
  for (int i = 0; i <= 64; ++i) exact.push_back({i * 0.25, 3.0, -2.0});
  ExpectPoints(Reduce(exact, 0.0f), {exact.front(), exact.back()});

  // One point writes nothing; no points neither.
  EXPECT_TRUE(Reduce({{1, 2, 3}}, 0.025f).empty());
  EXPECT_TRUE(Reduce({}, 0.025f).empty());
  std::vector<PassPoint> two = {{0, 0, 0}, {1, 1, 1}};
  ExpectPoints(Reduce(two, 10.0f), two);
}

TEST(ReducePolyline, ToleranceZeroKeepsEveryBend) {
  // A corner is kept and the exactly collinear points on either side go.
  std::vector<PassPoint> corner = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {2, 1, 0}, {2, 2, 0}};
  ExpectPoints(Reduce(corner, 0.0f), {corner[0], corner[2], corner[4]});
  // A bend of 1e-9 in Z is kept at tolerance 0.
  std::vector<PassPoint> tiny = {{0, 0, 0}, {1, 0, 1e-9}, {2, 0, 0}};
  ExpectPoints(Reduce(tiny, 0.0f), tiny);
  // Above the tolerance in Z alone (distances are three-dimensional).
  std::vector<PassPoint> bump = {{0, 0, 0}, {1, 0, -0.03}, {2, 0, 0}};
  ExpectPoints(Reduce(bump, 0.025f), bump);
  ExpectPoints(Reduce(bump, 0.05f), {bump[0], bump[2]});
}

TEST(ReducePolyline, FirstIndexWinsTies) {
  // Points 1 and 2 are equally far from the chord; the first is split on, and the second then lies
  // within the tolerance of the segment from point 1 to the end.
  std::vector<PassPoint> pass = {{0, 0, 0}, {1, 1, 0}, {2, 1, 0}, {3, 0, 0}};
  ExpectPoints(Reduce(pass, 0.9f), {pass[0], pass[1], pass[3]});
}

TEST(ReducePolyline, BeyondTheSegmentEndsUsesTheEndPoints) {
  // The chord's ends coincide: every inner point is measured from the first point.
  std::vector<PassPoint> loop = {{0, 0, 0}, {0.01, 0, 0}, {3, 4, 0}, {0, 0, 0}};
  ExpectPoints(Reduce(loop, 1.0f), {loop[0], loop[2], loop[3]});
  // A point past the far end is measured from that end (distance 2), not from the line (0).
  std::vector<PassPoint> overshoot = {{0, 0, 0}, {3, 0, 0}, {1, 0, 0}};
  ExpectPoints(Reduce(overshoot, 1.9f), overshoot);
  ExpectPoints(Reduce(overshoot, 2.1f), {overshoot[0], overshoot[2]});
}

TEST(ReducePolyline, LongZigZagKeepsEveryCorner) {
  std::vector<PassPoint> pass;
  for (int i = 0; i < 5000; ++i) pass.push_back({i * 0.1, 0.0, (i % 2) ? -1.0 : 0.0});
  EXPECT_EQ(Reduce(pass, 0.025f).size(), pass.size());
}

}  // namespace
}  // namespace machining
