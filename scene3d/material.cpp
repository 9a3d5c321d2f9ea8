#include "scene3d/material.h"

#include <algorithm>

#include "scene3d/material_library.h"
#include "scene3d/stored_object.h"
#include "scene3d/texture.h"

namespace scene3d {

// --- Face properties ----------------------------------------------------------------------------------------

TGLFaceProperties::TGLFaceProperties(TPersistent* owner)
    : TGLUpdateAbleObject(owner),
      ambient_(std::make_unique<TGLColor>(this, clrDarkGray)),
      diffuse_(std::make_unique<TGLColor>(this, clrLightGray)),
      emission_(std::make_unique<TGLColor>(this)),
      specular_(std::make_unique<TGLColor>(this)) {}

TGLFaceProperties::~TGLFaceProperties() = default;

void TGLFaceProperties::SetShininess(int value) {
  value = std::clamp(value, 0, 128);
  if (StoreChanged(shininess_, value)) NotifyChange(this);
}

void TGLFaceProperties::Assign(const TPersistent* source) {
  auto* from = dynamic_cast<const TGLFaceProperties*>(source);
  if (!from) {
    TGLUpdateAbleObject::Assign(source);
    return;
  }
  BeginUpdate();
  ambient_->Assign(from->ambient_.get());
  diffuse_->Assign(from->diffuse_.get());
  emission_->Assign(from->emission_.get());
  specular_->Assign(from->specular_.get());
  shininess_ = from->shininess_;
  EndUpdate();
}

void TGLFaceProperties::Apply(RenderContextInfo& rci, TCullFaceMode face) const {
  rci.GLStates->SetMaterial(face, emission_->GetColor(), ambient_->GetColor(), diffuse_->GetColor(),
                            specular_->GetColor(), shininess_);
}

// --- Depth properties -------------------------------------------------------------------------------------------

void TGLDepthProperties::SetZNear(float value) {
  value = std::clamp(value, 0.0f, 1.0f);
  if (StoreChanged(zNear_, value)) NotifyChange(this);
}

void TGLDepthProperties::SetZFar(float value) {
  value = std::clamp(value, 0.0f, 1.0f);
  if (StoreChanged(zFar_, value)) NotifyChange(this);
}

void TGLDepthProperties::SetDepthCompareFunction(TComparisonFunction function) {
  if (StoreChanged(compare_, function)) NotifyChange(this);
}

void TGLDepthProperties::SetDepthTest(bool flag) {
  if (StoreChanged(depthTest_, flag)) NotifyChange(this);
}

void TGLDepthProperties::SetDepthWrite(bool flag) {
  if (StoreChanged(depthWrite_, flag)) NotifyChange(this);
}

void TGLDepthProperties::SetDepthClamp(bool flag) {
  if (StoreChanged(depthClamp_, flag)) NotifyChange(this);
}

void TGLDepthProperties::Assign(const TPersistent* source) {
  auto* from = dynamic_cast<const TGLDepthProperties*>(source);
  if (!from) {
    TGLUpdateAbleObject::Assign(source);
    return;
  }
  zNear_ = from->zNear_;
  zFar_ = from->zFar_;
  compare_ = from->compare_;
  depthTest_ = from->depthTest_;
  depthWrite_ = from->depthWrite_;
  depthClamp_ = from->depthClamp_;
  NotifyChange(this);
}

void TGLDepthProperties::Apply(RenderContextInfo& rci) const {
  TGLStateCache& states = *rci.GLStates;
  states.SetState(stDepthTest, depthTest_ && rci.bufferDepthTest);
  states.SetDepthWriteMask(depthWrite_);
  states.SetDepthFunction(compare_);
  states.SetDepthRange(zNear_, zFar_);
  if (ActiveGLTable().ARB_depth_clamp) states.SetState(stDepthClamp, depthClamp_);
}

// --- Blending parameters --------------------------------------------------------------------------------------------

void TGLBlendingParameters::SetSeparateBlendFunc(bool flag) {
  separate_ = flag;
  if (!flag) {
    factors_[2] = factors_[0];
    factors_[3] = factors_[1];
  }
}

void TGLBlendingParameters::SetBlendFuncSFactor(TBlendFunction f) {
  factors_[0] = f;
  if (!separate_) factors_[2] = f;
}

void TGLBlendingParameters::SetBlendFuncDFactor(TBlendFunction f) {
  factors_[1] = f;
  if (!separate_) factors_[3] = f;
}

void TGLBlendingParameters::SetAlphaBlendFuncSFactor(TBlendFunction f) {
  if (separate_) factors_[2] = f;
}

void TGLBlendingParameters::SetAlphaBlendFuncDFactor(TBlendFunction f) {
  if (separate_) factors_[3] = f;
}

void TGLBlendingParameters::Assign(const TPersistent* source) {
  auto* from = dynamic_cast<const TGLBlendingParameters*>(source);
  if (!from) {
    TGLUpdateAbleObject::Assign(source);
    return;
  }
  UseAlphaFunc = from->UseAlphaFunc;
  AlphaFunctType = from->AlphaFunctType;
  AlphaFuncRef = from->AlphaFuncRef;
  UseBlendFunc = from->UseBlendFunc;
  separate_ = from->separate_;
  std::copy(std::begin(from->factors_), std::end(from->factors_), std::begin(factors_));
}

void TGLBlendingParameters::Apply(RenderContextInfo& rci) const {
  TGLStateCache& states = *rci.GLStates;
  if (UseAlphaFunc) {
    states.EnableState(stAlphaTest);
    states.SetAlphaFunction(AlphaFunctType, AlphaFuncRef);
  } else {
    states.DisableState(stAlphaTest);
  }
  if (!UseBlendFunc) {
    states.DisableState(stBlend);
    return;
  }
  states.EnableState(stBlend);
  if (separate_) {
    states.SetBlendFunctionSeparate(factors_[0], factors_[1], factors_[2], factors_[3]);
  } else {
    states.SetBlendFunction(factors_[0], factors_[1]);
  }
}

void ApplyBlendingMode(TBlendingMode mode, const TGLBlendingParameters& params, RenderContextInfo& rci) {
  TGLStateCache& states = *rci.GLStates;
  auto blend = [&](TBlendFunction source, TBlendFunction destination) {
    states.EnableState(stBlend);
    states.SetBlendFunction(source, destination);
    states.EnableState(stAlphaTest);
    states.SetAlphaFunction(cfGreater, 0);
  };
  auto alphaTest = [&](float reference) {
    states.DisableState(stBlend);
    states.EnableState(stAlphaTest);
    states.SetAlphaFunction(cfGEqual, reference);
  };
  switch (mode) {
    case bmOpaque:
      states.DisableState(stBlend);
      states.DisableState(stAlphaTest);
      break;
    case bmTransparency: blend(bfSrcAlpha, bfOneMinusSrcAlpha); break;
    case bmAdditive: blend(bfSrcAlpha, bfOne); break;
    case bmModulate: blend(bfDstColor, bfZero); break;
    case bmAlphaTest50: alphaTest(0.5f); break;
    case bmAlphaTest100: alphaTest(1.0f); break;
    case bmCustom: params.Apply(rci); break;
  }
}

// --- Material ---------------------------------------------------------------------------------------------------------

namespace {
// What a material without back properties gives the back faces.
const TGLFaceProperties& DefaultFaceProperties() {
  static const TGLFaceProperties defaults(nullptr);
  return defaults;
}
}  // namespace

TGLMaterial::TGLMaterial(TPersistent* owner)
    : TGLUpdateAbleObject(owner),
      front_(std::make_unique<TGLFaceProperties>(this)),
      depth_(std::make_unique<TGLDepthProperties>(this)),
      blendingParams_(std::make_unique<TGLBlendingParameters>(this)) {}

TGLMaterial::~TGLMaterial() {
  if (libMaterial_) libMaterial_->UnregisterUser(this);
  if (library_) library_->UnlinkMaterial(this);
}

TGLFaceProperties& TGLMaterial::BackProperties() {
  if (!back_) back_ = std::make_unique<TGLFaceProperties>(this);
  return *back_;
}

void TGLMaterial::SetFrontProperties(const TGLFaceProperties& value) {
  front_->Assign(&value);
  NotifyChange(this);
}

void TGLMaterial::SetBackProperties(const TGLFaceProperties& value) {
  BackProperties().Assign(&value);
  NotifyChange(this);
}

void TGLMaterial::SetDepthProperties(const TGLDepthProperties& value) {
  depth_->Assign(&value);
  NotifyChange(this);
}

void TGLMaterial::SetBlendingMode(TBlendingMode mode) {
  if (StoreChanged(blendingMode_, mode)) NotifyChange(this);
}

void TGLMaterial::SetBlendingParams(const TGLBlendingParameters& value) { blendingParams_->Assign(&value); }

void TGLMaterial::SetMaterialOptions(TMaterialOptions options) {
  if (StoreChanged(options_, options)) NotifyChange(this);
}

void TGLMaterial::SetFaceCulling(TFaceCulling culling) {
  if (StoreChanged(faceCulling_, culling)) NotifyChange(this);
}

void TGLMaterial::SetPolygonMode(TPolygonMode mode) {
  if (StoreChanged(polygonMode_, mode)) NotifyChange(this);
}

TGLTexture& TGLMaterial::Texture() {
  if (!texture_) texture_ = std::make_unique<TGLTexture>(this);
  return *texture_;
}

void TGLMaterial::SetTexture(const TGLTexture* texture) {
  if (!texture) {
    texture_.reset();
  } else {
    Texture().Assign(texture);
  }
  NotifyChange(this);
}

TGLTextureEx& TGLMaterial::TextureEx() {
  if (!textureEx_) textureEx_ = std::make_unique<TGLTextureEx>(this);
  return *textureEx_;
}

bool TGLMaterial::HasTextureEx() const { return textureEx_ && textureEx_->Count() > 0; }

void TGLMaterial::SetMaterialLibrary(TGLMaterialLibrary* library) {
  if (library == library_) return;
  if (library_) library_->UnlinkMaterial(this);
  library_ = library;
  if (library_) library_->LinkMaterial(this);
  SetLibMaterialName(libMaterialName_);
}

void TGLMaterial::SetLibMaterialName(const std::string& name) {
  TGLLibMaterial* found = library_ ? library_->LibMaterialByName(name) : nullptr;
  if (libMaterial_ != found) {
    if (libMaterial_) libMaterial_->UnregisterUser(this);
    libMaterial_ = found;
    if (libMaterial_) libMaterial_->RegisterUser(this);
  }
  libMaterialName_ = name;
  NotifyMappingChange();
}

void TGLMaterial::LibMaterialFreed(TGLLibMaterial* material) {
  if (libMaterial_ != material) return;
  libMaterial_ = nullptr;
  libMaterialName_.clear();
  NotifyChange(this);
}

bool TGLMaterial::IsBlended() const {
  if (libMaterial_) return libMaterial_->IsBlended();
  return blendingMode_ == bmTransparency || blendingMode_ == bmAdditive || blendingMode_ == bmModulate ||
         blendingMode_ == bmCustom;
}

void TGLMaterial::Apply(RenderContextInfo& rci) {
  if (libMaterial_) {
    libMaterial_->Apply(rci);
    return;
  }
  TGLStateCache& states = *rci.GLStates;
  states.DisableState(stColorMaterial);
  states.SetPolygonMode(polygonMode_);
  if (polygonMode_ == pmLines) states.DisableState(stLineStipple);
  if ((options_ & moNoLighting) || !rci.bufferLighting) {
    states.DisableState(stLighting);
    states.SetColor(front_->Diffuse().GetColor());
  } else {
    states.EnableState(stLighting);
    front_->Apply(rci, cmFront);
  }
  const TGLFaceProperties& back = back_ ? *back_ : DefaultFaceProperties();
  switch (faceCulling_) {
    case fcBufferDefault:
      states.SetState(stCullFace, rci.bufferFaceCull);
      back.Apply(rci, cmBack);
      break;
    case fcCull: states.EnableState(stCullFace); break;
    case fcNoCull:
      states.DisableState(stCullFace);
      back.Apply(rci, cmBack);
      break;
  }
  if (!rci.ignoreBlendingRequests) ApplyBlendingMode(blendingMode_, *blendingParams_, rci);
  states.SetState(stFog, !(options_ & moIgnoreFog) && rci.bufferFog);
  if (!HasTextureEx()) {
    if (texture_) texture_->Apply(rci);
  } else {
    if (texture_ && !textureEx_->IsTextureEnabled(0)) texture_->Apply(rci);
    textureEx_->Apply(rci);
  }
  if (!rci.ignoreDepthRequests) depth_->Apply(rci);
}

bool TGLMaterial::UnApply(RenderContextInfo& rci) {
  if (libMaterial_) return libMaterial_->UnApply(rci);
  if (texture_ && texture_->Enabled() && !(HasTextureEx() && textureEx_->IsTextureEnabled(0))) {
    texture_->UnApply(rci);
  } else if (HasTextureEx()) {
    textureEx_->UnApply(rci);
  }
  return false;
}

void TGLMaterial::NotifyChange(TObject* sender) {
  if (UpdateCount() != 0) return;
  // A library material is an item, not an updatable object: it passes the change to its users.
  if (auto* owner = dynamic_cast<TGLLibMaterial*>(Owner())) owner->NotifyUsers();
  TGLUpdateAbleObject::NotifyChange(sender);
}

void TGLMaterial::NotifyMappingChange() {
  if (auto* hook = dynamic_cast<IGLTextureNotifyAble*>(Owner())) {
    hook->NotifyTexMapChange(this);
  } else {
    NotifyChange(this);
  }
}

void TGLMaterial::Assign(const TPersistent* source) {
  auto* from = dynamic_cast<const TGLMaterial*>(source);
  if (!from) {
    TGLUpdateAbleObject::Assign(source);
    return;
  }
  BeginUpdate();
  try {
    if (from->back_) {
      BackProperties().Assign(from->back_.get());
    } else {
      back_.reset();
    }
    front_->Assign(from->front_.get());
    polygonMode_ = from->polygonMode_;
    blendingMode_ = from->blendingMode_;
    blendingParams_->Assign(from->blendingParams_.get());
    options_ = from->options_;
    if (from->texture_) {
      Texture().Assign(from->texture_.get());
    } else {
      texture_.reset();
    }
    faceCulling_ = from->faceCulling_;
    SetMaterialLibrary(from->library_);
    SetLibMaterialName(from->libMaterialName_);
    if (from->textureEx_) {
      TextureEx().Assign(from->textureEx_.get());
    } else if (textureEx_) {
      textureEx_->Clear();
    }
    depth_->Assign(from->depth_.get());
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TGLMaterial::FreeGLHandles() {
  if (texture_) texture_->FreeGLHandles();
}

namespace {
void DefineColor(TFiler& filer, const char* name, TGLColor& color) {
  DefineObject(filer, name, &color, [&color]() -> TPersistent& { return color; });
}
}  // namespace

void TGLFaceProperties::DefinePublished(TFiler& filer) {
  TGLUpdateAbleObject::DefinePublished(filer);
  DefineColor(filer, "Ambient", *ambient_);
  DefineColor(filer, "Diffuse", *diffuse_);
  DefineColor(filer, "Emission", *emission_);
  DefineInteger(filer, "Shininess", shininess_, [this](int32_t v) { SetShininess(v); }, 0, 0, 128);
  DefineColor(filer, "Specular", *specular_);
}

void TGLDepthProperties::DefinePublished(TFiler& filer) {
  TGLUpdateAbleObject::DefinePublished(filer);
  DefineSingle(filer, "ZNear", zNear_, [this](float v) { SetZNear(v); }, 0);
  DefineSingle(filer, "ZFar", zFar_, [this](float v) { SetZFar(v); }, 1);
  DefineEnum<TComparisonFunction>(filer, "DepthCompareFunction", compare_,
                                  [this](TComparisonFunction v) { SetDepthCompareFunction(v); }, cfLEqual, cfGEqual);
  DefineBoolean(filer, "DepthTest", depthTest_, [this](bool v) { SetDepthTest(v); }, true);
  DefineBoolean(filer, "DepthWrite", depthWrite_, [this](bool v) { SetDepthWrite(v); }, true);
  DefineBoolean(filer, "DepthClamp", depthClamp_, [this](bool v) { SetDepthClamp(v); }, false);
}

void TGLBlendingParameters::DefinePublished(TFiler& filer) {
  TGLUpdateAbleObject::DefinePublished(filer);
  DefineBoolean(filer, "UseAlphaFunc", UseAlphaFunc, [this](bool v) { UseAlphaFunc = v; }, false);
  DefineEnum<TComparisonFunction>(filer, "AlphaFunctType", AlphaFunctType,
                                  [this](TComparisonFunction v) { AlphaFunctType = v; }, cfGreater, cfGEqual);
  DefineSingle(filer, "AlphaFuncRef", AlphaFuncRef, [this](float v) { AlphaFuncRef = v; }, 0);
  DefineBoolean(filer, "UseBlendFunc", UseBlendFunc, [this](bool v) { UseBlendFunc = v; }, true);
  // Before the factors: without it the alpha factors follow the colour ones.
  DefineBoolean(filer, "SeparateBlendFunc", separate_, [this](bool v) { SetSeparateBlendFunc(v); }, false);
  auto factor = [&filer](const char* name, TBlendFunction value, std::function<void(TBlendFunction)> set,
                         TBlendFunction byDefault) {
    DefineEnum<TBlendFunction>(filer, name, value, set, byDefault, bfSrcAlphaSat);
  };
  factor("BlendFuncSFactor", factors_[0], [this](TBlendFunction f) { SetBlendFuncSFactor(f); }, bfSrcAlpha);
  factor("BlendFuncDFactor", factors_[1], [this](TBlendFunction f) { SetBlendFuncDFactor(f); }, bfOneMinusSrcAlpha);
  factor("AlphaBlendFuncSFactor", factors_[2], [this](TBlendFunction f) { SetAlphaBlendFuncSFactor(f); }, bfSrcAlpha);
  factor("AlphaBlendFuncDFactor", factors_[3], [this](TBlendFunction f) { SetAlphaBlendFuncDFactor(f); },
         bfOneMinusSrcAlpha);
}

void TGLMaterial::DefinePublished(TFiler& filer) {
  TGLUpdateAbleObject::DefinePublished(filer);
  if (!libMaterial_)
    DefineObject(filer, "BackProperties", back_.get(), [this]() -> TPersistent& { return BackProperties(); }, true);
  DefineObject(filer, "FrontProperties", front_.get(), [this]() -> TPersistent& { return *front_; });
  DefineObject(filer, "DepthProperties", depth_.get(), [this]() -> TPersistent& { return *depth_; });
  DefineEnum<TBlendingMode>(filer, "BlendingMode", blendingMode_, [this](TBlendingMode v) { SetBlendingMode(v); },
                            bmOpaque, bmCustom);
  DefineObject(filer, "BlendingParams", blendingParams_.get(), [this]() -> TPersistent& { return *blendingParams_; });
  DefineBits(filer, "MaterialOptions", options_, [this](uint32_t v) { SetMaterialOptions(TMaterialOptions(v)); }, 0,
             moIgnoreFog | moNoLighting);
  DefineObject(filer, "Texture", texture_.get(), [this]() -> TPersistent& { return Texture(); }, true);
  DefineEnum<TFaceCulling>(filer, "FaceCulling", faceCulling_, [this](TFaceCulling v) { SetFaceCulling(v); },
                           fcBufferDefault, fcNoCull);
  DefineComponentReference(filer, "MaterialLibrary", library_, [this](TComponent* found) {
    SetMaterialLibrary(dynamic_cast<TGLMaterialLibrary*>(found));
  });
  DefineText(filer, "LibMaterialName", libMaterialName_, [this](const std::string& v) { SetLibMaterialName(v); });
  DefineEnum<TPolygonMode>(filer, "PolygonMode", polygonMode_, [this](TPolygonMode v) { SetPolygonMode(v); }, pmFill,
                           pmPoints);
}

}  // namespace scene3d
