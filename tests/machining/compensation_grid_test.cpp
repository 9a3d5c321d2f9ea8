#include "machining/compensation_grid.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "machining/probes.h"
#include "tool_reference.h"

namespace machining {
namespace {

using reference::Params;
using reference::Shape;

struct Case {
  ToolShape tool;
  float step;
  float stock;
};

std::vector<Case> Cases() {
  return {{Shape(kToolFlat, 2.0), 0.2f, 0.0f},
          {Shape(kToolFlat, 1.3), 0.25f, 0.05f},
          {Shape(kToolBullNose, 3.0, 0.5), 0.25f, 0.0f},
          {Shape(kToolSpherical, 2.2), 0.2f, 0.0f},
          {Shape(kToolSpherical, 3.0), 0.25f, 0.1f},
          {Shape(kToolConicalFlat, 3.0, 0, 0.5, 30), 0.2f, 0.0f},
          {Shape(kToolConicalFlat, 4.0, 0, 1.0, 15), 0.5f, 0.05f},
          {Shape(kToolConicalSpherical, 3.0, 0, 0.8, 30), 0.2f, 0.0f},
          {Shape(kToolConicalSpherical, 2.0, 0, 0.5, 10), 0.25f, 0.05f}};
}

std::string Describe(const Case& c, size_t table) {
  return "type " + std::to_string(c.tool.toolType) + " diameter " + std::to_string(c.tool.diameter) + " step " +
         std::to_string(c.step) + " stock " + std::to_string(c.stock) + (table ? "" : " without table");
}

TEST(CompensationGrid, TipsEqualTheLoopOverTheFootprintAtAnyCentre) {
  // Rows along X and Y on whole and fractional positions (half a step included, where the nearest
  // node is a tie), odd starts and lengths, and single centres anywhere, with and without the
  // cursor's lift table.
  const HeightGrid grid = reference::RandomGrid(41, 33, 4242, -2.0f, 0.0f);
  const int columns = grid.Columns(), rows = grid.Rows();
  for (const Case& c : Cases()) {
    const ToolProbe probe(Params(c.tool, grid, c.step, c.stock));
    for (size_t table : {CompensationGrid::kMaxTableEntries, size_t{0}}) {
      const CompensationGrid field(probe, grid, table);
      CompensationGrid::Cursor cursor(field);
      int checked = 0, wrong = 0;
      auto check = [&](float got, double x, double y) {
        ++checked;
        if (!reference::SameTip(got, reference::Tip(grid, columns, rows, c.tool, c.step, c.stock, x, y), c.step))
          ++wrong;
      };
      std::vector<float> z(static_cast<size_t>(std::max(columns, rows)));
      for (double across : {0.0, 3.0, 3.5, 7.3, 16.0, 31.6, 32.0}) {
        cursor.RowTips(true, 0, across, columns, z.data());
        for (int x = 0; x < columns; ++x) check(z[x], x, across);
        cursor.RowTips(false, 0, across, rows, z.data());
        for (int y = 0; y < rows; ++y) check(z[y], across, y);
      }
      cursor.RowTips(true, 5, 12.25, 21, z.data());
      for (int i = 0; i < 21; ++i) check(z[i], 5 + i, 12.25);
      uint32_t seed = 99;
      for (int i = 0; i < 300; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const double x = (seed >> 8) % 4001 / 100.0;
        seed = seed * 1664525u + 1013904223u;
        const double y = (seed >> 8) % 3201 / 100.0;
        check(cursor.TipAt(x, y), x, y);
      }
      EXPECT_EQ(wrong, 0) << Describe(c, table) << " (" << checked << " centres)";
    }
  }
}

// How far, in drawing units, the highest real node stands above the tool at worst along the move
// from (ax, ay, az) to (bx, by, bz) (grid steps, drawing units), sampled finely; negative when clear.
double SampledExcess(const HeightGrid& grid, const Case& c, double ax, double ay, double az, double bx, double by,
                     double bz, int samples) {
  const double reach = reference::Reach(c.tool, c.step, c.stock);
  double worst = -INFINITY;
  for (int i = 0; i <= samples; ++i) {
    const double t = static_cast<double>(i) / samples;
    const double cx = ax + t * (bx - ax), cy = ay + t * (by - ay), cz = az + t * (bz - az);
    for (int x = std::max(0, static_cast<int>(cx - reach)); x <= std::min(grid.Columns() - 1, static_cast<int>(cx + reach) + 1); ++x)
      for (int y = std::max(0, static_cast<int>(cy - reach)); y <= std::min(grid.Rows() - 1, static_cast<int>(cy + reach) + 1); ++y) {
        const double rho = std::hypot(x - cx, y - cy);
        if (rho > reach) continue;
        const double surface = cz + reference::Lift(c.tool, c.step, c.stock, rho) * c.step;
        worst = std::max(worst, static_cast<double>(grid.At(x, y)) + c.stock - surface);
      }
  }
  return worst;
}

TEST(CompensationGrid, MovesRiseJustEnoughToClearEveryNode) {
  // Moves between tips on a relief of steps and single-node spikes (where a tool's rim meets a wall
  // part way along a move) and on noise: along rows (whole and fractional), diagonal and long. After
  // the rise no node stands above the tool anywhere along the move, and the rise is no larger than
  // what the finest sampling finds.
  HeightGrid grid = reference::RandomGrid(30, 26, 7, -0.6f, -0.4f);
  for (int x = 0; x < 30; ++x)
    for (int y = 14; y < 26; ++y) grid.At(x, y) -= 1.5f;  // a step down across the grid
  grid.At(8, 6) = 0.8f;  // spikes
  grid.At(21, 9) = 0.5f;
  grid.At(12, 20) = 0.2f;
  struct Move {
    double ax, ay, bx, by;
  };
  std::vector<Move> moves;
  for (int x = 0; x + 1 < 30; x += 3) moves.push_back({double(x), 6.5, x + 1.0, 6.5});
  for (int x = 0; x + 1 < 30; x += 2) moves.push_back({double(x), 13.0, x + 1.0, 13.0});
  for (int y = 0; y + 1 < 26; y += 2) moves.push_back({8.0, double(y), 8.0, y + 1.0});
  for (int y = 0; y + 1 < 26; y += 3) moves.push_back({21.3, double(y), 21.3, y + 1.0});
  moves.push_back({2.0, 2.0, 9.5, 11.0});
  moves.push_back({25.0, 3.0, 10.0, 22.0});
  moves.push_back({14.0, 12.4, 14.0, 15.1});
  moves.push_back({5.0, 5.0, 5.0, 5.0});
  for (const Case& c : Cases()) {
    const ToolProbe probe(Params(c.tool, grid, c.step, c.stock));
    const CompensationGrid field(probe, grid), plain(probe, grid, 0);
    CompensationGrid::Cursor cursor(field), plainCursor(plain);
    int raised = 0;
    for (const Move& m : moves) {
      const float az = cursor.TipAt(m.ax, m.ay), bz = cursor.TipAt(m.bx, m.by);
      const double up = cursor.MoveRaise(m.ax, m.ay, az, m.bx, m.by, bz);
      const std::string what = Describe(c, 1) + " move " + std::to_string(m.ax) + "," + std::to_string(m.ay) +
                               " to " + std::to_string(m.bx) + "," + std::to_string(m.by);
      EXPECT_NEAR(plainCursor.MoveRaise(m.ax, m.ay, az, m.bx, m.by, bz), up, 1e-12) << what << " without table";
      const int samples = 200 * static_cast<int>(std::ceil(std::hypot(m.bx - m.ax, m.by - m.ay)) + 1);
      const double after = SampledExcess(grid, c, m.ax, m.ay, az + up, m.bx, m.by, bz + up, samples);
      EXPECT_GE(up, 0.0) << what;
      EXPECT_LE(after, 1e-9) << what << " rise " << up;
      // The sampling's own peak lies at most 0.02 steps below the true one on these moves.
      EXPECT_GE(after + up, 0.9 * up - 0.02 * c.step) << what << " rise " << up << " beyond what sampling finds";
      raised += up > 0.0;
    }
    EXPECT_GT(raised, 0) << Describe(c, 1) << ": the steps and spikes must make some move rise";
  }
}

TEST(CompensationGrid, ClearRowRaisesEachPointByTheLargerOfItsMoves) {
  HeightGrid grid = reference::RandomGrid(40, 20, 31, -1.0f, 0.0f);
  grid.At(20, 9) = 0.5f;
  for (const Case& c : Cases()) {
    const ToolProbe probe(Params(c.tool, grid, c.step, c.stock));
    const CompensationGrid field(probe, grid);
    CompensationGrid::Cursor cursor(field);
    for (const auto& [alongX, across, count] : {std::tuple{true, 9.4, 40}, std::tuple{false, 17.0, 20}}) {
      std::vector<float> z(static_cast<size_t>(count));
      cursor.RowTips(alongX, 0, across, count, z.data());
      std::vector<float> cleared(z);
      cursor.ClearRow(alongX, 0, across, count, cleared.data());
      std::vector<double> rise(static_cast<size_t>(count - 1));
      for (int j = 0; j + 1 < count; ++j)
        rise[j] = alongX ? cursor.MoveRaise(j, across, z[j], j + 1, across, z[j + 1])
                         : cursor.MoveRaise(across, j, z[j], across, j + 1, z[j + 1]);
      int raised = 0;
      for (int i = 0; i < count; ++i) {
        const double up = std::max(i > 0 ? rise[i - 1] : 0.0, i + 1 < count ? rise[i] : 0.0);
        EXPECT_NEAR(cleared[i], static_cast<double>(z[i]) + up, 1e-6) << Describe(c, 1) << " point " << i;
        EXPECT_GE(static_cast<double>(cleared[i]), static_cast<double>(z[i]) + up - 1e-9) << "rounded up, never down";
        raised += up > 0.0;
      }
      EXPECT_GT(raised, 0) << Describe(c, 1);
    }
  }
}

}  // namespace
}  // namespace machining
