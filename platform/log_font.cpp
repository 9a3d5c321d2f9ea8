#include "platform/log_font.h"

#include <algorithm>
#include <cstring>

namespace platform {

namespace {
constexpr uint8_t kDefaultCharSet = 1;
}

std::string LogFont::Face() const {
  const auto end = std::find(FaceName.begin(), FaceName.end(), '\0');
  return std::string(FaceName.begin(), end);
}

void LogFont::SetFace(const std::string& face) {
  FaceName.fill('\0');
  std::memcpy(FaceName.data(), face.data(), std::min(face.size(), kFaceSize - 1));
}

void LogFont::Write(ByteWriter& out) const {
  out.I32(Height);
  out.I32(Width);
  out.I32(Escapement);
  out.I32(Orientation);
  out.I32(Weight);
  for (uint8_t b : {Italic, Underline, StrikeOut, CharSet, OutPrecision, ClipPrecision, Quality, PitchAndFamily})
    out.U8(b);
  out.Write(FaceName.data(), kFaceSize);
}

LogFont LogFont::Read(ByteReader& in) {
  in.Require(kRecordSize);
  LogFont f;
  f.Height = in.I32();
  f.Width = in.I32();
  f.Escapement = in.I32();
  f.Orientation = in.I32();
  f.Weight = in.I32();
  for (uint8_t* b : {&f.Italic, &f.Underline, &f.StrikeOut, &f.CharSet, &f.OutPrecision, &f.ClipPrecision,
                     &f.Quality, &f.PitchAndFamily})
    *b = in.U8();
  in.Read(f.FaceName.data(), kFaceSize);
  return f;
}

LogFont DefaultGuiLogFont() {
  LogFont f;
  f.Height = -11;
  f.Weight = 400;
  f.CharSet = kDefaultCharSet;
  f.SetFace(Font{}.Name);
  return f;
}

Font FontFromLogFont(const LogFont& record, TColor color) {
  Font f;
  f.Name = record.Face();
  f.Height = record.Height == 0 ? Font{}.Height : record.Height;
  f.Width = record.Width;
  f.Escapement = record.Escapement;
  f.Weight = record.Weight;
  f.Italic = record.Italic != 0;
  f.Underline = record.Underline != 0;
  f.StrikeOut = record.StrikeOut != 0;
  f.Color = color;
  return f;
}

}  // namespace platform
