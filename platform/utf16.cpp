#include "platform/utf16.h"

#include <cstdint>

namespace platform {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

// Bytes that follow a lead byte, and what the six-bits-at-a-time sum of the whole sequence holds
// beyond the code point (the lead's marker bits and the continuation bytes' 0x80 each).
constexpr uint32_t kOffset[6] = {0, 0x3080, 0xE2080, 0x3C82080, 0xFA082080, 0x82082080};

int TrailingBytes(uint8_t lead) {
  if (lead < 0xC0) return 0;
  if (lead < 0xE0) return 1;
  if (lead < 0xF0) return 2;
  if (lead < 0xF8) return 3;
  if (lead < 0xFC) return 4;
  return 5;
}

void AppendUtf8(std::string& out, uint32_t v) {
  if (v < 0x80) {
    out += static_cast<char>(v);
  } else if (v < 0x800) {
    out += static_cast<char>(0xC0 | (v >> 6));
    out += static_cast<char>(0x80 | (v & 0x3F));
  } else if (v < 0x10000) {
    out += static_cast<char>(0xE0 | (v >> 12));
    out += static_cast<char>(0x80 | ((v >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (v & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (v >> 18));
    out += static_cast<char>(0x80 | ((v >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((v >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (v & 0x3F));
  }
}

}  // namespace

std::u16string Utf8ToWide(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    int trailing = TrailingBytes(static_cast<uint8_t>(text[i]));
    if (static_cast<size_t>(trailing) >= text.size() - i) {
      out += kReplacement;  // cut off by the end of the text
      break;
    }
    // Unsigned 32-bit sums wrap for the five- and six-byte forms exactly as the offsets expect.
    uint32_t v = 0;
    for (int k = 0; k <= trailing; ++k) v = (v << 6) + static_cast<uint8_t>(text[i + static_cast<size_t>(k)]);
    v -= kOffset[trailing];
    i += static_cast<size_t>(trailing) + 1;
    if (v <= 0xFFFF) {
      out += static_cast<char16_t>(v);
    } else if (v <= 0x10FFFF) {
      out += static_cast<char16_t>(((v - 0x10000) >> 10) + 0xD800);
      out += static_cast<char16_t>(((v - 0x10000) & 0x3FF) + 0xDC00);
    } else {
      out += kReplacement;
    }
  }
  return out;
}

std::string WideToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t unit = text[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00u));
      ++i;
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      AppendUtf8(out, kReplacement);
    } else {
      AppendUtf8(out, unit);
    }
  }
  return out;
}

}  // namespace platform
