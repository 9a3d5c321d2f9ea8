#include "machining/nc_words.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/exception.h"

using machining::NcDialect;
using machining::NcWriter;
using machining::PostProcessorSettings;

namespace {

NcWriter Writer(void (*adjust)(PostProcessorSettings&) = nullptr) {
  PostProcessorSettings s;
  if (adjust) adjust(s);
  NcWriter w(s);
  w.ResetMemory();
  return w;
}

}  // namespace

TEST(NcWords, BlockNumbersWrapAndOnlyLinesTakeThem) {
  NcWriter w = Writer([](PostProcessorSettings& s) {
    s.outputSeq = true;
    s.seqStart = 10;
    s.seqInc = 10;
    s.seqMax = 30;
  });
  EXPECT_EQ(w.NextBlockNumber(), "N10");
  EXPECT_EQ(w.NextBlockNumber(), "N20");
  EXPECT_EQ(w.NextBlockNumber(), "N30");
  EXPECT_EQ(w.NextBlockNumber(), "N10");

  // A line with a block number keeps the separator before the motion word and the words.
  std::string out;
  w.WriteBlock(out, 1, " X1.000");
  EXPECT_EQ(out, "N20 G1 X1.000\r\n");
  // An empty text writes nothing and takes no number.
  w.WriteBlock(out, 1, "");
  EXPECT_EQ(w.blockCounter, 30);

  NcWriter off = Writer();
  off.blockCounter = 7;
  EXPECT_EQ(off.NextBlockNumber(), "");
  EXPECT_EQ(off.blockCounter, 7) << "numbering off leaves the counter";

  // A huge increment must wrap, not overflow.
  NcWriter big = Writer([](PostProcessorSettings& s) {
    s.outputSeq = true;
    s.seqStart = 5;
    s.seqInc = std::numeric_limits<int32_t>::max();
    s.seqMax = std::numeric_limits<int32_t>::max();
  });
  big.blockCounter = 100;
  EXPECT_EQ(big.NextBlockNumber(), "N100");
  EXPECT_EQ(big.blockCounter, 5);
}

TEST(NcWords, ModalSuppression) {
  NcWriter w = Writer([](PostProcessorSettings& s) {
    s.gModal = true;
    s.xyzModal = true;
    s.fModal = true;
  });
  std::string out;
  w.WriteMoveBlock(out, 1, "800", 1, 2, 3);
  w.WriteMoveBlock(out, 1, "800", 1, 4, 3);
  EXPECT_EQ(out, "G1 X1.000 Y2.000 Z3.000 F800\r\nY4.000\r\n")
      << "second G1 block: no motion word, only the changed Y, no F";

  // GModal off: the motion word comes every time.
  NcWriter g = Writer([](PostProcessorSettings& s) { s.xyzModal = true; });
  out.clear();
  g.WriteMoveBlock(out, 1, "800", 1, 2, 3);
  g.WriteMoveBlock(out, 1, "800", 5, 2, 3);
  EXPECT_EQ(out, "G1 X1.000 Y2.000 Z3.000 F800\r\nG1 X5.000\r\n");

  // FModal off: the feed word comes every time.
  NcWriter f = Writer([](PostProcessorSettings& s) { s.fModal = false; });
  EXPECT_EQ(f.FeedWord("800"), " F800");
  EXPECT_EQ(f.FeedWord("800"), " F800");
}

TEST(NcWords, RapidFeedTextAndLastFeed) {
  NcWriter w = Writer([](PostProcessorSettings& s) { s.xyzModal = true; });
  std::string out;
  w.WriteMoveBlock(out, 1, "500", 0, 0, -1);
  w.WriteMoveBlock(out, 0, machining::kRapidFeedText, 0, 0, 5);
  w.WriteMoveBlock(out, 1, "500", 0, 0, -1);
  EXPECT_EQ(out, "G1 X0.000 Y0.000 Z-1.000 F500\r\nG0 Z5.000\r\nG1 Z-1.000\r\n")
      << "an empty Rapid text writes no feed word and keeps the last feed";

  NcWriter r = Writer([](PostProcessorSettings& s) {
    s.feedRapid = "FMAX";
    s.hasFeedRapid = true;
  });
  EXPECT_EQ(r.FeedWord("500"), " F500");
  EXPECT_EQ(r.FeedWord(machining::kRapidFeedText), " FMAX");
  EXPECT_EQ(r.lastFeed, "500");
}

TEST(NcWords, AllSuppressedMoveWritesNothingAndTakesNoNumber) {
  NcWriter w = Writer([](PostProcessorSettings& s) {
    s.outputSeq = true;
    s.xyzModal = true;
    s.gModal = true;
  });
  std::string out;
  w.WriteMoveBlock(out, 1, "100", 1, 2, 3);
  int32_t counter = w.blockCounter;
  std::string before = out;
  w.WriteMoveBlock(out, 1, "100", 1, 2, 3);
  EXPECT_EQ(out, before);
  EXPECT_EQ(w.blockCounter, counter);
  w.WriteMoveBlock(out, 1, "100", 1, 2, 4);
  EXPECT_EQ(out, before + "N2 Z4.000\r\n") << "motion word suppressed, number kept with its separator";
}

