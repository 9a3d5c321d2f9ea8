#include "app/glyphs.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <functional>

namespace app {

namespace {

const QColor kInk(40, 40, 48);
const QColor kBlue(40, 90, 190);
const QColor kRed(200, 40, 40);
const QColor kGreen(30, 140, 60);
const QColor kPaper(250, 250, 245);
const QColor kYellow(230, 190, 60);

QPixmap Draw(const std::function<void(QPainter&)>& draw) {
  QImage image(kGlyphSize, kGlyphSize, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(kInk, 1.3));
  p.setBrush(Qt::NoBrush);
  draw(p);
  p.end();
  return QPixmap::fromImage(image);
}

void Magnifier(QPainter& p) {
  p.setPen(QPen(kInk, 1.6));
  p.drawEllipse(QPointF(8, 8), 5.5, 5.5);
  p.setPen(QPen(kInk, 2.6, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(12.5, 12.5), QPointF(17.5, 17.5));
}

void Cube(QPainter& p, int highlighted) {
  // Front, side and top faces of a small cube; the face seen by the view is coloured.
  const QPolygonF front({QPointF(3, 7), QPointF(13, 7), QPointF(13, 17), QPointF(3, 17)});
  const QPolygonF side({QPointF(13, 7), QPointF(17, 3), QPointF(17, 13), QPointF(13, 17)});
  const QPolygonF top({QPointF(3, 7), QPointF(7, 3), QPointF(17, 3), QPointF(13, 7)});
  const QPolygonF faces[] = {top, front, side};
  for (int i = 0; i < 3; ++i) {
    p.setBrush(i == highlighted || highlighted == 3 ? kBlue.lighter(150) : kPaper);
    p.drawPolygon(faces[i]);
  }
}

void Arrowhead(QPainter& p, QPointF tip, QPointF from) {
  const QPointF d = tip - from;
  const double len = std::hypot(d.x(), d.y());
  if (len == 0) return;
  const QPointF u = d / len, n(-u.y(), u.x());
  p.drawLine(tip, tip - u * 4 + n * 2.5);
  p.drawLine(tip, tip - u * 4 - n * 2.5);
}

}  // namespace

QIcon ToolGlyph(Glyph glyph) {
  switch (glyph) {
    case Glyph::New:
      return QIcon(Draw([](QPainter& p) {
        p.setBrush(kPaper);
        p.drawPolygon(QPolygonF({QPointF(4, 2), QPointF(12, 2), QPointF(16, 6), QPointF(16, 18), QPointF(4, 18)}));
        p.drawLine(QPointF(12, 2), QPointF(12, 6));
        p.drawLine(QPointF(12, 6), QPointF(16, 6));
      }));
    case Glyph::Open:
      return QIcon(Draw([](QPainter& p) {
        p.setBrush(kYellow);
        p.drawPolygon(QPolygonF({QPointF(2, 5), QPointF(7, 5), QPointF(9, 7), QPointF(17, 7), QPointF(17, 16), QPointF(2, 16)}));
        p.setBrush(kYellow.lighter(130));
        p.drawPolygon(QPolygonF({QPointF(5, 10), QPointF(19, 10), QPointF(17, 16), QPointF(2, 16)}));
      }));
    case Glyph::Save:
      return QIcon(Draw([](QPainter& p) {
        p.setBrush(kBlue);
        p.drawRect(QRectF(3, 3, 14, 14));
        p.setBrush(kPaper);
        p.drawRect(QRectF(6, 3, 8, 5));
        p.drawRect(QRectF(5, 11, 10, 6));
      }));
    case Glyph::Settings:
      return QIcon(Draw([](QPainter& p) {
        p.setPen(QPen(kInk, 2.2, Qt::SolidLine, Qt::RoundCap));
        for (int i = 0; i < 8; ++i) {
          const double a = i * M_PI / 4;
          p.drawLine(QPointF(10 + 5 * std::cos(a), 10 + 5 * std::sin(a)), QPointF(10 + 8 * std::cos(a), 10 + 8 * std::sin(a)));
        }
        p.setPen(QPen(kInk, 1.3));
        p.setBrush(QColor(180, 180, 190));
        p.drawEllipse(QPointF(10, 10), 5.5, 5.5);
        p.setBrush(kPaper);
        p.drawEllipse(QPointF(10, 10), 2, 2);
      }));
    case Glyph::About:
      return QIcon(Draw([](QPainter& p) {
        p.setBrush(kBlue);
        p.drawEllipse(QPointF(10, 10), 8, 8);
        p.setPen(Qt::white);
        QFont f = p.font();
        f.setPixelSize(13);
        f.setBold(true);
        p.setFont(f);
        p.drawText(QRectF(0, 0, 20, 20), Qt::AlignCenter, QStringLiteral("?"));
      }));
    case Glyph::Exit:
      return QIcon(Draw([](QPainter& p) {
        p.setBrush(QColor(150, 100, 60));
        p.drawRect(QRectF(3, 2, 9, 16));
        p.setPen(QPen(kRed, 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(9, 10), QPointF(18, 10));
        Arrowhead(p, QPointF(18, 10), QPointF(9, 10));
      }));
    case Glyph::Autozoom:
      return QIcon(Draw([](QPainter& p) {
        Magnifier(p);
        p.setPen(QPen(kBlue, 1));
        p.drawRect(QRectF(5, 5, 6, 6));
      }));
    case Glyph::ZoomIn:
      return QIcon(Draw([](QPainter& p) {
        Magnifier(p);
        p.setPen(QPen(kBlue, 1.6));
        p.drawLine(QPointF(5, 8), QPointF(11, 8));
        p.drawLine(QPointF(8, 5), QPointF(8, 11));
      }));
    case Glyph::ZoomBack:
      return QIcon(Draw([](QPainter& p) {
        Magnifier(p);
        p.setPen(QPen(kBlue, 1.6));
        p.drawLine(QPointF(5, 8), QPointF(11, 8));
      }));
    case Glyph::ZoomWindow:
      return QIcon(Draw([](QPainter& p) {
        p.setPen(QPen(kBlue, 1, Qt::DashLine));
        p.drawRect(QRectF(1.5, 1.5, 11, 9));
        Magnifier(p);
      }));
    case Glyph::Pan:
      return QIcon(Draw([](QPainter& p) {
        p.setPen(QPen(kInk, 1.5));
        p.drawLine(QPointF(10, 2), QPointF(10, 18));
        p.drawLine(QPointF(2, 10), QPointF(18, 10));
        Arrowhead(p, QPointF(10, 2), QPointF(10, 10));
        Arrowhead(p, QPointF(10, 18), QPointF(10, 10));
        Arrowhead(p, QPointF(2, 10), QPointF(10, 10));
        Arrowhead(p, QPointF(18, 10), QPointF(10, 10));
      }));
    case Glyph::Grid:
      return QIcon(Draw([](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(kInk);
        for (int x = 3; x <= 17; x += 4)
          for (int y = 3; y <= 17; y += 4) p.drawRect(QRectF(x - 0.75, y - 0.75, 1.5, 1.5));
      }));
    case Glyph::Snap:
      return QIcon(SnapGlyph(7));
    case Glyph::Axis:
      return QIcon(Draw([](QPainter& p) {
        p.setPen(QPen(kRed, 1.5));
        p.drawLine(QPointF(4, 16), QPointF(18, 16));
        Arrowhead(p, QPointF(18, 16), QPointF(4, 16));
        p.setPen(QPen(kGreen, 1.5));
        p.drawLine(QPointF(4, 16), QPointF(4, 2));
        Arrowhead(p, QPointF(4, 2), QPointF(4, 16));
      }));
    case Glyph::TopView: return QIcon(Draw([](QPainter& p) { Cube(p, 0); }));
    case Glyph::FrontView: return QIcon(Draw([](QPainter& p) { Cube(p, 1); }));
    case Glyph::SideView: return QIcon(Draw([](QPainter& p) { Cube(p, 2); }));
    case Glyph::IsoView: return QIcon(Draw([](QPainter& p) { Cube(p, 3); }));
    case Glyph::Show:
      return QIcon(Draw([](QPainter& p) {
        QPainterPath eye;
        eye.moveTo(2, 10);
        eye.quadTo(10, 1, 18, 10);
        eye.quadTo(10, 19, 2, 10);
        p.setBrush(kPaper);
        p.drawPath(eye);
        p.setBrush(kBlue);
        p.drawEllipse(QPointF(10, 10), 3.2, 3.2);
      }));
    case Glyph::Line: return QIcon(CommandGlyph(39));
    case Glyph::Point: return QIcon(CommandGlyph(37));
    case Glyph::Layer:
      return QIcon(Draw([](QPainter& p) {
        for (int i = 2; i >= 0; --i) {
          p.setBrush(i == 0 ? kBlue.lighter(140) : kPaper);
          p.drawPolygon(QPolygonF({QPointF(2, 8 + 4 * i), QPointF(10, 4 + 4 * i), QPointF(18, 8 + 4 * i), QPointF(10, 12 + 4 * i)}));
        }
      }));
    case Glyph::Delete: return QIcon(CommandGlyph(19));
    case Glyph::Colour:
      return QIcon(Draw([](QPainter& p) {
        const QColor colours[] = {kRed, kGreen, kBlue, kYellow};
        for (int i = 0; i < 4; ++i) {
          p.setBrush(colours[i]);
          p.drawRect(QRectF(2 + (i % 2) * 8, 2 + (i / 2) * 8, 7, 7));
        }
      }));
  }
  return QIcon();
}

QPixmap CommandGlyph(int index) {
  auto dot = [](QPainter& p, QPointF c) {
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(kRed);
    p.drawEllipse(c, 1.8, 1.8);
    p.restore();
  };
  switch (index) {
    case 1:  // circle by centre and diameter
      return Draw([&](QPainter& p) {
        p.drawEllipse(QPointF(10, 10), 7, 7);
        p.setPen(QPen(kBlue, 1, Qt::DashLine));
        p.drawLine(QPointF(3, 10), QPointF(17, 10));
        dot(p, QPointF(10, 10));
      });
    case 33:  // circle by centre and a point
      return Draw([&](QPainter& p) {
        p.drawEllipse(QPointF(10, 10), 7, 7);
        dot(p, QPointF(10, 10));
        dot(p, QPointF(15, 5));
      });
    case 2:  // arc: centre, point, start and end angle
      return Draw([&](QPainter& p) {
        p.drawArc(QRectF(3, 3, 14, 14), 0, 150 * 16);
        dot(p, QPointF(10, 10));
        dot(p, QPointF(17, 10));
      });
    case 3:  // polar arc
      return Draw([&](QPainter& p) {
        p.drawArc(QRectF(3, 3, 14, 14), 30 * 16, 200 * 16);
        p.setPen(QPen(kBlue, 1, Qt::DashLine));
        p.drawLine(QPointF(10, 10), QPointF(16, 6.5));
        dot(p, QPointF(10, 10));
      });
    case 32:  // arc tangent to entities
      return Draw([&](QPainter& p) {
        p.drawLine(QPointF(2, 17), QPointF(8, 17));
        p.drawLine(QPointF(17, 2), QPointF(17, 8));
        p.setPen(QPen(kBlue, 1.4));
        p.drawArc(QRectF(-1, -1, 18, 18), 270 * 16, 90 * 16);
      });
    case 6:  // fillet
    case 7:  // trim
      return Draw([&](QPainter& p) {
        p.drawLine(QPointF(3, 17), QPointF(3, index == 6 ? 9 : 3));
        p.drawLine(QPointF(index == 6 ? 11 : 3, 3), QPointF(17, 3));
        if (index == 6) {
          p.setPen(QPen(kBlue, 1.5));
          p.drawArc(QRectF(3, 3, 16, 12), 90 * 16, 90 * 16);
        } else {
          p.setPen(QPen(kRed, 1, Qt::DotLine));
          p.drawLine(QPointF(3, 3), QPointF(3, 0));
          p.drawLine(QPointF(0, 3), QPointF(3, 3));
        }
      });
    case 8:  // extend
      return Draw([&](QPainter& p) {
        p.drawLine(QPointF(16, 2), QPointF(16, 18));
        p.drawLine(QPointF(3, 10), QPointF(9, 10));
        p.setPen(QPen(kBlue, 1.3, Qt::DashLine));
        p.drawLine(QPointF(9, 10), QPointF(16, 10));
      });
    case 9:  // change layer
      return Draw([&](QPainter& p) {
        p.setBrush(kPaper);
        p.drawRect(QRectF(2, 8, 10, 10));
        p.setBrush(kBlue.lighter(150));
        p.drawRect(QRectF(8, 2, 10, 10));
      });
    case 11:  // move a control point
      return Draw([&](QPainter& p) {
        p.drawPolyline(QPolygonF({QPointF(2, 16), QPointF(9, 6), QPointF(18, 14)}));
        p.setBrush(kPaper);
        p.drawRect(QRectF(7, 4, 4, 4));
        p.setPen(QPen(kRed, 1.2));
        p.drawLine(QPointF(11, 4), QPointF(16, 1));
      });
    case 12:  // break
      return Draw([&](QPainter& p) {
        p.drawLine(QPointF(2, 10), QPointF(8, 10));
        p.drawLine(QPointF(12, 10), QPointF(18, 10));
        p.setPen(QPen(kRed, 1.2));
        p.drawLine(QPointF(10, 3), QPointF(10, 17));
      });
    case 13:  // translate
      return Draw([&](QPainter& p) {
        p.setPen(QPen(kInk, 1, Qt::DashLine));
        p.drawRect(QRectF(2, 9, 7, 7));
        p.setPen(QPen(kInk, 1.3));
        p.drawRect(QRectF(11, 3, 7, 7));
        p.setPen(QPen(kBlue, 1.3));
        p.drawLine(QPointF(6, 12), QPointF(14, 6));
        Arrowhead(p, QPointF(14, 6), QPointF(6, 12));
      });
    case 14:  // rotate
      return Draw([&](QPainter& p) {
        p.drawArc(QRectF(3, 3, 14, 14), 30 * 16, 270 * 16);
        p.setPen(QPen(kBlue, 1.3));
        Arrowhead(p, QPointF(16, 6.5), QPointF(17.5, 10));
        dot(p, QPointF(10, 10));
      });
    case 15:  // mirror
      return Draw([&](QPainter& p) {
        p.setPen(QPen(kBlue, 1, Qt::DashDotLine));
        p.drawLine(QPointF(10, 1), QPointF(10, 19));
        p.setPen(QPen(kInk, 1.3));
        p.drawPolygon(QPolygonF({QPointF(8, 4), QPointF(8, 16), QPointF(2, 16)}));
        p.drawPolygon(QPolygonF({QPointF(12, 4), QPointF(12, 16), QPointF(18, 16)}));
      });
    case 16:  // scale
      return Draw([&](QPainter& p) {
        p.drawRect(QRectF(2, 10, 6, 6));
        p.setPen(QPen(kBlue, 1.3));
        p.drawRect(QRectF(2, 3, 15, 13));
        Arrowhead(p, QPointF(16, 4), QPointF(8, 10));
        p.drawLine(QPointF(8, 10), QPointF(16, 4));
      });
    case 17:  // offset
      return Draw([&](QPainter& p) {
        p.drawArc(QRectF(3, 6, 14, 18), 30 * 16, 120 * 16);
        p.setPen(QPen(kBlue, 1.3));
        p.drawArc(QRectF(0, 2, 20, 24), 30 * 16, 120 * 16);
      });
    case 19:  // delete
    case 21:  // undelete
    case 26:  // delete small entities
      return Draw([&](QPainter& p) {
        if (index == 26) {
          p.drawRect(QRectF(2, 2, 4, 4));
          p.drawRect(QRectF(13, 13, 5, 5));
        }
        p.setPen(QPen(index == 21 ? kGreen : kRed, 2.2, Qt::SolidLine, Qt::RoundCap));
        if (index == 21) {
          p.drawArc(QRectF(4, 4, 12, 12), 90 * 16, 270 * 16);
          Arrowhead(p, QPointF(10, 4), QPointF(6, 4));
        } else {
          p.drawLine(QPointF(5, 5), QPointF(15, 15));
          p.drawLine(QPointF(15, 5), QPointF(5, 15));
        }
      });
    case 28:  // polar line
    case 30:  // line tangent at an angle
      return Draw([&](QPainter& p) {
        p.drawLine(QPointF(3, 17), QPointF(17, 3));
        p.setPen(QPen(kBlue, 1));
        p.drawArc(QRectF(-3, 11, 12, 12), 0, 45 * 16);
        p.drawLine(QPointF(3, 17), QPointF(18, 17));
        if (index == 30) p.drawEllipse(QPointF(13, 7), 3, 3);
      });
    case 29:  // line tangent to two arcs
      return Draw([&](QPainter& p) {
        p.drawEllipse(QPointF(5, 12), 3, 3);
        p.drawEllipse(QPointF(14, 8), 4, 4);
        p.setPen(QPen(kBlue, 1.3));
        p.drawLine(QPointF(4, 9), QPointF(13, 4));
      });
    case 31:  // perpendicular line
      return Draw([&](QPainter& p) {
        p.drawLine(QPointF(2, 16), QPointF(18, 16));
        p.setPen(QPen(kBlue, 1.3));
        p.drawLine(QPointF(10, 16), QPointF(10, 3));
        p.setPen(QPen(kInk, 1));
        p.drawRect(QRectF(10, 12, 4, 4));
      });
    case 37:  // point
      return Draw([&](QPainter& p) {
        p.drawLine(QPointF(6, 10), QPointF(14, 10));
        p.drawLine(QPointF(10, 6), QPointF(10, 14));
        dot(p, QPointF(10, 10));
      });
    case 38:  // point grid
      return Draw([&](QPainter& p) {
        for (int x = 4; x <= 16; x += 6)
          for (int y = 4; y <= 16; y += 6) dot(p, QPointF(x, y));
      });
    case 39:  // line
      return Draw([&](QPainter& p) {
        p.drawLine(QPointF(3, 17), QPointF(17, 3));
        dot(p, QPointF(3, 17));
        dot(p, QPointF(17, 3));
      });
    default:
      return QPixmap();
  }
}

QPixmap SnapGlyph(int index) {
  if (index < 0 || index >= kSnapGlyphCount) return QPixmap();
  const int kind = index;
  return Draw([&](QPainter& p) {
    // A magnet with a mark of the snap kind in the corner.
    p.setPen(QPen(kInk, 4.5, Qt::SolidLine, Qt::FlatCap));
    p.drawArc(QRectF(3, 3, 14, 12), 0, -180 * 16);
    p.setPen(QPen(kRed, 4.5, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(5.25, 9), QPointF(5.25, 3));
    p.drawLine(QPointF(14.75, 9), QPointF(14.75, 3));
    // The object-snap kind as a small mark in the corner.
    p.setPen(QPen(kBlue, 1));
    p.setBrush(Qt::NoBrush);
    switch (kind) {
      case 1: p.drawRect(QRectF(15, 15, 4, 4)); break;
      case 2: p.drawPolygon(QPolygonF({QPointF(17, 14), QPointF(19.5, 19), QPointF(14.5, 19)})); break;
      case 3: p.drawEllipse(QPointF(17, 17), 2.2, 2.2); break;
      case 4: p.drawLine(QPointF(15, 15), QPointF(19, 19)); p.drawLine(QPointF(19, 15), QPointF(15, 19)); break;
      case 5: p.drawLine(QPointF(14.5, 19), QPointF(19.5, 19)); p.drawLine(QPointF(17, 19), QPointF(17, 14)); break;
      case 6: p.drawEllipse(QPointF(17, 17), 2.2, 2.2); p.drawLine(QPointF(14.5, 14.5), QPointF(19.5, 14.5)); break;
      case 8: p.drawPoint(QPointF(15, 15)); p.drawPoint(QPointF(19, 15)); p.drawPoint(QPointF(15, 19)); p.drawPoint(QPointF(19, 19)); break;
      default: break;
    }
  });
}

QPixmap ImageList::Image(int index) const {
  return index >= 0 && index < Count() ? images_[static_cast<size_t>(index)] : QPixmap();
}

}  // namespace app
