// The tool's lower surface as the compensation sees it: how far the surface stands above the tip at
// a horizontal distance rho from the tool's axis, in grid steps, with the stock to leave grown onto
// the tool. Every profile rises (or stays level) and bends upward, so the lift at the nearest point
// of a region bounds the lift over the whole region, and along a straight move the tool's height
// over a fixed node is a convex function of the way travelled.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "machining/tool_shape.h"

namespace machining {

// Flat, bull-nose and ball: level out to `flat`, then a quarter circle of radius `corner`. A flat
// tool has no corner, a ball no flat.
struct TorusLift {
  double flat = 0.0;
  double corner = 0.0;
  double operator()(double rho) const {
    const double u = rho - flat;
    if (u <= 0.0) return 0.0;
    return corner - std::sqrt(std::max(0.0, corner * corner - u * u));
  }
  // The lift at the distance whose square is rho2 (saves a root where the profile allows).
  double Squared(double rho2) const {
    if (flat > 0.0 && rho2 <= flat * flat) return 0.0;
    if (flat == 0.0) return corner - std::sqrt(std::max(0.0, corner * corner - rho2));
    return (*this)(std::sqrt(rho2));
  }
  // The rate of rise at rho coming from below and from above (they differ only where the profile
  // bends sharply); infinite at the rim of a corner.
  double SlopeBelow(double rho) const { return Slope(rho, false); }
  double SlopeAbove(double rho) const { return Slope(rho, true); }
  // A bound on max(L''(rho), L'(rho) / rho) over [lo, hi]: how fast the lift under a node can
  // bend as the tool moves past it in a straight line, per squared step of the move (the distance's
  // own bending makes the two terms share one squared step). Infinite at a corner's rim.
  double Bend(double lo, double hi) const {
    (void)lo;
    const double u = hi - flat;
    if (corner == 0.0 || u <= 0.0) return 0.0;
    const double q2 = corner * corner - u * u;
    if (q2 <= 0.0) return INFINITY;
    // L'' = c^2 / q^3 is the larger: L' / rho = u / (rho q) <= 1 / q <= c^2 / q^3.
    return corner * corner / (q2 * std::sqrt(q2));
  }

 private:
  double Slope(double rho, bool above) const {
    const double u = rho - flat;
    if (u < 0.0 || (u == 0.0 && !above)) return 0.0;
    const double q = corner * corner - u * u;
    return q > 0.0 ? u / std::sqrt(q) : (corner > 0.0 || above ? INFINITY : 0.0);
  }
};

// Conical tools: a ball tip of radius `ball` out to `start` (a flat tip has ball 0 and stays level
// there), then the cone from the height `base` at `start`, rising by `slope` per step.
struct ConeLift {
  double ball = 0.0;
  double start = 0.0;
  double base = 0.0;
  double slope = 0.0;
  double operator()(double rho) const {
    if (rho <= start) return ball - std::sqrt(std::max(0.0, ball * ball - rho * rho));
    return base + slope * (rho - start);
  }
  double Squared(double rho2) const {
    if (start >= 0.0 && rho2 <= start * start) return ball - std::sqrt(std::max(0.0, ball * ball - rho2));
    return base + slope * (std::sqrt(rho2) - start);
  }
  double SlopeBelow(double rho) const { return rho > start ? slope : BallSlope(rho); }
  double SlopeAbove(double rho) const { return rho >= start ? slope : BallSlope(rho); }
  double Bend(double lo, double hi) const {
    double bend = 0.0;
    if (lo < start) {
      if (ball == 0.0) {
        if (hi > start) return INFINITY;  // the sharp edge of the flat
      } else {
        const double r = std::min(hi, start);
        const double q2 = ball * ball - r * r;
        if (q2 <= 0.0) return INFINITY;
        bend = ball * ball / (q2 * std::sqrt(q2));
      }
    }
    if (hi > start) {
      const double r = std::max(lo, start);
      bend = std::max(bend, r > 0.0 ? slope / r : INFINITY);
    }
    return bend;
  }

 private:
  double BallSlope(double rho) const {
    const double q = ball * ball - rho * rho;
    return ball == 0.0 ? 0.0 : q > 0.0 ? rho / std::sqrt(q) : INFINITY;
  }
};

struct ToolProfile {
  int32_t toolType = kToolFlat;
  bool cone = false;  // which of the two lifts applies
  TorusLift torus;
  ConeLift coneLift;
  // (R + e) / d: the nodes under the tool lie no farther than this from its axis. Negative when the
  // stock to leave is more negative than the radius: then no node is under the tool.
  double reach = 0.0;

  double Lift(double rho) const { return cone ? coneLift(rho) : torus(rho); }
};

// The profile of a sound tool (see ValidateToolShape) over a grid of step d with stock e. Drill and
// Undefined get a flat profile; they have no probe and nothing reads it.
ToolProfile MakeToolProfile(const ToolShape& tool, double gridStep, double stockToLeave);

}  // namespace machining
