// The 2D viewport: drawing objects in their layer's style and as rubber bands, picking, fitting the
// window to the drawing, copying to another canvas, and its mouse events in drawing units.
#include "cad/viewport2d.h"

#include <gtest/gtest.h>

#include <QtTest/QTest>

#include "cad/curves2d.h"
#include "chained_library.h"
#include "drawing_test_support.h"
#include "viewport_test_support.h"

namespace cad {
namespace {

class Viewport2DTest : public ViewportTest {};

TEST_F(Viewport2DTest, ObjectsAreDrawnInTheirLayersStyle) {
  TLine2D* styled = AddLine(10, 20, 90, 20);
  TLine2D* plain = AddLine(10, 40, 90, 40);
  plain->LayerStyled = false;
  TLine2D* hidden = AddLine(10, 60, 90, 60);
  hidden->Layer = 3;
  drawing.Layers().Layer(3).Visible = false;
  TLine2D* invisible = AddLine(10, 80, 90, 80);
  invisible->Visible = false;
  view->Repaint();
  EXPECT_EQ(BufferAt(50, 20), kLineColor);
  EXPECT_EQ(BufferAt(50, 40), platform::clBlue) << "without its layer's style: blue";
  EXPECT_EQ(BufferAt(50, 60), platform::clSilver) << "a hidden layer";
  EXPECT_EQ(BufferAt(50, 80), platform::clSilver) << "an invisible object";
  EXPECT_EQ(ScreenAt(50, 20), kLineColor);

  // Control points: a marker outlined in the rubber pen's colour around each end.
  view->SetShowControlPoints(true);
  view->SetRubberPenColor(platform::clLime);
  view->Repaint();
  EXPECT_EQ(BufferAt(10, 22.5), platform::clLime) << "a marker around the end";
  EXPECT_EQ(BufferAt(50, 22.5), platform::clSilver);
  view->SetShowControlPoints(false);

  // Added with DrawOnAdd, an object shows at once without a repaint.
  drawing.DrawOnAdd = true;
  AddLine(50, 0, 50, 100);
  EXPECT_EQ(ScreenAt(50, 90), kLineColor);
  (void)styled;
}

TEST_F(Viewport2DTest, ARubberBandDrawnTwiceIsGoneAndPaintObjectReachesBoth) {
  AddLine(10, 10, 90, 10);
  view->Repaint();
  const QImage before = view->ScreenImage().copy();
  TLine2D band(-1, Point2D(0, 0), Point2D(100, 100));
  band.UpdateAndNotify();
  view->DrawRubberObject(band, true);
  EXPECT_NE(view->ScreenImage(), before);
  EXPECT_EQ(ScreenAt(50, 50), view->RubberPen().Color ^ platform::clSilver) << "exclusive-or on the background";
  EXPECT_EQ(BufferAt(50, 50), platform::clSilver) << "the buffer does not have it";
  view->DrawRubberObject(band, true);
  EXPECT_EQ(view->ScreenImage(), before) << "drawn twice, it is gone";

  TLine2D painted(-1, Point2D(0, 70), Point2D(100, 70));
  painted.UpdateAndNotify();
  view->PaintObject(painted, false);
  EXPECT_EQ(BufferAt(50, 70), kLineColor);
  EXPECT_EQ(ScreenAt(50, 70), kLineColor);
}

TEST_F(Viewport2DTest, PickingFindsTheLaterOfEqualsAndSkipsWhatCannotBePicked) {
  TLine2D* below = AddLine(0, 48, 100, 48);
  TLine2D* above = AddLine(0, 52, 100, 52);
  int code = 0;
  EXPECT_EQ(view->HitTestObject(Point2D(50, 50), 5, code), above) << "equal distances: the later wins";
  EXPECT_EQ(code, PICK_ONOBJECT);
  EXPECT_EQ(view->HitTestObject(Point2D(50, 50), 5, code, true), below) << "stop at the first";
  EXPECT_EQ(view->HitTestObject(Point2D(50, 49), 5, code), below) << "the nearer wins";
  EXPECT_EQ(view->HitTestObject(Point2D(100, 52), 5, code), above);
  EXPECT_EQ(code, 1) << "a control point beats the outline";
  EXPECT_EQ(view->HitTestObject(Point2D(50, 30), 5, code), nullptr);
  EXPECT_EQ(code, PICK_NOOBJECT);

  struct Case {
    const char* what;
    std::function<void()> make;
    std::function<void()> undo;
  };
  const Case cases[] = {
      {"inactive layer", [&] { drawing.Layers().Layer(0).Active = false; }, [&] { drawing.Layers().Layer(0).Active = true; }},
      {"hidden layer", [&] { drawing.Layers().Layer(0).Visible = false; }, [&] { drawing.Layers().Layer(0).Visible = true; }},
      {"invisible", [&] { below->Visible = above->Visible = false; }, [&] { below->Visible = above->Visible = true; }},
      {"not styled by its layer", [&] { below->LayerStyled = above->LayerStyled = false; },
       [&] { below->LayerStyled = above->LayerStyled = true; }},
      {"another pick class", [&] { view->PickClass = ClassOf<TCerchio2D>(); },
       [&] { view->PickClass = ClassOf<TObject2D>(); }},
      {"outside the window", [&] { view->ShowWindowRect(Rect2D(200, 200, 300, 300)); },
       [&] { view->ShowWindowRect(Rect2D(0, 0, 100, 100)); }},
  };
  for (const Case& c : cases) {
    c.make();
    EXPECT_EQ(view->HitTestObject(Point2D(50, 50), 5, code), nullptr) << c.what;
    c.undo();
  }
  {
    auto reading = drawing.ObjectsIterator();
    EXPECT_EQ(view->HitTestObject(Point2D(50, 50), 5, code), nullptr) << "an iterator is open";
    EXPECT_EQ(code, PICK_NOOBJECT);
  }
  EXPECT_EQ(view->HitTestObject(Point2D(50, 50), 5, code), above);

  // Inside the box of a diagonal line but away from it: the box only.
  TLine2D* diagonal = AddLine(0, 0, 40, 40);
  EXPECT_EQ(view->HitTestObject(Point2D(30, 10), 2, code), diagonal);
  EXPECT_EQ(code, PICK_INBBOX);
  EXPECT_TRUE(IsSamePoint2D(view->ViewportToObject(*diagonal, Point2D(3, 4)), Point2D(3, 4)));
  diagonal->SetTransform(Translate2D(10, 0));
  EXPECT_TRUE(IsSamePoint2D(view->ViewportToObject(*diagonal, Point2D(13, 4)), Point2D(3, 4)));
}

TEST_F(Viewport2DTest, ZoomToExtension) {
  view->ZoomToExtension();
  EXPECT_EQ(view->VisibleWindow(), Rect2D(0, 0, 100, 100)) << "an empty drawing";
  TLine2D* line = AddLine(0, 0, 100, 50);
  view->ZoomToExtension();
  EXPECT_EQ(view->VisibleWindow(), Rect2D(-5, -5, 105, 55));
  // Nothing shown: the window stays, the view repaints.
  line->Visible = false;
  int repaints = 0;
  view->OnEndRedraw = [&](TKQViewport&) { ++repaints; };
  view->ZoomToExtension();
  EXPECT_EQ(view->VisibleWindow(), Rect2D(-5, -5, 105, 55));
  EXPECT_EQ(repaints, 1);
  line->Visible = true;
  drawing.Layers().Layer(0).Visible = false;
  view->ZoomToExtension();
  EXPECT_EQ(view->VisibleWindow(), Rect2D(-5, -5, 105, 55)) << "every layer hidden";
}

TEST_F(Viewport2DTest, NestedBlocksPaintAsTheirLinesPlacedDirectlyAndATooLargeOneIsLeftOut) {
  // Three levels of blocks, placed moved, turned a quarter, scaled and mirrored (all exact in
  // binary), beside the last block of a library of 41 each placing the one before twice (2^40
  // lines): the view paints exactly as the same lines placed directly, without the chained block.
  TTransform2D quarter;
  quarter.M[0][0] = quarter.M[1][1] = 0;
  quarter.M[0][1] = 1;
  quarter.M[1][0] = -1;
  const std::vector<std::pair<TPoint2D, TPoint2D>> leafLines = {
      {Point2D(0, 0), Point2D(6, 0)}, {Point2D(0, 0), Point2D(0, 3)}, {Point2D(1, 1), Point2D(5, 3)}};
  const std::pair<TPoint2D, TPoint2D> midLine = {Point2D(0, -2), Point2D(12, -2)};
  const std::vector<TTransform2D> leafInMid = {IdentityTransform2D, MultiplyTransform2D(quarter, Translate2D(10, 0))};
  const std::vector<TTransform2D> midInTop = {Translate2D(5, 5), MultiplyTransform2D(Scale2D(2, 2), Translate2D(30, 10)),
                                              MultiplyTransform2D(Mirror2D(1), Translate2D(95, 40))};
  const TTransform2D midInView = MultiplyTransform2D(quarter, Translate2D(60, 60));
  const auto placeLine = [](TContainer2D* in, const std::pair<TPoint2D, TPoint2D>& line, const TTransform2D& m) {
    auto made = std::make_unique<TLine2D>(1, line.first, line.second);
    made->SetTransform(m);
    in->AddChild(std::move(made));
  };
  const auto place = [](TContainer2D* in, TSourceBlock2D& block, const TTransform2D& m) {
    auto placed = std::make_unique<TBlock2D>(2, block);
    placed->SetTransform(m);
    in->AddChild(std::move(placed));
  };

  TSourceBlock2D* leaf = AddBlock(drawing, "Leaf");
  for (const auto& line : leafLines) placeLine(leaf, line, IdentityTransform2D);
  leaf->UpdateAndNotify();
  TSourceBlock2D* mid = AddBlock(drawing, "Mid");
  placeLine(mid, midLine, IdentityTransform2D);
  for (const TTransform2D& m : leafInMid) place(mid, *leaf, m);
  mid->UpdateAndNotify();
  TSourceBlock2D* top = AddBlock(drawing, "Top");
  for (const TTransform2D& m : midInTop) place(top, *mid, m);
  top->UpdateAndNotify();
  drawing.AddObject(-1, std::make_unique<TBlock2D>(-1, *top));
  drawing.AddObject(-1, std::make_unique<TBlock2D>(-1, *mid))->SetTransform(midInView);
  LoadLibrary(drawing, ChainedLibrary(41, 2));
  TObject2D* chained = drawing.AddObject(-1, std::make_unique<TBlock2D>(-1, *drawing.FindSourceBlock("B40")));
  chained->SetTransform(Translate2D(20, 90));

  TKQCmp2D direct;
  platform::Pen pen = direct.Layers().Layer(0).Pen();
  pen.Color = kLineColor;
  direct.Layers().Layer(0).SetPen(pen);
  std::vector<TTransform2D> mids;
  for (const TTransform2D& m : midInTop) mids.push_back(m);
  mids.push_back(midInView);
  for (const TTransform2D& m : mids) {
    direct.AddObject(-1, Line(midLine.first.X, midLine.first.Y, midLine.second.X, midLine.second.Y))->SetTransform(m);
    for (const TTransform2D& l : leafInMid)
      for (const auto& line : leafLines)
        direct.AddObject(-1, std::make_unique<TLine2D>(-1, line.first, line.second))
            ->SetTransform(MultiplyTransform2D(l, m));
  }
  TKQViewport2D reference;
  reference.SetCADCmp(&direct);
  reference.resize(100, 100);
  reference.show();
  reference.ShowWindowRect(Rect2D(0, 0, 100, 100));

  view->Repaint();
  reference.Repaint();
  EXPECT_GT(CountPixels(view->BufferImage(), kLineColor), 150) << "the lines are there";
  EXPECT_EQ(view->BufferImage(), reference.BufferImage());

  // The chained block still has its box, for the extension, and is picked at its insertion point
  // alone.
  EXPECT_EQ(drawing.GetExtension(Rect2D(0, 0, 0, 0)).Second.Y, 91);
  int code = 0;
  EXPECT_EQ(view->HitTestObject(Point2D(20, 90), 2, code), chained);
  EXPECT_EQ(code, PICK_ONOBJECT);
  EXPECT_EQ(view->HitTestObject(Point2D(40.5, 90.5), 2, code), nullptr);
}

TEST_F(Viewport2DTest, CopyRectToCanvasDrawsOnTheWholeTarget) {
  AddLine(0, 10, 100, 10);
  TLine2D* hidden = AddLine(0, 50, 100, 50);
  hidden->Layer = 2;
  drawing.Layers().Layer(2).Visible = false;
  view->SetShowControlPoints(true);
  platform::Canvas target(400, 400, platform::clWhite);
  view->CopyRectToCanvas(Rect2D(0, 0, 100, 100), {0, 0, 400, 400}, 0, target);
  EXPECT_GT(CountPixels(target.Image(), kLineColor, QRect(300, 0, 100, 400)), 90) << "beyond the view's own size";
  EXPECT_EQ(CountPixels(target.Image(), kLineColor), CountPixels(target.Image(), kLineColor, QRect(0, 355, 400, 10)))
      << "one line, no control points, nothing of the hidden layer";
  EXPECT_TRUE(view->ShowControlPoints()) << "given back";
  EXPECT_TRUE(IsSameTransform2D(view->BuildTransformOfRect(Rect2D(0, 0, 1, 1), {0, 0, 5, 5}, 7),
                                view->GetViewportToScreen()));
}

TEST_F(Viewport2DTest, MouseEventsInDrawingUnits) {
  view->ShowWindowRect(Rect2D(-50, -50, 50, 50));
  std::vector<std::string> events;
  TPoint2D at;
  view->OnMouseMove2D = [&](TKQViewport2D&, platform::TShiftState, int x, int y, double dx, double dy) {
    events.push_back("move " + std::to_string(x) + "," + std::to_string(y));
    at = Point2D(dx, dy);
  };
  view->OnMouseDown2D = [&](TKQViewport2D&, platform::TMouseButton b, platform::TShiftState s, int, int, double, double) {
    events.push_back("down " + std::to_string(int(b)) + ((s & platform::ssDouble) ? " double" : ""));
  };
  view->OnMouseUp2D = [&](TKQViewport2D&, platform::TMouseButton b, platform::TShiftState, int, int, double, double) {
    events.push_back("up " + std::to_string(int(b)));
  };
  int doubles = 0;
  view->OnDblClick = [&](TKQViewport&) { ++doubles; };
  MoveMouse(view.get(), QPoint(75, 25));
  EXPECT_NEAR(at.X, 25.5, 1e-9);
  EXPECT_NEAR(at.Y, 24.5, 1e-9);
  QTest::mousePress(view.get(), Qt::RightButton, {}, QPoint(75, 25));
  QTest::mouseRelease(view.get(), Qt::RightButton, {}, QPoint(75, 25));
  QTest::mouseDClick(view.get(), Qt::LeftButton, {}, QPoint(75, 25));
  EXPECT_EQ(events, (std::vector<std::string>{"move 75,25", "down 1", "up 1", "down 0 double"}));
  EXPECT_EQ(doubles, 1);
  view->SuppressMouse2DEvents = true;
  MoveMouse(view.get(), QPoint(10, 10));
  EXPECT_EQ(events.size(), 4u) << "suppressed";
  view->SuppressMouse2DEvents = false;
}

TEST_F(Viewport2DTest, DrawingAndViewportMayGoInEitherOrder) {
  {
    auto other = std::make_unique<TKQCmp2D>();
    view->SetCADCmp(other.get());
    EXPECT_EQ(view->CADCmp2D(), other.get());
    EXPECT_TRUE(drawing.Viewports().empty());
  }
  EXPECT_EQ(view->CADCmp(), nullptr) << "the drawing told it";
  EXPECT_EQ(view->CADCmp2D(), nullptr);
  view->Repaint();
  view->SetCADCmp(&drawing);
  view.reset();
  EXPECT_TRUE(drawing.Viewports().empty()) << "the viewport left";
}

}  // namespace
}  // namespace cad
