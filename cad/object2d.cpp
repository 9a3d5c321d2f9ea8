#include "cad/object2d.h"

#include "cad/cad_exceptions.h"
#include "cad/class_registry.h"
#include "cad/geometry_drawing.h"

namespace cad {

namespace {

TTransform2D ReadTransform(platform::ByteReader& stream) {
  stream.Require(9 * 8);
  TTransform2D m;
  for (auto& row : m.M)
    for (double& v : row) v = stream.F64();
  return m;
}

void WriteTransform(platform::ByteWriter& stream, const TTransform2D& m) {
  for (const auto& row : m.M)
    for (double v : row) stream.F64(v);
}

bool IsExactIdentity(const TTransform2D& m) { return IsSameTransform2D(m, IdentityTransform2D); }

}  // namespace

// --- TObject2DHandler -------------------------------------------------------------------------

void TObject2DHandler::Release() {
  if (refCount_.fetch_sub(1) == 1) delete this;
}

TObject2DHandler::~TObject2DHandler() {
  if (object_ && object_->handler_ == this) object_->handler_ = nullptr;
}

void TObject2DHandler::DrawControlPoints(TObject2D&, const TTransform2D&, int, TDecorativeCanvas&) {}

int TObject2DHandler::PickTest(TObject2D&, const TPoint2D&, double&, double) { return PICK_NOOBJECT; }

// --- TObject2D --------------------------------------------------------------------------------

TObject2D::TObject2D(int32_t id) : TGraphicObject(id) {}

TObject2D::TObject2D(platform::ByteReader& stream, const std::string& versionTag) : TGraphicObject(stream, versionTag) {
  SetModelTransform(ReadTransform(stream));
}

TObject2D::~TObject2D() {
  if (handler_) handler_->Release();
}

void TObject2D::SaveToStream(platform::ByteWriter& stream) {
  TGraphicObject::SaveToStream(stream);
  const TTransform2D m = GetModelTransform();
  SetModelTransform(m);
  WriteTransform(stream, m);
}

void TObject2D::Assign(const TGraphicObject& source) {
  if (&source == this) return;
  AssignFrom(source);
  UpdateAndNotify();
}

void TObject2D::AssignFrom(const TGraphicObject& source) {
  TGraphicObject::Assign(source);
  const auto* other = dynamic_cast<const TObject2D*>(&source);
  if (!other) return;
  SetModelTransform(other->GetModelTransform());
  extents_ = other->extents_;
  if (other->handler_ != handler_) SetHandler(other->handler_);
}

TTransform2D TObject2D::GetModelTransform() const {
  const TTransform2D current = current_ ? *current_ : IdentityTransform2D;
  return model_ ? MultiplyTransform2D(*model_, current) : current;
}

void TObject2D::SetTransform(const TTransform2D& m) {
  if (IsExactIdentity(m))
    current_.reset();
  else
    current_ = m;
  UpdateAndNotify();
}

bool TObject2D::IsVisible(const TRect2D& clip, int) const {
  if (!Visible) return false;
  const TRect2D& e = extents_;
  return e.First.X <= clip.Second.X && e.Second.X >= clip.First.X && e.First.Y <= clip.Second.Y &&
         e.Second.Y >= clip.First.Y;
}

void TObject2D::Transform(const TTransform2D& m) {
  SetTransform(current_ ? MultiplyTransform2D(*current_, m) : m);
}

void TObject2D::ApplyTransform() { SetModelTransform(GetModelTransform()); }

void TObject2D::DrawControlPoints(const TTransform2D& view, TDecorativeCanvas& canvas, const TRect2D& clip, int width) {
  if (ShowBoundingBox && canvas.Canvas().GetPen().Mode != platform::PenMode::Xor)
    DrawRect2D(canvas, extents_, clip, view);
  if (handler_) handler_->DrawControlPoints(*this, view, width, canvas);
}

int TObject2D::PickTest(const TPoint2D& p, double aperture, double& distance) {
  distance = kNoDistance;
  if (!Enabled) return PICK_NOOBJECT;
  int code = PICK_NOOBJECT;
  if (IsPointInRect2D(CartesianPoint2D(p), ReorderRect2D(EnlargeRect2D(extents_, aperture)))) {
    distance = aperture;
    code = PICK_INBBOX;
  }
  if (handler_) {
    double handlerDistance = distance;
    const int handlerCode = handler_->PickTest(*this, p, handlerDistance, aperture);
    if (handlerCode > code) {
      code = handlerCode;
      distance = handlerDistance;
    }
  }
  return code;
}

void TObject2D::SetModelTransform(const TTransform2D& m) {
  if (IsExactIdentity(m))
    model_.reset();
  else
    model_ = m;
  current_.reset();
}

void TObject2D::ResetTransform() {
  model_.reset();
  SetTransform(IdentityTransform2D);
}

TPoint2D TObject2D::ToObjectPoint(const TPoint2D& p) const {
  return TransformPoint2D(p, InvertTransform2D(GetModelTransform()));
}

void TObject2D::SetHandler(TObject2DHandler* handler) {
  // Taken before the old one is let go, so setting the same handler never frees it.
  if (handler) handler->Reference();
  if (handler_) handler_->Release();
  handler_ = handler;
}

TRect2D TObject2D::ModelBoundingBox(const TRect2D& objectBox) const {
  return HasTransform() ? TransformBoundingBox2D(objectBox, GetModelTransform()) : objectBox;
}

// --- Object records ----------------------------------------------------------------------------

std::unique_ptr<TGraphicObject> KQSysReadObject(platform::ByteReader& stream, const std::string& versionTag) {
  const int16_t classId = stream.I16();
  return KQSysFindClassByIndex(classId).CreateFromStream(stream, versionTag);
}

std::unique_ptr<TObject2D> KQSysReadObject2D(platform::ByteReader& stream, const std::string& versionTag) {
  std::unique_ptr<TGraphicObject> object = KQSysReadObject(stream, versionTag);
  auto* object2D = dynamic_cast<TObject2D*>(object.get());
  if (!object2D) throw ECADFileNotValid("KQSysReadObject2D: The record does not hold a 2D object");
  object.release();
  return std::unique_ptr<TObject2D>(object2D);
}

void KQSysWriteObject(platform::ByteWriter& stream, TGraphicObject& object) {
  stream.I16(int16_t(KQSysFindClassIndex(object.ClassName())));
  object.SaveToStream(stream);
}

int32_t ReadCheckedCount(platform::ByteReader& stream, size_t itemSize, const char* where, const char* what) {
  const int32_t count = stream.I32();
  if (count < 0 || (itemSize > 0 && uint64_t(count) > stream.Remaining() / itemSize))
    throw ECADFileNotValid(std::string(where) + ": " + what + " count out of bounds");
  return count;
}

}  // namespace cad
