#include "scene3d/image_rescaling.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "scene3d/gl_constants.h"
#include "scene3d/pixel_conversion.h"

namespace scene3d {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(ImageRescaling, Lanczos3AndPowersOfTwo) {
  EXPECT_NEAR(Lanczos3Filter(0.5f), 0.6079271f, 1e-6f);
  EXPECT_EQ(Lanczos3Filter(0), 1.0f);
  EXPECT_EQ(Lanczos3Filter(3), 0.0f);
  EXPECT_EQ(Lanczos3Filter(-3.5f), 0.0f);
  EXPECT_EQ(Lanczos3Filter(-1.2f), Lanczos3Filter(1.2f));
  EXPECT_LT(Lanczos3Filter(1.5f), 0.0f) << "the first negative lobe";
  EXPECT_NEAR(Lanczos3Filter(2), 0.0f, 1e-6f);

  const std::pair<int32_t, int32_t> powers[] = {{65, 128}, {64, 64}, {0, 1}, {1, 1}, {-5, 1}, {3, 4},
                                                 {2147483647, 1 << 30}};
  for (const auto& [n, power] : powers) EXPECT_EQ(RoundUpToPowerOf2(n), power) << n;
}

Bytes Constant(int32_t width, int32_t height) {
  const uint8_t pixel[4] = {100, 150, 200, 255};
  Bytes image(static_cast<size_t>(width) * height * 4);
  for (size_t i = 0; i < image.size(); ++i) image[i] = pixel[i % 4];
  return image;
}

// A constant picture keeps its colour (the weights are not normalised, so within a few steps) at
// sizes where the filter is wider than the picture; AddressSanitizer checks that no read strays.
TEST(ImageRescaling, ConstantPicturesThroughTinySizes) {
  struct Case {
    int32_t sw, sh, dw, dh;
  };
  const Case cases[] = {{1, 1, 4, 4}, {4, 4, 1, 1}, {1, 3, 4, 1}, {2, 2, 1, 1},
                        {3, 1, 1, 5}, {1, 1, 1, 1}, {5, 7, 3, 2}};
  for (const Case& c : cases) {
    const Bytes source = Constant(c.sw, c.sh);
    Bytes out(static_cast<size_t>(c.dw) * c.dh * 4, 0);
    RescaleImage(source, out, GL_RGBA, GL_UNSIGNED_BYTE, c.sw, c.sh, c.dw, c.dh, Lanczos3Filter);
    for (size_t i = 0; i < out.size(); ++i)
      EXPECT_LE(std::abs(out[i] - source[i % 4]), 3)
          << c.sw << "x" << c.sh << " to " << c.dw << "x" << c.dh << " byte " << i;
  }
}

float Tent(float x) { return std::fabs(x) < 1 ? 1 - std::fabs(x) : 0; }

// The end pixels map onto the end pixels, and indices past an edge mirror back into the row.
TEST(ImageRescaling, EndsStayInPlaceAndEdgesMirror) {
  Bytes wider(3);
  RescaleImage(Bytes{0, 200}, wider, GL_LUMINANCE, GL_UNSIGNED_BYTE, 2, 1, 3, 1, Tent);
  EXPECT_EQ(wider, (Bytes{0, 100, 200}));
  Bytes narrower(2);
  RescaleImage(Bytes{0, 100, 200}, narrower, GL_LUMINANCE, GL_UNSIGNED_BYTE, 3, 1, 2, 1, Tent);
  EXPECT_EQ(narrower, (Bytes{50, 175})) << "a quarter of the mirrored neighbour on each side";
  Bytes column(3);
  RescaleImage(Bytes{0, 200}, column, GL_LUMINANCE, GL_UNSIGNED_BYTE, 1, 2, 1, 3, Tent);
  EXPECT_EQ(column, (Bytes{0, 100, 200}));
}

TEST(ImageRescaling, NoSizeDoesNothingAndBadLayoutsAreRefused) {
  const Bytes source = Constant(2, 2);
  Bytes out(16, 0xAB);
  const int32_t sizes[][4] = {{0, 2, 2, 2}, {2, 0, 2, 2}, {2, 2, 0, 2}, {2, 2, 2, 0}, {2, 2, 2, -1}};
  for (const auto& s : sizes) {
    RescaleImage(source, out, GL_RGBA, GL_UNSIGNED_BYTE, s[0], s[1], s[2], s[3], Lanczos3Filter);
    EXPECT_EQ(out, Bytes(16, 0xAB));
  }
  EXPECT_THROW(RescaleImage(source, out, GL_RGBA, GL_FLOAT, 1, 1, 1, 1, Lanczos3Filter), EGLImageUtils);
  EXPECT_THROW(RescaleImage(source, out, GL_RGBA, GL_UNSIGNED_BYTE, 2, 2, 3, 2, Lanczos3Filter), EGLImageUtils)
      << "destination too small";
  EXPECT_THROW(RescaleImage(source, out, GL_RGBA, GL_UNSIGNED_BYTE, 3, 2, 2, 2, Lanczos3Filter), EGLImageUtils)
      << "source too small";
  EXPECT_EQ(out, Bytes(16, 0xAB));
}

}  // namespace
}  // namespace scene3d
