// Vector routines of the 3D maths. Names ending in 4 work on TVector4f, names beginning with Affine on
// TVector3f. Arithmetic runs in double and is rounded to single when stored; results that the
// routines hand back as numbers stay double. The per-vertex ones are inline, since every frame runs
// them over whole meshes.
#pragma once

#include <cmath>
#include <span>

#include "scene3d/vector_types.h"

namespace scene3d {

namespace detail {
inline constexpr float Single(double v) { return static_cast<float>(v); }
}  // namespace detail

// Construction and copying.
inline constexpr TVector3f AffineFromXYZ(float x, float y, float z) { return {x, y, z}; }
inline constexpr void AffineFromXYZ(float x, float y, float z, TVector3f& out) { out = {x, y, z}; }
inline constexpr TVector3f AffineCopy(const TVector3f& v) { return v; }
inline constexpr TVector3d AffineToDouble(const TVector3f& v) { return {v.x, v.y, v.z}; }
inline constexpr TVector4f VectorFromXYZW(float x, float y, float z, float w) { return {x, y, z, w}; }
inline constexpr TVector4f VectorFromAffineW(const TVector3f& v, float w) { return {v.x, v.y, v.z, w}; }
inline constexpr TVector4f PointFromXYZ(float x, float y, float z) { return {x, y, z, 1}; }
inline constexpr TVector4f PointFromAffine(const TVector3f& v) { return {v.x, v.y, v.z, 1}; }
inline constexpr TVector4f DirectionFromAffine(const TVector3f& v) { return {v.x, v.y, v.z, 0}; }
inline constexpr TVector4f VectorCopy4(const TVector4f& v) { return v; }
inline constexpr void VectorClear4(TVector4f& v) { v = {0, 0, 0, 0}; }
inline constexpr TVector3i IntVector3FromXYZ(int32_t x, int32_t y, int32_t z) { return {x, y, z}; }
inline constexpr TVector3i IntVector3Copy(const TVector3i& v) { return v; }
inline constexpr TVector4i IntVector4FromXYZW(int32_t x, int32_t y, int32_t z, int32_t w) { return {x, y, z, w}; }
inline constexpr bool IntVector4Equal(const TVector4i& a, const TVector4i& b) {
  return a.x == b.x && a.y == b.y && a.z == b.z && a.w == b.w;
}

// Sums, differences and combinations.
inline TVector3f AffineSum(const TVector3f& a, const TVector3f& b) {
  return {detail::Single(double(a.x) + b.x), detail::Single(double(a.y) + b.y), detail::Single(double(a.z) + b.z)};
}
inline TVector4f VectorSum4(const TVector4f& a, const TVector4f& b) {
  return {detail::Single(double(a.x) + b.x), detail::Single(double(a.y) + b.y), detail::Single(double(a.z) + b.z),
          detail::Single(double(a.w) + b.w)};
}
inline void AffineAddTo(TVector3f& a, const TVector3f& b) { a = AffineSum(a, b); }
// p.xyz += v and p becomes a point (w = 1).
inline void PointAddAffine(TVector4f& p, const TVector3f& v) {
  const TVector3f s = AffineSum({p.x, p.y, p.z}, v);
  p = {s.x, s.y, s.z, 1};
}
// target[i] = source[i] + delta over the shorter of the two arrays.
void AffineArrayOffset(std::span<const TVector3f> source, const TVector3f& delta, std::span<TVector3f> target);
inline TVector3f AffineDifference(const TVector3f& a, const TVector3f& b) {
  return {detail::Single(double(a.x) - b.x), detail::Single(double(a.y) - b.y), detail::Single(double(a.z) - b.z)};
}
inline TVector4f VectorDifference4(const TVector4f& a, const TVector4f& b) {
  return {detail::Single(double(a.x) - b.x), detail::Single(double(a.y) - b.y), detail::Single(double(a.z) - b.z),
          detail::Single(double(a.w) - b.w)};
}
inline void AffineSubtractFrom(TVector3f& a, const TVector3f& b) { a = AffineDifference(a, b); }
inline void VectorSubtractFrom4(TVector4f& a, const TVector4f& b) { a = VectorDifference4(a, b); }
// a := a + f·b
inline void AffineCombineInPlace(TVector3f& a, const TVector3f& b, float f) {
  a = {detail::Single(a.x + double(f) * b.x), detail::Single(a.y + double(f) * b.y),
       detail::Single(a.z + double(f) * b.z)};
}
// f1·v1 + f2·v2
inline TVector3f AffineCombine2(const TVector3f& v1, const TVector3f& v2, float f1, float f2) {
  return {detail::Single(double(f1) * v1.x + double(f2) * v2.x), detail::Single(double(f1) * v1.y + double(f2) * v2.y),
          detail::Single(double(f1) * v1.z + double(f2) * v2.z)};
}
inline TVector4f VectorCombine2(const TVector4f& v1, const TVector4f& v2, float f1, float f2) {
  return {detail::Single(double(f1) * v1.x + double(f2) * v2.x), detail::Single(double(f1) * v1.y + double(f2) * v2.y),
          detail::Single(double(f1) * v1.z + double(f2) * v2.z), detail::Single(double(f1) * v1.w + double(f2) * v2.w)};
}
// v1 + f·v2 on all four components.
inline TVector4f VectorCombine4(const TVector4f& v1, const TVector4f& v2, float f) {
  return {detail::Single(v1.x + double(f) * v2.x), detail::Single(v1.y + double(f) * v2.y),
          detail::Single(v1.z + double(f) * v2.z), detail::Single(v1.w + double(f) * v2.w)};
}

// Products.
inline double AffineDot(const TVector3f& a, const TVector3f& b) {
  return double(a.x) * b.x + double(a.y) * b.y + double(a.z) * b.z;
}
// On the xyz of two homogeneous vectors.
inline double AffineDot(const TVector4f& a, const TVector4f& b) {
  return double(a.x) * b.x + double(a.y) * b.y + double(a.z) * b.z;
}
inline double VectorDot4(const TVector4f& a, const TVector4f& b) {
  return double(a.x) * b.x + double(a.y) * b.y + double(a.z) * b.z + double(a.w) * b.w;
}
// (p − o)·n: the signed distance of p from the plane through o with unit normal n.
double PointPlaneDistance(const TVector3f& p, const TVector3f& planePoint, const TVector3f& planeNormal);
double PointPlaneDistance(const TVector4f& p, const TVector4f& planePoint, const TVector4f& planeNormal);
inline TVector3f AffineCross(const TVector3f& a, const TVector3f& b) {
  return {detail::Single(double(a.y) * b.z - double(a.z) * b.y), detail::Single(double(a.z) * b.x - double(a.x) * b.z),
          detail::Single(double(a.x) * b.y - double(a.y) * b.x)};
}
inline TVector3f AffineCross(const TVector4f& a, const TVector4f& b) {
  return AffineCross(TVector3f{a.x, a.y, a.z}, TVector3f{b.x, b.y, b.z});
}
// Cross product of x, y, z; w = 0.
inline TVector4f VectorCross4(const TVector4f& a, const TVector4f& b) {
  return DirectionFromAffine(AffineCross(a, b));
}

// Interpolation: a + t·(b − a), component by component.
inline TVector3f AffineLerp(const TVector3f& a, const TVector3f& b, float t) {
  return {detail::Single(a.x + double(t) * (double(b.x) - a.x)), detail::Single(a.y + double(t) * (double(b.y) - a.y)),
          detail::Single(a.z + double(t) * (double(b.z) - a.z))};
}
inline TVector4f VectorLerp4(const TVector4f& a, const TVector4f& b, float t) {
  return {detail::Single(a.x + double(t) * (double(b.x) - a.x)), detail::Single(a.y + double(t) * (double(b.y) - a.y)),
          detail::Single(a.z + double(t) * (double(b.z) - a.z)), detail::Single(a.w + double(t) * (double(b.w) - a.w))};
}
// The array forms run over the shortest of the three arrays.
void VectorArrayLerp4(std::span<const TVector4f> a, std::span<const TVector4f> b, float t, std::span<TVector4f> out);
void AffineArrayLerp(std::span<const TVector3f> a, std::span<const TVector3f> b, float t, std::span<TVector3f> out);
void TexPointArrayLerp(std::span<const TTexPoint> a, std::span<const TTexPoint> b, float t, std::span<TTexPoint> out);

// Lengths and normalisation. A zero vector normalises to zero; the 4-component forms set w = 0.
inline double Length2D(double x, double y) { return std::sqrt(x * x + y * y); }
inline float Norm2D(float x, float y) { return detail::Single(double(x) * x + double(y) * y); }
inline double AffineNorm(const TVector3f& v) { return AffineDot(v, v); }
inline double AffineNorm(const TVector4f& v) { return AffineDot(v, v); }
inline double AffineLength(const TVector3f& v) { return std::sqrt(AffineNorm(v)); }
inline double AffineLength(const TVector4f& v) { return std::sqrt(AffineNorm(v)); }
TVector3f AffineNormalized(const TVector3f& v);
void AffineNormalizeInPlace(TVector3f& v);
void AffineArrayNormalize(std::span<TVector3f> vectors);
TVector4f VectorNormalized4(const TVector4f& v);
void VectorNormalizeInPlace4(TVector4f& v);
inline double InverseSqrt(double x) { return 1.0 / std::sqrt(x); }

// Sign, scale and component-wise operations.
inline constexpr TVector3f AffineNegated(const TVector3f& v) { return {-v.x, -v.y, -v.z}; }
inline constexpr TVector4f VectorNegated4(const TVector4f& v) { return {-v.x, -v.y, -v.z, -v.w}; }
inline constexpr void AffineNegateInPlace(TVector3f& v) { v = AffineNegated(v); }
inline constexpr void VectorNegateInPlace4(TVector4f& v) { v = VectorNegated4(v); }
inline TVector3f AffineScaled(const TVector3f& v, float f) {
  return {detail::Single(double(f) * v.x), detail::Single(double(f) * v.y), detail::Single(double(f) * v.z)};
}
inline TVector4f VectorScaled4(const TVector4f& v, float f) {
  return {detail::Single(double(f) * v.x), detail::Single(double(f) * v.y), detail::Single(double(f) * v.z),
          detail::Single(double(f) * v.w)};
}
inline void AffineScaleInPlace(TVector3f& v, float f) { v = AffineScaled(v, f); }
inline void VectorScaleInPlace4(TVector4f& v, float f) { v = VectorScaled4(v, f); }
inline void AffineMultiplyInPlace(TVector3f& v, const TVector3f& w) {
  v = {detail::Single(double(v.x) * w.x), detail::Single(double(v.y) * w.y), detail::Single(double(v.z) * w.z)};
}
inline void VectorMultiplyInPlace4(TVector4f& v, const TVector4f& w) {
  v = {detail::Single(double(v.x) * w.x), detail::Single(double(v.y) * w.y), detail::Single(double(v.z) * w.z),
       detail::Single(double(v.w) * w.w)};
}
inline TVector4f VectorAbs4(const TVector4f& v) { return {std::fabs(v.x), std::fabs(v.y), std::fabs(v.z), std::fabs(v.w)}; }
void VectorMaxInPlace4(TVector4f& v, const TVector4f& w);

// Comparisons and distances. The Equal forms compare bit patterns, so −0 differs from 0; IsNull
// compares values, so −0 counts as zero.
bool VectorEqual4(const TVector4f& a, const TVector4f& b);
bool AffineEqual(const TVector3f& a, const TVector3f& b);
bool AffineEqual(const TVector4f& a, const TVector4f& b);
bool AffineIsNull(const TVector3f& v);
bool AffineIsNull(const TVector4f& v);
double AffineSpacing(const TVector3f& a, const TVector3f& b);
double AffineDistance(const TVector3f& a, const TVector3f& b);
double AffineDistance2(const TVector3f& a, const TVector3f& b);
// v without its component along the unit vector n.
TVector3f AffineRemoveComponent(const TVector3f& v, const TVector3f& n);

// Rotations of vectors; angles in radians.
// v := v × MatrixRotationAxis(axis, angle).
void VectorRotateAroundAxis(TVector4f& v, const TVector3f& axis, float angle);
// Rotates v about y into out; out.w is left as it was.
void RotateAroundY(const TVector4f& v, float angle, TVector4f& out);

}  // namespace scene3d
