// The construction commands run as the follow-ups of the pick tasks, with real clicks on a shown
// view of the window (-10, -10)-(15, 15) (four pixels a drawing unit).
#include "cad/construction_commands.h"

#include "cad/corner2d.h"

#include <gtest/gtest.h>

#include <QtTest/QTest>

#include <functional>

#include "construction_test_support.h"
#include "viewport_test_support.h"

namespace cad {
namespace {

class CommandsTest : public ViewportTest {
 public:
  void SetUp() override {
    ViewportTest::SetUp();
    view->ShowWindowRect(Rect2D(-10, -10, 15, 15));
    prg.SetViewport2D(view.get());
  }
  void TearDown() override {
    prg.SetViewport(nullptr);
    ViewportTest::TearDown();
  }
  void Click(const TPoint2D& p) {
    const platform::Point s = Pixel(p.X, p.Y);
    MoveMouse(view.get(), QPoint(s.X, s.Y));
    QTest::mouseClick(view.get(), Qt::LeftButton, {}, QPoint(s.X, s.Y));
  }
  int32_t Line(double x1, double y1, double x2, double y2) { return AddLine(x1, y1, x2, y2)->ID; }
  int32_t Arc(double cx, double cy, double r, double start, double end) {
    return drawing.AddObject(-1, std::make_unique<TArco2D>(-1, Point2D(cx, cy), Point2D(cx + r, cy), start, end))->ID;
  }
  int32_t Circle(double cx, double cy, double r) {
    return drawing.AddObject(-1, std::make_unique<TCerchio2D>(-1, Point2D(cx, cy), Point2D(cx + r, cy)))->ID;
  }
  std::vector<TCurve> Curves(bool lines) {
    std::vector<TCurve> found;
    auto it = drawing.ObjectsIterator();
    for (TGraphicObject* o = it->First(); o; o = it->Next()) {
      TCurve c;
      if (ReadCurve(static_cast<TObject2D&>(*o), c) && c.IsLine == lines) found.push_back(c);
    }
    return found;
  }

