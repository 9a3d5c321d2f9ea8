// Nodes: the ordered 3D points that give lines, polygons and revolution solids their shape.
//
// TGLNode is one point (X, Y, Z and an unpublished W; a new node is all zero); setting a coordinate
// tells its collection. TGLNodes is the collection, owned by a scene object: a change of any node,
// or of the collection, tells the owner's NotifyChange with the collection as sender, once per
// BeginUpdate / EndUpdate bracket. It also computes with its points (average, plane normal,
// directions, extents), moves them, makes arcs of nodes, builds a cubic spline through them and
// fills the polygon they enclose.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "scene3d/collection.h"
#include "scene3d/cubic_spline.h"
#include "scene3d/vector_types.h"

namespace scene3d {

class TGLNodes;

class TGLNode : public TCollectionItem {
 public:
  TGLNode() = default;
  explicit TGLNode(TCollection&) {}
  std::string ClassName() const override { return "TGLNode"; }

  float X() const { return coords_.x; }
  float Y() const { return coords_.y; }
  float Z() const { return coords_.z; }
  float W() const { return coords_.w; }
  // Store, then tell the collection (no equality test).
  void SetX(float value) { SetCoordinate(0, value); }
  void SetY(float value) { SetCoordinate(1, value); }
  void SetZ(float value) { SetCoordinate(2, value); }
  // The four singles X, Y, Z, W in a row.
  float* Coordinates() { return &coords_.x; }
  const float* Coordinates() const { return &coords_.x; }
  const TVector4f& AsVector() const { return coords_; }
  TVector3f AsAffine() const { return {coords_.x, coords_.y, coords_.z}; }
  // All four at once, told once; the bulk paths of the collections store without telling.
  void SetAsVector(const TVector4f& value);
  void StoreRaw(const TVector4f& value) { coords_ = value; }

  // From another node: all four coordinates.
  // X, Y and Z, stored as they are (the collection is told once when read whole).
  void DefinePublished(TFiler& filer) override;
  void Assign(const TPersistent* source) override;
  // "%.4f; %.4f; %.4f" of X, Y, Z.
  std::string GetDisplayName() const override;

 protected:
  void TellCollection();

 private:
  void SetCoordinate(int index, float value);
  TVector4f coords_{};
};

class TGLNodes : public TOwnedCollection {
 public:
  // Items of TGLNode unless another item class is given.
  explicit TGLNodes(TPersistent* owner, ItemClass itemClass = ItemClassOf<TGLNode>());
  std::string ClassName() const override { return "TGLNodes"; }

  // A collection of the same class with `owner`, holding copies of these nodes.
  virtual std::unique_ptr<TGLNodes> CreateCopy(TPersistent* owner) const;
  TGLNode* Items(int index) const { return static_cast<TGLNode*>(TCollection::Items(index)); }
  TGLNode* AddNode() { return static_cast<TGLNode*>(Add()); }
  TGLNode* AddNode(float x, float y, float z);

  // Tells the owner (when it is an updatable component) unless an update is open.
  virtual void NotifyChange();

  // count + 1 nodes (W = 1) on the circle of `radius` about `center` in its XY plane, from
  // startAngle to stopAngle (radians) in equal steps, numerically: 350° to 10° runs the long way
  // back through 180°, so an arc across 0° is asked for as 350° to 370°. The flag is kept for
  // stored callers and does nothing. Told once. A count below 1 adds nothing.
  void AddArcNodes(int flag, const TVector3f& center, float radius, float startAngle, float stopAngle, int count);
  // (0, 0, 0) without nodes.
  TVector3f AveragePosition() const;
  // The normalised (P1 - P0) x (P2 - P0); (0, 0, 0) with fewer than three nodes or a zero product.
  TVector3f PlaneNormal() const;
  // The unit direction of the polyline at node i, (0, 0, 0) where it is shorter than 1e-5.
  TVector3f DirectionAtNode(int index) const;
  // Starts from (+inf...) and (-inf...): an empty collection leaves them.
  void Extents(TVector3f& min, TVector3f& max) const;
  void TranslateAll(const TVector3f& v);
  // Degrees.
  void RotateAllAroundY(float angle);
  // X, Y and Z through the nodes in order (W empty).
  std::unique_ptr<TCubicSpline> BuildCubicSpline() const;
  // The points of the path through the nodes: the nodes themselves, or, with splineDivisions > 1,
  // the spline at t = i / splineDivisions for i = 0..splineDivisions·(count - 1).
  std::vector<TVector3f> CurvePoints(int splineDivisions) const;
  // Fills the closed polygon through the nodes (or, with splineDivisions > 1, through the spline
  // at steps of 1/splineDivisions) with triangles; nothing with fewer than three nodes. A normal,
  // when given, is sent with Normal3fv and steers the tessellation.
  void RenderTessellated(bool textured, const TVector3f* normal, int splineDivisions, bool reversed) const;

 protected:
  void Update(TCollectionItem* item) override;
};

}  // namespace scene3d
