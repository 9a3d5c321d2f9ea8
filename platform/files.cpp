#include "platform/files.h"

#include <algorithm>
#include <filesystem>

#include "platform/numbers.h"

namespace platform {

namespace fs = std::filesystem;

namespace {
std::string& ProgramDirValue() {
  static std::string dir;
  return dir;
}
}  // namespace

std::string ProgramDir() {
  std::string& dir = ProgramDirValue();
  if (dir.empty()) {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    dir = ec ? fs::current_path().string() : exe.parent_path().string();
  }
  return dir;
}

void SetProgramDir(const std::string& dir) { ProgramDirValue() = dir; }

std::string ProgramFile() {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return ec ? std::string("velkora") : exe.string();
}

std::string JoinPath(const std::string& dir, const std::string& name) {
  if (dir.empty()) return name;
  return (fs::path(dir) / name).string();
}

std::optional<std::string> FindFileNoCase(const std::string& dir, const std::string& name) {
  std::error_code ec;
  fs::path exact = fs::path(dir) / name;
  if (fs::exists(exact, ec)) return exact.string();
  std::optional<std::string> found;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::string entry = it->path().filename().string();
    if (EqualsNoCase(entry, name)) {
      // Several spellings: take the first in name order so the choice does not depend on the disk.
      if (!found || it->path().string() < *found) found = it->path().string();
    }
  }
  return found;
}

std::vector<std::string> ListFilesWithExtension(const std::string& dir, const std::string& ext) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    if (EqualsNoCase(it->path().extension().string(), ext)) names.push_back(it->path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string BaseNameWithoutExtension(const std::string& path) { return fs::path(path).stem().string(); }

bool IsPlainFileName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  if (name.find('/') != std::string::npos || name.find('\\') != std::string::npos) return false;
  if (name.find("..") != std::string::npos) return false;
  return true;
}

}  // namespace platform
