// The document commands of the main window: Save (document, STL, DXF), New and Open of documents,
// the replay of the wizard, and what failing or damaged files leave.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <cmath>
#include <cstring>
#include <filesystem>

#include "app/page_control.h"
#include "app/save_target.h"
#include "cad/curves2d.h"
#include "cad/primitives2d.h"
#include "ezdxf_reader.h"
#include "machining/document_record.h"
#include "machining/stl_writer.h"
#include "main_window_fixture.h"
#include "named_pipe.h"
#include "platform/qt_dialogs.h"
#include "save_faults.h"

namespace {

using testing_support::FileText;
using testing_support::MainWindowTest;
using testing_support::RecordingMain;

class DocumentTest : public MainWindowTest {
 protected:
  RecordingMain& StartFast() {
    RecordingMain& w = Start();
    // The replay runs its steps at once; each wait is noted and may try the window meanwhile.
    w.SetReplayWait([this](int ms) {
      waits.push_back(ms);
      if (duringWait) duringWait();
    });
    return w;
  }
  // Save as the handler does it on a click: errors are shown.
  void Save(const std::string& name, int filter) {
    dialogs_.fileNames = {name};
    dialogs_.filterIndexes = {filter};
    platform::RunGuarded([&] { main_->sbtSaveClick(); });
  }
  void OpenDocument(const std::string& path) {
    dialogs_.fileNames = {path};
    Click("sbtOpen");
  }
  QString Text(const char* field) const { return Get<QLineEdit>(field)->text(); }
  std::vector<platform::RecordingDialogs::Shown> Errors() const {
    std::vector<platform::RecordingDialogs::Shown> errors;
    for (const auto& m : dialogs_.messages)
      if (m.kind == platform::MessageKind::Error) errors.push_back(m);
    return errors;
  }
  // A press and release of the left button, delivered as the window system would.
  static void SendClick(QWidget* widget) {
    const QPointF at(3, 3);
    QMouseEvent press(QEvent::MouseButtonPress, at, widget->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, widget->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QApplication::sendEvent(widget, &release);
  }

  std::vector<int> waits;
  std::function<void()> duringWait;
};

TEST_F(DocumentTest, SaveNewAndReopenBringEveryFieldBack) {
  RecordingMain& w = StartFast();
  const std::string ncFile = dir_.File("nc/job");
  std::filesystem::create_directories(dir_.File("nc"));
  OpenAndWalkToCutting(ncFile);
  // A size out of proportion, a typed reference point, depths, cutting parameters and the tool.
  Get<QCheckBox>("chkRatio")->setChecked(false);
  Get<QLineEdit>("txtVecLarg")->setText("50");
  Get<QLineEdit>("txtVecAlt")->setText("10");
  Get<QLineEdit>("txtOriginX")->setText("5");
  Get<QLineEdit>("txtOriginY")->setText("2.5");
  Click("sbtOrigineApply");
  Get<QLineEdit>("txtWhiteD")->setText("-1");
  Get<QLineEdit>("txtBlackD")->setText("-4");
  Get<QLineEdit>("txtFeedPlane")->setText("3");
  Get<QLineEdit>("txtIncXY")->setText("0.5");
  Get<QLineEdit>("txtStock")->setText("0.1");
  Get<QLineEdit>("txtFilter")->setText("0.01");
  Get<QSpinBox>("sedPass_Z")->setValue(3);
  Get<QLineEdit>("txtAspor_Z")->setText("1.5");
  Get<QCheckBox>("chkOrizzontale")->setChecked(false);
  Get<QCheckBox>("chkVerticale")->setChecked(true);
  tool_->Find<QLineEdit>("txtDiametro")->setText("4");
  Click("sbtNcCalc");

  Save(dir_.File("job"), 1);
  ASSERT_TRUE(dialogs_.messages.empty()) << dialogs_.messages.front().text;
  const std::string path = dir_.File("job.qvx");
  const platform::Bytes saved = platform::ReadFileBytes(path);
  const machining::Document document = machining::ParseDocument(saved);
  EXPECT_EQ(saved.size(), platform::EncodeBmp(*w.WorkingBitmap()).size() + 492);
  EXPECT_EQ(document.record.width, 50.0f);
  EXPECT_EQ(document.record.height, 10.0f);
  EXPECT_EQ(document.record.ncPath, ncFile + ".nc");
  EXPECT_EQ(document.record.postName, "Fanuc_mm");
  EXPECT_EQ(document.record.tool.diameter, 4.0f);
  EXPECT_EQ(w.windowTitle().toStdString(), path + " - " + w.StartCaption());
  EXPECT_EQ(w.DocumentFileName(), path);

  // New, confirmed: nothing of the job is left.
  dialogs_.answers = {platform::Answer::Yes};
  Click("sbtNew");
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_EQ(dialogs_.messages[0].text, "Discard the job?");
  EXPECT_EQ(dialogs_.messages[0].caption, "Question");
  EXPECT_EQ(dialogs_.messages[0].buttons, platform::Buttons::YesNo);
  EXPECT_EQ(w.WorkingBitmap(), nullptr);
  EXPECT_TRUE(Get<QWidget>("PageControl1")->isHidden());
  EXPECT_EQ(w.windowTitle().toStdString(), w.StartCaption());
  EXPECT_FALSE(w.Mode3D());
  EXPECT_TRUE(w.DocumentFileName().empty());
  // New with an empty drawing: nothing happens, nothing is asked.
  Click("sbtNew");
  EXPECT_EQ(dialogs_.messages.size(), 1u);

  // Reopened: the wizard is replayed to the cutting page, every field as saved.
  Get<QLineEdit>("txtFeedPlane")->setText("9");
  OpenDocument(path);
  EXPECT_EQ(dialogs_.messages.size(), 1u) << "an empty drawing is not asked about";
  EXPECT_EQ(waits, std::vector<int>(7, 200));
  EXPECT_FALSE(w.Replaying());
  EXPECT_EQ(Page(), app::kPageCutting);
  EXPECT_EQ(Status(), "page 49: cutting");
  EXPECT_TRUE(Get<QPlainTextEdit>("ricIso")->toPlainText().isEmpty());
  EXPECT_FALSE(Enabled("sbtNextB6"));
  EXPECT_TRUE(Enabled("sbtNcCalc"));
  EXPECT_TRUE(w.Mode3D());
  const struct {
    const char* field;
    const char* text;
  } fields[] = {{"txtVecLarg", "50"},   {"txtVecAlt", "10"},   {"txtOriginX", "5"},   {"txtOriginY", "2.5"},
                {"txtWhiteD", "-1"},    {"txtBlackD", "-4"},   {"txtFeedPlane", "3"}, {"txtIncXY", "0.5"},
                {"txtStock", "0.1"},    {"txtFilter", "0.01"}, {"txtAspor_Z", "1.5"}};
  for (const auto& f : fields) EXPECT_EQ(Text(f.field), f.text) << f.field;
  EXPECT_TRUE(Get<QCheckBox>("chkRatio")->isChecked());
  EXPECT_EQ(Get<QSpinBox>("sedPass_Z")->value(), 3);
  EXPECT_FALSE(Get<QCheckBox>("chkOrizzontale")->isChecked());
  EXPECT_TRUE(Get<QCheckBox>("chkVerticale")->isChecked());
  EXPECT_EQ(tool_->Find<QLineEdit>("txtDiametro")->text(), "4");
  EXPECT_EQ(w.Job().ncFileName, ncFile + ".nc");
  EXPECT_TRUE(Enabled("sbtNextB4"));
  EXPECT_EQ(w.Relief().width, 50.0f) << "the saved size, out of proportion";
  EXPECT_EQ(w.Relief().height, 10.0f);
  EXPECT_EQ(w.Relief().originX, -5.0f);
  EXPECT_EQ(w.Relief().originY, -2.5f);
  EXPECT_EQ(w.Relief().zBlack, -4.0f);
  EXPECT_EQ(w.Relief().grid.Columns(), 40) << "the relief was built";
  EXPECT_FALSE(w.Relief().gridStale);
  EXPECT_EQ(Get<QTreeWidget>("treInfoRas")->topLevelItem(0)->child(0)->text(0), "File: job.qvx");
  EXPECT_EQ(w.DocumentFileName(), path);
}

TEST_F(DocumentTest, TheReplayTakesNoInputAndOpeningOverAJobAsks) {
  RecordingMain& w = StartFast();
  OpenAndWalkToCutting(dir_.File("job"));
  Save(dir_.File("job"), 1);
  ASSERT_TRUE(std::filesystem::exists(dir_.File("job.qvx")));

  EXPECT_EQ(dialogs_.fileRequests[0].filter, "Image files (*.bmp,*.jpg)|*.BMP;*.JPG;*.JPEG|Velkora files (*.qvx)|*.QVX");
  EXPECT_EQ(dialogs_.filters[0], "Image files (*.bmp,*.jpg) (*.bmp *.jpg *.jpeg *.BMP *.JPG *.JPEG);;"
                                 "Velkora files (*.qvx) (*.qvx *.QVX)") << "as the Qt dialog gets it";
  // Without a replay a click on the open button opens its dialog.
  dialogs_.fileNames = {""};
  SendClick(Get<QToolButton>("sbtOpen"));
  ASSERT_EQ(dialogs_.fileRequests.size(), 4u) << "open, NC file, save, and this one";

  // Opening over the job asks first; No keeps everything.
  const platform::Bitmap* before = w.WorkingBitmap();
  dialogs_.messages.clear();
  dialogs_.answers = {platform::Answer::No};
  OpenDocument(dir_.File("job.qvx"));
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_EQ(dialogs_.messages[0].text, "Discard the job?");
  EXPECT_EQ(dialogs_.messages[0].kind, platform::MessageKind::Warning);
  EXPECT_EQ(w.WorkingBitmap(), before);
  EXPECT_EQ(Page(), app::kPageCutting);
  EXPECT_TRUE(waits.empty());

  // Yes: while the replay runs, clicks and keys on the window are dropped.
  int tried = 0;
  duringWait = [&] {
    ++tried;
    w.calls.clear();
    SendClick(Get<QToolButton>("sbtOpen"));
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&w, &escape);
    EXPECT_TRUE(w.calls.empty()) << "Escape reached the window";
    EXPECT_TRUE(w.Replaying());
  };
  dialogs_.answers = {platform::Answer::Yes};
  const size_t requests = dialogs_.fileRequests.size();
  OpenDocument(dir_.File("job.qvx"));
  EXPECT_EQ(tried, 7);
  EXPECT_EQ(dialogs_.fileRequests.size(), requests + 1) << "only the open dialog itself";
  EXPECT_EQ(Page(), app::kPageCutting);
  // Afterwards the window takes input again.
  duringWait = nullptr;
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(&w, &escape);
  EXPECT_EQ(w.calls.back(), "stop");
}

TEST_F(DocumentTest, SaveTypesSuffixesAndTheOverwriteQuestion) {
  RecordingMain& w = StartFast();
  OpenAndWalkToCutting(dir_.File("nc"));
  // Cancelled: nothing written, the status text stays.
  Save("", 1);
  EXPECT_EQ(Status(), "save where?");
  EXPECT_EQ(dialogs_.fileRequests.back().initialPath, dir_.File("pictures/relief"))
      << "the picture's name without type, beside the picture";
  EXPECT_EQ(dialogs_.fileRequests.back().filter,
            "Velkora files (*.qvx)|*.QVX|Stl files (*.stl)|*.STL|Dxf files (3D FACE) (*.dxf)|*.DXF");

  // The filter decides what is written, whatever the name says.
  Save(dir_.File("odd.stl"), 1);
  EXPECT_NO_THROW(machining::ParseDocument(platform::ReadFileBytes(dir_.File("odd.stl"))));
  EXPECT_EQ(Status(), "");

  auto stl = [&](const std::string& name, bool solid, bool ok) {
    bool shown = false;
    QTimer::singleShot(0, [&] {
      shown = stl_->isVisible();
      stl_->Find<QRadioButton>(solid ? "rbtOutSo" : "rbtOutSh")->setChecked(true);
      stl_->Find<QPushButton>(ok ? "sbtOk" : "bntCancel")->click();
    });
    Save(dir_.File(name), 2);
    return shown;
  };
  EXPECT_TRUE(stl("relief", true, true));
  EXPECT_EQ(dialogs_.fileRequests.back().initialPath, dir_.File("odd")) << "now the document's name";
  EXPECT_EQ(stl_->windowTitle().toStdString(), dir_.File("relief.stl")) << "the file's name as caption";
  EXPECT_EQ(std::filesystem::file_size(dir_.File("relief.stl")), 84 + 50 * machining::StlFacetCount(w.Relief(), true));
  EXPECT_TRUE(stl("surface", false, true));
  EXPECT_EQ(std::filesystem::file_size(dir_.File("surface.stl")), 84 + 50 * machining::StlFacetCount(40, 30, false));
  EXPECT_TRUE(stl("cancelled", true, false));
  EXPECT_FALSE(std::filesystem::exists(dir_.File("cancelled.stl"))) << "Cancel writes nothing";

  // "job" as STL is asked about "job.stl": the suffix comes before the question.
  dir_.Write("job.stl", std::string("earlier"));
  dialogs_.messages.clear();
  dialogs_.answers = {platform::Answer::No};
  Save(dir_.File("job"), 2);
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_NE(dialogs_.messages[0].text.find(dir_.File("job.stl") + " already exists"), std::string::npos);
  EXPECT_EQ(FileText(dir_.File("job.stl")), "earlier");
  dialogs_.answers = {platform::Answer::Yes};
  EXPECT_TRUE(stl("job", false, true));
  EXPECT_NE(FileText(dir_.File("job.stl")), "earlier");

  EXPECT_EQ(w.Relief().grid.Columns(), 40);
}

TEST_F(DocumentTest, DxfSaveWritesTheDrawingAndAFailedOneKeepsTheEarlierFile) {
  RecordingMain& w = StartFast();
  OpenAndWalkToCutting(dir_.File("nc"));
  // The picture alone: said before the overwrite question, and no file written over an earlier one.
  dir_.Write("drawing.dxf", std::string("earlier"));
  dialogs_.messages.clear();
  dialogs_.answers = {platform::Answer::Yes};
  Save(dir_.File("drawing"), 3);
  ASSERT_EQ(dialogs_.messages.size(), 1u) << "the message alone";
  EXPECT_NE(dialogs_.messages[0].text.find("nothing a DXF file can carry"), std::string::npos) << dialogs_.messages[0].text;
  EXPECT_TRUE(Errors().empty());
  EXPECT_EQ(FileText(dir_.File("drawing.dxf")), "earlier");
  EXPECT_TRUE(testing_support::TemporariesIn(dir_.Dir()).empty());
  std::filesystem::remove(dir_.File("drawing.dxf"));

  // Over the picture (on layer 0, no DXF entity of its own): a line on the drawing layer 1 and a circle
  // on a named layer 3.
  cad::TKQCmp2D& drawing = w.LocalCad();
  drawing.Layers().Layer(3).SetName("Outline");
  drawing.AddObject(-1, std::make_unique<cad::TLine2D>(-1, cad::Point2D(1, 2), cad::Point2D(30, 20)));
  drawing.CurrentLayer = 3;
  drawing.AddObject(-1, std::make_unique<cad::TCerchio2D>(-1, cad::Point2D(20, 15), cad::Point2D(25, 15)));
  dialogs_.messages.clear();
  Save(dir_.File("drawing"), 3);
  EXPECT_TRUE(Errors().empty());
  const std::vector<std::string> read = testing_support::ReadWithEzdxf(dir_.File("drawing.dxf"));
  const std::vector<std::string> expected = {"LAYERS Layer_0 Layer_1 Outline", "LINE Layer_1 1.0000 2.0000 30.0000 20.0000",
                                             "CIRCLE Outline 20.0000 15.0000 5.0000"};
  EXPECT_EQ(read, expected);
  EXPECT_TRUE(testing_support::TemporariesIn(dir_.Dir()).empty());

  const platform::Bytes earlier = platform::ReadFileBytes(dir_.File("drawing.dxf"));
  // A write that fails half-way (a full disk) is said and leaves the file whole.
  dialogs_.messages.clear();
  dialogs_.answers = {platform::Answer::Yes};
  {
    const testing_support::ScopedFileSizeLimit full(16);
    Save(dir_.File("drawing.dxf"), 3);
  }
  EXPECT_EQ(Errors().size(), 1u);
  EXPECT_TRUE(testing_support::TemporariesIn(dir_.Dir()).empty());
  EXPECT_EQ(platform::ReadFileBytes(dir_.File("drawing.dxf")), earlier);
}

// A save the program refuses ends with the status line as it was before the dialog, not with the
// dialog's prompt; a save that writes clears it.
TEST_F(DocumentTest, ARefusedSaveGivesTheStatusLineBack) {
  const struct {
    const char* what;
    int filter;
    bool refused;
  } rows[] = {
      {"a DXF file of the picture alone", 3, true},
      {"no file type", 5, true},
      {"a job file", 1, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    StartFast();
    OpenAndWalkToCutting(dir_.File("nc"));
    const std::string before = Status();
    ASSERT_FALSE(before.empty());
    dialogs_.messages.clear();
    Save(dir_.File("job"), row.filter);
    EXPECT_EQ(dialogs_.messages.empty(), !row.refused) << "a refusal is said";
    EXPECT_EQ(Status(), row.refused ? before : std::string());
  }
}

TEST_F(DocumentTest, FailingSavesLeaveTheEarlierFileWhole) {
  RecordingMain& w = StartFast();
  // Nothing in the drawing: Save does nothing. Entities but no picture opened yet: the name is "t".
  Save("", 1);
  EXPECT_TRUE(dialogs_.fileRequests.empty());
  w.LocalCad().AddObject(-1, std::make_unique<cad::TLine2D>(-1, cad::Point2D(0, 0), cad::Point2D(1, 1)));
  Save("", 1);
  ASSERT_EQ(dialogs_.fileRequests.size(), 1u);
  EXPECT_EQ(dialogs_.fileRequests[0].initialPath, app::UserDocumentsFolder() + "t");
  w.LocalCad().ClearObjects();
  OpenAndWalkToCutting(dir_.File("nc"));
  const std::string path = dir_.File("job.qvx");
  Save(path, 1);
  const platform::Bytes earlier = platform::ReadFileBytes(path);

  // A field that is no number: said, and the file as it was.
  Get<QLineEdit>("txtFeedPlane")->setText("abc");
  dialogs_.messages.clear();
  dialogs_.answers = {platform::Answer::Yes};
  Save(path, 1);
  ASSERT_EQ(Errors().size(), 1u);
  EXPECT_NE(Errors()[0].text.find("Feed plane"), std::string::npos) << Errors()[0].text;
  EXPECT_EQ(platform::ReadFileBytes(path), earlier);
  Get<QLineEdit>("txtFeedPlane")->setText("2");

  // The disk takes no more of the new file.
  dialogs_.messages.clear();
  dialogs_.answers = {platform::Answer::Yes};
  {
    const testing_support::ScopedFileSizeLimit full(16);
    Save(path, 1);
  }
  EXPECT_EQ(Errors().size(), 1u);
  EXPECT_EQ(platform::ReadFileBytes(path), earlier);

  // Entities drawn but no picture: an error and no file.
  dialogs_.answers = {platform::Answer::Yes};
  Click("sbtNew");
  EXPECT_EQ(w.LocalCad().NumObjects(), 0) << "New empties the drawing";
  w.LocalCad().AddObject(-1, std::make_unique<cad::TLine2D>(-1, cad::Point2D(0, 0), cad::Point2D(1, 1)));
  dialogs_.messages.clear();
  Save(dir_.File("nopicture"), 1);
  ASSERT_EQ(Errors().size(), 1u);
  EXPECT_NE(Errors()[0].text.find("no picture"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir_.File("nopicture.qvx")));
}

TEST_F(DocumentTest, LongNcPathAndMissingPostProcessorAreReported) {
  RecordingMain& w = StartFast();
  const std::string longName = dir_.File(std::string(300, 'n'));
  OpenAndWalkToCutting(longName);
  ASSERT_GT(w.Job().ncFileName.size(), 260u);
  // A post-processor whose file is gone.
  auto* posts = Get<QComboBox>("cboPostName");
  posts->addItem("Gone");
  posts->setCurrentIndex(posts->count() - 1);
  w.cboPostNameChange();
  dialogs_.messages.clear();
  Save(dir_.File("job"), 1);
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_EQ(dialogs_.messages[0].kind, platform::MessageKind::Warning);
  EXPECT_NE(dialogs_.messages[0].text.find("longer than 260"), std::string::npos);
  const machining::Document document = machining::ParseDocument(platform::ReadFileBytes(dir_.File("job.qvx")));
  EXPECT_EQ(document.record.ncPath, "") << "an empty path rather than a cut one";
  EXPECT_EQ(document.record.postName, "Gone");

  dialogs_.answers = {platform::Answer::Yes};
  Click("sbtNew");
  dialogs_.messages.clear();
  dialogs_.fileNames = {dir_.File("job.qvx"), ""};  // then the NC file dialog of page 4, cancelled
  Click("sbtOpen");
  bool told = false;
  for (const auto& m : dialogs_.messages) told = told || m.text.find("Gone") != std::string::npos;
  EXPECT_TRUE(told) << "the missing post-processor is reported";
  EXPECT_TRUE(w.Job().ncFileName.empty());
  EXPECT_FALSE(Enabled("sbtNextB4")) << "no NC file, no page 5";
  EXPECT_EQ(Page(), app::kPageCutting);
}

TEST_F(DocumentTest, DamagedDocumentsChangeNothing) {
  RecordingMain& w = StartFast();
  OpenAndWalkToCutting(dir_.File("nc"));
  Save(dir_.File("good"), 1);
  const platform::Bytes good = platform::ReadFileBytes(dir_.File("good.qvx"));
  const size_t record = good.size() - 492;
  auto changed = [&](size_t offset, const void* value, size_t size) {
    platform::Bytes b = good;
    std::memcpy(b.data() + offset, value, size);
    return b;
  };
  const float nan = std::nanf("");
  const int32_t nine = 9, lying = static_cast<int32_t>(good.size());
  const struct {
    const char* name;
    platform::Bytes bytes;
  } cases[] = {
      {"cut.qvx", platform::Bytes(good.begin(), good.end() - 100)},
      {"lying.qvx", changed(2, &lying, 4)},
      {"nan.qvx", changed(record + 20, &nan, 4)},
      {"tool9.qvx", changed(record + 372 + 68, &nine, 4)},
  };
  const platform::Bitmap* picture = w.WorkingBitmap();
  const QString title = w.windowTitle();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    dir_.Write(c.name, c.bytes);
    dialogs_.messages.clear();
    OpenDocument(dir_.File(c.name));
    ASSERT_EQ(dialogs_.messages.size(), 1u) << "no question of discarding the job";
    EXPECT_EQ(dialogs_.messages[0].kind, platform::MessageKind::Error);
    EXPECT_EQ(w.WorkingBitmap(), picture);
    EXPECT_EQ(w.windowTitle(), title);
    EXPECT_EQ(Page(), app::kPageCutting);
    EXPECT_TRUE(waits.empty()) << "nothing replayed";
  }
}

// A named pipe called like a picture or a document: Open refuses it at once with a message that says
// why, and the job, the title and the status line stay as they were.
TEST_F(DocumentTest, NamedPipesAreRefusedAtOnceByOpen) {
  RecordingMain& w = StartFast();
  OpenAndWalkToCutting(dir_.File("nc"));
  const platform::Bitmap* picture = w.WorkingBitmap();
  const QString title = w.windowTitle();
  const std::string status = w.StatusText();
  for (const char* name : {"x.bmp", "x.jpg", "x.qvx"}) {
    SCOPED_TRACE(name);
    const std::string path = dir_.File(name);
    ASSERT_TRUE(testing_support::MakeNamedPipe(path));
    dialogs_.messages.clear();
    {
      testing_support::PipeWatchdog watchdog(path);
      OpenDocument(path);
      EXPECT_FALSE(watchdog.Stop()) << "Open waited on the pipe";
    }
    ASSERT_EQ(dialogs_.messages.size(), 1u);
    EXPECT_EQ(dialogs_.messages[0].kind, platform::MessageKind::Error);
    EXPECT_NE(dialogs_.messages[0].text.find("no regular file"), std::string::npos) << dialogs_.messages[0].text;
    EXPECT_NE(dialogs_.messages[0].text.find(path), std::string::npos) << dialogs_.messages[0].text;
    EXPECT_EQ(w.WorkingBitmap(), picture);
    EXPECT_EQ(w.windowTitle(), title);
    EXPECT_EQ(w.StatusText(), status) << "the page's own text comes back";
    EXPECT_EQ(Page(), app::kPageCutting);
    EXPECT_TRUE(waits.empty()) << "nothing replayed";
  }
}

// A document whose 8-bit picture stores no palette: Open shows grey levels, and Save then Open gives
// back every pixel that was shown.
TEST_F(DocumentTest, APictureWithoutPaletteComesBackAsItWasOpened) {
  RecordingMain& w = StartFast();
  OpenAndWalkToCutting(dir_.File("nc"));
  Save(dir_.File("good"), 1);
  const platform::Bytes good = platform::ReadFileBytes(dir_.File("good.qvx"));
  platform::Bitmap picture(17, 17, 8);
  for (int y = 0; y < 17; ++y)
    for (int x = 0; x < 17; ++x) picture.Row(y)[x] = static_cast<uint8_t>((y * 17 + x) * 7);
  platform::Bytes file = platform::EncodeBmp(picture);
  file.erase(file.begin() + 54, file.begin() + 54 + 1024);  // the palette out, pixels after the header
  const uint32_t length = static_cast<uint32_t>(file.size()), offset = 54, colours = 0;
  std::memcpy(file.data() + 2, &length, 4);
  std::memcpy(file.data() + 10, &offset, 4);
  std::memcpy(file.data() + 46, &colours, 4);
  file.insert(file.end(), good.end() - 492, good.end());
  dir_.Write("nopalette.qvx", file);

  dialogs_.messages.clear();
  dialogs_.answers = {platform::Answer::Yes};  // discard the job opened first
  OpenDocument(dir_.File("nopalette.qvx"));
  ASSERT_TRUE(Errors().empty()) << Errors().front().text;
  ASSERT_NE(w.WorkingBitmap(), nullptr);
  const platform::Bitmap opened = *w.WorkingBitmap();
  ASSERT_EQ(opened.Width(), 17);
  EXPECT_EQ(opened.Pixel(1, 0), platform::Rgb(7, 7, 7)) << "an index without palette shows as its grey level";

  Save(dir_.File("again"), 1);
  ASSERT_TRUE(Errors().empty()) << Errors().front().text;
  dialogs_.answers = {platform::Answer::Yes};
  OpenDocument(dir_.File("again.qvx"));
  ASSERT_TRUE(Errors().empty()) << Errors().front().text;
  const platform::Bitmap& reopened = *w.WorkingBitmap();
  int changed = 0;
  for (int y = 0; y < 17; ++y)
    for (int x = 0; x < 17; ++x) changed += reopened.Pixel(x, y) != opened.Pixel(x, y);
  EXPECT_EQ(changed, 0) << "pixels changed by Save then Open";
}

TEST_F(DocumentTest, SavesLongerThanAMomentShowTheProgressBar) {
  StartFast();
  OpenAndWalkToCutting(dir_.File("nc"));
  auto* bar = Get<QProgressBar>("ProgressBar1");
  // Each value the bar takes, and whether it was shown then.
  std::vector<std::pair<int, bool>> seen;
  QObject::connect(bar, &QProgressBar::valueChanged, [&](int value) { seen.emplace_back(value, !bar->isHidden()); });
  const struct {
    const char* what;
    int filter;
    const char* name;
    uint64_t msPerClockRead;  // how far the clock moves each time the save looks at it
  } cases[] = {
      {"a slow document", 1, "slow.qvx", 1000},
      {"a quick document: no flicker of the bar", 1, "quick.qvx", 0},
      {"a slow STL file", 2, "slow.stl", 1000},
      {"a quick STL file", 2, "quick.stl", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    bar->reset();
    seen.clear();
    if (c.filter == 2) {
      QTimer::singleShot(0, [&] { stl_->Find<QPushButton>("sbtOk")->click(); });
    }
    dialogs_.tickStep = c.msPerClockRead;
    Save(dir_.File(c.name), c.filter);
    dialogs_.tickStep = 0;
    EXPECT_TRUE(std::filesystem::exists(dir_.File(c.name)));
    EXPECT_TRUE(bar->isHidden()) << "gone once the save is done";
    if (c.msPerClockRead == 0) {
      EXPECT_TRUE(seen.empty());
      continue;
    }
    ASSERT_FALSE(seen.empty()) << "the bar showed the save";
    EXPECT_EQ(seen.back().first, 100);
    for (const auto& [value, shown] : seen) EXPECT_TRUE(shown) << value;
  }
}

}  // namespace
