#include "scene3d/silhouette.h"

#include <gtest/gtest.h>

#include <vector>

#include "expect_vectors.h"

using namespace scene3d;

namespace {

std::vector<int32_t> Values(const TIntegerList& list) { return {list.Items().begin(), list.Items().end()}; }

std::vector<TVector3f> Points(const TVectorList& list) {
  std::vector<TVector3f> points;
  for (const TVector4f& v : list.Items()) {
    EXPECT_EQ(v.w, 1);
    points.push_back({v.x, v.y, v.z});
  }
  return points;
}

const TVector3f p0{0, 0, 0}, p1{1, 0, 0}, p2{0, 1, 0}, p3{1, 1, 0};

}  // namespace

TEST(Silhouette, TriangleSeenFromEitherSideWithAndWithoutCaps) {
  struct Case {
    const char* what;
    float viewZ;
    bool withCaps;
    std::vector<int32_t> edges;
    std::vector<int32_t> caps;
    std::vector<TVector3f> vertices;
  };
  const Case cases[] = {
      {"front", 5, false, {}, {}, {}},
      {"front, caps", 5, true, {}, {}, {}},
      {"behind", -5, false, {0, 1, 1, 2, 2, 0}, {}, {p0, p1, p2}},
      // The cap takes its vertices last first, so they are numbered from p2.
      {"behind, caps", -5, true, {2, 1, 1, 0, 0, 2}, {2, 1, 0}, {p2, p1, p0}},
  };
  for (bool precomputed : {false, true}) {
    TConnectivity mesh(precomputed);
    EXPECT_EQ(mesh.AddFace(p0, p1, p2), 0);
    EXPECT_EQ(mesh.FaceNormal.Count(), precomputed ? 1 : 0);
    std::unique_ptr<TGLSilhouette> silhouette;
    for (const Case& c : cases) {
      TOutlineRequest request;
      request.Viewpoint = {0, 0, c.viewZ};
      request.WithCaps = c.withCaps;
      mesh.BuildOutline(request, silhouette, false);
      ASSERT_NE(silhouette, nullptr);
      EXPECT_EQ(Values(silhouette->OutlineEdges), c.edges) << c.what;
      EXPECT_EQ(Values(silhouette->CapTriangles), c.caps) << c.what;
      const std::vector<TVector3f> vertices = Points(silhouette->Vertices);
      ASSERT_EQ(vertices.size(), c.vertices.size()) << c.what;
      for (size_t i = 0; i < vertices.size(); ++i) ExpectNear(vertices[i], c.vertices[i], 0, c.what);
      EXPECT_EQ(mesh.FaceFacing[0], c.viewZ > 0 ? 1 : 0) << c.what;
    }
    // Adding to the silhouette keeps what it held; the vertex numbering starts afresh.
    TOutlineRequest behind;
    behind.Viewpoint = {0, 0, -5};
    mesh.BuildOutline(behind, silhouette, true);
    EXPECT_EQ(silhouette->OutlineEdges.Count(), 12);
    EXPECT_EQ(silhouette->Vertices.Count(), 6);
  }
}

TEST(Silhouette, SharedEdgesCountOnceAndOnlyBetweenFacingAndNonFacingFaces) {
  TConnectivity quad(false);
  EXPECT_EQ(quad.AddQuad(p0, p1, p3, p2), 0);
  EXPECT_EQ(quad.Vertices.Count(), 4);
  EXPECT_EQ(quad.FaceCount(), 2);
  EXPECT_EQ(quad.EdgeCount(), 5);
  EXPECT_EQ(Values(quad.EdgeSides), (std::vector<int32_t>{0, -1, 0, -1, 0, 1, 1, -1, 1, -1}));
  EXPECT_EQ(quad.AddEdgeByIndex(0, 1, 7), 1) << "an edge found answers 2·edge + 1";

  std::unique_ptr<TGLSilhouette> silhouette;
  TOutlineRequest request;
  request.Viewpoint = {0.5f, 0.5f, 3};
  TConnectivity flat(false);
  flat.AddQuad(p0, p1, p3, p2);
  flat.BuildOutline(request, silhouette, false);
  EXPECT_EQ(silhouette->OutlineEdges.Count(), 0) << "both facing: neither the shared edge nor open edges";

  // A roof: two faces meeting at the ridge, seen from beside one slope only.
  TConnectivity roof(false);
  roof.AddFace({0, 0, 0}, {0, -1, 1}, {0, 1, 1});   // faces -x
  roof.AddFace({0, 1, 1}, {0, 0, 0}, {1, 1, 0});    // shares the edge (0,0,0)-(0,1,1)
  request.Viewpoint = {-5, 0, 0.5f};
  roof.BuildOutline(request, silhouette, false);
  EXPECT_EQ(roof.FaceFacing[0], 1);
  EXPECT_EQ(roof.FaceFacing[1], 0);
  // The shared edge (its first face facing: reversed) and the second face's two open edges; the
  // vertices are numbered as the edges first use them.
  EXPECT_EQ(Values(silhouette->OutlineEdges), (std::vector<int32_t>{1, 0, 1, 2, 2, 0}));
  const std::vector<TVector3f> used = Points(silhouette->Vertices);
  ASSERT_EQ(used.size(), 3u);
  ExpectNear(used[0], {0, 1, 1}, 0, "first vertex used");
  ExpectNear(used[2], {1, 1, 0}, 0, "last vertex used");

  roof.Clear();
  EXPECT_EQ(roof.FaceCount() + roof.EdgeCount() + roof.Vertices.Capacity(), 0);
  EXPECT_THROW(roof.AddFaceByIndex(0, 1, 2), EListError) << "no vertices to name";
}
