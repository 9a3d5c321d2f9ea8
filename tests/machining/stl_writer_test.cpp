#include "machining/stl_writer.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "machining/relief.h"
#include "platform/binary_stream.h"
#include "platform/exception.h"
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
  } cases[] = {{3, 2, false, 4}, {3, 2, true, 18}, {2, 2, true, 2 + 8 + 2}, {50, 40, false, 2 * 49 * 39},
               {1, 5, true, 0},  {4, 1, false, 0}};
  for (const auto& c : cases) {
    EXPECT_EQ(StlFacetCount(c.columns, c.rows, c.solid), c.facets) << c.columns << "x" << c.rows;
    if (c.facets == 0) continue;
    const platform::Bytes bytes = StlOf(Relief(c.columns, c.rows, 1.0f, [](int, int) { return 0.0f; }), c.solid);
    EXPECT_EQ(bytes.size(), 84 + 50 * c.facets);
    for (int i = 0; i < 80; ++i) ASSERT_EQ(bytes[i], 0) << "header byte " << i;
  }
  EXPECT_EQ(StlOf(Relief(3, 2, 1.0f, [](int, int) { return 0.0f; }), true).size(), 984u);
  EXPECT_THROW(StlOf(Relief(1, 5, 1.0f, [](int, int) { return 0.0f; }), false), ReliefError);
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

TEST(StlWriter, SolidWallsAndBaseFaceOutwards) {
  const ReliefModel m = Relief(3, 2, 1.0f, [](int x, int) { return -float(x); });
  const std::vector<Facet> facets = Facets(StlOf(m, true));
  ASSERT_EQ(facets.size(), 18u);
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
  for (int i = 16; i < 18; ++i) {
    EXPECT_EQ(facets[i].normal, (Vec{0, 0, -1}));
    for (const Vec* v : {&facets[i].a, &facets[i].b, &facets[i].c}) EXPECT_EQ((*v)[2], -5.0f);
  }
  EXPECT_EQ(facets[16].b, (Vec{10.0f, 21.0f, -5.0f}));
  EXPECT_EQ(facets[17].b, (Vec{12.0f, 21.0f, -5.0f}));
}

TEST(StlWriter, FilesAreWrittenWholeOrNotAtAll) {
  testing_support::ScratchDir dir("stl");
  const ReliefModel m = Relief(3, 2, 1.0f, [](int, int) { return 0.0f; });
  const std::string path = dir.Write("relief.stl", std::string("earlier"));
  // The temporary cannot be made (a folder stands in its place): the earlier file stays.
  std::filesystem::create_directories(path + ".tmp~");
  EXPECT_THROW(WriteStlFile(path, m, true), platform::FileError);
  EXPECT_EQ(testing_support::FileText(path), "earlier");
  std::filesystem::remove(path + ".tmp~");
  // No relief: refused before any file is made.
  EXPECT_THROW(WriteStlFile(dir.File("none.stl"), ReliefModel{}, false), ReliefError);
  EXPECT_FALSE(std::filesystem::exists(dir.File("none.stl")));
  WriteStlFile(path, m, true);
  EXPECT_EQ(std::filesystem::file_size(path), 984u);
}

// admesh (Debian "admesh") reads a solid of a 50 x 40 relief: every surface and wall edge is matched,
// nothing is reversed, flipped or degenerate, and the volume is the relief's. The base is two
// triangles whose long edges meet the walls' short bottom edges only at the corners, so admesh counts
// each bottom wall facet (one edge) and the two base facets (two edges) as open there. Its report is
// printed for the record.
TEST(StlWriter, AdmeshReadsASolidAsAClosedMesh) {
  if (std::system("admesh --version > /dev/null 2>&1") != 0) GTEST_SKIP() << "admesh is not installed";
  testing_support::ScratchDir dir("admesh");
  const ReliefModel m = Relief(50, 40, 0.5f, [](int x, int y) {
    return -2.5f + 2.0f * std::sin(x * 0.3f) * std::cos(y * 0.2f);  // between -4.5 and -0.5
  });
  const std::string path = dir.File("relief.stl");
  WriteStlFile(path, m, true);
  const std::string command = "admesh --exact " + path + " 2>&1";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  ASSERT_TRUE(pipe);
  std::string report;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe.get())) report += buffer;
  std::printf("%s", report.c_str());
  auto value = [&](const std::string& label) {
    const size_t at = report.find(label);
    EXPECT_NE(at, std::string::npos) << label;
    return at == std::string::npos ? -1.0 : std::atof(report.c_str() + report.find(':', at) + 1);
  };
  EXPECT_EQ(value("Number of facets"), double(StlFacetCount(50, 40, true)));
  EXPECT_EQ(value("Facets with 1 disconnected edge"), 2.0 * (49 + 39)) << "the walls' bottom edges";
  EXPECT_EQ(value("Facets with 2 disconnected edges"), 2.0) << "the base";
  EXPECT_EQ(value("Facets with 3 disconnected edges"), 0.0);
  EXPECT_EQ(value("Degenerate facets"), 0.0);
  EXPECT_EQ(value("Backwards edges"), 0.0);
  EXPECT_EQ(value("Normals fixed"), 0.0);
  // The volume between the surface and the base: the mean height above -5 over 24.5 x 19.5.
  double volume = 0.0;
  for (int x = 0; x + 1 < 50; ++x)
    for (int y = 0; y + 1 < 40; ++y) {
      const double a = m.grid.At(x, y) + 5, b = m.grid.At(x + 1, y) + 5, c = m.grid.At(x, y + 1) + 5,
                   d = m.grid.At(x + 1, y + 1) + 5;
      volume += 0.25 * 0.5 * ((a + b + c) / 3 + (d + c + b) / 3);
    }
  EXPECT_NEAR(value("Volume"), volume, volume * 1e-3);
}
