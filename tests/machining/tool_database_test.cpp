#include "machining/tool_database.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/binary_stream.h"
#include "platform/files.h"
#include "scratch_dir.h"

namespace {

using machining::ReadToolRecord;
using machining::ToolDatabase;
using machining::TToolRecord;
using platform::Bytes;

using testing_support::ScratchDir;

TToolRecord Tool(int number, const std::string& name, int type = 0) {
  TToolRecord r;
  r.toolNumber = number;
  r.spindleSpeed = 12000 + number;
  r.feedRate = 800.5f;
  r.plungeRate = 300.25f;
  r.coolant = number % 2 == 1;
  r.name = name;
  r.toolType = type;
  r.diameter = 6.0f;
  r.cornerRadius = 0.5f;
  r.taperAngle = 30.0f;
  r.flatDiameter = 1.5f;
  r.passDepth = 20.0f;
  return r;
}

size_t FileSize(const std::string& path) { return std::filesystem::file_size(path); }

TEST(ToolRecord, ExactLayoutFieldByField) {
  const Bytes b = machining::ToolRecordBytes(Tool(3, "V-bit"));
  ASSERT_EQ(b.size(), 92u);
  platform::ByteReader in(b);
  EXPECT_EQ(in.I32(), 3);
  EXPECT_EQ(in.I32(), 12003);
  EXPECT_EQ(in.F32(), 800.5f);
  EXPECT_EQ(in.F32(), 300.25f);
  EXPECT_EQ(in.U8(), 1) << "coolant byte at 16";
  EXPECT_EQ(in.U8(), 5) << "name length at 17";
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.data() + 18), 5), "V-bit");
  EXPECT_EQ(b[23], 0) << "unused name bytes are zero";
  in.Seek(68);
  EXPECT_EQ(in.I32(), 0);
  EXPECT_EQ(in.F32(), 6.0f);
  EXPECT_EQ(in.F32(), 0.5f);
  EXPECT_EQ(in.F32(), 30.0f);
  EXPECT_EQ(in.F32(), 1.5f);
  EXPECT_EQ(in.F32(), 20.0f);

  platform::ByteReader back(b);
  EXPECT_EQ(ReadToolRecord(back), Tool(3, "V-bit"));
}

TEST(ToolRecord, NameLimitsAndDamagedLengthByte) {
  const std::string sixty(60, 'x');
  Bytes b = machining::ToolRecordBytes(Tool(1, sixty + "abc"));
  platform::ByteReader in(b);
  EXPECT_EQ(ReadToolRecord(in).name, std::string(50, 'x')) << "a long name is stored as its first 50";
  EXPECT_EQ(b[17], 50);

  // A length byte above 50 reads 50 characters and the fields after the name stay where they are.
  b[17] = 200;
  platform::ByteReader damaged(b);
  const TToolRecord r = ReadToolRecord(damaged);
  EXPECT_EQ(r.name.size(), 50u);
  EXPECT_EQ(r.diameter, 6.0f);
  EXPECT_EQ(damaged.Position(), 92u);

  // Fewer than 92 bytes is refused, never read past the end.
  platform::ByteReader shortRead(b.data(), 91);
  EXPECT_THROW(ReadToolRecord(shortRead), platform::FormatError);
}

