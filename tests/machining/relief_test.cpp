#include "machining/relief.h"

#include <gtest/gtest.h>

#include <memory>

#include "lang/lang.h"
#include "platform/dialogs.h"

using namespace machining;
using platform::Bitmap;
using platform::Rgb;

namespace {

// A bitmap of one grey level in the given format.
Bitmap Uniform(int width, int height, int bits, uint8_t grey) {
  Bitmap b(width, height, bits);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      if (bits == 8)
        b.Row(y)[x] = grey;
      else
        b.SetPixel(x, y, Rgb(grey, grey, grey));
    }
  return b;
}

ReliefModel ModelFor(const Bitmap& b) {
  ReliefModel m;
  m.columns = b.Width();
  m.rows = b.Height();
  m.zWhite = 0.0f;
  m.zBlack = -5.0f;
  m.depth = 5.0f;
  return m;
}

// Every node of the grid equals `z`.
::testing::AssertionResult AllNodes(const HeightGrid& grid, float z) {
  for (int c = 0; c < grid.Columns(); ++c)
    for (int r = 0; r < grid.Rows(); ++r)
      if (grid.At(c, r) != z) return ::testing::AssertionFailure() << "node " << c << "," << r << " is " << grid.At(c, r);
  return ::testing::AssertionSuccess();
}

}  // namespace

TEST(Relief, WhiteBlackAndMidGreyInEveryTrueColourAndGreyFormat) {
  for (int bits : {8, 24, 32}) {
    SCOPED_TRACE(bits);
    Bitmap white = Uniform(5, 3, bits, 255);
    ReliefModel m = ModelFor(white);
    ReliefBuild built = ElaboraImmagine(m, &white, false);
    EXPECT_TRUE(built.ran && built.filled && built.rebuildSurface && built.reliefReady && built.invalidateProgram);
    EXPECT_EQ(m.grid.Columns(), 5);
    EXPECT_EQ(m.grid.Rows(), 3);
    EXPECT_TRUE(AllNodes(m.grid, 0.0f));
    EXPECT_FALSE(m.gridStale);
    EXPECT_EQ(m.columnBound, 5);

    Bitmap black = Uniform(5, 3, bits, 0);
    ElaboraImmagine(m, &black, false);
    EXPECT_TRUE(AllNodes(m.grid, -5.0f));

    Bitmap grey = Uniform(4, 4, bits, 128);
    ReliefModel g = ModelFor(grey);
    ElaboraImmagine(g, &grey, false);
    EXPECT_NEAR(g.grid.At(3, 2), -2.490196, 1e-6);
  }
  // Other depths: white at zWhite, black at zBlack.
  Bitmap white = Uniform(3, 2, 24, 255), black = Uniform(3, 2, 24, 0);
  ReliefModel m = ModelFor(white);
  SetBlackDepth(m, -7.25f);
  SetWhiteDepth(m, 1.5f);
  EXPECT_FLOAT_EQ(m.depth, 8.75f);
  EXPECT_TRUE(m.gridStale);
  ElaboraImmagine(m, &white, false);
  EXPECT_TRUE(AllNodes(m.grid, 1.5f));
  ElaboraImmagine(m, &black, false);
  EXPECT_TRUE(AllNodes(m.grid, -7.25f));
}

TEST(Relief, TopLineLandsInTheTopRowAndColoursUseTheGreyWeights) {
  Bitmap b(3, 4, 24);  // all black but a white top line and a red pixel on the bottom line
  for (int x = 0; x < 3; ++x) b.SetPixel(x, 0, Rgb(255, 255, 255));
  b.SetPixel(2, 3, Rgb(255, 0, 0));
  ReliefModel m = ModelFor(b);
  ElaboraImmagine(m, &b, false);
  for (int x = 0; x < 3; ++x) {
    EXPECT_EQ(m.grid.At(x, 3), 0.0f) << x;
    EXPECT_EQ(m.grid.At(x, 2), -5.0f) << x;
  }
  EXPECT_NEAR(m.grid.At(2, 0), -5.0 + 76 * 5.0 / 255, 1e-6);  // grey of red is 76
  EXPECT_EQ(m.grid.At(1, 0), -5.0f);

  // Lines are converted in bands of a few hundred: a tall picture keeps every line in place.
  Bitmap tall(2, 601, 8);
  for (int y = 0; y < 601; ++y) tall.Row(y)[0] = tall.Row(y)[1] = static_cast<uint8_t>(y % 251);
  ReliefModel t = ModelFor(tall);
  ElaboraImmagine(t, &tall, false);
  for (int y = 0; y < 601; ++y)
    ASSERT_NEAR(t.grid.At(1, 600 - y), -5.0 + (y % 251) * 5.0 / 255, 1e-5) << y;
}

