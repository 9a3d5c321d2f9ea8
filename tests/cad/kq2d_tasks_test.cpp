// The interaction tasks driven by real mouse events on a shown 100 x 100 view (one drawing unit a
// pixel): picking one and two objects, zoom window and pan nested into a running pick, drawing a
// point and a line, editing control points on a working copy, the crop rectangle, and the texts of
// a wrong parameter.
#include "cad/kq2d_tasks.h"

#include <gtest/gtest.h>

#include <QtTest/QTest>

#include "cad/cad_exceptions.h"
#include "cad/construction_commands.h"
#include "viewport_test_support.h"

namespace cad {
namespace {

// A follow-up that only records what the pick handed over.
struct TRecordedPick {
  int runs = 0;
  std::vector<int32_t> ids;
  TPickPoints at{};
};
TRecordedPick recorded;

struct TRecordPick : TCADState {
  TRecordPick(TCADPrg& prg, TCADPrgParam* param, const TCADStateClass*& next) : TCADState(prg, param, next) {
    ++recorded.runs;
    recorded.ids.clear();
    auto it = static_cast<TKQD2D_SelectObjectsParam*>(param)->SelectedObjects.GetIterator();
    for (TGraphicObject* o = it->First(); o; o = it->Next()) recorded.ids.push_back(o->ID);
    it.reset();
    recorded.at = Prg2DOf(prg).PickPoints;
    prg.FreeParam(Param);
    next = prg.IdleClass();
  }
};

class TasksTest : public ViewportTest {
 protected:
  void SetUp() override {
    ViewportTest::SetUp();
    prg.SetViewport2D(view.get());
    recorded = {};
  }
  void TearDown() override {
    prg.SetViewport(nullptr);
    ViewportTest::TearDown();
  }
  QPoint Screen(double x, double y) const {
    const platform::Point p = Pixel(x, y);
    return QPoint(p.X, p.Y);
  }
  // The drawing point the pixel of (x, y) stands for.
  TPoint2D At(double x, double y) const {
    const QPoint s = Screen(x, y);
    return CartesianPoint2D(view->ScreenToViewport(Point2D(s.x(), s.y())));
  }
  void Move(double x, double y) { MoveMouse(view.get(), Screen(x, y)); }
  void Click(double x, double y) {
    Move(x, y);
    QTest::mouseClick(view.get(), Qt::LeftButton, {}, Screen(x, y));
  }
  void Drag(double x1, double y1, double x2, double y2) {
    Move(x1, y1);
    QTest::mousePress(view.get(), Qt::LeftButton, {}, Screen(x1, y1));
    Move(x2, y2);
    QTest::mouseRelease(view.get(), Qt::LeftButton, {}, Screen(x2, y2));
  }
  TPrimitive2D& Object(int32_t id) { return *static_cast<TPrimitive2D*>(drawing.GetObject(id)); }
  void ExpectIdle(const std::string& what) {
    EXPECT_FALSE(prg.IsBusy()) << what;
    EXPECT_FALSE(prg.IsNested()) << what;
    EXPECT_EQ(prg.ParamCount(), 0u) << what;
  }

