// Writing: every file our writer makes must give the same pixels in netpbm's giftopnm, in
// ImageMagick and in our own decoder, for every bit depth, both encoders, interlaced or not.
#include "gif/encoders.h"

#include <gtest/gtest.h>

#include <numeric>

#include "gif/extensions.h"
#include "gif_builder.h"
#include "gif_oracle.h"

namespace {

using gif::TGIFImage;
using gif::TGIFSubImage;
using namespace gif_testing;

gif::TGIFColor PaletteColor(int i) {
  return gif::TGIFColor{uint8_t(i * 37 + 11), uint8_t(255 - i), uint8_t((i * 91) ^ 0x5A)};
}

// A frame of `colors` colours in a local or the global map; pixels from a seeded pattern with runs,
// or long runs of one colour for the run-length encoder.
TGIFSubImage* AddFrame(TGIFImage& image, int left, int top, int width, int height, int colors, bool local,
                       bool interlaced, uint32_t seed, bool longRuns = false) {
  auto frame = std::make_unique<TGIFSubImage>(&image);
  gif::TGIFColorMap& map =
      local ? static_cast<gif::TGIFColorMap&>(frame->ColorMap()) : image.Header().ColorMap();
  if (!local) map.Clear();
  for (int i = 0; i < colors; ++i) map.Add(PaletteColor(local ? 255 - i : i));
  frame->SetLeft(left);
  frame->SetTop(top);
  frame->SetInterlaced(interlaced);
  frame->NewImage(width, height);
  uint32_t state = seed;
  int value = 0, run = 0;
  for (size_t i = 0; i < frame->DataSize(); ++i) {
    state = state * 1664525u + 1013904223u;
    if (longRuns) {
      if (run-- <= 0) {
        value = int((state >> 16) % uint32_t(colors));
        run = int((state >> 4) % 700);
      }
    } else if (i < size_t(colors)) {
      value = int(i);
    } else if ((state >> 8) % 4 != 0) {
      value = int((state >> 16) % uint32_t(colors));
    }
    frame->Data()[i] = uint8_t(value);
  }
  frame->Changed();
  return image.Add(std::move(frame));
}

struct WriteCase {
  int width;
  int height;
  int colors;
  bool interlaced;
  int compression;
  bool longRuns;
};

TEST(GIFWriter, FilesGiveTheSamePixelsInEveryDecoder) {
  std::vector<WriteCase> cases = {
      {1, 1, 1, false, 0, false},      {1, 1, 2, false, 0, false},      {1, 1, 2, false, 1, false},
      {7, 5, 3, false, 0, false},      {7, 5, 5, true, 0, false},       {9, 9, 16, false, 1, false},
      {17, 3, 17, false, 0, false},    {30, 20, 64, true, 1, false},    {31, 21, 100, false, 0, false},
      {40, 30, 129, false, 1, false},  {300, 200, 256, false, 0, false}, {300, 200, 256, true, 0, false},
      {300, 200, 256, false, 1, false}, {300, 200, 7, false, 1, true},   {300, 200, 2, false, 0, true},
      {11, 2, 4, true, 0, false},      {11, 3, 4, true, 1, false},      {11, 4, 4, true, 0, false}};
  testing_support::ScratchDir dir("gifwrite");
  std::vector<Picture> expected;
  std::string magick = "convert";
  std::string script;
  for (size_t i = 0; i < cases.size(); ++i) {
    const WriteCase& c = cases[i];
    TGIFImage image;
    image.Compression = c.compression;
    AddFrame(image, 0, 0, c.width, c.height, c.colors, false, c.interlaced, uint32_t(i + 7), c.longRuns);
    expected.push_back(FrameColors(*image.Images()[0]));
    const std::string stem = dir.File(std::to_string(i));
    image.SaveToFile(stem + ".gif");
    script += "giftopnm " + stem + ".gif > " + stem + "_netpbm.pnm && ";
    magick += " \\( " + stem + ".gif -write ppm:" + stem + "_magick.ppm \\)";
  }
  ASSERT_EQ(Shell(script + magick + " null: 2>&1"), 0);
  for (size_t i = 0; i < cases.size(); ++i) {
    const WriteCase& c = cases[i];
    const std::string stem = dir.File(std::to_string(i));
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + ", " + std::to_string(c.colors) +
                 " colours" + (c.interlaced ? ", interlaced" : "") + (c.compression == 1 ? ", run-length" : ", LZW"));
    EXPECT_EQ(Difference(expected[i], ReadPnm(stem + "_netpbm.pnm")), "") << "giftopnm";
    EXPECT_EQ(Difference(expected[i], ReadPnm(stem + "_magick.ppm")), "") << "ImageMagick";
    TGIFImage back;
    std::vector<std::string> warnings;
    LoadFile(back, stem + ".gif", &warnings);
    EXPECT_TRUE(warnings.empty()) << warnings.front();
    ASSERT_EQ(back.Images().Count(), 1);
    EXPECT_EQ(Difference(expected[i], FrameColors(*back.Images()[0])), "") << "our decoder";
    // The minimum code size byte is the bits per pixel (at least 2), right after the colour map.
    const platform::Bytes bytes = platform::ReadFileBytes(stem + ".gif");
    const size_t mapBytes = 3 * (size_t(1) << back.Header().ColorMap().BitsPerPixel());
    EXPECT_EQ(int(bytes[13 + mapBytes + 10]), std::max(2, gif::BitsPerPixelOf(c.colors)));
  }
}

