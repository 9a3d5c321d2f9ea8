#include "app/flat_menu.h"

#include <gtest/gtest.h>

#include <QMenu>
#include <QMenuBar>
#include <QStyleFactory>
#include <QTest>
#include <memory>

namespace {

using app::TColor;
using platform::RGBColor;

TEST(FlatMenuColors, Helpers) {
  EXPECT_EQ(app::Darken(RGBColor(100, 100, 100), 10), RGBColor(90, 92, 90));
  EXPECT_EQ(app::Darken(RGBColor(5, 5, 5), 10), RGBColor(0, 0, 0));
  EXPECT_EQ(app::Darken(RGBColor(250, 254, 250), -10), RGBColor(255, 255, 255));
  // Half to even: 127.5 -> 128, 77.5 -> 78.
  EXPECT_EQ(app::Lighten(RGBColor(0, 100, 255), 50), RGBColor(128, 178, 255));
  EXPECT_EQ(app::Lighten(RGBColor(0, 100, 200), 250), RGBColor(255, 255, 255));
  EXPECT_EQ(app::Lighten(platform::clBtnFace, 0), platform::SysColor(15));
  EXPECT_EQ(app::Grey(RGBColor(30, 60, 90), 20), RGBColor(80, 80, 80));
  EXPECT_EQ(app::Grey(RGBColor(250, 250, 250), 500), RGBColor(240, 240, 240));

  EXPECT_EQ(app::NearestColor(RGBColor(1, 2, 3), 24), RGBColor(1, 2, 3));
  EXPECT_EQ(app::NearestColor(RGBColor(14, 14, 14), 16), RGBColor(16, 12, 16));
  EXPECT_EQ(app::NearestColor(RGBColor(14, 14, 14), 15), RGBColor(16, 16, 16));
  EXPECT_EQ(app::NearestColor(RGBColor(200, 190, 180), 8), RGBColor(192, 192, 192));
  EXPECT_EQ(app::NearestColor(RGBColor(250, 248, 235), 8), RGBColor(255, 251, 240));

  EXPECT_EQ(app::GradientStep(0, 24), 0);
  EXPECT_EQ(app::GradientStep(1, 24), 3);
  EXPECT_EQ(app::GradientStep(29, 24), 87);
  EXPECT_EQ(app::GradientStep(30, 24), 88);
  EXPECT_EQ(app::GradientStep(500, 24), 96);
}

TEST(FlatMenuColors, WorkingColorsByDepthAndSource) {
  auto sys = [](int index) { return platform::SysColor(index); };
  app::FlatMenuProperties p;
  p.SelectColor = platform::clRed;
  p.SelectBorderColor = platform::clLime;
  p.Color = platform::clAqua;

  // System colours on a deep display.
  app::FlatMenuColors deep = app::WorkingColors(p, 32);
  EXPECT_TRUE(deep.Deep);
  EXPECT_EQ(deep.Item, app::Lighten(sys(15), 86));
  EXPECT_EQ(deep.IconColumn, app::Lighten(sys(15), 16));
  EXPECT_EQ(deep.Selection, app::Lighten(sys(13), 68));
  EXPECT_EQ(deep.SelectionFrame, sys(13));
  EXPECT_EQ(deep.Separator, app::Lighten(sys(16), 25));
  EXPECT_EQ(deep.CheckedAreaSelected, app::Lighten(sys(13), 50));
  EXPECT_EQ(deep.MenuBorder, app::Darken(sys(15), 90));

  // On a 256-colour display the selection is white with a highlight frame, whatever SelectColor says.
  app::FlatMenuColors palette = app::WorkingColors(p, 8);
  EXPECT_FALSE(palette.Deep);
  EXPECT_EQ(palette.Selection, platform::clWhite);
  EXPECT_EQ(palette.SelectionFrame, sys(13));
  EXPECT_EQ(palette.Item, platform::clWhite);
  EXPECT_EQ(palette.Separator, sys(16));
  EXPECT_EQ(palette.MenuBorder, sys(16));

  // Own colours are copied; the checked areas come from the selection colour; at 16 bits every
  // computed colour is one the display shows.
  p.UseSystemColors = false;
  app::FlatMenuColors own = app::WorkingColors(p, 16);
  EXPECT_EQ(own.Selection, platform::clRed);
  EXPECT_EQ(own.SelectionFrame, platform::clLime);
  EXPECT_EQ(own.Item, platform::clAqua);
  EXPECT_EQ(own.Disabled, sys(3));
  EXPECT_EQ(own.CheckedArea, app::NearestColor(app::Lighten(platform::clRed, 75), 16));
  EXPECT_EQ(app::WorkingColors(p, 8).CheckedAreaSelected, platform::clSilver);
}

TColor PixelAt(const QImage& image, int x, int y) {
  const QColor c = image.pixelColor(x, y);
  return RGBColor(c.red(), c.green(), c.blue());
}

struct MenuFixture {
  QWidget window;
  QMenu* menu = new QMenu(&window);
  QAction* open = menu->addAction("&Open");
  QAction* save = menu->addAction("Save");
  QAction* separator = menu->addSeparator();
  QAction* grid = menu->addAction("Show grid");
  app::TFlatMenu flat{&window};

