// The view handlers: zoom and pan of the view shown, the mouse and the pointer readout of the 2D
// view, the interaction program's events, grid, axes and snap, the layer page and the settings tab.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
#include <cmath>

#include "app/cursors.h"
#include "app/glyphs.h"
#include "app/help_manager.h"
#include "app/main_window.h"
#include "app/page_control.h"
#include "lang/lang.h"
#include "machining/nc_words.h"
#include "platform/bitmap_qimage.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/numbers.h"

namespace app {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

// Pixels the pointer must move with Ctrl held before the 2D view zooms one step.
constexpr int kCtrlZoomPixels = 20;

// The colours "Reset def." gives back.
constexpr platform::TColor kResetForm = 0xFFC0C0;
constexpr platform::TColor kResetBackground = 0x808080;
constexpr platform::TColor kResetDefLayers = 0x00FF00;
constexpr platform::TColor kResetGrid = 0x800000;

}  // namespace

// --- zoom and pan ---

void TfrmMain::sbtAutozoomClick() {
  if (mode3d_) {
    Scene3DAutozoom();
  } else if (ncMode2D_) {
    // The listing's extent widened by a twentieth of its width on each side; nothing to fit while
    // the backplot has no extent.
    const double width = ncExtent_.maxX - ncExtent_.minX;
    if (!(width >= 0.0) || !(ncExtent_.maxY >= ncExtent_.minY)) return;
    const double margin = width / 20.0;
    view2d_.windowX1 = ncExtent_.minX - margin;
    view2d_.windowX2 = ncExtent_.maxX + margin;
    view2d_.windowY1 = ncExtent_.minY - margin;
    view2d_.windowY2 = ncExtent_.maxY + margin;
    View2DApply();
  } else if (Cad2DObjectCount() > 0) {
    View2DZoomExtent();
  }
}

void TfrmMain::SetNcExtent(double minX, double minY, double maxX, double maxY) {
  ncExtent_ = {minX, minY, maxX, maxY};
}

void TfrmMain::sbtZoomInClick() {
  if (mode3d_) Scene3DScaleCamera(1.5f);
  else View2DZoomIn();
}

void TfrmMain::sbtZoomBackClick() {
  if (mode3d_) Scene3DScaleCamera(0.5f);
  else View2DZoomOut();
}

void TfrmMain::sbtZoomWinClick() {
  auto* button = Get<QToolButton>("sbtZoomWin");
  if (mode3d_) {
    button->setChecked(false);
    return;
  }
  // A zoom window or pan already running takes no other: the buttons keep showing what runs.
  if (Prg2DBusy()) {
    button->setChecked(mode_ == 52);
    return;
  }
  button->setChecked(true);
  modeBeforeNest_ = Prg2DOperationRunning() ? mode_ : 999;
  mode_ = 52;
  Prg2DNestZoomArea();
}

void TfrmMain::sbtPanClick() {
  if (Prg2DBusy()) {
    Get<QToolButton>("sbtPan")->setChecked(panMode_);
    return;
  }
  Get<QToolButton>("sbtPan")->setChecked(true);
  modeBeforeNest_ = Prg2DOperationRunning() ? mode_ : 999;
  mode_ = 51;
  panMode_ = true;
  View2DSetCursor(kCursorPan);
  Prg2DNestPan();
}

// --- the mouse in the 2D view ---

std::string TfrmMain::PointerReadout() const { return pointerReadout_; }

