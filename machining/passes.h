// The toolpath passes: zig-zag rows over the height grid at 0 degrees (along X), 90 degrees (along
// Y) or both, the stepover fitted so whole passes span the grid, consecutive rows linked along the
// border, every node's Z compensated for the tool's shape. In "Z no cut" mode only the runs of nodes
// whose height differs from a picked height are kept.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "machining/pass_point.h"
#include "platform/exception.h"

namespace machining {

struct ReliefModel;
class ToolProbe;

// The grid or the parameters cannot make a toolpath (the message says why).
class PassError : public platform::Exception {
 public:
  using Exception::Exception;
};

// A picked "Z no cut" height of 7777 means none was picked.
inline constexpr float kNoZNoCutHeight = 7777.0f;

struct PassParameters {
  float maxStepover = 1.0f;  // s0, txtIncXY
  float feedPlane = 2.0f;    // FP, txtFeedPlane
  bool rows0 = true;         // chkOrizzontale
  bool rows90 = false;       // chkVerticale
  bool zNoCut = false;       // the "Z no cut" switch
  float zNoCutHeight = kNoZNoCutHeight;  // zp
  float zNoCutTolerance = 0.1f;          // tz
};

// The stepover fitted to one axis: n steps of s span the extent exactly.
struct FittedStepover {
  int32_t count = 0;
  float step = 0.0f;
};

// n = Trunc(extent / s), one more when n steps fall short, and s = extent / n then. The extent must
// be positive; the stepover is capped at the extent.
FittedStepover FitStepover(float extent, float maxStepover);

// The progress bar of the pass builder: advances by 10 when step mod divisor is 0.
class ProgressCounter {
 public:
  explicit ProgressCounter(std::function<void(int)> report = {}) : report_(std::move(report)) {}
  void Start();
  void IncProgressBar(int64_t step, int64_t divisor);
  int Position() const { return position_; }

 private:
  std::function<void(int)> report_;
  int position_ = 0;
};

struct PassList {
  std::vector<Pass> passes;
  FittedStepover alongX;  // nX, sX
  FittedStepover alongY;  // nY, sY
};

// Whether the NC program feeds straight from the end of one pass to the start of the next (they lie
// no farther apart than twice the X stepover) rather than going over the feed plane.
bool FeedsAcross(double fromX, double fromY, double toX, double toY, float stepX);

// Builds every pass for the relief's grid. Raises PassError for a grid of one row or column, a grid
// that holds non-finite heights, a stepover that is not a positive number, or a toolpath too large to
// hold.
//
// Every point's Z is the probe's tip height at the point's own position (rows lie where the fitted
// stepover puts them, which need not be on a grid row), and the ends of each straight feed move
// (within a pass, and from a pass to the next when FeedsAcross) are raised as far as needed for the
// tool to clear every node on the way. Drill and Undefined run at the feed plane. The heights are
// computed on all cores.
PassList BuildPasses(const ReliefModel& relief, const ToolProbe& probe, const PassParameters& params,
                     ProgressCounter* progress = nullptr);

}  // namespace machining
