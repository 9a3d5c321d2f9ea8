// A 4096 x 4096 picture on its way into a texture on Mesa: the 24-bit bitmap taken into an image
// (bytes kept or expanded to RGBA, rows turned) and uploaded, the import alone, the import narrowed to
// RGBA by our conversion before the upload, and the upload of RGBA alone.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>

#include "platform/bitmap.h"
#include "scene3d/gl_context.h"
#include "scene3d/gl_egl_context.h"
#include "scene3d/gl_image.h"
#include "scene3d/gl_output_device.h"

namespace {

using namespace scene3d;

constexpr int kSide = 4096;

platform::Bitmap NoiseBitmap() {
  platform::Bitmap bitmap(kSide, kSide, 24);
  uint32_t seed = 12345;
  for (size_t i = 0; i < bitmap.BitsSize(); ++i) {
    seed = seed * 1664525u + 1013904223u;
    bitmap.Bits()[i] = static_cast<uint8_t>(seed >> 24);
  }
  return bitmap;
}

// A current Mesa context with a 2D texture bound.
struct Texture {
  Texture() {
    if (GLProgramDisplay() == EGL_NO_DISPLAY) return;
    rc.reset(GLContextManager().CreateContext());
    rc->CreateOnDevice(&device);
    rc->Activate();
    handle = std::make_unique<TGLTextureHandle>(GLContextManager());
    handle->AllocateIdentifier();
    TGLStateCache& states = rc->GLStates();
    states.SetTextureBinding(states.ActiveTextureUnit(), ttTexture2D, handle->Identifier());
  }
  ~Texture() {
    handle.reset();
    if (rc) rc->Deactivate();
  }
  void Upload(TGLImage& image, GLenum internalFormat = GL_RGBA8) {
    int32_t w = 0, h = 0, d = 0;
    image.UploadToTexture(GL_TEXTURE_2D, 1, internalFormat, w, h, d);
    ActiveGLTable().Finish();
  }
  TGLOutputDevice device{dkMemory, 16, 16};
  std::unique_ptr<TGLContext> rc;
  std::unique_ptr<TGLTextureHandle> handle;
};

// With `narrow` our conversion makes RGBA of the picture before OpenGL sees it.
void BM_ImportBitmapAndUpload(benchmark::State& state, bool narrow) {
  Texture texture;
  if (!texture.rc) {
    state.SkipWithError("EGL is missing here");
    return;
  }
  const platform::Bitmap bitmap = NoiseBitmap();
  for (auto _ : state) {
    TGLImage image;
    image.Assign(bitmap);
    if (narrow) image.NarrowToRGBA8();
    texture.Upload(image);
  }
  state.SetLabel(narrow ? "narrowed to RGBA" : ActiveGLTable().EXT_bgra ? "BGR kept" : "expanded to RGBA");
  state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK_CAPTURE(BM_ImportBitmapAndUpload, AsImported, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ImportBitmapAndUpload, NarrowedFirst, true)->Unit(benchmark::kMillisecond);

// The import alone; the context is current so that its byte-order support decides as in use.
void BM_ImportBitmap(benchmark::State& state) {
  Texture texture;
  const platform::Bitmap bitmap = NoiseBitmap();
  for (auto _ : state) {
    TGLImage image;
    image.Assign(bitmap);
    benchmark::DoNotOptimize(image.PixelData().data());
  }
  state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(BM_ImportBitmap)->Unit(benchmark::kMillisecond);

void BM_UploadRGBA(benchmark::State& state) {
  Texture texture;
  if (!texture.rc) {
    state.SkipWithError("EGL is missing here");
    return;
  }
  TGLImage image;
  image.Assign(NoiseBitmap());
  image.NarrowToRGBA8();
  // The first upload gives the texture its storage; later ones of the same size reuse it.
  texture.Upload(image);
  for (auto _ : state) texture.Upload(image);
  state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(BM_UploadRGBA)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
