// TGLPolygonBase: the base of solids shaped by a run of nodes (polygons, revolution solids, pipes).
// It owns the nodes (made by CreateNodes, which a subclass may replace to use its own node class);
// a change of the nodes rebuilds the solid. Division and SplineMode say whether the nodes are joined
// straight or through a cubic spline of Division steps per node.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "scene3d/custom_scene_object.h"
#include "scene3d/lines.h"
#include "scene3d/nodes.h"

namespace scene3d {

// The faces a flat polygon fills: its top (facing its normal), its bottom, or both.
using TPolygonParts = uint8_t;
inline constexpr TPolygonParts ppTop = 1, ppBottom = 2;

class TGLPolygonBase : public TGLStageObject {
 public:
  explicit TGLPolygonBase(TComponent* owner);
  ~TGLPolygonBase() override;
  std::string ClassName() const override { return "TGLPolygonBase"; }

  TGLNodes& Nodes() { return *nodes_; }
  const TGLNodes& Nodes() const { return *nodes_; }
  // Copies the given nodes.
  void SetNodes(const TGLNodes& nodes) { nodes_->Assign(&nodes); }
  int32_t Division() const { return division_; }
  // Values below 1 store 1.
  void SetDivision(int32_t division);
  TLineSplineMode SplineMode() const { return splineMode_; }
  void SetSplineMode(TLineSplineMode mode);
  // The spline's steps per node when the mode asks for a spline, else 1.
  int32_t SplineDivisions() const { return division_ > 1 && splineMode_ != lsmLines ? division_ : 1; }

  // A change of the nodes rebuilds the list.
  void NotifyChange(TObject* sender) override;
  // Nodes, Division and SplineMode, then the base's values.
  void DefinePublished(TFiler& filer) override;
  void Assign(const TPersistent* source) override;

 protected:
  // The node collection; plain TGLNode items here.
  virtual std::unique_ptr<TGLNodes> CreateNodes();
  // Called by a subclass's constructor when it replaces CreateNodes.
  void RecreateNodes() { nodes_ = CreateNodes(); }

 private:
  std::unique_ptr<TGLNodes> nodes_;
  int32_t division_ = 10;
  TLineSplineMode splineMode_ = lsmLines;
};

}  // namespace scene3d
