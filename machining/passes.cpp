#include "machining/passes.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>
#include <string>

#include "lang/lang.h"
#include "machining/compensation_grid.h"
#include "machining/probes.h"
#include "machining/relief_model.h"
#include "platform/numbers.h"
#include "platform/parallel.h"

namespace machining {

namespace {

// Beyond this many points the passes would take gigabytes; such a stepover is a typing slip.
constexpr int64_t kMaxPassPoints = 50'000'000;

constexpr int32_t kOpenNext = 98;   // the next point opens a new pass
constexpr int32_t kPassOpen = 1;
constexpr int32_t kSkipping = 0;    // inside a run of skipped nodes ("Z no cut")
constexpr int32_t kRowEnd = 200;    // added at the end of a row

// Where the tool's axis stands, in grid steps from node (0, 0): what the compensation works on.
struct Centre {
  double x = 0.0;
  double y = 0.0;
  int64_t row = -1;  // the row the point lies on (its moves along the row are cleared with it); -1: a link
};

// The node the generator stands on and the pass state machine fed with it. When `centres` is given,
// it receives, pass for pass, the centre of every point (the compensation's exact position, which
// the written singles only round).
class PassBuilder {
 public:
  PassBuilder(const PassParameters& params, std::vector<Pass>& passes, std::vector<std::vector<Centre>>* centres)
      : params_(params), passes_(passes), centres_(centres) {}

  float x = 0.0f, y = 0.0f, z = 0.0f;  // current node; singles, as the probes and rows set them
  Centre centre;                       // the current node's centre
  int32_t state = kOpenNext;
  size_t expectedPoints = 0;  // a whole row's nodes while a row is walked in normal mode

  void AddPassPoint(bool close) {
    if (params_.zNoCut)
      AddZNoCut();
    else
      AddNormal(close);
    prevX_ = x, prevY_ = y, prevZ_ = z;
    prevCentre_ = centre;
  }

 private:
  void Open() {
    if (open_) Push();
    pass_.clear();
    passCentres_.clear();
    // A row pass takes every node of the row; reserving spares the copies of a growing pass.
    if (!params_.zNoCut) {
      pass_.reserve(expectedPoints);
      if (centres_) passCentres_.reserve(expectedPoints);
    }
    open_ = true;
  }
  void Close() {
    if (open_) Push();
    pass_.clear();
    passCentres_.clear();
    open_ = false;
  }
  void Push() {
    passes_.push_back(std::move(pass_));
    if (centres_) centres_->push_back(std::move(passCentres_));
  }
  void Append(float px, float py, float pz, const Centre& c) {
    pass_.push_back(PassPoint{px, py, pz});
    if (centres_) passCentres_.push_back(c);
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
    if (state == kPassOpen) Append(x, y, z, centre);
  }

  void AddZNoCut() {
    const bool cut = std::fabs(z - params_.zNoCutHeight) > params_.zNoCutTolerance;
    switch (state) {
      case kOpenNext:
        if (cut) {
          state = kPassOpen;
          Open();
          Append(x, y, z, centre);
        } else {
          state = kSkipping;
        }
        break;
      case kSkipping:
        if (cut) {
          state = kPassOpen;
          Open();
          Append(prevX_, prevY_, prevZ_, prevCentre_);
          Append(x, y, z, centre);
        }
        break;
      case kPassOpen:
        Append(x, y, z, centre);
        if (!cut) {
          state = kSkipping;
          Close();
        }
        break;
      case kPassOpen + kRowEnd:
        // A run still open at the row's end is closed with a repeat of the row's last node.
        Append(x, y, z, centre);
        Close();
        break;
      default:
        break;
    }
  }

