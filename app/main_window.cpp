// The main window's components: the stored definition of frmMain, built in code. Every component
// carries its name as objectName, in creation order, so the language file reaches it.
#include "app/main_window.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QResizeEvent>
#include <QCoreApplication>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>
#include <QTreeWidget>

#include "app/cursors.h"
#include "app/cut_pictures.h"
#include "app/glyphs.h"
#include "app/key_filters.h"
#include "app/main_scene.h"
#include "app/menu_speed_buttons.h"
#include "app/page_control.h"
#include "app/real_spin.h"
#include "app/tool_pictures.h"
#include "app/tool_window.h"
#include "platform/bitmap_qimage.h"
#include "scene3d/stage_viewer.h"

namespace app {

const char* const kPageNames[51] = {
    "tabVect1",       "tabVect2",     "tabVect3",      "tabFont",        "tabCircleCtDia", "tabAttrib",
    "tabSnapGrid",    "tabLayer",     "tabInfo",       "tabMirror",      "tabScale",       "tabVisGridSet",
    "tabCnc1",        "tabSettings",  "tabOpen2",      "tabCnc2",        "tabCnc3",        "tabChangeLayer",
    "tabOffset",      "tabDrill",     "tabPocket",     "TabSheet1",      "tabFillet",      "tabPolySemplify",
    "tabExtend",      "tabArcPolar",  "tabPoly",       "tabCircleCtPt",  "tabDelSmall",    "tabLineInfo",
    "tabArcInfo",     "tabRectInfo",  "tabEllipseInfo", "tabSpline",     "tabPoint",       "tabExplodeInfo",
    "tabLinePolar",   "tabLineTanAngle", "tabArcTan",  "tabRotate",      "tabTranslate",   "tabPointGrid",
    "tabBoltCircle",  "tabDistance",  "tabVelkora1",   "tabVelkora2",    "tabVelkora3",    "tabVelkora4",
    "tabVelkora5",    "tabVelkora6",  "tabIso",
};

namespace {

// Keeps a check box from changing under the mouse or the keyboard: it shows a state the program
// sets, and a click on it means nothing.
class ShowOnlyFilter : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject*, QEvent* event) override { return IsClickOrKey(event->type()); }
};

using platform::NoteDesignedGeometry;
using platform::RestoreDesignedGeometry;

// The designed window and its columns.
constexpr int kDesignLeft = 206;
constexpr int kDesignTop = 135;
constexpr int kDesignWidth = 801;
constexpr int kDesignHeight = 603;
constexpr int kMinWidth = 800;
constexpr int kMinHeight = 600;
constexpr int kColumnWidth = 229;  // command panel and page control
constexpr int kCmdHeight = 133;

// Rows inside a page.
constexpr int kPageInner = kColumnWidth - 6;
constexpr int kRow = 25;
constexpr int kRowHeight = 22;
constexpr int kLabelX = 6;
constexpr int kFieldX = 122;
constexpr int kFieldW = 64;
constexpr int kButtonH = 25;

// The NC listing's buttons, four to a row as designed.
const char* const kListingButtons[] = {"sbtIsoStep", "sbtIsoPlay", "sbtIsoRev", "sbtIsoEnd",
                                       "sbtIsoStop", "sbtIsoFind", "sbtIsoSave", "sbtIsoExit"};
constexpr size_t kListingColumns = 4;
constexpr int kListingRowStep = 27;

// The page captions of the stored definition (the language file may replace them).
const char* const kPageCaptions[51] = {
    "Vector",     "Vector",      "Vector",      "Text",        "Circle",      "Colour",       "Snap",
    "Layers",     "Info",        "Mirror",      "Scale",       "Grid",        "Cnc",          "Settings",
    "Open",       "Cnc",         "Cnc",         "Change layer", "Offset",     "Drill",        "Pocket",
    "Select",     "Fillet",      "Simplify",    "Extend",      "Arc polar",   "Polyline",     "Circle",
    "Del small",  "Line",        "Arc",         "Rectangle",   "Ellipse",     "Spline",       "Point",
    "Explode",    "Line polar",  "Tangent",     "Arc tangent", "Rotate",      "Translate",    "Point grid",
    "Bolt circle", "Image",      "Dimension",   "Reference Point", "Depth",   "Nc File",      "Tool definition",
    "Cutting parameters", "Nc File",
};

// The NC listing. Unwrapped lines are laid out the same at any width, yet the plain text edit lays
// out every block again whenever its viewport changes width (a first show, a scroll bar coming or
// going), keeping a layout object per block: a million-line program would hold hundreds of megabytes
// for it. So once the width has been taken (while the listing is still empty), a change of width
// goes on as a change of height alone; the blocks are laid out as they come into view.
class ListingEdit : public QPlainTextEdit {
 public:
  explicit ListingEdit(QWidget* parent) : QPlainTextEdit(parent) { setLineWrapMode(NoWrap); }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    const bool widthChanged = event->size().width() != event->oldSize().width();
    if (lineWrapMode() == NoWrap && widthTaken_ && widthChanged) {
      QResizeEvent height(event->size(), QSize(event->size().width(), event->oldSize().height()));
      QPlainTextEdit::resizeEvent(&height);
      return;
    }
    widthTaken_ = widthTaken_ || widthChanged;
    QPlainTextEdit::resizeEvent(event);
  }

 private:
  bool widthTaken_ = false;
};

}  // namespace

void AddColorItem(QComboBox* box, platform::TColor color) {
  QPixmap swatch(14, 14);
  swatch.fill(platform::ToQColor(color));
  // A dark frame, so that a white or window-coloured swatch still shows as a square.
  QPainter frame(&swatch);
  frame.setPen(QColor(64, 64, 64));
  frame.drawRect(0, 0, swatch.width() - 1, swatch.height() - 1);
  frame.end();
  box->addItem(QIcon(swatch), QStringLiteral("$%1").arg(color, 6, 16, QLatin1Char('0')), QVariant::fromValue(color));
}

void FillStandardColors(QComboBox* box) {
  for (platform::TColor color :
       {platform::clBlack, platform::clMaroon, platform::clGreen, platform::clOlive, platform::clNavy, platform::clPurple,
        platform::clTeal, platform::clGray, platform::clSilver, platform::clRed, platform::clLime, platform::clYellow,
        platform::clBlue, platform::clFuchsia, platform::clAqua, platform::clWhite})
    AddColorItem(box, color);
}

// --- building -------------------------------------------------------------------------------------

