#include "app/relief_surface.h"

#include <cmath>

#include "machining/relief.h"
#include "scene3d/gl_entry_points.h"

namespace app {

namespace {

// No quad is left out unless "Z no cut" names a height.
constexpr float kNoReferenceHeight = 99999.125f;

// Begin ... End always closes, also when a call inside aborts the drawing.
class QuadsBlock {
 public:
  explicit QuadsBlock(scene3d::TGLExtensionsAndEntryPoints& gl) : gl_(gl) { gl_.Begin(GL_QUADS); }
  ~QuadsBlock() { gl_.End(); }
  QuadsBlock(const QuadsBlock&) = delete;
  QuadsBlock& operator=(const QuadsBlock&) = delete;

 private:
  scene3d::TGLExtensionsAndEntryPoints& gl_;
};

class ProgressShown {
 public:
  explicit ProgressShown(SurfaceProgress& progress) : progress_(progress) { progress_.Start(); }
  ~ProgressShown() { progress_.Finish(); }
  ProgressShown(const ProgressShown&) = delete;
  ProgressShown& operator=(const ProgressShown&) = delete;

 private:
  SurfaceProgress& progress_;
};

void DrawQuads(const ReliefSurface& surface, int w, int h, SurfaceProgress& progress) {
  const machining::ReliefModel& model = *surface.model;
  const machining::HeightGrid& grid = model.grid;
  const float reference = surface.zNoCut ? surface.zNoCutHeight : kNoReferenceHeight;
  const float tolerance = surface.zNoCutTolerance;
  const int sx = SurfaceStep(surface.resolution, w);
  const int sy = SurfaceStep(surface.resolution, h);
  const std::vector<int> columns = SurfaceIndices(w, sx);
  const std::vector<int> rows = SurfaceIndices(h, sy);
  const int divisor = std::max(1, h / 10);

  scene3d::TGLExtensionsAndEntryPoints& gl = scene3d::ActiveGLTable();
  ProgressShown shown(progress);
  QuadsBlock quads(gl);
  auto vertex = [&](int column, int row) {
    const float z = grid.At(column, row);
    const float g = machining::SurfaceShade(model, z);
    gl.Color3f(g, g, 1.0f);
    gl.Vertex3f(float(column) * model.gridStep + model.gridOriginX, float(row) * model.gridStep + model.gridOriginY, z);
  };
  for (int c : rows) {
    if (c % divisor == 0) progress.Advance(10);
    for (int l : columns) {
      // A quad whose corner (l, c) lies at the reference height is left out.
      if (!(std::fabs(grid.At(l, c) - reference) > tolerance)) continue;
      vertex(l - sx, c - sy);
      vertex(l, c - sy);
      vertex(l, c);
      vertex(l - sx, c);
    }
  }
}

}  // namespace

int SurfaceStep(SurfaceResolution resolution, int n) {
  // Columns: n <= 50, <= 200, <= 1500, above.
  static constexpr int kSteps[3][4] = {{1, 5, 10, 25}, {1, 2, 5, 10}, {1, 1, 1, 1}};
  const int band = n <= 50 ? 0 : n <= 200 ? 1 : n <= 1500 ? 2 : 3;
  return kSteps[static_cast<int>(resolution)][band];
}

std::vector<int> SurfaceIndices(int n, int step) {
  std::vector<int> indices;
  if (n < 1 || step < 1) return indices;
  indices.reserve(size_t(n / step) + 1);
  for (int i = step; i <= n; i += step) indices.push_back(i);
  if (indices.empty() || indices.back() != n) indices.push_back(n);
  return indices;
}

void DrawReliefSurface(const ReliefSurface& surface, scene3d::TGLStateCache& states, SurfaceProgress& progress) {
  if (!surface.model || surface.pixelWidth <= 0 || surface.pixelHeight <= 0) return;
  states.EnableState(scene3d::stColorMaterial);
  states.DisableState(scene3d::stCullFace);
  if (surface.mode == SurfaceMode::Wire) states.SetPolygonMode(scene3d::pmLines);
  if (surface.mode == SurfaceMode::Shade) states.SetPolygonMode(scene3d::pmFill);
  struct Restore {
    scene3d::TGLStateCache& states;
    ~Restore() {
      states.EnableState(scene3d::stCullFace);
      states.DisableState(scene3d::stColorMaterial);
      states.SetPolygonMode(scene3d::pmFill);
    }
  } restore{states};
  if (surface.mode == SurfaceMode::None) return;
  // A picture of one pixel across has no quad (and no grid step); a grid of another size is stale.
  const int w = surface.pixelWidth - 1, h = surface.pixelHeight - 1;
  const machining::HeightGrid& grid = surface.model->grid;
  if (w < 1 || h < 1 || grid.Columns() != surface.pixelWidth || grid.Rows() != surface.pixelHeight) return;
  DrawQuads(surface, w, h, progress);
}

}  // namespace app
