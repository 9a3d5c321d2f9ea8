// Breaking two picked objects at their crossings. A line and a line, a line and an arc, two arcs
// (circles first replaced by full arcs) are cut exactly; any other pair of lines, frames, arcs,
// circles, polylines and curves is cut as two polylines of their outlines. Every crossing is
// reported for marking; pieces keep their source's layer; the sources are replaced when cut.
#pragma once

#include "cad/construction.h"

namespace cad {

// The break command.
TConstructionResult BreakAtCrossings2D(TKQCmp2D& drawing, const TTwoObjectPick& pick);
// Two arcs cut at the crossings that lie on both (as the break command cuts them).
TConstructionResult BreakArcs2D(TKQCmp2D& drawing, int32_t firstArcId, int32_t secondArcId);

}  // namespace cad
