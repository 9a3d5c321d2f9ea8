// Making and freeing many scene objects: 10,000 cubes created under a scene's root and freed again,
// last made first as their owner frees them, and first made first as a user deletes them one by one.
// No context is needed: the cost is the tree, the owner's notifications and the change messages.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "scene3d/cube.h"
#include "scene3d/stage.h"

using namespace scene3d;

namespace {

void BM_CreateAndFreeCubes(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const bool firstFirst = state.range(1) != 0;
  std::vector<TGLCube*> cubes(static_cast<size_t>(count));
  for (auto _ : state) {
    auto scene = std::make_unique<TGLStage>(nullptr);
    for (int i = 0; i < count; ++i) {
      cubes[size_t(i)] = scene->Objects()->CreateChild<TGLCube>();
      cubes[size_t(i)]->Position().SetPointXYZ(float(i % 100), float(i / 100), 0);
    }
    if (firstFirst)
      for (TGLCube* cube : cubes) delete cube;
    scene.reset();
  }
  state.counters["objects/s"] =
      benchmark::Counter(double(count), benchmark::Counter::kIsIterationInvariantRate);
}

}  // namespace

// Arguments: the count of cubes; 0 freed by the scene, 1 freed one by one, first made first.
BENCHMARK(BM_CreateAndFreeCubes)
    ->Args({1000, 0})
    ->Args({10000, 0})
    ->Args({10000, 1})
    ->ArgNames({"cubes", "firstFirst"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK_MAIN();
