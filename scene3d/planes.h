// Planes, rays and viewing volumes. A plane is a TVector4f (a, b, c, d) meaning
// a·x + b·y + c·z + d = 0 with (a, b, c) its normal.
#pragma once

#include "scene3d/vectors.h"

namespace scene3d {

// normalize((p2 − p1) × (p3 − p1)); the 4-component form has w = 0.
TVector3f PlaneNormalFrom3Points(const TVector3f& p1, const TVector3f& p2, const TVector3f& p3);
TVector4f PlaneNormalFrom3Points(const TVector4f& p1, const TVector4f& p2, const TVector4f& p3);
// All four components scaled by 1/|(a, b, c)|.
TVector4f PlaneNormalize(const TVector4f& plane);
double PlaneEvaluate(const TVector4f& plane, const TVector3f& point);

// With an output point: true when the ray meets the plane ahead of its start, the point written.
// Without one: true when the ray is not parallel to the plane.
bool RayPlaneIntersect(const TVector4f& rayStart, const TVector4f& rayVector, const TVector4f& planePoint,
                       const TVector4f& planeNormal, TVector4f* intersection = nullptr);
// Number of points where a ray with unit vector meets the sphere ahead of its start (0, 1 or 2),
// nearest in i1. A ray starting inside meets it once, at the exit.
int RaySphereIntersect(const TVector4f& rayStart, const TVector4f& rayVector, const TVector4f& centre, float radius,
                       TVector4f& i1, TVector4f& i2);
// The radius a sphere of the given radius appears to have from the given distance.
float SphereApparentRadius(float distance, float radius);

// The six planes of the volume that a combined model-view-projection matrix keeps.
TFrustumPlanes FrustumFromMatrix(const TMatrix4f& m);
// True when the sphere lies wholly outside one of the planes.
bool IsSphereClipped(const TVector3f& centre, float radius, const TFrustumPlanes& frustum);
bool IsBoxClipped(const TVector3f& min, const TVector3f& max, const TFrustumPlanes& frustum);

}  // namespace scene3d
