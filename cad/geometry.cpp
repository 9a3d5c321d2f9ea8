#include "cad/geometry.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <numbers>

#include "platform/numbers.h"

namespace cad {

namespace {

std::atomic<double> g_tolerance{5e-05};

}  // namespace

double GeometryTolerance() { return g_tolerance.load(std::memory_order_relaxed); }
void SetGeometryTolerance(double tolerance) { g_tolerance.store(tolerance, std::memory_order_relaxed); }

// ---- Construction and conversion ----

TPoint2D Point2D(double x, double y) { return {x, y, 1}; }

TRect2D Rect2D(double x1, double y1, double x2, double y2) { return {{x1, y1, 1}, {x2, y2, 1}}; }

TVector2D Vector2D(double x, double y) { return {x, y}; }

TPoint2D CartesianPoint2D(const TPoint2D& p) {
  if (p.W == 0 || p.W == 1) return p;
  return {p.X / p.W, p.Y / p.W, 1};
}

TRect2D CartesianRect2D(const TRect2D& r) { return {CartesianPoint2D(r.First), CartesianPoint2D(r.Second)}; }

TRect2D ReorderRect2D(const TRect2D& r) {
  TRect2D c = CartesianRect2D(r);
  if (c.First.X > c.Second.X) std::swap(c.First.X, c.Second.X);
  if (c.First.Y > c.Second.Y) std::swap(c.First.Y, c.Second.Y);
  return c;
}

int ScreenRound(double value) {
  // Far-off coordinates (a deep zoom) are held where the platform's integers still work.
  constexpr double kLimit = 1e9;
  if (std::isnan(value)) return 0;
  return int(platform::Round(std::clamp(value, -kLimit, kLimit)));
}

platform::Point Point2DToPoint(const TPoint2D& p) {
  TPoint2D c = CartesianPoint2D(p);
  return {ScreenRound(c.X), ScreenRound(c.Y)};
}

TPoint2D PointToPoint2D(const platform::Point& p) { return {double(p.X), double(p.Y), 1}; }

TVector2D Point2DToVector2D(const TPoint2D& p) { return {p.X, p.Y}; }

TPoint2D Vector2DToPoint2D(const TVector2D& v) { return {v.X, v.Y, 1}; }

TRect2D RectToRect2D(const platform::Rect& r) { return Rect2D(r.Left, r.Top, r.Right, r.Bottom); }

platform::Rect Rect2DToRect(const TRect2D& r) {
  TRect2D o = ReorderRect2D(r);
  return {ScreenRound(o.First.X), ScreenRound(o.First.Y), ScreenRound(o.Second.X), ScreenRound(o.Second.Y)};
}

TRect2D EnlargeRect2D(const TRect2D& r, double d) {
  TRect2D c = CartesianRect2D(r);
  return Rect2D(c.First.X - d, c.First.Y - d, c.Second.X + d, c.Second.Y + d);
}

double RadToDeg(double radians) { return radians * 180.0 / std::numbers::pi; }

double NormalAngle2D(double radians) {
  const double a = std::fmod(radians, kTwoPi);
  return a < 0 ? a + kTwoPi : a;
}

// ---- Comparisons and measures ----

bool IsSameValueTol(double tolerance, double a, double b) {
  const double d = b - a;
  return -tolerance <= d && d <= tolerance;
}
bool IsFinitePoint2D(const TPoint2D& p) { return std::isfinite(p.X) && std::isfinite(p.Y) && std::isfinite(p.W); }

bool IsFiniteRect2D(const TRect2D& r) { return IsFinitePoint2D(r.First) && IsFinitePoint2D(r.Second); }

bool IsSameFloat(double a, double b) { return IsSameValueTol(GeometryTolerance(), a, b); }
bool IsDifferentTol(double tolerance, double a, double b) { return !IsSameValueTol(tolerance, a, b); }
bool IsDifferentFloat(double a, double b) { return !IsSameFloat(a, b); }
bool IsGreaterOrSame(double a, double b) { return a > b || IsSameFloat(a, b); }

bool IsSameVector2D(const TVector2D& a, const TVector2D& b) { return IsSameFloat(a.X, b.X) && IsSameFloat(a.Y, b.Y); }

bool IsSamePoint2D(const TPoint2D& a, const TPoint2D& b) {
  TPoint2D p = a, q = b;
  if (p.W != q.W) {
    p = CartesianPoint2D(p);
    q = CartesianPoint2D(q);
  }
  return IsSameFloat(p.X, q.X) && IsSameFloat(p.Y, q.Y);
}

bool IsSameTransform2D(const TTransform2D& a, const TTransform2D& b) {
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      if (a.M[i][j] != b.M[i][j]) return false;
  return true;
}

double SquaredDistance2D(double x1, double y1, double x2, double y2) {
  return (x2 - x1) * (x2 - x1) + (y2 - y1) * (y2 - y1);
}
double Distance2D(double x1, double y1, double x2, double y2) { return std::sqrt(SquaredDistance2D(x1, y1, x2, y2)); }
double PointDistance2D(const TPoint2D& a, const TPoint2D& b) { return Distance2D(a.X, a.Y, b.X, b.Y); }
double VectorDistance2D(const TVector2D& a, const TVector2D& b) { return Distance2D(a.X, a.Y, b.X, b.Y); }

TVector2D PointDelta2D(const TPoint2D& a, const TPoint2D& b) {
  TPoint2D p = a, q = b;
  if (p.W != q.W) {
    p = CartesianPoint2D(p);
    q = CartesianPoint2D(q);
  }
  return {q.X - p.X, q.Y - p.Y};
}

double CartesianDistance2D(const TPoint2D& a, const TPoint2D& b) { return VectorLength2D(PointDelta2D(a, b)); }

double VectorLength2D(const TVector2D& v) { return std::sqrt(v.X * v.X + v.Y * v.Y); }

int Quadrant2D(const TVector2D& v) {
  if (v.X == 0 && v.Y == 0) return 0;
  if (v.X > 0 && v.Y >= 0) return 1;
  if (v.X <= 0 && v.Y > 0) return 2;
  if (v.X < 0 && v.Y <= 0) return 3;
  return 4;
}

bool IsRightOfLine2D(const TPoint2D& p, const TPoint2D& a, const TPoint2D& b) {
  return (p.X - a.X) * (b.Y - a.Y) > (b.X - a.X) * (p.Y - a.Y);
}

double VectorAngle2D(const TVector2D& a, const TVector2D& b) {
  const double la = VectorLength2D(a), lb = VectorLength2D(b);
  if (la == 0 || lb == 0) return 0;
  // Parallel vectors can round the cosine just past 1; arccos would answer NaN.
  return std::acos(std::clamp((a.X * b.X + a.Y * b.Y) / (la * lb), -1.0, 1.0));
}

int MinIndex(std::span<const double> values) {
  double least = 9999999.1234;
  int index = 0;
  for (size_t i = 0; i < values.size(); ++i) {
    if (values[i] < least) {
      least = values[i];
      index = int(i);
    }
  }
  return index;
}

double ArcSweep2D(double from, double to, int direction) {
  double sweep;
  if (direction == -1) {
    if (to >= from) from += kTwoPi;
    sweep = from - to;
  } else {
    if (to <= from) to += kTwoPi;
    sweep = to - from;
  }
  if (sweep < 0) sweep += kTwoPi;
  return sweep;
}

double ArcSweepFlag2D(double from, double to, bool clockwise) { return ArcSweep2D(from, to, clockwise ? -1 : 1); }

TVector2D AddVector2D(const TVector2D& a, const TVector2D& b) { return {a.X + b.X, a.Y + b.Y}; }
TVector2D SubVector2D(const TVector2D& a, const TVector2D& b) { return {a.X - b.X, a.Y - b.Y}; }
TVector2D ScaleVector2D(double s, const TVector2D& v) { return {s * v.X, s * v.Y}; }
TVector2D RotateVector2D(const TVector2D& v, double t) {
  const double c = std::cos(t), s = std::sin(t);
  return {v.X * c - v.Y * s, v.X * s + v.Y * c};
}
TVector2D NormalizeVector2D(const TVector2D& v) {
  const double l = VectorLength2D(v);
  if (l == 0) return v;
  return {v.X / l, v.Y / l};
}

// ---- Transforms ----

TTransform2D Translate2D(double tx, double ty) {
  TTransform2D m;
  m.M[2][0] = tx;
  m.M[2][1] = ty;
  return m;
}

TTransform2D Rotate2D(double t) {
  TTransform2D m;
  m.M[0][0] = std::cos(t);
  m.M[0][1] = std::sin(t);
  m.M[1][0] = -std::sin(t);
  m.M[1][1] = std::cos(t);
  return m;
}

TTransform2D Scale2D(double sx, double sy) {
  TTransform2D m;
  m.M[0][0] = sx;
  m.M[1][1] = sy;
  return m;
}

TTransform2D Mirror2D(int kind) {
  TTransform2D m;
  if (kind == 0 || kind == 2) m.M[1][1] = -1;
  if (kind == 1 || kind == 2) m.M[0][0] = -1;
  return m;
}

TTransform2D MultiplyTransform2D(const TTransform2D& a, const TTransform2D& b) {
  TTransform2D r;
  if (a.IsAffine() && b.IsAffine()) {
    // The third column of two affine matrices' product is known; it stays exactly (0, 0, 1).
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 2; ++j) r.M[i][j] = a.M[i][0] * b.M[0][j] + a.M[i][1] * b.M[1][j] + (i == 2 ? b.M[2][j] : 0);
    r.M[0][2] = r.M[1][2] = 0;
    r.M[2][2] = 1;
    return r;
  }
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) r.M[i][j] = a.M[i][0] * b.M[0][j] + a.M[i][1] * b.M[1][j] + a.M[i][2] * b.M[2][j];
  return r;
}

