#include "machining/passes.h"

#include <gtest/gtest.h>

#include <cmath>

#include "machining/probes.h"
#include "machining/relief_model.h"
#include "tool_reference.h"

namespace machining {
namespace {

ReliefModel MakeRelief(int columns, int rows, float step, float fill) {
  ReliefModel relief;
  relief.columns = columns;
  relief.rows = rows;
  relief.columnBound = static_cast<uint16_t>(columns);
  relief.gridStep = step;
  relief.unitsPerPixel = step;
  relief.width = (columns - 1) * step;
  relief.height = (rows - 1) * step;
  relief.grid.Resize(columns, rows, fill);
  return relief;
}

ToolProbe MakeProbe(const ReliefModel& relief, int32_t type, double diameter = 0.0) {
  ToolShape shape;
  shape.toolType = type;
  shape.diameter = diameter;
  return ToolProbe(MakeProbeParams(shape, relief));
}

PassParameters Rows(float stepover, bool rows0 = true, bool rows90 = false) {
  PassParameters p;
  p.maxStepover = stepover;
  p.feedPlane = 2.0f;
  p.rows0 = rows0;
  p.rows90 = rows90;
  return p;
}

TEST(Passes, StepoverFitting) {
  FittedStepover fit = FitStepover(10.0f, 3.0f);
  EXPECT_EQ(fit.count, 4);
  EXPECT_EQ(fit.step, 2.5f);
  fit = FitStepover(10.0f, 2.5f);
  EXPECT_EQ(fit.count, 4);
  EXPECT_EQ(fit.step, 2.5f);
  fit = FitStepover(10.0f, 25.0f);
  EXPECT_EQ(fit.count, 1) << "a stepover beyond the extent is capped";
  EXPECT_EQ(fit.step, 10.0f);
  EXPECT_THROW(FitStepover(0.0f, 1.0f), PassError);
  EXPECT_THROW(FitStepover(10.0f, 0.0f), PassError);
  EXPECT_THROW(FitStepover(10.0f, -1.0f), PassError);
  EXPECT_THROW(FitStepover(10.0f, NAN), PassError);
  EXPECT_THROW(FitStepover(1e6f, 1e-6f), PassError) << "a toolpath of 1e12 rows is refused";
}

TEST(Passes, RefusesGridsThatCannotMakeAToolpath) {
  for (auto [columns, rows] : {std::pair{1, 10}, std::pair{10, 1}}) {
    ReliefModel relief = MakeRelief(columns, rows, 1.0f, 0.0f);
    ToolProbe probe = MakeProbe(relief, kToolFlat);
    EXPECT_THROW(BuildPasses(relief, probe, Rows(1.0f)), PassError) << columns << " x " << rows;
  }
  ReliefModel relief = MakeRelief(4, 4, 1.0f, 0.0f);
  ToolProbe probe = MakeProbe(relief, kToolFlat);
  relief.grid.At(2, 1) = NAN;
  EXPECT_THROW(BuildPasses(relief, probe, Rows(1.0f)), PassError);
  relief.grid.At(2, 1) = INFINITY;
  EXPECT_THROW(BuildPasses(relief, probe, Rows(1.0f)), PassError);
  relief.grid.At(2, 1) = 0.0f;
  EXPECT_THROW(BuildPasses(relief, probe, Rows(0.0f)), PassError);
  relief.grid.Resize(3, 4, 0.0f);
  EXPECT_THROW(BuildPasses(relief, probe, Rows(1.0f)), PassError) << "grid smaller than the picture";
}

TEST(Passes, ZeroDegreeRowsAndLinks) {
  // Extent 10 along Y with stepover 3: rows at 0, 2.5, 5, 7.5 and 10, linked along the border.
  ReliefModel relief = MakeRelief(3, 11, 1.0f, -1.0f);
  relief.gridOriginX = 100.0f;
  relief.gridOriginY = 50.0f;
  ToolProbe probe = MakeProbe(relief, kToolFlat);
  PassList list = BuildPasses(relief, probe, Rows(3.0f));
  EXPECT_EQ(list.alongY.count, 4);
  EXPECT_EQ(list.alongY.step, 2.5f);
  EXPECT_EQ(list.alongX.count, 1);  // extent 2 along X, stepover capped to 2
  ASSERT_EQ(list.passes.size(), 9u);

  const double rowY[] = {0, 2.5, 5, 7.5, 10};
  for (int r = 0; r < 5; ++r) {
    const Pass& row = list.passes[2 * r];
    ASSERT_EQ(row.size(), 3u) << "row " << r;
    bool forward = r % 2 == 0;
    for (int j = 0; j < 3; ++j) {
      EXPECT_EQ(row[j].x, 100.0 + (forward ? j : 2 - j)) << "row " << r;
      EXPECT_EQ(row[j].y, 50.0 + rowY[r]) << "row " << r;
      EXPECT_EQ(row[j].z, -1.0) << "flat relief, flat tool";
    }
  }
  // Links: grid rows after the previous row up to the next one, the last point on the next row.
  auto linkYs = [&](size_t index) {
    std::vector<double> ys;
    for (const PassPoint& p : list.passes[index]) ys.push_back(p.y - 50.0);
    return ys;
  };
  EXPECT_EQ(linkYs(1), (std::vector<double>{1, 2.5}));   // at the last column
  EXPECT_EQ(linkYs(3), (std::vector<double>{3, 4, 5}));  // at column 0
  EXPECT_EQ(linkYs(5), (std::vector<double>{6, 7, 7.5}));
  EXPECT_EQ(linkYs(7), (std::vector<double>{9, 10}));
  EXPECT_EQ(list.passes[1][0].x, 102.0);
  EXPECT_EQ(list.passes[3][0].x, 100.0);
}

TEST(Passes, WideStepoverAndCloseRows) {
  // Stepover beyond the extent: a row at each end, one link along the whole border between them.
  ReliefModel relief = MakeRelief(4, 11, 1.0f, 0.0f);
  ToolProbe probe = MakeProbe(relief, kToolFlat);
  PassList list = BuildPasses(relief, probe, Rows(20.0f));
  ASSERT_EQ(list.passes.size(), 3u);
  EXPECT_EQ(list.passes[0].front().y, 0.0);
  EXPECT_EQ(list.passes[1].size(), 10u);
  EXPECT_EQ(list.passes[2].front().y, 10.0);
  EXPECT_EQ(list.passes[2].front().x, 3.0);

  // Rows one grid row apart: no links; each row starts where the previous one ended.
  ReliefModel close = MakeRelief(4, 5, 0.5f, 0.0f);
  ToolProbe closeProbe = MakeProbe(close, kToolFlat);
  list = BuildPasses(close, closeProbe, Rows(0.5f));
  ASSERT_EQ(list.passes.size(), 5u);
  for (size_t n = 1; n < list.passes.size(); ++n) {
    EXPECT_EQ(list.passes[n].size(), 4u);
    EXPECT_EQ(list.passes[n].front().x, list.passes[n - 1].back().x);
    EXPECT_EQ(list.passes[n].front().y - list.passes[n - 1].back().y, 0.5);
  }
  // Closer than one grid row: still no links.
  list = BuildPasses(close, closeProbe, Rows(0.2f));
  EXPECT_EQ(list.alongY.count, 10);
  EXPECT_EQ(list.passes.size(), 11u);
}

TEST(Passes, DrillAndUndefinedToolsRunAtTheFeedPlane) {
  ReliefModel relief = MakeRelief(5, 9, 1.0f, 0.0f);
  for (int c = 0; c < 5; ++c)
    for (int r = 0; r < 9; ++r) relief.grid.At(c, r) = -0.25f * ((c * 7 + r * 3) % 5);
  for (int32_t type : {kToolDrill, kToolUndefined}) {
    ToolProbe probe = MakeProbe(relief, type, 3.0);
    PassList list = BuildPasses(relief, probe, Rows(3.0f, true, true));
    size_t links = 0;
    for (const Pass& pass : list.passes) {
      links += pass.size() != 5 && pass.size() != 9;
      for (const PassPoint& p : pass) EXPECT_EQ(p.z, 2.0) << "type " << type;
    }
    EXPECT_GT(links, 0u) << "links are made and run at the feed plane too";
  }
  // A probing tool does follow the relief.
  ToolProbe flat = MakeProbe(relief, kToolFlat);
  PassList list = BuildPasses(relief, flat, Rows(3.0f));
  EXPECT_EQ(list.passes[0][1].z, relief.grid.At(1, 0));
}

TEST(Passes, RowsBetweenGridRowsTakeTheTipWhereTheToolStands) {
  // Stepover 2.5 steps: rows at 0, 2.5, 5, ... The relief climbs along Y only, so along a row no
  // move needs to rise, and a row halfway between grid rows needs a tip between those of its
  // neighbours. (The rows' end points may rise for the moves along the border.)
  ReliefModel relief = MakeRelief(13, 11, 1.0f, 0.0f);
  for (int c = 0; c < 13; ++c)
    for (int r = 0; r < 11; ++r) relief.grid.At(c, r) = 0.3f * r;
  for (const ToolShape& tool : {reference::Shape(kToolSpherical, 5.0), reference::Shape(kToolConicalFlat, 5.0, 0, 1, 30)}) {
    const ToolProbe probe(MakeProbeParams(tool, relief));
    const PassList list = BuildPasses(relief, probe, Rows(2.5f));
    int checked = 0;
    for (const Pass& pass : list.passes) {
      if (pass.size() != 13u) continue;  // links
      for (size_t n = 1; n + 1 < pass.size(); ++n) {
        const PassPoint& p = pass[n];
        const double want = reference::Tip(relief.grid, 13, 11, tool, 1.0, 0.0, p.x, p.y);
        EXPECT_TRUE(reference::SameTip(static_cast<float>(p.z), want, 1.0))
            << "type " << tool.toolType << " at " << p.x << "," << p.y << ": " << p.z << " for " << want;
        ++checked;
      }
    }
    EXPECT_EQ(checked, 5 * 11);
    // Not the tip over grid row 2, the row the pass is numbered with; no higher than over row 3.
    const PassPoint& mid = list.passes[2][6];
    ASSERT_EQ(mid.y, 2.5);
    EXPECT_GT(mid.z, reference::Tip(relief.grid, 13, 11, tool, 1.0, 0.0, mid.x, 2.0) + 0.1);
    EXPECT_LE(mid.z, reference::Tip(relief.grid, 13, 11, tool, 1.0, 0.0, mid.x, 3.0) + 1e-6);
  }
}

TEST(Passes, NinetyDegreeRowsFollowTheZeroDegreeRows) {
  ReliefModel relief = MakeRelief(11, 3, 1.0f, 0.0f);
  ToolProbe probe = MakeProbe(relief, kToolFlat);
  PassList both = BuildPasses(relief, probe, Rows(3.0f, true, true));
  PassList only0 = BuildPasses(relief, probe, Rows(3.0f, true, false));
  PassList only90 = BuildPasses(relief, probe, Rows(3.0f, false, true));
  ASSERT_EQ(both.passes.size(), only0.passes.size() + only90.passes.size());
  EXPECT_EQ(only0.passes.size(), 3u);  // extent 2 along Y: rows at 0 and 2 with one link
  // 90 degree rows along Y at X = 0, 2.5, 5, 7.5, 10, linked along rows 0 and rows - 1.
  ASSERT_EQ(only90.passes.size(), 9u);
  for (size_t n = 0; n < only90.passes.size(); ++n) {
    const Pass& pass = both.passes[only0.passes.size() + n];
    ASSERT_EQ(pass.size(), only90.passes[n].size());
    EXPECT_EQ(pass.front().x, only90.passes[n].front().x);
    EXPECT_EQ(pass.front().y, only90.passes[n].front().y);
  }
  const Pass& first = only90.passes[0];
  ASSERT_EQ(first.size(), 3u);
  EXPECT_EQ(first[0].x, 0.0);
  EXPECT_EQ(first[0].y, 0.0);
  EXPECT_EQ(first[2].y, 2.0);
  const Pass& link = only90.passes[1];  // along the top row
  ASSERT_EQ(link.size(), 2u);
  EXPECT_EQ(link[0].x, 1.0);
  EXPECT_EQ(link[1].x, 2.5);
  EXPECT_EQ(link[1].y, 2.0);
  EXPECT_EQ(only90.passes[2].front().x, 2.5);
  EXPECT_EQ(only90.passes[2].back().y, 0.0);
  EXPECT_EQ(only90.passes[8].front().x, 10.0);
}

TEST(Passes, LastRowKeptWhenTheExtentRoundsAboveThePictureSize) {
  // A 40 x 30 picture 40 units wide: the grid step is a single, and 39 steps make slightly more
  // than the stored width, so (i + 1) x sX > width on the last half-row.
  ReliefModel relief = MakeRelief(40, 30, 40.0f / 39.0f, 0.0f);
  relief.width = 40.0f;
  relief.height = 30.0f;
  ToolProbe probe = MakeProbe(relief, kToolFlat);
  PassParameters params = Rows(1.0f, false, true);
  PassList list = BuildPasses(relief, probe, params);
  const FittedStepover fit = list.alongX;
  ASSERT_EQ(fit.count % 2, 1) << "the last row must be a second half-row for this case";
  ASSERT_GT(static_cast<double>(fit.count) * fit.step, static_cast<double>(relief.width))
      << "the literal test would drop the last row";
  float lastX = -1.0f;
  for (const Pass& pass : list.passes)
    if (pass.size() == 30u) lastX = std::max(lastX, static_cast<float>(pass.front().x));
  EXPECT_FLOAT_EQ(lastX, fit.count * fit.step);
  EXPECT_NEAR(lastX, 39.0f * relief.gridStep, 1e-4);
  size_t rows = 0;
  for (const Pass& pass : list.passes) rows += pass.size() == 30u;
  EXPECT_EQ(rows, static_cast<size_t>(fit.count) + 1);
}

TEST(Passes, ZNoCutKeepsTheRunsThatDiffer) {
  ReliefModel relief = MakeRelief(7, 2, 1.0f, -1.0f);
  ToolProbe probe = MakeProbe(relief, kToolFlat);
  PassParameters params = Rows(1.0f);
  params.zNoCut = true;
  params.zNoCutHeight = -1.0f;
  params.zNoCutTolerance = 0.1f;
  EXPECT_TRUE(BuildPasses(relief, probe, params).passes.empty()) << "every node within tz of zp";

  // One cut node in the middle of the bottom row: previous node, cut node, next node.
  relief.grid.At(3, 0) = -3.0f;
  PassList list = BuildPasses(relief, probe, params);
  ASSERT_EQ(list.passes.size(), 1u);
  ASSERT_EQ(list.passes[0].size(), 3u);
  EXPECT_EQ(list.passes[0][0].x, 2.0);
  EXPECT_EQ(list.passes[0][1].x, 3.0);
  EXPECT_EQ(list.passes[0][1].z, -3.0);
  EXPECT_EQ(list.passes[0][2].x, 4.0);
  EXPECT_EQ(list.passes[0][2].z, -1.0);

  // A run from the row's first node to its end: no leading node, closed with a repeat of the last.
  for (int c = 0; c < 7; ++c) relief.grid.At(c, 1) = -2.0f;
  list = BuildPasses(relief, probe, params);
  ASSERT_EQ(list.passes.size(), 2u);
  const Pass& back = list.passes[1];  // the backward row at the top
  ASSERT_EQ(back.size(), 8u);
  EXPECT_EQ(back[0].x, 6.0);
  EXPECT_EQ(back[6].x, 0.0);
  EXPECT_EQ(back[7].x, 0.0);
  for (const PassPoint& p : back) EXPECT_EQ(p.y, 1.0);
}

TEST(Passes, ProgressAdvancesEveryTwentiethOfTheRows) {
  ReliefModel relief = MakeRelief(3, 41, 1.0f, 0.0f);
  ToolProbe probe = MakeProbe(relief, kToolFlat);
  std::vector<int> positions;
  ProgressCounter progress([&](int position) { positions.push_back(position); });
  // 40 rows: divisor 2, so every even i (0 .. 40) advances: 21 steps of 10 after the start at 0.
  BuildPasses(relief, probe, Rows(1.0f), &progress);
  ASSERT_EQ(positions.size(), 22u);
  EXPECT_EQ(positions.front(), 0);
  EXPECT_EQ(positions.back(), 210);
  // 10 rows: divisor 1; i = 0, 2, ..., 10.
  positions.clear();
  BuildPasses(relief, probe, Rows(4.0f), &progress);
  EXPECT_EQ(positions, (std::vector<int>{0, 10, 20, 30, 40, 50, 60}));
}

}  // namespace
}  // namespace machining
