// A drawing of 100,000 lines and 10,000 arcs saved and loaded: the object stream made in memory and
// written to a file, read back into a fresh drawing, and the same drawing written as DXF. Goal: save
// and load each under 100 ms. A block library of 50,000 blocks, each placing the one before it, loaded
// as at start-up: goal under a second.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>

#include "../tests/cad/chained_library.h"
#include "cad/blocks2d.h"
#include "cad/curves2d.h"
#include "cad/drawing.h"
#include "cad/dxf_write.h"
#include "cad/entities.h"
#include "platform/binary_stream.h"
#include "platform/stream.h"

namespace {

using namespace cad;

std::unique_ptr<TKQCmp2D> BigDrawing() {
  auto drawing = std::make_unique<TKQCmp2D>();
  for (int i = 0; i < 100000; ++i)
    drawing->AddObject(-1, std::make_unique<TLine2D>(-1, Point2D(i % 1000, i / 1000), Point2D(i % 1000 + 1, i / 1000 + 2)));
  for (int i = 0; i < 10000; ++i)
    drawing->AddObject(-1, std::make_unique<TArco2D>(-1, Point2D(i % 100, i / 100), Point2D(i % 100 + 3, i / 100), 0.5, 2.5));
  return drawing;
}

std::string TempFile(const char* name) { return (std::filesystem::temp_directory_path() / name).string(); }

void BM_SaveObjects(benchmark::State& state) {
  KQSysStartEntities();
  auto drawing = BigDrawing();
  const std::string path = TempFile("velkora_bench_drawing.kq");
  for (auto _ : state) {
    platform::ByteWriter w;
    drawing->SaveObjects(w);
    platform::WriteFileBytes(path, w.Data());
  }
  std::filesystem::remove(path);
  state.SetItemsProcessed(state.iterations() * 110000);
}

void BM_SaveObjectsToMemory(benchmark::State& state) {
  KQSysStartEntities();
  auto drawing = BigDrawing();
  for (auto _ : state) {
    platform::ByteWriter w;
    drawing->SaveObjects(w);
    benchmark::DoNotOptimize(w.Size());
  }
}

void BM_LoadObjects(benchmark::State& state) {
  KQSysStartEntities();
  const std::string path = TempFile("velkora_bench_drawing_load.kq");
  {
    auto drawing = BigDrawing();
    platform::ByteWriter w;
    drawing->SaveObjects(w);
    platform::WriteFileBytes(path, w.Data());
  }
  for (auto _ : state) {
    auto loaded = std::make_unique<TKQCmp2D>();
    const platform::Bytes bytes = platform::ReadFileBytes(path);
    platform::ByteReader r(bytes);
    loaded->LoadObjects(r, "KQ-002");
    benchmark::DoNotOptimize(loaded->NumObjects());
    // Freeing the drawing is not loading it.
    state.PauseTiming();
    loaded.reset();
    state.ResumeTiming();
  }
  std::filesystem::remove(path);
  state.SetItemsProcessed(state.iterations() * 110000);
}

void BM_WriteDXF(benchmark::State& state) {
  KQSysStartEntities();
  auto drawing = BigDrawing();
  const std::string path = TempFile("velkora_bench_drawing.dxf");
  for (auto _ : state) {
    TDXF2DExport dxf(path, drawing.get());
    dxf.WriteDXF();
    dxf.Finish();
  }
  std::filesystem::remove(path);
  state.SetItemsProcessed(state.iterations() * 110000);
}

}  // namespace

void BM_LoadChainedLibrary(benchmark::State& state) {
  KQSysStartEntities();
  const platform::Bytes library = ChainedLibrary(50000, 1);
  for (auto _ : state) {
    TKQCmp2D drawing;
    platform::MemoryStream stream(library);
    drawing.LoadLibrary(stream);
    benchmark::DoNotOptimize(drawing.NumSourceBlocks());
  }
  state.counters["bytes"] = double(library.size());
}

BENCHMARK(BM_SaveObjectsToMemory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveObjects)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadObjects)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteDXF)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadChainedLibrary)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
