// libFuzzer target: GIF pictures read whole, each frame's bitmap built, and the picture written and
// read back: what was read must be written, and what was written must read, every frame with
// pixels still a frame.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "gif/gif_exception.h"
#include "gif/gif_image.h"
#include "gif/sub_image.h"
#include "platform/binary_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  gif::TGIFImage image;
  image.OnWarning = [](gif::TGIFImage&, const gif::TGIFItem*, gif::TGIFSeverity, const std::string&) {};
  try {
    platform::ByteReader reader(data, size);
    image.LoadFromStream(reader);
  } catch (const gif::GIFException&) {
    return 0;
  }
  try {
    for (int i = 0; i < image.Images().Count(); ++i) (void)image.Images()[i]->Bitmap();
  } catch (const gif::GIFException&) {
  }
  platform::ByteWriter out;
  try {
    image.SaveToStream(out);
  } catch (const gif::GIFException&) {
    return 0;  // e.g. a frame whose index is not in its colour map
  }
  gif::TGIFImage back;
  back.OnWarning = image.OnWarning;
  platform::ByteReader again(out.Data());
  back.LoadFromStream(again);
  // Every frame with pixels is written as a frame; a frame of extensions alone joins the next one.
  int withPixels = 0;
  for (int i = 0; i < image.Images().Count(); ++i) withPixels += image.Images()[i]->Empty() ? 0 : 1;
  if (back.Images().Count() < withPixels || back.Images().Count() > image.Images().Count()) std::abort();
  return 0;
}
