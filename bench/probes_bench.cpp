// Each probe over a 1000 x 1000 relief (0.1 mm step) with a 6 mm tool. One iteration probes one grid
// row of 1000 nodes, so the time per iteration in microseconds is the time per node in nanoseconds.
#include <benchmark/benchmark.h>

#include <cmath>

#include "machining/probes.h"

namespace {

using namespace machining;

const HeightGrid& Relief() {
  static const HeightGrid grid = [] {
    HeightGrid g;
    g.Resize(1000, 1000, 0.0f);
    for (int c = 0; c < 1000; ++c)
      for (int r = 0; r < 1000; ++r)
        g.At(c, r) = -2.5f + 2.0f * std::sin(c * 0.013f) * std::cos(r * 0.021f);
    return g;
  }();
  return grid;
}

ToolShape ShapeOfType(int type) {
  ToolShape s;
  s.toolType = type;
  s.diameter = 6.0;
  s.cornerRadius = 1.0;
  s.flatDiameter = 1.0;
  s.taperAngle = 30.0;
  return s;
}

void BM_Probe(benchmark::State& state) {
  const HeightGrid& grid = Relief();
  ProbeParams params;
  params.tool = ShapeOfType(static_cast<int>(state.range(0)));
  params.gridStep = 0.1f;
  params.stockToLeave = 0.2f;
  params.columnBound = grid.Columns();
  params.rows = grid.Rows();
  const ToolProbe probe(params);
  int32_t row = 0;
  for (auto _ : state) {
    // One grid row per iteration: 1000 nodes, edges included.
    for (int32_t column = 0; column < grid.Columns(); ++column) {
      float z = 0.0f;
      ToolCompensatedZ(probe, grid, column, row, z);
      benchmark::DoNotOptimize(z);
    }
    row = (row + 37) % grid.Rows();
  }
  state.SetItemsProcessed(state.iterations() * grid.Columns());
}

}  // namespace

BENCHMARK(BM_Probe)->Arg(kToolFlat)->Arg(kToolBullNose)->Arg(kToolSpherical)->Arg(kToolConicalFlat)
    ->Arg(kToolConicalSpherical)->ArgName("type");

BENCHMARK_MAIN();
