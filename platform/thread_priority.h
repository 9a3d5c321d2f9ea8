// Thread priorities in the seven steps the program speaks of, kept as the calling thread's nice value
// relative to the process's own: Idle +19, Lowest +10, Lower +5, Normal 0, Higher -5, Highest -10,
// TimeCritical -20 (clamped to -20..19). Raising a thread above the process needs privileges; where
// the system refuses, the thread keeps the priority it had.
#pragma once

namespace platform {

enum class ThreadPriority { Idle, Lowest, Lower, Normal, Higher, Highest, TimeCritical };

// The nice value `priority` stands for in this process.
int NiceValue(ThreadPriority priority);
// The kernel's id of the calling thread.
int CurrentThreadId();
// Sets the priority of thread `threadId` (CurrentThreadId of that thread); false when refused.
bool SetThreadPriority(int threadId, ThreadPriority priority);
// The nice value of thread `threadId`.
int ThreadNice(int threadId);

}  // namespace platform
