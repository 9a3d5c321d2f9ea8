// Frames of real scenes on Mesa through EGL, read back from a memory viewer.
#include <gtest/gtest.h>

#include "scene3d/direct_opengl.h"
#include "scene3d/gl_transformation.h"
#include "scene3d/light_source.h"
#include "scene_fixture.h"

using namespace scene3d;
using testing_support::Rgb;
using testing_support::SceneFixture;
using testing_support::TestCube;
using testing_support::TestSphere;

namespace {
constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kRed{255, 0, 0};
}  // namespace

TEST(SceneRender, BackgroundFillsEveryPixelOfAnEmptyScene) {
  SKIP_WITHOUT_EGL();
  SceneFixture f(64, 48);
  f.viewer.Buffer().SetBackgroundColor(0x00336699);
  f.Render();
  const TGLOutputDevice& device = f.viewer.Buffer().Device();
  ASSERT_EQ(device.ImageWidth(), 64);
  ASSERT_EQ(device.ImageHeight(), 48);
  int wrong = 0;
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x) wrong += f.At(x, y) != Rgb{0x99, 0x66, 0x33};
  EXPECT_EQ(wrong, 0) << "every pixel is the background (red 0x99, green 0x66, blue 0x33)";
  EXPECT_EQ(f.viewer.Buffer().FrameCount(), 1);
  EXPECT_GT(f.viewer.Buffer().FramesPerSecond(), 0) << "set once the clock moved past the first frame";
}

TEST(SceneRender, MaterialsColourAndPolygonModes) {
  SKIP_WITHOUT_EGL();
  SceneFixture f;
  f.viewer.Buffer().SetLighting(false);
  auto* cube = new TestCube(&f.scene, 8);
  f.scene.Objects()->AddChild(cube);
  cube->Material().FrontProperties().Diffuse().SetColor({0, 1, 0, 1});
  f.Render();
  EXPECT_EQ(f.At(100, 100), (Rgb{0, 255, 0})) << "lighting off: the front diffuse colour";
  EXPECT_EQ(f.At(30, 100), kBlack) << "±10 units over 200 px: the cube's edge at x = -4 is pixel 60";

  cube->Material().FrontProperties().Diffuse().SetColor({1, 0, 0, 1});
  cube->Material().SetPolygonMode(pmLines);
  f.Render();
  EXPECT_EQ(f.At(100, 100), kBlack) << "lines only: the background shows in the middle";
  EXPECT_TRUE(f.At(140, 100) == kRed || f.At(139, 100) == kRed) << "the edge at x = +4 is drawn";
  EXPECT_EQ(f.At(150, 100), kBlack);

  cube->Material().SetPolygonMode(pmFill);
  cube->Material().SetBlendingMode(bmTransparency);
  cube->Material().FrontProperties().Diffuse().SetColor({1, 1, 1, 0.5f});
  f.Render();
  const Rgb half = f.At(100, 100);
  EXPECT_NEAR(half.r, 128, 2) << "half transparent white over black";
  EXPECT_EQ(half.r, half.g);
}

TEST(SceneRender, NineLightsTakeEightSlotsAndTheNinthNeverShines) {
  SKIP_WITHOUT_EGL();
  SceneFixture f;
  f.viewer.Buffer().SetAmbientColor({0, 0, 0, 1});
  auto* sphere = new TestSphere(&f.scene, 5);
  f.scene.Objects()->AddChild(sphere);
  sphere->Material().FrontProperties().Ambient().SetColor({0, 0, 0, 1});
  sphere->Material().FrontProperties().Diffuse().SetColor({1, 1, 1, 1});
  std::vector<TGLLightSource*> lights;
  for (int i = 0; i < 9; ++i) {
    auto* light = f.scene.Objects()->CreateChild<TGLLightSource>();
    light->SetLightStyle(lsOmni);
    light->Position().SetPointXYZ(0, 0, 100);
    light->SetShining(i == 8);
    lights.push_back(light);
  }
  for (int i = 0; i < 8; ++i) EXPECT_EQ(f.scene.Light(i), lights[size_t(i)]) << "slot " << i;
  EXPECT_EQ(lights[8]->LightID(), -1) << "no slot for the ninth";

  f.Render();
  EXPECT_EQ(f.At(100, 100), kBlack) << "lit by the ninth light only: nothing lights it";
  lights[8]->SetShining(false);
  lights[0]->SetShining(true);
  f.Render();
  EXPECT_GT(f.At(100, 100).r, 150) << "lit by the first light";

  delete lights[8];
  EXPECT_EQ(f.scene.Light(0), lights[0]) << "removing the unregistered light leaves slot 0 alone";
  f.Render();
  EXPECT_GT(f.At(100, 100).r, 150) << "and the first light still shines";
}

