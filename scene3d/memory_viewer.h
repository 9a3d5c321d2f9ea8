// Viewers without a window. TGLNonVisualViewer owns a scene buffer of Width x Height (256 x 256 by
// default, at least 1); TGLMemoryViewer renders into a memory context it makes at its first Render.
// The memory viewer is the tests' harness and renders anywhere EGL does (no window system):
//   TGLMemoryViewer viewer(nullptr);
//   viewer.SetWidth(200);  viewer.SetHeight(200);
//   viewer.SetCamera(camera);
//   viewer.Buffer().SetBackgroundColor(0x336699);
//   viewer.Render();
//   uint32_t argb = viewer.Pixel(100, 100);   // (0, 0) the top-left pixel, 0xAARRGGBB
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "scene3d/stage_buffer.h"
#include "scene3d/update_able.h"

namespace scene3d {

class TGLNonVisualViewer : public TGLComponent {
 public:
  explicit TGLNonVisualViewer(TComponent* owner);
  ~TGLNonVisualViewer() override;
  std::string ClassName() const override { return "TGLNonVisualViewer"; }

  TGLStageBuffer& Buffer() { return *buffer_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // At least 1; the buffer follows.
  void SetWidth(int width);
  void SetHeight(int height);
  TGLCamera* Camera() const { return buffer_->Camera(); }
  void SetCamera(TGLCamera* camera) { buffer_->SetCamera(camera); }
  void SetBeforeRender(TNotifyEvent handler) { buffer_->BeforeRender = std::move(handler); }
  void SetPostRender(TNotifyEvent handler) { buffer_->PostRender = std::move(handler); }
  void SetAfterRender(TNotifyEvent handler) { buffer_->AfterRender = std::move(handler); }
  TNotifyEvent OnChange;

  virtual void Render(TGLBaseSceneObject* base = nullptr) = 0;
  // The last frame's pixel at (x, y), the top-left pixel (0, 0), as 0xAARRGGBB; 0 outside it.
  uint32_t Pixel(int x, int y);
  void CopyImageToTexture(TGLTexture& texture) { buffer_->CopyImageToTexture(texture); }

 protected:
  virtual void StructuralChanged();

 private:
  std::unique_ptr<TGLStageBuffer> buffer_;
  int width_ = 256;
  int height_ = 256;
};

class TGLMemoryViewer : public TGLNonVisualViewer {
 public:
  explicit TGLMemoryViewer(TComponent* owner) : TGLNonVisualViewer(owner) {}
  std::string ClassName() const override { return "TGLMemoryViewer"; }

  int BufferCount() const { return bufferCount_; }
  // Clamped to 1..4; a change drops the context (made again at the next Render).
  void SetBufferCount(int count);
  // Makes the memory context on first use, then renders one frame.
  void Render(TGLBaseSceneObject* base = nullptr) override;

 private:
  int bufferCount_ = 1;
};

}  // namespace scene3d
