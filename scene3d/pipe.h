// TGLPipe: a tube along a path of nodes (or the cubic spline through them), Radius times each
// node's RadiusFactor thick, its rings of Slices points joined by triangle strips and its ends closed
// by discs on request. With a NodesColorMode the node colours, blended along the path, feed the
// material colour the mode names.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "scene3d/polygon_base.h"

namespace scene3d {

class TGLPipeNode : public TGLNode {
 public:
  explicit TGLPipeNode(TCollection& collection) : TGLNode(collection) {}
  std::string ClassName() const override { return "TGLPipeNode"; }
  float RadiusFactor() const { return radiusFactor_; }
  void SetRadiusFactor(float factor);
  const TVector4f& Color() const { return color_; }
  void SetColor(const TVector4f& colour);
  void DefinePublished(TFiler& filer) override;
  void Assign(const TPersistent* source) override;

 private:
  float radiusFactor_ = 1;
  TVector4f color_{0, 0, 0, 1};
};

using TPipeParts = uint8_t;
inline constexpr TPipeParts ppOutside = 1, ppInside = 2, ppStartDisk = 4, ppStopDisk = 8;
enum TPipeNodesColorMode : uint8_t { pncmNone, pncmEmission, pncmAmbient, pncmDiffuse, pncmAmbientAndDiffuse };

class TGLPipe : public TGLPolygonBase {
 public:
  explicit TGLPipe(TComponent* owner);
  std::string ClassName() const override { return "TGLPipe"; }

  TGLPipeNode* AddNode(float x, float y, float z);
  float Radius() const { return radius_; }
  void SetRadius(float radius);
  int32_t Slices() const { return slices_; }
  // Values below 3 store 3.
  void SetSlices(int32_t slices);
  TPipeParts Parts() const { return parts_; }
  void SetParts(TPipeParts parts);
  TPipeNodesColorMode NodesColorMode() const { return colorMode_; }
  void SetNodesColorMode(TPipeNodesColorMode mode);

  TVector4f HalfExtents() const override;
  void BuildList(RenderContextInfo& rci) override;
  void DefinePublished(TFiler& filer) override;
  void Assign(const TPersistent* source) override;

 protected:
  std::unique_ptr<TGLNodes> CreateNodes() override;

 private:
  float radius_ = 1;
  int32_t slices_ = 16;
  TPipeParts parts_ = ppOutside;
  TPipeNodesColorMode colorMode_ = pncmNone;
};

}  // namespace scene3d
