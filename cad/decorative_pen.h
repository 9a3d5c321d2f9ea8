// Dash patterns drawn pixel by pixel. The platform's own styled pens only know a few fixed dashes and
// restart them at every call; this pen walks each line and draws the runs its bit pattern switches
// on, carrying the pattern across joined segments. All line drawing of the CAD library goes through
// a decorative canvas so that layers can carry any pattern.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/canvas.h"

namespace cad {

class TDecorativePen {
 public:
  TDecorativePen() = default;

  // Bit i is set where character i is '1'; an empty text makes the pen solid.
  void SetPattern(const std::string& text);
  void SetBit(int i, bool value);
  bool GetBit(int i) const;
  int PatternLength() const { return int(pattern_.size()); }
  bool IsSolid() const { return pattern_.empty(); }
  void Assign(const TDecorativePen& other);

  void MoveTo(platform::Canvas& canvas, int x, int y);
  void LineTo(platform::Canvas& canvas, int x, int y);
  void Polyline(platform::Canvas& canvas, const platform::Point* points, int count);

 private:
  void WalkSegment(platform::Canvas& canvas, platform::Point from);
  void DrawRun(platform::Canvas& canvas, platform::Point to);

  std::vector<bool> pattern_;
  uint16_t index_ = 0;  // pattern position of the last pixel walked
  platform::Point runStart_;
  platform::Point segmentEnd_;
  platform::Point lastPixel_;
};

// A platform canvas (not owned) with its own decorative pen.
class TDecorativeCanvas {
 public:
  explicit TDecorativeCanvas(platform::Canvas& canvas) : canvas_(&canvas) {}

  void MoveTo(int x, int y) { pen_.MoveTo(*canvas_, x, y); }
  void LineTo(int x, int y) { pen_.LineTo(*canvas_, x, y); }
  void Polyline(const platform::Point* points, int count) { pen_.Polyline(*canvas_, points, count); }
  void Polyline(const std::vector<platform::Point>& points) { Polyline(points.data(), int(points.size())); }

  TDecorativePen& Pen() { return pen_; }
  const TDecorativePen& Pen() const { return pen_; }
  platform::Canvas& Canvas() { return *canvas_; }
  const platform::Canvas& Canvas() const { return *canvas_; }

 private:
  platform::Canvas* canvas_;
  TDecorativePen pen_;
};

}  // namespace cad
