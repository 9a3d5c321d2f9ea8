// The other solids stored scenes may hold: disks, cones, annuli, capsules, tori, arrow lines,
// frustums and filled polygons. Each is set up by its properties; a setter that changes what is
// drawn rebuilds the list.
#pragma once

#include <cstdint>
#include <string>

#include "scene3d/cylinder.h"
#include "scene3d/polygon_base.h"

namespace scene3d {

// A disk or a sector of one in the XY plane facing +Z; angles in degrees from +Y towards +X.
class TGLDisk : public TGLQuadricObject {
 public:
  using TGLQuadricObject::TGLQuadricObject;
  std::string ClassName() const override { return "TGLDisk"; }
  float InnerRadius() const { return innerRadius_; }
  float OuterRadius() const { return outerRadius_; }
  int32_t Slices() const { return slices_; }
  int32_t Loops() const { return loops_; }
  float StartAngle() const { return startAngle_; }
  float SweepAngle() const { return sweepAngle_; }
  void SetInnerRadius(float value) { Set(innerRadius_, value); }
  void SetOuterRadius(float value) { Set(outerRadius_, value); }
  void SetSlices(int32_t value) { Set(slices_, value); }
  void SetLoops(int32_t value) { Set(loops_, value); }
  void SetStartAngle(float value) { Set(startAngle_, value); }
  void SetSweepAngle(float value) { Set(sweepAngle_, value); }

  TVector4f HalfExtents() const override;
  // Against the disc's plane, its two radii and its sector.
  bool RayIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* hit, TVector4f* normal) override;
  void BuildList(RenderContextInfo& rci) override;
  void DefinePublished(TFiler& filer) override;
  void Assign(const TPersistent* source) override;

 private:
  template <class T>
  void Set(T& field, T value) {
    if (StoreChanged(field, value)) StructureChanged();
  }
  float innerRadius_ = 0, outerRadius_ = 0.5f;
  int32_t slices_ = 16, loops_ = 2;
  float startAngle_ = 0, sweepAngle_ = 360;
};

using TConeParts = uint8_t;
inline constexpr TConeParts coSides = 1, coBottom = 2;

// A cone standing on its base disc of BottomRadius, centred on the origin along Y.
class TGLCone : public TGLCylinderBase {
 public:
  using TGLCylinderBase::TGLCylinderBase;
  std::string ClassName() const override { return "TGLCone"; }
  TConeParts Parts() const { return parts_; }
  void SetParts(TConeParts parts);
  float TopRadiusValue() const override { return 0; }
  TVector4f HalfExtents() const override;
  bool RayIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* hit, TVector4f* normal) override;
  void BuildList(RenderContextInfo& rci) override;
  void DefinePublished(TFiler& filer) override;
  void Assign(const TPersistent* source) override;

 private:
  TConeParts parts_ = coSides | coBottom;
};

using TAnnulusParts = uint8_t;
inline constexpr TAnnulusParts anInnerSides = 1, anOuterSides = 2, anBottom = 4, anTop = 8;

// A thick-walled tube: outer radii BottomRadius and TopRadius, inner radii of its own.
class TGLAnnulus : public TGLCylinderBase {
 public:
  using TGLCylinderBase::TGLCylinderBase;
  std::string ClassName() const override { return "TGLAnnulus"; }
  float BottomInnerRadius() const { return bottomInner_; }
  float TopInnerRadius() const { return topInner_; }
  float TopRadius() const { return topRadius_; }
  TAnnulusParts Parts() const { return parts_; }
  void SetBottomInnerRadius(float value);
  void SetTopInnerRadius(float value);
  void SetTopRadius(float value);
  void SetParts(TAnnulusParts parts);
  TVector4f HalfExtents() const override;
  void BuildList(RenderContextInfo& rci) override;
  void DefinePublished(TFiler& filer) override;
  void Assign(const TPersistent* source) override;

 private:
  float bottomInner_ = 0.3f, topInner_ = 0.3f, topRadius_ = 0.5f;
  TAnnulusParts parts_ = anInnerSides | anOuterSides | anBottom | anTop;
};

// A cylinder of Radius between -Height/2 and +Height/2 with hemispheres on its ends (cySides the
// band, cyTop and cyBottom the hemispheres).
class TGLCapsule : public TGLStageObject {
 public:
  using TGLStageObject::TGLStageObject;
  std::string ClassName() const override { return "TGLCapsule"; }
  float Height() const { return height_; }
  float Radius() const { return radius_; }
  int32_t Slices() const { return slices_; }
  int32_t Stacks() const { return stacks_; }
  TCylinderParts Parts() const { return parts_; }
  TCylinderAlignment Alignment() const { return alignment_; }
  void SetHeight(float value);
  void SetRadius(float value);
  // Values below 1 store 1.
  void SetSlices(int32_t value);
  void SetStacks(int32_t value);
  void SetParts(TCylinderParts parts);
  void SetAlignment(TCylinderAlignment alignment);
  TVector4f HalfExtents() const override;
  void BuildList(RenderContextInfo& rci) override;
  void DefinePublished(TFiler& filer) override;
  void Assign(const TPersistent* source) override;

 private:
  float height_ = 1, radius_ = 0.5f;
  int32_t slices_ = 4, stacks_ = 4;
  TCylinderParts parts_ = cySides | cyBottom | cyTop;
  TCylinderAlignment alignment_ = caCenter;
};

