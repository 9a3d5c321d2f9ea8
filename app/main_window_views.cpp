// The view place (2D view or 3D viewer), the places where the views plug in, and the wiring of the
// window's events to its handlers.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QToolButton>

#include "app/key_filters.h"
#include "app/main_window.h"
#include "app/page_control.h"
#include "platform/bitmap_qimage.h"
#include "platform/numbers.h"
#include "platform/qt_dialogs.h"
#include "scene3d/stage_viewer.h"

namespace app {

// --- the view place ---

void TfrmMain::modo3d(bool on, bool ncSidePanel) {
  mode3d_ = on;
  const char* viewButtons[] = {"sbtTopView", "sbtSideView", "sbtFrontView", "sbtIsoView"};
  if (on) {
    GLViewPort_->show();
    GLViewPort_->raise();
    nol_pnlStatus1_->clear();
  } else {
    GLViewPort_->hide();
    ncMode2D_ = ncSidePanel;
    VistaGrafica_->show();
    Get<QWidget>("pnlIso")->setVisible(ncSidePanel);
    FormResize();
  }
  for (const char* name : viewButtons) Get<QToolButton>(name)->setEnabled(on);
  pnlTbr2_->setEnabled(drawingBarWanted_ && !on);
}

void TfrmMain::AbilitaBt3d(bool threeD) {
  Get<QCheckBox>("chk3dview")->setChecked(threeD);
  Get<QToolButton>("sbtZoomWin")->setEnabled(!threeD);
  Get<QAction>("mnuZoomWindow")->setEnabled(!threeD);
  for (const char* name : {"sbtTopView", "sbtFrontView", "sbtSideView", "sbtIsoView", "sbtShow"})
    Get<QToolButton>(name)->setEnabled(threeD);
}

// --- events ---

namespace {

// Connects a signal to a handler that never lets an exception into Qt: the error is shown and the
// program goes on.
template <class Sender, class Signal, class Handler>
void On(QObject* context, Sender* sender, Signal signal, Handler handler) {
  QObject::connect(sender, signal, context, [handler](auto&&...) { platform::RunGuarded(handler); });
}

}  // namespace

void TfrmMain::ConnectHandlers() {
  ConnectView2D();
  auto click = [this](const char* name, void (TfrmMain::*handler)()) {
    QAbstractButton* button = Find<QAbstractButton>(name);
    if (!button) throw platform::Exception(std::string("frmMain has no button ") + name);
    On(this, button, &QAbstractButton::clicked, [this, handler] { (this->*handler)(); });
  };
  click("sbtExit", &TfrmMain::sbtExitClick);
  click("sbtOpen", &TfrmMain::sbtOpenClick);
  click("sbtNew", &TfrmMain::sbtNewClick);
  click("sbtSave", &TfrmMain::sbtSaveClick);
  click("sbtNextB0", &TfrmMain::sbtNextB0Click);
  click("sbtNextB1", &TfrmMain::sbtNextB1Click);
  click("sbtPrevB2", &TfrmMain::sbtPrevB2Click);
  click("sbtNextB2", &TfrmMain::sbtNextB2Click);
  click("sbtPrevB3", &TfrmMain::sbtPrevB3Click);
  click("sbtNextB3", &TfrmMain::sbtNextB3Click);
  click("sbtPrevB4", &TfrmMain::sbtPrevB4Click);
  click("sbtNextB4", &TfrmMain::sbtNextB4Click);
  click("sbtPrevB5", &TfrmMain::sbtPrevB5Click);
  click("sbtNextB5", &TfrmMain::sbtNextB5Click);
  click("sbtPrevB6", &TfrmMain::sbtPrevB6Click);
  click("sbtNextB6", &TfrmMain::sbtNextB6Click);
  click("sbtPrevB7", &TfrmMain::sbtPrevB7Click);
  click("sbtNewNc", &TfrmMain::sbtNewNcClick);
  click("sbtSelecTool", &TfrmMain::sbtSelecToolClick);
  click("sbtEditTool", &TfrmMain::sbtEditToolClick);
  click("btnZNC", &TfrmMain::btnZNCClick);
  click("sbtZNCRegen", &TfrmMain::sbtZNCRegenClick);
  click("sbtNcCalc", &TfrmMain::sbtNcCalcClick);
  click("sbtProfApply", &TfrmMain::sbtProfApplyClick);
  click("sbtDimApply", &TfrmMain::sbtDimApplyClick);
  click("sbtModify", &TfrmMain::sbtModifyClick);
  click("sbtFlipH", &TfrmMain::sbtFlipHClick);
  click("sbtFlipV", &TfrmMain::sbtFlipVClick);
  click("sbtRotate", &TfrmMain::sbtRotateClick);
  click("sbt2Gray", &TfrmMain::sbt2GrayClick);
  click("sbtCutSel", &TfrmMain::sbtCutSelClick);
  click("chkRatio", &TfrmMain::chkRatioClick);
  click("sbtSetOrigin", &TfrmMain::sbtSetOriginClick);
  click("sbtOrigineApply", &TfrmMain::sbtOrigineApplyClick);
  click("sbtAutozoom", &TfrmMain::sbtAutozoomClick);
  click("sbtZoomIn", &TfrmMain::sbtZoomInClick);
  click("sbtZoomBack", &TfrmMain::sbtZoomBackClick);
  click("sbtZoomWin", &TfrmMain::sbtZoomWinClick);
  click("sbtPan", &TfrmMain::sbtPanClick);
  click("sbtGridOnOff", &TfrmMain::sbtGridOnOffClick);
  click("sbtAxisOnOff", &TfrmMain::sbtAxisOnOffClick);
  click("sbmSnap", &TfrmMain::sbmSnapClick);
  click("sbtSetting", &TfrmMain::sbtSettingClick);
  click("sbtReset", &TfrmMain::sbtResetClick);
  click("chkLayerVis", &TfrmMain::LayerPageChange);
  // The information pages' "Image" buttons go back to the image edits.
  for (const char* name : {"SpeedButton9", "SpeedButton11", "SpeedButton12"})
    click(name, &TfrmMain::ShowImageEditPage);
  auto action = [this](const char* name, void (TfrmMain::*handler)()) {
    On(this, Get<QAction>(name), &QAction::triggered, [this, handler] { (this->*handler)(); });
  };
  action("mnuDone", &TfrmMain::mnuDoneClick);
  action("btnCancel", &TfrmMain::btnCancelClick);
  action("mnuZoomWindow", &TfrmMain::sbtZoomWinClick);
  action("mnuZoomIn", &TfrmMain::sbtZoomInClick);
  action("mnuZoomOut", &TfrmMain::sbtZoomBackClick);
  action("mnuAutozoom", &TfrmMain::sbtAutozoomClick);
  action("mnuPan", &TfrmMain::sbtPanClick);
  action("SetGridSpacing1", &TfrmMain::ShowGridDialog);
  action("mnuHelp", &TfrmMain::mnuHelpClick);
  action("mnuTutor", &TfrmMain::mnuTutorClick);
  action("mnuWeb", &TfrmMain::mnuWebClick);
  action("mnuAbout1", &TfrmMain::mnuAbout1Click);
  On(this, Get<QMenu>("PopupDestro"), &QMenu::aboutToShow, [this] { LocalPopUpPopup(); });
  // The grid and snap buttons' right button opens the grid dialog.
  sbtGridOnOff_->installEventFilter(this);
  Get<QToolButton>("sbmSnap")->installEventFilter(this);
  click("sbtTransLng", &TfrmMain::sbtTransLngClick);

  On(this, PageControl1_, &TPageControl::Change, [this] { PageControl1Change(); });
  On(this, cboPostName_, &QComboBox::activated, [this] { cboPostNameChange(); });
  On(this, Get<QComboBox>("nol_cboLang"), &QComboBox::activated, [this] { nol_cboLangChange(); });
  // Every cutting parameter marks the computed program out of date.
  for (QLineEdit* field : {txtFeedPlane_, txtIncXY_, txtStock_, txtAspor_Z_, txtFilter_})
    On(this, field, &QLineEdit::textChanged, [this] { TogliAssoc(); });
  On(this, sedPass_Z_, &QSpinBox::valueChanged, [this] { TogliAssoc(); });
  On(this, chkOrizzontale_, &QCheckBox::toggled, [this] { chkOrizzontaleClick(); });
  On(this, chkVerticale_, &QCheckBox::toggled, [this] { chkVerticaleClick(); });
  On(this, chkCutColor_, &QCheckBox::toggled, [this] { chkCutColorClick(); });
  On(this, txtFiltroZNC_, &QLineEdit::textChanged, [this] { txtFiltroZNCChange(); });
  On(this, txtWhiteD_, &QLineEdit::textChanged, [this] { txtWhiteDChange(); });
  On(this, txtBlackD_, &QLineEdit::textChanged, [this] { txtBlackDChange(); });
  On(this, txtVecLarg_, &QLineEdit::textChanged, [this] { txtVecLargChange(); });
  On(this, txtVecAlt_, &QLineEdit::textChanged, [this] { txtVecAltChange(); });
  // Enter, and leaving the field with a changed size, take the size. Only a size the user changed:
  // taking it places the picture again, which clears the drawing, so a mere change of focus (a
  // command page's edit taking it) must not.
  for (QLineEdit* field : {txtVecLarg_, txtVecAlt_}) {
    On(this, field, &QLineEdit::returnPressed, [this, field] {
      field->setModified(false);
      SizeFieldEnter();
    });
    On(this, field, &QLineEdit::editingFinished, [this, field] {
      if (!field->isModified()) return;
      field->setModified(false);
      SizeFieldEnter();
    });
  }
  for (QLineEdit* field : {txtOriginX_, txtOriginY_}) {
    On(this, field, &QLineEdit::textChanged, [this] { txtOriginChange(); });
    On(this, field, &QLineEdit::returnPressed, [this] { OriginFieldEnter(); });
  }
  // After the handlers above: the texts each change leaves, which a cancelled re-placement brings back.
  for (QLineEdit* field : {txtVecLarg_, txtVecAlt_, txtOriginX_, txtOriginY_})
    On(this, field, &QLineEdit::textChanged, [this] { NoteFieldTexts(); });
  NoteFieldTexts();
  for (const char* name : {"rbtShResCoarse", "rbtShResMedium", "rbtShResFine"}) {
    QRadioButton* radio = Get<QRadioButton>(name);
    On(this, radio, &QRadioButton::toggled, [this, radio] {
      if (radio->isChecked()) ShadingResolutionClick();
    });
  }
  for (const char* name : {"rbtOrigine1", "rbtOrigine2", "rbtOrigine3", "rbtOrigine4", "rbtOrigine0"}) {
    QRadioButton* radio = Get<QRadioButton>(name);
    On(this, radio, &QRadioButton::toggled, [this, radio] {
      if (radio->isChecked()) rbtOrigineClick();
    });
  }
  // Layers page.
  On(this, Get<QListWidget>("LayersList"), &QListWidget::currentRowChanged, [this] { LayersListClick(); });
  On(this, Get<QComboBox>("cboLayerColor"), &QComboBox::activated, [this] { LayerPageChange(); });
  On(this, Get<QSpinBox>("PenSizeEdt"), &QSpinBox::valueChanged, [this] { LayerPageChange(); });
  On(this, Get<QLineEdit>("txtLayerNome"), &QLineEdit::textChanged, [this] { txtLayerNomeChange(); });
  On(this, Get<QComboBox>("cboCurrentLayer"), &QComboBox::currentIndexChanged, [this] { cboCurrentLayerChange(); });
  // Settings tab: the user's choices only (the program selects the current colours silently).
  const std::pair<const char*, void (TfrmMain::*)()> boxes[] = {
      {"ColorBoxForm", &TfrmMain::ColorBoxFormChange}, {"ColorBoxBackground", &TfrmMain::ColorBoxBackgroundChange},
      {"ColorBoxDefLayers", &TfrmMain::ColorBoxDefLayersChange}, {"ColorBoxGrid", &TfrmMain::ColorBoxGridChange},
      {"cboUnits", &TfrmMain::cboUnitsChange}};
  for (const auto& [name, handler] : boxes)
    On(this, Get<QComboBox>(name), &QComboBox::activated, [this, handler = handler] { (this->*handler)(); });
  // The snap and grid pages' boxes, linked in pairs like the grid dialog's.
  struct Linked {
    const char* box;
    const char* other;
    const char* link;
    bool positive;
    void (*set)(GridValues&, double);
    void (*setOther)(GridValues&, double);
  };
  const Linked linked[] = {
      {"nol_cboXSnap", "nol_cboYSnap", "chkSnap", true, SetSnapX, SetSnapY},
      {"nol_cboYSnap", "nol_cboXSnap", "chkSnap", true, SetSnapY, SetSnapX},
      {"nol_cboGridX", "nol_cboGridY", "chkUnisceGrid", true, SetGridX, SetGridY},
      {"nol_cboGridY", "nol_cboGridX", "chkUnisceGrid", true, SetGridY, SetGridX},
      {"nol_cboGridSubX", "nol_cboGridSubY", "chkUnisceSubGrid", false, SetSubX, SetSubY},
      {"nol_cboGridSubY", "nol_cboGridSubX", "chkUnisceSubGrid", false, SetSubY, SetSubX},
  };
  for (const Linked& l : linked) {
    QComboBox* box = Get<QComboBox>(l.box);
    QComboBox* other = Get<QComboBox>(l.other);
    QCheckBox* link = Get<QCheckBox>(l.link);
    On(this, box, &QComboBox::currentTextChanged, [this, l, box, other, link] {
      LinkedBoxChange(box, other, link->isChecked(), l.positive, l.set, l.setOther, *this);
    });
  }
  // Key filters of the number fields.
  auto* positive = new KeyFilter(this, SoloNumeriPos);
  auto* positiveEnter = new KeyFilter(this, SoloNumeriPosEEnter);
  auto* signedNumber = new KeyFilter(this, SoloNumeriEMeno);
  auto* signedEnter = new KeyFilter(this, SoloNumeriEMenoEEnter);
  for (QLineEdit* field : {txtVecLarg_, txtVecAlt_}) positiveEnter->Install(field);
  for (QLineEdit* field : {txtWhiteD_, txtBlackD_, txtOriginX_, txtOriginY_}) signedEnter->Install(field);
  for (const char* name : {"txtDiamArco", "txtRaccordo", "txtSmallX", "txtLinePolLen", "txtLenTanAng", "txtArcTanRadius",
                           "txtOffsetDist", "txtDiamArcoPolare", "txtScaleX", "txtScaleY", "txtPtGridDx", "txtPtGridDy",
                           "txtPtGridNx", "txtPtGridNy", "Dri_txtZDepthTot", "txtIncPassZ", "txtRotateRepeat",
                           "txtTransRepeat", "txtScaleRepeat"})
    positive->Install(Get<QLineEdit>(name));
  for (const char* name : {"txtLinePolAngle", "txtLinTanAngle", "txtRotateAngle", "txtTransDx", "txtTransDy"})
    signedNumber->Install(Get<QLineEdit>(name));
  On(this, VistaGrafica_, &QWidget::customContextMenuRequested, [this] {
    Get<QMenu>("PopupDestro")->popup(QCursor::pos());
  });
  // The fields of the cutting page show their picture when they get the focus; leaving the "Z no cut"
  // group brings back the page's status text.
  focusConnection_ = connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
    platform::RunGuarded([&] {
      auto inside = [](QWidget* area, QWidget* w) { return w && (w == area || area->isAncestorOf(w)); };
      const std::pair<QWidget*, int> pictures[] = {{txtFeedPlane_, 101}, {txtIncXY_, 102}, {txtStock_, 103},
                                                   {sedPass_Z_, 104},    {txtAspor_Z_, 105}, {txtFilter_, 111}};
      for (const auto& [field, resource] : pictures)
        if (inside(field, now) && !inside(field, old)) ShowCutPicture(resource);
      if (inside(grpZNC_, now) && !inside(grpZNC_, old)) ShowCutPicture(112);
      if (inside(grpZNC_, old) && now && !inside(grpZNC_, now)) grpZNCExit();
    });
  });
}

void TfrmMain::ShowImageEditPage() {
  SetActivePage(kPageImageEdit);
  Messaggio("");
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
  if ((watched == sbtGridOnOff_ || watched == Find<QObject>("sbmSnap")) && event->type() == QEvent::MouseButtonPress &&
      static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
    platform::RunGuarded([this] { ShowGridDialog(); });
    return true;
  }
  return platform::MainForm::eventFilter(watched, event);
}

}  // namespace app