double DetTransform2D(const TTransform2D& t) {
  const auto& m = t.M;
  return m[0][0] * m[1][1] * m[2][2] + m[0][1] * m[1][2] * m[2][0] + m[0][2] * m[1][0] * m[2][1] -
         m[0][2] * m[1][1] * m[2][0] - m[0][0] * m[1][2] * m[2][1] - m[0][1] * m[1][0] * m[2][2];
}

TTransform2D AdjointTransform2D(const TTransform2D& t) {
  const auto& m = t.M;
  TTransform2D r;
  r.M[0][0] = m[1][1] * m[2][2] - m[1][2] * m[2][1];
  r.M[0][1] = m[0][2] * m[2][1] - m[0][1] * m[2][2];
  r.M[0][2] = m[0][1] * m[1][2] - m[0][2] * m[1][1];
  r.M[1][0] = m[1][2] * m[2][0] - m[1][0] * m[2][2];
  r.M[1][1] = m[0][0] * m[2][2] - m[0][2] * m[2][0];
  r.M[1][2] = m[0][2] * m[1][0] - m[0][0] * m[1][2];
  r.M[2][0] = m[1][0] * m[2][1] - m[1][1] * m[2][0];
  r.M[2][1] = m[0][1] * m[2][0] - m[0][0] * m[2][1];
  r.M[2][2] = m[0][0] * m[1][1] - m[0][1] * m[1][0];
  return r;
}

