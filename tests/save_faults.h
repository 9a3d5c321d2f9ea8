// A save that fails as on a full disk, and the temporaries a save may leave behind, for the tests of
// every writer that goes through a temporary file.
#pragma once

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

namespace testing_support {

// A disk that takes no more than `bytes` of a file: the process's file-size limit, with the signal
// that would end the process ignored, so a write beyond it fails (EFBIG) as on a full disk. Unlike a
// folder without write permission it binds an administrator too.
class ScopedFileSizeLimit {
 public:
  explicit ScopedFileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &earlier_);
    handler_ = std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{bytes, earlier_.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~ScopedFileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &earlier_);
    std::signal(SIGXFSZ, handler_);
  }
  ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
  ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;

 private:
  rlimit earlier_{};
  void (*handler_)(int) = SIG_DFL;
};

// The names in `folder` a save's temporary files are given ("<name>.<six hex digits>.tmp~").
inline std::vector<std::string> TemporariesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    const size_t end = name.size();
    if (end > 12 && name.compare(end - 5, 5, ".tmp~") == 0 && name[end - 12] == '.') names.push_back(name);
  }
  return names;
}

// The percentages a save reported, as a progress bar needs them: rising in at least `leastSteps`
// steps, from no more than 10 to 100.
inline void ExpectProgressRisesToAHundred(const std::vector<int>& reported, size_t leastSteps, const std::string& what) {
  ASSERT_GE(reported.size(), leastSteps) << what;
  EXPECT_LE(reported.front(), 10) << what;
  EXPECT_EQ(reported.back(), 100) << what;
  for (size_t i = 1; i < reported.size(); ++i) EXPECT_GT(reported[i], reported[i - 1]) << what << " at " << i;
}

}  // namespace testing_support
