#include "platform/jpeg.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include <jpeglib.h>

#include "largest_allocation.h"
#include "pnm_fixture.h"

using namespace platform;

namespace {

std::string ErrorOf(const Bytes& bytes) {
  try {
    DecodeJpeg(bytes);
  } catch (const FormatError& e) {
    return e.what();
  }
  return "(read)";
}

// Offset of the first baseline or progressive frame header's height field.
size_t FrameSizeOffset(const Bytes& file) {
  for (size_t i = 0; i + 8 < file.size(); ++i)
    if (file[i] == 0xFF && (file[i + 1] == 0xC0 || file[i + 1] == 0xC2)) return i + 5;
  return 0;
}

}  // namespace

TEST(Jpeg, DecodesColourGreyCmykAndProgressiveFilesTo24Bits) {
  struct Case {
    const char* file;
    const char* reference;
    int tolerance;
  } cases[] = {
      {"im_300dpi.jpg", "im_300dpi_decoded.ppm", 2},
      {"im_grey.jpg", "im_grey_decoded.ppm", 2},
      {"im_cmyk.jpg", "im_cmyk_decoded.ppm", 2},
      {"im_progressive.jpg", "im_progressive_decoded.ppm", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    Bitmap b = ReadJpegFile(FixturePath(c.file));
    EXPECT_EQ(b.BitsPerPixel(), 24);
    EXPECT_EQ(b.Width(), 7);
    EXPECT_EQ(b.Height(), 5);
    EXPECT_LE(MaxDifference(b, ReadPnm(c.reference)), c.tolerance);
  }
  // The colour file is still near its source: red top-left, blue third, in blue-green-red order.
  Bitmap colour = ReadJpegFile(FixturePath("im_300dpi.jpg"));
  EXPECT_GT(colour.Row(0)[2], 200);
  EXPECT_LT(colour.Row(0)[0], 60);
  EXPECT_GT(colour.Row(0)[6], 200);
  Bitmap grey = ReadJpegFile(FixturePath("im_grey.jpg"));
  for (int x = 0; x < 7; ++x) {
    RgbQuad p = grey.Pixel(x, 2);
    EXPECT_TRUE(p.red == p.green && p.green == p.blue) << x;
  }
}

TEST(Jpeg, ResolutionFromTheJfifDensity) {
  EXPECT_EQ(ReadJpegFile(FixturePath("im_300dpi.jpg")).PixelsPerMeterX(), 11811);
  EXPECT_EQ(ReadJpegFile(FixturePath("im_300dpi.jpg")).PixelsPerMeterY(), 11811);
  EXPECT_EQ(ReadJpegFile(FixturePath("im_118dpcm.jpg")).PixelsPerMeterX(), 11800);
  // Units 0 give an aspect ratio only.
  EXPECT_EQ(ReadJpegFile(FixturePath("im_nodensity.jpg")).PixelsPerMeterX(), 0);
}

TEST(Jpeg, DamagedFilesGiveClearErrors) {
  Bytes good = ReadFileBytes(FixturePath("im_300dpi.jpg"));
  EXPECT_NE(ErrorOf({}).find("empty"), std::string::npos);
  EXPECT_NE(ErrorOf(Bytes{'h', 'e', 'l', 'l', 'o'}).find("JPEG"), std::string::npos);
  for (size_t cut : {size_t(2), size_t(40), good.size() / 2, good.size() - 3}) {
    Bytes truncated(good.begin(), good.begin() + static_cast<ptrdiff_t>(cut));
    std::string error = ErrorOf(truncated);
    EXPECT_EQ(error.rfind("JPEG file cannot be read: ", 0), 0u) << cut << ": " << error;
  }
  size_t at = FrameSizeOffset(good);
  ASSERT_GT(at, 0u);
  Bytes huge = good;
  huge[at] = huge[at + 2] = 0xEA;  // 60000 x 60000
  huge[at + 1] = huge[at + 3] = 0x60;
  EXPECT_NE(ErrorOf(huge).find("too large"), std::string::npos) << ErrorOf(huge);
  Bytes empty = good;
  empty[at] = empty[at + 1] = 0;  // height 0
  EXPECT_NE(ErrorOf(empty), "(read)");
  EXPECT_THROW(ReadJpegFile(FixturePath("no_such.jpg")), FileError);

  // Damage anywhere: read or refused, never a crash.
  std::mt19937 random(11);
  for (const char* name : {"im_300dpi.jpg", "im_progressive.jpg", "im_cmyk.jpg"}) {
    Bytes file = ReadFileBytes(FixturePath(name));
    for (int round = 0; round < 300; ++round) {
      Bytes damaged = file;
      for (int k = 0; k < 3; ++k) damaged[random() % damaged.size()] = static_cast<uint8_t>(random());
      try {
        Bitmap b = DecodeJpeg(damaged);
        EXPECT_EQ(b.BitsPerPixel(), 24);
      } catch (const FormatError&) {
      }
    }
  }
}

namespace {

// A picture as libjpeg itself writes it, Huffman (optimised tables, the fewest bits a block) or
// arithmetic coded, sequential or progressive: flat grey, or noise that takes many bits a block.
Bytes Encode(int width, int height, bool arithmetic, bool progressive, bool noise = false) {
  jpeg_compress_struct c;
  jpeg_error_mgr errors;
  c.err = jpeg_std_error(&errors);
  jpeg_create_compress(&c);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &out, &size);
  c.image_width = static_cast<JDIMENSION>(width);
  c.image_height = static_cast<JDIMENSION>(height);
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  c.arith_code = arithmetic;
  c.optimize_coding = !arithmetic;
  if (progressive) jpeg_simple_progression(&c);
  jpeg_start_compress(&c, TRUE);
  std::vector<uint8_t> row(static_cast<size_t>(width) * 3, 128);
  std::mt19937 random(3);
  while (c.next_scanline < c.image_height) {
    if (noise)
      for (uint8_t& v : row) v = static_cast<uint8_t>(random());
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&c, &r, 1);
  }
  jpeg_finish_compress(&c);
  Bytes bytes(out, out + size);
  jpeg_destroy_compress(&c);
  std::free(out);
  return bytes;
}

