#include "platform/bmp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>

#include "largest_allocation.h"
#include "pnm_fixture.h"
#include "scratch_dir.h"

using namespace platform;

namespace {

// A bitmap of the given format whose pixels all differ from their neighbours.
Bitmap Pattern(int width, int height, int bits) {
  Bitmap b(width, height, bits);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      if (IsIndexedFormat(bits))
        b.SetIndex(x, y, static_cast<uint8_t>((x * 7 + y * 3) % (1 << bits)));
      else
        b.SetPixel(x, y, RgbQuad{uint8_t(x * 40), uint8_t(y * 60), uint8_t(x * y * 8 + 5), uint8_t(bits == 32 ? x + 1 : 0)});
    }
  if (IsIndexedFormat(bits)) {
    Palette palette;
    for (int i = 0; i < (1 << bits); ++i) palette.push_back(Rgb(uint8_t(i), uint8_t(255 - i), uint8_t(i * 3)));
    b.SetColors(palette);
  }
  b.SetResolution(11811, 3937);
  return b;
}

uint32_t U32At(const Bytes& b, size_t at) { return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t(b[at + 3]) << 24); }
void PutU32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
void PutU16(Bytes& b, size_t at, uint16_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}

// A minimal 8-bit file header + BITMAPINFOHEADER + palette of `colours` greys, no pixels yet.
Bytes Header8(int width, int height, uint32_t compression, int colours) {
  Bitmap b(1, 1, 8);
  b.SetColors(Palette(colours, Rgb(0, 0, 0)));
  Bytes bytes = EncodeBmp(b);
  bytes.resize(54 + 4 * colours);
  PutU32(bytes, 18, static_cast<uint32_t>(width));
  PutU32(bytes, 22, static_cast<uint32_t>(height));
  PutU32(bytes, 30, compression);
  PutU32(bytes, 46, static_cast<uint32_t>(colours));
  PutU32(bytes, 10, static_cast<uint32_t>(bytes.size()));
  for (int i = 0; i < colours; ++i) bytes[54 + 4 * i] = bytes[55 + 4 * i] = bytes[56 + 4 * i] = uint8_t(i * 10);
  return bytes;
}

std::string ErrorOf(const Bytes& bytes) {
  try {
    DecodeBmp(bytes);
  } catch (const FormatError& e) {
    return e.what();
  }
  return "(read)";
}

}  // namespace

TEST(Bmp, OurFilesOfEveryFormatReadBackUnchanged) {
  for (int bits : {1, 4, 8, 15, 16, 24, 32})
    for (int width : {1, 5, 13}) {
      Bitmap original = Pattern(width, 3, bits);
      Bytes file = EncodeBmp(original);
      // A standard file: its length, a 40-byte header, rows bottom-up.
      EXPECT_EQ(file[0], 'B');
      EXPECT_EQ(U32At(file, 2), file.size());
      EXPECT_EQ(U32At(file, 14), 40u);
      EXPECT_EQ(file[28], bits == 15 ? 16 : bits);
      EXPECT_EQ(U32At(file, 30), bits == 16 ? 3u : 0u) << bits;
      EXPECT_EQ(std::memcmp(file.data() + U32At(file, 10), original.Row(2), original.Stride()), 0) << "bottom row first";
      Bitmap read = DecodeBmp(file);
      EXPECT_EQ(read, original) << bits << " bits, " << width << " wide";
    }
  EXPECT_THROW(EncodeBmp(Bitmap()), BitmapError);
}

TEST(Bmp, WritesAndReadsFiles) {
  testing_support::ScratchDir dir("bmp");
  std::string path = dir.File("test.bmp");
  Bitmap original = Pattern(6, 4, 24);
  WriteBmpFile(path, original);
  EXPECT_EQ(ReadBmpFile(path), original);
  std::filesystem::remove(path);
  EXPECT_THROW(ReadBmpFile(path), FileError);
}

