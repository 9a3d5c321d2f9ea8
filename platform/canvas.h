// The drawing surface of the CAD library and the views: an image in memory with the Windows drawing
// rules the drawing code was written against. Lines leave out their end pixel, pens mix with what is
// already there through a raster operation (so an exclusive-or rubber band drawn twice disappears),
// polygons fill even-odd, rectangles exclude their right and bottom edge. Works without a display.
#pragma once

#include <QImage>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace platform {

// 0x00BBGGRR: red in the low byte. A high byte of 0xFF marks a system colour whose index is the low
// byte; ColorToRGB resolves it.
using TColor = uint32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;

constexpr TColor clSystemColor = 0xFF000000;
constexpr TColor clScrollBar = clSystemColor | 0;
constexpr TColor clBackground = clSystemColor | 1;
constexpr TColor clActiveCaption = clSystemColor | 2;
constexpr TColor clInactiveCaption = clSystemColor | 3;
constexpr TColor clMenu = clSystemColor | 4;
constexpr TColor clWindow = clSystemColor | 5;
constexpr TColor clWindowFrame = clSystemColor | 6;
constexpr TColor clMenuText = clSystemColor | 7;
constexpr TColor clWindowText = clSystemColor | 8;
constexpr TColor clCaptionText = clSystemColor | 9;
constexpr TColor clHighlight = clSystemColor | 13;
constexpr TColor clHighlightText = clSystemColor | 14;
constexpr TColor clBtnFace = clSystemColor | 15;
constexpr TColor clBtnShadow = clSystemColor | 16;
constexpr TColor clGrayText = clSystemColor | 17;
constexpr TColor clBtnText = clSystemColor | 18;
constexpr TColor clBtnHighlight = clSystemColor | 20;
constexpr TColor cl3DDkShadow = clSystemColor | 21;
constexpr TColor cl3DLight = clSystemColor | 22;
constexpr TColor clInfoText = clSystemColor | 23;
constexpr TColor clInfoBk = clSystemColor | 24;

constexpr TColor RGBColor(uint8_t r, uint8_t g, uint8_t b) {
  return TColor(r) | (TColor(g) << 8) | (TColor(b) << 16);
}
constexpr uint8_t RedOf(TColor c) { return uint8_t(c & 0xFF); }
constexpr uint8_t GreenOf(TColor c) { return uint8_t((c >> 8) & 0xFF); }
constexpr uint8_t BlueOf(TColor c) { return uint8_t((c >> 16) & 0xFF); }

// The colour of system colour `index` (0..30, see canvas.cpp); black for an unknown index.
TColor SysColor(int index);
// A system colour becomes its RGB value; any other colour keeps its low three bytes.
TColor ColorToRGB(TColor color);

// Ordinals as stored in layer streams; keep the order.
enum class PenStyle : uint8_t { Solid, Dash, Dot, DashDot, DashDotDot, Clear, InsideFrame };
enum class PenMode : uint8_t {
  Black, White, Nop, Not, Copy, NotCopy, MergePenNot, MaskPenNot,
  MergeNotPen, MaskNotPen, Merge, NotMerge, Mask, NotMask, Xor, NotXor
};
enum class BrushStyle : uint8_t { Solid, Clear, Horizontal, Vertical, FDiagonal, BDiagonal, Cross, DiagCross };
enum class BackgroundMode : uint8_t { Transparent, Opaque };

// The mix of a pen or brush colour with the destination, on 24-bit RGB values.
uint32_t MixPen(PenMode mode, uint32_t pen, uint32_t destination);

struct Pen {
  TColor Color = clBlack;
  int Width = 1;
  PenStyle Style = PenStyle::Solid;
  PenMode Mode = PenMode::Copy;
  bool operator==(const Pen&) const = default;
};

struct Brush {
  TColor Color = clWhite;
  BrushStyle Style = BrushStyle::Solid;
  bool operator==(const Brush&) const = default;
};

// A logical font: Height in pixels (negative: character height, positive: cell height; both are
// taken as the pixel size), Width the average character width in pixels (0: the face's own),
// Escapement in tenths of a degree counter-clockwise.
struct Font {
  std::string Name = "DejaVu Sans";
  int Height = -11;
  int Escapement = 0;
  int Weight = 400;
  bool Italic = false;
  bool Underline = false;
  bool StrikeOut = false;
  TColor Color = clBlack;
  int Width = 0;
  bool operator==(const Font&) const = default;
};

