#include "platform/extended_float.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>

using namespace platform;

namespace {
Extended80 Make(bool negative, uint16_t exponent, uint64_t significand) {
  Extended80 e{};
  for (int i = 0; i < 8; ++i) e[size_t(i)] = uint8_t(significand >> (8 * i));
  uint16_t top = uint16_t((negative ? 0x8000 : 0) | exponent);
  e[8] = uint8_t(top);
  e[9] = uint8_t(top >> 8);
  return e;
}
}  // namespace

TEST(ExtendedFloat, EveryKindOfDoubleSurvivesTheRoundTrip) {
  const double values[] = {0.0,
                           -0.0,
                           1.0,
                           -2.5,
                           0.1,
                           1e308,
                           -std::numeric_limits<double>::max(),
                           std::numeric_limits<double>::min(),
                           std::numeric_limits<double>::denorm_min(),
                           -3 * std::numeric_limits<double>::denorm_min(),
                           std::numeric_limits<double>::infinity(),
                           -std::numeric_limits<double>::infinity()};
  for (double v : values) {
    double back = ExtendedToDouble(DoubleToExtended(v));
    EXPECT_EQ(std::bit_cast<uint64_t>(back), std::bit_cast<uint64_t>(v)) << v;
  }
  EXPECT_EQ(DoubleToExtended(1.0), Make(false, 0x3FFF, uint64_t(1) << 63));
  EXPECT_EQ(DoubleToExtended(-0.0), Make(true, 0, 0));
  EXPECT_EQ(DoubleToExtended(std::numeric_limits<double>::denorm_min()), Make(false, 0x3FFF - 1074, uint64_t(1) << 63));
  double nan = ExtendedToDouble(DoubleToExtended(std::numeric_limits<double>::quiet_NaN()));
  EXPECT_TRUE(std::isnan(nan));
}

TEST(ExtendedFloat, ExtendedValuesRoundToNearestEven) {
  const uint64_t one = uint64_t(1) << 63;
  const double ulp = std::ldexp(1.0, -52);
  struct Case {
    const char* what;
    Extended80 bytes;
    double value;
  } cases[] = {
      {"half an ulp above 1 goes to the even 1", Make(false, 0x3FFF, one | 0x400), 1.0},
      {"just over half an ulp rounds up", Make(false, 0x3FFF, one | 0x401), 1.0 + ulp},
      {"half an ulp above 1+ulp goes to the even 1+2ulp", Make(false, 0x3FFF, one | 0xC00), 1.0 + 2 * ulp},
      {"all ones carries into the next power", Make(false, 0x3FFF, ~uint64_t(0)), 2.0},
      {"beyond the double range", Make(true, 0x3FFF + 1024, one), -std::numeric_limits<double>::infinity()},
      {"far below the double range", Make(false, 1, one), 0.0},
      {"an extended denormal", Make(false, 0, 1), 0.0},
      {"double denormal, exact", Make(false, 0x3FFF - 1074, one), std::numeric_limits<double>::denorm_min()},
      {"half the smallest denormal goes to the even 0", Make(false, 0x3FFF - 1075, one), 0.0},
      {"just over half the smallest denormal", Make(false, 0x3FFF - 1075, one | 1), std::numeric_limits<double>::denorm_min()},
      {"unnormal read by its value", Make(false, 0x3FFF, one >> 1), 0.5},
      {"infinity", Make(false, 0x7FFF, one), std::numeric_limits<double>::infinity()},
  };
  for (const Case& c : cases)
    EXPECT_EQ(std::bit_cast<uint64_t>(ExtendedToDouble(c.bytes)), std::bit_cast<uint64_t>(c.value)) << c.what;
  EXPECT_TRUE(std::isnan(ExtendedToDouble(Make(false, 0x7FFF, one | 1))));
  EXPECT_TRUE(std::isnan(ExtendedToDouble(Make(true, 0x7FFF, 1))));
}
