// The scene's light slots, modes, pending initialisations and buffer registration, and the buffer's
// settings and camera, without a driver.
#include "scene3d/stage.h"

#include <gtest/gtest.h>

#include "scene3d/camera.h"
#include "scene3d/light_source.h"
#include "scene3d/stage_buffer.h"

using namespace scene3d;

namespace {

class Pending : public TGLBaseSceneObject {
 public:
  Pending(TComponent* owner, std::vector<int>* log, int id) : TGLBaseSceneObject(owner), log_(log), id_(id) {}
  void InitializeObject(RenderContextInfo&) override { log_->push_back(id_); }

 private:
  std::vector<int>* log_;
  int id_;
};

}  // namespace

TEST(Stage, LightsTakeTheFirstFreeSlotAndLeaveOnlyTheirOwn) {
  TGLStage scene(nullptr);
  std::vector<TGLLightSource*> lights;
  for (int i = 0; i < 9; ++i) lights.push_back(scene.Objects()->CreateChild<TGLLightSource>());
  for (int i = 0; i < 8; ++i) EXPECT_EQ(lights[size_t(i)]->LightID(), i);
  EXPECT_EQ(lights[8]->LightID(), -1) << "no free slot: unregistered";
  scene.RemoveLight(lights[8]);
  EXPECT_EQ(scene.Light(0), lights[0]) << "an unregistered light empties no slot";

  delete lights[3];
  EXPECT_EQ(scene.Light(3), nullptr);
  auto* holder = scene.Objects()->CreateChild<TGLBaseSceneObject>();
  auto* nested = holder->CreateChild<TGLLightSource>();
  EXPECT_EQ(nested->LightID(), 3) << "a light under any object of the scene takes the freed slot";
  scene.Objects()->Remove(holder, false);
  EXPECT_EQ(scene.Light(3), nullptr) << "taken out with its parent";
  EXPECT_EQ(nested->LightID(), -1);
  scene.Objects()->AddChild(holder);
  EXPECT_EQ(scene.Light(3), nested) << "and back in";

  TGLLightSource light(nullptr);
  struct Case {
    float cutOff;
    bool taken;
  };
  for (const Case& c : {Case{120, false}, Case{90, true}, Case{0, true}, Case{180, true}, Case{-1, false}, Case{91, false}}) {
    light.SetSpotCutOff(45);
    light.SetSpotCutOff(c.cutOff);
    EXPECT_EQ(light.SpotCutOff(), c.taken ? c.cutOff : 45) << c.cutOff;
  }
  light.SetSpotDirection(TGLCoordinates3(nullptr, {1, 2, 3, 7}, ctUnknown));
  EXPECT_EQ(light.SpotDirection().W(), 0) << "a direction";
  EXPECT_EQ(light.Diffuse().GetColor().x, 1) << "white by default";
}

TEST(Stage, ModesPendingObjectsAndBuffers) {
  TGLStage scene(nullptr);
  EXPECT_EQ(scene.ObjectsSorting(), osRenderBlendedLast);
  scene.SetObjectsSorting(osNone);
  scene.SetObjectsSorting(osInherited);
  EXPECT_EQ(scene.ObjectsSorting(), osRenderBlendedLast) << "inherited means the default here";
  scene.SetVisibilityCulling(vcObjectBased);
  scene.SetVisibilityCulling(vcInherited);
  EXPECT_EQ(scene.VisibilityCulling(), vcNone);
  EXPECT_EQ(scene.Objects()->Name(), "ObjectRoot");
  EXPECT_TRUE(scene.Objects()->ObjectStyle() & osDirectDraw);

  std::vector<int> initialised;
  auto* first = new Pending(&scene, &initialised, 1);
  auto* second = new Pending(&scene, &initialised, 2);
  auto* third = new Pending(&scene, &initialised, 3);
  for (auto* p : {first, second, third}) {
    scene.Objects()->AddChild(p);
    scene.AddInitializableObject(p);
  }
  delete second;
  RenderContextInfo rci{};
  scene.InitializePendingObjects(rci);
  EXPECT_EQ(initialised, (std::vector<int>{3, 1})) << "last first; a freed one is forgotten";
  EXPECT_EQ(scene.PendingInitializations(), 0);

  TGLStageBuffer a(nullptr), b(nullptr);
  int changesA = 0, changesB = 0;
  a.OnChange = [&](TObject*) { ++changesA; };
  b.OnChange = [&](TObject*) { ++changesB; };
  scene.AddBuffer(&a);
  scene.AddBuffer(&b);
  scene.AddBuffer(&a);
  EXPECT_EQ(scene.Buffers().size(), 2u);
  first->SetVisible(false);
  EXPECT_EQ(changesA, 1);
  EXPECT_EQ(changesB, 1);
  scene.RemoveBuffer(&a);
  first->SetVisible(true);
  EXPECT_EQ(changesA, 1);
  EXPECT_EQ(changesB, 2);
  scene.RemoveBuffer(&b);
  EXPECT_EQ(scene.BaseContext(), nullptr);
}

