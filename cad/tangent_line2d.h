// The line tangent to two picked arcs or circles (taken as whole circles), of the four candidates
// the one whose tangent points lie nearest to the pick points.
#pragma once

#include "cad/construction.h"

namespace cad {

// The tangent points of candidate k (1 and 2 the outer tangents, 3 and 4 the crossing ones) of the
// circles (c1, r1) and (c2, r2); coordinates are NaN when that tangent does not exist (one circle
// inside the other, a shared centre).
void TangentCandidate2D(int k, const TPoint2D& c1, double r1, const TPoint2D& c2, double r2, TPoint2D& t1,
                        TPoint2D& t2);
// The tangent-line command: adds the winning candidate as a line; nothing when no candidate is a
// real line.
TConstructionResult TangentLine2D(TKQCmp2D& drawing, const TTwoObjectPick& pick);

}  // namespace cad
