// Filled polygons through libGLU's tessellator: contours of 3D points go in, triangles come out as
// Begin / Vertex3fv / End through the active OpenGL table (and, when textured, each vertex's position
// as its texture coordinate through the multitexture coordinator first).
//
// Every vertex handed in and every vertex the tessellator makes where edges cross is kept in a pool
// that grows in blocks and never moves what it holds, so a self-intersecting contour of any length
// is safe. Each tessellator has its own pool: nothing is shared between calls.
//   TPolygonTessellator tess(false);
//   if (tess.Ready()) { tess.BeginPolygon(); tess.BeginContour(); tess.Vertex(p)...; tess.EndContour(); tess.EndPolygon(); }
#pragma once

#include <array>
#include <deque>
#include <optional>

#include "scene3d/vector_types.h"

struct GLUtesselator;

namespace scene3d {

class TPolygonTessellator {
 public:
  // Loads libGLU when it is not loaded yet; without it (or its tessellator) Ready() is false and
  // the reason is logged once per tessellator.
  explicit TPolygonTessellator(bool textured);
  ~TPolygonTessellator();
  TPolygonTessellator(const TPolygonTessellator&) = delete;
  TPolygonTessellator& operator=(const TPolygonTessellator&) = delete;

  bool Ready() const { return tess_ != nullptr; }
  // The plane normal the tessellator projects on; without it GLU finds one itself.
  void SetNormal(const TVector3f& normal);
  void BeginPolygon();
  void BeginContour();
  void Vertex(const TVector3f& point);
  void EndContour();
  void EndPolygon();
  // How many vertices the tessellator made at crossings so far.
  int CombinedCount() const { return combined_; }

 private:
  friend struct TessCallbacks;
  GLUtesselator* tess_ = nullptr;
  bool textured_;
  int combined_ = 0;
  // Stable addresses: std::deque never moves its elements when it grows at the end.
  std::deque<std::array<float, 3>> vertices_;
  std::deque<std::array<double, 3>> coordinates_;
};

}  // namespace scene3d
