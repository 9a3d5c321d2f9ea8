// TKQViewport: the control that shows a drawing. It draws into an off-screen bitmap and copies the
// bitmap to its "screen", so that showing the drawing again never redraws it; it keeps the visible
// window of the drawing (drawing units) and the transform from drawing units to pixels, draws the
// grid and the axes, zooms and shifts the window, and copies the drawing to other canvases.
//
// The screen is an image too: the library may draw on it at any time (rubber bands and the
// cross-hair, in exclusive-or so that drawing twice erases), and the widget shows that image only
// from its paint events, which Qt allows alone to paint a widget. Drawing on the screen therefore
// means: draw into ScreenCanvas(), then ShowScreen() (or update()) to have it shown.
//
// Painting may run in a painting thread (UsePaintingThread, off by default as the program keeps it).
// Every operation that changes what is shown calls StopRepaint first, so the GUI thread never changes
// the drawing while the thread walks it.
//
// Messages: every key and mouse message passes through WindowProc, whose default is the viewport's
// own handling (DefaultWindowProc). An interaction program puts its own procedure in place, keeps the
// one it replaced and passes every message on to it.
#pragma once

#include <QImage>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>

#include "cad/critical_section.h"
#include "cad/decorative_pen.h"
#include "cad/drawing.h"
#include "cad/geometry.h"
#include "platform/canvas.h"
#include "platform/input_events.h"

namespace cad {

class TPaintingThread;

// A key or mouse message of the control, in screen pixels.
enum class TViewportMessageKind : uint8_t { KeyDown, KeyUp, MouseMove, MouseDown, MouseUp, DoubleClick };

struct TViewportMessage {
  TViewportMessageKind Kind = TViewportMessageKind::MouseMove;
  // The button of MouseDown, MouseUp and DoubleClick.
  platform::TMouseButton Button = platform::mbLeft;
  // The virtual-key number of KeyDown and KeyUp (platform::VirtualKeyFromQt).
  int Key = 0;
  platform::TShiftState Shift = 0;
  int X = 0;
  int Y = 0;
};

using TViewportWindowProc = std::function<void(TViewportMessage& message)>;

class TKQViewport : public QWidget, public TKQViewportLink {
 public:
  using NotifyEvent = std::function<void(TKQViewport& sender)>;
  using ClearCanvasEvent =
      std::function<void(TKQViewport& sender, TDecorativeCanvas& canvas, platform::TColor color, const TRect2D& rect)>;
  using KeyEvent = std::function<void(TKQViewport& sender, int key, platform::TShiftState shift)>;

  // Drawing modes (passed through to the objects).
  static constexpr int kDrawModeNoObjects = 1;
  // Kinds of CopyToCanvas.
  static constexpr int kCopyAsShown = 0;
  static constexpr int kCopyExtension = 1;
  static constexpr int kCopyScaled = 2;

  explicit TKQViewport(QWidget* parent = nullptr);
  ~TKQViewport() override;
  TKQViewport(const TKQViewport&) = delete;
  TKQViewport& operator=(const TKQViewport&) = delete;

  // --- The drawing ---
  // Nothing when unchanged; otherwise the viewport leaves its old drawing's viewports and joins the
  // new one's.
  virtual void SetCADCmp(TKQCmp* drawing);
  TKQCmp* CADCmp() const { return drawing_; }
  // A list of objects drawn and picked instead of the drawing's (not owned); none goes back to the
  // drawing's objects.
  void SetObjectList(TGraphicObjList* list);
  TGraphicObjList* ObjectList() const { return ownList_; }
  void DrawingDestroyed(TKQCmp& drawing) override;

  // --- The visible window ---
  TRect2D VisibleWindow() const;
  // Shows `rect` (corners in any order; a rectangle without width or height is ignored), widened to
  // the screen's shape when AspectRatio is above 0, and repaints. While the client area is empty
  // only the window is kept; the view is built when the area has a size again.
  void ShowWindowRect(const TRect2D& rect);
  // Each side of the window moves in (out) by a quarter of its width and height.
  void ZoomIn();
  void ZoomOut();
  // The window moves by (dx, dy) drawing units.
  void ShiftWindow(double dx, double dy);
  // A window of `scaleX` (`scaleY`) drawing units per millimetre of `canvas`'s device.
  void SetScale(const platform::Canvas& canvas, double scaleY, double scaleX);
  virtual void ZoomToExtension() = 0;

