// Small glyphs of the program's own controls, drawn in code: the arrows of the spin buttons and of the
// drop-down part of the command buttons.
#pragma once

#include <QColor>
#include <QPixmap>

namespace app {

enum class ArrowDirection { Up, Down };

// A solid triangle `width` pixels wide (odd widths give a sharp tip) and (width + 1) / 2 high, on a
// transparent background.
QPixmap ArrowGlyph(ArrowDirection direction, int width = 7, QColor color = Qt::black);

}  // namespace app
