#include "scene3d/vectors.h"

#include <algorithm>
#include <bit>

#include "scene3d/matrices.h"

namespace scene3d {

using detail::Single;

void AffineArrayOffset(std::span<const TVector3f> source, const TVector3f& delta, std::span<TVector3f> target) {
  const size_t n = std::min(source.size(), target.size());
  for (size_t i = 0; i < n; ++i) target[i] = AffineSum(source[i], delta);
}

double PointPlaneDistance(const TVector3f& p, const TVector3f& planePoint, const TVector3f& planeNormal) {
  return (double(p.x) - planePoint.x) * planeNormal.x + (double(p.y) - planePoint.y) * planeNormal.y +
         (double(p.z) - planePoint.z) * planeNormal.z;
}

double PointPlaneDistance(const TVector4f& p, const TVector4f& planePoint, const TVector4f& planeNormal) {
  return PointPlaneDistance(TVector3f{p.x, p.y, p.z}, TVector3f{planePoint.x, planePoint.y, planePoint.z},
                            TVector3f{planeNormal.x, planeNormal.y, planeNormal.z});
}

void VectorArrayLerp4(std::span<const TVector4f> a, std::span<const TVector4f> b, float t, std::span<TVector4f> out) {
  const size_t n = std::min({a.size(), b.size(), out.size()});
  for (size_t i = 0; i < n; ++i) out[i] = VectorLerp4(a[i], b[i], t);
}

void AffineArrayLerp(std::span<const TVector3f> a, std::span<const TVector3f> b, float t, std::span<TVector3f> out) {
  const size_t n = std::min({a.size(), b.size(), out.size()});
  for (size_t i = 0; i < n; ++i) out[i] = AffineLerp(a[i], b[i], t);
}

void TexPointArrayLerp(std::span<const TTexPoint> a, std::span<const TTexPoint> b, float t, std::span<TTexPoint> out) {
  const size_t n = std::min({a.size(), b.size(), out.size()});
  for (size_t i = 0; i < n; ++i)
    out[i] = {Single(a[i].s + double(t) * (double(b[i].s) - a[i].s)),
              Single(a[i].t + double(t) * (double(b[i].t) - a[i].t))};
}

namespace {

// 1/|v|, or 0 for the zero vector so that it stays zero and nothing divides by zero.
double NormalizingFactor(double norm) { return norm == 0 ? norm : 1.0 / std::sqrt(norm); }

}  // namespace

TVector3f AffineNormalized(const TVector3f& v) {
  const double f = NormalizingFactor(AffineNorm(v));
  return {Single(v.x * f), Single(v.y * f), Single(v.z * f)};
}

void AffineNormalizeInPlace(TVector3f& v) { v = AffineNormalized(v); }

void AffineArrayNormalize(std::span<TVector3f> vectors) {
  for (TVector3f& v : vectors) v = AffineNormalized(v);
}

TVector4f VectorNormalized4(const TVector4f& v) {
  const double f = NormalizingFactor(AffineNorm(v));
  return {Single(v.x * f), Single(v.y * f), Single(v.z * f), 0};
}

void VectorNormalizeInPlace4(TVector4f& v) { v = VectorNormalized4(v); }

void VectorMaxInPlace4(TVector4f& v, const TVector4f& w) {
  v = {std::max(v.x, w.x), std::max(v.y, w.y), std::max(v.z, w.z), std::max(v.w, w.w)};
}

namespace {

bool SameBits(float a, float b) { return std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b); }

}  // namespace

bool VectorEqual4(const TVector4f& a, const TVector4f& b) {
  return SameBits(a.x, b.x) && SameBits(a.y, b.y) && SameBits(a.z, b.z) && SameBits(a.w, b.w);
}

bool AffineEqual(const TVector3f& a, const TVector3f& b) {
  return SameBits(a.x, b.x) && SameBits(a.y, b.y) && SameBits(a.z, b.z);
}

bool AffineEqual(const TVector4f& a, const TVector4f& b) {
  return SameBits(a.x, b.x) && SameBits(a.y, b.y) && SameBits(a.z, b.z);
}

bool AffineIsNull(const TVector3f& v) { return v.x == 0.0 && v.y == 0.0 && v.z == 0.0; }

bool AffineIsNull(const TVector4f& v) { return v.x == 0.0 && v.y == 0.0 && v.z == 0.0; }

double AffineSpacing(const TVector3f& a, const TVector3f& b) {
  return std::fabs(double(a.x) - b.x) + std::fabs(double(a.y) - b.y) + std::fabs(double(a.z) - b.z);
}

double AffineDistance2(const TVector3f& a, const TVector3f& b) {
  const double dx = double(a.x) - b.x;
  const double dy = double(a.y) - b.y;
  const double dz = double(a.z) - b.z;
  return dx * dx + dy * dy + dz * dz;
}

double AffineDistance(const TVector3f& a, const TVector3f& b) { return std::sqrt(AffineDistance2(a, b)); }

TVector3f AffineRemoveComponent(const TVector3f& v, const TVector3f& n) {
  const double d = Single(AffineDot(v, n));
  return {Single(v.x - d * n.x), Single(v.y - d * n.y), Single(v.z - d * n.z)};
}

void VectorRotateAroundAxis(TVector4f& v, const TVector3f& axis, float angle) {
  v = VectorTransform4(v, MatrixRotationAxis(axis, angle));
}

void RotateAroundY(const TVector4f& v, float angle, TVector4f& out) {
  const double c = Single(std::cos(double(angle)));
  const double s = Single(std::sin(double(angle)));
  const TVector4f in = v;  // out may be v itself
  out.x = Single(c * in.x + s * in.z);
  out.y = in.y;
  out.z = Single(c * in.z - s * in.x);
}

}  // namespace scene3d
