#include "platform/chm_file.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/binary_stream.h"
#include "platform/exception.h"
#include "platform/files.h"
#include "platform/help_sitemap.h"
#include "scratch_dir.h"

namespace {

using platform::ChmFile;

// The program's help file, compiled from help/ by the build.
std::string HelpFile() { return platform::JoinPath(platform::ProgramDir(), "hlp/Velkora.chm"); }

TEST(HelpSitemap, ReadsNestedListsAndTheirObjects) {
  const char* html = R"(<HTML><BODY><!-- <UL><LI><OBJECT type="text/sitemap"><param name="Name" value="hidden"></OBJECT> -->
<UL>
 <LI><OBJECT type="text/sitemap"><param name="Name" value="Start &amp; overview"><param name="Local" value="start.html"></OBJECT>
 <UL>
  <li><object TYPE='text/sitemap'><PARAM NAME=Name VALUE=Depth><param name="Local" value="depth.html#apply"><param name="Local" value="other.html"></object>
  <UL><LI><OBJECT type="text/sitemap"><param name="Name" value="&#176; &#x41;"></OBJECT></UL>
 </UL>
 <LI><OBJECT type="text/css"><param name="Name" value="not a sitemap object"></OBJECT>
 <LI><OBJECT type="text/sitemap"><param name="Local" value="nameless.html"></OBJECT>
 <LI><OBJECT type="text/sitemap"><param name="Name" value="Files"><param name="Local" value="files.html"></OBJECT>
</UL></BODY></HTML>)";
  const auto entries = platform::ParseSitemap(html);
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[0].name, "Start & overview");
  EXPECT_EQ(entries[0].local, "start.html");
  EXPECT_EQ(entries[0].level, 0);
  EXPECT_EQ(entries[1].name, "Depth");
  EXPECT_EQ(entries[1].local, "depth.html#apply");  // the first topic of several
  EXPECT_EQ(entries[1].level, 1);
  EXPECT_EQ(entries[2].name, "\xC2\xB0 A");
  EXPECT_EQ(entries[2].local, "");
  EXPECT_EQ(entries[2].level, 2);
  EXPECT_EQ(entries[3].name, "Files");
  EXPECT_EQ(entries[3].level, 0);

  // Cut anywhere, the markup still reads without failing.
  const std::string whole(html);
  for (size_t cut = 0; cut < whole.size(); cut += 7) {
    const auto partial = platform::ParseSitemap(std::string_view(whole).substr(0, cut));
    EXPECT_LE(partial.size(), entries.size());
  }
  EXPECT_TRUE(platform::ParseSitemap("<OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"x").empty());
  EXPECT_TRUE(platform::ParseSitemap("</UL></UL><<<>>><UL").empty());
}

TEST(ChmFile, ReadsTheProgramsHelpFile) {
  ChmFile help(HelpFile());
  EXPECT_EQ(help.Title(), "Velkora Help");
  EXPECT_EQ(help.DefaultTopic(), "/start.html");
  EXPECT_EQ(help.ContentsFile(), "/Velkora.hhc");
  EXPECT_EQ(help.IndexFile(), "/Velkora.hhk");

  // Pages come back byte for byte, with or without the leading "/".
  const platform::Bytes source = platform::ReadFileBytes(VELKORA_SOURCE_DIR "/help/start.html");
  const std::optional<std::string> page = help.Read("start.html");
  ASSERT_TRUE(page);
  EXPECT_EQ(*page, std::string(source.begin(), source.end()));
  EXPECT_EQ(help.Read("/start.html"), page);
  EXPECT_FALSE(help.Read("/missing.html"));
  EXPECT_FALSE(help.Contains("missing.html"));
  const auto files = help.Files();
  EXPECT_NE(std::find(files.begin(), files.end(), "/velkora.css"), files.end());
  EXPECT_EQ(std::count_if(files.begin(), files.end(), [](const std::string& f) { return f[1] == '#' || f[1] == '$'; }), 0);

  // Help contexts: the compiler stored the topics with the folder they were compiled from.
  EXPECT_EQ(help.TopicOfContext(1), "/start.html");
  EXPECT_EQ(help.TopicOfContext(6), "/depth.html");
  EXPECT_FALSE(help.TopicOfContext(0));
  EXPECT_FALSE(help.TopicOfContext(999));
}

TEST(ChmFile, RefusesWhatIsNoHelpFileOrDamaged) {
  testing_support::ScratchDir scratch("chm");
  EXPECT_THROW(ChmFile(scratch.File("missing.chm")), platform::FileError);
  EXPECT_THROW(ChmFile(scratch.Write("text.chm", std::string(200, 'x'))), platform::FormatError);
  EXPECT_THROW(ChmFile(scratch.Write("empty.chm", std::string())), platform::FormatError);
  std::string fakeHeader("ITSF\x03\x00\x00\x00\x60\x00\x00\x00", 12);
  fakeHeader.resize(0x60, '\0');
  EXPECT_THROW(ChmFile(scratch.Write("header.chm", fakeHeader + std::string(50, '\xFF'))), platform::FormatError);

  // Cut short or with bytes overwritten, a file with its check sum beside it is refused before
  // anything of it is unpacked.
  const platform::Bytes whole = platform::ReadFileBytes(HelpFile());
  const platform::Bytes digest = platform::ReadFileBytes(HelpFile() + ".sha256");
  const std::string copy = scratch.Write("copy.chm", whole);
  scratch.Write("copy.chm.sha256", digest);
  EXPECT_EQ(ChmFile(copy).Read("/depth.html"), ChmFile(HelpFile()).Read("/depth.html"));
  std::vector<platform::Bytes> damaged;
  for (size_t cut : {size_t(0x60), whole.size() / 2, whole.size() - 1})
    damaged.emplace_back(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
  for (size_t at = 0x60; at < whole.size(); at += whole.size() / 5) {
    damaged.push_back(whole);
    damaged.back()[at] ^= 0x10;
  }
  for (const platform::Bytes& bytes : damaged) {
    scratch.Write("copy.chm", bytes);
    EXPECT_THROW(ChmFile{copy}, platform::FormatError) << bytes.size();
  }
  scratch.Write("copy.chm.sha256", std::string("not a digest"));
  scratch.Write("copy.chm", whole);
  EXPECT_THROW(ChmFile{copy}, platform::FormatError);
}

}  // namespace
