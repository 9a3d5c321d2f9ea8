// One frame of a GIF picture: its image descriptor, local colour map, the extensions before it and
// its pixels (one colour index per byte, rows from the top). The frame turns into an 8-bit QImage
// with its palette and, when it is transparent, a one-bit mask; both are built once, under a lock
// (a painter thread may build them while the GUI thread draws), and dropped when the pixels change.
#pragma once

#include <QImage>

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "gif/color_map.h"
#include "gif/extensions.h"
#include "gif/gif_item.h"
#include "platform/bitmap.h"
#include "platform/canvas.h"

namespace gif {

class TGIFSubImage : public TGIFItem {
 public:
  explicit TGIFSubImage(TGIFImage* image);
  ~TGIFSubImage() override;

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int left) { left_ = left; }
  void SetTop(int top) { top_ = top; }
  // The frame's place on the logical screen.
  platform::Rect BoundsRect() const { return {left_, top_, left_ + width_, top_ + height_}; }
  bool Interlaced() const { return interlaced_; }
  void SetInterlaced(bool on) { interlaced_ = on; }
  // The packed byte of the image descriptor as it would be written.
  uint8_t PackedFields() const;

  TGIFLocalColorMap& ColorMap() { return colorMap_; }
  const TGIFLocalColorMap& ColorMap() const { return colorMap_; }
  // The local map when it has entries, else the global map.
  const TGIFColorMap& ActiveColorMap() const;

  TGIFExtensionList& Extensions() { return extensions_; }
  const TGIFExtensionList& Extensions() const { return extensions_; }
  // The first graphic control extension made for this frame, or null.
  TGIFGraphicControlExtension* GraphicControlExtension() const { return graphicControl_; }
  void SetGraphicControlExtension(TGIFGraphicControlExtension* extension) { graphicControl_ = extension; }
  // From the frame's graphic control extension.
  bool Transparent() const { return graphicControl_ && graphicControl_->Transparent(); }
  int TransparentIndex() const { return graphicControl_ ? graphicControl_->TransparentColorIndex() : 0; }
  // Hundredths of a second; 0 without a graphic control extension.
  int Delay() const { return graphicControl_ ? graphicControl_->Delay() : 0; }
  int Disposal() const { return graphicControl_ ? graphicControl_->Disposal() : dmNone; }

  // Pixels
  bool Empty() const { return pixels_.empty(); }
  const uint8_t* Data() const { return pixels_.data(); }
  uint8_t* Data() { return pixels_.data(); }
  size_t DataSize() const { return pixels_.size(); }
  // New pixel data of width x height, every pixel `fill`; sizes over the pixel budget raise
  // "Image is too large" before anything is allocated. The bitmap is dropped.
  void NewImage(int width, int height, uint8_t fill = 0);
  // Frees the pixels; the frame keeps its size.
  void ClearPixels();
  // "Image is empty" without pixels, "Invalid pixel coordinates" outside the frame.
  uint8_t Pixel(int x, int y) const;
  void SetPixel(int x, int y, uint8_t index);
  // The pixels were changed in place: the bitmap and mask are built again when next needed.
  void Changed();
  // Cuts the frame to the rectangle `keep` (in frame coordinates), moving its position.
  void Crop(const platform::Rect& keep);

  TGIFVersion Version() const override;
  // Extensions, then (when the next byte is ',') the descriptor, local map and image data.
  void LoadFromStream(platform::ByteReader& stream) override;
  // Extensions, then the descriptor, local map and encoded data of a frame with pixels or of size 0
  // (so it reads back as a frame); a frame of extensions alone, or with its pixels cleared, writes
  // its extensions only.
  void SaveToStream(platform::ByteWriter& stream) override;

  // The frame as an 8-bit image with the active map's colours (indices past the map are black),
  // or dithered to the 216-colour cube when the picture asks for dithering.
  QImage Bitmap() const;
  // One bit per pixel, set where the pixel is the transparent index; null when the frame is
  // opaque or no pixel uses that index.
  QImage Mask() const;
  bool HasMask() const { return !Mask().isNull(); }
  // The frame with its transparent pixels at alpha 0 (the bitmap through its mask).
  QImage MaskedBitmap() const;

  // The frame's rectangle scaled into `target` with the picture's size, rounded to nearest.
  platform::Rect ScaledRect(const platform::Rect& target) const;
  // Draws the frame into `target`: stretched, or repeated from the target's top-left corner at the
  // picture's size; with `transparent`, pixels under the mask leave the canvas as it was. Nothing
  // is drawn for an empty frame, picture or target.
  void Draw(platform::Canvas& canvas, const platform::Rect& target, bool transparent, bool tile) const;

  // Becomes a copy of another frame (position, size, flags, pixels, colour map, extensions).
  void Assign(const TGIFSubImage& source);
  // Takes the picture of an 8-bit or smaller bitmap with its palette and pixels; other formats are
  // reduced first with the picture's colour reduction, bits and dither mode.
  void Assign(const platform::Bitmap& source);
  // Takes a QImage; pixels with alpha below 128 become transparent through one extra colour entry
  // (when the map has room).
  void Assign(const QImage& source);

 private:
  void ReleasePixels();
  void BuildBitmap() const;
  // BuildBitmap with a failed allocation raised as "Failed to allocate memory for GIF DIB".
  void BuildBitmapChecked() const;
  void TakeIndexedPixels(const std::vector<uint8_t>& indices, int width, int height,
                         const std::vector<TGIFColor>& palette);

  int left_ = 0;
  int top_ = 0;
  int width_ = 0;
  int height_ = 0;
  bool interlaced_ = false;
  // The frame has an image (read from a descriptor or made by NewImage), if of size 0; a frame of
  // trailing extensions alone has none and writes none.
  bool described_ = false;
  TGIFLocalColorMap colorMap_;
  TGIFExtensionList extensions_;
  TGIFGraphicControlExtension* graphicControl_ = nullptr;
  std::vector<uint8_t> pixels_;

  mutable std::recursive_mutex bitmapLock_;
  mutable QImage bitmap_;
  mutable QImage mask_;
  mutable QImage masked_;
  mutable bool bitmapBuilt_ = false;
  mutable bool bitmapDithered_ = false;
};

// Integer a * b / c rounded to the nearest, halves away from zero (0 when c is 0).
int MulDivRound(int64_t a, int64_t b, int64_t c);

}  // namespace gif
