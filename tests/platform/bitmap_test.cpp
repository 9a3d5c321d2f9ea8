#include "platform/bitmap.h"
#include "platform/bitmap_qimage.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace platform;

TEST(Bitmap, BytesPerPixelAndUnknownFormats) {
  EXPECT_EQ(BytesPerPixel(1), 1);
  EXPECT_EQ(BytesPerPixel(4), 1);
  EXPECT_EQ(BytesPerPixel(8), 1);
  EXPECT_EQ(BytesPerPixel(15), 2);
  EXPECT_EQ(BytesPerPixel(16), 2);
  EXPECT_EQ(BytesPerPixel(24), 3);
  EXPECT_EQ(BytesPerPixel(32), 4);
  for (int bad : {0, 2, 12, 48, -8}) {
    try {
      BytesPerPixel(bad);
      ADD_FAILURE() << bad << " bits accepted";
    } catch (const InvalidPixelFormat& e) {
      EXPECT_STREQ(e.what(), "Bitmap pixelformat is unknown.");
    }
    EXPECT_THROW(Bitmap(2, 2, bad), InvalidPixelFormat) << bad;
  }
}

TEST(Bitmap, RowsArePaddedToFourBytesAndReachedTopDown) {
  struct Case {
    int width, bits;
    size_t stride;
  } cases[] = {{1, 1, 4}, {33, 1, 8}, {7, 4, 4}, {9, 4, 8}, {5, 8, 8}, {3, 15, 8}, {3, 16, 8}, {5, 24, 16}, {3, 32, 12}};
  for (const Case& c : cases) {
    Bitmap b(c.width, 3, c.bits);
    EXPECT_EQ(b.Stride(), c.stride) << c.width << " x " << c.bits;
    EXPECT_EQ(b.BitsSize(), 3 * c.stride);
    EXPECT_EQ(b.Row(2) - b.Row(0), static_cast<ptrdiff_t>(2 * c.stride));
  }
  // Indexed formats start with the grey ramp, black first; others have no palette.
  EXPECT_EQ(Bitmap(1, 1, 1).Colors(), (Palette{Rgb(0, 0, 0), Rgb(255, 255, 255)}));
  EXPECT_EQ(Bitmap(1, 1, 4).Colors()[1], Rgb(17, 17, 17));
  EXPECT_EQ(Bitmap(1, 1, 8).Colors()[128], Rgb(128, 128, 128));
  EXPECT_TRUE(Bitmap(1, 1, 24).Colors().empty());
}

TEST(Bitmap, RefusesSizesOverTheCapBeforeAllocating) {
  EXPECT_THROW(Bitmap(70000, 1, 8), BitmapError);
  EXPECT_THROW(Bitmap(1, 70000, 8), BitmapError);
  EXPECT_THROW(Bitmap(20000, 20000, 24), BitmapError);
  EXPECT_THROW(Bitmap(-1, 5, 24), BitmapError);
  try {
    Bitmap(60000, 60000, 1);
    ADD_FAILURE();
  } catch (const BitmapError& e) {
    EXPECT_NE(std::string(e.what()).find("too large"), std::string::npos) << e.what();
  }
  EXPECT_NO_THROW(Bitmap(65535, 2, 1));
  Bitmap b(4, 4, 8);
  EXPECT_THROW(b.Resize(100000, 1), BitmapError);
  EXPECT_EQ(b.Width(), 4);  // unchanged after a refused resize
}

