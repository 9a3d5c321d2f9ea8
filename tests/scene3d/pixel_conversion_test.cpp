#include "scene3d/pixel_conversion.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <limits>
#include <vector>

#include "scene3d/gl_constants.h"

namespace scene3d {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes U16(uint16_t v) { return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)}; }
Bytes U32(uint32_t v) {
  return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
          static_cast<uint8_t>(v >> 24)};
}
Bytes F32(std::initializer_list<float> values) {
  Bytes out;
  for (float f : values) {
    const Bytes b = U32(std::bit_cast<uint32_t>(f));
    out.insert(out.end(), b.begin(), b.end());
  }
  return out;
}

Bytes ToRGBA8(const Bytes& source, uint32_t colorFormat, uint32_t dataType, int32_t width = 1, int32_t height = 1) {
  Bytes out(static_cast<size_t>(width) * height * 4, 0xEE);
  ConvertImage(source, out, colorFormat, width, height, GL_UNSIGNED_BYTE, dataType, GL_RGBA);
  return out;
}

// Every decoder writes its components in their order onto the 8-bit scale; a format without alpha
// decodes opaque.
TEST(PixelConversion, DecodersReachTheEightBitScale) {
  struct Case {
    const char* what;
    uint32_t colorFormat, dataType;
    Bytes source;
    Bytes rgba;
  };
  const Case cases[] = {
      {"RGBA", GL_RGBA, GL_UNSIGNED_BYTE, {10, 20, 30, 40}, {10, 20, 30, 40}},
      {"RGB opaque", GL_RGB, GL_UNSIGNED_BYTE, {10, 20, 30}, {10, 20, 30, 255}},
      {"BGR opaque", GL_BGR, GL_UNSIGNED_BYTE, {10, 20, 30}, {30, 20, 10, 255}},
      {"BGRA", GL_BGRA, GL_UNSIGNED_BYTE, {10, 20, 30, 40}, {30, 20, 10, 40}},
      {"luminance", GL_LUMINANCE, GL_UNSIGNED_BYTE, {77}, {77, 77, 77, 255}},
      {"luminance alpha", GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE, {77, 9}, {77, 77, 77, 9}},
      {"intensity", GL_INTENSITY, GL_UNSIGNED_BYTE, {77}, {77, 77, 77, 77}},
      {"alpha", GL_ALPHA, GL_UNSIGNED_BYTE, {77}, {0, 0, 0, 77}},
      {"red", GL_RED, GL_UNSIGNED_BYTE, {77}, {77, 0, 0, 255}},
      {"green", GL_GREEN, GL_UNSIGNED_BYTE, {77}, {0, 77, 0, 255}},
      {"blue integer", GL_BLUE_INTEGER, GL_UNSIGNED_BYTE, {77}, {0, 0, 77, 255}},
      {"RG", GL_RG, GL_UNSIGNED_BYTE, {5, 6}, {5, 6, 0, 255}},
      {"BGR integer", GL_BGR_INTEGER, GL_UNSIGNED_BYTE, {1, 2, 3}, {3, 2, 1, 255}},
      {"signed bytes", GL_RGBA, GL_BYTE, {0xFB, 127, 0, 100}, {0, 127, 0, 100}},
      {"ushort / 256", GL_LUMINANCE, GL_UNSIGNED_SHORT, U16(0x8000), {128, 128, 128, 255}},
      {"ushort top", GL_RED, GL_UNSIGNED_SHORT, U16(0xFFFF), {255, 0, 0, 255}},
      {"short / 256", GL_RED, GL_SHORT, U16(0x4000), {64, 0, 0, 255}},
      {"uint / 2^24", GL_RED, GL_UNSIGNED_INT, U32(0x80000000), {128, 0, 0, 255}},
      {"int / 2^24", GL_RED, GL_INT, U32(0x40000000), {64, 0, 0, 255}},
      {"float x 255", GL_RGBA, GL_FLOAT, F32({0.5f, 1.0f, -1.0f, 2.0f}), {128, 255, 0, 255}},
      {"half 0.5", GL_RED, GL_HALF_FLOAT, U16(0x3800), {128, 0, 0, 255}},
      {"half 1/3", GL_RED, GL_HALF_FLOAT, U16(0x3555), {85, 0, 0, 255}},
      {"half subnormal", GL_RED, GL_HALF_FLOAT, U16(0x0001), {0, 0, 0, 255}},
      {"half infinity", GL_RED, GL_HALF_FLOAT, U16(0x7C00), {255, 0, 0, 255}},
      {"half NaN", GL_RED, GL_HALF_FLOAT, U16(0x7E00), {0, 0, 0, 255}},
      {"half -1", GL_RED, GL_HALF_FLOAT, U16(0xBC00), {0, 0, 0, 255}},
      {"5-6-5 red", GL_RGB, GL_UNSIGNED_SHORT_5_6_5, U16(0xF800), {248, 0, 0, 255}},
      {"5-6-5 green", GL_RGB, GL_UNSIGNED_SHORT_5_6_5, U16(0x07E0), {0, 252, 0, 255}},
      {"5-6-5 as BGR", GL_BGR, GL_UNSIGNED_SHORT_5_6_5, U16(0xF800), {0, 0, 248, 255}},
      {"5-6-5 reversed", GL_RGB, GL_UNSIGNED_SHORT_5_6_5_REV, U16(0x001F), {248, 0, 0, 255}},
      {"3-3-2", GL_RGB, GL_UNSIGNED_BYTE_3_3_2, {0xE3}, {224, 0, 192, 255}},
      {"2-3-3 reversed", GL_RGB, GL_UNSIGNED_BYTE_2_3_3_REV, {0x07}, {224, 0, 0, 255}},
      {"4-4-4-4", GL_RGBA, GL_UNSIGNED_SHORT_4_4_4_4, U16(0x1234), {16, 32, 48, 64}},
      {"4-4-4-4 reversed", GL_RGBA, GL_UNSIGNED_SHORT_4_4_4_4_REV, U16(0x1234), {64, 48, 32, 16}},
      {"5-5-5-1", GL_RGBA, GL_UNSIGNED_SHORT_5_5_5_1, U16(0x0001), {0, 0, 0, 128}},
      {"1-5-5-5 reversed", GL_RGBA, GL_UNSIGNED_SHORT_1_5_5_5_REV, U16(0x801F), {248, 0, 0, 128}},
      {"8-8-8-8", GL_RGBA, GL_UNSIGNED_INT_8_8_8_8, U32(0x11223344), {0x11, 0x22, 0x33, 0x44}},
      {"8-8-8-8 reversed", GL_RGBA, GL_UNSIGNED_INT_8_8_8_8_REV, U32(0x11223344), {0x44, 0x33, 0x22, 0x11}},
      {"8-8-8-8 reversed BGRA", GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, U32(0x11223344), {0x22, 0x33, 0x44, 0x11}},
      {"BGRA integer packed", GL_BGRA_INTEGER, GL_UNSIGNED_INT_8_8_8_8_REV, U32(0x11223344), {0x22, 0x33, 0x44, 0x11}},
      // 10-bit fields are quarters (1023 is 255.75, clamped); 2-bit alpha counts in 64s.
      {"10-10-10-2", GL_RGBA, GL_UNSIGNED_INT_10_10_10_2, U32((1023u << 22) | (512u << 12) | 3u), {255, 128, 0, 192}},
      {"2-10-10-10 reversed", GL_RGBA, GL_UNSIGNED_INT_2_10_10_10_REV, U32((1u << 30) | 400u), {100, 0, 0, 64}},
  };
  for (const Case& c : cases) EXPECT_EQ(ToRGBA8(c.source, c.colorFormat, c.dataType), c.rgba) << c.what;
}

