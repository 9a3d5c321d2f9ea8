// Objects whose drawing is the application's own code.
//
// TGLDirectOpenGL calls OnRender inside the frame, in the object's own coordinates (the model-view
// matrix is the object's). With UseBuildList false (the default) it runs every frame; with
// UseBuildList true its output is compiled into a display list and run again only after
// StructureChanged, which the application calls when what it draws changes:
//   auto* surface = root->CreateChild<TGLDirectOpenGL>();
//   surface->SetUseBuildList(true);
//   surface->OnRender = [&](TObject*, RenderContextInfo& rci) {
//     rci.GLStates->SetPolygonMode(pmLines);            // state through the cache
//     TGLExtensionsAndEntryPoints& gl = ActiveGLTable();
//     gl.Begin(GL_QUADS); ... gl.End();
//   };
//   ...the height grid changed: surface->StructureChanged();
// Texture coordinates sent through CurrentCoordinator() reach unit 0.
//
// TGLRenderPoint calls a list of callbacks where it stands in the tree.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "scene3d/custom_scene_object.h"

namespace scene3d {

using TDirectRenderEvent = std::function<void(TObject* sender, RenderContextInfo& rci)>;

class TGLDirectOpenGL : public TGLImmaterialSceneObject {
 public:
  explicit TGLDirectOpenGL(TComponent* owner);
  std::string ClassName() const override { return "TGLDirectOpenGL"; }

  bool UseBuildList() const { return (ObjectStyle() & osDirectDraw) == 0; }
  void SetUseBuildList(bool flag);
  bool Blend() const { return blend_; }
  void SetBlend(bool flag);
  TDirectRenderEvent OnRender;

  bool IsBlended() const override { return blend_; }
  TVector4f HalfExtents() const override { return {0, 0, 0, 1}; }
  void BuildList(RenderContextInfo& rci) override;
  void DefinePublished(TFiler& filer) override;
  void Assign(const TPersistent* source) override;

 private:
  bool blend_ = false;
};

class TGLRenderPoint : public TGLImmaterialSceneObject {
 public:
  using TRenderCallback = std::function<void(TObject* sender, RenderContextInfo& rci)>;
  using TFreeCallback = std::function<void(TObject* sender)>;

  explicit TGLRenderPoint(TComponent* owner);
  // Clear.
  ~TGLRenderPoint() override;
  std::string ClassName() const override { return "TGLRenderPoint"; }

  void RegisterCallback(TRenderCallback render, TFreeCallback free);
  // The free callbacks from the last entry down, each entry removed.
  void Clear();
  int CallbackCount() const { return static_cast<int>(callbacks_.size()); }
  void BuildList(RenderContextInfo& rci) override;

 private:
  std::vector<std::pair<TRenderCallback, TFreeCallback>> callbacks_;
};

}  // namespace scene3d
