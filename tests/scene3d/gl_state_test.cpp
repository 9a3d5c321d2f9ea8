#include "scene3d/gl_state.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "fake_gl.h"
#include "scene3d/vectors.h"

using namespace scene3d;
using testing_support::ActiveFakeTable;

namespace {

std::string Call(const std::string& name, std::initializer_list<int64_t> args) {
  std::string text = name + "(";
  bool first = true;
  for (int64_t a : args) {
    if (!first) text += ",";
    text += std::to_string(a);
    first = false;
  }
  return text + ")";
}

}  // namespace

TEST(GLStateCache, EverySetterSkipsAnUnchangedValueButRecordsItsGroupWhileCompiling) {
  struct Case {
    const char* name;
    std::function<void(TGLStateCache&)> set;
    TGLStateType group;
  } cases[] = {
      {"DepthFunc", [](TGLStateCache& c) { c.SetDepthFunction(cfGreater); }, sttDepthBuffer},
      {"DepthMask", [](TGLStateCache& c) { c.SetDepthWriteMask(false); }, sttDepthBuffer},
      {"DepthRange", [](TGLStateCache& c) { c.SetDepthRange(0.1, 0.9); }, sttViewport},
      {"Viewport", [](TGLStateCache& c) { c.SetViewport({0, 0, 640, 480}); }, sttViewport},
      {"LineWidth", [](TGLStateCache& c) { c.SetLineWidth(3); }, sttLine},
      {"LineStipple", [](TGLStateCache& c) { c.SetLineStipplePattern(0x0F0F); }, sttLine},
      {"PointSize", [](TGLStateCache& c) { c.SetPointSize(4); }, sttPoint},
      {"FrontFace", [](TGLStateCache& c) { c.SetFrontFace(fwClockWise); }, sttPolygon},
      {"PolygonMode", [](TGLStateCache& c) { c.SetPolygonMode(pmLines); }, sttPolygon},
      {"ClearColor", [](TGLStateCache& c) { c.SetClearColor({0.5f, 0.5f, 0.5f, 1}); }, sttColorBuffer},
      {"BlendFunc", [](TGLStateCache& c) { c.SetBlendFunction(bfSrcAlpha, bfOneMinusSrcAlpha); }, sttColorBuffer},
      {"BlendFuncSeparate", [](TGLStateCache& c) { c.SetBlendFunctionSeparate(bfSrcAlpha, bfOne, bfZero, bfOne); },
       sttColorBuffer},
      {"AlphaFunc", [](TGLStateCache& c) { c.SetAlphaFunction(cfGreater, 0.5f); }, sttColorBuffer},
      {"LogicOp", [](TGLStateCache& c) { c.SetLogicOp(loXOr); }, sttColorBuffer},
      {"ColorMask", [](TGLStateCache& c) { c.SetColorWriting(false); }, sttColorBuffer},
      {"Enable", [](TGLStateCache& c) { c.EnableState(stBlend); }, sttEnable},
      {"Hint", [](TGLStateCache& c) { c.SetTextureCompressionHint(hintNicest); }, sttHint},
      {"ActiveTexture", [](TGLStateCache& c) { c.SetActiveTextureUnit(3); }, sttTexture},
      {"Lightfv", [](TGLStateCache& c) { c.SetLightDiffuse(1, {1, 0, 0, 1}); }, sttLighting},
      {"Lightf", [](TGLStateCache& c) { c.SetLightQuadraticAttenuation(2, 0.25f); }, sttLighting},
      {"Enable", [](TGLStateCache& c) { c.SetLightEnabled(2, true); }, sttLighting},
  };
  for (const Case& c : cases) {
    ActiveFakeTable fake;
    TGLStateCache cache;
    c.set(cache);
    EXPECT_EQ(fake.gl.Names(), std::vector<std::string>{c.name}) << c.name << ": the first change is sent";
    fake.gl.ClearCalls();
    c.set(cache);
    EXPECT_TRUE(fake.gl.calls.empty()) << c.name << ": the same value again sends nothing";

    TGLStateCache compiling;
    compiling.NewList(1, GL_COMPILE);
    fake.gl.ClearCalls();
    c.set(compiling);
    c.set(compiling);
    EXPECT_EQ(fake.gl.Names(), (std::vector<std::string>{c.name, c.name})) << c.name << ": both go into the list";
    compiling.EndList();
    EXPECT_EQ(compiling.ListStates(1), StateTypeBit(c.group)) << c.name;
    fake.gl.ClearCalls();
    c.set(compiling);
    EXPECT_EQ(fake.gl.Names(), std::vector<std::string>{c.name}) << c.name << ": the cache kept its old value";
  }
}

