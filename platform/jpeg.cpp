#include "platform/jpeg.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <vector>

// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>
#include <jerror.h>

#include "platform/numbers.h"
#include "platform/texts.h"

namespace platform {

namespace {

// Lines decoded between two growths of the pixel memory.
constexpr size_t kRowsPerBand = 64;

// A progressive file may hold any number of scans, each one a full pass over the picture; more than
// this is no real picture but a way to keep us busy.
constexpr int kMostScans = 500;

// libjpeg is C: an error must not unwind through it as an exception. Its error exit jumps back to
// the setjmp of the routine that called into it; those routines hold only trivially destructible
// locals, and the C++ side (allocation, exceptions) happens outside them.
struct Decoder {
  jpeg_decompress_struct info;
  jpeg_error_mgr errors;
  jpeg_progress_mgr progress;
  jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
  bool created;
};

void ErrorExit(j_common_ptr common) {
  auto* decoder = reinterpret_cast<Decoder*>(common->client_data);
  common->err->format_message(common, decoder->message);
  longjmp(decoder->jump, 1);
}

// Warnings are how libjpeg reports damaged data it papers over (a truncated file comes out grey at
// the bottom); we refuse such files instead, except for stray bytes between markers, which many
// cameras write and which cost no pixel.
void EmitMessage(j_common_ptr common, int level) {
  if (level < 0 && common->err->msg_code != JWRN_EXTRANEOUS_DATA) ErrorExit(common);
}

void LimitScans(j_common_ptr common) {
  auto* info = reinterpret_cast<j_decompress_ptr>(common);
  if (info->input_scan_number > kMostScans) {
    auto* decoder = reinterpret_cast<Decoder*>(common->client_data);
    std::snprintf(decoder->message, sizeof decoder->message, "more than %d scans", kMostScans);
    longjmp(decoder->jump, 1);
  }
}

bool ReadHeaderCore(Decoder* d, const uint8_t* data, size_t size) {
  if (setjmp(d->jump)) return false;
  d->info.err = jpeg_std_error(&d->errors);
  d->errors.error_exit = ErrorExit;
  d->errors.emit_message = EmitMessage;
  jpeg_create_decompress(&d->info);
  d->info.client_data = d;
  d->created = true;
  d->progress.progress_monitor = LimitScans;
  d->info.progress = &d->progress;
  jpeg_mem_src(&d->info, data, static_cast<unsigned long>(size));
  jpeg_read_header(&d->info, TRUE);
  switch (d->info.jpeg_color_space) {
    case JCS_GRAYSCALE:
      d->info.out_color_space = JCS_GRAYSCALE;
      break;
    case JCS_CMYK:
    case JCS_YCCK:
      d->info.out_color_space = JCS_CMYK;
      break;
    default:
      d->info.out_color_space = JCS_RGB;
      break;
  }
  return true;
}

bool StartCore(Decoder* d) {
  if (setjmp(d->jump)) return false;
  jpeg_start_decompress(&d->info);
  return true;
}

// Decodes lines into `pixels` (24 bits, blue green red, `stride` bytes a row) until `rows` lines are
// there or the picture ends, going through `scratch`, one decoded line of up to 4 components.
bool DecodeRowsCore(Decoder* d, uint8_t* pixels, size_t stride, JDIMENSION rows, uint8_t* scratch) {
  if (setjmp(d->jump)) return false;
  const int components = d->info.output_components;
  const bool adobeInverted = d->info.saw_Adobe_marker;
  const JDIMENSION width = d->info.output_width;
  while (d->info.output_scanline < d->info.output_height && d->info.output_scanline < rows) {
    JDIMENSION y = d->info.output_scanline;
    JSAMPROW row = scratch;
    if (jpeg_read_scanlines(&d->info, &row, 1) != 1) ERREXIT(&d->info, JERR_BAD_BUFFER_MODE);
    uint8_t* out = pixels + static_cast<size_t>(y) * stride;
    for (JDIMENSION x = 0; x < width; ++x, out += 3) {
      const uint8_t* in = scratch + static_cast<size_t>(x) * components;
      if (components == 1) {
        out[0] = out[1] = out[2] = in[0];
      } else if (components == 3) {
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
      } else {
        // Adobe writes CMYK inverted (0 = full ink); others store the ink amounts.
        unsigned c = in[0], m = in[1], yy = in[2], k = in[3];
        if (!adobeInverted) {
          c = 255 - c;
          m = 255 - m;
          yy = 255 - yy;
          k = 255 - k;
        }
        out[0] = static_cast<uint8_t>((yy * k + 127) / 255);
        out[1] = static_cast<uint8_t>((m * k + 127) / 255);
        out[2] = static_cast<uint8_t>((c * k + 127) / 255);
      }
    }
  }
  return true;
}

bool FinishCore(Decoder* d) {
  if (setjmp(d->jump)) return false;
  jpeg_finish_decompress(&d->info);
  return true;
}

// Every block of every component costs at least one bit of Huffman code (its DC difference) in a
// sequential file and in the first DC scan of a progressive one. A file too short for its blocks is
// no picture of that size: refusing it first keeps a tiny file from taking the pixel memory, or the
// coefficient memory (128 bytes a block) a progressive file needs before its first line comes out.
// Arithmetic coding has no such floor (a scan may stop early, its end decoding as zeros), so a tiny
// arithmetic file may claim any size; it gets the blocks of its bits or of 8 MB of coefficients,
// whichever is more, which no real photograph comes near.
constexpr uint64_t kArithmeticFreeBlocks = (uint64_t(8) << 20) / 128;

bool FileCanHoldBlocks(const jpeg_decompress_struct& info, size_t size) {
  uint64_t blocks = 0;
  for (int c = 0; c < info.num_components; ++c)
    blocks += static_cast<uint64_t>(info.comp_info[c].width_in_blocks) * info.comp_info[c].height_in_blocks;
  uint64_t most = static_cast<uint64_t>(size) * 8;
  if (info.arith_code) most = std::max(most, kArithmeticFreeBlocks);
  return blocks <= most;
}

class DecoderGuard {
 public:
  DecoderGuard() { decoder_.created = false; }
  ~DecoderGuard() {
    if (decoder_.created) jpeg_destroy_decompress(&decoder_.info);
  }
  Decoder* operator->() { return &decoder_; }
  Decoder* get() { return &decoder_; }