  // --- Conversions ---
  TTransform2D GetViewportToScreen() const { return view_; }
  TTransform2D GetScreenToViewport() const { return inverse_; }
  // The size of one pixel in drawing units, (|inverse[0][0]|, |inverse[1][1]|, 1).
  TPoint2D GetPixelAperture() const;
  double PixelsToUnits(double pixels) const { return pixels * GetPixelAperture().X; }
  // Through the inverse transform; W as it comes.
  TPoint2D ScreenToViewport(const TPoint2D& p) const;
  // Through the view transform, cartesian.
  TPoint2D ViewportToScreen(const TPoint2D& p) const;
  // The pixel of a drawing point; far-off points saturate (within +-1e9) instead of overflowing.
  platform::Point ViewportToPixel(const TPoint2D& p) const;
  virtual TTransform2D BuildViewTransform(TRect2D& window, const platform::Rect& screen, double aspectRatio,
                                          int aspectMode);
  // The transform that maps `window` on `screen` for a copy; the base answers the view transform.
  virtual TTransform2D BuildTransformOfRect(const TRect2D& window, const platform::Rect& screen, int aspectMode);

  // --- Painting ---
  // A transparent viewport has its parent repainted first; then RepaintRect of the visible window.
  void Repaint() override;
  // Shows the buffer again at once (Invalidate).
  void Refresh() override { Invalidate(); }
  void Invalidate();
  // Redraws `rect` (drawing units) into the buffer and shows it; ignored between BeginUpdate and
  // EndUpdate.
  void RepaintRect(const TRect2D& rect);
  // Terminates a running painting thread, waits for it, forgets it and fires OnPaint.
  void StopRepaint();
  bool IsPainting() const { return thread_ != nullptr; }
  // Lets a running painting thread finish, then as when it ends by itself.
  void WaitForRepaint();
  void BeginUpdate();
  void EndUpdate();
  void CopyBufferToScreen(const platform::Rect& rect, bool firePaint) override;
  // Fills `rect` (drawing units, widened by one pixel to the right and bottom) with `color`.
  void ClearCanvasRect(platform::Canvas& canvas, platform::TColor color, const TRect2D& rect);
  virtual void DrawGrid(const TRect2D& window, TDecorativeCanvas& canvas);
  virtual void DrawAxes(const TRect2D& window, TDecorativeCanvas& canvas);
  // The object in the rubber-band pen (exclusive-or): drawing it twice removes it.
  virtual void DrawObjectWithRubber(TGraphicObject& object, TDecorativeCanvas& canvas, const TRect2D& clip) = 0;
  virtual void CopyRectToCanvas(const TRect2D& window, const platform::Rect& screen, int aspectMode,
                                platform::Canvas& canvas) = 0;
  // The drawing on `canvas` as shown (kind 0), fitted to its extension (1) or at a scale (2); the
  // view is left as it was.
  void CopyToCanvas(platform::Canvas& canvas, int aspectMode, double scaleX, double scaleY, int kind);

  platform::Rect ClientRect() const override;
  TDecorativeCanvas& OffScreenCanvas() override { return *bufferCanvas_; }
  TDecorativeCanvas& ScreenCanvas() { return *screenCanvas_; }
  const QImage& BufferImage() const { return buffer_.Image(); }
  const QImage& ScreenImage() const { return screen_.Image(); }
  // Has the widget show what was drawn on the screen canvas.
  void ShowScreen() { update(); }
  // Counts the copies of the buffer to the screen, each of which wipes what was drawn on the screen.
  uint64_t ScreenCopies() const { return screenCopies_; }
  // Exclusive-or, solid, width 2, RubberPenColor xor BackGroundColor.
  const platform::Pen& RubberPen() const { return rubberPen_; }

  // --- Published properties ---
  double AspectRatio() const { return aspectRatio_; }
  void SetAspectRatio(double ratio) { aspectRatio_ = ratio; }
  platform::TColor RubberPenColor() const { return rubberPenColor_; }
  void SetRubberPenColor(platform::TColor color);
  platform::TColor ControlPointsColor() const { return controlPointsColor_; }
  void SetControlPointsColor(platform::TColor color) { controlPointsColor_ = color; }
  platform::TColor BackGroundColor() const { return backGroundColor_; }
  void SetBackGroundColor(platform::TColor color);
  platform::TColor GridColor() const { return gridColor_; }
  void SetGridColor(platform::TColor color);
  bool GridOnTop() const { return gridOnTop_; }
  void SetGridOnTop(bool onTop) { gridOnTop_ = onTop; }
  double GridDeltaX() const { return gridDeltaX_; }
  void SetGridDeltaX(double delta);
  double GridDeltaY() const { return gridDeltaY_; }
  void SetGridDeltaY(double delta);
  double GridSubX() const { return gridSubX_; }
  void SetGridSubX(double count);
  double GridSubY() const { return gridSubY_; }
  void SetGridSubY(double count);
  uint8_t ControlPointsWidth() const { return controlPointsWidth_; }
  void SetControlPointsWidth(uint8_t width) { controlPointsWidth_ = width; }
  bool ShowControlPoints() const { return showControlPoints_; }
  void SetShowControlPoints(bool show) { showControlPoints_ = show; }
  bool ShowGrid() const { return showGrid_; }
  void SetShowGrid(bool show);
  bool ShowAssi() const { return showAssi_; }
  void SetShowAssi(bool show);
  bool IsMM() const { return isMM_; }
  void SetIsMM(bool isMM) { isMM_ = isMM; }
  bool UsePaintingThread() const { return usePaintingThread_; }
  void SetUsePaintingThread(bool use) { usePaintingThread_ = use; }
  bool IsTransparent() const { return isTransparent_; }
  void SetIsTransparent(bool transparent);
  int CopingFrequency() const { return copingFrequency_; }
  void SetCopingFrequency(int frequency) { copingFrequency_ = frequency; }
  int DrawMode() const { return drawMode_; }
  void SetDrawMode(int mode) { drawMode_ = mode; }
  int AspectMode() const { return aspectMode_; }
  void SetAspectMode(int mode) { aspectMode_ = mode; }
  // Repaints, even when the handler is the same.
  void SetOnClearCanvas(ClearCanvasEvent event);

