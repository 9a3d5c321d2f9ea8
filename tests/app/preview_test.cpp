// The main window's 3D preview: view buttons, the mouse in the viewer, the surface modes and the show
// menu, and (on Mesa) the relief as the viewer shows it, built again only when it changes.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QDir>
#include <QMouseEvent>
#include <QProgressBar>
#include <QRadioButton>
#include <QSlider>
#include <algorithm>
#include <cmath>

#include "app/main_scene.h"
#include "app/toolpath_lines.h"
#include "main_window_fixture.h"
#include "scene3d/camera.h"
#include "scene3d/cube.h"
#include "scene3d/direct_opengl.h"
#include "scene3d/dummy_cube.h"
#include "scene3d/gl_egl_context.h"
#include "scene3d/hud_objects.h"
#include "scene3d/lines.h"
#include "scene3d/matrices.h"
#include "scene3d/revolution_solid.h"
#include "scene3d/sphere.h"
#include "scene3d/windows_font.h"
#include "scene3d/stage_viewer.h"

using testing_support::MainWindowTest;

namespace {

using Vec3 = app::Vec3;

Vec3 Of(const scene3d::TGLCoordinates3& c) { return {c.X(), c.Y(), c.Z()}; }

bool Same(const scene3d::TVector4f& a, const scene3d::TVector4f& b) {
  return a.x == b.x && a.y == b.y && a.z == b.z && a.w == b.w;
}

double Distance(const Vec3& a, const Vec3& b) {
  return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) + (a[2] - b[2]) * (a[2] - b[2]));
}

void ExpectNear(const Vec3& actual, const Vec3& expected, double tolerance, const std::string& what) {
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(actual[size_t(i)], expected[size_t(i)], tolerance) << what << ", axis " << i;
}

void Mouse(QWidget& viewer, QEvent::Type type, int x, int y, Qt::MouseButtons buttons, Qt::KeyboardModifiers keys) {
  const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
  QMouseEvent event(type, QPointF(x, y), QPointF(x, y), button, buttons, keys);
  QApplication::sendEvent(&viewer, &event);
}

// Counts the times a widget is shown.
class ShowCounter : public QObject {
 public:
  explicit ShowCounter(QWidget& widget) { widget.installEventFilter(this); }
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Show) ++shows;
    return false;
  }
  int shows = 0;
};

class PreviewTest : public MainWindowTest {
 protected:
  // The window shown with a 320 x 240 picture at the depth page, where each resolution steps apart.
  app::TfrmMain& ShowWideToDepthPage() {
    app::TfrmMain& w = Start();
    w.show();
    w.resize(900, 650);
    Open(WritePicture("pictures/wide.bmp", 320, 240));
    Click("sbtNextB1");
    Click("sbtNextB2");
    return w;
  }
  // The test picture opened and the wizard at the depth page: the 3D view.
  void OpenToDepthPage() {
    Open(picture_);
    Click("sbtNextB1");
    Click("sbtNextB2");
    ASSERT_TRUE(main_->Mode3D());
  }
};

}  // namespace

// The 3D context is not made where the driver would end the program for want of address space: the
// view says why it stays empty, in MB left and needed.
TEST(ContextMemory, TooLittleAddressSpaceRefusesTheContextInWords) {
  constexpr uint64_t kMiB = uint64_t(1) << 20;
  const uint64_t need = app::kContextAddressSpace;
  const struct {
    uint64_t limit;
    uint64_t used;
    const char* left;  // nullptr: the context is made
  } cases[] = {{0, 900 * kMiB, nullptr},                 // no limit
               {8192 * kMiB, 700 * kMiB, nullptr},
               {700 * kMiB + need, 700 * kMiB, nullptr},  // just enough
               {700 * kMiB + need - 1, 700 * kMiB, "1791"},
               {2048 * kMiB, 700 * kMiB, "1348"},
               {1024 * kMiB, 1500 * kMiB, "0"}};          // already past it
  for (const auto& c : cases) {
    const std::string refusal = app::ContextMemoryRefusal(c.limit, c.used);
    if (!c.left) {
      EXPECT_EQ(refusal, "") << c.limit / kMiB;
      continue;
    }
    EXPECT_EQ(refusal, "The 3D view stays empty: only " + std::string(c.left) +
                           " MB of address space are left to the program, and the 3D view needs " +
                           std::to_string(need / kMiB) +
                           " MB. Raise the address-space limit (ulimit -v) and start the program again.");
  }
}

