#include "scene3d/gl_image.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "fake_gl.h"
#include "scene3d/gl_constants.h"

using namespace scene3d;
using testing_support::ActiveFakeTable;
using testing_support::RecordingLog;
using Bytes = std::vector<uint8_t>;

namespace {

// Top row red, bottom row blue.
platform::Bitmap RedOverBlue(int width, int bits) {
  platform::Bitmap bitmap(width, 2, bits);
  for (int x = 0; x < width; ++x) {
    bitmap.SetPixel(x, 0, platform::Rgb(255, 0, 0));
    bitmap.SetPixel(x, 1, platform::Rgb(0, 0, 255));
  }
  return bitmap;
}

// One row of 8-bit RGBA pixels.
std::unique_ptr<TGLImage> Row(const Bytes& rgba) {
  auto image = std::make_unique<TGLImage>();
  image->SetWidth(int32_t(rgba.size() / 4));
  image->SetHeight(1);
  image->SetUnallocated(false);
  image->PixelData() = rgba;
  return image;
}

}  // namespace

// Bitmap rows go in from the last image row up, so the picture's top is OpenGL's top; blue-first
// bytes stay as they are where OpenGL takes them, and a width that is not a multiple of 4 is
// stretched to one where it does not.
TEST(GLImage, BitmapImportPutsTheTopRowLastAndStretchesOddWidthsWithoutBGRA) {
  struct Case {
    const char* what;
    bool bgra;
    int bits, width;
    bool reverse;
    int32_t imageWidth;
    GLenum colorFormat;
    int32_t elementSize;
  } cases[] = {
      {"24 bits with BGRA", true, 24, 2, false, 2, GL_BGR, 3},
      {"24 bits, width 2, no BGRA", false, 24, 2, false, 4, GL_RGBA, 4},
      {"24 bits, width 10, no BGRA", false, 24, 10, false, 12, GL_RGBA, 4},
      {"24 bits, width 4, no BGRA", false, 24, 4, false, 4, GL_RGBA, 4},
      {"32 bits with BGRA", true, 32, 2, false, 2, GL_BGRA, 4},
      {"32 bits, width 4, no BGRA", false, 32, 4, false, 4, GL_RGBA, 4},
      {"rows reversed", false, 24, 4, true, 4, GL_RGBA, 4},
  };
  for (const Case& c : cases) {
    std::unique_ptr<ActiveFakeTable> fake;
    if (c.bgra) fake = std::make_unique<ActiveFakeTable>(std::vector<std::string>{"GL_EXT_bgra"});
    TGLImage image;
    image.SetReverseRows(c.reverse);
    image.Assign(RedOverBlue(c.width, c.bits));
    EXPECT_EQ(image.Width(), c.imageWidth) << c.what;
    EXPECT_EQ(image.Height(), 2) << c.what;
    EXPECT_EQ(image.ColorFormat(), c.colorFormat) << c.what;
    EXPECT_EQ(image.ElementSize(), c.elementSize) << c.what;
    EXPECT_EQ(image.InternalFormat(), TGLInternalFormat::tfRGBA8) << c.what;
    const Bytes top = c.reverse ? Bytes{0, 0, 255, 255} : Bytes{255, 0, 0, 255};
    const uint8_t* last = image.RowPointer(1);
    ASSERT_NE(last, nullptr) << c.what;
    for (int32_t x = 0; x < image.Width(); ++x)
      EXPECT_EQ(Bytes(last + x * 4, last + x * 4 + 3), Bytes(top.begin(), top.begin() + 3)) << c.what << " x " << x;
    std::optional<platform::Bitmap> back = image.To32BitBitmap();
    ASSERT_TRUE(back.has_value()) << c.what;
    EXPECT_EQ(back->BitsPerPixel(), 32);
    const platform::RgbQuad corner = back->Pixel(0, 0);
    EXPECT_EQ((Bytes{corner.red, corner.green, corner.blue}), Bytes(top.begin(), top.begin() + 3)) << c.what;
  }
}

