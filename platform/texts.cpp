#include "platform/texts.h"

#include <algorithm>
#include <atomic>

namespace platform {

namespace {

std::atomic<TextLookup> installed{nullptr};

}  // namespace

void SetTextLookup(TextLookup lookup) { installed.store(lookup); }

std::string Text(std::string_view number, std::string_view fallback) {
  const TextLookup lookup = installed.load();
  return lookup ? lookup(number, fallback) : std::string(fallback);
}

namespace {

// Appends as much of `piece` as the bound leaves room for; false once the message is full. A cut
// never splits a UTF-8 character.
bool AppendBounded(std::string& result, std::string_view piece) {
  const size_t room = kMaxMessageLength - result.size();
  if (piece.size() <= room) {
    result.append(piece);
    return true;
  }
  size_t cut = room;
  while (cut > 0 && (static_cast<unsigned char>(piece[cut]) & 0xC0) == 0x80) --cut;
  result.append(piece.substr(0, cut));
  result.append(kMessageCutMark);
  return false;
}

}  // namespace

std::string ReplaceArguments(std::string_view text, std::initializer_list<std::string_view> arguments) {
  std::string result;
  result.reserve(std::min(text.size(), kMaxMessageLength) + kMessageCutMark.size());
  size_t plain = 0;  // start of the text not yet copied
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    const char next = text[i + 1];
    const size_t index = static_cast<size_t>(next - '1');
    if (text[i] != '%' || next < '1' || next > '9' || index >= arguments.size()) continue;
    // An argument is copied as it stands: a "%2" inside it, or a text of the language file that names
    // further texts, is never expanded, and the bound holds however often the wording repeats it.
    if (!AppendBounded(result, text.substr(plain, i - plain)) || !AppendBounded(result, arguments.begin()[index]))
      return result;
    plain = i + 2;
    ++i;
  }
  AppendBounded(result, text.substr(plain));
  return result;
}

std::string TextFormat(std::string_view number, std::string_view fallback,
                       std::initializer_list<std::string_view> arguments) {
  return ReplaceArguments(Text(number, fallback), arguments);
}

}  // namespace platform