TEST(Relief, EightBitIndicesTakeTheGreyOfTheirPaletteEntry) {
  // A two-colour picture made 8-bit: index 0 white, 1 black, 2 red, 3 beyond the palette.
  Bitmap b(4, 2, 8);
  b.SetColors({Rgb(255, 255, 255), Rgb(0, 0, 0), Rgb(255, 0, 0)});
  for (int x = 0; x < 4; ++x) b.Row(0)[x] = b.Row(1)[x] = static_cast<uint8_t>(x);
  ReliefModel m = ModelFor(b);
  ElaboraImmagine(m, &b, false);
  EXPECT_EQ(m.grid.At(0, 0), 0.0f) << "white";
  EXPECT_EQ(m.grid.At(1, 0), -5.0f) << "black";
  EXPECT_NEAR(m.grid.At(2, 0), -5.0 + 76 * 5.0 / 255, 1e-6) << "the grey of red";
  EXPECT_EQ(m.grid.At(3, 1), -5.0f) << "past the palette: black";
}

TEST(Relief, SurfaceShadeStaysAFiniteGrey) {
  ReliefModel m;  // white 0, black -5
  EXPECT_FLOAT_EQ(SurfaceShade(m, -5.0f), 0.0f);
  EXPECT_FLOAT_EQ(SurfaceShade(m, -2.5f), 0.5f);
  EXPECT_FLOAT_EQ(SurfaceShade(m, 3.0f), 1.0f) << "above white is white";
  SetBlackDepth(m, 0.0f);  // no depth: 0 / 0
  for (float z : {0.0f, 1.0f, -1.0f}) EXPECT_EQ(SurfaceShade(m, z), 1.0f) << z;
}

TEST(Relief, SixteenBitPixelsUseThirtyTwoSteps) {
  // 15 bits (5-5-5, what a BMP's 16 bits without masks hold) and 16 bits (5-6-5) each read with
  // their own layout: dark red and dark green fall where the two layouts differ, so reading one
  // as the other would give grey 0 for both.
  for (int bits : {15, 16}) {
    SCOPED_TRACE(bits);
    Bitmap b(4, 2, bits);
    b.SetPixel(0, 0, Rgb(255, 255, 255));
    b.SetPixel(1, 0, Rgb(0, 0, 255));  // blue 31 -> grey Round(3.534) = 4
    b.SetPixel(2, 0, Rgb(128, 0, 0));  // red 16 -> grey Round(4.784) = 5
    b.SetPixel(3, 0, Rgb(0, 128, 0));  // green 16 (32 of 63 halved) -> grey Round(9.392) = 9
    ReliefModel m = ModelFor(b);
    ReliefBuild built = ElaboraImmagine(m, &b, false);
    EXPECT_TRUE(built.filled);
    EXPECT_NEAR(m.grid.At(0, 1), -5.0 / 32, 1e-6);  // the brightest white lies 1/32 below zWhite
    EXPECT_NEAR(m.grid.At(1, 1), -5.0 + 4 * 5.0 / 32, 1e-6);
    EXPECT_NEAR(m.grid.At(2, 1), -5.0 + 5 * 5.0 / 32, 1e-6);
    EXPECT_NEAR(m.grid.At(3, 1), -5.0 + 9 * 5.0 / 32, 1e-6);
    EXPECT_EQ(m.grid.At(0, 0), -5.0f);
  }
}

