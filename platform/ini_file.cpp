#include "platform/ini_file.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <optional>

#include "platform/binary_stream.h"
#include "platform/exception.h"
#include "platform/numbers.h"
#include "platform/text_encoding.h"

namespace platform {

namespace {

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

std::string NameKey(std::string_view name) { return ToLowerAscii(Trim(name)); }

// "$FF" or "0xFF": at most 32 bits, read as a signed 32-bit value as Delphi does ($FFFFFFFF is -1).
std::optional<int> ParseHexInteger(const std::string& t) {
  size_t start = 0;
  if (t.size() > 1 && t[0] == '$') start = 1;
  else if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) start = 2;
  else return std::nullopt;
  // Hex digits only: no blank, no sign, nothing over 32 bits.
  uint32_t value = 0;
  auto result = std::from_chars(t.data() + start, t.data() + t.size(), value, 16);
  if (result.ec != std::errc() || result.ptr != t.data() + t.size()) return std::nullopt;
  return static_cast<int>(static_cast<int32_t>(value));
}

}  // namespace

IniFile::IniFile(std::string path) : path_(std::move(path)) {
  if (FileExists(path_)) {
    Bytes bytes = ReadFileBytes(path_, kMaxIniFileSize);
    existed_ = true;
    LoadFromText(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  }
}

void IniFile::LoadFromText(std::string_view raw) { SetText(DecodeTextFile(raw)); }

void IniFile::SetText(std::string text) {
  text_ = std::move(text);
  // Offsets are 32-bit; ini files are refused long before (kMaxIniFileSize).
  if (text_.size() > UINT32_MAX) throw FormatError("Ini text of " + std::to_string(text_.size()) + " bytes is too large");
  lines_.clear();
  lines_.reserve(static_cast<size_t>(std::count(text_.begin(), text_.end(), '\n')) + 1);
  size_t start = 0;
  while (start < text_.size()) {
    size_t end = text_.find('\n', start);
    if (end == std::string::npos) end = text_.size();
    size_t length = end - start;
    if (length > 0 && text_[end - 1] == '\r') --length;
    lines_.push_back(LineSpan{static_cast<uint32_t>(start), static_cast<uint32_t>(length)});
    start = end + 1;
  }
  Reindex();
}

std::vector<std::string> IniFile::CopyLines() const {
  std::vector<std::string> lines;
  lines.reserve(lines_.size());
  for (size_t i = 0; i < lines_.size(); ++i) lines.emplace_back(Line(i));
  return lines;
}

void IniFile::StoreLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text.append(line).append("\n");
  SetText(std::move(text));
}

void IniFile::Reindex() {
  sections_.clear();
  sectionIndex_.clear();
  constexpr size_t kNone = size_t(-1);
  size_t open = kNone;     // the last section that has no end yet
  size_t current = kNone;  // the section whose keys count (none inside a repeated section)
  std::string name, key, value;
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (ParseHeader(Line(i), name)) {
      if (open != kNone) sections_[open].end = i;
      open = current = kNone;
      if (sectionIndex_.emplace(NameKey(name), sections_.size()).second) {
        open = current = sections_.size();
        sections_.push_back(Section{name, i, lines_.size(), {}, {}});
      }
      continue;
    }
    if (current != kNone && ParseKeyValue(Line(i), key, value) &&
        sections_[current].keys.emplace(NameKey(key), i).second)
      sections_[current].keyOrder.push_back(key);
  }
}

const IniFile::Section* IniFile::FindSection(std::string_view section) const {
  auto it = sectionIndex_.find(NameKey(section));
  return it == sectionIndex_.end() ? nullptr : &sections_[it->second];
}

long IniFile::FindKey(const Section& s, std::string_view key) const {
  auto it = s.keys.find(NameKey(key));
  return it == s.keys.end() ? -1 : static_cast<long>(it->second);
}

std::string IniFile::ReadString(std::string_view section, std::string_view key, std::string_view def) const {
  const Section* s = FindSection(section);
  if (!s) return std::string(def);
  long i = FindKey(*s, key);
  if (i < 0) return std::string(def);
  std::string k, v;
  ParseKeyValue(Line(static_cast<size_t>(i)), k, v);
  return v;
}

int IniFile::ReadInteger(std::string_view section, std::string_view key, int def) const {
  const std::string text = Trim(ReadString(section, key, ""));
  if (auto value = ParseInt(text)) return *value < INT32_MIN || *value > INT32_MAX ? def : static_cast<int>(*value);
  // Delphi reads "$FF" style hexadecimal too.
  return ParseHexInteger(text).value_or(def);
}

double IniFile::ReadFloat(std::string_view section, std::string_view key, double def) const {
  auto value = ParseDouble(ReadString(section, key, ""));
  return value ? *value : def;
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

bool IniFile::SectionExists(std::string_view section) const { return FindSection(section) != nullptr; }

bool IniFile::ValueExists(std::string_view section, std::string_view key) const {
  const Section* s = FindSection(section);
  return s && FindKey(*s, key) >= 0;
}

std::vector<std::string> IniFile::ReadSection(std::string_view section) const {
  const Section* s = FindSection(section);
  return s ? s->keyOrder : std::vector<std::string>();
}

std::vector<std::string> IniFile::ReadSections() const {
  std::vector<std::string> names;
  names.reserve(sections_.size());
  for (const Section& s : sections_) names.push_back(s.name);
  return names;
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  std::string line = Trim(key) + "=" + std::string(value);
  std::vector<std::string> lines = CopyLines();
  const Section* s = FindSection(section);
  if (!s) {
    if (!lines.empty() && !Trim(lines.back()).empty()) lines.push_back("");
    lines.push_back("[" + Trim(section) + "]");
    lines.push_back(line);
  } else if (long i = FindKey(*s, key); i >= 0) {
    lines[static_cast<size_t>(i)] = line;
  } else {
    // After the section's last non-blank line, so blank separators stay between sections.
    size_t at = s->end;
    while (at > s->header + 1 && Trim(lines[at - 1]).empty()) --at;
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), line);
  }
  StoreLines(lines);
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
  const Section* s = FindSection(section);
  if (!s) return;
  long i = FindKey(*s, key);
  if (i < 0) return;
  std::vector<std::string> lines = CopyLines();
  lines.erase(lines.begin() + i);
  StoreLines(lines);
  Changed();
}

void IniFile::EraseSection(std::string_view section) {
  const Section* s = FindSection(section);
  if (!s) return;
  std::vector<std::string> lines = CopyLines();
  lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(s->header), lines.begin() + static_cast<std::ptrdiff_t>(s->end));
  StoreLines(lines);
  Changed();
}

std::string IniFile::Text() const {
  std::string text;
  text.reserve(text_.size() + lines_.size());
  for (size_t i = 0; i < lines_.size(); ++i) text.append(Line(i)).append("\r\n");
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
