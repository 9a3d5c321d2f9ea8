#include "scene3d/scalar_math.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "scene3d/vector_types.h"

namespace scene3d {

namespace {

constexpr double kDegToRad = 0.017453292519943295769;
constexpr double kRadToDeg = 57.295779513082320877;

// The processor's conversion answers the "integer indefinite" INT32_MIN out of range; a C++ cast
// would be undefined there.
int32_t ToInt32(double integral) {
  if (!(integral >= -2147483648.0 && integral <= 2147483647.0)) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(integral);
}

}  // namespace

double DegreesToRadians(double degrees) { return degrees * kDegToRad; }
float DegreesToRadiansSingle(float degrees) { return degrees * DegToRadFactor; }
double RadiansToDegrees(double radians) { return radians * kRadToDeg; }
float RadiansToDegreesSingle(float radians) { return radians * RadToDegFactor; }

float NormalizeDegreeAngle(float degrees) {
  double r = degrees - IntegralPartExtended(degrees * (1.0 / 360.0)) * 360.0;
  if (r > 180) r -= 360;
  else if (r < -180) r += 360;
  return static_cast<float>(r);
}

void SinCosExtended(double angle, double& sine, double& cosine) {
  sine = std::sin(angle);
  cosine = std::cos(angle);
}

void SinCosSingle(float angle, float& sine, float& cosine) {
  sine = static_cast<float>(std::sin(double(angle)));
  cosine = static_cast<float>(std::cos(double(angle)));
}

void SinCosRadius(float angle, float radius, float& sine, float& cosine) {
  sine = static_cast<float>(radius * std::sin(double(angle)));
  cosine = static_cast<float>(radius * std::cos(double(angle)));
}

void FillSinCosTables(std::span<float> sines, std::span<float> cosines, float start, float stop, int count) {
  const size_t wanted = count < 1 ? 1 : static_cast<size_t>(count) + 1;
  const size_t n = std::min({wanted, sines.size(), cosines.size()});
  if (n == 0) return;
  const double step = count < 1 ? 0.0 : ((stop + 0.00001) - start) * kDegToRad / count;
  const double first = start * kDegToRad;
  if (count > 999) {
    for (size_t k = 0; k < n; ++k) {
      sines[k] = static_cast<float>(std::sin(first + k * step));
      cosines[k] = static_cast<float>(std::cos(first + k * step));
    }
    return;
  }
  sines[0] = static_cast<float>(std::sin(first));
  cosines[0] = static_cast<float>(std::cos(first));
  // The rotation recurrence, in the form that loses least to cancellation for small steps.
  const double half = std::sin(step / 2);
  const double alpha = 2 * half * half;
  const double beta = std::sin(step);
  for (size_t k = 0; k + 1 < n; ++k) {
    const double c = cosines[k];
    const double s = sines[k];
    cosines[k + 1] = static_cast<float>(c - alpha * c - beta * s);
    sines[k + 1] = static_cast<float>(s - alpha * s + beta * c);
  }
}

double ArcCosExtended(double x) { return std::atan2(std::sqrt(1 - x * x), x); }
float ArcCosSingle(float x) { return static_cast<float>(ArcCosExtended(x)); }
double Atan2Extended(double y, double x) { return std::atan2(y, x); }
float Atan2Single(float y, float x) { return static_cast<float>(std::atan2(double(y), double(x))); }
double TanExtended(double angle) { return std::tan(angle); }
float TanSingle(float angle) { return static_cast<float>(std::tan(double(angle))); }

float PowerSingle(float base, float exponent) {
  if (exponent == 0) return 1;
  if (base == 0 && exponent > 0) return 0;
  const double e = exponent;
  if (std::nearbyint(e) == e) {
    if (std::fabs(e) <= 2147483647.0) return static_cast<float>(IntPower(base, static_cast<int32_t>(e)));
    // Singles this large are all even integers, so the sign of the base drops out.
    return static_cast<float>(std::exp2(e * std::log2(std::fabs(double(base)))));
  }
  return static_cast<float>(std::exp2(e * std::log2(double(base))));
}

double IntPower(double base, int32_t exponent) {
  // Widened first so that the magnitude of INT32_MIN is representable.
  uint64_t bits = static_cast<uint64_t>(std::llabs(static_cast<int64_t>(exponent)));
  double result = 1;
  double square = base;
  while (bits != 0) {
    if (bits & 1) result *= square;
    square *= square;
    bits >>= 1;
  }
  return exponent < 0 ? 1 / result : result;
}

float RoundToIntegral(float x) { return std::nearbyint(x); }
int32_t RoundSingle(float x) { return ToInt32(std::nearbyint(double(x))); }
int32_t TruncSingle(float x) { return ToInt32(std::trunc(double(x))); }
double IntegralPartExtended(double x) { return std::trunc(x); }
float FracSingle(float x) { return x - std::trunc(x); }

int32_t CeilSingle(float x) {
  const int32_t t = TruncSingle(x);
  return FracSingle(x) > 0 ? t + 1 : t;
}

int32_t FloorSingle(float x) {
  const int32_t t = TruncSingle(x);
  // Only a fractional negative value lies above its floor's truncation; -2.0 stays -2.
  return FracSingle(x) < 0 ? t - 1 : t;
}

double MaxExtended(double a, double b) { return a > b ? a : b; }
int32_t MaxInt2(int32_t a, int32_t b) { return a > b ? a : b; }
int32_t MaxInt3(int32_t a, int32_t b, int32_t c) { return MaxInt2(MaxInt2(a, b), c); }

float ClampSingle(float x, float min, float max) {
  if (x < min) return min;
  if (x > max) return max;
  return x;
}

}  // namespace scene3d
