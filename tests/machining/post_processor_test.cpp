#include "machining/post_processor.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "machining/nc_words.h"
#include "platform/dialogs.h"
#include "platform/exception.h"
#include "platform/files.h"
#include "platform/ini_file.h"
#include "scratch_dir.h"

namespace fs = std::filesystem;
using machining::ExpandPostTemplate;
using machining::NcDialect;
using machining::NcJob;
using machining::NcWriter;
using machining::PostKeyValue;
using machining::PostProcessorSettings;

namespace {

PostProcessorSettings Parse(const std::string& text, const PostProcessorSettings& previous = {}) {
  platform::IniFile ini;
  ini.LoadFromText(text);
  return machining::ParsePostProcessor(ini, previous);
}

// A program folder of its own with a "pst" folder in it, removed afterwards.
class ProgramFolder {
 public:
  ProgramFolder() { fs::create_directories(dir_.File("pst")); }
  void Write(const std::string& name, const std::string& text) const { dir_.Write("pst/" + name, text); }
  std::string Path() const { return dir_.Dir(); }

 private:
  testing_support::ScratchDir dir_{"pst"};
};

NcJob SampleJob() {
  NcJob job;
  job.toolNumber = 3;
  job.toolName = "Ball (6mm)";
  job.spindleSpeedText = "12000";
  job.feedRateText = "1200";
  job.plungeRateText = "300";
  job.ncFileName = "/home/user/jobs/relief(1).nc";
  job.referenceHeight = 5;
  return job;
}

}  // namespace

TEST(PostProcessor, ReadsKeysWithTheirDefaultsAndQuirks) {
  PostProcessorSettings d = Parse("");
  EXPECT_FALSE(d.outputSeq);
  EXPECT_EQ(d.xFormat, "%1.3f");
  EXPECT_EQ(d.toolFormat, "%1.1d");
  EXPECT_EQ(d.fileExtension, "nc");
  EXPECT_TRUE(d.fModal);
  EXPECT_TRUE(d.spaces);
  EXPECT_EQ(d.dialect, NcDialect::ISO);
  EXPECT_FALSE(d.scaled);
  EXPECT_EQ(d.motionWords[2], "G2");

  PostProcessorSettings s = Parse(
      "[X Axis]\nFormat=1.2\n[Y Axis]\nFormat=1.4\n[Z Axis]\nFormat=1.1\n"
      "[Default]\nFile_extension=TAP\nDialect=CSH\n"
      "[Start_of_file]\n1=%\n2=\n4=G21\n30=M3\n31=ignored\n"
      "[Post Comment]\n3=third\n1=first\n"
      "[Feed]\nRapid=FMAX\n");
  EXPECT_EQ(s.yFormat, "%1.2f") << "Y takes the [X Axis] format";
  EXPECT_EQ(s.zFormat, "%1.2f") << "Z takes the [X Axis] format";
  EXPECT_EQ(s.fileExtension, "tap");
  EXPECT_EQ(s.dialect, NcDialect::CSH);
  EXPECT_EQ(s.startOfFile, "%\r\nG21\r\nM3\r\n") << "empty keys skipped, only keys 1..30";
  EXPECT_EQ(s.postComment, "first\r\nthird\r\n") << "rebuilt in key order";
  EXPECT_TRUE(s.hasFeedRapid);
  NcWriter w(s);
  EXPECT_EQ(w.YWord(1), " Y1.00");
  EXPECT_EQ(w.ZWord(1), " Z1.00");

  PostProcessorSettings previous;
  previous.dialect = NcDialect::HEI;
  EXPECT_EQ(Parse("[Default]\nDialect=iso\n", previous).dialect, NcDialect::HEI) << "lower-case iso ignored";
  EXPECT_EQ(Parse("[Default]\nDialect=SBO\n", previous).dialect, NcDialect::SBO);
  EXPECT_EQ(Parse("", previous).dialect, NcDialect::ISO) << "a missing key reads the default ISO";

  // Precision 0 with DelZero: the integer keeps its zeros.
  NcWriter whole(Parse("[X Axis]\nFormat=1.0\n[Default]\nDelZero=1\n"));
  EXPECT_EQ(whole.XWord(100), " X100");
  EXPECT_EQ(whole.YWord(-40), " Y-40");

  EXPECT_FALSE(Parse("[X Axis]\nScale=1.00004\n").scaled) << "within the geometry tolerance";
  EXPECT_TRUE(Parse("[Z Axis]\nScale=1.0001\n").scaled);
  EXPECT_TRUE(Parse("[Y Axis]\nScale=25.4\n").scaled);
}

