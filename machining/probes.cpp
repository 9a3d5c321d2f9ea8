#include "machining/probes.h"

#include <algorithm>
#include <cassert>
#include <cmath>

#include "lang/lang.h"
#include "machining/compensation_grid.h"
#include "machining/relief_model.h"

namespace machining {

ProbeParams MakeProbeParams(const ToolShape& tool, const ReliefModel& relief) {
  ProbeParams p;
  p.tool = tool;
  p.gridStep = relief.gridStep;
  p.stockToLeave = relief.stockToLeave;
  p.columnBound = relief.columnBound;
  p.rows = relief.rows;
  return p;
}

ToolProbe::ToolProbe(const ProbeParams& params) : params_(params) {
  ValidateToolShape(params.tool);
  if (!std::isfinite(params.gridStep) || params.gridStep <= 0.0f)
    throw ToolShapeError(lang::LangStringOr("1248", "The grid step must be greater than 0: apply the relief size first."));
  if (!std::isfinite(params.stockToLeave)) throw ToolShapeError(lang::LangStringOr("1249", "The stock to leave is not a number."));
  profile_ = MakeToolProfile(params.tool, params.gridStep, params.stockToLeave);
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

int32_t ToolProbe::ReadableColumns(const HeightGrid& grid) const {
  return std::max(0, std::min(params_.columnBound, grid.Columns()));
}

int32_t ToolProbe::ReadableRows(const HeightGrid& grid) const {
  return std::max(0, std::min(params_.rows, grid.Rows()));
}

float ToolProbe::Probe(const HeightGrid& grid, int32_t ix, int32_t iy, float h) const {
  const double d = params_.gridStep;
  const double e = params_.stockToLeave;
  double m = static_cast<double>(h) / d;
  const int32_t columns = ReadableColumns(grid);
  const int32_t rows = ReadableRows(grid);
  const double reach = profile_.reach;
  if (columns == 0 || rows == 0 || !(reach >= 0.0)) return UpToSingle(m * d + e);
  // Only nodes on the grid: a node beyond the border reads its clamped node, which is as high and,
  // the centre being on the grid, no farther.
  // Reach beyond the grid's own extent reads no further node, and keeps the conversions in range.
  const double extent = static_cast<double>(columns) + rows;
  const auto span = static_cast<int64_t>(std::min(std::floor(reach), extent));
  const int64_t x0 = std::max<int64_t>(0, ix - span), x1 = std::min<int64_t>(columns - 1, ix + span);
  for (int64_t x = x0; x <= x1; ++x) {
    const double dx = static_cast<double>(x - ix);
    const auto half =
        static_cast<int64_t>(std::min(std::floor(std::sqrt(std::max(0.0, reach * reach - dx * dx))), extent));
    const int64_t y0 = std::max<int64_t>(0, iy - half), y1 = std::min<int64_t>(rows - 1, iy + half);
    const float* column = grid.Column(static_cast<int>(x));
    for (int64_t y = y0; y <= y1; ++y) {
      const double dy = static_cast<double>(y - iy);
      const double rho = std::sqrt(dx * dx + dy * dy);
      if (rho > reach) continue;
      m = std::max(m, static_cast<double>(column[y]) / d - profile_.Lift(rho));
    }
  }
  return UpToSingle(m * d + e);
}

float ProbeFlat(const ToolProbe& tool, const HeightGrid& grid, int32_t ix, int32_t iy, float h) {
  assert(tool.Type() == kToolFlat);
  return tool.Probe(grid, ix, iy, h);
}

float ProbeBullNose(const ToolProbe& tool, const HeightGrid& grid, int32_t ix, int32_t iy, float h) {
  assert(tool.Type() == kToolBullNose);
  return tool.Probe(grid, ix, iy, h);
}

float ProbeSpherical(const ToolProbe& tool, const HeightGrid& grid, int32_t ix, int32_t iy, float h) {
  assert(tool.Type() == kToolSpherical);
  return tool.Probe(grid, ix, iy, h);
}

float ProbeConicalSpherical(const ToolProbe& tool, const HeightGrid& grid, int32_t ix, int32_t iy, float h) {
  assert(tool.Type() == kToolConicalSpherical);
  return tool.Probe(grid, ix, iy, h);
}

float ProbeConicalFlat(const ToolProbe& tool, const HeightGrid& grid, int32_t ix, int32_t iy, float h) {
  assert(tool.Type() == kToolConicalFlat);
  return tool.Probe(grid, ix, iy, h);
}

void ToolCompensatedZ(const ToolProbe& tool, const HeightGrid& grid, int32_t column, int32_t row, float& z) {
  if (column < 0 || row < 0 || column >= tool.ReadableColumns(grid) || row >= tool.ReadableRows(grid)) return;
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