void TfrmMain::BuildWindow() {
  setWindowTitle(QStringLiteral("Velkora"));
  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("ClientArea"));
  setCentralWidget(client);
  setMinimumSize(kMinWidth, kMinHeight);
  setGeometry(kDesignLeft, kDesignTop, kDesignWidth, kDesignHeight);

  // The view place: the 2D view and the 3D viewer share it.
  pnlVistaGrafica_ = Add(new QFrame(client), "pnlVistaGrafica");
  static_cast<QFrame*>(pnlVistaGrafica_)->setFrameShape(QFrame::StyledPanel);
  pnlVistaGrafica_->setGeometry(5, 5, kDesignWidth - 245, kDesignHeight - 37);
  // The 2D view over the drawing LocalCad, driven by the interaction program LocalPrg.
  VistaGrafica_ = Add(new cad::TKQViewport2D(pnlVistaGrafica_), "VistaGrafica");
  // The grid over the objects, or the picture, which fills the view, would hide it.
  VistaGrafica_->SetGridOnTop(true);
  VistaGrafica_->setGeometry(0, 0, kDesignWidth - 245, kDesignHeight - 37);
  VistaGrafica_->setContextMenuPolicy(Qt::CustomContextMenu);
  Add(new QObject(this), "LocalCad");
  Add(new QObject(this), "LocalPrg");
  // The 3D viewer over the main scene (whose heads-up text GLText shows the time estimate).
  GLViewPort_ = Add(new scene3d::TGLStageViewer(pnlVistaGrafica_), "GLViewPort");
  GLViewPort_->hide();
  scene_ = std::make_unique<MainScene>(*GLViewPort_);

  // The NC listing's side panel (shown with the backplot in 2D).
  auto* pnlIso = Add(new QFrame(pnlVistaGrafica_), "pnlIso");
  pnlIso->setFrameShape(QFrame::StyledPanel);
  pnlIso->hide();
  auto* pnlTbrIsoView = Add(new QFrame(pnlIso), "pnlTbrIsoView");
  pnlTbrIsoView->setGeometry(2, 2, 75, 60);
  auto* pnlLimits = Add(new QFrame(pnlIso), "pnlLimits");
  pnlLimits->setGeometry(2, 66, 75, 100);
  int y = 2;
  for (const char* name : {"stxLimXmin", "stxLimXmax", "stxLimYmin", "stxLimYmax"}) {
    auto* l = Add(new QLabel(pnlLimits), name);
    l->setGeometry(2, y, 71, 20);
    y += 24;
  }

  pnlCmd_ = Add(new QFrame(client), "pnlCmd");
  pnlCmd_->setFrameShape(QFrame::StyledPanel);
  pnlCmd_->setGeometry(kDesignWidth - 234, 5, kColumnWidth, kCmdHeight);
  BuildToolBars();

  PageControl1_ = Add(new TPageControl(client), "PageControl1");
  PageControl1_->setGeometry(kDesignWidth - 234, 143, kColumnWidth, kDesignHeight - 177);
  BuildPages();
  BuildStatusPanels();
}

