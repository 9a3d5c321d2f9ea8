// Scalar helpers of the 3D maths: angles, trigonometry, powers, rounding and clamping. The Extended
// forms compute and answer in double, the Single forms round to single. Angles are radians except
// where the name says degrees.
#pragma once

#include <cstdint>
#include <span>

namespace scene3d {

double DegreesToRadians(double degrees);
float DegreesToRadiansSingle(float degrees);
double RadiansToDegrees(double radians);
float RadiansToDegreesSingle(float radians);
// Into [−180, 180].
float NormalizeDegreeAngle(float degrees);

void SinCosExtended(double angle, double& sine, double& cosine);
void SinCosSingle(float angle, float& sine, float& cosine);
// radius·sin and radius·cos of the angle.
void SinCosRadius(float angle, float radius, float& sine, float& cosine);
// Writes entries 0..count (count + 1 of them, none past the arrays' ends) with the sines and
// cosines of the angles from start to stop degrees; count below 1 writes the start angle alone.
void FillSinCosTables(std::span<float> sines, std::span<float> cosines, float start, float stop, int count);

double ArcCosExtended(double x);
float ArcCosSingle(float x);
// Arc tangent of y/x over the full circle, y first.
double Atan2Extended(double y, double x);
float Atan2Single(float y, float x);
double TanExtended(double angle);
float TanSingle(float angle);

float PowerSingle(float base, float exponent);
// By repeated squaring; a negative exponent gives the reciprocal.
double IntPower(double base, int32_t exponent);

// Rounding with the current rounding mode (nearest, ties to even), and truncation toward zero.
// The int32 forms answer INT32_MIN for NaN and for values beyond the int32 range, as the
// processor's own conversion does.
float RoundToIntegral(float x);
int32_t RoundSingle(float x);
int32_t TruncSingle(float x);
double IntegralPartExtended(double x);
float FracSingle(float x);
// The smallest integer not below x and the largest integer not above x.
int32_t CeilSingle(float x);
int32_t FloorSingle(float x);

double MaxExtended(double a, double b);
int32_t MaxInt2(int32_t a, int32_t b);
int32_t MaxInt3(int32_t a, int32_t b, int32_t c);
float ClampSingle(float x, float min, float max);

}  // namespace scene3d
