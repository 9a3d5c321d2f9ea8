// The main window's 2D view driven by real mouse and key events: the pointer readout, the zoom
// window, the real-time pan, the crop rectangle, the "Z no cut" pick, the text edit by double click,
// and a screenshot of a loaded picture.
#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QToolButton>
#include <cmath>
#include <functional>

#include "cad/primitives2d.h"
#include "platform/bitmap_qimage.h"
#include "cad/vect_text2d.h"
#include "machining/nc_words.h"
#include "machining/relief.h"
#include "main_window_fixture.h"
#include "platform/numbers.h"

namespace {

using testing_support::MainWindowTest;
using testing_support::RecordingMain;

class View2DTest : public MainWindowTest {
 protected:
  cad::TKQViewport2D& View() const { return main_->VistaGrafica(); }
  // The pixel of a drawing point.
  QPoint At(double x, double y) const {
    const platform::Point p = View().ViewportToPixel(cad::Point2D(x, y));
    return {p.X, p.Y};
  }
  cad::TPoint2D DrawingPoint(QPoint pixel) const {
    return cad::CartesianPoint2D(View().ScreenToViewport(cad::Point2D(pixel.x(), pixel.y())));
  }
  cad::TRect2D Window() const { return View().VisibleWindow(); }

  void Mouse(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held,
             Qt::KeyboardModifiers modifiers = Qt::NoModifier) const {
    QMouseEvent event(type, QPointF(at), View().mapToGlobal(QPointF(at)), button, held, modifiers);
    QApplication::sendEvent(&View(), &event);
  }
  void Move(QPoint at, Qt::MouseButtons held = Qt::NoButton, Qt::KeyboardModifiers modifiers = Qt::NoModifier) const {
    Mouse(QEvent::MouseMove, at, Qt::NoButton, held, modifiers);
  }
  void LeftClick(QPoint at, Qt::KeyboardModifiers modifiers = Qt::NoModifier) const {
    Mouse(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton, modifiers);
    Mouse(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton, modifiers);
  }
  void DoubleClick(QPoint at) const {
    LeftClick(at);
    Mouse(QEvent::MouseButtonDblClick, at, Qt::LeftButton, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
  }
  void Key(int key) const {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(&View(), &press);
  }
  std::string Readout() const { return Get<QLabel>("nol_pnlStatus1")->text().toStdString(); }
  static std::string Readout(double x, double y) {
    return "X: " + platform::FormatPrintf("%6.3f", x) + " Y: " + platform::FormatPrintf("%6.3f", y);
  }
  bool PopupEnabled(const char* action) const {
    emit Get<QMenu>("PopupDestro")->aboutToShow();
    return Get<QAction>(action)->isEnabled();
  }
};

void ExpectWindow(const cad::TRect2D& got, const cad::TRect2D& want, const char* what) {
  EXPECT_NEAR(got.First.X, want.First.X, 1e-9) << what;
  EXPECT_NEAR(got.First.Y, want.First.Y, 1e-9) << what;
  EXPECT_NEAR(got.Second.X, want.Second.X, 1e-9) << what;
  EXPECT_NEAR(got.Second.Y, want.Second.Y, 1e-9) << what;
}

TEST_F(View2DTest, PointerReadoutFollowsTheMouseSnappedToTheGrid) {
  RecordingMain& w = StartShown();
  // The window keeps the visible window of the view, from (-10, -10) and widened to the view's shape.
  const app::View2DState& kept = w.View2D();
  EXPECT_EQ(kept.windowX1, -10.0);
  EXPECT_EQ(kept.windowY1, -10.0);
  EXPECT_GE(std::min(kept.windowX2, kept.windowY2), 290.0);
  EXPECT_NEAR((kept.windowX2 - kept.windowX1) / (kept.windowY2 - kept.windowY1),
              double(View().width()) / View().height(), 1e-9);
  ExpectWindow(Window(), cad::Rect2D(kept.windowX1, kept.windowY1, kept.windowX2, kept.windowY2), "the same");

  const QPoint at(103, 81);
  Move(at);
  const cad::TPoint2D p = DrawingPoint(at);
  EXPECT_EQ(Readout(), Readout(p.X, p.Y));
  Click("sbmSnap");
  Move(at);
  EXPECT_EQ(Readout(), Readout(10 * std::nearbyint(p.X / 10), 10 * std::nearbyint(p.Y / 10))) << "snapped";

  // Shift with the left button drags the drawing with the pointer.
  const cad::TRect2D before = Window();
  Mouse(QEvent::MouseButtonPress, {200, 200}, Qt::LeftButton, Qt::LeftButton, Qt::ShiftModifier);
  EXPECT_TRUE(w.DragPan());
  Move({230, 190}, Qt::LeftButton, Qt::ShiftModifier);
  const double dx = DrawingPoint({200, 200}).X - DrawingPoint({230, 200}).X;
  EXPECT_NEAR(Window().First.X, before.First.X + dx, 1e-9);
  EXPECT_LT(Window().First.Y, before.First.Y) << "the drawing follows the pointer up";
  Mouse(QEvent::MouseButtonRelease, {230, 190}, Qt::LeftButton, Qt::NoButton, Qt::ShiftModifier);
  EXPECT_FALSE(w.DragPan());
  EXPECT_FALSE(Get<QToolButton>("sbtPan")->isChecked());
}

TEST_F(View2DTest, ZoomWindowAndPanRunAsOperationsOfTheView) {
  RecordingMain& w = StartShown();
  // The context-menu request of the right button opens the view's menu.
  auto* menu = Get<QMenu>("PopupDestro");
  QContextMenuEvent request(QContextMenuEvent::Mouse, QPoint(50, 50), View().mapToGlobal(QPoint(50, 50)));
  QApplication::sendEvent(&View(), &request);
  EXPECT_TRUE(menu->isVisible());
  menu->hide();
  // Two clicks on one point leave the window; two apart show the framed window (widened to shape).
  for (bool samePoint : {true, false}) {
    const cad::TRect2D before = Window();
    Click("sbtZoomWin");
    EXPECT_EQ(w.InteractionMode(), 52);
    EXPECT_FALSE(PopupEnabled("mnuZoomWindow")) << "busy";
    const QPoint a(100, 300), b = samePoint ? a : QPoint(300, 100);
    const cad::TPoint2D first = DrawingPoint(a), second = DrawingPoint(b);
    LeftClick(a);
    Move(b, Qt::NoButton);
    LeftClick(b);
    EXPECT_FALSE(w.LocalPrg().IsBusy());
    EXPECT_FALSE(Get<QToolButton>("sbtZoomWin")->isChecked());
    EXPECT_EQ(w.InteractionMode(), 999);
    if (samePoint) {
      ExpectWindow(Window(), before, "one point");
    } else {
      EXPECT_NEAR(Window().First.X, first.X, 1e-9);
      EXPECT_NEAR(Window().First.Y, first.Y, 1e-9);
      EXPECT_NEAR(Window().Second.X, second.X, 1e-9);
      EXPECT_GE(Window().Second.Y, second.Y - 1e-9);
    }
  }

  // Pan: the drawing follows the pointer; Enter keeps the new window, Esc gives the old one back.
  for (int key : {Qt::Key_Return, Qt::Key_Escape}) {
    const cad::TRect2D before = Window();
    Click("sbtPan");
    EXPECT_TRUE(w.PanMode());
    EXPECT_TRUE(PopupEnabled("btnCancel"));
    EXPECT_FALSE(PopupEnabled("mnuPan")) << "busy";
    Click("sbtPan");
    EXPECT_TRUE(Get<QToolButton>("sbtPan")->isChecked()) << "a second pan is refused, the button stays down";
    const double dx = DrawingPoint({100, 100}).X - DrawingPoint({140, 100}).X;
    Mouse(QEvent::MouseButtonPress, {100, 100}, Qt::LeftButton, Qt::LeftButton);
    Move({120, 100}, Qt::LeftButton);
    Move({140, 100}, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, {140, 100}, Qt::LeftButton, Qt::NoButton);
    const cad::TRect2D panned = Window();
    EXPECT_NEAR(panned.First.X, before.First.X + dx, 1e-9);
    EXPECT_NEAR(panned.First.Y, before.First.Y, 1e-9);
    Key(key);
    EXPECT_FALSE(w.LocalPrg().IsBusy());
    EXPECT_FALSE(w.PanMode());
    EXPECT_FALSE(Get<QToolButton>("sbtPan")->isChecked());
    ExpectWindow(Window(), key == Qt::Key_Return ? panned : before, key == Qt::Key_Return ? "Enter" : "Esc");
  }
}

TEST_F(View2DTest, CropRectangleByClicksOrADragFeedsTheCutCommand) {
  RecordingMain& w = StartShown();
  Open(WritePicture("pictures/crop.bmp", 100, 50));
  Click("sbtModify");
  EXPECT_TRUE(w.LocalPrg().IsBusy());
  EXPECT_FALSE(Enabled("sbtCutSel"));
  // Drawing units per pixel: 99 / 99 = 1, the picture at (0, 0).
  LeftClick(At(10, 10));
  Move(At(50, 30));
  EXPECT_FALSE(Enabled("sbtCutSel")) << "one corner";
  const cad::TPoint2D first = DrawingPoint(At(10, 10)), second = DrawingPoint(At(50, 30));
  EXPECT_EQ(Get<QLineEdit>("txtCutDx")->text().toStdString(),
            machining::FormatPlainNumber(static_cast<float>(second.X - first.X), false));
  LeftClick(At(50, 30));
  EXPECT_TRUE(w.CropAreaReady());
  Click("sbtCutSel");
  ASSERT_NE(w.WorkingBitmap(), nullptr);
  EXPECT_NEAR(w.WorkingBitmap()->Width(), 40, 1);
  EXPECT_NEAR(w.WorkingBitmap()->Height(), 20, 1);
  EXPECT_TRUE(w.LocalPrg().IsBusy()) << "the rectangle stays until Enter or Esc";

  // A new first corner takes the readiness away until the second.
  LeftClick(At(5, 5));
  Move(At(20, 20));
  EXPECT_FALSE(w.CropAreaReady());
  EXPECT_FALSE(Enabled("sbtCutSel"));
  LeftClick(At(20, 20));
  EXPECT_TRUE(Enabled("sbtCutSel"));

  // A drag: press, moves with the button held, release.
  Mouse(QEvent::MouseButtonPress, At(4, 3), Qt::LeftButton, Qt::LeftButton);
  Move(At(10, 8), Qt::LeftButton);
  EXPECT_FALSE(Enabled("sbtCutSel")) << "the press started a new rectangle";
  Move(At(30, 15), Qt::LeftButton);
  Mouse(QEvent::MouseButtonRelease, At(30, 15), Qt::LeftButton, Qt::NoButton);
  EXPECT_TRUE(w.CropAreaReady());
  EXPECT_TRUE(Enabled("sbtCutSel"));
  const cad::TPoint2D dragFirst = DrawingPoint(At(4, 3)), dragSecond = DrawingPoint(At(30, 15));
  EXPECT_EQ(Get<QLineEdit>("txtCutDy")->text().toStdString(),
            machining::FormatPlainNumber(static_cast<float>(dragSecond.Y - dragFirst.Y), false));
  Move(At(35, 18));
  EXPECT_EQ(Get<QLineEdit>("txtCutDy")->text().toStdString(),
            machining::FormatPlainNumber(static_cast<float>(dragSecond.Y - dragFirst.Y), false))
      << "the release placed the second corner";
  Click("sbtCutSel");
  EXPECT_NEAR(w.WorkingBitmap()->Width(), 26, 1);
  EXPECT_NEAR(w.WorkingBitmap()->Height(), 12, 1);
  // No field of the page carries a trace of the operations that ended.
  for (const QLineEdit* field : Get<QLineEdit>("txtCutDx")->parentWidget()->findChildren<QLineEdit*>()) {
    EXPECT_NE(field->text(), "end") << field->objectName().toStdString();
    EXPECT_NE(field->text(), "stop") << field->objectName().toStdString();
  }
  // The window closes with a pan nested into the rectangle.
  Click("sbtPan");
  EXPECT_TRUE(w.LocalPrg().IsNested());
}

TEST_F(View2DTest, ZNoCutPickByAClickAndAZoomWindowNestedIntoIt) {
  RecordingMain& w = Start();
  w.real2D = true;
  w.resize(800, 600);
  OpenAndWalkToCutting(dir_.File("znc"));
  w.show();
  Get<QCheckBox>("chkCutColor")->setChecked(true);
  std::vector<float> heights;
  for (double x : {4.0, 30.0}) {
    Click("btnZNC");
    EXPECT_EQ(w.InteractionMode(), 58);
    EXPECT_FALSE(View().isHidden());
    // A zoom window from the view's menu in the middle of the pick gives the pick its mode back.
    ASSERT_TRUE(PopupEnabled("mnuZoomWindow"));
    Get<QAction>("mnuZoomWindow")->trigger();
    EXPECT_TRUE(w.LocalPrg().IsNested());
    LeftClick({50, 50});
    LeftClick({400, 400});
    EXPECT_FALSE(w.LocalPrg().IsNested());
    EXPECT_EQ(w.InteractionMode(), 58);
    LeftClick(At(x, 3.0));
    const cad::TPoint2D picked = DrawingPoint(At(x, 3.0));
    EXPECT_EQ(w.InteractionMode(), 999);
    EXPECT_TRUE(w.Mode3D());
    EXPECT_EQ(w.ZNoCutHeight(), machining::ProfZNoCut(w.Relief(), float(picked.X), float(picked.Y), false).z) << x;
    heights.push_back(w.ZNoCutHeight());
    EXPECT_EQ(w.LocalCad().GetObject(app::kZNoCutPointId), nullptr) << "the point was read and taken out";
  }
  ASSERT_EQ(heights.size(), 2u);
  EXPECT_NE(heights[0], heights[1]) << "each pick reads its own point";
  const float height = w.ZNoCutHeight();
  // Esc before the click: no point, the height stays, back to the relief.
  Click("btnZNC");
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(&w, &escape);
  EXPECT_FALSE(w.LocalPrg().IsBusy());
  EXPECT_EQ(w.InteractionMode(), 999);
  EXPECT_EQ(w.ZNoCutHeight(), height);
  EXPECT_TRUE(w.Mode3D());
}

TEST_F(View2DTest, DoubleClickEditsOnlyAVectorText) {
  static cad::TVectFont font;  // outlives the drawing that points at it
  RecordingMain& w = StartShown();
  cad::TKQCmp2D& drawing = w.LocalCad();
  drawing.CurrentLayer = 1;
  auto* line = drawing.AddObject(1, std::make_unique<cad::TLine2D>(1, cad::Point2D(0, 0), cad::Point2D(100, 0)));
  auto* text = static_cast<cad::TJustifiedVectText2D*>(drawing.AddObject(
      2, std::make_unique<cad::TJustifiedVectText2D>(2, cad::Point2D(0, 100), cad::Point2D(100, 130), &font, 20.0,
                                                       "AAAA")));
  View().Repaint();
  ASSERT_NE(line, nullptr);
  cad::TRect2D box;
  ASSERT_TRUE(text->TextBox(box));
  const QPoint onText = At((box.First.X + box.Second.X) / 2, (box.First.Y + box.Second.Y) / 2);
  const struct {
    QPoint at;
    std::vector<std::string> inputs;
    const char* result;
    size_t asked;
  } cases[] = {
      {At(50, 0), {"never"}, "AAAA", 0},  // a line
      {onText, {}, "AAAA", 1},            // cancelled: the input box gives the old text back
      {onText, {"BB"}, "BB", 1},
  };
  for (const auto& c : cases) {
    dialogs_.prompts.clear();
    dialogs_.inputs = c.inputs;
    DoubleClick(c.at);
    EXPECT_EQ(text->Text(), c.result);
    EXPECT_EQ(dialogs_.prompts.size(), c.asked);
    if (c.asked) {
      EXPECT_EQ(dialogs_.prompts[0], "Edit Text|String");
    }
  }
}

// The main window with a picture on its 2D view, as a PNG file in "screenshots" beside the test
// program.
// The backplot draws its moves straight on the view's screen, in the pen it was given.
TEST_F(View2DTest, BackplotMovesAreDrawnOnTheScreen) {
  RecordingMain& w = StartShown();
  View().ShowWindowRect(cad::TRect2D{cad::Point2D(0, 0), cad::Point2D(100, 100)});
  QApplication::processEvents();
  // A pen colour nothing else on the view has (magenta).
  for (int layer = 0; layer < cad::TLayers::kCount; ++layer)
    w.LocalCad().Layers().Layer(uint8_t(layer)).SetPen(platform::Pen{platform::TColor(0xFF00FF)});
  struct Case {
    const char* what;
    std::function<void()> draw;
    double x, y;  // a drawing point the move passes through
  };
  const Case cases[] = {
      {"line", [&] { w.View2DDrawNcLine(10, 20, 90, 20); }, 50, 20},
      {"arc a quarter turn", [&] { w.View2DDrawNcArc(50, 50, 30, 0, M_PI / 2); }, 50 + 30 * std::cos(M_PI / 4),
       50 + 30 * std::sin(M_PI / 4)},
      {"closed arc: the whole circle", [&] { w.View2DDrawNcArc(50, 50, 10, 1, 1); }, 50, 40},
  };
  for (const Case& c : cases) {
    const platform::Point p = View().ViewportToPixel(cad::Point2D(c.x, c.y));
    // The pixel or one of its neighbours: the curve is drawn as chords.
    auto inked = [&] {
      const QImage& screen = View().ScreenImage();
      const QRgb pen = platform::ToQColor(w.NcDrawing().back().color).rgb() & 0xFFFFFF;
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
          if ((screen.pixel(p.X + dx, p.Y + dy) & 0xFFFFFF) == pen) return true;
      return false;
    };
    c.draw();
    EXPECT_TRUE(inked()) << c.what;
  }
  // Nothing drawn where no move passed.
  const platform::Point empty = View().ViewportToPixel(cad::Point2D(80, 80));
  EXPECT_NE(View().ScreenImage().pixel(empty.X, empty.Y) & 0xFFFFFF,
            platform::ToQColor(w.NcDrawing().back().color).rgb() & 0xFFFFFF);
}

TEST_F(View2DTest, ScreenshotOfAPictureOnThe2DView) {
  RecordingMain& w = StartShown();
  platform::Bitmap picture(160, 120, 24);
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 160; ++x) {
      const int d = (x - 80) * (x - 80) + (y - 60) * (y - 60);
      const auto grey = static_cast<uint8_t>(std::clamp(255 - d / 25, 0, 255));
      picture.SetPixel(x, y, platform::Rgb(grey, uint8_t(grey / 2 + 60), uint8_t(255 - grey)));
    }
  Open(WriteBitmap("pictures/dome.bmp", picture));
  QApplication::processEvents();
  // The picture fills the view from its extent; outside it the background.
  const QImage shown = View().grab().toImage();
  const QPoint centre = At(79.5, 59.5);
  EXPECT_EQ(QColor(shown.pixel(centre)).rgb() & 0xFFFFFF, 0xFFBB00u) << "the picture's centre, red 255 green 187";
  const QPoint outside = At(-3, 59.5);
  ASSERT_TRUE(shown.rect().contains(outside));
  EXPECT_EQ(QColor(shown.pixel(outside)), QColor(0x80, 0x80, 0x80)) << "the background";
  QDir().mkpath(QStringLiteral("screenshots"));
  EXPECT_TRUE(w.grab().toImage().save(QStringLiteral("screenshots/frmMain_VistaGrafica.png")));
}

// The grid is drawn over the objects: over the picture, which fills the view, as much as beside it.
TEST_F(View2DTest, TheGridShowsOverThePicture) {
  StartShown();
  platform::Bitmap picture(160, 120, 24);
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 160; ++x) picture.SetPixel(x, y, platform::Rgb(230, uint8_t(100 + x / 2), 40));
  Open(WriteBitmap("pictures/plain.bmp", picture));
  if (!Get<QToolButton>("sbtGridOnOff")->isChecked()) Click("sbtGridOnOff");
  QApplication::processEvents();
  ASSERT_TRUE(View().ShowGrid());
  const QRgb grid = platform::ToQColor(View().GridColor()).rgb() & 0xFFFFFF;
  // Grid pixels along the grid line y = 60 and the column x = 80, both inside the picture (the
  // main grid is dashed, and its lines may fall one pixel off the rounded point).
  const QImage shown = View().grab().toImage();
  struct Line {
    const char* what;
    bool horizontal;
  } lines[] = {{"the line y = 60", true}, {"the column x = 80", false}};
  for (const Line& line : lines) {
    int inked = 0;
    for (double t = 20; t <= (line.horizontal ? 140 : 100); t += 0.25) {
      // Away from the crossing grid lines (10 apart), so only the line looked along counts.
      const double offLine = std::fmod(t, 10.0);
      if (offLine < 1.5 || offLine > 8.5) continue;
      const QPoint p = line.horizontal ? At(t, 60) : At(80, t);
      for (int d = -1; d <= 1; ++d) {
        const QPoint q = line.horizontal ? QPoint(p.x(), p.y() + d) : QPoint(p.x() + d, p.y());
        if (shown.rect().contains(q) && (QColor(shown.pixel(q)).rgb() & 0xFFFFFF) == grid) ++inked;
      }
    }
    EXPECT_GT(inked, 10) << line.what;
  }
}

}  // namespace
