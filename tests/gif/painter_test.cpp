// The animation painter: delays, speed, loops and events in real time, stopping at once, and
// pictures destroyed or reloaded while their painter runs.
#include "gif/painter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "gif/logos.h"
#include "platform/gui_calls.h"
#include "platform/thread_priority.h"
#include "gif_oracle.h"

namespace {

using gif::TGIFImage;
using gif::TGIFPainter;
using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Runs the GUI thread's share (queued painter calls) until `done` or the time is up.
bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
  const Clock::time_point start = Clock::now();
  while (!done()) {
    if (MsSince(start) > timeoutMs) return false;
    platform::GuiCalls::Instance().Drain();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// `frames` frames of 4 x 4, each its own colour, with `delay`; `runs` >= 0 adds a looping
// extension of that many runs.
std::unique_ptr<TGIFImage> Animation(int frames, int delay, int runs = -1) {
  auto image = std::make_unique<TGIFImage>();
  for (int i = 0; i < 4; ++i) image->Header().ColorMap().Add(gif::TGIFColor{uint8_t(60 * i), 0, uint8_t(255 - 60 * i)});
  for (int i = 0; i < frames; ++i) {
    auto frame = std::make_unique<gif::TGIFSubImage>(image.get());
    if (i == 0 && runs >= 0) {
      auto loop = std::make_unique<gif::TGIFAppExtNSLoop>(frame.get());
      loop->Loops = uint32_t(runs);
      frame->Extensions().Add(std::move(loop));
    }
    auto control = std::make_unique<gif::TGIFGraphicControlExtension>(frame.get());
    control->SetDelay(uint16_t(delay));
    frame->Extensions().Add(std::move(control));
    frame->NewImage(4, 4, uint8_t(i % 4));
    image->Add(std::move(frame));
  }
  return image;
}

struct Events {
  std::vector<Clock::time_point> paints;
  int starts = 0, loops = 0, ends = 0;
  void Watch(TGIFImage& image) {
    image.OnPaint = [this](TGIFPainter&) { paints.push_back(Clock::now()); };
    image.OnStartPaint = [this](TGIFPainter&) { ++starts; };
    image.OnLoop = [this](TGIFPainter&) { ++loops; };
    image.OnEndPaint = [this](TGIFPainter&) { ++ends; };
  }
  double MeanInterval() const {
    return std::chrono::duration<double, std::milli>(paints.back() - paints.front()).count() /
           double(paints.size() - 1);
  }
};

struct TimingCase {
  int delay;
  int speed;
  double expectedMs;
};

TEST(GIFPainter, DelaysLastTwelveMillisecondsAUnitScaledBySpeed) {
  // Delay 1 counts as the minimum of 3 units, delay 0 as the default of 10; speed 200 halves.
  for (const TimingCase& c : {TimingCase{1, 100, 36}, TimingCase{1, 200, 18}, TimingCase{0, 100, 120},
                              TimingCase{5, 100, 60}}) {
    SCOPED_TRACE("delay " + std::to_string(c.delay) + ", speed " + std::to_string(c.speed));
    auto image = Animation(c.delay == 0 ? 4 : 8, c.delay);
    image->AnimationSpeed = c.speed;
    Events events;
    events.Watch(*image);
    platform::Canvas canvas(4, 4);
    TGIFPainter* painter = image->Paint(canvas, {0, 0, 4, 4}, gif::DrawAsync | gif::DrawAnimate);
    ASSERT_NE(painter, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return events.ends == 1; }));
    ASSERT_EQ(events.paints.size(), size_t(image->Images().Count()));
    EXPECT_GT(events.MeanInterval(), c.expectedMs * 0.85);
    EXPECT_LT(events.MeanInterval(), c.expectedMs * 1.6);
    EXPECT_EQ(painter->ActiveImage(), -1);
  }
}

TEST(GIFPainter, LoopCountPlaysThatManyRunsThenEnds) {
  for (uint16_t options : {uint16_t(gif::DrawAsync | gif::DrawAnimate | gif::DrawLoop),
                           uint16_t(gif::DrawAnimate | gif::DrawLoop)}) {
    SCOPED_TRACE((options & gif::DrawAsync) ? "own thread" : "caller's thread");
    auto image = Animation(2, 1, 3);
    image->AnimationSpeed = 400;
    Events events;
    events.Watch(*image);
    platform::Canvas canvas(4, 4);
    image->Paint(canvas, {0, 0, 4, 4}, options);
    ASSERT_TRUE(PumpUntil([&] { return events.ends == 1; }));
    EXPECT_EQ(events.paints.size(), 6u);
    EXPECT_EQ(events.loops, 2);
    EXPECT_EQ(events.starts, 1);
    EXPECT_EQ(canvas.GetPixel(0, 0), platform::RGBColor(60, 0, 195)) << "the last frame stays shown";
  }
  // Without DrawLoop one run only; a count of 0 runs until stopped.
  auto once = Animation(2, 1, 3);
  once->AnimationSpeed = 400;
  Events onceEvents;
  onceEvents.Watch(*once);
  platform::Canvas canvas(4, 4);
  once->Paint(canvas, {0, 0, 4, 4}, gif::DrawAsync | gif::DrawAnimate);
  ASSERT_TRUE(PumpUntil([&] { return onceEvents.ends == 1; }));
  EXPECT_EQ(onceEvents.paints.size(), 2u);

  auto endless = Animation(2, 1, 0);
  endless->AnimationSpeed = 400;
  Events endlessEvents;
  endlessEvents.Watch(*endless);
  TGIFPainter* painter = endless->Paint(canvas, {0, 0, 4, 4}, gif::DrawAsync | gif::DrawAnimate | gif::DrawLoop);
  ASSERT_TRUE(PumpUntil([&] { return endlessEvents.paints.size() >= 12; }));
  EXPECT_FALSE(painter->Finished());
  endless->PaintStop();
  EXPECT_EQ(endless->PainterCount(), 0);
  EXPECT_EQ(endlessEvents.ends, 1);
}

