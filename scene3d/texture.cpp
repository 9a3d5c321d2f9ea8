#include "scene3d/texture.h"

#include <algorithm>

#include "scene3d/camera.h"
#include "scene3d/gl_context.h"
#include "scene3d/gl_image.h"
#include "scene3d/gl_multitexture.h"
#include "scene3d/light_source.h"
#include "scene3d/material.h"
#include "scene3d/matrices.h"
#include "scene3d/rendering_log.h"
#include "scene3d/stage.h"
#include "scene3d/stored_object.h"
#include "scene3d/texture_image.h"

namespace scene3d {

namespace {

constexpr TGLInternalFormat kDefaultInternalFormat = TGLInternalFormat::tfRGBA8;

GLenum EnvMode(TGLTextureMode mode) {
  constexpr GLenum kModes[] = {GL_DECAL, GL_MODULATE, GL_BLEND, GL_REPLACE, GL_ADD};
  return kModes[mode <= tmAdd ? mode : 0];
}

GLenum SeparateWrap(TGLSeparateTextureWrap wrap, const TGLExtensionsAndEntryPoints& gl) {
  switch (wrap) {
    case twRepeat: return GL_REPEAT;
    case twClampToEdge: return GL_CLAMP_TO_EDGE;
    case twClampToBorder: return GL_CLAMP_TO_BORDER;
    case twMirrorRepeat: return GL_MIRRORED_REPEAT;
    case twMirrorClampToEdge: return gl.EXT_texture_mirror_clamp ? GL_MIRROR_CLAMP_TO_EDGE_EXT : GL_CLAMP_TO_EDGE;
    case twMirrorClampToBorder: return gl.EXT_texture_mirror_clamp ? GL_MIRROR_CLAMP_TO_BORDER_EXT : GL_CLAMP_TO_BORDER;
  }
  return GL_REPEAT;
}

TGLTextureTarget CacheTarget(GLenum target) { return TGLTextureTarget(TargetIndexOfConstant(target)); }

bool IsCubeMapTarget(GLenum target) { return target == GL_TEXTURE_CUBE_MAP || target == GL_TEXTURE_CUBE_MAP_ARRAY; }

}  // namespace

TGLInternalFormat InternalFormatOfTextureFormat(TGLTextureFormat format) {
  switch (format) {
    case TGLTextureFormat::tfDefault: return kDefaultInternalFormat;
    case TGLTextureFormat::tfRGB: return TGLInternalFormat::tfRGB8;
    case TGLTextureFormat::tfRGBA: return TGLInternalFormat::tfRGBA8;
    case TGLTextureFormat::tfRGB16: return TGLInternalFormat::tfRGB5;
    case TGLTextureFormat::tfRGBA16: return TGLInternalFormat::tfRGBA4;
    case TGLTextureFormat::tfAlpha: return TGLInternalFormat::tfALPHA8;
    case TGLTextureFormat::tfLuminance: return TGLInternalFormat::tfLUMINANCE8;
    case TGLTextureFormat::tfLuminanceAlpha: return TGLInternalFormat::tfLUMINANCE8_ALPHA8;
    case TGLTextureFormat::tfIntensity: return TGLInternalFormat::tfINTENSITY8;
    case TGLTextureFormat::tfNormalMap: return TGLInternalFormat::tfRGB8;
    case TGLTextureFormat::tfRGBAFloat16: return TGLInternalFormat::tfRGBA_FLOAT16;
    case TGLTextureFormat::tfRGBAFloat32: return TGLInternalFormat::tfRGBA_FLOAT32;
    case TGLTextureFormat::tfExtended: return kDefaultInternalFormat;
  }
  return kDefaultInternalFormat;
}

bool IsMipmapFilter(TGLMinFilter filter) { return filter >= miNearestMipmapNearest; }

void ApplyImageAlpha(TGLImage& image, TGLTextureImageAlpha mode) {
  // The key colour of a point mode, read from the narrowed image: row 0 is the bottom of the picture.
  auto keyOf = [&image](bool topLeft) -> uint32_t {
    image.NarrowToRGBA8();
    if (image.IsEmpty()) return 0;
    const uint8_t* pixel = topLeft ? image.RowPointer(image.Height() - 1) : image.RowPointer(0) + 4 * (image.Width() - 1);
    return pixel ? uint32_t(pixel[0]) | (uint32_t(pixel[1]) << 8) | (uint32_t(pixel[2]) << 16) : 0;
  };
  switch (mode) {
    case tiaDefault: break;
    case tiaAlphaFromIntensity:
    case tiaLuminance: image.AlphaFromIntensity(); break;
    case tiaSuperBlackTransparent: image.AlphaFromColorKey(0); break;
    case tiaLuminanceSqrt: image.AlphaFromSqrtIntensity(); break;
    case tiaOpaque: image.SetAllAlpha(255); break;
    case tiaTopLeftPointColorTransparent: image.AlphaFromColorKey(keyOf(true)); break;
    case tiaInverseLuminance:
      image.AlphaFromIntensity();
      image.InvertAlphaChannel();
      break;
    case tiaInverseLuminanceSqrt:
      image.AlphaFromSqrtIntensity();
      image.InvertAlphaChannel();
      break;
    case tiaBottomRightPointColorTransparent: image.AlphaFromColorKey(keyOf(false)); break;
  }
}

// --- Life -----------------------------------------------------------------------------------------------------

TGLTexture::TGLTexture(TPersistent* owner)
    : TGLUpdateAbleObject(owner),
      image_(std::make_unique<TGLPersistentImage>(this)),
      handle_(std::make_unique<TGLTextureHandle>(GLContextManager())),
      envColor_(std::make_unique<TGLColor>(this)),
      borderColor_(std::make_unique<TGLColor>(this)),
      textureFormatEx_(kDefaultInternalFormat) {}

TGLTexture::~TGLTexture() = default;

// --- Image -----------------------------------------------------------------------------------------------------

void TGLTexture::SetImageSource(std::unique_ptr<TGLTextureImage> image) {
  image_ = std::move(image);
  errorTexture_ = false;
  NotifyImageChange();
}

void TGLTexture::SetImage(const TGLTextureImage* image) {
  if (!image) {
    SetImageSource(std::make_unique<TGLPersistentImage>(this));
    return;
  }
  if (image->ClassName() != image_->ClassName()) image_ = image->CreateNew(this);
  image_->Assign(image);
  errorTexture_ = false;
  NotifyImageChange();
}

std::string TGLTexture::ImageClassName() const { return image_->ClassName(); }

void TGLTexture::SetImageClassName(const std::string& className) {
  if (className == image_->ClassName()) return;
  SetImageSource(TextureImageClasses().Create(className, this));
}

void TGLTexture::SetImageAlpha(TGLTextureImageAlpha alpha) {
  if (StoreChanged(imageAlpha_, alpha)) NotifyImageChange();
}
void TGLTexture::SetImageBrightness(float value) {
  if (StoreChanged(imageBrightness_, value)) NotifyImageChange();
}
void TGLTexture::SetImageGamma(float value) {
  if (StoreChanged(imageGamma_, value)) NotifyImageChange();
}
void TGLTexture::SetTextureFormat(TGLTextureFormat format) {
  if (!StoreChanged(textureFormat_, format)) return;
  if (format != TGLTextureFormat::tfExtended) textureFormatEx_ = InternalFormatOfTextureFormat(format);
  NotifyImageChange();
}
void TGLTexture::SetTextureFormatEx(TGLInternalFormat format) {
  if (!StoreChanged(textureFormatEx_, format)) return;
  textureFormat_ = TGLTextureFormat::tfExtended;
  NotifyImageChange();
}
void TGLTexture::SetCompression(TGLInternalCompression compression) {
  if (StoreChanged(compression_, compression)) NotifyImageChange();
}
void TGLTexture::SetNormalMapScale(float value) {
  if (StoreChanged(normalMapScale_, value) && textureFormat_ == TGLTextureFormat::tfNormalMap) NotifyImageChange();
}

// --- Sampler --------------------------------------------------------------------------------------------------

void TGLTexture::SetMagFilter(TGLMagFilter filter) {
  if (StoreChanged(magFilter_, filter)) NotifyParamsChange();
}
void TGLTexture::SetMinFilter(TGLMinFilter filter) {
  // Mipmaps come with the upload: a filter that needs them where there were none builds again.
  const bool rebuild = IsMipmapFilter(filter) != IsMipmapFilter(minFilter_);
  if (!StoreChanged(minFilter_, filter)) return;
  rebuild ? NotifyImageChange() : NotifyParamsChange();
}
void TGLTexture::SetTextureWrap(TGLTextureWrap wrap) {
  if (StoreChanged(wrap_, wrap)) NotifyParamsChange();
}
void TGLTexture::SetTextureWrapS(TGLSeparateTextureWrap wrap) {
  if (StoreChanged(wrapS_, wrap)) NotifyParamsChange();
}
void TGLTexture::SetTextureWrapT(TGLSeparateTextureWrap wrap) {
  if (StoreChanged(wrapT_, wrap)) NotifyParamsChange();
}
void TGLTexture::SetTextureWrapR(TGLSeparateTextureWrap wrap) {
  if (StoreChanged(wrapR_, wrap)) NotifyParamsChange();
}
void TGLTexture::SetFilteringQuality(TGLTextureFilteringQuality quality) {
  if (StoreChanged(filteringQuality_, quality)) NotifyParamsChange();
}
void TGLTexture::SetTextureCompareMode(TGLTextureCompareMode mode) {
  if (StoreChanged(compareMode_, mode)) NotifyParamsChange();
}
void TGLTexture::SetTextureCompareFunc(TComparisonFunction function) {
  if (StoreChanged(compareFunc_, function)) NotifyParamsChange();
}
void TGLTexture::SetDepthTextureMode(TGLDepthTextureMode mode) {
  if (StoreChanged(depthTextureMode_, mode)) NotifyParamsChange();
}

// --- Applying -------------------------------------------------------------------------------------------------

void TGLTexture::SetTextureMode(TGLTextureMode mode) {
  if (StoreChanged(textureMode_, mode)) NotifyChange(this);
}

void TGLTexture::SetMappingMode(TGLTextureMappingMode mode) {
  if (StoreChanged(mappingMode_, mode)) NotifyMapping();
}

void TGLTexture::SetDisabled(bool flag) {
  if (StoreChanged(disabled_, flag)) NotifyMapping();
}

TGLCoordinates4& TGLTexture::MappingSCoordinates() {
  if (!mapS_) mapS_ = std::make_unique<TGLCoordinates4>(this, XAxisVector, ctVector);
  return *mapS_;
}
TGLCoordinates4& TGLTexture::MappingTCoordinates() {
  if (!mapT_) mapT_ = std::make_unique<TGLCoordinates4>(this, YAxisVector, ctVector);
  return *mapT_;
}
TGLCoordinates4& TGLTexture::MappingRCoordinates() {
  if (!mapR_) mapR_ = std::make_unique<TGLCoordinates4>(this, ZAxisVector, ctVector);
  return *mapR_;
}
TGLCoordinates4& TGLTexture::MappingQCoordinates() {
  if (!mapQ_) mapQ_ = std::make_unique<TGLCoordinates4>(this, WAxisVector, ctVector);
  return *mapQ_;
}

void TGLTexture::NotifyMapping() {
  if (auto* material = dynamic_cast<TGLMaterial*>(Owner())) {
    material->NotifyMappingChange();
  } else {
    NotifyChange(this);
  }
}

void TGLTexture::NotifyImageChange() {
  handle_->MarkDataChanged();
  samplerStale_ = true;
  requiredMemory_ = -1;
  NotifyChange(this);
}

void TGLTexture::NotifyParamsChange() {
  samplerStale_ = true;
  NotifyChange(this);
}

// --- Building -------------------------------------------------------------------------------------------------

void TGLTexture::TurnIntoErrorTexture(const std::string& reason) {
  // Once per texture: a texture that fails again at every frame must not fill the log.
  if (!failureLogged_) {
    LogLine(lkError, "Texture " + image_->ClassName() + (image_->ResourceName.empty() ? "" : " \"" + image_->ResourceName + "\"") +
                         ": " + reason + "; the error texture is shown");
    failureLogged_ = true;
  }
  auto blank = std::make_unique<TGLBlankImage>(this);
  blank->SetErrorPicture(true);
  image_ = std::move(blank);
  minFilter_ = miNearest;
  magFilter_ = maNearest;
  wrap_ = twBoth;
  mappingMode_ = tmmUser;
  compression_ = TGLInternalCompression::tcNone;
  errorTexture_ = true;
  samplerStale_ = true;
}

GLuint TGLTexture::BuildHandle() {
  TGLContext& context = SafeCurrentContext();
  TGLStateCache& states = context.GLStates();
  TGLExtensionsAndEntryPoints& gl = ActiveGLTable();
  GLenum target = image_->NativeTextureTarget();
  if (handle_->Target() != TargetIndexOfConstant(target)) {
    handle_->DestroyIdentifiers();
    handle_->SetTarget(TargetIndexOfConstant(target));
  }
  if (handle_->Identifier() == 0) handle_->AllocateIdentifier();
  const GLuint id = handle_->Identifier();
  if (id == 0) return 0;

  const int unit = states.ActiveTextureUnit();
  if (handle_->NeedsDataUpdate()) {
    if (!errorTexture_ && (!TargetSupported(target) || !FormatSupported(textureFormatEx_))) {
      TurnIntoErrorTexture("target or format not supported by the context");
      target = GL_TEXTURE_2D;
      handle_->SetTarget(TargetIndexOfConstant(target));
    }
    const TGLTextureTarget cached = CacheTarget(target);
    const GLuint previous = states.TextureBinding(unit, cached);
    states.SetTextureBinding(unit, cached, id);
    try {
      if (IsCubeMapTarget(target)) {
        auto* cube = dynamic_cast<TGLCubeMapImage*>(image_.get());
        if (!cube || cube->Usable())
          for (GLenum face = GL_TEXTURE_CUBE_MAP_POSITIVE_X; face <= GL_TEXTURE_CUBE_MAP_NEGATIVE_Z; ++face)
            UploadTarget(face);
      } else {
        UploadTarget(target);
      }
      if (errorTexture_ && image_->NativeTextureTarget() != target) target = GL_TEXTURE_2D;
      ApplySamplerParameters(target);
      samplerStale_ = false;
    } catch (...) {
      states.SetTextureBinding(unit, cached, previous);
      throw;
    }
    states.SetTextureBinding(unit, cached, previous);
    handle_->MarkDataUpdated();
    target_ = target;
  } else if (samplerStale_) {
    const TGLTextureTarget cached = CacheTarget(target);
    const GLuint previous = states.TextureBinding(unit, cached);
    states.SetTextureBinding(unit, cached, id);
    ApplySamplerParameters(target);
    states.SetTextureBinding(unit, cached, previous);
    samplerStale_ = false;
    target_ = target;
  }
  (void)gl;
  return id;
}

void TGLTexture::PrepareImage(TGLImage& image, GLenum) {
  if (textureFormat_ == TGLTextureFormat::tfNormalMap)
    image.HeightToNormalMap(normalMapScale_, wrap_ == twBoth || wrap_ == twHorizontal, wrap_ == twBoth || wrap_ == twVertical);
  ApplyImageAlpha(image, imageAlpha_);
  if (imageBrightness_ != 1) image.ApplyBrightness(imageBrightness_);
  if (imageGamma_ != 1) image.ApplyGamma(imageGamma_);
}

void TGLTexture::UploadTarget(GLenum target) {
  TGLExtensionsAndEntryPoints& gl = ActiveGLTable();
  TGLStateCache& states = SafeCurrentContext().GLStates();
  gl.DrainGLErrors();
  TGLImage* image = nullptr;
  try {
    image = image_->GetImage(target);
  } catch (const std::exception& error) {
    // A damaged or unknown picture file: the error texture, and the rest of the frame is drawn.
    image_->ReleaseImage();
    if (errorTexture_) return;
    TurnIntoErrorTexture(error.what());
    UploadTarget(GL_TEXTURE_2D);
    return;
  }
  if (!image || image->IsEmpty()) {
    image_->ReleaseImage();
    if (errorTexture_) return;
    TurnIntoErrorTexture("no picture");
    UploadTarget(IsCubeMapTarget(target) || (target >= GL_TEXTURE_CUBE_MAP_POSITIVE_X && target <= GL_TEXTURE_CUBE_MAP_NEGATIVE_Z)
                     ? GL_TEXTURE_2D
                     : target);
    return;
  }
  if (!errorTexture_) PrepareImage(*image, target);
  // The error picture goes up in a format every context holds.
  GLenum internalFormat = errorTexture_ ? GL_RGB8 : GLConstantOfFormat(textureFormatEx_);
  const TGLInternalCompression compression =
      compression_ == TGLInternalCompression::tcDefault ? TGLInternalCompression::tcNone : compression_;
  if (!errorTexture_ && gl.ARB_texture_compression && compression != TGLInternalCompression::tcNone &&
      uint8_t(textureFormat_) < 9) {
    internalFormat = GenericCompressedConstant(textureFormatEx_);
    switch (compression) {
      case TGLInternalCompression::tcHighQuality: states.SetTextureCompressionHint(hintNicest); break;
      case TGLInternalCompression::tcHighSpeed: states.SetTextureCompressionHint(hintFastest); break;
      default: states.SetTextureCompressionHint(hintDontCare); break;
    }
  }
  int32_t width = 0, height = 0, depth = 0;
  image->UploadToTexture(target, int32_t(minFilter_), internalFormat, width, height, depth);
  const GLenum error = gl.GetError();
  image_->ReleaseImage();
  if (error != GL_NO_ERROR) {
    gl.DrainGLErrors();
    if (errorTexture_) return;
    TurnIntoErrorTexture("OpenGL error " + std::to_string(error) + " on upload");
    UploadTarget(GL_TEXTURE_2D);
    return;
  }
  // Memory of the texture: texels (or 4 x 4 blocks) times the depth, and with mipmaps each quarter
  // while it is more than one texel.
  const int64_t element = FormatElementSize(errorTexture_ ? TGLInternalFormat::tfRGB8 : textureFormatEx_);
  const bool compressed = FormatIsCompressed(textureFormatEx_) && !errorTexture_;
  int64_t total = compressed ? ((int64_t(width) + 3) / 4) * ((int64_t(height) + 3) / 4) * element
                             : int64_t(width) * height * element;
  if (depth > 0) total *= depth;
  if (IsMipmapFilter(minFilter_))
    for (int64_t quarter = total / 4; quarter > element; quarter /= 4) total += quarter;
  requiredMemory_ = IsCubeMapTarget(image_->NativeTextureTarget()) ? total * 6 : total;
}

void TGLTexture::ApplySamplerParameters(GLenum target) {
  if (target == GL_TEXTURE_2D_MULTISAMPLE || target == GL_TEXTURE_2D_MULTISAMPLE_ARRAY) return;
  TGLExtensionsAndEntryPoints& gl = ActiveGLTable();
  const GLenum bind = (target >= GL_TEXTURE_CUBE_MAP_POSITIVE_X && target <= GL_TEXTURE_CUBE_MAP_NEGATIVE_Z)
                          ? GL_TEXTURE_CUBE_MAP
                          : target;
  gl.TexParameterfv(bind, GL_TEXTURE_BORDER_COLOR, borderColor_->ColorPointer());
  const bool edgeClamp = gl.GLVersion1_2 || gl.EXT_texture_edge_clamp || gl.SGIS_texture_edge_clamp;
  const GLenum edge = edgeClamp ? GL_CLAMP_TO_EDGE : GL_CLAMP;
  GLenum s = GL_REPEAT, t = GL_REPEAT, r = GL_REPEAT;
  switch (wrap_) {
    case twBoth: break;
    case twNone: s = t = r = edge; break;
    case twVertical: s = edge; break;
    case twHorizontal: t = r = edge; break;
    case twSeparate:
      if (edgeClamp) {
        s = SeparateWrap(wrapS_, gl);
        t = SeparateWrap(wrapT_, gl);
        r = SeparateWrap(wrapR_, gl);
      }
      break;
  }
  gl.TexParameteri(bind, GL_TEXTURE_WRAP_S, GLint(s));
  gl.TexParameteri(bind, GL_TEXTURE_WRAP_T, GLint(t));
  if (gl.ARB_texture_cube_map || gl.EXT_texture3D || gl.GLVersion1_2) gl.TexParameteri(bind, GL_TEXTURE_WRAP_R, GLint(r));

  TGLMinFilter minFilter = minFilter_;
  const bool lod = gl.GLVersion1_2 || gl.SGIS_texture_lod;
  if (bind == GL_TEXTURE_RECTANGLE || !lod) {
    if (minFilter == miNearestMipmapNearest || minFilter == miNearestMipmapLinear) minFilter = miNearest;
    if (minFilter == miLinearMipmapNearest || minFilter == miLinearMipmapLinear) minFilter = miLinear;
  }
  constexpr GLenum kMin[] = {GL_NEAREST, GL_LINEAR, GL_NEAREST_MIPMAP_NEAREST, GL_LINEAR_MIPMAP_NEAREST,
                             GL_NEAREST_MIPMAP_LINEAR, GL_LINEAR_MIPMAP_LINEAR};
  gl.TexParameteri(bind, GL_TEXTURE_MIN_FILTER, GLint(kMin[minFilter]));
  gl.TexParameteri(bind, GL_TEXTURE_MAG_FILTER, magFilter_ == maNearest ? GL_NEAREST : GL_LINEAR);
  if (gl.EXT_texture_filter_anisotropic)
    gl.TexParameterf(bind, GL_TEXTURE_MAX_ANISOTROPY_EXT, filteringQuality_ == tfAnisotropic ? 2.0f : 1.0f);
  if (FormatIsDepth(textureFormatEx_)) {
    gl.TexParameteri(bind, GL_TEXTURE_COMPARE_MODE,
                     compareMode_ == tcmCompareRtoTexture ? GL_COMPARE_R_TO_TEXTURE : GL_NONE);
    gl.TexParameteri(bind, GL_TEXTURE_COMPARE_FUNC, GLint(ComparisonFunctionToGL(compareFunc_)));
    if (!SafeCurrentContext().GLStates().ForwardContext()) {
      constexpr GLenum kModes[] = {GL_LUMINANCE, GL_INTENSITY, GL_ALPHA};
      gl.TexParameteri(bind, GL_DEPTH_TEXTURE_MODE, GLint(kModes[depthTextureMode_]));
    }
  }
}

void TGLTexture::FreeGLHandles() {
  handle_->DestroyIdentifiers();
  handle_->MarkDataChanged();
  samplerStale_ = true;
}

int64_t TGLTexture::RequiredMemory() { return requiredMemory_; }

// --- Applying -----------------------------------------------------------------------------------------------

void TGLTexture::SetupTextureGeneration(TGLStateCache&) {
  TGLExtensionsAndEntryPoints& gl = ActiveGLTable();
  auto generate = [&gl](GLenum coord, GLenum cap, GLint mode) {
    gl.TexGeni(coord, GL_TEXTURE_GEN_MODE, mode);
    gl.Enable(cap);
  };
  switch (mappingMode_) {
    case tmmUser: break;
    case tmmObjectLinear:
      generate(GL_S, GL_TEXTURE_GEN_S, GL_OBJECT_LINEAR);
      generate(GL_T, GL_TEXTURE_GEN_T, GL_OBJECT_LINEAR);
      gl.TexGenfv(GL_S, GL_OBJECT_PLANE, MappingSCoordinates().CoordsPointer());
      gl.TexGenfv(GL_T, GL_OBJECT_PLANE, MappingTCoordinates().CoordsPointer());
      if (mapR_ && mapQ_) {
        generate(GL_R, GL_TEXTURE_GEN_R, GL_OBJECT_LINEAR);
        generate(GL_Q, GL_TEXTURE_GEN_Q, GL_OBJECT_LINEAR);
        gl.TexGenfv(GL_R, GL_OBJECT_PLANE, mapR_->CoordsPointer());
        gl.TexGenfv(GL_Q, GL_OBJECT_PLANE, mapQ_->CoordsPointer());
      }
      break;
    case tmmEyeLinear:
      generate(GL_S, GL_TEXTURE_GEN_S, GL_EYE_LINEAR);
      generate(GL_T, GL_TEXTURE_GEN_T, GL_EYE_LINEAR);
      gl.TexGenfv(GL_S, GL_EYE_PLANE, MappingSCoordinates().CoordsPointer());
      gl.TexGenfv(GL_T, GL_EYE_PLANE, MappingTCoordinates().CoordsPointer());
      break;
    case tmmSphere:
      generate(GL_S, GL_TEXTURE_GEN_S, GL_SPHERE_MAP);
      generate(GL_T, GL_TEXTURE_GEN_T, GL_SPHERE_MAP);
      break;
    case tmmCubeMapReflection:
    case tmmCubeMapCamera:
    case tmmCubeMapNormal:
    case tmmCubeMapLight0: {
      if (!gl.ARB_texture_cube_map && !gl.GLVersion1_3) break;
      const GLint mode = (mappingMode_ == tmmCubeMapReflection || mappingMode_ == tmmCubeMapCamera) ? GL_REFLECTION_MAP
                                                                                                     : GL_NORMAL_MAP;
      generate(GL_S, GL_TEXTURE_GEN_S, mode);
      generate(GL_T, GL_TEXTURE_GEN_T, mode);
      generate(GL_R, GL_TEXTURE_GEN_R, mode);
      break;
    }
  }
}

void TGLTexture::DisableTextureGeneration(TGLStateCache&) {
  if (mappingMode_ == tmmUser) return;
  TGLExtensionsAndEntryPoints& gl = ActiveGLTable();
  gl.Disable(GL_TEXTURE_GEN_S);
  gl.Disable(GL_TEXTURE_GEN_T);
  gl.Disable(GL_TEXTURE_GEN_R);
  gl.Disable(GL_TEXTURE_GEN_Q);
}

bool TGLTexture::DoApply(RenderContextInfo& rci, int unit, const TMatrix4f* textureMatrix) {
  const GLenum native = image_->NativeTextureTarget();
  const uint8_t index = TargetIndexOfConstant(native);
  if (index == ttTexture2DMultisample || index == ttTexture2DMultisampleArray) return false;
  TGLStateCache& states = *rci.GLStates;
  const bool fixed = !states.ForwardContext();
  const GLuint id = disabled_ ? 0 : BuildHandle();
  const TGLTextureTarget target = CacheTarget(errorTexture_ ? GL_TEXTURE_2D : native);
  states.SetActiveTextureUnit(unit);
  if (id == 0) {
    if (fixed) states.SetTextureTargetEnabled(target, false);
    states.SetActiveTextureUnit(0);
    return false;
  }
  states.SetTextureBinding(unit, target, id);
  if (fixed) {
    states.SetTextureTargetEnabled(target, true);
    TGLExtensionsAndEntryPoints& gl = ActiveGLTable();
    textureMatrixLoaded_ = false;
    if (textureMatrix) {
      states.SetTextureMatrix(*textureMatrix);
      textureMatrixLoaded_ = true;
    } else if (target == ttTextureCube && mappingMode_ >= tmmCubeMapReflection) {
      // Undo the view's rotation, so the cube stays put in the world as the camera turns.
      TMatrix4f m = rci.PipelineTransformation->ViewMatrix();
      m[3] = WAxisVector;
      m[0].w = m[1].w = m[2].w = 0;
      MatrixTranspose(m);
      if (mappingMode_ == tmmCubeMapLight0) {
        TGLLightSource* light = rci.scene ? rci.scene->Light(0) : nullptr;
        if (light) m = MatrixProduct(m, light->AbsoluteMatrix());
      } else if (mappingMode_ == tmmCubeMapCamera && rci.scene && rci.scene->CurrentCamera()) {
        TGLCamera* camera = rci.scene->CurrentCamera();
        TMatrix4f frame = IdentityMatrix;
        frame[0] = DirectionFromAffine(AffineCross(rci.cameraDirection, rci.cameraUp));
        frame[1] = rci.cameraUp;
        frame[2] = VectorNegated4(rci.cameraDirection);
        frame[0].w = frame[1].w = frame[2].w = 0;
        (void)camera;
        m = MatrixProduct(m, frame);
      }
      if (mappingMode_ != tmmCubeMapLight0 || (rci.scene && rci.scene->Light(0))) {
        states.SetTextureMatrix(m);
        textureMatrixLoaded_ = true;
      }
    }
    gl.TexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GLint(EnvMode(textureMode_)));
    gl.TexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, envColor_->ColorPointer());
    SetupTextureGeneration(states);
  }
  states.SetActiveTextureUnit(0);
  return true;
}