void TfrmMain::BuildToolBars() {
  auto bar = [this](const char* name, int row) {
    auto* panel = Add(new QFrame(pnlCmd_), name);
    panel->setGeometry(2, 2 + row * 26, kColumnWidth - 4, 26);
    return panel;
  };
  // Buttons stand at x pixels into their bar; drop-down buttons are wider for their arrow.
  auto place = [](QToolButton* b, Glyph glyph, const char* hint, int x) {
    b->setIcon(ToolGlyph(glyph));
    b->setIconSize(QSize(kGlyphSize, kGlyphSize));
    b->setToolTip(QString::fromUtf8(hint));
    b->setAutoRaise(true);
    b->setGeometry(x, 1, 26, 24);
  };
  auto button = [this, place](QFrame* panel, const char* name, Glyph glyph, const char* hint, int x) {
    auto* b = Add(new QToolButton(panel), name);
    place(b, glyph, hint, x);
    return b;
  };
  // Help and Show: a click anywhere on the button drops its menu.
  auto menuButton = [&](QFrame* panel, const char* name, Glyph glyph, const char* hint, int x, const char* menuName) {
    auto* b = Add(new TVexaMenuSpeedButton(panel), name);
    place(b, glyph, hint, x);
    auto* menu = Add(new QMenu(this), menuName);
    b->SetActiveMenu(menu);
    return menu;
  };
  // The drawing commands: the body runs the current command, the arrow glued to its right drops the
  // command menu.
  auto splitButton = [&](QFrame* panel, const char* name, Glyph glyph, const char* hint, int x, const char* menuName) {
    auto* b = Add(new TVexaLinkedSpeedButton(panel), name);
    place(b, glyph, hint, x);
    b->resize(36 - TVexaLinkedMenuSpeedButton::kWidth, 24);
    auto* arrow = new TVexaLinkedMenuSpeedButton(panel);
    b->SetMenuButton(arrow);
    auto* menu = Add(new QMenu(this), menuName);
    arrow->SetActiveMenu(menu);
    return menu;
  };
  auto action = [this](QMenu* menu, const char* name, const char* text) {
    auto* a = Add(new QAction(QString::fromUtf8(text), this), name);
    menu->addAction(a);
    return a;
  };

  // File commands.
  pnlTbr1_ = bar("pnlTbr1", 0);
  button(pnlTbr1_, "sbtNew", Glyph::New, "New", 2);
  button(pnlTbr1_, "sbtOpen", Glyph::Open, "Open raster or vector", 29);
  sbtSave_ = button(pnlTbr1_, "sbtSave", Glyph::Save, "Save", 56);
  button(pnlTbr1_, "sbtSetting", Glyph::Settings, "Settings", 83);
  QMenu* help = menuButton(pnlTbr1_, "sbtAbout", Glyph::About, "Help", 110, "PopupHelp");
  action(help, "mnuHelp", "&Help");
  action(help, "mnuTutor", "&Tutorial");
  action(help, "mnuAbout1", "&About");
  action(help, "mnuWeb", "&Web Page");
  button(pnlTbr1_, "sbtExit", Glyph::Exit, "Close application", 196);

  // Drawing and editing commands of the 2D view: split menu speed buttons, the body runs the current
  // command and the arrow drops the command menu.
  pnlTbr2_ = bar("pnlTbr2", 1);
  QMenu* lines = splitButton(pnlTbr2_, "lsbLine", Glyph::Line, "Line", 2, "popLine");
  action(lines, "mnuLinePolar", "Line Polar");
  action(lines, "mnuLineTangent2Arc", "Line Tangent 2 Arcs");
  action(lines, "mnuLineTangentAngle", "Line Tangent Angle");
  action(lines, "mnuLinePerp", "Line Perpend.");
  QMenu* arcs = splitButton(pnlTbr2_, "lsbArc", Glyph::Line, "Circle Ct+Pt", 39, "popArc");
  action(arcs, "mnuCircleCtPt", "Circle Ct+Pt");
  action(arcs, "mnuCircleCtDia", "Circle Ct+Dia");
  action(arcs, "mnuArcCtPtSaEa", "Arc Ct+Pt+Sa+Ea");
  action(arcs, "mnuArcTangent", "Arc Tangent");
  action(arcs, "mnuArcPolar", "Arc Polar");
  action(arcs, "mnuEllipseOpen", "Ellipse Open");
  QMenu* points = splitButton(pnlTbr2_, "lsbPoint", Glyph::Point, "Point", 76, "popPoint");
  action(points, "mnuPointGrid", "Point Grid");
  QMenu* modify = splitButton(pnlTbr2_, "lsbModify", Glyph::Line, "Fillet", 113, "popModify");
  action(modify, "mnuFillet", "Fillet");
  action(modify, "mnuTrim", "Trim");
  action(modify, "mnuBreak", "Break");
  action(modify, "mnuExtend", "Extend");
  action(modify, "mnuChangeLayer", "Change Layer");
  action(modify, "mnuMoveNode", "Move Ctrl Pt");
  action(modify, "mnuPolySemplify", "Poly-simplify");
  QMenu* xform = splitButton(pnlTbr2_, "lsbXform", Glyph::Line, "Translate", 150, "popXform");
  action(xform, "mnuTranslate", "Translate");
  action(xform, "mnuRotate", "Rotate");
  action(xform, "mnuMirror", "Mirror");
  action(xform, "mnuScale", "Scale");
  action(xform, "mnuOffset", "Offset");
  QMenu* deletes = splitButton(pnlTbr2_, "lsbDelete", Glyph::Delete, "Delete", 187, "popDelete");
  action(deletes, "mnuDelete", "Delete");
  action(deletes, "mnuDeleteSmall", "Del small entities");
  action(deletes, "mnuUndelete", "Undelete");
  action(deletes, "mnuWindowDelete", "WindowDel");
  // The glyphs the drop-down buttons start with.
  Get<QToolButton>("lsbArc")->setIcon(QIcon(CommandGlyph(33)));
  Get<QToolButton>("lsbModify")->setIcon(QIcon(CommandGlyph(6)));
  Get<QToolButton>("lsbXform")->setIcon(QIcon(CommandGlyph(13)));

  // View commands.
  auto* pnlTbr3 = bar("pnlTbr3", 2);
  button(pnlTbr3, "sbtAutozoom", Glyph::Autozoom, "Autozoom (all extend)", 2);
  button(pnlTbr3, "sbtZoomIn", Glyph::ZoomIn, "Zoom In", 29);
  button(pnlTbr3, "sbtZoomBack", Glyph::ZoomBack, "Zoom back", 56);
  button(pnlTbr3, "sbtZoomWin", Glyph::ZoomWindow, "Zoom window", 83)->setCheckable(true);
  button(pnlTbr3, "sbtPan", Glyph::Pan, "Pan", 110)->setCheckable(true);
  sbtGridOnOff_ = button(pnlTbr3, "sbtGridOnOff", Glyph::Grid, "Show Grid (right-click for set)", 137);
  sbtGridOnOff_->setCheckable(true);
  button(pnlTbr3, "sbmSnap", Glyph::Snap, "Snap On-Off (Right-click for set)", 164);
  sbtAxisOnOff_ = button(pnlTbr3, "sbtAxisOnOff", Glyph::Axis, "Show axis On-Off", 191);
  sbtAxisOnOff_->setCheckable(true);

  // 3D view commands.
  auto* pnlTbr4 = bar("pnlTbr4", 3);
  button(pnlTbr4, "sbtTopView", Glyph::TopView, "Top view", 2);
  button(pnlTbr4, "sbtFrontView", Glyph::FrontView, "Front view", 29);
  button(pnlTbr4, "sbtSideView", Glyph::SideView, "Side view", 56);
  button(pnlTbr4, "sbtIsoView", Glyph::IsoView, "Isometric view", 83);
  QMenu* show = menuButton(pnlTbr4, "sbtShow", Glyph::Show, "Show", 110, "PopupShow");
  action(show, "mnuShowTool", "Tool ")->setCheckable(true);
  action(show, "mnuShowXYZ", "Display XYZ axis");
  show->addSeparator();
  QMenu* surface = Add(show->addMenu(QStringLiteral("Surface")), "mnuSurface");
  for (auto [name, text] : {std::pair{"mnuSPShade", "On"}, std::pair{"mnuSPWire", "Wireframe"},
                            std::pair{"mnuSPNone", "None"}}) {
    QAction* a = action(surface, name, text);
    a->setCheckable(true);
    a->setChecked(a == surface->actions().front());
  }
  button(pnlTbr4, "sbtColor", Glyph::Colour, "Colour", 150);
  button(pnlTbr4, "sbtDelete", Glyph::Delete, "Delete", 177);

  // Layers.
  auto* pnlTbr5 = bar("pnlTbr5", 4);
  auto* layerLabel = Add(new QLabel(QStringLiteral("Layer"), pnlTbr5), "lblCurrentLayer");
  layerLabel->setGeometry(4, 3, 38, 20);
  auto* layers = Add(new QComboBox(pnlTbr5), "cboCurrentLayer");
  layers->setGeometry(42, 2, 100, 22);
  NoteDesignedGeometry(layerLabel);
  NoteDesignedGeometry(layers);
  NoteDesignedGeometry(button(pnlTbr5, "sbtLayer", Glyph::Layer, "Layers", 146));
  // Shows whether the 3D view is on; the wizard's pages switch it, a click does nothing.
  auto* chk3d = Add(new QCheckBox(QStringLiteral("3D"), pnlTbr5), "chk3dview");
  chk3d->setGeometry(178, 3, 44, 20);
  NoteDesignedGeometry(chk3d);
  chk3d->setFocusPolicy(Qt::NoFocus);
  chk3d->installEventFilter(new ShowOnlyFilter(chk3d));
  chk3d->setToolTip(QStringLiteral("On while the 3D view is shown; the pages switch it"));

  // The 2D view's pop-up menu.
  auto* popup = Add(new QMenu(this), "PopupDestro");
  action(popup, "mnuDone", "Done");
  action(popup, "btnCancel", "Cancel");
  popup->addSeparator();
  action(popup, "mnuZoomWindow", "Zoom Window");
  action(popup, "mnuZoomIn", "Zoom +");
  action(popup, "mnuZoomOut", "Zoom -");
  action(popup, "mnuAutozoom", "Autozoom");
  action(popup, "mnuPan", "Pan");
  popup->addSeparator();
  action(popup, "SetGridSpacing1", "Set grid spacing...");

  // The drawing commands' glyphs by number, and the snap button's.
  auto* glyphs = Add(new ImageList(this), "ImageListGlyph");
  for (int i = 0; i < kCommandGlyphCount; ++i) glyphs->Add(CommandGlyph(i));
  auto* snaps = Add(new ImageList(this), "ImageList2");
  for (int i = 0; i < kSnapGlyphCount; ++i) snaps->Add(SnapGlyph(i));
}

void TfrmMain::BuildPages() {
  for (int i = 0; i < 51; ++i) {
    TTabSheet* page = Add(PageControl1_->AddPage(), kPageNames[i]);
    page->SetCaption(QString::fromUtf8(kPageCaptions[i]));
  }
  BuildCommandPages();
  BuildWizardPages();
  BuildListingPage();
}

namespace {

// Small builders for the rows of a page.
struct PageRows {
  TfrmMain* form;
  QWidget* page;
  int y = 8;

