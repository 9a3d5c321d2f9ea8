#include "recording_render.h"

namespace testing_support {

RecordingRender::RecordingRender() {
  gl.strings[GL_VERSION] = "4.5";
  rc = std::make_unique<FakeContext>(manager, gl);
  rc->CreateOnDevice(nullptr);
  rc->Activate();
  rci.GLStates = &states;
  rci.PipelineTransformation = &pipeline;
  gl.ClearCalls();
}

RecordingRender::~RecordingRender() { rc->Deactivate(); }

std::vector<Primitive> RecordingRender::Primitives() const {
  std::vector<Primitive> out;
  scene3d::TVector3f normal{0, 0, 1};
  scene3d::TVector4f color{1, 1, 1, 1};
  bool open = false;
  for (const GLCall& call : gl.calls) {
    const auto& a = call.args;
    if (call.name == "Begin") {
      out.push_back({GLenum(a[0]), {}, {}, {}});
      open = true;
    } else if (call.name == "End") {
      open = false;
    } else if (call.name == "Normal3fv" || call.name == "Normal3f") {
      normal = {float(a[0]), float(a[1]), float(a[2])};
    } else if (call.name == "Color4fv" || call.name == "Color4f") {
      color = {float(a[0]), float(a[1]), float(a[2]), float(a[3])};
    } else if (call.name == "Color3f") {
      color = {float(a[0]), float(a[1]), float(a[2]), 1};
    } else if ((call.name == "Vertex3fv" || call.name == "Vertex3f") && open) {
      out.back().vertices.push_back({float(a[0]), float(a[1]), float(a[2])});
      out.back().normals.push_back(normal);
      out.back().colors.push_back(color);
    }
  }
  return out;
}

}  // namespace testing_support
