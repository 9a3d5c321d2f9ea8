// The main window's view handlers, the grid and STL-choice dialogs and the help menu.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <cmath>

#include "app/about_window.h"
#include "app/camera_fit.h"
#include "app/flat_menu.h"
#include "app/lurn_url_label.h"
#include "app/menu_speed_buttons.h"
#include "app/help_manager.h"
#include "app/help_topics.h"
#include "app/html_help_viewer.h"
#include "app/page_control.h"
#include "app/real_spin.h"
#include "scene3d/stage_viewer.h"
#include "cad/primitives2d.h"
#include "platform/bitmap_qimage.h"
#include "main_window_fixture.h"
#include "platform/html_help.h"
#include "platform/ini_file.h"
#include "platform/numbers.h"

namespace {

using testing_support::MainWindowTest;
using testing_support::RecordingMain;

class ViewHandlersTest : public MainWindowTest {
 protected:
  // Runs `inside` once the modal dialog `dialog` is shown, then lets `open` return.
  void WhileShown(QDialog* dialog, const std::function<void()>& open, const std::function<void()>& inside) {
    bool ran = false;
    QTimer::singleShot(0, [&] {
      ran = dialog->isVisible();
      inside();
      if (dialog->isVisible()) dialog->reject();
    });
    open();
    EXPECT_TRUE(ran) << "the dialog was shown";
  }
  static void Choose(QComboBox* box, const QString& text) { box->setEditText(text); }
  std::tuple<double, double, double, double> Window() const {
    const app::View2DState& v = main_->View2D();
    return {v.windowX1, v.windowY1, v.windowX2, v.windowY2};
  }
};

TEST_F(ViewHandlersTest, ZoomPanAndAutozoomByViewMode) {
  RecordingMain& w = Start();
  // 2D: each side moves by a quarter of the window.
  auto quarters = [&](const char* button, double sign) {
    const auto [x1, y1, x2, y2] = Window();
    const double qx = (x2 - x1) / 4 * sign, qy = (y2 - y1) / 4 * sign;
    Click(button);
    const auto [a1, b1, a2, b2] = Window();
    EXPECT_NEAR(a1, x1 + qx, 1e-9) << button;
    EXPECT_NEAR(b1, y1 + qy, 1e-9) << button;
    EXPECT_NEAR(a2, x2 - qx, 1e-9) << button;
    EXPECT_NEAR(b2, y2 - qy, 1e-9) << button;
  };
  EXPECT_EQ(std::get<0>(Window()), -10.0);
  quarters("sbtZoomIn", 1.0);
  EXPECT_EQ(std::get<0>(Window()), 65.0);
  quarters("sbtZoomBack", -1.0);
  // Autozoom of an empty drawing has no extent to fit.
  Click("sbtAutozoom");
  EXPECT_FALSE(w.Called("zoom extent"));
  Open(picture_);
  w.calls.clear();
  Click("sbtAutozoom");
  EXPECT_EQ(w.calls, std::vector<std::string>{"zoom extent"});

  // Zoom window and pan nest their operations; their end puts the buttons up.
  Click("sbtZoomWin");
  EXPECT_EQ(w.InteractionMode(), 52);
  EXPECT_TRUE(Get<QToolButton>("sbtZoomWin")->isChecked());
  w.LocalPrgEndOperation();
  EXPECT_FALSE(Get<QToolButton>("sbtZoomWin")->isChecked());
  EXPECT_EQ(Get<QLineEdit>("txtDistY1")->text(), "") << "an end leaves no mark in the distance fields";
  Click("sbtPan");
  EXPECT_TRUE(w.PanMode());
  EXPECT_EQ(w.InteractionMode(), 51);
  w.LocalPrgEndOperation();
  EXPECT_FALSE(w.PanMode());
  EXPECT_FALSE(Get<QToolButton>("sbtPan")->isChecked());
  EXPECT_EQ(w.InteractionMode(), 999);
  EXPECT_EQ(w.Count("zoom area") + w.Count("pan"), 2);

  // 3D: the camera's scene scale, whatever the 2D view's zoom; the zoom window stays up.
  Click("sbtNextB1");
  Click("sbtNextB2");
  w.calls.clear();
  const auto window = Window();
  w.sbtZoomInClick();
  w.sbtZoomBackClick();
  w.sbtZoomWinClick();
  w.sbtAutozoomClick();
  EXPECT_EQ(w.calls, (std::vector<std::string>{"camera x1.500000", "camera x0.500000", "3D autozoom"}));
  EXPECT_EQ(Window(), window);
  EXPECT_FALSE(Get<QToolButton>("sbtZoomWin")->isChecked());

  // The NC backplot in 2D fits its extent widened by a twentieth of its width; none, no change.
  w.modo3d(false, true);
  w.sbtAutozoomClick();
  EXPECT_EQ(Window(), window);
  w.SetNcExtent(0.0, 0.0, 100.0, 50.0);
  w.sbtAutozoomClick();
  // Widened to the view's shape (the view is taller than wide).
  const QWidget* view = Get<QWidget>("VistaGrafica");
  ASSERT_GT(view->height(), view->width());
  const auto [x1, y1, x2, y2] = Window();
  EXPECT_EQ(std::tuple(x1, y1, x2), std::tuple(-5.0, -5.0, 105.0));
  EXPECT_NEAR(y2, -5.0 + 110.0 * view->height() / view->width(), 1e-9);
}

TEST_F(ViewHandlersTest, PointerReadoutAndDrags) {
  RecordingMain& w = Start();
  Open(picture_);
  auto* status = Get<QLabel>("nol_pnlStatus1");
  w.VistaGraficaMouseMove2D({12.3456, -7.5, 0, 0, false, false, false});
  EXPECT_EQ(status->text(), "X: 12.346 Y: -7.500");
  w.VistaGraficaMouseMove2D({3.0, 400.0, 0, 0, false, false, false});
  EXPECT_EQ(status->text(), "X:  3.000 Y: 400.000") << "six places wide";

  // Ctrl with the left button: a step of zoom after more than 20 pixels, in when moving left.
  w.VistaGraficaMouseDown2D({0, 0, 100, 100, true, false, false});
  const auto start = Window();
  w.VistaGraficaMouseMove2D({0, 0, 85, 100, true, false, true});
  EXPECT_EQ(Window(), start) << "15 pixels";
  w.VistaGraficaMouseMove2D({0, 0, 79, 100, true, false, true});
  const auto in = Window();
  EXPECT_LT(std::get<2>(in) - std::get<0>(in), std::get<2>(start) - std::get<0>(start)) << "21 pixels left: in";
  w.VistaGraficaMouseMove2D({0, 0, 95, 100, true, false, true});
  EXPECT_EQ(Window(), in) << "16 pixels from the new reference";
  w.VistaGraficaMouseMove2D({0, 0, 101, 100, true, false, true});
  EXPECT_GT(std::get<2>(Window()) - std::get<0>(Window()), std::get<2>(in) - std::get<0>(in)) << "22 pixels right: out";

  // Shift with the left button drags the picture along.
  w.resize(800, 600);
  w.VistaGraficaMouseDown2D({0, 0, 50, 50, true, true, false});
  EXPECT_TRUE(w.DragPan());
  EXPECT_TRUE(Get<QToolButton>("sbtPan")->isChecked());
  const auto before = Window();
  w.VistaGraficaMouseMove2D({0, 0, 60, 50, true, true, false});
  const auto after = Window();
  EXPECT_LT(std::get<0>(after), std::get<0>(before)) << "moving right shows what lies left";
  EXPECT_DOUBLE_EQ(std::get<1>(after), std::get<1>(before));
  w.VistaGraficaMouseUp2D();
  EXPECT_FALSE(w.DragPan());
  EXPECT_FALSE(Get<QToolButton>("sbtPan")->isChecked());

  // Inches: four places.
  Get<QComboBox>("cboUnits")->setCurrentIndex(1);
  emit Get<QComboBox>("cboUnits")->activated(1);
  w.VistaGraficaMouseMove2D({1.5, 2.0, 0, 0, false, false, false});
  EXPECT_EQ(status->text(), "X: 1.5000 Y: 2.0000");
}

TEST_F(ViewHandlersTest, ZNoCutPickReadsEachPickOnceAndEscapeLeavesNoPoint) {
  RecordingMain& w = Start();
  OpenAndWalkToCutting(dir_.File("znc"));
  Get<QCheckBox>("chkCutColor")->setChecked(true);
  auto pick = [&](std::optional<std::pair<double, double>> point) {
    Click("btnZNC");
    EXPECT_EQ(w.InteractionMode(), 58);
    EXPECT_FALSE(w.Mode3D());
    w.VistaGraficaMouseMove2D({10.0, 5.0, 0, 0, false, false, false});
    EXPECT_EQ(Get<QLabel>("nol_pnlStatus1")->text().toStdString(),
              "X: 10.000 Y:  5.000 Z: " + platform::FormatPrintf("%0.3f", w.Relief().grid.At(10, 5)))
        << "the height under the pointer";
    // What the interaction program leaves: the point, here beside a drawn object of the same ID.
    cad::TKQCmp2D& drawing = w.LocalCad();
    drawing.AddObject(app::kZNoCutPointId, std::make_unique<cad::TLine2D>(app::kZNoCutPointId, cad::Point2D(0, 0),
                                                                         cad::Point2D(1, 1)));
    if (point)
      drawing.AddObject(app::kZNoCutPointId,
                        std::make_unique<cad::TPunto2D>(app::kZNoCutPointId, cad::Point2D(point->first, point->second)));
    const int objects = drawing.NumObjects();
    w.LocalPrgEndOperation();
    EXPECT_EQ(w.InteractionMode(), 999);
    EXPECT_TRUE(w.Mode3D()) << "back to the relief";
    EXPECT_EQ(drawing.NumObjects(), objects - (point ? 1 : 0)) << "the point, and only it, was taken out";
    EXPECT_TRUE(dynamic_cast<cad::TLine2D*>(drawing.GetObject(app::kZNoCutPointId)));
  };
  pick(std::pair{4.0, 3.0});
  const float first = w.Relief().grid.At(4, 3);
  EXPECT_EQ(w.ZNoCutHeight(), first);
  pick(std::pair{30.0, 3.0});
  const float second = w.Relief().grid.At(30, 3);
  ASSERT_NE(first, second);
  EXPECT_EQ(w.ZNoCutHeight(), second) << "the second pick, not the first";
  EXPECT_EQ(Get<QPushButton>("btnZNC")->text().toStdString(), " Z: " + platform::FormatPrintf("%0.3f", second));
  EXPECT_TRUE(w.ZNoCutOn());
  EXPECT_EQ(w.Count("take 777"), 2);

  // Esc during the pick: the operation ends without a point; the height stays, nothing breaks.
  Click("btnZNC");
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(&w, &escape);
  w.LocalPrgEndOperation();
  EXPECT_EQ(w.InteractionMode(), 999);
  EXPECT_EQ(w.ZNoCutHeight(), second);
  EXPECT_TRUE(w.Mode3D());
  // A pick outside the relief: 7777, "Z no cut" off.
  pick(std::pair{500.0, 3.0});
  EXPECT_EQ(w.ZNoCutHeight(), 7777.0f);
  EXPECT_FALSE(w.ZNoCutOn());
  EXPECT_EQ(Get<QPushButton>("btnZNC")->text(), " outside");
  // Stopped by the program instead: the same end.
  Click("btnZNC");
  w.LocalPrgStopOperation();
  EXPECT_EQ(w.InteractionMode(), 999);
  EXPECT_EQ(Get<QLineEdit>("txtDistY1")->text(), "") << "a stop leaves no mark in the distance fields";
}

TEST_F(ViewHandlersTest, PopUpMenuFollowsTheRunningOperation) {
  RecordingMain& w = Start();
  const struct {
    bool running, busy;
  } cases[] = {{false, false}, {true, false}, {true, true}};
  for (const auto& c : cases) {
    w.operationRunning = c.running;
    w.busy = c.busy;
    emit Get<QMenu>("PopupDestro")->aboutToShow();
    EXPECT_EQ(Get<QAction>("mnuDone")->isEnabled(), c.running);
    EXPECT_EQ(Get<QAction>("btnCancel")->isEnabled(), c.running);
    for (const char* name : {"mnuZoomWindow", "mnuZoomIn", "mnuZoomOut", "mnuAutozoom", "mnuPan"})
      EXPECT_EQ(Get<QAction>(name)->isEnabled(), !c.busy) << name;
  }
  // While busy, a pan is refused and its button stays up.
  w.calls.clear();
  Click("sbtPan");
  EXPECT_FALSE(w.PanMode());
  EXPECT_FALSE(Get<QToolButton>("sbtPan")->isChecked());
  EXPECT_TRUE(w.calls.empty());
  w.busy = false;
  Get<QAction>("mnuDone")->trigger();
  Click("sbtPan");
  Get<QAction>("btnCancel")->trigger();
  EXPECT_EQ(w.calls, (std::vector<std::string>{"code 1", "pan", "code 2", "stop"}));
  EXPECT_FALSE(w.PanMode());
  EXPECT_EQ(w.InteractionMode(), 12);
}

TEST_F(ViewHandlersTest, GridDialogAppliesAtOnceAndRestoresUnlessOk) {
  RecordingMain& w = Start();
  auto box = [&](const char* name) { return grid_->Find<QComboBox>(name); };
  auto rightClick = [&] {
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::RightButton, Qt::RightButton,
                      Qt::NoModifier);
    QApplication::sendEvent(Get<QToolButton>("sbtGridOnOff"), &press);
  };
  // Cancel, then closing the window: the spacing comes back.
  for (const char* how : {"cancel", "close"}) {
    WhileShown(grid_.get(), rightClick, [&] {
      EXPECT_EQ(box("nol_cboGridX")->currentText(), "10.000");
      EXPECT_EQ(box("nol_cboXSnap")->currentText(), "10");
      Choose(box("nol_cboGridX"), "2.5");
      EXPECT_EQ(w.View2D().gridDeltaX, 2.5) << "at once";
      EXPECT_EQ(w.View2D().gridDeltaY, 2.5) << "linked";
      EXPECT_EQ(box("nol_cboGridY")->currentText(), "2.5");
      Choose(box("nol_cboXSnap"), "0.5");
      EXPECT_EQ(w.Prg2D().snapY, 0.5);
      grid_->Find<QCheckBox>("chkSnap2Grid")->click();
      EXPECT_TRUE(w.Prg2D().snapToGrid);
      EXPECT_EQ(w.SnapGlyphIndex(), 8);
      grid_->Find<QCheckBox>("chkShowGrid")->click();
      EXPECT_FALSE(Get<QToolButton>("sbtGridOnOff")->isChecked());
      EXPECT_FALSE(w.View2D().showGrid);
      if (std::string(how) == "cancel") grid_->Find<QPushButton>("btnCancel")->click();
      else grid_->close();
    });
    SCOPED_TRACE(how);
    EXPECT_EQ(w.View2D().gridDeltaX, 10.0);
    EXPECT_EQ(w.View2D().gridDeltaY, 10.0);
    EXPECT_EQ(w.Prg2D().snapX, 10.0);
    EXPECT_FALSE(w.Prg2D().snapToGrid);
    EXPECT_EQ(w.SnapGlyphIndex(), 7);
    EXPECT_TRUE(w.View2D().showGrid);
    EXPECT_TRUE(Get<QToolButton>("sbtGridOnOff")->isChecked());
  }
  // Ok keeps; an unlinked Y stays; what is no step changes nothing.
  WhileShown(grid_.get(), [&] { w.ShowGridDialog(); }, [&] {
    grid_->Find<QCheckBox>("chkUnisceGrid")->setChecked(false);
    Choose(box("nol_cboGridX"), "25");
    Choose(box("nol_cboGridY"), "0");
    Choose(box("nol_cboGridSubX"), "5");
    Choose(box("nol_cboXSnap"), "1e-320");
    Choose(box("nol_cboYSnap"), "0.0000009");
    grid_->Find<QPushButton>("btnOk")->click();
  });
  EXPECT_EQ(w.View2D().gridDeltaX, 25.0);
  EXPECT_EQ(w.View2D().gridDeltaY, 10.0);
  EXPECT_EQ(w.View2D().gridSubX, 5);
  EXPECT_EQ(w.View2D().gridSubY, 5);
  EXPECT_EQ(w.Prg2D().snapX, 10.0) << "a step finer than 1e-6 is no step";
  EXPECT_EQ(w.Prg2D().snapY, 10.0);
  // The snap button toggles snapping, and the dialog's box follows.
  Click("sbmSnap");
  EXPECT_TRUE(w.Prg2D().snapToGrid);
  EXPECT_TRUE(grid_->Find<QCheckBox>("chkSnap2Grid")->isChecked());
  EXPECT_EQ(w.SnapGlyphIndex(), 8);
}

