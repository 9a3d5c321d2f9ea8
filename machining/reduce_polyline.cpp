#include "machining/reduce_polyline.h"

#include <cstddef>
#include <cstdint>
#include <utility>

namespace machining {

namespace {

// Squared distance from p to the segment a..b, with v = b - a and f = v . v given.
double SegmentDistance2(const PassPoint& p, const PassPoint& a, const PassPoint& b, double vx, double vy,
                        double vz, double f) {
  double wx = p.x - a.x, wy = p.y - a.y, wz = p.z - a.z;
  double u = wx * vx + wy * vy + wz * vz;
  double nx, ny, nz;
  if (u <= 0.0) {
    nx = a.x, ny = a.y, nz = a.z;
  } else if (u > f) {
    nx = b.x, ny = b.y, nz = b.z;
  } else {
    double s = u / f;
    nx = a.x + s * vx, ny = a.y + s * vy, nz = a.z + s * vz;
  }
  double dx = p.x - nx, dy = p.y - ny, dz = p.z - nz;
  return dx * dx + dy * dy + dz * dz;
}

}  // namespace

int ReducePolyline(const std::vector<PassPoint>& pass, std::vector<PassPoint>& kept, float tolerance) {
  kept.clear();
  const size_t n = pass.size();
  if (n < 2) return 0;
  std::vector<uint8_t> keep(n, 0);
  keep[0] = keep[n - 1] = 1;
  const double t2 = static_cast<double>(tolerance) * static_cast<double>(tolerance);

  // The two halves of a split are independent, so an explicit stack gives the same marks as
  // recursion without risking the call stack on passes of many thousand points.
  std::vector<std::pair<size_t, size_t>> pending;
  pending.emplace_back(0, n - 1);
  while (!pending.empty()) {
    auto [first, last] = pending.back();
    pending.pop_back();
    if (first + 1 >= last) continue;
    const PassPoint& a = pass[first];
    const PassPoint& b = pass[last];
    double vx = b.x - a.x, vy = b.y - a.y, vz = b.z - a.z;
    double f = vx * vx + vy * vy + vz * vz;
    double g = -1.0;
    size_t h = first;
    for (size_t i = first + 1; i < last; ++i) {
      double d2 = SegmentDistance2(pass[i], a, b, vx, vy, vz, f);
      if (d2 > g) {  // strictly larger: the first index wins ties
        g = d2;
        h = i;
      }
    }
    if (g > t2) {
      keep[h] = 1;
      pending.emplace_back(h, last);
      pending.emplace_back(first, h);
    }
  }

  for (size_t i = 0; i < n; ++i)
    if (keep[i]) kept.push_back(pass[i]);
  return static_cast<int>(kept.size());
}

}  // namespace machining
