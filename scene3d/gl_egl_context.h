// The rendering context of this system: an EGL context of our own that always renders off screen,
// into a pixel buffer of the output device's size or, where EGL has none, into a framebuffer
// object of a surfaceless context. SwapBuffers reads the frame back into the device's image
// (gl_output_device.h), which the viewer widget shows; nothing here needs a window system, so the
// same code runs under X11, Wayland, Xvfb and Qt's offscreen platform.
//
// Pixel formats come from eglChooseConfig with the fall-backs of the Windows original: depth 32
// becomes 24 then 16, colour above 23 bits becomes 16, anti-aliasing is dropped, and at last the
// acceleration wish. Contexts are compatibility-profile contexts (EGL_KHR_create_context gives the
// version for a forward context, and the debug flag). EGL cannot share display lists after
// creation: ShareListsWith before CreateOnDevice shares, later it logs a warning and does not.
#pragma once

#include <EGL/egl.h>

#include <string>

#include "scene3d/gl_context.h"

namespace scene3d {

// EGL_NO_CONTEXT: the macro names EGLContext, which inside this namespace is our exception class.
inline const ::EGLContext kNoEGLContext = nullptr;

enum TVSyncMode : uint8_t { vsmSync, vsmNoSync };

// Failures of an off-screen buffer context: "WGL_ARB_pbuffer support required.", "Format not
// supported for pbuffer operation.", "Unabled to create pbuffer.", "Unabled to create pbuffer's RC.".
class EPBuffer : public platform::Exception {
 public:
  using platform::Exception::Exception;
};

class TGLEGLContext : public TGLContext {
 public:
  explicit TGLEGLContext(TGLContextManager& manager);
  ~TGLEGLContext() override;
  std::string ClassName() const override { return "TGLEGLContext"; }

  void NativeCreate(TGLOutputDevice* device) override;
  void NativeCreateOffscreen(TGLOutputDevice* device, int width, int height, int bufferCount) override;
  bool NativeShareLists(TGLContext* other) override;
  void NativeDestroy() override;
  void NativeMakeCurrent() override;
  void NativeReleaseCurrent() override;
  bool HasNativeContext() const override { return context_ != kNoEGLContext; }
  // Reads the frame back into the output device.
  void SwapBuffers() override;
  TGLOutputDevice* OutputDevice() const override { return device_; }

  // Sets the swap interval through EGL unless it is already the wanted one.
  void SetVSync(TVSyncMode mode);
  int SwapInterval() const { return swapInterval_; }
  int SwapIntervalCalls() const { return swapIntervalCalls_; }

  // How the frame is kept: a pixel buffer, or a framebuffer object when EGL offers none.
  bool UsesFramebufferObject() const { return fbo_ != 0; }
  // The EGL attributes of the last eglChooseConfig that found configurations.
  const std::vector<EGLint>& ChosenAttributes() const { return attributes_; }

 private:
  void Create(TGLOutputDevice* device, bool offscreen);
  EGLConfig ChooseConfig(bool pbuffer);
  void CreateNativeContext(EGLConfig config);
  void MakeSurface(EGLConfig config, bool offscreen);
  void FitToDevice();
  void MakeFramebuffer();
  void FreeSurfaces();

  EGLDisplay display_ = EGL_NO_DISPLAY;
  EGLConfig config_ = nullptr;
  ::EGLContext context_ = kNoEGLContext;
  EGLSurface surface_ = EGL_NO_SURFACE;
  int surfaceWidth_ = 0;
  int surfaceHeight_ = 0;
  GLuint fbo_ = 0;
  GLuint colorBuffer_ = 0;
  GLuint depthBuffer_ = 0;
  TGLOutputDevice* device_ = nullptr;
  TGLEGLContext* shareContext_ = nullptr;
  std::vector<EGLint> attributes_;
  int swapInterval_ = 1;  // EGL's own start
  int swapIntervalCalls_ = 0;
};

// The EGL display every context uses (surfaceless where Mesa offers it, else the default one),
// initialised on first use; EGL_NO_DISPLAY when EGL cannot be had.
EGLDisplay GLProgramDisplay();

}  // namespace scene3d
