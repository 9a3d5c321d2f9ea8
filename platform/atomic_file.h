// A file written beside its target and renamed over it once complete, so a write that fails half-way
// (a full disk, a folder that takes no file) leaves the earlier file whole. A save keeps what the file
// is: through a symbolic link it writes the file the link names, and the new file keeps the old one's
// permission bits (and, where the process may, its owner and group). A named pipe or a character
// device (a serial port) is no file to replace: it is written directly, and only once something reads
// it. A folder, a socket or a block device is refused.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

namespace platform {

// What a failed save says, as every save says it: the file the user named and why (a reason, or the
// errno the system gave).
std::string CannotWriteText(const std::string& path, const std::string& why);
std::string CannotWriteText(const std::string& path, int error);

// How far a save has come, 0 to 100, called each time the number grows.
using SaveProgress = std::function<void(int percent)>;

// How long a pipe or device may take nothing before the save gives up on it.
inline constexpr std::chrono::milliseconds kStreamStall{30000};

// What one save replaces, and the temporary it fills first.
struct Replacement {
  std::string path;    // as the caller named it, for messages
  std::string target;  // the file replaced: `path` with its symbolic links followed
  std::string temporary;
  bool replacing = false;  // `target` exists: its mode, owner and group pass to the new file
  bool stream = false;     // `target` is a named pipe or a character device, written directly
  mode_t mode = 0;
  uid_t owner = 0;
  gid_t group = 0;
};

class AtomicFile {
 public:
  // Creates a temporary file of a name no file has, beside the file `path` finally names, or opens the
  // pipe or device it names; FileError "Cannot write file "<path>" (why)" when it cannot (a pipe
  // nobody reads among them). `stall` bounds the wait of a pipe or device that takes nothing.
  explicit AtomicFile(const std::string& path, std::chrono::milliseconds stall = kStreamStall);
  // Without Commit the temporary goes and the target stays as it was.
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Reports to `progress` as the bytes written approach `total`.
  void SetProgress(uint64_t total, SaveProgress progress);
  // Appends; FileError when the bytes are refused.
  void Write(const void* data, size_t size);
  // Flushes, closes and renames the temporary over the target (a pipe or device is closed);
  // FileError when any of it fails.
  void Commit();

  const std::string& Path() const { return save_.path; }

 private:
  [[noreturn]] void Fail(int error);
  void Discard();
  void Put(const void* data, size_t size);

  Replacement save_;
  std::FILE* file_ = nullptr;
  int stream_ = -1;
  std::chrono::milliseconds stall_;
  uint64_t total_ = 0, written_ = 0;
  int percent_ = -1;
  SaveProgress progress_;
};

// Makes a write past the process's file-size limit (ulimit -f) fail with EFBIG instead of ending the
// program with SIGXFSZ, so that a save beyond the limit reports its message and removes its temporary
// like any other failed save. Called once at start-up; program-wide, as signal dispositions are.
void IgnoreFileSizeSignal();

// The same for writers that open their file by name: `write` fills a temporary made as above, which
// is then renamed over the file `path` names (or, for a pipe or device, a private temporary that is
// then sent to it). When `write` raises, or the rename fails (FileError), the temporary goes and the
// target stays as it was.
void WriteThroughTemporary(const std::string& path, const std::function<void(const std::string& temporary)>& write);

}  // namespace platform
