// The toolpath lines GLCncMov: a TGLLines whose polyline is kept as display lists of a few thousand
// nodes each. A play or Calculate only appends moves, so a frame compiles the last, growing piece
// alone and calls the others as they were; drawing the whole path again at every repaint would cost
// the square of its length. Any other change (nodes cleared, another look) compiles every piece
// again. Modes other than the program's plain polyline without markers draw as TGLLines does.
//
// A listing of a million lines, or arcs of 51 nodes each, gives millions of nodes: a node object
// each would take the better part of a gigabyte. So the toolpath keeps its nodes in a store of its
// own, three singles a node and a colour for each run of nodes of one colour, and compiles the lists
// from it; the node collection it inherits stays empty (Nodes is hidden here for that reason).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "scene3d/lines.h"

namespace scene3d {
class TGLListHandle;
}

namespace app {

struct ToolpathPoint {
  float x = 0.0f, y = 0.0f, z = 0.0f;
};

class ToolpathLines : public scene3d::TGLLines {
 public:
  // Segments per display list.
  static constexpr int kPieceSegments = 4096;

  explicit ToolpathLines(scene3d::TComponent* owner);
  ~ToolpathLines() override;

  // Appends, keeping the pieces already compiled.
  void AppendNode(float x, float y, float z, const scene3d::TVector4f& colour);
  // count + 1 nodes in the node colour on the circle of `radius` about (cx, cy) at height z, from
  // startAngle to stopAngle in equal steps, as the nodes' AddArcNodes makes them; none below 1.
  void AppendArc(float cx, float cy, float z, float radius, float startAngle, float stopAngle, int count);
  // Every node goes.
  void ClearNodes();

  int NodeCount() const { return static_cast<int>(points_.size()); }
  const ToolpathPoint& NodeAt(int index) const { return points_[static_cast<size_t>(index)]; }
  // The colour of node `index` (below NodeCount).
  const scene3d::TVector4f& NodeColorAt(int index) const;

  // The node collection is not where the toolpath's nodes are.
  scene3d::TGLLinesNodes& Nodes() = delete;
  const scene3d::TGLLinesNodes& Nodes() const = delete;

  // Per axis the largest absolute node coordinate (0 without nodes).
  scene3d::TVector4f HalfExtents() const override;
  void BuildList(scene3d::RenderContextInfo& rci) override;
  void StructureChanged() override;
  void FreeGLHandles() override;

  // The pieces compiled so far, for tests: how many nodes each one held when it was compiled.
  std::vector<int> CompiledPieces() const;
  // How many times a piece was compiled, for tests.
  int Compilations() const { return compilations_; }

 private:
  struct Piece {
    std::unique_ptr<scene3d::TGLListHandle> list;
    int nodes = -1;  // nodes compiled into the list; -1 when it must be compiled again
  };
  // The nodes from `first` on take `colour`, until the next run.
  struct ColourRun {
    uint32_t first = 0;
    scene3d::TVector4f colour;
  };
  void StartRun(const scene3d::TVector4f& colour);
  // The run the node belongs to.
  size_t RunOf(uint32_t index) const;
  // Tells the scene that nodes were appended: the pieces compiled stay.
  void Appended();
  // Another look: drawn by a TGLLines of this one's look through nodes made from the store.
  void BuildOtherLook(scene3d::RenderContextInfo& rci);

  std::vector<ToolpathPoint> points_;
  std::vector<ColourRun> runs_;
  std::vector<Piece> pieces_;
  bool appending_ = false;
  int compilations_ = 0;
  scene3d::TVector4f nodeColour_;  // the node colour the runs were last given
  mutable bool extentsStale_ = true;
  mutable scene3d::TVector4f extents_{};
};

}  // namespace app
