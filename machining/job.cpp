#include "machining/job.h"

#include <cstring>

namespace machining {

void Job::Reset() {
  workBitmap.reset();
  secondBitmap.reset();
  ReliefModel fresh;
  fresh.zWhite = relief.zWhite;
  fresh.zBlack = relief.zBlack;
  fresh.depth = relief.depth;
  fresh.stockToLeave = relief.stockToLeave;
  relief = std::move(fresh);
  // The tool's texts are the user's; the NC file and the last Calculate's height belong to the job.
  nc.ncFileName.clear();
  nc.referenceHeight = NcJob{}.referenceHeight;
  ncFileChosen = false;
  programComputed = false;
  referenceCode = 0;
  zNoCutOn = false;
  zNoCutHeight = kZNoCutNone;
  timeShown = false;
  documentFile.clear();
  savedDocument.clear();
  savedFingerprint.reset();
}

bool Job::Changed(std::optional<uint64_t> current) const {
  if (!workBitmap || workBitmap->Empty()) return false;
  return !current || !savedFingerprint || *current != *savedFingerprint;
}

uint64_t JobFingerprint(const platform::Bitmap* picture, const platform::Bytes& record) {
  // FNV-style, eight bytes a step: a picture of 4000 x 4000 is hashed at every open and close, so a
  // byte loop would be felt. Each step is a bijection of the state, so a change in any one word of the
  // input always changes the result.
  constexpr uint64_t kPrime = 1099511628211ull;
  uint64_t hash = 14695981039346656037ull;
  auto add = [&hash](const uint8_t* data, size_t size) {
    size_t i = 0;
    for (; i + 8 <= size; i += 8) {
      uint64_t word;
      std::memcpy(&word, data + i, sizeof word);
      hash = (hash ^ word) * kPrime;
      hash ^= hash >> 29;
    }
    for (; i < size; ++i) hash = (hash ^ data[i]) * kPrime;
  };
  add(record.data(), record.size());
  if (picture) {
    const int64_t shape[] = {picture->Width(), picture->Height(), picture->BitsPerPixel()};
    add(reinterpret_cast<const uint8_t*>(shape), sizeof shape);
    add(picture->Bits(), picture->BitsSize());
    for (const platform::RgbQuad& color : picture->Colors()) {
      const uint8_t bytes[] = {color.blue, color.green, color.red};
      add(bytes, sizeof bytes);
    }
  }
  return hash;
}

}  // namespace machining
