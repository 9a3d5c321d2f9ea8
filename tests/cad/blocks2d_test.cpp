#include "cad/blocks2d.h"

#include <limits>

#include "cad/cad_exceptions.h"
#include "cad/curves2d.h"
#include "cad/primitives2d.h"
#include "entity_test_support.h"

namespace cad {
namespace {

class Blocks2DTest : public EntitiesTest {};

// A line that notes the pen it was drawn with and then spoils the canvas's pen and brush.
class PenSpoilingLine : public TLine2D {
 public:
  using TLine2D::TLine2D;
  void Draw(const TTransform2D& view, TDecorativeCanvas& canvas, const TRect2D& clip, int mode) override {
    seen.push_back(canvas.Canvas().GetPen().Color);
    TLine2D::Draw(view, canvas, clip, mode);
    canvas.Canvas().SetPen(platform::Pen{platform::clRed});
    canvas.Canvas().SetBrush(platform::Brush{platform::clLime});
  }
  static inline std::vector<platform::TColor> seen;
};

std::unique_ptr<TContainer2D> TwoLines(int32_t id) {
  auto group = std::make_unique<TContainer2D>(id);
  group->AddChild(std::make_unique<TLine2D>(10, Point2D(0, 0), Point2D(10, 0)));
  group->AddChild(std::make_unique<TLine2D>(11, Point2D(0, 5), Point2D(10, 5)));
  group->UpdateAndNotify();
  return group;
}

TEST_F(Blocks2DTest, ContainerExtentsPickingAndDrawing) {
  auto group = TwoLines(1);
  EXPECT_EQ(group->Extents(), Rect2D(0, 0, 10, 5));
  double d;
  EXPECT_EQ(group->PickTest(Point2D(5, 5.1), 0.5, d), 11) << "a container answers the picked child's ID";
  EXPECT_NEAR(d, 0.1, 1e-12);
  EXPECT_EQ(group->PickTest(Point2D(5, 2.5), 0.5, d), PICK_INBBOX);
  EXPECT_EQ(d, 1.0) << "the best distance starts at twice the aperture";
  EXPECT_EQ(group->PickTest(Point2D(20, 2), 0.5, d), PICK_NOOBJECT);

  group->SetTransform(Translate2D(100, 0));
  EXPECT_EQ(group->Extents(), Rect2D(100, 0, 110, 5));
  EXPECT_EQ(group->PickTest(Point2D(105, 0.2), 0.5, d), 10) << "the pick point is brought into the group";
  EXPECT_EQ(TContainer2D(2).Extents(), Rect2D(0, 0, 0, 0));

  // Every child starts from the container's pen and brush, and is drawn through its transform.
  TContainer2D spoiled(3);
  spoiled.AddChild(std::make_unique<PenSpoilingLine>(1, Point2D(1, 1), Point2D(8, 1)));
  spoiled.AddChild(std::make_unique<PenSpoilingLine>(2, Point2D(1, 3), Point2D(8, 3)));
  spoiled.SetTransform(Translate2D(0, 2));
  platform::Canvas c(10, 10);
  c.SetPen(platform::Pen{platform::clBlue});
  TDecorativeCanvas dc(c);
  PenSpoilingLine::seen.clear();
  spoiled.Draw(IdentityTransform2D, dc, Rect2D(0, 0, 10, 10), 0);
  EXPECT_EQ(PenSpoilingLine::seen, (std::vector<platform::TColor>{platform::clBlue, platform::clBlue}));
  EXPECT_EQ(c.GetPixel(4, 3), platform::clBlue);
  EXPECT_EQ(c.GetPixel(4, 5), platform::clBlue);
  EXPECT_EQ(c.GetPixel(4, 1), platform::clWhite);
}

TEST_F(Blocks2DTest, ContainerCopiesAndStreamsItsChildren) {
  auto group = TwoLines(1);
  group->AddChild(std::make_unique<TCerchio2D>(12, Point2D(0, 0), Point2D(1, 0)));
  group->UpdateAndNotify();
  TContainer2D copy(2);
  copy.AddChild(std::make_unique<TLine2D>(99, Point2D(0, 0), Point2D(1, 1)));
  copy.Assign(*group);
  ASSERT_EQ(copy.Objects().Count(), 3) << "the own children are replaced";
  {
    auto it = copy.Objects().GetIterator();
    EXPECT_EQ(it->First()->ID, 10);
    EXPECT_EQ(it->Next()->ClassName(), "TLine2D");
    EXPECT_EQ(it->Next()->ClassName(), "TCerchio2D");
  }
  EXPECT_EQ(copy.Extents(), group->Extents());

  // The record holds the children with their class ids and reads back byte for byte.
  const platform::Bytes record = RecordOf(*group);
  EXPECT_EQ(record[0], 0) << "class id of TContainer2D";
  std::unique_ptr<TObject2D> back = ReadRecord(record);
  EXPECT_EQ(RecordOf(*back), record);
  EXPECT_EQ(back->Extents(), group->Extents());

  // A source whose list is held exclusively refuses, and the target keeps its children.
  auto exclusive = group->Objects().GetExclusiveIterator();
  EXPECT_EQ(ErrorText<ECADListBlocked>([&] { copy.Assign(*group); }),
            "TContainer2D.Assign: The list has an exclusive iterator.");
  EXPECT_EQ(copy.Objects().Count(), 3);
}

TEST_F(Blocks2DTest, NestedGroupsInAStreamAreBounded) {
  // A container of a container of ... one level deeper than allowed.
  platform::ByteWriter w;
  const int depth = TContainer2D::kMaxNesting + 1;
  for (int i = 0; i < depth; ++i) {
    w.I16(0);
    w.I32(i);
    w.U8(0);
    w.U8(0x03);
    for (double v : {1.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 1.0}) w.F64(v);
    w.I32(i + 1 < depth ? 1 : 0);
  }
  const platform::Bytes deep = w.Take();
  platform::ByteReader r(deep);
  EXPECT_EQ(ErrorText<ECADFileNotValid>([&] { KQSysReadObject2D(r, "KQ-002"); }),
            "TContainer2D.CreateFromStream: Groups nested too deeply");
}

TEST_F(Blocks2DTest, PlacementsCountTheirSourceBlock) {
  TGraphicObjList sources;
  auto* house = new TSourceBlock2D(1, "House");
  house->AddChild(std::make_unique<TFrame2D>(1, Point2D(0, 0), Point2D(4, 3)));
  house->UpdateAndNotify();
  sources.Add(house);

  // A placement read from a stream takes its reference when it is resolved.
  TBlock2D made(5, *house, Point2D(1, 1));
  made.SetTransform(Translate2D(10, 0));
  const platform::Bytes record = RecordOf(made);
  EXPECT_EQ(house->RefCount(), 1);
  auto loaded = ReadRecord(record);
  auto* block = dynamic_cast<TBlock2D*>(loaded.get());
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(block->SourceBlock(), nullptr);
  {
    auto it = sources.GetIterator();
    block->UpdateReference(*it);
    block->UpdateReference(*it);
  }
  EXPECT_EQ(block->SourceBlock(), house);
  EXPECT_EQ(house->RefCount(), 2) << "resolving twice still counts one placement";
  EXPECT_EQ(block->Extents(), Rect2D(10, 0, 14, 3));
  EXPECT_EQ(RecordOf(*block), record);

  double d;
  EXPECT_EQ(block->PickTest(Point2D(11.1, 1), 0.3, d), PICK_ONOBJECT) << "at the insertion point";
  EXPECT_EQ(block->PickTest(Point2D(12, 2.9), 0.3, d), 1) << "the source block answers its child's ID";
  EXPECT_EQ(block->PickTest(Point2D(12, 2), 0.3, d), PICK_INBBOX);

  // Deleting a referenced source block is refused until its placements are gone.
  auto removeHouse = [&] {
    auto it = sources.GetExclusiveIterator();
    it->First();
    RemoveSourceBlock(*it);
  };
  EXPECT_EQ(ErrorText<ECADSourceBlockIsReferenced>(removeHouse),
            "TSourceBlock2D.Destroy: This source block is referenced and cannot be deleted");
  EXPECT_EQ(sources.Count(), 1);
  loaded.reset();
  EXPECT_EQ(house->RefCount(), 1);
  EXPECT_THROW(removeHouse(), ECADSourceBlockIsReferenced);
  block = nullptr;
  {
    TBlock2D copy(6);
    copy.Assign(made);
    EXPECT_EQ(house->RefCount(), 2) << "an assigned placement counts too";
  }
  made.Assign(TBlock2D(7));
  EXPECT_EQ(house->RefCount(), 0);
  EXPECT_NO_THROW(removeHouse());
  EXPECT_EQ(sources.Count(), 0);
}

TEST_F(Blocks2DTest, NamesMatchOverAllThirteenBytesMadePlainWhenRead) {
  TGraphicObjList sources;
  auto* first = new TSourceBlock2D(1, "Door");
  sources.Add(first);
  TBlock2D block(2, *first);
  EXPECT_EQ(first->RefCount(), 1);

  // Leftovers after the name in a file, and a length past 12, are dropped as the field is read, so
  // the same text is the same name.
  platform::Bytes record = RecordOf(block);
  const size_t nameAt = 2 + 6 + 72;
  ASSERT_EQ(record[nameAt], 4);
  record[nameAt + 10] = 'x';
  {
    auto padded = ReadRecord(record);
    auto it = sources.GetIterator();
    static_cast<TBlock2D&>(*padded).UpdateReference(*it);
    EXPECT_EQ(static_cast<TBlock2D&>(*padded).SourceBlock(), first);
  }
  record[nameAt] = 40;
  auto clamped = ReadRecord(record);
  const TBlockName name = static_cast<TBlock2D&>(*clamped).SourceName();
  EXPECT_EQ(name[0], 12);
  EXPECT_EQ(BlockNameText(name), std::string("Door\0\0\0\0\0x\0\0", 12));

  // Another text is another name.
  record[nameAt] = 4;
  record[nameAt + 1] = 'P';
  auto loaded = ReadRecord(record);
  auto* padded = dynamic_cast<TBlock2D*>(loaded.get());
  ASSERT_NE(padded, nullptr);
  {
    auto it = sources.GetIterator();
    EXPECT_EQ(ErrorText<ECADListObjNotFound>([&] { padded->UpdateReference(*it); }),
              "TBlock2D.UpdateReference: Source block not found");
  }
  EXPECT_EQ(padded->SourceBlock(), nullptr) << "a failed resolve keeps no reference";
  EXPECT_EQ(BlockNameText(padded->SourceName()), "Poor");

  // A group resolves the placements among its children, nested groups included.
  TContainer2D group(3);
  auto inner = std::make_unique<TContainer2D>(4);
  inner->AddChild(std::make_unique<TBlock2D>(5));
  group.AddChild(std::move(inner));
  {
    auto it = sources.GetIterator();
    EXPECT_THROW(group.ResolveBlockReferences(*it), ECADListObjNotFound);
  }
  EXPECT_EQ(MakeBlockName("A much too long name")[0], 12);
  EXPECT_EQ(BlockNameText(MakeBlockName("A much too long name")), "A much too l");
}

TEST_F(Blocks2DTest, ASourceBlockPlacedInsideItselfDoesNotRunAway) {
  TSourceBlock2D loop(1, "Loop");
  loop.AddChild(std::make_unique<TLine2D>(1, Point2D(0, 0), Point2D(1, 1)));
  auto self = std::make_unique<TBlock2D>(2, loop);
  TBlock2D* placed = self.get();
  loop.AddChild(std::move(self));
  loop.UpdateAndNotify();
  platform::Canvas c(8, 8);
  TDecorativeCanvas dc(c);
  loop.Draw(IdentityTransform2D, dc, Rect2D(0, 0, 8, 8), 0);
  double d;
  EXPECT_EQ(loop.PickTest(Point2D(0.5, 0.5), 0.1, d), 1);
  EXPECT_EQ(placed->PickTest(Point2D(5, 5), 0.1, d), PICK_NOOBJECT);
  // The placement inside must let go before the block is freed.
  placed->Assign(TBlock2D(9));
  EXPECT_TRUE(loop.CanFree());
}

// A line that counts how often it is drawn.
class CountedLine : public TLine2D {
 public:
  using TLine2D::TLine2D;
  void Draw(const TTransform2D& view, TDecorativeCanvas& canvas, const TRect2D& clip, int mode) override {
    ++drawn;
    TLine2D::Draw(view, canvas, clip, mode);
  }
  static inline int64_t drawn = 0;
};

TEST_F(Blocks2DTest, WhatABlockDrawsIsCountedThroughEveryLevelAndBounded) {
  // Blocks each placing the one before it twice: block k draws 3 * 2^k - 1 objects (itself, its two
  // placements and what they draw), block 40 2^40 lines. The counts come from the blocks' updates,
  // not from drawing.
  std::vector<std::unique_ptr<TSourceBlock2D>> blocks;
  blocks.push_back(std::make_unique<TSourceBlock2D>(0, "B0"));
  blocks[0]->AddChild(std::make_unique<CountedLine>(1, Point2D(0, 0), Point2D(1, 1)));
  blocks[0]->UpdateAndNotify();
  for (int i = 1; i < 100; ++i) {
    blocks.push_back(std::make_unique<TSourceBlock2D>(i, "B" + std::to_string(i)));
    for (int k = 0; k < 2; ++k) {
      auto placed = std::make_unique<TBlock2D>(k + 2, *blocks[size_t(i - 1)]);
      placed->SetTransform(Translate2D(k, 0));
      blocks[size_t(i)]->AddChild(std::move(placed));
    }
    blocks[size_t(i)]->UpdateAndNotify();
  }
  EXPECT_EQ(blocks[18]->DrawnObjects(), 3 * (int64_t(1) << 18) - 1);
  EXPECT_FALSE(blocks[18]->TooLargeToDraw()) << "the largest of them drawn";
  EXPECT_TRUE(blocks[19]->TooLargeToDraw());
  EXPECT_EQ(blocks[99]->DrawnObjects(), std::numeric_limits<int64_t>::max()) << "saturated, not wrapped round";
  EXPECT_TRUE(blocks[99]->TooLargeToDraw());

  // A placement draws all of a block within the bound and nothing of one past it, whose lines a
  // pick does not look at (the box answers). Within the bound a pick on a line answers the line in
  // block 0, the first placement (ID 2) in the others; the insertion point always answers.
  platform::Canvas c(8, 8);
  TDecorativeCanvas dc(c);
  struct Case {
    size_t level;
    int64_t drawn;
    int pickedOnALine;
  };
  for (const Case& t : {Case{0, 1, 1}, Case{10, 1024, 2}, Case{40, 0, PICK_INBBOX}, Case{99, 0, PICK_INBBOX}}) {
    TBlock2D placed(50, *blocks[t.level]);
    CountedLine::drawn = 0;
    placed.Draw(IdentityTransform2D, dc, Rect2D(0, 0, 8, 8), 0);
    EXPECT_EQ(CountedLine::drawn, t.drawn) << "block " << t.level;
    EXPECT_EQ(TooLargeToDraw(placed), t.drawn == 0) << "block " << t.level;
    double d;
    EXPECT_EQ(placed.PickTest(Point2D(0.5, 0.5), 0.1, d), t.pickedOnALine) << "block " << t.level;
    EXPECT_EQ(placed.PickTest(Point2D(0, 0.05), 0.1, d), PICK_ONOBJECT) << "at the insertion point, block " << t.level;
  }
  // The placements let go before their blocks are freed, the last block first.
  while (!blocks.empty()) blocks.pop_back();
}

}  // namespace
}  // namespace cad
