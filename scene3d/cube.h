// TGLCube: a box of CubeWidth x CubeHeight x CubeDepth about the object's origin, with a chosen set
// of faces (Parts) facing out or in. Drawn directly every frame; the three sizes are stored together
// as the binary property "CubeSize" (width, height, depth as singles) when any differs from 1.
#pragma once

#include <cstdint>
#include <string>

#include "scene3d/quadric_object.h"

namespace scene3d {

// A set of TCubePart bits.
using TCubeParts = uint8_t;
inline constexpr TCubeParts cpTop = 1, cpBottom = 2, cpFront = 4, cpBack = 8, cpLeft = 16, cpRight = 32;
inline constexpr TCubeParts cpAll = 63;

class TGLCube : public TGLStageObject {
 public:
  explicit TGLCube(TComponent* owner);
  std::string ClassName() const override { return "TGLCube"; }

  float CubeWidth() const { return width_; }
  float CubeHeight() const { return height_; }
  float CubeDepth() const { return depth_; }
  void SetCubeWidth(float value);
  void SetCubeHeight(float value);
  void SetCubeDepth(float value);
  TCubeParts Parts() const { return parts_; }
  void SetParts(TCubeParts parts);
  TNormalDirection NormalDirection() const { return normalDirection_; }
  void SetNormalDirection(TNormalDirection direction);

  // Half the sizes, signs kept.
  TVector4f HalfExtents() const override;
  // Against the faces whose outside the ray meets first; hit and the face's outward normal negated.
  bool RayIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* hit, TVector4f* normal) override;
  std::unique_ptr<TGLSilhouette> BuildSilhouette(const TOutlineRequest& request) override;
  // One GL_QUADS primitive with the faces in Parts.
  void BuildList(RenderContextInfo& rci) override;
  void DefinePublished(TFiler& filer) override;
  void Assign(const TPersistent* source) override;
  void DefineProperties(TFiler& filer) override;

 private:
  float width_ = 1, height_ = 1, depth_ = 1;
  TCubeParts parts_ = cpAll;
  TNormalDirection normalDirection_ = ndOutside;
};

}  // namespace scene3d
