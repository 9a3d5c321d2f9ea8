// Calls a worker thread hands to the GUI thread, where every drawing on a window's canvas and every
// event a worker fires must run (a GIF painter, a viewport's painting thread). A worker queues its
// call and waits; the GUI thread runs the queue from its event loop and from every place where it
// waits for a worker itself (stopping a painter or a painting thread, waiting for a first frame). A blocking queued call through the event loop alone would deadlock
// there: the GUI thread would wait for the worker while the worker waits for the GUI thread.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace platform {

class GuiCalls {
 public:
  // The program's one queue.
  static GuiCalls& Instance();
  // The thread of the application object (or, without one, the thread that first used the queue).
  static bool OnGuiThread();

  // Runs `call` on the GUI thread and waits until it has run; on the GUI thread it runs at once.
  // When `abandon` turns true before the call has started, the call is taken back unrun and false
  // is returned. An exception of the call is raised again here.
  bool Call(const std::function<void()>& call, const std::atomic<bool>& abandon);
  // GUI thread: runs every queued call, oldest first; returns how many ran.
  int Drain();
  // GUI thread: runs queued calls until `done()` holds, sleeping between them until a call comes,
  // Wake is called or a few milliseconds pass.
  void DrainUntil(const std::function<bool()>& done);
  // Wakes every waiter of Call and DrainUntil to look at its condition again.
  void Wake();

 private:
  struct Item {
    std::function<void()> call;
    bool running = false;
    bool done = false;
    std::exception_ptr error;
  };
  void PostDrainRequest();

  std::mutex lock_;
  std::condition_variable changed_;
  std::deque<std::shared_ptr<Item>> queue_;
  uint64_t wakeups_ = 0;
};

}  // namespace platform
