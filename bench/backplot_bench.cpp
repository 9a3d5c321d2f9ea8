// The backplot of a 35,000-line NC program (the zig-zag passes Calculate writes, with the odd arc and
// drilling cycle): read and drawn move by move through a recording view, and played by the main
// window at speed 10 (no waits; window messages every 15 lines) through the window's seams, which
// keep every node as the 3D view will be given it.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/main_scene.h"
#include "app/main_window.h"
#include "bench/widget_bench_main.h"
#include "bench/zigzag_program.h"
#include "machining/backplot.h"
#include "platform/numbers.h"
#include "scene3d/stage_viewer.h"

namespace {

constexpr int kLines = 35000;

std::string MakeProgram(int lines) { return ZigZagProgram(lines, 10, 0); }

const std::string& Program() {
  static const std::string text = MakeProgram(kLines);
  return text;
}

std::vector<std::string> Lines(const std::string& text = Program()) {
  std::vector<std::string> lines;
  for (size_t at = 0; at < text.size();) {
    const size_t end = text.find('\n', at);
    lines.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  return lines;
}

class RecordingView : public machining::BackplotView {
 public:
  std::vector<machining::BackplotNode> nodes;
  void AddNode(bool, float x, float y, float z) override { nodes.push_back({x, y, z}); }
  void AddArc(float cx, float cy, float z, float radius, float startAngle, float stopAngle, int count) override {
    for (const auto& node : machining::ArcNodes(cx, cy, z, radius, startAngle, stopAngle, count)) nodes.push_back(node);
  }
  void MoveTool(float, float, float) override {}
  void DrawLine(uint32_t, double, double, double, double) override {}
  void DrawArc(uint32_t, double, double, double, double, double) override {}
  void DrawPoint(uint32_t, double, double) override {}
};

void BM_BackplotReadAndDraw(benchmark::State& state) {
  const std::vector<std::string> lines = Lines();
  size_t nodes = 0;
  for (auto _ : state) {
    machining::Backplot plot;
    plot.Reset(machining::PostProcessorSettings(), "2");
    RecordingView view;
    view.nodes.reserve(lines.size() + 1000);
    for (const std::string& line : lines)
      if (plot.Read(line)) plot.Draw3D(view, plot.Move(), true);
    nodes = view.nodes.size();
    benchmark::DoNotOptimize(view.nodes.data());
  }
  state.counters["lines"] = static_cast<double>(lines.size());
  state.counters["nodes"] = static_cast<double>(nodes);
  state.counters["lines/s"] =
      benchmark::Counter(static_cast<double>(lines.size()), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_BackplotReadAndDraw)->Unit(benchmark::kMillisecond);

// Simulate at speed 10 on the listing page, from Rewind to the last line; the window hidden (0) or
// shown (1), when the listing repaints at every round of messages.
void BM_SimulateAtSpeed10(benchmark::State& state) {
  app::TfrmMain window;
  if (state.range(0)) {
    window.show();
    QApplication::processEvents();
  }
  auto* listing = window.Find<QPlainTextEdit>("ricIso");
  listing->setPlainText(QString::fromStdString(Program()));
  window.modo3d(true, false);
  window.SetActivePage(app::kPageListing);
  window.tabIsoShow();
  for (auto _ : state) {
    window.sbtIsoRevClick();
    window.sbtIsoPlayClick();
  }
  state.counters["lines"] = window.ListingLineCount();
  state.counters["nodes"] = static_cast<double>(window.ToolpathNodes().size());
}
BENCHMARK(BM_SimulateAtSpeed10)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Simulate at speed 10 right after Calculate: a 50,000-line program whose path Calculate has drawn
// (a node per line already in the 3D view), played from the start in a 1200 x 880 window.
void BM_SimulateAfterCalculate(benchmark::State& state) {
  static const std::string program = MakeProgram(50000);
  app::TfrmMain window;
  window.resize(1200, 880);
  window.show();
  QApplication::processEvents();
  auto* listing = window.Find<QPlainTextEdit>("ricIso");
  listing->setPlainText(QString::fromStdString(program));
  window.modo3d(true, false);
  window.SetActivePage(app::kPageListing);
  window.tabIsoShow();
  machining::Backplot plot;
  plot.Reset(machining::PostProcessorSettings(), "2");
  RecordingView calculated;
  for (const std::string& line : Lines(program))
    if (plot.Read(line)) plot.Draw3D(calculated, plot.Move(), false);
  for (auto _ : state) {
    state.PauseTiming();
    window.Scene().ClearToolpath();
    for (const machining::BackplotNode& node : calculated.nodes) window.Scene().AddToolpathNode(false, node.x, node.y, node.z);
    window.Viewer3D().RenderFrame();
    listing->moveCursor(QTextCursor::Start);
    state.ResumeTiming();
    window.sbtIsoPlayClick();
  }
  state.counters["lines"] = window.ListingLineCount();
  state.counters["nodes"] = static_cast<double>(window.ToolpathNodes().size());
}
BENCHMARK(BM_SimulateAfterCalculate)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) { return RunWidgetBenchmarks(argc, argv); }
