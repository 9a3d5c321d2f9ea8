// The process's resident memory as /proc/self/status tells it, for the benchmarks that measure a peak.
#pragma once

#include <malloc.h>

#include <cstdlib>
#include <fstream>
#include <string>

// The value of a "Name:   123 kB" line of /proc/self/status, in MB.
inline double StatusMegabytes(const std::string& name) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind(name + ":", 0) == 0) return std::strtod(line.c_str() + name.size() + 1, nullptr) / 1024.0;
  return 0.0;
}

// Starts the peak resident memory (VmHWM) afresh from what the process holds now, the heap's free
// memory given back first so an earlier run's leftovers do not count.
inline void ResetPeak() {
  malloc_trim(0);
  std::ofstream("/proc/self/clear_refs") << "5";
}
