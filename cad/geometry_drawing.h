// Drawing of geometry on a decorative canvas: points go through the view transform, are clipped
// against the clip rectangle (screen pixels, as a TRect2D) and rounded half to even.
#pragma once

#include "cad/decorative_pen.h"
#include "cad/geometry.h"

namespace cad {

// One segment; whether anything of it was drawn.
bool DrawClippedLine2D(TDecorativeCanvas& canvas, const TPoint2D& p1, const TPoint2D& p2, const TTransform2D& view,
                       const TRect2D& clip);
// Points first..last as polylines (joined back to `first` when closed); `extents` are the drawing
// extents of the points, used to skip clipping when all of them are on screen.
void DrawClippedPolyline2D(TDecorativeCanvas& canvas, const TPoint2D* points, int count, bool closed, int first,
                           int last, const TTransform2D& view, const TRect2D& extents, const TRect2D& clip);
// Points first..last as a polygon filled with the canvas's brush and outlined with its pen.
void FillClippedPolygon2D(TDecorativeCanvas& canvas, const TPoint2D* points, int count, int first, int last,
                          const TTransform2D& view, const TRect2D& extents, const TRect2D& clip);
void DrawBoundingBox2D(TDecorativeCanvas& canvas, const TRect2D& rect, const TRect2D& clip, const TTransform2D& view,
                       const TTransform2D& model);
void DrawRect2D(TDecorativeCanvas& canvas, const TRect2D& rect, const TRect2D& clip, const TTransform2D& view);
// A cross of 10 pixels each way, only when the point lies well inside the clip; whether it did.
bool DrawPointMarker2D(TDecorativeCanvas& canvas, const TPoint2D& p, const TRect2D& clip, const TTransform2D& view);
void DrawControlPointMarker(TDecorativeCanvas& canvas, int x, int y, int width);

}  // namespace cad
