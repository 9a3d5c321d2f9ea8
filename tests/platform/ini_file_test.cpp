#include "platform/ini_file.h"

#include <gtest/gtest.h>


#include <cstdint>

#include "platform/binary_stream.h"
#include "platform/exception.h"
#include "scratch_dir.h"

using namespace platform;


TEST(IniFile, ReadsLikeTheWindowsProfileFunctions) {
  IniFile ini;
  ini.LoadFromText(
      "; comment\r\n[Main]\r\n  Key = spaced value  \r\nkey=second\r\nQuoted=\"a b\"\r\n[main]\r\nOther=1\r\n"
      "[Empty]\r\n[Num]\r\nI=42\r\nF=2.5\r\nBad=x\r\nHex=$FF\r\n");
  EXPECT_EQ(ini.ReadString("MAIN", "KEY", "d"), "spaced value");  // case-insensitive, first match wins
  EXPECT_EQ(ini.ReadString("Main", "Quoted", "d"), "a b");
  EXPECT_EQ(ini.ReadString("Main", "Other", "d"), "d");  // only the first [main] section is read
  EXPECT_EQ(ini.ReadString("Missing", "Key", "def"), "def");
  EXPECT_TRUE(ini.SectionExists("empty"));
  EXPECT_EQ(ini.ReadInteger("Num", "I", 0), 42);
  EXPECT_EQ(ini.ReadInteger("Num", "Bad", 7), 7);
  EXPECT_EQ(ini.ReadInteger("Num", "Hex", 0), 255);
  EXPECT_DOUBLE_EQ(ini.ReadFloat("Num", "F", 0), 2.5);
  EXPECT_EQ(ini.ReadSection("main"), (std::vector<std::string>{"Key", "Quoted"}));
}

TEST(IniFile, WritesReplaceInPlaceAndKeepTheRest) {
  testing_support::ScratchDir dir("ini");
  std::string path = dir.Write("write.ini", "; keep me\r\n[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n");
  {
    IniFile ini(path);
    ini.WriteString("a", "X", "10");   // replaced in place, key spelling of the write
    ini.WriteString("A", "z", "3");    // appended after the section's last line
    ini.WriteString("C", "w", "4");    // new section at the end
  }
  IniFile again(path);
  EXPECT_EQ(again.Text(), "; keep me\r\n[A]\r\nX=10\r\nz=3\r\n\r\n[B]\r\ny=2\r\n\r\n[C]\r\nw=4\r\n");
  again.DeleteKey("B", "y");
  again.EraseSection("A");
  EXPECT_EQ(IniFile(path).Text(), "; keep me\r\n[B]\r\n\r\n[C]\r\nw=4\r\n");
}

TEST(IniFile, TextThatIsNotUtf8IsReadAsWindows1252) {
  IniFile ini;
  // A post-processor from the Windows world: "(Fräser – 5 €)" in Windows-1252.
  ini.LoadFromText("[Start_of_file]\r\n1=(Fr\xE4ser \x96 5 \x80)\r\n");
  EXPECT_EQ(ini.ReadString("Start_of_file", "1", ""), "(Fr\u00E4ser \u2013 5 \u20AC)");
  // UTF-8 stays as it is, with or without its byte-order mark; one stray byte makes the whole file
  // Windows-1252, so its other characters are read the same way.
  ini.LoadFromText("\xEF\xBB\xBF[S]\nk=Fr\xC3\xA4ser\n");
  EXPECT_EQ(ini.ReadString("S", "k", ""), "Fr\u00E4ser");
  ini.LoadFromText("[S]\nk=\xC3\xA4\nj=\xFF\n");
  EXPECT_EQ(ini.ReadString("S", "k", ""), "\u00C3\u00A4");
  EXPECT_EQ(ini.ReadString("S", "j", ""), "\u00FF");
  // A write stores what it is given and decodes nothing again.
  ini.SetAutoSave(false);
  ini.WriteString("S", "raw", "\xFF");
  EXPECT_EQ(ini.ReadString("S", "k", ""), "\u00C3\u00A4");
  EXPECT_EQ(ini.ReadString("S", "raw", ""), "\xFF");
}

