#include "scene3d/material_library.h"

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <unordered_set>

#include "scene3d/gl_multitexture.h"
#include "scene3d/matrices.h"
#include "scene3d/scalar_math.h"
#include "scene3d/scene3d_exceptions.h"
#include "scene3d/stored_object.h"
#include "scene3d/texture.h"
#include "scene3d/texture_image.h"

namespace scene3d {

namespace {
constexpr float kRotateEpsilon = 1e-5f;
constexpr const char* kDefaultName = "LibMaterial";

template <class T>
void EraseValue(std::vector<T>& list, const T& value) {
  list.erase(std::remove(list.begin(), list.end(), value), list.end());
}
}  // namespace

uint32_t LibMaterialNameHash(const std::string& name) {
  uint32_t hash = uint32_t(name.size());
  for (unsigned char c : name) hash = c + 2 * hash;
  return hash;
}

// --- Library material -------------------------------------------------------------------------------------------

TGLLibMaterial::TGLLibMaterial(TCollection& collection)
    : material_(std::make_unique<TGLMaterial>(this)),
      textureOffset_(std::make_unique<TGLCoordinates3>(this, NullVector4, ctVector)),
      textureScale_(std::make_unique<TGLCoordinates3>(this, XYZAxisVector, ctVector)) {
  auto* materials = dynamic_cast<TGLLibMaterials*>(&collection);
  name_ = materials ? materials->MakeUniqueName(kDefaultName, this) : kDefaultName;
  nameHash_ = LibMaterialNameHash(name_);
}

TGLLibMaterial::~TGLLibMaterial() {
  // Users first: a material that links here must not apply a freed one.
  for (TObject* user : std::vector<TObject*>(users_)) {
    if (auto* material = dynamic_cast<TGLMaterial*>(user)) {
      material->LibMaterialFreed(this);
    } else if (auto* libMaterial = dynamic_cast<TGLLibMaterial*>(user)) {
      if (libMaterial->texture2_ == this) {
        libMaterial->texture2_ = nullptr;
        libMaterial->texture2Resolved_ = false;
      }
    }
  }
  users_.clear();
  if (texture2_) texture2_->UnregisterUser(this);
  if (shader_) shader_->UnregisterUser(this);
}

TGLMaterialLibrary* TGLLibMaterial::Library() const {
  return Collection() ? dynamic_cast<TGLMaterialLibrary*>(static_cast<TOwnedCollection*>(Collection())->Owner())
                      : nullptr;
}

void TGLLibMaterial::SetName(const std::string& name) {
  auto* materials = dynamic_cast<TGLLibMaterials*>(Collection());
  name_ = materials ? materials->MakeUniqueName(name, this) : name;
  nameHash_ = LibMaterialNameHash(name_);
}

void TGLLibMaterial::SetTextureRotate(float degrees) {
  if (degrees == textureRotate_) return;
  textureRotate_ = degrees;
  CalculateTextureMatrix();
  NotifyUsers();
}

void TGLLibMaterial::SetTexture2Name(const std::string& name) {
  if (texture2_) texture2_->UnregisterUser(this);
  texture2_ = nullptr;
  texture2Resolved_ = false;
  texture2Name_ = name;
  NotifyUsers();
}

void TGLLibMaterial::SetShader(TGLShader* shader) {
  if (shader == shader_) return;
  if (shader_) shader_->UnregisterUser(this);
  shader_ = shader;
  if (shader_) shader_->RegisterUser(this);
  NotifyUsers();
}

void TGLLibMaterial::ShaderFreed(TGLShader* shader) {
  if (shader_ == shader) shader_ = nullptr;
}

void TGLLibMaterial::CoordinatesEdited(TGLCustomCoordinates*) {
  CalculateTextureMatrix();
  NotifyUsers();
}

void TGLLibMaterial::CalculateTextureMatrix() {
  const bool identity = textureOffset_->SameAs(NullVector4) && textureScale_->SameAs(XYZAxisVector) &&
                        std::fabs(textureRotate_) <= kRotateEpsilon;
  textureMatrixIsIdentity_ = identity;
  if (identity) {
    textureMatrix_ = IdentityMatrix;
    return;
  }
  textureMatrix_ = MatrixScaleTranslation(textureScale_->AsAffine(), textureOffset_->AsAffine());
  if (std::fabs(textureRotate_) > kRotateEpsilon)
    textureMatrix_ = MatrixProduct(textureMatrix_, MatrixRotationZ(DegreesToRadiansSingle(textureRotate_)));
}

TGLLibMaterial* TGLLibMaterial::SecondMaterial() {
  if (texture2Name_.empty()) return nullptr;
  if (!texture2Resolved_) {
    texture2Resolved_ = true;
    TGLMaterialLibrary* library = Library();
    texture2_ = library ? library->LibMaterialByName(texture2Name_) : nullptr;
    if (texture2_ == this) texture2_ = nullptr;
    if (texture2_) {
      texture2_->RegisterUser(this);
    } else {
      // An unknown name is forgotten, as the stored name would never resolve.
      texture2Name_.clear();
    }
  }
  return texture2_;
}

void TGLLibMaterial::Apply(RenderContextInfo& rci) {
  TGLMultitextureCoordinator& coordinator = CurrentCoordinator();
  coordinator.BeginUpdate();
  coordinator.MapMain();
  struct Finish {
    TGLMultitextureCoordinator& c;
    ~Finish() { c.EndUpdate(); }
  } finish{coordinator};

  if (shader_ && shader_->ShaderStyle() == ssHighLevel) shader_->Apply(rci, this);
  if (shader_ && shader_->ShaderStyle() == ssReplace) {
    shader_->Apply(rci, this);
    return;
  }
  TGLLibMaterial* second = SecondMaterial();
  textureMatrixLoaded_ = !textureMatrixIsIdentity_;
  if (textureMatrixLoaded_) rci.GLStates->SetTextureMatrix(textureMatrix_);
  material_->Apply(rci);
  secondTextureApplied_ = false;
  if (second && ActiveGLTable().ARB_multitexture && !coordinator.SecondTextureUnitForbidden() &&
      second->material_->HasTexture() && second->material_->Texture().Enabled()) {
    TGLTexture& texture2 = second->material_->Texture();
    texture2.ApplyOnSecondUnit(rci, second->textureMatrixIsIdentity_ ? nullptr : &second->textureMatrix_);
    secondTextureApplied_ = true;
    const bool firstUser = !material_->HasTexture() || material_->Texture().MappingMode() == tmmUser;
    const bool secondUser = texture2.MappingMode() == tmmUser;
    if (firstUser && secondUser) {
      coordinator.MapDual();
    } else if (firstUser) {
      coordinator.MapMain();
    } else if (secondUser) {
      coordinator.MapSecond();
    } else {
      coordinator.MapNull();
    }
  }
  if (shader_ && shader_->ShaderStyle() == ssLowLevel) shader_->Apply(rci, this);
}

bool TGLLibMaterial::UnApply(RenderContextInfo& rci) {
  if (shader_ && (shader_->ShaderStyle() == ssLowLevel || shader_->ShaderStyle() == ssReplace)) {
    if (shader_->UnApply(rci)) return true;
    if (shader_->ShaderStyle() == ssReplace) return false;
  }
  if (secondTextureApplied_ && texture2_) texture2_->material_->Texture().UnApplyOnSecondUnit(rci);
  secondTextureApplied_ = false;
  material_->UnApply(rci);
  if (textureMatrixLoaded_) rci.GLStates->ResetTextureMatrix();
  textureMatrixLoaded_ = false;
  if (shader_ && shader_->ShaderStyle() == ssHighLevel) return shader_->UnApply(rci);
  return false;
}

bool TGLLibMaterial::IsBlended() const { return material_->IsBlended(); }

void TGLLibMaterial::RegisterUser(TObject* user) {
  if (user && user != this && std::find(users_.begin(), users_.end(), user) == users_.end()) users_.push_back(user);
}

void TGLLibMaterial::UnregisterUser(TObject* user) { EraseValue(users_, user); }

void TGLLibMaterial::NotifyUsers() {
  if (notifying_) return;
  notifying_ = true;
  struct Clear {
    bool& flag;
    ~Clear() { flag = false; }
  } clear{notifying_};
  for (TObject* user : std::vector<TObject*>(users_)) {
    if (auto* material = dynamic_cast<TGLMaterial*>(user)) {
      material->NotifyMappingChange();
    } else if (auto* libMaterial = dynamic_cast<TGLLibMaterial*>(user)) {
      libMaterial->NotifyUsers();
    }
  }
}

void TGLLibMaterial::Assign(const TPersistent* source) {
  auto* from = dynamic_cast<const TGLLibMaterial*>(source);
  if (!from) {
    TCollectionItem::Assign(source);
    return;
  }
  SetName(from->name_);
  material_->Assign(from->material_.get());
  Tag = from->Tag;
  textureOffset_->Assign(from->textureOffset_.get());
  textureScale_->Assign(from->textureScale_.get());
  textureRotate_ = from->textureRotate_;
  CalculateTextureMatrix();
  SetTexture2Name(from->texture2Name_);
  SetShader(from->shader_);
}

// --- The collection ----------------------------------------------------------------------------------------------

TGLLibMaterials::TGLLibMaterials(TGLMaterialLibrary* owner) : TOwnedCollection(owner, ItemClassOf<TGLLibMaterial>()) {}

// The items look at the collection (and their users at them) while they go.
TGLLibMaterials::~TGLLibMaterials() { Clear(); }

TGLLibMaterial* TGLLibMaterials::GetLibMaterialByName(const std::string& name) const {
  const uint32_t hash = LibMaterialNameHash(name);
  for (int i = 0; i < Count(); ++i) {
    TGLLibMaterial& item = Item(i);
    if (item.NameHash() == hash && item.Name() == name) return &item;
  }
  return nullptr;
}

std::string TGLLibMaterials::MakeUniqueName(const std::string& name, const TGLLibMaterial* except) const {
  // The names taken, gathered once: probing each number against every item made adding n materials
  // take n³ steps, minutes for a library archive of a few thousand.
  std::unordered_set<std::string_view> taken;
  for (int i = 0; i < Count(); ++i) {
    const TGLLibMaterial& item = Item(i);
    if (&item != except) taken.insert(item.Name());
  }
  if (!taken.contains(name)) return name;
  for (int n = 1;; ++n) {
    std::string candidate = name + std::to_string(n);
    if (!taken.contains(candidate)) return candidate;
  }
}

// --- The library -----------------------------------------------------------------------------------------------------

TGLMaterialLibrary::TGLMaterialLibrary(TComponent* owner)
    : TGLCadenceAbleComponent(owner), materials_(std::make_unique<TGLLibMaterials>(this)) {}

TGLMaterialLibrary::~TGLMaterialLibrary() {
  materials_.reset();
  for (TGLMaterial* material : std::vector<TGLMaterial*>(linked_)) material->SetMaterialLibrary(nullptr);
}

TGLLibMaterial* TGLMaterialLibrary::LibMaterialByName(const std::string& name) const {
  return materials_ ? materials_->GetLibMaterialByName(name) : nullptr;
}

void TGLMaterialLibrary::LinkMaterial(TGLMaterial* material) {
  if (std::find(linked_.begin(), linked_.end(), material) == linked_.end()) linked_.push_back(material);
}

void TGLMaterialLibrary::UnlinkMaterial(TGLMaterial* material) { EraseValue(linked_, material); }

std::string TGLMaterialLibrary::TextureFileName(const std::string& fileName) {
  std::string name = fileName;
  if (OnTextureNeeded) OnTextureNeeded(this, name);
  if (name.find(':') != std::string::npos || name.empty() || name[0] == '\\' || name[0] == '/') return name;
  size_t start = 0;
  while (start <= TexturePaths.size()) {
    size_t end = TexturePaths.find(';', start);
    if (end == std::string::npos) end = TexturePaths.size();
    std::string folder = TexturePaths.substr(start, end - start);
    folder.erase(0, folder.find_first_not_of(" \t"));
    folder.erase(folder.find_last_not_of(" \t") + 1);
    if (!folder.empty()) {
      if (folder.back() != '/' && folder.back() != '\\') folder += '/';
      std::error_code error;
      if (std::filesystem::exists(folder + name, error)) return folder + name;
    }
    start = end + 1;
  }
  return name;
}

namespace {
constexpr int32_t kLibraryArchiveVersion = 4;

void WriteAffine(TVirtualWriter& writer, const TVector4f& v) {
  for (int i = 0; i < 3; ++i) writer.WriteFloat(v[i]);
}

// X, Y and Z; W stays as it is.
void ReadAffine(TVirtualReader& reader, TGLCoordinates3& coordinates) {
  TVector4f v = coordinates.Value();
  for (int i = 0; i < 3; ++i) v[i] = static_cast<float>(reader.ReadFloat());
  coordinates.SetXYZW(v.x, v.y, v.z, v.w);
}
}  // namespace

void TGLMaterialLibrary::WriteToFiler(TVirtualWriter& writer) {
  writer.WriteInteger(kLibraryArchiveVersion);
  writer.WriteString(TexturePaths);
  writer.WriteListBegin();
  for (int i = 0; i < materials_->Count(); ++i) {
    TGLLibMaterial& item = materials_->Item(i);
    writer.WriteString(item.Name());
    writer.WriteInteger(item.Tag);
    WriteAffine(writer, item.TextureOffset().Value());
    WriteAffine(writer, item.TextureScale().Value());
    writer.WriteFloat(item.TextureRotate());
    writer.WriteString(item.Texture2Name());
    writer.WriteString(item.Shader() ? item.Shader()->Name() : std::string());
    WriteStoredProperties(writer, StoreObject(item.Material()));
  }
  writer.WriteListEnd();
}

void TGLMaterialLibrary::ReadFromFiler(TVirtualReader& reader) {
  const int32_t version = reader.ReadInteger();
  if (version != kLibraryArchiveVersion)
    throw EFilerException(ClassName() + " : unknown archive version " + std::to_string(version));
  TStoredReferenceScope scope(Owner() ? Owner() : this);
  // The archive goes into a library of its own first, so that nothing here changes unless all of it
  // reads.
  TGLMaterialLibrary read(nullptr);
  read.TexturePaths = reader.ReadString();
  reader.ReadListBegin();
  while (!reader.EndOfList()) {
    if (read.materials_->Count() >= kMaxStoredLibraryMaterials)
      throw EFilerException(ClassName() + " : more than " + std::to_string(kMaxStoredLibraryMaterials) +
                            " materials");
    TGLLibMaterial& item = read.materials_->Add();
    item.SetName(reader.ReadString());
    item.Tag = reader.ReadInteger();
    ReadAffine(reader, item.TextureOffset());
    ReadAffine(reader, item.TextureScale());
    item.SetTextureRotate(static_cast<float>(reader.ReadFloat()));
    item.SetTexture2Name(reader.ReadString());
    item.SetShader(dynamic_cast<TGLShader*>(FindStoredComponent(reader.ReadString())));
    LoadObject(item.Material(), ReadStoredProperties(reader));
  }
  reader.ReadListEnd();

  // Freeing the old items unlinks the materials that use them; they find their names again after.
  // The library's own materials are among them but go with their items: only the others are kept.
  std::vector<TGLMaterial*> own;
  for (int i = 0; i < materials_->Count(); ++i) own.push_back(&materials_->Item(i).Material());
  std::vector<std::pair<TGLMaterial*, std::string>> users;
  for (TGLMaterial* material : linked_) {
    if (std::find(own.begin(), own.end(), material) == own.end())
      users.emplace_back(material, material->LibMaterialName());
  }
  // So do the links the read materials have to this library's old items: their names are kept aside.
  std::vector<std::pair<bool, std::string>> readLinks;
  for (int i = 0; i < read.materials_->Count(); ++i) {
    TGLMaterial& material = read.materials_->Item(i).Material();
    readLinks.emplace_back(material.MaterialLibrary() == this, material.LibMaterialName());
  }
  TexturePaths = read.TexturePaths;
  materials_->Assign(read.materials_.get());
  for (auto& [material, name] : users) {
    if (material->MaterialLibrary() == this) material->SetLibMaterialName(name);
  }
  for (int i = 0; i < materials_->Count() && i < int(readLinks.size()); ++i) {
    if (readLinks[size_t(i)].first) materials_->Item(i).Material().SetLibMaterialName(readLinks[size_t(i)].second);
  }
}

void TGLMaterialLibrary::SaveToStream(platform::Stream& stream) {
  TBinaryWriter writer(stream);
  WriteToFiler(writer);
}

void TGLMaterialLibrary::LoadFromStream(platform::Stream& stream) {
  TBinaryReader reader(stream);
  ReadFromFiler(reader);
}

TGLLibMaterial& TGLMaterialLibrary::AddBitmapMaterial(const std::string& name, const platform::Bitmap& bitmap) {
  TGLLibMaterial& item = materials_->Add();
  item.SetName(name);
  TGLTexture& texture = item.Material().Texture();
  texture.SetMinFilter(miLinearMipmapLinear);
  texture.SetMagFilter(maLinear);
  texture.SetTextureMode(tmModulate);
  texture.SetDisabled(false);
  texture.SetImageClassName("TGLPersistentImage");
  static_cast<TGLPersistentImage&>(texture.Image()).SetPicture(bitmap);
  return item;
}

// --- Shader --------------------------------------------------------------------------------------------------------

TGLShader::TGLShader(TComponent* owner) : TGLUpdateAbleComponent(owner) {}

TGLShader::~TGLShader() {
  for (TGLLibMaterial* user : std::vector<TGLLibMaterial*>(users_)) user->ShaderFreed(this);
}

void TGLShader::SetEnabled(bool flag) {
  if (StoreChanged(enabled_, flag)) NotifyChange(this);
}

void TGLShader::Apply(RenderContextInfo& rci, TObject* sender) {
  if (!enabled_) return;
  if (!initialized_) {
    if (!ShaderSupported()) {
      const std::string text =
          "Your hardware/driver doesn't support shader \"" + (Name().empty() ? ClassName() : Name()) + "\"!";
      enabled_ = false;
      if (FailedInitAction == fiaSilentDisable) return;
      throw EGLShaderException(text);
    }
    try {
      DoInitialize(rci, sender);
    } catch (...) {
      enabled_ = false;
      if (FailedInitAction == fiaSilentDisable) return;
      throw;
    }
    initialized_ = true;
  }
  DoApply(rci, sender);
}

bool TGLShader::UnApply(RenderContextInfo& rci) { return enabled_ && initialized_ && DoUnApply(rci); }

void TGLShader::NotifyChange(TObject* sender) {
  for (TGLLibMaterial* user : std::vector<TGLLibMaterial*>(users_)) user->NotifyUsers();
  TGLUpdateAbleComponent::NotifyChange(sender);
}

void TGLShader::RegisterUser(TGLLibMaterial* material) {
  if (std::find(users_.begin(), users_.end(), material) == users_.end()) users_.push_back(material);
}

void TGLShader::UnregisterUser(TGLLibMaterial* material) { EraseValue(users_, material); }

}  // namespace scene3d
