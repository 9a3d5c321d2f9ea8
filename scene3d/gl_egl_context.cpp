#include "scene3d/gl_egl_context.h"

#include <EGL/eglext.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "scene3d/gl_output_device.h"
#include "scene3d/rendering_log.h"
#include "scene3d/scene3d_exceptions.h"
#include "scene3d/silent_abort.h"

namespace scene3d {

namespace {

const char* EGLErrorName(EGLint error) {
  switch (error) {
    case EGL_SUCCESS: return "EGL_SUCCESS";
    case EGL_NOT_INITIALIZED: return "EGL_NOT_INITIALIZED";
    case EGL_BAD_ACCESS: return "EGL_BAD_ACCESS";
    case EGL_BAD_ALLOC: return "EGL_BAD_ALLOC";
    case EGL_BAD_ATTRIBUTE: return "EGL_BAD_ATTRIBUTE";
    case EGL_BAD_CONTEXT: return "EGL_BAD_CONTEXT";
    case EGL_BAD_CONFIG: return "EGL_BAD_CONFIG";
    case EGL_BAD_CURRENT_SURFACE: return "EGL_BAD_CURRENT_SURFACE";
    case EGL_BAD_DISPLAY: return "EGL_BAD_DISPLAY";
    case EGL_BAD_SURFACE: return "EGL_BAD_SURFACE";
    case EGL_BAD_MATCH: return "EGL_BAD_MATCH";
    case EGL_BAD_PARAMETER: return "EGL_BAD_PARAMETER";
    case EGL_BAD_NATIVE_PIXMAP: return "EGL_BAD_NATIVE_PIXMAP";
    case EGL_BAD_NATIVE_WINDOW: return "EGL_BAD_NATIVE_WINDOW";
    case EGL_CONTEXT_LOST: return "EGL_CONTEXT_LOST";
    default: return "unknown EGL error";
  }
}

// The system's failure, as the Windows original raised its last system error.
[[noreturn]] void RaiseEGLError(const std::string& what) {
  throw EOSError("OS Error : " + what + ": " + EGLErrorName(eglGetError()));
}

[[noreturn]] void RaiseActivationFailed() {
  EGLint error = eglGetError();
  char text[160];
  std::snprintf(text, sizeof text, "Context activation failed: %X, %s", unsigned(error), EGLErrorName(error));
  throw EGLContext(text);
}

bool HasWord(const char* list, const char* word) {
  if (!list) return false;
  std::string text = std::string(" ") + list + " ";
  return text.find(std::string(" ") + word + " ") != std::string::npos;
}

// Replaces an attribute in place or appends it (the list stays closed by EGL_NONE).
void SetAttribute(std::vector<EGLint>& list, EGLint name, EGLint value) {
  for (size_t i = 0; i + 1 < list.size(); i += 2)
    if (list[i] == name) {
      list[i + 1] = value;
      return;
    }
  list.insert(list.end() - 1, {name, value});
}

void RemoveAttribute(std::vector<EGLint>& list, EGLint name) {
  for (size_t i = 0; i + 1 < list.size(); i += 2)
    if (list[i] == name) {
      list.erase(list.begin() + long(i), list.begin() + long(i) + 2);
      return;
    }
}

void SetColorAttributes(std::vector<EGLint>& list, int colorBits) {
  EGLint red = 0, green = 0, blue = 0;
  if (colorBits >= 64) {
    red = green = blue = colorBits >= 128 ? 32 : 16;
  } else if (colorBits > 23) {
    red = green = blue = 8;
  } else if (colorBits >= 15) {
    red = blue = 5;
    green = 6;
  } else if (colorBits > 0) {
    red = green = 3;
    blue = 2;
  }
  SetAttribute(list, EGL_RED_SIZE, red);
  SetAttribute(list, EGL_GREEN_SIZE, green);
  SetAttribute(list, EGL_BLUE_SIZE, blue);
  if (colorBits >= 64) SetAttribute(list, EGL_COLOR_COMPONENT_TYPE_EXT, EGL_COLOR_COMPONENT_TYPE_FLOAT_EXT);
}

int Samples(TGLAntiAliasing mode) {
  constexpr int kSamples[] = {0, 0, 2, 2, 4, 4, 6, 8, 16, 8, 8, 16, 16};
  return mode <= csa16xHQ ? kSamples[mode] : 0;
}

bool SoftwareRenderer(const std::string& renderer) {
  for (const char* name : {"llvmpipe", "softpipe", "swrast", "Software Rasterizer"})
    if (renderer.find(name) != std::string::npos) return true;
  return false;
}

void LogText(TLogLevel level, const std::string& text) { LogLine(level, text); }

}  // namespace

EGLDisplay GLProgramDisplay() {
  static EGLDisplay display = [] {
    EGLDisplay d = EGL_NO_DISPLAY;
    // The surfaceless platform needs no window system at all; where it is missing the default
    // display does, and pixel buffers work on it under any window system.
    if (HasWord(eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS), "EGL_MESA_platform_surfaceless")) {
      auto getDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
      if (getDisplay) d = getDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
      if (d != EGL_NO_DISPLAY && !eglInitialize(d, nullptr, nullptr)) d = EGL_NO_DISPLAY;
    }
    if (d == EGL_NO_DISPLAY) {
      d = eglGetDisplay(EGL_DEFAULT_DISPLAY);
      if (d != EGL_NO_DISPLAY && !eglInitialize(d, nullptr, nullptr)) d = EGL_NO_DISPLAY;
    }
    return d;
  }();
  return display;
}

