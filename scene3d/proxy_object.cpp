#include "scene3d/proxy_object.h"

#include "scene3d/gl_transformation.h"
#include "scene3d/matrices.h"
#include "scene3d/object_behaviours.h"
#include "scene3d/stored_object.h"

namespace scene3d {

void TGLProxyObject::SetMasterObject(TGLBaseSceneObject* master) {
  if (master == master_ || master == this) return;
  if (master_) master_->RemoveFreeNotification(this);
  master_ = master;
  if (master_) master_->FreeNotification(this);
  StructureChanged();
  NotifyChange(this);
}

void TGLProxyObject::SetProxyOptions(uint8_t options) {
  if (StoreChanged(options_, options)) NotifyChange(this);
}

void TGLProxyObject::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove && component == master_) master_ = nullptr;
  TGLBaseSceneObject::Notification(component, operation);
}

void TGLProxyObject::DoRender(RenderContextInfo& rci, bool renderSelf, bool renderChildren) {
  if (rendering_) return;
  rendering_ = true;
  struct Clear {
    bool& flag;
    ~Clear() { flag = false; }
  } clear{rendering_};
  if (master_ && renderSelf) {
    TGLPipelineTransformation& pipeline = *rci.PipelineTransformation;
    if (options_ & pooTransformation)
      pipeline.SetModelMatrix(MatrixProduct(master_->LocalMatrix(), pipeline.ModelMatrix()));
    const bool wasSubObject = rci.proxySubObject;
    rci.proxySubObject = true;
    try {
      if ((options_ & pooEffects) && master_->HasEffects()) master_->Effects().RenderPreEffects(rci);
      if (options_ & pooObjects) master_->DoRender(rci, true, master_->Count() > 0);
      if ((options_ & pooEffects) && master_->HasEffects()) master_->Effects().RenderPostEffects(rci);
    } catch (...) {
      rci.proxySubObject = wasSubObject;
      throw;
    }
    rci.proxySubObject = wasSubObject;
  }
  if (renderChildren) RenderChildren(0, Count() - 1, rci);
}

TMatrix4f TGLProxyObject::MasterFrame() {
  if (!master_ || !(options_ & pooTransformation)) return AbsoluteMatrix();
  return MatrixProduct(master_->LocalMatrix(), AbsoluteMatrix());
}

TVector4f TGLProxyObject::HalfExtents() const {
  return master_ ? master_->HalfExtents() : TGLBaseSceneObject::HalfExtents();
}

bool TGLProxyObject::RayIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* hit,
                                  TVector4f* normal) {
  if (!master_) return false;
  // World -> the master's coordinates as drawn here -> the master's own world place, and back.
  TMatrix4f toMasterLocal = MasterFrame();
  MatrixInvert(toMasterLocal);
  const TMatrix4f toWorld = MatrixProduct(toMasterLocal, master_->AbsoluteMatrix());
  TMatrix4f back = toWorld;
  MatrixInvert(back);
  TVector4f start = rayStart;
  start.w = 1;
  TVector4f direction = rayVector;
  direction.w = 0;
  TVector4f masterHit, masterNormal;
  if (!master_->RayIntersect(VectorTransform4(start, toWorld), VectorTransform4(direction, toWorld), &masterHit,
                             &masterNormal))
    return false;
  if (hit) *hit = VectorTransform4(masterHit, back);
  if (normal) *normal = VectorNormalized4(VectorTransform4(masterNormal, back));
  return true;
}

std::unique_ptr<TGLSilhouette> TGLProxyObject::BuildSilhouette(const TOutlineRequest& request) {
  if (!master_) return TGLBaseSceneObject::BuildSilhouette(request);
  // The viewpoint is given in this object's coordinates; the master wants its own.
  TOutlineRequest masterRequest = request;
  if (options_ & pooTransformation) {
    TMatrix4f inverse = master_->LocalMatrix();
    MatrixInvert(inverse);
    masterRequest.Viewpoint = AffineTransform(request.Viewpoint, inverse);
  }
  std::unique_ptr<TGLSilhouette> silhouette = master_->BuildSilhouette(masterRequest);
  if (silhouette && (options_ & pooTransformation)) {
    const TMatrix4f& local = master_->LocalMatrix();
    for (TVector4f& v : silhouette->Vertices.Items()) v = VectorTransform4(v, local);
  }
  return silhouette;
}

void TGLProxyObject::Assign(const TPersistent* source) {
  if (auto* from = dynamic_cast<const TGLProxyObject*>(source)) {
    SetMasterObject(from->master_);
    options_ = from->options_;
  }
  TGLBaseSceneObject::Assign(source);
}

void TGLProxyObject::DefinePublished(TFiler& filer) {
  TGLBaseSceneObject::DefinePublished(filer);
  constexpr uint8_t all = pooEffects | pooObjects | pooTransformation;
  DefineBits(filer, "ProxyOptions", options_, [this](uint32_t v) { SetProxyOptions(uint8_t(v)); }, all, all);
  // The master may come later in the stream: its name waits for Loaded.
  DefineText(filer, "MasterObject", master_ ? master_->Name() : std::string(),
             [this](const std::string& v) { storedMasterName_ = v; });
}

void TGLProxyObject::Loaded() {
  TGLBaseSceneObject::Loaded();
  if (storedMasterName_.empty()) return;
  SetMasterObject(dynamic_cast<TGLBaseSceneObject*>(FindStoredComponent(storedMasterName_)));
  storedMasterName_.clear();
}

}  // namespace scene3d
