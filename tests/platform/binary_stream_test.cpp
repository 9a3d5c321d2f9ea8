#include "platform/binary_stream.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/exception.h"
#include "scratch_dir.h"

using namespace platform;

TEST(BinaryStream, RoundTripsLittleEndianAndRefusesShortReads) {
  ByteWriter w;
  w.U8(0x12);
  w.U16(0x3456);
  w.I32(-2);
  w.F32(1.5f);
  w.F64(-0.25);
  EXPECT_EQ(w.Data()[1], 0x56);
  EXPECT_EQ(w.Data()[2], 0x34);
  Bytes bytes = w.Take();
  ByteReader r(bytes);
  EXPECT_EQ(r.U8(), 0x12);
  EXPECT_EQ(r.U16(), 0x3456);
  EXPECT_EQ(r.I32(), -2);
  EXPECT_EQ(r.F32(), 1.5f);
  EXPECT_EQ(r.F64(), -0.25);
  EXPECT_EQ(r.Remaining(), 0u);
  EXPECT_THROW(r.U8(), FormatError);
  ByteReader s(bytes);
  s.Skip(bytes.size() - 1);
  EXPECT_THROW(s.U16(), FormatError);
  EXPECT_EQ(s.Position(), bytes.size() - 1);  // a failed read consumes nothing
  EXPECT_THROW(s.ReadBytes(size_t(1) << 40), FormatError);
}

TEST(BinaryStream, FilesAreReplacedWholeOrNotAtAll) {
  testing_support::ScratchDir scratch("stream");
  std::filesystem::path dir = scratch.Dir();
  std::string path = scratch.File("f.bin");
  WriteFileText(path, "first");
  WriteFileText(path, "second");
  Bytes back = ReadFileBytes(path);
  EXPECT_EQ(std::string(back.begin(), back.end()), "second");
  EXPECT_THROW(ReadFileBytes(path, 3), FormatError);
  EXPECT_THROW(ReadFileBytes((dir / "missing").string()), FileError);
  EXPECT_THROW(WriteFileText((dir / "no" / "such" / "dir").string(), "x"), FileError);
}
