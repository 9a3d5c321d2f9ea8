// Object snapping: the point of a picked object that the pointer snaps to for each snap kind, and
// the screen cursor that tells the user which kind of point it took.
#pragma once

#include "cad/geometry.h"
#include "cad/object2d.h"

namespace cad {

// Snap kinds (the main window's snap menu); 0 is no object snap.
inline constexpr int kSnapEndPoint = 9;
inline constexpr int kSnapMiddlePoint = 11;
inline constexpr int kSnapCentre = 13;
inline constexpr int kSnapPointEntity = 15;
inline constexpr int kSnapNearest = 17;

// Slots of the screen's cursor table that show the snap.
inline constexpr int kSnapCursorNone = 2;
inline constexpr int kSnapCursorEnd = 3;
inline constexpr int kSnapCursorMiddle = 4;
inline constexpr int kSnapCursorCentre = 5;
inline constexpr int kSnapCursorPoint = 6;

// The pick aperture of object snapping, in pixels.
inline constexpr int kObjectSnapAperture = 10;

struct TObjectSnap {
  // Whether the pointer moves to Point.
  bool Snapped = false;
  TPoint2D Point;
  // The cursor slot to show; 0 leaves the cursor as it is.
  int Cursor = kSnapCursorNone;
};

// The snap of `pointer` to `object` (none when nothing was picked) hit with `pickCode`: end points,
// middle points, centres and point entities of points, lines, polylines, circles, arcs and other
// curves, in drawing units through the object's model transform. "Nearest" takes the candidate
// nearest to the pointer, the first of equals.
TObjectSnap ObjectSnap(TObject2D* object, int pickCode, int kind, const TPoint2D& pointer);

}  // namespace cad
