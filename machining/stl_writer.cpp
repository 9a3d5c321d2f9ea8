#include "machining/stl_writer.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <limits>
#include <vector>

#include "lang/lang.h"
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

// Facets packed into a block and handed to the sink a block at a time. A reversed writer turns every
// facet over (second and third vertex exchanged), for a solid whose base lies on top.
class FacetWriter {
 public:
  FacetWriter(const std::function<void(const uint8_t*, size_t)>& sink, bool reversed)
      : sink_(sink), reversed_(reversed), block_(kBlock) {}

  void Facet(const Vec& normal, const Vec& a, const Vec& b, const Vec& c) {
    if (used_ + kStlFacetSize > block_.size()) Flush();
    uint8_t* out = block_.data() + used_;
    for (const Vec* v : {&normal, &a, reversed_ ? &c : &b, reversed_ ? &b : &c})
      for (double coordinate : *v) out = PutF32(out, static_cast<float>(coordinate));
    out[0] = out[1] = 0;
    used_ += kStlFacetSize;
  }
  // A facet whose normal comes from its own edges, as it is written.
  void Facet(const Vec& a, const Vec& b, const Vec& c) {
    const Vec& second = reversed_ ? c : b;
    const Vec& third = reversed_ ? b : c;
    Facet(Unit(Cross(Minus(second, a), Minus(third, a))), a, b, c);
  }
  void Flush() {
    if (used_ > 0) sink_(block_.data(), used_);
    used_ = 0;
  }

 private:
  static uint8_t* PutF32(uint8_t* out, float value) {
    const uint32_t bits = std::bit_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(bits >> (8 * i));
    return out + 4;
  }

  static constexpr size_t kBlock = kStlFacetSize * 20000;
  const std::function<void(const uint8_t*, size_t)>& sink_;
  const bool reversed_;
  std::vector<uint8_t> block_;
  size_t used_ = 0;
};

// Every step of the rim in the walls' order, front, right, back, left (counter-clockwise seen from
// above): step(x, y, dx, dy, outward normal) from node (x, y) to node (x + dx, y + dy).
template <typename Step>
void ForEachRimStep(int columns, int rows, Step step) {
  for (int x = 0; x + 1 < columns; ++x) step(x, 0, 1, 0, Vec{0, -1, 0});
  for (int y = 0; y + 1 < rows; ++y) step(columns - 1, y, 0, 1, Vec{1, 0, 0});
  for (int x = columns - 1; x >= 1; --x) step(x, rows - 1, -1, 0, Vec{0, 1, 0});
  for (int y = rows - 1; y >= 1; --y) step(0, y, 0, -1, Vec{-1, 0, 0});
}

// Where a solid's base lies and whether the surface stands above it.
struct SolidBase {
  float z = 0.0f;
  bool surfaceAbove = true;
};

const char* const kNoRelief = "There is no relief to write: build it on the depth page first.";

// Refuses a grid too small for a facet or holding a height that is no number (it would make every
// reader of the file fail); for a solid, finds its base: at the black depth, on the side of it where
// the surface lies. The picture's black lands on the black depth only to the depth table's rounding,
// and a surface reaching past the black depth takes the base with it, so walls never cross the base
// and a black rim gives no sliver of a wall.
SolidBase CheckedBase(const ReliefModel& model, bool solid) {
  const HeightGrid& grid = model.grid;
  if (StlFacetCount(grid.Columns(), grid.Rows(), solid) == 0) throw ReliefError(lang::LangStringOr("1243", kNoRelief));
  float lo = std::numeric_limits<float>::infinity(), hi = -lo;
  for (int x = 0; x < grid.Columns(); ++x) {
    const float* column = grid.Column(x);
    for (int y = 0; y < grid.Rows(); ++y) {
      lo = std::min(lo, column[y]);
      hi = std::max(hi, column[y]);
      if (!std::isfinite(column[y])) throw ReliefError(
          lang::LangStringOr("1244", "The relief holds a height that is no number: build it again on the depth page."));
    }
  }
  SolidBase base;
  const float black = model.zBlack;
  if (!solid) return base;
  if (!std::isfinite(black)) throw ReliefError(lang::LangStringOr("1245", "The black depth is no number: set it again on the depth page."));
  base.surfaceAbove = double(hi) - black >= double(black) - lo;
  const float nearest = base.surfaceAbove ? lo : hi;
  const float slack = 1e-6f * std::max({1.0f, std::fabs(black), std::fabs(lo), std::fabs(hi)});
  const bool beyond = base.surfaceAbove ? nearest < black : nearest > black;
  base.z = beyond || std::fabs(nearest - black) <= slack ? nearest : black;
  if (lo == hi && lo == base.z)
    throw ReliefError(lang::LangStringOr("1246", "The relief lies flat at the black depth: there is no solid to write."));
  return base;
}

