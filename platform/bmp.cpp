#include "platform/bmp.h"

#include <bit>
#include <cstring>
#include <string>

#include "platform/texts.h"

namespace platform {

namespace {

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiRle4 = 2;
constexpr uint32_t kBiBitfields = 3;
constexpr size_t kFileHeaderSize = 14;
constexpr size_t kInfoHeaderSize = 40;

[[noreturn]] void Fail(const std::string& why) {
  throw FormatError(TextFormat("1350", "BMP file cannot be read: %1", {why}));
}
// The reason `number` (English `why`) with its arguments.
[[noreturn]] void Fail(std::string_view number, std::string_view why, std::initializer_list<std::string_view> arguments = {}) {
  Fail(TextFormat(number, why, arguments));
}

std::string Num(uint64_t v) { return std::to_string(v); }

struct Header {
  uint32_t headerSize = 0;
  int64_t width = 0;
  int64_t height = 0;  // positive; topDown says which way rows run
  bool topDown = false;
  int bitCount = 0;
  uint32_t compression = kBiRgb;
  uint32_t colorsUsed = 0;
  int32_t perMeterX = 0;
  int32_t perMeterY = 0;
  uint32_t masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha
  size_t paletteOffset = 0;
  size_t paletteEntrySize = 4;
};

Header ReadHeader(ByteReader& in, int64_t maxPixels) {
  Header h;
  in.Seek(kFileHeaderSize);
  h.headerSize = in.U32();
  if (h.headerSize == 64) Fail("1351", "OS/2 2.x bitmap headers are not supported.");
  if (h.headerSize != 12 && h.headerSize != 40 && h.headerSize != 52 && h.headerSize != 56 && h.headerSize != 108 &&
      h.headerSize != 124)
    Fail("1352", "unknown header size %1.", {Num(h.headerSize)});
  if (kFileHeaderSize + h.headerSize > in.Size()) Fail("1353", "the file ends inside its header.");
  if (h.headerSize == 12) {
    // BITMAPCOREHEADER: 16-bit sizes, 3-byte palette entries, no compression.
    h.width = in.U16();
    h.height = in.U16();
    in.U16();  // planes
    h.bitCount = in.U16();
    h.paletteEntrySize = 3;
  } else {
    h.width = in.I32();
    int32_t height = in.I32();
    in.U16();  // planes
    h.bitCount = in.U16();
    h.compression = in.U32();
    in.U32();  // image size: not trusted, the rows' size follows from width and bit count
    h.perMeterX = in.I32();
    h.perMeterY = in.I32();
    h.colorsUsed = in.U32();
    in.U32();  // important colours
    h.topDown = height < 0;
    h.height = height < 0 ? -static_cast<int64_t>(height) : height;
    if (h.headerSize >= 52) {
      for (int i = 0; i < (h.headerSize >= 56 ? 4 : 3); ++i) h.masks[i] = in.U32();
    } else if (h.compression == kBiBitfields) {
      if (in.Remaining() < 12) Fail("1354", "the file ends inside its colour masks.");
      for (int i = 0; i < 3; ++i) h.masks[i] = in.U32();
    }
  }
  h.paletteOffset = kFileHeaderSize + h.headerSize + (h.headerSize == 40 && h.compression == kBiBitfields ? 12 : 0);

  if (h.width <= 0 || h.height <= 0)
    Fail("1355", "its size %1 x %2 is not a picture.",
         {std::to_string(h.width), std::to_string(h.topDown ? -h.height : h.height)});
  if (h.bitCount != 1 && h.bitCount != 4 && h.bitCount != 8 && h.bitCount != 16 && h.bitCount != 24 &&
      h.bitCount != 32)
    Fail("1356", "%1 bits per pixel is not a known bit depth.", {Num(h.bitCount)});
  switch (h.compression) {
    case kBiRgb:
      break;
    case kBiRle8:
    case kBiRle4:
      if (h.bitCount != (h.compression == kBiRle8 ? 8 : 4))
        Fail("1357", "run-length compression does not match %1 bits per pixel.", {Num(h.bitCount)});
      if (h.topDown) Fail("1358", "a run-length compressed picture cannot be stored top-down.");
      break;
    case kBiBitfields:
      if (h.bitCount != 16 && h.bitCount != 32) Fail("1359", "colour masks need 16 or 32 bits per pixel.");
      break;
    default:
      Fail("1360", "compression %1 is not supported.", {Num(h.compression)});
  }
  try {
    CheckBitmapSize(h.width, h.height);
  } catch (const BitmapError& e) {
    Fail(e.what());
  }
  if (h.width * h.height > maxPixels)
    Fail("1361", "its %1 pixels are more than the %2 its data can hold.",
         {Num(uint64_t(h.width * h.height)), Num(uint64_t(maxPixels))});
  return h;
}

Palette ReadPalette(const Header& h, const uint8_t* data, size_t size, size_t pixelOffset) {
  if (!IsIndexedFormat(h.bitCount)) return {};
  size_t most = size_t(1) << h.bitCount;
  size_t count = h.colorsUsed ? h.colorsUsed : most;
  if (count > 256) Fail("1362", "its palette of %1 colours is larger than 256.", {Num(count)});
  // Some writers announce a full palette but store fewer entries before the pixels: cut it there
  // before it is measured against the file, which may end soon after those pixels.
  if (pixelOffset >= h.paletteOffset && h.paletteOffset + count * h.paletteEntrySize > pixelOffset)
    count = (pixelOffset - h.paletteOffset) / h.paletteEntrySize;
  if (h.paletteOffset + count * h.paletteEntrySize > size)
    Fail("1363", "its palette of %1 colours is larger than the file (%2 bytes).", {Num(count), Num(size)});
  if (count > most) count = most;
  Palette palette(count);
  const uint8_t* p = data + h.paletteOffset;
  for (size_t i = 0; i < count; ++i, p += h.paletteEntrySize) palette[i] = RgbQuad{p[0], p[1], p[2], 0};
  return palette;
}

// One channel of a colour mask: where it lies and how many bits it has.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  int bits = 0;
  uint8_t Of(uint32_t value) const {
    if (!bits) return 0;
    uint64_t v = (value & mask) >> shift;
    uint64_t most = (uint64_t(1) << bits) - 1;
    return static_cast<uint8_t>((v * 255 + most / 2) / most);
  }
};

Channel MakeChannel(uint32_t mask, int bitCount) {
  Channel c;
  if (bitCount == 16) mask &= 0xFFFF;
  if (!mask) return c;
  c.mask = mask;
  c.shift = std::countr_zero(mask);
  c.bits = std::popcount(mask);
  if ((mask >> c.shift) != (uint32_t(0xFFFFFFFF) >> (32 - c.bits))) Fail("1364", "its colour masks are not contiguous.");
  return c;
}

// Pixel format our bitmap gets for the file's bit count and masks, and whether the rows can be
// copied as they stand.
int TargetFormat(const Header& h, bool& rawCopy) {
  rawCopy = true;
  if (h.bitCount == 16) {
    if (h.compression != kBiBitfields) return 15;
    uint32_t r = h.masks[0] & 0xFFFF, g = h.masks[1] & 0xFFFF, b = h.masks[2] & 0xFFFF;
    if (r == 0x7C00 && g == 0x03E0 && b == 0x001F) return 15;
    if (r == 0xF800 && g == 0x07E0 && b == 0x001F) return 16;
    rawCopy = false;
    return std::popcount(g) == 6 ? 16 : 15;
  }
  if (h.bitCount == 32 && h.compression == kBiBitfields) {
    rawCopy = h.masks[0] == 0x00FF0000 && h.masks[1] == 0x0000FF00 && h.masks[2] == 0x000000FF &&
              (h.masks[3] == 0 || h.masks[3] == 0xFF000000);
  }
  return h.bitCount;
}

// Pixel memory a run-length picture may take whatever its data: pictures this small are read even
// when their data skips most lines (delta and end-of-bitmap escapes).
constexpr uint64_t kRunLengthFreeBytes = uint64_t(4) << 20;
// Bytes of pixel memory one byte of run-length data can fill at most: a run codes 255 pixels in two
// bytes and every line ends in a two-byte escape, so fully coded pictures stay below 128.
constexpr uint64_t kRunLengthBytesPerDataByte = 128;

// Before any pixel memory is taken: a tiny file must not claim a huge picture it cannot fill.
void CheckRunLengthSize(const Header& h, size_t size, size_t offset) {
  if (offset > size) Fail("1365", "its pixel data offset %1 lies beyond the end of the file.", {Num(offset)});
  const uint64_t data = size - offset;
  const uint64_t memory = static_cast<uint64_t>(RowStride(static_cast<int>(h.width), h.bitCount)) *
                          static_cast<uint64_t>(h.height);
  if (memory > kRunLengthFreeBytes && memory > data * kRunLengthBytesPerDataByte)
    Fail("1366", "its %1 bytes of run-length data cannot fill %2 x %3 pixels.", {Num(data), Num(h.width), Num(h.height)});
}

// Before any pixel memory is taken: the rows must all be in the file.
void CheckUncompressedSize(const Header& h, size_t size, size_t offset) {
  uint64_t need = static_cast<uint64_t>(RowStride(static_cast<int>(h.width), h.bitCount)) * static_cast<uint64_t>(h.height);
  if (offset > size || need > size - offset)
    Fail("1367", "it is truncated: %1 bytes of pixels expected at offset %2, %3 present.",
         {Num(need), Num(offset), Num(offset > size ? 0 : size - offset)});
}

void ReadUncompressed(const Header& h, const uint8_t* data, size_t offset, Bitmap& bitmap) {
  size_t fileStride = RowStride(static_cast<int>(h.width), h.bitCount);
  bool rawCopy = true;
  TargetFormat(h, rawCopy);
  Channel channels[4];
  if (!rawCopy)
    for (int i = 0; i < 4; ++i) channels[i] = MakeChannel(h.masks[i], h.bitCount);
  int rows = static_cast<int>(h.height);
  int width = static_cast<int>(h.width);
  for (int k = 0; k < rows; ++k) {
    const uint8_t* in = data + offset + static_cast<size_t>(k) * fileStride;
    int y = h.topDown ? k : rows - 1 - k;
    if (rawCopy) {
      std::memcpy(bitmap.Row(y), in, bitmap.Stride());
      continue;
    }
    for (int x = 0; x < width; ++x) {
      uint32_t v = h.bitCount == 16 ? static_cast<uint32_t>(in[2 * x] | (in[2 * x + 1] << 8))
                                    : static_cast<uint32_t>(in[4 * x] | (in[4 * x + 1] << 8) | (in[4 * x + 2] << 16) |
                                                            (static_cast<uint32_t>(in[4 * x + 3]) << 24));
      RgbQuad c{channels[2].Of(v), channels[1].Of(v), channels[0].Of(v), channels[3].Of(v)};
      bitmap.SetPixel(x, y, c);
    }
  }
}

// RLE8 and RLE4: runs and escapes from the bottom line up. Pixels the data skips stay index 0;
// runs past the right edge are clipped rather than wrapped.
void ReadRunLength(const Header& h, const uint8_t* data, size_t size, size_t offset, Bitmap& bitmap) {
  ByteReader in(data + offset, size - offset);
  bool four = h.compression == kBiRle4;
  int64_t width = h.width, height = h.height;
  int64_t x = 0, line = 0;  // line 0 is the bottom line
  auto put = [&](uint8_t index) {
    if (x < width && line < height) bitmap.SetIndex(static_cast<int>(x), static_cast<int>(height - 1 - line), index);
    ++x;
  };
  try {
    for (;;) {
      uint8_t count = in.U8();
      uint8_t value = in.U8();
      if (count > 0) {
        int64_t n = x < width ? std::min<int64_t>(count, width - x) : 0;
        for (int64_t i = 0; i < n; ++i) put(four ? ((i & 1) ? (value & 0x0F) : (value >> 4)) : value);
        x += count - n;
      } else if (value == 0) {
        x = 0;
        ++line;
      } else if (value == 1) {
        return;
      } else if (value == 2) {
        x += in.U8();
        line += in.U8();
      } else {
        size_t bytes = four ? (value + 1u) / 2 : value;
        in.Require(bytes + (bytes & 1));
        for (int i = 0; i < value; ++i) {
          uint8_t b = data[offset + in.Position() + (four ? i / 2 : i)];
          put(four ? ((i & 1) ? (b & 0x0F) : (b >> 4)) : b);
        }
        in.Skip(bytes + (bytes & 1));
      }
      if (line >= height) return;  // past the top: nothing more can be drawn
    }
  } catch (const FormatError&) {
    Fail("1368", "it is truncated: the run-length data ends before its end-of-bitmap mark.");
  }
}

// The file header's "BM" and pixel offset, then the bitmap header.
Header ReadHeaders(const uint8_t* data, size_t size, size_t& pixelOffset, int64_t maxPixels) {
  if (size < kFileHeaderSize + 4) Fail("1369", "it is only %1 bytes long.", {Num(size)});
  if (data[0] != 'B' || data[1] != 'M') Fail("1370", "it does not start with \"BM\".");
  ByteReader in(data, size);
  in.Seek(10);
  pixelOffset = in.U32();
  return ReadHeader(in, maxPixels);
}

}  // namespace

