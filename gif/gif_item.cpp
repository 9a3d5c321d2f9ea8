#include "gif/gif_item.h"

#include "gif/gif_image.h"

namespace gif {

int PeekByte(const platform::ByteReader& stream) {
  if (stream.Remaining() == 0) return -1;
  platform::ByteReader copy = stream;
  return copy.U8();
}

int ReadByte(platform::ByteReader& stream) {
  if (stream.Remaining() == 0) return -1;
  return stream.U8();
}

void ReadRecord(platform::ByteReader& stream, void* buffer, size_t count) {
  if (stream.Remaining() < count) throw GIFException(texts::kPrematureEnd);
  stream.Read(buffer, count);
}

uint16_t ReadWord(platform::ByteReader& stream) {
  if (stream.Remaining() < 2) throw GIFException(texts::kPrematureEnd);
  return stream.U16();
}

void StepBack(platform::ByteReader& stream, size_t count) {
  stream.Seek(stream.Position() >= count ? stream.Position() - count : 0);
}

void TGIFItem::Warning(TGIFSeverity severity, const std::string& message) const {
  if (image_) image_->Warning(this, severity, message);
}

}  // namespace gif
