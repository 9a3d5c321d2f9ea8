// TGLLightSource: a light the scene loads into OpenGL every frame. A light joins the scene's eight
// light slots when it is put under an object of the scene (the first free slot; a ninth light gets
// none, slot -1, and never shines) and leaves its slot when taken out or freed. An omni or spot light
// stands at its Position in its parent's frame; a parallel light shines along its SpotDirection.
//   auto* light = root->CreateChild<TGLLightSource>();
//   light->SetLightStyle(lsOmni);
//   light->Position().SetPointXYZ(0, -100, 60);
//   light->Diffuse().SetColor({0.5f, 0.5f, 0.5f, 1});
#pragma once

#include <memory>
#include <string>

#include "scene3d/colors.h"
#include "scene3d/scene_object.h"

namespace scene3d {

enum TLightStyle : uint8_t { lsSpot, lsOmni, lsParallel };

class TGLLightSource : public TGLBaseSceneObject {
 public:
  explicit TGLLightSource(TComponent* owner);
  // Leaves its slot while it is still a light.
  ~TGLLightSource() override;
  std::string ClassName() const override { return "TGLLightSource"; }

  TGLColor& Ambient() { return *ambient_; }
  TGLColor& Diffuse() { return *diffuse_; }
  TGLColor& Specular() { return *specular_; }
  const TGLColor& Ambient() const { return *ambient_; }
  const TGLColor& Diffuse() const { return *diffuse_; }
  const TGLColor& Specular() const { return *specular_; }
  float ConstAttenuation() const { return constAttenuation_; }
  void SetConstAttenuation(float value);
  float LinearAttenuation() const { return linearAttenuation_; }
  void SetLinearAttenuation(float value);
  float QuadraticAttenuation() const { return quadraticAttenuation_; }
  void SetQuadraticAttenuation(float value);
  TLightStyle LightStyle() const { return lightStyle_; }
  void SetLightStyle(TLightStyle style);
  bool Shining() const { return shining_; }
  void SetShining(bool flag);
  float SpotCutOff() const { return spotCutOff_; }
  // Only [0, 90] and exactly 180 are taken; other values are ignored.
  void SetSpotCutOff(float degrees);
  TGLCoordinates3& SpotDirection() { return *spotDirection_; }
  // X, Y, Z; W is forced to 0.
  void SetSpotDirection(const TGLCustomCoordinates& value);
  float SpotExponent() const { return spotExponent_; }
  void SetSpotExponent(float value);
  // The light's slot in the scene, -1 when it has none.
  int LightID() const { return lightID_; }
  void SetLightID(int id) { lightID_ = id; }

  GLuint CompiledList(RenderContextInfo&) override { return 0; }
  std::unique_ptr<TGLSilhouette> BuildSilhouette(const TOutlineRequest&) override { return nullptr; }
  bool RayIntersect(const TVector4f&, const TVector4f&, TVector4f*, TVector4f*) override { return false; }
  void DoRender(RenderContextInfo& rci, bool renderSelf, bool renderChildren) override;
  void DefinePublished(TFiler& filer) override;
  void Assign(const TPersistent* source) override;

 protected:
  void CoordinatesChanged(TGLCustomCoordinates* sender) override;
  void SceneChanged(TGLStage* oldScene, TGLStage* newScene) override;

 private:
  std::unique_ptr<TGLColor> ambient_;
  std::unique_ptr<TGLColor> diffuse_;
  std::unique_ptr<TGLColor> specular_;
  std::unique_ptr<TGLCoordinates3> spotDirection_;
  float constAttenuation_ = 1;
  float linearAttenuation_ = 0;
  float quadraticAttenuation_ = 0;
  TLightStyle lightStyle_ = lsSpot;
  bool shining_ = true;
  float spotCutOff_ = 180;
  float spotExponent_ = 0;
  int lightID_ = -1;
};

}  // namespace scene3d
