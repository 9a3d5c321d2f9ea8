#include "scene3d/archive.h"

#include <algorithm>
#include <limits>

#include "platform/extended_float.h"
#include "platform/utf16.h"
#include "scene3d/scene3d_exceptions.h"

namespace scene3d {

TVirtualReader::NestingGuard::NestingGuard(TVirtualReader& reader) : reader_(reader) {
  if (reader_.nesting_ >= kMaxNesting) throw EFilerException("Archive nested too deeply");
  ++reader_.nesting_;
}

void TBinaryReader::Read(void* buffer, size_t count) { Stream().ReadBuffer(buffer, count); }

TValueType TBinaryReader::ReadValue() {
  uint8_t tag;
  Read(&tag, 1);
  return static_cast<TValueType>(tag);
}

TValueType TBinaryReader::NextValue() {
  TValueType tag = ReadValue();
  Stream().SetPosition(Stream().Position() - 1);
  return tag;
}

void TBinaryReader::ReadTypeError() const { throw platform::ReadError(ClassName() + ", read type error"); }

uint32_t TBinaryReader::ReadLength(uint32_t unitSize) {
  uint8_t b[4];
  Read(b, 4);
  uint32_t length = b[0] | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24);
  // Also refuses lengths that read as negative: they are far beyond any stream.
  if (uint64_t(length) * unitSize > Stream().Remaining()) throw platform::ReadError("Stream read error");
  return length;
}

int32_t TBinaryReader::ReadInteger() {
  switch (ReadValue()) {
    case vaInt8: {
      int8_t v;
      Read(&v, 1);
      return v;
    }
    case vaInt16: {
      uint8_t b[2];
      Read(b, 2);
      return static_cast<int16_t>(b[0] | (b[1] << 8));
    }
    case vaInt32: {
      uint8_t b[4];
      Read(b, 4);
      return static_cast<int32_t>(b[0] | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24));
    }
    default:
      ReadTypeError();
  }
}

bool TBinaryReader::ReadBoolean() {
  switch (ReadValue()) {
    case vaFalse: return false;
    case vaTrue: return true;
    default: ReadTypeError();
  }
}

std::string TBinaryReader::ReadBytes(size_t length) {
  std::string bytes(length, '\0');
  Read(bytes.data(), length);
  return bytes;
}

std::u16string TBinaryReader::ReadWideUnits() {
  std::string bytes = ReadBytes(size_t(ReadLength(2)) * 2);
  std::u16string wide(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < wide.size(); ++i)
    wide[i] = static_cast<char16_t>(uint8_t(bytes[2 * i]) | (uint8_t(bytes[2 * i + 1]) << 8));
  return wide;
}

std::string TBinaryReader::ReadString() {
  switch (ReadValue()) {
    case vaString: {
      uint8_t length;
      Read(&length, 1);
      return ReadBytes(length);
    }
    case vaLString:
    case vaUTF8String: return ReadBytes(ReadLength(1));
    case vaWString: return platform::WideToUtf8(ReadWideUnits());
    default: ReadTypeError();
  }
}

std::u16string TBinaryReader::ReadWideString() {
  switch (ReadValue()) {
    case vaWString: return ReadWideUnits();
    case vaUTF8String: return platform::Utf8ToWide(ReadBytes(ReadLength(1)));
    default: ReadTypeError();
  }
}

double TBinaryReader::ReadFloat() {
  if (ReadValue() != vaExtended) ReadTypeError();
  platform::Extended80 bytes;
  Read(bytes.data(), bytes.size());
  return platform::ExtendedToDouble(bytes);
}

void TBinaryReader::ReadListBegin() {
  if (ReadValue() != vaList) ReadTypeError();
}

void TBinaryReader::ReadListEnd() {
  if (ReadValue() != vaNull) ReadTypeError();
}

bool TBinaryReader::EndOfList() { return NextValue() == vaNull; }

void TBinaryWriter::Write(const void* buffer, size_t count) { Stream().WriteBuffer(buffer, count); }

void TBinaryWriter::WriteTag(TValueType tag) {
  uint8_t b = tag;
  Write(&b, 1);
}

void TBinaryWriter::WriteU32(uint32_t value) {
  uint8_t b[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
  Write(b, 4);
}

void TBinaryWriter::WriteInteger(int32_t value) {
  if (value >= -128 && value <= 127) {
    WriteTag(vaInt8);
    uint8_t b = static_cast<uint8_t>(value);
    Write(&b, 1);
  } else if (value >= -32768 && value <= 32767) {
    WriteTag(vaInt16);
    uint8_t b[2] = {uint8_t(value), uint8_t(uint32_t(value) >> 8)};
    Write(b, 2);
  } else {
    WriteTag(vaInt32);
    WriteU32(static_cast<uint32_t>(value));
  }
}

void TBinaryWriter::WriteBoolean(bool value) { WriteTag(value ? vaTrue : vaFalse); }

void TBinaryWriter::WriteFloat(double value) {
  WriteTag(vaExtended);
  platform::Extended80 bytes = platform::DoubleToExtended(value);
  Write(bytes.data(), bytes.size());
}

void TBinaryWriter::WriteListBegin() { WriteTag(vaList); }

void TBinaryWriter::WriteListEnd() { WriteTag(vaNull); }

void TBinaryWriter::WriteAnsiString(std::string_view value) {
  if (value.size() <= 255) {
    WriteTag(vaString);
    uint8_t n = static_cast<uint8_t>(value.size());
    Write(&n, 1);
  } else {
    if (value.size() > size_t(std::numeric_limits<int32_t>::max())) throw platform::WriteError("String too long to store");
    WriteTag(vaLString);
    WriteU32(static_cast<uint32_t>(value.size()));
  }
  Write(value.data(), value.size());
}

void TBinaryWriter::WriteWideString(std::u16string_view value) {
  if (value.size() > size_t(std::numeric_limits<int32_t>::max()) / 2) throw platform::WriteError("String too long to store");
  WriteTag(vaWString);
  WriteU32(static_cast<uint32_t>(value.size()));
  std::string bytes;
  bytes.reserve(value.size() * 2);
  for (char16_t unit : value) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  Write(bytes.data(), bytes.size());
}

void TClassNameWriter::Write(TVirtualWriter& writer, const std::string& className) {
  auto known = std::find(names_.begin(), names_.end(), className);
  if (known == names_.end()) {
    writer.WriteString(className);
    names_.push_back(className);
  } else {
    writer.WriteInteger(static_cast<int32_t>(known - names_.begin()));
  }
}

}  // namespace scene3d