TEST(GLImage, PixelToolsWorkOnEightBitRGBA) {
  struct Case {
    const char* what;
    Bytes in;
    std::function<void(TGLImage&)> tool;
    Bytes out;
  } cases[] = {
      {"brightness 2", {200, 100, 0, 7}, [](TGLImage& i) { i.ApplyBrightness(2); }, {255, 200, 0, 7}},
      {"brightness below 0 clamps", {200, 100, 0, 7}, [](TGLImage& i) { i.ApplyBrightness(-1); }, {0, 0, 0, 7}},
      {"gamma 0.05 uses exponent 10", {250, 255, 0, 9}, [](TGLImage& i) { i.ApplyGamma(0.05f); }, {209, 255, 0, 9}},
      {"gamma 2", {64, 255, 0, 9}, [](TGLImage& i) { i.ApplyGamma(2); }, {128, 255, 0, 9}},
      {"alpha from intensity", {30, 60, 91, 0}, [](TGLImage& i) { i.AlphaFromIntensity(); }, {30, 60, 91, 60}},
      {"alpha from sqrt intensity", {0, 0, 3, 0}, [](TGLImage& i) { i.AlphaFromSqrtIntensity(); }, {0, 0, 3, 16}},
      {"black key", {0, 0, 0, 9, 0, 0, 1, 9}, [](TGLImage& i) { i.AlphaFromColorKey(0); }, {0, 0, 0, 0, 0, 0, 1, 255}},
      {"key of red in the low byte, high byte ignored", {0x40, 0x80, 0xFF, 9, 0x40, 0x80, 0xFE, 9},
       [](TGLImage& i) { i.AlphaFromColorKey(0x80FF8040); }, {0x40, 0x80, 0xFF, 0, 0x40, 0x80, 0xFE, 255}},
      {"all alpha", {1, 2, 3, 4}, [](TGLImage& i) { i.SetAllAlpha(7); }, {1, 2, 3, 7}},
      {"inverted alpha", {1, 2, 3, 9}, [](TGLImage& i) { i.InvertAlphaChannel(); }, {1, 2, 3, 246}},
  };
  for (const Case& c : cases) {
    std::unique_ptr<TGLImage> image = Row(c.in);
    c.tool(*image);
    EXPECT_EQ(image->PixelData(), c.out) << c.what;
  }

  // A picture in another layout is narrowed first: RGB gains an opaque alpha.
  TGLImage rgb;
  rgb.SetWidth(1);
  rgb.SetHeight(1);
  rgb.ChangeFormat(GL_RGB, GL_UNSIGNED_BYTE);
  rgb.SetUnallocated(false);
  rgb.PixelData() = {90, 0, 0, 0};
  rgb.AlphaFromIntensity();
  EXPECT_EQ(rgb.PixelData(), (Bytes{90, 0, 0, 30}));
}

// Heights are the green channel; the normal of a slope leans away from it. Wrapping reaches round
// the other side at any width (3 here, where a mask of width − 1 would stop at the edge).
TEST(GLImage, HeightToNormalMap) {
  std::unique_ptr<TGLImage> flat = Row({9, 77, 9, 0, 9, 77, 9, 0, 9, 77, 9, 0});
  flat->HeightToNormalMap(0.125f, true, true);
  EXPECT_EQ(flat->PixelData(), (Bytes{128, 128, 255, 255, 128, 128, 255, 255, 128, 128, 255, 255}));

  const Bytes ramp = {0, 0, 0, 0, 0, 30, 0, 0, 0, 60, 0, 0};
  std::unique_ptr<TGLImage> wrapped = Row(ramp);
  wrapped->HeightToNormalMap(1.0f / 30, true, false);
  EXPECT_EQ(wrapped->PixelData(), (Bytes{218, 128, 218, 255, 14, 128, 185, 255, 218, 128, 218, 255}));
  std::unique_ptr<TGLImage> edged = Row(ramp);
  edged->HeightToNormalMap(1.0f / 30, false, false);
  EXPECT_EQ(edged->PixelData(), (Bytes{38, 128, 218, 255, 14, 128, 185, 255, 38, 128, 218, 255}));

  // Rows: the one below (earlier in memory) minus the one above.
  TGLImage column;
  column.SetWidth(1);
  column.SetHeight(3);
  column.SetUnallocated(false);
  column.PixelData() = ramp;
  column.HeightToNormalMap(1.0f / 30, false, false);
  EXPECT_EQ(column.PixelData(), (Bytes{128, 38, 218, 255, 128, 14, 185, 255, 128, 38, 218, 255}));
}

