// The viewer widget: frames rendered off screen in its paint events, repaints asked by changes.
#include "scene3d/stage_viewer.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPaintEvent>

#include "platform/dialogs.h"
#include "scene3d/silent_abort.h"
#include "scene_fixture.h"

using namespace scene3d;
using testing_support::Rgb;
using testing_support::RgbOf;
using testing_support::TestCube;

namespace {

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
 public:
  explicit PaintCounter(QWidget& widget) { widget.installEventFilter(this); }
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
  int paints = 0;
};

// Lets the event loop run for `ms` milliseconds, or until `done` holds.
void Pump(int ms, const std::function<bool()>& done = nullptr) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < ms) {
    QApplication::processEvents(QEventLoop::AllEvents, 10);
    if (done && done()) return;
  }
}

struct ViewerScene {
  ViewerScene() {
    camera = scene.Objects()->CreateChild<TGLCamera>();
    camera->SetCameraStyle(csOrthogonal);
    camera->SetFocalLength(5);
    camera->Position().SetPointXYZ(0, 0, 100);
    auto* cube = new TestCube(&scene, 4);
    scene.Objects()->AddChild(cube);
    cube->Material().FrontProperties().Diffuse().SetColor({1, 0, 0, 1});
  }
  TGLStage scene{nullptr};
  TGLCamera* camera;
};

}  // namespace

TEST(StageViewer, PaintsRenderFramesOfTheWidgetsSize) {
  SKIP_WITHOUT_EGL();
  ViewerScene s;
  TGLStageViewer viewer;
  viewer.SetCamera(s.camera);
  viewer.Buffer().SetLighting(false);
  viewer.Buffer().SetBackgroundColor(0xFF0000);  // blue: the colour's low byte is red

  viewer.resize(0, 50);
  QPaintEvent paint(QRect(0, 0, 0, 50));
  QApplication::sendEvent(&viewer, &paint);
  EXPECT_FALSE(viewer.Buffer().HasContext()) << "a paint at width 0 makes no context";
  EXPECT_EQ(viewer.Buffer().FrameCount(), 0) << "and renders nothing";

  viewer.resize(300, 200);
  PaintCounter counter(viewer);
  viewer.show();
  Pump(2000, [&] { return counter.paints > 0; });
  Pump(50);
  ASSERT_EQ(counter.paints, 1);
  EXPECT_EQ(viewer.Buffer().FrameCount(), 1) << "one paint, one frame";
  const TGLOutputDevice& device = viewer.Buffer().Device();
  EXPECT_EQ(device.ImageWidth(), 300);
  EXPECT_EQ(device.ImageHeight(), 200);
  EXPECT_EQ(RgbOf(device.Pixel(150, 100)), (Rgb{255, 0, 0})) << "the cube in the middle";
  EXPECT_EQ(RgbOf(device.Pixel(5, 5)), (Rgb{0, 0, 255})) << "the background";
  const QImage shown = viewer.grab().toImage();
  EXPECT_EQ(shown.pixelColor(150, 100), QColor(255, 0, 0)) << "the widget shows the read-back frame";
  EXPECT_EQ(shown.pixelColor(5, 5), QColor(0, 0, 255));
  QDir().mkpath(QStringLiteral("screenshots"));
  EXPECT_TRUE(shown.save(QStringLiteral("screenshots/GLViewPort.png")));

  counter.paints = 0;
  viewer.Buffer().SetBackgroundColor(0x00FF00);
  viewer.Buffer().SetBackgroundColor(0x00FF00);
  Pump(300);
  EXPECT_EQ(counter.paints, 1) << "a change of the background asks for exactly one repaint";
  EXPECT_EQ(RgbOf(device.Pixel(5, 5)), (Rgb{0, 255, 0}));

  counter.paints = 0;
  s.camera->Position().SetPointXYZ(-8, 0, 100);
  Pump(300);
  EXPECT_EQ(counter.paints, 1) << "a change in the scene asks for a repaint too";
  // 15 px a unit (±10 units over 300 px): the cube's centre 8 units right of the middle.
  EXPECT_EQ(RgbOf(device.Pixel(150 + 8 * 15, 100)), (Rgb{255, 0, 0})) << "the camera moved left: the cube right";
  EXPECT_EQ(RgbOf(device.Pixel(150, 100)), (Rgb{0, 255, 0}));

  counter.paints = 0;
  delete s.camera;
  EXPECT_EQ(viewer.Camera(), nullptr) << "a freed camera is cleared";
  Pump(300);
  EXPECT_GE(counter.paints, 1);
  EXPECT_EQ(RgbOf(device.Pixel(150, 100)), (Rgb{0, 255, 0})) << "without a camera only the background";
}

