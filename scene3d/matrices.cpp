#include "scene3d/matrices.h"

#include <cmath>

namespace scene3d {

using detail::Single;

TMatrix4f MatrixScaling(const TVector3f& factors) {
  TMatrix4f m = IdentityMatrix;
  m[0].x = factors.x;
  m[1].y = factors.y;
  m[2].z = factors.z;
  return m;
}

TMatrix4f MatrixTranslation(const TVector3f& offset) {
  TMatrix4f m = IdentityMatrix;
  m[3] = PointFromAffine(offset);
  return m;
}

TMatrix4f MatrixTranslation(const TVector4f& offset) { return MatrixTranslation(TVector3f{offset.x, offset.y, offset.z}); }

TMatrix4f MatrixScaleTranslation(const TVector3f& factors, const TVector3f& offset) {
  TMatrix4f m = MatrixScaling(factors);
  m[3] = PointFromAffine(offset);
  return m;
}

TMatrix4f MatrixRotationZ(float cosine, float sine) {
  TMatrix4f m = IdentityMatrix;
  m[0].x = cosine;
  m[0].y = sine;
  m[1].x = -sine;
  m[1].y = cosine;
  return m;
}

TMatrix4f MatrixRotationZ(float angle) {
  return MatrixRotationZ(Single(std::cos(double(angle))), Single(std::sin(double(angle))));
}

TMatrix4f MatrixRotationAxis(const TVector3f& axis, float angle) {
  const TVector3f a = AffineNormalized(axis);
  const double x = a.x, y = a.y, z = a.z;
  const double c = Single(std::cos(double(angle)));
  const double s = Single(std::sin(double(angle)));
  const double t = Single(1.0 - c);
  TMatrix4f m;
  m[0] = {Single(t * x * x + c), Single(t * x * y - z * s), Single(t * z * x + y * s), 0};
  m[1] = {Single(t * x * y + z * s), Single(t * y * y + c), Single(t * y * z - x * s), 0};
  m[2] = {Single(t * z * x - y * s), Single(t * y * z + x * s), Single(t * z * z + c), 0};
  m[3] = {0, 0, 0, 1};
  return m;
}

void MatrixProduct(const TMatrix4f& a, const TMatrix4f& b, TMatrix4f& out) {
  for (int i = 0; i < 4; ++i) out[i] = VectorTransform4(a[i], b);
}

void MatrixProductSafe(const TMatrix4f& a, const TMatrix4f& b, TMatrix4f& out) {
  TMatrix4f product;
  MatrixProduct(a, b, product);
  out = product;
}

float Determinant3(float a1, float a2, float a3, float b1, float b2, float b3, float c1, float c2, float c3) {
  return Single(a1 * (double(b2) * c3 - double(b3) * c2) - b1 * (double(a2) * c3 - double(a3) * c2) +
                c1 * (double(a2) * b3 - double(a3) * b2));
}

namespace {

// The determinant of m without row r and column c.
float Minor(const TMatrix4f& m, int r, int c) {
  float e[9];
  int k = 0;
  for (int i = 0; i < 4; ++i) {
    if (i == r) continue;
    for (int j = 0; j < 4; ++j)
      if (j != c) e[k++] = m[i][j];
  }
  return Determinant3(e[0], e[1], e[2], e[3], e[4], e[5], e[6], e[7], e[8]);
}

}  // namespace

float MatrixDeterminant(const TMatrix4f& m) {
  return Single(double(m[0].x) * Minor(m, 0, 0) - double(m[0].y) * Minor(m, 0, 1) +
                double(m[0].z) * Minor(m, 0, 2) - double(m[0].w) * Minor(m, 0, 3));
}

void MatrixAdjoint(TMatrix4f& m) {
  TMatrix4f adjoint;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      const float minor = Minor(m, j, i);
      adjoint[i][j] = (i + j) % 2 == 0 ? minor : -minor;
    }
  m = adjoint;
}

void MatrixScaleAll(TMatrix4f& m, double factor) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) m[i][j] = Single(m[i][j] * factor);
}

void MatrixTranspose(TMatrix4f& m) {
  for (int i = 0; i < 4; ++i)
    for (int j = i + 1; j < 4; ++j) {
      const float t = m[i][j];
      m[i][j] = m[j][i];
      m[j][i] = t;
    }
}

