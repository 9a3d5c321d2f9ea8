// What the construction commands of the 2D view share: the two objects of a two-object pick and
// where they were picked, the values the main window gives them, what a command reports back, and
// the reading, cutting and rewriting of lines and arcs in drawing coordinates.
//
// A command state does its work in its creation by one call, for example
//   TTwoObjectPick pick{first->ID, second->ID, pickPoints};
//   TConstructionResult done = TrimCorner2D(drawing, pick, settings);
//   for (const TPoint2D& p : done.Crossings) view.DrawRubberObject(*IntersectionMarker2D(p, width), false);
// and then frees its parameter and goes idle. No routine here touches a widget.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "cad/curves2d.h"
#include "cad/drawing.h"
#include "cad/primitives2d.h"

namespace cad {

// Where the first and the second object of a two-object pick were picked: the commands read them to
// know which side of each object the user meant.
using TPickPoints = std::array<TPoint2D, 2>;

// The two picked objects, looked up again in the drawing by ID (an ID that no longer resolves, or
// the same object twice, makes every command do nothing).
struct TTwoObjectPick {
  int32_t FirstID = -1;
  int32_t SecondID = -1;
  TPickPoints PickPoints{};
};

// The values the commands read from the main window's fields. The main window keeps one and fills
// it, so this library knows no widget.
struct TConstructionSettings {
  // The program-wide fillet radius handed to the corner command (the trim command sets it to 0).
  double FilletRadius = 0;
  // The tangent arc's radius and whether the tangent arc trims the two objects.
  double TangentArcRadius = 1;
  bool TangentArcTrim = true;
  // The offset command's signed distance: lines move to the left of their direction, arcs and
  // circles grow (a negative distance: the other side).
  double OffsetDistance = 0;
};

struct TConstructionResult {
  // The drawing was changed (objects moved, added or removed).
  bool Changed = false;
  // The crossings the command marks on the view (IntersectionMarker2D).
  std::vector<TPoint2D> Crossings;
  // Why the command left the drawing as it was, for the status line; empty when it acted or had
  // nothing to say.
  std::string Message;
};

// The marker of a crossing: a circle of radius W / 150 round the point, W the width of the view's
// visible window; drawn as a rubber band, never added to the drawing.
std::unique_ptr<TCerchio2D> IntersectionMarker2D(const TPoint2D& at, double visibleWidth);

// --- Reading -------------------------------------------------------------------------------------

// The point `index` of the primitive in drawing coordinates.
TPoint2D DrawingPoint2D(const TPrimitive2D& object, int index);
// A line, or a polyline of exactly two points (a polygon is not one): its two points in drawing
// coordinates.
bool ReadLine2D(const TObject2D& object, TPoint2D& first, TPoint2D& second);
// An arc as GetArcPoints gives it; false for anything else and for an arc without a real radius or
// with a coordinate that is not finite.
bool ReadArc2D(const TObject2D& object, TArcPoints& arc);
// A circle as a full arc (from angle 0 round to 0) in drawing coordinates.
bool ReadCircle2D(const TObject2D& object, TArcPoints& arc);
// An arc, or a circle as a full arc.
bool ReadArcOrCircle2D(const TObject2D& object, TArcPoints& arc);
// An arc or a circle, whether or not its geometry reads.
bool IsArcOrCircle2D(const TObject2D& object);

// --- Cutting -------------------------------------------------------------------------------------

// A piece of an arc, counter-clockwise from Start to End (radians).
struct TArcPiece {
  double Start = 0;
  double End = 0;
};

// Where p lies along the arc: the sweep from the arc's start to p, in the arc's own sense, 0 up to
// 2 pi.
double SweepToPoint2D(const TArcPoints& arc, const TPoint2D& p);
// p lies on the arc's circle and within its span, its ends included (within the tolerance).
bool IsPointOnArc2D(const TArcPoints& arc, const TPoint2D& p);
// The pieces the arc breaks into at the points of `at` that lie on it, in the arc's order from its
// start (by the sweep from the start, never by absolute angle). Points at its ends or closer to one
// another than the tolerance cut nothing, so no piece has a zero sweep; a full arc (a circle) is
// cut only between the points, so one point alone cuts nothing. Empty when nothing is cut.
std::vector<TArcPiece> ArcPieces2D(const TArcPoints& arc, std::span<const TPoint2D> at);
// The pieces of the segment first-second between the points of `at` (taken as lying on it), in
// order from `first`; pieces shorter than the tolerance are left out. Without points, the segment.
std::vector<std::array<TPoint2D, 2>> SegmentPieces2D(const TPoint2D& first, const TPoint2D& second,
                                                     std::span<const TPoint2D> at);

// --- Changing the drawing ------------------------------------------------------------------------

// Adds an object made from `source` on the source's layer (the drawing's current layer is kept).
TObject2D* AddPieceOf2D(TKQCmp2D& drawing, const TObject2D& source, std::unique_ptr<TObject2D> piece);
// The points of a line or two-point polyline replaced by drawing coordinates, its transform reset;
// one notification.
void SetLinePoints2D(TObject2D& line, const TPoint2D& first, const TPoint2D& second);
// Adds the pieces (on the arc's layer) and deletes the arc; nothing without pieces. The number
// added.
int ReplaceArcByPieces2D(TKQCmp2D& drawing, int32_t arcId, std::span<const TArcPiece> pieces);
// Splits the arc at the points of `at` that lie on it (ArcPieces2D) and replaces it by the pieces;
// the number of pieces, 0 when the arc stays as it was.
int SplitArc2D(TKQCmp2D& drawing, int32_t arcId, std::span<const TPoint2D> at);
// Replaces a circle by a full arc with the same centre and radius (from angle 0 round to 0) under a
// new ID and deletes the circle; the arc's ID, or the ID itself when it names no circle.
int32_t CircleToArc2D(TKQCmp2D& drawing, int32_t id);

}  // namespace cad