TEST(GLStateCache, UnrecordedSettersAndTheColourMask) {
  ActiveFakeTable fake({"GL_ARB_vertex_buffer_object"});
  TGLStateCache cache;
  cache.NewList(1, GL_COMPILE);
  fake.gl.ClearCalls();
  cache.SetUnpackAlignment(4);
  cache.SetArrayBufferBinding(0);
  EXPECT_TRUE(fake.gl.calls.empty()) << "equal values send nothing even while compiling";
  cache.SetColor({1, 0, 0, 1});
  cache.SetUnpackAlignment(1);
  cache.SetElementBufferBinding(5);
  cache.SetColorWriteMask(0x0F);
  cache.EndList();
  EXPECT_EQ(fake.gl.Trace(), (std::vector<std::string>{"Color4fv(1,0,0,1)", Call("PixelStoref", {GL_UNPACK_ALIGNMENT, 1}),
                                                       Call("BindBuffer", {GL_ELEMENT_ARRAY_BUFFER, 5}), "ColorMask(1,1,1,1)",
                                                       "EndList()"}));
  EXPECT_EQ(cache.ListStates(1), StateTypeBit(sttColorBuffer)) << "only the colour mask is recorded";
  EXPECT_EQ(cache.Color().y, 1) << "a colour compiled into a list is not current";

  fake.gl.ClearCalls();
  cache.SetColorWriteMask(0x05);
  cache.SetColorWriteMask(0x05);
  EXPECT_EQ(fake.gl.Count("ColorMask"), 2) << "the colour mask is always sent";
  EXPECT_EQ(cache.ColorWriteMask(15), 0x05) << "for all sixteen draw buffers";

  // A new list unbinds the buffers and switches the attribute arrays off first.
  cache.SetArrayBufferBinding(3);
  cache.SetVertexAttribArrayEnabled(2, true);
  fake.gl.ClearCalls();
  cache.NewList(2, GL_COMPILE);
  EXPECT_EQ(fake.gl.Trace(), (std::vector<std::string>{Call("BindBuffer", {GL_ARRAY_BUFFER, 0}),
                                                       Call("BindBuffer", {GL_ELEMENT_ARRAY_BUFFER, 0}),
                                                       "DisableVertexAttribArray(2)", Call("NewList", {2, GL_COMPILE})}));
}

TEST(GLStateCache, CallListSavesExactlyTheRecordedGroups) {
  ActiveFakeTable fake;
  TGLStateCache cache;
  // 128 is the record array's first size: that list needs it grown.
  for (GLuint list : {5u, 128u, 1000u}) {
    cache.NewList(list, GL_COMPILE);
    cache.SetLineWidth(2);
    cache.SetDepthFunction(cfAlways);
    cache.EndList();
    fake.gl.ClearCalls();
    cache.CallList(list);
    EXPECT_EQ(fake.gl.Trace(),
              (std::vector<std::string>{Call("PushAttrib", {GL_LINE_BIT | GL_DEPTH_BUFFER_BIT}), Call("CallList", {list}),
                                        "PopAttrib()"}))
        << list;
  }
  fake.gl.ClearCalls();
  cache.CallList(5000);
  EXPECT_EQ(fake.gl.Trace(), std::vector<std::string>{"CallList(5000)"}) << "a list compiled elsewhere records nothing";

  // A list may leave a colour of its own behind: the cached one is sent again after it, once.
  cache.SetColor({1, 1, 0, 1});
  cache.CallList(5);
  fake.gl.ClearCalls();
  cache.SetColor({1, 1, 0, 1});
  cache.SetColor({1, 1, 0, 1});
  EXPECT_EQ(fake.gl.Count("Color4fv"), 1);
  EXPECT_EQ(AttribBitsOf(StateTypeBit(sttMultisample) | StateTypeBit(sttCurrent)), GLbitfield(GL_MULTISAMPLE_BIT | GL_CURRENT_BIT));
  EXPECT_EQ(AttribBitsOf(StateTypeBit(sttScissor)), GLbitfield(GL_SCISSOR_BIT));
}

