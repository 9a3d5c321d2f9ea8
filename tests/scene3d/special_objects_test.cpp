// The special objects of the tree: camera-invariant objects, render points and proxies (traversed
// without a driver), fog on Mesa, and shaders of library materials.
#include <gtest/gtest.h>

#include "expect_vectors.h"
#include "scene3d/direct_opengl.h"
#include "scene3d/gl_state.h"
#include "scene3d/gl_transformation.h"
#include "scene3d/material_library.h"
#include "scene3d/matrices.h"
#include "scene3d/proxy_object.h"
#include "scene_fixture.h"

using namespace scene3d;
using testing_support::Rgb;
using testing_support::SceneFixture;
using testing_support::TestCube;

namespace {

// Notes the view and model matrices it is drawn with.
class MatrixProbe : public TGLCameraInvariantObject {
 public:
  explicit MatrixProbe(TComponent* owner) : TGLCameraInvariantObject(owner) { SetObjectStyle(osDirectDraw); }
  void BuildList(RenderContextInfo& rci) override {
    ++draws;
    view = rci.PipelineTransformation->ViewMatrix();
    model = rci.PipelineTransformation->ModelMatrix();
  }
  int draws = 0;
  TMatrix4f view, model;
};

struct Traversal {
  Traversal() {
    rci.GLStates = &states;
    rci.PipelineTransformation = &pipeline;
    rci.cameraPosition = {1, 2, 3, 1};
    pipeline.SetViewMatrix(MatrixTranslation(TVector3f{0, 0, -50}));
  }
  TGLStateCache states;
  TGLPipelineTransformation pipeline{false};
  RenderContextInfo rci;
};

class FailingShader : public TGLShader {
 public:
  using TGLShader::TGLShader;
  bool supported = false;
  int applied = 0;

 protected:
  bool ShaderSupported() const override { return supported; }
  void DoApply(RenderContextInfo&, TObject*) override { ++applied; }
  bool DoUnApply(RenderContextInfo&) override { return false; }
};

}  // namespace

TEST(SpecialObjects, CameraInvariantObjectsKeepTheirPlaceOrOrientation) {
  struct Case {
    TGLCameraInvarianceMode mode;
    TMatrix4f view;
  };
  const TMatrix4f cameraView = MatrixTranslation(TVector3f{0, 0, -50});
  const Case cases[] = {
      {cimNone, cameraView},
      {cimPosition, MatrixProduct(MatrixTranslation(TVector3f{1, 2, 3}), cameraView)},
      {cimOrientation, MatrixScaling({1, -1, -1})},
  };
  for (const Case& c : cases) {
    MatrixProbe probe(nullptr);
    probe.Position().SetPointXYZ(4, 5, 6);
    probe.SetCamInvarianceMode(c.mode);
    Traversal t;
    probe.RenderObject(t.rci);
    ASSERT_EQ(probe.draws, 1);
    ExpectNear(probe.view, c.view, 1e-6, "mode " + std::to_string(int(c.mode)));
    ExpectNear(probe.model[3], (TVector4f{4, 5, 6, 1}), 0, "its own place");
    ExpectNear(t.pipeline.ViewMatrix(), cameraView, 0, "the view is put back");
  }
}

