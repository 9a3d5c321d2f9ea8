#include "scene3d/file_helpers.h"

#include <filesystem>

#include "platform/binary_stream.h"

namespace scene3d {

void SaveStringToFile(const std::string& fileName, std::string_view text) {
  platform::WriteFileText(fileName, text);
}

std::string LoadStringFromFile(const std::string& fileName) {
  if (!platform::FileExists(fileName)) return {};
  const platform::Bytes bytes = platform::ReadFileBytes(fileName);
  return std::string(bytes.begin(), bytes.end());
}

uint64_t SizeOfFile(const std::string& fileName) {
  std::error_code ec;
  const uintmax_t size = std::filesystem::file_size(fileName, ec);
  return ec ? 0 : static_cast<uint64_t>(size);
}

}  // namespace scene3d