TEST(PostProcessor, NumberFormatsFromTheFileAreOnlyDigitsAndOneDot) {
  for (const char* good : {"1.3", "0.4", "1.0", ".2", "8", "3."}) {
    EXPECT_NO_THROW(Parse(std::string("[X Axis]\nFormat=") + good + "\n")) << good;
  }
  for (const char* bad : {"abc", "1.3f", "%n", "1..3", "-1.3", "1.3s%s", "", ".", "1.99", "1 .3", "1000.1"}) {
    try {
      platform::IniFile ini("/nowhere/Bad.pst");
      ini.LoadFromText(std::string("[Tool]\nFormat=") + bad + "\n");
      machining::ParsePostProcessor(ini, {});
      ADD_FAILURE() << "accepted tool format \"" << bad << "\"";
    } catch (const platform::FormatError& e) {
      std::string message = e.what();
      EXPECT_NE(message.find("/nowhere/Bad.pst"), std::string::npos) << message;
      EXPECT_NE(message.find("[Tool]"), std::string::npos) << message;
      EXPECT_NE(message.find("Format"), std::string::npos) << message;
    }
  }
  EXPECT_THROW(Parse("[Feed]\nFormat=%d\n"), platform::FormatError);
}

TEST(PostProcessor, ReadFindsTheFileAndReportsWhatWentWrong) {
  ProgramFolder folder;
  // Files written on Windows: CR LF line ends.
  folder.Write("Fanuc_mm.pst", "[Block Numbering]\r\nOutputSeq=1\r\nSeqStart=40\r\n[Default]\r\nDialect=HEI\r\n");
  platform::RecordingDialogs dialogs;
  platform::ScopedDialogs scope(&dialogs);

  NcWriter w;
  w.blockCounter = 999;
  EXPECT_TRUE(machining::ReadPostProcessor(folder.Path(), "fanuc_mm", w));
  EXPECT_EQ(w.settings.dialect, NcDialect::HEI);
  EXPECT_EQ(w.blockCounter, 40) << "SeqStart resets the counter";
  w.blockCounter = 7;
  EXPECT_TRUE(machining::ReadPostProcessor(folder.Path(), "Fanuc_mm", w));
  EXPECT_EQ(w.blockCounter, 40);
  EXPECT_TRUE(dialogs.messages.empty());

  // Missing: defaults, and the user is told which file was looked for.
  w.settings.startOfFile = "kept?";
  EXPECT_FALSE(machining::ReadPostProcessor(folder.Path(), "heidenhain", w));
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_NE(dialogs.messages[0].text.find("Pst not found"), std::string::npos);
  EXPECT_NE(dialogs.messages[0].text.find(folder.Path() + "/pst/heidenhain.pst"), std::string::npos)
      << dialogs.messages[0].text;
  EXPECT_EQ(w.settings.startOfFile, "");
  EXPECT_FALSE(w.settings.outputSeq);
  EXPECT_EQ(w.blockCounter, 1);

  // A name that leads out of the folder is not read.
  folder.Write("../outside.pst", "[Default]\nDialect=XIL\n");
  EXPECT_FALSE(machining::ReadPostProcessor(folder.Path() + "/pst", "../outside", w));
  EXPECT_EQ(w.settings.dialect, NcDialect::ISO);
  ASSERT_EQ(dialogs.messages.size(), 2u);
  EXPECT_NE(dialogs.messages[1].text.find("is refused"), std::string::npos) << dialogs.messages[1].text;
  EXPECT_EQ(dialogs.messages[1].text.find(".pst"), std::string::npos) << "no path out of the folder is shown";
  EXPECT_FALSE(machining::ReadPostProcessor(folder.Path(), "../../../../etc/passwd", w));
  ASSERT_EQ(dialogs.messages.size(), 3u);
  EXPECT_EQ(dialogs.messages[2].text.find("pst/"), std::string::npos) << dialogs.messages[2].text;
  dialogs.messages.pop_back();

  // A bad format: the message names file, section and key; what was loaded stays.
  ASSERT_TRUE(machining::ReadPostProcessor(folder.Path(), "fanuc_mm", w));
  folder.Write("broken.pst", "[X Axis]\nFormat=%s%s%n\n[Default]\nDialect=XIL\n");
  EXPECT_FALSE(machining::ReadPostProcessor(folder.Path(), "broken", w));
  ASSERT_EQ(dialogs.messages.size(), 3u);
  EXPECT_NE(dialogs.messages[2].text.find("broken.pst"), std::string::npos);
  EXPECT_NE(dialogs.messages[2].text.find("[X Axis]"), std::string::npos);
  EXPECT_EQ(w.settings.dialect, NcDialect::HEI) << "previous settings kept";
  EXPECT_TRUE(w.settings.outputSeq);
}

