#include "lang/page_messages.h"

#include "lang/lang.h"

namespace lang {

namespace {

// Message number of each page, by page index of the main window's page control.
constexpr std::array<std::string_view, kPageCount> kPageNumbers = {
    "",    "",    "",    "",    "",    "",    "",    "",    "",    "",     // 0-9: drawing tool pages
    "",    "",    "",                                                     // 10-12
    "422",                                                                // 13 tabSettings
    "",    "",    "",    "",    "",    "",                                // 14-19
    "470", "471", "472", "473", "474", "475", "476",                      // 20-26
    "482",                                                                // 27 tabCircleCtPt
    "483",                                                                // 28 tabDelSmall
    "477", "478", "479", "480",                                           // 29-32 entity information
    "481",                                                                // 33 tabSpline
    "484", "485",                                                         // 34-35
    "",    "",    "",    "",                                              // 36-39
    "446", "421", "406", "415",                                           // 40-43
    "416", "423", "426", "428", "424", "425",                             // 44-49 the wizard
    "427",                                                                // 50 NC listing
};

const std::string& EmptyText() {
  static const std::string empty;
  return empty;
}

}  // namespace

std::string_view PageMessageNumber(int slot) {
  if (slot < 0 || slot >= kPageCount) return {};
  return kPageNumbers[static_cast<size_t>(slot)];
}

void LoadPageMessages(Language& language) {
  for (int slot = 0; slot < kPageCount; ++slot) {
    std::string_view number = PageMessageNumber(slot);
    if (!number.empty()) language.PageMessages[static_cast<size_t>(slot)] = LangString(language, number);
  }
}

void LoadPageMessages() { LoadPageMessages(ProgramLanguage()); }

const std::string& PageMessage(const Language& language, int slot) {
  if (slot < 0 || slot >= kPageCount) return EmptyText();
  return language.PageMessages[static_cast<size_t>(slot)];
}

const std::string& PageMessage(int slot) { return PageMessage(ProgramLanguage(), slot); }

}  // namespace lang
