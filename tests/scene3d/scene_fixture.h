// A small scene for the scene tests: a stage, an orthogonal camera at (0, 0, 100) looking down -Z
// with focal length 5 (so ±10 units over the viewer's wider side), a memory viewer on EGL, and
// shapes of the tests' own (a cube and a sphere with outward normals, drawn in their BuildList).
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "scene3d/camera.h"
#include "scene3d/custom_scene_object.h"
#include "scene3d/gl_egl_context.h"
#include "scene3d/memory_viewer.h"
#include "scene3d/stage.h"

namespace testing_support {

#define SKIP_WITHOUT_EGL()                                                                                \
  if (scene3d::GLProgramDisplay() == EGL_NO_DISPLAY) GTEST_SKIP() << "EGL is missing here: no display"; \
  static_assert(true)

// 0xAARRGGBB as (r, g, b).
struct Rgb {
  int r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};
inline Rgb RgbOf(uint32_t argb) { return {int((argb >> 16) & 0xFF), int((argb >> 8) & 0xFF), int(argb & 0xFF)}; }
inline void PrintTo(const Rgb& c, std::ostream* os) { *os << "(" << c.r << ", " << c.g << ", " << c.b << ")"; }

// A cube of edge `size` centred on its origin, faces counter-clockwise seen from outside.
class TestCube : public scene3d::TGLStageObject {
 public:
  explicit TestCube(scene3d::TComponent* owner, float size = 2) : TGLStageObject(owner), size_(size) {}
  std::string ClassName() const override { return "TestCube"; }
  scene3d::TVector4f HalfExtents() const override { return {size_ / 2, size_ / 2, size_ / 2, 0}; }
  void BuildList(scene3d::RenderContextInfo& rci) override;
  int builds = 0;

 private:
  float size_;
};

// A sphere of the given radius (32 x 16 quads) with outward normals.
class TestSphere : public scene3d::TGLStageObject {
 public:
  explicit TestSphere(scene3d::TComponent* owner, float radius = 5) : TGLStageObject(owner), radius_(radius) {}
  std::string ClassName() const override { return "TestSphere"; }
  scene3d::TVector4f HalfExtents() const override { return {radius_, radius_, radius_, 0}; }
  void BuildList(scene3d::RenderContextInfo& rci) override;

 private:
  float radius_;
};

struct SceneFixture {
  // A viewer of width x height with the camera above; background black, lighting as the buffer has
  // it (on).
  SceneFixture(int width = 200, int height = 200);
  ~SceneFixture();
  void Render() { viewer.Render(); }
  Rgb At(int x, int y) { return RgbOf(viewer.Pixel(x, y)); }

  scene3d::TGLStage scene{nullptr};
  scene3d::TGLCamera* camera;
  scene3d::TGLMemoryViewer viewer{nullptr};
};

}  // namespace testing_support
