#include "scene3d/quadric_object.h"
#include "scene3d/stored_object.h"

namespace scene3d {

void TGLQuadricObject::SetNormals(TNormalSmoothing normals) {
  if (StoreChanged(normals_, normals)) StructureChanged();
}

void TGLQuadricObject::SetNormalDirection(TNormalDirection direction) {
  if (StoreChanged(normalDirection_, direction)) StructureChanged();
}

void TGLQuadricObject::SetupQuadric(TQuadric& quadric) const {
  quadric.normals = normals_ == nsFlat ? qnFlat : normals_ == nsSmooth ? qnSmooth : qnNone;
  SetOrientation(quadric);
  quadric.textured = true;
}

void TGLQuadricObject::SetOrientation(TQuadric& quadric) const {
  quadric.orientation = normalDirection_ == ndInside ? qoInside : qoOutside;
}

void TGLQuadricObject::SetInvertedOrientation(TQuadric& quadric) const {
  quadric.orientation = normalDirection_ == ndInside ? qoOutside : qoInside;
}

void TGLQuadricObject::Assign(const TPersistent* source) {
  if (auto* quadric = dynamic_cast<const TGLQuadricObject*>(source)) {
    SetNormals(quadric->normals_);
    SetNormalDirection(quadric->normalDirection_);
  }
  TGLStageObject::Assign(source);
}

void TGLQuadricObject::DefinePublished(TFiler& filer) {
  TGLStageObject::DefinePublished(filer);
  DefineEnum<TNormalSmoothing>(filer, "Normals", normals_, [this](TNormalSmoothing v) { SetNormals(v); }, nsSmooth,
                               nsNone);
  DefineEnum<TNormalDirection>(filer, "NormalDirection", normalDirection_,
                               [this](TNormalDirection v) { SetNormalDirection(v); }, ndOutside, ndOutside);
}

}  // namespace scene3d
