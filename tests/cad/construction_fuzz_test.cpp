// Random lines, arcs and circles broken, trimmed and joined by tangents: nothing that is not finite
// may enter the drawing, and every piece must lie on the object it came from.
#include <random>

#include "cad/break2d.h"
#include "cad/corner2d.h"
#include "cad/intersections.h"
#include "cad/tangent_line2d.h"
#include "construction_test_support.h"

namespace cad {
namespace {

class ConstructionFuzzTest : public ConstructionTest {
 protected:
  struct TSource {
    int32_t ID = -1;
    bool IsLine = false;
    TPoint2D P0, P1;  // a line
    TArcPoints Arc;   // an arc or a circle
  };

  double Uniform(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(random); }

  // A random line, arc or circle and a point picked on it.
  TSource AddRandom(TPoint2D& picked) {
    TSource s;
    const int kind = std::uniform_int_distribution<int>(0, 2)(random);
    if (kind == 0) {
      s.ID = AddLine(Uniform(-50, 50), Uniform(-50, 50), Uniform(-50, 50), Uniform(-50, 50));
      s.IsLine = true;
      ReadLine2D(*drawing.GetObject(s.ID), s.P0, s.P1);
      const double t = Uniform(0.05, 0.95);
      picked = Point2D(s.P0.X + t * (s.P1.X - s.P0.X), s.P0.Y + t * (s.P1.Y - s.P0.Y));
      return s;
    }
    const double cx = Uniform(-40, 40), cy = Uniform(-40, 40), r = Uniform(1, 30);
    s.ID = kind == 1 ? AddArc(cx, cy, r, Uniform(0, 2 * kPi), Uniform(0, 2 * kPi)) : AddCircle(cx, cy, r);
    if (kind == 1)
      ReadArc2D(*drawing.GetObject(s.ID), s.Arc);
    else
      ReadCircle2D(*drawing.GetObject(s.ID), s.Arc);
    const double a = s.Arc.StartAngle + (s.Arc.Clockwise ? -1 : 1) * Uniform(0.05, 0.95) * s.Arc.Sweep;
    picked = Point2D(cx + r * std::cos(a), cy + r * std::sin(a));
    return s;
  }

  static bool OnSegment(const TSource& s, const TPoint2D& p) {
    TPoint2D foot = ClosestPointOnSegment2D(p, s.P0, s.P1);
    return s.IsLine && PointDistance2D(foot, p) < 1e-6;
  }
  static bool OnLineThrough(const TSource& s, const TPoint2D& p) {
    return s.IsLine && PointDistance2D(PerpendicularFoot2D(p, s.P0, s.P1), p) < 1e-6;
  }
  static bool OnArc(const TSource& s, const TArcPoints& piece) {
    const TPoint2D middle = Point2D(piece.Centre.X + piece.Radius * std::cos(piece.StartAngle + piece.Sweep / 2),
                                    piece.Centre.Y + piece.Radius * std::sin(piece.StartAngle + piece.Sweep / 2));
    return !s.IsLine && IsSamePoint2D(piece.Centre, s.Arc.Centre) && IsSameFloat(piece.Radius, s.Arc.Radius) &&
           IsPointOnArc2D(s.Arc, piece.StartPoint) && IsPointOnArc2D(s.Arc, piece.EndPoint) &&
           IsPointOnArc2D(s.Arc, middle);
  }

  static bool OnSource(const TSource& s, const TPoint2D& p) {
    return s.IsLine ? OnSegment(s, p) : IsPointOnArc2D(s.Arc, p);
  }
  // A piece ends at an end of its source or at a point of the other object: a real crossing.
  static bool IsEndOrCrossing(const TSource& own, const TSource& other, const TPoint2D& p) {
    const bool full = !own.IsLine && own.Arc.Sweep >= 2 * kPi - 1e-9;
    const bool end = own.IsLine ? IsSamePoint2D(p, own.P0) || IsSamePoint2D(p, own.P1)
                                : !full && (IsSamePoint2D(p, own.Arc.StartPoint) || IsSamePoint2D(p, own.Arc.EndPoint));
    return end || OnSource(other, p);
  }

  // Every point of every object finite.
  void ExpectAllFinite(const std::string& what) {
    auto it = drawing.ObjectsIterator();
    for (TGraphicObject* o = it->First(); o; o = it->Next()) {
      const TPointsSet2D& points = static_cast<TPrimitive2D&>(*o).Points();
      for (int i = 0; i < points.Count(); ++i)
        ASSERT_TRUE(IsFinitePoint2D(points.Points()[i])) << what << ": object " << o->ID << " point " << i;
      if (auto* arc = dynamic_cast<TArco2D*>(o)) {
        ASSERT_TRUE(std::isfinite(arc->StartAngle()) && std::isfinite(arc->EndAngle())) << what;
      }
    }
  }

