#include "app/toolpath_lines.h"

#include <algorithm>

#include "scene3d/gl_context.h"
#include "scene3d/gl_state.h"

namespace app {

ToolpathLines::ToolpathLines(scene3d::TComponent* owner) : scene3d::TGLLines(owner) {
  // The pieces are this object's own lists: it draws every frame and calls them.
  SetObjectStyleBits(scene3d::osDirectDraw, true);
}

ToolpathLines::~ToolpathLines() = default;

template <class Append>
void ToolpathLines::Appending(Append append) {
  appending_ = true;
  try {
    append();
  } catch (...) {
    appending_ = false;
    throw;
  }
  appending_ = false;
}

void ToolpathLines::AppendNode(float x, float y, float z, const scene3d::TVector4f& colour) {
  Appending([&] { AddNode(x, y, z, colour); });
}

void ToolpathLines::AppendArc(float cx, float cy, float z, float radius, float startAngle, float stopAngle, int count) {
  Appending([&] { Nodes().AddArcNodes(0, {cx, cy, z}, radius, startAngle, stopAngle, count); });
}

void ToolpathLines::StructureChanged() {
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

void ToolpathLines::BuildList(scene3d::RenderContextInfo& rci) {
  const scene3d::TGLLinesNodes& nodes = Nodes();
  const int n = nodes.Count();
  // Inside another list (amalgamation) no list of its own can be compiled.
  if (SplineMode() != scene3d::lsmLines || NodesAspect() != scene3d::lnaInvisible ||
      (Options() & scene3d::loColorLogicXor) || rci.amalgamating) {
    scene3d::TGLLines::BuildList(rci);
    return;
  }
  if (n < 2) return;
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
        for (int i = first; i <= last; ++i) {
          const scene3d::TGLLinesNode* node = nodes.Items(i);
          if (nodeColors) gl.Color4fv(&node->Color().x);
          gl.Vertex3fv(node->Coordinates());
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
