// The current tool's shape as the probes and the tool body need it, and the check that refuses a
// tool whose shape cannot be modelled. The tool window (and Calculate) fill ToolShape from their
// fields; nothing here touches a widget.
#pragma once

#include <cstdint>
#include <string>

#include "platform/exception.h"

namespace machining {

// The tool record's ToolType: item index of the type combo box and index of the tool picture.
enum ToolType : int32_t {
  kToolFlat = 0,
  kToolBullNose = 1,
  kToolSpherical = 2,
  kToolConicalFlat = 3,
  kToolDrill = 4,
  kToolConicalSpherical = 5,
  kToolUndefined = 6,
};
constexpr int32_t kToolTypeCount = 7;

struct ToolShape {
  int32_t toolType = kToolFlat;
  double diameter = 0.0;      // d, drawing units
  double cornerRadius = 0.0;  // rc, bull-nose only
  double flatDiameter = 0.0;  // f: the flat of a conical flat tool, the ball of a conical spherical one
  double taperAngle = 0.0;    // a, degrees between the cone's side and the tool axis (cone tools only)
};

// No machine holds a cutter wider than a metre: a larger diameter is a damaged or mistyped value,
// and its reach in grid steps would overflow the probes' tables and indices.
constexpr double kMaxToolDiameter = 1000.0;

// The thinnest cone the probes model, in degrees.
constexpr double kMinTaperAngle = 0.01;

// A tool the probes refuse to model (the message names the field and the rule).
class ToolShapeError : public platform::Exception {
 public:
  using Exception::Exception;
};

// Empty when the shape is sound for its type; otherwise a message for the user. Only the fields the
// type uses are checked, so a flat tool with angle 0 (the window's default) is fine.
std::string ToolShapeProblem(const ToolShape& tool);
// Raises ToolShapeError with ToolShapeProblem's message.
void ValidateToolShape(const ToolShape& tool);

}  // namespace machining
