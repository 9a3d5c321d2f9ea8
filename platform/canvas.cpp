#include "platform/canvas.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <unordered_set>

namespace platform {

namespace {

// The system colours our desktop shows, 0x00BBGGRR, by Windows index (0 scroll bar ... 30 menu bar):
// the default scheme of Windows 7.
constexpr TColor kSystemColors[] = {
    RGBColor(200, 200, 200), RGBColor(0, 0, 0),       RGBColor(153, 180, 209), RGBColor(191, 205, 219),
    RGBColor(240, 240, 240), RGBColor(255, 255, 255), RGBColor(100, 100, 100), RGBColor(0, 0, 0),
    RGBColor(0, 0, 0),       RGBColor(0, 0, 0),       RGBColor(180, 180, 180), RGBColor(244, 247, 252),
    RGBColor(171, 171, 171), RGBColor(51, 153, 255),  RGBColor(255, 255, 255), RGBColor(240, 240, 240),
    RGBColor(160, 160, 160), RGBColor(109, 109, 109), RGBColor(0, 0, 0),       RGBColor(67, 78, 84),
    RGBColor(255, 255, 255), RGBColor(105, 105, 105), RGBColor(227, 227, 227), RGBColor(0, 0, 0),
    RGBColor(255, 255, 225), RGBColor(0, 0, 0),       RGBColor(0, 102, 204),   RGBColor(185, 209, 234),
    RGBColor(215, 228, 242), RGBColor(51, 153, 255),  RGBColor(240, 240, 240)};

// TColor (0x00BBGGRR) to the image's 0x00RRGGBB and back.
uint32_t ToRgb(TColor color) {
  TColor c = ColorToRGB(color);
  return (uint32_t(RedOf(c)) << 16) | (uint32_t(GreenOf(c)) << 8) | BlueOf(c);
}
TColor FromRgb(uint32_t rgb) { return RGBColor(uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb)); }

// Dash patterns of 1-pixel styled pens, in pixels on and off.
const std::vector<int>& DashPattern(PenStyle style) {
  static const std::vector<int> dash{18, 6}, dot{3, 3}, dashDot{9, 6, 3, 6}, dashDotDot{9, 3, 3, 3, 3, 3}, none{};
  switch (style) {
    case PenStyle::Dash: return dash;
    case PenStyle::Dot: return dot;
    case PenStyle::DashDot: return dashDot;
    case PenStyle::DashDotDot: return dashDotDot;
    default: return none;
  }
}

bool PatternOn(const std::vector<int>& pattern, int64_t step) {
  int cycle = 0;
  for (int n : pattern) cycle += n;
  int within = int(step % cycle);
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (within < pattern[i]) return i % 2 == 0;
    within -= pattern[i];
  }
  return false;
}

bool HatchOn(BrushStyle style, int x, int y) {
  switch (style) {
    case BrushStyle::Solid: return true;
    case BrushStyle::Horizontal: return (y & 7) == 0;
    case BrushStyle::Vertical: return (x & 7) == 0;
    case BrushStyle::FDiagonal: return ((x - y) & 7) == 0;
    case BrushStyle::BDiagonal: return ((x + y) & 7) == 0;
    case BrushStyle::Cross: return (x & 7) == 0 || (y & 7) == 0;
    case BrushStyle::DiagCross: return ((x - y) & 7) == 0 || ((x + y) & 7) == 0;
    default: return false;
  }
}

// A ternary raster operation: bit i of `code` is the result for pattern bit (i & 4), source bit
// (i & 2) and destination bit (i & 1).
uint32_t Rop3(uint8_t code, uint32_t p, uint32_t s, uint32_t d) {
  uint32_t r = 0;
  for (int i = 0; i < 8; ++i) {
    if ((code >> i) & 1) r |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
  }
  return r & 0xFFFFFF;
}

