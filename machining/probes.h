// Tool-shape probes: for one node of the height grid, how high the tool tip must stand so that no
// grid node within the tool's reach stands above the tool's surface (the relief plus the stock to
// leave, the stock grown onto the tool).
//
// Use:
//   machining::ProbeParams params;                 // filled by Calculate from the tool window and
//   params.tool = shape;                           // the relief model (MakeProbeParams does it)
//   machining::ToolProbe probe(params);            // validates, raises ToolShapeError
//   for each node: machining::ToolCompensatedZ(probe, grid, column, row, z);
//
// Work is in grid-step units. The tip over node (ix, iy) of height h is the highest of
// (node height - lift at the node's exact distance from (ix, iy)) over every node within the reach
// (R + e) / d, and never below h; the stock to leave is added once at the end. Nodes beyond the
// border read as the border node they clamp to (they never decide: the clamped node is as high and
// nearer). A probe call allocates nothing. It visits the whole footprint; the toolpath asks a
// CompensationGrid, which gives the same heights much faster.
#pragma once

#include <cstdint>

#include "machining/height_grid.h"
#include "machining/tool_profile.h"
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
  // The tool's lift over its reach, in grid steps, stock included.
  const ToolProfile& Profile() const { return profile_; }
  // Columns and rows the probe reads: the params' bounds limited to the grid's size.
  int32_t ReadableColumns(const HeightGrid& grid) const;
  int32_t ReadableRows(const HeightGrid& grid) const;

  // The compensated tip Z in drawing units for node (ix, iy) whose own height is h. The named
  // probes below all come here.
  float Probe(const HeightGrid& grid, int32_t ix, int32_t iy, float h) const;

 private:
  ProbeParams params_;
  ToolProfile profile_;
};

// The probes by shape; `tool` must have been prepared for that shape (the dispatch below picks it).
float ProbeFlat(const ToolProbe& tool, const HeightGrid& grid, int32_t ix, int32_t iy, float h);
float ProbeBullNose(const ToolProbe& tool, const HeightGrid& grid, int32_t ix, int32_t iy, float h);
float ProbeSpherical(const ToolProbe& tool, const HeightGrid& grid, int32_t ix, int32_t iy, float h);
float ProbeConicalSpherical(const ToolProbe& tool, const HeightGrid& grid, int32_t ix, int32_t iy, float h);
float ProbeConicalFlat(const ToolProbe& tool, const HeightGrid& grid, int32_t ix, int32_t iy, float h);

// Stores the compensated Z of node (column, row) in z, by the tool's type: 0 flat, 1 bull-nose,
// 2 spherical, 3 conical flat, 5 conical spherical. Drill, Undefined (and a node outside the grid)
// leave z as it stands.
void ToolCompensatedZ(const ToolProbe& tool, const HeightGrid& grid, int32_t column, int32_t row, float& z);

}  // namespace machining
