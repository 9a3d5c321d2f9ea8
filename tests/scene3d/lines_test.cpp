// Lines through coloured nodes and the dummy cube: what they draw (recorded), their node colours
// and markers, batches of nodes, and the toolpath's colours on Mesa.
#include "scene3d/lines.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "expect_vectors.h"
#include "fake_gl.h"
#include "recording_render.h"
#include "scene3d/direct_opengl.h"
#include "scene3d/dummy_cube.h"
#include "scene_fixture.h"

using namespace scene3d;
using testing_support::Primitive;
using testing_support::RecordingLog;
using testing_support::RecordingRender;
using testing_support::Rgb;
using testing_support::SceneFixture;

namespace {

constexpr TVector4f kYellow{1, 1, 0, 1}, kCyan{0, 1, 1, 1};

// Counts how often its structure is marked changed.
class CountingLines : public TGLLines {
 public:
  using TGLLines::TGLLines;
  void StructureChanged() override {
    ++changes;
    TGLLines::StructureChanged();
  }
  int changes = 0;
};

void AddPath(TGLLines& lines, int count) {
  for (int i = 0; i < count; ++i) lines.AddNode(float(i), float(i % 2), 0, i % 2 ? kCyan : kYellow);
}

}  // namespace

TEST(Lines, ModesDrawTheirPrimitives) {
  struct Case {
    const char* what;
    TLineSplineMode mode;
    int division;
    GLenum primitive;
    size_t vertices;  // for 4 nodes
  };
  const Case cases[] = {
      {"polyline", lsmLines, 10, GL_LINE_STRIP, 4},
      {"segments", lsmSegments, 10, GL_LINES, 4},
      {"loop", lsmLoop, 10, GL_LINE_LOOP, 4},
      {"cubic spline", lsmCubicSpline, 5, GL_LINE_STRIP, 16},
      {"cubic spline of division 1 is the polyline", lsmCubicSpline, 1, GL_LINE_STRIP, 4},
      {"Bézier curve division 1", lsmBezierSpline, 1, GL_LINE_STRIP, 4},
  };
  for (const Case& c : cases) {
    RecordingRender r;
    TGLLines lines(nullptr);
    lines.SetNodesAspect(lnaInvisible);
    lines.SetSplineMode(c.mode);
    lines.SetDivision(c.division);
    AddPath(lines, 4);
    lines.BuildList(r.rci);
    const std::vector<Primitive> drawn = r.Primitives();
    ASSERT_EQ(drawn.size(), 1u) << c.what;
    EXPECT_EQ(drawn[0].mode, c.primitive) << c.what;
    EXPECT_EQ(drawn[0].vertices.size(), c.vertices) << c.what;
    ExpectNear(drawn[0].vertices.back(), {3, 1, 0}, 1e-5, c.what);
  }

  // The Bézier curve is evaluated by OpenGL: Division + 1 points over [0, 1].
  RecordingRender r;
  TGLLines bezier(nullptr);
  bezier.SetNodesAspect(lnaInvisible);
  bezier.SetSplineMode(lsmBezierSpline);
  bezier.SetDivision(8);
  AddPath(bezier, 3);
  bezier.BuildList(r.rci);
  EXPECT_EQ(r.Count("Map1f"), 2);
  EXPECT_EQ(r.Count("EvalCoord1f"), 9);
  EXPECT_EQ(r.Count("PushAttrib"), r.Count("PopAttrib"));

  // The evaluators' limit is asked of the context once, not at every build of every curve.
  TGLLines another(nullptr);
  another.SetSplineMode(lsmBezierSpline);
  another.SetDivision(4);
  AddPath(another, 5);
  for (TGLLines* curve : {&bezier, &another, &bezier}) curve->BuildList(r.rci);
  const auto asked = std::count_if(r.gl.calls.begin(), r.gl.calls.end(), [](const auto& call) {
    return call.name == "GetIntegerv" && !call.args.empty() && call.args[0] == GL_MAX_EVAL_ORDER;
  });
  EXPECT_EQ(asked, 1);
}

TEST(Lines, ToolpathLinesCarryTheirNodeColours) {
  RecordingRender r;
  TGLLines lines(nullptr);
  lines.SetNodesAspect(lnaInvisible);
  lines.SetOptions(loUseNodeColorForLines);
  AddPath(lines, 3);
  lines.BuildList(r.rci);
  std::vector<Primitive> drawn = r.Primitives();
  ASSERT_EQ(drawn.size(), 1u);
  ExpectNear(drawn[0].colors[0], kYellow, 0, "node 0");
  ExpectNear(drawn[0].colors[1], kCyan, 0, "node 1");

  // A spline blends the colours of the nodes on either side.
  r.gl.ClearCalls();
  lines.SetSplineMode(lsmCubicSpline);
  lines.SetDivision(2);
  lines.BuildList(r.rci);
  drawn = r.Primitives();
  ASSERT_EQ(drawn[0].vertices.size(), 5u);
  ExpectNear(drawn[0].colors[1], {0.5f, 1, 0.5f, 1}, 1e-6, "half way between yellow and cyan");
  ExpectNear(drawn[0].colors[4], kYellow, 0, "the last node's own colour");

  // One node: nothing, not even a marker.
  r.gl.ClearCalls();
  TGLLines single(nullptr);
  single.AddNode(1, 1, 1);
  single.BuildList(r.rci);
  EXPECT_TRUE(r.gl.calls.empty());
}

