// The main window's start-up, settings, layout, keys and closing.
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QToolButton>
#include <QTreeWidget>
#include <filesystem>

#include "app/cursors.h"
#include "app/cut_pictures.h"
#include "app/flat_menu.h"
#include "app/help_manager.h"
#include "app/help_topics.h"
#include "app/main_scene.h"
#include "app/main_window.h"
#include "app/save_target.h"
#include "app/page_control.h"
#include "app/tool_window.h"
#include "app/version_info.h"
#include "cad/geometry.h"
#include "lang/lang.h"
#include "lang/page_messages.h"
#include "platform/binary_stream.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/ini_file.h"
#include "platform/bitmap_qimage.h"
#include "platform/numbers.h"
#include "platform/qt_dialogs.h"
#include "scene3d/stage_viewer.h"

namespace app {

namespace {

constexpr double kGeometryTolerance = 5e-05;
constexpr int kColumnOffset = 234;  // the command column's distance from the right edge
constexpr int kNcSidePanel = 79;

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

TfrmMain::TfrmMain(QWidget* parent) : platform::MainForm("frmMain", parent) {
  BuildWindow();
  // Field defaults of the stored definition; the settings replace some of them.
  txtFeedPlane_->setText(QStringLiteral("2"));
  txtIncXY_->setText(QStringLiteral("1"));
  txtStock_->setText(QStringLiteral("0"));
  sedPass_Z_->setValue(1);
  txtAspor_Z_->setText(QStringLiteral("0"));
  txtFilter_->setText(QStringLiteral("0.025"));
  chkOrizzontale_->setChecked(true);
  chkVerticale_->setChecked(false);
  txtFiltroZNC_->setText(QStringLiteral("0.1"));
  for (QWidget* w : {static_cast<QWidget*>(Get<QPushButton>("btnZNC")), static_cast<QWidget*>(txtFiltroZNC_),
                     static_cast<QWidget*>(Get<QLabel>("lblZNC")), static_cast<QWidget*>(Get<QPushButton>("sbtZNCRegen"))})
    w->setEnabled(false);
  imgCutPar_->setPixmap(CutParameterPicture(106));
  drawingBarWanted_ = false;
  pnlTbr2_->setEnabled(false);
  AbilitaBt3d(false);
  modo3d(false, false);
  ConnectHandlers();
  ConnectListingHandlers();
  ConnectPreviewHandlers();
  ConnectCadHandlers();
  ConnectDrawHandlers();
  // Every menu and pop-up of the window is built by now, so the flat painting takes them all.
  FlatMenu1_ = new TFlatMenu(this);
  FlatMenu1_->setObjectName(QStringLiteral("FlatMenu1"));
  FlatMenu1_->SetIconBackColor(formColor_);
  FlatMenu1_->SetActive(true);
}

TfrmMain::~TfrmMain() {
  // The children go after this part of the window: nothing of theirs may call back into it.
  GLViewPort_->OnMouseDown = nullptr;
  GLViewPort_->OnMouseMove = nullptr;
  QObject::disconnect(focusConnection_);
  DisconnectView2D();
}

void TfrmMain::SetToolWindow(TfrmTool* tool) {
  tool_ = tool;
  if (!tool) return;
  tool->SetInches(Inches());
  // Every change of a tool field marks the computed program out of date.
  connect(tool, &TfrmTool::ParametersChanged, this, [this] { job_.relief.parametersChanged = true; });
}

std::string TfrmMain::Formatta(double value) const { return platform::FormatPrintf(LengthFormat(), value); }

// --- start-up ---

void TfrmMain::FormCreate() {
  // 1. Numbers are read and written with '.', whatever the user's locale.
  platform::ForceCNumericLocale();
  QLocale::setDefault(QLocale::c());
  // 2.
  cad::SetGeometryTolerance(kGeometryTolerance);
  // 3. The block library, when there is one; a damaged one is reported and start-up goes on.
  if (auto library = platform::FindFileNoCase(platform::ProgramDir(), "Library.blk"))
    platform::RunGuarded([&] { Cad2DLoadBlockLibrary(*library); });
  // 4. The designed position.
  move(206, 135);
  // 5.
  LoadProgramCursors(ScreenCursors());
  // 6. The settings, each value applied as it comes.
  platform::RunGuarded([&] {
    platform::IniFile ini(SettingsPath());
    settings_ = ReadSettings(ini);
  });
  ApplySettings();
  // 7. The language: the page texts, then the window's own texts.
  lang::Language& language = lang::ProgramLanguage();
  language.LangIni = lang::OpenLanguageFile(language, settings_.language);
  lang::LoadPageMessages(language);
  platform::FormBase* const self[] = {this};
  lang::TranslateForms(language, self);
  Get<QPushButton>("btnZNC")->setText(Q(lang::LangStringOr("753", "Select....")));
  FitTranslatedTexts();
  DisableUnboundCommands();
  DirLng();
  // 8. The 2D view paints on this thread, at a 1:1 aspect, over the unit's first window.
  view2d_.usePaintingThread = false;
  view2d_.aspectRatio = 1.0;
  if (Inches()) {
    view2d_.windowX1 = view2d_.windowY1 = -0.4;
    view2d_.windowX2 = view2d_.windowY2 = 11.5;
  } else {
    view2d_.windowX1 = view2d_.windowY1 = -10.0;
    view2d_.windowX2 = view2d_.windowY2 = 290.0;
  }
  View2DApply();
  // 9.
  prg2d_.showCursorCross = false;
  prg2d_.snapToGrid = false;
  Prg2DApply();
  ImpostaGlyph();
  // 10.
  SetUpdating(true);
  txtOriginX_->setText(Q(Formatta(0.0)));
  txtOriginY_->setText(Q(Formatta(0.0)));
  SetUpdating(false);
  sbtSave_->setEnabled(false);
  currentLayer_ = 0;
  Cad2DSetCurrentLayer(0);
  FillLayerLists();
  PageControl1_->Page(3)->SetPageVisible(false);  // tabFont
  PageControl1_->hide();
  Messaggio(lang::PageMessage(kPageBoltCircle));
  // 11.
  startCaption_ = VersionCaption();
  setWindowTitle(Q(startCaption_));
  // 12.
  writer_.inches = Inches();
  machining::ReadPostProcessor(platform::ProgramDir(), settings_.pst, writer_);
  // 13.
  tutorialPath_ = platform::JoinPath(platform::JoinPath(platform::ProgramDir(), "hlp"), "Velkora-Tutor1.pdf");
  FormResize();
}

void TfrmMain::ApplySettings() {
  const ProgramSettings& s = settings_;
  ApplyFormColor(s.form);
  view2d_.background = s.background;
  Scene3DSetBackground(s.background);
  Cad2DSetDefaultLayersColor(s.defLayers);
  view2d_.gridColor = s.grid;
  // Any unit but 0 is inches; the units box has just the two entries.
  cboUnits_->setCurrentIndex(s.Inches() ? 1 : 0);
  ShowUnitWord();
  view2d_.isMM = !s.Inches();
  writer_.inches = s.Inches();
  if (tool_) tool_->SetInches(s.Inches());
  view2d_.showGrid = s.showGrid;
  sbtGridOnOff_->setChecked(s.showGrid);
  view2d_.showAxes = s.showAxes;
  sbtAxisOnOff_->setChecked(s.showAxes);
  view2d_.gridDeltaX = s.gridX;
  view2d_.gridDeltaY = s.gridY;
  prg2d_.snapX = s.snapX;
  prg2d_.snapY = s.snapY;
  txtWhiteD_->setText(Q(s.zWhite));
  txtBlackD_->setText(Q(s.zBlack));
  txtFeedPlane_->setText(Q(s.feedPlane));
  txtIncXY_->setText(Q(s.stepOver));
  txtFilter_->setText(Q(s.filter));
  if (!s.fOpen.empty()) {
    openDialogFile_ = s.fOpen;
    openDialogDir_ = std::filesystem::path(s.fOpen).parent_path().string();
  } else {
    openDialogFile_.clear();
    openDialogDir_ = platform::JoinPath(platform::ProgramDir(), "sample");
  }
  // No folder chosen yet: the NC files go to the user's documents.
  ncFolder_ = s.ncPath.empty() ? UserDocumentsFolder() : s.ncPath;
}

void TfrmMain::ApplyFormColor(platform::TColor color) {
  formColor_ = color;
  settings_.form = color;
  if (FlatMenu1_) FlatMenu1_->SetIconBackColor(color);
  const QColor colour = platform::ToQColor(color);
  std::vector<QWidget*> panels = {this, pnlCmd_, pnlTbr1_, pnlTbr2_, nol_pnlStatus1_, pnlStatus2_};
  for (const char* name : {"pnlTbr3", "pnlTbr4", "pnlTbr5", "pnlTbr1Iso", "pnlIso", "pnlTbrIsoView", "pnlLimits"})
    panels.push_back(Get<QWidget>(name));
  for (QWidget* panel : panels) {
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, colour);
    panel->setPalette(palette);
    panel->setAutoFillBackground(true);
  }
  QPalette tree = treInfoRas_->palette();
  tree.setColor(QPalette::Base, colour);
  treInfoRas_->setPalette(tree);
  PageControl1_->SetTabPenColor(colour);
}

// --- layout and keys ---

void TfrmMain::FormResize() {
  const int w = width();
  // The client area: the window holds no menu or status bar of Qt's.
  const int h = height();
  pnlVistaGrafica_->setGeometry(5, 5, std::max(0, w - 245), std::max(0, h - 37));
  const int viewWidth = pnlVistaGrafica_->width(), viewHeight = pnlVistaGrafica_->height();
  VistaGrafica_->setGeometry(0, 0, std::max(0, viewWidth - (ncMode2D_ ? kNcSidePanel : 0)), viewHeight);
  GLViewPort_->setGeometry(0, 0, viewWidth, viewHeight);
  Get<QWidget>("pnlIso")->setGeometry(viewWidth - kNcSidePanel, 0, kNcSidePanel, viewHeight);
  scene_->MoveText();
  pnlCmd_->move(w - kColumnOffset, 5);
  PageControl1_->setGeometry(w - kColumnOffset, 143, PageControl1_->width(), std::max(0, h - 177));
  const int top = h - 28;
  nol_pnlStatus1_->setGeometry(5, top, 200, 23);
  pnlStatus3_->setGeometry(w - 165, top, 160, 23);
  pnlStatus2_->setGeometry(210, top, std::max(0, w - 165 - 215), 23);
  ProgressBar1_->setGeometry(3, 3, pnlStatus3_->width() - 6, pnlStatus3_->height() - 6);
}

void TfrmMain::resizeEvent(QResizeEvent* event) {
  platform::MainForm::resizeEvent(event);
  FormResize();
}

bool TfrmMain::FormKeyPress(int key) {
  if (key == Qt::Key_Escape) {
    if (commandActive_) EndCommand();
    Prg2DSendUserCode(2);
    Prg2DStopOperation();
    return true;
  }
  if (key == Qt::Key_Return || key == Qt::Key_Enter) {
    Prg2DSendUserCode(1);
    return true;
  }
  if (key == Qt::Key_F1) {
    // The topic of the page in view; with none, the topic of the start.
    ProgramHelpManager().HelpContext(HelpContextOfPage(PageControl1_->isHidden() ? -1 : ActivePage()));
    return true;
  }
  return false;
}

void TfrmMain::keyPressEvent(QKeyEvent* event) {
  if (!FormKeyPress(event->key())) platform::MainForm::keyPressEvent(event);
}

// --- closing ---

void TfrmMain::sbtExitClick() { close(); }

bool TfrmMain::FormClose() {
  // A play of the listing ends before anything else (it lets window messages run, this among them).
  sbtIsoStopClick();
  if (!MayLetJobGo("451", "Do you really want to quit Velkora?")) return false;
  WriteSettingsBack();
  lang::ProgramLanguage().LangIni.reset();
  FreeJob();
  return true;
}

void TfrmMain::closeEvent(QCloseEvent* event) {
  bool close = false;
  platform::RunGuarded([&] { close = FormClose(); });
  if (close) event->accept();
  else event->ignore();
}

void TfrmMain::WriteSettingsBack() {
  ProgramSettings s = settings_;
  s.form = formColor_;
  s.background = view2d_.background;
  s.grid = view2d_.gridColor;
  s.unit = Inches() ? 1 : 0;
  s.showGrid = view2d_.showGrid;
  s.showAxes = view2d_.showAxes;
  s.gridX = view2d_.gridDeltaX;
  s.gridY = view2d_.gridDeltaY;
  s.snapX = prg2d_.snapX;
  s.snapY = prg2d_.snapY;
  s.fOpen = openDialogFile_;
  s.ncPath = ncFolder_;
  if (tool_) s.tool = tool_->CurrentToolIndex();
  const std::string path = SettingsPath();
  try {
    platform::IniFile ini(path);
    ini.SetAutoSave(false);
    WriteSettings(ini, s);
    ini.UpdateFile();
  } catch (const std::exception& error) {
    // A read-only program folder must not keep the user from leaving: say so and close.
    const std::string message =
        lang::LangFormatOr("1027", "The settings could not be written to %1.\r\n%2", {path, error.what()});
    platform::CurrentDialogs().Message(message, "", platform::MessageKind::Error, platform::Buttons::Ok);
    emit SettingsWriteFailed(Q(message));
  }
}

void TfrmMain::FreeJob() {
  job_.workBitmap.reset();
  job_.secondBitmap.reset();
}

// --- helpers called by nothing in the program, kept for measuring and support ---

void TfrmMain::startTime() { startTick_ = platform::CurrentDialogs().TickCount(); }

void TfrmMain::endTime() {
  const uint64_t elapsed = platform::CurrentDialogs().TickCount() - startTick_;
  platform::ShowMessage(lang::LangFormatOr("1028", "Msec: %1", {std::to_string(elapsed)}));
}

void TfrmMain::CreaLog(const std::string& first, const std::string& second, bool askToSend) {
  const std::string path = platform::JoinPath(platform::ProgramDir(), "qvx_log.log");
  if (askToSend)
    platform::CurrentDialogs().Message(lang::LangFormatOr("1029", "Something went wrong. Please send the file %1 to %2.",
                                                          {path, kSupportMail}),
                                       "", platform::MessageKind::Error, platform::Buttons::Ok);
  std::string text;
  if (platform::FileExists(path)) {
    const platform::Bytes old = platform::ReadFileBytes(path);
    text.assign(old.begin(), old.end());
  }
  text += std::to_string(platform::CurrentDialogs().TickCount() - startTick_) + "\r\n" + first + "\r\n" + second + "\r\n";
  platform::WriteFileText(path, text);
}

}  // namespace app