  // --- Events ---
  NotifyEvent OnBeginRedraw;
  NotifyEvent OnEndRedraw;
  // After the buffer was copied to the screen (never while it already runs).
  NotifyEvent OnPaint;
  NotifyEvent OnResize;
  NotifyEvent OnViewMappingChanged;
  NotifyEvent OnMouseEnter;
  NotifyEvent OnMouseLeave;
  NotifyEvent OnDblClick;
  NotifyEvent OnEnter;
  NotifyEvent OnExit;
  KeyEvent OnKeyDown;
  KeyEvent OnKeyUp;

  // The window procedure every key and mouse message goes through.
  TViewportWindowProc WindowProc;
  // Set by an interaction program while it passes on a mouse message whose 2D mouse event it has
  // fired itself, so that the viewport does not fire it a second time.
  bool SuppressMouse2DEvents = false;

 protected:
  // The viewport's own handling of a message: the key events and the double click here.
  virtual void DefaultWindowProc(TViewportMessage& message);
  virtual std::unique_ptr<TDecorativeCanvas> CreateDecorativeCanvas(platform::Canvas& canvas);
  // A shared iterator over the objects a repaint draws (the own list or the drawing's); none when
  // there is nothing to draw or the lists are held exclusively.
  std::unique_ptr<TGraphicObjIterator> ObjectsToDraw();
  // Clears the events and stops the painting thread: the first thing every destructor does, so that
  // nothing calls into a viewport half taken down.
  void Shutdown();

  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void FirePaint();
  void Dispatch(TViewportMessage& message);
  // Brings the buffers to the widget's size; with `rebuild` the view is built again and repainted.
  // Whether the size changed.
  bool AdoptClientSize(bool rebuild);
  // Builds the view transform of the visible window (which it may widen); raises when the window
  // gives no usable mapping. Nothing while the client area is empty.
  void RebuildView();
  // Grid, axes and objects of `rect` into the buffer; with a thread, stopping when it is terminated
  // and copying to the screen through it.
  void DrawContents(const TRect2D& rect, const TRect2D& clip, TPaintingThread* thread);
  void PaintingThreadEnded();
  void RecolourRubberPen();
  // Stops a repaint, stores, repaints: the writers of what the picture shows.
  template <typename T>
  void SetAndRepaint(T& field, const T& value);

  TKQCmp* drawing_ = nullptr;
  TGraphicObjList* ownList_ = nullptr;
  TRect2D window_ = Rect2D(0, 0, 100, 100);
  TTransform2D view_;
  TTransform2D inverse_;
  mutable TKQSysCriticalSection windowLock_;
  platform::Canvas buffer_;
  platform::Canvas screen_;
  std::unique_ptr<TDecorativeCanvas> bufferCanvas_;
  std::unique_ptr<TDecorativeCanvas> screenCanvas_;
  platform::Pen rubberPen_;
  std::unique_ptr<TPaintingThread> thread_;
  bool updateLock_ = false;
  bool inOnPaint_ = false;
  uint64_t screenCopies_ = 0;
  int drawMode_ = 0;
  int aspectMode_ = 0;

  double aspectRatio_ = 0;
  platform::TColor rubberPenColor_ = platform::clRed;
  platform::TColor controlPointsColor_ = platform::clBlack;
  platform::TColor backGroundColor_ = platform::clSilver;
  platform::TColor gridColor_ = platform::clGray;
  bool gridOnTop_ = false;
  double gridDeltaX_ = 0;
  double gridDeltaY_ = 0;
  double gridSubX_ = 0;
  double gridSubY_ = 0;
  uint8_t controlPointsWidth_ = 6;
  bool showControlPoints_ = false;
  bool showGrid_ = false;
  bool showAssi_ = false;
  bool isMM_ = false;
  bool usePaintingThread_ = false;
  bool isTransparent_ = false;
  int copingFrequency_ = 0;
  ClearCanvasEvent onClearCanvas_;
};

}  // namespace cad