TGLEGLContext::TGLEGLContext(TGLContextManager& manager) : TGLContext(manager) {}

TGLEGLContext::~TGLEGLContext() {
  if (HasNativeContext()) {
    try {
      DestroyNative();
    } catch (...) {
      // Going away regardless; EGL frees what is left when the program ends.
    }
  }
}

// --- Creation ----------------------------------------------------------------------------------------------

void TGLEGLContext::NativeCreate(TGLOutputDevice* device) { Create(device, false); }

void TGLEGLContext::NativeCreateOffscreen(TGLOutputDevice* device, int width, int height, int /*bufferCount*/) {
  // A pixel buffer has one colour buffer; more draw buffers than that are not to be had here.
  if (device) device->SetSize(width, height);
  Create(device, true);
  LogText(lkInfo, "Backward compatible core PBuffer context successfully created");
}

void TGLEGLContext::Create(TGLOutputDevice* device, bool offscreen) {
  if (!LoadGLLibraries()) RaiseEGLError("Unable to load libOpenGL and libGLU");
  if (!device) throw EOSError("OS Error : Invalid output device");
  display_ = GLProgramDisplay();
  if (display_ == EGL_NO_DISPLAY) RaiseEGLError("No EGL display");
  device_ = device;
  EGLConfig config = ChooseConfig(true);
  if (!config) {
    if (offscreen) throw EPBuffer("WGL_ARB_pbuffer support required.");
    config = HasWord(eglQueryString(display_, EGL_EXTENSIONS), "EGL_KHR_surfaceless_context") ? ChooseConfig(false) : nullptr;
  }
  if (!config) {
    if (offscreen) throw EPBuffer("Format not supported for pbuffer operation.");
    RaiseEGLError("No pixel format");
  }
  config_ = config;
  try {
    CreateNativeContext(config);
    MakeSurface(config, offscreen);
    if (!eglMakeCurrent(display_, surface_, surface_, context_)) RaiseActivationFailed();
  } catch (...) {
    if (offscreen && context_ == kNoEGLContext) {
      FreeSurfaces();
      throw EPBuffer("Unabled to create pbuffer's RC.");
    }
    FreeSurfaces();
    if (context_ != kNoEGLContext) eglDestroyContext(display_, context_);
    context_ = kNoEGLContext;
    throw;
  }

  TGLExtensionsAndEntryPoints& gl = GL();
  gl.SetDebug(true);
  gl.LoadForCurrentContext(false);
  UseAsActiveTable();
  if (surface_ == EGL_NO_SURFACE) MakeFramebuffer();
  const char* renderer = reinterpret_cast<const char*>(gl.GetString(GL_RENDERER));
  if (Acceleration() == chaHardware && renderer && SoftwareRenderer(renderer)) {
    SetAcceleration(chaSoftware);
    LogText(lkWarning, "Unable to create rendering context with hardware acceleration - down to software");
  }
  TGLAntiAliasing aa = AntiAliasing();
  bool nicest = aa == aa2xHQ || aa == aa4xHQ || aa == csa8xHQ || aa == csa16xHQ;
  bool fastest = offscreen && (aa == aa2x || aa == aa4x || aa == csa8x || aa == csa16x);
  GLStates().SetMultisampleFilterHint(nicest ? hintNicest : fastest ? hintFastest : hintDontCare);
  PipelineTransformation().SetLoadMatrices(!GLStates().ForwardContext());
  // Like the original, the new context stays current on the thread until the first activation.
}

