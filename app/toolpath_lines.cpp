#include "app/toolpath_lines.h"

#include <algorithm>
#include <cmath>

#include "scene3d/gl_context.h"
#include "scene3d/gl_state.h"

namespace app {

namespace {

bool SameColour(const scene3d::TVector4f& a, const scene3d::TVector4f& b) {
  return a.x == b.x && a.y == b.y && a.z == b.z && a.w == b.w;
}

}  // namespace

ToolpathLines::ToolpathLines(scene3d::TComponent* owner)
    : scene3d::TGLLines(owner), nodeColour_(NodeColor().GetColor()) {
  // The pieces are this object's own lists: it draws every frame and calls them.
  SetObjectStyleBits(scene3d::osDirectDraw, true);
}

ToolpathLines::~ToolpathLines() = default;

void ToolpathLines::StartRun(const scene3d::TVector4f& colour) {
  if (runs_.empty() || !SameColour(runs_.back().colour, colour))
    runs_.push_back({static_cast<uint32_t>(points_.size()), colour});
}

void ToolpathLines::Appended() {
  appending_ = true;
  StructureChanged();
  appending_ = false;
}

void ToolpathLines::AppendNode(float x, float y, float z, const scene3d::TVector4f& colour) {
  StartRun(colour);
  points_.push_back({x, y, z});
  Appended();
}

void ToolpathLines::AppendArc(float cx, float cy, float z, float radius, float startAngle, float stopAngle, int count) {
  if (count < 1) return;
  StartRun(NodeColor().GetColor());
  const float step = (stopAngle - startAngle) / float(count);
  for (int i = 0; i <= count; ++i) {
    const float a = startAngle + float(i) * step;
    points_.push_back({cx + radius * std::cos(a), cy + radius * std::sin(a), z});
  }
  Appended();
}

void ToolpathLines::ClearNodes() {
  // The memory goes too: a cleared path of millions of nodes must not stay held.
  std::vector<ToolpathPoint>().swap(points_);
  std::vector<ColourRun>().swap(runs_);
  StructureChanged();
}

size_t ToolpathLines::RunOf(uint32_t index) const {
  const auto after = std::upper_bound(runs_.begin(), runs_.end(), index,
                                      [](uint32_t i, const ColourRun& r) { return i < r.first; });
  return size_t(after - runs_.begin()) - 1;
}

const scene3d::TVector4f& ToolpathLines::NodeColorAt(int index) const { return runs_[RunOf(uint32_t(index))].colour; }

scene3d::TVector4f ToolpathLines::HalfExtents() const {
  if (extentsStale_) {
    extents_ = {0, 0, 0, 0};
    for (const ToolpathPoint& p : points_) {
      extents_.x = std::max(extents_.x, std::fabs(p.x));
      extents_.y = std::max(extents_.y, std::fabs(p.y));
      extents_.z = std::max(extents_.z, std::fabs(p.z));
    }
    extentsStale_ = false;
  }
  return extents_;
}

void ToolpathLines::StructureChanged() {
  extentsStale_ = true;
  // A new node colour recolours the nodes that still had the former one, as the lines' nodes are.
  if (const scene3d::TVector4f& colour = NodeColor().GetColor(); !SameColour(colour, nodeColour_)) {
    for (ColourRun& run : runs_)
      if (SameColour(run.colour, nodeColour_)) run.colour = colour;
    nodeColour_ = colour;
  }
  if (!appending_)
    for (Piece& piece : pieces_) piece.nodes = -1;
  scene3d::TGLLines::StructureChanged();
}

void ToolpathLines::FreeGLHandles() {
  pieces_.clear();
  scene3d::TGLLines::FreeGLHandles();
}

std::vector<int> ToolpathLines::CompiledPieces() const {
  std::vector<int> nodes;
  for (const Piece& piece : pieces_) nodes.push_back(piece.nodes);
  return nodes;
}

void ToolpathLines::BuildOtherLook(scene3d::RenderContextInfo& rci) {
  // The look alone: no transformation or children, which the caller has applied or draws itself.
  scene3d::TGLLines look(nullptr);
  look.SetLineColor(LineColor());
  look.SetLinePattern(LinePattern());
  look.SetLineWidth(LineWidth());
  look.SetAntiAliased(AntiAliased());
  look.SetNodesAspect(NodesAspect());
  look.SetNodeColor(NodeColor());
  look.SetNodeSize(NodeSize());
  look.SetDivision(Division());
  look.SetSplineMode(SplineMode());
  look.SetOptions(Options());
  look.CurveKnots = CurveKnots;
  look.CurveOrder = CurveOrder;
  look.CurveTolerance = CurveTolerance;
  std::vector<scene3d::TLinesNodePoint> nodes;
  nodes.reserve(points_.size());
  for (size_t i = 0, run = 0; i < points_.size(); ++i) {
    while (run + 1 < runs_.size() && runs_[run + 1].first <= i) ++run;
    nodes.push_back({{points_[i].x, points_[i].y, points_[i].z}, runs_[run].colour});
  }
  look.Nodes().AddNodes(nodes);
  look.BuildList(rci);
}

void ToolpathLines::BuildList(scene3d::RenderContextInfo& rci) {
  const int n = NodeCount();
  if (n < 2) return;
  // Inside another list (amalgamation) no list of its own can be compiled.
  if (SplineMode() != scene3d::lsmLines || NodesAspect() != scene3d::lnaInvisible ||
      (Options() & scene3d::loColorLogicXor) || rci.amalgamating) {
    BuildOtherLook(rci);
    return;
  }
  scene3d::TGLStateCache& states = *rci.GLStates;
  scene3d::TGLExtensionsAndEntryPoints& gl = scene3d::ActiveGLTable();
  ApplyLineStyle(rci);
  if (rci.bufferDepthTest) states.EnableState(scene3d::stDepthTest);
  const bool nodeColors = (Options() & scene3d::loUseNodeColorForLines) != 0;
  // Piece k runs from node k * kPieceSegments to the first node of the next one, so the strips join.
  const int count = (n - 2) / kPieceSegments + 1;
  pieces_.resize(size_t(count));
  for (int k = 0; k < count; ++k) {
    Piece& piece = pieces_[size_t(k)];
    const int first = k * kPieceSegments;
    const int last = std::min(first + kPieceSegments, n - 1);
    if (!piece.list) piece.list = std::make_unique<scene3d::TGLListHandle>(scene3d::GLContextManager());
    if (piece.list->Identifier() == 0) {
      piece.list->AllocateIdentifier();
      piece.nodes = -1;
    }
    const GLuint list = piece.list->Identifier();
    if (list == 0) continue;
    if (piece.nodes != last - first + 1 || piece.list->NeedsDataUpdate()) {
      states.NewList(list, GL_COMPILE);
      try {
        gl.Begin(GL_LINE_STRIP);
        // The run of the piece's first node, then each run as the nodes reach it.
        size_t run = RunOf(uint32_t(first));
        for (int i = first; i <= last; ++i) {
          while (run + 1 < runs_.size() && runs_[run + 1].first <= uint32_t(i)) ++run;
          if (nodeColors) gl.Color4fv(&runs_[run].colour.x);
          gl.Vertex3fv(&points_[size_t(i)].x);
        }
        gl.End();
      } catch (...) {
        states.EndList();
        piece.nodes = -1;
        throw;
      }
      states.EndList();
      piece.list->MarkDataUpdated();
      piece.nodes = last - first + 1;
      ++compilations_;
    }
    states.CallList(list);
  }
}

}  // namespace app
