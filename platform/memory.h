// What the machine has: the physical memory, for work that sizes itself to what the machine can hold.
#pragma once

#include <cstdint>

namespace platform {

// The physical memory in bytes; 0 when the system does not say.
uint64_t PhysicalMemoryBytes();

}  // namespace platform
