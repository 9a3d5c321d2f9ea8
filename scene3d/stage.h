// TGLStage: one scene. It owns the tree under its root object "ObjectRoot", the eight light slots and
// the list of buffers that show it (each viewer has one buffer). A change of any object reaches
// NotifyChange here and goes on to every buffer, whose viewer repaints.
//
// Building a scene (the main window's, or a test's):
//   TGLStage* scene = new TGLStage(form);
//   TGLBaseSceneObject* root = scene->Objects();
//   auto* cube = root->CreateChild<TGLDummyCube>();           // owned by the scene
//   auto* camera = root->CreateChild<TGLCamera>();
//   camera->SetTargetObject(cube);
//   auto* light = camera->CreateChild<TGLLightSource>();     // lights may stand anywhere in the tree
//   viewer->SetCamera(camera);                                // the viewer shows the camera's scene
// Objects made with another owner join the tree with AddChild.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "scene3d/scene_object.h"

namespace scene3d {

class TGLStageBuffer;
class TGLContext;
class TGLCamera;
class TGLLightSource;

class TGLStageRootObject : public TGLBaseSceneObject {
 public:
  explicit TGLStageRootObject(TComponent* owner);
  std::string ClassName() const override { return "TGLStageRootObject"; }
};

class TGLStage : public TGLUpdateAbleComponent {
 public:
  static constexpr int kLightSlots = 8;

  explicit TGLStage(TComponent* owner);
  // Frees the tree first (its cameras leave the buffers showing them), then lets the remaining
  // buffers go.
  ~TGLStage() override;
  std::string ClassName() const override { return "TGLStage"; }

  TGLBaseSceneObject* Objects() const { return root_; }

  // Changes go to every buffer, unless an update is open or the scene is loading or going away.
  void BeginUpdate() { ++updateCount_; }
  void EndUpdate();
  void NotifyChange(TObject* sender) override;

  // Buffers register when they render a camera of this scene; the first one's context is the base
  // context whose display lists the others share.
  void AddBuffer(TGLStageBuffer* buffer);
  void RemoveBuffer(TGLStageBuffer* buffer);
  const std::vector<TGLStageBuffer*>& Buffers() const { return buffers_; }
  TGLContext* BaseContext() const { return baseContext_; }
  TGLStageBuffer* CurrentBuffer() const { return currentBuffer_; }
  void SetCurrentBuffer(TGLStageBuffer* buffer) { currentBuffer_ = buffer; }
  TGLCamera* CurrentCamera() const { return currentCamera_; }
  void SetCurrentCamera(TGLCamera* camera) { currentCamera_ = camera; }

  // The first empty slot; none left: the light stays unregistered (slot -1).
  void AddLight(TGLLightSource* light);
  // Empties the light's slot when it holds that light.
  void RemoveLight(TGLLightSource* light);
  TGLLightSource* Light(int slot) const { return slot >= 0 && slot < kLightSlots ? lights_[size_t(slot)] : nullptr; }
  // Loads the lights of slots below min(8, maxLights) into the current context; the other lights of
  // the context are switched off.
  void LoadLights(int maxLights);

  // The nearest object the ray meets (tested against bounding spheres, then the objects' own test),
  // with the hit point and normal; none when the ray meets nothing.
  TGLBaseSceneObject* RayIntersect(const TVector4f& origin, const TVector4f& direction, TVector4f* hit = nullptr,
                                   TVector4f* normal = nullptr);

  TGLObjectsSorting ObjectsSorting() const { return objectsSorting_; }
  // osInherited stores osRenderBlendedLast.
  void SetObjectsSorting(TGLObjectsSorting sorting);
  TGLVisibilityCulling VisibilityCulling() const { return visibilityCulling_; }
  // vcInherited stores vcNone.
  void SetVisibilityCulling(TGLVisibilityCulling culling);

  // A step of the scene's cadence: OnBeforeProgress, the tree's ProgressTick, OnProgress.
  void Progress(double deltaTime, double newTime);
  std::function<void(TObject* sender, const TProgressTimes& times)> OnBeforeProgress;
  std::function<void(TObject* sender, const TProgressTimes& times)> OnProgress;

  // Objects whose InitializeObject runs at the start of the next frame (last added first).
  void AddInitializableObject(TGLBaseSceneObject* object);
  void RemoveInitializableObject(TGLBaseSceneObject* object);
  int PendingInitializations() const { return static_cast<int>(initializable_.size()); }
  void InitializePendingObjects(RenderContextInfo& rci);

  // Told by an object that leaves the scene (or is freed).
  void ObjectLeaves(TGLBaseSceneObject* object);

 private:
  TGLStageRootObject* root_;
  std::array<TGLLightSource*, kLightSlots> lights_{};
  std::vector<TGLStageBuffer*> buffers_;
  TGLContext* baseContext_ = nullptr;
  TGLStageBuffer* currentBuffer_ = nullptr;
  TGLCamera* currentCamera_ = nullptr;
  int32_t updateCount_ = 0;
  bool destroying_ = false;
  std::vector<TGLBaseSceneObject*> initializable_;
  TGLObjectsSorting objectsSorting_ = osRenderBlendedLast;
  TGLVisibilityCulling visibilityCulling_ = vcNone;
};

}  // namespace scene3d
