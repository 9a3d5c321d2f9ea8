// A job is never lost and its NC program never wrong: units and post-processors that must match, tools
// that cannot cut, the size shown is the size made, no file replaced unasked, changed jobs offered for
// saving, no document saved that Open refuses, the next job starts clean, and pages reached past the
// Next buttons.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <sys/stat.h>
#include <filesystem>
#include <functional>

#include "app/main_scene.h"
#include "app/page_control.h"
#include "app/save_target.h"
#include "cad/primitives2d.h"
#include "machining/document_record.h"
#include "main_window_fixture.h"
#include "platform/ini_file.h"
#include "platform/mapped_file.h"
#include "platform/qt_dialogs.h"
#include "scene3d/hud_objects.h"

namespace {

using platform::Answer;
using testing_support::FileText;

class JobSafetyTest : public testing_support::MainWindowTest {
 protected:
  JobSafetyTest() {
    for (const char* post : {"Fanuc_inch", "ShopBot_mm"})
      dir_.Write(std::string("pst/") + post + ".pst", FileText(std::string(VELKORA_SOURCE_DIR) + "/pst/" + post + ".pst"));
    std::filesystem::create_directories(dir_.File("nc"));
  }
  // Next up to the depth page, the relief applied (Save is enabled from there).
  void WalkToDepth() {
    for (const char* next : {"sbtNextB1", "sbtNextB2"}) Click(next);
    if (Enabled("sbtProfApply")) Click("sbtProfApply");
    ASSERT_TRUE(Enabled("sbtSave")) << "saving is possible from the depth page on";
  }

