#include "app/relief_surface.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <stdexcept>

#include "machining/relief.h"
#include "platform/memory.h"
#include "scene3d/gl_context.h"
#include "scene3d/gl_entry_points.h"
#include "scene3d/rendering_log.h"
#include "scene3d/silent_abort.h"

namespace app {

namespace {

// No quad is left out unless "Z no cut" names a height.
constexpr float kNoReferenceHeight = 99999.125f;
// Quads a draw call takes at most: a band of rows, so no call holds the whole grid.
constexpr size_t kBandQuads = 65536;
// The budget where the system does not tell its memory.
constexpr uint64_t kUnknownMemoryBudget = uint64_t(1) << 30;

// Nodes and quads along one side of n = pixels - 1 at a step of 1 ... n: the nodes 0, step, 2 step, ...
// and, where step does not divide n, the last quad's two, n - step and n (as NodesOf finds them).
struct SideCounts {
  uint64_t nodes;
  uint64_t quads;
};

SideCounts CountsOf(int n, int step) {
  const uint64_t whole = uint64_t(n / step), rest = n % step ? 1 : 0;
  return {whole + 1 + 2 * rest, whole + rest};
}

class ProgressShown {
 public:
  explicit ProgressShown(SurfaceProgress& progress) : progress_(progress) { progress_.Start(); }
  ~ProgressShown() { progress_.Finish(); }
  ProgressShown(const ProgressShown&) = delete;
  ProgressShown& operator=(const ProgressShown&) = delete;

 private:
  SurfaceProgress& progress_;
};

// The node indices the quads of one side touch (each index i and i - step), ascending, and for each
// node index its place among them (-1 where no quad touches it).
struct SideNodes {
  std::vector<int> nodes;
  std::vector<int> place;
};

SideNodes NodesOf(const std::vector<int>& indices, int n, int step) {
  SideNodes side;
  side.place.assign(size_t(n) + 1, -1);
  for (int i : indices) side.place[size_t(i)] = side.place[size_t(i - step)] = 0;
  for (int i = 0; i <= n; ++i)
    if (side.place[size_t(i)] == 0) {
      side.place[size_t(i)] = int(side.nodes.size());
      side.nodes.push_back(i);
    }
  return side;
}

// Without a relief or a picture nothing is drawn, not even the state the surface draws in.
bool HasPicture(const ReliefSurface& surface) {
  return surface.model && surface.pixelWidth > 0 && surface.pixelHeight > 0;
}

bool DrawsQuads(const ReliefSurface& surface) {
  if (!HasPicture(surface) || surface.mode == SurfaceMode::None) return false;
  // A picture of one pixel across has no quad (and no grid step); a grid of another size is stale.
  const machining::HeightGrid& grid = surface.model->grid;
  return surface.pixelWidth >= 2 && surface.pixelHeight >= 2 && grid.Columns() == surface.pixelWidth &&
         grid.Rows() == surface.pixelHeight;
}

// Colour material on and culling off while the surface draws; afterwards culling on, colour material
// off and the polygons filled again, so the objects drawn after it are not left in wire frame.
template <class Draw>
void WithSurfaceState(SurfaceMode mode, scene3d::TGLStateCache& states, Draw draw) {
  states.EnableState(scene3d::stColorMaterial);
  states.DisableState(scene3d::stCullFace);
  if (mode == SurfaceMode::Wire) states.SetPolygonMode(scene3d::pmLines);
  if (mode == SurfaceMode::Shade) states.SetPolygonMode(scene3d::pmFill);
  struct Restore {
    scene3d::TGLStateCache& states;
    ~Restore() {
      states.EnableState(scene3d::stCullFace);
      states.DisableState(scene3d::stColorMaterial);
      states.SetPolygonMode(scene3d::pmFill);
    }
  } restore{states};
  if (mode != SurfaceMode::None) draw();
}

// The client arrays are switched off again also when a call inside aborts the drawing.
class ClientArrays {
 public:
  // `vertices` is the interleaved array, or null for the bound buffer.
  ClientArrays(scene3d::TGLExtensionsAndEntryPoints& gl, const float* vertices) : gl_(gl) {
    constexpr GLsizei stride = GLsizei(SurfaceMesh::kFloatsPerVertex * sizeof(float));
    gl_.EnableClientState(GL_VERTEX_ARRAY);
    gl_.EnableClientState(GL_COLOR_ARRAY);
    // As an address, since from a buffer it is an offset from null.
    const auto at = reinterpret_cast<uintptr_t>(vertices);
    gl_.VertexPointer(3, GL_FLOAT, stride, vertices);
    gl_.ColorPointer(3, GL_FLOAT, stride, reinterpret_cast<const void*>(at + 3 * sizeof(float)));
  }
  ~ClientArrays() {
    gl_.DisableClientState(GL_COLOR_ARRAY);
    gl_.DisableClientState(GL_VERTEX_ARRAY);
  }
  ClientArrays(const ClientArrays&) = delete;
  ClientArrays& operator=(const ClientArrays&) = delete;

