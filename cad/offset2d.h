// Copies of a line or an arc shifted by a signed distance. The corner commands shift the two picked
// curves by the tangent-arc radius to find the centre of the tangent arc. Points are taken in
// drawing coordinates (through the object's model transform); the copies have ID -1, are not in any
// drawing and belong to the caller.
#pragma once

#include <memory>

#include "cad/curves2d.h"
#include "cad/primitives2d.h"

namespace cad {

// The shift of a polyline corner between an incoming and an outgoing edge for the distance x: for
// two equal edges (a straight line) the vector of length x perpendicular to the edge, to its left.
// Edges that fold back on each other are shifted as if they met at a right angle, which keeps the
// shift at x instead of growing without bound.
TVector2D VertexOffset2D(const TVector2D& incoming, const TVector2D& outgoing, double x);
// The line moved by x to the left of its direction P0->P1 (a negative x to the right).
std::unique_ptr<TLine2D> OffsetLine2D(const TLine2D& line, double x);
// The arc with the same centre and angles and the radius grown by x (a negative x shrinks it).
std::unique_ptr<TArco2D> OffsetArc2D(const TArco2D& arc, double x);
// The offset command's copy: a line (or a two-point polyline, copied as a line) moved by x to the
// left of its direction, an arc or a circle with its radius grown by x. None for any other object,
// for geometry that does not read and for an arc or circle that would shrink to nothing.
std::unique_ptr<TPrimitive2D> OffsetCopy2D(const TObject2D& object, double x);

}  // namespace cad
