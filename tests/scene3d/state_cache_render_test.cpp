// Every scene object leaves the state cache true to OpenGL: an unlit green cube and a lit red cube drawn
// after it come out green and red, on the first frame and on the second (when the cache has seen the
// whole scene once and skips what it believes already set).
#include <gtest/gtest.h>

#include <functional>

#include "scene3d/cube.h"
#include "scene3d/cylinder.h"
#include "scene3d/direct_opengl.h"
#include "scene3d/dummy_cube.h"
#include "scene3d/extrusion_solid.h"
#include "scene3d/geometric_solids.h"
#include "scene3d/height_field.h"
#include "scene3d/light_source.h"
#include "scene3d/lines.h"
#include "scene3d/mesh.h"
#include "scene3d/multi_polygon.h"
#include "scene3d/pipe.h"
#include "scene3d/plane.h"
#include "scene3d/points.h"
#include "scene3d/revolution_solid.h"
#include "scene3d/sphere.h"
#include "scene3d/sprite.h"
#include "scene3d/xyz_grid.h"
#include "scene_fixture.h"

using namespace scene3d;
using testing_support::Rgb;
using testing_support::SceneFixture;

namespace {

constexpr TVector4f kBlueish{0.2f, 0.3f, 1, 1};

template <class T>
T* Make(TGLStage& scene) {
  auto* object = scene.Objects()->CreateChild<T>();
  object->Position().SetPointXYZ(0, 6, 0);
  if (auto* custom = dynamic_cast<TGLCustomSceneObject*>(static_cast<TGLBaseSceneObject*>(object)))
    custom->Material().FrontProperties().Diffuse().SetColor(kBlueish);
  return object;
}

void AddOutline(TGLNodes& nodes) {
  nodes.AddNode(-1, -1, 0);
  nodes.AddNode(1, -1, 0);
  nodes.AddNode(1, 1, 0);
  nodes.AddNode(-1, 1, 0);
}

struct Case {
  const char* what;
  std::function<void(TGLStage&)> make;
};

const Case kCases[] = {
    {"cube with axes", [](TGLStage& s) { Make<TGLCube>(s)->SetShowAxes(true); }},
    {"visible dummy cube", [](TGLStage& s) { Make<TGLDummyCube>(s)->SetVisibleAtRunTime(true); }},
    {"points of one colour",
     [](TGLStage& s) {
       auto* p = Make<TGLPoints>(s);
       p->Positions().Add(TVector3f{0, 0, 0});
       p->Colors().Add(kBlueish);
     }},
    {"points of a colour each",
     [](TGLStage& s) {
       auto* p = Make<TGLPoints>(s);
       p->Positions().Add(TVector3f{0, 0, 0});
       p->Positions().Add(TVector3f{1, 0, 0});
       p->Colors().Add(TVector4f{0, 0, 1, 1});
       p->Colors().Add(TVector4f{1, 1, 1, 1});
     }},
    {"pipe with node colours",
     [](TGLStage& s) {
       auto* p = Make<TGLPipe>(s);
       p->SetNodesColorMode(pncmAmbientAndDiffuse);
       p->AddNode(-2, 0, 0)->SetColor({1, 1, 1, 1});
       p->AddNode(2, 0, 0)->SetColor({0, 0, 1, 1});
     }},
    {"lines with node colours and markers",
     [](TGLStage& s) {
       auto* l = Make<TGLLines>(s);
       l->SetOptions(loUseNodeColorForLines);
       l->SetNodesAspect(lnaCube);
       l->AddNode(-2, 0, 0, {0, 0, 1, 1});
       l->AddNode(2, 0, 0, {1, 1, 1, 1});
     }},
    {"direct OpenGL every frame",
     [](TGLStage& s) {
       auto* d = Make<TGLDirectOpenGL>(s);
       d->OnRender = [](TObject*, RenderContextInfo&) {
         TGLExtensionsAndEntryPoints& gl = ActiveGLTable();
         gl.Color4f(0, 0, 1, 1);
         gl.Materialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, &kBlueish.x);
       };
     }},
    {"height field with colours",
     [](TGLStage& s) {
       auto* h = Make<TGLHeightField>(s);
       for (TGLSamplingScale* scale : {&h->XSamplingScale(), &h->YSamplingScale()}) {
         scale->SetMin(-1);
         scale->SetMax(1);
         scale->SetStep(0.5f);
       }
       h->SetColorMode(hfcmAmbientAndDiffuse);
       h->OnGetHeight = [](float, float, float& z, TVector4f& color, TTexPoint&) {
         z = 0;
         color = {0, 0, 1, 1};
       };
     }},
    {"XYZ grid",
     [](TGLStage& s) {
       auto* g = Make<TGLXYZGrid>(s);
       g->XSamplingScale().SetMin(-1);
       g->XSamplingScale().SetMax(1);
       g->YSamplingScale().SetMin(-1);
       g->YSamplingScale().SetMax(1);
     }},
    {"mesh of vertex colours",
     [](TGLStage& s) {
       auto* m = Make<TGLMesh>(s);
       m->SetMode(mmTriangles);
       m->SetVertexMode(vmVNC);
       m->Vertices().Clear();
       m->Vertices().AddVertex({-1, 0, 0}, {0, 0, 1}, {0, 0, 1, 1}, {0, 0});
       m->Vertices().AddVertex({1, 0, 0}, {0, 0, 1}, {0, 0, 1, 1}, {0, 0});
       m->Vertices().AddVertex({0, 1, 0}, {0, 0, 1}, {1, 1, 1, 1}, {0, 0});
     }},
    {"multi-polygon",
     [](TGLStage& s) { AddOutline(Make<TGLMultiPolygon>(s)->Contours().Add().Nodes()); }},
    {"extrusion solid", [](TGLStage& s) { AddOutline(Make<TGLExtrusionSolid>(s)->Contours().Add().Nodes()); }},
    {"polygon", [](TGLStage& s) { AddOutline(Make<TGLPolygon>(s)->Nodes()); }},
    {"revolution solid",
     [](TGLStage& s) {
       auto* r = Make<TGLRevolutionSolid>(s);
       r->Nodes().AddNode(0, -1, 0);
       r->Nodes().AddNode(1, 0, 0);
       r->Nodes().AddNode(0, 1, 0);
     }},
    {"sphere", [](TGLStage& s) { Make<TGLSphere>(s); }},
    {"plane", [](TGLStage& s) { Make<TGLPlane>(s); }},
    {"sprite", [](TGLStage& s) { Make<TGLSprite>(s); }},
    {"cylinder", [](TGLStage& s) { Make<TGLCylinder>(s); }},
    {"cone", [](TGLStage& s) { Make<TGLCone>(s); }},
    {"torus", [](TGLStage& s) { Make<TGLTorus>(s); }},
    {"disk", [](TGLStage& s) { Make<TGLDisk>(s); }},
    {"arrow line", [](TGLStage& s) { Make<TGLArrowLine>(s); }},
    {"annulus", [](TGLStage& s) { Make<TGLAnnulus>(s); }},
    {"frustrum", [](TGLStage& s) { Make<TGLFrustrum>(s); }},
    {"capsule", [](TGLStage& s) { Make<TGLCapsule>(s); }},
};

}  // namespace

