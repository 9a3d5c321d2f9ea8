#include "scene3d/windows_font.h"

#include <QGuiApplication>
#include <QImage>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

#include "platform/text_encoding.h"

namespace scene3d {

namespace {

constexpr int kTextureSizes[] = {64, 128, 256, 512};

// The canvas's picture as a 32-bit bitmap, top row first.
platform::Bitmap BitmapOfImage(const QImage& image) {
  platform::Bitmap bitmap(image.width(), image.height(), 32);
  for (int y = 0; y < image.height(); ++y) {
    const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x)
      bitmap.SetPixel(x, y, platform::Rgb(uint8_t(qRed(row[x])), uint8_t(qGreen(row[x])), uint8_t(qBlue(row[x]))));
  }
  return bitmap;
}

std::string CharacterText(int code) { return platform::Windows1252ToUtf8(std::string(1, char(code))); }

}  // namespace

TGLWindowsBitmapFont::TGLWindowsBitmapFont(TComponent* owner) : TGLCustomBitmapFont(owner) {
  font_.Color = platform::clWhite;
  SetGlyphsAlpha(tiaAlphaFromIntensity);
  Ranges().Add().SetRange(' ', '}', 0);
  // Without a GUI application there are no system fonts yet: the glyphs come at the first use.
  if (QGuiApplication::instance()) DrawWindowsGlyphs();
}

bool TGLWindowsBitmapFont::CoverCharacters(std::string_view text) {
  std::array<bool, 256> missing{};
  bool any = false;
  for (char c : text) {
    const uint8_t code = uint8_t(c);
    // Spaces and control codes draw no glyph; DEL has none to draw.
    if (code <= 32 || code == 127 || missing[code]) continue;
    bool held = false;
    for (int r = 0; r < Ranges().Count() && !held; ++r)
      held = code >= Ranges().Item(r).StartASCII() && code <= Ranges().Item(r).StopASCII();
    missing[code] = !held;
    any = any || !held;
  }
  if (!any) return false;
  // One change for the lot: the glyphs are drawn again once.
  Ranges().BeginUpdate();
  for (int code = 0; code < 256;) {
    if (!missing[size_t(code)]) {
      ++code;
      continue;
    }
    const int start = code;
    while (code + 1 < 256 && missing[size_t(code + 1)]) ++code;
    // The glyph index only matters to a picture font; the system font lays its glyphs out by code.
    Ranges().Add().SetRange(uint8_t(start), uint8_t(code), 0);
    ++code;
  }
  Ranges().EndUpdate();
  return true;
}

void TGLWindowsBitmapFont::SetFont(const platform::Font& font) {
  font_ = font;
  InvalidateUsers();
}

int TGLWindowsBitmapFont::FontSize() const { return int(std::lround(std::abs(font_.Height) * 72.0 / 96.0)); }

void TGLWindowsBitmapFont::SetFontSize(int points) {
  platform::Font font = font_;
  font.Height = -int(std::lround(points * 96.0 / 72.0));
  SetFont(font);
}

int TGLWindowsBitmapFont::LayoutGlyphs(int width, int height, platform::Canvas* canvas) {
  const std::vector<int32_t>& widths = CharWidthTable();
  std::vector<TVector4f>& rects = GlyphRectTable();
  const int cellHeight = CharHeight();
  const float w = float(width), h = float(height);
  int x = 0, y = 0, placed = 0;
  for (int code = 0; code < 256; ++code) {
    const int glyphWidth = widths[size_t(code)];
    if (glyphWidth <= 0) continue;
    const int cellWidth = glyphWidth + 2;
    // The wrap is decided by the glyph's own cell, so no glyph is placed past the right edge.
    if (x + cellWidth > width) {
      x = 0;
      y += cellHeight;
    }
    if (cellWidth > width || y + cellHeight > height) break;
    if (canvas) {
      rects[size_t(code)] = {(float(x) + 1.05f) / w, (h - (float(y) + 0.05f)) / h,
                             (float(x + cellWidth) - 1.05f) / w, (h - (float(y + cellHeight) - 0.05f)) / h};
      canvas->SetClipRect({x, y, x + cellWidth, y + cellHeight});
      canvas->TextOut(x + 1, y + 1, CharacterText(code) + " ");
    }
    ++placed;
    x += cellWidth;
  }
  return placed;
}

