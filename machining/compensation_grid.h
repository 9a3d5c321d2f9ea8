// The exact tool-shape compensation over one height grid, built for the toolpath's millions of
// queries: the tip height of the tool at any centre such that no grid node within its reach stands
// above the tool's surface, and how far a straight feed move between two such tips must rise so that
// the tool clears every node on the way.
//
// Use:
//   machining::CompensationGrid field(probe, relief.grid);   // once per Calculate
//   machining::CompensationGrid::Cursor cursor(field);       // one per thread
//   float z = cursor.TipAt(x, y);                            // x, y in grid steps from node (0, 0)
//   double up = cursor.MoveRaise(ax, ay, az, bx, by, bz);
//
// Nodes beyond the grid's border read as the border node they clamp to; such a node never decides:
// for a centre on the grid its clamped node is at least as near and as high. The maxima of the grid's
// blocks of 2 x 2, 4 x 4, ... nodes are kept: a query walks the blocks under the tool from a coarse
// level down and skips every block whose highest node, lowered by the tool's lift at the block's
// nearest node, cannot beat the best found so far. The answer is that of a loop over every node in
// reach.
//
// A cursor keeps the lifts of every node offset around the fractional part of the last centre it
// was given, so the queries along one row (whose centres share it) look lifts up instead of
// computing them; it also starts each search from the node that decided the one before. Cursors
// allocate when the fractional part changes, never per query.
//
// The grid is read in place: it must outlive this object and stay unchanged. The field is read-only
// after construction, so any number of cursors may work on it from different threads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "machining/height_grid.h"
#include "machining/tool_profile.h"

namespace machining {

class ToolProbe;

class CompensationGrid {
 public:
  // A cursor's lift table holds at most this many entries (8 MB, a tool reaching some 500 steps);
  // a wider tool has every lift computed instead.
  static constexpr size_t kMaxTableEntries = size_t{1} << 20;

  // The probe's tool, step, stock to leave and readable columns and rows. The probe must have one
  // (ToolProbe::HasProbe); the grid must hold at least one readable node. `maxTableEntries` caps the
  // cursors' lift tables (0: never use one).
  CompensationGrid(const ToolProbe& probe, const HeightGrid& grid, size_t maxTableEntries = kMaxTableEntries);

  class Cursor {
   public:
    explicit Cursor(const CompensationGrid& field);

    // Tip Z in drawing units (stock to leave added) for the tool centred at (x, y), in grid steps
    // from node (0, 0): the highest of (node height - lift at the node's exact distance) over every
    // node within reach, and never below the height of the node nearest to the centre. Centres off
    // the grid are moved onto its border.
    float TipAt(double x, double y);

    // For a straight move of the tip from (ax, ay, az) to (bx, by, bz) (positions in grid steps, Z in
    // drawing units as TipAt gives them): the least amount, in drawing units and at least 0, by which
    // both ends must rise so that along the whole move no node within reach stands above the tool.
    double MoveRaise(double ax, double ay, float az, double bx, double by, float bz);

    // A row of `count` centres one step apart: at (first + i, across) when alongX, else at
    // (across, first + i). RowTips gives their tips, as TipAt would, in z[0 .. count - 1];
    // ClearRow then raises them so that the moves from each centre to the next clear every node,
    // each move's ends rising as MoveRaise says (a point between two moves takes the larger rise).
    // Neighbouring centres are searched together, which is much faster than one at a time.
    void RowTips(bool alongX, int32_t first, double across, int32_t count, float* z);
    void ClearRow(bool alongX, int32_t first, double across, int32_t count, float* z);

   private:
    friend class CompensationGrid;
    // Makes the table hold the lifts around a centre whose offset from its nearest node is (fx, fy);
    // false when the table would be too large.
    bool Prepare(double fx, double fy);
    // The lift of the node at offset (dx, dy) from the centre's nearest node; infinite beyond reach.
    double Lift(int32_t dx, int32_t dy) const {
      dx = dx < -half_ ? -half_ : dx > half_ ? half_ : dx;
      dy = dy < -half_ ? -half_ : dy > half_ ? half_ : dy;
      return lifts_[static_cast<size_t>(dx + half_) * width_ + static_cast<size_t>(dy + half_)];
    }