TEST_F(ViewHandlersTest, LayerPageAndCurrentLayer) {
  RecordingMain& w = Start();
  auto* list = Get<QListWidget>("LayersList");
  ASSERT_EQ(list->count(), 256);
  EXPECT_EQ(list->item(255)->text(), "255 - Layer_255");
  EXPECT_EQ(Get<QComboBox>("cboCurrentLayer")->count(), 256);
  list->setCurrentRow(3);
  EXPECT_EQ(Get<QLineEdit>("txtLayerNome")->text(), "Layer_3");
  Get<QLineEdit>("txtLayerNome")->setText("Walls and a very long name beyond thirty-one");
  EXPECT_EQ(list->item(3)->text(), "3 - Walls and a very long name beyo") << "31 characters at most";
  EXPECT_EQ(Get<QComboBox>("cboCurrentLayer")->itemText(3), list->item(3)->text());
  Get<QSpinBox>("PenSizeEdt")->setValue(4);
  Get<QCheckBox>("chkLayerVis")->click();
  auto* colour = Get<QComboBox>("cboLayerColor");
  colour->setCurrentIndex(colour->findData(QVariant::fromValue(platform::clRed)));
  emit colour->activated(colour->currentIndex());
  // The page writes into the layer; layer 4 is untouched.
  list->setCurrentRow(4);
  EXPECT_EQ(Get<QSpinBox>("PenSizeEdt")->value(), 1);
  EXPECT_TRUE(Get<QCheckBox>("chkLayerVis")->isChecked());
  list->setCurrentRow(3);
  EXPECT_EQ(Get<QSpinBox>("PenSizeEdt")->value(), 4);
  EXPECT_FALSE(Get<QCheckBox>("chkLayerVis")->isChecked());
  EXPECT_EQ(colour->currentData().value<platform::TColor>(), platform::clRed);
  Get<QComboBox>("cboCurrentLayer")->setCurrentIndex(5);
  EXPECT_EQ(w.CurrentLayer(), 5);
}

