// JPEG pictures decoded through libjpeg into a 24-bit Bitmap (blue, green, red rows, top-down).
// Colour, greyscale and CMYK/YCCK files are accepted; a damaged or truncated file, or one over the
// bitmap size cap, raises FormatError saying why. The bitmap's resolution is the JFIF density when
// the file gives one in dots per inch or per centimetre, otherwise 0. A file too short for the
// picture it claims is refused before its pixel memory is taken, and the pixel memory grows with
// the lines decoded, so a small damaged file never costs more than a few megabytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/binary_stream.h"
#include "platform/bitmap.h"

namespace platform {

Bitmap DecodeJpeg(const uint8_t* data, size_t size);
inline Bitmap DecodeJpeg(const Bytes& bytes) { return DecodeJpeg(bytes.data(), bytes.size()); }
Bitmap ReadJpegFile(const std::string& path);

}  // namespace platform