TEST(PostProcessor, FilesThatAreNoPostProcessorSayWhy) {
  ProgramFolder folder;
  platform::RecordingDialogs dialogs;
  platform::ScopedDialogs scope(&dialogs);
  NcWriter w;
  folder.Write("good.pst", "[Default]\nDialect=HEI\n[Start_of_file]\n1=%\n");
  ASSERT_TRUE(machining::ReadPostProcessor(folder.Path(), "good", w));
  // Empty, garbage, UTF-16 and cut before its first section: none holds a section of its own, so
  // each is reported as the missing file is, and what was loaded stays.
  const std::string utf16("\xFF\xFE[\0D\0e\0f\0a\0u\0l\0t\0]\0", 20);
  const std::string cases[] = {"", "\x01\x02garbage\xFF\n=\n", utf16, "[Block Numb", "[Other]\nk=v\n"};
  for (const std::string& text : cases) {
    folder.Write("bad.pst", text);
    dialogs.messages.clear();
    EXPECT_FALSE(machining::ReadPostProcessor(folder.Path(), "bad", w)) << text;
    ASSERT_EQ(dialogs.messages.size(), 1u) << text;
    EXPECT_EQ(dialogs.messages[0].text.rfind("Pst not found: " + folder.Path() + "/pst/bad.pst\r\n", 0), 0u)
        << dialogs.messages[0].text;
    EXPECT_EQ(w.settings.dialect, NcDialect::HEI);
    EXPECT_EQ(w.settings.startOfFile, "%\r\n");
  }
  // Over 1 MB: the message names the file and its size.
  folder.Write("huge.pst", "[Default]\n" + std::string(size_t(1) << 20, ';'));
  dialogs.messages.clear();
  EXPECT_FALSE(machining::ReadPostProcessor(folder.Path(), "huge", w));
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_NE(dialogs.messages[0].text.find("huge.pst"), std::string::npos) << dialogs.messages[0].text;
  EXPECT_NE(dialogs.messages[0].text.find(std::to_string((size_t(1) << 20) + 10) + " bytes"), std::string::npos)
      << dialogs.messages[0].text;

  // A post-processor written in Windows-1252 frames the program in proper characters.
  folder.Write("windows.pst", "[Start_of_file]\n1=(Fr\xE4ser \x96 [toolname])\n");
  ASSERT_TRUE(machining::ReadPostProcessor(folder.Path(), "windows", w));
  NcJob job;
  job.toolName = "Kugel \u00D8 6";
  EXPECT_EQ(ExpandPostTemplate(w.settings.startOfFile, 0, 0, job, w), "(Fr\u00E4ser \u2013 (KUGEL O 6))\r\n")
      << "the post's own text as written, the tool name in plain ASCII";
}

