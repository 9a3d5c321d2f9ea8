#include "scene_fixture.h"

#include "scene3d/gl_entry_points.h"

using namespace scene3d;

namespace testing_support {

void TestCube::BuildList(RenderContextInfo&) {
  ++builds;
  TGLExtensionsAndEntryPoints& gl = ActiveGLTable();
  const float h = size_ / 2;
  // Each face: its normal and its corners counter-clockwise seen from outside.
  struct Face {
    float n[3];
    float v[4][3];
  };
  const Face faces[] = {
      {{0, 0, 1}, {{-h, -h, h}, {h, -h, h}, {h, h, h}, {-h, h, h}}},
      {{0, 0, -1}, {{-h, -h, -h}, {-h, h, -h}, {h, h, -h}, {h, -h, -h}}},
      {{1, 0, 0}, {{h, -h, -h}, {h, h, -h}, {h, h, h}, {h, -h, h}}},
      {{-1, 0, 0}, {{-h, -h, -h}, {-h, -h, h}, {-h, h, h}, {-h, h, -h}}},
      {{0, 1, 0}, {{-h, h, -h}, {-h, h, h}, {h, h, h}, {h, h, -h}}},
      {{0, -1, 0}, {{-h, -h, -h}, {h, -h, -h}, {h, -h, h}, {-h, -h, h}}},
  };
  gl.Begin(GL_QUADS);
  for (const Face& face : faces) {
    gl.Normal3fv(face.n);
    for (const auto& v : face.v) gl.Vertex3fv(v);
  }
  gl.End();
}

void TestSphere::BuildList(RenderContextInfo&) {
  TGLExtensionsAndEntryPoints& gl = ActiveGLTable();
  constexpr int kSlices = 32, kStacks = 16;
  auto vertex = [&](int slice, int stack) {
    const double theta = 2 * M_PI * slice / kSlices, phi = M_PI * stack / kStacks - M_PI / 2;
    const float n[3] = {float(std::cos(phi) * std::cos(theta)), float(std::cos(phi) * std::sin(theta)), float(std::sin(phi))};
    gl.Normal3fv(n);
    gl.Vertex3f(n[0] * radius_, n[1] * radius_, n[2] * radius_);
  };
  gl.Begin(GL_QUADS);
  for (int stack = 0; stack < kStacks; ++stack)
    for (int slice = 0; slice < kSlices; ++slice) {
      vertex(slice, stack);
      vertex(slice + 1, stack);
      vertex(slice + 1, stack + 1);
      vertex(slice, stack + 1);
    }
  gl.End();
}

SceneFixture::SceneFixture(int width, int height) {
  camera = scene.Objects()->CreateChild<TGLCamera>();
  camera->SetCameraStyle(csOrthogonal);
  camera->SetFocalLength(5);
  camera->SetDepthOfView(1000);
  camera->Position().SetPointXYZ(0, 0, 100);
  camera->Direction().SetDirectionXYZ(0, 0, -1);
  camera->Up().SetDirectionXYZ(0, 1, 0);
  viewer.SetWidth(width);
  viewer.SetHeight(height);
  viewer.SetCamera(camera);
  viewer.Buffer().SetBackgroundColor(0);
}

SceneFixture::~SceneFixture() = default;

}  // namespace testing_support