TEST(GIFWriter, AnimationKeepsFramesLoopCommentAndEmptyFrames) {
  testing_support::ScratchDir dir("gifanimation");
  TGIFImage image;
  TGIFSubImage* first = AddFrame(image, 0, 0, 10, 8, 6, false, false, 3);
  auto* loop = static_cast<gif::TGIFAppExtNSLoop*>(
      first->Extensions().Add(std::make_unique<gif::TGIFAppExtNSLoop>(first)));
  loop->Loops = 5;
  auto* comment = static_cast<gif::TGIFCommentExtension*>(
      first->Extensions().Add(std::make_unique<gif::TGIFCommentExtension>(first)));
  std::string longText;
  for (int i = 0; i < 300; ++i) longText += char('a' + i % 26);
  comment->Text = {longText, ""};
  // A frame with nothing but an extension, and a frame whose pixels are all transparent.
  auto empty = std::make_unique<TGIFSubImage>(&image);
  empty->Extensions().Add(std::make_unique<gif::TGIFCommentExtension>(empty.get()));
  static_cast<gif::TGIFCommentExtension*>(empty->Extensions()[0])->Text = {"between"};
  image.Add(std::move(empty));
  TGIFSubImage* last = AddFrame(image, 3, 2, 4, 4, 3, true, true, 9);
  // netpbm keeps a transparent index for the frames after it, so the transparent frame comes last.
  TGIFSubImage* clear = AddFrame(image, 2, 1, 3, 3, 6, false, false, 5);
  auto* control = static_cast<gif::TGIFGraphicControlExtension*>(
      clear->Extensions().Add(std::make_unique<gif::TGIFGraphicControlExtension>(clear)));
  control->SetTransparent(true);
  control->SetTransparentColorIndex(4);
  std::fill(clear->Data(), clear->Data() + clear->DataSize(), uint8_t(4));
  const std::string file = dir.File("animation.gif");
  image.SaveToFile(file);

  const platform::Bytes bytes = platform::ReadFileBytes(file);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF89a");
  EXPECT_EQ(Output("identify -verbose " + file + " | grep -m1 Iterations"), "  Iterations: 5\n");
  EXPECT_EQ(Output("identify -format '%c' '" + file + "[0]'"), longText);
  std::string script = "giftopnm -image=1 " + file + " > " + dir.File("a.pnm") + " && giftopnm -image=2 " + file +
                       " > " + dir.File("c.pnm") + " && convert " + file + " +adjoin ppm:" + dir.File("m%d.ppm");
  ASSERT_EQ(Shell(script), 0);
  EXPECT_EQ(Difference(FrameColors(*first), ReadPnm(dir.File("a.pnm"))), "");
  EXPECT_EQ(Difference(FrameColors(*last), ReadPnm(dir.File("c.pnm"))), "");
  EXPECT_EQ(Difference(FrameColors(*first), ReadPnm(dir.File("m0.ppm"))), "");
  EXPECT_EQ(Difference(FrameColors(*last), ReadPnm(dir.File("m1.ppm"))), "");

  TGIFImage back;
  std::vector<std::string> warnings;
  LoadFile(back, file, &warnings);
  EXPECT_TRUE(warnings.empty());
  // The extension-only frame's comment is read as part of the next frame.
  ASSERT_EQ(back.Images().Count(), 3);
  EXPECT_EQ(Difference(FrameColors(*first), FrameColors(*back.Images()[0])), "");
  EXPECT_EQ(Difference(FrameColors(*last), FrameColors(*back.Images()[1])), "");
  const auto* readLoop = dynamic_cast<gif::TGIFAppExtNSLoop*>(back.Images()[0]->Extensions()[0]);
  ASSERT_NE(readLoop, nullptr);
  EXPECT_EQ(readLoop->Loops, 5);
  const auto* readComment = dynamic_cast<gif::TGIFCommentExtension*>(back.Images()[0]->Extensions()[1]);
  ASSERT_NE(readComment, nullptr);
  EXPECT_EQ(std::accumulate(readComment->Text.begin(), readComment->Text.end(), std::string()), longText);
  EXPECT_EQ(readComment->Text.size(), 2u) << "300 bytes take two sub-blocks; the empty string none";
  const TGIFSubImage& readLast = *back.Images()[1];
  ASSERT_EQ(readLast.Extensions().Count(), 1) << "the comment of the frame made of it alone";
  EXPECT_EQ(readLast.ColorMap().Count(), 4) << "three colours are written padded to four";
  EXPECT_TRUE(readLast.Interlaced());
  const TGIFSubImage& readClear = *back.Images()[2];
  EXPECT_TRUE(readClear.Transparent());
  EXPECT_EQ(readClear.TransparentIndex(), 4);
  EXPECT_EQ(readClear.DataSize(), 9u);
}

