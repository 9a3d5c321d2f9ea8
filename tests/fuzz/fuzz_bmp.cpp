// libFuzzer target: BMP files and their header fields.
#include <cstddef>
#include <cstdint>

#include "platform/bmp.h"
#include "platform/exception.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    platform::ReadBmpHeaderInfo(data, size);
  } catch (const platform::Exception&) {
  }
  try {
    platform::Bitmap b = platform::DecodeBmp(data, size);
    if (b.Width() > 0 && b.Height() > 0) (void)b.Pixel(b.Width() - 1, b.Height() - 1);
  } catch (const platform::Exception&) {
  }
  return 0;
}
