// A stored scene tree or material library as the bytes of its stream, and read back from them.
#pragma once

#include <functional>
#include <string>

#include "platform/stream.h"
#include "scene3d/archive.h"
#include "scene3d/material_library.h"
#include "scene3d/stored_scene.h"

namespace scene3d {

// Bytes written in the archive form, for hand-made streams.
inline std::string Archived(const std::function<void(TBinaryWriter&)>& write) {
  platform::MemoryStream stream;
  TBinaryWriter writer(stream);
  write(writer);
  return stream.DataString();
}

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