uint64_t FacetCount(const ReliefModel& model, bool solid, const SolidBase& base) {
  const int columns = model.grid.Columns(), rows = model.grid.Rows();
  uint64_t count = StlFacetCount(columns, rows, solid);
  // A rim node on the base takes the wall facet on either side of it.
  if (solid)
    ForEachRimStep(columns, rows, [&](int x, int y, int, int, const Vec&) {
      if (model.grid.At(x, y) == base.z) count -= 2;
    });
  if (count > std::numeric_limits<uint32_t>::max()) throw ReliefError(lang::LangStringOr("1247", "The relief has too many facets for an STL file."));
  return count;
}

}  // namespace

uint64_t StlFacetCount(int64_t columns, int64_t rows, bool solid) {
  if (columns < 2 || rows < 2) return 0;
  const uint64_t cellsX = static_cast<uint64_t>(columns - 1), cellsY = static_cast<uint64_t>(rows - 1);
  uint64_t count = 2 * cellsX * cellsY;
  // Two wall facets and one base facet a rim step.
  if (solid) count += 3 * (2 * cellsX + 2 * cellsY);
  return count;
}

uint64_t StlFacetCount(const ReliefModel& model, bool solid) {
  return FacetCount(model, solid, CheckedBase(model, solid));
}

namespace {

// The file for a relief CheckedBase has passed, with the base it found: the grid is scanned once to
// check it and once to write it.
void WriteChecked(const ReliefModel& model, bool solid, const SolidBase& base,
                  const std::function<void(const uint8_t*, size_t)>& sink) {
  const uint64_t count = FacetCount(model, solid, base);
  const HeightGrid& grid = model.grid;
  const int columns = grid.Columns(), rows = grid.Rows();
  const double step = model.gridStep, originX = model.gridOriginX, originY = model.gridOriginY;
  auto node = [&](int x, int y) -> Vec { return {originX + x * step, originY + y * step, grid.At(x, y)}; };
  auto onBase = [&](int x, int y) -> Vec { return {originX + x * step, originY + y * step, base.z}; };

  platform::ByteWriter header;
  header.Fill(0, 80);
  header.U32(static_cast<uint32_t>(count));
  sink(header.Data().data(), header.Size());

  // The surface of a solid over its base faces up, under it (the base on top) down.
  FacetWriter out(sink, solid && !base.surfaceAbove);
  for (int y = 0; y + 1 < rows; ++y)
    for (int x = 0; x + 1 < columns; ++x) {
      out.Facet(node(x, y), node(x + 1, y), node(x, y + 1));
      out.Facet(node(x + 1, y + 1), node(x, y + 1), node(x + 1, y));
    }
  if (solid) {
    // Two facets of the wall from node (x, y) to node (x + dx, y + dy), down to the base; a facet
    // whose node lies on the base has no area and is left out, the surface meeting the base there.
    ForEachRimStep(columns, rows, [&](int x, int y, int dx, int dy, const Vec& normal) {
      if (grid.At(x, y) != base.z) out.Facet(normal, node(x, y), onBase(x, y), onBase(x + dx, y + dy));
      if (grid.At(x + dx, y + dy) != base.z)
        out.Facet(normal, node(x, y), onBase(x + dx, y + dy), node(x + dx, y + dy));
    });
    // The base: a fan from the middle of a cell (never a node, which the surface might touch there)
    // to every rim step, each facet sharing the rim step's edge with the wall or the surface.
    const Vec middle = {originX + ((columns - 1) / 2 + 0.5) * step, originY + ((rows - 1) / 2 + 0.5) * step, base.z};
    const Vec outward = {0, 0, base.surfaceAbove ? -1.0 : 1.0};
    ForEachRimStep(columns, rows, [&](int x, int y, int dx, int dy, const Vec&) {
      out.Facet(outward, middle, onBase(x + dx, y + dy), onBase(x, y));
    });
  }
  out.Flush();
}

}  // namespace

void WriteStl(const ReliefModel& model, bool solid, const std::function<void(const uint8_t*, size_t)>& sink) {
  WriteChecked(model, solid, CheckedBase(model, solid), sink);
}

void WriteStlFile(const std::string& path, const ReliefModel& model, bool solid, const platform::SaveProgress& progress) {
  // Refused before a file is made.
  const SolidBase base = CheckedBase(model, solid);
  platform::AtomicFile file(path);
  if (progress) file.SetProgress(kStlHeaderSize + kStlFacetSize * FacetCount(model, solid, base), progress);
  WriteChecked(model, solid, base, [&](const uint8_t* data, size_t size) { file.Write(data, size); });
  file.Commit();
}

}  // namespace machining