// The description can run ahead of the block: nothing reads or writes past what the block holds.
TEST(GLImage, UnallocatedImagesKeepTheirBlockAndTheToolsLeaveThemAlone) {
  std::unique_ptr<TGLImage> image = Row({1, 2, 3, 4, 5, 6, 7, 8});
  image->SetWidth(2);
  EXPECT_FALSE(image->Unallocated()) << "no change";
  image->SetWidth(1000);
  EXPECT_TRUE(image->Unallocated());
  EXPECT_EQ(image->PixelData(), (Bytes{1, 2, 3, 4, 5, 6, 7, 8}));
  image->SetAllAlpha(0);
  image->HeightToNormalMap(1, true, true);
  EXPECT_EQ(image->RowPointer(0), nullptr);
  EXPECT_EQ(image->PixelData(), (Bytes{1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_FALSE(image->To32BitBitmap().has_value());
  // Another layout would have to be narrowed first: that once failed and put the error picture in.
  TGLImage rgb;
  rgb.SetWidth(4);
  rgb.SetHeight(4);
  rgb.ChangeFormat(GL_RGB, GL_UNSIGNED_BYTE);
  ASSERT_TRUE(rgb.Unallocated());
  rgb.AlphaFromIntensity();
  rgb.ApplyGamma(2);
  EXPECT_EQ(rgb.RowPointer(1), nullptr);
  EXPECT_EQ(rgb.Width(), 4) << "not the error picture";
  EXPECT_EQ(rgb.ColorFormat(), GLenum(GL_RGB));
  EXPECT_TRUE(rgb.Unallocated());

  // The element size follows a format change made before the block is sized.
  image->ChangeFormat(GL_RGBA, GL_FLOAT);
  EXPECT_EQ(image->ElementSize(), 16);
  image->SetUnallocated(false);
  EXPECT_EQ(image->PixelData().size(), 1000u * 16);

  // Assigning an unallocated image takes its description only.
  TGLImage copy;
  image->SetHeight(2);
  copy.Assign(image.get());
  EXPECT_TRUE(copy.Unallocated());
  EXPECT_EQ(copy.Height(), 2);
  EXPECT_TRUE(copy.PixelData().empty());
  image->SetUnallocated(false);
  copy.Assign(image.get());
  EXPECT_FALSE(copy.Unallocated());
  EXPECT_EQ(copy.PixelData().size(), 2000u * 16);
  copy.Assign(static_cast<const TPersistent*>(nullptr));
  EXPECT_EQ(copy.Width(), 1000) << "none is ignored";
}

TEST(GLImage, ChangeFormatConvertsEveryLevelOrFallsBackToTheErrorPicture) {
  RecordingLog log;
  TGLImage image;
  image.SetWidth(2);
  image.SetHeight(2);
  image.SetMipLevels(2);
  image.SetUnallocated(false);
  image.PixelData() = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 20, 21, 22, 23};
  image.ChangeFormat(GL_BGR, GL_UNSIGNED_BYTE);
  EXPECT_EQ(image.OldColorFormat(), GLenum(GL_RGBA));
  EXPECT_EQ(image.ElementSize(), 3);
  EXPECT_EQ(image.Levels(), (std::vector<int32_t>{0, 12}));
  EXPECT_EQ(image.PixelData(), (Bytes{3, 2, 1, 7, 6, 5, 11, 10, 9, 15, 14, 13, 22, 21, 20, 0}));

  image.ChangeFormat(GL_RGBA, GL_FLOAT);
  EXPECT_TRUE(log.Has("(EE)   TGLImage: can't convert image to RGBA8 format"));
  EXPECT_EQ(image.Width(), 64);
  EXPECT_FALSE(image.Unallocated());
}

TEST(GLImage, GraphicClassForExtensionFindsTheRegisteredPictureFormats) {
  EXPECT_EQ(GraphicClassForExtension(".BMP")->description, "Bitmaps");
  EXPECT_TRUE(GraphicClassForExtension("jpeg").has_value());
  EXPECT_FALSE(GraphicClassForExtension("xyz").has_value());
  platform::RegisterPictureFormat("xyz", "Test Pictures",
                                  [](const uint8_t*, size_t) { return platform::Bitmap(1, 1, 24); });
  EXPECT_EQ(GraphicClassForExtension(".xyz")->decode(nullptr, 0).Width(), 1);
  EXPECT_EQ(platform::PictureFormatEntries().back(), "xyz=Test Pictures");
  platform::UnregisterPictureFormat("XYZ");
  EXPECT_FALSE(GraphicClassForExtension("xyz").has_value());
}
