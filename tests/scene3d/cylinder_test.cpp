// Polynomial roots, and the cylinder: its extents and placement by alignment, its ray test against
// straight and tapered sides, its parts, and where it stands on Mesa.
#include "scene3d/cylinder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "expect_vectors.h"
#include "recording_render.h"
#include "scene3d/polynomial_roots.h"
#include "scene_fixture.h"

using namespace scene3d;
using testing_support::Primitive;
using testing_support::RecordingRender;
using testing_support::Rgb;
using testing_support::SceneFixture;

TEST(PolynomialRoots, SolveEachDegree) {
  struct Case {
    const char* what;
    std::vector<double> coefficients;  // lowest first
    std::vector<double> roots;         // sorted
  };
  const Case cases[] = {
      {"double root", {1, 2, 1}, {-1}},
      {"no real root", {1, 0, 1}, {}},
      {"two roots", {-6, 1, 1}, {-3, 2}},
      {"linear when the leading coefficient is 0", {2, 4, 0}, {-0.5}},
      {"constant", {2, 0, 0}, {}},
      {"cubic 1 2 3", {-6, 11, -6, 1}, {1, 2, 3}},
      {"cubic with one real root", {-1, 0, 0, 1}, {1}},
      {"triple root", {-8, 12, -6, 1}, {2}},
      {"cubic with a zero leading coefficient", {-6, 1, 1, 0}, {-3, 2}},
      {"quartic 1 2 3 4", {24, -50, 35, -10, 1}, {1, 2, 3, 4}},
      {"quartic without real roots", {1, 0, 0, 0, 1}, {}},
      {"biquadratic", {4, 0, -5, 0, 1}, {-2, -1, 1, 2}},
  };
  for (const Case& c : cases) {
    const auto& k = c.coefficients;
    std::vector<double> roots = k.size() == 3   ? SolveQuadratic(k[0], k[1], k[2])
                                : k.size() == 4 ? SolveCubic(k[0], k[1], k[2], k[3])
                                                : SolveQuartic(k[0], k[1], k[2], k[3], k[4]);
    std::sort(roots.begin(), roots.end());
    // A repeated root may come back more than once.
    roots.erase(std::unique(roots.begin(), roots.end(), [](double a, double b) { return std::fabs(a - b) < 1e-6; }),
                roots.end());
    ASSERT_EQ(roots.size(), c.roots.size()) << c.what;
    for (size_t i = 0; i < roots.size(); ++i) EXPECT_NEAR(roots[i], c.roots[i], 1e-9) << c.what;
  }
  EXPECT_EQ(SmallestNonNegativeRoot({-1, 3, 2}), 2.0);
  EXPECT_EQ(SmallestNonNegativeRoot({-1, -2}), std::nullopt);
  EXPECT_EQ(SmallestNonNegativeRoot({0, 5}), 0.0);
  EXPECT_NEAR(CubeRoot(-27), -3, 1e-12);
  EXPECT_EQ(CubeRoot(0), 0);
}

TEST(Cylinder, AlignmentPlacesItAndItsBox) {
  struct Case {
    TCylinderAlignment alignment;
    float bottom, top, halfHeight;
  };
  const Case cases[] = {{caCenter, -1, 1, 1}, {caTop, -2, 0, 2}, {caBottom, 0, 2, 2}};
  for (const Case& c : cases) {
    TGLCylinder cylinder(nullptr);
    cylinder.SetHeight(2);
    cylinder.SetBottomRadius(1);
    cylinder.SetTopRadius(-3);
    cylinder.SetAlignment(c.alignment);
    EXPECT_EQ(cylinder.BottomY(), c.bottom) << int(c.alignment);
    EXPECT_EQ(cylinder.TopY(), c.top) << int(c.alignment);
    ExpectNear(cylinder.HalfExtents(), {3, c.halfHeight, 3, 0}, 0, "alignment " + std::to_string(int(c.alignment)));

    RecordingRender r;
    cylinder.SetTopRadius(1);
    cylinder.SetParts(cySides);
    cylinder.BuildList(r.rci);
    // The drawing turns the quadric's Z to Y and shifts it along Z: the sides' extent along Z.
    float low = 1e9f, high = -1e9f;
    float shift = 0;
    for (const auto& call : r.gl.calls)
      if (call.name == "Translatef" && shift == 0) shift = float(call.args[2]);
    for (const Primitive& p : r.Primitives())
      for (const TVector3f& v : p.vertices) {
        low = std::min(low, v.z + shift);
        high = std::max(high, v.z + shift);
      }
    EXPECT_NEAR(low, c.bottom, 1e-6) << int(c.alignment);
    EXPECT_NEAR(high, c.top, 1e-6) << int(c.alignment);
  }
}

