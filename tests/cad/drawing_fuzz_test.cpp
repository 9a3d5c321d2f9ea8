// Damaged block libraries and object streams fed to the drawing's readers: each is read or refused
// with a clear error, and whatever was read survives the everyday operations. VELKORA_FUZZ_ROUNDS
// sets how many damaged streams each reader gets and VELKORA_FUZZ_SEED where the damage starts
// (longer runs under AddressSanitizer are made by hand).
#include <cstdlib>
#include <functional>
#include <random>

#include "cad/cad_exceptions.h"
#include "cad/curves2d.h"
#include "cad/dxf_write.h"
#include "cad/text2d.h"
#include "drawing_test_support.h"

namespace cad {
namespace {

class DrawingFuzzTest : public DrawingTestBase {};

// A library of two blocks, the second placing the first, and a drawing of several classes placing
// them, as the streams the readers are given.
void MakeStreams(platform::Bytes& library, platform::Bytes& objects) {
  TKQCmp2D drawing;
  TSourceBlock2D* door = AddBlock(drawing, "Door");
  door->AddChild(Line(0, 0, 1, 2));
  door->AddChild(std::make_unique<TArco2D>(-1, Point2D(0, 0), Point2D(1, 0), 0, 2));
  TSourceBlock2D* house = AddBlock(drawing, "House");
  house->AddChild(std::make_unique<TBlock2D>(-1, *door, Point2D(1, 1)));
  platform::ByteWriter w;
  w.Write("KQ-002", 6);
  w.U8(2);
  drawing.SaveBlocks(w, false);
  library = w.Take();

  const TPoint2D poly[] = {Point2D(0, 0), Point2D(4, 1), Point2D(2, 5)};
  drawing.AddObject(-1, Line(0, 0, 10, 5));
  drawing.AddObject(-1, std::make_unique<TBlock2D>(-1, *house, Point2D(3, 3)));
  auto group = std::make_unique<TContainer2D>(-1);
  group->AddChild(std::make_unique<TBlock2D>(-1, *door));
  group->AddChild(std::make_unique<TPolygon2D>(-1, poly));
  drawing.AddObject(-1, std::move(group));
  drawing.AddObject(-1, std::make_unique<TText2D>(-1, Point2D(0, 0), Point2D(9, 3), 2, "abc"));
  drawing.AddObject(-1, std::make_unique<TEllipse2D>(-1, Point2D(0, 0), Point2D(5, 2)));
  objects = SaveObjects(drawing);
}

platform::Bytes Damage(const platform::Bytes& original, std::mt19937& random) {
  platform::Bytes bytes = original;
  const int changes = 1 + int(random() % 4);
  for (int k = 0; k < changes && !bytes.empty(); ++k) {
    const size_t at = random() % bytes.size();
    switch (random() % 6) {
      case 0: bytes[at] = uint8_t(random()); break;
      case 1: bytes[at] ^= uint8_t(1u << (random() % 8)); break;
      case 2: bytes[at] = 0xFF; break;
      case 3: bytes.insert(bytes.begin() + std::ptrdiff_t(at), uint8_t(random())); break;
      case 4: bytes.erase(bytes.begin() + std::ptrdiff_t(at)); break;
      default:
        for (size_t i = at; i < std::min(bytes.size(), at + 4); ++i) bytes[i] = i + 1 == at + 4 ? 0x7F : 0xFF;
    }
  }
  return bytes;
}

// Loads the damaged library into a fresh drawing, then the damaged objects, then uses what came.
void Survive(const platform::Bytes& library, const platform::Bytes& objects) {
  TKQCmp2D drawing;
  for (const auto& load : {std::function<void()>([&] { LoadLibrary(drawing, library); }),
                           std::function<void()>([&] { LoadObjects(drawing, objects); })}) {
    try {
      load();
    } catch (const platform::Exception&) {
      // refused with a clear error; what was read before stays
    }
  }
  drawing.GetExtension(Rect2D(0, 0, 0, 0));
  SaveObjects(drawing);
  platform::ByteWriter blocks;
  drawing.SaveBlocks(blocks, false);
  drawing.TransformObjects(std::vector<int32_t>{-1}, Rotate2D(0.5));
  TDXF2DExport dxf("/dev/null", &drawing);
  dxf.WriteDXF();
  dxf.Finish();
  drawing.ClearObjects();
  try {
    drawing.FreeSourceBlocks();
  } catch (const ECADSourceBlockIsReferenced&) {
  }
}

TEST_F(DrawingFuzzTest, DamagedLibrariesAndObjectStreamsAreReadOrRefusedCleanly) {
  const char* roundsText = std::getenv("VELKORA_FUZZ_ROUNDS");
  const char* seedText = std::getenv("VELKORA_FUZZ_SEED");
  const int rounds = roundsText ? std::atoi(roundsText) : 300;
  std::mt19937 random(seedText ? unsigned(std::atoi(seedText)) : 14u);
  platform::Bytes library, objects;
  MakeStreams(library, objects);
  // Sound streams load whole.
  {
    TKQCmp2D drawing;
    LoadLibrary(drawing, library);
    LoadObjects(drawing, objects);
    ASSERT_EQ(drawing.NumSourceBlocks(), 2);
    ASSERT_EQ(drawing.NumObjects(), 5);
    ASSERT_TRUE(dialogs.messages.empty());
  }
  // Every prefix of each, then random damage.
  for (size_t n = 0; n < library.size(); n += 1 + library.size() / 100)
    Survive(platform::Bytes(library.begin(), library.begin() + std::ptrdiff_t(n)), objects);
  for (size_t n = 0; n < objects.size(); n += 1 + objects.size() / 100)
    Survive(library, platform::Bytes(objects.begin(), objects.begin() + std::ptrdiff_t(n)));
  for (int round = 0; round < rounds; ++round) {
    Survive(Damage(library, random), objects);
    Survive(library, Damage(objects, random));
  }
}

}  // namespace
}  // namespace cad
