// The outline of a mesh as seen from a point, for shadow volumes. A triangle mesh is entered face by
// face into a TConnectivity, which finds the edges that faces share; BuildOutline then marks each face
// as facing the viewpoint or not and hands back, in a TGLSilhouette, the edges between a facing and a
// non-facing face and the open edges of non-facing faces, and, with caps, the non-facing faces.
//
// Vertices are told apart bit for bit; building is quadratic in the edges (each new edge is searched
// among all), so it suits the small meshes of cubes and cylinders. Extraction is linear and reuses the
// lists' memory from one call to the next.
#pragma once

#include <cstdint>
#include <memory>

#include "scene3d/vector_lists.h"

namespace scene3d {

struct TOutlineRequest {
  TVector3f Viewpoint;       // in the mesh's coordinates
  TVector3f LightDirection;
  uint8_t Style = 0;         // 0 omnidirectional, else parallel
  bool WithCaps = false;
};

class TGLSilhouette : public TObject {
 public:
  std::string ClassName() const override { return "TGLSilhouette"; }
  // The three lists emptied, their memory kept.
  void Empty();

  TVectorList Vertices;      // points, w = 1
  TIntegerList OutlineEdges; // two vertex indexes per edge
  TIntegerList CapTriangles; // three vertex indexes per triangle
  TOutlineRequest Request;
};

class TBaseConnectivity : public TObject {
 public:
  explicit TBaseConnectivity(bool precomputeFaceNormal) : StoreFaceNormals(precomputeFaceNormal) {}
  std::string ClassName() const override { return "TBaseConnectivity"; }

  virtual int EdgeCount() const { return 0; }
  virtual int FaceCount() const { return 0; }
  // A null `silhouette` gets a new one; otherwise it is emptied first unless `addToSilhouette`.
  // Nothing more here.
  virtual void BuildOutline(const TOutlineRequest& request, std::unique_ptr<TGLSilhouette>& silhouette,
                            bool addToSilhouette);

  bool StoreFaceNormals;
};

class TConnectivity : public TBaseConnectivity {
 public:
  using TBaseConnectivity::TBaseConnectivity;
  std::string ClassName() const override { return "TConnectivity"; }

  int EdgeCount() const override { return EdgeEnds.Count() / 2; }
  int FaceCount() const override { return FaceFacing.Count(); }
  void BuildOutline(const TOutlineRequest& request, std::unique_ptr<TGLSilhouette>& silhouette,
                    bool addToSilhouette) override;
  // Every list emptied and its memory released.
  virtual void Clear();

  // The face (p0, p1, p2); its index.
  int AddFace(const TVector3f& p0, const TVector3f& p1, const TVector3f& p2);
  // The faces (p0, p1, p2) and (p2, p3, p0); the first one's index.
  int AddQuad(const TVector3f& p0, const TVector3f& p1, const TVector3f& p2, const TVector3f& p3);
  // The face of three vertex indexes (below Vertices.Count(), else EListError); its index.
  int AddFaceByIndex(int v0, int v1, int v2);
  // The edge between vertices a and b seen from `face`: when it exists (either way round), `face`
  // becomes its second face and 2·edge + 1 is returned; otherwise the new edge's index.
  int AddEdgeByIndex(int a, int b, int face);

  TByteList FaceFacing;          // per face, 1 when it faces the viewpoint
  TIntegerList FaceVertices;     // three vertex indexes per face
  TAffineVectorList FaceNormal;  // per face, only with StoreFaceNormals
  TIntegerList EdgeEnds;         // two vertex indexes per edge
  TIntegerList EdgeSides;        // two face indexes per edge, -1 for a missing second face
  TIntegerList VertexMap;        // per vertex, its index in the silhouette being built, or -1
  TAffineVectorList Vertices;    // the distinct vertices

 private:
  // The silhouette's index of mesh vertex n, appending the vertex on first use.
  int SilhouetteIndex(int n, TGLSilhouette& silhouette);
};

}  // namespace scene3d
