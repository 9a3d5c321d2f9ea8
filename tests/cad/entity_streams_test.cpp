// Every entity class read and written through the class register, and damaged records of every
// class fed to the reader. VELKORA_FUZZ_ROUNDS sets how many damaged records each class gets and
// VELKORA_FUZZ_SEED where the damage starts (longer runs under AddressSanitizer are made by hand).
#include <cstdlib>
#include <cstring>
#include <limits>
#include <numbers>
#include <random>

#include "cad/bitmap2d.h"
#include "cad/blocks2d.h"
#include "cad/class_registry.h"
#include "cad/curves2d.h"
#include "cad/kq_bspline2d.h"
#include "cad/text2d.h"
#include "cad/vect_text2d.h"
#include "entity_test_support.h"

namespace cad {
namespace {

class EntityStreamsTest : public EntitiesTest {};

// One object of every registered class, in class-id order, with some data of its own.
std::vector<std::unique_ptr<TObject2D>> OneOfEach(TSourceBlock2D& source) {
  std::vector<std::unique_ptr<TObject2D>> all;
  const TPoint2D poly[] = {Point2D(0, 0), Point2D(4, 1), Point2D(2, 5)};
  auto group = std::make_unique<TContainer2D>(1);
  group->AddChild(std::make_unique<TLine2D>(2, Point2D(0, 0), Point2D(1, 1)));
  group->AddChild(std::make_unique<TCerchio2D>(3, Point2D(0, 0), Point2D(1, 0)));
  all.push_back(std::move(group));
  auto block = std::make_unique<TSourceBlock2D>(4, "Window");
  block->AddChild(std::make_unique<TPolygon2D>(5, poly));
  block->IsLibraryBlock = true;
  all.push_back(std::move(block));
  all.push_back(std::make_unique<TBlock2D>(6, source, Point2D(2, 3)));
  all.push_back(std::make_unique<TLine2D>(7, Point2D(1, 2), Point2D(3, 4)));
  all.push_back(std::make_unique<TPolyline2D>(8, poly));
  all.push_back(std::make_unique<TPolygon2D>(9, poly));
  all.push_back(std::make_unique<TRectangle2D>(10, Point2D(0, 0), Point2D(3, 2)));
  auto open = std::make_unique<TEllipseOpen2D>(11);
  open->Assign(TEllipse2D(0, Point2D(0, 0), Point2D(6, 2)));
  all.push_back(std::move(open));
  all.push_back(std::make_unique<TEllipse2D>(12, Point2D(0, 0), Point2D(5, 2)));
  all.push_back(std::make_unique<TFilledEllipse2D>(13, Point2D(0, 0), Point2D(2, 5)));
  auto text = std::make_unique<TText2D>(14, Point2D(0, 0), Point2D(30, 10), 4, "Velkora");
  text->FormatFlags = platform::DT_CENTER | platform::DT_SINGLELINE;
  text->DrawBox = true;
  all.push_back(std::move(text));
  all.push_back(std::make_unique<TFrame2D>(15, Point2D(1, 1), Point2D(3, 2)));
  platform::Bitmap picture(3, 2, 8);
  picture.SetIndex(1, 1, 200);
  auto bitmap = std::make_unique<TBitmap2D>(16, picture, Point2D(0, 0), Point2D(3, 2));
  bitmap->CopyMode = int32_t(platform::SRCINVERT);
  bitmap->Reserved1 = 0.5;
  all.push_back(std::move(bitmap));
  all.push_back(std::make_unique<TBSpline2D>(17, poly));
  auto vect = std::make_unique<TJustifiedVectText2D>(18, Point2D(0, 0), Point2D(8, 2), nullptr, 1.5, "Ab\r\nc");
  vect->HJustification = TJustifiedVectText2D::kHCentre;
  vect->InterLine = 0.25;
  all.push_back(std::move(vect));
  all.push_back(std::make_unique<TPunto2D>(19, Point2D(7, 7)));
  all.push_back(std::make_unique<TCerchio2D>(20, Point2D(1, 1), Point2D(2, 1)));
  all.push_back(std::make_unique<TArco2D>(21, Point2D(0, 0), Point2D(2, 0), 0.25, 2.5));
  all.push_back(std::make_unique<TFilledCerchio2D>(22, Point2D(0, 0), Point2D(0, 3)));
  const double knots[] = {0, 0, 0, 1, 2, 2, 2};
  const double weights[] = {1, 2, 1, 0.5};
  const TPoint2D four[] = {Point2D(0, 0), Point2D(1, 3), Point2D(4, 3), Point2D(5, 0)};
  all.push_back(std::make_unique<TKQBSpline2D>(23, four, 2, knots, weights));
  return all;
}

TEST_F(EntityStreamsTest, EveryClassIsRegisteredUnderItsIdAndRoundTrips) {
  TSourceBlock2D source(0, "Door");
  source.AddChild(std::make_unique<TLine2D>(1, Point2D(0, 0), Point2D(1, 0)));
  source.UpdateAndNotify();
  auto all = OneOfEach(source);
  ASSERT_EQ(all.size(), 20u);
  for (int id = 0; id < 20; ++id) {
    TObject2D& object = *all[size_t(id)];
    object.Layer = uint8_t(id * 3);
    object.SetTransform(MultiplyTransform2D(Rotate2D(0.1 * id), Translate2D(id, -id)));
    EXPECT_EQ(KQSysFindClassIndex(object.ClassName()), id) << object.ClassName();
    const platform::Bytes record = RecordOf(object);
    EXPECT_EQ(record[0], id);
    auto back = ReadRecord(record);
    EXPECT_EQ(back->ClassName(), object.ClassName());
    EXPECT_EQ(back->Layer, object.Layer);
    EXPECT_EQ(RecordOf(*back), record) << object.ClassName() << " reads back byte for byte";
    // A copy made the way groups copy their children covers the same ground.
    auto copy = object.NewInstance(object.ID);
    copy->Assign(object);
    EXPECT_EQ(copy->ClassName(), object.ClassName());
    EXPECT_EQ(copy->Extents(), object.Extents()) << object.ClassName() << " copied";
  }
  // Starting the library again gives the same register.
  KQSysStartEntities();
  EXPECT_EQ(KQSysFindClassByIndex(19).Name, "TKQBSpline2D");
  EXPECT_THROW(KQSysFindClassByIndex(20), ECADObjClassNotFound);
}

// Reads a damaged record; anything that loads must survive the everyday operations.
void Survive(const platform::Bytes& bytes, TGraphicObjList& sources) {
  platform::ByteReader r(bytes);
  std::unique_ptr<TObject2D> object;
  try {
    object = KQSysReadObject2D(r, "KQ-002");
    object->UpdateAndNotify();
    if (auto* group = dynamic_cast<TContainer2D*>(object.get())) {
      auto it = sources.GetIterator();
      group->ResolveBlockReferences(*it);
    } else if (auto* block = dynamic_cast<TBlock2D*>(object.get())) {
      auto it = sources.GetIterator();
      block->UpdateReference(*it);
    }
  } catch (const platform::Exception&) {
    return;  // refused with a clear error
  }
  platform::Canvas canvas(32, 32);
  TDecorativeCanvas dc(canvas);
  object->ShowBoundingBox = true;
  object->Draw(Scale2D(3, 3), dc, Rect2D(0, 0, 32, 32), 0);
  object->DrawControlPoints(Scale2D(3, 3), dc, Rect2D(0, 0, 32, 32), 4);
  double d;
  object->PickTest(Point2D(1, 1), 0.5, d);
  object->IsVisible(Rect2D(0, 0, 10, 10), 0);
  if (auto* outline = dynamic_cast<TOutline2D*>(object.get())) outline->IsClosed();
  if (auto* arc = dynamic_cast<TArco2D*>(object.get())) arc->PointAtFraction(0.5);
  try {
    RecordOf(*object);
  } catch (const platform::Exception&) {
  }
}

TEST_F(EntityStreamsTest, DamagedRecordsOfEveryClassAreReadOrRefusedCleanly) {
  const char* roundsText = std::getenv("VELKORA_FUZZ_ROUNDS");
  const char* seedText = std::getenv("VELKORA_FUZZ_SEED");
  const int rounds = roundsText ? std::atoi(roundsText) : 150;
  KQSysFontRegister().RegisterFont(0, std::make_unique<TVectFont>());
  TGraphicObjList sources;
  auto* source = new TSourceBlock2D(0, "Door");
  sources.Add(source);
  auto all = OneOfEach(*source);
  std::mt19937 random(seedText ? unsigned(std::atoi(seedText)) : 2024u);
  for (auto& object : all) {
    const platform::Bytes record = RecordOf(*object);
    // Every prefix.
    for (size_t n = 0; n < record.size(); n += 1 + record.size() / 200)
      Survive(platform::Bytes(record.begin(), record.begin() + std::ptrdiff_t(n)), sources);
    // Bytes changed at random, a few at a time; counts and sizes set to extremes.
    for (int round = 0; round < rounds; ++round) {
      platform::Bytes bytes = record;
      const int changes = 1 + int(random() % 4);
      for (int k = 0; k < changes; ++k) {
        const size_t at = 2 + random() % (bytes.size() - 2);
        switch (random() % 6) {
          case 0: bytes[at] = uint8_t(random()); break;
          case 1: bytes[at] ^= uint8_t(1u << (random() % 8)); break;
          case 2: bytes[at] = 0xFF; break;
          case 3: bytes.insert(bytes.begin() + std::ptrdiff_t(at), uint8_t(random())); break;
          case 4: if (bytes.size() > 3) bytes.erase(bytes.begin() + std::ptrdiff_t(at)); break;
          default:
            for (size_t i = at; i < std::min(bytes.size(), at + 4); ++i) bytes[i] = i + 1 == at + 4 ? 0x7F : 0xFF;
        }
      }
      Survive(bytes, sources);
    }
  }
  EXPECT_EQ(source->RefCount(), 1) << "placements read and freed give their references back";
}

TEST_F(EntityStreamsTest, CountsBeyondTheBytesPresentAreRefused) {
  TText2D text(1, Point2D(0, 0), Point2D(1, 1), 1, "abc");
  platform::Bytes record = RecordOf(text);
  const size_t lengthAt = 2 + 6 + 72 + 2 + 48 + 1;
  record[lengthAt + 3] = 0x7F;
  platform::ByteReader r(record);
  EXPECT_EQ(ErrorText<ECADFileNotValid>([&] { KQSysReadObject2D(r, "KQ-002"); }),
            "TText2D.CreateFromStream: Text length count out of bounds");

  TContainer2D group(2);
  platform::Bytes children = RecordOf(group);
  children[children.size() - 2] = 0x10;  // about a million children in a handful of bytes
  platform::ByteReader g(children);
  EXPECT_EQ(ErrorText<ECADFileNotValid>([&] { KQSysReadObject2D(g, "KQ-002"); }),
            "TContainer2D.CreateFromStream: Child count out of bounds");

  // Points that are no finite numbers (they would draw at pixel 0 and poison every extent).
  TGraphicObjList sources;
  auto* door = new TSourceBlock2D(0, "Door");
  sources.Add(door);
  TLine2D line(3, Point2D(1, 2), Point2D(3, 4));
  TBlock2D placed(4, *door, Point2D(2, 3));
  const platform::Bytes lineRecord = RecordOf(line), blockRecord = RecordOf(placed);
  const size_t firstPointAt = 2 + 6 + 72 + 2;
  const struct {
    const platform::Bytes& record;
    size_t at;
    double value;
    const char* where;
  } points[] = {
      {lineRecord, firstPointAt, std::numeric_limits<double>::quiet_NaN(), "TPrimitive2D"},
      {lineRecord, firstPointAt + 24 + 8, -std::numeric_limits<double>::infinity(), "TPrimitive2D"},
      {lineRecord, firstPointAt + 24 + 16, std::numeric_limits<double>::infinity(), "TPrimitive2D"},
      {blockRecord, blockRecord.size() - 16, std::numeric_limits<double>::quiet_NaN(), "TBlock2D"},
  };
  for (const auto& c : points) {
    platform::Bytes damaged = c.record;
    std::memcpy(damaged.data() + c.at, &c.value, sizeof c.value);
    platform::ByteReader d(damaged);
    EXPECT_EQ(ErrorText<ECADFileNotValid>([&] { KQSysReadObject2D(d, "KQ-002"); }),
              std::string(c.where) + ".CreateFromStream: A point is not a finite number")
        << c.where << " byte " << c.at;
  }

  // A record that is not a 2D object cannot be a child.
  platform::ByteWriter w;
  w.I16(600);
  const platform::Bytes unknown = w.Take();
  platform::ByteReader u(unknown);
  EXPECT_THROW(KQSysReadObject2D(u, "KQ-002"), ECADOutOfBound);
}

}  // namespace
}  // namespace cad
