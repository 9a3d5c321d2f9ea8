// The texts this library shows the user come from the language file like every other, but the language
// lives in a library above this one: it installs its lookup here once, and until it does (a program or
// test of this library alone) each text is its English fallback.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// The numbered text of the language file, or `fallback` where the file has none.
using TextLookup = std::string (*)(std::string_view number, std::string_view fallback);

void SetTextLookup(TextLookup lookup);

// The text `number` of the language in use, else `fallback`.
std::string TextOr(std::string_view number, std::string_view fallback);

}  // namespace platform
