#include "app/cut_pictures.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

#include "lang/lang.h"

namespace app {

namespace {

constexpr int W = kCutPictureWidth;
constexpr int H = kCutPictureHeight;
const QColor kMaterial(181, 140, 96);
const QColor kPath(0, 150, 170);
const QColor kRapid(210, 170, 0);
const QColor kMark(200, 30, 30);

// The relief's section: a smooth hill and valley over the width, its top at `top`.
double Surface(double x, double top) { return top + 10.0 + 8.0 * std::sin(x / 23.0) + 5.0 * std::sin(x / 9.0); }

void DrawSection(QPainter& p, double top) {
  QPainterPath path(QPointF(4, H - 4));
  for (int x = 4; x <= W - 4; x += 2) path.lineTo(x, Surface(x, top));
  path.lineTo(W - 4, H - 4);
  path.closeSubpath();
  p.setPen(QPen(kMaterial.darker(140), 1));
  p.setBrush(kMaterial);
  p.drawPath(path);
}

// The toolpath over the section, `offset` pixels above the surface.
void DrawSectionPath(QPainter& p, double top, double offset, const QColor& colour, Qt::PenStyle style = Qt::SolidLine) {
  QPainterPath path(QPointF(4, Surface(4, top) - offset));
  for (int x = 6; x <= W - 4; x += 2) path.lineTo(x, Surface(x, top) - offset);
  p.setPen(QPen(colour, 1.5, style));
  p.setBrush(Qt::NoBrush);
  p.drawPath(path);
}

// The pictures' words are the language's.
QString L(lang::MessageNumber number, const char* fallback) { return lang::LangQStringOr(number, fallback); }

// A double-headed measuring arrow from a to b with a label beside its middle.
void Measure(QPainter& p, QPointF a, QPointF b, const QString& label) {
  p.setPen(QPen(kMark, 1.2));
  p.drawLine(a, b);
  const QPointF d = b - a;
  const double length = std::hypot(d.x(), d.y());
  if (length > 0) {
    const QPointF u = d / length, n(-u.y(), u.x());
    for (auto [tip, dir] : {std::pair{a, u}, std::pair{b, -u}}) {
      p.drawLine(tip, tip + dir * 5 + n * 3);
      p.drawLine(tip, tip + dir * 5 - n * 3);
    }
  }
  p.setPen(kMark.darker(130));
  p.drawText((a + b) / 2 + QPointF(6, 4), label);
}

// A flat end mill standing with its tip at (x, y).
void DrawTool(QPainter& p, double x, double y) {
  p.setPen(QPen(QColor(70, 70, 80), 1));
  p.setBrush(QColor(170, 175, 185));
  p.drawRect(QRectF(x - 5, y - 24, 10, 24));
  p.setBrush(QColor(120, 125, 135));
  p.drawRect(QRectF(x - 3, y - 34, 6, 10));
}

// Zig-zag rows seen from above inside the picture's frame: along X, along Y, or both.
void DrawTopView(QPainter& p, bool rows0, bool rows90) {
  const QRectF frame(60, 6, 97, H - 12);
  p.setPen(QPen(kMaterial.darker(140), 1));
  p.setBrush(kMaterial.lighter(130));
  p.drawRect(frame);
  if (rows0) {
    QPainterPath path(frame.topLeft() + QPointF(4, 5));
    bool right = true;
    for (double y = frame.top() + 5; y <= frame.bottom() - 4; y += 8) {
      path.lineTo(right ? frame.right() - 4 : frame.left() + 4, y);
      if (y + 8 <= frame.bottom() - 4) path.lineTo(right ? frame.right() - 4 : frame.left() + 4, y + 8);
      right = !right;
    }
    p.setPen(QPen(kPath, 1.3));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
  }
  if (rows90) {
    QPainterPath path(frame.topLeft() + QPointF(5, 4));
    bool down = true;
    for (double x = frame.left() + 5; x <= frame.right() - 4; x += 8) {
      path.lineTo(x, down ? frame.bottom() - 4 : frame.top() + 4);
      if (x + 8 <= frame.right() - 4) path.lineTo(x + 8, down ? frame.bottom() - 4 : frame.top() + 4);
      down = !down;
    }
    p.setPen(QPen(rows0 ? kRapid.darker(110) : kPath, 1.3));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
  }
  if (!rows0 && !rows90) {
    p.setPen(QPen(kMark, 2));
    p.drawLine(frame.topLeft() + QPointF(10, 8), frame.bottomRight() - QPointF(10, 8));
    p.drawLine(frame.bottomLeft() + QPointF(10, -8), frame.topRight() + QPointF(-10, 8));
  }
  // The axes: X to the right, Y up.
  p.setPen(QPen(Qt::black, 1));
  p.drawLine(QPointF(20, H - 10), QPointF(45, H - 10));
  p.drawLine(QPointF(20, H - 10), QPointF(20, H - 35));
  p.drawText(QPointF(47, H - 6), QStringLiteral("X"));
  p.drawText(QPointF(16, H - 38), QStringLiteral("Y"));
}

}  // namespace

QPixmap CutParameterPicture(int resource) {
  QImage image(W, H, QImage::Format_RGB32);
  image.fill(QColor(250, 250, 246));
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QFont font = p.font();
  font.setPixelSize(10);
  p.setFont(font);
  switch (resource) {
    case 101: {  // feed plane above the relief's top (Z 0)
      DrawSection(p, 34);
      p.setPen(QPen(kRapid, 1.5, Qt::DashLine));
      p.drawLine(QPointF(4, 12), QPointF(W - 4, 12));
      p.setPen(QPen(Qt::black, 1, Qt::DotLine));
      p.drawLine(QPointF(4, 26), QPointF(W - 4, 26));
      p.drawText(QPointF(6, 38), QStringLiteral("Z 0"));
      DrawTool(p, 60, 12);
      Measure(p, QPointF(150, 12), QPointF(150, 26), L("1034", "FP"));
      break;
    }
    case 102: {  // the stepover between neighbouring rows, seen from above
      DrawTopView(p, true, false);
      Measure(p, QPointF(172, 11), QPointF(172, 19), L("1035", "step"));
      p.setPen(QPen(kMark, 1, Qt::DotLine));
      p.drawLine(QPointF(153, 11), QPointF(172, 11));
      p.drawLine(QPointF(153, 19), QPointF(172, 19));
      break;
    }
    case 103: {  // stock left on the relief
      DrawSection(p, 28);
      DrawSectionPath(p, 28, 7, kPath);
      Measure(p, QPointF(120, Surface(120, 28) - 7), QPointF(120, Surface(120, 28)), L("1036", "stock"));
      break;
    }
    case 104: {  // depth cuts: the passes repeated from above down to the relief
      DrawSection(p, 30);
      for (int k = 0; k < 3; ++k) DrawSectionPath(p, 30, 14.0 - 7.0 * k, k == 2 ? kPath : kPath.lighter(150));
      p.setPen(Qt::black);
      for (int k = 0; k < 3; ++k) p.drawText(QPointF(W - 14, Surface(W - 14, 30) - 14 + 7 * k), QString::number(k + 1));
      break;
    }
    case 105: {  // the Z step between two depth cuts
      DrawSection(p, 30);
      DrawSectionPath(p, 30, 12, kPath.lighter(150));
      DrawSectionPath(p, 30, 0, kPath);
      Measure(p, QPointF(140, Surface(140, 30) - 12), QPointF(140, Surface(140, 30)), L("1037", "Z step"));
      break;
    }
    case 106: DrawTopView(p, true, false); break;
    case 107: DrawTopView(p, false, true); break;
    case 108: DrawTopView(p, true, true); break;
    case 109: DrawTopView(p, false, false); break;
    case 111: {  // the filter keeps the points that leave the straight line by more than the tolerance
      DrawSection(p, 30);
      p.setPen(QPen(kPath, 1.3));
      QPointF last(4, Surface(4, 30) - 4);
      for (int x = 4; x <= W - 4; x += 12) {
        const QPointF point(x, Surface(x, 30) - 4);
        const bool kept = (x / 12) % 3 == 0 || x > W - 16;
        p.setBrush(kept ? QBrush(kPath) : QBrush(Qt::white));
        p.drawEllipse(point, 2.2, 2.2);
        if (kept) {
          p.drawLine(last, point);
          last = point;
        }
      }
      p.setPen(kMark.darker(130));
      p.drawText(QPointF(8, 12), L("1038", "filter"));
      break;
    }
    case 112: {  // "Z no cut": no pass where the relief stands at the picked height
      // Flat at the picked height, with a hill in the middle.
      auto surface = [](double x) { return x > 70 && x < 150 ? 52.0 - 24.0 * std::sin((x - 70) / 80.0 * M_PI) : 52.0; };
      QPainterPath path(QPointF(4, H - 4));
      for (int x = 4; x <= W - 4; x += 2) path.lineTo(x, surface(x));
      path.lineTo(W - 4, H - 4);
      path.closeSubpath();
      p.setPen(QPen(kMaterial.darker(140), 1));
      p.setBrush(kMaterial);
      p.drawPath(path);
      p.setPen(QPen(kPath, 1.5));
      QPainterPath cut(QPointF(72, surface(72) - 2));
      for (int x = 74; x <= 148; x += 2) cut.lineTo(x, surface(x) - 2);
      p.setBrush(Qt::NoBrush);
      p.drawPath(cut);
      p.setPen(QPen(kMark, 1, Qt::DashLine));
      p.drawLine(QPointF(4, 52), QPointF(60, 52));
      p.drawLine(QPointF(160, 52), QPointF(W - 4, 52));
      p.setPen(kMark.darker(130));
      p.drawText(QPointF(8, 46), L("1039", "Z no cut"));
      break;
    }
    default:
      return QPixmap();
  }
  p.end();
  return QPixmap::fromImage(image);
}

}  // namespace app
