#include "scene3d/base_image.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <optional>

#include "scene3d/gl_constants.h"
#include "scene3d/gl_context.h"
#include "scene3d/gl_entry_points.h"
#include "scene3d/gl_state.h"
#include "scene3d/image_rescaling.h"
#include "scene3d/pixel_conversion.h"
#include "scene3d/rendering_log.h"

namespace scene3d {

namespace {

constexpr int32_t kErrorImageSide = 64;
constexpr int kCubeFaces = 6;

// Far beyond the largest block (2 GiB): a level's size saturates here, so the sums over levels and
// faces stay in range and meet the size check instead of wrapping past it.
constexpr int64_t kSizeCeiling = int64_t(1) << 40;

int64_t SaturatedProduct(std::initializer_list<int64_t> factors) {
  int64_t product = 1;
  for (const int64_t factor : factors)
    if (__builtin_mul_overflow(product, factor, &product) || product > kSizeCeiling) return kSizeCeiling;
  return product;
}

bool IsCubeFace(GLenum target) {
  return target >= GL_TEXTURE_CUBE_MAP_POSITIVE_X && target <= GL_TEXTURE_CUBE_MAP_NEGATIVE_Z;
}

// Bytes OpenGL moves for a tightly packed level of an uncompressed layout; nullopt for a layout the
// conversions do not know, whose size cannot be vouched for.
std::optional<int64_t> PackedLevelBytes(GLenum colorFormat, GLenum dataType, int32_t width, int32_t height,
                                        int32_t depth) {
  const int64_t rows = int64_t(height) * std::max(depth, 1);
  if (rows > std::numeric_limits<int32_t>::max()) return std::nullopt;
  try {
    return int64_t(ImageSizeInBytes(colorFormat, dataType, width, int32_t(rows)));
  } catch (const EGLImageUtils&) {
    return std::nullopt;
  }
}

bool IsArrayTarget(GLenum target) {
  return target == GL_TEXTURE_1D_ARRAY || target == GL_TEXTURE_2D_ARRAY || target == GL_TEXTURE_CUBE_MAP_ARRAY;
}

// Walks the blocks of a compressed 3D level in the order of GL_NV_texture_compression_vtc, handing
// each block's index in the layer-major order and in the VTC order.
template <class Visit>
void ForEachVTCBlock(int32_t blocksX, int32_t blocksY, int32_t depth, Visit visit) {
  size_t vtcIndex = 0;
  for (int32_t group = 0; group < depth; group += 4) {
    const int32_t layers = std::min(4, depth - group);
    for (int32_t y = 0; y < blocksY; ++y)
      for (int32_t x = 0; x < blocksX; ++x)
        for (int32_t z = group; z < group + layers; ++z)
          visit((size_t(z) * size_t(blocksY) + size_t(y)) * size_t(blocksX) + size_t(x), vtcIndex++);
  }
}

// Copies every block of a compressed 3D level from one order into the other.
void CopyVTCBlocks(std::span<const uint8_t> from, std::span<uint8_t> to, int32_t blocksX, int32_t blocksY,
                   int32_t depth, int32_t blockSize, bool toVTC) {
  const size_t size = size_t(std::max(blockSize, 0));
  const size_t needed = size_t(std::max(blocksX, 0)) * size_t(std::max(blocksY, 0)) * size_t(std::max(depth, 0)) * size;
  if (from.size() < needed || to.size() < needed) throw EGLImageUtils(kBlockTooSmallText);
  ForEachVTCBlock(blocksX, blocksY, depth, [&](size_t layerIndex, size_t vtcIndex) {
    const size_t source = toVTC ? layerIndex : vtcIndex, target = toVTC ? vtcIndex : layerIndex;
    std::memcpy(to.data() + target * size, from.data() + source * size, size);
  });
}

// Resets a pixel-storage alignment for the life of the object: unpack through the context's state
// cache, pack directly (the cache does not follow it). Rows of 3-byte pixels are not 4-byte aligned.
class UnpackAlignmentOne {
 public:
  explicit UnpackAlignmentOne(TGLStateCache& states) : states_(states), previous_(states.UnpackAlignment()) {
    states_.SetUnpackAlignment(1);
  }
  ~UnpackAlignmentOne() { states_.SetUnpackAlignment(previous_); }
  UnpackAlignmentOne(const UnpackAlignmentOne&) = delete;
  UnpackAlignmentOne& operator=(const UnpackAlignmentOne&) = delete;