TEST(Bitmap, PixelsOfEveryFormatRoundTrip) {
  // Packed indices: the leftmost pixel in the highest bits.
  Bitmap one(10, 1, 1);
  one.SetIndex(0, 0, 1);
  one.SetIndex(9, 0, 1);
  EXPECT_EQ(one.Row(0)[0], 0x80);
  EXPECT_EQ(one.Row(0)[1], 0x40);
  EXPECT_EQ(one.Index(9, 0), 1);
  EXPECT_EQ(one.Index(8, 0), 0);
  Bitmap four(3, 1, 4);
  four.SetIndex(0, 0, 0xA);
  four.SetIndex(1, 0, 0x5);
  four.SetIndex(2, 0, 0xF);
  EXPECT_EQ(four.Row(0)[0], 0xA5);
  EXPECT_EQ(four.Row(0)[1], 0xF0);
  EXPECT_EQ(four.Pixel(2, 0), Rgb(255, 255, 255));
  // An index beyond a short palette reads black.
  four.SetColors({Rgb(1, 2, 3)});
  EXPECT_EQ(four.Pixel(0, 0), RgbQuad{});
  EXPECT_THROW(four.SetPixel(0, 0, Rgb(1, 1, 1)), BitmapError);

  Bitmap b15(2, 2, 15), b16(2, 2, 16), b24(2, 2, 24), b32(2, 2, 32);
  b15.SetPixel(1, 1, Rgb(255, 0, 255));
  EXPECT_EQ(b15.Row(1)[2] | (b15.Row(1)[3] << 8), 0x7C1F);
  EXPECT_EQ(b15.Pixel(1, 1), Rgb(255, 0, 255));
  b16.SetPixel(1, 0, Rgb(0, 255, 0));
  EXPECT_EQ(b16.Row(0)[2] | (b16.Row(0)[3] << 8), 0x07E0);
  EXPECT_EQ(b16.Pixel(1, 0), Rgb(0, 255, 0));
  b24.SetPixel(1, 1, Rgb(10, 20, 30));
  EXPECT_EQ(b24.Row(1)[3], 30);  // blue first
  EXPECT_EQ(b24.Row(1)[5], 10);
  EXPECT_EQ(b24.Pixel(1, 1), Rgb(10, 20, 30));
  b32.SetPixel(0, 1, RgbQuad{1, 2, 3, 4});
  EXPECT_EQ(b32.Row(1)[3], 4);
  EXPECT_EQ(b32.Pixel(0, 1), (RgbQuad{1, 2, 3, 4}));
}

TEST(Bitmap, GreyLevelRoundsTheExtendedSumHalfToEven) {
  EXPECT_EQ(GreyLevel(255, 255, 255), 255);
  EXPECT_EQ(GreyLevel(0, 0, 0), 0);
  EXPECT_EQ(GreyLevel(128, 128, 128), 128);
  EXPECT_EQ(GreyLevel(255, 0, 0), 76);  // 76.245
  EXPECT_EQ(GreyLevel(0, 255, 0), 150);  // 149.685
  // Every colour against the weighted sum computed in extended precision.
  int mismatches = 0;
  for (int r = 0; r < 256; ++r)
    for (int g = 0; g < 256; ++g)
      for (int b = 0; b < 256; ++b) {
        long double sum = 0.299L * r + 0.587L * g + 0.114L * b;
        if (GreyLevel(uint8_t(r), uint8_t(g), uint8_t(b)) != static_cast<int>(std::nearbyintl(sum)) &&
            ++mismatches < 5)
          ADD_FAILURE() << r << "," << g << "," << b;
      }
  EXPECT_EQ(mismatches, 0);
}

TEST(Bitmap, ConversionsKeepIndicesOrColoursOrGreys) {
  Bitmap four(3, 2, 4);
  four.SetColors({Rgb(0, 0, 0), Rgb(255, 0, 0), Rgb(0, 0, 255)});
  four.SetIndex(0, 0, 1);
  four.SetIndex(2, 1, 2);
  four.SetResolution(100, 200);
  Bitmap eight = ConvertPixelFormat(four, 8);
  EXPECT_EQ(eight.BitsPerPixel(), 8);
  EXPECT_EQ(eight.Row(0)[0], 1);
  EXPECT_EQ(eight.Row(1)[2], 2);
  EXPECT_EQ(eight.Colors(), four.Colors());
  EXPECT_EQ(eight.PixelsPerMeterY(), 200);

  Bitmap colour = ConvertPixelFormat(four, 24);
  EXPECT_EQ(colour.Pixel(0, 0), Rgb(255, 0, 0));
  EXPECT_EQ(colour.Pixel(2, 1), Rgb(0, 0, 255));
  Bitmap back = ConvertPixelFormat(colour, 32);
  EXPECT_EQ(back.Pixel(2, 1), Rgb(0, 0, 255));

  // True colour to 8 bits: index = grey level, grey ramp palette.
  Bitmap grey = ConvertPixelFormat(colour, 8);
  EXPECT_EQ(grey.Row(0)[0], 76);
  EXPECT_EQ(grey.Row(1)[2], 29);
  EXPECT_EQ(grey.Colors(), GreyPalette(8));
  // A colour palette is reduced through its colours' greys.
  Bitmap viaPalette = ToGreyEightBit(four);
  EXPECT_EQ(viaPalette.Row(0)[0], 76);
  EXPECT_EQ(viaPalette.Row(1)[2], 29);
  EXPECT_THROW(ConvertPixelFormat(colour, 1), BitmapError);
  EXPECT_THROW(ConvertPixelFormat(colour, 4), BitmapError);
}

