#include "machining/stl_writer.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>

#include "machining/relief.h"
#include "platform/binary_stream.h"
#include "platform/exception.h"
#include "save_faults.h"
#include "scratch_dir.h"

using namespace machining;

namespace {

using Vec = std::array<float, 3>;

struct Facet {
  Vec normal, a, b, c;
  uint16_t attribute;
};

// A relief of columns x rows nodes at grid step `step` from (10, 20), height h(x, y).
ReliefModel Relief(int columns, int rows, float step, float (*h)(int, int)) {
  ReliefModel m;
  m.gridStep = step;
  m.gridOriginX = 10.0f;
  m.gridOriginY = 20.0f;
  m.zWhite = 0.0f;
  m.zBlack = -5.0f;
  m.grid.Resize(columns, rows, 0.0f);
  for (int x = 0; x < columns; ++x)
    for (int y = 0; y < rows; ++y) m.grid.At(x, y) = h(x, y);
  return m;
}

platform::Bytes StlOf(const ReliefModel& m, bool solid) {
  platform::Bytes bytes;
  WriteStl(m, solid, [&](const uint8_t* data, size_t size) { bytes.insert(bytes.end(), data, data + size); });
  return bytes;
}

std::vector<Facet> Facets(const platform::Bytes& bytes) {
  platform::ByteReader in(bytes);
  in.Seek(80);
  const uint32_t count = in.U32();
  std::vector<Facet> facets(count);
  for (Facet& f : facets) {
    for (Vec* v : {&f.normal, &f.a, &f.b, &f.c})
      for (float& coordinate : *v) coordinate = in.F32();
    f.attribute = in.U16();
  }
  EXPECT_EQ(in.Remaining(), 0u);
  return facets;
}

Vec Minus(const Vec& a, const Vec& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
float Dot(const Vec& a, const Vec& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

}  // namespace

TEST(StlWriter, FacetCountsAndFileLength) {
  const struct {
    int columns, rows;
    bool solid;
    uint64_t facets;
  } cases[] = {{3, 2, false, 4}, {3, 2, true, 4 + 3 * 6}, {2, 2, true, 2 + 3 * 4}, {50, 40, false, 2 * 49 * 39},
               {1, 5, true, 0},  {4, 1, false, 0}};
  for (const auto& c : cases) {
    EXPECT_EQ(StlFacetCount(c.columns, c.rows, c.solid), c.facets) << c.columns << "x" << c.rows;
    if (c.facets == 0) continue;
    const ReliefModel m = Relief(c.columns, c.rows, 1.0f, [](int, int) { return 0.0f; });
    EXPECT_EQ(StlFacetCount(m, c.solid), c.facets);
    const platform::Bytes bytes = StlOf(m, c.solid);
    EXPECT_EQ(bytes.size(), 84 + 50 * c.facets);
    for (int i = 0; i < 80; ++i) ASSERT_EQ(bytes[i], 0) << "header byte " << i;
  }
  EXPECT_EQ(StlOf(Relief(3, 2, 1.0f, [](int, int) { return 0.0f; }), true).size(), 84u + 50 * 22);
  EXPECT_THROW(StlOf(Relief(1, 5, 1.0f, [](int, int) { return 0.0f; }), false), ReliefError);
  // Rim nodes on the base lose the wall facet on either side; the count in the header says so.
  const ReliefModel rim = Relief(4, 3, 1.0f, [](int x, int y) { return x == 0 || y == 2 ? -5.0f : 0.0f; });
  EXPECT_EQ(StlFacetCount(rim, true), StlFacetCount(4, 3, true) - 2 * 6) << "6 of the 10 rim nodes";
  EXPECT_EQ(StlOf(rim, true).size(), 84 + 50 * StlFacetCount(rim, true));
  // Nothing a solid can be made of, and heights that are no number.
  const ReliefModel black = Relief(4, 3, 1.0f, [](int, int) { return -5.0f; });
  EXPECT_EQ(StlOf(black, false).size(), 84u + 50 * 12) << "the surface alone is fine";
  EXPECT_THROW(StlOf(black, true), ReliefError);
  ReliefModel holed = Relief(4, 3, 1.0f, [](int, int) { return 0.0f; });
  holed.grid.At(2, 1) = std::nanf("");
  EXPECT_THROW(StlOf(holed, false), ReliefError);
  EXPECT_THROW(StlFacetCount(holed, true), ReliefError);
}

TEST(StlWriter, SurfaceFacetsInOrderWithNormalsOfTheirOwnEdges) {
  // A flat grid: every surface normal is (0, 0, 1).
  for (const Facet& f : Facets(StlOf(Relief(4, 3, 2.5f, [](int, int) { return -1.0f; }), false)))
    EXPECT_EQ(f.normal, (Vec{0.0f, 0.0f, 1.0f}));

  // A slope at grid step 2: the normals stand square on the facets' edges and have length 1.
  const ReliefModel slope = Relief(3, 3, 2.0f, [](int x, int y) { return float(x * x) - 0.5f * y; });
  const std::vector<Facet> facets = Facets(StlOf(slope, false));
  ASSERT_EQ(facets.size(), 8u);
  // Facet A of cell (0, 0): node (0, 0), (1, 0), (0, 1); facet B: (1, 1), (0, 1), (1, 0).
  EXPECT_EQ(facets[0].a, (Vec{10.0f, 20.0f, 0.0f}));
  EXPECT_EQ(facets[0].b, (Vec{12.0f, 20.0f, 1.0f}));
  EXPECT_EQ(facets[0].c, (Vec{10.0f, 22.0f, -0.5f}));
  EXPECT_EQ(facets[1].a, (Vec{12.0f, 22.0f, 0.5f}));
  // The second cell of row 0 comes next, then row 1.
  EXPECT_EQ(facets[2].a, (Vec{12.0f, 20.0f, 1.0f}));
  EXPECT_EQ(facets[4].a, (Vec{10.0f, 22.0f, -0.5f}));
  for (const Facet& f : facets) {
    EXPECT_NEAR(Dot(f.normal, f.normal), 1.0f, 1e-6f);
    EXPECT_NEAR(Dot(f.normal, Minus(f.b, f.a)), 0.0f, 1e-5f);
    EXPECT_NEAR(Dot(f.normal, Minus(f.c, f.a)), 0.0f, 1e-5f);
    EXPECT_GT(f.normal[2], 0.0f) << "facing up";
    EXPECT_EQ(f.attribute, 0);
  }
}

TEST(StlWriter, SolidWallsAndBaseInOrder) {
  const ReliefModel m = Relief(3, 2, 1.0f, [](int x, int) { return -float(x); });
  const std::vector<Facet> facets = Facets(StlOf(m, true));
  ASSERT_EQ(facets.size(), 22u);
  // Walls in order: front (2 steps), right (1), back (2), left (1); two facets a step.
  const Vec normals[] = {{0, -1, 0}, {0, -1, 0}, {0, -1, 0}, {0, -1, 0}, {1, 0, 0},  {1, 0, 0},
                         {0, 1, 0},  {0, 1, 0},  {0, 1, 0},  {0, 1, 0},  {-1, 0, 0}, {-1, 0, 0}};
  for (int i = 0; i < 12; ++i) {
    const Facet& f = facets[4 + i];
    EXPECT_EQ(f.normal, normals[i]) << "wall facet " << i;
    EXPECT_EQ(f.b[2], -5.0f) << "down to the black depth";
  }
  // The first front facet: node (0, 0) at its height, then at the base, then node (1, 0) at the base.
  EXPECT_EQ(facets[4].a, (Vec{10.0f, 20.0f, 0.0f}));
  EXPECT_EQ(facets[4].c, (Vec{11.0f, 20.0f, -5.0f}));
  // The base: one facet a rim step, in the walls' order, from the middle of cell (1, 0).
  for (int i = 16; i < 22; ++i) {
    EXPECT_EQ(facets[i].normal, (Vec{0, 0, -1}));
    EXPECT_EQ(facets[i].a, (Vec{11.5f, 20.5f, -5.0f}));
    for (const Vec* v : {&facets[i].a, &facets[i].b, &facets[i].c}) EXPECT_EQ((*v)[2], -5.0f);
  }
  EXPECT_EQ(facets[16].b, (Vec{11.0f, 20.0f, -5.0f}));
  EXPECT_EQ(facets[16].c, (Vec{10.0f, 20.0f, -5.0f}));
  EXPECT_EQ(facets[21].b, (Vec{10.0f, 20.0f, -5.0f}));
}

namespace {

// What a mesh checker sees in the facets: directed edges not matched by exactly one reversed edge,
// facets without area, stored normals that disagree with the winding, and the enclosed volume.
struct MeshReport {
  size_t unmatchedEdges = 0, zeroArea = 0, badNormals = 0;
  double volume = 0.0;
};

MeshReport Inspect(const std::vector<Facet>& facets) {
  MeshReport r;
  std::map<std::pair<Vec, Vec>, int> edges;
  for (const Facet& f : facets) {
    const Vec* v[] = {&f.a, &f.b, &f.c};
    for (int i = 0; i < 3; ++i) ++edges[{*v[i], *v[(i + 1) % 3]}];
    const std::array<double, 3> a = {f.a[0], f.a[1], f.a[2]}, b = {f.b[0] - a[0], f.b[1] - a[1], f.b[2] - a[2]},
                                c = {f.c[0] - a[0], f.c[1] - a[1], f.c[2] - a[2]};
    const std::array<double, 3> n = {b[1] * c[2] - b[2] * c[1], b[2] * c[0] - b[0] * c[2], b[0] * c[1] - b[1] * c[0]};
    const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (!(length > 0)) ++r.zeroArea;
    else if (n[0] * f.normal[0] + n[1] * f.normal[1] + n[2] * f.normal[2] < 0.999 * length ||
             std::fabs(Dot(f.normal, f.normal) - 1.0f) > 1e-5f)
      ++r.badNormals;
    r.volume += (a[0] * n[0] + a[1] * n[1] + a[2] * n[2]) / 6;
  }
  for (const auto& [edge, count] : edges) {
    const auto back = edges.find({edge.second, edge.first});
    if (count != 1 || back == edges.end() || back->second != 1) ++r.unmatchedEdges;
  }
  return r;
}

// The volume between the grid's surface and the base, from the heights: each cell's two triangles
// as prisms.
double GridVolume(const ReliefModel& m, float base) {
  double volume = 0.0;
  const double area = 0.5 * double(m.gridStep) * m.gridStep;
  for (int x = 0; x + 1 < m.grid.Columns(); ++x)
    for (int y = 0; y + 1 < m.grid.Rows(); ++y) {
      const double a = m.grid.At(x, y) - base, b = m.grid.At(x + 1, y) - base, c = m.grid.At(x, y + 1) - base,
                   d = m.grid.At(x + 1, y + 1) - base;
      volume += area * ((a + b + c) / 3 + (d + c + b) / 3);
    }
  return std::fabs(volume);
}

// A 50 x 40 picture through the depth table: a black frame two pixels wide (and one black pixel on
// the rim's inside) round a grey ramp, with a white depth of 0.2 over a black depth of -4 whose black
// lands 2e-7 above -4.
ReliefModel BlackFramedRelief() {
  ReliefModel m;
  m.columns = 50;
  m.rows = 40;
  SetWhiteDepth(m, 0.2f);
  SetBlackDepth(m, -4.0f);
  platform::Bitmap picture(50, 40, 24);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 50; ++x) {
      const bool frame = x < 2 || y < 2 || x >= 48 || y >= 38 || (x == 20 && y == 2);
      const uint8_t grey = frame ? 0 : static_cast<uint8_t>(40 + 4 * x);
      std::fill_n(picture.Row(y) + 3 * x, 3, grey);
    }
  ElaboraImmagine(m, &picture, false);
  m.gridStep = 0.5f;
  return m;
}

}  // namespace

// Every solid is one closed, consistently wound surface with outward normals and the relief's volume:
// a smooth relief, one whose rim lies on the base, one through the depth table with a black frame, and
// one whose white depth lies below its black depth (the base on top). admesh (Debian "admesh") is asked
// too when it is installed, its report printed for the record.
TEST(StlWriter, AdmeshReadsASolidAsAClosedMesh) {
  ReliefModel smooth = Relief(50, 40, 0.5f, [](int x, int y) {
    return -2.5f + 2.0f * std::sin(x * 0.3f) * std::cos(y * 0.2f);  // between -4.5 and -0.5
  });
  ReliefModel onBase = Relief(6, 5, 1.0f, [](int x, int y) {
    return (x == 0 || y == 4 || (x == 3 && y == 0)) ? -5.0f : -float(x + y) / 4;
  });
  ReliefModel inverted = smooth;
  inverted.zWhite = -5.0f;
  inverted.zBlack = 0.0f;
  const ReliefModel framed = BlackFramedRelief();
  ASSERT_NE(framed.grid.At(0, 0), framed.zBlack) << "the depth table's black lies off the black depth";
  ReliefModel crossing = Relief(6, 5, 1.0f, [](int x, int y) { return x == 2 && y == 2 ? -6.0f : -1.0f; });
  const struct {
    const char* name;
    ReliefModel model;
    float base;
    uint64_t facets;  // no wall facet where the rim lies on the base
  } cases[] = {{"smooth", smooth, -5.0f, StlFacetCount(50, 40, true)},
               {"rim on the base", onBase, -5.0f, StlFacetCount(6, 5, true) - 2 * 11},
               {"black frame", framed, framed.grid.At(0, 0), StlFacetCount(50, 40, true) - 2 * 2 * (49 + 39)},
               {"inverted", inverted, 0.0f, StlFacetCount(50, 40, true)},
               {"dipping below the black depth", crossing, -6.0f, StlFacetCount(6, 5, true)}};
  const bool admesh = std::system("admesh --version > /dev/null 2>&1") == 0;
  testing_support::ScratchDir dir("admesh");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<Facet> facets = Facets(StlOf(c.model, true));
    EXPECT_EQ(facets.size(), c.facets);
    const MeshReport mesh = Inspect(facets);
    EXPECT_EQ(mesh.unmatchedEdges, 0u);
    EXPECT_EQ(mesh.zeroArea, 0u);
    EXPECT_EQ(mesh.badNormals, 0u);
    const double volume = GridVolume(c.model, c.base);
    EXPECT_NEAR(mesh.volume, volume, volume * 1e-5) << "outward normals enclose a positive volume";
    if (!admesh) continue;
    const std::string path = dir.File("relief.stl");
    WriteStlFile(path, c.model, true);
    // Every check and repair admesh has; the counts are those of the file as read.
    const std::string command = "admesh " + path + " 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    ASSERT_TRUE(pipe);
    std::string report;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe.get())) report += buffer;
    std::printf("%s: %s", c.name, report.c_str());
    auto value = [&](const std::string& label) {
      const size_t at = report.find(label);
      EXPECT_NE(at, std::string::npos) << label;
      return at == std::string::npos ? -1.0 : std::atof(report.c_str() + report.find(':', at) + 1);
    };
    EXPECT_EQ(value("Number of facets"), double(facets.size()));
    for (const char* label : {"Facets with 1 disconnected edge", "Facets with 2 disconnected edges",
                              "Facets with 3 disconnected edges", "Edges fixed", "Degenerate facets",
                              "Backwards edges", "Normals fixed", "Facets reversed"})
      EXPECT_EQ(value(label), 0.0) << label;
    EXPECT_EQ(value("Number of parts"), 1.0);
    EXPECT_NEAR(value("Volume"), volume, volume * 1e-3);
  }
}

