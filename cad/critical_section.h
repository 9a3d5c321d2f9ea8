// The locks of the CAD library's object lists: the GUI thread changes a list while the painting
// thread walks it, and the iterator counting they guard keeps the two apart.
#pragma once

#include <mutex>

namespace cad {

class TKQSysSynchroObject {
 public:
  virtual ~TKQSysSynchroObject() = default;
  virtual void Acquire() {}
  virtual void Release() {}
};

// Re-entrant for the thread that holds it.
class TKQSysCriticalSection : public TKQSysSynchroObject {
 public:
  void Acquire() override { mutex_.lock(); }
  void Release() override { mutex_.unlock(); }

 private:
  std::recursive_mutex mutex_;
};

// Holds a synchro object for the length of a scope.
class TKQSysLock {
 public:
  explicit TKQSysLock(TKQSysSynchroObject& object) : object_(object) { object_.Acquire(); }
  ~TKQSysLock() { object_.Release(); }
  TKQSysLock(const TKQSysLock&) = delete;
  TKQSysLock& operator=(const TKQSysLock&) = delete;

 private:
  TKQSysSynchroObject& object_;
};

}  // namespace cad
