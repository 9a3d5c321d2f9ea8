// The drawing commands of the main window driven by real clicks on its 2D view: circle, arc,
// rectangle and polyline land in the drawing (and in the DXF save), and every way they end gives the
// pages back.
#include <QAction>
#include <QCoreApplication>
#include <QTest>
#include <QToolButton>
#include <cmath>
#include <filesystem>
#include <numbers>

#include "app/page_control.h"
#include "cad/curves2d.h"
#include "cad/primitives2d.h"
#include "cad/viewport2d.h"
#include "ezdxf_reader.h"
#include "main_window_fixture.h"
#include "platform/qt_dialogs.h"
#include "save_faults.h"

namespace {

using testing_support::MainWindowTest;
using testing_support::RecordingMain;

class DrawCommandsTest : public MainWindowTest {
 protected:
  // The window shown at 800 x 600 with its real 2D view and interaction program, a picture open.
  RecordingMain& StartDrawing() {
    std::string text = testing_support::kLanguage;
    text += "200=circle: centre, point\n202=arc: centre, point, start, end\n";
    dir_.Write("language/english.lng", text);
    RecordingMain& w = StartShown();
    Open(picture_);
    return w;
  }
  // The drawing point the pixel nearest to a drawing point stands for.
  cad::TPoint2D Placed(double x, double y) const {
    const QPoint pixel = Pixel(x, y);
    return cad::CartesianPoint2D(main_->VistaGrafica().ScreenToViewport(cad::Point2D(pixel.x(), pixel.y())));
  }
  // The entities over the picture (entity 0).
  std::vector<cad::TPrimitive2D*> Drawn() {
    std::vector<cad::TPrimitive2D*> drawn;
    auto objects = main_->LocalCad().ObjectsIterator();
    for (cad::TGraphicObject* o = objects->First(); o; o = objects->Next())
      if (o->ID != 0) drawn.push_back(dynamic_cast<cad::TPrimitive2D*>(o));
    return drawn;
  }
};

// Each command places its entity with the points clicked, or nothing when it is left early; however
// it ends, the pages, the status line and the tool bars are those it found.
TEST_F(DrawCommandsTest, EachCommandPlacesItsEntityAndEndsWithThePagesItFound) {
  RecordingMain& w = StartDrawing();
  const std::vector<int> wizard = ShownPages();
  ASSERT_EQ(wizard, w.RememberedPages());
  const std::string pageStatus = Status();
  enum class End { Placed, Done, Closed, Esc, Cancel, StartFails };
  struct Row {
    const char* what;
    const char* start;  // a menu entry or a button
    std::vector<std::pair<double, double>> clicks;
    End end;
    const char* entity;                           // the class placed; none: nothing
    std::vector<std::pair<double, double>> points;  // its control points
    const char* hint;                             // in the status line while it runs
  };
  const std::vector<std::pair<double, double>> triangle = {{5, 5}, {30, 5}, {30, 25}};
  const Row rows[] = {
      {"circle", "mnuCircleCtPt", {{20, 15}, {25, 15}}, End::Placed, "TCerchio2D", {{20, 15}, {25, 15}}, "circle: centre, point"},
      {"circle by its button, Esc", "lsbArc", {{20, 15}}, End::Esc, nullptr, {}, "circle: centre, point"},
      {"arc", "mnuArcCtPtSaEa", {{20, 15}, {28, 15}, {28, 20}, {12, 20}}, End::Placed, "TArco2D",
       {{20, 15}, {28, 15}, {28, 20}, {12, 20}}, "arc: centre, point, start, end"},
      {"arc, Cancel", "mnuArcCtPtSaEa", {{20, 15}, {28, 15}}, End::Cancel, nullptr, {}, "arc: centre, point, start, end"},
      {"rectangle", "sbtRectangle", {{5, 5}, {30, 20}}, End::Placed, "TFrame2D", {{5, 5}, {30, 20}}, nullptr},
      {"rectangle, Esc", "sbtRectangle", {{5, 5}}, End::Esc, nullptr, {}, nullptr},
      {"polyline, Done", "sbtPoly", triangle, End::Done, "TPolyline2D", triangle, nullptr},
      {"polyline, Closed", "sbtPoly", triangle, End::Closed, "TPolyline2D", {{5, 5}, {30, 5}, {30, 25}, {5, 5}}, nullptr},
      {"polyline, Cancel", "sbtPoly", triangle, End::Cancel, nullptr, {}, nullptr},
      {"arc while a zoom window runs in the circle", "mnuCircleCtPt", {}, End::StartFails, nullptr, {}, nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const size_t before = Drawn().size();
    if (row.start[0] == 'm') {
      Get<QAction>(row.start)->trigger();
    } else {
      Click(row.start);
    }
    EXPECT_TRUE(w.CommandActive());
    EXPECT_TRUE(w.LocalPrg().IsBusy());
    if (row.hint) {
      EXPECT_EQ(Status(), row.hint);
    }
    ClickDrawing(row.clicks);
    switch (row.end) {
      case End::Placed:
        break;
      case End::Done:
        w.FormKeyPress(Qt::Key_Return);
        break;
      case End::Closed:
        Click("sbtClosePoly");
        break;
      case End::Esc:
        w.FormKeyPress(Qt::Key_Escape);
        break;
      case End::Cancel:
        Get<QAction>("btnCancel")->trigger();
        break;
      case End::StartFails:
        // Nothing can start while the zoom window is nested: the arc's command ends at once.
        Click("sbtZoomWin");
        Get<QAction>("mnuArcCtPtSaEa")->trigger();
        EXPECT_FALSE(w.CommandActive());
        EXPECT_EQ(ShownPages(), wizard);
        EXPECT_EQ(Status(), pageStatus);
        // Esc ends the zoom window, and the circle it had interrupted.
        w.FormKeyPress(Qt::Key_Escape);
        break;
    }
    QCoreApplication::processEvents();
    EXPECT_FALSE(w.CommandActive());
    EXPECT_FALSE(w.LocalPrg().IsBusy());
    EXPECT_EQ(ShownPages(), wizard);
    EXPECT_EQ(w.RememberedPages(), wizard);
    // (The circle resumed after the zoom window announces its empty description.)
    if (row.end != End::StartFails) {
      EXPECT_EQ(Status(), pageStatus);
    }
    EXPECT_TRUE(Get<QWidget>("pnlTbr2")->isEnabled());

    const std::vector<cad::TPrimitive2D*> drawn = Drawn();
    ASSERT_EQ(drawn.size(), before + (row.entity ? 1 : 0));
    if (!row.entity) continue;
    const cad::TPrimitive2D* entity = drawn.back();
    ASSERT_NE(entity, nullptr);
    EXPECT_EQ(entity->ClassName(), row.entity);
    EXPECT_EQ(entity->Layer, main_->LocalCad().CurrentLayer) << "on the current layer";
    ASSERT_EQ(entity->Points().Count(), static_cast<int>(row.points.size()));
    for (size_t i = 0; i < row.points.size(); ++i) {
      const cad::TPoint2D want = Placed(row.points[i].first, row.points[i].second);
      const cad::TPoint2D got = cad::CartesianPoint2D(entity->Points().GetPoint(static_cast<int>(i)));
      EXPECT_NEAR(got.X, want.X, 1e-9) << "point " << i;
      EXPECT_NEAR(got.Y, want.Y, 1e-9) << "point " << i;
    }
  }
}

// A circle of two clicks is in the DXF file as ezdxf reads it, and the arc keeps its sense.
TEST_F(DrawCommandsTest, DrawnCircleAndArcAreInTheDxfSave) {
  StartDrawing();
  Get<QAction>("mnuCircleCtPt")->trigger();
  ClickDrawing({{20, 15}, {26, 15}});
  Get<QAction>("mnuArcCtPtSaEa")->trigger();
  // Centre, a point 4 to the right, then start at 90 degrees and end at 180 degrees.
  ClickDrawing({{10, 10}, {14, 10}, {10, 20}, {0, 10}});
  ASSERT_EQ(Drawn().size(), 2u);
  const cad::TPoint2D c = Placed(20, 15), p = Placed(26, 15);
  const cad::TPoint2D ac = Placed(10, 10), ap = Placed(14, 10), as = Placed(10, 20), ae = Placed(0, 10);
  const double degrees = 180.0 / std::numbers::pi;
  auto angle = [&](const cad::TPoint2D& q) {
    double a = std::atan2(q.Y - ac.Y, q.X - ac.X) * degrees;
    return a < 0 ? a + 360 : a;
  };
  char circle[128], arc[160];
  std::snprintf(circle, sizeof circle, "CIRCLE Layer_1 %.4f %.4f %.4f", c.X, c.Y, std::hypot(p.X - c.X, p.Y - c.Y));
  std::snprintf(arc, sizeof arc, "ARC Layer_1 %.4f %.4f %.4f %.4f %.4f", ac.X, ac.Y, std::hypot(ap.X - ac.X, ap.Y - ac.Y),
                angle(as), angle(ae));

  dialogs_.fileNames = {dir_.File("drawn")};
  dialogs_.filterIndexes = {3};
  platform::RunGuarded([&] { main_->sbtSaveClick(); });
  ASSERT_TRUE(std::filesystem::exists(dir_.File("drawn.dxf")));
  const std::vector<std::string> read = testing_support::ReadWithEzdxf(dir_.File("drawn.dxf"));
  EXPECT_EQ(read, (std::vector<std::string>{"LAYERS Layer_0 Layer_1", circle, arc}));

  // A save the disk cuts short names the file chosen, not the temporary written first, and why.
  dialogs_.messages.clear();
  dialogs_.fileNames = {dir_.File("drawn.dxf")};
  dialogs_.filterIndexes = {3};
  dialogs_.answers = {platform::Answer::Yes};
  {
    const testing_support::ScopedFileSizeLimit full(16);
    platform::RunGuarded([&] { main_->sbtSaveClick(); });
  }
  ASSERT_FALSE(dialogs_.messages.empty());
  EXPECT_EQ(dialogs_.messages.back().text, "Cannot write file \"" + dir_.File("drawn.dxf") + "\" (File too large)");
  EXPECT_EQ(testing_support::ReadWithEzdxf(dir_.File("drawn.dxf")), read) << "the earlier file whole";
}

}  // namespace

// A command still going when Open or New lets the job go ends with it: its clicks do not go on
// drawing into the next job, nor its pick on a page that has gone.
TEST_F(DrawCommandsTest, OpenOrNewEndsTheCommandThatWasGoing) {
  RecordingMain& w = StartDrawing();
  struct Row {
    const char* start;
    std::vector<std::pair<double, double>> clicks;  // before the job goes
    bool open;                                      // else New
  };
  const Row rows[] = {{"mnuCircleCtPt", {{20, 15}}, true},
                      {"mnuArcCtPtSaEa", {{20, 15}, {28, 15}}, false},
                      {"mnuOffset", {}, true},
                      {"mnuFillet", {}, false},
                      {"mnuChangeLayer", {}, true}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.start);
    // New needs something drawn to act on, as Open needs a picture.
    if (Drawn().empty() && !row.open) Open(picture_);
    Get<QAction>(row.start)->trigger();
    ClickDrawing(row.clicks);
    ASSERT_TRUE(w.LocalPrg().IsBusy());
    dialogs_.answers = {platform::Answer::Yes};
    if (row.open) {
      Open(picture_);
    } else {
      Click("sbtNew");
    }
    QCoreApplication::processEvents();
    EXPECT_FALSE(w.CommandActive());
    EXPECT_FALSE(w.LocalPrg().IsBusy()) << "the command's operation went on";
    if (!row.open) Open(picture_);
    ClickDrawing({{5, 5}, {9, 5}, {9, 9}, {5, 9}});
    EXPECT_TRUE(Drawn().empty()) << "clicks in the next job drew";
  }
}