TEST(ToolDatabase, MissingFileCreatedEmptyAndAddModify) {
  ScratchDir dir("tooldb_basic");
  ToolDatabase db(dir.File("Tool.db"));
  EXPECT_TRUE(db.ReadAll().empty());
  EXPECT_FALSE(db.Exists()) << "reading creates nothing";
  db.EnsureExists();
  ASSERT_TRUE(db.Exists());
  EXPECT_EQ(FileSize(db.Path()), 0u);

  EXPECT_EQ(db.Add(Tool(1, "one")), 0);
  EXPECT_EQ(db.Add(Tool(2, std::string(60, 'n'))), 1);
  EXPECT_EQ(FileSize(db.Path()), 184u);
  EXPECT_EQ(db.Read(1).name, std::string(50, 'n'));

  db.Modify(0, Tool(7, "seven", 2));
  const auto all = db.ReadAll();
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0], Tool(7, "seven", 2));
  EXPECT_EQ(all[1].toolNumber, 2);
  EXPECT_THROW(db.Modify(2, Tool(9, "nine")), machining::ToolDatabaseError);
  EXPECT_THROW(db.Read(-1), machining::ToolDatabaseError);

  // An existing file is not touched by EnsureExists.
  db.EnsureExists();
  EXPECT_EQ(FileSize(db.Path()), 184u);

  // Adding to a missing file creates it.
  ToolDatabase fresh(dir.File("other.db"));
  EXPECT_EQ(fresh.Add(Tool(1, "a")), 0);
  EXPECT_EQ(FileSize(fresh.Path()), 92u);
}

TEST(ToolDatabase, DeleteAndSwap) {
  ScratchDir dir("tooldb_delete");
  ToolDatabase db(dir.File("Tool.db"));
  for (int i = 1; i <= 3; ++i) db.Add(Tool(i, "tool " + std::to_string(i)));
  const Bytes before = platform::ReadFileBytes(db.Path());

  db.Delete(0);
  const Bytes after = platform::ReadFileBytes(db.Path());
  ASSERT_EQ(after.size(), 184u);
  EXPECT_TRUE(std::equal(after.begin(), after.end(), before.begin() + 92))
      << "the former second and third records, byte for byte, in that order";
  EXPECT_THROW(db.Delete(2), machining::ToolDatabaseError);

  db.Add(Tool(4, "tool 4"));
  db.Add(Tool(5, "tool 5"));  // file: 2 3 4 5
  db.Swap(1, 3);
  const auto all = db.ReadAll();
  ASSERT_EQ(all.size(), 4u);
  EXPECT_EQ(all[0].toolNumber, 2);
  EXPECT_EQ(all[1].toolNumber, 5);
  EXPECT_EQ(all[2].toolNumber, 4);
  EXPECT_EQ(all[3].toolNumber, 3);
  db.Swap(2, 2);
  EXPECT_EQ(db.ReadAll(), all);
  EXPECT_THROW(db.Swap(0, 4), machining::ToolDatabaseError);
}

TEST(ToolDatabase, DamagedFilesAreReadAndNeverCut) {
  ScratchDir dir("tooldb_damaged");
  const std::string path = dir.File("Tool.db");
  Bytes bytes = machining::ToolRecordBytes(Tool(1, "first"));
  Bytes second = machining::ToolRecordBytes(Tool(2, "second"));
  second[17] = 99;  // name length byte beyond 50
  bytes.insert(bytes.end(), second.begin(), second.end());
  const Bytes tail = {0xde, 0xad, 0xbe, 0xef, 0x01};
  bytes.insert(bytes.end(), tail.begin(), tail.end());
  platform::WriteFileBytes(path, bytes);

  ToolDatabase db(path);
  const auto all = db.ReadAll();
  ASSERT_EQ(all.size(), 2u) << "whole records of a 189-byte file";
  EXPECT_EQ(db.Count(), 2);
  EXPECT_EQ(all[1].name.size(), 50u);
  EXPECT_EQ(all[1].toolNumber, 2);
  db.EnsureExists();
  EXPECT_EQ(platform::ReadFileBytes(path), bytes) << "reading leaves the user's file as it was";

  // An explicit add lands on a record boundary; the broken tail is kept behind it.
  EXPECT_EQ(db.Add(Tool(3, "third")), 2);
  Bytes now = platform::ReadFileBytes(path);
  ASSERT_EQ(now.size(), 189u + 92u);
  EXPECT_TRUE(std::equal(tail.begin(), tail.end(), now.end() - 5));
  EXPECT_EQ(db.Read(2).name, "third");
  EXPECT_EQ(now[92 + 17], 99) << "an untouched record keeps its own bytes";

  db.Delete(0);
  now = platform::ReadFileBytes(path);
  ASSERT_EQ(now.size(), 189u);
  EXPECT_TRUE(std::equal(tail.begin(), tail.end(), now.end() - 5));
  EXPECT_EQ(db.ReadAll().front().toolNumber, 2);
}

