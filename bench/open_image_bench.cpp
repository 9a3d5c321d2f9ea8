// Opening a 4000 x 4000 picture through the open command of the main window, up to the picture placed
// in the drawing and the wizard shown: a JPEG (decoded by libjpeg) and a 24-bit BMP; with the window
// shown (1), up to the 2D view painted with the picture, in a 1200 x 880 window.
#include <benchmark/benchmark.h>
#include <jpeglib.h>

#include <QApplication>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "bench/widget_bench_main.h"
#include "platform/bmp.h"
#include "platform/dialogs.h"
#include "platform/files.h"

namespace {

constexpr int kSide = 4000;

std::string Folder() {
  static const std::string folder = [] {
    const auto path = std::filesystem::temp_directory_path() / ("velkora_open_bench_" + std::to_string(::getpid()));
    std::filesystem::create_directories(path);
    return path.string();
  }();
  return folder;
}

// A picture with some structure: rings of grey over a colour gradient.
uint8_t Channel(int x, int y, int c) { return static_cast<uint8_t>((x * (c + 1) + y * (3 - c) + (x ^ y)) & 0xFF); }

std::string BmpFile() {
  const std::string path = Folder() + "/big.bmp";
  if (!std::filesystem::exists(path)) {
    platform::Bitmap bitmap(kSide, kSide, 24);
    for (int y = 0; y < kSide; ++y) {
      uint8_t* row = bitmap.Row(y);
      for (int x = 0; x < kSide; ++x)
        for (int c = 0; c < 3; ++c) row[3 * x + c] = Channel(x, y, c);
    }
    platform::WriteBmpFile(path, bitmap);
  }
  return path;
}

std::string JpegFile() {
  const std::string path = Folder() + "/big.jpg";
  if (std::filesystem::exists(path)) return path;
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return path;
  jpeg_compress_struct info{};
  jpeg_error_mgr error{};
  info.err = jpeg_std_error(&error);
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, file);
  info.image_width = kSide;
  info.image_height = kSide;
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 90, TRUE);
  info.density_unit = 1;  // dots per inch
  info.X_density = info.Y_density = 300;
  jpeg_start_compress(&info, TRUE);
  std::vector<uint8_t> line(3 * kSide);
  while (info.next_scanline < info.image_height) {
    const int y = static_cast<int>(info.next_scanline);
    for (int x = 0; x < kSide; ++x)
      for (int c = 0; c < 3; ++c) line[3 * x + c] = Channel(x, y, 2 - c);
    JSAMPROW row = line.data();
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::fclose(file);
  return path;
}

void OpenThroughTheCommand(benchmark::State& state, const std::string& path) {
  platform::RecordingDialogs dialogs;
  platform::ScopedDialogs scoped(&dialogs);
  app::TfrmMain window;
  window.FormCreate();
  const bool shown = state.range(0) != 0;
  if (shown) {
    window.resize(1200, 880);
    window.show();
    QApplication::processEvents();
  }
  for (auto _ : state) {
    dialogs.fileNames = {path};
    dialogs.answers = {platform::Answer::Yes};  // discard the picture of the last round
    window.sbtOpenClick();
    if (shown) window.repaint();  // the 2D view among the rest, painted at once
    if (!window.WorkingBitmap() || window.WorkingBitmap()->Width() != kSide) {
      state.SkipWithError("the picture was not opened");
      break;
    }
  }
}

void BM_OpenJpeg4000(benchmark::State& state) { OpenThroughTheCommand(state, JpegFile()); }
void BM_OpenBmp4000(benchmark::State& state) { OpenThroughTheCommand(state, BmpFile()); }

BENCHMARK(BM_OpenJpeg4000)->Arg(0)->Arg(1)->ArgName("shown")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenBmp4000)->Arg(0)->Arg(1)->ArgName("shown")->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  const int rc = RunWidgetBenchmarks(argc, argv);
  std::filesystem::remove_all(Folder());
  return rc;
}