QFont MakeQFont(const Font& font) {
  QFont f(QString::fromStdString(font.Name));
  f.setPixelSize(std::max(1, std::abs(font.Height)));
  f.setWeight(QFont::Weight(std::clamp(font.Weight == 0 ? 400 : font.Weight, 1, 1000)));
  f.setItalic(font.Italic);
  f.setUnderline(font.Underline);
  f.setStrikeOut(font.StrikeOut);
  // Crisp pixels: text colours stay exact, as on the screens the drawings were made for.
  f.setStyleStrategy(QFont::NoAntialias);
  if (font.Width > 0) {
    // A given character width stretches the face from its own average width.
    const int natural = QFontMetrics(f).averageCharWidth();
    if (natural > 0) f.setStretch(std::clamp(int(int64_t(font.Width) * 100 / natural), 1, 4000));
  }
  return f;
}

int QtTextFlags(int flags) {
  int q = 0;
  if (flags & DT_CENTER) q |= Qt::AlignHCenter;
  else if (flags & DT_RIGHT) q |= Qt::AlignRight;
  else q |= Qt::AlignLeft;
  if (flags & DT_VCENTER) q |= Qt::AlignVCenter;
  else if (flags & DT_BOTTOM) q |= Qt::AlignBottom;
  else q |= Qt::AlignTop;
  if (flags & DT_SINGLELINE) q |= Qt::TextSingleLine;
  else if (flags & DT_WORDBREAK) q |= Qt::TextWordWrap;
  return q;
}

// The number of pixels of a line from (x0, y0) to (x1, y1): its length along the major axis.
int64_t LineSteps(int x0, int y0, int x1, int y1) {
  return std::max(std::abs(int64_t(x1) - x0), std::abs(int64_t(y1) - y0));
}

// The pixels of a Bresenham line from (x0, y0) towards (x1, y1), the end pixel left out; only the
// pixels numbered first .. last - 1 from the start are visited. The first of them is found directly,
// so a line far longer than the image costs only the pixels visited.
template <typename Visit>
void WalkLine(int x0, int y0, int x1, int y1, Visit visit, int64_t first = 0,
              int64_t last = std::numeric_limits<int64_t>::max()) {
  const int64_t dx = std::abs(int64_t(x1) - x0), dy = std::abs(int64_t(y1) - y0);
  const bool alongX = dx >= dy;
  const int64_t major = alongX ? dx : dy, minor = alongX ? dy : dx;
  const int majorStep = (alongX ? x1 >= x0 : y1 >= y0) ? 1 : -1;
  const int minorStep = (alongX ? y1 >= y0 : x1 >= x0) ? 1 : -1;
  // At a tie the minor coordinate steps only when it grows.
  const int64_t tie = minorStep > 0 ? 0 : 1;
  first = std::max<int64_t>(first, 0);
  last = std::min(last, major);
  if (first >= last) return;
  // Minor steps taken before pixel `first`, and the decision value there (the products need more
  // than 64 bits on lines between far-off points).
  const auto steps = int64_t((__int128(2) * minor * first + major - tie) / (2 * major));
  auto err = int64_t(__int128(2) * minor * (first + 1) - major - __int128(2) * major * steps);
  int64_t along = (alongX ? x0 : y0) + majorStep * first;
  int64_t across = (alongX ? y0 : x0) + minorStep * steps;
  for (int64_t i = first; i < last; ++i) {
    if (alongX)
      visit(int(along), int(across));
    else
      visit(int(across), int(along));
    if (err >= tie) {
      across += minorStep;
      err -= 2 * major;
    }
    err += 2 * minor;
    along += majorStep;
  }
}

// The pixels first .. last - 1 of the line whose major coordinate lies inside `box`: the only ones
// that can be seen there.
void VisibleSteps(int x0, int y0, int x1, int y1, const Rect& box, int64_t& first, int64_t& last) {
  const bool alongX = std::abs(int64_t(x1) - x0) >= std::abs(int64_t(y1) - y0);
  const int64_t start = alongX ? x0 : y0;
  const int64_t low = alongX ? box.Left : box.Top, high = alongX ? box.Right : box.Bottom;
  if ((alongX ? x1 >= x0 : y1 >= y0)) {
    first = low - start;
    last = high - start;
  } else {
    first = start - high + 1;
    last = start - low + 1;
  }
}

// Mask values of PaintShape.
constexpr uint32_t kMaskFill = 1;
constexpr uint32_t kMaskPen = 2;

}  // namespace

