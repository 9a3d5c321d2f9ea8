#include "platform/parallel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

namespace platform {
namespace {

TEST(Parallel, EveryIterationOnceOnAKnownThreadAndTheFirstErrorRaised) {
  for (int64_t perThread : {int64_t{1}, int64_t{50}, int64_t{10000}}) {
    std::vector<std::atomic<int>> runs(1000);
    std::atomic<int> badWorker{0};
    ParallelFor(
        1000,
        [&](int64_t i, int worker) {
          runs[static_cast<size_t>(i)]++;
          if (worker < 0 || worker >= ParallelThreads()) badWorker++;
          // With 10000 iterations asked per thread, the calling thread does them all.
          if (perThread == 10000 && worker != 0) badWorker++;
        },
        perThread);
    for (const auto& r : runs) EXPECT_EQ(r.load(), 1) << "per thread " << perThread;
    EXPECT_EQ(badWorker.load(), 0) << "per thread " << perThread;
  }
  ParallelFor(0, [](int64_t) { FAIL() << "no iteration for an empty range"; });

  std::atomic<int> done{0};
  EXPECT_THROW(ParallelFor(100,
                           [&](int64_t i) {
                             if (i == 10) throw std::runtime_error("row 10");
                             done++;
                           }),
               std::runtime_error);
  EXPECT_LT(done.load(), 100);
}

}  // namespace
}  // namespace platform