void TGLTexture::Apply(RenderContextInfo& rci) {
  DoApply(rci, 0, nullptr);
  CurrentCoordinator().MapMain();
}

void TGLTexture::ApplyOnSecondUnit(RenderContextInfo& rci, const TMatrix4f* textureMatrix) {
  DoApply(rci, 1, textureMatrix);
}

void TGLTexture::UnApply(RenderContextInfo& rci) {
  TGLStateCache& states = *rci.GLStates;
  if (disabled_ || states.ForwardContext()) return;
  states.SetActiveTextureUnit(0);
  states.SetTextureTargetEnabled(CacheTarget(errorTexture_ ? GL_TEXTURE_2D : image_->NativeTextureTarget()), false);
  if (textureMatrixLoaded_) states.ResetTextureMatrix();
  textureMatrixLoaded_ = false;
  DisableTextureGeneration(states);
}

void TGLTexture::UnApplyOnSecondUnit(RenderContextInfo& rci) {
  TGLStateCache& states = *rci.GLStates;
  if (disabled_ || states.ForwardContext()) return;
  states.SetActiveTextureUnit(1);
  states.SetTextureTargetEnabled(CacheTarget(errorTexture_ ? GL_TEXTURE_2D : image_->NativeTextureTarget()), false);
  if (textureMatrixLoaded_) states.ResetTextureMatrix();
  textureMatrixLoaded_ = false;
  DisableTextureGeneration(states);
  states.SetActiveTextureUnit(0);
}

