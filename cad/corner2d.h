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
// The fillet command: the arc of the fillet radius tangent to both objects, both trimmed to it; a
// radius of 0 (or less) trims them to their corner as TrimCorner2D does. Any other pair is left
// alone with kCornerWhatText.
TConstructionResult FilletCorner2D(TKQCmp2D& drawing, const TTwoObjectPick& pick, const TConstructionSettings& settings);
// The extend command: the first object, a line (or a two-point polyline), lengthened up to its
// corner with the second, a line, two-point polyline, arc or circle, which stays as it is (a circle
// stays a circle). The end of the line nearer the corner moves there, on the side where the line
// was picked; a line that already reaches the other object is left alone.
TConstructionResult ExtendToCorner2D(TKQCmp2D& drawing, const TTwoObjectPick& pick);
// The tangent arc of two objects: the arc of the tangent-arc radius, from one tangent point to the
// other (the shorter way), when the trim switch is on and the objects then trimmed to it; with the
// switch off the full tangent circle and the objects unchanged.
TConstructionResult TangentArc2D(TKQCmp2D& drawing, const TTwoObjectPick& pick, const TConstructionSettings& settings);
// What both run: `addArc` adds the tangent arc of `radius`, `trim` changes the objects. A line and
// a two-point polyline, or two such polylines, get the fillet of `filletRadius` whatever the switches
// (trimmed to it; of no radius, trimmed to the corner). A circle is replaced by a full arc only when
// the construction acts; when it cannot act the result says why.
TConstructionResult CornerConstruction2D(TKQCmp2D& drawing, const TTwoObjectPick& pick, bool addArc, bool trim,
                                         double radius, double filletRadius);

// Why a corner command left the drawing as it was (TConstructionResult::Message).
inline constexpr const char* kParallelLinesText = "The lines are parallel: they have no corner";
inline constexpr const char* kPickOnObjectText = "Pick each object beside the other one, not on it";
inline constexpr const char* kFarCornerText = "The corner lies too far beyond both objects";
inline constexpr const char* kPickBeyondCornerText = "Pick each object on the part that stays, not beyond the corner";
inline constexpr const char* kNoCrossingText = "The line does not cross the circle: there is no corner";
inline constexpr const char* kCornerWhatText = "Pick two lines, arcs or circles (a polyline of two points counts as a line)";
inline constexpr const char* kAlreadyReachesText = "The line already reaches the other object: nothing to extend";
inline constexpr const char* kExtendWhatText = "Pick a line to extend first, then the line, arc or circle it is to reach";
inline constexpr const char* kNoTangentArcText = "No arc of this radius touches both objects";

}  // namespace cad
