#include "app/cursors.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <functional>

namespace app {

namespace {

constexpr int kSize = 32;
constexpr int kHot = 15;

// A white-edged black shape, so the cursor shows on light and dark views alike.
void Stroke(QPainter& p, const std::function<void(QPainter&)>& draw) {
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::SquareCap));
  draw(p);
  p.setPen(QPen(Qt::black, 1, Qt::SolidLine, Qt::SquareCap));
  draw(p);
}

QCursor Cross(const std::function<void(QPainter&)>& extra) {
  QImage image(kSize, kSize, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter p(&image);
  Stroke(p, [](QPainter& q) {
    q.drawLine(kHot, 2, kHot, kHot - 3);
    q.drawLine(kHot, kHot + 3, kHot, kSize - 3);
    q.drawLine(2, kHot, kHot - 3, kHot);
    q.drawLine(kHot + 3, kHot, kSize - 3, kHot);
  });
  if (extra) Stroke(p, extra);
  p.end();
  return QCursor(QPixmap::fromImage(image), kHot, kHot);
}

QCursor Hand() {
  QImage image(kSize, kSize, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(Qt::black, 1.2));
  p.setBrush(Qt::white);
  // Palm and four fingers, the thumb to the left.
  p.drawRoundedRect(QRectF(9, 14, 15, 13), 4, 4);
  for (int i = 0; i < 4; ++i) p.drawRoundedRect(QRectF(9.5 + i * 3.7, 5 + (i == 0 || i == 3 ? 3 : 0), 3.4, 12), 1.6, 1.6);
  p.drawRoundedRect(QRectF(4, 15, 8, 4), 2, 2);
  p.end();
  return QCursor(QPixmap::fromImage(image), 16, 16);
}

}  // namespace

std::optional<QCursor> CursorResource(std::string_view name) {
  if (name == "PAN") return Hand();
  if (name == "CROCE") return Cross({});
  if (name == "CROPF") return Cross([](QPainter& p) { p.drawRect(kHot + 5, kHot + 5, 9, 7); });
  if (name == "CROMP") return Cross([](QPainter& p) {
    p.drawLine(kHot + 6, kHot + 9, kHot + 14, kHot + 9);
    p.drawLine(kHot + 10, kHot + 5, kHot + 10, kHot + 13);
  });
  if (name == "CROCT") return Cross([](QPainter& p) { p.drawEllipse(QPoint(kHot, kHot), 6, 6); });
  if (name == "CROPT") return Cross([](QPainter& p) { p.drawRect(kHot - 1, kHot - 1, 2, 2); });
  return std::nullopt;
}

void LoadProgramCursors(CursorTable& table) {
  const char* names[] = {"PAN", "CROCE", "CROPF", "CROMP", "CROCT", "CROPT"};
  for (int slot = kCursorPan; slot <= kCursorCropPoint; ++slot) {
    if (auto cursor = CursorResource(names[slot - 1])) table.Set(slot, *cursor);
  }
}

}  // namespace app