TEST(Lines, MarkersAndNurbsCurves) {
  RecordingLog log;
  RecordingRender r;
  TGLLines lines(nullptr);
  lines.SetSplineMode(lsmNURBSCurve);
  lines.SetNodesAspect(lnaCube);
  AddPath(lines, 3);
  lines.BuildList(r.rci);
  // No knots: no curve, but three wire cubes (a strip and three lines each).
  EXPECT_EQ(r.Count("Begin"), 6);
  EXPECT_EQ(r.Count("PushMatrix"), 3);
  EXPECT_EQ(r.Count("Translatef"), 3);

  // Knots that do not match the nodes would make GLU read past them: refused.
  r.gl.ClearCalls();
  lines.SetNodesAspect(lnaInvisible);
  lines.CurveOrder = 3;
  lines.CurveKnots = {0, 0, 0, 1, 1};
  lines.BuildList(r.rci);
  EXPECT_EQ(r.Count("Begin"), 0);
  EXPECT_TRUE(log.Has("(WW)   NURBS curve: 5 knots for 3 nodes of order 3, not drawn"));

  // A matching quadratic curve through GLU's NURBS tessellator ends on the last node.
  r.gl.ClearCalls();
  lines.CurveKnots = {0, 0, 0, 1, 1, 1};
  r.states.SetViewport({0, 0, 200, 200});
  lines.BuildList(r.rci);
  const std::vector<Primitive> drawn = r.Primitives();
  ASSERT_FALSE(drawn.empty()) << "libGLU's NURBS renderer is needed";
  ExpectNear(drawn.back().vertices.back(), {2, 0, 0}, 1e-4, "curve end");

  // Dodecahedra and axes as markers.
  for (TLineNodesAspect aspect : {lnaDodecahedron, lnaAxes}) {
    r.gl.ClearCalls();
    lines.SetSplineMode(lsmLines);
    lines.SetNodesAspect(aspect);
    lines.SetNodeSize(2);
    lines.BuildList(r.rci);
    EXPECT_EQ(r.Count("Begin"), aspect == lnaDodecahedron ? 1 + 3 * 12 : 1 + 3) << int(aspect);
    EXPECT_EQ(r.Count("PushMatrix"), r.Count("PopMatrix"));
  }
}

TEST(Lines, PropertiesNodeColoursAndBatches) {
  CountingLines lines(nullptr);
  lines.SetNodeSize(0);
  EXPECT_EQ(lines.NodeSize(), 1);
  lines.SetNodeSize(-3);
  EXPECT_EQ(lines.NodeSize(), 1);
  lines.SetDivision(0);
  EXPECT_EQ(lines.Division(), 1);

  TGLLinesNode* plain = lines.AddNode(1, 2, 3);
  TGLLinesNode* own = lines.AddNode(-4, 0, 1, kYellow);
  ExpectNear(plain->Color(), {0, 0, 1, 1}, 0, "a new node takes the node colour");
  lines.NodeColor().SetColor({1, 0, 0, 1});
  ExpectNear(plain->Color(), {1, 0, 0, 1}, 0, "recoloured with the lines");
  ExpectNear(own->Color(), kYellow, 0, "a colour of its own is kept");
  ExpectNear(lines.HalfExtents(), {4, 2, 3, 0}, 0, "half extents");

  std::vector<TLinesNodePoint> batch(1000);
  for (size_t i = 0; i < batch.size(); ++i) batch[i] = {{float(i), 0, -7}, kCyan};
  lines.changes = 0;
  lines.Nodes().AddNodes(batch);
  EXPECT_EQ(lines.changes, 1) << "a batch is told once";
  EXPECT_EQ(lines.Nodes().Count(), 1002);
  ExpectNear(lines.Nodes().Items(1001)->AsVector(), {999, 0, -7, 1}, 0, "last of the batch");
  ExpectNear(lines.HalfExtents(), {999, 2, 7, 0}, 0, "the extents follow the nodes");

  TGLLines copy(nullptr);
  copy.Assign(&lines);
  EXPECT_EQ(copy.Nodes().Count(), 1002);
  ExpectNear(copy.Nodes().Items(1)->Color(), kYellow, 0, "copied colour");
  EXPECT_EQ(copy.NodeColor().GetColor().x, 1);
  lines.Nodes().Clear();
  EXPECT_EQ(lines.Nodes().Count(), 0);
}

