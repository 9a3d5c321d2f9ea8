// QPainter on one of our canvases: holds the canvas's lock (a painting thread may share it) and
// keeps inside its clip rectangle, narrowed further to `within` when given.
#pragma once

#include <QImage>
#include <QPainter>

#include "platform/canvas.h"

namespace gif {

class CanvasPainter {
 public:
  explicit CanvasPainter(platform::Canvas& canvas, const platform::Rect* within = nullptr);
  ~CanvasPainter();
  CanvasPainter(const CanvasPainter&) = delete;
  CanvasPainter& operator=(const CanvasPainter&) = delete;

  QPainter& Painter() { return painter_; }
  const platform::Rect& Clip() const { return clip_; }
  // Nothing can be painted.
  bool Empty() const { return clip_.IsEmpty(); }
  // Copies `image` at (x, y) + `offset` for every step of `periodWidth` x `periodHeight` from the
  // corner of `target`, only where the copies meet the clip. Periods must be positive.
  void Tile(const QImage& image, const platform::Rect& target, int periodWidth, int periodHeight, QPoint offset = {});

 private:
  platform::Canvas& canvas_;
  platform::Rect clip_;
  QPainter painter_;
};

}  // namespace gif
