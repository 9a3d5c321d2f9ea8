#include "app/page_control.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

namespace {

using app::TPageControl;

// Four pages, all visible with their tabs, as a page control starts.
struct Pages {
  TPageControl control;
  Pages() {
    control.resize(200, 300);
    for (int i = 0; i < 4; ++i) control.AddPage()->SetCaption(QStringLiteral("page %1").arg(i));
  }
  void Show(std::initializer_list<int> pages, bool tabs) {
    for (int i = 0; i < control.PageCount(); ++i) {
      control.Page(i)->SetPageVisible(false);
      control.Page(i)->SetTabVisible(false);
    }
    for (int p : pages) {
      control.Page(p)->SetPageVisible(true);
      control.Page(p)->SetTabVisible(tabs);
    }
  }
  void CtrlTab(bool back = false) {
    QKeyEvent key(QEvent::KeyPress, back ? Qt::Key_Backtab : Qt::Key_Tab,
                  back ? Qt::ControlModifier | Qt::ShiftModifier : Qt::ControlModifier);
    QApplication::sendEvent(&control, &key);
  }
};

TEST(PageControl, TabsOnlyForPagesWithTheirTabShown) {
  Pages p;
  EXPECT_EQ(p.control.TabPages(), (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(p.control.ActivePageIndex(), 0);

  // A wizard set: pages without tabs; the first visible page comes up when the shown one is hidden.
  p.Show({1, 2}, false);
  EXPECT_TRUE(p.control.TabPages().empty());
  EXPECT_TRUE(p.control.TabBar()->isHidden()) << "no tab to show, no tab bar";
  EXPECT_EQ(p.control.ActivePageIndex(), 1);
  p.control.SetActivePageIndex(2);
  EXPECT_EQ(p.control.ActivePageIndex(), 2);

  // One page with its tab, as the settings page is shown.
  p.Show({3}, true);
  EXPECT_EQ(p.control.TabPages(), std::vector<int>{3});
  EXPECT_FALSE(p.control.TabBar()->isHidden());
  EXPECT_EQ(p.control.TabBar()->tabText(0), "page 3");
  EXPECT_EQ(p.control.ActivePageIndex(), 3);
  p.control.Page(3)->SetCaption(QStringLiteral("Settings"));
  EXPECT_EQ(p.control.TabBar()->tabText(0), "Settings") << "a translated caption reaches the tab";

  p.Show({}, false);
  EXPECT_EQ(p.control.ActivePageIndex(), -1) << "no visible page, none shown";
  EXPECT_EQ(p.control.ActivePage(), nullptr);
}

TEST(PageControl, TabsAreFramedInThePenColour) {
  Pages p;
  p.Show({1, 2}, true);
  p.control.SetTabPenColor(QColor(255, 0, 0));
  p.control.show();
  QApplication::processEvents();
  const QImage tabs = p.control.TabBar()->grab().toImage();
  const QRect first = p.control.TabBar()->tabRect(0);
  // The frame runs from (left + 2, top + 2) to (right, bottom - 2) of the tab.
  EXPECT_EQ(tabs.pixelColor(first.left() + 2, first.top() + 2), QColor(255, 0, 0));
  EXPECT_EQ(tabs.pixelColor(first.right(), first.bottom() - 2), QColor(255, 0, 0));
  EXPECT_NE(tabs.pixelColor(first.left() + 1, first.top() + 1), QColor(255, 0, 0)) << "outside the frame";
}

TEST(PageControl, OnlyTheUsersChoiceSignalsAChange) {
  Pages p;
  struct {
    int n = 0;
    int count() const { return n; }
  } changes;
  QObject::connect(&p.control, &TPageControl::Change, [&] { ++changes.n; });
  p.control.SetActivePageIndex(2);
  EXPECT_EQ(changes.count(), 0) << "the program's own choice is silent";

  emit p.control.TabBar()->tabBarClicked(1);
  EXPECT_EQ(p.control.ActivePageIndex(), 1);
  EXPECT_EQ(changes.count(), 1);
  emit p.control.TabBar()->tabBarClicked(1);
  EXPECT_EQ(changes.count(), 1) << "choosing the shown page is no change";

  // The keyboard walks the visible pages, tabs or not, and wraps.
  p.Show({0, 2, 3}, false);
  p.control.SetActivePageIndex(2);
  p.CtrlTab();
  EXPECT_EQ(p.control.ActivePageIndex(), 3);
  p.CtrlTab();
  EXPECT_EQ(p.control.ActivePageIndex(), 0);
  p.CtrlTab(true);
  EXPECT_EQ(p.control.ActivePageIndex(), 3);
  EXPECT_EQ(changes.count(), 4);

  // From a field inside a page the keys reach the control too.
  auto* field = new QLineEdit(p.control.Page(3));
  QKeyEvent key(QEvent::KeyPress, Qt::Key_Tab, Qt::ControlModifier);
  QApplication::sendEvent(field, &key);
  EXPECT_EQ(p.control.ActivePageIndex(), 0);

  p.Show({1}, false);
  p.CtrlTab();
  EXPECT_EQ(p.control.ActivePageIndex(), 1) << "one page has nowhere to go";
}

}  // namespace
