// The painting thread on its own: synchronous calls run on the GUI thread, also while it waits for
// the worker; terminating takes back a call not yet begun; the end event comes once from the event
// loop, and never after the owner waited for the thread itself.
#include "cad/painting_thread.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

namespace cad {
namespace {

using Clock = std::chrono::steady_clock;

// Runs the event loop until `done` or a few seconds are up.
bool ProcessEventsUntil(const std::function<bool()>& done) {
  const Clock::time_point start = Clock::now();
  while (!done()) {
    if (Clock::now() - start > std::chrono::seconds(5)) return false;
    QCoreApplication::processEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

TEST(PaintingThreadTest, SynchronousCallsRunOnTheGuiThreadWhileItWaits) {
  const std::thread::id gui = std::this_thread::get_id();
  std::vector<int> ran;
  std::vector<bool> onGui;
  int ends = 0;
  {
    TPaintingThread thread(
        [&](TPaintingThread& t) {
          for (int i = 0; i < 20; ++i)
            EXPECT_TRUE(t.Synchronize([&, i] {
              ran.push_back(i);
              onGui.push_back(std::this_thread::get_id() == gui);
            }));
        },
        [&] { ++ends; });
    EXPECT_FALSE(thread.Finished()) << "made suspended";
    thread.Start();
    // No event loop runs: the wait itself serves the calls.
    thread.WaitFor();
    EXPECT_TRUE(thread.Finished());
  }
  ASSERT_EQ(ran.size(), 20u);
  for (int i = 0; i < 20; ++i) {
    EXPECT_EQ(ran[size_t(i)], i);
    EXPECT_TRUE(onGui[size_t(i)]) << "call " << i;
  }
  QCoreApplication::processEvents();
  EXPECT_EQ(ends, 0) << "the owner that waited takes over from the end event";
}

TEST(PaintingThreadTest, EndEventComesOnceFromTheEventLoop) {
  int ends = 0;
  bool endOnGui = false;
  const std::thread::id gui = std::this_thread::get_id();
  TPaintingThread thread([](TPaintingThread& t) { t.Synchronize([] {}); }, [&] {
    ++ends;
    endOnGui = std::this_thread::get_id() == gui;
  });
  thread.Start();
  // The worker's call is queued for the event loop as well.
  ASSERT_TRUE(ProcessEventsUntil([&] { return ends > 0; }));
  EXPECT_TRUE(endOnGui);
  EXPECT_TRUE(thread.Finished());
  QCoreApplication::processEvents();
  EXPECT_EQ(ends, 1);
}

TEST(PaintingThreadTest, TerminatingEndsAWorkerThatWaitsForACall) {
  std::atomic<int> attempts{0};
  std::atomic<int> refused{0};
  int ran = 0;
  TPaintingThread thread(
      [&](TPaintingThread& t) {
        while (!t.Terminated()) {
          ++attempts;
          if (!t.Synchronize([&] { ++ran; })) ++refused;
        }
      },
      [] {});
  thread.Start();
  // The worker now waits for a call that nobody serves; terminating alone sets it free.
  while (attempts.load() == 0) std::this_thread::yield();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  thread.Terminate();
  const auto start = Clock::now();
  while (!thread.Finished() && Clock::now() - start < std::chrono::seconds(5)) std::this_thread::yield();
  EXPECT_TRUE(thread.Finished()) << "the worker gave up its call without the GUI thread";
  EXPECT_EQ(ran, 0);
  EXPECT_EQ(refused.load(), attempts.load());
  thread.WaitFor();
}

TEST(PaintingThreadTest, FailuresOfTheWorkAreSwallowedAndTheDestructorStopsARunningThread) {
  int ends = 0;
  {
    TPaintingThread failing([](TPaintingThread&) { throw std::runtime_error("drawing failed"); }, [&] { ++ends; });
    failing.Start();
    ASSERT_TRUE(ProcessEventsUntil([&] { return ends == 1; }));
  }
  std::atomic<bool> looping{false};
  {
    TPaintingThread endless(
        [&](TPaintingThread& t) {
          looping = true;
          while (!t.Terminated()) std::this_thread::yield();
        },
        [&] { ++ends; });
    endless.Start();
    while (!looping) std::this_thread::yield();
  }  // terminates and joins
  QCoreApplication::processEvents();
  EXPECT_EQ(ends, 1);
  // A thread never started is freed without waiting.
  TPaintingThread idle([](TPaintingThread&) {}, [] {});
  idle.WaitFor();
  EXPECT_FALSE(idle.Finished());
}

}  // namespace
}  // namespace cad
