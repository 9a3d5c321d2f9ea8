#include "gif/painter.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <limits>

#include "gif/canvas_painter.h"
#include "platform/gui_calls.h"

namespace gif {

namespace {

int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// Plain source copy of `from` of `source` into `to` of `dest`, within the destination's clip.
void CopyArea(platform::Canvas& dest, const platform::Rect& to, const platform::Canvas& source,
              const platform::Rect& from) {
  if (to.IsEmpty() || from.IsEmpty()) return;
  CanvasPainter paint(dest);
  paint.Painter().setCompositionMode(QPainter::CompositionMode_Source);
  paint.Painter().drawImage(QRect(to.Left, to.Top, to.Width(), to.Height()), source.Image(),
                            QRect(from.Left, from.Top, from.Width(), from.Height()));
}

bool UsesDisposal(const TGIFImage& image, int method) {
  for (const auto& frame : image.Images())
    if (frame->Disposal() == method) return true;
  return false;
}

}  // namespace

TGIFPainter::TGIFPainter(TGIFImage& image, platform::Canvas& canvas, const platform::Rect& rect, uint16_t options)
    : image_(image),
      canvas_(canvas),
      rect_(rect),
      options_(options),
      speed_(image.AnimationSpeed),
      priority_(image.ThreadPriority),
      canvasHandle_(canvas.Handle()) {
  if (image.BackgroundColor)
    backgroundColor_ = platform::ColorToRGB(*image.BackgroundColor);
  else if (image.Header().ColorMap().Empty())
    backgroundColor_ = platform::ColorToRGB(platform::clWindow);
  else {
    const TGIFColorMap& map = image.Header().ColorMap();
    const int index = image.Header().BackgroundColorIndex();
    const TGIFColor c = index < map.Count() ? map.Colors()[size_t(index)] : TGIFColor{};
    backgroundColor_ = platform::RGBColor(c.Red, c.Green, c.Blue);
  }

  const bool clearOnLoop = (options_ & DrawClearOnLoop) != 0;
  const bool restoreBackground = clearOnLoop || UsesDisposal(image, dmBackground);
  const bool restorePrevious = UsesDisposal(image, dmPrevious);
  const platform::Rect whole{0, 0, rect_.Width(), rect_.Height()};
  if (whole.IsEmpty()) return;
  const bool needBackground = restoreBackground && (options_ & DrawTransparent);
  const bool needBackup = restoreBackground || restorePrevious;
  // The work bitmaps count in the picture's memory budget while the painter lives.
  const int64_t bytes = int64_t(whole.Right) * whole.Bottom * kBitmapBytesPerPixel * ((needBackground ? 1 : 0) + (needBackup ? 2 : 0));
  image_.ReserveBytes(bytes);
  reservedBytes_ = bytes;
  auto workBitmap = [&] {
    auto bitmap = std::make_unique<platform::Canvas>(whole.Right, whole.Bottom, backgroundColor_);
    if (bitmap->Image().isNull()) {
      image_.ReleaseBytes(reservedBytes_);
      throw GIFException(texts::kTooLarge);
    }
    bitmap->SetBrush(platform::Brush{backgroundColor_, platform::BrushStyle::Solid});
    return bitmap;
  };
  if (needBackground) {
    background_ = workBitmap();
    CopyArea(*background_, whole, canvas_, rect_);
  }
  if (needBackup) {
    backupBuffer_ = workBitmap();
    CopyArea(*backupBuffer_, whole, canvas_, rect_);
    frameBuffer_ = workBitmap();
  }
}

TGIFPainter::~TGIFPainter() {
  Stop();
  Join();
  image_.ReleaseBytes(reservedBytes_);
}

void TGIFPainter::Start() {
  if (!Asynchronous() || thread_.joinable()) return;
  thread_ = std::thread([this] {
    {
      std::lock_guard<std::mutex> guard(threadLock_);
      threadId_ = platform::CurrentThreadId();
      threadLive_ = true;
      if (!terminated_) platform::SetThreadPriority(threadId_, priority_);
    }
    Run();
    std::lock_guard<std::mutex> guard(threadLock_);
    threadLive_ = false;
  });
}

void TGIFPainter::Run() {
  try {
    Execute();
  } catch (...) {
    error_ = std::current_exception();
    terminated_ = true;
  }
  finished_ = true;
  platform::GuiCalls::Instance().Wake();
}

void TGIFPainter::SignalEvent() {
  {
    std::lock_guard<std::mutex> guard(eventLock_);
    eventSignalled_ = true;
  }
  eventChanged_.notify_all();
}

void TGIFPainter::Stop() {
  terminated_ = true;
  // A painter of low priority is not kept waiting for the processor on its way out.
  {
    std::lock_guard<std::mutex> guard(threadLock_);
    if (threadLive_ && priority_ != TThreadPriority::Normal) platform::SetThreadPriority(threadId_, TThreadPriority::Normal);
  }
  SignalEvent();
  platform::GuiCalls::Instance().Wake();
}

void TGIFPainter::Restart() {
  restart_ = true;
  SignalEvent();
}

void TGIFPainter::Join() {
  if (!thread_.joinable()) return;
  if (platform::GuiCalls::OnGuiThread()) platform::GuiCalls::Instance().DrainUntil([this] { return Finished(); });
  thread_.join();
}

bool TGIFPainter::OnCanvasThread(const std::function<void()>& call, bool skipWhenStopped) {
  auto guarded = [&] {
    if (skipWhenStopped && terminated_) return;
    inGuiCall_ = true;
    try {
      call();
    } catch (...) {
      inGuiCall_ = false;
      throw;
    }
    inGuiCall_ = false;
  };
  if (!Asynchronous()) {
    guarded();
    return true;
  }
  return platform::GuiCalls::Instance().Call(guarded, skipWhenStopped ? terminated_ : never_);
}

void TGIFPainter::Fire(const TGIFPainterEvent& event) {
  if (event) OnCanvasThread([&] { event(*this); }, false);
}

bool TGIFPainter::WaitEvent(int64_t milliseconds) {
  std::unique_lock<std::mutex> guard(eventLock_);
  if (milliseconds < 0)
    eventChanged_.wait(guard, [&] { return eventSignalled_; });
  else
    eventChanged_.wait_for(guard, std::chrono::milliseconds(milliseconds), [&] { return eventSignalled_; });
  const bool signalled = eventSignalled_;
  eventSignalled_ = false;
  return signalled;
}

void TGIFPainter::SleepSynchronous(int64_t milliseconds) {
  int64_t left = milliseconds;
  while (left > 0 && !terminated_) {
    const int64_t before = NowMs();
    {
      std::unique_lock<std::mutex> guard(eventLock_);
      eventChanged_.wait_for(guard, std::chrono::milliseconds(std::min<int64_t>(left, 100)),
                             [&] { return terminated_.load(); });
    }
    left -= std::max<int64_t>(1, NowMs() - before);
    // A painter on the GUI thread keeps the program answering while it waits.
    if (platform::GuiCalls::OnGuiThread()) {
      platform::GuiCalls::Instance().Drain();
      if (QCoreApplication::instance()) QCoreApplication::processEvents();
    }
  }
}

void TGIFPainter::Execute() {
  const bool async = Asynchronous();
  const TGIFImageList& images = image_.Images();
  restart_ = true;
  while (restart_ && !terminated_) {
    activeImage_ = 0;
    Fire(OnStartPaint);
    started_ = false;
    restart_ = false;
    int loopsLeft = 1;
    int firstFrame = 0;
    bool loopSeen = false;
    int delay = async ? 0 : 1;
    previousDisposal_ = dmNoDisposal;
    int64_t last = NowMs();
    int64_t lag = 0;
    while (loopsLeft != 0 || (options_ & DrawLoopForever)) {
      if (terminated_ || restart_) break;
      activeImage_ = firstFrame;
      if (started_) Fire(OnLoop);
      for (;;) {
        const int index = activeImage_;
        if (index < 0 || index >= images.Count() || terminated_ || restart_) break;
        TGIFSubImage& frame = *images[index];
        if (frame.Empty()) break;

        if (delay < 1) {
          std::this_thread::yield();
        } else {
          frame.Bitmap();  // built before the wait, so building takes none of the frame's time
          int64_t wait;
          if (speed_ < 1) {
            wait = async ? -1 : int64_t(kMaximumDelay) * kDelayUnitMs;
          } else {
            const int64_t now = NowMs();
            const int64_t elapsed = now - (last + lag);
            wait = (int64_t(delay) * kDelayUnitMs - elapsed / 2) * 100 / speed_;
            if (wait > std::numeric_limits<int32_t>::max() || wait < std::numeric_limits<int32_t>::min()) {
              wait = int64_t(kMaximumDelay) * kDelayUnitMs;
              lag = 0;
            } else {
              lag = wait;
            }
            last = now;
          }
          if (async) {
            // A late frame (a computed wait of 0 or less) is shown at once; only an animation
            // without a positive speed waits without a limit.
            if ((wait > 0 || speed_ < 1) && WaitEvent(speed_ < 1 ? -1 : wait)) {
              lag = 0;
              last = NowMs();
            }
          } else {
            SleepSynchronous(std::max<int64_t>(1, wait));
          }
        }
        if (terminated_) break;
        Fire(OnPaint);
        if (terminated_) break;

        disposal_ = frame.GraphicControlExtension() ? frame.Disposal() : dmNoDisposal;
        for (const auto& extension : frame.Extensions()) {
          const auto* loop = dynamic_cast<const TGIFAppExtNSLoop*>(extension.get());
          if (loop && !loopSeen) {
            loopSeen = true;
            loopsLeft = loop->Loops;
            if (async && (loop->Loops == 0 || (options_ & DrawLoopForever))) loopsLeft = -1;
            firstFrame = index;
          }
        }
        OnCanvasThread([&] { PaintFrame(frame, index); }, true);
        previousDisposal_ = disposal_;
        if (terminated_) break;

        delay = frame.Delay() != 0 ? frame.Delay() : kDefaultDelay;
        delay = std::max(delay, kMinimumDelay);
        if (delay > kMaximumDelay && !async) delay = kMaximumDelay;
        Fire(OnAfterPaint);
        if (terminated_) break;
        if (activeImage_ == index) activeImage_ = index + 1;
        if (!(options_ & DrawAnimate)) break;
      }
      if (loopsLeft > 0) --loopsLeft;
      if (!((options_ & DrawAnimate) && (options_ & DrawLoop))) break;
    }
  }
  activeImage_ = -1;
  Fire(OnEndPaint);
}

void TGIFPainter::PaintFrame(TGIFSubImage& frame, int index) {
  // A target freed meanwhile ends the painter before anything touches it, with or without the
  // work bitmaps (a direct painter draws on its caller's canvas).
  if ((options_ & DrawValidateCanvas) && !platform::Canvas::IsCanvas(canvasHandle_)) {
    Stop();
    return;
  }
  const bool tile = (options_ & DrawTile) != 0;
  const bool transparent = (options_ & DrawTransparent) != 0;
  canvas_.Lock();
  struct Unlock {
    platform::Canvas& c;
    ~Unlock() { c.Unlock(); }
  } unlock{canvas_};
  if (!backupBuffer_) {
    frame.Draw(canvas_, rect_, transparent, tile);
  } else {
    const platform::Rect whole{0, 0, rect_.Width(), rect_.Height()};
    if ((options_ & DrawClearOnLoop) && index == 0) ClearFrameArea(frame);
    switch (disposal_) {
      case dmNone:
      case dmNoDisposal:
        frame.Draw(*backupBuffer_, whole, transparent, tile);
        CopyArea(canvas_, rect_, *backupBuffer_, whole);
        break;
      case dmBackground:
        frame.Draw(*backupBuffer_, whole, transparent, tile);
        CopyArea(canvas_, rect_, *backupBuffer_, whole);
        ClearFrameArea(frame);
        break;
      case dmPrevious:
        if (previousDisposal_ == dmNone || previousDisposal_ == dmNoDisposal) {
          // The backup keeps the picture without this frame, for the next frame to start from.
          frame.Draw(canvas_, rect_, transparent, tile);
        } else {
          CopyArea(*frameBuffer_, whole, *backupBuffer_, whole);
          frame.Draw(*frameBuffer_, whole, transparent, tile);
          CopyArea(canvas_, rect_, *frameBuffer_, whole);
        }
        break;
      default:
        break;
    }
  }
  started_ = true;
  if (&canvas_ == image_.bitmapCanvas_.get()) image_.NotifyChange();
}

void TGIFPainter::ClearFrameArea(const TGIFSubImage& frame) {
  const platform::Rect whole{0, 0, rect_.Width(), rect_.Height()};
  const bool transparent = (options_ & DrawTransparent) != 0 && background_;
  auto clear = [&](const platform::Rect& area) {
    const platform::Rect r = platform::IntersectRect(area, whole);
    if (r.IsEmpty()) return;
    if (transparent)
      CopyArea(*backupBuffer_, r, *background_, r);
    else
      backupBuffer_->FillRect(r);
  };
  const int pictureWidth = image_.GetWidth(), pictureHeight = image_.GetHeight();
  if ((options_ & DrawTile) && pictureWidth > 0 && pictureHeight > 0) {
    const platform::Rect bounds = frame.BoundsRect();
    const bool coversPicture =
        bounds.Left <= 0 && bounds.Top <= 0 && bounds.Right >= pictureWidth && bounds.Bottom >= pictureHeight;
    if (!transparent && coversPicture) {
      clear(whole);
      return;
    }
    for (int y = 0; y < whole.Bottom; y += pictureHeight)
      for (int x = 0; x < whole.Right; x += pictureWidth)
        clear({x + bounds.Left, y + bounds.Top, x + bounds.Right, y + bounds.Bottom});
  } else {
    clear(frame.ScaledRect(whole));
  }
}

}  // namespace gif