TEST_F(ViewHandlersTest, SettingsTabColoursUnitsAndReset) {
  dir_.Write("language/deutsch.lng", "[String]\n");
  RecordingMain& w = Start();
  Click("sbtSetting");
  EXPECT_EQ(Page(), app::kPageSettings);
  EXPECT_EQ(w.PageControl()->TabPages(), std::vector<int>{app::kPageSettings});
  EXPECT_EQ(Status(), "page 13: settings");
  auto* languages = Get<QComboBox>("nol_cboLang");
  EXPECT_EQ(languages->count(), 2);
  EXPECT_EQ(languages->currentText(), "english") << "the current language, kept";
  // Each box shows its colour as a framed swatch beside the code, a colour of its own (the window's
  // system colour) as well as a standard one.
  for (const char* name : {"ColorBoxForm", "ColorBoxBackground", "ColorBoxDefLayers", "ColorBoxGrid"}) {
    SCOPED_TRACE(name);
    auto* box = Get<QComboBox>(name);
    const auto color = box->currentData().value<platform::TColor>();
    EXPECT_EQ(box->currentText(), QStringLiteral("$%1").arg(color, 6, 16, QLatin1Char('0')));
    const QImage swatch = box->itemIcon(box->currentIndex()).pixmap(14, 14).toImage();
    ASSERT_FALSE(swatch.isNull());
    EXPECT_EQ(swatch.pixelColor(7, 7), platform::ToQColor(color));
    EXPECT_EQ(swatch.pixelColor(0, 0), QColor(64, 64, 64)) << "the frame";
  }
  EXPECT_EQ(Get<QComboBox>("ColorBoxForm")->currentText(), "$ff000005") << "the window colour of a first start";
  auto* background = Get<QComboBox>("ColorBoxBackground");
  EXPECT_EQ(background->currentData().value<platform::TColor>(), 0x808080u);
  background->setCurrentIndex(background->findData(QVariant::fromValue(platform::clNavy)));
  emit background->activated(background->currentIndex());
  EXPECT_EQ(w.View2D().background, platform::clNavy);

  auto* units = Get<QComboBox>("cboUnits");
  units->setCurrentIndex(1);
  emit units->activated(1);
  EXPECT_TRUE(w.Inches());
  EXPECT_EQ(Get<QLabel>("nlblDimb")->text(), "Inch");
  EXPECT_EQ(w.Formatta(2.0), "2.0000");
  EXPECT_FALSE(w.View2D().isMM);

  Click("sbtReset");
  EXPECT_EQ(Get<QComboBox>("ColorBoxDefLayers")->currentData().value<platform::TColor>(), 0x00FF00u);
  EXPECT_EQ(Get<QComboBox>("ColorBoxForm")->currentData().value<platform::TColor>(), 0xFFC0C0u);
  dialogs_.answers = {platform::Answer::Yes};
  ASSERT_TRUE(w.close());
  platform::IniFile ini(dir_.File("velkora.ini"));
  EXPECT_EQ(ini.ReadInteger("Color", "DefLayers", 0), 65280);
  EXPECT_EQ(ini.ReadInteger("Color", "Form", 0), 0xFFC0C0);
  EXPECT_EQ(ini.ReadInteger("Color", "BackGround", 0), 0x808080);
  EXPECT_EQ(ini.ReadInteger("Color", "Grid", 0), 0x800000);
  EXPECT_EQ(ini.ReadInteger("Default", "Unit", 0), 1);
}

