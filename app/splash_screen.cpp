#include "app/splash_screen.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>

#include "gif/logos.h"
#include "platform/canvas.h"

namespace app {

QPixmap SplashLogo(int width, int height) {
  QImage image(std::max(1, width), std::max(1, height), QImage::Format_RGB32);
  image.fill(QColor(12, 20, 36));
  try {
    // A still picture: drawn at once on this thread, stretched to the label.
    const auto logo = gif::LoadSplashLogo();
    platform::Canvas canvas(&image);
    logo->Draw(canvas, {0, 0, image.width(), image.height()});
    logo->StopDraw();
  } catch (const platform::Exception&) {
    // A damaged logo must not stop the program from starting: the plain background stays.
  }
  return QPixmap::fromImage(image);
}

TSplashScreen::TSplashScreen(QWidget* parent) : platform::Form("SplashScreen", parent) {
  setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
  setFixedSize(kSplashWidth, kSplashHeight);
  // The window system decides: without a compositor the splash simply stays opaque.
  setWindowOpacity(kSplashOpacity);
  pnlImage_ = Add(new QWidget(this), "pnlImage");
  imgLogo_ = Add(new QLabel(pnlImage_), "imgLogo");
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(kSplashWidth / 2, kSplashHeight / 2));
  }
}

void TSplashScreen::showEvent(QShowEvent* event) {
  FormShow();
  platform::Form::showEvent(event);
}

void TSplashScreen::FormShow() {
  pnlImage_->setGeometry(0, 0, width(), height());
  imgLogo_->setGeometry(2, 2, pnlImage_->width() - 4, pnlImage_->height() - 4);
  imgLogo_->setPixmap(SplashLogo(imgLogo_->width(), imgLogo_->height()));
}

}  // namespace app
