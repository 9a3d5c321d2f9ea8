// The CAD commands of the 2D view: the menu entries of the drop-down buttons, the operations they
// start, and the command pages' edits, radio buttons and buttons.
#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <numbers>
#include <string>

#include "app/drawing_edits.h"
#include "app/glyphs.h"
#include "app/main_window.h"
#include "app/page_control.h"
#include "cad/construction_commands.h"
#include "cad/viewport2d.h"
#include "lang/lang.h"
#include "platform/exception.h"
#include "platform/numbers.h"
#include "platform/qt_dialogs.h"

namespace app {

namespace {

// A menu entry: its button, the image of ImageListGlyph and the hint text it gives the button, the
// page it shows (none: -1) and what it runs.
struct CadMenuEntry {
  const char* entry;
  const char* button;
  int glyph;
  const char* hint;  // a message number; none: the button's hint of the language file
  int page;
  void (TfrmMain::*run)();
  const char* focus;  // the page's edit that takes the focus
};

// The interaction modes of the commands that test them (the others set theirs in their start).
constexpr int kModeFillet = 14, kModeExtend = 17, kModeChangeLayer = 19, kModeOffset = 20, kModeDelete = 21;

constexpr int kPageCircleCtDia = 4, kPageMirror = 9, kPageScale = 10, kPageOffset = 18, kPageFillet = 22,
              kPageArcPolar = 25, kPageDelSmall = 28, kPageLinePolar = 36, kPageLineTanAngle = 37,
              kPageArcTan = 38, kPageRotate = 39;

const CadMenuEntry kCadMenu[] = {
    {"mnuCircleCtPt", "lsbArc", 33, "200", -1, &TfrmMain::MyCircleCtPtClick, nullptr},
    {"mnuCircleCtDia", "lsbArc", 1, "201", kPageCircleCtDia, nullptr, "txtDiamArco"},
    {"mnuArcCtPtSaEa", "lsbArc", 2, "202", -1, &TfrmMain::MyArcCtPtSaEaClick, nullptr},
    {"mnuArcTangent", "lsbArc", 32, "247", kPageArcTan, nullptr, "txtArcTanRadius"},
    {"mnuArcPolar", "lsbArc", 3, "203", kPageArcPolar, nullptr, "txtDiamArcoPolare"},
    {"mnuFillet", "lsbModify", 6, "206", kPageFillet, &TfrmMain::MyFilletClick, "txtRaccordo"},
    {"mnuTrim", "lsbModify", 7, "207", -1, &TfrmMain::MyTrimClick, nullptr},
    {"mnuBreak", "lsbModify", 12, "208", -1, &TfrmMain::MyBreakClick, nullptr},
    {"mnuExtend", "lsbModify", 8, "209", -1, &TfrmMain::MyExtendClick, nullptr},
    {"mnuChangeLayer", "lsbModify", 9, "210", -1, &TfrmMain::MyChangeLayerClick, nullptr},
    {"mnuMoveNode", "lsbModify", 11, "212", -1, &TfrmMain::MyMoveNodeClick, nullptr},
    {"mnuTranslate", "lsbXform", 13, "213", kPageTranslate, nullptr, "txtTransDx"},
    {"mnuRotate", "lsbXform", 14, "214", kPageRotate, nullptr, "txtRotateAngle"},
    {"mnuMirror", "lsbXform", 15, "215", kPageMirror, nullptr, nullptr},
    {"mnuScale", "lsbXform", 16, "216", kPageScale, nullptr, "txtScaleX"},
    {"mnuOffset", "lsbXform", 17, "217", kPageOffset, &TfrmMain::MyOffsetClick, "txtOffsetDist"},
    {"mnuDelete", "lsbDelete", 19, nullptr, -1, &TfrmMain::MyDeleteClick, nullptr},
    {"mnuDeleteSmall", "lsbDelete", 26, "222", kPageDelSmall, nullptr, "txtSmallX"},
    {"mnuUndelete", "lsbDelete", 21, "223", -1, &TfrmMain::MyUndeleteClick, nullptr},
    {"mnuLinePolar", "lsbLine", 28, "243", kPageLinePolar, nullptr, "txtLinePolLen"},
    {"mnuLineTangent2Arc", "lsbLine", 29, "244", -1, &TfrmMain::MyLineTangent2ArcClick, nullptr},
    {"mnuLineTangentAngle", "lsbLine", 30, "245", kPageLineTanAngle, nullptr, "txtLenTanAng"},
    {"mnuLinePerp", "lsbLine", 31, "246", -1, &TfrmMain::MyLinePerpClick, nullptr},
    {"mnuPointGrid", "lsbPoint", 38, "248", kPagePointGrid, nullptr, "txtPtGridDx"},
};

// The entries with no construction behind them (the last three are there and do nothing at all):
// disabled, so that no hint promises what they do not do.
const char* const kUnboundEntries[] = {"mnuCircleCtDia", "mnuArcPolar",     "mnuLinePolar",   "mnuLineTangentAngle",
                                       "mnuPointGrid",   "mnuEllipseOpen",  "mnuPolySemplify", "mnuWindowDelete"};
// Drop-down buttons none of whose entries works: nothing behind the body either.
const char* const kEmptyDropDowns[] = {"lsbPoint"};

// The transform pages: their copy radio button and repeat edit (the mirror page has none).
struct TransformPage {
  int page;
  const char* copy;
  const char* repeat;
};
const TransformPage kTransformPages[] = {{kPageTranslate, "rbtTransCopy", "txtTransRepeat"},
                                         {kPageRotate, "rbtRotateCopy", "txtRotateRepeat"},
                                         {kPageScale, "rbtScaleCopy", "txtScaleRepeat"},
                                         {kPageMirror, "rbtMirrorCopy", nullptr}};

constexpr int kMaxRepeat = 1000;

// The Close buttons of the command pages: each shows the remembered pages again.
const char* const kPageCloseButtons[] = {"SpeedButton6",       "SpeedButton19",      "SpeedButton20",
                                         "sbtCloseMirror",     "sbtCloseScale",      "sbtCloseSettings",
                                         "sbtCloseOffset",     "sbtCloseFillet",     "sbtCloseDelSmall",
                                         "sbtCloseLinePolar",  "sbtCloseLineTanAngle", "sbtCloseRotate",
                                         "sbtCloseTranslate",  "sbtClosePointGrid"};

std::optional<double> Number(const QLineEdit* edit) { return platform::ParseDouble(edit->text().toStdString()); }

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

void TfrmMain::RunCadMenuEntry(const std::string& entry) {
  // The drawing commands pick on the 2D view; while the relief shows it is hidden.
  if (mode3d_) return;
  for (const CadMenuEntry& e : kCadMenu) {
    if (entry != e.entry) continue;
    auto* button = Get<QToolButton>(e.button);
    button->setIcon(QIcon(CommandGlyph(e.glyph)));
    button->setToolTip(Q(e.hint ? lang::LangString(e.hint) : lang::LangMainHint(e.button)));
    buttonCommand_[e.button] = e.entry;
    if (entry == "mnuDelete") {
      mode_ = kModeDelete;
      entityEdit_ = false;
    }
    BeginCommand(e.page >= 0 ? e.page : kNoCommandPage);
    if (e.page >= 0) SetActivePage(e.page);
    if (e.run) (this->*e.run)();
    if (PicksForDone(e.page)) {
      picked_.clear();
      Prg2DStartCadOperation(CadOperation::PickObjects);
    }
    // The arc-tangent page's radius only while its two-entity group shows.
    const bool focusable = entry != "mnuArcTangent" || Get<QGroupBox>("grpArcTan")->isVisible();
    if (e.focus && focusable && commandActive_) Get<QLineEdit>(e.focus)->setFocus();
    return;
  }
}

bool TfrmMain::IsTransformPage(int page) {
  return std::any_of(std::begin(kTransformPages), std::end(kTransformPages), [page](const TransformPage& t) { return t.page == page; });
}

bool TfrmMain::PicksForDone(int page) {
  // The mirror page has no Done: its "All entities" takes every object, so a pick there would go
  // unused.
  return IsTransformPage(page) && page != kPageMirror;
}

void TfrmMain::ClearFailureText(bool operationEnding) {
  const std::string failure = std::exchange(failureText_, std::string());
  if (failure.empty() || StatusText() != failure) return;
  ShowCurrentStatus(operationEnding);
}

void TfrmMain::ShowCurrentStatus(bool operationEnding) {
  // An ending operation is still running while its end is announced: its prompt is no longer true.
  const std::string description =
      !operationEnding && Prg2DOperationRunning() ? LocalPrg_->Description() : std::string();
  if (!description.empty()) Messaggio(description);
  else if (PageControl1_->isVisible()) ShowPageStatus(ActivePage());
  else Messaggio("");
}

bool TfrmMain::TouchingCircleChosen() { return Get<QRadioButton>("rbtTanTo1")->isChecked(); }

void TfrmMain::CommandOperationEnded(bool stopped) {
  // An operation that ended without a failure did what it was asked.
  if (!stopped && !failedThisOperation_) ClearFailureText(true);
  if (startingOperation_) return;
  if (!commandActive_) {
    // Its command ended first (Esc, Cancel, Close): the operation's prompt and refusal go with it.
    failureText_.clear();
    ShowCurrentStatus(true);
    return;
  }
  if (!stopped && (mode_ == kModeDelete || mode_ == kModeChangeLayer) && commandPage_ == kNoCommandPage) {
    // Delete takes the picked object away, Change Layer puts it on the current layer; each waits
    // for the next, until Esc or Cancel.
    const int mode = mode_;
    QTimer::singleShot(0, this, [this, mode] {
      platform::RunGuarded([&] {
        if (!commandActive_ || mode_ != mode || Prg2DOperationRunning()) return;
        if (mode == kModeDelete) {
          for (auto& kept : DeleteObjectsKept(LocalCad_, picked_)) deleted_.push_back(std::move(kept));
        } else {
          MoveObjectsToLayer(LocalCad_, picked_, static_cast<uint8_t>(currentLayer_));
        }
        picked_.clear();
        View2DRepaint();
        Prg2DStartCadOperation(mode == kModeDelete ? CadOperation::DeleteObjects : CadOperation::ChangeLayerObjects);
      });
    });
    return;
  }
  const bool touchingCircle = commandPage_ == kPageArcTan && TouchingCircleChosen();
  if (commandPage_ == kNoCommandPage || commandPage_ == kPageHideAll) {
    // The operation was the whole command.
    EndCommand();
  } else if (!stopped && commandPage_ == kPageOffset) {
    // Done added the offset copy.
    EndCommand();
  } else if (!stopped && (PicksForDone(commandPage_) || commandPage_ == kPageFillet || touchingCircle)) {
    // A transform page picks until its Done, the fillet page rounds one corner after another and the
    // tangent arc page draws one touching circle after another until it is closed: the next pick
    // starts once the ended one has gone.
    const int page = commandPage_;
    const CadOperation next = page == kPageFillet  ? CadOperation::Fillet
                              : touchingCircle     ? CadOperation::ArcTangent1
                                                   : CadOperation::PickObjects;
    QTimer::singleShot(0, this, [this, page, next] {
      platform::RunGuarded([&] {
        if (!commandActive_ || commandPage_ != page || Prg2DOperationRunning()) return;
        if (next == CadOperation::ArcTangent1 && !TouchingCircleChosen()) return;
        Prg2DStartCadOperation(next);
        // The next pick asks for its object, unless a failure still stands.
        if (next == CadOperation::ArcTangent1 && failureText_.empty()) ShowPickPrompt();
      });
    });
    return;
  }
  // Nothing goes on: the prompt of the ended operation goes with it (a failure stands until the next
  // success).
  if (!failedThisOperation_) ShowCurrentStatus(true);
}

void TfrmMain::HideCommandPages() {
  // The picking commands work with every page hidden; their end shows the remembered pages again.
  VisPagina(kPageHideAll);
  commandPage_ = kPageHideAll;
}

void TfrmMain::MyTrimClick() {
  HideCommandPages();
  mode_ = 15;
  // A trim is a fillet of radius 0, whatever the fillet page shows.
  construction_.FilletRadius = 0;
  Prg2DStartCadOperation(CadOperation::Trim);
}

void TfrmMain::MyBreakClick() {
  HideCommandPages();
  mode_ = 16;
  Prg2DStartCadOperation(CadOperation::Break);
}

void TfrmMain::MyMoveNodeClick() {
  HideCommandPages();
  mode_ = 18;
  Prg2DStopOperation();
  Prg2DStartCadOperation(CadOperation::MoveNode);
}

void TfrmMain::MyLineTangent2ArcClick() {
  mode_ = 31;
  HideCommandPages();
  Prg2DStartCadOperation(CadOperation::LineTangent2Arcs);
}

void TfrmMain::MyLinePerpClick() {
  mode_ = 33;
  Prg2DStartCadOperation(CadOperation::LinePerpendicular);
  ShowPickPrompt();
}

void TfrmMain::ShowPickPrompt() {
  // The pick's own description is empty; once the object is picked its point is asked for.
  if (Prg2DOperationRunning()) Messaggio(cad::FootFailureText(cad::TFootFailure::NoLineOrArc));
}

void TfrmMain::MyDeleteClick() {
  // Undelete brings back what this Delete takes.
  deleted_.clear();
  picked_.clear();
  Prg2DStartCadOperation(CadOperation::DeleteObjects);
}

void TfrmMain::MyUndeleteClick() {
  RestoreObjects(LocalCad_, deleted_);
  deleted_.clear();
  View2DRepaint();
  // Done at once: the pages come back.
  EndCommand();
}

void TfrmMain::MyFilletClick() {
  mode_ = kModeFillet;
  // Trim left a radius of 0 behind: the fillet takes the page's.
  if (const std::optional<double> r = Number(Get<QLineEdit>("txtRaccordo")); r && *r >= 0) construction_.FilletRadius = *r;
  Prg2DStartCadOperation(CadOperation::Fillet);
}

void TfrmMain::MyExtendClick() {
  HideCommandPages();
  mode_ = kModeExtend;
  Prg2DStartCadOperation(CadOperation::Extend);
}

void TfrmMain::MyChangeLayerClick() {
  mode_ = kModeChangeLayer;
  entityEdit_ = false;
  picked_.clear();
  Prg2DStartCadOperation(CadOperation::ChangeLayerObjects);
}

void TfrmMain::MyOffsetClick() {
  mode_ = kModeOffset;
  // Each offset starts on the left of a line, outside an arc.
  offsetFlip_ = false;
  construction_.OffsetDistance = offsetDistance_;
  Prg2DStartCadOperation(CadOperation::Offset);
}

void TfrmMain::sbtOffsetOkClick() { Prg2DSendUserCode(cad::CADPRG_ACCEPT); }

void TfrmMain::sbtFlipOffsetClick() {
  offsetFlip_ = !offsetFlip_;
  OffsetChanged();
}

void TfrmMain::OffsetChanged() {
  construction_.OffsetDistance = offsetFlip_ ? -offsetDistance_ : offsetDistance_;
  // The running offset shows its copy where the new distance puts it.
  if (!commandActive_ || commandPage_ != kPageOffset) return;
  LocalPrg_->ConstructionSettings.OffsetDistance = construction_.OffsetDistance;
  Prg2DSendUserCode(cad::kOffsetChangedCode);
}

void TfrmMain::DisableUnboundCommands() {
  for (const char* name : kUnboundEntries) Get<QAction>(name)->setEnabled(false);
  for (const char* name : kEmptyDropDowns) {
    // The arrow part follows.
    auto* button = Get<QToolButton>(name);
    button->setEnabled(false);
    button->setToolTip(QString());
  }
}

void TfrmMain::Prg2DStartCadOperation(CadOperation operation) {
  cad::TKQPrg2D& prg = *LocalPrg_;
  // The construction states read the program-wide values when they run.
  prg.ConstructionSettings = construction_;
  // A construction that cannot act says why in the status line, until something succeeds.
  failedThisOperation_ = false;
  prg.OnConstructionMessage = [this](const std::string& text) {
    // An empty text takes back what was said: the status line shows what is true again.
    failureText_ = text;
    failedThisOperation_ = !text.empty();
    if (text.empty()) ShowCurrentStatus();
    else Messaggio(text);
  };
  // Picked objects show as rubber bands with their control points.
  cad::TSelectedObjectEvent highlight = [this](cad::TKQD2D_SelectObjectsParam&, cad::TObject2D& object, bool, int) {
    VistaGrafica_->DrawRubberObject(object, true);
  };
  auto start = [&]() -> bool {
    switch (operation) {
      case CadOperation::Trim:
        return cad::StartTrim(prg, highlight);
      case CadOperation::Break:
        return cad::StartBreak(prg, highlight);
      case CadOperation::MoveNode:
        return cad::StartMoveControlPoints(prg);
      case CadOperation::LineTangent2Arcs:
        return cad::StartLineTangent2Arcs(prg, highlight);
      case CadOperation::LinePerpendicular:
        return cad::StartLinePerpendicular(prg, highlight);
      case CadOperation::ArcTangent1:
        return cad::StartArcTangent1(prg, highlight);
      case CadOperation::ArcTangent2:
        return cad::StartArcTangent2(prg, highlight);
      case CadOperation::Fillet:
        return cad::StartFillet(prg, highlight);
      case CadOperation::Extend:
        return cad::StartExtend(prg, highlight);
      case CadOperation::Offset:
        return cad::StartOffset(prg, highlight);
      case CadOperation::PickObjects:
      case CadOperation::DeleteObjects:
      case CadOperation::ChangeLayerObjects:
        // Each pick adds its object to those the page's Done transforms (or Delete removes).
        return cad::StartSelectOneObject(prg, nullptr, [this](cad::TKQD2D_SelectObjectsParam&, cad::TObject2D& object, bool selected, int) {
          VistaGrafica_->DrawRubberObject(object, true);
          if (selected && std::find(picked_.begin(), picked_.end(), object.ID) == picked_.end()) picked_.push_back(object.ID);
        });
    }
    return false;
  };
  StartCommandOperation(start);
}

void TfrmMain::sbtDelSmallClick() {
  const double size = Number(Get<QLineEdit>("txtSmallX")).value_or(0.0);
  const int removed = DeleteSmallObjects(LocalCad_, size);
  View2DRepaint();
  Get<QLabel>("stxReportSmall")->setText(Q(lang::LangString("411") + " " + std::to_string(removed)));
}

void TfrmMain::sbtMirrorAllClick() {
  const int axis = Get<platform::RadioGroup>("gprMirrorAxis")->ItemIndex();
  if (axis >= 0) TransformAllButBitmaps(LocalCad_, cad::Mirror2D(axis));
  View2DRepaint();
  if (commandActive_) EndCommand();
  Prg2DSendUserCode(1);
  StopCommandPick();
}

void TfrmMain::TransformPageDone(int page) {
  cad::TTransform2D step;
  bool valid = true;
  auto value = [&](const char* name) {
    const std::optional<double> v = Number(Get<QLineEdit>(name));
    valid = valid && v.has_value();
    return v.value_or(0.0);
  };
  if (page == kPageTranslate) {
    step = cad::Translate2D(value("txtTransDx"), value("txtTransDy"));
  } else if (page == kPageRotate) {
    step = cad::Rotate2D(value("txtRotateAngle") * std::numbers::pi / 180.0);
  } else if (page == kPageScale) {
    const double sx = value("txtScaleX");
    step = cad::Scale2D(sx, Get<QRadioButton>("rbtScaleUniform")->isChecked() ? sx : value("txtScaleY"));
  } else if (page == kPageMirror) {
    step = cad::Mirror2D(Get<platform::RadioGroup>("gprMirrorAxis")->ItemIndex());
  }
  for (const TransformPage& t : kTransformPages) {
    if (t.page != page || !valid || picked_.empty()) continue;
    // The page's own Copy / Move choice and repeat count, so another page's choice cannot leak in.
    const bool copy = Get<QRadioButton>(t.copy)->isChecked();
    // Bounded, so that a slip of the finger cannot fill the drawing (or the memory) with copies.
    const double wanted = t.repeat ? Number(Get<QLineEdit>(t.repeat)).value_or(1.0) : 1.0;
    const int repeat = static_cast<int>(std::clamp(wanted, 1.0, static_cast<double>(kMaxRepeat)));
    TransformObjectsRepeated(LocalCad_, picked_, step, copy, repeat);
    View2DRepaint();
  }
  // A value that is no number leaves the page open to be put right.
  if (valid && commandActive_) EndCommand();
  Prg2DSendUserCode(1);
  if (!commandActive_) StopCommandPick();
}

void TfrmMain::StopCommandPick() {
  // A pick takes no Done of its own: the page's Done ends it.
  if (Prg2DOperationRunning() && !Prg2DBusy()) Prg2DStopOperation();
}

void TfrmMain::SendWhileTyping(const QLineEdit* edit, int code) {
  if (edit->hasFocus() && Number(edit)) Prg2DSendUserCode(code);
}

void TfrmMain::ConnectCadHandlers() {
  auto guarded = [this](auto handler) { return [this, handler](auto&&...) { platform::RunGuarded([&] { handler(); }); }; };
  for (const CadMenuEntry& e : kCadMenu)
    connect(Get<QAction>(e.entry), &QAction::triggered, this, guarded([this, name = std::string(e.entry)] { RunCadMenuEntry(name); }));
  // A drop-down button's own click runs its current command.
  buttonCommand_ = {{"lsbArc", "mnuCircleCtPt"}, {"lsbModify", "mnuFillet"}, {"lsbXform", "mnuTranslate"},
                    {"lsbDelete", "mnuDelete"}};
  for (const char* button : {"lsbLine", "lsbArc", "lsbPoint", "lsbModify", "lsbXform", "lsbDelete"})
    connect(Get<QToolButton>(button), &QToolButton::clicked, this, guarded([this, button = std::string(button)] {
              const auto current = buttonCommand_.find(button);
              if (current != buttonCommand_.end()) RunCadMenuEntry(current->second);
            }));

  auto click = [&](const char* name, auto handler) {
    connect(Get<QAbstractButton>(name), &QAbstractButton::clicked, this, guarded(handler));
  };
  auto edited = [&](const char* name, auto handler) {
    connect(Get<QLineEdit>(name), &QLineEdit::textChanged, this, guarded(handler));
  };
  click("sbtDelSmall", [this] { sbtDelSmallClick(); });
  click("sbtMirrorAll", [this] { sbtMirrorAllClick(); });
  click("sbtTranslateOk", [this] { TransformPageDone(kPageTranslate); });
  click("sbtRotateOk", [this] { TransformPageDone(kPageRotate); });
  click("SpeedButton3", [this] { TransformPageDone(kPageScale); });
  for (const char* name : {"sbtClosePoly", "sbtSplineClose"}) click(name, [this] { Prg2DSendUserCode(3); });
  click("SpeedButton5", [this] {
    entityEdit_ = false;
    Prg2DSendUserCode(2);
    VisPagine({kPageDimension});
  });
  for (const char* name : kPageCloseButtons)
    click(name, [this] {
      EndCommand();
      Prg2DSendUserCode(2);
    });
  for (const char* name : {"rbtTransCopy", "rbtMirrorCopy", "rbtScaleCopy", "rbtRotateCopy"}) click(name, [this] { copyFlag_ = 1; });
  for (const char* name : {"rbtTransMove", "rbtMirrorMove", "rbtScaleMove", "rbtRotateMove"}) click(name, [this] { copyFlag_ = 0; });
  for (const char* name : {"txtTransRepeat", "txtRotateRepeat", "txtScaleRepeat"}) {
    QLineEdit* edit = Get<QLineEdit>(name);
    edited(name, [this, edit] {
      if (const std::optional<int64_t> n = platform::ParseInt(edit->text().toStdString())) repeatCount_ = static_cast<int>(std::clamp<int64_t>(*n, 1, kMaxRepeat));
    });
  }
  QLineEdit* offset = Get<QLineEdit>("txtOffsetDist");
  edited("txtOffsetDist", [this, offset] {
    // A distance no single can hold (1e39) is no distance, as text that is no number.
    if (const std::optional<float> d = platform::ParseSingleField(offset->text().toStdString())) {
      offsetDistance_ = *d;
      OffsetChanged();
    }
  });
  click("sbtOffsetOk", [this] { sbtOffsetOkClick(); });
  click("sbtFlipOffset", [this] { sbtFlipOffsetClick(); });
  for (const char* name : {"txtTransDx", "txtTransDy"}) {
    QLineEdit* edit = Get<QLineEdit>(name);
    edited(name, [this, edit] { SendWhileTyping(edit, 6); });
  }
  QLineEdit* angle = Get<QLineEdit>("txtRotateAngle");
  edited("txtRotateAngle", [this, angle] { SendWhileTyping(angle, 4); });
  // Enter in it reaches the window's key handler, which sends user code 1: a second Done here would
  // end the next operation too.
  QLineEdit* scaleX = Get<QLineEdit>("txtScaleX");
  QLineEdit* scaleY = Get<QLineEdit>("txtScaleY");
  QRadioButton* uniform = Get<QRadioButton>("rbtScaleUniform");
  edited("txtScaleX", [this, scaleX, scaleY, uniform] {
    if (uniform->isChecked()) scaleY->setText(scaleX->text());
    SendWhileTyping(scaleX, 5);
  });
  edited("txtScaleY", [this, scaleY] { SendWhileTyping(scaleY, 5); });
  auto scaleMode = [this, uniform, scaleY] {
    const bool one = uniform->isChecked();
    scaleY->setVisible(!one);
    Get<QLabel>("lblScaleY")->setVisible(!one);
    Get<QLabel>("lblScaleX")->setText(Q(lang::LangString(one ? "310" : "311")));
  };
  click("rbtScaleUniform", scaleMode);
  click("rbtScaleXy", scaleMode);
  // The tangent arc: through one entity and a centre, or between two entities with the group's radius.
  QRadioButton* tanTo1 = Get<QRadioButton>("rbtTanTo1");
  QRadioButton* tanTo2 = Get<QRadioButton>("rbtTanTo2");
  click("rbtTanTo1", [this, tanTo1] {
    if (!tanTo1->isChecked()) return;
    Get<QGroupBox>("grpArcTan")->hide();
    Prg2DStartCadOperation(CadOperation::ArcTangent1);
    ShowPickPrompt();
  });
  click("rbtTanTo2", [this, tanTo2] {
    if (!tanTo2->isChecked()) return;
    Get<QGroupBox>("grpArcTan")->show();
    Prg2DStartCadOperation(CadOperation::ArcTangent2);
    // The touching circle's prompt goes with it: the two-entity pick has none of its own.
    ShowCurrentStatus();
  });
  // The program-wide construction values follow their fields.
  QLineEdit* fillet = Get<QLineEdit>("txtRaccordo");
  QLineEdit* tanRadius = Get<QLineEdit>("txtArcTanRadius");
  QCheckBox* tanTrim = Get<QCheckBox>("chkArcTanTrim");
  auto readFillet = [this, fillet] {
    if (const std::optional<double> r = Number(fillet); r && *r >= 0) {
      construction_.FilletRadius = *r;
      // The running fillet rounds its next corner with it.
      if (commandActive_ && commandPage_ == kPageFillet) LocalPrg_->ConstructionSettings.FilletRadius = *r;
    }
  };
  auto readTangent = [this, tanRadius, tanTrim] {
    if (const std::optional<double> r = Number(tanRadius); r && *r > 0) construction_.TangentArcRadius = *r;
    construction_.TangentArcTrim = tanTrim->isChecked();
  };
  tanTrim->setChecked(construction_.TangentArcTrim);
  readFillet();
  readTangent();
  edited("txtRaccordo", readFillet);
  edited("txtArcTanRadius", readTangent);
  connect(tanTrim, &QCheckBox::toggled, this, guarded(readTangent));
  DisableUnboundCommands();
}

}  // namespace app
