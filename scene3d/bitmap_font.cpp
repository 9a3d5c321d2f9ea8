#include "scene3d/bitmap_font.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "scene3d/gl_context.h"
#include "scene3d/gl_image.h"
#include "scene3d/image_rescaling.h"
#include "scene3d/scene_object.h"

namespace scene3d {

// --- Ranges ----------------------------------------------------------------------------------------------

std::string TBitmapFontRange::GetDisplayName() const {
  char text[96];
  std::snprintf(text, sizeof text, "ASCII [#%d, #%d] -> Glyphs [%d, %d]", int(start_), int(stop_), int(startGlyph_),
                int(stop_) + int(startGlyph_) - int(start_));
  return text;
}

void TBitmapFontRange::SetStartASCII(uint8_t code) {
  start_ = code;
  if (start_ > stop_) stop_ = start_;
  Changed(false);
}

void TBitmapFontRange::SetStopASCII(uint8_t code) {
  stop_ = code;
  if (stop_ < start_) start_ = stop_;
  Changed(false);
}

void TBitmapFontRange::SetStartGlyphIdx(int32_t index) {
  startGlyph_ = std::max(0, index);
  Changed(false);
}

void TBitmapFontRange::SetRange(uint8_t start, uint8_t stop, int32_t startGlyph) {
  start_ = start;
  stop_ = std::max(start, stop);
  startGlyph_ = std::max(0, startGlyph);
  Changed(false);
}

void TBitmapFontRange::Assign(const TPersistent* source) {
  if (auto* from = dynamic_cast<const TBitmapFontRange*>(source)) {
    SetRange(from->start_, from->stop_, from->startGlyph_);
    return;
  }
  TCollectionItem::Assign(source);
}

TBitmapFontRanges::TBitmapFontRanges(TGLCustomBitmapFont* font)
    : TOwnedCollection(font, ItemClassOf<TBitmapFontRange>()), font_(font) {}

TBitmapFontRanges::~TBitmapFontRanges() {
  // The items go while the font is going: nobody is to be told.
  font_ = nullptr;
  Clear();
}

int TBitmapFontRanges::CharacterCount() const {
  int count = 0;
  for (int i = 0; i < Count(); ++i) count += int(Item(i).StopASCII()) - int(Item(i).StartASCII()) + 1;
  return count;
}

bool TBitmapFontRanges::IsDefaultRange() const {
  return Count() == 1 && Item(0).StartASCII() == 32 && Item(0).StopASCII() == 125 && Item(0).StartGlyphIdx() == 0;
}

void TBitmapFontRanges::Update(TCollectionItem*) {
  if (font_) font_->RangesChanged();
}

// --- Font ---------------------------------------------------------------------------------------------------

TGLCustomBitmapFont::TGLCustomBitmapFont(TComponent* owner)
    : TGLUpdateAbleComponent(owner),
      ranges_(std::make_unique<TBitmapFontRanges>(this)),
      handle_(std::make_unique<TGLTextureHandle>(GLContextManager())) {}

TGLCustomBitmapFont::~TGLCustomBitmapFont() {
  // Users hear of it through the free notification they asked for.
  NotifyFreeing();
  ranges_.reset();
}

void TGLCustomBitmapFont::SetGlyphs(const platform::Bitmap& picture) {
  glyphs_ = picture;
  ClearTables();
  InvalidateUsers();
}

void TGLCustomBitmapFont::SetCharWidth(int32_t width) {
  if (StoreChanged(charWidth_, width < 2 ? 1 : width)) InvalidateUsers();
}
void TGLCustomBitmapFont::SetCharHeight(int32_t height) {
  if (StoreChanged(charHeight_, height < 2 ? 1 : height)) InvalidateUsers();
}
void TGLCustomBitmapFont::SetHSpace(int32_t space) {
  if (StoreChanged(hSpace_, space)) InvalidateUsers();
}
void TGLCustomBitmapFont::SetVSpace(int32_t space) {
  if (StoreChanged(vSpace_, space)) InvalidateUsers();
}
void TGLCustomBitmapFont::SetGlyphsIntervalX(int32_t interval) {
  if (StoreChanged(glyphsIntervalX_, std::max(0, interval))) InvalidateUsers();
}
void TGLCustomBitmapFont::SetGlyphsIntervalY(int32_t interval) {
  if (StoreChanged(glyphsIntervalY_, std::max(0, interval))) InvalidateUsers();
}
void TGLCustomBitmapFont::SetMinFilter(TGLMinFilter filter) {
  if (StoreChanged(minFilter_, filter)) InvalidateUsers();
}
void TGLCustomBitmapFont::SetMagFilter(TGLMagFilter filter) {
  if (StoreChanged(magFilter_, filter)) InvalidateUsers();
}
void TGLCustomBitmapFont::SetGlyphsAlpha(TGLTextureImageAlpha alpha) {
  if (StoreChanged(glyphsAlpha_, alpha)) InvalidateUsers();
}

void TGLCustomBitmapFont::AddUser(TGLBaseSceneObject* user) {
  if (user && std::find(users_.begin(), users_.end(), user) == users_.end()) users_.push_back(user);
}

void TGLCustomBitmapFont::RemoveUser(TGLBaseSceneObject* user) { std::erase(users_, user); }

void TGLCustomBitmapFont::InvalidateUsers() {
  // Every table may depend on what changed (the cell size, the ranges, the picture).
  ClearTables();
  handle_->MarkDataChanged();
  for (TGLBaseSceneObject* user : std::vector<TGLBaseSceneObject*>(users_)) user->StructureChanged();
  NotifyChange(this);
}

void TGLCustomBitmapFont::ClearTables() {
  charWidths_.clear();
  glyphRects_.clear();
}

std::string TGLCustomBitmapFont::NarrowText(std::u16string_view text) {
  std::string narrow;
  narrow.reserve(text.size());
  for (char16_t c : text) narrow.push_back(c <= 0xFF ? char(c) : '?');
  return narrow;
}

void TGLCustomBitmapFont::FillTables() {
  if (charWidths_.empty()) charWidths_.assign(256, charWidth_);
  if (glyphRects_.empty()) FillGlyphRects();
}

void TGLCustomBitmapFont::FillGlyphRects() {
  glyphRects_.assign(256, TVector4f{0, 0, 0, 0});
  if (glyphs_.Empty()) return;
  // The texture the picture becomes.
  textureWidth_ = RoundUpToPowerOf2(glyphs_.Width());
  textureHeight_ = RoundUpToPowerOf2(glyphs_.Height());
  const float w = float(textureWidth_), h = float(textureHeight_);
  const int32_t perRow = std::max(1, (glyphs_.Width() + glyphsIntervalX_) / (charWidth_ + glyphsIntervalX_));
  for (int r = 0; r < ranges_->Count(); ++r) {
    const TBitmapFontRange& range = ranges_->Item(r);
    int32_t glyph = range.StartGlyphIdx();
    for (int code = range.StartASCII(); code <= range.StopASCII(); ++code, ++glyph) {
      const float px = float((glyph % perRow) * (charWidth_ + glyphsIntervalX_));
      const float py = float((glyph / perRow) * (charHeight_ + glyphsIntervalY_));
      glyphRects_[size_t(code)] = {(px + 0.05f) / w, (h - (py + 0.05f)) / h,
                                   (px + float(charWidths_[size_t(code)]) - 0.05f) / w,
                                   (h - (py + float(charHeight_) - 0.05f)) / h};
    }
  }
}

int32_t TGLCustomBitmapFont::CharacterWidth(uint8_t code) {
  if (charWidths_.empty() || glyphRects_.empty()) FillTables();
  return charWidths_.empty() ? 0 : charWidths_[code];
}

TVector4f TGLCustomBitmapFont::GlyphRectangle(uint8_t code) {
  if (charWidths_.empty() || glyphRects_.empty()) FillTables();
  return glyphRects_.empty() ? TVector4f{0, 0, 0, 0} : glyphRects_[code];
}

int32_t TGLCustomBitmapFont::TextWidth(std::string_view text) {
  if (text.empty()) return 0;
  int64_t width = int64_t(text.size()) * (hSpaceFix_ + hSpace_) - hSpace_;
  for (char c : text) width += CharacterWidth(uint8_t(c));
  return int32_t(width);
}

int32_t TGLCustomBitmapFont::LineOffset(std::string_view text, size_t from, TAlignment alignment) {
  if (alignment == taLeftJustify) return 0;
  const size_t end = text.find('\r', from);
  const int32_t width = TextWidth(text.substr(from, end == std::string_view::npos ? std::string_view::npos : end - from));
  return alignment == taRightJustify ? -width : -int32_t(std::nearbyint(width * 0.5));
}

void TGLCustomBitmapFont::BuildGlyphTexture() {
  if (glyphs_.Empty()) return;
  // The picture in the corner of a power-of-two bitmap, the rest black.
  platform::Bitmap bitmap(RoundUpToPowerOf2(glyphs_.Width()), RoundUpToPowerOf2(glyphs_.Height()), 24);
  for (int y = 0; y < glyphs_.Height(); ++y)
    for (int x = 0; x < glyphs_.Width(); ++x) {
      platform::RgbQuad pixel = glyphs_.Pixel(x, y);
      pixel.reserved = 0;
      bitmap.SetPixel(x, y, pixel);
    }
  TGLImage image;
  image.Assign(bitmap);
  image.NarrowToRGBA8();
  switch (glyphsAlpha_) {
    case tiaDefault:
    case tiaTopLeftPointColorTransparent: ApplyImageAlpha(image, tiaTopLeftPointColorTransparent); break;
    case tiaAlphaFromIntensity:
    case tiaSuperBlackTransparent:
    case tiaLuminance:
    case tiaLuminanceSqrt:
    case tiaOpaque: ApplyImageAlpha(image, glyphsAlpha_); break;
    default: break;  // the later modes leave the glyphs as drawn
  }
  int32_t width = 0, height = 0, depth = 0;
  image.UploadToTexture(GL_TEXTURE_2D, int32_t(minFilter_), GL_RGBA8, width, height, depth);
  textureWidth_ = width;
  textureHeight_ = height;
}

GLuint TGLCustomBitmapFont::PrepareTexture(TGLStateCache& states) {
  if (handle_->Identifier() == 0) handle_->AllocateIdentifier();
  const GLuint id = handle_->Identifier();
  if (id == 0 || !handle_->NeedsDataUpdate()) return id;
  states.SetActiveTextureUnit(0);
  states.SetTextureBinding(0, ttTexture2D, id);
  states.SetUnpackAlignment(4);
  states.SetUnpackRowLength(0);
  states.SetUnpackSkipRows(0);
  states.SetUnpackSkipPixels(0);
  BuildGlyphTexture();
  if (!glyphs_.Empty()) {
    TGLExtensionsAndEntryPoints& gl = ActiveGLTable();
    gl.Hint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    constexpr GLenum kMin[] = {GL_NEAREST, GL_LINEAR, GL_NEAREST_MIPMAP_NEAREST, GL_LINEAR_MIPMAP_NEAREST,
                               GL_NEAREST_MIPMAP_LINEAR, GL_LINEAR_MIPMAP_LINEAR};
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GLint(kMin[minFilter_]));
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magFilter_ == maNearest ? GL_NEAREST : GL_LINEAR);
  }
  handle_->MarkDataUpdated();
  return id;
}

