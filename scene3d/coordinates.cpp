#include "scene3d/coordinates.h"

#include "scene3d/streaming_classes.h"

namespace scene3d {

bool UseDefaultCoordinates = false;

namespace {
const bool kRegistered = (RegisterStreamingClass<TGLCoordinates2>(), RegisterStreamingClass<TGLCoordinates3>(),
                          RegisterStreamingClass<TGLCoordinates4>(), true);
}

TGLCustomCoordinates::TGLCustomCoordinates(TPersistent* owner, const TVector4f& value, TGLCoordinatesStyle style)
    : TGLUpdateAbleObject(owner), style_(style) {
  Initialize(value);
}

void TGLCustomCoordinates::Initialize(const TVector4f& value) { value_.Initialize(value, UseDefaultCoordinates); }

void TGLCustomCoordinates::Assign(const TPersistent* source) {
  if (auto* coordinates = dynamic_cast<const TGLCustomCoordinates*>(source)) {
    value_.value = coordinates->value_.value;
    return;
  }
  TGLUpdateAbleObject::Assign(source);
}

void TGLCustomCoordinates::DefineProperties(TFiler& filer) {
  TGLUpdateAbleObject::DefineProperties(filer);
  value_.Define(filer, "Coordinates");
}

void TGLCustomCoordinates::NotifyChange(TObject* sender) {
  if (auto* owner = dynamic_cast<IGLCoordinatesUpdateAble*>(Owner())) owner->CoordinatesEdited(this);
  TGLUpdateAbleObject::NotifyChange(sender);
}

void TGLCustomCoordinates::Set(const TVector4f& v) {
  value_.value = v;
  NotifyChange(this);
}

void TGLCustomCoordinates::SetCoordinate(int index, float value) {
  value_.value[index] = value;
  NotifyChange(this);
}

void TGLCustomCoordinates::TranslateBy(const TVector3f& v) {
  TVector4f& p = value_.value;
  const TVector3f moved = AffineSum({p.x, p.y, p.z}, v);
  Set({moved.x, moved.y, moved.z, p.w});
}

void TGLCustomCoordinates::TranslateBy(const TVector4f& v) { TranslateBy(TVector3f{v.x, v.y, v.z}); }

void TGLCustomCoordinates::Normalize() {
  VectorNormalizeInPlace4(value_.value);
  NotifyChange(this);
}

void TGLCustomCoordinates::SetStyled(const TVector4f& v) {
  TVector4f styled = v;
  switch (style_) {
    case ctPoint2D: styled.z = styled.w = 0; break;
    case ctPoint: styled.w = 1; break;
    case ctVector: styled.w = 0; break;
    case ctUnknown: break;
  }
  Set(styled);
}

void TGLCustomCoordinates::SetFromVector(const TVector4f& v) {
  switch (style_) {
    case ctPoint2D:
    case ctVector: value_.value = {v.x, v.y, v.z, 0}; break;
    case ctPoint: value_.value = {v.x, v.y, v.z, 1}; break;
    case ctUnknown: break;
  }
  NotifyChange(this);
}

}  // namespace scene3d
