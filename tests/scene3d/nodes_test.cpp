// Nodes: change notification, arcs, the geometry of the node run, and filled polygons through the
// tessellator (recorded), self-intersecting ones included.
#include "scene3d/nodes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "expect_vectors.h"
#include "recording_render.h"
#include "scene3d/update_able.h"
#include "scene3d/vectors.h"

using namespace scene3d;
using testing_support::Primitive;
using testing_support::RecordingRender;

namespace {

// Counts what its nodes tell it.
class CountingOwner : public TGLUpdateAbleComponent {
 public:
  CountingOwner() : TGLUpdateAbleComponent(nullptr) {}
  void NotifyChange(TObject* sender) override {
    ++changes;
    last = sender;
  }
  int changes = 0;
  TObject* last = nullptr;
};

// Twice the area of every triangle drawn, as seen along Z.
double TriangleArea(const std::vector<Primitive>& primitives) {
  double area = 0;
  auto add = [&](const TVector3f& a, const TVector3f& b, const TVector3f& c) {
    area += std::fabs((b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y)) / 2;
  };
  for (const Primitive& p : primitives) {
    const auto& v = p.vertices;
    for (size_t i = 2; i < v.size(); ++i) {
      if (p.mode == GL_TRIANGLES && i % 3 == 2) add(v[i - 2], v[i - 1], v[i]);
      if (p.mode == GL_TRIANGLE_FAN) add(v[0], v[i - 1], v[i]);
      if (p.mode == GL_TRIANGLE_STRIP) add(v[i - 2], v[i - 1], v[i]);
    }
  }
  return area;
}

}  // namespace

TEST(Nodes, ChangesReachTheOwnerOncePerUpdate) {
  CountingOwner owner;
  TGLNodes nodes(&owner);
  TGLNode* node = nodes.AddNode(1, 2, 3);
  EXPECT_EQ(owner.changes, 1) << "adding a node at a place";
  EXPECT_EQ(owner.last, &nodes);
  owner.changes = 0;
  nodes.BeginUpdate();
  node->SetX(5);
  node->SetY(6);
  nodes.AddNode();
  EXPECT_EQ(owner.changes, 0) << "nothing while the update is open";
  nodes.EndUpdate();
  EXPECT_EQ(owner.changes, 1) << "once at the end";
  node->SetZ(7);
  EXPECT_EQ(owner.changes, 2);
  EXPECT_EQ(node->GetDisplayName(), "5.0000; 6.0000; 7.0000");
  EXPECT_EQ(nodes.Items(1)->AsVector().w, 0) << "a new node is all zero";

  const std::unique_ptr<TGLNodes> copy = nodes.CreateCopy(nullptr);
  ASSERT_EQ(copy->Count(), 2);
  ExpectNear(copy->Items(0)->AsAffine(), {5, 6, 7}, 0, "copied node");
}

TEST(Nodes, ArcsRunFromTheStartAngleToTheStopAngle) {
  TGLNodes nodes(nullptr);
  nodes.AddArcNodes(1, {1, 2, 3}, 2, 0, float(M_PI / 2), 4);
  ASSERT_EQ(nodes.Count(), 5);
  ExpectNear(nodes.Items(0)->AsVector(), {3, 2, 3, 1}, 1e-6, "first node");
  ExpectNear(nodes.Items(4)->AsVector(), {1, 4, 3, 1}, 1e-6, "last node");
  ExpectNear(nodes.Items(2)->AsAffine(), {float(1 + std::sqrt(2.0)), float(2 + std::sqrt(2.0)), 3}, 1e-5, "middle");

  // An arc across 0° is asked for as 350° to 370°: it stays near +X.
  TGLNodes across(nullptr);
  const float degree = float(M_PI / 180);
  across.AddArcNodes(0, {0, 0, 0}, 1, 350 * degree, 370 * degree, 4);
  for (int i = 0; i < across.Count(); ++i) EXPECT_GT(across.Items(i)->X(), 0.98f) << "node " << i;
  ExpectNear(across.Items(2)->AsAffine(), {1, 0, 0}, 1e-5, "0° in the middle");
  across.AddArcNodes(0, {0, 0, 0}, 1, 0, 1, 0);
  EXPECT_EQ(across.Count(), 5) << "no step: nothing added";
}

