// The job object and the checks that keep a job's NC program right: what the next job keeps, when a
// job counts as changed, the size the relief is really made at, the record checks Save shares with
// Open, post-processors that must fit the job, and tools that cannot cut.
#include "machining/job.h"

#include <gtest/gtest.h>

#include "machining/calculate.h"
#include "machining/document_record.h"
#include "machining/nc_words.h"
#include "machining/relief.h"
#include "platform/dialogs.h"
#include "platform/exception.h"
#include "platform/ini_file.h"

namespace {

using namespace machining;

TEST(Job, TheNextJobKeepsTheUsersDefaultsAndNothingOfThePicture) {
  Job job;
  job.workBitmap = std::make_unique<platform::Bitmap>(4, 3, 24);
  job.secondBitmap = std::make_unique<platform::Bitmap>(2, 2, 24);
  job.relief.width = 150.0f;
  job.relief.columns = 4;
  job.relief.zWhite = -1.0f;
  job.relief.zBlack = -4.0f;
  job.relief.depth = 3.0f;
  job.relief.stockToLeave = 0.2f;
  job.relief.grid.Resize(4, 3, -2.0f);
  job.relief.gridStale = false;
  job.nc.ncFileName = "/jobs/rose.nc";
  job.nc.toolName = "Ball 3";
  job.nc.feedRateText = "1200";
  job.nc.referenceHeight = 9.0;
  job.ncFileChosen = true;
  job.programComputed = true;
  job.referenceCode = 5;
  job.zNoCutOn = true;
  job.zNoCutHeight = -1.5f;
  job.zNoCutTolerance = 0.3f;
  job.timeShown = true;
  job.documentFile = job.savedDocument = "/jobs/rose.qvx";
  job.MarkSaved(42);

  job.Reset();
  EXPECT_EQ(job.workBitmap, nullptr);
  EXPECT_EQ(job.secondBitmap, nullptr);
  EXPECT_EQ(job.relief.width, 0.0f);
  EXPECT_EQ(job.relief.columns, 0);
  EXPECT_EQ(job.relief.grid.Columns(), 0);
  EXPECT_TRUE(job.relief.gridStale);
  EXPECT_TRUE(job.nc.ncFileName.empty()) << "the last job's NC file is never the next one's";
  EXPECT_EQ(job.nc.referenceHeight, NcJob{}.referenceHeight);
  EXPECT_FALSE(job.ncFileChosen);
  EXPECT_FALSE(job.programComputed);
  EXPECT_EQ(job.referenceCode, 0);
  EXPECT_FALSE(job.zNoCutOn);
  EXPECT_EQ(job.zNoCutHeight, kZNoCutNone);
  EXPECT_FALSE(job.timeShown);
  EXPECT_TRUE(job.documentFile.empty());
  EXPECT_TRUE(job.savedDocument.empty());
  EXPECT_FALSE(job.savedFingerprint);
  // The user's defaults: depths, stock, the tool's texts, the "Z no cut" tolerance.
  EXPECT_EQ(job.relief.zWhite, -1.0f);
  EXPECT_EQ(job.relief.zBlack, -4.0f);
  EXPECT_EQ(job.relief.depth, 3.0f);
  EXPECT_EQ(job.relief.stockToLeave, 0.2f);
  EXPECT_EQ(job.nc.toolName, "Ball 3");
  EXPECT_EQ(job.nc.feedRateText, "1200");
  EXPECT_EQ(job.zNoCutTolerance, 0.3f);
}

TEST(Job, AChangeIsAnyByteOfTheDocumentAndNothingWithoutAPicture) {
  Job job;
  EXPECT_FALSE(job.Changed(std::nullopt)) << "no picture, nothing to lose";
  job.workBitmap = std::make_unique<platform::Bitmap>(4, 3, 8);
  const platform::Bytes record = DocumentRecordBytes(TDocumentRecord{});
  const uint64_t saved = JobFingerprint(job.workBitmap.get(), record);
  EXPECT_TRUE(job.Changed(saved)) << "never opened or saved";
  job.MarkSaved(saved);
  EXPECT_FALSE(job.Changed(saved));
  EXPECT_TRUE(job.Changed(std::nullopt)) << "a field that cannot be saved is an unsaved change";

  platform::Bytes edited = record;
  edited[470] ^= 1;
  EXPECT_NE(JobFingerprint(job.workBitmap.get(), edited), saved) << "one bit of the record";
  platform::Bitmap pixel = *job.workBitmap;
  pixel.Row(2)[3] = 7;
  EXPECT_NE(JobFingerprint(&pixel, record), saved) << "one pixel";
  platform::Bitmap palette = *job.workBitmap;
  platform::Palette colors = palette.Colors();
  colors[5].red = 1;
  palette.SetColors(colors);
  EXPECT_NE(JobFingerprint(&palette, record), saved) << "one palette entry";
  EXPECT_NE(JobFingerprint(nullptr, record), saved);
}

TEST(Job, TheHeightIsWhatOnePitchMakes) {
  const struct {
    float width, typedHeight;
    int columns, rows;
    float made;
  } cases[] = {
      {150.0f, 100.0f, 600, 400, static_cast<float>(150.0 / 599 * 399)},  // 99.917, not 100
      {10.0f, 99.0f, 11, 6, 5.0f},                                       // a typed height is not made
      {7.0f, 3.0f, 2, 2, 7.0f},
  };
  for (const auto& c : cases) {
    ReliefModel relief;
    relief.width = c.width;
    relief.height = c.typedHeight;
    relief.columns = c.columns;
    relief.rows = c.rows;
    FitHeightToPitch(relief);
    EXPECT_FLOAT_EQ(relief.height, c.made) << c.columns << " x " << c.rows;
    EXPECT_FLOAT_EQ(relief.unitsPerPixel, c.width / (c.columns - 1));
    // The stock box, the grid and Calculate take the same pitch.
    ImpostaBoxLimite(relief);
    EXPECT_FLOAT_EQ(relief.gridStep * (c.rows - 1), relief.height);
  }
  ReliefModel tiny;
  tiny.width = 5.0f;
  tiny.height = 4.0f;
  tiny.columns = 1;
  tiny.rows = 9;
  FitHeightToPitch(tiny);
  EXPECT_EQ(tiny.height, 4.0f) << "a picture the relief refuses keeps its size";
}

TEST(Job, SaveChecksTheRecordAsOpenReadsIt) {
  TDocumentRecord good;
  good.width = 40.0f;
  good.height = 30.0f;
  good.postName = "Fanuc_mm";
  EXPECT_NO_THROW(CheckDocumentRecord(good));
  const struct {
    void (*spoil)(TDocumentRecord&);
    const char* said;
  } cases[] = {
      {[](TDocumentRecord& r) { r.width = 0.0f; }, "image width is not between 0.001 and 1e30"},
      {[](TDocumentRecord& r) { r.height = -1.0f; }, "image height is not between 0.001 and 1e30"},
      {[](TDocumentRecord& r) { r.feedPlane = std::numeric_limits<float>::infinity(); }, "feed plane"},
      {[](TDocumentRecord& r) { r.depthCuts = 0; }, "depth cuts"},
      {[](TDocumentRecord& r) { r.tool.toolType = 9; }, "tool type"},
  };
  for (const auto& c : cases) {
    TDocumentRecord bad = good;
    c.spoil(bad);
    try {
      CheckDocumentRecord(bad);
      ADD_FAILURE() << c.said << " passed";
    } catch (const DocumentError& e) {
      EXPECT_NE(e.Message().find(c.said), std::string::npos) << e.Message();
    }
  }
}

NcWriter WriterFor(const char* name, const char* unitKey, bool jobInches) {
  platform::IniFile ini;
  ini.LoadFromText(std::string("[Default]\nDialect=ISO\n") + unitKey + "\n");
  NcWriter writer(ParsePostProcessor(ini, {}), jobInches);
  writer.postName = name;
  return writer;
}

TEST(Job, ThePostProcessorMustBeLoadedAndOfTheJobsUnit) {
  const struct {
    const char* loaded;
    const char* unit;
    bool jobInches;
    const char* chosen;
    const char* said;  // empty: fits
  } cases[] = {
      {"Fanuc_mm", "Unit=mm", false, "Fanuc_mm", ""},
      {"Fanuc_mm", "Unit=MM", false, "fanuc_MM", ""},  // names and keys without regard to case
      {"Fanuc_inch", "Unit=inch", true, "Fanuc_inch", ""},
      {"Old", "", true, "Old", ""},  // a file that declares no unit behaves as it always did
      {"Old", "", false, "", ""},
      {"Fanuc_inch", "Unit=inch", false, "Fanuc_inch", "in inches, but the job is in millimetres"},
      {"Fanuc_mm", "Unit=mm", true, "Fanuc_mm", "in millimetres, but the job is in inches"},
      {"", "Unit=mm", false, "", "No post-processor is loaded"},
      {"", "Unit=mm", false, "Gone", "\"Gone\" could not be read"},
      {"Fanuc_mm", "Unit=mm", false, "Other", "\"Other\" could not be read; the one loaded is \"Fanuc_mm\""},
  };
  for (const auto& c : cases) {
    const NcWriter writer = WriterFor(c.loaded, c.unit, c.jobInches);
    if (!*c.said) {
      EXPECT_NO_THROW(CheckPostProcessorFits(c.chosen, writer)) << c.loaded << " " << c.unit;
      continue;
    }
    try {
      CheckPostProcessorFits(c.chosen, writer);
      ADD_FAILURE() << c.said;
    } catch (const CalculateError& e) {
      EXPECT_NE(e.Message().find(c.said), std::string::npos) << e.Message();
      EXPECT_NE(e.Message().find("Nothing was written"), std::string::npos);
    }
  }
  platform::IniFile bad;
  bad.LoadFromText("[Default]\nUnit=furlong\n");
  EXPECT_THROW(ParsePostProcessor(bad, {}), platform::FormatError);

  // Calculate itself refuses before anything is built or written.
  ReliefModel relief;
  NcWriter wrong = WriterFor("Fanuc_inch", "Unit=inch", false);
  NcJob job;
  job.ncFileName = "/nonexistent/never.nc";
  // Rates a job can cut with, so only the unit can refuse it.
  job.feedRateText = "1000";
  job.plungeRateText = "300";
  try {
    Calculate(CalculateFields{}, relief, wrong, job);
    ADD_FAILURE() << "Calculate took a post-processor of the other unit";
  } catch (const CalculateError& e) {
    EXPECT_NE(e.Message().find("in inches, but the job is in millimetres"), std::string::npos) << e.Message();
  }
}

TEST(Job, ToolsThatCannotCutAreRefusedAndAWideStepoverIsSaid) {
  NcJob job;
  job.feedRateText = "1000";
  job.plungeRateText = "300";
  const struct {
    const char* diameter;
    int32_t type;
    const char* corner;
    bool cuts;
  } cases[] = {
      {"3", kToolSpherical, "1.5", true},
      {"0", kToolFlat, "0", false},
      {"-2", kToolSpherical, "0", false},
      {"0", kToolSpherical, "0", false},
      {"4", kToolBullNose, "3", false},  // a corner wider than the tool's radius
  };
  for (const auto& c : cases) {
    CalculateFields fields;
    fields.toolDiameter = c.diameter;
    fields.toolType = c.type;
    fields.cornerRadius = c.corner;
    if (c.cuts) EXPECT_NO_THROW(ReadCalculateParameters(fields, job)) << c.diameter;
    else EXPECT_THROW(ReadCalculateParameters(fields, job), ToolShapeError) << c.diameter << " type " << c.type;
  }

  CalculateFields fields;
  fields.toolDiameter = "3";
  fields.maxStepover = "3";
  EXPECT_EQ(StepoverWarning(ReadCalculateParameters(fields, job), false), "") << "as wide as the tool is fine";
  fields.maxStepover = "50";
  const std::string warning = StepoverWarning(ReadCalculateParameters(fields, job), false);
  EXPECT_NE(warning.find("The stepover 50 is wider than the tool's diameter 3"), std::string::npos) << warning;
}

}  // namespace
