// The 3D preview on the driver at hand (Mesa llvmpipe here): frames per second while orbiting a
// 1,000 x 1,000 relief with the stock box, the axes, the tool and a 35,000-line toolpath in the main
// window's scene and viewer (500 x 533, frames read back as the widget paints them), at the three
// shading resolutions; and the time to make the surface's quads again after a change. The "fps"
// counter is frames per second.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "app/main_scene.h"
#include "app/relief_surface.h"
#include "bench/bench_relief.h"
#include "bench/widget_bench_main.h"
#include "scene3d/direct_opengl.h"
#include "scene3d/gl_egl_context.h"
#include "scene3d/render_context_info.h"
#include "scene3d/stage_viewer.h"

namespace {

constexpr int kSide = 1000;
constexpr int kToolpathLines = 35000;


// A relief of waves 5 units deep over 100 x 100 units, as the depth page builds it.
const machining::ReliefModel& Relief() {
  static const machining::ReliefModel model = BenchRelief(kSide, kSide, [](int c, int r) {
    return float(-2.5 + 2.5 * std::sin(c * 0.02) * std::cos(r * 0.027));
  });
  return model;
}

struct Preview {
  explicit Preview(app::SurfaceResolution resolution) {
    viewer.resize(500, 533);
    surface.model = &Relief();
    surface.pixelWidth = kSide;
    surface.pixelHeight = kSide;
    surface.resolution = resolution;
    scene.Surface().OnRender = [this](scene3d::TObject*, scene3d::RenderContextInfo& rci) {
      scene.SurfaceDrawing().Draw(surface, *rci.GLStates, progress);
    };
    machining::StockBox box;
    box.cubeHeight = box.cubeWidth = 100;
    box.cubeDepth = 5;
    box.positionX = box.positionY = 50;
    box.positionZ = -2.5f;
    box.axisScale = 25;
    scene.PlaceStockBox(box);
    scene.ShowStockBox(true);
    scene.FitToStockBox(box);
    scene.SetToolProfile({{0, 0}, {1.5f, 0}, {1.5f, 20}, {0, 20}});
    scene.ShowTool(true);
    // Zig-zag rows of feed moves 0.2 apart over the relief, 0.5 apart, joined by rapids.
    for (int line = 0, row = 0; line < kToolpathLines; ++row) {
      const float y = row * 0.5f;
      scene.AddToolpathNode(true, row % 2 ? 99.8f : 0.0f, y, 2);
      ++line;
      for (int i = 0; i < 500 && line < kToolpathLines; ++i, ++line) {
        const int column = row % 2 ? 499 - i : i;
        scene.AddToolpathNode(false, column * 0.2f, y, Relief().grid.At(column * 2, std::min(row * 5, kSide - 1)));
      }
    }
    scene.MoveTool(50, 50, 2);
  }
  scene3d::TGLStageViewer viewer;
  app::MainScene scene{viewer};
  app::ReliefSurface surface;
  NoSurfaceProgress progress;
};

bool HaveEGL(benchmark::State& state) {
  if (scene3d::GLProgramDisplay() != EGL_NO_DISPLAY) return true;
  state.SkipWithError("EGL is missing here");
  return false;
}

void BM_OrbitRelief(benchmark::State& state) {
  if (!HaveEGL(state)) return;
  Preview p(static_cast<app::SurfaceResolution>(state.range(0)));
  if (!p.viewer.RenderFrame()) state.SkipWithError("no frame");  // the context and the display list
  for (auto _ : state) {
    p.scene.Orbit(2, 1);
    p.viewer.RenderFrame();
  }
  state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_RebuildRelief(benchmark::State& state) {
  if (!HaveEGL(state)) return;
  Preview p(static_cast<app::SurfaceResolution>(state.range(0)));
  p.viewer.RenderFrame();
  for (auto _ : state) {
    p.scene.RebuildSurface();
    p.viewer.RenderFrame();
  }
}

}  // namespace

// 0 Coarse, 1 Medium, 2 Fine.
BENCHMARK(BM_OrbitRelief)->DenseRange(0, 2)->ArgName("resolution")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RebuildRelief)->DenseRange(0, 2)->ArgName("resolution")->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) { return RunWidgetBenchmarks(argc, argv); }