  template <class T>
  T* Put(T* widget, const char* name, int x, int top, int w, int h) {
    form->Add(widget, name);
    widget->setGeometry(x, top, w, h);
    return widget;
  }
  QLabel* Label(const char* name, const char* text, int x, int w) {
    return Put(new QLabel(QString::fromUtf8(text), page), name, x, y, w, kRowHeight);
  }
  QLineEdit* Edit(const char* name, int x = kFieldX, int w = kFieldW) {
    return Put(new QLineEdit(page), name, x, y, w, kRowHeight);
  }
  // The label of a box or an edit is named after it: "lbl" and the box's name without its prefix
  // ("nol_cboGridX" -> "lblGridX", "txtScaleRepeat" -> "lblScaleRepeat"), so the language reaches it.
  QLabel* LabelOf(const char* boxName, size_t prefix, const char* text, int x, int w) {
    return Label(("lbl" + std::string(boxName).substr(prefix)).c_str(), text, x, w);
  }
  // A label and an edit on one row; the row advances.
  QLineEdit* Field(const char* labelName, const char* text, const char* editName) {
    if (labelName) Label(labelName, text, kLabelX, kFieldX - kLabelX - 4);
    else LabelOf(editName, 3, text, kLabelX, kFieldX - kLabelX - 4);
    QLineEdit* e = Edit(editName);
    y += kRow;
    return e;
  }
  QPushButton* Button(const char* name, const char* text, int x, int w) {
    auto* b = Put(new QPushButton(QString::fromUtf8(text), page), name, x, y, w, kButtonH);
    b->setAutoDefault(false);
    return b;
  }
  QCheckBox* Check(const char* name, const char* text, int x = kLabelX, int w = kPageInner - 12) {
    return Put(new QCheckBox(QString::fromUtf8(text), page), name, x, y, w, kRowHeight);
  }
  QRadioButton* Radio(const char* name, const char* text, int x, int w) {
    return Put(new QRadioButton(QString::fromUtf8(text), page), name, x, y, w, kRowHeight);
  }
  // Copy / Move radio buttons and a repeat count, as the transform pages have them.
  void CopyMove(const char* copy, const char* move, const char* repeat) {
    // A choice of its own, beside the page's other radio buttons.
    auto* group = new QButtonGroup(page);
    group->addButton(Radio(copy, "Copy", kLabelX, 80));
    QRadioButton* moveButton = Radio(move, "Move", 90, 80);
    group->addButton(moveButton);
    moveButton->setChecked(true);
    y += kRow;
    if (repeat) Field(nullptr, "Repeat", repeat)->setText(QStringLiteral("1"));
  }
  // The Close button of a command page, on a row of its own below a row of buttons (`belowButtons`).
  void Close(const char* name, bool belowButtons) {
    if (belowButtons) y += kButtonH + 6;
    Button(name, "Close", kLabelX, 90);
  }
  // Prev and Next at the bottom of a wizard page.
  void PrevNext(const char* prev, const char* prevText, const char* next, const char* nextText) {
    const int top = y;
    if (prev) Put(new QPushButton(QString::fromUtf8(prevText), page), prev, kLabelX, top, 100, kButtonH)->setAutoDefault(false);
    if (next) Put(new QPushButton(QString::fromUtf8(nextText), page), next, kPageInner - 106, top, 100, kButtonH)->setAutoDefault(false);
    y += kButtonH + 6;
  }
};

}  // namespace

void TfrmMain::FitTranslatedTexts() {
  // The layer bar: the layer box gives way to its label and the 3D check box, down to a width that
  // still shows a layer's name.
  constexpr int kMinBoxWidth = 60;
  QWidget* layerBar[] = {Get<QLabel>("lblCurrentLayer"), Get<QComboBox>("cboCurrentLayer"), Get<QWidget>("sbtLayer"),
                         Get<QCheckBox>("chk3dview")};
  const platform::RowControl layerRow[] = {
      {layerBar[0]}, {layerBar[1], kMinBoxWidth}, {layerBar[2], layerBar[2]->width()}, {layerBar[3]}};
  platform::FitRowToText(layerRow, layerBar[0]->parentWidget()->width() - 2);
  // "Z no cut": the Select button gives way to the Active check box, the tolerance field to its
  // label and the Regen button, down to a width that still shows a tolerance.
  const platform::RowControl activeRow[] = {{chkCutColor_}, {btnZNC_}};
  platform::FitRowToText(activeRow, grpZNC_->width() - 4);
  constexpr int kMinToleranceWidth = 34;
  QWidget* toleranceBar[] = {Get<QLabel>("lblZNC"), txtFiltroZNC_, Get<QPushButton>("sbtZNCRegen")};
  const platform::RowControl toleranceRow[] = {
      {toleranceBar[0]}, {toleranceBar[1], kMinToleranceWidth}, {toleranceBar[2]}};
  platform::FitRowToText(toleranceRow, grpZNC_->width() - 4);
  FitListingButtons();
  ShowUnitWord();
}

void TfrmMain::FitListingButtons() {
  // The buttons go four to a row as designed, sharing the bar's width; a row whose texts need more
  // than that passes its last buttons on to a row of their own, and the listing gives way to the
  // taller bar.
  constexpr int kLeft = 2, kGap = 1, kTop = 2;
  auto* bar = static_cast<QFrame*>(RestoreDesignedGeometry(Get<QFrame>("pnlTbr1Iso")));
  const int room = bar->width() - 2 * kLeft;
  std::vector<std::vector<QPushButton*>> rows(1);
  int used = 0;
  for (const char* name : kListingButtons) {
    auto* button = Get<QPushButton>(name);
    const int needed = platform::TextFitWidth(button);
    if (!rows.back().empty() && (rows.back().size() == kListingColumns || used + kGap + needed > room)) {
      rows.emplace_back();
      used = 0;
    }
    used += (rows.back().empty() ? 0 : kGap) + needed;
    rows.back().push_back(button);
  }
  for (size_t r = 0; r < rows.size(); ++r) {
    const int count = int(rows[r].size());
    const int free = room - kGap * (count - 1);
    // Equal widths as designed where each text shows in one; else each its text and a share of the rest.
    bool equalFits = true;
    int needs = 0;
    for (QPushButton* b : rows[r]) {
      equalFits = equalFits && platform::TextFitWidth(b) <= free / count;
      needs += platform::TextFitWidth(b);
    }
    const int spare = std::max(0, free - needs);
    int x = kLeft;
    for (int i = 0; i < count; ++i) {
      QPushButton* b = rows[r][size_t(i)];
      int width = equalFits ? free / count : platform::TextFitWidth(b) + spare / count;
      if (i == count - 1 && !equalFits) width = std::max(width, room + kLeft - x);
      b->setGeometry(x, kTop + int(r) * kListingRowStep, width, b->height());
      x += width + kGap;
    }
  }
  const int grown = (int(rows.size()) - 2) * kListingRowStep;
  bar->resize(bar->width(), bar->height() + grown);
  for (QWidget* below : {RestoreDesignedGeometry(Get<QWidget>("TrackBar1")), RestoreDesignedGeometry(ricIso_)})
    below->move(below->x(), below->y() + grown);
  ricIso_->resize(ricIso_->width(), ricIso_->height() - grown);
}