EGLConfig TGLEGLContext::ChooseConfig(bool pbuffer) {
  std::vector<EGLint> list = {EGL_SURFACE_TYPE, pbuffer ? EGL_PBUFFER_BIT : 0, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
  SetColorAttributes(list, ColorBits());
  if (AlphaBits() > 0) SetAttribute(list, EGL_ALPHA_SIZE, AlphaBits());
  SetAttribute(list, EGL_DEPTH_SIZE, DepthBits());
  if (StencilBits() > 0) SetAttribute(list, EGL_STENCIL_SIZE, StencilBits());
  if (Acceleration() != chaUnknown) SetAttribute(list, EGL_CONFIG_CAVEAT, Acceleration() == chaHardware ? EGL_NONE : EGL_SLOW_CONFIG);
  TGLAntiAliasing aa = AntiAliasing();
  if (aa != aaDefault) {
    SetAttribute(list, EGL_SAMPLE_BUFFERS, aa == aaNone ? 0 : 1);
    if (aa != aaNone) SetAttribute(list, EGL_SAMPLES, Samples(aa));
  }

  EGLConfig configs[32];
  EGLint count = 0;
  auto choose = [&] {
    if (!eglChooseConfig(display_, list.data(), configs, 32, &count)) count = 0;
    return count > 0;
  };
  auto retryDepthAndColour = [&] {
    EGLint depth = 0;
    for (size_t i = 0; i + 1 < list.size(); i += 2)
      if (list[i] == EGL_DEPTH_SIZE) depth = list[i + 1];
    if (depth > 31) {
      SetAttribute(list, EGL_DEPTH_SIZE, 24);
      if (choose()) return true;
      depth = 24;
    }
    if (depth > 23) {
      SetAttribute(list, EGL_DEPTH_SIZE, 16);
      if (choose()) return true;
    }
    if (ColorBits() > 23) {
      SetColorAttributes(list, 16);
      if (choose()) return true;
    }
    return false;
  };
  bool found = choose() || retryDepthAndColour();
  if (!found && aa != aaDefault) {
    SetAttribute(list, EGL_DEPTH_SIZE, DepthBits());
    SetColorAttributes(list, ColorBits());
    RemoveAttribute(list, EGL_SAMPLE_BUFFERS);
    RemoveAttribute(list, EGL_SAMPLES);
    found = choose() || retryDepthAndColour();
  }
  if (!found) {
    SetAttribute(list, EGL_DEPTH_SIZE, DepthBits());
    SetColorAttributes(list, ColorBits());
    RemoveAttribute(list, EGL_CONFIG_CAVEAT);
    found = choose();
  }
  if (!found) return nullptr;
  attributes_ = list;
  // Without an anti-aliasing wish, prefer a configuration without sample buffers (else the last).
  if (aa != aaDefault && aa != aaNone) return configs[0];
  for (EGLint i = 0; i < count; ++i) {
    EGLint sampleBuffers = 0;
    eglGetConfigAttrib(display_, configs[i], EGL_SAMPLE_BUFFERS, &sampleBuffers);
    if (sampleBuffers == 0) return configs[i];
  }
  return configs[count - 1];
}

void TGLEGLContext::CreateNativeContext(EGLConfig config) {
  eglBindAPI(EGL_OPENGL_API);
  const char* extensions = eglQueryString(display_, EGL_EXTENSIONS);
  ::EGLContext share = shareContext_ && shareContext_->HasNativeContext() ? shareContext_->context_ : kNoEGLContext;
  bool forward = GLStates().ForwardContext();

  auto create = [&](::EGLContext with, const std::vector<EGLint>& attributes) {
    return eglCreateContext(display_, config, with, attributes.empty() ? nullptr : attributes.data());
  };
  auto createShared = [&](const std::vector<EGLint>& attributes) {
    ::EGLContext made = kNoEGLContext;
    if (share != kNoEGLContext) {
      made = create(share, attributes);
      if (made != kNoEGLContext) {
        AddShared(shareContext_);
        PropagateSharing();
      } else {
        LogText(lkWarning, "DoCreateContext - Failed to share contexts");
      }
    }
    return made != kNoEGLContext ? made : create(kNoEGLContext, attributes);
  };

  if (!HasWord(extensions, "EGL_KHR_create_context")) {
    // No attributes to be had: a plain context, never a forward one.
    GLStates().SetForwardContext(false);
    context_ = createShared({});
    if (context_ == kNoEGLContext) RaiseEGLError("Unable to create rendering context");
    return;
  }
  if (!forward) {
    context_ = createShared({EGL_CONTEXT_FLAGS_KHR, EGL_CONTEXT_OPENGL_DEBUG_BIT_KHR, EGL_NONE});
    if (context_ == kNoEGLContext) RaiseEGLError("Unable to create rendering context");
    return;
  }
  // A forward context: the highest version the driver gives, from 4.1 down to 3.0.
  const int versions[][2] = {{4, 1}, {4, 0}, {3, 3}, {3, 2}, {3, 1}, {3, 0}};
  for (const auto& version : versions) {
    std::vector<EGLint> attributes = {EGL_CONTEXT_MAJOR_VERSION_KHR, version[0], EGL_CONTEXT_MINOR_VERSION_KHR, version[1],
                                      EGL_CONTEXT_FLAGS_KHR,
                                      EGL_CONTEXT_OPENGL_FORWARD_COMPATIBLE_BIT_KHR | EGL_CONTEXT_OPENGL_DEBUG_BIT_KHR, EGL_NONE};
    if (version[0] * 10 + version[1] >= 32) attributes.insert(attributes.end() - 1, {EGL_CONTEXT_OPENGL_PROFILE_MASK_KHR, EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT_KHR});
    context_ = createShared(attributes);
    if (context_ != kNoEGLContext) break;
  }
  if (context_ == kNoEGLContext) {
    GLStates().SetForwardContext(false);
    LogText(lkError, "Can not create OpenGL 3.x Forward Context");
    SilentAbort();
  }
  LogText(lkInfo, "Forward core context seccussfuly created");
}

void TGLEGLContext::MakeSurface(EGLConfig config, bool offscreen) {
  EGLint surfaceType = 0;
  eglGetConfigAttrib(display_, config, EGL_SURFACE_TYPE, &surfaceType);
  if (!(surfaceType & EGL_PBUFFER_BIT)) return;  // surfaceless: a framebuffer object holds the frame
  surfaceWidth_ = device_->Width();
  surfaceHeight_ = device_->Height();
  const EGLint size[] = {EGL_WIDTH, surfaceWidth_, EGL_HEIGHT, surfaceHeight_, EGL_NONE};
  surface_ = eglCreatePbufferSurface(display_, config, size);
  if (surface_ == EGL_NO_SURFACE) {
    if (offscreen) throw EPBuffer("Unabled to create pbuffer.");
    RaiseEGLError("Unable to create pixel buffer");
  }
}

void TGLEGLContext::MakeFramebuffer() {
  TGLExtensionsAndEntryPoints& gl = GL();
  gl.GenFramebuffers(1, &fbo_);
  gl.GenRenderbuffers(1, &colorBuffer_);
  gl.GenRenderbuffers(1, &depthBuffer_);
  gl.BindFramebuffer(GL_FRAMEBUFFER, fbo_);
  surfaceWidth_ = surfaceHeight_ = 0;
  FitToDevice();
}

// Keeps the frame's storage at the device's size; a pixel buffer is made anew, a framebuffer
// object gets new storage.
void TGLEGLContext::FitToDevice() {
  if (!device_ || (device_->Width() == surfaceWidth_ && device_->Height() == surfaceHeight_)) return;
  if (fbo_) {
    TGLExtensionsAndEntryPoints& gl = GL();
    surfaceWidth_ = device_->Width();
    surfaceHeight_ = device_->Height();
    gl.BindRenderbuffer(GL_RENDERBUFFER, colorBuffer_);
    gl.RenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, surfaceWidth_, surfaceHeight_);
    gl.FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colorBuffer_);
    gl.BindRenderbuffer(GL_RENDERBUFFER, depthBuffer_);
    gl.RenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, surfaceWidth_, surfaceHeight_);
    gl.FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, depthBuffer_);
    gl.BindRenderbuffer(GL_RENDERBUFFER, 0);
    return;
  }
  if (surface_ == EGL_NO_SURFACE) return;
  EGLSurface old = surface_;
  const EGLint size[] = {EGL_WIDTH, device_->Width(), EGL_HEIGHT, device_->Height(), EGL_NONE};
  EGLSurface fresh = eglCreatePbufferSurface(display_, config_, size);
  if (fresh == EGL_NO_SURFACE) return;  // keep drawing at the old size rather than not at all
  if (!eglMakeCurrent(display_, fresh, fresh, context_)) {
    eglDestroySurface(display_, fresh);
    RaiseActivationFailed();
  }
  eglDestroySurface(display_, old);
  surface_ = fresh;
  surfaceWidth_ = device_->Width();
  surfaceHeight_ = device_->Height();
}

