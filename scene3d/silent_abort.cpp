#include "scene3d/silent_abort.h"

namespace scene3d {

namespace {

// One slot per thread: callbacks run on the thread that made the C call.
std::exception_ptr& PendingCallbackException() {
  thread_local std::exception_ptr pending;
  return pending;
}

}  // namespace

void SilentAbort() { throw EAbort(); }

bool CatchSilentAbort(const std::function<void()>& work) {
  try {
    work();
    return true;
  } catch (const EAbort&) {
    return false;
  }
}

void GuardCallback(const std::function<void()>& body) noexcept {
  try {
    body();
  } catch (...) {
    if (!PendingCallbackException()) PendingCallbackException() = std::current_exception();
  }
}

void CallThroughC(const std::function<void()>& call) {
  // A slot left over from a callback outside any CallThroughC must not be blamed on this call.
  PendingCallbackException() = nullptr;
  call();
  std::exception_ptr pending = PendingCallbackException();
  PendingCallbackException() = nullptr;
  if (pending) std::rethrow_exception(pending);
}

}  // namespace scene3d