void TGLWindowsBitmapFont::DrawWindowsGlyphs() {
  ClearTables();
  if (!QGuiApplication::instance()) return;
  platform::Canvas canvas(1, 1, platform::clBlack);
  platform::Font face = font_;
  face.Color = platform::clWhite;
  canvas.SetFont(face);
  canvas.SetBackgroundMode(platform::BackgroundMode::Transparent);

  int32_t cellWidth = std::max({canvas.TextWidth("M"), canvas.TextWidth("W"), canvas.TextWidth("_")}) + 2;
  const int32_t cellHeight = canvas.TextHeight("\"_pI|,") + 2;
  int32_t fix = 0;
  if (face.Italic) {
    fix = -(cellWidth / 3);
    cellWidth += cellWidth / 3;
  }
  // The cell size and the correction belong to the glyphs: stored without dropping the tables again.
  SetCellSize(cellWidth, cellHeight);
  SetHSpaceFix(fix);

  std::vector<int32_t>& widths = CharWidthTable();
  widths.assign(256, 0);
  for (int r = 0; r < Ranges().Count(); ++r) {
    const TBitmapFontRange& range = Ranges().Item(r);
    for (int code = range.StartASCII(); code <= range.StopASCII(); ++code)
      widths[size_t(code)] = std::max(0, canvas.TextWidth(CharacterText(code)) - fix);
  }
  // Each code once, however the ranges overlap; a character without width takes no cell.
  const int count = int(std::count_if(widths.begin(), widths.end(), [](int32_t w) { return w > 0; }));

  int bestWidth = 0, bestHeight = 0;
  for (int height : kTextureSizes)
    for (int width : kTextureSizes) {
      if (LayoutGlyphs(width, height, nullptr) != count) continue;
      const int64_t area = int64_t(width) * height, bestArea = int64_t(bestWidth) * bestHeight;
      if (bestWidth == 0 || area < bestArea ||
          (area == bestArea && std::abs(width - height) < std::abs(bestWidth - bestHeight))) {
        bestWidth = width;
        bestHeight = height;
      }
    }
  if (bestWidth == 0) {
    ClearTables();
    font_.Height = -8;  // 6 points
    InvalidateUsers();
    throw EGLFontTooLarge();
  }

  canvas.SetBrush({platform::clBlack, platform::BrushStyle::Solid});
  canvas.SetSize(bestWidth, bestHeight);
  GlyphRectTable().assign(256, TVector4f{0, 0, 0, 0});
  LayoutGlyphs(bestWidth, bestHeight, &canvas);
  canvas.ResetClipRect();
  GlyphsBitmap() = BitmapOfImage(canvas.Image());
  SetTextureSize(bestWidth, bestHeight);
}

void TGLStoredBitmapFont::LoadGlyphs(const TStoredGlyphs& glyphs) {
  const bool complete = glyphs.widths.size() == 256 && glyphs.rects.size() == 256 && glyphs.charWidth >= 1 &&
                        glyphs.charHeight >= 1 && glyphs.textureWidth >= 1 && glyphs.textureHeight >= 1 &&
                        glyphs.picture.Width() == glyphs.textureWidth && glyphs.picture.Height() == glyphs.textureHeight;
  if (!complete) throw platform::Exception(kStoredGlyphsIncompleteText);
  stored_ = glyphs;
  loaded_ = true;
  InvalidateUsers();
  Restore();
}

void TGLStoredBitmapFont::ForgetGlyphs() {
  stored_ = TStoredGlyphs{};
  loaded_ = false;
  InvalidateUsers();
}

void TGLStoredBitmapFont::Restore() {
  GlyphsBitmap() = stored_.picture;
  CharWidthTable() = stored_.widths;
  GlyphRectTable() = stored_.rects;
  SetCellSize(stored_.charWidth, stored_.charHeight);
  SetHSpaceFix(stored_.hSpaceFix);
  SetTextureSize(stored_.textureWidth, stored_.textureHeight);
}

void TGLStoredBitmapFont::DrawWindowsGlyphs() {
  if (loaded_) {
    Restore();
    return;
  }
  TGLWindowsBitmapFont::DrawWindowsGlyphs();
  if (CharWidthTable().size() != 256 || Glyphs().Width() == 0) return;  // no system fonts yet
  stored_ = {Glyphs(), CharWidthTable(), GlyphRectTable(), CharWidth(), CharHeight(), HSpaceFix(), TextureWidth(),
             TextureHeight()};
  loaded_ = true;
}

void TGLWindowsBitmapFont::BuildGlyphTexture() {
  DrawWindowsGlyphs();
  TGLCustomBitmapFont::BuildGlyphTexture();
}

}  // namespace scene3d