namespace {

// The colour a fake context draws in after the recorded calls: Color4fv sets it, unless it is being
// compiled into a list (GL_COMPILE); CallList plays the list's colours.
scene3d::TVector4f ColourAfter(const std::vector<testing_support::GLCall>& calls, scene3d::TVector4f current) {
  std::map<int, std::vector<scene3d::TVector4f>> lists;
  int compiling = -1;
  auto colourOf = [](const testing_support::GLCall& call) {
    return scene3d::TVector4f{float(call.args[0]), float(call.args[1]), float(call.args[2]), float(call.args[3])};
  };
  for (const testing_support::GLCall& call : calls) {
    if (call.name == "NewList") {
      compiling = int(call.args[0]);
      lists[compiling].clear();
    } else if (call.name == "EndList") {
      compiling = -1;
    } else if (call.name == "Color4fv") {
      if (compiling >= 0) lists[compiling].push_back(colourOf(call));
      else current = colourOf(call);
    } else if (call.name == "CallList") {
      for (const scene3d::TVector4f& c : lists[int(call.args[0])]) current = c;
    }
  }
  return current;
}

}  // namespace

TEST(GLStateCache, AListDrawsInTheColourItWasCompiledWith) {
  const scene3d::TVector4f yellow{1, 1, 0, 1}, red{1, 0, 0, 1}, white{1, 1, 1, 1};
  const struct {
    const char* name;
    scene3d::TVector4f before;  // the cache's colour when the list is compiled
    scene3d::TVector4f inList;
    scene3d::TVector4f atCall;  // set before the list is called
  } cases[] = {
      {"compiled in the cached colour", yellow, yellow, red},
      {"compiled in the initial colour", white, white, yellow},
      {"compiled in another colour", yellow, red, yellow},
      {"called in the colour it was compiled with", red, red, red},
  };
  for (const auto& c : cases) {
    ActiveFakeTable fake;
    TGLStateCache cache;
    cache.SetColor(c.before);
    fake.gl.ClearCalls();
    cache.NewList(3, GL_COMPILE);
    cache.SetColor(c.inList);
    cache.SetColor(c.inList);
    cache.EndList();
    EXPECT_EQ(fake.gl.Count("Color4fv"), 2) << c.name << ": every colour is compiled into the list";
    EXPECT_TRUE(scene3d::VectorEqual4(cache.Color(), c.before)) << c.name << ": a colour compiled into a list is not current";
    cache.SetColor(c.atCall);
    cache.CallList(3);
    EXPECT_TRUE(scene3d::VectorEqual4(ColourAfter(fake.gl.calls, c.before), c.inList)) << c.name << ": the list drew in its own colour";
    // The list left its colour current: the colour set before it is sent again, once.
    fake.gl.ClearCalls();
    cache.SetColor(c.atCall);
    cache.SetColor(c.atCall);
    EXPECT_EQ(fake.gl.Count("Color4fv"), 1) << c.name << ": the cache does not assume its old colour";
    EXPECT_TRUE(scene3d::VectorEqual4(ColourAfter(fake.gl.calls, c.inList), c.atCall)) << c.name;
  }
}

