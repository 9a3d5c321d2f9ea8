// The 2D program: snapping to the grid and to objects with its cursors, the filters, the cross-hair
// in exclusive-or, and a zoom window driven end to end by real mouse events on the widget.
#include "cad/kq_prg2d.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QtTest/QTest>

#include "cad/curves2d.h"
#include "cad/object_snap.h"
#include "platform/screen_cursors.h"
#include "viewport_test_support.h"

namespace cad {
namespace {

class Program2DTest : public ViewportTest {
 protected:
  void SetUp() override {
    ViewportTest::SetUp();
    prg.SetViewport2D(view.get());
  }
  void TearDown() override {
    prg.SetViewport(nullptr);
    platform::SetScreenCursor(0);
    ViewportTest::TearDown();
  }
  TPoint2D SnapAt(double x, double y) {
    prg.SetCurrentViewportPoint(Point2D(x, y));
    return prg.GetSnappedPoint();
  }

  TKQPrg2D prg;
};

TEST_F(Program2DTest, GridSnapRoundsHalvesToEven) {
  EXPECT_EQ(prg.XSnap, 10);
  EXPECT_EQ(prg.YSnap, 10);
  EXPECT_TRUE(IsSamePoint2D(SnapAt(14.9, 3), Point2D(14.9, 3))) << "off by default";
  prg.UseSnap = true;
  struct Case {
    double x, expected;
  };
  for (const Case c : {Case{14.9, 10}, Case{15, 20}, Case{25, 20}, Case{-15, -20}, Case{5, 0}, Case{35.0001, 40}})
    EXPECT_DOUBLE_EQ(SnapAt(c.x, 0).X, c.expected) << c.x;
  prg.YSnap = 0;
  EXPECT_DOUBLE_EQ(SnapAt(0, 3.3).Y, 3.3) << "a step of 0 leaves that axis";
  prg.SetCurrentViewportPoint(TPoint2D{30, 40, 2});
  EXPECT_TRUE(IsSamePoint2D(prg.GetCurrentViewportPoint(), Point2D(15, 20))) << "kept cartesian";
}

TEST_F(Program2DTest, ObjectSnapPointsAndCursors) {
  AddLine(0, 0, 10, 0);
  drawing.AddObject(-1, std::make_unique<TCerchio2D>(-1, Point2D(60, 60), Point2D(70, 60)));
  drawing.AddObject(-1, std::make_unique<TArco2D>(-1, Point2D(30, 70), Point2D(40, 70), 0.0, M_PI / 2));
  drawing.AddObject(-1, std::make_unique<TPunto2D>(-1, Point2D(90, 10)));
  const TPoint2D poly[] = {Point2D(20, 30), Point2D(40, 30), Point2D(40, 45)};
  drawing.AddObject(-1, std::make_unique<TPolyline2D>(-1, poly));
  prg.ObjectSnapActive = true;
  struct Case {
    const char* what;
    int kind;
    TPoint2D pointer;
    TPoint2D snapped;
    int cursor;
  };
  const Case cases[] = {
      {"line middle", kSnapMiddlePoint, Point2D(2, 1), Point2D(5, 0), kSnapCursorMiddle},
      {"line nearer end", kSnapEndPoint, Point2D(2, 1), Point2D(0, 0), kSnapCursorEnd},
      {"line end on a tie: the second", kSnapEndPoint, Point2D(5, 1), Point2D(10, 0), kSnapCursorEnd},
      {"line nearest", kSnapNearest, Point2D(4, 1), Point2D(5, 0), kSnapCursorMiddle},
      {"line has no centre", kSnapCentre, Point2D(4, 1), Point2D(4, 1), kSnapCursorNone},
      {"circle end", kSnapEndPoint, Point2D(69, 62), Point2D(70, 60), kSnapCursorEnd},
      {"circle middle", kSnapMiddlePoint, Point2D(69, 62), Point2D(50, 60), kSnapCursorMiddle},
      {"circle centre", kSnapCentre, Point2D(69, 62), Point2D(60, 60), kSnapCursorCentre},
      {"circle nearest", kSnapNearest, Point2D(51, 58), Point2D(50, 60), kSnapCursorMiddle},
      {"arc end", kSnapEndPoint, Point2D(31, 79), Point2D(30, 80), kSnapCursorEnd},
      {"arc middle", kSnapMiddlePoint, Point2D(37, 77), Point2D(30 + 10 * M_SQRT1_2, 70 + 10 * M_SQRT1_2),
       kSnapCursorMiddle},
      {"arc centre", kSnapCentre, Point2D(39, 72), Point2D(30, 70), kSnapCursorCentre},
      {"point entity", kSnapPointEntity, Point2D(91, 11), Point2D(90, 10), kSnapCursorPoint},
      {"point entity, nearest", kSnapNearest, Point2D(89, 11), Point2D(90, 10), kSnapCursorPoint},
      {"point entity, other kind", kSnapEndPoint, Point2D(89, 11), Point2D(89, 11), kSnapCursorNone},
      {"polyline vertex", kSnapEndPoint, Point2D(39, 31), Point2D(40, 30), kSnapCursorEnd},
      {"polyline off its vertices", kSnapEndPoint, Point2D(30, 31), Point2D(30, 31), kSnapCursorNone},
      {"nothing near", kSnapNearest, Point2D(80, 40), Point2D(80, 40), kSnapCursorNone},
  };
  for (const Case& c : cases) {
    platform::SetScreenCursor(0);
    prg.ObjectSnapKind = c.kind;
    const TPoint2D p = SnapAt(c.pointer.X, c.pointer.Y);
    EXPECT_NEAR(p.X, c.snapped.X, 1e-9) << c.what;
    EXPECT_NEAR(p.Y, c.snapped.Y, 1e-9) << c.what;
    EXPECT_EQ(platform::ScreenCursor(), c.cursor) << c.what;
  }
  // Only while object snapping is active, and after the grid.
  prg.ObjectSnapKind = kSnapMiddlePoint;
  prg.ObjectSnapActive = false;
  EXPECT_TRUE(IsSamePoint2D(SnapAt(2, 1), Point2D(2, 1)));
  prg.ObjectSnapActive = true;
  prg.UseSnap = true;
  EXPECT_TRUE(IsSamePoint2D(SnapAt(46, 62), Point2D(50, 60))) << "the grid point (50, 60) picks the circle";
  // A point picked beside the outline, only in its box, does not snap and leaves the cursor.
  TPunto2D point(-1, Point2D(0, 0));
  point.UpdateAndNotify();
  platform::SetScreenCursor(kSnapCursorEnd);
  EXPECT_FALSE(ObjectSnap(&point, PICK_INBBOX, kSnapPointEntity, Point2D(0, 0)).Snapped);
  EXPECT_EQ(ObjectSnap(&point, PICK_INBBOX, kSnapPointEntity, Point2D(0, 0)).Cursor, 0);
}

TEST_F(Program2DTest, SnapFilterAndMouseFiltersSeeAndChangeThePoint) {
  prg.LastPoint = Point2D(7, 7);
  TPoint2D seenLast;
  prg.SnapFilter = [&](TKQPrg2D&, TCADState* state, const TPoint2D& last, TPoint2D& p) {
    EXPECT_NE(state, nullptr);
    seenLast = last;
    p.Y = 0;
  };
  EXPECT_TRUE(IsSamePoint2D(SnapAt(3, 4), Point2D(3, 0)));
  EXPECT_TRUE(IsSamePoint2D(seenLast, Point2D(7, 7)));

  // A move filter changes the point; the view's 2D event then comes once, from the program.
  std::vector<TPoint2D> moves;
  view->OnMouseMove2D = [&](TKQViewport2D&, platform::TShiftState, int, int, double x, double y) {
    moves.push_back(Point2D(x, y));
  };
  MoveMouse(view.get(), QPoint(20, 20));
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_TRUE(IsSamePoint2D(moves[0], CartesianPoint2D(view->ScreenToViewport(Point2D(20, 20)))));
  prg.MouseMoveFilter = [](TKQPrg2D&, TCADState*, int, int, TPoint2D& p) { p.X += 100; };
  MoveMouse(view.get(), QPoint(30, 20));
  ASSERT_EQ(moves.size(), 2u) << "not a second time from the view";
  EXPECT_NEAR(moves[1].X, 130.5, 1e-9);
  EXPECT_NEAR(prg.GetCurrentViewportPoint().X, 130.5, 1e-9);

  int downs = 0;
  platform::TMouseButton filtered = platform::mbMiddle;
  view->OnMouseDown2D = [&](TKQViewport2D&, platform::TMouseButton, platform::TShiftState, int, int, double x, double) {
    ++downs;
    EXPECT_DOUBLE_EQ(x, -1);
  };
  prg.MouseButtonFilter = [&](TKQPrg2D&, TCADState*, int, int, TPoint2D& p, platform::TMouseButton b) {
    filtered = b;
    p.X = -1;
  };
  QTest::mouseClick(view.get(), Qt::RightButton, {}, QPoint(30, 20));
  EXPECT_EQ(downs, 1);
  EXPECT_EQ(filtered, platform::mbRight);
}

TEST_F(Program2DTest, TheCrossHairIsDrawnInExclusiveOrAndNeverLeftBehind) {
  view->Repaint();
  const QImage clean = view->ScreenImage().copy();
  // Its pen is CursorColor xor the background: over the background it shows in CursorColor.
  const platform::TColor cross = platform::clGray;
  prg.SetShowCursorCross(true);
  MoveMouse(view.get(), QPoint(30, 40));
  EXPECT_EQ(PixelOf(view->ScreenImage(), 30, 10), cross) << "vertical line";
  EXPECT_EQ(PixelOf(view->ScreenImage(), 70, 40), cross) << "horizontal line";
  EXPECT_EQ(PixelOf(view->BufferImage(), 30, 10), platform::clSilver) << "only on the screen";
  EXPECT_TRUE(IsSamePoint2D(prg.CursorCrossPosition(), prg.GetCurrentViewportPoint()));

  MoveMouse(view.get(), QPoint(60, 70));
  EXPECT_EQ(PixelOf(view->ScreenImage(), 30, 10), platform::clSilver) << "erased where it was";
  EXPECT_EQ(PixelOf(view->ScreenImage(), 60, 10), cross);
  // A copy of the buffer wipes the cross; it comes back once, not doubled away.
  view->Refresh();
  EXPECT_EQ(PixelOf(view->ScreenImage(), 60, 10), cross);
  MoveMouse(view.get(), QPoint(61, 71));
  EXPECT_EQ(PixelOf(view->ScreenImage(), 60, 10), platform::clSilver) << "no ghost left behind";
  EXPECT_EQ(CountPixels(view->ScreenImage(), cross), 99 + 99) << "one cross: two lines less their crossing";

  prg.SetCursorColor(platform::clWhite);
  EXPECT_EQ(PixelOf(view->ScreenImage(), 61, 10), platform::clWhite);
  prg.SetShowCursorCross(false);
  EXPECT_EQ(view->ScreenImage(), clean) << "switched off, it is erased";
}

// The view as the main window keeps it, looked at as a user would: the grid on top, the axes with
// their icon and scale bar, the drawing, a rubber band and the cross-hair, each in its own colour
// (saved to "screenshots" beside the test program).
TEST_F(Program2DTest, AViewWithEverythingOnIt) {
  view->resize(400, 300);
  view->SetAspectRatio(1);
  view->ShowWindowRect(Rect2D(-20, -20, 180, 130));
  view->SetGridDeltaX(10);
  view->SetGridDeltaY(10);
  view->SetGridColor(platform::clGray);
  view->SetGridOnTop(true);
  view->SetShowGrid(true);
  view->SetShowAssi(true);
  view->SetRubberPenColor(platform::clLime);
  AddLine(0, 0, 150, 100);
  drawing.AddObject(-1, std::make_unique<TCerchio2D>(-1, Point2D(100, 40), Point2D(130, 40)));
  view->Repaint();
  prg.SetCursorColor(platform::clBlack);
  prg.SetShowCursorCross(true);
  MoveMouse(view.get(), QPoint(300, 80));
  TLine2D band(-1, Point2D(0, 100), Point2D(60, 60));
  band.UpdateAndNotify();
  view->DrawRubberObject(band, false);
  const QImage shown = view->grab().toImage();
  struct Seen {
    const char* what;
    platform::TColor color;
  };
  for (const Seen s : {Seen{"grid and axes", platform::clGray}, Seen{"axis icon and scale bar", platform::clYellow},
                       Seen{"drawing", kLineColor}, Seen{"cross-hair", platform::clBlack},
                       Seen{"rubber band", platform::clLime}})
    EXPECT_GT(CountPixels(shown, s.color), 20) << s.what;
  EXPECT_EQ(PixelOf(shown, 300, 5), platform::clBlack) << "the cross's vertical line";
  QDir().mkpath(QStringLiteral("screenshots"));
  EXPECT_TRUE(shown.save(QStringLiteral("screenshots/viewport2d.png")));
}

// The zoom window of the main window, by two clicks: the first corner on the first click, a rubber
// frame while the pointer moves, the window shown on the second click.
struct TZoomCorner2;
struct TZoomParam : TCADPrgParam {
  TPoint2D first, second;
};

struct TZoomCorner1 : TCADState {
  TZoomCorner1(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next) : TCADState(prg, param, next) {
    Param = prg.MakeParam<TZoomParam>();
  }
  bool OnEvent(TCADPrgEvent kind, TCADPrgMouseButton button, int, platform::TShiftState,
               const TCADStateClass*& next) override {
    if (kind != cadMouseDown || button != cmbLeft) return false;
    auto* p = static_cast<TZoomParam*>(Param);
    p->first = p->second = static_cast<TKQPrg2D&>(CADPrg()).GetCurrentViewportPoint();
    next = StateClassOf<TZoomCorner2>();
    return true;
  }
};

struct TZoomCorner2 : TCADState {
  TZoomCorner2(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next) : TCADState(prg, param, next) {
    Frame();
  }
  void Frame() {
    auto* p = static_cast<TZoomParam*>(Param);
    TFrame2D frame(-1, p->first, p->second);
    frame.UpdateAndNotify();
    static_cast<TKQPrg2D&>(CADPrg()).Viewport2D()->DrawRubberObject(frame, false);
  }
  bool OnEvent(TCADPrgEvent kind, TCADPrgMouseButton button, int, platform::TShiftState,
               const TCADStateClass*& next) override {
    auto* p = static_cast<TZoomParam*>(Param);
    auto& prg = static_cast<TKQPrg2D&>(CADPrg());
    if (kind == cadMouseMove) {
      Frame();
      p->second = prg.GetCurrentViewportPoint();
      Frame();
    }
    if (kind == cadViewportPainted) Frame();
    if (kind != cadMouseDown || button != cmbLeft) return false;
    Frame();
    p->second = prg.GetCurrentViewportPoint();
    if (!IsSamePoint2D(p->first, p->second)) prg.Viewport2D()->ShowWindowRect({p->first, p->second});
    next = prg.IdleClass();
    return true;
  }
};

TEST_F(Program2DTest, AZoomWindowByTwoClicksOfTheMouse) {
  view->ShowWindowRect(Rect2D(-50, -50, 50, 50));
  view->Repaint();
  const QImage clean = view->ScreenImage().copy();
  int ended = 0;
  prg.OnEndOperation = [&](TCADPrg&, const TCADStateClass* op, TCADPrgParam*) {
    EXPECT_EQ(op, StateClassOf<TZoomCorner1>());
    ++ended;
  };
  ASSERT_TRUE(prg.StartOperation(StateClassOf<TZoomCorner1>()));
  MoveMouse(view.get(), QPoint(20, 30));
  QTest::mouseClick(view.get(), Qt::LeftButton, {}, QPoint(20, 30));
  MoveMouse(view.get(), QPoint(40, 50));
  MoveMouse(view.get(), QPoint(60, 80));
  EXPECT_NE(view->ScreenImage(), clean) << "the frame follows the pointer";
  QTest::mouseClick(view.get(), Qt::LeftButton, {}, QPoint(60, 80));
  EXPECT_EQ(ended, 1);
  EXPECT_FALSE(prg.IsBusy());
  EXPECT_EQ(prg.ParamCount(), 0u);
  const TRect2D w = view->VisibleWindow();
  EXPECT_NEAR(w.First.X, -29.5, 1e-9);
  EXPECT_NEAR(w.Second.X, 10.5, 1e-9);
  EXPECT_NEAR(w.First.Y, -30.5, 1e-9);
  EXPECT_NEAR(w.Second.Y, 19.5, 1e-9);
  for (int x : {5, 50, 95}) EXPECT_EQ(PixelOf(view->ScreenImage(), x, 50), platform::clSilver) << "no frame left";

  // Two clicks on the same point leave the window as it was.
  prg.StartOperation(StateClassOf<TZoomCorner1>());
  QTest::mouseClick(view.get(), Qt::LeftButton, {}, QPoint(50, 50));
  QTest::mouseClick(view.get(), Qt::LeftButton, {}, QPoint(50, 50));
  EXPECT_EQ(view->VisibleWindow(), w);
}

}  // namespace
}  // namespace cad
