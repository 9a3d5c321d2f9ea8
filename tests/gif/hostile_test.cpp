// Hostile files: every truncation of a few files, byte flips, huge sizes, broken code streams.
// Each load ends with warnings or GIFException: no other error, no crash, no hang, and no single
// allocation beyond the pixel budget. A picture that loads is also drawn, animated and written.
//
// CI runs a short corpus; VELKORA_GIF_HOSTILE_LONG=1 runs the long one (every truncation of every
// file and a quarter of a million flips), meant for an AddressSanitizer build.
#include <gtest/gtest.h>

#include <cstdlib>
#include <utility>

#include "gif/painter.h"
#include "gif_builder.h"
#include "gif_oracle.h"
#include "platform/largest_allocation.h"

namespace {

using gif::TGIFImage;
using namespace gif_testing;

bool LongRun() {
  const char* value = std::getenv("VELKORA_GIF_HOSTILE_LONG");
  return value && *value && std::string(value) != "0";
}

struct Outcome {
  int loaded = 0;
  int refused = 0;
};

// Loads `bytes`; on success draws every frame, runs the animation once and writes the picture.
void Exercise(const platform::Bytes& bytes, Outcome& outcome, const std::string& what, bool animate = true) {
  TGIFImage image;
  int warnings = 0;
  image.OnWarning = [&](TGIFImage&, const gif::TGIFItem*, gif::TGIFSeverity, const std::string&) { ++warnings; };
  try {
    platform::ByteReader reader(bytes);
    image.LoadFromStream(reader);
    ++outcome.loaded;
    platform::Canvas canvas(16, 12, platform::clWhite);
    image.DrawOptions = gif::DrawTransparent | gif::DrawTile;
    image.Draw(canvas, {0, 0, 16, 12});
    image.AnimationSpeed = 1000000;
    // A painter on this thread waits at least a millisecond a frame.
    if (animate) image.Paint(canvas, {1, 1, 15, 11}, gif::DrawTransparent | gif::DrawAnimate | gif::DrawClearOnLoop);
    platform::ByteWriter out;
    image.SaveToStream(out);
  } catch (const gif::GIFException&) {
    ++outcome.refused;
  } catch (const std::exception& e) {
    ADD_FAILURE() << what << ": " << typeid(e).name() << " " << e.what();
  }
}

platform::Bytes WriterAnimation() {
  TGIFImage image;
  for (int i = 0; i < 8; ++i) image.Header().ColorMap().Add(gif::TGIFColor{uint8_t(i * 30), 0, uint8_t(i)});
  for (int k = 0; k < 3; ++k) {
    auto frame = std::make_unique<gif::TGIFSubImage>(&image);
    if (k == 0) {
      auto loop = std::make_unique<gif::TGIFAppExtNSLoop>(frame.get());
      loop->Loops = 2;
      frame->Extensions().Add(std::move(loop));
      auto comment = std::make_unique<gif::TGIFCommentExtension>(frame.get());
      comment->Text = {"hostile"};
      frame->Extensions().Add(std::move(comment));
    }
    auto control = std::make_unique<gif::TGIFGraphicControlExtension>(frame.get());
    control->SetDisposal(k + 1);
    control->SetTransparent(k == 1);
    control->SetTransparentColorIndex(3);
    frame->Extensions().Add(std::move(control));
    if (k == 2)
      for (int i = 0; i < 4; ++i) frame->ColorMap().Add(gif::TGIFColor{0, uint8_t(i * 60), 0});
    frame->SetInterlaced(k == 1);
    frame->SetLeft(k);
    frame->NewImage(9 - k, 7 - k);
    for (size_t i = 0; i < frame->DataSize(); ++i) frame->Data()[i] = uint8_t((i * 7 + k) % (k == 2 ? 4 : 8));
    image.Add(std::move(frame));
  }
  return SaveBytes(image);
}

std::vector<platform::Bytes> Corpus() {
  std::vector<platform::Bytes> files;
  files.push_back(WriterAnimation());
  GifBuilder interlaced;
  interlaced.Header(3, 4, 4);
  for (int h = 2; h <= 4; ++h) interlaced.Image(0, 0, 3, h, true).LiteralData(std::vector<int>(size_t(3 * h), 2), 1);
  files.push_back(interlaced.Trailer().Bytes());
  GifBuilder codes;  // forward codes, chains that would loop in a careless decoder, codes after the end
  codes.Header(8, 8, 4).Image(0, 0, 8, 8).Codes(2, {4, 1, 6, 7, 8, 9, 15, 14, 4, 3, 6, 6, 6, 5}, 2);
  codes.Image(0, 0, 8, 8).Codes(2, {4, 2, 7, 7, 7, 5}).Image(0, 0, 4, 4).Codes(12, {4095, 9, 9, 4094}).Trailer();
  files.push_back(codes.Bytes());
  return files;
}

TEST(GIFHostile, DamagedFilesEndWithWarningsOrTheGIFException) {
  const bool longRun = LongRun();
  std::vector<platform::Bytes> corpus = Corpus();
  // Files that announce more than they hold.
  GifBuilder hugeScreen, hugeFrame, manyFrames, zeroSizes, cutApp;
  hugeScreen.Header(65535, 65535, 2).Image(0, 0, 1, 1).Codes(1, {2, 1, 3}).Trailer();
  hugeFrame.Header(4, 4, 2).Image(0, 0, 65535, 65535).Codes(1, {2, 3}).Trailer();
  manyFrames.Header(4096, 4096, 2);
  for (int i = 0; i < 9; ++i) manyFrames.Image(0, 0, 4096, 4096).Codes(1, {2, 3});
  zeroSizes.Header(0, 0, 2).Image(0, 0, 0, 0).Codes(1, {2, 1, 3}).GraphicControl(2, 1).Image(0, 0, 0, 5).Trailer();
  cutApp.Header(2, 2, 2).Raw({0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 200, 1});
  const std::vector<platform::Bytes> announced = {hugeScreen.Bytes(), hugeFrame.Bytes(), manyFrames.Bytes(),
                                                  zeroSizes.Bytes(), cutApp.Bytes()};

  Outcome outcome;
  const testing_support::LargestAllocation watch;
  for (size_t f = 0; f < announced.size(); ++f) Exercise(announced[f], outcome, "announced " + std::to_string(f));
  for (size_t f = 0; f < 3; ++f) {
    TGIFImage image;
    platform::ByteReader reader(announced[f]);
    try {
      image.LoadFromStream(reader);
      ADD_FAILURE() << "announced " << f << " was read";
    } catch (const gif::GIFException& e) {
      EXPECT_STREQ(e.what(), "Image is too large");
    }
  }
  // Every truncation (the long run: of every file; CI: of the first).
  for (size_t f = 0; f < (longRun ? corpus.size() : 1); ++f)
    for (size_t n = 0; n <= corpus[f].size(); ++n)
      Exercise(platform::Bytes(corpus[f].begin(), corpus[f].begin() + long(n)), outcome,
               "file " + std::to_string(f) + " cut to " + std::to_string(n), longRun || n % 8 == 0);
  // Byte flips: one, two or three bytes of a file set to chosen values.
  uint32_t state = 12345;
  auto next = [&] { return state = state * 1664525u + 1013904223u; };
  const int flips = longRun ? 250000 : 3000;
  for (int k = 0; k < flips; ++k) {
    platform::Bytes bytes = corpus[size_t(k) % corpus.size()];
    const int count = 1 + int(next() >> 30) % 3;
    for (int i = 0; i < count; ++i) {
      const size_t at = (next() >> 8) % bytes.size();
      const uint32_t pick = next() >> 24;
      bytes[at] = pick < 32 ? uint8_t(0xFF) : pick < 64 ? uint8_t(0) : uint8_t(next() >> 16);
    }
    Exercise(bytes, outcome, "flip " + std::to_string(k), longRun || k % 8 == 0);
  }
  const size_t largest = watch.Bytes();
  EXPECT_GT(outcome.loaded, 0);
  EXPECT_GT(outcome.refused, 0);
  // Pixel data is the largest thing the reader allocates; Qt's images are allocated with malloc
  // and are bounded by the same budget through the frame and screen sizes.
  EXPECT_LE(largest, size_t(gif::kMaxFramePixels));
  std::printf("hostile corpus: %d loaded, %d refused, largest allocation %zu bytes\n", outcome.loaded,
              outcome.refused, largest);
}

}  // namespace