TEST(Nodes, GeometryOfTheRun) {
  CountingOwner owner;
  TGLNodes nodes(&owner);
  TVector3f min, max;
  nodes.Extents(min, max);
  EXPECT_EQ(min.x, std::numeric_limits<float>::infinity());
  EXPECT_EQ(max.z, -std::numeric_limits<float>::infinity());
  ExpectNear(nodes.AveragePosition(), {0, 0, 0}, 0, "empty average");
  ExpectNear(nodes.PlaneNormal(), {0, 0, 0}, 0, "empty normal");

  nodes.AddNode(1, 0, 0);
  ExpectNear(nodes.DirectionAtNode(0), {0, 0, 0}, 0, "one node has no direction");
  nodes.AddNode(1, 0, 0);
  ExpectNear(nodes.DirectionAtNode(0), {0, 0, 0}, 0, "two coincident nodes");
  nodes.Items(1)->SetY(2);
  nodes.AddNode(-1, 2, 4);
  ExpectNear(nodes.DirectionAtNode(0), {0, 1, 0}, 1e-6, "first");
  ExpectNear(nodes.DirectionAtNode(1), AffineNormalized(TVector3f{-2, 2, 4}), 1e-6, "middle");
  ExpectNear(nodes.DirectionAtNode(2), AffineNormalized(TVector3f{-2, 0, 4}), 1e-6, "last");
  ExpectNear(nodes.AveragePosition(), {1.0f / 3, 4.0f / 3, 4.0f / 3}, 1e-6, "average");
  // (0, 2, 0) x (-2, 2, 4) = (8, 0, 4).
  ExpectNear(nodes.PlaneNormal(), AffineNormalized(TVector3f{8, 0, 4}), 1e-6, "plane normal");
  nodes.Extents(min, max);
  ExpectNear(min, {-1, 0, 0}, 0, "min");
  ExpectNear(max, {1, 2, 4}, 0, "max");

  owner.changes = 0;
  nodes.TranslateAll({1, 1, 1});
  EXPECT_EQ(owner.changes, 1);
  ExpectNear(nodes.Items(0)->AsAffine(), {2, 1, 1}, 0, "translated");
  TGLNodes turned(nullptr);
  turned.AddNode(1, 0, 0);
  turned.AddNode(0, 5, 1);
  turned.RotateAllAroundY(90);
  ExpectNear(turned.Items(0)->AsAffine(), {0, 0, -1}, 1e-6, "X turned a quarter about Y");
  ExpectNear(turned.Items(1)->AsAffine(), {1, 5, 0}, 1e-6, "Z turned a quarter about Y");

  const std::unique_ptr<TCubicSpline> spline = turned.BuildCubicSpline();
  ExpectNear(spline->EvaluateAffine(0.5f), {0.5f, 2.5f, -0.5f}, 1e-6, "spline of two nodes");
}

TEST(Nodes, PolygonsAreFilledByTheTessellator) {
  RecordingRender r;
  TGLNodes square(nullptr);
  for (auto [x, y] : {std::pair{0.0f, 0.0f}, {4.0f, 0.0f}, {4.0f, 3.0f}, {0.0f, 3.0f}}) square.AddNode(x, y, 0);
  const TVector3f up{0, 0, 1};
  square.RenderTessellated(false, &up, 1, false);
  std::vector<Primitive> drawn = r.Primitives();
  ASSERT_FALSE(drawn.empty()) << "libGLU's tessellator is needed";
  EXPECT_NEAR(TriangleArea(drawn), 12, 1e-4);
  EXPECT_EQ(drawn[0].normals[0].z, 1) << "the normal goes first";

  r.gl.ClearCalls();
  square.RenderTessellated(false, nullptr, 4, true);
  drawn = r.Primitives();
  // Four points a node along the spline, the last node once: 13 corners, every one on the contour.
  std::vector<TVector3f> corners;
  for (const Primitive& p : drawn)
    for (const TVector3f& v : p.vertices)
      if (std::none_of(corners.begin(), corners.end(), [&](const TVector3f& c) { return AffineDistance(c, v) < 1e-6; }))
        corners.push_back(v);
  EXPECT_EQ(corners.size(), 13u);
  EXPECT_GT(TriangleArea(drawn), 6);

  r.gl.ClearCalls();
  TGLNodes two(nullptr);
  two.AddNode(0, 0, 0);
  two.AddNode(1, 0, 0);
  two.RenderTessellated(false, nullptr, 1, false);
  EXPECT_TRUE(r.gl.calls.empty()) << "two nodes fill nothing";
}

TEST(Nodes, ASelfIntersectingStarIsFilledWithItsCrossingsInThePool) {
  // 50 points, each joined to the one 21 further on: every edge crosses many others, and each
  // crossing is a new vertex the tessellator asks for.
  RecordingRender r;
  TGLNodes star(nullptr);
  for (int i = 0; i < 50; ++i) {
    const double a = 2 * M_PI * ((i * 21) % 50) / 50;
    star.AddNode(float(10 * std::cos(a)), float(10 * std::sin(a)), 0);
  }
  star.RenderTessellated(true, nullptr, 1, false);
  const std::vector<Primitive> drawn = r.Primitives();
  ASSERT_FALSE(drawn.empty());
  for (const Primitive& p : drawn)
    for (const TVector3f& v : p.vertices) {
      ASSERT_TRUE(std::isfinite(v.x) && std::isfinite(v.y)) << "made-up vertex";
      ASSERT_LE(std::hypot(v.x, v.y), 10.001) << "vertex outside the star";
    }
  // The filled area (odd winding) lies inside the circle and covers its middle.
  const double area = TriangleArea(drawn);
  EXPECT_GT(area, 1);
  EXPECT_LT(area, M_PI * 100);
}
