#include "machining/image_helpers.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "machining/relief.h"
#include "named_pipe.h"
#include "platform/bmp.h"
#include "platform/exception.h"
#include "scratch_dir.h"

using namespace machining;
using platform::Bitmap;
using platform::Bytes;
using platform::Rgb;

namespace {

std::string PlatformFixture(const std::string& name) {
  return std::string(VELKORA_SOURCE_DIR) + "/tests/platform/fixtures/" + name;
}

// An 8-bit bitmap whose pixel at (x, y) is 10 * y + x, so rows and columns can be told apart.
Bitmap Numbered(int width, int height, int bits = 8) {
  Bitmap b(width, height, bits);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      auto v = static_cast<uint8_t>(10 * y + x);
      if (bits == 8)
        b.Row(y)[x] = v;
      else
        b.SetPixel(x, y, Rgb(v, uint8_t(v + 1), uint8_t(v + 2)));
    }
  return b;
}

uint8_t RedAt(const Bitmap& b, int x, int y) { return b.BitsPerPixel() == 8 ? b.Row(y)[x] : b.Pixel(x, y).red; }

}  // namespace

TEST(ImageHelpers, BmpHeaderFieldsAndFileLength) {
  testing_support::ScratchDir scratch("helpers");
  Bitmap b = Numbered(5, 3, 24);
  b.SetResolution(11811, 3937);
  Bytes file = platform::EncodeBmp(b);
  std::string path = scratch.Write("info.bmp", file);
  BmpInfo info = ReadBmpInfo(path);
  EXPECT_EQ(info.bitsPerPixel, 24);
  EXPECT_FALSE(info.compressed);
  EXPECT_EQ(info.dpiX, 300);
  EXPECT_EQ(info.dpiY, 100);
  EXPECT_TRUE(ReadBmpInfo(PlatformFixture("im_8bit_rle.bmp")).compressed);
  // 2500 and 12500 pixels per metre lie a hair below 63.5 and 317.5 dpi in extended precision (a
  // double quotient rounds them up to the tie and then to 64 and 318).
  for (auto [perMetre, dpi] : {std::pair{2500, 63}, std::pair{12500, 317}, std::pair{7500, 190}, std::pair{-2500, -63}}) {
    Bitmap r(2, 2, 24);
    r.SetResolution(perMetre, perMetre);
    BmpInfo tie = ReadBmpInfo(platform::EncodeBmp(r));
    EXPECT_EQ(tie.dpiX, dpi) << perMetre;
    EXPECT_EQ(tie.dpiY, dpi) << perMetre;
  }
  EXPECT_EQ(ReadBmpInfo(PlatformFixture("im_24bit.bmp")).dpiX, 300);

  // Every header kind the reader opens gives its own fields: an OS/2 header has no compression and
  // no resolution where a Windows one keeps them (its palette lies there); V5 headers with masks.
  struct Header {
    const char* file;
    int bits;
    bool compressed;
    int dpi;
  } headers[] = {{"im_os2_4bit.bmp", 4, false, 0}, {"im_16bit.bmp", 16, true, 0}, {"im_15bit.bmp", 16, true, 0},
                 {"im_1bit.bmp", 1, false, 0}, {"im_32bit.bmp", 32, true, 0}};
  for (const Header& h : headers) {
    BmpInfo read = ReadBmpInfo(PlatformFixture(h.file));
    EXPECT_EQ(read.bitsPerPixel, h.bits) << h.file;
    EXPECT_EQ(read.compressed, h.compressed) << h.file;
    EXPECT_EQ(read.dpiX, h.dpi) << h.file;
    EXPECT_EQ(read.dpiY, h.dpi) << h.file;
  }

  // A document: the BMP, then its record. The length field says where the record starts.
  Bytes document = file;
  document.insert(document.end(), 492, 0x55);
  std::string docPath = scratch.Write("doc.qvx", document);
  EXPECT_EQ(ReadBmpFileLength(docPath), static_cast<int32_t>(file.size()));

  EXPECT_THROW(ReadBmpInfo(Bytes(file.begin(), file.begin() + 40)), platform::FormatError);
  EXPECT_THROW(ReadBmpInfo(Bytes(46, 0)), platform::FormatError);
  EXPECT_THROW(ReadBmpFileLength(Bytes{'B', 'M', 1}), platform::FormatError);
  EXPECT_THROW(ReadBmpInfo(path + ".missing"), platform::FileError);
  std::filesystem::remove(path);
  std::filesystem::remove(docPath);
}