void LineDDA(int x0, int y0, int x1, int y1, const std::function<void(int x, int y)>& visit) {
  WalkLine(x0, y0, x1, y1, [&](int x, int y) { visit(x, y); });
}

TColor SysColor(int index) {
  if (index < 0 || index >= int(std::size(kSystemColors))) return clBlack;
  return kSystemColors[index];
}

TColor ColorToRGB(TColor color) {
  if (color & 0x80000000u) return SysColor(int(color & 0xFF));
  return color & 0xFFFFFF;
}

uint32_t MixPen(PenMode mode, uint32_t p, uint32_t d) {
  uint32_t r = 0;
  switch (mode) {
    case PenMode::Black: r = 0; break;
    case PenMode::White: r = 0xFFFFFF; break;
    case PenMode::Nop: r = d; break;
    case PenMode::Not: r = ~d; break;
    case PenMode::Copy: r = p; break;
    case PenMode::NotCopy: r = ~p; break;
    case PenMode::MergePenNot: r = p | ~d; break;
    case PenMode::MaskPenNot: r = p & ~d; break;
    case PenMode::MergeNotPen: r = ~p | d; break;
    case PenMode::MaskNotPen: r = ~p & d; break;
    case PenMode::Merge: r = p | d; break;
    case PenMode::NotMerge: r = ~(p | d); break;
    case PenMode::Mask: r = p & d; break;
    case PenMode::NotMask: r = ~(p & d); break;
    case PenMode::Xor: r = p ^ d; break;
    case PenMode::NotXor: r = ~(p ^ d); break;
  }
  return r & 0xFFFFFF;
}

Rect IntersectRect(const Rect& a, const Rect& b) {
  Rect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right), std::min(a.Bottom, b.Bottom)};
  if (r.IsEmpty()) return Rect{};
  return r;
}

namespace {
// The handles of the canvases alive.
std::mutex canvasesLock;
std::unordered_set<uint64_t>& LiveCanvases() {
  static std::unordered_set<uint64_t> live;
  return live;
}
uint64_t NewCanvasHandle() {
  static uint64_t last = 0;
  std::lock_guard<std::mutex> guard(canvasesLock);
  LiveCanvases().insert(++last);
  return last;
}
}  // namespace

bool Canvas::IsCanvas(uint64_t handle) {
  std::lock_guard<std::mutex> guard(canvasesLock);
  return LiveCanvases().count(handle) != 0;
}

Canvas::~Canvas() {
  std::lock_guard<std::mutex> guard(canvasesLock);
  LiveCanvases().erase(handle_);
}

Canvas::Canvas(int width, int height, TColor fill)
    : owned_(std::make_unique<QImage>(std::max(0, width), std::max(0, height), QImage::Format_RGB32)),
      image_(owned_.get()),
      handle_(NewCanvasHandle()) {
  image_->fill(QColor::fromRgb(0xFF000000u | ToRgb(fill)));
  ResetClipRect();
}

Canvas::Canvas(QImage* target) : image_(target), handle_(NewCanvasHandle()) {
  if (image_->format() != QImage::Format_RGB32) *image_ = image_->convertToFormat(QImage::Format_RGB32);
  ResetClipRect();
}

void Canvas::SetSize(int width, int height) {
  *image_ = QImage(std::max(0, width), std::max(0, height), QImage::Format_RGB32);
  image_->fill(QColor::fromRgb(0xFF000000u | ToRgb(brush_.Color)));
  ResetClipRect();
}

void Canvas::SetClipRect(const Rect& clip) { clip_ = IntersectRect(clip, Rect{0, 0, Width(), Height()}); }

void Canvas::ResetClipRect() { clip_ = Rect{0, 0, Width(), Height()}; }

void Canvas::Plot(int x, int y, uint32_t rgb, PenMode mode) {
  if (!clip_.Contains(x, y)) return;
  auto* p = reinterpret_cast<uint32_t*>(image_->scanLine(y)) + x;
  *p = 0xFF000000u | MixPen(mode, rgb, *p & 0xFFFFFF);
}

void Canvas::SetPixel(int x, int y, TColor color) { Plot(x, y, ToRgb(color), PenMode::Copy); }