    const CompensationGrid& field_;
    std::vector<double> rises_;  // ClearRow's work space
    // The nodes that decided the last row batch, where the next one starts.
    int32_t seeds_ = 0;
    int32_t seedX_[32] = {};
    int32_t seedY_[32] = {};
    double fx_ = 2.0;  // none yet
    double fy_ = 2.0;
    int32_t half_ = 0;   // the table covers offsets -half_ ... half_; its outer ring lies beyond reach
    int32_t width_ = 0;  // 2 half_ + 1
    std::vector<double> lifts_;
    int32_t hintX_ = -1;  // the node that decided the last tip
    int32_t hintY_ = -1;
  };

  int32_t Columns() const { return columns_; }
  int32_t Rows() const { return rows_; }

 private:
  struct Level {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<float> max;  // [x * height + y]
  };
  // Highest node of block (x, y) of level k; level 0 is the grid itself.
  float BlockMax(int32_t k, int32_t x, int32_t y) const {
    if (k == 0) return nodes_[static_cast<size_t>(x) * stride_ + y];
    const Level& level = levels_[k];
    return level.max[static_cast<size_t>(x) * level.height + y];
  }
  // The coarsest level whose blocks are no wider than `span` nodes (at least level 0).
  int32_t LevelFor(double span) const;

  // Walks the blocks of the nodes [x0, x1] x [y0, y1] from level `top` down, most promising first,
  // skipping those whose bound(level, bx, by, best) is not above `best`; leaf(x, y, bound, best)
  // takes a single node that passed and may raise `best`.
  template <class Bound, class Leaf>
  double BranchAndBound(int32_t top, int32_t x0, int32_t x1, int32_t y0, int32_t y1, double best, const Bound& bound,
                        const Leaf& leaf) const;
  // RowBranchAndBound over every node within reach of the row's centres first ... last.
  template <class Bounds, class Best, class Leaf>
  void RowSearch(bool alongX, int32_t first, int32_t last, double across, uint32_t all, const Bounds& bounds,
                 const Best& best, const Leaf& leaf) const;
  template <class Lift>
  double Tip(const Lift& lift, Cursor& cursor, double cx, double cy) const;
  // Up to kBatch neighbouring centres of a row at once: their tips (steps) into `tips`, or the
  // rises (steps) of the moves between them given their tips.
  template <class Lift>
  void RowTipBatch(const Lift& lift, Cursor& cursor, bool alongX, int32_t first, double across, int32_t count,
                   double* tips) const;
  template <class Lift>
  void RowMoveBatch(const Lift& lift, Cursor& cursor, bool alongX, int32_t first, double across, int32_t count,
                    const double* tips, double* rises) const;
  template <class Lift>
  double Move(const Lift& lift, Cursor& cursor, double ax, double ay, double ca, double bx, double by,
              double cb) const;
  // A bound on the lift's bending (see TorusLift::Bend) between the squared distances near2 and far2.
  template <class Lift>
  double BendBound(const Lift& lift, double near2, double far2) const;
  // How far node (px, py) stands above the tool at worst along the move (in steps), or any value
  // not above `floor` when it stays at or below `floor`.
  template <class Lift>
  double MoveExcess(const Lift& lift, int32_t px, int32_t py, double ax, double ay, double ca, double bx,
                    double by, double cb, double floor) const;

  ToolProfile profile_;
  double step_ = 1.0;
  double invStep_ = 1.0;
  double stock_ = 0.0;
  double reach2_ = 0.0;  // negative when no node is ever in reach
  size_t maxTableEntries_ = 0;
  int32_t columns_ = 0;  // the readable grid
  int32_t rows_ = 0;
  const float* nodes_ = nullptr;  // the grid's heights, column by column
  size_t stride_ = 0;             // the grid's rows per column
  std::vector<Level> levels_;     // level k: blocks of 2^k x 2^k nodes; [0] stays empty
  std::vector<double> torusBend_;  // [k]: the torus's bending bound out to the squared distance k
  std::vector<int32_t> widths_;   // blocks across and up each level (level 0: the grid's nodes)
  std::vector<int32_t> heights_;
};

// The single nearest z that is not below it: tips are kept as singles and must never stand a hair
// lower than the tool needs.
float UpToSingle(double z);
// z + up, likewise.
float RaisedSingle(float z, double up);

}  // namespace machining
