#include "cad/geometry_drawing.h"

#include <vector>

namespace cad {

namespace {

bool ValidRange(const TPoint2D* points, int count, int first, int last) {
  return points != nullptr && first >= 0 && last < count && first <= last;
}

platform::Point ToScreen(const TPoint2D& p, const TTransform2D& view) {
  return Point2DToPoint(TransformPoint2D(p, view));
}

}  // namespace

bool DrawClippedLine2D(TDecorativeCanvas& canvas, const TPoint2D& p1, const TPoint2D& p2, const TTransform2D& view,
                       const TRect2D& clip) {
  TPoint2D a = TransformPoint2D(p1, view), b = TransformPoint2D(p2, view);
  if (ClipSegment2D(ReorderRect2D(clip), a, b) == CLIP_REJECTED) return false;
  const platform::Point s = Point2DToPoint(a), e = Point2DToPoint(b);
  canvas.MoveTo(s.X, s.Y);
  canvas.LineTo(e.X, e.Y);
  return true;
}

void DrawClippedPolyline2D(TDecorativeCanvas& canvas, const TPoint2D* points, int count, bool closed, int first,
                           int last, const TTransform2D& view, const TRect2D& extents, const TRect2D& clip) {
  if (!ValidRange(points, count, first, last)) return;
  const TRect2D box = ReorderRect2D(clip);
  std::vector<platform::Point> gathered;
  gathered.reserve(size_t(last - first + 2));
  if (IsBoxInBox2D(TransformBoundingBox2D(extents, view), box)) {
    for (int i = first; i <= last; ++i) gathered.push_back(ToScreen(points[i], view));
    if (closed) gathered.push_back(gathered.front());
    canvas.Polyline(gathered);
    return;
  }
  const int segments = (last - first) + (closed ? 1 : 0);
  int lastResult = CLIP_REJECTED;
  TPoint2D lastEnd;
  for (int k = 0; k < segments; ++k) {
    const int i = first + k;
    const int j = i < last ? i + 1 : first;
    TPoint2D a = TransformPoint2D(points[i], view), b = TransformPoint2D(points[j], view);
    lastResult = ClipSegment2D(box, a, b);
    lastEnd = b;
    if (lastResult == CLIP_REJECTED) continue;
    gathered.push_back(Point2DToPoint(a));
    if (lastResult != CLIP_UNTOUCHED && (lastResult & CLIP_SECOND_MOVED)) {
      gathered.push_back(Point2DToPoint(b));
      canvas.Polyline(gathered);
      gathered.clear();
    }
  }
  if (lastResult != CLIP_REJECTED && !(lastResult != CLIP_UNTOUCHED && (lastResult & CLIP_SECOND_MOVED))) {
    gathered.push_back(Point2DToPoint(lastEnd));
  }
  if (gathered.size() >= 2) canvas.Polyline(gathered);
}

namespace {

// One pass of the polygon clipping: each edge (the last joined to the first) is clipped, kept
// starts and cut ends are gathered, and the first gathered point closes the result.
std::vector<TPoint2D> ClipPolygonPass(const std::vector<TPoint2D>& in, const TRect2D& box,
                                      int (*clip)(const TRect2D&, TPoint2D&, TPoint2D&)) {
  std::vector<TPoint2D> out;
  const size_t n = in.size();
  for (size_t i = 0; i < n; ++i) {
    TPoint2D a = in[i], b = in[(i + 1) % n];
    const int result = clip(box, a, b);
    if (result == CLIP_REJECTED) continue;
    out.push_back(a);
    if (result != CLIP_UNTOUCHED && (result & CLIP_SECOND_MOVED)) out.push_back(b);
  }
  if (!out.empty()) out.push_back(out.front());
  return out;
}

}  // namespace

void FillClippedPolygon2D(TDecorativeCanvas& canvas, const TPoint2D* points, int count, int first, int last,
                          const TTransform2D& view, const TRect2D& extents, const TRect2D& clip) {
  if (!ValidRange(points, count, first, last)) return;
  const TRect2D box = ReorderRect2D(clip);
  std::vector<platform::Point> screen;
  if (IsBoxInBox2D(TransformBoundingBox2D(extents, view), box)) {
    for (int i = first; i <= last; ++i) screen.push_back(ToScreen(points[i], view));
  } else {
    std::vector<TPoint2D> transformed;
    for (int i = first; i <= last; ++i) transformed.push_back(CartesianPoint2D(TransformPoint2D(points[i], view)));
    std::vector<TPoint2D> clipped = ClipPolygonPass(ClipPolygonPass(transformed, box, ClipSegmentX2D), box, ClipSegmentY2D);
    for (const auto& p : clipped) screen.push_back(Point2DToPoint(p));
  }
  if (screen.size() >= 2) canvas.Canvas().Polygon(screen);
}

void DrawBoundingBox2D(TDecorativeCanvas& canvas, const TRect2D& rect, const TRect2D& clip, const TTransform2D& view,
                       const TTransform2D& model) {
  const TRect2D r = CartesianRect2D(rect);
  TPoint2D corners[5] = {r.First, Point2D(r.First.X, r.Second.Y), r.Second, Point2D(r.Second.X, r.First.Y), r.First};
  for (auto& c : corners) c = CartesianPoint2D(TransformPoint2D(c, model));
  const TRect2D extents = UnionRect2D({corners[0], corners[2]}, {corners[1], corners[3]});
  DrawClippedPolyline2D(canvas, corners, 5, false, 0, 4, view, extents, clip);
}

void DrawRect2D(TDecorativeCanvas& canvas, const TRect2D& rect, const TRect2D& clip, const TTransform2D& view) {
  DrawBoundingBox2D(canvas, rect, clip, view, IdentityTransform2D);
}

bool DrawPointMarker2D(TDecorativeCanvas& canvas, const TPoint2D& p, const TRect2D& clip, const TTransform2D& view) {
  const TPoint2D c = CartesianPoint2D(p);
  const TRect2D square = Rect2D(c.X - 0.001, c.Y - 0.001, c.X + 0.001, c.Y + 0.001);
  if (!IsBoxInBox2D(TransformBoundingBox2D(square, view), ReorderRect2D(clip))) return false;
  const platform::Point s = ToScreen(c, view);
  canvas.MoveTo(s.X - 10, s.Y);
  canvas.LineTo(s.X + 10, s.Y);
  canvas.MoveTo(s.X, s.Y - 10);
  canvas.LineTo(s.X, s.Y + 10);
  return true;
}

void DrawControlPointMarker(TDecorativeCanvas& canvas, int x, int y, int width) {
  platform::Canvas& c = canvas.Canvas();
  platform::Pen pen = c.GetPen();
  pen.Style = platform::PenStyle::Solid;
  c.SetPen(pen);
  c.SetBrush(platform::Brush{platform::clSilver, platform::BrushStyle::Solid});
  const int w = width / 2;
  c.Rectangle(x - w, y - w, x + w, y + w);
}

}  // namespace cad