void TGLTexture::Assign(const TPersistent* source) {
  auto* from = dynamic_cast<const TGLTexture*>(source);
  if (!from) {
    TGLUpdateAbleObject::Assign(source);
    return;
  }
  if (from == this) return;
  BeginUpdate();
  image_ = from->image_->CreateNew(this);
  image_->Assign(from->image_.get());
  imageAlpha_ = from->imageAlpha_;
  imageBrightness_ = from->imageBrightness_;
  imageGamma_ = from->imageGamma_;
  magFilter_ = from->magFilter_;
  minFilter_ = from->minFilter_;
  textureMode_ = from->textureMode_;
  wrap_ = from->wrap_;
  wrapS_ = from->wrapS_;
  wrapT_ = from->wrapT_;
  wrapR_ = from->wrapR_;
  textureFormat_ = from->textureFormat_;
  textureFormatEx_ = from->textureFormatEx_;
  compression_ = from->compression_;
  filteringQuality_ = from->filteringQuality_;
  mappingMode_ = from->mappingMode_;
  for (auto [mine, theirs] : {std::pair{&mapS_, &from->mapS_}, std::pair{&mapT_, &from->mapT_},
                              std::pair{&mapR_, &from->mapR_}, std::pair{&mapQ_, &from->mapQ_}}) {
    if (*theirs) {
      if (!*mine) *mine = std::make_unique<TGLCoordinates4>(this);
      (*mine)->Assign(theirs->get());
    } else {
      mine->reset();
    }
  }
  envColor_->Assign(from->envColor_.get());
  borderColor_->Assign(from->borderColor_.get());
  disabled_ = from->disabled_;
  normalMapScale_ = from->normalMapScale_;
  compareMode_ = from->compareMode_;
  compareFunc_ = from->compareFunc_;
  depthTextureMode_ = from->depthTextureMode_;
  errorTexture_ = from->errorTexture_;
  EndUpdate();
  NotifyImageChange();
}