void TfrmMain::VistaGraficaMouseMove2D(const Mouse2D& mouse) {
  const char* format = Inches() ? "%6.4f" : "%6.3f";
  pointerReadout_ =
      "X: " + platform::FormatPrintf(format, mouse.x) + " Y: " + platform::FormatPrintf(format, mouse.y);
  if (mode_ == 58)
    pointerReadout_ += machining::ProfZNoCut(job_.relief, static_cast<float>(mouse.x), static_cast<float>(mouse.y),
                                             Inches()).text;
  nol_pnlStatus1_->setText(Q(pointerReadout_));
  if (!mouse.left) return;
  if (mouse.shift) {
    // The picture follows the pointer.
    const auto now = View2DScreenToDrawing(mouse.pixelX, mouse.pixelY);
    const auto last = View2DScreenToDrawing(lastMouseX_, lastMouseY_);
    ShiftViewWindow(last.first - now.first, last.second - now.second);
    lastMouseX_ = mouse.pixelX;
    lastMouseY_ = mouse.pixelY;
  } else if (mouse.ctrl) {
    const double moved = std::hypot(mouse.pixelX - lastMouseX_, mouse.pixelY - lastMouseY_);
    if (moved <= kCtrlZoomPixels) return;
    if (mouse.pixelX < lastMouseX_) View2DZoomIn();
    else View2DZoomOut();
    lastMouseX_ = mouse.pixelX;
    lastMouseY_ = mouse.pixelY;
  }
}

void TfrmMain::VistaGraficaMouseDown2D(const Mouse2D& mouse) {
  if (Prg2DOperationRunning()) return;
  if (originPickArmed_ && mouse.left) {
    originPickArmed_ = false;
    OrigineRast(mouse.x, mouse.y);
  }
  lastMouseX_ = mouse.pixelX;
  lastMouseY_ = mouse.pixelY;
  if (mouse.shift && mouse.left) {
    Get<QToolButton>("sbtPan")->setChecked(true);
    dragPan_ = true;
    View2DSetCursor(kCursorPan);
  }
}

void TfrmMain::VistaGraficaMouseUp2D() {
  if (!dragPan_) return;
  View2DSetCursor(kCursorDefault);
  Get<QToolButton>("sbtPan")->setChecked(false);
  dragPan_ = false;
}

void TfrmMain::VistaGraficaMouseEnter() {
  if (panMode_) return;
  View2DSetCursor(kCursorCross);
  pointerInside_ = true;
}

void TfrmMain::VistaGraficaMouseLeave() {
  if (panMode_) return;
  View2DSetCursor(kCursorDefault);
  pointerInside_ = false;
}

// --- the interaction program's events ---

void TfrmMain::LocalPrgEndOperation() {
  const bool nestEnded = mode_ == 51 || mode_ == 52;
  if (mode_ < 41) {
    if (!pnlTbr1_->isEnabled()) AbilitaPnl(true, true);
    entityEdit_ = false;
    View2DSetCursor(kCursorDefault);
  } else if (mode_ == 51) {
    View2DSetCursor(kCursorDefault);
    Get<QToolButton>("sbtPan")->setChecked(false);
    panMode_ = false;
    dragPan_ = false;
    // The operation the pan interrupted goes on, and its end must find its own mode.
    mode_ = modeBeforeNest_;
  } else if (mode_ == 52) {
    Get<QToolButton>("sbtZoomWin")->setChecked(false);
    mode_ = modeBeforeNest_;
  } else if (mode_ == 58) {
    FinishZNoCutPick();
  }
  // The end of a zoom window or pan nested into a command is not the command's end.
  if (!nestEnded) CommandOperationEnded(false);
}

void TfrmMain::LocalPrgStopOperation() {
  // A pick stopped before its point was placed still ends the pick.
  if (mode_ == 58) FinishZNoCutPick();
  else if (mode_ != 51 && mode_ != 52) CommandOperationEnded(true);
}

void TfrmMain::FinishZNoCutPick() {
  mode_ = 999;
  // Cancelled picks leave no point; a placed one is read once and taken out, so the next pick reads
  // its own point.
  if (const auto point = Cad2DTakePoint(kZNoCutPointId)) {
    const machining::ZNoCutPick pick =
        machining::ProfZNoCut(job_.relief, static_cast<float>(point->first), static_cast<float>(point->second), Inches());
    btnZNC_->setText(Q(pick.text));
    job_.zNoCutHeight = pick.z;
    job_.zNoCutOn = pick.inside;
    View2DRepaint();
  }
  // Back to the relief the pick was started from.
  VistaGrafica_->hide();
  modo3d(true, false);
  AbilitaBt3d(true);
  Scene3DRebuildSurface();
}

