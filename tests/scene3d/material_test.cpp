// Materials and library materials: what they set through the state cache (a recording OpenGL), what
// counts as blended, clamping, copying, names and links.
#include "scene3d/material.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "fake_gl.h"
#include "scene3d/gl_context.h"
#include "scene3d/material_library.h"
#include "scene3d/texture.h"
#include "scene3d/texture_image.h"

using namespace scene3d;
using testing_support::ActiveFakeTable;

namespace {

bool Has(const std::vector<std::string>& trace, const std::string& call) {
  return std::find(trace.begin(), trace.end(), call) != trace.end();
}

struct Applying {
  Applying() {
    rci.GLStates = &states;
    rci.bufferLighting = true;
    rci.bufferDepthTest = true;
    rci.bufferFaceCull = true;
  }
  ActiveFakeTable fake;
  TGLStateCache states;
  RenderContextInfo rci;
};

}  // namespace

TEST(Material, BlendingModesSetBlendingAndAlphaTest) {
  struct Case {
    TBlendingMode mode;
    bool blended;
    std::string blendFunc;   // empty: blending off
    std::string alphaFunc;   // empty: alpha test off
  };
  const Case cases[] = {
      {bmOpaque, false, "", ""},
      {bmTransparency, true, "BlendFunc(770,771)", "AlphaFunc(516,0)"},
      {bmAdditive, true, "BlendFunc(770,1)", "AlphaFunc(516,0)"},
      {bmModulate, true, "BlendFunc(774,0)", "AlphaFunc(516,0)"},
      {bmAlphaTest50, false, "", "AlphaFunc(518,0.500000)"},
      {bmAlphaTest100, false, "", "AlphaFunc(518,1)"},
      {bmCustom, true, "BlendFunc(770,771)", ""},
  };
  for (const Case& c : cases) {
    Applying a;
    TGLMaterial material(nullptr);
    material.SetBlendingMode(c.mode);
    EXPECT_EQ(material.IsBlended(), c.blended) << "mode " << int(c.mode);
    material.Apply(a.rci);
    const std::vector<std::string> trace = a.fake.gl.Trace();
    EXPECT_EQ(a.states.IsEnabled(stBlend), !c.blendFunc.empty()) << "mode " << int(c.mode);
    EXPECT_EQ(a.states.IsEnabled(stAlphaTest), !c.alphaFunc.empty()) << "mode " << int(c.mode);
    EXPECT_TRUE(c.blendFunc.empty() || Has(trace, c.blendFunc)) << c.blendFunc;
    EXPECT_TRUE(c.alphaFunc.empty() || Has(trace, c.alphaFunc)) << c.alphaFunc;
  }

  // Custom blending with separate factors and an alpha function of its own.
  Applying a;
  TGLMaterial material(nullptr);
  material.SetBlendingMode(bmCustom);
  TGLBlendingParameters& params = material.BlendingParams();
  params.SetAlphaBlendFuncSFactor(bfZero);
  EXPECT_EQ(params.AlphaBlendFuncSFactor(), bfSrcAlpha) << "ignored without separate factors";
  params.SetBlendFuncSFactor(bfOne);
  EXPECT_EQ(params.AlphaBlendFuncSFactor(), bfOne) << "the colour factor sets the alpha factor too";
  params.SetSeparateBlendFunc(true);
  params.SetAlphaBlendFuncDFactor(bfZero);
  params.UseAlphaFunc = true;
  params.AlphaFuncRef = 0.25f;
  material.Apply(a.rci);
  EXPECT_TRUE(Has(a.fake.gl.Trace(), "BlendFuncSeparate(1,771,1,0)"));
  EXPECT_TRUE(Has(a.fake.gl.Trace(), "AlphaFunc(516,0.250000)"));
  params.SetSeparateBlendFunc(false);
  EXPECT_EQ(params.AlphaBlendFuncDFactor(), bfOneMinusSrcAlpha) << "turning it off copies the colour factors";

  a.rci.ignoreBlendingRequests = true;
  a.fake.gl.ClearCalls();
  material.SetBlendingMode(bmAdditive);
  material.Apply(a.rci);
  EXPECT_FALSE(Has(a.fake.gl.Trace(), "BlendFunc(770,1)")) << "blending requests ignored";
}

