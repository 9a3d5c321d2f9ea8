#include "gif/encoders.h"

#include <algorithm>

#include "gif/gif_exception.h"
#include "gif/interlace.h"
#include "gif/sub_image.h"

namespace gif {

namespace {
constexpr int kMaxCodes = 4096;
}  // namespace

size_t TGIFStream::Read(void*, size_t) { throw GIFException(texts::kInvalidStream); }
size_t TGIFStream::Write(const void*, size_t) { throw GIFException(texts::kInvalidStream); }
void TGIFStream::SetPosition(uint64_t) { throw GIFException(texts::kInvalidStream); }

size_t TGIFWriter::Write(const void* buffer, size_t count) {
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  for (size_t i = 0; i < count; ++i) Put(bytes[i]);
  return count;
}

void TGIFWriter::Flush() {
  if (count_ == 0) return;
  buffer_[0] = uint8_t(count_);
  stream_.Write(buffer_, size_t(count_) + 1);
  handedOn_ += uint64_t(count_) + 1;
  count_ = 0;
}

void THashTable::Clear() { std::fill(slots_.begin(), slots_.end(), 0xFFFFFFFFu); }

int THashTable::Find(uint32_t key) const {
  int slot = int((key ^ (key >> 4)) % kSize);
  // The step sequence need not visit every slot, so the probe is bounded; running out makes the
  // encoder start a new table.
  for (int probe = 0; probe < kSize; ++probe) {
    if (IsEmpty(slot) || (slots_[slot] >> 12) == key) return slot;
    slot = slot == 0 ? kSize - 1 : 2 * slot - kSize;
    if (slot < 0) slot += kSize;
  }
  return -1;
}

void TGIFEncoder::Encode(platform::ByteWriter& stream, const uint8_t* pixels, int width, int height,
                         bool interlaced, int colorCount) {
  colorCount_ = colorCount;
  bitsPerPixel_ = 2;
  while ((1 << bitsPerPixel_) < colorCount && bitsPerPixel_ < 8) ++bitsPerPixel_;
  initialCodeSize_ = bitsPerPixel_ + 1;
  clearCode_ = 1 << bitsPerPixel_;
  endCode_ = clearCode_ + 1;
  firstFreeCode_ = clearCode_ + 2;
  codeSize_ = initialCodeSize_;
  pixels_ = pixels;
  width_ = width;
  height_ = height;
  interlaced_ = interlaced;
  x_ = y_ = 0;
  rows_ = InterlacedRows(height);
  left_ = pixels ? int64_t(width) * height : 0;
  bucket_ = 0;
  bucketBits_ = 0;

  // The byte is the minimum code size (bits per pixel), not the first code size.
  stream.U8(uint8_t(bitsPerPixel_));
  TGIFWriter writer(stream);
  writer_ = &writer;
  if (left_ > 0) {
    Compress();
  } else {
    Output(clearCode_);
    Output(endCode_);
  }
  if (bucketBits_ > 0) writer.Put(uint8_t(bucket_ & 0xFF));
  writer.Flush();
  writer_ = nullptr;
  stream.U8(0);
}

int TGIFEncoder::NextPixel() {
  if (left_ <= 0) return -1;
  const int pixel = pixels_[int64_t(y_) * width_ + x_];
  if (pixel >= colorCount_) throw GIFException(texts::kColorNotInTable);
  --left_;
  if (++x_ == width_) {
    x_ = 0;
    if (interlaced_) {
      rows_.Next();
      y_ = rows_.Row();
    } else {
      ++y_;
    }
  }
  return pixel;
}

void TGIFEncoder::Output(int code) {
  bucket_ |= uint32_t(code) << bucketBits_;
  bucketBits_ += codeSize_;
  while (bucketBits_ >= 8) {
    writer_->Put(uint8_t(bucket_ & 0xFF));
    bucket_ >>= 8;
    bucketBits_ -= 8;
  }
}

// LZW

void TLZWEncoder::Emit(int code) {
  Output(code);
  if (nextFree_ > maxCode_) {
    ++codeSize_;
    maxCode_ = codeSize_ >= 12 ? kMaxCodes : (1 << codeSize_) - 1;
  }
}

void TLZWEncoder::Compress() {
  auto resetTable = [&] {
    hash_.Clear();
    codeSize_ = initialCodeSize_;
    maxCode_ = (1 << codeSize_) - 1;
    nextFree_ = firstFreeCode_;
  };
  resetTable();
  Output(clearCode_);
  int prefix = NextPixel();
  for (int pixel = NextPixel(); pixel >= 0; pixel = NextPixel()) {
    const uint32_t key = (uint32_t(prefix) << 8) | uint32_t(pixel);
    const int slot = hash_.Find(key);
    if (slot >= 0 && hash_.Holds(slot, key)) {
      prefix = hash_.Code(slot);
      continue;
    }
    Emit(prefix);
    prefix = pixel;
    if (slot >= 0 && nextFree_ <= kMaxCodes - 2) {
      hash_.Store(slot, key, nextFree_++);
    } else {
      Output(clearCode_);
      resetTable();
    }
  }
  Emit(prefix);
  Output(endCode_);
}

// Run-length

void TRLEEncoder::ResetTable() {
  nextFree_ = firstFreeCode_;
  limit_ = 2 * clearCode_;
  codeSize_ = initialCodeSize_;
  afterClear_ = true;
  previousColor_ = -1;
  previousLength_ = 0;
  runCodes_.clear();
}

void TRLEEncoder::Compress() {
  ResetTable();
  Output(clearCode_);
  int color = NextPixel();
  int length = 1;
  for (int pixel = NextPixel(); pixel >= 0; pixel = NextPixel()) {
    if (pixel == color) {
      ++length;
      continue;
    }
    EmitRun(color, length);
    color = pixel;
    length = 1;
  }
  EmitRun(color, length);
  Output(endCode_);
}

void TRLEEncoder::EmitRun(int color, int length) {
  if (color != previousColor_) runCodes_.clear();
  while (length > 0) {
    // A fresh table well before the decoder's fills, so no decoder's rule at a full table matters.
    if (nextFree_ >= kMaxCodes - 3) {
      Output(clearCode_);
      ResetTable();
    }
    int best = 1, code = color;
    for (int n = std::min<int>(length, int(runCodes_.size()) - 1); n > 1; --n) {
      if (runCodes_[size_t(n)] >= 0) {
        best = n;
        code = runCodes_[size_t(n)];
        break;
      }
    }
    // The code the decoder is about to make is the previous run string plus one more pixel.
    if (!afterClear_ && previousColor_ == color && previousLength_ + 1 <= length && previousLength_ + 1 > best) {
      best = previousLength_ + 1;
      code = nextFree_;
    }
    EmitString(code, color, best);
    length -= best;
  }
}

void TRLEEncoder::EmitString(int code, int color, int length) {
  Output(code);
  if (!afterClear_) {
    // The decoder adds the previous string plus this string's first pixel.
    if (previousColor_ == color) {
      const size_t made = size_t(previousLength_) + 1;
      if (runCodes_.size() <= made) runCodes_.resize(made + 1, -1);
      if (runCodes_[made] < 0) runCodes_[made] = nextFree_;
    }
    ++nextFree_;
    if (nextFree_ >= limit_ && limit_ < kMaxCodes) {
      limit_ *= 2;
      ++codeSize_;
    }
  }
  afterClear_ = false;
  previousColor_ = color;
  previousLength_ = length;
}

void EncodeImageData(platform::ByteWriter& stream, const TGIFSubImage& frame, int compression) {
  const TGIFColorMap& map = frame.ActiveColorMap();
  const int colors = map.Empty() ? 256 : map.Count();
  if (compression == 1) {
    TRLEEncoder encoder;
    encoder.Encode(stream, frame.Data(), frame.Width(), frame.Height(), frame.Interlaced(), colors);
  } else {
    TLZWEncoder encoder;
    encoder.Encode(stream, frame.Data(), frame.Width(), frame.Height(), frame.Interlaced(), colors);
  }
}

}  // namespace gif