  MenuFixture() {
    grid->setCheckable(true);
    grid->setChecked(true);
    flat.SetActive(true);
    menu->popup(QPoint(100, 100));
    EXPECT_TRUE(QTest::qWaitForWindowExposed(menu));
  }
  QImage Grab(QAction* active) {
    menu->setActiveAction(active);
    return menu->grab().toImage();
  }
};

TEST(TFlatMenu, PaintsSelectionSeparatorsAndIconColumn) {
  MenuFixture f;
  ASSERT_EQ(f.menu->style(), f.flat.Style());
  const app::FlatMenuColors c = f.flat.WorkingColors();
  const int iconWidth = f.flat.IconWidth();
  QImage image = f.Grab(f.save);

  const QRect s = f.menu->actionGeometry(f.save);
  const int mid = s.top() + s.height() / 2;
  EXPECT_EQ(PixelAt(image, s.right() - 3, mid), c.Selection);
  EXPECT_EQ(PixelAt(image, s.left(), mid), c.SelectionFrame);
  EXPECT_EQ(PixelAt(image, s.left() + 40, s.top()), c.SelectionFrame);
  EXPECT_EQ(PixelAt(image, s.right(), mid), c.SelectionFrame);
  EXPECT_EQ(PixelAt(image, s.left() + 40, s.bottom()), c.SelectionFrame);

  const QRect o = f.menu->actionGeometry(f.open);
  EXPECT_EQ(PixelAt(image, o.left() + 2, o.top() + 2), c.IconColumn);
  EXPECT_EQ(PixelAt(image, o.right() - 3, o.top() + 2), c.Item);

  // Every caption has the room it is painted in: 5 pixels past the icon column, 10 before the edge.
  const QFontMetrics metrics(f.flat.Font());
  for (QAction* action : f.menu->actions()) {
    if (action->isSeparator()) continue;
    const QString caption = action->text().section(QLatin1Char('\t'), 0, 0).remove(QLatin1Char('&'));
    EXPECT_GE(f.menu->actionGeometry(action).width(), iconWidth + 5 + metrics.horizontalAdvance(caption) + 10)
        << caption.toStdString();
  }

  // The separator: 4 pixels high, a line across its middle from 7 pixels past the icon column.
  const QRect sep = f.menu->actionGeometry(f.separator);
  EXPECT_EQ(sep.height(), 4);
  const int line = sep.top() + sep.height() / 2;
  EXPECT_EQ(PixelAt(image, sep.left() + iconWidth + 7, line), c.Separator);
  EXPECT_EQ(PixelAt(image, sep.right() - 2, line), c.Separator);
  EXPECT_EQ(PixelAt(image, sep.left() + iconWidth + 6, line), c.Item);
  EXPECT_EQ(PixelAt(image, sep.left() + iconWidth + 20, sep.top()), c.Item);
  EXPECT_EQ(PixelAt(image, sep.left() + 2, line), c.IconColumn);

  // A check mark: a box framed in the checked colour with a black tick inside.
  const QRect g = f.menu->actionGeometry(f.grid);
  int black = 0, frame = 0;
  for (int y = g.top(); y <= g.bottom(); ++y)
    for (int x = g.left(); x < g.left() + iconWidth; ++x) {
      const TColor p = PixelAt(image, x, y);
      black += p == platform::clBlack;
      frame += p == c.Checked;
    }
  EXPECT_GE(black, 10);
  EXPECT_GE(frame, 20);

  // On a 256-colour display: a white selection framed in the highlight colour.
  f.flat.SetDisplayDepth(8);
  app::FlatMenuProperties red = f.flat.Colors();
  red.SelectColor = platform::clRed;
  f.flat.SetColors(red);
  image = f.Grab(f.save);
  EXPECT_EQ(PixelAt(image, s.right() - 3, mid), platform::clWhite);
  EXPECT_EQ(PixelAt(image, s.left(), mid), platform::SysColor(13));
  EXPECT_EQ(PixelAt(image, sep.left() + iconWidth + 7, line), platform::SysColor(16));

  // Without DrawSelect the selected item looks like the others.
  f.flat.SetDisplayDepth(32);
  f.flat.SetDrawSelect(false);
  image = f.Grab(f.save);
  EXPECT_EQ(PixelAt(image, s.right() - 3, mid), f.flat.WorkingColors().Item);
}

TEST(TFlatMenu, TakesOnlyWhatIsFreeAndGivesItBack) {
  QWidget window;
  QMenuBar* bar = new QMenuBar(&window);
  QMenu* file = bar->addMenu("File");
  QMenu* own = new QMenu(&window);
  std::unique_ptr<QStyle> ownStyle(QStyleFactory::create("Fusion"));
  own->setStyle(ownStyle.get());
  app::TFlatMenu flat(&window);
  flat.SetActive(true);
  EXPECT_EQ(bar->style(), flat.Style());
  EXPECT_EQ(file->style(), flat.Style());
  EXPECT_EQ(own->style(), ownStyle.get());

  // A submenu added later is taken when its parent paints.
  QMenu* recent = file->addMenu("Recent");
  EXPECT_NE(recent->style(), flat.Style());
  file->popup(QPoint(10, 10));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(file));
  (void)file->grab();
  EXPECT_EQ(recent->style(), flat.Style());
  file->close();

  flat.SetActive(false);
  EXPECT_EQ(file->style(), QApplication::style());
  EXPECT_EQ(recent->style(), QApplication::style());
  EXPECT_EQ(own->style(), ownStyle.get());

  flat.SetOverrideOwnerDraw(true);
  flat.SetActive(true);
  EXPECT_EQ(own->style(), flat.Style());
  flat.SetActive(false);
  EXPECT_EQ(own->style(), QApplication::style());
}

}  // namespace
