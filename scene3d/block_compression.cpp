#include "scene3d/block_compression.h"

#include <algorithm>

#include "scene3d/gl_constants.h"
#include "scene3d/texture_format.h"

namespace scene3d {

namespace {

using Block = const uint8_t*;

uint16_t Le16(Block b) { return static_cast<uint16_t>(b[0] | (b[1] << 8)); }
uint32_t Le32(Block b) { return Le16(b) | (static_cast<uint32_t>(Le16(b + 2)) << 16); }
uint64_t Le48(Block b) { return Le32(b) | (static_cast<uint64_t>(Le16(b + 4)) << 32); }

// 16 pixels in row order, each red, green, blue, alpha.
using BlockPixels = TVector4f[16];

// A 5:6:5 endpoint widened by shifting only, as the working image's 8-bit scale expects.
struct Rgb {
  int r, g, b;
};
Rgb Expand565(uint16_t c) { return {((c >> 11) & 31) << 3, ((c >> 5) & 63) << 2, (c & 31) << 3}; }

TVector4f Colour(const Rgb& c, float alpha) {
  return {static_cast<float>(c.r), static_cast<float>(c.g), static_cast<float>(c.b), alpha};
}

// The colour half of a DXT block. DXT1 switches to three colours and a transparent fourth when the
// first endpoint is not above the second; DXT3 and DXT5 always take four colours.
void DecodeColourBlock(Block b, bool dxt1, BlockPixels& out) {
  const uint16_t c0 = Le16(b);
  const uint16_t c1 = Le16(b + 2);
  const Rgb e0 = Expand565(c0);
  const Rgb e1 = Expand565(c1);
  const Rgb third = {(e0.r + 2 * e1.r + 1) / 3, (e0.g + 2 * e1.g + 1) / 3, (e0.b + 2 * e1.b + 1) / 3};
  TVector4f palette[4];
  palette[0] = Colour(e0, 255);
  palette[1] = Colour(e1, 255);
  if (!dxt1 || c1 < c0) {
    palette[2] = Colour({(2 * e0.r + e1.r + 1) / 3, (2 * e0.g + e1.g + 1) / 3, (2 * e0.b + e1.b + 1) / 3}, 255);
    palette[3] = Colour(third, 255);
  } else {
    palette[2] = Colour({(e0.r + e1.r) / 2, (e0.g + e1.g) / 2, (e0.b + e1.b) / 2}, 255);
    palette[3] = Colour(third, 0);
  }
  const uint32_t indices = Le32(b + 4);
  for (int p = 0; p < 16; ++p) out[p] = palette[(indices >> (2 * p)) & 3];
}

// One channel coded like DXT5 alpha: two endpoints, six or four interpolated values between them and
// 3-bit indices. Signed forms read signed endpoints, and their extremes are -127 and 127.
void DecodeChannelBlock(Block b, bool isSigned, float (&out)[16]) {
  const int a0 = isSigned ? static_cast<int8_t>(b[0]) : b[0];
  const int a1 = isSigned ? static_cast<int8_t>(b[1]) : b[1];
  int values[8] = {a0, a1};
  if (a0 > a1) {
    values[2] = (6 * a0 + a1 + 3) / 7;
    for (int j = 0; j <= 4; ++j) values[3 + j] = ((5 - j) * a0 + (j + 2) * a1 + 3) / 7;
  } else {
    values[2] = (4 * a0 + a1 + 2) / 5;
    values[3] = (3 * a0 + 2 * a1 + 2) / 5;
    values[4] = (2 * a0 + 3 * a1 + 2) / 5;
    values[5] = (a0 + 4 * a1 + 2) / 5;
    values[6] = isSigned ? -127 : 0;
    values[7] = isSigned ? 127 : 255;
  }
  const uint64_t indices = Le48(b + 2);
  for (int p = 0; p < 16; ++p) out[p] = static_cast<float>(values[(indices >> (3 * p)) & 7]);
}

enum class Channel { Red, Green, Luminance, Alpha };

void PutChannel(const float (&values)[16], Channel channel, BlockPixels& out) {
  for (int p = 0; p < 16; ++p) {
    switch (channel) {
      case Channel::Red: out[p].x = values[p]; break;
      case Channel::Green: out[p].y = values[p]; break;
      case Channel::Luminance: out[p].x = out[p].y = out[p].z = values[p]; break;
      case Channel::Alpha: out[p].w = values[p]; break;
    }
  }
}

void DecodeBlock(Block b, uint32_t dataType, BlockPixels& out) {
  float channel[16];
  switch (dataType) {
    case GL_COMPRESSED_RGB_S3TC_DXT1_EXT:
    case GL_COMPRESSED_RGBA_S3TC_DXT1_EXT:
      DecodeColourBlock(b, true, out);
      return;
    case GL_COMPRESSED_RGBA_S3TC_DXT3_EXT: {
      DecodeColourBlock(b + 8, false, out);
      for (int p = 0; p < 16; ++p) out[p].w = static_cast<float>(((b[p / 2] >> (4 * (p & 1))) & 15) * 17);
      return;
    }
    case GL_COMPRESSED_RGBA_S3TC_DXT5_EXT:
      DecodeColourBlock(b + 8, false, out);
      DecodeChannelBlock(b, false, channel);
      PutChannel(channel, Channel::Alpha, out);
      return;
    default:
      break;
  }
  // The one- and two-channel types: opaque, with the channels they lack at 0.
  for (TVector4f& p : out) p = {0, 0, 0, 255};
  const bool isSigned = dataType == GL_COMPRESSED_SIGNED_LUMINANCE_LATC1_EXT ||
                        dataType == GL_COMPRESSED_SIGNED_LUMINANCE_ALPHA_LATC2_EXT ||
                        dataType == GL_COMPRESSED_SIGNED_RED_RGTC1 || dataType == GL_COMPRESSED_SIGNED_RG_RGTC2;
  const bool latc = dataType == GL_COMPRESSED_LUMINANCE_LATC1_EXT ||
                    dataType == GL_COMPRESSED_SIGNED_LUMINANCE_LATC1_EXT ||
                    dataType == GL_COMPRESSED_LUMINANCE_ALPHA_LATC2_EXT ||
                    dataType == GL_COMPRESSED_SIGNED_LUMINANCE_ALPHA_LATC2_EXT;
  DecodeChannelBlock(b, isSigned, channel);
  PutChannel(channel, latc ? Channel::Luminance : Channel::Red, out);
  if (CompressedBlockBytes(dataType) == 16) {
    DecodeChannelBlock(b + 8, isSigned, channel);
    PutChannel(channel, latc ? Channel::Alpha : Channel::Green, out);
  }
}

}  // namespace

int32_t CompressedBlockBytes(uint32_t dataType) {
  switch (dataType) {
    case GL_COMPRESSED_RGB_S3TC_DXT1_EXT: case GL_COMPRESSED_RGBA_S3TC_DXT1_EXT:
    case GL_COMPRESSED_RGBA_S3TC_DXT3_EXT: case GL_COMPRESSED_RGBA_S3TC_DXT5_EXT:
    case GL_COMPRESSED_LUMINANCE_LATC1_EXT: case GL_COMPRESSED_SIGNED_LUMINANCE_LATC1_EXT:
    case GL_COMPRESSED_LUMINANCE_ALPHA_LATC2_EXT: case GL_COMPRESSED_SIGNED_LUMINANCE_ALPHA_LATC2_EXT:
    case GL_COMPRESSED_RED_RGTC1: case GL_COMPRESSED_SIGNED_RED_RGTC1:
    case GL_COMPRESSED_RG_RGTC2: case GL_COMPRESSED_SIGNED_RG_RGTC2:
      return PixelSizeOf(dataType, dataType);
    default:
      return 0;
  }
}

void DecodeCompressedRows(std::span<const uint8_t> source, uint32_t dataType, int32_t width, int32_t firstRow,
                          int32_t rowCount, TVector4f* out) {
  const size_t blockBytes = static_cast<size_t>(CompressedBlockBytes(dataType));
  const size_t blocksPerRow = (static_cast<size_t>(width) + 3) / 4;
  BlockPixels pixels;
  for (int32_t y0 = 0; y0 < rowCount; y0 += 4) {
    const size_t blockRow = static_cast<size_t>(firstRow + y0) / 4;
    const int32_t rows = std::min(4, rowCount - y0);
    for (size_t bx = 0; bx < blocksPerRow; ++bx) {
      DecodeBlock(source.data() + (blockRow * blocksPerRow + bx) * blockBytes, dataType, pixels);
      const int32_t x0 = static_cast<int32_t>(bx * 4);
      const int32_t columns = std::min(4, width - x0);
      for (int32_t y = 0; y < rows; ++y)
        for (int32_t x = 0; x < columns; ++x)
          out[static_cast<size_t>(y0 + y) * width + x0 + x] = pixels[4 * y + x];
    }
  }
}

}  // namespace scene3d
