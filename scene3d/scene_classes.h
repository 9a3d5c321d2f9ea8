// The scene's classes in the register of stored definitions (streaming_classes.h), so that a stored
// scene, Assign and CreateChild can make an object by its class name. RegisterSceneClasses runs when
// the first scene is made; a program may call it at start too. A later scene-object class registers
// itself the same way, once, before any scene copies it:
//   RegisterSceneObjectClass<TGLDummyCube>();
#pragma once

#include "scene3d/streaming_classes.h"

namespace scene3d {

void RegisterSceneClasses();

template <class T>
void RegisterSceneObjectClass() {
  RegisterStreamingClass<T>();
}

}  // namespace scene3d