TEST(ImageHelpers, JpegDensity) {
  int x = -1, y = -1;
  EXPECT_TRUE(ReadJpegDensity(PlatformFixture("im_300dpi.jpg"), x, y));
  EXPECT_EQ(x, 300);
  EXPECT_EQ(y, 300);
  x = y = -1;
  EXPECT_TRUE(ReadJpegDensity(PlatformFixture("im_118dpcm.jpg"), x, y));  // 118 per cm = 299.72 per inch
  EXPECT_EQ(x, 300);
  // No density (units 0, an aspect ratio of 1:1), or no JFIF marker at all: unchanged.
  x = y = 72;
  EXPECT_FALSE(ReadJpegDensity(PlatformFixture("im_nodensity.jpg"), x, y));
  EXPECT_FALSE(ReadJpegDensity(PlatformFixture("im_cmyk.jpg"), x, y));
  EXPECT_EQ(x, 72);
  EXPECT_EQ(y, 72);

  // The marker is looked for in the first 50 bytes only.
  Bytes head = {'J', 'F', 'I', 'F', 0, 1, 1, 1, 0x01, 0x2C, 0x00, 0x96};
  for (size_t padding : {size_t(0), size_t(45), size_t(46), size_t(60)}) {
    Bytes bytes(padding, 0xFF);
    bytes.insert(bytes.end(), head.begin(), head.end());
    x = y = 72;
    EXPECT_EQ(ReadJpegDensity(bytes, x, y), padding <= 45) << padding;
    EXPECT_EQ(x, padding <= 45 ? 300 : 72) << padding;
    EXPECT_EQ(y, padding <= 45 ? 150 : 72) << padding;
  }
  // A marker whose densities lie past the end of the file.
  Bytes cut(head.begin(), head.begin() + 9);
  EXPECT_FALSE(ReadJpegDensity(cut, x, y));
  EXPECT_THROW(ReadJpegDensity(std::string("/no/such/file.jpg"), x, y), platform::FileError);
}

TEST(ImageHelpers, ReliefSizeFromPixelsAndResolution) {
  Bitmap b(1001, 501, 8);
  ReliefModel m;
  SetReliefSizeFromBitmap(m, b, 100, false);
  EXPECT_EQ(m.columns, 1001);
  EXPECT_EQ(m.rows, 501);
  EXPECT_FLOAT_EQ(m.width, 254.0f);
  EXPECT_FLOAT_EQ(m.height, 127.0f);
  EXPECT_FLOAT_EQ(m.unitsPerPixel, 0.254f);
  SetReliefSizeFromBitmap(m, b, 100, true);
  EXPECT_FLOAT_EQ(m.width, 10.0f);
  EXPECT_FLOAT_EQ(m.height, 5.0f);
  SetReliefSizeFromBitmap(m, b, 0, false);
  EXPECT_EQ(m.width, 1000.0f);
  EXPECT_EQ(m.height, 500.0f);
  EXPECT_EQ(m.unitsPerPixel, 1.0f);
  SetReliefSizeFromBitmap(m, b, -300, false);  // a negative resolution in a file counts as none
  EXPECT_EQ(m.width, 1000.0f);

  Bitmap line(800, 1, 24);
  EXPECT_THROW(SetReliefSizeFromBitmap(m, line, 100, false), ReliefError);
  EXPECT_EQ(m.columns, 1001);  // nothing changed
}

TEST(ImageHelpers, GreyConversionKeepsTheGreyLevels) {
  Bitmap colour(3, 2, 24);
  colour.SetPixel(0, 0, Rgb(255, 0, 0));
  colour.SetPixel(1, 0, Rgb(128, 128, 128));
  colour.SetPixel(2, 1, Rgb(255, 255, 255));
  MakeGreyPaletteBitmap(colour, colour.Height(), colour.Width(), false);
  EXPECT_EQ(MakeEightBit(colour), "8 bit");
  EXPECT_EQ(colour.BitsPerPixel(), 8);
  EXPECT_EQ(colour.Colors(), platform::GreyPalette(8));
  EXPECT_EQ(colour.Row(0)[0], 76);
  EXPECT_EQ(colour.Row(0)[1], 128);
  EXPECT_EQ(colour.Row(1)[2], 255);
  EXPECT_EQ(colour.Row(1)[0], 0);

  // An 8-bit picture with a colour palette: remapped through its colours, not its indices.
  Bitmap indexed(2, 1, 8);
  indexed.SetColors({Rgb(255, 255, 255), Rgb(0, 0, 255)});
  indexed.Row(0)[1] = 1;
  MakeGreyPaletteBitmap(indexed, 1, 2, false);
  EXPECT_EQ(indexed.Row(0)[0], 255);
  EXPECT_EQ(indexed.Row(0)[1], 29);
  // A 1-bit picture too.
  Bitmap mono(9, 1, 1);
  mono.SetIndex(8, 0, 1);
  EXPECT_EQ(MakeEightBit(mono), "8 bit");
  EXPECT_EQ(mono.Row(0)[8], 255);
  EXPECT_EQ(mono.Row(0)[7], 0);

  // Another size keeps the top-left pixels; the flat palette is grey 200 below entry 250.
  Bitmap flat = Numbered(3, 3);
  MakeGreyPaletteBitmap(flat, 2, 4, true);
  EXPECT_EQ(flat.Width(), 4);
  EXPECT_EQ(flat.Height(), 2);
  EXPECT_EQ(flat.Row(1)[2], 12);
  EXPECT_EQ(flat.Row(0)[3], 0);
  EXPECT_EQ(flat.Colors()[0], Rgb(200, 200, 200));
  EXPECT_EQ(flat.Colors()[249], Rgb(200, 200, 200));
  EXPECT_EQ(flat.Colors()[250], Rgb(250, 250, 250));
  EXPECT_EQ(flat.Colors()[255], Rgb(255, 255, 255));
}

