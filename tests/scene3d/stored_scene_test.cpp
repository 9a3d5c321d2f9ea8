// Scene trees in a stream: a tree of every kind of object written and read into a second scene is
// the same scene, value by value and pixel by pixel on Mesa; broken or hostile streams are refused
// and leave the scene as it was.
#include "scene3d/stored_scene.h"

#include <gtest/gtest.h>

#include "exception_message.h"
#include "expect_vectors.h"
#include "platform/bitmap.h"
#include "scene3d/cube.h"
#include "scene3d/cylinder.h"
#include "scene3d/direct_opengl.h"
#include "scene3d/dummy_cube.h"
#include "scene3d/extrusion_solid.h"
#include "scene3d/geometric_solids.h"
#include "scene3d/height_field.h"
#include "scene3d/hud_objects.h"
#include "scene3d/light_source.h"
#include "scene3d/lines.h"
#include "scene3d/material_library.h"
#include "scene3d/mesh.h"
#include "scene3d/pipe.h"
#include "scene3d/plane.h"
#include "scene3d/points.h"
#include "scene3d/proxy_object.h"
#include "scene3d/revolution_solid.h"
#include "scene3d/sphere.h"
#include "scene3d/stored_object.h"
#include "scene3d/texture.h"
#include "scene3d/texture_image.h"
#include "scene3d/windows_font.h"
#include "scene3d/xyz_grid.h"
#include "scene_fixture.h"
#include "stored_bytes.h"

using namespace scene3d;
using testing_support::Rgb;
using testing_support::SceneFixture;

namespace {

// The components a stored scene names: a font and a material library with a gold material, in
// the scene, under the names the stream holds.
struct NamedComponents {
  explicit NamedComponents(TGLStage& scene) {
    font = new TGLWindowsBitmapFont(&scene);
    font->SetName("Font");
    platform::Font face = font->Font();
    face.Height = -16;
    font->SetFont(face);
    library = new TGLMaterialLibrary(&scene);
    library->SetName("Library");
    TGLLibMaterial& gold = library->Materials().Add();
    gold.SetName("Gold");
    gold.Material().FrontProperties().Emission().SetColor({1, 0.8f, 0, 1});
  }
  TGLWindowsBitmapFont* font;
  TGLMaterialLibrary* library;
};

platform::Bitmap Checker() {
  platform::Bitmap picture(2, 2, 24);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x) {
      uint8_t* pixel = picture.Row(y) + 3 * x;
      pixel[0] = (x + y) % 2 ? 255 : 0;  // blue
      pixel[1] = 255;
      pixel[2] = (x + y) % 2 ? 0 : 255;
    }
  return picture;
}

void Emissive(TGLCustomSceneObject& object, const TVector4f& colour) {
  object.Material().FrontProperties().Emission().SetColor(colour);
  object.Material().FrontProperties().Diffuse().SetColor({0, 0, 0, 1});
}

