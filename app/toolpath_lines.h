// The toolpath lines GLCncMov: a TGLLines whose polyline is kept as display lists of a few thousand
// nodes each. A play or Calculate only appends moves, so a frame compiles the last, growing piece
// alone and calls the others as they were; drawing the whole path again at every repaint would cost
// the square of its length. Any other change (nodes cleared or edited, another look) compiles every
// piece again. Modes other than the program's plain polyline without markers draw as TGLLines does.
#pragma once

#include <memory>
#include <vector>

#include "scene3d/lines.h"

namespace scene3d {
class TGLListHandle;
}

namespace app {

class ToolpathLines : public scene3d::TGLLines {
 public:
  // Segments per display list.
  static constexpr int kPieceSegments = 4096;

  explicit ToolpathLines(scene3d::TComponent* owner);
  ~ToolpathLines() override;

  // Appends, keeping the pieces already compiled.
  void AppendNode(float x, float y, float z, const scene3d::TVector4f& colour);
  void AppendArc(float cx, float cy, float z, float radius, float startAngle, float stopAngle, int count);

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
  template <class Append>
  void Appending(Append append);

  std::vector<Piece> pieces_;
  bool appending_ = false;
  int compilations_ = 0;
};

}  // namespace app
