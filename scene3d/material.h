// The appearance of a scene object: TGLMaterial groups front and back face colours, depth settings,
// a blending mode with custom blending parameters, a polygon mode, face culling, options, a texture
// and an optional link to a named material of a material library (material_library.h). Every custom
// scene object owns one and applies it around its drawing:
//   material.Apply(rci);  do { ...draw... } while (material.UnApply(rci));
// Apply goes through the state cache only, so what it sets stays known to the cache.
//
// A change of any part notifies the material's owner (the scene object repaints); the texture-map
// hook (IGLTextureNotifyAble) hears changes of texture mapping when the owner has one.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "scene3d/colors.h"
#include "scene3d/gl_state.h"
#include "scene3d/render_context_info.h"
#include "scene3d/update_able.h"

namespace scene3d {

class TGLTexture;
class TGLTextureEx;
class TGLMaterialLibrary;
class TGLLibMaterial;

// What hears that a material's texture mapping changed (an owner that draws texture coordinates).
class IGLTextureNotifyAble {
 public:
  virtual void NotifyTexMapChange(TObject* sender) = 0;

 protected:
  ~IGLTextureNotifyAble() = default;
};

class TGLFaceProperties : public TGLUpdateAbleObject {
 public:
  explicit TGLFaceProperties(TPersistent* owner);
  ~TGLFaceProperties() override;
  std::string ClassName() const override { return "TGLFaceProperties"; }

  TGLColor& Ambient() { return *ambient_; }
  TGLColor& Diffuse() { return *diffuse_; }
  TGLColor& Emission() { return *emission_; }
  TGLColor& Specular() { return *specular_; }
  const TGLColor& Ambient() const { return *ambient_; }
  const TGLColor& Diffuse() const { return *diffuse_; }
  const TGLColor& Emission() const { return *emission_; }
  const TGLColor& Specular() const { return *specular_; }
  int Shininess() const { return shininess_; }
  // 0..128.
  void SetShininess(int value);

  void Assign(const TPersistent* source) override;
  void DefinePublished(TFiler& filer) override;
  void Apply(RenderContextInfo& rci, TCullFaceMode face) const;

 private:
  std::unique_ptr<TGLColor> ambient_, diffuse_, emission_, specular_;
  int shininess_ = 0;
};

class TGLDepthProperties : public TGLUpdateAbleObject {
 public:
  explicit TGLDepthProperties(TPersistent* owner) : TGLUpdateAbleObject(owner) {}
  std::string ClassName() const override { return "TGLDepthProperties"; }

  float ZNear() const { return zNear_; }
  float ZFar() const { return zFar_; }
  // Clamped to [0, 1].
  void SetZNear(float value);
  void SetZFar(float value);
  TComparisonFunction DepthCompareFunction() const { return compare_; }
  void SetDepthCompareFunction(TComparisonFunction function);
  bool DepthTest() const { return depthTest_; }
  void SetDepthTest(bool flag);
  bool DepthWrite() const { return depthWrite_; }
  void SetDepthWrite(bool flag);
  bool DepthClamp() const { return depthClamp_; }
  void SetDepthClamp(bool flag);

  void Assign(const TPersistent* source) override;
  // Depth test only when this and the buffer ask for it; writing, function, range, clamping.
  void DefinePublished(TFiler& filer) override;
  void Apply(RenderContextInfo& rci) const;

 private:
  float zNear_ = 0;
  float zFar_ = 1;
  TComparisonFunction compare_ = cfLEqual;
  bool depthTest_ = true;
  bool depthWrite_ = true;
  bool depthClamp_ = false;
};

// Used by bmCustom. Setting a colour factor without SeparateBlendFunc sets the alpha factor too; the
// setters tell nobody.
class TGLBlendingParameters : public TGLUpdateAbleObject {
 public:
  explicit TGLBlendingParameters(TPersistent* owner) : TGLUpdateAbleObject(owner) {}
  std::string ClassName() const override { return "TGLBlendingParameters"; }

  bool UseAlphaFunc = false;
  TComparisonFunction AlphaFunctType = cfGreater;
  float AlphaFuncRef = 0;
  bool UseBlendFunc = true;
  bool SeparateBlendFunc() const { return separate_; }
  void SetSeparateBlendFunc(bool flag);
  TBlendFunction BlendFuncSFactor() const { return factors_[0]; }
  TBlendFunction BlendFuncDFactor() const { return factors_[1]; }
  TBlendFunction AlphaBlendFuncSFactor() const { return factors_[2]; }
  TBlendFunction AlphaBlendFuncDFactor() const { return factors_[3]; }
  void SetBlendFuncSFactor(TBlendFunction f);
  void SetBlendFuncDFactor(TBlendFunction f);
  // Ignored without SeparateBlendFunc.
  void SetAlphaBlendFuncSFactor(TBlendFunction f);
  void SetAlphaBlendFuncDFactor(TBlendFunction f);

