// The toolpath lines in pieces: what a frame compiles as moves are appended, the polyline the pieces
// draw together, and the changes that compile every piece again. Through a recording OpenGL table
// with a current context of its own.
#include "app/toolpath_lines.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <vector>

#include "scene3d/fake_context.h"
#include "scene3d/fake_gl.h"
#include "scene3d/gl_state.h"
#include "scene3d/render_context_info.h"

namespace {

using app::ToolpathLines;

constexpr scene3d::TVector4f kYellow{1, 1, 0, 1};
constexpr scene3d::TVector4f kCyan{0, 1, 1, 1};

struct Frame {
  int newLists = 0, callLists = 0, strips = 0;
  std::vector<std::array<double, 3>> vertices;  // in the order the strips give them
  std::vector<std::array<double, 4>> colours;
};

class ToolpathLinesTest : public testing::Test {
 protected:
  ToolpathLinesTest() {
    gl_.strings[GL_VERSION] = "4.5";
    rc_.CreateOnDevice(nullptr);
    rc_.Activate();
    lines_.SetNodesAspect(scene3d::lnaInvisible);
    lines_.SetOptions(scene3d::loUseNodeColorForLines);
  }
  ~ToolpathLinesTest() override {
    owned_.reset();  // its lists go while their context is current
    rc_.Deactivate();
  }

  Frame Render() {
    gl_.ClearCalls();
    scene3d::TGLStateCache states;
    scene3d::RenderContextInfo rci{};
    rci.GLStates = &states;
    lines_.BuildList(rci);
    Frame frame;
    for (const testing_support::GLCall& call : gl_.calls) {
      frame.newLists += call.name == "NewList";
      frame.callLists += call.name == "CallList";
      frame.strips += call.name == "Begin" && call.args[0] == GL_LINE_STRIP;
      if (call.name == "Vertex3fv") frame.vertices.push_back({call.args[0], call.args[1], call.args[2]});
      if (call.name == "Color4fv") frame.colours.push_back({call.args[0], call.args[1], call.args[2], call.args[3]});
    }
    return frame;
  }
  void Append(int count) {
    for (int i = 0; i < count; ++i, ++appended_)
      lines_.AppendNode(float(appended_), float(appended_ % 7), -1, appended_ % 500 ? kCyan : kYellow);
  }

