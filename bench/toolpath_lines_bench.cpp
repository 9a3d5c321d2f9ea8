// A million-node toolpath in the 3D view's line object, as Calculate draws one: nodes added one at a
// time with their colour (rapid yellow, feed cyan) or as one batch, then the first frame (the display
// list compiled from all of them) and the frames after it, in the main window's viewer size.
// Counters: "bytes/node" is the resident memory the nodes took, "nodes/s" the adding rate, "fps"
// frames per second.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <fstream>
#include <vector>

#include "scene3d/camera.h"
#include "scene3d/gl_egl_context.h"
#include "scene3d/lines.h"
#include "scene3d/memory_viewer.h"
#include "scene3d/stage.h"

using namespace scene3d;

namespace {

constexpr int kNodes = 1000000;
constexpr TVector4f kRapid{1, 1, 0, 1}, kFeed{0, 1, 1, 1};

// Resident memory in bytes.
double ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return double(resident) * 4096;
}

// A zig-zag over 200 x 200: rows of 1,000 feed moves joined by rapids.
TLinesNodePoint PathPoint(int i) {
  const int row = i / 1000, column = i % 1000;
  const float x = float(row % 2 ? 1000 - column : column) * 0.2f - 100;
  return {{x, float(row) * 0.2f - 100, float(-(i % 7)) * 0.1f}, column == 0 ? kRapid : kFeed};
}

struct Scene {
  Scene() {
    camera = scene.Objects()->CreateChild<TGLCamera>();
    camera->SetCameraStyle(csOrthogonal);
    camera->SetDepthOfView(10000);
    camera->SetFocalLength(2);
    camera->Position().SetPointXYZ(0, 0, 500);
    camera->Direction().SetDirectionXYZ(0, 0, -1);
    lines = scene.Objects()->CreateChild<TGLLines>();
    lines->SetNodesAspect(lnaInvisible);
    lines->SetOptions(loUseNodeColorForLines);
    viewer.SetWidth(500);
    viewer.SetHeight(533);
    viewer.SetCamera(camera);
  }
  TGLStage scene{nullptr};
  TGLCamera* camera;
  TGLLines* lines;
  TGLMemoryViewer viewer{nullptr};
};

void BM_AddMillionNodes(benchmark::State& state) {
  const bool batch = state.range(0) != 0;
  double bytes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto s = std::make_unique<Scene>();
    std::vector<TLinesNodePoint> points;
    if (batch) {
      points.reserve(kNodes);
      for (int i = 0; i < kNodes; ++i) points.push_back(PathPoint(i));
    }
    const double before = ResidentBytes();
    state.ResumeTiming();
    if (batch) {
      s->lines->Nodes().AddNodes(points);
    } else {
      for (int i = 0; i < kNodes; ++i) {
        const TLinesNodePoint p = PathPoint(i);
        s->lines->AddNode(p.position.x, p.position.y, p.position.z, p.color);
      }
    }
    state.PauseTiming();
    // Freed memory stays with the process: the first round shows what the nodes take.
    bytes = std::max(bytes, ResidentBytes() - before);
    s.reset();
    state.ResumeTiming();
  }
  state.counters["bytes/node"] = bytes / kNodes;
  state.counters["nodes/s"] = benchmark::Counter(double(state.iterations()) * kNodes, benchmark::Counter::kIsRate);
}

void BM_RenderMillionNodes(benchmark::State& state) {
  if (GLProgramDisplay() == EGL_NO_DISPLAY) {
    state.SkipWithError("EGL is missing here");
    return;
  }
  Scene s;
  std::vector<TLinesNodePoint> points;
  for (int i = 0; i < kNodes; ++i) points.push_back(PathPoint(i));
  s.lines->Nodes().AddNodes(points);
  const bool compileEveryFrame = state.range(0) != 0;
  s.viewer.Render();
  for (auto _ : state) {
    // With a change, every frame compiles the list again (the first frame after Calculate).
    if (compileEveryFrame) s.lines->StructureChanged();
    s.viewer.Render();
  }
  state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK(BM_AddMillionNodes)->Arg(0)->Arg(1)->ArgName("batch")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RenderMillionNodes)->Arg(1)->Arg(0)->ArgName("compile")->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
