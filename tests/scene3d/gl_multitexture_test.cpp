#include "scene3d/gl_multitexture.h"

#include <gtest/gtest.h>

#include "fake_context.h"
#include "scene3d/silent_abort.h"

using namespace scene3d;
using testing_support::FakeContext;
using testing_support::FakeGL;

namespace {

// A current fake context (multitexturing on) whose coordinator the test drives.
struct CurrentFake {
  CurrentFake() {
    gl.strings[GL_VERSION] = "4.5";
    gl.extensions = {"GL_ARB_multitexture"};
    rc.CreateOnDevice(nullptr);
    rc.Activate();
    gl.ClearCalls();
  }
  ~CurrentFake() { rc.Deactivate(); }
  FakeGL gl;
  TGLContextManager manager;
  FakeContext rc{manager, gl};
};

std::string Unit(int n) { return std::to_string(GL_TEXTURE0 + n); }

}  // namespace

TEST(GLMultitextureCoordinator, EachModeSendsTheRoutinesWhereItSays) {
  struct Case {
    std::function<void(TGLMultitextureCoordinator&)> map;
    uint32_t mapped;
    std::vector<std::string> coordinates, server, client;
  } cases[] = {
      {[](auto& m) { m.MapNull(); }, 0, {}, {}, {}},
      {[](auto& m) { m.MapMain(); }, 1, {"TexCoord2f(1,2)"}, {"TexGeni(8192,9472,9217)"}, {"EnableClientState(32888)"}},
      {[](auto& m) { m.MapSecond(); },
       2,
       {"MultiTexCoord2f(" + Unit(1) + ",1,2)"},
       {"ActiveTexture(" + Unit(1) + ")", "TexGeni(8192,9472,9217)"},
       {"ClientActiveTexture(" + Unit(1) + ")", "EnableClientState(32888)", "ClientActiveTexture(" + Unit(0) + ")"}},
      {[](auto& m) { m.MapDual(); },
       3,
       {"TexCoord2f(1,2)", "MultiTexCoord2f(" + Unit(1) + ",1,2)"},
       {"TexGeni(8192,9472,9217)", "ActiveTexture(" + Unit(1) + ")", "TexGeni(8192,9472,9217)"},
       {"EnableClientState(32888)", "ClientActiveTexture(" + Unit(1) + ")", "EnableClientState(32888)",
        "ClientActiveTexture(" + Unit(0) + ")"}},
      {[](auto& m) { m.MapArbitraryUnits(0b101); },
       0b101,
       {"MultiTexCoord2f(" + Unit(0) + ",1,2)", "MultiTexCoord2f(" + Unit(2) + ",1,2)"},
       {"TexGeni(8192,9472,9217)", "ActiveTexture(" + Unit(2) + ")", "TexGeni(8192,9472,9217)"},
       {"ClientActiveTexture(" + Unit(0) + ")", "EnableClientState(32888)", "ClientActiveTexture(" + Unit(2) + ")",
        "EnableClientState(32888)"}},
  };
  for (const Case& c : cases) {
    CurrentFake fake;
    TGLMultitextureCoordinator& mtc = CurrentCoordinator();
    EXPECT_EQ(mtc.MapMode(), mtcmNull) << "a new coordinator drops coordinates";
    c.map(mtc);
    EXPECT_EQ(mtc.MappedUnits(), c.mapped);
    fake.gl.ClearCalls();
    mtc.TexCoord2f(1, 2);
    EXPECT_EQ(fake.gl.Trace(), c.coordinates) << c.mapped;
    fake.gl.ClearCalls();
    mtc.TexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR);
    EXPECT_EQ(fake.gl.Trace(), c.server) << c.mapped;
    fake.gl.ClearCalls();
    mtc.EnableClientState(GL_TEXTURE_COORD_ARRAY);
    EXPECT_EQ(fake.gl.Trace(), c.client) << c.mapped;
  }
}

TEST(GLMultitextureCoordinator, UpdatesApplyOnceAtTheEndAndTheSecondUnitCanBeForbidden) {
  CurrentFake fake;
  TGLMultitextureCoordinator& mtc = CurrentCoordinator();
  mtc.BeginUpdate();
  mtc.MapDual();
  EXPECT_EQ(mtc.MappedUnits(), 3u) << "by the pending mode while updating";
  mtc.MapMain();
  mtc.TexCoord2f(1, 2);
  EXPECT_TRUE(fake.gl.calls.empty()) << "the routines stay as they were until the end";
  EXPECT_EQ(mtc.MapMode(), mtcmNull);
  mtc.EndUpdate();
  EXPECT_EQ(mtc.MapMode(), mtcmMain) << "only main is applied";
  mtc.TexCoord2f(1, 2);
  EXPECT_EQ(fake.gl.Trace(), std::vector<std::string>{"TexCoord2f(1,2)"});

  mtc.SetSecondTextureUnitForbidden(true);
  mtc.MapSecond();
  EXPECT_EQ(mtc.MapMode(), mtcmNull);
  mtc.MapDual();
  EXPECT_EQ(mtc.MapMode(), mtcmMain);
  mtc.MapArbitraryUnits(0b111);
  EXPECT_EQ(mtc.MappedUnits(), 0b101u);
  mtc.MapArbitraryAdd(0b1000);
  EXPECT_EQ(mtc.MappedUnits(), 0b1101u);
}

TEST(GLMultitextureCoordinator, NeedsACurrentContext) {
  testing_support::RecordingLog log;
  EXPECT_FALSE(CatchSilentAbort([] { CurrentCoordinator(); }));
  EXPECT_TRUE(log.Has("(EE)   No active rendering context"));
}
