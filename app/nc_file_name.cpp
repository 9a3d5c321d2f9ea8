#include "app/nc_file_name.h"

#include <filesystem>
#include <string_view>

namespace app {

namespace {
constexpr std::string_view kRefused = "|<>#\\/:*?\"'";

// The part after the last folder separator of either kind.
std::string FileNameOf(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}
}  // namespace

std::string CleanNcBaseName(const std::string& imagePath) {
  std::string name;
  for (char c : FileNameOf(imagePath))
    if (kRefused.find(c) == std::string_view::npos) name += c;
  // The extension is what follows the last '.'; a name that was nothing but an extension proposes
  // "t" rather than a hidden file.
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.erase(dot);
  return name.empty() ? "t" : name;
}

std::string NcFileFilter(const std::string& description, const std::string& extension) {
  const std::string pattern = extension.empty() ? "*.*" : "*." + extension;
  return description + " (" + pattern + ")|" + pattern;
}

std::string WithDefaultExtension(const std::string& path, const std::string& extension) {
  if (path.empty() || extension.empty()) return path;
  if (std::filesystem::path(FileNameOf(path)).has_extension()) return path;
  return path + "." + extension;
}

}  // namespace app
