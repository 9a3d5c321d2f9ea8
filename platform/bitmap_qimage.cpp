#include "platform/bitmap_qimage.h"

namespace platform {

QImage ToQImage(const Bitmap& bitmap) {
  QImage image(bitmap.Width(), bitmap.Height(), QImage::Format_RGB32);
  for (int y = 0; y < bitmap.Height(); ++y) {
    auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < bitmap.Width(); ++x) {
      RgbQuad c = bitmap.Pixel(x, y);
      out[x] = qRgb(c.red, c.green, c.blue);
    }
  }
  return image;
}

QColor ToQColor(TColor color) {
  const TColor rgb = ColorToRGB(color);
  return QColor(RedOf(rgb), GreenOf(rgb), BlueOf(rgb));
}

}  // namespace platform
