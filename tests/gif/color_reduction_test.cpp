// Colour reduction: the lookups, the ditherers and the octree.
#include "gif/color_reduction.h"

#include <gtest/gtest.h>

#include "gif/gif_exception.h"
#include "gif/octree.h"

namespace {

using namespace gif;

QImage Gradient(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.setPixel(x, y, qRgb(x * 255 / std::max(1, width - 1), y * 4 % 256, (x * y) % 256));
  return image;
}

TEST(ColorReduction, LookupsGiveTheirPaletteEntry) {
  struct LookupCase {
    const char* name;
    std::unique_ptr<TColorLookup> lookup;
    TGIFColor in;
    int index;
    TGIFColor out;
  };
  std::vector<LookupCase> cases;
  // Each component c takes step (c + 3) / 51.
  cases.push_back({"cube: 47 goes down", std::make_unique<TNetscapeColorLookup>(), {47, 0, 0}, 0, {0, 0, 0}});
  cases.push_back({"cube: 48 goes up", std::make_unique<TNetscapeColorLookup>(), {48, 0, 0}, 36, {51, 0, 0}});
  cases.push_back({"cube: 98 stays at 51", std::make_unique<TNetscapeColorLookup>(), {0, 98, 0}, 6, {0, 51, 0}});
  cases.push_back({"cube: 252 is the top step", std::make_unique<TNetscapeColorLookup>(), {0, 0, 252}, 5, {0, 0, 255}});
  cases.push_back({"cube: red varies slowest", std::make_unique<TNetscapeColorLookup>(), {255, 102, 204}, 5 * 36 + 2 * 6 + 4,
                   {255, 102, 204}});
  cases.push_back({"grey: weighted", std::make_unique<TGrayScaleLookup>(), {100, 200, 50}, (77 * 100 + 150 * 200 + 29 * 50) >> 8,
                   {152, 152, 152}});
  cases.push_back({"black and white: 127 grey is black", std::make_unique<TMonochromeLookup>(), {127, 127, 127}, 0, {0, 0, 0}});
  cases.push_back({"black and white: 128 grey is white", std::make_unique<TMonochromeLookup>(), {128, 128, 128}, 1,
                   {255, 255, 255}});
  cases.push_back({"nearest of a palette", std::make_unique<TSlowColorLookup>(WindowsGrayPalette()), {170, 170, 170}, 2,
                   {192, 192, 192}});
  for (const LookupCase& c : cases) {
    SCOPED_TRACE(c.name);
    TGIFColor out;
    EXPECT_EQ(c.lookup->Lookup(c.in.Red, c.in.Green, c.in.Blue, out), c.index);
    EXPECT_EQ(out, c.out);
    EXPECT_EQ(c.lookup->Palette()[size_t(c.index)], c.out);
  }
}

TEST(ColorReduction, EveryMethodAndDitherStaysInItsPalette) {
  const QImage source = Gradient(64, 48);
  const std::vector<TGIFColor> caller = {{0, 0, 0}, {255, 255, 255}, {255, 0, 0}};
  const std::pair<int, size_t> methods[] = {{rmWindows20, 20}, {rmWindows256, 256}, {rmWindowsGray, 4}, {rmMonochrome, 2},
                                            {rmGrayScale, 256}, {rmNetscape, 216}, {rmQuantize, 8},
                                            {rmQuantizeWindows, 256}, {rmPalette, 3}};
  for (auto [method, paletteSize] : methods)
    for (int dither = dmNearest; dither <= dmBurkes; ++dither) {
      SCOPED_TRACE("method " + std::to_string(method) + ", dither " + std::to_string(dither));
      const TReducedImage reduced = ReduceColors(source, method, 3, dither, &caller);
      // The octree may merge below its limit: a reduction folds up to eight leaves into one.
      if (method == rmQuantize || method == rmQuantizeWindows)
        EXPECT_LE(reduced.Palette.size(), paletteSize);
      else
        EXPECT_EQ(reduced.Palette.size(), paletteSize);
      ASSERT_EQ(reduced.Pixels.size(), size_t(64 * 48));
      for (uint8_t p : reduced.Pixels) ASSERT_LT(p, reduced.Palette.size());
    }
}

TEST(ColorReduction, DitherersKeepTheMeanOfAFlatGrey) {
  // Black and white only: nearest colour turns grey 100 black; error diffusion keeps its average.
  // Narrow pictures too: the error rows have margins for the widest kernel.
  for (int width : {1, 2, 3, 64}) {
    QImage grey(width, 64, QImage::Format_RGB32);
    grey.fill(qRgb(100, 100, 100));
    for (int dither = dmNearest; dither <= dmBurkes; ++dither) {
      SCOPED_TRACE("width " + std::to_string(width) + ", dither " + std::to_string(dither));
      const TReducedImage reduced = ReduceColors(grey, rmMonochrome, 8, dither);
      double sum = 0;
      for (uint8_t p : reduced.Pixels) sum += reduced.Palette[p].Red;
      const double mean = sum / double(reduced.Pixels.size());
      if (dither == dmNearest)
        EXPECT_EQ(mean, 0.0);
      else if (width == 64)
        EXPECT_NEAR(mean, 100.0, 4.0);
      else  // the edges lose error; what matters is that no weight lands outside the rows
        EXPECT_EQ(reduced.Pixels.size(), size_t(width) * 64);
    }
  }
}

TEST(ColorReduction, RefusalsAndExactColours) {
  const QImage source = Gradient(8, 8);
  const std::tuple<int, int, int> refused[] = {{rmQuantize, 0, 0}, {rmQuantize, 9, 0}, {42, 8, 0}, {rmNetscape, 8, 7},
                                               {rmPalette, 8, 0}};
  for (auto [method, bits, dither] : refused) {
    try {
      ReduceColors(source, method, bits, dither);
      ADD_FAILURE() << method << " " << bits << " " << dither;
    } catch (const GIFException& e) {
      EXPECT_STREQ(e.what(), "Invalid reduction method");
    }
  }
  EXPECT_THROW(ReduceColors(QImage(), rmNetscape, 8, 0), GIFException);

  // Few colours: the octree and "none" keep them exactly.
  QImage five(5, 3, QImage::Format_RGB32);
  for (int x = 0; x < 5; ++x)
    for (int y = 0; y < 3; ++y) five.setPixel(x, y, qRgb(x * 50, 255 - x * 20, 7));
  for (int method : {rmNone, rmQuantize}) {
    const TReducedImage reduced = ReduceColors(five, method, 8, dmNearest);
    EXPECT_EQ(reduced.Palette.size(), 5u);
    for (int x = 0; x < 5; ++x) EXPECT_EQ(reduced.Palette[reduced.Pixels[size_t(x)]], (TGIFColor{uint8_t(x * 50), uint8_t(255 - x * 20), 7}));
  }
  QImage many(257, 1, QImage::Format_RGB32);
  for (int x = 0; x < 257; ++x) many.setPixel(x, 0, qRgb(x % 256, x / 256, 0));
  EXPECT_THROW(ReduceColors(many, rmNone, 8, 0), GIFException);

  // The octree never keeps more leaves than asked, however many colours pass.
  TColorQuantizer quantizer(16);
  for (uint32_t i = 0; i < 200000; ++i) {
    const uint32_t c = i * 2654435761u;
    quantizer.AddColor(uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16));
  }
  EXPECT_LE(quantizer.Palette().size(), 16u);
  EXPECT_GE(quantizer.Palette().size(), 9u);

