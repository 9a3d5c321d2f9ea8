#include "scene3d/image_rescaling.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "scene3d/pixel_conversion.h"
#include "scene3d/scalar_math.h"

namespace scene3d {

namespace {

struct Contribution {
  size_t index;
  float weight;
};

// For each destination position, the source positions it sums and their weights.
struct Contributors {
  std::vector<size_t> first;  // destination size + 1 entries into list
  std::vector<Contribution> list;
};

// The mapping keeps both end pixels in place; with a single pixel on either side there are no ends to
// match, so the plain ratio serves (and a 1-pixel target no longer divides by zero).
float ScaleFactor(int32_t sourceSize, int32_t destinationSize) {
  if (sourceSize == 1 || destinationSize == 1) return static_cast<float>(destinationSize) / sourceSize;
  return static_cast<float>(destinationSize - 1) / static_cast<float>(sourceSize - 1);
}

// Indices before the start or past the end are mirrored at the edge; a filter wider than the image
// would mirror past the other edge, so the result is then held to the image.
size_t SourceIndex(int64_t j, int32_t size) {
  if (j < 0) j = -j;
  else if (j >= size) j = 2 * static_cast<int64_t>(size) - j - 1;
  return static_cast<size_t>(std::clamp<int64_t>(j, 0, size - 1));
}

Contributors BuildContributors(int32_t destinationSize, int32_t sourceSize, float scale, TResamplingFilter filter) {
  Contributors c;
  c.first.reserve(static_cast<size_t>(destinationSize) + 1);
  const bool enlarging = scale >= 1;
  const float width = enlarging ? 5.0f : 5.0f / scale;
  for (int32_t i = 0; i < destinationSize; ++i) {
    c.first.push_back(c.list.size());
    const float centre = static_cast<float>(i) / scale;
    const int32_t lo = FloorSingle(centre - width);
    const int32_t hi = CeilSingle(centre + width);
    for (int64_t j = lo; j <= hi; ++j) {
      const float offset = centre - static_cast<float>(j);
      const float weight = enlarging ? filter(offset) : filter(offset * scale) * scale;
      if (weight != 0) c.list.push_back({SourceIndex(j, sourceSize), weight});
    }
  }
  c.first.push_back(c.list.size());
  return c;
}

TVector4f& operator+=(TVector4f& sum, const TVector4f& add) {
  sum.x += add.x;
  sum.y += add.y;
  sum.z += add.z;
  sum.w += add.w;
  return sum;
}

TVector4f operator*(const TVector4f& v, float s) { return {v.x * s, v.y * s, v.z * s, v.w * s}; }

}  // namespace

void RescaleImage(std::span<const uint8_t> source, std::span<uint8_t> destination, uint32_t colorFormat,
                  uint32_t dataType, int32_t sourceWidth, int32_t sourceHeight, int32_t destinationWidth,
                  int32_t destinationHeight, TResamplingFilter filter) {
  if (sourceWidth < 1 || sourceHeight < 1 || destinationWidth < 1 || destinationHeight < 1) return;
  // Refuse an unwritable layout or a short destination before any work (an empty encode only checks).
  EncodeImage({}, {}, colorFormat, dataType, 0, 0);
  if (ImageSizeInBytes(colorFormat, dataType, destinationWidth, destinationHeight) > destination.size())
    throw EGLImageUtils(kBlockTooSmallText);
  const std::vector<TVector4f> image = DecodeImage(source, colorFormat, dataType, sourceWidth, sourceHeight);

  const size_t sw = static_cast<size_t>(sourceWidth);
  const size_t dw = static_cast<size_t>(destinationWidth);
  const Contributors columns =
      BuildContributors(destinationWidth, sourceWidth, ScaleFactor(sourceWidth, destinationWidth), filter);
  std::vector<TVector4f> wide(dw * static_cast<size_t>(sourceHeight));
  for (size_t y = 0; y < static_cast<size_t>(sourceHeight); ++y) {
    const TVector4f* in = image.data() + y * sw;
    TVector4f* out = wide.data() + y * dw;
    for (size_t i = 0; i < dw; ++i)
      for (size_t k = columns.first[i]; k < columns.first[i + 1]; ++k)
        out[i] += in[columns.list[k].index] * columns.list[k].weight;
  }

  const Contributors rows =
      BuildContributors(destinationHeight, sourceHeight, ScaleFactor(sourceHeight, destinationHeight), filter);
  std::vector<TVector4f> result(dw * static_cast<size_t>(destinationHeight));
  for (size_t j = 0; j < static_cast<size_t>(destinationHeight); ++j) {
    TVector4f* out = result.data() + j * dw;
    for (size_t k = rows.first[j]; k < rows.first[j + 1]; ++k) {
      const TVector4f* in = wide.data() + rows.list[k].index * dw;
      const float weight = rows.list[k].weight;
      for (size_t x = 0; x < dw; ++x) out[x] += in[x] * weight;
    }
  }
  EncodeImage(result, destination, colorFormat, dataType, destinationWidth, destinationHeight);
}

float Lanczos3Filter(float x) {
  if (x == 0) return 1;
  if (std::fabs(x) >= 3) return 0;
  const float px = std::numbers::pi_v<float> * x;
  const float px3 = px / 3;
  return (std::sin(px) / px) * (std::sin(px3) / px3);
}

int32_t RoundUpToPowerOf2(int32_t n) {
  int32_t result = 1;
  while (result < n && result < (1 << 30)) result <<= 1;
  return result;
}

}  // namespace scene3d
