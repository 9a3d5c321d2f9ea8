// The tool-shape compensation over a 1000 x 1000 relief (0.1 mm step) with a 6 mm tool of each shape.
// One iteration handles one grid row of 1000 nodes, so the time per iteration in microseconds is the
// time per node in nanoseconds:
//   BM_Probe      the single-node probe (ToolCompensatedZ), a loop over the whole footprint;
//   BM_RowTips    a row's tips through a CompensationGrid cursor, as the pass builder asks them;
//   BM_ClearRow   the same row's moves from node to node raised until they clear the relief.
// Rows lie a quarter step off the grid rows, as the fitted stepover mostly puts them.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "machining/compensation_grid.h"
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

ToolProbe Probe(int type) {
  const HeightGrid& grid = Relief();
  ProbeParams params;
  params.tool.toolType = type;
  params.tool.diameter = 6.0;
  params.tool.cornerRadius = 1.0;
  params.tool.flatDiameter = 1.0;
  params.tool.taperAngle = 30.0;
  params.gridStep = 0.1f;
  params.stockToLeave = 0.2f;
  params.columnBound = grid.Columns();
  params.rows = grid.Rows();
  return ToolProbe(params);
}

void BM_Probe(benchmark::State& state) {
  const HeightGrid& grid = Relief();
  const ToolProbe probe = Probe(static_cast<int>(state.range(0)));
  int32_t row = 0;
  for (auto _ : state) {
    for (int32_t column = 0; column < grid.Columns(); ++column) {
      float z = 0.0f;
      ToolCompensatedZ(probe, grid, column, row, z);
      benchmark::DoNotOptimize(z);
    }
    row = (row + 37) % grid.Rows();
  }
  state.SetItemsProcessed(state.iterations() * grid.Columns());
}

void RunRows(benchmark::State& state, bool clear) {
  const HeightGrid& grid = Relief();
  const ToolProbe probe = Probe(static_cast<int>(state.range(0)));
  const CompensationGrid field(probe, grid);
  CompensationGrid::Cursor cursor(field);
  std::vector<float> z(static_cast<size_t>(grid.Columns()));
  int32_t row = 0;
  for (auto _ : state) {
    const double across = row + 0.25;
    cursor.RowTips(true, 0, across, grid.Columns(), z.data());
    if (clear) cursor.ClearRow(true, 0, across, grid.Columns(), z.data());
    benchmark::DoNotOptimize(z.data());
    row = (row + 37) % (grid.Rows() - 1);
  }
  state.SetItemsProcessed(state.iterations() * grid.Columns());
}

void BM_RowTips(benchmark::State& state) { RunRows(state, false); }
void BM_ClearRow(benchmark::State& state) { RunRows(state, true); }

}  // namespace

BENCHMARK(BM_Probe)->Arg(kToolFlat)->Arg(kToolBullNose)->Arg(kToolSpherical)->Arg(kToolConicalFlat)
    ->Arg(kToolConicalSpherical)->ArgName("type");
BENCHMARK(BM_RowTips)->Arg(kToolFlat)->Arg(kToolBullNose)->Arg(kToolSpherical)->Arg(kToolConicalFlat)
    ->Arg(kToolConicalSpherical)->ArgName("type");
BENCHMARK(BM_ClearRow)->Arg(kToolFlat)->Arg(kToolBullNose)->Arg(kToolSpherical)->Arg(kToolConicalFlat)
    ->Arg(kToolConicalSpherical)->ArgName("type");

BENCHMARK_MAIN();