TEST(PostProcessor, TemplateSeparatorsAndLineStarts) {
  NcWriter w;
  NcJob job;
  EXPECT_EQ(ExpandPostTemplate("G0[xrapid][yrapid]", 10, 5, job, w), "G0 X10.000 Y5.000");
  w.ResetMemory();
  EXPECT_EQ(ExpandPostTemplate("G0[xrapid] [yrapid]", 10, 5, job, w), "G0 X10.000  Y5.000")
      << "each word brings its own blank";
  w.ResetMemory();
  EXPECT_EQ(ExpandPostTemplate("G0\r\n[xrapid]\r\n[spindle_on]\r\n", 10, 5, job, w), "G0\r\nX10.000\r\nM3\r\n");
  w.ResetMemory();
  // The blank goes only after a line feed with text before it, not at the template's very start.
  EXPECT_EQ(ExpandPostTemplate("[xrapid][yrapid]", 10, 5, job, w), " X10.000 Y5.000");
  w.ResetMemory();
  EXPECT_EQ(ExpandPostTemplate("[tool] M6\r\n[tool] M6", 10, 5, job, w), " T1 M6\r\nT1 M6");
  w.ResetMemory();
  EXPECT_EQ(ExpandPostTemplate("\n[tool]", 10, 5, job, w), "\n T1") << "a lone line feed is no line before";

  // With block numbers the word keeps its separator after the number.
  NcWriter n;
  n.settings.outputSeq = true;
  n.ResetMemory();
  EXPECT_EQ(ExpandPostTemplate("[n][xrapid]\r\n[n] M30\r\n", 10, 5, job, n), "N1 X10.000\r\nN2 M30\r\n");
}

// A tool or file without a name gives no comment: a line that held only that comment goes, every other
// line stays exactly as the template has it.
TEST(PostProcessor, NoEmptyComments) {
  const struct {
    const char *templ, *toolName, *ncFile, *expected;
  } cases[] = {
      {"%\r\n[toolname]\r\nG21\r\n", "", "", "%\r\nG21\r\n"},
      {"%\r\n[toolname]\r\nG21\r\n", " \t ", "", "%\r\nG21\r\n"},
      {"%\r\n[toolname]\r\nG21\r\n", "Ball", "", "%\r\n(BALL)\r\nG21\r\n"},
      {"[progname]\r\n[toolname]\r\n", "", "/jobs/a.nc", "(A.NC)\r\n"},
      {"[progname] [toolname]\r\nM30", "", "", "M30"},
      {"%\r\n[progname][toolname]", "", "", "%\r\n"},
      {"G0 [toolname]\r\nM30\r\n", "", "", "G0 \r\nM30\r\n"},
      {"[toolname]M3\r\n", "", "", "M3\r\n"},
      {"%\r\n \r\n[toolname]\r\n", "", "", "%\r\n \r\n"},
      {"[toolname]", "", "", ""},
  };
  for (const auto& c : cases) {
    NcWriter w;
    NcJob job;
    job.toolName = c.toolName;
    job.ncFileName = c.ncFile;
    EXPECT_EQ(ExpandPostTemplate(c.templ, 0, 0, job, w), c.expected) << c.templ << " / \"" << c.toolName << "\"";
  }
  NcWriter w;
  EXPECT_EQ(PostKeyValue("toolname", 0, 0, NcJob{}, w), "");
}

