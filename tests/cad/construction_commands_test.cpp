// The construction commands run as the follow-ups of the pick tasks, with real clicks on a shown
// view of the window (-10, -10)-(15, 15) (four pixels a drawing unit).
#include "cad/construction_commands.h"

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
}

TEST_F(CommandsTest, BreakThroughThePick) {
  const struct {
    std::function<void(CommandsTest&)> make;
    TPoint2D at0, at1;
    size_t lines, arcs;
    const char* what;
  } cases[] = {
      {[](CommandsTest& t) { t.Line(0, 0, 10, 0), t.Line(5, -5, 5, 5); }, Point2D(2, 0), Point2D(5, 3), 4, 0,
       "two crossing lines"},
      {[](CommandsTest& t) { t.Line(0, 0, 10, 0), t.Line(5, 0, 5, 5); }, Point2D(2, 0), Point2D(5, 3), 3, 0,
       "an end on the other line"},
      {[](CommandsTest& t) { t.Line(9, -20, 9, 20), t.Arc(0, 0, 10, 5 * kPi / 3, kPi / 3); }, Point2D(9, 12),
       Point2D(5, 8.66), 3, 3, "a line across an arc"},
  };
  for (const auto& c : cases) {
    drawing.ClearObjects();
    c.make(*this);
    const int32_t first = drawing.NextObjectID() - 2;
    ASSERT_TRUE(StartBreak(prg, nullptr));
    Click(c.at0);
    Click(c.at1);
    EXPECT_FALSE(prg.IsBusy()) << c.what;
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

TEST_F(CommandsTest, TangentLineAndTheCommandsWithoutConstruction) {
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

  // Tangent arc from one object and the perpendicular line pick one object and end.
  for (TStart start : {StartArcTangent1, StartLinePerpendicular}) {
    int highlighted = 0;
    ASSERT_TRUE(start(prg, [&](TKQD2D_SelectObjectsParam&, TObject2D&, bool, int) { ++highlighted; }));
    Click(Point2D(0, 2));
    EXPECT_EQ(highlighted, 1);
    EXPECT_FALSE(prg.IsBusy());
    EXPECT_EQ(prg.ParamCount(), 0u);
    EXPECT_EQ(drawing.NumObjects(), 2);
  }
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

}  // namespace
}  // namespace cad
