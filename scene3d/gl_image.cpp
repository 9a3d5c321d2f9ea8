#include "scene3d/gl_image.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>

#include "scene3d/gl_constants.h"
#include "scene3d/gl_entry_points.h"
#include "scene3d/pixel_conversion.h"

namespace scene3d {

namespace {

// OpenGL takes blue-first pixels as they stand.
bool ContextTakesBGRA() {
  const TGLExtensionsAndEntryPoints* gl = ActiveGLTableOrNull();
  return gl && gl->EXT_bgra;
}

// Nearest-pixel stretch to a new width, as the platform draws a picture into a wider bitmap.
platform::Bitmap StretchToWidth(const platform::Bitmap& source, int width) {
  platform::Bitmap wide(width, source.Height(), 24);
  for (int y = 0; y < source.Height(); ++y) {
    const uint8_t* from = source.Row(y);
    uint8_t* to = wide.Row(y);
    for (int x = 0; x < width; ++x) {
      const int sx = int(int64_t(x) * source.Width() / width);
      std::memcpy(to + size_t(x) * 3, from + size_t(sx) * 3, 3);
    }
  }
  return wide;
}

uint8_t ClampToByte(double value) {
  if (!(value >= 0)) return 0;  // negative, or not a number
  if (value >= 255) return 255;
  return static_cast<uint8_t>(std::nearbyint(value));
}

}  // namespace

TGLImage::TGLImage(TPersistent* owner) : TGLBaseImage(owner) { SetUnallocated(false); }

std::unique_ptr<TDataFile> TGLImage::CreateCopy(TPersistent* owner) const { return std::make_unique<TGLImage>(owner); }

void TGLImage::Assign(const TPersistent* source) {
  if (const auto* image = dynamic_cast<const TGLImage*>(source); image && image != this && image->unallocated_) {
    CopyDescription(*image);
    unallocated_ = true;
    return;
  }
  if (source && source != this && dynamic_cast<const TGLBaseImage*>(source)) {
    TGLBaseImage::Assign(source);
    unallocated_ = false;
    return;
  }
  TGLBaseImage::Assign(source);
}

void TGLImage::Assign(const platform::Bitmap& bitmap) {
  const int bits = bitmap.BitsPerPixel();
  if ((bits == 24 || bits == 32) && (bitmap.Width() % 4 == 0 || ContextTakesBGRA())) {
    if (bits == 24)
      CopyFrom24BitBitmap(bitmap);
    else
      CopyFrom32BitBitmap(bitmap);
    return;
  }
  platform::Bitmap picture = platform::ConvertPixelFormat(bitmap, 24);
  if (picture.Width() % 4 != 0) picture = StretchToWidth(picture, (picture.Width() / 4 + 1) * 4);
  CopyFrom24BitBitmap(picture);
}

template <class T>
void TGLImage::StoreDescription(T& field, T value) {
  if (value == field) return;
  field = value;
  unallocated_ = true;
}

void TGLImage::SetWidth(int32_t width) { StoreDescription(width_, std::max(width, 0)); }
void TGLImage::SetHeight(int32_t height) { StoreDescription(height_, std::max(height, 0)); }
void TGLImage::SetDepth(int32_t depth) { StoreDescription(depth_, std::max(depth, 0)); }
void TGLImage::SetCubeMap(bool cubeMap) { StoreDescription(cubeMap_, cubeMap); }
void TGLImage::SetTextureArray(bool textureArray) { StoreDescription(textureArray_, textureArray); }

void TGLImage::SetMipLevels(int32_t levels) {
  StoreDescription(mipLevels_, std::clamp(levels, 1, MipLevelCount(width_, height_, textureArray_ ? 1 : depth_)));
}

void TGLImage::SetUnallocated(bool unallocated) {
  if (!unallocated && !IsEmpty()) AllocateData();
  unallocated_ = unallocated;
}

// --- Bitmaps ---------------------------------------------------------------------------------------------

void TGLImage::DescribeBitmapLevel(int32_t width, int32_t height, GLenum colorFormat, int32_t elementSize) {
  width_ = width;
  height_ = height;
  depth_ = 0;
  mipLevels_ = 1;
  internalFormat_ = TGLInternalFormat::tfRGBA8;
  dataType_ = GL_UNSIGNED_BYTE;
  colorFormat_ = colorFormat;
  elementSize_ = elementSize;
  cubeMap_ = textureArray_ = false;
  AllocateData();
  unallocated_ = false;
}

void TGLImage::CopyFrom24BitBitmap(const platform::Bitmap& bitmap) {
  if (bitmap.BitsPerPixel() != 24) {
    CopyFrom24BitBitmap(platform::ConvertPixelFormat(bitmap, 24));
    return;
  }
  const bool bgr = ContextTakesBGRA();
  DescribeBitmapLevel(bitmap.Width(), bitmap.Height(), bgr ? GL_BGR : GL_RGBA, bgr ? 3 : 4);
  const size_t width = size_t(width_);
  for (int32_t k = 0; k < height_; ++k) {
    const uint8_t* row = bitmap.Row(reverseRows_ ? height_ - 1 - k : k);
    uint8_t* target = data_.data() + size_t(height_ - 1 - k) * width * size_t(elementSize_);
    if (bgr)
      std::memcpy(target, row, width * 3);
    else
      ExpandBGR24(row, target, width);
  }
}

void TGLImage::CopyFrom32BitBitmap(const platform::Bitmap& bitmap) {
  if (bitmap.BitsPerPixel() != 32) {
    CopyFrom32BitBitmap(platform::ConvertPixelFormat(bitmap, 32));
    return;
  }
  const bool bgra = ContextTakesBGRA();
  DescribeBitmapLevel(bitmap.Width(), bitmap.Height(), bgra ? GL_BGRA : GL_RGBA, 4);
  const size_t width = size_t(width_);
  for (int32_t k = 0; k < height_; ++k) {
    const uint8_t* row = bitmap.Row(reverseRows_ ? height_ - 1 - k : k);
    uint8_t* target = data_.data() + size_t(height_ - 1 - k) * width * 4;
    if (bgra)
      std::memcpy(target, row, width * 4);
    else
      SwapBGRA32(row, target, width);
  }
}

std::optional<platform::Bitmap> TGLImage::To32BitBitmap() {
  if (unallocated_) return std::nullopt;
  const std::span<uint8_t> pixels = RGBA8Pixels();
  platform::Bitmap bitmap(width_, height_, 32);
  if (pixels.empty()) return bitmap;
  for (int32_t k = 0; k < height_; ++k) {
    const uint8_t* from = pixels.data() + size_t(height_ - 1 - k) * size_t(width_) * 4;
    uint8_t* to = bitmap.Row(k);
    SwapBGRA32(from, to, size_t(width_));  // the same swap turns RGBA into BGRA
  }
  return bitmap;
}

// --- Formats ---------------------------------------------------------------------------------------------

void TGLImage::ChangeFormat(GLenum colorFormat, GLenum dataType) {
  // The element size follows in both cases: a block sized later must hold the new layout.
  if (unallocated_) {
    colorFormat_ = colorFormat;
    dataType_ = dataType;
    elementSize_ = PixelSizeOf(colorFormat, dataType);
    return;
  }
  const std::vector<int64_t> oldOffsets = LevelOffsets();
  oldColorFormat_ = colorFormat_;
  oldDataType_ = dataType_;
  colorFormat_ = colorFormat;
  dataType_ = dataType;
  elementSize_ = PixelSizeOf(colorFormat, dataType);
  ConvertLevels(oldOffsets);
}

void TGLImage::ConvertLevels(const std::vector<int64_t>& oldOffsets) {
  const int64_t size = DataSize();
  const int faces = cubeMap_ ? 6 : 1;
  const int32_t levels = std::max(mipLevels_, 1);
  std::vector<uint8_t> block;
  std::vector<int32_t> offsets;
  try {
    if (size > std::numeric_limits<int32_t>::max()) throw EGLImageUtils(kImageTooLargeText);
    block.resize(size_t(size));
    int64_t position = 0;
    for (int face = 0; face < faces; ++face)
      for (int32_t level = 0; level < levels; ++level) {
        const int32_t w = std::max(1, width_ >> level), h = std::max(1, height_ >> level);
        // The layers of a 3D or array level follow each other like further rows.
        const int32_t d = std::max(1, textureArray_ ? depth_ : depth_ >> level);
        const int64_t from = oldOffsets[size_t(face) * size_t(levels) + size_t(level)];
        if (from < 0 || from > int64_t(data_.size())) throw EGLImageUtils(kBlockTooSmallText);
        ConvertImage(std::span<const uint8_t>(data_).subspan(size_t(from)),
                     std::span<uint8_t>(block).subspan(size_t(position)), oldColorFormat_, w,
                     int32_t(int64_t(h) * d), dataType_, oldDataType_, colorFormat_);
        offsets.push_back(int32_t(position));
        position += LevelSizeInBytes(level);
      }
  } catch (const EGLImageUtils&) {
    LogImageError(kCantConvertToRGBA8Text);
    SetErrorImage();
    return;
  }
  data_ = std::move(block);
  levels_ = std::move(offsets);
}

// --- Pixel tools -----------------------------------------------------------------------------------------

std::span<uint8_t> TGLImage::RGBA8Pixels() {
  // Narrowing a block that does not hold the pixels would fail and put the error picture in place.
  if (unallocated_) return {};
  NarrowToRGBA8();
  const size_t size = size_t(width_) * size_t(height_) * 4;
  if (size == 0 || data_.size() < size) return {};
  return {data_.data(), size};
}

uint8_t* TGLImage::RowPointer(int32_t y) {
  const std::span<uint8_t> pixels = RGBA8Pixels();
  if (pixels.empty() || y < 0 || y >= height_) return nullptr;
  return pixels.data() + size_t(y) * size_t(width_) * 4;
}

namespace {

template <class Change>
void ForEachPixel(std::span<uint8_t> pixels, Change change) {
  for (size_t i = 0; i + 4 <= pixels.size(); i += 4) change(pixels.data() + i);
}

void ApplyColorTable(std::span<uint8_t> pixels, const std::array<uint8_t, 256>& table) {
  ForEachPixel(pixels, [&](uint8_t* p) {
    p[0] = table[p[0]];
    p[1] = table[p[1]];
    p[2] = table[p[2]];
  });
}

}  // namespace

void TGLImage::AlphaFromIntensity() {
  ForEachPixel(RGBA8Pixels(), [](uint8_t* p) { p[3] = uint8_t((p[0] + p[1] + p[2]) / 3); });
}

void TGLImage::AlphaFromSqrtIntensity() {
  const std::array<uint8_t, 256>& table = SqrtIntensityTable();
  ForEachPixel(RGBA8Pixels(), [&](uint8_t* p) { p[3] = table[(p[0] + p[1] + p[2]) / 3]; });
}

void TGLImage::AlphaFromColorKey(uint32_t color) {
  const uint8_t red = color & 0xFF, green = (color >> 8) & 0xFF, blue = (color >> 16) & 0xFF;
  ForEachPixel(RGBA8Pixels(), [&](uint8_t* p) { p[3] = p[0] == red && p[1] == green && p[2] == blue ? 0 : 255; });
}

void TGLImage::SetAllAlpha(uint8_t value) {
  ForEachPixel(RGBA8Pixels(), [&](uint8_t* p) { p[3] = value; });
}

void TGLImage::InvertAlphaChannel() {
  ForEachPixel(RGBA8Pixels(), [](uint8_t* p) { p[3] = uint8_t(255 - p[3]); });
}

void TGLImage::ApplyBrightness(float factor) {
  if (data_.empty()) return;
  std::array<uint8_t, 256> table;
  for (int i = 0; i < 256; ++i) table[size_t(i)] = ClampToByte(double(i) * double(factor));
  ApplyColorTable(RGBA8Pixels(), table);
}

void TGLImage::ApplyGamma(float gamma) {
  if (data_.empty()) return;
  const double exponent = gamma < 0.1f ? 10.0 : 1.0 / double(gamma);
  std::array<uint8_t, 256> table;
  for (int i = 0; i < 256; ++i) table[size_t(i)] = ClampToByte(std::pow(i / 255.0, exponent) * 255.0);
  ApplyColorTable(RGBA8Pixels(), table);
}

void TGLImage::HeightToNormalMap(float scale, bool wrapX, bool wrapY) {
  const std::span<uint8_t> pixels = RGBA8Pixels();
  if (pixels.empty()) return;
  const int32_t w = width_, h = height_;
  auto height = [&](int32_t x, int32_t y) { return float(pixels[(size_t(y) * size_t(w) + size_t(x)) * 4 + 1]); };
  // A neighbour past the edge: round the other side (any size), or the pixel itself.
  auto neighbour = [](int32_t i, int32_t size, bool wrap) {
    if (i >= 0 && i < size) return i;
    return wrap ? (i % size + size) % size : std::clamp(i, 0, size - 1);
  };
  std::vector<uint8_t> normals(pixels.size());
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      const float dx = scale * (height(neighbour(x - 1, w, wrapX), y) - height(neighbour(x + 1, w, wrapX), y));
      const float dy = scale * (height(x, neighbour(y - 1, h, wrapY)) - height(x, neighbour(y + 1, h, wrapY)));
      const float factor = 127.0f / std::sqrt(dx * dx + dy * dy + 1.0f);
      uint8_t* n = normals.data() + (size_t(y) * size_t(w) + size_t(x)) * 4;
      const float components[3] = {dx * factor, dy * factor, factor};
      for (int c = 0; c < 3; ++c) n[c] = ClampToByte(double(std::clamp(components[c], -128.0f, 127.0f)) + 128.0);
      n[3] = 255;
    }
  std::memcpy(pixels.data(), normals.data(), normals.size());
}

// --- Levels and read-back ------------------------------------------------------------------------------

void TGLImage::BuildMipmaps() {
  if (!unallocated_) TGLBaseImage::BuildMipmaps();
}

void TGLImage::DropMipmaps() {
  TGLBaseImage::DropMipmaps();
  if (!unallocated_ && !IsEmpty()) data_.resize(size_t(DataSize()));
}

std::optional<platform::PictureFormat> GraphicClassForExtension(const std::string& extension) {
  return platform::FindPictureFormat(!extension.empty() && extension[0] == '.' ? extension.substr(1) : extension);
}

}  // namespace scene3d
