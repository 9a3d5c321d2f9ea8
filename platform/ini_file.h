// Ini files with the semantics of the Windows profile functions, which the program's language files,
// post-processors and settings were written for: sections and keys match without regard to case,
// the first match wins, values are trimmed (and lose one pair of surrounding double quotes), and a
// write replaces the key's line in place, keeping every other line, comment and blank as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace platform {

// Post-processors, language files and settings are a few kilobytes; a larger file is refused
// (FormatError naming the file and its size) rather than read.
inline constexpr size_t kMaxIniFileSize = size_t(1) << 20;

class IniFile {
 public:
  IniFile() = default;
  // Binds to `path` and reads it when it exists (a missing file reads as empty). A file that is not
  // valid UTF-8 is read as Windows-1252, the code page such files were written in, so any file can
  // be read. Raises FormatError for a file over kMaxIniFileSize.
  explicit IniFile(std::string path);

  // Replaces the contents with `text` (no file is read; decoded as a file is); the path stays.
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
  // Where each section and key lies, built once whenever the lines change, so a lookup costs no
  // scan of the file. Names are held lower-cased; the first section and first key of a name win.
  struct Section {
    std::string name;  // first spelling
    size_t header = 0;
    size_t end = 0;  // the next header line, or the line count
    std::unordered_map<std::string, size_t> keys;
    std::vector<std::string> keyOrder;  // first spelling of each key, in file order
  };
  // The first section of that name, or nullptr.
  const Section* FindSection(std::string_view section) const;
  // Line of the key inside the section, or -1.
  long FindKey(const Section& s, std::string_view key) const;
  // Splits UTF-8 text into lines and indexes them.
  void SetText(std::string text);
  void Reindex();
  // Line i without its line end.
  std::string_view Line(size_t i) const { return std::string_view(text_).substr(lines_[i].offset, lines_[i].length); }
  // Writes edit a copy of the lines and store it back; they are rare, reads are many.
  std::vector<std::string> CopyLines() const;
  void StoreLines(const std::vector<std::string>& lines);
  void Changed();

  std::string path_;
  bool existed_ = false;
  bool autoSave_ = true;
  // The text and where each line lies in it: a file of a million blank lines costs eight bytes a
  // line, not a string each.
  struct LineSpan {
    uint32_t offset = 0;
    uint32_t length = 0;
  };
  std::string text_;
  std::vector<LineSpan> lines_;
  std::vector<Section> sections_;  // distinct sections in file order
  std::unordered_map<std::string, size_t> sectionIndex_;
};

}  // namespace platform
