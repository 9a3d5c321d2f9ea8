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
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QToolButton>

#include "app/main_window.h"
#include "app/page_control.h"
#include "platform/bitmap_qimage.h"
#include "platform/numbers.h"
#include "platform/qt_dialogs.h"

namespace app {

namespace {

void SetBackground(QWidget* widget, platform::TColor color) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Window, platform::ToQColor(color));
  widget->setPalette(palette);
}

}  // namespace

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
}

void TfrmMain::AbilitaBt3d(bool threeD) {
  Get<QToolButton>("sbtZoomWin")->setEnabled(!threeD);
  Get<QAction>("mnuZoomWindow")->setEnabled(!threeD);
  for (const char* name : {"sbtTopView", "sbtFrontView", "sbtSideView", "sbtIsoView", "sbtShow"})
    Get<QToolButton>(name)->setEnabled(threeD);
}

// --- the 2D drawing, view and interaction program plug in here ---

void TfrmMain::Cad2DLoadBlockLibrary(const std::string&) {
  // The drawing LocalCad reads its block library here.
}

void TfrmMain::Cad2DSetCurrentLayer(int layer) { currentLayer_ = layer; }

void TfrmMain::Cad2DSetDefaultLayersColor(platform::TColor color) { settings_.defLayers = color; }

void TfrmMain::Cad2DPlaceImage(const platform::Bitmap&, const machining::ReliefModel&) {
  // The drawing takes the picture as its bitmap entity ID 0 here.
}

void TfrmMain::Cad2DTranslateAll(double, double) {
  // The drawing moves all its objects here.
}

void TfrmMain::View2DApply() {
  // The viewport VistaGrafica takes view2d_ here; until then its place shows the background.
  SetBackground(VistaGrafica_, view2d_.background);
  VistaGrafica_->update();
}

void TfrmMain::View2DZoomExtent() {
  // The viewport zooms to the drawing's extent here.
}

void TfrmMain::View2DRepaint() { VistaGrafica_->update(); }

void TfrmMain::Prg2DApply() {
  // The interaction program LocalPrg takes prg2d_ here.
}

void TfrmMain::Prg2DSendUserCode(int) {
  // The running operation of LocalPrg gets the user code here.
}

void TfrmMain::Prg2DStopOperation() {
  // LocalPrg stops its running operation here.
}

void TfrmMain::Prg2DStartPointPick() {
  // LocalPrg starts the one-point drawing state of the "Z no cut" pick here.
}

// --- the 3D scene plugs in here ---

void TfrmMain::Scene3DSetBackground(platform::TColor color) {
  SetBackground(GLViewPort_, color);
  GLViewPort_->update();
}

void TfrmMain::Scene3DPlaceStockBox(const machining::StockBox&) {
  // GLEstensioneCnc and GLAssi take the box here.
}

void TfrmMain::Scene3DShowStockBox(bool) {
  // GLEstensioneCnc shows or hides here.
}

void TfrmMain::Scene3DRebuildSurface() {
  // GLSuperficie redraws from the height grid here; the "Z no cut" tolerance it uses is the one
  // Calculate takes.
  if (auto tolerance = platform::ParseDouble(txtFiltroZNC_->text().toStdString()))
    zNoCutTolerance_ = static_cast<float>(*tolerance);
}

void TfrmMain::Scene3DAutozoom() {
  // The camera fits the stock box here.
}

void TfrmMain::Scene3DMoveTool(float, float, float) {
  // GLUtensile moves here.
}

void TfrmMain::Scene3DShowTool(bool) {
  // GLUtensile shows or hides here.
}

void TfrmMain::Scene3DClearToolpath() { toolpath_.clear(); }

void TfrmMain::Scene3DAddToolpathNode(bool rapid, float x, float y, float z) { toolpath_.push_back({rapid, x, y, z}); }

void TfrmMain::Scene3DShowText(const std::string& text) {
  GLText_->setText(QString::fromStdString(text));
  GLText_->setVisible(!text.empty());
  GLText_->raise();
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
  auto click = [this](const char* name, void (TfrmMain::*handler)()) {
    QAbstractButton* button = Find<QAbstractButton>(name);
    if (!button) throw platform::Exception(std::string("frmMain has no button ") + name);
    On(this, button, &QAbstractButton::clicked, [this, handler] { (this->*handler)(); });
  };
  click("sbtExit", &TfrmMain::sbtExitClick);
  click("sbtOpen", &TfrmMain::sbtOpenClick);
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
  for (const char* name : {"rbtOrigine1", "rbtOrigine2", "rbtOrigine3", "rbtOrigine4", "rbtOrigine0"}) {
    QRadioButton* radio = Get<QRadioButton>(name);
    On(this, radio, &QRadioButton::toggled, [this, radio] {
      if (radio->isChecked()) rbtOrigineClick();
    });
  }
  On(this, sbtGridOnOff_, &QToolButton::toggled, [this] {
    view2d_.showGrid = sbtGridOnOff_->isChecked();
    View2DApply();
  });
  On(this, sbtAxisOnOff_, &QToolButton::toggled, [this] {
    view2d_.showAxes = sbtAxisOnOff_->isChecked();
    View2DApply();
  });
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

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
  // A press in the 3D view hides the time estimate.
  if (watched == GLViewPort_ && event->type() == QEvent::MouseButtonPress && timeShown_) {
    Scene3DShowText("");
    timeShown_ = false;
  }
  return platform::MainForm::eventFilter(watched, event);
}

}  // namespace app