TTransform2D InvertTransform2D(const TTransform2D& t) {
  const auto& m = t.M;
  TTransform2D r;
  if (t.IsAffine()) {
    const double det = m[0][0] * m[1][1] - m[1][0] * m[0][1];
    if (det == 0) return r;
    r.M[0][0] = m[1][1] / det;
    r.M[0][1] = -m[0][1] / det;
    r.M[1][0] = -m[1][0] / det;
    r.M[1][1] = m[0][0] / det;
    r.M[2][0] = (m[1][0] * m[2][1] - m[1][1] * m[2][0]) / det;
    r.M[2][1] = (m[0][1] * m[2][0] - m[0][0] * m[2][1]) / det;
    return r;
  }
  const double det = DetTransform2D(t);
  if (det == 0) return r;
  r = AdjointTransform2D(t);
  for (auto& row : r.M)
    for (double& v : row) v /= det;
  return r;
}

TPoint2D TransformPoint2D(const TPoint2D& p, const TTransform2D& t) {
  const auto& m = t.M;
  return {p.X * m[0][0] + p.Y * m[1][0] + p.W * m[2][0], p.X * m[0][1] + p.Y * m[1][1] + p.W * m[2][1],
          p.X * m[0][2] + p.Y * m[1][2] + p.W * m[2][2]};
}

TRect2D TransformRect2D(const TRect2D& r, const TTransform2D& m) {
  return {TransformPoint2D(r.First, m), TransformPoint2D(r.Second, m)};
}

TRect2D TransformBoundingBox2D(const TRect2D& r, const TTransform2D& m) {
  TRect2D diagonal1 = TransformRect2D(r, m);
  TRect2D diagonal2{TransformPoint2D({r.First.X, r.Second.Y, r.First.W}, m),
                    TransformPoint2D({r.Second.X, r.First.Y, r.Second.W}, m)};
  return UnionRect2D(diagonal1, diagonal2);
}

void TransformArcAngles(const TPoint2D& centre, const TTransform2D& m, double& start, double& end, double radius) {
  const TPoint2D c = CartesianPoint2D(TransformPoint2D(centre, m));
  const TPoint2D ps = CartesianPoint2D(TransformPoint2D(
      Point2D(centre.X + radius * std::cos(start), centre.Y + radius * std::sin(start)), m));
  const TPoint2D pe =
      CartesianPoint2D(TransformPoint2D(Point2D(centre.X + radius * std::cos(end), centre.Y + radius * std::sin(end)), m));
  start = std::atan2(ps.Y - c.Y, ps.X - c.X);
  end = std::atan2(pe.Y - c.Y, pe.X - c.X);
}

