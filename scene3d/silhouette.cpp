#include "scene3d/silhouette.h"

#include "scene3d/planes.h"
#include "scene3d/scene3d_exceptions.h"

namespace scene3d {

void TGLSilhouette::Empty() {
  Vertices.Empty();
  OutlineEdges.Empty();
  CapTriangles.Empty();
}

void TBaseConnectivity::BuildOutline(const TOutlineRequest&, std::unique_ptr<TGLSilhouette>& silhouette,
                                     bool addToSilhouette) {
  if (!silhouette)
    silhouette = std::make_unique<TGLSilhouette>();
  else if (!addToSilhouette)
    silhouette->Empty();
}

void TConnectivity::Clear() {
  for (TBaseList* list : std::initializer_list<TBaseList*>{&FaceFacing, &FaceVertices, &FaceNormal, &EdgeEnds,
                                                          &EdgeSides, &VertexMap, &Vertices})
    list->Release();
}

int TConnectivity::AddFace(const TVector3f& p0, const TVector3f& p1, const TVector3f& p2) {
  const int v0 = Vertices.AddUnique(p0);
  const int v1 = Vertices.AddUnique(p1);
  const int v2 = Vertices.AddUnique(p2);
  return AddFaceByIndex(v0, v1, v2);
}

int TConnectivity::AddQuad(const TVector3f& p0, const TVector3f& p1, const TVector3f& p2, const TVector3f& p3) {
  const int v0 = Vertices.AddUnique(p0);
  const int v1 = Vertices.AddUnique(p1);
  const int v2 = Vertices.AddUnique(p2);
  const int v3 = Vertices.AddUnique(p3);
  const int first = AddFaceByIndex(v0, v1, v2);
  AddFaceByIndex(v2, v3, v0);
  return first;
}

int TConnectivity::AddFaceByIndex(int v0, int v1, int v2) {
  for (int v : {v0, v1, v2}) {
    if (v < 0 || v >= Vertices.Count()) throw EListError("Invalid list index");
  }
  FaceVertices.Add(v0, v1, v2);
  if (StoreFaceNormals) FaceNormal.Add(PlaneNormalFrom3Points(Vertices[v0], Vertices[v1], Vertices[v2]));
  const int face = FaceFacing.Add(0);
  AddEdgeByIndex(v0, v1, face);
  AddEdgeByIndex(v1, v2, face);
  AddEdgeByIndex(v2, v0, face);
  return face;
}

int TConnectivity::AddEdgeByIndex(int a, int b, int face) {
  const int32_t* ends = EdgeEnds.List();
  for (int edge = 0; edge < EdgeCount(); ++edge) {
    const int32_t e0 = ends[2 * edge], e1 = ends[2 * edge + 1];
    if ((e0 == a && e1 == b) || (e0 == b && e1 == a)) {
      EdgeSides[2 * edge + 1] = face;
      return 2 * edge + 1;
    }
  }
  EdgeEnds.Add(a, b);
  EdgeSides.Add(face, -1);
  return EdgeCount() - 1;
}

int TConnectivity::SilhouetteIndex(int n, TGLSilhouette& silhouette) {
  while (VertexMap.Count() <= n) VertexMap.Add(-1);
  int32_t& mapped = VertexMap[n];
  if (mapped == -1) mapped = silhouette.Vertices.AddPoint(Vertices[n]);
  return mapped;
}

void TConnectivity::BuildOutline(const TOutlineRequest& request, std::unique_ptr<TGLSilhouette>& silhouette,
                                 bool addToSilhouette) {
  TBaseConnectivity::BuildOutline(request, silhouette, addToSilhouette);
  TGLSilhouette& out = *silhouette;
  VertexMap.Empty();

  for (int face = 0; face < FaceCount(); ++face) {
    const int f0 = FaceVertices[3 * face], f1 = FaceVertices[3 * face + 1], f2 = FaceVertices[3 * face + 2];
    // Normals kept for only some faces (the switch changed on the way) cannot be matched to faces.
    const TVector3f normal = StoreFaceNormals && FaceNormal.Count() == FaceCount()
                                 ? FaceNormal[face]
                                 : PlaneNormalFrom3Points(Vertices[f0], Vertices[f1], Vertices[f2]);
    const bool facing = AffineDot(AffineDifference(request.Viewpoint, Vertices[f0]), normal) >= 0;
    FaceFacing[face] = facing ? 1 : 0;
    if (!facing && request.WithCaps) {
      const int i2 = SilhouetteIndex(f2, out);
      const int i1 = SilhouetteIndex(f1, out);
      const int i0 = SilhouetteIndex(f0, out);
      out.CapTriangles.Add(i0, i1, i2);
    }
  }

  for (int edge = 0; edge < EdgeCount(); ++edge) {
    const int g0 = EdgeSides[2 * edge], g1 = EdgeSides[2 * edge + 1];
    if (g1 != -1 && FaceFacing[g0] == FaceFacing[g1]) continue;
    const bool g0Facing = FaceFacing[g0] != 0;
    if (!g0Facing) {
      const int a = SilhouetteIndex(EdgeEnds[2 * edge], out);
      const int b = SilhouetteIndex(EdgeEnds[2 * edge + 1], out);
      out.OutlineEdges.Add(a, b);
    } else if (g1 >= 0) {
      const int a = SilhouetteIndex(EdgeEnds[2 * edge], out);
      const int b = SilhouetteIndex(EdgeEnds[2 * edge + 1], out);
      out.OutlineEdges.Add(b, a);
    }
  }
}

}  // namespace scene3d
