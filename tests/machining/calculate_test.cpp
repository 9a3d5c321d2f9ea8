#include "machining/calculate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "machining/nc_words.h"
#include "machining/post_processor.h"
#include "machining/relief_model.h"
#include "platform/binary_stream.h"
#include "platform/dialogs.h"
#include "scratch_dir.h"

namespace machining {
namespace {

namespace fs = std::filesystem;

struct Move {
  bool rapid;
  float x, y, z;
};

// A scratch folder removed at the end of the test.
using testing_support::FileText;
using testing_support::ScratchDir;

// 4 columns x 3 rows, one unit apart, at (10, 20); each column one unit deeper than the one before.
ReliefModel SlopeRelief() {
  ReliefModel relief;
  relief.columns = 4;
  relief.rows = 3;
  relief.columnBound = 4;
  relief.gridStep = 1.0f;
  relief.unitsPerPixel = 1.0f;
  relief.width = 3.0f;
  relief.height = 2.0f;
  relief.gridOriginX = relief.originX = 10.0f;
  relief.gridOriginY = relief.originY = 20.0f;
  relief.grid.Resize(4, 3, 0.0f);
  for (int c = 0; c < 4; ++c)
    for (int r = 0; r < 3; ++r) relief.grid.At(c, r) = -static_cast<float>(c);
  return relief;
}

NcWriter FanucWriter() {
  platform::RecordingDialogs dialogs;
  platform::ScopedDialogs scoped(&dialogs);
  NcWriter writer;
  EXPECT_TRUE(ReadPostProcessor(VELKORA_SOURCE_DIR, "Fanuc_mm", writer));
  return writer;
}

NcJob Job(const std::string& ncFile) {
  NcJob job;
  job.toolNumber = 1;
  job.toolName = "Flat 2mm";
  job.spindleSpeedText = "12000";
  job.feedRateText = "800";
  job.plungeRateText = "300";
  job.ncFileName = ncFile;
  return job;
}

CalculateFields FlatTwoMillimetres() {
  CalculateFields f;
  f.feedPlane = "2";
  f.maxStepover = "1";
  f.toolDiameter = "2";
  f.toolType = kToolFlat;
  f.depthCuts = "2";
  f.zStep = "0.5";
  f.stockToLeave = "0";
  f.filterTolerance = "0.025";
  return f;
}

CalculateCallbacks Recorder(std::vector<Move>& moves) {
  CalculateCallbacks callbacks;
  callbacks.clearPath = [&moves] { moves.clear(); };
  callbacks.drawMove = [&moves](bool rapid, float x, float y, float z) { moves.push_back({rapid, x, y, z}); };
  return callbacks;
}

std::string Lines(std::initializer_list<const char*> lines) {
  std::string text;
  for (const char* line : lines) text += std::string(line) + "\r\n";
  return text;
}

TEST(Calculate, SmallJobEndToEnd) {
  // The flat tool of diameter 2 reaches one node either side, so a node's tip stands at the highest
  // of its column and the one to its left: Z 0, 0, -1, -2 along every row. Rows at Y 20, 21, 22
  // (one grid row apart: no links); each row keeps its first, second and last point after the
  // filter. Two depth cuts, Z step 0.5: first 0.5 above, then at Z.
  ScratchDir dir;
  ReliefModel relief = SlopeRelief();
  NcWriter writer = FanucWriter();
  NcJob job = Job(dir.File("relief.nc"));
  std::vector<Move> moves;
  moves.push_back({true, 0, 0, 0});  // cleared by Calculate
  CalculateResult result = Calculate(FlatTwoMillimetres(), relief, writer, job, Recorder(moves));

  const std::string expected = Lines({
      "%",
      "(RELIEF.NC)",
      "(FLAT 2MM)",
      "G21 G90 G17 G40 G49 G80 G94",
      "T1 M6",
      "S12000 M3",
      "G0 X10.000 Y20.000",
      "G43 H1 Z2.000",
      // Depth cut 2 (0.5 above): down to the first point at the plunge rate.
      "G1 Z0.500 F300",
      "X11.000 F800",
      "X13.000 Z-1.500",
      "Y21.000",
      "X11.000 Z0.500",
      "X10.000",
      "Y22.000",
      "X11.000",
      "X13.000 Z-1.500",
      "G0 Z2.000",
      // Depth cut 1: the first pass starts 3.6 away (> 2 x 1): up (already there, nothing written),
      // across, plunge at the plunge rate.
      "X10.000 Y20.000",
      "G1 Z0.000 F300",
      "X11.000 F800",
      "X13.000 Z-2.000",
      "Y21.000",
      "X11.000 Z0.000",
      "X10.000",
      "Y22.000",
      "X11.000",
      "X13.000 Z-2.000",
      "G0 Z2.000",
      // End template: Z is unchanged, so XYZModal leaves the G0 alone.
      "G0",
      "M5",
      "M30",
      "%",
  });
  EXPECT_EQ(result.ncText, expected);
  EXPECT_TRUE(result.fileWritten) << result.fileError;
  EXPECT_EQ(FileText(job.ncFileName), expected);
  EXPECT_EQ(result.passCount, 3u);

  // Path: the first plunge from the feed plane 2 to Z 0.5; per depth cut 5 unit moves and 3
  // diagonals of sqrt(8); the jump to the second cut's start counts once: across at the feed plane
  // from (13, 22) to (10, 20), then 2 down to Z 0.
  const double expectedLength = 1.5 + 2 * (5 + 3 * std::sqrt(8.0)) + std::sqrt(13.0) + 2.0;
  EXPECT_NEAR(result.pathLength, expectedLength, 1e-4);
  ASSERT_TRUE(result.seconds.has_value());
  EXPECT_EQ(*result.seconds, 3);  // 34.1 mm at 800 mm/min is 2.56 s
  EXPECT_EQ(result.timeText, " 0h, 00m, 03s");
  EXPECT_EQ(relief.stockToLeave, 0.0f);
  EXPECT_EQ(job.referenceHeight, 2.0);

  // Every move is drawn, suppressed words or not, from where the program starts (the start
  // template's rapid to the first point at the feed plane): 18 feeds, 5 rapids.
  ASSERT_EQ(moves.size(), 23u);
  int rapids = 0;
  for (const Move& m : moves) rapids += m.rapid;
  EXPECT_EQ(rapids, 5);
  EXPECT_TRUE(moves[0].rapid);
  EXPECT_EQ(moves[0].x, 10.0f);
  EXPECT_EQ(moves[0].y, 20.0f);
  EXPECT_EQ(moves[0].z, 2.0f);
  EXPECT_FALSE(moves[1].rapid);
  EXPECT_EQ(moves[1].z, 0.5f);
  EXPECT_TRUE(moves[10].rapid);  // retract after the first depth cut
  EXPECT_EQ(moves[10].z, 2.0f);
  EXPECT_TRUE(moves[11].rapid);
  EXPECT_EQ(moves[11].x, 13.0f);
  EXPECT_TRUE(moves[12].rapid);
  EXPECT_EQ(moves[12].x, 10.0f);
  EXPECT_EQ(moves[12].z, 2.0f);
  EXPECT_FALSE(moves[13].rapid);
  EXPECT_EQ(moves[13].z, 0.0f);
}

TEST(Calculate, ThreeDepthCutsFromTheDeepestOffsetDown) {
  ScratchDir dir;
  ReliefModel relief = SlopeRelief();
  NcWriter writer = FanucWriter();
  NcJob job = Job(dir.File("cuts.nc"));
  CalculateFields fields = FlatTwoMillimetres();
  fields.depthCuts = "3";
  fields.zStep = "1";
  std::vector<Move> moves;
  Calculate(fields, relief, writer, job, Recorder(moves));
  // Feed moves to the first point (Z 0) of the first pass in each cut: 2 above, 1 above, at Z.
  std::vector<float> firstZ;
  for (const Move& m : moves)
    if (!m.rapid && m.x == 10.0f && m.y == 20.0f) firstZ.push_back(m.z);
  EXPECT_EQ(firstZ, (std::vector<float>{2.0f, 1.0f, 0.0f}));
  // Every pass is written three times: 9 feeds per cut.
  int feeds = 0;
  for (const Move& m : moves) feeds += !m.rapid;
  EXPECT_EQ(feeds, 27);
}

TEST(Calculate, NoPassesWriteRapidsAndTheTemplatesOnly) {
  // Both angle switches off: no start template, one rapid to (0, 0, FP) per depth cut, the end.
  ScratchDir dir;
  ReliefModel relief = SlopeRelief();
  NcWriter writer = FanucWriter();
  writer.settings.xyzModal = false;  // show every rapid
  NcJob job = Job(dir.File("empty.nc"));
  CalculateFields fields = FlatTwoMillimetres();
  fields.rows0 = fields.rows90 = false;
  fields.depthCuts = "3";
  std::vector<Move> moves;
  CalculateResult result = Calculate(fields, relief, writer, job, Recorder(moves));
  // GModal (on in Fanuc_mm) drops the repeated G0.
  EXPECT_EQ(result.ncText, Lines({"G0 X0.000 Y0.000 Z2.000", "X0.000 Y0.000 Z2.000", "X0.000 Y0.000 Z2.000",
                                  "G0 Z2.000", "M5", "M30", "%"}));
  EXPECT_EQ(moves.size(), 3u);
  EXPECT_EQ(result.pathLength, 0.0);
}

TEST(Calculate, ZeroAndNinetyDegreePasses) {
  ScratchDir dir;
  ReliefModel relief = SlopeRelief();
  NcWriter writer = FanucWriter();
  NcJob job = Job(dir.File("both.nc"));
  CalculateFields fields = FlatTwoMillimetres();
  fields.depthCuts = "1";
  fields.rows90 = true;
  std::vector<Move> moves;
  CalculateResult result = Calculate(fields, relief, writer, job, Recorder(moves));
  // 0 degree rows: 3 passes; 90 degree rows at X 10..13: 4 passes.
  EXPECT_EQ(result.passCount, 7u);
  // The 0 degree passes end at (13, 22); the first 90 degree pass starts at (10, 20): up and across.
  size_t across = 0;
  for (size_t n = 0; n < moves.size(); ++n)
    if (moves[n].rapid && moves[n].x == 10.0f && moves[n].y == 20.0f) across = n;
  // The start, nine feed moves of the 0 degree passes, the rapid up, then across.
  ASSERT_EQ(across, 11u);
  EXPECT_TRUE(moves[0].rapid);
  for (size_t n = 1; n < 10; ++n) EXPECT_FALSE(moves[n].rapid);
  EXPECT_TRUE(moves[across - 1].rapid);
  EXPECT_EQ(moves[across - 1].x, 13.0f);
  EXPECT_EQ(moves[across - 1].z, 2.0f);
  // After it, the 90 degree passes run along Y.
  EXPECT_EQ(moves[across + 1].x, 10.0f);
  EXPECT_EQ(moves[across + 2].x, 10.0f);
  EXPECT_NE(moves[across + 2].y, 20.0f);
}

TEST(Calculate, PassesCloserThanTwoStepoversJoinedByAFeedMove) {
  PassList list;
  list.alongX = {10, 1.0f};
  list.alongY = {10, 1.0f};
  list.passes.push_back({{0, 0, -1}, {5, 0, -1}});
  list.passes.push_back({{5, 1.9, -1}, {0, 1.9, -1}});  // 1.9 stepovers from the previous end
  list.passes.push_back({{0, 4.0, -1}, {5, 4.0, -1}});  // 2.1 stepovers
  CalculateParameters params;
  params.feedPlane = 2.0f;
  params.depthCuts = 1;
  NcWriter writer = FanucWriter();
  NcJob job = Job("");
  std::vector<Move> moves;
  std::string out;
  WriteNcProgram(list, params, writer, job, Recorder(moves), out);
  ASSERT_EQ(moves.size(), 1u + 2u + 2u + 2u + 2u + 1u);
  EXPECT_TRUE(moves[0].rapid) << "the start, at the feed plane";
  EXPECT_FALSE(moves[3].rapid) << "1.9 stepovers: straight there at the feed rate";
  EXPECT_EQ(moves[3].y, 1.9f);
  EXPECT_TRUE(moves[5].rapid) << "2.1 stepovers: up";
  EXPECT_EQ(moves[5].x, 0.0f);
  EXPECT_EQ(moves[5].y, 1.9f);
  EXPECT_EQ(moves[5].z, 2.0f);
  EXPECT_TRUE(moves[6].rapid) << "across";
  EXPECT_EQ(moves[6].y, 4.0f);
  EXPECT_FALSE(moves[7].rapid) << "plunge";
  EXPECT_EQ(moves[7].z, -1.0f);
  EXPECT_NE(out.find("Z-1.000 F300"), std::string::npos) << out;
  // The plunges (the first one after the start template, and the one after the jump) take the
  // plunge rate; the 1.9 stepover move does not.
  size_t plunges = 0;
  for (size_t at = out.find("F300"); at != std::string::npos; at = out.find("F300", at + 1)) ++plunges;
  EXPECT_EQ(plunges, 2u) << out;
  EXPECT_NE(out.find("G1 Z-1.000 F300\r\nX5.000 F800"), std::string::npos) << out;
}

TEST(Calculate, BadFieldsStopBeforeAnythingIsWritten) {
  ScratchDir dir;
  const std::string path = dir.File("keep.nc");
  platform::WriteFileText(path, "old program");
  struct Case {
    std::string CalculateFields::*field;
    const char* text;
    const char* name;
  };
  for (const Case& c : {Case{&CalculateFields::feedPlane, "2,5", "Feed plane"},
                        Case{&CalculateFields::maxStepover, "", "Stepover"},
                        Case{&CalculateFields::toolDiameter, "abc", "Tool diameter"},
                        Case{&CalculateFields::depthCuts, "1.5", "Depth cuts"},
                        Case{&CalculateFields::zStep, "-", "Z step"},
                        Case{&CalculateFields::stockToLeave, "1e40", "Stock to leave"},
                        Case{&CalculateFields::filterTolerance, ".", "Filter"}}) {
    ReliefModel relief = SlopeRelief();
    NcWriter writer = FanucWriter();
    NcJob job = Job(path);
    CalculateFields fields = FlatTwoMillimetres();
    fields.*c.field = c.text;
    std::vector<Move> moves;
    try {
      Calculate(fields, relief, writer, job, Recorder(moves));
      ADD_FAILURE() << c.name << " accepted \"" << c.text << "\"";
    } catch (const CalculateError& e) {
      EXPECT_EQ(std::string(e.what()).rfind(c.name, 0), 0u) << e.what();
    }
    EXPECT_TRUE(moves.empty());
  }
  ReliefModel relief = SlopeRelief();
  NcWriter writer = FanucWriter();
  NcJob job = Job(path);
  job.feedRateText = "fast";
  EXPECT_THROW(Calculate(FlatTwoMillimetres(), relief, writer, job), CalculateError);
  // Feed texts are written as typed, so a number in another spelling would be a different word.
  for (const char* text : {"1e3", "+800", "-800", " 800", "8.0.0"}) {
    job = Job(path);
    job.feedRateText = text;
    EXPECT_THROW(Calculate(FlatTwoMillimetres(), relief, writer, job), CalculateError) << text;
    job = Job(path);
    job.plungeRateText = text;
    EXPECT_THROW(Calculate(FlatTwoMillimetres(), relief, writer, job), CalculateError) << text;
  }
  // The shape fields are read only for the tool types that use them.
  job = Job(path);
  CalculateFields fields = FlatTwoMillimetres();
  fields.taperAngle = "x";
  fields.toolType = kToolConicalFlat;
  EXPECT_THROW(Calculate(fields, relief, writer, job), CalculateError);
  // A Z step so large that the offsets overflow never reaches the NC text.
  fields = FlatTwoMillimetres();
  fields.depthCuts = "255";
  fields.zStep = "3e37";
  EXPECT_THROW(Calculate(fields, relief, writer, job), CalculateError);
  // A grid of one row is refused before any pass.
  ReliefModel row = SlopeRelief();
  row.rows = 1;
  EXPECT_THROW(Calculate(FlatTwoMillimetres(), row, writer, job), PassError);

  EXPECT_EQ(FileText(path), "old program");
}

TEST(Calculate, UnwritableFileKeepsTheTextAndZeroFeedGivesNoTime) {
  ScratchDir dir;
  ReliefModel relief = SlopeRelief();
  NcWriter writer = FanucWriter();
  NcJob job = Job(dir.File("missing/folder/out.nc"));
  job.feedRateText = "0";
  CalculateResult result = Calculate(FlatTwoMillimetres(), relief, writer, job);
  EXPECT_FALSE(result.fileWritten);
  EXPECT_FALSE(result.fileError.empty());
  EXPECT_NE(result.ncText.find("G43 H1 Z2.000"), std::string::npos);
  EXPECT_GT(result.pathLength, 0.0);
  EXPECT_FALSE(result.seconds.has_value());
  EXPECT_TRUE(result.timeText.empty());

  job = Job("");
  result = Calculate(FlatTwoMillimetres(), relief, writer, job);
  EXPECT_FALSE(result.fileWritten);
  EXPECT_FALSE(result.fileError.empty());
}

TEST(Calculate, MachiningTimeText) {
  EXPECT_EQ(FormatMachiningTime(3725), " 1h, 02m, 05s");
  EXPECT_EQ(FormatMachiningTime(0), " 0h, 00m, 00s");
  EXPECT_EQ(FormatMachiningTime(59), " 0h, 00m, 59s");
  EXPECT_EQ(FormatMachiningTime(90061), " 25h, 01m, 01s");
}

TEST(Calculate, FirstPassAlwaysWritesTheStartTemplate) {
  // A picture placed so that its first node lies within 2 stepovers of the emitter's far-away start
  // position must still get the program start (units, tool, spindle) before its first cut.
  ScratchDir dir;
  ReliefModel relief = SlopeRelief();
  relief.gridOriginX = relief.originX = 99998.0f;
  relief.gridOriginY = relief.originY = 99998.0f;
  NcWriter writer = FanucWriter();
  NcJob job = Job(dir.File("far.nc"));
  CalculateResult result = Calculate(FlatTwoMillimetres(), relief, writer, job);
  EXPECT_EQ(result.ncText.rfind("%\r\n(FAR.NC)\r\n", 0), 0u) << result.ncText;
  const size_t spindle = result.ncText.find("S12000 M3");
  const size_t firstCut = result.ncText.find("G1 ");
  ASSERT_NE(spindle, std::string::npos) << result.ncText;
  EXPECT_LT(spindle, firstCut);
  EXPECT_NE(result.ncText.find("G0 X99998.000 Y99998.000"), std::string::npos) << result.ncText;
}

// Runs Calculate and expects a CalculateError whose message starts with `field`.
void ExpectRefused(const CalculateFields& fields, const std::string& path, const char* field) {
  ReliefModel relief = SlopeRelief();  // highest node 0
  NcWriter writer = FanucWriter();
  NcJob job = Job(path);
  try {
    Calculate(fields, relief, writer, job);
    ADD_FAILURE() << field << " accepted";
  } catch (const CalculateError& e) {
    EXPECT_EQ(std::string(e.what()).rfind(field, 0), 0u) << e.what();
  }
}

TEST(Calculate, DepthCutsNeverGoBelowTheRelief) {
  // A negative Z step would put the upper depth cuts below the compensated heights.
  ScratchDir dir;
  const std::string path = dir.File("keep.nc");
  platform::WriteFileText(path, "old program");
  CalculateFields fields = FlatTwoMillimetres();
  fields.depthCuts = "3";
  fields.zStep = "-1";
  ExpectRefused(fields, path, "Z step");
  EXPECT_EQ(FileText(path), "old program");

  // With one depth cut the Z step is never used.
  ReliefModel relief = SlopeRelief();
  NcWriter writer = FanucWriter();
  NcJob job = Job(path);
  fields.depthCuts = "1";
  CalculateResult result = Calculate(fields, relief, writer, job);
  EXPECT_TRUE(result.fileWritten) << result.fileError;
  EXPECT_NE(result.ncText.find("G1 Z0.000 F300"), std::string::npos) << result.ncText;
}

TEST(Calculate, RapidsStayAboveTheRelief) {
  // The rapids between passes and after every depth cut run at the feed plane: below the top of the
  // relief (plus the stock left on it) they would cut at rapid speed.
  ScratchDir dir;
  const std::string path = dir.File("keep.nc");
  platform::WriteFileText(path, "old program");
  CalculateFields fields = FlatTwoMillimetres();
  fields.feedPlane = "-0.5";
  ExpectRefused(fields, path, "Feed plane");
  fields.feedPlane = "0.2";
  fields.stockToLeave = "0.25";
  ExpectRefused(fields, path, "Feed plane");
  fields.toolType = kToolDrill;
  ExpectRefused(fields, path, "Feed plane");
  EXPECT_EQ(FileText(path), "old program");

  // Level with the top is allowed.
  ReliefModel relief = SlopeRelief();
  relief.grid.At(2, 1) = 0.5f;
  NcWriter writer = FanucWriter();
  NcJob job = Job(path);
  fields = FlatTwoMillimetres();
  fields.feedPlane = "0.75";
  fields.stockToLeave = "0.25";
  CalculateResult result = Calculate(fields, relief, writer, job);
  EXPECT_TRUE(result.fileWritten) << result.fileError;
  EXPECT_NE(result.ncText.find("G43 H1 Z0.750"), std::string::npos) << result.ncText;
}

TEST(Calculate, NextDepthCutStartsWithAPlungeAfterTheRetract) {
  // Stepover 2: one row at Y 20, a link, one row back at Y 22 ending at (10, 22); the next depth cut
  // starts at (10, 20), closer than 2 x sX (3). The tool has gone up to the feed plane at the end of
  // the depth cut, so it comes down over the start at the plunge rate, not along a slant at the feed
  // rate.
  ScratchDir dir;
  ReliefModel relief = SlopeRelief();
  NcWriter writer = FanucWriter();
  NcJob job = Job(dir.File("near.nc"));
  CalculateFields fields = FlatTwoMillimetres();
  fields.maxStepover = "2";
  std::vector<Move> moves;
  CalculateResult result = Calculate(fields, relief, writer, job, Recorder(moves));
  size_t retract = 0;
  // moves[0] is the start at the feed plane, moves[1] the first plunge's end.
  for (size_t n = 2; n < moves.size() && retract == 0; ++n)
    if (moves[n].rapid) retract = n;
  ASSERT_GT(retract, 0u);
  EXPECT_EQ(moves[retract].x, 10.0f);
  EXPECT_EQ(moves[retract].y, 22.0f);
  ASSERT_GE(moves.size(), retract + 4);
  EXPECT_TRUE(moves[retract + 1].rapid) << "at the feed plane over the retract point";
  EXPECT_TRUE(moves[retract + 2].rapid) << "across to the start";
  EXPECT_EQ(moves[retract + 2].y, 20.0f);
  EXPECT_EQ(moves[retract + 2].z, 2.0f);
  EXPECT_FALSE(moves[retract + 3].rapid) << "straight down";
  EXPECT_EQ(moves[retract + 3].x, 10.0f);
  EXPECT_EQ(moves[retract + 3].y, 20.0f);
  EXPECT_EQ(moves[retract + 3].z, 0.0f);
  EXPECT_NE(result.ncText.find("G0 Z2.000\r\nY20.000\r\nG1 Z0.000 F300\r\n"), std::string::npos) << result.ncText;
  // The first plunge (2 down to Z 0.5 above the start), then across at the feed plane (2) and
  // down (2) counted once each.
  double perCut = 0.0;
  for (size_t n = 2; n < retract; ++n)
    perCut += std::hypot(moves[n].x - moves[n - 1].x, moves[n].y - moves[n - 1].y, moves[n].z - moves[n - 1].z);
  EXPECT_NEAR(result.pathLength, 1.5 + 2 * perCut + 2.0 + 2.0, 1e-4);
}

}  // namespace
}  // namespace machining