  const PassParameters& params_;
  std::vector<Pass>& passes_;
  std::vector<std::vector<Centre>>* centres_;
  Pass pass_;
  std::vector<Centre> passCentres_;
  bool open_ = false;
  float prevX_ = 0.0f, prevY_ = 0.0f, prevZ_ = 0.0f;
  Centre prevCentre_;
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

// Rows of `along` nodes a thread should have at least, so that starting it pays.
int64_t RowsPerThread(size_t along) { return std::max<int64_t>(1, 20000 / static_cast<int64_t>(std::max<size_t>(1, along))); }

class RowWalker {
 public:
  // `field` is null for tools without a probe: their points stay at the feed plane.
  RowWalker(PassBuilder& builder, const ReliefModel& relief, const CompensationGrid* field,
            const PassParameters& params, const RowGeometry& geometry)
      : b_(builder), relief_(relief), field_(field), params_(params), g_(geometry) {}

  void Run(const FittedStepover& fit, ProgressCounter* progress) {
    const float d = relief_.gridStep;
    const PassIndex row(fit.count, g_.across);
    const int64_t divisor = std::max<int64_t>(1, fit.count / 20);
    if (field_) ComputeRowHeights(fit);
    if (progress) progress->Start();
    for (int64_t i = 0; i <= fit.count; i += 2) {
      if (progress) progress->IncProgressBar(i, divisor);
      b_.z = params_.feedPlane;
      const float across0 = NodePosition(g_.originAcross, i, fit.step);
      if (!params_.zNoCut && row(i) > 0) Link(0, row(i - 1) + 1, row(i), i, across0, d);
      Row(i, across0, d, true);
      // The second half-row exists exactly when pass i + 1 does; comparing (i + 1) x step with the
      // picture's extent drops the last row (or asks for one past the grid) on a rounding error.
      if (i + 1 > fit.count) continue;
      const float across1 = NodePosition(g_.originAcross, i + 1, fit.step);
      if (!params_.zNoCut) Link(g_.along - 1, row(i) + 1, row(i + 1), i + 1, across1, d);
      Row(i + 1, across1, d, false);
    }
  }

 private:
  // The centre of node `along` of a row lying at `across` grid steps; `row` as Centre::row.
  Centre CentreOf(double along, double across, int64_t row) const {
    return g_.swapped ? Centre{across, along, row} : Centre{along, across, row};
  }
  int64_t RowId(int64_t pass) const { return 2 * pass + (g_.swapped ? 1 : 0); }
  // A row's place across the grid, in grid steps, from the written position: the rows lie where the
  // fitted stepover puts them, between grid rows as often as not.
  double AcrossSteps(float acrossPos) const {
    return (static_cast<double>(acrossPos) - g_.originAcross) / relief_.gridStep;
  }
  void SetPoint(int32_t along, float alongPos, double across, float acrossPos, int64_t row) {
    if (g_.swapped) {
      b_.x = acrossPos;
      b_.y = alongPos;
    } else {
      b_.x = alongPos;
      b_.y = acrossPos;
    }
    b_.centre = CentreOf(along, across, row);
  }

  // Every row's heights at once, on all cores: the tool stands where the row's points are written,
  // and the moves from node to node along the row clear the relief.
  void ComputeRowHeights(const FittedStepover& fit) {
    const auto along = static_cast<size_t>(g_.along);
    rowZ_.assign((static_cast<size_t>(fit.count) + 1) * along, 0.0f);
    std::vector<std::optional<CompensationGrid::Cursor>> cursors(static_cast<size_t>(platform::ParallelThreads()));
    platform::ParallelFor(
        int64_t{fit.count} + 1,
        [&](int64_t i, int worker) {
          auto& cursor = cursors[static_cast<size_t>(worker)];
          if (!cursor) cursor.emplace(*field_);
          const double across = AcrossSteps(NodePosition(g_.originAcross, i, fit.step));
          float* z = rowZ_.data() + static_cast<size_t>(i) * along;
          cursor->RowTips(!g_.swapped, 0, across, g_.along, z);
          cursor->ClearRow(!g_.swapped, 0, across, g_.along, z);
        },
        RowsPerThread(g_.along));
  }