TEST(NcWords, SpacesOffAndLineStart) {
  NcWriter w = Writer([](PostProcessorSettings& s) { s.spaces = false; });
  std::string out;
  w.WriteBlock(out, 1, w.XWord(1) + w.YWord(2));
  EXPECT_EQ(out, "G1X1.000Y2.000\r\n");

  // Spaces on, motion word suppressed and no number: the line starts with the word, not a blank.
  NcWriter g = Writer([](PostProcessorSettings& s) { s.gModal = true; });
  out.clear();
  g.WriteBlock(out, 1, " X1.000");
  g.WriteBlock(out, 1, " X2.000");
  EXPECT_EQ(out, "G1 X1.000\r\nX2.000\r\n");
}

TEST(NcWords, NumberTextsAndDelZero) {
  NcWriter w = Writer([](PostProcessorSettings& s) { s.delZero = true; });
  EXPECT_EQ(w.XWord(10), " X10.");
  EXPECT_EQ(w.XWord(0.5), " X0.5");
  EXPECT_EQ(w.FormatNcNumber(-1), " -1.");
  EXPECT_EQ(machining::StripTrailingZeros("100"), "100");

  // Precision 0 has no decimal point: the zeros of the integer stay.
  NcWriter p0 = Writer([](PostProcessorSettings& s) {
    s.delZero = true;
    s.xFormat = s.yFormat = s.zFormat = "%1.0f";
  });
  EXPECT_EQ(p0.XWord(100), " X100");
  EXPECT_EQ(p0.ZWord(-20), " Z-20");
  EXPECT_EQ(p0.AxisNumber(300), " 300");

  EXPECT_EQ(machining::FormatPlainNumber(2.5, false), "2.5");
  EXPECT_EQ(machining::FormatPlainNumber(3, false), "3");
  EXPECT_EQ(machining::FormatPlainNumber(100, false), "100");
  EXPECT_EQ(machining::FormatPlainNumber(1.23456, true), "1.2346");
  EXPECT_EQ(machining::FormatPlainNumber(1.23456, false), "1.235");

  NcWriter inch = Writer();
  inch.inches = true;
  EXPECT_EQ(inch.FormatNcNumber(5), " 5.0000");
  EXPECT_EQ(Writer().FormatNcNumber(5), " 5.000");
}

TEST(NcWords, ScaleToolWordAndBadNumbers) {
  NcWriter w = Writer([](PostProcessorSettings& s) {
    s.xScale = 2;
    s.zScale = -1;
    s.scaled = true;
  });
  EXPECT_EQ(w.XWord(1.5), " X3.000");
  EXPECT_EQ(w.ZWord(2), " Z-2.000");
  EXPECT_EQ(w.AxisNumber(1.5), " 1.500") << "AxisNumber is not scaled";
  w.settings.scaled = false;
  EXPECT_EQ(w.XWord(1.5), " X1.500") << "scales apply only while the flag is set";

  NcWriter t = Writer();
  EXPECT_EQ(t.ToolWord(5), " T5");
  EXPECT_EQ(t.ToolWord(12), " T12");
  t.settings.toolFormat = "%1.2d";
  EXPECT_EQ(t.ToolWord(5), " T05");
  t.settings.toolFormat = "%3d";
  EXPECT_EQ(t.ToolWord(5), " T  5");
  t.settings.toolFormat = "%s";
  EXPECT_THROW(t.ToolWord(5), platform::FormatError);

  EXPECT_THROW(t.XWord(std::nan("")), platform::FormatError);
  EXPECT_THROW(t.ZWord(std::numeric_limits<double>::infinity()), platform::FormatError);
  EXPECT_THROW(t.MotionWord(4), platform::Exception);
}

TEST(NcWords, ResetMemoryStartsAFreshProgram) {
  NcWriter w = Writer([](PostProcessorSettings& s) {
    s.gModal = true;
    s.xyzModal = true;
    s.outputSeq = true;
    s.seqStart = 100;
  });
  std::string out;
  w.WriteMoveBlock(out, 1, "300", 1, 2, 3);
  w.ResetMemory();
  EXPECT_EQ(w.blockCounter, 100);
  out.clear();
  w.WriteMoveBlock(out, 1, "300", 1, 2, 3);
  EXPECT_EQ(out, "N100 G1 X1.000 Y2.000 Z3.000 F300\r\n")
      << "after a reset every word, the motion word included, is written again";
}

TEST(NcWords, ShopBotMoves) {
  NcWriter w = Writer([](PostProcessorSettings& s) {
    s.dialect = NcDialect::SBO;
    s.spaces = false;
    s.xyzModal = true;
    s.xPref = "MX,";
    s.yPref = "MY,";
    s.zPref = "MZ,";
    s.sboXYPref = "M2,";
    s.sboXYZPref = "M3,";
    s.motionWords = {"", "", "", ""};
  });
  std::string out;
  w.WriteMoveBlock(out, 1, "500", 1, 2, 3);  // all new: XYZ move
  w.WriteMoveBlock(out, 1, "500", 1, 2, 4);  // only Z: Z word
  w.WriteMoveBlock(out, 1, "500", 5, 6, 4);  // X and Y: XY move
  w.WriteMoveBlock(out, 1, "500", 7, 6, 4);  // only X: X word
  w.WriteMoveBlock(out, 1, "500", 7, 6, 4);  // nothing changed: no line
  w.WriteMoveBlock(out, 0, machining::kRapidFeedText, 8, 6, 5);  // X and Z: XYZ move
  EXPECT_EQ(out,
            "M3,1.000,2.000,3.000\r\n"
            "MZ,4.000\r\n"
            "M2,5.000,6.000\r\n"
            "MX,7.000\r\n"
            "M3,8.000,6.000,5.000\r\n");
  EXPECT_EQ(w.lastX, "8.000");
  EXPECT_EQ(w.lastFeed, "") << "no feed word in this dialect";
}
