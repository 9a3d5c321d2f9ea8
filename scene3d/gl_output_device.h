// Where a rendering context draws. Contexts render off screen, into a pixel buffer or a framebuffer
// object of the device's size, and "swapping the buffers" reads the frame back into the device's
// image; a viewer widget shows that image, so the same code runs under X11, Wayland, Xvfb and Qt's
// offscreen platform.
//
// A viewer keeps one device for its widget:
//   TGLOutputDevice device(dkWindow, width(), height());
//   device.SetOnFrame([this] { update(); });               // a frame was read back
//   ...resizeEvent: device.SetSize(width(), height());      // the context follows at its next frame
//   ...paintEvent:  QImage image(reinterpret_cast<const uchar*>(device.Image().data()),
//                                device.ImageWidth(), device.ImageHeight(), QImage::Format_ARGB32);
//                   painter.drawImage(0, 0, image);
// A memory viewer uses a dkMemory device of its own size and reads Image() after each frame.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace scene3d {

enum TGLDeviceKind : uint8_t { dkWindow, dkMemory };

class TGLOutputDevice {
 public:
  // Sizes below 1 become 1.
  TGLOutputDevice(TGLDeviceKind kind, int width, int height);

  TGLDeviceKind Kind() const { return kind_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetSize(int width, int height);

  // The last frame: ImageWidth() x ImageHeight() pixels 0xAARRGGBB, the top row first (the memory
  // layout of QImage::Format_ARGB32). Empty before the first frame.
  const std::vector<uint32_t>& Image() const { return image_; }
  int ImageWidth() const { return imageWidth_; }
  int ImageHeight() const { return imageHeight_; }
  // The pixel at (x, y), (0, 0) the top left; 0 outside the image.
  uint32_t Pixel(int x, int y) const;
  uint64_t FrameCount() const { return frames_; }

  void SetOnFrame(std::function<void()> handler) { onFrame_ = std::move(handler); }

  // For the context: takes a frame read from OpenGL (rows bottom up, as OpenGL gives them) and
  // tells the viewer.
  void StoreFrame(int width, int height, const std::vector<uint32_t>& bottomUp);

 private:
  TGLDeviceKind kind_;
  int width_;
  int height_;
  std::vector<uint32_t> image_;
  int imageWidth_ = 0;
  int imageHeight_ = 0;
  uint64_t frames_ = 0;
  std::function<void()> onFrame_;
};

}  // namespace scene3d
