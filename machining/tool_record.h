// One cutter as "Tool.db" and the document file store it: a packed 92-byte little-endian record,
// read and written field by field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "machining/tool_shape.h"
#include "platform/binary_stream.h"

namespace machining {

constexpr size_t kToolRecordSize = 92;
constexpr size_t kToolNameMax = 50;

struct TToolRecord {
  int32_t toolNumber = 1;      // offset 0
  int32_t spindleSpeed = 1000; // 4, rpm
  float feedRate = 1000.0f;    // 8
  float plungeRate = 1000.0f;  // 12
  bool coolant = false;        // 16, one byte
  // 17: a length byte and 50 characters. Held as the file's own bytes (Windows-1252, one byte per
  // character), at most 50 of them; ToolNameText and SetToolNameText convert to and from UTF-8.
  std::string name;
  int32_t toolType = kToolFlat;  // 68
  float diameter = 5.0f;         // 72
  float cornerRadius = 0.0f;     // 76
  float taperAngle = 0.0f;       // 80, degrees
  float flatDiameter = 0.0f;     // 84
  float passDepth = 0.0f;        // 88

  bool operator==(const TToolRecord&) const = default;
};

// Writes exactly 92 bytes; a longer name is cut to its first 50 characters, the unused name bytes are 0.
void WriteToolRecord(platform::ByteWriter& out, const TToolRecord& record);
platform::Bytes ToolRecordBytes(const TToolRecord& record);
// Reads exactly 92 bytes (FormatError when fewer remain). A length byte above 50 is taken as 50, so a
// damaged record never reads past its own name field.
TToolRecord ReadToolRecord(platform::ByteReader& in);

// The record's name as UTF-8 text, and the name set from UTF-8 text: stored in Windows-1252 (a
// character it lacks becomes '?') and cut to its first 50 characters.
std::string ToolNameText(const TToolRecord& record);
void SetToolNameText(TToolRecord& record, std::string_view text);

// Empty when the record's diameters are at most kMaxToolDiameter across (a corner radius half that);
// otherwise a message for the user. Tool.db, a document and the tool window's fields are
// checked with it, so no absurd size reaches the probes.
std::string ToolRecordSizeProblem(const TToolRecord& record);

// The shape part of a record, as the probes and the tool body take it.
ToolShape ShapeOf(const TToolRecord& record);

}  // namespace machining
