// TGLPlane: a flat rectangle of Width x Height in the object's XY plane facing +Z, drawn directly,
// with its texture offset, scoped and tiled; either one quad or a grid of XTiles x YTiles.
#pragma once

#include <cstdint>
#include <string>

#include "scene3d/custom_scene_object.h"

namespace scene3d {

using TPlaneStyles = uint8_t;
inline constexpr TPlaneStyles psSingleQuad = 1, psTileTexture = 2;

class TGLPlane : public TGLStageObject {
 public:
  explicit TGLPlane(TComponent* owner);
  std::string ClassName() const override { return "TGLPlane"; }

  float Width() const { return width_; }
  float Height() const { return height_; }
  void SetWidth(float value) { Set(width_, value); }
  void SetHeight(float value) { Set(height_, value); }
  float XOffset() const { return xOffset_; }
  float YOffset() const { return yOffset_; }
  void SetXOffset(float value) { Set(xOffset_, value); }
  void SetYOffset(float value) { Set(yOffset_, value); }
  float XScope() const { return xScope_; }
  float YScope() const { return yScope_; }
  // Values above 1 store 1.
  void SetXScope(float value) { Set(xScope_, value > 1 ? 1 : value); }
  void SetYScope(float value) { Set(yScope_, value > 1 ? 1 : value); }
  int32_t XTiles() const { return xTiles_; }
  int32_t YTiles() const { return yTiles_; }
  // Values below 1 store 1.
  void SetXTiles(int32_t value);
  void SetYTiles(int32_t value);
  TPlaneStyles Style() const { return style_; }
  void SetStyle(TPlaneStyles style);

  TVector4f HalfExtents() const override;
  // Hits the rectangle from either side; the normal faces the ray.
  bool RayIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* hit, TVector4f* normal) override;
  std::unique_ptr<TGLSilhouette> BuildSilhouette(const TOutlineRequest& request) override;
  void BuildList(RenderContextInfo& rci) override;
  void DefinePublished(TFiler& filer) override;
  void Assign(const TPersistent* source) override;

 private:
  void Set(float& field, float value) {
    if (StoreChanged(field, value)) StructureChanged();
  }
  float width_ = 1, height_ = 1;
  float xOffset_ = 0, yOffset_ = 0;
  float xScope_ = 1, yScope_ = 1;
  int32_t xTiles_ = 1, yTiles_ = 1;
  TPlaneStyles style_ = psSingleQuad | psTileTexture;
};

}  // namespace scene3d
