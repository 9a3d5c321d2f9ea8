#include "cad/bitmap2d.h"
#include "cad/cad_exceptions.h"
#include "cad/drawing.h"
#include "cad/text2d.h"
#include "cad/vect_text2d.h"
#include "entity_test_support.h"
#include "platform/bmp.h"

namespace cad {
namespace {

class TextBitmapTest : public EntitiesTest {};

int CountPixels(const platform::Canvas& c, platform::TColor colour, const platform::Rect& area) {
  int n = 0;
  for (int y = area.Top; y < area.Bottom; ++y)
    for (int x = area.Left; x < area.Right; ++x) n += c.GetPixel(x, y) == colour;
  return n;
}

const platform::Rect kWhole{0, 0, 120, 110};

TEST_F(TextBitmapTest, ExtendedFontSelectsItselfAndGivesTheFontBack) {
  TExtendedFont font;
  EXPECT_EQ(font.Record().Face(), "Small Font");
  EXPECT_EQ(font.Record().Height, -11);
  platform::Canvas c(10, 10);
  platform::Font own = c.GetFont();
  own.Color = platform::clRed;
  c.SetFont(own);
  font.SetCanvas(&c);
  EXPECT_EQ(c.GetFont().Name, "Small Font");
  EXPECT_EQ(c.GetFont().Color, platform::clRed) << "the canvas keeps its font colour";
  font.SetHeight(20);
  EXPECT_EQ(c.GetFont().Height, 20);
  EXPECT_EQ(font.Record().Height, 20);
  {
    TExtendedFont other;
    other.SetCanvas(&c);
    other.SetCanvas(nullptr);
  }
  font.SetCanvas(nullptr);
  EXPECT_EQ(c.GetFont(), own);
}

TEST_F(TextBitmapTest, TextDrawsInItsBoxAtTheViewsHeight) {
  TText2D text(1, Point2D(10, 10), Point2D(110, 60), 20, "Velkora");
  platform::Canvas c(120, 110);
  TDecorativeCanvas dc(c);
  const TRect2D clip = Rect2D(0, 0, 120, 110);
  text.Draw(IdentityTransform2D, dc, clip, 0);
  const int inside = CountPixels(c, platform::clBlack, {10, 10, 110, 60});
  EXPECT_GT(inside, 40);
  EXPECT_EQ(CountPixels(c, platform::clBlack, kWhole), inside) << "nothing outside the box";
  EXPECT_EQ(c.GetFont().Name, platform::Font{}.Name) << "the canvas gets its own font back";

  // Under half a pixel high at this zoom: nothing.
  platform::Canvas tiny(120, 110);
  TDecorativeCanvas dt(tiny);
  text.Draw(Scale2D(0.02, 0.02), dt, clip, 0);
  EXPECT_EQ(CountPixels(tiny, platform::clWhite, kWhole), 120 * 110);

  // A rubber band (exclusive-or pen) shows the box but not the text.
  platform::Canvas band(120, 110);
  band.SetPen(platform::Pen{platform::clWhite, 1, platform::PenStyle::Solid, platform::PenMode::Xor});
  TDecorativeCanvas db(band);
  text.Draw(IdentityTransform2D, db, clip, 0);
  EXPECT_EQ(band.GetPixel(50, 10), platform::clBlack);
  EXPECT_EQ(CountPixels(band, platform::clBlack, {12, 12, 108, 58}), 0);

  double d;
  EXPECT_EQ(text.PickTest(Point2D(50, 30), 0.5, d), PICK_INOBJECT);
  EXPECT_EQ(text.PickTest(Point2D(50, 70), 0.5, d), PICK_NOOBJECT);

  // Fitting the box to the text: the corners move once, with one notification.
  TText2D fitted(2, Point2D(0, 0), Point2D(100, 100), 20, "Hi");
  fitted.RecalcBox = true;
  int changes = 0;
  fitted.OnChange = [&](TGraphicObject&) { ++changes; };
  platform::Canvas f(120, 110);
  TDecorativeCanvas df(f);
  fitted.Draw(IdentityTransform2D, df, clip, 0);
  EXPECT_EQ(changes, 1);
  const TRect2D box = fitted.Extents();
  EXPECT_EQ(box.First, Point2D(0, 0));
  EXPECT_GT(box.Second.X, 5);
  EXPECT_LT(box.Second.X, 60);
  EXPECT_GT(box.Second.Y, 15);
  EXPECT_LT(box.Second.Y, 40);
}

platform::Bitmap Quadrants() {
  platform::Bitmap b(2, 2, 24);
  b.SetPixel(0, 0, platform::Rgb(255, 0, 0));
  b.SetPixel(1, 0, platform::Rgb(0, 255, 0));
  b.SetPixel(0, 1, platform::Rgb(0, 0, 255));
  b.SetPixel(1, 1, platform::Rgb(255, 255, 255));
  return b;
}

TEST_F(TextBitmapTest, BitmapsStretchTheRightWayUpThroughTheirRasterOperation) {
  // A view with the drawing's Y axis up, as the viewport makes it.
  const TTransform2D view = MultiplyTransform2D(Scale2D(1, -1), Translate2D(0, 20));
  for (const bool reversed : {false, true}) {
    TBitmap2D picture(1, Quadrants(), reversed ? Point2D(20, 20) : Point2D(0, 0),
                      reversed ? Point2D(0, 0) : Point2D(20, 20));
    platform::Canvas c(20, 20);
    TDecorativeCanvas dc(c);
    picture.Draw(view, dc, Rect2D(0, 0, 20, 20), 0);
    EXPECT_EQ(c.GetPixel(5, 5), platform::clRed) << "top left, reversed " << reversed;
    EXPECT_EQ(c.GetPixel(15, 5), platform::clLime);
    EXPECT_EQ(c.GetPixel(5, 15), platform::clBlue);
    EXPECT_EQ(c.GetPixel(15, 15), platform::clWhite);
  }

  const platform::TColor d = platform::RGBColor(0x0F, 0xF0, 0x55), s = platform::RGBColor(0x33, 0x55, 0xFF);
  platform::Bitmap single(1, 1, 24);
  single.SetPixel(0, 0, platform::Rgb(0x33, 0x55, 0xFF));
  const struct {
    uint32_t rop;
    platform::TColor expected;
  } ops[] = {{platform::SRCCOPY, s}, {platform::SRCINVERT, s ^ d}, {platform::SRCAND, s & d}, {platform::SRCPAINT, s | d}};
  for (const auto& op : ops) {
    TBitmap2D picture(2, single, Point2D(0, 0), Point2D(4, 4));
    picture.CopyMode = int32_t(op.rop);
    platform::Canvas c(4, 4, d);
    TDecorativeCanvas dc(c);
    picture.Draw(IdentityTransform2D, dc, Rect2D(0, 0, 4, 4), 0);
    EXPECT_EQ(c.GetPixel(2, 2), op.expected) << std::hex << op.rop;
    EXPECT_EQ(c.CopyMode(), platform::SRCCOPY) << "the canvas's copy mode is given back";
  }
}

TEST_F(TextBitmapTest, EmbeddedBmpIsCheckedAgainstTheBytesPresent) {
  TBitmap2D picture(1, Quadrants(), Point2D(0, 0), Point2D(2, 2));
  const platform::Bytes record = RecordOf(picture);
  const size_t bmpAt = 2 + 6 + 72 + 2 + 48 + 1;
  ASSERT_EQ(record[bmpAt], 'B');
  auto back = ReadRecord(record);
  EXPECT_EQ(dynamic_cast<TBitmap2D&>(*back).Bitmap(), picture.Bitmap());

  auto errorOf = [](const platform::Bytes& bytes) {
    platform::ByteReader r(bytes);
    return ErrorText<ECADFileNotValid>([&] { KQSysReadObject2D(r, "KQ-002"); });
  };
  platform::Bytes tooLong = record;
  tooLong[bmpAt + 4] = 0x10;  // the BMP's size field: 1 MB
  EXPECT_EQ(errorOf(tooLong), "TBitmap2D.CreateFromStream: Bitmap size out of bounds");
  platform::Bytes notBmp = record;
  notBmp[bmpAt] = 'X';
  EXPECT_EQ(errorOf(notBmp), "TBitmap2D.CreateFromStream: The bitmap is not a BMP image");

  // Run-length data announcing a huge picture in a few bytes is refused before it is made.
  platform::Bitmap small(1, 1, 8);
  platform::Bytes rle = platform::EncodeBmp(small);
  rle.resize(1078);
  const uint8_t data[] = {0, 1};
  rle.insert(rle.end(), std::begin(data), std::end(data));
  for (const auto& [at, v] : {std::pair<size_t, uint32_t>{2, uint32_t(rle.size())}, {18, 16000}, {22, 16000}, {30, 1}})
    for (int i = 0; i < 4; ++i) rle[at + size_t(i)] = uint8_t(v >> (8 * i));
  platform::Bytes bomb(record.begin(), record.begin() + std::ptrdiff_t(bmpAt));
  bomb.insert(bomb.end(), rle.begin(), rle.end());
  bomb.insert(bomb.end(), 20, 0);
  EXPECT_NE(errorOf(bomb).find("pixels are more than"), std::string::npos) << errorOf(bomb);

  TBitmap2D empty(2);
  platform::ByteWriter w;
  EXPECT_THROW(empty.SaveToStream(w), platform::BitmapError);
}

// A font with 'A' (a caret one unit high and wide) and 'g' (a stroke reaching half a unit down).
std::unique_ptr<TVectFont> TestFont() {
  auto font = std::make_unique<TVectFont>();
  auto a = std::make_unique<TVectChar>(1);
  for (const TPoint2D& p : {Point2D(0, 0), Point2D(0.5, 1), Point2D(1, 0)}) a->Polyline(0).Add(p);
  a->UpdateExtension();
  font->SetChar('A', std::move(a));
  auto g = std::make_unique<TVectChar>(1);
  g->Polyline(0).Add(Point2D(0, 0));
  g->Polyline(0).Add(Point2D(0, -0.5));
  g->UpdateExtension();
  font->SetChar('g', std::move(g));
  return font;
}

TEST_F(TextBitmapTest, VectorTextLayout) {
  KQSysFontRegister().RegisterFont(3, TestFont());
  TVectFont* font = KQSysFindFontByIndex(3);
  EXPECT_EQ(KQSysFindFontIndex(font), 3);
  struct Case {
    const char* text;
    uint8_t h, v;
    TRect2D box;
  } cases[] = {
      // Width h x (glyphs + spaces - the last spacing), top at the box's top less the first line.
      {"AA", TJustifiedVectText2D::kLeft, TJustifiedVectText2D::kTop, Rect2D(0, 8, 4.2, 10)},
      {"AA", TJustifiedVectText2D::kRight, TJustifiedVectText2D::kBottom, Rect2D(5.8, 0, 10, 2)},
      {"AA", TJustifiedVectText2D::kHCentre, TJustifiedVectText2D::kVCentre, Rect2D(2.9, 4, 7.1, 6)},
      {"AA", 9, 9, Rect2D(0, 8, 4.2, 10)},
      {"A A", TJustifiedVectText2D::kLeft, TJustifiedVectText2D::kTop, Rect2D(0, 8, 5.4, 10)},
      // A missing character takes the default glyph (no width of its own).
      {"AB", TJustifiedVectText2D::kLeft, TJustifiedVectText2D::kTop, Rect2D(0, 8, 2.2, 10)},
      // Line breaks drop by the interline and the deepest glyph of the line.
      {"A\r\nA", TJustifiedVectText2D::kLeft, TJustifiedVectText2D::kTop, Rect2D(0, 6, 2, 10)},
      {"gA\rA", TJustifiedVectText2D::kLeft, TJustifiedVectText2D::kTop, Rect2D(0, 5, 2.2, 10)},
  };
  for (const Case& c : cases) {
    TJustifiedVectText2D text(1, Point2D(10, 10), Point2D(0, 0), font, 2, c.text);
    text.CharSpace = 0.1;
    text.HJustification = c.h;
    text.VJustification = c.v;
    TRect2D box;
    ASSERT_TRUE(text.TextBox(box));
    EXPECT_NEAR(box.First.X, c.box.First.X, 1e-12) << c.text << " " << int(c.h);
    EXPECT_NEAR(box.First.Y, c.box.First.Y, 1e-12) << c.text << " " << int(c.v);
    EXPECT_NEAR(box.Second.X, c.box.Second.X, 1e-12) << c.text << " " << int(c.h);
    EXPECT_NEAR(box.Second.Y, c.box.Second.Y, 1e-12) << c.text << " " << int(c.v);
  }

  // Drawn, a blank advances h x (space + 0.4), not the 0.5 it measures.
  TJustifiedVectText2D text(2, Point2D(0, 0), Point2D(10, 10), font, 2, "A A");
  text.CharSpace = 0.1;
  platform::Canvas c(120, 110);
  TDecorativeCanvas dc(c);
  const TRect2D clip = Rect2D(0, 0, 120, 110);
  text.Draw(Scale2D(10, 10), dc, clip, 0);
  EXPECT_EQ(c.GetPixel(32, 80), platform::clBlack) << "the second caret starts at 2 x 1.1 + 2 x 0.5";
  EXPECT_EQ(c.GetPixel(34, 80), platform::clWhite);
  double d;
  EXPECT_EQ(text.PickTest(Point2D(2, 9), 0.1, d), PICK_INOBJECT);
  EXPECT_EQ(text.PickTest(Point2D(2, 5), 0.1, d), PICK_NOOBJECT) << "the extents are the laid-out text";

  // Drawing mode 0x20 leaves the characters out; the box stays.
  text.DrawBox = true;
  platform::Canvas boxOnly(120, 110);
  TDecorativeCanvas db(boxOnly);
  text.Draw(Scale2D(10, 10), db, clip, DRAWMODE_NOCHARS);
  EXPECT_GT(CountPixels(c, platform::clBlack, {1, 81, 54, 100}), 20);
  EXPECT_EQ(CountPixels(boxOnly, platform::clBlack, {1, 81, 54, 100}), 0);
  EXPECT_EQ(boxOnly.GetPixel(0, 90), platform::clBlack);

  KQSysFontRegister().SetDefaultFont(font);
  EXPECT_EQ(KQSysFindFontByIndex(400), font) << "an empty slot gives the default font";
}

TEST_F(TextBitmapTest, VectorTextWithAnUnregisteredFont) {
  EXPECT_EQ(ErrorText<ECADObjClassNotFound>([] { KQSysFindFontByIndex(5); }),
            "KQSysFindFontByIndex: Font not registered");
  TVectFont stray;
  EXPECT_EQ(ErrorText<ECADObjClassNotFound>([&] { KQSysFindFontIndex(&stray); }),
            "KQSysFindFontIndex: Font not found");

  KQSysFontRegister().RegisterFont(0, TestFont());
  TJustifiedVectText2D text(1, Point2D(0, 0), Point2D(10, 10), KQSysFindFontByIndex(0), 2, "AA");
  platform::Bytes record = RecordOf(text);
  const size_t indexAt = 2 + 6 + 72 + 2 + 48 + 1 + 4 + 2;
  EXPECT_EQ(record[indexAt], 0);
  record[indexAt] = 700 & 0xFF;
  record[indexAt + 1] = 700 >> 8;
  auto loaded = ReadRecord(record);
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text, "Font class not found. Font not assigned");
  EXPECT_EQ(dynamic_cast<TJustifiedVectText2D&>(*loaded).Font(), nullptr);
  platform::Canvas c(20, 20);
  TDecorativeCanvas dc(c);
  loaded->Draw(IdentityTransform2D, dc, Rect2D(0, 0, 20, 20), 0);
  EXPECT_EQ(CountPixels(c, platform::clWhite, {0, 0, 20, 20}), 400);
  EXPECT_EQ(RecordOf(*loaded), record) << "the index read is written back";
}

TEST_F(TextBitmapTest, ADrawingOfTextsInAnUnknownFontSaysSoOnceALoad) {
  KQSysFontRegister().RegisterFont(3, TestFont());
  platform::ByteWriter w;
  {
    TKQCmp2D drawing;
    for (int i = 0; i < 3; ++i)
      drawing.AddObject(-1, std::make_unique<TJustifiedVectText2D>(-1, Point2D(0, 0), Point2D(10, 10),
                                                                    KQSysFindFontByIndex(3), 2, "T"));
    drawing.SaveObjects(w);
  }
  KQSysFontRegister().RegisterFont(3, nullptr);
  const platform::Bytes bytes = w.Take();
  for (int load = 1; load <= 2; ++load) {
    TKQCmp2D drawing;
    platform::ByteReader r(bytes);
    drawing.LoadObjects(r, "KQ-002");
    EXPECT_EQ(drawing.NumObjects(), 3);
    ASSERT_EQ(dialogs.messages.size(), size_t(load)) << "one message for the load, not one per text";
    EXPECT_EQ(dialogs.messages.back().text, "Font class not found. Font not assigned");
  }
}

}  // namespace
}  // namespace cad
