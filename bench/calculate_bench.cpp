// Calculate on a 1000 x 1000 picture of real content: smooth bumps on a gradient, 0.1 mm per pixel,
// white 0, black -5, filter 0.025. Spherical 6 mm tool at stepovers 0.5 and 0.1 mm with 0 and
// 90 degree rows, and every tool shape at 0.5 mm. Then the fractal job: a smooth fractal picture
// of 1000 x 1000 pixels at 0.1 mm (every tool shape, 0.5 mm, both angles) and the same picture at
// 4000 x 4000 pixels of 0.025 mm (a 6 mm ball then covers some 45,000 nodes).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "machining/calculate.h"
#include "machining/nc_words.h"
#include "machining/relief_model.h"

namespace {

using namespace machining;

// A square picture of `size` pixels `step` apart whose grey level (0 black ... 255 white, before
// rounding) at (x, y) in the unit square is grey(x, y); white 0, black -5.
ReliefModel GreyPicture(int size, float step, double (*grey)(double x, double y)) {
  ReliefModel r;
  r.columns = r.rows = size;
  r.columnBound = static_cast<uint16_t>(size);
  r.unitsPerPixel = r.gridStep = step;
  r.width = r.height = (size - 1) * step;
  r.zWhite = 0.0f;
  r.zBlack = -5.0f;
  r.depth = 5.0f;
  r.grid.Resize(size, size, 0.0f);
  const float scale = r.depth / 255.0f;
  for (int c = 0; c < size; ++c)
    for (int row = 0; row < size; ++row) {
      const double level = std::clamp(grey(c / double(size), row / double(size)), 0.0, 255.0);
      r.grid.At(c, row) = r.zWhite - r.depth + static_cast<float>(std::nearbyint(level)) * scale;
    }
  return r;
}

// Smooth bumps on a gradient.
double Bumps(double x, double y) {
  const double bumps = 0.5 + 0.25 * std::sin(x * 18.0) * std::cos(y * 13.0) +
                       0.2 * std::exp(-((x - 0.4) * (x - 0.4) + (y - 0.6) * (y - 0.6)) * 40.0);
  return 255.0 * (0.6 * bumps + 0.4 * x);
}

const ReliefModel& Picture() {
  static const ReliefModel relief = GreyPicture(1000, 0.1f, Bumps);
  return relief;
}

// Value noise: a random lattice per octave, smoothly interpolated; six octaves from 4 to 128 cells
// across the picture, each of half the amplitude of the one before. A function of the position in
// the unit square, so the 4000 pixel picture is the 1000 pixel one sampled finer.
double Fractal(double x, double y) {
  auto lattice = [](uint32_t octave, int32_t i, int32_t j) {
    uint32_t h = octave * 0x9E3779B9u ^ static_cast<uint32_t>(i) * 0x85EBCA6Bu ^ static_cast<uint32_t>(j) * 0xC2B2AE35u;
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return static_cast<double>(h) / 4294967296.0;
  };
  auto smooth = [](double t) { return t * t * t * (t * (t * 6 - 15) + 10); };
  double sum = 0.0, amplitude = 1.0, total = 0.0;
  for (uint32_t octave = 0; octave < 6; ++octave) {
    const double cells = 4.0 * (1 << octave);
    const double u = x * cells, v = y * cells;
    const auto i = static_cast<int32_t>(std::floor(u)), j = static_cast<int32_t>(std::floor(v));
    const double fu = smooth(u - i), fv = smooth(v - j);
    const double a = lattice(octave, i, j), b = lattice(octave, i + 1, j);
    const double c = lattice(octave, i, j + 1), d = lattice(octave, i + 1, j + 1);
    sum += amplitude * ((a + (b - a) * fu) * (1 - fv) + (c + (d - c) * fu) * fv);
    total += amplitude;
    amplitude *= 0.5;
  }
  return sum / total;
}

// The noise's middle range stretched over the grey scale.
double FractalGrey(double x, double y) { return 255.0 * (2.0 * Fractal(x, y) - 0.5); }

const ReliefModel& Fractal1000() {
  static const ReliefModel relief = GreyPicture(1000, 0.1f, FractalGrey);
  return relief;
}

const ReliefModel& Fractal4000() {
  static const ReliefModel relief = GreyPicture(4000, 0.025f, FractalGrey);
  return relief;
}

double ProcessCpuSeconds() {
  rusage use{};
  getrusage(RUSAGE_SELF, &use);
  return use.ru_utime.tv_sec + use.ru_utime.tv_usec * 1e-6 + use.ru_stime.tv_sec + use.ru_stime.tv_usec * 1e-6;
}

void RunCalculate(benchmark::State& state, int32_t toolType, const char* stepover, bool rows0, bool rows90,
                  const ReliefModel& picture = Picture()) {
  ReliefModel relief = picture;
  NcWriter writer;  // the defaults are Fanuc-like ISO
  writer.postName = "iso";
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
  const double cpu0 = ProcessCpuSeconds();
  for (auto _ : state) {
    CalculateResult result = Calculate(fields, relief, writer, job);
    bytes = result.ncText.size();
    benchmark::DoNotOptimize(result.pathLength);
  }
  state.counters["nc_bytes"] = static_cast<double>(bytes);
  // The work of every thread per Calculate: on a busy machine the wall time says little.
  state.counters["cpu_ms_all_threads"] =
      (ProcessCpuSeconds() - cpu0) * 1000.0 / static_cast<double>(std::max<int64_t>(1, state.iterations()));
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

// The fractal job, 0.5 mm, both angles, every tool shape.
void Fractal1000_0and90(benchmark::State& s) {
  RunCalculate(s, static_cast<int32_t>(s.range(0)), "0.5", true, true, Fractal1000());
}
void Fractal4000_Spherical_0and90(benchmark::State& s) {
  RunCalculate(s, kToolSpherical, "0.5", true, true, Fractal4000());
}

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
BENCHMARK(Fractal1000_0and90)->UseRealTime()->ArgName("type")->Arg(kToolSpherical)->Arg(kToolFlat)->Arg(kToolBullNose)
    ->Arg(kToolConicalFlat)->Arg(kToolConicalSpherical)->Arg(kToolDrill)->Unit(benchmark::kMillisecond);
BENCHMARK(Fractal4000_Spherical_0and90)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
