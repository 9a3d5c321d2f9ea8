// 4x4 matrix routines on row vectors (v' = v × M, translation in row 3), the viewing matrices in
// OpenGL's layout and the projection of a point to the window. Arithmetic runs in double and is
// rounded to single when stored. Angles are radians.
#pragma once

#include "scene3d/vectors.h"

namespace scene3d {

TMatrix4f MatrixScaling(const TVector3f& factors);
TMatrix4f MatrixTranslation(const TVector3f& offset);
TMatrix4f MatrixTranslation(const TVector4f& offset);
TMatrix4f MatrixScaleTranslation(const TVector3f& factors, const TVector3f& offset);
// m[0] = (c, s), m[1] = (−s, c): (1, 0, 0) turns toward (0, 1, 0).
TMatrix4f MatrixRotationZ(float cosine, float sine);
TMatrix4f MatrixRotationZ(float angle);
// Rotation about a (not necessarily unit) axis. With the z axis and a positive angle it turns
// (1, 0, 0) toward (0, −1, 0), the opposite sense of MatrixRotationZ; callers rely on that.
TMatrix4f MatrixRotationAxis(const TVector3f& axis, float angle);

// out = a × b; out must not be a or b (see MatrixProductSafe).
void MatrixProduct(const TMatrix4f& a, const TMatrix4f& b, TMatrix4f& out);
inline TMatrix4f MatrixProduct(const TMatrix4f& a, const TMatrix4f& b) {
  TMatrix4f out;
  MatrixProduct(a, b, out);
  return out;
}
// The same product where out may be a or b.
void MatrixProductSafe(const TMatrix4f& a, const TMatrix4f& b, TMatrix4f& out);

// out[j] = Σi v[i]·m[i][j]
inline TVector4f VectorTransform4(const TVector4f& v, const TMatrix4f& m) {
  const double x = v.x, y = v.y, z = v.z, w = v.w;
  return {detail::Single(x * m[0].x + y * m[1].x + z * m[2].x + w * m[3].x),
          detail::Single(x * m[0].y + y * m[1].y + z * m[2].y + w * m[3].y),
          detail::Single(x * m[0].z + y * m[1].z + z * m[2].z + w * m[3].z),
          detail::Single(x * m[0].w + y * m[1].w + z * m[2].w + w * m[3].w)};
}
// The point v (w = 1) transformed; the fourth column is ignored.
inline TVector3f AffineTransform(const TVector3f& v, const TMatrix4f& m) {
  const double x = v.x, y = v.y, z = v.z;
  return {detail::Single(x * m[0].x + y * m[1].x + z * m[2].x + m[3].x),
          detail::Single(x * m[0].y + y * m[1].y + z * m[2].y + m[3].y),
          detail::Single(x * m[0].z + y * m[1].z + z * m[2].z + m[3].z)};
}

// The determinant of the rows (a1, a2, a3), (b1, b2, b3), (c1, c2, c3), rounded to single.
float Determinant3(float a1, float a2, float a3, float b1, float b2, float b3, float c1, float c2, float c3);
float MatrixDeterminant(const TMatrix4f& m);
// In place: the transposed cofactors.
void MatrixAdjoint(TMatrix4f& m);
void MatrixScaleAll(TMatrix4f& m, double factor);
void MatrixTranspose(TMatrix4f& m);
// In place; a matrix whose determinant is below FloatEpsilon becomes the identity.
void MatrixInvert(TMatrix4f& m);
// In place: a right-handed orthonormal basis keeping the direction of row 1, row 3 = (0, 0, 0, 1).
void MatrixOrthonormalize(TMatrix4f& m);
// Inverse of rotation, uniform scale and translation; the identity when row 0 is null.
TMatrix4f MatrixInvertAnglePreserving(const TMatrix4f& m);

// gluLookAt's view matrix (w of the arguments is ignored).
TMatrix4f MatrixLookAt(const TVector4f& eye, const TVector4f& centre, const TVector4f& up);
// glFrustum's and glOrtho's matrices.
TMatrix4f MatrixFrustum(float left, float right, float bottom, float top, float zNear, float zFar);
TMatrix4f MatrixOrtho(float left, float right, float bottom, float top, float zNear, float zFar);
// gluPickMatrix's matrix for a pick region centred on (x, y); the identity for an empty region.
TMatrix4f MatrixPick(float x, float y, float width, float height, const TVector4i& viewport);
// Maps an object point through the combined matrix into window coordinates (z in 0..1, w the clip
// w). False, with the clip coordinates left undivided, when the clip w is 0.
bool ProjectToWindow(const TVector3f& point, const TMatrix4f& m, const TVector4i& viewport, TVector4f& window);

}  // namespace scene3d
