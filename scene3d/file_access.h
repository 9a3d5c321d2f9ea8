// The one place where the 3D library opens files. An application may put its own streams in place
// of plain files (from a package, from memory) by setting the hooks; the program sets none, so
// every file is a plain file stream.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/stream.h"

namespace scene3d {

using TCreateFileStreamHook = std::function<std::unique_ptr<platform::Stream>(const std::string& fileName, uint16_t mode)>;
using TFileStreamExistsHook = std::function<bool(const std::string& fileName)>;

// Program-wide hooks; an empty function removes one.
void SetFileStreamHooks(TCreateFileStreamHook create, TFileStreamExistsHook exists);

// The create hook's stream when it gives one; otherwise, for platform::fmCreate or a file that
// exists, a plain file stream with `mode`; otherwise platform::FileError
// "File not found: "<fileName>"".
std::unique_ptr<platform::Stream> CreateFileStream(const std::string& fileName, uint16_t mode = platform::fmOpenRead);

// The exists hook's answer when set, else whether the file exists.
bool FileStreamExists(const std::string& fileName);

// True when both hooks are set.
bool FileIOHooksDefined();

}  // namespace scene3d
