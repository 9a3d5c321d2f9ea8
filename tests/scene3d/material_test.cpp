// Materials and library materials: what they set through the state cache (a recording OpenGL), what
// counts as blended, clamping, copying, names and links.
#include "scene3d/material.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "platform/bitmap.h"

#include "fake_gl.h"
#include "stored_bytes.h"
#include "scene3d/gl_context.h"
#include "scene3d/material_library.h"
#include "scene3d/stored_object.h"
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

namespace {

platform::Bitmap TwoByTwo() {
  platform::Bitmap picture(2, 2, 24);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x) picture.Row(y)[3 * x] = uint8_t(100 * x + 50 * y);
  return picture;
}

// A library of materials that differ in everything the archive keeps.
struct StockedLibrary {
  StockedLibrary() {
    library = new TGLMaterialLibrary(&form);
    library->SetName("Library");
    library->TexturePaths = "textures; more";
    TGLLibMaterial& red = library->Materials().Add();
    red.SetName("Red");
    TGLMaterial& m = red.Material();
    m.FrontProperties().Diffuse().SetColor({1, 0, 0, 0.5f});
    m.FrontProperties().Emission().SetColor({0.25f, 0, 0, 1});
    m.FrontProperties().SetShininess(100);
    m.BackProperties().Ambient().SetColor({0, 0, 1, 1});
    m.SetBlendingMode(bmCustom);
    m.BlendingParams().SetSeparateBlendFunc(true);
    m.BlendingParams().SetBlendFuncSFactor(bfOne);
    m.BlendingParams().SetAlphaBlendFuncDFactor(bfZero);
    m.BlendingParams().UseAlphaFunc = true;
    m.BlendingParams().AlphaFuncRef = 0.25f;
    m.SetFaceCulling(fcNoCull);
    m.SetPolygonMode(pmLines);
    m.SetMaterialOptions(moNoLighting);
    m.DepthProperties().SetZFar(0.5f);
    m.DepthProperties().SetDepthWrite(false);

    TGLLibMaterial& checker = library->Materials().Add();
    checker.SetName("Checker");
    checker.Tag = 7;
    checker.TextureOffset().SetXYZW(0.5f, 0.25f, 0, 0);
    checker.TextureScale().SetXYZW(2, 3, 1, 0);
    checker.SetTextureRotate(45);
    TGLTexture& texture = checker.Material().Texture();
    dynamic_cast<TGLPersistentImage&>(texture.Image()).SetPicture(TwoByTwo());
    texture.SetDisabled(false);
    texture.SetMinFilter(miNearest);
    texture.SetTextureMode(tmModulate);
    texture.SetTextureWrap(twSeparate);
    texture.SetTextureWrapT(twClampToEdge);
    texture.BorderColor().SetColor({0.1f, 0.2f, 0.3f, 0.4f});

    TGLLibMaterial& photo = library->Materials().Add();
    photo.SetName("Photo");
    photo.Material().Texture().SetImageClassName("TGLPicFileImage");
    dynamic_cast<TGLPicFileImage&>(photo.Material().Texture().Image()).SetPictureFileName("wood.jpg");
    photo.SetTexture2Name("Checker");

    TGLLibMaterial& linked = library->Materials().Add();
    linked.SetName("Linked");
    linked.Material().SetMaterialLibrary(library);
    linked.Material().SetLibMaterialName("Red");

    user.SetMaterialLibrary(library);
    user.SetLibMaterialName("Red");
  }
  std::string Saved() { return scene3d::Saved(*library); }
  TComponent form{nullptr};
  TGLMaterialLibrary* library;
  // A scene object's material outside the library that uses one of it.
  TGLMaterial user{nullptr};
};

