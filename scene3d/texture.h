// TGLTexture: the texture of a material. Where its picture comes from (an image source of
// texture_image.h), how the picture is converted (alpha, brightness, gamma, normal map), which
// internal format, filters and wrapping it gets, how it is bound around an object's drawing and how
// texture coordinates are generated. TGLTextureEx lets a material carry more textures on numbered
// units.
//
// A texture starts disabled; a material creates it on first access:
//   material.Texture().SetImageClassName("TGLPicFileImage");
//   static_cast<TGLPicFileImage&>(material.Texture().Image()).SetPictureFileName("wood.bmp");
//   material.Texture().SetDisabled(false);
// The picture is read and uploaded in the first frame that applies the material. A texture that
// cannot be had (missing file, format or target the context lacks, OpenGL error) becomes the error
// texture and drawing goes on; it is logged once.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "scene3d/colors.h"
#include "scene3d/collection.h"
#include "scene3d/coordinates.h"
#include "scene3d/gl_state.h"
#include "scene3d/render_context_info.h"
#include "scene3d/texture_format.h"
#include "scene3d/update_able.h"

namespace scene3d {

class TGLTextureImage;
class TGLTextureHandle;
class TGLImage;

enum TGLTextureMode : uint8_t { tmDecal, tmModulate, tmBlend, tmReplace, tmAdd };
enum TGLTextureWrap : uint8_t { twBoth, twNone, twVertical, twHorizontal, twSeparate };
enum TGLSeparateTextureWrap : uint8_t {
  twRepeat, twClampToEdge, twClampToBorder, twMirrorRepeat, twMirrorClampToEdge, twMirrorClampToBorder
};
enum TGLMinFilter : uint8_t {
  miNearest, miLinear, miNearestMipmapNearest, miLinearMipmapNearest, miNearestMipmapLinear, miLinearMipmapLinear
};
enum TGLMagFilter : uint8_t { maNearest, maLinear };
enum TGLTextureImageAlpha : uint8_t {
  tiaDefault, tiaAlphaFromIntensity, tiaSuperBlackTransparent, tiaLuminance, tiaLuminanceSqrt, tiaOpaque,
  tiaTopLeftPointColorTransparent, tiaInverseLuminance, tiaInverseLuminanceSqrt, tiaBottomRightPointColorTransparent
};
enum TGLTextureFilteringQuality : uint8_t { tfIsotropic, tfAnisotropic };
enum TGLTextureMappingMode : uint8_t {
  tmmUser, tmmObjectLinear, tmmEyeLinear, tmmSphere, tmmCubeMapReflection, tmmCubeMapNormal, tmmCubeMapLight0,
  tmmCubeMapCamera
};
enum TGLTextureCompareMode : uint8_t { tcmNone, tcmCompareRtoTexture };
enum TGLDepthTextureMode : uint8_t { dtmLuminance, dtmIntensity, dtmAlpha };

// The internal format a published format choice stands for (tfDefault: tfRGBA8).
TGLInternalFormat InternalFormatOfTextureFormat(TGLTextureFormat format);
// True for the filters that need mipmaps.
bool IsMipmapFilter(TGLMinFilter filter);
// Alpha of an 8-bit RGBA image by the texture's alpha mode; the key colour of the two point modes
// is taken from the image's top-left or bottom-right pixel (rows are stored bottom first).
void ApplyImageAlpha(TGLImage& image, TGLTextureImageAlpha mode);

class TGLTexture : public TGLUpdateAbleObject {
 public:
  explicit TGLTexture(TPersistent* owner);
  ~TGLTexture() override;
  std::string ClassName() const override { return "TGLTexture"; }

