#include "platform/thread_priority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace platform {

namespace {
int ProcessNice() {
  errno = 0;
  const int nice = getpriority(PRIO_PROCESS, id_t(getpid()));
  return errno ? 0 : nice;
}
}  // namespace

int NiceValue(ThreadPriority priority) {
  int offset = 0;
  switch (priority) {
    case ThreadPriority::Idle: offset = 19; break;
    case ThreadPriority::Lowest: offset = 10; break;
    case ThreadPriority::Lower: offset = 5; break;
    case ThreadPriority::Normal: offset = 0; break;
    case ThreadPriority::Higher: offset = -5; break;
    case ThreadPriority::Highest: offset = -10; break;
    case ThreadPriority::TimeCritical: offset = -20; break;
  }
  return std::clamp(ProcessNice() + offset, -20, 19);
}

int CurrentThreadId() { return int(syscall(SYS_gettid)); }

bool SetThreadPriority(int threadId, ThreadPriority priority) {
  // On Linux a thread id names that one thread for PRIO_PROCESS.
  return setpriority(PRIO_PROCESS, id_t(threadId), NiceValue(priority)) == 0;
}

int ThreadNice(int threadId) {
  errno = 0;
  const int nice = getpriority(PRIO_PROCESS, id_t(threadId));
  return errno ? 0 : nice;
}

}  // namespace platform
