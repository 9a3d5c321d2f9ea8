#include "cad/graphic_object.h"

namespace cad {

namespace {
constexpr uint8_t kFlagVisible = 0x01;
constexpr uint8_t kFlagEnabled = 0x02;
constexpr uint8_t kFlagNotSaved = 0x04;
}  // namespace

TGraphicObject::TGraphicObject(int32_t id) : ID(id) {}

TGraphicObject::TGraphicObject(platform::ByteReader& stream, const std::string&) {
  ID = stream.I32();
  Layer = stream.U8();
  const uint8_t flags = stream.U8();
  Visible = (flags & kFlagVisible) != 0;
  Enabled = (flags & kFlagEnabled) != 0;
  ToBeSaved = (flags & kFlagNotSaved) == 0;
}

void TGraphicObject::SaveToStream(platform::ByteWriter& stream) {
  stream.I32(ID);
  stream.U8(Layer);
  stream.U8(uint8_t((Visible ? kFlagVisible : 0) | (Enabled ? kFlagEnabled : 0) | (ToBeSaved ? 0 : kFlagNotSaved)));
}

void TGraphicObject::Assign(const TGraphicObject& source) {
  if (&source == this) return;
  Visible = source.Visible;
  Enabled = source.Enabled;
  ToBeSaved = source.ToBeSaved;
}

void TGraphicObject::UpdateAndNotify() {
  UpdateExtension();
  if (OnChange) OnChange(*this);
}

}  // namespace cad
