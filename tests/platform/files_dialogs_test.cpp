#include <gtest/gtest.h>

#include <filesystem>

#include "platform/binary_stream.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "scratch_dir.h"

using namespace platform;

TEST(Files, ProgramFoldersMatchNamesWithoutCase) {
  testing_support::ScratchDir scratch("files");
  std::filesystem::path dir = scratch.Dir();
  WriteFileText((dir / "Fanuc_mm.PST").string(), "x");
  WriteFileText((dir / "other.lng").string(), "x");
  auto found = FindFileNoCase(dir.string(), "fanuc_mm.pst");
  ASSERT_TRUE(found);
  EXPECT_EQ(std::filesystem::path(*found).filename().string(), "Fanuc_mm.PST");
  EXPECT_FALSE(FindFileNoCase(dir.string(), "missing.pst"));
  EXPECT_FALSE(FindFileNoCase((dir / "nope").string(), "x"));
  EXPECT_EQ(ListFilesWithExtension(dir.string(), ".LNG"), std::vector<std::string>{"other.lng"});
  EXPECT_TRUE(IsPlainFileName("english"));
  EXPECT_FALSE(IsPlainFileName("../english"));
  EXPECT_FALSE(IsPlainFileName("a/b"));
  EXPECT_FALSE(IsPlainFileName("a\\b"));
  EXPECT_FALSE(IsPlainFileName(""));
}

TEST(Dialogs, ScriptedDialogsRecordAndRestore) {
  RecordingDialogs outer, inner;
  ScopedDialogs a(&outer);
  {
    ScopedDialogs b(&inner);
    inner.answers = {Answer::No};
    EXPECT_EQ(AskQuestion("Quit?", "Velkora"), Answer::No);
    EXPECT_EQ(AskQuestion("Again?", "Velkora"), Answer::Ok);  // empty queue answers Ok
    ShowMessage("hello");
  }
  ShowMessage("outer");
  ASSERT_EQ(inner.messages.size(), 3u);
  EXPECT_EQ(inner.messages[0].text, "Quit?");
  EXPECT_EQ(inner.messages[2].text, "hello");
  ASSERT_EQ(outer.messages.size(), 1u);
  EXPECT_EQ(outer.messages[0].text, "outer");
}
