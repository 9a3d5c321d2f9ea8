// The vertex list and the mesh: growth, extents, and the arrays each vertex mode hands to OpenGL
// (a recording OpenGL).
#include "scene3d/mesh.h"

#include <gtest/gtest.h>

#include <cmath>

#include "expect_vectors.h"
#include "fake_gl.h"

using namespace scene3d;
using testing_support::ActiveFakeTable;

TEST(VertexList, GrowsByBlocksAndMeasuresItsExtents) {
  TVertexList list(nullptr);
  TAxisBox box = list.Extents();
  EXPECT_TRUE(std::isinf(box.min.x) && box.min.x > 0 && std::isinf(box.max.z) && box.max.z < 0) << "empty: +inf and -inf";
  int changes = 0;
  list.OnChange = [&](TObject*) { ++changes; };
  list.AddVertex({1, -2, 3}, {0, 0, 1}, clrWhite, {0, 0});
  EXPECT_EQ(list.Capacity(), TVertexList::kGrowth);
  for (int i = 0; i < 256; ++i) list.AddVertex({-4, 0.5f, 0}, {0, 0, 1}, clrWhite, {0, 0});
  EXPECT_EQ(list.Capacity(), 2 * TVertexList::kGrowth);
  EXPECT_EQ(changes, 257);
  box = list.Extents();
  EXPECT_EQ(box.min.x, -4);
  EXPECT_EQ(box.max.x, 1);
  EXPECT_EQ(box.min.y, -2);
  EXPECT_EQ(box.max.z, 3);
}

TEST(Mesh, HandsEachVertexModeItsFieldsAndKeepsItsExtentsCurrent) {
  TGLMesh mesh(nullptr);
  ASSERT_EQ(mesh.Vertices().Count(), 3);
  ExpectNear(mesh.HalfExtents(), {1, 1, 0, 0}, 0, "the first triangle");
  mesh.Vertices().AddVertex({0, -3, 2}, {0, 0, 1}, clrWhite, {0, 0});
  ExpectNear(mesh.HalfExtents(), {1, 3, 2, 0}, 0, "a new vertex renews the cached extents");

  struct Case {
    TMeshVertexMode mode;
    std::vector<std::string> arrays;  // pointer calls in order
    bool colorMaterial;
  };
  const Case cases[] = {
      {vmV, {"VertexPointer"}, false},
      {vmVN, {"VertexPointer", "NormalPointer"}, false},
      {vmVNC, {"VertexPointer", "NormalPointer", "ColorPointer"}, true},
      {vmVNCT, {"VertexPointer", "NormalPointer", "ColorPointer", "TexCoordPointer"}, true},
      {vmVNT, {"VertexPointer", "NormalPointer", "ColorPointer", "TexCoordPointer"}, false},
      {vmVT, {"VertexPointer", "TexCoordPointer"}, false},
  };
  for (const Case& c : cases) {
    ActiveFakeTable fake;
    TGLStateCache states;
    RenderContextInfo rci;
    rci.GLStates = &states;
    mesh.SetVertexMode(c.mode);
    mesh.SetMode(mmTriangleFan);
    mesh.BuildList(rci);
    std::vector<std::string> arrays;
    for (const auto& call : fake.gl.calls)
      if (call.name.ends_with("Pointer")) {
        arrays.push_back(call.name);
        EXPECT_EQ(call.args[call.args.size() - 2], 48) << call.name << ": every field strides over whole records";
      }
    EXPECT_EQ(arrays, c.arrays) << "vertex mode " << int(c.mode);
    EXPECT_EQ(fake.gl.Count("ColorMaterial"), c.colorMaterial ? 1 : 0) << "vertex mode " << int(c.mode);
    EXPECT_EQ(fake.gl.Count("EnableClientState"), fake.gl.Count("DisableClientState"));
    const auto draw = std::find_if(fake.gl.calls.begin(), fake.gl.calls.end(), [](auto& call) { return call.name == "DrawArrays"; });
    ASSERT_NE(draw, fake.gl.calls.end());
    EXPECT_EQ(draw->args, (std::vector<double>{GL_TRIANGLE_FAN, 0, 4}));
  }
}