  QLineEdit* Edit(const char* name) const { return Get<QLineEdit>(name); }
  // The texts of every message shown so far, one after the other.
  std::string Messages() const {
    std::string all;
    for (const auto& shown : dialogs_.messages) all += shown.text + "\n";
    return all;
  }
  // Walks from a fresh start to the cutting page with `ncFile` chosen (without extension).
  void WalkToCutting(const std::string& ncFile) {
    Start();
    OpenAndWalkToCutting(ncFile);
  }
  // Chooses the post-processor `name` on the NC-file page as the user does.
  void ChoosePost(const char* name) {
    auto* posts = Get<QComboBox>("cboPostName");
    const int index = posts->findText(name);
    ASSERT_GE(index, 0) << name;
    posts->setCurrentIndex(index);
    main_->cboPostNameChange();
  }
  // Makes the document at `path` name `ncPath` as its NC file, as a received one might.
  static void NameNcFileIn(const std::string& path, const std::string& ncPath) {
    const platform::Bytes bytes = platform::ReadFileBytes(path);
    machining::Document parsed = machining::ParseDocument(bytes.data(), bytes.size());
    parsed.record.ncPath = ncPath;
    platform::WriteFileBytes(path, machining::DocumentBytes(parsed.bitmap, parsed.record));
  }
  void SaveDocumentAs(const std::string& path) {
    dialogs_.fileNames = {path};
    dialogs_.filterIndexes = {1};
    Click("sbtSave");
  }
};

TEST_F(JobSafetyTest, CalculateRefusesAPostProcessorOfTheOtherUnitAndAToolThatCannotCut) {
  WalkToCutting(dir_.File("nc/job"));
  ChoosePost("Fanuc_inch");
  dialogs_.messages.clear();
  Click("sbtNcCalc");
  EXPECT_FALSE(platform::FileExists(dir_.File("nc/job.nc"))) << "nothing written in the wrong unit";
  EXPECT_NE(Messages().find("in inches, but the job is in millimetres"), std::string::npos) << Messages();
  EXPECT_TRUE(Enabled("sbtNcCalc"));
  EXPECT_FALSE(Enabled("sbtNextB6"));

  // Back to the post of the job's unit: Calculate runs.
  ChoosePost("Fanuc_mm");
  dialogs_.messages.clear();
  Click("sbtNcCalc");
  ASSERT_TRUE(platform::FileExists(dir_.File("nc/job.nc"))) << Messages();
  const std::string written = FileText(dir_.File("nc/job.nc"));

  // A tool of diameter 0 cannot cut: refused, and the file of the last run stays.
  tool_->Find<QLineEdit>("txtDiametro")->setText("0");
  main_->TogliAssoc();
  dialogs_.messages.clear();
  Click("sbtNcCalc");
  EXPECT_NE(Messages().find("must be above 0"), std::string::npos) << Messages();
  EXPECT_EQ(FileText(dir_.File("nc/job.nc")), written);

  // A stepover wider than the tool is the user's call: No stops, Yes calculates.
  tool_->Find<QLineEdit>("txtDiametro")->setText("3");
  Edit("txtIncXY")->setText("5");
  dialogs_.messages.clear();
  dialogs_.answers = {Answer::No};
  Click("sbtNcCalc");
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_NE(dialogs_.messages[0].text.find("wider than the tool's diameter"), std::string::npos);
  EXPECT_EQ(FileText(dir_.File("nc/job.nc")), written) << "No writes nothing";
  dialogs_.answers = {Answer::Yes};
  Click("sbtNcCalc");
  EXPECT_NE(FileText(dir_.File("nc/job.nc")), written) << "Yes calculates with the wide stepover";
}

TEST_F(JobSafetyTest, ADocumentSavedBeforeThePostPageKeepsItsPostProcessor) {
  Start();
  Open(picture_);
  WalkToDepth();
  const std::string document = dir_.File("early.qvx");
  SaveDocumentAs(document);
  const platform::MappedFile file(document);
  const machining::Document saved = machining::ParseDocument(file.Data(), file.Size());
  EXPECT_EQ(saved.record.postName, "Fanuc_mm") << "the post-processor loaded, not the empty box";

  // Reopened, the job keeps its post-processor and calculates a whole program.
  dialogs_.messages.clear();
  dialogs_.answers = {Answer::Yes};
  Open(document);
  EXPECT_EQ(Messages().find("Pst not found"), std::string::npos) << Messages();
  EXPECT_EQ(main_->Settings().pst, "Fanuc_mm");
}

TEST_F(JobSafetyTest, TheHeightShownAfterApplyIsTheReliefsExtent) {
  const std::string wide = WritePicture("pictures/wide.bmp", 600, 400);
  Start();
  Open(wide);
  Get<QCheckBox>("chkRatio")->setChecked(true);
  Edit("txtVecLarg")->setText("150");
  EXPECT_EQ(Edit("txtVecAlt")->text(), "100.000") << "the ratio as typed";
  Click("sbtDimApply");
  const machining::ReliefModel& relief = main_->Relief();
  const double extent = static_cast<double>(relief.gridStep) * (relief.rows - 1);
  EXPECT_NEAR(extent, 150.0 * 399 / 599, 1e-4);
  EXPECT_EQ(Edit("txtVecAlt")->text().toStdString(), main_->Formatta(extent)) << "99.917, what is made";
  EXPECT_EQ(Edit("txtVecLarg")->text(), "150.000");
}

TEST_F(JobSafetyTest, NoFileIsReplacedUnasked) {
  // The first job writes its program.
  WalkToCutting(dir_.File("nc/first"));
  Click("sbtNcCalc");
  const std::string first = FileText(dir_.File("nc/first.nc"));
  ASSERT_FALSE(first.empty());

  // A second picture starts with no NC file: the NC-file page asks for one, and cancelling it leaves
  // nothing to write to.
  const std::string second = WritePicture("pictures/second.bmp", 30, 20);
  dialogs_.answers = {Answer::No};  // discard the first job (its NC file made it a changed one)
  dialogs_.fileNames = {second, ""};
  Click("sbtOpen");
  EXPECT_TRUE(main_->Job().ncFileName.empty()) << "the last job's NC file is not the new one's";
  for (const char* next : {"sbtNextB1", "sbtNextB2", "sbtNextB3"}) Click(next);
  EXPECT_EQ(Status(), "page 47: nc file") << "a cancelled dialog leaves the page's own text";
  EXPECT_FALSE(Enabled("sbtNextB4"));
  EXPECT_EQ(FileText(dir_.File("nc/first.nc")), first);

  // Typing the old name without extension asks about the file really written; No keeps it.
  dialogs_.messages.clear();
  dialogs_.fileNames = {dir_.File("nc/first")};
  dialogs_.answers = {Answer::No};
  main_->sbtNewNcClick();
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_EQ(dialogs_.messages[0].text.rfind(dir_.File("nc/first.nc") + " already exists.", 0), 0u)
      << dialogs_.messages[0].text;
  EXPECT_TRUE(main_->Job().ncFileName.empty());

  // A document that names an existing file (a received one) asks before Calculate replaces it.
  dialogs_.fileNames = {dir_.File("nc/other")};
  main_->sbtNewNcClick();
  Click("sbtNextB4");
  Click("sbtNextB5");
  const std::string document = dir_.File("received.qvx");
  SaveDocumentAs(document);
  NameNcFileIn(document, dir_.File("nc/first.nc"));
  // Opened in a later session, which has not chosen that file.
  Start();
  Open(document);
  ASSERT_EQ(main_->Job().ncFileName, dir_.File("nc/first.nc"));
  dialogs_.messages.clear();
  dialogs_.answers = {Answer::No};
  Click("sbtNcCalc");
  ASSERT_EQ(dialogs_.messages.size(), 1u) << Messages();
  EXPECT_NE(dialogs_.messages[0].text.find("already exists"), std::string::npos);
  EXPECT_EQ(FileText(dir_.File("nc/first.nc")), first) << "No leaves the file byte for byte";
}

// No to replacing a file brings the dialog back with that name and type, as desktop save dialogs do:
// the NC-file dialog, Save and the listing's Save. The first NC-file dialog starts in the user's
// documents and the first Save beside the picture, later ones where the user last chose.
TEST_F(JobSafetyTest, NoToReplacingBringsTheDialogBack) {
  WalkToCutting(dir_.File("nc/first"));
  EXPECT_EQ(dialogs_.fileRequests[1].initialPath, app::UserDocumentsFolder() + "relief")
      << "the first NC file in the user's documents";
  Click("sbtNcCalc");
  Click("sbtNextB6");
  dir_.Write("nc/taken.qvx", std::string("mine"));
  dir_.Write("nc/taken.nc", std::string("mine"));
  const struct {
    const char* what;
    std::function<void()> open;
    int filter;  // the type chosen in the dialog, 0: the dialog has one
    std::string taken, written;
  } cases[] = {
      {"NC-file dialog", [&] { main_->sbtNewNcClick(); }, 0, dir_.File("nc/taken.nc"), dir_.File("nc/free.nc")},
      {"Save", [&] { Click("sbtSave"); }, 1, dir_.File("nc/taken.qvx"), dir_.File("nc/free.qvx")},
      {"listing Save", [&] { Click("sbtIsoSave"); }, 0, dir_.File("nc/taken.nc"), dir_.File("nc/listing.nc")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    for (bool takeAnother : {false, true}) {
      const size_t shown = dialogs_.fileRequests.size();
      const std::string stem = std::filesystem::path(c.taken).replace_extension().string();
      dialogs_.fileNames = {stem, takeAnother ? c.written : ""};
      dialogs_.filterIndexes = c.filter ? std::vector<int>{c.filter, c.filter} : std::vector<int>{};
      dialogs_.answers = {Answer::No};
      c.open();
      ASSERT_EQ(dialogs_.fileRequests.size(), shown + 2) << "No shows the dialog again";
      const platform::FileDialogRequest& again = dialogs_.fileRequests.back();
      EXPECT_EQ(again.initialPath, c.taken) << "with the name asked about, its type added";
      EXPECT_EQ(again.filter, dialogs_.fileRequests[shown].filter);
      if (c.filter) {
        EXPECT_EQ(again.filterIndex, c.filter) << "and the type chosen";
      }
      EXPECT_EQ(FileText(c.taken), "mine") << "the file the user kept";
      if (c.filter || c.what == std::string("listing Save")) {
        EXPECT_EQ(platform::FileExists(c.written), takeAnother) << "the other name is written, a cancel writes nothing";
      } else {
        EXPECT_EQ(main_->Job().ncFileName == c.written, takeAnother) << "the other name is the job's NC file";
      }
    }
  }

  // The next picture: its NC-file dialog and Save start where the user last chose.
  const std::string second = WritePicture("elsewhere/second.bmp");
  dialogs_.answers = {Answer::Yes};  // the job as saved: the plain question
  dialogs_.fileNames = {second, ""};
  Click("sbtOpen");
  for (const char* next : {"sbtNextB1", "sbtNextB2", "sbtNextB3"}) Click(next);
  EXPECT_EQ(dialogs_.fileRequests.back().initialPath, dir_.File("nc/second"));
  dialogs_.fileNames = {""};
  Click("sbtSave");
  EXPECT_EQ(dialogs_.fileRequests.back().initialPath, dir_.File("nc/second"));
}

TEST_F(JobSafetyTest, AReceivedDocumentNamingAnotherFileOrPostIsNeverTrusted) {
  // A received document whose NC path names a text file elsewhere on the disk: Calculate asks, and
  // No leaves it byte for byte.
  WalkToCutting(dir_.File("nc/mine"));
  const std::string letter = dir_.Write("elsewhere/letter.txt", std::string("Dear Anna,\r\n"));
  const std::string document = dir_.File("received.qvx");
  SaveDocumentAs(document);
  NameNcFileIn(document, letter);
  dialogs_.answers = {Answer::Yes};  // the drawing on screen goes
  Open(document);
  ASSERT_EQ(main_->Job().ncFileName, letter);
  dialogs_.messages.clear();
  dialogs_.answers = {Answer::No};
  Click("sbtNcCalc");
  ASSERT_EQ(dialogs_.messages.size(), 1u) << Messages();
  EXPECT_NE(dialogs_.messages[0].text.find(letter + " already exists"), std::string::npos) << Messages();
  EXPECT_EQ(FileText(letter), "Dear Anna,\r\n");

  // A post-processor name that leads out of the "pst" folder: the document is refused as it is opened.
  const platform::Bytes good = platform::ReadFileBytes(document);
  platform::Bytes bad = good;
  const size_t record = bad.size() - machining::kDocumentRecordSize;
  const char name[] = "../../../../etc/passwd";
  std::copy(name, name + sizeof name, bad.begin() + static_cast<std::ptrdiff_t>(record + 289));
  platform::WriteFileBytes(document, bad);
  dialogs_.messages.clear();
  dialogs_.answers = {Answer::Yes};
  platform::RunGuarded([&] { Open(document); });
  EXPECT_NE(Messages().find("is no plain file name"), std::string::npos) << Messages();
  EXPECT_EQ(Messages().find("passwd.pst"), std::string::npos) << Messages();
  EXPECT_EQ(main_->Job().ncFileName, letter) << "the refused document changed nothing";
}

TEST_F(JobSafetyTest, TheNcDialogOffersThePostProcessorsExtension) {
  WalkToCutting(dir_.File("nc/job"));
  Click("sbtPrevB6");
  Click("sbtPrevB5");
  ChoosePost("ShopBot_mm");
  dialogs_.fileNames = {dir_.File("nc/shop")};
  Click("sbtNewNc");
  EXPECT_EQ(dialogs_.fileRequests.back().filter, "NC programs (*.sbp)|*.sbp");
  EXPECT_EQ(main_->Job().ncFileName, dir_.File("nc/shop.sbp"));
}

TEST_F(JobSafetyTest, AChangedJobIsOfferedForSavingBeforeItGoes) {
  Start();
  Open(picture_);
  // Unchanged since it was opened: the plain question.
  dialogs_.messages.clear();
  dialogs_.answers = {Answer::No};
  EXPECT_FALSE(main_->FormClose());
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_EQ(dialogs_.messages[0].text, "Leave?");
  dialogs_.answers = {Answer::Yes};  // "452" before the picture is opened again, unchanged
  OpenAndWalkToCutting(dir_.File("nc/job"));

  // Changed: Save, Discard or Cancel.
  Edit("txtFeedPlane")->setText("7");
  dialogs_.messages.clear();
  dialogs_.answers = {Answer::Cancel};
  EXPECT_FALSE(main_->FormClose()) << "Cancel keeps the window";
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_EQ(dialogs_.messages[0].buttons, platform::Buttons::SaveDiscardCancel);

  // Save of a job never saved runs the save dialog, which starts beside the picture; New goes on once
  // it is saved.
  const std::string document = dir_.File("job.qvx");
  dialogs_.answers = {Answer::Yes};
  dialogs_.fileNames = {document};
  dialogs_.filterIndexes = {1};
  Click("sbtNew");
  ASSERT_TRUE(platform::FileExists(document));
  EXPECT_EQ(dialogs_.fileRequests.back().initialPath, dir_.File("pictures/relief")) << "not the program's folder";
  EXPECT_EQ(main_->WorkingBitmap(), nullptr) << "saved, then the next job";
  auto feedPlaneIn = [&] {
    const platform::MappedFile file(document);
    return machining::ParseDocument(file.Data(), file.Size()).record.feedPlane;
  };
  EXPECT_FLOAT_EQ(feedPlaneIn(), 7.0f);

  // Reopened and changed: Save writes to the job's own document without a dialog.
  Open(document);
  Edit("txtFeedPlane")->setText("8");
  const size_t requests = dialogs_.fileRequests.size();
  dialogs_.answers = {Answer::Yes};
  Click("sbtNew");
  EXPECT_EQ(dialogs_.fileRequests.size(), requests);
  EXPECT_FLOAT_EQ(feedPlaneIn(), 8.0f);

  // Discard at closing writes nothing, and no other question follows.
  Open(document);
  Edit("txtFeedPlane")->setText("9");
  dialogs_.messages.clear();
  dialogs_.answers = {Answer::No};
  EXPECT_TRUE(main_->FormClose());
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_EQ(dialogs_.messages[0].buttons, platform::Buttons::SaveDiscardCancel);
  EXPECT_FLOAT_EQ(feedPlaneIn(), 8.0f);
}

// Closing the window, Exit, New and Open all ask the one Save / Discard / Cancel question whenever the
// job differs from its document, the NC file included, and only the plain question when nothing changed.
TEST_F(JobSafetyTest, EveryWayOutAsksAboutAChangedJob) {
  int run = 0;
  const struct {
    const char* what;
    std::function<void()> change;  // after opening the saved document
    bool changed;
    // The document keeps no NC file: opening it asks for one on its way to the cutting page.
    bool ncChosenWhileOpening = false;
  } states[] = {
      {"as opened", [] {}, false},
      {"an NC file chosen while it opened", [] {}, true, true},
      {"calculated as opened",
       [this] {
         dialogs_.answers = {Answer::Yes};  // the document's NC file may be written again
         Click("sbtNcCalc");
       },
       false},
      {"another NC file, calculated",
       [this, &run] {
         dialogs_.fileNames = {dir_.File("nc/other" + std::to_string(run))};
         main_->sbtNewNcClick();
         Click("sbtNcCalc");
       },
       true},
      {"another NC file", [this, &run] {
         dialogs_.fileNames = {dir_.File("nc/other" + std::to_string(run))};
         main_->sbtNewNcClick();
       }, true},
      {"a field", [this] { Edit("txtStock")->setText("0.25"); }, true},
  };
  const struct {
    const char* what;
    std::function<void()> leave;
    const char* plainQuestion;
  } exits[] = {
      {"close", [this] { main_->close(); }, "Leave?"},
      {"Exit", [this] { main_->sbtExitClick(); }, "Leave?"},
      {"New", [this] { Click("sbtNew"); }, "Discard the job?"},
      {"Open",
       [this] {
         dialogs_.fileNames = {picture_};
         Click("sbtOpen");
       },
       "Discard the job?"},
  };
  for (const auto& exit : exits) {
    for (const auto& state : states) {
      SCOPED_TRACE(std::string(exit.what) + ", " + state.what);
      // Each run a job of its own, so no file of an earlier run is asked about.
      const std::string job = "job" + std::to_string(++run), document = dir_.File(job + ".qvx");
      Start().SetReplayWait([](int) {});
      if (state.ncChosenWhileOpening) {
        Open(picture_);
        WalkToDepth();
      } else {
        OpenAndWalkToCutting(dir_.File("nc/" + job));
        Click("sbtNcCalc");
      }
      SaveDocumentAs(document);
      dialogs_.answers = {Answer::Yes};
      dialogs_.fileNames = {document, dir_.File("nc/" + job)};
      Click("sbtOpen");
      ASSERT_EQ(Page(), app::kPageCutting);
      ASSERT_EQ(main_->Job().ncFileName, dir_.File("nc/" + job + ".nc"));
      state.change();
      const std::string ncFile = main_->Job().ncFileName;

      // The user stays: Cancel to the Save question, No to the plain one.
      dialogs_.messages.clear();
      dialogs_.answers = {state.changed ? Answer::Cancel : Answer::No};
      dialogs_.fileNames = {};
      exit.leave();
      ASSERT_EQ(dialogs_.messages.size(), 1u) << Messages();
      if (state.changed) {
        EXPECT_EQ(dialogs_.messages[0].buttons, platform::Buttons::SaveDiscardCancel) << Messages();
      } else {
        EXPECT_EQ(dialogs_.messages[0].text, exit.plainQuestion);
        EXPECT_EQ(dialogs_.messages[0].buttons, platform::Buttons::YesNo);
      }
      EXPECT_NE(main_->WorkingBitmap(), nullptr) << "the job stays";
      EXPECT_EQ(main_->Job().ncFileName, ncFile) << "and its NC file with it";

      // Save, when asked, keeps the NC file in the document.
      if (state.changed) {
        dialogs_.messages.clear();
        dialogs_.answers = {Answer::Yes};
        exit.leave();
        const platform::MappedFile file(document);
        EXPECT_EQ(machining::ParseDocument(file.Data(), file.Size()).record.ncPath, ncFile);
      }
    }
  }
}

// The tool's name is the program's comment, in plain capitals whatever letters it has; a tool without
// a name gives no comment line at all.
TEST_F(JobSafetyTest, TheToolsNameIsTheProgramsComment) {
  const struct {
    const char* name;
    const char* comment;  // the line after the file's name, none: nullptr
  } cases[] = {{"Kugel \u00D8 6", "(KUGEL O 6)"}, {"Fr\u00E4ser", "(FRASER)"}, {"", nullptr}, {"  ", nullptr}};
  WalkToCutting(dir_.File("nc/named"));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    tool_->Find<QLineEdit>("txtUtName")->setText(QString::fromUtf8(c.name));
    main_->TogliAssoc();
    Click("sbtNcCalc");
    const std::string text = FileText(dir_.File("nc/named.nc"));
    std::vector<std::string> lines;
    for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
      lines.push_back(text.substr(start, end - start));
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[1], "(NAMED.NC)");
    EXPECT_EQ(lines[2], c.comment ? c.comment : "G21 G90 G17 G40 G49 G80 G94");
    EXPECT_EQ(text.find("()"), std::string::npos) << text.substr(0, 200);
  }
}

