#include "platform/user_texts.h"

#include <atomic>

namespace platform {

namespace {
// Set once, before any window exists; read by saves that may run on a worker thread.
std::atomic<TextLookup> installed{nullptr};
}  // namespace

void SetTextLookup(TextLookup lookup) { installed.store(lookup); }

std::string TextOr(std::string_view number, std::string_view fallback) {
  const TextLookup lookup = installed.load();
  return lookup ? lookup(number, fallback) : std::string(fallback);
}

}  // namespace platform
