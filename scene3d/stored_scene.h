// A scene tree in a stream: each object with its class, its name, its stored form (stored_object.h:
// placement, flags, material, its own values and data) and its children nested in it; children
// marked as sub-components are left out. The stream is the archive form of archive.h:
//
//   integer 0 (the version), start of list, the first-level objects, end of list
//   object: class name, name, its stored values (start of list, name and bytes of each, end of
//           list), start of list, its children, end of list
//
// SaveSceneObjects writes the objects under a scene's root; LoadSceneObjects reads such a stream and
// puts the first-level objects under the root of the scene given (owned by that scene, as
// CreateChild makes them). Loading is all or nothing: a stream that is cut short, names an unknown
// class or holds a value a class refuses raises an error of platform::FormatError's tree (ReadError,
// EFilerException, EClassNotFound) and leaves the scene as it was. Components named by stored
// objects (a camera's target, material libraries, fonts) are looked for among the scene's components
// (its objects) and those of the scene's owner.
#pragma once

#include <memory>

#include "platform/stream.h"
#include "scene3d/archive.h"
#include "scene3d/scene_object.h"

namespace scene3d {

class TGLStage;

void SaveSceneObjects(TGLStage& scene, platform::Stream& stream);
void LoadSceneObjects(TGLStage& scene, platform::Stream& stream);

// One object and its subtree.
void WriteSceneObject(TVirtualWriter& writer, TGLBaseSceneObject& object);
// One stored object and its subtree, made with `owner` as component owner and still loading (every
// object of the tree is between BeginLoading and EndLoading; EndSceneLoading ends them).
std::unique_ptr<TGLBaseSceneObject> ReadSceneObject(TVirtualReader& reader, TComponent* owner);
void EndSceneLoading(TGLBaseSceneObject& object);

}  // namespace scene3d