BmpHeaderInfo ReadBmpHeaderInfo(const uint8_t* data, size_t size) {
  size_t pixelOffset = 0;
  const Header h = ReadHeaders(data, size, pixelOffset, kMaxBitmapPixels);
  return BmpHeaderInfo{h.bitCount, h.compression, h.perMeterX, h.perMeterY};
}

Bitmap DecodeBmp(const uint8_t* data, size_t size) { return DecodeBmp(data, size, kMaxBitmapPixels); }

Bitmap DecodeBmp(const uint8_t* data, size_t size, int64_t maxPixels) {
  size_t pixelOffset = 0;
  Header h = ReadHeaders(data, size, pixelOffset, maxPixels);
  size_t headerEnd = h.paletteOffset;
  if (pixelOffset == 0) {
    // Some writers leave the offset out: the pixels follow the palette.
    size_t count = IsIndexedFormat(h.bitCount) ? (h.colorsUsed ? h.colorsUsed : size_t(1) << h.bitCount) : 0;
    if (count > 256) Fail("1362", "its palette of %1 colours is larger than 256.", {Num(count)});
    pixelOffset = headerEnd + count * h.paletteEntrySize;
  } else if (pixelOffset < headerEnd) {
    Fail("1371", "its pixel data offset %1 lies inside its header.", {Num(pixelOffset)});
  }
  Palette palette = ReadPalette(h, data, size, pixelOffset);
  const bool runLength = h.compression == kBiRle8 || h.compression == kBiRle4;
  if (runLength)
    CheckRunLengthSize(h, size, pixelOffset);
  else
    CheckUncompressedSize(h, size, pixelOffset);

  bool rawCopy = true;
  Bitmap bitmap(static_cast<int>(h.width), static_cast<int>(h.height), TargetFormat(h, rawCopy));
  // A picture of indices that stores no palette keeps the grey ramp the bitmap starts with: it shows
  // as grey levels rather than all black, and a save, which writes that ramp, gives back the same
  // picture.
  if (IsIndexedFormat(h.bitCount) && !palette.empty()) bitmap.SetColors(std::move(palette));
  bitmap.SetResolution(h.perMeterX, h.perMeterY);
  if (runLength)
    ReadRunLength(h, data, size, pixelOffset, bitmap);
  else
    ReadUncompressed(h, data, pixelOffset, bitmap);
  return bitmap;
}