// A ring about the Z axis: the tube of MinorRadius around the circle of MajorRadius in the XY plane.
class TGLTorus : public TGLStageObject {
 public:
  using TGLStageObject::TGLStageObject;
  std::string ClassName() const override { return "TGLTorus"; }
  float MajorRadius() const { return majorRadius_; }
  float MinorRadius() const { return minorRadius_; }
  int32_t Rings() const { return rings_; }
  int32_t Sides() const { return sides_; }
  void SetMajorRadius(float value);
  void SetMinorRadius(float value);
  // Values below 3 store 3.
  void SetRings(int32_t value);
  void SetSides(int32_t value);
  TVector4f HalfExtents() const override;
  // The nearest root of the ray's quartic.
  bool RayIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* hit, TVector4f* normal) override;
  void BuildList(RenderContextInfo& rci) override;
  void DefinePublished(TFiler& filer) override;
  void Assign(const TPersistent* source) override;

 private:
  float majorRadius_ = 0.4f, minorRadius_ = 0.1f;
  int32_t rings_ = 25, sides_ = 15;
};

using TArrowLineParts = uint8_t;
inline constexpr TArrowLineParts alLine = 1, alTopArrow = 2, alBottomArrow = 4;
// Stacked: the heads beyond the line's ends; centred: the heads' middles on its ends; included: the
// heads within its Height.
enum TArrowHeadStackingStyle : uint8_t { ahssStacked, ahssCentered, ahssIncluded };

// A shaft along Y with cone heads.
class TGLArrowLine : public TGLCylinderBase {
 public:
  explicit TGLArrowLine(TComponent* owner);
  std::string ClassName() const override { return "TGLArrowLine"; }
  float TopRadius() const { return topRadius_; }
  float TopArrowHeadHeight() const { return topHeadHeight_; }
  float TopArrowHeadRadius() const { return topHeadRadius_; }
  float BottomArrowHeadHeight() const { return bottomHeadHeight_; }
  float BottomArrowHeadRadius() const { return bottomHeadRadius_; }
  TArrowHeadStackingStyle HeadStackingStyle() const { return stacking_; }
  TArrowLineParts Parts() const { return parts_; }
  void SetTopRadius(float value) { Set(topRadius_, value); }
  void SetTopArrowHeadHeight(float value) { Set(topHeadHeight_, value); }
  void SetTopArrowHeadRadius(float value) { Set(topHeadRadius_, value); }
  void SetBottomArrowHeadHeight(float value) { Set(bottomHeadHeight_, value); }
  void SetBottomArrowHeadRadius(float value) { Set(bottomHeadRadius_, value); }
  void SetHeadStackingStyle(TArrowHeadStackingStyle style) { Set(stacking_, style); }
  void SetParts(TArrowLineParts parts) { Set(parts_, TArrowLineParts(parts & 7)); }
  TVector4f HalfExtents() const override;
  void BuildList(RenderContextInfo& rci) override;
  void DefinePublished(TFiler& filer) override;
  void Assign(const TPersistent* source) override;

 private:
  template <class T>
  void Set(T& field, T value) {
    if (StoreChanged(field, value)) StructureChanged();
  }
  float topRadius_ = 0.1f;
  float topHeadHeight_ = 0.5f, topHeadRadius_ = 0.2f;
  float bottomHeadHeight_ = 0.5f, bottomHeadRadius_ = 0.2f;
  TArrowHeadStackingStyle stacking_ = ahssStacked;
  TArrowLineParts parts_ = alLine | alTopArrow;
};

using TFrustrumParts = uint8_t;
inline constexpr TFrustrumParts fpTop = 1, fpBottom = 2, fpFront = 4, fpBack = 8, fpLeft = 16, fpRight = 32;

// A pyramid of BaseWidth x BaseDepth and ApexHeight cut off at Height, centred on the origin along Y.
// The four sizes are stored together as the binary property "FrustrumSize".
class TGLFrustrum : public TGLStageObject {
 public:
  using TGLStageObject::TGLStageObject;
  std::string ClassName() const override { return "TGLFrustrum"; }
  float ApexHeight() const { return apexHeight_; }
  float BaseDepth() const { return baseDepth_; }
  float BaseWidth() const { return baseWidth_; }
  float Height() const { return height_; }
  TFrustrumParts Parts() const { return parts_; }
  TNormalDirection NormalDirection() const { return normalDirection_; }
  void SetApexHeight(float value) { Set(apexHeight_, value); }
  void SetBaseDepth(float value) { Set(baseDepth_, value); }
  void SetBaseWidth(float value) { Set(baseWidth_, value); }
  void SetHeight(float value) { Set(height_, value); }
  void SetParts(TFrustrumParts parts) { Set(parts_, TFrustrumParts(parts & 63)); }
  void SetNormalDirection(TNormalDirection direction) { Set(normalDirection_, direction); }
  TVector4f HalfExtents() const override;
  void BuildList(RenderContextInfo& rci) override;
  void DefinePublished(TFiler& filer) override;
  void Assign(const TPersistent* source) override;
  void DefineProperties(TFiler& filer) override;

 private:
  template <class T>
  void Set(T& field, T value) {
    if (StoreChanged(field, value)) StructureChanged();
  }
  float apexHeight_ = 1, baseDepth_ = 1, baseWidth_ = 1, height_ = 0.5f;
  TFrustrumParts parts_ = 63;
  TNormalDirection normalDirection_ = ndOutside;
};

// The flat polygon through its nodes, filled on its top side, its bottom side or both.
class TGLPolygon : public TGLPolygonBase {
 public:
  using TGLPolygonBase::TGLPolygonBase;
  std::string ClassName() const override { return "TGLPolygon"; }
  TPolygonParts Parts() const { return parts_; }
  void SetParts(TPolygonParts parts);
  void BuildList(RenderContextInfo& rci) override;
  void DefinePublished(TFiler& filer) override;
  void Assign(const TPersistent* source) override;

 private:
  TPolygonParts parts_ = ppTop | ppBottom;
};

}  // namespace scene3d