TEST(StateCacheRender, EveryObjectLeavesTheNextCubesTheirColours) {
  SKIP_WITHOUT_EGL();
  for (const Case& c : kCases) {
    SceneFixture f;
    auto* light = f.scene.Objects()->CreateChild<TGLLightSource>();
    light->SetLightStyle(lsOmni);
    light->Position().SetPointXYZ(0, 0, 100);
    c.make(f.scene);
    auto* green = f.scene.Objects()->CreateChild<TGLCube>();
    green->Position().SetPointXYZ(5, 0, 0);
    green->Material().SetMaterialOptions(moNoLighting);
    green->Material().FrontProperties().Diffuse().SetColor({0, 1, 0, 1});
    auto* red = f.scene.Objects()->CreateChild<TGLCube>();
    red->Position().SetPointXYZ(-5, 0, 0);
    red->Material().FrontProperties().Diffuse().SetColor({1, 0, 0, 1});
    for (int frame = 1; frame <= 2; ++frame) {
      f.Render();
      // ±10 units over 200 pixels: the cubes' middles are pixels 150 and 50 of the middle row.
      EXPECT_EQ(f.At(150, 100), (Rgb{0, 255, 0})) << c.what << ", frame " << frame << ": the unlit green cube";
      const Rgb lit = f.At(50, 100);
      EXPECT_TRUE(lit.r > 150 && lit.g < 40 && lit.b < 40)
          << c.what << ", frame " << frame << ": the lit red cube is (" << lit.r << ", " << lit.g << ", " << lit.b << ")";
    }
  }
}

