// The largest single block a piece of code takes through operator new while a watch is open, so a
// test can say that a reader never asks for more memory than its input justifies. The test program
// that links largest_allocation.cpp has operator new replaced by a counting one.
#pragma once

#include <cstddef>

namespace testing_support {

class LargestAllocation {
 public:
  LargestAllocation();
  ~LargestAllocation();
  LargestAllocation(const LargestAllocation&) = delete;
  LargestAllocation& operator=(const LargestAllocation&) = delete;
  // In bytes, since the watch opened.
  size_t Bytes() const;
};

}  // namespace testing_support
