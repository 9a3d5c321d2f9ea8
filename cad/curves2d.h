// Entities whose visible outline (the profile, a polyline of computed points) follows from a few
// control points: circles, arcs, ellipses, open elliptic arcs, frames, their filled forms and
// uniform B-splines. The profile is drawn, picked and exported; its fineness is the curve
// precision.
#pragma once

#include "cad/primitives2d.h"

namespace cad {

// The angles of an arc-like curve, read back from its angle points, and its direction (1
// counter-clockwise, 0 clockwise).
struct TArcAngles {
  double Start = 0;
  double End = 0;
  uint8_t Direction = 1;
};

class TCurve2D : public TOutline2D {
 public:
  static constexpr int16_t kDefaultPrecision = 50;

  TCurve2D(int32_t id, int16_t precision, int capacity);
  // After TPrimitive2D's fields: int16 precision, uint8 saving type.
  TCurve2D(platform::ByteReader& stream, const std::string& versionTag);

  int16_t CurvePrecision() const { return precision_; }
  // Takes effect at the next change.
  void SetCurvePrecision(int16_t precision) { precision_ = precision; }
  // 1: the profile is kept and recomputed at every change; 0: computed only while in use.
  uint8_t SavingType() const { return savingType_; }
  void SetSavingType(uint8_t savingType);

  void UpdateExtension() override;
  void SaveToStream(platform::ByteWriter& stream) override;
  // A curve without a profile (too few points, an unknown saving type) draws nothing and is
  // never picked.
  void Draw(const TTransform2D& view, TDecorativeCanvas& canvas, const TRect2D& clip, int mode) override;
  int PickTest(const TPoint2D& p, double aperture, double& distance) override;
  // EKQSysException outside a use when the profile is not kept.
  TPointsSet2D& ProfilePoints() override;
  int NumberOfProfilePts() override { return ProfilePoints().Count(); }
  void BeginUseProfilePoints() override;
  void EndUseProfilePoints() override;
  // False for a curve without a profile.
  bool IsClosed() override;
  bool HasProfile() const { return profile_ != nullptr; }

 protected:
  void AssignFrom(const TGraphicObject& source) override;
  // Empties (or makes) the profile and raises its use count; each class adds its points and
  // answers the profile's extents in drawing units.
  virtual TRect2D PopulateCurvePoints(int capacity);
  // Lowers the use count; at 0 the profile is freed.
  void ReleaseProfile();
  // The number of profile steps: the precision, a negative one counting as 0.
  int Steps() const { return precision_ > 0 ? precision_ : 0; }
  TPointsSet2D& Profile() { return *profile_; }
  // Appends to the profile without events.
  void AddProfilePoint(double x, double y);
  TRect2D ProfileExtents() const;
  // The profile filled (pen and brush of the canvas) instead of drawn as a polyline.
  void DrawFilledProfile(const TTransform2D& view, TDecorativeCanvas& canvas);
  // TCurve2D's pick followed by the inside test of the closed profile.
  int PickInsideProfile(const TPoint2D& p, double aperture, double& distance);
  // The closed profile of the ellipse (c, a, b), clockwise from angle 0.
  TRect2D PopulateClosedProfile(const TPoint2D& c, double a, double b);
  // The profile of the elliptic arc (c, a, b) between the angles of control points 2 and 3, which
  // it stores.
  TRect2D PopulateArcProfile(const TPoint2D& c, double a, double b, TArcAngles& angles);
  // The copy of an arc-like curve: from one of its own class (`same`) the angles and points 0-3,
  // from an ellipse or a frame points 0 and 1, two origins and a full turn.
  void AssignArcLike(const TGraphicObject& source, const TArcAngles* same, TArcAngles& angles);

