#include "cad/primitives2d.h"

#include <algorithm>

#include "cad/entities.h"
#include "cad/geometry_drawing.h"
#include "cad/measures.h"

namespace cad {

// --- TPrimitive2D -----------------------------------------------------------------------------

TPrimitive2D::TPrimitive2D(int32_t id, int capacity)
    : TObject2D(id), points_(std::make_unique<TPointsSet2D>(uint16_t(std::clamp(capacity, 0, 65535)))) {
  BindPoints();
  SetHandler(KQSysPrimitiveHandler());
}

TPrimitive2D::TPrimitive2D(platform::ByteReader& stream, const std::string& versionTag) : TObject2D(stream, versionTag) {
  const uint16_t count = stream.U16();
  stream.Require(size_t(count) * 24 + 1);
  points_ = std::make_unique<TPointsSet2D>(count);
  for (int i = 0; i < count; ++i) points_->PutPoint(i, ReadPoint2D(stream, "TPrimitive2D.CreateFromStream"));
  points_->GrowingEnabled = stream.U8() != 0;
  BindPoints();
  SetHandler(KQSysPrimitiveHandler());
}

void TPrimitive2D::BindPoints() {
  points_->OnChange = [this](TPointsSet2D&) { UpdateAndNotify(); };
}

void TPrimitive2D::UpdateExtension() {
  extents_ = points_->Count() == 0 ? Rect2D(0, 0, 0, 0) : ModelBoundingBox(points_->Extension());
}

void TPrimitive2D::SaveToStream(platform::ByteWriter& stream) {
  TObject2D::SaveToStream(stream);
  stream.U16(uint16_t(points_->Count()));
  for (int i = 0; i < points_->Count(); ++i) WritePoint2D(stream, points_->Points()[i]);
  stream.U8(points_->GrowingEnabled ? 1 : 0);
}

void TPrimitive2D::AssignFrom(const TGraphicObject& source) {
  TObject2D::AssignFrom(source);
  if (!dynamic_cast<const TPrimitive2D*>(&source)) return;
  points_->GrowingEnabled = true;
  points_->Clear();
}

void TPrimitive2D::FillPoints(std::span<const TPoint2D> points, bool growable) {
  points_->DisableEvents = true;
  points_->GrowingEnabled = true;
  points_->Clear();
  points_->AddPoints(points);
  points_->DisableEvents = false;
  points_->GrowingEnabled = growable;
  UpdateAndNotify();
}

void TPrimitive2D::CopyPointsFrom(const TPrimitive2D& source, int first, int last) {
  const bool growable = points_->GrowingEnabled;
  points_->DisableEvents = true;
  points_->GrowingEnabled = true;
  last = std::min(last, source.Points().Count() - 1);
  for (int i = first; i <= last; ++i) points_->PutPoint(i, source.Points().Points()[i]);
  points_->GrowingEnabled = growable;
  points_->DisableEvents = false;
}

void TPrimitive2D::AppendPoints(std::initializer_list<TPoint2D> points) {
  const bool growable = points_->GrowingEnabled;
  points_->DisableEvents = true;
  points_->GrowingEnabled = true;
  for (const TPoint2D& p : points) points_->PutPoint(points_->Count(), p);
  points_->GrowingEnabled = growable;
  points_->DisableEvents = false;
}

TTransform2D TPrimitive2D::PointsToScreen(const TTransform2D& view) const {
  return HasTransform() ? MultiplyTransform2D(GetModelTransform(), view) : view;
}

namespace {

// An entity's own test after TObject2D's PICK_INBBOX: the larger code and the smaller distance.
int CombinePick(double& distance, int extraCode, double extraDistance, double aperture) {
  distance = std::min(aperture, extraDistance);
  return std::max(PICK_INBBOX, extraCode);
}

}  // namespace

int TPrimitive2D::PickPolyline(const TPoint2D& p, double aperture, double& distance, const TPoint2D* points,
                               int count, int needed) {
  distance = kNoDistance;
  if (count < needed || count == 0) return PICK_NOOBJECT;
  const int code = TObject2D::PickTest(p, aperture, distance);
  if (code != PICK_INBBOX) return code;
  double d;
  const int extra = PolylinePick2D(points, count, p, false, GetModelTransform(), aperture, d);
  return CombinePick(distance, extra, d, aperture);
}

int TPrimitive2D::PickInside(int code, const TPoint2D& p, double aperture, double& distance, const TPoint2D* points,
                             int count) {
  if (code != PICK_INBBOX) return code;
  double d;
  const int extra = PolygonPick2D(points, count, p, GetModelTransform(), aperture, d);
  return CombinePick(distance, extra, d, aperture);
}

// --- TPrimitive2DHandler ----------------------------------------------------------------------

void TPrimitive2DHandler::DrawControlPoints(TObject2D& object, const TTransform2D& view, int width,
                                           TDecorativeCanvas& canvas) {
  auto* primitive = dynamic_cast<TPrimitive2D*>(&object);
  if (!primitive) return;
  const TTransform2D m = object.HasTransform() ? MultiplyTransform2D(object.GetModelTransform(), view) : view;
  const TPointsSet2D& points = primitive->Points();
  for (int i = 0; i < points.Count(); ++i) {
    const platform::Point s = Point2DToPoint(TransformPoint2D(points.Points()[i], m));
    DrawControlPointMarker(canvas, s.X, s.Y, width);
  }
}

int TPrimitive2DHandler::PickTest(TObject2D& object, const TPoint2D& p, double& distance, double aperture) {
  auto* primitive = dynamic_cast<TPrimitive2D*>(&object);
  if (!primitive) return PICK_NOOBJECT;
  const bool transformed = object.HasTransform();
  const TTransform2D m = transformed ? object.GetModelTransform() : IdentityTransform2D;
  const TPointsSet2D& points = primitive->Points();
  int code = PICK_NOOBJECT;
  double best = kNoDistance;
  for (int i = 0; i < points.Count(); ++i) {
    const TPoint2D q = transformed ? TransformPoint2D(points.Points()[i], m) : points.Points()[i];
    double d;
    if (IsPointNearPoint2D(p, q, aperture, d) && d <= best) {
      best = d;
      code = i;
    }
  }
  if (code != PICK_NOOBJECT) distance = best;
  return code;
}

// --- TOutline2D -------------------------------------------------------------------------------

bool TOutline2D::IsClosed() {
  TProfileUse use(*this);
  return IsClosedProfile(ProfilePoints());
}

bool TOutline2D::IsClosedProfile(const TPointsSet2D& profile) {
  const int n = profile.Count();
  return n >= 3 && IsSamePoint2D(profile.Points()[n - 1], profile.Points()[0]);
}

// --- TPunto2D ---------------------------------------------------------------------------------

TPunto2D::TPunto2D(int32_t id, const TPoint2D& point) : TPrimitive2D(id, 1) {
  const TPoint2D points[] = {point};
  FillPoints(points, false);
}

void TPunto2D::Draw(const TTransform2D& view, TDecorativeCanvas& canvas, const TRect2D& clip, int) {
  if (const TPoint2D* p = PointOrNone(0)) DrawPointMarker2D(canvas, *p, clip, PointsToScreen(view));
}

int TPunto2D::PickTest(const TPoint2D& p, double aperture, double& distance) {
  return PickPolyline(p, aperture, distance, Points().Points(), Points().Count(), 1);
}

void TPunto2D::AssignFrom(const TGraphicObject& source) {
  TPrimitive2D::AssignFrom(source);
  if (auto* point = dynamic_cast<const TPunto2D*>(&source)) CopyPointsFrom(*point, 0, 0);
  Points().GrowingEnabled = false;
}

// --- TLine2D ----------------------------------------------------------------------------------

TLine2D::TLine2D(int32_t id, const TPoint2D& first, const TPoint2D& second) : TPrimitive2D(id, 2) {
  const TPoint2D points[] = {first, second};
  FillPoints(points, false);
}

void TLine2D::Draw(const TTransform2D& view, TDecorativeCanvas& canvas, const TRect2D& clip, int) {
  const TPoint2D* a = PointOrNone(0);
  const TPoint2D* b = PointOrNone(1);
  if (!a || !b) return;
  DrawClippedLine2D(canvas, *a, *b, PointsToScreen(view), clip);
  if (KQSysMeasureDisplay()) {
    const TTransform2D m = GetModelTransform();
    ReportSegmentMeasures(TransformPoint2D(*a, m), TransformPoint2D(*b, m));
  }
}

int TLine2D::PickTest(const TPoint2D& p, double aperture, double& distance) {
  return PickPolyline(p, aperture, distance, Points().Points(), std::min(Points().Count(), 2), 2);
}

void TLine2D::AssignFrom(const TGraphicObject& source) {
  TPrimitive2D::AssignFrom(source);
  if (auto* line = dynamic_cast<const TLine2D*>(&source)) CopyPointsFrom(*line, 0, 1);
  Points().GrowingEnabled = false;
}

// --- TPolyline2D, TPolygon2D ------------------------------------------------------------------

TPolyline2D::TPolyline2D(int32_t id, std::span<const TPoint2D> points) : TOutline2D(id, int(points.size())) {
  FillPoints(points, false);
}

void TPolyline2D::Draw(const TTransform2D& view, TDecorativeCanvas& canvas, const TRect2D&, int) {
  const platform::Rect c = canvas.Canvas().ClipRect();
  Points().DrawAsPolyline(canvas, RectToRect2D(c), PointsToScreen(view), Points().Extension());
}

int TPolyline2D::PickTest(const TPoint2D& p, double aperture, double& distance) {
  return PickPolyline(p, aperture, distance, Points().Points(), Points().Count(), 1);
}

void TPolyline2D::AssignFrom(const TGraphicObject& source) {
  TPrimitive2D::AssignFrom(source);
  if (dynamic_cast<const TLine2D*>(&source) || dynamic_cast<const TPolyline2D*>(&source))
    CopyAllPointsFrom(static_cast<const TPrimitive2D&>(source));
  Points().GrowingEnabled = true;
}

void TPolygon2D::Draw(const TTransform2D& view, TDecorativeCanvas& canvas, const TRect2D&, int) {
  const platform::Rect c = canvas.Canvas().ClipRect();
  Points().DrawAsPolygon(canvas, RectToRect2D(c), PointsToScreen(view), Points().Extension());
}

int TPolygon2D::PickTest(const TPoint2D& p, double aperture, double& distance) {
  const int code = TPolyline2D::PickTest(p, aperture, distance);
  return PickInside(code, p, aperture, distance, Points().Points(), Points().Count());
}

}  // namespace cad
