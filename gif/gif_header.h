// The header of a GIF file (signature, version, logical screen descriptor and global colour map)
// and its trailer.
#pragma once

#include <cstdint>
#include <string>

#include "gif/color_map.h"
#include "gif/gif_item.h"

namespace gif {

class TGIFHeader : public TGIFItem {
 public:
  explicit TGIFHeader(TGIFImage* image) : TGIFItem(image), colorMap_(this) {}

  // The logical screen.
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetWidth(int width) { width_ = width; }
  void SetHeight(int height) { height_ = height; }
  // Bits of colour resolution (1..8) as the file gave them; 0 when not set.
  int ColorResolution() const { return colorResolution_; }
  void SetColorResolution(int bits) { colorResolution_ = bits; }
  uint8_t BackgroundColorIndex() const { return backgroundIndex_; }
  void SetBackgroundColorIndex(uint8_t index) { backgroundIndex_ = index; }
  uint8_t AspectRatio() const { return aspectRatio_; }
  void SetAspectRatio(uint8_t ratio) { aspectRatio_ = ratio; }
  // "87a" or "89a" as read (not checked when reading).
  const std::string& VersionRead() const { return versionRead_; }

  TGIFGlobalColorMap& ColorMap() { return colorMap_; }
  const TGIFGlobalColorMap& ColorMap() const { return colorMap_; }

  TGIFVersion Version() const override;
  void LoadFromStream(platform::ByteReader& stream) override;
  // Writes the signature with the picture's version, the descriptor with its packed byte rebuilt
  // and the global map.
  void SaveToStream(platform::ByteWriter& stream) override;
  // The packed byte of the logical screen descriptor as it would be written.
  uint8_t PackedFields() const;
  void Assign(const TGIFHeader& other);
  void Clear();

 private:
  int width_ = 0;
  int height_ = 0;
  int colorResolution_ = 0;
  uint8_t backgroundIndex_ = 0;
  uint8_t aspectRatio_ = 0;
  std::string versionRead_;
  TGIFGlobalColorMap colorMap_;
};

class TGIFTrailer : public TGIFItem {
 public:
  using TGIFItem::TGIFItem;
  // One byte; anything but ';' warns "Invalid Image trailer"; the end of the stream is accepted.
  void LoadFromStream(platform::ByteReader& stream) override;
  void SaveToStream(platform::ByteWriter& stream) override { stream.U8(';'); }
};

}  // namespace gif
