// The logical-font record of the drawing files: the 60 bytes a text entity stores to say which font
// it is drawn with (height, width, angles, weight, style bytes, 32-byte face name). It is kept byte
// for byte, so a record read and written again is unchanged; drawing uses the Font made from it.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/binary_stream.h"
#include "platform/canvas.h"

namespace platform {

struct LogFont {
  static constexpr size_t kFaceSize = 32;
  static constexpr size_t kRecordSize = 60;

  int32_t Height = 0;  // pixels: negative the character height, positive the cell height
  int32_t Width = 0;   // average character width in pixels, 0 for the face's own
  int32_t Escapement = 0;   // tenths of a degree, counter-clockwise
  int32_t Orientation = 0;  // tenths of a degree
  int32_t Weight = 0;       // 0 default, 400 normal, 700 bold
  uint8_t Italic = 0;
  uint8_t Underline = 0;
  uint8_t StrikeOut = 0;
  uint8_t CharSet = 0;
  uint8_t OutPrecision = 0;
  uint8_t ClipPrecision = 0;
  uint8_t Quality = 0;
  uint8_t PitchAndFamily = 0;
  // NUL-terminated; the bytes after the terminator are kept as read.
  std::array<char, kFaceSize> FaceName{};

  std::string Face() const;
  // Cut to 31 bytes so the terminator always fits; the rest of the field is zeroed.
  void SetFace(const std::string& face);

  void Write(ByteWriter& out) const;
  static LogFont Read(ByteReader& in);

  bool operator==(const LogFont&) const = default;
};

// The record of the desktop's default GUI font: 8 points at 96 dpi in the default character set.
LogFont DefaultGuiLogFont();

// The canvas font drawn for a record, in `color`.
Font FontFromLogFont(const LogFont& record, TColor color);

}  // namespace platform
