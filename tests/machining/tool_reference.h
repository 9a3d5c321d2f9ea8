// The tool shapes written out plainly for the tests, apart from the program's own code: the lift of
// each shape's surface over its tip, and the compensated tip height by a loop over every node under
// the tool (nodes beyond the border read clamped). Tests compare the program's fast ways with these.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "machining/height_grid.h"
#include "machining/probes.h"
#include "machining/tool_shape.h"

namespace machining::reference {

constexpr double kPi = 3.14159265358979323846;

inline ToolShape Shape(int32_t type, double diameter, double corner = 0, double flat = 0, double angle = 0) {
  ToolShape s;
  s.toolType = type;
  s.diameter = diameter;
  s.cornerRadius = corner;
  s.flatDiameter = flat;
  s.taperAngle = angle;
  return s;
}

// The probe's parameters for the tool over the whole grid.
inline ProbeParams Params(const ToolShape& tool, const HeightGrid& grid, float step, float stock = 0.0f) {
  ProbeParams p;
  p.tool = tool;
  p.gridStep = step;
  p.stockToLeave = stock;
  p.columnBound = grid.Columns();
  p.rows = grid.Rows();
  return p;
}

// A tool of every shape with a probe, 6 mm across unless `diameter` says otherwise.
inline std::vector<ToolShape> AllShapes(double diameter = 6.0) {
  return {Shape(kToolFlat, diameter), Shape(kToolBullNose, diameter, diameter / 6),
          Shape(kToolSpherical, diameter), Shape(kToolConicalFlat, diameter, 0, diameter / 6, 30),
          Shape(kToolConicalSpherical, diameter, 0, diameter / 6, 30)};
}

// (R + e) / d, the radius being a single as the program reads it.
inline double Reach(const ToolShape& t, double d, double e) {
  return (static_cast<float>(t.diameter / 2) + e) / d;
}

// How far the tool's surface (grown by the stock e) stands above its tip at rho grid steps.
inline double Lift(const ToolShape& t, double d, double e, double rho) {
  const double ro = Reach(t, d, e);
  const double a = t.taperAngle * kPi / 180;
  switch (t.toolType) {
    case kToolSpherical:
      return ro - std::sqrt(std::max(0.0, ro * ro - rho * rho));
    case kToolBullNose: {
      const double c = t.cornerRadius / d;
      const double u = rho - (ro - c);
      return u <= 0 ? 0.0 : c - std::sqrt(std::max(0.0, c * c - u * u));
    }
    case kToolConicalFlat: {
      const double rf = (t.flatDiameter / 2 + e) / d;
      return rho <= rf ? 0.0 : std::tan(kPi / 2 - a) * (rho - rf);
    }
    case kToolConicalSpherical: {
      const double rt = (t.flatDiameter / 2 + e) / d;
      const double r1 = rt * std::cos(a);
      if (rho <= r1) return rt - std::sqrt(std::max(0.0, rt * rt - rho * rho));
      return rt - rt * std::sin(a) + std::tan(kPi / 2 - a) * (rho - r1);
    }
    default:
      return 0.0;
  }
}

// The compensated tip (drawing units) of the tool centred at (cx, cy) grid steps over the first
// `columns` x `rows` nodes of the grid: the highest node height less the lift at its distance over
// every node position within reach, beyond the border read clamped, never below the nearest node.
inline double Tip(const HeightGrid& grid, int columns, int rows, const ToolShape& t, double d, double e, double cx,
                  double cy) {
  const double ro = Reach(t, d, e);
  auto height = [&](int x, int y) {
    return static_cast<double>(grid.At(std::clamp(x, 0, columns - 1), std::clamp(y, 0, rows - 1))) / d;
  };
  const int nx = static_cast<int>(std::nearbyint(cx)), ny = static_cast<int>(std::nearbyint(cy));
  double m = height(nx, ny);
  const double own = std::hypot(nx - cx, ny - cy);
  if (own <= ro) m -= Lift(t, d, e, own);
  if (ro >= 0) {
    const int span = static_cast<int>(std::ceil(ro)) + 1;
    for (int x = nx - span; x <= nx + span; ++x)
      for (int y = ny - span; y <= ny + span; ++y) {
        const double rho = std::hypot(x - cx, y - cy);
        if (rho <= ro) m = std::max(m, height(x, y) - Lift(t, d, e, rho));
      }
  }
  return m * d + e;
}

// Whether the program's tip (a single) equals the reference within 1e-6 of a grid step, once the
// reference goes through the single the program keeps its result in.
inline bool SameTip(float fast, double want, double step) {
  const auto single = static_cast<float>(want);
  const double ulp = std::nextafter(std::fabs(single), INFINITY) - std::fabs(single);
  return std::fabs(fast - want) <= 1e-6 * step + ulp;
}

// A grid of random heights in [low, high], the same for the same seed.
inline HeightGrid RandomGrid(int columns, int rows, uint32_t seed, float low, float high) {
  HeightGrid grid;
  grid.Resize(columns, rows, 0.0f);
  for (int c = 0; c < columns; ++c)
    for (int r = 0; r < rows; ++r) {
      seed = seed * 1664525u + 1013904223u;
      grid.At(c, r) = low + (high - low) * static_cast<float>(seed >> 8) / 16777216.0f;
    }
  return grid;
}

}  // namespace machining::reference
