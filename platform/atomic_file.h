// A file written beside its target and renamed over it once complete, so a write that fails half-way
// (a full disk, a folder that takes no file) leaves the earlier file whole. A save keeps what the file
// is: through a symbolic link it writes the file the link names, and the new file keeps the old one's
// permission bits (and, where the process may, its owner and group).
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

namespace platform {

// What one save replaces, and the temporary it fills first.
struct Replacement {
  std::string path;    // as the caller named it, for messages
  std::string target;  // the file replaced: `path` with its symbolic links followed
  std::string temporary;
  bool replacing = false;  // `target` exists: its mode, owner and group pass to the new file
  mode_t mode = 0;
  uid_t owner = 0;
  gid_t group = 0;
};

class AtomicFile {
 public:
  // Creates a temporary file of a name no file has, beside the file `path` finally names; FileError
  // "Cannot write file "<path>" (why)" when it cannot.
  explicit AtomicFile(const std::string& path);
  // Without Commit the temporary goes and the target stays as it was.
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Appends; FileError when the bytes are refused.
  void Write(const void* data, size_t size);
  // Flushes, closes and renames the temporary over the target; FileError when any of it fails.
  void Commit();

  const std::string& Path() const { return save_.path; }

 private:
  [[noreturn]] void Fail(int error);
  void Discard();

  Replacement save_;
  std::FILE* file_ = nullptr;
};

// The same for writers that open their file by name: `write` fills a temporary made as above, which
// is then renamed over the file `path` names. When `write` raises, or the rename fails (FileError),
// the temporary goes and the target stays as it was.
void WriteThroughTemporary(const std::string& path, const std::function<void(const std::string& temporary)>& write);

}  // namespace platform