TEST(Bmp, ImageMagickFilesOfEveryFormat) {
  // Each file against the picture it was made from, or against ImageMagick's own reading of it where
  // its palette merged near colours or its 5-bit channels rounded.
  struct Case {
    const char* file;
    int bits;
    const char* reference;
    int tolerance;
  } cases[] = {
      {"im_1bit.bmp", 1, "black_white.pbm", 0},
      {"im_4bit.bmp", 4, "few_colours.ppm", 0},
      {"im_os2_4bit.bmp", 4, "few_colours.ppm", 0},
      {"im_8bit.bmp", 8, "im_8bit_decoded.ppm", 0},
      {"im_8bit_rle.bmp", 8, "im_8bit_rle_decoded.ppm", 0},
      {"im_15bit.bmp", 15, "im_15bit_decoded.ppm", 1},
      {"im_16bit.bmp", 16, "im_16bit_decoded.ppm", 1},
      {"im_24bit.bmp", 24, "colours.ppm", 0},
      {"im_32bit.bmp", 32, "colours.ppm", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    Bitmap b = ReadBmpFile(FixturePath(c.file));
    EXPECT_EQ(b.BitsPerPixel(), c.bits);
    EXPECT_LE(MaxDifference(b, ReadPnm(c.reference)), c.tolerance);
    // Our writer keeps what we read.
    EXPECT_EQ(DecodeBmp(EncodeBmp(b)), b);
  }
  EXPECT_EQ(ReadBmpFile(FixturePath("im_24bit.bmp")).PixelsPerMeterX(), 11811);
  EXPECT_EQ(ReadBmpFile(FixturePath("im_32bit.bmp")).Pixel(0, 0).reserved, 255);  // alpha kept
}

TEST(Bmp, TopDownRowsForeignMasksAndTrailingBytes) {
  Bitmap original = Pattern(5, 4, 24);
  Bytes file = EncodeBmp(original);
  // The same picture stored top-down.
  Bytes topDown = file;
  PutU32(topDown, 22, static_cast<uint32_t>(-4));
  size_t offset = U32At(file, 10), stride = original.Stride();
  for (int k = 0; k < 4; ++k) std::memcpy(topDown.data() + offset + k * stride, original.Row(k), stride);
  EXPECT_EQ(DecodeBmp(topDown), original);

  // 32 bits with red in the low byte and alpha high, in a V4 header: converted to blue-green-red.
  Bytes v4(14 + 108 + 2 * 4, 0);
  v4[0] = 'B';
  v4[1] = 'M';
  PutU32(v4, 10, 14 + 108);
  PutU32(v4, 14, 108);
  PutU32(v4, 18, 2);
  PutU32(v4, 22, 1);
  PutU16(v4, 26, 1);
  PutU16(v4, 28, 32);
  PutU32(v4, 30, 3);
  PutU32(v4, 54, 0x000000FF);
  PutU32(v4, 58, 0x0000FF00);
  PutU32(v4, 62, 0x00FF0000);
  PutU32(v4, 66, 0xFF000000);
  PutU32(v4, 122, 0x80302010);  // red 10, green 20, blue 30, alpha 80
  PutU32(v4, 126, 0x000000FF);
  Bitmap masked = DecodeBmp(v4);
  EXPECT_EQ(masked.BitsPerPixel(), 32);
  EXPECT_EQ(masked.Pixel(0, 0), (RgbQuad{0x30, 0x20, 0x10, 0x80}));
  EXPECT_EQ(masked.Pixel(1, 0), Rgb(255, 0, 0));

  // A document appends its record after the BMP: ignored.
  Bytes withRecord = file;
  withRecord.insert(withRecord.end(), 492, 0xAB);
  EXPECT_EQ(DecodeBmp(withRecord), original);

  // 16 bits without masks are 5-5-5.
  Bitmap b15 = Pattern(3, 2, 15);
  EXPECT_EQ(DecodeBmp(EncodeBmp(b15)).BitsPerPixel(), 15);
}

TEST(Bmp, PaletteCutShortByThePixels) {
  // A full palette announced (no colour count) but two entries stored before the pixels: the palette
  // ends where the pixels start, however short the file.
  Bitmap original(4, 2, 8);
  original.SetColors({Rgb(10, 20, 30), Rgb(200, 100, 50)});
  original.Row(0)[1] = 1;
  original.Row(1)[3] = 1;
  Bytes file = EncodeBmp(original);
  ASSERT_EQ(U32At(file, 10), 54u + 8);
  PutU32(file, 46, 0);
  Bitmap read = DecodeBmp(file);
  EXPECT_EQ(read.Colors(), original.Colors());
  EXPECT_EQ(read.Pixel(1, 0), Rgb(200, 100, 50));
  EXPECT_EQ(read.Pixel(0, 0), Rgb(10, 20, 30));
  // The same file with enough bytes after the pixels gave this already; now both agree.
  Bytes padded = file;
  padded.resize(54 + 1024, 0);
  EXPECT_EQ(DecodeBmp(padded), read);
  // A palette that does run past the end, with no pixels before it, is still refused.
  PutU32(file, 10, 54 + 1024);
  EXPECT_NE(ErrorOf(file).find("larger than the file"), std::string::npos) << ErrorOf(file);
}

TEST(Bmp, RunLengthEncodedFiles) {
  // RLE8 of a 4 x 3 picture: bottom line a run, the middle one absolute with a pad byte, a delta
  // one line up to the top line, a run clipped at the right edge.
  Bytes rle8 = Header8(4, 3, 1, 16);
  const uint8_t data8[] = {4, 7, 0, 0, 0, 3, 1, 2, 3, 0, 0, 2, 0, 1, 9, 5, 0, 1};
  rle8.insert(rle8.end(), std::begin(data8), std::end(data8));
  Bitmap b = DecodeBmp(rle8);
  EXPECT_EQ(b.BitsPerPixel(), 8);
  const uint8_t expect8[3][4] = {{0, 0, 0, 5}, {1, 2, 3, 0}, {7, 7, 7, 7}};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(b.Row(y)[x], expect8[y][x]) << x << "," << y;
  EXPECT_EQ(b.Pixel(3, 0), Rgb(50, 50, 50));

  // RLE4 of a 5 x 2 picture: alternating run, then absolute nibbles with word padding.
  Bytes rle4 = Header8(5, 2, 2, 16);
  PutU16(rle4, 28, 4);
  const uint8_t data4[] = {5, 0x12, 0, 0, 0, 5, 0xAB, 0xCD, 0xE0, 0, 0, 1};
  rle4.insert(rle4.end(), std::begin(data4), std::end(data4));
  Bitmap four = DecodeBmp(rle4);
  EXPECT_EQ(four.BitsPerPixel(), 4);
  const uint8_t expect4[2][5] = {{0xA, 0xB, 0xC, 0xD, 0xE}, {1, 2, 1, 2, 1}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(four.Index(x, y), expect4[y][x]) << x << "," << y;

  // Without its end mark the data is truncated.
  Bytes cut = Header8(4, 3, 1, 16);
  cut.insert(cut.end(), {4, 7, 0, 0});
  EXPECT_NE(ErrorOf(cut).find("truncated"), std::string::npos) << ErrorOf(cut);
  // Run-length data may not run top-down.
  Bytes down = rle8;
  PutU32(down, 22, static_cast<uint32_t>(-3));
  EXPECT_NE(ErrorOf(down).find("top-down"), std::string::npos);

  // A reader may bound the pixels by the bytes it was given: 12 pixels pass a bound of 12, not 11.
  EXPECT_EQ(DecodeBmp(rle8.data(), rle8.size(), 12).Width(), 4);
  try {
    DecodeBmp(rle8.data(), rle8.size(), 11);
    ADD_FAILURE() << "12 pixels read under a bound of 11";
  } catch (const FormatError& e) {
    EXPECT_NE(std::string(e.what()).find("12 pixels are more than the 11"), std::string::npos) << e.what();
  }
}

TEST(Bmp, HostileFilesGiveClearErrors) {
  Bytes good = EncodeBmp(Pattern(5, 4, 8));
  struct Case {
    const char* what;
    std::function<void(Bytes&)> spoil;
    const char* says;
  } cases[] = {
      {"not a BMP", [](Bytes& b) { b[0] = 'X'; }, "\"BM\""},
      {"tiny", [](Bytes& b) { b.resize(10); }, "10 bytes"},
      {"header cut", [](Bytes& b) { b.resize(30); }, "header"},
      {"pixels cut", [](Bytes& b) { b.resize(b.size() - 1); }, "truncated"},
      {"zero width", [](Bytes& b) { PutU32(b, 18, 0); }, "not a picture"},
      {"zero height", [](Bytes& b) { PutU32(b, 22, 0); }, "not a picture"},
      {"negative width", [](Bytes& b) { PutU32(b, 18, static_cast<uint32_t>(-5)); }, "not a picture"},
      {"most negative height", [](Bytes& b) { PutU32(b, 22, 0x80000000u); }, "too large"},
      {"huge", [](Bytes& b) { PutU32(b, 18, 100000); PutU32(b, 22, 100000); }, "too large"},
      {"over the pixel cap", [](Bytes& b) { PutU32(b, 18, 20000); PutU32(b, 22, 20000); }, "too large"},
      {"large but short", [](Bytes& b) { PutU32(b, 18, 10000); PutU32(b, 22, 10000); }, "truncated"},
      {"bit depth 7", [](Bytes& b) { PutU16(b, 28, 7); }, "bit depth"},
      {"bit depth 0", [](Bytes& b) { PutU16(b, 28, 0); }, "bit depth"},
      {"palette of 300", [](Bytes& b) { PutU32(b, 46, 300); }, "larger than 256"},
      {"palette past the end", [](Bytes& b) { b.resize(54 + 100); PutU32(b, 10, 54 + 1024); }, "larger than the file"},
      {"pixels inside the header", [](Bytes& b) { PutU32(b, 10, 20); }, "inside its header"},
      {"pixels past the end", [](Bytes& b) { PutU32(b, 10, 0xFFFFFF00u); }, "truncated"},
      {"JPEG inside", [](Bytes& b) { PutU32(b, 30, 4); }, "compression 4"},
      {"RLE4 on 8 bits", [](Bytes& b) { PutU32(b, 30, 2); }, "run-length"},
      {"masks on 8 bits", [](Bytes& b) { PutU32(b, 30, 3); }, "masks"},
      {"OS/2 2.x", [](Bytes& b) { PutU32(b, 14, 64); }, "OS/2"},
      {"odd header", [](Bytes& b) { PutU32(b, 14, 41); }, "header size 41"},
  };
  for (const Case& c : cases) {
    Bytes bytes = good;
    c.spoil(bytes);
    std::string error = ErrorOf(bytes);
    EXPECT_NE(error.find(c.says), std::string::npos) << c.what << ": " << error;
    EXPECT_EQ(error.rfind("BMP file cannot be read: ", 0), 0u) << c.what << ": " << error;
  }
  // Non-contiguous masks.
  Bytes masks = EncodeBmp(Pattern(2, 2, 16));
  PutU32(masks, 54, 0xF0F0);
  EXPECT_NE(ErrorOf(masks).find("contiguous"), std::string::npos);
}

TEST(Bmp, EveryPrefixAndRandomDamageIsReadOrRefusedCleanly) {
  std::mt19937 random(7);
  for (const char* name : {"im_1bit.bmp", "im_4bit.bmp", "im_os2_4bit.bmp", "im_8bit_rle.bmp", "im_16bit.bmp", "im_32bit.bmp"}) {
    Bytes file = ReadFileBytes(FixturePath(name));
    // A run-length picture is whole once its last line has ended; only its end mark may be missing.
    size_t whole = std::string(name).find("rle") != std::string::npos ? file.size() - 2 : file.size();
    for (size_t n = 0; n < whole; ++n) {
      Bytes prefix(file.begin(), file.begin() + static_cast<ptrdiff_t>(n));
      EXPECT_THROW(DecodeBmp(prefix), FormatError) << name << " cut to " << n;
    }
    for (int round = 0; round < 300; ++round) {
      Bytes damaged = file;
      for (int k = 0; k < 4; ++k) damaged[random() % damaged.size()] = static_cast<uint8_t>(random());
      try {
        Bitmap b = DecodeBmp(damaged);
        EXPECT_GT(b.Width(), 0);
      } catch (const FormatError&) {
      }
    }
  }
}

TEST(Bmp, RunLengthDataMustBeAbleToFillItsPicture) {
  // 1080 bytes claiming 16384 x 16384 of 8 bits, the data one end-of-bitmap mark: refused before
  // its 268 MB are taken. RLE4 and a few runs are no different.
  Bytes tiny = Header8(16384, 16384, 1, 256);
  tiny.insert(tiny.end(), {0, 1});
  ASSERT_EQ(tiny.size(), 1080u);
  Bytes tiny4 = Header8(16384, 16384, 2, 16);
  PutU16(tiny4, 28, 4);
  tiny4.insert(tiny4.end(), {255, 0x12, 255, 0x34, 0, 0, 0, 1});
  for (const Bytes& file : {tiny, tiny4}) {
    testing_support::LargestAllocation watch;
    std::string error = ErrorOf(file);
    EXPECT_NE(error.find("run-length data cannot fill 16384 x 16384 pixels"), std::string::npos) << error;
    EXPECT_LT(watch.Bytes(), size_t(4) << 20);
  }

  // A real picture, every line coded in runs of 255, is read however large its picture.
  const int width = 3000, height = 2000;
  Bytes big = Header8(width, height, 1, 16);
  for (int line = 0; line < height; ++line) {
    for (int x = 0; x < width; x += 255) {
      big.push_back(static_cast<uint8_t>(std::min(255, width - x)));
      big.push_back(static_cast<uint8_t>(line % 16));
    }
    big.push_back(0);
    big.push_back(line + 1 == height ? 1 : 0);
  }
  Bitmap b = DecodeBmp(big);
  ASSERT_EQ(b.Width(), width);
  ASSERT_EQ(b.Height(), height);
  EXPECT_EQ(b.Index(width - 1, 0), (height - 1) % 16) << "the last line coded is the top one";
  EXPECT_EQ(b.Index(1234, height - 1), 0);
  EXPECT_EQ(b.Index(2999, height - 2), 1);

  // A small picture may leave most of its lines to an early end mark.
  Bytes skips = Header8(1000, 1000, 1, 16);
  skips.insert(skips.end(), {5, 9, 0, 1});
  Bitmap s = DecodeBmp(skips);
  EXPECT_EQ(s.Index(4, 999), 9);
  EXPECT_EQ(s.Index(5, 999), 0);
  EXPECT_EQ(s.Index(0, 0), 0);
}