TEST(ToolDatabase, AbsurdToolSizesAreRefusedWhenAToolIsTaken) {
  // A tool 3e38 wide would reach past every index of the probes: it is listed, but taking it says why
  // it cannot be used. A metre is the limit, a corner radius half of it.
  ScratchDir dir("tooldb_absurd");
  const std::string path = dir.File("Tool.db");
  ToolDatabase db(path);
  TToolRecord metre = Tool(1, "metre");
  metre.diameter = 1000.0f;
  metre.flatDiameter = 1000.0f;
  metre.cornerRadius = 500.0f;
  db.Add(metre);
  for (auto change : {+[](TToolRecord& r) { r.diameter = 3e38f; }, +[](TToolRecord& r) { r.diameter = 1000.5f; },
                      +[](TToolRecord& r) { r.flatDiameter = -1e30f; }, +[](TToolRecord& r) { r.cornerRadius = 501.0f; }}) {
    TToolRecord absurd = Tool(2, "absurd");
    change(absurd);
    EXPECT_NE(machining::ToolRecordSizeProblem(absurd), "");
    db.Add(absurd);
  }
  EXPECT_EQ(db.ReadAll().size(), 5u);
  EXPECT_EQ(db.Read(0), metre);
  for (int i = 1; i < 5; ++i) {
    try {
      db.Read(i);
      ADD_FAILURE() << "tool " << i + 1 << " was taken";
    } catch (const machining::ToolDatabaseError& e) {
      EXPECT_NE(std::string(e.what()).find("no real cutter"), std::string::npos) << e.what();
    }
  }
}

TEST(ToolDatabase, DefaultPathBesideProgram) {
  ScratchDir dir("tooldb_default");
  const std::string old = platform::ProgramDir();
  platform::SetProgramDir(dir.Dir());
  EXPECT_EQ(ToolDatabase::DefaultPath(), platform::JoinPath(dir.Dir(), "Tool.db"));
  platform::WriteFileBytes(dir.File("TOOL.DB"), Bytes{});
  EXPECT_EQ(ToolDatabase::DefaultPath(), dir.File("TOOL.DB")) << "a copy made on a case-blind disk is found";
  // A program folder given relative to the working folder is joined once.
  const std::string relative = std::filesystem::relative(dir.Dir()).string();
  platform::SetProgramDir(relative);
  EXPECT_EQ(ToolDatabase::DefaultPath(), platform::JoinPath(relative, "TOOL.DB"));
  EXPECT_TRUE(platform::FileExists(ToolDatabase::DefaultPath()));
  platform::SetProgramDir(old);
}

TEST(ToolRecord, NamesAreStoredInWindows1252) {
  TToolRecord r;
  machining::SetToolNameText(r, "Fr\u00E4ser \u2013 6 mm \u20AC \u2713");
  EXPECT_EQ(r.name, "Fr\xE4ser \x96 6 mm \x80 ?") << "what the code page lacks becomes '?'";
  const Bytes b = machining::ToolRecordBytes(r);
  EXPECT_EQ(b[17], 17);
  EXPECT_EQ(b[18 + 7], 0x96);
  platform::ByteReader in(b);
  EXPECT_EQ(machining::ToolNameText(ReadToolRecord(in)), "Fr\u00E4ser \u2013 6 mm \u20AC ?");
  // Fifty characters, however many bytes they take in UTF-8.
  std::string longName;
  for (int i = 0; i < 60; ++i) longName += "\u20AC";
  machining::SetToolNameText(r, longName);
  EXPECT_EQ(r.name, std::string(50, '\x80'));
}

}  // namespace
