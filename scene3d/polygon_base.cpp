#include "scene3d/polygon_base.h"

#include <algorithm>
#include "scene3d/stored_object.h"

namespace scene3d {

TGLPolygonBase::TGLPolygonBase(TComponent* owner) : TGLStageObject(owner) {
  // Virtual calls in a constructor reach this class's CreateNodes: subclasses call RecreateNodes.
  nodes_ = CreateNodes();
}

TGLPolygonBase::~TGLPolygonBase() { nodes_.reset(); }

std::unique_ptr<TGLNodes> TGLPolygonBase::CreateNodes() { return std::make_unique<TGLNodes>(this); }

void TGLPolygonBase::SetDivision(int32_t division) {
  if (StoreChanged(division_, std::max(division, 1))) StructureChanged();
}

void TGLPolygonBase::SetSplineMode(TLineSplineMode mode) {
  if (StoreChanged(splineMode_, mode)) StructureChanged();
}

void TGLPolygonBase::NotifyChange(TObject* sender) {
  if (nodes_ && sender == nodes_.get()) StructureChanged();
  TGLStageObject::NotifyChange(sender);
}

void TGLPolygonBase::Assign(const TPersistent* source) {
  if (auto* polygon = dynamic_cast<const TGLPolygonBase*>(source)) {
    nodes_->Assign(polygon->nodes_.get());
    SetDivision(polygon->division_);
    SetSplineMode(polygon->splineMode_);
  }
  TGLStageObject::Assign(source);
}

void TGLPolygonBase::DefinePublished(TFiler& filer) {
  TGLStageObject::DefinePublished(filer);
  DefineCollection(filer, "Nodes", *nodes_);
  DefineSubdivisions(filer, "Division", division_, [this](int32_t v) { SetDivision(v); }, 10);
  DefineEnum<TLineSplineMode>(filer, "SplineMode", splineMode_, [this](TLineSplineMode v) { SetSplineMode(v); },
                              lsmLines, lsmLoop);
}

}  // namespace scene3d
