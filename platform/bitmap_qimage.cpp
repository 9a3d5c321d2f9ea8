#include "platform/bitmap_qimage.h"

namespace platform {

QImage ToQImage(const Bitmap& bitmap) {
  QImage image(bitmap.Width(), bitmap.Height(), QImage::Format_RGB32);
  const int bits = bitmap.BitsPerPixel();
  // The common formats row by row: a picture of 4000 x 4000 pixels is copied for every view of it.
  QRgb palette[256];
  if (bits == 8)
    for (int i = 0; i < 256; ++i) {
      const RgbQuad c = size_t(i) < bitmap.Colors().size() ? bitmap.Colors()[size_t(i)] : RgbQuad{};
      palette[i] = qRgb(c.red, c.green, c.blue);
    }
  // scanLine would check the image for sharing at every row.
  uchar* pixels = image.bits();
  const qsizetype stride = image.bytesPerLine();
  for (int y = 0; y < bitmap.Height(); ++y) {
    auto* out = reinterpret_cast<QRgb*>(pixels + y * stride);
    const uint8_t* row = bitmap.Row(y);
    const int width = bitmap.Width();
    if (bits == 24) {
      for (int x = 0; x < width; ++x, row += 3) out[x] = qRgb(row[2], row[1], row[0]);
    } else if (bits == 32) {
      for (int x = 0; x < width; ++x, row += 4) out[x] = qRgb(row[2], row[1], row[0]);
    } else if (bits == 8) {
      for (int x = 0; x < width; ++x) out[x] = palette[row[x]];
    } else {
      for (int x = 0; x < width; ++x) {
        const RgbQuad c = bitmap.Pixel(x, y);
        out[x] = qRgb(c.red, c.green, c.blue);
      }
    }
  }
  return image;
}

QColor ToQColor(TColor color) {
  const TColor rgb = ColorToRGB(color);
  return QColor(RedOf(rgb), GreenOf(rgb), BlueOf(rgb));
}

}  // namespace platform
