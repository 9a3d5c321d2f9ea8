#include "scene3d/cubic_spline.h"

#include <cmath>

namespace scene3d {

TCubicSpline::TCubicSpline(const float* xs, const float* ys, const float* zs, const float* ws, int32_t n)
    : count_(n) {
  tables_[0] = Build(xs, n);
  tables_[1] = Build(ys, n);
  tables_[2] = Build(zs, n);
  tables_[3] = Build(ws, n);
}

TCubicSpline::Table TCubicSpline::Build(const float* values, int32_t n) {
  Table table;
  if (!values || n <= 0) return table;
  table.empty = false;
  table.single = values[0];
  if (n == 1) return table;
  const size_t count = size_t(n);
  // The node slopes D solve the tridiagonal system (2 4 ... 4 2 on the diagonal, 1 beside it),
  // factorised as L·Lᵀ.
  std::vector<double> r(count), s(count), e(count), y(count), d(count);
  r[0] = 3.0 * (double(values[1]) - values[0]);
  r[count - 1] = 3.0 * (double(values[count - 1]) - values[count - 2]);
  for (size_t i = 1; i + 1 < count; ++i) r[i] = 3.0 * (double(values[i + 1]) - values[i - 1]);
  s[0] = std::sqrt(2.0);
  e[0] = 1.0 / s[0];
  for (size_t i = 1; i + 1 < count; ++i) {
    s[i] = std::sqrt(4.0 - e[i - 1] * e[i - 1]);
    e[i] = 1.0 / s[i];
  }
  s[count - 1] = std::sqrt(2.0 - e[count - 2] * e[count - 2]);
  y[0] = r[0] / s[0];
  for (size_t i = 1; i < count; ++i) y[i] = (r[i] - y[i - 1] * e[i - 1]) / s[i];
  d[count - 1] = y[count - 1] / s[count - 1];
  for (size_t i = count - 1; i-- > 0;) d[i] = (y[i] - d[i + 1] * e[i]) / s[i];

  table.segments.resize(count - 1);
  for (size_t k = 0; k + 1 < count; ++k) {
    const double v0 = values[k], dv = double(values[k + 1]) - v0;
    const double c2 = 3.0 * dv - 2.0 * d[k] - d[k + 1];
    const double c3 = -2.0 * dv + d[k] + d[k + 1];
    const double kk = double(k);
    // The local cubic in u = t - k, expanded in t.
    table.segments[k] = {float(c3), float(c2 - 3.0 * kk * c3), float(d[k] - 2.0 * kk * c2 + 3.0 * kk * kk * c3),
                         float(((c2 - kk * c3) * kk - d[k]) * kk + v0)};
  }
  return table;
}

const std::array<float, 4>& TCubicSpline::Segment(const Table& table, float t) const {
  const int32_t last = int32_t(table.segments.size());  // n - 1
  int32_t k;
  if (!(t > 0)) {
    k = 0;
  } else if (t > float(last)) {
    k = last;
  } else {
    k = int32_t(t);
  }
  if (k >= last) k = last - 1;
  return table.segments[size_t(k)];
}

float TCubicSpline::Evaluate(const Table& table, float t) const {
  if (table.empty) return 0;
  if (table.segments.empty()) return table.single;
  const auto& s = Segment(table, t);
  return ((s[0] * t + s[1]) * t + s[2]) * t + s[3];
}

float TCubicSpline::Slope(const Table& table, float t) const {
  if (table.segments.empty()) return 0;
  const auto& s = Segment(table, t);
  return (3 * s[0] * t + 2 * s[1]) * t + s[2];
}

void TCubicSpline::EvaluateXYZ(float t, float& x, float& y, float& z) const {
  x = Evaluate(tables_[0], t);
  y = Evaluate(tables_[1], t);
  z = Evaluate(tables_[2], t);
}

TVector3f TCubicSpline::EvaluateAffine(float t) const {
  TVector3f v;
  EvaluateXYZ(t, v.x, v.y, v.z);
  return v;
}

void TCubicSpline::EvaluateVector(float t, TVector4f& v) const { EvaluateXYZ(t, v.x, v.y, v.z); }

TVector3f TCubicSpline::EvaluateSlope(float t) const {
  return {Slope(tables_[0], t), Slope(tables_[1], t), Slope(tables_[2], t)};
}

}  // namespace scene3d
