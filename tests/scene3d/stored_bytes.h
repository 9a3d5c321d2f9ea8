// A stored scene tree or material library as the bytes of its stream, and read back from them.
#pragma once

#include <string>

#include "platform/stream.h"
#include "scene3d/material_library.h"
#include "scene3d/stored_scene.h"

namespace scene3d {

inline std::string Saved(TGLStage& scene) {
  platform::MemoryStream stream;
  SaveSceneObjects(scene, stream);
  return stream.DataString();
}

inline std::string Saved(TGLMaterialLibrary& library) {
  platform::MemoryStream stream;
  library.SaveToStream(stream);
  return stream.DataString();
}

inline void Load(TGLStage& scene, const std::string& bytes) {
  platform::MemoryStream stream(bytes);
  LoadSceneObjects(scene, stream);
}

inline void Load(TGLMaterialLibrary& library, const std::string& bytes) {
  platform::MemoryStream stream(bytes);
  library.LoadFromStream(stream);
}

}  // namespace scene3d
