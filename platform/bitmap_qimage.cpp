#include "platform/bitmap_qimage.h"

#include <algorithm>
#include <cstring>

namespace platform {

QImage ToQImage(const Bitmap& bitmap) {
  const int bits = bitmap.BitsPerPixel();
  if (bits == 8) {
    // A byte a pixel with the palette beside it, rows copied as they stand: a 16384 x 16384 picture's
    // copy takes 256 MB, not the 1 GB of 32-bit pixels, and the canvas samples it through its table.
    QImage image(bitmap.Width(), bitmap.Height(), QImage::Format_Indexed8);
    QList<QRgb> table(256, qRgb(0, 0, 0));  // an index past the colours is black
    for (size_t i = 0; i < std::min<size_t>(256, bitmap.Colors().size()); ++i) {
      const RgbQuad c = bitmap.Colors()[i];
      table[qsizetype(i)] = qRgb(c.red, c.green, c.blue);
    }
    image.setColorTable(table);
    uchar* pixels = image.bits();
    const qsizetype stride = image.bytesPerLine();
    for (int y = 0; y < bitmap.Height(); ++y) std::memcpy(pixels + y * stride, bitmap.Row(y), size_t(bitmap.Width()));
    return image;
  }
  QImage image(bitmap.Width(), bitmap.Height(), QImage::Format_RGB32);
  // The common formats row by row: a picture of 4000 x 4000 pixels is copied for every view of it.
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
