// The entry-point table on the real driver: Mesa through EGL without any window system.
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <gtest/gtest.h>

#include "fake_gl.h"
#include "scene3d/gl_entry_points.h"
#include "scene3d/silent_abort.h"

using namespace scene3d;
using testing_support::RecordingLog;

namespace {

// A surfaceless EGL display with a small pixel buffer made current; Skip() says why not.
class MesaContext {
 public:
  MesaContext() {
    auto getDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getDisplay) {
      Fail("EGL has no platform displays");
      return;
    }
    display_ = getDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display_ == EGL_NO_DISPLAY || !eglInitialize(display_, nullptr, nullptr)) {
      Fail("no surfaceless EGL display");
      return;
    }
    const EGLint configAttributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                       EGL_RED_SIZE, 8, EGL_ALPHA_SIZE, 8, EGL_NONE};
    EGLConfig config;
    EGLint count = 0;
    if (!eglChooseConfig(display_, configAttributes, &config, 1, &count) || count < 1) {
      Fail("no OpenGL pbuffer config");
      return;
    }
    eglBindAPI(EGL_OPENGL_API);
    context_ = eglCreateContext(display_, config, EGL_NO_CONTEXT, nullptr);
    const EGLint size[] = {EGL_WIDTH, 4, EGL_HEIGHT, 4, EGL_NONE};
    surface_ = eglCreatePbufferSurface(display_, config, size);
    if (!context_ || !surface_ || !eglMakeCurrent(display_, surface_, surface_, context_)) {
      Fail("no current context");
      return;
    }
  }
  ~MesaContext() {
    if (display_ == EGL_NO_DISPLAY) return;
    eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (surface_) eglDestroySurface(display_, surface_);
    if (context_) eglDestroyContext(display_, context_);
    // No eglTerminate: EGL hands out one display per platform, the program's own contexts use it too.
  }
  const std::string& Skip() const { return skip_; }

 private:
  void Fail(const std::string& why) { skip_ = "EGL is missing here: " + why; }
  EGLDisplay display_ = EGL_NO_DISPLAY;
  EGLContext context_ = EGL_NO_CONTEXT;
  EGLSurface surface_ = EGL_NO_SURFACE;
  std::string skip_;
};

}  // namespace

TEST(GLMesaSmoke, TableLoadsLogsTheRendererAndClearsRed) {
  MesaContext mesa;
  if (!mesa.Skip().empty()) GTEST_SKIP() << mesa.Skip();
  ASSERT_TRUE(LoadGLLibraries());
  RecordingLog log;
  RearmContextInformationLog();
  TGLExtensionsAndEntryPoints table;
  table.LoadForCurrentContext(false);
  EXPECT_TRUE(table.GLVersion1_1 && table.GLVersion2_0) << "Mesa gives at least OpenGL 2.0";
  EXPECT_TRUE(table.ARB_multitexture);
  EXPECT_TRUE(table.W_ARB_create_context && table.W_ARB_pbuffer) << "EGL's counterparts";
  EXPECT_TRUE(std::any_of(log.lines.begin(), log.lines.end(),
                          [](const std::string& line) { return line.rfind(" (i)  Renderer     : ", 0) == 0 && line.size() > 21; }));

  table.ClearColor(1, 0, 0, 1);
  table.Clear(GL_COLOR_BUFFER_BIT);
  uint8_t pixel[4] = {};
  table.ReadPixels(1, 1, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
  EXPECT_EQ(std::vector<int>(pixel, pixel + 4), (std::vector<int>{255, 0, 0, 255}));

  // An error reaches the log as an error line, or through debug output when that is on.
  log.lines.clear();
  table.Enable(0x1234);
  table.ReportGLErrors();
  EXPECT_EQ(log.lines, std::vector<std::string>{"(EE)   OpenGL error - Invalid enum"});

  table.SetDebug(true);
  table.LoadForCurrentContext(false);
  ASSERT_TRUE(table.DebugOutputConnected()) << "Mesa has ARB_debug_output";
  log.lines.clear();
  table.Enable(0x1234);
  table.ReportGLErrors();
  ASSERT_FALSE(log.lines.empty()) << "a plain context reports through the callback once debug output is on";
  EXPECT_EQ(log.lines[0].rfind(" (D)  ", 0), 0u) << log.lines[0];
  EXPECT_FALSE(log.Has("(EE)   OpenGL error - Invalid enum"));
  table.ResetToStubs();
}

// Mesa's eglGetProcAddress answers every "gl..." name: an entry must come from what the context says it
// has, else a function the driver lacks would be a silent no-op and a suffixed one would never be found.
TEST(GLMesaSmoke, EntriesFollowTheContextsVersionAndExtensions) {
  MesaContext mesa;
  if (!mesa.Skip().empty()) GTEST_SKIP() << mesa.Skip();
  ASSERT_TRUE(LoadGLLibraries());
  RecordingLog log;
  TGLExtensionsAndEntryPoints table;
  table.LoadForCurrentContext(false);
  const GLubyte* list = table.GetString(GL_EXTENSIONS);
  const std::string extensions = std::string(" ") + (list ? reinterpret_cast<const char*>(list) : "") + " ";
  ASSERT_TRUE(table.EXT_compiled_vertex_array) << "Mesa has EXT_compiled_vertex_array";
  EXPECT_EQ(table.entries.LockArrays, eglGetProcAddress("glLockArraysEXT")) << "only the suffixed name exists";
  EXPECT_EQ(table.entries.UnlockArrays, eglGetProcAddress("glUnlockArraysEXT"));
  EXPECT_NE(table.entries.BindTexture, TGLExtensionsAndEntryPoints::StubAddress());

  struct Missing {
    const char* extension;
    GLProc entry;
  } missing[] = {
      {"GL_GREMEDY_frame_terminator", table.entries.FrameTerminatorGREMEDY},
      {"GL_GREMEDY_string_marker", table.entries.StringMarkerGREMEDY},
      {"GL_NV_vertex_array_range", table.entries.VertexArrayRangeNV},
  };
  for (const Missing& m : missing) {
    ASSERT_EQ(extensions.find(std::string(" ") + m.extension + " "), std::string::npos) << m.extension;
    EXPECT_EQ(m.entry, TGLExtensionsAndEntryPoints::StubAddress()) << m.extension << " is not in the context";
  }
  EXPECT_THROW(table.entries.FrameTerminatorGREMEDY(), EAbort) << "calling a missing function aborts";
  EXPECT_TRUE(log.Has("(EE)   Call OpenGL function with undefined entry point"));
  table.ResetToStubs();
}
