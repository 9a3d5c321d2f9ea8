#include "machining/tool_profile.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tool_reference.h"

namespace machining {
namespace {

using reference::Shape;

TEST(ToolProfile, LiftSlopesAndBendingOfEveryShape) {
  // The compensation trusts three things of every profile: its lift is the shape's surface, its
  // slopes are the one-sided derivatives of the lift, and Bend bounds L'' and L' / rho (which decide
  // how far a node can rise above a straight move). Checked against the shapes written out plainly
  // and finite differences, across the whole reach, with and without stock.
  const std::vector<ToolShape> shapes = {
      Shape(kToolFlat, 6),        Shape(kToolBullNose, 6, 1.5),          Shape(kToolBullNose, 3, 1.5),
      Shape(kToolSpherical, 6),   Shape(kToolConicalFlat, 6, 0, 1, 30),  Shape(kToolConicalFlat, 10, 0, 3, 15),
      Shape(kToolConicalFlat, 6, 0, 0, 45), Shape(kToolConicalSpherical, 6, 0, 1, 30),
      Shape(kToolConicalSpherical, 10, 0, 2, 10)};
  const double d = 0.1;
  for (const ToolShape& shape : shapes) {
    for (double e : {0.0, 0.3}) {
      const ToolProfile p = MakeToolProfile(shape, d, e);
      const std::string what = "type " + std::to_string(shape.toolType) + " angle " +
                               std::to_string(shape.taperAngle) + " e " + std::to_string(e);
      EXPECT_NEAR(p.reach, reference::Reach(shape, d, e), 1e-12) << what;
      const int samples = 400;
      for (int i = 0; i <= samples; ++i) {
        const double rho = p.reach * i / samples;
        const double lift = p.Lift(rho);
        EXPECT_NEAR(lift, reference::Lift(shape, d, e, rho), 1e-9 * (1 + lift)) << what << " rho " << rho;
        const double squared = p.cone ? p.coneLift.Squared(rho * rho) : p.torus.Squared(rho * rho);
        EXPECT_NEAR(squared, lift, 1e-9 * (1 + lift)) << what << " rho " << rho;
        if (i == 0 || i == samples) continue;
        const double h = 1e-6 * p.reach;
        const double below = (p.Lift(rho) - p.Lift(rho - h)) / h, above = (p.Lift(rho + h) - p.Lift(rho)) / h;
        const double slopeBelow = p.cone ? p.coneLift.SlopeBelow(rho) : p.torus.SlopeBelow(rho);
        const double slopeAbove = p.cone ? p.coneLift.SlopeAbove(rho) : p.torus.SlopeAbove(rho);
        EXPECT_NEAR(slopeBelow, below, 1e-4 * (1 + std::fabs(below))) << what << " rho " << rho;
        EXPECT_NEAR(slopeAbove, above, 1e-4 * (1 + std::fabs(above))) << what << " rho " << rho;
        // Over a small range around rho the bound must cover the bending there.
        const double lo = std::max(0.0, rho - 0.01 * p.reach), hi = std::min(p.reach, rho + 0.01 * p.reach);
        const double bend = p.cone ? p.coneLift.Bend(lo, hi) : p.torus.Bend(lo, hi);
        const double second = (p.Lift(rho + h) - 2 * p.Lift(rho) + p.Lift(rho - h)) / (h * h);
        const bool kink = std::fabs(above - below) > 1e-3;  // a sharp edge: no finite bound is owed
        if (!kink) {
          EXPECT_GE(bend * (1 + 1e-6), std::max(second, slopeBelow / rho) - 1e-3) << what << " rho " << rho;
        }
        EXPECT_GE(slopeAbove, slopeBelow - 1e-12) << "convex: " << what << " rho " << rho;
      }
    }
  }
}

}  // namespace
}  // namespace machining
