// Shared by the construction tests: a drawing with the entity library started, short ways to add
// lines, arcs and circles, and the objects of the drawing read back in drawing coordinates.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "cad/construction.h"
#include "entity_test_support.h"

namespace cad {

inline constexpr double kPi = std::numbers::pi;

struct TSeenLine {
  int32_t ID;
  TPoint2D P0, P1;
};

struct TSeenArc {
  int32_t ID;
  TArcPoints Arc;
};

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
  std::vector<TSeenLine> Lines() {
    std::vector<TSeenLine> lines;
    auto it = drawing.ObjectsIterator();
    for (TGraphicObject* o = it->First(); o; o = it->Next()) {
      TPoint2D p, q;
      if (ReadLine2D(static_cast<TObject2D&>(*o), p, q)) lines.push_back({o->ID, p, q});
    }
    return lines;
  }
  std::vector<TSeenArc> Arcs() {
    std::vector<TSeenArc> arcs;
    auto it = drawing.ObjectsIterator();
    for (TGraphicObject* o = it->First(); o; o = it->Next()) {
      TArcPoints a;
      if (ReadArc2D(static_cast<TObject2D&>(*o), a)) arcs.push_back({o->ID, a});
    }
    return arcs;
  }

  TKQCmp2D drawing;
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
