#include "gif/dib.h"

#include <cstring>
#include <new>

#include "gif/gif_exception.h"
#include "platform/binary_stream.h"
#include "platform/bmp.h"

namespace gif {

TDIB::TDIB(int width, int height, int bitsPerPixel) : width_(width), height_(height), bitsPerPixel_(bitsPerPixel) {
  if (width <= 0 || height <= 0) throw GIFException(texts::kInvalidDimensions);
  if (bitsPerPixel != 8 && bitsPerPixel != 24) throw GIFException(texts::kUnsupportedPixelFormat);
  rowBytes_ = (size_t(width) * size_t(bitsPerPixel / 8) + 3) & ~size_t(3);
  // Sizes past what one frame may hold are refused as the allocation they would be.
  if (int64_t(width) * height > kMaxFramePixels) throw GIFException(texts::kDIBAllocation);
  try {
    bits_.assign(rowBytes_ * size_t(height), 0);
  } catch (const std::bad_alloc&) {
    throw GIFException(texts::kDIBAllocation);
  }
}

const uint8_t* TDIB::ScanLine(int y) const {
  if (bits_.empty() || y < 0 || y >= height_) throw GIFException(texts::kNoDIB);
  return bits_.data() + size_t(y) * rowBytes_;
}

uint8_t* TDIB::Row(int y) { return const_cast<uint8_t*>(ScanLine(y)); }

TDIBReader::TDIBReader(const platform::Bitmap& source, int bitsPerPixel)
    : TDIB(source.Width(), source.Height(), bitsPerPixel) {
  if (bitsPerPixel == 8) {
    if (source.BitsPerPixel() > 8) throw GIFException(texts::kUnsupportedPixelFormat);
    for (const platform::RgbQuad& q : source.Colors()) palette_.push_back(TGIFColor{q.red, q.green, q.blue});
    for (int y = 0; y < height_; ++y) {
      uint8_t* row = Row(y);
      for (int x = 0; x < width_; ++x) row[x] = source.Index(x, y);
    }
    return;
  }
  for (int y = 0; y < height_; ++y) {
    uint8_t* row = Row(y);
    for (int x = 0; x < width_; ++x) {
      const platform::RgbQuad q = source.Pixel(x, y);
      row[3 * x] = q.blue;
      row[3 * x + 1] = q.green;
      row[3 * x + 2] = q.red;
    }
  }
}

TDIBWriter::TDIBWriter(platform::Bitmap& target, int bitsPerPixel, int width, int height,
                       std::vector<TGIFColor> palette)
    : TDIB(width, height, bitsPerPixel), target_(target) {
  if (palette.size() > size_t(TGIFColorMap::kMaxColors)) throw GIFException(texts::kColorTableOverflow);
  if (bitsPerPixel == 8) palette_ = std::move(palette);
}

uint8_t* TDIBWriter::ScanLine(int y) { return Row(y); }

void TDIBWriter::Finish() {
  if (bits_.empty()) throw GIFException(texts::kNoDIB);
  // A colour count of 0 would mean 256 in the header: an 8-bit bitmap has at least one entry.
  if (bitsPerPixel_ == 8 && palette_.empty()) palette_.push_back(TGIFColor{});
  const size_t colors = bitsPerPixel_ == 8 ? palette_.size() : 0;
  const size_t offset = 14 + 40 + 4 * colors;
  platform::ByteWriter bmp;
  bmp.Reserve(offset + bits_.size());
  bmp.U8('B');
  bmp.U8('M');
  bmp.U32(uint32_t(offset + bits_.size()));
  bmp.U32(0);
  bmp.U32(uint32_t(offset));
  bmp.U32(40);
  bmp.I32(width_);
  bmp.I32(height_);  // bottom-up, as BMP rows are stored
  bmp.U16(1);
  bmp.U16(uint16_t(bitsPerPixel_));
  bmp.U32(0);
  bmp.U32(uint32_t(bits_.size()));
  bmp.U32(3780);  // 96 dpi
  bmp.U32(3780);
  bmp.U32(uint32_t(colors));
  bmp.U32(0);
  for (size_t i = 0; i < colors; ++i) {
    bmp.U8(palette_[i].Blue);
    bmp.U8(palette_[i].Green);
    bmp.U8(palette_[i].Red);
    bmp.U8(0);
  }
  for (int y = height_ - 1; y >= 0; --y) bmp.Write(Row(y), rowBytes_);
  target_ = platform::DecodeBmp(bmp.Data());
  std::vector<uint8_t>().swap(bits_);
}

}  // namespace gif