TEST(PostProcessor, TemplateBracketsWithoutPairs) {
  NcWriter w;
  NcJob job;
  EXPECT_EQ(ExpandPostTemplate("M30[unknown]%[Tool]", 0, 0, job, w), "M30%") << "unknown and wrong-case keys";
  EXPECT_EQ(ExpandPostTemplate("abc[x", 0, 0, job, w), "abc[x") << "unclosed bracket copied once";
  EXPECT_EQ(ExpandPostTemplate("a]b[spindle_on]c", 0, 0, job, w), "a]bM3c") << "a ']' before the '[' is text";
  EXPECT_EQ(ExpandPostTemplate("x]y]", 0, 0, job, w), "x]y]");
  EXPECT_EQ(ExpandPostTemplate("[[spindle_off]]", 0, 0, job, w), "]") << "key \"[spindle_off\" is unknown";
  EXPECT_EQ(ExpandPostTemplate("", 0, 0, job, w), "");

  // An error half-way is raised, not returned as the text so far.
  w.settings.xFormat = "%s";
  EXPECT_THROW(ExpandPostTemplate("%\r\nG0 [x]\r\n", 1, 2, job, w), platform::FormatError);
}

TEST(PostProcessor, KeyValues) {
  NcWriter w;
  w.ResetMemory();
  NcJob job = SampleJob();
  EXPECT_EQ(PostKeyValue("tool", 0, 0, job, w), " T3");
  EXPECT_EQ(PostKeyValue("toolname", 0, 0, job, w), "(BALL  6MM )");
  EXPECT_EQ(PostKeyValue("speed", 0, 0, job, w), "S12000");
  EXPECT_EQ(PostKeyValue("spindle_on", 0, 0, job, w), "M3");
  EXPECT_EQ(PostKeyValue("spindle_off", 0, 0, job, w), "M5");
  EXPECT_EQ(PostKeyValue("feed", 0, 0, job, w), " F1200");
  EXPECT_EQ(PostKeyValue("feed", 0, 0, job, w), "") << "FModal on";
  EXPECT_EQ(PostKeyValue("feedplunge", 0, 0, job, w), " F300");
  EXPECT_EQ(PostKeyValue("offlen", 0, 0, job, w), "H3");
  EXPECT_EQ(PostKeyValue("progname", 0, 0, job, w), "(RELIEF 1 .NC)") << "no folder, no nested comment";
  EXPECT_EQ(PostKeyValue("progn", 0, 0, job, w), "O0001");
  EXPECT_EQ(PostKeyValue("coolant_on", 0, 0, job, w), "M8");
  EXPECT_EQ(PostKeyValue("coolant_off", 0, 0, job, w), "M9");
  EXPECT_EQ(PostKeyValue("xrapid", 1.5, 2.5, job, w), " X1.500");
  EXPECT_EQ(PostKeyValue("yrapid", 1.5, 2.5, job, w), " Y2.500");
  EXPECT_EQ(PostKeyValue("zrapid", 1.5, 2.5, job, w), " Z5.000") << "the reference height";
  EXPECT_EQ(PostKeyValue("depth", 0, 0, job, w), " -1.000");
  EXPECT_EQ(PostKeyValue("ref_height", 0, 0, job, w), " 5.000");
  EXPECT_EQ(PostKeyValue("x", 3, 4, job, w), " X3.000");
  EXPECT_EQ(PostKeyValue("y", 3, 4, job, w), " Y4.000");
  EXPECT_EQ(PostKeyValue("n", 0, 0, job, w), "") << "numbering off";
  EXPECT_EQ(PostKeyValue("X", 3, 4, job, w), "");

  job.ncFileName = "C:\\Jobs\\Face.nc";
  w.settings.startComment = ";";
  w.settings.endComment = "";
  EXPECT_EQ(PostKeyValue("progname", 0, 0, job, w), ";FACE.NC");
  job.toolName = "a;b";
  EXPECT_EQ(PostKeyValue("toolname", 0, 0, job, w), ";A B");
}