TTransform2D BuildViewTransform2D(TRect2D& window, const platform::Rect& screen, double aspect) {
  TRect2D w = ReorderRect2D(window);
  const double screenWidth = screen.Right - screen.Left, screenHeight = screen.Bottom - screen.Top;
  // A window flat in one direction (the extents of one horizontal or vertical line) gets its other
  // extent from the screen's shape here.
  if (aspect > 0 && screenHeight != 0 && screenWidth != 0) {
    const double b = aspect * screenWidth / screenHeight;
    if ((w.Second.X - w.First.X) / b >= w.Second.Y - w.First.Y)
      w.Second.Y = w.First.Y + (w.Second.X - w.First.X) / b;
    else
      w.Second.X = w.First.X + b * (w.Second.Y - w.First.Y);
    window = w;
  }
  // A window or screen without extent has no mapping; answer the identity, not infinities.
  if (w.Second.X == w.First.X || w.Second.Y == w.First.Y || screenWidth == 0 || screenHeight == 0) return {};
  const double sx = screenWidth / (w.Second.X - w.First.X);
  const double sy = (screen.Top - screen.Bottom) / (w.Second.Y - w.First.Y);
  TTransform2D m;
  m.M[0][0] = sx;
  m.M[1][1] = sy;
  m.M[2][0] = screen.Left - sx * w.First.X - 0.5;
  m.M[2][1] = screen.Bottom - sy * w.First.Y - 0.5;
  return m;
}

// ---- Rectangles and clipping ----

int ClipCode2D(const TRect2D& rect, const TPoint2D& p) {
  int code = 0;
  if (p.X < rect.First.X) code |= 1;
  if (p.X > rect.Second.X) code |= 4;
  if (p.Y < rect.First.Y) code |= 2;
  if (p.Y > rect.Second.Y) code |= 8;
  return code;
}

bool IsPointInRect2D(const TPoint2D& p, const TRect2D& rect) { return ClipCode2D(rect, p) == 0; }

bool IsBoxInBox2D(const TRect2D& inner, const TRect2D& outer) {
  const TRect2D i = CartesianRect2D(inner), o = CartesianRect2D(outer);
  return ClipCode2D(o, i.First) == 0 && ClipCode2D(o, i.Second) == 0;
}

bool BoxOverlaps2D(const TRect2D& a, const TRect2D& b) {
  const TRect2D ra = ReorderRect2D(a), rb = ReorderRect2D(b);
  return (ClipCode2D(rb, ra.First) & ClipCode2D(rb, ra.Second)) == 0;
}

TRect2D UnionRect2D(const TRect2D& a, const TRect2D& b) {
  const TRect2D ra = ReorderRect2D(a), rb = ReorderRect2D(b);
  return Rect2D(std::min(ra.First.X, rb.First.X), std::min(ra.First.Y, rb.First.Y), std::max(ra.Second.X, rb.Second.X),
                std::max(ra.Second.Y, rb.Second.Y));
}

namespace {

// Liang-Barsky against the X bounds, the Y bounds or both.
int ClipSegment(const TRect2D& rect, TPoint2D& p1, TPoint2D& p2, bool testX, bool testY) {
  const TPoint2D a = CartesianPoint2D(p1), b = CartesianPoint2D(p2);
  const double dx = b.X - a.X, dy = b.Y - a.Y;
  if (dx == 0 && dy == 0) {
    const int code = ClipCode2D(rect, a) & ((testX ? 5 : 0) | (testY ? 10 : 0));
    if (code == 0) {
      p1 = a;
      p2 = b;
      return CLIP_UNTOUCHED;
    }
  }
  double tE = 0, tL = 1;
  auto test = [&](double n, double q) {
    if (q > 0) {
      const double t = n / q;
      if (t > tL) return false;
      if (t > tE) tE = t;
    } else if (q < 0) {
      const double t = n / q;
      if (t < tE) return false;
      if (t < tL) tL = t;
    } else if (n > 0) {
      return false;
    }
    return true;
  };
  if (testX && (!test(rect.First.X - a.X, dx) || !test(a.X - rect.Second.X, -dx))) return CLIP_REJECTED;
  if (testY && (!test(rect.First.Y - a.Y, dy) || !test(a.Y - rect.Second.Y, -dy))) return CLIP_REJECTED;
  int result = 0;
  p1 = a;
  p2 = b;
  if (tL < 1) {
    p2 = Point2D(a.X + tL * dx, a.Y + tL * dy);
    result |= CLIP_SECOND_MOVED;
  }
  if (tE > 0) {
    p1 = Point2D(a.X + tE * dx, a.Y + tE * dy);
    result |= CLIP_FIRST_MOVED;
  }
  return result == 0 ? CLIP_UNTOUCHED : result;
}

}  // namespace