  TKQPrg2D prg;
};

using TStart = bool (*)(TKQPrg2D&, TSelectedObjectEvent);

TEST_F(CommandsTest, TrimAndTangentArcThroughThePick) {
  enum { kTrim, kArcTrimmed, kArcOnly };
  const struct {
    double aEnd, bStart;  // A (0,0)-(aEnd,0) picked at (2,0), B (5,bStart)-(5,5) picked at (5,3)
    int command;
    TPoint2D a1, b0;
    const char* what;
  } cases[] = {
      {10, -5, kTrim, Point2D(5, 0), Point2D(5, 0), "crossing lines trimmed at the corner"},
      {4, 1, kTrim, Point2D(5, 0), Point2D(5, 0), "a short line extended to the corner"},
      {10, -5, kArcTrimmed, Point2D(4, 0), Point2D(5, 1), "trimmed to the tangent arc"},
      {10, -5, kArcOnly, Point2D(10, 0), Point2D(5, -5), "a full tangent circle, lines unchanged"},
  };
  for (const auto& c : cases) {
    drawing.ClearObjects();
    const int32_t a = Line(0, 0, c.aEnd, 0), b = Line(5, c.bStart, 5, 5);
    prg.ConstructionSettings = {10, 1, c.command == kArcTrimmed};
    ASSERT_TRUE((c.command == kTrim ? StartTrim : StartArcTangent2)(prg, nullptr)) << c.what;
    Click(Point2D(2, 0));
    Click(Point2D(5, 3));
    EXPECT_FALSE(prg.IsBusy()) << c.what;
    EXPECT_EQ(prg.ParamCount(), 0u) << c.what;
    if (c.command == kTrim) {
      EXPECT_EQ(prg.ConstructionSettings.FilletRadius, 0) << "Trim is a fillet of radius 0";
    }
    const auto lines = Curves(true);
    ASSERT_EQ(lines.size(), 2u) << c.what;
    EXPECT_EQ(lines[0].ID, a) << c.what;
    EXPECT_EQ(lines[1].ID, b) << c.what;
    ExpectPoint(lines[0].P0, 0, 0, c.what);
    ExpectPoint(lines[0].P1, c.a1.X, c.a1.Y, c.what);
    ExpectPoint(lines[1].P0, c.b0.X, c.b0.Y, c.what);
    ExpectPoint(lines[1].P1, 5, 5, c.what);
    const auto arcs = Curves(false);
    ASSERT_EQ(arcs.size(), c.command == kTrim ? 0u : 1u) << c.what;
    if (c.command == kTrim) continue;
    ExpectPoint(arcs[0].Arc.Centre, 4, 1, c.what);
    EXPECT_NEAR(arcs[0].Arc.Radius, 1, 1e-9) << c.what;
    ExpectAngle(arcs[0].Arc.StartAngle, c.command == kArcTrimmed ? 3 * kPi / 2 : 0, c.what);
    ExpectAngle(arcs[0].Arc.EndAngle, 0, c.what);
  }

  // A command that cannot act says why, and only then.
  std::vector<std::string> said;
  prg.OnConstructionMessage = [&](const std::string& text) { said.push_back(text); };
  drawing.ClearObjects();
  Line(0, 0, 10, 0), Line(0, 2, 10, 2);
  ASSERT_TRUE(StartTrim(prg, nullptr));
  Click(Point2D(5, 0));
  Click(Point2D(5, 2));
  EXPECT_EQ(said, std::vector<std::string>{kParallelLinesText});
  drawing.ClearObjects();
  Line(0, 0, 10, 0), Line(5, -5, 5, 5);
  ASSERT_TRUE(StartTrim(prg, nullptr));
  Click(Point2D(2, 0));
  Click(Point2D(5, 3));
  EXPECT_EQ(said.size(), 1u) << "a trim that acted says nothing";
}

TEST_F(CommandsTest, FilletAndExtendThroughThePick) {
  Line(0, 0, 10, 0), Line(5, -5, 5, 5);
  prg.ConstructionSettings = {2, 7, false};
  ASSERT_TRUE(StartFillet(prg, nullptr));
  Click(Point2D(2, 0));
  Click(Point2D(5, 3));
  EXPECT_FALSE(prg.IsBusy());
  EXPECT_EQ(prg.ParamCount(), 0u);
  auto lines = Curves(true);
  ASSERT_EQ(lines.size(), 2u);
  ExpectPoint(lines[0].P1, 3, 0, "first line trimmed to the fillet");
  ExpectPoint(lines[1].P0, 5, 2, "second line trimmed to the fillet");
  const auto arcs = Curves(false);
  ASSERT_EQ(arcs.size(), 1u);
  EXPECT_NEAR(arcs[0].Arc.Radius, 2, 1e-9) << "the fillet radius, not the tangent arc's";

  drawing.ClearObjects();
  const int32_t shortLine = Line(0, 0, 3, 0), wall = Line(6, -5, 6, 5);
  ASSERT_TRUE(StartExtend(prg, nullptr));
  Click(Point2D(1, 0));
  Click(Point2D(6, 3));
  EXPECT_FALSE(prg.IsBusy());
  lines = Curves(true);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].ID, shortLine);
  ExpectPoint(lines[0].P1, 6, 0, "lengthened up to the wall");
  ExpectPoint(lines[1].P0, 6, -5, "the wall stays");
  EXPECT_EQ(lines[1].ID, wall);
}