TEST(GIFWriter, VersionAndHeaderFollowTheContent) {
  TGIFImage image;
  EXPECT_THROW(SaveBytes(image), gif::GIFException) << "a picture without frames";
  AddFrame(image, 0, 0, 4, 4, 3, false, false, 1);
  platform::Bytes bytes = SaveBytes(image);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF87a") << "nothing needs 89a";
  EXPECT_EQ(bytes[10], 0x80 | 0x10 | 0x01) << "global map of 4 entries (3 padded), resolution 2 bits";
  image.Header().ColorMap().SetOptimized(true);
  bytes = SaveBytes(image);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF89a") << "a sorted map is a GIF89a field";
  EXPECT_EQ(bytes[10] & 0x08, 0x08);

  image.Images()[0]->Data()[5] = 3;  // past the three colours
  EXPECT_THROW(SaveBytes(image), gif::GIFException);
  try {
    SaveBytes(image);
  } catch (const gif::GIFException& e) {
    EXPECT_STREQ(e.what(), "Color not in color table");
  }
}

TEST(GIFWriter, SubBlocksAndHashTableStayInBounds) {
  // The writer never writes an empty sub-block: 255 bytes then a flush of nothing.
  platform::ByteWriter out;
  {
    gif::TGIFWriter writer(out);
    for (int i = 0; i < 255; ++i) writer.Put(uint8_t(i));
    writer.Flush();
    writer.Flush();
  }
  ASSERT_EQ(out.Size(), 256u);
  EXPECT_EQ(out.Data()[0], 255);

  // Filling the hash table far beyond what a table of codes needs: every key is found again or
  // the probe reports no room, never loops.
  gif::THashTable table;
  int stored = 0, refused = 0;
  for (uint32_t key = 0; key < 20000; ++key) {
    const uint32_t spread = key * 2654435761u >> 12;
    const int slot = table.Find(spread);
    if (slot < 0) {
      ++refused;
      continue;
    }
    if (!table.Holds(slot, spread)) {
      table.Store(slot, spread, stored % 4096);
      ++stored;
    }
  }
  EXPECT_LE(stored, gif::THashTable::kSize);
  EXPECT_GT(refused, 0);
}

}  // namespace