  testing_support::FakeGL gl_;
  testing_support::FakeContext rc_{scene3d::GLContextManager(), gl_};
  std::unique_ptr<ToolpathLines> owned_ = std::make_unique<ToolpathLines>(nullptr);
  ToolpathLines& lines_ = *owned_;
  int appended_ = 0;
};

TEST_F(ToolpathLinesTest, AppendedMovesCompileOnlyTheLastPiece) {
  Append(10000);
  const Frame first = Render();
  EXPECT_EQ(lines_.CompiledPieces(), (std::vector<int>{4097, 4097, 1808})) << "each piece ends on the next one's first node";
  EXPECT_EQ(first.newLists, 3);
  EXPECT_EQ(first.callLists, 3);
  EXPECT_EQ(first.strips, 3);
  // The strips together are the polyline through every node, the joins drawn twice.
  ASSERT_EQ(first.vertices.size(), 10002u);
  ASSERT_EQ(first.colours.size(), 10002u);
  std::vector<std::array<double, 3>> path = first.vertices;
  path.erase(path.begin() + 4097 + 4097);
  path.erase(path.begin() + 4097);
  for (int i = 0; i < 10000; ++i) {
    ASSERT_EQ(path[size_t(i)], (std::array<double, 3>{double(i), double(i % 7), -1})) << i;
    const double red = i % 500 ? 0 : 1;
    ASSERT_EQ(first.colours[size_t(i + (i > 4096) + (i > 8192))][0], red) << i;
  }

  const Frame again = Render();
  EXPECT_EQ(again.newLists, 0) << "nothing new: every piece is called as it was";
  EXPECT_EQ(again.callLists, 3);

  Append(5);
  const Frame grown = Render();
  EXPECT_EQ(grown.newLists, 1) << "only the growing piece";
  EXPECT_EQ(grown.vertices.size(), 1813u);
  EXPECT_EQ(lines_.CompiledPieces(), (std::vector<int>{4097, 4097, 1813}));
  Append(3000);
  Render();
  EXPECT_EQ(lines_.CompiledPieces(), (std::vector<int>{4097, 4097, 4097, 717}));

  // Another line width, the nodes cleared: every piece again.
  lines_.SetLineWidth(2);
  EXPECT_EQ(Render().newLists, 4);
  lines_.ClearNodes();
  EXPECT_EQ(Render().newLists, 0) << "no line under two nodes";
  Append(2);
  const Frame two = Render();
  EXPECT_EQ(two.newLists, 1);
  EXPECT_EQ(two.callLists, 1) << "the pieces of the former path are not called";
  EXPECT_EQ(lines_.CompiledPieces(), (std::vector<int>{2}));
}

TEST_F(ToolpathLinesTest, OtherLooksDrawAsPlainLines) {
  Append(10);
  lines_.SetNodesAspect(scene3d::lnaCube);
  const Frame markers = Render();
  EXPECT_EQ(markers.newLists, 0) << "drawn directly, with its markers";
  EXPECT_EQ(markers.strips, 11) << "the line, and a wire cube at each node";
  ASSERT_GE(markers.vertices.size(), 10u);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(markers.vertices[size_t(i)][0], i) << "the line first, through the nodes";
  lines_.SetNodesAspect(scene3d::lnaInvisible);
  lines_.SetOptions(0);
  const Frame plain = Render();
  EXPECT_EQ(plain.newLists, 1);
  EXPECT_TRUE(plain.colours.empty()) << "without node colours, the line's own";
}

TEST_F(ToolpathLinesTest, KeepsTheNodesAndColoursTheLinesWouldHold) {
  // The same moves as nodes of a plain lines object: the compact store must give every node and
  // colour back as they are, arcs included, and the drawn strip must carry them.
  scene3d::TGLLines reference(nullptr);
  reference.NodeColor().SetColor(kCyan);
  lines_.NodeColor().SetColor(kCyan);
  struct Arc {
    float cx, cy, z, radius, start, stop;
    int count;
  };
  const Arc arcs[] = {{0, 0, -1, 5, 0, 3.14159265f, 50}, {10, -2, -2, 2.5f, 6.0f, 0.5f, 7}, {1, 1, 0, 1, 0, 1, 0}};
  int step = 0;
  for (const Arc& arc : arcs) {
    for (const scene3d::TVector4f& colour : {kYellow, kYellow, kCyan}) {
      const float x = float(step++) * 0.5f;
      reference.AddNode(x, -x, 2, colour);
      lines_.AppendNode(x, -x, 2, colour);
    }
    reference.Nodes().AddArcNodes(0, {arc.cx, arc.cy, arc.z}, arc.radius, arc.start, arc.stop, arc.count);
    lines_.AppendArc(arc.cx, arc.cy, arc.z, arc.radius, arc.start, arc.stop, arc.count);
  }
  ASSERT_EQ(lines_.NodeCount(), reference.Nodes().Count());
  ASSERT_EQ(lines_.NodeCount(), 3 * 3 + 51 + 8);
  const Frame frame = Render();
  ASSERT_EQ(frame.vertices.size(), size_t(lines_.NodeCount()));
  for (int i = 0; i < lines_.NodeCount(); ++i) {
    const scene3d::TGLLinesNode& node = *reference.Nodes().Items(i);
    EXPECT_EQ(lines_.NodeAt(i).x, node.X()) << i;
    EXPECT_EQ(lines_.NodeAt(i).y, node.Y()) << i;
    EXPECT_EQ(lines_.NodeAt(i).z, node.Z()) << i;
    for (int c = 0; c < 4; ++c) {
      EXPECT_EQ((&lines_.NodeColorAt(i).x)[c], (&node.Color().x)[c]) << i;
      EXPECT_EQ(frame.colours[size_t(i)][size_t(c)], (&node.Color().x)[c]) << i;
    }
    EXPECT_EQ(frame.vertices[size_t(i)], (std::array<double, 3>{node.X(), node.Y(), node.Z()})) << i;
  }
  const scene3d::TVector4f half = lines_.HalfExtents(), expected = reference.HalfExtents();
  for (int axis = 0; axis < 4; ++axis) EXPECT_EQ(half[axis], expected[axis]) << axis;

  // A new node colour recolours the nodes that had the former one (the arcs and the cyan moves).
  const scene3d::TVector4f red{1, 0, 0, 1};
  lines_.NodeColor().SetColor(red);
  reference.NodeColor().SetColor(red);
  for (int i = 0; i < lines_.NodeCount(); ++i)
    EXPECT_EQ(lines_.NodeColorAt(i).x, reference.Nodes().Items(i)->Color().x) << i;
  EXPECT_EQ(lines_.NodeColorAt(2).y, 0) << "a cyan move is red now";
  EXPECT_EQ(lines_.NodeColorAt(0).y, 1) << "a yellow one stays";

  lines_.ClearNodes();
  EXPECT_EQ(lines_.NodeCount(), 0);
  EXPECT_EQ(lines_.HalfExtents().x, 0) << "no nodes, no extent";
  lines_.AppendNode(1, 2, 3, kYellow);
  EXPECT_EQ(lines_.NodeColorAt(0).z, 0) << "a run begins afresh after clearing";
}

}  // namespace