// --- Texture-ex ------------------------------------------------------------------------------------------------

TGLTextureExItem::TGLTextureExItem(TCollection& collection)
    : texture_(std::make_unique<TGLTexture>(dynamic_cast<TOwnedCollection&>(collection).Owner())),
      offset_(std::make_unique<TGLCoordinates3>(this, NullVector4, ctVector)),
      scale_(std::make_unique<TGLCoordinates3>(this, XYZAxisVector, ctVector)) {
  texture_->OnChange = [this](TObject*) { NotifyChange(); };
  offset_->OnChange = [this](TObject*) { NotifyChange(); };
  scale_->OnChange = [this](TObject*) { NotifyChange(); };
}

TGLTextureExItem::~TGLTextureExItem() = default;

std::string TGLTextureExItem::GetDisplayName() const { return "Tex [" + std::to_string(textureIndex_) + "]"; }

void TGLTextureExItem::SetTextureIndex(int index) {
  index = std::max(index, 0);
  if (index == textureIndex_) return;
  textureIndex_ = index;
  NotifyChange();
}

void TGLTextureExItem::NotifyChange() {
  if (auto* owner = dynamic_cast<TGLTextureEx*>(Collection())) owner->NotifyOwner();
}

void TGLTextureExItem::Assign(const TPersistent* source) {
  auto* from = dynamic_cast<const TGLTextureExItem*>(source);
  if (!from) {
    TCollectionItem::Assign(source);
    return;
  }
  texture_->Assign(from->texture_.get());
  offset_->Assign(from->offset_.get());
  scale_->Assign(from->scale_.get());
  textureIndex_ = from->textureIndex_;
  NotifyChange();
}

