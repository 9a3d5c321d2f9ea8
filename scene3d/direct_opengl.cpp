#include "scene3d/direct_opengl.h"

#include "scene3d/gl_multitexture.h"
#include "scene3d/stored_object.h"

namespace scene3d {

TGLDirectOpenGL::TGLDirectOpenGL(TComponent* owner) : TGLImmaterialSceneObject(owner) { SetObjectStyle(osDirectDraw); }

void TGLDirectOpenGL::SetUseBuildList(bool flag) {
  if (flag == UseBuildList()) return;
  SetObjectStyleBits(osDirectDraw, !flag);
  StructureChanged();
}

void TGLDirectOpenGL::SetBlend(bool flag) {
  if (StoreChanged(blend_, flag)) StructureChanged();
}

void TGLDirectOpenGL::BuildList(RenderContextInfo& rci) {
  if (!OnRender) return;
  CurrentCoordinator().MapMain();
  OnRender(this, rci);
  // The handler draws with OpenGL itself: what it set of colour and material the cache cannot know.
  rci.GLStates->ColorSetBehind();
  rci.GLStates->MaterialSetBehind(cmFrontAndBack);
}

void TGLDirectOpenGL::Assign(const TPersistent* source) {
  if (auto* from = dynamic_cast<const TGLDirectOpenGL*>(source)) {
    SetUseBuildList(from->UseBuildList());
    OnRender = from->OnRender;
    blend_ = from->blend_;
  }
  TGLImmaterialSceneObject::Assign(source);
}

TGLRenderPoint::TGLRenderPoint(TComponent* owner) : TGLImmaterialSceneObject(owner) { SetObjectStyle(osDirectDraw); }

TGLRenderPoint::~TGLRenderPoint() { Clear(); }

void TGLRenderPoint::RegisterCallback(TRenderCallback render, TFreeCallback free) {
  callbacks_.emplace_back(std::move(render), std::move(free));
}

void TGLRenderPoint::Clear() {
  while (!callbacks_.empty()) {
    TFreeCallback free = std::move(callbacks_.back().second);
    callbacks_.pop_back();
    if (free) free(this);
  }
}

void TGLRenderPoint::BuildList(RenderContextInfo& rci) {
  for (size_t i = 0; i < callbacks_.size(); ++i)
    if (callbacks_[i].first) callbacks_[i].first(this, rci);
}

void TGLDirectOpenGL::DefinePublished(TFiler& filer) {
  TGLImmaterialSceneObject::DefinePublished(filer);
  DefineBoolean(filer, "UseBuildList", UseBuildList(), [this](bool v) { SetUseBuildList(v); }, false);
  DefineBoolean(filer, "Blend", blend_, [this](bool v) { SetBlend(v); }, false);
}

}  // namespace scene3d
