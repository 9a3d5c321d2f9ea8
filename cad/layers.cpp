#include "cad/layers.h"

#include <algorithm>

#include "platform/exception.h"

namespace cad {

namespace {

std::string LayerName(const char* prefix, int number) { return prefix + std::to_string(number); }

void WriteShortString(platform::ByteWriter& w, const std::string& text, size_t maxLength) {
  const size_t n = std::min(text.size(), maxLength);
  w.U8(uint8_t(n));
  w.Write(text.data(), n);
  w.Fill(0, maxLength - n);
}

std::string ReadShortString(platform::ByteReader& r, size_t maxLength) {
  const platform::Bytes raw = r.ReadBytes(maxLength + 1);
  const size_t n = std::min<size_t>(raw[0], maxLength);
  return std::string(raw.begin() + 1, raw.begin() + 1 + std::ptrdiff_t(n));
}

template <typename Enum>
Enum ReadEnum(platform::ByteReader& r, Enum last, const char* what) {
  const uint8_t v = r.U8();
  if (v > uint8_t(last)) throw platform::FormatError(std::string("Layer: invalid ") + what);
  return Enum(v);
}

}  // namespace

TLayer::TLayer(uint8_t number) : number_(number), name_(LayerName("Layer_", number)) {
  pen_ = platform::Pen{platform::clBlack, 1, platform::PenStyle::Solid, platform::PenMode::Copy};
  brush_ = platform::Brush{platform::clWhite, platform::BrushStyle::Solid};
}

void TLayer::SetPen(const platform::Pen& pen) {
  pen_ = pen;
  Modified = true;
}

void TLayer::SetBrush(const platform::Brush& brush) {
  brush_ = brush;
  Modified = true;
}

void TLayer::SetName(const std::string& name) {
  size_t length = std::min(name.size(), kMaxNameLength);
  // Names are UTF-8: a cut inside a character would leave half of it, so it falls back to the
  // character's start.
  if (length < name.size())
    while (length > 0 && (static_cast<unsigned char>(name[length]) & 0xC0) == 0x80) --length;
  std::string cut = name.substr(0, length);
  if (cut == name_) return;
  name_ = std::move(cut);
  Modified = true;
}

bool TLayer::ApplyToCanvas(TDecorativeCanvas& canvas) const {
  if (!Visible) return false;
  platform::Canvas& c = canvas.Canvas();
  c.SetPen(pen_);
  c.SetBrush(brush_);
  platform::Font font = c.GetFont();
  font.Color = pen_.Color;
  c.SetFont(font);
  c.SetBackgroundMode(Opaque ? platform::BackgroundMode::Opaque : platform::BackgroundMode::Transparent);
  canvas.Pen().Assign(decorativePen_);
  return true;
}

void TLayer::SaveToStream(platform::ByteWriter& w) const {
  w.I32(int32_t(pen_.Color));
  w.U8(uint8_t(pen_.Style));
  w.U8(uint8_t(pen_.Mode));
  w.I32(pen_.Width);
  w.I32(int32_t(brush_.Color));
  w.U8(uint8_t(brush_.Style));
  w.I32(decorativePen_.PatternLength());
  for (int i = 0; i < decorativePen_.PatternLength(); ++i) w.U8(decorativePen_.GetBit(i) ? 1 : 0);
  w.U8(Active);
  w.U8(Visible);
  w.U8(Opaque);
  w.U8(Streamable);
  WriteShortString(w, name_, kMaxNameLength);
}

void TLayer::LoadFromStream(platform::ByteReader& r, const std::string& tag) {
  platform::Pen pen;
  pen.Color = platform::TColor(r.I32());
  pen.Style = ReadEnum(r, platform::PenStyle::InsideFrame, "pen style");
  pen.Mode = ReadEnum(r, platform::PenMode::NotXor, "pen mode");
  pen.Width = r.I32();
  platform::Brush brush;
  brush.Color = platform::TColor(r.I32());
  brush.Style = ReadEnum(r, platform::BrushStyle::DiagCross, "brush style");
  if (tag < "CAD422") r.Skip(4);
  std::string pattern;
  if (tag >= "CAD41") {
    const size_t length = uint32_t(r.I32()) & 0xFFFF;
    r.Require(length);
    for (size_t i = 0; i < length; ++i) pattern += r.U8() ? '1' : '0';
  }
  const bool active = r.U8() != 0;
  const bool visible = tag < "CAD4" ? true : r.U8() != 0;
  const bool opaque = r.U8() != 0;
  bool streamable = true;
  std::string name = LayerName("Layer ", number_);
  if (tag == "CAD3  ") {
    streamable = r.U8() != 0;
  } else if (tag >= "CAD33") {
    streamable = r.U8() != 0;
    name = ReadShortString(r, kMaxNameLength);
  }
  // Everything read: only now does the layer change.
  pen_ = pen;
  brush_ = brush;
  decorativePen_.SetPattern(pattern);
  Active = active;
  Visible = visible;
  Opaque = opaque;
  Streamable = streamable;
  name_ = name;
  Modified = true;
}

TLayers::TLayers() {
  for (int i = 0; i < kCount; ++i) layers_[size_t(i)] = std::make_unique<TLayer>(uint8_t(i));
}

}  // namespace cad
