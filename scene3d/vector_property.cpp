#include "scene3d/vector_property.h"

#include <cstring>

#include "platform/binary_stream.h"

namespace scene3d {

void TStoredVector4f::Initialize(const TVector4f& initial, bool rememberDefault) {
  value = initial;
  if (!rememberDefault) return;
  if (!default_) default_ = std::make_unique<TVector4f>();
  *default_ = initial;
}

bool TStoredVector4f::HasData() const {
  return !default_ || std::memcmp(default_.get(), &value, sizeof(TVector4f)) != 0;
}

void TStoredVector4f::Define(TFiler& filer, const std::string& name) {
  filer.DefineBinaryProperty(
      name,
      [this](platform::Stream& stream) {
        uint8_t bytes[16];
        stream.ReadBuffer(bytes, sizeof(bytes));
        platform::ByteReader reader(bytes, sizeof(bytes));
        for (int i = 0; i < 4; ++i) value[i] = reader.F32();
      },
      [this](platform::Stream& stream) {
        platform::ByteWriter writer;
        for (int i = 0; i < 4; ++i) writer.F32(value[i]);
        stream.WriteBuffer(writer.Data().data(), writer.Data().size());
      },
      HasData());
}

}  // namespace scene3d