TColor Canvas::GetPixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= Width() || y >= Height()) return clBlack;
  return FromRgb(reinterpret_cast<const uint32_t*>(image_->constScanLine(y))[x] & 0xFFFFFF);
}

void Canvas::MoveTo(int x, int y) {
  penPos_ = {x, y};
  styleStep_ = 0;
}

// One pixel-exact Bresenham walk from (x0, y0) towards (x1, y1), the end pixel left out, for pens of
// width 1; wider pens are stroked with round ends as whole lines.
void Canvas::StyledLine(int x0, int y0, int x1, int y1) {
  if (pen_.Style == PenStyle::Clear) return;
  const uint32_t rgb = ToRgb(pen_.Color);
  if (pen_.Width > 1) {
    std::vector<Point> pts{{x0, y0}, {x1, y1}};
    int w = pen_.Width;
    Rect box{std::min(x0, x1) - w, std::min(y0, y1) - w, std::max(x0, x1) + w + 1, std::max(y0, y1) + w + 1};
    PaintShape(3, pts, box);
    return;
  }
  const auto& pattern = DashPattern(pen_.Style);
  const uint32_t background = ToRgb(brush_.Color);
  int64_t first = 0, last = 0;
  VisibleSteps(x0, y0, x1, y1, clip_, first, last);
  int64_t step = styleStep_ + std::max<int64_t>(first, 0);
  WalkLine(
      x0, y0, x1, y1,
      [&](int x, int y) {
        if (pattern.empty() || PatternOn(pattern, step)) Plot(x, y, rgb, pen_.Mode);
        else if (backgroundMode_ == BackgroundMode::Opaque) Plot(x, y, background, pen_.Mode);
        ++step;
      },
      first, last);
  styleStep_ += LineSteps(x0, y0, x1, y1);
}

void Canvas::LineTo(int x, int y) {
  StyledLine(penPos_.X, penPos_.Y, x, y);
  penPos_ = {x, y};
}

void Canvas::Polyline(const Point* points, int count) {
  if (count < 2 || pen_.Style == PenStyle::Clear) return;
  if (pen_.Width > 1) {
    // One stroke for the whole path, so that an exclusive-or pen does not cancel at the joints.
    std::vector<Point> pts(points, points + count);
    int w = pen_.Width;
    Rect box{points[0].X, points[0].Y, points[0].X, points[0].Y};
    for (const auto& p : pts) {
      box = Rect{std::min(box.Left, p.X), std::min(box.Top, p.Y), std::max(box.Right, p.X), std::max(box.Bottom, p.Y)};
    }
    PaintShape(3, pts, Rect{box.Left - w, box.Top - w, box.Right + w + 1, box.Bottom + w + 1});
    return;
  }
  int64_t step = 0;
  for (int i = 0; i + 1 < count; ++i) {
    styleStep_ = step;
    StyledLine(points[i].X, points[i].Y, points[i + 1].X, points[i + 1].Y);
    step = styleStep_;
  }
}