 private:
  int16_t precision_ = kDefaultPrecision;
  uint8_t savingType_ = 1;
  std::unique_ptr<TPointsSet2D> profile_;
  int32_t useCount_ = 0;
};

// 0 the centre, 1 a point on the circle.
class TCerchio2D : public TCurve2D {
 public:
  explicit TCerchio2D(int32_t id) : TCurve2D(id, kDefaultPrecision, 2) {}
  TCerchio2D(int32_t id, const TPoint2D& centre, const TPoint2D& pointOnCircle);
  TCerchio2D(platform::ByteReader& stream, const std::string& versionTag) : TCurve2D(stream, versionTag) {}

  std::string ClassName() const override { return "TCerchio2D"; }
  std::unique_ptr<TObject2D> NewInstance(int32_t id) const override { return std::make_unique<TCerchio2D>(id); }

 protected:
  void AssignFrom(const TGraphicObject& source) override;
  TRect2D PopulateCurvePoints(int capacity) override;
};

class TFilledCerchio2D : public TCerchio2D {
 public:
  using TCerchio2D::TCerchio2D;
  std::string ClassName() const override { return "TFilledCerchio2D"; }
  std::unique_ptr<TObject2D> NewInstance(int32_t id) const override {
    return std::make_unique<TFilledCerchio2D>(id);
  }
  void Draw(const TTransform2D& view, TDecorativeCanvas& canvas, const TRect2D& clip, int mode) override;
};

// An arc as GetArcPoints gives it, in drawing units with the model transform applied.
struct TArcPoints {
  TPoint2D Centre;
  double Radius = 0;
  double StartAngle = 0;
  double EndAngle = 0;
  TPoint2D StartPoint;
  TPoint2D EndPoint;
  // From start to end, counter-clockwise unless the arc runs clockwise.
  double Sweep = 0;
  bool Clockwise = false;
};

// 0 the centre, 1 a point on the circle, 2 the start-angle point, 3 the end-angle point.
class TArco2D : public TCurve2D {
 public:
  explicit TArco2D(int32_t id) : TCurve2D(id, kDefaultPrecision, 4) {}
  TArco2D(int32_t id, const TPoint2D& centre, const TPoint2D& pointOnCircle, double startAngle, double endAngle);
  // After TCurve2D's fields: uint8 direction; the angles follow from points 2 and 3.
  TArco2D(platform::ByteReader& stream, const std::string& versionTag);

  std::string ClassName() const override { return "TArco2D"; }
  std::unique_ptr<TObject2D> NewInstance(int32_t id) const override { return std::make_unique<TArco2D>(id); }
  void SaveToStream(platform::ByteWriter& stream) override;

  double StartAngle() const { return angles_.Start; }
  double EndAngle() const { return angles_.End; }
  // A changed angle moves its angle point onto the circle (counter-clockwise measure).
  void SetStartAngle(double angle);
  void SetEndAngle(double angle);
  // 1 counter-clockwise, 0 clockwise.
  uint8_t Direction() const { return angles_.Direction; }
  void SetDirection(uint8_t direction);

  // False when the arc lacks its four points. A transform that reverses the arc (a mirror) swaps
  // start and end, so the sweep keeps its sense.
  bool GetArcPoints(TArcPoints& arc) const;
  // The start point for t = 0, the end point for t = 1, the start point turned by t x sweep
  // between; the centre when the arc lacks its points.
  TPoint2D PointAtFraction(double t) const;

 protected:
  void AssignFrom(const TGraphicObject& source) override;
  TRect2D PopulateCurvePoints(int capacity) override;

 private:
  void MoveAnglePoint(int index, double angle);

  TArcAngles angles_;
};

// 0 and 1 opposite corners of the ellipse's box.
class TEllipse2D : public TCurve2D {
 public:
  explicit TEllipse2D(int32_t id) : TCurve2D(id, kDefaultPrecision, 2) {}
  TEllipse2D(int32_t id, const TPoint2D& corner, const TPoint2D& oppositeCorner);
  TEllipse2D(platform::ByteReader& stream, const std::string& versionTag) : TCurve2D(stream, versionTag) {}

  std::string ClassName() const override { return "TEllipse2D"; }
  std::unique_ptr<TObject2D> NewInstance(int32_t id) const override { return std::make_unique<TEllipse2D>(id); }