 private:
  scene3d::TGLExtensionsAndEntryPoints& gl_;
};

// One draw per band; `quads` is the index array or, from a buffer object, null (offsets from 0).
void DrawBands(scene3d::TGLExtensionsAndEntryPoints& gl, const std::vector<size_t>& bands, const uint32_t* quads) {
  for (size_t b = 0; b + 1 < bands.size(); ++b) {
    const size_t first = bands[b], end = bands[b + 1];
    if (end > first) gl.DrawElements(GL_QUADS, GLsizei(end - first), GL_UNSIGNED_INT, quads + first);
  }
}

}  // namespace

int SurfaceStep(SurfaceResolution resolution, int n) {
  // Columns: n <= 50, <= 200, <= 1500, above.
  static constexpr int kSteps[3][4] = {{1, 5, 10, 25}, {1, 2, 5, 10}, {1, 1, 1, 1}};
  const int band = n <= 50 ? 0 : n <= 200 ? 1 : n <= 1500 ? 2 : 3;
  return kSteps[static_cast<int>(resolution)][band];
}

uint64_t SurfaceMemoryBudget(const platform::MemoryLimits& limits) {
  const uint64_t least = platform::LeastMemoryLimit(limits);
  return least ? least / 4 : kUnknownMemoryBudget;
}

uint64_t SurfaceMemoryBudget() { return SurfaceMemoryBudget(platform::CurrentMemoryLimits()); }

uint64_t SurfaceMeshBytes(int w, int h, int sx, int sy) {
  if (w < 1 || h < 1 || sx < 1 || sy < 1) return 0;
  const SideCounts across = CountsOf(w, std::min(sx, w)), up = CountsOf(h, std::min(sy, h));
  const uint64_t vertexBytes = SurfaceMesh::kFloatsPerVertex * sizeof(float), quadBytes = 4 * sizeof(uint32_t);
  // Ours while it is made, and the driver's copy once it is handed over.
  return 2 * (across.nodes * up.nodes * vertexBytes + across.quads * up.quads * quadBytes);
}

SurfaceSteps SurfaceStepsWithin(SurfaceResolution resolution, int w, int h, uint64_t budget) {
  SurfaceSteps steps;
  steps.sx = SurfaceStep(resolution, w);
  steps.sy = SurfaceStep(resolution, h);
  if (w < 1 || h < 1 || SurfaceMeshBytes(w, h, steps.sx, steps.sy) <= budget) return steps;
  // The mesh shrinks as the step grows; a step past a side is that side in one quad.
  const int tableX = steps.sx, tableY = steps.sy;
  for (int step = 2; step <= std::max(w, h); ++step) {
    steps.sx = std::min(std::max(tableX, step), w);
    steps.sy = std::min(std::max(tableY, step), h);
    steps.reduced = true;
    steps.step = step;
    if (SurfaceMeshBytes(w, h, steps.sx, steps.sy) <= budget) break;
  }
  return steps;
}

std::vector<int> SurfaceIndices(int n, int step) {
  std::vector<int> indices;
  if (n < 1 || step < 1) return indices;
  indices.reserve(size_t(n / step) + 1);
  for (int i = step; i <= n; i += step) indices.push_back(i);
  if (indices.empty() || indices.back() != n) indices.push_back(n);
  return indices;
}

SurfaceMesh BuildSurfaceMesh(const ReliefSurface& surface, SurfaceProgress& progress) {
  SurfaceMesh mesh;
  if (!DrawsQuads(surface)) return mesh;
  const machining::ReliefModel& model = *surface.model;
  const machining::HeightGrid& grid = model.grid;
  const int w = surface.pixelWidth - 1, h = surface.pixelHeight - 1;
  const float reference = surface.zNoCut ? surface.zNoCutHeight : kNoReferenceHeight;
  const float tolerance = surface.zNoCutTolerance;
  mesh.steps = SurfaceStepsWithin(surface.resolution, w, h, surface.memoryBudget);
  const int sx = mesh.steps.sx, sy = mesh.steps.sy;
  const std::vector<int> columns = SurfaceIndices(w, sx);
  const std::vector<int> rows = SurfaceIndices(h, sy);
  const int divisor = std::max(1, h / 10);
  ProgressShown shown(progress);

  const SideNodes across = NodesOf(columns, w, sx), up = NodesOf(rows, h, sy);
  const size_t width = across.nodes.size();
  mesh.vertices.reserve(width * up.nodes.size() * SurfaceMesh::kFloatsPerVertex);
  for (int row : up.nodes) {
    const float y = float(row) * model.gridStep + model.gridOriginY;
    for (int column : across.nodes) {
      const float z = grid.At(column, row);
      const float g = machining::SurfaceShade(model, z);
      mesh.vertices.insert(mesh.vertices.end(), {float(column) * model.gridStep + model.gridOriginX, y, z, g, g, 1.0f});
    }
  }
  auto vertex = [&](int column, int row) {
    return uint32_t(size_t(up.place[size_t(row)]) * width + size_t(across.place[size_t(column)]));
  };
  mesh.quads.reserve(columns.size() * rows.size() * 4);
  mesh.bands.push_back(0);
  for (int c : rows) {
    if (c % divisor == 0) progress.Advance(10);
    for (int l : columns) {
      // A quad whose corner (l, c) lies at the reference height is left out.
      if (!(std::fabs(grid.At(l, c) - reference) > tolerance)) continue;
      mesh.quads.insert(mesh.quads.end(), {vertex(l - sx, c - sy), vertex(l, c - sy), vertex(l, c), vertex(l - sx, c)});
    }
    if (mesh.quads.size() - mesh.bands.back() >= kBandQuads * 4) mesh.bands.push_back(mesh.quads.size());
  }
  if (mesh.bands.back() != mesh.quads.size()) mesh.bands.push_back(mesh.quads.size());
  return mesh;
}

// The vertex buffer (positions, then colours) and the index buffer, one pair per context.
struct ReliefSurfaceDrawing::Buffers {
  Buffers() {
    for (scene3d::TGLVirtualHandle* handle : {&vertices, &indices}) {
      handle->SetOnAllocate([](scene3d::TGLVirtualHandle*, GLuint& name) { scene3d::ActiveGLTable().GenBuffers(1, &name); });
      handle->SetOnDestroy([](scene3d::TGLVirtualHandle*, GLuint& name) { scene3d::ActiveGLTable().DeleteBuffers(1, &name); });
    }
  }
  scene3d::TGLVirtualHandle vertices{scene3d::GLContextManager()};
  scene3d::TGLVirtualHandle indices{scene3d::GLContextManager()};
};

ReliefSurfaceDrawing::ReliefSurfaceDrawing() : buffers_(std::make_unique<Buffers>()) {}

ReliefSurfaceDrawing::~ReliefSurfaceDrawing() = default;

bool ReliefSurfaceDrawing::Upload() {
  scene3d::TGLExtensionsAndEntryPoints& gl = scene3d::ActiveGLTable();
  // Errors other drawing left are not the upload's.
  gl.DrainGLErrors();
  // Each array goes as soon as the driver holds its copy, so the whole mesh is never held twice.
  gl.BindBuffer(GL_ARRAY_BUFFER, buffers_->vertices.Identifier());
  gl.BufferData(GL_ARRAY_BUFFER, GLsizeiptr(mesh_.vertices.size() * sizeof(float)), mesh_.vertices.data(), GL_STATIC_DRAW);
  mesh_.vertices = {};
  gl.BindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers_->indices.Identifier());
  gl.BufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(mesh_.quads.size() * sizeof(uint32_t)), mesh_.quads.data(),
                GL_STATIC_DRAW);
  mesh_.quads = {};
  bool stored = true;
  for (int i = 0; i < 7; ++i) {
    const GLenum error = gl.GetError();
    if (error == GL_NO_ERROR) break;
    if (error == GL_OUT_OF_MEMORY) stored = false;
    else scene3d::LogLine(scene3d::lkError, "OpenGL error " + std::to_string(error) + " before the relief surface");
  }
  return stored;
}

