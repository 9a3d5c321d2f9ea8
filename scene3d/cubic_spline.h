// TCubicSpline: the interpolating cubic spline through a run of values, one table each for X, Y, Z
// and W. The parameter t runs over the nodes: t = k lands on node k, and values of t outside
// [0, n - 1] extrapolate the end segments. Node-defined objects (lines, polygons, revolution solids)
// use it when their spline mode asks for a smooth curve:
//   TCubicSpline spline(xs.data(), ys.data(), nullptr, nullptr, n);
//   TVector3f p = spline.EvaluateAffine(1.5f);
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "scene3d/persistent.h"
#include "scene3d/vector_types.h"

namespace scene3d {

class TCubicSpline : public TObject {
 public:
  // Each array holds n singles and may be absent (an absent one gives an empty table, which
  // evaluates to 0). A single value gives a table without segments that evaluates to that value.
  TCubicSpline(const float* xs, const float* ys, const float* zs, const float* ws, int32_t n);
  std::string ClassName() const override { return "TCubicSpline"; }

  int32_t Count() const { return count_; }
  float EvaluateX(float t) const { return Evaluate(tables_[0], t); }
  void EvaluateXYZ(float t, float& x, float& y, float& z) const;
  TVector3f EvaluateAffine(float t) const;
  // The first three components of `v`; the fourth is left as it was.
  void EvaluateVector(float t, TVector4f& v) const;
  TVector3f EvaluateSlope(float t) const;

 private:
  // Segment k holds (a, b, c, d) of a·t³ + b·t² + c·t + d in the global parameter t.
  struct Table {
    std::vector<std::array<float, 4>> segments;
    bool empty = true;
    float single = 0;  // the value of a one-node table
  };
  static Table Build(const float* values, int32_t n);
  const std::array<float, 4>& Segment(const Table& table, float t) const;
  float Evaluate(const Table& table, float t) const;
  float Slope(const Table& table, float t) const;

  std::array<Table, 4> tables_;
  int32_t count_;
};

}  // namespace scene3d
