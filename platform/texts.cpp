#include "platform/texts.h"

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

std::string ReplaceArguments(std::string_view text, std::initializer_list<std::string_view> arguments) {
  std::string result;
  result.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char next = i + 1 < text.size() ? text[i + 1] : '\0';
    const size_t index = static_cast<size_t>(next - '1');
    // An argument that itself holds "%2" is not expanded again.
    if (text[i] == '%' && next >= '1' && next <= '9' && index < arguments.size()) {
      result.append(arguments.begin()[index]);
      ++i;
    } else {
      result.push_back(text[i]);
    }
  }
  return result;
}

std::string TextFormat(std::string_view number, std::string_view fallback,
                       std::initializer_list<std::string_view> arguments) {
  return ReplaceArguments(Text(number, fallback), arguments);
}

}  // namespace platform
