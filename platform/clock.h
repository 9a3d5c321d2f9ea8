// The program's clocks, all on the system's steady clock: never moved by the time of day, a change of
// time zone or daylight saving, and never wrapping. The rendering log, frame timing and the scene's
// elapsed time read these and nothing else, so their figures agree.
#pragma once

#include <cstdint>
#include <functional>

namespace platform {

// Milliseconds on the steady clock since an arbitrary start (fixed for the run).
uint64_t TickCount64();

// The high-resolution counter in ticks, and its ticks per second (the counter always exists here,
// so QueryFrequency answers true).
int64_t QueryCounter();
bool QueryFrequency(int64_t& frequency);

// Milliseconds since the timer was made, as a double. Calls within the same millisecond still return
// strictly increasing values: the second adds 0.1 to the millisecond, the third 0.2, and so on, so
// events stamped in one millisecond keep their order.
class ElapsedTimer {
 public:
  using TickSource = std::function<uint64_t()>;
  // `ticks` gives milliseconds; tests pass a scripted one.
  explicit ElapsedTimer(TickSource ticks = TickCount64);

  double ElapsedMilliseconds();

 private:
  TickSource ticks_;
  uint64_t start_;
  uint64_t last_ = UINT64_MAX;  // no call yet
  double step_ = 0.1;
};

// Milliseconds since the program started (ElapsedTimer semantics).
double ElapsedMilliseconds();

}  // namespace platform