// A command started while the image page picks its crop rectangle gives the pick back when it ends,
// however it ends: the old rectangle has gone from the view, so Cut waits for a new one.
TEST_F(DrawCommandsTest, TheCropRectangleComesBackAfterACommand) {
  RecordingMain& w = StartDrawing();
  Click("sbtModify");
  ClickDrawing({{5, 5}, {20, 15}});
  ASSERT_TRUE(w.CropAreaReady());
  for (const bool esc : {false, true}) {
    SCOPED_TRACE(esc ? "Esc" : "placed");
    Get<QAction>("mnuCircleCtPt")->trigger();
    ClickDrawing({{20, 15}});
    if (esc) {
      w.FormKeyPress(Qt::Key_Escape);
    } else {
      ClickDrawing({{25, 15}});
    }
    QCoreApplication::processEvents();
    EXPECT_FALSE(w.CommandActive());
    EXPECT_TRUE(w.LocalPrg().IsBusy()) << "the crop rectangle is picked again";
    EXPECT_FALSE(Enabled("sbtCutSel"));
    ClickDrawing({{5, 5}, {20, 15}});
    EXPECT_TRUE(w.CropAreaReady());
    EXPECT_TRUE(Enabled("sbtCutSel"));
  }
  EXPECT_EQ(Drawn().size(), 1u) << "the circle placed, no crop corner taken for a circle";
}