TEST(Relief, PackedFormatsAndResetOnly) {
  platform::RecordingDialogs dialogs;
  platform::ScopedDialogs scoped(&dialogs);
  // 4 bits: the message, the grid at the white depth (never undefined), no buttons.
  Bitmap four(3, 2, 4);
  ReliefModel m = ModelFor(four);
  m.grid.Resize(1, 1, 99.0f);
  ReliefBuild built = ElaboraImmagine(m, &four, false);
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text, "Bitmap with 16 colors is not correctly converted");
  EXPECT_EQ(dialogs.messages[0].buttons, platform::Buttons::Ok);
  EXPECT_TRUE(built.ran);
  EXPECT_FALSE(built.filled || built.reliefReady || built.rebuildSurface);
  EXPECT_EQ(m.grid.Columns(), 3);
  EXPECT_TRUE(AllNodes(m.grid, 0.0f));

  // 1 bit: sized (at the white depth) and ready, no message.
  Bitmap one(4, 2, 1);
  ReliefModel o = ModelFor(one);
  built = ElaboraImmagine(o, &one, false);
  EXPECT_EQ(dialogs.messages.size(), 1u);
  EXPECT_TRUE(built.reliefReady);
  EXPECT_FALSE(built.filled);
  EXPECT_EQ(o.grid.Columns(), 4);
  EXPECT_TRUE(AllNodes(o.grid, 0.0f));

  // Only a reset: flags and column bound, the grid untouched.
  Bitmap b = Uniform(3, 3, 24, 0);
  ReliefModel r = ModelFor(b);
  built = ElaboraImmagine(r, &b, true);
  EXPECT_TRUE(built.ran);
  EXPECT_FALSE(built.invalidateProgram || built.filled);
  EXPECT_FALSE(r.gridStale);
  EXPECT_EQ(r.columnBound, 3);
  EXPECT_TRUE(r.grid.Empty());
  // No working bitmap: nothing at all.
  built = ElaboraImmagine(r, nullptr, false);
  EXPECT_FALSE(built.ran);
}

TEST(Relief, PicturesBelowTwoByTwoAndMismatchedSizesAreRefused) {
  for (auto [w, h] : {std::pair{1, 5}, std::pair{5, 1}, std::pair{1, 1}}) {
    Bitmap b = Uniform(w, h, 24, 255);
    ReliefModel m = ModelFor(b);
    m.width = 10;
    EXPECT_THROW(ElaboraImmagine(m, &b, false), ReliefError) << w << "x" << h;
    EXPECT_TRUE(m.grid.Empty());
    EXPECT_TRUE(m.gridStale);
    EXPECT_THROW(ImpostaBoxLimite(m), ReliefError);
    EXPECT_EQ(m.gridStep, 0.0f);
  }
  try {
    CheckReliefPictureSize(1, 7);
    ADD_FAILURE();
  } catch (const ReliefError& e) {
    EXPECT_NE(std::string(e.what()).find("at least 2 x 2"), std::string::npos) << e.what();
  }
  Bitmap b = Uniform(4, 4, 24, 255);
  ReliefModel m = ModelFor(b);
  m.columns = 5;
  EXPECT_THROW(ElaboraImmagine(m, &b, false), ReliefError);
}

TEST(Relief, StockBoxFromTheImageBox) {
  ReliefModel m;
  m.columns = 101;
  m.rows = 51;
  m.width = 200.0f;
  m.height = 100.0f;
  m.originX = -20.0f;
  m.originY = 5.0f;
  m.zWhite = 1.0f;
  m.zBlack = -4.0f;
  m.depth = 5.0f;
  m.gridStale = false;
  m.parametersChanged = false;
  StockBox box = ImpostaBoxLimite(m);
  EXPECT_FLOAT_EQ(m.gridStep, 2.0f);
  EXPECT_EQ(m.gridOriginX, -20.0f);
  EXPECT_EQ(m.gridOriginY, 5.0f);
  EXPECT_TRUE(m.gridStale && m.parametersChanged);
  EXPECT_EQ(box.cubeHeight, 200.0f);
  EXPECT_EQ(box.cubeWidth, 100.0f);
  EXPECT_EQ(box.cubeDepth, 5.0f);
  EXPECT_EQ(box.positionX, 80.0f);
  EXPECT_EQ(box.positionY, 55.0f);
  EXPECT_EQ(box.positionZ, -1.5f);
  EXPECT_EQ(box.axisScale, 50.0f);
}

