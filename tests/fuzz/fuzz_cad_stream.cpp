// libFuzzer target: drawing-object streams as the container reads them (a class slot, then the
// object by its class's stream constructor) into an object list, the list walked, searched and
// changed; layer records; and point sets driven by the bytes.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "cad/cad_exceptions.h"
#include "cad/class_registry.h"
#include "cad/graphic_obj_list.h"
#include "cad/layers.h"
#include "cad/points_set.h"
#include "platform/binary_stream.h"

namespace {

class TFuzzObject : public cad::TGraphicObject {
 public:
  using TGraphicObject::TGraphicObject;
  std::string ClassName() const override { return "TFuzzObject"; }
  void UpdateExtension() override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool registered = [] {
    cad::KQSysRegisterClass(3, cad::GraphicClassOf<TFuzzObject>("TFuzzObject"));
    return true;
  }();
  (void)registered;
  platform::ByteReader in(data, size);
  const std::string tag = size && data[0] & 1 ? "KQ-001" : cad::kCurrentVersionTag;
  cad::TGraphicObjList list;
  try {
    while (in.Remaining() >= 2) {
      const int slot = in.I16();
      list.Add(cad::KQSysFindClassByIndex(slot).CreateFromStream(in, tag).release());
    }
  } catch (const platform::Exception&) {
  }
  {
    auto it = list.GetExclusiveIterator();
    for (cad::TGraphicObject* o = it->First(); o; o = it->Next())
      if (o->ID % 3 == 0) it->RemoveCurrent();
    if (size) it->Search(data[size - 1]);
  }
  try {
    if (size) list.Delete(data[0]);
  } catch (const cad::EKQSysException&) {
  }

  platform::ByteReader layerIn(data, size);
  cad::TLayer layer(1);
  try {
    layer.LoadFromStream(layerIn, tag);  // a short or impossible record is refused whole
  } catch (const platform::Exception&) {
  }
  platform::ByteWriter out;
  layer.SaveToStream(out);

  cad::TPointsSet2D points(static_cast<uint16_t>(size % 7));
  points.GrowingEnabled = size % 2 == 0;
  platform::ByteReader ops(data, size);
  try {
    for (int n = 0; n < 64 && ops.Remaining() >= 5; ++n) {
      const uint8_t op = ops.U8();
      const int32_t index = ops.I32();
      const cad::TPoint2D p{double(op), double(index % 1000), 1};
      try {
        switch (op % 6) {
          case 0: points.PutPoint(index % 4096, p); break;
          case 1: points.Insert(index, p); break;
          case 2: (void)points.GetPoint(index); break;
          case 3: { cad::TPointsSet2D copy(0); copy.CopyPoints(points, index % 8, index); break; }
          case 4: points.Add(p); break;
          default: (void)points.Extension(); break;
        }
      } catch (const cad::ECADOutOfBound&) {
      }
    }
  } catch (const platform::Exception&) {
  }
  return 0;
}
