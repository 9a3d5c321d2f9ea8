#include "largest_allocation.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<int> watches{0};
std::atomic<size_t> largest{0};

void* Allocate(size_t size) {
  if (watches.load(std::memory_order_relaxed) > 0) {
    size_t seen = largest.load(std::memory_order_relaxed);
    while (size > seen && !largest.compare_exchange_weak(seen, size)) {
    }
  }
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}

}  // namespace

void* operator new(size_t size) { return Allocate(size); }
void* operator new[](size_t size) { return Allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }

namespace testing_support {

LargestAllocation::LargestAllocation() {
  largest = 0;
  ++watches;
}

LargestAllocation::~LargestAllocation() { --watches; }

size_t LargestAllocation::Bytes() const { return largest.load(); }

}  // namespace testing_support
