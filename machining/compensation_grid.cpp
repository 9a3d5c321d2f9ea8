#include "machining/compensation_grid.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <type_traits>

#include "machining/probes.h"
#include "platform/parallel.h"

namespace machining {
namespace {

constexpr double kNone = -std::numeric_limits<double>::infinity();
// A search never holds more blocks than its first level's (at most 9 x 9) plus three per level.
constexpr int kStackSize = 256;
// Rises of a move below this many grid steps are rounding noise in exact ties, not gouges.
constexpr double kRiseNoise = 1e-9;
// Bracket-narrowing steps when looking for a node's worst point along a move.
constexpr int kNarrowSteps = 100;
// The first level of a search: blocks about as wide as the tool's reach (or the move's span).
constexpr double kTopNode = 2.0;
constexpr double kTopMove = 1.0;
// Neighbouring centres (and moves) of a row searched together; one bit each in a mask.
constexpr int32_t kRowBatch = 16;

struct Block {
  double bound;
  int32_t level;
  int32_t x;
  int32_t y;
};

// Sorts up to a few dozen blocks by increasing bound, so the most promising one is popped first.
void SortByBound(Block* first, Block* last) {
  for (Block* i = first + 1; i < last; ++i) {
    const Block b = *i;
    Block* j = i;
    for (; j > first && (j - 1)->bound > b.bound; --j) *j = *(j - 1);
    *j = b;
  }
}

// Squared distance from (px, py) to the box [x0, x1] x [y0, y1].
inline double PointBox2(double px, double py, double x0, double x1, double y0, double y1) {
  const double dx = std::max({0.0, x0 - px, px - x1});
  const double dy = std::max({0.0, y0 - py, py - y1});
  return dx * dx + dy * dy;
}

// Squared distance from (px, py) to the farthest corner of the box [x0, x1] x [y0, y1].
inline double FarCorner2(double px, double py, double x0, double x1, double y0, double y1) {
  const double dx = std::max(px - x0, x1 - px), dy = std::max(py - y0, y1 - py);
  return dx * dx + dy * dy;
}

// Squared distance from (px, py) to the segment from (ax, ay) along (vx, vy) of squared length len2.
inline double PointSegment2(double px, double py, double ax, double ay, double vx, double vy, double len2) {
  const double wx = px - ax, wy = py - ay;
  const double t = len2 > 0.0 ? std::clamp((wx * vx + wy * vy) / len2, 0.0, 1.0) : 0.0;
  const double dx = wx - t * vx, dy = wy - t * vy;
  return dx * dx + dy * dy;
}

// Whether the segment from (ax, ay) along (vx, vy) meets the box (clipping its parameter to [0, 1]).
bool SegmentMeetsBox(double ax, double ay, double vx, double vy, double x0, double x1, double y0, double y1) {
  double lo = 0.0, hi = 1.0;
  auto clip = [&](double a, double v, double b0, double b1) {
    if (v == 0.0) return a >= b0 && a <= b1;
    double t0 = (b0 - a) / v, t1 = (b1 - a) / v;
    if (t0 > t1) std::swap(t0, t1);
    lo = std::max(lo, t0);
    hi = std::min(hi, t1);
    return lo <= hi;
  };
  return clip(ax, vx, x0, x1) && clip(ay, vy, y0, y1);
}

// Squared distance between a segment and a box: 0 when they meet; otherwise the nearest pair has an
// end of the segment or a corner of the box in it.
double SegmentBox2(double ax, double ay, double vx, double vy, double len2, double x0, double x1, double y0,
                   double y1) {
  if (vx == 0.0 || vy == 0.0) {
    // Along a grid axis (rows and links): the segment is a box itself.
    const double dx = std::max({0.0, x0 - std::max(ax, ax + vx), std::min(ax, ax + vx) - x1});
    const double dy = std::max({0.0, y0 - std::max(ay, ay + vy), std::min(ay, ay + vy) - y1});
    return dx * dx + dy * dy;
  }
  if (SegmentMeetsBox(ax, ay, vx, vy, x0, x1, y0, y1)) return 0.0;
  return std::min({PointBox2(ax, ay, x0, x1, y0, y1), PointBox2(ax + vx, ay + vy, x0, x1, y0, y1),
                   PointSegment2(x0, y0, ax, ay, vx, vy, len2), PointSegment2(x1, y0, ax, ay, vx, vy, len2),
                   PointSegment2(x0, y1, ax, ay, vx, vy, len2), PointSegment2(x1, y1, ax, ay, vx, vy, len2)});
}

// The first node at or after v, and the last at or before v among `count` nodes.
inline int32_t FirstNode(double v) { return static_cast<int32_t>(std::max(0.0, std::ceil(v))); }
inline int32_t LastNode(double v, int32_t count) {
  return static_cast<int32_t>(std::min(static_cast<double>(count - 1), std::floor(v)));
}

}  // namespace

float UpToSingle(double z) {
  float f = static_cast<float>(z);
  if (static_cast<double>(f) < z) f = std::nextafter(f, INFINITY);
  return f;
}

float RaisedSingle(float z, double up) { return UpToSingle(static_cast<double>(z) + up); }

CompensationGrid::CompensationGrid(const ToolProbe& probe, const HeightGrid& grid, size_t maxTableEntries)
    : profile_(probe.Profile()),
      step_(probe.Params().gridStep),
      invStep_(1.0 / probe.Params().gridStep),
      stock_(probe.Params().stockToLeave),
      maxTableEntries_(maxTableEntries),
      columns_(probe.ReadableColumns(grid)),
      rows_(probe.ReadableRows(grid)),
      stride_(static_cast<size_t>(grid.Rows())) {
  if (columns_ < 1 || rows_ < 1) throw std::invalid_argument("CompensationGrid: the grid has no readable node");
  nodes_ = grid.Column(0);
  const double reach = std::max(0.0, profile_.reach);
  reach2_ = profile_.reach >= 0.0 ? reach * reach : -1.0;

  // The torus's bending bound for every whole squared distance within reach.
  // A reach too wide for a table bends the torus on the fly (BendBound), with the same values.
  if (!profile_.cone && reach2_ >= 0.0 && reach2_ < static_cast<double>(maxTableEntries_)) {
    torusBend_.resize(static_cast<size_t>(std::ceil(reach2_)) + 1);
    for (size_t k = 0; k < torusBend_.size(); ++k)
      torusBend_[k] = profile_.torus.Bend(0.0, std::sqrt(std::min(static_cast<double>(k), reach2_)));
  }
  // Levels until one block covers the grid.
  levels_.emplace_back();  // level 0 is the grid itself
  widths_.push_back(columns_);
  heights_.push_back(rows_);
  int32_t width = columns_, height = rows_;
  for (int32_t k = 1; width > 1 || height > 1; ++k) {
    Level level;
    level.width = (width + 1) / 2;
    level.height = (height + 1) / 2;
    level.max.resize(static_cast<size_t>(level.width) * level.height);
    const int32_t below = k - 1;
    auto fill = [&, width, height](int32_t x) {
      for (int32_t y = 0; y < level.height; ++y) {
        const int32_t cx = 2 * x, cy = 2 * y;
        float m = BlockMax(below, cx, cy);
        if (cx + 1 < width) m = std::max(m, BlockMax(below, cx + 1, cy));
        if (cy + 1 < height) m = std::max(m, BlockMax(below, cx, cy + 1));
        if (cx + 1 < width && cy + 1 < height) m = std::max(m, BlockMax(below, cx + 1, cy + 1));
        level.max[static_cast<size_t>(x) * level.height + y] = m;
      }
    };
    for (int32_t x = 0; x < level.width; ++x) fill(x);
    width = level.width;
    height = level.height;
    widths_.push_back(width);
    heights_.push_back(height);
    levels_.push_back(std::move(level));
  }
}

int32_t CompensationGrid::LevelFor(double span) const {
  int32_t k = 0;
  while (k + 1 < static_cast<int32_t>(levels_.size()) && std::ldexp(1.0, k + 1) <= span) ++k;
  return k;
}

template <class Bound, class Leaf>
double CompensationGrid::BranchAndBound(int32_t top, int32_t x0, int32_t x1, int32_t y0, int32_t y1, double best,
                                        const Bound& bound, const Leaf& leaf) const {
  Block stack[kStackSize];
  int n = 0;
  for (int32_t bx = x0 >> top; bx <= x1 >> top; ++bx)
    for (int32_t by = y0 >> top; by <= y1 >> top; ++by) {
      const double b = bound(top, bx, by, best);
      if (b > best) stack[n++] = Block{b, top, bx, by};
    }
  SortByBound(stack, stack + n);
  while (n > 0) {
    const Block block = stack[--n];
    if (block.bound <= best) continue;
    if (block.level == 0) {
      leaf(block.x, block.y, block.bound, best);
      continue;
    }
    const int32_t k = block.level - 1;
    const int32_t w = widths_[k];
    const int32_t h = heights_[k];
    Block* children = stack + n;
    int m = 0;
    for (int32_t bx = 2 * block.x; bx <= std::min(2 * block.x + 1, w - 1); ++bx)
      for (int32_t by = 2 * block.y; by <= std::min(2 * block.y + 1, h - 1); ++by) {
        const double b = bound(k, bx, by, best);
        if (b > best) children[m++] = Block{b, k, bx, by};
      }
    SortByBound(children, children + m);
    n += m;
  }
  return best;
}

CompensationGrid::Cursor::Cursor(const CompensationGrid& field) : field_(field) {}

bool CompensationGrid::Cursor::Prepare(double fx, double fy) {
  if (fx == fx_ && fy == fy_) return !lifts_.empty();
  fx_ = fx, fy_ = fy;
  lifts_.clear();
  const double r2 = field_.reach2_;
  if (r2 < 0.0) return false;
  // Every node within reach of a centre at most half a step from the base node lies within
  // reach + 1 of it; one more ring of offsets, all beyond reach, takes the clamped lookups.
  const double half = std::floor(std::sqrt(r2) + 0.5) + 2.0;
  const double width = 2.0 * half + 1.0;
  if (width * width > static_cast<double>(field_.maxTableEntries_)) return false;
  half_ = static_cast<int32_t>(half);
  width_ = static_cast<int32_t>(width);
  lifts_.resize(static_cast<size_t>(width_) * width_);
  auto fill = [&](const auto& lift) {
    for (int32_t dx = -half_; dx <= half_; ++dx)
      for (int32_t dy = -half_; dy <= half_; ++dy) {
        const double ex = dx - fx, ey = dy - fy, d2 = ex * ex + ey * ey;
        lifts_[static_cast<size_t>(dx + half_) * width_ + static_cast<size_t>(dy + half_)] =
            d2 <= r2 ? lift.Squared(d2) : INFINITY;
      }
  };
  if (field_.profile_.cone)
    fill(field_.profile_.coneLift);
  else
    fill(field_.profile_.torus);
  return true;
}

template <class Lift>
double CompensationGrid::Tip(const Lift& lift, Cursor& cursor, double cx, double cy) const {
  const double r2 = reach2_;
  const auto ix = static_cast<int32_t>(std::nearbyint(cx));
  const auto iy = static_cast<int32_t>(std::nearbyint(cy));
  const bool table = cursor.Prepare(cx - ix, cy - iy);
  // The lift of node (x, y) under the tool, infinite beyond reach.
  auto nodeLift = [&](int32_t x, int32_t y) {
    if (table) return cursor.Lift(x - ix, y - iy);
    const double dx = x - cx, dy = y - cy, d2 = dx * dx + dy * dy;
    return d2 <= r2 ? lift.Squared(d2) : INFINITY;
  };
  // The node nearest the centre: the tip never goes below it.
  const double own = nodeLift(ix, iy);
  double best = BlockMax(0, ix, iy) * invStep_ - (own < INFINITY ? own : 0.0);
  int32_t bestX = ix, bestY = iy;
  if (r2 < 0.0) return best;
  const int32_t hx = cursor.hintX_, hy = cursor.hintY_;
  if (hx >= 0 && hx < columns_ && hy >= 0 && hy < rows_) {
    const double v = BlockMax(0, hx, hy) * invStep_ - nodeLift(hx, hy);
    if (v > best) best = v, bestX = hx, bestY = hy;
  }
  // A block's bound: its highest node lowered by the lift of its node nearest the centre. For a
  // single node that is its exact value.
  auto bound = [&](int32_t k, int32_t bx, int32_t by, double) {
    const int32_t x0 = bx << k, y0 = by << k;
    const int32_t x1 = std::min(x0 + (1 << k) - 1, columns_ - 1), y1 = std::min(y0 + (1 << k) - 1, rows_ - 1);
    return BlockMax(k, bx, by) * invStep_ - nodeLift(std::clamp(ix, x0, x1), std::clamp(iy, y0, y1));
  };
  auto leaf = [&](int32_t x, int32_t y, double value, double& top) {
    top = value, bestX = x, bestY = y;
  };
  const double reach = std::sqrt(r2);
  best = BranchAndBound(LevelFor(std::max(1.0, kTopNode * reach)), FirstNode(cx - reach), LastNode(cx + reach, columns_),
                        FirstNode(cy - reach), LastNode(cy + reach, rows_), best, bound, leaf);
  cursor.hintX_ = bestX, cursor.hintY_ = bestY;
  return best;
}

float CompensationGrid::Cursor::TipAt(double x, double y) {
  const CompensationGrid& f = field_;
  const double cx = std::clamp(x, 0.0, static_cast<double>(f.columns_ - 1));
  const double cy = std::clamp(y, 0.0, static_cast<double>(f.rows_ - 1));
  const double m = f.profile_.cone ? f.Tip(f.profile_.coneLift, *this, cx, cy) : f.Tip(f.profile_.torus, *this, cx, cy);
  return UpToSingle(m * f.step_ + f.stock_);
}

// One block of a row batch on the stack: the members (centres or moves) it may still matter to and
// its bound for each.
struct RowBlock {
  double high;  // the highest of its bounds, to pop the most promising block first
  int32_t level;
  int32_t x;
  int32_t y;
  uint32_t live;
  double bound[kRowBatch];
};

void SortByHigh(RowBlock* first, RowBlock* last) {
  for (RowBlock* i = first + 1; i < last; ++i) {
    if ((i - 1)->high <= i->high) continue;
    const RowBlock b = *i;
    RowBlock* j = i;
    for (; j > first && (j - 1)->high > b.high; --j) *j = *(j - 1);
    *j = b;
  }
}

// Walks the blocks of a row batch like BranchAndBound, each block carrying the members it can still
// improve. bounds(level, bx, by, live, out) fills out[i] for every member i in `live` and returns
// those whose bound beats their best; best(i) is member i's best so far; leaf(x, y, live, bounds)
// takes a node.
template <class Bounds, class Best, class Leaf>
void RowBranchAndBound(int32_t top, int32_t x0, int32_t x1, int32_t y0, int32_t y1, uint32_t all,
                       const std::vector<int32_t>& widths, const std::vector<int32_t>& heights, const Bounds& bounds,
                       const Best& best, const Leaf& leaf) {
  RowBlock stack[kStackSize];
  int n = 0;
  auto push = [&](int32_t k, int32_t bx, int32_t by, uint32_t live) {
    RowBlock& block = stack[n];
    live = bounds(k, bx, by, live, block.bound);
    if (!live) return;
    double high = -INFINITY;
    for (uint32_t m = live; m; m &= m - 1) high = std::max(high, block.bound[__builtin_ctz(m)]);
    block.high = high, block.level = k, block.x = bx, block.y = by, block.live = live;
    ++n;
  };
  for (int32_t bx = x0 >> top; bx <= x1 >> top; ++bx)
    for (int32_t by = y0 >> top; by <= y1 >> top; ++by) push(top, bx, by, all);
  SortByHigh(stack, stack + n);
  while (n > 0) {
    const RowBlock& block = stack[--n];
    // The bests may have risen since the block was pushed.
    uint32_t live = 0;
    for (uint32_t m = block.live; m; m &= m - 1) {
      const int i = __builtin_ctz(m);
      if (block.bound[i] > best(i)) live |= 1u << i;
    }
    if (!live) continue;
    if (block.level == 0) {
      leaf(block.x, block.y, live, block.bound);
      continue;
    }
    const int32_t k = block.level - 1, bx0 = 2 * block.x, by0 = 2 * block.y;
    const int32_t bx1 = std::min(bx0 + 1, widths[k] - 1), by1 = std::min(by0 + 1, heights[k] - 1);
    if (k == 0) {
      // Single nodes are settled at once rather than stacked.
      double b[kRowBatch];
      for (int32_t bx = bx0; bx <= bx1; ++bx)
        for (int32_t by = by0; by <= by1; ++by)
          if (const uint32_t passed = bounds(0, bx, by, live, b)) leaf(bx, by, passed, b);
      continue;
    }
    // The children overwrite the popped block, so take what is needed first.
    const int first = n;
    for (int32_t bx = bx0; bx <= bx1; ++bx)
      for (int32_t by = by0; by <= by1; ++by) push(k, bx, by, live);
    SortByHigh(stack + first, stack + n);
  }
}

template <class Lift>
double CompensationGrid::MoveExcess(const Lift& lift, int32_t px, int32_t py, double ax, double ay, double ca,
                                    double bx, double by, double cb, double floor) const {
  const double s = BlockMax(0, px, py) * invStep_;
  const double vx = bx - ax, vy = by - ay, len2 = vx * vx + vy * vy;
  const double wx = px - ax, wy = py - ay;
  if (len2 == 0.0) {
    // Straight up or down: the lower end decides.
    const double d2 = wx * wx + wy * wy;
    return d2 <= reach2_ ? s - lift.Squared(d2) - std::min(ca, cb) : kNone;
  }
  // The part of the move with the node within reach: around the foot of the perpendicular.
  const double foot = (wx * vx + wy * vy) / len2;
  const double cross = wx * vy - wy * vx;
  const double perp2 = cross * cross / len2;
  if (perp2 > reach2_) return kNone;
  const double half = std::sqrt((reach2_ - perp2) / len2);
  double t0 = std::max(0.0, foot - half), t1 = std::min(1.0, foot + half);
  if (t0 > t1) return kNone;
  // The node's height over the tool's way less the chord is concave in t (the lift is convex in
  // the distance, the distance convex in t): tangents bound it from above.
  const double rise = cb - ca;
  auto distance = [&](double t) {
    const double dx = wx - t * vx, dy = wy - t * vy;
    return std::sqrt(dx * dx + dy * dy);
  };
  auto excess = [&](double t) { return s - lift(distance(t)) - (ca + t * rise); };
  // The derivative of the excess at t, from above t (forward) or from below it.
  auto derivative = [&](double t, bool forward) {
    const double rho = distance(t);
    if (rho == 0.0) return -rise;  // every profile is level at its axis
    const double drho = ((t * vx - wx) * vx + (t * vy - wy) * vy) / rho;
    if (drho == 0.0) return -rise;
    // Moving forward with rho growing, or backward with it shrinking, leaves rho from above.
    const bool above = forward == (drho > 0.0);
    const double slope = above ? lift.SlopeAbove(rho) : lift.SlopeBelow(rho);
    return -slope * drho - rise;
  };
  double lo = t0, hi = t1, flo = excess(t0), fhi = excess(t1);
  // Over a bracket this narrow the excess changes by less than the rise of the steepest lift (a
  // quarter circle at its rim) over the distance the tool moves.
  auto settle = [&] { return std::max(flo, fhi) + std::sqrt(2.0 * std::sqrt(reach2_ * len2) * (hi - lo)) + 1e-12; };
  if (hi - lo < 1e-12) return settle();
  double a = derivative(lo, true), b = derivative(hi, false);
  if (a <= 0.0) return flo;  // falls all the way from t0
  if (b >= 0.0) return fhi;  // rises all the way to t1
  // The maximum lies inside, where the derivative changes sign. Narrow the bracket by the secant of
  // the derivative (halving where a slope is infinite, or the secant stalls on one side) until the
  // tangents at its ends, which bound the maximum from above, settle it.
  int side = 0;  // the end the last two steps kept, to speed the secant up
  for (int i = 0; i < kNarrowSteps; ++i) {
    if (std::isfinite(a) && std::isfinite(b)) {
      const double meet = (fhi - flo + a * lo - b * hi) / (a - b);
      const double top = flo + a * (meet - lo);
      if (top <= floor || top - std::max(flo, fhi) <= 1e-12) return top;
    }
    double t = 0.5 * (lo + hi);
    // Halve when a slope is infinite, and every third step the same end stays, so the bracket
    // shrinks however the secant behaves.
    if (std::isfinite(a) && std::isfinite(b) && std::abs(side) < 3) {
      // Illinois: weight the end that has stayed put twice, so the secant does not creep.
      const double wa = side == -2 ? a * 0.5 : a, wb = side == 2 ? b * 0.5 : b;
      t = lo + (hi - lo) * wa / (wa - wb);
      const double margin = 1e-3 * (hi - lo);
      t = std::clamp(t, lo + margin, hi - margin);
    }
    const double ft = excess(t);
    const double up = derivative(t, true), down = derivative(t, false);
    if (down >= 0.0 && up <= 0.0) return ft;  // the peak itself
    if (up > 0.0) {
      lo = t, a = up, flo = ft;
      side = side > 0 && side < 3 ? side + 1 : 1;
    } else {
      hi = t, b = down, fhi = ft;
      side = side < 0 && side > -3 ? side - 1 : -1;
    }
    if (hi - lo < 1e-12) return settle();
  }
  return settle();
}

template <class Lift>
double CompensationGrid::Move(const Lift& lift, Cursor& cursor, double ax, double ay, double ca, double bx,
                              double by, double cb) const {
  const double r2 = reach2_;
  if (r2 < 0.0) return 0.0;
  const double vx = bx - ax, vy = by - ay, len2 = vx * vx + vy * vy;
  const double lowest = std::min(ca, cb);
  // Rows and links move along a grid axis from node column to node column (or row to row): then
  // every distance from a node to the move, or to its ends, is that of a node offset around the
  // base node, and the cursor's table has its lift.
  const auto iax = static_cast<int32_t>(std::nearbyint(ax)), iay = static_cast<int32_t>(std::nearbyint(ay));
  const auto ibx = static_cast<int32_t>(std::nearbyint(bx)), iby = static_cast<int32_t>(std::nearbyint(by));
  const bool alongX = vy == 0.0 && ax == iax && bx == ibx;
  const bool alongY = vx == 0.0 && ay == iay && by == iby;
  const bool table = (alongX || alongY) && cursor.Prepare(ax - iax, ay - iay);
  const double fx = ax - iax, fy = ay - iay;

  // Lifts of a block's nodes: at the node nearest the move, and at its nodes nearest either end.
  struct Near {
    double move, atA, atB, rho;  // rho: the block's least distance to the move
  };
  auto near = [&](int32_t x0, int32_t x1, int32_t y0, int32_t y1) {
    Near n;
    if (table) {
      // Offsets of the block's nearest node from the move's nearer end (0 beside the move).
      const int32_t dx = alongX ? (x1 < std::min(iax, ibx) ? x1 - std::min(iax, ibx)
                                   : x0 > std::max(iax, ibx) ? x0 - std::max(iax, ibx) : 0)
                                : std::clamp(iax, x0, x1) - iax;
      const int32_t dy = alongY ? (y1 < std::min(iay, iby) ? y1 - std::min(iay, iby)
                                   : y0 > std::max(iay, iby) ? y0 - std::max(iay, iby) : 0)
                                : std::clamp(iay, y0, y1) - iay;
      n.move = cursor.Lift(dx, dy);
      n.atA = cursor.Lift(std::clamp(iax, x0, x1) - iax, std::clamp(iay, y0, y1) - iay);
      n.atB = cursor.Lift(std::clamp(ibx, x0, x1) - ibx, std::clamp(iby, y0, y1) - iby);
      const double ex = dx - (alongX ? 0.0 : fx), ey = dy - (alongY ? 0.0 : fy);
      n.rho = std::sqrt(ex * ex + ey * ey);
    } else {
      const double d2 = SegmentBox2(ax, ay, vx, vy, len2, x0, x1, y0, y1);
      const double a2 = PointBox2(ax, ay, x0, x1, y0, y1), b2 = PointBox2(bx, by, x0, x1, y0, y1);
      n.move = d2 <= r2 ? lift.Squared(d2) : INFINITY;
      n.atA = a2 <= r2 ? lift.Squared(a2) : INFINITY;
      n.atB = b2 <= r2 ? lift.Squared(b2) : INFINITY;
      n.rho = std::sqrt(d2);
    }
    return n;
  };
  auto bound = [&](int32_t k, int32_t bx0, int32_t by0, double best) {
    const int32_t x0 = bx0 << k, y0 = by0 << k;
    const int32_t x1 = std::min(x0 + (1 << k) - 1, columns_ - 1), y1 = std::min(y0 + (1 << k) - 1, rows_ - 1);
    const Near n = near(x0, x1, y0, y1);
    const double top = BlockMax(k, bx0, by0) * invStep_;
    double b = top - n.move - lowest;
    if (b <= best) return b;
    // Wholly under the tool all the way: a node stands at most as far above the chord as it stood
    // above the tips at the ends, plus what the lift's bending over the move allows.
    const double far2 = std::max(FarCorner2(ax, ay, x0, x1, y0, y1), FarCorner2(bx, by, x0, x1, y0, y1));
    if (far2 <= r2) {
      const double bend = lift.Bend(n.rho, std::sqrt(far2));
      if (bend < INFINITY) b = std::min(b, std::max(top - n.atA - ca, top - n.atB - cb) + bend * len2 / 8.0);
    }
    return b;
  };
  auto leaf = [&](int32_t x, int32_t y, double, double& top) {
    top = std::max(top, MoveExcess(lift, x, y, ax, ay, ca, bx, by, cb, top));
  };
  const double reach = std::sqrt(r2);
  const double span = std::max(std::abs(vx), std::abs(vy)) + 2.0 * reach;
  return BranchAndBound(LevelFor(std::max(1.0, kTopMove * span)), FirstNode(std::min(ax, bx) - reach),
                        LastNode(std::max(ax, bx) + reach, columns_), FirstNode(std::min(ay, by) - reach),
                        LastNode(std::max(ay, by) + reach, rows_), 0.0, bound, leaf);
}

template <class Bounds, class Best, class Leaf>
void CompensationGrid::RowSearch(bool alongX, int32_t first, int32_t last, double across, uint32_t all,
                                 const Bounds& bounds, const Best& best, const Leaf& leaf) const {
  const double reach = std::sqrt(reach2_);
  const int32_t lo = FirstNode(first - reach), hi = LastNode(last + reach, alongX ? columns_ : rows_);
  const int32_t clo = FirstNode(across - reach), chi = LastNode(across + reach, alongX ? rows_ : columns_);
  const int32_t top = LevelFor(std::max(1.0, kTopNode * reach));
  if (alongX)
    RowBranchAndBound(top, lo, hi, clo, chi, all, widths_, heights_, bounds, best, leaf);
  else
    RowBranchAndBound(top, clo, chi, lo, hi, all, widths_, heights_, bounds, best, leaf);
}

template <class Lift>
void CompensationGrid::RowTipBatch(const Lift& lift, Cursor& cursor, bool alongX, int32_t first, double across,
                                   int32_t count, double* tips) const {
  (void)lift;
  const double r2 = reach2_;
  const auto base = static_cast<int32_t>(std::nearbyint(across));
  // The lift of the node at (along, across) offsets from a centre's nearest node.
  auto lift2 = [&](int32_t dAlong, int32_t dAcross) {
    return alongX ? cursor.Lift(dAlong, dAcross) : cursor.Lift(dAcross, dAlong);
  };
  auto height = [&](int32_t a, int32_t c) { return BlockMax(0, alongX ? a : c, alongX ? c : a) * invStep_; };
  int32_t bestA[kRowBatch], bestC[kRowBatch];
  const double own = lift2(0, 0);
  for (int32_t i = 0; i < count; ++i) {
    tips[i] = height(first + i, base) - (own < INFINITY ? own : 0.0);
    bestA[i] = first + i, bestC[i] = base;
  }
  if (r2 < 0.0) return;
  // Start from the nodes that decided the previous batch.
  for (int32_t h = 0; h < cursor.seeds_; ++h) {
    const int32_t a = alongX ? cursor.seedX_[h] : cursor.seedY_[h], c = alongX ? cursor.seedY_[h] : cursor.seedX_[h];
    const double s = height(a, c);
    for (int32_t i = 0; i < count; ++i) {
      const double v = s - lift2(a - first - i, c - base);
      if (v > tips[i]) tips[i] = v, bestA[i] = a, bestC[i] = c;
    }
  }
  const uint32_t all = count == 32 ? ~0u : (1u << count) - 1;
  const int32_t last = first + count - 1;
  // A block's bound for centre i: its highest node less the lift of its node nearest to i.
  auto bounds = [&](int32_t k, int32_t bx, int32_t by, uint32_t live, double* b) {
    const int32_t x0 = bx << k, y0 = by << k;
    const int32_t x1 = std::min(x0 + (1 << k) - 1, columns_ - 1), y1 = std::min(y0 + (1 << k) - 1, rows_ - 1);
    const int32_t a0 = alongX ? x0 : y0, a1 = alongX ? x1 : y1;
    const int32_t dc = std::clamp(base, alongX ? y0 : x0, alongX ? y1 : x1) - base;
    const double top = BlockMax(k, bx, by) * invStep_;
    // The whole batch first: the lift of the block's node nearest to any of the centres.
    const int32_t da = a1 < first ? a1 - first : a0 > last ? a0 - last : 0;
    if (top - lift2(da, dc) <= -INFINITY) return 0u;
    uint32_t passed = 0;
    for (uint32_t m = live; m; m &= m - 1) {
      const int i = __builtin_ctz(m);
      const int32_t a = first + i;
      b[i] = top - lift2(std::clamp(a, a0, a1) - a, dc);
      if (b[i] > tips[i]) passed |= 1u << i;
    }
    return passed;
  };
  auto leaf = [&](int32_t x, int32_t y, uint32_t live, const double* b) {
    for (uint32_t m = live; m; m &= m - 1) {
      const int i = __builtin_ctz(m);
      if (b[i] > tips[i]) tips[i] = b[i], bestA[i] = alongX ? x : y, bestC[i] = alongX ? y : x;
    }
  };
  RowSearch(alongX, first, last, across, all, bounds, [&](int i) { return tips[i]; }, leaf);
  cursor.seeds_ = count;
  for (int32_t i = 0; i < count; ++i) {
    cursor.seedX_[i] = alongX ? bestA[i] : bestC[i];
    cursor.seedY_[i] = alongX ? bestC[i] : bestA[i];
  }
}

template <class Lift>
double CompensationGrid::BendBound(const Lift& lift, double near2, double far2) const {
  if constexpr (std::is_same_v<Lift, TorusLift>) {
    // The torus bends the more the farther out: look the bound up by the far distance.
    (void)lift, (void)near2;
    const double k = std::ceil(far2);
    if (k < static_cast<double>(torusBend_.size())) return torusBend_[static_cast<size_t>(k)];
    return profile_.torus.Bend(0.0, std::sqrt(std::min(k, reach2_)));
  } else {
    return lift.Bend(std::sqrt(near2), std::sqrt(far2));
  }
}

template <class Lift>
void CompensationGrid::RowMoveBatch(const Lift& lift, Cursor& cursor, bool alongX, int32_t first, double across,
                                    int32_t count, const double* tips, double* rises) const {
  const double r2 = reach2_;
  for (int32_t j = 0; j < count; ++j) rises[j] = 0.0;
  if (r2 < 0.0) return;
  const auto base = static_cast<int32_t>(std::nearbyint(across));
  const double fraction = across - base;
  auto lift2 = [&](int32_t dAlong, int32_t dAcross) {
    return alongX ? cursor.Lift(dAlong, dAcross) : cursor.Lift(dAcross, dAlong);
  };
  const uint32_t all = count == 32 ? ~0u : (1u << count) - 1;
  const int32_t last = first + count;  // move j runs from first + j to first + j + 1
  auto bounds = [&](int32_t k, int32_t bx, int32_t by, uint32_t live, double* b) {
    const int32_t x0 = bx << k, y0 = by << k;
    const int32_t x1 = std::min(x0 + (1 << k) - 1, columns_ - 1), y1 = std::min(y0 + (1 << k) - 1, rows_ - 1);
    const int32_t a0 = alongX ? x0 : y0, a1 = alongX ? x1 : y1;
    const int32_t c0 = alongX ? y0 : x0, c1 = alongX ? y1 : x1;
    const int32_t dc = std::clamp(base, c0, c1) - base;
    const double top = BlockMax(k, bx, by) * invStep_;
    {
      const int32_t da = a1 < first ? a1 - first : a0 > last ? a0 - last : 0;
      if (top - lift2(da, dc) <= -INFINITY) return 0u;
    }
    // Across the row the block's farthest nodes, for the bending bound.
    const double farC = std::max(std::abs(c0 - across), std::abs(c1 - across));
    const double nearC = dc - fraction;
    uint32_t passed = 0;
    for (uint32_t m = live; m; m &= m - 1) {
      const int j = __builtin_ctz(m);
      const int32_t a = first + j;  // the move's start; it ends at a + 1
      const double lowest = std::min(tips[j], tips[j + 1]);
      const int32_t da = a1 < a ? a1 - a : a0 > a + 1 ? a0 - (a + 1) : 0;
      double bound = top - lift2(da, dc) - lowest;
      if (bound > rises[j]) {
        // Wholly under the tool all the way: no higher above the chord than above the tips at the
        // ends, plus what the lift's bending over the move allows.
        const double farA = std::max({std::abs(a0 - a), std::abs(a1 - a), std::abs(a0 - a - 1), std::abs(a1 - a - 1)});
        const double far2 = farA * farA + farC * farC;
        if (far2 <= r2) {
          const double bend = BendBound(lift, da * da + nearC * nearC, far2);
          if (bend < INFINITY) {
            const double atA = top - lift2(std::clamp(a, a0, a1) - a, dc) - tips[j];
            const double atB = top - lift2(std::clamp(a + 1, a0, a1) - (a + 1), dc) - tips[j + 1];
            bound = std::min(bound, std::max(atA, atB) + bend / 8.0);
          }
        }
      }
      b[j] = bound;
      if (bound > rises[j]) passed |= 1u << j;
    }
    return passed;
  };
  auto leaf = [&](int32_t x, int32_t y, uint32_t live, const double*) {
    for (uint32_t m = live; m; m &= m - 1) {
      const int j = __builtin_ctz(m);
      const double a = first + j;
      const double ax = alongX ? a : across, ay = alongX ? across : a;
      const double bx = alongX ? a + 1 : across, by = alongX ? across : a + 1;
      rises[j] = std::max(rises[j], MoveExcess(lift, x, y, ax, ay, tips[j], bx, by, tips[j + 1], rises[j]));
    }
  };
  RowSearch(alongX, first, last, across, all, bounds, [&](int j) { return rises[j]; }, leaf);
}

void CompensationGrid::Cursor::RowTips(bool alongX, int32_t first, double across, int32_t count, float* z) {
  const CompensationGrid& f = field_;
  const double limit = alongX ? f.rows_ - 1 : f.columns_ - 1;
  across = std::clamp(across, 0.0, limit);
  const auto base = static_cast<int32_t>(std::nearbyint(across));
  if (!Prepare(alongX ? 0.0 : across - base, alongX ? across - base : 0.0)) {
    for (int32_t i = 0; i < count; ++i)
      z[i] = alongX ? TipAt(first + i, across) : TipAt(across, first + i);
    return;
  }
  double tips[kRowBatch];
  for (int32_t start = 0; start < count; start += kRowBatch) {
    const int32_t n = std::min(kRowBatch, count - start);
    if (f.profile_.cone)
      f.RowTipBatch(f.profile_.coneLift, *this, alongX, first + start, across, n, tips);
    else
      f.RowTipBatch(f.profile_.torus, *this, alongX, first + start, across, n, tips);
    for (int32_t i = 0; i < n; ++i) z[start + i] = UpToSingle(tips[i] * f.step_ + f.stock_);
  }
}

void CompensationGrid::Cursor::ClearRow(bool alongX, int32_t first, double across, int32_t count, float* z) {
  const CompensationGrid& f = field_;
  if (count < 2) return;
  const double limit = alongX ? f.rows_ - 1 : f.columns_ - 1;
  across = std::clamp(across, 0.0, limit);
  const auto base = static_cast<int32_t>(std::nearbyint(across));
  std::vector<double>& rise = rises_;
  rise.assign(static_cast<size_t>(count - 1), 0.0);
  if (!Prepare(alongX ? 0.0 : across - base, alongX ? across - base : 0.0)) {
    for (int32_t j = 0; j + 1 < count; ++j)
      rise[j] = alongX ? MoveRaise(first + j, across, z[j], first + j + 1, across, z[j + 1])
                       : MoveRaise(across, first + j, z[j], across, first + j + 1, z[j + 1]);
  } else {
    double tips[kRowBatch + 1], rises[kRowBatch];
    for (int32_t start = 0; start + 1 < count; start += kRowBatch) {
      const int32_t n = std::min(kRowBatch, count - 1 - start);
      for (int32_t i = 0; i <= n; ++i) tips[i] = (static_cast<double>(z[start + i]) - f.stock_) * f.invStep_;
      if (f.profile_.cone)
        f.RowMoveBatch(f.profile_.coneLift, *this, alongX, first + start, across, n, tips, rises);
      else
        f.RowMoveBatch(f.profile_.torus, *this, alongX, first + start, across, n, tips, rises);
      for (int32_t j = 0; j < n; ++j) rise[start + j] = rises[j] > kRiseNoise ? rises[j] * f.step_ : 0.0;
    }
  }
  // A point between two moves takes the larger rise; each move's ends then rise at least by its own.
  for (int32_t i = 0; i < count; ++i) {
    const double up = std::max(i > 0 ? rise[i - 1] : 0.0, i + 1 < count ? rise[i] : 0.0);
    if (up > 0.0) z[i] = RaisedSingle(z[i], up);
  }
}

double CompensationGrid::Cursor::MoveRaise(double ax, double ay, float az, double bx, double by, float bz) {
  const CompensationGrid& f = field_;
  const double maxX = f.columns_ - 1, maxY = f.rows_ - 1;
  ax = std::clamp(ax, 0.0, maxX), bx = std::clamp(bx, 0.0, maxX);
  ay = std::clamp(ay, 0.0, maxY), by = std::clamp(by, 0.0, maxY);
  // Tip heights back to grid steps of the tool grown by the stock.
  const double ca = (static_cast<double>(az) - f.stock_) * f.invStep_;
  const double cb = (static_cast<double>(bz) - f.stock_) * f.invStep_;
  const double raise = f.profile_.cone ? f.Move(f.profile_.coneLift, *this, ax, ay, ca, bx, by, cb)
                                       : f.Move(f.profile_.torus, *this, ax, ay, ca, bx, by, cb);
  return raise > kRiseNoise ? raise * f.step_ : 0.0;
}

}  // namespace machining
