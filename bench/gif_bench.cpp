// Decoding a 2000 x 2000 picture of 256 colours and encoding it back. The file is made once by
// ImageMagick (a seeded plasma reduced to 256 colours) at VELKORA_GIF_BENCH_FILE, or
// /tmp/velkora_bench_2000.gif, so ImageMagick can be timed on the very same file:
//   time convert /tmp/velkora_bench_2000.gif null:          (decode)
//   time convert /tmp/velkora_bench_2000.gif /tmp/out.gif   (decode and encode)
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "gif/gif_image.h"
#include "platform/binary_stream.h"

namespace {

std::string BenchFile() {
  const char* path = std::getenv("VELKORA_GIF_BENCH_FILE");
  return path && *path ? path : "/tmp/velkora_bench_2000.gif";
}

const platform::Bytes& FileBytes() {
  static const platform::Bytes bytes = [] {
    const std::string path = BenchFile();
    if (!platform::FileExists(path)) {
      const std::string make = "convert -seed 7 -size 2000x2000 plasma:fractal -colors 256 " + path;
      if (std::system(make.c_str()) != 0) std::fprintf(stderr, "could not make %s\n", path.c_str());
    }
    std::fprintf(stderr, "benchmark file: %s\n", path.c_str());
    return platform::ReadFileBytes(path);
  }();
  return bytes;
}

void BM_DecodeGif(benchmark::State& state) {
  const platform::Bytes& bytes = FileBytes();
  for (auto _ : state) {
    gif::TGIFImage image;
    platform::ByteReader reader(bytes);
    image.LoadFromStream(reader);
    benchmark::DoNotOptimize(image.Images()[0]->Data());
  }
  state.SetBytesProcessed(state.iterations() * int64_t(bytes.size()));
}
BENCHMARK(BM_DecodeGif)->Unit(benchmark::kMillisecond);

void EncodeWith(benchmark::State& state, int compression) {
  gif::TGIFImage image;
  platform::ByteReader reader(FileBytes());
  image.LoadFromStream(reader);
  image.Compression = compression;
  size_t written = 0;
  for (auto _ : state) {
    platform::ByteWriter writer;
    image.SaveToStream(writer);
    written = writer.Size();
    benchmark::DoNotOptimize(writer.Data().data());
  }
  state.counters["file_bytes"] = double(written);
}

void BM_EncodeGifLZW(benchmark::State& state) { EncodeWith(state, 0); }
BENCHMARK(BM_EncodeGifLZW)->Unit(benchmark::kMillisecond);

void BM_EncodeGifRunLength(benchmark::State& state) { EncodeWith(state, 1); }
BENCHMARK(BM_EncodeGifRunLength)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