int64_t StoredValue(const Bytes& b, uint32_t dataType) {
  switch (dataType) {
    case GL_UNSIGNED_BYTE: return b[0];
    case GL_BYTE: return static_cast<int8_t>(b[0]);
    case GL_UNSIGNED_SHORT: return static_cast<uint16_t>(b[0] | b[1] << 8);
    case GL_SHORT: return static_cast<int16_t>(b[0] | b[1] << 8);
    case GL_UNSIGNED_INT: return b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24;
    default: return static_cast<int32_t>(b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24);
  }
}

// Encoders clamp to the type's range (the 32-bit ones to their maximum, not one past it, which would
// wrap to 0), round half to even, and scale the wide types back by what their decoders divide by.
TEST(PixelConversion, EncodersClampRoundAndScale) {
  struct Case {
    const char* what;
    uint32_t sourceType;
    Bytes source;  // one red value
    uint32_t type;
    int64_t stored;
  };
  const Case cases[] = {
      {"byte over", GL_FLOAT, F32({300 / 255.0f}), GL_UNSIGNED_BYTE, 255},
      {"byte under", GL_FLOAT, F32({-1}), GL_UNSIGNED_BYTE, 0},
      {"half to even, up", GL_UNSIGNED_SHORT, U16(32640), GL_UNSIGNED_BYTE, 128},   // 127.5
      {"half to even, down", GL_UNSIGNED_SHORT, U16(32384), GL_UNSIGNED_BYTE, 126},  // 126.5
      {"signed byte low", GL_FLOAT, F32({-1}), GL_BYTE, -127},
      {"signed byte high", GL_UNSIGNED_BYTE, {200}, GL_BYTE, 127},
      {"ushort scaled", GL_UNSIGNED_BYTE, {200}, GL_UNSIGNED_SHORT, 51200},
      {"ushort over", GL_FLOAT, F32({2}), GL_UNSIGNED_SHORT, 65535},
      {"short scaled", GL_UNSIGNED_BYTE, {100}, GL_SHORT, 25600},
      {"short low", GL_FLOAT, F32({-1}), GL_SHORT, -32767},
      {"uint scaled", GL_UNSIGNED_BYTE, {200}, GL_UNSIGNED_INT, 200LL * 16777216},
      {"uint over", GL_FLOAT, F32({1e10f}), GL_UNSIGNED_INT, 4294967295LL},
      {"int over", GL_FLOAT, F32({1e10f}), GL_INT, 2147483647LL},
      {"int under", GL_FLOAT, F32({-1e10f}), GL_INT, -2147483648LL},
      {"NaN", GL_FLOAT, F32({std::numeric_limits<float>::quiet_NaN()}), GL_UNSIGNED_INT, 0},
  };
  for (const Case& c : cases) {
    Bytes out(4, 0xEE);
    ConvertImage(c.source, out, GL_RED, 1, 1, c.type, c.sourceType, GL_RED);
    EXPECT_EQ(StoredValue(out, c.type), c.stored) << c.what;
  }

  // Round trips through the wide types give every byte value back.
  Bytes ramp(256);
  for (int i = 0; i < 256; ++i) ramp[i] = static_cast<uint8_t>(i);
  for (uint32_t wide : {GL_UNSIGNED_SHORT, GL_UNSIGNED_INT}) {
    Bytes middle(256 * 4), back(256);
    ConvertImage(ramp, middle, GL_LUMINANCE, 256, 1, wide, GL_UNSIGNED_BYTE, GL_LUMINANCE);
    ConvertImage(middle, back, GL_LUMINANCE, 256, 1, GL_UNSIGNED_BYTE, wide, GL_LUMINANCE);
    EXPECT_EQ(back, ramp) << wide;
  }

  // The integer base formats keep what they are given, wrapped into the type.
  Bytes out(1);
  ConvertImage(F32({300 / 255.0f}), out, GL_RED, 1, 1, GL_UNSIGNED_BYTE, GL_FLOAT, GL_RED_INTEGER);
  EXPECT_EQ(out[0], 300 - 256);
}

