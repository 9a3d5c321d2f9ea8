// The memory a process may have: the least of its limits, its control group's limit read from the
// group's files, the group found from /proc/self/cgroup, what is left of each limit, and running out of
// memory said in words.
#include "platform/memory.h"
#include "platform/qt_dialogs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include <unistd.h>

namespace {

constexpr uint64_t kGiB = uint64_t(1) << 30;

class ScratchFolder {
 public:
  ScratchFolder() : path_(std::filesystem::temp_directory_path() / ("velkora-memory-" + std::to_string(::getpid()))) {
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~ScratchFolder() { std::filesystem::remove_all(path_); }
  std::string Write(const std::string& name, const std::string& text) const {
    std::ofstream(path_ / name) << text;
    return (path_ / name).string();
  }
  std::string Dir() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

TEST(Memory, TheLeastOfTheLimitsToldBounds) {
  const struct {
    platform::MemoryLimits limits;
    uint64_t least;
  } cases[] = {{{0, 0, 0}, 0},
               {{24 * kGiB, 0, 0}, 24 * kGiB},
               {{24 * kGiB, 6 * kGiB, 0}, 6 * kGiB},
               {{24 * kGiB, 6 * kGiB, 2 * kGiB}, 2 * kGiB},
               {{24 * kGiB, 0, 32 * kGiB}, 24 * kGiB},
               {{0, 3 * kGiB, 0}, 3 * kGiB},
               {{0, 0, 512 << 20}, 512 << 20}};
  for (const auto& c : cases) {
    const auto& l = c.limits;
    EXPECT_EQ(platform::LeastMemoryLimit(l), c.least) << l.physical << " " << l.addressSpace << " " << l.cgroup;
  }
}

TEST(Memory, TheHeadroomIsWhatIsLeftOfEachLimit) {
  const struct {
    platform::MemoryLimits limits;
    platform::MemoryUse use;
    uint64_t headroom;
  } cases[] = {{{}, {}, UINT64_MAX},
               {{24 * kGiB, 0, 0}, {1 * kGiB, 0, 0}, UINT64_MAX},  // the physical total is no headroom
               {{24 * kGiB, 6 * kGiB, 0}, {2 * kGiB, 0, 10 * kGiB}, 4 * kGiB},
               {{24 * kGiB, 6 * kGiB, 3 * kGiB}, {2 * kGiB, 2 * kGiB, 10 * kGiB}, 1 * kGiB},
               {{24 * kGiB, 0, 0}, {0, 0, 5 * kGiB}, 5 * kGiB},
               {{0, 2 * kGiB, 0}, {3 * kGiB, 0, 0}, 0}};  // already past the limit
  for (const auto& c : cases)
    EXPECT_EQ(platform::MemoryHeadroom(c.limits, c.use), c.headroom)
        << c.limits.addressSpace << " " << c.use.addressSpace << " " << c.limits.cgroup << " " << c.use.cgroup;
  // This process has some left, and no more than its own address-space limit.
  const uint64_t now = platform::CurrentMemoryHeadroom();
  EXPECT_GT(now, 0u);
  if (const uint64_t limit = platform::AddressSpaceLimitBytes()) {
    EXPECT_LT(now, limit);
  }
}

TEST(Memory, TheControlGroupLimitIsReadFromItsFiles) {
  const struct {
    const char* file;
    const char* text;
    uint64_t limit;
  } cases[] = {{"memory.max", "2147483648\n", 2 * kGiB},
               {"memory.max", "max\n", 0},
               {"memory.max", "lots\n", 0},
               {"memory.max", "", 0},
               {"memory.limit_in_bytes", "1073741824\n", 1 * kGiB},
               {"memory.limit_in_bytes", "9223372036854771712\n", 0},  // v1's "no limit"
               {nullptr, nullptr, 0}};
  for (const auto& c : cases) {
    ScratchFolder folder;
    if (c.file) folder.Write(c.file, c.text);
    EXPECT_EQ(platform::CgroupMemoryLimitBytes(folder.Dir()), c.limit) << (c.file ? c.file : "no file") << " "
                                                                        << (c.text ? c.text : "");
  }
  EXPECT_EQ(platform::CgroupMemoryLimitBytes(""), 0u);
}

TEST(Memory, TheOwnControlGroupIsFoundUnderTheMount) {
  const struct {
    const char* lines;
    const char* folder;
  } cases[] = {{"0::/user.slice/session-3.scope\n", "/cg/user.slice/session-3.scope"},
               {"0::/\n", "/cg"},
               {"12:cpu,cpuacct:/docker/ab\n4:memory:/docker/ab\n", "/cg/memory/docker/ab"},
               {"4:memory:/\n", "/cg/memory"},
               // A hybrid system: the memory controller is the v1 one.
               {"4:memory:/x\n0::/y\n", "/cg/memory/x"},
               {"12:cpu:/docker/ab\n", ""},
               {"", ""},
               {"garbage\n", ""}};
  for (const auto& c : cases) EXPECT_EQ(platform::OwnCgroupFolder("/cg", c.lines), c.folder) << c.lines;
}

TEST(Memory, RunningOutOfMemoryIsToldInWords) {
  EXPECT_EQ(platform::OutOfMemoryAs("not enough memory to add", [] { return 2 + 3; }), 5);
  try {
    platform::OutOfMemoryAs("There is not enough memory to open a.bmp.", []() -> int { throw std::bad_alloc(); });
    ADD_FAILURE() << "no exception";
  } catch (const platform::OutOfMemory& error) {
    EXPECT_STREQ(error.what(), "There is not enough memory to open a.bmp.");
  }
  // What reaches the event loop's guard unnamed is said in words too, not as "std::bad_alloc".
  EXPECT_EQ(platform::ExceptionText(std::bad_alloc()), "There is not enough memory to finish this work.");
  // Other failures keep their own words.
  EXPECT_THROW(platform::OutOfMemoryAs("words", [] { throw platform::FileError("gone"); }), platform::FileError);
}

}  // namespace
