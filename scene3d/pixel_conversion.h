// Conversion of pixel blocks between OpenGL client layouts (base format, data type) through a working
// image of floating-point RGBA pixels on the scale of 8-bit colour (0..255 for unsigned bytes).
// Blocks are width x height pixels in tightly packed rows, first row first; block-compressed types
// hold (width + 3) / 4 x (height + 3) / 4 blocks, as OpenGL stores a level.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/exception.h"
#include "scene3d/vector_types.h"

namespace scene3d {

// Raised for a layout the conversions cannot read or write, or a block too small for its image.
class EGLImageUtils : public platform::Exception {
 public:
  using Exception::Exception;
};

inline constexpr const char* kUnimplementedConversionText = "Unimplemented type of conversion";
inline constexpr const char* kInvalidDataTypeText = "Invalid data type";
inline constexpr const char* kBlockTooSmallText = "Image block too small for its size";

// Bytes a width x height image of the layout occupies, saturating instead of overflowing. Raises as
// the conversions do for a layout they cannot read.
uint64_t ImageSizeInBytes(uint32_t colorFormat, uint32_t dataType, int32_t width, int32_t height);

// Decodes the whole source into a working image of width x height pixels. Components the base format
// lacks are 0, except alpha, which is opaque (255) when the format has none.
std::vector<TVector4f> DecodeImage(std::span<const uint8_t> source, uint32_t colorFormat, uint32_t dataType,
                                   int32_t width, int32_t height);
// Encodes a working image of width x height pixels into the destination, rounding half to even after
// clamping each value to the type's range (integer base formats are stored unclamped). The wider
// integer types are scaled back by what their decoders divide by, so a round trip keeps the values.
void EncodeImage(std::span<const TVector4f> image, std::span<uint8_t> destination, uint32_t colorFormat,
                 uint32_t dataType, int32_t width, int32_t height);

// Converts source into destination; the argument order is the one the images use. A width below 1
// does nothing, a height below 1 counts as 1. Both layouts are checked before anything is written.
void ConvertImage(std::span<const uint8_t> source, std::span<uint8_t> destination, uint32_t sourceColorFormat,
                  int32_t width, int32_t height, uint32_t destinationDataType, uint32_t sourceDataType,
                  uint32_t destinationColorFormat);

// t[i] = round(sqrt(i / 255) * 255), built once.
const std::array<uint8_t, 256>& SqrtIntensityTable();

}  // namespace scene3d
