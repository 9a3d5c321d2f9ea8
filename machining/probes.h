// Tool-shape probes: for one node of the height grid, how high the tool tip must stand so that no
// sampled part of the tool lies below the relief plus the stock to leave.
//
// Use:
//   machining::ProbeParams params;                 // filled by Calculate from the tool window and
//   params.tool = shape;                           // the relief model (MakeProbeParams does it)
//   machining::ToolProbe probe(params);            // validates, raises ToolShapeError; precomputes
//   for each node: machining::ToolCompensatedZ(probe, grid, column, row, z);
//
// ToolProbe is prepared once per Calculate (it allocates its sample tables then); every probe call
// afterwards allocates nothing and reads the grid directly. Work is in grid-step units: sample
// (rho, theta) reads node (Round(cos theta * rho + ix), Round(sin theta * rho + iy)), Round half to
// even, each index clamped into the grid; the tip rises to max(h, s - lift) over all samples and the
// stock to leave is added once at the end.
#pragma once

#include <cstdint>
#include <vector>

#include "machining/height_grid.h"
#include "machining/tool_shape.h"

namespace machining {

struct ReliefModel;

struct ProbeParams {
  ToolShape tool;
  float gridStep = 0.0f;      // d: distance between neighbouring nodes, drawing units, > 0
  float stockToLeave = 0.0f;  // e
  int32_t columnBound = 0;    // columns the probes may read (further limited to the grid's own size)
  int32_t rows = 0;           // rows the probes may read (likewise)
};

// Grid step, stock to leave, column bound and rows taken from the relief model.
ProbeParams MakeProbeParams(const ToolShape& tool, const ReliefModel& relief);

class ToolProbe {
 public:
  // Raises ToolShapeError for an unsound tool or a grid step that is not a positive finite number.
  explicit ToolProbe(const ProbeParams& params);

  const ProbeParams& Params() const { return params_; }
  int32_t Type() const { return params_.tool.toolType; }
  // False for "Drill" and "Undefined": no probe, the node's Z stays as the generator set it.
  bool HasProbe() const;

  // One ring of samples: lift in grid steps, and its sample offsets (cos theta * rho, sin theta * rho).
  struct Ring {
    double rho = 0.0;
    double lift = 0.0;
    int32_t first = 0;  // index into the offset tables
    int32_t count = 0;  // 120 (theta step pi/60) or 19 (theta step pi/9)
    // The first `whole` samples lie clear of a rounding tie, so for nodes away from the border they
    // read the node plus fixed whole-step offsets; the rest are rounded at every call.
    int32_t whole = 0;
  };
  const std::vector<Ring>& Rings() const { return rings_; }

  // The compensated tip Z in drawing units for node (ix, iy) whose own height is h, sampling the
  // prepared rings. The named probes below all come here.
  float Sample(const HeightGrid& grid, int32_t ix, int32_t iy, float h) const;

 private:
  void AddRing(double rho, double lift, bool fineAngles);

  ProbeParams params_;
  std::vector<Ring> rings_;
  std::vector<double> dx_;
  std::vector<double> dy_;
  std::vector<int32_t> dc_;  // Round(dx), Round(dy) where the ring has whole offsets
  std::vector<int32_t> dr_;
  int32_t reach_ = 0;        // largest whole offset in any direction
};

// The probes by shape; `tool` must have been prepared for that shape (the dispatch below picks it).
float ProbeFlat(const ToolProbe& tool, const HeightGrid& grid, int32_t ix, int32_t iy, float h);
float ProbeBullNose(const ToolProbe& tool, const HeightGrid& grid, int32_t ix, int32_t iy, float h);
float ProbeSpherical(const ToolProbe& tool, const HeightGrid& grid, int32_t ix, int32_t iy, float h);
float ProbeConicalSpherical(const ToolProbe& tool, const HeightGrid& grid, int32_t ix, int32_t iy, float h);
float ProbeConicalFlat(const ToolProbe& tool, const HeightGrid& grid, int32_t ix, int32_t iy, float h);

// Stores the compensated Z of node (column, row) in z, by the tool's type: 0 flat, 1 bull-nose,
// 2 spherical, 3 conical flat, 5 conical spherical. Drill, Undefined (and a node outside the grid)
// leave z as it stands. The generator's 0 degree rows, 90 degree rows and links all call this form
// with the node they are at.
void ToolCompensatedZ(const ToolProbe& tool, const HeightGrid& grid, int32_t column, int32_t row, float& z);

}  // namespace machining
