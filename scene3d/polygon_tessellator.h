// Filled polygons through libGLU's tessellator: contours of 3D points go in, triangles come out as
// Begin / Vertex3fv / End through the active OpenGL table (and, when textured, each vertex's position
// as its texture coordinate through the multitexture coordinator first). Made on an outline list
// instead, it draws nothing and collects the boundary of the filled area: one polygon for each loop.
//
// Every vertex handed in and every vertex the tessellator makes where edges cross is kept in a pool
// that grows in blocks and never moves what it holds, so a self-intersecting contour of any length
// is safe. Each tessellator has its own pool: nothing is shared between calls.
//   TPolygonTessellator tess(false);
//   if (tess.Ready()) { tess.BeginPolygon(); tess.Contour(points, false); tess.EndPolygon(); }
#pragma once

#include <array>
#include <deque>
#include <span>
#include <vector>

#include "scene3d/vector_types.h"

struct GLUtesselator;

namespace scene3d {

// Closed polygons, each a run of points.
using TPolygonList = std::vector<std::vector<TVector3f>>;

class TPolygonTessellator {
 public:
  // Loads libGLU when it is not loaded yet; without it (or its tessellator) Ready() is false and
  // the reason is logged once per tessellator.
  explicit TPolygonTessellator(bool textured);
  // Collects the boundary of the filled area into `outline` (appended) and draws nothing.
  explicit TPolygonTessellator(TPolygonList& outline);
  ~TPolygonTessellator();
  TPolygonTessellator(const TPolygonTessellator&) = delete;
  TPolygonTessellator& operator=(const TPolygonTessellator&) = delete;

  bool Ready() const { return tess_ != nullptr; }
  // The plane normal the tessellator projects on; without it GLU finds one itself.
  void SetNormal(const TVector3f& normal);
  // Fills where the winding number is positive (a hole turning the other way cuts out, overlaps
  // merge) instead of where it is odd.
  void SetPositiveWinding();
  void BeginPolygon();
  void BeginContour();
  void Vertex(const TVector3f& point);
  void EndContour();
  // One whole contour, its points in order or reversed.
  void Contour(std::span<const TVector3f> points, bool reversed);
  void EndPolygon();
  // How many vertices the tessellator made at crossings so far.
  int CombinedCount() const { return combined_; }

 private:
  friend struct TessCallbacks;
  void Create();

  GLUtesselator* tess_ = nullptr;
  bool textured_ = false;
  TPolygonList* outline_ = nullptr;
  int combined_ = 0;
  // Stable addresses: std::deque never moves its elements when it grows at the end.
  std::deque<std::array<float, 3>> vertices_;
  std::deque<std::array<double, 3>> coordinates_;
};

}  // namespace scene3d
