#include "cad/curves2d.h"

#include <cmath>
#include <numbers>

#include "cad/cad_exceptions.h"
#include "cad/measures.h"
#include "cad/spline_basis.h"

namespace cad {

namespace {

// An ellipse's box in drawing units, for the measurement display.
void ReportBoxOf(const TPrimitive2D& ellipse) {
  if (!KQSysMeasureDisplay()) return;
  const TTransform2D m = ellipse.GetModelTransform();
  ReportBoxMeasures(TransformPoint2D(ellipse.Points().Points()[0], m), TransformPoint2D(ellipse.Points().Points()[1], m));
}

// The angle of p seen from c: counter-clockwise for direction 1, clockwise (Y mirrored) for 0.
double AngleOfPoint(const TPoint2D& p, const TPoint2D& c, uint8_t direction) {
  return direction == 1 ? std::atan2(p.Y - c.Y, p.X - c.X) : std::atan2(c.Y - p.Y, p.X - c.X);
}

// The sweep of the profile from start to end, a full turn when start is not below end.
double ProfileSweep(double start, double end) { return start >= end ? end + kTwoPi - start : end - start; }

// The point at angle t of the ellipse (c, a, b) in the measure of `direction`.
TPoint2D EllipsePoint(const TPoint2D& c, double a, double b, double t, uint8_t direction) {
  return Point2D(c.X + a * std::cos(t), direction == 1 ? c.Y + b * std::sin(t) : c.Y - b * std::sin(t));
}

// Centre and semi-axes of the ellipse inscribed in the box of two corners.
void BoxEllipse(const TPoint2D& p, const TPoint2D& q, TPoint2D& centre, double& a, double& b) {
  const TPoint2D P = CartesianPoint2D(p), Q = CartesianPoint2D(q);
  centre = Point2D((P.X + Q.X) / 2, (P.Y + Q.Y) / 2);
  a = std::abs(Q.X - P.X) / 2;
  b = std::abs(Q.Y - P.Y) / 2;
}

}  // namespace

// --- TCurve2D ---------------------------------------------------------------------------------

TCurve2D::TCurve2D(int32_t id, int16_t precision, int capacity) : TOutline2D(id, capacity), precision_(precision) {}

TCurve2D::TCurve2D(platform::ByteReader& stream, const std::string& versionTag) : TOutline2D(stream, versionTag) {
  precision_ = stream.I16();
  savingType_ = stream.U8();
}

void TCurve2D::SaveToStream(platform::ByteWriter& stream) {
  TOutline2D::SaveToStream(stream);
  stream.I16(precision_);
  stream.U8(savingType_);
}

void TCurve2D::SetSavingType(uint8_t savingType) {
  if (savingType == savingType_) return;
  // A profile kept for type 1 is let go, so type 0 holds one only while it is in use.
  if (savingType_ == 1) ReleaseProfile();
  savingType_ = savingType;
  UpdateAndNotify();
}

TRect2D TCurve2D::PopulateCurvePoints(int capacity) {
  if (profile_)
    profile_->Clear();
  else
    profile_ = std::make_unique<TPointsSet2D>(uint16_t(std::clamp(capacity, 0, TPointsSet2D::kMaxPoints)));
  ++useCount_;
  profile_->GrowingEnabled = true;
  profile_->DisableEvents = true;
  return Rect2D(0, 0, 0, 0);
}

void TCurve2D::ReleaseProfile() {
  if (useCount_ > 0) --useCount_;
  if (useCount_ <= 0) {
    useCount_ = 0;
    profile_.reset();
  }
}

void TCurve2D::AddProfilePoint(double x, double y) { profile_->PutPoint(profile_->Count(), Point2D(x, y)); }

TRect2D TCurve2D::ProfileExtents() const { return ModelBoundingBox(profile_->Extension()); }

void TCurve2D::BeginUseProfilePoints() {
  if (savingType_ == 0) extents_ = PopulateCurvePoints(Steps() + 1);
}

void TCurve2D::EndUseProfilePoints() {
  if (savingType_ == 0) ReleaseProfile();
}

void TCurve2D::UpdateExtension() {
  if (Points().Count() == 0) return;
  if (savingType_ == 1) {
    ReleaseProfile();
    extents_ = PopulateCurvePoints(Steps() + 1);
  } else if (savingType_ == 0) {
    extents_ = PopulateCurvePoints(Steps() + 1);
    ReleaseProfile();
  }
}

TPointsSet2D& TCurve2D::ProfilePoints() {
  if (!profile_) throw EKQSysException("TCurve2D: Call BeginUseProfilePoints before accessing the curve points.");
  return *profile_;
}

bool TCurve2D::IsClosed() {
  TProfileUse use(*this);
  return profile_ && IsClosedProfile(*profile_);
}

void TCurve2D::Draw(const TTransform2D& view, TDecorativeCanvas& canvas, const TRect2D&, int) {
  TProfileUse use(*this);
  if (!profile_) return;
  profile_->DrawAsPolyline(canvas, RectToRect2D(canvas.Canvas().ClipRect()), PointsToScreen(view),
                           profile_->Extension());
}

void TCurve2D::DrawFilledProfile(const TTransform2D& view, TDecorativeCanvas& canvas) {
  TProfileUse use(*this);
  if (!profile_) return;
  profile_->DrawAsPolygon(canvas, RectToRect2D(canvas.Canvas().ClipRect()), PointsToScreen(view),
                          profile_->Extension());
}

int TCurve2D::PickTest(const TPoint2D& p, double aperture, double& distance) {
  TProfileUse use(*this);
  if (!profile_) {
    distance = kNoDistance;
    return PICK_NOOBJECT;
  }
  return PickPolyline(p, aperture, distance, profile_->Points(), profile_->Count(), 1);
}

int TCurve2D::PickInsideProfile(const TPoint2D& p, double aperture, double& distance) {
  TProfileUse use(*this);
  const int code = TCurve2D::PickTest(p, aperture, distance);
  return profile_ ? PickInside(code, p, aperture, distance, profile_->Points(), profile_->Count()) : code;
}

TRect2D TCurve2D::PopulateClosedProfile(const TPoint2D& c, double a, double b) {
  const int n = Steps();
  const double theta = kTwoPi / n;
  AddProfilePoint(c.X + a, c.Y);
  for (int k = 1; k < n; ++k) AddProfilePoint(c.X + a * std::cos(k * theta), c.Y - b * std::sin(k * theta));
  AddProfilePoint(c.X + a, c.Y);
  return ProfileExtents();
}

TRect2D TCurve2D::PopulateArcProfile(const TPoint2D& c, double a, double b, TArcAngles& angles) {
  const int n = Steps();
  const TPoint2D* pts = Points().Points();
  angles.Start = AngleOfPoint(CartesianPoint2D(pts[2]), c, angles.Direction);
  angles.End = AngleOfPoint(CartesianPoint2D(pts[3]), c, angles.Direction);
  // n + 1 points over n + 1 steps: the last interval is two steps long.
  const double step = ProfileSweep(angles.Start, angles.End) / (n + 1);
  for (int k = 0; k < n; ++k) {
    const TPoint2D q = EllipsePoint(c, a, b, angles.Start + k * step, angles.Direction);
    AddProfilePoint(q.X, q.Y);
  }
  const TPoint2D e = EllipsePoint(c, a, b, angles.End, angles.Direction);
  AddProfilePoint(e.X, e.Y);
  return ProfileExtents();
}

void TCurve2D::AssignArcLike(const TGraphicObject& source, const TArcAngles* same, TArcAngles& angles) {
  if (same) {
    angles = *same;
    CopyPointsFrom(static_cast<const TPrimitive2D&>(source), 0, 3);
  } else if (As<TEllipse2D>(source) || As<TFrame2D>(source)) {
    CopyPointsFrom(static_cast<const TPrimitive2D&>(source), 0, 1);
    AppendPoints({Point2D(0, 0), Point2D(0, 0)});
    angles.Start = 0;
    angles.End = kTwoPi;
  }
  Points().GrowingEnabled = false;
}

void TCurve2D::AssignFrom(const TGraphicObject& source) {
  TOutline2D::AssignFrom(source);
  const auto* curve = As<TCurve2D>(source);
  if (!curve) return;
  precision_ = curve->precision_;
  if (savingType_ == 1 && curve->savingType_ != 1) ReleaseProfile();
  savingType_ = curve->savingType_;
}

// --- Circles ----------------------------------------------------------------------------------

TCerchio2D::TCerchio2D(int32_t id, const TPoint2D& centre, const TPoint2D& pointOnCircle)
    : TCurve2D(id, kDefaultPrecision, 2) {
  const TPoint2D points[] = {centre, pointOnCircle};
  FillPoints(points, false);
}

TRect2D TCerchio2D::PopulateCurvePoints(int capacity) {
  TCurve2D::PopulateCurvePoints(capacity);
  const int n = Steps();
  if (n == 0 || Points().Count() < 2) return Rect2D(0, 0, 0, 0);
  const TPoint2D c = CartesianPoint2D(Points().Points()[0]);
  const double r = CartesianDistance2D(c, Points().Points()[1]);
  if (KQSysMeasureDisplay()) {
    const TTransform2D m = GetModelTransform();
    const TPoint2D mc = TransformPoint2D(c, m), mp = TransformPoint2D(Points().Points()[1], m);
    ReportCircleMeasures(mc, mp, CartesianDistance2D(CartesianPoint2D(mc), mp));
  }
  return PopulateClosedProfile(c, r, r);
}

void TCerchio2D::AssignFrom(const TGraphicObject& source) {
  TCurve2D::AssignFrom(source);
  if (As<TEllipse2D>(source) || As<TFrame2D>(source) || As<TArco2D>(source) || As<TCerchio2D>(source))
    CopyPointsFrom(static_cast<const TPrimitive2D&>(source), 0, 1);
  Points().GrowingEnabled = false;
}

void TFilledCerchio2D::Draw(const TTransform2D& view, TDecorativeCanvas& canvas, const TRect2D&, int) {
  DrawFilledProfile(view, canvas);
}

// --- Arcs -------------------------------------------------------------------------------------

TArco2D::TArco2D(int32_t id, const TPoint2D& centre, const TPoint2D& pointOnCircle, double startAngle,
                 double endAngle)
    : TCurve2D(id, kDefaultPrecision, 4) {
  // Angles no caller uses, so that both setters always see a change and place their points.
  angles_.Start = angles_.End = 999.123;
  Points().DisableEvents = true;
  AppendPoints({centre, pointOnCircle, Point2D(0, 0), Point2D(0, 0)});
  SetStartAngle(startAngle);
  SetEndAngle(endAngle);
  Points().DisableEvents = false;
  Points().GrowingEnabled = false;
  UpdateAndNotify();
}

TArco2D::TArco2D(platform::ByteReader& stream, const std::string& versionTag) : TCurve2D(stream, versionTag) {
  angles_.Direction = stream.U8();
}

void TArco2D::SaveToStream(platform::ByteWriter& stream) {
  TCurve2D::SaveToStream(stream);
  stream.U8(angles_.Direction);
}

void TArco2D::MoveAnglePoint(int index, double angle) {
  if (Points().Count() < 2) return;
  const TPoint2D c = CartesianPoint2D(Points().Points()[0]);
  const double r = CartesianDistance2D(c, Points().Points()[1]);
  Points().SetPoint(index, Point2D(c.X + r * std::cos(angle), c.Y + r * std::sin(angle)));
}

void TArco2D::SetStartAngle(double angle) {
  if (angle == angles_.Start) return;
  angles_.Start = angle;
  MoveAnglePoint(2, angle);
}

void TArco2D::SetEndAngle(double angle) {
  if (angle == angles_.End) return;
  angles_.End = angle;
  MoveAnglePoint(3, angle);
}

void TArco2D::SetDirection(uint8_t direction) {
  if (direction == angles_.Direction) return;
  angles_.Direction = direction;
  UpdateAndNotify();
}

TRect2D TArco2D::PopulateCurvePoints(int capacity) {
  TCurve2D::PopulateCurvePoints(capacity);
  if (Steps() == 0 || Points().Count() < 4) return Rect2D(0, 0, 0, 0);
  const TPoint2D c = CartesianPoint2D(Points().Points()[0]);
  const double r = CartesianDistance2D(c, Points().Points()[1]);
  const TRect2D box = PopulateArcProfile(c, r, r, angles_);
  TArcPoints arc;
  if (KQSysMeasureDisplay() && GetArcPoints(arc))
    ReportArcMeasures(arc.EndAngle, arc.StartAngle, arc.Radius, arc.Centre);
  return box;
}

bool TArco2D::GetArcPoints(TArcPoints& arc) const {
  if (Points().Count() < 4) return false;
  const TPoint2D* pts = Points().Points();
  const TPoint2D c = CartesianPoint2D(pts[0]);
  const double r = CartesianDistance2D(c, pts[1]);
  const uint8_t direction = angles_.Direction;
  const double start = AngleOfPoint(CartesianPoint2D(pts[2]), c, direction);
  const double end = AngleOfPoint(CartesianPoint2D(pts[3]), c, direction);
  const TTransform2D m = GetModelTransform();
  arc.Clockwise = direction == 0;
  arc.Centre = CartesianPoint2D(TransformPoint2D(c, m));
  arc.Radius = CartesianDistance2D(arc.Centre, TransformPoint2D(pts[1], m));
  arc.StartPoint = CartesianPoint2D(TransformPoint2D(EllipsePoint(c, r, r, start, direction), m));
  arc.EndPoint = CartesianPoint2D(TransformPoint2D(EllipsePoint(c, r, r, end, direction), m));
  arc.StartAngle = std::atan2(arc.StartPoint.Y - arc.Centre.Y, arc.StartPoint.X - arc.Centre.X);
  arc.EndAngle = std::atan2(arc.EndPoint.Y - arc.Centre.Y, arc.EndPoint.X - arc.Centre.X);
  arc.Sweep = ArcSweepFlag2D(arc.StartAngle, arc.EndAngle, arc.Clockwise);
  if (IsDifferentFloat(arc.Sweep, ProfileSweep(start, end))) {
    // The transform turned the arc round (a mirror): the same points, run the other way.
    std::swap(arc.StartAngle, arc.EndAngle);
    std::swap(arc.StartPoint, arc.EndPoint);
    arc.Sweep = ArcSweepFlag2D(arc.StartAngle, arc.EndAngle, arc.Clockwise);
  }
  return true;
}

TPoint2D TArco2D::PointAtFraction(double t) const {
  TArcPoints arc;
  if (!GetArcPoints(arc)) return Points().Count() > 0 ? CartesianPoint2D(Points().Points()[0]) : Point2D(0, 0);
  if (std::abs(t) < 1e-14) return arc.StartPoint;
  if (std::abs(t - 1) < 1e-14) return arc.EndPoint;
  const double turn = (arc.Clockwise ? -t : t) * arc.Sweep;
  const TVector2D v = RotateVector2D(PointDelta2D(arc.Centre, arc.StartPoint), turn);
  return Point2D(arc.Centre.X + v.X, arc.Centre.Y + v.Y);
}

void TArco2D::AssignFrom(const TGraphicObject& source) {
  TCurve2D::AssignFrom(source);
  const auto* arc = As<TArco2D>(source);
  AssignArcLike(source, arc ? &arc->angles_ : nullptr, angles_);
}

// --- Ellipses ---------------------------------------------------------------------------------

TEllipse2D::TEllipse2D(int32_t id, const TPoint2D& corner, const TPoint2D& oppositeCorner)
    : TCurve2D(id, kDefaultPrecision, 2) {
  const TPoint2D points[] = {corner, oppositeCorner};
  FillPoints(points, false);
}

TRect2D TEllipse2D::PopulateCurvePoints(int capacity) {
  TCurve2D::PopulateCurvePoints(capacity);
  const int n = Steps();
  if (n == 0 || Points().Count() < 2) return Rect2D(0, 0, 0, 0);
  TPoint2D c;
  double a, b;
  BoxEllipse(Points().Points()[0], Points().Points()[1], c, a, b);
  ReportBoxOf(*this);
  return PopulateClosedProfile(c, a, b);
}

void TEllipse2D::AssignFrom(const TGraphicObject& source) {
  TCurve2D::AssignFrom(source);
  if (As<TEllipse2D>(source) || As<TFrame2D>(source) || As<TArco2D>(source))
    CopyPointsFrom(static_cast<const TPrimitive2D&>(source), 0, 1);
  Points().GrowingEnabled = false;
}

void TFilledEllipse2D::Draw(const TTransform2D& view, TDecorativeCanvas& canvas, const TRect2D&, int) {
  DrawFilledProfile(view, canvas);
}

int TFilledEllipse2D::PickTest(const TPoint2D& p, double aperture, double& distance) {
  return PickInsideProfile(p, aperture, distance);
}

TEllipseOpen2D::TEllipseOpen2D(platform::ByteReader& stream, const std::string& versionTag)
    : TCurve2D(stream, versionTag) {
  angles_.Direction = stream.U8();
}

void TEllipseOpen2D::SaveToStream(platform::ByteWriter& stream) {
  TCurve2D::SaveToStream(stream);
  stream.U8(angles_.Direction);
}

TRect2D TEllipseOpen2D::PopulateCurvePoints(int capacity) {
  TCurve2D::PopulateCurvePoints(capacity);
  if (Steps() == 0 || Points().Count() < 4) return Rect2D(0, 0, 0, 0);
  TPoint2D c;
  double a, b;
  BoxEllipse(Points().Points()[0], Points().Points()[1], c, a, b);
  ReportBoxOf(*this);
  return PopulateArcProfile(c, a, b, angles_);
}

void TEllipseOpen2D::AssignFrom(const TGraphicObject& source) {
  TCurve2D::AssignFrom(source);
  const auto* open = As<TEllipseOpen2D>(source);
  AssignArcLike(source, open ? &open->angles_ : nullptr, angles_);
}

// --- Frames -----------------------------------------------------------------------------------

TFrame2D::TFrame2D(int32_t id, const TPoint2D& corner, const TPoint2D& oppositeCorner)
    : TCurve2D(id, kDefaultPrecision, 2) {
  const TPoint2D points[] = {corner, oppositeCorner};
  FillPoints(points, false);
}

TRect2D TFrame2D::PopulateCurvePoints(int capacity) {
  TCurve2D::PopulateCurvePoints(capacity);
  if (Steps() == 0 || Points().Count() < 2) return Rect2D(0, 0, 0, 0);
  const TPoint2D p = CartesianPoint2D(Points().Points()[0]), q = CartesianPoint2D(Points().Points()[1]);
  AddProfilePoint(p.X, p.Y);
  AddProfilePoint(p.X, q.Y);
  AddProfilePoint(q.X, q.Y);
  AddProfilePoint(q.X, p.Y);
  AddProfilePoint(p.X, p.Y);
  return ProfileExtents();
}

void TFrame2D::AssignFrom(const TGraphicObject& source) {
  TCurve2D::AssignFrom(source);
  if (As<TFrame2D>(source) || As<TEllipse2D>(source) || As<TEllipseOpen2D>(source))
    CopyPointsFrom(static_cast<const TPrimitive2D&>(source), 0, 1);
  Points().GrowingEnabled = false;
}

void TRectangle2D::Draw(const TTransform2D& view, TDecorativeCanvas& canvas, const TRect2D&, int) {
  DrawFilledProfile(view, canvas);
}

int TRectangle2D::PickTest(const TPoint2D& p, double aperture, double& distance) {
  return PickInsideProfile(p, aperture, distance);
}

// --- B-splines --------------------------------------------------------------------------------

TBSpline2D::TBSpline2D(int32_t id, std::span<const TPoint2D> controlPoints)
    : TCurve2D(id, kDefaultPrecision, int(controlPoints.size())) {
  FillPoints(controlPoints, true);
}

TBSpline2D::TBSpline2D(platform::ByteReader& stream, const std::string& versionTag) : TCurve2D(stream, versionTag) {
  order_ = stream.U8();
}

void TBSpline2D::SaveToStream(platform::ByteWriter& stream) {
  TCurve2D::SaveToStream(stream);
  stream.U8(order_);
}

void TBSpline2D::SetOrder(uint8_t order) {
  if (order == order_) return;
  order_ = order;
  UpdateAndNotify();
}

TRect2D TBSpline2D::PopulateCurvePoints(int capacity) {
  TCurve2D::PopulateCurvePoints(capacity);
  const int n = Steps();
  if (n == 0) return Rect2D(0, 0, 0, 0);
  const int m = Points().Count();
  const int k = order_;
  const TPoint2D* pts = Points().Points();
  if (m < k || k < 2 || k - 1 > kMaxSplineDegree) {
    // Too few points for the order, or no curve of that order: the control polygon.
    for (int i = 0; i < m; ++i) Profile().PutPoint(i, pts[i]);
    return ProfileExtents();
  }
  // Clamped uniform knots: k zeros, then 1, 2, ..., and k times the last value m - k + 1.
  std::vector<double> knots(size_t(m + k));
  for (int j = 0; j < m + k; ++j) knots[size_t(j)] = j < k ? 0 : (j > m - 1 ? m - k + 1 : j - k + 1);
  const double last = m - k + 1;
  std::vector<double> basis;
  for (int i = 0; i < n; ++i) {
    const double t = double(i) / n * last;
    const int span = FindKnotSpan(knots, m, k - 1, t);
    BasisFunctions(knots, span, k - 1, t, basis);
    double x = 0, y = 0;
    for (int j = 0; j < k; ++j) {
      const TPoint2D p = CartesianPoint2D(pts[span - (k - 1) + j]);
      x += basis[size_t(j)] * p.X;
      y += basis[size_t(j)] * p.Y;
    }
    AddProfilePoint(x, y);
  }
  const TPoint2D end = CartesianPoint2D(pts[m - 1]);
  AddProfilePoint(end.X, end.Y);
  return ProfileExtents();
}

void TBSpline2D::AssignFrom(const TGraphicObject& source) {
  TCurve2D::AssignFrom(source);
  if (const auto* spline = As<TBSpline2D>(source)) {
    order_ = spline->order_;
    CopyAllPointsFrom(*spline);
  }
  Points().GrowingEnabled = true;
}

}  // namespace cad