TEST(StageViewer, StructuralChangesMakeTheContextAgain) {
  SKIP_WITHOUT_EGL();
  ViewerScene s;
  TGLStageViewer viewer;
  viewer.SetCamera(s.camera);
  viewer.resize(40, 30);
  viewer.show();
  Pump(2000, [&] { return viewer.Buffer().FrameCount() > 0; });
  ASSERT_TRUE(viewer.Buffer().HasContext());
  const TGLContext* first = viewer.Buffer().RenderingContext();
  viewer.Buffer().SetDepthPrecision(dp16bits);
  EXPECT_FALSE(viewer.Buffer().HasContext()) << "dropped at once";
  const int64_t frames = viewer.Buffer().FrameCount();
  Pump(2000, [&] { return viewer.Buffer().FrameCount() > frames; });
  EXPECT_TRUE(viewer.Buffer().HasContext()) << "made again by the next paint";
  EXPECT_NE(viewer.Buffer().RenderingContext(), nullptr);
  (void)first;

  EXPECT_GT(viewer.FieldOfView(), 0);
  viewer.SetFieldOfView(90);
  EXPECT_NEAR(s.camera->FocalLength(), 15, 1e-4) << "30 px, the smaller side, over 90 degrees";
  EXPECT_NEAR(viewer.FieldOfView(), 90, 1e-3);
  viewer.SetCamera(nullptr);
  EXPECT_EQ(viewer.FieldOfView(), 0);
}

// A view whose check refuses the context makes none, writes the reason on its background and asks
// again at each paint: once the check lets it, the next paint makes the context.
TEST(StageViewer, ARefusedContextIsNotMadeAndTheReasonIsShown) {
  SKIP_WITHOUT_EGL();
  ViewerScene s;
  TGLStageViewer viewer;
  viewer.SetCamera(s.camera);
  viewer.Buffer().SetBackgroundColor(0x000000);
  std::string reason = "no room for the 3D view";
  int asked = 0;
  viewer.CheckBeforeContext = [&] {
    ++asked;
    return reason;
  };
  viewer.resize(300, 200);
  EXPECT_FALSE(viewer.RenderFrame());
  EXPECT_FALSE(viewer.Buffer().HasContext());
  EXPECT_EQ(viewer.ContextRefusal(), reason);
  EXPECT_EQ(viewer.Buffer().FrameCount(), 0);
  const QImage shown = viewer.grab().toImage();
  bool written = false;
  for (int y = 0; y < shown.height() && !written; ++y)
    for (int x = 0; x < shown.width() && !written; ++x) written = shown.pixelColor(x, y) != QColor(0, 0, 0);
  EXPECT_TRUE(written) << "the reason is written on the background";

  reason.clear();
  EXPECT_TRUE(viewer.RenderFrame());
  EXPECT_TRUE(viewer.Buffer().HasContext()) << "let again: made at the next paint";
  EXPECT_TRUE(viewer.ContextRefusal().empty());
  const int before = asked;
  EXPECT_TRUE(viewer.RenderFrame());
  EXPECT_EQ(asked, before) << "asked only while there is no context";
}

TEST(StageViewer, MouseHandlersEndQuietlyOnASilentAbortAndShowOtherErrors) {
  TGLStageViewer viewer;
  platform::RecordingDialogs dialogs;
  platform::ScopedDialogs scope(&dialogs);
  int downs = 0;
  viewer.OnMouseDown = [&](QMouseEvent*) {
    ++downs;
    SilentAbort();
  };
  viewer.OnMouseMove = [&](QMouseEvent*) { throw platform::Exception("moved too far"); };
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QMouseEvent move(QEvent::MouseMove, QPointF(6, 6), QPointF(6, 6), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  EXPECT_NO_THROW(QApplication::sendEvent(&viewer, &press));
  EXPECT_EQ(downs, 1);
  EXPECT_TRUE(dialogs.messages.empty()) << "a silent abort shows nothing";
  EXPECT_NO_THROW(QApplication::sendEvent(&viewer, &move));
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_NE(dialogs.messages[0].text.find("moved too far"), std::string::npos);
}
