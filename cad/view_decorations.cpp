#include "cad/view_decorations.h"

#include <algorithm>
#include <cmath>

#include "cad/geometry_drawing.h"
#include "platform/numbers.h"

namespace cad {

namespace {

// The indices i of the lines first + i * step (i >= 0, first + i * step <= last in drawing units)
// whose screen coordinate, screenAt(i) = s0 + i * ds, falls within [low, high].
bool VisibleLines(double first, double step, double last, double s0, double ds, double low, double high, int64_t& from,
                  int64_t& to) {
  if (!(step > 0) || !(last >= first) || ds == 0) return false;
  double lo = 0, hi = std::floor((last - first) / step + 1e-9);
  const double a = (low - s0) / ds, b = (high - s0) / ds;
  lo = std::max(lo, std::ceil(std::min(a, b)));
  hi = std::min(hi, std::floor(std::max(a, b)));
  if (!(lo <= hi)) return false;
  from = int64_t(lo);
  to = int64_t(hi);
  return true;
}

void Line(TDecorativeCanvas& canvas, platform::Point a, platform::Point b) {
  canvas.MoveTo(a.X, a.Y);
  canvas.LineTo(b.X, b.Y);
}

platform::Point Offset(platform::Point p, int dx, int dy) { return {p.X + dx, p.Y + dy}; }

}  // namespace

bool DrawViewGrid(TDecorativeCanvas& canvas, const TRect2D& window, const TTransform2D& view, double dx, double dy) {
  if (!(dx > 0) || !(dy > 0)) return false;
  const TRect2D w = ReorderRect2D(CartesianRect2D(window));
  const double x0 = dx * std::nearbyint(w.First.X / dx), y0 = dy * std::nearbyint(w.First.Y / dy);
  const TPoint2D a = CartesianPoint2D(TransformPoint2D(Point2D(x0, y0), view));
  const TPoint2D b = CartesianPoint2D(TransformPoint2D(Point2D(x0 + dx, y0 + dy), view));
  if (!(std::abs(b.X - a.X) > kGridMinimumPixels) || !(std::abs(b.Y - a.Y) > kGridMinimumPixels)) return false;

  // Only the lines that cross the canvas are walked, and only over the canvas's width or height.
  const platform::Rect clip = canvas.Canvas().ClipRect();
  const double left = clip.Left - 1, right = clip.Right + 1, top = clip.Top - 1, bottom = clip.Bottom + 1;
  auto clampX = [&](double x) { return ScreenRound(std::clamp(x, left, right)); };
  auto clampY = [&](double y) { return ScreenRound(std::clamp(y, top, bottom)); };
  const TPoint2D start = CartesianPoint2D(TransformPoint2D(Point2D(w.First.X, 0), view));
  const TPoint2D end = CartesianPoint2D(TransformPoint2D(Point2D(w.Second.X, 0), view));
  int64_t from = 0, to = -1;
  if (VisibleLines(y0, dy, w.Second.Y, a.Y, b.Y - a.Y, top, bottom, from, to)) {
    for (int64_t i = from; i <= to; ++i) {
      const double y = y0 + double(i) * dy;
      const platform::Point p = Point2DToPoint(TransformPoint2D(Point2D(w.First.X, y), view));
      Line(canvas, {clampX(start.X), p.Y}, {clampX(end.X), p.Y});
    }
  }
  const TPoint2D high = CartesianPoint2D(TransformPoint2D(Point2D(0, w.Second.Y), view));
  const TPoint2D low = CartesianPoint2D(TransformPoint2D(Point2D(0, w.First.Y), view));
  if (VisibleLines(x0, dx, w.Second.X, a.X, b.X - a.X, left, right, from, to)) {
    for (int64_t i = from; i <= to; ++i) {
      const double x = x0 + double(i) * dx;
      const platform::Point p = Point2DToPoint(TransformPoint2D(Point2D(x, w.Second.Y), view));
      Line(canvas, {p.X, clampY(high.Y)}, {p.X, clampY(low.Y)});
    }
  }
  return true;
}

void DrawViewAxisLines(TDecorativeCanvas& canvas, const TRect2D& window, const TTransform2D& view) {
  const TRect2D w = ReorderRect2D(CartesianRect2D(window));
  const TRect2D clip = RectToRect2D(canvas.Canvas().ClipRect());
  DrawClippedLine2D(canvas, Point2D(w.First.X, 0), Point2D(w.Second.X, 0), view, clip);
  DrawClippedLine2D(canvas, Point2D(0, w.First.Y), Point2D(0, w.Second.Y), view, clip);
}

void DrawViewAxisIcon(TDecorativeCanvas& canvas, const TRect2D& window, const TTransform2D& view, bool isMM) {
  const TRect2D w = ReorderRect2D(CartesianRect2D(window));
  const double width = w.Second.X - w.First.X, height = w.Second.Y - w.First.Y;
  const double a = 0.03 * width, b = 0.03 * height;
  auto screen = [&](double x, double y) { return Point2DToPoint(TransformPoint2D(Point2D(x, y), view)); };

  const platform::Point origin = screen(w.First.X + a, w.First.Y + b);
  const platform::Point xTip = screen(w.First.X + 4 * b, w.First.Y + b);
  Line(canvas, origin, xTip);
  Line(canvas, xTip, Offset(xTip, -15, -5));
  Line(canvas, xTip, Offset(xTip, -15, 4));
  Line(canvas, Offset(xTip, 10, -10), Offset(xTip, 20, 10));
  Line(canvas, Offset(xTip, 10, 10), Offset(xTip, 20, -10));

  const platform::Point yTip = screen(w.First.X + a, w.First.Y + 4 * b);
  Line(canvas, origin, yTip);
  Line(canvas, yTip, Offset(yTip, -5, 17));
  Line(canvas, yTip, Offset(yTip, 5, 17));
  Line(canvas, Offset(yTip, 0, -10), Offset(yTip, 0, -19));
  Line(canvas, Offset(yTip, 0, -19), Offset(yTip, -5, -28));
  Line(canvas, Offset(yTip, 0, -19), Offset(yTip, 5, -28));

  const platform::Point left = screen(w.First.X + 0.85 * width, w.First.Y + b);
  const platform::Point right = screen(w.First.X + 0.95 * width, w.First.Y + b);
  Line(canvas, left, right);
  Line(canvas, Offset(left, 0, -4), Offset(left, 0, 4));
  Line(canvas, Offset(right, 0, -4), Offset(right, 0, 4));

  const double scale = view.M[0][0];
  const double length = scale != 0 ? (right.X - left.X) / scale : 0;
  platform::Canvas& c = canvas.Canvas();
  platform::CanvasStateSaver saved(c);
  platform::Font font = c.GetFont();
  font.Color = c.GetPen().Color;
  c.SetFont(font);
  c.SetBackgroundMode(platform::BackgroundMode::Transparent);
  const std::string number = platform::FormatPrintf(isMM ? "%0.3f" : "%0.4f", length);
  const std::string unit = isMM ? "mm" : "Inch";
  const int centre = (left.X + right.X) / 2;
  c.TextOut(centre - c.TextWidth(unit) / 2, left.Y + 1, unit);
  c.TextOut(centre - c.TextWidth(number) / 2, left.Y - 15, number);
}

}  // namespace cad
