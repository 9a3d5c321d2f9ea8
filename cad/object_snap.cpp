#include "cad/object_snap.h"

#include <vector>

#include "cad/curves2d.h"
#include "cad/primitives2d.h"

namespace cad {

namespace {

struct Candidate {
  TPoint2D point;
  int cursor;
};

TObjectSnap Snap(const TPoint2D& point, int cursor) { return {true, CartesianPoint2D(point), cursor}; }

TObjectSnap NoSnap(int cursor = kSnapCursorNone) { return {false, {}, cursor}; }

// The candidate nearest to the pointer; MinIndex keeps the first of equals. The last candidate's
// distance is taken in single precision, as the snap has always measured it.
TObjectSnap Nearest(const std::vector<Candidate>& candidates, const TPoint2D& pointer) {
  std::vector<double> distances;
  for (const Candidate& c : candidates) distances.push_back(CartesianDistance2D(pointer, c.point));
  distances.back() = double(float(distances.back()));
  const Candidate& best = candidates[size_t(MinIndex(distances))];
  return Snap(best.point, best.cursor);
}

TPoint2D ModelPoint(const TPrimitive2D& primitive, int index) {
  return CartesianPoint2D(TransformPoint2D(primitive.Points().Points()[index], primitive.GetModelTransform()));
}

bool OnOutlineOrControlPoint(int code) { return code == PICK_ONOBJECT || code >= 0; }

}  // namespace

TObjectSnap ObjectSnap(TObject2D* object, int pickCode, int kind, const TPoint2D& at) {
  const TPoint2D pointer = CartesianPoint2D(at);
  if (!object) return NoSnap();
  if (auto* point = dynamic_cast<TPunto2D*>(object)) {
    if (!OnOutlineOrControlPoint(pickCode) || point->Points().Count() < 1) return NoSnap(0);
    if (kind == kSnapPointEntity || kind == kSnapNearest) return Snap(ModelPoint(*point, 0), kSnapCursorPoint);
    return NoSnap();
  }
  if (auto* line = dynamic_cast<TLine2D*>(object)) {
    if (!OnOutlineOrControlPoint(pickCode) || line->Points().Count() < 2) return NoSnap();
    const TPoint2D a = ModelPoint(*line, 0), b = ModelPoint(*line, 1);
    const TPoint2D middle = Point2D((a.X + b.X) / 2, (a.Y + b.Y) / 2);
    switch (kind) {
      case kSnapEndPoint:
        return CartesianDistance2D(pointer, a) < CartesianDistance2D(pointer, b) ? Snap(a, kSnapCursorEnd)
                                                                                 : Snap(b, kSnapCursorEnd);
      case kSnapMiddlePoint: return Snap(middle, kSnapCursorMiddle);
      case kSnapNearest:
        return Nearest({{a, kSnapCursorEnd}, {b, kSnapCursorEnd}, {middle, kSnapCursorMiddle}}, pointer);
      default: return NoSnap();
    }
  }
  if (auto* polyline = dynamic_cast<TPolyline2D*>(object)) {
    if (pickCode < 0 || pickCode >= polyline->Points().Count()) return NoSnap();
    if (kind == kSnapEndPoint || kind == kSnapNearest) return Snap(ModelPoint(*polyline, pickCode), kSnapCursorEnd);
    return NoSnap();
  }
  if (auto* circle = dynamic_cast<TCerchio2D*>(object)) {
    if (!OnOutlineOrControlPoint(pickCode) || circle->Points().Count() < 2) return NoSnap();
    const TPoint2D c = ModelPoint(*circle, 0);
    const double r = CartesianDistance2D(c, ModelPoint(*circle, 1));
    const TPoint2D right = Point2D(c.X + r, c.Y), left = Point2D(c.X - r, c.Y);
    switch (kind) {
      case kSnapEndPoint: return Snap(right, kSnapCursorEnd);
      case kSnapMiddlePoint: return Snap(left, kSnapCursorMiddle);
      case kSnapCentre: return Snap(c, kSnapCursorCentre);
      case kSnapNearest:
        return Nearest({{c, kSnapCursorCentre}, {right, kSnapCursorEnd}, {left, kSnapCursorMiddle}}, pointer);
      default: return NoSnap();
    }
  }
  if (auto* arc = dynamic_cast<TArco2D*>(object)) {
    TArcPoints points;
    if (!OnOutlineOrControlPoint(pickCode) || !arc->GetArcPoints(points)) return NoSnap();
    const TPoint2D middle = arc->PointAtFraction(0.5);
    switch (kind) {
      case kSnapEndPoint:
        return CartesianDistance2D(pointer, points.StartPoint) < CartesianDistance2D(pointer, points.EndPoint)
                   ? Snap(points.StartPoint, kSnapCursorEnd)
                   : Snap(points.EndPoint, kSnapCursorEnd);
      case kSnapMiddlePoint: return Snap(middle, kSnapCursorMiddle);
      case kSnapCentre: return Snap(points.Centre, kSnapCursorCentre);
      case kSnapNearest:
        return Nearest({{points.Centre, kSnapCursorCentre},
                        {points.StartPoint, kSnapCursorEnd},
                        {points.EndPoint, kSnapCursorEnd},
                        {middle, kSnapCursorMiddle}},
                       pointer);
      default: return NoSnap();
    }
  }
  if (auto* curve = dynamic_cast<TCurve2D*>(object)) {
    if (pickCode < 0 || pickCode >= curve->Points().Count()) return NoSnap();
    if (kind == kSnapEndPoint || kind == kSnapNearest) return Snap(ModelPoint(*curve, pickCode), kSnapCursorEnd);
    return NoSnap();
  }
  return NoSnap();
}

}  // namespace cad