TEST(StlWriter, FilesAreWrittenWholeOrNotAtAll) {
  testing_support::ScratchDir dir("stl");
  const ReliefModel m = Relief(3, 2, 1.0f, [](int, int) { return 0.0f; });
  const std::string path = dir.Write("relief.stl", std::string("earlier"));
  // The disk is full half-way: the earlier file stays, the temporary goes.
  {
    const testing_support::ScopedFileSizeLimit full(100);
    EXPECT_THROW(WriteStlFile(path, m, true), platform::FileError);
  }
  EXPECT_EQ(testing_support::FileText(path), "earlier");
  EXPECT_TRUE(testing_support::TemporariesIn(dir.Dir()).empty());
  // No relief: refused before any file is made.
  EXPECT_THROW(WriteStlFile(dir.File("none.stl"), ReliefModel{}, false), ReliefError);
  EXPECT_FALSE(std::filesystem::exists(dir.File("none.stl")));
  WriteStlFile(path, m, true);
  EXPECT_EQ(std::filesystem::file_size(path), 84u + 50 * 22);
  // The file holds the very bytes the sink gets: surface over the base, under it, and a black rim.
  for (float (*h)(int, int) : {+[](int x, int y) { return -1.0f - 0.25f * x + 0.5f * y; },
                               +[](int x, int y) { return -9.0f + 0.5f * ((x + y) % 3); },
                               +[](int x, int y) { return x == 0 || y == 0 ? -5.0f : -2.0f + 0.1f * x * y; }})
    for (bool solid : {false, true}) {
      const ReliefModel relief = Relief(7, 5, 0.5f, h);
      WriteStlFile(path, relief, solid);
      const platform::Bytes bytes = StlOf(relief, solid);
      EXPECT_EQ(testing_support::FileText(path), std::string(bytes.begin(), bytes.end())) << "solid " << solid;
    }
}

TEST(StlWriter, ASaveReportsItsProgressAndWritesTheSameBytes) {
  // About 9 MB: several of the writer's blocks, so the progress moves in steps.
  testing_support::ScratchDir dir("stlprogress");
  const ReliefModel relief = Relief(300, 300, 0.1f, [](int x, int y) { return -2.0f + 0.01f * float((x * y) % 100); });
  for (bool solid : {false, true}) {
    const std::string path = dir.File(solid ? "solid.stl" : "surface.stl");
    std::vector<int> reported;
    WriteStlFile(path, relief, solid, [&](int percent) { reported.push_back(percent); });
    testing_support::ExpectProgressRisesToAHundred(reported, 5, solid ? "solid" : "surface");
    const platform::Bytes bytes = StlOf(relief, solid);
    EXPECT_EQ(platform::ReadFileBytes(path), bytes) << "solid " << solid;
  }
}
