// The main window's page control: a stack of pages under a tab bar. A page can be shown in the set
// (Visible) without a tab (TabVisible), which is how the wizard shows its pages: the program moves
// between them with buttons, and the tab bar carries only the pages whose tab is shown.
//
// Setting the active page from the program is silent; a page chosen by the user (a tab clicked, or
// Ctrl+Tab / Ctrl+Shift+Tab over the visible pages) emits Change. The tabs are drawn by the control
// itself (a frame in the given pen colour and the caption), as the main window asks.
#pragma once

#include <QColor>
#include <QString>
#include <QTabBar>
#include <QWidget>
#include <vector>

class QStackedWidget;

namespace app {

class TPageControl;

// One page. Its caption is the tab's text; the language file sets it through the Caption property.
class TTabSheet : public QWidget {
  Q_OBJECT
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)

 public:
  explicit TTabSheet(TPageControl* owner);

  QString Caption() const { return caption_; }
  void SetCaption(const QString& caption);
  int PageIndex() const { return pageIndex_; }
  // Part of the pages the control can show.
  bool PageVisible() const { return pageVisible_; }
  void SetPageVisible(bool on);
  bool TabVisible() const { return tabVisible_; }
  void SetTabVisible(bool on);

 private:
  friend class TPageControl;
  TPageControl* owner_;
  QString caption_;
  int pageIndex_ = -1;
  bool pageVisible_ = true;
  bool tabVisible_ = true;
};

// The tab bar of the control, drawing each tab as a frame and its caption.
class TPageTabBar : public QTabBar {
  Q_OBJECT

 public:
  explicit TPageTabBar(QWidget* parent = nullptr) : QTabBar(parent) {}
  void SetPenColor(const QColor& color);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor pen_ = Qt::black;
};

class TPageControl : public QWidget {
  Q_OBJECT

 public:
  explicit TPageControl(QWidget* parent = nullptr);

  // Appends a new page (index = PageCount() - 1 afterwards); the control owns it.
  TTabSheet* AddPage();
  int PageCount() const { return static_cast<int>(pages_.size()); }
  TTabSheet* Page(int index) const;

  // The page shown, or -1 when the control shows none.
  int ActivePageIndex() const { return active_; }
  TTabSheet* ActivePage() const { return Page(active_); }
  // Shows page `index` (made part of the visible pages); silent. -1 shows none.
  void SetActivePageIndex(int index);

  // The pages whose tab the bar shows, in page order.
  std::vector<int> TabPages() const;
  void SetTabPenColor(const QColor& color) { tabs_->SetPenColor(color); }
  TPageTabBar* TabBar() const { return tabs_; }

 signals:
  // The user chose another page.
  void Change();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  friend class TTabSheet;
  void RebuildTabs();
  void Relayout();
  void TabClicked(int tab);
  void UserSelects(int index);

  TPageTabBar* tabs_;
  QStackedWidget* stack_;
  QWidget* empty_;
  std::vector<TTabSheet*> pages_;
  std::vector<int> tabPages_;  // page index of each tab of the bar
  int active_ = -1;
  bool rebuilding_ = false;
};

}  // namespace app
