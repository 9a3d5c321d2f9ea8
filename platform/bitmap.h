// Our device-independent bitmap: the working picture of the relief. Pixels are kept exactly in the
// format they were read in (1, 4, 8, 15, 16, 24 or 32 bits per pixel), rows are reached top-down by
// index, and each row is padded to a multiple of 4 bytes like a Windows DIB, so BMP rows are copied
// as they stand.
//
// Byte layouts: 24 bits blue, green, red; 32 bits blue, green, red, fourth byte; 15 bits a
// little-endian word 0RRRRRGGGGGBBBBB; 16 bits RRRRRGGGGGGBBBBB; 1, 4 and 8 bits palette indices,
// packed with the leftmost pixel in the most significant bits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/exception.h"

namespace platform {

// Operations a bitmap cannot do: a size over the cap, a format an operation refuses, a rectangle
// outside the picture.
class BitmapError : public Exception {
 public:
  using Exception::Exception;
};

// A bit count that is none of the supported pixel formats.
class InvalidPixelFormat : public BitmapError {
 public:
  InvalidPixelFormat() : BitmapError("Bitmap pixelformat is unknown.") {}
};

struct RgbQuad {
  uint8_t blue = 0;
  uint8_t green = 0;
  uint8_t red = 0;
  uint8_t reserved = 0;
  friend bool operator==(const RgbQuad&, const RgbQuad&) = default;
};

inline RgbQuad Rgb(uint8_t red, uint8_t green, uint8_t blue) { return RgbQuad{blue, green, red, 0}; }

using Palette = std::vector<RgbQuad>;

// Pictures larger than this are refused before any pixel memory is taken: each side at most
// kMaxBitmapSide pixels (the relief counts columns in 16 bits) and at most kMaxBitmapPixels in all.
inline constexpr int64_t kMaxBitmapSide = 65535;
inline constexpr int64_t kMaxBitmapPixels = int64_t(1) << 28;  // 16384 x 16384

// Bytes one pixel takes: 1, 4 and 8 bits -> 1; 15 and 16 -> 2; 24 -> 3; 32 -> 4. Any other count
// raises InvalidPixelFormat.
int BytesPerPixel(int bitsPerPixel);
bool IsValidPixelFormat(int bitsPerPixel);
// 1, 4 and 8 bits: pixels are palette indices.
inline bool IsIndexedFormat(int bitsPerPixel) { return bitsPerPixel == 1 || bitsPerPixel == 4 || bitsPerPixel == 8; }

// Raises BitmapError when width x height is negative or over the caps above.
void CheckBitmapSize(int64_t width, int64_t height);

// Bytes of one padded row.
size_t RowStride(int width, int bitsPerPixel);

// The grey ramp of an indexed format: 2, 16 or 256 evenly spaced greys, black first.
Palette GreyPalette(int bitsPerPixel);

class Bitmap {
 public:
  // An empty 0 x 0 bitmap of 24 bits per pixel.
  Bitmap() = default;
  // All bytes zero; indexed formats get the grey ramp as palette.
  Bitmap(int width, int height, int bitsPerPixel);
  // Takes `pixels` as its rows, top-down and padded as Row() has them (a decoder that grows its rows
  // as they come hands them over without a copy); BitmapError unless their size is height strides.
  Bitmap(int width, int height, int bitsPerPixel, std::vector<uint8_t> pixels);

  // Gives the bitmap a new size and format, every byte zero (the palette as in the constructor).
  void Reset(int width, int height, int bitsPerPixel);
  // Changes the size keeping the pixels of the common top-left part; new pixels are zero bytes.
  void Resize(int width, int height);

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return width_ == 0 || height_ == 0; }
  int BitsPerPixel() const { return bitsPerPixel_; }
  int BytesPerPixel() const { return platform::BytesPerPixel(bitsPerPixel_); }
  size_t Stride() const { return stride_; }

  // Row i, 0 the top line of the picture.
  uint8_t* Row(int i) { return pixels_.data() + static_cast<size_t>(i) * stride_; }
  const uint8_t* Row(int i) const { return pixels_.data() + static_cast<size_t>(i) * stride_; }
  uint8_t* Bits() { return pixels_.data(); }
  const uint8_t* Bits() const { return pixels_.data(); }
  size_t BitsSize() const { return pixels_.size(); }

  const Palette& Colors() const { return palette_; }
  // At most 2^bits entries for indexed formats; other formats keep no palette.
  void SetColors(Palette palette);

  // Resolution in pixels per metre (0 when unknown).
  int32_t PixelsPerMeterX() const { return pixelsPerMeterX_; }
  int32_t PixelsPerMeterY() const { return pixelsPerMeterY_; }
  void SetResolution(int32_t perMeterX, int32_t perMeterY) {
    pixelsPerMeterX_ = perMeterX;
    pixelsPerMeterY_ = perMeterY;
  }

  // The palette index of an indexed pixel (no bounds check beyond the format).
  uint8_t Index(int x, int y) const;
  void SetIndex(int x, int y, uint8_t index);
  // The colour of any pixel; an index beyond the palette reads as black. The fourth byte of a
  // 32-bit pixel is returned in `reserved`.
  RgbQuad Pixel(int x, int y) const;
  // Stores a colour in a 15, 16, 24 or 32-bit pixel (BitmapError for indexed formats).
  void SetPixel(int x, int y, RgbQuad color);

  friend bool operator==(const Bitmap&, const Bitmap&) = default;

 private:
  int width_ = 0;
  int height_ = 0;
  int bitsPerPixel_ = 24;
  size_t stride_ = 0;
  std::vector<uint8_t> pixels_;
  Palette palette_;
  int32_t pixelsPerMeterX_ = 0;
  int32_t pixelsPerMeterY_ = 0;
};

// The integer grey level 0..255 of a colour with the weights 0.299, 0.587 and 0.114, computed in
// extended precision and rounded half to even. Inline: the relief calls it for every pixel.
uint8_t GreyLevelOfTie(uint8_t red, uint8_t green, uint8_t blue);
inline uint8_t GreyLevel(uint8_t red, uint8_t green, uint8_t blue) {
  // The exact sum in thousandths decides every case but a tie, which lies at least 0.001 from any
  // other rounding boundary; ties are rounded as the extended-precision sum rounds them.
  unsigned thousandths = 299u * red + 587u * green + 114u * blue;
  if (thousandths % 1000 != 500) [[likely]]
    return static_cast<uint8_t>((thousandths + 500) / 1000);
  return GreyLevelOfTie(red, green, blue);
}

// A copy in another pixel format. Indexed to 8 bits keeps the indices and the palette; any format
// to 15, 16, 24 or 32 bits keeps the colours; 15, 16, 24 and 32 bits to 8 bits store each pixel's
// grey level as its index with the grey ramp as palette. Conversions to 1 and 4 bits are refused.
Bitmap ConvertPixelFormat(const Bitmap& source, int bitsPerPixel);

// An 8-bit copy whose index i is grey level i under the grey ramp, whatever the source format: the
// reduction keeps the picture's grey levels.
Bitmap ToGreyEightBit(const Bitmap& source);

// Reads the file at `path` and decodes it with `decode`; a format error names the file.
Bitmap DecodeImageFile(const std::string& path, Bitmap (*decode)(const uint8_t* data, size_t size));

}  // namespace platform
