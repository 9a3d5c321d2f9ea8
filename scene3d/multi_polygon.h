// Polygons of several contours: the first contour is the outside, each further one a hole (fed the
// other way round). TMultiPolygonBase works out the outline (the boundary of the filled area, holes
// cut out, overlaps merged) with the GLU tessellator on first use after a change, and fills it;
// TGLMultiPolygon draws its top (facing its normal, +Z) and bottom faces.
//   auto* plate = root->CreateChild<TGLMultiPolygon>();
//   TGLContour& outside = plate->Contours().Add();
//   outside.Nodes().AddNode(0, 0, 0); outside.Nodes().AddNode(4, 0, 0); outside.Nodes().AddNode(4, 4, 0); ...
//   TGLContour& hole = plate->Contours().Add();  ...same winding as the outside...
// A contour whose SplineMode is not lsmLines is fed as its cubic spline, Division points a segment.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "scene3d/bounding_boxes.h"
#include "scene3d/collection.h"
#include "scene3d/custom_scene_object.h"
#include "scene3d/nodes.h"
#include "scene3d/polygon_base.h"
#include "scene3d/polygon_tessellator.h"

namespace scene3d {

class TGLContour;
class TMultiPolygonBase;

// The nodes of a contour: a change of any node marks the contour changed.
class TGLContourNodes : public TGLNodes {
 public:
  explicit TGLContourNodes(TGLContour* contour);
  ~TGLContourNodes() override;
  std::string ClassName() const override { return "TGLContourNodes"; }
  void NotifyChange() override;

 private:
  TGLContour* contour_;
};

class TGLContour : public TCollectionItem {
 public:
  explicit TGLContour(TCollection& collection);
  ~TGLContour() override;
  std::string ClassName() const override { return "TGLContour"; }
  // The description, or "GLContour: %d nodes".
  std::string GetDisplayName() const override;

  TGLContourNodes& Nodes() { return *nodes_; }
  const TGLContourNodes& Nodes() const { return *nodes_; }
  int32_t Division() const { return division_; }
  // Values of 0 and below become 1.
  void SetDivision(int32_t division);
  TLineSplineMode SplineMode() const { return splineMode_; }
  void SetSplineMode(TLineSplineMode mode);
  const std::string& Description() const { return description_; }
  void SetDescription(const std::string& text);
  void DefinePublished(TFiler& filer) override;
  void Assign(const TPersistent* source) override;
  // The points fed to the tessellator: the nodes, or the spline through them.
  std::vector<TVector3f> OutlinePoints() const {
    return nodes_->CurvePoints(splineMode_ != lsmLines && division_ >= 2 ? division_ : 1);
  }

 private:
  friend class TGLContourNodes;
  void NodesChanged() { Changed(false); }

  std::unique_ptr<TGLContourNodes> nodes_;
  int32_t division_ = 10;
  TLineSplineMode splineMode_ = lsmLines;
  std::string description_;
};

class TGLContours : public TOwnedCollection {
 public:
  explicit TGLContours(TMultiPolygonBase* owner);
  ~TGLContours() override;
  std::string ClassName() const override { return "TGLContours"; }
  TGLContour& Add() { return static_cast<TGLContour&>(*TCollection::Add()); }
  TGLContour& Item(int index) const { return static_cast<TGLContour&>(*Items(index)); }
  // The contours' node extents together; false without any node.
  bool Extents(TAxisBox& box) const;

 protected:
  void Update(TCollectionItem* item) override;

 private:
  TMultiPolygonBase* owner_;
};

class TMultiPolygonBase : public TGLCustomSceneObject {
 public:
  explicit TMultiPolygonBase(TComponent* owner);
  ~TMultiPolygonBase() override;
  std::string ClassName() const override { return "TMultiPolygonBase"; }

  TGLContours& Contours() { return *contours_; }
  const TVector3f& Normal() const { return normal_; }
  // The boundary polygons of the filled area, worked out on first use after a change; empty without
  // contours, when the first contour has fewer than three nodes, or without the GLU library.
  const TPolygonList& Outline();
  // Fills the outline (texture coordinates = positions when textured), each polygon reversed when
  // asked, facing `normal`.
  void RenderTessellated(bool textured, const TVector3f& normal, bool reversed);
  // Drops the outline and rebuilds.
  virtual void ContoursChanged();

  void StructureChanged() override;
  // Per axis the larger of |min| and |max| of the contours' nodes; cached.
  TVector4f HalfExtents() const override;
  void DefinePublished(TFiler& filer) override;
  void Assign(const TPersistent* source) override;

 private:
  void ComputeOutline();

  std::unique_ptr<TGLContours> contours_;
  TVector3f normal_{0, 0, 1};
  TPolygonList outline_;
  bool outlineValid_ = false;
  mutable bool extentsValid_ = false;
  mutable TVector4f halfExtents_{};
};

class TGLMultiPolygon : public TMultiPolygonBase {
 public:
  using TMultiPolygonBase::TMultiPolygonBase;
  std::string ClassName() const override { return "TGLMultiPolygon"; }
  TPolygonParts Parts() const { return parts_; }
  void SetParts(TPolygonParts parts);
  void BuildList(RenderContextInfo& rci) override;
  void DefinePublished(TFiler& filer) override;
  void Assign(const TPersistent* source) override;

 private:
  TPolygonParts parts_ = ppTop | ppBottom;
};

}  // namespace scene3d