void TGLEGLContext::FreeSurfaces() {
  if (surface_ != EGL_NO_SURFACE) eglDestroySurface(display_, surface_);
  surface_ = EGL_NO_SURFACE;
}

// --- The other native operations ---------------------------------------------------------------------------------

bool TGLEGLContext::NativeShareLists(TGLContext* other) {
  auto* egl = dynamic_cast<TGLEGLContext*>(other);
  if (!egl) throw EGLContext("Incompatible contexts");
  shareContext_ = egl;
  // EGL shares only when a context is made; this one will share with `other` then.
  if (HasNativeContext()) LogText(lkWarning, "DoCreateContext - Failed to share contexts");
  return false;
}

void TGLEGLContext::NativeDestroy() {
  if (fbo_ && eglGetCurrentContext() == context_) {
    // The objects go with the context anyway; deleting them while current keeps drivers tidy.
    eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, kNoEGLContext);
  }
  fbo_ = colorBuffer_ = depthBuffer_ = 0;
  FreeSurfaces();
  if (!eglDestroyContext(display_, context_)) {
    context_ = kNoEGLContext;
    throw EGLContext("Delete context failed");
  }
  context_ = kNoEGLContext;
  device_ = nullptr;
  shareContext_ = nullptr;
}

void TGLEGLContext::NativeMakeCurrent() {
  if (!eglMakeCurrent(display_, surface_, surface_, context_)) RaiseActivationFailed();
  FitToDevice();
  if (!GL().Initialised()) GL().LoadForCurrentContext(CurrentContext() == nullptr);
}