TEST_F(PreviewTest, SceneAsStoredAndViewButtonsAboutTheTarget) {
  app::TfrmMain& w = Start();
  app::MainScene& scene = w.Scene();
  scene3d::TGLCamera& camera = scene.Camera();
  EXPECT_EQ(camera.Name(), "GLCamera1");
  EXPECT_EQ(camera.CameraStyle(), scene3d::csOrthogonal);
  EXPECT_EQ(camera.TargetObject(), &scene.Target());
  EXPECT_EQ(scene.Target().Name(), "GLDummyCube1");
  EXPECT_FALSE(scene.Surface().UseBuildList()) << "the surface draws its kept mesh at every frame";
  EXPECT_EQ(w.Viewer3D().Camera(), &camera);
  EXPECT_NEAR(camera.GetFieldOfView(500), 179.083282, 1e-3) << "the stored field of view at 500 pixels";
  EXPECT_TRUE(w.Viewer3D().isHidden());
  for (const char* name : {"sbtTopView", "sbtFrontView", "sbtSideView", "sbtIsoView", "sbtShow"})
    EXPECT_FALSE(Enabled(name)) << name << " only in 3D";

  OpenToDepthPage();
  for (const char* name : {"sbtTopView", "sbtFrontView", "sbtSideView", "sbtIsoView", "sbtShow"})
    EXPECT_TRUE(Enabled(name)) << name;
  EXPECT_FALSE(Enabled("sbtZoomWin"));

  const Vec3 p{250, -250, 230}, t{10, 20, -2};
  const double r = std::sqrt(250.0 * 250 + 250 * 250 + 230 * 230);
  const double k = r / std::sqrt(3.0);
  const struct {
    const char* button;
    Vec3 position;
  } cases[] = {{"sbtTopView", {t[0], t[1] - 0.0001 * r, t[2] + r}},
               {"sbtFrontView", {t[0], t[1] - r, t[2]}},
               {"sbtSideView", {t[0] + r, t[1], t[2]}},
               {"sbtIsoView", {t[0] + k, t[1] - k, t[2] + k}}};
  for (const auto& c : cases) {
    camera.Position().SetPointXYZ(float(p[0]), float(p[1]), float(p[2]));
    scene.Target().Position().SetPointXYZ(float(t[0]), float(t[1]), float(t[2]));
    Click(c.button);
    ExpectNear(Of(camera.Position()), c.position, 1e-3, c.button);
    ExpectNear(Of(scene.Target().Position()), t, 0, std::string(c.button) + ": the target stays");
  }
}

