#include "platform/memory.h"

#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace platform {

namespace {

// The first word of a small file as a count of bytes; false for "max", a missing file or no number.
bool ReadByteCount(const std::string& path, uint64_t& bytes) {
  std::ifstream in(path);
  std::string word;
  if (!in || !(in >> word)) return false;
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), bytes);
  return error == std::errc() && end == word.data() + word.size();
}

// Takes `limit` into `least` where it is told (0 is "none") and lower.
void KeepLeast(uint64_t& least, uint64_t limit) {
  if (limit && (!least || limit < least)) least = limit;
}

// cgroup v1 writes "no limit" as the largest page-aligned count of a 64-bit range.
constexpr uint64_t kNoV1Limit = uint64_t(1) << 62;

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

uint64_t PhysicalMemoryBytes() {
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long pageSize = sysconf(_SC_PAGE_SIZE);
  if (pages <= 0 || pageSize <= 0) return 0;
  return uint64_t(pages) * uint64_t(pageSize);
}

uint64_t AddressSpaceLimitBytes() {
  rlimit limit{};
  if (getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return 0;
  return uint64_t(limit.rlim_cur);
}

uint64_t AddressSpaceUsedBytes() {
  // The first field of statm is the mapped size in pages.
  uint64_t pages = 0;
  const long pageSize = sysconf(_SC_PAGE_SIZE);
  if (pageSize <= 0 || !ReadByteCount("/proc/self/statm", pages)) return 0;
  return pages * uint64_t(pageSize);
}

uint64_t CgroupMemoryLimitBytes(const std::string& folder) {
  if (folder.empty()) return 0;
  const std::filesystem::path base(folder);
  uint64_t bytes = 0;
  if (std::filesystem::exists(base / "memory.max")) return ReadByteCount((base / "memory.max").string(), bytes) ? bytes : 0;
  if (ReadByteCount((base / "memory.limit_in_bytes").string(), bytes) && bytes < kNoV1Limit) return bytes;
  return 0;
}

std::string OwnCgroupFolder(const std::string& root, const std::string& procCgroup) {
  // Lines are "id:controllers:path"; the path is relative to the mount of its hierarchy.
  auto under = [](const std::filesystem::path& mount, const std::string& path) {
    const std::filesystem::path relative = std::filesystem::path(path).relative_path();
    return (relative.empty() ? mount : mount / relative).string();
  };
  std::istringstream lines(procCgroup);
  std::string line, v1, v2;
  while (std::getline(lines, line)) {
    const size_t first = line.find(':');
    const size_t second = first == std::string::npos ? first : line.find(':', first + 1);
    if (second == std::string::npos) continue;
    const std::string id = line.substr(0, first);
    const std::string controllers = line.substr(first + 1, second - first - 1);
    const std::string path = line.substr(second + 1);
    if (id == "0" && controllers.empty()) v2 = under(root, path);
    std::istringstream names(controllers);
    std::string name;
    while (std::getline(names, name, ','))
      if (name == "memory") v1 = under(std::filesystem::path(root) / "memory", path);
  }
  // A hybrid system lists both; its memory controller is then the v1 one.
  return v1.empty() ? v2 : v1;
}

uint64_t OwnCgroupMemoryLimitBytes() {
  const std::filesystem::path root = "/sys/fs/cgroup";
  const std::string folder = OwnCgroupFolder(root.string(), ReadWholeFile("/proc/self/cgroup"));
  if (folder.empty()) return 0;
  // A limit set on a parent group binds its children too: the least on the way up to the mount.
  uint64_t least = 0;
  for (std::filesystem::path at(folder); at.string().size() >= root.string().size(); at = at.parent_path()) {
    KeepLeast(least, CgroupMemoryLimitBytes(at.string()));
    if (at == root || at.parent_path() == at) break;
  }
  return least;
}

MemoryLimits CurrentMemoryLimits() {
  MemoryLimits limits;
  limits.physical = PhysicalMemoryBytes();
  limits.addressSpace = AddressSpaceLimitBytes();
  limits.cgroup = OwnCgroupMemoryLimitBytes();
  return limits;
}

uint64_t LeastMemoryLimit(const MemoryLimits& limits) {
  uint64_t least = 0;
  for (const uint64_t limit : {limits.physical, limits.addressSpace, limits.cgroup}) KeepLeast(least, limit);
  return least;
}

MemoryUse CurrentMemoryUse() {
  MemoryUse use;
  // What the heap holds free is mapped but taken again before anything new is mapped.
  const uint64_t mapped = AddressSpaceUsedBytes();
  const uint64_t heapFree = mallinfo2().fordblks;
  use.addressSpace = mapped > heapFree ? mapped - heapFree : 0;
  const std::string folder = OwnCgroupFolder("/sys/fs/cgroup", ReadWholeFile("/proc/self/cgroup"));
  if (!folder.empty() && !ReadByteCount(folder + "/memory.current", use.cgroup)) ReadByteCount(folder + "/memory.usage_in_bytes", use.cgroup);
  // Lines "MemAvailable:   123 kB".
  std::istringstream info(ReadWholeFile("/proc/meminfo"));
  std::string key;
  uint64_t kilobytes = 0;
  while (info >> key >> kilobytes) {
    if (key == "MemAvailable:" || key == "SwapFree:") use.physicalAvailable += kilobytes * 1024;
    info.ignore(256, '\n');
  }
  return use;
}

uint64_t MemoryHeadroom(const MemoryLimits& limits, const MemoryUse& use) {
  uint64_t least = UINT64_MAX;
  auto left = [&least](uint64_t limit, uint64_t used) {
    if (limit) least = std::min(least, limit > used ? limit - used : 0);
  };
  left(limits.addressSpace, use.addressSpace);
  left(limits.cgroup, use.cgroup);
  if (use.physicalAvailable) least = std::min(least, use.physicalAvailable);
  return least;
}

uint64_t CurrentMemoryHeadroom() { return MemoryHeadroom(CurrentMemoryLimits(), CurrentMemoryUse()); }

}  // namespace platform