TEST(Material, LightingCullingPolygonModeAndDepth) {
  Applying a;
  TGLMaterial material(nullptr);
  material.FrontProperties().Diffuse().SetColor({0, 1, 0, 1});
  material.SetPolygonMode(pmLines);
  material.SetFaceCulling(fcNoCull);
  material.DepthProperties().SetZNear(-0.5f);
  material.DepthProperties().SetZFar(3);
  EXPECT_EQ(material.DepthProperties().ZNear(), 0) << "clamped to [0, 1]";
  EXPECT_EQ(material.DepthProperties().ZFar(), 1);
  material.DepthProperties().SetZNear(0.25f);
  material.DepthProperties().SetDepthWrite(false);

  a.rci.bufferLighting = false;
  material.Apply(a.rci);
  EXPECT_FALSE(a.states.IsEnabled(stLighting)) << "the buffer's lighting off";
  EXPECT_EQ(a.states.Color().y, 1) << "the front diffuse colour is the colour drawn";
  EXPECT_FALSE(a.states.IsEnabled(stCullFace));
  EXPECT_FALSE(a.states.DepthWriteMask());
  const std::vector<std::string> trace = a.fake.gl.Trace();
  EXPECT_TRUE(Has(trace, "PolygonMode(1032,6913)")) << "both faces as lines";
  EXPECT_TRUE(Has(trace, "DepthRange(0.250000,1)"));

  a.rci.bufferLighting = true;
  material.SetMaterialOptions(moNoLighting);
  material.Apply(a.rci);
  EXPECT_FALSE(a.states.IsEnabled(stLighting)) << "a material without lighting";
  material.SetMaterialOptions(0);
  material.SetFaceCulling(fcBufferDefault);
  material.FrontProperties().SetShininess(500);
  EXPECT_EQ(material.FrontProperties().Shininess(), 128);
  material.Apply(a.rci);
  EXPECT_TRUE(a.states.IsEnabled(stLighting));
  EXPECT_TRUE(a.states.IsEnabled(stCullFace)) << "as the buffer culls";
  EXPECT_EQ(a.states.Material(cmFront).diffuse.y, 1);
  EXPECT_EQ(a.states.Material(cmFront).shininess, 128);
  a.rci.bufferDepthTest = false;
  material.Apply(a.rci);
  EXPECT_FALSE(a.states.IsEnabled(stDepthTest)) << "only when both the material and the buffer test depth";
}

TEST(Material, AssignAndNotification) {
  int changes = 0;
  TGLMaterial source(nullptr), target(nullptr);
  target.OnChange = [&](TObject*) { ++changes; };
  target.BackProperties().Diffuse().SetColor({1, 0, 0, 1});
  changes = 0;
  source.FrontProperties().Emission().SetColor({0, 0, 1, 1});
  source.SetPolygonMode(pmPoints);
  source.SetBlendingMode(bmAdditive);
  source.Texture().SetTextureMode(tmModulate);
  target.Assign(&source);
  EXPECT_EQ(changes, 1) << "one notification for the whole copy";
  EXPECT_FALSE(target.HasBackProperties()) << "a source without back properties frees the target's";
  EXPECT_EQ(target.FrontProperties().Emission().GetColor().z, 1);
  EXPECT_EQ(target.PolygonMode(), pmPoints);
  EXPECT_TRUE(target.IsBlended());
  ASSERT_TRUE(target.HasTexture());
  EXPECT_EQ(target.Texture().TextureMode(), tmModulate);
  source.SetTexture(nullptr);
  target.Assign(&source);
  EXPECT_FALSE(target.HasTexture());
  changes = 0;
  target.FrontProperties().Ambient().SetRed(0.5f);
  EXPECT_EQ(changes, 1) << "a colour of a face tells the material";
}

TEST(MaterialLibrary, NamesLinksAndUsers) {
  TGLMaterialLibrary library(nullptr);
  TGLLibMaterial& first = library.Materials().Add();
  TGLLibMaterial& second = library.Materials().Add();
  TGLLibMaterial& third = library.Materials().Add();
  EXPECT_EQ(first.Name(), "LibMaterial");
  EXPECT_EQ(second.Name(), "LibMaterial1");
  EXPECT_EQ(third.Name(), "LibMaterial2");
  second.SetName("LibMaterial");
  EXPECT_EQ(second.Name(), "LibMaterial1") << "a taken name gets the lowest free number";
  third.SetName("Glass");
  EXPECT_EQ(library.LibMaterialByName("Glass"), &third);
  EXPECT_EQ(library.LibMaterialByName("glass"), nullptr);
  EXPECT_EQ(LibMaterialNameHash("ab"), uint32_t('b' + 2 * ('a' + 2 * 2)));

  third.Material().SetBlendingMode(bmTransparency);
  TGLMaterial user(nullptr);
  int changes = 0;
  user.OnChange = [&](TObject*) { ++changes; };
  user.SetMaterialLibrary(&library);
  user.SetLibMaterialName("Glass");
  EXPECT_EQ(user.CurrentLibMaterial(), &third);
  EXPECT_TRUE(user.IsBlended()) << "the library material answers";
  changes = 0;
  third.TextureOffset().SetX(0.5f);
  EXPECT_EQ(changes, 1) << "a change of the texture matrix reaches its users";
  EXPECT_FALSE(third.TextureMatrixIsIdentity());
  third.TextureOffset().SetX(0);
  EXPECT_TRUE(third.TextureMatrixIsIdentity());
  third.SetTextureRotate(90);
  EXPECT_NEAR(third.TextureMatrix()[0].y, 1, 1e-6) << "a quarter turn about Z";

  first.SetTexture2Name("Glass");
  third.SetTexture2Name("LibMaterial");  // a loop of two: notifications stop
  changes = 0;
  third.NotifyUsers();
  EXPECT_EQ(changes, 1);

  library.Materials().Delete(third.Index());
  EXPECT_EQ(user.CurrentLibMaterial(), nullptr) << "a freed library material unlinks its users";
  EXPECT_TRUE(user.LibMaterialName().empty());
  EXPECT_FALSE(user.IsBlended());

  platform::Bitmap picture(4, 4, 24);
  TGLLibMaterial& bitmap = library.AddBitmapMaterial("Wood", picture);
  EXPECT_EQ(bitmap.Name(), "Wood");
  EXPECT_TRUE(bitmap.Material().Texture().Enabled());
  EXPECT_EQ(bitmap.Material().Texture().TextureMode(), tmModulate);
  EXPECT_EQ(bitmap.Material().Texture().ImageClassName(), "TGLPersistentImage");
}
