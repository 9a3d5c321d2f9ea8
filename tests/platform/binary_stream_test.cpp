#include "platform/binary_stream.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "named_pipe.h"
#include "platform/bmp.h"
#include "platform/exception.h"
#include "platform/jpeg.h"
#include "platform/mapped_file.h"
#include "platform/stream.h"
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

// A named pipe called like a picture, a document or a settings file: every reader refuses it at once
// with a message naming it, never waiting for a writer. Regular files, also through a link, still read.
TEST(BinaryStream, ReadersRefuseNamedPipesAtOnce) {
  const testing_support::ScratchDir dir("pipes");
  struct Case {
    const char* name;
    std::function<void(const std::string&)> read;
  };
  const Case cases[] = {
      {"x.bmp", [](const std::string& p) { ReadBmpFile(p); }},
      {"x.jpg", [](const std::string& p) { ReadJpegFile(p); }},
      {"x.qvx", [](const std::string& p) { MappedFile file(p); }},
      {"x.ini", [](const std::string& p) { ReadFileBytes(p); }},
      {"x.glsm", [](const std::string& p) { FileStream stream(p, fmOpenRead); }},
  };
  for (const Case& c : cases) {
    const std::string path = dir.File(c.name);
    const std::string message = testing_support::NamedPipeRefusal<FileError>(path, c.read);
    EXPECT_NE(message.find("no regular file"), std::string::npos) << c.name << ": " << message;
    EXPECT_NE(message.find(path), std::string::npos) << c.name << ": " << message;
  }

  // A folder is refused the same way; a missing file still says it cannot be opened.
  const std::string folder = dir.File("folder.bmp");
  std::filesystem::create_directories(folder);
  try {
    ReadFileBytes(folder);
    ADD_FAILURE() << "a folder was read";
  } catch (const FileError& e) {
    EXPECT_NE(std::string(e.what()).find("no regular file"), std::string::npos) << e.what();
  }
  try {
    ReadFileBytes(dir.File("missing.bmp"));
    ADD_FAILURE() << "a missing file was read";
  } catch (const FileError& e) {
    EXPECT_NE(std::string(e.what()).find("Cannot open file"), std::string::npos) << e.what();
  }

  // A regular file behind a symbolic link reads whole, through every way in.
  const std::string file = dir.Write("real.bin", "abc");
  const std::string link = dir.File("link.bin");
  std::filesystem::create_symlink(file, link);
  EXPECT_EQ(ReadFileBytes(link), Bytes({'a', 'b', 'c'}));
  const MappedFile mapped(link);
  ASSERT_EQ(mapped.Size(), 3u);
  EXPECT_EQ(mapped.Data()[2], 'c');
  FileStream stream(link, fmOpenRead);
  char buffer[3] = {};
  stream.ReadBuffer(buffer, 3);
  EXPECT_EQ(std::string(buffer, 3), "abc");
}
