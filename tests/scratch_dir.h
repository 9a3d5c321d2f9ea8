// A folder of the test's own under the system's temporary folder, named after the process and the
// running test (so parallel test programs never share one), emptied first and removed afterwards.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/binary_stream.h"

namespace testing_support {

class ScratchDir {
 public:
  explicit ScratchDir(const std::string& tag = "test") {
    static std::atomic<int> count{0};
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = std::filesystem::temp_directory_path() /
            ("velkora_" + tag + "_" + std::to_string(::getpid()) + "_" + (info ? info->name() : "none") + "_" +
             std::to_string(++count));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  std::string Dir() const { return path_.string(); }
  std::string File(const std::string& name) const { return (path_ / name).string(); }
  // Writes `text` to `name` (folders in the name are made) and returns its path.
  std::string Write(const std::string& name, const std::string& text) const {
    return Write(name, platform::Bytes(text.begin(), text.end()));
  }
  std::string Write(const std::string& name, const platform::Bytes& bytes) const {
    std::filesystem::path p = path_ / name;
    std::filesystem::create_directories(p.parent_path());
    platform::WriteFileBytes(p.string(), bytes);
    return p.string();
  }

 private:
  std::filesystem::path path_;
};

// The whole file as text.
inline std::string FileText(const std::string& path) {
  platform::Bytes bytes = platform::ReadFileBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

// The lines of a text that are not empty, without their line ends.
inline std::vector<std::string> NonEmptyLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

}  // namespace testing_support
