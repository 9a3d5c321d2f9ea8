// The cube (its face table, winding, ray test and stored size) and the sphere (its coverage on Mesa,
// caps and copies).
#include <gtest/gtest.h>

#include <cmath>

#include "expect_vectors.h"
#include "platform/stream.h"
#include "recording_render.h"
#include "scene3d/cube.h"
#include "scene3d/filer.h"
#include "scene3d/sphere.h"
#include "scene3d/vectors.h"
#include "scene_fixture.h"

using namespace scene3d;
using testing_support::Primitive;
using testing_support::RecordingRender;
using testing_support::Rgb;
using testing_support::SceneFixture;

TEST(Cube, FacesFollowTheTableAndTurnInward) {
  RecordingRender r;
  TGLCube cube(nullptr);
  cube.SetCubeWidth(2);
  cube.SetCubeHeight(4);
  cube.SetCubeDepth(6);
  ExpectNear(cube.HalfExtents(), {1, 2, 3, 0}, 0, "half extents");
  cube.SetParts(cpFront);
  cube.BuildList(r.rci);
  std::vector<Primitive> drawn = r.Primitives();
  ASSERT_EQ(drawn.size(), 1u);
  EXPECT_EQ(drawn[0].mode, GLenum(GL_QUADS));
  const std::vector<TVector3f> outside = {{1, 2, 3}, {-1, 2, 3}, {-1, -2, 3}, {1, -2, 3}};
  ASSERT_EQ(drawn[0].vertices.size(), 4u);
  for (size_t i = 0; i < 4; ++i) ExpectNear(drawn[0].vertices[i], outside[i], 0, "outside corner " + std::to_string(i));
  ExpectNear(drawn[0].normals[0], {0, 0, 1}, 0, "outside normal");

  r.gl.ClearCalls();
  cube.SetNormalDirection(ndInside);
  cube.BuildList(r.rci);
  drawn = r.Primitives();
  const std::vector<TVector3f> inside = {{1, 2, 3}, {1, -2, 3}, {-1, -2, 3}, {-1, 2, 3}};
  for (size_t i = 0; i < 4; ++i) ExpectNear(drawn[0].vertices[i], inside[i], 0, "inside corner " + std::to_string(i));
  ExpectNear(drawn[0].normals[0], {0, 0, -1}, 0, "inside normal");

  r.gl.ClearCalls();
  cube.SetParts(0);
  cube.BuildList(r.rci);
  EXPECT_EQ(r.gl.Trace(), (std::vector<std::string>{"Begin(7)", "End()"})) << "no parts: an empty primitive";

  // Every face of the whole cube faces out: its corners wind counter-clockwise about its normal.
  r.gl.ClearCalls();
  cube.SetParts(cpAll);
  cube.SetNormalDirection(ndOutside);
  cube.BuildList(r.rci);
  drawn = r.Primitives();
  ASSERT_EQ(drawn[0].vertices.size(), 24u);
  for (size_t f = 0; f < 6; ++f) {
    const TVector3f* v = &drawn[0].vertices[f * 4];
    const TVector3f n = AffineCross(AffineDifference(v[1], v[0]), AffineDifference(v[2], v[0]));
    EXPECT_GT(AffineDot(n, drawn[0].normals[f * 4]), 0) << "face " << f;
    EXPECT_GT(AffineDot(v[0], drawn[0].normals[f * 4]), 0) << "face " << f << " lies on its side";
  }
}

TEST(Cube, RayTestAndStoredSize) {
  TGLCube cube(nullptr);
  cube.SetCubeWidth(2);
  cube.SetCubeHeight(4);
  cube.SetCubeDepth(6);
  cube.Position().SetPointXYZ(10, 0, 0);
  TVector4f hit, normal;
  ASSERT_TRUE(cube.RayIntersect({10.5f, 1, 20, 1}, {0, 0, -1, 0}, &hit, &normal));
  ExpectNear(hit, {10.5f, 1, 3, 1}, 1e-5, "front face hit");
  ExpectNear(normal, {0, 0, 1, 0}, 1e-6, "front face normal");
  ASSERT_TRUE(cube.RayIntersect({0, 0, 0, 1}, {1, 0, 0, 0}, &hit, &normal));
  ExpectNear(hit, {9, 0, 0, 1}, 1e-5, "left face hit");
  ExpectNear(normal, {-1, 0, 0, 0}, 1e-6, "left face normal");
  EXPECT_FALSE(cube.RayIntersect({12, 0, 20, 1}, {0, 0, -1, 0}, &hit, &normal)) << "passes beside";
  EXPECT_FALSE(cube.RayIntersect({10, 0, 0, 1}, {0, 0, 1, 0}, &hit, &normal)) << "starts inside";
  EXPECT_FALSE(cube.RayIntersect({10, 0, 20, 1}, {0, 0, 1, 0}, &hit, &normal)) << "points away";

  const TStoredProperties stored = StoreDefinedProperties(cube);
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(stored[0].name, "CubeSize");
  EXPECT_EQ(stored[0].data.size(), 12u);
  TGLCube loaded(nullptr);
  LoadDefinedProperties(loaded, stored);
  ExpectNear(loaded.HalfExtents(), {1, 2, 3, 0}, 0, "loaded sizes");
  TGLCube unit(nullptr);
  EXPECT_TRUE(StoreDefinedProperties(unit).empty()) << "a unit cube stores no size";
  for (size_t length : {0u, 11u, 13u})
    EXPECT_THROW(LoadDefinedProperties(unit, {{"CubeSize", std::string(length, '\0')}}), platform::ReadError) << length;
}

