// TGLImage: the image the texture and font code fill from a bitmap, convert between formats and
// prepare with the alpha and colour tools before it goes up as a texture.
//
// Its description can be set before its pixels: the size and layout setters mark it Unallocated
// (the block is not sized yet) and SetUnallocated(false) sizes the block. The pixel tools work on
// 8-bit RGBA and narrow the image to it first; an image whose block does not hold its pixels is left
// alone by them.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/bitmap.h"
#include "platform/picture_formats.h"
#include "scene3d/base_image.h"

namespace scene3d {

class TGLImage : public TGLBaseImage {
 public:
  explicit TGLImage(TPersistent* owner = nullptr);
  std::string ClassName() const override { return "TGLImage"; }
  std::unique_ptr<TDataFile> CreateCopy(TPersistent* owner) const override;

  // From an Unallocated TGLImage only the description (and this image becomes Unallocated); from any
  // other image its pixels too.
  void Assign(const TPersistent* source) override;
  // From a bitmap of our platform: 24 and 32 bits directly when OpenGL takes their byte order
  // (GL_EXT_bgra) or the width is a multiple of 4; any other bitmap as a 24-bit copy, stretched to
  // the next multiple of 4 in width when it is not one.
  void Assign(const platform::Bitmap& bitmap);

  // On a change each stores the value (sizes below 0 become 0) and marks the image Unallocated.
  void SetWidth(int32_t width);
  void SetHeight(int32_t height);
  void SetDepth(int32_t depth);
  void SetCubeMap(bool cubeMap);
  void SetTextureArray(bool textureArray);
  // Between 1 and the levels the size allows.
  void SetMipLevels(int32_t levels);
  void SetInternalFormat(TGLInternalFormat format) { internalFormat_ = format; }

  bool Unallocated() const { return unallocated_; }
  // False sizes the block to the description (unless the image is empty). Raises EGLImageUtils
  // "Image too large" for a description beyond 2 GiB.
  void SetUnallocated(bool unallocated);
  // Bitmap rows are taken from the bottom up.
  bool ReverseRows() const { return reverseRows_; }
  void SetReverseRows(bool reverse) { reverseRows_ = reverse; }
  GLenum OldColorFormat() const { return oldColorFormat_; }
  GLenum OldDataType() const { return oldDataType_; }

  // The bitmap (converted to 24 or 32 bits first when it has another format) as the only level;
  // bitmap row 0 becomes the image's last row, or its first with ReverseRows.
  void CopyFrom24BitBitmap(const platform::Bitmap& bitmap);
  void CopyFrom32BitBitmap(const platform::Bitmap& bitmap);
  // A 32-bit bitmap (blue, green, red, alpha) of the narrowed image, top row first; none while
  // Unallocated.
  std::optional<platform::Bitmap> To32BitBitmap();

  // Converts every level of every face to the new layout; the error picture when that fails. While
  // Unallocated only the description changes.
  void ChangeFormat(GLenum colorFormat, GLenum dataType);

  // Row y of the narrowed image (Width·4 bytes), null outside it.
  uint8_t* RowPointer(int32_t y);
  // alpha := (r + g + b) div 3.
  void AlphaFromIntensity();
  // alpha := SqrtIntensityTable[(r + g + b) div 3].
  void AlphaFromSqrtIntensity();
  // alpha := 0 where red, green and blue equal the key's, else 255. The key is a TColor or a packed
  // RGBA value: red in the low byte, then green and blue; the high byte is not looked at.
  void AlphaFromColorKey(uint32_t color);
  void SetAllAlpha(uint8_t value);
  void InvertAlphaChannel();
  // r, g, b := round(value·factor) within 0..255.
  void ApplyBrightness(float factor);
  // r, g, b := round((value/255)^(1/gamma)·255); a gamma below 0.1 uses the exponent 10.
  void ApplyGamma(float gamma);
  // The green channel taken as heights becomes a normal map (x, y, z in red, green, blue, 128 the
  // zero); neighbours past an edge wrap round when asked, else the pixel stands in for them.
  void HeightToNormalMap(float scale, bool wrapX, bool wrapY);

  void BuildMipmaps() override;
  void DropMipmaps() override;

 protected:
  bool PixelsAllocated() const override { return !unallocated_; }
  void SetPixelsAllocated(bool allocated) override { unallocated_ = !allocated; }

 private:
  // Stores a value of the description; a change marks the image Unallocated.
  template <class T>
  void StoreDescription(T& field, T value);
  void ConvertLevels(const std::vector<int64_t>& oldOffsets);
  // The narrowed image's Width·Height pixels of 4 bytes; empty when the block does not hold them.
  std::span<uint8_t> RGBA8Pixels();
  void DescribeBitmapLevel(int32_t width, int32_t height, GLenum colorFormat, int32_t elementSize);

  bool unallocated_ = false;
  bool reverseRows_ = false;
  GLenum oldColorFormat_ = 0;
  GLenum oldDataType_ = 0;
};

// The picture format registered for a file extension, with or without its leading ".", compared
// without regard to case; none when no format is registered for it.
std::optional<platform::PictureFormat> GraphicClassForExtension(const std::string& extension);

}  // namespace scene3d
