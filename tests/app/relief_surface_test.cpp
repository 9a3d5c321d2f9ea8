// The relief surface's quads, read from the mesh the drawing makes and drawn through a recording
// OpenGL table: steps by resolution, the last row and column, "Z no cut" gaps, colours, the modes, the
// state left for the objects after it, and the mesh kept in buffer objects between frames.
#include "app/relief_surface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>
#include <functional>
#include <optional>
#include <set>
#include <utility>

#include "scene3d/fake_context.h"
#include "scene3d/fake_gl.h"

using app::ReliefSurface;
using app::SurfaceResolution;
using app::SurfaceMode;
using testing_support::ActiveFakeTable;

namespace {

class RecordingProgress : public app::SurfaceProgress {
 public:
  void Start() override { ++starts; }
  void Advance(int by) override { advanced += by; }
  void Finish() override { ++finishes; }
  int starts = 0, advanced = 0, finishes = 0;
};

// A relief of columns x rows pixels, one drawing unit a pixel, origin (0, 0), black -5, white 0; the
// height is height(column, row).
struct Relief {
  Relief(int columns, int rows, const std::function<float(int, int)>& height = nullptr) {
    model.grid.Resize(columns, rows, 0.0f);
    model.gridStep = 1.0f;
    model.zWhite = 0.0f;
    model.zBlack = -5.0f;
    model.depth = 5.0f;
    if (height)
      for (int c = 0; c < columns; ++c)
        for (int r = 0; r < rows; ++r) model.grid.At(c, r) = height(c, r);
    surface.model = &model;
    surface.pixelWidth = columns;
    surface.pixelHeight = rows;
  }
  machining::ReliefModel model;
  ReliefSurface surface;
};

// A fake context made current for the test's life, its OpenGL of the given version.
struct CurrentFakeContext {
  explicit CurrentFakeContext(const char* version) : rc(scene3d::GLContextManager(), Versioned(gl, version)) {
    rc.CreateOnDevice(nullptr);
    rc.Activate();
  }
  ~CurrentFakeContext() { rc.Deactivate(); }
  static testing_support::FakeGL& Versioned(testing_support::FakeGL& gl, const char* version) {
    gl.strings[GL_VERSION] = version;
    return gl;
  }
  testing_support::FakeGL gl;
  testing_support::FakeContext rc;
};

struct Drawn {
  std::vector<std::pair<int, int>> quads;  // the (l, c) corner of each quad, its third vertex
  std::vector<std::array<double, 3>> colours;  // of every quad's four vertices in order
  std::vector<std::array<double, 3>> positions;
  std::vector<std::string> trace;
  size_t drawnIndices = 0;  // what the draw calls took
  int draws = 0;
};

// Draws a first frame as the 3D view does, with a state cache as a frame leaves it (face culling on),
// from client arrays (an OpenGL without buffer objects, so the quads' array is what is drawn), and
// reads the quads from the mesh the drawing makes: positions and colours by the four indices of each
// quad.
Drawn Draw(const ReliefSurface& surface, RecordingProgress& progress) {
  ActiveFakeTable fake({"GL_ARB_multitexture"}, "1.4");
  scene3d::TGLStateCache states;
  states.EnableState(scene3d::stCullFace);
  fake.gl.ClearCalls();
  app::ReliefSurfaceDrawing drawing;
  drawing.Draw(surface, states, progress);
  Drawn drawn;
  for (const testing_support::GLCall& call : fake.gl.calls)
    if (call.name == "DrawElements") {
      EXPECT_EQ(call.args[0], GL_QUADS);
      EXPECT_EQ(call.args[2], GL_UNSIGNED_INT);
      drawn.drawnIndices += size_t(call.args[1]);
      ++drawn.draws;
    }
  drawn.trace = fake.gl.Trace();
  RecordingProgress quiet;
  const app::SurfaceMesh mesh = app::BuildSurfaceMesh(surface, quiet);
  EXPECT_EQ(mesh.quads.size(), drawn.drawnIndices) << "every quad of the mesh is drawn, once";
  EXPECT_EQ(drawing.QuadCount(), mesh.QuadCount());
  for (size_t i = 0; i < mesh.quads.size(); ++i) {
    const float* v = &mesh.vertices[size_t(mesh.quads[i]) * app::SurfaceMesh::kFloatsPerVertex];
    drawn.positions.push_back({v[0], v[1], v[2]});
    drawn.colours.push_back({v[3], v[4], v[5]});
    if (i % 4 == 2) drawn.quads.emplace_back(int(v[0]), int(v[1]));
  }
  return drawn;
}

}  // namespace