Bitmap ReadBmpFile(const std::string& path) { return DecodeImageFile(path, DecodeBmp); }

Bytes EncodeBmpHeader(const Bitmap& bitmap) {
  if (bitmap.Empty()) throw BitmapError("An empty bitmap cannot be written as a BMP file.");
  int bits = bitmap.BitsPerPixel();
  bool masks = bits == 16;
  Palette palette = bitmap.Colors();
  if (IsIndexedFormat(bits) && palette.empty()) palette = GreyPalette(bits);
  size_t offBits = kFileHeaderSize + kInfoHeaderSize + (masks ? 12 : 0) + 4 * palette.size();
  size_t imageSize = bitmap.Stride() * static_cast<size_t>(bitmap.Height());

  ByteWriter out;
  out.U8('B');
  out.U8('M');
  out.U32(static_cast<uint32_t>(offBits + imageSize));
  out.U32(0);
  out.U32(static_cast<uint32_t>(offBits));
  out.U32(kInfoHeaderSize);
  out.I32(bitmap.Width());
  out.I32(bitmap.Height());
  out.U16(1);
  out.U16(static_cast<uint16_t>(bits == 15 ? 16 : bits));
  out.U32(masks ? kBiBitfields : kBiRgb);
  out.U32(static_cast<uint32_t>(imageSize));
  out.I32(bitmap.PixelsPerMeterX());
  out.I32(bitmap.PixelsPerMeterY());
  out.U32(static_cast<uint32_t>(palette.size()));
  out.U32(0);
  if (masks) {
    out.U32(0xF800);
    out.U32(0x07E0);
    out.U32(0x001F);
  }
  for (const RgbQuad& c : palette) {
    out.U8(c.blue);
    out.U8(c.green);
    out.U8(c.red);
    out.U8(0);
  }
  return out.Take();
}

Bytes EncodeBmp(const Bitmap& bitmap) {
  ByteWriter out;
  const Bytes header = EncodeBmpHeader(bitmap);
  out.Write(header.data(), header.size());
  ForEachBmpRow(bitmap, [&out](const uint8_t* row, size_t size) { out.Write(row, size); });
  return out.Take();
}

void WriteBmpFile(const std::string& path, const Bitmap& bitmap) { WriteFileBytes(path, EncodeBmp(bitmap)); }

}  // namespace platform
