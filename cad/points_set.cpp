#include "cad/points_set.h"

#include <algorithm>
#include <string>

#include "cad/cad_exceptions.h"
#include "cad/geometry_drawing.h"

namespace cad {

TPointsSet2D::TPointsSet2D(uint16_t capacity) : points_(capacity) {}

void TPointsSet2D::Grow(int capacity) {
  // New points are ordinary points at the origin.
  if (capacity > Capacity()) points_.resize(size_t(capacity), TPoint2D{0, 0, 1});
}

void TPointsSet2D::Changed() {
  if (DisableEvents || !OnChange) return;
  // Events are off while the handler runs, so a handler that changes the set does not re-enter.
  DisableEvents = true;
  try {
    OnChange(*this);
  } catch (...) {
    DisableEvents = false;
    throw;
  }
  DisableEvents = false;
}

TPoint2D TPointsSet2D::GetPoint(int index) const {
  if (index < 0 || index >= count_) throw ECADOutOfBound("TPointsSet2D.Get: Index out of bound");
  return points_[size_t(index)];
}

void TPointsSet2D::PutPoint(int index, const TPoint2D& point) {
  if (index < 0) throw ECADOutOfBound("TPointsSet2D.Put: Vector out of bound");
  if (index >= Capacity()) {
    if (!GrowingEnabled || index >= kMaxPoints) throw ECADOutOfBound("TPointsSet2D.Put: Vector out of bound");
    Grow(std::min(kMaxPoints, std::max(index + 1, 2 * Capacity() + 1)));
  }
  points_[size_t(index)] = point;
  if (index >= count_) count_ = index + 1;
}

void TPointsSet2D::SetPoint(int index, const TPoint2D& point) {
  PutPoint(index, point);
  Changed();
}

void TPointsSet2D::AddPoints(std::span<const TPoint2D> points) {
  const int length = int(points.size());
  if ((!GrowingEnabled && Capacity() < length - 1) || count_ + int64_t(length) > kMaxPoints)
    throw ECADOutOfBound("TPointsSet2D.AddPoints: Vector out of bound");
  Grow(std::min(kMaxPoints, Capacity() + length));
  for (const auto& p : points) PutPoint(count_, p);
  Changed();
}

void TPointsSet2D::Insert(int index, const TPoint2D& point) {
  if (index < 0 || index >= count_) throw ECADOutOfBound("TPointsSet2D.Insert: Vector out of bound");
  PutPoint(count_, point);
  std::copy_backward(points_.begin() + index, points_.begin() + (count_ - 1), points_.begin() + count_);
  points_[size_t(index)] = point;
  Changed();
}

void TPointsSet2D::CopyPoints(const TPointsSet2D& source, int first, int last) {
  try {
    // In 64 bits: "up to the end" is often asked for as INT_MAX, whose + 1 would overflow. The copy
    // stops at the source's last point, so the storage grows no further than the points it gets.
    const int64_t end = std::min<int64_t>(int64_t(last) + 1, source.Count());
    Grow(static_cast<int>(std::min<int64_t>(end, kMaxPoints)));
    for (int64_t i = first; i <= last; ++i) PutPoint(static_cast<int>(i), source.GetPoint(static_cast<int>(i)));
  } catch (const ECADOutOfBound&) {
    // Copying ends at the first point that is not there, as the callers expect.
  }
  Changed();
}

TRect2D TPointsSet2D::Extension() const {
  if (count_ == 0) return Rect2D(0, 0, 0, 0);
  TPoint2D p = CartesianPoint2D(points_[0]);
  TRect2D r = Rect2D(p.X, p.Y, p.X, p.Y);
  for (int i = 1; i < count_; ++i) {
    p = CartesianPoint2D(points_[size_t(i)]);
    r.First.X = std::min(r.First.X, p.X);
    r.First.Y = std::min(r.First.Y, p.Y);
    r.Second.X = std::max(r.Second.X, p.X);
    r.Second.Y = std::max(r.Second.Y, p.Y);
  }
  return r;
}

void TPointsSet2D::DrawAsPolyline(TDecorativeCanvas& canvas, const TRect2D& clip, const TTransform2D& view,
                                  const TRect2D& extents) const {
  DrawClippedPolyline2D(canvas, points_.data(), count_, false, 0, count_ - 1, view, extents, clip);
}

void TPointsSet2D::DrawAsPolygon(TDecorativeCanvas& canvas, const TRect2D& clip, const TTransform2D& view,
                                 const TRect2D& extents) const {
  FillClippedPolygon2D(canvas, points_.data(), count_, 0, count_ - 1, view, extents, clip);
}

TPoint2D ReadPoint2D(platform::ByteReader& stream, const char* where) {
  TPoint2D p;
  p.X = stream.F64();
  p.Y = stream.F64();
  p.W = stream.F64();
  // Drawn, such a point would land on pixel 0; measured, it would poison every extent it joins.
  if (!IsFinitePoint2D(p))
    throw ECADFileNotValid(std::string(where) + ": A point is not a finite number");
  return p;
}

void WritePoint2D(platform::ByteWriter& stream, const TPoint2D& p) {
  stream.F64(p.X);
  stream.F64(p.Y);
  stream.F64(p.W);
}

}  // namespace cad
