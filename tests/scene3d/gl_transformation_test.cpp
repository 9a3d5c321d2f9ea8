#include "scene3d/gl_transformation.h"

#include <gtest/gtest.h>

#include "expect_vectors.h"
#include "fake_gl.h"
#include "scene3d/matrices.h"
#include "scene3d/planes.h"
#include "scene3d/scene3d_exceptions.h"

using namespace scene3d;
using testing_support::ActiveFakeTable;

namespace {

std::vector<double> Values(const TMatrix4f& m) {
  std::vector<double> v;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) v.push_back(m[i][j]);
  return v;
}

}  // namespace

TEST(GLPipelineTransformation, PushSetPopRestoresTheMatricesAndOpenGLs) {
  ActiveFakeTable fake;
  TGLPipelineTransformation pipeline;
  TMatrix4f view = MatrixTranslation(TVector3f{0, 0, -10});
  pipeline.SetViewMatrix(view);
  pipeline.SetModelMatrix(MatrixScaling(TVector3f{2, 2, 2}));
  TMatrix4f before = pipeline.ModelViewMatrix();
  EXPECT_EQ(Values(before), Values(MatrixProduct(MatrixScaling(TVector3f{2, 2, 2}), view))) << "model x view";

  pipeline.PushMatrices();
  EXPECT_EQ(pipeline.StaleFlags() & TGLPipelineTransformation::kModelViewStale, 0) << "a push keeps the products";
  pipeline.SetModelMatrix(MatrixTranslation(TVector3f{5, 0, 0}));
  EXPECT_EQ(fake.gl.calls.back().args, Values(MatrixProduct(MatrixTranslation(TVector3f{5, 0, 0}), view)));
  fake.gl.ClearCalls();
  pipeline.PopMatrices();
  EXPECT_EQ(pipeline.StackPosition(), 0);
  EXPECT_EQ(Values(pipeline.ModelMatrix()), Values(MatrixScaling(TVector3f{2, 2, 2})));
  ASSERT_EQ(fake.gl.Names(), (std::vector<std::string>{"LoadMatrixf", "MatrixMode", "LoadMatrixf", "MatrixMode"}));
  EXPECT_EQ(fake.gl.calls[0].args, Values(before)) << "OpenGL's model-view matrix is back too";
  EXPECT_EQ(fake.gl.calls[1].args, std::vector<double>{GL_PROJECTION});
  EXPECT_EQ(fake.gl.calls[3].args, std::vector<double>{GL_MODELVIEW}) << "left in model-view mode";
}

TEST(GLPipelineTransformation, ProjectionAloneLeavesTheModelViewAndRenewsTheFrustum) {
  ActiveFakeTable fake;
  TGLPipelineTransformation pipeline;
  pipeline.SetProjectionMatrix(MatrixFrustum(-1, 1, -1, 1, 1, 100));
  TFrustumPlanes wide = pipeline.Frustum();
  pipeline.ModelViewMatrix();
  pipeline.SetProjectionMatrix(MatrixFrustum(-0.5f, 0.5f, -0.5f, 0.5f, 1, 100));
  EXPECT_EQ(pipeline.StaleFlags(), TGLPipelineTransformation::kViewProjectionStale | TGLPipelineTransformation::kFrustumStale);
  TFrustumPlanes narrow = pipeline.Frustum();
  EXPECT_GT(std::abs(narrow.left.x - wide.left.x), 0.1f) << "the frustum was worked out again";
  EXPECT_EQ(pipeline.StaleFlags(), 0);
  ExpectNear(narrow.near, FrustumFromMatrix(pipeline.ViewProjectionMatrix()).near, 1e-6, "near plane");
}

TEST(GLPipelineTransformation, WithoutTheLoadFlagNothingReachesOpenGLAndTheStackIsBounded) {
  ActiveFakeTable fake;
  TGLPipelineTransformation pipeline(false);
  pipeline.SetModelMatrix(MatrixScaling(TVector3f{3, 3, 3}));
  pipeline.SetViewMatrix(IdentityMatrix);
  pipeline.SetProjectionMatrix(IdentityMatrix);
  pipeline.ResetMatrices();
  for (int i = 1; i < TGLPipelineTransformation::kStackDepth; ++i) pipeline.PushMatrices();
  EXPECT_THROW(pipeline.PushMatrices(), EListError);
  while (pipeline.StackPosition() > 0) pipeline.PopMatrices();
  EXPECT_THROW(pipeline.PopMatrices(), EListError);
  pipeline.ModelViewMatrix();
  pipeline.Frustum();
  EXPECT_TRUE(fake.gl.calls.empty());

  // Created before any context is current: no call reaches the stub either.
  testing_support::RecordingLog log;
  SetActiveGLTable(nullptr);
  TGLPipelineTransformation early(false);
  early.SetLoadMatrices(true);
  EXPECT_TRUE(log.lines.empty());
}
