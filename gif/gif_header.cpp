#include "gif/gif_header.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "gif/gif_image.h"

namespace gif {

TGIFVersion TGIFHeader::Version() const {
  // The sort flag of the global map is a GIF89a field.
  return colorMap_.Optimized() ? TGIFVersion::gv89a : TGIFVersion::gv87a;
}

void TGIFHeader::LoadFromStream(platform::ByteReader& stream) {
  const size_t start = stream.Position();
  uint8_t signature[6];
  auto isGif = [&] {
    return std::toupper(signature[0]) == 'G' && std::toupper(signature[1]) == 'I' && std::toupper(signature[2]) == 'F';
  };
  ReadRecord(stream, signature, 6);
  if (!isGif()) {
    // Some writers put a 4-byte prefix before the signature.
    stream.Seek(start);
    if (stream.Remaining() < 4 + 6) throw GIFException(texts::kInvalidSignature);
    stream.Skip(4);
    ReadRecord(stream, signature, 6);
    if (!isGif()) throw GIFException(texts::kInvalidSignature);
  }
  versionRead_.assign(reinterpret_cast<const char*>(signature) + 3, 3);

  uint8_t descriptor[7];
  ReadRecord(stream, descriptor, 7);
  width_ = descriptor[0] | (descriptor[1] << 8);
  height_ = descriptor[2] | (descriptor[3] << 8);
  const uint8_t packed = descriptor[4];
  colorResolution_ = ((packed >> 4) & 7) + 1;
  backgroundIndex_ = descriptor[5];
  aspectRatio_ = descriptor[6];
  if (int64_t(width_) * height_ > kMaxFramePixels) throw GIFException(texts::kTooLarge);

  if (packed & 0x80) {
    const int count = 2 << (packed & 7);
    if (count < 2 || count > TGIFColorMap::kMaxColors) throw GIFException(texts::kInvalidColorCount);
    colorMap_.LoadFromStream(stream, count);
    colorMap_.SetOptimized((packed & 0x08) != 0);
  } else {
    colorMap_.Clear();
  }
}

uint8_t TGIFHeader::PackedFields() const {
  uint8_t packed = 0;
  const int bits = colorMap_.BitsPerPixel();
  if (!colorMap_.Empty()) {
    packed |= 0x80;
    if (colorMap_.Optimized()) packed |= 0x08;
    packed |= uint8_t(bits - 1);
  }
  const int resolution = colorResolution_ >= 1 && colorResolution_ <= 8 ? colorResolution_ : std::max(1, bits);
  packed |= uint8_t((resolution - 1) << 4);
  return packed;
}

void TGIFHeader::SaveToStream(platform::ByteWriter& stream) {
  const TGIFVersion version = Image() ? Image()->Version() : Version();
  stream.Write("GIF", 3);
  stream.Write(version == TGIFVersion::gv89a ? "89a" : "87a", 3);
  stream.U16(uint16_t(std::clamp(width_, 0, 65535)));
  stream.U16(uint16_t(std::clamp(height_, 0, 65535)));
  stream.U8(PackedFields());
  stream.U8(backgroundIndex_);
  stream.U8(aspectRatio_);
  colorMap_.SaveToStream(stream);
}

void TGIFHeader::Assign(const TGIFHeader& other) {
  width_ = other.width_;
  height_ = other.height_;
  colorResolution_ = other.colorResolution_;
  backgroundIndex_ = other.backgroundIndex_;
  aspectRatio_ = other.aspectRatio_;
  versionRead_ = other.versionRead_;
  colorMap_.Assign(other.colorMap_);
}

void TGIFHeader::Clear() {
  width_ = height_ = 0;
  colorResolution_ = 0;
  backgroundIndex_ = aspectRatio_ = 0;
  versionRead_.clear();
  colorMap_.Clear();
}

void TGIFTrailer::LoadFromStream(platform::ByteReader& stream) {
  const int b = ReadByte(stream);
  if (b >= 0 && b != ';') Warning(TGIFSeverity::Warning, texts::kInvalidTrailer);
}

}  // namespace gif