TEST_F(PreviewTest, MouseOrbitsPansAndScales) {
  app::TfrmMain& w = Start();
  OpenToDepthPage();
  app::MainScene& scene = w.Scene();
  scene3d::TGLCamera& camera = scene.Camera();
  QWidget& viewer = w.Viewer3D();
  const Vec3 p{250, -250, 230}, t{0, 0, 0};

  enum Expect { Orbit, Pan, ScaleUp, ScaleDown, Nothing };
  const struct {
    const char* what;
    int dx, dy;  // the pointer's move
    Qt::MouseButtons buttons;
    Qt::KeyboardModifiers keys;
    Expect expect;
  } cases[] = {
      {"left: orbit", -12, 5, Qt::LeftButton, Qt::NoModifier, Orbit},
      {"shift-left: pan", 8, -6, Qt::LeftButton, Qt::ShiftModifier, Pan},
      {"ctrl-left upwards: scale up", 0, -4, Qt::LeftButton, Qt::ControlModifier, ScaleUp},
      {"ctrl-left downwards: scale down", 3, 4, Qt::LeftButton, Qt::ControlModifier, ScaleDown},
      {"no button: nothing", 20, 20, Qt::NoButton, Qt::NoModifier, Nothing},
  };
  for (const auto& c : cases) {
    camera.Position().SetPointXYZ(float(p[0]), float(p[1]), float(p[2]));
    scene.Target().Position().SetPointXYZ(0, 0, 0);
    camera.SetSceneScale(2);
    Mouse(viewer, QEvent::MouseButtonPress, 100, 100, c.buttons, c.keys);
    Mouse(viewer, QEvent::MouseMove, 100 + c.dx, 100 + c.dy, c.buttons, c.keys);
    const Vec3 cam = Of(camera.Position()), target = Of(scene.Target().Position());
    const double moved = Distance(cam, p);
    switch (c.expect) {
      case Orbit:
        EXPECT_GT(moved, 1.0) << c.what;
        EXPECT_NEAR(Distance(cam, target), Distance(p, t), 1e-2) << c.what << ": the distance to the target stays";
        ExpectNear(target, t, 0, c.what);
        break;
      case Pan:
        EXPECT_GT(moved, 0.1) << c.what;
        ExpectNear({cam[0] - target[0], cam[1] - target[1], cam[2] - target[2]}, p, 1e-3,
                   std::string(c.what) + ": camera and target move together");
        EXPECT_NEAR(target[2], 0, 1e-6) << c.what << ": in the ground plane";
        break;
      case ScaleUp:
      case ScaleDown:
        EXPECT_FLOAT_EQ(camera.SceneScale(), c.expect == ScaleUp ? 2 * 1.1f : 2 / 1.1f) << c.what;
        EXPECT_EQ(moved, 0) << c.what;
        break;
      case Nothing:
        EXPECT_EQ(moved, 0) << c.what;
        EXPECT_EQ(camera.SceneScale(), 2) << c.what;
        break;
    }
  }

  // In pan mode the left button alone pans.
  Click("sbtPan");
  ASSERT_TRUE(w.PanMode());
  camera.Position().SetPointXYZ(float(p[0]), float(p[1]), float(p[2]));
  Mouse(viewer, QEvent::MouseButtonPress, 50, 50, Qt::LeftButton, Qt::NoModifier);
  Mouse(viewer, QEvent::MouseMove, 60, 50, Qt::LeftButton, Qt::NoModifier);
  const Vec3 cam = Of(camera.Position()), target = Of(scene.Target().Position());
  EXPECT_GT(Distance(target, t), 0.1);
  ExpectNear({cam[0] - target[0], cam[1] - target[1], cam[2] - target[2]}, p, 1e-3, "pan mode");
}

TEST_F(PreviewTest, SurfaceModesAndShowMenu) {
  testing_support::RecordingMain& w = Start();
  OpenToDepthPage();
  const struct {
    const char* entry;
    app::SurfaceMode mode;
  } modes[] = {{"mnuSPWire", app::SurfaceMode::Wire},
               {"mnuSPNone", app::SurfaceMode::None},
               {"mnuSPShade", app::SurfaceMode::Shade}};
  for (const auto& m : modes) {
    const int rebuilds = w.Count("surface");
    Get<QAction>(m.entry)->trigger();
    for (const char* name : {"mnuSPShade", "mnuSPWire", "mnuSPNone"})
      EXPECT_EQ(Get<QAction>(name)->isChecked(), std::string(name) == m.entry) << m.entry << ": " << name;
    EXPECT_EQ(w.SurfaceToDraw().mode, m.mode) << m.entry;
    EXPECT_EQ(w.Count("surface"), rebuilds + 1) << m.entry << " marks the surface changed";
  }

  EXPECT_TRUE(w.Scene().AxesShown());
  Get<QAction>("mnuShowXYZ")->trigger();
  EXPECT_FALSE(w.Scene().AxesShown()) << "the axes toggle";
  Get<QAction>("mnuShowXYZ")->trigger();
  EXPECT_TRUE(w.Scene().AxesShown());
  Get<QAction>("mnuShowTool")->trigger();
  EXPECT_TRUE(Get<QAction>("mnuShowTool")->isChecked());
  EXPECT_TRUE(w.Scene().ToolShown()) << "the tool shows while the entry is checked";
  Get<QAction>("mnuShowTool")->trigger();
  EXPECT_FALSE(w.Scene().ToolShown());
}

