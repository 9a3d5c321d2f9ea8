// TGIFPainter: shows a picture's frames one after another on a canvas, honouring each frame's
// delay and disposal method and the looping extension. An asynchronous painter (DrawAsync) runs on
// a thread of its own; its drawing and events run on the GUI thread through GuiCalls. A synchronous
// one runs on the caller's thread. The picture owns its painters and joins them.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "gif/gif_image.h"
#include "platform/canvas.h"

namespace gif {

// One delay unit of the file lasts 12 ms; a frame without a delay waits 10 units; at least 3 and,
// unless asynchronous, at most 1000 units.
inline constexpr int kDelayUnitMs = 12;
inline constexpr int kDefaultDelay = 10;
inline constexpr int kMinimumDelay = 3;
inline constexpr int kMaximumDelay = 1000;

class TGIFPainter {
 public:
  // Copies the target's rectangle into the work bitmaps it needs; call on the GUI thread.
  TGIFPainter(TGIFImage& image, platform::Canvas& canvas, const platform::Rect& rect, uint16_t options);
  // Stops the painter and waits for its thread.
  ~TGIFPainter();
  TGIFPainter(const TGIFPainter&) = delete;
  TGIFPainter& operator=(const TGIFPainter&) = delete;

  // Asynchronous: starts the thread. Synchronous: nothing (the owner calls Run).
  void Start();
  // Runs the animation on the calling thread and keeps any error (see Error).
  void Run();
  // Ends the painter: any wait ends at once.
  void Stop();
  // Begins again at frame 0 without ending the thread.
  void Restart();

  bool Asynchronous() const { return (options_ & DrawAsync) != 0; }
  bool Terminated() const { return terminated_; }
  // The first frame is on the target.
  bool Started() const { return started_; }
  // The run is over (also after an error).
  bool Finished() const { return finished_; }
  // True while one of its calls runs on the GUI thread (whose stack then holds it).
  bool InGuiCall() const { return inGuiCall_; }
  // Waits for the thread to end; on the GUI thread its calls are run meanwhile.
  void Join();
  std::exception_ptr Error() const { return error_; }

  TGIFImage& Image() const { return image_; }
  platform::Canvas& Canvas() const { return canvas_; }
  const platform::Rect& Rect() const { return rect_; }
  uint16_t DrawOptions() const { return options_; }
  int AnimationSpeed() const { return speed_; }
  // The picture's ThreadPriority at creation, which an asynchronous painter's thread runs at.
  TThreadPriority Priority() const { return priority_; }
  // The kernel's id of the painter's thread once it runs, else 0.
  int ThreadId() const { return threadId_; }
  platform::TColor BackgroundColor() const { return backgroundColor_; }
  // The frame being shown, -1 when idle. An OnAfterPaint handler may set it to choose the next.
  int ActiveImage() const { return activeImage_; }
  void SetActiveImage(int index) { activeImage_ = index; }

  TGIFPainterEvent OnStartPaint, OnLoop, OnPaint, OnAfterPaint, OnEndPaint;

 private:
  void Execute();
  // Runs `call` where the canvas lives; false when the painter was stopped before it could run.
  bool OnCanvasThread(const std::function<void()>& call, bool skipWhenStopped);
  void Fire(const TGIFPainterEvent& event);
  void PaintFrame(TGIFSubImage& frame, int index);
  void ClearFrameArea(const TGIFSubImage& frame);
  // Ends a wait on the event (stop or restart).
  void SignalEvent();
  // Asynchronous wait on the event; true when it was signalled. Negative: no time limit.
  bool WaitEvent(int64_t milliseconds);
  void SleepSynchronous(int64_t milliseconds);

  TGIFImage& image_;
  platform::Canvas& canvas_;
  platform::Rect rect_;
  uint16_t options_;
  int speed_;
  TThreadPriority priority_;
  std::atomic<int> threadId_{0};
  // Held while the thread's id names a live thread to renice: an id is reused once its thread ends.
  std::mutex threadLock_;
  bool threadLive_ = false;
  // The target's handle, checked before each frame with DrawValidateCanvas.
  uint64_t canvasHandle_;
  platform::TColor backgroundColor_ = 0;
  std::atomic<int> activeImage_{-1};
  std::atomic<bool> started_{false};
  std::atomic<bool> terminated_{false};
  std::atomic<bool> restart_{false};
  std::atomic<bool> finished_{false};
  std::atomic<bool> inGuiCall_{false};
  const std::atomic<bool> never_{false};
  std::unique_ptr<platform::Canvas> backupBuffer_, frameBuffer_, background_;
  int64_t reservedBytes_ = 0;
  int disposal_ = dmNoDisposal;
  int previousDisposal_ = dmNoDisposal;

  std::mutex eventLock_;
  std::condition_variable eventChanged_;
  bool eventSignalled_ = false;

  std::thread thread_;
  std::exception_ptr error_;
};

}  // namespace gif