  void Row(int64_t pass, float acrossPos, float d, bool forward) {
    b_.state = kOpenNext;
    b_.expectedPoints = static_cast<size_t>(g_.along);
    const float* heights = field_ ? RowHeights(pass) : nullptr;
    const double across = AcrossSteps(acrossPos);
    for (int32_t n = 0; n < g_.along; ++n) {
      const int32_t a = forward ? n : g_.along - 1 - n;
      SetPoint(a, NodePosition(g_.originAlong, a, d), across, acrossPos, RowId(pass));
      if (heights) b_.z = heights[a];
      b_.AddPassPoint(false);
    }
    b_.state += kRowEnd;
    b_.AddPassPoint(true);
    b_.expectedPoints = 0;
  }
  const float* RowHeights(int64_t pass) const { return rowZ_.data() + static_cast<size_t>(pass) * g_.along; }

  // Along the border at node `along` from grid row lo to hi; the last point lies on pass `next`
  // (and takes that row's height there).
  void Link(int32_t along, int32_t lo, int32_t hi, int64_t next, float endAcross, float d) {
    if (lo < g_.across - 1 && hi > lo) {
      const float alongPos = NodePosition(g_.originAlong, along, d);
      for (int32_t k = lo; k <= hi; ++k) {
        if (k == hi) {
          SetPoint(along, alongPos, AcrossSteps(endAcross), endAcross, -1);
          if (field_) b_.z = RowHeights(next)[along];
        } else {
          SetPoint(along, alongPos, k, NodePosition(g_.originAcross, k, d), -1);
          if (field_) {
            if (!linkCursor_) linkCursor_.emplace(*field_);
            b_.z = linkCursor_->TipAt(b_.centre.x, b_.centre.y);
          }
        }
        b_.AddPassPoint(false);
      }
    }
    b_.AddPassPoint(true);
  }