TEST_F(PreviewTest, ReliefInTheViewerIsBuiltOnlyWhenItChanges) {
  if (scene3d::GLProgramDisplay() == EGL_NO_DISPLAY) GTEST_SKIP() << "EGL is missing here";
  app::TfrmMain& w = Start();
  w.show();
  w.resize(900, 650);
  ShowCounter progress(*Get<QProgressBar>("ProgressBar1"));
  OpenToDepthPage();
  app::MainScene& scene = w.Scene();
  scene.FitToStockBox(scene.StockBox());
  // The relief alone.
  scene.ShowStockBox(false);
  scene.ToggleAxes();
  Click("sbtTopView");
  scene3d::TGLStageViewer& viewer = w.Viewer3D();
  ASSERT_TRUE(viewer.RenderFrame());
  EXPECT_GE(progress.shows, 1) << "the quads were made";
  EXPECT_TRUE(Get<QProgressBar>("ProgressBar1")->isHidden());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the hourglass is gone";

  // The middle row of the frame: the picture runs white (left) to black (right), drawn blue.
  const scene3d::TGLOutputDevice& device = viewer.Buffer().Device();
  auto nonBackground = [&](int y) {
    std::vector<QColor> row;
    const QRgb background = device.Pixel(0, 0);
    for (int x = 0; x < device.ImageWidth(); ++x)
      if (device.Pixel(x, y) != background) row.push_back(QColor::fromRgb(device.Pixel(x, y)));
    return row;
  };
  const int middle = device.ImageHeight() / 2;
  std::vector<QColor> row = nonBackground(middle);
  ASSERT_GT(row.size(), 100u) << "the relief fills much of the view";
  EXPECT_GT(row.front().red(), 200) << "white at the left";
  EXPECT_LT(row.back().red(), 60) << "black depth at the right is blue";
  EXPECT_GT(row.back().blue(), 200);
  const size_t shaded = row.size();

  // Orbiting renders new frames from the kept mesh.
  progress.shows = 0;
  Mouse(viewer, QEvent::MouseButtonPress, 100, 100, Qt::LeftButton, Qt::NoModifier);
  Mouse(viewer, QEvent::MouseMove, 90, 104, Qt::LeftButton, Qt::NoModifier);
  ASSERT_TRUE(viewer.RenderFrame());
  ASSERT_TRUE(viewer.RenderFrame());
  EXPECT_EQ(progress.shows, 0) << "orbiting does not make the quads again";

  // Wire frame: made again at once (the window shows), fewer pixels covered; "None": none at all.
  Click("sbtTopView");
  Get<QAction>("mnuSPWire")->trigger();
  EXPECT_EQ(progress.shows, 1);
  ASSERT_TRUE(viewer.RenderFrame());
  const size_t wire = nonBackground(middle).size();
  EXPECT_LT(wire, shaded * 3 / 4);
  EXPECT_GT(wire, 0u);
  Get<QAction>("mnuSPNone")->trigger();
  ASSERT_TRUE(viewer.RenderFrame());
  EXPECT_EQ(progress.shows, 1) << "no progress bar for \"None\"";
  EXPECT_TRUE(nonBackground(middle).empty());

  // For a person to look at: the relief from the diagonal.
  Get<QAction>("mnuSPShade")->trigger();
  Click("sbtIsoView");
  QApplication::processEvents();
  QDir().mkpath(QStringLiteral("screenshots"));
  EXPECT_TRUE(w.grab().save(QStringLiteral("screenshots/frmMain_3d.png")));
}

TEST_F(PreviewTest, APressInTheViewerHidesTheTimeEstimate) {
  app::TfrmMain& w = Start();
  OpenAndWalkToCutting(dir_.File("estimate"));
  Click("sbtNcCalc");
  const scene3d::TGLHUDText& text = w.Scene().Text();
  ASSERT_TRUE(text.Visible()) << "Calculate shows the estimate";
  Mouse(w.Viewer3D(), QEvent::MouseMove, 10, 10, Qt::NoButton, Qt::NoModifier);
  EXPECT_TRUE(text.Visible()) << "moving over the view leaves it";
  Mouse(w.Viewer3D(), QEvent::MouseButtonPress, 10, 10, Qt::LeftButton, Qt::NoModifier);
  EXPECT_FALSE(text.Visible());
}