// Every kind of object the program's scenes use, some nested, with values away from their defaults.
void BuildTree(TGLStage& scene, NamedComponents& named) {
  TGLBaseSceneObject* root = scene.Objects();
  auto* light = root->CreateChild<TGLLightSource>();
  light->SetName("Light");
  light->SetLightStyle(lsOmni);
  light->Position().SetPointXYZ(0, 0, 100);
  light->Diffuse().SetColor({0.9f, 0.9f, 0.9f, 1});

  auto* group = root->CreateChild<TGLDummyCube>();
  group->SetName("Group");
  group->Position().SetPointXYZ(-5, 5, 0);
  group->SetCubeSize(3);
  group->SetVisibleAtRunTime(true);
  group->EdgeColor().SetColor({0, 1, 1, 1});

  auto* cube = group->CreateChild<TGLCube>();
  cube->SetName("Cube");
  cube->SetCubeWidth(2);
  cube->SetCubeHeight(1.5f);
  cube->SetCubeDepth(1);
  cube->SetTurnAngle(30);
  cube->Scale().SetX(1.2f);
  Emissive(*cube, {1, 0, 0, 1});
  cube->Material().Texture().SetImageClassName("TGLPersistentImage");
  dynamic_cast<TGLPersistentImage&>(cube->Material().Texture().Image()).SetPicture(Checker());
  cube->Material().Texture().SetTextureMode(tmModulate);
  cube->Material().Texture().SetMinFilter(miNearest);
  cube->Material().Texture().SetMagFilter(maNearest);
  cube->Material().Texture().SetDisabled(false);

  auto* sphere = root->CreateChild<TGLSphere>();
  sphere->SetName("Sphere");
  sphere->Position().SetPointXYZ(5, 5, 0);
  sphere->SetRadius(2);
  sphere->SetSlices(24);
  sphere->SetTop(60);
  sphere->SetTopCap(ctFlat);
  sphere->Material().FrontProperties().Diffuse().SetColor({0, 1, 0, 1});
  sphere->Material().FrontProperties().SetShininess(64);
  sphere->Material().SetBlendingMode(bmTransparency);

  auto* hidden = sphere->CreateChild<TGLSphere>();
  hidden->SetName("Hidden");
  hidden->SetVisible(false);
  hidden->Material().FrontProperties().Emission().SetColor({1, 1, 1, 1});

  auto* gold = root->CreateChild<TGLCube>();
  gold->SetName("GoldCube");
  gold->Position().SetPointXYZ(0, 1, 0);
  gold->Material().SetMaterialLibrary(named.library);
  gold->Material().SetLibMaterialName("Gold");

  auto* lines = root->CreateChild<TGLLines>();
  lines->SetName("Lines");
  lines->SetLineWidth(3);
  lines->LineColor().SetColor({1, 1, 0, 1});
  lines->SetNodesAspect(lnaInvisible);
  lines->AddNode(-9, -2, 0);
  lines->AddNode(-6, -5, 0, {1, 0, 1, 1});
  lines->AddNode(-3, -2, 0);
  lines->SetOptions(loUseNodeColorForLines);

  auto* points = root->CreateChild<TGLPoints>();
  points->SetName("Points");
  points->Positions().SetCount(0);
  for (float x : {6.f, 7.f, 8.f}) points->Positions().Add(TVector3f{x, -8, 0});
  points->Colors().Add(TVector4f{0, 0.5f, 1, 1});
  points->SetSize(5);
  points->Material().SetMaterialOptions(moNoLighting);

  auto* solid = root->CreateChild<TGLExtrusionSolid>();
  solid->SetName("Solid");
  TGLContour& outline = solid->Contours().Add();
  for (auto [x, y] : {std::pair{0, -9}, {4, -9}, {4, -7}, {2, -7}, {2, -4}, {0, -4}})
    outline.Nodes().AddNode(float(x), float(y), 0);
  solid->SetHeight(2);
  solid->SetParts(espOutside | espStartPolygon | espStopPolygon);
  solid->Material().FrontProperties().Diffuse().SetColor({0.2f, 0.3f, 1, 1});

  auto* text = root->CreateChild<TGLHUDText>();
  text->SetName("Text");
  text->SetBitmapFont(named.font);
  text->SetText("Prova");
  text->Position().SetPointXYZ(10, 10, 0);
  text->ModulateColor().SetColor({1, 0.5f, 0, 1});
}

// The two trees side by side: same classes, names, placement, flags and stored values throughout.
void ExpectSameTree(TGLBaseSceneObject& a, TGLBaseSceneObject& b) {
  SCOPED_TRACE(a.ClassName() + " " + a.Name());
  ASSERT_EQ(a.ClassName(), b.ClassName());
  EXPECT_EQ(a.Name(), b.Name());
  ExpectNear(b.Position().Value(), a.Position().Value(), 0, "Position");
  ExpectNear(b.Direction().Value(), a.Direction().Value(), 0, "Direction");
  ExpectNear(b.Up().Value(), a.Up().Value(), 0, "Up");
  ExpectNear(b.Scale().Value(), a.Scale().Value(), 0, "Scale");
  EXPECT_EQ(a.TurnAngle(), b.TurnAngle());
  EXPECT_EQ(a.Visible(), b.Visible());
  ExpectNear(b.LocalMatrix(), a.LocalMatrix(), 0, "local matrix");
  EXPECT_EQ(StoreObject(a), StoreObject(b));
  ASSERT_EQ(a.Count(), b.Count());
  for (int i = 0; i < a.Count(); ++i) ExpectSameTree(*a.Children(i), *b.Children(i));
}


}  // namespace

