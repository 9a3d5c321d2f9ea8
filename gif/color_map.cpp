#include "gif/color_map.h"

#include <algorithm>

#include "gif/gif_item.h"

namespace gif {

int BitsPerPixelOf(int colorCount) {
  if (colorCount <= 0) return 0;
  int bits = 1;
  while ((1 << bits) < colorCount) ++bits;
  return bits;
}

TGIFColor TGIFColorMap::Color(int index) const {
  if (colors_.empty()) throw GIFException(texts::kColorTableEmpty);
  if (index < 0 || index >= Count()) {
    if (owner_) owner_->Warning(TGIFSeverity::Warning, texts::kInvalidColorIndex);
    return colors_[0];
  }
  return colors_[static_cast<size_t>(index)];
}

void TGIFColorMap::SetColor(int index, TGIFColor color) {
  if (index < 0 || index >= Count()) throw GIFException(texts::kInvalidColorIndex);
  colors_[static_cast<size_t>(index)] = color;
}

int TGIFColorMap::Add(TGIFColor color) {
  if (Count() >= kMaxColors) throw GIFException(texts::kColorTableOverflow);
  // Storage grows to 16 entries first, then 32 at a time.
  if (colors_.size() == colors_.capacity())
    colors_.reserve(colors_.capacity() < 16 ? 16 : std::min<size_t>(kMaxColors, colors_.capacity() + 32));
  colors_.push_back(color);
  return Count() - 1;
}

void TGIFColorMap::Delete(int index) {
  if (index < 0 || index >= Count()) throw GIFException(texts::kInvalidColorIndex);
  colors_.erase(colors_.begin() + index);
}

void TGIFColorMap::Clear() {
  colors_.clear();
  optimized_ = false;
}

int TGIFColorMap::IndexOf(TGIFColor color) const {
  if (optimized_) {
    for (int i = 0; i < Count(); ++i)
      if (colors_[static_cast<size_t>(i)] == color) return i;
  } else {
    for (int i = Count() - 1; i >= 0; --i)
      if (colors_[static_cast<size_t>(i)] == color) return i;
  }
  return -1;
}

void TGIFColorMap::Assign(const std::vector<TGIFColor>& colors) {
  if (colors.size() > size_t(kMaxColors)) throw GIFException(texts::kColorTableOverflow);
  colors_ = colors;
  optimized_ = false;
}

void TGIFColorMap::Assign(const TGIFColorMap& other) {
  colors_ = other.colors_;
  optimized_ = other.optimized_;
}

void TGIFColorMap::LoadFromStream(platform::ByteReader& stream, int count) {
  if (count < 0 || count > kMaxColors) throw GIFException(texts::kColorTableOverflow);
  uint8_t bytes[3 * kMaxColors];
  ReadRecord(stream, bytes, size_t(count) * 3);
  colors_.resize(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) colors_[size_t(i)] = TGIFColor{bytes[3 * i], bytes[3 * i + 1], bytes[3 * i + 2]};
  optimized_ = false;
}

void TGIFColorMap::SaveToStream(platform::ByteWriter& stream) const {
  for (const TGIFColor& c : colors_) {
    stream.U8(c.Red);
    stream.U8(c.Green);
    stream.U8(c.Blue);
  }
  const int padded = Count() == 0 ? 0 : 1 << BitsPerPixel();
  stream.Fill(0, size_t(padded - Count()) * 3);
}

QVector<QRgb> TGIFColorMap::ColorTable(int transparentIndex) const {
  QVector<QRgb> table(kMaxColors, qRgb(0, 0, 0));
  for (int i = 0; i < Count(); ++i) table[i] = ToQRgb(colors_[size_t(i)]);
  if (transparentIndex >= 0 && transparentIndex < kMaxColors) table[transparentIndex] = qRgba(0, 0, 0, 0);
  return table;
}

}  // namespace gif
