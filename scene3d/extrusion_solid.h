// TGLExtrusionSolid: the outline of its contours (the multi-polygon's, holes cut out) extruded along
// +Z from 0 to Height in Stacks strips, with the tessellated start polygon at Z = 0 and the stop
// polygon at Z = Height as Parts asks:
//   auto* block = root->CreateChild<TGLExtrusionSolid>();
//   TGLContour& outside = block->Contours().Add();
//   outside.Nodes().AddNode(0, 0, 0); ...                 // counter-clockwise seen from +Z
//   block->SetParts(espOutside | espStartPolygon | espStopPolygon);
//   block->SetHeight(2);
// Flat normals face away from the material; with nsSmooth two neighbouring walls share their normal
// where they meet at less than MinSmoothAngle.
#pragma once

#include <cstdint>
#include <string>

#include "scene3d/multi_polygon.h"
#include "scene3d/quadric_object.h"

namespace scene3d {

// A set of TExtrusionSolidPart bits.
using TExtrusionSolidParts = uint8_t;
inline constexpr TExtrusionSolidParts espOutside = 1, espInside = 2, espStartPolygon = 4, espStopPolygon = 8;

class TGLExtrusionSolid : public TMultiPolygonBase {
 public:
  explicit TGLExtrusionSolid(TComponent* owner) : TMultiPolygonBase(owner) {}
  std::string ClassName() const override { return "TGLExtrusionSolid"; }

  TExtrusionSolidParts Parts() const { return parts_; }
  void SetParts(TExtrusionSolidParts parts);
  float Height() const { return height_; }
  void SetHeight(float height);
  int32_t Stacks() const { return stacks_; }
  // Values below 1 are ignored.
  void SetStacks(int32_t stacks);
  TNormalSmoothing Normals() const { return normals_; }
  void SetNormals(TNormalSmoothing normals);
  TNormalDirection NormalDirection() const { return normalDirection_; }
  void SetNormalDirection(TNormalDirection direction);
  // Degrees; the cosine is what the smoothing compares with.
  float MinSmoothAngle() const { return minSmoothAngle_; }
  void SetMinSmoothAngle(float degrees);

  // The contours' half extents, Z covering the height as well.
  TVector4f HalfExtents() const override;
  void BuildList(RenderContextInfo& rci) override;
  void DefinePublished(TFiler& filer) override;
  void Assign(const TPersistent* source) override;

 private:
  void BuildWalls(bool flip);

  TExtrusionSolidParts parts_ = espOutside;
  float height_ = 1;
  int32_t stacks_ = 1;
  TNormalSmoothing normals_ = nsFlat;
  TNormalDirection normalDirection_ = ndOutside;
  float minSmoothAngle_ = 5;
  float minSmoothCosine_ = 0.9961947f;  // cos 5°
};

}  // namespace scene3d