  TKQPrg2D prg;
};

TEST_F(TasksTest, TwoObjectPickSelectsDeselectsAndCompletesOnlyWithTwo) {
  const int32_t a = AddLine(10, 10, 90, 10)->ID, b = AddLine(50, 30, 50, 90)->ID;
  AddLine(10, 40, 40, 70);  // its box holds (13, 67), its outline lies far from it
  std::vector<std::tuple<int32_t, bool, int>> calls;
  auto highlight = [&](TKQD2D_SelectObjectsParam&, TObject2D& o, bool selected, int code) {
    calls.emplace_back(o.ID, selected, code);
  };
  ASSERT_TRUE(StartSelectTwoObjects(prg, StateClassOf<TRecordPick>(), highlight));
  auto* param = static_cast<TKQD2D_SelectObjectsParam*>(prg.CurrentState()->Param);
  Click(13, 67);
  EXPECT_EQ(param->LastPickCode, PICK_INBBOX);
  EXPECT_TRUE(calls.empty()) << "a hit of the box only selects nothing";
  Click(30, 10);
  Click(31, 10);
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0], std::make_tuple(a, true, PICK_ONOBJECT));
  EXPECT_EQ(std::get<1>(calls[1]), false) << "a second click deselects";
  EXPECT_EQ(param->SelectedObjects.Count(), 0);
  Click(30, 10);
  calls.clear();
  view->Repaint();
  EXPECT_EQ(calls, (std::vector<std::tuple<int32_t, bool, int>>{{a, true, PICK_NOOBJECT}}))
      << "the highlight survives a repaint";
  EXPECT_TRUE(prg.IsBusy());
  Click(50, 60);
  EXPECT_EQ(recorded.runs, 1);
  EXPECT_EQ(recorded.ids, (std::vector<int32_t>{a, b}));
  EXPECT_TRUE(IsSamePoint2D(recorded.at[0], At(30, 10)));
  EXPECT_TRUE(IsSamePoint2D(recorded.at[1], At(50, 60)));
  ExpectIdle("after two objects");

  // Enter or Esc with fewer than two objects ends the pick without its command.
  for (int code : {CADPRG_ACCEPT, CADPRG_CANCEL}) {
    StartSelectTwoObjects(prg, StateClassOf<TRecordPick>(), highlight);
    Click(30, 10);
    prg.PostUserCode(code);
    EXPECT_EQ(recorded.runs, 1) << code;
    ExpectIdle("user code " + std::to_string(code));
  }
  // The one-object pick completes at once; a class filter leaves other objects alone.
  StartSelectOneObject(prg, StateClassOf<TRecordPick>());
  static_cast<TKQD2D_SelectObjectsParam*>(prg.CurrentState()->Param)->ClassFilter = ClassOf<TPolyline2D>();
  Click(50, 60);
  EXPECT_EQ(recorded.runs, 1) << "not a polyline";
  static_cast<TKQD2D_SelectObjectsParam*>(prg.CurrentState()->Param)->ClassFilter = ClassOf<TLine2D>();
  Click(50, 60);
  EXPECT_EQ(recorded.runs, 2);
  EXPECT_EQ(recorded.ids, std::vector<int32_t>{b});
  ExpectIdle("one object");
}

TEST_F(TasksTest, NestedZoomAndPanDuringBreakResumeThePick) {
  const int32_t a = AddLine(10, 50, 90, 50)->ID;
  AddLine(50, 10, 50, 90);
  ASSERT_TRUE(StartBreak(prg, nullptr));
  const TCADStateClass* pick = prg.CurrentOperation();
  auto* param = prg.CurrentState()->Param;
  Click(30, 50);
  ASSERT_TRUE(StartZoomWindow(prg));
  EXPECT_TRUE(prg.IsNested());
  EXPECT_FALSE(prg.NestOperation(StateClassOf<TCADPrgRealTimePan>())) << "nothing nests into a zoom";
  Click(20, 20);
  Click(80, 80);
  const TRect2D w = view->VisibleWindow();
  EXPECT_NEAR(w.Second.X - w.First.X, 60, 1.5) << "the view zooms";
  EXPECT_FALSE(prg.IsNested());
  EXPECT_TRUE(prg.IsBusy());
  EXPECT_EQ(prg.CurrentOperation(), pick);
  EXPECT_EQ(prg.CurrentState()->Param, param);
  EXPECT_TRUE(prg.OwnsParam(param));
  EXPECT_EQ(static_cast<TKQD2D_SelectObjectsParam*>(param)->SelectedObjects.Count(), 1) << "the selection stays";
  EXPECT_EQ(drawing.NumObjects(), 2) << "no object changes";

  // A pan ended with "Done", and a zoom window cancelled, resume the pick too.
  ASSERT_TRUE(StartRealTimePan(prg));
  Drag(40, 40, 45, 40);
  prg.PostUserCode(CADPRG_ACCEPT);
  ASSERT_TRUE(StartZoomWindow(prg));
  Click(30, 30);
  prg.PostUserCode(CADPRG_CANCEL);
  EXPECT_EQ(prg.CurrentOperation(), pick);
  EXPECT_TRUE(prg.OwnsParam(param));
  EXPECT_EQ(drawing.NumObjects(), 2);
  Click(50, 70);
  EXPECT_EQ(drawing.NumObjects(), 4) << "the break runs on the second object";
  EXPECT_EQ(drawing.GetObject(a), nullptr);
  ExpectIdle("after the break");

  // With nothing running the zoom window starts on its own; two clicks on one point change nothing.
  const TRect2D before = view->VisibleWindow();
  ASSERT_TRUE(StartZoomWindow(prg));
  Click(40, 40);
  Click(40, 40);
  EXPECT_EQ(view->VisibleWindow(), before);
  ExpectIdle("zoom alone");
}

