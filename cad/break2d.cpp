#include "cad/break2d.h"

#include <algorithm>

#include "cad/intersections.h"

namespace cad {

namespace {

// A crossing closer than this to the start of a polyline's segment does not cut it there (the
// previous segment's end already does).
constexpr double kSegmentStartGap = 0.001;

// Adds p unless it is already there (within the tolerance).
void AddDistinct(std::vector<TPoint2D>& points, const TPoint2D& p) {
  for (const TPoint2D& q : points)
    if (IsSamePoint2D(p, q)) return;
  points.push_back(p);
}

// The line replaced by its pieces between the crossings (on the line's layer).
void ReplaceLineByPieces(TKQCmp2D& drawing, TObject2D& line, const TPoint2D& p0, const TPoint2D& p1,
                         std::span<const TPoint2D> crossings) {
  for (const auto& piece : SegmentPieces2D(p0, p1, crossings))
    AddPieceOf2D(drawing, line, std::make_unique<TLine2D>(-1, piece[0], piece[1]));
  drawing.DeleteObject(line.ID);
}

bool IsRealLine(const TObject2D& o, TPoint2D& p0, TPoint2D& p1) {
  return dynamic_cast<const TLine2D*>(&o) && ReadLine2D(o, p0, p1) && PointDistance2D(p0, p1) > GeometryTolerance();
}

TConstructionResult BreakLines(TKQCmp2D& drawing, TObject2D& first, TObject2D& second) {
  TConstructionResult result;
  TPoint2D p0, p1, q0, q1, x;
  if (!IsRealLine(first, p0, p1) || !IsRealLine(second, q0, q1)) return result;
  if (!SegmentIntersection2D(p0, p1, q0, q1, x) || !IsFinitePoint2D(x)) return result;
  const TPoint2D at[] = {x};
  ReplaceLineByPieces(drawing, first, p0, p1, at);
  ReplaceLineByPieces(drawing, second, q0, q1, at);
  result.Changed = true;
  result.Crossings.push_back(x);
  return result;
}

// Only points on the circle and within the arc's span are crossings: the segment's own ends inside
// the circle and crossings in the arc's gap are not.
TConstructionResult BreakLineArc(TKQCmp2D& drawing, TObject2D& line, int32_t arcId) {
  TConstructionResult result;
  TPoint2D p0, p1;
  TArcPoints arc;
  const TObject2D* arcObject = drawing.GetObject(arcId);
  if (!IsRealLine(line, p0, p1) || !arcObject || !ReadArc2D(*arcObject, arc)) return result;
  TPoint2D a = p0, b = p1;
  const int kind = SegmentCircleIntersection2D(p0, p1, arc.Centre, arc.Radius, a, b);
  std::vector<TPoint2D> candidates;
  if (kind == SEGCIRCLE_TANGENT) candidates = {a};
  if (kind == SEGCIRCLE_INSIDE_PART || kind == SEGCIRCLE_CROSSING) candidates = {a, b};
  std::vector<TPoint2D> crossings;
  for (const TPoint2D& p : candidates)
    if (IsPointOnArc2D(arc, p)) AddDistinct(crossings, p);
  if (crossings.empty()) return result;
  ReplaceLineByPieces(drawing, line, p0, p1, crossings);
  SplitArc2D(drawing, arcId, crossings);
  result.Changed = true;
  result.Crossings = crossings;
  return result;
}

// An outline as a polyline in drawing coordinates: a line's two points, a polyline's points (a
// polygon closed by its first point again), a curve's profile (a frame's four corners and the first
// again). Empty for anything else.
std::vector<TPoint2D> OutlineOf(TObject2D& object) {
  std::vector<TPoint2D> points;
  auto* primitive = dynamic_cast<TPrimitive2D*>(&object);
  if (!primitive) return points;
  const TTransform2D m = object.GetModelTransform();
  auto add = [&](const TPoint2D* p, int count) {
    for (int i = 0; i < count; ++i) points.push_back(CartesianPoint2D(TransformPoint2D(p[i], m)));
  };
  if (dynamic_cast<TLine2D*>(&object)) {
    add(primitive->Points().Points(), std::min(primitive->Points().Count(), 2));
  } else if (auto* curve = dynamic_cast<TCurve2D*>(&object)) {
    TProfileUse use(*curve);
    if (curve->HasProfile()) add(curve->ProfilePoints().Points(), curve->ProfilePoints().Count());
  } else if (dynamic_cast<TPolyline2D*>(&object)) {
    add(primitive->Points().Points(), primitive->Points().Count());
    if (dynamic_cast<TPolygon2D*>(&object) && !points.empty()) points.push_back(points.front());
  }
  for (const TPoint2D& p : points)
    if (!IsFinitePoint2D(p)) return {};
  return points;
}

struct TPolylineCrossing {
  int Segment = 0;
  double Distance = 0;
  TPoint2D Point;
};

// The outline cut at its crossings into polylines, each added on the source's layer; pieces that
// shrink to one point are left out.
void AddPolylinePieces(TKQCmp2D& drawing, const TObject2D& source, const std::vector<TPoint2D>& outline,
                       std::vector<TPolylineCrossing> crossings) {
  std::sort(crossings.begin(), crossings.end(), [](const TPolylineCrossing& a, const TPolylineCrossing& b) {
    return a.Segment != b.Segment ? a.Segment < b.Segment : a.Distance < b.Distance;
  });
  std::vector<TPoint2D> piece;
  auto append = [&](const TPoint2D& p) {
    if (piece.empty() || !IsSamePoint2D(piece.back(), p)) piece.push_back(p);
  };
  auto close = [&]() {
    if (piece.size() >= 2) AddPieceOf2D(drawing, source, std::make_unique<TPolyline2D>(-1, piece));
    piece.clear();
  };
  append(outline[0]);
  size_t next = 0;
  for (int segment = 0; segment + 1 < int(outline.size()); ++segment) {
    for (; next < crossings.size() && crossings[next].Segment == segment; ++next) {
      if (crossings[next].Distance <= kSegmentStartGap) continue;
      append(crossings[next].Point);
      close();
      append(crossings[next].Point);
    }
    append(outline[size_t(segment) + 1]);
  }
  close();
}

TConstructionResult BreakOutlines(TKQCmp2D& drawing, TObject2D& first, TObject2D& second) {
  TConstructionResult result;
  const std::vector<TPoint2D> a = OutlineOf(first), b = OutlineOf(second);
  if (a.size() < 2 || b.size() < 2) return result;
  std::vector<TPolylineCrossing> onA, onB;
  for (int i = 0; i + 1 < int(a.size()); ++i) {
    for (int j = 0; j + 1 < int(b.size()); ++j) {
      TPoint2D x;
      if (!SegmentIntersection2D(a[size_t(i)], a[size_t(i) + 1], b[size_t(j)], b[size_t(j) + 1], x) ||
          !IsFinitePoint2D(x))
        continue;
      onA.push_back({i, PointDistance2D(a[size_t(i)], x), x});
      onB.push_back({j, PointDistance2D(b[size_t(j)], x), x});
      AddDistinct(result.Crossings, x);
    }
  }
  if (result.Crossings.empty()) return result;
  AddPolylinePieces(drawing, first, a, std::move(onA));
  AddPolylinePieces(drawing, second, b, std::move(onB));
  drawing.DeleteObject(first.ID);
  drawing.DeleteObject(second.ID);
  result.Changed = true;
  return result;
}

bool IsLine(const TObject2D& o) { return Is<TLine2D>(o); }
// The classes the break command cuts: lines, frames, arcs, circles, polylines and other curves.
bool IsBreakable(const TObject2D& o) { return IsLine(o) || Is<TCurve2D>(o) || Is<TPolyline2D>(o); }

}  // namespace

TConstructionResult BreakArcs2D(TKQCmp2D& drawing, int32_t firstArcId, int32_t secondArcId) {
  TConstructionResult result;
  const TObject2D* first = drawing.GetObject(firstArcId);
  const TObject2D* second = drawing.GetObject(secondArcId);
  TArcPoints a1, a2;
  TPoint2D x1, x2;
  if (!first || !second || first == second || !ReadArc2D(*first, a1) || !ReadArc2D(*second, a2)) return result;
  // Nested, concentric and distant circles do not cross.
  if (!CircleCircleIntersection2D(a1.Centre, a1.Radius, a2.Centre, a2.Radius, x1, x2)) return result;
  for (const TPoint2D& x : {x1, x2})
    if (IsPointOnArc2D(a1, x) && IsPointOnArc2D(a2, x)) AddDistinct(result.Crossings, x);
  if (result.Crossings.empty()) return result;
  const int cut = SplitArc2D(drawing, firstArcId, result.Crossings) + SplitArc2D(drawing, secondArcId, result.Crossings);
  result.Changed = cut > 0;
  return result;
}

TConstructionResult BreakAtCrossings2D(TKQCmp2D& drawing, const TTwoObjectPick& pick) {
  TObject2D* first = drawing.GetObject(pick.FirstID);
  TObject2D* second = drawing.GetObject(pick.SecondID);
  if (!first || !second || first == second || drawing.HasIterators()) return {};
  if (!IsBreakable(*first) || !IsBreakable(*second)) return {};
  if (IsLine(*first) && IsLine(*second)) return BreakLines(drawing, *first, *second);

  // Circles become full arcs first, whatever follows.
  const bool firstCurved = IsArcOrCircle2D(*first), secondCurved = IsArcOrCircle2D(*second);
  TConstructionResult result;
  if (IsLine(*first) && secondCurved) {
    const int32_t arcId = CircleToArc2D(drawing, pick.SecondID);
    result = BreakLineArc(drawing, *first, arcId);
    result.Changed = result.Changed || arcId != pick.SecondID;
  } else if (firstCurved && IsLine(*second)) {
    // The same pair picked the other way round.
    const int32_t arcId = CircleToArc2D(drawing, pick.FirstID);
    result = BreakLineArc(drawing, *second, arcId);
    result.Changed = result.Changed || arcId != pick.FirstID;
  } else if (firstCurved && secondCurved) {
    const int32_t firstId = CircleToArc2D(drawing, pick.FirstID);
    const int32_t secondId = CircleToArc2D(drawing, pick.SecondID);
    result = BreakArcs2D(drawing, firstId, secondId);
    result.Changed = result.Changed || firstId != pick.FirstID || secondId != pick.SecondID;
  } else {
    result = BreakOutlines(drawing, *first, *second);
  }
  return result;
}

}  // namespace cad
