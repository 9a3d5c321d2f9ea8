#include "cad/tangent_line2d.h"

#include <cmath>
#include <limits>

namespace cad {

void TangentCandidate2D(int k, const TPoint2D& c1, double r1, const TPoint2D& c2, double r2, TPoint2D& t1,
                        TPoint2D& t2) {
  const double d = PointDistance2D(c1, c2);
  const double ux = (c2.X - c1.X) / d, uy = (c2.Y - c1.Y) / d;
  const double s = k <= 2 ? (r2 - r1) / d : (r1 + r2) / d;
  const double sigma = k % 2 == 1 ? 1 : -1;
  const double c = std::sqrt(1 - s * s);
  const double nx = c * uy + sigma * s * ux, ny = sigma * s * uy - c * ux;
  // The sign each circle's radius takes along the normal.
  const double f1 = k == 1 || k == 4 ? -1 : 1;
  const double f2 = k == 1 || k == 3 ? -1 : 1;
  t1 = Point2D(c1.X + f1 * r1 * nx, c1.Y + f1 * r1 * ny);
  t2 = Point2D(c2.X + f2 * r2 * nx, c2.Y + f2 * r2 * ny);
}

TConstructionResult TangentLine2D(TKQCmp2D& drawing, const TTwoObjectPick& pick) {
  TConstructionResult result;
  const TObject2D* first = drawing.GetObject(pick.FirstID);
  const TObject2D* second = drawing.GetObject(pick.SecondID);
  TArcPoints a1, a2;
  if (!first || !second || first == second || drawing.HasIterators()) return result;
  if (!ReadArcOrCircle2D(*first, a1) || !ReadArcOrCircle2D(*second, a2)) return result;
  // A tangent that does not exist (one circle inside the other, a shared centre) or has no length
  // never wins, however far the picks lie from the real ones; the lowest k wins a tie.
  TPoint2D best1, best2;
  double bestScore = std::numeric_limits<double>::infinity();
  for (int k = 1; k <= 4; ++k) {
    TPoint2D t1, t2;
    TangentCandidate2D(k, a1.Centre, a1.Radius, a2.Centre, a2.Radius, t1, t2);
    if (!IsFinitePoint2D(t1) || !IsFinitePoint2D(t2) || IsSamePoint2D(t1, t2)) continue;
    const double score = PointDistance2D(t1, pick.PickPoints[0]) + PointDistance2D(t2, pick.PickPoints[1]);
    if (score < bestScore) {
      bestScore = score;
      best1 = t1;
      best2 = t2;
    }
  }
  if (!std::isfinite(bestScore)) return result;
  drawing.AddObject(-1, std::make_unique<TLine2D>(-1, best1, best2));
  drawing.RepaintViewports();
  result.Changed = true;
  return result;
}

}  // namespace cad
