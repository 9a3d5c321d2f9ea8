// TGLQuadricObject: the base of the solids drawn as quadrics (sphere, cylinders, disks). It carries
// how normals are made and which way the solid faces, and sets up a quadric (quadric_drawing.h)
// to match.
#pragma once

#include <cstdint>
#include <string>

#include "scene3d/custom_scene_object.h"
#include "scene3d/quadric_drawing.h"

namespace scene3d {

enum TNormalDirection : uint8_t { ndInside, ndOutside };
enum TNormalSmoothing : uint8_t { nsFlat, nsSmooth, nsNone };

class TGLQuadricObject : public TGLStageObject {
 public:
  using TGLStageObject::TGLStageObject;
  std::string ClassName() const override { return "TGLQuadricObject"; }

  TNormalSmoothing Normals() const { return normals_; }
  void SetNormals(TNormalSmoothing normals);
  TNormalDirection NormalDirection() const { return normalDirection_; }
  void SetNormalDirection(TNormalDirection direction);

  // Filled, with the object's normals and orientation and texture coordinates.
  void DefinePublished(TFiler& filer) override;
  void SetupQuadric(TQuadric& quadric) const;
  void SetOrientation(TQuadric& quadric) const;
  // The opposite orientation, for caps that face the other way.
  void SetInvertedOrientation(TQuadric& quadric) const;

  // Normals and NormalDirection, then the base's values.
  void Assign(const TPersistent* source) override;

 private:
  TNormalSmoothing normals_ = nsSmooth;
  TNormalDirection normalDirection_ = ndOutside;
};

}  // namespace scene3d
