#include "app/page_control.h"

#include <QKeyEvent>
#include <QPainter>
#include <QStackedWidget>
#include <QStyleOptionTab>

namespace app {

// --- TTabSheet ---

TTabSheet::TTabSheet(TPageControl* owner) : QWidget(nullptr), owner_(owner) {}

void TTabSheet::SetCaption(const QString& caption) {
  caption_ = caption;
  owner_->RebuildTabs();
}

void TTabSheet::SetPageVisible(bool on) {
  if (pageVisible_ == on) return;
  pageVisible_ = on;
  owner_->RebuildTabs();
}

void TTabSheet::SetTabVisible(bool on) {
  if (tabVisible_ == on) return;
  tabVisible_ = on;
  owner_->RebuildTabs();
}

// --- TPageTabBar ---

void TPageTabBar::SetPenColor(const QColor& color) {
  pen_ = color;
  update();
}

void TPageTabBar::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  for (int i = 0; i < count(); ++i) {
    const QRect r = tabRect(i);
    // A frame from (left + 2, top + 2) to (right, bottom - 2) in the window's colour, right and bottom
    // excluded as Windows draws rectangles (a 1-pixel outline of width w covers w + 1 columns in Qt),
    // the caption at (left + 5, top + 5).
    const QRect frame(r.left() + 2, r.top() + 2, r.right() - (r.left() + 2), r.bottom() - 2 - (r.top() + 2));
    painter.setPen(pen_);
    painter.setBrush(i == currentIndex() ? palette().base() : palette().button());
    painter.drawRect(frame);
    painter.setPen(palette().color(isTabEnabled(i) ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    const QFontMetrics metrics(font());
    painter.drawText(QPoint(r.left() + 5, r.top() + 5 + metrics.ascent()), tabText(i));
  }
}

// --- TPageControl ---

TPageControl::TPageControl(QWidget* parent)
    : QWidget(parent), tabs_(new TPageTabBar(this)), stack_(new QStackedWidget(this)), empty_(new QWidget) {
  tabs_->setDrawBase(false);
  tabs_->setExpanding(false);
  tabs_->setFocusPolicy(Qt::NoFocus);
  stack_->addWidget(empty_);
  stack_->setFrameShape(QFrame::StyledPanel);
  connect(tabs_, &QTabBar::tabBarClicked, this, [this](int tab) { TabClicked(tab); });
  RebuildTabs();
}

TTabSheet* TPageControl::AddPage() {
  auto* page = new TTabSheet(this);
  page->pageIndex_ = PageCount();
  pages_.push_back(page);
  stack_->addWidget(page);
  RebuildTabs();
  return page;
}

TTabSheet* TPageControl::Page(int index) const {
  return index >= 0 && index < PageCount() ? pages_[static_cast<size_t>(index)] : nullptr;
}

void TPageControl::SetActivePageIndex(int index) {
  TTabSheet* page = Page(index);
  active_ = page ? index : -1;
  if (page) page->pageVisible_ = true;
  RebuildTabs();
}

std::vector<int> TPageControl::TabPages() const { return tabPages_; }

void TPageControl::RebuildTabs() {
  if (rebuilding_) return;
  rebuilding_ = true;
  // A hidden active page gives way to the first visible one, as hiding the shown page does.
  if (active_ >= 0 && !pages_[static_cast<size_t>(active_)]->pageVisible_) active_ = -1;
  if (active_ < 0) {
    for (TTabSheet* p : pages_)
      if (p->pageVisible_) {
        active_ = p->pageIndex_;
        break;
      }
  }
  stack_->setCurrentWidget(active_ >= 0 ? static_cast<QWidget*>(pages_[static_cast<size_t>(active_)]) : empty_);

  tabPages_.clear();
  for (TTabSheet* p : pages_)
    if (p->pageVisible_ && p->tabVisible_) tabPages_.push_back(p->pageIndex_);
  const bool blocked = tabs_->blockSignals(true);
  while (tabs_->count() > 0) tabs_->removeTab(tabs_->count() - 1);
  for (int index : tabPages_) {
    const int tab = tabs_->addTab(pages_[static_cast<size_t>(index)]->caption_);
    if (index == active_) tabs_->setCurrentIndex(tab);
  }
  tabs_->blockSignals(blocked);
  tabs_->setVisible(!tabPages_.empty());
  rebuilding_ = false;
  Relayout();
}

void TPageControl::Relayout() {
  const int tabHeight = tabPages_.empty() ? 0 : tabs_->sizeHint().height();
  tabs_->setGeometry(0, 0, width(), tabHeight);
  stack_->setGeometry(0, tabHeight, width(), std::max(0, height() - tabHeight));
}

void TPageControl::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Relayout();
}

void TPageControl::TabClicked(int tab) {
  if (tab < 0 || tab >= static_cast<int>(tabPages_.size())) return;
  UserSelects(tabPages_[static_cast<size_t>(tab)]);
}

void TPageControl::UserSelects(int index) {
  if (index == active_) return;
  SetActivePageIndex(index);
  emit Change();
}

void TPageControl::keyPressEvent(QKeyEvent* event) {
  const bool ctrl = event->modifiers() & Qt::ControlModifier;
  int step = 0;
  if (ctrl && (event->key() == Qt::Key_Tab || event->key() == Qt::Key_PageDown)) step = 1;
  if (ctrl && (event->key() == Qt::Key_Backtab || event->key() == Qt::Key_PageUp)) step = -1;
  if (event->key() == Qt::Key_Tab && (event->modifiers() & Qt::ShiftModifier) && ctrl) step = -1;
  if (step == 0) {
    QWidget::keyPressEvent(event);
    return;
  }
  std::vector<int> visible;
  for (TTabSheet* p : pages_)
    if (p->pageVisible_) visible.push_back(p->pageIndex_);
  if (visible.size() < 2) return;
  size_t at = 0;
  while (at < visible.size() && visible[at] != active_) ++at;
  const size_t n = visible.size();
  const size_t next = at == n ? 0 : step > 0 ? (at + 1) % n : (at + n - 1) % n;
  UserSelects(visible[next]);
}

}  // namespace app
