// The codec's device-independent bitmaps: rows of 8-bit colour indices or of 24-bit blue, green, red
// triples, each row padded to 32 bits and reached from the top. TDIBReader takes the rows of a
// bitmap in one of those formats; TDIBWriter is filled row by row and hands the finished bitmap to
// its target as a BMP stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "gif/color_map.h"
#include "platform/bitmap.h"

namespace gif {

class TDIB {
 public:
  virtual ~TDIB() = default;
  TDIB(const TDIB&) = delete;
  TDIB& operator=(const TDIB&) = delete;

  int Width() const { return width_; }
  int Height() const { return height_; }
  // 8 or 24.
  int BitsPerPixel() const { return bitsPerPixel_; }
  // Bytes of one row, a multiple of 4.
  size_t RowBytes() const { return rowBytes_; }
  // Row `y` from the top; "Image has no DIB" without pixels (after Finish) or for a row outside.
  const uint8_t* ScanLine(int y) const;
  const std::vector<TGIFColor>& Palette() const { return palette_; }

 protected:
  // "Invalid image dimensions" for a width or height of 0 or less, "Unsupported PixelFormat" for
  // any format but 8 or 24 bits, "Failed to allocate memory for GIF DIB" when the rows cannot be had.
  TDIB(int width, int height, int bitsPerPixel);
  uint8_t* Row(int y);

  int width_;
  int height_;
  int bitsPerPixel_;
  size_t rowBytes_ = 0;
  std::vector<uint8_t> bits_;
  std::vector<TGIFColor> palette_;
};

class TDIBReader : public TDIB {
 public:
  // 8 bits: the indices and palette of a bitmap of 1, 4 or 8 bits (any other raises "Unsupported
  // PixelFormat"); 24 bits: the colours of a bitmap of any format.
  TDIBReader(const platform::Bitmap& source, int bitsPerPixel);
};

class TDIBWriter : public TDIB {
 public:
  // An 8-bit bitmap with `palette` (at most 256 colours) or a 24-bit one, all rows 0, for `target`.
  TDIBWriter(platform::Bitmap& target, int bitsPerPixel, int width, int height,
             std::vector<TGIFColor> palette = {});
  using TDIB::ScanLine;
  uint8_t* ScanLine(int y);
  // Hands the bitmap to the target through a BMP stream and frees the rows.
  void Finish();

 private:
  platform::Bitmap& target_;
};

}  // namespace gif
