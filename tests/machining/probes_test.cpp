#include "machining/probes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "machining/relief_model.h"

namespace {

using namespace machining;

constexpr double kPi = 3.14159265358979323846;

ToolShape Shape(int32_t type, double diameter, double corner = 0, double flat = 0, double angle = 0) {
  ToolShape s;
  s.toolType = type;
  s.diameter = diameter;
  s.cornerRadius = corner;
  s.flatDiameter = flat;
  s.taperAngle = angle;
  return s;
}

ProbeParams Params(const ToolShape& tool, const HeightGrid& grid, float step, float stock = 0.0f) {
  ProbeParams p;
  p.tool = tool;
  p.gridStep = step;
  p.stockToLeave = stock;
  p.columnBound = grid.Columns();
  p.rows = grid.Rows();
  return p;
}

float Compensated(const ToolProbe& probe, const HeightGrid& grid, int ix, int iy) {
  float z = 7777.0f;
  ToolCompensatedZ(probe, grid, ix, iy, z);
  return z;
}

// A representative tool of every shape with a probe, 6 mm across.
std::vector<ToolShape> AllShapes() {
  return {Shape(kToolFlat, 6), Shape(kToolBullNose, 6, 1), Shape(kToolSpherical, 6),
          Shape(kToolConicalFlat, 6, 0, 1, 30), Shape(kToolConicalSpherical, 6, 0, 1, 30)};
}

TEST(Probes, SampleCountsFollowSinglePrecisionAngles) {
  HeightGrid grid;
  grid.Resize(10, 10, 0.0f);
  const ToolProbe flat(Params(Shape(kToolFlat, 6), grid, 0.1f));
  ASSERT_EQ(flat.Rings().size(), 1u);
  EXPECT_EQ(flat.Rings()[0].count, 120);
  EXPECT_NEAR(flat.Rings()[0].rho, 30.0, 1e-5);

  const ToolProbe ball(Params(Shape(kToolSpherical, 6), grid, 0.1f));
  ASSERT_EQ(ball.Rings().size(), 10u) << "90 degrees down to 0 by 10";
  for (const auto& ring : ball.Rings()) EXPECT_EQ(ring.count, 19);
  EXPECT_NEAR(ball.Rings().front().rho, 0.0, 1e-5) << "the first ring is the tip itself";
  EXPECT_NEAR(ball.Rings().back().rho, 30.0, 1e-4);

  const ToolProbe bull(Params(Shape(kToolBullNose, 6, 1), grid, 0.1f));
  EXPECT_EQ(bull.Rings().size(), 10u);
  EXPECT_NEAR(bull.Rings().front().rho, 20.0, 1e-5) << "the flat part's edge";

  // Flat-tipped cone with a whole-number span: flat ring, then 11 cone rings 2, 3, ... 12.
  const ToolProbe cone(Params(Shape(kToolConicalFlat, 24, 0, 4, 30), grid, 1.0f));
  ASSERT_EQ(cone.Rings().size(), 12u);
  EXPECT_EQ(cone.Rings()[0].count, 120);
  for (size_t i = 1; i < cone.Rings().size(); ++i) {
    EXPECT_EQ(cone.Rings()[i].count, 19);
    EXPECT_DOUBLE_EQ(cone.Rings()[i].rho, 1.0 + static_cast<double>(i));
  }

  EXPECT_FALSE(ToolProbe(Params(Shape(kToolDrill, 6), grid, 0.1f)).HasProbe());
  EXPECT_FALSE(ToolProbe(Params(Shape(kToolUndefined, 6), grid, 0.1f)).HasProbe());
}

TEST(Probes, FlatGridGivesHeightPlusStockEverywhere) {
  const float H = -2.5f;
  HeightGrid grid;
  grid.Resize(40, 30, H);
  for (float e : {0.0f, 0.25f}) {
    for (const ToolShape& shape : AllShapes()) {
      const ToolProbe probe(Params(shape, grid, 0.1f, e));
      for (auto [ix, iy] : {std::pair{20, 15}, std::pair{0, 0}, std::pair{39, 29}, std::pair{0, 29}}) {
        EXPECT_FLOAT_EQ(Compensated(probe, grid, ix, iy), H + e)
            << "type " << shape.toolType << " at " << ix << "," << iy << " e=" << e;
      }
    }
  }
}

TEST(Probes, CornerNodesReadOnlyClampedNodes) {
  // A 6 x 6 grid whose column bound stops at 4: column 4 and 5 hold a wall the probes must not see.
  HeightGrid grid;
  grid.Resize(6, 6, 0.0f);
  for (int r = 0; r < 6; ++r) grid.At(4, r) = grid.At(5, r) = 100.0f;
  for (const ToolShape& shape : AllShapes()) {
    ProbeParams p = Params(shape, grid, 1.0f);
    p.columnBound = 4;
    const ToolProbe probe(p);
    EXPECT_FLOAT_EQ(Compensated(probe, grid, 3, 5), 0.0f) << "type " << shape.toolType;
    EXPECT_FLOAT_EQ(Compensated(probe, grid, 3, 0), 0.0f) << "type " << shape.toolType;
    float z = -1.0f;
    ToolCompensatedZ(probe, grid, 4, 0, z);
    EXPECT_EQ(z, -1.0f) << "a node past the column bound is left alone";
  }

  // From the corner (0, 0) a flat ring of radius 3 reaches the left border at row 2 only by clamping
  // its column (the direction near 138 degrees lands at column -2).
  grid.Resize(6, 6, 0.0f);
  grid.At(0, 2) = 5.0f;
  const ToolProbe flat(Params(Shape(kToolFlat, 6), grid, 1.0f));
  EXPECT_FLOAT_EQ(Compensated(flat, grid, 0, 0), 5.0f);
  // The same node on the far side of a bigger grid is never on the ring.
  HeightGrid big;
  big.Resize(12, 12, 0.0f);
  big.At(0, 2) = 5.0f;
  const ToolProbe flatBig(Params(Shape(kToolFlat, 6), big, 1.0f));
  EXPECT_FLOAT_EQ(Compensated(flatBig, big, 6, 6), 0.0f);
}

TEST(Probes, SampleIndicesRoundHalfToEven) {
  // A flat tool of radius 0.5 step samples x + 0.5 straight ahead: 1.5 rounds to 2, 2.5 to 2, 3.5 to 4.
  HeightGrid grid;
  grid.Resize(8, 3, 0.0f);
  const ToolProbe probe(Params(Shape(kToolFlat, 1), grid, 1.0f));
  grid.At(2, 1) = 1.0f;
  EXPECT_FLOAT_EQ(Compensated(probe, grid, 1, 1), 1.0f);
  grid.At(2, 1) = 0.0f;
  grid.At(3, 1) = 1.0f;
  EXPECT_FLOAT_EQ(Compensated(probe, grid, 2, 1), 0.0f) << "2.5 rounds to 2, never reaching column 3";
  grid.At(3, 1) = 0.0f;
  grid.At(4, 1) = 1.0f;
  EXPECT_FLOAT_EQ(Compensated(probe, grid, 3, 1), 1.0f);
}

TEST(Probes, ZeroDiameterFlatToolReadsItsOwnNode) {
  HeightGrid grid;
  grid.Resize(5, 5, 3.0f);
  grid.At(2, 2) = -1.25f;
  const ToolProbe probe(Params(Shape(kToolFlat, 0), grid, 0.5f));
  EXPECT_FLOAT_EQ(ProbeFlat(probe, grid, 2, 2, grid.At(2, 2)), -1.25f);
  EXPECT_FLOAT_EQ(Compensated(probe, grid, 2, 2), -1.25f);
}

TEST(Probes, SphericalNextToASpike) {
  // Ro = 10 steps; a spike 5 steps ahead sits on the 60 degree ring, whose lift is Ro - Ro sin 60.
  const float S = 4.0f;
  const float d = 0.5f;
  HeightGrid grid;
  grid.Resize(30, 30, 0.0f);
  grid.At(15, 10) = S;
  const ToolProbe probe(Params(Shape(kToolSpherical, 10), grid, d));
  const double lift = (10.0 - 10.0 * std::sin(kPi / 3)) * d;
  const float z = ProbeSpherical(probe, grid, 10, 10, grid.At(10, 10));
  EXPECT_GE(z, S - lift - 1e-5);
  EXPECT_NEAR(z, S - lift, 1e-5) << "the ball touches the spike and goes no higher";
  // Beyond the outer ring the spike is not felt.
  EXPECT_FLOAT_EQ(Compensated(probe, grid, 10, 21), 0.0f);
}

// The lift of the true tool surface (with the stock to leave around it) at radius rho, in steps.
double TrueLift(const ToolShape& t, double d, double e, double rho) {
  const double ro = (t.diameter / 2 + e) / d;
  const double a = t.taperAngle * kPi / 180;
  switch (t.toolType) {
    case kToolFlat:
      return 0.0;
    case kToolSpherical:
      return ro - std::sqrt(std::max(0.0, ro * ro - rho * rho));
    case kToolBullNose: {
      const double c = t.cornerRadius / d;
      const double flat = ro - c;
      const double u = rho - flat;
      return u <= 0 ? 0.0 : c - std::sqrt(std::max(0.0, c * c - u * u));
    }
    case kToolConicalFlat: {
      const double rf = (t.flatDiameter / 2 + e) / d;
      return rho <= rf ? 0.0 : std::tan(kPi / 2 - a) * (rho - rf);
    }
    case kToolConicalSpherical: {
      const double rt = (t.flatDiameter / 2 + e) / d;
      const double r1 = rt * std::cos(a);
      if (rho <= r1) return rt - std::sqrt(std::max(0.0, rt * rt - rho * rho));
      return rt - rt * std::sin(a) + std::tan(kPi / 2 - a) * (rho - r1);
    }
  }
  return 0.0;
}

TEST(Probes, RingsFollowTheToolBodyAndNeverCutIntoIt) {
  // The tip stands so that every sample lies at or under tip + ring lift. The tool's real surface at
  // that radius must not be lower than the ring lift, or the real tool cuts into the sample.
  HeightGrid grid;
  grid.Resize(4, 4, 0.0f);
  const std::vector<ToolShape> shapes = {
      Shape(kToolSpherical, 6),         Shape(kToolBullNose, 6, 1.5),        Shape(kToolBullNose, 3, 1.5),
      Shape(kToolConicalFlat, 6, 0, 1, 30), Shape(kToolConicalFlat, 10, 0, 3, 15), Shape(kToolConicalFlat, 6, 0, 0, 45),
      Shape(kToolConicalSpherical, 6, 0, 1, 30), Shape(kToolConicalSpherical, 10, 0, 2, 10)};
  for (const ToolShape& shape : shapes) {
    for (float e : {0.0f, 0.3f}) {
      const float d = 0.1f;
      const ToolProbe probe(Params(shape, grid, d, e));
      for (const auto& ring : probe.Rings()) {
        const double rho = std::abs(ring.rho);
        EXPECT_NEAR(ring.lift, TrueLift(shape, d, e, rho), 1e-3 * (1.0 + ring.lift))
            << "type " << shape.toolType << " angle " << shape.taperAngle << " rho " << rho << " e " << e;
      }
    }
  }
}

TEST(Probes, FlatTippedConeNeverGougesASpike) {
  // d = 1, flat radius 2, outer radius 12, 30 degrees: cone rings lie on whole steps 2 ... 12, so a
  // spike straight ahead at distance r is sampled by the ring of radius r. (Inside the flat only its
  // edge is sampled, as for a flat tool.)
  const ToolShape shape = Shape(kToolConicalFlat, 24, 0, 4, 30);
  const double k = std::tan(kPi / 3);
  const float S = 50.0f;
  for (int r = 2; r <= 12; ++r) {
    HeightGrid grid;
    grid.Resize(30, 5, 0.0f);
    grid.At(2 + r, 2) = S;
    const ToolProbe probe(Params(shape, grid, 1.0f));
    const float z = ProbeConicalFlat(probe, grid, 2, 2, grid.At(2, 2));
    const double trueLift = k * (r - 2);
    EXPECT_GE(z + trueLift, S - 1e-4) << "the real cone cuts into the spike at " << r;
    EXPECT_NEAR(z + trueLift, S, 1e-4) << "the cone touches the spike at " << r;
  }
}

// The probe written out literally, one sample at a time: single-precision angle accumulators, Round
// half to even, clamped indices, m = max(m, s - lift) per sample. The prepared tables must give the
// very same heights.
float ReferenceProbe(const ToolShape& t, const HeightGrid& grid, float d, float e, int ix, int iy) {
  using Ext = long double;
  const Ext pi = 3.14159265358979323846264338327950288L;
  const int hiC = grid.Columns() - 1, hiR = grid.Rows() - 1;
  double m = static_cast<double>(grid.At(ix, iy)) / d;
  auto ring = [&](double rho, double lift, Ext step) {
    for (float th = 0.0f; static_cast<Ext>(th) <= 2 * pi; th = static_cast<float>(static_cast<Ext>(th) + step)) {
      const double x = std::cos(static_cast<double>(th)) * rho + ix;
      const double y = std::sin(static_cast<double>(th)) * rho + iy;
      const int c = std::clamp(static_cast<int>(std::nearbyint(x)), 0, hiC);
      const int r = std::clamp(static_cast<int>(std::nearbyint(y)), 0, hiR);
      m = std::max(m, static_cast<double>(grid.At(c, r)) / d - lift);
    }
  };
  const Ext R = static_cast<float>(t.diameter / 2), ro = (R + e) / d;
  auto quarter = [&](auto f) {
    for (float phi = static_cast<float>(pi / 2); phi >= 0.0f; phi = static_cast<float>(phi - pi / 18)) f(Ext(phi));
  };
  auto cone = [&](Ext rho1, Ext z1) {
    const Ext w = ro - rho1, k = std::tan((90 - t.taperAngle) * pi / 180), zt = k * w + z1;
    if (!(w > 0)) return;
    for (float q = static_cast<float>(w); q >= 0.0f; q = static_cast<float>(q - w / 10))
      ring(static_cast<double>(ro - q), static_cast<double>(zt - k * q), pi / 9);
  };
  switch (t.toolType) {
    case kToolFlat: ring(static_cast<double>(ro), 0.0, pi / 60); break;
    case kToolSpherical:
      quarter([&](Ext phi) { ring(static_cast<double>(ro * std::cos(phi)), static_cast<double>(ro - ro * std::sin(phi)), pi / 9); });
      break;
    case kToolBullNose: {
      const Ext c = t.cornerRadius / d, rf = (R + e - t.cornerRadius) / d;
      quarter([&](Ext phi) { ring(static_cast<double>(rf + c * std::cos(phi)), static_cast<double>(c - c * std::sin(phi)), pi / 9); });
      break;
    }
    case kToolConicalFlat: {
      const Ext rf = (t.flatDiameter / 2 + e) / d;
      ring(static_cast<double>(rf), 0.0, pi / 60);
      cone(rf, 0);
      break;
    }
    case kToolConicalSpherical: {
      const Ext rt = (t.flatDiameter / 2 + e) / d, last = (360 - t.taperAngle) * pi / 180;
      for (float phi = static_cast<float>(3 * pi / 2); phi <= last; phi = static_cast<float>(phi + (last - 3 * pi / 2) / 6))
        ring(static_cast<double>(rt * std::cos(Ext(phi))), static_cast<double>(rt + rt * std::sin(Ext(phi))), pi / 9);
      cone(rt * std::cos(last), rt + rt * std::sin(last));
      break;
    }
  }
  return static_cast<float>(m * d + e);
}

TEST(Probes, PreparedTablesGiveTheLiteralAlgorithmsHeights) {
  HeightGrid grid;
  grid.Resize(70, 64, 0.0f);
  uint32_t seed = 12345;
  for (int c = 0; c < 70; ++c)
    for (int r = 0; r < 64; ++r) {
      seed = seed * 1664525u + 1013904223u;
      grid.At(c, r) = -3.0f + 3.0f * static_cast<float>(seed >> 8) / 16777216.0f;
    }
  // Radii of whole and half steps put sample offsets exactly on rounding ties.
  const std::vector<std::pair<ToolShape, float>> cases = {
      {Shape(kToolFlat, 2.0), 0.2f},        {Shape(kToolFlat, 3.0), 0.25f},
      {Shape(kToolBullNose, 3.0, 0.5), 0.2f}, {Shape(kToolSpherical, 3.0), 0.25f},
      {Shape(kToolSpherical, 2.2), 0.1f},   {Shape(kToolConicalFlat, 3.0, 0, 0.5, 30), 0.2f},
      {Shape(kToolConicalFlat, 4.0, 0, 1.0, 15), 0.25f}, {Shape(kToolConicalSpherical, 3.0, 0, 0.5, 30), 0.2f},
      {Shape(kToolFlat, 5.0), 1.0f},        {Shape(kToolFlat, 1.5), 0.5f},
      {Shape(kToolConicalFlat, 6.0, 0, 1.0, 45), 1.0f}, {Shape(kToolBullNose, 5.0, 1.0), 1.0f}};
  for (const auto& [shape, d] : cases) {
    for (float e : {0.0f, 0.05f}) {
      const ToolProbe probe(Params(shape, grid, d, e));
      int mismatches = 0;
      for (int c = 0; c < grid.Columns(); ++c)
        for (int r = 0; r < grid.Rows(); ++r)
          if (Compensated(probe, grid, c, r) != ReferenceProbe(shape, grid, d, e, c, r)) ++mismatches;
      EXPECT_EQ(mismatches, 0) << "type " << shape.toolType << " d " << d << " e " << e;
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
      Shape(kToolConicalFlat, 6, 0, 7, 30),    Shape(kToolSpherical, nan)};
  for (const ToolShape& shape : bad) {
    EXPECT_FALSE(ToolShapeProblem(shape).empty()) << "type " << shape.toolType;
    EXPECT_THROW(ToolProbe(Params(shape, grid, 0.1f)), ToolShapeError) << "type " << shape.toolType;
  }
  EXPECT_NE(ToolShapeProblem(Shape(kToolConicalFlat, 6, 0, 1, 90)).find("taper angle"), std::string::npos);
  // Angle, corner and flat fields that the type does not use are not judged.
  EXPECT_NO_THROW(ToolProbe(Params(Shape(kToolFlat, 6, -1, 99, 0), grid, 0.1f)));
  EXPECT_NO_THROW(ToolProbe(Params(Shape(kToolDrill, 6, 0, 0, 0), grid, 0.1f)));
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
    EXPECT_LE(probe.Rings().size(), 40u);
    const float z = Compensated(probe, grid, 10, 10);
    EXPECT_TRUE(std::isfinite(z)) << "type " << shape.toolType << " angle " << shape.taperAngle;
    EXPECT_GE(z, 0.0f);
  }
}

TEST(Probes, DispatchByTypeAndNoProbeTypes) {
  HeightGrid grid;
  grid.Resize(20, 20, 0.0f);
  for (int c = 0; c < 20; ++c)
    for (int r = 0; r < 20; ++r) grid.At(c, r) = 0.1f * static_cast<float>((c * 7 + r * 3) % 11);
  const int ix = 9, iy = 8;
  const float h = grid.At(ix, iy);
  const auto check = [&](const ToolShape& s, float (*fn)(const ToolProbe&, const HeightGrid&, int32_t, int32_t, float)) {
    const ToolProbe probe(Params(s, grid, 0.5f, 0.05f));
    EXPECT_EQ(Compensated(probe, grid, ix, iy), fn(probe, grid, ix, iy, h)) << "type " << s.toolType;
    EXPECT_GE(Compensated(probe, grid, ix, iy), h + 0.05f - 1e-6f);
  };
  check(Shape(kToolFlat, 3), ProbeFlat);
  check(Shape(kToolBullNose, 3, 0.5), ProbeBullNose);
  check(Shape(kToolSpherical, 3), ProbeSpherical);
  check(Shape(kToolConicalFlat, 3, 0, 0.5, 30), ProbeConicalFlat);
  check(Shape(kToolConicalSpherical, 3, 0, 0.5, 30), ProbeConicalSpherical);
  for (int32_t type : {int32_t(kToolDrill), int32_t(kToolUndefined)}) {
    const ToolProbe probe(Params(Shape(type, 3), grid, 0.5f));
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
