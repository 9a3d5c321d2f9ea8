// The extrusion solid: its walls, stacks and normal smoothing (a recording OpenGL), and an L-shaped
// block with its caps on Mesa.
#include "scene3d/extrusion_solid.h"

#include <gtest/gtest.h>

#include <cmath>

#include "fake_gl.h"
#include "scene3d/light_source.h"
#include "scene3d/scene_classes.h"
#include "scene3d/streaming_classes.h"
#include "scene_fixture.h"

using namespace scene3d;
using testing_support::ActiveFakeTable;
using testing_support::Rgb;
using testing_support::SceneFixture;

namespace {

// Counter-clockwise seen from +Z: the bottom bar from x = -6 to 6 and the left bar up to y = 6.
void AddL(TGLContour& contour) {
  for (auto [x, y] : {std::pair{-6, -6}, {6, -6}, {6, -2}, {-2, -2}, {-2, 6}, {-6, 6}})
    contour.Nodes().AddNode(float(x), float(y), 0);
}

void AddRound(TGLContour& contour, int sides) {
  for (int i = 0; i < sides; ++i) {
    const double a = 2 * M_PI * i / sides;
    contour.Nodes().AddNode(float(5 * std::cos(a)), float(5 * std::sin(a)), 0);
  }
}

}  // namespace

TEST(ExtrusionSolid, WallsFaceOutwardInStacksAndShareNormalsOnlyAcrossSmallAngles) {
  if (!LoadGLLibraries()) GTEST_SKIP() << "no GLU library here";
  ActiveFakeTable fake;
  RenderContextInfo rci;
  TGLExtrusionSolid solid(nullptr);
  EXPECT_EQ(solid.Parts(), espOutside);
  EXPECT_EQ(solid.Height(), 1);
  EXPECT_EQ(solid.Stacks(), 1);
  EXPECT_EQ(solid.Normals(), nsFlat);
  EXPECT_FLOAT_EQ(solid.MinSmoothAngle(), 5);
  RegisterSceneClasses();
  EXPECT_TRUE(StreamingClasses().Contains("TGLExtrusionSolid")) << "registered with the other solids";
  AddL(solid.Contours().Add());
  solid.SetHeight(3);
  solid.SetStacks(2);
  solid.SetStacks(0);
  EXPECT_EQ(solid.Stacks(), 2) << "below 1 is ignored";
  TVector4f half = solid.HalfExtents();
  EXPECT_EQ(half.x, 6);
  EXPECT_EQ(half.z, 3) << "the height counts";

  solid.BuildList(rci);
  EXPECT_EQ(fake.gl.Count("Begin"), 2) << "one strip a stack, no caps by default";
  // Each wall's normal is its edge turned right: the L's six walls face -y, +x, +y, +x, +y, -x... and
  // every vertex lies between z = 0 and the height.
  int outward = 0, walls = 0;
  TVector3f normal{};
  for (const auto& call : fake.gl.calls) {
    if (call.name == "Normal3fv") {
      normal = {float(call.args[0]), float(call.args[1]), float(call.args[2])};
      ++walls;
    } else if (call.name == "Vertex3f") {
      EXPECT_GE(call.args[2], 0);
      EXPECT_LE(call.args[2], 3);
      // A point just outside the wall along the normal is outside the L.
      const double x = call.args[0] + 0.5 * normal.x, y = call.args[1] + 0.5 * normal.y;
      const bool inside = x > -6 && x < 6 && y > -6 && y < 6 && (x < -2 || y < -2);
      outward += !inside;
    }
  }
  EXPECT_EQ(walls, 2 * 2 * 6) << "two stacks of six walls, a normal at each end";
  EXPECT_EQ(outward, 2 * 2 * 2 * 6) << "every normal points out of the material";

  struct Case {
    int sides;
    TNormalSmoothing normals;
    float minSmoothAngle;
    bool shared;
  } cases[] = {
      {64, nsFlat, 10, false},   // flat: both ends of a wall carry its face normal
      {64, nsSmooth, 5, false},  // neighbours meet at 5.6 degrees: not smoothed by default
      {64, nsSmooth, 10, true},
      {4, nsSmooth, 10, false},  // square corners stay sharp
  };
  for (const Case& c : cases) {
    TGLExtrusionSolid round(nullptr);
    AddRound(round.Contours().Add(), c.sides);
    round.SetNormals(c.normals);
    round.SetMinSmoothAngle(c.minSmoothAngle);
    fake.gl.ClearCalls();
    round.BuildList(rci);
    std::vector<std::vector<double>> normals;
    for (const auto& call : fake.gl.calls)
      if (call.name == "Normal3fv") normals.push_back(call.args);
    ASSERT_EQ(normals.size(), size_t(2 * c.sides)) << c.sides;
    EXPECT_EQ(normals[0] != normals[1], c.shared) << c.sides << " sides, " << c.minSmoothAngle << " degrees";
    if (c.shared) {
      EXPECT_EQ(normals[1], normals[2]) << "the next wall starts with the shared normal";
    }
  }
}

TEST(ExtrusionSolid, AnLShapedBlockWithItsCapsOnMesa) {
  SKIP_WITHOUT_EGL();
  SceneFixture f;
  auto* light = f.scene.Objects()->CreateChild<TGLLightSource>();
  light->SetLightStyle(lsOmni);
  light->Position().SetPointXYZ(0, 0, 100);
  auto* block = f.scene.Objects()->CreateChild<TGLExtrusionSolid>();
  block->Material().FrontProperties().Diffuse().SetColor({1, 0, 0, 1});
  AddL(block->Contours().Add());
  block->SetHeight(3);
  block->SetParts(espOutside | espStartPolygon | espStopPolygon);
  f.Render();
  // ±10 units over 200 pixels, seen from above: the stop cap at the height, lit.
  for (auto [x, y] : {std::pair{60, 140}, {140, 140}, {60, 60}}) EXPECT_GT(f.At(x, y).r, 150) << x << ", " << y;
  EXPECT_EQ(f.At(140, 60), (Rgb{0, 0, 0})) << "the L's open corner";
  EXPECT_EQ(f.At(100, 20), (Rgb{0, 0, 0})) << "above the L";

  // Tipped over, a wall faces the light: lit only when its normal points outward.
  block->SetPitchAngle(-90);
  f.Render();
  // The bottom bar's wall, 12 wide and 3 high, below the middle.
  EXPECT_GT(f.At(100, 115).r, 150) << "the wall of the L's bottom bar";
  EXPECT_EQ(f.At(100, 135), (Rgb{0, 0, 0}));

  // Without the caps the top is open: the walls seen end on, the inside of the far walls culled.
  block->SetPitchAngle(0);
  block->SetParts(espOutside);
  f.Render();
  EXPECT_EQ(f.At(60, 140), (Rgb{0, 0, 0})) << "no stop cap";
}
