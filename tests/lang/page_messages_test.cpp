#include "lang/page_messages.h"

#include <gtest/gtest.h>

#include <set>

#include "lang/lang.h"

namespace {

// A language where every number 1 … 999 answers "T<number>", so each slot shows which number filled it.
std::unique_ptr<platform::IniFile> EveryNumber() {
  std::string text = "[String]\n";
  for (int n = 1; n < 1000; ++n) text += std::to_string(n) + "=T" + std::to_string(n) + "\n";
  auto table = std::make_unique<platform::IniFile>();
  table->LoadFromText(text);
  return table;
}

TEST(PageMessages, SlotsHoldTheirNumbersText) {
  lang::Language language;
  language.LangIni = EveryNumber();
  lang::LoadPageMessages(language);

  EXPECT_EQ(language.PageMessages.size(), 51u);
  EXPECT_EQ(lang::PageMessage(language, 33), "T481") << "tabSpline";
  EXPECT_EQ(lang::PageMessage(language, 28), "T483") << "tabDelSmall";
  EXPECT_EQ(lang::PageMessage(language, 13), "T422");
  EXPECT_EQ(lang::PageMessage(language, 27), "T482");
  EXPECT_EQ(lang::PageMessage(language, 42), "T406");
  EXPECT_EQ(lang::PageMessage(language, 44), "T416");
  EXPECT_EQ(lang::PageMessage(language, 48), "T424");
  EXPECT_EQ(lang::PageMessage(language, 49), "T425");
  EXPECT_EQ(lang::PageMessage(language, 50), "T427");

  const std::string expected[51] = {
      "", "", "", "", "", "", "", "", "", "", "", "", "", "T422", "", "", "", "", "", "",
      "T470", "T471", "T472", "T473", "T474", "T475", "T476", "T482", "T483", "T477", "T478", "T479",
      "T480", "T481", "T484", "T485", "", "", "", "", "T446", "T421", "T406", "T415", "T416", "T423",
      "T426", "T428", "T424", "T425", "T427"};
  std::set<std::string> seen;
  for (int slot = 0; slot < lang::kPageCount; ++slot) {
    EXPECT_EQ(lang::PageMessage(language, slot), expected[slot]) << "slot " << slot;
    if (!expected[slot].empty()) {
      EXPECT_TRUE(seen.insert(expected[slot]).second) << "one number per slot";
    }
  }
  EXPECT_EQ(lang::PageMessage(language, -1), "");
  EXPECT_EQ(lang::PageMessage(language, 51), "");
  EXPECT_EQ(lang::PageMessageNumber(51), "");
}

TEST(PageMessages, SlotsWithoutNumberStayEmptyWhateverTheFileHolds) {
  lang::Language language;
  language.LangIni = EveryNumber();
  // Keys that look like slot numbers or page names do not reach the table either.
  std::string extra = "[String]\n";
  for (int n = 0; n <= 50; ++n) extra += std::to_string(n) + "=slot\n";
  language.LangIni->LoadFromText(language.LangIni->Text() + extra + "tabSpline=page\n");
  lang::LoadPageMessages(language);
  auto emptySlot = [](int s) { return s <= 12 || (s >= 14 && s <= 19) || (s >= 36 && s <= 39); };
  for (int slot = 0; slot < lang::kPageCount; ++slot) {
    if (emptySlot(slot)) {
      EXPECT_EQ(lang::PageMessage(language, slot), "") << "slot " << slot;
    } else {
      EXPECT_FALSE(lang::PageMessage(language, slot).empty()) << "slot " << slot;
    }
  }

  // Slots without a number are not touched by loading, the others follow the file.
  language.PageMessages[0] = "kept";
  language.LangIni.reset();
  lang::LoadPageMessages(language);
  EXPECT_EQ(language.PageMessages[0], "kept");
  for (int slot = 0; slot < lang::kPageCount; ++slot) {
    if (!emptySlot(slot)) {
      EXPECT_EQ(language.PageMessages[static_cast<size_t>(slot)], lang::ShippedEnglishText(lang::PageMessageNumber(slot)))
          << "no file: the shipped English, slot " << slot;
    }
  }
}

TEST(PageMessages, ProgramWideTable) {
  lang::Language language;
  lang::ScopedLanguage scope(&language);
  language.LangIni = EveryNumber();
  lang::LoadPageMessages();
  EXPECT_EQ(lang::PageMessage(42), "T406");
  EXPECT_EQ(&lang::ProgramLanguage(), &language);
}

}  // namespace