void TGLTextureExItem::Apply(RenderContextInfo& rci) {
  applied_ = false;
  if (!texture_->Enabled()) return;
  TGLStateCache& states = *rci.GLStates;
  const bool identity = offset_->SameAs(NullVector4) && scale_->SameAs(XYZAxisVector);
  const TMatrix4f matrix = identity ? IdentityMatrix : MatrixScaleTranslation(scale_->AsAffine(), offset_->AsAffine());
  if (textureIndex_ == 0) {
    texture_->Apply(rci);
    if (!identity) states.SetTextureMatrix(matrix);
  } else if (textureIndex_ == 1) {
    texture_->ApplyOnSecondUnit(rci, identity ? nullptr : &matrix);
  } else {
    // Units above 1: the texture as on the second unit, placed on its own unit.
    texture_->BuildHandle();
    states.SetActiveTextureUnit(textureIndex_);
    states.SetTextureBinding(textureIndex_, CacheTarget(texture_->Image().NativeTextureTarget()),
                             texture_->Handle().Identifier());
    states.SetTextureTargetEnabled(CacheTarget(texture_->Image().NativeTextureTarget()), true);
    if (!identity) states.SetTextureMatrix(matrix);
    states.SetActiveTextureUnit(0);
  }
  applied_ = true;
}

