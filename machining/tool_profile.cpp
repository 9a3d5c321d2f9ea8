#include "machining/tool_profile.h"

namespace machining {

ToolProfile MakeToolProfile(const ToolShape& tool, double gridStep, double stockToLeave) {
  constexpr double kPi = 3.14159265358979323846;
  const double d = gridStep;
  const double e = stockToLeave;
  const double radius = static_cast<float>(tool.diameter / 2.0);  // the radius is a single
  ToolProfile p;
  p.toolType = tool.toolType;
  p.reach = (radius + e) / d;
  switch (tool.toolType) {
    case kToolBullNose:
      p.torus.corner = tool.cornerRadius / d;
      p.torus.flat = p.reach - p.torus.corner;
      break;
    case kToolSpherical:
      p.torus.corner = p.reach;
      break;
    case kToolConicalFlat:
    case kToolConicalSpherical: {
      // The side makes the taper angle a with the axis: it rises by tan(90 - a) per step.
      const double a = tool.taperAngle * kPi / 180.0;
      const double tip = (tool.flatDiameter / 2.0 + e) / d;
      p.cone = true;
      p.coneLift.slope = std::tan(kPi / 2.0 - a);
      if (tool.toolType == kToolConicalFlat) {
        p.coneLift.start = tip;  // the cone starts at the flat's edge, level with the tip
      } else {
        // The cone touches the ball where the ball's slope equals the cone's.
        p.coneLift.ball = tip;
        p.coneLift.start = tip * std::cos(a);
        p.coneLift.base = tip - tip * std::sin(a);
      }
      break;
    }
    default:
      p.torus.flat = p.reach;  // flat (and no-probe types): level under the whole tool
      break;
  }
  return p;
}

}  // namespace machining
