#include "machining/tool_record.h"

#include <algorithm>
#include <cmath>

#include "lang/lang.h"
#include "platform/text_encoding.h"

namespace machining {

void WriteToolRecord(platform::ByteWriter& out, const TToolRecord& record) {
  const size_t length = std::min(record.name.size(), kToolNameMax);
  out.I32(record.toolNumber);
  out.I32(record.spindleSpeed);
  out.F32(record.feedRate);
  out.F32(record.plungeRate);
  out.U8(record.coolant ? 1 : 0);
  out.U8(static_cast<uint8_t>(length));
  out.Write(record.name.data(), length);
  out.Fill(0, kToolNameMax - length);
  out.I32(record.toolType);
  out.F32(record.diameter);
  out.F32(record.cornerRadius);
  out.F32(record.taperAngle);
  out.F32(record.flatDiameter);
  out.F32(record.passDepth);
}

platform::Bytes ToolRecordBytes(const TToolRecord& record) {
  platform::ByteWriter out;
  WriteToolRecord(out, record);
  return out.Take();
}

TToolRecord ReadToolRecord(platform::ByteReader& in) {
  in.Require(kToolRecordSize);
  TToolRecord r;
  r.toolNumber = in.I32();
  r.spindleSpeed = in.I32();
  r.feedRate = in.F32();
  r.plungeRate = in.F32();
  r.coolant = in.U8() != 0;
  const size_t length = std::min<size_t>(in.U8(), kToolNameMax);
  char name[kToolNameMax];
  in.Read(name, kToolNameMax);
  r.name.assign(name, length);
  r.toolType = in.I32();
  r.diameter = in.F32();
  r.cornerRadius = in.F32();
  r.taperAngle = in.F32();
  r.flatDiameter = in.F32();
  r.passDepth = in.F32();
  return r;
}

std::string ToolNameText(const TToolRecord& record) { return platform::Windows1252ToUtf8(record.name); }

void SetToolNameText(TToolRecord& record, std::string_view text) {
  record.name = platform::Utf8ToWindows1252(text);
  if (record.name.size() > kToolNameMax) record.name.resize(kToolNameMax);
}

std::string ToolRecordSizeProblem(const TToolRecord& record) {
  // Only the magnitude: the sign rules depend on the type and are the shape check's (tool_shape.h).
  auto within = [](float value, double most) { return std::isfinite(value) && std::fabs(value) <= most; };
  if (!within(record.diameter, kMaxToolDiameter) || !within(record.flatDiameter, kMaxToolDiameter) ||
      !within(record.cornerRadius, kMaxToolDiameter / 2.0))
    return lang::LangStringOr("1150", "A tool diameter above 1000 (or a corner radius above 500) is no real cutter's.");
  return {};
}

ToolShape ShapeOf(const TToolRecord& record) {
  ToolShape shape;
  shape.toolType = record.toolType;
  shape.diameter = record.diameter;
  shape.cornerRadius = record.cornerRadius;
  shape.flatDiameter = record.flatDiameter;
  shape.taperAngle = record.taperAngle;
  return shape;
}

}  // namespace machining
