#include "platform/ini_file.h"

#include <charconv>
#include <cstdint>

#include "platform/binary_stream.h"
#include "platform/exception.h"
#include "platform/numbers.h"

namespace platform {

namespace {

constexpr size_t kMaxIniSize = 64u << 20;

// A section header "[name]" with blanks allowed around; returns the name or false.
bool ParseHeader(std::string_view line, std::string& name) {
  std::string t = Trim(line);
  if (t.size() < 2 || t.front() != '[') return false;
  size_t close = t.find(']');
  if (close == std::string::npos) return false;
  name = Trim(std::string_view(t).substr(1, close - 1));
  return true;
}

// A "key=value" line; returns false for comments and lines without '='.
bool ParseKeyValue(std::string_view line, std::string& key, std::string& value) {
  size_t eq = line.find('=');
  if (eq == std::string_view::npos) return false;
  std::string t = Trim(line);
  if (!t.empty() && t[0] == ';') return false;
  key = Trim(line.substr(0, eq));
  value = Trim(line.substr(eq + 1));
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
  return true;
}

}  // namespace

std::string SanitizeUtf8(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  const char* kReplacement = "\xEF\xBF\xBD";
  size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    size_t length = 0;
    uint32_t minimum = 0;
    if (c < 0x80) length = 1;
    else if ((c & 0xE0) == 0xC0) { length = 2; minimum = 0x80; }
    else if ((c & 0xF0) == 0xE0) { length = 3; minimum = 0x800; }
    else if ((c & 0xF8) == 0xF0) { length = 4; minimum = 0x10000; }
    bool valid = length > 0 && i + length <= s.size();
    uint32_t code = length == 1 ? c : (c & (0x7F >> length));
    for (size_t k = 1; valid && k < length; ++k) {
      unsigned char cc = static_cast<unsigned char>(s[i + k]);
      if ((cc & 0xC0) != 0x80) valid = false;
      code = (code << 6) | (cc & 0x3F);
    }
    if (valid && length > 1 && (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)))
      valid = false;
    if (valid) {
      out.append(s.substr(i, length));
      i += length;
    } else {
      out += kReplacement;
      ++i;
    }
  }
  return out;
}

IniFile::IniFile(std::string path) : path_(std::move(path)) {
  if (FileExists(path_)) {
    Bytes bytes = ReadFileBytes(path_, kMaxIniSize);
    existed_ = true;
    LoadFromText(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  }
}

void IniFile::LoadFromText(std::string_view raw) {
  std::string text = SanitizeUtf8(raw);
  // A UTF-8 byte-order mark is not part of the first line.
  if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
  lines_.clear();
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines_.push_back(std::move(line));
    start = end + 1;
  }
}

long IniFile::FindSection(std::string_view section) const {
  std::string name;
  for (size_t i = 0; i < lines_.size(); ++i)
    if (ParseHeader(lines_[i], name) && EqualsNoCase(name, Trim(section))) return static_cast<long>(i);
  return -1;
}

long IniFile::SectionEnd(long s) const {
  std::string name;
  size_t i = static_cast<size_t>(s) + 1;
  while (i < lines_.size() && !ParseHeader(lines_[i], name)) ++i;
  return static_cast<long>(i);
}

long IniFile::FindKey(long s, std::string_view key) const {
  std::string k, v;
  long end = SectionEnd(s);
  for (long i = s + 1; i < end; ++i)
    if (ParseKeyValue(lines_[i], k, v) && EqualsNoCase(k, Trim(key))) return i;
  return -1;
}

std::string IniFile::ReadString(std::string_view section, std::string_view key, std::string_view def) const {
  long s = FindSection(section);
  if (s < 0) return std::string(def);
  long i = FindKey(s, key);
  if (i < 0) return std::string(def);
  std::string k, v;
  ParseKeyValue(lines_[i], k, v);
  return v;
}

int IniFile::ReadInteger(std::string_view section, std::string_view key, int def) const {
  std::string text = ReadString(section, key, "");
  auto value = ParseInt(text);
  if (!value) {
    // Delphi reads "$FF" style hexadecimal too.
    std::string t = Trim(text);
    if (t.size() > 1 && (t[0] == '$' || (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')))) {
      try {
        return static_cast<int>(std::stoul(t.substr(t[0] == '$' ? 1 : 2), nullptr, 16));
      } catch (...) {
        return def;
      }
    }
    return def;
  }
  if (*value < INT32_MIN || *value > INT32_MAX) return def;
  return static_cast<int>(*value);
}

double IniFile::ReadFloat(std::string_view section, std::string_view key, double def) const {
  auto value = ParseDouble(ReadString(section, key, ""));
  return value ? *value : def;
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

bool IniFile::SectionExists(std::string_view section) const { return FindSection(section) >= 0; }

bool IniFile::ValueExists(std::string_view section, std::string_view key) const {
  long s = FindSection(section);
  return s >= 0 && FindKey(s, key) >= 0;
}

std::vector<std::string> IniFile::ReadSection(std::string_view section) const {
  std::vector<std::string> keys;
  long s = FindSection(section);
  if (s < 0) return keys;
  std::string k, v;
  long end = SectionEnd(s);
  for (long i = s + 1; i < end; ++i) {
    if (!ParseKeyValue(lines_[i], k, v)) continue;
    bool seen = false;
    for (const auto& existing : keys) seen = seen || EqualsNoCase(existing, k);
    if (!seen) keys.push_back(k);
  }
  return keys;
}

std::vector<std::string> IniFile::ReadSections() const {
  std::vector<std::string> names;
  std::string name;
  for (const auto& line : lines_) {
    if (!ParseHeader(line, name)) continue;
    bool seen = false;
    for (const auto& existing : names) seen = seen || EqualsNoCase(existing, name);
    if (!seen) names.push_back(name);
  }
  return names;
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  std::string line = Trim(key) + "=" + std::string(value);
  long s = FindSection(section);
  if (s < 0) {
    if (!lines_.empty() && !Trim(lines_.back()).empty()) lines_.push_back("");
    lines_.push_back("[" + Trim(section) + "]");
    lines_.push_back(line);
  } else {
    long i = FindKey(s, key);
    if (i >= 0) {
      lines_[i] = line;
    } else {
      // After the section's last non-blank line, so blank separators stay between sections.
      long end = SectionEnd(s);
      long at = end;
      while (at > s + 1 && Trim(lines_[at - 1]).empty()) --at;
      lines_.insert(lines_.begin() + at, line);
    }
  }
  Changed();
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, int value) {
  WriteString(section, key, std::to_string(value));
}

void IniFile::WriteFloat(std::string_view section, std::string_view key, double value) {
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);  // shortest text, always '.'
  WriteString(section, key, std::string_view(buffer, result.ptr - buffer));
}

void IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void IniFile::DeleteKey(std::string_view section, std::string_view key) {
  long s = FindSection(section);
  if (s < 0) return;
  long i = FindKey(s, key);
  if (i < 0) return;
  lines_.erase(lines_.begin() + i);
  Changed();
}

void IniFile::EraseSection(std::string_view section) {
  long s = FindSection(section);
  if (s < 0) return;
  lines_.erase(lines_.begin() + s, lines_.begin() + SectionEnd(s));
  Changed();
}

std::string IniFile::Text() const {
  std::string text;
  for (const auto& line : lines_) text += line + "\r\n";
  return text;
}

void IniFile::UpdateFile() const {
  if (path_.empty()) return;
  WriteFileText(path_, Text());
}

void IniFile::Changed() {
  if (autoSave_) UpdateFile();
}

}  // namespace platform