// kind 0 rectangle, 1 ellipse, 2 polygon, 3 open wide polyline. The shape is rasterised into a mask
// first so that every pixel is mixed exactly once, with the brush inside and the pen on the outline.
void Canvas::PaintShape(int kind, const std::vector<Point>& points, const Rect& box) {
  Rect area = IntersectRect(box, clip_);
  if (area.IsEmpty()) return;
  const bool withPen = pen_.Style != PenStyle::Clear;
  const bool withBrush = kind != 3 && brush_.Style != BrushStyle::Clear;
  if (!withPen && !withBrush) return;

  QImage mask(area.Width(), area.Height(), QImage::Format_RGB32);
  mask.fill(0u);
  QPainterPath path;
  path.setFillRule(Qt::OddEvenFill);
  const Point a = points.empty() ? Point{} : points[0];
  const Point b = points.size() > 1 ? points[1] : a;
  switch (kind) {
    case 0: path.addRect(QRectF(a.X, a.Y, b.X - a.X, b.Y - a.Y)); break;
    case 1: break;  // evaluated per pixel below
    default: {
      // Pixel centres sit on the integer coordinates, so right and bottom edges stay outside.
      path.moveTo(points[0].X + 0.5, points[0].Y + 0.5);
      for (size_t i = 1; i < points.size(); ++i) path.lineTo(points[i].X + 0.5, points[i].Y + 0.5);
      if (kind == 2) path.closeSubpath();
    }
  }
  {
    QPainter painter(&mask);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.translate(-area.Left, -area.Top);
    if (withBrush) painter.fillPath(path, QColor::fromRgb(0xFF000000u | kMaskFill));
    if (withPen && pen_.Width > 1 && kind != 1) {
      QPainterPath outline = path;
      if (kind == 0) {
        outline = QPainterPath();
        outline.addRect(QRectF(a.X + 0.5, a.Y + 0.5, b.X - a.X - 1, b.Y - a.Y - 1));
      }
      QPen qpen(QColor::fromRgb(0xFF000000u | kMaskPen), pen_.Width, Qt::SolidLine, Qt::RoundCap,
                kind == 0 ? Qt::MiterJoin : Qt::RoundJoin);
      painter.strokePath(outline, qpen);
    }
  }
  auto mark = [&](int x, int y) {
    if (area.Contains(x, y)) reinterpret_cast<uint32_t*>(mask.scanLine(y - area.Top))[x - area.Left] = kMaskPen;
  };
  if (withPen && pen_.Width <= 1) {
    if (kind == 0) {
      int r = b.X - 1, bt = b.Y - 1;
      for (int x = a.X; x <= r; ++x) mark(x, a.Y), mark(x, bt);
      for (int y = a.Y; y <= bt; ++y) mark(a.X, y), mark(r, y);
    } else {
      // The polygon's edges, each without its end pixel: every vertex is marked once.
      for (size_t i = 0; i < points.size(); ++i) {
        Point p0 = points[i], p1 = points[(i + 1) % points.size()];
        int64_t first = 0, last = 0;
        VisibleSteps(p0.X, p0.Y, p1.X, p1.Y, area, first, last);
        WalkLine(p0.X, p0.Y, p1.X, p1.Y, mark, first, last);
        if (p0 == p1) mark(p0.X, p0.Y);
      }
    }
  }
  if (kind == 1) {
    // The ellipse fits in left..right - 1 and top..bottom - 1; a wide pen is centred on its edge.
    const double cx = (a.X + b.X - 1) / 2.0, cy = (a.Y + b.Y - 1) / 2.0;
    const double rx = (b.X - a.X - 1) / 2.0 + 0.5, ry = (b.Y - a.Y - 1) / 2.0 + 0.5;
    const int w = withPen ? std::max(1, pen_.Width) : 0;
    auto inside = [&](int x, int y, double grow) {
      double u = (x - cx) / (rx + grow), v = (y - cy) / (ry + grow);
      return rx + grow > 0 && ry + grow > 0 && u * u + v * v <= 1.0;
    };
    for (int y = area.Top; y < area.Bottom; ++y) {
      auto* line = reinterpret_cast<uint32_t*>(mask.scanLine(y - area.Top));
      for (int x = area.Left; x < area.Right; ++x) {
        uint32_t m = 0;
        if (w == 1) {
          if (inside(x, y, 0))
            m = !inside(x - 1, y, 0) || !inside(x + 1, y, 0) || !inside(x, y - 1, 0) || !inside(x, y + 1, 0)
                    ? kMaskPen
                    : kMaskFill;
        } else if (w > 1 && inside(x, y, w / 2) && !inside(x, y, w / 2 - w)) {
          m = kMaskPen;
        } else if (inside(x, y, 0)) {
          m = kMaskFill;
        }
        if (m == kMaskFill && !withBrush) m = 0;
        line[x - area.Left] = m;
      }
    }
  }
  const uint32_t penRgb = ToRgb(pen_.Color), brushRgb = ToRgb(brush_.Color);
  for (int y = 0; y < mask.height(); ++y) {
    const auto* line = reinterpret_cast<const uint32_t*>(mask.constScanLine(y));
    for (int x = 0; x < mask.width(); ++x) {
      uint32_t m = line[x] & 0xFF;
      int px = area.Left + x, py = area.Top + y;
      if (m == kMaskPen) Plot(px, py, penRgb, pen_.Mode);
      else if (m == kMaskFill && HatchOn(brush_.Style, px, py)) Plot(px, py, brushRgb, pen_.Mode);
    }
  }
}

