// Axis-aligned boxes, as min and max corners or as their eight corner points, with the conversions
// and tests that culling, picking and the scene's extents use.
#pragma once

#include <array>

#include "scene3d/vector_types.h"

namespace scene3d {

// A valid box has min <= max on each axis.
struct TAxisBox {
  TVector3f min;
  TVector3f max;
};

// The eight corners as points (w = 1). Corner k has x = max for k < 4, else min; y = max for
// k = 0, 3, 4, 7, else min; z = max for k = 0, 1, 4, 5, else min.
using TBoxCorners = std::array<TVector4f, 8>;
static_assert(sizeof(TBoxCorners) == 128);

// A face of the box fixes one axis at its min or max and holds four corners.
struct TBoxFace {
  int axis;
  bool maxSide;
  int corners[4];
};
inline constexpr TBoxFace BoxFaces[6] = {
    {0, true, {0, 1, 2, 3}}, {0, false, {4, 5, 6, 7}}, {1, true, {0, 4, 7, 3}},
    {1, false, {1, 5, 6, 2}}, {2, true, {0, 1, 5, 4}}, {2, false, {2, 3, 7, 6}},
};

// Writes value into the face's axis coordinate of its four corners, which become points; an index
// outside 0..5 changes nothing.
void SetBoxFace(TBoxCorners& corners, int face, float value);
// Byte-for-byte.
bool BoxCornersEqual(const TBoxCorners& a, const TBoxCorners& b);
// Widens a face by face to hold every point of b, then copies a to out.
void BoxCornersUnion(TBoxCorners& a, const TBoxCorners& b, TBoxCorners& out);
void BoxCornersTransform(TBoxCorners& corners, const TMatrix4f& m);
void BoxCornersOffset(TBoxCorners& corners, const TVector3f& offset);
TBoxCorners BoxCornersFromAxisBox(const TAxisBox& box);

void AxisBoxInclude(TAxisBox& a, const TAxisBox& b);
void AxisBoxIncludePoint(TAxisBox& box, const TVector3f& point);
// max = the absolute half extents, min = −max.
TAxisBox AxisBoxFromHalfExtents(const TVector4f& halfExtents);
// The other way: per axis the larger of |min| and |max|, w 0 (a box about the origin holding `box`).
TVector4f HalfExtentsOfAxisBox(const TAxisBox& box);
// The smallest box holding the transformed corners.
void AxisBoxTransform(TAxisBox& box, const TMatrix4f& m);
void AxisBoxScale(TAxisBox& box, const TVector3f& factors);
TAxisBox AxisBoxFromCorners(const TBoxCorners& corners);
// Both bounds inclusive: a point on the surface is inside.
bool PointInAxisBox(const TVector3f& point, const TAxisBox& box);
// Slab test. True when the line meets the box and the box is not wholly behind the origin; tNear
// and tFar are then the entry and exit parameters (tNear < 0 when the origin is inside).
bool RayAxisBoxIntersect(const TVector3f& origin, const TVector3f& direction, const TAxisBox& box, float& tNear,
                         float& tFar);

}  // namespace scene3d