struct Point {
  int X = 0;
  int Y = 0;
  bool operator==(const Point&) const = default;
};

// Screen rectangle; Right and Bottom lie just outside it.
struct Rect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  bool Contains(int x, int y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }
  bool operator==(const Rect&) const = default;
};
Rect IntersectRect(const Rect& a, const Rect& b);

// Raster operations of bitmap copies (destination, source, brush pattern).
constexpr uint32_t BLACKNESS = 0x00000042;
constexpr uint32_t NOTSRCERASE = 0x001100A6;
constexpr uint32_t NOTSRCCOPY = 0x00330008;
constexpr uint32_t SRCERASE = 0x00440328;
constexpr uint32_t DSTINVERT = 0x00550009;
constexpr uint32_t PATINVERT = 0x005A0049;
constexpr uint32_t SRCINVERT = 0x00660046;
constexpr uint32_t SRCAND = 0x008800C6;
constexpr uint32_t MERGEPAINT = 0x00BB0226;
constexpr uint32_t MERGECOPY = 0x00C000CA;
constexpr uint32_t SRCCOPY = 0x00CC0020;
constexpr uint32_t SRCPAINT = 0x00EE0086;
constexpr uint32_t PATCOPY = 0x00F00021;
constexpr uint32_t WHITENESS = 0x00FF0062;

// Text format flags of DrawText.
constexpr int DT_LEFT = 0x0;
constexpr int DT_CENTER = 0x1;
constexpr int DT_RIGHT = 0x2;
constexpr int DT_VCENTER = 0x4;
constexpr int DT_BOTTOM = 0x8;
constexpr int DT_WORDBREAK = 0x10;
constexpr int DT_SINGLELINE = 0x20;
constexpr int DT_NOCLIP = 0x100;
constexpr int DT_CALCRECT = 0x400;

// Visits the pixels of a line from (x0, y0) towards (x1, y1) in order, the end pixel left out: the
// same pixels LineTo draws with a 1-pixel pen.
void LineDDA(int x0, int y0, int x1, int y1, const std::function<void(int x, int y)>& visit);

class Canvas {
 public:
  // A canvas with its own image of the given size, filled with `fill`.
  Canvas(int width, int height, TColor fill = clWhite);
  // A canvas over an image owned elsewhere (a view's back buffer); it is converted to 32-bit RGB.
  explicit Canvas(QImage* target);
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  // A number that names this canvas while it lives and is never given again, where a device context
  // handle stood: a painting thread keeps it to learn whether its target still exists (IsCanvas).
  uint64_t Handle() const { return handle_; }
  static bool IsCanvas(uint64_t handle);

  int Width() const { return image_->width(); }
  int Height() const { return image_->height(); }
  QImage& Image() { return *image_; }
  const QImage& Image() const { return *image_; }
  // Resizes the image (contents lost, filled with the brush colour); the clip becomes the whole image.
  void SetSize(int width, int height);

  const Pen& GetPen() const { return pen_; }
  void SetPen(const Pen& pen) { pen_ = pen; }
  const Brush& GetBrush() const { return brush_; }
  void SetBrush(const Brush& brush) { brush_ = brush; }
  const Font& GetFont() const { return font_; }
  void SetFont(const Font& font) { font_ = font; }
  // The background of text and of styled pen gaps; its colour is the brush colour.
  BackgroundMode GetBackgroundMode() const { return backgroundMode_; }
  void SetBackgroundMode(BackgroundMode mode) { backgroundMode_ = mode; }
  uint32_t CopyMode() const { return copyMode_; }
  void SetCopyMode(uint32_t rop) { copyMode_ = rop; }

  // Every pixel written lies inside the clip rectangle (always within the image).
  Rect ClipRect() const { return clip_; }
  void SetClipRect(const Rect& clip);
  void ResetClipRect();

