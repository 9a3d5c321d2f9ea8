// The growable array of homogeneous points every primitive keeps. Its count is 16-bit in the
// drawing streams, so it holds at most 65535 points and refuses to grow further.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "cad/decorative_pen.h"
#include "cad/geometry.h"
#include "platform/binary_stream.h"

namespace cad {

class TPointsSet2D {
 public:
  static constexpr int kMaxPoints = 65535;
  using ChangeEvent = std::function<void(TPointsSet2D& sender)>;

  explicit TPointsSet2D(uint16_t capacity);
  virtual ~TPointsSet2D() = default;

  int Count() const { return count_; }
  int Capacity() const { return int(points_.size()); }
  // The points in use, contiguous.
  const TPoint2D* Points() const { return points_.data(); }

  // ECADOutOfBound for an index outside 0..count - 1.
  virtual TPoint2D GetPoint(int index) const;
  // Stores without an event, growing when allowed; ECADOutOfBound past the capacity of a set that
  // may not grow, past 65535 points or for a negative index.
  virtual void PutPoint(int index, const TPoint2D& point);
  void SetPoint(int index, const TPoint2D& point);
  void Add(const TPoint2D& point) { SetPoint(count_, point); }
  void AddPoints(std::span<const TPoint2D> points);
  void Insert(int index, const TPoint2D& point);
  void Clear() { count_ = 0; }
  // Copies the source's points first..last to the same indices; stops quietly at the first error.
  void CopyPoints(const TPointsSet2D& source, int first, int last);
  // The points' bounding box, minimum corner first; (0, 0)-(0, 0) for an empty set.
  TRect2D Extension() const;

  void DrawAsPolyline(TDecorativeCanvas& canvas, const TRect2D& clip, const TTransform2D& view,
                      const TRect2D& extents) const;
  void DrawAsPolygon(TDecorativeCanvas& canvas, const TRect2D& clip, const TTransform2D& view,
                     const TRect2D& extents) const;

  bool DisableEvents = false;
  bool GrowingEnabled = true;
  ChangeEvent OnChange;

 private:
  void Grow(int capacity);
  void Changed();

  std::vector<TPoint2D> points_;  // size() is the capacity
  int count_ = 0;
};

// A point record of the drawing streams: X, Y and W as doubles. A coordinate that is not a finite
// number marks a damaged stream: ECADFileNotValid naming `where`.
TPoint2D ReadPoint2D(platform::ByteReader& stream, const char* where);
void WritePoint2D(platform::ByteWriter& stream, const TPoint2D& p);

}  // namespace cad
