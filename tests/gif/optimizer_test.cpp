// The optimiser: whatever it changes, the picture shows the same after every frame that stays,
// for the same total time; and colour reduction of a whole picture keeps its transparency.
#include "gif/optimizer.h"

#include <gtest/gtest.h>

#include "gif/color_reduction.h"
#include "gif_oracle.h"

namespace {

using gif::TGIFImage;
using gif::TGIFSubImage;
using namespace gif_testing;

struct FrameSpec {
  int left, top, width, height;
  int disposal;
  int delay;
  int transparentIndex;  // -1: opaque
  int fill;              // every pixel, then a few others from the seed
  uint32_t seed;
  int loopRuns = -1;
};

std::unique_ptr<TGIFImage> Build(int width, int height, int colors, int background, const std::vector<FrameSpec>& specs,
                                 std::function<void(TGIFSubImage&, int)> paint = nullptr) {
  auto image = std::make_unique<TGIFImage>();
  image->Header().SetWidth(width);
  image->Header().SetHeight(height);
  image->Header().SetBackgroundColorIndex(uint8_t(background));
  for (int i = 0; i < colors; ++i)
    image->Header().ColorMap().Add(gif::TGIFColor{uint8_t(i * 40 % 256), uint8_t(255 - i * 3), uint8_t(i * 7)});
  for (size_t k = 0; k < specs.size(); ++k) {
    const FrameSpec& s = specs[k];
    auto frame = std::make_unique<TGIFSubImage>(image.get());
    if (s.loopRuns >= 0) {
      auto loop = std::make_unique<gif::TGIFAppExtNSLoop>(frame.get());
      loop->Loops = uint32_t(s.loopRuns);
      frame->Extensions().Add(std::move(loop));
    }
    auto control = std::make_unique<gif::TGIFGraphicControlExtension>(frame.get());
    control->SetDisposal(s.disposal);
    control->SetDelay(uint16_t(s.delay));
    if (s.transparentIndex >= 0) {
      control->SetTransparent(true);
      control->SetTransparentColorIndex(s.transparentIndex);
    }
    frame->Extensions().Add(std::move(control));
    frame->SetLeft(s.left);
    frame->SetTop(s.top);
    frame->NewImage(s.width, s.height, uint8_t(s.fill));
    uint32_t state = s.seed;
    for (size_t i = 0; s.seed && i < frame->DataSize(); ++i) {
      state = state * 1664525u + 1013904223u;
      if ((state >> 24) % 3 == 0) frame->Data()[i] = uint8_t((state >> 8) % uint32_t(colors));
    }
    if (paint) paint(*frame, int(k));
    image->Add(std::move(frame));
  }
  return image;
}

int TotalDelay(const TGIFImage& image) {
  int total = 0;
  for (const auto& frame : image.Images()) total += frame->Delay();
  return total;
}

// Optimises and checks that every frame that stays shows what it showed before.
void ExpectSameShow(TGIFImage& image, int options, const char* what) {
  SCOPED_TRACE(what);
  const platform::TColor background = platform::RGBColor(1, 2, 3);
  const std::vector<Picture> before = ComposeFrames(image, background);
  std::vector<const TGIFSubImage*> frames;
  for (const auto& f : image.Images()) frames.push_back(f.get());
  const int delay = TotalDelay(image);
  gif::Optimize(image, options, gif::rmNone, gif::dmNearest, 8);
  const std::vector<Picture> after = ComposeFrames(image, background);
  ASSERT_EQ(after.size(), size_t(image.Images().Count()));
  for (int i = 0; i < image.Images().Count(); ++i) {
    const auto old = std::find(frames.begin(), frames.end(), image.Images()[i]);
    ASSERT_NE(old, frames.end());
    EXPECT_EQ(Difference(before[size_t(old - frames.begin())], after[size_t(i)]), "") << "frame " << i;
  }
  EXPECT_EQ(Difference(before.back(), after.back()), "") << "the last picture";
  EXPECT_EQ(TotalDelay(image), delay);
}

TEST(GIFOptimizer, EveryStepKeepsWhatThePictureShows) {
  const std::vector<FrameSpec> specs = {
      {0, 0, 20, 16, 1, 10, -1, 2, 11, 4},  // opaque background frame, looping
      {0, 0, 20, 16, 1, 5, -1, 2, 11},      // the same but for a few pixels: merged, then cropped
      {3, 3, 6, 6, 1, 7, 4, 4, 0},          // shows nothing: goes, its time to the frame before
      {2, 2, 6, 6, 2, 3, -1, 1, 5},         // restores the background under a frame that covers it
      {0, 0, 20, 16, 1, 4, 3, 0, 9},        // transparent flag whose index the pixels never use
      {10, 8, 5, 5, 3, 6, -1, 5, 0},        // restores the previous, under a frame that restores too
      {9, 7, 8, 8, 3, 2, -1, 4, 3},
      {4, 4, 9, 3, 0, 8, 1, 1, 0},          // all transparent at the end
  };
  auto paint = [](TGIFSubImage& frame, int k) {
    if (k == 1)
      for (int y = 5; y < 9; ++y)
        for (int x = 7; x < 12; ++x) frame.Data()[size_t(y) * 20 + size_t(x)] = 5;
    if (k == 4)
      for (size_t i = 0; i < frame.DataSize(); ++i)
        if (frame.Data()[i] == 3) frame.Data()[i] = 2;
  };
  for (int options : {gif::ooColorMap, gif::ooCleanup, gif::ooMerge, gif::ooCrop, gif::ooMerge | gif::ooCrop,
                      gif::kOptimizeAll & ~gif::ooReduceColors}) {
    auto image = Build(20, 16, 6, 5, specs, paint);
    const gif::TGIFColor background = image->Header().ColorMap().Colors()[5];
    const size_t size = SaveBytes(*image).size();
    ExpectSameShow(*image, options, ("options " + std::to_string(options)).c_str());
    EXPECT_LE(SaveBytes(*image).size(), size);
    if (options & gif::ooColorMap) {
      EXPECT_TRUE(image->Header().ColorMap().Optimized());
      EXPECT_EQ(image->Header().ColorMap().Colors()[image->Header().BackgroundColorIndex()], background)
          << "the background index follows its colour";
    }
    if (options & gif::ooCleanup) {
      if (!(options & gif::ooMerge)) {
        EXPECT_FALSE(image->Images()[4 - ((options & gif::ooCrop) ? 1 : 0)]->Transparent());
      }
      EXPECT_EQ(image->Images()[3 - ((options & gif::ooCrop) ? 1 : 0)]->Disposal(), gif::dmNone);
      EXPECT_EQ(image->Images()[5 - ((options & gif::ooCrop) ? 1 : 0)]->Disposal(), gif::dmPrevious);
    }
    if (options & gif::ooCrop) {
      // The frame that shows nothing goes; the last one stays a pixel, because the frame before it
      // is taken away when it comes.
      EXPECT_EQ(image->Images().Count(), 7);
      EXPECT_EQ(image->Images()[6]->DataSize(), 1u);
      if (options & gif::ooMerge) {
        EXPECT_EQ(image->Images()[1]->BoundsRect(), (platform::Rect{7, 5, 12, 9})) << "only the changed block stays";
      }
    }
  }
}

TEST(GIFOptimizer, DeletedFramesPassOnTheirLoopAndTime) {
  auto image = Build(4, 4, 4, 0,
                     {{0, 0, 4, 4, 1, 10, -1, 1, 0}, {0, 0, 4, 4, 1, 20, 2, 2, 0, 5}, {0, 0, 4, 4, 1, 30, -1, 3, 0}});
  gif::Optimize(*image, gif::ooCrop, gif::rmNone, gif::dmNearest, 8);
  ASSERT_EQ(image->Images().Count(), 2);
  EXPECT_EQ(image->Images()[0]->Delay(), 30);
  const gif::TGIFAppExtNSLoop* loop = nullptr;
  for (const auto& e : image->Images()[1]->Extensions())
    if (auto* l = dynamic_cast<const gif::TGIFAppExtNSLoop*>(e.get())) loop = l;
  ASSERT_NE(loop, nullptr) << "the looping extension moved to the next frame";
  EXPECT_EQ(loop->Loops, 5u);

  // A first frame that shows nothing stays as one transparent pixel: nothing before it can wait.
  auto first = Build(4, 4, 4, 0, {{0, 0, 4, 4, 1, 10, 2, 2, 0}, {0, 0, 4, 4, 1, 20, -1, 3, 0}});
  gif::Optimize(*first, gif::ooCrop, gif::rmNone, gif::dmNearest, 8);
  ASSERT_EQ(first->Images().Count(), 2);
  EXPECT_EQ(first->Images()[0]->DataSize(), 1u);
  EXPECT_EQ(TotalDelay(*first), 30);
}

TEST(GIFOptimizer, MergeNeverTakesAnIndexTheFrameShows) {
  // The global map is full and the opaque frame shows every colour, including the transparent
  // index another frame has: it cannot be made transparent, so it stays as it was.
  auto image = Build(16, 16, 256, 0,
                     {{0, 0, 16, 16, 1, 10, -1, 0, 0}, {0, 0, 16, 16, 1, 10, -1, 0, 0}, {0, 0, 2, 2, 1, 10, 7, 7, 0}},
                     [](TGIFSubImage& frame, int k) {
                       for (size_t i = 0; k < 2 && i < frame.DataSize(); ++i) frame.Data()[i] = uint8_t(k == 0 ? i % 200 : i);
                     });
  const std::vector<uint8_t> pixels(image->Images()[1]->Data(), image->Images()[1]->Data() + 256);
  ExpectSameShow(*image, gif::ooMerge, "full map");
  EXPECT_FALSE(image->Images()[1]->Transparent());
  EXPECT_EQ(std::vector<uint8_t>(image->Images()[1]->Data(), image->Images()[1]->Data() + 256), pixels);

  // With room in the map, a new entry becomes the transparent index.
  auto roomy = Build(16, 16, 200, 0, {{0, 0, 16, 16, 1, 10, -1, 3, 5}, {0, 0, 16, 16, 1, 10, -1, 3, 5}});
  ExpectSameShow(*roomy, gif::ooMerge, "room in the map");
  ASSERT_TRUE(roomy->Images()[1]->Transparent());
  EXPECT_EQ(roomy->Images()[1]->TransparentIndex(), 200);
}

TEST(GIFOptimizer, ReductionKeepsTransparencyAndRefusesCallerPalettes) {
  auto image = Build(10, 10, 64, 0, {{0, 0, 10, 10, 1, 10, -1, 9, 3}, {2, 2, 5, 5, 1, 10, 4, 4, 8}});
  std::vector<bool> clear;
  for (size_t i = 0; i < 25; ++i) clear.push_back(image->Images()[1]->Data()[i] == 4);
  try {
    gif::Optimize(*image, gif::kOptimizeAll, gif::rmPalette, gif::dmNearest, 8);
    ADD_FAILURE();
  } catch (const gif::GIFException& e) {
    EXPECT_STREQ(e.what(), "Invalid reduction method");
  }
  EXPECT_EQ(image->Header().ColorMap().Count(), 64) << "refused before any change";
  for (auto [method, paletteSize] : {std::pair{gif::rmWindowsGray, 5}, std::pair{gif::rmGrayScale, 256}}) {
    auto copy = std::make_unique<TGIFImage>();
    copy->Assign(image.get());
    gif::ReduceImageColors(*copy, method, gif::dmFloydSteinberg, 8);
    EXPECT_EQ(copy->Header().ColorMap().Count(), paletteSize);
    const TGIFSubImage& frame = *copy->Images()[1];
    ASSERT_TRUE(frame.Transparent());
    for (size_t i = 0; i < 25; ++i) EXPECT_EQ(frame.Data()[i] == frame.TransparentIndex(), bool(clear[i])) << i;
    EXPECT_TRUE(copy->Images()[0]->ColorMap().Empty());
  }
}

}  // namespace
