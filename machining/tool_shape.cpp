#include "machining/tool_shape.h"

#include <cmath>

#include "lang/lang.h"

namespace machining {

std::string ToolShapeProblem(const ToolShape& tool) {
  const bool cone = tool.toolType == kToolConicalFlat || tool.toolType == kToolConicalSpherical;
  if (!std::isfinite(tool.diameter) || tool.diameter < 0.0 || tool.diameter > kMaxToolDiameter)
    return lang::LangStringOr("1151", "The tool diameter must lie between 0 and 1000.");
  if (tool.toolType == kToolBullNose &&
      (!std::isfinite(tool.cornerRadius) || tool.cornerRadius < 0.0 || tool.cornerRadius > tool.diameter / 2.0))
    return lang::LangStringOr("1152", "The corner radius must lie between 0 and half the tool diameter.");
  if (cone) {
    // At 0 degrees the cone's slope is infinite and at 90 or more it has no side at all: neither
    // can be modelled, and both would put infinities or NaNs into the heights. A hair above 0 is no
    // better (1e-20 degrees lifts the tip by 1e20), and no real cone is thinner than a hundredth.
    if (!std::isfinite(tool.taperAngle) || tool.taperAngle < kMinTaperAngle || tool.taperAngle >= 90.0)
      return lang::LangStringOr("1153", "The taper angle must be at least 0.01 and less than 90 degrees.");
    if (!std::isfinite(tool.flatDiameter) || tool.flatDiameter < 0.0 || tool.flatDiameter > tool.diameter)
      return tool.toolType == kToolConicalFlat
                 ? lang::LangStringOr("1154", "The flat diameter must lie between 0 and the tool diameter.")
                 : lang::LangStringOr("1155", "The ball diameter must lie between 0 and the tool diameter.");
  }
  return {};
}

void ValidateToolShape(const ToolShape& tool) {
  const std::string problem = ToolShapeProblem(tool);
  if (!problem.empty()) throw ToolShapeError(problem);
}

}  // namespace machining