void TfrmMain::LocalPrgDescriptionChanged(const std::string& description) { Messaggio(description); }

void TfrmMain::LocalPopUpPopup() {
  const bool running = Prg2DOperationRunning();
  Get<QAction>("mnuDone")->setEnabled(running);
  Get<QAction>("btnCancel")->setEnabled(running);
  const bool busy = Prg2DBusy();
  auto* zoomWindow = Get<QAction>("mnuZoomWindow");
  // In 3D the zoom window stays off (the tool-bar set disabled it).
  zoomWindow->setEnabled(!busy && !mode3d_);
  for (const char* name : {"mnuZoomIn", "mnuZoomOut", "mnuAutozoom", "mnuPan"}) Get<QAction>(name)->setEnabled(!busy);
}

void TfrmMain::mnuDoneClick() { Prg2DSendUserCode(1); }

void TfrmMain::btnCancelClick() {
  if (mode_ == 51) {
    View2DSetCursor(kCursorDefault);
    Get<QToolButton>("sbtPan")->setChecked(false);
    panMode_ = false;
    dragPan_ = false;
  }
  mode_ = 12;
  if (commandActive_) EndCommand();
  Prg2DSendUserCode(2);
  Prg2DStopOperation();
}

// --- grid, axes and snap ---

GridValues TfrmMain::Grid() const {
  GridValues values;
  values.gridX = view2d_.gridDeltaX;
  values.gridY = view2d_.gridDeltaY;
  values.subX = view2d_.gridSubX;
  values.subY = view2d_.gridSubY;
  values.snapX = prg2d_.snapX;
  values.snapY = prg2d_.snapY;
  values.snapToGrid = prg2d_.snapToGrid;
  values.showGrid = view2d_.showGrid;
  return values;
}

void TfrmMain::SetGrid(const GridValues& values) {
  view2d_.gridDeltaX = values.gridX;
  view2d_.gridDeltaY = values.gridY;
  view2d_.gridSubX = values.subX;
  view2d_.gridSubY = values.subY;
  prg2d_.snapX = values.snapX;
  prg2d_.snapY = values.snapY;
  View2DApply();
  Prg2DApply();
}

void TfrmMain::SetGridButton(bool down) {
  // The button's toggle brings the view along.
  sbtGridOnOff_->setChecked(down);
  sbtGridOnOffClick();
}

void TfrmMain::SetSnapToGrid(bool on) {
  prg2d_.snapToGrid = on;
  Prg2DApply();
  ImpostaGlyph();
}

void TfrmMain::sbtGridOnOffClick() {
  view2d_.showGrid = sbtGridOnOff_->isChecked();
  if (grid_) {
    auto* box = grid_->Find<QCheckBox>("chkShowGrid");
    const bool blocked = box->blockSignals(true);
    box->setChecked(view2d_.showGrid);
    box->blockSignals(blocked);
  }
  View2DApply();
}

void TfrmMain::ShowGridDialog() {
  if (!grid_) return;
  grid_->Fill(Grid());
  grid_->exec();
}

void TfrmMain::sbmSnapClick() {
  SetSnapToGrid(!prg2d_.snapToGrid);
  if (grid_) {
    auto* box = grid_->Find<QCheckBox>("chkSnap2Grid");
    const bool blocked = box->blockSignals(true);
    box->setChecked(prg2d_.snapToGrid);
    box->blockSignals(blocked);
  }
}

void TfrmMain::sbtAxisOnOffClick() {
  view2d_.showAxes = sbtAxisOnOff_->isChecked();
  View2DApply();
}

