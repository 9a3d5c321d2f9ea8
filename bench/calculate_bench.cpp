// Calculate on a 1000 x 1000 picture of real content: smooth bumps on a gradient, 0.1 mm per pixel,
// white 0, black -5, filter 0.025. Spherical 6 mm tool at stepovers 0.5 and 0.1 mm with 0 and
// 90 degree rows, and every tool shape at 0.5 mm.
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>

#include "machining/calculate.h"
#include "machining/nc_words.h"
#include "machining/relief_model.h"

namespace {

using namespace machining;

const ReliefModel& Picture() {
  static const ReliefModel relief = [] {
    const int size = 1000;
    ReliefModel r;
    r.columns = r.rows = size;
    r.columnBound = size;
    r.unitsPerPixel = r.gridStep = 0.1f;
    r.width = r.height = (size - 1) * 0.1f;
    r.zWhite = 0.0f;
    r.zBlack = -5.0f;
    r.depth = 5.0f;
    r.grid.Resize(size, size, 0.0f);
    const float scale = r.depth / 255.0f;
    for (int c = 0; c < size; ++c)
      for (int row = 0; row < size; ++row) {
        double x = c / double(size), y = row / double(size);
        double bumps = 0.5 + 0.25 * std::sin(x * 18.0) * std::cos(y * 13.0) +
                       0.2 * std::exp(-((x - 0.4) * (x - 0.4) + (y - 0.6) * (y - 0.6)) * 40.0);
        double grey = std::clamp(255.0 * (0.6 * bumps + 0.4 * x), 0.0, 255.0);
        r.grid.At(c, row) = r.zWhite - r.depth + static_cast<float>(std::nearbyint(grey)) * scale;
      }
    return r;
  }();
  return relief;
}

void RunCalculate(benchmark::State& state, int32_t toolType, const char* stepover, bool rows0, bool rows90) {
  ReliefModel relief = Picture();
  NcWriter writer;  // the defaults are Fanuc-like ISO
  NcJob job;
  job.feedRateText = "1000";
  job.plungeRateText = "300";
  job.ncFileName = (std::filesystem::temp_directory_path() / "velkora_bench.nc").string();
  CalculateFields fields;
  fields.toolType = toolType;
  fields.toolDiameter = "6";
  fields.cornerRadius = toolType == kToolBullNose ? "1" : "3";
  fields.taperAngle = "30";
  fields.flatDiameter = "1";
  fields.maxStepover = stepover;
  fields.filterTolerance = "0.025";
  fields.rows0 = rows0;
  fields.rows90 = rows90;
  size_t bytes = 0;
  for (auto _ : state) {
    CalculateResult result = Calculate(fields, relief, writer, job);
    bytes = result.ncText.size();
    benchmark::DoNotOptimize(result.pathLength);
  }
  state.counters["nc_bytes"] = static_cast<double>(bytes);
  std::filesystem::remove(job.ncFileName);
}

void Spherical_0_5mm_0deg(benchmark::State& s) { RunCalculate(s, kToolSpherical, "0.5", true, false); }
void Spherical_0_5mm_90deg(benchmark::State& s) { RunCalculate(s, kToolSpherical, "0.5", false, true); }
void Spherical_0_5mm_0and90(benchmark::State& s) { RunCalculate(s, kToolSpherical, "0.5", true, true); }
void Spherical_0_1mm_0deg(benchmark::State& s) { RunCalculate(s, kToolSpherical, "0.1", true, false); }
void Spherical_0_1mm_0and90(benchmark::State& s) { RunCalculate(s, kToolSpherical, "0.1", true, true); }
void Flat_0_5mm(benchmark::State& s) { RunCalculate(s, kToolFlat, "0.5", true, false); }
void BullNose_0_5mm(benchmark::State& s) { RunCalculate(s, kToolBullNose, "0.5", true, false); }
void ConicalFlat_0_5mm(benchmark::State& s) { RunCalculate(s, kToolConicalFlat, "0.5", true, false); }
void ConicalSpherical_0_5mm(benchmark::State& s) { RunCalculate(s, kToolConicalSpherical, "0.5", true, false); }
void Drill_0_5mm(benchmark::State& s) { RunCalculate(s, kToolDrill, "0.5", true, false); }

BENCHMARK(Spherical_0_5mm_0deg)->Unit(benchmark::kMillisecond);
BENCHMARK(Spherical_0_5mm_90deg)->Unit(benchmark::kMillisecond);
BENCHMARK(Spherical_0_5mm_0and90)->Unit(benchmark::kMillisecond);
BENCHMARK(Spherical_0_1mm_0deg)->Unit(benchmark::kMillisecond);
BENCHMARK(Spherical_0_1mm_0and90)->Unit(benchmark::kMillisecond);
BENCHMARK(Flat_0_5mm)->Unit(benchmark::kMillisecond);
BENCHMARK(BullNose_0_5mm)->Unit(benchmark::kMillisecond);
BENCHMARK(ConicalFlat_0_5mm)->Unit(benchmark::kMillisecond);
BENCHMARK(ConicalSpherical_0_5mm)->Unit(benchmark::kMillisecond);
BENCHMARK(Drill_0_5mm)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
