// The page sets of PageControl1, the status line and the wizard's Next and Prev buttons.
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <utility>

#include "app/main_window.h"
#include "app/page_control.h"
#include "app/wait_cursor.h"
#include "lang/page_messages.h"
#include "machining/relief.h"
#include "platform/qt_dialogs.h"

namespace app {

namespace {
constexpr size_t kMaxPageSet = 10;
}

void TfrmMain::Messaggio(const std::string& text) {
  pnlStatus2_->setText(QString::fromStdString(text));
  // At once, so the text shows during long work.
  pnlStatus2_->repaint();
}

std::string TfrmMain::StatusText() const { return pnlStatus2_->text().toStdString(); }

void TfrmMain::ShowPageStatus(int page) { Messaggio(lang::PageMessage(page)); }

void TfrmMain::VisPagine(const std::vector<int>& pages) {
  updating_ = false;
  for (int i = 0; i < PageControl1_->PageCount(); ++i) {
    PageControl1_->Page(i)->SetPageVisible(false);
    PageControl1_->Page(i)->SetTabVisible(false);
  }
  const int first = pages.empty() ? kPageHideAll : pages.front();
  // A new page set (a job opened or cleared, the wizard moving on) leaves no command to end later.
  if (first != kPageRestoreSet) {
    commandActive_ = false;
    commandPage_ = kNoCommandPage;
  }
  if (first == kPageHideAll) {
    PageControl1_->hide();
    Messaggio("");
    pageSet_.clear();
    return;
  }
  if (first != kPageRestoreSet) {
    pageSet_.assign(pages.begin(), pages.begin() + static_cast<long>(std::min(pages.size(), kMaxPageSet)));
  } else if (pageSet_.empty()) {
    PageControl1_->hide();
    return;
  }
  for (int page : pageSet_) {
    if (TTabSheet* sheet = PageControl1_->Page(page)) sheet->SetPageVisible(true);
  }
  PageControl1_->show();
  ShowPageStatus(pageSet_.front());
}

void TfrmMain::VisPagina(int page) {
  updating_ = false;
  for (int i = 0; i < PageControl1_->PageCount(); ++i) {
    PageControl1_->Page(i)->SetPageVisible(false);
    PageControl1_->Page(i)->SetTabVisible(false);
  }
  TTabSheet* sheet = page == kPageHideAll ? nullptr : PageControl1_->Page(page);
  if (!sheet) {
    PageControl1_->hide();
    Messaggio("");
    return;
  }
  sheet->SetPageVisible(true);
  sheet->SetTabVisible(true);
  PageControl1_->show();
  ShowPageStatus(page);
}

void TfrmMain::BeginCommand(int page) {
  // A command still going ends first, so its page and operation cannot outlive it.
  if (commandActive_) EndCommand();
  if (Prg2DOperationRunning() && !Prg2DBusy()) Prg2DStopOperation();
  commandReturnPage_ = PageControl1_->isVisible() ? ActivePage() : -1;
  commandActive_ = true;
  commandPage_ = page;
  if (page != kNoCommandPage) VisPagina(page);
}

void TfrmMain::EndCommand() {
  commandActive_ = false;
  ClearFailureText();
  commandPage_ = kNoCommandPage;
  VisPagine({kPageRestoreSet});
  // The user comes back to the page the command left, not to the first page of the set.
  const int page = std::exchange(commandReturnPage_, -1);
  if (std::find(pageSet_.begin(), pageSet_.end(), page) != pageSet_.end() && page != ActivePage()) {
    SetActivePage(page);
    ShowPageStatus(page);
  }
  AbilitaPnl(true, true);
  // The command's start stopped the image page's crop rectangle and its frame has gone from the
  // view: the page picks a new one, once the ended operation has gone.
  if (pageSet_.empty() || pageSet_.front() != kPageImageEdit) return;
  QTimer::singleShot(0, this, [this] {
    platform::RunGuarded([&] {
      if (commandActive_ || mode3d_ || pageSet_.empty() || pageSet_.front() != kPageImageEdit || Prg2DOperationRunning())
        return;
      entityEdit_ = true;
      Prg2DStartCropRectangle();
      SetCropAreaReady(false);
    });
  });
}

void TfrmMain::AbilitaPnl(bool mainToolBar, bool drawingToolBar) {
  pnlTbr1_->setEnabled(mainToolBar);
  for (const char* name : {"sbtAbout", "sbtOpen", "sbtExit", "sbtSave", "sbtSetting"})
    Get<QToolButton>(name)->setEnabled(mainToolBar);
  drawingBarWanted_ = drawingToolBar;
  // The drawing commands work on the 2D view: while the relief shows they would pick on a hidden view.
  pnlTbr2_->setEnabled(drawingToolBar && !mode3d_);
}

void TfrmMain::SetActivePage(int page) { PageControl1_->SetActivePageIndex(page); }

int TfrmMain::ActivePage() const { return PageControl1_->ActivePageIndex(); }

void TfrmMain::PageControl1Change() {
  const int page = ActivePage();
  ShowPageStatus(page);
  if (page == kPageDimension || page == kPageReference) {
    modo3d(false, false);
    AbilitaBt3d(false);
  }
  // A page past the depth page reached without its Next buttons (Ctrl+Tab) gets their work done: the
  // relief built and shown in 3D, the post-processors listed.
  if (page >= kPageDepth && page <= kPageCutting && job_.workBitmap) {
    EnterReliefPages();
    if (page >= kPageNcFile && cboPostName_->count() == 0) FillPostProcessorList();
    if (page == kPageCutting) ArmCalculate();
  }
  if (page == kPageNcFile && job_.nc.ncFileName.empty()) sbtNewNcClick();
  if (page == kPageListing) tabIsoShow();
}

void TfrmMain::EnterReliefPages() {
  // The relief is built before anything switches, so a picture it refuses leaves the page as it was.
  try {
    if (BuildReliefIfStale()) Scene3DAutozoom();
  } catch (...) {
    if (ActivePage() >= kPageDepth) {
      SetActivePage(kPageReference);
      ShowPageStatus(kPageReference);
    }
    throw;
  }
  if (!mode3d_) {
    VistaGrafica_->hide();
    modo3d(true, false);
    Scene3DShowStockBox(true);
    AbilitaBt3d(true);
  }
}

void TfrmMain::ArmCalculate() {
  if (!job_.relief.parametersChanged) return;
  Get<QPushButton>("sbtNextB6")->setEnabled(false);
  Get<QPushButton>("sbtNcCalc")->setEnabled(true);
}

// --- the wizard ---

void TfrmMain::sbtNextB0Click() {
  Prg2DSendUserCode(2);
  entityEdit_ = false;
  VisPagine({kPageDimension});
}

void TfrmMain::sbtNextB1Click() {
  SetActivePage(kPageReference);
  ShowPageStatus(kPageReference);
}

void TfrmMain::sbtPrevB2Click() {
  SetActivePage(kPageDimension);
  ShowPageStatus(kPageDimension);
}

void TfrmMain::sbtNextB2Click() {
  EnterReliefPages();
  SetActivePage(kPageDepth);
  ShowPageStatus(kPageDepth);
}

void TfrmMain::sbtPrevB3Click() {
  SetActivePage(kPageReference);
  ShowPageStatus(kPageReference);
  modo3d(false, false);
  AbilitaBt3d(false);
}

void TfrmMain::sbtNextB3Click() {
  SetActivePage(kPageNcFile);
  ShowPageStatus(kPageNcFile);
  FillPostProcessorList();
  if (job_.nc.ncFileName.empty()) sbtNewNcClick();
}

void TfrmMain::sbtPrevB4Click() {
  SetActivePage(kPageDepth);
  ShowPageStatus(kPageDepth);
}

void TfrmMain::sbtNextB4Click() {
  SetActivePage(kPageTool);
  ShowPageStatus(kPageTool);
}

void TfrmMain::sbtPrevB5Click() {
  SetActivePage(kPageNcFile);
  ShowPageStatus(kPageNcFile);
}

void TfrmMain::sbtNextB5Click() {
  SetActivePage(kPageCutting);
  ShowPageStatus(kPageCutting);
  ArmCalculate();
}

void TfrmMain::sbtPrevB6Click() {
  SetActivePage(kPageTool);
  ShowPageStatus(kPageTool);
}

void TfrmMain::sbtNextB6Click() {
  // A listing of millions of lines lays them all out as its page shows: seconds of work.
  WaitCursor wait;
  // The tool body goes out of sight until the listing moves it.
  PlaceTool(10000.0f, 10000.0f, static_cast<float>(job_.nc.referenceHeight));
  SetActivePage(kPageListing);
  ShowPageStatus(kPageListing);
  tabIsoShow();
}

void TfrmMain::sbtPrevB7Click() { SetActivePage(kPageCutting); }

}  // namespace app
