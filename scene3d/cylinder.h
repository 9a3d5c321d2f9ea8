// Cylinders: TGLCylinderBase carries what every quadric solid of revolution has (bottom radius,
// height, slices, stacks, loops); TGLCylinder adds the top radius (a frustum of a cone when the two
// differ), which of its sides, top and bottom are drawn, and where it stands along its Y axis:
// centred on the origin, hanging below it (caTop) or standing on it (caBottom).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "scene3d/quadric_object.h"

namespace scene3d {

// The nearest hit of a ray (local origin o, direction d) with the solid of revolution about Y that
// runs from radius rb at y0 to rt at y1, of the parts asked for: the side, the top disc at y1, the
// bottom disc at y0. Hit point and outward normal in the same coordinates.
struct TTaperedHit {
  TVector3f point;
  TVector3f normal;
};
std::optional<TTaperedHit> RayTaperedCylinder(const TVector4f& o, const TVector4f& d, double y0, double y1, double rb,
                                              double rt, bool side, bool top, bool bottom);

class TGLCylinderBase : public TGLQuadricObject {
 public:
  using TGLQuadricObject::TGLQuadricObject;
  std::string ClassName() const override { return "TGLCylinderBase"; }

  float BottomRadius() const { return bottomRadius_; }
  void SetBottomRadius(float radius);
  float Height() const { return height_; }
  void SetHeight(float height);
  int32_t Slices() const { return slices_; }
  void SetSlices(int32_t slices);
  int32_t Stacks() const { return stacks_; }
  void SetStacks(int32_t stacks);
  int32_t Loops() const { return loops_; }
  // Values <= 0 are ignored.
  void SetLoops(int32_t loops);
  // The radius at the top: BottomRadius here.
  virtual float TopRadiusValue() const { return bottomRadius_; }

  // A closed surface of max(Slices, 5) segments between the two circles.
  std::unique_ptr<TGLSilhouette> BuildSilhouette(const TOutlineRequest& request) override;
  void DefinePublished(TFiler& filer) override;
  void Assign(const TPersistent* source) override;

 private:
  float bottomRadius_ = 0.5f;
  float height_ = 1;
  int32_t slices_ = 16;
  int32_t stacks_ = 4;
  int32_t loops_ = 1;
};

// A set of TCylinderPart bits.
using TCylinderParts = uint8_t;
inline constexpr TCylinderParts cySides = 1, cyBottom = 2, cyTop = 4;
enum TCylinderAlignment : uint8_t { caCenter, caTop, caBottom };

class TGLCylinder : public TGLCylinderBase {
 public:
  using TGLCylinderBase::TGLCylinderBase;
  std::string ClassName() const override { return "TGLCylinder"; }

  float TopRadius() const { return topRadius_; }
  void SetTopRadius(float radius);
  TCylinderParts Parts() const { return parts_; }
  void SetParts(TCylinderParts parts);
  TCylinderAlignment Alignment() const { return alignment_; }
  void SetAlignment(TCylinderAlignment alignment);
  float TopRadiusValue() const override { return topRadius_; }

  // The local Y of the bottom and the top for the alignment.
  float BottomY() const;
  float TopY() const { return BottomY() + Height(); }

  // The larger radius across; half the height when centred, else the whole height, so that the
  // box about the origin holds the cylinder however it is aligned.
  TVector4f HalfExtents() const override;
  // The nearest hit of the drawn parts (sides as the cone between the two radii).
  bool RayIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* hit, TVector4f* normal) override;
  void BuildList(RenderContextInfo& rci) override;
  void DefinePublished(TFiler& filer) override;
  void Assign(const TPersistent* source) override;

 private:
  float topRadius_ = 0.5f;
  TCylinderParts parts_ = cySides | cyBottom | cyTop;
  TCylinderAlignment alignment_ = caCenter;
};

}  // namespace scene3d
