#include "machining/passes.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "machining/probes.h"
#include "machining/relief_model.h"
#include "platform/numbers.h"

namespace machining {

namespace {

// Beyond this many points the passes would take gigabytes; such a stepover is a typing slip.
constexpr int64_t kMaxPassPoints = 50'000'000;

constexpr int32_t kOpenNext = 98;   // the next point opens a new pass
constexpr int32_t kPassOpen = 1;
constexpr int32_t kSkipping = 0;    // inside a run of skipped nodes ("Z no cut")
constexpr int32_t kRowEnd = 200;    // added at the end of a row

// The node the generator stands on and the pass state machine fed with it.
class PassBuilder {
 public:
  PassBuilder(const PassParameters& params, std::vector<Pass>& passes) : params_(params), passes_(passes) {}

  float x = 0.0f, y = 0.0f, z = 0.0f;  // current node; singles, as the probes and rows set them
  int32_t state = kOpenNext;
  size_t expectedPoints = 0;  // a whole row's nodes while a row is walked in normal mode

  void AddPassPoint(bool close) {
    if (params_.zNoCut)
      AddZNoCut();
    else
      AddNormal(close);
    prevX_ = x, prevY_ = y, prevZ_ = z;
  }

 private:
  void Open() {
    if (open_) passes_.push_back(std::move(pass_));
    pass_.clear();
    // A row pass takes every node of the row; reserving spares the copies of a growing pass.
    if (!params_.zNoCut) pass_.reserve(expectedPoints);
    open_ = true;
  }
  void Close() {
    if (open_) passes_.push_back(std::move(pass_));
    pass_.clear();
    open_ = false;
  }
  void Append(float px, float py, float pz) {
    pass_.push_back(PassPoint{px, py, pz});
  }

  void AddNormal(bool close) {
    if (close) {
      state = kOpenNext;
      Close();
      return;
    }
    if (state == kOpenNext) {
      Open();
      state = kPassOpen;
    }
    if (state == kPassOpen) Append(x, y, z);
  }

  void AddZNoCut() {
    const bool cut = std::fabs(z - params_.zNoCutHeight) > params_.zNoCutTolerance;
    switch (state) {
      case kOpenNext:
        if (cut) {
          state = kPassOpen;
          Open();
          Append(x, y, z);
        } else {
          state = kSkipping;
        }
        break;
      case kSkipping:
        if (cut) {
          state = kPassOpen;
          Open();
          Append(prevX_, prevY_, prevZ_);
          Append(x, y, z);
        }
        break;
      case kPassOpen:
        Append(x, y, z);
        if (!cut) {
          state = kSkipping;
          Close();
        }
        break;
      case kPassOpen + kRowEnd:
        // A run still open at the row's end is closed with a repeat of the row's last node.
        Append(x, y, z);
        Close();
        break;
      default:
        break;
    }
  }

  const PassParameters& params_;
  std::vector<Pass>& passes_;
  Pass pass_;
  bool open_ = false;
  float prevX_ = 0.0f, prevY_ = 0.0f, prevZ_ = 0.0f;
};

// Grid index of pass i when there are `count` passes over `nodes` nodes: Round(i / r) with
// r = count / (nodes - 1), kept inside the grid.
class PassIndex {
 public:
  PassIndex(int32_t count, int32_t nodes) : r_(static_cast<double>(count) / (nodes - 1)), last_(nodes - 1) {}
  int32_t operator()(int64_t i) const {
    int64_t index = platform::Round(static_cast<double>(i) / r_);
    return static_cast<int32_t>(std::clamp<int64_t>(index, 0, last_));
  }

 private:
  double r_;
  int32_t last_;
};

float NodePosition(float origin, int64_t index, float step) {
  return static_cast<float>(origin + static_cast<double>(index) * step);
}

// One direction's rows. `along` is the number of nodes in a row, `across` the number of rows;
// Node(a, b) gives the grid node of position a along the row in row b. Rows along X for 0 degrees,
// along Y for 90 degrees.
struct RowGeometry {
  int32_t along = 0;    // nodes per row
  int32_t across = 0;   // grid rows (or columns) the passes step over
  float originAlong = 0.0f;
  float originAcross = 0.0f;
  bool swapped = false;  // 90 degrees: "along" is Y
};

class RowWalker {
 public:
  RowWalker(PassBuilder& builder, const ReliefModel& relief, const ToolProbe& probe, const PassParameters& params,
            const RowGeometry& geometry)
      : b_(builder), relief_(relief), probe_(probe), params_(params), g_(geometry) {}

  void Run(const FittedStepover& fit, ProgressCounter* progress) {
    const float d = relief_.gridStep;
    const PassIndex row(fit.count, g_.across);
    const int64_t divisor = std::max<int64_t>(1, fit.count / 20);
    if (progress) progress->Start();
    for (int64_t i = 0; i <= fit.count; i += 2) {
      if (progress) progress->IncProgressBar(i, divisor);
      b_.z = params_.feedPlane;
      const float across0 = NodePosition(g_.originAcross, i, fit.step);
      if (!params_.zNoCut && row(i) > 0) Link(0, row(i - 1) + 1, row(i), across0, d);
      Row(row(i), across0, d, true);
      // The second half-row exists exactly when pass i + 1 does; comparing (i + 1) x step with the
      // picture's extent drops the last row (or asks for one past the grid) on a rounding error.
      if (i + 1 > fit.count) continue;
      const float across1 = NodePosition(g_.originAcross, i + 1, fit.step);
      if (!params_.zNoCut) Link(g_.along - 1, row(i) + 1, row(i + 1), across1, d);
      Row(row(i + 1), across1, d, false);
    }
  }

