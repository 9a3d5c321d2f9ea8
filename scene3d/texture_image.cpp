#include "scene3d/texture_image.h"

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <set>

#include "platform/dialogs.h"
#include "platform/bmp.h"
#include "platform/ini_file.h"
#include "scene3d/gl_image.h"
#include "scene3d/material.h"
#include "scene3d/material_library.h"
#include "scene3d/scene3d_exceptions.h"
#include "scene3d/stored_object.h"
#include "scene3d/texture.h"

namespace scene3d {

namespace {

constexpr const char* kCouldNotOpen = "Could not open file: ";

template <class T>
void RegisterImageClass(TTextureImageClassRegistry& registry) {
  registry.Register(T(nullptr).ClassName(), typeid(T),
                    [](TPersistent* owner) -> std::unique_ptr<TGLTextureImage> { return std::make_unique<T>(owner); });
}

bool FileExists(const std::string& name) {
  std::error_code error;
  return !name.empty() && std::filesystem::is_regular_file(name, error);
}

}  // namespace

TTextureImageClassRegistry& TextureImageClasses() {
  static TTextureImageClassRegistry registry = [] {
    TTextureImageClassRegistry r;
    RegisterImageClass<TGLBlankImage>(r);
    RegisterImageClass<TGLPersistentImage>(r);
    RegisterImageClass<TGLPicFileImage>(r);
    RegisterImageClass<TGLCubeMapImage>(r);
    return r;
  }();
  return registry;
}

platform::Bitmap ReadPictureFile(const std::string& fileName) {
  if (!FileExists(fileName)) throw ETexture(kCouldNotOpen + fileName);
  const std::string extension = std::filesystem::path(fileName).extension().string();
  std::optional<platform::PictureFormat> format = GraphicClassForExtension(extension);
  if (!format || !format->decode) throw ETexture("Unknown picture file extension: " + fileName);
  return platform::DecodeImageFile(fileName, format->decode);
}

// --- The base ----------------------------------------------------------------------------------------------

TGLTextureImage::TGLTextureImage(TPersistent* owner) : TGLUpdateAbleObject(owner) {}

TGLTextureImage::~TGLTextureImage() = default;

void TGLTextureImage::ReleaseImage() { working_.reset(); }

void TGLTextureImage::NotifyChange(TObject* sender) {
  if (UpdateCount() != 0) return;
  ReleaseImage();
  if (auto* texture = dynamic_cast<TGLTexture*>(Owner())) {
    texture->NotifyImageChange();
  } else {
    TGLUpdateAbleObject::NotifyChange(sender);
  }
}

std::string TGLTextureImage::RequestFileName(const std::string& name) const {
  // The texture, its material and the library material holding that: the library knows the paths.
  auto* texture = dynamic_cast<TGLTexture*>(Owner());
  auto* material = texture ? dynamic_cast<TGLMaterial*>(texture->Owner()) : nullptr;
  auto* libMaterial = material ? dynamic_cast<TGLLibMaterial*>(material->Owner()) : nullptr;
  TGLMaterialLibrary* library = libMaterial ? libMaterial->Library() : nullptr;
  return library ? library->TextureFileName(name) : name;
}

// --- Blank ------------------------------------------------------------------------------------------------------

TGLBlankImage::TGLBlankImage(TPersistent* owner) : TGLTextureImage(owner) {}

std::string TGLBlankImage::FriendlyDescription() const {
  return "Blank Image (" + std::to_string(width_) + "x" + std::to_string(height_) + "x" + std::to_string(depth_) + ")";
}

void TGLBlankImage::SetWidth(int width) {
  width = std::max(width, 1);
  if (StoreChanged(width_, width)) NotifyChange(this);
}

void TGLBlankImage::SetHeight(int height) {
  height = std::max(height, 1);
  if (StoreChanged(height_, height)) NotifyChange(this);
}

void TGLBlankImage::SetDepth(int depth) {
  depth = std::max(depth, 0);
  if (StoreChanged(depth_, depth)) NotifyChange(this);
}

void TGLBlankImage::SetCubeMap(bool flag) {
  if (StoreChanged(cubeMap_, flag)) NotifyChange(this);
}

void TGLBlankImage::SetTextureArray(bool flag) {
  if (StoreChanged(textureArray_, flag)) NotifyChange(this);
}

void TGLBlankImage::SetColorFormat(GLenum format) {
  if (StoreChanged(colorFormat_, format)) NotifyChange(this);
}

GLenum TGLBlankImage::NativeTextureTarget() const {
  if (errorPicture_) return GL_TEXTURE_2D;
  if (cubeMap_) return textureArray_ ? GL_TEXTURE_CUBE_MAP_ARRAY : GL_TEXTURE_CUBE_MAP;
  if (textureArray_) return depth_ > 0 ? GL_TEXTURE_2D_ARRAY : GL_TEXTURE_1D_ARRAY;
  return depth_ > 0 ? GL_TEXTURE_3D : GL_TEXTURE_2D;
}

TGLImage* TGLBlankImage::GetImage(GLenum) {
  working_ = std::make_unique<TGLImage>();
  if (errorPicture_) {
    working_->SetErrorImage();
    return working_.get();
  }
  working_->SetWidth(width_);
  working_->SetHeight(height_);
  working_->SetDepth(depth_);
  working_->SetCubeMap(cubeMap_);
  working_->SetTextureArray(textureArray_);
  working_->ChangeFormat(colorFormat_, GL_UNSIGNED_BYTE);
  working_->SetUnallocated(false);
  return working_.get();
}

void TGLBlankImage::Assign(const TPersistent* source) {
  auto* from = dynamic_cast<const TGLBlankImage*>(source);
  if (!from) {
    TGLTextureImage::Assign(source);
    return;
  }
  width_ = from->width_;
  height_ = from->height_;
  depth_ = from->depth_;
  cubeMap_ = from->cubeMap_;
  textureArray_ = from->textureArray_;
  colorFormat_ = from->colorFormat_;
  errorPicture_ = from->errorPicture_;
  ResourceName = from->ResourceName;
  NotifyChange(this);
}

void TGLBlankImage::SaveToFile(const std::string& fileName) const {
  platform::IniFile file(fileName);
  file.EraseSection("BlankImage");
  file.WriteInteger("BlankImage", "Width", width_);
  file.WriteInteger("BlankImage", "Height", height_);
  file.WriteInteger("BlankImage", "Depth", depth_);
  file.UpdateFile();
}

void TGLBlankImage::LoadFromFile(const std::string& fileName) {
  if (!FileExists(fileName)) throw ETexture(kCouldNotOpen + fileName);
  const platform::IniFile file(fileName);
  BeginUpdate();
  SetWidth(file.ReadInteger("BlankImage", "Width", width_));
  SetHeight(file.ReadInteger("BlankImage", "Height", height_));
  SetDepth(file.ReadInteger("BlankImage", "Depth", 1));
  EndUpdate();
}

// --- Persistent ----------------------------------------------------------------------------------------------------

void TGLPersistentImage::SetPicture(const platform::Bitmap& picture) {
  picture_ = picture;
  NotifyChange(this);
}

void TGLPersistentImage::LoadFromFile(const std::string& fileName) {
  const std::string name = RequestFileName(fileName);
  ResourceName = name;
  if (!FileExists(name)) {
    picture_ = platform::Bitmap();
    NotifyChange(this);
    throw ETexture(kCouldNotOpen + name);
  }
  SetPicture(ReadPictureFile(name));
}

void TGLPersistentImage::SaveToFile(const std::string& fileName) const { platform::WriteBmpFile(fileName, picture_); }

TGLImage* TGLPersistentImage::GetImage(GLenum) {
  working_ = std::make_unique<TGLImage>();
  if (!picture_.Empty()) working_->Assign(picture_);
  return working_.get();
}

void TGLPersistentImage::Assign(const TPersistent* source) {
  auto* from = dynamic_cast<const TGLPersistentImage*>(source);
  if (!from) {
    TGLTextureImage::Assign(source);
    return;
  }
  picture_ = from->picture_;
  ResourceName = from->ResourceName;
  NotifyChange(this);
}

// --- Picture file --------------------------------------------------------------------------------------------------

void TGLPicFileImage::SetPictureFileName(const std::string& fileName) {
  if (fileName == fileName_) return;
  fileName_ = fileName;
  ResourceName = fileName;
  NotifyChange(this);
}

TGLImage* TGLPicFileImage::GetImage(GLenum) {
  working_ = std::make_unique<TGLImage>();
  const std::string name = RequestFileName(fileName_);
  if (!FileExists(name)) {
    // Once per name for the whole run: a texture is built again and again.
    static std::mutex lock;
    static std::set<std::string> warned;
    bool first = false;
    {
      std::lock_guard<std::mutex> guard(lock);
      first = warned.insert(name).second;
    }
    if (first) {
      std::error_code error;
      const std::string folder = std::filesystem::current_path(error).string();
      platform::CurrentDialogs().Message(kCouldNotOpen + name + "\r\n(Current directory is " + folder + ")", "Error!",
                                         platform::MessageKind::Warning, platform::Buttons::Ok);
    }
    return working_.get();
  }
  working_->Assign(ReadPictureFile(name));
  return working_.get();
}

void TGLPicFileImage::Assign(const TPersistent* source) {
  auto* from = dynamic_cast<const TGLPicFileImage*>(source);
  if (!from) {
    TGLTextureImage::Assign(source);
    return;
  }
  fileName_ = from->fileName_;
  ResourceName = from->ResourceName;
  NotifyChange(this);
}

// --- Cube map --------------------------------------------------------------------------------------------------------

void TGLCubeMapImage::SetPicture(Face face, const platform::Bitmap& picture) {
  pictures_[size_t(face)] = picture;
  NotifyChange(this);
}

bool TGLCubeMapImage::Usable() const {
  const int size = pictures_[0].Width();
  if (size == 0) return false;
  return std::all_of(pictures_.begin(), pictures_.end(),
                     [size](const platform::Bitmap& p) { return p.Width() == size && p.Height() == size; });
}

TGLImage* TGLCubeMapImage::GetImage(GLenum target) {
  working_ = std::make_unique<TGLImage>();
  const int face = int(target) - int(GL_TEXTURE_CUBE_MAP_POSITIVE_X);
  if (face < 0 || face > 5 || pictures_[size_t(face)].Empty()) return working_.get();
  // Cube faces are addressed from the top-left corner: the rows go up the other way round.
  working_->SetReverseRows(true);
  working_->Assign(pictures_[size_t(face)]);
  return working_.get();
}

void TGLCubeMapImage::Assign(const TPersistent* source) {
  auto* from = dynamic_cast<const TGLCubeMapImage*>(source);
  if (!from) {
    TGLTextureImage::Assign(source);
    return;
  }
  pictures_ = from->pictures_;
  ResourceName = from->ResourceName;
  NotifyChange(this);
}

namespace {
// A picture stored as the bytes of a BMP file (none while empty); read back with the pixel count
// bounded by the bytes there are.
void DefinePicture(TFiler& filer, const std::string& name, const platform::Bitmap& picture,
                   const std::function<void(const platform::Bitmap&)>& set) {
  filer.DefineBinaryProperty(
      name,
      [set](platform::Stream& stream) {
        std::vector<uint8_t> bytes(static_cast<size_t>(stream.Remaining()));
        stream.ReadBuffer(bytes.data(), bytes.size());
        platform::Bitmap read;
        try {
          read = platform::DecodeBmp(bytes.data(), bytes.size(),
                                     std::min<int64_t>(platform::kMaxBitmapPixels, int64_t(bytes.size()) * 8));
        } catch (const platform::Exception& e) {
          throw EFilerException(std::string("Stored picture: ") + e.what());
        }
        set(read);
      },
      [&picture](platform::Stream& stream) {
        const platform::Bytes bytes = platform::EncodeBmp(picture);
        stream.WriteBuffer(bytes.data(), bytes.size());
      },
      !picture.Empty());
}
}  // namespace

void TGLBlankImage::DefinePublished(TFiler& filer) {
  TGLTextureImage::DefinePublished(filer);
  // The image is allocated from these numbers, so a stored one may not ask for more pixels than a
  // bitmap may have.
  auto bounded = [this](int64_t width, int64_t height, int64_t depth) {
    if (width * height * std::max<int64_t>(depth, 1) > platform::kMaxBitmapPixels)
      throw EFilerException("Blank image too large: " + std::to_string(width) + " x " + std::to_string(height) +
                            " x " + std::to_string(depth));
  };
  DefineInteger(filer, "Width", width_, [this, bounded](int32_t v) { bounded(v, height_, depth_); SetWidth(v); },
                256, 1);
  DefineInteger(filer, "Height", height_, [this, bounded](int32_t v) { bounded(width_, v, depth_); SetHeight(v); },
                256, 1);
  DefineInteger(filer, "Depth", depth_, [this, bounded](int32_t v) { bounded(width_, height_, v); SetDepth(v); },
                0, 0);
  DefineBoolean(filer, "CubeMap", cubeMap_, [this](bool v) { SetCubeMap(v); }, false);
  DefineBoolean(filer, "TextureArray", textureArray_, [this](bool v) { SetTextureArray(v); }, false);
  DefineInteger(filer, "ColorFormat", static_cast<int32_t>(colorFormat_),
                [this](int32_t v) { SetColorFormat(static_cast<GLenum>(v)); }, GL_RGBA, 0);
}

void TGLPersistentImage::DefinePublished(TFiler& filer) {
  TGLTextureImage::DefinePublished(filer);
  DefinePicture(filer, "Picture", picture_, [this](const platform::Bitmap& picture) { SetPicture(picture); });
}

void TGLPicFileImage::DefinePublished(TFiler& filer) {
  TGLTextureImage::DefinePublished(filer);
  DefineText(filer, "PictureFileName", fileName_, [this](const std::string& v) { SetPictureFileName(v); });
}

void TGLCubeMapImage::DefinePublished(TFiler& filer) {
  TGLTextureImage::DefinePublished(filer);
  static const char* const kNames[6] = {"PicturePX", "PictureNX", "PicturePY", "PictureNY", "PicturePZ", "PictureNZ"};
  for (int face = 0; face < 6; ++face) {
    DefinePicture(filer, kNames[face], pictures_[size_t(face)],
                  [this, face](const platform::Bitmap& picture) { SetPicture(Face(face), picture); });
  }
}

}  // namespace scene3d