TEST(PixelConversion, LuminanceIsTheMeanOfTheColours) {
  Bytes out(1);
  ConvertImage(Bytes{200, 100, 0}, out, GL_RGB, 1, 1, GL_UNSIGNED_BYTE, GL_UNSIGNED_BYTE, GL_LUMINANCE);
  EXPECT_EQ(out[0], 100);
  Bytes la(2);
  ConvertImage(Bytes{30, 60, 90, 7}, la, GL_RGBA, 1, 1, GL_UNSIGNED_BYTE, GL_UNSIGNED_BYTE, GL_LUMINANCE_ALPHA);
  EXPECT_EQ(la, (Bytes{60, 7}));
  ConvertImage(Bytes{30, 60, 91, 7}, out, GL_RGBA, 1, 1, GL_UNSIGNED_BYTE, GL_UNSIGNED_BYTE, GL_INTENSITY);
  EXPECT_EQ(out[0], 60) << "60.33 rounds down";
  Bytes bgr(3);
  ConvertImage(Bytes{1, 2, 3, 4}, bgr, GL_RGBA, 1, 1, GL_UNSIGNED_BYTE, GL_UNSIGNED_BYTE, GL_BGR);
  EXPECT_EQ(bgr, (Bytes{3, 2, 1}));
}

// Conversions cover whole images in strips; a picture taller than one strip comes out the same as
// pixel by pixel.
TEST(PixelConversion, LargeImagesConvertWhole) {
  const int32_t w = 300, h = 700;
  Bytes bgr(static_cast<size_t>(w) * h * 3);
  for (size_t i = 0; i < bgr.size(); ++i) bgr[i] = static_cast<uint8_t>(i * 7 + i / 1000);
  const Bytes rgba = ToRGBA8(bgr, GL_BGR, GL_UNSIGNED_BYTE, w, h);
  for (size_t p = 0; p < static_cast<size_t>(w) * h; ++p) {
    const Bytes expected = {bgr[3 * p + 2], bgr[3 * p + 1], bgr[3 * p], 255};
    if (!std::equal(expected.begin(), expected.end(), rgba.begin() + 4 * p)) FAIL() << "pixel " << p;
  }
}

