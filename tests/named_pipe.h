// A named pipe in a test's folder, for the readers that must refuse one at once rather than wait for
// a writer, and a watchdog that keeps a faulty reader from hanging the test program.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace testing_support {

// Makes a named pipe at `path`; false when the system refuses one.
inline bool MakeNamedPipe(const std::string& path) { return ::mkfifo(path.c_str(), 0600) == 0; }

// Watches one call that might wait on the pipe `path`. When the watchdog is not stopped within
// `deadline`, it opens and closes the pipe's write end (without waiting) again and again: a reader
// stuck in open then sees a writer, and a reader stuck in read sees the end, so the call returns and
// Rescued() tells the test that it had waited.
class PipeWatchdog {
 public:
  explicit PipeWatchdog(std::string path, std::chrono::milliseconds deadline = std::chrono::seconds(5))
      : path_(std::move(path)), thread_([this, deadline] { Watch(deadline); }) {}
  ~PipeWatchdog() { Stop(); }
  PipeWatchdog(const PipeWatchdog&) = delete;
  PipeWatchdog& operator=(const PipeWatchdog&) = delete;

  // Ends the watch; true when the watchdog had to free a waiting reader.
  bool Stop() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopped_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
    return rescued_;
  }

 private:
  void Watch(std::chrono::milliseconds deadline) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (wake_.wait_for(lock, deadline, [this] { return stopped_; })) return;
    rescued_ = true;
    while (!stopped_) {
      const int fd = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
      if (fd >= 0) ::close(fd);
      wake_.wait_for(lock, std::chrono::milliseconds(20), [this] { return stopped_; });
    }
  }

  std::string path_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopped_ = false;
  bool rescued_ = false;
  std::thread thread_;
};

// Makes a named pipe at `path` and calls `read` on it, watched: the call must neither wait on the
// pipe nor succeed. Returns the message of the `Error` it raised ("" when it raised none).
template <class Error, class Read>
std::string NamedPipeRefusal(const std::string& path, Read read) {
  if (!MakeNamedPipe(path)) {
    ADD_FAILURE() << "no named pipe could be made at " << path;
    return {};
  }
  std::string message;
  PipeWatchdog watchdog(path);
  try {
    read(path);
    ADD_FAILURE() << path << " was read as a file";
  } catch (const Error& e) {
    message = e.what();
  }
  EXPECT_FALSE(watchdog.Stop()) << path << ": the reader waited on the pipe";
  return message;
}

}  // namespace testing_support
