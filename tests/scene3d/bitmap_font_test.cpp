// Bitmap fonts: ranges, widths, glyph rectangles, the quads DrawText sends (a recording OpenGL) and
// the system font's glyph layout and texture size.
#include "scene3d/bitmap_font.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "exception_message.h"
#include "fake_gl.h"
#include "scene3d/gl_state.h"
#include "scene3d/windows_font.h"

using namespace scene3d;
using testing_support::ActiveFakeTable;
using testing_support::GLCall;

namespace {

// A picture font of 10 x 12 cells, 4 to a row of its 40 x 24 picture, codes 'A'..'H'.
struct PictureFont {
  PictureFont() {
    font.SetCharWidth(10);
    font.SetCharHeight(12);
    font.Ranges().Add().SetRange('A', 'H', 0);
    font.SetGlyphs(platform::Bitmap(40, 24, 24));
  }
  TGLBitmapFont font{nullptr};
};

struct Quad {
  float x0, y0, x1, y1;       // vertex positions: first and third corner
  std::vector<double> order;  // the 16 numbers of texture coordinates and vertices, as sent
};

// The quads of the recorded calls: each a run of four TexCoord2f / Vertex2f pairs.
std::vector<Quad> QuadsOf(const std::vector<GLCall>& calls) {
  std::vector<double> numbers;
  for (const GLCall& call : calls)
    if (call.name == "TexCoord2f" || call.name == "Vertex2f") numbers.insert(numbers.end(), call.args.begin(), call.args.end());
  std::vector<Quad> quads;
  for (size_t i = 0; i + 16 <= numbers.size(); i += 16) {
    Quad q{float(numbers[i + 2]), float(numbers[i + 3]), float(numbers[i + 10]), float(numbers[i + 11]), {}};
    q.order.assign(numbers.begin() + long(i), numbers.begin() + long(i + 16));
    quads.push_back(q);
  }
  return quads;
}

struct Drawing {
  Drawing() { rci.GLStates = &states; }
  std::vector<Quad> Draw(TGLCustomBitmapFont& font, const std::string& text, TAlignment alignment = taLeftJustify,
                         TGLTextLayout layout = tlTop) {
    fake.gl.ClearCalls();
    font.DrawText(rci, text, alignment, layout, {1, 1, 0, 1});
    return QuadsOf(fake.gl.calls);
  }
  ActiveFakeTable fake;
  testing_support::RecordingLog log;  // no context: the texture name is refused quietly
  TGLStateCache states;
  RenderContextInfo rci;
};

}  // namespace

TEST(BitmapFont, RangesKeepStartAndStopInOrderAndNameThemselves) {
  TGLBitmapFont font(nullptr);
  TBitmapFontRange& range = font.Ranges().Add();
  range.SetRange('a', 'z', 3);
  EXPECT_EQ(range.GetDisplayName(), "ASCII [#97, #122] -> Glyphs [3, 28]");
  range.SetStartASCII('~');
  EXPECT_EQ(range.StopASCII(), '~') << "a start above the stop raises the stop";
  range.SetStopASCII('0');
  EXPECT_EQ(range.StartASCII(), '0') << "a stop below the start lowers the start";
  range.SetStartGlyphIdx(-5);
  EXPECT_EQ(range.StartGlyphIdx(), 0);
  font.Ranges().Add().SetRange(' ', '}', 0);
  EXPECT_EQ(font.Ranges().CharacterCount(), 1 + 94);
  EXPECT_FALSE(font.Ranges().IsDefaultRange());
  font.Ranges().Delete(0);
  EXPECT_TRUE(font.Ranges().IsDefaultRange());

  font.SetCharWidth(1);
  font.SetCharHeight(-4);
  EXPECT_EQ(font.CharWidth(), 1);
  EXPECT_EQ(font.CharHeight(), 1) << "sizes below 2 become 1";
}

TEST(BitmapFont, TextWidthCountsEveryCharacterAndTheRectanglesFollowTheCells) {
  PictureFont p;
  TGLBitmapFont& font = p.font;
  EXPECT_EQ(font.TextWidth(std::string_view("")), 0);
  EXPECT_EQ(font.TextWidth(std::string_view("AB")), 10 + 1 + 10);
  EXPECT_EQ(font.TextWidth(std::u16string_view(u"AB\u20AC")), 10 + 1 + 10 + 1 + 10) << "a wide character counts once";
  // Glyph 5 ('F') is the second of the second row: pixel (10, 12) of a 64 x 32 texture.
  const TVector4f f = font.GlyphRectangle('F');
  EXPECT_FLOAT_EQ(f.x, 10.05f / 64);
  EXPECT_FLOAT_EQ(f.y, (32 - 12.05f) / 32);
  EXPECT_FLOAT_EQ(f.z, 19.95f / 64);
  EXPECT_FLOAT_EQ(f.w, (32 - 23.95f) / 32);
  EXPECT_EQ(font.TextureWidth(), 64);
  EXPECT_EQ(font.TextureHeight(), 32);
}

