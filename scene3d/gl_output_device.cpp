#include "scene3d/gl_output_device.h"

#include <algorithm>
#include <cstring>

namespace scene3d {

TGLOutputDevice::TGLOutputDevice(TGLDeviceKind kind, int width, int height)
    : kind_(kind), width_(std::max(width, 1)), height_(std::max(height, 1)) {}

void TGLOutputDevice::SetSize(int width, int height) {
  width_ = std::max(width, 1);
  height_ = std::max(height, 1);
}

uint32_t TGLOutputDevice::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= imageWidth_ || y >= imageHeight_) return 0;
  return image_[size_t(y) * size_t(imageWidth_) + size_t(x)];
}

void TGLOutputDevice::StoreFrame(int width, int height, const std::vector<uint32_t>& bottomUp) {
  if (width < 1 || height < 1 || bottomUp.size() < size_t(width) * size_t(height)) return;
  image_.resize(size_t(width) * size_t(height));
  for (int row = 0; row < height; ++row)
    std::memcpy(&image_[size_t(row) * size_t(width)], &bottomUp[size_t(height - 1 - row) * size_t(width)],
                size_t(width) * sizeof(uint32_t));
  imageWidth_ = width;
  imageHeight_ = height;
  ++frames_;
  if (onFrame_) onFrame_();
}

}  // namespace scene3d