void TfrmMain::BuildCommandPages() {
  auto rows = [this](int index) { return PageRows{this, PageControl1_->Page(index)}; };
  {
    PageRows r = rows(0);  // tabVect1: placing a vector drawing
    r.Button("sbtVectDone", "Done", kLabelX, 90);
    r.Button("sbrCancelVect", "Cancel", 110, 90);
  }
  {
    PageRows r = rows(1);
    r.Button("sbtVec2a", "Apply", kLabelX, 90);
  }
  {
    PageRows r = rows(3);  // tabFont
    r.Field("lblDaInserire", "Text", "txtDaInserire")->setGeometry(kFieldX - 40, r.y - kRow, 140, kRowHeight);
    r.Label("lblApprFont", "Approximation", kLabelX, 110);
    r.Put(new QSpinBox(r.page), "sedApprFont", kFieldX, r.y, kFieldW, kRowHeight);
  }
  {
    PageRows r = rows(4);  // tabCircleCtDia
    r.Field("lblDiamArco", "Diameter", "txtDiamArco");
    r.Button("SpeedButton6", "Close", kLabelX, 90);
  }
  {
    PageRows r = rows(5);  // tabAttrib
    for (const char* name : {"tbrRosso", "tbrVerde", "tbrBlu"}) {
      auto* s = r.Put(new QSlider(Qt::Horizontal, r.page), name, kLabelX, r.y, 150, kRowHeight);
      s->setRange(0, 255);
      r.y += kRow;
    }
    r.Put(new QSpinBox(r.page), "sedBlu", kLabelX, r.y, kFieldW, kRowHeight)->setRange(0, 255);
    r.Button("SpeedButton29", "Apply", 110, 90);
  }
  {
    PageRows r = rows(6);  // tabSnapGrid
    for (const char* name : {"nol_cboXSnap", "nol_cboYSnap"}) {
      r.LabelOf(name, 7, name == std::string("nol_cboXSnap") ? "Snap X" : "Snap Y", kLabelX, 100);
      auto* c = r.Put(new QComboBox(r.page), name, kFieldX, r.y, 90, kRowHeight);
      c->setEditable(true);
      for (const char* step : kGridSteps) c->addItem(QString::fromUtf8(step));
      r.y += kRow;
    }
    r.Check("chkSnap", "Same snap step in X and Y")->setChecked(true);
  }
  {
    PageRows r = rows(7);  // tabLayer
    r.Put(new QListWidget(r.page), "LayersList", kLabelX, r.y, kPageInner - 12, 150);
    r.y += 156;
    r.Field("lblLayerNome", "Name", "txtLayerNome")->setGeometry(kFieldX - 60, r.y - kRow, 150, kRowHeight);
    r.Label("lblPenSize", "Pen width", kLabelX, 110);
    r.Put(new QSpinBox(r.page), "PenSizeEdt", kFieldX, r.y, kFieldW, kRowHeight)->setRange(1, 20);
    r.y += kRow;
    r.Label("lblLayerColor", "Colour", kLabelX, 110);
    FillStandardColors(r.Put(new QComboBox(r.page), "cboLayerColor", kFieldX, r.y, 90, kRowHeight));
    r.y += kRow;
    r.Check("chkLayerVis", "Visible")->setChecked(true);
  }
  {
    PageRows r = rows(8);  // tabInfo
    r.Button("SpeedButton5", "Close", kLabelX, 90);
  }
  {
    PageRows r = rows(9);  // tabMirror
    auto* axis = r.Put(new platform::RadioGroup(r.page), "gprMirrorAxis", kLabelX, r.y, kPageInner - 12, 90);
    axis->setTitle(QStringLiteral("Axis"));
    axis->SetItems({QStringLiteral("X axis"), QStringLiteral("Y axis"), QStringLiteral("Both")});
    axis->SetItemIndex(0);
    r.y += 96;
    r.CopyMove("rbtMirrorCopy", "rbtMirrorMove", nullptr);
    r.Button("sbtMirrorAll", "All entities", kLabelX, 110);
    r.Close("sbtCloseMirror", true);
  }
  {
    PageRows r = rows(10);  // tabScale
    r.Radio("rbtScaleUniform", "Uniform", kLabelX, 90)->setChecked(true);
    r.Radio("rbtScaleXy", "XY", 110, 80);
    r.y += kRow;
    r.Field("lblScaleX", "Scale factor", "txtScaleX")->setText(QStringLiteral("1"));
    r.Field("lblScaleY", "Scale Y", "txtScaleY")->setText(QStringLiteral("1"));
    r.CopyMove("rbtScaleCopy", "rbtScaleMove", "txtScaleRepeat");
    r.Button("SpeedButton3", "Done", kLabelX, 90);
    r.Close("sbtCloseScale", true);
  }
  {
    PageRows r = rows(11);  // tabVisGridSet
    const char* names[] = {"nol_cboGridX", "nol_cboGridY", "nol_cboGridSubX", "nol_cboGridSubY"};
    const char* texts[] = {"Grid X", "Grid Y", "Sub-division X", "Sub-division Y"};
    for (int i = 0; i < 4; ++i) {
      r.LabelOf(names[i], 7, texts[i], kLabelX, 110);
      auto* box = r.Put(new QComboBox(r.page), names[i], kFieldX, r.y, 90, kRowHeight);
      box->setEditable(true);
      if (i < 2) {
        for (const char* step : kGridSteps) box->addItem(QString::fromUtf8(step));
      } else {
        for (const char* sub : kGridSubdivisions) box->addItem(QString::fromUtf8(sub));
      }
      r.y += kRow;
    }
    r.Check("chkUnisceGrid", "Same spacing in X and Y")->setChecked(true);
    r.y += kRow;
    r.Check("chkUnisceSubGrid", "Same sub-divisions in X and Y")->setChecked(true);
  }
  {
    PageRows r = rows(12);  // tabCnc1
    r.Button("SpeedButton23", "Negative", kLabelX, 90);
  }
  {
    PageRows r = rows(kPageSettings);
    const char* names[] = {"ColorBoxForm", "ColorBoxBackground", "ColorBoxDefLayers", "ColorBoxGrid"};
    const char* texts[] = {"Window", "Background", "Layers", "Grid"};
    for (int i = 0; i < 4; ++i) {
      r.LabelOf(names[i], 8, texts[i], kLabelX, 100);
      FillStandardColors(r.Put(new QComboBox(r.page), names[i], 96, r.y, kPageInner - 102, kRowHeight));
      r.y += kRow;
    }
    r.Label("lblUnits", "Units", kLabelX, 80);
    cboUnits_ = r.Put(new QComboBox(r.page), "cboUnits", 96, r.y, 70, kRowHeight);
    cboUnits_->addItems({QStringLiteral("mm"), QStringLiteral("Inch")});
    r.Put(new QLabel(QStringLiteral("mm"), r.page), "nlblDimb", 172, r.y, 46, kRowHeight);
    r.y += kRow;
    r.Label("lblLang", "Language", kLabelX, 80);
    r.Put(new QComboBox(r.page), "nol_cboLang", 96, r.y, kPageInner - 102, kRowHeight);
    r.y += kRow + 4;
    r.Button("sbtTransLng", "Translation ...", kLabelX, 110);
    r.Button("sbtReset", "Reset def.", 122, 95);
    r.Close("sbtCloseSettings", true);
  }
  {
    PageRows r = rows(14);  // tabOpen2
    r.Button("sbtOpenDone", "Done", kLabelX, 90);
  }
  {
    PageRows r = rows(16);  // tabCnc3
    r.Field("lblZDepthTot", "Total depth", "Dri_txtZDepthTot");
    r.Field("lblIncPassZ", "Z increment", "txtIncPassZ");
  }
  {
    PageRows r = rows(18);  // tabOffset
    r.Field("lblOffsetDist", "Distance", "txtOffsetDist");
    r.Button("sbtFlipOffset", "Flip", kLabelX, 90);
    r.Button("sbtOffsetOk", "Done", 110, 90);
    r.Close("sbtCloseOffset", true);
  }
  {
    PageRows r = rows(22);  // tabFillet
    r.Field("lblRaccordo", "Radius", "txtRaccordo")->setText(QStringLiteral("1"));
    r.Close("sbtCloseFillet", false);
  }
  {
    PageRows r = rows(25);  // tabArcPolar
    r.Field("lblDiamArcoPolare", "Diameter", "txtDiamArcoPolare");
    for (const char* name : {"rseArcoPolareSa", "rseArcoPolareEa"}) {
      r.LabelOf(name, 3, name == std::string("rseArcoPolareSa") ? "Start angle" : "End angle", kLabelX, 110);
      auto* s = r.Put(new TRealSpinEdit(r.page), name, kFieldX, r.y, 80, kRowHeight);
      s->SetMinValue(Fixed4::FromInt(0));
      s->SetMaxValue(Fixed4::FromInt(360));
      r.y += kRow;
    }
    r.Button("SpeedButton19", "Close", kLabelX, 90);
  }
  {
    PageRows r = rows(26);  // tabPoly
    r.Button("sbtClosePoly", "Closed", kLabelX, 90);
    r.Button("sbtPoly", "Create polyline", 100, 118);
  }
  {
    PageRows r = rows(28);  // tabDelSmall
    r.Field("lblSmallX", "Size", "txtSmallX")->setText(QStringLiteral("1"));
    r.Button("sbtDelSmall", "Delete All", kLabelX, 110);
    r.y += kButtonH + 6;
    r.Put(new QLabel(r.page), "stxReportSmall", kLabelX, r.y, kPageInner - 12, kRowHeight);
    r.y += kRow;
    r.Close("sbtCloseDelSmall", false);
  }
  {
    PageRows r = rows(29);  // tabLineInfo
    for (const char* name : {"nol_stxLineaDeltaX", "nol_stxLineaDeltaY", "nol_stxLungLinea", "nol_stxAngoloLinea"}) {
      r.Put(new QLabel(r.page), name, kLabelX, r.y, kPageInner - 12, kRowHeight);
      r.y += kRow;
    }
    r.Button("SpeedButton9", "Image", kLabelX, 90);
  }
  {
    PageRows r = rows(30);  // tabArcInfo
    r.Button("SpeedButton11", "Image", kLabelX, 90);
  }
  {
    PageRows r = rows(31);  // tabRectInfo
    r.Button("sbtRectangle", "Create rectangle", kLabelX, 130);
    r.y += kButtonH + 6;
    r.Button("SpeedButton12", "Image", kLabelX, 90);
  }
  {
    PageRows r = rows(33);  // tabSpline
    r.Button("sbtSplineClose", "Closed", kLabelX, 90);
  }
  {
    PageRows r = rows(36);  // tabLinePolar
    r.Field("lblLinePolLen", "Length", "txtLinePolLen");
    r.Field("lblLinePolAngle", "Angle", "txtLinePolAngle");
    r.Close("sbtCloseLinePolar", false);
  }
  {
    PageRows r = rows(37);  // tabLineTanAngle
    r.Field("lblLenTanAng", "Length", "txtLenTanAng");
    r.Field("lblLinTanAngle", "Angle", "txtLinTanAngle");
    r.Close("sbtCloseLineTanAngle", false);
  }
  {
    PageRows r = rows(38);  // tabArcTan
    r.Radio("rbtTanTo1", "1 entity + center point", kLabelX, kPageInner - 12);
    r.y += kRow;
    r.Radio("rbtTanTo2", "2 entities", kLabelX, kPageInner - 12);
    r.y += kRow;
    auto* group = r.Put(new QGroupBox(QStringLiteral("Arc"), r.page), "grpArcTan", kLabelX, r.y, kPageInner - 12, 78);
    PageRows g{this, group, 20};
    g.Field("lblArcTanRadius", "Radius", "txtArcTanRadius")->setGeometry(kFieldX - 10, 20, kFieldW, kRowHeight);
    g.Check("chkArcTanTrim", "Trim");
    r.y += 84;
    r.Button("SpeedButton20", "Close", kLabelX, 90);
  }
  {
    PageRows r = rows(39);  // tabRotate
    r.Field("lblRotateAngle", "Angle", "txtRotateAngle")->setText(QStringLiteral("0"));
    r.CopyMove("rbtRotateCopy", "rbtRotateMove", "txtRotateRepeat");
    r.Button("sbtRotateOk", "Done", kLabelX, 90);
    r.Close("sbtCloseRotate", true);
  }
  {
    PageRows r = rows(kPageTranslate);
    r.Field("lblTransDx", "DX", "txtTransDx")->setText(QStringLiteral("0"));
    r.Field("lblTransDy", "DY", "txtTransDy")->setText(QStringLiteral("0"));
    r.CopyMove("rbtTransCopy", "rbtTransMove", "txtTransRepeat");
    r.Button("sbtTranslateOk", "Done", kLabelX, 90);
    r.Close("sbtCloseTranslate", true);
  }
  {
    PageRows r = rows(kPagePointGrid);
    r.Field("lblPtGridDx", "Spacing X", "txtPtGridDx");
    r.Field("lblPtGridDy", "Spacing Y", "txtPtGridDy");
    r.Field("lblPtGridNx", "Points in X", "txtPtGridNx");
    r.Field("lblPtGridNy", "Points in Y", "txtPtGridNy");
    r.Close("sbtClosePointGrid", false);
  }
  {
    // tabDistance: the image edits, the crop rectangle's size and the measured distance.
    PageRows r = rows(kPageImageEdit);
    r.Button("sbtFlipH", "Flip Hor.", kLabelX, 104);
    r.Button("sbtFlipV", "Flip Vert.", 114, 104);
    r.y += kButtonH + 4;
    r.Button("sbtRotate", "Rotate", kLabelX, 104);
    r.Button("sbt2Gray", "Conv2Gray", 114, 104);
    r.y += kButtonH + 8;
    auto pair = [&](const char* a, const char* textA, const char* b, const char* textB) {
      r.LabelOf(a, 3, textA, kLabelX, 30);
      r.Edit(a, 36, 70)->setReadOnly(true);
      r.LabelOf(b, 3, textB, 112, 36);
      r.Edit(b, 148, 70)->setReadOnly(true);
      r.y += kRow;
    };
    pair("txtCutDx", "W", "txtCutDy", "H");
    pair("txtPixelW", "px", "txtPixelH", "px");
    r.Button("sbtCutSel", "Cut ", kLabelX, 104)->setEnabled(false);
    r.y += kButtonH + 10;
    pair("txtDistX1", "X1", "txtDistY1", "Y1");
    pair("txtDistX2", "X2", "txtDistY2", "Y2");
    pair("txtDistDx", "DX", "txtDistDy", "DY");
    pair("txtDistLen", "L", "txtDistAngle", "A");
    r.y += 4;
    r.PrevNext(nullptr, nullptr, "sbtNextB0", "Next Pg (1)");
  }
}