TEST_F(PreviewTest, TheTimeEstimateKeepsATranslationsTildeAndAccents) {
  dir_.Write("language/english.lng", "[String]\n754=Dur\xC3\xA9" "e d'usinage ~ \n");
  app::TfrmMain& w = Start();
  OpenAndWalkToCutting(dir_.File("estimate"));
  Click("sbtNcCalc");
  const scene3d::TGLHUDText& text = w.Scene().Text();
  ASSERT_TRUE(text.Visible());
  ASSERT_EQ(text.Text().rfind("Dur\xE9" "e d'usinage ~ ", 0), 0u) << text.Text();
  // Every character the estimate holds has a glyph in the view's font.
  for (char c : text.Text()) {
    if (c != ' ') {
      EXPECT_GT(w.Scene().Font().CharacterWidth(uint8_t(c)), 0) << "code " << int(uint8_t(c));
    }
  }
}

TEST_F(PreviewTest, StockBoxAxesToolToolpathAndTextInTheScene) {
  app::TfrmMain& w = Start();
  app::MainScene& scene = w.Scene();
  EXPECT_FALSE(scene.StockBoxShown());
  EXPECT_TRUE(scene.AxesShown());
  EXPECT_FALSE(scene.ToolShown());
  EXPECT_FALSE(scene.Text().Visible());
  EXPECT_EQ(scene.Text().BitmapFont(), &scene.Font());
  EXPECT_EQ(scene.Font().Font().Height, -16);

  // The stock box covers the picture, its CubeHeight along X; the axes are a quarter of its width.
  OpenToDepthPage();
  EXPECT_TRUE(scene.StockBoxShown());
  const machining::ReliefModel& relief = w.Relief();
  const machining::StockBox box = scene.StockBox();
  EXPECT_FLOAT_EQ(box.cubeHeight, relief.width);
  EXPECT_FLOAT_EQ(box.cubeWidth, relief.height);
  scene3d::TGLCube& cube = scene.StockBoxCube();
  const scene3d::TVector4f corner =
      scene3d::VectorTransform4({cube.CubeWidth() / 2, cube.CubeHeight() / 2, cube.CubeDepth() / 2, 1}, cube.AbsoluteMatrix());
  EXPECT_NEAR(std::abs(corner.x - box.positionX), relief.width / 2, 1e-3) << "CubeHeight runs along X";
  EXPECT_NEAR(std::abs(corner.y - box.positionY), relief.height / 2, 1e-3);
  EXPECT_NEAR(std::abs(corner.z - box.positionZ), relief.depth / 2, 1e-3);
  EXPECT_NEAR(box.positionX, relief.originX + relief.width / 2, 1e-4);
  const float quarter = relief.width / 4;
  for (int i = 0; i < 3; ++i) {
    // Each axis's shaft and arrow head end where the axis is a quarter of the width long and more.
    scene3d::TGLBaseSceneObject& shaft = *scene.Axes().Children(2 * i);
    const scene3d::TVector4f tip = scene3d::VectorTransform4({0, 1, 0, 1}, shaft.AbsoluteMatrix());
    for (int axis = 0; axis < 3; ++axis)
      EXPECT_NEAR(tip[axis], axis == i ? quarter : 0.0f, 1e-3) << shaft.Name() << ", axis " << axis;
    const scene3d::TVector4f head = scene.Axes().Children(2 * i + 1)->AbsolutePosition();
    EXPECT_NEAR(head[i], quarter, 1e-3) << "the arrow head on " << shaft.Name();
  }
  Get<QAction>("mnuShowXYZ")->trigger();
  EXPECT_FALSE(scene.Axes().Visible());

  // The tool body stands on its tip, its axis along Z.
  scene.SetToolProfile({{0, 0}, {1.5f, 0}, {1.5f, 10}, {0, 10}});
  scene.MoveTool(5, 6, 7);
  EXPECT_EQ(w.ToolProfile().size(), 4u);
  const scene3d::TVector4f top = scene3d::VectorTransform4({0, 10, 0, 1}, scene.Tool().AbsoluteMatrix());
  const scene3d::TVector4f rim = scene3d::VectorTransform4({1.5f, 0, 0, 1}, scene.Tool().AbsoluteMatrix());
  EXPECT_NEAR(top.x, 5, 1e-4);
  EXPECT_NEAR(top.y, 6, 1e-4);
  EXPECT_NEAR(top.z, 17, 1e-4);
  EXPECT_NEAR(std::hypot(rim.x - 5, rim.y - 6), 1.5, 1e-4);
  EXPECT_NEAR(rim.z, 7, 1e-4);

  // The toolpath: rapids yellow, feeds and arcs cyan.
  scene.ClearToolpath();
  scene.AddToolpathNode(true, 0, 0, 2);
  scene.AddToolpathNode(false, 1, 0, -1);
  scene.AddToolpathArc(0, 0, -1, 1, 0, 3.14159265f, 4);
  const app::ToolpathLines& nodes = scene.Toolpath();
  ASSERT_EQ(nodes.NodeCount(), 7);
  EXPECT_TRUE(Same(nodes.NodeColorAt(0), {1, 1, 0, 1}));
  for (int i = 1; i < 7; ++i) EXPECT_TRUE(Same(nodes.NodeColorAt(i), {0, 1, 1, 1})) << i;
  EXPECT_NEAR(nodes.NodeAt(6).x, -1, 1e-5) << "the arc ends half way round";
  const std::vector<app::ToolpathNode> path = w.ToolpathNodes();
  ASSERT_EQ(path.size(), 7u);
  EXPECT_TRUE(path[0].rapid);
  EXPECT_FALSE(path[6].rapid);
  scene.ClearToolpath();
  EXPECT_TRUE(w.ToolpathNodes().empty());

  // The text in the font's code page, 40 pixels above the view's bottom; none hides it.
  scene.ShowText("Zeit f\xC3\xBCr 5'");
  EXPECT_EQ(scene.Text().Text(), "Zeit f\xFCr 5'");
  EXPECT_TRUE(scene.Text().Visible());
  EXPECT_EQ(scene.Text().Position().Y(), float(w.Viewer3D().height() - 40));
  EXPECT_EQ(scene.Text().Position().X(), 20);
  EXPECT_TRUE(Same(scene.Text().ModulateColor().GetColor(), {1, 1, 0, 1}));
  scene.ShowText("");
  EXPECT_FALSE(scene.Text().Visible());
}