 private:
  Decoder decoder_;
};

[[noreturn]] void Fail(const std::string& why) {
  throw FormatError(TextFormat("1375", "JPEG file cannot be read: %1.", {why}));
}

}  // namespace

Bitmap DecodeJpeg(const uint8_t* data, size_t size) {
  if (size == 0) Fail(Text("1376", "it is empty"));
  DecoderGuard d;
  if (!ReadHeaderCore(d.get(), data, size)) Fail(d->message);
  const jpeg_decompress_struct& info = d->info;
  if (info.num_components != 1 && info.num_components != 3 && info.num_components != 4)
    Fail(TextFormat("1377", "%1 colour components are not supported", {std::to_string(info.num_components)}));
  try {
    CheckBitmapSize(info.image_width, info.image_height);
  } catch (const BitmapError& e) {
    Fail(e.what());
  }
  if (!FileCanHoldBlocks(info, size))
    Fail(TextFormat("1378", "its %1 bytes cannot hold %2 x %3 pixels",
                    {std::to_string(size), std::to_string(info.image_width), std::to_string(info.image_height)}));
  const int width = static_cast<int>(info.image_width);
  const JDIMENSION height = info.image_height;
  const size_t stride = RowStride(width, 24);
  const size_t total = stride * height;
  std::vector<uint8_t> scratch(static_cast<size_t>(width) * 4);
  if (!StartCore(d.get())) Fail(d->message);
  // The pixel memory grows with the lines really decoded, so a damaged file that claims a large
  // picture is refused before it costs more than the lines it holds. Doubling until an eighth of the
  // picture is there, then the whole: a real picture pays for one copy of an eighth.
  std::vector<uint8_t> pixels;
  while (d->info.output_scanline < height) {
    const size_t want = std::min<size_t>(height, d->info.output_scanline + kRowsPerBand) * stride;
    if (want > pixels.size()) {
      size_t grow = std::max(want, 2 * pixels.size());
      if (grow >= total / 8) grow = total;
      pixels.reserve(grow);
      pixels.resize(grow);
    }
    if (!DecodeRowsCore(d.get(), pixels.data(), stride, static_cast<JDIMENSION>(pixels.size() / stride), scratch.data()))
      Fail(d->message);
  }
  if (!FinishCore(d.get())) Fail(d->message);
  Bitmap bitmap(width, static_cast<int>(height), 24, std::move(pixels));
  if (info.saw_JFIF_marker && info.X_density && info.Y_density) {
    if (info.density_unit == 1)
      bitmap.SetResolution(static_cast<int32_t>(Round(info.X_density / 0.0254)),
                           static_cast<int32_t>(Round(info.Y_density / 0.0254)));
    else if (info.density_unit == 2)
      bitmap.SetResolution(info.X_density * 100, info.Y_density * 100);
  }
  return bitmap;
}

Bitmap ReadJpegFile(const std::string& path) { return DecodeImageFile(path, DecodeJpeg); }

}  // namespace platform
