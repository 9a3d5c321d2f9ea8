// The vocabulary of texture storage: the internal formats with the OpenGL constants they stand for,
// their client-side pixel layout and size, the format classes, and the texture targets.
#pragma once

#include <cstdint>
#include <optional>

namespace scene3d {

// Storage formats a texture can ask OpenGL for, in the order of the format table.
enum class TGLInternalFormat : uint8_t {
  tfALPHA4, tfALPHA8, tfALPHA12, tfALPHA16, tfDEPTH_COMPONENT16, tfDEPTH_COMPONENT24, tfDEPTH_COMPONENT32,
  tfLUMINANCE4, tfLUMINANCE8, tfLUMINANCE12, tfLUMINANCE16, tfLUMINANCE4_ALPHA4, tfLUMINANCE6_ALPHA2,
  tfLUMINANCE8_ALPHA8, tfLUMINANCE12_ALPHA4, tfLUMINANCE12_ALPHA12, tfLUMINANCE16_ALPHA16, tfINTENSITY4,
  tfINTENSITY8, tfINTENSITY12, tfINTENSITY16, tfR3_G3_B2, tfRGB4, tfRGB5, tfRGB8, tfRGB10, tfRGB12,
  tfR16G16B16, tfRGBA2, tfRGBA4, tfRGB5_A1, tfRGBA8, tfRGB10_A2, tfRGBA12, tfR16G16B16A16,
  tfCOMPRESSED_RGB_S3TC_DXT1, tfCOMPRESSED_RGBA_S3TC_DXT1, tfCOMPRESSED_RGBA_S3TC_DXT3,
  tfCOMPRESSED_RGBA_S3TC_DXT5, tfSIGNED_LUMINANCE8, tfSIGNED_LUMINANCE8_ALPHA8, tfSIGNED_RGB8,
  tfSIGNED_RGBA8, tfSIGNED_RGB8_UNSIGNED_ALPHA8, tfSIGNED_ALPHA8, tfSIGNED_INTENSITY8, tfHILO16,
  tfSIGNED_HILO16, tfDSDT8, tfDSDT8_MAG8, tfDSDT8_MAG8_INTENSITY8, tfHILO8, tfSIGNED_HILO8, tfFLOAT_R16,
  tfFLOAT_R32, tfFLOAT_RG16, tfFLOAT_RGB16, tfFLOAT_RGBA16, tfFLOAT_RG32, tfFLOAT_RGB32, tfFLOAT_RGBA32,
  tfRGBA_FLOAT32, tfRGB_FLOAT32, tfALPHA_FLOAT32, tfINTENSITY_FLOAT32, tfLUMINANCE_FLOAT32,
  tfLUMINANCE_ALPHA_FLOAT32, tfRGBA_FLOAT16, tfRGB_FLOAT16, tfALPHA_FLOAT16, tfINTENSITY_FLOAT16,
  tfLUMINANCE_FLOAT16, tfLUMINANCE_ALPHA_FLOAT16, tfDEPTH24_STENCIL8, tfDEPTH_COMPONENT32F,
  tfDEPTH32F_STENCIL8, tfSRGB8, tfSRGB8_ALPHA8, tfSLUMINANCE8, tfSLUMINANCE8_ALPHA8,
  tfCOMPRESSED_SRGB_S3TC_DXT1, tfCOMPRESSED_SRGB_ALPHA_S3TC_DXT1, tfCOMPRESSED_SRGB_ALPHA_S3TC_DXT3,
  tfCOMPRESSED_SRGB_ALPHA_S3TC_DXT5, tfRGB9_E5, tfR11F_G11F_B10F, tfCOMPRESSED_LUMINANCE_LATC1,
  tfCOMPRESSED_SIGNED_LUMINANCE_LATC1, tfCOMPRESSED_LUMINANCE_ALPHA_LATC2,
  tfCOMPRESSED_SIGNED_LUMINANCE_ALPHA_LATC2, tfCOMPRESSED_LUMINANCE_ALPHA_3DC, tfRGBA32UI, tfRGB32UI,
  tfALPHA32UI, tfINTENSITY32UI, tfLUMINANCE32UI, tfLUMINANCE_ALPHA32UI, tfRGBA16UI, tfRGB16UI, tfALPHA16UI,
  tfINTENSITY16UI, tfLUMINANCE16UI, tfLUMINANCE_ALPHA16UI, tfRGBA8UI, tfRGB8UI, tfALPHA8UI, tfINTENSITY8UI,
  tfLUMINANCE8UI, tfLUMINANCE_ALPHA8UI, tfRGBA32I, tfRGB32I, tfALPHA32I, tfINTENSITY32I, tfLUMINANCE32I,
  tfLUMINANCE_ALPHA32I, tfRGBA16I, tfRGB16I, tfALPHA16I, tfINTENSITY16I, tfLUMINANCE16I,
  tfLUMINANCE_ALPHA16I, tfRGBA8I, tfRGB8I, tfALPHA8I, tfINTENSITY8I, tfLUMINANCE8I, tfLUMINANCE_ALPHA8I,
  tfRG32UI, tfR32UI, tfRG16UI, tfR16UI, tfRG8UI, tfR8UI, tfRG32I, tfR32I, tfRG16I, tfR16I, tfRG8I, tfR8I,
  tfRG8, tfR8, tfRG16, tfR16, tfRG16F, tfR16F, tfRG32F, tfR32F, tfCOMPRESSED_RED_RGTC1,
  tfCOMPRESSED_SIGNED_RED_RGTC1, tfCOMPRESSED_RG_RGTC2, tfCOMPRESSED_SIGNED_RG_RGTC2, tfR8_SNORM,
  tfRG8_SNORM, tfRGB8_SNORM, tfRGBA8_SNORM, tfR16_SNORM, tfRG16_SNORM, tfRGB16_SNORM, tfRGBA16_SNORM,
};
inline constexpr int kInternalFormatCount = 159;

// A texture's compression request.
enum class TGLInternalCompression : uint8_t { tcDefault, tcNone, tcStandard, tcHighQuality, tcHighSpeed };

// A texture's published format choice.
enum class TGLTextureFormat : uint8_t {
  tfDefault, tfRGB, tfRGBA, tfRGB16, tfRGBA16, tfAlpha, tfLuminance, tfLuminanceAlpha, tfIntensity,
  tfNormalMap, tfRGBAFloat16, tfRGBAFloat32, tfExtended,
};

// The client-side layout of a format's pixels: OpenGL base format and data type.
struct TClientFormat {
  uint32_t colorFormat = 0;
  uint32_t dataType = 0;
};

uint32_t GLConstantOfFormat(TGLInternalFormat format);
// The first format whose internal format is the constant; tfRGBA8 when none is.
TGLInternalFormat FormatOfGLConstant(uint32_t glConstant);
TClientFormat ClientFormatOfFormat(TGLInternalFormat format);
// Bytes per pixel, or per 4x4 block of a compressed format.
int32_t FormatElementSize(TGLInternalFormat format);
int32_t PixelSizeOf(uint32_t colorFormat, uint32_t dataType);
bool FormatIsFloat(TGLInternalFormat format);
bool FormatIsDepth(TGLInternalFormat format);
bool FormatIsCompressed(TGLInternalFormat format);
// The driver-chosen compressed format that suits the format's channels.
uint32_t GenericCompressedConstant(TGLInternalFormat format);

// The OpenGL version and extension flags of a context that decide which formats and targets it can
// hold; the names are those of the entry-point table's flags.
struct TextureSupportFlags {
  bool GLVersion1_1 = false;
  bool GLVersion3_1 = false;
  bool ARB_depth_texture = false;
  bool EXT_texture_compression_s3tc = false;
  bool NV_texture_shader = false;
  bool NV_texture_shader3 = false;
  bool NV_float_buffer = false;
  bool ATI_texture_float = false;
  bool EXT_packed_depth_stencil = false;
  bool NV_depth_buffer_float = false;
  bool EXT_texture_sRGB = false;
  bool EXT_texture_shared_exponent = false;
  bool EXT_packed_float = false;
  bool EXT_texture_compression_latc = false;
  bool ATI_texture_compression_3dc = false;
  bool EXT_texture_integer = false;
  bool ARB_texture_rg = false;
  bool ARB_texture_compression_rgtc = false;
  bool EXT_texture_object = false;
  bool EXT_texture3D = false;
  bool ARB_texture_rectangle = false;
  bool ARB_texture_cube_map = false;
  bool EXT_texture_array = false;
  bool ARB_texture_buffer_object = false;
  bool ARB_texture_cube_map_array = false;
  bool ARB_texture_multisample = false;
};

// The entry-point table registers how to read the current context's flags when its library starts
// (and removes it at its end); the query answers nullopt while no context is current. Without a
// query nothing is supported. Answers the query it replaces, so a test can put it back.
using TextureSupportQuery = std::optional<TextureSupportFlags> (*)();
TextureSupportQuery SetTextureSupportQuery(TextureSupportQuery query);

// Against the current context (false without one), or against given flags.
bool FormatSupported(TGLInternalFormat format);
bool FormatSupported(TGLInternalFormat format, const TextureSupportFlags& flags);
bool TargetSupported(uint32_t target);
bool TargetSupported(uint32_t target, const TextureSupportFlags& flags);

// Texture targets by their stored index (the high bit is ignored); an index past the list gives 0.
uint32_t TargetConstantOfIndex(uint8_t index);
// Any constant other than the eleven targets, cube-map faces included, gives the 2D index 1.
uint8_t TargetIndexOfConstant(uint32_t target);
bool TargetHasMipmaps(uint32_t target);

}  // namespace scene3d
