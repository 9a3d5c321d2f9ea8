// Work spread over the machine's cores: a loop whose iterations are independent runs on every
// hardware thread at once, for the heavy number work (the tool-shape compensation) that would
// otherwise keep one core busy while the others idle.
#pragma once

#include <cstdint>
#include <functional>

namespace platform {

// The number of threads ParallelFor uses: the hardware's, at least 1.
int ParallelThreads();

// Calls body(i) for every i in [0, count), on up to ParallelThreads() threads (the calling one
// included), and returns when all calls are done. Iterations are handed out one at a time, so
// uneven ones balance; no thread is started for fewer than `perThread` iterations (starting one
// costs more than a little work). The first exception thrown by a call is raised again here once
// every thread has stopped; the iterations not yet started are then skipped.
void ParallelFor(int64_t count, const std::function<void(int64_t)>& body, int64_t perThread = 1);
// The same, telling each call which of the threads runs it (0 ... ParallelThreads() - 1), so that
// callers can keep working state per thread.
void ParallelFor(int64_t count, const std::function<void(int64_t, int)>& body, int64_t perThread = 1);

}  // namespace platform
