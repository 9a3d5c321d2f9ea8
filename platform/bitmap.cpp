#include "platform/bitmap.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "platform/binary_stream.h"
#include "platform/mapped_file.h"
#include "platform/texts.h"

namespace platform {

int BytesPerPixel(int bitsPerPixel) {
  switch (bitsPerPixel) {
    case 1:
    case 4:
    case 8:
      return 1;
    case 15:
    case 16:
      return 2;
    case 24:
      return 3;
    case 32:
      return 4;
    default:
      throw InvalidPixelFormat();
  }
}

bool IsValidPixelFormat(int bitsPerPixel) {
  switch (bitsPerPixel) {
    case 1:
    case 4:
    case 8:
    case 15:
    case 16:
    case 24:
    case 32:
      return true;
    default:
      return false;
  }
}

void CheckBitmapSize(int64_t width, int64_t height) {
  if (width < 0 || height < 0)
    throw BitmapError("Bitmap size " + std::to_string(width) + " x " + std::to_string(height) + " is negative.");
  if (width > kMaxBitmapSide || height > kMaxBitmapSide || width * height > kMaxBitmapPixels)
    throw BitmapError(TextFormat("1379",
                                 "Bitmap of %1 x %2 pixels is too large: at most %3 pixels a side and %4 pixels in "
                                 "all are accepted.",
                                 {std::to_string(width), std::to_string(height), std::to_string(kMaxBitmapSide),
                                  std::to_string(kMaxBitmapPixels)}));
}

size_t RowStride(int width, int bitsPerPixel) {
  int storedBits = bitsPerPixel == 15 ? 16 : bitsPerPixel;
  return ((static_cast<size_t>(width) * storedBits + 31) / 32) * 4;
}

Palette GreyPalette(int bitsPerPixel) {
  if (!IsIndexedFormat(bitsPerPixel)) return {};
  int count = 1 << bitsPerPixel;
  Palette palette(count);
  for (int i = 0; i < count; ++i) {
    auto level = static_cast<uint8_t>(i * 255 / (count - 1));
    palette[i] = Rgb(level, level, level);
  }
  return palette;
}

Bitmap::Bitmap(int width, int height, int bitsPerPixel) { Reset(width, height, bitsPerPixel); }

Bitmap::Bitmap(int width, int height, int bitsPerPixel, std::vector<uint8_t> pixels) {
  platform::BytesPerPixel(bitsPerPixel);
  CheckBitmapSize(width, height);
  const size_t stride = RowStride(width, bitsPerPixel);
  if (pixels.size() != stride * static_cast<size_t>(height))
    throw BitmapError(std::to_string(pixels.size()) + " bytes are no rows of a " + std::to_string(width) + " x " +
                      std::to_string(height) + " bitmap of " + std::to_string(bitsPerPixel) + " bits per pixel.");
  width_ = width;
  height_ = height;
  bitsPerPixel_ = bitsPerPixel;
  stride_ = stride;
  pixels_ = std::move(pixels);
  palette_ = GreyPalette(bitsPerPixel);
}

void Bitmap::Reset(int width, int height, int bitsPerPixel) {
  platform::BytesPerPixel(bitsPerPixel);  // refuses unknown formats
  CheckBitmapSize(width, height);
  width_ = width;
  height_ = height;
  bitsPerPixel_ = bitsPerPixel;
  stride_ = RowStride(width, bitsPerPixel);
  pixels_.assign(stride_ * static_cast<size_t>(height), 0);
  palette_ = GreyPalette(bitsPerPixel);
}

void Bitmap::Resize(int width, int height) {
  CheckBitmapSize(width, height);
  size_t stride = RowStride(width, bitsPerPixel_);
  std::vector<uint8_t> pixels(stride * static_cast<size_t>(height), 0);
  // The common pixels only: padding and bits beyond the old width never become new pixels.
  size_t commonBits = static_cast<size_t>(std::min(width, width_)) * (bitsPerPixel_ == 15 ? 16 : bitsPerPixel_);
  size_t wholeBytes = commonBits / 8;
  auto lastMask = static_cast<uint8_t>(0xFF00 >> (commonBits % 8));
  for (int y = 0; y < std::min(height, height_); ++y) {
    uint8_t* out = pixels.data() + static_cast<size_t>(y) * stride;
    std::memcpy(out, Row(y), wholeBytes);
    if (commonBits % 8) out[wholeBytes] = Row(y)[wholeBytes] & lastMask;
  }
  width_ = width;
  height_ = height;
  stride_ = stride;
  pixels_ = std::move(pixels);
}

void Bitmap::SetColors(Palette palette) {
  if (!IsIndexedFormat(bitsPerPixel_)) {
    palette_.clear();
    return;
  }
  size_t most = size_t(1) << bitsPerPixel_;
  if (palette.size() > most) palette.resize(most);
  palette_ = std::move(palette);
}

uint8_t Bitmap::Index(int x, int y) const {
  const uint8_t* row = Row(y);
  switch (bitsPerPixel_) {
    case 1:
      return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4:
      return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
    case 8:
      return row[x];
    default:
      throw BitmapError("Bitmap of " + std::to_string(bitsPerPixel_) + " bits per pixel has no palette indices.");
  }
}

void Bitmap::SetIndex(int x, int y, uint8_t index) {
  uint8_t* row = Row(y);
  switch (bitsPerPixel_) {
    case 1: {
      uint8_t mask = static_cast<uint8_t>(0x80 >> (x & 7));
      row[x >> 3] = static_cast<uint8_t>((index & 1) ? (row[x >> 3] | mask) : (row[x >> 3] & ~mask));
      return;
    }
    case 4:
      if (x & 1)
        row[x >> 1] = static_cast<uint8_t>((row[x >> 1] & 0xF0) | (index & 0x0F));
      else
        row[x >> 1] = static_cast<uint8_t>((row[x >> 1] & 0x0F) | ((index & 0x0F) << 4));
      return;
    case 8:
      row[x] = index;
      return;
    default:
      throw BitmapError("Bitmap of " + std::to_string(bitsPerPixel_) + " bits per pixel has no palette indices.");
  }
}

namespace {

// Widens a channel of `bits` bits to 8 bits so that its largest value becomes 255.
uint8_t Widen(unsigned value, int bits) {
  unsigned most = (1u << bits) - 1;
  return static_cast<uint8_t>((value * 255 + most / 2) / most);
}

}  // namespace

RgbQuad Bitmap::Pixel(int x, int y) const {
  const uint8_t* row = Row(y);
  switch (bitsPerPixel_) {
    case 1:
    case 4:
    case 8: {
      uint8_t index = Index(x, y);
      return index < palette_.size() ? palette_[index] : RgbQuad{};
    }
    case 15: {
      unsigned w = row[2 * x] | (row[2 * x + 1] << 8);
      return Rgb(Widen((w >> 10) & 31, 5), Widen((w >> 5) & 31, 5), Widen(w & 31, 5));
    }
    case 16: {
      unsigned w = row[2 * x] | (row[2 * x + 1] << 8);
      return Rgb(Widen((w >> 11) & 31, 5), Widen((w >> 5) & 63, 6), Widen(w & 31, 5));
    }
    case 24:
      return RgbQuad{row[3 * x], row[3 * x + 1], row[3 * x + 2], 0};
    default:
      return RgbQuad{row[4 * x], row[4 * x + 1], row[4 * x + 2], row[4 * x + 3]};
  }
}

void Bitmap::SetPixel(int x, int y, RgbQuad color) {
  uint8_t* row = Row(y);
  switch (bitsPerPixel_) {
    case 15: {
      unsigned w = ((color.red >> 3) << 10) | ((color.green >> 3) << 5) | (color.blue >> 3);
      row[2 * x] = static_cast<uint8_t>(w);
      row[2 * x + 1] = static_cast<uint8_t>(w >> 8);
      return;
    }
    case 16: {
      unsigned w = ((color.red >> 3) << 11) | ((color.green >> 2) << 5) | (color.blue >> 3);
      row[2 * x] = static_cast<uint8_t>(w);
      row[2 * x + 1] = static_cast<uint8_t>(w >> 8);
      return;
    }
    case 24:
      row[3 * x] = color.blue;
      row[3 * x + 1] = color.green;
      row[3 * x + 2] = color.red;
      return;
    case 32:
      std::memcpy(row + 4 * x, &color, 4);
      return;
    default:
      throw BitmapError("A colour cannot be stored in a bitmap of " + std::to_string(bitsPerPixel_) +
                        " bits per pixel.");
  }
}

uint8_t GreyLevelOfTie(uint8_t red, uint8_t green, uint8_t blue) {
  long double grey = 0.299L * red + 0.587L * green + 0.114L * blue;
  return static_cast<uint8_t>(std::nearbyintl(grey));
}

Bitmap ConvertPixelFormat(const Bitmap& source, int bitsPerPixel) {
  BytesPerPixel(bitsPerPixel);
  if (bitsPerPixel == source.BitsPerPixel()) return source;
  Bitmap target;
  if (bitsPerPixel == 8 && IsIndexedFormat(source.BitsPerPixel())) {
    target.Reset(source.Width(), source.Height(), 8);
    for (int y = 0; y < source.Height(); ++y) {
      uint8_t* out = target.Row(y);
      for (int x = 0; x < source.Width(); ++x) out[x] = source.Index(x, y);
    }
    target.SetColors(source.Colors());
  } else if (bitsPerPixel == 8) {
    return ToGreyEightBit(source);
  } else if (IsIndexedFormat(bitsPerPixel)) {
    throw BitmapError("Conversion to " + std::to_string(bitsPerPixel) + " bits per pixel is not supported.");
  } else {
    target.Reset(source.Width(), source.Height(), bitsPerPixel);
    for (int y = 0; y < source.Height(); ++y)
      for (int x = 0; x < source.Width(); ++x) target.SetPixel(x, y, source.Pixel(x, y));
  }
  target.SetResolution(source.PixelsPerMeterX(), source.PixelsPerMeterY());
  return target;
}

Bitmap ToGreyEightBit(const Bitmap& source) {
  Bitmap target(source.Width(), source.Height(), 8);
  if (IsIndexedFormat(source.BitsPerPixel())) {
    uint8_t greyOf[256] = {};
    const Palette& palette = source.Colors();
    for (size_t i = 0; i < palette.size(); ++i) greyOf[i] = GreyLevel(palette[i].red, palette[i].green, palette[i].blue);
    for (int y = 0; y < source.Height(); ++y) {
      uint8_t* out = target.Row(y);
      for (int x = 0; x < source.Width(); ++x) out[x] = greyOf[source.Index(x, y)];
    }
  } else {
    for (int y = 0; y < source.Height(); ++y) {
      uint8_t* out = target.Row(y);
      for (int x = 0; x < source.Width(); ++x) {
        RgbQuad c = source.Pixel(x, y);
        out[x] = GreyLevel(c.red, c.green, c.blue);
      }
    }
  }
  target.SetResolution(source.PixelsPerMeterX(), source.PixelsPerMeterY());
  return target;
}

Bitmap DecodeImageFile(const std::string& path, Bitmap (*decode)(const uint8_t* data, size_t size)) {
  const MappedFile file(path);
  try {
    return decode(file.Data(), file.Size());
  } catch (const FormatError& e) {
    throw FormatError(TextFormat("1380", "%1: %2", {path, e.what()}));
  }
}

}  // namespace platform
