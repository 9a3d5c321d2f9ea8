#include "cad/kq_bspline2d.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "cad/cad_exceptions.h"
#include "cad/spline_basis.h"

namespace cad {

namespace {

void ReadDoubles(platform::ByteReader& stream, TDoubleList& list, const char* what) {
  const int32_t count = ReadCheckedCount(stream, 8, "TKQBSpline2D.CreateFromStream", what);
  for (int32_t i = 0; i < count; ++i) list.Add(stream.F64());
}

void WriteDoubles(platform::ByteWriter& stream, const TDoubleList& list) {
  stream.I32(list.Count());
  for (double v : list.Values()) stream.F64(v);
}

}  // namespace

double TDoubleList::Get(int i) const {
  if (i < 0 || i >= Count()) throw ECADOutOfBound("TDoubleList.Get: Index out of bound");
  return values_[size_t(i)];
}

const TVector3D64& TVector3DList::Get(int i) const {
  if (i < 0 || i >= Count()) throw ECADOutOfBound("TVector3DList.Get: Index out of bound");
  return values_[size_t(i)];
}

void TVector3DList::LoadFromPoints(const TPointsSet2D& points) {
  values_.clear();
  values_.reserve(size_t(points.Count()));
  for (int i = 0; i < points.Count(); ++i) {
    const TPoint2D p = CartesianPoint2D(points.Points()[i]);
    Add(p.X, p.Y, 0);
  }
}

TKQBSpline2D::TKQBSpline2D(int32_t id, std::span<const TPoint2D> controlPoints, int32_t degree,
                           std::span<const double> knots, std::span<const double> weights)
    : TCurve2D(id, kDefaultPrecision, int(controlPoints.size())), degree_(degree) {
  for (double k : knots) knots_.Add(k);
  for (double w : weights) weights_.Add(w);
  RecordCounts();
  FillPoints(controlPoints, true);
}

TKQBSpline2D::TKQBSpline2D(platform::ByteReader& stream, const std::string& versionTag)
    : TCurve2D(stream, versionTag) {
  for (uint8_t& flag : Flags) flag = stream.U8();
  degree_ = stream.I32();
  ReadDoubles(stream, knots_, "Knot");
  ReadDoubles(stream, weights_, "Weight");
  RecordCounts();
}

void TKQBSpline2D::RecordCounts() {
  controlPoints3D_.LoadFromPoints(Points());
  knotCount_ = knots_.Count();
  pointCount_ = Points().Count();
}

void TKQBSpline2D::SaveToStream(platform::ByteWriter& stream) {
  TCurve2D::SaveToStream(stream);
  for (uint8_t flag : Flags) stream.U8(flag);
  stream.I32(degree_);
  WriteDoubles(stream, knots_);
  WriteDoubles(stream, weights_);
}

bool TKQBSpline2D::IsEvaluable() const {
  const int64_t c = Points().Count(), p = degree_;
  if (p < 1 || p > kMaxSplineDegree || c <= p || knots_.Count() != c + p + 1) return false;
  const std::vector<double>& u = knots_.Values();
  for (size_t i = 0; i < u.size(); ++i) {
    if (!std::isfinite(u[i]) || (i > 0 && u[i] < u[i - 1])) return false;
  }
  // The curve's parameter domain, knots[p] .. knots[c], must not be empty.
  if (!(u[size_t(p)] < u[size_t(c)])) return false;
  const std::vector<double>& w = weights_.Values();
  for (size_t i = 0; i < w.size() && int64_t(i) < c; ++i) {
    if (!(w[i] > 0) || !std::isfinite(w[i])) return false;
  }
  return true;
}

TRect2D TKQBSpline2D::PopulateCurvePoints(int capacity) {
  TCurve2D::PopulateCurvePoints(capacity);
  const int n = Steps();
  if (n == 0) return Rect2D(0, 0, 0, 0);
  const int c = Points().Count(), p = degree_;
  controlPoints3D_.LoadFromPoints(Points());
  if (!IsEvaluable()) {
    for (int i = 0; i < c; ++i) Profile().PutPoint(i, Points().Points()[i]);
    return ProfileExtents();
  }
  int samples = n;
  if (n < c) {
    samples = c;
    SetCurvePrecision(int16_t(std::min(c, int(std::numeric_limits<int16_t>::max()))));
  }
  // Weighted control points; a missing weight counts as 1.
  std::vector<double> wx(static_cast<size_t>(c)), wy(static_cast<size_t>(c)), w(static_cast<size_t>(c));
  for (int i = 0; i < c; ++i) {
    const TVector3D64& q = controlPoints3D_.Get(i);
    w[size_t(i)] = i < weights_.Count() ? weights_.Get(i) : 1.0;
    wx[size_t(i)] = w[size_t(i)] * q.X;
    wy[size_t(i)] = w[size_t(i)] * q.Y;
  }
  const std::vector<double>& u = knots_.Values();
  const double first = u[size_t(p)], last = u[size_t(c)];
  std::vector<double> basis;
  for (int k = 0; k < samples; ++k) {
    double t = k == samples - 1 ? last : first + (last - first) * k / (samples - 1);
    if (IsSameFloat(t, last)) t = last;
    const int span = FindKnotSpan(u, c, p, t);
    BasisFunctions(u, span, p, t, basis);
    double x = 0, y = 0, h = 0;
    for (int j = 0; j <= p; ++j) {
      const size_t i = size_t(span - p + j);
      x += basis[size_t(j)] * wx[i];
      y += basis[size_t(j)] * wy[i];
      h += basis[size_t(j)] * w[i];
    }
    AddProfilePoint(x / h, y / h);
  }
  return ProfileExtents();
}

void TKQBSpline2D::AssignFrom(const TGraphicObject& source) {
  TCurve2D::AssignFrom(source);
  if (const auto* spline = dynamic_cast<const TKQBSpline2D*>(&source)) {
    Flags = spline->Flags;
    degree_ = spline->degree_;
    knots_ = spline->knots_;
    weights_ = spline->weights_;
    knotCount_ = spline->knotCount_;
    pointCount_ = spline->pointCount_;
    CopyAllPointsFrom(*spline);
  }
  Points().GrowingEnabled = true;
}

}  // namespace cad
