#include "machining/image_helpers.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>
#include <vector>

#include "lang/lang.h"
#include "machining/relief.h"
#include "platform/bmp.h"
#include "platform/exception.h"
#include "platform/numbers.h"

namespace machining {

namespace {

// The first `count` bytes of a file (fewer when it is shorter); the header fields lie there, so a
// large picture is not read whole to learn them.
platform::Bytes ReadFileHead(const std::string& file, size_t count) {
  const platform::FileDescriptor in = platform::OpenRegularFile(file);
  if (!in.Valid()) throw platform::FileError(lang::LangFormatOr("1220", "Cannot open \"%1\" for reading.", {file}));
  platform::Bytes bytes(count);
  const int64_t got = platform::ReadFully(in.Get(), bytes.data(), count);
  if (got < 0) throw platform::FileError(lang::LangFormatOr("1221", "Cannot read \"%1\".", {file}));
  bytes.resize(static_cast<size_t>(got));
  return bytes;
}

void RequireBmp(const platform::Bytes& bytes, size_t fieldsEnd) {
  if (bytes.size() < 2 || bytes[0] != 'B' || bytes[1] != 'M')
    throw platform::FormatError(lang::LangStringOr("1222", "Not a BMP file: it does not start with \"BM\"."));
  if (bytes.size() < fieldsEnd)
    throw platform::FormatError(
        lang::LangFormatOr("1223", "BMP file too short for its header: %1 bytes.", {std::to_string(bytes.size())}));
}

// Held and divided in extended precision: whole pixels per metre such as 2500 give a quotient a hair
// below a half (63.4999...), which a double rounds up to the tie.
constexpr long double kInchesPerMetre = 39.370078740157480324L;
constexpr size_t kJfifSearch = 50;

// `operation` is the number and English of the operation's name ("Flipping").
void RefusePacked(const platform::Bitmap& bitmap, lang::MessageNumber number, const char* operation) {
  if (bitmap.BitsPerPixel() < 8)
    throw platform::BitmapError(lang::LangFormatOr("1224",
                                                   "%1 needs whole bytes per pixel: bring the %2-bit picture to 8 "
                                                   "bits first.",
                                                   {lang::LangStringOr(number, operation),
                                                    std::to_string(bitmap.BitsPerPixel())}));
}

}  // namespace

BmpInfo ReadBmpInfo(const platform::Bytes& bytes) {
  // From the headers as the reader parses them, not from fixed offsets: an OS/2 header has other
  // fields at those places, and the relief is sized from these.
  const platform::BmpHeaderInfo header = platform::ReadBmpHeaderInfo(bytes.data(), bytes.size());
  BmpInfo info;
  info.bitsPerPixel = header.bitCount;
  info.compressed = header.compression != 0;
  // Half to even, as Round does.
  info.dpiX = static_cast<int>(std::nearbyintl(header.pixelsPerMeterX / kInchesPerMetre));
  info.dpiY = static_cast<int>(std::nearbyintl(header.pixelsPerMeterY / kInchesPerMetre));
  return info;
}

BmpInfo ReadBmpInfo(const std::string& file) { return ReadBmpInfo(ReadFileHead(file, platform::kBmpHeadersSize)); }

int32_t ReadBmpFileLength(const platform::Bytes& bytes) {
  RequireBmp(bytes, 6);
  platform::ByteReader in(bytes);
  in.Seek(2);
  return in.I32();
}

int32_t ReadBmpFileLength(const std::string& file) { return ReadBmpFileLength(ReadFileHead(file, 6)); }

bool ReadJpegDensity(const platform::Bytes& bytes, int& dpiX, int& dpiY) {
  static constexpr std::string_view kMarker("JFIF\0", 5);
  size_t searched = std::min(bytes.size(), kJfifSearch);
  for (size_t k = 0; k + kMarker.size() <= searched; ++k) {
    if (std::memcmp(bytes.data() + k, kMarker.data(), kMarker.size()) != 0) continue;
    if (k + 12 > bytes.size()) return false;
    platform::ByteReader in(bytes);
    in.Seek(k + 7);
    uint8_t units = in.U8();
    uint16_t x = in.U16BigEndian();
    uint16_t y = in.U16BigEndian();
    // Units 0 give only the pixels' aspect ratio, not a size; dots per centimetre become per inch.
    if (units == 1) {
      dpiX = x;
      dpiY = y;
    } else if (units == 2) {
      dpiX = static_cast<int>(platform::Round(x * 2.54));
      dpiY = static_cast<int>(platform::Round(y * 2.54));
    } else {
      return false;
    }
    return true;
  }
  return false;
}

bool ReadJpegDensity(const std::string& file, int& dpiX, int& dpiY) {
  return ReadJpegDensity(ReadFileHead(file, kJfifSearch + 12), dpiX, dpiY);
}

void SetReliefSizeFromBitmap(ReliefModel& model, const platform::Bitmap& bitmap, int resolutionDpi, bool inches) {
  CheckReliefPictureSize(bitmap.Width(), bitmap.Height());
  model.columns = bitmap.Width();
  model.rows = bitmap.Height();
  double width = model.columns - 1;
  double height = model.rows - 1;
  if (resolutionDpi > 0) {
    width /= resolutionDpi;
    height /= resolutionDpi;
    if (!inches) {
      width *= 25.4;
      height *= 25.4;
    }
  }
  model.width = static_cast<float>(width);
  model.height = static_cast<float>(height);
  model.unitsPerPixel = model.width / static_cast<float>(model.columns - 1);
}

void MakeGreyPaletteBitmap(platform::Bitmap& bitmap, int height, int width, bool flat) {
  platform::Bitmap grey = platform::ToGreyEightBit(bitmap);
  grey.Resize(width, height);
  platform::Palette palette = platform::GreyPalette(8);
  if (flat) std::fill(palette.begin(), palette.begin() + 250, platform::Rgb(200, 200, 200));
  grey.SetColors(std::move(palette));
  bitmap = std::move(grey);
}

std::string MakeEightBit(platform::Bitmap& bitmap) {
  if (bitmap.BitsPerPixel() != 8) bitmap = platform::ToGreyEightBit(bitmap);
  return "8 bit";
}

void FlipVertical(platform::Bitmap& bitmap) {
  RefusePacked(bitmap, "1225", "Flipping");
  std::vector<uint8_t> swap(bitmap.Stride());
  for (int i = 0; i < bitmap.Height() / 2; ++i) {
    uint8_t* a = bitmap.Row(i);
    uint8_t* b = bitmap.Row(bitmap.Height() - 1 - i);
    std::memcpy(swap.data(), a, swap.size());
    std::memcpy(a, b, swap.size());
    std::memcpy(b, swap.data(), swap.size());
  }
}

void FlipHorizontal(platform::Bitmap& bitmap) {
  RefusePacked(bitmap, "1225", "Flipping");
  const int bpp = bitmap.BytesPerPixel();
  const int width = bitmap.Width();
  for (int y = 0; y < bitmap.Height(); ++y) {
    uint8_t* row = bitmap.Row(y);
    for (int j = 0; j < width / 2; ++j)
      std::swap_ranges(row + j * bpp, row + (j + 1) * bpp, row + (width - 1 - j) * bpp);
  }
}

void Rotate90(platform::Bitmap& bitmap) {
  RefusePacked(bitmap, "1226", "Rotating");
  const int bpp = bitmap.BytesPerPixel();
  const int oldWidth = bitmap.Width();
  platform::Bitmap turned(bitmap.Height(), oldWidth, bitmap.BitsPerPixel());
  turned.SetColors(bitmap.Colors());
  turned.SetResolution(bitmap.PixelsPerMeterY(), bitmap.PixelsPerMeterX());
  for (int r = 0; r < turned.Height(); ++r) {
    uint8_t* out = turned.Row(r);
    const int oldColumn = oldWidth - 1 - r;
    for (int c = 0; c < turned.Width(); ++c) std::memcpy(out + c * bpp, bitmap.Row(c) + oldColumn * bpp, bpp);
  }
  bitmap = std::move(turned);
}

void CropBitmap(const platform::Bitmap& source, platform::Bitmap& target, int x, int y, int width, int height) {
  RefusePacked(source, "1227", "Cropping");
  if (width < 1 || height < 1 || x < 0 || y < 0 || x > source.Width() - width || y > source.Height() - height)
    throw platform::BitmapError(lang::LangFormatOr(
        "1228", "The crop rectangle of %1 x %2 pixels at (%3, %4) does not lie inside the picture of %5 x %6 pixels.",
        {std::to_string(width), std::to_string(height), std::to_string(x), std::to_string(y),
         std::to_string(source.Width()), std::to_string(source.Height())}));
  const int bpp = source.BytesPerPixel();
  platform::Bitmap cropped(width, height, source.BitsPerPixel());
  cropped.SetColors(source.Colors());
  cropped.SetResolution(source.PixelsPerMeterX(), source.PixelsPerMeterY());
  for (int i = 0; i < height; ++i)
    std::memcpy(cropped.Row(i), source.Row(y + i) + static_cast<size_t>(x) * bpp, static_cast<size_t>(width) * bpp);
  target = std::move(cropped);
}

}  // namespace machining
