// The status texts of the main window's pages: one slot per page of its page control, by page index,
// filled from the numbered texts of the language file. A page without a number keeps an empty slot.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace lang {

class Language;

inline constexpr int kPageCount = 51;
using PageMessageTable = std::array<std::string, kPageCount>;

// The message number whose text fills `slot`, or an empty view for a page without one (and for a slot
// outside 0 … kPageCount − 1).
std::string_view PageMessageNumber(int slot);

// Sets every slot that has a message number to that number's text; the other slots are not touched.
void LoadPageMessages(Language& language);
void LoadPageMessages();

// The text of `slot`; empty for a slot outside the table.
const std::string& PageMessage(const Language& language, int slot);
const std::string& PageMessage(int slot);

}  // namespace lang
