#include "gif/sub_image.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "gif/canvas_painter.h"
#include "gif/checked_image.h"
#include "gif/color_reduction.h"
#include "gif/dib.h"
#include "gif/encoders.h"
#include "gif/gif_image.h"
#include "gif/lzw_decoder.h"

namespace gif {

int MulDivRound(int64_t a, int64_t b, int64_t c) {
  if (c == 0) return 0;
  const int64_t product = a * b;
  const bool negative = (product < 0) != (c < 0);
  const int64_t n = product < 0 ? -product : product, d = c < 0 ? -c : c;
  const int64_t q = (n + d / 2) / d;
  return int(negative ? -q : q);
}

TGIFSubImage::TGIFSubImage(TGIFImage* image) : TGIFItem(image), colorMap_(this) {}

TGIFSubImage::~TGIFSubImage() {
  // Extensions first: a graphic control extension looks back at its frame as it goes.
  extensions_.Clear();
  ReleasePixels();
}

uint8_t TGIFSubImage::PackedFields() const {
  uint8_t packed = interlaced_ ? 0x40 : 0;
  if (!colorMap_.Empty()) {
    packed |= 0x80 | uint8_t(colorMap_.BitsPerPixel() - 1);
    if (colorMap_.Optimized()) packed |= 0x20;
  }
  return packed;
}

const TGIFColorMap& TGIFSubImage::ActiveColorMap() const {
  if (!colorMap_.Empty() || !Image()) return colorMap_;
  return Image()->Header().ColorMap();
}

void TGIFSubImage::ReleasePixels() {
  if (Image() && !pixels_.empty()) Image()->ReleaseBytes(int64_t(pixels_.size()) * kFrameBytesPerPixel);
  std::vector<uint8_t>().swap(pixels_);
}

void TGIFSubImage::NewImage(int width, int height, uint8_t fill) {
  if (width < 0 || height < 0) throw GIFException(texts::kInvalidDimensions);
  const int64_t count = int64_t(width) * height;
  // A file holds each side in 16 bits.
  if (count > kMaxFramePixels || width > 65535 || height > 65535) throw GIFException(texts::kTooLarge);
  ReleasePixels();
  width_ = width;
  height_ = height;
  described_ = true;
  if (count > 0) {
    // What the frame caches once drawn counts from the start, so a picture too large to show is
    // refused while it is read.
    if (Image()) Image()->ReserveBytes(count * kFrameBytesPerPixel);
    try {
      pixels_.assign(size_t(count), fill);
    } catch (const std::bad_alloc&) {
      if (Image()) Image()->ReleaseBytes(count * kFrameBytesPerPixel);
      throw GIFException(texts::kTooLarge);
    }
  }
  Changed();
}

void TGIFSubImage::ClearPixels() {
  ReleasePixels();
  Changed();
}

uint8_t TGIFSubImage::Pixel(int x, int y) const {
  if (pixels_.empty()) throw GIFException(texts::kImageEmpty);
  if (x < 0 || y < 0 || x >= width_ || y >= height_) throw GIFException(texts::kInvalidPixel);
  return pixels_[size_t(y) * size_t(width_) + size_t(x)];
}

void TGIFSubImage::SetPixel(int x, int y, uint8_t index) {
  if (pixels_.empty()) throw GIFException(texts::kImageEmpty);
  if (x < 0 || y < 0 || x >= width_ || y >= height_) throw GIFException(texts::kInvalidPixel);
  pixels_[size_t(y) * size_t(width_) + size_t(x)] = index;
  Changed();
}

void TGIFSubImage::Changed() {
  std::lock_guard<std::recursive_mutex> guard(bitmapLock_);
  bitmap_ = QImage();
  mask_ = QImage();
  masked_ = QImage();
  bitmapBuilt_ = false;
}

void TGIFSubImage::Crop(const platform::Rect& wanted) {
  if (pixels_.empty()) throw GIFException(texts::kImageEmpty);
  const platform::Rect keep = platform::IntersectRect(wanted, {0, 0, width_, height_});
  std::vector<uint8_t> kept(size_t(std::max(0, keep.Width())) * size_t(std::max(0, keep.Height())));
  for (int y = keep.Top; y < keep.Bottom; ++y)
    std::memcpy(kept.data() + size_t(y - keep.Top) * size_t(keep.Width()),
                pixels_.data() + size_t(y) * size_t(width_) + size_t(keep.Left), size_t(keep.Width()));
  const int left = left_ + keep.Left, top = top_ + keep.Top;
  ReleasePixels();
  if (Image() && !kept.empty()) Image()->ReserveBytes(int64_t(kept.size()) * kFrameBytesPerPixel);
  pixels_ = std::move(kept);
  width_ = pixels_.empty() ? 0 : keep.Width();
  height_ = pixels_.empty() ? 0 : keep.Height();
  left_ = left;
  top_ = top;
  Changed();
}

TGIFVersion TGIFSubImage::Version() const {
  return colorMap_.Optimized() || !extensions_.Empty() ? TGIFVersion::gv89a : TGIFVersion::gv87a;
}

void TGIFSubImage::LoadFromStream(platform::ByteReader& stream) {
  extensions_.LoadFromStream(stream, this);
  // Only an image separator starts the image; any other byte is left for the frame list.
  if (PeekByte(stream) != kImageSeparator) return;
  uint8_t descriptor[10];
  ReadRecord(stream, descriptor, 10);
  left_ = descriptor[1] | (descriptor[2] << 8);
  top_ = descriptor[3] | (descriptor[4] << 8);
  int width = descriptor[5] | (descriptor[6] << 8);
  int height = descriptor[7] | (descriptor[8] << 8);
  const uint8_t packed = descriptor[9];
  if ((width == 0 || height == 0) && Image()) {
    width = Image()->Header().Width();
    height = Image()->Header().Height();
    Warning(TGIFSeverity::Warning, texts::kExceedsScreen);
  }
  interlaced_ = (packed & 0x40) != 0;
  if (packed & 0x80) {
    colorMap_.LoadFromStream(stream, 2 << (packed & 7));
    colorMap_.SetOptimized((packed & 0x20) != 0);
  } else {
    colorMap_.Clear();
  }
  NewImage(width, height, Transparent() ? uint8_t(TransparentIndex()) : 0);
  DecodeLZW(stream, pixels_.data(), width_, height_, interlaced_, *this);
  Changed();
  if (GIFDefaults().BuildBitmapsOnLoad) Bitmap();
}

void TGIFSubImage::SaveToStream(platform::ByteWriter& stream) {
  extensions_.SaveToStream(stream);
  if (Empty() && !(described_ && (width_ == 0 || height_ == 0))) return;
  stream.U8(kImageSeparator);
  stream.U16(uint16_t(std::clamp(left_, 0, 65535)));
  stream.U16(uint16_t(std::clamp(top_, 0, 65535)));
  stream.U16(uint16_t(width_));
  stream.U16(uint16_t(height_));
  stream.U8(PackedFields());
  if (!colorMap_.Empty()) colorMap_.SaveToStream(stream);
  EncodeImageData(stream, *this, Image() ? Image()->Compression : 0);
}

// Bitmaps

void TGIFSubImage::BuildBitmap() const {
  const bool dither = Image() && Image()->DitherActive();
  if (bitmapBuilt_ && bitmapDithered_ == dither) return;
  bitmap_ = QImage();
  mask_ = QImage();
  masked_ = QImage();
  if (pixels_.empty()) {
    QImage empty(std::max(0, width_), std::max(0, height_), QImage::Format_Indexed8);
    if (!empty.isNull()) {
      empty.setColorTable(ActiveColorMap().ColorTable());
      empty.fill(0);
    }
    bitmap_ = empty;
  } else {
    QImage image = AllocImage(width_, height_, QImage::Format_Indexed8);
    image.setColorTable(ActiveColorMap().ColorTable());
    TGIFImage* picture = Image();
    for (int y = 0; y < height_; ++y) {
      std::memcpy(image.scanLine(y), pixels_.data() + size_t(y) * size_t(width_), size_t(width_));
      if (picture && y % 32 == 31) picture->Progress(TProgressStage::Running, (y + 1) * 100 / height_, texts::kRendering);
    }
    if (dither) {
      // Through the colour cube with Floyd-Steinberg, for a display that has a palette.
      TReducedImage reduced = ReduceColors(image, rmNetscape, 8, dmFloydSteinberg);
      QVector<QRgb> cube;
      for (const TGIFColor& c : reduced.Palette) cube.push_back(ToQRgb(c));
      for (int y = 0; y < height_; ++y)
        std::memcpy(image.scanLine(y), reduced.Pixels.data() + size_t(y) * size_t(width_), size_t(width_));
      image.setColorTable(cube);
    }
    bitmap_ = image;
    if (Transparent()) {
      const uint8_t key = uint8_t(TransparentIndex());
      QImage mask = AllocImage(width_, height_, QImage::Format_Mono);
      mask.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
      mask.fill(0);
      bool any = false;
      for (int y = 0; y < height_; ++y) {
        const uint8_t* row = pixels_.data() + size_t(y) * size_t(width_);
        uchar* bits = mask.scanLine(y);
        for (int x = 0; x < width_; ++x)
          if (row[x] == key) {
            bits[x >> 3] |= uchar(0x80 >> (x & 7));
            any = true;
          }
      }
      if (any) mask_ = mask;
    }
  }
  bitmapBuilt_ = true;
  bitmapDithered_ = dither;
}

void TGIFSubImage::BuildBitmapChecked() const {
  try {
    BuildBitmap();
  } catch (const std::bad_alloc&) {
    // The dithering's work buffers; what was half built is dropped.
    bitmap_ = mask_ = masked_ = QImage();
    bitmapBuilt_ = false;
    throw GIFException(texts::kDIBAllocation);
  }
}

QImage TGIFSubImage::Bitmap() const {
  std::lock_guard<std::recursive_mutex> guard(bitmapLock_);
  BuildBitmapChecked();
  return bitmap_;
}

QImage TGIFSubImage::Mask() const {
  std::lock_guard<std::recursive_mutex> guard(bitmapLock_);
  BuildBitmapChecked();
  return mask_;
}

QImage TGIFSubImage::MaskedBitmap() const {
  std::lock_guard<std::recursive_mutex> guard(bitmapLock_);
  BuildBitmapChecked();
  if (mask_.isNull()) return bitmap_;
  if (masked_.isNull()) {
    QImage masked = ConvertedImage(bitmap_, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < height_; ++y) {
      const uchar* bits = mask_.constScanLine(y);
      auto* row = reinterpret_cast<QRgb*>(masked.scanLine(y));
      for (int x = 0; x < width_; ++x)
        if (bits[x >> 3] & (0x80 >> (x & 7))) row[x] = 0;
    }
    masked_ = masked;
  }
  return masked_;
}

// Drawing

platform::Rect TGIFSubImage::ScaledRect(const platform::Rect& target) const {
  const int pictureWidth = Image() ? Image()->GetWidth() : left_ + width_;
  const int pictureHeight = Image() ? Image()->GetHeight() : top_ + height_;
  if (pictureWidth <= 0 || pictureHeight <= 0) return {};
  const int64_t w = target.Width(), h = target.Height();
  return {target.Left + MulDivRound(left_, w, pictureWidth), target.Top + MulDivRound(top_, h, pictureHeight),
          target.Left + MulDivRound(int64_t(left_) + width_, w, pictureWidth),
          target.Top + MulDivRound(int64_t(top_) + height_, h, pictureHeight)};
}

void TGIFSubImage::Draw(platform::Canvas& canvas, const platform::Rect& target, bool transparent,
                        bool tile) const {
  const int pictureWidth = Image() ? Image()->GetWidth() : left_ + width_;
  const int pictureHeight = Image() ? Image()->GetHeight() : top_ + height_;
  if (Empty() || width_ <= 0 || height_ <= 0 || target.IsEmpty() || pictureWidth <= 0 || pictureHeight <= 0) return;
  const QImage source = transparent && Transparent() ? MaskedBitmap() : Bitmap();
  if (source.isNull()) return;

  CanvasPainter paint(canvas, tile ? &target : nullptr);
  if (paint.Empty()) return;
  if (!tile) {
    const platform::Rect r = ScaledRect(target);
    if (!r.IsEmpty()) paint.Painter().drawImage(QRect(r.Left, r.Top, r.Width(), r.Height()), source);
    return;
  }
  // Tiles of the picture's size from the target's top-left corner.
  paint.Tile(source, target, pictureWidth, pictureHeight, QPoint(left_, top_));
}

// Assignment

void TGIFSubImage::Assign(const TGIFSubImage& source) {
  if (&source == this) return;
  extensions_.Clear();
  left_ = source.left_;
  top_ = source.top_;
  interlaced_ = source.interlaced_;
  colorMap_.Assign(source.colorMap_);
  NewImage(source.Empty() ? 0 : source.width_, source.Empty() ? 0 : source.height_);
  width_ = source.width_;
  height_ = source.height_;
  described_ = source.described_;
  if (!source.pixels_.empty()) std::memcpy(pixels_.data(), source.pixels_.data(), pixels_.size());
  // Extensions are copied through a stream, so every kind copies itself as it would be written.
  platform::ByteWriter bytes;
  source.extensions_.SaveToStream(bytes);
  platform::ByteReader reader(bytes.Data());
  extensions_.LoadFromStream(reader, this);
  std::lock_guard<std::recursive_mutex> guard(bitmapLock_);
  std::lock_guard<std::recursive_mutex> sourceGuard(source.bitmapLock_);
  bitmap_ = source.bitmap_;
  mask_ = source.mask_;
  masked_ = source.masked_;
  bitmapBuilt_ = source.bitmapBuilt_;
  bitmapDithered_ = source.bitmapDithered_;
}

void TGIFSubImage::TakeIndexedPixels(const std::vector<uint8_t>& indices, int width, int height,
                                     const std::vector<TGIFColor>& palette) {
  extensions_.Clear();
  left_ = top_ = 0;
  interlaced_ = false;
  colorMap_.Assign(palette);
  NewImage(width, height);
  if (!indices.empty()) std::memcpy(pixels_.data(), indices.data(), pixels_.size());
  Changed();
}

void TGIFSubImage::Assign(const platform::Bitmap& source) {
  if (source.Empty()) throw GIFException(texts::kInvalidDimensions);
  if (Image()) Image()->Progress(TProgressStage::Starting, 0, texts::kConverting);
  const size_t width = size_t(source.Width());
  if (source.BitsPerPixel() <= 8) {
    // Indexed pictures keep their pixels and palette as they are.
    const TDIBReader dib(source, 8);
    std::vector<uint8_t> indices(width * size_t(source.Height()));
    for (int y = 0; y < source.Height(); ++y) std::memcpy(indices.data() + size_t(y) * width, dib.ScanLine(y), width);
    std::vector<TGIFColor> palette = dib.Palette();
    if (palette.empty()) palette.push_back(TGIFColor{});
    TakeIndexedPixels(indices, source.Width(), source.Height(), palette);
  } else {
    const TDIBReader dib(source, 24);
    QImage image = AllocImage(source.Width(), source.Height(), QImage::Format_RGB32);
    for (int y = 0; y < source.Height(); ++y) {
      const uint8_t* bgr = dib.ScanLine(y);
      auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
      for (size_t x = 0; x < width; ++x) row[x] = qRgb(bgr[3 * x + 2], bgr[3 * x + 1], bgr[3 * x]);
    }
    Assign(image);
    return;
  }
  if (Image()) Image()->Progress(TProgressStage::Ending, 100, texts::kConverting);
}

void TGIFSubImage::Assign(const QImage& source) {
  if (source.isNull() || source.width() <= 0 || source.height() <= 0) throw GIFException(texts::kInvalidDimensions);
  if (Image()) Image()->Progress(TProgressStage::Starting, 0, texts::kConverting);
  const bool indexed = source.format() == QImage::Format_Indexed8 || source.format() == QImage::Format_Mono ||
                       source.format() == QImage::Format_MonoLSB;
  TReducedImage reduced;
  if (indexed && !source.hasAlphaChannel() && source.colorCount() > 0 && source.colorCount() <= 256) {
    const QImage eight = ConvertedImage(source, QImage::Format_Indexed8);
    reduced.Width = eight.width();
    reduced.Height = eight.height();
    reduced.Pixels.resize(size_t(reduced.Width) * size_t(reduced.Height));
    for (int y = 0; y < reduced.Height; ++y)
      std::memcpy(reduced.Pixels.data() + size_t(y) * size_t(reduced.Width), eight.constScanLine(y),
                  size_t(reduced.Width));
    for (QRgb c : eight.colorTable()) reduced.Palette.push_back(FromQRgb(c));
  } else {
    const TGIFImage* image = Image();
    reduced = ReduceColors(source, image ? image->ColorReduction : GIFDefaults().ColorReduction,
                           image ? image->ReductionBits : GIFDefaults().ReductionBits,
                           image ? image->DitherMode : GIFDefaults().DitherMode);
    // Only the colours used go into the map, in the order met.
    std::vector<int> remap(reduced.Palette.size(), -1);
    std::vector<TGIFColor> used;
    for (uint8_t& p : reduced.Pixels) {
      if (remap[p] < 0) {
        remap[p] = int(used.size());
        used.push_back(reduced.Palette[p]);
      }
      p = uint8_t(remap[p]);
    }
    reduced.Palette = std::move(used);
  }
  TakeIndexedPixels(reduced.Pixels, reduced.Width, reduced.Height, reduced.Palette);

  if (source.hasAlphaChannel() && colorMap_.Count() < TGIFColorMap::kMaxColors) {
    const QImage argb = ConvertedImage(source, QImage::Format_ARGB32);
    const int key = colorMap_.Add(TGIFColor{});
    bool any = false;
    for (int y = 0; y < height_; ++y) {
      const auto* row = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
      for (int x = 0; x < width_; ++x)
        if (qAlpha(row[x]) < 128) {
          pixels_[size_t(y) * size_t(width_) + size_t(x)] = uint8_t(key);
          any = true;
        }
    }
    if (any) {
      auto* control = static_cast<TGIFGraphicControlExtension*>(
          extensions_.Add(std::make_unique<TGIFGraphicControlExtension>(this)));
      control->SetTransparent(true);
      control->SetTransparentColorIndex(key);
    } else {
      colorMap_.Delete(key);
    }
    Changed();
  }
  if (Image()) Image()->Progress(TProgressStage::Ending, 100, texts::kConverting);
}

}  // namespace gif
