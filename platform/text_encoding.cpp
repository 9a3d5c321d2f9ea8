#include "platform/text_encoding.h"

#include <cstdint>

namespace platform {

namespace {

// Windows-1252 0x80..0x9F; the unassigned ones keep their own number.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void AppendUtf8(std::string& out, uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// Decodes the UTF-8 character at `i`: its code point and length, or length 0 when it is not valid
// (bad lead or continuation byte, cut short, overlong, surrogate or beyond U+10FFFF).
size_t DecodeUtf8(std::string_view s, size_t i, uint32_t& code) {
  const unsigned char c = static_cast<unsigned char>(s[i]);
  size_t length = 0;
  uint32_t minimum = 0;
  if (c < 0x80) {
    code = c;
    return 1;
  }
  if ((c & 0xE0) == 0xC0) {
    length = 2;
    minimum = 0x80;
  } else if ((c & 0xF0) == 0xE0) {
    length = 3;
    minimum = 0x800;
  } else if ((c & 0xF8) == 0xF0) {
    length = 4;
    minimum = 0x10000;
  } else {
    return 0;
  }
  if (i + length > s.size()) return 0;
  code = c & (0x7F >> length);
  for (size_t k = 1; k < length; ++k) {
    const unsigned char cc = static_cast<unsigned char>(s[i + k]);
    if ((cc & 0xC0) != 0x80) return 0;
    code = (code << 6) | (cc & 0x3F);
  }
  if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

// Each character of UTF-8 text through put(out, code point); a byte that is not valid UTF-8 becomes
// '?' in its place.
template <typename Put>
std::string EachCharacter(std::string_view text, Put put) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    uint32_t code = 0;
    const size_t length = DecodeUtf8(text, i, code);
    if (length == 0) {
      out += '?';
      ++i;
    } else {
      put(out, code);
      i += length;
    }
  }
  return out;
}

// Plain letters of U+00C0..U+00FF and U+0100..U+017F (Latin-1 and Latin Extended-A).
constexpr const char* kLatin1Letters[64] = {
    "A", "A", "A", "A", "A", "A", "AE", "C", "E", "E", "E", "E", "I", "I", "I", "I",
    "D", "N", "O", "O", "O", "O", "O", "x", "O", "U", "U", "U", "U", "Y", "TH", "ss",
    "a", "a", "a", "a", "a", "a", "ae", "c", "e", "e", "e", "e", "i", "i", "i", "i",
    "d", "n", "o", "o", "o", "o", "o", "/", "o", "u", "u", "u", "u", "y", "th", "y",
};
constexpr const char* kLatinExtendedALetters[128] = {
    "A", "a", "A", "a", "A", "a", "C", "c", "C", "c", "C", "c", "C", "c", "D", "d",
    "D", "d", "E", "e", "E", "e", "E", "e", "E", "e", "E", "e", "G", "g", "G", "g",
    "G", "g", "G", "g", "H", "h", "H", "h", "I", "i", "I", "i", "I", "i", "I", "i",
    "I", "i", "IJ", "ij", "J", "j", "K", "k", "k", "L", "l", "L", "l", "L", "l", "L",
    "l", "L", "l", "N", "n", "N", "n", "N", "n", "n", "N", "n", "O", "o", "O", "o",
    "O", "o", "OE", "oe", "R", "r", "R", "r", "R", "r", "S", "s", "S", "s", "S", "s",
    "S", "s", "T", "t", "T", "t", "T", "t", "U", "u", "U", "u", "U", "u", "U", "u",
    "U", "u", "U", "u", "W", "w", "Y", "y", "Y", "Z", "z", "Z", "z", "Z", "z", "s",
};

// The plain form of a character outside ASCII; nullptr when it has none.
const char* PlainForm(uint32_t code) {
  if (code >= 0xC0 && code <= 0xFF) return kLatin1Letters[code - 0xC0];
  if (code >= 0x100 && code <= 0x17F) return kLatinExtendedALetters[code - 0x100];
  switch (code) {
    case 0xA0: return " ";
    case 0xB4: case 0x2018: case 0x2019: case 0x201A: case 0x2032: return "'";
    case 0x201C: case 0x201D: case 0x201E: case 0x2033: return "\"";
    case 0xAD: case 0x2010: case 0x2011: case 0x2012: case 0x2013: case 0x2014: case 0x2212: return "-";
    case 0x2026: return "...";
    default: return nullptr;
  }
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
  uint32_t code = 0;
  for (size_t i = 0; i < bytes.size();) {
    const size_t length = DecodeUtf8(bytes, i, code);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

std::string Windows1252ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 2);
  for (char b : bytes) {
    const unsigned char c = static_cast<unsigned char>(b);
    AppendUtf8(out, c >= 0x80 && c < 0xA0 ? kHighControls[c - 0x80] : c);
  }
  return out;
}

std::string Utf8ToWindows1252(std::string_view text) {
  return EachCharacter(text, [](std::string& out, uint32_t code) {
    char byte = '?';
    if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) {
      byte = static_cast<char>(code);
    } else {
      for (int k = 0; k < 32; ++k)
        if (kHighControls[k] == code) byte = static_cast<char>(0x80 + k);
    }
    out += byte;
  });
}

std::string TransliterateToAscii(std::string_view text) {
  return EachCharacter(text, [](std::string& out, uint32_t code) {
    if (code < 0x80) out += static_cast<char>(code);
    else if (const char* plain = PlainForm(code)) out += plain;
    else out += '?';
  });
}

std::string DecodeTextFile(std::string_view bytes) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  if (IsValidUtf8(bytes)) return std::string(bytes);
  return Windows1252ToUtf8(bytes);
}

}  // namespace platform
