// TGLWindowsBitmapFont: a bitmap font whose glyphs are drawn with a system font through our platform
// canvas (Qt fonts on an image, which works under the offscreen platform too). It lays the glyphs of
// its ranges (32..125 at start) out in the smallest power-of-two texture up to 512 x 512 that holds
// them all, each in a cell one pixel wider than the character on both sides.
//
//   TGLWindowsBitmapFont font(form);
//   platform::Font face;  face.Name = "DejaVu Sans";  face.Height = -16;
//   font.SetFont(face);                 // glyphs drawn again at the next use
//   hudText->SetBitmapFont(&font);
// A font whose glyphs cannot fit raises EGLFontTooLarge after setting its size to 6 points, so the
// next attempt draws with a small font.
#pragma once

#include <string>
#include <vector>

#include "platform/canvas.h"
#include "platform/exception.h"
#include "scene3d/bitmap_font.h"

namespace scene3d {

inline constexpr const char* kFontTooLargeText = "Characters are too large or too many. Unable to create font texture.";

class EGLFontTooLarge : public platform::Exception {
 public:
  EGLFontTooLarge() : platform::Exception(kFontTooLargeText) {}
};

class TGLWindowsBitmapFont : public TGLCustomBitmapFont {
 public:
  // Glyphs from alpha by intensity, the range 32..125, drawn at once (when a GUI application runs).
  explicit TGLWindowsBitmapFont(TComponent* owner);
  std::string ClassName() const override { return "TGLWindowsBitmapFont"; }

  // The system font; its colour is white after construction (the glyphs are drawn white whatever it is).
  const platform::Font& Font() const { return font_; }
  // Drops the texture and the tables and tells the users; the glyphs are drawn at the next use.
  void SetFont(const platform::Font& font);
  // Points at 96 dpi, from and to the font's pixel height.
  int FontSize() const;
  void SetFontSize(int points);

  // Draws the glyphs of the ranges into the glyph picture and fills the tables. Raises
  // EGLFontTooLarge (the font set to 6 points) when they don't fit into 512 x 512.
  virtual void DrawWindowsGlyphs();
  // Draws the glyphs, then builds the texture from them.
  void BuildGlyphTexture() override;
  // Adds a range for each run of the text's printable codes that no range holds yet (a translation's
  // "~" and accented letters lie past the default 32..125), so no character of a text is lost.
  bool CoverCharacters(std::string_view text) override;

 protected:
  void FillTables() override { DrawWindowsGlyphs(); }
  bool DrawsOwnGlyphs() const override { return true; }

 private:
  // Lays the glyphs out in a texture of width x height (drawing them on `canvas` when given); the
  // number of glyphs placed.
  int LayoutGlyphs(int width, int height, platform::Canvas* canvas);

  platform::Font font_;
};

// What a stored font keeps of its glyphs: the picture, the width and rectangle tables (256 entries
// each), the cell, the advance correction and the texture size.
struct TStoredGlyphs {
  platform::Bitmap picture;
  std::vector<int32_t> widths;
  std::vector<TVector4f> rects;
  int32_t charWidth = 0;
  int32_t charHeight = 0;
  int32_t hSpaceFix = 0;
  int32_t textureWidth = 0;
  int32_t textureHeight = 0;
};

inline constexpr const char* kStoredGlyphsIncompleteText = "The stored glyphs are incomplete";

// A system font that draws its glyphs once: from then on (or from LoadGlyphs) it holds them as data
// and builds its texture and tables from that, whatever its Font says, until ForgetGlyphs.
class TGLStoredBitmapFont : public TGLWindowsBitmapFont {
 public:
  using TGLWindowsBitmapFont::TGLWindowsBitmapFont;
  std::string ClassName() const override { return "TGLStoredBitmapFont"; }

  bool GlyphsLoaded() const { return loaded_; }
  const TStoredGlyphs& StoredGlyphs() const { return stored_; }
  // Takes glyphs as data; raises platform::Exception kStoredGlyphsIncompleteText when the tables
  // are not 256 entries, the cell or the texture is empty, or the picture is not the texture's size.
  void LoadGlyphs(const TStoredGlyphs& glyphs);
  // The glyphs are drawn from Font again at the next use.
  void ForgetGlyphs();

  // Restores the held glyphs; only a font that holds none draws them (and then holds them).
  void DrawWindowsGlyphs() override;
  // Held glyphs are what the font has: only a font that holds none takes more ranges.
  bool CoverCharacters(std::string_view text) override {
    return !loaded_ && TGLWindowsBitmapFont::CoverCharacters(text);
  }

 private:
  void Restore();

  TStoredGlyphs stored_;
  bool loaded_ = false;
};

}  // namespace scene3d
