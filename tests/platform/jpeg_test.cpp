#include "platform/jpeg.h"

#include <gtest/gtest.h>

#include <random>

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
