#include "cad/drawing.h"

#include "cad/cad_exceptions.h"
#include "cad/curves2d.h"
#include "cad/dxf_write.h"
#include "chained_library.h"
#include "drawing_test_support.h"
#include "scratch_dir.h"

namespace cad {
namespace {

class DrawingTest : public DrawingTestBase {};

TEST_F(DrawingTest, AddObjectNumbersLayersAndAnnounces) {
  struct Case {
    std::vector<int32_t> asked, given;
  };
  for (const Case& c : {Case{{-1, -1}, {0, 1}}, Case{{10, -1, 5}, {10, 11, 5}}, Case{{3, 3, -1}, {3, 3, 4}}}) {
    TKQCmp2D drawing;
    std::vector<int32_t> given;
    for (int32_t id : c.asked) given.push_back(drawing.AddObject(id, Line(0, 0, 1, 1))->ID);
    EXPECT_EQ(given, c.given);
  }
  // The viewport outlives the drawing, which tells it of its end.
  FakeViewport viewport;
  TKQCmp2D drawing;
  drawing.AddViewport(&viewport);
  drawing.AddViewport(&viewport);
  std::vector<int32_t> announced;
  drawing.OnAddObject = [&](TKQCmp&, TGraphicObject& o) { announced.push_back(o.ID); };
  drawing.CurrentLayer = 7;
  TObject2D* line = drawing.AddObject(-1, Line(0, 0, 1, 1));
  EXPECT_EQ(line->Layer, 7);
  EXPECT_EQ(line->Owner, &drawing);
  EXPECT_EQ(viewport.drawn, 0) << "DrawOnAdd is off by default";
  drawing.DrawOnAdd = true;
  drawing.AddObject(-1, Line(0, 0, 1, 1));
  EXPECT_EQ(viewport.drawn, 1) << "a viewport attached twice is one viewport";
  EXPECT_EQ(viewport.copies, 1);
  EXPECT_EQ(announced, (std::vector<int32_t>{0, 1}));
  // A refused add frees the object and keeps the numbering.
  auto it = drawing.ObjectsIterator();
  EXPECT_THROW(drawing.AddObject(-1, Line(0, 0, 1, 1)), ECADListBlocked);
  it.reset();
  EXPECT_EQ(drawing.AddObject(-1, Line(0, 0, 1, 1))->ID, 2);
  EXPECT_EQ(drawing.GetObject(1)->ID, 1);
  EXPECT_EQ(drawing.GetObject(9), nullptr);
}

TEST_F(DrawingTest, DeleteFindAndClearWithTheirTexts) {
  TKQCmp2D drawing;
  TSourceBlock2D* door = AddBlock(drawing, "Door");
  drawing.AddObject(-1, std::make_unique<TBlock2D>(-1, *door));
  drawing.AddObject(-1, Line(0, 0, 1, 1));
  EXPECT_EQ(ErrorText<ECADListObjNotFound>([&] { drawing.DeleteObject(42); }), "TCADCmp.DeleteObject: No object found");
  EXPECT_EQ(ErrorText<ECADListObjNotFound>([&] { drawing.DeleteSourceBlockByID(42); }),
            "TCADCmp.DeleteSourceBlock: No source block found");
  EXPECT_EQ(ErrorText<ECADListObjNotFound>([&] { drawing.FindSourceBlock("Window"); }),
            "TCADCmp2D.FindSourceBlock: Source block Window not found");
  EXPECT_EQ(ErrorText<EKQSysException>([&] { drawing.DeleteSourceBlock("Door"); }),
            "TCADCmp2D.DeleteSourceBlock: Remove the references before the source");
  drawing.DeleteSourceBlockByID(door->ID);  // refused without a word
  EXPECT_EQ(drawing.FindSourceBlock("Door"), door);

  drawing.DeleteObject(0);  // the placement
  EXPECT_EQ(drawing.NumObjects(), 1);
  drawing.DeleteSourceBlock("Door");
  EXPECT_EQ(drawing.NumSourceBlocks(), 0);

  // A clear the list refuses keeps the objects and their numbering.
  auto it = drawing.ObjectsIterator();
  EXPECT_TRUE(drawing.HasIterators());
  EXPECT_FALSE(drawing.IsBlocked());
  drawing.ClearObjects();
  it.reset();
  EXPECT_FALSE(drawing.HasIterators());
  {
    auto exclusive = drawing.SourceBlocksExclusiveIterator();
    EXPECT_TRUE(drawing.IsBlocked());
  }
  EXPECT_EQ(drawing.NumObjects(), 1);
  EXPECT_EQ(drawing.AddObject(-1, Line(0, 0, 1, 1))->ID, 2);
  drawing.ClearObjects();
  EXPECT_EQ(drawing.NumObjects(), 0);
  EXPECT_EQ(drawing.AddObject(-1, Line(0, 0, 1, 1))->ID, 0);
}

TEST_F(DrawingTest, TransformObjectsAndExtents) {
  FakeViewport viewport;
  TKQCmp2D drawing;
  drawing.AddViewport(&viewport);
  EXPECT_EQ(drawing.GetExtension(Rect2D(1, 2, 3, 4)), Rect2D(1, 2, 3, 4)) << "empty drawing";
  drawing.AddObject(-1, Line(0, 0, 10, 5));
  drawing.AddObject(-1, Line(-2, 1, 3, 8));
  EXPECT_EQ(drawing.GetExtension(Rect2D(0, 0, 0, 0)), Rect2D(-2, 0, 10, 8));

  drawing.TransformObjects(std::vector<int32_t>{}, Translate2D(100, 0));
  EXPECT_EQ(viewport.repaints, 0) << "an empty list does nothing";
  drawing.TransformObjects(std::vector<int32_t>{-1}, Translate2D(100, 0));
  EXPECT_EQ(drawing.GetExtension(Rect2D(0, 0, 0, 0)), Rect2D(98, 0, 110, 8));
  EXPECT_EQ(viewport.repaints, 1);
  drawing.RepaintAfterTransform = false;
  drawing.TransformObjects(std::vector<int32_t>{1, 77}, Translate2D(0, -10));
  EXPECT_EQ(viewport.repaints, 1);
  EXPECT_EQ(drawing.GetObject(1)->Extents(), Rect2D(98, -9, 103, -2)) << "only the ID named moves";
  EXPECT_EQ(drawing.GetObject(0)->Extents(), Rect2D(100, 0, 110, 5));

  // Hidden objects and objects on hidden layers take no part; with nothing shown the drawing counts
  // as empty.
  drawing.GetObject(1)->Visible = false;
  EXPECT_EQ(drawing.GetExtension(Rect2D(0, 0, 0, 0)), Rect2D(100, 0, 110, 5));
  drawing.Layers().Layer(0).Visible = false;
  EXPECT_EQ(drawing.GetExtension(Rect2D(0, 0, 0, 0)), Rect2D(0, 0, 0, 0));
}

TEST_F(DrawingTest, ObjectStreamsAreByteExact) {
  TKQCmp2D drawing;
  drawing.AddObject(-1, Line(0, 0, 10, 0));
  const platform::Bytes saved = SaveObjects(drawing);
  ASSERT_EQ(saved.size(), 135u) << "count, class id, header, transform, two points, growing flag";
  EXPECT_EQ(saved[0], 1);
  EXPECT_EQ(saved[4], 3) << "TLine2D";

  TKQCmp2D loaded;
  std::vector<int> progress;
  loaded.OnLoadProgress = [&](TKQCmp&, int percent) { progress.push_back(percent); };
  LoadObjects(loaded, saved);
  EXPECT_EQ(progress, std::vector<int>{100});
  EXPECT_EQ(SaveObjects(loaded), saved);

  // An object on a non-streamable layer is counted but left out, and the stream ends with -1.
  drawing.Layers().Layer(0).Streamable = false;
  EXPECT_EQ(SaveObjects(drawing), (platform::Bytes{1, 0, 0, 0, 0xFF, 0xFF}));
  TKQCmp2D none;
  LoadObjects(none, SaveObjects(drawing));
  EXPECT_EQ(none.NumObjects(), 0);

  // Loaded objects are numbered by the drawing, keep their layers, and leave the current layer on
  // the last one's; progress runs up to 100.
  TKQCmp2D three;
  for (uint8_t layer : {4, 9, 2}) {
    three.CurrentLayer = layer;
    three.AddObject(20 + layer, Line(layer, 0, 0, layer));
  }
  std::vector<int> saving;
  three.OnSaveProgress = [&](TKQCmp&, int percent) { saving.push_back(percent); };
  const platform::Bytes bytes = SaveObjects(three);
  EXPECT_EQ(saving, (std::vector<int>{1, 34, 67}));
  TKQCmp2D again;
  again.AddObject(-1, Line(0, 0, 1, 1));
  LoadObjects(again, bytes);
  EXPECT_EQ(again.CurrentLayer, 2);
  EXPECT_EQ(again.GetObject(3)->Layer, 2);
  EXPECT_EQ(again.GetObject(1)->Extents(), Rect2D(0, 0, 4, 4));
}

TEST_F(DrawingTest, TheLoadersReportAndGoOn) {
  // A placement whose source block is missing is reported and left out; an unknown class ends
  // the loading, since nothing after it can be found.
  TKQCmp2D source;
  TSourceBlock2D* door = AddBlock(source, "Door");
  source.AddObject(-1, Line(0, 0, 1, 1));
  source.AddObject(-1, std::make_unique<TBlock2D>(-1, *door));
  source.AddObject(-1, Line(0, 0, 2, 2));
  platform::Bytes bytes = SaveObjects(source);
  TKQCmp2D target;
  LoadObjects(target, bytes);
  EXPECT_EQ(target.NumObjects(), 2);
  bytes[4 + 131] = 77;  // the placement's class id
  TKQCmp2D stopped;
  LoadObjects(stopped, bytes);
  EXPECT_EQ(stopped.NumObjects(), 1);
  EXPECT_EQ(Shown(), (std::vector<std::string>{"Source block not found. The block will not be loaded",
                                               "Object class not found. Object not load"}));
}

TEST_F(DrawingTest, BlockLibrary) {
  TSourceBlock2D door(0, "Door");
  door.AddChild(Line(0, 0, 1, 2));
  door.IsLibraryBlock = true;
  const platform::Bytes oneBlock = LibraryOf({&door});
  {
    TKQCmp2D drawing;
    LoadLibrary(drawing, oneBlock);
    EXPECT_EQ(drawing.FindSourceBlock("Door")->Extents(), Rect2D(0, 0, 1, 2));
    // The blocks save back as they came.
    platform::ByteWriter w;
    drawing.SaveBlocks(w, false);
    EXPECT_EQ(w.Data(), (platform::Bytes{0, 0, 0, 0}));
    drawing.SaveBlocks(w, true);
    EXPECT_EQ(platform::Bytes(w.Data().begin() + 4, w.Data().end()), platform::Bytes(oneBlock.begin() + 7, oneBlock.end()));
  }
  platform::Bytes wrongTag = oneBlock;
  wrongTag[5] = '1';
  TKQCmp2D drawing;
  EXPECT_EQ(ErrorText<ECADFileNotValid>([&] { LoadLibrary(drawing, wrongTag); }),
            "TCADCmp.LoadLibrary: Invalid stream version.");
  int kind = 0;
  drawing.OnInvalidFileVersion = [&](TKQCmp&, int streamKind, platform::Stream& stream, bool& resume) {
    kind = streamKind;
    resume = stream.Position() == 6;
  };
  LoadLibrary(drawing, wrongTag);
  EXPECT_EQ(kind, 1);
  EXPECT_EQ(drawing.NumSourceBlocks(), 1);

  platform::Bytes noBlocks = oneBlock;
  noBlocks[6] = 3;
  EXPECT_EQ(ErrorText<ECADFileNotValid>([&] { LoadLibrary(drawing, noBlocks); }),
            "TCADCmp.LoadLibrary: no blocks found");
  platform::Bytes hugeCount = oneBlock;
  hugeCount[10] = 0x40;
  EXPECT_EQ(ErrorText<ECADFileNotValid>([&] { LoadLibrary(drawing, hugeCount); }),
            "TCADCmp2D.LoadBlocks: Block count out of bounds");

  // Names compare over the whole field: what follows the name in a file, and a length past 12, are
  // made plain as they are read.
  platform::Bytes dirtyName = oneBlock;
  const size_t nameAt = dirtyName.size() - 13;
  dirtyName[nameAt + 8] = 'x';
  TKQCmp2D clean;
  LoadLibrary(clean, dirtyName);
  EXPECT_NE(clean.FindSourceBlock("Door"), nullptr);
  dirtyName[nameAt] = 200;
  LoadLibrary(clean, dirtyName);
  EXPECT_EQ(clean.NumSourceBlocks(), 2);
  EXPECT_EQ(BlockNameText(static_cast<TSourceBlock2D*>(clean.FindSourceBlockByID(1))->Name()).size(), 12u);

  // An unknown class ends the block stream (records carry no length).
  platform::Bytes unknown = LibraryOf({&door, &door});
  unknown[11] = 77;
  TKQCmp2D stopped;
  LoadLibrary(stopped, unknown);
  EXPECT_EQ(stopped.NumSourceBlocks(), 0);
  EXPECT_EQ(Shown(), std::vector<std::string>{"Object class not found. Object not load"});
}

TEST_F(DrawingTest, ALibraryOfChainedBlocksResolvesByNameAndReportsOnce) {
  // Block i places block i - 1. Saved with or without the block the first one places, a library
  // whose references all resolve, and one in which every block misses its source.
  constexpr int kBlocks = 2000;
  auto library = [](bool withFirstSource) {
    TKQCmp2D drawing;
    TSourceBlock2D* previous = AddBlock(drawing, "Gone");
    previous->AddChild(Line(0, 0, 1, 1));
    previous->IsLibraryBlock = withFirstSource;
    for (int i = 0; i < kBlocks; ++i) {
      TSourceBlock2D* block = AddBlock(drawing, "B" + std::to_string(i));
      block->IsLibraryBlock = true;
      block->AddChild(std::make_unique<TBlock2D>(1, *previous));
      previous = block;
    }
    // A second block of a name already taken: references keep going to the first.
    TSourceBlock2D* twin = AddBlock(drawing, "B0");
    twin->IsLibraryBlock = true;
    twin->AddChild(Line(5, 5, 6, 6));
    platform::ByteWriter w;
    w.Write("KQ-002", 6);
    w.U8(2);
    drawing.SaveBlocks(w, true);
    return w.Take();
  };
  TKQCmp2D whole;
  LoadLibrary(whole, library(true));
  EXPECT_TRUE(Shown().empty());
  ASSERT_EQ(whole.NumSourceBlocks(), kBlocks + 2);
  for (int i : {1, 2, kBlocks / 2, kBlocks - 1}) {
    auto* block = whole.FindSourceBlock("B" + std::to_string(i));
    ASSERT_NE(block, nullptr) << i;
    auto it = block->Objects().GetIterator();
    auto* placement = dynamic_cast<TBlock2D*>(it->First());
    ASSERT_NE(placement, nullptr) << i;
    EXPECT_EQ(placement->SourceBlock(), whole.FindSourceBlock("B" + std::to_string(i - 1))) << i;
  }
  TKQCmp2D broken;
  LoadLibrary(broken, library(false));
  EXPECT_EQ(broken.NumSourceBlocks(), 1) << "only the twin places nothing";
  EXPECT_EQ(Shown(), std::vector<std::string>{"Source block not found. The block will not be loaded"})
      << "one message for the file, not one per block";
}

TEST_F(DrawingTest, ALibraryOfBlocksTooLargeToDrawIsKeptAsItIsAndReportedOnceALoad) {
  // Library.blk of 41 blocks, each placing the one before it twice (2^40 lines in the last), read
  // from its file as the main window reads it.
  const testing_support::ScratchDir dir("library");
  const platform::Bytes file = ChainedLibrary(41, 2);
  const std::string path = dir.Write("Library.blk", file);
  TKQCmp2D drawing;
  {
    platform::FileStream stream(path, platform::fmOpenRead | platform::fmShareDenyWrite);
    drawing.LoadLibrary(stream);
  }
  ASSERT_EQ(drawing.NumSourceBlocks(), 41);
  const std::string tooLarge =
      "Block too large to draw: it draws more than 1048576 objects. The block is kept but will not be drawn";
  EXPECT_EQ(Shown(), std::vector<std::string>{tooLarge}) << "one message for the 22 blocks past the bound";
  platform::ByteWriter saved;
  drawing.SaveBlocks(saved, true);
  EXPECT_EQ(saved.Data(), platform::Bytes(file.begin() + 7, file.end())) << "the blocks save as they came";

  // A drawing placing the last block: its objects load with a message of their own and save back
  // byte for byte.
  drawing.AddObject(-1, std::make_unique<TBlock2D>(-1, *drawing.FindSourceBlock("B40")));
  const platform::Bytes objects = SaveObjects(drawing);
  TKQCmp2D again;
  LoadLibrary(again, file);
  LoadObjects(again, objects);
  EXPECT_EQ(Shown(), std::vector<std::string>(3, tooLarge)) << "once a load: two libraries and the objects";
  EXPECT_EQ(SaveObjects(again), objects);

  // The DXF file defines every block and places the last once.
  const std::string dxfPath = dir.File("chained.dxf");
  {
    TDXF2DExport dxf(dxfPath, &again);
    dxf.WriteDXF();
    dxf.Finish();
  }
  const std::string dxf = testing_support::FileText(dxfPath);
  const auto count = [&](const std::string& what) {
    int n = 0;
    for (size_t at = dxf.find(what); at != std::string::npos; at = dxf.find(what, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(count("\nBLOCK\r"), 41);
  EXPECT_EQ(count("\nINSERT\r"), 40 * 2 + 1);
}

TEST_F(DrawingTest, SourceBlocksAreFreedInPasses) {
  // B places A, so A can go only after B; the freeing goes round again.
  TKQCmp2D drawing;
  TSourceBlock2D* a = AddBlock(drawing, "A");
  TSourceBlock2D* b = AddBlock(drawing, "B");
  b->AddChild(std::make_unique<TBlock2D>(1, *a));
  drawing.FreeSourceBlocks();
  EXPECT_EQ(drawing.NumSourceBlocks(), 0);

  // Blocks that place each other are never freed by the passes, and the drawing says so.
  auto circle = std::make_unique<TKQCmp2D>();
  a = AddBlock(*circle, "A");
  b = AddBlock(*circle, "B");
  a->AddChild(std::make_unique<TBlock2D>(1, *b));
  b->AddChild(std::make_unique<TBlock2D>(1, *a));
  AddBlock(*circle, "Free");
  const std::string text = ErrorText<ECADSourceBlockIsReferenced>([&] { circle->FreeSourceBlocks(); });
  EXPECT_EQ(text.rfind("TCADCmp.FreeSourceBlocks: ", 0), 0u) << text;
  EXPECT_NE(text.find("\n\rThe drawing contains circular reference of source blocks. They will be not deleted !"),
            std::string::npos);
  EXPECT_EQ(circle->NumSourceBlocks(), 2);
  // Destroying such a drawing raises nothing: it reports and frees them all (AddressSanitizer
  // watches for leaks and dangling references).
  FakeViewport viewport;
  circle->AddViewport(&viewport);
  circle.reset();
  EXPECT_EQ(viewport.destroyed, 1);
  EXPECT_EQ(Shown(), std::vector<std::string>{text});
}

TEST_F(DrawingTest, SavedAndLibraryBlocksAndLayerColours) {
  TKQCmp2D drawing;
  TSourceBlock2D* library = AddBlock(drawing, "Lib");
  library->IsLibraryBlock = true;
  AddBlock(drawing, "Own");
  TSourceBlock2D* used = AddBlock(drawing, "Used");
  drawing.AddObject(-1, std::make_unique<TBlock2D>(-1, *used));
  drawing.DeleteSavedSourceBlocks();
  EXPECT_EQ(drawing.NumSourceBlocks(), 2) << "the referenced one stays";
  drawing.DeleteLibrarySourceBlocks();
  EXPECT_EQ(drawing.NumSourceBlocks(), 1);
  EXPECT_EQ(drawing.FindSourceBlock("Used"), used);

  drawing.Layers().Layer(3).SetPen(platform::Pen{platform::clRed});
  drawing.SetDefaultLayersColor(platform::clBlue);
  EXPECT_EQ(drawing.DefaultLayersColor(), platform::clBlue);
  EXPECT_EQ(drawing.Layers().Layer(255).Pen().Color, platform::clBlue);
  EXPECT_FALSE(drawing.Layers().Layer(255).Modified);
  EXPECT_EQ(drawing.Layers().Layer(3).Pen().Color, platform::clRed) << "a changed layer keeps its colour";
}

}  // namespace
}  // namespace cad
