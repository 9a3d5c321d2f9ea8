#include "gif/canvas_painter.h"

#include <algorithm>

namespace gif {

CanvasPainter::CanvasPainter(platform::Canvas& canvas, const platform::Rect* within) : canvas_(canvas) {
  canvas_.Lock();
  clip_ = within ? platform::IntersectRect(canvas.ClipRect(), *within) : canvas.ClipRect();
  painter_.begin(&canvas.Image());
  painter_.setClipRect(QRect(clip_.Left, clip_.Top, std::max(0, clip_.Width()), std::max(0, clip_.Height())));
}

CanvasPainter::~CanvasPainter() {
  painter_.end();
  canvas_.Unlock();
}

void CanvasPainter::Tile(const QImage& image, const platform::Rect& target, int periodWidth, int periodHeight,
                         QPoint offset) {
  if (Empty() || periodWidth <= 0 || periodHeight <= 0) return;
  // Start at the first copy that can meet the clip, so a far-off target costs nothing.
  const int64_t firstColumn = std::max<int64_t>(0, (int64_t(clip_.Left) - target.Left - offset.x() - image.width()) / periodWidth);
  const int64_t firstRow = std::max<int64_t>(0, (int64_t(clip_.Top) - target.Top - offset.y() - image.height()) / periodHeight);
  for (int64_t y = target.Top + firstRow * periodHeight; y < clip_.Bottom && y < target.Bottom; y += periodHeight)
    for (int64_t x = target.Left + firstColumn * periodWidth; x < clip_.Right && x < target.Right; x += periodWidth)
      painter_.drawImage(QPoint(int(x) + offset.x(), int(y) + offset.y()), image);
}

}  // namespace gif