TEST(StageBuffer, SettingsCameraAndSize) {
  TGLStageBuffer buffer(nullptr);
  int changes = 0, structural = 0;
  buffer.OnChange = [&](TObject*) { ++changes; };
  buffer.OnStructuralChange = [&](TObject*) { ++structural; };
  EXPECT_EQ(buffer.BackgroundColor(), platform::clBtnFace);
  EXPECT_EQ(buffer.ContextOptions(), roDoubleBuffer | roRenderToWindow);

  buffer.SetBackgroundColor(0x123456);
  buffer.SetBackgroundColor(0x123456);
  buffer.SetLighting(false);
  buffer.SetFogEnable(true);
  buffer.SetAmbientColor({1, 1, 1, 1});
  EXPECT_EQ(changes, 3) << "changed values tell once each; the ambient colour not at all";
  EXPECT_EQ(structural, 0);
  buffer.SetDepthPrecision(dp16bits);
  buffer.SetContextOptions(roDoubleBuffer | roStencilBuffer);
  buffer.SetAntiAliasing(aa4x);
  buffer.SetColorDepth(cd16bits);
  buffer.SetAccumBufferBits(16);
  EXPECT_EQ(structural, 5) << "these need a new context";
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(DepthBitsOf(dpDefault), 24);
  EXPECT_EQ(ColorBitsOf(cdFloat64bits), 64);

  TGLStageBuffer copy(nullptr);
  int copyStructural = 0;
  copy.OnStructuralChange = [&](TObject*) { ++copyStructural; };
  copy.Assign(&buffer);
  EXPECT_EQ(copy.BackgroundColor(), 0x123456u);
  EXPECT_FALSE(copy.Lighting());
  EXPECT_EQ(copy.DepthPrecision(), dp16bits);
  EXPECT_EQ(copyStructural, 1);

  buffer.Resize(0, -3);
  EXPECT_EQ(buffer.Width(), 1) << "a width of 0 keeps a viewport of 1";
  EXPECT_EQ(buffer.Height(), 1);

  TGLCamera stray(nullptr);
  buffer.SetCamera(&stray);
  EXPECT_EQ(buffer.Camera(), nullptr) << "a camera outside any scene is not taken";
  TGLStage scene(nullptr);
  auto* camera = scene.Objects()->CreateChild<TGLCamera>();
  changes = 0;
  buffer.SetCamera(camera);
  EXPECT_EQ(buffer.Camera(), camera);
  EXPECT_EQ(changes, 1);
  delete camera;
  EXPECT_EQ(buffer.Camera(), nullptr) << "a freed camera leaves the buffer";
  EXPECT_EQ(changes, 2) << "and the buffer repaints";
  EXPECT_FALSE(buffer.HasContext());
  buffer.Render();  // no context: nothing, no crash
  EXPECT_EQ(buffer.FrameCount(), 0);
  EXPECT_EQ(buffer.FramesPerSecond(), 0);
}