int ClipSegment2D(const TRect2D& rect, TPoint2D& p1, TPoint2D& p2) { return ClipSegment(rect, p1, p2, true, true); }
int ClipSegmentX2D(const TRect2D& rect, TPoint2D& p1, TPoint2D& p2) { return ClipSegment(rect, p1, p2, true, false); }
int ClipSegmentY2D(const TRect2D& rect, TPoint2D& p1, TPoint2D& p2) { return ClipSegment(rect, p1, p2, false, true); }

void OrthoPoint2D(const TPoint2D& p1, TPoint2D& p2) {
  const TPoint2D a = CartesianPoint2D(p1);
  p2 = CartesianPoint2D(p2);
  if (std::abs(p2.X - a.X) > std::abs(p2.Y - a.Y))
    p2.Y = a.Y;
  else
    p2.X = a.X;
}

// ---- Hit tests ----

bool PointSegmentDistance2D(const TPoint2D& p, const TPoint2D& a, const TPoint2D& b, double& distance) {
  distance = kNoDistance;
  const double dx = b.X - a.X, dy = b.Y - a.Y;
  const double length2 = dx * dx + dy * dy;
  if (length2 == 0) return false;
  const double t = ((p.X - a.X) * dx + (p.Y - a.Y) * dy) / length2;
  if (t < 0 || t > 1) return false;
  distance = std::abs((p.X - a.X) * dy - (p.Y - a.Y) * dx) / std::sqrt(length2);
  return true;
}

bool IsPointNearPoint2D(const TPoint2D& p, const TPoint2D& q, double aperture, double& distance) {
  const TPoint2D a = CartesianPoint2D(p), b = CartesianPoint2D(q);
  if (std::abs(b.X - a.X) <= aperture && std::abs(b.Y - a.Y) <= aperture) {
    distance = PointDistance2D(a, b);
    return true;
  }
  distance = kNoDistance;
  return false;
}

int PolylinePick2D(const TPoint2D* points, int count, const TPoint2D& p, bool closed, const TTransform2D& m,
                   double aperture, double& distance) {
  distance = kNoDistance;
  if (count <= 0 || points == nullptr) return PICK_NOOBJECT;
  const TPoint2D q = CartesianPoint2D(p);
  const int segments = closed ? count : count - 1;
  double limit = aperture;
  int result = PICK_NOOBJECT;
  for (int i = 0; i < segments; ++i) {
    const TPoint2D a = CartesianPoint2D(TransformPoint2D(points[i], m));
    const TPoint2D b = CartesianPoint2D(TransformPoint2D(points[(i + 1) % count], m));
    double d;
    if (PointSegmentDistance2D(q, a, b, d) && d <= limit) {
      result = PICK_ONOBJECT;
      limit = d;
      distance = d;
    }
  }
  return result;
}

bool RayCrossesEdge2D(const TPoint2D& p, const TPoint2D& a, const TPoint2D& b) {
  if (!((p.Y >= a.Y && p.Y < b.Y) || (p.Y < a.Y && p.Y >= b.Y))) return false;
  return p.X <= a.X + (p.Y - a.Y) * (b.X - a.X) / (b.Y - a.Y);
}

int PolygonPick2D(const TPoint2D* points, int count, const TPoint2D& p, const TTransform2D& m, double aperture,
                  double& distance) {
  distance = kNoDistance;
  if (count <= 0 || points == nullptr) return PICK_NOOBJECT;
  const TPoint2D q = CartesianPoint2D(p);
  double limit = aperture;
  int result = PICK_NOOBJECT;
  int crossings = 0;
  for (int i = 0; i < count; ++i) {
    const TPoint2D a = CartesianPoint2D(TransformPoint2D(points[i], m));
    const TPoint2D b = CartesianPoint2D(TransformPoint2D(points[(i + 1) % count], m));
    double d;
    if (PointSegmentDistance2D(q, a, b, d) && d <= limit) {
      limit = d;
      if (d < aperture) {
        result = PICK_ONOBJECT;
        distance = d;
      }
    } else if (RayCrossesEdge2D(q, a, b)) {
      ++crossings;
    }
  }
  if (result != PICK_ONOBJECT && crossings % 2 == 1) {
    result = PICK_INOBJECT;
    distance = aperture;
  }
  return result;
}

}  // namespace cad
