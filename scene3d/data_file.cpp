#include "scene3d/data_file.h"

#include <filesystem>
#include <typeinfo>

#include "scene3d/file_access.h"

namespace scene3d {

std::unique_ptr<TDataFile> TDataFile::CreateCopy(TPersistent* owner) const {
  if (typeid(*this) != typeid(TDataFile))
    throw platform::Exception(ClassName() + ".CreateCopy: the class does not override CreateCopy");
  return std::make_unique<TDataFile>(owner);
}

void TDataFile::LoadFromFile(const std::string& fileName) {
  resourceName_ = std::filesystem::path(fileName).filename().string();
  std::unique_ptr<platform::Stream> file = CreateFileStream(fileName, platform::fmOpenRead | platform::fmShareDenyNone);
  LoadFromStream(*file);
}

void TDataFile::SaveToFile(const std::string& fileName) {
  resourceName_ = std::filesystem::path(fileName).filename().string();
  platform::MemoryStream data;
  SaveToStream(data);
  std::unique_ptr<platform::Stream> file = CreateFileStream(fileName, platform::fmCreate);
  file->WriteBuffer(data.Data().data(), data.Data().size());
  file->Flush();
}

void TDataFile::LoadFromStream(platform::Stream&) {}

void TDataFile::SaveToStream(platform::Stream&) {}

void TDataFile::Initialize() {}

}  // namespace scene3d