// From a picture to the played program: Calculate, the listing, Simulate at speed 10, and the 3D view
// shows the toolpath's colours over the relief, with the stock box, the axes and the tool.
TEST_F(PreviewTest, SimulatedProgramOverTheRelief) {
  if (scene3d::GLProgramDisplay() == EGL_NO_DISPLAY) GTEST_SKIP() << "EGL is missing here";
  app::TfrmMain& w = Start();
  w.show();
  w.resize(900, 650);
  OpenAndWalkToCutting(dir_.File("played"));
  // Rows and columns: a rapid crosses from the one pass to the other.
  Get<QCheckBox>("chkOrizzontale")->setChecked(true);
  Get<QCheckBox>("chkVerticale")->setChecked(true);
  Click("sbtNcCalc");
  Click("sbtNextB6");
  ASSERT_EQ(Page(), app::kPageListing);
  ASSERT_TRUE(w.Mode3D());
  ASSERT_EQ(Get<QSlider>("TrackBar1")->value(), 10);
  Get<QAction>("mnuShowTool")->trigger();
  Click("sbtIsoRev");
  EXPECT_TRUE(w.ToolpathNodes().empty()) << "Rewind clears the drawn toolpath";
  Click("sbtIsoPlay");
  const std::vector<app::ToolpathNode> path = w.ToolpathNodes();
  ASSERT_GT(path.size(), 50u);
  EXPECT_TRUE(std::any_of(path.begin(), path.end(), [](const app::ToolpathNode& n) { return n.rapid; }));
  EXPECT_TRUE(std::any_of(path.begin(), path.end(), [](const app::ToolpathNode& n) { return !n.rapid; }));
  EXPECT_TRUE(w.Scene().ToolShown());

  // The frame read back: the relief's white-to-blue crossed by cyan feed moves and yellow rapids, and
  // the time estimate in yellow in its box.
  scene3d::TGLStageViewer& viewer = w.Viewer3D();
  const scene3d::TGLHUDText& text = w.Scene().Text();
  ASSERT_TRUE(text.Visible()) << "no click in the view yet";
  const int textLeft = int(text.Position().X()), textTop = int(text.Position().Y());
  const QRect textBox(textLeft, textTop, w.Scene().Font().TextWidth(text.Text()), w.Scene().Font().CharHeight());
  struct Count {
    int relief = 0, feed = 0, rapid = 0, textYellow = 0, textOther = 0;
  };
  auto count = [&] {
    EXPECT_TRUE(viewer.RenderFrame());
    const scene3d::TGLOutputDevice& device = viewer.Buffer().Device();
    const QRgb background = device.Pixel(0, 0);
    Count n;
    for (int y = 0; y < device.ImageHeight(); ++y)
      for (int x = 0; x < device.ImageWidth(); ++x) {
        const QColor c = QColor::fromRgb(device.Pixel(x, y));
        const bool yellow = c.red() > 200 && c.green() > 200 && c.blue() < 60;
        if (textBox.contains(x, y)) {
          // Yellow, or the glyphs' smoothed edges over the grey: red and green well above blue.
          const QColor g = QColor::fromRgb(background);
          if (std::max({std::abs(c.red() - g.red()), std::abs(c.green() - g.green()), std::abs(c.blue() - g.blue())}) > 24)
            ++(c.red() - c.blue() > 40 ? n.textYellow : n.textOther);
        } else if (c.red() < 60 && c.green() > 200 && c.blue() > 200) {
          ++n.feed;
        } else if (yellow) {
          ++n.rapid;
        } else if (c.blue() > 200 && std::abs(c.red() - c.green()) < 12 && c.red() < 250) {
          ++n.relief;
        }
      }
    return n;
  };
  Click("sbtTopView");
  const Count top = count();
  EXPECT_GT(top.feed, 500) << "the feed moves";
  EXPECT_GT(top.relief, 2000) << "the relief between the passes";
  EXPECT_GT(top.textYellow, 30) << "the estimate is yellow";
  EXPECT_LT(top.textOther * 4, top.textYellow) << "the estimate is yellow";
  // The rapids run mostly up and down: from the diagonal.
  Click("sbtIsoView");
  EXPECT_GT(count().rapid, 20) << "the rapids";

  // For a person to look at: the played program from the diagonal.
  QApplication::processEvents();
  QDir().mkpath(QStringLiteral("screenshots"));
  EXPECT_TRUE(w.grab().save(QStringLiteral("screenshots/frmMain_3d_toolpath.png")));
}

