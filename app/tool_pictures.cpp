#include "app/tool_pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <array>

#include "machining/tool_shape.h"

namespace app {
namespace {

constexpr double kAxis = 45.0;      // the tool's axis
constexpr double kRadius = 15.0;    // the cutter's radius
constexpr double kTip = 84.0;       // the tip's height on the picture
constexpr double kShankTop = 4.0;
constexpr double kShankBottom = 34.0;

// Cutter outline from the shank down to the tip, by type, as a closed path.
QPainterPath CutterPath(int32_t type) {
  const double l = kAxis - kRadius;
  const double r = kAxis + kRadius;
  QPainterPath p;
  p.moveTo(l, kShankBottom);
  p.lineTo(r, kShankBottom);
  switch (type) {
    case machining::kToolFlat:
      p.lineTo(r, kTip);
      p.lineTo(l, kTip);
      break;
    case machining::kToolBullNose: {
      const double c = 6.0;
      p.lineTo(r, kTip - c);
      p.quadTo(r, kTip, r - c, kTip);
      p.lineTo(l + c, kTip);
      p.quadTo(l, kTip, l, kTip - c);
      break;
    }
    case machining::kToolSpherical:
      p.lineTo(r, kTip - kRadius);
      p.arcTo(QRectF(l, kTip - 2 * kRadius, 2 * kRadius, 2 * kRadius), 0.0, -180.0);
      break;
    case machining::kToolConicalFlat:
      p.lineTo(r, 52.0);
      p.lineTo(kAxis + 4.0, kTip);
      p.lineTo(kAxis - 4.0, kTip);
      p.lineTo(l, 52.0);
      break;
    case machining::kToolDrill:
      p.lineTo(r, kTip - 9.0);
      p.lineTo(kAxis, kTip);
      p.lineTo(l, kTip - 9.0);
      break;
    case machining::kToolConicalSpherical: {
      const double b = 4.0;
      p.lineTo(r, 52.0);
      p.lineTo(kAxis + b, kTip - b);
      p.arcTo(QRectF(kAxis - b, kTip - 2 * b, 2 * b, 2 * b), 0.0, -180.0);
      p.lineTo(l, 52.0);
      break;
    }
    default:
      p.lineTo(r, kTip);
      p.lineTo(l, kTip);
      break;
  }
  p.closeSubpath();
  return p;
}

QPixmap Draw(int32_t type) {
  QPixmap pixmap(kToolPictureSize, kToolPictureSize);
  pixmap.fill(Qt::white);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);

  // Shank.
  QLinearGradient steel(kAxis - 10, 0, kAxis + 10, 0);
  steel.setColorAt(0.0, QColor(120, 120, 125));
  steel.setColorAt(0.45, QColor(235, 235, 240));
  steel.setColorAt(1.0, QColor(100, 100, 105));
  painter.setPen(QPen(QColor(60, 60, 60), 1.0));
  painter.setBrush(steel);
  painter.drawRect(QRectF(kAxis - 10, kShankTop, 20, kShankBottom - kShankTop));

  // Cutter.
  const QPainterPath cutter = CutterPath(type);
  QLinearGradient gold(kAxis - kRadius, 0, kAxis + kRadius, 0);
  const bool undefined = type == machining::kToolUndefined;
  gold.setColorAt(0.0, undefined ? QColor(170, 170, 170) : QColor(150, 110, 30));
  gold.setColorAt(0.45, undefined ? QColor(230, 230, 230) : QColor(250, 215, 120));
  gold.setColorAt(1.0, undefined ? QColor(150, 150, 150) : QColor(130, 95, 25));
  painter.setBrush(gold);
  painter.drawPath(cutter);

  if (undefined) {
    QFont font = painter.font();
    font.setPixelSize(26);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(QColor(40, 40, 40));
    painter.drawText(QRectF(kAxis - kRadius, kShankBottom, 2 * kRadius, kTip - kShankBottom), Qt::AlignCenter,
                     QStringLiteral("?"));
    return pixmap;
  }
  // Flutes: slanted lines clipped to the cutter.
  painter.setClipPath(cutter);
  painter.setPen(QPen(QColor(90, 65, 20), 1.5));
  for (double y = kShankBottom - 20; y < kTip + 10; y += 11.0)
    painter.drawLine(QPointF(kAxis - kRadius, y + 10), QPointF(kAxis + kRadius, y));
  return pixmap;
}

}  // namespace

QPixmap ToolPicture(int32_t type) {
  if (type < 0 || type >= machining::kToolTypeCount) return {};
  static const std::array<QPixmap, machining::kToolTypeCount> pictures = [] {
    std::array<QPixmap, machining::kToolTypeCount> all;
    for (int32_t t = 0; t < machining::kToolTypeCount; ++t) all[t] = Draw(t);
    return all;
  }();
  return pictures[type];
}

}  // namespace app
