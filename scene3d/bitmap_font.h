// Bitmap fonts: every glyph of a font in one texture, a string drawn as one textured quad per
// character. TGLCustomBitmapFont holds the tables (character widths, glyph rectangles in texture
// coordinates), builds the texture lazily at the first DrawText after a change and tells the objects
// that draw with it (its users) of every change. TGLBitmapFont takes its glyphs from a picture laid
// out in cells of CharWidth x CharHeight; windows_font.h draws them with a system font.
//
//   TGLBitmapFont font(nullptr);
//   font.SetGlyphs(picture);                       // cells of 16 x 16, glyph 0 top-left
//   font.Ranges().Add().SetRange(' ', '}', 0);     // codes 32..125 are glyphs 0..93
//   ...in a frame: font.DrawText(rci, "Hello", taLeftJustify, tlTop, {1, 1, 0, 1});
// DrawText draws in the current model-view frame, one unit a pixel, y up: the first line's top at
// y = 0 for tlTop, glyphs below it.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/bitmap.h"
#include "scene3d/collection.h"
#include "scene3d/render_context_info.h"
#include "scene3d/texture.h"
#include "scene3d/update_able.h"

namespace scene3d {

class TGLBaseSceneObject;
class TGLCustomBitmapFont;
class TGLTextureHandle;

enum TAlignment : uint8_t { taLeftJustify, taRightJustify, taCenter };
enum TGLTextLayout : uint8_t { tlTop, tlCenter, tlBottom };

// Codes StartASCII..StopASCII are glyphs StartGlyphIdx.. of the picture.
class TBitmapFontRange : public TCollectionItem {
 public:
  explicit TBitmapFontRange(TCollection& collection) : collection_(&collection) {}
  std::string ClassName() const override { return "TBitmapFontRange"; }
  // "ASCII [#start, #stop] -> Glyphs [first, last]".
  std::string GetDisplayName() const override;

  uint8_t StartASCII() const { return start_; }
  uint8_t StopASCII() const { return stop_; }
  int32_t StartGlyphIdx() const { return startGlyph_; }
  // A start above the stop raises the stop to it; a stop below the start lowers the start.
  void SetStartASCII(uint8_t code);
  void SetStopASCII(uint8_t code);
  // Below 0 becomes 0.
  void SetStartGlyphIdx(int32_t index);
  // All three at once, told once.
  void SetRange(uint8_t start, uint8_t stop, int32_t startGlyph);
  void Assign(const TPersistent* source) override;

 private:
  TCollection* collection_;
  uint8_t start_ = 0;
  uint8_t stop_ = 0;
  int32_t startGlyph_ = 0;
};

class TBitmapFontRanges : public TOwnedCollection {
 public:
  // `font` hears every change.
  explicit TBitmapFontRanges(TGLCustomBitmapFont* font);
  ~TBitmapFontRanges() override;
  std::string ClassName() const override { return "TBitmapFontRanges"; }
  TBitmapFontRange& Add() { return static_cast<TBitmapFontRange&>(*TCollection::Add()); }
  TBitmapFontRange& Item(int index) const { return static_cast<TBitmapFontRange&>(*Items(index)); }
  // Sum of (stop - start + 1) over the ranges.
  int CharacterCount() const;
  // True for exactly one range 32..125 starting at glyph 0 (the Windows font's own, not stored).
  bool IsDefaultRange() const;

 protected:
  void Update(TCollectionItem* item) override;

 private:
  TGLCustomBitmapFont* font_;
};

class TGLCustomBitmapFont : public TGLUpdateAbleComponent {
 public:
  explicit TGLCustomBitmapFont(TComponent* owner);
  ~TGLCustomBitmapFont() override;
  std::string ClassName() const override { return "TGLCustomBitmapFont"; }

  TBitmapFontRanges& Ranges() { return *ranges_; }
  const TBitmapFontRanges& Ranges() const { return *ranges_; }
  // The glyph picture (its top row is the picture's top).
  const platform::Bitmap& Glyphs() const { return glyphs_; }
  void SetGlyphs(const platform::Bitmap& picture);
  int32_t CharWidth() const { return charWidth_; }
  int32_t CharHeight() const { return charHeight_; }
  // Values below 2 become 1.
  void SetCharWidth(int32_t width);
  void SetCharHeight(int32_t height);
  int32_t HSpace() const { return hSpace_; }
  int32_t VSpace() const { return vSpace_; }
  void SetHSpace(int32_t space);
  void SetVSpace(int32_t space);
  int32_t GlyphsIntervalX() const { return glyphsIntervalX_; }
  int32_t GlyphsIntervalY() const { return glyphsIntervalY_; }
  // Below 0 becomes 0.
  void SetGlyphsIntervalX(int32_t interval);
  void SetGlyphsIntervalY(int32_t interval);
  TGLMinFilter MinFilter() const { return minFilter_; }
  TGLMagFilter MagFilter() const { return magFilter_; }
  void SetMinFilter(TGLMinFilter filter);
  void SetMagFilter(TGLMagFilter filter);
  TGLTextureImageAlpha GlyphsAlpha() const { return glyphsAlpha_; }
  void SetGlyphsAlpha(TGLTextureImageAlpha alpha);
  // Added to every character's advance (negative for italic system fonts).
  int32_t HSpaceFix() const { return hSpaceFix_; }

