#include "app/control_glyphs.h"

#include <QImage>
#include <algorithm>

namespace app {

QPixmap ArrowGlyph(ArrowDirection direction, int width, QColor color) {
  width = std::max(width, 1);
  const int height = (width + 1) / 2;
  QImage image(width, height, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  // Row by row, so the edges stay crisp at any size.
  for (int row = 0; row < height; ++row) {
    const int inset = direction == ArrowDirection::Down ? row : height - 1 - row;
    for (int x = inset; x < width - inset; ++x) image.setPixelColor(x, row, color);
  }
  return QPixmap::fromImage(image);
}

}  // namespace app
