// Decoding: files made by netpbm's pamtogif and by ImageMagick must decode to the picture they were
// made from; hand-made code streams cover the decoder's corner cases.
#include "gif/lzw_decoder.h"

#include <gtest/gtest.h>

#include "gif_builder.h"
#include "gif_oracle.h"

namespace {

using gif::TGIFImage;
using namespace gif_testing;

struct OracleCase {
  int width;
  int height;
  int colors;
  bool interlaced;
  bool magick;  // also made by ImageMagick (whose GIF writer takes a second a frame: a few only)
};

TEST(LZWDecoder, FilesOfOutsideWritersDecodeToTheirSource) {
  std::vector<OracleCase> cases = {
      {1, 1, 1, false, true},    {1, 1, 2, true, false},      {2, 1, 2, false, false},
      {3, 2, 3, false, false},   {5, 4, 5, true, false},      {7, 3, 7, false, false},
      {16, 16, 16, false, false}, {17, 9, 17, true, true},    {33, 5, 100, false, false},
      {20, 20, 200, false, false}, {64, 64, 129, true, false}, {300, 200, 256, false, true},
      {300, 200, 256, true, false}};
  for (int h = 1; h <= 9; ++h) cases.push_back({6, h, 4, true, h == 3});
  testing_support::ScratchDir dir("gifdecode");
  // netpbm makes one file per case; ImageMagick one file of several frames per interlace setting.
  std::string script, plain, interlaced;
  std::vector<Picture> sources;
  std::vector<const OracleCase*> plainFrames, interlacedFrames;
  for (size_t i = 0; i < cases.size(); ++i) {
    const OracleCase& c = cases[i];
    sources.push_back(Pattern(c.width, c.height, c.colors, uint32_t(c.width * 31 + c.height)));
    const std::string stem = dir.File(std::to_string(i));
    WritePpm(stem + ".ppm", sources.back());
    script += "pamtogif " + std::string(c.interlaced ? "-interlace " : "") + stem + ".ppm > " + stem +
              ".gif 2>/dev/null && ";
    if (c.magick) {
      (c.interlaced ? interlaced : plain) += " " + stem + ".ppm";
      (c.interlaced ? interlacedFrames : plainFrames).push_back(&c);
    }
  }
  ASSERT_EQ(Shell(script + "convert" + plain + " " + dir.File("plain.gif") + " && convert -interlace GIF" +
                  interlaced + " " + dir.File("interlaced.gif")),
            0);

  auto check = [&](const std::string& file, const gif::TGIFSubImage& frame, const OracleCase& c, bool magick) {
    SCOPED_TRACE(file + ": " + std::to_string(c.width) + "x" + std::to_string(c.height) + ", " +
                 std::to_string(c.colors) + " colours" + (c.interlaced ? ", interlaced" : ""));
    EXPECT_EQ(frame.Interlaced(), c.interlaced);
    Picture expected = sources[size_t(&c - cases.data())];
    if (magick && c.interlaced && c.height >= 2 && c.height <= 4) {
      // ImageMagick 6 writes the rows of interlaced pictures 2 to 4 rows high out of pass order;
      // for those the standard reading is netpbm's.
      const int number = frame.Image()->Images().IndexOf(&frame) + 1;
      ASSERT_EQ(Shell("giftopnm -image=" + std::to_string(number) + " " + file + " > " + dir.File("check.pnm") +
                      " 2>/dev/null"),
                0);
      expected = ReadPnm(dir.File("check.pnm"));
    }
    EXPECT_EQ(Difference(expected, FrameColors(frame)), "");
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    const std::string file = dir.File(std::to_string(i) + ".gif");
    TGIFImage image;
    std::vector<std::string> warnings;
    LoadFile(image, file, &warnings);
    EXPECT_TRUE(warnings.empty()) << warnings.front();
    ASSERT_EQ(image.Images().Count(), 1);
    check(file, *image.Images()[0], cases[i], false);
  }
  for (auto [name, frames] : {std::pair{"plain.gif", &plainFrames}, std::pair{"interlaced.gif", &interlacedFrames}}) {
    TGIFImage image;
    std::vector<std::string> warnings;
    LoadFile(image, dir.File(name), &warnings);
    EXPECT_TRUE(warnings.empty()) << warnings.front();
    ASSERT_EQ(image.Images().Count(), int(frames->size()));
    for (size_t k = 0; k < frames->size(); ++k) check(dir.File(name), *image.Images()[int(k)], *(*frames)[k], true);
  }
}

// A 4 x 4 frame with 4 colours, initial code size 2 (clear 4, end 5).
struct CodeCase {
  const char* name;
  int codeSizeByte;
  std::vector<int> codes;
  int blockSize;
  bool transparent;
  std::vector<int> expected;  // 16 pixels
  std::vector<std::string> warnings;
};

TEST(LZWDecoder, CodeStreamsDecodeAsTheStandardSays) {
  const std::vector<CodeCase> cases = {
      {"plain literals across two code size changes", 2,
       {4, 0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3, 5},
       255, false, {0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3}, {}},
      // Code 6 arrives when it is the next free code: the previous string plus its own first byte.
      {"code equal to the next free code", 2, {4, 1, 6, 7, 5}, 255, false,
       {1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {}},
      {"code size byte 9 decodes as 8", 9, {256, 7, 7, 258, 257}, 255, false,
       {7, 7, 7, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {}},
      {"data ends early: the rest keeps the transparent index", 2, {4, 2, 1, 5}, 255, true,
       {2, 1, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3}, {}},
      {"data without an end code warns when it runs out", 2, {4, 2, 1}, 255, false,
       {2, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {"Decoder bit buffer under-run"}},
      {"an end code right after a clear ends the frame", 2, {4, 1, 4, 5, 2, 2}, 255, false,
       {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {}},
      {"a code past the next free one stops the frame", 2, {4, 1, 7, 1, 5}, 255, false,
       {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {"Invalid LZW code"}},
      {"only a colour may follow a clear", 2, {4, 6, 1, 5}, 255, false,
       {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {"Invalid LZW code"}},
      {"one-byte sub-blocks are refilled as often as needed", 2, {4, 3, 2, 6, 7, 8, 1, 5}, 1, false,
       {3, 2, 3, 2, 2, 3, 3, 2, 2, 1, 0, 0, 0, 0, 0, 0}, {}},
      {"two-byte sub-blocks too", 2, {4, 3, 2, 6, 7, 8, 1, 5}, 2, false,
       {3, 2, 3, 2, 2, 3, 3, 2, 2, 1, 0, 0, 0, 0, 0, 0}, {}},
      {"codes after a full frame are skipped", 2, {4, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 2, 2, 2, 5},
       255, false, {3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3}, {}},
  };
  for (const CodeCase& c : cases) {
    SCOPED_TRACE(c.name);
    GifBuilder file;
    file.Header(4, 4, 4);
    if (c.transparent) file.GraphicControl(0, 0, true, 3);
    file.Image(0, 0, 4, 4).Codes(c.codeSizeByte, c.codes, c.blockSize).Comment("after").Trailer();
    TGIFImage image;
    std::vector<std::string> warnings;
    LoadBytes(image, file.Bytes(), &warnings);
    ASSERT_EQ(image.Images().Count(), 2) << "the data is skipped to its terminator, so the comment is read";
    const gif::TGIFSubImage& frame = *image.Images()[0];
    EXPECT_EQ(std::vector<int>(frame.Data(), frame.Data() + frame.DataSize()), c.expected);
    EXPECT_EQ(warnings, c.warnings);
  }
}

TEST(LZWDecoder, InterlacedRowsComeInPassOrder) {
  // One colour per row in file order: row i of the file holds colour i.
  for (int height = 1; height <= 9; ++height) {
    SCOPED_TRACE("height " + std::to_string(height));
    std::vector<int> pixels;
    for (int row = 0; row < height; ++row) pixels.push_back(row % 4);
    GifBuilder file;
    file.Header(1, height, 4).Image(0, 0, 1, height, true).LiteralData(pixels).Trailer();
    TGIFImage image;
    std::vector<std::string> warnings;
    LoadBytes(image, file.Bytes(), &warnings);
    EXPECT_TRUE(warnings.empty());
    const int start[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
    std::vector<int> order;  // the picture row each file row lands on
    for (int pass = 0; pass < 4; ++pass)
      for (int y = start[pass]; y < height; y += step[pass]) order.push_back(y);
    std::vector<int> expected(static_cast<size_t>(height));
    for (int i = 0; i < height; ++i) expected[size_t(order[size_t(i)])] = i % 4;
    const gif::TGIFSubImage& frame = *image.Images()[0];
    EXPECT_EQ(std::vector<int>(frame.Data(), frame.Data() + frame.DataSize()), expected);
    if (height == 4) {
      EXPECT_EQ(order, (std::vector<int>{0, 2, 1, 3}));
    }
  }
}

}  // namespace
