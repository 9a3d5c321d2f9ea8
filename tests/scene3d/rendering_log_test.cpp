#include "scene3d/rendering_log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "platform/files.h"
#include "scratch_dir.h"

using namespace scene3d;

namespace {

std::vector<std::string> Lines(const std::string& path) {
  std::istringstream in(testing_support::FileText(path));
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A clock the test moves by hand.
struct ScriptedClock {
  uint64_t now = 0;
  TLogSession::TickSource Source() {
    return [this] { return now; };
  }
};

}  // namespace

TEST(RenderingLog, FreshSessionWritesOneStartLineAndEndsWithSummary) {
  testing_support::ScratchDir scratch("log");
  std::string path = scratch.File("velkora.log");
  scratch.Write("velkora.log", "left over from the last run\n");
  std::vector<std::string> opened;
  {
    TLogSession log(path, llAll, lsmElapsed);
    log.SetEditorHook([&](const std::string& file) { opened.push_back(file); });
    std::vector<std::string> lines = Lines(path);
    ASSERT_EQ(lines.size(), 1u) << "the file is emptied and the LOGGING line is not written at creation";
    EXPECT_TRUE(std::regex_match(lines[0], std::regex(R"(^\d+\t \(I\)  Log subsystem started in elapsed time mode\.$)")))
        << lines[0];
    EXPECT_EQ(log.Count(lkNotice), 0) << "the start line is not counted";
  }
  std::vector<std::string> lines = Lines(path);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_TRUE(std::regex_match(lines[1], std::regex(R"(^\d+\t \(i\)  Logged fatal errors: 0, errors: 0, warnings: 0, )"
                                                    R"(titles: 0, infos: 0, debug info: 0$)")))
      << lines[1];
  EXPECT_TRUE(std::regex_match(lines[2], std::regex(R"(^\d+\t \(i\)  Log session shutdown$)"))) << lines[2];
  EXPECT_TRUE(opened.empty()) << "no errors: no editor";

  const char* modes[] = {"date only", "time only", "date and time"};
  for (int mode = lsmDateOnly; mode <= lsmDateTime; ++mode) {
    TLogSession dated(path, llAll, TLogTimeStampMode(mode));
    EXPECT_TRUE(std::regex_match(Lines(path)[0], std::regex(std::string("^[^\t]+\t \\(I\\)  Log subsystem started in ") +
                                                            modes[mode - 1] + " mode\\.$")))
        << Lines(path)[0];
  }
}

TEST(RenderingLog, LinesCarryPrefixesStampsAndCounts) {
  testing_support::ScratchDir scratch("log");
  std::string path = scratch.File("stamps.log");
  ScriptedClock clock;
  clock.now = 0xFFFFFF00u;  // just below a 32-bit wrap: the elapsed time must not wrap with it
  std::vector<std::string> opened;
  {
    TLogSession log(path, llAll, lsmElapsed, clock.Source());
    log.SetEditorHook([&](const std::string& file) { opened.push_back(file); });
    clock.now = 0x100000100ull;
    log.WriteDebug("d");
    log.WriteInfo("i");
    log.WriteNotice("n");
    log.WriteWarning("w");
    log.WriteError("e");
    log.WriteFatal("f");
    log.WriteAtLevel("six", 6);
    log.WriteAtLevel("minus", -1);
    for (int level = lkDebug; level <= lkFatalError; ++level) EXPECT_EQ(log.Count(TLogLevel(level)), 1) << level;
  }
  std::vector<std::string> lines = Lines(path);
  ASSERT_EQ(lines.size(), 9u);
  const char* expected[] = {"512\t (D)  d", "512\t (i)  i", "512\t (I)  n", "512\t(WW)   w", "512\t(EE)   e", "512\t(!!) f"};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(lines[size_t(i) + 1], expected[i]);
  EXPECT_EQ(lines[7], "512\t (i)  Logged fatal errors: 1, errors: 1, warnings: 1, titles: 1, infos: 1, debug info: 1");
  EXPECT_EQ(opened, std::vector<std::string>{path}) << "an error opens the log in the editor";

  TLogSession plain(scratch.File("plain.log"), llAll, lsmNoTimestamp);
  plain.WriteWarning("bare");
  EXPECT_EQ(Lines(plain.FileName()),
            (std::vector<std::string>{" (I)  Log subsystem started in no timestamp mode.", "(WW)   bare"}));
}

TEST(RenderingLog, ChangingLevelsIsAnnouncedUnderTheOldSet) {
  testing_support::ScratchDir scratch("log");
  TLogSession log(scratch.File("levels.log"), llAll, lsmNoTimestamp);
  log.SetEnabledLevels(llAll);
  log.SetEnabledLevels(llNone);
  log.WriteFatal("unseen");
  log.SetEnabledLevels(llAll | 0xC0);  // announced under "nothing": not written; levels 6 and 7 dropped
  EXPECT_EQ(log.EnabledLevels(), llAll);
  log.SetEnabledLevels(1u << lkWarning | 1u << lkFatalError);
  log.SetEnabledLevels(1u << lkNotice);  // the set before has no notices: not written
  EXPECT_EQ(Lines(log.FileName()),
            (std::vector<std::string>{
                " (I)  Log subsystem started in no timestamp mode.",
                " (I)  LOGGING [debug info (D), info (i), notices (I), warnings (WW), errors (EE), fatal errors (!!)]",
                " (I)  LOGGING nothing",
                " (I)  LOGGING [warnings (WW), fatal errors (!!)]",
            }));

  // A log that cannot be created stays silent and harmless.
  TLogSession lost(scratch.File("no/such/folder/x.log"), llAll, lsmElapsed);
  lost.WriteError("nowhere");
  EXPECT_EQ(lost.EnabledLevels(), llNone);
  EXPECT_EQ(lost.Count(lkError), 0);
  EXPECT_FALSE(std::filesystem::exists(lost.FileName()));
}

TEST(RenderingLog, LimitsSilenceALevelWithoutEndingTheProgram) {
  testing_support::ScratchDir scratch("log");
  struct Case {
    TLogLevel level;
    int limit;
    const char* prefix;
    const char* note;
  } cases[] = {
      {lkError, 100, "(EE)   ", "(EE)   Limit of 100 errors reached: further ones are not logged"},
      {lkFatalError, 10, "(!!) ", "(!!) Limit of 10 fatal errors reached: further ones are not logged"},
      {lkWarning, 500, "(WW)   ", "(WW)   Limit of 500 warnings reached: further ones are not logged"},
  };
  for (const Case& c : cases) {
    TLogSession log(scratch.File(std::string("limit") + std::to_string(c.level) + ".log"), llAll, lsmNoTimestamp);
    // Reaching the limit used to stop the process; this test would end here if it still did.
    for (int i = 1; i <= c.limit + 5; ++i) log.WriteAtLevel("line " + std::to_string(i), c.level);
    log.WriteInfo("still running");
    std::vector<std::string> lines = Lines(log.FileName());
    ASSERT_EQ(lines.size(), size_t(c.limit) + 3) << c.prefix;
    EXPECT_EQ(lines[size_t(c.limit)], c.prefix + std::string("line ") + std::to_string(c.limit));
    EXPECT_EQ(lines[size_t(c.limit) + 1], c.note);
    EXPECT_EQ(lines.back(), " (i)  still running");
    EXPECT_EQ(log.Count(c.level), c.limit);
  }
}

TEST(RenderingLog, ProgramLogIsNamedAfterTheProgramInTheCurrentDirectory) {
  EXPECT_EQ(RenderingLogFileName("/opt/velkora/velkora", "/opt/velkora"), "/opt/velkora/velkora.log");
  EXPECT_EQ(RenderingLogFileName("/x/tool.bin", "/y"), "/y/tool.log");

  testing_support::ScratchDir scratch("log");
  std::string savedDir = platform::ProgramDir();
  platform::SetProgramDir(scratch.Dir());
  std::vector<std::string> opened;
  const std::filesystem::path started = std::filesystem::current_path();
  testing_support::ScratchDir work("log-cwd");
  std::filesystem::current_path(work.Dir());
  {
    TRenderingLogScope scope([&](const std::string& file) { opened.push_back(file); });
    ASSERT_NE(RenderingLog(), nullptr);
    EXPECT_EQ(std::filesystem::path(RenderingLog()->FileName()),
              std::filesystem::path(work.Dir()) / (platform::BaseNameWithoutExtension(platform::ProgramFile()) + ".log"))
        << "the current directory, not the program's";
    RenderingLog()->WriteError("context lost");
  }
  std::filesystem::current_path(started);
  platform::SetProgramDir(savedDir);
  EXPECT_EQ(RenderingLog(), nullptr);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_NE(testing_support::FileText(opened[0]).find("(EE)   context lost"), std::string::npos);

  // A bare name lands in the current directory.
  std::filesystem::path cwd = std::filesystem::current_path();
  std::filesystem::current_path(scratch.Dir());
  {
    TLogSession bare("bare.log", llAll, lsmElapsed);
    EXPECT_EQ(std::filesystem::path(bare.FileName()), std::filesystem::path(scratch.Dir()) / "bare.log");
  }
  std::filesystem::current_path(cwd);
}
