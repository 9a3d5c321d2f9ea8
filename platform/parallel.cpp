#include "platform/parallel.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace platform {

int ParallelThreads() {
  const unsigned n = std::thread::hardware_concurrency();
  return n == 0 ? 1 : static_cast<int>(n);
}

void ParallelFor(int64_t count, const std::function<void(int64_t)>& body, int64_t perThread) {
  ParallelFor(count, [&body](int64_t i, int) { body(i); }, perThread);
}

void ParallelFor(int64_t count, const std::function<void(int64_t, int)>& body, int64_t perThread) {
  if (count <= 0) return;
  std::atomic<int64_t> next{0};
  std::atomic<bool> failed{false};
  std::exception_ptr error;
  std::mutex errorLock;
  auto work = [&](int worker) {
    for (int64_t i = next++; i < count && !failed; i = next++) {
      try {
        body(i, worker);
      } catch (...) {
        std::lock_guard<std::mutex> lock(errorLock);
        if (!error) error = std::current_exception();
        failed = true;
      }
    }
  };
  const int64_t share = std::max<int64_t>(1, perThread);
  const int64_t threads = std::max<int64_t>(1, std::min<int64_t>(ParallelThreads(), (count + share - 1) / share));
  std::vector<std::thread> helpers;
  helpers.reserve(static_cast<size_t>(threads - 1));
  for (int64_t t = 1; t < threads; ++t) {
    try {
      helpers.emplace_back(work, static_cast<int>(t));
    } catch (const std::system_error&) {
      break;  // no more threads to be had: the ones running (and this one) do the rest
    }
  }
  work(0);
  for (auto& helper : helpers) helper.join();
  if (error) std::rethrow_exception(error);
}

}  // namespace platform