TEST_F(ViewHandlersTest, ColourButtonRunsTheColourDialogAndChangesNothing) {
  RecordingMain& w = Start();
  const struct {
    const char* what;
    std::vector<uint32_t> answer;  // none: cancelled
  } cases[] = {{"cancelled", {}}, {"red chosen", {platform::clRed}}, {"navy chosen", {platform::clNavy}}};
  for (const auto& c : cases) {
    const platform::TColor background = w.View2D().background, grid = w.View2D().gridColor;
    const platform::TColor background3d = w.Viewer3D().Buffer().BackgroundColor();
    const QColor window = w.palette().color(QPalette::Window);
    dialogs_.colors = c.answer;
    dialogs_.colorCaptions.clear();
    Click("sbtColor");
    EXPECT_EQ(dialogs_.colorCaptions, std::vector<std::string>{"Colour"}) << c.what << ": the colour dialog shows";
    EXPECT_TRUE(dialogs_.colors.empty()) << c.what;
    EXPECT_EQ(w.View2D().background, background) << c.what;
    EXPECT_EQ(w.View2D().gridColor, grid) << c.what;
    EXPECT_EQ(w.Viewer3D().Buffer().BackgroundColor(), background3d) << c.what;
    EXPECT_EQ(w.palette().color(QPalette::Window), window) << c.what;
    EXPECT_TRUE(dialogs_.messages.empty()) << c.what;
  }
}

