// The STL solid of a 1000 x 1000 relief (0.1 mm step, about 2 million facets, 100 MB):
//   BM_StlSolidFile   written to a file beside the others in the temporary folder, as Save does;
//   BM_StlSolidBytes  the facets alone, handed to a sink that keeps nothing.
// The relief has a black frame, so the rim's wall facets are left out as on a real picture's border.
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "bench/bench_relief.h"
#include "machining/stl_writer.h"

namespace {

using namespace machining;

const ReliefModel& Relief() {
  static const ReliefModel model = BenchRelief(1000, 1000, [](int c, int r) {
    const bool frame = c < 3 || r < 3 || c >= 997 || r >= 997;
    return frame ? -5.0f : -2.5f + 2.0f * std::sin(c * 0.013f) * std::cos(r * 0.021f);
  });
  return model;
}

void BM_StlSolidFile(benchmark::State& state) {
  const ReliefModel& model = Relief();
  const std::string path = (std::filesystem::temp_directory_path() / "velkora_stl_bench.stl").string();
  for (auto _ : state) WriteStlFile(path, model, true);
  std::filesystem::remove(path);
  state.SetBytesProcessed(state.iterations() * int64_t(kStlHeaderSize + kStlFacetSize * StlFacetCount(model, true)));
}
BENCHMARK(BM_StlSolidFile)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_StlSolidBytes(benchmark::State& state) {
  const ReliefModel& model = Relief();
  for (auto _ : state) {
    size_t total = 0;
    WriteStl(model, true, [&](const uint8_t* data, size_t size) {
      benchmark::DoNotOptimize(data);
      total += size;
    });
    benchmark::DoNotOptimize(total);
  }
}
BENCHMARK(BM_StlSolidBytes)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
