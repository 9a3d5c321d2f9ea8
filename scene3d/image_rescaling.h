// Resizing a pixel block with a separable filter (two passes through the working image), and the
// size helpers that go with it.
#pragma once

#include <cstdint>
#include <span>

namespace scene3d {

using TResamplingFilter = float (*)(float x);

// Resizes source (sourceWidth x sourceHeight) into destination (destinationWidth x
// destinationHeight), both of the same base format and data type. Nothing happens when any size is
// below 1. Raises EGLImageUtils as the conversions do.
void RescaleImage(std::span<const uint8_t> source, std::span<uint8_t> destination, uint32_t colorFormat,
                  uint32_t dataType, int32_t sourceWidth, int32_t sourceHeight, int32_t destinationWidth,
                  int32_t destinationHeight, TResamplingFilter filter);

// sinc(x)·sinc(x/3) within |x| < 3, else 0.
float Lanczos3Filter(float x);

// The smallest power of two not below n (1 for n <= 1). No texture gets near 2^30, so sizes above it
// answer 2^30 rather than overflow.
int32_t RoundUpToPowerOf2(int32_t n);

}  // namespace scene3d
