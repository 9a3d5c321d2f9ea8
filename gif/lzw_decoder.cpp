#include "gif/lzw_decoder.h"

#include <algorithm>

#include "gif/interlace.h"

namespace gif {

namespace {

constexpr int kTableSize = 4096;

// Codes of n bits, least significant bit first, taken from the data sub-blocks. Refills as often as
// needed, so sub-blocks of one or two bytes are read whole.
class CodeReader {
 public:
  CodeReader(platform::ByteReader& stream, const TGIFItem& warn) : stream_(stream), warn_(warn) {}

  // -1 once the data is exhausted.
  int Read(int bits) {
    while (count_ < bits) {
      if (pos_ < length_) {
        buffer_ |= uint32_t(block_[pos_++]) << count_;
        count_ += 8;
        continue;
      }
      if (endOfData_) {
        if (!underrunWarned_) warn_.Warning(TGIFSeverity::Warning, texts::kBitBufferUnderrun);
        underrunWarned_ = true;
        return -1;
      }
      NextBlock();
    }
    const int code = int(buffer_ & ((1u << bits) - 1));
    buffer_ >>= bits;
    count_ -= bits;
    return code;
  }

  // Skips every data sub-block left, up to and including the terminator.
  void SkipToTerminator() {
    while (!endOfData_) NextBlock();
  }

 private:
  void NextBlock() {
    pos_ = length_ = 0;
    const int size = ReadByte(stream_);
    if (size <= 0) {
      // A zero size is the terminator; no size at all is a stream cut short.
      if (size < 0) warn_.Warning(TGIFSeverity::Warning, texts::kPrematureEnd);
      endOfData_ = true;
      return;
    }
    const int present = int(std::min<size_t>(size_t(size), stream_.Remaining()));
    stream_.Read(block_, size_t(present));
    length_ = present;
    if (present < size) {
      warn_.Warning(TGIFSeverity::Warning, texts::kPrematureEnd);
      endOfData_ = true;
    }
  }

  platform::ByteReader& stream_;
  const TGIFItem& warn_;
  uint8_t block_[255];
  int length_ = 0;
  int pos_ = 0;
  uint32_t buffer_ = 0;
  int count_ = 0;
  bool endOfData_ = false;
  bool underrunWarned_ = false;
};

// Where the next pixel goes: rows in order, or the interlace passes.
class PixelSink {
 public:
  PixelSink(uint8_t* pixels, int width, int height, bool interlaced)
      : pixels_(pixels), width_(width), height_(height), interlaced_(interlaced), rows_(height),
        remaining_(int64_t(width) * height) {
    row_ = remaining_ > 0 ? pixels_ : nullptr;
  }

  bool Full() const { return remaining_ == 0; }

  void Put(uint8_t value) {
    row_[x_] = value;
    --remaining_;
    if (++x_ == width_) {
      x_ = 0;
      int y;
      if (interlaced_) {
        rows_.Next();
        y = rows_.Row();
      } else {
        y = ++y_;
      }
      row_ = y < height_ ? pixels_ + int64_t(y) * width_ : nullptr;
    }
  }

 private:
  uint8_t* pixels_;
  int width_;
  int height_;
  bool interlaced_;
  InterlacedRows rows_;
  int64_t remaining_;
  uint8_t* row_;
  int x_ = 0;
  int y_ = 0;
};

}  // namespace

void DecodeLZW(platform::ByteReader& stream, uint8_t* pixels, int width, int height, bool interlaced,
               const TGIFItem& warn) {
  int initial = ReadByte(stream);
  if (initial < 0) {
    warn.Warning(TGIFSeverity::Warning, texts::kPrematureEnd);
    return;
  }
  initial = std::clamp(initial, 1, 8);
  const int clear = 1 << initial;
  const int end = clear + 1;

  uint16_t prefix[kTableSize];
  uint8_t suffix[kTableSize];
  uint8_t stack[kTableSize + 1];
  int codeSize = initial + 1, limit = 2 * clear, nextFree = clear + 2;
  int previous = 0, first = 0;
  auto reset = [&] {
    for (int i = 0; i < kTableSize; ++i) {
      prefix[i] = 0;
      suffix[i] = i < clear ? uint8_t(i) : 0;
    }
    codeSize = initial + 1;
    limit = 2 * clear;
    nextFree = clear + 2;
  };

  CodeReader codes(stream, warn);
  PixelSink sink(pixels, width, height, interlaced);
  bool startOfTable = true;  // the first code always acts as a clear code
  while (!sink.Full()) {
    int code;
    if (startOfTable) {
      code = clear;
      startOfTable = false;
    } else {
      code = codes.Read(codeSize);
    }
    if (code < 0) break;
    if (code == clear) {
      reset();
      do code = codes.Read(codeSize);
      while (code == clear);
      if (code < 0 || code == end) break;
      if (code > clear) {
        // Only a plain colour can follow a clear code: the table holds nothing else yet.
        warn.Warning(TGIFSeverity::Warning, texts::kInvalidCode);
        break;
      }
      previous = first = code;
      sink.Put(uint8_t(code));
      continue;
    }
    if (code == end) break;
    if (code > nextFree) {
      warn.Warning(TGIFSeverity::Warning, texts::kInvalidCode);
      break;
    }
    const int incoming = code;
    int depth = 0;
    if (code == nextFree) {
      // The string not yet in the table: the previous string plus its own first byte.
      stack[depth++] = uint8_t(first);
      code = previous;
    }
    while (code >= clear) {
      if (depth >= kTableSize || prefix[code] == code) throw GIFException(texts::kCircularEntry);
      stack[depth++] = suffix[code];
      code = prefix[code];
    }
    first = suffix[code];
    stack[depth++] = uint8_t(first);
    if (nextFree < kTableSize) {
      prefix[nextFree] = uint16_t(previous);
      suffix[nextFree] = uint8_t(first);
      ++nextFree;
      if (nextFree >= limit && limit < kTableSize) {
        limit *= 2;
        ++codeSize;
      }
    }
    previous = incoming;
    while (depth > 0 && !sink.Full()) sink.Put(stack[--depth]);
  }
  codes.SkipToTerminator();
}

}  // namespace gif
