#include "scene3d/scene_classes.h"

#include "scene3d/camera.h"
#include "scene3d/custom_scene_object.h"
#include "scene3d/direct_opengl.h"
#include "scene3d/light_source.h"
#include "scene3d/material_library.h"
#include "scene3d/memory_viewer.h"
#include "scene3d/proxy_object.h"
#include "scene3d/stage.h"

namespace scene3d {

void RegisterSceneClasses() {
  // A class registered here is made once to learn its name; the scene's own constructor calls this,
  // so a nested call must return at once.
  static bool registered = false;
  if (registered) return;
  registered = true;
  RegisterSceneObjectClass<TGLBaseSceneObject>();
  RegisterSceneObjectClass<TGLCustomSceneObject>();
  RegisterSceneObjectClass<TGLStageObject>();
  RegisterSceneObjectClass<TGLImmaterialSceneObject>();
  RegisterSceneObjectClass<TGLCameraInvariantObject>();
  RegisterSceneObjectClass<TGLLightSource>();
  RegisterSceneObjectClass<TGLCamera>();
  RegisterSceneObjectClass<TGLProxyObject>();
  RegisterSceneObjectClass<TGLDirectOpenGL>();
  RegisterSceneObjectClass<TGLRenderPoint>();
  RegisterStreamingClass<TGLStage>();
  RegisterStreamingClass<TGLMemoryViewer>();
  RegisterStreamingClass<TGLMaterial>();
  RegisterStreamingClass<TGLMaterialLibrary>();
  RegisterStreamingClass<TGLShader>();
}

}  // namespace scene3d
