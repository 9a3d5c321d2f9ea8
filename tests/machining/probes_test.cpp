#include "machining/probes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "machining/relief_model.h"
#include "tool_reference.h"

namespace machining {
namespace {

using reference::Params;
using reference::Shape;

float Compensated(const ToolProbe& probe, const HeightGrid& grid, int ix, int iy) {
  float z = 7777.0f;
  ToolCompensatedZ(probe, grid, ix, iy, z);
  return z;
}

TEST(Probes, EqualToALoopOverTheWholeFootprint) {
  // Random grids, every shape at several sizes (whole, half and odd reaches, tools wider than the
  // grid), with and without stock: every node, borders and corners included.
  struct Case {
    ToolShape tool;
    float step;
  };
  const std::vector<Case> cases = {
      {Shape(kToolFlat, 2.0), 0.2f},         {Shape(kToolFlat, 3.0), 0.25f},
      {Shape(kToolFlat, 1.5), 0.5f},         {Shape(kToolBullNose, 3.0, 0.5), 0.2f},
      {Shape(kToolBullNose, 5.0, 2.5), 1.0f}, {Shape(kToolSpherical, 3.0), 0.25f},
      {Shape(kToolSpherical, 2.2), 0.1f},    {Shape(kToolSpherical, 40.0), 1.0f},
      {Shape(kToolConicalFlat, 3.0, 0, 0.5, 30), 0.2f}, {Shape(kToolConicalFlat, 6.0, 0, 0, 45), 1.0f},
      {Shape(kToolConicalFlat, 4.0, 0, 1.0, 15), 0.25f}, {Shape(kToolConicalSpherical, 3.0, 0, 0.5, 30), 0.2f},
      {Shape(kToolConicalSpherical, 5.0, 0, 2.0, 10), 0.5f}};
  const HeightGrid grid = reference::RandomGrid(37, 29, 12345, -3.0f, 0.0f);
  for (const Case& c : cases) {
    for (float e : {0.0f, 0.07f}) {
      const ToolProbe probe(Params(c.tool, grid, c.step, e));
      int mismatches = 0;
      for (int x = 0; x < grid.Columns(); ++x)
        for (int y = 0; y < grid.Rows(); ++y) {
          const double want = reference::Tip(grid, grid.Columns(), grid.Rows(), c.tool, c.step, e, x, y);
          if (!reference::SameTip(Compensated(probe, grid, x, y), want, c.step)) ++mismatches;
        }
      EXPECT_EQ(mismatches, 0) << "type " << c.tool.toolType << " diameter " << c.tool.diameter << " step "
                               << c.step << " stock " << e;
    }
  }
}

TEST(Probes, FlatGridGivesHeightPlusStockEverywhere) {
  const float H = -2.5f;
  HeightGrid grid;
  grid.Resize(40, 30, H);
  for (float e : {0.0f, 0.25f}) {
    for (const ToolShape& shape : reference::AllShapes()) {
      const ToolProbe probe(Params(shape, grid, 0.1f, e));
      for (auto [ix, iy] : {std::pair{20, 15}, std::pair{0, 0}, std::pair{39, 29}, std::pair{0, 29}}) {
        EXPECT_FLOAT_EQ(Compensated(probe, grid, ix, iy), H + e)
            << "type " << shape.toolType << " at " << ix << "," << iy << " e=" << e;
      }
    }
  }
}

TEST(Probes, BordersClampAndTheColumnBoundHolds) {
  // A 6 x 6 grid whose column bound stops at 4: columns 4 and 5 hold a wall the probes must not see.
  HeightGrid grid;
  grid.Resize(6, 6, 0.0f);
  for (int r = 0; r < 6; ++r) grid.At(4, r) = grid.At(5, r) = 100.0f;
  for (const ToolShape& shape : reference::AllShapes()) {
    ProbeParams p = Params(shape, grid, 1.0f);
    p.columnBound = 4;
    const ToolProbe probe(p);
    EXPECT_FLOAT_EQ(Compensated(probe, grid, 3, 5), 0.0f) << "type " << shape.toolType;
    EXPECT_FLOAT_EQ(Compensated(probe, grid, 0, 0), 0.0f) << "type " << shape.toolType;
    float z = -1.0f;
    ToolCompensatedZ(probe, grid, 4, 0, z);
    EXPECT_EQ(z, -1.0f) << "a node past the column bound is left alone";
    ToolCompensatedZ(probe, grid, -1, 2, z);
    EXPECT_EQ(z, -1.0f);
  }
  // At the corner a flat tool of radius 3 feels a raised border node two rows up, and the clamped
  // copies of it beyond the border (at the same height but farther) change nothing.
  grid.Resize(6, 6, 0.0f);
  grid.At(0, 2) = 5.0f;
  const ToolProbe flat(Params(Shape(kToolFlat, 6), grid, 1.0f));
  EXPECT_FLOAT_EQ(Compensated(flat, grid, 0, 0), 5.0f);
  EXPECT_FLOAT_EQ(Compensated(flat, grid, 3, 0), 0.0f) << "(0, 2) lies sqrt(13) away, beyond the reach of 3";
}

TEST(Probes, ZeroDiameterFlatToolReadsItsOwnNode) {
  HeightGrid grid;
  grid.Resize(5, 5, 3.0f);
  grid.At(2, 2) = -1.25f;
  const ToolProbe probe(Params(Shape(kToolFlat, 0), grid, 0.5f));
  EXPECT_FLOAT_EQ(ProbeFlat(probe, grid, 2, 2, grid.At(2, 2)), -1.25f);
  EXPECT_FLOAT_EQ(Compensated(probe, grid, 2, 2), -1.25f);
}

TEST(Probes, ASpikeLiftsEveryShapeByItsHeightLessTheLiftThere) {
  // One spike of height S on a floor at 0, at offsets along an axis, a diagonal and between: the
  // tool touches it exactly (S less the lift at its distance), or stays on the floor beyond reach.
  const float S = 4.0f, d = 0.5f;
  for (const ToolShape& shape : reference::AllShapes(10.0)) {
    for (float e : {0.0f, 0.3f}) {
      const double reach = reference::Reach(shape, d, e);
      for (auto [dx, dy] : {std::pair{5, 0}, std::pair{0, 7}, std::pair{6, 6}, std::pair{3, 9}, std::pair{10, 0},
                            std::pair{8, 7}, std::pair{1, 1}}) {
        HeightGrid grid;
        grid.Resize(40, 40, 0.0f);
        grid.At(15 + dx, 15 + dy) = S;
        const ToolProbe probe(Params(shape, grid, d, e));
        const double rho = std::hypot(dx, dy);
        const double want = rho <= reach ? std::max(0.0, S - reference::Lift(shape, d, e, rho) * d) + e : e;
        EXPECT_TRUE(reference::SameTip(Compensated(probe, grid, 15, 15), want, d))
            << "type " << shape.toolType << " offset " << dx << "," << dy << " stock " << e << ": "
            << Compensated(probe, grid, 15, 15) << " for " << want;
      }
    }
  }
}

TEST(Probes, UnsoundToolsAreRefused) {
  HeightGrid grid;
  grid.Resize(4, 4, 0.0f);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::vector<ToolShape> bad = {
      Shape(kToolConicalFlat, 6, 0, 1, 0),     Shape(kToolConicalFlat, 6, 0, 1, 90),
      Shape(kToolConicalSpherical, 6, 0, 1, 120), Shape(kToolConicalSpherical, 6, 0, 1, -5),
      Shape(kToolConicalFlat, 6, 0, 1, nan),   Shape(kToolFlat, -1),
      Shape(kToolBullNose, 6, -0.5),           Shape(kToolBullNose, 6, 3.5),
      Shape(kToolConicalFlat, 6, 0, 7, 30),    Shape(kToolSpherical, nan),
      // No cutter is wider than a metre: a reach of 3e38 or 1e30 would overflow every index.
      Shape(kToolFlat, 3e38),                  Shape(kToolSpherical, 1e30), Shape(kToolFlat, 1000.001)};
  for (const ToolShape& shape : bad) {
    EXPECT_FALSE(ToolShapeProblem(shape).empty()) << "type " << shape.toolType;
    EXPECT_THROW(ToolProbe(Params(shape, grid, 0.1f)), ToolShapeError) << "type " << shape.toolType;
  }
  EXPECT_NE(ToolShapeProblem(Shape(kToolConicalFlat, 6, 0, 1, 90)).find("taper angle"), std::string::npos);
  // Angle, corner and flat fields that the type does not use are not judged.
  EXPECT_NO_THROW(ToolProbe(Params(Shape(kToolFlat, 6, -1, 99, 0), grid, 0.1f)));
  EXPECT_NO_THROW(ToolProbe(Params(Shape(kToolDrill, 6, 0, 0, 0), grid, 0.1f)));
  EXPECT_NO_THROW(ToolProbe(Params(Shape(kToolFlat, 1000), grid, 0.1f)));
  // A grid that was never sized has no step.
  EXPECT_THROW(ToolProbe(Params(Shape(kToolFlat, 6), grid, 0.0f)), ToolShapeError);
}

TEST(Probes, DegenerateButSoundConesStayFinite) {
  // Flat as wide as the tool (no cone side), a cone of zero diameter, an angle a hair under 90 and
  // the thinnest cone accepted: each must end and give a finite height.
  HeightGrid grid;
  grid.Resize(20, 20, 0.0f);
  grid.At(11, 10) = 1.0f;
  for (const ToolShape& shape :
       {Shape(kToolConicalFlat, 6, 0, 6, 30), Shape(kToolConicalFlat, 0, 0, 0, 30),
        Shape(kToolConicalSpherical, 0, 0, 0, 30), Shape(kToolConicalSpherical, 6, 0, 1, 89.99999),
        Shape(kToolConicalFlat, 6, 0, 1, kMinTaperAngle), Shape(kToolConicalSpherical, 6, 0, 6, 45)}) {
    const ToolProbe probe(Params(shape, grid, 0.5f));
    const float z = Compensated(probe, grid, 10, 10);
    EXPECT_TRUE(std::isfinite(z)) << "type " << shape.toolType << " angle " << shape.taperAngle;
    EXPECT_GE(z, 0.0f);
  }
}

TEST(Probes, AReachFarBeyondTheGridReadsEveryNodeOnce) {
  // A metre-wide tool on a grid of a 1e-30 step reaches 5e32 steps: the whole grid lies under it.
  HeightGrid grid;
  grid.Resize(6, 5, 0.0f);
  grid.At(5, 4) = 2e-30f;
  for (int32_t type : {kToolFlat, kToolSpherical}) {
    const ToolProbe probe(Params(Shape(type, 1000), grid, 1e-30f));
    const float z = Compensated(probe, grid, 0, 0);
    EXPECT_TRUE(std::isfinite(z)) << "type " << type;
    EXPECT_GE(z, type == kToolFlat ? 2e-30f : 0.0f) << "type " << type << ": the far corner's spike is under the flat";
  }
}

TEST(Probes, DispatchByTypeAndNoProbeTypes) {
  const HeightGrid grid = reference::RandomGrid(20, 20, 77, -1.0f, 0.0f);
  const int ix = 9, iy = 8;
  const float h = grid.At(ix, iy);
  const auto check = [&](const ToolShape& s, float (*fn)(const ToolProbe&, const HeightGrid&, int32_t, int32_t, float)) {
    const ToolProbe probe(Params(s, grid, 0.5f, 0.05f));
    EXPECT_TRUE(probe.HasProbe());
    EXPECT_EQ(Compensated(probe, grid, ix, iy), fn(probe, grid, ix, iy, h)) << "type " << s.toolType;
  };
  check(Shape(kToolFlat, 3), ProbeFlat);
  check(Shape(kToolBullNose, 3, 0.5), ProbeBullNose);
  check(Shape(kToolSpherical, 3), ProbeSpherical);
  check(Shape(kToolConicalFlat, 3, 0, 0.5, 30), ProbeConicalFlat);
  check(Shape(kToolConicalSpherical, 3, 0, 0.5, 30), ProbeConicalSpherical);
  for (int32_t type : {int32_t(kToolDrill), int32_t(kToolUndefined)}) {
    const ToolProbe probe(Params(Shape(type, 3), grid, 0.5f));
    EXPECT_FALSE(probe.HasProbe());
    EXPECT_EQ(Compensated(probe, grid, ix, iy), 7777.0f) << "the feed-plane Z stands";
  }

  ReliefModel relief;
  relief.gridStep = 0.25f;
  relief.stockToLeave = 0.5f;
  relief.columnBound = 12;
  relief.rows = 9;
  const ProbeParams p = MakeProbeParams(Shape(kToolFlat, 3), relief);
  EXPECT_EQ(p.gridStep, 0.25f);
  EXPECT_EQ(p.stockToLeave, 0.5f);
  EXPECT_EQ(p.columnBound, 12);
  EXPECT_EQ(p.rows, 9);
}

}  // namespace
}  // namespace machining
