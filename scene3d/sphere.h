// TGLSphere: a sphere (or a band, wedge or cap of one) of Radius about the object's origin, built
// of Slices around its Y axis and Stacks from Bottom to Top latitude, with optional caps where the
// band is cut off below the poles.
#pragma once

#include <cstdint>
#include <string>

#include "scene3d/quadric_object.h"

namespace scene3d {

enum TCapType : uint8_t { ctNone, ctCenter, ctFlat };

class TGLSphere : public TGLQuadricObject {
 public:
  explicit TGLSphere(TComponent* owner) : TGLQuadricObject(owner) {}
  std::string ClassName() const override { return "TGLSphere"; }

  float Radius() const { return radius_; }
  void SetRadius(float radius);
  int32_t Slices() const { return slices_; }
  int32_t Stacks() const { return stacks_; }
  // Values below 1 store 1.
  void SetSlices(int32_t slices);
  void SetStacks(int32_t stacks);
  // Latitudes in degrees, -90..90 (clamped).
  int8_t Top() const { return top_; }
  int8_t Bottom() const { return bottom_; }
  void SetTop(int top);
  void SetBottom(int bottom);
  // Longitudes in degrees, 0..360 (clamped).
  uint16_t Start() const { return start_; }
  uint16_t Stop() const { return stop_; }
  void SetStart(int start);
  void SetStop(int stop);
  TCapType TopCap() const { return topCap_; }
  TCapType BottomCap() const { return bottomCap_; }
  void SetTopCap(TCapType cap);
  void SetBottomCap(TCapType cap);

  void DefinePublished(TFiler& filer) override;
  TVector4f HalfExtents() const override;
  bool RayIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* hit, TVector4f* normal) override;
  std::unique_ptr<TGLSilhouette> BuildSilhouette(const TOutlineRequest& request) override;
  void BuildList(RenderContextInfo& rci) override;
  // Every property, caps included, then the quadric's.
  void Assign(const TPersistent* source) override;

 private:
  void DrawCap(bool top);
  float radius_ = 0.5f;
  int32_t slices_ = 16;
  int32_t stacks_ = 16;
  int8_t top_ = 90;
  int8_t bottom_ = -90;
  uint16_t start_ = 0;
  uint16_t stop_ = 360;
  TCapType topCap_ = ctNone;
  TCapType bottomCap_ = ctNone;
};

}  // namespace scene3d