void TfrmMain::BuildWizardPages() {
  {
    PageRows r{this, PageControl1_->Page(kPageDimension)};
    txtVecLarg_ = r.Field("lblVecLarg", "Width", "txtVecLarg");
    r.Put(new QLabel(QStringLiteral("mm"), r.page), "nol_lblUnita1", kFieldX + kFieldW + 4, r.y - kRow, 32, kRowHeight);
    txtVecAlt_ = r.Field("lblVecAlt", "Height", "txtVecAlt");
    r.Put(new QLabel(QStringLiteral("mm"), r.page), "nol_lblUnita2", kFieldX + kFieldW + 4, r.y - kRow, 32, kRowHeight);
    r.Check("chkRatio", "Keep ratio")->setChecked(true);
    r.y += kRow;
    r.Button("sbtDimApply", "Apply", kLabelX, 100)->setEnabled(false);
    r.Button("sbtModify", "Modify image", 114, 104);
    r.y += kButtonH + 6;
    treInfoRas_ = r.Put(new QTreeWidget(r.page), "treInfoRas", kLabelX, r.y, kPageInner - 12, 140);
    treInfoRas_->setHeaderHidden(true);
    treInfoRas_->setRootIsDecorated(true);
    r.y += 146;
    r.PrevNext(nullptr, nullptr, "sbtNextB1", "Next Pg (2)");
  }
  {
    PageRows r{this, PageControl1_->Page(kPageReference)};
    auto* group = r.Put(new QGroupBox(QStringLiteral("X0 Y0"), r.page), "grpOrigin", kLabelX, r.y, kPageInner - 12, 170);
    PageRows g{this, group, 20};
    // Tag: 1 lower-left, 2 upper-left, 3 upper-right, 4 lower-right, 5 centre.
    struct Choice { const char* name; const char* text; int tag; };
    const Choice choices[] = {{"rbtOrigine1", "Lower left", 1}, {"rbtOrigine2", "Upper left", 2},
                              {"rbtOrigine3", "Upper right", 3}, {"rbtOrigine4", "Lower right", 4},
                              {"rbtOrigine0", "Centre", 5}};
    for (const Choice& c : choices) {
      g.Radio(c.name, c.text, 8, 190)->setProperty("Tag", c.tag);
      g.y += 23;
    }
    g.Radio("rbtOriginDxf", "Use drawing origin and orientation", 8, 200)->setProperty("Tag", 0);
    r.y += 176;
    auto* rotate = r.Put(new QGroupBox(QStringLiteral("Rotate"), r.page), "grpDxfRotate", kLabelX, r.y, kPageInner - 12, 52);
    PageRows rr{this, rotate, 20};
    rr.Button("sbtDxfRotCCW", "+90° CCW", 6, 94);
    rr.Button("sbtDxfRotCW", "-90° CW", 104, 94);
    rotate->hide();
    txtOriginX_ = r.Field("lblOriginX", "X", "txtOriginX");
    txtOriginY_ = r.Field("lblOriginY", "Y", "txtOriginY");
    r.Button("sbtSetOrigin", "Select Pt.", kLabelX, 100);
    r.Button("sbtOrigineApply", "Apply", 114, 104)->setEnabled(false);
    r.y += kButtonH + 8;
    r.PrevNext("sbtPrevB2", "Prev Pg (1)", "sbtNextB2", "Next Pg (3)");
    Get<QPushButton>("sbtNextB2")->setEnabled(false);
  }
  {
    PageRows r{this, PageControl1_->Page(kPageDepth)};
    txtWhiteD_ = r.Field("lblWhiteD", "Depth for white", "txtWhiteD");
    txtBlackD_ = r.Field("lblBlackD", "Depth for black", "txtBlackD");
    auto* group = r.Put(new QGroupBox(QStringLiteral("3D surface"), r.page), "grpShRes", kLabelX, r.y, kPageInner - 12, 96);
    PageRows g{this, group, 20};
    for (auto [name, text] : {std::pair{"rbtShResCoarse", "Coarse"}, std::pair{"rbtShResMedium", "Medium"},
                              std::pair{"rbtShResFine", "Fine"}}) {
      g.Radio(name, text, 8, 150);
      g.y += 23;
    }
    Get<QRadioButton>("rbtShResFine")->setChecked(true);
    r.y += 102;
    r.Button("sbtProfApply", "Apply", kLabelX, 100);
    r.y += kButtonH + 8;
    r.PrevNext("sbtPrevB3", "Prev Pg (2)", "sbtNextB3", "Next Pg (4)");
    Get<QPushButton>("sbtNextB3")->setEnabled(false);
  }
  {
    PageRows r{this, PageControl1_->Page(kPageNcFile)};
    r.Label("lblPostName", "Post-processor", kLabelX, 200);
    r.y += kRowHeight;
    cboPostName_ = r.Put(new QComboBox(r.page), "cboPostName", kLabelX, r.y, kPageInner - 12, kRowHeight);
    r.y += kRow + 2;
    stxPstCommento_ = r.Put(new QLabel(r.page), "stxPstCommento", kLabelX, r.y, kPageInner - 12, 150);
    stxPstCommento_->setWordWrap(true);
    stxPstCommento_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    stxPstCommento_->setFrameShape(QFrame::StyledPanel);
    r.y += 156;
    lblNomeNcFile_ = r.Label("lblNomeNcFile", "NC file", kLabelX, kPageInner - 12);
    r.y += kRowHeight;
    stxNcFileName_ = r.Put(new QLabel(r.page), "stxNcFileName", kLabelX, r.y, kPageInner - 12, kRowHeight);
    stxNcFileName_->setFrameShape(QFrame::StyledPanel);
    r.y += kRow + 2;
    r.Button("sbtNewNc", "New...", kLabelX, 100);
    r.y += kButtonH + 8;
    r.PrevNext("sbtPrevB4", "Prev Pg (3)", "sbtNextB4", "Next Pg (5)");
    Get<QPushButton>("sbtNextB4")->setEnabled(false);
  }
  {
    PageRows r{this, PageControl1_->Page(kPageTool)};
    // The tool's name beside its picture, the numbers below it across the whole page, so none is cut
    // ("Spindle speed: 18000", a corner radius of many digits).
    const int pictureX = kPageInner - kToolPictureSize - 6;
    bool besidePicture = true;
    for (const char* name : {"nol_lblUtName", "nol_lblToolN", "nol_lblSpeed", "nol_lblFeedrate", "nol_lblPlunge",
                             "nol_lblToolDia", "nol_lblVariaUt", "nol_lblFlat"}) {
      QLabel* label = r.Put(new QLabel(r.page), name, kLabelX, r.y, besidePicture ? pictureX - kLabelX - 4 : kPageInner - 2 * kLabelX, 20);
      if (besidePicture) {
        label->setWordWrap(true);
        label->resize(label->width(), kToolPictureSize);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        r.y = 8 + kToolPictureSize + 4;
        besidePicture = false;
      } else {
        r.y += 22;
      }
    }
    imgTool_ = r.Put(new QLabel(r.page), "imgTool", pictureX, 8, kToolPictureSize, kToolPictureSize);
    r.y += 6;
    r.Button("sbtSelecTool", "Select ...", kLabelX, 100);
    r.Button("sbtEditTool", "Edit ...", 114, 104);
    r.y += kButtonH + 8;
    r.PrevNext("sbtPrevB5", "Prev Pg (4)", "sbtNextB5", "Next Pg (6)");
  }
  {
    PageRows r{this, PageControl1_->Page(kPageCutting)};
    r.y = 6;
    auto field = [&](const char* label, const char* text, const char* edit) {
      r.Label(label, text, kLabelX, 116);
      QLineEdit* e = r.Edit(edit, kFieldX + 10, 54);
      r.y += 23;
      return e;
    };
    txtFeedPlane_ = field("lblFeedPlane", "Feed plane", "txtFeedPlane");
    txtIncXY_ = field("lblIncXY", "Max. stepover", "txtIncXY");
    txtStock_ = field("lblStock", "Stock to leave", "txtStock");
    r.Label("lblPass_Z", "Depth cuts", kLabelX, 116);
    sedPass_Z_ = r.Put(new QSpinBox(r.page), "sedPass_Z", kFieldX + 10, r.y, 54, kRowHeight);
    sedPass_Z_->setRange(1, 255);
    r.y += 23;
    txtAspor_Z_ = field("lblAspor_Z", "Z step", "txtAspor_Z");
    txtFilter_ = field("lblFilter", "Filter", "txtFilter");
    imgCutPar_ = r.Put(new QLabel(r.page), "imgCutPar", 3, r.y + 1, kCutPictureWidth, kCutPictureHeight);
    r.y += kCutPictureHeight + 4;
    chkOrizzontale_ = r.Check("chkOrizzontale", "0°", kLabelX, 90);
    chkVerticale_ = r.Check("chkVerticale", "90°", 110, 90);
    r.y += 23;
    grpZNC_ = r.Put(new QGroupBox(QStringLiteral("Z no cut"), r.page), "grpZNC", kLabelX, r.y, kPageInner - 12, 74);
    PageRows g{this, grpZNC_, 18};
    chkCutColor_ = NoteDesignedGeometry(g.Check("chkCutColor", "Active", 6, 70));
    btnZNC_ = NoteDesignedGeometry(g.Button("btnZNC", "Select....", 80, 124));
    g.y += 26;
    NoteDesignedGeometry(g.Put(new QLabel(QStringLiteral("Tolerance"), grpZNC_), "lblZNC", 6, g.y, 64, kRowHeight));
    txtFiltroZNC_ = NoteDesignedGeometry(g.Edit("txtFiltroZNC", 72, 50));
    NoteDesignedGeometry(g.Button("sbtZNCRegen", "Regen", 128, 76));
    r.y += 80;
    r.Button("sbtNcCalc", "Calculate", kLabelX, kPageInner - 12);
    r.y += kButtonH + 4;
    r.PrevNext("sbtPrevB6", "Prev Pg (5)", "sbtNextB6", "Next Pg (7)");
    Get<QPushButton>("sbtNextB6")->setEnabled(false);
  }
}