 private:
  TGLStateCache& states_;
  int32_t previous_;
};

class PackAlignmentOne {
 public:
  explicit PackAlignmentOne(TGLExtensionsAndEntryPoints& gl) : gl_(gl) {
    gl_.GetIntegerv(GL_PACK_ALIGNMENT, &previous_);
    gl_.PixelStorei(GL_PACK_ALIGNMENT, 1);
  }
  ~PackAlignmentOne() {
    if (previous_ > 0) gl_.PixelStorei(GL_PACK_ALIGNMENT, previous_);
  }
  PackAlignmentOne(const PackAlignmentOne&) = delete;
  PackAlignmentOne& operator=(const PackAlignmentOne&) = delete;

 private:
  TGLExtensionsAndEntryPoints& gl_;
  GLint previous_ = 4;
};

class ContextActivation {
 public:
  explicit ContextActivation(TGLContext& context) : context_(context) { context_.Activate(); }
  ~ContextActivation() {
    try {
      context_.Deactivate();
    } catch (...) {
      // An unbalanced deactivation cannot be mended from here; the read itself is done.
    }
  }
  ContextActivation(const ContextActivation&) = delete;
  ContextActivation& operator=(const ContextActivation&) = delete;

 private:
  TGLContext& context_;
};

// The faces one upload covers, as (upload target, face of the image's data).
std::vector<std::pair<GLenum, GLenum>> UploadFaces(GLenum target, bool cubeMap) {
  std::vector<std::pair<GLenum, GLenum>> faces;
  if (target == GL_TEXTURE_CUBE_MAP) {
    for (int f = 0; f < kCubeFaces; ++f)
      faces.emplace_back(GL_TEXTURE_CUBE_MAP_POSITIVE_X + f, cubeMap ? GL_TEXTURE_CUBE_MAP_POSITIVE_X + f
                                                                       : GL_TEXTURE_CUBE_MAP_POSITIVE_X);
  } else {
    faces.emplace_back(target, cubeMap && IsCubeFace(target) ? target : GL_TEXTURE_CUBE_MAP_POSITIVE_X);
  }
  return faces;
}

}  // namespace

int32_t HalveDimension(int32_t n) { return std::max(n / 2, 1); }

int32_t MipLevelCount(int32_t width, int32_t height, int32_t depth) {
  int32_t count = 1;
  while (width > 1 || height > 1 || depth > 1) {
    width = HalveDimension(width);
    height = HalveDimension(height);
    depth = HalveDimension(depth);
    ++count;
  }
  return count;
}

void ExpandBGR24(const uint8_t* source, uint8_t* destination, size_t count) {
  for (size_t i = 0; i < count; ++i, source += 3, destination += 4) {
    destination[0] = source[2];
    destination[1] = source[1];
    destination[2] = source[0];
    destination[3] = 255;
  }
}

void SwapBGRA32(const uint8_t* source, uint8_t* destination, size_t count) {
  for (size_t i = 0; i < count; ++i, source += 4, destination += 4) {
    const uint8_t blue = source[0];
    destination[0] = source[2];
    destination[1] = source[1];
    destination[2] = blue;
    destination[3] = source[3];
  }
}

void LayersToVTCBlocks(std::span<const uint8_t> layers, std::span<uint8_t> vtc, int32_t blocksX, int32_t blocksY,
                       int32_t depth, int32_t blockSize) {
  CopyVTCBlocks(layers, vtc, blocksX, blocksY, depth, blockSize, true);
}

void VTCBlocksToLayers(std::span<const uint8_t> vtc, std::span<uint8_t> layers, int32_t blocksX, int32_t blocksY,
                       int32_t depth, int32_t blockSize) {
  CopyVTCBlocks(vtc, layers, blocksX, blocksY, depth, blockSize, false);
}

// --- TGLBaseImage ---------------------------------------------------------------------------------------

TGLBaseImage::TGLBaseImage(TPersistent* owner) : TDataFile(owner) {}

std::unique_ptr<TDataFile> TGLBaseImage::CreateCopy(TPersistent* owner) const {
  return std::make_unique<TGLBaseImage>(owner);
}

void TGLBaseImage::CopyDescription(const TGLBaseImage& source) {
  levels_ = source.levels_;
  width_ = source.width_;
  height_ = source.height_;
  depth_ = source.depth_;
  mipLevels_ = source.mipLevels_;
  colorFormat_ = source.colorFormat_;
  internalFormat_ = source.internalFormat_;
  dataType_ = source.dataType_;
  elementSize_ = source.elementSize_;
  cubeMap_ = source.cubeMap_;
  textureArray_ = source.textureArray_;
}

void TGLBaseImage::Assign(const TPersistent* source) {
  if (!source || source == this) return;
  if (const auto* image = dynamic_cast<const TGLBaseImage*>(source)) {
    CopyDescription(*image);
    const size_t size = size_t(std::max<int64_t>(DataSize(), 0));
    data_.assign(image->data_.begin(), image->data_.begin() + std::min(size, image->data_.size()));
    data_.resize(size);
    return;
  }
  TDataFile::Assign(source);
}

int64_t TGLBaseImage::LevelSizeInBytes(int32_t level) const {
  if (level < 0 || level > 31) return 0;
  int64_t w = std::max(1, width_ >> level);
  int64_t h = std::max(1, height_ >> level);
  const int64_t d = std::max(1, textureArray_ ? depth_ : depth_ >> level);
  if (IsCompressed()) {
    w = (w + 3) / 4;
    h = (h + 3) / 4;
  }
  const int64_t size = SaturatedProduct({d, w, h, int64_t(std::max(elementSize_, 0))});
  return (size + 3) / 4 * 4;
}

int64_t TGLBaseImage::DataSize() const {
  if (IsEmpty()) return 0;
  int64_t size = 0;
  for (int32_t level = 0; level < mipLevels_; ++level) size += LevelSizeInBytes(level);
  return cubeMap_ ? size * kCubeFaces : size;
}

std::vector<int64_t> TGLBaseImage::LevelOffsets() const {
  const int faces = cubeMap_ ? kCubeFaces : 1;
  const size_t count = size_t(faces) * size_t(std::max(mipLevels_, 1));
  std::vector<int64_t> offsets;
  offsets.reserve(count);
  int64_t position = 0;
  for (int face = 0; face < faces; ++face)
    for (int32_t level = 0; level < std::max(mipLevels_, 1); ++level) {
      const size_t index = offsets.size();
      offsets.push_back(index < levels_.size() ? levels_[index] : position);
      position += LevelSizeInBytes(level);
    }
  return offsets;
}

uint8_t* TGLBaseImage::LevelData(int32_t level, GLenum face) {
  const int64_t faceIndex = cubeMap_ ? int64_t(face) - GL_TEXTURE_CUBE_MAP_POSITIVE_X : 0;
  if (level < 0 || level >= std::max(mipLevels_, 1) || faceIndex < 0 || faceIndex >= kCubeFaces) return nullptr;
  const std::vector<int64_t> offsets = LevelOffsets();
  const size_t index = size_t(faceIndex) * size_t(std::max(mipLevels_, 1)) + size_t(level);
  if (index >= offsets.size()) return nullptr;
  const int64_t offset = offsets[index];
  if (offset < 0 || offset + LevelSizeInBytes(level) > int64_t(data_.size())) return nullptr;
  return data_.data() + offset;
}

void TGLBaseImage::AllocateData() {
  const int64_t size = DataSize();
  if (size > std::numeric_limits<int32_t>::max()) throw EGLImageUtils(kImageTooLargeText);
  data_.resize(size_t(size));
  levels_.clear();
  if (IsEmpty()) return;
  levels_.assign(LevelOffsets().size(), 0);
  int64_t position = 0;
  for (size_t i = 0; i < levels_.size(); ++i) {
    levels_[i] = int32_t(position);
    position += LevelSizeInBytes(int32_t(i % size_t(std::max(mipLevels_, 1))));
  }
}

void TGLBaseImage::LogImageError(const char* text) const {
  std::string line = text;
  const size_t at = line.find("%s");
  if (at != std::string::npos) line.replace(at, 2, ClassName());
  LogLine(lkError, line);
}

void TGLBaseImage::SetErrorImage() {
  width_ = height_ = kErrorImageSide;
  depth_ = 0;
  mipLevels_ = 1;
  internalFormat_ = TGLInternalFormat::tfRGB8;
  dataType_ = GL_UNSIGNED_BYTE;
  colorFormat_ = GL_RGB;
  // Three bytes a pixel, as GL_RGB is read: a 4-byte element would leave the picture skewed.
  elementSize_ = 3;
  cubeMap_ = textureArray_ = false;
  AllocateData();
  // Magenta and black squares of 8 pixels: nobody takes it for a picture of their own.
  for (int32_t y = 0; y < kErrorImageSide; ++y)
    for (int32_t x = 0; x < kErrorImageSide; ++x) {
      uint8_t* pixel = data_.data() + (size_t(y) * kErrorImageSide + size_t(x)) * 3;
      const bool lit = ((x / 8) + (y / 8)) % 2 == 0;
      pixel[0] = pixel[2] = lit ? 255 : 0;
      pixel[1] = 0;
    }
  SetPixelsAllocated(true);
}

void TGLBaseImage::NarrowToRGBA8() {
  if (colorFormat_ == GL_RGBA && depth_ == 0 && dataType_ == GL_UNSIGNED_BYTE && mipLevels_ == 1 && !textureArray_ &&
      !cubeMap_)
    return;
  DropMipmaps();
  std::vector<uint8_t> block(size_t(std::max(width_, 0)) * size_t(std::max(height_, 0)) * 4);
  try {
    // Only the first layer of a 3D or array image: its rows come first.
    ConvertImage(data_, block, colorFormat_, width_, height_, GL_UNSIGNED_BYTE, dataType_, GL_RGBA);
  } catch (const EGLImageUtils&) {
    LogImageError(kCantConvertToRGBA8Text);
    SetErrorImage();
    return;
  }
  data_ = std::move(block);
  levels_ = {0};
  internalFormat_ = TGLInternalFormat::tfRGBA8;
  colorFormat_ = GL_RGBA;
  dataType_ = GL_UNSIGNED_BYTE;
  elementSize_ = 4;
  depth_ = 0;
  cubeMap_ = textureArray_ = false;
}

void TGLBaseImage::DropMipmaps() {
  const int64_t size = LevelSizeInBytes(0);
  if (cubeMap_) {
    const std::vector<int64_t> offsets = LevelOffsets();
    const size_t levels = size_t(std::max(mipLevels_, 1));
    // Each face only moves towards the front, so the faces after it are still where they were.
    for (int face = 1; face < kCubeFaces; ++face) {
      const int64_t from = offsets[size_t(face) * levels];
      if (from >= 0 && from + size <= int64_t(data_.size()) && face * size + size <= int64_t(data_.size()))
        std::memmove(data_.data() + face * size, data_.data() + from, size_t(size));
    }
    levels_.clear();
    // Seven offsets: the last one marks the end of the sixth face.
    for (int face = 0; face <= kCubeFaces; ++face) levels_.push_back(int32_t(face * size));
  } else {
    levels_ = {0};
  }
  mipLevels_ = 1;
}

void TGLBaseImage::BuildMipmaps() {
  DropMipmaps();
  LogImageError(kCantGenerateMipmapsText);
}

// --- Upload ------------------------------------------------------------------------------------------------

namespace {

struct LevelUpload {
  GLenum target;
  GLint level;
  GLenum internalFormat;
  GLsizei width, height, depth;
  GLenum colorFormat, dataType;
  bool compressed;
  const void* pixels;
  GLsizei size;
};

void UploadLevel(TGLExtensionsAndEntryPoints& gl, const LevelUpload& u) {
  const GLint internal = GLint(u.internalFormat);
  switch (u.target) {
    case GL_TEXTURE_1D:
      if (u.compressed)
        gl.CompressedTexImage1D(u.target, u.level, u.internalFormat, u.width, 0, u.size, u.pixels);
      else
        gl.TexImage1D(u.target, u.level, internal, u.width, 0, u.colorFormat, u.dataType, u.pixels);
      break;
    case GL_TEXTURE_2D:
    case GL_TEXTURE_RECTANGLE:
    case GL_TEXTURE_CUBE_MAP_POSITIVE_X:
    case GL_TEXTURE_CUBE_MAP_NEGATIVE_X:
    case GL_TEXTURE_CUBE_MAP_POSITIVE_Y:
    case GL_TEXTURE_CUBE_MAP_NEGATIVE_Y:
    case GL_TEXTURE_CUBE_MAP_POSITIVE_Z:
    case GL_TEXTURE_CUBE_MAP_NEGATIVE_Z:
    case GL_TEXTURE_1D_ARRAY: {
      // The layers of a 1D array stand where a 2D texture's rows would.
      const GLsizei rows = u.target == GL_TEXTURE_1D_ARRAY ? u.depth : u.height;
      if (u.compressed)
        gl.CompressedTexImage2D(u.target, u.level, u.internalFormat, u.width, rows, 0, u.size, u.pixels);
      else
        gl.TexImage2D(u.target, u.level, internal, u.width, rows, 0, u.colorFormat, u.dataType, u.pixels);
      break;
    }
    case GL_TEXTURE_3D:
    case GL_TEXTURE_2D_ARRAY:
    case GL_TEXTURE_CUBE_MAP_ARRAY:
      if (u.compressed)
        gl.CompressedTexImage3D(u.target, u.level, u.internalFormat, u.width, u.height, u.depth, 0, u.size,
                                u.pixels);
      else
        gl.TexImage3D(u.target, u.level, internal, u.width, u.height, u.depth, 0, u.colorFormat, u.dataType,
                      u.pixels);
      break;
    default:
      // Buffer and multisample textures take no pixel upload.
      break;
  }
}

}  // namespace

void TGLBaseImage::UploadToTexture(GLenum target, int32_t mipmapMode, GLenum internalFormat, int32_t& width,
                                   int32_t& height, int32_t& depth) {
  TGLContext& context = SafeCurrentContext();
  TGLExtensionsAndEntryPoints& gl = ActiveGLTable();
  TGLStateCache& states = context.GLStates();

  // 1. The texture's size.
  int32_t w = width_, h = height_, d = depth_;
  if (!gl.ARB_texture_non_power_of_two) {
    w = RoundUpToPowerOf2(w);
    h = RoundUpToPowerOf2(h);
    if (d > 0) d = RoundUpToPowerOf2(d);
  }
  const int32_t maxSize = states.MaxTextureSize();
  if (maxSize > 0) {
    w = std::min(w, maxSize);
    h = std::min(h, maxSize);
  }
  width = w;
  height = h;
  depth = d;

  // 2. The pixels: the image's own, or level 0 resized to the texture's size.
  const bool compressed = IsCompressed();
  const auto faces = UploadFaces(target, cubeMap_);
  bool withPixels = PixelsAllocated() && !IsEmpty();
  int32_t levels = std::max(mipLevels_, 1);
  std::vector<std::vector<uint8_t>> resized;
  if (w != width_ || h != height_ || d != depth_) {
    levels = 1;
    if (withPixels && depth_ == 0 && !compressed) {
      try {
        for (const auto& [uploadTarget, face] : faces) {
          const uint8_t* source = LevelData(0, face);
          if (!source) throw EGLImageUtils(kBlockTooSmallText);
          resized.emplace_back(size_t(ImageSizeInBytes(colorFormat_, dataType_, w, h)));
          RescaleImage({source, size_t(LevelSizeInBytes(0))}, resized.back(), colorFormat_, dataType_, width_,
                       height_, w, h, Lanczos3Filter);
        }
      } catch (const EGLImageUtils&) {
        withPixels = false;
        resized.clear();
      }
    } else {
      withPixels = false;
    }
  }
  if (!withPixels) SetPixelsAllocated(false);

  // 3. Mipmaps: by the driver when one level goes up and the filter wants more.
  const GLenum parameterTarget = IsCubeFace(target) ? GL_TEXTURE_CUBE_MAP : target;
  const bool generate = TargetHasMipmaps(target) && levels == 1 && mipmapMode > 1;
  if (TargetHasMipmaps(target)) {
    if (!states.ForwardContext() && gl.SGIS_generate_mipmap)
      gl.TexParameteri(parameterTarget, GL_GENERATE_MIPMAP, generate ? GL_TRUE : GL_FALSE);
    if (gl.SGIS_texture_lod && levels > 1) gl.TexParameteri(parameterTarget, GL_TEXTURE_MAX_LEVEL, levels - 1);
  }

  // 4. Every level of every face, rows tightly packed.
  {
    UnpackAlignmentOne alignment(states);
    for (size_t f = 0; f < faces.size(); ++f) {
      const auto& [uploadTarget, face] = faces[f];
      LevelUpload upload{uploadTarget, 0, internalFormat, w, h, d, colorFormat_, dataType_, compressed, nullptr, 0};
      for (int32_t level = 0; level < levels; ++level) {
        upload.level = level;
        upload.pixels = nullptr;
        // A compressed level states its size, which is that of the texture's level.
        upload.size = compressed ? GLsizei(int64_t((upload.width + 3) / 4) * ((upload.height + 3) / 4) *
                                           std::max(upload.depth, 1) * elementSize_)
                                 : GLsizei(LevelSizeInBytes(level));
        std::vector<uint8_t> vtc;
        if (withPixels && !resized.empty()) {
          upload.pixels = resized[f].data();
          upload.size = GLsizei(resized[f].size());
        } else if (withPixels) {
          upload.pixels = LevelData(level, face);
          // OpenGL reads as much as the layout says, whatever the element size claims.
          const std::optional<int64_t> needed =
              compressed ? std::optional<int64_t>(upload.size)
                         : PackedLevelBytes(colorFormat_, dataType_, upload.width, upload.height, upload.depth);
          if (!needed || *needed > upload.size) upload.pixels = nullptr;
          if (upload.pixels && compressed && uploadTarget == GL_TEXTURE_3D && gl.NV_texture_compression_vtc) {
            vtc.resize(size_t(upload.size));
            const int32_t lw = std::max(1, width_ >> level), lh = std::max(1, height_ >> level);
            const int32_t ld = std::max(1, depth_ >> level);
            LayersToVTCBlocks({static_cast<const uint8_t*>(upload.pixels), vtc.size()}, vtc, (lw + 3) / 4,
                              (lh + 3) / 4, ld, elementSize_);
            upload.pixels = vtc.data();
          }
        }
        UploadLevel(gl, upload);
        upload.width = HalveDimension(upload.width);
        upload.height = HalveDimension(upload.height);
        if (upload.depth > 0 && !textureArray_) upload.depth = HalveDimension(upload.depth);
      }
    }
  }

  // 5. Where the driver has no automatic generation, the levels are made now.
  if (generate && states.ForwardContext()) gl.GenerateMipmap(parameterTarget);
}

// --- Read-back ---------------------------------------------------------------------------------------------

bool TGLBaseImage::ReadFromTexture(TGLTextureHandle& handle, bool useTextureFormat, GLenum dataType,
                                   GLenum colorFormat, TGLInternalFormat fallback) {
  TGLContext* context = CurrentContext();
  if (!context) context = handle.OwningContext();
  if (!context) return false;
  std::optional<ContextActivation> activation;
  try {
    activation.emplace(*context);
  } catch (const EGLContext&) {
    return false;
  }
  const GLuint id = handle.Identifier();
  const uint8_t targetIndex = handle.Target() & 0x7F;
  const GLenum target = TargetConstantOfIndex(targetIndex);
  if (!id || !target) return false;

  TGLExtensionsAndEntryPoints& gl = ActiveGLTable();
  TGLStateCache& states = context->GLStates();
  states.SetTextureBinding(states.ActiveTextureUnit(), TGLTextureTarget(targetIndex), id);
  GLint maxLevel = 0;
  gl.GetTexParameteriv(target, GL_TEXTURE_MAX_LEVEL, &maxLevel);
  const bool cube = target == GL_TEXTURE_CUBE_MAP;
  const GLenum query = cube ? GL_TEXTURE_CUBE_MAP_POSITIVE_X : target;

  // Count the levels the texture holds; level 0 gives the description.
  TGLBaseImage read;
  int32_t limit = std::max(maxLevel, 0) + 1;
  int32_t count = 0;
  for (int32_t level = 0; level < limit; ++level) {
    GLint format = 0, levelWidth = 0;
    gl.GetTexLevelParameteriv(query, level, GL_TEXTURE_INTERNAL_FORMAT, &format);
    gl.GetTexLevelParameteriv(query, level, GL_TEXTURE_WIDTH, &levelWidth);
    if (format == 1 || levelWidth <= 0) break;
    if (level == 0) {
      GLint h = 0, d = 0;
      gl.GetTexLevelParameteriv(query, 0, GL_TEXTURE_HEIGHT, &h);
      if (target == GL_TEXTURE_3D || target == GL_TEXTURE_2D_ARRAY || target == GL_TEXTURE_CUBE_MAP_ARRAY)
        gl.GetTexLevelParameteriv(query, 0, GL_TEXTURE_DEPTH, &d);
      read.width_ = levelWidth;
      read.height_ = std::max(h, 1);
      read.depth_ = d;
      if (target == GL_TEXTURE_1D_ARRAY) {
        // Its layers are the texture's rows.
        read.depth_ = read.height_;
        read.height_ = 1;
      }
      read.cubeMap_ = cube;
      read.textureArray_ = IsArrayTarget(target);
      if (useTextureFormat) {
        read.internalFormat_ = FormatOfGLConstant(GLenum(format));
        const TClientFormat client = ClientFormatOfFormat(read.internalFormat_);
        read.colorFormat_ = client.colorFormat;
        read.dataType_ = client.dataType;
      } else {
        read.internalFormat_ = fallback;
        read.colorFormat_ = colorFormat;
        read.dataType_ = dataType;
      }
      read.elementSize_ = PixelSizeOf(read.colorFormat_, read.dataType_);
      const int32_t index = int32_t(read.internalFormat_);
      const bool floatBuffer = index >= int32_t(TGLInternalFormat::tfFLOAT_R16) &&
                               index <= int32_t(TGLInternalFormat::tfFLOAT_RGBA32);
      limit = std::min(limit, floatBuffer ? 1
                                          : MipLevelCount(read.width_, read.height_,
                                                          read.textureArray_ ? 1 : std::max(read.depth_, 1)));
    }
    ++count;
  }
  if (count == 0) return false;
  read.mipLevels_ = count;
  read.AllocateData();

  // Every level of every face, rows tightly packed.
  const bool compressed = read.IsCompressed();
  PackAlignmentOne alignment(gl);
  for (int face = 0; face < (cube ? kCubeFaces : 1); ++face) {
    const GLenum faceTarget = cube ? GLenum(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face) : target;
    for (int32_t level = 0; level < count; ++level) {
      uint8_t* destination = read.LevelData(level, GLenum(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face));
      const int64_t size = read.LevelSizeInBytes(level);
      if (!destination) return false;
      if (!compressed) {
        const int32_t lw = std::max(1, read.width_ >> level), lh = std::max(1, read.height_ >> level);
        const int32_t ld = std::max(1, read.textureArray_ ? read.depth_ : read.depth_ >> level);
        const std::optional<int64_t> needed = PackedLevelBytes(read.colorFormat_, read.dataType_, lw, lh, ld);
        if (!needed || *needed > size) return false;
        gl.GetTexImage(faceTarget, level, read.colorFormat_, read.dataType_, destination);
        continue;
      }
      // The driver writes what it holds: refuse a level larger than its place.
      GLint stored = 0;
      gl.GetTexLevelParameteriv(faceTarget, level, GL_TEXTURE_COMPRESSED_IMAGE_SIZE, &stored);
      if (stored <= 0 || stored > size) return false;
      if (target == GL_TEXTURE_3D && gl.NV_texture_compression_vtc) {
        std::vector<uint8_t> vtc(static_cast<size_t>(size));
        gl.GetCompressedTexImage(faceTarget, level, vtc.data());
        const int32_t lw = std::max(1, read.width_ >> level), lh = std::max(1, read.height_ >> level);
        VTCBlocksToLayers(vtc, {destination, size_t(size)}, (lw + 3) / 4, (lh + 3) / 4,
                          std::max(1, read.depth_ >> level), read.elementSize_);
      } else {
        gl.GetCompressedTexImage(faceTarget, level, destination);
      }
    }
  }
  CopyDescription(read);
  data_ = std::move(read.data_);
  SetPixelsAllocated(true);
  return true;
}

}  // namespace scene3d
