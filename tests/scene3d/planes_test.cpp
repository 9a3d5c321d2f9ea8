#include "scene3d/planes.h"

#include <gtest/gtest.h>

#include <cmath>

#include "expect_vectors.h"
#include "scene3d/matrices.h"

namespace scene3d {
namespace {

TEST(Planes, FrustumOfTheIdentityIsTheUnitCube) {
  const TFrustumPlanes f = FrustumFromMatrix(IdentityMatrix);
  ExpectNear(f.left, {1, 0, 0, 1}, 0, "left");
  ExpectNear(f.top, {0, -1, 0, 1}, 0, "top");
  ExpectNear(f.right, {-1, 0, 0, 1}, 0, "right");
  ExpectNear(f.bottom, {0, 1, 0, 1}, 0, "bottom");
  ExpectNear(f.near, {0, 0, 1, 1}, 0, "near");
  ExpectNear(f.far, {0, 0, -1, 1}, 0, "far");
  EXPECT_FALSE(IsSphereClipped({0, 0, 0}, 0.1f, f));
  EXPECT_FALSE(IsSphereClipped({1.5f, 0, 0}, 1, f)) << "straddles the right plane";
  EXPECT_TRUE(IsSphereClipped({0, 0, -2.5f}, 1, f)) << "wholly outside the near plane";
  EXPECT_TRUE(IsBoxClipped({3, 3, 0}, {4, 4, 0}, f));
  EXPECT_FALSE(IsBoxClipped({0.5f, 0.5f, 0}, {3, 3, 0}, f));

  // A perspective: the planes are normalised and keep what the matrix keeps.
  const TFrustumPlanes p = FrustumFromMatrix(MatrixFrustum(-1, 1, -1, 1, 1, 100));
  EXPECT_NEAR(AffineLength(p.left), 1, 1e-6);
  EXPECT_NEAR(PlaneEvaluate(p.near, {0, 0, -1}), 0, 1e-5) << "near plane at z = −1";
  EXPECT_FALSE(IsSphereClipped({0, 0, -50}, 1, p));
  EXPECT_TRUE(IsSphereClipped({0, 0, 5}, 1, p)) << "behind the eye";
  EXPECT_TRUE(IsSphereClipped({60, 0, -50}, 1, p)) << "right of the volume";
}

TEST(Planes, RaySphereIntersectionCountsOnlyPointsAhead) {
  struct Case {
    const char* what;
    TVector4f start;
    int count;
    TVector4f i1, i2;
  };
  const TVector4f zero{};
  const Case cases[] = {
      {"ahead", {-3, 0, 0, 1}, 2, {-1, 0, 0, 1}, {1, 0, 0, 1}},
      {"inside: the exit", {0.5f, 0, 0, 1}, 1, {1, 0, 0, 1}, zero},
      {"behind", {3, 0, 0, 1}, 0, zero, zero},
      {"tangent", {-3, 1, 0, 1}, 1, {0, 1, 0, 1}, zero},
      {"tangent behind", {3, 1, 0, 1}, 0, zero, zero},
      {"miss", {-3, 2, 0, 1}, 0, zero, zero},
  };
  for (const Case& c : cases) {
    TVector4f i1{}, i2{};
    EXPECT_EQ(RaySphereIntersect(c.start, {1, 0, 0, 0}, {0, 0, 0, 1}, 1, i1, i2), c.count) << c.what;
    ExpectNear(i1, c.i1, 1e-6, c.what);
    ExpectNear(i2, c.i2, 1e-6, c.what);
  }
}

TEST(Planes, RayPlaneIntersection) {
  const TVector4f planePoint{0, 0, 2, 1};
  const TVector4f normal{0, 0, 1, 0};
  TVector4f hit{};
  EXPECT_TRUE(RayPlaneIntersect({1, 1, 0, 1}, {0, 0.6f, 0.8f, 0}, planePoint, normal, &hit));
  ExpectNear(hit, {1, 2.5f, 2, 1}, 1e-6, "hit ahead");
  EXPECT_FALSE(RayPlaneIntersect({1, 1, 5, 1}, {0, 0, 1, 0}, planePoint, normal, &hit)) << "plane behind";
  EXPECT_TRUE(RayPlaneIntersect({1, 1, 5, 1}, {0, 0, 1, 0}, planePoint, normal)) << "without a point: not parallel";
  EXPECT_FALSE(RayPlaneIntersect({1, 1, 0, 1}, {1, 0, 0, 0}, planePoint, normal, &hit)) << "parallel";
  EXPECT_FALSE(RayPlaneIntersect({1, 1, 0, 1}, {1, 0, 0, 0}, planePoint, normal));
}

TEST(Planes, PlaneHelpers) {
  ExpectNear(PlaneNormalFrom3Points(TVector3f{0, 0, 0}, TVector3f{2, 0, 0}, TVector3f{0, 3, 0}), {0, 0, 1}, 0,
             "counter-clockwise faces +z");
  ExpectNear(PlaneNormalFrom3Points(TVector4f{0, 0, 1, 1}, TVector4f{0, 3, 1, 1}, TVector4f{2, 0, 1, 1}),
             {0, 0, -1, 0}, 0, "clockwise faces −z");
  const TVector4f plane = PlaneNormalize({0, 3, 4, 10});
  ExpectNear(plane, {0, 0.6f, 0.8f, 2}, 1e-7, "normalised with d");
  EXPECT_NEAR(PlaneEvaluate(plane, {0, 3, 4}), 7, 1e-6);
  EXPECT_FLOAT_EQ(SphereApparentRadius(5, 3), 3.75f);
}

}  // namespace
}  // namespace scene3d