TEST(ReliefSurface, StepsAndIndicesFollowTheTable) {
  struct Case {
    SurfaceResolution resolution;
    int n, step;
  };
  const Case cases[] = {
      {SurfaceResolution::Coarse, 50, 1},   {SurfaceResolution::Coarse, 51, 5},   {SurfaceResolution::Coarse, 200, 5},
      {SurfaceResolution::Coarse, 201, 10}, {SurfaceResolution::Coarse, 1500, 10}, {SurfaceResolution::Coarse, 1501, 25},
      {SurfaceResolution::Medium, 50, 1},   {SurfaceResolution::Medium, 200, 2},  {SurfaceResolution::Medium, 1500, 5},
      {SurfaceResolution::Medium, 1999, 10}, {SurfaceResolution::Fine, 3000, 1},  {SurfaceResolution::Fine, 1, 1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(app::SurfaceStep(c.resolution, c.n), c.step) << "n = " << c.n << ", resolution " << int(c.resolution);

  std::vector<int> coarse = app::SurfaceIndices(999, 10);
  ASSERT_EQ(coarse.size(), 100u);
  EXPECT_EQ(coarse[0], 10);
  EXPECT_EQ(coarse[98], 990);
  EXPECT_EQ(coarse[99], 999) << "the last column is reached once";
  EXPECT_EQ(app::SurfaceIndices(50, 5), (std::vector<int>{5, 10, 15, 20, 25, 30, 35, 40, 45, 50}))
      << "a side the step divides ends on itself, not twice";
  EXPECT_TRUE(app::SurfaceIndices(0, 1).empty());
}

TEST(ReliefSurface, QuadsCoverThePictureAtEveryResolution) {
  // 51 x 51: every quad once at every resolution; the progress bar runs 0 ... 100.
  for (SurfaceResolution resolution : {SurfaceResolution::Coarse, SurfaceResolution::Medium, SurfaceResolution::Fine}) {
    Relief relief(51, 51);
    relief.surface.resolution = resolution;
    RecordingProgress progress;
    const Drawn drawn = Draw(relief.surface, progress);
    const std::set<std::pair<int, int>> distinct(drawn.quads.begin(), drawn.quads.end());
    EXPECT_EQ(drawn.quads.size(), 2500u) << int(resolution);
    EXPECT_EQ(distinct.size(), 2500u) << "no quad twice";
    EXPECT_EQ(drawn.draws, 1) << "one band of rows";
    EXPECT_EQ(progress.starts, 1);
    EXPECT_EQ(progress.finishes, 1);
    EXPECT_EQ(progress.advanced, 100) << "a tenth of the rows at a time";
  }

  // 1000 x 300 at Coarse: columns 10 ... 990 and 999, rows 10 ... 290 and 299.
  Relief wide(1000, 300);
  wide.surface.resolution = SurfaceResolution::Coarse;
  RecordingProgress progress;
  const Drawn drawn = Draw(wide.surface, progress);
  std::set<int> columns, rows;
  for (auto [l, c] : drawn.quads) {
    columns.insert(l);
    rows.insert(c);
  }
  std::set<int> expectColumns, expectRows;
  for (int l = 10; l <= 990; l += 10) expectColumns.insert(l);
  expectColumns.insert(999);
  for (int c = 10; c <= 290; c += 10) expectRows.insert(c);
  expectRows.insert(299);
  EXPECT_EQ(columns, expectColumns);
  EXPECT_EQ(rows, expectRows);
  EXPECT_EQ(drawn.quads.size(), 100u * 30u);

  // Fine over 300 x 300: 89,401 quads in two bands of rows, each node made once for all its quads.
  Relief fine(300, 300);
  const Drawn many = Draw(fine.surface, progress);
  EXPECT_EQ(many.quads.size(), 299u * 299u);
  EXPECT_EQ(many.draws, 2);
  RecordingProgress quiet;
  EXPECT_EQ(app::BuildSurfaceMesh(fine.surface, quiet).VertexCount(), 300u * 300u);
  EXPECT_EQ(app::BuildSurfaceMesh(wide.surface, quiet).VertexCount(), 102u * 32u)
      << "Coarse nodes: 0, 10, ... 990, 989 and 999 across, 0 ... 290, 289 and 299 up";
}

TEST(ReliefSurface, QuadOrderPositionsAndColours) {
  // 3 x 2 pixels at (100, 200) with 2 units a pixel; column 2 black, the rest white.
  Relief relief(3, 2, [](int column, int) { return column == 2 ? -5.0f : 0.0f; });
  relief.model.gridStep = 2.0f;
  relief.model.gridOriginX = 100.0f;
  relief.model.gridOriginY = 200.0f;
  RecordingProgress progress;
  const Drawn drawn = Draw(relief.surface, progress);
  ASSERT_EQ(drawn.positions.size(), 8u);
  // The second quad (l = 2, c = 1): (1, 0), (2, 0), (2, 1), (1, 1) with their colours.
  using P = std::array<double, 3>;
  EXPECT_EQ(std::vector<P>(drawn.positions.begin() + 4, drawn.positions.end()),
            (std::vector<P>{{102, 200, 0}, {104, 200, -5}, {104, 202, -5}, {102, 202, 0}}));
  EXPECT_EQ(std::vector<P>(drawn.colours.begin() + 4, drawn.colours.end()),
            (std::vector<P>{{1, 1, 1}, {0, 0, 1}, {0, 0, 1}, {1, 1, 1}}));

  // A relief without depth is white, never a NaN colour.
  Relief flat(2, 2);
  flat.model.depth = 0.0f;
  flat.model.zBlack = 0.0f;
  const Drawn white = Draw(flat.surface, progress);
  ASSERT_EQ(white.colours.size(), 4u);
  for (const auto& colour : white.colours) EXPECT_EQ(colour, (std::array<double, 3>{1.0, 1.0, 1.0}));
}

TEST(ReliefSurface, ZNoCutLeavesOutTheQuadsAtThePickedHeight) {
  // Heights -2 on every third column, else -1; tolerance 0.1 around -2.
  auto height = [](int column, int) { return column % 3 == 0 ? -2.0f : -1.0f; };
  Relief relief(31, 11, height);
  RecordingProgress progress;
  EXPECT_EQ(Draw(relief.surface, progress).quads.size(), 300u) << "off: every quad";

  relief.surface.zNoCut = true;
  relief.surface.zNoCutHeight = -2.05f;
  relief.surface.zNoCutTolerance = 0.1f;
  const Drawn drawn = Draw(relief.surface, progress);
  EXPECT_EQ(drawn.quads.size(), 200u) << "columns 3, 6, ... 30 are left out";
  for (auto [l, c] : drawn.quads) EXPECT_NE(l % 3, 0) << l << ", " << c;
  relief.surface.zNoCutTolerance = 0.01f;
  EXPECT_EQ(Draw(relief.surface, progress).quads.size(), 300u) << "outside the tolerance nothing is left out";
}

std::string Call(const char* name, std::initializer_list<int> args) {
  std::string text = std::string(name) + "(";
  for (int a : args) text += std::to_string(a) + ",";
  text.back() = ')';
  return text;
}

// True when `calls` holds `expected` in this order (other calls between them allowed).
bool InOrder(const std::vector<std::string>& calls, const std::vector<std::string>& expected) {
  auto at = calls.begin();
  for (const std::string& e : expected) {
    at = std::find(at, calls.end(), e);
    if (at == calls.end()) return false;
    ++at;
  }
  return true;
}

TEST(ReliefSurface, ModesStateAndPicturesWithoutQuads) {
  const std::string lines = Call("PolygonMode", {GL_FRONT_AND_BACK, GL_LINE});
  const std::string filled = Call("PolygonMode", {GL_FRONT_AND_BACK, GL_FILL});
  struct Case {
    const char* what;
    int columns, rows;  // the picture
    int gridColumns;    // the grid as built
    SurfaceMode mode;
    bool quads;
  };
  const Case cases[] = {
      {"shaded", 4, 4, 4, SurfaceMode::Shade, true},
      {"wire frame", 4, 4, 4, SurfaceMode::Wire, true},
      {"none", 4, 4, 4, SurfaceMode::None, false},
      {"one pixel wide", 1, 4, 1, SurfaceMode::Shade, false},
      {"grid of an older picture", 5, 4, 4, SurfaceMode::Wire, false},
  };
  for (const Case& c : cases) {
    Relief relief(c.gridColumns, c.rows);
    relief.surface.pixelWidth = c.columns;
    relief.surface.mode = c.mode;
    RecordingProgress progress;
    const Drawn drawn = Draw(relief.surface, progress);
    EXPECT_EQ(!drawn.quads.empty(), c.quads) << c.what;
    EXPECT_EQ(drawn.draws, c.quads ? 1 : 0) << c.what;
    EXPECT_EQ(progress.starts, c.quads ? 1 : 0) << c.what << ": the progress bar shows only for quads";
    EXPECT_EQ(progress.finishes, progress.starts) << c.what;
    // Colour material on and culling off before; culling on, colour material off and the polygons
    // filled again after, so what is drawn next is not left in wire frame.
    const bool wire = c.mode == SurfaceMode::Wire;
    std::vector<std::string> expected = {Call("Enable", {GL_COLOR_MATERIAL}), Call("Disable", {GL_CULL_FACE})};
    if (wire) expected.push_back(lines);
    if (c.quads)
      expected.insert(expected.end(), {Call("EnableClientState", {GL_VERTEX_ARRAY}),
                                       Call("DrawElements", {GL_QUADS, 9 * 4, GL_UNSIGNED_INT, 1}),
                                       Call("DisableClientState", {GL_VERTEX_ARRAY})});
    expected.insert(expected.end(), {Call("Enable", {GL_CULL_FACE}), Call("Disable", {GL_COLOR_MATERIAL})});
    if (wire) expected.push_back(filled);
    EXPECT_TRUE(InOrder(drawn.trace, expected)) << c.what;
    EXPECT_EQ(std::count(drawn.trace.begin(), drawn.trace.end(), lines), wire ? 1 : 0) << c.what;
  }

  // No picture at all: not a single call.
  ReliefSurface none;
  RecordingProgress progress;
  EXPECT_TRUE(Draw(none, progress).trace.empty());
}

TEST(ReliefSurface, KeptMeshIsMadeOnceAndDrawnFromBuffersAtEveryFrame) {
  struct Case {
    const char* version;
    bool buffers;
  };
  for (const Case& c : {Case{"4.5", true}, Case{"1.4", false}}) {
    SCOPED_TRACE(c.version);
    CurrentFakeContext context(c.version);
    testing_support::FakeGL& gl = context.gl;
    Relief relief(21, 11);
    RecordingProgress progress;
    {
      app::ReliefSurfaceDrawing drawing;
      scene3d::TGLStateCache states;
      auto frame = [&] {
        gl.ClearCalls();
        drawing.Draw(relief.surface, states, progress);
        return gl.Trace();
      };
      auto count = [](const std::vector<std::string>& trace, const std::string& prefix) {
        return std::count_if(trace.begin(), trace.end(), [&](const std::string& call) { return call.rfind(prefix, 0) == 0; });
      };
      const std::vector<std::string> first = frame();
      EXPECT_EQ(progress.starts, 1);
      EXPECT_EQ(drawing.QuadCount(), 200u);
      EXPECT_EQ(count(first, "GenBuffers"), c.buffers ? 2 : 0);
      EXPECT_EQ(count(first, "BufferData"), c.buffers ? 2 : 0);
      // From a buffer the indices are an offset (null); else the mesh's own array.
      EXPECT_EQ(count(first, Call("DrawElements", {GL_QUADS, 800, GL_UNSIGNED_INT, c.buffers ? 0 : 1})), 1);
      if (c.buffers) {
        EXPECT_TRUE(InOrder(first, {Call("BindBuffer", {GL_ARRAY_BUFFER, 0})})) << "unbound for what comes after";
      }

      const std::vector<std::string> next = frame();
      EXPECT_EQ(progress.starts, 1) << "the next frame does not make the quads again";
      EXPECT_EQ(count(next, "BufferData"), 0);
      EXPECT_EQ(count(next, "DrawElements"), 1);

      relief.surface.zNoCut = true;  // every quad lies at height 0
      relief.surface.zNoCutHeight = 0;
      relief.surface.zNoCutTolerance = 0.5f;
      drawing.Invalidate();
      const std::vector<std::string> changed = frame();
      if (c.buffers) {
        // 21 x 11 nodes of 6 singles: the former mesh is given back before the new one is stored.
        EXPECT_TRUE(InOrder(changed, {Call("BufferData", {GL_ARRAY_BUFFER, 0, 0, GL_STATIC_DRAW}),
                                      Call("BufferData", {GL_ARRAY_BUFFER, 21 * 11 * 24, 1, GL_STATIC_DRAW})}));
      }
      EXPECT_EQ(progress.starts, 2);
      EXPECT_EQ(drawing.QuadCount(), 0u);
      EXPECT_EQ(count(changed, "DrawElements"), 0);
      gl.ClearCalls();
    }
    EXPECT_EQ(gl.Count("DeleteBuffers"), c.buffers ? 2 : 0)
        << "the buffers go with the drawing";
  }
}

TEST(ReliefSurface, MeshWithinTheMemoryBudget) {
  // The bytes counted ahead are what the mesh holds, twice (ours and the driver's copy).
  auto heldTwice = [](const app::SurfaceMesh& mesh) {
    return uint64_t(2 * (mesh.vertices.size() * sizeof(float) + mesh.quads.size() * sizeof(uint32_t)));
  };
  const uint64_t step2 = app::SurfaceMeshBytes(100, 60, 2, 2);
  struct Case {
    const char* what;
    int columns, rows;
    SurfaceResolution resolution;
    uint64_t budget;
    int sx, sy;
    bool reduced;
  };
  const Case cases[] = {
      {"no limit", 101, 61, SurfaceResolution::Fine, UINT64_MAX, 1, 1, false},
      {"Fine just fits", 101, 61, SurfaceResolution::Fine, app::SurfaceMeshBytes(100, 60, 1, 1), 1, 1, false},
      {"every second pixel fits exactly", 101, 61, SurfaceResolution::Fine, step2, 2, 2, true},
      {"a byte short of every second pixel", 101, 61, SurfaceResolution::Fine, step2 - 1, 3, 3, true},
      {"a step that does not divide the sides", 101, 61, SurfaceResolution::Fine, app::SurfaceMeshBytes(100, 60, 7, 7), 7, 7,
       true},
      {"Coarse keeps its own larger step", 201, 41, SurfaceResolution::Coarse, app::SurfaceMeshBytes(200, 40, 5, 3), 5, 3,
       true},
      {"a short side ends in one quad", 301, 3, SurfaceResolution::Fine, app::SurfaceMeshBytes(300, 2, 4, 2), 4, 2, true},
      {"nothing fits: one quad", 41, 21, SurfaceResolution::Medium, 0, 40, 20, true},
  };
  for (const Case& c : cases) {
    Relief relief(c.columns, c.rows, [](int column, int row) { return -float((column * 7 + row * 3) % 5); });
    relief.surface.resolution = c.resolution;
    relief.surface.memoryBudget = c.budget;
    RecordingProgress progress;
    const app::SurfaceMesh mesh = app::BuildSurfaceMesh(relief.surface, progress);
    EXPECT_EQ(mesh.steps.sx, c.sx) << c.what;
    EXPECT_EQ(mesh.steps.sy, c.sy) << c.what;
    EXPECT_EQ(mesh.steps.reduced, c.reduced) << c.what;
    EXPECT_EQ(heldTwice(mesh), app::SurfaceMeshBytes(c.columns - 1, c.rows - 1, c.sx, c.sy)) << c.what;
    if (c.budget > 0) {
      EXPECT_LE(heldTwice(mesh), c.budget) << c.what;
    }
    // The quads still cover the picture to its last row and column.
    const size_t quads = app::SurfaceIndices(c.columns - 1, c.sx).size() * app::SurfaceIndices(c.rows - 1, c.sy).size();
    EXPECT_EQ(mesh.QuadCount(), quads) << c.what;
    EXPECT_FLOAT_EQ(mesh.vertices[mesh.vertices.size() - app::SurfaceMesh::kFloatsPerVertex], float(c.columns - 1))
        << c.what << ": the last node is the picture's corner";
  }
  // A 16384 x 16384 picture at Fine needs tens of gigabytes; a quarter of a 24 GiB machine takes every
  // second pixel.
  EXPECT_GT(app::SurfaceMeshBytes(16383, 16383, 1, 1), uint64_t(20'000'000'000));
  const app::SurfaceSteps big = app::SurfaceStepsWithin(SurfaceResolution::Fine, 16383, 16383, uint64_t(6) << 30);
  EXPECT_TRUE(big.reduced);
  EXPECT_EQ(big.step, 2);
  // A quarter of the least of the physical memory, the address-space limit and the control group's
  // limit: a process limited below the machine is coarsened, not killed.
  constexpr uint64_t kGiB = uint64_t(1) << 30;
  const struct {
    platform::MemoryLimits limits;
    uint64_t budget;
  } budgets[] = {{{24 * kGiB, 0, 0}, 6 * kGiB},
                 {{24 * kGiB, 6 * kGiB, 0}, 6 * kGiB / 4},
                 {{24 * kGiB, 6 * kGiB, 2 * kGiB}, 2 * kGiB / 4},
                 {{24 * kGiB, 0, 4 * kGiB}, 1 * kGiB},
                 {{0, 0, 0}, 1 * kGiB}};  // nothing told
  for (const auto& b : budgets)
    EXPECT_EQ(app::SurfaceMemoryBudget(b.limits), b.budget)
        << b.limits.physical << " " << b.limits.addressSpace << " " << b.limits.cgroup;
  // Under a 6 GiB address space the 16384 x 16384 picture is drawn coarser, within a quarter of it.
  const app::SurfaceSteps limited = app::SurfaceStepsWithin(
      SurfaceResolution::Fine, 16383, 16383, app::SurfaceMemoryBudget({24 * kGiB, 6 * kGiB, 0}));
  EXPECT_TRUE(limited.reduced);
  EXPECT_LE(app::SurfaceMeshBytes(16383, 16383, limited.sx, limited.sy), 6 * kGiB / 4);
  EXPECT_EQ(app::SurfaceMemoryBudget(), app::SurfaceMemoryBudget(platform::CurrentMemoryLimits()));
}

TEST(ReliefSurface, FailedBuildIsReportedOnceAndNotTriedAtEveryFrame) {
  CurrentFakeContext context("4.5");
  testing_support::FakeGL& gl = context.gl;
  Relief relief(21, 11);
  RecordingProgress progress;
  {
    app::ReliefSurfaceDrawing drawing;
    scene3d::TGLStateCache states;
    using Outcome = app::SurfaceBuildReport::Outcome;
    struct Frame {
      const char* what;
      bool invalidate;
      bool driverOutOfMemory;
      bool staleError;              // an error earlier drawing left behind
      int builds;                   // the builds so far
      std::optional<Outcome> report;  // what the frame reports
      size_t quads;
    };
    const Frame frames[] = {
        {"the driver runs out of memory", true, true, false, 1, Outcome::OutOfMemory, 0},
        {"the next frame", false, false, false, 1, std::nullopt, 0},
        {"and the one after", false, false, false, 1, std::nullopt, 0},
        {"the surface changed", true, false, false, 2, Outcome::Built, 200},
        {"drawn from the kept mesh", false, false, false, 2, std::nullopt, 200},
        {"out of memory left by other drawing is not the surface's", true, false, true, 3, Outcome::Built, 200},
    };
    for (const Frame& f : frames) {
      if (f.invalidate) drawing.Invalidate();
      gl.raises.clear();
      if (f.driverOutOfMemory) gl.raises["BufferData"] = GL_OUT_OF_MEMORY;
      gl.errors.clear();
      if (f.staleError) gl.errors = {GL_OUT_OF_MEMORY};
      gl.ClearCalls();
      drawing.Draw(relief.surface, states, progress);
      EXPECT_EQ(progress.starts, f.builds) << f.what;
      EXPECT_EQ(progress.finishes, progress.starts) << f.what;
      const std::optional<app::SurfaceBuildReport> report = drawing.TakeBuildReport();
      EXPECT_EQ(report.has_value(), f.report.has_value()) << f.what;
      if (report && f.report) {
        EXPECT_EQ(report->outcome, *f.report) << f.what;
      }
      EXPECT_FALSE(drawing.TakeBuildReport().has_value()) << f.what << ": told once";
      EXPECT_EQ(drawing.QuadCount(), f.quads) << f.what;
      EXPECT_EQ(gl.Count("DrawElements"), f.quads ? 1 : 0) << f.what;
      if (f.driverOutOfMemory) {
        EXPECT_EQ(gl.Count("BufferData"), 4) << "the buffers give back what the driver kept of the mesh";
      }
    }
  }
}
