#include "scene3d/planes.h"

#include <cmath>

namespace scene3d {

using detail::Single;

TVector3f PlaneNormalFrom3Points(const TVector3f& p1, const TVector3f& p2, const TVector3f& p3) {
  return AffineNormalized(AffineCross(AffineDifference(p2, p1), AffineDifference(p3, p1)));
}

TVector4f PlaneNormalFrom3Points(const TVector4f& p1, const TVector4f& p2, const TVector4f& p3) {
  return DirectionFromAffine(PlaneNormalFrom3Points(TVector3f{p1.x, p1.y, p1.z}, TVector3f{p2.x, p2.y, p2.z},
                                                    TVector3f{p3.x, p3.y, p3.z}));
}

TVector4f PlaneNormalize(const TVector4f& plane) {
  const double f = 1.0 / std::sqrt(AffineNorm(plane));
  return {Single(plane.x * f), Single(plane.y * f), Single(plane.z * f), Single(plane.w * f)};
}

double PlaneEvaluate(const TVector4f& plane, const TVector3f& point) {
  return double(plane.x) * point.x + double(plane.y) * point.y + double(plane.z) * point.z + plane.w;
}

bool RayPlaneIntersect(const TVector4f& rayStart, const TVector4f& rayVector, const TVector4f& planePoint,
                       const TVector4f& planeNormal, TVector4f* intersection) {
  const double d = VectorDot4(rayVector, planeNormal);
  const bool parallel = std::fabs(d) <= FloatEpsilon2;
  if (intersection == nullptr) return !parallel;
  if (parallel) return false;
  const double t = VectorDot4(VectorDifference4(planePoint, rayStart), planeNormal) / d;
  if (!(t > 0)) return false;
  *intersection = {Single(rayStart.x + t * rayVector.x), Single(rayStart.y + t * rayVector.y),
                   Single(rayStart.z + t * rayVector.z), Single(rayStart.w + t * rayVector.w)};
  return true;
}

int RaySphereIntersect(const TVector4f& rayStart, const TVector4f& rayVector, const TVector4f& centre, float radius,
                       TVector4f& i1, TVector4f& i2) {
  const float p = Single((double(centre.x) - rayStart.x) * rayVector.x + (double(centre.y) - rayStart.y) * rayVector.y +
                         (double(centre.z) - rayStart.z) * rayVector.z);
  const TVector4f q = VectorCombine4(rayStart, rayVector, p);
  const float e = Single(double(radius) * radius - AffineDistance2({centre.x, centre.y, centre.z}, {q.x, q.y, q.z}));
  if (e < 0) return 0;
  if (e == 0) {
    if (!(p > 0)) return 0;
    i1 = q;
    return 1;
  }
  const float d = Single(std::sqrt(double(e)));
  if (p >= d) {
    i1 = VectorCombine4(rayStart, rayVector, Single(double(p) - d));
    i2 = VectorCombine4(rayStart, rayVector, Single(double(p) + d));
    return 2;
  }
  if (double(p) + d >= 0) {
    i1 = VectorCombine4(rayStart, rayVector, Single(double(p) + d));
    return 1;
  }
  return 0;
}

float SphereApparentRadius(float distance, float radius) {
  const double d2 = double(distance) * distance;
  const double r2 = double(radius) * radius;
  const double t = Single(std::sqrt(d2 - r2));
  const double h = Single((r2 + d2 - t * t) / (2 * t));
  return Single(std::sqrt(r2 + h * h));
}

TFrustumPlanes FrustumFromMatrix(const TMatrix4f& m) {
  const auto column = [&m](int k) { return TVector4f{m[0][k], m[1][k], m[2][k], m[3][k]}; };
  const TVector4f c0 = column(0), c1 = column(1), c2 = column(2), c3 = column(3);
  return {PlaneNormalize(VectorSum4(c3, c0)), PlaneNormalize(VectorDifference4(c3, c1)),
          PlaneNormalize(VectorDifference4(c3, c0)), PlaneNormalize(VectorSum4(c3, c1)),
          PlaneNormalize(VectorSum4(c3, c2)), PlaneNormalize(VectorDifference4(c3, c2))};
}

bool IsSphereClipped(const TVector3f& centre, float radius, const TFrustumPlanes& frustum) {
  const double negRadius = -double(radius);
  for (const TVector4f* plane : {&frustum.left, &frustum.top, &frustum.right, &frustum.bottom, &frustum.near,
                                 &frustum.far})
    if (!(PlaneEvaluate(*plane, centre) >= negRadius)) return true;
  return false;
}

bool IsBoxClipped(const TVector3f& min, const TVector3f& max, const TFrustumPlanes& frustum) {
  const TVector3f centre = AffineScaled(AffineSum(min, max), 0.5f);
  return IsSphereClipped(centre, Single(AffineDistance(min, max) * 0.5), frustum);
}

}  // namespace scene3d
