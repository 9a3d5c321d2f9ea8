// The revolution solid: steps of the sweep, its strips, normals and caps (recorded), its cached box,
// and the program's flat tool body on Mesa.
#include "scene3d/revolution_solid.h"

#include <gtest/gtest.h>

#include <cmath>

#include "expect_vectors.h"
#include "recording_render.h"
#include "scene_fixture.h"

using namespace scene3d;
using testing_support::Primitive;
using testing_support::RecordingRender;
using testing_support::Rgb;
using testing_support::SceneFixture;

namespace {

std::vector<Primitive> Strips(TGLRevolutionSolid& solid) {
  RecordingRender r;
  solid.BuildList(r.rci);
  return r.Primitives();
}

}  // namespace

TEST(RevolutionSolid, SweepsInWholeSteps) {
  struct Case {
    float start, stop, yOffset;
    int slices;
    size_t vertices;
  };
  const Case cases[] = {{0, 360, 0, 16, 34}, {90, 180, 0, 16, 10}, {0, 720, 0, 16, 66}, {0, 360, 3, 16, 34},
                        {0, 1, 0, 16, 4}};
  for (const Case& c : cases) {
    TGLRevolutionSolid solid(nullptr);
    solid.Nodes().AddNode(1, 0, 0);
    solid.Nodes().AddNode(2, 1, 0);
    solid.SetStopAngle(c.stop);
    solid.SetStartAngle(c.start);
    solid.SetSlices(c.slices);
    solid.SetYOffsetPerTurn(c.yOffset);
    solid.SetNormals(nsSmooth);
    const std::string what = std::to_string(c.start) + " to " + std::to_string(c.stop);
    const std::vector<Primitive> strips = Strips(solid);
    ASSERT_EQ(strips.size(), 1u) << what;
    EXPECT_EQ(strips[0].mode, GLenum(GL_TRIANGLE_STRIP)) << what;
    ASSERT_EQ(strips[0].vertices.size(), c.vertices) << what;
    // The sweep ends exactly on the stop angle, raised by the offset of the turns swept.
    const double stop = c.stop * M_PI / 180;
    const float rise = float(c.yOffset * (c.stop - c.start) / 360);
    ExpectNear(strips[0].vertices[c.vertices - 2], {float(std::cos(stop)), rise, float(-std::sin(stop))}, 1e-5, what);
  }
}

TEST(RevolutionSolid, NormalsFaceOutOrInAndCapsFaceAlongTheSweep) {
  TGLRevolutionSolid solid(nullptr);
  // A wall at radius 2 from y = 5 to y = 7, swept a quarter turn.
  solid.Nodes().AddNode(2, 7, 0);
  solid.Nodes().AddNode(2, 5, 0);
  solid.Nodes().AddNode(1, 5, 0);
  solid.SetStopAngle(90);
  std::vector<Primitive> strips = Strips(solid);
  ASSERT_EQ(strips.size(), 2u);
  ExpectNear(strips[0].normals[0], {1, 0, 0}, 1e-6, "wall faces out at the start");
  ExpectNear(strips[1].normals[0], {0, -1, 0}, 1e-6, "floor faces down");
  solid.SetNormalDirection(ndInside);
  strips = Strips(solid);
  ExpectNear(strips[0].normals[0], {-1, 0, 0}, 1e-6, "inside: reversed");
  ExpectNear(strips[0].vertices[0], {2, 5, 0}, 1e-6, "inside: the points trade places");

  // Caps only: their normals are horizontal, though the profile lies high above the origin.
  solid.SetNormalDirection(ndOutside);
  solid.SetParts(rspStartPolygon | rspStopPolygon);
  RecordingRender r;
  solid.BuildList(r.rci);
  std::vector<TVector3f> normals;
  for (const auto& call : r.gl.calls)
    if (call.name == "Normal3fv") normals.push_back({float(call.args[0]), float(call.args[1]), float(call.args[2])});
  ASSERT_EQ(normals.size(), 2u);
  ExpectNear(normals[0], {0, 0, 1}, 1e-6, "start cap, at 0°, faces +Z away from the sweep");
  ExpectNear(normals[1], {-1, 0, 0}, 1e-6, "stop cap, at 90°, faces -X away from the sweep");
  ASSERT_FALSE(r.Primitives().empty()) << "the caps are filled";
}

TEST(RevolutionSolid, AnglesBoxAndCopies) {
  TGLRevolutionSolid solid(nullptr);
  solid.SetStartAngle(400);
  EXPECT_EQ(solid.StopAngle(), 400) << "the stop follows the start up";
  solid.Nodes().AddNode(3, -4, 4);
  solid.Nodes().AddNode(0, 2, 0);
  EXPECT_TRUE(Strips(solid).empty()) << "no sweep, nothing drawn";
  solid.SetStopAngle(100);
  EXPECT_EQ(solid.StartAngle(), 100) << "the start follows the stop down";
  solid.SetSlices(0);
  EXPECT_EQ(solid.Slices(), 16);

  ExpectNear(solid.HalfExtents(), {5, 4, 5, 0}, 1e-6, "box");
  solid.Nodes().Items(0)->SetX(0);
  ExpectNear(solid.HalfExtents(), {4, 4, 4, 0}, 1e-6, "box after a node moved");

  TGLRevolutionSolid copy(nullptr);
  solid.SetStopAngle(180);
  solid.SetParts(rspOutside | rspInside);
  copy.Assign(&solid);
  EXPECT_EQ(copy.StartAngle(), 100);
  EXPECT_EQ(copy.StopAngle(), 180);
  EXPECT_EQ(copy.Parts(), rspOutside | rspInside);
  EXPECT_EQ(copy.Nodes().Count(), 2);
  EXPECT_EQ(Strips(copy).size(), 2u);
}

TEST(RevolutionSolid, FlatToolBodyOnMesa) {
  SKIP_WITHOUT_EGL();
  SceneFixture f;
  f.viewer.Buffer().SetLighting(false);
  auto* tool = f.scene.Objects()->CreateChild<TGLRevolutionSolid>();
  // The flat tool's outline: diameter 4, length 6, tip at the origin.
  for (auto [x, y] : {std::pair{0.0f, 0.0f}, {2.0f, 0.0f}, {2.0f, 6.0f}, {0.0f, 6.0f}}) tool->Nodes().AddNode(x, y, 0);
  tool->Position().SetPointXYZ(0, -4, 0);
  tool->Material().FrontProperties().Diffuse().SetColor({1, 1, 0, 1});
  tool->Material().BackProperties().Diffuse().SetColor({1, 1, 0, 1});
  f.Render();
  EXPECT_EQ(f.At(100, 100), (Rgb{255, 255, 0}));
  EXPECT_EQ(f.At(82, 100), (Rgb{255, 255, 0}));
  EXPECT_EQ(f.At(75, 100), (Rgb{0, 0, 0}));
}
