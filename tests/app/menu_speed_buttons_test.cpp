#include "app/menu_speed_buttons.h"

#include <gtest/gtest.h>

#include <QMenu>
#include <QTest>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

namespace {

using app::TVexaMenuPlacing;

// A window at a known place with room around its buttons for the menus.
struct Bar {
  QWidget window;
  Bar() {
    window.setGeometry(100, 100, 300, 200);
    window.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
  }
};

// Closes the next menu that opens, noting where it stood and what the log said at that moment.
struct MenuWatch {
  QPoint topLeft{-1, -1};
  int shown = 0;
  void Arm(QMenu* menu, std::vector<std::string>* log, QAbstractButton* button) {
    QObject::connect(menu, &QMenu::aboutToShow, menu, [=, this] {
      ++shown;
      log->push_back(button->isDown() ? "menu (button down)" : "menu (button up)");
      QTimer::singleShot(0, menu, [=, this] {
        topLeft = menu->geometry().topLeft();
        menu->close();
      });
    });
  }
};

TEST(TVexaMenuSpeedButton, DropsItsMenuAtTheChosenCornerAfterItsClick) {
  struct Case {
    TVexaMenuPlacing placing;
    QPoint corner;
  };
  const Case cases[] = {{TVexaMenuPlacing::mpTopLeft, {0, 0}},
                        {TVexaMenuPlacing::mpBottomLeft, {0, 22}},
                        {TVexaMenuPlacing::mpTopRight, {24, 0}},
                        {TVexaMenuPlacing::mpBottomRight, {24, 22}}};
  for (const Case& c : cases) {
    for (bool release : {false, true}) {
      Bar bar;
      auto* button = new app::TVexaMenuSpeedButton(&bar.window);
      button->setGeometry(40, 30, 24, 22);
      button->show();
      QMenu menu;
      menu.addAction("Snap to grid");
      std::vector<std::string> log;
      MenuWatch watch;
      watch.Arm(&menu, &log, button);
      button->SetActiveMenu(&menu);
      button->SetMenuPlacing(c.placing);
      button->SetReleaseButton(release);
      button->OnClick = [&] { log.push_back("click"); };

      QTest::mouseClick(button, Qt::LeftButton);
      const std::string expectedMenu = release ? "menu (button up)" : "menu (button down)";
      EXPECT_EQ(log, (std::vector<std::string>{"click", expectedMenu})) << int(c.placing);
      EXPECT_EQ(watch.topLeft, button->mapToGlobal(c.corner)) << int(c.placing);
      EXPECT_FALSE(button->isDown());
    }
  }
}

TEST(TVexaMenuSpeedButton, WithoutItsMenuOrReleasedOutsideIt) {
  Bar bar;
  auto* button = new app::TVexaMenuSpeedButton(&bar.window);
  button->setGeometry(40, 30, 24, 22);
  button->show();
  int clicks = 0;
  button->OnClick = [&] { ++clicks; };
  auto menu = std::make_unique<QMenu>();
  button->SetActiveMenu(menu.get());
  menu.reset();
  EXPECT_EQ(button->ActiveMenu(), nullptr);
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_EQ(clicks, 1);

  // Pressed and released outside: nothing runs, nothing drops.
  QMenu other;
  int shown = 0;
  QObject::connect(&other, &QMenu::aboutToShow, [&] { ++shown; });
  button->SetActiveMenu(&other);
  QTest::mousePress(button, Qt::LeftButton);
  QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(100, 5));
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(shown, 0);
  EXPECT_FALSE(button->isDown());

  // A right click neither clicks nor drops the menu; the mouse handlers still see it.
  std::vector<Qt::MouseButton> downs;
  button->OnMouseDown = [&](Qt::MouseButton b, Qt::KeyboardModifiers, QPoint) { downs.push_back(b); };
  QTest::mouseClick(button, Qt::RightButton);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(shown, 0);
  EXPECT_EQ(downs, std::vector<Qt::MouseButton>{Qt::RightButton});
  button->SetGroupIndex(3);
  EXPECT_EQ(button->GroupIndex(), 0);
}

struct SplitButton {
  Bar bar;
  app::TVexaLinkedSpeedButton* left = new app::TVexaLinkedSpeedButton(&bar.window);
  app::TVexaLinkedMenuSpeedButton* arrow = new app::TVexaLinkedMenuSpeedButton();
  QMenu menu;
  int commands = 0, arrowClicks = 0, menusShown = 0;

