#include "scene3d/block_compression.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "scene3d/gl_constants.h"
#include "scene3d/pixel_conversion.h"

namespace scene3d {
namespace {

using Bytes = std::vector<uint8_t>;
using Rgba = std::array<int, 4>;

// A DXT colour block: two 5:6:5 endpoints and the 2-bit index of each pixel in row order.
Bytes ColourBlock(uint16_t c0, uint16_t c1, const std::array<int, 16>& index) {
  uint32_t bits = 0;
  for (int p = 0; p < 16; ++p) bits |= static_cast<uint32_t>(index[p]) << (2 * p);
  return {static_cast<uint8_t>(c0), static_cast<uint8_t>(c0 >> 8), static_cast<uint8_t>(c1),
          static_cast<uint8_t>(c1 >> 8), static_cast<uint8_t>(bits), static_cast<uint8_t>(bits >> 8),
          static_cast<uint8_t>(bits >> 16), static_cast<uint8_t>(bits >> 24)};
}

// A one-channel block: two endpoints and the 3-bit index of each pixel.
Bytes ChannelBlock(uint8_t a0, uint8_t a1, const std::array<int, 16>& index) {
  uint64_t bits = 0;
  for (int p = 0; p < 16; ++p) bits |= static_cast<uint64_t>(index[p]) << (3 * p);
  Bytes b = {a0, a1};
  for (int k = 0; k < 6; ++k) b.push_back(static_cast<uint8_t>(bits >> (8 * k)));
  return b;
}

Bytes Join(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

constexpr std::array<int, 16> kCycle4 = {0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3};
constexpr std::array<int, 16> kCycle8 = {0, 1, 2, 3, 4, 5, 6, 7, 0, 1, 2, 3, 4, 5, 6, 7};
constexpr std::array<int, 16> kZero = {};

// The decoded pixels of a block type, as RGBA bytes (or signed bytes).
std::vector<Rgba> Decode(const Bytes& block, uint32_t type, int32_t width = 4, int32_t height = 4,
                         uint32_t into = GL_UNSIGNED_BYTE) {
  Bytes out(static_cast<size_t>(width) * height * 4);
  ConvertImage(block, out, type, width, height, into, type, GL_RGBA);
  std::vector<Rgba> pixels;
  for (size_t i = 0; i < out.size(); i += 4) {
    Rgba p;
    for (int k = 0; k < 4; ++k) p[k] = into == GL_BYTE ? static_cast<int8_t>(out[i + k]) : out[i + k];
    pixels.push_back(p);
  }
  return pixels;
}

constexpr uint16_t kRed565 = 0xF800;
constexpr uint16_t kBlue565 = 0x001F;

TEST(BlockCompression, Dxt1FourAndThreeColourModes) {
  // Red above blue: four opaque colours, the two between rounded to the nearer end.
  const auto four = Decode(ColourBlock(kRed565, kBlue565, kCycle4), GL_COMPRESSED_RGB_S3TC_DXT1_EXT);
  const Rgba expectFour[4] = {{248, 0, 0, 255}, {0, 0, 248, 255}, {165, 0, 83, 255}, {83, 0, 165, 255}};
  for (int p = 0; p < 16; ++p) EXPECT_EQ(four[p], expectFour[p % 4]) << "pixel " << p;

  // Blue not above red: the midpoint, and a fourth colour that is transparent.
  const auto three = Decode(ColourBlock(kBlue565, kRed565, kCycle4), GL_COMPRESSED_RGBA_S3TC_DXT1_EXT);
  const Rgba expectThree[4] = {{0, 0, 248, 255}, {248, 0, 0, 255}, {124, 0, 124, 255}, {165, 0, 83, 0}};
  for (int p = 0; p < 16; ++p) EXPECT_EQ(three[p], expectThree[p % 4]) << "pixel " << p;

  // Equal endpoints take the three-colour rule too.
  EXPECT_EQ(Decode(ColourBlock(kRed565, kRed565, kCycle4), GL_COMPRESSED_RGBA_S3TC_DXT1_EXT)[3][3], 0);
}

// A level smaller than a block, or an edge beyond whole blocks, still decodes what it holds (small
// mipmap levels must not come out black).
TEST(BlockCompression, PartialBlocksAtTheEdges) {
  std::array<int, 16> quadrants{};
  for (int p = 0; p < 16; ++p) quadrants[p] = (p % 4 < 2 && p < 8) ? 0 : 1;
  const auto small = Decode(ColourBlock(kRed565, kBlue565, quadrants), GL_COMPRESSED_RGB_S3TC_DXT1_EXT, 2, 2);
  ASSERT_EQ(small.size(), 4u);
  for (const Rgba& p : small) EXPECT_EQ(p, (Rgba{248, 0, 0, 255}));

  // 6 x 5 pixels: two blocks per row, two block rows; each block one colour.
  const uint16_t colours[4] = {kRed565, 0x07E0, kBlue565, 0xFFFF};
  Bytes image;
  for (uint16_t c : colours) image = Join(image, ColourBlock(c, 0, kZero));
  const auto pixels = Decode(image, GL_COMPRESSED_RGB_S3TC_DXT1_EXT, 6, 5);
  auto at = [&](int x, int y) { return pixels[static_cast<size_t>(y) * 6 + x]; };
  EXPECT_EQ(at(0, 0), (Rgba{248, 0, 0, 255}));
  EXPECT_EQ(at(5, 0), (Rgba{0, 252, 0, 255}));
  EXPECT_EQ(at(3, 3), (Rgba{248, 0, 0, 255}));
  EXPECT_EQ(at(0, 4), (Rgba{0, 0, 248, 255}));
  EXPECT_EQ(at(5, 4), (Rgba{248, 252, 248, 255}));
}

TEST(BlockCompression, Dxt3AndDxt5Alpha) {
  Bytes explicitAlpha;
  for (int k = 0; k < 8; ++k) explicitAlpha.push_back(static_cast<uint8_t>((2 * k) | ((2 * k + 1) << 4)));
  // The colour half of DXT3 and DXT5 never switches to three colours, even with blue first.
  const Bytes colour = ColourBlock(kBlue565, kRed565, kCycle4);
  const auto dxt3 = Decode(Join(explicitAlpha, colour), GL_COMPRESSED_RGBA_S3TC_DXT3_EXT);
  for (int p = 0; p < 16; ++p) EXPECT_EQ(dxt3[p][3], 17 * p) << "pixel " << p;
  EXPECT_EQ(dxt3[2], (Rgba{83, 0, 165, 34}));

  const auto six = Decode(Join(ChannelBlock(255, 0, kCycle8), colour), GL_COMPRESSED_RGBA_S3TC_DXT5_EXT);
  const int expectSix[8] = {255, 0, 219, 182, 146, 109, 73, 36};
  for (int p = 0; p < 16; ++p) EXPECT_EQ(six[p][3], expectSix[p % 8]) << "pixel " << p;

  const auto four = Decode(Join(ChannelBlock(0, 255, kCycle8), colour), GL_COMPRESSED_RGBA_S3TC_DXT5_EXT);
  const int expectFour[8] = {0, 255, 51, 102, 153, 204, 0, 255};
  for (int p = 0; p < 16; ++p) EXPECT_EQ(four[p][3], expectFour[p % 8]) << "pixel " << p;
  EXPECT_EQ(four[3], (Rgba{165, 0, 83, 102}));
}

TEST(BlockCompression, LatcAndRgtcChannels) {
  const Bytes first = ChannelBlock(200, 100, kZero);   // every pixel 200
  const Bytes second = ChannelBlock(40, 80, kZero);    // every pixel 40
  struct Case {
    uint32_t type;
    Bytes block;
    Rgba pixel;
  };
  const Case cases[] = {
      {GL_COMPRESSED_LUMINANCE_LATC1_EXT, first, {200, 200, 200, 255}},
      {GL_COMPRESSED_LUMINANCE_ALPHA_LATC2_EXT, Join(first, second), {200, 200, 200, 40}},
      {GL_COMPRESSED_RED_RGTC1, first, {200, 0, 0, 255}},
      {GL_COMPRESSED_RG_RGTC2, Join(first, second), {200, 40, 0, 255}},
  };
  for (const Case& c : cases)
    for (const Rgba& p : Decode(c.block, c.type)) EXPECT_EQ(p, c.pixel) << std::hex << c.type;

  // Signed forms: signed endpoints, and the extremes of the four-value mode are -127 and 127.
  const auto red = Decode(ChannelBlock(0x9C, 100, kCycle8), GL_COMPRESSED_SIGNED_RED_RGTC1, 4, 4, GL_BYTE);
  const int expectSigned[8] = {-100, 100, -59, -19, 20, 60, -127, 127};
  for (int p = 0; p < 16; ++p) EXPECT_EQ(red[p][0], expectSigned[p % 8]) << "pixel " << p;
  const auto la = Decode(Join(ChannelBlock(0x9C, 0x9C, kZero), ChannelBlock(50, 50, kZero)),
                         GL_COMPRESSED_SIGNED_LUMINANCE_ALPHA_LATC2_EXT, 4, 4, GL_BYTE);
  EXPECT_EQ(la[7], (Rgba{-100, -100, -100, 50}));
}

}  // namespace
}  // namespace scene3d
