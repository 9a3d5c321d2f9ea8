// Heads-up text on Mesa: where its pixels land in the program's 500 x 533 view, what it leaves of
// the OpenGL state, and a font that goes away.
#include "scene3d/hud_objects.h"

#include <gtest/gtest.h>

#include "scene3d/gl_context.h"
#include "scene3d/streaming_classes.h"
#include "scene3d/windows_font.h"
#include "scene_fixture.h"

using namespace scene3d;
using testing_support::Rgb;
using testing_support::SceneFixture;

namespace {

// The main window's view, font and heads-up text.
struct HUDScene : SceneFixture {
  HUDScene() : SceneFixture(500, 533) {
    font = new TGLWindowsBitmapFont(&scene);
    platform::Font face = font->Font();
    face.Height = -16;
    font->SetFont(face);
    text = scene.Objects()->CreateChild<TGLHUDText>();
    text->SetBitmapFont(font);
    text->Position().SetPointXYZ(20, 500, 0);
    text->ModulateColor().SetColor({1, 1, 0, 1});
    text->SetText("Prova");
  }
  // The box that holds every pixel that is not black (empty: right <= left).
  platform::Rect Ink() {
    platform::Rect box{500, 533, 0, 0};
    for (int y = 0; y < 533; ++y)
      for (int x = 0; x < 500; ++x)
        if (At(x, y) != Rgb{0, 0, 0}) box = {std::min(box.Left, x), std::min(box.Top, y), std::max(box.Right, x + 1), std::max(box.Bottom, y + 1)};
    return box;
  }
  TGLWindowsBitmapFont* font;
  TGLHUDText* text;
};

}  // namespace

TEST(HUDText, ProvaStandsInItsBoxBelowAndRightOfItsPosition) {
  SKIP_WITHOUT_EGL();
  HUDScene s;
  s.Render();
  int yellow = 0, other = 0;
  for (int y = 0; y < 533; ++y)
    for (int x = 0; x < 500; ++x) {
      const Rgb c = s.At(x, y);
      if (c == Rgb{0, 0, 0}) continue;
      const bool inside = x >= 20 && x < 20 + s.font->TextWidth(std::string_view("Prova")) && y >= 500 &&
                          y < 500 + s.font->CharHeight();
      EXPECT_TRUE(inside) << "ink at (" << x << ", " << y << ")";
      if (c.r > 128 && c.g > 128 && c.b < 64) ++yellow;
      else ++other;
    }
  EXPECT_GT(yellow, 30) << "the glyphs are yellow";

  // Right-aligned at x = 300: the line ends there.
  s.text->Position().SetPointXYZ(300, 100, 0);
  s.text->SetAlignment(taRightJustify);
  s.Render();
  const platform::Rect right = s.Ink();
  ASSERT_LT(right.Left, right.Right) << "something is drawn";
  EXPECT_LE(right.Right, 300);
  EXPECT_GT(right.Right, 290);

  // Two lines at the bottom layout stand higher than at the top layout by the text's height.
  s.text->SetAlignment(taLeftJustify);
  s.text->SetText("A\rB");
  s.Render();
  const platform::Rect top = s.Ink();
  s.text->SetLayout(tlBottom);
  s.Render();
  const platform::Rect bottom = s.Ink();
  EXPECT_EQ(top.Top - bottom.Top, 2 * (s.font->CharHeight() + 1) - 1);
  EXPECT_EQ(top.Bottom - bottom.Bottom, 2 * (s.font->CharHeight() + 1) - 1);
}

TEST(HUDText, LeavesLightingBlendingAndDepthTestAsItFoundThem) {
  SKIP_WITHOUT_EGL();
  HUDScene s;
  bool lighting = false, blending = true, depth = false;
  s.viewer.SetPostRender([&](TObject*) {
    TGLStateCache& states = CurrentContext()->GLStates();
    lighting = states.IsEnabled(stLighting);
    blending = states.IsEnabled(stBlend);
    depth = states.IsEnabled(stDepthTest);
  });
  s.Render();
  EXPECT_TRUE(lighting);
  EXPECT_FALSE(blending);
  EXPECT_TRUE(depth);
}

TEST(HUDText, DrawsNothingOnceItsFontIsFreedOrWithoutText) {
  SKIP_WITHOUT_EGL();
  HUDScene s;
  s.text->SetText("");
  s.Render();
  EXPECT_GE(s.Ink().Left, s.Ink().Right) << "no text, no ink";
  s.text->SetText("Prova");
  delete s.font;
  EXPECT_EQ(s.text->BitmapFont(), nullptr);
  s.Render();
  EXPECT_GE(s.Ink().Left, s.Ink().Right) << "no font, no ink";
}

