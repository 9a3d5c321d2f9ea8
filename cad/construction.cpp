#include "cad/construction.h"

#include <algorithm>
#include <cmath>

namespace cad {

namespace {

// A piece of the arc between the sweeps `from` and `to` is worth keeping: neither its sweep nor its
// length lies within the tolerance (a zero sweep would read back as a full turn).
bool IsRealPiece(double radius, double from, double to) {
  const double sweep = to - from;
  return sweep > GeometryTolerance() && radius * sweep > GeometryTolerance();
}

// The drawing's current layer for the time of one addition.
class LayerScope {
 public:
  LayerScope(TKQCmp2D& drawing, uint8_t layer) : drawing_(drawing), saved_(drawing.CurrentLayer) {
    drawing.CurrentLayer = layer;
  }
  ~LayerScope() { drawing_.CurrentLayer = saved_; }
  LayerScope(const LayerScope&) = delete;
  LayerScope& operator=(const LayerScope&) = delete;

 private:
  TKQCmp2D& drawing_;
  uint8_t saved_;
};

}  // namespace

std::unique_ptr<TCerchio2D> IntersectionMarker2D(const TPoint2D& at, double visibleWidth) {
  const TPoint2D c = CartesianPoint2D(at);
  return std::make_unique<TCerchio2D>(-1, c, Point2D(c.X + visibleWidth / 150, c.Y));
}

TPoint2D DrawingPoint2D(const TPrimitive2D& object, int index) {
  return CartesianPoint2D(TransformPoint2D(object.Points().Points()[index], object.GetModelTransform()));
}

bool ReadLine2D(const TObject2D& object, TPoint2D& first, TPoint2D& second) {
  const auto* primitive = dynamic_cast<const TPrimitive2D*>(&object);
  if (!primitive) return false;
  const int count = primitive->Points().Count();
  const bool line = dynamic_cast<const TLine2D*>(&object) && count >= 2;
  const bool twoPointPolyline =
      dynamic_cast<const TPolyline2D*>(&object) && !dynamic_cast<const TPolygon2D*>(&object) && count == 2;
  if (!line && !twoPointPolyline) return false;
  first = DrawingPoint2D(*primitive, 0);
  second = DrawingPoint2D(*primitive, 1);
  return IsFinitePoint2D(first) && IsFinitePoint2D(second);
}

bool ReadArc2D(const TObject2D& object, TArcPoints& arc) {
  const auto* a = dynamic_cast<const TArco2D*>(&object);
  if (!a || !a->GetArcPoints(arc)) return false;
  return IsFinitePoint2D(arc.Centre) && std::isfinite(arc.Radius) && arc.Radius > GeometryTolerance() &&
         std::isfinite(arc.StartAngle) && std::isfinite(arc.Sweep);
}

bool ReadCircle2D(const TObject2D& object, TArcPoints& arc) {
  const auto* circle = dynamic_cast<const TCerchio2D*>(&object);
  if (!circle || circle->Points().Count() < 2) return false;
  arc = TArcPoints{};
  arc.Centre = DrawingPoint2D(*circle, 0);
  arc.Radius = CartesianDistance2D(arc.Centre, DrawingPoint2D(*circle, 1));
  arc.StartPoint = arc.EndPoint = Point2D(arc.Centre.X + arc.Radius, arc.Centre.Y);
  arc.Sweep = kTwoPi;
  return IsFinitePoint2D(arc.Centre) && std::isfinite(arc.Radius) && arc.Radius > GeometryTolerance();
}

bool ReadArcOrCircle2D(const TObject2D& object, TArcPoints& arc) {
  return ReadArc2D(object, arc) || ReadCircle2D(object, arc);
}

bool IsArcOrCircle2D(const TObject2D& object) { return Is<TArco2D>(object) || Is<TCerchio2D>(object); }

double SweepToPoint2D(const TArcPoints& arc, const TPoint2D& p) {
  const double a = std::atan2(p.Y - arc.Centre.Y, p.X - arc.Centre.X);
  return NormalAngle2D(arc.Clockwise ? arc.StartAngle - a : a - arc.StartAngle);
}

bool IsPointOnArc2D(const TArcPoints& arc, const TPoint2D& p) {
  if (!IsFinitePoint2D(p) || !IsSameFloat(CartesianDistance2D(arc.Centre, p), arc.Radius)) return false;
  return SweepToPoint2D(arc, p) <= arc.Sweep || IsSamePoint2D(p, arc.StartPoint) || IsSamePoint2D(p, arc.EndPoint);
}

std::vector<TArcPiece> ArcPieces2D(const TArcPoints& arc, std::span<const TPoint2D> at) {
  const bool full = arc.Sweep >= kTwoPi - GeometryTolerance();
  std::vector<double> sweeps;
  for (const TPoint2D& p : at) {
    if (!IsPointOnArc2D(arc, p)) continue;
    const double u = SweepToPoint2D(arc, p);
    // Past the sweep only just before the start, that is at one of the ends.
    if (full || u <= arc.Sweep) sweeps.push_back(u);
  }
  std::sort(sweeps.begin(), sweeps.end());
  const double r = arc.Radius;
  std::vector<double> bounds;
  if (full) {
    for (double u : sweeps)
      if (bounds.empty() || IsRealPiece(r, bounds.back(), u)) bounds.push_back(u);
    // The last point and the first meet again round the circle.
    while (bounds.size() >= 2 && !IsRealPiece(r, bounds.back(), bounds.front() + kTwoPi)) bounds.pop_back();
    if (bounds.size() < 2) return {};
    bounds.push_back(bounds.front() + kTwoPi);
  } else {
    bounds.push_back(0);
    for (double u : sweeps)
      if (IsRealPiece(r, bounds.back(), u) && IsRealPiece(r, u, arc.Sweep)) bounds.push_back(u);
    if (bounds.size() < 2) return {};
    bounds.push_back(arc.Sweep);
  }
  std::vector<TArcPiece> pieces;
  for (size_t i = 0; i + 1 < bounds.size(); ++i) {
    const double from = bounds[i], to = bounds[i + 1];
    // Pieces are made counter-clockwise: a clockwise arc's piece runs from its far end.
    if (arc.Clockwise)
      pieces.push_back({NormalAngle2D(arc.StartAngle - to), NormalAngle2D(arc.StartAngle - from)});
    else
      pieces.push_back({NormalAngle2D(arc.StartAngle + from), NormalAngle2D(arc.StartAngle + to)});
  }
  return pieces;
}

std::vector<std::array<TPoint2D, 2>> SegmentPieces2D(const TPoint2D& first, const TPoint2D& second,
                                                     std::span<const TPoint2D> at) {
  const double dx = second.X - first.X, dy = second.Y - first.Y;
  std::vector<TPoint2D> points(at.begin(), at.end());
  std::sort(points.begin(), points.end(), [&](const TPoint2D& a, const TPoint2D& b) {
    return (a.X - first.X) * dx + (a.Y - first.Y) * dy < (b.X - first.X) * dx + (b.Y - first.Y) * dy;
  });
  std::vector<TPoint2D> bounds{first};
  for (const TPoint2D& p : points)
    if (PointDistance2D(bounds.back(), p) > GeometryTolerance() && PointDistance2D(p, second) > GeometryTolerance())
      bounds.push_back(p);
  bounds.push_back(second);
  std::vector<std::array<TPoint2D, 2>> pieces;
  for (size_t i = 0; i + 1 < bounds.size(); ++i)
    if (PointDistance2D(bounds[i], bounds[i + 1]) > GeometryTolerance()) pieces.push_back({bounds[i], bounds[i + 1]});
  return pieces;
}

TObject2D* AddPieceOf2D(TKQCmp2D& drawing, const TObject2D& source, std::unique_ptr<TObject2D> piece) {
  LayerScope layer(drawing, source.Layer);
  return drawing.AddObject(-1, std::move(piece));
}

void SetLinePoints2D(TObject2D& line, const TPoint2D& first, const TPoint2D& second) {
  auto* primitive = dynamic_cast<TPrimitive2D*>(&line);
  if (!primitive) return;
  primitive->SetModelTransform(IdentityTransform2D);
  TPointsSet2D& points = primitive->Points();
  points.DisableEvents = true;
  points.PutPoint(0, first);
  points.PutPoint(1, second);
  points.DisableEvents = false;
  primitive->UpdateAndNotify();
}

int ReplaceArcByPieces2D(TKQCmp2D& drawing, int32_t arcId, std::span<const TArcPiece> pieces) {
  const auto* arc = dynamic_cast<TArco2D*>(drawing.GetObject(arcId));
  TArcPoints a;
  if (!arc || pieces.empty() || !arc->GetArcPoints(a)) return 0;
  const TPoint2D onCircle = Point2D(a.Centre.X + a.Radius, a.Centre.Y);
  for (const TArcPiece& piece : pieces)
    AddPieceOf2D(drawing, *arc, std::make_unique<TArco2D>(-1, a.Centre, onCircle, piece.Start, piece.End));
  drawing.DeleteObject(arcId);
  return int(pieces.size());
}

int SplitArc2D(TKQCmp2D& drawing, int32_t arcId, std::span<const TPoint2D> at) {
  const TObject2D* arc = drawing.GetObject(arcId);
  TArcPoints a;
  if (!arc || !ReadArc2D(*arc, a)) return 0;
  const std::vector<TArcPiece> pieces = ArcPieces2D(a, at);
  return ReplaceArcByPieces2D(drawing, arcId, pieces);
}

int32_t CircleToArc2D(TKQCmp2D& drawing, int32_t id) {
  const auto* circle = dynamic_cast<TCerchio2D*>(drawing.GetObject(id));
  if (!circle || circle->Points().Count() < 2) return id;
  const TPoint2D centre = DrawingPoint2D(*circle, 0), onCircle = DrawingPoint2D(*circle, 1);
  const int32_t arcId = AddPieceOf2D(drawing, *circle, std::make_unique<TArco2D>(-1, centre, onCircle, 0, 0))->ID;
  drawing.DeleteObject(id);
  return arcId;
}

}  // namespace cad