TEST(Cube, WindingOnMesaFollowsTheNormalDirection) {
  SKIP_WITHOUT_EGL();
  struct Case {
    TNormalDirection direction;
    float eyeZ;
    bool seen;
  };
  const Case cases[] = {{ndOutside, 100, true}, {ndInside, 100, false}, {ndOutside, -100, false}, {ndInside, -100, true}};
  for (const Case& c : cases) {
    SceneFixture f;
    f.viewer.Buffer().SetLighting(false);
    f.viewer.Buffer().SetFaceCulling(true);
    f.camera->Position().SetPointXYZ(0, 0, c.eyeZ);
    f.camera->Direction().SetDirectionXYZ(0, 0, c.eyeZ > 0 ? -1 : 1);
    auto* cube = f.scene.Objects()->CreateChild<TGLCube>();
    cube->SetCubeWidth(4);
    cube->SetCubeHeight(4);
    cube->SetCubeDepth(4);
    cube->SetParts(cpFront);
    cube->SetNormalDirection(c.direction);
    cube->Material().FrontProperties().Diffuse().SetColor({0, 1, 0, 1});
    cube->Material().BackProperties().Diffuse().SetColor({0, 1, 0, 1});
    f.Render();
    const std::string what = std::string(c.direction == ndInside ? "inside" : "outside") + " from z " + std::to_string(c.eyeZ);
    EXPECT_EQ(f.At(100, 100), c.seen ? (Rgb{0, 255, 0}) : (Rgb{0, 0, 0})) << what;
  }
}

TEST(Sphere, CoversItsRadiusOnMesa) {
  SKIP_WITHOUT_EGL();
  SceneFixture f;
  f.viewer.Buffer().SetLighting(false);
  auto* sphere = f.scene.Objects()->CreateChild<TGLSphere>();
  sphere->SetRadius(5);
  sphere->SetSlices(32);
  sphere->Material().FrontProperties().Diffuse().SetColor({1, 0, 0, 1});
  f.Render();
  // 10 pixels a unit: the outline lies 50 pixels from the centre.
  for (auto [x, y] : {std::pair{145, 100}, {55, 100}, {100, 145}, {100, 55}})
    EXPECT_EQ(f.At(x, y), (Rgb{255, 0, 0})) << x << ", " << y;
  for (auto [x, y] : {std::pair{155, 100}, {45, 100}, {100, 155}, {100, 45}})
    EXPECT_EQ(f.At(x, y), (Rgb{0, 0, 0})) << x << ", " << y;
}

TEST(Sphere, PropertiesCapsAndCopies) {
  TGLSphere sphere(nullptr);
  sphere.SetSlices(0);
  sphere.SetStacks(-2);
  EXPECT_EQ(sphere.Slices(), 1);
  EXPECT_EQ(sphere.Stacks(), 1);
  sphere.SetRadius(-3);
  ExpectNear(sphere.HalfExtents(), {3, 3, 3, 0}, 0, "half extents");

  RecordingRender r;
  auto fans = [&r](TGLSphere& s) {
    r.gl.ClearCalls();
    s.BuildList(r.rci);
    int count = 0;
    for (const Primitive& p : r.Primitives()) count += p.mode == GL_TRIANGLE_FAN;
    return count;
  };
  TGLSphere capped(nullptr);
  capped.SetTopCap(ctFlat);
  capped.SetBottomCap(ctCenter);
  EXPECT_EQ(fans(capped), 0) << "whole sphere: no caps";
  capped.SetTop(60);
  capped.SetBottom(-30);
  EXPECT_EQ(fans(capped), 2);
  const std::vector<Primitive> drawn = r.Primitives();
  ExpectNear(drawn.front().vertices[0], {0, float(std::sin(M_PI / 3)), 0}, 1e-6, "flat cap centre");
  ExpectNear(drawn.back().vertices[0], {0, 0, 0}, 0, "centred cap centre");
  EXPECT_EQ(r.Count("PushAttrib"), r.Count("PopAttrib"));

  TGLSphere copy(nullptr);
  copy.Assign(&capped);
  EXPECT_EQ(copy.TopCap(), ctFlat) << "the caps are copied";
  EXPECT_EQ(copy.BottomCap(), ctCenter);
  EXPECT_EQ(copy.Top(), 60);
  EXPECT_EQ(fans(copy), 2);

  TGLSphere ball(nullptr);
  ball.SetRadius(2);
  ball.Position().SetPointXYZ(0, 5, 0);
  TVector4f hit, normal;
  ASSERT_TRUE(ball.RayIntersect({0, 5, 10, 1}, {0, 0, -1, 0}, &hit, &normal));
  ExpectNear(hit, {0, 5, 2, 1}, 1e-5, "nearest hit");
  ExpectNear(normal, {0, 0, 1, 0}, 1e-5, "normal");
  EXPECT_FALSE(ball.RayIntersect({0, 8, 10, 1}, {0, 0, -1, 0}, &hit, &normal));
}