// The offset picks one object, shows its copy until Done (added on the source's layer) or Cancel;
// the copy follows the distance while it shows, and what has no offset is picked again.
TEST_F(CommandsTest, OffsetThroughThePick) {
  std::vector<std::string> said;
  prg.OnConstructionMessage = [&](const std::string& text) { said.push_back(text); };
  const int32_t line = Line(0, 0, 10, 0);
  drawing.GetObject(line)->Layer = 4;
  drawing.AddObject(-1, std::make_unique<TPunto2D>(-1, Point2D(0, 8)));
  prg.ConstructionSettings.OffsetDistance = 2;
  // The pick's highlight, drawn as the main window draws it: over the screen, in XOR.
  ASSERT_TRUE(StartOffset(prg, [&](TKQD2D_SelectObjectsParam&, TObject2D& o, bool, int) {
    view->DrawRubberObject(o, false);
  }));
  prg.PostUserCode(CADPRG_ACCEPT);
  EXPECT_TRUE(prg.IsBusy()) << "Done with nothing picked waits for the pick";
  const platform::Point point = Pixel(0, 8);
  MoveMouse(view.get(), QPoint(point.X, point.Y));
  const QImage beforePick = view->grab().toImage();
  Click(Point2D(0, 8));
  EXPECT_EQ(said, std::vector<std::string>{kNoOffsetText});
  EXPECT_TRUE(prg.IsBusy()) << "a point has no offset: pick again";
  EXPECT_EQ(view->grab().toImage(), beforePick) << "the refused object's highlight is gone";
  Click(Point2D(5, 0));
  ASSERT_TRUE(prg.IsBusy());
  EXPECT_EQ(drawing.NumObjects(), 2) << "the copy shows, it is not in the drawing yet";
  prg.ConstructionSettings.OffsetDistance = 0;
  prg.PostUserCode(kOffsetChangedCode);
  prg.PostUserCode(CADPRG_ACCEPT);
  EXPECT_EQ(said.back(), kOffsetZeroText);
  EXPECT_EQ(drawing.NumObjects(), 2);
  prg.ConstructionSettings.OffsetDistance = -3;
  prg.PostUserCode(kOffsetChangedCode);
  prg.PostUserCode(CADPRG_ACCEPT);
  EXPECT_FALSE(prg.IsBusy());
  EXPECT_EQ(prg.ParamCount(), 0u);
  const auto lines = Curves(true);
  ASSERT_EQ(lines.size(), 2u);
  ExpectPoint(lines[1].P0, 0, -3, "the copy at the distance it had at Done");
  ExpectPoint(lines[1].P1, 10, -3, "the copy's second point");
  EXPECT_EQ(drawing.GetObject(lines[1].ID)->Layer, 4) << "on the source's layer";
  // Cancel drops the copy.
  ASSERT_TRUE(StartOffset(prg, nullptr));
  Click(Point2D(5, 0));
  prg.PostUserCode(CADPRG_CANCEL);
  EXPECT_FALSE(prg.IsBusy());
  EXPECT_EQ(prg.ParamCount(), 0u);
  EXPECT_EQ(drawing.NumObjects(), 3);
}

TEST_F(CommandsTest, BreakThroughThePick) {
  const struct {
    std::function<void(CommandsTest&)> make;
    TPoint2D at0, at1;
    size_t lines, arcs;
    TPoint2D crossing;  // one of them
    const char* what;
  } cases[] = {
      {[](CommandsTest& t) { t.Line(0, 0, 10, 0), t.Line(5, -5, 5, 5); }, Point2D(2, 0), Point2D(5, 3), 4, 0,
       Point2D(5, 0), "two crossing lines"},
      {[](CommandsTest& t) { t.Line(0, 0, 10, 0), t.Line(5, 0, 5, 5); }, Point2D(2, 0), Point2D(5, 3), 3, 0,
       Point2D(5, 0), "an end on the other line"},
      {[](CommandsTest& t) { t.Line(9, -20, 9, 20), t.Arc(0, 0, 10, 5 * kPi / 3, kPi / 3); }, Point2D(9, 12),
       Point2D(5, 8.66), 3, 3, Point2D(9, std::sqrt(19.0)), "a line across an arc"},
  };
  for (const auto& c : cases) {
    drawing.ClearObjects();
    c.make(*this);
    const int32_t first = drawing.NextObjectID() - 2;
    ASSERT_TRUE(StartBreak(prg, nullptr));
    Click(c.at0);
    Click(c.at1);
    EXPECT_FALSE(prg.IsBusy()) << c.what;
    // The crossings stay marked on the screen after the refresh that ends the command; nothing
    // else differs from the buffer.
    const QImage screen = view->ScreenImage(), buffer = view->BufferImage();
    const platform::Point x = Pixel(c.crossing.X, c.crossing.Y);
    int marked = 0, elsewhere = 0;
    for (int py = 0; py < screen.height(); ++py)
      for (int px = 0; px < screen.width(); ++px)
        if (screen.pixel(px, py) != buffer.pixel(px, py)) ++(std::abs(px - x.X) <= 4 && std::abs(py - x.Y) <= 4 ? marked : elsewhere);
    EXPECT_GT(marked, 0) << c.what << ": the crossing is marked";
    if (c.arcs == 0) {
      EXPECT_EQ(elsewhere, 0) << c.what;
    }
    EXPECT_EQ(drawing.GetObject(first), nullptr) << c.what << ": the original is gone";
    const auto lines = Curves(true), arcs = Curves(false);
    EXPECT_EQ(lines.size(), c.lines) << c.what;
    EXPECT_EQ(arcs.size(), c.arcs) << c.what;
    for (const TCurve& l : lines) EXPECT_GT(l.Size(), 1e-4) << c.what << ": no zero-length piece";
    double sweep = 0;
    for (const TCurve& a : arcs) sweep += a.Size();
    if (c.arcs) {
      EXPECT_NEAR(sweep, 2 * kPi / 3, 1e-9) << c.what;
    }
    if (c.lines == 4) {
      for (const TCurve& l : lines)
        EXPECT_TRUE(IsSamePoint2D(l.P0, Point2D(5, 0)) || IsSamePoint2D(l.P1, Point2D(5, 0))) << c.what;
    }
  }
}

