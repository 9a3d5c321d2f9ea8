// Sampling scales and the height field: which samples it asks for, the strips and normals it sends
// (a recording OpenGL), and the surface it draws on Mesa.
#include "scene3d/height_field.h"

#include <gtest/gtest.h>

#include <cmath>

#include "fake_gl.h"
#include "scene_fixture.h"

using namespace scene3d;
using testing_support::ActiveFakeTable;
using testing_support::Rgb;
using testing_support::SceneFixture;

TEST(SamplingScale, StepCountBaseAndLoop) {
  TGLSamplingScale scale(nullptr);
  scale.SetMax(1);
  EXPECT_EQ(scale.StepCount(), 10) << "(1 - 0) / 0.1 + 0.5 as singles lies just below 10.5";
  EXPECT_TRUE(scale.IsValid());
  scale.SetStep(0);
  EXPECT_EQ(scale.Step(), 1) << "a step of 0 is stored as 1";
  scale.SetStep(-3);
  EXPECT_EQ(scale.Step(), 1);
  scale.SetMin(2);
  EXPECT_EQ(scale.Max(), 2) << "Min above max raises max";
  EXPECT_FALSE(scale.IsValid());
  scale.SetMax(-1);
  EXPECT_EQ(scale.Min(), -1) << "max below Min lowers Min";

  struct Case {
    float min, origin, step, base;
  };
  const Case cases[] = {
      {0, 0, 0.25f, 0},        // origin at Min
      {-1, 0, 0.5f, -1},       // origin above Min on the lattice
      {0.1f, 0, 0.25f, 0.25f}, // first lattice point above Min
      {0, -1, 0.25f, 0},       // origin below Min, a whole number of steps: Min itself is sampled
      {0, -0.9f, 0.25f, 0.1f}, // origin below Min between lattice points
      {-2, -3, 1, -2},
  };
  for (const Case& c : cases) {
    TGLSamplingScale s(nullptr);
    s.SetMin(c.min);
    s.SetMax(c.min + 10);
    s.SetStep(c.step);
    s.SetOrigin(c.origin);
    EXPECT_NEAR(s.StepBase(), c.base, 1e-6) << "Min " << c.min << ", origin " << c.origin << ", step " << c.step;
  }

  TGLSamplingScale loop(nullptr);
  loop.SetMax(1);
  loop.SetOrigin(0.35f);
  float start, step, end;
  loop.SetupLoop(false, start, step, end);
  EXPECT_EQ(start, 0.35f);
  EXPECT_EQ(end, 0.35f);
  loop.SetupLoop(true, start, step, end);
  EXPECT_EQ(LoopSampleCount(start, step, end), 10) << "the origin's lattice: 0.05..0.95";
  EXPECT_EQ(LoopSampleCount(0, 0.1f, 1 + 1e-5f), 11) << "the sample at max is kept";
}

// Fine steps once ran past max (the tolerance grew with the count) and a step of 1e-30 never ended.
TEST(SamplingScale, LoopsEndAtMaxAndStayBounded) {
  struct Case {
    float step;
    int32_t count;
  } cases[] = {{0.5f, 5}, {0.1f, 21}, {0.001f, 2001}, {1e-4f, 20001}, {1e-30f, kMaxLoopSamples}};
  for (const Case& c : cases) {
    TGLSamplingScale scale(nullptr);
    scale.SetMin(-1);
    scale.SetMax(1);
    scale.SetStep(c.step);
    float start, step, end;
    scale.SetupLoop(true, start, step, end);
    const int32_t count = LoopSampleCount(start, step, end);
    EXPECT_EQ(count, c.count) << "step " << c.step;
    float largest = -2;
    for (int32_t i = 0; i < count; ++i) largest = std::max(largest, LoopSample(start, step, end, i));
    EXPECT_LE(largest, 1.0f) << "step " << c.step;
    if (c.count < kMaxLoopSamples) {
      EXPECT_EQ(LoopSample(start, step, end, count - 1), 1.0f) << "step " << c.step;
    }
  }
  EXPECT_EQ(LoopSampleCount(1, 0.1f, 0), 0) << "start past end";
  EXPECT_EQ(LoopSampleCount(0.5f, 0.1f, 0.5f), 1) << "a disabled axis: one sample at the origin";
}