void Canvas::Polygon(const Point* points, int count) {
  if (count < 2) return;
  std::vector<Point> pts(points, points + count);
  Rect box{points[0].X, points[0].Y, points[0].X, points[0].Y};
  for (const auto& p : pts) {
    box = Rect{std::min(box.Left, p.X), std::min(box.Top, p.Y), std::max(box.Right, p.X), std::max(box.Bottom, p.Y)};
  }
  int w = std::max(1, pen_.Width);
  PaintShape(2, pts, Rect{box.Left - w, box.Top - w, box.Right + w + 1, box.Bottom + w + 1});
}

void Canvas::Rectangle(int left, int top, int right, int bottom) {
  if (right < left) std::swap(left, right);
  if (bottom < top) std::swap(top, bottom);
  PaintShape(0, {{left, top}, {right, bottom}}, Rect{left, top, right, bottom});
}

void Canvas::Ellipse(int left, int top, int right, int bottom) {
  if (right < left) std::swap(left, right);
  if (bottom < top) std::swap(top, bottom);
  int w = std::max(1, pen_.Width);
  PaintShape(1, {{left, top}, {right, bottom}}, Rect{left - w, top - w, right + w, bottom + w});
}

void Canvas::FillRect(const Rect& r) {
  if (brush_.Style == BrushStyle::Clear) return;
  Rect area = IntersectRect(r, clip_);
  const uint32_t rgb = ToRgb(brush_.Color);
  for (int y = area.Top; y < area.Bottom; ++y) {
    for (int x = area.Left; x < area.Right; ++x) {
      if (HatchOn(brush_.Style, x, y)) Plot(x, y, rgb, PenMode::Copy);
    }
  }
}

void Canvas::TextOut(int x, int y, const std::string& text) {
  if (text.empty() || clip_.IsEmpty()) return;
  QFont f = MakeQFont(font_);
  QFontMetrics fm(f, image_);
  QString s = QString::fromStdString(text);
  QPainter painter(image_);
  painter.setRenderHint(QPainter::TextAntialiasing, false);
  painter.setClipRect(QRect(clip_.Left, clip_.Top, clip_.Width(), clip_.Height()));
  painter.translate(x, y);
  if (font_.Escapement != 0) painter.rotate(-font_.Escapement / 10.0);
  if (backgroundMode_ == BackgroundMode::Opaque && brush_.Style != BrushStyle::Clear) {
    painter.fillRect(QRect(0, 0, fm.horizontalAdvance(s), fm.height()),
                     QColor::fromRgb(0xFF000000u | ToRgb(brush_.Color)));
  }
  painter.setFont(f);
  painter.setPen(QColor::fromRgb(0xFF000000u | ToRgb(font_.Color)));
  painter.drawText(QPoint(0, fm.ascent()), s);
}

int Canvas::TextWidth(const std::string& text) const {
  return QFontMetrics(MakeQFont(font_), image_).horizontalAdvance(QString::fromStdString(text));
}

int Canvas::TextHeight(const std::string&) const { return QFontMetrics(MakeQFont(font_), image_).height(); }

int Canvas::DrawText(Rect& rect, const std::string& text, int flags) {
  QFont f = MakeQFont(font_);
  QString s = QString::fromStdString(text);
  const int qflags = QtTextFlags(flags);
  QRect box(rect.Left, rect.Top, rect.Width(), rect.Height());
  if (flags & DT_CALCRECT) {
    QFontMetrics fm(f, image_);
    QRect measured = fm.boundingRect(QRect(rect.Left, rect.Top, std::max(1, rect.Width()), 100000),
                                     (qflags & ~(Qt::AlignVertical_Mask | Qt::AlignHorizontal_Mask)) | Qt::AlignLeft |
                                         Qt::AlignTop,
                                     s);
    rect.Right = rect.Left + measured.width();
    rect.Bottom = rect.Top + measured.height();
    return measured.height();
  }
  QPainter painter(image_);
  painter.setRenderHint(QPainter::TextAntialiasing, false);
  QRect clip(clip_.Left, clip_.Top, clip_.Width(), clip_.Height());
  painter.setClipRect((flags & DT_NOCLIP) ? clip : clip.intersected(box));
  painter.setFont(f);
  QRect bounding = painter.boundingRect(box, qflags, s);
  if (backgroundMode_ == BackgroundMode::Opaque && brush_.Style != BrushStyle::Clear) {
    painter.fillRect(bounding, QColor::fromRgb(0xFF000000u | ToRgb(brush_.Color)));
  }
  painter.setPen(QColor::fromRgb(0xFF000000u | ToRgb(font_.Color)));
  painter.drawText(box, qflags, s);
  return bounding.height();
}

