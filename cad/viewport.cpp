#include "cad/viewport.h"

#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <cmath>
#include <cstring>

#include "cad/cad_exceptions.h"
#include "cad/painting_thread.h"
#include "cad/view_decorations.h"
#include "platform/qt_dialogs.h"

namespace cad {

namespace {

// Holds a canvas's drawing lock, and lets go of it for a while (around a copy to the screen).
class CanvasLock {
 public:
  explicit CanvasLock(platform::Canvas& canvas) : canvas_(canvas) { canvas_.Lock(); }
  ~CanvasLock() {
    if (held_) canvas_.Unlock();
  }
  CanvasLock(const CanvasLock&) = delete;
  CanvasLock& operator=(const CanvasLock&) = delete;
  void Release() {
    if (held_) canvas_.Unlock();
    held_ = false;
  }
  void Acquire() {
    if (!held_) canvas_.Lock();
    held_ = true;
  }

 private:
  platform::Canvas& canvas_;
  bool held_ = true;
};

bool IsFiniteTransform(const TTransform2D& m) {
  for (const auto& row : m.M)
    for (double v : row)
      if (!std::isfinite(v)) return false;
  return DetTransform2D(m) != 0;
}

}  // namespace

TKQViewport::TKQViewport(QWidget* parent)
    : QWidget(parent), buffer_(50, 50, platform::clSilver), screen_(50, 50, platform::clSilver) {
  bufferCanvas_ = CreateDecorativeCanvas(buffer_);
  screenCanvas_ = CreateDecorativeCanvas(screen_);
  RecolourRubberPen();
  resize(50, 50);
  setMouseTracking(true);
  setFocusPolicy(Qt::ClickFocus);
  // The screen image covers every pixel: Qt need not clear behind it.
  setAttribute(Qt::WA_OpaquePaintEvent);
  WindowProc = [this](TViewportMessage& message) { DefaultWindowProc(message); };
}

TKQViewport::~TKQViewport() {
  Shutdown();
  if (drawing_) drawing_->RemoveViewport(this);
}

void TKQViewport::Shutdown() {
  OnBeginRedraw = OnEndRedraw = OnPaint = OnResize = OnViewMappingChanged = nullptr;
  OnMouseEnter = OnMouseLeave = OnDblClick = OnEnter = OnExit = nullptr;
  OnKeyDown = OnKeyUp = nullptr;
  onClearCanvas_ = nullptr;
  WindowProc = nullptr;
  StopRepaint();
}

std::unique_ptr<TDecorativeCanvas> TKQViewport::CreateDecorativeCanvas(platform::Canvas& canvas) {
  return std::make_unique<TDecorativeCanvas>(canvas);
}

// --- The drawing ---

void TKQViewport::SetCADCmp(TKQCmp* drawing) {
  if (drawing == drawing_) return;
  StopRepaint();
  if (drawing_) drawing_->RemoveViewport(this);
  if (drawing) drawing->AddViewport(this);
  drawing_ = drawing;
}

void TKQViewport::SetObjectList(TGraphicObjList* list) {
  StopRepaint();
  ownList_ = list;
}

void TKQViewport::DrawingDestroyed(TKQCmp& drawing) {
  if (&drawing != drawing_) return;
  StopRepaint();
  drawing_ = nullptr;
}

// --- The visible window ---

TRect2D TKQViewport::VisibleWindow() const {
  TKQSysLock lock(windowLock_);
  return window_;
}

void TKQViewport::ShowWindowRect(const TRect2D& rect) {
  StopRepaint();
  AdoptClientSize(false);
  const TRect2D r = ReorderRect2D(CartesianRect2D(rect));
  if (!IsFiniteRect2D(r) || r.Second.X - r.First.X == 0 || r.Second.Y - r.First.Y == 0) return;
  const TRect2D previous = VisibleWindow();
  {
    TKQSysLock lock(windowLock_);
    window_ = r;
  }
  try {
    RebuildView();
  } catch (...) {
    {
      TKQSysLock lock(windowLock_);
      window_ = previous;
    }
    try {
      RebuildView();
    } catch (...) {
    }
  }
  Repaint();
}

void TKQViewport::RebuildView() {
  StopRepaint();
  const platform::Rect client = ClientRect();
  // An empty client area has no mapping: the view is built when it has a size again.
  if (client.IsEmpty()) return;
  TRect2D window = VisibleWindow();
  const TTransform2D m = BuildViewTransform(window, client, aspectRatio_, aspectMode_);
  if (!IsFiniteTransform(m) || !IsFiniteRect2D(window))
    throw EKQSysException("TKQViewport.ShowWindowRect: The window cannot be shown.");
  {
    TKQSysLock lock(windowLock_);
    window_ = window;
    inverse_ = InvertTransform2D(m);
    view_ = m;
  }
  if (OnViewMappingChanged) {
    try {
      OnViewMappingChanged(*this);
    } catch (...) {
    }
  }
}

void TKQViewport::ZoomIn() {
  const TRect2D w = VisibleWindow();
  const double dx = (w.Second.X - w.First.X) / 4, dy = (w.Second.Y - w.First.Y) / 4;
  ShowWindowRect(Rect2D(w.First.X + dx, w.First.Y + dy, w.Second.X - dx, w.Second.Y - dy));
}

void TKQViewport::ZoomOut() {
  const TRect2D w = VisibleWindow();
  const double dx = (w.Second.X - w.First.X) / 4, dy = (w.Second.Y - w.First.Y) / 4;
  ShowWindowRect(Rect2D(w.First.X - dx, w.First.Y - dy, w.Second.X + dx, w.Second.Y + dy));
}

void TKQViewport::ShiftWindow(double dx, double dy) {
  const TRect2D w = VisibleWindow();
  ShowWindowRect(Rect2D(w.First.X + dx, w.First.Y + dy, w.Second.X + dx, w.Second.Y + dy));
}

void TKQViewport::SetScale(const platform::Canvas& canvas, double scaleY, double scaleX) {
  StopRepaint();
  if (scaleX == 0 || scaleY == 0) return;
  const double f = canvas.MillimetresPerPixelX(), g = canvas.MillimetresPerPixelY();
  const TRect2D w = VisibleWindow();
  const platform::Rect client = ClientRect();
  const TRect2D scaled = Rect2D(w.First.X, w.First.Y, scaleX * f * client.Width() + w.First.X,
                                scaleY * g * (g / f) * client.Height() + w.First.Y);
  try {
    ShowWindowRect(scaled);
  } catch (...) {
  }
}

// --- Conversions ---

TPoint2D TKQViewport::GetPixelAperture() const {
  return {std::abs(inverse_.M[0][0]), std::abs(inverse_.M[1][1]), 1};
}

TPoint2D TKQViewport::ScreenToViewport(const TPoint2D& p) const { return TransformPoint2D(p, inverse_); }

TPoint2D TKQViewport::ViewportToScreen(const TPoint2D& p) const {
  return CartesianPoint2D(TransformPoint2D(p, view_));
}

platform::Point TKQViewport::ViewportToPixel(const TPoint2D& p) const { return Point2DToPoint(ViewportToScreen(p)); }

TTransform2D TKQViewport::BuildViewTransform(TRect2D& window, const platform::Rect& screen, double aspectRatio, int) {
  return BuildViewTransform2D(window, screen, aspectRatio);
}

TTransform2D TKQViewport::BuildTransformOfRect(const TRect2D&, const platform::Rect&, int) { return view_; }

// --- Painting ---

platform::Rect TKQViewport::ClientRect() const { return {0, 0, buffer_.Width(), buffer_.Height()}; }

void TKQViewport::Repaint() {
  if (isTransparent_ && parentWidget()) parentWidget()->update();
  RepaintRect(VisibleWindow());
}

void TKQViewport::Invalidate() {
  if (!thread_) CopyBufferToScreen(ClientRect(), true);
}

void TKQViewport::RepaintRect(const TRect2D& rect) {
  if (updateLock_) return;
  StopRepaint();
  // A new size has just been shown whole.
  if (AdoptClientSize(true)) return;
  const platform::Rect client = ClientRect();
  if (client.IsEmpty()) return;
  if (onClearCanvas_)
    onClearCanvas_(*this, *bufferCanvas_, backGroundColor_, rect);
  else
    ClearCanvasRect(buffer_, backGroundColor_, rect);
  if (OnBeginRedraw) OnBeginRedraw(*this);
  const TRect2D clip = RectToRect2D(client);
  if (usePaintingThread_) {
    thread_ = std::make_unique<TPaintingThread>(
        [this, rect, clip, client](TPaintingThread& thread) {
          DrawContents(rect, clip, &thread);
          thread.Synchronize([this, client] { CopyBufferToScreen(client, false); });
        },
        [this] { platform::RunGuarded([this] { PaintingThreadEnded(); }); });
    thread_->Start();
    return;
  }
  DrawContents(rect, clip, nullptr);
  CopyBufferToScreen(client, true);
  if (OnEndRedraw) OnEndRedraw(*this);
}

void TKQViewport::DrawContents(const TRect2D& rect, const TRect2D& clip, TPaintingThread* thread) {
  CanvasLock lock(buffer_);
  const platform::Rect client = Rect2DToRect(clip);
  auto copyToScreen = [&] {
    if (!thread) {
      CopyBufferToScreen(client, false);
      return;
    }
    // The GUI thread copies under the same lock: never wait for it while holding it.
    lock.Release();
    thread->Synchronize([this, client] { CopyBufferToScreen(client, false); });
    lock.Acquire();
  };
  try {
    if (showGrid_ && !gridOnTop_) DrawGrid(rect, *bufferCanvas_);
    if (showAssi_) DrawAxes(rect, *bufferCanvas_);
    if (drawMode_ != kDrawModeNoObjects) {
      if (std::unique_ptr<TGraphicObjIterator> objects = ObjectsToDraw()) {
        int drawn = 0;
        for (TGraphicObject* object = objects->First(); object; object = objects->Next()) {
          if (thread && thread->Terminated()) return;
          DrawObject(*object, *bufferCanvas_, clip);
          if (copingFrequency_ > 0 && ++drawn % copingFrequency_ == 0) copyToScreen();
        }
      }
    }
    if (showGrid_ && gridOnTop_) DrawGrid(rect, *bufferCanvas_);
    if (showAssi_) DrawAxes(rect, *bufferCanvas_);
  } catch (...) {
    // A repaint shows what it could draw.
  }
}

std::unique_ptr<TGraphicObjIterator> TKQViewport::ObjectsToDraw() {
  try {
    if (ownList_) return ownList_->GetIterator();
    if (drawing_ && !drawing_->IsBlocked()) return drawing_->ObjectsIterator();
  } catch (const ECADListBlocked&) {
  }
  return nullptr;
}

void TKQViewport::StopRepaint() {
  if (!thread_) return;
  thread_->Terminate();
  thread_->WaitFor();
  thread_.reset();
  FirePaint();
}

void TKQViewport::WaitForRepaint() {
  if (!thread_) return;
  thread_->WaitFor();
  PaintingThreadEnded();
}

void TKQViewport::PaintingThreadEnded() {
  if (!thread_) return;
  thread_->WaitFor();
  thread_.reset();
  FirePaint();
  if (OnEndRedraw) OnEndRedraw(*this);
}

void TKQViewport::BeginUpdate() {
  StopRepaint();
  updateLock_ = true;
}

void TKQViewport::EndUpdate() {
  updateLock_ = false;
  Repaint();
}

void TKQViewport::CopyBufferToScreen(const platform::Rect& rect, bool firePaint) {
  {
    CanvasLock lock(buffer_);
    const platform::Rect area = platform::IntersectRect(rect, ClientRect());
    if (!area.IsEmpty() && screen_.Width() == buffer_.Width() && screen_.Height() == buffer_.Height()) {
      // Same size and format: a plain copy of each row.
      const size_t bytes = size_t(area.Width()) * sizeof(uint32_t);
      for (int y = area.Top; y < area.Bottom; ++y) {
        std::memcpy(reinterpret_cast<uint32_t*>(screen_.Image().scanLine(y)) + area.Left,
                    reinterpret_cast<const uint32_t*>(buffer_.Image().constScanLine(y)) + area.Left, bytes);
      }
      update(area.Left, area.Top, area.Width(), area.Height());
    }
    ++screenCopies_;
  }
  if (firePaint) FirePaint();
}

void TKQViewport::FirePaint() {
  if (!OnPaint || inOnPaint_) return;
  inOnPaint_ = true;
  try {
    OnPaint(*this);
  } catch (...) {
    inOnPaint_ = false;
    throw;
  }
  inOnPaint_ = false;
}

void TKQViewport::ClearCanvasRect(platform::Canvas& canvas, platform::TColor color, const TRect2D& rect) {
  platform::Rect r = Rect2DToRect(TransformRect2D(rect, view_));
  r.Right += 1;
  r.Bottom += 1;
  platform::CanvasStateSaver saved(canvas);
  canvas.SetBrush({color, platform::BrushStyle::Solid});
  canvas.FillRect(r);
}

void TKQViewport::DrawGrid(const TRect2D& window, TDecorativeCanvas& canvas) {
  if (!(gridDeltaX_ > 0) || !(gridDeltaY_ > 0)) return;
  // A canvas of its own: the grid's pen and pattern stay out of the caller's.
  std::unique_ptr<TDecorativeCanvas> grid = CreateDecorativeCanvas(canvas.Canvas());
  platform::Canvas& c = grid->Canvas();
  platform::CanvasStateSaver saved(c);
  c.SetBackgroundMode(platform::BackgroundMode::Transparent);
  c.SetPen({gridColor_, 1, platform::PenStyle::Solid, platform::PenMode::Copy});
  c.SetBrush({backGroundColor_, platform::BrushStyle::Solid});
  if (gridSubX_ > 0 && gridSubY_ > 0) {
    grid->Pen().SetPattern("10000");
    DrawViewGrid(*grid, window, view_, gridDeltaX_ / gridSubX_, gridDeltaY_ / gridSubY_);
  }
  grid->Pen().SetPattern("100");
  DrawViewGrid(*grid, window, view_, gridDeltaX_, gridDeltaY_);
}

void TKQViewport::DrawAxes(const TRect2D& window, TDecorativeCanvas& canvas) {
  std::unique_ptr<TDecorativeCanvas> axes = CreateDecorativeCanvas(canvas.Canvas());
  platform::Canvas& c = axes->Canvas();
  platform::CanvasStateSaver saved(c);
  c.SetPen({gridColor_, 2, platform::PenStyle::Solid, platform::PenMode::Copy});
  c.SetBrush({backGroundColor_, platform::BrushStyle::Solid});
  DrawViewAxisLines(*axes, window, view_);
  c.SetPen({platform::clYellow, 1, platform::PenStyle::Solid, platform::PenMode::Copy});
  DrawViewAxisIcon(*axes, window, view_, isMM_);
}

void TKQViewport::CopyToCanvas(platform::Canvas& canvas, int aspectMode, double scaleX, double scaleY, int kind) {
  if (!drawing_) return;
  StopRepaint();
  const TRect2D savedWindow = VisibleWindow();
  const double savedAspect = aspectRatio_;
  const int savedMode = aspectMode_;
  BeginUpdate();
  auto restore = [&] {
    aspectRatio_ = savedAspect;
    aspectMode_ = savedMode;
    ShowWindowRect(savedWindow);
    EndUpdate();
  };
  try {
    aspectRatio_ = 0;
    aspectMode_ = 0;
    if (kind == kCopyExtension) ZoomToExtension();
    if (kind == kCopyScaled) SetScale(canvas, scaleY, scaleX);
    aspectRatio_ = savedAspect;
    aspectMode_ = savedMode;
    CopyRectToCanvas(VisibleWindow(), ClientRect(), aspectMode, canvas);
  } catch (...) {
    restore();
    throw;
  }
  restore();
}

// --- Properties ---

template <typename T>
void TKQViewport::SetAndRepaint(T& field, const T& value) {
  if (field == value) return;
  StopRepaint();
  field = value;
  Repaint();
}

void TKQViewport::RecolourRubberPen() {
  rubberPen_ = {platform::TColor((platform::ColorToRGB(rubberPenColor_) ^ platform::ColorToRGB(backGroundColor_)) & 0xFFFFFF),
                2, platform::PenStyle::Solid, platform::PenMode::Xor};
}

void TKQViewport::SetRubberPenColor(platform::TColor color) {
  StopRepaint();
  rubberPenColor_ = color;
  RecolourRubberPen();
}

void TKQViewport::SetBackGroundColor(platform::TColor color) {
  if (color == backGroundColor_) return;
  StopRepaint();
  backGroundColor_ = color;
  RecolourRubberPen();
  Repaint();
}

void TKQViewport::SetGridColor(platform::TColor color) { SetAndRepaint(gridColor_, color); }
void TKQViewport::SetGridDeltaX(double delta) { SetAndRepaint(gridDeltaX_, delta); }
void TKQViewport::SetGridDeltaY(double delta) { SetAndRepaint(gridDeltaY_, delta); }
void TKQViewport::SetGridSubX(double count) { SetAndRepaint(gridSubX_, count); }
void TKQViewport::SetGridSubY(double count) { SetAndRepaint(gridSubY_, count); }
void TKQViewport::SetShowGrid(bool show) { SetAndRepaint(showGrid_, show); }
void TKQViewport::SetShowAssi(bool show) { SetAndRepaint(showAssi_, show); }

void TKQViewport::SetIsTransparent(bool transparent) {
  if (transparent == isTransparent_) return;
  setAttribute(Qt::WA_OpaquePaintEvent, !transparent);
  SetAndRepaint(isTransparent_, transparent);
}

void TKQViewport::SetOnClearCanvas(ClearCanvasEvent event) {
  StopRepaint();
  onClearCanvas_ = std::move(event);
  Repaint();
}

// --- Qt ---

bool TKQViewport::AdoptClientSize(bool rebuild) {
  const int w = std::max(0, width()), h = std::max(0, height());
  if (w == buffer_.Width() && h == buffer_.Height()) return false;
  StopRepaint();
  {
    CanvasLock lock(buffer_);
    buffer_.SetBrush({backGroundColor_, platform::BrushStyle::Solid});
    buffer_.SetSize(w, h);
  }
  screen_.SetBrush({backGroundColor_, platform::BrushStyle::Solid});
  screen_.SetSize(w, h);
  if (rebuild && w > 0 && h > 0) ShowWindowRect(VisibleWindow());
  if (OnResize) OnResize(*this);
  return true;
}

void TKQViewport::resizeEvent(QResizeEvent*) {
  platform::RunGuarded([this] { AdoptClientSize(true); });
}

void TKQViewport::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  const QRect r = event->rect().intersected(screen_.Image().rect());
  if (r.isEmpty()) return;
  if (!isTransparent_) {
    painter.drawImage(r.topLeft(), screen_.Image(), r);
    return;
  }
  // The background colour lets the parent show through.
  QImage part = screen_.Image().copy(r).convertToFormat(QImage::Format_ARGB32);
  const platform::TColor background = platform::ColorToRGB(backGroundColor_);
  const QRgb key = qRgb(platform::RedOf(background), platform::GreenOf(background), platform::BlueOf(background));
  for (int y = 0; y < part.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(part.scanLine(y));
    for (int x = 0; x < part.width(); ++x)
      if (line[x] == key) line[x] = 0;
  }
  painter.drawImage(r.topLeft(), part);
}