void TGLEGLContext::NativeReleaseCurrent() {
  if (!eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, kNoEGLContext)) throw EGLContext("Context deactivation failed");
}

void TGLEGLContext::SwapBuffers() {
  if (!HasNativeContext() || !device_) return;
  // Another context may be current: it is current again afterwards.
  TGLContext* previous = CurrentContext();
  bool activated = previous != this;
  if (activated) Activate();
  auto restore = [&] {
    Deactivate();
    if (previous) previous->Resume();
  };
  try {
    TGLExtensionsAndEntryPoints& gl = GL();
    std::vector<uint32_t> pixels(size_t(surfaceWidth_) * size_t(surfaceHeight_));
    gl.PixelStorei(GL_PACK_ALIGNMENT, 4);
    // BGRA as 8-8-8-8 reversed is 0xAARRGGBB per pixel, the layout the device keeps.
    gl.ReadPixels(0, 0, surfaceWidth_, surfaceHeight_, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, pixels.data());
    device_->StoreFrame(surfaceWidth_, surfaceHeight_, pixels);
  } catch (...) {
    if (activated) restore();
    throw;
  }
  if (activated) restore();
}

void TGLEGLContext::SetVSync(TVSyncMode mode) {
  if (!GL().W_EXT_swap_control || !HasNativeContext()) return;
  int wanted = mode == vsmSync ? 1 : 0;
  if (swapInterval_ == wanted) return;
  ++swapIntervalCalls_;
  // Kept even when EGL ignores it (a pixel buffer has no swap to pace), so it is asked only once.
  eglSwapInterval(display_, wanted);
  swapInterval_ = wanted;
}

}  // namespace scene3d
