// The corner commands on two picked objects: trim or extend both to their common corner, or add an
// arc of a given radius tangent to both (trimming them to it on request). Lines (and polylines of
// exactly two points, taken as lines), arcs and circles; a circle is first replaced in the drawing
// by a full arc. Every other pair is left alone, as is degenerate geometry (parallel lines, a pick
// point on the other object, circles that do not meet).
#pragma once

#include "cad/construction.h"

namespace cad {

// The trim command: both objects trimmed or extended to the corner; two arcs are broken at their
// crossings instead. Reads the fillet radius.
TConstructionResult TrimCorner2D(TKQCmp2D& drawing, const TTwoObjectPick& pick, const TConstructionSettings& settings);
// The tangent arc of two objects: the arc of the tangent-arc radius, from one tangent point to the
// other (the shorter way), when the trim switch is on and the objects then trimmed to it; with the
// switch off the full tangent circle and the objects unchanged.
TConstructionResult TangentArc2D(TKQCmp2D& drawing, const TTwoObjectPick& pick, const TConstructionSettings& settings);
// What both run: `addArc` adds the tangent arc of `radius`, `trim` changes the objects.
TConstructionResult CornerConstruction2D(TKQCmp2D& drawing, const TTwoObjectPick& pick, bool addArc, bool trim,
                                         double radius);

}  // namespace cad