TEST_F(JobSafetyTest, SaveRefusesWhatOpenWouldRefuse) {
  Start();
  Open(picture_);
  WalkToDepth();
  const struct {
    const char* field;
    const char* text;
    const char* said;
  } cases[] = {
      {"txtVecLarg", "0", "image width is not between"},
      {"txtFeedPlane", "1e39", "Feed plane: \"1e39\" is too large"},
      {"txtOriginX", "1234567890123456789012345678901234567890", "Reference point X:"},
      {"txtWhiteD", "abc", "Depth for white: \"abc\" is not a number"},
  };
  for (const auto& c : cases) {
    const QString before = Edit(c.field)->text();
    Edit(c.field)->setText(c.text);
    dialogs_.messages.clear();
    const std::string document = dir_.File(std::string("bad_") + c.field + ".qvx");
    dialogs_.fileNames = {document};
    dialogs_.filterIndexes = {1};
    // Straight to the command: some fields disable the button while they are being changed.
    platform::RunGuarded([this] { main_->sbtSaveClick(); });
    EXPECT_FALSE(platform::FileExists(document)) << c.field << " " << c.text;
    EXPECT_NE(Messages().find(c.said), std::string::npos) << c.field << ": " << Messages();
    Edit(c.field)->setText(before);
  }
}