TEST(StoredScene, ATreeOfEveryKindReadBackIsTheSameSceneValueByValueAndOnMesa) {
  SKIP_WITHOUT_EGL();
  SceneFixture a, b;
  NamedComponents namedA(a.scene), namedB(b.scene);
  BuildTree(a.scene, namedA);
  Load(b.scene, Saved(a.scene));

  // b's own camera stands first; the stored tree (a's camera among it) follows.
  TGLBaseSceneObject& rootA = *a.scene.Objects();
  TGLBaseSceneObject& rootB = *b.scene.Objects();
  ASSERT_EQ(rootB.Count(), rootA.Count() + 1);
  for (int i = 0; i < rootA.Count(); ++i) ExpectSameTree(*rootA.Children(i), *rootB.Children(i + 1));

  // A few values by name, so a value the writer left out cannot hide behind equal stored forms.
  auto find = [&rootB](const std::string& name) {
    TGLBaseSceneObject* found = nullptr;
    rootB.ForEachInTree([&](TGLBaseSceneObject& each) {
      if (each.Name() == name) found = &each;
    });
    return found;
  };
  auto* cube = dynamic_cast<TGLCube*>(find("Cube"));
  ASSERT_NE(cube, nullptr);
  EXPECT_EQ(cube->Parent()->Name(), "Group");
  EXPECT_EQ(cube->CubeHeight(), 1.5f);
  EXPECT_NEAR(cube->TurnAngle(), 30, 1e-5);
  EXPECT_FALSE(cube->Material().Texture().Disabled());
  EXPECT_EQ(dynamic_cast<TGLPersistentImage&>(cube->Material().Texture().Image()).Picture().Width(), 2);
  auto* sphere = dynamic_cast<TGLSphere*>(find("Sphere"));
  ASSERT_NE(sphere, nullptr);
  EXPECT_EQ(sphere->Radius(), 2);
  EXPECT_EQ(sphere->Top(), 60);
  EXPECT_EQ(sphere->Material().FrontProperties().Shininess(), 64);
  EXPECT_EQ(sphere->Material().BlendingMode(), bmTransparency);
  EXPECT_FALSE(find("Hidden")->Visible());
  auto* gold = dynamic_cast<TGLCube*>(find("GoldCube"));
  EXPECT_EQ(gold->Material().MaterialLibrary(), namedB.library) << "the library of the reading scene, by name";
  EXPECT_EQ(gold->Material().CurrentLibMaterial(), namedB.library->LibMaterialByName("Gold"));
  auto* lines = dynamic_cast<TGLLines*>(find("Lines"));
  ASSERT_EQ(lines->Nodes().Count(), 3);
  ExpectNear(lines->Nodes().Items(1)->Color(), {1, 0, 1, 1}, 0, "the second node's colour");
  EXPECT_EQ(lines->Nodes().Items(2)->X(), -3);
  EXPECT_EQ(dynamic_cast<TGLPoints*>(find("Points"))->Positions().Count(), 3);
  auto* solid = dynamic_cast<TGLExtrusionSolid*>(find("Solid"));
  ASSERT_EQ(solid->Contours().Count(), 1);
  EXPECT_EQ(solid->Contours().Item(0).Nodes().Count(), 6);
  EXPECT_EQ(solid->Height(), 2);
  auto* text = dynamic_cast<TGLHUDText*>(find("Text"));
  EXPECT_EQ(text->Text(), "Prova");
  EXPECT_EQ(text->BitmapFont(), namedB.font);
  EXPECT_EQ(b.scene.Light(0), find("Light")) << "the stored light shines in the reading scene";

  a.Render();
  b.Render();
  int differing = 0, lit = 0;
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 200; ++x) {
      const Rgb pixel = a.At(x, y);
      if (pixel != b.At(x, y)) ++differing;
      if (pixel != Rgb{0, 0, 0}) ++lit;
    }
  EXPECT_EQ(differing, 0);
  EXPECT_GT(lit, 2000) << "the scene shows something";
  // Where the objects stand (10 pixels a unit, the origin at (100, 100)), in both: the red cube of
  // the group, textured half dark; the gold library material, lit (an unlinked cube is grey); the
  // green sphere.
  for (SceneFixture* f : {&a, &b}) {
    int red = 0;
    for (int y = 40; y < 60; ++y)
      for (int x = 35; x < 65; ++x)
        if (f->At(x, y).r > 150 && f->At(x, y).g < 60) ++red;
    EXPECT_GT(red, 20) << "the cube in the group";
    const Rgb goldPixel = f->At(100, 90);
    EXPECT_GT(goldPixel.r, 240);
    EXPECT_LT(goldPixel.b, 220) << "gold, not grey";
    EXPECT_GT(f->At(150, 50).g, 150) << "the sphere";
  }
}

