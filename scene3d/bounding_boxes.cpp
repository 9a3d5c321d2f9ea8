#include "scene3d/bounding_boxes.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

#include "scene3d/matrices.h"

namespace scene3d {

using detail::Single;

void SetBoxFace(TBoxCorners& corners, int face, float value) {
  if (face < 0 || face > 5) return;
  const TBoxFace& f = BoxFaces[face];
  for (int c : f.corners) {
    corners[c][f.axis] = value;
    corners[c].w = 1;
  }
}

bool BoxCornersEqual(const TBoxCorners& a, const TBoxCorners& b) {
  return std::memcmp(a.data(), b.data(), sizeof(TBoxCorners)) == 0;
}

void BoxCornersUnion(TBoxCorners& a, const TBoxCorners& b, TBoxCorners& out) {
  for (const TVector4f& point : b)
    for (int face = 0; face < 6; ++face) {
      const TBoxFace& f = BoxFaces[face];
      const float p = point[f.axis];
      for (int c : f.corners) {
        const float v = a[c][f.axis];
        if (f.maxSide ? v < p : v > p) SetBoxFace(a, face, p);
      }
    }
  out = a;
}

void BoxCornersTransform(TBoxCorners& corners, const TMatrix4f& m) {
  for (TVector4f& c : corners) c = VectorTransform4(c, m);
}

void BoxCornersOffset(TBoxCorners& corners, const TVector3f& offset) {
  for (TVector4f& c : corners) PointAddAffine(c, offset);
}

TBoxCorners BoxCornersFromAxisBox(const TAxisBox& box) {
  TBoxCorners corners;
  for (int axis = 0; axis < 3; ++axis) {
    SetBoxFace(corners, 2 * axis, box.max[axis]);
    SetBoxFace(corners, 2 * axis + 1, box.min[axis]);
  }
  return corners;
}

void AxisBoxInclude(TAxisBox& a, const TAxisBox& b) {
  for (int i = 0; i < 3; ++i) {
    if (b.min[i] < a.min[i]) a.min[i] = b.min[i];
    if (b.max[i] > a.max[i]) a.max[i] = b.max[i];
  }
}

void AxisBoxIncludePoint(TAxisBox& box, const TVector3f& point) { AxisBoxInclude(box, {point, point}); }

TAxisBox AxisBoxFromHalfExtents(const TVector4f& halfExtents) {
  const TVector3f max{std::fabs(halfExtents.x), std::fabs(halfExtents.y), std::fabs(halfExtents.z)};
  return {AffineNegated(max), max};
}

TVector4f HalfExtentsOfAxisBox(const TAxisBox& box) {
  return {std::max(std::fabs(box.min.x), std::fabs(box.max.x)), std::max(std::fabs(box.min.y), std::fabs(box.max.y)),
          std::max(std::fabs(box.min.z), std::fabs(box.max.z)), 0};
}

void AxisBoxTransform(TAxisBox& box, const TMatrix4f& m) {
  const TVector3f& lo = box.min;
  const TVector3f& hi = box.max;
  const TVector3f first = AffineTransform(lo, m);
  TAxisBox result{first, first};
  const TVector3f others[7] = {{lo.x, lo.y, hi.z}, {lo.x, hi.y, lo.z}, {lo.x, hi.y, hi.z}, {hi.x, lo.y, lo.z},
                               {hi.x, lo.y, hi.z}, {hi.x, hi.y, lo.z}, {hi.x, hi.y, hi.z}};
  for (const TVector3f& corner : others) AxisBoxIncludePoint(result, AffineTransform(corner, m));
  box = result;
}

void AxisBoxScale(TAxisBox& box, const TVector3f& factors) {
  AffineMultiplyInPlace(box.min, factors);
  AffineMultiplyInPlace(box.max, factors);
}

TAxisBox AxisBoxFromCorners(const TBoxCorners& corners) {
  const TVector3f first{corners[0].x, corners[0].y, corners[0].z};
  TAxisBox box{first, first};
  for (int k = 1; k < 8; ++k) AxisBoxIncludePoint(box, {corners[k].x, corners[k].y, corners[k].z});
  return box;
}

bool PointInAxisBox(const TVector3f& point, const TAxisBox& box) {
  for (int i = 0; i < 3; ++i)
    if (!(box.min[i] <= point[i] && point[i] <= box.max[i])) return false;
  return true;
}

bool RayAxisBoxIntersect(const TVector3f& origin, const TVector3f& direction, const TAxisBox& box, float& tNear,
                         float& tFar) {
  tNear = -std::numeric_limits<float>::infinity();
  tFar = std::numeric_limits<float>::infinity();
  for (int i = 0; i < 3; ++i) {
    if (direction[i] == 0) {
      // Parallel to this slab: it misses unless it runs inside it.
      if (origin[i] < box.min[i] || origin[i] > box.max[i]) return false;
      continue;
    }
    const double inv = 1.0 / direction[i];
    float t1 = Single((double(box.min[i]) - origin[i]) * inv);
    float t2 = Single((double(box.max[i]) - origin[i]) * inv);
    if (t1 > t2) std::swap(t1, t2);
    if (t1 > tNear) tNear = t1;
    if (t2 < tFar) tFar = t2;
    if (tNear > tFar || tFar < 0) return false;
  }
  return true;
}

}  // namespace scene3d
