#include "machining/probes.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <utility>
#include <vector>

#include "machining/relief_model.h"

namespace machining {
namespace {

// Angles accumulate in single precision with the step added in extended precision; that fixes the
// sample directions and their count: 120 at pi/60, 19 at pi/9.
using Extended = long double;
constexpr Extended kPi = 3.14159265358979323846264338327950288L;
constexpr Extended kFineStep = kPi / 60;
constexpr Extended kCoarseStep = kPi / 9;
constexpr Extended kRingStep = kPi / 18;
// A ring loop never needs more than a dozen rings; the bound only stops degenerate steps that no
// longer move a single-precision accumulator from looping for ever.
constexpr int kMaxLoopRings = 16;
// Whole offsets are only taken for offsets this far from a rounding tie, and nodes below kMaxNode.
constexpr double kTieMargin = 1e-6;
constexpr double kMaxWholeOffset = 1 << 20;
constexpr int32_t kMaxNode = 1 << 24;

Extended Radians(Extended degrees) { return degrees * kPi / 180; }

// Round half to even of x, clamped to 0 ... hi. Adding and taking away 1.5 * 2^52 rounds a double to
// an integer in the current (nearest-even) mode without a library call; outside (0.5, hi) the clamp
// decides alone, so the trick only ever sees small values.
inline int32_t RoundClamped(double x, int32_t hi) {
  if (!(x > 0.5)) return 0;
  if (x >= hi) return hi;
  constexpr double kMagic = 6755399441055744.0;
  const double r = (x + kMagic) - kMagic;
  return static_cast<int32_t>(r);
}

}  // namespace

ProbeParams MakeProbeParams(const ToolShape& tool, const ReliefModel& relief) {
  ProbeParams p;
  p.tool = tool;
  p.gridStep = relief.gridStep;
  p.stockToLeave = relief.stockToLeave;
  p.columnBound = relief.columnBound;
  p.rows = relief.rows;
  return p;
}

void ToolProbe::AddRing(double rho, double lift, bool fineAngles) {
  Ring ring;
  ring.rho = rho;
  ring.lift = lift;
  ring.first = static_cast<int32_t>(dx_.size());
  // Round(offset + node) equals Round(offset) + node whenever the offset stays clear of a tie by more
  // than the addition's rounding error (below 1e-8 for nodes under 2^24). Such samples go first.
  auto clearOfTie = [](double v) {
    return std::abs(v) < kMaxWholeOffset && std::abs(std::abs(v - std::floor(v)) - 0.5) > kTieMargin;
  };
  std::vector<std::pair<double, double>> ties;
  const Extended step = fineAngles ? kFineStep : kCoarseStep;
  for (float theta = 0.0f; static_cast<Extended>(theta) <= 2 * kPi;
       theta = static_cast<float>(static_cast<Extended>(theta) + step)) {
    const double x = std::cos(static_cast<double>(theta)) * rho;
    const double y = std::sin(static_cast<double>(theta)) * rho;
    if (!clearOfTie(x) || !clearOfTie(y)) {
      ties.emplace_back(x, y);
      continue;
    }
    dx_.push_back(x);
    dy_.push_back(y);
    const auto c = static_cast<int32_t>(std::nearbyint(x));
    const auto r = static_cast<int32_t>(std::nearbyint(y));
    dc_.push_back(c);
    dr_.push_back(r);
    reach_ = std::max({reach_, std::abs(c), std::abs(r)});
  }
  ring.whole = static_cast<int32_t>(dx_.size()) - ring.first;
  for (const auto& [x, y] : ties) {
    dx_.push_back(x);
    dy_.push_back(y);
    dc_.push_back(0);
    dr_.push_back(0);
  }
  ring.count = static_cast<int32_t>(dx_.size()) - ring.first;
  rings_.push_back(ring);
}

ToolProbe::ToolProbe(const ProbeParams& params) : params_(params) {
  ValidateToolShape(params.tool);
  if (!std::isfinite(params.gridStep) || params.gridStep <= 0.0f)
    throw ToolShapeError("The grid step must be greater than 0: apply the relief size first.");
  if (!std::isfinite(params.stockToLeave)) throw ToolShapeError("The stock to leave is not a number.");

  const Extended d = params.gridStep;
  const Extended e = params.stockToLeave;
  const Extended R = static_cast<float>(params.tool.diameter / 2.0);  // the radius is a single
  const Extended ro = (R + e) / d;

  // Cone part shared by both cone tools: rings from the cone's start (rho1, z1) out to ro.
  auto addCone = [&](Extended rho1, Extended z1) {
    const Extended w = ro - rho1;
    if (!(w > 0)) return;  // no side left to model (a zero span would never step down)
    const Extended a = params.tool.taperAngle;
    const Extended k = std::tan(Radians(90 - a));
    const Extended zt = k * w + z1;
    float q = static_cast<float>(w);
    for (int n = 0; q >= 0.0f && n < kMaxLoopRings; ++n) {
      AddRing(static_cast<double>(ro - q), static_cast<double>(zt - k * q), false);
      q = static_cast<float>(static_cast<Extended>(q) - w / 10);
    }
  };
  // Ring angle phi from 90 degrees down to 0 in steps of 10: ten rings.
  auto forEachQuarterRing = [&](auto ring) {
    for (float phi = static_cast<float>(kPi / 2); phi >= 0.0f;
         phi = static_cast<float>(static_cast<Extended>(phi) - kRingStep))
      ring(static_cast<Extended>(phi));
  };

  switch (params.tool.toolType) {
    case kToolFlat:
      AddRing(static_cast<double>(ro), 0.0, true);
      break;
    case kToolBullNose: {
      const Extended rc = params.tool.cornerRadius;
      const Extended rhoF = (R + e - rc) / d;
      const Extended c = rc / d;
      forEachQuarterRing([&](Extended phi) {
        AddRing(static_cast<double>(rhoF + c * std::cos(phi)), static_cast<double>(c - c * std::sin(phi)), false);
      });
      break;
    }
    case kToolSpherical:
      forEachQuarterRing([&](Extended phi) {
        AddRing(static_cast<double>(ro * std::cos(phi)), static_cast<double>(ro - ro * std::sin(phi)), false);
      });
      break;
    case kToolConicalSpherical: {
      const Extended a = params.tool.taperAngle;
      const Extended rhoT = (params.tool.flatDiameter / 2 + e) / d;
      const Extended last = Radians(360 - a);
      const Extended step = Radians(360 - a - 270) / 6;
      float phi = static_cast<float>(3 * kPi / 2);
      for (int n = 0; static_cast<Extended>(phi) <= last && n < kMaxLoopRings; ++n) {
        AddRing(static_cast<double>(rhoT * std::cos(static_cast<Extended>(phi))),
                static_cast<double>(rhoT + rhoT * std::sin(static_cast<Extended>(phi))), false);
        phi = static_cast<float>(static_cast<Extended>(phi) + step);
      }
      addCone(rhoT * std::cos(last), rhoT + rhoT * std::sin(last));
      break;
    }
    case kToolConicalFlat: {
      const Extended rhoF = (params.tool.flatDiameter / 2 + e) / d;
      AddRing(static_cast<double>(rhoF), 0.0, true);
      // A flat-tipped cone starts at the edge of its flat, level with the tip.
      addCone(rhoF, 0);
      break;
    }
    default:
      break;  // drill, undefined: no probe
  }
}

bool ToolProbe::HasProbe() const {
  switch (params_.tool.toolType) {
    case kToolFlat:
    case kToolBullNose:
    case kToolSpherical:
    case kToolConicalFlat:
    case kToolConicalSpherical:
      return true;
    default:
      return false;
  }
}

float ToolProbe::Sample(const HeightGrid& grid, int32_t ix, int32_t iy, float h) const {
  const double d = params_.gridStep;
  const int32_t hiC = std::min(params_.columnBound, grid.Columns()) - 1;
  const int32_t hiR = std::min(params_.rows, grid.Rows()) - 1;
  double m = static_cast<double>(h) / d;
  if (hiC < 0 || hiR < 0) return static_cast<float>(m * d + params_.stockToLeave);
  const double x0 = ix;
  const double y0 = iy;
  const double* dx = dx_.data();
  const double* dy = dy_.data();
  const bool inside = ix >= reach_ && iy >= reach_ && ix <= hiC - reach_ && iy <= hiR - reach_ &&
                      ix < kMaxNode && iy < kMaxNode;
  const float* node = inside ? grid.Column(ix) + iy : nullptr;
  const ptrdiff_t stride = grid.Rows();
  for (const Ring& ring : rings_) {
    // Division by d > 0 keeps order, so the ring's highest node decides the ring on its own.
    float highest = -INFINITY;
    const int32_t end = ring.first + ring.count;
    int32_t i = ring.first;
    if (inside) {
      for (const int32_t whole = ring.first + ring.whole; i < whole; ++i)
        highest = std::max(highest, node[dc_[i] * stride + dr_[i]]);
    }
    for (; i < end; ++i) {
      const int32_t c = RoundClamped(dx[i] + x0, hiC);
      const int32_t r = RoundClamped(dy[i] + y0, hiR);
      highest = std::max(highest, grid.At(c, r));
    }
    m = std::max(m, static_cast<double>(highest) / d - ring.lift);
  }
  return static_cast<float>(m * d + params_.stockToLeave);
}

float ProbeFlat(const ToolProbe& tool, const HeightGrid& grid, int32_t ix, int32_t iy, float h) {
  assert(tool.Type() == kToolFlat);
  return tool.Sample(grid, ix, iy, h);
}

float ProbeBullNose(const ToolProbe& tool, const HeightGrid& grid, int32_t ix, int32_t iy, float h) {
  assert(tool.Type() == kToolBullNose);
  return tool.Sample(grid, ix, iy, h);
}

float ProbeSpherical(const ToolProbe& tool, const HeightGrid& grid, int32_t ix, int32_t iy, float h) {
  assert(tool.Type() == kToolSpherical);
  return tool.Sample(grid, ix, iy, h);
}

float ProbeConicalSpherical(const ToolProbe& tool, const HeightGrid& grid, int32_t ix, int32_t iy, float h) {
  assert(tool.Type() == kToolConicalSpherical);
  return tool.Sample(grid, ix, iy, h);
}

float ProbeConicalFlat(const ToolProbe& tool, const HeightGrid& grid, int32_t ix, int32_t iy, float h) {
  assert(tool.Type() == kToolConicalFlat);
  return tool.Sample(grid, ix, iy, h);
}

void ToolCompensatedZ(const ToolProbe& tool, const HeightGrid& grid, int32_t column, int32_t row, float& z) {
  const ProbeParams& p = tool.Params();
  if (column < 0 || row < 0 || column >= std::min(p.columnBound, grid.Columns()) ||
      row >= std::min(p.rows, grid.Rows()))
    return;
  const float h = grid.At(column, row);
  switch (tool.Type()) {
    case kToolFlat: z = ProbeFlat(tool, grid, column, row, h); break;
    case kToolBullNose: z = ProbeBullNose(tool, grid, column, row, h); break;
    case kToolSpherical: z = ProbeSpherical(tool, grid, column, row, h); break;
    case kToolConicalFlat: z = ProbeConicalFlat(tool, grid, column, row, h); break;
    case kToolConicalSpherical: z = ProbeConicalSpherical(tool, grid, column, row, h); break;
    default: break;  // drill, undefined: the generator's feed-plane Z stands
  }
}

}  // namespace machining
