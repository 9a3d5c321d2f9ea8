#include "platform/utf16.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(Utf16, Utf8ToWideDecodesStopsAtTheEndAndReplacesWhatUtf16CannotHold) {
  struct Case {
    const char* what;
    std::string utf8;
    std::u16string wide;
  } cases[] = {
      {"ASCII", "Velkora", u"Velkora"},
      {"euro sign E2 82 AC", "\xE2\x82\xAC", u"\u20AC"},
      {"emoji F0 9F 98 80 as a surrogate pair", "\xF0\x9F\x98\x80", std::u16string{0xD83D, 0xDE00}},
      {"two-byte e acute", "caf\xC3\xA9", u"caf\u00E9"},
      {"highest code point", "\xF4\x8F\xBF\xBF", std::u16string{0xDBFF, 0xDFFF}},
      {"just above U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD"},
      {"five-byte form", "\xF8\x88\x80\x80\x80" "a", u"\uFFFDa"},
      {"six-byte form", "\xFC\x84\x80\x80\x80\x80" "b", u"\uFFFDb"},
      {"sequence cut by the end", "ab\xE2\x82", u"ab\uFFFD"},
      {"lead byte alone at the end", "x\xF0", u"x\uFFFD"},
      {"stray continuation byte", "\x80", u"\u0080"},
      {"embedded zero", std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
      {"empty", "", u""},
  };
  for (const Case& c : cases) EXPECT_EQ(Utf8ToWide(c.utf8), c.wide) << c.what;
}

TEST(Utf16, WideToUtf8RoundTripsAndReplacesLoneSurrogates) {
  for (const char* text : {"", "plain", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\xC3\xA9t\xC3\xA9"})
    EXPECT_EQ(WideToUtf8(Utf8ToWide(text)), text);
  EXPECT_EQ(WideToUtf8(std::u16string{0xD83D}), "\xEF\xBF\xBD");
  EXPECT_EQ(WideToUtf8(std::u16string{0xDE00, 'a'}), "\xEF\xBF\xBD" "a");
}
