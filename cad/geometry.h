// 2D geometry of the CAD library: homogeneous points, rectangles and 3x3 transforms as values, the
// tolerant comparisons, clipping against a rectangle, hit tests and the view mapping. Angles are
// radians; the drawing's Y axis points up, the screen's down.
#pragma once

#include <cstdint>
#include <numbers>
#include <span>

#include "platform/canvas.h"

namespace cad {

inline constexpr double kTwoPi = 2 * std::numbers::pi;

// Homogeneous point; W = 1 for an ordinary point.
struct TPoint2D {
  double X = 0;
  double Y = 0;
  double W = 1;
  bool operator==(const TPoint2D&) const = default;
};

// Two corners, not kept ordered (see ReorderRect2D).
struct TRect2D {
  TPoint2D First;
  TPoint2D Second;
  bool operator==(const TRect2D&) const = default;
};

// Row-major 3x3 matrix; points are row vectors, the translation stands in the third row.
// A default-made transform is the identity.
struct TTransform2D {
  double M[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  bool IsAffine() const { return M[0][2] == 0 && M[1][2] == 0 && M[2][2] == 1; }
};

struct TVector2D {
  double X = 0;
  double Y = 0;
  bool operator==(const TVector2D&) const = default;
};

struct TVector3D {
  float X = 0;
  float Y = 0;
  float Z = 0;
};

// The one identity of the library; an object without a transform uses it.
inline constexpr TTransform2D IdentityTransform2D{};

// Pick codes of the hit tests.
inline constexpr int PICK_NOOBJECT = -200;
inline constexpr int PICK_INBBOX = -100;
inline constexpr int PICK_ONOBJECT = -1;
inline constexpr int PICK_INOBJECT = -2;

// Distance answered when a hit test finds nothing.
inline constexpr double kNoDistance = 1e8;

// The program-wide comparison tolerance (5e-05 unless set otherwise).
double GeometryTolerance();
void SetGeometryTolerance(double tolerance);

// Construction and conversion.
TPoint2D Point2D(double x, double y);
TRect2D Rect2D(double x1, double y1, double x2, double y2);
TVector2D Vector2D(double x, double y);
TPoint2D CartesianPoint2D(const TPoint2D& p);
TRect2D CartesianRect2D(const TRect2D& r);
TRect2D ReorderRect2D(const TRect2D& r);
platform::Point Point2DToPoint(const TPoint2D& p);
TPoint2D PointToPoint2D(const platform::Point& p);
TVector2D Point2DToVector2D(const TPoint2D& p);
TPoint2D Vector2DToPoint2D(const TVector2D& v);
TRect2D RectToRect2D(const platform::Rect& r);
platform::Rect Rect2DToRect(const TRect2D& r);
TRect2D EnlargeRect2D(const TRect2D& r, double d);
double RadToDeg(double radians);
// The same direction as an angle from 0 up to 2 pi.
double NormalAngle2D(double radians);
// Rounds a screen coordinate half to even, keeping far-off values within the int range.
int ScreenRound(double value);

// Comparisons and measures.
bool IsSameValueTol(double tolerance, double a, double b);
bool IsSameFloat(double a, double b);
bool IsDifferentTol(double tolerance, double a, double b);
bool IsDifferentFloat(double a, double b);
bool IsGreaterOrSame(double a, double b);
bool IsSameVector2D(const TVector2D& a, const TVector2D& b);
bool IsSamePoint2D(const TPoint2D& a, const TPoint2D& b);
// Every coordinate (W included) finite; for a rectangle, of both corners.
bool IsFinitePoint2D(const TPoint2D& p);
bool IsFiniteRect2D(const TRect2D& r);
bool IsSameTransform2D(const TTransform2D& a, const TTransform2D& b);
double Distance2D(double x1, double y1, double x2, double y2);
double SquaredDistance2D(double x1, double y1, double x2, double y2);
double PointDistance2D(const TPoint2D& a, const TPoint2D& b);
double VectorDistance2D(const TVector2D& a, const TVector2D& b);
TVector2D PointDelta2D(const TPoint2D& a, const TPoint2D& b);
double CartesianDistance2D(const TPoint2D& a, const TPoint2D& b);
double VectorLength2D(const TVector2D& v);
int Quadrant2D(const TVector2D& v);
bool IsRightOfLine2D(const TPoint2D& p, const TPoint2D& a, const TPoint2D& b);
double VectorAngle2D(const TVector2D& a, const TVector2D& b);
int MinIndex(std::span<const double> values);
double ArcSweep2D(double from, double to, int direction);
double ArcSweepFlag2D(double from, double to, bool clockwise);

TVector2D AddVector2D(const TVector2D& a, const TVector2D& b);
TVector2D SubVector2D(const TVector2D& a, const TVector2D& b);
TVector2D ScaleVector2D(double s, const TVector2D& v);
TVector2D RotateVector2D(const TVector2D& v, double angle);
TVector2D NormalizeVector2D(const TVector2D& v);

// Transforms.
TTransform2D Translate2D(double tx, double ty);
TTransform2D Rotate2D(double angle);
TTransform2D Scale2D(double sx, double sy);
TTransform2D Mirror2D(int kind);
TTransform2D MultiplyTransform2D(const TTransform2D& a, const TTransform2D& b);
double DetTransform2D(const TTransform2D& m);
TTransform2D AdjointTransform2D(const TTransform2D& m);
TTransform2D InvertTransform2D(const TTransform2D& m);
TPoint2D TransformPoint2D(const TPoint2D& p, const TTransform2D& m);
TRect2D TransformRect2D(const TRect2D& r, const TTransform2D& m);
TRect2D TransformBoundingBox2D(const TRect2D& r, const TTransform2D& m);
void TransformArcAngles(const TPoint2D& centre, const TTransform2D& m, double& start, double& end, double radius);
// Maps `window` (drawing units) onto `screen`; with an aspect ratio above 0 the window is first
// widened to the screen's shape and written back.
TTransform2D BuildViewTransform2D(TRect2D& window, const platform::Rect& screen, double aspect);

// Rectangles and clipping. Clip code bits: 1 left of, 4 right of, 2 below, 8 above.
int ClipCode2D(const TRect2D& rect, const TPoint2D& p);
bool IsPointInRect2D(const TPoint2D& p, const TRect2D& rect);
bool IsBoxInBox2D(const TRect2D& inner, const TRect2D& outer);
bool BoxOverlaps2D(const TRect2D& a, const TRect2D& b);
TRect2D UnionRect2D(const TRect2D& a, const TRect2D& b);
// Results of segment clipping: bit 1 the first end moved, bit 2 the second end moved; 4 rejected
// (ends unchanged); 8 wholly inside.
inline constexpr int CLIP_FIRST_MOVED = 1;
inline constexpr int CLIP_SECOND_MOVED = 2;
inline constexpr int CLIP_REJECTED = 4;
inline constexpr int CLIP_UNTOUCHED = 8;
int ClipSegment2D(const TRect2D& rect, TPoint2D& p1, TPoint2D& p2);
int ClipSegmentX2D(const TRect2D& rect, TPoint2D& p1, TPoint2D& p2);
int ClipSegmentY2D(const TRect2D& rect, TPoint2D& p1, TPoint2D& p2);
void OrthoPoint2D(const TPoint2D& p1, TPoint2D& p2);

// Hit tests, in drawing units; m is the object's transform.
bool PointSegmentDistance2D(const TPoint2D& p, const TPoint2D& a, const TPoint2D& b, double& distance);
bool IsPointNearPoint2D(const TPoint2D& p, const TPoint2D& q, double aperture, double& distance);
int PolylinePick2D(const TPoint2D* points, int count, const TPoint2D& p, bool closed, const TTransform2D& m,
                   double aperture, double& distance);
int PolygonPick2D(const TPoint2D* points, int count, const TPoint2D& p, const TTransform2D& m, double aperture,
                  double& distance);
bool RayCrossesEdge2D(const TPoint2D& p, const TPoint2D& a, const TPoint2D& b);

}  // namespace cad
