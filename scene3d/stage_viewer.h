// TGLStageViewer: the widget that shows a scene. It owns a scene buffer whose context renders off
// screen through EGL; every paint event renders one frame and paints the read-back image. A change
// in the scene or the buffer asks for a repaint (update()), a structural change of the buffer's
// settings makes the context again at the next paint, and a freed camera leaves the viewer showing
// only its background. Nothing renders outside paint events.
//
// The main window's 3D view:
//   auto* viewer = new TGLStageViewer(parentWidget);
//   viewer->setObjectName("GLViewPort");
//   viewer->setGeometry(0, 0, 500, 533);
//   viewer->SetCamera(camera);                         // a camera of the scene to show
//   viewer->Buffer().SetBackgroundColor(clMedGray);
//   viewer->OnMouseDown = [&](QMouseEvent* e) { ... };  // runs guarded: a silent abort ends the event
//   viewer->OnMouseMove = [&](QMouseEvent* e) { ... };
#pragma once

#include <QPoint>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "scene3d/gl_egl_context.h"
#include "scene3d/stage_buffer.h"

class QMouseEvent;

namespace scene3d {

class TGLStageViewer : public QWidget {
 public:
  // 100 x 100, no context yet.
  explicit TGLStageViewer(QWidget* parent = nullptr);
  ~TGLStageViewer() override;

  TGLStageBuffer& Buffer() { return *buffer_; }
  // Takes the given buffer's settings.
  void SetBuffer(const TGLStageBuffer& buffer) { buffer_->Assign(&buffer); }
  TGLCamera* Camera() const { return buffer_->Camera(); }
  void SetCamera(TGLCamera* camera) { buffer_->SetCamera(camera); }
  TVSyncMode VSync() const { return vsync_; }
  void SetVSync(TVSyncMode mode) { vsync_ = mode; }
  void SetBeforeRender(TNotifyEvent handler) { buffer_->BeforeRender = std::move(handler); }
  void SetPostRender(TNotifyEvent handler) { buffer_->PostRender = std::move(handler); }
  void SetAfterRender(TNotifyEvent handler) { buffer_->AfterRender = std::move(handler); }
  // Degrees over the smaller of width and height; 0 without a camera (and setting does nothing).
  float FieldOfView() const;
  void SetFieldOfView(float degrees);
  bool MouseInControl() const { return mouseInControl_; }
  // Asked before the context is made: a reason (in the application's words) when the process could
  // not survive the driver's start. The view then makes none and shows the reason on its background,
  // and asks again at its next paint.
  std::function<std::string()> CheckBeforeContext;
  // The reason the view stays empty; empty when it is not refused.
  const std::string& ContextRefusal() const { return refusal_; }

  // What a paint does before it paints the image: makes the context when there is none and renders
  // one frame when the widget is at least 1 x 1. False when it ended in a silent abort or an error, or
  // the context was refused.
  // A paint that came while it rendered is asked for again.
  bool RenderFrame();

  std::function<void(QMouseEvent* event)> OnMouseDown;
  std::function<void(QMouseEvent* event)> OnMouseMove;
  std::function<void(QMouseEvent* event)> OnMouseUp;
  std::function<void()> OnMouseEnter;
  std::function<void()> OnMouseLeave;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  void BufferChanged();
  // Asks CheckBeforeContext; true when the context must not be made.
  bool ContextRefused();
  void RecreateContext();
  void ApplyVSync();
  // Runs a handler of the application: a silent abort ends it quietly, other errors are shown.
  void Guarded(const std::function<void()>& work);

  std::unique_ptr<TGLStageBuffer> buffer_;
  TVSyncMode vsync_ = vsmNoSync;
  bool mouseInControl_ = false;
  bool contextFailed_ = false;
  bool paintMissed_ = false;
  std::string refusal_;  // a paint came while a frame was rendering
  QPoint lastOrigin_{-1, -1};
};

}  // namespace scene3d