TEST_F(JobSafetyTest, NewAndOpenStartTheNextJobClean) {
  WalkToCutting(dir_.File("nc/job"));
  // A "Z no cut" height picked and on, a time shown.
  Get<QCheckBox>("chkCutColor")->setChecked(true);
  Click("btnZNC");
  main_->LocalCad().AddObject(app::kZNoCutPointId, std::make_unique<cad::TPunto2D>(app::kZNoCutPointId, cad::Point2D(10, 10)));
  main_->LocalPrgEndOperation();
  ASSERT_TRUE(main_->ZNoCutOn());
  Click("sbtNcCalc");
  ASSERT_TRUE(main_->Scene().Text().Visible());

  dialogs_.answers = {Answer::No};  // Discard
  Click("sbtNew");
  EXPECT_FALSE(main_->ZNoCutOn());
  EXPECT_FLOAT_EQ(main_->ZNoCutHeight(), machining::kZNoCutNone);
  EXPECT_FALSE(Get<QCheckBox>("chkCutColor")->isChecked());
  EXPECT_FALSE(main_->Scene().Text().Visible()) << "no time over the next relief";
  EXPECT_TRUE(main_->Job().ncFileName.empty());
  EXPECT_TRUE(main_->ToolpathNodes().empty());
  EXPECT_TRUE(Get<QPlainTextEdit>("ricIso")->toPlainText().isEmpty());
  EXPECT_EQ(Edit("txtFeedPlane")->text(), "2") << "the cutting values are the user's defaults";
  EXPECT_FALSE(Enabled("sbtSave")) << "as at start";
  EXPECT_EQ(Status(), "open a picture") << "the prompt of the start";

  // A failed open gives the status line back.
  main_->Messaggio("before");
  dir_.Write("pictures/broken.bmp", "BM not a picture");
  dialogs_.fileNames = {dir_.File("pictures/broken.bmp")};
  Click("sbtOpen");
  EXPECT_EQ(Status(), "before");
  dialogs_.fileNames = {""};
  Click("sbtOpen");
  EXPECT_EQ(Status(), "before") << "a cancelled open too";
}

