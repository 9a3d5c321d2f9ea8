// Building the height grid of a 4000 x 4000 true-colour picture, the largest the depth page
// usually sees.
#include <benchmark/benchmark.h>

#include "machining/relief.h"

namespace {

platform::Bitmap Picture(int side) {
  platform::Bitmap b(side, side, 24);
  uint32_t seed = 12345;
  for (int y = 0; y < side; ++y) {
    uint8_t* row = b.Row(y);
    for (size_t i = 0; i < static_cast<size_t>(side) * 3; ++i) {
      seed = seed * 1664525u + 1013904223u;
      row[i] = static_cast<uint8_t>(seed >> 24);
    }
  }
  return b;
}

void BM_ElaboraImmagine24(benchmark::State& state) {
  const int side = static_cast<int>(state.range(0));
  platform::Bitmap picture = Picture(side);
  machining::ReliefModel model;
  model.columns = side;
  model.rows = side;
  for (auto _ : state) {
    machining::ReliefBuild built = machining::ElaboraImmagine(model, &picture, false);
    benchmark::DoNotOptimize(built);
    benchmark::DoNotOptimize(model.grid.At(side / 2, side / 2));
  }
  state.SetItemsProcessed(state.iterations() * side * side);
}
BENCHMARK(BM_ElaboraImmagine24)->Arg(4000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
