// Our bitmaps shown on screen: a QImage copy for painting (the 2D view's picture, the image pages).
// Only for display; pictures are never read through Qt's image plugins, which change pixel formats.
#pragma once

#include <QColor>
#include <QImage>

#include "platform/bitmap.h"
#include "platform/canvas.h"

namespace platform {

// A copy for painting: an 8-bit picture as 8-bit indexed pixels with its palette (a byte a pixel), any
// other pixel format as 32-bit RGB (the fourth byte of a 32-bit bitmap is not alpha).
QImage ToQImage(const Bitmap& bitmap);

// A colour on screen; system colours take their RGB value.
QColor ToQColor(TColor color);

}  // namespace platform