TEST(Relief, ZNoCutPicksTheNearestNodeButNotTheLastColumnOrRow) {
  lang::Language language;
  language.LangIni = std::make_unique<platform::IniFile>();
  language.LangIni->LoadFromText("[String]\n752=Point outside the relief\n");
  lang::ScopedLanguage scopedLanguage(&language);

  Bitmap b(4, 3, 8);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) b.Row(y)[x] = static_cast<uint8_t>(10 * x + 100 * y);
  ReliefModel m = ModelFor(b);
  m.width = 6.0f;
  m.height = 4.0f;
  m.originX = 10.0f;
  m.originY = 20.0f;
  ImpostaBoxLimite(m);  // grid step 2
  ElaboraImmagine(m, &b, false);

  ZNoCutPick p = ProfZNoCut(m, 12.0f, 22.0f, false);  // column 1, row 1 = image line 1
  EXPECT_TRUE(p.inside);
  EXPECT_EQ(p.z, m.grid.At(1, 1));
  EXPECT_NEAR(p.z, -5.0 + 110 * 5.0 / 255, 1e-6);
  EXPECT_EQ(p.text, " Z: -2.843");
  EXPECT_EQ(ProfZNoCut(m, 12.0f, 22.0f, true).text, " Z: -2.8431");
  // Half a step rounds to even: 0.5 -> column 0, 1.5 -> column 2.
  EXPECT_EQ(ProfZNoCut(m, 11.0f, 20.0f, false).z, m.grid.At(0, 0));
  EXPECT_EQ(ProfZNoCut(m, 13.0f, 20.0f, false).z, m.grid.At(2, 0));
  // The last column (3) and the last row (2) count as outside, as does anything off the grid.
  for (auto [x, y] : {std::pair{16.0f, 20.0f}, std::pair{10.0f, 24.0f}, std::pair{8.0f, 20.0f}, std::pair{10.0f, 18.0f},
                      std::pair{1e30f, 20.0f}}) {
    ZNoCutPick out = ProfZNoCut(m, x, y, false);
    EXPECT_FALSE(out.inside) << x << "," << y;
    EXPECT_EQ(out.z, 7777.0f);
    EXPECT_EQ(out.text, " Point outside the relief");
  }
  // A grid never built, or a zero grid step, reads nothing.
  ReliefModel fresh = ModelFor(b);
  EXPECT_EQ(ProfZNoCut(fresh, 0.0f, 0.0f, false).z, 7777.0f);
  fresh.gridStep = 2.0f;
  EXPECT_EQ(ProfZNoCut(fresh, 0.0f, 0.0f, false).z, 7777.0f);
}

TEST(Relief, CropRectangleMeasure) {
  ReliefModel m;
  m.originX = -10.0f;
  m.originY = -5.0f;
  m.unitsPerPixel = 0.5f;
  // Corners in either order give the same box: top-left relative to the origin, size, pixels.
  for (auto [x1, y1, x2, y2] : {std::tuple{2.0, 30.0, 12.5, 20.0}, std::tuple{12.5, 20.0, 2.0, 30.0},
                                std::tuple{2.0, 20.0, 12.5, 30.0}}) {
    CropBox box = InfoCut(m, x1, y1, x2, y2, false);
    EXPECT_EQ(box.originX, 12.0f);
    EXPECT_EQ(box.originY, 35.0f);
    EXPECT_EQ(box.width, 10.5f);
    EXPECT_EQ(box.height, 10.0f);
    EXPECT_EQ(box.columns, 21);
    EXPECT_EQ(box.rows, 20);
    EXPECT_EQ(box.widthText, "10.5");
    EXPECT_EQ(box.heightText, "10");
    EXPECT_EQ(box.columnsText, "21");
    EXPECT_EQ(box.rowsText, "20");
  }
  // Pixel counts round half to even.
  EXPECT_EQ(InfoCut(m, 0, 0, 1.25, 0.75, false).columns, 2);
  EXPECT_EQ(InfoCut(m, 0, 0, 1.25, 0.75, false).rows, 2);
  // No pixel size yet: no pixels, no overflow.
  m.unitsPerPixel = 0.0f;
  CropBox none = InfoCut(m, 0, 0, 5, 5, false);
  EXPECT_EQ(none.columns, 0);
  EXPECT_EQ(none.width, 5.0f);
}
