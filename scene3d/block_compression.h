// Decoders of the block-compressed texture types (S3TC DXT1/3/5, LATC1/2, RGTC1/2 and their signed
// forms) into the working image of the pixel conversions. Each 4x4 block covers four image rows; a
// row holds (width + 3) / 4 blocks, and pixels of a block beyond the image's edge are skipped.
#pragma once

#include <cstdint>
#include <span>

#include "scene3d/vector_types.h"

namespace scene3d {

// Bytes of one block of a type these decoders read; 0 for any other type.
int32_t CompressedBlockBytes(uint32_t dataType);

// Decodes image rows firstRow .. firstRow + rowCount - 1 (firstRow a multiple of 4) into out, which
// holds rowCount rows of width pixels. The source must hold the whole image.
void DecodeCompressedRows(std::span<const uint8_t> source, uint32_t dataType, int32_t width, int32_t firstRow,
                          int32_t rowCount, TVector4f* out);

}  // namespace scene3d
