#include "cad/decorative_pen.h"

#include <algorithm>
#include <cstdlib>

namespace cad {

void TDecorativePen::SetPattern(const std::string& text) {
  // The pattern position is 16-bit (and so is the length in layer streams).
  const size_t length = std::min<size_t>(text.size(), 0xFFFF);
  pattern_.assign(length, false);
  for (size_t i = 0; i < length; ++i) pattern_[i] = text[i] == '1';
}

void TDecorativePen::SetBit(int i, bool value) {
  if (i >= 0 && i < PatternLength()) pattern_[size_t(i)] = value;
}

bool TDecorativePen::GetBit(int i) const { return i >= 0 && i < PatternLength() && pattern_[size_t(i)]; }

void TDecorativePen::Assign(const TDecorativePen& other) {
  if (&other == this) return;
  pattern_ = other.pattern_;
}

void TDecorativePen::MoveTo(platform::Canvas& canvas, int x, int y) {
  if (IsSolid()) {
    canvas.MoveTo(x, y);
    return;
  }
  runStart_ = segmentEnd_ = lastPixel_ = {x, y};
  index_ = 0;
}

void TDecorativePen::LineTo(platform::Canvas& canvas, int x, int y) {
  if (IsSolid()) {
    canvas.LineTo(x, y);
    return;
  }
  segmentEnd_ = {x, y};
  WalkSegment(canvas, runStart_);
  runStart_ = lastPixel_ = {x, y};
}

void TDecorativePen::Polyline(platform::Canvas& canvas, const platform::Point* points, int count) {
  if (count < 2) return;
  if (IsSolid()) {
    canvas.Polyline(points, count);
    return;
  }
  index_ = 0;
  lastPixel_ = runStart_ = points[0];
  for (int i = 0; i + 1 < count; ++i) {
    segmentEnd_ = points[i + 1];
    // The pattern runs on from the last pixel reached, so dashes turn the corners.
    WalkSegment(canvas, i == 0 ? points[0] : lastPixel_);
  }
}

void TDecorativePen::DrawRun(platform::Canvas& canvas, platform::Point to) {
  canvas.MoveTo(runStart_.X, runStart_.Y);
  canvas.LineTo(to.X, to.Y);
}

void TDecorativePen::WalkSegment(platform::Canvas& canvas, platform::Point from) {
  const int length = PatternLength();
  const bool alongX = std::abs(segmentEnd_.X - from.X) > std::abs(segmentEnd_.Y - from.Y);
  platform::LineDDA(from.X, from.Y, segmentEnd_.X, segmentEnd_.Y, [&](int x, int y) {
    const int major = alongX ? x : y;
    const int lastMajor = alongX ? lastPixel_.X : lastPixel_.Y;
    const int endMajor = alongX ? segmentEnd_.X : segmentEnd_.Y;
    const int next = (std::abs(major - lastMajor) + index_) % length;
    lastPixel_ = {x, y};
    if (index_ < length && pattern_[index_] && !pattern_[size_t(next)]) {
      DrawRun(canvas, {x, y});
    } else {
      if (!GetBit(index_)) runStart_ = {x, y};
      if (std::abs(major - endMajor) == 1) DrawRun(canvas, {x, y});
    }
    index_ = uint16_t(next);
  });
}

}  // namespace cad