 protected:
  void AssignFrom(const TGraphicObject& source) override;
  TRect2D PopulateCurvePoints(int capacity) override;
};

class TFilledEllipse2D : public TEllipse2D {
 public:
  using TEllipse2D::TEllipse2D;
  std::string ClassName() const override { return "TFilledEllipse2D"; }
  std::unique_ptr<TObject2D> NewInstance(int32_t id) const override {
    return std::make_unique<TFilledEllipse2D>(id);
  }
  void Draw(const TTransform2D& view, TDecorativeCanvas& canvas, const TRect2D& clip, int mode) override;
  int PickTest(const TPoint2D& p, double aperture, double& distance) override;
};

// 0 and 1 the box corners, 2 the start-angle point, 3 the end-angle point.
class TEllipseOpen2D : public TCurve2D {
 public:
  explicit TEllipseOpen2D(int32_t id) : TCurve2D(id, kDefaultPrecision, 4) {}
  TEllipseOpen2D(platform::ByteReader& stream, const std::string& versionTag);

  std::string ClassName() const override { return "TEllipseOpen2D"; }
  std::unique_ptr<TObject2D> NewInstance(int32_t id) const override {
    return std::make_unique<TEllipseOpen2D>(id);
  }
  void SaveToStream(platform::ByteWriter& stream) override;

  double StartAngle() const { return angles_.Start; }
  double EndAngle() const { return angles_.End; }
  uint8_t Direction() const { return angles_.Direction; }

 protected:
  void AssignFrom(const TGraphicObject& source) override;
  TRect2D PopulateCurvePoints(int capacity) override;

 private:
  TArcAngles angles_;
};

// 0 and 1 opposite corners of an axis-aligned rectangle.
class TFrame2D : public TCurve2D {
 public:
  explicit TFrame2D(int32_t id) : TCurve2D(id, kDefaultPrecision, 2) {}
  TFrame2D(int32_t id, const TPoint2D& corner, const TPoint2D& oppositeCorner);
  TFrame2D(platform::ByteReader& stream, const std::string& versionTag) : TCurve2D(stream, versionTag) {}

  std::string ClassName() const override { return "TFrame2D"; }
  std::unique_ptr<TObject2D> NewInstance(int32_t id) const override { return std::make_unique<TFrame2D>(id); }

 protected:
  void AssignFrom(const TGraphicObject& source) override;
  TRect2D PopulateCurvePoints(int capacity) override;
};

class TRectangle2D : public TFrame2D {
 public:
  using TFrame2D::TFrame2D;
  std::string ClassName() const override { return "TRectangle2D"; }
  std::unique_ptr<TObject2D> NewInstance(int32_t id) const override { return std::make_unique<TRectangle2D>(id); }
  void Draw(const TTransform2D& view, TDecorativeCanvas& canvas, const TRect2D& clip, int mode) override;
  int PickTest(const TPoint2D& p, double aperture, double& distance) override;
};

// A uniform B-spline over a clamped knot vector; the control polygon is growable.
class TBSpline2D : public TCurve2D {
 public:
  explicit TBSpline2D(int32_t id) : TCurve2D(id, kDefaultPrecision, 0) {}
  TBSpline2D(int32_t id, std::span<const TPoint2D> controlPoints);
  // After TCurve2D's fields: uint8 order.
  TBSpline2D(platform::ByteReader& stream, const std::string& versionTag);

  std::string ClassName() const override { return "TBSpline2D"; }
  std::unique_ptr<TObject2D> NewInstance(int32_t id) const override { return std::make_unique<TBSpline2D>(id); }
  void SaveToStream(platform::ByteWriter& stream) override;

  uint8_t Order() const { return order_; }
  void SetOrder(uint8_t order);

 protected:
  void AssignFrom(const TGraphicObject& source) override;
  TRect2D PopulateCurvePoints(int capacity) override;

 private:
  uint8_t order_ = 3;
};

}  // namespace cad
