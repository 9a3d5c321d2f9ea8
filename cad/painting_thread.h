// The viewport's painting thread: a worker that draws a drawing into the viewport's off-screen
// bitmap while the GUI thread goes on, and hands its partial results to the GUI thread through
// synchronous calls. It is made suspended and started by its owner; when its work is done the end
// event runs on the GUI thread, from the event loop.
//
// Deadlocks it is built to avoid: the worker must let go of every lock the GUI thread may want before
// it waits for a synchronous call (the viewport releases its canvas around each copy), and a GUI
// thread that waits for the worker (WaitFor) keeps running the worker's calls meanwhile.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

namespace cad {

class TPaintingThread {
 public:
  using ExecuteEvent = std::function<void(TPaintingThread& thread)>;
  using EndEvent = std::function<void()>;

  // Made suspended. `execute` runs on the worker (its exceptions are swallowed); `onTerminate` runs
  // on the GUI thread once the work is over, unless WaitFor or the destructor came first.
  TPaintingThread(ExecuteEvent execute, EndEvent onTerminate);
  // Terminates the work and waits for it (WaitFor).
  ~TPaintingThread();
  TPaintingThread(const TPaintingThread&) = delete;
  TPaintingThread& operator=(const TPaintingThread&) = delete;

  void Start();
  // Asks the work to stop; a call the worker waits for and the GUI thread has not begun is taken
  // back unrun.
  void Terminate();
  bool Terminated() const { return terminated_.load(); }
  // The work has returned.
  bool Finished() const;
  // GUI thread: waits until the work has returned, running its synchronous calls meanwhile. The end
  // event does not run afterwards: the caller takes over.
  void WaitFor();

  // Worker: runs `call` on the GUI thread and waits for it; false when the thread was terminated
  // before the call could start. An exception of the call is raised again here.
  bool Synchronize(const std::function<void()>& call);

 private:
  struct Shared;

  ExecuteEvent execute_;
  std::shared_ptr<Shared> shared_;
  std::atomic<bool> terminated_{false};
  std::thread worker_;
};

}  // namespace cad
