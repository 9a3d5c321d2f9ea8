// libFuzzer target: stored scene trees as LoadSceneObjects reads them into a scene that already
// holds an object. A refused stream leaves the scene as it was; a tree that reads is written again
// and must read back into a fresh scene as the same stream.
//
// With VELKORA_FUZZ_SEEDS=<folder> set, the target first writes there the streams the library makes
// of trees of every kind of object, to start a corpus from.
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
#include "scene3d/cube.h"
#include "scene3d/dummy_cube.h"
#include "scene3d/extrusion_solid.h"
#include "scene3d/lines.h"
#include "scene3d/material_library.h"
#include "scene3d/mesh.h"
#include "scene3d/points.h"
#include "scene3d/sphere.h"
#include "scene3d/stage.h"
#include "scene3d/stored_scene.h"
#include "scene3d/texture.h"
#include "scene3d/texture_image.h"

using namespace scene3d;

namespace {


// The scene the stream is read into: a library the stream may name, and an object of its own.
struct Target {
  Target() {
    library = new TGLMaterialLibrary(&form);
    library->SetName("Library");
    library->Materials().Add().SetName("Gold");
    scene = new TGLStage(&form);
    scene->Objects()->CreateChild<TGLCube>()->SetCubeWidth(4);
  }
  TComponent form{nullptr};
  TGLMaterialLibrary* library;
  TGLStage* scene;
};

void WriteSeed(const std::string& folder, const std::string& name, const std::string& bytes) {
  std::ofstream(folder + "/" + name, std::ios::binary) << bytes;
}

void WriteSeeds(const std::string& folder) {
  const char* classes[] = {"TGLCube",     "TGLSphere",      "TGLPlane",      "TGLSprite",          "TGLCylinder",
                           "TGLCone",     "TGLDisk",        "TGLAnnulus",    "TGLCapsule",         "TGLTorus",
                           "TGLArrowLine", "TGLFrustrum",   "TGLPolygon",    "TGLRevolutionSolid", "TGLPipe",
                           "TGLMesh",     "TGLHeightField", "TGLXYZGrid",    "TGLProxyObject",     "TGLDirectOpenGL",
                           "TGLCamera",   "TGLDummyCube",   "TGLLightSource", "TGLLines",          "TGLPoints",
                           "TGLExtrusionSolid", "TGLHUDText", "TGLHUDSprite"};
  for (const char* className : classes) {
    TGLStage scene(nullptr);
    try {
      scene.Objects()->CreateChild(className)->SetName("Made");
    } catch (const platform::Exception&) {
      continue;
    }
    WriteSeed(folder, className, Saved(scene));
  }
  Target named;
  TGLStage scene(&named.form);
  auto* group = scene.Objects()->CreateChild<TGLDummyCube>();
  group->SetName("Group");
  auto* cube = group->CreateChild<TGLCube>();
  cube->SetCubeWidth(2);
  cube->SetTurnAngle(30);
  platform::Bitmap picture(2, 2, 24);
  cube->Material().Texture().SetImageClassName("TGLPersistentImage");
  dynamic_cast<TGLPersistentImage&>(cube->Material().Texture().Image()).SetPicture(picture);
  cube->Material().Texture().SetDisabled(false);
  auto* sphere = scene.Objects()->CreateChild<TGLSphere>();
  sphere->SetSlices(24);
  sphere->Material().SetMaterialLibrary(named.library);
  sphere->Material().SetLibMaterialName("Gold");
  sphere->Material().SetBlendingMode(bmTransparency);
  auto* lines = sphere->CreateChild<TGLLines>();
  lines->AddNode(-9, -2, 0);
  lines->AddNode(-6, -5, 0, {1, 0, 1, 1});
  auto* points = scene.Objects()->CreateChild<TGLPoints>();
  points->Positions().Add(TVector3f{6, -8, 0});
  points->Colors().Add(TVector4f{0, 0.5f, 1, 1});
  auto* solid = scene.Objects()->CreateChild<TGLExtrusionSolid>();
  TGLContour& outline = solid->Contours().Add();
  outline.Nodes().AddNode(0, 0, 0);
  outline.Nodes().AddNode(4, 0, 0);
  outline.Nodes().AddNode(4, 2, 0);
  auto* mesh = scene.Objects()->CreateChild<TGLMesh>();
  mesh->Vertices().AddVertex({1, 2, 3}, {0, 0, 1}, {1, 0, 0, 1}, {0.5f, 0.5f});
  WriteSeed(folder, "tree", Saved(scene));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (const char* folder = std::getenv("VELKORA_FUZZ_SEEDS")) WriteSeeds(folder);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  Target target;
  const std::string before = Saved(*target.scene);
  try {
    Load(*target.scene, bytes);
  } catch (const platform::Exception&) {
    // Refused: the scene holds what it held.
    if (target.scene->Objects()->Count() != 1 || Saved(*target.scene) != before) std::abort();
    return 0;
  }
  // What was read is written again, and reads back as the same.
  const std::string written = Saved(*target.scene);
  Target again;
  TGLStage fresh(&again.form);
  Load(fresh, written);
  if (Saved(fresh) != written) std::abort();
  return 0;
}
