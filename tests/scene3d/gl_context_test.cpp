#include "scene3d/gl_context.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "fake_context.h"
#include "scene3d/silent_abort.h"

using namespace scene3d;
using testing_support::FakeContext;
using testing_support::FakeGL;
using testing_support::RecordingLog;

namespace {

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const EGLContext& e) {
    return e.what();
  }
  return "";
}

// A manager and fake driver of the test's own, with contexts made on demand.
struct Contexts {
  Contexts() { gl.strings[GL_VERSION] = "4.5"; }
  ~Contexts() { list.clear(); }
  FakeContext& Make(bool create = true) {
    list.push_back(std::make_unique<FakeContext>(manager, gl));
    if (create) list.back()->CreateOnDevice(nullptr);
    return *list.back();
  }
  FakeGL gl;
  TGLContextManager manager;
  std::vector<std::unique_ptr<FakeContext>> list;
};

}  // namespace

TEST(GLContext, ActivationIsCountedAndOneContextIsCurrent) {
  Contexts contexts;
  FakeContext& rc = contexts.Make();
  EXPECT_EQ(contexts.manager.NativeContextCount(), 1);
  rc.Activate();
  rc.Activate();
  EXPECT_EQ(CurrentContext(), &rc);
  EXPECT_EQ(&ActiveGLTable(), &rc.GL());
  rc.Deactivate();
  EXPECT_TRUE(rc.IsActive());
  rc.Deactivate();
  EXPECT_EQ(rc.makeCurrent, 1);
  EXPECT_EQ(rc.release, 1);
  EXPECT_EQ(CurrentContext(), nullptr);
  EXPECT_EQ(&ActiveGLTable(), &StubGLTable());
  EXPECT_EQ(ErrorOf([&] { rc.Deactivate(); }), "Unbalanced context activations");
  rc.SetActive(true);
  EXPECT_EQ(rc.makeCurrent, 2) << "an unbalanced deactivation leaves the count at 0";
  rc.SetActive(false);

  FakeContext& bare = contexts.Make(false);
  EXPECT_EQ(ErrorOf([&] { bare.Activate(); }), "Context not created");
  EXPECT_EQ(ErrorOf([&] { rc.CreateOnDevice(nullptr); }), "Context already created");
  EXPECT_EQ(ErrorOf([&] { contexts.manager.RegisterContext(&rc); }), "Invalid context registration");
  EXPECT_EQ(contexts.manager.ContextCount(), 2);

  RecordingLog log;
  EXPECT_THROW(SafeCurrentContext(), EAbort);
  EXPECT_TRUE(log.Has("(EE)   No active rendering context"));
}

TEST(GLContext, FormatCannotChangeWhileActive) {
  Contexts contexts;
  FakeContext& rc = contexts.Make();
  std::vector<std::function<void()>> setters = {
      [&] { rc.SetColorBits(24); },  [&] { rc.SetAlphaBits(8); },       [&] { rc.SetDepthBits(24); },
      [&] { rc.SetStencilBits(8); }, [&] { rc.SetAccumBits(16); },      [&] { rc.SetAuxBuffers(1); },
      [&] { rc.SetOptions(rcoDoubleBuffered); }, [&] { rc.SetAntiAliasing(aa4x); }, [&] { rc.SetAcceleration(chaHardware); }};
  for (auto& set : setters) EXPECT_EQ(ErrorOf(set), "");
  rc.Activate();
  for (auto& set : setters) EXPECT_EQ(ErrorOf(set), "Cannot alter an active context");
  rc.Deactivate();
  EXPECT_EQ(rc.ColorBits(), 24);
}

TEST(GLContext, AFailedMakeCurrentChangesNothingAndIsReported) {
  Contexts contexts;
  FakeContext& good = contexts.Make();
  FakeContext& bad = contexts.Make();
  bad.failMakeCurrent = true;
  EXPECT_EQ(ErrorOf([&] { bad.Activate(); }), "Context activation failed: 3002, EGL_BAD_ACCESS");
  EXPECT_FALSE(bad.IsActive());
  EXPECT_EQ(CurrentContext(), nullptr);
  EXPECT_EQ(&ActiveGLTable(), &StubGLTable());
  EXPECT_TRUE(ActivationFailed());
  good.Activate();
  EXPECT_FALSE(ActivationFailed()) << "cleared by the next activation";
  good.Deactivate();
}

