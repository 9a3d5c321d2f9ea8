#include "platform/ini_file.h"

#include <gtest/gtest.h>


#include "platform/binary_stream.h"
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

TEST(IniFile, InvalidTextIsReadWithReplacements) {
  IniFile ini;
  std::string garbage = std::string("[S]\nk=ok\xff\xfe\n") + std::string(100000, 'x') + "\n\x01\x02=\x80\n";
  ini.LoadFromText(garbage);
  EXPECT_EQ(ini.ReadString("S", "k", ""), "ok\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_EQ(SanitizeUtf8("caf\xC3\xA9"), "caf\xC3\xA9");
  EXPECT_EQ(SanitizeUtf8("\xC0\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD");  // overlong form refused
}
