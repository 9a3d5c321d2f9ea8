// The DXF writer: the layout of a small file to the byte, and a file of every entity class read
// back by ezdxf (Debian's python3-ezdxf, which scripts/deps.sh installs).
#include "cad/dxf_write.h"

#include <clocale>
#include <cstdio>
#include <functional>
#include <numbers>
#include <sstream>

#include "cad/bitmap2d.h"
#include "cad/curves2d.h"
#include "cad/kq_bspline2d.h"
#include "cad/text2d.h"
#include "cad/vect_text2d.h"
#include "drawing_test_support.h"
#include "ezdxf_reader.h"
#include "scratch_dir.h"

namespace cad {
namespace {

class DXFWriteTest : public DrawingTestBase {};

std::string Dxf(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

std::string WriteFile(TKQCmp2D& drawing, const std::string& path) {
  TDXF2DExport dxf(path, &drawing);
  dxf.WriteDXF();
  dxf.Finish();
  return testing_support::FileText(path);
}

TEST_F(DXFWriteTest, OneLineLaidOutToTheByteInAnyLocale) {
  testing_support::ScratchDir dir("dxf");
  TKQCmp2D drawing;
  drawing.AddObject(-1, Line(0, 0, 10, 5));
  const std::string expected = Dxf({
      "  0", "SECTION", "  2", "HEADER", "  9", "$ACADVER", "  1", "AC1009", "  9", "$ANGDIR", " 70", "     0",
      "  9", "$EXTMAX", " 10", "10.000000", " 20", "5.000000", " 30", "0.000000",
      "  9", "$EXTMIN", " 10", "0.000000", " 20", "0.000000", " 30", "0.000000",
      "  9", "$CECOLOR", " 62", "   256", "  9", "$CELTYPE", "  6", "BYLAYER", "  0", "ENDSEC",
      "  0", "SECTION", "  2", "TABLES",
      "  0", "TABLE", "  2", "LTYPE", " 70", "     1",
      "  0", "LTYPE", "  2", "CONTINUOUS", " 70", "    64", "  3", "Solid line", " 72", "    65", " 73", "     0",
      " 40", "0.000000", "  0", "ENDTAB",
      "  0", "TABLE", "  2", "LAYER", " 70", "   256",
      "  0", "LAYER", "  2", "Layer_0", " 70", "    64", " 62", "     7", "  6", "CONTINUOUS", "  0", "ENDTAB",
      "  0", "ENDSEC",
      "  0", "SECTION", "  2", "BLOCKS", "  0", "ENDSEC",
      "  0", "SECTION", "  2", "ENTITIES",
      "  0", "LINE", "  8", "Layer_0", " 10", "0.000000", " 20", "0.000000", " 30", "0.000000",
      " 11", "10.000000", " 21", "5.000000", " 31", "0.000000",
      "  0", "ENDSEC", "  0", "EOF"});
  EXPECT_EQ(WriteFile(drawing, dir.File("line.dxf")), expected);

  // A decimal comma in the user's locale changes nothing.
  const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
  ASSERT_NE(std::setlocale(LC_NUMERIC, "de_DE.UTF-8"), nullptr) << "the de_DE.UTF-8 locale is missing: run scripts/deps.sh";
  const std::string german = WriteFile(drawing, dir.File("german.dxf"));
  std::setlocale(LC_NUMERIC, previous.c_str());
  EXPECT_EQ(german, expected);

  // An empty drawing and one whose objects are all hidden have the extents 0, 0.
  drawing.GetObject(0)->Visible = false;
  EXPECT_NE(WriteFile(drawing, dir.File("hidden.dxf")).find(Dxf({"$EXTMAX", " 10", "0.000000", " 20", "0.000000"})),
            std::string::npos);
}

TEST_F(DXFWriteTest, GroupsAndLayerColours) {
  testing_support::ScratchDir dir("dxf");
  {
    TDXFWrite w(dir.File("groups.dxf"));
    w.WriteGroup(62, 256);
    w.WriteGroup(62, -8.4);
    w.WriteGroup(40, int64_t(3));
    w.WriteGroup(1000, "a^b\r\nc");
    w.WriteGroup(1040, "2.5");
    w.WriteGroup(300, "ignored");
    w.WriteGroup(1, std::string(300, 'x'));
    EXPECT_THROW(w.WriteGroup(70, "seven"), platform::FormatError);
    w.Finish();
  }
  EXPECT_EQ(testing_support::FileText(dir.File("groups.dxf")),
            Dxf({" 62", "   256", " 62", "    -8", " 40", "3.000000", "1000", "a^ b^M^Jc", "1040", "2.500000", "300", "",
                 "  1", std::string(255, 'x')}));

  struct Case {
    platform::TColor colour;
    bool visible;
    int number;
  };
  for (const Case& c : {Case{platform::clRed, true, 1}, Case{platform::clYellow, true, 2}, Case{platform::clLime, true, 3},
                        Case{platform::clAqua, true, 4}, Case{platform::clBlue, false, -5},
                        Case{platform::clFuchsia, true, 6}, Case{platform::clGray, false, -8},
                        Case{platform::clSilver, true, 9}, Case{platform::clOlive, true, 7}}) {
    TLayer layer(1);
    layer.SetPen(platform::Pen{c.colour});
    layer.Visible = c.visible;
    EXPECT_EQ(DXFLayerColor(layer), c.number) << std::hex << c.colour;
  }
  // The hidden grey layer as the table writes it, and only the layers in use.
  TKQCmp2D drawing;
  drawing.Layers().Layer(4).SetPen(platform::Pen{platform::clGray});
  drawing.Layers().Layer(4).Visible = false;
  drawing.CurrentLayer = 4;
  drawing.AddObject(-1, Line(0, 0, 1, 1));
  const std::string text = WriteFile(drawing, dir.File("grey.dxf"));
  EXPECT_NE(text.find(Dxf({"  0", "LAYER", "  2", "Layer_4", " 70", "    64", " 62", "    -8"})), std::string::npos);
  EXPECT_EQ(text.find("Layer_0"), std::string::npos);

  const auto& palette = DXFColorPalette();
  EXPECT_EQ(palette[1], (TDXFRGB{255, 0, 0}));
  EXPECT_EQ(palette[8], (TDXFRGB{65, 65, 65}));
  EXPECT_EQ(palette[21], (TDXFRGB{255, 159, 127})) << "hue 15 degrees, half saturated";
  EXPECT_EQ(palette[255], (TDXFRGB{255, 255, 255}));
}

TEST_F(DXFWriteTest, WriteErrorsAreRaisedNotReportedAsSaved) {
  TKQCmp2D drawing;
  drawing.AddObject(-1, Line(0, 0, 10, 5));
  // Each failure names the file the writer was told to show (a save's target, not its temporary),
  // and why.
  const struct {
    const char* file;
    bool opens;  // the failure comes at the end, not at the start
    const char* message;
  } failures[] = {
      {"/dev/full", true, "Cannot write file \"drawing.dxf\" (No space left on device)"},
      {"/nonexistent-folder/x.dxf", false, "Cannot write file \"drawing.dxf\" (No such file or directory)"},
  };
  for (const auto& f : failures) {
    SCOPED_TRACE(f.file);
    try {
      TDXF2DExport dxf(f.file, &drawing, "drawing.dxf");
      ASSERT_TRUE(f.opens);
      dxf.WriteDXF();
      dxf.Finish();
      ADD_FAILURE() << "no error";
    } catch (const platform::WriteError& error) {
      EXPECT_TRUE(f.opens);
      EXPECT_EQ(error.Message(), f.message);
    } catch (const platform::FileError& error) {
      EXPECT_FALSE(f.opens);
      EXPECT_EQ(error.Message(), f.message);
    }
  }

  // Dropped without Finish, a file has no end marker.
  testing_support::ScratchDir dir("dxf");
  {
    TDXF2DExport dropped(dir.File("cut.dxf"), &drawing);
    dropped.WriteDXF();
  }
  EXPECT_EQ(testing_support::FileText(dir.File("cut.dxf")).find("EOF"), std::string::npos);
}

// Whether a file would carry anything is the entity writer's own answer, group children included.
TEST_F(DXFWriteTest, HasEntityOnlyForWhatTheFileCarries) {
  const auto picture = [] { return std::make_unique<TBitmap2D>(0, platform::Bitmap(3, 2, 8), Point2D(0, 0), Point2D(3, 2)); };
  const struct {
    const char* name;
    std::function<void(TKQCmp2D&)> fill;
    bool entity;
  } cases[] = {
      {"empty", [](TKQCmp2D&) {}, false},
      {"the picture alone", [&](TKQCmp2D& d) { d.AddObject(0, picture()); }, false},
      {"the picture and a platform-font text",
       [&](TKQCmp2D& d) {
         d.AddObject(0, picture());
         d.AddObject(-1, std::make_unique<TText2D>(-1, Point2D(0, 0), Point2D(30, 10), 4, "no entity"));
       },
       false},
      {"a line not to be saved",
       [](TKQCmp2D& d) { d.AddObject(-1, Line(0, 0, 1, 1))->ToBeSaved = false; }, false},
      {"a group of a picture",
       [&](TKQCmp2D& d) {
         auto group = std::make_unique<TContainer2D>(-1);
         group->AddChild(picture());
         d.AddObject(-1, std::move(group));
       },
       false},
      {"a group holding a line",
       [&](TKQCmp2D& d) {
         auto group = std::make_unique<TContainer2D>(-1);
         group->AddChild(picture());
         group->AddChild(Line(0, 0, 1, 1));
         d.AddObject(-1, std::move(group));
       },
       true},
      {"the picture and a point",
       [&](TKQCmp2D& d) {
         d.AddObject(0, picture());
         d.AddObject(-1, std::make_unique<TPunto2D>(-1, Point2D(7, 7)));
       },
       true},
  };
  for (const auto& c : cases) {
    TKQCmp2D drawing;
    c.fill(drawing);
    EXPECT_EQ(TDXF2DExport::HasEntity(drawing), c.entity) << c.name;
  }
}

// The fingerprint stands for the file: after each edit it changes exactly when the file written then
// differs from the one written before it.
TEST_F(DXFWriteTest, TheFingerprintChangesExactlyWhenTheFileWould) {
  testing_support::ScratchDir dir("dxf");
  TKQCmp2D drawing;
  drawing.AddObject(0, std::make_unique<TBitmap2D>(0, platform::Bitmap(3, 2, 8), Point2D(0, 0), Point2D(30, 20)));
  const struct {
    const char* edit;
    std::function<void(TKQCmp2D&)> apply;
  } edits[] = {
      {"nothing", [](TKQCmp2D&) {}},
      {"a circle drawn", [](TKQCmp2D& d) { d.AddObject(-1, std::make_unique<TCerchio2D>(-1, Point2D(10, 10), Point2D(15, 10))); }},
      {"nothing again", [](TKQCmp2D&) {}},
      {"a line drawn", [](TKQCmp2D& d) { d.AddObject(-1, Line(0, 0, 10, 5)); }},
      {"the circle moved", [](TKQCmp2D& d) {
         const int32_t ids[] = {1};
         d.TransformObjects(ids, Translate2D(2, 0));
       }},
      {"the line moved by less than the file's decimals", [](TKQCmp2D& d) {
         const int32_t ids[] = {2};
         d.TransformObjects(ids, Translate2D(1e-9, 0));
       }},
      {"the line put on layer 3", [](TKQCmp2D& d) { d.GetObject(2)->Layer = 3; }},
      {"layer 3 renamed", [](TKQCmp2D& d) { d.Layers().Layer(3).SetName("Outline"); }},
      {"layer 7, unused, renamed", [](TKQCmp2D& d) { d.Layers().Layer(7).SetName("Spare"); }},
      {"the line's end point dragged", [](TKQCmp2D& d) {
         auto* line = dynamic_cast<TLine2D*>(d.GetObject(2));
         line->Points().SetPoint(1, Point2D(12, 6));
       }},
      {"the circle deleted", [](TKQCmp2D& d) { d.DeleteObject(1); }},
      {"a platform-font text added", [](TKQCmp2D& d) {
         d.AddObject(-1, std::make_unique<TText2D>(-1, Point2D(0, 0), Point2D(3, 1), 1, "no entity"));
       }},
      {"everything cleared", [](TKQCmp2D& d) { d.ClearObjects(); }},
  };
  std::string file = WriteFile(drawing, dir.File("before.dxf"));
  uint64_t fingerprint = TDXF2DExport::Fingerprint(drawing);
  int changes = 0;
  for (const auto& e : edits) {
    e.apply(drawing);
    const std::string written = WriteFile(drawing, dir.File("after.dxf"));
    const uint64_t now = TDXF2DExport::Fingerprint(drawing);
    EXPECT_EQ(now == fingerprint, written == file) << e.edit;
    EXPECT_EQ(TDXF2DExport::Fingerprint(drawing), now) << e.edit << ": taking it changes nothing";
    changes += written != file;
    file = written;
    fingerprint = now;
  }
  EXPECT_GE(changes, 7) << "most edits change the file";
}

using testing_support::ReadWithEzdxf;

TEST_F(DXFWriteTest, EzdxfReadsADrawingOfEveryClass) {
  testing_support::ScratchDir dir("dxf");
  TKQCmp2D drawing;
  const TPoint2D poly[] = {Point2D(0, 0), Point2D(4, 1), Point2D(2, 5)};
  TSourceBlock2D* door = AddBlock(drawing, "Door");
  door->AddChild(Line(0, 0, 1, 0));
  door->UpdateAndNotify();
  drawing.Layers().Layer(1).SetName("Walls");
  int layer = 0;
  const auto add = [&](std::unique_ptr<TObject2D> object) {
    drawing.CurrentLayer = uint8_t(layer++ % 3);
    return drawing.AddObject(-1, std::move(object));
  };
  auto group = std::make_unique<TContainer2D>(-1);
  group->AddChild(Line(0, 0, 1, 1));
  group->AddChild(std::make_unique<TCerchio2D>(-1, Point2D(0, 0), Point2D(2, 0)));
  group->SetTransform(Translate2D(100, 0));
  add(std::move(group));
  auto placed = std::make_unique<TBlock2D>(-1, *door);
  placed->SetTransform(MultiplyTransform2D(Rotate2D(std::numbers::pi / 2), Translate2D(5, 6)));
  add(std::move(placed));
  add(Line(1, 2, 3, 4));
  add(std::make_unique<TPolyline2D>(-1, poly));
  add(std::make_unique<TPolygon2D>(-1, poly));
  add(std::make_unique<TRectangle2D>(-1, Point2D(0, 0), Point2D(3, 2)));
  auto open = std::make_unique<TEllipseOpen2D>(-1);
  open->Assign(TEllipse2D(0, Point2D(0, 0), Point2D(6, 2)));
  add(std::move(open));
  add(std::make_unique<TEllipse2D>(-1, Point2D(0, 0), Point2D(5, 2)));
  add(std::make_unique<TFilledEllipse2D>(-1, Point2D(0, 0), Point2D(2, 5)));
  add(std::make_unique<TText2D>(-1, Point2D(0, 0), Point2D(30, 10), 4, "no DXF entity"));
  add(std::make_unique<TFrame2D>(-1, Point2D(1, 1), Point2D(3, 2)));
  add(std::make_unique<TBitmap2D>(-1, platform::Bitmap(3, 2, 8), Point2D(0, 0), Point2D(3, 2)));
  add(std::make_unique<TBSpline2D>(-1, poly));
  auto vect = std::make_unique<TJustifiedVectText2D>(-1, Point2D(0, 0), Point2D(8, 2), nullptr, 1.5, "Ab\r\nc");
  vect->HJustification = TJustifiedVectText2D::kHCentre;
  add(std::move(vect));
  add(std::make_unique<TPunto2D>(-1, Point2D(7, 7)));
  add(std::make_unique<TCerchio2D>(-1, Point2D(1, 1), Point2D(2, 1)));
  auto mirrored = std::make_unique<TArco2D>(-1, Point2D(0, 0), Point2D(2, 0), 0.25, 2.5);
  mirrored->SetTransform(Scale2D(-1, 1));
  add(std::move(mirrored));
  add(std::make_unique<TFilledCerchio2D>(-1, Point2D(0, 0), Point2D(0, 3)));
  const double knots[] = {0, 0, 0, 1, 2, 2, 2};
  const double weights[] = {1, 2, 1, 0.5};
  const TPoint2D four[] = {Point2D(0, 0), Point2D(1, 3), Point2D(4, 3), Point2D(5, 0)};
  auto* nurbs = static_cast<TCurve2D*>(add(std::make_unique<TKQBSpline2D>(-1, four, 2, knots, weights)));
  // A circle the corner commands turned into an arc of equal start and end: a whole turn, which an
  // ARC of equal angles does not carry to other programs.
  add(std::make_unique<TArco2D>(-1, Point2D(9, 9), Point2D(12, 9), 0.0, 0.0));
  TDXF2DExport dxf(dir.File("all.dxf"), &drawing);
  dxf.WriteDXF();
  dxf.Finish();

  // Curves are written as their profiles: precision + 1 points for the conics and uniform splines,
  // the weighted spline's own count.
  const auto profile = [](int n) { return std::to_string(n) + ".0000 0.0000 "; };
  const int conic = TCurve2D::kDefaultPrecision + 1;
  const int weighted = [&] {
    TProfileUse use(*nurbs);
    return nurbs->NumberOfProfilePts();
  }();
  const std::vector<std::string> expected = {
      "LAYERS Layer_0 Layer_2 Walls",
      "BLOCK Door 1",
      "LINE Layer_0 100.0000 0.0000 101.0000 1.0000",
      "CIRCLE Layer_0 100.0000 0.0000 2.0000",
      "INSERT Walls 5.0000 6.0000 1.0000 1.0000 90.0000",
      "LINE Layer_2 1.0000 2.0000 3.0000 4.0000",
      "POLYLINE Layer_0 3.0000 0.0000 0.0000 0.0000",
      "POLYLINE Walls 3.0000 1.0000 0.0000 0.0000",
      "POLYLINE Layer_2 4.0000 1.0000 0.0000 0.0000",
      "POLYLINE Layer_0 " + profile(conic) + "0.1540 0.6838",  // from angle atan2(-1, -3)
      "POLYLINE Walls " + profile(conic) + "5.0000 1.0000",
      "POLYLINE Layer_2 " + profile(conic) + "2.0000 2.5000",
      "POLYLINE Walls 4.0000 1.0000 1.0000 1.0000",
      "POLYLINE Layer_0 " + profile(conic) + "0.0000 0.0000",
      "TEXT Walls 0.0000 0.5000 1.5000 0.0000 1.0000 4.0000 0.5000",
      "POINT Layer_2 7.0000 7.0000",
      "CIRCLE Layer_0 1.0000 1.0000 1.0000",
      "ARC Walls 0.0000 0.0000 2.0000 36.7606 165.6761",
      "CIRCLE Layer_2 0.0000 0.0000 3.0000",
      "POLYLINE Layer_0 " + profile(weighted) + "0.0000 0.0000",
      "CIRCLE Walls 9.0000 9.0000 3.0000",
  };
  EXPECT_EQ(ReadWithEzdxf(dir.File("all.dxf")), expected);
}

// The blocks section holds the blocks the drawing places, through every level of nesting, and no
// other (a block library beside the program is no part of the drawing), so it is empty when nothing
// is placed; the layers table follows what is written.
TEST_F(DXFWriteTest, OnlyThePlacedBlocksAreWritten) {
  struct Row {
    const char* what;
    std::function<void(TKQCmp2D&, TSourceBlock2D& inner, TSourceBlock2D& outer)> place;
    std::vector<std::string> blocks;  // ezdxf's BLOCK lines, then its LAYERS line
  };
  const Row rows[] = {
      {"nothing placed", [](TKQCmp2D&, TSourceBlock2D&, TSourceBlock2D&) {}, {"LAYERS Layer_0"}},
      {"the inner block placed",
       [](TKQCmp2D& d, TSourceBlock2D& inner, TSourceBlock2D&) { d.AddObject(-1, std::make_unique<TBlock2D>(-1, inner)); },
       {"BLOCK Inner 1", "LAYERS Doors Layer_0"}},
      {"the outer block placed: the inner one through it",
       [](TKQCmp2D& d, TSourceBlock2D&, TSourceBlock2D& outer) { d.AddObject(-1, std::make_unique<TBlock2D>(-1, outer)); },
       {"BLOCK Inner 1", "BLOCK Outer 3", "LAYERS Doors Layer_0"}},
      {"the inner block placed in a group",
       [](TKQCmp2D& d, TSourceBlock2D& inner, TSourceBlock2D&) {
         auto group = std::make_unique<TContainer2D>(-1);
         group->AddChild(std::make_unique<TBlock2D>(-1, inner));
         d.AddObject(-1, std::move(group));
       },
       {"BLOCK Inner 1", "LAYERS Doors Layer_0"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    testing_support::ScratchDir dir("dxf");
    TKQCmp2D drawing;
    drawing.Layers().Layer(3).SetName("Doors");
    drawing.Layers().Layer(4).SetName("Spare");
    // The library: Outer places Inner twice beside a line of its own; Spare is placed by nothing.
    TSourceBlock2D* inner = AddBlock(drawing, "Inner");
    auto door = Line(0, 0, 1, 0);
    door->Layer = 3;
    inner->AddChild(std::move(door));
    TSourceBlock2D* outer = AddBlock(drawing, "Outer");
    outer->AddChild(Line(0, 0, 0, 1));
    for (double x : {0.0, 5.0}) outer->AddChild(std::make_unique<TBlock2D>(-1, *inner, Point2D(x, 0)));
    TSourceBlock2D* spare = AddBlock(drawing, "Spare");
    auto spareLine = Line(0, 0, 2, 2);
    spareLine->Layer = 4;
    spare->AddChild(std::move(spareLine));
    for (TSourceBlock2D* block : {inner, outer, spare}) {
      block->IsLibraryBlock = true;
      block->UpdateAndNotify();
    }
    drawing.AddObject(-1, Line(0, 0, 10, 5));
    row.place(drawing, *inner, *outer);
    const std::string text = WriteFile(drawing, dir.File("blocks.dxf"));
    if (row.blocks.size() == 1) {
      EXPECT_NE(text.find("BLOCKS\r\n  0\r\nENDSEC\r\n"), std::string::npos) << "an empty blocks section";
    }
    const std::vector<std::string> lines = ReadWithEzdxf(dir.File("blocks.dxf"));
    std::vector<std::string> read;
    for (const char* kind : {"BLOCK ", "LAYERS"})
      for (const std::string& line : lines)
        if (line.rfind(kind, 0) == 0) read.push_back(line);
    EXPECT_EQ(read, row.blocks);
  }
}

}  // namespace
}  // namespace cad