TEST_F(ViewHandlersTest, HelpMenuCommands) {
  platform::RecordingHtmlHelp entry;
  platform::ScopedHtmlHelp scoped(&entry);
  app::HelpManager& help = app::ProgramHelpManager();
  help.SetApplicationHelpFile("Velkora.chm");
  app::HtmlHelpUnit unit(help);
  RecordingMain& w = Start();
  Get<QAction>("mnuHelp")->trigger();
  ASSERT_EQ(entry.calls.size(), 1u);
  EXPECT_EQ(entry.calls[0].file, dir_.File("hlp/Velkora.chm"));
  EXPECT_EQ(entry.calls[0].command, platform::kHhDisplayToc);
  Get<QAction>("mnuTutor")->trigger();
  Get<QAction>("mnuWeb")->trigger();
  EXPECT_EQ(dialogs_.opened, (std::vector<std::string>{w.TutorialPath(), "http://www.velkora.example/"}));
  // F1 opens the topic of the page in view.
  Open(picture_);
  entry.calls.clear();
  EXPECT_TRUE(w.FormKeyPress(Qt::Key_F1));
  ASSERT_EQ(entry.calls.size(), 1u);
  EXPECT_EQ(entry.calls[0].command, platform::kHhHelpContext);
  EXPECT_EQ(entry.calls[0].data.context, static_cast<uint32_t>(app::HelpContextOfPage(app::kPageDimension)));
  EXPECT_NE(app::HelpContextOfPage(app::kPageDimension), app::HelpContextOfPage(-1));
  help.SetApplicationHelpFile("");
}

