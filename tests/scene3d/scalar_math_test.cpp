#include "scene3d/scalar_math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

namespace scene3d {
namespace {

constexpr int32_t kIndefinite = std::numeric_limits<int32_t>::min();

TEST(ScalarMath, RoundingFamilyAgreesOnTheAwkwardValues) {
  struct Case {
    float x;
    int32_t ceil, floor, trunc, round;
  };
  const Case cases[] = {
      {-1.5f, -1, -2, -1, -2}, {2.5f, 3, 2, 2, 2},  {3.5f, 4, 3, 3, 4},   {-2.0f, -2, -2, -2, -2},
      {-0.5f, 0, -1, 0, 0},    {0.25f, 1, 0, 0, 0}, {7.0f, 7, 7, 7, 7},
      // Beyond the int32 range and NaN give the processor's indefinite value instead of undefined behaviour.
      {3e9f, kIndefinite, kIndefinite, kIndefinite, kIndefinite},
      {NAN, kIndefinite, kIndefinite, kIndefinite, kIndefinite},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CeilSingle(c.x), c.ceil) << "ceil " << c.x;
    EXPECT_EQ(FloorSingle(c.x), c.floor) << "floor " << c.x;
    EXPECT_EQ(TruncSingle(c.x), c.trunc) << "trunc " << c.x;
    EXPECT_EQ(RoundSingle(c.x), c.round) << "round " << c.x;
  }
  EXPECT_EQ(RoundToIntegral(2.5f), 2.0f);
  EXPECT_EQ(RoundToIntegral(-3.5f), -4.0f);
  EXPECT_EQ(FracSingle(-1.25f), -0.25f);
  EXPECT_EQ(IntegralPartExtended(-7.9), -7.0);
}

TEST(ScalarMath, NormalizeDegreeAngleFoldsIntoPlusMinus180) {
  const std::pair<float, float> cases[] = {{540, 180}, {-190, 170}, {190, -170}, {360, 0},
                                           {-540, -180}, {725.5f, 5.5f}, {-1e6f, 80}};
  for (auto [in, out] : cases) EXPECT_NEAR(NormalizeDegreeAngle(in), out, 1e-3) << in;
}

TEST(ScalarMath, PowersCoverZeroIntegralAndFractionalExponents) {
  EXPECT_EQ(PowerSingle(0, 2), 0.0f);
  EXPECT_EQ(PowerSingle(5, 0), 1.0f);
  EXPECT_EQ(PowerSingle(2, -2), 0.25f);
  EXPECT_EQ(PowerSingle(-2, 3), -8.0f);
  EXPECT_NEAR(PowerSingle(2, 0.5f), std::sqrt(2.0), 1e-6);
  EXPECT_NEAR(PowerSingle(8, -1.0f / 3), 0.5, 1e-6);
  // Singles this large are even integers: the sign of the base must not matter, nor must the
  // exponent be cast to an int it does not fit.
  EXPECT_EQ(PowerSingle(-0.5f, 1e10f), 0.0f);
  EXPECT_EQ(PowerSingle(-2, 1e10f), std::numeric_limits<float>::infinity());
  EXPECT_EQ(IntPower(-3, 3), -27.0);
  EXPECT_EQ(IntPower(10, -3), 1.0 / 1000);
  EXPECT_EQ(IntPower(1, std::numeric_limits<int32_t>::min()), 1.0);
  EXPECT_EQ(IntPower(2, std::numeric_limits<int32_t>::min()), 0.0);
}

TEST(ScalarMath, FillSinCosTablesWritesCountPlusOneEntriesAndNoMore) {
  const float sentinel = 42;
  std::vector<float> s(7, sentinel), c(7, sentinel);
  FillSinCosTables(s, c, 0, 90, 4);
  for (int k = 0; k <= 4; ++k) {
    const double a = k * 22.5 * std::numbers::pi / 180;
    EXPECT_NEAR(s[k], std::sin(a), 1e-5) << "sine " << k;
    EXPECT_NEAR(c[k], std::cos(a), 1e-5) << "cosine " << k;
  }
  EXPECT_EQ(s[5], sentinel);
  EXPECT_EQ(c[5], sentinel);

  std::fill(s.begin(), s.end(), sentinel);
  FillSinCosTables(s, c, 30, 90, 0);
  EXPECT_NEAR(s[0], 0.5, 1e-6);
  EXPECT_EQ(s[1], sentinel) << "a count of 0 writes the start angle only";

  // Long tables are computed directly; the last entry still lands on the stop angle.
  std::vector<float> ls(2001), lc(2001);
  FillSinCosTables(ls, lc, 0, 180, 2000);
  EXPECT_NEAR(ls[1000], 1.0, 1e-5);
  EXPECT_NEAR(lc[2000], -1.0, 1e-5);

  // Arrays shorter than count + 1 are filled to their ends and not past them.
  std::vector<float> ss(3), sc(3);
  FillSinCosTables(ss, sc, 0, 90, 10);
  EXPECT_NEAR(ss[2], std::sin(18 * std::numbers::pi / 180), 1e-5);
}

TEST(ScalarMath, ArcCosAndArcTangentTakeTheirArgumentsAsDocumented) {
  EXPECT_NEAR(ArcCosExtended(0.5), std::numbers::pi / 3, 1e-15);
  EXPECT_NEAR(ArcCosSingle(-1), std::numbers::pi, 1e-6);
  EXPECT_NEAR(Atan2Extended(1, -1), 3 * std::numbers::pi / 4, 1e-15) << "y comes first";
  float s = 0, c = 0;
  SinCosRadius(static_cast<float>(std::numbers::pi / 6), 4, s, c);
  EXPECT_NEAR(s, 2, 1e-6);
  EXPECT_NEAR(c, 2 * std::sqrt(3.0), 1e-6);
}

}  // namespace
}  // namespace scene3d