TEST(GIFHostile, FrameCountsAreBoundedAndFramesOfSizeZeroSurviveASave) {
  // 1 x 1 frames cost a few bytes each in the file and far more in memory: past kMaxFrames the file
  // is refused, just below it read.
  auto tinyFrames = [](int64_t count) {
    GifBuilder frames;
    frames.Header(1, 1, 2);
    for (int64_t i = 0; i < count; ++i) frames.Image(0, 0, 1, 1).LiteralData({1}, 1);
    return frames.Trailer().Bytes();
  };
  {
    TGIFImage image;
    try {
      LoadBytes(image, tinyFrames(gif::kMaxFrames + 1));
      ADD_FAILURE() << "more than kMaxFrames frames were read";
    } catch (const gif::GIFException& e) {
      EXPECT_EQ(std::string(e.what()), gif::texts::kTooLarge);
    }
  }
  TGIFImage most;
  LoadBytes(most, tinyFrames(gif::kMaxFrames));
  EXPECT_EQ(most.Images().Count(), gif::kMaxFrames);

  // A frame of size 0 (on a screen of size 0 it stays so, and code can make one) is written, so the
  // file reads back with its frame and the frame's extensions.
  for (const auto& [width, height] : {std::pair{0, 0}, std::pair{4, 0}}) {
    TGIFImage image;
    image.Header().ColorMap().Add(gif::TGIFColor{1, 2, 3});
    image.Header().ColorMap().Add(gif::TGIFColor{4, 5, 6});
    auto frame = std::make_unique<gif::TGIFSubImage>(&image);
    auto comment = std::make_unique<gif::TGIFCommentExtension>(frame.get());
    comment->Text = {"zero"};
    frame->Extensions().Add(std::move(comment));
    frame->NewImage(width, height);
    image.Add(std::move(frame));
    TGIFImage back;
    std::vector<std::string> warnings;
    LoadBytes(back, SaveBytes(image), &warnings);
    ASSERT_EQ(back.Images().Count(), 1) << width << " x " << height;
    EXPECT_EQ(back.Images()[0]->Extensions().Count(), 1) << width << " x " << height;
    EXPECT_TRUE(back.Images()[0]->Empty());
  }
}