TEST(IniFile, IntegersAreDecimalOrAtMost32BitsOfHex) {
  struct Case {
    const char* text;
    int value;  // -7 is the default
  } cases[] = {
      {"42", 42},           {" -2147483648 ", INT32_MIN}, {"+5", 5},          {"$FF", 255},    {"0x10", 16},
      {"$FFFFFFFF", -1},    {"$7fffffff", INT32_MAX},     {"2147483648", -7}, {"+-5", -7},     {"$FFFFFFFFFF", -7},
      {"$ 12", -7},         {"$-1", -7},                  {"$+1", -7},        {"$", -7},       {"0x", -7},
      {"0x 1", -7},         {"$1G", -7},                  {"", -7},           {"1 2", -7},
  };
  IniFile ini;
  for (const Case& c : cases) {
    ini.LoadFromText(std::string("[N]\nv=") + c.text + "\n");
    EXPECT_EQ(ini.ReadInteger("N", "v", -7), c.value) << "\"" << c.text << "\"";
  }
  ini.LoadFromText("[N]\nv=$FFFFFFFFFF\n");
  EXPECT_TRUE(ini.ReadBool("N", "v", true)) << "a value that is no number leaves the default";
}

TEST(IniFile, LargeFilesAreIndexedOnceAndOverOneMegabyteRefused) {
  // 50,000 keys in one section and 15,000 small sections (under 1 MB): every lookup, and the key and
  // section lists, come from the index built when the text is read.
  // Names built by appending ("k" + std::to_string(i) sets off a false -Wrestrict in GCC 12 at -O3).
  auto name = [](const char* prefix, int i) { return std::string(prefix).append(std::to_string(i)); };
  std::string text = "[Big]\n";
  for (int i = 0; i < 50000; ++i) text.append(name("k", i)).append(name("=", i)).append("\n");
  text += "[big]\nk5=shadowed\n";
  for (int i = 0; i < 15000; ++i) text.append(name("[S", i)).append(name("]\nv=", i)).append("\n");
  ASSERT_LT(text.size(), kMaxIniFileSize);
  IniFile ini;
  ini.LoadFromText(text);
  std::vector<std::string> keys = ini.ReadSection("BIG");
  ASSERT_EQ(keys.size(), 50000u);
  EXPECT_EQ(keys[49999], "k49999");
  std::vector<std::string> sections = ini.ReadSections();
  ASSERT_EQ(sections.size(), 15001u) << "a repeated section is listed once";
  EXPECT_EQ(sections[15000], "S14999");
  int64_t sum = 0;
  for (int i = 0; i < 50000; i += 7) sum += ini.ReadInteger("big", name("K", i), -1000000);
  for (int i = 0; i < 15000; i += 3) sum += ini.ReadInteger(name("s", i), "V", -1000000);
  EXPECT_EQ(sum, 178553571 + 37492500);
  EXPECT_EQ(ini.ReadString("Big", "k5", ""), "5") << "the first section of a name wins";

  // Writes keep the index right: a new key, a new section, a section erased (the repeated one takes
  // its place) and a key deleted.
  ini.SetAutoSave(false);
  ini.WriteString("S5", "w", "new");
  ini.WriteString("Added", "a", "1");
  ini.DeleteKey("S6", "v");
  ini.EraseSection("Big");
  EXPECT_EQ(ini.ReadString("S5", "W", ""), "new");
  EXPECT_EQ(ini.ReadString("S5", "v", ""), "5");
  EXPECT_EQ(ini.ReadString("S7", "v", ""), "7");
  EXPECT_EQ(ini.ReadString("Added", "a", ""), "1");
  EXPECT_FALSE(ini.ValueExists("S6", "v"));
  EXPECT_EQ(ini.ReadString("big", "k5", ""), "shadowed");
  EXPECT_EQ(ini.ReadSection("big"), std::vector<std::string>{"k5"});

  // Over 1 MB: refused with the file's name and size; at 1 MB read.
  testing_support::ScratchDir dir("ini_big");
  std::string at = dir.Write("at.pst", "[S]\nk=v\n" + std::string(kMaxIniFileSize - 9, '\n'));
  EXPECT_EQ(IniFile(at).ReadString("S", "k", ""), "v");
  std::string over = dir.Write("over.pst", std::string(kMaxIniFileSize + 1, '\n'));
  try {
    IniFile refused(over);
    ADD_FAILURE() << "a file over 1 MB was read";
  } catch (const FormatError& e) {
    EXPECT_NE(std::string(e.what()).find(over), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find(std::to_string(kMaxIniFileSize + 1) + " bytes"), std::string::npos)
        << e.what();
  }
}
