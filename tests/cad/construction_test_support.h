// Shared by the construction tests: a drawing with the entity library started, short ways to add
// lines, arcs and circles, and its lines, arcs and circles read back in drawing coordinates.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "cad/construction.h"
#include "cad/intersections.h"
#include "entity_test_support.h"

namespace cad {

inline constexpr double kPi = std::numbers::pi;

// A line from P0 to P1, or an arc or circle (Arc) from P0 to P1 through Middle.
struct TCurve {
  int32_t ID = -1;
  bool IsLine = false;
  TPoint2D P0, P1, Middle;
  TArcPoints Arc;
  bool Full() const { return !IsLine && Arc.Sweep >= 2 * kPi - 1e-9; }
  double Size() const { return IsLine ? PointDistance2D(P0, P1) : Arc.Sweep; }
  bool Holds(const TPoint2D& p) const {
    return IsLine ? PointDistance2D(ClosestPointOnSegment2D(p, P0, P1), p) < 1e-6 : IsPointOnArc2D(Arc, p);
  }
};

inline bool ReadCurve(const TObject2D& o, TCurve& c) {
  c.ID = o.ID;
  c.IsLine = ReadLine2D(o, c.P0, c.P1);
  if (c.IsLine) return true;
  if (!ReadArc2D(o, c.Arc) && !ReadCircle2D(o, c.Arc)) return false;
  const double middle = c.Arc.StartAngle + (c.Arc.Clockwise ? -0.5 : 0.5) * c.Arc.Sweep;
  c.P0 = c.Arc.StartPoint;
  c.P1 = c.Arc.EndPoint;
  c.Middle = Point2D(c.Arc.Centre.X + c.Arc.Radius * std::cos(middle), c.Arc.Centre.Y + c.Arc.Radius * std::sin(middle));
  return true;
}

class ConstructionTest : public EntitiesTest {
 protected:
  int32_t AddLine(double x1, double y1, double x2, double y2) {
    return drawing.AddObject(-1, std::make_unique<TLine2D>(-1, Point2D(x1, y1), Point2D(x2, y2)))->ID;
  }
  int32_t AddArc(double cx, double cy, double r, double start, double end) {
    return drawing.AddObject(-1, std::make_unique<TArco2D>(-1, Point2D(cx, cy), Point2D(cx + r, cy), start, end))->ID;
  }
  int32_t AddCircle(double cx, double cy, double r) {
    return drawing.AddObject(-1, std::make_unique<TCerchio2D>(-1, Point2D(cx, cy), Point2D(cx + r, cy)))->ID;
  }
  static TTwoObjectPick Pick(int32_t first, int32_t second, TPoint2D at0, TPoint2D at1) {
    return {first, second, {at0, at1}};
  }
  // The lines, arcs and circles of the drawing in order; a coordinate that is not finite fails.
  std::vector<TCurve> Objects(const std::string& what = "") {
    std::vector<TCurve> curves;
    auto it = drawing.ObjectsIterator();
    for (TGraphicObject* o = it->First(); o; o = it->Next()) {
      const TPointsSet2D& points = static_cast<TPrimitive2D&>(*o).Points();
      for (int i = 0; i < points.Count(); ++i)
        EXPECT_TRUE(IsFinitePoint2D(points.Points()[i])) << what << ": object " << o->ID << " point " << i;
      TCurve c;
      if (ReadCurve(static_cast<TObject2D&>(*o), c)) curves.push_back(c);
    }
    return curves;
  }
  std::vector<TCurve> Lines() { return Only(true); }
  std::vector<TCurve> Arcs() { return Only(false); }

  TKQCmp2D drawing;

 private:
  std::vector<TCurve> Only(bool lines) {
    std::vector<TCurve> all = Objects(), some;
    for (const TCurve& c : all)
      if (c.IsLine == lines) some.push_back(c);
    return some;
  }
};

inline void ExpectPoint(const TPoint2D& p, double x, double y, const std::string& what) {
  EXPECT_NEAR(p.X, x, 1e-9) << what;
  EXPECT_NEAR(p.Y, y, 1e-9) << what;
}

// The same angle, whatever turn it is written in.
inline void ExpectAngle(double actual, double expected, const std::string& what) {
  EXPECT_NEAR(std::remainder(actual - expected, 2 * kPi), 0, 1e-9) << what;
}

}  // namespace cad