TEST(Cylinder, RayTestKeepsTheNearestHitAndFollowsTheTaper) {
  TGLCylinder cylinder(nullptr);
  cylinder.SetHeight(2);
  TVector4f hit, normal;
  // From above along the axis: the top cap, not the bottom one behind it.
  ASSERT_TRUE(cylinder.RayIntersect({0.1f, 10, 0, 1}, {0, -1, 0, 0}, &hit, &normal));
  ExpectNear(hit, {0.1f, 1, 0, 1}, 1e-5, "top cap");
  ExpectNear(normal, {0, 1, 0, 0}, 1e-6, "top normal");
  // From the side: the near wall.
  ASSERT_TRUE(cylinder.RayIntersect({10, 0.5f, 0, 1}, {-1, 0, 0, 0}, &hit, &normal));
  ExpectNear(hit, {0.5f, 0.5f, 0, 1}, 1e-5, "near wall");
  ExpectNear(normal, {1, 0, 0, 0}, 1e-5, "wall normal");
  // From inside: the wall ahead.
  ASSERT_TRUE(cylinder.RayIntersect({0, 0, 0, 1}, {0, 0, 1, 0}, &hit, &normal));
  ExpectNear(hit, {0, 0, 0.5f, 1}, 1e-5, "from inside");
  EXPECT_FALSE(cylinder.RayIntersect({10, 1.5f, 0, 1}, {-1, 0, 0, 0}, &hit, &normal)) << "above it";

  // A cone (top radius 0): near the apex the side is thin.
  cylinder.SetTopRadius(0);
  cylinder.SetBottomRadius(1);
  EXPECT_FALSE(cylinder.RayIntersect({10, 0.9f, 0.3f, 1}, {-1, 0, 0, 0}, &hit, &normal)) << "passes the thin top";
  ASSERT_TRUE(cylinder.RayIntersect({10, 0, 0, 1}, {-1, 0, 0, 0}, &hit, &normal));
  ExpectNear(hit, {0.5f, 0, 0, 1}, 1e-5, "cone wall half way up");
  ExpectNear(normal, {0.894427f, 0.447214f, 0, 0}, 1e-5, "cone normal leans up");
  cylinder.SetParts(cyBottom);
  ASSERT_TRUE(cylinder.RayIntersect({0.9f, -10, 0, 1}, {0, 1, 0, 0}, &hit, &normal));
  ExpectNear(hit, {0.9f, -1, 0, 1}, 1e-5, "bottom cap of the wide end");
}

TEST(Cylinder, PartsAndLoops) {
  TGLCylinder cylinder(nullptr);
  cylinder.SetLoops(3);
  cylinder.SetLoops(0);
  EXPECT_EQ(cylinder.Loops(), 3) << "0 keeps the previous value";
  struct Case {
    TCylinderParts parts;
    int strips;
  };
  // Stacks 4, three loops per disc.
  const Case cases[] = {{cySides, 4}, {cyTop, 3}, {cySides | cyBottom | cyTop, 4 + 3 + 3}};
  for (const Case& c : cases) {
    RecordingRender r;
    cylinder.SetParts(c.parts);
    cylinder.BuildList(r.rci);
    EXPECT_EQ(r.Count("Begin"), c.strips) << int(c.parts);
    EXPECT_EQ(r.Count("PushMatrix"), r.Count("PopMatrix"));
  }
  TGLCylinder copy(nullptr);
  cylinder.SetAlignment(caBottom);
  copy.Assign(&cylinder);
  EXPECT_EQ(copy.Alignment(), caBottom);
  EXPECT_EQ(copy.Loops(), 3);
}

TEST(Cylinder, StandsWhereItsAlignmentSaysOnMesa) {
  SKIP_WITHOUT_EGL();
  struct Case {
    TCylinderAlignment alignment;
    bool above, below;  // world y = +0.85 (pixel row 91) and y = -0.95 (row 109)
  };
  const Case cases[] = {{caBottom, true, false}, {caTop, false, true}, {caCenter, true, true}};
  for (const Case& c : cases) {
    SceneFixture f;
    f.viewer.Buffer().SetLighting(false);
    auto* cylinder = f.scene.Objects()->CreateChild<TGLCylinder>();
    cylinder->SetHeight(2);
    cylinder->SetAlignment(c.alignment);
    cylinder->Material().FrontProperties().Diffuse().SetColor({1, 1, 1, 1});
    f.Render();
    const Rgb background{0, 0, 0};
    EXPECT_EQ(f.At(100, 91) != background, c.above) << int(c.alignment);
    EXPECT_EQ(f.At(100, 109) != background, c.below) << int(c.alignment);
  }
}
