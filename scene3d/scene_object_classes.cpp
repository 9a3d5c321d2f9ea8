#include "scene3d/scene_object_classes.h"

#include "scene3d/cube.h"
#include "scene3d/cylinder.h"
#include "scene3d/dummy_cube.h"
#include "scene3d/lines.h"
#include "scene3d/revolution_solid.h"
#include "scene3d/scene_classes.h"
#include "scene3d/sphere.h"

namespace scene3d {

void RegisterSceneObjectClasses() {
  RegisterSceneObjectClass<TGLSphere>();
  RegisterSceneObjectClass<TGLCube>();
  RegisterSceneObjectClass<TGLDummyCube>();
  RegisterSceneObjectClass<TGLLines>();
  RegisterSceneObjectClass<TGLCylinder>();
  RegisterSceneObjectClass<TGLRevolutionSolid>();
}

}  // namespace scene3d