TEST(DummyCube, DrawsOnlyWhenAskedAndCompilesItsGroupOnce) {
  RecordingRender r;
  TGLDummyCube cube(nullptr);
  cube.SetCubeSize(-4);
  ExpectNear(cube.HalfExtents(), {2, 2, 2, 0}, 0, "half extents");
  TVector4f hit;
  EXPECT_FALSE(cube.RayIntersect({0, 0, 10, 1}, {0, 0, -1, 0}, &hit, nullptr));
  cube.BuildList(r.rci);
  EXPECT_TRUE(r.gl.calls.empty()) << "invisible at run time";
  cube.SetVisibleAtRunTime(true);
  cube.BuildList(r.rci);
  const std::vector<Primitive> drawn = r.Primitives();
  ASSERT_EQ(drawn.size(), 2u);
  EXPECT_EQ(drawn[0].vertices.size() + drawn[1].vertices.size(), 16u) << "the twelve edges";
  EXPECT_EQ(r.Count("LineStipple"), 1);
  EXPECT_FALSE(r.states.IsEnabled(stLineSmooth) || r.states.IsEnabled(stLineStipple))
      << "what comes after draws plain lines";

  // Amalgamated: the first frame compiles the group list, the next calls it.
  r.gl.ClearCalls();
  cube.SetAmalgamate(true);
  cube.RenderObject(r.rci);
  cube.RenderObject(r.rci);
  EXPECT_EQ(r.Count("NewList"), 1);
  EXPECT_EQ(r.Count("CallList"), 2);
  cube.SetCubeSize(2);
  cube.RenderObject(r.rci);
  EXPECT_EQ(r.Count("NewList"), 2) << "a change compiles again";

  bool visible = false;
  cube.OnVisibilityDetermination = [&](TObject*, RenderContextInfo&) { return visible; };
  r.gl.ClearCalls();
  cube.RenderObject(r.rci);
  EXPECT_EQ(r.Count("CallList"), 0) << "hidden by its event";
}

// Sorted farthest first, a group stands where its members are: a dummy cube near the camera whose
// child lies far behind is drawn before an object between them.
TEST(DummyCube, SortsAtTheAverageOfItsChildren) {
  SKIP_WITHOUT_EGL();
  SceneFixture f;
  std::vector<std::string> order;
  auto marker = [&](TGLBaseSceneObject* parent, const std::string& name, float z) {
    auto* object = parent->CreateChild<TGLDirectOpenGL>();
    object->Position().SetPointXYZ(0, 0, z);
    object->OnRender = [&order, name](TObject*, RenderContextInfo&) { order.push_back(name); };
    return object;
  };
  auto* group = f.scene.Objects()->CreateChild<TGLDummyCube>();
  group->Position().SetPointXYZ(0, 0, 50);
  EXPECT_FLOAT_EQ(group->SortPosition().z, 50) << "without children, its own position";
  marker(group, "far", -100);
  marker(group, "farther", -140);
  marker(f.scene.Objects(), "between", -20);
  EXPECT_FLOAT_EQ(group->SortPosition().z, -70) << "the children's average, in absolute coordinates";
  f.scene.Objects()->SetObjectsSorting(osRenderFarthestFirst);
  f.Render();
  EXPECT_EQ(order, (std::vector<std::string>{"farther", "far", "between"}));
}

TEST(Lines, ToolpathOnMesaRunsFromYellowToCyan) {
  SKIP_WITHOUT_EGL();
  SceneFixture f;
  f.viewer.Buffer().SetLighting(false);
  auto* lines = f.scene.Objects()->CreateChild<TGLLines>();
  lines->SetNodesAspect(lnaInvisible);
  lines->SetOptions(loUseNodeColorForLines);
  lines->SetLineWidth(3);
  lines->AddNode(-8, 0, 0, kYellow);
  lines->AddNode(8, 0, 0, kCyan);
  f.Render();
  const Rgb left = f.At(30, 100), right = f.At(170, 100);
  EXPECT_GT(left.r, 200) << "yellow end";
  EXPECT_GT(left.g, 200);
  EXPECT_LT(left.b, 60);
  EXPECT_LT(right.r, 60) << "cyan end";
  EXPECT_GT(right.b, 200);
  EXPECT_EQ(f.At(30, 80), (Rgb{0, 0, 0})) << "off the line";
}

// Mesa's evaluators refuse curves of more than 30 nodes: such a curve once drew nothing at all.
TEST(Lines, BezierCurvesOfAnyNodeCountDrawOnMesa) {
  SKIP_WITHOUT_EGL();
  for (int nodes : {3, 40}) {
    SceneFixture f;
    f.viewer.Buffer().SetLighting(false);
    auto* lines = f.scene.Objects()->CreateChild<TGLLines>();
    lines->SetNodesAspect(lnaInvisible);
    lines->SetSplineMode(lsmBezierSpline);
    lines->SetDivision(32);
    lines->SetLineWidth(3);
    // Evenly spaced nodes on one line: the curve is that line, from end to end.
    for (int i = 0; i < nodes; ++i) lines->AddNode(-8 + 16 * float(i) / float(nodes - 1), 0, 0, {1, 0, 0, 1});
    f.Render();
    for (int x : {30, 100, 170}) EXPECT_EQ(f.At(x, 100), (Rgb{255, 0, 0})) << nodes << " nodes, x " << x;
    EXPECT_EQ(f.At(100, 80), (Rgb{0, 0, 0})) << nodes << " nodes: off the line";
  }
}
