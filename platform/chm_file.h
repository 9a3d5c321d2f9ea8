// A compiled HTML help file (".chm") read through chmlib: its pages and pictures by their path inside
// the file ("/start.html"), the files named in its system table (title, default topic, contents and
// index sitemaps) and its map of help context numbers to topics.
//
//   platform::ChmFile help(platform::JoinPath(platform::ProgramDir(), "hlp/Velkora.chm"));
//   std::optional<std::string> page = help.Read("/start.html");
//   std::optional<std::string> topic = help.TopicOfContext(3);    // "/dimension.html"
//
// A file with its SHA-256 beside it ("Velkora.chm.sha256", written by the build) is checked against it
// before anything is read, so a damaged help file is refused instead of being unpacked.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct chmFile;

namespace platform {

class ChmFile {
 public:
  // A page or picture larger than this is taken for a damaged file.
  static constexpr uint64_t kMaxObjectSize = uint64_t(64) << 20;

  // Raises FileError when the file cannot be opened, FormatError when it is no compiled help file or
  // does not match its check sum.
  explicit ChmFile(const std::string& path);
  ~ChmFile();
  ChmFile(const ChmFile&) = delete;
  ChmFile& operator=(const ChmFile&) = delete;

  const std::string& Path() const { return path_; }
  // The object's bytes; nullopt when the file has no such object (names match without regard to case,
  // with or without the leading "/"). FormatError when the object cannot be read whole.
  std::optional<std::string> Read(std::string_view objectPath) const;
  bool Contains(std::string_view objectPath) const;
  // Paths of the ordinary files inside ("/start.html", ...), without the internal tables.
  std::vector<std::string> Files() const;

  // From the system table; empty when the file names none. Paths begin with "/".
  const std::string& Title() const { return title_; }
  const std::string& DefaultTopic() const { return defaultTopic_; }
  const std::string& ContentsFile() const { return contentsFile_; }
  const std::string& IndexFile() const { return indexFile_; }

  // The topic mapped to a help context number, as an object path; nullopt when unmapped.
  std::optional<std::string> TopicOfContext(uint32_t context) const;

 private:
  void ReadSystemTable();
  void ReadContextMap();
  // An object path for a name found in the file's tables; compilers may store it with a folder of the
  // machine that compiled it in front.
  std::optional<std::string> ResolveStoredName(const std::string& name) const;

  std::string path_;
  chmFile* handle_ = nullptr;
  std::string title_, defaultTopic_, contentsFile_, indexFile_;
  std::map<uint32_t, std::string> contexts_;
};

}  // namespace platform
