// What the machine lets this process have: the physical memory, the process's address-space limit and
// the memory limit of its control group (a container), for work that sizes itself to what it can hold.
#pragma once

#include <cstdint>
#include <new>
#include <string>

#include "platform/exception.h"

namespace platform {

// The physical memory in bytes; 0 when the system does not say.
uint64_t PhysicalMemoryBytes();

// The process's address-space limit (ulimit -v) in bytes; 0 when there is none.
uint64_t AddressSpaceLimitBytes();

// The address space the process has mapped now, in bytes; 0 when the system does not say.
uint64_t AddressSpaceUsedBytes();

// The memory limit of the control group whose folder is `folder` (memory.max of cgroup v2, else
// memory.limit_in_bytes of v1); 0 when there is none ("max", a v1 limit of the whole address range)
// or the files cannot be read.
uint64_t CgroupMemoryLimitBytes(const std::string& folder);

// The folder of this process's own control group under `root` (/sys/fs/cgroup), from the lines of
// /proc/self/cgroup given in `procCgroup`: the v1 memory controller's line, else the v2 line "0::/path".
// Empty when neither is there.
std::string OwnCgroupFolder(const std::string& root, const std::string& procCgroup);

// The memory limit of this process's control group, the nearest limiting ancestor included; 0 when none.
uint64_t OwnCgroupMemoryLimitBytes();

// The limits that bound the memory of a process; 0 means "none" or "not told".
struct MemoryLimits {
  uint64_t physical = 0;
  uint64_t addressSpace = 0;
  uint64_t cgroup = 0;
};

// This process's limits.
MemoryLimits CurrentMemoryLimits();

// The least of the limits given; 0 when none is.
uint64_t LeastMemoryLimit(const MemoryLimits& limits);

// What the process takes now against each limit; 0 means "not told".
struct MemoryUse {
  uint64_t addressSpace = 0;       // mapped, less what the heap holds free for the next allocations
  uint64_t cgroup = 0;             // charged to its control group
  uint64_t physicalAvailable = 0;  // what the machine can still give (available memory and free swap)
};

// This process's use, read from /proc and its control group.
MemoryUse CurrentMemoryUse();

// The bytes the process may still take before a limit stops it: the least, over the limits told, of
// what is left of each (the physical memory by what is available); UINT64_MAX when nothing is told.
uint64_t MemoryHeadroom(const MemoryLimits& limits, const MemoryUse& use);

// This process's headroom now.
uint64_t CurrentMemoryHeadroom();

// Work that ran out of memory, said in words the user understands: what could not be done.
class OutOfMemory : public Exception {
 public:
  using Exception::Exception;
};

// Runs `work`; a std::bad_alloc in it becomes OutOfMemory with `words`.
template <class F>
decltype(auto) OutOfMemoryAs(const std::string& words, F&& work) {
  try {
    return work();
  } catch (const std::bad_alloc&) {
    throw OutOfMemory(words);
  }
}

}  // namespace platform
