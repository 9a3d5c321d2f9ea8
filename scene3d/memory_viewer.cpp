#include "scene3d/memory_viewer.h"

#include <algorithm>

namespace scene3d {

TGLNonVisualViewer::TGLNonVisualViewer(TComponent* owner)
    : TGLComponent(owner), buffer_(std::make_unique<TGLStageBuffer>(this)) {
  buffer_->Resize(width_, height_);
  buffer_->OnChange = [this](TObject*) {
    if (OnChange) OnChange(this);
  };
  buffer_->OnStructuralChange = [this](TObject*) { StructuralChanged(); };
}

TGLNonVisualViewer::~TGLNonVisualViewer() = default;

void TGLNonVisualViewer::SetWidth(int width) {
  width = std::max(width, 1);
  if (width == width_) return;
  width_ = width;
  buffer_->Resize(width_, height_);
}

void TGLNonVisualViewer::SetHeight(int height) {
  height = std::max(height, 1);
  if (height == height_) return;
  height_ = height;
  buffer_->Resize(width_, height_);
}

void TGLNonVisualViewer::StructuralChanged() { buffer_->DestroyContext(); }

uint32_t TGLNonVisualViewer::Pixel(int x, int y) { return buffer_->HasDevice() ? buffer_->Device().Pixel(x, y) : 0; }

void TGLMemoryViewer::SetBufferCount(int count) {
  count = std::clamp(count, 1, 4);
  if (count == bufferCount_) return;
  bufferCount_ = count;
  Buffer().DestroyContext();
}

void TGLMemoryViewer::Render(TGLBaseSceneObject* base) {
  if (!Buffer().HasContext()) {
    Buffer().Resize(Width(), Height());
    Buffer().CreateContext(true, bufferCount_);
  }
  Buffer().Render(base);
}

}  // namespace scene3d