TEST_F(JobSafetyTest, PagesReachedWithCtrlTabBuildTheReliefFirst) {
  Start();
  dialogs_.fileNames = {picture_, dir_.File("nc/tabbed")};
  Click("sbtOpen");
  ASSERT_EQ(Page(), app::kPageDimension);
  app::TPageControl* pages = main_->PageControl();
  for (int i = 0; i < 5; ++i) {
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::ControlModifier);
    QApplication::sendEvent(pages, &tab);
  }
  ASSERT_EQ(Page(), app::kPageCutting);
  EXPECT_EQ(main_->Relief().grid.Columns(), 40) << "the relief was built on the way";
  EXPECT_TRUE(main_->Mode3D());
  EXPECT_EQ(Get<QComboBox>("cboPostName")->currentText(), "Fanuc_mm");
  dialogs_.messages.clear();
  Click("sbtNcCalc");
  EXPECT_EQ(Messages().find("0 x 30"), std::string::npos) << Messages();
  EXPECT_TRUE(platform::FileExists(dir_.File("nc/tabbed.nc"))) << Messages();
}

}  // namespace

TEST_F(JobSafetyTest, TheNcFolderIsTheDocumentsFolderUntilTheUserChoosesOne) {
  const std::string documents = app::UserDocumentsFolder();
  const std::string kept = dir_.File("nc") + "/";
  std::filesystem::create_directories(dir_.File("chosen"));
  const struct {
    const char* what;
    std::string ncPath;  // as the settings file has it
    std::string starts;  // the folder the first NC-file dialog starts in
    std::string chosen;  // the file the user chooses there, none when empty
    std::string written; // "NcPath" as closing writes it back
  } cases[] = {
      {"no folder in the settings", "", documents, "", documents},
      {"the folder the settings keep", kept, kept, "", kept},
      // A drive not mounted today keeps its folder for the day it is back.
      {"a folder gone since", dir_.File("gone") + "/", documents, "", dir_.File("gone") + "/"},
      {"the folder last chosen", "", documents, dir_.File("chosen/job.nc"), dir_.File("chosen") + "/"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    dir_.Write("velkora.ini", "[Default]\nNcPath=" + c.ncPath + "\n");
    Start();
    dialogs_.fileNames = {picture_, c.chosen};
    Click("sbtOpen");
    for (const char* next : {"sbtNextB1", "sbtNextB2", "sbtNextB3"}) Click(next);
    EXPECT_EQ(dialogs_.fileRequests.back().initialPath, c.starts + "relief");
    // A job with an NC file chosen is a changed one: Discard; an unchanged one: Yes to leaving.
    dialogs_.answers = {c.chosen.empty() ? Answer::Yes : Answer::No};
    ASSERT_TRUE(main_->FormClose());
    const platform::IniFile ini(dir_.File("velkora.ini"));
    EXPECT_EQ(ini.ReadString("Default", "NcPath", "?"), c.written);
    tool_.reset();
    main_.reset();
    language_.LangIni.reset();
  }
}

TEST_F(JobSafetyTest, ADocumentNeverMakesOrFeedsItsNcFileUnasked) {
  // A received document whose NC file is not there yet, or is a named pipe: the first Calculate asks
  // whether to write there at all, and No makes nothing.
  WalkToCutting(dir_.File("nc/mine"));
  const std::string document = dir_.File("received.qvx");
  SaveDocumentAs(document);
  const std::string pipe = dir_.File("elsewhere/pipe.nc");
  std::filesystem::create_directories(dir_.File("elsewhere"));
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
  const struct {
    const char* what;
    std::string ncPath;
    Answer answer;
    bool written;
  } cases[] = {
      {"a file not there yet, No", dir_.File("elsewhere/new.nc"), Answer::No, false},
      {"a file not there yet, Yes", dir_.File("elsewhere/made.nc"), Answer::Yes, true},
      {"a named pipe, No", pipe, Answer::No, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    NameNcFileIn(document, c.ncPath);
    Start();
    Open(document);
    ASSERT_EQ(main_->Job().ncFileName, c.ncPath);
    dialogs_.messages.clear();
    dialogs_.answers = {c.answer};
    Click("sbtNcCalc");
    ASSERT_EQ(dialogs_.messages.size(), 1u) << Messages();
    EXPECT_EQ(dialogs_.messages[0].text.rfind(c.ncPath + "\r\nwas named by the opened document", 0), 0u) << Messages();
    EXPECT_EQ(dialogs_.messages[0].buttons, platform::Buttons::YesNo);
    if (c.ncPath == pipe) {
      struct stat info {};
      ASSERT_EQ(::stat(pipe.c_str(), &info), 0);
      EXPECT_TRUE(S_ISFIFO(info.st_mode)) << "still the pipe";
      continue;
    }
    EXPECT_EQ(platform::FileExists(c.ncPath), c.written);
    if (!c.written) continue;
    // Once agreed, the job's own: the next Calculate asks nothing.
    Edit("txtFeedPlane")->setText("3");
    Click("sbtNcCalc");
    EXPECT_EQ(dialogs_.messages.size(), 1u) << Messages();
  }

  // A file this session chose in the NC-file dialog, named by a document opened later: nothing to ask.
  const std::string chosen = dir_.File("elsewhere/chosen.nc");
  NameNcFileIn(document, chosen);
  Start();
  dialogs_.fileNames = {chosen};
  main_->sbtNewNcClick();
  Open(document);
  dialogs_.messages.clear();
  Click("sbtNcCalc");
  EXPECT_EQ(Messages(), "");
  EXPECT_TRUE(platform::FileExists(chosen));
}
