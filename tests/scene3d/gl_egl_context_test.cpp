// Real EGL contexts on Mesa, rendering off screen and reading the frame back.
#include "scene3d/gl_egl_context.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "fake_gl.h"
#include "scene3d/gl_output_device.h"

using namespace scene3d;
using testing_support::RecordingLog;

namespace {

constexpr uint32_t kRed = 0xFFFF0000;
constexpr uint32_t kBlue = 0xFF0000FF;

#define SKIP_WITHOUT_EGL()                                                                      \
  if (GLProgramDisplay() == EGL_NO_DISPLAY) GTEST_SKIP() << "EGL is missing here: no display"; \
  static_assert(true)

std::unique_ptr<TGLContext> MakeContext(TGLOutputDevice& device, TGLContext* shareWith = nullptr) {
  std::unique_ptr<TGLContext> rc(GLContextManager().CreateContext());
  rc->SetDepthBits(24);
  rc->SetOptions(rcoDoubleBuffered);
  if (shareWith) rc->ShareListsWith(shareWith);
  rc->CreateOnDevice(&device);
  return rc;
}

// Blue background, and a red triangle over the lower-left half of the view.
void DrawTriangle(TGLContext& rc, TGLOutputDevice& device) {
  TGLExtensionsAndEntryPoints& gl = ActiveGLTable();
  rc.GLStates().SetViewport({0, 0, device.Width(), device.Height()});
  rc.GLStates().SetClearColor({0, 0, 1, 1});
  gl.Clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  rc.PipelineTransformation().ResetMatrices();
  rc.GLStates().SetColor({1, 0, 0, 1});
  gl.Begin(GL_TRIANGLES);
  gl.Vertex2f(-1, -1);
  gl.Vertex2f(1, -1);
  gl.Vertex2f(-1, 1);
  gl.End();
}

}  // namespace

// Swapping a context that is not current once left the current one with nothing current.
TEST(GLEGLContext, SwappingAnotherContextLeavesTheCurrentOneCurrent) {
  SKIP_WITHOUT_EGL();
  TGLOutputDevice first(dkMemory, 16, 16), second(dkMemory, 16, 16);
  std::unique_ptr<TGLContext> a = MakeContext(first);
  std::unique_ptr<TGLContext> b = MakeContext(second);
  b->Activate();
  DrawTriangle(*b, second);
  b->Deactivate();
  a->Activate();
  b->SwapBuffers();
  EXPECT_EQ(second.Pixel(2, 13), kRed) << "the other context's frame";
  EXPECT_EQ(CurrentContext(), a.get());
  EXPECT_EQ(&ActiveGLTable(), &a->GL());
  DrawTriangle(*a, first);
  a->SwapBuffers();
  a->Deactivate();
  EXPECT_EQ(first.Pixel(2, 13), kRed) << "the current context still draws";
  EXPECT_EQ(first.Pixel(13, 2), kBlue);
}

TEST(GLEGLContext, RendersATriangleIntoA256SquareReadBackImage) {
  SKIP_WITHOUT_EGL();
  TGLOutputDevice device(dkMemory, 256, 256);
  int frames = 0;
  device.SetOnFrame([&] { ++frames; });
  std::unique_ptr<TGLContext> rc = MakeContext(device);
  rc->Activate();
  DrawTriangle(*rc, device);
  rc->SwapBuffers();
  rc->Deactivate();
  ASSERT_EQ(frames, 1);
  ASSERT_EQ(device.ImageWidth(), 256);
  ASSERT_EQ(device.ImageHeight(), 256);
  // The image is top row first: the triangle's lower-left half shows at the bottom of the image.
  EXPECT_EQ(device.Pixel(200, 230), kRed);
  EXPECT_EQ(device.Pixel(20, 100), kRed);
  EXPECT_EQ(device.Pixel(200, 25), kBlue);
  EXPECT_EQ(device.Pixel(250, 250), kBlue);
  EXPECT_EQ(device.Pixel(256, 0), 0u) << "outside the image";
}

TEST(GLEGLContext, RendersUnderAnXServerToo) {
  SKIP_WITHOUT_EGL();
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display: run the tests under xvfb-run";
  std::string command = "QT_QPA_PLATFORM=xcb /proc/" + std::to_string(getpid()) +
                        "/exe --gtest_filter=GLEGLContext.RendersATriangleIntoA256SquareReadBackImage 2>&1";
  std::FILE* child = popen(command.c_str(), "r");
  ASSERT_NE(child, nullptr);
  std::string output;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, child)) output += buffer;
  EXPECT_EQ(pclose(child), 0) << output;
  EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
}

// The texture formats read the live context's flags: a Mesa context holds RGBA8 textures, and once
// it is no longer current nothing is supported.
TEST(GLEGLContext, TextureFormatsAreSupportedInALiveContextOnly) {
  SKIP_WITHOUT_EGL();
  TGLOutputDevice device(dkMemory, 8, 8);
  std::unique_ptr<TGLContext> rc = MakeContext(device);
  rc->Activate();
  EXPECT_TRUE(FormatSupported(TGLInternalFormat::tfRGBA8));
  EXPECT_TRUE(TargetSupported(GL_TEXTURE_CUBE_MAP));
  rc->Deactivate();
  EXPECT_FALSE(FormatSupported(TGLInternalFormat::tfRGBA8));
}

