// libFuzzer target: material libraries' binary archives as LoadFromStream reads them into a library
// that holds materials and has a user. A refused archive leaves the library as it was; one that reads
// is written again and must read back as the same archive.
//
// With VELKORA_FUZZ_SEEDS=<folder> set, the target first writes there archives the library makes, to
// start a corpus from.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "../scene3d/stored_bytes.h"
#include "platform/bitmap.h"
#include "platform/exception.h"
#include "platform/stream.h"
#include "scene3d/component.h"
#include "scene3d/material_library.h"
#include "scene3d/texture.h"
#include "scene3d/texture_image.h"

using namespace scene3d;

namespace {


// A library with a few materials (one linked to another, one textured), a shader beside it and a
// material outside it that uses one of its materials.
struct Stocked {
  Stocked() {
    shader = new TGLShader(&form);
    shader->SetName("Shader");
    library = new TGLMaterialLibrary(&form);
    library->SetName("Library");
    library->TexturePaths = "textures; more";
    TGLLibMaterial& red = library->Materials().Add();
    red.SetName("Red");
    red.Material().FrontProperties().Diffuse().SetColor({1, 0, 0, 0.5f});
    red.Material().SetBlendingMode(bmCustom);
    red.Material().BlendingParams().SetSeparateBlendFunc(true);
    red.Material().BackProperties().Ambient().SetColor({0, 0, 1, 1});
    TGLLibMaterial& checker = library->Materials().Add();
    checker.SetName("Checker");
    checker.Tag = 7;
    checker.TextureScale().SetXYZW(2, 3, 1, 0);
    checker.SetTextureRotate(45);
    checker.SetTexture2Name("Red");
    checker.SetShader(shader);
    TGLTexture& texture = checker.Material().Texture();
    dynamic_cast<TGLPersistentImage&>(texture.Image()).SetPicture(platform::Bitmap(2, 2, 24));
    texture.SetDisabled(false);
    texture.SetTextureWrap(twSeparate);
    TGLLibMaterial& linked = library->Materials().Add();
    linked.SetName("Linked");
    linked.Material().SetMaterialLibrary(library);
    linked.Material().SetLibMaterialName("Red");
    user.SetMaterialLibrary(library);
    user.SetLibMaterialName("Red");
  }
  TComponent form{nullptr};
  TGLShader* shader;
  TGLMaterialLibrary* library;
  TGLMaterial user{nullptr};
};

void WriteSeeds(const std::string& folder) {
  Stocked stocked;
  std::ofstream(folder + "/stocked", std::ios::binary) << Saved(*stocked.library);
  TGLMaterialLibrary empty(nullptr);
  std::ofstream(folder + "/empty", std::ios::binary) << Saved(empty);
  TGLMaterialLibrary file(nullptr);
  TGLTexture& texture = file.Materials().Add().Material().Texture();
  texture.SetImageClassName("TGLPicFileImage");
  dynamic_cast<TGLPicFileImage&>(texture.Image()).SetPictureFileName("wood.jpg");
  std::ofstream(folder + "/file", std::ios::binary) << Saved(file);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (const char* folder = std::getenv("VELKORA_FUZZ_SEEDS")) WriteSeeds(folder);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  Stocked stocked;
  const std::string before = Saved(*stocked.library);
  try {
    Load(*stocked.library, bytes);
  } catch (const platform::Exception&) {
    // Refused: the library and its user are as they were.
    if (Saved(*stocked.library) != before ||
        stocked.user.CurrentLibMaterial() != stocked.library->LibMaterialByName("Red"))
      std::abort();
    return 0;
  }
  const std::string written = Saved(*stocked.library);
  Stocked again;
  Load(*again.library, written);
  if (Saved(*again.library) != written) std::abort();
  return 0;
}