void TGLTextureExItem::UnApply(RenderContextInfo& rci) {
  if (!applied_) return;
  applied_ = false;
  TGLStateCache& states = *rci.GLStates;
  if (textureIndex_ == 0) {
    texture_->UnApply(rci);
    states.ResetTextureMatrix();
  } else if (textureIndex_ == 1) {
    texture_->UnApplyOnSecondUnit(rci);
  } else {
    states.SetActiveTextureUnit(textureIndex_);
    states.SetTextureTargetEnabled(CacheTarget(texture_->Image().NativeTextureTarget()), false);
    states.ResetTextureMatrix();
    states.SetActiveTextureUnit(0);
  }
}

TGLTextureEx::TGLTextureEx(TPersistent* owner) : TOwnedCollection(owner, ItemClassOf<TGLTextureExItem>()) {}

TGLTextureEx::~TGLTextureEx() { Clear(); }

bool TGLTextureEx::IsTextureEnabled(int unit) const {
  for (int i = 0; i < Count(); ++i) {
    TGLTextureExItem& item = Item(i);
    if (item.TextureIndex() == unit && item.Texture().Enabled()) return true;
  }
  return false;
}

void TGLTextureEx::Apply(RenderContextInfo& rci) {
  for (int i = 0; i < Count(); ++i) Item(i).Apply(rci);
}

