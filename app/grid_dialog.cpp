#include "app/grid_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <cmath>

#include "lang/lang.h"
#include "machining/nc_words.h"
#include "platform/numbers.h"
#include "platform/qt_dialogs.h"

namespace app {

const char* const kGridSteps[15] = {"0.001", "0.0025", "0.005", "0.01", "0.025", "0.05", "0.1", "0.25",
                                    "0.5",   "1",      "2.5",   "5",    "10",    "25",   "50"};
const char* const kGridSubdivisions[6] = {"0", "2", "3", "4", "5", "10"};

namespace {

// Sub-divisions beyond this would draw a line on every pixel of any view.
constexpr double kMaxSubdivisions = 1000.0;
constexpr double kMinStep = 1e-6;  // the finest grid or snap step

// Sets a box's text without running its change handler.
void SetBoxText(QComboBox* box, const QString& text) {
  const bool blocked = box->blockSignals(true);
  box->setEditText(text);
  box->blockSignals(blocked);
}

}  // namespace

void LinkedBoxChange(QComboBox* changed, QComboBox* other, bool linked, bool positive,
                     void (*set)(GridValues&, double), void (*setOther)(GridValues&, double), GridHost& host) {
  const auto value = platform::ParseDouble(changed->currentText().toStdString());
  if (!value || !std::isfinite(*value)) return;
  // A step finer than a millionth makes the view's coordinates run off to infinity.
  if (positive ? *value < kMinStep : (*value < 0.0 || *value > kMaxSubdivisions)) return;
  GridValues values = host.Grid();
  set(values, *value);
  if (linked) {
    SetBoxText(other, changed->currentText());
    setOther(values, *value);
  }
  host.SetGrid(values);
}

TfrmGrid::TfrmGrid(GridHost& host, QWidget* parent) : platform::DialogForm("frmGrid", parent), host_(host) {
  setWindowTitle(QStringLiteral("Grid and snap"));
  setModal(true);
  setFixedSize(330, 262);
  int y = 12;
  auto box = [&](const char* name, const char* text, int x, bool steps) {
    // The label is named after its box ("nol_cboGridX" -> "lblGridX"), so the language reaches it.
    auto* label = Add(new QLabel(QString::fromUtf8(text), this), ("lbl" + std::string(name).substr(7)).c_str());
    label->setGeometry(x, y, 70, 22);
    auto* combo = Add(new QComboBox(this), name);
    combo->setEditable(true);
    combo->setGeometry(x + 72, y, 76, 22);
    if (steps) {
      for (const char* step : kGridSteps) combo->addItem(QString::fromUtf8(step));
    } else {
      for (const char* sub : kGridSubdivisions) combo->addItem(QString::fromUtf8(sub));
    }
    return combo;
  };
  gridX_ = box("nol_cboGridX", "Grid X", 10, true);
  gridY_ = box("nol_cboGridY", "Grid Y", 170, true);
  y += 26;
  unisceGrid_ = Add(new QCheckBox(QStringLiteral("Same spacing in X and Y"), this), "chkUnisceGrid");
  unisceGrid_->setGeometry(10, y, 300, 22);
  y += 30;
  subX_ = box("nol_cboGridSubX", "Sub X", 10, false);
  subY_ = box("nol_cboGridSubY", "Sub Y", 170, false);
  y += 26;
  unisceSubGrid_ = Add(new QCheckBox(QStringLiteral("Same sub-divisions in X and Y"), this), "chkUnisceSubGrid");
  unisceSubGrid_->setGeometry(10, y, 300, 22);
  y += 30;
  snapX_ = box("nol_cboXSnap", "Snap X", 10, true);
  snapY_ = box("nol_cboYSnap", "Snap Y", 170, true);
  y += 26;
  snap_ = Add(new QCheckBox(QStringLiteral("Same snap step in X and Y"), this), "chkSnap");
  snap_->setGeometry(10, y, 300, 22);
  y += 30;
  showGrid_ = Add(new QCheckBox(QStringLiteral("Show grid"), this), "chkShowGrid");
  showGrid_->setGeometry(10, y, 150, 22);
  snap2Grid_ = Add(new QCheckBox(QStringLiteral("Snap to grid"), this), "chkSnap2Grid");
  snap2Grid_->setGeometry(170, y, 150, 22);
  y += 34;
  auto* ok = Add(new QPushButton(QStringLiteral("&Ok"), this), "btnOk");
  ok->setGeometry(70, y, 90, 28);
  ok->setAutoDefault(false);
  auto* cancel = Add(new QPushButton(QStringLiteral("&Cancel"), this), "btnCancel");
  cancel->setGeometry(170, y, 90, 28);
  cancel->setAutoDefault(false);
  for (QCheckBox* link : {unisceGrid_, unisceSubGrid_, snap_}) link->setChecked(true);

  auto guarded = [this](auto handler) { return [handler] { platform::RunGuarded(handler); }; };
  connect(ok, &QPushButton::clicked, this, guarded([this] { btnOkClick(); }));
  connect(cancel, &QPushButton::clicked, this, guarded([this] { btnCancelClick(); }));
  struct Pair {
    QComboBox* box;
    QComboBox* other;
    QCheckBox* link;
    bool positive;
    void (*set)(GridValues&, double);
    void (*setOther)(GridValues&, double);
  };
  const Pair pairs[] = {{gridX_, gridY_, unisceGrid_, true, SetGridX, SetGridY},
                        {gridY_, gridX_, unisceGrid_, true, SetGridY, SetGridX},
                        {subX_, subY_, unisceSubGrid_, false, SetSubX, SetSubY},
                        {subY_, subX_, unisceSubGrid_, false, SetSubY, SetSubX},
                        {snapX_, snapY_, snap_, true, SetSnapX, SetSnapY},
                        {snapY_, snapX_, snap_, true, SetSnapY, SetSnapX}};
  for (const Pair& p : pairs)
    connect(p.box, &QComboBox::currentTextChanged, this, guarded([this, p] {
              LinkedBoxChange(p.box, p.other, p.link->isChecked(), p.positive, p.set, p.setOther, host_);
            }));
  connect(showGrid_, &QCheckBox::toggled, this, guarded([this] { host_.SetGridButton(showGrid_->isChecked()); }));
  connect(snap2Grid_, &QCheckBox::toggled, this, guarded([this] { host_.SetSnapToGrid(snap2Grid_->isChecked()); }));
}

void TfrmGrid::Fill(const GridValues& values) {
  auto grid = [](double value) { return QString::fromStdString(platform::FormatPrintf("%6.3f", value)); };
  // The snap steps keep their own decimals (0.0025 stays 0.0025).
  auto snap = [](double value) { return QString::fromStdString(machining::FormatPlainNumber(value, true)); };
  SetBoxText(gridX_, grid(values.gridX));
  SetBoxText(gridY_, grid(values.gridY));
  SetBoxText(subX_, grid(values.subX));
  SetBoxText(subY_, grid(values.subY));
  SetBoxText(snapX_, snap(values.snapX));
  SetBoxText(snapY_, snap(values.snapY));
}

void TfrmGrid::showEvent(QShowEvent* event) {
  platform::DialogForm::showEvent(event);
  if (!event->spontaneous()) platform::RunGuarded([this] { FormShow(); });
}

void TfrmGrid::FormShow() {
  platform::FormBase* const self[] = {this};
  lang::TranslateForms(lang::ProgramLanguage(), self);
  saved_ = host_.Grid();
  for (QCheckBox* box : {showGrid_, snap2Grid_}) box->blockSignals(true);
  showGrid_->setChecked(saved_.showGrid);
  snap2Grid_->setChecked(saved_.snapToGrid);
  for (QCheckBox* box : {showGrid_, snap2Grid_}) box->blockSignals(false);
  restore_ = true;
}

void TfrmGrid::btnOkClick() {
  restore_ = false;
  accept();
}

void TfrmGrid::btnCancelClick() { reject(); }

void TfrmGrid::done(int result) {
  // Every way of closing (the buttons, Esc, the title bar) passes here once.
  if (!closing_) {
    closing_ = true;
    platform::RunGuarded([this] { FormClose(); });
    closing_ = false;
  }
  platform::DialogForm::done(result);
}

void TfrmGrid::FormClose() {
  if (!restore_) return;
  restore_ = false;
  host_.SetGrid(saved_);
  // The boxes, then what their click handlers change: snapping, the grid button and the view.
  for (QCheckBox* box : {showGrid_, snap2Grid_}) box->blockSignals(true);
  showGrid_->setChecked(saved_.showGrid);
  snap2Grid_->setChecked(saved_.snapToGrid);
  for (QCheckBox* box : {showGrid_, snap2Grid_}) box->blockSignals(false);
  host_.SetGridButton(saved_.showGrid);
  host_.SetSnapToGrid(saved_.snapToGrid);
}

}  // namespace app