TEST_F(CommandsTest, TangentLineAndAPickedObjectThatHasGone) {
  const struct {
    double y;  // both circles picked at this height
    bool added;
  } cases[] = {{1.1, true}, {-1.1, true}};
  for (const auto& c : cases) {
    drawing.ClearObjects();
    Circle(0, 0, 1), Circle(10, 0, 1);
    ASSERT_TRUE(StartLineTangent2Arcs(prg, nullptr));
    Click(Point2D(0, c.y));
    Click(Point2D(10, c.y));
    const auto lines = Curves(true);
    ASSERT_EQ(lines.size(), 1u) << c.y;
    ExpectPoint(lines[0].P0, 0, c.y > 0 ? 1 : -1, "first tangent point");
    ExpectPoint(lines[0].P1, 10, c.y > 0 ? 1 : -1, "second tangent point");
  }
  drawing.ClearObjects();
  Circle(0, 0, 2), Circle(0, 0, 4);
  StartLineTangent2Arcs(prg, nullptr);
  Click(Point2D(0, 2.1));
  Click(Point2D(0, 4.1));
  EXPECT_FALSE(prg.IsBusy());
  EXPECT_EQ(drawing.NumObjects(), 2) << "concentric circles add nothing";

  // A picked object deleted before the command runs: nothing acts on it.
  const int32_t gone = Line(-5, 5, 5, 5);
  auto* param = new TKQD2D_SelectObjectsParam(5, StateClassOf<TMyBreak>());
  param->SelectedObjects.Add(drawing.GetObject(gone));
  param->SelectedObjects.Add(drawing.GetObject(gone - 1));
  drawing.DeleteObject(gone);
  TTwoObjectPick pick;
  EXPECT_FALSE(ResolveTwoObjectPick(prg, param, pick));
  delete param;
}