void MatrixInvert(TMatrix4f& m) {
  const float d = MatrixDeterminant(m);
  if (std::fabs(d) < FloatEpsilon) {
    m = IdentityMatrix;
    return;
  }
  MatrixAdjoint(m);
  // 1/d stays in double: a determinant just above FloatEpsilon has a reciprocal beyond the range
  // of a single, while the scaled entries are ordinary numbers.
  MatrixScaleAll(m, 1.0 / d);
}

void MatrixOrthonormalize(TMatrix4f& m) {
  m[0].w = 0;
  VectorNormalizeInPlace4(m[0]);
  m[1].w = 0;
  VectorNormalizeInPlace4(m[1]);
  // The cross product of two unit rows is a unit vector only when they are orthogonal.
  m[2] = VectorNormalized4(VectorCross4(m[0], m[1]));
  m[0] = VectorCross4(m[1], m[2]);
  m[3] = WAxisVector;
}

TMatrix4f MatrixInvertAnglePreserving(const TMatrix4f& m) {
  const double k = AffineNorm(m[0]);
  if (std::fabs(k) < FloatEpsilon) return IdentityMatrix;
  TMatrix4f out;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) out[i][j] = Single(m[j][i] / k);
    out[i].w = 0;
  }
  for (int j = 0; j < 3; ++j)
    out[3][j] = Single(-(double(out[0][j]) * m[3].x + double(out[1][j]) * m[3].y + double(out[2][j]) * m[3].z));
  out[3].w = 1;
  return out;
}

TMatrix4f MatrixLookAt(const TVector4f& eye, const TVector4f& centre, const TVector4f& up) {
  const TVector4f f = VectorNormalized4(VectorDifference4(centre, eye));
  const TVector4f s = VectorNormalized4(VectorCross4(f, DirectionFromAffine({up.x, up.y, up.z})));
  const TVector4f u = VectorCross4(s, f);
  TMatrix4f m{{s, u, VectorNegated4(f), WAxisVector}};
  MatrixTranspose(m);
  m[3] = VectorTransform4({-eye.x, -eye.y, -eye.z, 1}, m);
  return m;
}

TMatrix4f MatrixFrustum(float left, float right, float bottom, float top, float zNear, float zFar) {
  const double width = double(right) - left;
  const double height = double(top) - bottom;
  const double depth = double(zFar) - zNear;
  TMatrix4f m;
  m[0].x = Single(2.0 * zNear / width);
  m[1].y = Single(2.0 * zNear / height);
  m[2] = {Single((double(right) + left) / width), Single((double(top) + bottom) / height),
          Single(-(double(zFar) + zNear) / depth), -1};
  m[3].z = Single(-2.0 * zFar * zNear / depth);
  return m;
}

TMatrix4f MatrixOrtho(float left, float right, float bottom, float top, float zNear, float zFar) {
  const double width = double(right) - left;
  const double height = double(top) - bottom;
  const double depth = double(zFar) - zNear;
  TMatrix4f m = IdentityMatrix;
  m[0].x = Single(2.0 / width);
  m[1].y = Single(2.0 / height);
  m[2].z = Single(-2.0 / depth);
  m[3] = {Single(-(double(right) + left) / width), Single(-(double(top) + bottom) / height),
          Single(-(double(zFar) + zNear) / depth), 1};
  return m;
}

TMatrix4f MatrixPick(float x, float y, float width, float height, const TVector4i& viewport) {
  if (!(width > 0) || !(height > 0)) return IdentityMatrix;
  const TVector3f scale{Single(viewport.z / double(width)), Single(viewport.w / double(height)), 1};
  const TVector3f offset{Single((viewport.z - 2.0 * (double(x) - viewport.x)) / width),
                         Single((viewport.w - 2.0 * (double(y) - viewport.y)) / height), 0};
  return MatrixScaleTranslation(scale, offset);
}

bool ProjectToWindow(const TVector3f& point, const TMatrix4f& m, const TVector4i& viewport, TVector4f& window) {
  const TVector4f v = VectorTransform4(PointFromAffine(point), m);
  if (v.w == 0) {
    window = v;
    return false;
  }
  const double w = v.w;
  const double x = v.x / w * 0.5 + 0.5;
  const double y = v.y / w * 0.5 + 0.5;
  const double z = v.z / w * 0.5 + 0.5;
  window = {Single(x * viewport.z + viewport.x), Single(y * viewport.w + viewport.y), Single(z), v.w};
  return true;
}

}  // namespace scene3d