void TKQViewport::Dispatch(TViewportMessage& message) {
  platform::RunGuarded([&] {
    if (WindowProc)
      WindowProc(message);
    else
      DefaultWindowProc(message);
  });
}

bool TKQViewport::event(QEvent* event) {
  TViewportMessage message;
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
      auto* key = static_cast<QKeyEvent*>(event);
      message.Kind = event->type() == QEvent::KeyPress ? TViewportMessageKind::KeyDown : TViewportMessageKind::KeyUp;
      message.Key = platform::VirtualKeyFromQt(key->key(), key->modifiers());
      message.Shift = platform::ShiftStateFromQt(key->modifiers(), QGuiApplication::mouseButtons());
      Dispatch(message);
      // The widget's own handling leaves the key to the windows above (the main window's keys).
      return QWidget::event(event);
    }
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      message.Shift = platform::ShiftStateFromQt(mouse->modifiers(), mouse->buttons());
      const QPoint at = mouse->position().toPoint();
      message.X = at.x();
      message.Y = at.y();
      if (event->type() == QEvent::MouseMove) {
        message.Kind = TViewportMessageKind::MouseMove;
      } else {
        if (!platform::MouseButtonFromQt(mouse->button(), message.Button)) return QWidget::event(event);
        message.Kind = event->type() == QEvent::MouseButtonPress     ? TViewportMessageKind::MouseDown
                       : event->type() == QEvent::MouseButtonRelease ? TViewportMessageKind::MouseUp
                                                                     : TViewportMessageKind::DoubleClick;
        if (message.Kind == TViewportMessageKind::DoubleClick) message.Shift |= platform::ssDouble;
      }
      Dispatch(message);
      event->accept();
      return true;
    }
    case QEvent::Enter:
      if (OnMouseEnter) platform::RunGuarded([this] { OnMouseEnter(*this); });
      break;
    case QEvent::Leave:
      if (OnMouseLeave) platform::RunGuarded([this] { OnMouseLeave(*this); });
      break;
    case QEvent::FocusIn:
      if (OnEnter) platform::RunGuarded([this] { OnEnter(*this); });
      break;
    case QEvent::FocusOut:
      if (OnExit) platform::RunGuarded([this] { OnExit(*this); });
      break;
    default: break;
  }
  return QWidget::event(event);
}

void TKQViewport::DefaultWindowProc(TViewportMessage& message) {
  switch (message.Kind) {
    case TViewportMessageKind::KeyDown:
      if (OnKeyDown) OnKeyDown(*this, message.Key, message.Shift);
      break;
    case TViewportMessageKind::KeyUp:
      if (OnKeyUp) OnKeyUp(*this, message.Key, message.Shift);
      break;
    case TViewportMessageKind::DoubleClick:
      if (OnDblClick) OnDblClick(*this);
      break;
    default: break;
  }
}

}  // namespace cad
