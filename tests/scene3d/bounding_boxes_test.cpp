#include "scene3d/bounding_boxes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

#include "expect_vectors.h"
#include "scene3d/matrices.h"

namespace scene3d {
namespace {

const TAxisBox kBox{{1, 2, 3}, {4, 5, 6}};

void ExpectBox(const TAxisBox& box, const TAxisBox& want, double tolerance, const std::string& what) {
  ExpectNear(box.min, want.min, tolerance, what + " min");
  ExpectNear(box.max, want.max, tolerance, what + " max");
}

TEST(BoundingBoxes, CornersFollowTheFixedNumberingAndRoundTrip) {
  // x, y, z of each corner: 1 for max, 0 for min.
  const int numbering[8][3] = {{1, 1, 1}, {1, 0, 1}, {1, 0, 0}, {1, 1, 0}, {0, 1, 1}, {0, 0, 1}, {0, 0, 0}, {0, 1, 0}};
  const TBoxCorners corners = BoxCornersFromAxisBox(kBox);
  for (int k = 0; k < 8; ++k) {
    const TVector4f want{numbering[k][0] ? 4.f : 1.f, numbering[k][1] ? 5.f : 2.f, numbering[k][2] ? 6.f : 3.f, 1};
    ExpectNear(corners[k], want, 0, "corner " + std::to_string(k));
  }
  ExpectBox(AxisBoxFromCorners(corners), kBox, 0, "round trip");

  TBoxCorners moved = corners;
  SetBoxFace(moved, 6, 99);
  EXPECT_TRUE(BoxCornersEqual(moved, corners)) << "a face index past 5 changes nothing";
  SetBoxFace(moved, 3, -7);
  ExpectBox(AxisBoxFromCorners(moved), {{1, -7, 3}, {4, 5, 6}}, 0, "y-min face moved");
  BoxCornersOffset(moved, {1, 1, 1});
  ExpectBox(AxisBoxFromCorners(moved), {{2, -6, 4}, {5, 6, 7}}, 0, "offset");
  EXPECT_EQ(moved[5].w, 1.0f);
}

TEST(BoundingBoxes, UnionAndIncludeWidenToHoldBoth) {
  TBoxCorners a = BoxCornersFromAxisBox({{0, 0, 0}, {1, 1, 1}});
  const TBoxCorners b = BoxCornersFromAxisBox({{2, 0.25f, -1}, {3, 0.5f, 0.5f}});
  TBoxCorners out{};
  BoxCornersUnion(a, b, out);
  const TBoxCorners want = BoxCornersFromAxisBox({{0, 0, -1}, {3, 1, 1}});
  EXPECT_TRUE(BoxCornersEqual(a, want));
  EXPECT_TRUE(BoxCornersEqual(out, want));

  TAxisBox box = kBox;
  AxisBoxInclude(box, {{0, 3, 3}, {2, 9, 4}});
  ExpectBox(box, {{0, 2, 3}, {4, 9, 6}}, 0, "include");
  AxisBoxIncludePoint(box, {10, -1, 5});
  ExpectBox(box, {{0, -1, 3}, {10, 9, 6}}, 0, "include point");
  ExpectBox(AxisBoxFromHalfExtents({-1, 2, -3, 9}), {{-1, -2, -3}, {1, 2, 3}}, 0, "half extents");
  box = kBox;
  AxisBoxScale(box, {2, -1, 0.5f});
  ExpectBox(box, {{2, -2, 1.5f}, {8, -5, 3}}, 0, "scale keeps min and max where they were");
}

TEST(BoundingBoxes, TransformsOfBoxesAndCorners) {
  TAxisBox cube{{-0.5f, -0.5f, -0.5f}, {0.5f, 0.5f, 0.5f}};
  AxisBoxTransform(cube, MatrixRotationZ(static_cast<float>(std::numbers::pi / 4)));
  ExpectBox(cube, {{-0.70710677f, -0.70710677f, -0.5f}, {0.70710677f, 0.70710677f, 0.5f}}, 1e-6, "45 degrees");

  TBoxCorners corners = BoxCornersFromAxisBox(kBox);
  BoxCornersTransform(corners, MatrixTranslation(TVector3f{1, 1, 1}));
  ExpectBox(AxisBoxFromCorners(corners), {{2, 3, 4}, {5, 6, 7}}, 0, "corners translated");
}

TEST(BoundingBoxes, PointTestIncludesTheSurface) {
  EXPECT_TRUE(PointInAxisBox({1, 2, 3}, kBox));
  EXPECT_TRUE(PointInAxisBox({4, 3.5f, 6}, kBox));
  EXPECT_FALSE(PointInAxisBox({4.0001f, 3.5f, 6}, kBox));
  EXPECT_FALSE(PointInAxisBox({2, 3, NAN}, kBox));
}

TEST(BoundingBoxes, SlabRayTest) {
  constexpr float kInf = std::numeric_limits<float>::infinity();
  struct Case {
    const char* what;
    TVector3f origin, direction;
    bool hit;
    float tNear, tFar;
  };
  const Case cases[] = {
      {"from inside along +x", {2, 3, 4}, {1, 0, 0}, true, -1, 2},
      {"from the left", {-1, 3, 4}, {2, 0, 0}, true, 1, 2.5f},
      {"behind, pointing away", {6, 3, 4}, {1, 0, 0}, false, -5, -2},
      {"parallel and outside: no division", {2, 0, 4}, {0, 0, 1}, false, -kInf, kInf},
      {"diagonal through a corner region", {0, 1, 2}, {1, 1, 1}, true, 1, 4},
      {"diagonal passing above", {0, 10, 2}, {1, -1, 1}, false, 5, 4},
  };
  for (const Case& c : cases) {
    float tNear = 0, tFar = 0;
    EXPECT_EQ(RayAxisBoxIntersect(c.origin, c.direction, kBox, tNear, tFar), c.hit) << c.what;
    EXPECT_EQ(tNear, c.tNear) << c.what;
    EXPECT_EQ(tFar, c.tFar) << c.what;
  }
}

}  // namespace
}  // namespace scene3d
