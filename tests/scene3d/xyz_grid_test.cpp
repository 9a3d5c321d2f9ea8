// The XYZ grid's lines and line style through a recording OpenGL.
#include "scene3d/xyz_grid.h"

#include <gtest/gtest.h>

#include "fake_gl.h"

using namespace scene3d;
using testing_support::ActiveFakeTable;

namespace {

void SetScale(TGLSamplingScale& scale, float min, float max, float step) {
  scale.SetMin(min);
  scale.SetMax(max);
  scale.SetStep(step);
}

std::vector<std::vector<double>> Vertices(const testing_support::FakeGL& gl) {
  std::vector<std::vector<double>> out;
  for (const auto& call : gl.calls)
    if (call.name == "Vertex3fv") out.push_back(call.args);
  return out;
}

}  // namespace

TEST(XYZGrid, DrawsTheLinesOfItsPartsAsSegmentsOrWholeLines) {
  struct Case {
    uint8_t parts;
    TXYZGridLinesStyle style;
    size_t vertices;
    std::vector<double> first, second;
  };
  const Case cases[] = {
      // X lines at y = 0, 1, 2 and Y lines at x = -1, 0, 1: two segments each.
      {gpX | gpY, glsSegments, 2 * (3 * 2 + 3 * 2), {-1, 0, 0.5}, {0, 0, 0.5}},
      {gpX | gpY, glsLine, 2 * (3 + 3), {-1, 0, 0.5}, {1, 0, 0.5}},
      // Z lines only: X and Y sample their origins.
      {gpZ, glsLine, 2, {0.25, 0.75, 0.5}, {0.25, 0.75, 1.5}},
  };
  for (const Case& c : cases) {
    ActiveFakeTable fake;
    TGLStateCache states;
    RenderContextInfo rci;
    rci.GLStates = &states;
    TGLXYZGrid grid(nullptr);
    SetScale(grid.XSamplingScale(), -1, 1, 1);
    SetScale(grid.YSamplingScale(), 0, 2, 1);
    SetScale(grid.ZSamplingScale(), 0.5f, 1.5f, 1);
    // A disabled scale samples its origin only.
    grid.XSamplingScale().SetOrigin(c.parts == gpZ ? 0.25f : -1);
    grid.YSamplingScale().SetOrigin(c.parts == gpZ ? 0.75f : 0);
    grid.ZSamplingScale().SetOrigin(0.5f);
    grid.SetParts(c.parts);
    grid.SetLinesStyle(c.style);
    grid.BuildList(rci);
    const auto vertices = Vertices(fake.gl);
    ASSERT_EQ(vertices.size(), c.vertices) << "parts " << int(c.parts) << ", style " << int(c.style);
    EXPECT_EQ(vertices[0], c.first);
    EXPECT_EQ(vertices[1], c.second);
  }
}

TEST(XYZGrid, LineStyleOfATranslucentStippledLine) {
  ActiveFakeTable fake;
  TGLStateCache states;
  RenderContextInfo rci;
  rci.GLStates = &states;
  states.EnableState(stLighting);
  TGLXYZGrid grid(nullptr);
  SetScale(grid.XSamplingScale(), -1, 1, 1);
  SetScale(grid.YSamplingScale(), 0, 2, 1);
  grid.SetParts(gpX);
  grid.SetLinesStyle(glsLine);
  grid.LineColor().SetColor({1, 0, 0, 0.5f});
  grid.SetLinePattern(0x0F0F);
  grid.BuildList(rci);
  const auto vertices = Vertices(fake.gl);
  ASSERT_EQ(vertices.size(), 2u) << "Y is not a part: one X line at the Y origin";
  EXPECT_EQ(vertices[0], (std::vector<double>{-1, 0, 0}));
  EXPECT_EQ(vertices[1], (std::vector<double>{1, 0, 0}));
  EXPECT_FALSE(states.IsEnabled(stLighting));
  EXPECT_TRUE(states.IsEnabled(stLineStipple));
  EXPECT_TRUE(states.IsEnabled(stBlend)) << "stipple and a translucent colour blend";
  EXPECT_EQ(fake.gl.Count("Color4fv"), 1);
  EXPECT_FALSE(states.IsEnabled(stLineSmooth));

  // The grid's own smoothing smooths like the line style's anti-aliasing.
  grid.SetLinesSmoothing(true);
  grid.BuildList(rci);
  EXPECT_TRUE(states.IsEnabled(stLineSmooth));
  grid.SetLinesSmoothing(false);
  grid.SetAntiAliased(true);
  grid.BuildList(rci);
  EXPECT_TRUE(states.IsEnabled(stLineSmooth));
}