  // Asked for few colours, it gives as many as the picture has room for, never fewer: three
  // colours of three octants, or of one octant that parts only in the last bit.
  struct FewCase {
    const char* name;
    int wanted;
    std::vector<TGIFColor> colors;
    size_t expected;
  };
  const FewCase few[] = {
      {"three octants, two wanted", 2, {{0, 0, 0}, {255, 255, 255}, {255, 0, 0}}, 2},
      {"one octant, two wanted", 2, {{0, 0, 0}, {0, 0, 1}, {1, 0, 0}}, 2},
      {"five colours, three wanted", 3, {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}}, 3},
      {"two colours, one wanted", 1, {{0, 0, 0}, {255, 255, 255}}, 1},
  };
  for (const FewCase& c : few) {
    SCOPED_TRACE(c.name);
    TColorQuantizer q(c.wanted);
    for (int repeat = 0; repeat < 3; ++repeat)
      for (const TGIFColor& color : c.colors) q.AddColor(color.Red, color.Green, color.Blue);
    EXPECT_EQ(q.Palette().size(), c.expected);
    EXPECT_EQ(q.LeafCount(), int(c.expected));
  }
  // Reduction to 2^1 colours of a picture of black, white and red keeps black and a light colour.
  QImage three(3, 1, QImage::Format_RGB32);
  three.setPixel(0, 0, qRgb(0, 0, 0));
  three.setPixel(1, 0, qRgb(255, 255, 255));
  three.setPixel(2, 0, qRgb(255, 0, 0));
  const TReducedImage two = ReduceColors(three, rmQuantize, 1, dmNearest);
  ASSERT_EQ(two.Palette.size(), 2u);
  EXPECT_NE(two.Pixels[0], two.Pixels[1]);
}

}  // namespace
