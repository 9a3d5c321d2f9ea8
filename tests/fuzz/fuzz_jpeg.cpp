// libFuzzer target: JPEG files and the JFIF density helper.
#include <cstddef>
#include <cstdint>

#include "machining/image_helpers.h"
#include "platform/exception.h"
#include "platform/jpeg.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    platform::Bitmap b = platform::DecodeJpeg(data, size);
    if (b.Width() > 0 && b.Height() > 0) (void)b.Pixel(b.Width() - 1, b.Height() - 1);
  } catch (const platform::Exception&) {
  }
  int x = 0, y = 0;
  machining::ReadJpegDensity(platform::Bytes(data, data + size), x, y);
  return 0;
}