namespace {

struct FieldDrawing {
  FieldDrawing() {
    rci.GLStates = &states;
    field.XSamplingScale().SetMin(-1);
    field.XSamplingScale().SetMax(1);
    field.XSamplingScale().SetStep(0.5f);
    field.YSamplingScale().SetMax(1);
    field.YSamplingScale().SetStep(0.25f);
    field.YSamplingScale().SetOrigin(-1);
  }
  ActiveFakeTable fake;
  TGLStateCache states;
  RenderContextInfo rci;
  TGLHeightField field{nullptr};
};

}  // namespace

TEST(HeightField, AsksForEverySampleAndSendsStripsWithTheSurfaceNormals) {
  FieldDrawing d;
  std::vector<std::pair<float, float>> asked;
  d.field.OnGetHeight = [&](float x, float y, float& z, TVector4f& color, TTexPoint& tex) {
    asked.emplace_back(x, y);
    z = x + 2 * y;
    color = {1, 0, 0, 1};
    tex = {x, y};
  };
  d.field.SetColorMode(hfcmDiffuse);
  d.field.BuildList(d.rci);
  ASSERT_EQ(asked.size(), 25u) << "5 columns from -1 to 1, 5 rows from 0 to 1";
  EXPECT_EQ(asked.front(), std::make_pair(-1.0f, 0.0f)) << "an origin a whole number of steps below Min keeps row 0";
  EXPECT_EQ(asked.back(), std::make_pair(1.0f, 1.0f));

  const auto& calls = d.fake.gl.calls;
  EXPECT_EQ(d.fake.gl.Count("Begin"), 4) << "one strip between each two rows";
  EXPECT_EQ(d.fake.gl.Count("Vertex3f"), 4 * 10);
  EXPECT_EQ(d.fake.gl.Count("Color4fv"), 4 * 10);
  EXPECT_EQ(d.fake.gl.Count("TexCoord2fv"), 0) << "texture points only when asked for";
  const TVector3f n = AffineNormalized(TVector3f{-1, -2, 1});
  int normals = 0;
  for (const auto& call : calls) {
    if (call.name != "Normal3fv") continue;
    ++normals;
    ASSERT_NEAR(call.args[0], n.x, 1e-5) << "every normal of a plane is the plane's, edges included";
    ASSERT_NEAR(call.args[1], n.y, 1e-5);
    ASSERT_NEAR(call.args[2], n.z, 1e-5);
  }
  EXPECT_EQ(normals, 40);
  // The first strip starts with the upper row, so its triangles face +Z.
  for (const auto& call : calls)
    if (call.name == "Vertex3f") {
      EXPECT_EQ(call.args, (std::vector<double>{-1, 0.25, -1 + 0.5}));
      break;
    }
  EXPECT_EQ(d.fake.gl.Count("ColorMaterial"), 1);
  EXPECT_FALSE(d.states.IsEnabled(stCullFace)) << "two-sided by default";

  d.fake.gl.ClearCalls();
  d.field.YSamplingScale().SetMax(0);
  d.field.BuildList(d.rci);
  EXPECT_EQ(d.fake.gl.Count("Begin"), 0) << "a scale with Min = max draws nothing";
}

TEST(HeightField, CoversItsDomainOnMesa) {
  SKIP_WITHOUT_EGL();
  SceneFixture f;
  f.viewer.Buffer().SetLighting(false);
  auto* field = f.scene.Objects()->CreateChild<TGLHeightField>();
  for (TGLSamplingScale* s : {&field->XSamplingScale(), &field->YSamplingScale()}) {
    s->SetMin(-5);
    s->SetMax(5);
    s->SetStep(0.5f);
  }
  field->SetColorMode(hfcmDiffuse);
  field->OnGetHeight2 = [&](TObject* sender, float, float, float& z, TVector4f& color, TTexPoint&) {
    EXPECT_EQ(sender, field);
    z = 0;
    color = {1, 0, 0, 1};
  };
  f.Render();
  // ±10 units over 200 pixels: the field spans pixels 50..149 each way.
  EXPECT_EQ(f.At(52, 52), (Rgb{255, 0, 0}));
  EXPECT_EQ(f.At(147, 147), (Rgb{255, 0, 0}));
  EXPECT_EQ(f.At(100, 100), (Rgb{255, 0, 0}));
  EXPECT_EQ(f.At(45, 100), (Rgb{0, 0, 0}));
  EXPECT_EQ(f.At(100, 154), (Rgb{0, 0, 0}));
}
