#include "scene3d/texture_format.h"

#include <gtest/gtest.h>

#include "scene3d/gl_constants.h"

namespace scene3d {
namespace {

using enum TGLInternalFormat;

TGLInternalFormat Format(int index) { return static_cast<TGLInternalFormat>(index); }

TEST(TextureFormat, ConstantLookupFallsBackToRGBA8AndKeepsTheTablesOddRows) {
  EXPECT_EQ(FormatOfGLConstant(0x8058), tfRGBA8);
  EXPECT_EQ(static_cast<int>(FormatOfGLConstant(0x8058)), 31);
  EXPECT_EQ(FormatOfGLConstant(0x803C), tfALPHA8);
  EXPECT_EQ(FormatOfGLConstant(0x1234), tfRGBA8) << "an unknown constant";
  EXPECT_EQ(FormatOfGLConstant(GL_COMPRESSED_RGBA), tfRGBA8) << "generic formats have no row";
  EXPECT_EQ(FormatOfGLConstant(0x8F9B), tfRGBA16_SNORM) << "the last row";
  // Every row's constant leads back to its own row: no constant is listed twice.
  for (int i = 0; i < kInternalFormatCount; ++i)
    EXPECT_EQ(FormatOfGLConstant(GLConstantOfFormat(Format(i))), Format(i)) << "row " << i;

  struct Odd {
    TGLInternalFormat format;
    uint32_t colorFormat, dataType;
  };
  const Odd odd[] = {
      {tfRGB10, GL_RGBA, 0x8036}, {tfR32F, GL_LUMINANCE, GL_FLOAT},    {tfR8_SNORM, 0x2002, GL_BYTE},
      {tfR16_SNORM, 0x2002, GL_SHORT}, {tfINTENSITY8, GL_LUMINANCE, GL_UNSIGNED_BYTE},
      {tfCOMPRESSED_RGBA_S3TC_DXT5, 0x83F3, 0x83F3}, {tfLUMINANCE8I, GL_LUMINANCE, GL_BYTE},
  };
  for (const Odd& o : odd) {
    const TClientFormat client = ClientFormatOfFormat(o.format);
    EXPECT_EQ(client.colorFormat, o.colorFormat) << static_cast<int>(o.format);
    EXPECT_EQ(client.dataType, o.dataType) << static_cast<int>(o.format);
  }
}

TEST(TextureFormat, ElementSizesFollowComponentsAndTypes) {
  const std::pair<TGLInternalFormat, int32_t> sizes[] = {
      {tfRGBA8, 4}, {tfRGB8, 3}, {tfALPHA16, 2}, {tfRGB5, 2}, {tfCOMPRESSED_RGBA_S3TC_DXT5, 16},
      {tfRGBA_FLOAT32, 16}, {tfCOMPRESSED_RGB_S3TC_DXT1, 8}, {tfRGB10, 4}, {tfR3_G3_B2, 1},
      {tfFLOAT_RGB16, 6}, {tfLUMINANCE_ALPHA16I, 4}, {tfRGBA32UI, 16}, {tfCOMPRESSED_RG_RGTC2, 16},
      {tfCOMPRESSED_LUMINANCE_ALPHA_3DC, 16}, {tfDEPTH24_STENCIL8, 1},
  };
  for (const auto& [format, size] : sizes) EXPECT_EQ(FormatElementSize(format), size) << static_cast<int>(format);
  // Formats the table never pairs this way still size by their components.
  EXPECT_EQ(PixelSizeOf(GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV), 4);
  EXPECT_EQ(PixelSizeOf(GL_BGR, GL_HALF_FLOAT), 6);
  EXPECT_EQ(PixelSizeOf(GL_BGR_INTEGER, GL_UNSIGNED_BYTE), 1) << "only the listed formats count components";
  EXPECT_EQ(PixelSizeOf(GL_RGBA, 0x9999), 1);
}

TEST(TextureFormat, FloatDepthAndCompressedClasses) {
  int floats = 0, depths = 0, compressed = 0;
  for (int i = 0; i < kInternalFormatCount; ++i) {
    floats += FormatIsFloat(Format(i));
    depths += FormatIsDepth(Format(i));
    compressed += FormatIsCompressed(Format(i));
  }
  EXPECT_EQ(floats, 27);
  EXPECT_EQ(depths, 6);
  EXPECT_EQ(compressed, 17) << "DXT, sRGB DXT, LATC, 3Dc and RGTC rows";
  EXPECT_TRUE(FormatIsFloat(tfDEPTH_COMPONENT32F) && FormatIsDepth(tfDEPTH_COMPONENT32F));
  EXPECT_TRUE(FormatIsFloat(tfR11F_G11F_B10F));
  EXPECT_FALSE(FormatIsFloat(tfRGB9_E5));
  EXPECT_TRUE(FormatIsCompressed(tfCOMPRESSED_LUMINANCE_ALPHA_3DC));

  const std::pair<TGLInternalFormat, uint32_t> generic[] = {
      {tfALPHA8, GL_COMPRESSED_ALPHA},          {tfLUMINANCE8, GL_COMPRESSED_LUMINANCE},
      {tfLUMINANCE8_ALPHA8, GL_COMPRESSED_LUMINANCE_ALPHA}, {tfINTENSITY8, GL_COMPRESSED_INTENSITY},
      {tfRGB5, GL_COMPRESSED_RGB},              {tfRGB8, GL_COMPRESSED_RGB},
      {tfRGBA8, GL_COMPRESSED_RGBA},            {tfALPHA16, GL_COMPRESSED_RGBA},
      {tfRGB4, GL_COMPRESSED_RGBA},
  };
  for (const auto& [format, constant] : generic)
    EXPECT_EQ(GenericCompressedConstant(format), constant) << static_cast<int>(format);
}

TEST(TextureFormat, TargetsByIndexAndBack) {
  for (uint8_t i = 0; i <= 10; ++i) {
    EXPECT_EQ(TargetIndexOfConstant(TargetConstantOfIndex(i)), i);
    EXPECT_EQ(TargetConstantOfIndex(i | 0x80), TargetConstantOfIndex(i)) << "the high bit is ignored";
  }
  EXPECT_EQ(TargetConstantOfIndex(0), 0x0DE0u);
  EXPECT_EQ(TargetConstantOfIndex(7), 0x8513u);
  EXPECT_EQ(TargetConstantOfIndex(10), 0x9009u);
  EXPECT_EQ(TargetConstantOfIndex(11), 0u);
  EXPECT_EQ(TargetConstantOfIndex(0x7F), 0u);
  EXPECT_EQ(TargetIndexOfConstant(GL_TEXTURE_CUBE_MAP_POSITIVE_X), 1);
  EXPECT_EQ(TargetIndexOfConstant(0), 1);
  EXPECT_FALSE(TargetHasMipmaps(GL_TEXTURE_RECTANGLE));
  EXPECT_FALSE(TargetHasMipmaps(GL_TEXTURE_2D_MULTISAMPLE_ARRAY));
  EXPECT_TRUE(TargetHasMipmaps(GL_TEXTURE_CUBE_MAP_ARRAY));
}

// Each flag opens exactly its own run of formats, and nothing opens without one.
TEST(TextureFormat, SupportFollowsTheContextsFlags) {
  using Flag = bool TextureSupportFlags::*;
  struct Run {
    Flag flag;
    int first, last;
  };
  const Run runs[] = {
      {&TextureSupportFlags::ARB_depth_texture, 4, 6},
      {&TextureSupportFlags::EXT_texture_compression_s3tc, 35, 38},
      {&TextureSupportFlags::NV_texture_shader, 39, 50},
      {&TextureSupportFlags::NV_texture_shader3, 51, 52},
      {&TextureSupportFlags::NV_float_buffer, 53, 60},
      {&TextureSupportFlags::ATI_texture_float, 61, 72},
      {&TextureSupportFlags::EXT_packed_depth_stencil, 73, 73},
      {&TextureSupportFlags::NV_depth_buffer_float, 74, 75},
      {&TextureSupportFlags::EXT_texture_sRGB, 76, 83},
      {&TextureSupportFlags::EXT_texture_shared_exponent, 84, 84},
      {&TextureSupportFlags::EXT_packed_float, 85, 85},
      {&TextureSupportFlags::EXT_texture_compression_latc, 86, 89},
      {&TextureSupportFlags::ATI_texture_compression_3dc, 90, 90},
      {&TextureSupportFlags::EXT_texture_integer, 91, 126},
      {&TextureSupportFlags::ARB_texture_rg, 127, 146},
      {&TextureSupportFlags::ARB_texture_compression_rgtc, 147, 150},
      {&TextureSupportFlags::GLVersion3_1, 151, 158},
  };
  for (const Run& run : runs) {
    TextureSupportFlags flags;
    flags.*run.flag = true;
    for (int i = 0; i < kInternalFormatCount; ++i)
      EXPECT_EQ(FormatSupported(Format(i), flags), i >= run.first && i <= run.last)
          << "run " << run.first << ", row " << i;
  }
  TextureSupportFlags gl11;
  gl11.GLVersion1_1 = true;
  for (int i = 0; i < kInternalFormatCount; ++i)
    EXPECT_EQ(FormatSupported(Format(i), gl11), i <= 3 || (i >= 7 && i <= 34)) << "row " << i;

  EXPECT_TRUE(TargetSupported(GL_TEXTURE_2D, gl11));
  EXPECT_FALSE(TargetSupported(GL_TEXTURE_3D, gl11));
  TextureSupportFlags cube;
  cube.ARB_texture_cube_map = true;
  EXPECT_TRUE(TargetSupported(GL_TEXTURE_CUBE_MAP_NEGATIVE_Z, cube));
  EXPECT_FALSE(TargetSupported(GL_TEXTURE_1D, cube));
  TextureSupportFlags object;
  object.EXT_texture_object = true;
  EXPECT_TRUE(TargetSupported(GL_TEXTURE_1D, object));
  EXPECT_FALSE(TargetSupported(0x1234, TextureSupportFlags{.GLVersion1_1 = true}));
}

// Without a context (no query registered, or the query finds none) nothing is supported.
TEST(TextureFormat, NothingIsSupportedWithoutAContext) {
  const TextureSupportQuery library = SetTextureSupportQuery(nullptr);
  EXPECT_FALSE(FormatSupported(tfRGBA8));
  EXPECT_FALSE(TargetSupported(GL_TEXTURE_2D));
  SetTextureSupportQuery([]() -> std::optional<TextureSupportFlags> { return std::nullopt; });
  EXPECT_FALSE(FormatSupported(tfRGBA8));
  SetTextureSupportQuery(
      []() -> std::optional<TextureSupportFlags> { return TextureSupportFlags{.GLVersion1_1 = true}; });
  EXPECT_TRUE(FormatSupported(tfRGBA8));
  EXPECT_TRUE(TargetSupported(GL_TEXTURE_2D));
  EXPECT_FALSE(FormatSupported(tfCOMPRESSED_RGBA_S3TC_DXT5));
  SetTextureSupportQuery(library);
}

}  // namespace
}  // namespace scene3d
