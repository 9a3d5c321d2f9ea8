// Named materials that several objects share: a TGLMaterialLibrary holds TGLLibMaterial items; a
// TGLMaterial linked to one (MaterialLibrary + LibMaterialName) lets it apply in its place, with its
// texture matrix, a second texture from another library material and an optional shader
// (TGLShader). The program's own scene uses none of this; it is kept to the grain materials need.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/stream.h"
#include "scene3d/archive.h"
#include "scene3d/collection.h"
#include "scene3d/coordinates.h"
#include "scene3d/material.h"
#include "scene3d/render_context_info.h"
#include "scene3d/update_able.h"

namespace platform {
class Bitmap;
}

namespace scene3d {

class TGLMaterialLibrary;
class TGLLibMaterials;
class TGLShader;

// The lookup key of a library material's name: h = length, then h = code + 2·h per byte (32-bit wrap).
uint32_t LibMaterialNameHash(const std::string& name);

class TGLLibMaterial : public TCollectionItem, public IGLCoordinatesUpdateAble {
 public:
  // Named "LibMaterial", with the lowest free number from 1 appended when that name is taken.
  explicit TGLLibMaterial(TCollection& collection);
  // Unlinks every user: their library material and name are cleared.
  ~TGLLibMaterial() override;
  std::string ClassName() const override { return "TGLLibMaterial"; }
  std::string GetDisplayName() const override { return name_; }

  const std::string& Name() const { return name_; }
  // A name already taken by another item gets the lowest free number appended.
  void SetName(const std::string& name);
  uint32_t NameHash() const { return nameHash_; }
  TGLMaterial& Material() { return *material_; }
  int32_t Tag = 0;
  TGLCoordinates3& TextureOffset() { return *textureOffset_; }
  TGLCoordinates3& TextureScale() { return *textureScale_; }
  float TextureRotate() const { return textureRotate_; }
  void SetTextureRotate(float degrees);
  const std::string& Texture2Name() const { return texture2Name_; }
  void SetTexture2Name(const std::string& name);
  TGLShader* Shader() const { return shader_; }
  void SetShader(TGLShader* shader);
  const TMatrix4f& TextureMatrix() const { return textureMatrix_; }
  bool TextureMatrixIsIdentity() const { return textureMatrixIsIdentity_; }

  void Apply(RenderContextInfo& rci);
  bool UnApply(RenderContextInfo& rci);
  bool IsBlended() const;
  TGLMaterialLibrary* Library() const;

  // Users: materials and library materials that link to this one.
  void RegisterUser(TObject* user);
  void UnregisterUser(TObject* user);
  const std::vector<TObject*>& Users() const { return users_; }
  // Materials get NotifyMappingChange, library materials pass it on; loops are cut.
  void NotifyUsers();
  void Assign(const TPersistent* source) override;
  void CoordinatesEdited(TGLCustomCoordinates* sender) override;
  // Told by a shader that goes away, or by a second material that goes away.
  void ShaderFreed(TGLShader* shader);

 private:
  void CalculateTextureMatrix();
  TGLLibMaterial* SecondMaterial();

  std::string name_;
  uint32_t nameHash_ = 0;
  std::unique_ptr<TGLMaterial> material_;
  std::unique_ptr<TGLCoordinates3> textureOffset_;
  std::unique_ptr<TGLCoordinates3> textureScale_;
  float textureRotate_ = 0;
  std::string texture2Name_;
  TGLLibMaterial* texture2_ = nullptr;
  bool texture2Resolved_ = false;
  TGLShader* shader_ = nullptr;
  std::vector<TObject*> users_;
  TMatrix4f textureMatrix_ = IdentityMatrix;
  bool textureMatrixIsIdentity_ = true;
  bool notifying_ = false;
  bool textureMatrixLoaded_ = false;
  bool secondTextureApplied_ = false;
};

class TGLLibMaterials : public TOwnedCollection {
 public:
  explicit TGLLibMaterials(TGLMaterialLibrary* owner);
  ~TGLLibMaterials() override;
  std::string ClassName() const override { return "TGLLibMaterials"; }