void ExpectSameMaterials(TGLMaterialLibrary& a, TGLMaterialLibrary& b) {
  EXPECT_EQ(b.TexturePaths, a.TexturePaths);
  ASSERT_EQ(b.Materials().Count(), a.Materials().Count());
  for (int i = 0; i < a.Materials().Count(); ++i) {
    TGLLibMaterial& x = a.Materials().Item(i);
    TGLLibMaterial& y = b.Materials().Item(i);
    SCOPED_TRACE(x.Name());
    EXPECT_EQ(y.Name(), x.Name());
    EXPECT_EQ(y.Tag, x.Tag);
    for (int k = 0; k < 4; ++k) {
      EXPECT_EQ(y.TextureOffset().Value()[k], x.TextureOffset().Value()[k]);
      EXPECT_EQ(y.TextureScale().Value()[k], x.TextureScale().Value()[k]);
      EXPECT_EQ(y.TextureMatrix()[k][0], x.TextureMatrix()[k][0]);
    }
    EXPECT_EQ(y.TextureRotate(), x.TextureRotate());
    EXPECT_EQ(y.Texture2Name(), x.Texture2Name());
    EXPECT_EQ(StoreObject(y.Material()), StoreObject(x.Material()));
  }
}

}  // namespace

TEST(MaterialLibrary, ItsArchiveReadsBackAsEqualMaterials) {
  StockedLibrary stock;
  TGLMaterialLibrary copy(&stock.form);
  Load(copy, stock.Saved());
  ExpectSameMaterials(*stock.library, copy);

  // A few values by hand, so that one the archive dropped cannot hide behind equal stored forms.
  TGLMaterial& red = copy.LibMaterialByName("Red")->Material();
  EXPECT_EQ(red.FrontProperties().Diffuse().GetColor().w, 0.5f);
  EXPECT_EQ(red.FrontProperties().Shininess(), 100);
  EXPECT_TRUE(red.HasBackProperties());
  EXPECT_EQ(red.BackProperties().Ambient().GetColor().z, 1);
  EXPECT_EQ(red.BlendingMode(), bmCustom);
  EXPECT_EQ(red.BlendingParams().BlendFuncSFactor(), bfOne);
  EXPECT_EQ(red.BlendingParams().AlphaBlendFuncSFactor(), bfSrcAlpha) << "separate alpha factors kept apart";
  EXPECT_EQ(red.BlendingParams().AlphaBlendFuncDFactor(), bfZero);
  EXPECT_EQ(red.BlendingParams().AlphaFuncRef, 0.25f);
  EXPECT_EQ(red.PolygonMode(), pmLines);
  EXPECT_EQ(red.DepthProperties().ZFar(), 0.5f);
  TGLLibMaterial& checker = *copy.LibMaterialByName("Checker");
  EXPECT_FALSE(checker.TextureMatrixIsIdentity());
  const TGLTexture& texture = checker.Material().Texture();
  EXPECT_FALSE(texture.Disabled());
  EXPECT_EQ(texture.TextureWrapT(), twClampToEdge);
  const platform::Bitmap& picture =
      dynamic_cast<TGLPersistentImage&>(checker.Material().Texture().Image()).Picture();
  ASSERT_EQ(picture.Width(), 2);
  EXPECT_EQ(picture.Row(1)[3], 150) << "the image's pixels travel with it";
  TGLLibMaterial& photo = *copy.LibMaterialByName("Photo");
  EXPECT_EQ(dynamic_cast<TGLPicFileImage&>(photo.Material().Texture().Image()).PictureFileName(), "wood.jpg");
  EXPECT_EQ(photo.Texture2Name(), "Checker");
  EXPECT_EQ(copy.LibMaterialByName("Linked")->Material().MaterialLibrary(), stock.library)
      << "a library link goes by the library's name";

  // Read into the library it came from, its users link to the new materials of their names.
  Load(*stock.library, stock.Saved());
  EXPECT_EQ(stock.library->Materials().Count(), 4);
  EXPECT_EQ(stock.user.CurrentLibMaterial(), stock.library->LibMaterialByName("Red"));
  EXPECT_EQ(stock.user.LibMaterialName(), "Red");
  EXPECT_EQ(stock.library->LibMaterialByName("Linked")->Material().CurrentLibMaterial(),
            stock.library->LibMaterialByName("Red"));
  // The library's own materials that link to it go with their items: the new ones take the names
  // the archive gives, not those of the materials they replace.
  StockedLibrary changed;
  changed.library->LibMaterialByName("Linked")->Material().SetLibMaterialName("Checker");
  Load(*stock.library, changed.Saved());
  TGLMaterial& linked = stock.library->LibMaterialByName("Linked")->Material();
  EXPECT_EQ(linked.LibMaterialName(), "Checker");
  EXPECT_EQ(linked.CurrentLibMaterial(), stock.library->LibMaterialByName("Checker"));
  EXPECT_EQ(stock.user.CurrentLibMaterial(), stock.library->LibMaterialByName("Red"));
}