  // --- Image ---
  TGLTextureImage& Image() { return *image_; }
  // Takes a copy of `image` (an image source of the same class when the classes differ); none gives an
  // empty persistent image.
  void SetImage(const TGLTextureImage* image);
  std::string ImageClassName() const;
  // A new image source of the registered class; unknown names raise EClassNotFound.
  void SetImageClassName(const std::string& className);
  TGLTextureImageAlpha ImageAlpha() const { return imageAlpha_; }
  void SetImageAlpha(TGLTextureImageAlpha alpha);
  float ImageBrightness() const { return imageBrightness_; }
  void SetImageBrightness(float value);
  float ImageGamma() const { return imageGamma_; }
  void SetImageGamma(float value);
  TGLTextureFormat TextureFormat() const { return textureFormat_; }
  void SetTextureFormat(TGLTextureFormat format);
  TGLInternalFormat TextureFormatEx() const { return textureFormatEx_; }
  void SetTextureFormatEx(TGLInternalFormat format);
  TGLInternalCompression Compression() const { return compression_; }
  void SetCompression(TGLInternalCompression compression);
  float NormalMapScale() const { return normalMapScale_; }
  void SetNormalMapScale(float value);

  // --- Sampler ---
  TGLMagFilter MagFilter() const { return magFilter_; }
  void SetMagFilter(TGLMagFilter filter);
  TGLMinFilter MinFilter() const { return minFilter_; }
  void SetMinFilter(TGLMinFilter filter);
  TGLTextureWrap TextureWrap() const { return wrap_; }
  void SetTextureWrap(TGLTextureWrap wrap);
  TGLSeparateTextureWrap TextureWrapS() const { return wrapS_; }
  TGLSeparateTextureWrap TextureWrapT() const { return wrapT_; }
  TGLSeparateTextureWrap TextureWrapR() const { return wrapR_; }
  void SetTextureWrapS(TGLSeparateTextureWrap wrap);
  void SetTextureWrapT(TGLSeparateTextureWrap wrap);
  void SetTextureWrapR(TGLSeparateTextureWrap wrap);
  TGLTextureFilteringQuality FilteringQuality() const { return filteringQuality_; }
  void SetFilteringQuality(TGLTextureFilteringQuality quality);
  TGLColor& BorderColor() { return *borderColor_; }
  TGLTextureCompareMode TextureCompareMode() const { return compareMode_; }
  void SetTextureCompareMode(TGLTextureCompareMode mode);
  TComparisonFunction TextureCompareFunc() const { return compareFunc_; }
  void SetTextureCompareFunc(TComparisonFunction function);
  TGLDepthTextureMode DepthTextureMode() const { return depthTextureMode_; }
  void SetDepthTextureMode(TGLDepthTextureMode mode);

  // --- Applying ---
  TGLTextureMode TextureMode() const { return textureMode_; }
  void SetTextureMode(TGLTextureMode mode);
  TGLColor& EnvColor() { return *envColor_; }
  TGLTextureMappingMode MappingMode() const { return mappingMode_; }
  void SetMappingMode(TGLTextureMappingMode mode);
  // The generation planes; created on first access.
  TGLCoordinates4& MappingSCoordinates();
  TGLCoordinates4& MappingTCoordinates();
  TGLCoordinates4& MappingRCoordinates();
  TGLCoordinates4& MappingQCoordinates();
  bool Disabled() const { return disabled_; }
  void SetDisabled(bool flag);
  bool Enabled() const { return !disabled_; }
  void SetEnabled(bool flag) { SetDisabled(!flag); }

  void Apply(RenderContextInfo& rci);
  void UnApply(RenderContextInfo& rci);
  // The same on texture unit 1, with a texture matrix when one is given.
  void ApplyOnSecondUnit(RenderContextInfo& rci, const TMatrix4f* textureMatrix = nullptr);
  void UnApplyOnSecondUnit(RenderContextInfo& rci);
  // Builds (or rebuilds) the texture in the current context when needed; its name.
  GLuint BuildHandle();
  TGLTextureHandle& Handle() { return *handle_; }
  void FreeGLHandles();
  // Bytes the texture takes in video memory, mipmaps included.
  int64_t RequiredMemory();
  // True once the image source was replaced by the error picture.
  bool IsErrorTexture() const { return errorTexture_; }

  void Assign(const TPersistent* source) override;
  // The image source's class and its values, then the texture's settings.
  void DefinePublished(TFiler& filer) override;
  // The pixels must be built again (image, alpha, format...): the texture is rebuilt, the owner told.
  void NotifyImageChange();
  // Only the sampler parameters changed.
  void NotifyParamsChange();

