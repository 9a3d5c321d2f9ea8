#include "platform/log_font.h"

#include <gtest/gtest.h>

#include "platform/exception.h"

namespace platform {
namespace {

TEST(LogFont, RecordIsSixtyBytesKeptByteForByte) {
  LogFont f;
  f.Height = -13;
  f.Width = 7;
  f.Escapement = 900;
  f.Orientation = 450;
  f.Weight = 700;
  f.Italic = 1;
  f.Underline = 2;
  f.StrikeOut = 3;
  f.CharSet = 4;
  f.OutPrecision = 5;
  f.ClipPrecision = 6;
  f.Quality = 7;
  f.PitchAndFamily = 8;
  f.SetFace("Arial");
  f.FaceName[20] = 'z';  // junk after the terminator, as some writers leave it
  ByteWriter w;
  f.Write(w);
  ASSERT_EQ(w.Size(), LogFont::kRecordSize);
  const Bytes& b = w.Data();
  EXPECT_EQ(b[0], 0xF3);
  EXPECT_EQ(b[4], 7);
  EXPECT_EQ(b[8], 0x84);  // 900
  EXPECT_EQ(b[9], 0x03);
  EXPECT_EQ(b[16], 0xBC);  // 700
  for (int i = 0; i < 8; ++i) EXPECT_EQ(b[20 + i], i + 1) << "style byte " << i;
  EXPECT_EQ(std::string(b.begin() + 28, b.begin() + 33), "Arial");
  EXPECT_EQ(b[33], 0);
  EXPECT_EQ(b[48], 'z');

  ByteReader r(b);
  const LogFont back = LogFont::Read(r);
  EXPECT_EQ(back, f);
  EXPECT_EQ(back.Face(), "Arial");
  ByteWriter again;
  back.Write(again);
  EXPECT_EQ(again.Data(), b);

  const Bytes shortRecord(59, 0);
  ByteReader cut(shortRecord);
  EXPECT_THROW(LogFont::Read(cut), FormatError);
  EXPECT_EQ(cut.Position(), 0u) << "nothing is taken from a record that is not all there";

  // A face of 32 characters or more keeps its terminator.
  LogFont longFace;
  longFace.SetFace(std::string(40, 'x'));
  EXPECT_EQ(longFace.Face(), std::string(31, 'x'));
}

TEST(LogFont, DefaultGuiFontAndTheCanvasFontMadeFromARecord) {
  const LogFont gui = DefaultGuiLogFont();
  EXPECT_EQ(gui.Height, -11);
  EXPECT_EQ(gui.Weight, 400);
  EXPECT_EQ(gui.CharSet, 1);
  EXPECT_FALSE(gui.Face().empty());

  LogFont record = gui;
  record.Height = 20;
  record.Weight = 700;
  record.Italic = 1;
  record.Escapement = 450;
  const Font f = FontFromLogFont(record, clRed);
  EXPECT_EQ(f.Height, 20);
  EXPECT_EQ(f.Weight, 700);
  EXPECT_TRUE(f.Italic);
  EXPECT_FALSE(f.Underline);
  EXPECT_EQ(f.Escapement, 450);
  EXPECT_EQ(f.Color, clRed);
  EXPECT_EQ(f.Name, gui.Face());
  record.Height = 0;
  EXPECT_EQ(FontFromLogFont(record, clBlack).Height, Font{}.Height) << "height 0 means the default size";

  // A given character width stretches the text.
  Canvas c(10, 10);
  Font narrow = f;
  narrow.Italic = false;
  c.SetFont(narrow);
  const int natural = c.TextWidth("MMMMMMMMMM");
  Font wide = narrow;
  wide.Width = 40;  // far above the natural average of a 20-pixel face
  c.SetFont(wide);
  EXPECT_GT(c.TextWidth("MMMMMMMMMM"), natural * 3 / 2) << "a wide character width draws wider";
}

}  // namespace
}  // namespace platform