TEST(GLContext, SharingIsTransitiveAndDestroyingOneKeepsTheOthersLists) {
  Contexts contexts;
  FakeContext& a = contexts.Make();
  FakeContext& b = contexts.Make();
  FakeContext& c = contexts.Make();
  a.ShareListsWith(&b);
  c.ShareListsWith(&b);
  for (FakeContext* rc : {&a, &b, &c})
    EXPECT_TRUE(rc->SharesListsWith(&a) && rc->SharesListsWith(&b) && rc->SharesListsWith(&c));

  TGLListHandle list(contexts.manager);
  a.Activate();
  list.AllocateIdentifier();
  GLuint id = list.Identifier();
  EXPECT_NE(id, 0u);
  EXPECT_TRUE(list.NeedsDataUpdate());
  list.MarkDataUpdated();
  a.Deactivate();
  b.Activate();
  list.AllocateIdentifier();
  EXPECT_EQ(list.Identifier(), id) << "a list-sharing context takes the same object";
  EXPECT_FALSE(list.NeedsDataUpdate());
  b.Deactivate();
  EXPECT_EQ(a.OwnedIdentifiersCount(), 1);

  contexts.gl.ClearCalls();
  a.DestroyNative();
  EXPECT_EQ(contexts.gl.Count("DeleteLists"), 0) << "b still holds the list";
  EXPECT_FALSE(b.SharesListsWith(&a));
  EXPECT_EQ(a.SharedContexts(), std::vector<TGLContext*>{&a});
  EXPECT_EQ(a.OwnedIdentifiersCount(), 0);
  EXPECT_FALSE(a.GL().Initialised()) << "the table is back to the stubs";
  b.Activate();
  EXPECT_EQ(list.Identifier(), id);
  EXPECT_EQ(list.OwningContext(), &b);
  b.Deactivate();
  b.DestroyNative();
  EXPECT_EQ(contexts.gl.Count("DeleteLists"), 1) << "the last holder deletes it";
  EXPECT_EQ(contexts.manager.NativeContextCount(), 1);
}

TEST(GLContext, DestroyingANativeContextGivesBackTheNestedActivationsOfTheCurrentOne) {
  Contexts contexts;
  FakeContext& current = contexts.Make();
  FakeContext& doomed = contexts.Make();
  current.Activate();
  current.Activate();
  doomed.DestroyNative();
  EXPECT_EQ(CurrentContext(), &current);
  EXPECT_EQ(&ActiveGLTable(), &current.GL());
  current.Deactivate();
  current.Deactivate();
  EXPECT_EQ(ErrorOf([&] { current.Deactivate(); }), "Unbalanced context activations");
  EXPECT_EQ(doomed.destroyed, 1);
  EXPECT_EQ(doomed.Acceleration(), chaUnknown);
}

TEST(GLContext, HandlesHoldAtMostEightContextsAndFreeAFailedSlot) {
  RecordingLog log;
  Contexts contexts;
  TGLTextureHandle texture(contexts.manager);
  texture.AllocateIdentifier();
  EXPECT_TRUE(log.Has("(EE)   Failed to allocate OpenGL identifier - no active rendering context!"));
  for (int i = 0; i < 9; ++i) {
    FakeContext& rc = contexts.Make();
    rc.Activate();
    texture.AllocateIdentifier();
    EXPECT_EQ(texture.Identifier() != 0, i < 8) << i;
    rc.Deactivate();
  }
  EXPECT_TRUE(log.Has("(EE)   Failed to allocate OpenGL identifier - contexts number more then GLS_MAX_RENDERING_CONTEXT_NUM!"));

  // A driver that hands out no name: the slot is given back.
  TGLListHandle list(contexts.manager);
  contexts.gl.nextName = 0;
  contexts.list[0]->Activate();
  list.AllocateIdentifier();
  contexts.list[0]->Deactivate();
  for (int i = 0; i < TGLContextHandle::kMaxContexts; ++i) EXPECT_EQ(list.SlotAt(i).context, nullptr) << i;

  // Deleting a texture clears it from every unit of the owning context's cache.
  contexts.gl.nextName = 50;
  FakeContext& owner = *contexts.list[0];
  TGLTextureHandle bound(contexts.manager);
  owner.Activate();
  bound.AllocateIdentifier();
  GLuint id = bound.Identifier();
  owner.GLStates().SetTextureBinding(0, ttTexture2D, id);
  owner.Deactivate();
  bound.DestroyIdentifiers();
  EXPECT_EQ(owner.GLStates().TextureBinding(0, ttTexture2D), 0u);
  EXPECT_EQ(contexts.gl.Trace().back(), "GetError()") << "the deletion ends by reporting errors";
  EXPECT_GE(contexts.gl.Count("DeleteTextures"), 1);
}

TEST(GLContext, VirtualHandlesAskTheirEvents) {
  Contexts contexts;
  FakeContext& rc = contexts.Make();
  TGLVirtualHandle handle(contexts.manager);
  std::vector<GLuint> destroyed;
  handle.SetOnAllocate([](TGLVirtualHandle*, GLuint& id) { id = 77; });
  handle.SetOnDestroy([&](TGLVirtualHandle*, GLuint& id) { destroyed.push_back(id); });
  rc.Activate();
  handle.AllocateIdentifier();
  EXPECT_EQ(handle.Identifier(), 77u);
  rc.Deactivate();
  handle.DestroyIdentifiers();
  EXPECT_EQ(destroyed, std::vector<GLuint>{77});
  EXPECT_EQ(CurrentContext(), nullptr);
}