TEST(Bitmap, ResizeKeepsTheTopLeftPixels) {
  Bitmap b(3, 2, 4);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) b.SetIndex(x, y, static_cast<uint8_t>(1 + x + 3 * y));
  b.Row(0)[b.Stride() - 1] = 0xFF;  // padding must not leak into new pixels
  b.Resize(9, 3);
  EXPECT_EQ(b.Index(2, 1), 6);
  EXPECT_EQ(b.Index(0, 0), 1);
  for (int x = 3; x < 9; ++x) EXPECT_EQ(b.Index(x, 0), 0) << x;
  EXPECT_EQ(b.Index(0, 2), 0);
  b.Resize(1, 1);
  EXPECT_EQ(b.Index(0, 0), 1);
  EXPECT_EQ(b.Row(0)[0], 0x10);
}

TEST(Bitmap, ShownThroughAQImageCopy) {
  Bitmap four(3, 2, 4);
  four.SetColors({Rgb(0, 0, 0), Rgb(200, 10, 20)});
  four.SetIndex(2, 1, 1);
  QImage image = ToQImage(four);
  EXPECT_EQ(image.width(), 3);
  EXPECT_EQ(image.height(), 2);
  EXPECT_EQ(image.pixel(2, 1), qRgb(200, 10, 20));
  EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 0));
  Bitmap wide(2, 1, 16);
  wide.SetPixel(1, 0, Rgb(255, 255, 0));
  EXPECT_EQ(ToQImage(wide).pixel(1, 0), qRgb(255, 255, 0));
  EXPECT_TRUE(ToQImage(Bitmap()).isNull() || ToQImage(Bitmap()).width() == 0);

  // The formats copied row by row give what Pixel gives, a palette index past the colours black.
  for (int bits : {8, 24, 32}) {
    Bitmap b(5, 3, bits);
    if (bits == 8) {
      b.SetColors({Rgb(1, 2, 3), Rgb(200, 10, 20), Rgb(7, 250, 9)});
      for (int x = 0; x < 5; ++x) b.SetIndex(x, 2, uint8_t(x));
    } else {
      for (int x = 0; x < 5; ++x) b.SetPixel(x, 2, Rgb(uint8_t(40 * x), uint8_t(255 - x), uint8_t(x * x)));
    }
    const QImage copy = ToQImage(b);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x) {
        const RgbQuad c = b.Pixel(x, y);
        EXPECT_EQ(copy.pixel(x, y), qRgb(c.red, c.green, c.blue)) << bits << " bits at " << x << ", " << y;
      }
    if (bits == 8) {
      EXPECT_EQ(copy.pixel(4, 2), qRgb(0, 0, 0));
      // A byte a pixel, as the picture itself: a 16384 x 16384 one must not take 1 GB more.
      EXPECT_LE(copy.sizeInBytes(), qsizetype(b.Stride()) * b.Height());
    }
    // Stretched twice over onto a canvas, each pixel shows as the copy gives it.
    Canvas canvas(10, 6, clWhite);
    canvas.StretchDraw(Rect{0, 0, 10, 6}, copy);
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 10; ++x)
        EXPECT_EQ(canvas.Image().pixel(x, y) & 0xFFFFFF, copy.pixel(x / 2, y / 2) & 0xFFFFFF)
            << bits << " bits drawn at " << x << ", " << y;
  }
}
