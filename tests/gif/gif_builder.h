// Hand-made GIF files for the tests: every byte placed on purpose, so a test can make exactly the
// damaged or unusual file it is about.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/binary_stream.h"

namespace gif_testing {

class GifBuilder {
 public:
  // Signature, logical screen and a global map of `colors` grey-ish entries (a power of two, 0 for
  // none): entry i is (i, 255 - i, i * 3).
  GifBuilder& Header(int width, int height, int colors, int background = 0, const char* version = "89a") {
    w_.Write("GIF", 3);
    w_.Write(version, 3);
    w_.U16(uint16_t(width));
    w_.U16(uint16_t(height));
    int bits = 0;
    while ((2 << bits) < colors) ++bits;
    w_.U8(uint8_t(colors ? 0x80 | 0x70 | bits : 0x70));
    w_.U8(uint8_t(background));
    w_.U8(0);
    for (int i = 0; i < colors; ++i) {
      w_.U8(uint8_t(i));
      w_.U8(uint8_t(255 - i));
      w_.U8(uint8_t(i * 3));
    }
    return *this;
  }
  GifBuilder& GraphicControl(int disposal, int delay, bool transparent = false, int index = 0) {
    const uint8_t record[] = {0x21, 0xF9, 4, uint8_t((disposal << 2) | (transparent ? 1 : 0)),
                              uint8_t(delay & 0xFF), uint8_t(delay >> 8), uint8_t(index), 0};
    w_.Write(record, sizeof record);
    return *this;
  }
  // The looping extension with the repeats after the first run, as the file holds them.
  GifBuilder& Loop(int repeats) {
    w_.Write("\x21\xFF\x0BNETSCAPE2.0\x03\x01", 16);
    w_.U16(uint16_t(repeats));
    w_.U8(0);
    return *this;
  }
  GifBuilder& Comment(const std::string& text) {
    w_.U8(0x21);
    w_.U8(0xFE);
    for (size_t at = 0; at < text.size(); at += 255) {
      const size_t n = std::min<size_t>(255, text.size() - at);
      w_.U8(uint8_t(n));
      w_.Write(text.data() + at, n);
    }
    w_.U8(0);
    return *this;
  }
  GifBuilder& Image(int left, int top, int width, int height, bool interlaced = false, int localColors = 0) {
    w_.U8(0x2C);
    w_.U16(uint16_t(left));
    w_.U16(uint16_t(top));
    w_.U16(uint16_t(width));
    w_.U16(uint16_t(height));
    int bits = 0;
    while ((2 << bits) < localColors) ++bits;
    w_.U8(uint8_t((interlaced ? 0x40 : 0) | (localColors ? 0x80 | bits : 0)));
    for (int i = 0; i < localColors; ++i) {
      w_.U8(uint8_t(200 - i));
      w_.U8(uint8_t(i));
      w_.U8(uint8_t(100));
    }
    return *this;
  }
  // Image data: the code size byte, then the codes (value, bits) packed least significant bit
  // first into sub-blocks of `blockSize` bytes, then (unless `terminate` is false) the terminator.
  GifBuilder& Data(int codeSizeByte, const std::vector<std::pair<int, int>>& codes, int blockSize = 255,
                   bool terminate = true) {
    w_.U8(uint8_t(codeSizeByte));
    std::vector<uint8_t> bytes;
    uint32_t bucket = 0;
    int bits = 0;
    for (auto [code, size] : codes) {
      bucket |= uint32_t(code) << bits;
      bits += size;
      while (bits >= 8) {
        bytes.push_back(uint8_t(bucket));
        bucket >>= 8;
        bits -= 8;
      }
    }
    if (bits > 0) bytes.push_back(uint8_t(bucket));
    for (size_t at = 0; at < bytes.size(); at += size_t(blockSize)) {
      const size_t n = std::min<size_t>(size_t(blockSize), bytes.size() - at);
      w_.U8(uint8_t(n));
      w_.Write(bytes.data() + at, n);
    }
    if (terminate) w_.U8(0);
    return *this;
  }
  // Image data from codes alone: each code gets the width a standard decoder reads it with (the
  // table grows by one entry per code after the first following a clear).
  GifBuilder& Codes(int codeSizeByte, const std::vector<int>& codes, int blockSize = 255) {
    const int initial = std::min(codeSizeByte, 8), clear = 1 << initial;
    int size = initial + 1, next = clear + 2;
    bool first = true;
    std::vector<std::pair<int, int>> sized;
    for (int code : codes) {
      sized.push_back({code, size});
      if (code == clear) {
        size = initial + 1;
        next = clear + 2;
        first = true;
      } else if (first) {
        first = false;
      } else if (next < 4096 && ++next == (1 << size) && size < 12) {
        ++size;
      }
    }
    return Data(codeSizeByte, sized, blockSize);
  }
  // Literal pixels of a 2-bit code size, each followed by a clear so the code size never grows.
  GifBuilder& LiteralData(const std::vector<int>& pixels, int blockSize = 255) {
    std::vector<std::pair<int, int>> codes;
    for (int p : pixels) codes.push_back({4, 3}), codes.push_back({p, 3});
    codes.push_back({5, 3});
    return Data(2, codes, blockSize);
  }
  GifBuilder& Raw(const std::vector<uint8_t>& bytes) {
    w_.Write(bytes.data(), bytes.size());
    return *this;
  }
  GifBuilder& Trailer() {
    w_.U8(0x3B);
    return *this;
  }
  platform::Bytes Bytes() const { return w_.Data(); }

 private:
  platform::ByteWriter w_;
};

}  // namespace gif_testing