  void Assign(const TPersistent* source) override;
  void DefinePublished(TFiler& filer) override;
  void Apply(RenderContextInfo& rci) const;

 private:
  bool separate_ = false;
  TBlendFunction factors_[4] = {bfSrcAlpha, bfOneMinusSrcAlpha, bfSrcAlpha, bfOneMinusSrcAlpha};
};

enum TBlendingMode : uint8_t { bmOpaque, bmTransparency, bmAdditive, bmAlphaTest50, bmAlphaTest100, bmModulate, bmCustom };
enum TFaceCulling : uint8_t { fcBufferDefault, fcCull, fcNoCull };
// The material options, a set of bits.
using TMaterialOptions = uint8_t;
inline constexpr TMaterialOptions moIgnoreFog = 1;
inline constexpr TMaterialOptions moNoLighting = 2;

class TGLMaterial : public TGLUpdateAbleObject {
 public:
  explicit TGLMaterial(TPersistent* owner);
  ~TGLMaterial() override;
  std::string ClassName() const override { return "TGLMaterial"; }

  TGLFaceProperties& FrontProperties() { return *front_; }
  const TGLFaceProperties& FrontProperties() const { return *front_; }
  // Created on first access.
  TGLFaceProperties& BackProperties();
  bool HasBackProperties() const { return back_ != nullptr; }
  void SetFrontProperties(const TGLFaceProperties& value);
  void SetBackProperties(const TGLFaceProperties& value);
  TGLDepthProperties& DepthProperties() { return *depth_; }
  void SetDepthProperties(const TGLDepthProperties& value);
  TBlendingMode BlendingMode() const { return blendingMode_; }
  void SetBlendingMode(TBlendingMode mode);
  TGLBlendingParameters& BlendingParams() { return *blendingParams_; }
  // Copies without a notification.
  void SetBlendingParams(const TGLBlendingParameters& value);
  TMaterialOptions MaterialOptions() const { return options_; }
  void SetMaterialOptions(TMaterialOptions options);
  TFaceCulling FaceCulling() const { return faceCulling_; }
  void SetFaceCulling(TFaceCulling culling);
  TPolygonMode PolygonMode() const { return polygonMode_; }
  void SetPolygonMode(TPolygonMode mode);

  // Created on first access; none frees it.
  TGLTexture& Texture();
  bool HasTexture() const { return texture_ != nullptr; }
  void SetTexture(const TGLTexture* texture);
  TGLTextureEx& TextureEx();
  bool HasTextureEx() const;

  // The link to a named material of a library: the library material then applies in its place.
  TGLMaterialLibrary* MaterialLibrary() const { return library_; }
  void SetMaterialLibrary(TGLMaterialLibrary* library);
  const std::string& LibMaterialName() const { return libMaterialName_; }
  void SetLibMaterialName(const std::string& name);
  TGLLibMaterial* CurrentLibMaterial() const { return libMaterial_; }

  void Apply(RenderContextInfo& rci);
  // True when the object is to be drawn again (a multipass material).
  bool UnApply(RenderContextInfo& rci);
  // bmTransparency, bmAdditive, bmModulate and bmCustom blend; a linked material answers for itself.
  bool IsBlended() const;

  void NotifyChange(TObject* sender) override;
  // To the owner's texture-map hook, else NotifyChange.
  void NotifyMappingChange();
  void Assign(const TPersistent* source) override;
  // The faces (the back only without a library material), depth, blending, options, texture,
  // culling, the library by name and the library material's name, polygon mode.
  void DefinePublished(TFiler& filer) override;
  void FreeGLHandles();
  // Told by a library material that goes away.
  void LibMaterialFreed(TGLLibMaterial* material);

 private:
  std::unique_ptr<TGLFaceProperties> front_;
  std::unique_ptr<TGLFaceProperties> back_;
  std::unique_ptr<TGLDepthProperties> depth_;
  std::unique_ptr<TGLBlendingParameters> blendingParams_;
  std::unique_ptr<TGLTexture> texture_;
  std::unique_ptr<TGLTextureEx> textureEx_;
  TBlendingMode blendingMode_ = bmOpaque;
  TMaterialOptions options_ = 0;
  TFaceCulling faceCulling_ = fcBufferDefault;
  TPolygonMode polygonMode_ = pmFill;
  TGLMaterialLibrary* library_ = nullptr;
  std::string libMaterialName_;
  TGLLibMaterial* libMaterial_ = nullptr;
};

// The blending of a material's mode, through the state cache (also used by library materials).
void ApplyBlendingMode(TBlendingMode mode, const TGLBlendingParameters& params, RenderContextInfo& rci);

}  // namespace scene3d