TEST(SceneRender, ProjectionAndViewAreWhatOpenGLHolds) {
  SKIP_WITHOUT_EGL();
  SceneFixture f(800, 600);
  f.camera->SetFocalLength(2);
  f.camera->SetDepthOfView(10000);
  auto* target = f.scene.Objects()->CreateChild<TGLBaseSceneObject>();
  f.camera->Position().SetPointXYZ(0, -10, 0);
  f.camera->Up().SetDirectionXYZ(0, 0, 1);
  f.camera->SetTargetObject(target);
  GLfloat projection[16] = {}, modelView[16] = {}, lookAt[16] = {};
  TMatrix4f pipelineProjection, pipelineView;
  f.viewer.SetPostRender([&](TObject*) {
    TGLExtensionsAndEntryPoints& gl = ActiveGLTable();
    TGLPipelineTransformation& pipeline = CurrentContext()->PipelineTransformation();
    pipelineProjection = pipeline.ProjectionMatrix();
    pipelineView = pipeline.ViewMatrix();
    gl.GetFloatv(GL_PROJECTION_MATRIX, projection);
    gl.GetFloatv(GL_MODELVIEW_MATRIX, modelView);
    auto gluLookAt = reinterpret_cast<void (*)(double, double, double, double, double, double, double, double, double)>(
        GLUProc("gluLookAt"));
    ASSERT_NE(gluLookAt, nullptr);
    gl.LoadIdentity();
    gluLookAt(0, -10, 0, 0, 0, 0, 0, 0, 1);
    gl.GetFloatv(GL_MODELVIEW_MATRIX, lookAt);
  });
  f.Render();
  EXPECT_NEAR(projection[0], 0.04, 1e-6);
  EXPECT_NEAR(projection[5], 0.0533333, 1e-6);
  EXPECT_NEAR(projection[10], -0.0002, 1e-8);
  for (int i = 0; i < 16; ++i) {
    EXPECT_FLOAT_EQ(projection[i], pipelineProjection[i / 4][i % 4]) << "projection element " << i;
    EXPECT_NEAR(lookAt[i], pipelineView[i / 4][i % 4], 1e-5) << "the camera's view is gluLookAt's, element " << i;
    EXPECT_NEAR(modelView[i], lookAt[i], 1e-5) << "and what OpenGL held at the end of the frame, element " << i;
  }

  f.camera->SetCameraStyle(csPerspective);
  f.camera->SetFocalLength(50);
  f.Render();
  EXPECT_NEAR(f.camera->NearPlane(), 0.472441, 1e-6) << "50 · 2 · 96 / (800 · 25.4)";
}

TEST(SceneRender, DirectDrawingCompiledOnceUntilItsStructureChanges) {
  SKIP_WITHOUT_EGL();
  SceneFixture f(32, 32);
  auto* direct = f.scene.Objects()->CreateChild<TGLDirectOpenGL>();
  int calls = 0;
  direct->OnRender = [&](TObject* sender, RenderContextInfo& rci) {
    ++calls;
    EXPECT_EQ(sender, direct);
    EXPECT_EQ(rci.buffer, &f.viewer.Buffer());
    rci.GLStates->SetColor({1, 0, 0, 1});
    ActiveGLTable().Begin(GL_QUADS);
    for (auto [x, y] : {std::pair{-5.0f, -5.0f}, {5.0f, -5.0f}, {5.0f, 5.0f}, {-5.0f, 5.0f}}) ActiveGLTable().Vertex2f(x, y);
    ActiveGLTable().End();
  };
  f.viewer.Buffer().SetLighting(false);
  f.Render();
  f.Render();
  EXPECT_EQ(calls, 2) << "without a build list the event runs every frame";
  direct->SetUseBuildList(true);
  calls = 0;
  f.Render();
  f.Render();
  EXPECT_EQ(calls, 1) << "compiled once over two frames";
  EXPECT_EQ(f.At(16, 16), kRed) << "and the list draws";
  direct->StructureChanged();
  f.Render();
  f.Render();
  EXPECT_EQ(calls, 2) << "compiled again after a structural change";
}

TEST(SceneRender, FramesWithoutSwapFrozenFramesAndNoCamera) {
  SKIP_WITHOUT_EGL();
  SceneFixture f(16, 16);
  f.viewer.Buffer().SetLighting(false);
  auto* cube = new TestCube(&f.scene, 40);
  f.scene.Objects()->AddChild(cube);
  cube->Material().FrontProperties().Diffuse().SetColor({1, 0, 0, 1});
  f.Render();
  const TGLOutputDevice& device = f.viewer.Buffer().Device();
  EXPECT_EQ(f.At(8, 8), kRed);

  f.viewer.Buffer().Freeze();
  cube->Material().FrontProperties().Diffuse().SetColor({0, 0, 1, 1});
  f.Render();
  EXPECT_EQ(f.At(8, 8), kRed) << "a frozen buffer shows the frame it kept";
  f.viewer.Buffer().DropFrozenImage();
  f.Render();
  EXPECT_EQ(f.At(8, 8), (Rgb{0, 0, 255}));

  const uint64_t shown = device.FrameCount();
  const int64_t drawn = f.viewer.Buffer().FrameCount();
  f.viewer.Buffer().SetContextOptions(roNoSwapBuffers);  // a structural change: the viewer makes a new context
  EXPECT_FALSE(f.viewer.Buffer().HasContext());
  f.Render();
  EXPECT_EQ(f.viewer.Buffer().FrameCount(), drawn + 1) << "drawn";
  EXPECT_EQ(device.FrameCount(), shown) << "not shown";

  f.viewer.Buffer().SetContextOptions(roDoubleBuffer);
  f.viewer.SetCamera(nullptr);
  f.viewer.Buffer().SetBackgroundColor(0x00FF00);
  f.Render();
  EXPECT_EQ(f.At(8, 8), (Rgb{0, 255, 0})) << "without a camera only the background";
}
