// Pixel work before a texture upload: a 4096 x 4096 picture converted to RGBA bytes (from the 24-bit
// BGR rows a bitmap gives, from RGBA itself and from DXT1 blocks), and a picture rescaled to
// power-of-two sizes for contexts that need them.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "scene3d/gl_constants.h"
#include "scene3d/image_rescaling.h"
#include "scene3d/pixel_conversion.h"

namespace {

using namespace scene3d;

constexpr int32_t kSide = 4096;

std::vector<uint8_t> Noise(size_t size) {
  std::vector<uint8_t> bytes(size);
  uint32_t seed = 12345;
  for (uint8_t& b : bytes) {
    seed = seed * 1664525u + 1013904223u;
    b = static_cast<uint8_t>(seed >> 24);
  }
  return bytes;
}

void Convert(benchmark::State& state, uint32_t colorFormat, uint32_t dataType) {
  const std::vector<uint8_t> source = Noise(ImageSizeInBytes(colorFormat, dataType, kSide, kSide));
  std::vector<uint8_t> rgba(static_cast<size_t>(kSide) * kSide * 4);
  for (auto _ : state) {
    ConvertImage(source, rgba, colorFormat, kSide, kSide, GL_UNSIGNED_BYTE, dataType, GL_RGBA);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kSide * kSide);
}

void BM_ConvertBGR8ToRGBA8(benchmark::State& state) { Convert(state, GL_BGR, GL_UNSIGNED_BYTE); }
BENCHMARK(BM_ConvertBGR8ToRGBA8)->Unit(benchmark::kMillisecond);

void BM_ConvertRGBA8ToRGBA8(benchmark::State& state) { Convert(state, GL_RGBA, GL_UNSIGNED_BYTE); }
BENCHMARK(BM_ConvertRGBA8ToRGBA8)->Unit(benchmark::kMillisecond);

void BM_ConvertDXT1ToRGBA8(benchmark::State& state) {
  Convert(state, GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, GL_COMPRESSED_RGBA_S3TC_DXT1_EXT);
}
BENCHMARK(BM_ConvertDXT1ToRGBA8)->Unit(benchmark::kMillisecond);

// A 1000 x 750 photograph brought to 1024 x 1024.
void BM_RescaleToPowerOf2(benchmark::State& state) {
  const std::vector<uint8_t> source = Noise(1000 * 750 * 4);
  std::vector<uint8_t> out(1024 * 1024 * 4);
  for (auto _ : state) {
    RescaleImage(source, out, GL_RGBA, GL_UNSIGNED_BYTE, 1000, 750, 1024, 1024, Lanczos3Filter);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * 1024 * 1024);
}
BENCHMARK(BM_RescaleToPowerOf2)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
