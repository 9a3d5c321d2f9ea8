// The texts platform code shows the user (a field's refusal, a file that cannot be opened) are
// numbered texts of the language file. The language library sits above this one, so it installs
// its lookup here when the program starts; without one the English fallback is used.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

namespace platform {

// Returns the text of `number`, or `fallback` when the language file has none.
using TextLookup = std::string (*)(std::string_view number, std::string_view fallback);

// Installs `lookup` (nullptr: the fallbacks only).
void SetTextLookup(TextLookup lookup);

// The text of `number` through the installed lookup.
std::string Text(std::string_view number, std::string_view fallback);
// The same with "%1" ... "%9" replaced by the arguments in order.
std::string TextFormat(std::string_view number, std::string_view fallback,
                       std::initializer_list<std::string_view> arguments);
// The longest message the substitution makes: a language file whose wording repeats a placeholder
// thousands of times, with an argument that is itself a long text, must not make a message of
// gigabytes. No box or status line shows more; a longer message is cut and ends in kMessageCutMark.
inline constexpr size_t kMaxMessageLength = 16 * 1024;
inline constexpr std::string_view kMessageCutMark = "...";

// "%1" ... "%9" of `text` replaced by the arguments in order, in one pass; any other "%" stays.
// What an argument holds is never expanded again, and the result holds at most kMaxMessageLength
// bytes before the cut mark.
std::string ReplaceArguments(std::string_view text, std::initializer_list<std::string_view> arguments);

}  // namespace platform