 private:
  void SetImageSource(std::unique_ptr<TGLTextureImage> image);
  void NotifyMapping();
  void PrepareImage(TGLImage& image, GLenum target);
  void UploadTarget(GLenum target);
  void ApplySamplerParameters(GLenum target);
  void SetupTextureGeneration(TGLStateCache& states);
  void DisableTextureGeneration(TGLStateCache& states);
  void TurnIntoErrorTexture(const std::string& reason);
  bool DoApply(RenderContextInfo& rci, int unit, const TMatrix4f* textureMatrix);

  std::unique_ptr<TGLTextureImage> image_;
  std::unique_ptr<TGLTextureHandle> handle_;
  std::unique_ptr<TGLColor> envColor_;
  std::unique_ptr<TGLColor> borderColor_;
  std::unique_ptr<TGLCoordinates4> mapS_, mapT_, mapR_, mapQ_;
  TGLTextureImageAlpha imageAlpha_ = tiaDefault;
  float imageBrightness_ = 1;
  float imageGamma_ = 1;
  TGLMagFilter magFilter_ = maLinear;
  TGLMinFilter minFilter_ = miLinearMipmapLinear;
  TGLTextureMode textureMode_ = tmDecal;
  TGLTextureWrap wrap_ = twBoth;
  TGLSeparateTextureWrap wrapS_ = twRepeat, wrapT_ = twRepeat, wrapR_ = twRepeat;
  TGLTextureFormat textureFormat_ = TGLTextureFormat::tfDefault;
  TGLInternalFormat textureFormatEx_;
  TGLInternalCompression compression_ = TGLInternalCompression::tcDefault;
  TGLTextureFilteringQuality filteringQuality_ = tfIsotropic;
  TGLTextureMappingMode mappingMode_ = tmmUser;
  bool disabled_ = true;
  float normalMapScale_ = 0.125f;
  TGLTextureCompareMode compareMode_ = tcmNone;
  TComparisonFunction compareFunc_ = cfLEqual;
  TGLDepthTextureMode depthTextureMode_ = dtmLuminance;
  int64_t requiredMemory_ = -1;
  bool samplerStale_ = true;
  bool errorTexture_ = false;
  bool failureLogged_ = false;
  bool textureMatrixLoaded_ = false;
  GLenum target_ = GL_TEXTURE_2D;
};

class TGLTextureEx;

class TGLTextureExItem : public TCollectionItem {
 public:
  explicit TGLTextureExItem(TCollection& collection);
  ~TGLTextureExItem() override;
  std::string ClassName() const override { return "TGLTextureExItem"; }
  std::string GetDisplayName() const override;

  TGLTexture& Texture() { return *texture_; }
  int TextureIndex() const { return textureIndex_; }
  // Below 0 becomes 0.
  void SetTextureIndex(int index);
  TGLCoordinates3& TextureOffset() { return *offset_; }
  TGLCoordinates3& TextureScale() { return *scale_; }

  void Assign(const TPersistent* source) override;
  // Selects its unit, loads its texture matrix and applies its texture there; the reverse.
  void Apply(RenderContextInfo& rci);
  void UnApply(RenderContextInfo& rci);
  // Any change of the item goes to the material's owner.
  void NotifyChange();

 private:
  std::unique_ptr<TGLTexture> texture_;
  std::unique_ptr<TGLCoordinates3> offset_;
  std::unique_ptr<TGLCoordinates3> scale_;
  int textureIndex_ = 0;
  bool applied_ = false;
};

class TGLTextureEx : public TOwnedCollection {
 public:
  // `owner` is the material.
  explicit TGLTextureEx(TPersistent* owner);
  ~TGLTextureEx() override;
  std::string ClassName() const override { return "TGLTextureEx"; }

  TGLTextureExItem& Add() { return static_cast<TGLTextureExItem&>(*TCollection::Add()); }
  TGLTextureExItem& Item(int index) const { return static_cast<TGLTextureExItem&>(*Items(index)); }
  // True when an item with an enabled texture works on unit 0.
  bool IsTextureEnabled(int unit) const;
  void Apply(RenderContextInfo& rci);
  void UnApply(RenderContextInfo& rci);
  void NotifyOwner();

 protected:
  void Update(TCollectionItem* item) override;
};

}  // namespace scene3d
