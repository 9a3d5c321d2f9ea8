#include "machining/job.h"

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
  // FNV-1a: cheap, and a change of any byte changes it.
  uint64_t hash = 14695981039346656037ull;
  auto add = [&hash](const uint8_t* data, size_t size) {
    for (size_t i = 0; i < size; ++i) {
      hash ^= data[i];
      hash *= 1099511628211ull;
    }
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
