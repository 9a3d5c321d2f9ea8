// The viewport: its view window and conversions, repainting into the buffer and showing it, the grid
// and axes, the painting thread and its deadlocks, and what the widget shows from its paint events.
#include "cad/viewport.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPixmap>

#include <chrono>
#include <cmath>
#include <thread>

#include "platform/gui_calls.h"
#include "viewport_test_support.h"

namespace cad {
namespace {

void ExpectWindow(const TRect2D& w, double x1, double y1, double x2, double y2, const char* what) {
  EXPECT_DOUBLE_EQ(w.First.X, x1) << what;
  EXPECT_DOUBLE_EQ(w.First.Y, y1) << what;
  EXPECT_DOUBLE_EQ(w.Second.X, x2) << what;
  EXPECT_DOUBLE_EQ(w.Second.Y, y2) << what;
}

TEST(ViewportDefaultsTest, ACreatedViewportHasThePublishedDefaults) {
  TKQViewport2D v;
  EXPECT_EQ(v.AspectRatio(), 0.0);
  EXPECT_EQ(v.RubberPenColor(), platform::clRed);
  EXPECT_EQ(v.ControlPointsColor(), platform::clBlack);
  EXPECT_EQ(v.BackGroundColor(), platform::clSilver);
  EXPECT_EQ(v.GridColor(), platform::clGray);
  EXPECT_FALSE(v.GridOnTop());
  EXPECT_EQ(v.GridDeltaX() + v.GridDeltaY() + v.GridSubX() + v.GridSubY(), 0.0);
  EXPECT_EQ(v.ControlPointsWidth(), 6);
  EXPECT_FALSE(v.ShowControlPoints() || v.ShowGrid() || v.ShowAssi() || v.IsMM() || v.UsePaintingThread() ||
               v.IsTransparent());
  EXPECT_EQ(v.CopingFrequency(), 0);
  EXPECT_EQ(v.DrawMode(), 0);
  EXPECT_EQ(v.width(), 50);
  EXPECT_EQ(v.height(), 50);
  ExpectWindow(v.VisibleWindow(), 0, 0, 100, 100, "visible window");
  EXPECT_TRUE(IsSameTransform2D(v.GetViewportToScreen(), IdentityTransform2D));
  EXPECT_EQ(v.RubberPen(), (platform::Pen{platform::clRed ^ platform::clSilver, 2, platform::PenStyle::Solid,
                                          platform::PenMode::Xor}));
  EXPECT_EQ(v.PickClass, ClassOf<TObject2D>());
  EXPECT_EQ(v.CADCmp(), nullptr);
}

TEST_F(ViewportTest, WindowZoomShiftAndScale) {
  int mappings = 0;
  view->OnViewMappingChanged = [&](TKQViewport&) { ++mappings; };
  view->ShowWindowRect(Rect2D(5, 5, 5, 10));
  ExpectWindow(view->VisibleWindow(), 0, 0, 100, 100, "a window without width is ignored");
  EXPECT_EQ(mappings, 0);
  view->ShowWindowRect(Rect2D(10, 10, 0, 0));
  ExpectWindow(view->VisibleWindow(), 0, 0, 10, 10, "an inverted window is put in order");
  EXPECT_EQ(mappings, 1);
  view->ShowWindowRect(Rect2D(0, 0, std::nan(""), 7));
  ExpectWindow(view->VisibleWindow(), 0, 0, 10, 10, "a window that is not a number is ignored");

  view->ShowWindowRect(Rect2D(0, 0, 100, 100));
  view->ZoomIn();
  ExpectWindow(view->VisibleWindow(), 25, 25, 75, 75, "zoom in");
  view->ShowWindowRect(Rect2D(0, 0, 100, 100));
  view->ZoomOut();
  ExpectWindow(view->VisibleWindow(), -25, -25, 125, 125, "zoom out");
  view->ShiftWindow(10, -5);
  ExpectWindow(view->VisibleWindow(), -15, -30, 135, 120, "shift");

  // With an aspect ratio the window takes the screen's shape (200 x 100 pixels).
  view->resize(200, 100);
  view->SetAspectRatio(1);
  view->ShowWindowRect(Rect2D(0, 0, 100, 100));
  ExpectWindow(view->VisibleWindow(), 0, 0, 200, 100, "widened to the screen");

  // A scale of 2 units a millimetre on a canvas of 10 pixels a millimetre.
  view->SetAspectRatio(0);
  platform::Canvas printer(10, 10);
  printer.Image().setDotsPerMeterX(10000);
  printer.Image().setDotsPerMeterY(10000);
  view->SetScale(printer, 2, 2);
  ExpectWindow(view->VisibleWindow(), 0, 0, 2 * 0.1 * 200, 2 * 0.1 * 100, "scaled");
  view->SetScale(printer, 0, 2);
  ExpectWindow(view->VisibleWindow(), 0, 0, 40, 20, "a scale of 0 changes nothing");
}

TEST_F(ViewportTest, ConversionsAndFarOffPoints) {
  view->ShowWindowRect(Rect2D(-50, -50, 50, 50));
  const TPoint2D screen = view->ViewportToScreen(Point2D(25, 25));
  EXPECT_DOUBLE_EQ(screen.X, 74.5);
  EXPECT_DOUBLE_EQ(screen.Y, 24.5) << "the drawing's Y runs up, the screen's down";
  const TPoint2D back = CartesianPoint2D(view->ScreenToViewport(screen));
  EXPECT_NEAR(back.X, 25, 1e-12);
  EXPECT_NEAR(back.Y, 25, 1e-12);
  EXPECT_DOUBLE_EQ(view->GetPixelAperture().X, 1);
  EXPECT_DOUBLE_EQ(view->PixelsToUnits(10), 10);

  // Far-off points saturate instead of wrapping round an int; what is drawn there stays bounded.
  for (double far : {1e12, -1e300, 1e308}) {
    const platform::Point p = view->ViewportToPixel(Point2D(far, far));
    EXPECT_LE(std::abs(double(p.X)), 1e9) << far;
    EXPECT_LE(std::abs(double(p.Y)), 1e9) << far;
    EXPECT_EQ(p.X > 0, far > 0) << far;
  }
  EXPECT_EQ(view->ViewportToPixel(Point2D(std::nan(""), 0)).X, 0);
  TLine2D far(-1, Point2D(-1e15, 1), Point2D(1e15, 1));
  far.UpdateAndNotify();
  view->DrawRubberObject(far, false);
  EXPECT_GT(CountPixels(view->ScreenImage(), view->RubberPen().Color ^ platform::clSilver), 50);
}

TEST_F(ViewportTest, AnEmptyClientAreaKeepsTheWindowUntilItHasASizeAgain) {
  view->SetAspectRatio(1);
  view->ShowWindowRect(Rect2D(0, 0, 100, 100));
  const TTransform2D before = view->GetViewportToScreen();
  view->resize(0, 100);
  view->ShowWindowRect(Rect2D(0, 0, 50, 50));
  ExpectWindow(view->VisibleWindow(), 0, 0, 50, 50, "kept while empty");
  view->resize(100, 0);
  view->resize(100, 100);
  ExpectWindow(view->VisibleWindow(), 0, 0, 50, 50, "the window comes back finite");
  EXPECT_FALSE(IsSameTransform2D(view->GetViewportToScreen(), before)) << "and the view is built for it";
  EXPECT_DOUBLE_EQ(view->GetPixelAperture().X, 0.5);
}

TEST_F(ViewportTest, RepaintCopiesToTheScreenEveryCopingFrequencyObjects) {
  for (int i = 0; i < 12; ++i) AddLine(i * 5, 10, i * 5, 90);
  struct Case {
    int frequency;
    int copies;
  };
  // Counted outside the loop: the handlers outlive each case.
  int paints = 0, ends = 0;
  view->OnPaint = [&](TKQViewport&) { ++paints; };
  view->OnEndRedraw = [&](TKQViewport&) { ++ends; };
  for (const Case c : {Case{0, 1}, Case{5, 3}, Case{1, 13}, Case{12, 2}}) {
    view->SetCopingFrequency(c.frequency);
    const uint64_t before = view->ScreenCopies();
    paints = ends = 0;
    view->Repaint();
    EXPECT_EQ(view->ScreenCopies() - before, uint64_t(c.copies)) << "frequency " << c.frequency;
    EXPECT_EQ(paints, 1) << "OnPaint only after the last copy";
    EXPECT_EQ(ends, 1);
  }
  EXPECT_EQ(BufferAt(25, 50), kLineColor);
  EXPECT_EQ(ScreenAt(25, 50), kLineColor);

  // Between BeginUpdate and EndUpdate nothing is drawn.
  view->BeginUpdate();
  AddLine(0, 50, 100, 50);
  view->Repaint();
  EXPECT_EQ(BufferAt(52, 50), platform::clSilver);
  view->EndUpdate();
  EXPECT_EQ(BufferAt(52, 50), kLineColor);

  // Drawing mode 1 draws no objects; OnClearCanvas clears instead of the viewport.
  view->SetDrawMode(TKQViewport::kDrawModeNoObjects);
  view->Repaint();
  EXPECT_EQ(BufferAt(52, 50), platform::clSilver);
  view->SetDrawMode(0);
  TRect2D cleared;
  view->SetOnClearCanvas([&](TKQViewport&, TDecorativeCanvas&, platform::TColor, const TRect2D& r) { cleared = r; });
  EXPECT_EQ(cleared, view->VisibleWindow()) << "setting it repaints";
}

TEST_F(ViewportTest, PropertyWritersRepaintWhenTheValueChanges) {
  int repaints = 0;
  view->OnEndRedraw = [&](TKQViewport&) { ++repaints; };
  struct Case {
    const char* name;
    std::function<void()> write;
    int repaints;
  };
  const Case cases[] = {
      {"GridDeltaX", [&] { view->SetGridDeltaX(5); }, 1},
      {"GridDeltaX again", [&] { view->SetGridDeltaX(5); }, 0},
      {"GridDeltaY", [&] { view->SetGridDeltaY(5); }, 1},
      {"GridSubX", [&] { view->SetGridSubX(2); }, 1},
      {"GridSubY", [&] { view->SetGridSubY(2); }, 1},
      {"GridColor", [&] { view->SetGridColor(platform::clNavy); }, 1},
      {"ShowGrid", [&] { view->SetShowGrid(true); }, 1},
      {"ShowAssi", [&] { view->SetShowAssi(true); }, 1},
      {"BackGroundColor", [&] { view->SetBackGroundColor(platform::clWhite); }, 1},
      {"RubberPenColor", [&] { view->SetRubberPenColor(platform::clBlue); }, 0},
      {"IsMM", [&] { view->SetIsMM(true); }, 0},
  };
  for (const Case& c : cases) {
    repaints = 0;
    c.write();
    EXPECT_EQ(repaints, c.repaints) << c.name;
  }
  EXPECT_EQ(view->RubberPen().Color, platform::clBlue ^ platform::clWhite) << "the pen follows both colours";
}

TEST_F(ViewportTest, AGridStepOfTenPixelsIsNotDrawnAndOfElevenIs) {
  view->SetShowGrid(true);
  view->SetGridColor(platform::clNavy);
  view->SetGridDeltaX(10);
  view->SetGridDeltaY(10);
  EXPECT_EQ(CountPixels(view->ScreenImage(), platform::clNavy), 0);
  view->SetGridDeltaX(11);
  view->SetGridDeltaY(11);
  EXPECT_GT(CountPixels(view->ScreenImage(), platform::clNavy), 0);
  for (int k = 1; k <= 9; ++k) {
    EXPECT_TRUE(ColumnHas(view->ScreenImage(), Pixel(11 * k, 0).X, platform::clNavy)) << "vertical line " << k;
    EXPECT_TRUE(RowHas(view->ScreenImage(), Pixel(0, 11 * k).Y, platform::clNavy)) << "horizontal line " << k;
  }
  EXPECT_FALSE(ColumnHas(view->ScreenImage(), Pixel(16.5, 0).X, platform::clNavy)) << "nothing between lines";
  // The sub-grid's steps of 5.5 pixels are too fine; the main grid stays.
  const int main = CountPixels(view->ScreenImage(), platform::clNavy);
  view->SetGridSubX(2);
  view->SetGridSubY(2);
  EXPECT_EQ(CountPixels(view->ScreenImage(), platform::clNavy), main);
  view->SetGridDeltaX(22);
  view->SetGridDeltaY(22);
  EXPECT_TRUE(ColumnHas(view->ScreenImage(), Pixel(11, 0).X, platform::clNavy)) << "the sub-grid at 11";

  // The grid on top covers a line; under it, the line covers the grid.
  view->SetGridSubX(0);
  view->SetGridDeltaX(11);
  view->SetGridDeltaY(11);
  AddLine(0, 33, 100, 33);
  view->Repaint();
  auto lineRowColors = [&] {
    const int y = Pixel(0, 33).Y;
    return std::pair{CountPixels(view->ScreenImage(), kLineColor, QRect(0, y, 100, 1)),
                     CountPixels(view->ScreenImage(), platform::clNavy, QRect(0, y, 100, 1))};
  };
  EXPECT_EQ(lineRowColors().second, 0);
  view->SetGridOnTop(true);
  view->Repaint();
  EXPECT_GT(lineRowColors().second, 0);
}

TEST_F(ViewportTest, AxesWithIconAndScaleBar) {
  view->ShowWindowRect(Rect2D(-50, -50, 50, 50));
  view->SetGridColor(platform::clNavy);
  view->SetShowAssi(true);
  const platform::Point origin = Pixel(0, 0);
  EXPECT_TRUE(RowHas(view->ScreenImage(), origin.Y, platform::clNavy)) << "X axis";
  EXPECT_TRUE(ColumnHas(view->ScreenImage(), origin.X, platform::clNavy)) << "Y axis";
  EXPECT_EQ(ScreenAt(40, 0), platform::clNavy);
  // The yellow icon in the lower left corner, the scale bar to the right.
  const QImage& screen = view->ScreenImage();
  EXPECT_GT(CountPixels(screen, platform::clYellow, QRect(0, 50, 45, 50)), 20);
  const int barY = Pixel(0, -50 + 3).Y;
  EXPECT_EQ(ScreenAt(-50 + 90, -50 + 3), platform::clYellow) << "the bar at 90 % of the width";
  EXPECT_GT(CountPixels(screen, platform::clYellow, QRect(80, barY - 16, 20, 14)), 5) << "the length above it";
  // Unit and number are text: switching the unit changes what is written.
  const QImage inches = screen.copy();
  view->SetIsMM(true);
  view->Repaint();
  EXPECT_NE(view->ScreenImage().copy(QRect(80, barY - 16, 20, 30)), inches.copy(QRect(80, barY - 16, 20, 30)));
}

TEST_F(ViewportTest, TheWidgetShowsTheScreenImageFromItsPaintEvents) {
  AddLine(10, 50, 90, 50);
  view->Repaint();
  QImage shown = view->grab().toImage();
  EXPECT_EQ(PixelOf(shown, Pixel(50, 50).X, Pixel(50, 50).Y), kLineColor);
  // Something drawn on the screen canvas alone is shown too, and the buffer does not have it.
  platform::Canvas& screen = view->ScreenCanvas().Canvas();
  screen.SetPen({platform::clBlue, 1, platform::PenStyle::Solid, platform::PenMode::Copy});
  screen.MoveTo(20, 0);
  screen.LineTo(20, 100);
  view->ShowScreen();
  shown = view->grab().toImage();
  EXPECT_EQ(PixelOf(shown, 20, 10), platform::clBlue);
  EXPECT_EQ(PixelOf(view->BufferImage(), 20, 10), platform::clSilver);
  view->Refresh();
  EXPECT_EQ(PixelOf(view->grab().toImage(), 20, 10), platform::clSilver) << "a refresh shows the buffer again";

  // A transparent viewport lets its parent show where the background is.
  QWidget parent;
  QPalette palette = parent.palette();
  palette.setColor(QPalette::Window, QColor(0, 0, 255));
  parent.setPalette(palette);
  parent.setAutoFillBackground(true);
  parent.resize(100, 100);
  view->setParent(&parent);
  view->move(0, 0);
  view->SetIsTransparent(true);
  parent.show();
  shown = parent.grab().toImage();
  EXPECT_EQ(PixelOf(shown, 20, 10), platform::clBlue);
  EXPECT_EQ(PixelOf(shown, Pixel(50, 50).X, Pixel(50, 50).Y), kLineColor);
  view->setParent(nullptr);
}

TEST_F(ViewportTest, CopyToCanvasLeavesTheViewAsItWas) {
  AddLine(0, 0, 200, 100);
  view->ShowWindowRect(Rect2D(0, 0, 10, 10));
  platform::Canvas target(100, 100);
  view->CopyToCanvas(target, 0, 0, 0, TKQViewport::kCopyExtension);
  ExpectWindow(view->VisibleWindow(), 0, 0, 10, 10, "the view's window");
  EXPECT_GT(CountPixels(target.Image(), kLineColor), 60) << "the whole line, fitted";
  EXPECT_EQ(BufferAt(5, 2.5), kLineColor) << "the view repainted";
}

// --- The painting thread ---

class PaintingViewportTest : public ViewportTest {
 protected:
  void SetUp() override {
    ViewportTest::SetUp();
    for (int i = 0; i < 400; ++i) AddLine(i % 100, 0, 100 - i % 100, 100);
    view->OnPaint = [this](TKQViewport&) { ++paints; };
    view->OnEndRedraw = [this](TKQViewport&) { ++ends; };
    view->SetUsePaintingThread(true);
  }
  int paints = 0;
  int ends = 0;
};

TEST_F(PaintingViewportTest, RepaintReturnsAtOnceAndTheThreadEndsWithItsEvents) {
  view->SetCopingFrequency(50);
  view->Repaint();
  EXPECT_TRUE(view->IsPainting());
  const auto start = std::chrono::steady_clock::now();
  while (view->IsPainting() && std::chrono::steady_clock::now() - start < std::chrono::seconds(10))
    QCoreApplication::processEvents();
  EXPECT_FALSE(view->IsPainting());
  EXPECT_EQ(paints, 1);
  EXPECT_EQ(ends, 1);
  EXPECT_EQ(ScreenAt(50, 50), kLineColor) << "the last copy reached the screen";
  EXPECT_FALSE(drawing.HasIterators());

  view->Repaint();
  view->WaitForRepaint();
  EXPECT_FALSE(view->IsPainting());
  EXPECT_EQ(paints, 2);
  EXPECT_EQ(ends, 2);
}

TEST_F(PaintingViewportTest, NeitherACopyNorAStopDeadlocks) {
  // The thread copies after every object; the GUI thread meanwhile copies the buffer itself, under
  // the same lock, and serves the thread's copies as it goes.
  view->SetCopingFrequency(1);
  view->Repaint();
  for (int i = 0; i < 200 && view->IsPainting(); ++i) {
    view->CopyBufferToScreen(view->ClientRect(), false);
    platform::GuiCalls::Instance().Drain();
  }
  // Stopped while the thread waits for a copy nobody has served.
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  view->StopRepaint();
  EXPECT_FALSE(view->IsPainting());
  EXPECT_EQ(paints, 1) << "StopRepaint fires OnPaint";
  EXPECT_FALSE(drawing.HasIterators());
  QCoreApplication::processEvents();
  EXPECT_EQ(ends, 0) << "a stopped thread's end event does not come";
  // A change of what is shown stops a running repaint before it goes on.
  view->Repaint();
  view->SetGridDeltaX(3);
  view->WaitForRepaint();
  EXPECT_FALSE(view->IsPainting());
}

}  // namespace
}  // namespace cad
