// The cubic spline through runs of values: interpolation, extrapolation past the ends, slopes and
// the degenerate tables.
#include "scene3d/cubic_spline.h"

#include <gtest/gtest.h>

using namespace scene3d;

TEST(CubicSpline, InterpolatesThroughTheNodesAndExtrapolatesTheEndSegments) {
  const float hump[] = {0, 1, 0};
  const TCubicSpline spline(hump, nullptr, nullptr, nullptr, 3);
  struct Case {
    float t, value;
  };
  // Node slopes 1.5, 0, -1.5: segment 0 is 1.5u - 0.5u³.
  const Case cases[] = {{0, 0}, {0.5f, 0.6875f}, {1, 1}, {1.5f, 0.6875f}, {2, 0}, {-1, -1}, {3, -1}};
  for (const Case& c : cases) EXPECT_NEAR(spline.EvaluateX(c.t), c.value, 1e-6) << "t = " << c.t;
  EXPECT_NEAR(spline.EvaluateSlope(0).x, 1.5, 1e-6);
  EXPECT_NEAR(spline.EvaluateSlope(1).x, 0, 1e-6);
  EXPECT_NEAR(spline.EvaluateSlope(2).x, -1.5, 1e-6);
  // The tables given no values stay 0; the fourth component of a vector is left alone.
  TVector4f v{9, 9, 9, 7};
  spline.EvaluateVector(0.5f, v);
  EXPECT_EQ(v.y, 0);
  EXPECT_EQ(v.w, 7);
}

TEST(CubicSpline, TwoValuesAreAStraightLineAndOneValueIsItself) {
  const float xs[] = {2, 6}, ys[] = {-1, 1}, zs[] = {5};
  const TCubicSpline line(xs, ys, nullptr, nullptr, 2);
  for (float t : {-0.5f, 0.0f, 0.25f, 1.0f, 1.5f}) {
    const TVector3f p = line.EvaluateAffine(t);
    EXPECT_NEAR(p.x, 2 + 4 * t, 1e-5) << t;
    EXPECT_NEAR(p.y, -1 + 2 * t, 1e-5) << t;
    EXPECT_NEAR(line.EvaluateSlope(t).x, 4, 1e-5) << t;
  }
  const TCubicSpline single(zs, nullptr, nullptr, nullptr, 1);
  for (float t : {-1.0f, 0.0f, 3.0f}) EXPECT_EQ(single.EvaluateX(t), 5) << t;
  EXPECT_EQ(single.EvaluateSlope(0).x, 0);
  const TCubicSpline none(nullptr, nullptr, nullptr, nullptr, 0);
  EXPECT_EQ(none.EvaluateX(0.5f), 0);
}