TEST(GLEGLContext, FormatFallsBackAndTheFrameFollowsTheDeviceSize) {
  SKIP_WITHOUT_EGL();
  TGLOutputDevice device(dkWindow, 40, 30);
  std::unique_ptr<TGLContext> rc(GLContextManager().CreateContext());
  // Mesa has 32-bit depth, but not with a stencil buffer: 24 is what can be had.
  rc->SetDepthBits(32);
  rc->SetStencilBits(8);
  rc->SetColorBits(32);
  rc->CreateOnDevice(&device);
  auto& egl = static_cast<TGLEGLContext&>(*rc);
  const std::vector<EGLint>& attributes = egl.ChosenAttributes();
  auto depth = std::find(attributes.begin(), attributes.end(), EGL_DEPTH_SIZE);
  ASSERT_NE(depth, attributes.end());
  EXPECT_EQ(depth[1], 24) << "32 fell back to 24";
  rc->Activate();
  GLint depthBits = 0, stencilBits = 0;
  ActiveGLTable().GetIntegerv(GL_DEPTH_BITS, &depthBits);
  ActiveGLTable().GetIntegerv(GL_STENCIL_BITS, &stencilBits);
  EXPECT_EQ(depthBits, 24);
  EXPECT_EQ(stencilBits, 8);
  rc->SwapBuffers();
  rc->Deactivate();
  EXPECT_EQ(device.ImageWidth(), 40);

  device.SetSize(64, 0);
  rc->Activate();
  DrawTriangle(*rc, device);
  rc->SwapBuffers();
  rc->Deactivate();
  EXPECT_EQ(device.ImageWidth(), 64);
  EXPECT_EQ(device.ImageHeight(), 1) << "sizes below 1 become 1";

  egl.SetVSync(vsmNoSync);
  egl.SetVSync(vsmNoSync);
  EXPECT_EQ(egl.SwapIntervalCalls(), 1) << "an interval already in force is not set again";
  egl.SetVSync(vsmSync);
  EXPECT_EQ(egl.SwapInterval(), 1);
}

TEST(GLEGLContext, ListsAreSharedWhenMadeAndSurviveTheContextThatMadeThem) {
  SKIP_WITHOUT_EGL();
  RecordingLog log;
  TGLOutputDevice first(dkMemory, 16, 16), second(dkMemory, 16, 16);
  std::unique_ptr<TGLContext> a = MakeContext(first);
  std::unique_ptr<TGLContext> b = MakeContext(second, a.get());
  EXPECT_TRUE(b->SharesListsWith(a.get()) && a->SharesListsWith(b.get()));

  TGLListHandle list(GLContextManager());
  a->Activate();
  list.AllocateIdentifier();
  GLuint id = list.Identifier();
  a->GLStates().NewList(id, GL_COMPILE);
  ActiveGLTable().Begin(GL_TRIANGLES);
  ActiveGLTable().Vertex2f(-1, -1);
  ActiveGLTable().Vertex2f(3, -1);
  ActiveGLTable().Vertex2f(-1, 3);
  ActiveGLTable().End();
  a->GLStates().EndList();
  a->Deactivate();
  b->Activate();
  list.AllocateIdentifier();
  EXPECT_EQ(list.Identifier(), id) << "the sharing context takes the same list";
  b->Deactivate();
  a.reset();

  b->Activate();
  EXPECT_EQ(ActiveGLTable().IsList(id), GL_TRUE) << "the list outlives the context that compiled it";
  b->GLStates().SetViewport({0, 0, 16, 16});
  b->GLStates().SetClearColor({0, 0, 1, 1});
  ActiveGLTable().Clear(GL_COLOR_BUFFER_BIT);
  b->GLStates().SetColor({1, 0, 0, 1});
  b->GLStates().CallList(id);
  b->SwapBuffers();
  b->Deactivate();
  EXPECT_EQ(second.Pixel(8, 8), kRed);

  // EGL cannot share once both contexts exist.
  std::unique_ptr<TGLContext> c = MakeContext(first);
  c->ShareListsWith(b.get());
  EXPECT_FALSE(c->SharesListsWith(b.get()));
  EXPECT_TRUE(log.Has("(WW)   DoCreateContext - Failed to share contexts"));

  std::unique_ptr<TGLContext> offscreen(GLContextManager().CreateContext());
  TGLOutputDevice buffer(dkMemory, 1, 1);
  offscreen->CreateOffscreen(&buffer, 32, 16, 1);
  EXPECT_EQ(buffer.Width(), 32);
  EXPECT_TRUE(log.Has(" (i)  Backward compatible core PBuffer context successfully created"));
}
