// The main of a benchmark that needs widgets: Qt's offscreen platform unless another is asked for,
// and numbers with '.' whatever the locale, as the program runs.
#pragma once

#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>

#include "platform/numbers.h"

inline int RunWidgetBenchmarks(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  platform::ForceCNumericLocale();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