TEST(BitmapFont, DrawTextSendsOneQuadPerGlyphAndRestoresLightingAndBlending) {
  PictureFont p;
  Drawing d;
  d.states.EnableState(stLighting);
  const std::vector<Quad> quads = d.Draw(p.font, "A B\x01\rC");
  ASSERT_EQ(quads.size(), 3u) << "space and control codes draw nothing";
  const TVector4f a = p.font.GlyphRectangle('A');
  EXPECT_EQ(quads[0].order, (std::vector<double>{a.x, a.y, 0, 0, a.x, a.w, 0, -12, a.z, a.w, 10, -12, a.z, a.y, 10, 0}))
      << "top-left, bottom-left, bottom-right, top-right";
  EXPECT_FLOAT_EQ(quads[1].x0, 10 + 1 + 10 + 1) << "after 'A' and the space's advance";
  EXPECT_FLOAT_EQ(quads[2].x0, 0) << "a carriage return starts the next line at the left";
  EXPECT_FLOAT_EQ(quads[2].y0, -13) << "one line lower: CharHeight + VSpace";
  EXPECT_TRUE(d.states.IsEnabled(stLighting)) << "lighting is on again after the text";
  EXPECT_FALSE(d.states.IsEnabled(stBlend)) << "blending is off again after the text";
  EXPECT_FALSE(d.states.TextureTargetEnabled(0, ttTexture2D));
}

TEST(BitmapFont, AlignmentAndLayoutPlaceTheFirstGlyph) {
  PictureFont p;
  Drawing d;
  const float total = 2 * (12 + 1) - 1;  // two lines
  struct Case {
    TAlignment alignment;
    TGLTextLayout layout;
    float x, y;
  };
  const Case cases[] = {
      {taLeftJustify, tlTop, 0, 0},
      {taLeftJustify, tlBottom, 0, total},
      {taLeftJustify, tlCenter, 0, 12},  // 12.5 rounds half to even
      {taRightJustify, tlTop, -21, 0},
      {taCenter, tlTop, -10, 0},  // -10.5 rounds half to even
  };
  for (const Case& c : cases) {
    const std::vector<Quad> quads = d.Draw(p.font, "AB\rC", c.alignment, c.layout);
    ASSERT_EQ(quads.size(), 3u);
    EXPECT_FLOAT_EQ(quads[0].x0, c.x) << "alignment " << int(c.alignment);
    EXPECT_FLOAT_EQ(quads[0].y0, c.y) << "layout " << int(c.layout);
    if (c.alignment == taRightJustify) {
      EXPECT_FLOAT_EQ(quads[1].x1, 0) << "a right-aligned line ends at the given x";
      EXPECT_FLOAT_EQ(quads[2].x1, 0) << "and so does the second line";
    }
  }
}

TEST(WindowsBitmapFont, MainWindowFontFitsASmallPowerOfTwoTextureWithoutOverlaps) {
  TGLWindowsBitmapFont font(nullptr);
  platform::Font face = font.Font();
  face.Height = -16;
  font.SetFont(face);
  font.DrawWindowsGlyphs();
  const int w = font.TextureWidth(), h = font.TextureHeight();
  EXPECT_TRUE(w >= 64 && w <= 512 && (w & (w - 1)) == 0) << w;
  EXPECT_TRUE(h >= 64 && h <= 512 && (h & (h - 1)) == 0) << h;
  EXPECT_EQ(font.Glyphs().Width(), w);
  EXPECT_GT(font.CharHeight(), 16);
  EXPECT_EQ(font.CharacterWidth('~'), 0) << "outside the range 32..125";
  EXPECT_EQ(font.TextWidth(std::string_view("A~")), font.CharacterWidth('A') + font.HSpace())
      << "a code outside the range has no width but counts in the length";

  // Glyph cells in pixels: inside the texture and apart from each other.
  struct Cell {
    float left, top, right, bottom;
  };
  std::vector<Cell> cells;
  for (int code = 33; code <= 125; ++code) {
    ASSERT_GT(font.CharacterWidth(uint8_t(code)), 0) << code;
    const TVector4f r = font.GlyphRectangle(uint8_t(code));
    cells.push_back({r.x * w, (1 - r.y) * h, r.z * w, (1 - r.w) * h});
  }
  for (size_t i = 0; i < cells.size(); ++i) {
    const Cell& a = cells[i];
    EXPECT_TRUE(a.left >= 0 && a.right <= w && a.top >= 0 && a.bottom <= h) << "glyph " << i + 33;
    for (size_t j = i + 1; j < cells.size(); ++j) {
      const Cell& b = cells[j];
      EXPECT_FALSE(a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom)
          << "glyphs " << i + 33 << " and " << j + 33 << " overlap";
    }
  }
  // The glyphs are drawn: some white, in the cell of '#'.
  const TVector4f hash = font.GlyphRectangle('#');
  int ink = 0;
  for (int y = int((1 - hash.y) * h); y < int((1 - hash.w) * h); ++y)
    for (int x = int(hash.x * w); x < int(hash.z * w); ++x) ink += font.Glyphs().Pixel(x, y).red > 128;
  EXPECT_GT(ink, 5);
}

