// Frames of the 3D view on the driver at hand (Mesa llvmpipe here), in the main window's viewer size
// of 500 x 533: a scene of 1,000 lit cubes, and a direct-drawing surface of 1,000 x 1,000 quads as
// the relief is drawn (compiled into a display list, as the program does, and drawn anew each frame).
// The "fps" counter is frames per second.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <cstdlib>

#include "scene3d/camera.h"
#include "scene3d/custom_scene_object.h"
#include "scene3d/direct_opengl.h"
#include "scene3d/gl_egl_context.h"
#include "scene3d/light_source.h"
#include "scene3d/memory_viewer.h"
#include "scene3d/stage.h"

using namespace scene3d;

namespace {

constexpr int kWidth = 500;
constexpr int kHeight = 533;

class Cube : public TGLStageObject {
 public:
  using TGLStageObject::TGLStageObject;
  void BuildList(RenderContextInfo&) override {
    TGLExtensionsAndEntryPoints& gl = ActiveGLTable();
    static const float n[6][3] = {{0, 0, 1}, {0, 0, -1}, {1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}};
    static const float v[6][4][3] = {
        {{-1, -1, 1}, {1, -1, 1}, {1, 1, 1}, {-1, 1, 1}},     {{-1, -1, -1}, {-1, 1, -1}, {1, 1, -1}, {1, -1, -1}},
        {{1, -1, -1}, {1, 1, -1}, {1, 1, 1}, {1, -1, 1}},     {{-1, -1, -1}, {-1, -1, 1}, {-1, 1, 1}, {-1, 1, -1}},
        {{-1, 1, -1}, {-1, 1, 1}, {1, 1, 1}, {1, 1, -1}},     {{-1, -1, -1}, {1, -1, -1}, {1, -1, 1}, {-1, -1, 1}}};
    gl.Begin(GL_QUADS);
    for (int f = 0; f < 6; ++f) {
      gl.Normal3fv(n[f]);
      for (int k = 0; k < 4; ++k) gl.Vertex3fv(v[f][k]);
    }
    gl.End();
  }
};

// The main window's kind of scene: an orthogonal camera aimed at a dummy, an omni light.
struct Scene {
  Scene() {
    target = scene.Objects()->CreateChild<TGLBaseSceneObject>();
    camera = scene.Objects()->CreateChild<TGLCamera>();
    camera->SetCameraStyle(csOrthogonal);
    camera->SetDepthOfView(10000);
    camera->SetFocalLength(2);
    camera->Position().SetPointXYZ(250, -250, 230);
    camera->Up().SetDirectionXYZ(0, 0, 1);
    camera->SetTargetObject(target);
    auto* light = scene.Objects()->CreateChild<TGLLightSource>();
    light->SetLightStyle(lsOmni);
    light->Position().SetPointXYZ(0, -100, 60);
    viewer.SetWidth(kWidth);
    viewer.SetHeight(kHeight);
    viewer.SetCamera(camera);
  }
  TGLStage scene{nullptr};
  TGLBaseSceneObject* target;
  TGLCamera* camera;
  TGLMemoryViewer viewer{nullptr};
};

bool HaveEGL(benchmark::State& state) {
  if (GLProgramDisplay() != EGL_NO_DISPLAY) return true;
  state.SkipWithError("EGL is missing here");
  return false;
}

void Frames(benchmark::State& state, TGLMemoryViewer& viewer) {
  viewer.Render();  // the context, the lists
  for (auto _ : state) viewer.Render();
  state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_ThousandObjects(benchmark::State& state) {
  if (!HaveEGL(state)) return;
  Scene s;
  for (int i = 0; i < 1000; ++i) {
    auto* cube = new Cube(&s.scene);
    s.scene.Objects()->AddChild(cube);
    cube->Position().SetPointXYZ(float((i % 10) * 20 - 90), float((i / 10 % 10) * 20 - 90), float(i / 100 * 20 - 90));
    cube->Material().FrontProperties().Diffuse().SetColor({float(i % 7) / 7, 0.5f, 1 - float(i % 5) / 5, 1});
  }
  Frames(state, s.viewer);
}

void BM_MillionQuads(benchmark::State& state) {
  if (!HaveEGL(state)) return;
  Scene s;
  auto* surface = s.scene.Objects()->CreateChild<TGLDirectOpenGL>();
  surface->SetUseBuildList(state.range(0) != 0);
  constexpr int kSide = 1000;
  surface->OnRender = [](TObject*, RenderContextInfo& rci) {
    rci.GLStates->EnableState(stColorMaterial);
    rci.GLStates->DisableState(stCullFace);
    TGLExtensionsAndEntryPoints& gl = ActiveGLTable();
    auto height = [](int x, int y) { return float(10 * std::sin(x * 0.01) * std::cos(y * 0.013)); };
    auto vertex = [&](int x, int y) {
      const float z = height(x, y);
      const float g = (z + 10) / 20;
      gl.Color3f(g, g, 1);
      gl.Vertex3f(x * 0.2f - 100, y * 0.2f - 100, z);
    };
    gl.Begin(GL_QUADS);
    for (int y = 1; y <= kSide; ++y)
      for (int x = 1; x <= kSide; ++x) {
        vertex(x - 1, y - 1);
        vertex(x, y - 1);
        vertex(x, y);
        vertex(x - 1, y);
      }
    gl.End();
    rci.GLStates->EnableState(stCullFace);
    rci.GLStates->DisableState(stColorMaterial);
  };
  Frames(state, s.viewer);
}

}  // namespace

BENCHMARK(BM_ThousandObjects)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MillionQuads)->Arg(1)->Arg(0)->ArgName("buildList")->Unit(benchmark::kMillisecond)->MinTime(3)->UseRealTime();

int main(int argc, char** argv) {
  // The buffer's colours read the desktop's system colours through Qt.
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
