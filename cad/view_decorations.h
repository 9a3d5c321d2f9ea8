// What a viewport draws besides the objects: the grid and the axes with their icon and scale bar.
// Both draw on a decorative canvas through the view transform (drawing units to screen pixels) with
// the pen and brush the caller chose; only the screen's share of a line is walked, so a grid or axis
// far larger than the screen costs no more than one that fits.
#pragma once

#include "cad/decorative_pen.h"
#include "cad/geometry.h"

namespace cad {

// A grid step that spans this many pixels or fewer is not drawn.
inline constexpr double kGridMinimumPixels = 10;

// One grid of steps dx, dy over `window`: lines at multiples of the steps (the first at the window's
// first corner rounded to a step), horizontal lines first, each through the canvas's decorative pen.
// Nothing when a step spans kGridMinimumPixels or fewer in X or in Y; whether it drew.
bool DrawViewGrid(TDecorativeCanvas& canvas, const TRect2D& window, const TTransform2D& view, double dx, double dy);

// The X and Y axes through the origin, with the canvas's pen.
void DrawViewAxisLines(TDecorativeCanvas& canvas, const TRect2D& window, const TTransform2D& view);

// The axis icon in the window's lower left corner and the scale bar with its length ("%0.3f" and
// "mm", or "%0.4f" and "Inch"), with the canvas's pen, in the pen's colour.
void DrawViewAxisIcon(TDecorativeCanvas& canvas, const TRect2D& window, const TTransform2D& view, bool isMM);

}  // namespace cad
