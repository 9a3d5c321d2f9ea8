// Persistent, change-notifying coordinates: what scene objects publish as Position, Direction, Up and
// Scale, and lights and materials for their own vectors.
//
// A coordinates object holds a TVector4f and a style that says what it stands for: a point keeps
// W = 1, a direction W = 0, a 2D value Z = W = 0 (in SetStyled and SetFromVector). Every setter
// notifies, even when the value stays the same (unlike a colour's component setters); Initialize,
// StoreRaw and Assign do not. A notification first tells an owner that implements
// IGLCoordinatesUpdateAble (a scene object) CoordinatesEdited(this), then runs the updatable object's
// own notification (the owner's NotifyChange, OnChange).
//
// TGLCoordinates2, 3 and 4 differ only in the components they publish (X, Y; X, Y, Z; all four);
// every component is reachable on each. Stored definitions keep the whole vector as the binary
// property "Coordinates", left out when UseDefaultCoordinates was on at creation and it still holds
// its initial value. The three classes are registered by name (StreamingClasses()).
#pragma once

#include <string>

#include "scene3d/update_able.h"
#include "scene3d/vector_property.h"
#include "scene3d/vectors.h"

namespace scene3d {

enum TGLCoordinatesStyle : uint8_t { ctPoint2D = 0, ctPoint = 1, ctVector = 2, ctUnknown = 3 };

// When on, every coordinates object made from then on remembers its initial value as its default.
extern bool UseDefaultCoordinates;

class TGLCustomCoordinates;

// What hears that one of its coordinates changed.
class IGLCoordinatesUpdateAble {
 public:
  virtual void CoordinatesEdited(TGLCustomCoordinates* sender) = 0;

 protected:
  ~IGLCoordinatesUpdateAble() = default;
};

class TGLCustomCoordinates : public TGLUpdateAbleObject {
 public:
  // (0, 0, 0, 0) of unknown style.
  explicit TGLCustomCoordinates(TPersistent* owner) : TGLUpdateAbleObject(owner) {}
  TGLCustomCoordinates(TPersistent* owner, const TVector4f& value, TGLCoordinatesStyle style);
  std::string ClassName() const override { return "TGLCustomCoordinates"; }

  // The value without notifying (and as default while UseDefaultCoordinates is on).
  void Initialize(const TVector4f& value);
  // From other coordinates: X, Y, Z, W, without notifying; the style and default stay.
  void Assign(const TPersistent* source) override;
  void DefineProperties(TFiler& filer) override;
  void NotifyChange(TObject* sender) override;

  const TVector4f& Value() const { return value_.value; }
  const TVector4f* DefaultValue() const { return value_.DefaultValue(); }
  // The four singles in a row, for OpenGL.
  const float* CoordsPointer() const { return &value_.value.x; }
  TGLCoordinatesStyle Style() const { return style_; }
  void SetStyle(TGLCoordinatesStyle style) { style_ = style; }

  float X() const { return value_.value.x; }
  float Y() const { return value_.value.y; }
  float Z() const { return value_.value.z; }
  float W() const { return value_.value.w; }
  void SetX(float value) { SetCoordinate(0, value); }
  void SetY(float value) { SetCoordinate(1, value); }
  void SetZ(float value) { SetCoordinate(2, value); }
  void SetW(float value) { SetCoordinate(3, value); }

  // X, Y, Z += v; W stays.
  void TranslateBy(const TVector3f& v);
  void TranslateBy(const TVector4f& v);
  // X, Y, Z to unit length, W := 0.
  void Normalize();
  float Length3() const { return static_cast<float>(AffineLength(value_.value)); }
  // Bit for bit, all four components.
  bool SameAs(const TVector4f& v) const { return VectorEqual4(value_.value, v); }
  void SetDirectionXYZ(float x, float y, float z) { Set({x, y, z, 0}); }
  void SetXYZW(float x, float y, float z, float w) { Set({x, y, z, w}); }
  void SetPointXYZ(float x, float y, float z) { Set({x, y, z, 1}); }
  // The value as it stands, without notifying.
  void StoreRaw(const TVector4f& v) { value_.value = v; }
  // v, then Z and W (2D), W (point, vector) forced by the style.
  void SetStyled(const TVector4f& v);
  // X, Y, Z of v with W 0 (2D, vector) or 1 (point); nothing for the unknown style (still notifies).
  void SetFromVector(const TVector4f& v);
  TVector3f AsAffine() const { return {value_.value.x, value_.value.y, value_.value.z}; }

 private:
  void SetCoordinate(int index, float value);
  void Set(const TVector4f& v);

  TStoredVector4f value_;
  TGLCoordinatesStyle style_ = ctUnknown;
};

class TGLCoordinates2 : public TGLCustomCoordinates {
 public:
  using TGLCustomCoordinates::TGLCustomCoordinates;
  std::string ClassName() const override { return "TGLCoordinates2"; }
};

class TGLCoordinates3 : public TGLCustomCoordinates {
 public:
  using TGLCustomCoordinates::TGLCustomCoordinates;
  std::string ClassName() const override { return "TGLCoordinates3"; }
};

class TGLCoordinates4 : public TGLCustomCoordinates {
 public:
  using TGLCustomCoordinates::TGLCustomCoordinates;
  std::string ClassName() const override { return "TGLCoordinates4"; }
};

// The base of every scene object: a component that hears when its coordinates change.
class TGLCoordinatesUpdateAbleComponent : public TGLUpdateAbleComponent, public IGLCoordinatesUpdateAble {
 public:
  using TGLUpdateAbleComponent::TGLUpdateAbleComponent;
  std::string ClassName() const override { return "TGLCoordinatesUpdateAbleComponent"; }
};

}  // namespace scene3d