  PassBuilder& b_;
  const ReliefModel& relief_;
  const CompensationGrid* field_;
  const PassParameters& params_;
  RowGeometry g_;
  std::vector<float> rowZ_;  // [pass * along + node]: the tip heights of every row
  std::optional<CompensationGrid::Cursor> linkCursor_;
};

// Raises the ends of every straight feed move as far as the tool needs to clear the nodes on its
// way: within each pass (on all cores; the moves along a row were cleared with the row's heights),
// then from each pass to the next where the NC program feeds across. A move's ends only ever rise,
// so a move already cleared stays clear.
void ClearFeedMoves(std::vector<Pass>& passes, const std::vector<std::vector<Centre>>& centres,
                    const CompensationGrid& field, float stepX) {
  size_t points = 0;
  for (const Pass& pass : passes) points += pass.size();
  std::vector<std::optional<CompensationGrid::Cursor>> cursors(static_cast<size_t>(platform::ParallelThreads()));
  auto clear = [&](CompensationGrid::Cursor& cursor, PassPoint& a, const Centre& ca, PassPoint& b, const Centre& cb) {
    const double up = cursor.MoveRaise(ca.x, ca.y, static_cast<float>(a.z), cb.x, cb.y, static_cast<float>(b.z));
    if (up > 0.0) {
      a.z = RaisedSingle(static_cast<float>(a.z), up);
      b.z = RaisedSingle(static_cast<float>(b.z), up);
    }
  };
  platform::ParallelFor(
      static_cast<int64_t>(passes.size()),
      [&](int64_t n, int worker) {
        auto& cursor = cursors[static_cast<size_t>(worker)];
        if (!cursor) cursor.emplace(field);
        Pass& pass = passes[static_cast<size_t>(n)];
        const std::vector<Centre>& at = centres[static_cast<size_t>(n)];
        for (size_t k = 1; k < pass.size(); ++k)
          if (at[k].row < 0 || at[k].row != at[k - 1].row) clear(*cursor, pass[k - 1], at[k - 1], pass[k], at[k]);
      },
      RowsPerThread(std::max<size_t>(1, points / std::max<size_t>(1, passes.size()))));
  // A pass of fewer than two points writes no move, so the NC program goes on from the one before.
  CompensationGrid::Cursor cursor(field);
  size_t previous = passes.size();
  for (size_t n = 0; n < passes.size(); ++n) {
    if (passes[n].size() < 2) continue;
    if (previous < passes.size()) {
      PassPoint& end = passes[previous].back();
      PassPoint& start = passes[n].front();
      if (FeedsAcross(end.x, end.y, start.x, start.y, stepX))
        clear(cursor, end, centres[previous].back(), start, centres[n].front());
    }
    previous = n;
  }
}

std::string TooSmallStepoverText() {
  return lang::LangStringOr("1236", "The stepover is too small for this picture: the toolpath would be too large.");
}

void CheckGrid(const ReliefModel& relief) {
  const int32_t columns = relief.columnBound;
  const int32_t rows = relief.rows;
  if (columns < 2 || rows < 2)
    throw PassError(lang::LangFormatOr(
        "1230", "The picture must be at least 2 pixels wide and 2 pixels high to make a toolpath (it is %1 x %2).",
        {std::to_string(columns), std::to_string(rows)}));
  if (relief.grid.Columns() < columns || relief.grid.Rows() < rows)
    throw PassError(lang::LangStringOr("1231", "The relief is out of date: apply the depths again before calculating."));
  if (!std::isfinite(relief.gridStep) || relief.gridStep <= 0.0f)
    throw PassError(lang::LangStringOr("1232", "The picture's size gives no valid distance between pixels."));
  for (int32_t c = 0; c < columns; ++c) {
    const float* column = relief.grid.Column(c);
    for (int32_t r = 0; r < rows; ++r)
      if (!std::isfinite(column[r]))
        throw PassError(lang::LangFormatOr(
            "1233", "The relief holds a height that is not a number (column %1, row %2): apply the depths again.",
            {std::to_string(c), std::to_string(r)}));
  }
}

}  // namespace

FittedStepover FitStepover(float extent, float maxStepover) {
  if (!(extent > 0.0f) || !std::isfinite(extent))
    throw PassError(
        lang::LangStringOr("1234", "The picture must be at least 2 pixels wide and 2 pixels high to make a toolpath."));
  if (!(maxStepover > 0.0f) || !std::isfinite(maxStepover)) throw PassError(lang::LangStringOr("1235", "The stepover must be greater than 0."));
  FittedStepover fit;
  fit.step = std::min(maxStepover, extent);
  const double n = std::trunc(static_cast<double>(extent) / fit.step);
  if (n > static_cast<double>(kMaxPassPoints))
    throw PassError(TooSmallStepoverText());
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

bool FeedsAcross(double fromX, double fromY, double toX, double toY, float stepX) {
  return std::hypot(toX - fromX, toY - fromY) <= 2.0 * stepX;
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
    throw PassError(TooSmallStepoverText());

  std::optional<CompensationGrid> field;
  if (probe.HasProbe()) field.emplace(probe, relief.grid);
  const CompensationGrid* heights = field ? &*field : nullptr;
  std::vector<std::vector<Centre>> centres;
  PassBuilder builder(params, list.passes, field ? &centres : nullptr);
  if (params.rows0) {
    RowGeometry g{columns, rows, relief.gridOriginX, relief.gridOriginY, false};
    RowWalker(builder, relief, heights, params, g).Run(list.alongY, progress);
  }
  if (params.rows90) {
    RowGeometry g{rows, columns, relief.gridOriginY, relief.gridOriginX, true};
    RowWalker(builder, relief, heights, params, g).Run(list.alongX, progress);
  }
  if (field) ClearFeedMoves(list.passes, centres, *field, list.alongX.step);
  return list;
}

}  // namespace machining
