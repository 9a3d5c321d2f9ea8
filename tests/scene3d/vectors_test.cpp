#include "scene3d/vectors.h"

#include <gtest/gtest.h>

#include <numbers>
#include <vector>

#include "expect_vectors.h"
#include "scene3d/matrices.h"

namespace scene3d {
namespace {

const float kQuarterTurn = static_cast<float>(std::numbers::pi / 2);

TEST(Vectors, NormalisationKeepsZeroAtZeroAndReachesTinyVectors) {
  ExpectNear(AffineNormalized({3, 4, 0}), {0.6f, 0.8f, 0}, 1e-7, "3-4-5");
  ExpectNear(AffineNormalized({0, 0, 0}), {0, 0, 0}, 0, "zero");
  ExpectNear(VectorNormalized4({0, 0, 0, 5}), {0, 0, 0, 0}, 0, "zero keeps no w");
  ExpectNear(VectorNormalized4({0, 0, 2, 1}), {0, 0, 1, 0}, 0, "w becomes 0");
  // The norm of a denormal vector is far below the singles; the double path still finds its direction.
  ExpectNear(AffineNormalized({1e-40f, 0, 0}), {1, 0, 0}, 1e-6, "denormal");
  std::vector<TVector3f> many{{0, 2, 0}, {0, 0, 0}, {-5, 0, 0}};
  AffineArrayNormalize(many);
  ExpectNear(many[0], {0, 1, 0}, 0, "array 0");
  ExpectNear(many[1], {0, 0, 0}, 0, "array 1");
  ExpectNear(many[2], {-1, 0, 0}, 0, "array 2");
  EXPECT_DOUBLE_EQ(AffineLength(TVector4f{2, 3, 6, 100}), 7) << "w takes no part";
}

TEST(Vectors, EqualityComparesBitsWhileNullnessComparesValues) {
  EXPECT_TRUE(AffineIsNull(TVector3f{-0.0f, 0, 0}));
  EXPECT_TRUE(AffineIsNull(TVector4f{0, -0.0f, 0, 7}));
  EXPECT_FALSE(AffineIsNull(TVector3f{0, 0, 1e-40f}));
  EXPECT_FALSE(AffineEqual(TVector3f{-0.0f, 0, 0}, TVector3f{0, 0, 0}));
  EXPECT_TRUE(AffineEqual(TVector4f{1, 2, 3, 4}, TVector4f{1, 2, 3, 5})) << "w takes no part";
  EXPECT_FALSE(VectorEqual4({1, 2, 3, 4}, {1, 2, 3, 5}));
  EXPECT_TRUE(VectorEqual4({NAN, 0, 0, 0}, {NAN, 0, 0, 0})) << "the same NaN bits are equal";
  EXPECT_TRUE(IntVector4Equal(IntVector4FromXYZW(1, 2, 3, 4), {1, 2, 3, 4}));
}

TEST(Vectors, ProductsAndDistancesRunInDouble) {
  ExpectNear(AffineCross(TVector3f{1, 0, 0}, TVector3f{0, 1, 0}), {0, 0, 1}, 0, "x × y");
  ExpectNear(VectorCross4({0, 1, 0, 1}, {0, 0, 1, 1}), {1, 0, 0, 0}, 0, "y × z, w = 0");
  // 1 + 1e-8 is 1 as a single but not as a double.
  EXPECT_GT(AffineDot(TVector3f{1, 1, 0}, TVector3f{1, 1e-8f, 0}), 1.0);
  EXPECT_DOUBLE_EQ(VectorDot4({1, 2, 3, 4}, {1, 1, 1, 1}), 10);
  EXPECT_DOUBLE_EQ(AffineSpacing({1, 2, 3}, {0, 4, 3}), 3);
  EXPECT_DOUBLE_EQ(AffineDistance2({1, 2, 3}, {4, 6, 3}), 25);
  EXPECT_DOUBLE_EQ(AffineDistance({1, 2, 3}, {4, 6, 3}), 5);
  EXPECT_DOUBLE_EQ(PointPlaneDistance(TVector3f{1, 1, 5}, TVector3f{0, 0, 2}, TVector3f{0, 0, 1}), 3);
  EXPECT_DOUBLE_EQ(PointPlaneDistance(TVector4f{1, 1, -5, 1}, TVector4f{0, 0, 2, 1}, TVector4f{0, 0, 1, 0}), -7);
  ExpectNear(AffineRemoveComponent({3, 4, 5}, {0, 0, 1}), {3, 4, 0}, 0, "remove z");
}

TEST(Vectors, CombinationsAndArrayFormsStopAtTheShortestArray) {
  ExpectNear(AffineCombine2({1, 0, 0}, {0, 1, 0}, 2, 3), {2, 3, 0}, 0, "combine2");
  ExpectNear(VectorCombine4({1, 1, 1, 1}, {1, 2, 3, 4}, 2), {3, 5, 7, 9}, 0, "combine4");
  TVector4f p{9, 9, 9, 0};
  PointAddAffine(p, {1, 2, 3});
  ExpectNear(p, {10, 11, 12, 1}, 0, "point add makes a point");
  TVector3f a{1, 1, 1};
  AffineCombineInPlace(a, {1, 2, 3}, -1);
  ExpectNear(a, {0, -1, -2}, 0, "combine in place");

  const std::vector<TVector3f> from{{0, 0, 0}, {2, 2, 2}, {4, 4, 4}};
  const std::vector<TVector3f> to{{10, 0, 0}, {2, 12, 2}, {4, 4, 14}};
  std::vector<TVector3f> out(2, TVector3f{-1, -1, -1});
  AffineArrayLerp(from, to, 0.25f, out);
  ExpectNear(out[0], {2.5f, 0, 0}, 0, "lerp 0");
  ExpectNear(out[1], {2, 4.5f, 2}, 0, "lerp 1");
  AffineArrayOffset(from, {1, 0, -1}, out);
  ExpectNear(out[1], {3, 2, 1}, 0, "offset");
  std::vector<TVector4f> out4(3);
  VectorArrayLerp4(std::vector<TVector4f>{{0, 0, 0, 0}, {1, 1, 1, 1}}, std::vector<TVector4f>(3, {2, 2, 2, 2}), 0.5f,
                   out4);
  ExpectNear(out4[1], {1.5f, 1.5f, 1.5f, 1.5f}, 0, "lerp4");
  ExpectNear(out4[2], {0, 0, 0, 0}, 0, "past the shortest input stays untouched");
  std::vector<TTexPoint> tex(1);
  TexPointArrayLerp(std::vector<TTexPoint>{{0, 1}}, std::vector<TTexPoint>{{1, 0}}, 0.75f, tex);
  EXPECT_EQ(tex[0].s, 0.75f);
  EXPECT_EQ(tex[0].t, 0.25f);
}

TEST(Vectors, RotationsAboutYAndAboutAnAxis) {
  TVector4f out{0, 0, 0, 7};
  RotateAroundY({1, 0, 0, 1}, kQuarterTurn, out);
  ExpectNear(out, {0, 0, -1, 7}, 1e-7, "about y; w untouched");
  RotateAroundY(out, kQuarterTurn, out);
  ExpectNear(out, {-1, 0, 0, 7}, 1e-7, "in place");
  TVector4f v{1, 0, 0, 1};
  VectorRotateAroundAxis(v, {0, 0, 1}, kQuarterTurn);
  ExpectNear(v, {0, -1, 0, 1}, 1e-7, "about z");
}

}  // namespace
}  // namespace scene3d