// The file with its frame header claiming width x height (any frame kind).
Bytes Claiming(Bytes file, int width, int height) {
  for (size_t i = 0; i + 8 < file.size(); ++i)
    if (file[i] == 0xFF && file[i + 1] >= 0xC0 && file[i + 1] <= 0xCF && file[i + 1] != 0xC4 && file[i + 1] != 0xC8 &&
        file[i + 1] != 0xCC) {
      file[i + 5] = static_cast<uint8_t>(height >> 8);
      file[i + 6] = static_cast<uint8_t>(height);
      file[i + 7] = static_cast<uint8_t>(width >> 8);
      file[i + 8] = static_cast<uint8_t>(width);
      return file;
    }
  ADD_FAILURE() << "no frame header";
  return file;
}

}  // namespace

TEST(Jpeg, SmallFilesNeverCostTheMemoryOfThePictureTheyClaim) {
  constexpr size_t kFewMegabytes = size_t(4) << 20;
  // Huffman-coded files of a few hundred bytes claiming 16384 x 16384: each block costs a bit at
  // least, so they are refused before any pixel or coefficient memory is taken.
  for (const char* name : {"im_300dpi.jpg", "im_progressive.jpg", "im_grey.jpg"}) {
    SCOPED_TRACE(name);
    Bytes claims = Claiming(ReadFileBytes(FixturePath(name)), 16384, 16384);
    testing_support::LargestAllocation watch;
    std::string error = ErrorOf(claims);
    EXPECT_NE(error.find("bytes cannot hold 16384 x 16384 pixels"), std::string::npos) << error;
    EXPECT_LT(watch.Bytes(), kFewMegabytes);
  }
  // An arithmetic-coded file may stop its scan early, so it has no such floor; still a tiny one may
  // claim no more than a small picture.
  {
    Bytes claims = Claiming(Encode(64, 64, true, false), 8000, 8000);
    testing_support::LargestAllocation watch;
    std::string error = ErrorOf(claims);
    EXPECT_NE(error.find("cannot hold 8000 x 8000 pixels"), std::string::npos) << error;
    EXPECT_LT(watch.Bytes(), kFewMegabytes);
  }
  // A file with bytes enough for its blocks but cut short (a noisy 2048 x 256 picture claiming to be
  // 2048 x 8192): the pixel memory grows only with the lines decoded before the data ends.
  {
    Bytes claims = Claiming(Encode(2048, 256, false, false, true), 2048, 8192);
    testing_support::LargestAllocation watch;
    std::string error = ErrorOf(claims);
    EXPECT_EQ(error.rfind("JPEG file cannot be read: ", 0), 0u) << error;
    EXPECT_LT(watch.Bytes(), kFewMegabytes);
  }
  // Real flat pictures are read however few their bits: optimised Huffman tables, and arithmetic
  // files far below a bit a block.
  for (auto [arithmetic, progressive] : {std::pair{false, false}, std::pair{false, true}, std::pair{true, false},
                                         std::pair{true, true}}) {
    SCOPED_TRACE(std::to_string(arithmetic) + " " + std::to_string(progressive));
    Bytes flat = Encode(1600, 1200, arithmetic, progressive);
    Bitmap b = DecodeJpeg(flat);
    ASSERT_EQ(b.Width(), 1600);
    ASSERT_EQ(b.Height(), 1200);
    EXPECT_NEAR(b.Pixel(1599, 1199).green, 128, 2);
    EXPECT_NEAR(b.Pixel(0, 600).red, 128, 2);
  }
}