 private:
  void Place(int32_t along, int32_t across) {
    if (g_.swapped)
      ToolCompensatedZ(probe_, relief_.grid, across, along, b_.z);
    else
      ToolCompensatedZ(probe_, relief_.grid, along, across, b_.z);
  }
  void SetXY(float alongPos, float acrossPos) {
    if (g_.swapped) {
      b_.x = acrossPos;
      b_.y = alongPos;
    } else {
      b_.x = alongPos;
      b_.y = acrossPos;
    }
  }

  void Row(int32_t gridRow, float acrossPos, float d, bool forward) {
    b_.state = kOpenNext;
    b_.expectedPoints = static_cast<size_t>(g_.along);
    for (int32_t n = 0; n < g_.along; ++n) {
      const int32_t a = forward ? n : g_.along - 1 - n;
      Place(a, gridRow);
      SetXY(NodePosition(g_.originAlong, a, d), acrossPos);
      b_.AddPassPoint(false);
    }
    b_.state += kRowEnd;
    b_.AddPassPoint(true);
    b_.expectedPoints = 0;
  }

  // Along the border at node `along` from grid row lo to hi; the last point lies on the next pass.
  void Link(int32_t along, int32_t lo, int32_t hi, float endAcross, float d) {
    if (lo < g_.across - 1 && hi > lo) {
      const float alongPos = NodePosition(g_.originAlong, along, d);
      for (int32_t k = lo; k <= hi; ++k) {
        Place(along, k);
        SetXY(alongPos, k == hi ? endAcross : NodePosition(g_.originAcross, k, d));
        b_.AddPassPoint(false);
      }
    }
    b_.AddPassPoint(true);
  }

  PassBuilder& b_;
  const ReliefModel& relief_;
  const ToolProbe& probe_;
  const PassParameters& params_;
  RowGeometry g_;
};

void CheckGrid(const ReliefModel& relief) {
  const int32_t columns = relief.columnBound;
  const int32_t rows = relief.rows;
  if (columns < 2 || rows < 2)
    throw PassError("The picture must be at least 2 pixels wide and 2 pixels high to make a toolpath (it is " +
                    std::to_string(columns) + " x " + std::to_string(rows) + ").");
  if (relief.grid.Columns() < columns || relief.grid.Rows() < rows)
    throw PassError("The relief is out of date: apply the depths again before calculating.");
  if (!std::isfinite(relief.gridStep) || relief.gridStep <= 0.0f)
    throw PassError("The picture's size gives no valid distance between pixels.");
  for (int32_t c = 0; c < columns; ++c) {
    const float* column = relief.grid.Column(c);
    for (int32_t r = 0; r < rows; ++r)
      if (!std::isfinite(column[r]))
        throw PassError("The relief holds a height that is not a number (column " + std::to_string(c) + ", row " +
                        std::to_string(r) + "): apply the depths again.");
  }
}

}  // namespace

FittedStepover FitStepover(float extent, float maxStepover) {
  if (!(extent > 0.0f) || !std::isfinite(extent))
    throw PassError("The picture must be at least 2 pixels wide and 2 pixels high to make a toolpath.");
  if (!(maxStepover > 0.0f) || !std::isfinite(maxStepover)) throw PassError("The stepover must be greater than 0.");
  FittedStepover fit;
  fit.step = std::min(maxStepover, extent);
  const double n = std::trunc(static_cast<double>(extent) / fit.step);
  if (n > static_cast<double>(kMaxPassPoints))
    throw PassError("The stepover is too small for this picture: the toolpath would be too large.");
  fit.count = static_cast<int32_t>(n);
  if (static_cast<double>(fit.count) * fit.step < extent) {
    ++fit.count;
    fit.step = static_cast<float>(static_cast<double>(extent) / fit.count);
  }
  return fit;
}

void ProgressCounter::Start() {
  position_ = 0;
  if (report_) report_(position_);
}

void ProgressCounter::IncProgressBar(int64_t step, int64_t divisor) {
  if (divisor != 0 && step % divisor == 0) {
    position_ += 10;
    if (report_) report_(position_);
  }
}

PassList BuildPasses(const ReliefModel& relief, const ToolProbe& probe, const PassParameters& params,
                     ProgressCounter* progress) {
  CheckGrid(relief);
  const int32_t columns = relief.columnBound;
  const int32_t rows = relief.rows;
  const float d = relief.gridStep;

  PassList list;
  list.alongY = FitStepover(static_cast<float>((rows - 1) * static_cast<double>(d)), params.maxStepover);
  list.alongX = FitStepover(static_cast<float>((columns - 1) * static_cast<double>(d)), params.maxStepover);

  int64_t points = 0;
  if (params.rows0) points += (int64_t{list.alongY.count} + 1) * columns + rows;
  if (params.rows90) points += (int64_t{list.alongX.count} + 1) * rows + columns;
  if (points > kMaxPassPoints)
    throw PassError("The stepover is too small for this picture: the toolpath would be too large.");

  PassBuilder builder(params, list.passes);
  if (params.rows0) {
    RowGeometry g{columns, rows, relief.gridOriginX, relief.gridOriginY, false};
    RowWalker(builder, relief, probe, params, g).Run(list.alongY, progress);
  }
  if (params.rows90) {
    RowGeometry g{rows, columns, relief.gridOriginY, relief.gridOriginX, true};
    RowWalker(builder, relief, probe, params, g).Run(list.alongX, progress);
  }
  return list;
}

}  // namespace machining