void TfrmMain::BuildListingPage() {
  PageRows r{this, PageControl1_->Page(kPageListing)};
  r.y = 4;
  r.Put(new QLabel(r.page), "nol_lblNomeNcFile1", kLabelX, r.y, kPageInner - 12, 20);
  r.y += 22;
  r.Put(new QLabel(r.page), "nol_IsoStatus2", kLabelX, r.y, kPageInner - 12, 20);
  r.y += 22;
  auto* bar = NoteDesignedGeometry(r.Put(new QFrame(r.page), "pnlTbr1Iso", 2, r.y, kPageInner - 4, 56));
  PageRows b{this, bar, 2};
  const char* texts[] = {"Step", "Simulate", "Rewind", "End", "Stop", "Find", "Save", "Exit"};
  for (int i = 0; i < 8; ++i) {
    b.y = 2 + (i / kListingColumns) * kListingRowStep;
    b.Button(kListingButtons[i], texts[i], 2 + (i % kListingColumns) * 54, 53);
  }
  r.y += 58;
  auto* speed = NoteDesignedGeometry(r.Put(new QSlider(Qt::Horizontal, r.page), "TrackBar1", kLabelX, r.y, kPageInner - 12, 22));
  speed->setRange(1, 10);
  speed->setValue(10);
  speed->setToolTip(QStringLiteral("Slow/Fast"));
  r.y += 24;
  ricIso_ = NoteDesignedGeometry(r.Put(new ListingEdit(r.page), "ricIso", 2, r.y, kPageInner - 4, 200));
  QFont mono(QStringLiteral("DejaVu Sans Mono"));
  mono.setPixelSize(11);
  ricIso_->setFont(mono);
  // The width is taken now, while the listing is empty (see ListingEdit).
  QResizeEvent sized(ricIso_->size(), QSize());
  QCoreApplication::sendEvent(ricIso_, &sized);
  r.y += 204;
  r.Put(new QLabel(r.page), "nol_IsoStatus1", kLabelX, r.y, kPageInner - 12, 20);
  r.y += 24;
  r.PrevNext("sbtPrevB7", "Prev Pg (6)", nullptr, nullptr);
}

void TfrmMain::BuildStatusPanels() {
  QWidget* client = centralWidget();
  nol_pnlStatus1_ = Add(new QLabel(client), "nol_pnlStatus1");
  nol_pnlStatus1_->setFrameShape(QFrame::Panel);
  nol_pnlStatus1_->setFrameShadow(QFrame::Sunken);
  pnlStatus2_ = Add(new QLabel(client), "pnlStatus2");
  pnlStatus2_->setFrameShape(QFrame::Panel);
  pnlStatus2_->setFrameShadow(QFrame::Sunken);
  pnlStatus3_ = Add(new QFrame(client), "pnlStatus3");
  pnlStatus3_->setFrameShape(QFrame::Panel);
  pnlStatus3_->setFrameShadow(QFrame::Sunken);
  ProgressBar1_ = Add(new QProgressBar(pnlStatus3_), "ProgressBar1");
  ProgressBar1_->setRange(0, 100);
  ProgressBar1_->setTextVisible(false);
  ProgressBar1_->hide();
}

}  // namespace app
