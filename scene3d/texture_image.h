// Where a texture's picture comes from. Each source hands the texture a fresh working image
// (gl_image.h) when the texture is built and frees it afterwards:
// - TGLBlankImage: an empty image of a given size (and the error picture of a failed texture);
// - TGLPersistentImage: a picture kept with the object (a bitmap);
// - TGLPicFileImage: a picture file (BMP or JPEG, by extension) read when the texture is built; a
//   missing file warns once per name and gives an empty image;
// - TGLCubeMapImage: six pictures, one per cube face.
// Sources are registered by class name (TextureImageClasses) so a texture can switch its source by
// name (TGLTexture::SetImageClassName).
#pragma once

#include <array>
#include <memory>
#include <string>

#include "platform/bitmap.h"
#include "scene3d/class_registry.h"
#include "scene3d/gl_entry_points.h"
#include "scene3d/update_able.h"

namespace scene3d {

class TGLImage;

// Raised for texture sources that cannot be had: "Could not open file: <name>".
class ETexture : public platform::Exception {
 public:
  using platform::Exception::Exception;
};

class TGLTextureImage : public TGLUpdateAbleObject {
 public:
  // `owner` is the texture, told of every change.
  explicit TGLTextureImage(TPersistent* owner);
  ~TGLTextureImage() override;
  std::string ClassName() const override { return "TGLTextureImage"; }
  // A new, empty source of this class.
  virtual std::unique_ptr<TGLTextureImage> CreateNew(TPersistent* owner) const = 0;
  virtual std::string FriendlyName() const = 0;
  virtual std::string FriendlyDescription() const = 0;

  std::string ResourceName;
  // The target the picture is made for: GL_TEXTURE_2D, or GL_TEXTURE_CUBE_MAP for cube maps.
  virtual GLenum NativeTextureTarget() const { return GL_TEXTURE_2D; }
  // The working image for `target` (a cube face for cube maps); null when there is none. Made anew
  // on each call; the texture converts it and uploads it.
  virtual TGLImage* GetImage(GLenum target) = 0;
  // Frees the working image.
  void ReleaseImage();
  // A file name as the owner's material library finds it (texture paths, OnTextureNeeded).
  std::string RequestFileName(const std::string& name) const;
  // Changes go to the texture, which rebuilds.
  void NotifyChange(TObject* sender) override;

 protected:
  std::unique_ptr<TGLImage> working_;
};

class TGLBlankImage : public TGLTextureImage {
 public:
  explicit TGLBlankImage(TPersistent* owner);
  std::string ClassName() const override { return "TGLBlankImage"; }
  std::unique_ptr<TGLTextureImage> CreateNew(TPersistent* owner) const override {
    return std::make_unique<TGLBlankImage>(owner);
  }
  std::string FriendlyName() const override { return "Blank Image"; }
  // "Blank Image (Width x Height x Depth)".
  std::string FriendlyDescription() const override;

  int Width() const { return width_; }
  int Height() const { return height_; }
  int Depth() const { return depth_; }
  // Width and height at least 1, depth at least 0.
  void SetWidth(int width);
  void SetHeight(int height);
  void SetDepth(int depth);
  bool CubeMap() const { return cubeMap_; }
  void SetCubeMap(bool flag);
  bool TextureArray() const { return textureArray_; }
  void SetTextureArray(bool flag);
  GLenum ColorFormat() const { return colorFormat_; }
  void SetColorFormat(GLenum format);
  // Holds the built-in error picture instead of an empty image.
  void SetErrorPicture(bool flag) { errorPicture_ = flag; }
  bool ErrorPicture() const { return errorPicture_; }

  GLenum NativeTextureTarget() const override;
  TGLImage* GetImage(GLenum target) override;
  void DefinePublished(TFiler& filer) override;
  void Assign(const TPersistent* source) override;
  // A small text file "[BlankImage]" with Width, Height and Depth (a missing Depth reads as 1).
  void SaveToFile(const std::string& fileName) const;
  void LoadFromFile(const std::string& fileName);

