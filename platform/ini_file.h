// Ini files with the semantics of the Windows profile functions, which the program's language files,
// post-processors and settings were written for: sections and keys match without regard to case,
// the first match wins, values are trimmed (and lose one pair of surrounding double quotes), and a
// write replaces the key's line in place, keeping every other line, comment and blank as it was.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

class IniFile {
 public:
  IniFile() = default;
  // Binds to `path` and reads it when it exists (a missing file reads as empty). Bytes that are not
  // valid UTF-8 are replaced by U+FFFD, so any file can be read.
  explicit IniFile(std::string path);

  // Replaces the contents with `text` (no file is read); the path stays.
  void LoadFromText(std::string_view text);

  const std::string& FileName() const { return path_; }
  bool FileExisted() const { return existed_; }

  std::string ReadString(std::string_view section, std::string_view key, std::string_view def) const;
  int ReadInteger(std::string_view section, std::string_view key, int def) const;
  double ReadFloat(std::string_view section, std::string_view key, double def) const;
  bool ReadBool(std::string_view section, std::string_view key, bool def) const;
  bool SectionExists(std::string_view section) const;
  bool ValueExists(std::string_view section, std::string_view key) const;
  // Key names of a section in file order (first spelling of each).
  std::vector<std::string> ReadSection(std::string_view section) const;
  std::vector<std::string> ReadSections() const;

  // Writes go to memory and, when a path is bound and autoSave is on, straight to the file
  // (as WritePrivateProfileString does). Raise FileError when the file cannot be written.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int value);
  void WriteFloat(std::string_view section, std::string_view key, double value);
  void WriteBool(std::string_view section, std::string_view key, bool value);
  void DeleteKey(std::string_view section, std::string_view key);
  void EraseSection(std::string_view section);

  void SetAutoSave(bool on) { autoSave_ = on; }
  void UpdateFile() const;
  std::string Text() const;

 private:
  struct Line {
    std::string text;
  };
  // Index of the section header line, or -1.
  long FindSection(std::string_view section) const;
  // Index of the key's line inside the section starting at header `s`, or -1.
  long FindKey(long s, std::string_view key) const;
  long SectionEnd(long s) const;
  void Changed();

  std::string path_;
  bool existed_ = false;
  bool autoSave_ = true;
  std::vector<std::string> lines_;
};

// Replaces every invalid UTF-8 sequence by U+FFFD.
std::string SanitizeUtf8(std::string_view bytes);

}  // namespace platform
