#include "platform/text_encoding.h"

#include <gtest/gtest.h>

#include <cctype>

using namespace platform;

TEST(TextEncoding, Windows1252BothWays) {
  // Every byte survives the way to UTF-8 and back, the five unassigned ones included.
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  const std::string utf8 = Windows1252ToUtf8(all);
  EXPECT_TRUE(IsValidUtf8(utf8));
  EXPECT_EQ(Utf8ToWindows1252(utf8), all);
  // The characters Latin-1 lacks sit in 0x80..0x9F.
  EXPECT_EQ(Windows1252ToUtf8("\x80\x96\x97\x85\x8A\x9F\xE4"), "\u20AC\u2013\u2014\u2026\u0160\u0178\u00E4");
  EXPECT_EQ(Utf8ToWindows1252("Fr\u00E4ser \u2013 5 \u20AC"), "Fr\xE4ser \x96 5 \x80");
  // What the code page lacks, and bytes that are no UTF-8, become '?' one for one.
  EXPECT_EQ(Utf8ToWindows1252("\u2713 \U0001F600 \u0100"), "? ? ?");
  EXPECT_EQ(Utf8ToWindows1252("a\xFF" "b\xC3"), "a?b?");
}

TEST(TextEncoding, Utf8ValidityAndFileText) {
  struct Case {
    const char* bytes;
    bool valid;
  } cases[] = {
      {"plain", true},          {"caf\xC3\xA9", true},      {"\xE2\x82\xAC", true},   {"\xF0\x9F\x98\x80", true},
      {"\xC0\x80", false},      {"\xE0\x80\x80", false},    {"\xED\xA0\x80", false},  {"\xF4\x90\x80\x80", false},
      {"\xC3", false},          {"\x80", false},            {"\xE2\x82", false},      {"\xFE", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsValidUtf8(c.bytes), c.valid) << c.bytes;
  EXPECT_EQ(DecodeTextFile("\xEF\xBB\xBF" "caf\xC3\xA9"), "caf\u00E9") << "the byte-order mark goes";
  EXPECT_EQ(DecodeTextFile("caf\xE9"), "caf\u00E9");
  EXPECT_EQ(DecodeTextFile("\xEF\xBB\xBF" "caf\xE9"), "caf\u00E9");
  EXPECT_EQ(DecodeTextFile(""), "");
}

TEST(TextEncoding, TransliterationToAscii) {
  const struct {
    const char *text, *ascii;
  } cases[] = {
      {"plain ASCII, (as) it \"stands\" ~\x01", "plain ASCII, (as) it \"stands\" ~\x01"},
      {"M\u00F6nch \u00E4 \u00DC\u00DF \u00C6\u00E6 \u00D8\u00FE\u00FF", "Monch a Uss AEae Othy"},
      {"\u0141\u00F3d\u017A \u010C\u0161 \u0152\u0153 \u0130\u0131 \u017F", "Lodz Cs OEoe Ii s"},
      {"\u2018a\u2019 \u201Eb\u201C c\u2013d\u2014e \u2026\u00A0f", "'a' \"b\" c-d-e ... f"},
      {"\u20AC \u00B0 \u2713 \U0001F600 \u0180", "? ? ? ? ?"},
      {"a\xFF" "b\xC3" "c\xE2\x82", "a?b?c??"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(TransliterateToAscii(c.text), c.ascii) << c.text;
  // Every character of Latin-1 and Latin Extended-A has a plain form of one or two ASCII letters.
  for (uint32_t code = 0xC0; code <= 0x17F; ++code) {
    const std::string utf8 = {char(0xC0 | (code >> 6)), char(0x80 | (code & 0x3F))};
    const std::string ascii = TransliterateToAscii(utf8);
    EXPECT_TRUE(ascii.size() >= 1 && ascii.size() <= 2) << std::hex << code;
    if (code == 0xD7 || code == 0xF7) continue;  // the multiplication and division signs
    for (char ch : ascii) EXPECT_TRUE(std::isalpha(static_cast<unsigned char>(ch))) << std::hex << code << " " << ascii;
  }
}