// The depth page's Apply shows the resolution chosen at once: the viewer paints a finished frame of the
// new surface, not only the image it had while the progress bar painted from inside the frame.
TEST_F(PreviewTest, AppliedResolutionIsPaintedAtOnce) {
  if (scene3d::GLProgramDisplay() == EGL_NO_DISPLAY) GTEST_SKIP() << "EGL is missing here";
  app::TfrmMain& w = ShowWideToDepthPage();
  ASSERT_TRUE(Get<QRadioButton>("rbtShResFine")->isChecked());
  QApplication::processEvents();
  // Paints of the viewer that show a finished frame.
  struct FramePaints : QObject {
    explicit FramePaints(scene3d::TGLStageViewer& v) : viewer(v) { viewer.installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::Paint && !viewer.Buffer().Rendering()) ++count;
      return false;
    }
    scene3d::TGLStageViewer& viewer;
    int count = 0;
  } paints(w.Viewer3D());
  // 319 x 239 quads apart: Coarse every 10 pixels, Medium every 5, Fine every one.
  const struct {
    const char* radio;
    size_t quads;
  } cases[] = {{"rbtShResCoarse", 32 * 24}, {"rbtShResMedium", 64 * 48}, {"rbtShResFine", 319 * 239}};
  for (const auto& c : cases) {
    paints.count = 0;
    Get<QRadioButton>(c.radio)->click();
    Click("sbtProfApply");
    QApplication::processEvents();
    EXPECT_EQ(w.Scene().SurfaceDrawing().QuadCount(), c.quads) << c.radio;
    EXPECT_GE(paints.count, 1) << c.radio << ": the new surface is painted without a move of the view";
  }
}

