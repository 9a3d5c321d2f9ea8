// Entities defined by a list of points (their control points), the control-point handler they
// share, the outline protocol of entities with a profile, and the four simplest entities: point,
// segment, polyline and filled polygon.
#pragma once

#include <initializer_list>
#include <memory>
#include <span>

#include "cad/object2d.h"
#include "cad/points_set.h"

namespace cad {

class TPrimitive2D : public TObject2D {
 public:
  // The point set gets `capacity` points; the program-wide primitives' handler is set.
  TPrimitive2D(int32_t id, int capacity);
  // After TObject2D's fields: uint16 count, the points, uint8 growing-enabled.
  TPrimitive2D(platform::ByteReader& stream, const std::string& versionTag);

  void UpdateExtension() override;
  void SaveToStream(platform::ByteWriter& stream) override;

  // Any change of a point recomputes the extents and fires OnChange.
  TPointsSet2D& Points() { return *points_; }
  const TPointsSet2D& Points() const { return *points_; }
  // Point i, or none when the set holds fewer points.
  const TPoint2D* PointOrNone(int i) const { return i < points_->Count() ? points_->Points() + i : nullptr; }

 protected:
  // Clears the points when the source is a primitive; each entity then copies what it needs.
  void AssignFrom(const TGraphicObject& source) override;
  // Replaces the points with events off, sets whether the set may grow, and notifies once.
  void FillPoints(std::span<const TPoint2D> points, bool growable);
  // Copies the source's points first..last (those it has) to the same indices, events off.
  void CopyPointsFrom(const TPrimitive2D& source, int first, int last);
  void CopyAllPointsFrom(const TPrimitive2D& source) { CopyPointsFrom(source, 0, source.Points().Count() - 1); }
  // Appends points with events off.
  void AppendPoints(std::initializer_list<TPoint2D> points);
  // The screen transform of the points: GetModelTransform x view.
  TTransform2D PointsToScreen(const TTransform2D& view) const;
  // TObject2D's test and, on PICK_INBBOX, the open polyline through `points` (object coordinates):
  // the larger code, the smaller distance. PICK_NOOBJECT when there are fewer than `needed` points.
  int PickPolyline(const TPoint2D& p, double aperture, double& distance, const TPoint2D* points, int count,
                   int needed);
  // On PICK_INBBOX from an earlier test, the inside test of the closed outline through `points`.
  int PickInside(int code, const TPoint2D& p, double aperture, double& distance, const TPoint2D* points, int count);

 private:
  void BindPoints();

  std::unique_ptr<TPointsSet2D> points_;
};

// Markers at every point; picks the nearest point within the aperture (the last of equals wins).
class TPrimitive2DHandler : public TObject2DHandler {
 public:
  TPrimitive2DHandler() : TObject2DHandler(nullptr) {}
  void DrawControlPoints(TObject2D& object, const TTransform2D& view, int width, TDecorativeCanvas& canvas) override;
  int PickTest(TObject2D& object, const TPoint2D& p, double& distance, double aperture) override;
};

// Entities with a profile: the polyline that is drawn, picked and exported. Every use of the profile
// lies between BeginUseProfilePoints and EndUseProfilePoints (TProfileUse does both).
class TOutline2D : public TPrimitive2D {
 public:
  using TPrimitive2D::TPrimitive2D;

  virtual TPointsSet2D& ProfilePoints() = 0;
  virtual int NumberOfProfilePts() = 0;
  // At least 3 profile points, the last the same as the first (tolerantly).
  virtual bool IsClosed();
  virtual void BeginUseProfilePoints() {}
  virtual void EndUseProfilePoints() {}

 protected:
  static bool IsClosedProfile(const TPointsSet2D& profile);
};

class TProfileUse {
 public:
  explicit TProfileUse(TOutline2D& outline) : outline_(outline) { outline_.BeginUseProfilePoints(); }
  ~TProfileUse() { outline_.EndUseProfilePoints(); }
  TProfileUse(const TProfileUse&) = delete;
  TProfileUse& operator=(const TProfileUse&) = delete;

 private:
  TOutline2D& outline_;
};

class TPunto2D : public TPrimitive2D {
 public:
  explicit TPunto2D(int32_t id) : TPrimitive2D(id, 1) {}
  TPunto2D(int32_t id, const TPoint2D& point);
  TPunto2D(platform::ByteReader& stream, const std::string& versionTag) : TPrimitive2D(stream, versionTag) {}

  std::string ClassName() const override { return "TPunto2D"; }
  std::unique_ptr<TObject2D> NewInstance(int32_t id) const override { return std::make_unique<TPunto2D>(id); }
  void Draw(const TTransform2D& view, TDecorativeCanvas& canvas, const TRect2D& clip, int mode) override;
  int PickTest(const TPoint2D& p, double aperture, double& distance) override;

 protected:
  void AssignFrom(const TGraphicObject& source) override;
};

class TLine2D : public TPrimitive2D {
 public:
  explicit TLine2D(int32_t id) : TPrimitive2D(id, 2) {}
  TLine2D(int32_t id, const TPoint2D& first, const TPoint2D& second);
  TLine2D(platform::ByteReader& stream, const std::string& versionTag) : TPrimitive2D(stream, versionTag) {}

  std::string ClassName() const override { return "TLine2D"; }
  std::unique_ptr<TObject2D> NewInstance(int32_t id) const override { return std::make_unique<TLine2D>(id); }
  void Draw(const TTransform2D& view, TDecorativeCanvas& canvas, const TRect2D& clip, int mode) override;
  int PickTest(const TPoint2D& p, double aperture, double& distance) override;

 protected:
  void AssignFrom(const TGraphicObject& source) override;
};

class TPolyline2D : public TOutline2D {
 public:
  explicit TPolyline2D(int32_t id) : TOutline2D(id, 0) {}
  TPolyline2D(int32_t id, std::span<const TPoint2D> points);
  TPolyline2D(platform::ByteReader& stream, const std::string& versionTag) : TOutline2D(stream, versionTag) {}

  std::string ClassName() const override { return "TPolyline2D"; }
  std::unique_ptr<TObject2D> NewInstance(int32_t id) const override { return std::make_unique<TPolyline2D>(id); }
  void Draw(const TTransform2D& view, TDecorativeCanvas& canvas, const TRect2D& clip, int mode) override;
  int PickTest(const TPoint2D& p, double aperture, double& distance) override;
  TPointsSet2D& ProfilePoints() override { return Points(); }
  int NumberOfProfilePts() override { return Points().Count(); }

 protected:
  void AssignFrom(const TGraphicObject& source) override;
};

class TPolygon2D : public TPolyline2D {
 public:
  using TPolyline2D::TPolyline2D;

  std::string ClassName() const override { return "TPolygon2D"; }
  std::unique_ptr<TObject2D> NewInstance(int32_t id) const override { return std::make_unique<TPolygon2D>(id); }
  void Draw(const TTransform2D& view, TDecorativeCanvas& canvas, const TRect2D& clip, int mode) override;
  int PickTest(const TPoint2D& p, double aperture, double& distance) override;
  bool IsClosed() override { return true; }
};

}  // namespace cad