TEST(GIFPainter, StoppingEndsAWaitAtOnce) {
  // A delay of ten minutes (not capped on a thread of its own), and a negative speed that waits
  // without end: both end within a few milliseconds of the stop.
  for (int speed : {100, -5}) {
    SCOPED_TRACE("speed " + std::to_string(speed));
    auto image = Animation(2, 50000);
    image->AnimationSpeed = speed;
    Events events;
    events.Watch(*image);
    platform::Canvas canvas(4, 4);
    image->DrawOptions |= gif::DrawDirect;
    image->Draw(canvas, {0, 0, 4, 4});
    ASSERT_TRUE(PumpUntil([&] { return image->DrawPainter() && image->DrawPainter()->Started(); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const Clock::time_point start = Clock::now();
    image->StopDraw();
    EXPECT_LT(MsSince(start), 100.0);
    EXPECT_EQ(image->PainterCount(), 0);
    EXPECT_EQ(events.paints.size(), 1u);
  }
}

TEST(GIFPainter, AnimationGoesOnAfterTheGuiThreadStalls) {
  // A frame that comes late after a busy GUI thread has a negative wait: it is shown at once, and
  // the animation keeps its pace afterwards instead of waiting for ever. Both a painter of its own
  // and the About logo as its window draws it (each new frame a change of the picture).
  for (bool logo : {false, true}) {
    SCOPED_TRACE(logo ? "the About logo" : "a painter");
    std::unique_ptr<TGIFImage> image = logo ? gif::LoadAboutLogo() : Animation(3, 5, 0);
    // The logo holds its last frame for 3.6 s; four times as fast it stays within the test's time.
    if (logo) image->AnimationSpeed = 400;
    int frames = 0;
    image->OnChange = [&] { ++frames; };
    image->OnPaint = [&](TGIFPainter&) { ++frames; };
    platform::Canvas canvas(image->GetWidth(), image->GetHeight());
    if (logo) {
      image->Draw(canvas, {0, 0, canvas.Width(), canvas.Height()});
      image->OnPaint = nullptr;
    } else {
      image->OnChange = nullptr;
      image->Paint(canvas, {0, 0, canvas.Width(), canvas.Height()}, gif::DrawAsync | gif::DrawAnimate | gif::DrawLoop);
    }
    ASSERT_TRUE(PumpUntil([&] { return frames >= 3; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));  // the GUI thread runs none of its calls
    const int before = frames;
    EXPECT_TRUE(PumpUntil([&] { return frames >= before + 5; }, 3000)) << "the animation froze after " << before;
    ASSERT_EQ(image->PainterCount(), 1);
    image->PaintStop();
    EXPECT_EQ(image->PainterCount(), 0);
  }
}

TEST(GIFPainter, AValidatingPainterEndsWhenItsCanvasIsFreed) {
  // Drawn straight on the caller's canvas, with and without the work bitmaps of a disposal.
  for (bool backup : {false, true}) {
    SCOPED_TRACE(backup ? "restoring the background" : "straight on the canvas");
    auto image = Animation(3, 1, 0);
    if (backup) image->Images()[1]->GraphicControlExtension()->SetDisposal(gif::dmBackground);
    image->AnimationSpeed = 1000;
    Events events;
    events.Watch(*image);
    auto canvas = std::make_unique<platform::Canvas>(4, 4);
    image->DrawOptions |= gif::DrawDirect | gif::DrawValidateCanvas;
    image->Draw(*canvas, {0, 0, 4, 4});
    ASSERT_TRUE(PumpUntil([&] { return events.paints.size() >= 4; }));
    canvas.reset();
    EXPECT_TRUE(PumpUntil([&] { return image->DrawPainter() == nullptr; }, 2000)) << "still painting";
    const size_t painted = events.paints.size();
    PumpUntil([] { return false; }, 100);
    EXPECT_EQ(events.paints.size(), painted);
    EXPECT_NO_THROW(image->StopDraw());
    EXPECT_EQ(image->PainterCount(), 0);
  }
}

TEST(GIFPainter, PainterThreadsRunAtThePicturesPriority) {
  for (gif::TThreadPriority priority :
       {gif::TThreadPriority::Lowest, gif::TThreadPriority::Idle, gif::TThreadPriority::Normal}) {
    auto image = Animation(2, 1, 0);
    image->ThreadPriority = priority;
    platform::Canvas canvas(4, 4);
    TGIFPainter* painter = image->Paint(canvas, {0, 0, 4, 4}, gif::DrawAsync | gif::DrawAnimate | gif::DrawLoop);
    ASSERT_NE(painter, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return painter->Started(); }));
    ASSERT_NE(painter->ThreadId(), 0);
    EXPECT_NE(painter->ThreadId(), platform::CurrentThreadId());
    EXPECT_EQ(platform::ThreadNice(painter->ThreadId()), platform::NiceValue(priority)) << int(priority);
    image->PaintStop();
  }
}

TEST(GIFPainter, PicturesDestroyedOrReloadedWhileAnimatingNeverDeadlock) {
  platform::Canvas canvas(8, 8, platform::clWhite);
  auto image = Animation(3, 1, 0);
  image->AnimationSpeed = 1000;
  int changes = 0;
  image->OnChange = [&] { ++changes; };
  image->Draw(canvas, {0, 0, 8, 8});
  ASSERT_TRUE(PumpUntil([&] { return changes >= 5; }));
  ASSERT_NE(image->DrawPainter(), nullptr);

  // Reloading stops and joins the painter first.
  auto other = Animation(2, 1, 0);
  platform::ByteWriter bytes;
  other->SaveToStream(bytes);
  platform::ByteReader reader(bytes.Data());
  image->LoadFromStream(reader);
  EXPECT_EQ(image->PainterCount(), 0);
  EXPECT_EQ(image->Images().Count(), 2);

  // Stopping from inside the painter's own event, on the GUI thread that runs it.
  int paints = 0;
  image->OnPaint = [&](TGIFPainter&) {
    if (++paints == 3) image->StopDraw();
  };
  image->AnimationSpeed = 1000;
  image->Draw(canvas, {0, 0, 8, 8});
  ASSERT_TRUE(PumpUntil([&] { return paints >= 3 && image->DrawPainter() == nullptr; }));
  EXPECT_TRUE(PumpUntil([&] {
    image->Draw(canvas, {0, 0, 8, 8});  // reaps the painter that was left to end by itself
    return image->PainterCount() <= 1;
  }));

  // Destroyed while a painter thread waits for the GUI thread: the destructor runs its calls.
  image->OnPaint = nullptr;
  image->StopDraw();
  image->Draw(canvas, {0, 0, 8, 8});
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  const Clock::time_point start = Clock::now();
  image.reset();
  EXPECT_LT(MsSince(start), 200.0);
}

TEST(GIFPainter, AnErrorInThePainterIsRaisedByTheNextStop) {
  auto image = Animation(3, 1);
  image->OnAfterPaint = [](TGIFPainter&) { throw gif::GIFException("painter failed"); };
  platform::Canvas canvas(4, 4);
  image->DrawOptions |= gif::DrawDirect;
  image->Draw(canvas, {0, 0, 4, 4});
  ASSERT_TRUE(PumpUntil([&] { return image->DrawPainter() == nullptr; }));
  try {
    image->StopDraw();
    ADD_FAILURE() << "the error was lost";
  } catch (const gif::GIFException& e) {
    EXPECT_STREQ(e.what(), "painter failed");
  }
  EXPECT_NO_THROW(image->StopDraw()) << "raised once";
  EXPECT_EQ(image->PainterCount(), 0);
}

TEST(GIFPainter, DisposalRestoresBackgroundOrPrevious) {
  // Frame 0 fills the screen; frame 1 (restore to background) and frame 2 (restore to previous)
  // cover the left half; frame 3 is a transparent pixel, showing what the disposals left.
  auto image = Animation(4, 1);
  gif::TGIFImageList& frames = image->Images();
  frames[0]->NewImage(4, 4, 1);
  frames[1]->NewImage(2, 4, 2);
  frames[1]->GraphicControlExtension()->SetDisposal(gif::dmBackground);
  frames[2]->NewImage(2, 4, 3);
  frames[2]->GraphicControlExtension()->SetDisposal(gif::dmPrevious);
  frames[3]->NewImage(1, 1, 0);
  frames[3]->GraphicControlExtension()->SetTransparent(true);
  frames[3]->GraphicControlExtension()->SetTransparentColorIndex(0);
  image->BackgroundColor = platform::clLime;
  image->AnimationSpeed = 100000;
  platform::Canvas canvas(4, 4, platform::clLime);
  std::vector<platform::TColor> left;
  image->OnAfterPaint = [&](TGIFPainter&) { left.push_back(canvas.GetPixel(0, 0)); };
  image->Paint(canvas, {0, 0, 4, 4}, gif::DrawTransparent | gif::DrawAnimate);
  const platform::TColor c1 = platform::RGBColor(60, 0, 195), c2 = platform::RGBColor(120, 0, 135),
                         c3 = platform::RGBColor(180, 0, 75);
  EXPECT_EQ(left, (std::vector<platform::TColor>{c1, c2, c3, platform::clLime}));
  EXPECT_EQ(canvas.GetPixel(3, 3), c1);
}

}  // namespace