// The file and tool names in comments: plain ASCII, upper-cased whole, on one line, never holding a
// character that opens or closes the post's comments.
TEST(PostProcessor, CommentsArePlainAsciiInCapitals) {
  const struct {
    const char *start, *end, *key, *name, *expected;
  } cases[] = {
      {"(", ")", "progname", "/home/anna/M\u00F6nch (Relief) \u00E4.nc", "(MONCH  RELIEF  A.NC)"},
      {"(", ")", "progname", "C:\\Jobs\\Stra\u00DFe \u00C6r\u00F8 \u0141\u00F3d\u017A.nc", "(STRASSE AERO LODZ.NC)"},
      {"(", ")", "progname", "caf\u00E9 \u2013 \u201Cneu\u201D \u2026 \u2713 \U0001F600.nc", "(CAFE - \"NEU\" ... ? ?.NC)"},
      {"(", ")", "progname", "bad\xFF\xC3.nc", "(BAD??.NC)"},
      {"'", "", "progname", "Bob\u2019s job.sbp", "'BOB S JOB.SBP"},
      {"(", ")", "toolname", "Ball\r\n6 mm\t\x7F(x)", "(BALL  6 MM   X )"},
      {"[c", "]", "toolname", "a[b]c", "[CA B C]"},
  };
  for (const auto& c : cases) {
    NcWriter w;
    w.settings.startComment = c.start;
    w.settings.endComment = c.end;
    NcJob job;
    job.ncFileName = c.name;
    job.toolName = c.name;
    const std::string comment = PostKeyValue(c.key, 0, 0, job, w);
    EXPECT_EQ(comment, c.expected) << c.name;
    for (char ch : comment) EXPECT_TRUE(ch >= 0x20 && ch < 0x7F) << c.name << ": byte " << int(ch);
  }
}

