// Point reduction of a pass: drops the points that lie within the filter tolerance of the segment
// between their kept neighbours, so straight or gently curved stretches become few long moves.
#pragma once

#include <vector>

#include "machining/pass_point.h"

namespace machining {

// Farthest-point split on 3D points. Writes the kept points, in input order, to `kept` and returns
// their count; a pass of fewer than two points gives none.
int ReducePolyline(const std::vector<PassPoint>& pass, std::vector<PassPoint>& kept, float tolerance);

}  // namespace machining