TEST(PixelConversion, RefusalsLeaveTheDestinationAlone) {
  struct Case {
    const char* what;
    uint32_t sourceFormat, sourceType, destinationFormat, destinationType;
    const char* message;
  };
  const Case cases[] = {
      {"to float", GL_RGBA, GL_UNSIGNED_BYTE, GL_RGBA, GL_FLOAT, kUnimplementedConversionText},
      {"to half", GL_RGBA, GL_UNSIGNED_BYTE, GL_RGBA, GL_HALF_FLOAT, kUnimplementedConversionText},
      {"to packed", GL_RGB, GL_UNSIGNED_BYTE, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, kUnimplementedConversionText},
      {"from sRGB DXT1", GL_COMPRESSED_SRGB_S3TC_DXT1_EXT, GL_COMPRESSED_SRGB_S3TC_DXT1_EXT, GL_RGBA,
       GL_UNSIGNED_BYTE, kUnimplementedConversionText},
      {"from 3Dc", GL_COMPRESSED_LUMINANCE_ALPHA_3DC_ATI, GL_COMPRESSED_LUMINANCE_ALPHA_3DC_ATI, GL_RGBA,
       GL_UNSIGNED_BYTE, kUnimplementedConversionText},
      {"unknown type", GL_RGBA, 0x9999, GL_RGBA, GL_UNSIGNED_BYTE, kUnimplementedConversionText},
      {"depth", GL_DEPTH_COMPONENT, GL_UNSIGNED_BYTE, GL_RGBA, GL_UNSIGNED_BYTE, kInvalidDataTypeText},
      {"to the SNORM rows' 0x2002", GL_RGBA, GL_UNSIGNED_BYTE, 0x2002, GL_BYTE, kInvalidDataTypeText},
      {"5-6-5 as RGBA", GL_RGBA, GL_UNSIGNED_SHORT_5_6_5, GL_RGBA, GL_UNSIGNED_BYTE, kInvalidDataTypeText},
      {"4-4-4-4 as RGB", GL_RGB, GL_UNSIGNED_SHORT_4_4_4_4, GL_RGBA, GL_UNSIGNED_BYTE, kInvalidDataTypeText},
      {"3-3-2 as RGB integer", GL_RGB_INTEGER, GL_UNSIGNED_BYTE_3_3_2, GL_RGBA, GL_UNSIGNED_BYTE,
       kInvalidDataTypeText},
  };
  const Bytes source(64, 9);
  for (const Case& c : cases) {
    Bytes out(64, 0xAB);
    try {
      ConvertImage(source, out, c.sourceFormat, 2, 2, c.destinationType, c.sourceType, c.destinationFormat);
      ADD_FAILURE() << c.what << ": no exception";
    } catch (const EGLImageUtils& e) {
      EXPECT_STREQ(e.what(), c.message) << c.what;
    }
    EXPECT_EQ(out, Bytes(64, 0xAB)) << c.what;
  }

  // Blocks shorter than their image are refused before anything is read or written.
  Bytes out(12, 0xAB);
  EXPECT_THROW(ConvertImage(Bytes(8), out, GL_RGB, 3, 1, GL_UNSIGNED_BYTE, GL_UNSIGNED_BYTE, GL_RGBA), EGLImageUtils);
  EXPECT_THROW(ConvertImage(Bytes(9), out, GL_RGB, 4, 1, GL_UNSIGNED_BYTE, GL_UNSIGNED_BYTE, GL_RGBA), EGLImageUtils);
  EXPECT_THROW(ConvertImage(Bytes(7), out, GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, 1, 1, GL_UNSIGNED_BYTE,
                            GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, GL_RGBA), EGLImageUtils);
  EXPECT_EQ(out, Bytes(12, 0xAB));

  // No width, nothing done; no height counts as one row.
  ConvertImage(Bytes(3), out, GL_RGB, 0, 5, GL_UNSIGNED_BYTE, GL_UNSIGNED_BYTE, GL_RGBA);
  EXPECT_EQ(out, Bytes(12, 0xAB));
  ConvertImage(Bytes{1, 2, 3}, out, GL_RGB, 1, 0, GL_UNSIGNED_BYTE, GL_UNSIGNED_BYTE, GL_RGBA);
  EXPECT_EQ(out, (Bytes{1, 2, 3, 255, 0xAB, 0xAB, 0xAB, 0xAB, 0xAB, 0xAB, 0xAB, 0xAB}));
}

