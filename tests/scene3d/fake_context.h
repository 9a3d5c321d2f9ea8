// A rendering context whose native side only counts, for testing activation, sharing and handles
// without a driver. Its table loads from the FakeGL given.
#pragma once

#include "fake_gl.h"
#include "scene3d/gl_context.h"

namespace testing_support {

class FakeContext : public scene3d::TGLContext {
 public:
  FakeContext(scene3d::TGLContextManager& manager, FakeGL& gl) : TGLContext(manager, gl) {}
  ~FakeContext() override {
    if (native) {
      try {
        DestroyNative();
      } catch (...) {
      }
    }
  }
  void NativeCreate(scene3d::TGLOutputDevice* device) override {
    native = true;
    outputDevice = device;
  }
  void NativeCreateOffscreen(scene3d::TGLOutputDevice* device, int, int, int) override { NativeCreate(device); }
  bool NativeShareLists(scene3d::TGLContext*) override { return shareAnswer; }
  void NativeDestroy() override {
    native = false;
    ++destroyed;
  }
  void NativeMakeCurrent() override {
    ++makeCurrent;
    if (failMakeCurrent) throw scene3d::EGLContext("Context activation failed: 3002, EGL_BAD_ACCESS");
    if (!GL().Initialised()) GL().LoadForCurrentContext(false);
  }
  void NativeReleaseCurrent() override { ++release; }
  bool HasNativeContext() const override { return native; }
  void SwapBuffers() override {}
  scene3d::TGLOutputDevice* OutputDevice() const override { return outputDevice; }

  bool native = false;
  bool failMakeCurrent = false;
  bool shareAnswer = true;
  int makeCurrent = 0;
  int release = 0;
  int destroyed = 0;
  scene3d::TGLOutputDevice* outputDevice = nullptr;
};

}  // namespace testing_support
