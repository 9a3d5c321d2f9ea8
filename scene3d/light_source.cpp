#include "scene3d/light_source.h"

#include "scene3d/stage.h"
#include "scene3d/stored_object.h"

namespace scene3d {

TGLLightSource::TGLLightSource(TComponent* owner)
    : TGLBaseSceneObject(owner),
      ambient_(std::make_unique<TGLColor>(this)),
      diffuse_(std::make_unique<TGLColor>(this, clrWhite)),
      specular_(std::make_unique<TGLColor>(this)),
      spotDirection_(std::make_unique<TGLCoordinates3>(this, VectorNegated4(ZAxisVector), ctVector)) {}

TGLLightSource::~TGLLightSource() {
  if (Scene()) Scene()->RemoveLight(this);
}

void TGLLightSource::SceneChanged(TGLStage* oldScene, TGLStage* newScene) {
  if (oldScene) oldScene->RemoveLight(this);
  if (newScene) newScene->AddLight(this);
}

void TGLLightSource::CoordinatesChanged(TGLCustomCoordinates* sender) {
  TGLBaseSceneObject::CoordinatesChanged(sender);
  if (sender == spotDirection_.get()) MarkTransformChanged();
}

void TGLLightSource::SetConstAttenuation(float value) {
  if (StoreChanged(constAttenuation_, value)) NotifyChange(this);
}

void TGLLightSource::SetLinearAttenuation(float value) {
  if (StoreChanged(linearAttenuation_, value)) NotifyChange(this);
}

void TGLLightSource::SetQuadraticAttenuation(float value) {
  if (StoreChanged(quadraticAttenuation_, value)) NotifyChange(this);
}

void TGLLightSource::SetLightStyle(TLightStyle style) {
  if (StoreChanged(lightStyle_, style)) NotifyChange(this);
}

void TGLLightSource::SetShining(bool flag) {
  if (StoreChanged(shining_, flag)) NotifyChange(this);
}

void TGLLightSource::SetSpotCutOff(float degrees) {
  if (!((degrees >= 0 && degrees <= 90) || degrees == 180)) return;
  if (StoreChanged(spotCutOff_, degrees)) NotifyChange(this);
}

void TGLLightSource::SetSpotDirection(const TGLCustomCoordinates& value) {
  spotDirection_->SetDirectionXYZ(value.X(), value.Y(), value.Z());
}

void TGLLightSource::SetSpotExponent(float value) {
  if (StoreChanged(spotExponent_, value)) NotifyChange(this);
}

void TGLLightSource::DoRender(RenderContextInfo& rci, bool, bool renderChildren) {
  if (renderChildren) RenderChildren(0, Count() - 1, rci);
}

void TGLLightSource::Assign(const TPersistent* source) {
  if (auto* from = dynamic_cast<const TGLLightSource*>(source)) {
    ambient_->Assign(from->ambient_.get());
    diffuse_->Assign(from->diffuse_.get());
    specular_->Assign(from->specular_.get());
    spotDirection_->Assign(from->spotDirection_.get());
    constAttenuation_ = from->constAttenuation_;
    linearAttenuation_ = from->linearAttenuation_;
    quadraticAttenuation_ = from->quadraticAttenuation_;
    lightStyle_ = from->lightStyle_;
    shining_ = from->shining_;
    spotCutOff_ = from->spotCutOff_;
    spotExponent_ = from->spotExponent_;
  }
  TGLBaseSceneObject::Assign(source);
}

void TGLLightSource::DefinePublished(TFiler& filer) {
  TGLBaseSceneObject::DefinePublished(filer);
  auto color = [&filer](const char* name, TGLColor& value) {
    DefineObject(filer, name, &value, [&value]() -> TPersistent& { return value; });
  };
  color("Ambient", *ambient_);
  DefineSingle(filer, "ConstAttenuation", constAttenuation_, [this](float v) { SetConstAttenuation(v); }, 1);
  color("Diffuse", *diffuse_);
  DefineSingle(filer, "LinearAttenuation", linearAttenuation_, [this](float v) { SetLinearAttenuation(v); }, 0);
  DefineEnum<TLightStyle>(filer, "LightStyle", lightStyle_, [this](TLightStyle v) { SetLightStyle(v); }, lsSpot,
                          lsParallel);
  DefineSingle(filer, "QuadraticAttenuation", quadraticAttenuation_,
               [this](float v) { SetQuadraticAttenuation(v); }, 0);
  DefineBoolean(filer, "Shining", shining_, [this](bool v) { SetShining(v); }, true);
  DefineSingle(filer, "SpotCutOff", spotCutOff_, [this](float v) { SetSpotCutOff(v); }, 180);
  DefineObject(filer, "SpotDirection", spotDirection_.get(), [this]() -> TPersistent& { return *spotDirection_; });
  DefineSingle(filer, "SpotExponent", spotExponent_, [this](float v) { SetSpotExponent(v); }, 0);
  color("Specular", *specular_);
}

}  // namespace scene3d