  std::mt19937 random{20240516};
};

TEST_F(ConstructionFuzzTest, BreakKeepsPiecesOnTheirSources) {
  for (int round = 0; round < 300; ++round) {
    drawing.ClearObjects();
    TPoint2D at0, at1;
    const TSource a = AddRandom(at0), b = AddRandom(at1);
    const std::string what = "round " + std::to_string(round);
    BreakAtCrossings2D(drawing, Pick(a.ID, b.ID, at0, at1));
    ExpectAllFinite(what);
    // Each source is either untouched or wholly covered by its pieces.
    double lengths[2] = {0, 0}, sweeps[2] = {0, 0};
    const TSource* sources[2] = {&a, &b};
    for (const auto& l : Lines()) {
      bool found = false;
      for (int i = 0; i < 2 && !found; ++i)
        if (OnSegment(*sources[i], l.P0) && OnSegment(*sources[i], l.P1)) {
          lengths[i] += PointDistance2D(l.P0, l.P1);
          found = true;
          EXPECT_TRUE(IsEndOrCrossing(*sources[i], *sources[1 - i], l.P0) &&
                      IsEndOrCrossing(*sources[i], *sources[1 - i], l.P1))
              << what << ": line " << l.ID << " cut off a crossing";
        }
      EXPECT_TRUE(found) << what << ": line " << l.ID << " lies on no source";
    }
    for (const auto& arc : Arcs()) {
      bool found = false;
      for (int i = 0; i < 2 && !found; ++i)
        if (OnArc(*sources[i], arc.Arc)) {
          sweeps[i] += arc.Arc.Sweep;
          found = true;
          EXPECT_TRUE(arc.Arc.Sweep >= 2 * kPi - 1e-9 ||
                      (IsEndOrCrossing(*sources[i], *sources[1 - i], arc.Arc.StartPoint) &&
                       IsEndOrCrossing(*sources[i], *sources[1 - i], arc.Arc.EndPoint)))
              << what << ": arc " << arc.ID << " cut off a crossing";
        }
      EXPECT_TRUE(found) << what << ": arc " << arc.ID << " lies on no source";
    }
    for (int i = 0; i < 2; ++i) {
      if (sources[i]->IsLine)
        EXPECT_NEAR(lengths[i], PointDistance2D(sources[i]->P0, sources[i]->P1), 1e-6) << what;
      else
        EXPECT_NEAR(sweeps[i], sources[i]->Arc.Sweep, 1e-6) << what;
    }
  }
}

TEST_F(ConstructionFuzzTest, CornersKeepObjectsOnTheirSources) {
  for (int round = 0; round < 300; ++round) {
    const std::string what = "round " + std::to_string(round);
    TConstructionSettings settings{0, Uniform(0.5, 5), round % 2 == 0};
    for (int command = 0; command < 3; ++command) {
      drawing.ClearObjects();
      std::mt19937 again = random;
      TPoint2D at0, at1;
      const TSource a = AddRandom(at0), b = AddRandom(at1);
      if (command < 2) random = again;  // the same pair for every command
      const TTwoObjectPick pick = Pick(a.ID, b.ID, at0, at1);
      if (command == 0) TrimCorner2D(drawing, pick, settings);
      if (command == 1) TangentArc2D(drawing, pick, settings);
      if (command == 2) TangentLine2D(drawing, pick);
      ExpectAllFinite(what);
      if (command == 2) continue;
      for (const auto& l : Lines()) {
        const TSource& source = l.ID == a.ID ? a : b;
        EXPECT_TRUE(OnLineThrough(source, l.P0) && OnLineThrough(source, l.P1)) << what << ": line off its source";
      }
      for (const auto& arc : Arcs()) {
        const bool tangentArc = command == 1 && IsSameFloat(arc.Arc.Radius, settings.TangentArcRadius) &&
                                !OnArc(a, arc.Arc) && !OnArc(b, arc.Arc);
        EXPECT_TRUE(tangentArc || OnArc(a, arc.Arc) || OnArc(b, arc.Arc)) << what << ": arc " << arc.ID;
      }
    }
  }
}

}  // namespace
}  // namespace cad
