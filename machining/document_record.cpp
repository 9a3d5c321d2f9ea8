#include "machining/document_record.h"

#include <cmath>

#include "lang/lang.h"
#include "machining/image_helpers.h"
#include "machining/relief.h"
#include "machining/tool_shape.h"
#include "platform/bmp.h"
#include "platform/files.h"

namespace machining {

namespace {

constexpr size_t kBmpHeaderSize = 54;

// A zero-terminated text field of `size` bytes.
void WriteTextField(platform::ByteWriter& out, const std::string& text, size_t size) {
  out.Write(text.data(), text.size());
  out.Fill(0, size - text.size());
}

// A field's name in the messages, looked up only when one is shown.
struct FieldName {
  lang::MessageNumber number;
  const char* english;
  std::string Text() const { return lang::LangStringOr(number, english); }
};

std::string ReadTextField(platform::ByteReader& in, size_t size, const FieldName& what) {
  const platform::Bytes field = in.ReadBytes(size);
  size_t length = 0;
  while (length < size && field[length] != 0) ++length;
  if (length == size) throw DocumentError(lang::LangFormatOr("1190", "The document's %1 has no end.", {what.Text()}));
  return std::string(field.begin(), field.begin() + static_cast<std::ptrdiff_t>(length));
}

float Finite(float value, const FieldName& what) {
  if (!std::isfinite(value)) throw DocumentError(lang::LangFormatOr("1191", "The document's %1 is no number.", {what.Text()}));
  return value;
}

// A size the job applies as it stands: one the size fields would refuse is never shown in them.
float ReliefSize(float value, const FieldName& what) {
  if (!IsReliefSize(Finite(value, what)))
    throw DocumentError(lang::LangFormatOr("1192", "The document's %1 is not between 0.001 and 1e30.", {what.Text()}));
  return value;
}

}  // namespace

std::string CutUtf8(const std::string& text, size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  size_t length = maxBytes;
  // Continuation bytes (10xxxxxx) belong to the character before them.
  while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) --length;
  return text.substr(0, length);
}

void WriteDocumentRecord(platform::ByteWriter& out, const TDocumentRecord& record) {
  if (record.ncPath.size() > kNcPathMax)
    throw DocumentError(
        lang::LangFormatOr("1193", "The NC file's path is longer than %1 bytes.", {std::to_string(kNcPathMax)}));
  const size_t start = out.Size();
  out.F32(record.width);
  out.F32(record.height);
  out.U8(1);
  out.Fill(0, 3);
  out.F32(record.referenceX);
  out.F32(record.referenceY);
  out.F32(record.zWhite);
  out.F32(record.zBlack);
  WriteTextField(out, record.ncPath, kNcPathField);
  WriteTextField(out, CutUtf8(record.postName, kPostNameMax), kPostNameField);
  WriteToolRecord(out, record.tool);
  out.F32(record.feedPlane);
  out.F32(record.maxStepover);
  out.F32(record.stockToLeave);
  out.F32(record.filter);
  out.I32(record.depthCuts);
  out.F32(record.zStep);
  out.U8(record.rows0 ? 1 : 0);
  out.U8(record.rows90 ? 1 : 0);
  out.Fill(0, 2);
  if (out.Size() - start != kDocumentRecordSize) throw DocumentError("The document record's layout is wrong.");
}

platform::Bytes DocumentRecordBytes(const TDocumentRecord& record) {
  platform::ByteWriter out;
  WriteDocumentRecord(out, record);
  return out.Take();
}

