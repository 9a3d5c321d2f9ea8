// The transformation pipeline of one context: the model, view and projection matrices as three
// parallel stacks, the model-view and view-projection matrices and the view frustum derived when
// asked for, and, while the load flag is on, every change loaded into OpenGL's fixed-function
// matrices (the OpenGL matrix mode is kept at the model-view matrix).
//
// Row vectors: model-view = model x view, view-projection = view x projection.
#pragma once

#include <array>
#include <cstdint>

#include "scene3d/persistent.h"
#include "scene3d/vector_types.h"

namespace scene3d {

class TGLPipelineTransformation : public TObject {
 public:
  static constexpr int kStackDepth = 128;
  // Stale flags.
  static constexpr uint8_t kModelViewStale = 1 << 0;
  static constexpr uint8_t kViewProjectionStale = 1 << 4;
  static constexpr uint8_t kFrustumStale = 1 << 5;

  // Position 0, identity matrices. The load flag starts as given: a context made before any OpenGL
  // context is current creates it off and turns it on later, so creation itself calls nothing.
  explicit TGLPipelineTransformation(bool loadMatrices = true);
  std::string ClassName() const override { return "TGLPipelineTransformation"; }

  void ResetMatrices();
  // Raise EListError past the stack's ends instead of writing beyond it.
  void PushMatrices();
  void PopMatrices();

  TMatrix4f ModelMatrix() const { return model_[size_t(position_)]; }
  TMatrix4f ViewMatrix() const { return view_[size_t(position_)]; }
  TMatrix4f ProjectionMatrix() const { return projection_[size_t(position_)]; }
  void SetModelMatrix(const TMatrix4f& m);
  void SetViewMatrix(const TMatrix4f& m);
  void SetProjectionMatrix(const TMatrix4f& m);

  const TMatrix4f& ModelViewMatrix();
  const TMatrix4f& ViewProjectionMatrix();
  const TFrustumPlanes& Frustum();

  void LoadModelView();
  void LoadProjection();

  bool LoadMatrices() const { return loadMatrices_; }
  void SetLoadMatrices(bool flag) { loadMatrices_ = flag; }
  int StackPosition() const { return position_; }
  uint8_t StaleFlags() const { return stale_; }

 private:
  uint8_t stale_ = kModelViewStale | kViewProjectionStale | kFrustumStale;
  int32_t position_ = 0;
  std::array<TMatrix4f, kStackDepth> model_{};
  std::array<TMatrix4f, kStackDepth> view_{};
  std::array<TMatrix4f, kStackDepth> projection_{};
  bool loadMatrices_;
  TMatrix4f modelView_ = IdentityMatrix;
  TMatrix4f viewProjection_ = IdentityMatrix;
  TFrustumPlanes frustum_{};
};

}  // namespace scene3d
