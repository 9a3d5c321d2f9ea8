#include "scene3d/stage_viewer.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <utility>

#include "platform/qt_dialogs.h"
#include "scene3d/camera.h"
#include "scene3d/rendering_log.h"
#include "scene3d/silent_abort.h"

namespace scene3d {

TGLStageViewer::TGLStageViewer(QWidget* parent) : QWidget(parent), buffer_(std::make_unique<TGLStageBuffer>(nullptr)) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  setMouseTracking(true);
  resize(100, 100);
  buffer_->Resize(width(), height());
  buffer_->OnChange = [this](TObject*) { BufferChanged(); };
  buffer_->OnStructuralChange = [this](TObject*) { RecreateContext(); };
  buffer_->BeforeRenderHook = [this] { ApplyVSync(); };
}

TGLStageViewer::~TGLStageViewer() {
  try {
    buffer_->DestroyContext();
  } catch (const std::exception& error) {
    LogLine(lkError, error.what());
  }
}

void TGLStageViewer::BufferChanged() {
  if (!buffer_->Rendering() && !buffer_->Frozen()) update();
}

void TGLStageViewer::RecreateContext() {
  buffer_->DestroyContext();
  contextFailed_ = false;
  update();
}

void TGLStageViewer::ApplyVSync() {
  if (auto* egl = dynamic_cast<TGLEGLContext*>(buffer_->RenderingContext())) egl->SetVSync(vsync_);
}

float TGLStageViewer::FieldOfView() const {
  TGLCamera* camera = buffer_->Camera();
  return camera ? camera->GetFieldOfView(float(std::min(width(), height()))) : 0;
}

void TGLStageViewer::SetFieldOfView(float degrees) {
  if (TGLCamera* camera = buffer_->Camera()) camera->SetFieldOfView(degrees, float(std::min(width(), height())));
}

bool TGLStageViewer::ContextRefused() {
  std::string reason = CheckBeforeContext ? CheckBeforeContext() : std::string();
  // Logged once a reason, not at every paint.
  if (!reason.empty() && reason != refusal_) LogLine(lkWarning, reason);
  refusal_ = std::move(reason);
  return !refusal_.empty();
}

bool TGLStageViewer::RenderFrame() {
  bool ok = false;
  bool refused = false;
  try {
    ok = CatchSilentAbort([this, &refused] {
      // A widget moved on screen takes its size again once.
      const QPoint origin = mapToGlobal(QPoint(0, 0));
      if (origin != lastOrigin_) {
        if (buffer_->HasContext()) buffer_->Resize(width(), height());
        lastOrigin_ = origin;
      }
      if (width() <= 0 || height() <= 0) return;
      if (!buffer_->HasContext() && !contextFailed_) {
        refused = ContextRefused();
        if (refused) return;
        buffer_->Resize(width(), height());
        try {
          buffer_->CreateContext(false);
        } catch (...) {
          // Tried again only after a structural change; meanwhile the background shows.
          contextFailed_ = true;
          throw;
        }
      }
      buffer_->Render();
    });
  } catch (const std::exception& error) {
    LogLine(lkError, error.what());
    ok = false;
  }
  if (std::exchange(paintMissed_, false)) update();
  return ok && !refused;
}

void TGLStageViewer::paintEvent(QPaintEvent*) {
  // A widget painted from inside a frame rendered outside a paint (a progress bar) may paint this one
  // too: it shows the image it has, and the frame, once done, asks for a paint of its own.
  if (buffer_->Rendering()) paintMissed_ = true;
  else RenderFrame();
  if (width() <= 0 || height() <= 0) return;
  QPainter painter(this);
  if (buffer_->HasDevice() && !buffer_->Device().Image().empty()) {
    const TGLOutputDevice& device = buffer_->Device();
    const QImage image(reinterpret_cast<const uchar*>(device.Image().data()), device.ImageWidth(), device.ImageHeight(),
                       QImage::Format_ARGB32);
    painter.drawImage(0, 0, image);
  } else {
    const TColor c = platform::ColorToRGB(buffer_->BackgroundColor());
    painter.fillRect(rect(), QColor(platform::RedOf(c), platform::GreenOf(c), platform::BlueOf(c)));
    if (!refusal_.empty()) {
      painter.setPen(Qt::white);
      painter.drawText(rect().adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap, QString::fromStdString(refusal_));
    }
  }
}

void TGLStageViewer::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Guarded([this] { buffer_->Resize(width(), height()); });
}

void TGLStageViewer::Guarded(const std::function<void()>& work) {
  platform::RunGuarded([&] { CatchSilentAbort(work); });
}

void TGLStageViewer::mousePressEvent(QMouseEvent* event) {
  if (OnMouseDown) Guarded([&] { OnMouseDown(event); });
}

void TGLStageViewer::mouseMoveEvent(QMouseEvent* event) {
  if (OnMouseMove) Guarded([&] { OnMouseMove(event); });
}

void TGLStageViewer::mouseReleaseEvent(QMouseEvent* event) {
  if (OnMouseUp) Guarded([&] { OnMouseUp(event); });
}

void TGLStageViewer::enterEvent(QEnterEvent*) {
  mouseInControl_ = true;
  if (OnMouseEnter) Guarded(OnMouseEnter);
}

void TGLStageViewer::leaveEvent(QEvent*) {
  mouseInControl_ = false;
  if (OnMouseLeave) Guarded(OnMouseLeave);
}

}  // namespace scene3d