namespace {

using Values = std::vector<std::pair<std::string, std::string>>;

std::string Object(const std::string& className, const Values& values, const std::string& children = {}) {
  return Archived([&](TBinaryWriter& w) {
    w.WriteString(className);
    w.WriteString("");
    w.WriteListBegin();
    for (const auto& [name, data] : values) {
      w.WriteString(name);
      w.WriteString(data);
    }
    w.WriteListEnd();
    w.WriteListBegin();
    w.Write(children.data(), children.size());
    w.WriteListEnd();
  });
}

std::string SceneStream(const std::string& objects, int version = 0) {
  return Archived([&](TBinaryWriter& w) {
    w.WriteInteger(version);
    w.WriteListBegin();
    w.Write(objects.data(), objects.size());
    w.WriteListEnd();
  });
}

// A nested object's stored form, as the value of its property.
std::string Nested(const Values& values) {
  return Archived([&](TBinaryWriter& w) {
    w.WriteListBegin();
    for (const auto& [name, data] : values) {
      w.WriteString(name);
      w.WriteString(data);
    }
    w.WriteListEnd();
  });
}

std::string Integer(int32_t v) {
  return Archived([v](TBinaryWriter& w) { w.WriteInteger(v); });
}

std::string Deep(int levels) {
  std::string tree;
  for (int i = 0; i < levels; ++i) tree = Object("TGLDummyCube", {}, tree);
  return tree;
}

// Expects `bytes` refused with a message holding `message`, and the scene as it was.
void ExpectRefused(const std::string& bytes, const std::string& message) {
  TGLStage scene(nullptr);
  auto* kept = scene.Objects()->CreateChild<TGLCube>();
  kept->SetCubeWidth(4);
  std::string error = "no exception";
  try {
    Load(scene, bytes);
  } catch (const platform::FormatError& e) {
    error = e.what();
  }
  EXPECT_NE(error.find(message), std::string::npos) << error;
  ASSERT_EQ(scene.Objects()->Count(), 1);
  EXPECT_EQ(scene.Objects()->Children(0), kept);
  EXPECT_EQ(kept->CubeWidth(), 4);
}

}  // namespace

