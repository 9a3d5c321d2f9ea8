#include "scene3d/dummy_cube.h"

#include <cmath>

#include "scene3d/gl_context.h"
#include "scene3d/gl_state.h"
#include "scene3d/wire_shapes.h"
#include "scene3d/stored_object.h"

namespace scene3d {

TGLDummyCube::TGLDummyCube(TComponent* owner)
    : TGLCameraInvariantObject(owner), edgeColor_(std::make_unique<TGLColor>(this, clrWhite)) {
  SetObjectStyle(uint8_t(ObjectStyle() | osDirectDraw));
}

TGLDummyCube::~TGLDummyCube() = default;

void TGLDummyCube::SetCubeSize(float size) {
  if (StoreChanged(cubeSize_, size)) StructureChanged();
}

void TGLDummyCube::SetVisibleAtRunTime(bool flag) {
  if (StoreChanged(visibleAtRunTime_, flag)) StructureChanged();
}

void TGLDummyCube::SetAmalgamate(bool flag) {
  if (!StoreChanged(amalgamate_, flag)) return;
  if (!flag) groupList_.reset();
  NotifyChange(this);
}

TVector4f TGLDummyCube::SortPosition() {
  if (Count() == 0) return TGLCameraInvariantObject::SortPosition();
  double x = 0, y = 0, z = 0, w = 0;
  for (int i = 0; i < Count(); ++i) {
    const TVector4f p = Children(i)->SortPosition();
    x += p.x;
    y += p.y;
    z += p.z;
    w += p.w;
  }
  const double n = Count();
  return {float(x / n), float(y / n), float(z / n), float(w / n)};
}

TVector4f TGLDummyCube::HalfExtents() const {
  const float h = std::fabs(cubeSize_) * 0.5f;
  return {h, h, h, 0};
}

bool TGLDummyCube::RayIntersect(const TVector4f&, const TVector4f&, TVector4f*, TVector4f*) { return false; }

void TGLDummyCube::BuildList(RenderContextInfo& rci) {
  if (visibleAtRunTime_) BuildWireCube(*rci.GLStates, cubeSize_, true, edgeColor_->GetColor());
}

void TGLDummyCube::DoRender(RenderContextInfo& rci, bool renderSelf, bool renderChildren) {
  if (OnVisibilityDetermination && !OnVisibilityDetermination(this, rci)) return;
  if (!amalgamate_ || rci.amalgamating) {
    TGLCameraInvariantObject::DoRender(rci, renderSelf, renderChildren);
    return;
  }
  TGLStateCache& states = *rci.GLStates;
  if (!groupList_) groupList_ = std::make_unique<TGLListHandle>(GLContextManager());
  if (groupList_->Identifier() == 0) {
    groupList_->AllocateIdentifier();
    const GLuint list = groupList_->Identifier();
    if (list == 0) {
      TGLCameraInvariantObject::DoRender(rci, renderSelf, renderChildren);
      return;
    }
    states.NewList(list, GL_COMPILE);
    rci.amalgamating = true;
    try {
      TGLCameraInvariantObject::DoRender(rci, renderSelf, renderChildren);
    } catch (...) {
      rci.amalgamating = false;
      states.EndList();
      groupList_.reset();
      throw;
    }
    rci.amalgamating = false;
    states.EndList();
  }
  states.CallList(groupList_->Identifier());
}

void TGLDummyCube::StructureChanged() {
  if (amalgamate_) groupList_.reset();
  TGLCameraInvariantObject::StructureChanged();
}

void TGLDummyCube::NotifyChange(TObject* sender) {
  // The edge colour is part of what the cube draws.
  if (sender == edgeColor_.get()) {
    StructureChanged();
    return;
  }
  TGLCameraInvariantObject::NotifyChange(sender);
}

void TGLDummyCube::Assign(const TPersistent* source) {
  if (auto* cube = dynamic_cast<const TGLDummyCube*>(source)) {
    cubeSize_ = cube->cubeSize_;
    edgeColor_->SetColor(cube->edgeColor_->GetColor());
    visibleAtRunTime_ = cube->visibleAtRunTime_;
    NotifyChange(this);
  }
  TGLCameraInvariantObject::Assign(source);
}

void TGLDummyCube::FreeGLHandles() {
  groupList_.reset();
  TGLCameraInvariantObject::FreeGLHandles();
}

void TGLDummyCube::DefinePublished(TFiler& filer) {
  TGLCameraInvariantObject::DefinePublished(filer);
  DefineSingle(filer, "CubeSize", cubeSize_, [this](float v) { SetCubeSize(v); }, 1);
  DefineObject(filer, "EdgeColor", edgeColor_.get(), [this]() -> TPersistent& { return *edgeColor_; });
  DefineBoolean(filer, "VisibleAtRunTime", visibleAtRunTime_, [this](bool v) { SetVisibleAtRunTime(v); }, false);
  DefineBoolean(filer, "Amalgamate", amalgamate_, [this](bool v) { SetAmalgamate(v); }, false);
}

}  // namespace scene3d
