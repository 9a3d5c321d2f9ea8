// Contours and the multi-polygon: the outline the GLU tessellator works out, and the filled plate
// with its hole on Mesa.
#include "scene3d/multi_polygon.h"

#include <gtest/gtest.h>

#include "scene_fixture.h"

using namespace scene3d;
using testing_support::Rgb;
using testing_support::SceneFixture;

namespace {

void AddSquare(TGLContour& contour, float half) {
  contour.Nodes().AddNode(-half, -half, 0);
  contour.Nodes().AddNode(half, -half, 0);
  contour.Nodes().AddNode(half, half, 0);
  contour.Nodes().AddNode(-half, half, 0);
}

}  // namespace

TEST(MultiPolygon, OutlineOfAPlateWithAHole) {
  if (!LoadGLLibraries()) GTEST_SKIP() << "no GLU library here";
  TGLMultiPolygon plate(nullptr);
  EXPECT_TRUE(plate.Outline().empty()) << "no contours";
  TGLContour& outside = plate.Contours().Add();
  outside.Nodes().AddNode(0, 0, 0);
  outside.Nodes().AddNode(1, 0, 0);
  EXPECT_TRUE(plate.Outline().empty()) << "a first contour of two nodes has no outline";
  EXPECT_EQ(outside.GetDisplayName(), "GLContour: 2 nodes");

  outside.Nodes().Clear();
  AddSquare(outside, 5);
  AddSquare(plate.Contours().Add(), 2);
  const TPolygonList& outline = plate.Outline();
  ASSERT_EQ(outline.size(), 2u) << "the outside and the hole";
  for (const auto& polygon : outline) EXPECT_EQ(polygon.size(), 4u);
  EXPECT_EQ(plate.HalfExtents().x, 5);

  // A hole that reaches outside merges with the border: one polygon.
  plate.Contours().Item(1).Nodes().Clear();
  plate.Contours().Item(1).Nodes().AddNode(3, -1, 0);
  plate.Contours().Item(1).Nodes().AddNode(7, -1, 0);
  plate.Contours().Item(1).Nodes().AddNode(7, 1, 0);
  plate.Contours().Item(1).Nodes().AddNode(3, 1, 0);
  EXPECT_EQ(plate.Outline().size(), 1u) << "a notch cut into the border";
  EXPECT_EQ(plate.HalfExtents().x, 7) << "the extents follow the contours";

  // A spline contour is fed Division points a segment.
  TGLMultiPolygon round(nullptr);
  TGLContour& circle = round.Contours().Add();
  AddSquare(circle, 5);
  circle.Nodes().AddNode(-5, -5, 0);  // closed
  circle.SetSplineMode(lsmCubicSpline);
  circle.SetDivision(8);
  EXPECT_EQ(circle.OutlinePoints().size(), 8u * 4 + 1);
  EXPECT_FLOAT_EQ(circle.OutlinePoints()[8].x, 5) << "the spline passes through the nodes";
  EXPECT_FLOAT_EQ(circle.OutlinePoints()[8].y, -5);
  ASSERT_EQ(round.Outline().size(), 1u);
  EXPECT_GE(round.Outline()[0].size(), 30u);
}

TEST(MultiPolygon, FillsThePlateAroundItsHoleOnMesa) {
  SKIP_WITHOUT_EGL();
  SceneFixture f;
  f.viewer.Buffer().SetLighting(false);
  auto* plate = f.scene.Objects()->CreateChild<TGLMultiPolygon>();
  plate->Material().FrontProperties().Diffuse().SetColor({0, 0, 1, 1});
  AddSquare(plate->Contours().Add(), 5);
  AddSquare(plate->Contours().Add(), 2);
  f.Render();
  // ±10 units over 200 pixels: the plate from pixel 50 to 150, the hole from 80 to 120.
  EXPECT_EQ(f.At(60, 100), (Rgb{0, 0, 255}));
  EXPECT_EQ(f.At(100, 140), (Rgb{0, 0, 255}));
  EXPECT_EQ(f.At(100, 100), (Rgb{0, 0, 0})) << "the hole";
  EXPECT_EQ(f.At(40, 100), (Rgb{0, 0, 0})) << "outside";
}
