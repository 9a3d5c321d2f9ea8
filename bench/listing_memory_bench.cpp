// A million-line NC program on the listing page: the listing loaded, then played at speed 10 into the
// 3D toolpath with the window shown, and a frame drawn (at most 400 MB in all); and 200,000 arcs
// played the same way (at most 1000 MB). What the whole process holds is the measure: "peak MB" is
// its peak resident memory (VmHWM, reset before each run), "rss MB" what it holds at the end,
// "window MB" and "loaded MB" what it held with the window shown and with the listing loaded; "load s"
// and "play s" are the two steps' times. LISTING_LINES in the environment gives another length than
// a million (for profiling).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/main_window.h"
#include "bench/memory_peak.h"
#include "bench/widget_bench_main.h"
#include "bench/zigzag_program.h"
#include "platform/numbers.h"
#include "scene3d/stage_viewer.h"

namespace {

QString MillionLines(int lines) { return QString::fromStdString(ZigZagProgram(lines, 1, 400)); }

// Half circles back and forth along X, each drawn as 51 points.
QString Arcs(int arcs) {
  std::string nc = "G0 X0 Y0 Z2\nG1 Z-1\n";
  char line[64];
  for (int i = 0; i < arcs; ++i) {
    std::snprintf(line, sizeof line, "G%d X%d Y%.1f R5\n", i % 2 ? 3 : 2, i % 2 ? 0 : 10, (i % 400) * 0.1);
    nc += line;
  }
  return QString::fromStdString(nc);
}

// `budget` in MB: a run whose peak is above it reports an error.
void LoadAndPlay(benchmark::State& state, QString (*program)(), double budget) {
  for (auto _ : state) {
    state.PauseTiming();
    ResetPeak();
    state.ResumeTiming();
    app::TfrmMain window;
    window.resize(1200, 880);
    window.show();
    QApplication::processEvents();
    auto* listing = window.Find<QPlainTextEdit>("ricIso");
    window.modo3d(true, false);
    window.SetActivePage(app::kPageListing);
    window.tabIsoShow();
    const double shown = StatusMegabytes("VmRSS");
    // Made here, as Calculate makes its text, and dropped once the listing holds it.
    QString text = program();
    QElapsedTimer clock;
    clock.start();
    listing->setPlainText(text);
    text = QString();
    QApplication::processEvents();
    const double load = double(clock.nsecsElapsed()) / 1e9;
    const double loaded = StatusMegabytes("VmRSS");
    clock.restart();
    window.sbtIsoRevClick();
    window.sbtIsoPlayClick();
    window.Viewer3D().RenderFrame();
    const double play = double(clock.nsecsElapsed()) / 1e9;
    state.counters["peak MB"] = StatusMegabytes("VmHWM");
    state.counters["rss MB"] = StatusMegabytes("VmRSS");
    state.counters["window MB"] = shown;
    state.counters["loaded MB"] = loaded;
    state.counters["load s"] = load;
    state.counters["play s"] = play;
    state.counters["lines"] = window.ListingLineCount();
    state.counters["points"] = static_cast<double>(window.ToolpathNodes().size());
    if (state.counters["peak MB"] > budget) state.SkipWithError("the peak is above the budget");
  }
}

QString MillionLineProgram() {
  const char* lines = std::getenv("LISTING_LINES");
  return MillionLines(lines ? std::atoi(lines) : 1000000);
}
QString ArcProgram() { return Arcs(200000); }

void BM_MillionLinesLoadedAndPlayed(benchmark::State& state) { LoadAndPlay(state, &MillionLineProgram, 400.0); }
BENCHMARK(BM_MillionLinesLoadedAndPlayed)->Unit(benchmark::kSecond)->Iterations(1);

void BM_ArcsLoadedAndPlayed(benchmark::State& state) { LoadAndPlay(state, &ArcProgram, 1000.0); }
BENCHMARK(BM_ArcsLoadedAndPlayed)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) { return RunWidgetBenchmarks(argc, argv); }