void TGLCustomBitmapFont::DrawText(RenderContextInfo& rci, std::string_view text, TAlignment alignment,
                                   TGLTextLayout layout, const TVector4f& color, const TVector4f* position,
                                   bool reverseY) {
  if (text.empty() || (glyphs_.Empty() && !DrawsOwnGlyphs())) return;
  CoverCharacters(text);
  TGLStateCache& states = rci.GLStates ? *rci.GLStates : SafeCurrentContext().GLStates();
  const GLuint texture = PrepareTexture(states);
  if (glyphs_.Empty()) return;
  if (charWidths_.empty() || glyphRects_.empty()) FillTables();
  if (charWidths_.empty() || glyphRects_.empty()) return;

  const float startX = position ? position->x : 0, startY = position ? position->y : 0;
  size_t lines = 1 + size_t(std::count(text.begin(), text.end(), '\r'));
  const int64_t total = int64_t(lines) * (charHeight_ + vSpace_) - vSpace_;
  float y = startY;
  if (layout == tlCenter) y += float(std::nearbyint(double(total) * 0.5));
  if (layout == tlBottom) y += float(total);
  float x = startX + float(LineOffset(text, 0, alignment));
  const float lineStep = -float(charHeight_ + vSpace_);
  auto bottomOf = [&](float top) { return reverseY ? top + float(charHeight_) : top - float(charHeight_); };
  float bottom = bottomOf(y);
  const float spaceAdvance = float(charWidths_[' '] + hSpaceFix_ + hSpace_);

  // What the text changes is put back afterwards, so the objects drawn after it keep their lighting
  // and blending.
  const bool wasLighting = states.IsEnabled(stLighting);
  const bool wasBlending = states.IsEnabled(stBlend);
  TGLExtensionsAndEntryPoints& gl = ActiveGLTable();
  states.SetActiveTextureUnit(0);
  states.SetTextureTargetEnabled(ttTexture2D, true);
  states.DisableState(stLighting);
  states.EnableState(stBlend);
  states.SetBlendFunction(bfSrcAlpha, bfOneMinusSrcAlpha);
  states.SetTextureBinding(0, ttTexture2D, texture);
  gl.TexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  states.SetColor(color);
  gl.Begin(GL_QUADS);
  for (size_t i = 0; i < text.size(); ++i) {
    const uint8_t code = uint8_t(text[i]);
    if (code == 13) {
      x = startX + float(LineOffset(text, i + 1, alignment));
      y += lineStep;
      bottom = bottomOf(y);
    } else if (code == 32) {
      x += spaceAdvance;
    } else if (code >= 33 && charWidths_[code] > 0) {
      const float w = float(charWidths_[code]);
      const TVector4f& r = glyphRects_[code];
      gl.TexCoord2f(r.x, r.y);
      gl.Vertex2f(x, y);
      gl.TexCoord2f(r.x, r.w);
      gl.Vertex2f(x, bottom);
      gl.TexCoord2f(r.z, r.w);
      gl.Vertex2f(x + w, bottom);
      gl.TexCoord2f(r.z, r.y);
      gl.Vertex2f(x + w, y);
      x += w + float(hSpace_);
    }
  }
  gl.End();
  states.SetTextureBinding(0, ttTexture2D, 0);
  states.SetTextureTargetEnabled(ttTexture2D, false);
  states.SetState(stLighting, wasLighting);
  states.SetState(stBlend, wasBlending);
}

}  // namespace scene3d