// A surface drawn coarser than asked says so in the status line until a surface as asked replaces it;
// a build that failed is told in one message.
TEST_F(PreviewTest, SurfaceWithinTheMemoryBudgetAndFailedBuildsAreTold) {
  if (scene3d::GLProgramDisplay() == EGL_NO_DISPLAY) GTEST_SKIP() << "EGL is missing here";
  app::TfrmMain& w = ShowWideToDepthPage();
  QApplication::processEvents();
  const std::string depthPage = Status();
  const uint64_t everySecond = app::SurfaceMeshBytes(319, 239, 2, 2);
  const struct {
    const char* radio;
    uint64_t budget;
    size_t quads;
    bool note;
  } cases[] = {{"rbtShResFine", UINT64_MAX, 319 * 239, false},
               {"rbtShResCoarse", everySecond, 32 * 24, false},
               {"rbtShResFine", everySecond, 160 * 120, true},
               {"rbtShResMedium", everySecond, 64 * 48, false},
               {"rbtShResFine", everySecond, 160 * 120, true},
               {"rbtShResFine", UINT64_MAX, 319 * 239, false}};
  for (const auto& c : cases) {
    w.SetSurfaceMemoryBudget(c.budget);
    // Apply is enabled by a change of resolution; the same one again is applied as Apply would.
    if (!Get<QRadioButton>(c.radio)->isChecked()) {
      Get<QRadioButton>(c.radio)->click();
      Click("sbtProfApply");
    } else {
      w.sbtProfApplyClick();
    }
    QApplication::processEvents();
    EXPECT_EQ(w.Scene().SurfaceDrawing().QuadCount(), c.quads) << c.radio << ", " << c.budget;
    if (c.note) {
      EXPECT_EQ(Status(), "3D surface drawn every 2 pixels to fit in memory.");
      // Read whole in the status line of the window at its first size, even with a two-digit step.
      auto* status = Get<QLabel>("pnlStatus2");
      const QSize wide = w.size();
      w.resize(801, 603);
      QApplication::processEvents();
      ASSERT_EQ(w.size(), QSize(801, 603));
      const QString widest = QString::fromStdString(Status()).replace(QStringLiteral("2"), QStringLiteral("16"));
      EXPECT_LE(status->fontMetrics().horizontalAdvance(widest), status->contentsRect().width()) << widest.toStdString();
      w.resize(wide);
      QApplication::processEvents();
    } else
      EXPECT_EQ(Status(), depthPage) << c.radio << ": the page's text";
  }
  EXPECT_TRUE(dialogs_.messages.empty());

  using Outcome = app::SurfaceBuildReport::Outcome;
  const struct {
    Outcome outcome;
    const char* error;
    std::string message;
  } failures[] = {{Outcome::OutOfMemory, "",
                   "There is not enough memory to draw the 3D surface. Choose a coarser resolution on the depth page."},
                  {Outcome::Failed, "boom", "The 3D surface could not be drawn: boom"}};
  for (const auto& f : failures) {
    dialogs_.messages.clear();
    app::SurfaceBuildReport report;
    report.outcome = f.outcome;
    report.error = f.error;
    w.ReportSurfaceBuild(report);
    ASSERT_EQ(dialogs_.messages.size(), 1u) << f.message;
    EXPECT_EQ(dialogs_.messages[0].text, f.message);
    EXPECT_EQ(dialogs_.messages[0].kind, platform::MessageKind::Error);
  }
}
