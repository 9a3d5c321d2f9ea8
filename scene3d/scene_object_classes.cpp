#include "scene3d/scene_object_classes.h"

#include "scene3d/cube.h"
#include "scene3d/cylinder.h"
#include "scene3d/dummy_cube.h"
#include "scene3d/extrusion_solid.h"
#include "scene3d/geometric_solids.h"
#include "scene3d/lines.h"
#include "scene3d/pipe.h"
#include "scene3d/plane.h"
#include "scene3d/points.h"
#include "scene3d/revolution_solid.h"
#include "scene3d/scene_classes.h"
#include "scene3d/sphere.h"
#include "scene3d/sprite.h"

namespace scene3d {

void RegisterSceneObjectClasses() {
  RegisterSceneObjectClass<TGLSphere>();
  RegisterSceneObjectClass<TGLCube>();
  RegisterSceneObjectClass<TGLPlane>();
  RegisterSceneObjectClass<TGLSprite>();
  RegisterSceneObjectClass<TGLPoints>();
  RegisterSceneObjectClass<TGLDummyCube>();
  RegisterSceneObjectClass<TGLLines>();
  RegisterSceneObjectClass<TGLCylinder>();
  RegisterSceneObjectClass<TGLCone>();
  RegisterSceneObjectClass<TGLTorus>();
  RegisterSceneObjectClass<TGLDisk>();
  RegisterSceneObjectClass<TGLArrowLine>();
  RegisterSceneObjectClass<TGLAnnulus>();
  RegisterSceneObjectClass<TGLFrustrum>();
  RegisterSceneObjectClass<TGLPolygon>();
  RegisterSceneObjectClass<TGLCapsule>();
  RegisterSceneObjectClass<TGLRevolutionSolid>();
  RegisterSceneObjectClass<TGLExtrusionSolid>();
  RegisterSceneObjectClass<TGLPipe>();
}

}  // namespace scene3d