SurfaceBuildReport ReliefSurfaceDrawing::MakeMesh(const ReliefSurface& surface, SurfaceProgress& progress, bool buffered) {
  SurfaceBuildReport report;
  // The driver's copy of the former mesh goes first too, so the budget holds while the new one is made.
  if (buffered && !mesh_.bands.empty()) ReleaseBuffers();
  try {
    mesh_ = SurfaceMesh();  // the old mesh goes first: two are never held at once
    mesh_ = BuildSurfaceMesh(surface, progress);
    report.steps = mesh_.steps;
    if (buffered && !Upload()) report.outcome = SurfaceBuildReport::Outcome::OutOfMemory;
  } catch (const scene3d::EAbort&) {
    // No context to draw in: the next frame tries again.
    stale_ = true;
    throw;
  } catch (const std::bad_alloc&) {
    report.outcome = SurfaceBuildReport::Outcome::OutOfMemory;
  } catch (const std::length_error&) {
    report.outcome = SurfaceBuildReport::Outcome::OutOfMemory;
  } catch (const std::exception& error) {
    report.outcome = SurfaceBuildReport::Outcome::Failed;
    report.error = error.what();
  }
  if (report.outcome != SurfaceBuildReport::Outcome::Built) {
    // No quads, and the buffers give back what they may hold of this or the former surface.
    mesh_ = SurfaceMesh();
    if (buffered) ReleaseBuffers();
  }
  return report;
}

