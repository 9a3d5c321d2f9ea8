// Drawing a scene object's BuildList against the recording OpenGL (fake_gl.h) with a current fake
// context, so the exact primitives, vertices and normals can be read back:
//   RecordingRender r;
//   cube.BuildList(r.rci);
//   std::vector<Primitive> drawn = r.Primitives();
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "fake_context.h"
#include "fake_gl.h"
#include "scene3d/gl_state.h"
#include "scene3d/gl_transformation.h"
#include "scene3d/render_context_info.h"

namespace testing_support {

// One Begin..End: its mode, its vertices, and for each vertex the normal and colour current then.
struct Primitive {
  GLenum mode = 0;
  std::vector<scene3d::TVector3f> vertices;
  std::vector<scene3d::TVector3f> normals;
  std::vector<scene3d::TVector4f> colors;
};

struct RecordingRender {
  RecordingRender();
  ~RecordingRender();
  std::vector<Primitive> Primitives() const;
  int Count(const std::string& name) const { return gl.Count(name); }

  FakeGL gl;
  scene3d::TGLContextManager manager;
  std::unique_ptr<FakeContext> rc;
  scene3d::TGLStateCache states;
  scene3d::TGLPipelineTransformation pipeline{false};
  scene3d::RenderContextInfo rci;
};

}  // namespace testing_support
