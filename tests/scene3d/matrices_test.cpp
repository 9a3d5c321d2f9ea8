#include "scene3d/matrices.h"

#include <gtest/gtest.h>

#include <numbers>

#include "expect_vectors.h"

namespace scene3d {
namespace {

const float kQuarterTurn = static_cast<float>(std::numbers::pi / 2);

TMatrix4f Diagonal(float a, float b, float c, float d) {
  TMatrix4f m;
  m[0].x = a;
  m[1].y = b;
  m[2].z = c;
  m[3].w = d;
  return m;
}

// A rotation, a non-uniform scale and a translation: nothing about it is special.
TMatrix4f General() {
  TMatrix4f m = MatrixProduct(MatrixRotationAxis({1, 2, 3}, 0.7f), MatrixScaling({2, 0.5f, 3}));
  m[3] = {4, -5, 6, 1};
  return m;
}

TEST(Matrices, InversionTreatsDeterminantsBelowTheDenormalEpsilonAsSingular) {
  TMatrix4f m = Diagonal(1e-41f, 1, 1, 1);
  MatrixInvert(m);
  ExpectNear(m, IdentityMatrix, 0, "determinant 1e-41");
  // Just above FloatEpsilon the matrix is inverted; a flushed denormal or a single 1/d (beyond
  // the singles' range) would break this.
  m = Diagonal(1e-20f, 1e-19f, 1, 1);
  MatrixInvert(m);
  EXPECT_NEAR(m[0].x, 1e20, 1e15);
  EXPECT_NEAR(m[1].y, 1e19, 1e14);
  EXPECT_NEAR(m[2].z, 1, 1e-5);
  m = MatrixScaling({2, 2, 2});
  MatrixInvert(m);
  ExpectNear(m, MatrixScaling({0.5f, 0.5f, 0.5f}), 0, "scaling by 2");
  m = General();
  MatrixInvert(m);
  ExpectNear(MatrixProduct(General(), m), IdentityMatrix, 1e-5, "M × M⁻¹");
}

TEST(Matrices, DeterminantAndAdjoint) {
  EXPECT_NEAR(MatrixDeterminant(General()), 3, 1e-5) << "rotation keeps the scale's 2 · 0.5 · 3";
  const TMatrix4f swapped{{{0, 1, 0, 0}, {1, 0, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};
  EXPECT_EQ(MatrixDeterminant(swapped), -1.0f);
  EXPECT_EQ(Determinant3(1, 2, 3, 0, 4, 5, 0, 0, 6), 24.0f);
  TMatrix4f adjoint = General();
  MatrixAdjoint(adjoint);
  TMatrix4f want = IdentityMatrix;
  MatrixScaleAll(want, MatrixDeterminant(General()));
  ExpectNear(MatrixProduct(adjoint, General()), want, 1e-5, "adj(M) × M = det · I");
}

TEST(Matrices, AnglePreservingInverseMatchesTheGeneralOne) {
  TMatrix4f m = MatrixProduct(MatrixRotationAxis({0, 1, 1}, 1.1f), MatrixScaling({2, 2, 2}));
  m[3] = {1, 2, 3, 1};
  TMatrix4f general = m;
  MatrixInvert(general);
  ExpectNear(MatrixInvertAnglePreserving(m), general, 1e-6, "rotation, uniform scale, translation");
  ExpectNear(MatrixInvertAnglePreserving(ZeroMatrix), IdentityMatrix, 0, "null row 0");
}

TEST(Matrices, RotationSensesArePinned) {
  const TVector3f x{1, 0, 0};
  ExpectNear(AffineTransform(x, MatrixRotationAxis({0, 0, 1}, kQuarterTurn)), {0, -1, 0}, 1e-7, "axis z");
  ExpectNear(AffineTransform(x, MatrixRotationAxis({0, 0, 5}, kQuarterTurn)), {0, -1, 0}, 1e-7, "long axis");
  ExpectNear(AffineTransform(x, MatrixRotationZ(kQuarterTurn)), {0, 1, 0}, 1e-7, "RotationZ");
  ExpectNear(AffineTransform({0, 0, 1}, MatrixRotationAxis({1, 0, 0}, kQuarterTurn)), {0, 1, 0}, 1e-7, "axis x");
}

TEST(Matrices, OrthonormalizeNormalisesEveryRowOfASkewedBasis) {
  TMatrix4f m{{{2, 0, 0, 9}, {1, 1, 0, 9}, {0, 0, 7, 9}, {5, 5, 5, 5}}};
  MatrixOrthonormalize(m);
  const float h = static_cast<float>(std::numbers::sqrt2 / 2);
  ExpectNear(m[1], {h, h, 0, 0}, 1e-7, "row 1 keeps its direction");
  ExpectNear(m[2], {0, 0, 1, 0}, 1e-7, "row 2 is unit although rows 0 and 1 were not orthogonal");
  ExpectNear(m[0], {h, -h, 0, 0}, 1e-7, "row 0");
  ExpectNear(m[3], {0, 0, 0, 1}, 0, "row 3");
  EXPECT_NEAR(MatrixDeterminant(m), 1, 1e-6);
}

TEST(Matrices, ProductsComposeLeftToRightAndTheSafeFormAllowsAliasing) {
  const TMatrix4f t = MatrixTranslation(TVector3f{1, 2, 3});
  const TMatrix4f s = MatrixScaling({2, 3, 4});
  ExpectNear(MatrixProduct(t, s), MatrixScaleTranslation({2, 3, 4}, {2, 6, 12}), 0, "translate, then scale");
  ExpectNear(AffineTransform({1, 1, 1}, MatrixProduct(s, t)), {3, 5, 7}, 0, "scale, then translate");
  TMatrix4f b = s;
  MatrixProductSafe(t, b, b);
  ExpectNear(b, MatrixProduct(t, s), 0, "out is b");
  ExpectNear(VectorTransform4({1, 1, 1, 0}, t), {1, 1, 1, 0}, 0, "a direction ignores the translation");
}

TEST(Matrices, LookAtMatchesTheUtilityLibrary) {
  const TMatrix4f front = MatrixLookAt({0, 0, 5, 1}, {0, 0, 0, 1}, {0, 1, 0, 0});
  TMatrix4f want = IdentityMatrix;
  want[3] = {0, 0, -5, 1};
  ExpectNear(front, want, 0, "from (0, 0, 5)");
  const TMatrix4f side = MatrixLookAt({5, 0, 0, 1}, {0, 0, 0, 1}, {0, 1, 0, 0});
  ExpectNear(AffineTransform({5, 0, 0}, side), {0, 0, 0}, 1e-6, "the eye goes to the origin");
  ExpectNear(AffineTransform({0, 0, 0}, side), {0, 0, -5}, 1e-6, "the centre lies ahead on −z");
  ExpectNear(AffineTransform({0, 1, 0}, side), {0, 1, -5}, 1e-6, "up stays up");
}

TEST(Matrices, ProjectionsMapTheirVolumeOntoTheUnitCube) {
  const TMatrix4f f = MatrixFrustum(-1, 1, -2, 2, 1, 10);
  const TVector4f nearCorner = VectorTransform4({1, 2, -1, 1}, f);
  ExpectNear(VectorScaled4(nearCorner, 1 / nearCorner.w), {1, 1, -1, 1}, 1e-6, "near corner");
  const TVector4f farCentre = VectorTransform4({0, 0, -10, 1}, f);
  EXPECT_NEAR(farCentre.z / farCentre.w, 1, 1e-6);
  const TMatrix4f o = MatrixOrtho(0, 4, 0, 2, -1, 3);
  ExpectNear(VectorTransform4({0, 0, 1, 1}, o), {-1, -1, -1, 1}, 1e-6, "ortho low corner");
  ExpectNear(VectorTransform4({4, 2, -3, 1}, o), {1, 1, 1, 1}, 1e-6, "ortho high corner");

  const TVector4i viewport{0, 0, 100, 100};
  // Window (25, 75) is NDC (−0.5, 0.5): the pick matrix brings it to the centre, 10 times enlarged.
  const TMatrix4f pick = MatrixPick(25, 75, 10, 10, viewport);
  ExpectNear(VectorTransform4({-0.5f, 0.5f, 0.3f, 1}, pick), {0, 0, 0.3f, 1}, 1e-6, "pick centre");
  ExpectNear(VectorTransform4({-0.4f, 0.5f, 0, 1}, pick), {1, 0, 0, 1}, 1e-6, "pick edge");
  ExpectNear(MatrixPick(25, 75, 0, 10, viewport), IdentityMatrix, 0, "empty region");
}

TEST(Matrices, ProjectToWindow) {
  TVector4f window;
  ASSERT_TRUE(ProjectToWindow({0, 0, 0}, IdentityMatrix, {0, 0, 640, 480}, window));
  ExpectNear(window, {320, 240, 0.5f, 1}, 0, "origin");
  ASSERT_TRUE(ProjectToWindow({1, -1, 1}, IdentityMatrix, {10, 20, 640, 480}, window));
  ExpectNear(window, {650, 20, 1, 1}, 0, "corner of an offset viewport");
  // With a perspective, a point in the eye's plane has clip w = 0.
  EXPECT_FALSE(ProjectToWindow({3, 4, 0}, MatrixFrustum(-1, 1, -1, 1, 1, 10), {0, 0, 640, 480}, window));
  ExpectNear(window, {3, 4, -2.2222223f, 0}, 1e-6, "clip coordinates as they are");
}

}  // namespace
}  // namespace scene3d