TEST(MaterialLibrary, BadArchivesAreRefusedAndTheLibraryKeepsItsMaterials) {
  StockedLibrary stock;
  const std::string whole = stock.Saved();
  auto archive = [](int version, const std::function<void(TBinaryWriter&)>& items) {
    return Archived([&](TBinaryWriter& w) {
      w.WriteInteger(version);
      w.WriteString("");
      w.WriteListBegin();
      items(w);
      w.WriteListEnd();
    });
  };
  // One library material whose material holds `name` = `value`.
  auto item = [](const std::string& name, const std::function<void(TBinaryWriter&)>& value) {
    return [name, value](TBinaryWriter& w) {
      w.WriteString("Broken");
      w.WriteInteger(0);
      for (int i = 0; i < 6; ++i) w.WriteFloat(i < 3 ? 0 : 1);
      w.WriteFloat(0);
      w.WriteString("");
      w.WriteString("");
      platform::MemoryStream data;
      TBinaryWriter valueWriter(data);
      value(valueWriter);
      w.WriteListBegin();
      w.WriteString(name);
      w.WriteString(data.DataString());
      w.WriteListEnd();
    };
  };
  const struct {
    const char* what;
    std::string bytes;
    std::string message;
  } cases[] = {
      {"empty", "", "Stream read error"},
      {"version 3", archive(3, [](TBinaryWriter&) {}), "TGLMaterialLibrary : unknown archive version 3"},
      {"version 5", archive(5, [](TBinaryWriter&) {}), "TGLMaterialLibrary : unknown archive version 5"},
      {"a float for a name", archive(4, [](TBinaryWriter& w) { w.WriteFloat(1); }), "read type error"},
      {"an unknown material value", archive(4, item("Glow", [](TBinaryWriter& w) { w.WriteBoolean(true); })),
       "TGLMaterial: unknown stored property Glow"},
      {"a blending mode out of range", archive(4, item("BlendingMode", [](TBinaryWriter& w) { w.WriteInteger(7); })),
       "BlendingMode out of range: 7"},
      {"a name longer than the archive", archive(4, [](TBinaryWriter& w) {
         const uint8_t longString[] = {vaLString, 0xFF, 0xFF, 0xFF, 0x7F};
         w.Write(longString, sizeof(longString));
       }),
       "Stream read error"},
      {"everything but its last byte", whole.substr(0, whole.size() - 1), "Stream read error"},
      {"more materials than a library holds", archive(4, [](TBinaryWriter& w) {
         for (int n = 0; n <= kMaxStoredLibraryMaterials; ++n) {
           w.WriteString("");
           w.WriteInteger(0);
           for (int i = 0; i < 7; ++i) w.WriteFloat(i >= 3 && i < 6 ? 1 : 0);
           w.WriteString("");
           w.WriteString("");
           w.WriteListBegin();
           w.WriteListEnd();
         }
       }),
       "TGLMaterialLibrary : more than 1024 materials"},
  };
  auto expectKept = [&stock]() {
    ASSERT_EQ(stock.library->Materials().Count(), 4);
    EXPECT_EQ(stock.library->Materials().Item(0).Name(), "Red");
    EXPECT_EQ(stock.library->TexturePaths, "textures; more");
    EXPECT_EQ(stock.user.CurrentLibMaterial(), stock.library->LibMaterialByName("Red"));
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::string error = "no exception";
    try {
      Load(*stock.library, c.bytes);
    } catch (const platform::FormatError& e) {
      error = e.what();
    }
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
    expectKept();
  }
  // Every cut of the archive is refused.
  for (size_t length = 0; length < whole.size(); length += 7) {
    SCOPED_TRACE(length);
    EXPECT_THROW(Load(*stock.library, whole.substr(0, length)), platform::FormatError);
    expectKept();
  }
}