TEST(PixelConversion, SizesAndTheSquareRootTable) {
  EXPECT_EQ(ImageSizeInBytes(GL_RGB, GL_UNSIGNED_BYTE, 3, 3), 27u);
  EXPECT_EQ(ImageSizeInBytes(GL_BGR_INTEGER, GL_UNSIGNED_SHORT, 2, 1), 12u);
  EXPECT_EQ(ImageSizeInBytes(GL_RGBA, GL_UNSIGNED_SHORT_4_4_4_4, 5, 2), 20u);
  EXPECT_EQ(ImageSizeInBytes(GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, 5, 5), 32u);
  EXPECT_EQ(ImageSizeInBytes(GL_COMPRESSED_RG_RGTC2, GL_COMPRESSED_RG_RGTC2, 2, 2), 16u);
  EXPECT_EQ(ImageSizeInBytes(GL_RGBA, GL_FLOAT, 0, 5), 0u);
  EXPECT_EQ(ImageSizeInBytes(GL_RGBA, GL_FLOAT, 2147483647, 2147483647), std::numeric_limits<uint64_t>::max());

  const std::array<uint8_t, 256>& t = SqrtIntensityTable();
  EXPECT_EQ(t[0], 0);
  EXPECT_EQ(t[1], 16);   // sqrt(1/255)·255 = 15.97
  EXPECT_EQ(t[64], 128);  // 127.75
  EXPECT_EQ(t[255], 255);
  EXPECT_TRUE(std::is_sorted(t.begin(), t.end()));
}

}  // namespace
}  // namespace scene3d
