// The compact archive in which persistent objects store themselves: a run of values, each a one-byte
// tag followed by its data, little-endian.
//
//   tag  value                 data after the tag
//    0   end of list           -
//    1   start of list         -
//    2   integer               1 byte, signed
//    3   integer               2 bytes, signed
//    4   integer               4 bytes, signed
//    5   floating point        10 bytes, 80-bit extended
//    6   8-bit string          1-byte length, then the bytes
//    8   false                 -
//    9   true                  -
//   12   8-bit string          4-byte length, then the bytes
//   18   wide string           4-byte length in characters, then UTF-16LE code units
//   20   UTF-8 string          4-byte length in bytes, then the bytes (read only)
//
// 8-bit strings are the program's UTF-8 text. An object writes its values in a fixed order,
// normally a version integer first, and reads them back in the same order; a reader finding any
// other tag than the one it asks for raises platform::ReadError "<reader class>, read type error".
// Every length is checked against the bytes the stream still holds before anything is allocated, and
// a stream that ends early raises platform::ReadError "Stream read error".
//
// TVirtualReader and TVirtualWriter are the interfaces an object's ReadFromArchive and
// WriteToArchive see; TBinaryReader and TBinaryWriter are the form above. A "reader class" or
// "writer class" is a factory that puts one on a stream: ReaderClassOf<TBinaryReader>.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/stream.h"
#include "scene3d/persistent.h"

namespace scene3d {

enum TValueType : uint8_t {
  vaNull = 0,
  vaList = 1,
  vaInt8 = 2,
  vaInt16 = 3,
  vaInt32 = 4,
  vaExtended = 5,
  vaString = 6,
  vaFalse = 8,
  vaTrue = 9,
  vaLString = 12,
  vaWString = 18,
  vaUTF8String = 20,
};

class TVirtualReader : public TObject {
 public:
  explicit TVirtualReader(platform::Stream& stream) : stream_(stream) {}
  std::string ClassName() const override { return "TVirtualReader"; }

  platform::Stream& Stream() const { return stream_; }

  // Exactly `count` raw bytes.
  virtual void Read(void* buffer, size_t count) = 0;
  // The tag of the next value, which stays to be read.
  virtual TValueType NextValue() = 0;
  virtual int32_t ReadInteger() = 0;
  virtual bool ReadBoolean() = 0;
  virtual std::string ReadString() = 0;
  virtual double ReadFloat() = 0;
  virtual void ReadListBegin() = 0;
  virtual void ReadListEnd() = 0;
  // True when the next value is the end of a list.
  virtual bool EndOfList() = 0;

  // Held by a reader of nested objects for each level, so a hostile archive cannot nest deeper than
  // kMaxNesting (EFilerException "Archive nested too deeply") and run the stack out.
  class NestingGuard {
   public:
    explicit NestingGuard(TVirtualReader& reader);
    ~NestingGuard() { --reader_.nesting_; }
    NestingGuard(const NestingGuard&) = delete;
    NestingGuard& operator=(const NestingGuard&) = delete;

   private:
    TVirtualReader& reader_;
  };
  static constexpr int kMaxNesting = 1000;

 private:
  platform::Stream& stream_;
  int nesting_ = 0;
};

class TVirtualWriter : public TObject {
 public:
  explicit TVirtualWriter(platform::Stream& stream) : stream_(stream) {}
  std::string ClassName() const override { return "TVirtualWriter"; }

  platform::Stream& Stream() const { return stream_; }

  virtual void Write(const void* buffer, size_t count) = 0;
  virtual void WriteInteger(int32_t value) = 0;
  virtual void WriteBoolean(bool value) = 0;
  virtual void WriteString(std::string_view value) = 0;
  virtual void WriteFloat(double value) = 0;
  virtual void WriteListBegin() = 0;
  virtual void WriteListEnd() = 0;

 private:
  platform::Stream& stream_;
};

class TBinaryReader : public TVirtualReader {
 public:
  using TVirtualReader::TVirtualReader;
  std::string ClassName() const override { return "TBinaryReader"; }

  void Read(void* buffer, size_t count) override;
  TValueType NextValue() override;
  // Tags 2, 3 and 4, the short forms sign-extended.
  int32_t ReadInteger() override;
  // Tags 8 and 9.
  bool ReadBoolean() override;
  // Tags 6, 12 and 20 as they stand, 18 converted to UTF-8.
  std::string ReadString() override;
  // Tag 5.
  double ReadFloat() override;
  void ReadListBegin() override;
  void ReadListEnd() override;
  bool EndOfList() override;
  // Tags 18 and 20 (decoded from UTF-8).
  std::u16string ReadWideString();

 private:
  TValueType ReadValue();
  [[noreturn]] void ReadTypeError() const;
  // A 4-byte length, refused unless `unitSize` bytes per unit are still in the stream.
  uint32_t ReadLength(uint32_t unitSize);
  std::string ReadBytes(size_t length);
  // The length and code units of a wide string (after its tag).
  std::u16string ReadWideUnits();
};

class TBinaryWriter : public TVirtualWriter {
 public:
  using TVirtualWriter::TVirtualWriter;
  std::string ClassName() const override { return "TBinaryWriter"; }

  void Write(const void* buffer, size_t count) override;
  // The shortest of tags 2 (-128..127), 3 (-32768..32767) and 4.
  void WriteInteger(int32_t value) override;
  void WriteBoolean(bool value) override;
  // WriteAnsiString.
  void WriteString(std::string_view value) override { WriteAnsiString(value); }
  // Tag 5, exact.
  void WriteFloat(double value) override;
  void WriteListBegin() override;
  void WriteListEnd() override;
  // Tag 6 up to 255 bytes, tag 12 above.
  void WriteAnsiString(std::string_view value);
  // Tag 18 always.
  void WriteWideString(std::u16string_view value);

 private:
  void WriteTag(TValueType tag);
  void WriteU32(uint32_t value);
};

// Names the classes of the objects in one archive: a class's name the first time it occurs, then the
// integer index of the class by first occurrence (from 0).
class TClassNameWriter {
 public:
  void Write(TVirtualWriter& writer, const std::string& className);

 private:
  std::vector<std::string> names_;
};

using TVirtualReaderClass = std::unique_ptr<TVirtualReader> (*)(platform::Stream& stream);
using TVirtualWriterClass = std::unique_ptr<TVirtualWriter> (*)(platform::Stream& stream);

template <class R>
std::unique_ptr<TVirtualReader> ReaderClassOf(platform::Stream& stream) {
  return std::make_unique<R>(stream);
}

template <class W>
std::unique_ptr<TVirtualWriter> WriterClassOf(platform::Stream& stream) {
  return std::make_unique<W>(stream);
}

}  // namespace scene3d