int TfrmMain::SnapGlyphIndex() const {
  const int kind = prg2d_.objectSnapKind == 0 ? 7 : prg2d_.objectSnapKind;
  return kind + (prg2d_.snapToGrid ? 1 : 0);
}

void TfrmMain::ImpostaGlyph() {
  const QPixmap glyph = Get<ImageList>("ImageList2")->Image(SnapGlyphIndex());
  if (!glyph.isNull()) Get<QToolButton>("sbmSnap")->setIcon(QIcon(glyph));
}

// --- layers page ---

namespace {
QString LayerItem(const cad::TLayer& layer) {
  return QStringLiteral("%1 - %2").arg(layer.Number()).arg(Q(layer.Name()));
}
}  // namespace

void TfrmMain::FillLayerLists() {
  auto* list = Get<QListWidget>("LayersList");
  auto* current = Get<QComboBox>("cboCurrentLayer");
  SetUpdating(true);
  list->clear();
  current->clear();
  cad::TLayers& layers = Cad2DLayers();
  for (int i = 0; i < cad::TLayers::Count(); ++i) {
    const QString item = LayerItem(layers.Layer(static_cast<uint8_t>(i)));
    list->addItem(item);
    current->addItem(item);
  }
  current->setCurrentIndex(currentLayer_);
  SetUpdating(false);
}

void TfrmMain::LayerToPage(int index) {
  const cad::TLayer& layer = Cad2DLayers().Layer(static_cast<uint8_t>(index));
  SetUpdating(true);
  Get<QLineEdit>("txtLayerNome")->setText(Q(layer.Name()));
  Get<QSpinBox>("PenSizeEdt")->setValue(layer.Pen().Width);
  SelectColor("cboLayerColor", layer.Pen().Color);
  Get<QCheckBox>("chkLayerVis")->setChecked(layer.Visible);
  SetUpdating(false);
}

int TfrmMain::SelectedLayer() const {
  return updating_ ? -1 : Get<QListWidget>("LayersList")->currentRow();
}

void TfrmMain::LayersListClick() {
  const int index = SelectedLayer();
  if (index < 0) return;
  LayerToPage(index);
  View2DRepaint();
}

void TfrmMain::LayerPageChange() {
  const int index = SelectedLayer();
  if (index < 0) return;
  cad::TLayer& layer = Cad2DLayers().Layer(static_cast<uint8_t>(index));
  const bool visible = Get<QCheckBox>("chkLayerVis")->isChecked();
  layer.SetName(Get<QLineEdit>("txtLayerNome")->text().toStdString());
  platform::Pen pen = layer.Pen();
  pen.Width = Get<QSpinBox>("PenSizeEdt")->value();
  pen.Color = SelectedColor("cboLayerColor");
  layer.SetPen(pen);
  platform::Brush brush = layer.Brush();
  brush.Color = pen.Color;
  layer.SetBrush(brush);
  layer.Active = visible;
  layer.Visible = visible;
  layer.Opaque = false;
  LayerToPage(index);
  View2DRepaint();
}

void TfrmMain::txtLayerNomeChange() {
  const int index = SelectedLayer();
  if (index < 0) return;
  cad::TLayer& layer = Cad2DLayers().Layer(static_cast<uint8_t>(index));
  layer.SetName(Get<QLineEdit>("txtLayerNome")->text().toStdString());
  const QString item = LayerItem(layer);
  Get<QListWidget>("LayersList")->item(index)->setText(item);
  auto* current = Get<QComboBox>("cboCurrentLayer");
  SetUpdating(true);
  current->setItemText(index, item);
  current->setCurrentIndex(currentLayer_);
  SetUpdating(false);
}

void TfrmMain::cboCurrentLayerChange() {
  const int index = Get<QComboBox>("cboCurrentLayer")->currentIndex();
  if (updating_ || index < 0) return;
  currentLayer_ = index;
  Cad2DSetCurrentLayer(index);
}

// --- help menu ---