TEST(ImageHelpers, FlipsInEveryByteFormat) {
  for (int rows : {4, 3}) {
    Bitmap b = Numbered(2, rows);
    FlipVertical(b);
    for (int i = 0; i < rows; ++i) EXPECT_EQ(b.Row(i)[0], 10 * (rows - 1 - i)) << rows << " rows, row " << i;
  }
  for (int bits : {8, 15, 16, 24, 32}) {
    Bitmap b = Numbered(5, 2, bits);
    Bitmap original = b;
    FlipHorizontal(b);
    for (int x = 0; x < 5; ++x) EXPECT_EQ(b.Pixel(x, 1), original.Pixel(4 - x, 1)) << bits << " bits, x " << x;
    FlipHorizontal(b);
    EXPECT_EQ(b, original);
  }
}

TEST(ImageHelpers, QuarterTurnCounterClockwise) {
  for (int bits : {8, 24}) {
    Bitmap b = Numbered(3, 2, bits);  // rows {0,1,2} and {10,11,12}
    b.SetResolution(100, 200);
    Rotate90(b);
    ASSERT_EQ(b.Width(), 2);
    ASSERT_EQ(b.Height(), 3);
    // The top row is the old right column read from top to bottom.
    EXPECT_EQ(RedAt(b, 0, 0), 2);
    EXPECT_EQ(RedAt(b, 1, 0), 12);
    EXPECT_EQ(RedAt(b, 0, 1), 1);
    EXPECT_EQ(RedAt(b, 1, 2), 10);
    EXPECT_EQ(b.PixelsPerMeterX(), 200);
  }
  Bitmap b = Numbered(5, 3, 16), original = b;
  for (int i = 0; i < 4; ++i) Rotate90(b);
  EXPECT_EQ(b, original);
}

TEST(ImageHelpers, CropInsideTheSourceOnly) {
  Bitmap source = Numbered(6, 4);
  source.SetColors({Rgb(1, 2, 3), Rgb(4, 5, 6)});
  Bitmap target(1, 1, 24);
  CropBitmap(source, target, 2, 1, 3, 2);
  EXPECT_EQ(target.BitsPerPixel(), 8);
  EXPECT_EQ(target.Colors(), source.Colors());
  ASSERT_EQ(target.Width(), 3);
  ASSERT_EQ(target.Height(), 2);
  EXPECT_EQ(target.Row(0)[0], 12);
  EXPECT_EQ(target.Row(1)[2], 24);
  Bitmap colour = Numbered(6, 4, 24);
  CropBitmap(colour, target, 0, 0, 6, 4);
  EXPECT_EQ(target, colour);

  Bitmap untouched = target;
  for (auto [x, y, w, h] : {std::tuple{-1, 0, 2, 2}, std::tuple{0, -1, 2, 2}, std::tuple{5, 0, 2, 2},
                            std::tuple{0, 3, 2, 2}, std::tuple{0, 0, 0, 2}, std::tuple{0, 0, 2, -1},
                            std::tuple{1, 1, 2147483647, 1}}) {
    EXPECT_THROW(CropBitmap(source, target, x, y, w, h), platform::BitmapError) << x << "," << y << " " << w << "x" << h;
  }
  EXPECT_EQ(target, untouched);
}

TEST(ImageHelpers, PackedBitmapsAreRefusedByFlipsRotationAndCrop) {
  for (int bits : {1, 4}) {
    Bitmap b(5, 3, bits), target;
    Bitmap original = b;
    EXPECT_THROW(FlipVertical(b), platform::BitmapError);
    EXPECT_THROW(FlipHorizontal(b), platform::BitmapError);
    EXPECT_THROW(Rotate90(b), platform::BitmapError);
    EXPECT_THROW(CropBitmap(b, target, 0, 0, 2, 2), platform::BitmapError);
    EXPECT_EQ(b, original);
  }
}

// The header readers of Open refuse a named pipe called like a picture at once, with a message.
TEST(ImageHelpers, HeaderReadersRefuseNamedPipes) {
  testing_support::ScratchDir dir("pipes");
  struct Case {
    const char* name;
    std::function<void(const std::string&)> read;
  };
  const Case cases[] = {
      {"x.bmp", [](const std::string& p) { ReadBmpInfo(p); }},
      {"y.bmp", [](const std::string& p) { ReadBmpFileLength(p); }},
      {"x.jpg", [](const std::string& p) {
         int x = 0, y = 0;
         ReadJpegDensity(p, x, y);
       }},
  };
  for (const Case& c : cases) {
    const std::string message = testing_support::NamedPipeRefusal<platform::FileError>(dir.File(c.name), c.read);
    EXPECT_NE(message.find("no regular file"), std::string::npos) << c.name << ": " << message;
  }
}