// Every shipped post-processor reads cleanly and frames a small job correctly for its controller.
TEST(PostProcessor, ShippedPostProcessorsFrameAProgram) {
  std::string source = VELKORA_SOURCE_DIR;
  std::vector<std::string> files = platform::ListFilesWithExtension(source + "/pst", ".pst");
  ASSERT_GE(files.size(), 2u);
  bool sawFanucMm = false;
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    std::string name = platform::BaseNameWithoutExtension(file);
    platform::RecordingDialogs dialogs;
    platform::ScopedDialogs scope(&dialogs);
    NcWriter w;
    ASSERT_TRUE(machining::ReadPostProcessor(source, name, w));
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_FALSE(w.settings.postComment.empty()) << "each file says what machine it is for";
    EXPECT_FALSE(w.settings.startOfFile.empty());
    EXPECT_FALSE(w.settings.endOfFile.empty());
    EXPECT_EQ(w.postName, name);
    EXPECT_EQ(w.settings.unit, name.find("inch") != std::string::npos ? machining::PostUnit::Inches
                                                                     : machining::PostUnit::Millimetres)
        << "each shipped file declares the unit its words are in";

    // A small job the way Calculate writes it.
    NcJob job = SampleJob();
    w.ResetMemory();
    std::string program = ExpandPostTemplate(w.settings.startOfFile, 10, 5, job, w);
    w.WriteMoveBlock(program, 1, job.feedRateText, 10, 5, -1.25);
    w.WriteMoveBlock(program, 1, job.feedRateText, 20, 5, -2);
    w.WriteMoveBlock(program, 0, machining::kRapidFeedText, 20, 5, 5);
    w.WriteMoveBlock(program, 0, machining::kRapidFeedText, 0, 30, 5);
    w.WriteMoveBlock(program, 1, job.plungeRateText, 0, 30, -0.5);
    w.WriteMoveBlock(program, 0, machining::kRapidFeedText, 0, 30, 5);
    program += ExpandPostTemplate(w.settings.endOfFile, 0, 30, job, w);
    EXPECT_EQ(program.find("\r\n\r\n"), std::string::npos) << program;
    EXPECT_EQ(program.find('['), std::string::npos) << program;
    ASSERT_GE(program.size(), 2u);
    EXPECT_EQ(program.substr(program.size() - 2), "\r\n");

    std::vector<std::string> lines;
    for (size_t start = 0, end; (end = program.find("\r\n", start)) != std::string::npos; start = end + 2)
      lines.push_back(program.substr(start, end - start));
    auto indexOf = [&](const std::regex& pattern) {
      for (size_t i = 0; i < lines.size(); ++i)
        if (std::regex_search(lines[i], pattern)) return static_cast<long>(i);
      return -1L;
    };

    if (w.settings.dialect == NcDialect::ISO) {
      bool inch = name.find("inch") != std::string::npos;
      sawFanucMm = sawFanucMm || name == "Fanuc_mm";
      // Every line is a comment, a "%" or words a standard RS274/NGC interpreter reads.
      std::regex valid(R"(^(%|\([^()]*\)|([A-Z][-+]?[0-9]*\.?[0-9]+ ?)+)$)");
      for (const std::string& line : lines) EXPECT_TRUE(std::regex_match(line, valid)) << "\"" << line << "\"";
      long units = indexOf(std::regex(inch ? R"(\bG20\b)" : R"(\bG21\b)"));
      long absolute = indexOf(std::regex(R"(\bG90\b)"));
      long plane = indexOf(std::regex(R"(\bG17\b)"));
      long tool = indexOf(std::regex(R"(\bT3 M6\b)"));
      long spindle = indexOf(std::regex(R"(\bS12000 M3\b)"));
      long firstCut = indexOf(std::regex(R"(^G1 )"));
      long spindleOff = indexOf(std::regex(R"(^M5$)"));
      long end = indexOf(std::regex(R"(^M30$)"));
      EXPECT_GE(units, 0);
      EXPECT_GE(absolute, 0);
      EXPECT_GE(plane, 0);
      EXPECT_GE(tool, 0);
      EXPECT_GE(spindle, 0);
      EXPECT_GT(firstCut, spindle) << "spindle on before the first cut";
      EXPECT_GT(firstCut, units);
      EXPECT_GT(spindleOff, firstCut);
      EXPECT_GT(end, spindleOff);
      EXPECT_EQ(indexOf(std::regex(inch ? R"(\bG21\b)" : R"(\bG20\b)")), -1L);
      EXPECT_NE(program.find(inch ? "G1 Z-1.2500 F1200" : "G1 Z-1.250 F1200"), std::string::npos) << program;
      EXPECT_NE(program.find(inch ? "G0 X10.0000 Y5.0000" : "G0 X10.000 Y5.000"), std::string::npos) << program;
    } else if (w.settings.dialect == NcDialect::SBO) {
      long absolute = indexOf(std::regex("^SA$"));
      long spindle = indexOf(std::regex("^SO,1,1$"));
      long firstCut = indexOf(std::regex("^MZ,-1.250$"));
      long spindleOff = indexOf(std::regex("^SO,1,0$"));
      long end = indexOf(std::regex("^END$"));
      EXPECT_GE(indexOf(std::regex(R"(^IF %\(25\)=0 THEN GOTO UNIT_ERROR$)")), 0);
      EXPECT_GE(absolute, 0);
      EXPECT_GT(firstCut, spindle);
      EXPECT_GT(spindleOff, firstCut);
      EXPECT_GT(end, spindleOff);
      EXPECT_GE(indexOf(std::regex("^M3,20.000,5.000,-2.000$")), 0) << program;
      EXPECT_GE(indexOf(std::regex("^UNIT_ERROR:$")), 0);
    } else {
      ADD_FAILURE() << "no frame check for this dialect";
    }
  }
  EXPECT_TRUE(sawFanucMm);
}
