// Random lines, arcs and circles broken, trimmed and joined by tangents: nothing that is not finite
// may enter the drawing, and every piece must lie on the object it came from.
#include <random>

#include "cad/break2d.h"
#include "cad/corner2d.h"
#include "cad/tangent_line2d.h"
#include "construction_test_support.h"

namespace cad {
namespace {

class ConstructionFuzzTest : public ConstructionTest {
 protected:
  double Uniform(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(random); }

  // A random line, arc or circle, and a point picked on it.
  TCurve AddRandom(TPoint2D& picked) {
    const int kind = std::uniform_int_distribution<int>(0, 2)(random);
    const double x = Uniform(-40, 40), y = Uniform(-40, 40), r = Uniform(1, 30);
    const int32_t id = kind == 0   ? AddLine(x, y, Uniform(-50, 50), Uniform(-50, 50))
                       : kind == 1 ? AddArc(x, y, r, Uniform(0, 2 * kPi), Uniform(0, 2 * kPi))
                                   : AddCircle(x, y, r);
    TCurve c;
    EXPECT_TRUE(ReadCurve(*drawing.GetObject(id), c));
    const double t = Uniform(0.05, 0.95), a = c.Arc.StartAngle + (c.Arc.Clockwise ? -t : t) * c.Arc.Sweep;
    picked = c.IsLine ? Point2D(c.P0.X + t * (c.P1.X - c.P0.X), c.P0.Y + t * (c.P1.Y - c.P0.Y))
                      : Point2D(c.Arc.Centre.X + r * std::cos(a), c.Arc.Centre.Y + r * std::sin(a));
    return c;
  }

  std::mt19937 random{20240516};
};

TEST_F(ConstructionFuzzTest, BreakCutsSourcesAtCrossingsOnly) {
  for (int round = 0; round < 300; ++round) {
    const std::string what = "round " + std::to_string(round);
    drawing.ClearObjects();
    TPoint2D at0, at1;
    const TCurve sources[2] = {AddRandom(at0), AddRandom(at1)};
    BreakAtCrossings2D(drawing, Pick(sources[0].ID, sources[1].ID, at0, at1));
    double covered[2] = {0, 0};
    for (const TCurve& piece : Objects(what)) {
      int from = -1;
      for (int i = 0; i < 2 && from < 0; ++i)
        if (sources[i].IsLine == piece.IsLine && sources[i].Holds(piece.P0) && sources[i].Holds(piece.P1) &&
            (piece.IsLine || sources[i].Holds(piece.Middle)))
          from = i;
      ASSERT_GE(from, 0) << what << ": object " << piece.ID << " lies on no source";
      covered[from] += piece.Size();
      // A piece ends at an end of its source or where the other object crosses it.
      const TCurve &own = sources[from], &other = sources[1 - from];
      for (const TPoint2D& end : {piece.P0, piece.P1}) {
        const bool sourceEnd = !own.Full() && (IsSamePoint2D(end, own.P0) || IsSamePoint2D(end, own.P1));
        EXPECT_TRUE(piece.Full() || sourceEnd || other.Holds(end)) << what << ": cut off a crossing";
      }
    }
    for (int i = 0; i < 2; ++i) EXPECT_NEAR(covered[i], sources[i].Size(), 1e-6) << what << ": pieces cover the source";
  }
}

TEST_F(ConstructionFuzzTest, CornersKeepObjectsOnTheirSources) {
  for (int round = 0; round < 300; ++round) {
    const std::string what = "round " + std::to_string(round);
    const TConstructionSettings settings{0, Uniform(0.5, 5), round % 2 == 0};
    const std::mt19937 pair = random;
    for (int command = 0; command < 3; ++command) {
      random = pair;  // the same two objects for every command
      drawing.ClearObjects();
      TPoint2D at0, at1;
      const TCurve a = AddRandom(at0), b = AddRandom(at1);
      const TTwoObjectPick pick = Pick(a.ID, b.ID, at0, at1);
      if (command == 0) TrimCorner2D(drawing, pick, settings);
      if (command == 1) TangentArc2D(drawing, pick, settings);
      if (command == 2) TangentLine2D(drawing, pick);
      for (const TCurve& c : Objects(what)) {
        if (command == 2 || (command == 1 && !c.IsLine && IsSameFloat(c.Arc.Radius, settings.TangentArcRadius)))
          continue;  // a new tangent
        if (c.IsLine) {
          // Trimmed or extended along its own line, under its own ID.
          const TCurve& source = c.ID == a.ID ? a : b;
          for (const TPoint2D& p : {c.P0, c.P1})
            EXPECT_LT(PointDistance2D(PerpendicularFoot2D(p, source.P0, source.P1), p), 1e-6) << what;
        } else {
          const bool onA = !a.IsLine && a.Holds(c.P0) && a.Holds(c.P1) && a.Holds(c.Middle);
          const bool onB = !b.IsLine && b.Holds(c.P0) && b.Holds(c.P1) && b.Holds(c.Middle);
          EXPECT_TRUE(onA || onB) << what << ": arc " << c.ID << " off its source";
        }
      }
    }
  }
}

}  // namespace
}  // namespace cad