TEST(StoredScene, BrokenAndHostileStreamsAreRefusedAndLeaveTheSceneAsItWas) {
  const std::string cube = Object("TGLCube", {});
  const std::string visible = Archived([](TBinaryWriter& w) { w.WriteBoolean(false); });
  const std::string hugeName = Archived([](TBinaryWriter& w) {
    const uint8_t longString[] = {vaLString, 0xF0, 0xFF, 0xFF, 0x7F, 'T'};
    w.Write(longString, sizeof(longString));
  });
  const std::string hugeImage = Nested({{"Texture", Nested({{"ImageClassName", Archived([](TBinaryWriter& w) {
                                                                w.WriteString("TGLBlankImage");
                                                              })},
                                                             {"Image", Nested({{"Width", Integer(100000)},
                                                                               {"Height", Integer(100000)}})}})}});
  const std::string badPicture =
      Nested({{"Texture", Nested({{"Image", Nested({{"Picture", "BM not a bitmap at all"}})}})}});
  const struct {
    const char* what;
    std::string bytes;
    std::string message;
  } cases[] = {
      {"empty", "", "Stream read error"},
      {"another version", SceneStream(cube, 1), "Stored scene : unknown archive version 1"},
      {"no end of list", SceneStream(cube).substr(0, SceneStream(cube).size() - 1), "Stream read error"},
      {"unknown class", SceneStream(Object("TNoSuchShape", {})), "Class TNoSuchShape not found"},
      {"a class that is no scene object", SceneStream(Object("TGLMaterialLibrary", {})), "is not a scene object"},
      {"unknown property", SceneStream(Object("TGLCube", {{"Bogus", visible}})),
       "TGLCube: unknown stored property Bogus"},
      {"one property twice", SceneStream(Object("TGLCube", {{"Visible", visible}, {"Visible", visible}})),
       "unknown stored property Visible"},
      {"a value of the wrong kind", SceneStream(Object("TGLCube", {{"Visible", Integer(1)}})), "read type error"},
      {"bytes left in a value", SceneStream(Object("TGLCube", {{"Visible", visible + "x"}})),
       "holds more than its reader takes"},
      {"an enumeration out of range", SceneStream(Object("TGLCube", {{"ObjectsSorting", Integer(9)}})),
       "ObjectsSorting out of range: 9"},
      {"slices beyond any drawing", SceneStream(Object("TGLSphere", {{"Slices", Integer(1 << 30)}})),
       "Slices out of range: 1073741824"},
      {"bits outside a set", SceneStream(Object("TGLCube", {{"Parts", Integer(64)}})), "Parts out of range: 64"},
      {"a coordinate cut short", SceneStream(Object("TGLCube", {{"Position", Nested({{"Coordinates", "12345678"}})}})),
       "Stream read error"},
      {"a string longer than the stream", SceneStream(hugeName), "Stream read error"},
      {"a blank image beyond any bitmap", SceneStream(Object("TGLCube", {{"Material", hugeImage}})),
       "Blank image too large"},
      {"a picture that is no bitmap", SceneStream(Object("TGLCube", {{"Material", badPicture}})), "Stored picture"},
      {"nested beyond reason", SceneStream(Deep(TVirtualReader::kMaxNesting + 1)), "Archive nested too deeply"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ExpectRefused(c.bytes, c.message);
  }

  // Every cut of a real stream is refused: nothing is read past its end.
  TGLStage source(nullptr);
  auto* sphere = source.Objects()->CreateChild<TGLSphere>();
  sphere->SetRadius(3);
  sphere->CreateChild<TGLLines>()->AddNode(1, 2, 3);
  sphere->Material().FrontProperties().Diffuse().SetColor({1, 0, 0, 1});
  const std::string whole = Saved(source);
  for (size_t length = 0; length < whole.size(); ++length) {
    SCOPED_TRACE(length);
    ExpectRefused(whole.substr(0, length), "");
  }
  // And the whole of it, nested as deep as allowed, reads.
  TGLStage target(nullptr);
  Load(target, whole);
  ASSERT_EQ(target.Objects()->Count(), 1);
  EXPECT_EQ(dynamic_cast<TGLSphere*>(target.Objects()->Children(0))->Radius(), 3);
  Load(target, SceneStream(Deep(TVirtualReader::kMaxNesting - 1)));
  EXPECT_EQ(target.Objects()->Count(), 2);
}

template <class T>
T& As(TGLBaseSceneObject& object) {
  return dynamic_cast<T&>(object);
}

TEST(StoredScene, EveryClassKeepsItsOwnValues) {
  // Per class: values away from the defaults, and one read back by hand (equal stored forms alone
  // would not show a value that is never stored).
  struct Case {
    const char* className;
    std::function<void(TGLBaseSceneObject&)> set;
    std::function<void(TGLBaseSceneObject&)> check;
  };
  const Case cases[] = {
      {"TGLPlane", [](TGLBaseSceneObject& o) { As<TGLPlane>(o).SetXTiles(3); As<TGLPlane>(o).SetWidth(2); },
       [](TGLBaseSceneObject& o) { EXPECT_EQ(As<TGLPlane>(o).XTiles(), 3); }},
      {"TGLSprite", [](TGLBaseSceneObject& o) { As<TGLSprite>(o).SetHeight(4); },
       [](TGLBaseSceneObject& o) { EXPECT_EQ(As<TGLSprite>(o).Height(), 4); }},
      {"TGLCylinder", [](TGLBaseSceneObject& o) {
         auto& c = As<TGLCylinder>(o);
         c.SetTopRadius(0.25f);
         c.SetSlices(7);
         c.SetParts(cySides);
         c.SetAlignment(caTop);
         c.SetNormals(nsFlat);
       },
       [](TGLBaseSceneObject& o) {
         auto& c = As<TGLCylinder>(o);
         EXPECT_EQ(c.TopRadius(), 0.25f);
         EXPECT_EQ(c.Slices(), 7);
         EXPECT_EQ(c.Parts(), cySides);
       }},
      {"TGLCone", [](TGLBaseSceneObject& o) { As<TGLCone>(o).SetParts(coBottom); },
       [](TGLBaseSceneObject& o) { EXPECT_EQ(As<TGLCone>(o).Parts(), coBottom); }},
      {"TGLDisk", [](TGLBaseSceneObject& o) { As<TGLDisk>(o).SetSweepAngle(90); },
       [](TGLBaseSceneObject& o) { EXPECT_EQ(As<TGLDisk>(o).SweepAngle(), 90); }},
      {"TGLAnnulus", [](TGLBaseSceneObject& o) { As<TGLAnnulus>(o).SetTopInnerRadius(0.1f); },
       [](TGLBaseSceneObject& o) { EXPECT_EQ(As<TGLAnnulus>(o).TopInnerRadius(), 0.1f); }},
      {"TGLCapsule", [](TGLBaseSceneObject& o) { As<TGLCapsule>(o).SetRadius(2); },
       [](TGLBaseSceneObject& o) { EXPECT_EQ(As<TGLCapsule>(o).Radius(), 2); }},
      {"TGLTorus", [](TGLBaseSceneObject& o) { As<TGLTorus>(o).SetRings(9); },
       [](TGLBaseSceneObject& o) { EXPECT_EQ(As<TGLTorus>(o).Rings(), 9); }},
      {"TGLArrowLine", [](TGLBaseSceneObject& o) { As<TGLArrowLine>(o).SetHeadStackingStyle(ahssCentered); },
       [](TGLBaseSceneObject& o) { EXPECT_EQ(As<TGLArrowLine>(o).HeadStackingStyle(), ahssCentered); }},
      {"TGLFrustrum", [](TGLBaseSceneObject& o) { As<TGLFrustrum>(o).SetBaseWidth(3); As<TGLFrustrum>(o).SetParts(fpTop); },
       [](TGLBaseSceneObject& o) {
         EXPECT_EQ(As<TGLFrustrum>(o).BaseWidth(), 3);
         EXPECT_EQ(As<TGLFrustrum>(o).Parts(), fpTop);
       }},
      {"TGLPolygon", [](TGLBaseSceneObject& o) {
         auto& p = As<TGLPolygon>(o);
         p.Nodes().AddNode(0, 0, 0);
         p.Nodes().AddNode(1, 0, 0);
         p.Nodes().AddNode(0, 1, 0);
         p.SetParts(ppTop);
       },
       [](TGLBaseSceneObject& o) {
         EXPECT_EQ(As<TGLPolygon>(o).Nodes().Count(), 3);
         EXPECT_EQ(As<TGLPolygon>(o).Parts(), ppTop);
       }},
      {"TGLRevolutionSolid", [](TGLBaseSceneObject& o) {
         auto& r = As<TGLRevolutionSolid>(o);
         r.Nodes().AddNode(1, 0, 0);
         r.Nodes().AddNode(1, 1, 0);
         r.SetStopAngle(180);
       },
       [](TGLBaseSceneObject& o) {
         EXPECT_EQ(As<TGLRevolutionSolid>(o).StopAngle(), 180);
         EXPECT_EQ(As<TGLRevolutionSolid>(o).Nodes().Count(), 2);
       }},
      {"TGLPipe", [](TGLBaseSceneObject& o) {
         auto& p = As<TGLPipe>(o);
         p.AddNode(0, 0, 0)->SetRadiusFactor(2);
         p.AddNode(0, 0, 5)->SetColor({1, 0, 0, 1});
         p.SetRadius(0.5f);
         p.SetNodesColorMode(pncmDiffuse);
       },
       [](TGLBaseSceneObject& o) {
         auto& p = As<TGLPipe>(o);
         ASSERT_EQ(p.Nodes().Count(), 2);
         EXPECT_EQ(static_cast<TGLPipeNode*>(p.Nodes().Items(0))->RadiusFactor(), 2);
         EXPECT_EQ(p.NodesColorMode(), pncmDiffuse);
       }},
      {"TGLMesh", [](TGLBaseSceneObject& o) {
         auto& m = As<TGLMesh>(o);
         m.Vertices().Clear();
         m.Vertices().AddVertex({1, 2, 3}, {0, 0, 1}, {1, 0, 0, 1}, {0.5f, 0.5f});
         m.SetMode(mmQuads);
       },
       [](TGLBaseSceneObject& o) {
         auto& m = As<TGLMesh>(o);
         ASSERT_EQ(m.Vertices().Count(), 1);
         EXPECT_EQ(m.Vertices().Vertex(0).coord.y, 2);
         EXPECT_EQ(m.Vertices().Vertex(0).textCoord.t, 0.5f);
       }},
      {"TGLHeightField", [](TGLBaseSceneObject& o) {
         auto& h = As<TGLHeightField>(o);
         h.XSamplingScale().SetMin(-5);
         h.XSamplingScale().SetMax(5);
         h.SetColorMode(hfcmEmission);
       },
       [](TGLBaseSceneObject& o) {
         EXPECT_EQ(As<TGLHeightField>(o).XSamplingScale().Min(), -5);
         EXPECT_EQ(As<TGLHeightField>(o).ColorMode(), hfcmEmission);
       }},
      {"TGLXYZGrid", [](TGLBaseSceneObject& o) {
         auto& g = As<TGLXYZGrid>(o);
         g.ZSamplingScale().SetStep(2);
         g.SetLinesStyle(glsLine);
       },
       [](TGLBaseSceneObject& o) {
         EXPECT_EQ(As<TGLXYZGrid>(o).ZSamplingScale().Step(), 2);
         EXPECT_EQ(As<TGLXYZGrid>(o).LinesStyle(), glsLine);
       }},
      {"TGLProxyObject", [](TGLBaseSceneObject& o) {
         auto& p = As<TGLProxyObject>(o);
         p.SetProxyOptions(pooObjects);
         p.SetMasterObject(p.CreateChild<TGLSphere>());
         p.MasterObject()->SetName("Master");
       },
       [](TGLBaseSceneObject& o) {
         auto& p = As<TGLProxyObject>(o);
         EXPECT_EQ(p.ProxyOptions(), pooObjects);
         ASSERT_NE(p.MasterObject(), nullptr) << "the master, found by name once all is read";
         EXPECT_EQ(p.MasterObject(), p.Children(0));
       }},
      {"TGLDirectOpenGL", [](TGLBaseSceneObject& o) { As<TGLDirectOpenGL>(o).SetUseBuildList(true); },
       [](TGLBaseSceneObject& o) { EXPECT_TRUE(As<TGLDirectOpenGL>(o).UseBuildList()); }},
      {"TGLCamera", [](TGLBaseSceneObject& o) {
         auto& c = As<TGLCamera>(o);
         c.SetFocalLength(12);
         c.SetCameraStyle(csOrthogonal);
         c.SetTargetObject(c.CreateChild<TGLDummyCube>());
         c.TargetObject()->SetName("Target");
       },
       [](TGLBaseSceneObject& o) {
         auto& c = As<TGLCamera>(o);
         EXPECT_EQ(c.FocalLength(), 12);
         ASSERT_NE(c.TargetObject(), nullptr) << "the target, found by name once all is read";
         EXPECT_EQ(c.TargetObject(), c.Children(0));
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.className);
    TGLStage source(nullptr), target(nullptr);
    TGLBaseSceneObject* made = source.Objects()->CreateChild(c.className);
    made->SetName("Made");
    c.set(*made);
    Load(target, Saved(source));
    ASSERT_EQ(target.Objects()->Count(), 1);
    TGLBaseSceneObject& read = *target.Objects()->Children(0);
    ASSERT_EQ(read.ClassName(), c.className);
    EXPECT_EQ(StoreObject(read), StoreObject(*made));
    c.check(read);
  }
}

TEST(StoredScene, NamesFindTheComponentsBesideTheSceneAndTheLatestObjects) {
  // The program's way: libraries and fonts are the form's, the objects the scene's.
  TComponent form(nullptr);
  auto* library = new TGLMaterialLibrary(&form);
  library->SetName("Library");
  library->Materials().Add().SetName("Stone");
  auto* font = new TGLWindowsBitmapFont(&form);
  font->SetName("Font");
  auto* scene = new TGLStage(&form);
  auto* oldTarget = scene->Objects()->CreateChild<TGLDummyCube>();
  oldTarget->SetName("Target");

  TGLStage source(nullptr);
  auto* cube = source.Objects()->CreateChild<TGLCube>();
  cube->Material().SetMaterialLibrary(library);
  cube->Material().SetLibMaterialName("Stone");
  auto* lost = source.Objects()->CreateChild<TGLCube>();
  TGLMaterialLibrary elsewhere(nullptr);
  elsewhere.SetName("Elsewhere");
  lost->Material().SetMaterialLibrary(&elsewhere);
  lost->Material().SetLibMaterialName("Stone");
  source.Objects()->CreateChild<TGLHUDText>()->SetBitmapFont(font);
  auto* camera = source.Objects()->CreateChild<TGLCamera>();
  camera->SetTargetObject(source.Objects()->CreateChild<TGLDummyCube>());
  camera->TargetObject()->SetName("Target");
  Load(*scene, Saved(source));

  TGLBaseSceneObject& root = *scene->Objects();
  ASSERT_EQ(root.Count(), 6);
  EXPECT_EQ(dynamic_cast<TGLCube&>(*root.Children(1)).Material().CurrentLibMaterial(),
            library->LibMaterialByName("Stone"));
  TGLMaterial& unresolved = dynamic_cast<TGLCube&>(*root.Children(2)).Material();
  EXPECT_EQ(unresolved.MaterialLibrary(), nullptr) << "no library of that name here";
  EXPECT_EQ(unresolved.LibMaterialName(), "Stone") << "the name is kept";
  EXPECT_EQ(dynamic_cast<TGLHUDText&>(*root.Children(3)).BitmapFont(), font);
  EXPECT_EQ(dynamic_cast<TGLCamera&>(*root.Children(4)).TargetObject(), root.Children(5))
      << "the target just read, not the older namesake";
}