  // Objects that draw with the font; each is told (StructureChanged) when the font changes.
  virtual void AddUser(TGLBaseSceneObject* user);
  virtual void RemoveUser(TGLBaseSceneObject* user);
  const std::vector<TGLBaseSceneObject*>& Users() const { return users_; }

  // Gives every character of `text` a glyph where the font can draw one (a picture font has the
  // glyphs its picture has); true when the font changed. DrawText asks it first.
  virtual bool CoverCharacters(std::string_view) { return false; }

  // Bytes are characters (codes 0..255).
  virtual int32_t TextWidth(std::string_view text);
  int32_t TextWidth(std::u16string_view text) { return TextWidth(NarrowText(text)); }
  // Width of one code (the table is filled first when empty).
  int32_t CharacterWidth(uint8_t code);
  // Left, top, right, bottom in texture coordinates.
  TVector4f GlyphRectangle(uint8_t code);
  int32_t TextureWidth() const { return textureWidth_; }
  int32_t TextureHeight() const { return textureHeight_; }

  // Builds and uploads the glyph texture into the texture bound on the active unit.
  virtual void BuildGlyphTexture();
  // See the header comment; `position` (x, y) is added to the start when given; with `reverseY` the
  // glyphs stand above each line's y (a frame whose y grows downwards).
  virtual void DrawText(RenderContextInfo& rci, std::string_view text, TAlignment alignment, TGLTextLayout layout,
                        const TVector4f& color, const TVector4f* position = nullptr, bool reverseY = false);
  void DrawText(RenderContextInfo& rci, std::u16string_view text, TAlignment alignment, TGLTextLayout layout,
                const TVector4f& color, const TVector4f* position = nullptr, bool reverseY = false) {
    DrawText(rci, NarrowText(text), alignment, layout, color, position, reverseY);
  }

  // Drops the texture and tells the users.
  void InvalidateUsers();
  TGLTextureHandle& TextureHandle() { return *handle_; }
  // Text of 16-bit characters as 8-bit characters: codes above 255 become '?'.
  static std::string NarrowText(std::u16string_view text);

 protected:
  // The tables are filled again at the next use.
  void ClearTables();
  // The picture itself, for a font that draws it; tell InvalidateUsers afterwards.
  platform::Bitmap& GlyphsBitmap() { return glyphs_; }
  void SetHSpaceFix(int32_t fix) { hSpaceFix_ = fix; }
  // The cell size a font finds while drawing its glyphs, stored without dropping the tables.
  void SetCellSize(int32_t width, int32_t height) {
    charWidth_ = std::max(1, width);
    charHeight_ = std::max(1, height);
  }
  // The Windows font sets widths and rectangles while laying its glyphs out.
  std::vector<int32_t>& CharWidthTable() { return charWidths_; }
  std::vector<TVector4f>& GlyphRectTable() { return glyphRects_; }
  void SetTextureSize(int32_t width, int32_t height) {
    textureWidth_ = width;
    textureHeight_ = height;
  }
  // Fills the empty tables: every code CharWidth wide, the rectangles from the picture's cells.
  virtual void FillTables();
  // A font that draws its own picture when it needs one (the system font) may start without one.
  virtual bool DrawsOwnGlyphs() const { return false; }

 private:
  friend class TBitmapFontRanges;
  void RangesChanged() { InvalidateUsers(); }
  void FillGlyphRects();
  // Horizontal start of the line that begins at `from`.
  int32_t LineOffset(std::string_view text, size_t from, TAlignment alignment);
  // The texture's name in the current context, built first when the font changed.
  GLuint PrepareTexture(TGLStateCache& states);

  std::unique_ptr<TBitmapFontRanges> ranges_;
  platform::Bitmap glyphs_;
  int32_t charWidth_ = 16;
  int32_t charHeight_ = 16;
  int32_t hSpace_ = 1;
  int32_t vSpace_ = 1;
  int32_t hSpaceFix_ = 0;
  int32_t glyphsIntervalX_ = 0;
  int32_t glyphsIntervalY_ = 0;
  TGLMinFilter minFilter_ = miLinear;
  TGLMagFilter magFilter_ = maLinear;
  TGLTextureImageAlpha glyphsAlpha_ = tiaDefault;
  std::vector<TGLBaseSceneObject*> users_;
  std::unique_ptr<TGLTextureHandle> handle_;
  int32_t textureWidth_ = 0;
  int32_t textureHeight_ = 0;
  std::vector<int32_t> charWidths_;   // 256 entries, or empty
  std::vector<TVector4f> glyphRects_;  // 256 entries, or empty
};

// A font from a glyph picture.
class TGLBitmapFont : public TGLCustomBitmapFont {
 public:
  using TGLCustomBitmapFont::TGLCustomBitmapFont;
  std::string ClassName() const override { return "TGLBitmapFont"; }
};

}  // namespace scene3d
