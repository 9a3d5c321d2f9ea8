// A rational B-spline in the plane (a NURBS) with its own knot vector and a weight per control
// point, sampled evenly in the parameter. Such curves come into a drawing only from streams.
#pragma once

#include <array>
#include <vector>

#include "cad/curves2d.h"

namespace cad {

class TDoubleList {
 public:
  void Add(double x) { values_.push_back(x); }
  // ECADOutOfBound outside 0..Count() - 1.
  double Get(int i) const;
  double Last() const { return Get(Count() - 1); }
  int Count() const { return int(values_.size()); }
  void Clear() { values_.clear(); }
  const std::vector<double>& Values() const { return values_; }

 private:
  std::vector<double> values_;
};

struct TVector3D64 {
  double X = 0;
  double Y = 0;
  double Z = 0;
};

class TVector3DList {
 public:
  void Add(double x, double y, double z) { values_.push_back({x, y, z}); }
  // ECADOutOfBound outside 0..Count() - 1.
  const TVector3D64& Get(int i) const;
  int Count() const { return int(values_.size()); }
  // Clears, then (X, Y, 0) per point in cartesian form.
  void LoadFromPoints(const TPointsSet2D& points);

 private:
  std::vector<TVector3D64> values_;
};

class TKQBSpline2D : public TCurve2D {
 public:
  static constexpr int kDimension = 3;

  explicit TKQBSpline2D(int32_t id) : TCurve2D(id, kDefaultPrecision, 0) {}
  TKQBSpline2D(int32_t id, std::span<const TPoint2D> controlPoints, int32_t degree, std::span<const double> knots,
               std::span<const double> weights);
  // After TCurve2D's fields: five uint8 flags, int32 degree, int32 knot count and the knots, int32
  // weight count and the weights.
  TKQBSpline2D(platform::ByteReader& stream, const std::string& versionTag);

  std::string ClassName() const override { return "TKQBSpline2D"; }
  std::unique_ptr<TObject2D> NewInstance(int32_t id) const override { return std::make_unique<TKQBSpline2D>(id); }
  void SaveToStream(platform::ByteWriter& stream) override;

  int32_t Degree() const { return degree_; }
  const TDoubleList& Knots() const { return knots_; }
  const TDoubleList& Weights() const { return weights_; }
  // Kept, stored and copied; they do not enter the evaluation.
  std::array<uint8_t, 5> Flags{};
  // Whether the data make a curve (degree >= 1, more points than the degree, one knot per point
  // plus degree + 1, nondecreasing and not all equal, positive weights); otherwise the control
  // polygon is drawn.
  bool IsEvaluable() const;

 protected:
  void AssignFrom(const TGraphicObject& source) override;
  TRect2D PopulateCurvePoints(int capacity) override;

 private:
  void RecordCounts();

  int32_t degree_ = 0;
  TDoubleList knots_;
  TDoubleList weights_;
  TVector3DList controlPoints3D_;
  int32_t knotCount_ = 0;
  int32_t pointCount_ = 0;
};

}  // namespace cad
