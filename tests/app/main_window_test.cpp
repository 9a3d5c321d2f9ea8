// The main window in a program folder of its own (a test language file, pst/Fanuc_mm.pst, a one-tool
// Tool.db, a generated 40 x 30 BMP), driven by objectName with the dialogs scripted.
#include "app/main_window.h"

#include <gtest/gtest.h>

#include <set>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTimer>
#include <QTreeWidget>
#include <clocale>
#include <filesystem>
#include <memory>
#include <regex>

#include "app/cursors.h"
#include "app/main_routine.h"
#include "app/main_scene.h"
#include "app/page_control.h"
#include "app/save_target.h"
#include "app/settings.h"
#include "app/splash_screen.h"
#include "app/tool_window.h"
#include "lang/lang.h"
#include "machining/tool_database.h"
#include "platform/bmp.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/ini_file.h"
#include "scene3d/hud_objects.h"
#include "scene3d/rendering_log.h"
#include "cad/chained_library.h"
#include "cad/drawing_test_support.h"
#include "main_window_fixture.h"
#include "scratch_dir.h"

namespace {

using app::TfrmMain;
using testing_support::FileText;
using testing_support::NonEmptyLines;
using testing_support::MainWindowTest;
using testing_support::RecordingMain;

TEST_F(MainWindowTest, StartUpWithoutSettingsShowsTheDefaults) {
  {
    cad::TKQCmp2D library;
    cad::TSourceBlock2D* door = cad::AddBlock(library, "Door");
    door->AddChild(cad::Line(0, 0, 1, 0));
    door->UpdateAndNotify();
    dir_.Write("Library.blk", cad::LibraryOf({door}));
  }
  RecordingMain& w = Start();
  EXPECT_TRUE(dialogs_.messages.empty()) << dialogs_.messages.front().text;
  EXPECT_EQ(w.calls.front(), "library " + dir_.File("Library.blk"));
  EXPECT_EQ(w.LocalCad().FindSourceBlock("Door")->Objects().Count(), 1) << "the library's block is in the drawing";

  EXPECT_EQ(Get<QLineEdit>("txtFeedPlane")->text(), "2");
  EXPECT_EQ(Get<QLineEdit>("txtIncXY")->text(), "1");
  EXPECT_EQ(Get<QLineEdit>("txtStock")->text(), "0");
  EXPECT_EQ(Get<QSpinBox>("sedPass_Z")->value(), 1);
  EXPECT_EQ(Get<QLineEdit>("txtAspor_Z")->text(), "0");
  EXPECT_EQ(Get<QLineEdit>("txtFilter")->text(), "0.025");
  EXPECT_EQ(Get<QLineEdit>("txtFiltroZNC")->text(), "0.1");
  EXPECT_EQ(Get<QLineEdit>("txtWhiteD")->text(), "0");
  EXPECT_EQ(Get<QLineEdit>("txtBlackD")->text(), "-5");
  EXPECT_TRUE(Get<QCheckBox>("chkOrizzontale")->isChecked());
  EXPECT_FALSE(Get<QCheckBox>("chkVerticale")->isChecked());
  EXPECT_EQ(Get<QComboBox>("cboUnits")->currentIndex(), 0);
  EXPECT_EQ(Get<QLineEdit>("txtOriginX")->text(), "0.000");
  EXPECT_FALSE(Get<QWidget>("sbtSave")->isEnabled());
  EXPECT_TRUE(Get<QWidget>("PageControl1")->isHidden());
  EXPECT_FALSE(w.PageControl()->Page(3)->PageVisible()) << "tabFont is hidden";
  EXPECT_EQ(Status(), "open a picture");
  EXPECT_EQ(Get<QPushButton>("btnZNC")->text(), "Pick...");
  EXPECT_EQ(Get<QPushButton>("sbtNextB1")->text(), "Weiter (2)") << "translated by component name";
  EXPECT_EQ(w.PageControl()->Page(app::kPageDimension)->Caption(), "Size");
  EXPECT_EQ(w.windowTitle().left(9), "Velkora v");
  EXPECT_EQ(w.windowTitle(), w.StartCaption().c_str());
  EXPECT_EQ(w.TutorialPath(), dir_.Dir() + "/hlp/Velkora-Tutor1.pdf");
  EXPECT_EQ(w.Writer().settings.seqStart, 10) << "the post-processor of the settings is read";
  EXPECT_EQ(w.View2D().windowX1, -10.0);
  EXPECT_EQ(w.View2D().windowX2, 290.0);
  EXPECT_FALSE(w.View2D().usePaintingThread);
  EXPECT_FALSE(w.Prg2D().snapToGrid);
  for (int slot = app::kCursorPan; slot <= app::kCursorCropPoint; ++slot)
    EXPECT_TRUE(app::ScreenCursors().Has(slot)) << "cursor " << slot;
}

// The program's start and stop around the rendering log, as the main routine has them: the log starts
// before the windows, in the current directory, and ends with its counts after the last window.
TEST_F(MainWindowTest, TheRenderingLogRunsFromBeforeTheWindowsToAfterThem) {
  const std::filesystem::path started = std::filesystem::current_path();
  std::filesystem::current_path(dir_.Dir());
  std::vector<std::string> opened;
  const std::string name = platform::BaseNameWithoutExtension(platform::ProgramFile()) + ".log";
  {
    scene3d::TRenderingLogScope log([&](const std::string& file) { opened.push_back(file); });
    app::ProgramWindows windows = app::CreateWindows();
    windows.main->show();
    QApplication::processEvents();
    windows.main->hide();
  }
  std::filesystem::current_path(started);
  const std::vector<std::string> lines = NonEmptyLines(FileText(dir_.File(name)));
  ASSERT_GE(lines.size(), 3u);
  const std::regex stamp(R"(^\d+\t)");
  EXPECT_TRUE(std::regex_search(lines.front(), stamp)) << lines.front();
  EXPECT_EQ(std::regex_replace(lines.front(), stamp, ""), " (I)  Log subsystem started in elapsed time mode.");
  EXPECT_TRUE(std::regex_match(std::regex_replace(lines[lines.size() - 2], stamp, ""),
                               std::regex(R"( \(i\)  Logged fatal errors: 0, errors: 0, warnings: \d+, titles: \d+, infos: \d+, debug info: \d+)")))
      << lines[lines.size() - 2];
  EXPECT_EQ(std::regex_replace(lines.back(), stamp, ""), " (i)  Log session shutdown");
  EXPECT_TRUE(opened.empty()) << "no errors: the log is not shown";
}

TEST_F(MainWindowTest, WizardWalkCalculateAndCloseWritesTheSettings) {
  app::ProgramWindows windows = app::CreateWindows();
  TfrmMain& w = *windows.main;
  auto get = [&](const char* name) {
    QWidget* widget = w.Find<QWidget>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  };
  auto click = [&](const char* name) {
    auto* button = w.Find<QAbstractButton>(name);
    ASSERT_TRUE(button && button->isEnabled()) << name;
    button->click();
  };
  const std::string ncFile = dir_.File("nc/relief");
  std::filesystem::create_directories(dir_.File("nc"));
  dialogs_.fileNames = {picture_, ncFile};

  click("sbtOpen");
  EXPECT_EQ(dialogs_.started.front(), dir_.File("sample")) << "no picture opened before: the sample folder";
  ASSERT_NE(w.WorkingBitmap(), nullptr);
  EXPECT_FALSE(get("PageControl1")->isHidden());
  EXPECT_EQ(w.ActivePage(), app::kPageDimension);
  EXPECT_EQ(w.RememberedPages(), (std::vector<int>{44, 45, 46, 47, 48, 49}));
  EXPECT_TRUE(w.PageControl()->TabPages().empty()) << "the wizard's tabs stay hidden";
  EXPECT_EQ(w.StatusText(), "page 44: size");
  EXPECT_EQ(qobject_cast<QLineEdit*>(get("txtVecLarg"))->text(), "39.000");
  EXPECT_EQ(qobject_cast<QLineEdit*>(get("txtVecAlt"))->text(), "29.000");
  auto* tree = qobject_cast<QTreeWidget*>(get("treInfoRas"));
  ASSERT_EQ(tree->topLevelItemCount(), 1);
  EXPECT_EQ(tree->topLevelItem(0)->text(0), "Picture");
  EXPECT_EQ(tree->topLevelItem(0)->child(0)->text(0), "File: relief.bmp");
  EXPECT_EQ(tree->topLevelItem(0)->child(1)->text(0), "Width: 40");
  EXPECT_EQ(w.windowTitle().toStdString(), picture_ + " - " + w.StartCaption());

  // Next and Prev with their status texts.
  const struct {
    const char* button;
    int page;
    const char* status;
  } steps[] = {
      {"sbtNextB1", 45, "page 45: reference"}, {"sbtPrevB2", 44, "page 44: size"},
      {"sbtNextB1", 45, "page 45: reference"}, {"sbtNextB2", 46, "page 46: depth"},
      {"sbtPrevB3", 45, "page 45: reference"}, {"sbtNextB2", 46, "page 46: depth"},
      {"sbtNextB3", 47, "page 47: nc file"},   {"sbtPrevB4", 46, "page 46: depth"},
      {"sbtNextB3", 47, "page 47: nc file"},   {"sbtNextB4", 48, "page 48: tool"},
      {"sbtPrevB5", 47, "page 47: nc file"},   {"sbtNextB4", 48, "page 48: tool"},
      {"sbtNextB5", 49, "page 49: cutting"},   {"sbtPrevB6", 48, "page 48: tool"},
      {"sbtNextB5", 49, "page 49: cutting"},
  };
  for (const auto& step : steps) {
    click(step.button);
    EXPECT_EQ(w.ActivePage(), step.page) << step.button;
    EXPECT_EQ(w.StatusText(), step.status) << step.button;
    EXPECT_EQ(w.Mode3D(), step.page >= 46) << step.button << ": 3D from the depth page on";
    EXPECT_EQ(get("GLViewPort")->isHidden(), step.page < 46) << step.button;
    EXPECT_EQ(get("VistaGrafica")->isHidden(), step.page >= 46) << step.button;
  }
  EXPECT_EQ(w.Relief().grid.Columns(), 40) << "the relief was built";
  EXPECT_EQ(dialogs_.started.size(), 2u) << "the NC file dialog opened once: page 47 again did not reopen it";
  EXPECT_EQ(dialogs_.started[1], app::UserDocumentsFolder() + "relief") << "no NC folder yet: the documents, its name";
  EXPECT_EQ(dialogs_.fileRequests[1].filter, "NC programs (*.nc)|*.nc") << "the post-processor's own extension";
  EXPECT_EQ(w.Job().ncFileName, ncFile + ".nc");
  EXPECT_EQ(w.NcFolder(), dir_.File("nc") + "/");
  auto* posts = qobject_cast<QComboBox*>(get("cboPostName"));
  EXPECT_EQ(posts->count(), 1);
  EXPECT_EQ(posts->currentText(), "Fanuc_mm");
  EXPECT_NE(qobject_cast<QLabel*>(get("stxPstCommento"))->text().indexOf("ISO G-code"), -1);
  EXPECT_EQ(qobject_cast<QLabel*>(get("nol_lblUtName"))->text(), "Flat 3");
  EXPECT_EQ(qobject_cast<QLabel*>(get("nol_lblToolN"))->text(), "Tool no.: 3");
  EXPECT_EQ(qobject_cast<QLabel*>(get("nol_lblToolDia"))->text(), "Diameter: 3");
  EXPECT_FLOAT_EQ(w.ToolRadius(), 1.5f);
  EXPECT_TRUE(get("sbtNcCalc")->isEnabled());
  EXPECT_FALSE(get("sbtNextB6")->isEnabled());

  // The cutting fields, then Calculate.
  qobject_cast<QLineEdit*>(get("txtFeedPlane"))->setText("3");
  qobject_cast<QLineEdit*>(get("txtIncXY"))->setText("2");
  qobject_cast<QSpinBox*>(get("sedPass_Z"))->setValue(2);
  qobject_cast<QLineEdit*>(get("txtAspor_Z"))->setText("1");
  qobject_cast<QCheckBox*>(get("chkVerticale"))->setChecked(true);
  EXPECT_EQ(w.CutPicture(), 108) << "both angles";
  click("sbtNcCalc");
  ASSERT_TRUE(dialogs_.messages.empty()) << dialogs_.messages.front().text;
  const std::string nc = FileText(ncFile + ".nc");
  EXPECT_EQ(nc.rfind("%\r\n(RELIEF.NC)\r\n", 0), 0u) << "the post-processor's start: " << nc.substr(0, 40);
  EXPECT_NE(nc.find("G21 G90"), std::string::npos);
  EXPECT_NE(nc.find("T3 M6"), std::string::npos);
  ASSERT_GT(nc.size(), 8u);
  EXPECT_EQ(nc.substr(nc.size() - 8), "M30\r\n%\r\n");
  EXPECT_TRUE(get("sbtNextB6")->isEnabled());
  EXPECT_FALSE(get("sbtNcCalc")->isEnabled());
  EXPECT_FALSE(w.Relief().parametersChanged) << "Calculate clears the parameters-changed flag";
  EXPECT_EQ(qobject_cast<QPlainTextEdit*>(get("ricIso"))->toPlainText().left(13), "%\n(RELIEF.NC)");
  EXPECT_FALSE(w.ToolpathNodes().empty());
  EXPECT_TRUE(get("ProgressBar1")->isHidden());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the hourglass is gone";
  const scene3d::TGLHUDText& hud = w.Scene().Text();
  EXPECT_TRUE(hud.Visible());
  EXPECT_EQ(hud.Text().rfind("Time: ", 0), 0u) << hud.Text();

  // Any parameter change makes the program stale again.
  qobject_cast<QLineEdit*>(get("txtIncXY"))->setText("1.5");
  EXPECT_FALSE(get("sbtNextB6")->isEnabled());
  EXPECT_TRUE(get("sbtNcCalc")->isEnabled());
  EXPECT_TRUE(w.ToolpathNodes().empty()) << "the drawn toolpath goes";
  EXPECT_TRUE(w.Relief().parametersChanged);

  click("sbtNcCalc");
  // Back to page 2 and forward again without a change: the relief is not rebuilt, the program stays.
  for (const char* b : {"sbtPrevB6", "sbtPrevB5", "sbtPrevB4", "sbtPrevB3", "sbtNextB2", "sbtNextB3", "sbtNextB4",
                        "sbtNextB5"})
    click(b);
  EXPECT_TRUE(get("sbtNextB6")->isEnabled());
  // A depth changed on page 3: the way back and forth rebuilds the relief and the program is stale.
  for (const char* b : {"sbtPrevB6", "sbtPrevB5", "sbtPrevB4"}) click(b);
  const float before = w.Relief().grid.At(39, 0);
  qobject_cast<QLineEdit*>(get("txtBlackD"))->setText("-4");
  EXPECT_FALSE(get("sbtNextB3")->isEnabled()) << "Apply or a new relief first";
  click("sbtPrevB3");
  click("sbtNextB2");
  EXPECT_NE(w.Relief().grid.At(39, 0), before);
  EXPECT_FLOAT_EQ(w.Relief().grid.At(39, 0), -4.0f) << "the black column lies at the new black depth";
  for (const char* b : {"sbtNextB3", "sbtNextB4", "sbtNextB5"}) click(b);
  EXPECT_FALSE(get("sbtNextB6")->isEnabled());
  click("sbtNcCalc");
  click("sbtNextB6");
  EXPECT_EQ(w.ActivePage(), app::kPageListing);
  EXPECT_EQ(w.StatusText(), "page 50: listing");
  click("sbtPrevB7");
  EXPECT_EQ(w.ActivePage(), app::kPageCutting);
  EXPECT_EQ(w.StatusText(), "page 50: listing") << "Prev of the listing keeps the status line";

  // The walked job (its NC file, its fields) was never saved: closing offers it for saving first; Discard
  // closes and writes the settings, in their order.
  dialogs_.messages.clear();
  dialogs_.answers = {platform::Answer::No};
  EXPECT_TRUE(w.close());
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_EQ(dialogs_.messages[0].buttons, platform::Buttons::SaveDiscardCancel);
  EXPECT_EQ(dialogs_.messages[0].caption, "Question");
  EXPECT_EQ(dialogs_.messages[0].kind, platform::MessageKind::Warning);
  const std::vector<std::string> expected = {
      "[Color]", "Form=-16777211", "BackGround=8421504", "DefLayers=8421504", "Grid=8388608", "[Default]", "Unit=0",
      "SGrid=1", "SAxis=1", "GridX=10", "GridY=10", "SnapX=10", "SnapY=10", "FOpen=" + picture_,
      "NcPath=" + dir_.File("nc") + "/", "Language=english", "Pst=Fanuc_mm", "Tool=0"};
  EXPECT_EQ(NonEmptyLines(FileText(dir_.File("velkora.ini"))), expected);
  EXPECT_EQ(language_.LangIni, nullptr) << "the language file is freed";
  EXPECT_EQ(w.WorkingBitmap(), nullptr);
}

TEST_F(MainWindowTest, SettingsFromTheFile) {
  const struct {
    const char* ini;
    bool inches;
    const char* origin;
    double windowX1;
    const char* white;
    const char* writtenUnit;
  } cases[] = {
      {"[Default]\nUnit=1\n", true, "0.0000", -0.4, "0", "Unit=1"},
      {"[Default]\nUnit=7\n", true, "0.0000", -0.4, "0", "Unit=1"},  // any unit but 0 is inches
      {"[Default]\nUnit=-1\nZWhite=-1\n", true, "0.0000", -0.4, "-1", "Unit=1"},
      {"[Default]\nZWhite=-1\nUnit=0\n", false, "0.000", -10.0, "-1", "Unit=0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.ini);
    dir_.Write("velkora.ini", c.ini);
    RecordingMain& w = Start();
    EXPECT_EQ(w.Inches(), c.inches);
    EXPECT_STREQ(w.LengthFormat(), c.inches ? "%0.4f" : "%0.3f");
    EXPECT_EQ(Get<QComboBox>("cboUnits")->currentIndex(), c.inches ? 1 : 0);
    EXPECT_EQ(Get<QLabel>("nlblDimb")->text(), c.inches ? "Inch" : "mm");
    EXPECT_EQ(Get<QLineEdit>("txtOriginX")->text(), c.origin);
    EXPECT_EQ(w.View2D().windowX1, c.windowX1);
    EXPECT_EQ(w.View2D().gridDeltaX, 10.0);
    EXPECT_EQ(w.View2D().gridDeltaY, 10.0);
    EXPECT_EQ(Get<QLineEdit>("txtWhiteD")->text(), c.white);
    EXPECT_EQ(w.Writer().inches, c.inches);
    dialogs_.answers = {platform::Answer::Yes};
    ASSERT_TRUE(w.close());
    const std::string written = FileText(dir_.File("velkora.ini"));
    EXPECT_NE(written.find(c.writtenUnit), std::string::npos) << written;
    if (std::string(c.ini).find("ZWhite") != std::string::npos)
      EXPECT_NE(written.find(std::string("ZWhite=") + c.white), std::string::npos) << "only read, kept as it was";
    else
      EXPECT_EQ(written.find("ZWhite"), std::string::npos) << "default job values are never written";
    tool_.reset();
    main_.reset();
    language_.LangIni.reset();
  }
}

TEST_F(MainWindowTest, CloseWithNoKeepsEverythingAndAFailedWriteStillCloses) {
  RecordingMain& w = Start();
  dialogs_.fileNames = {picture_};
  Click("sbtOpen");
  dialogs_.answers = {platform::Answer::No};
  EXPECT_FALSE(w.close());
  EXPECT_FALSE(std::filesystem::exists(dir_.File("velkora.ini")));
  EXPECT_NE(w.WorkingBitmap(), nullptr);
  EXPECT_NE(language_.LangIni, nullptr);
  EXPECT_EQ(Page(), app::kPageDimension);

  // The settings cannot be written (here a folder stands in the file's place): said, and closed anyway.
  std::filesystem::create_directories(dir_.File("velkora.ini"));
  bool failed = false;
  QObject::connect(&w, &TfrmMain::SettingsWriteFailed, [&] { failed = true; });
  dialogs_.messages.clear();
  dialogs_.answers = {platform::Answer::Yes};
  EXPECT_TRUE(w.close());
  EXPECT_TRUE(failed);
  ASSERT_EQ(dialogs_.messages.size(), 2u);
  EXPECT_EQ(dialogs_.messages[1].kind, platform::MessageKind::Error);
  EXPECT_NE(dialogs_.messages[1].text.find("could not be written"), std::string::npos);
}

TEST_F(MainWindowTest, NcFileNameFromThePictureAndZNoCutBeforeAPick) {
  RecordingMain& w = Start();
  const std::string odd = WritePicture("pictures/my:pic?.bmp");
  dialogs_.fileNames = {odd, dir_.File("mypic")};
  std::vector<std::string> whileOpen;
  dialogs_.whileSaveDialogOpen = [&] { whileOpen.push_back(w.StatusText()); };
  Click("sbtOpen");
  EXPECT_TRUE(w.Called("place 40x30 at 0.000000"));
  EXPECT_EQ(Get<QLineEdit>("txtOriginX")->text(), "0") << "never \"-0\"";
  for (const char* next : {"sbtNextB1", "sbtNextB2", "sbtNextB3"}) Click(next);
  ASSERT_EQ(dialogs_.started.size(), 2u);
  EXPECT_EQ(std::filesystem::path(dialogs_.started[1]).filename(), "mypic");
  EXPECT_EQ(w.Job().ncFileName, dir_.File("mypic.nc")) << "with the post-processor's extension";
  EXPECT_EQ(w.StatusText(), "page 47: nc file");
  // While the NC file's dialog is open the NC-file page's own text shows; slot 41 is the point grid's.
  EXPECT_EQ(whileOpen, std::vector<std::string>{"page 47: nc file"});
  dialogs_.whileSaveDialogOpen = nullptr;

  // "Z no cut" switched on before any height was picked.
  Click("sbtNextB4");
  Click("sbtNextB5");
  auto* cutColor = Get<QCheckBox>("chkCutColor");
  cutColor->setChecked(true);
  EXPECT_FALSE(w.ZNoCutOn());
  EXPECT_EQ(Get<QPushButton>("btnZNC")->text(), "Pick...");
  EXPECT_TRUE(Get<QWidget>("btnZNC")->isEnabled());
  EXPECT_TRUE(Get<QWidget>("txtFiltroZNC")->isEnabled());
  Click("btnZNC");
  EXPECT_EQ(w.calls.back(), "pick");
  EXPECT_EQ(w.InteractionMode(), 58);
  EXPECT_FALSE(w.Mode3D()) << "the pick runs in the 2D view";
  EXPECT_EQ(w.StatusText(), "pick the height to leave") << "the pick's own prompt, not the Translate page's";
  cutColor->setChecked(false);
  EXPECT_FALSE(Get<QWidget>("btnZNC")->isEnabled());
  EXPECT_FALSE(w.ZNoCutOn());
}

TEST_F(MainWindowTest, ToolPageChoosesThroughTheToolWindow) {
  RecordingMain& w = Start();
  OpenAndWalkToCutting(dir_.File("tool"));
  Click("sbtNcCalc");
  Click("sbtPrevB6");
  // Edit: the tool window opens compact; a field changed and Ok refresh the summary.
  bool compactShown = false;
  QTimer::singleShot(0, [&] {
    compactShown = tool_->Find<QWidget>("grpToolList")->isHidden();
    tool_->Find<QLineEdit>("txtUtName")->setText("Ball 6");
    tool_->Find<QLineEdit>("txtDiametro")->setText("6");
    tool_->Find<QComboBox>("cboTipoUt")->setCurrentIndex(machining::kToolSpherical);
    tool_->Find<QPushButton>("sbtOk")->click();
  });
  Click("sbtEditTool");
  EXPECT_TRUE(compactShown);
  EXPECT_FALSE(tool_->CompactMode()) << "cleared after the window closed";
  EXPECT_EQ(Get<QLabel>("nol_lblUtName")->text(), "Ball 6");
  EXPECT_FLOAT_EQ(w.ToolRadius(), 3.0f);
  EXPECT_FALSE(Get<QLabel>("nol_lblVariaUt")->isHidden()) << "a spherical tool shows its corner radius";
  EXPECT_TRUE(Get<QLabel>("nol_lblFlat")->isHidden());
  EXPECT_FALSE(Get<QLabel>("imgTool")->pixmap().isNull());
  EXPECT_TRUE(w.Relief().parametersChanged) << "a tool change makes the program stale";
  Click("sbtNextB5");
  EXPECT_FALSE(Get<QWidget>("sbtNextB6")->isEnabled());

  // Select, then Cancel: nothing changes.
  QTimer::singleShot(0, [&] {
    compactShown = tool_->Find<QWidget>("grpToolList")->isHidden();
    tool_->Find<QLineEdit>("txtUtName")->setText("never");
    tool_->Find<QPushButton>("bntCancel")->click();
  });
  Click("sbtPrevB6");
  Click("sbtSelecTool");
  EXPECT_FALSE(compactShown) << "Select shows the whole tool window";
  EXPECT_EQ(Get<QLabel>("nol_lblUtName")->text(), "Ball 6");
}

TEST_F(MainWindowTest, KeysPagesAndLayoutAt800x600) {
  RecordingMain& w = Start();
  w.calls.clear();
  auto press = [&](QWidget* target, int key) {
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
  };
  press(Get<QWidget>("txtFeedPlane"), Qt::Key_Escape);
  press(&w, Qt::Key_Return);
  press(&w, Qt::Key_A);
  EXPECT_EQ(w.calls, (std::vector<std::string>{"code 2", "stop", "code 1"}));

  // 998 before any set was remembered: hidden, the status line as it was.
  w.VisPagine({app::kPageRestoreSet});
  EXPECT_TRUE(Get<QWidget>("PageControl1")->isHidden());
  EXPECT_EQ(Status(), "open a picture");
  // One page with its tab (the settings page), then the set again.
  w.VisPagine({44, 45});
  w.VisPagina(app::kPageSettings);
  EXPECT_EQ(w.PageControl()->TabPages(), std::vector<int>{app::kPageSettings});
  EXPECT_EQ(Page(), app::kPageSettings);
  w.VisPagine({app::kPageRestoreSet});
  EXPECT_EQ(Page(), 44);
  EXPECT_EQ(Status(), "page 44: size");
  w.VisPagine({app::kPageHideAll});
  EXPECT_TRUE(w.RememberedPages().empty());
  EXPECT_EQ(Status(), "");

  // The user moves to page 47 with the keyboard: no NC file yet, so its dialog opens.
  w.VisPagine({46, 47});
  dialogs_.fileNames = {""};
  QKeyEvent ctrlTab(QEvent::KeyPress, Qt::Key_Tab, Qt::ControlModifier);
  QApplication::sendEvent(w.PageControl(), &ctrlTab);
  EXPECT_EQ(Page(), 47);
  EXPECT_EQ(dialogs_.started.size(), 1u);

  w.show();
  w.resize(800, 600);
  QApplication::processEvents();
  EXPECT_EQ(Get<QWidget>("pnlCmd")->x(), 800 - 234) << "the command column keeps 234 pixels from the right";
  EXPECT_EQ(Get<QWidget>("PageControl1")->geometry(), QRect(566, 143, 229, 600 - 177));
  EXPECT_EQ(Get<QWidget>("pnlVistaGrafica")->size(), QSize(800 - 245, 600 - 37));
  EXPECT_EQ(Get<QWidget>("VistaGrafica")->size(), QSize(800 - 245, 600 - 37));
  EXPECT_EQ(Get<QWidget>("pnlStatus2")->y(), 600 - 28);
  EXPECT_TRUE(Get<QRadioButton>("rbtScaleUniform")->isChecked() && Get<QRadioButton>("rbtScaleMove")->isChecked())
      << "copy or move is a choice of its own";
  // Every component of every page lies inside its page at the smallest size.
  for (int i = 0; i < w.PageControl()->PageCount(); ++i) {
    QWidget* page = w.PageControl()->Page(i);
    w.PageControl()->SetActivePageIndex(i);
    ASSERT_TRUE(page->width() <= 229 && page->width() > 220 && page->height() <= 600 - 177 && page->height() > 410)
        << app::kPageNames[i] << ": the page fills the control, " << page->width() << " x " << page->height();
    for (QWidget* child : page->findChildren<QWidget*>()) {
      if (child->isHidden() || !child->parentWidget()->isVisibleTo(page)) continue;
      const QRect r(child->mapTo(page, QPoint(0, 0)), child->size());
      EXPECT_TRUE(page->rect().contains(r)) << app::kPageNames[i] << ": " << child->objectName().toStdString()
                                            << " lies outside the page";
    }
  }
}

TEST_F(MainWindowTest, ViewPlaceToolBarSetsAndPageChanges) {
  RecordingMain& w = Start();
  dialogs_.fileNames = {picture_};
  Click("sbtOpen");
  EXPECT_TRUE(Get<QWidget>("pnlTbr2")->isEnabled()) << "both tool bars once a picture is open";
  EXPECT_FALSE(Get<QWidget>("sbtSave")->isEnabled());
  // 2D: zoom window yes, the 3D view buttons no; 3D the other way round.
  EXPECT_TRUE(Get<QWidget>("sbtZoomWin")->isEnabled());
  EXPECT_FALSE(Get<QWidget>("sbtIsoView")->isEnabled());
  EXPECT_FALSE(Get<QWidget>("sbtShow")->isEnabled());
  Click("sbtNextB1");
  Click("sbtNextB2");
  EXPECT_FALSE(Get<QWidget>("sbtZoomWin")->isEnabled());
  EXPECT_TRUE(Get<QWidget>("sbtIsoView")->isEnabled());
  EXPECT_TRUE(Get<QWidget>("sbtShow")->isEnabled());
  EXPECT_TRUE(Get<QWidget>("sbtSave")->isEnabled()) << "a built relief can be saved";
  // The "3D" box shows the view.
  auto* threeD = Get<QCheckBox>("chk3dview");
  EXPECT_TRUE(threeD->isChecked());

  // The user moves to page 45 with the keyboard: the view goes back to 2D.
  QKeyEvent back(QEvent::KeyPress, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
  QApplication::sendEvent(w.PageControl(), &back);
  EXPECT_EQ(Page(), app::kPageReference);
  EXPECT_EQ(Status(), "page 45: reference");
  EXPECT_FALSE(w.Mode3D());
  EXPECT_FALSE(Get<QWidget>("VistaGrafica")->isHidden());
  EXPECT_FALSE(threeD->isChecked());

  // The NC listing's 2D mode leaves 79 pixels for its side panel.
  w.resize(800, 600);
  w.modo3d(false, true);
  EXPECT_TRUE(w.NcMode2D());
  EXPECT_EQ(Get<QWidget>("VistaGrafica")->width(), 800 - 245 - 79);
  EXPECT_FALSE(Get<QWidget>("pnlIso")->isHidden());
  w.modo3d(false, false);
  EXPECT_EQ(Get<QWidget>("VistaGrafica")->width(), 800 - 245);

  // Next of the image-edit page cancels the running 2D operation and shows page 44 alone.
  w.calls.clear();
  w.VisPagine({app::kPageImageEdit});
  Click("sbtNextB0");
  EXPECT_EQ(w.calls, std::vector<std::string>{"code 2"});
  EXPECT_EQ(w.RememberedPages(), std::vector<int>{app::kPageDimension});
  EXPECT_EQ(Page(), app::kPageDimension);
  // A set holds at most ten pages.
  w.VisPagine({0, 1, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12});
  EXPECT_EQ(w.RememberedPages().size(), 10u);
  EXPECT_FALSE(w.PageControl()->Page(11)->PageVisible());

  // The main tool bar off and on again (the play of the NC listing does this).
  w.AbilitaPnl(false, false);
  EXPECT_FALSE(Get<QWidget>("sbtOpen")->isEnabled());
  EXPECT_FALSE(Get<QWidget>("pnlTbr2")->isEnabled());
  w.AbilitaPnl(true, false);
  EXPECT_TRUE(Get<QWidget>("sbtOpen")->isEnabled());
  EXPECT_TRUE(Get<QWidget>("sbtSave")->isEnabled()) << "the buttons follow the flag, not what they were";
  EXPECT_FALSE(Get<QWidget>("pnlTbr2")->isEnabled());
}

// A Library.blk whose 41 blocks each place the one before twice (2^40 lines in the last) loads at
// start with one message, and a placement of its last block is fitted and painted without end.
TEST_F(MainWindowTest, StartUpSurvivesALibraryWhoseBlocksFanOut) {
  dir_.Write("Library.blk", cad::ChainedLibrary(41, 2));
  RecordingMain& w = StartShown();
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_EQ(dialogs_.messages[0].text.rfind("Block too large to draw", 0), 0u) << dialogs_.messages[0].text;
  cad::TSourceBlock2D* last = w.LocalCad().FindSourceBlock(cad::ChainedBlockName(40));
  ASSERT_NE(last, nullptr);
  w.LocalCad().AddObject(-1, std::make_unique<cad::TBlock2D>(-1, *last));
  w.VistaGrafica().ZoomToExtension();
  QCoreApplication::processEvents();
  EXPECT_EQ(dialogs_.messages.size(), 1u) << "drawing it says nothing more";
  EXPECT_EQ(Status(), "open a picture");
}

TEST_F(MainWindowTest, ErrorsInHandlersAreShownAndTheProgramGoesOn) {
  // A damaged block library is reported and start-up goes on.
  dir_.Write("Library.blk", "KQ-002");
  RecordingMain& w = Start();
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_EQ(dialogs_.messages[0].text,
            "The block library \"" + dir_.File("Library.blk") + "\" is damaged: Stream read error");
  EXPECT_EQ(Status(), "open a picture");
  dialogs_.messages.clear();
  OpenAndWalkToCutting(dir_.File("job"));
  Get<QLineEdit>("txtFeedPlane")->setText("abc");
  Click("sbtNcCalc");
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_EQ(dialogs_.messages[0].kind, platform::MessageKind::Error);
  EXPECT_NE(dialogs_.messages[0].text.find("Feed plane"), std::string::npos);
  EXPECT_FALSE(Get<QWidget>("sbtNextB6")->isEnabled());
  EXPECT_TRUE(Get<QWidget>("ProgressBar1")->isHidden());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_FALSE(std::filesystem::exists(dir_.File("job.nc"))) << "nothing written";

  // A file that is no picture leaves the picture the user had.
  dir_.Write("broken.bmp", "BM this is no picture");
  dialogs_.fileNames = {dir_.File("broken.bmp")};
  Click("sbtOpen");
  ASSERT_EQ(dialogs_.messages.size(), 2u);
  EXPECT_EQ(dialogs_.messages[1].kind, platform::MessageKind::Error);
  ASSERT_NE(w.WorkingBitmap(), nullptr);
  EXPECT_EQ(w.WorkingBitmap()->Width(), 40);
  EXPECT_EQ(Page(), app::kPageCutting);

  // An unknown type is refused with "401".
  dialogs_.fileNames = {dir_.File("x.gif")};
  Click("sbtOpen");
  EXPECT_EQ(dialogs_.messages.back().kind, platform::MessageKind::Warning);

  // With a good feed plane the same window calculates.
  Get<QLineEdit>("txtFeedPlane")->setText("2");
  Click("sbtNcCalc");
  EXPECT_EQ(dialogs_.messages.size(), 3u);
  EXPECT_TRUE(std::filesystem::exists(dir_.File("job.nc")));
}

TEST_F(MainWindowTest, GermanLocaleKeepsTheDotInTheNcProgram) {
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  // What Qt does at start when LANG=de_DE.UTF-8 (scripts/deps.sh makes the locale).
  ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr) << "the de_DE.UTF-8 locale is missing: run scripts/deps.sh";
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  ASSERT_STREQ(std::localeconv()->decimal_point, ",");
  app::InitialiseLocale();
  EXPECT_STREQ(std::localeconv()->decimal_point, ".");
  EXPECT_EQ(QLocale().decimalPoint(), ".");

  Start();
  OpenAndWalkToCutting(dir_.File("de"));
  Get<QLineEdit>("txtFeedPlane")->setText("2.5");
  Get<QLineEdit>("txtIncXY")->setText("0.75");
  Click("sbtNcCalc");
  std::setlocale(LC_ALL, saved.c_str());
  ASSERT_TRUE(dialogs_.messages.empty()) << dialogs_.messages.front().text;
  const std::string nc = FileText(dir_.File("de.nc"));
  EXPECT_NE(nc.find("Z2.500"), std::string::npos);
  EXPECT_EQ(nc.find(','), std::string::npos) << "no ',' in any number";
}

TEST_F(MainWindowTest, EveryComponentTheLanguageFileNamesExists) {
  Start();
  EXPECT_EQ(main_->PageControl()->PageCount(), 51);
  for (int i = 0; i < 51; ++i)
    EXPECT_EQ(main_->PageControl()->Page(i)->objectName(), app::kPageNames[i]) << i;
  platform::IniFile english(std::string(VELKORA_SOURCE_DIR) + "/language/english.lng");
  const std::vector<std::string> keys = english.ReadSection("frmMain");
  ASSERT_GT(keys.size(), 100u);
  for (const std::string& key : keys) {
    const size_t dot = key.find('.');
    if (dot == std::string::npos || key.substr(0, dot) == "frmMain") continue;  // numbered window texts
    EXPECT_NE(main_->FindComponent(key.substr(0, dot)), nullptr) << key;
  }
  // Components the window's handlers and the coming views reach by name.
  for (const char* name :
       {"VistaGrafica", "LocalCad", "LocalPrg", "GLViewPort", "pnlVistaGrafica", "pnlCmd", "pnlTbr1",
        "pnlTbr2", "pnlTbr3", "pnlTbr4", "pnlTbr5", "nol_pnlStatus1", "pnlStatus2", "pnlStatus3", "pnlIso",
        "pnlTbr1Iso", "pnlTbrIsoView", "pnlLimits", "ProgressBar1", "PopupDestro", "ImageListGlyph", "ImageList2",
        "treInfoRas", "imgCutPar", "imgTool", "ricIso", "grpZNC", "lblZNC", "stxNcFileName", "lblNomeNcFile",
        "nol_lblNomeNcFile1", "nol_IsoStatus1", "nol_IsoStatus2", "stxLimXmin", "LayersList", "cboCurrentLayer",
        "ColorBoxForm", "ColorBoxBackground", "ColorBoxDefLayers", "ColorBoxGrid", "nol_cboLang", "gprMirrorAxis",
        "rbtShResCoarse", "rbtShResMedium", "rbtShResFine", "grpOrigin", "grpDxfRotate", "txtCutDx", "txtPixelH",
        "txtDistAngle", "SpeedButton3", "SpeedButton5", "SpeedButton6", "SpeedButton9", "SpeedButton11",
        "SpeedButton12", "SpeedButton19", "SpeedButton20", "SpeedButton23", "SpeedButton29", "sedApprFont"})
    EXPECT_NE(main_->FindComponent(name), nullptr) << name;
}

// The window at its smallest size on every wizard page of a calculated job, saved as PNG files in
// "screenshots" beside the test program so a person can look at them. The tool page shows its numbers
// whole there, a five-digit spindle speed and a long corner radius among them.
TEST_F(MainWindowTest, ScreenshotsOfTheWizardAt800x600) {
  // The shipped texts, so the pictures show what a user reads.
  dir_.Write("language/english.lng", testing_support::FileText(std::string(VELKORA_SOURCE_DIR) + "/language/english.lng"));
  RecordingMain& w = Start();
  w.show();
  w.resize(800, 600);
  OpenAndWalkToCutting(dir_.File("shot"));
  tool_->Find<QLineEdit>("txtGiri")->setText("18000");
  tool_->Find<QComboBox>("cboTipoUt")->setCurrentIndex(machining::kToolBullNose);
  tool_->Find<QLineEdit>("txtC_Raggio")->setText("1.23456789");
  w.aggTabDatiUt();
  Click("sbtNcCalc");
  QDir().mkpath(QStringLiteral("screenshots"));
  const int pages[] = {app::kPageImageEdit, 44, 45, 46, 47, 48, 49, 50, app::kPageSettings, 7, 10, 11, 38};
  for (int page : pages) {
    // The settings come through their button, which selects the current colours.
    if (page == app::kPageSettings)
      Click("sbtSetting");
    else
      w.VisPagine({page});
    QApplication::processEvents();
    const QString file = QStringLiteral("screenshots/frmMain_%1.png").arg(app::kPageNames[page]);
    const QImage shot = w.grab().toImage();
    EXPECT_EQ(shot.size(), QSize(800, 600));
    EXPECT_TRUE(shot.save(file)) << file.toStdString();
  }
  const QRect picture = Get<QWidget>("imgTool")->geometry();
  for (const char* name : {"nol_lblSpeed", "nol_lblVariaUt", "nol_lblFeedrate", "nol_lblToolDia"}) {
    auto* label = Get<QLabel>(name);
    EXPECT_FALSE(label->geometry().intersects(picture)) << name << " lies under the tool's picture";
    EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width()) << label->text().toStdString();
  }
  EXPECT_EQ(Get<QLabel>("nol_lblSpeed")->text(), "Spindle speed: 18000");
  EXPECT_TRUE(Get<QLabel>("nol_lblVariaUt")->text().startsWith("Corner radius: 1.23456789"))
      << Get<QLabel>("nol_lblVariaUt")->text().toStdString();
}

TEST(SplashScreen, SizeLogoPlaceAndOpacity) {
  app::TSplashScreen splash;
  splash.show();
  EXPECT_EQ(splash.size(), QSize(700, 178));
  auto* logo = splash.Find<QLabel>("imgLogo");
  ASSERT_NE(logo, nullptr);
  EXPECT_EQ(logo->geometry(), QRect(2, 2, 696, 174));
  EXPECT_EQ(splash.Find<QWidget>("pnlImage")->geometry(), QRect(0, 0, 700, 178));
  EXPECT_FALSE(logo->pixmap().isNull());
  EXPECT_NEAR(splash.windowOpacity(), 120.0 / 255.0, 0.01) << "asked of the window system";
  // The GIF logo is drawn, not the plain background left when it cannot be read.
  const QImage shown = logo->pixmap().toImage();
  std::set<QRgb> colours;
  for (int y = 0; y < shown.height(); y += 7)
    for (int x = 0; x < shown.width(); x += 7) colours.insert(shown.pixel(x, y));
  EXPECT_GT(colours.size(), 50u);
  QDir().mkpath(QStringLiteral("screenshots"));
  EXPECT_TRUE(splash.grab().save(QStringLiteral("screenshots/splash.png")));
}

}  // namespace