 private:
  int width_ = 256;
  int height_ = 256;
  int depth_ = 0;
  bool cubeMap_ = false;
  bool textureArray_ = false;
  GLenum colorFormat_ = GL_RGBA;
  bool errorPicture_ = false;
};

class TGLPersistentImage : public TGLTextureImage {
 public:
  explicit TGLPersistentImage(TPersistent* owner) : TGLTextureImage(owner) {}
  std::string ClassName() const override { return "TGLPersistentImage"; }
  std::unique_ptr<TGLTextureImage> CreateNew(TPersistent* owner) const override {
    return std::make_unique<TGLPersistentImage>(owner);
  }
  std::string FriendlyName() const override { return "Persistent Image"; }
  std::string FriendlyDescription() const override {
    return "Image data is kept in its original format with the window definition.";
  }

  const platform::Bitmap& Picture() const { return picture_; }
  void SetPicture(const platform::Bitmap& picture);
  // A missing file empties the picture and raises ETexture "Could not open file: <name>".
  void LoadFromFile(const std::string& fileName);
  void SaveToFile(const std::string& fileName) const;

  TGLImage* GetImage(GLenum target) override;
  void DefinePublished(TFiler& filer) override;
  void Assign(const TPersistent* source) override;

 private:
  platform::Bitmap picture_;
};

class TGLPicFileImage : public TGLTextureImage {
 public:
  explicit TGLPicFileImage(TPersistent* owner) : TGLTextureImage(owner) {}
  std::string ClassName() const override { return "TGLPicFileImage"; }
  std::unique_ptr<TGLTextureImage> CreateNew(TPersistent* owner) const override {
    return std::make_unique<TGLPicFileImage>(owner);
  }
  std::string FriendlyName() const override { return "PicFile Image"; }
  std::string FriendlyDescription() const override { return "Image data is retrieved from a file."; }

  const std::string& PictureFileName() const { return fileName_; }
  void SetPictureFileName(const std::string& fileName);

  // The file read now; missing: one warning per file name ("Error!"), then an empty image.
  TGLImage* GetImage(GLenum target) override;
  void DefinePublished(TFiler& filer) override;
  void Assign(const TPersistent* source) override;

 private:
  std::string fileName_;
};

class TGLCubeMapImage : public TGLTextureImage {
 public:
  enum Face { cmtPX, cmtNX, cmtPY, cmtNY, cmtPZ, cmtNZ };

  explicit TGLCubeMapImage(TPersistent* owner) : TGLTextureImage(owner) {}
  std::string ClassName() const override { return "TGLCubeMapImage"; }
  std::unique_ptr<TGLTextureImage> CreateNew(TPersistent* owner) const override {
    return std::make_unique<TGLCubeMapImage>(owner);
  }
  std::string FriendlyName() const override { return "CubeMap Image"; }
  std::string FriendlyDescription() const override { return "Image data is contain 6 pictures of cubemap faces."; }

  const platform::Bitmap& Picture(Face face) const { return pictures_[size_t(face)]; }
  void SetPicture(Face face, const platform::Bitmap& picture);
  // All six square and of one size.
  bool Usable() const;

  GLenum NativeTextureTarget() const override { return GL_TEXTURE_CUBE_MAP; }
  // The face of `target`, upside down as cube maps want it.
  TGLImage* GetImage(GLenum target) override;
  void DefinePublished(TFiler& filer) override;
  void Assign(const TPersistent* source) override;

 private:
  std::array<platform::Bitmap, 6> pictures_;
};

// The image-source classes by name; the four above are registered on first use.
using TTextureImageClassRegistry = TClassRegistry<std::unique_ptr<TGLTextureImage>, TPersistent*>;
TTextureImageClassRegistry& TextureImageClasses();

// A picture file by its extension: ".bmp" through our BMP reader, other extensions through the
// registered picture formats (JPEG...). Raises ETexture for a missing file or an unknown extension.
platform::Bitmap ReadPictureFile(const std::string& fileName);

}  // namespace scene3d
