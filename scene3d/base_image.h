// The in-memory image that textures and bitmap fonts are built from: pixel data with its OpenGL
// description (base format, data type, internal format, mipmap levels, cube faces, array layers),
// which can upload itself into the texture bound now or read a texture back.
//
// Layout of the pixel block: level after level of face after face (face-major), each level
// Depth x Height rows of Width tightly packed pixels (4 x 4 blocks for compressed formats), first row
// first, its size rounded up to a multiple of 4 bytes. Row 0 is the bottom of the picture, as OpenGL
// has it. `Levels` holds each level's byte offset in that order.
//
// The texture code uses it so (TGLImage adds the bitmap import and the pixel tools):
//   TGLImage image;  image.Assign(bitmap);  image.AlphaFromIntensity();
//   states.SetTextureBinding(unit, ttTexture2D, handle.Identifier());
//   int32_t w, h, d;  image.UploadToTexture(GL_TEXTURE_2D, minFilter, GLConstantOfFormat(format), w, h, d);
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "scene3d/data_file.h"
#include "scene3d/texture_format.h"

namespace scene3d {

class TGLTextureHandle;

// Written to the rendering log's errors with the image's class name in place of %s.
inline constexpr const char* kCantConvertToRGBA8Text = "%s: can't convert image to RGBA8 format";
inline constexpr const char* kCantGenerateMipmapsText = "%s: can't generate mipmap levels";
// Raised when a description asks for more pixel memory than a level offset can address.
inline constexpr const char* kImageTooLargeText = "Image too large";

// n div 2, at least 1.
int32_t HalveDimension(int32_t n);
// 1 + the number of halvings until width, height and depth are all 1.
int32_t MipLevelCount(int32_t width, int32_t height, int32_t depth);
// `count` 3-byte blue, green, red pixels to 4-byte red, green, blue, 255.
void ExpandBGR24(const uint8_t* source, uint8_t* destination, size_t count);
// `count` 4-byte blue, green, red, alpha pixels to red, green, blue, alpha.
void SwapBGRA32(const uint8_t* source, uint8_t* destination, size_t count);

// The block order of GL_NV_texture_compression_vtc for a compressed 3D level of blocksX x blocksY
// blocks per layer and `depth` layers: groups of four layers, block by block, the group's layers
// of one block next to each other. Both blocks hold blocksX·blocksY·depth blocks of blockSize bytes.
void LayersToVTCBlocks(std::span<const uint8_t> layers, std::span<uint8_t> vtc, int32_t blocksX, int32_t blocksY,
                       int32_t depth, int32_t blockSize);
void VTCBlocksToLayers(std::span<const uint8_t> vtc, std::span<uint8_t> layers, int32_t blocksX, int32_t blocksY,
                       int32_t depth, int32_t blockSize);

class TGLBaseImage : public TDataFile {
 public:
  // No size, one level, GL_RGBA, tfRGBA8, GL_UNSIGNED_BYTE, 4 bytes a pixel, neither cube map nor array.
  explicit TGLBaseImage(TPersistent* owner = nullptr);
  std::string ClassName() const override { return "TGLBaseImage"; }
  std::unique_ptr<TDataFile> CreateCopy(TPersistent* owner) const override;

  // From another image: its description, level offsets and pixels. None is ignored; anything else
  // goes to the base class.
  void Assign(const TPersistent* source) override;

  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  // 0 for a 2D image; the layer count of an array.
  int32_t Depth() const { return depth_; }
  int32_t MipLevels() const { return mipLevels_; }
  GLenum ColorFormat() const { return colorFormat_; }
  TGLInternalFormat InternalFormat() const { return internalFormat_; }
  GLenum DataType() const { return dataType_; }
  int32_t ElementSize() const { return elementSize_; }
  bool CubeMap() const { return cubeMap_; }
  bool TextureArray() const { return textureArray_; }
  const std::vector<int32_t>& Levels() const { return levels_; }
  const std::vector<uint8_t>& PixelData() const { return data_; }
  std::vector<uint8_t>& PixelData() { return data_; }

  // Bytes of one level of one face, rounded up to a multiple of 4.
  int64_t LevelSizeInBytes(int32_t level) const;
  // Every level of every face; 0 without a size.
  int64_t DataSize() const;
  // The start of a level of a face (GL_TEXTURE_CUBE_MAP_POSITIVE_X ... NEGATIVE_Z; POSITIVE_X for a
  // plain image); null when the block does not hold the whole level.
  uint8_t* LevelData(int32_t level, GLenum face = GL_TEXTURE_CUBE_MAP_POSITIVE_X);
  bool IsEmpty() const { return width_ == 0 || height_ == 0; }
  bool IsCompressed() const { return FormatIsCompressed(internalFormat_); }

  // The built-in 64 x 64 RGB picture shown where an image could not be had.
  void SetErrorImage();
  // Level 0 (of the first face, the first layer) as 8-bit RGBA, one level, no depth; the error
  // picture when it cannot be converted.
  void NarrowToRGBA8();
  // Keeps level 0 only (of every face).
  virtual void DropMipmaps();
  // No levels are generated here: drops them and says so in the log.
  virtual void BuildMipmaps();

  // Uploads into the texture bound to `target` in the current context: GL_TEXTURE_1D, _2D, _3D,
  // _RECTANGLE, the arrays, GL_TEXTURE_CUBE_MAP (all six faces) or one cube face. `mipmapMode` is the
  // texture's minification filter; above 1 asks for mipmaps. The texture's size (power-of-two
  // sizes unless the context takes any size, within its maximum) comes back in width, height, depth.
  virtual void UploadToTexture(GLenum target, int32_t mipmapMode, GLenum internalFormat, int32_t& width,
                               int32_t& height, int32_t& depth);
  // Reads the handle's texture back, in the current context or else the handle's own. With
  // `useTextureFormat` the texture's internal format decides the base format and data type; else the
  // image takes `fallback` with the given data type and base format. False when nothing was read.
  virtual bool ReadFromTexture(TGLTextureHandle& handle, bool useTextureFormat, GLenum dataType, GLenum colorFormat,
                               TGLInternalFormat fallback);

 protected:
  // Whether the block holds pixels for the description (TGLImage: not Unallocated), and the word
  // that it now does or does not.
  virtual bool PixelsAllocated() const { return true; }
  virtual void SetPixelsAllocated(bool) {}
  // Sizes the block to DataSize and records the level offsets; kImageTooLargeText beyond 2 GiB.
  void AllocateData();
  // Every level offset, face-major: those recorded, else the ones of a packed block.
  std::vector<int64_t> LevelOffsets() const;
  void CopyDescription(const TGLBaseImage& source);
  // Logs one of the texts above with the class name, at the errors level.
  void LogImageError(const char* text) const;

  std::vector<int32_t> levels_;
  int32_t width_ = 0;
  int32_t height_ = 0;
  int32_t depth_ = 0;
  int32_t mipLevels_ = 1;
  GLenum colorFormat_ = GL_RGBA;
  TGLInternalFormat internalFormat_ = TGLInternalFormat::tfRGBA8;
  GLenum dataType_ = GL_UNSIGNED_BYTE;
  int32_t elementSize_ = 4;
  bool cubeMap_ = false;
  bool textureArray_ = false;
  std::vector<uint8_t> data_;
};

}  // namespace scene3d