// A second click on the first point (a double click) sizes nothing: the entity waits for a point
// that gives it a size, instead of joining the drawing with none.
TEST_F(DrawCommandsTest, ADoubleClickPlacesNoEntityOfNoSize) {
  StartDrawing();
  struct Row {
    const char* start;
    std::vector<std::pair<double, double>> clicks;
    std::vector<std::pair<double, double>> points;  // of the entity placed
  };
  const Row rows[] = {
      {"mnuCircleCtPt", {{20, 15}, {20, 15}, {26, 15}}, {{20, 15}, {26, 15}}},
      {"sbtRectangle", {{5, 5}, {5, 5}, {30, 20}}, {{5, 5}, {30, 20}}},
      {"mnuArcCtPtSaEa", {{20, 15}, {20, 15}, {28, 15}, {28, 15}, {12, 20}}, {{20, 15}, {28, 15}, {28, 15}, {12, 20}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.start);
    const size_t before = Drawn().size();
    if (row.start[0] == 'm') {
      Get<QAction>(row.start)->trigger();
    } else {
      Click(row.start);
    }
    ClickDrawing(row.clicks);
    QCoreApplication::processEvents();
    const std::vector<cad::TPrimitive2D*> drawn = Drawn();
    ASSERT_EQ(drawn.size(), before + 1);
    ASSERT_EQ(drawn.back()->Points().Count(), static_cast<int>(row.points.size()));
    for (size_t i = 0; i < row.points.size(); ++i) {
      const cad::TPoint2D want = Placed(row.points[i].first, row.points[i].second);
      const cad::TPoint2D got = cad::CartesianPoint2D(drawn.back()->Points().GetPoint(static_cast<int>(i)));
      EXPECT_NEAR(got.X, want.X, 1e-9) << "point " << i;
      EXPECT_NEAR(got.Y, want.Y, 1e-9) << "point " << i;
    }
  }
}
