#include "machining/stl_writer.h"

#include <array>
#include <cmath>
#include <limits>

#include "machining/relief.h"
#include "platform/atomic_file.h"
#include "platform/binary_stream.h"

namespace machining {

namespace {

using Vec = std::array<double, 3>;

Vec Unit(const Vec& v) {
  const double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  if (!(length > 0.0)) return {0.0, 0.0, 0.0};
  return {v[0] / length, v[1] / length, v[2] / length};
}

Vec Cross(const Vec& a, const Vec& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

Vec Minus(const Vec& a, const Vec& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }

// Facets gathered in a buffer and handed to the sink a block at a time.
class FacetWriter {
 public:
  explicit FacetWriter(const std::function<void(const uint8_t*, size_t)>& sink) : sink_(sink) {}
  ~FacetWriter() = default;

  void Facet(const Vec& normal, const Vec& a, const Vec& b, const Vec& c) {
    for (const Vec* v : {&normal, &a, &b, &c})
      for (double coordinate : *v) out_.F32(static_cast<float>(coordinate));
    out_.U16(0);
    if (out_.Size() >= kBlock) Flush();
  }
  // A facet whose normal comes from its own edges.
  void Facet(const Vec& a, const Vec& b, const Vec& c) { Facet(Unit(Cross(Minus(b, a), Minus(c, a))), a, b, c); }
  void Flush() {
    if (out_.Size() == 0) return;
    const platform::Bytes block = out_.Take();
    sink_(block.data(), block.size());
    out_ = platform::ByteWriter();
  }

 private:
  static constexpr size_t kBlock = kStlFacetSize * 20000;
  const std::function<void(const uint8_t*, size_t)>& sink_;
  platform::ByteWriter out_;
};

}  // namespace

uint64_t StlFacetCount(int64_t columns, int64_t rows, bool solid) {
  if (columns < 2 || rows < 2) return 0;
  const uint64_t cellsX = static_cast<uint64_t>(columns - 1), cellsY = static_cast<uint64_t>(rows - 1);
  uint64_t count = 2 * cellsX * cellsY;
  if (solid) count += 2 * (2 * cellsX + 2 * cellsY) + 2;
  return count;
}

void WriteStl(const ReliefModel& model, bool solid, const std::function<void(const uint8_t*, size_t)>& sink) {
  const HeightGrid& grid = model.grid;
  const int columns = grid.Columns(), rows = grid.Rows();
  const uint64_t count = StlFacetCount(columns, rows, solid);
  if (count == 0) throw ReliefError("There is no relief to write: build it on the depth page first.");
  if (count > std::numeric_limits<uint32_t>::max()) throw ReliefError("The relief has too many facets for an STL file.");
  const double step = model.gridStep, originX = model.gridOriginX, originY = model.gridOriginY;
  auto node = [&](int x, int y) -> Vec { return {originX + x * step, originY + y * step, grid.At(x, y)}; };
  auto base = [&](int x, int y) -> Vec { return {originX + x * step, originY + y * step, model.zBlack}; };

  platform::ByteWriter header;
  header.Fill(0, 80);
  header.U32(static_cast<uint32_t>(count));
  sink(header.Data().data(), header.Size());

  FacetWriter out(sink);
  for (int y = 0; y + 1 < rows; ++y)
    for (int x = 0; x + 1 < columns; ++x) {
      out.Facet(node(x, y), node(x + 1, y), node(x, y + 1));
      out.Facet(node(x + 1, y + 1), node(x, y + 1), node(x + 1, y));
    }
  if (solid) {
    // Two facets of the wall from node (x, y) to node (x + dx, y + dy), down to the base.
    auto wall = [&](int x, int y, int dx, int dy, const Vec& normal) {
      out.Facet(normal, node(x, y), base(x, y), base(x + dx, y + dy));
      out.Facet(normal, node(x, y), base(x + dx, y + dy), node(x + dx, y + dy));
    };
    for (int x = 0; x + 1 < columns; ++x) wall(x, 0, 1, 0, {0, -1, 0});
    for (int y = 0; y + 1 < rows; ++y) wall(columns - 1, y, 0, 1, {1, 0, 0});
    for (int x = columns - 1; x >= 1; --x) wall(x, rows - 1, -1, 0, {0, 1, 0});
    for (int y = rows - 1; y >= 1; --y) wall(0, y, 0, -1, {-1, 0, 0});
    const Vec down = {0, 0, -1};
    out.Facet(down, base(0, 0), base(0, rows - 1), base(columns - 1, 0));
    out.Facet(down, base(0, rows - 1), base(columns - 1, rows - 1), base(columns - 1, 0));
  }
  out.Flush();
}

void WriteStlFile(const std::string& path, const ReliefModel& model, bool solid) {
  // Refused before a file is made.
  if (StlFacetCount(model.grid.Columns(), model.grid.Rows(), solid) == 0)
    throw ReliefError("There is no relief to write: build it on the depth page first.");
  platform::AtomicFile file(path);
  WriteStl(model, solid, [&](const uint8_t* data, size_t size) { file.Write(data, size); });
  file.Commit();
}

}  // namespace machining