TEST(GLStateCache, TextureBindingSwitchesUnitsAroundTheBind) {
  ActiveFakeTable fake;
  TGLStateCache cache;
  cache.SetTextureBinding(2, ttTexture2D, 9);
  EXPECT_EQ(fake.gl.Trace(), (std::vector<std::string>{Call("ActiveTexture", {GL_TEXTURE2}), Call("BindTexture", {GL_TEXTURE_2D, 9}),
                                                       Call("ActiveTexture", {GL_TEXTURE0})}));
  EXPECT_EQ(cache.ActiveTextureUnit(), 0);
  EXPECT_EQ(cache.TextureBinding(2, ttTexture2D), 9u);
  double firstTime = cache.TextureBindTime(2, ttTexture2D);
  fake.gl.ClearCalls();
  cache.SetTextureBinding(2, ttTexture2D, 9);
  EXPECT_TRUE(fake.gl.calls.empty());
  EXPECT_GT(cache.TextureBindTime(2, ttTexture2D), firstTime) << "the bind time is kept even when unchanged";

  cache.SetTextureBinding(0, ttTextureCube, 4);
  EXPECT_EQ(fake.gl.Trace(), std::vector<std::string>{Call("BindTexture", {GL_TEXTURE_CUBE_MAP, 4})});
  fake.gl.ClearCalls();
  cache.SetTextureTargetEnabled(ttTexture2DArray, true);
  cache.SetTextureBinding(48, ttTexture2D, 1);
  EXPECT_TRUE(fake.gl.calls.empty()) << "array targets are not switched; unit 48 does not exist";
  cache.SetTextureTargetEnabled(ttTexture2D, true);
  EXPECT_EQ(fake.gl.Trace(), std::vector<std::string>{Call("Enable", {GL_TEXTURE_2D})});

  // Texture matrices: reset only where one was set, and come back to the active unit.
  cache.SetTextureMatrix(IdentityMatrix);
  cache.SetActiveTextureUnit(2);
  cache.SetTextureMatrix(IdentityMatrix);
  cache.SetActiveTextureUnit(1);
  fake.gl.ClearCalls();
  cache.ResetAllTextureMatrices();
  EXPECT_EQ(fake.gl.Trace(), (std::vector<std::string>{Call("MatrixMode", {GL_TEXTURE}), Call("ActiveTexture", {GL_TEXTURE2}),
                                                       "LoadIdentity()", Call("ActiveTexture", {GL_TEXTURE0}), "LoadIdentity()",
                                                       Call("MatrixMode", {GL_MODELVIEW}), Call("ActiveTexture", {GL_TEXTURE1})}));
  fake.gl.ClearCalls();
  cache.ResetAllTextureMatrices();
  EXPECT_TRUE(fake.gl.calls.empty());

  ActiveFakeTable single(std::vector<std::string>{});
  TGLStateCache plain;
  plain.SetActiveTextureUnit(1);
  EXPECT_TRUE(single.gl.calls.empty()) << "without multitexturing there is only unit 0";
  EXPECT_EQ(plain.ActiveTextureUnit(), 0);
}

TEST(GLStateCache, ForwardContextsSkipTheFixedFunctionPipeline) {
  ActiveFakeTable fake;
  TGLStateCache cache;
  cache.SetForwardContext(true);
  EXPECT_FALSE(cache.FixedFunctionLighting());
  cache.EnableState(stLighting);
  cache.SetMaterial(cmFront, {1, 1, 1, 1}, {1, 1, 1, 1}, {1, 1, 1, 1}, {1, 1, 1, 1}, 10);
  cache.SetAlphaFunction(cfGreater, 0.5f);
  cache.SetLightDiffuse(0, {0, 1, 0, 1});
  cache.SetLightEnabled(0, true);
  cache.SetTextureTargetEnabled(ttTexture2D, true);
  EXPECT_TRUE(fake.gl.calls.empty());
  EXPECT_FALSE(cache.IsEnabled(stLighting));
  EXPECT_EQ(cache.Light(0).diffuse.y, 1) << "lights are still kept for the shaders";
  EXPECT_EQ(cache.EnabledLights(), std::vector<int>{0});
  EXPECT_EQ(cache.MaxLights(), 16);
  cache.EnableState(stBlend);
  EXPECT_EQ(fake.gl.Trace(), std::vector<std::string>{Call("Enable", {GL_BLEND})});

  TGLStateCache classic;
  fake.gl.ClearCalls();
  EXPECT_EQ(classic.MaxLights(), 8);
  EXPECT_EQ(classic.MaxLights(), 8);
  EXPECT_EQ(fake.gl.Count("GetIntegerv"), 1) << "asked once";
}