  Point PenPos() const { return penPos_; }
  void MoveTo(int x, int y);
  // From the current position to (x, y), leaving out (x, y) itself, which becomes the position.
  void LineTo(int x, int y);
  // Joined segments; the last point is left out as in LineTo. The current position is not used.
  void Polyline(const Point* points, int count);
  void Polyline(const std::vector<Point>& points) { Polyline(points.data(), int(points.size())); }
  // Closed outline with the pen, interior (even-odd) with the brush.
  void Polygon(const Point* points, int count);
  void Polygon(const std::vector<Point>& points) { Polygon(points.data(), int(points.size())); }
  void Rectangle(int left, int top, int right, int bottom);
  void Rectangle(const Rect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
  void Ellipse(int left, int top, int right, int bottom);
  // Fills with the brush colour, ignoring the pen mode (nothing for a clear brush).
  void FillRect(const Rect& r);
  void SetPixel(int x, int y, TColor color);
  // clBlack for a pixel outside the image.
  TColor GetPixel(int x, int y) const;

  // Text with its top-left corner at (x, y); the background box is filled with the brush colour when
  // the background mode is opaque.
  void TextOut(int x, int y, const std::string& text);
  int TextWidth(const std::string& text) const;
  int TextHeight(const std::string& text) const;
  // Text laid out in `rect` after DT_* flags; with DT_CALCRECT only measures, widening or heightening
  // `rect` to fit. Returns the text height.
  int DrawText(Rect& rect, const std::string& text, int flags);

  // Draws `source` stretched into `dest` combined through the copy mode (a ternary raster operation
  // with the brush colour as pattern).
  void StretchDraw(const Rect& dest, const QImage& source);
  // Copies `sourceRect` of `source` into `dest` through the copy mode, stretching when sizes differ.
  void CopyRect(const Rect& dest, const Canvas& source, const Rect& sourceRect);
  // As CopyRect, but source pixels of colour `transparent` leave the destination as it is.
  void CopyRectTransparent(const Rect& dest, const Canvas& source, const Rect& sourceRect, TColor transparent);

  // Millimetres per pixel of the image's resolution (96 dpi unless the image says otherwise).
  double MillimetresPerPixelX() const;
  double MillimetresPerPixelY() const;

  // Serialises drawing between a painting thread and the GUI thread; re-entrant.
  void Lock() { mutex_.lock(); }
  void Unlock() { mutex_.unlock(); }
  bool TryLock() { return mutex_.try_lock(); }

 private:
  void Plot(int x, int y, uint32_t rgb, PenMode mode);
  void StyledLine(int x0, int y0, int x1, int y1);
  void PaintShape(int kind, const std::vector<Point>& points, const Rect& box);
  void DrawSource(const Rect& dest, const QImage& source, const QRect& sourceRect, const TColor* transparent);

  std::unique_ptr<QImage> owned_;
  QImage* image_;
  uint64_t handle_;
  Pen pen_;
  Brush brush_;
  Font font_;
  BackgroundMode backgroundMode_ = BackgroundMode::Opaque;
  uint32_t copyMode_ = SRCCOPY;
  Rect clip_;
  Point penPos_;
  int64_t styleStep_ = 0;  // position in the dash pattern, carried along joined segments
  std::recursive_mutex mutex_;
};

// Saves the drawing state of a canvas and gives it back on leaving the scope.
class CanvasStateSaver {
 public:
  explicit CanvasStateSaver(Canvas& canvas)
      : canvas_(canvas), pen_(canvas.GetPen()), brush_(canvas.GetBrush()), font_(canvas.GetFont()),
        mode_(canvas.GetBackgroundMode()), copyMode_(canvas.CopyMode()) {}
  ~CanvasStateSaver() {
    canvas_.SetPen(pen_);
    canvas_.SetBrush(brush_);
    canvas_.SetFont(font_);
    canvas_.SetBackgroundMode(mode_);
    canvas_.SetCopyMode(copyMode_);
  }
  CanvasStateSaver(const CanvasStateSaver&) = delete;
  CanvasStateSaver& operator=(const CanvasStateSaver&) = delete;

 private:
  Canvas& canvas_;
  Pen pen_;
  Brush brush_;
  Font font_;
  BackgroundMode mode_;
  uint32_t copyMode_;
};

}  // namespace platform