TDocumentRecord ReadDocumentRecord(platform::ByteReader& in) {
  if (in.Remaining() < kDocumentRecordSize)
    throw DocumentError(lang::LangFormatOr("1194", "The document's parameters are cut short: %1 of %2 bytes.",
                                           {std::to_string(in.Remaining()), std::to_string(kDocumentRecordSize)}));
  TDocumentRecord r;
  r.width = ReliefSize(in.F32(), {"1201", "image width"});
  r.height = ReliefSize(in.F32(), {"1202", "image height"});
  in.Skip(4);
  r.referenceX = Finite(in.F32(), {"1203", "reference X"});
  r.referenceY = Finite(in.F32(), {"1204", "reference Y"});
  r.zWhite = Finite(in.F32(), {"1205", "white depth"});
  r.zBlack = Finite(in.F32(), {"1206", "black depth"});
  r.ncPath = ReadTextField(in, kNcPathField, {"1207", "NC file path"});
  r.postName = CutUtf8(ReadTextField(in, kPostNameField, {"1208", "post-processor name"}), kPostNameReadMax);
  // The name becomes a file name in the "pst" folder: it must not lead out of it.
  if (!r.postName.empty() && !platform::IsPlainFileName(r.postName))
    throw DocumentError(
        lang::LangFormatOr("1195", "The document's post-processor name \"%1\" is no plain file name.", {r.postName}));
  r.tool = ReadToolRecord(in);
  if (r.tool.toolType < 0 || r.tool.toolType >= kToolTypeCount)
    throw DocumentError(
        lang::LangFormatOr("1196", "The document's tool type %1 is unknown.", {std::to_string(r.tool.toolType)}));
  for (float value : {r.tool.feedRate, r.tool.plungeRate, r.tool.diameter, r.tool.cornerRadius, r.tool.taperAngle,
                      r.tool.flatDiameter, r.tool.passDepth})
    Finite(value, {"1209", "tool"});
  if (const std::string problem = ToolRecordSizeProblem(r.tool); !problem.empty())
    throw DocumentError(lang::LangFormatOr("1197", "The document's tool is refused: %1", {problem}));
  r.feedPlane = Finite(in.F32(), {"1210", "feed plane"});
  r.maxStepover = Finite(in.F32(), {"1211", "maximum stepover"});
  r.stockToLeave = Finite(in.F32(), {"1212", "stock to leave"});
  r.filter = Finite(in.F32(), {"1213", "filter tolerance"});
  r.depthCuts = in.I32();
  if (r.depthCuts < 1 || r.depthCuts > kMaxDepthCuts)
    throw DocumentError(
        lang::LangFormatOr("1198", "The document's %1 depth cuts are not 1 to 255.", {std::to_string(r.depthCuts)}));
  r.zStep = Finite(in.F32(), {"1214", "Z step"});
  r.rows0 = in.U8() != 0;
  r.rows90 = in.U8() != 0;
  in.Skip(2);
  return r;
}

void CheckDocumentRecord(const TDocumentRecord& record) {
  const platform::Bytes bytes = DocumentRecordBytes(record);
  platform::ByteReader in(bytes.data(), bytes.size());
  ReadDocumentRecord(in);
}

Document ParseDocument(const uint8_t* data, size_t size) {
  if (size < kBmpHeaderSize + kDocumentRecordSize)
    throw DocumentError(lang::LangStringOr("1199", "The file is too short to be a Velkora document."));
  const int64_t bmpLength = ReadBmpFileLength(platform::Bytes(data, data + kBmpHeaderSize));
  if (bmpLength < static_cast<int64_t>(kBmpHeaderSize) || bmpLength > static_cast<int64_t>(size - kDocumentRecordSize))
    throw DocumentError(lang::LangFormatOr("1200", "The document's picture claims %1 bytes of a file of %2.",
                                           {std::to_string(bmpLength), std::to_string(size)}));
  platform::ByteReader in(data, size);
  in.Seek(static_cast<size_t>(bmpLength));
  Document document;
  document.record = ReadDocumentRecord(in);
  document.bitmap = platform::DecodeBmp(data, static_cast<size_t>(bmpLength));
  return document;
}

platform::Bytes DocumentBytes(const platform::Bitmap& bitmap, const TDocumentRecord& record) {
  // The record first: a field it cannot take leaves nothing half made.
  const platform::Bytes tail = DocumentRecordBytes(record);
  platform::Bytes bytes = platform::EncodeBmp(bitmap);
  bytes.insert(bytes.end(), tail.begin(), tail.end());
  return bytes;
}

void WriteDocumentFile(const std::string& path, const platform::Bitmap& bitmap, const TDocumentRecord& record,
                       const platform::SaveProgress& progress) {
  const platform::Bytes tail = DocumentRecordBytes(record);
  const platform::Bytes head = platform::EncodeBmpHeader(bitmap);
  platform::AtomicFile file(path);
  if (progress) file.SetProgress(head.size() + bitmap.Stride() * static_cast<uint64_t>(bitmap.Height()) + tail.size(), progress);
  file.Write(head.data(), head.size());
  platform::ForEachBmpRow(bitmap, [&file](const uint8_t* row, size_t size) { file.Write(row, size); });
  file.Write(tail.data(), tail.size());
  file.Commit();
}

}  // namespace machining
