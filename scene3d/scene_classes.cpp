#include "scene3d/scene_classes.h"

#include "scene3d/camera.h"
#include "scene3d/custom_scene_object.h"
#include "scene3d/direct_opengl.h"
#include "scene3d/height_field.h"
#include "scene3d/hud_objects.h"
#include "scene3d/light_source.h"
#include "scene3d/material_library.h"
#include "scene3d/memory_viewer.h"
#include "scene3d/mesh.h"
#include "scene3d/multi_polygon.h"
#include "scene3d/proxy_object.h"
#include "scene3d/scene_object_classes.h"
#include "scene3d/stage.h"
#include "scene3d/xyz_grid.h"

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
  RegisterSceneObjectClasses();
  RegisterHUDClasses();
  RegisterSceneObjectClass<TGLHeightField>();
  RegisterSceneObjectClass<TGLMesh>();
  RegisterSceneObjectClass<TGLXYZGrid>();
  RegisterSceneObjectClass<TGLMultiPolygon>();
}

}  // namespace scene3d