// "Line Perpend." and "1 entity + center point": the object, then the point the construction starts
// from. A point with nothing to construct is said and another may be clicked; an object without a
// perpendicular is said and the pick starts again; Cancel at any step leaves the drawing as it was.
TEST_F(CommandsTest, PerpendicularLineAndTouchingCircleFromAPickAndAPoint) {
  const std::string beyond = FootFailureText(TFootFailure::BeyondTheEnds), on = FootFailureText(TFootFailure::OnTheObject);
  const std::string noLine = FootFailureText(TFootFailure::NoLineOrArc);
  struct Row {
    const char* what;
    TStart start;
    std::vector<TPoint2D> clicks;  // the object first, then the points
    bool cancel;                   // Cancel after the clicks
    std::vector<std::string> said;
    bool added, line;
    TPoint2D a;  // the line's first point, or the circle's centre
    TPoint2D b;  // the line's second point, or the circle's radius in X
  };
  const Row rows[] = {
      {"perpendicular line", StartLinePerpendicular, {Point2D(5, 0), Point2D(4, 3)}, false, {}, true, true,
       Point2D(4, 3), Point2D(4, 0)},
      {"touching circle", StartArcTangent1, {Point2D(5, 0), Point2D(2, -4)}, false, {}, true, false, Point2D(2, -4),
       Point2D(4, 0)},
      {"touching circle of a circle", StartArcTangent1, {Point2D(-3, 5), Point2D(-1, 5)}, false,
       {}, true, false, Point2D(-1, 5), Point2D(2, 0)},
      {"a foot beyond the line, a point on it, then one that works", StartLinePerpendicular,
       {Point2D(5, 0), Point2D(12, 3), Point2D(4, 0), Point2D(4, 3)}, false, {beyond, on, ""}, true, true,
       Point2D(4, 3), Point2D(4, 0)},
      {"a point entity first, then the line", StartArcTangent1, {Point2D(0, 8), Point2D(5, 0), Point2D(3, 2)}, false,
       {noLine}, true, false, Point2D(3, 2), Point2D(2, 0)},
      {"cancelled after the pick", StartLinePerpendicular, {Point2D(5, 0)}, true, {}, false, false, {}, {}},
      {"cancelled after a point with nothing to construct", StartArcTangent1, {Point2D(5, 0), Point2D(12, 3)}, true,
       {beyond}, false, false, {}, {}},
      {"cancelled before the pick", StartArcTangent1, {}, true, {}, false, false, {}, {}},
  };
  // Where a click at p is read (the middle of its pixel): the objects are laid out there, so that
  // a click at (4, 0) lies on the line.
  auto read = [&](const TPoint2D& p) {
    const platform::Point s = Pixel(p.X, p.Y);
    return CartesianPoint2D(view->ScreenToViewport(Point2D(s.X, s.Y)));
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    drawing.ClearObjects();
    const TPoint2D from = read(Point2D(0, 0)), to = read(Point2D(10, 0));
    Line(from.X, from.Y, to.X, to.Y);
    const TPoint2D centre = read(Point2D(-5, 5));
    Circle(centre.X, centre.Y, 2);
    drawing.AddObject(-1, std::make_unique<TPunto2D>(-1, Point2D(0, 8)));
    std::vector<std::string> said;
    prg.OnConstructionMessage = [&](const std::string& text) { said.push_back(text); };
    int highlighted = 0;
    ASSERT_TRUE(row.start(prg, [&](TKQD2D_SelectObjectsParam&, TObject2D&, bool, int) { ++highlighted; }));
    for (const TPoint2D& p : row.clicks) Click(p);
    if (row.clicks.size() == 1) {
      EXPECT_EQ(prg.Description(), PointPromptText(row.start == StartLinePerpendicular ? TPointConstruction::PerpendicularLine
                                                                                      : TPointConstruction::TouchingCircle));
    }
    if (row.cancel) {
      EXPECT_TRUE(prg.IsBusy());
      prg.PostUserCode(CADPRG_CANCEL);
    }
    EXPECT_FALSE(prg.IsBusy());
    EXPECT_EQ(prg.ParamCount(), 0u);
    EXPECT_EQ(said, row.said);
    EXPECT_EQ(highlighted, row.clicks.empty() ? 0 : int(row.said == std::vector<std::string>{noLine}) + 1);
    ASSERT_EQ(drawing.NumObjects(), row.added ? 4 : 3);
    if (!row.added) continue;
    TObject2D* last = nullptr;
    auto it = drawing.ObjectsIterator();
    for (TGraphicObject* o = it->First(); o; o = it->Next()) last = static_cast<TObject2D*>(o);
    it.reset();
    TCurve made;
    ASSERT_TRUE(ReadCurve(*last, made));
    ASSERT_EQ(made.IsLine, row.line);
    const TPoint2D a = read(row.a), b = read(row.b);
    if (row.line) {
      ExpectPoint(made.P0, a.X, a.Y, "from the point");
      ExpectPoint(made.P1, b.X, b.Y, "to its foot");
    } else {
      ExpectPoint(made.Arc.Centre, a.X, a.Y, "centred at the point");
      EXPECT_NEAR(made.Arc.Radius, row.b.X, 1e-9);
    }
  }
}

}  // namespace
}  // namespace cad