void TGLTextureEx::UnApply(RenderContextInfo& rci) {
  for (int i = 0; i < Count(); ++i) Item(i).UnApply(rci);
}

void TGLTextureEx::NotifyOwner() {
  if (auto* material = dynamic_cast<TGLMaterial*>(Owner())) material->NotifyMappingChange();
}

void TGLTextureEx::Update(TCollectionItem*) { NotifyOwner(); }

void TGLTexture::DefinePublished(TFiler& filer) {
  TGLUpdateAbleObject::DefinePublished(filer);
  // The class first: setting it makes the image source the values after it go to.
  DefineText(filer, "ImageClassName", ImageClassName(), [this](const std::string& v) { SetImageClassName(v); },
             "TGLPersistentImage");
  DefineObject(filer, "Image", image_.get(), [this]() -> TPersistent& { return *image_; });
  DefineEnum<TGLTextureImageAlpha>(filer, "ImageAlpha", imageAlpha_,
                                   [this](TGLTextureImageAlpha v) { SetImageAlpha(v); }, tiaDefault,
                                   tiaBottomRightPointColorTransparent);
  DefineSingle(filer, "ImageBrightness", imageBrightness_, [this](float v) { SetImageBrightness(v); }, 1);
  DefineSingle(filer, "ImageGamma", imageGamma_, [this](float v) { SetImageGamma(v); }, 1);
  DefineEnum<TGLMagFilter>(filer, "MagFilter", magFilter_, [this](TGLMagFilter v) { SetMagFilter(v); }, maLinear,
                           maLinear);
  DefineEnum<TGLMinFilter>(filer, "MinFilter", minFilter_, [this](TGLMinFilter v) { SetMinFilter(v); },
                           miLinearMipmapLinear, miLinearMipmapLinear);
  DefineEnum<TGLTextureMode>(filer, "TextureMode", textureMode_, [this](TGLTextureMode v) { SetTextureMode(v); },
                             tmDecal, tmAdd);
  DefineEnum<TGLTextureWrap>(filer, "TextureWrap", wrap_, [this](TGLTextureWrap v) { SetTextureWrap(v); }, twBoth,
                             twSeparate);
  auto wrap = [&filer](const char* name, TGLSeparateTextureWrap value, std::function<void(TGLSeparateTextureWrap)> set) {
    DefineEnum<TGLSeparateTextureWrap>(filer, name, value, set, twRepeat, twMirrorClampToBorder);
  };
  wrap("TextureWrapS", wrapS_, [this](TGLSeparateTextureWrap v) { SetTextureWrapS(v); });
  wrap("TextureWrapT", wrapT_, [this](TGLSeparateTextureWrap v) { SetTextureWrapT(v); });
  wrap("TextureWrapR", wrapR_, [this](TGLSeparateTextureWrap v) { SetTextureWrapR(v); });
  DefineEnum<TGLTextureFormat>(filer, "TextureFormat", textureFormat_,
                               [this](TGLTextureFormat v) { SetTextureFormat(v); }, TGLTextureFormat::tfDefault,
                               TGLTextureFormat::tfExtended);
  // After the format, which sets it too unless it is the extended choice.
  DefineInteger(
      filer, "TextureFormatEx", static_cast<int32_t>(textureFormatEx_),
      [this](int32_t v) { SetTextureFormatEx(static_cast<TGLInternalFormat>(v)); },
      static_cast<int32_t>(InternalFormatOfTextureFormat(textureFormat_)), 0, kInternalFormatCount - 1);
  DefineEnum<TGLInternalCompression>(filer, "Compression", compression_,
                                     [this](TGLInternalCompression v) { SetCompression(v); },
                                     TGLInternalCompression::tcDefault, TGLInternalCompression::tcHighSpeed);
  DefineEnum<TGLTextureFilteringQuality>(filer, "FilteringQuality", filteringQuality_,
                                         [this](TGLTextureFilteringQuality v) { SetFilteringQuality(v); },
                                         tfIsotropic, tfAnisotropic);
  DefineEnum<TGLTextureMappingMode>(filer, "MappingMode", mappingMode_,
                                    [this](TGLTextureMappingMode v) { SetMappingMode(v); }, tmmUser,
                                    tmmCubeMapCamera);
  DefineBoolean(filer, "Disabled", disabled_, [this](bool v) { SetDisabled(v); }, true);
  DefineSingle(filer, "NormalMapScale", normalMapScale_, [this](float v) { SetNormalMapScale(v); }, 0.125f);
  DefineObject(filer, "EnvColor", envColor_.get(), [this]() -> TPersistent& { return EnvColor(); });
  DefineObject(filer, "BorderColor", borderColor_.get(), [this]() -> TPersistent& { return BorderColor(); });
  DefineEnum<TGLTextureCompareMode>(filer, "TextureCompareMode", compareMode_,
                                    [this](TGLTextureCompareMode v) { SetTextureCompareMode(v); }, tcmNone,
                                    tcmCompareRtoTexture);
  DefineEnum<TComparisonFunction>(filer, "TextureCompareFunc", compareFunc_,
                                  [this](TComparisonFunction v) { SetTextureCompareFunc(v); }, cfLEqual, cfGEqual);
  DefineEnum<TGLDepthTextureMode>(filer, "DepthTextureMode", depthTextureMode_,
                                  [this](TGLDepthTextureMode v) { SetDepthTextureMode(v); }, dtmLuminance, dtmAlpha);
  auto plane = [&filer](const char* name, TGLCoordinates4* value, std::function<TGLCoordinates4&()> make) {
    DefineObject(filer, name, value, [make]() -> TPersistent& { return make(); }, true);
  };
  plane("MappingSCoordinates", mapS_.get(), [this]() -> TGLCoordinates4& { return MappingSCoordinates(); });
  plane("MappingTCoordinates", mapT_.get(), [this]() -> TGLCoordinates4& { return MappingTCoordinates(); });
  plane("MappingRCoordinates", mapR_.get(), [this]() -> TGLCoordinates4& { return MappingRCoordinates(); });
  plane("MappingQCoordinates", mapQ_.get(), [this]() -> TGLCoordinates4& { return MappingQCoordinates(); });
}

}  // namespace scene3d