TEST_F(TasksTest, PanMovesTheWindowOnlyWithinItsLimitsAndEscRestoresIt) {
  ASSERT_TRUE(StartRealTimePan(prg));
  EXPECT_TRUE(prg.ObjectSnapActive);
  const TRect2D start = view->VisibleWindow();
  auto event = [&](TCADPrgEvent kind, double x, double y) {
    prg.SetCurrentViewportPoint(Point2D(x, y));
    prg.SendEvent(kind, kind == cadMouseMove ? cmbNone : cmbLeft, 0, 0);
  };
  event(cadMouseMove, 50, 50);
  EXPECT_EQ(view->VisibleWindow(), start) << "no drag yet";
  event(cadMouseDown, 50, 50);
  event(cadMouseMove, 40, 50);
  TRect2D w = view->VisibleWindow();
  EXPECT_NEAR(w.First.X - start.First.X, 10, 1e-9) << "the drawing follows the pointer";
  EXPECT_NEAR(w.First.Y - start.First.Y, 0, 1e-9);
  const double diagonal = PointDistance2D(w.First, w.Second);
  event(cadMouseMove, 60 + 2 * diagonal, 50);
  EXPECT_EQ(view->VisibleWindow(), w) << "a move longer than twice the diagonal";
  event(cadMouseMove, 60 + 2 * diagonal + 0.5e-4 * diagonal, 50);
  EXPECT_EQ(view->VisibleWindow(), w) << "a move shorter than 1e-4 of the diagonal";
  event(cadMouseUp, 0, 0);
  prg.PostUserCode(CADPRG_CANCEL);
  EXPECT_EQ(view->VisibleWindow(), start);
  ExpectIdle("pan cancelled");
}

