#include "machining/nc_reader.h"

#include <gtest/gtest.h>

#include <QFont>

#include "platform/text_measure.h"

namespace machining {
namespace {

NcReaderSyntax Iso() { return NcReaderSyntax{NcDialect::ISO, "(", ""}; }
NcReaderSyntax Hei() { return NcReaderSyntax{NcDialect::HEI, ";", ""}; }

TEST(NcReader, IsoLines) {
  NcReaderState state;
  ResetNcReader(state, "2");
  EXPECT_EQ(state.currentZText, "2");
  EXPECT_EQ(state.minX, 9999.0f);
  EXPECT_EQ(state.maxY, -9999.0f);

  NcLineMotion v;
  v.motion = 7;
  ASSERT_TRUE(ParseNcLine(state, Iso(), "G1 X10 Y-2.5 Z-1 (cut X99 Y99)", v));
  EXPECT_EQ(v.motion, 1);
  EXPECT_EQ(v.x, 10.0f);
  EXPECT_EQ(v.y, -2.5f);
  EXPECT_EQ(state.currentZText, "-1");

  // After G1 X1, a line X2 keeps motion 1.
  ASSERT_TRUE(ParseNcLine(state, Iso(), "X2", v));
  EXPECT_EQ(v.motion, 1);
  EXPECT_EQ(v.x, 2.0f);
  EXPECT_EQ(v.y, -2.5f) << "Y is written only when present";

  // G28 and what follows it are ignored.
  v = NcLineMotion();
  v.x = 123;
  ASSERT_TRUE(ParseNcLine(state, Iso(), "G0 G28 Z0", v));
  EXPECT_EQ(v.motion, 0);
  EXPECT_EQ(v.x, 123.0f);
  EXPECT_EQ(state.currentZText, "-1");

  // '+' is not a number character: X+5 reads nothing.
  EXPECT_FALSE(ParseNcLine(state, Iso(), "X+5", v));
  EXPECT_EQ(v.x, 123.0f);
  EXPECT_FALSE(ParseNcLine(state, Iso(), "(only a comment X1)", v));
  EXPECT_FALSE(ParseNcLine(state, Iso(), "X- Y.", v));

  // Arcs: centre words, radius 0 without R; R with an arc.
  v.arcR = 9;
  ASSERT_TRUE(ParseNcLine(state, Iso(), "G2 X5 Y5 I2.5 J0", v));
  EXPECT_EQ(v.motion, 2);
  EXPECT_EQ(v.centreI, 2.5f);
  EXPECT_EQ(v.centreJ, 0.0f);
  EXPECT_EQ(v.arcR, 0.0f);
  EXPECT_EQ(v.x, 5.0f);
  ASSERT_TRUE(ParseNcLine(state, Iso(), "G3 X7 R-4", v));
  EXPECT_EQ(v.motion, 3);
  EXPECT_EQ(v.arcR, -4.0f);
  EXPECT_EQ(v.centreI, 2.5f) << "centre words are kept until the next ones";

  // Cycles take R as the cycle height; other G numbers are consumed and ignored.
  ASSERT_TRUE(ParseNcLine(state, Iso(), "G90 G81 X1 Y2 Z-3 R1.5", v));
  EXPECT_EQ(v.motion, 81);
  EXPECT_EQ(v.cycleR, 1.5f);
  EXPECT_EQ(state.modalMotion, 81);
  ASSERT_TRUE(ParseNcLine(state, Iso(), "G17", v));
  EXPECT_EQ(v.motion, 81);
}

TEST(NcReader, HostileLines) {
  NcReaderState state;
  ResetNcReader(state, "2");
  NcLineMotion v;
  // Numbers beyond the single range do not convert: their word is not read, like any other that is
  // no number, rather than coming back as an infinity.
  const std::string tooLarge = "4" + std::string(39, '0');
  v.x = 7;
  v.y = 8;
  EXPECT_FALSE(ParseNcLine(state, Iso(), "X" + tooLarge + " Y-" + tooLarge + " Z" + tooLarge, v));
  EXPECT_EQ(v.x, 7.0f);
  EXPECT_EQ(v.y, 8.0f);
  EXPECT_EQ(state.currentZText, "2");
  ASSERT_TRUE(ParseNcLine(state, Iso(), "G2 X1 I" + tooLarge + " J2 R-" + tooLarge, v));
  EXPECT_EQ(v.centreI, 0.0f);
  EXPECT_EQ(v.centreJ, 2.0f);
  EXPECT_EQ(v.arcR, 0.0f);
  ASSERT_TRUE(ParseNcLine(state, Iso(), "X340000000000000000000000000000000000000 Z-1e5", v));
  EXPECT_EQ(v.x, 3.4e38f) << "the largest singles still convert";
  EXPECT_EQ(state.currentZText, "-1") << "'e' is no number character";

  // Ten megabytes in one line are read in one pass: G words without numbers, then with them.
  const std::string gs(size_t(10) << 20, 'G');
  v = NcLineMotion();
  EXPECT_FALSE(ParseNcLine(state, Iso(), gs, v));
  ASSERT_TRUE(ParseNcLine(state, Iso(), "G1" + gs + "X5" + gs + "G3", v));
  EXPECT_EQ(v.motion, 3);
  EXPECT_EQ(v.x, 5.0f);
  std::string words;
  for (int i = 0; i < 500000; ++i) words += i % 2 ? "G1 " : "G0 ";
  ASSERT_TRUE(ParseNcLine(state, Iso(), words + "G99999999999999999999 Y4", v));
  EXPECT_EQ(v.motion, 1) << "a number too large for any motion is consumed and ignored";
  EXPECT_EQ(v.y, 4.0f);
}

TEST(NcReader, RapidTextMakesTheMoveRapid) {
  NcReaderState state;
  ResetNcReader(state, "5");
  NcReaderSyntax syntax{NcDialect::ISO, "(", "FMAX"};
  NcLineMotion v;
  ASSERT_TRUE(ParseNcLine(state, syntax, "G1 X3 FMAX", v));
  EXPECT_EQ(v.motion, 0);
  EXPECT_EQ(state.modalMotion, 0);
  ASSERT_TRUE(ParseNcLine(state, syntax, "G2 X3 I1 FMAX", v));
  EXPECT_EQ(v.motion, 2) << "arcs keep their motion";
}

TEST(NcReader, HeidenhainLines) {
  NcReaderState state;
  ResetNcReader(state, "2");
  NcLineMotion v;
  ASSERT_TRUE(ParseNcLine(state, Hei(), "L X10 Y20 Z-1 R0 F1000 ; linear X5", v));
  EXPECT_EQ(v.motion, 1);
  EXPECT_EQ(v.x, 10.0f);
  EXPECT_EQ(v.y, 20.0f);
  EXPECT_EQ(state.currentZText, "-1");

  v.x = 0;
  v.y = 0;
  ASSERT_TRUE(ParseNcLine(state, Hei(), "CC X10 Y20", v));
  EXPECT_EQ(v.centreI, 10.0f);
  EXPECT_EQ(v.centreJ, 20.0f);
  EXPECT_EQ(v.x, 0.0f) << "the centre's X is not the end point";
  ASSERT_TRUE(ParseNcLine(state, Hei(), "C X15 Y20 DR-", v));
  EXPECT_EQ(v.motion, 2);
  EXPECT_EQ(v.x, 15.0f);
  EXPECT_EQ(v.y, 20.0f);
  EXPECT_EQ(v.centreI, 10.0f);
  ASSERT_TRUE(ParseNcLine(state, Hei(), "C X5 Y20 DR+", v));
  EXPECT_EQ(v.motion, 3);
  EXPECT_EQ(state.modalMotion, 3);
}

TEST(NcReader, SyntaxFromThePostProcessor) {
  PostProcessorSettings settings;
  settings.dialect = NcDialect::CSH;
  settings.startComment = "{";
  settings.feedRapid = "FMAX";
  NcReaderSyntax syntax = ReaderSyntaxOf(settings);
  EXPECT_EQ(syntax.dialect, NcDialect::CSH);
  EXPECT_EQ(syntax.startComment, "{");
  EXPECT_EQ(syntax.rapidText, "FMAX");
  NcReaderState state;
  ResetNcReader(state, "2");
  NcLineMotion v;
  ASSERT_TRUE(ParseNcLine(state, syntax, "G1 X1 {G0 X9}", v));
  EXPECT_EQ(v.motion, 1);
  EXPECT_EQ(v.x, 1.0f);
}

TEST(NcReader, OtherDialectsKeepTheCallersMotion) {
  NcReaderState state;
  ResetNcReader(state, "2");
  NcLineMotion v;
  v.motion = 1;
  ASSERT_TRUE(ParseNcLine(state, NcReaderSyntax{NcDialect::XIL, "(", ""}, "G0 X4 Y5", v));
  EXPECT_EQ(v.motion, 1);
  EXPECT_EQ(v.x, 4.0f);
  v.motion = 0;
  ASSERT_TRUE(ParseNcLine(state, NcReaderSyntax{NcDialect::SBO, "'", ""}, "Z-2", v));
  EXPECT_EQ(v.motion, 0);
  EXPECT_EQ(state.currentZText, "-2");
}

// Every character is 10 pixels wide.
class FixedMeasure : public platform::TextMeasure {
 public:
  int TextWidth(std::string_view text) const override {
    int chars = 0;
    for (char c : text) chars += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return chars * 10;
  }
};

TEST(FitTextToWidth, ShortensInTheMiddle) {
  FixedMeasure m;
  EXPECT_EQ(FitTextToWidth(m, "short.nc", 200), "short.nc");
  // 26 characters (260 px) into 205 - 5 = 200 px: each round is two characters shorter.
  std::string fitted = FitTextToWidth(m, "abcdefghijklmnopqrstuvwxyz", 205);
  EXPECT_EQ(fitted, "abcdefghi...stuvwxyz");
  EXPECT_LE(m.TextWidth(fitted), 200);
  // A width too small for any fit ends instead of looping for ever.
  EXPECT_EQ(FitTextToWidth(m, "abcdefghijkl", 10), "abcdefghijkl");
  EXPECT_EQ(FitTextToWidth(m, "abc", 0), "abc");
  std::string narrow = FitTextToWidth(m, "abcdefghijklmnopqrstuvwxyz", 0);
  EXPECT_EQ(narrow.substr(0, 9), "abcdefghi");
  // Multi-byte characters are cut whole.
  std::string accented = FitTextToWidth(m, "àèìòùàèìòùàèìòùàèìòù", 150);
  EXPECT_EQ(accented, "àèìòùàèìò...òù");
}

TEST(FitTextToWidth, QtFontMeasure) {
  platform::FontTextMeasure m{QFont()};
  std::string name = "/home/user/projects/relief/very/long/folder/name/picture-output.nc";
  std::string fitted = FitTextToWidth(m, name, 150);
  EXPECT_LE(m.TextWidth(fitted), 145);
  ASSERT_GT(m.TextWidth(name), 150);
  EXPECT_EQ(fitted.substr(0, 12), "/home/use...");
}

}  // namespace
}  // namespace machining
