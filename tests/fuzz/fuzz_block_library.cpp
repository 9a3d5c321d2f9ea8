// libFuzzer target: block libraries ("Library.blk") as the program loads them at start-up, the
// blocks then measured, drawn and picked, and the drawing freed.
#include <cstddef>
#include <cstdint>

#include "cad/blocks2d.h"
#include "cad/drawing.h"
#include "cad/entities.h"
#include "platform/canvas.h"
#include "platform/dialogs.h"
#include "platform/exception.h"
#include "platform/stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool started = [] {
    cad::KQSysStartEntities();
    return true;
  }();
  (void)started;
  platform::RecordingDialogs dialogs;
  platform::ScopedDialogs scopedDialogs(&dialogs);
  cad::TKQCmp2D drawing;
  try {
    platform::MemoryStream stream(platform::Bytes(data, data + size));
    drawing.LoadLibrary(stream);
  } catch (const platform::Exception&) {
  }
  platform::Canvas canvas(16, 16);
  cad::TDecorativeCanvas decorative(canvas);
  auto blocks = drawing.SourceBlocksIterator();
  for (cad::TGraphicObject* o = blocks->First(); o; o = blocks->Next()) {
    auto* block = dynamic_cast<cad::TSourceBlock2D*>(o);
    if (!block) continue;
    cad::TBlock2D placed(0, *block);
    placed.UpdateAndNotify();
    placed.Draw(cad::IdentityTransform2D, decorative, cad::Rect2D(0, 0, 16, 16), 0);
    double distance = 0;
    (void)placed.PickTest(cad::Point2D(1, 1), 0.5, distance);
  }
  blocks.reset();
  // The drawing frees its blocks as it goes; blocks that place each other are reported and freed.
  return 0;
}
