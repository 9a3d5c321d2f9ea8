#include "cad/offset2d.h"

#include <cmath>
#include <numbers>

#include "cad/construction.h"

namespace cad {

namespace {

constexpr double kPi = std::numbers::pi;

double EdgeAngle(const TVector2D& v) {
  if (v.X != 0) return std::atan(v.Y / v.X) + (v.X < 0 ? kPi : 0);
  if (v.Y > 0) return kPi / 2;
  if (v.Y < 0) return -kPi / 2;
  return std::atan(v.Y / 0.0001);
}

}  // namespace

TVector2D VertexOffset2D(const TVector2D& incoming, const TVector2D& outgoing, double x) {
  const double first = EdgeAngle(incoming);
  double delta = first - EdgeAngle(outgoing);
  if (delta < -kPi) delta += 2 * kPi;
  if (delta > kPi) delta -= 2 * kPi;
  double half = (kPi - delta) / 2;
  if (std::abs(std::sin(half)) < 0.04) half = kPi / 2;
  const double length = x / std::sin(half);
  const double direction = first + half;
  return {length * std::cos(direction), length * std::sin(direction)};
}

std::unique_ptr<TLine2D> OffsetLine2D(const TLine2D& line, double x) {
  TPoint2D p0, p1;
  if (line.Points().Count() >= 2) {
    p0 = DrawingPoint2D(line, 0);
    p1 = DrawingPoint2D(line, 1);
  }
  const TVector2D v = PointDelta2D(p1, p0);
  const TVector2D o = VertexOffset2D(v, v, x);
  return std::make_unique<TLine2D>(-1, Point2D(p0.X - o.X, p0.Y - o.Y), Point2D(p1.X - o.X, p1.Y - o.Y));
}

std::unique_ptr<TArco2D> OffsetArc2D(const TArco2D& arc, double x) {
  TArcPoints a;
  if (!arc.GetArcPoints(a)) return std::make_unique<TArco2D>(-1, Point2D(0, 0), Point2D(x, 0), 0, 0);
  // Read through GetArcPoints, so a mirrored arc keeps its sweep; the copy runs counter-clockwise.
  const double start = a.Clockwise ? a.EndAngle : a.StartAngle;
  const double end = a.Clockwise ? a.StartAngle : a.EndAngle;
  return std::make_unique<TArco2D>(-1, a.Centre, Point2D(a.Centre.X + a.Radius + x, a.Centre.Y), start, end);
}

std::unique_ptr<TPrimitive2D> OffsetCopy2D(const TObject2D& object, double x) {
  if (!std::isfinite(x)) return nullptr;
  TPoint2D p0, p1;
  if (ReadLine2D(object, p0, p1)) {
    if (!IsFinitePoint2D(p0) || !IsFinitePoint2D(p1)) return nullptr;
    return OffsetLine2D(TLine2D(-1, p0, p1), x);
  }
  TArcPoints a;
  if (const auto* arc = dynamic_cast<const TArco2D*>(&object)) {
    if (!ReadArc2D(object, a) || a.Radius + x <= GeometryTolerance()) return nullptr;
    return OffsetArc2D(*arc, x);
  }
  if (ReadCircle2D(object, a) && IsFinitePoint2D(a.Centre) && a.Radius + x > GeometryTolerance())
    return std::make_unique<TCerchio2D>(-1, a.Centre, Point2D(a.Centre.X + a.Radius + x, a.Centre.Y));
  return nullptr;
}

}  // namespace cad