TEST_F(TasksTest, DrawingPlacesPointsAndEditingWorksOnACopy) {
  ASSERT_TRUE(StartDrawSizedPrimitive(prg, std::make_unique<TPunto2D>(777, Point2D(0, 0))));
  Click(30, 40);
  ASSERT_NE(drawing.GetObject(777), nullptr) << "one click places the point under its ID";
  EXPECT_TRUE(IsSamePoint2D(Object(777).Points().GetPoint(0), At(30, 40)));
  ExpectIdle("point placed");
  StartDrawSizedPrimitive(prg, std::make_unique<TPunto2D>(778, Point2D(0, 0)));
  prg.PostUserCode(CADPRG_CANCEL);
  EXPECT_EQ(drawing.NumObjects(), 1) << "Esc adds nothing";
  ExpectIdle("point cancelled");

  // A line with the ortho constraint: the second point keeps the first one's Y.
  prg.UseOrto = true;
  StartDrawSizedPrimitive(prg, std::make_unique<TLine2D>(-1, Point2D(0, 0), Point2D(0, 0)));
  Click(10, 10);
  Move(30, 20);
  Click(40, 13);
  ASSERT_EQ(drawing.NumObjects(), 2);
  const TPrimitive2D& line = Object(drawing.NextObjectID() - 1);
  EXPECT_TRUE(IsSamePoint2D(line.Points().GetPoint(1), Point2D(At(40, 13).X, At(10, 10).Y)));
  prg.UseOrto = false;

  // Editing: Esc leaves the source; code 1 copies every move; a double click inserts a vertex.
  const TPoint2D vertices[] = {Point2D(10, 80), Point2D(50, 80), Point2D(90, 80)};
  auto* poly = static_cast<TPolyline2D*>(drawing.AddObject(-1, std::make_unique<TPolyline2D>(-1, vertices)));
  poly->Points().GrowingEnabled = true;
  auto edit = [&] {
    ASSERT_TRUE(StartMoveControlPoints(prg));
    Click(50, 80);
    ASSERT_EQ(prg.CurrentOperation(), StateClassOf<TCAD2DEditSelectedPrimitive>());
  };
  edit();
  Drag(90, 80, 90, 60);
  Drag(10, 80, 20, 70);
  EXPECT_TRUE(IsSamePoint2D(poly->Points().GetPoint(2), Point2D(90, 80))) << "the source waits for code 1";
  prg.PostUserCode(CADPRG_CANCEL);
  EXPECT_TRUE(IsSamePoint2D(poly->Points().GetPoint(2), Point2D(90, 80)));
  EXPECT_TRUE(IsSamePoint2D(poly->Points().GetPoint(0), Point2D(10, 80)));
  ExpectIdle("edit cancelled");
  edit();
  Drag(90, 80, 90, 60);
  Drag(10, 80, 20, 70);
  prg.PostUserCode(CADPRG_ACCEPT);
  EXPECT_TRUE(IsSamePoint2D(poly->Points().GetPoint(2), At(90, 60)));
  EXPECT_TRUE(IsSamePoint2D(poly->Points().GetPoint(0), At(20, 70)));
  ExpectIdle("edit accepted");
  edit();
  QTest::mouseDClick(view.get(), Qt::LeftButton, {}, Screen(50, 80));
  prg.PostUserCode(CADPRG_ACCEPT);
  ASSERT_EQ(poly->Points().Count(), 4);
  EXPECT_TRUE(IsSamePoint2D(poly->Points().GetPoint(1), At(50, 80))) << "inserted at index 1";
  EXPECT_TRUE(IsSamePoint2D(poly->Points().GetPoint(3), At(90, 60)));
}

TEST_F(TasksTest, CropRectangleReportsItsSizeAndReadiness) {
  std::vector<std::pair<TPoint2D, TPoint2D>> sizes;
  int ready = 0;
  ASSERT_TRUE(StartCropRectangle(
      prg, [&](const TPoint2D& a, const TPoint2D& b) { sizes.emplace_back(a, b); }, [&] { ++ready; }));
  Move(5, 5);
  EXPECT_TRUE(sizes.empty()) << "no corner yet";
  Click(10, 10);
  EXPECT_FALSE(prg.CropAreaReady);
  Move(40, 30);
  ASSERT_FALSE(sizes.empty());
  EXPECT_TRUE(IsSamePoint2D(sizes.back().first, At(10, 10)));
  EXPECT_TRUE(IsSamePoint2D(sizes.back().second, At(40, 30)));
  Click(40, 30);
  EXPECT_TRUE(prg.CropAreaReady);
  EXPECT_EQ(ready, 1);
  Click(60, 60);
  EXPECT_FALSE(prg.CropAreaReady) << "a new first corner";
  Click(70, 70);
  EXPECT_EQ(ready, 2);

  // A drag draws the rectangle in one go, even when the release comes without a move before it.
  Drag(20, 20, 50, 45);
  EXPECT_TRUE(prg.CropAreaReady);
  EXPECT_EQ(ready, 3);
  EXPECT_TRUE(IsSamePoint2D(sizes.back().first, At(20, 20)));
  EXPECT_TRUE(IsSamePoint2D(sizes.back().second, At(50, 45)));
  Move(20, 20);
  QTest::mousePress(view.get(), Qt::LeftButton, {}, Screen(20, 20));
  QTest::mouseRelease(view.get(), Qt::LeftButton, {}, Screen(60, 30));
  EXPECT_EQ(ready, 4);
  EXPECT_TRUE(IsSamePoint2D(sizes.back().second, At(60, 30)));
  // The release of the click that places the second corner starts nothing.
  Click(30, 30);
  Click(45, 35);
  EXPECT_EQ(ready, 5);
  EXPECT_TRUE(prg.CropAreaReady);
  Move(55, 55);
  EXPECT_TRUE(IsSamePoint2D(sizes.back().second, At(45, 35))) << "no first corner after the second click";
  prg.PostUserCode(CADPRG_CANCEL);
  ExpectIdle("crop cancelled");
}

