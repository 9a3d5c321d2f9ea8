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
  ASSERT_TRUE(StartOffset(prg, nullptr));
  prg.PostUserCode(CADPRG_ACCEPT);
  EXPECT_TRUE(prg.IsBusy()) << "Done with nothing picked waits for the pick";
  Click(Point2D(0, 8));
  EXPECT_EQ(said, std::vector<std::string>{kNoOffsetText});
  EXPECT_TRUE(prg.IsBusy()) << "a point has no offset: pick again";
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
