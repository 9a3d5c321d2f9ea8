// A picture's memory budget: what its frames cache once drawn counts from the start, the composed
// bitmap and the painters' work bitmaps while they live, and a memory limit of the process ends in
// the GIF error, never in a crash.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <fstream>

#include "gif/gif_image.h"
#include "gif/painter.h"
#include "gif_builder.h"
#include "platform/gui_calls.h"

namespace {

using gif::TGIFImage;
using gif_testing::GifBuilder;

// `frames` transparent frames of width x height that restore the background, each no more than a
// clear and an end code: a file of a few dozen bytes a frame.
platform::Bytes Blank(int width, int height, int frames) {
  GifBuilder gif;
  gif.Header(width, height, 2).Loop(0);
  for (int i = 0; i < frames; ++i) gif.GraphicControl(2, 1, true, 0).Image(0, 0, width, height).Codes(1, {2, 3});
  gif.Trailer();
  return gif.Bytes();
}

std::string LoadError(TGIFImage& image, const platform::Bytes& bytes) {
  platform::ByteReader reader(bytes);
  try {
    image.LoadFromStream(reader);
  } catch (const gif::GIFException& e) {
    return e.what();
  }
  return "";
}

TEST(GIFMemoryBudget, FramesCountWhatTheyCacheAndDrawingCountsItsBitmaps) {
  // Three frames of 8192 x 4096 hold 96 MB of indices, but 672 MB once drawn: refused at once.
  const platform::Bytes tooLarge = Blank(8192, 4096, 3);
  EXPECT_LT(tooLarge.size(), 200u);
  TGIFImage refused;
  EXPECT_EQ(LoadError(refused, tooLarge), "Image is too large");
  EXPECT_EQ(refused.BytesInUse(), 0);
  EXPECT_TRUE(refused.GetEmpty());

  TGIFImage image;
  ASSERT_EQ(LoadError(image, Blank(40, 30, 3)), "");
  const int64_t frames = 3 * 40 * 30 * gif::kFrameBytesPerPixel;
  EXPECT_EQ(image.BytesInUse(), frames);
  platform::Canvas canvas(40, 30);
  image.Draw(canvas, {0, 0, 40, 30});
  ASSERT_NE(image.DrawPainter(), nullptr);
  // The composed bitmap, and the painter's backup, frame and background bitmaps.
  EXPECT_EQ(image.BytesInUse(), frames + 4 * 40 * 30 * gif::kBitmapBytesPerPixel);
  image.StopDraw();
  EXPECT_EQ(image.BytesInUse(), frames);
  image.Clear();
  EXPECT_EQ(image.BytesInUse(), 0);
}

// Memory the process has mapped, in bytes.
uint64_t MappedBytes() {
  std::ifstream statm("/proc/self/statm");
  uint64_t pages = 0;
  statm >> pages;
  return pages * uint64_t(sysconf(_SC_PAGESIZE));
}

// Exits 0 when animating a picture within the budget but beyond the memory left ends in the GIF
// error, 1 when everything fitted, 2 on any other error.
[[noreturn]] void AnimateUnderALimit() {
  TGIFImage image;
  try {
    const platform::Bytes bytes = Blank(4096, 4096, 2);
    platform::ByteReader reader(bytes);
    image.LoadFromStream(reader);
    const uint64_t limit = MappedBytes() + (uint64_t(200) << 20);
    const rlimit memory{limit, limit};
    if (setrlimit(RLIMIT_AS, &memory) != 0) _exit(3);
    platform::Canvas canvas(64, 64);
    for (int i = 0; i < 50; ++i) {
      image.Draw(canvas, {0, 0, 64, 64});
      platform::GuiCalls::Instance().Drain();
      usleep(10000);
    }
    image.StopDraw();
  } catch (const gif::GIFException& e) {
    const std::string text = e.what();
    _exit(text == "Image is too large" || text == "Failed to allocate memory for GIF DIB" ? 0 : 2);
  } catch (...) {
    _exit(2);
  }
  _exit(1);
}

TEST(GIFMemoryBudget, AMemoryLimitEndsInTheGIFError) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(AnimateUnderALimit(), testing::ExitedWithCode(0), "");
}

}  // namespace