TEST_F(ViewHandlersTest, AboutWindowCreditAndLinks) {
  EXPECT_EQ(app::TranslationCredit("deutsch", "Anna"), "Deutsch language translated by Anna");
  EXPECT_EQ(app::TranslationCredit("english", ""), "");
  RecordingMain& w = Start();
  app::TfrmAbout about(&w);
  w.SetAboutWindow(&about);
  Get<QAction>("mnuAbout1")->trigger();
  EXPECT_TRUE(about.isVisible());
  EXPECT_FALSE(about.isModal());
  EXPECT_EQ(about.Find<QLabel>("nol_lbltTranslation")->text(), "") << "no \"Autor\" in the language file";
  EXPECT_EQ(about.Find<QLabel>("nol_lblProduct")->text(), "Velkora");
  about.Find<QPushButton>("btnOk")->click();
  EXPECT_FALSE(about.isVisible());
  language_.LangIni->WriteString("String", "Autor", "Anna");
  w.mnuAbout1Click();
  EXPECT_EQ(about.Find<QLabel>("nol_lbltTranslation")->text(), "English language translated by Anna");
  EXPECT_EQ(language_.AboutCredit, "English language translated by Anna");
  auto* www = about.Find<app::TLurnUrlLabel>("nol_LurnUrlLblwww");
  auto* mail = about.Find<app::TLurnUrlLabel>("nol_LurnUrlLblmailto");
  EXPECT_EQ(www->GetFullURL(), "http://www.velkora.example");
  EXPECT_EQ(mail->GetFullURL(), "mailto:support@velkora.example?Subject=Velkora");
  mail->Click();
  EXPECT_EQ(dialogs_.opened.back(), "mailto:support@velkora.example?Subject=Velkora");
  // The logo animates while the window shows; it is saved for a person to look at.
  QTest::qWait(150);
  QDir().mkpath(QStringLiteral("screenshots"));
  EXPECT_TRUE(about.grab().save(QStringLiteral("screenshots/frmAbout.png")));
  about.close();
}

