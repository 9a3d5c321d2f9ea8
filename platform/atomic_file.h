// A file written beside its target and renamed over it once complete, so a write that fails half-way
// (a full disk, a folder that takes no file) leaves the earlier file whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace platform {

class AtomicFile {
 public:
  // Creates the temporary file "<path>.tmp~"; FileError "Cannot write file "<path>"" when it cannot.
  explicit AtomicFile(const std::string& path);
  // Without Commit the temporary goes and the target stays as it was.
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Appends; FileError when the bytes are refused.
  void Write(const void* data, size_t size);
  // Flushes, closes and renames the temporary over the target; FileError when any of it fails.
  void Commit();

  const std::string& Path() const { return path_; }

 private:
  [[noreturn]] void Fail();
  void Discard();

  std::string path_;
  std::string temp_;
  std::FILE* file_ = nullptr;
};

}  // namespace platform