TEST(GLStateCache, MaterialsColourMaterialAndLightNotification) {
  ActiveFakeTable fake;
  TGLStateCache cache;
  int notified = 0;
  cache.SetOnLightChange([&](TObject* sender) {
    EXPECT_EQ(sender, &cache);
    ++notified;
  });
  cache.SetLightPosition(1, {1, 2, 3, 1});
  cache.SetLightSpotCutoff(1, 60);
  EXPECT_EQ(notified, 2);
  EXPECT_TRUE(cache.LightsChanged());
  EXPECT_NEAR(cache.Light(1).spotCosCutoff, 0.5, 1e-6);
  EXPECT_EQ(fake.gl.Trace(), std::vector<std::string>{Call("Lightf", {GL_LIGHT1, GL_SPOT_CUTOFF, 60})}) << "position is only stored";

  // Only the colours that differ are sent; the shininess always goes with a change.
  fake.gl.ClearCalls();
  cache.SetMaterial(cmFrontAndBack, {0, 0, 0, 1}, {0.2f, 0.2f, 0.2f, 1}, {1, 0, 0, 1}, {0, 0, 0, 1}, 0);
  EXPECT_EQ(fake.gl.Names(), std::vector<std::string>{"Materialfv"});
  EXPECT_EQ(cache.Material(cmBack).diffuse.x, 1);

  // Without lighting the alpha goes to the current colour, with it to the diffuse material.
  fake.gl.ClearCalls();
  cache.SetMaterialAlphaChannel(cmFront, 0.5f);
  cache.EnableState(stLighting);
  cache.SetMaterialAlphaChannel(cmFront, 0.25f);
  EXPECT_EQ(fake.gl.Trace(), (std::vector<std::string>{"Color4fv(1,1,1,0.500000)", Call("Enable", {GL_LIGHTING}),
                                                       "Materialfv(1028,4609,1,0,0,0.250000)"}));

  // Both faces each keep their own colour; the cache once took the back's while OpenGL got the front's.
  cache.SetMaterial(cmBack, {0, 0, 0, 1}, {0.2f, 0.2f, 0.2f, 1}, {0, 0, 1, 1}, {0, 0, 0, 1}, 0);
  fake.gl.ClearCalls();
  cache.SetMaterialAlphaChannel(cmFrontAndBack, 0.75f);
  EXPECT_EQ(fake.gl.Trace(), (std::vector<std::string>{"Materialfv(1028,4609,1,0,0,0.750000)",
                                                       "Materialfv(1029,4609,0,0,1,0.750000)"}));
  EXPECT_TRUE(VectorEqual4(cache.Material(cmBack).diffuse, TVector4f{0, 0, 1, 0.75f}));

  // A material set behind the cache's back is sent again, equal or not.
  fake.gl.ClearCalls();
  cache.SetMaterial(cmBack, {0, 0, 0, 1}, {0.2f, 0.2f, 0.2f, 1}, {0, 0, 1, 0.75f}, {0, 0, 0, 1}, 0);
  EXPECT_TRUE(fake.gl.calls.empty());
  cache.MaterialSetBehind(cmBack);
  cache.SetMaterial(cmBack, {0, 0, 0, 1}, {0.2f, 0.2f, 0.2f, 1}, {0, 0, 1, 0.75f}, {0, 0, 0, 1}, 0);
  EXPECT_EQ(fake.gl.Count("Materialfv"), 4);
  cache.ColorSetBehind();
  fake.gl.ClearCalls();
  cache.SetColor(cache.Color());
  EXPECT_EQ(fake.gl.Count("Color4fv"), 1) << "a colour set behind the cache's back";

  // Switching colour material off sends both faces' whole material again.
  cache.EnableState(stColorMaterial);
  fake.gl.ClearCalls();
  cache.DisableState(stColorMaterial);
  EXPECT_EQ(fake.gl.Count("Materialfv"), 8);
  EXPECT_EQ(fake.gl.Count("Materiali"), 2);

  cache.SetFixedFunctionLighting(false);
  fake.gl.ClearCalls();
  cache.SetLightEnabled(3, true);
  EXPECT_TRUE(fake.gl.calls.empty()) << "no fixed-function lighting, no light switch";
  EXPECT_TRUE(cache.LightEnabled(3));
}
