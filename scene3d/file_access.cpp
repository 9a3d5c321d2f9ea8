#include "scene3d/file_access.h"

#include "platform/binary_stream.h"

namespace scene3d {

namespace {
struct Hooks {
  TCreateFileStreamHook create;
  TFileStreamExistsHook exists;
};
Hooks& FileHooks() {
  static Hooks hooks;
  return hooks;
}
}  // namespace

void SetFileStreamHooks(TCreateFileStreamHook create, TFileStreamExistsHook exists) {
  FileHooks() = {std::move(create), std::move(exists)};
}

std::unique_ptr<platform::Stream> CreateFileStream(const std::string& fileName, uint16_t mode) {
  std::unique_ptr<platform::Stream> stream;
  if (FileHooks().create) stream = FileHooks().create(fileName, mode);
  if (stream) return stream;
  if (mode == platform::fmCreate || platform::FileExists(fileName))
    return std::make_unique<platform::FileStream>(fileName, mode);
  throw platform::FileError("File not found: \"" + fileName + "\"");
}

bool FileStreamExists(const std::string& fileName) {
  if (FileHooks().exists) return FileHooks().exists(fileName);
  return platform::FileExists(fileName);
}

bool FileIOHooksDefined() { return FileHooks().create && FileHooks().exists; }

}  // namespace scene3d