TEST(CameraFit, TheStockBoxFillsTheViewAndAnEmptyBoxChangesNothing) {
  machining::StockBox box;
  box.cubeHeight = 40.0f;  // along X
  box.cubeWidth = 30.0f;
  box.cubeDepth = 0.0f;
  box.positionX = 20.0f;
  box.positionY = 15.0f;
  box.positionZ = -2.0f;
  // d = 50, C = (20, 15, -2); the camera at distance 10 keeps its direction at twice d / |P| = 10.
  auto fit = app::FitCameraToStockBox(box, {0.0, -6.0, 8.0}, {0.0, 0.0, 0.0});
  ASSERT_TRUE(fit);
  EXPECT_EQ(fit->target, (app::Vec3{20.0, 15.0, -2.0}));
  EXPECT_NEAR(fit->camera[1], 15.0 - 60.0, 1e-9);
  EXPECT_NEAR(fit->camera[2], -2.0 + 80.0, 1e-9);
  EXPECT_NEAR(fit->sceneScale, 100.0 / (25.0 * 4.3), 1e-9);
  EXPECT_NEAR(fit->depthOfView, 5000.0, 1e-9);
  // Straight above: lowered a little in Y.
  fit = app::FitCameraToStockBox(box, {0.0, 0.0, 10.0}, {0.0, 0.0, 0.0});
  ASSERT_TRUE(fit);
  EXPECT_NEAR(fit->camera[1], 15.0 - 0.0001, 1e-12);
  // No extent, or a camera at the origin: nothing to fit.
  EXPECT_FALSE(app::FitCameraToStockBox(machining::StockBox{}, {0.0, -6.0, 8.0}, {0.0, 0.0, 0.0}));
  EXPECT_FALSE(app::FitCameraToStockBox(box, {0.0, 0.0, 0.0}, {1.0, 0.0, 0.0}));
}

TEST_F(ViewHandlersTest, StlChoiceDialog) {
  Start();
  QString caption;
  WhileShown(stl_.get(), [&] { EXPECT_TRUE(stl_->Choose("/tmp/job.stl")); }, [&] {
    caption = stl_->windowTitle();
    EXPECT_TRUE(stl_->Find<QRadioButton>("rbtOutSh")->isChecked()) << "surface by default";
    stl_->Find<QRadioButton>("rbtOutSo")->click();
    stl_->Find<QPushButton>("sbtOk")->click();
  });
  EXPECT_EQ(caption, "/tmp/job.stl");
  EXPECT_TRUE(stl_->Solid());
  EXPECT_EQ(stl_->Find<QRadioButton>("rbtOutSo")->text(), "Solid");
  for (const char* how : {"cancel", "close"}) {
    WhileShown(stl_.get(), [&] { EXPECT_FALSE(stl_->Choose("x")) << how; }, [&] {
      if (std::string(how) == "cancel") stl_->Find<QPushButton>("bntCancel")->click();
      else stl_->close();
    });
  }
}

// The pages and dialogs built here, as PNG files in "screenshots" beside the test program, so a
// person can look at them.
TEST_F(ViewHandlersTest, Screenshots) {
  RecordingMain& w = Start();
  w.show();
  w.resize(800, 600);
  Open(WritePicture("pictures/shot.bmp", 400, 300));
  QDir().mkpath(QStringLiteral("screenshots"));
  auto save = [](QWidget* widget, const QString& name) {
    QApplication::processEvents();
    const QImage shot = widget->grab().toImage();
    EXPECT_FALSE(shot.isNull());
    EXPECT_TRUE(shot.save(QStringLiteral("screenshots/%1.png").arg(name))) << name.toStdString();
  };
  for (int page : {app::kPageImageEdit, app::kPageDimension, app::kPageReference, app::kPageDepth}) {
    w.VisPagine({page});
    save(&w, QStringLiteral("image_%1").arg(app::kPageNames[page]));
  }
  Get<QListWidget>("LayersList")->setCurrentRow(2);
  w.VisPagine({7});
  save(&w, QStringLiteral("image_tabLayer"));
  Click("sbtSetting");
  save(&w, QStringLiteral("image_tabSettings"));
  WhileShown(grid_.get(), [&] { w.ShowGridDialog(); }, [&] { save(grid_.get(), "frmGrid"); });
  WhileShown(stl_.get(), [&] { stl_->Choose("relief.stl"); }, [&] { save(stl_.get(), "frmStlDxf"); });
}

