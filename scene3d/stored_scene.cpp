#include "scene3d/stored_scene.h"

#include <vector>

#include "scene3d/scene3d_exceptions.h"
#include "scene3d/stage.h"
#include "scene3d/stored_object.h"
#include "scene3d/streaming_classes.h"

namespace scene3d {

namespace {
constexpr int kStoredSceneVersion = 0;

void WriteChildren(TVirtualWriter& writer, TGLBaseSceneObject& parent) {
  writer.WriteListBegin();
  for (int i = 0; i < parent.Count(); ++i) {
    TGLBaseSceneObject* child = parent.Children(i);
    if (!IsSubComponent(child)) WriteSceneObject(writer, *child);
  }
  writer.WriteListEnd();
}
}  // namespace

void WriteSceneObject(TVirtualWriter& writer, TGLBaseSceneObject& object) {
  writer.WriteString(object.ClassName());
  writer.WriteString(object.Name());
  WriteStoredProperties(writer, StoreObject(object));
  WriteChildren(writer, object);
}

std::unique_ptr<TGLBaseSceneObject> ReadSceneObject(TVirtualReader& reader, TComponent* owner) {
  TVirtualReader::NestingGuard nesting(reader);
  const std::string className = reader.ReadString();
  std::unique_ptr<TPersistent> made = StreamingClasses().Create(className, owner);
  auto* asObject = dynamic_cast<TGLBaseSceneObject*>(made.get());
  if (!asObject || dynamic_cast<TGLStageRootObject*>(asObject))
    throw EFilerException("Stored scene: " + className + " is not a scene object");
  made.release();
  std::unique_ptr<TGLBaseSceneObject> object(asObject);
  object->BeginLoading();
  object->SetName(reader.ReadString());
  LoadObject(*object, ReadStoredProperties(reader));
  reader.ReadListBegin();
  while (!reader.EndOfList()) object->AddChild(ReadSceneObject(reader, owner).release());
  reader.ReadListEnd();
  return object;
}

void EndSceneLoading(TGLBaseSceneObject& object) {
  object.ForEachInTree([](TGLBaseSceneObject& each) {
    if (each.IsLoading()) each.EndLoading();
  });
}

void SaveSceneObjects(TGLStage& scene, platform::Stream& stream) {
  TBinaryWriter writer(stream);
  writer.WriteInteger(kStoredSceneVersion);
  WriteChildren(writer, *scene.Objects());
}

void LoadSceneObjects(TGLStage& scene, platform::Stream& stream) {
  TBinaryReader reader(stream);
  const int32_t version = reader.ReadInteger();
  if (version != kStoredSceneVersion)
    throw EFilerException("Stored scene : unknown archive version " + std::to_string(version));
  // The scene's objects (a camera's target) and the components beside the scene (libraries, fonts).
  TStoredReferenceScope scope(&scene, scene.Owner());
  // Everything is read before the scene sees any of it; a failure frees what was read.
  std::vector<std::unique_ptr<TGLBaseSceneObject>> read;
  reader.ReadListBegin();
  while (!reader.EndOfList()) read.push_back(ReadSceneObject(reader, &scene));
  reader.ReadListEnd();
  for (auto& object : read) EndSceneLoading(*object);
  scene.BeginUpdate();
  for (auto& object : read) scene.Objects()->AddChild(object.release());
  scene.EndUpdate();
}

}  // namespace scene3d