TEST(WindowsBitmapFont, GappedRangesNeverPlaceAGlyphPastTheEdge) {
  // Widths that differ a lot and codes without glyphs between the ranges: each wrap is decided by
  // the glyph that has to fit.
  for (int height : {-9, -13, -21, -30}) {
    TGLWindowsBitmapFont font(nullptr);
    font.Ranges().Clear();
    font.Ranges().Add().SetRange('0', '9', 0);
    font.Ranges().Add().SetRange('W', 'W', 10);
    font.Ranges().Add().SetRange('a', 'm', 11);
    platform::Font face = font.Font();
    face.Height = height;
    font.SetFont(face);
    font.DrawWindowsGlyphs();
    for (int code = 0; code < 256; ++code) {
      if (font.CharacterWidth(uint8_t(code)) == 0) continue;
      const TVector4f r = font.GlyphRectangle(uint8_t(code));
      EXPECT_TRUE(r.x >= 0 && r.z <= 1 && r.w >= 0 && r.y <= 1) << "code " << code << " at height " << height;
    }
  }
}

TEST(WindowsBitmapFont, TooLargeAFontFallsBackToSixPoints) {
  TGLWindowsBitmapFont font(nullptr);
  platform::Font face = font.Font();
  face.Height = -200;
  font.SetFont(face);
  EXPECT_EQ(Message([&] { font.DrawWindowsGlyphs(); }),
            "Characters are too large or too many. Unable to create font texture.");
  EXPECT_EQ(font.FontSize(), 6);
  EXPECT_NO_THROW(font.DrawWindowsGlyphs()) << "six points fit";
  EXPECT_GT(font.CharacterWidth('A'), 0);
}

TEST(WindowsBitmapFont, DrawsEveryCharacterOfATranslationPastTheDefaultRange) {
  // Windows-1252 bytes, as the heads-up text holds them: a tilde, accented letters, the euro sign.
  struct Case {
    const char* what;
    std::string text;
  };
  const Case cases[] = {
      {"tilde", "~ 1 h"},
      {"French", "Dur\xE9" "e \xE0 peu pr\xE8s"},
      {"German", "Gesch\xE4tzte Fr\xE4szeit \xDC"},
      {"Spanish and euro", "A\xF1o \x80 \xBF"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TGLWindowsBitmapFont font(nullptr);
    platform::Font face = font.Font();
    face.Height = -16;
    font.SetFont(face);
    ASSERT_TRUE(font.Ranges().IsDefaultRange()) << "32..125 stays the font's own until a text asks for more";
    Drawing d;
    const std::vector<Quad> quads = d.Draw(font, c.text);
    const size_t glyphs = size_t(std::count_if(c.text.begin(), c.text.end(), [](char ch) { return ch != ' '; }));
    ASSERT_EQ(quads.size(), glyphs) << "one quad for every character that is not a space";
    const int w = font.TextureWidth(), h = font.TextureHeight();
    for (char ch : c.text) {
      if (ch == ' ') continue;
      const uint8_t code = uint8_t(ch);
      EXPECT_GT(font.CharacterWidth(code), 0) << "code " << int(code);
      // The glyph is drawn into its own cell of the texture.
      const TVector4f r = font.GlyphRectangle(code);
      int ink = 0;
      for (int y = int((1 - r.y) * h); y < int((1 - r.w) * h); ++y)
        for (int x = int(r.x * w); x < int(r.z * w); ++x) ink += font.Glyphs().Pixel(x, y).red > 128;
      EXPECT_GT(ink, 2) << "code " << int(code) << " has ink in its cell";
    }
    // Asking again changes nothing.
    EXPECT_FALSE(font.CoverCharacters(c.text));
  }
  // A picture font has the glyphs its picture has.
  PictureFont p;
  EXPECT_FALSE(p.font.CoverCharacters("~\xE9"));
  EXPECT_EQ(p.font.Ranges().Count(), 1);
}