  SplitButton() {
    left->setGeometry(40, 30, 24, 22);
    left->show();
    left->SetMenuButton(arrow);
    menu.addAction("Trim");
    arrow->SetActiveMenu(&menu);
    left->OnClick = [this] { ++commands; };
    arrow->OnClick = [this] { ++arrowClicks; };
    QObject::connect(&menu, &QMenu::aboutToShow, &menu, [this] {
      ++menusShown;
      QTimer::singleShot(0, &menu, [this] { menu.close(); });
    });
  }
  void Move(QPoint pos) {
    // A move with the left button held, as a drag sends it.
    QMouseEvent move(QEvent::MouseMove, pos, left->mapToGlobal(pos), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(left, &move);
  }
};

TEST(TVexaLinkedSpeedButton, ArrowPartStandsAtTheRightEdgeAndFollows) {
  SplitButton s;
  EXPECT_EQ(s.arrow->parentWidget(), &s.bar.window);
  EXPECT_TRUE(s.arrow->isVisible());
  EXPECT_EQ(s.arrow->geometry(), QRect(64, 30, 14, 22));
  s.left->setGeometry(10, 5, 30, 26);
  EXPECT_EQ(s.arrow->geometry(), QRect(40, 5, 14, 26));
  s.arrow->move(200, 100);  // its own bounds follow the linked part
  EXPECT_EQ(s.arrow->geometry(), QRect(40, 5, 14, 26));

  s.left->SetFlat(true);
  EXPECT_TRUE(s.arrow->Flat());
  s.arrow->SetFlat(false);
  EXPECT_TRUE(s.arrow->Flat());
  s.left->setEnabled(false);
  EXPECT_FALSE(s.arrow->isEnabled());
  s.arrow->setEnabled(true);
  EXPECT_FALSE(s.arrow->isEnabled());
  s.left->setEnabled(true);
  EXPECT_TRUE(s.arrow->isEnabled());

  // Unlinking and relinking; freeing either part leaves the other whole.
  auto* second = new app::TVexaLinkedSpeedButton(&s.bar.window);
  second->setGeometry(100, 60, 20, 20);
  second->SetMenuButton(s.arrow);
  EXPECT_EQ(s.left->MenuButton(), nullptr);
  EXPECT_EQ(s.arrow->LinkedButton(), second);
  EXPECT_EQ(s.arrow->geometry(), QRect(120, 60, 14, 20));
  delete second;
  EXPECT_EQ(s.arrow->LinkedButton(), nullptr);
  s.left->SetMenuButton(s.arrow);
  delete s.arrow;
  EXPECT_EQ(s.left->MenuButton(), nullptr);
  QTest::mouseClick(s.left, Qt::LeftButton);
  EXPECT_EQ(s.commands, 1);
}

TEST(TVexaLinkedSpeedButton, PressSlideOntoTheArrowAndReleaseRunsTheCommand) {
  SplitButton s;
  QTest::mousePress(s.left, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_TRUE(s.left->isDown());
  EXPECT_TRUE(s.arrow->isDown());
  EXPECT_TRUE(s.arrow->RelayMode());
  EXPECT_FALSE(s.arrow->OnClick);  // put aside while relaying

  s.Move(QPoint(30, 5));  // over the arrow part
  EXPECT_TRUE(s.left->isDown());
  EXPECT_TRUE(s.arrow->isDown());
  QTest::mouseRelease(s.left, Qt::LeftButton, {}, QPoint(30, 5));
  EXPECT_EQ(s.commands, 1);
  EXPECT_EQ(s.arrowClicks, 0);
  EXPECT_EQ(s.menusShown, 0);
  EXPECT_FALSE(s.left->isDown());
  EXPECT_FALSE(s.arrow->isDown());
  EXPECT_FALSE(s.arrow->RelayMode());

  // Out of both parts both pop up, back in both go down again; released outside nothing runs.
  QTest::mousePress(s.left, Qt::LeftButton, {}, QPoint(5, 5));
  s.Move(QPoint(80, 40));
  EXPECT_FALSE(s.left->isDown());
  EXPECT_FALSE(s.arrow->isDown());
  s.Move(QPoint(5, 5));
  EXPECT_TRUE(s.left->isDown());
  EXPECT_TRUE(s.arrow->isDown());
  s.Move(QPoint(80, 40));
  QTest::mouseRelease(s.left, Qt::LeftButton, {}, QPoint(80, 40));
  EXPECT_EQ(s.commands, 1);

  // A plain click on the left part runs the command once; on the arrow part it drops the menu after
  // the arrow's own click, with its handlers back.
  QTest::mouseClick(s.left, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(s.commands, 2);
  QTest::mouseClick(s.arrow, Qt::LeftButton);
  EXPECT_EQ(s.arrowClicks, 1);
  EXPECT_EQ(s.menusShown, 1);
  EXPECT_EQ(s.commands, 2);
}

TEST(TVexaLinkedMenuSpeedButton, DefaultGlyph) {
  app::TVexaLinkedMenuSpeedButton arrow;
  EXPECT_EQ(arrow.width(), 14);
  EXPECT_TRUE(arrow.UseDefaultGlyph());
  EXPECT_FALSE(arrow.Glyph().isNull());
  QPixmap mine(8, 8);
  mine.fill(Qt::red);
  arrow.SetGlyph(mine);
  EXPECT_FALSE(arrow.UseDefaultGlyph());
  arrow.SetUseDefaultGlyph(true);
  EXPECT_EQ(arrow.Glyph().size(), QSize(5, 3));
  arrow.SetUseDefaultGlyph(false);
  EXPECT_TRUE(arrow.Glyph().isNull());
}

}  // namespace