void ReliefSurfaceDrawing::ReleaseBuffers() {
  scene3d::TGLExtensionsAndEntryPoints& gl = scene3d::ActiveGLTable();
  gl.BindBuffer(GL_ARRAY_BUFFER, buffers_->vertices.Identifier());
  gl.BufferData(GL_ARRAY_BUFFER, 0, nullptr, GL_STATIC_DRAW);
  gl.BindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers_->indices.Identifier());
  gl.BufferData(GL_ELEMENT_ARRAY_BUFFER, 0, nullptr, GL_STATIC_DRAW);
  gl.BindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
  gl.BindBuffer(GL_ARRAY_BUFFER, 0);
}

size_t ReliefSurfaceDrawing::QuadCount() const { return mesh_.bands.empty() ? 0 : mesh_.bands.back() / 4; }

void ReliefSurfaceDrawing::Draw(const ReliefSurface& surface, scene3d::TGLStateCache& states,
                                SurfaceProgress& progress) {
  if (!HasPicture(surface)) return;
  WithSurfaceState(surface.mode, states, [&] {
    scene3d::TGLExtensionsAndEntryPoints& gl = scene3d::ActiveGLTable();
    const bool buffered = gl.GLVersion1_5;
    if (buffered) {
      for (scene3d::TGLVirtualHandle* handle : {&buffers_->vertices, &buffers_->indices}) {
        // A context that has no buffers yet (the first, or a new one) has no mesh either.
        if (handle->Identifier() == 0) {
          handle->AllocateIdentifier();
          stale_ = true;
        }
      }
      if (buffers_->vertices.Identifier() == 0 || buffers_->indices.Identifier() == 0) return;
    }
    if (stale_) {
      // Made again only when the surface changes, also when it failed: a failure at every frame
      // would hold the window for the whole build each time.
      stale_ = false;
      report_ = MakeMesh(surface, progress, buffered);
    }
    if (QuadCount() == 0) return;
    if (!buffered) {
      ClientArrays arrays(gl, mesh_.vertices.data());
      DrawBands(gl, mesh_.bands, mesh_.quads.data());
      return;
    }
    // The buffers are unbound again for the objects drawn after, which pass their arrays as pointers.
    struct Unbind {
      scene3d::TGLExtensionsAndEntryPoints& gl;
      ~Unbind() {
        gl.BindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
        gl.BindBuffer(GL_ARRAY_BUFFER, 0);
      }
    } unbind{gl};
    gl.BindBuffer(GL_ARRAY_BUFFER, buffers_->vertices.Identifier());
    gl.BindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers_->indices.Identifier());
    ClientArrays arrays(gl, nullptr);
    DrawBands(gl, mesh_.bands, nullptr);
  });
}

}  // namespace app