class TUnregisteredPoint : public TPunto2D {
 public:
  using TPunto2D::TPunto2D;
  std::string ClassName() const override { return "TUnregisteredPoint"; }
};

// A polyline takes a point a click until Done or Closed; short figures add nothing, a click on the
// last point adds no empty side, and Done before a sized primitive's first click adds nothing either.
TEST_F(TasksTest, UnsizedDrawingTakesPointsUntilDoneOrClosed) {
  struct Row {
    const char* what;
    std::vector<std::pair<double, double>> clicks;
    std::vector<int> codes;  // user codes sent after the clicks
    int added;               // points of the polyline added; 0: none added
    bool busyAfter;          // still drawing when the codes are sent
  };
  const Row rows[] = {
      {"Done after three", {{10, 10}, {40, 10}, {40, 30}}, {CADPRG_ACCEPT}, 3, false},
      {"Closed after three", {{10, 10}, {40, 10}, {40, 30}}, {CADPRG_CLOSE}, 4, false},
      {"Done after one", {{10, 10}}, {CADPRG_ACCEPT}, 0, false},
      {"Closed after two waits, Done adds two", {{10, 10}, {40, 10}}, {CADPRG_CLOSE}, 0, true},
      {"a repeated click adds no side", {{10, 10}, {10, 10}, {40, 10}}, {CADPRG_ACCEPT}, 2, false},
      {"Esc", {{10, 10}, {40, 10}}, {CADPRG_CANCEL}, 0, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    drawing.ClearObjects();
    // Points given to the primitive beforehand do not count.
    auto primitive = std::make_unique<TPolyline2D>(-1);
    primitive->Points().Add(Point2D(99, 99));
    ASSERT_TRUE(StartDrawUnSizedPrimitive(prg, std::move(primitive)));
    for (const auto& [x, y] : row.clicks) Click(x, y);
    Move(70, 70);
    for (int code : row.codes) prg.PostUserCode(code);
    EXPECT_EQ(prg.IsBusy(), row.busyAfter);
    if (row.busyAfter) {
      EXPECT_EQ(drawing.NumObjects(), 0);
      prg.PostUserCode(CADPRG_ACCEPT);
      EXPECT_EQ(drawing.NumObjects(), 1);
      continue;
    }
    ExpectIdle(row.what);
    ASSERT_EQ(drawing.NumObjects(), row.added ? 1 : 0);
    if (!row.added) continue;
    const auto* poly = dynamic_cast<TPolyline2D*>(drawing.GetObject(drawing.NextObjectID() - 1));
    ASSERT_NE(poly, nullptr);
    ASSERT_EQ(poly->Points().Count(), row.added);
    std::vector<std::pair<double, double>> placed;
    for (const auto& c : row.clicks)
      if (placed.empty() || placed.back() != c) placed.push_back(c);
    if (row.added > int(placed.size())) placed.push_back(placed.front());
    for (int i = 0; i < row.added; ++i)
      EXPECT_TRUE(IsSamePoint2D(poly->Points().GetPoint(i), At(placed[i].first, placed[i].second))) << "point " << i;
  }

  // Ortho: each point keeps the last one's Y or X, whichever is nearer.
  drawing.ClearObjects();
  prg.UseOrto = true;
  StartDrawUnSizedPrimitive(prg, std::make_unique<TPolyline2D>(-1));
  Click(10, 10);
  Click(40, 13);
  Click(42, 50);
  prg.PostUserCode(CADPRG_ACCEPT);
  prg.UseOrto = false;
  ASSERT_EQ(drawing.NumObjects(), 1);
  const TPrimitive2D& ortho = Object(drawing.NextObjectID() - 1);
  EXPECT_TRUE(IsSamePoint2D(ortho.Points().GetPoint(1), Point2D(At(40, 13).X, At(10, 10).Y)));
  EXPECT_TRUE(IsSamePoint2D(ortho.Points().GetPoint(2), Point2D(At(40, 13).X, At(42, 50).Y)));

  // A primitive whose points may not grow cannot be drawn this way.
  const TPoint2D two[] = {Point2D(0, 0), Point2D(1, 1)};
  StartDrawUnSizedPrimitive(prg, std::make_unique<TPolyline2D>(-1, two));
  ExpectIdle("refused");

  // Done before the first click of a sized primitive: no circle of radius 0 at the origin.
  drawing.ClearObjects();
  StartDrawSizedPrimitive(prg, std::make_unique<TCerchio2D>(-1, Point2D(0, 0), Point2D(0, 0)));
  prg.PostUserCode(CADPRG_ACCEPT);
  ExpectIdle("sized Done at once");
  EXPECT_EQ(drawing.NumObjects(), 0);
}

TEST_F(TasksTest, AWrongParameterIsNamedByTheState) {
  TCADPrgParam plain;
  TKQD2D_SelectObjectsParam empty(5, nullptr);
  TUnregisteredPoint unregistered(1, Point2D(0, 0));
  TCADPrgParam withUnregistered;
  withUnregistered.UserObject = &unregistered;
  const struct {
    const TCADStateClass* cls;
    TCADPrgParam* param;
    const char* message;
  } cases[] = {
      {StateClassOf<TKQ2D_DrawSizedPrimitive>(), &plain, "TKQ2D_DrawSizedPrimitiveParam: Invalid param"},
      {StateClassOf<TKQ2D_DrawUnSizedPrimitive>(), &plain, "TKQ2D_DrawUnSizedPrimitiveParam: Invalid param"},
      {StateClassOf<TKQ2D_Select1Object>(), &plain, "TKQ2D_Select1Object: Invalid param"},
      {StateClassOf<TCAD2DSeleziona2Ogg>(), nullptr, "TCAD2DSelectObject: Invalid param"},
      {StateClassOf<TSCSelRett>(), &plain, "TCAD2DTransformObjects: Invalid param"},
      {StateClassOf<TCAD2DEditSelectedPrimitive>(), &empty, "TCAD2DEditSelectedObjects: Invalid param"},
      {StateClassOf<TKQ2D_EditPrimitive>(), &plain, "TKQ2D_EditPrimitive: Invalid param"},
      {StateClassOf<TKQ2D_EditPrimitive>(), &withUnregistered, "TCAD2DEditPrimitive: Only registered classes are allowed"},
  };
  for (const auto& c : cases) {
    const TCADStateClass* next = nullptr;
    try {
      c.cls->Create(prg, c.param, next);
      ADD_FAILURE() << c.message << ": nothing raised";
    } catch (const EKQSysException& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
  // Through the program the operation just ends.
  EXPECT_FALSE(prg.StartOperation(StateClassOf<TKQ2D_Select1Object>(), std::make_unique<TCADPrgParam>()));
  ExpectIdle("wrong parameter");
}

}  // namespace
}  // namespace cad
