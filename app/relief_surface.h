// The relief surface of the 3D view (GLSuperficie's drawing): the height grid as coloured quads, one
// every few pixels by the shading resolution, blue at the black depth and white at the white depth,
// with the quads at the "Z no cut" height left out. Plain drawing through the state cache and the
// active OpenGL table; the window supplies the values and shows the progress.
//
// The quads are made once into a mesh (a vertex and a colour per grid node, shared by the quads
// that meet there, four indices a quad) and drawn from it by vertex arrays, one draw per band of
// rows, at every frame until the surface changes (a new grid, mode, resolution or "Z no cut"
// height): a display list of a million quads took longer to compile than the mesh to make.
//   surface->OnRender = [&](TObject*, RenderContextInfo& rci) {
//     drawing.Draw(ReliefSurfaceOf(...), *rci.GLStates, progress);   // drawing.Invalidate() on a change
//   };
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "machining/relief_model.h"
#include "platform/memory.h"
#include "scene3d/gl_state.h"

namespace app {

enum class SurfaceMode { Shade, Wire, None };  // mnuSPShade "On", mnuSPWire, mnuSPNone
enum class SurfaceResolution { Coarse, Medium, Fine };

// The quad step for n = pixels - 1 along one side: the finer the resolution and the smaller the
// picture, the smaller the step (1 for Fine, and for every picture of 51 pixels or less).
int SurfaceStep(SurfaceResolution resolution, int n);

// The node indices the quads end on along one side: step, 2 step, ... and n itself once, so the last
// row or column is always reached and never drawn twice. Empty for n < 1.
std::vector<int> SurfaceIndices(int n, int step);

// The memory the surface's mesh may take, the driver's copy of it included: a quarter of the least of
// the physical memory, the process's address-space limit and its control group's memory limit (1 GiB
// where none is told), so the picture, its grid and the rest of the process keep the other three and
// a limited process draws a coarser surface rather than being killed.
uint64_t SurfaceMemoryBudget(const platform::MemoryLimits& limits);
uint64_t SurfaceMemoryBudget();

// The bytes the mesh of a picture of (w + 1) x (h + 1) pixels takes at the steps (sx, sy) while it is
// made and handed to OpenGL: its vertices and quads, ours and the driver's copy.
uint64_t SurfaceMeshBytes(int w, int h, int sx, int sy);

// The quad steps a surface is drawn at: the resolution's (SurfaceStep), or, where that mesh would take
// more than `budget` bytes, the finest common step (each side keeping at least its own) whose mesh
// fits; `reduced` is set then and `step` is that step.
struct SurfaceSteps {
  int sx = 1;
  int sy = 1;
  bool reduced = false;
  int step = 1;
};
SurfaceSteps SurfaceStepsWithin(SurfaceResolution resolution, int w, int h, uint64_t budget);

// What the drawing shows while it runs on the GUI thread: the progress bar (0 ... 100) and the
// hourglass. Start is called only when quads are to be made, Finish after it in every case.
class SurfaceProgress {
 public:
  virtual ~SurfaceProgress() = default;
  virtual void Start() = 0;
  virtual void Advance(int by) = 0;
  virtual void Finish() = 0;
};

struct ReliefSurface {
  // The relief; no picture (pixelWidth or pixelHeight 0) draws nothing.
  const machining::ReliefModel* model = nullptr;
  int pixelWidth = 0;   // the working bitmap's size
  int pixelHeight = 0;
  SurfaceMode mode = SurfaceMode::Shade;
  SurfaceResolution resolution = SurfaceResolution::Fine;
  bool zNoCut = false;
  float zNoCutHeight = 0.0f;
  float zNoCutTolerance = 0.0f;
  // The bytes the mesh may take (SurfaceMemoryBudget in the window).
  uint64_t memoryBudget = UINT64_MAX;
};

// The quads of a surface: the grid nodes they use, each its position (x, y, z) and colour (g, g, 1),
// four vertex indices a quad in the order (l - sx, c - sy), (l, c - sy), (l, c), (l - sx, c), and
// where each band of rows begins in `quads` (the last entry is the end).
struct SurfaceMesh {
  static constexpr size_t kFloatsPerVertex = 6;
  std::vector<float> vertices;  // x, y, z, r, g, b
  std::vector<uint32_t> quads;
  std::vector<size_t> bands;
  SurfaceSteps steps;  // the steps it was made at
  size_t VertexCount() const { return vertices.size() / kFloatsPerVertex; }
  size_t QuadCount() const { return quads.size() / 4; }
};

// Makes the quads at the steps that fit the surface's memory budget, showing the progress while it
// runs. Empty for a surface that draws no quad ("None", a picture narrower or lower than 2 pixels, or
// a grid built for another picture size).
SurfaceMesh BuildSurfaceMesh(const ReliefSurface& surface, SurfaceProgress& progress);

// Draws the surface into the current context from a mesh kept between frames in buffer objects of
// the context: made again at the first Draw after Invalidate (or in a new context), drawn as it is
// otherwise; the progress shows only while it is made. Without buffer objects the mesh is kept here
// and drawn from client arrays. Colour material on and face culling off while it draws; afterwards
// culling is on, colour material off and the polygon mode filled again, so the objects drawn after
// it are not left in wire frame. Draws nothing without a picture, and no quad for a picture narrower
// or lower than 2 pixels, or when the grid was built for another picture size (it is out of date
// until the depth page applies it again). A build that runs out of memory or fails leaves no quads and
// is not tried again until the surface changes; its report tells the window once.
struct SurfaceBuildReport {
  enum class Outcome { Built, OutOfMemory, Failed };
  Outcome outcome = Outcome::Built;
  SurfaceSteps steps;  // the steps of a surface built
  std::string error;   // what failed
};

class ReliefSurfaceDrawing {
 public:
  ReliefSurfaceDrawing();
  ~ReliefSurfaceDrawing();
  ReliefSurfaceDrawing(const ReliefSurfaceDrawing&) = delete;
  ReliefSurfaceDrawing& operator=(const ReliefSurfaceDrawing&) = delete;

  void Invalidate() { stale_ = true; }
  void Draw(const ReliefSurface& surface, scene3d::TGLStateCache& states, SurfaceProgress& progress);
  // The quads drawn at each frame.
  size_t QuadCount() const;
  // The report of the last build of quads, once: none when no build ran since the last call.
  std::optional<SurfaceBuildReport> TakeBuildReport() { return std::exchange(report_, std::nullopt); }

 private:
  struct Buffers;
  // Makes the mesh and, with buffer objects, hands it to them; a failure leaves no quads.
  SurfaceBuildReport MakeMesh(const ReliefSurface& surface, SurfaceProgress& progress, bool buffered);
  // False when the driver ran out of memory for it.
  bool Upload();
  // The buffers emptied: the driver gives back its copy.
  void ReleaseBuffers();
  std::unique_ptr<Buffers> buffers_;
  // The bands always; the vertices and quads only without buffer objects.
  SurfaceMesh mesh_;
  bool stale_ = true;
  std::optional<SurfaceBuildReport> report_;
};

}  // namespace app