void Canvas::DrawSource(const Rect& dest, const QImage& source, const QRect& sourceRect, const TColor* transparent) {
  if (dest.IsEmpty() || sourceRect.isEmpty()) return;
  // 8-bit indexed pixels are looked up in their table as they are sampled: converting the whole of a
  // large picture would cost far more than the pixels drawn.
  const bool indexed = source.format() == QImage::Format_Indexed8;
  uint32_t table[256] = {};
  if (indexed)
    for (qsizetype i = 0; i < std::min<qsizetype>(256, source.colorCount()); ++i) table[i] = source.color(int(i));
  QImage src = indexed || source.format() == QImage::Format_RGB32 || source.format() == QImage::Format_ARGB32
                   ? source
                   : source.convertToFormat(QImage::Format_RGB32);
  QRect srcBox = sourceRect.intersected(src.rect());
  if (srcBox.isEmpty()) return;
  Rect area = IntersectRect(dest, clip_);
  const uint8_t code = uint8_t(copyMode_ >> 16);
  const uint32_t pattern = ToRgb(brush_.Color);
  const uint32_t key = transparent ? ToRgb(*transparent) : 0;
  const int64_t dw = dest.Width(), dh = dest.Height();
  for (int y = area.Top; y < area.Bottom; ++y) {
    int sy = sourceRect.top() + int((y - dest.Top) * int64_t(sourceRect.height()) / dh);
    if (sy < srcBox.top() || sy > srcBox.bottom()) continue;
    const uchar* srcLine = src.constScanLine(sy);
    auto* dstLine = reinterpret_cast<uint32_t*>(image_->scanLine(y));
    for (int x = area.Left; x < area.Right; ++x) {
      int sx = sourceRect.left() + int((x - dest.Left) * int64_t(sourceRect.width()) / dw);
      if (sx < srcBox.left() || sx > srcBox.right()) continue;
      uint32_t s = (indexed ? table[srcLine[sx]] : reinterpret_cast<const uint32_t*>(srcLine)[sx]) & 0xFFFFFF;
      if (transparent && s == key) continue;
      uint32_t d = dstLine[x] & 0xFFFFFF;
      dstLine[x] = 0xFF000000u | (code == 0xCC ? s : Rop3(code, pattern, s, d));
    }
  }
}

void Canvas::StretchDraw(const Rect& dest, const QImage& source) {
  DrawSource(dest, source, source.rect(), nullptr);
}

void Canvas::CopyRect(const Rect& dest, const Canvas& source, const Rect& sourceRect) {
  DrawSource(dest, source.Image(), QRect(sourceRect.Left, sourceRect.Top, sourceRect.Width(), sourceRect.Height()),
             nullptr);
}

void Canvas::CopyRectTransparent(const Rect& dest, const Canvas& source, const Rect& sourceRect, TColor transparent) {
  DrawSource(dest, source.Image(), QRect(sourceRect.Left, sourceRect.Top, sourceRect.Width(), sourceRect.Height()),
             &transparent);
}

double Canvas::MillimetresPerPixelX() const {
  int dpm = image_->dotsPerMeterX();
  return dpm > 0 ? 1000.0 / dpm : 25.4 / 96.0;
}

double Canvas::MillimetresPerPixelY() const {
  int dpm = image_->dotsPerMeterY();
  return dpm > 0 ? 1000.0 / dpm : 25.4 / 96.0;
}

}  // namespace platform