void TfrmMain::mnuHelpClick() { ProgramHelpManager().HelpCommand(kHelpContents, 0); }

void TfrmMain::mnuTutorClick() {
  if (!platform::CurrentDialogs().ShellOpen(tutorialPath_))
    platform::CurrentDialogs().Message(lang::LangFormatOr("1026", "The tutorial %1 could not be opened.", {tutorialPath_}), "",
                                       platform::MessageKind::Warning, platform::Buttons::Ok);
}

void TfrmMain::mnuAbout1Click() {
  mode_ = 999;
  if (!about_) return;
  about_->show();
  about_->raise();
}

void TfrmMain::mnuWebClick() {
  mode_ = 999;
  platform::CurrentDialogs().ShellOpen(std::string("http://") + kWebSite + "/");
}

// --- settings tab ---

void TfrmMain::SelectColor(const char* boxName, platform::TColor color) {
  auto* box = Get<QComboBox>(boxName);
  int index = box->findData(QVariant::fromValue(color));
  if (index < 0) {
    // A colour of the user's own joins the standard ones.
    AddColorItem(box, color);
    index = box->count() - 1;
  }
  const bool blocked = box->blockSignals(true);
  box->setCurrentIndex(index);
  box->blockSignals(blocked);
}

platform::TColor TfrmMain::SelectedColor(const char* boxName) const {
  return Get<QComboBox>(boxName)->currentData().value<platform::TColor>();
}

void TfrmMain::sbtSettingClick() {
  mode_ = 999;
  DirLng();
  BeginCommand(kPageSettings);
  SelectColor("ColorBoxForm", formColor_);
  SelectColor("ColorBoxBackground", view2d_.background);
  SelectColor("ColorBoxDefLayers", settings_.defLayers);
  SelectColor("ColorBoxGrid", view2d_.gridColor);
}

void TfrmMain::ColorBoxFormChange() {
  ApplyFormColor(SelectedColor("ColorBoxForm"));
  // Shown again in the new colour; the remembered pages stay what Close brings back.
  VisPagina(kPageSettings);
}

void TfrmMain::ColorBoxBackgroundChange() {
  view2d_.background = SelectedColor("ColorBoxBackground");
  View2DApply();
  Scene3DSetBackground(view2d_.background);
}

void TfrmMain::ColorBoxDefLayersChange() {
  settings_.defLayers = SelectedColor("ColorBoxDefLayers");
  Cad2DSetDefaultLayersColor(settings_.defLayers);
}

void TfrmMain::ColorBoxGridChange() {
  view2d_.gridColor = SelectedColor("ColorBoxGrid");
  View2DApply();
}

void TfrmMain::ApplyUnit(bool inches) {
  settings_.unit = inches ? 1 : 0;
  ShowUnitWord();
  view2d_.isMM = !inches;
  writer_.inches = inches;
  if (tool_) tool_->SetInches(inches);
}

void TfrmMain::ShowUnitWord() {
  const QString word = cboUnits_->itemText(Inches() ? 1 : 0);
  for (const char* name : {"nlblDimb", "nol_lblUnita1", "nol_lblUnita2"}) Get<QLabel>(name)->setText(word);
}

void TfrmMain::cboUnitsChange() {
  ApplyUnit(cboUnits_->currentIndex() == 1);
  View2DApply();
}

void TfrmMain::sbtResetClick() {
  ApplyFormColor(kResetForm);
  view2d_.background = kResetBackground;
  Scene3DSetBackground(kResetBackground);
  settings_.defLayers = kResetDefLayers;
  Cad2DSetDefaultLayersColor(kResetDefLayers);
  view2d_.gridColor = kResetGrid;
  View2DApply();
  SelectColor("ColorBoxForm", kResetForm);
  SelectColor("ColorBoxBackground", kResetBackground);
  SelectColor("ColorBoxDefLayers", kResetDefLayers);
  SelectColor("ColorBoxGrid", kResetGrid);
}

}  // namespace app
