// Repainting a 1280 x 1024 2D view: a drawing of 100,000 lines, and a 4000 x 4000 picture stretched
// over the window (the image pages' bitmap entity). Goal: each repaint under 50 ms. The rubber band
// and the cross-hair move on the screen image alone: their benchmarks fail when a move copies the
// buffer (a full repaint would).
#include <benchmark/benchmark.h>

#include <QApplication>

#include <filesystem>
#include <memory>
#include <string>

#include "../tests/cad/chained_library.h"
#include "cad/bitmap2d.h"
#include "cad/drawing.h"
#include "cad/entities.h"
#include "cad/kq_prg2d.h"
#include "cad/primitives2d.h"
#include "cad/viewport2d.h"
#include "platform/binary_stream.h"
#include "platform/stream.h"

namespace {

using namespace cad;

constexpr int kWidth = 1280;
constexpr int kHeight = 1024;

void EnsureApplication() {
  static int argc = 1;
  static char name[] = "bench_viewport";
  static char* argv[] = {name, nullptr};
  if (QApplication::instance()) return;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication app(argc, argv);
}

struct View {
  TKQCmp2D drawing;
  std::unique_ptr<TKQViewport2D> viewport;

  // The drawing is filled first: the viewport joins it when the bench starts measuring.
  void Show() {
    viewport->SetCADCmp(&drawing);
    viewport->ShowWindowRect(Rect2D(0, 0, 1000, 1000));
  }
  View() {
    EnsureApplication();
    KQSysStartEntities();
    viewport = std::make_unique<TKQViewport2D>();
    viewport->resize(kWidth, kHeight);
    viewport->SetAspectRatio(1);
    viewport->ShowWindowRect(Rect2D(0, 0, 1000, 1000));
  }
};

// 100,000 short lines on a 1000 x 1000 field: every one of them in the window.
void AddLines(TKQCmp2D& drawing, int count = 100000) {
  for (int i = 0; i < count; ++i) {
    const double x = (int64_t(i) * 7919) % 1000, y = (int64_t(i) * 104729 / 1000) % 1000;
    drawing.AddObject(-1, std::make_unique<TLine2D>(-1, Point2D(x, y), Point2D(x + 3 + i % 17, y + 2 + i % 13)));
  }
}

void BM_RepaintLines(benchmark::State& state) {
  View view;
  AddLines(view.drawing, int(state.range(0)));
  view.Show();
  for (auto _ : state) view.viewport->Repaint();
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_RepaintLines)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_RepaintBitmap(benchmark::State& state) {
  View view;
  platform::Bitmap picture(4000, 4000, 24);
  for (int y = 0; y < 4000; ++y) {
    uint8_t* row = picture.Row(y);
    for (int x = 0; x < 4000 * 3; ++x) row[x] = uint8_t((x / 3 + y) * (x % 3 + 1));
  }
  view.drawing.AddObject(-1, std::make_unique<TBitmap2D>(-1, picture, Point2D(0, 0), Point2D(1000, 1000)));
  view.Show();
  for (auto _ : state) view.viewport->Repaint();
}
BENCHMARK(BM_RepaintBitmap)->Unit(benchmark::kMillisecond);

// A rubber line drawn and erased again, over the lines drawing: screen image only.
void BM_RubberBandMove(benchmark::State& state) {
  View view;
  AddLines(view.drawing);
  view.Show();
  const uint64_t copies = view.viewport->ScreenCopies();
  int step = 0;
  for (auto _ : state) {
    TLine2D band(-1, Point2D(500, 500), Point2D(step % 1000, (step * 7) % 1000));
    band.UpdateAndNotify();
    view.viewport->DrawRubberObject(band, false);
    view.viewport->DrawRubberObject(band, false);
    ++step;
  }
  if (view.viewport->ScreenCopies() != copies) state.SkipWithError("the rubber band repainted the view");
}
BENCHMARK(BM_RubberBandMove)->Unit(benchmark::kMicrosecond);

// The cross-hair following the pointer (erase at the old place, draw at the new).
void BM_CrossHairMove(benchmark::State& state) {
  View view;
  AddLines(view.drawing);
  view.Show();
  TKQPrg2D prg;
  prg.SetViewport2D(view.viewport.get());
  prg.SetShowCursorCross(true);
  const uint64_t copies = view.viewport->ScreenCopies();
  int step = 0;
  for (auto _ : state) {
    prg.SetCurrentViewportPoint(Point2D(step % 1000, (step * 3) % 1000));
    prg.MoveCursorCross();
    ++step;
  }
  if (view.viewport->ScreenCopies() != copies) state.SkipWithError("the cross-hair repainted the view");
  prg.SetViewport(nullptr);
}
BENCHMARK(BM_CrossHairMove)->Unit(benchmark::kMicrosecond);

// The program opened beside a Library.blk of chained blocks, each placing the one before it twice:
// the library read from its file as at start-up, the last block placed in the drawing, the view
// painted and fitted to it (painted again). 41 blocks hold 2^40 lines in the last, which is too
// large to draw (goal: under a second); 19 blocks, the largest drawn, 2^18 lines and
// 2^19 placements.
void BM_OpenChainedLibraryAndDrawTheLastBlock(benchmark::State& state) {
  KQSysStartEntities();
  const int blocks = int(state.range(0));
  const std::string path = (std::filesystem::temp_directory_path() / "velkora_bench_Library.blk").string();
  platform::WriteFileBytes(path, ChainedLibrary(blocks, 2));
  for (auto _ : state) {
    View view;
    {
      platform::FileStream stream(path, platform::fmOpenRead | platform::fmShareDenyWrite);
      view.drawing.LoadLibrary(stream);
    }
    TSourceBlock2D* last = view.drawing.FindSourceBlock(ChainedBlockName(blocks - 1));
    view.drawing.AddObject(-1, std::make_unique<TBlock2D>(-1, *last));
    view.Show();
    view.viewport->ZoomToExtension();
    benchmark::DoNotOptimize(view.viewport->BufferImage().constBits());
  }
  std::filesystem::remove(path);
}
BENCHMARK(BM_OpenChainedLibraryAndDrawTheLastBlock)->Arg(41)->Arg(19)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
