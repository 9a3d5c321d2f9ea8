// Saves long enough to need the progress bar, written to the temporary folder as Save writes them:
//   BM_DocumentFile       a 24-bit 4096 x 4096 picture's document (48 MB), streamed row by row with its
//                         progress reported, as Save does now;
//   BM_DocumentWhole      the same document made whole in memory first and then written, as before;
//   BM_StlSolidProgress   the STL solid of a 1000 x 1000 relief (100 MB) with its progress reported;
//                         compare BM_StlSolidFile of stl_bench, which reports none.
// Both scale with the bytes: the 805 MB document of a 16384 x 16384 picture and the 6.4 GB STL file
// of an 8000 x 8000 relief take about 17 and 64 times as long.
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "bench/bench_relief.h"
#include "machining/document_record.h"
#include "machining/stl_writer.h"
#include "platform/binary_stream.h"
#include "platform/bitmap.h"

namespace {

using namespace machining;

std::string TemporaryFile(const char* name) { return (std::filesystem::temp_directory_path() / name).string(); }

const platform::Bitmap& Picture() {
  static const platform::Bitmap picture = [] {
    platform::Bitmap b(4096, 4096, 24);
    for (int y = 0; y < b.Height(); ++y) {
      uint8_t* row = b.Row(y);
      for (size_t i = 0; i < b.Stride(); ++i) row[i] = static_cast<uint8_t>(i * 7 + y);
    }
    return b;
  }();
  return picture;
}

TDocumentRecord Record() {
  TDocumentRecord r;
  r.width = r.height = 100.0f;
  r.zBlack = -5.0f;
  r.tool.diameter = 3.0f;
  r.depthCuts = 1;
  return r;
}

void BM_DocumentFile(benchmark::State& state) {
  const std::string path = TemporaryFile("velkora_save_bench.qvx");
  int reported = 0;
  for (auto _ : state) WriteDocumentFile(path, Picture(), Record(), [&](int percent) { reported = percent; });
  benchmark::DoNotOptimize(reported);
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(std::filesystem::file_size(path)));
  std::filesystem::remove(path);
}
BENCHMARK(BM_DocumentFile)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DocumentWhole(benchmark::State& state) {
  const std::string path = TemporaryFile("velkora_save_bench_whole.qvx");
  for (auto _ : state) platform::WriteFileBytes(path, DocumentBytes(Picture(), Record()));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(std::filesystem::file_size(path)));
  std::filesystem::remove(path);
}
BENCHMARK(BM_DocumentWhole)->Unit(benchmark::kMillisecond)->UseRealTime();

const ReliefModel& Relief() {
  static const ReliefModel model = BenchRelief(
      1000, 1000, [](int c, int r) { return -2.5f + 2.0f * std::sin(c * 0.013f) * std::cos(r * 0.021f); });
  return model;
}

void BM_StlSolidProgress(benchmark::State& state) {
  const std::string path = TemporaryFile("velkora_save_bench.stl");
  int reported = 0;
  for (auto _ : state) WriteStlFile(path, Relief(), true, [&](int percent) { reported = percent; });
  benchmark::DoNotOptimize(reported);
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(std::filesystem::file_size(path)));
  std::filesystem::remove(path);
}
BENCHMARK(BM_StlSolidProgress)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
