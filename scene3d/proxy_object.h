// TGLProxyObject: draws another object (its MasterObject) in its own place, so one object can be
// shown several times. Its box, ray test and silhouette are the master's, moved between the frames.
#pragma once

#include <memory>
#include <string>

#include "scene3d/scene_object.h"

namespace scene3d {

// The proxy options, a set of bits.
inline constexpr uint8_t pooEffects = 1;
inline constexpr uint8_t pooObjects = 2;
inline constexpr uint8_t pooTransformation = 4;

class TGLProxyObject : public TGLBaseSceneObject {
 public:
  explicit TGLProxyObject(TComponent* owner) : TGLBaseSceneObject(owner) {}
  std::string ClassName() const override { return "TGLProxyObject"; }

  TGLBaseSceneObject* MasterObject() const { return master_; }
  virtual void SetMasterObject(TGLBaseSceneObject* master);
  uint8_t ProxyOptions() const { return options_; }
  void SetProxyOptions(uint8_t options);

  // The master (its own local matrix too with pooTransformation) drawn here, guarded against a
  // master that shows its proxy again.
  void DoRender(RenderContextInfo& rci, bool renderSelf, bool renderChildren) override;
  TVector4f HalfExtents() const override;
  bool RayIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* hit, TVector4f* normal) override;
  std::unique_ptr<TGLSilhouette> BuildSilhouette(const TOutlineRequest& request) override;
  void DefinePublished(TFiler& filer) override;
  void Assign(const TPersistent* source) override;

 protected:
  void Notification(TComponent* component, TOperation operation) override;
  // Finds the stored master by name.
  void Loaded() override;

 private:
  // Where the master's own coordinates stand in the world when drawn by this proxy.
  TMatrix4f MasterFrame();

  TGLBaseSceneObject* master_ = nullptr;
  std::string storedMasterName_;
  uint8_t options_ = pooEffects | pooObjects | pooTransformation;
  bool rendering_ = false;
};

}  // namespace scene3d
