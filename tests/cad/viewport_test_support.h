// Shared by the viewport and interaction-program tests: a shown 100 x 100 2D viewport over a drawing
// (window (0, 0)-(100, 100), so one drawing unit is one pixel), and pixel helpers on its images.
#pragma once

#include <QCoreApplication>
#include <QImage>
#include <QMouseEvent>
#include <QtTest/QTest>

#include <memory>

#include "cad/drawing.h"
#include "cad/primitives2d.h"
#include "cad/viewport2d.h"
#include "entity_test_support.h"

namespace cad {

inline platform::TColor PixelOf(const QImage& image, int x, int y) {
  const QRgb p = image.pixel(x, y);
  return platform::RGBColor(uint8_t(qRed(p)), uint8_t(qGreen(p)), uint8_t(qBlue(p)));
}

inline int CountPixels(const QImage& image, platform::TColor color, QRect area = {}) {
  if (area.isNull()) area = image.rect();
  int n = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) n += PixelOf(image, x, y) == color;
  return n;
}

// Whether column x (row y with `row`) of the image holds a pixel of `color`.
inline bool ColumnHas(const QImage& image, int x, platform::TColor color) {
  return CountPixels(image, color, QRect(x, 0, 1, image.height())) > 0;
}
inline bool RowHas(const QImage& image, int y, platform::TColor color) {
  return CountPixels(image, color, QRect(0, y, image.width(), 1)) > 0;
}

// A mouse move over the widget carrying the buttons QTest holds. QTest's own move of an unpressed
// mouse only sets the cursor, which sends nothing when a previous test left it at that very place.
inline void MoveMouse(QWidget* widget, QPoint pos) {
  QMouseEvent move(QEvent::MouseMove, QPointF(pos), widget->mapToGlobal(QPointF(pos)), Qt::NoButton,
                   QTestPrivate::qtestMouseButtons, Qt::NoModifier);
  QCoreApplication::sendEvent(widget, &move);
}

class ViewportTest : public EntitiesTest {
 protected:
  static constexpr platform::TColor kLineColor = platform::clRed;

  void SetUp() override {
    EntitiesTest::SetUp();
    // QTest keeps the buttons it pressed from one test to the next (a double click or a press with
    // no release leaves its button held), and a later mouse move would carry them.
    QTestPrivate::qtestMouseButtons = Qt::NoButton;
    view = std::make_unique<TKQViewport2D>();
    view->SetCADCmp(&drawing);
    view->resize(100, 100);
    // Shown, so that resizing reaches it as on the screen.
    view->show();
    view->ShowWindowRect(Rect2D(0, 0, 100, 100));
    platform::Pen pen = drawing.Layers().Layer(0).Pen();
    pen.Color = kLineColor;
    drawing.Layers().Layer(0).SetPen(pen);
  }
  void TearDown() override {
    view.reset();
    EntitiesTest::TearDown();
  }

  TLine2D* AddLine(double x1, double y1, double x2, double y2) {
    return static_cast<TLine2D*>(drawing.AddObject(-1, std::make_unique<TLine2D>(-1, Point2D(x1, y1), Point2D(x2, y2))));
  }
  platform::Point Pixel(double x, double y) const { return view->ViewportToPixel(Point2D(x, y)); }
  platform::TColor ScreenAt(double x, double y) const {
    const platform::Point p = Pixel(x, y);
    return PixelOf(view->ScreenImage(), p.X, p.Y);
  }
  platform::TColor BufferAt(double x, double y) const {
    const platform::Point p = Pixel(x, y);
    return PixelOf(view->BufferImage(), p.X, p.Y);
  }

  TKQCmp2D drawing;
  std::unique_ptr<TKQViewport2D> view;
};

}  // namespace cad
