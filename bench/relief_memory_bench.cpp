// The peak memory of the 3D surface of a very large picture at Fine, drawn once into the viewer on the
// driver at hand (Mesa llvmpipe here): 8000 x 8000 and 16384 x 16384 pixels, within the budget the
// machine gives (a quarter of its physical memory). "peak MB" is the process's peak resident memory
// (VmHWM) from just before the frame, the height grid already made; "grid MB" is the grid itself,
// "budget MB" the mesh's budget, "mesh MB" what the mesh counts ahead at the step drawn, "step" that
// step (1 unless the budget took a coarser one) and "s" the frame's time. Run one at a time: the
// larger takes some 7 GB.
#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <optional>
#include <string>

#include "app/main_scene.h"
#include "app/relief_surface.h"
#include "bench/bench_relief.h"
#include "bench/memory_peak.h"
#include "bench/widget_bench_main.h"
#include "scene3d/direct_opengl.h"
#include "scene3d/gl_egl_context.h"
#include "scene3d/render_context_info.h"
#include "scene3d/stage_viewer.h"

namespace {


void BM_FineSurfacePeakMemory(benchmark::State& state) {
  if (scene3d::GLProgramDisplay() == EGL_NO_DISPLAY) {
    state.SkipWithError("EGL is missing here");
    return;
  }
  const int side = int(state.range(0));
  for (auto _ : state) {
    machining::ReliefModel model =
        BenchRelief(side, side, [](int c, int r) { return -float((c + r) % 50) * 0.1f; });
    {
      scene3d::TGLStageViewer viewer;
      viewer.resize(500, 533);
      app::MainScene scene{viewer};
      app::ReliefSurface surface;
      surface.model = &model;
      surface.pixelWidth = surface.pixelHeight = side;
      surface.resolution = app::SurfaceResolution::Fine;
      surface.memoryBudget = app::SurfaceMemoryBudget();
      NoSurfaceProgress progress;
      std::optional<app::SurfaceBuildReport> report;
      scene.Surface().OnRender = [&](scene3d::TObject*, scene3d::RenderContextInfo& rci) {
        scene.SurfaceDrawing().Draw(surface, *rci.GLStates, progress);
        if (auto r = scene.SurfaceDrawing().TakeBuildReport()) report = r;
      };
      ResetPeak();
      QElapsedTimer clock;
      clock.start();
      const bool drawn = viewer.RenderFrame();
      state.counters["s"] = double(clock.nsecsElapsed()) / 1e9;
      state.counters["peak MB"] = StatusMegabytes("VmHWM");
      state.counters["grid MB"] = double(side) * side * sizeof(float) / 1048576.0;
      state.counters["budget MB"] = double(surface.memoryBudget) / 1048576.0;
      if (!drawn || !report || report->outcome != app::SurfaceBuildReport::Outcome::Built) {
        state.SkipWithError("the surface was not drawn");
        break;
      }
      state.counters["step"] = report->steps.reduced ? report->steps.step : 1;
      state.counters["mesh MB"] =
          double(app::SurfaceMeshBytes(side - 1, side - 1, report->steps.sx, report->steps.sy)) / 1048576.0;
      state.counters["quads"] = double(scene.SurfaceDrawing().QuadCount());
      if (state.counters["peak MB"] > state.counters["grid MB"] + state.counters["budget MB"] + 512)
        state.SkipWithError("the peak is above the grid and the budget");
    }
  }
}
BENCHMARK(BM_FineSurfacePeakMemory)->Arg(8000)->Arg(16384)->ArgName("side")->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) { return RunWidgetBenchmarks(argc, argv); }
