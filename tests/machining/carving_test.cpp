// The toolpath carved over the relief: Calculate's feed moves replayed with the exact tool shape over
// every grid node, to show the compensated path never cuts into the relief plus the stock (beyond the
// point reduction's tolerance).
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "machining/calculate.h"
#include "machining/nc_words.h"
#include "machining/relief_model.h"
#include "tool_reference.h"

namespace machining {
namespace {

using reference::Shape;

struct Move {
  bool rapid;
  double x, y, z;
};

ReliefModel Relief(const HeightGrid& grid, float step) {
  ReliefModel relief;
  relief.columns = grid.Columns();
  relief.rows = grid.Rows();
  relief.columnBound = static_cast<uint16_t>(grid.Columns());
  relief.gridStep = relief.unitsPerPixel = step;
  relief.width = (grid.Columns() - 1) * step;
  relief.height = (grid.Rows() - 1) * step;
  relief.gridOriginX = relief.originX = 10.0f;
  relief.gridOriginY = relief.originY = -5.0f;
  relief.grid = grid;
  return relief;
}

// The reliefs of the check: rough noise; a step down along a slanting edge; single-node spikes and
// grooves on a level floor.
std::vector<std::pair<std::string, HeightGrid>> Reliefs() {
  const int columns = 40, rows = 32;
  std::vector<std::pair<std::string, HeightGrid>> reliefs;
  reliefs.emplace_back("noise", reference::RandomGrid(columns, rows, 2024, -1.0f, 0.0f));
  HeightGrid step;
  step.Resize(columns, rows, 0.0f);
  for (int c = 0; c < columns; ++c)
    for (int r = 0; r < rows; ++r)
      if (2 * c + r > 50) step.At(c, r) = -1.5f;
  reliefs.emplace_back("step", step);
  HeightGrid spikes;
  spikes.Resize(columns, rows, -1.0f);
  for (auto [c, r] : {std::pair{7, 9}, std::pair{20, 16}, std::pair{31, 5}, std::pair{12, 27}}) spikes.At(c, r) = 0.0f;
  for (auto [c, r] : {std::pair{25, 24}, std::pair{5, 20}, std::pair{33, 12}}) spikes.At(c, r) = -2.0f;
  reliefs.emplace_back("spikes and grooves", spikes);
  return reliefs;
}

// How deep node (px, py, top) lies inside the tool whose tip stands at (x, y, z) (drawing units):
// its distance to the tool's surface, or 0 when outside. `lift` gives the tool's surface over its
// tip at a distance (drawing units), out to `radius`.
template <class Lift>
double Penetration(double rq, double zq, double z, double radius, const Lift& lift) {
  if (rq > radius || zq <= z + lift(rq)) return 0.0;
  double best = radius - rq;  // out through the side
  // In the meridian plane, the nearest point of the tool's lower outline: sample, then refine.
  const int samples = 2000;
  int at = 0;
  auto distance = [&](double r) { return std::hypot(r - rq, z + lift(r) - zq); };
  double nearest = INFINITY;
  for (int i = 0; i <= samples; ++i) {
    const double dist = distance(radius * i / samples);
    if (dist < nearest) nearest = dist, at = i;
  }
  double lo = radius * std::max(0, at - 1) / samples, hi = radius * std::min(samples, at + 1) / samples;
  for (int i = 0; i < 60; ++i) {
    const double a = lo + (hi - lo) / 3, b = hi - (hi - lo) / 3;
    if (distance(a) < distance(b)) hi = b; else lo = a;
  }
  return std::min({best, nearest, distance(0.5 * (lo + hi))});
}

struct Carving {
  double worst = 0.0;  // the deepest cut below the relief plus the stock (see Carve)
  std::string where;
  int touched = 0;  // distinct nodes the tool came within 1e-3 of
};

// Replays the feed moves, each sampled every quarter of a grid step, and measures every node under
// the tool. With `filter` 0 a node's cut is how far it lies below the tool's surface, unless it lies
// closer than that to the tool's side (a node at the very rim, where the written singles round the
// position); otherwise its distance inside the tool, which the reduction may make up to `filter`.
Carving Carve(const ReliefModel& relief, const ToolShape& tool, float stock, double filter,
              const std::vector<Move>& moves) {
  const double d = relief.gridStep;
  const double reach = reference::Reach(tool, d, stock);
  const double radius = reach * d;
  auto lift = [&](double r) { return reference::Lift(tool, d, stock, r / d) * d; };
  Carving carving;
  std::vector<char> touched(static_cast<size_t>(relief.columns) * relief.rows, 0);
  double x = 0, y = 0, z = 0;
  bool placed = false;
  for (const Move& m : moves) {
    if (!placed) x = m.x, y = m.y, z = m.z, placed = true;
    if (!m.rapid) {
      const double length = std::hypot(m.x - x, m.y - y);
      const int samples = static_cast<int>(std::ceil(length / (0.25 * d))) + 1;
      for (int i = 0; i <= samples; ++i) {
        const double t = static_cast<double>(i) / samples;
        const double tx = x + t * (m.x - x), ty = y + t * (m.y - y), tz = z + t * (m.z - z);
        const double cx = (tx - relief.gridOriginX) / d, cy = (ty - relief.gridOriginY) / d;
        for (int c = std::max(0, static_cast<int>(cx - reach)); c <= std::min(relief.columns - 1, static_cast<int>(cx + reach) + 1); ++c)
          for (int r = std::max(0, static_cast<int>(cy - reach)); r <= std::min(relief.rows - 1, static_cast<int>(cy + reach) + 1); ++r) {
            const double rq = std::hypot(c - cx, r - cy) * d;
            if (rq > radius) continue;
            const double top = static_cast<double>(relief.grid.At(c, r)) + stock;
            const double below = top - (tz + lift(rq));
            if (below > -1e-3) touched[static_cast<size_t>(c) * relief.rows + r] = 1;
            // The distance inside the tool is never more than the depth below its surface.
            if (below <= filter + 1e-4) continue;
            const double cut = filter == 0.0 ? std::min(below, radius - rq) : Penetration(rq, top, tz, radius, lift);
            if (cut > carving.worst) {
              carving.worst = cut;
              carving.where = "node " + std::to_string(c) + "," + std::to_string(r) + " under the tool at " +
                              std::to_string(tx) + "," + std::to_string(ty) + "," + std::to_string(tz);
            }
          }
      }
    }
    x = m.x, y = m.y, z = m.z;
  }
  for (char t : touched) carving.touched += t;
  return carving;
}

TEST(Carving, NoNodeIsCutBelowTheReliefPlusStock) {
  const std::vector<ToolShape> tools = {Shape(kToolFlat, 1.0), Shape(kToolBullNose, 1.0, 0.2), Shape(kToolSpherical, 1.0),
                                        Shape(kToolConicalFlat, 1.0, 0, 0.2, 30),
                                        Shape(kToolConicalSpherical, 1.0, 0, 0.2, 20)};
  const float d = 0.1f;
  for (const auto& [name, grid] : Reliefs()) {
    for (const ToolShape& tool : tools) {
      for (const char* stock : {"0", "0.1"}) {
        for (const char* filter : {"0", "0.025"}) {
          ReliefModel relief = Relief(grid, d);
          NcWriter writer;
          writer.postName = "iso";  // the built-in ISO words stand in for a post-processor file
          NcJob job;
          job.feedRateText = "1000";
          job.plungeRateText = "300";
          CalculateFields fields;
          fields.toolType = tool.toolType;
          fields.toolDiameter = "1";
          fields.cornerRadius = "0.2";
          fields.flatDiameter = "0.2";
          fields.taperAngle = tool.toolType == kToolConicalSpherical ? "20" : "30";
          fields.feedPlane = "2";
          fields.maxStepover = "0.25";  // two and a half steps: rows between grid rows
          fields.stockToLeave = stock;
          fields.filterTolerance = filter;
          fields.rows0 = fields.rows90 = true;
          std::vector<Move> moves;
          CalculateCallbacks callbacks;
          callbacks.drawMove = [&](bool rapid, float x, float y, float z) { moves.push_back({rapid, x, y, z}); };
          Calculate(fields, relief, writer, job, callbacks);
          const float e = std::stof(stock);
          const double tolerance = std::stod(filter);
          const Carving carving = Carve(relief, tool, e, tolerance, moves);
          const std::string what = name + ", type " + std::to_string(tool.toolType) + ", stock " + stock +
                                   ", filter " + filter;
          EXPECT_LE(carving.worst, tolerance + 1e-4) << what << ": " << carving.where;
          EXPECT_GT(carving.touched, 20) << what << ": the tool must follow the relief, not float above it";
        }
      }
    }
  }
}

}  // namespace
}  // namespace machining
