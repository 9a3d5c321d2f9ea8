// A GIF colour map: up to 256 colours of three bytes. The header holds the global map, each frame
// may hold a local one; a frame draws with its local map when that has entries, else the global.
#pragma once

#include <QRgb>
#include <QVector>

#include <cstdint>
#include <vector>

#include "platform/binary_stream.h"

namespace gif {

class TGIFItem;

struct TGIFColor {
  uint8_t Red = 0;
  uint8_t Green = 0;
  uint8_t Blue = 0;
  friend bool operator==(const TGIFColor&, const TGIFColor&) = default;
};

inline QRgb ToQRgb(TGIFColor c) { return qRgb(c.Red, c.Green, c.Blue); }
inline TGIFColor FromQRgb(QRgb c) {
  return TGIFColor{uint8_t(qRed(c)), uint8_t(qGreen(c)), uint8_t(qBlue(c))};
}

// Bits per pixel that n colours need in a file: 0 for none, else the smallest b >= 1 with 2^b >= n.
int BitsPerPixelOf(int colorCount);

class TGIFColorMap {
 public:
  static constexpr int kMaxColors = 256;

  // `owner` receives the warnings (may be null).
  explicit TGIFColorMap(const TGIFItem* owner = nullptr) : owner_(owner) {}
  virtual ~TGIFColorMap() = default;
  TGIFColorMap(const TGIFColorMap&) = delete;
  TGIFColorMap& operator=(const TGIFColorMap&) = delete;

  int Count() const { return static_cast<int>(colors_.size()); }
  bool Empty() const { return colors_.empty(); }
  const std::vector<TGIFColor>& Colors() const { return colors_; }

  // Entry `index`; outside the map warns "Invalid color index" and reads entry 0; an empty map
  // raises "Color table is empty".
  TGIFColor Color(int index) const;
  // Raises "Invalid color index" outside the map.
  void SetColor(int index, TGIFColor color);
  // Appends and returns the new index; a 257th colour raises "Color table overflow".
  int Add(TGIFColor color);
  // Raises "Invalid color index" outside the map.
  void Delete(int index);
  void Clear();
  // The first matching entry in a sorted map, the last otherwise; -1 when absent.
  int IndexOf(TGIFColor color) const;
  // The whole map replaced (at most 256 colours, else "Color table overflow").
  void Assign(const std::vector<TGIFColor>& colors);
  void Assign(const TGIFColorMap& other);

  // Sorted by use (most used first): written as the sort flag.
  bool Optimized() const { return optimized_; }
  void SetOptimized(bool optimized) { optimized_ = optimized; }
  int BitsPerPixel() const { return BitsPerPixelOf(Count()); }

  // Reads `count` entries (count x 3 bytes); a short read raises "Premature end of data".
  void LoadFromStream(platform::ByteReader& stream, int count);
  // Writes the entries padded with black up to 2^BitsPerPixel.
  void SaveToStream(platform::ByteWriter& stream) const;

  // A 256-entry colour table for an 8-bit image: indices past the map are black, so pixels that
  // point outside the map never read foreign memory. `transparentIndex` (when 0..255) gets alpha 0.
  QVector<QRgb> ColorTable(int transparentIndex = -1) const;

 private:
  const TGIFItem* owner_;
  std::vector<TGIFColor> colors_;
  bool optimized_ = false;
};

class TGIFGlobalColorMap : public TGIFColorMap {
 public:
  using TGIFColorMap::TGIFColorMap;
};

class TGIFLocalColorMap : public TGIFColorMap {
 public:
  using TGIFColorMap::TGIFColorMap;
};

}  // namespace gif
