// Qt answers a failed image allocation with a null image, which the next scan line would turn
// into a crash: the codec makes and converts its images through these, which raise "Failed to
// allocate memory for GIF DIB" instead.
#pragma once

#include <QImage>

#include "gif/gif_exception.h"

namespace gif {

inline QImage AllocImage(int width, int height, QImage::Format format) {
  QImage image(width, height, format);
  if (image.isNull() && width > 0 && height > 0) throw GIFException(texts::kDIBAllocation);
  return image;
}

inline QImage ConvertedImage(const QImage& source, QImage::Format format) {
  QImage image = source.convertToFormat(format);
  if (image.isNull() && !source.isNull()) throw GIFException(texts::kDIBAllocation);
  return image;
}

}  // namespace gif
