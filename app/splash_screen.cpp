#include "app/splash_screen.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <cmath>

#include "app/version_info.h"

namespace app {

QPixmap SplashLogo(int width, int height) {
  QImage image(std::max(1, width), std::max(1, height), QImage::Format_RGB32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, 0, height);
  sky.setColorAt(0, QColor(32, 52, 86));
  sky.setColorAt(1, QColor(12, 20, 36));
  p.fillRect(image.rect(), sky);
  // A carved relief: a few rows of a toolpath running over a hill, lit from the top left.
  for (int row = 0; row < 14; ++row) {
    QPainterPath path;
    const double base = height * 0.35 + row * height * 0.045;
    for (int x = 0; x <= width; x += 4) {
      const double u = (x - width * 0.72) / (width * 0.16), v = (row - 6.5) / 4.0;
      const double hill = 28.0 * std::exp(-(u * u + v * v));
      const QPointF point(x, base - hill);
      if (x == 0) path.moveTo(point);
      else path.lineTo(point);
    }
    p.setPen(QPen(QColor(0, 190 - row * 6, 210 - row * 5), 1.4));
    p.drawPath(path);
  }
  QFont title(QStringLiteral("DejaVu Sans"));
  title.setPixelSize(std::max(8, height / 3));
  title.setBold(true);
  p.setFont(title);
  p.setPen(QColor(235, 240, 250));
  p.drawText(QRect(24, 0, width - 48, height * 2 / 3), Qt::AlignLeft | Qt::AlignVCenter,
             QString::fromStdString(VersionInfo("ProductName")));
  QFont sub(QStringLiteral("DejaVu Sans"));
  sub.setPixelSize(std::max(6, height / 10));
  p.setFont(sub);
  p.setPen(QColor(170, 200, 230));
  p.drawText(QRect(26, height * 2 / 3 - 8, width - 52, height / 4), Qt::AlignLeft | Qt::AlignTop,
             QStringLiteral("From picture to relief carving  -  v") + QString::fromStdString(VersionInfo("FileVersion")));
  p.end();
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
