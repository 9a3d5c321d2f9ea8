// A toolpath point: the node's drawing position and the compensated tool-tip height, in drawing units.
#pragma once

#include <vector>

namespace machining {

struct PassPoint {
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;
};

// One pass: the points the tool follows without leaving the material.
using Pass = std::vector<PassPoint>;

}  // namespace machining