TEST(SpecialObjects, RenderPointsAndProxies) {
  TGLRenderPoint point(nullptr);
  std::vector<std::string> calls;
  point.RegisterCallback([&](TObject*, RenderContextInfo&) { calls.push_back("draw 1"); },
                         [&](TObject*) { calls.push_back("free 1"); });
  point.RegisterCallback([&](TObject*, RenderContextInfo&) { calls.push_back("draw 2"); },
                         [&](TObject*) { calls.push_back("free 2"); });
  Traversal t;
  point.RenderObject(t.rci);
  point.Clear();
  EXPECT_EQ(calls, (std::vector<std::string>{"draw 1", "draw 2", "free 2", "free 1"}));
  EXPECT_EQ(point.CallbackCount(), 0);

  TGLStage scene(nullptr);
  auto* master = new MatrixProbe(&scene);
  scene.Objects()->AddChild(master);
  master->Position().SetPointXYZ(1, 0, 0);
  auto* proxy = scene.Objects()->CreateChild<TGLProxyObject>();
  proxy->Position().SetPointXYZ(0, 10, 0);
  proxy->SetMasterObject(master);
  master->SetVisible(false);
  Traversal u;
  scene.Objects()->RenderObject(u.rci);
  ASSERT_EQ(master->draws, 1) << "the invisible master is drawn by its proxy";
  ExpectNear(master->model[3], (TVector4f{1, 10, 0, 1}), 1e-6, "at the proxy's place with its own offset");
  EXPECT_EQ(proxy->HalfExtents().x, master->HalfExtents().x);
  TVector4f hit;
  ASSERT_TRUE(proxy->RayIntersect({-10, 10, 0, 1}, {1, 0, 0, 0}, &hit, nullptr));
  ExpectNear(hit, (TVector4f{1 - float(std::sqrt(0.75)), 10, 0, 1}), 1e-5, "the master's sphere, at the proxy");

  proxy->SetProxyOptions(pooObjects);
  master->draws = 0;
  scene.Objects()->RenderObject(u.rci);
  ExpectNear(master->model[3], (TVector4f{0, 10, 0, 1}), 1e-6, "without pooTransformation: the proxy's place only");
  master->AddChild(proxy);  // a proxy below its own master must not draw it without end
  master->SetVisible(true);
  master->draws = 0;
  scene.Objects()->RenderObject(u.rci);
  EXPECT_EQ(master->draws, 2) << "once itself, once through the proxy";
  delete master;
  EXPECT_EQ(scene.Objects()->Count(), 0);
}

TEST(SpecialObjects, FogHidesFarObjects) {
  SKIP_WITHOUT_EGL();
  SceneFixture f;
  f.viewer.Buffer().SetLighting(false);
  auto* cube = new TestCube(&f.scene, 8);
  f.scene.Objects()->AddChild(cube);
  cube->Material().FrontProperties().Diffuse().SetColor({1, 0, 0, 1});
  TGLFogEnvironment& fog = f.viewer.Buffer().FogEnvironment();
  fog.FogColor().SetColor({1, 1, 1, 1});
  fog.SetFogStart(0);
  fog.SetFogEnd(200);
  f.viewer.Buffer().SetFogEnable(true);
  f.Render();
  const Rgb fogged = f.At(100, 100);
  EXPECT_EQ(fogged.r, 255);
  EXPECT_NEAR(fogged.g, 255 * 96 / 200, 3) << "96 units away of 200: about half white";
  cube->Material().SetMaterialOptions(moIgnoreFog);
  f.Render();
  EXPECT_EQ(f.At(100, 100), (Rgb{255, 0, 0})) << "a material that ignores fog";
  EXPECT_FALSE(fog.IsAtDefaultValues());
}

TEST(SpecialObjects, ShadersOfLibraryMaterials) {
  TGLMaterialLibrary library(nullptr);
  TGLLibMaterial& material = library.Materials().Add();
  auto* shader = new FailingShader(&library);
  shader->SetName("Toon");
  material.SetShader(shader);
  RenderContextInfo rci{};
  EXPECT_THROW(
      {
        try {
          shader->Apply(rci, &material);
        } catch (const EGLShaderException& error) {
          EXPECT_EQ(std::string(error.what()), "Your hardware/driver doesn't support shader \"Toon\"!");
          throw;
        }
      },
      EGLShaderException);
  EXPECT_FALSE(shader->Enabled());

  auto* quiet = new FailingShader(&library);
  quiet->FailedInitAction = fiaSilentDisable;
  EXPECT_NO_THROW(quiet->Apply(rci, &material));
  EXPECT_FALSE(quiet->Enabled());

  auto* working = new FailingShader(&library);
  working->supported = true;
  working->Apply(rci, &material);
  working->Apply(rci, &material);
  EXPECT_EQ(working->applied, 2);
  EXPECT_TRUE(working->Initialized());
  material.SetShader(working);
  delete working;
  EXPECT_EQ(material.Shader(), nullptr) << "a freed shader leaves its library materials";
}
