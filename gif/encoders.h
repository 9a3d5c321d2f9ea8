// Writing a frame's image data: the sub-block packer, and the two encoders (classic GIF LZW over a
// hash table, and a run-length encoder whose codes any standard decoder expands into runs).
#pragma once

#include <cstdint>
#include <vector>

#include "gif/interlace.h"
#include "platform/binary_stream.h"
#include "platform/stream.h"

namespace gif {

class TGIFSubImage;

// The codec's stream class. It holds no bytes of its own: reading, writing and seeking raise
// "Invalid stream operation"; its position and size count the bytes it has handed on.
class TGIFStream : public platform::Stream {
 public:
  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void* buffer, size_t count) override;
  uint64_t Position() const override { return handedOn_; }
  void SetPosition(uint64_t position) override;
  uint64_t Size() const override { return handedOn_; }

 protected:
  uint64_t handedOn_ = 0;
};

// Packs bytes into data sub-blocks of at most 255 bytes; an empty flush writes nothing.
class TGIFWriter : public TGIFStream {
 public:
  explicit TGIFWriter(platform::ByteWriter& stream) : stream_(stream) {}
  void Put(uint8_t byte) {
    buffer_[++count_] = byte;
    if (count_ == 255) Flush();
  }
  size_t Write(const void* buffer, size_t count) override;
  void Flush() override;

 private:
  platform::ByteWriter& stream_;
  uint8_t buffer_[256];
  int count_ = 0;
};

// 8009 slots; an entry holds key << 12 | code with key = prefix << 8 | pixel.
class THashTable {
 public:
  static constexpr int kSize = 8009;
  THashTable() { Clear(); }
  void Clear();
  // The slot that holds `key`, or else the first empty slot on its probe; -1 when the bounded
  // probe finds neither.
  int Find(uint32_t key) const;
  bool Holds(int slot, uint32_t key) const { return (slots_[slot] >> 12) == key && !IsEmpty(slot); }
  int Code(int slot) const { return int(slots_[slot] & 0xFFF); }
  void Store(int slot, uint32_t key, int code) { slots_[slot] = (key << 12) | uint32_t(code); }

 private:
  bool IsEmpty(int slot) const { return slots_[slot] >= 0xFFFFF000u; }
  std::vector<uint32_t> slots_ = std::vector<uint32_t>(kSize);
};

class TGIFEncoder {
 public:
  virtual ~TGIFEncoder() = default;
  // Writes the initial code size byte (the bits per pixel, at least 2), the codes in sub-blocks
  // and the zero-length terminator. A pixel not below `colorCount` raises "Color not in color
  // table".
  void Encode(platform::ByteWriter& stream, const uint8_t* pixels, int width, int height, bool interlaced,
              int colorCount);

 protected:
  virtual void Compress() = 0;
  // The next pixel in file order (rows, or the interlace passes); -1 after the last.
  int NextPixel();
  // Writes one code with the current code size.
  void Output(int code);

  int bitsPerPixel_ = 2;
  int initialCodeSize_ = 3;
  int clearCode_ = 4;
  int endCode_ = 5;
  int firstFreeCode_ = 6;
  int codeSize_ = 3;

 private:
  TGIFWriter* writer_ = nullptr;
  uint32_t bucket_ = 0;
  int bucketBits_ = 0;
  const uint8_t* pixels_ = nullptr;
  int width_ = 0;
  int height_ = 0;
  bool interlaced_ = false;
  int colorCount_ = 0;
  int x_ = 0;
  int y_ = 0;
  InterlacedRows rows_{0};
  int64_t left_ = 0;
};

class TLZWEncoder : public TGIFEncoder {
 protected:
  void Compress() override;

 private:
  // After each code: the size grows when the next free code exceeds the largest of this size.
  void Emit(int code);
  THashTable hash_;
  int nextFree_ = 0;
  int maxCode_ = 0;
};

class TRLEEncoder : public TGIFEncoder {
 protected:
  void Compress() override;

 private:
  void ResetTable();
  void EmitRun(int color, int length);
  void EmitString(int code, int color, int length);
  // The decoder's table as it will stand: next free code, code-size limit, and for the colour of
  // the current run the code of each run length the table holds.
  int nextFree_ = 0;
  int limit_ = 0;
  bool afterClear_ = true;
  int previousColor_ = -1;
  int previousLength_ = 0;
  std::vector<int> runCodes_;
};

// Writes `frame`'s image data with the encoder `compression` chooses (1 run-length, else LZW). A
// frame whose colour maps are both empty is written with 8 bits per pixel.
void EncodeImageData(platform::ByteWriter& stream, const TGIFSubImage& frame, int compression);

}  // namespace gif