  TGLLibMaterial& Add() { return static_cast<TGLLibMaterial&>(*TCollection::Add()); }
  TGLLibMaterial& Item(int index) const { return static_cast<TGLLibMaterial&>(*Items(index)); }
  TGLLibMaterial* GetLibMaterialByName(const std::string& name) const;
  // The name itself when free, else the name with the lowest free number from 1.
  std::string MakeUniqueName(const std::string& name, const TGLLibMaterial* except) const;
};

// The event that may change a texture file's name before it is looked for.
using TTextureNeededEvent = std::function<void(TObject* sender, std::string& fileName)>;

inline constexpr int kMaxStoredLibraryMaterials = 1024;

class TGLMaterialLibrary : public TGLCadenceAbleComponent {
 public:
  explicit TGLMaterialLibrary(TComponent* owner);
  ~TGLMaterialLibrary() override;
  std::string ClassName() const override { return "TGLMaterialLibrary"; }

  TGLLibMaterials& Materials() { return *materials_; }
  TGLLibMaterial* LibMaterialByName(const std::string& name) const;
  // Folders separated by ";".
  std::string TexturePaths;
  TTextureNeededEvent OnTextureNeeded;
  // The event may rename; a name without ":" that does not begin with "\" or "/" is looked for in
  // each folder of TexturePaths in order and gets the first folder where the file exists.
  std::string TextureFileName(const std::string& fileName);
  // A library material of that name whose texture shows the bitmap (mipmapped, modulated, enabled).
  TGLLibMaterial& AddBitmapMaterial(const std::string& name, const platform::Bitmap& bitmap);

  // The materials in the library's binary archive, version 4: integer 4, TexturePaths, then a list
  // with per library material its Name, Tag, TextureOffset and TextureScale (three singles each),
  // TextureRotate, Texture2Name, the shader's name and the material's stored form (stored_object.h:
  // colours, shininess, blending, options, texture settings, the texture's image class and image
  // data or file name, the link to a library material by name). Reading is all or nothing: another
  // version raises EFilerException "TGLMaterialLibrary : unknown archive version <n>", a cut or
  // broken archive an error of platform::FormatError's tree, and the library keeps what it had.
  // An archive of more than kMaxStoredLibraryMaterials materials is refused ("TGLMaterialLibrary :
  // more than 1024 materials"): every material added looks at the names of all the others.
  // After a read the materials that linked to this library link again to the materials of their
  // names. Named shaders and libraries are looked for among the components of the library's owner.
  void WriteToFiler(TVirtualWriter& writer);
  void ReadFromFiler(TVirtualReader& reader);
  void SaveToStream(platform::Stream& stream);
  void LoadFromStream(platform::Stream& stream);

  // Materials that link to this library; they are unlinked when it goes.
  void LinkMaterial(TGLMaterial* material);
  void UnlinkMaterial(TGLMaterial* material);

 private:
  std::unique_ptr<TGLLibMaterials> materials_;
  std::vector<TGLMaterial*> linked_;
};

// ssHighLevel applies before the material, ssLowLevel (the default) after it, ssReplace instead.
enum TGLShaderStyle : uint8_t { ssHighLevel, ssLowLevel, ssReplace };
enum TGLShaderFailedInitAction : uint8_t { fiaSilentDisable, fiaRaiseStandardException, fiaReRaiseException };

class EGLShaderException : public platform::Exception {
 public:
  using platform::Exception::Exception;
};

class TGLShader : public TGLUpdateAbleComponent {
 public:
  explicit TGLShader(TComponent* owner);
  ~TGLShader() override;
  std::string ClassName() const override { return "TGLShader"; }

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool flag);
  TGLShaderStyle ShaderStyle() const { return style_; }
  void SetShaderStyle(TGLShaderStyle style) { style_ = style; }
  TGLShaderFailedInitAction FailedInitAction = fiaRaiseStandardException;
  bool Initialized() const { return initialized_; }

  // The first time (per run) the initialisation, then the apply step; nothing when disabled.
  void Apply(RenderContextInfo& rci, TObject* sender);
  // True when another pass is wanted.
  bool UnApply(RenderContextInfo& rci);
  void NotifyChange(TObject* sender) override;

  void RegisterUser(TGLLibMaterial* material);
  void UnregisterUser(TGLLibMaterial* material);

 protected:
  virtual bool ShaderSupported() const { return true; }
  virtual void DoInitialize(RenderContextInfo&, TObject*) {}
  virtual void DoApply(RenderContextInfo&, TObject*) {}
  virtual bool DoUnApply(RenderContextInfo&) { return false; }

 private:
  bool enabled_ = true;
  TGLShaderStyle style_ = ssLowLevel;
  bool initialized_ = false;
  std::vector<TGLLibMaterial*> users_;
};

}  // namespace scene3d
