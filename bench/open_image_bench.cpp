// Opening a 4000 x 4000 picture through the open command of the main window, up to the picture placed
// in the drawing and the wizard shown: a JPEG (decoded by libjpeg) and a 24-bit BMP; with the window
// shown (1), up to the 2D view painted with the picture, in a 1200 x 880 window. And opening a document
// of a 16384 x 16384 RLE8 picture, the wizard's pages replayed (without their waits) up to the relief.
#include <benchmark/benchmark.h>
#include <jpeglib.h>

#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "bench/widget_bench_main.h"
#include "machining/document_record.h"
#include "machining/tool_shape.h"
#include "platform/binary_stream.h"
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

// A document of a kDocumentSide x kDocumentSide RLE8 picture: each line runs of 255 pixels of greys
// that change along the line and up the picture, then a job's record (no NC file, the post-processor
// loaded kept).
constexpr int kDocumentSide = 16384;

std::string Rle8DocumentFile() {
  const std::string path = Folder() + "/big_rle8.qvx";
  if (std::filesystem::exists(path)) return path;
  constexpr uint32_t kPixelOffset = 14 + 40 + 256 * 4;
  platform::ByteWriter out;
  out.Reserve(size_t(kDocumentSide) * 140 + kPixelOffset + machining::kDocumentRecordSize);
  out.U8('B');
  out.U8('M');
  out.U32(0);  // the file's length, patched below
  out.U32(0);
  out.U32(kPixelOffset);
  out.U32(40);
  out.I32(kDocumentSide);
  out.I32(kDocumentSide);
  out.U16(1);
  out.U16(8);
  out.U32(1);  // RLE8
  out.U32(0);
  out.I32(11811);  // 300 dots per inch
  out.I32(11811);
  out.U32(256);
  out.U32(0);
  for (int i = 0; i < 256; ++i) {
    for (int c = 0; c < 3; ++c) out.U8(static_cast<uint8_t>(i));
    out.U8(0);
  }
  for (int y = 0; y < kDocumentSide; ++y) {
    for (int x = 0; x < kDocumentSide; x += 255) {
      out.U8(static_cast<uint8_t>(std::min(255, kDocumentSide - x)));
      out.U8(static_cast<uint8_t>((x / 255 * 4 + y / 64) & 0xFF));
    }
    out.U8(0);
    out.U8(y + 1 < kDocumentSide ? 0 : 1);  // end of line, end of the picture
  }
  out.PatchU32(2, static_cast<uint32_t>(out.Size()));
  machining::TDocumentRecord record;
  record.width = record.height = 200.0f;
  record.zBlack = -5.0f;
  record.tool.toolNumber = 1;
  record.tool.name = "Ball 6";
  record.tool.toolType = machining::kToolSpherical;
  record.tool.diameter = 6.0f;
  record.tool.cornerRadius = 3.0f;
  record.feedPlane = 3.0f;
  record.maxStepover = 0.5f;
  record.filter = 0.01f;
  record.zStep = 5.0f;
  const platform::Bytes tail = machining::DocumentRecordBytes(record);
  out.Write(tail.data(), tail.size());
  platform::WriteFileBytes(path, out.Data());
  return path;
}

void OpenThroughTheCommand(benchmark::State& state, const std::string& path, int side = kSide) {
  platform::RecordingDialogs dialogs;
  platform::ScopedDialogs scoped(&dialogs);
  app::TfrmMain window;
  window.FormCreate();
  window.SetReplayWait([](int) {});
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
    if (!window.WorkingBitmap() || window.WorkingBitmap()->Width() != side) {
      state.SkipWithError("the picture was not opened");
      break;
    }
  }
}

void BM_OpenJpeg4000(benchmark::State& state) { OpenThroughTheCommand(state, JpegFile()); }
void BM_OpenBmp4000(benchmark::State& state) { OpenThroughTheCommand(state, BmpFile()); }
void BM_OpenRle8Document16384(benchmark::State& state) {
  OpenThroughTheCommand(state, Rle8DocumentFile(), kDocumentSide);
}

BENCHMARK(BM_OpenJpeg4000)->Arg(0)->Arg(1)->ArgName("shown")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenBmp4000)->Arg(0)->Arg(1)->ArgName("shown")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenRle8Document16384)->Arg(0)->ArgName("shown")->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  const int rc = RunWidgetBenchmarks(argc, argv);
  std::filesystem::remove_all(Folder());
  return rc;
}
