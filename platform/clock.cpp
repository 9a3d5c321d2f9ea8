#include "platform/clock.h"

#include <chrono>

namespace platform {

namespace {
using Steady = std::chrono::steady_clock;

// Taken when the program loads, so ElapsedMilliseconds counts from the start of the run.
ElapsedTimer& ProgramTimer() {
  static ElapsedTimer timer;
  return timer;
}
[[maybe_unused]] const bool kProgramTimerStarted = (ProgramTimer(), true);
}  // namespace

uint64_t TickCount64() {
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(Steady::now().time_since_epoch()).count());
}

int64_t QueryCounter() {
  return static_cast<int64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(Steady::now().time_since_epoch()).count());
}

bool QueryFrequency(int64_t& frequency) {
  frequency = 1000000000;
  return true;
}

ElapsedTimer::ElapsedTimer(TickSource ticks) : ticks_(std::move(ticks)), start_(ticks_()) {}

double ElapsedMilliseconds() { return ProgramTimer().ElapsedMilliseconds(); }

double ElapsedTimer::ElapsedMilliseconds() {
  uint64_t now = ticks_();
  // A scripted source may step back; a steady clock never does. Either way no negative time.
  uint64_t elapsed = now >= start_ ? now - start_ : 0;
  if (elapsed != last_) {
    last_ = elapsed;
    step_ = 0.1;
    return static_cast<double>(elapsed);
  }
  double value = static_cast<double>(elapsed) + step_;
  step_ += 0.1;
  return value;
}

}  // namespace platform