TEST(HUDText, DrawsTildeAndAccentedLettersOfATranslation) {
  SKIP_WITHOUT_EGL();
  HUDScene s;
  // Each character alone, as Windows-1252 bytes: before, only codes 32..125 had glyphs.
  for (const char* text : {"~", "\xE9", "\xDC", "\xF1", "\x80"}) {
    SCOPED_TRACE(int(uint8_t(text[0])));
    s.text->SetText(text);
    s.Render();
    const platform::Rect ink = s.Ink();
    ASSERT_LT(ink.Left, ink.Right) << "the glyph is drawn";
    EXPECT_GE(ink.Left, 20);
    EXPECT_LE(ink.Right, 20 + s.font->TextWidth(std::string_view(text)));
    EXPECT_GE(ink.Top, 500);
  }
  // A whole line keeps every letter: as wide as its characters, not as its ASCII ones alone.
  s.text->SetText("Dur\xE9" "e ~ 1 h");
  s.Render();
  const platform::Rect line = s.Ink();
  EXPECT_GT(line.Right - line.Left, s.font->TextWidth(std::string_view("Dur")) + s.font->TextWidth(std::string_view("e ~ 1 h")));
}

TEST(HUDSprite, CoversItsPixelBoxAroundItsScreenPosition) {
  SKIP_WITHOUT_EGL();
  SceneFixture f(500, 533);
  f.viewer.Buffer().SetLighting(false);
  auto* sprite = f.scene.Objects()->CreateChild<TGLHUDSprite>();
  EXPECT_EQ(sprite->Width(), 16);
  EXPECT_EQ(sprite->XTiles(), 1);
  sprite->Material().FrontProperties().Diffuse().SetColor({0, 0, 1, 1});
  sprite->Position().SetPointXYZ(100, 50, 0);
  sprite->SetWidth(40);
  sprite->SetHeight(20);
  f.Render();
  // Centred on (100, 50) counted from the top-left: x 80..120, y 40..60.
  const struct {
    int x, y;
    bool inked;
  } probes[] = {{100, 50, true}, {82, 42, true}, {117, 57, true}, {77, 50, false}, {123, 50, false},
                {100, 37, false}, {100, 63, false}, {100, 483, false}};
  for (const auto& p : probes)
    EXPECT_EQ(f.At(p.x, p.y), p.inked ? (Rgb{0, 0, 255}) : (Rgb{0, 0, 0})) << "at (" << p.x << ", " << p.y << ")";
}

// A stored font holds the glyphs it drew, or was given, and never draws them again: given the glyphs
// of a 16-pixel font it draws with them though its own font is far too large to be drawn.
TEST(StoredBitmapFont, DrawsTextTwiceFromItsHeldGlyphs) {
  SKIP_WITHOUT_EGL();
  HUDScene s;
  s.Render();
  const platform::Rect drawn = s.Ink();
  ASSERT_LT(drawn.Left, drawn.Right);

  auto* source = new TGLStoredBitmapFont(&s.scene);
  source->SetFont(s.font->Font());
  EXPECT_FALSE(source->GlyphsLoaded());
  EXPECT_EQ(source->TextWidth(std::string_view("Prova")), s.font->TextWidth(std::string_view("Prova")));
  ASSERT_TRUE(source->GlyphsLoaded()) << "held once drawn";
  const TStoredGlyphs glyphs = source->StoredGlyphs();
  EXPECT_EQ(glyphs.picture.Width(), glyphs.textureWidth);
  EXPECT_EQ(glyphs.charHeight, s.font->CharHeight());

  auto* stored = new TGLStoredBitmapFont(&s.scene);
  platform::Font huge = s.font->Font();
  huge.Height = -400;
  stored->SetFont(huge);
  EXPECT_THROW(stored->TextWidth(std::string_view("Prova")), EGLFontTooLarge) << "drawn, these glyphs don't fit";
  stored->SetFont(huge);
  stored->LoadGlyphs(glyphs);
  s.text->SetBitmapFont(stored);
  for (const char* text : {"Prova", "Prova!"}) {
    s.text->SetText(text);
    stored->InvalidateUsers();  // the texture is built again, from the held glyphs
    EXPECT_NO_THROW(s.Render()) << text;
    const platform::Rect ink = s.Ink();
    EXPECT_EQ(ink.Left, drawn.Left) << text;
    EXPECT_EQ(ink.Top, drawn.Top) << text;
    EXPECT_EQ(ink.Bottom, drawn.Bottom) << text;
  }
  EXPECT_EQ(stored->CharHeight(), glyphs.charHeight);

  TStoredGlyphs broken = glyphs;
  broken.widths.resize(10);
  EXPECT_THROW(stored->LoadGlyphs(broken), platform::Exception);
  EXPECT_TRUE(StreamingClasses().Contains("TGLStoredBitmapFont"));
}