// The window is made of its own controls: spin edits for the polar arc, menu speed buttons that drop
// their menus from a click on the body, and every menu painted flat in the settings' window colour.
TEST_F(ViewHandlersTest, TheWindowsOwnControls) {
  RecordingMain& w = Start();
  w.resize(800, 600);
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  for (const char* name : {"rseArcoPolareSa", "rseArcoPolareEa"}) {
    auto* spin = qobject_cast<app::TRealSpinEdit*>(Get<QWidget>(name));
    ASSERT_NE(spin, nullptr) << name;
    EXPECT_DOUBLE_EQ(spin->MinValue().ToDouble(), 0.0) << name;
    EXPECT_DOUBLE_EQ(spin->MaxValue().ToDouble(), 360.0) << name;
  }
  for (const char* name : {"lsbLine", "lsbArc", "lsbPoint", "lsbModify", "lsbXform", "lsbDelete"}) {
    auto* split = qobject_cast<app::TVexaLinkedSpeedButton*>(Get<QWidget>(name));
    ASSERT_NE(split, nullptr) << name;
    EXPECT_NE(split->MenuButton(), nullptr) << name;
  }
  // The "3D" box shows the view and nothing else: neither a click nor the keyboard changes it.
  auto* threeD = Get<QCheckBox>("chk3dview");
  EXPECT_FALSE(threeD->toolTip().isEmpty());
  for (bool shown : {false, true}) {
    threeD->setChecked(shown);
    QTest::mouseClick(threeD, Qt::LeftButton, {}, QPoint(6, 10));
    EXPECT_EQ(threeD->isChecked(), shown) << "click";
    QTest::keyClick(threeD, Qt::Key_Space);
    EXPECT_EQ(threeD->isChecked(), shown) << "space";
  }
  auto* flat = w.findChild<app::TFlatMenu*>("FlatMenu1");
  ASSERT_NE(flat, nullptr);
  ASSERT_TRUE(flat->Active());
  // A window colour chosen in the settings becomes the menus' icon column.
  Click("sbtSetting");
  auto* form = Get<QComboBox>("ColorBoxForm");
  const int other = form->currentIndex() == 1 ? 2 : 1;
  form->setCurrentIndex(other);
  emit form->activated(other);
  const platform::TColor chosen = form->currentData().value<platform::TColor>();
  EXPECT_EQ(flat->Colors().IconBackColor, chosen);
  for (const char* name : {"sbtAbout", "sbtShow"}) {
    SCOPED_TRACE(name);
    auto* button = qobject_cast<app::TVexaMenuSpeedButton*>(Get<QWidget>(name));
    ASSERT_NE(button, nullptr);
    button->setEnabled(true);
    QMenu* menu = button->ActiveMenu();
    ASSERT_NE(menu, nullptr);
    bool dropped = false;
    QImage image;
    // The menu runs its own loop: look at it from there and close it.
    QTimer::singleShot(50, &w, [&] {
      dropped = menu->isVisible();
      image = menu->grab().toImage();
      menu->close();
    });
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, 12));
    EXPECT_TRUE(dropped) << "a click on the body drops the menu";
    EXPECT_EQ(menu->style(), flat->Style());
    ASSERT_FALSE(image.isNull());
    const QRect first = menu->actionGeometry(menu->actions().front());
    const QColor c = image.pixelColor(first.left() + 2, first.top() + 2);
    EXPECT_EQ(platform::RGBColor(c.red(), c.green(), c.blue()), flat->WorkingColors().IconColumn);
  }
  // The 2D view's pop-up menu, shown where the user right-clicks, is painted the same way.
  auto* popup = Get<QMenu>("PopupDestro");
  popup->popup(w.mapToGlobal(QPoint(100, 100)));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(popup));
  const QImage shown = popup->grab().toImage();
  popup->close();
  const QRect entry = popup->actionGeometry(popup->actions().front());
  const QColor column = shown.pixelColor(entry.left() + 2, entry.top() + 2);
  EXPECT_EQ(popup->style(), flat->Style());
  EXPECT_EQ(platform::RGBColor(column.red(), column.green(), column.blue()), flat->WorkingColors().IconColumn);
}

}  // namespace
