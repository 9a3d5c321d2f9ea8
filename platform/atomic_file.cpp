#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <random>
#include <system_error>

#include "platform/exception.h"
#include "platform/texts.h"

namespace platform {

namespace {

namespace fs = std::filesystem;

// As many links as the system itself follows before it calls them a loop.
constexpr int kMaxLinkHops = 40;
constexpr int kNameAttempts = 100;

[[noreturn]] void CannotWrite(const std::string& path, const std::string& why) {
  throw FileError(TextFormat("1334", "Cannot write file \"%1\" (%2)", {path, why}));
}

[[noreturn]] void CannotWrite(const std::string& path, int error) {
  CannotWrite(path, std::generic_category().message(error));
}

void RemoveTemporary(const Replacement& save) {
  std::error_code ignored;
  fs::remove(save.temporary, ignored);
}

// The file a chain of symbolic links ends in, which need not exist yet (a dangling link is followed
// too). A relative link is read against the folder of the link itself.
std::string FinalTarget(const std::string& path) {
  fs::path current = path;
  for (int hops = 0;; ++hops) {
    std::error_code error;
    if (!fs::is_symlink(fs::symlink_status(current, error))) return current.string();
    if (hops == kMaxLinkHops) CannotWrite(path, Text("1335", "its symbolic links go round in a loop"));
    const fs::path next = fs::read_symlink(current, error);
    if (error) CannotWrite(path, error.value());
    current = next.is_absolute() ? next : current.parent_path() / next;
  }
}

// The target as it is, and whether it may be replaced: a rename replaces a file whatever its own mode
// says, so a file the user may not write (or one marked read-only, no write bit at all, which binds even
// an administrator) must stay as it is.
void ReadTarget(Replacement& save) {
  struct stat info {};
  if (::stat(save.target.c_str(), &info) != 0) return;  // nothing there yet
  if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) CannotWrite(save.path, Text("1336", "it is read-only"));
  if (::access(save.target.c_str(), W_OK) != 0) CannotWrite(save.path, errno);
  save.replacing = true;
  save.mode = info.st_mode & 0777;
  save.owner = info.st_uid;
  save.group = info.st_gid;
}

// A temporary beside the target under a name no file has: O_EXCL neither follows a link nor opens
// anything that exists. It is made for the owner alone when it is to take the old file's mode, else
// as a plain create would make it (the system applies the umask).
int CreateTemporary(Replacement& save) {
  thread_local std::mt19937 names{std::random_device{}()};
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, ".%06x.tmp~", static_cast<unsigned>(names() & 0xFFFFFF));
    save.temporary = save.target + suffix;
    const int fd = ::open(save.temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, save.replacing ? 0600 : 0666);
    if (fd >= 0) return fd;
    if (errno != EEXIST) CannotWrite(save.path, errno);
  }
  CannotWrite(save.path, EEXIST);
}

Replacement PrepareSave(const std::string& path, int& fd) {
  Replacement save;
  save.path = path;
  save.target = FinalTarget(path);
  ReadTarget(save);
  fd = CreateTemporary(save);
  return save;
}

// The old file's owner and group where the process may, then its permission bits (after the owner, as a
// change of owner may clear bits). A group that could not be kept loses the group's bits, so no other
// group gains what the old one had. Returns 0 or the error.
int KeepAccess(const Replacement& save, int fd) {
  if (!save.replacing) return 0;
  struct stat made {};
  if (::fstat(fd, &made) != 0) return errno;
  mode_t mode = save.mode;
  bool groupKept = made.st_gid == save.group;
  if (made.st_uid != save.owner || !groupKept) {
    // An administrator may give the file away; a user may give it a group of their own.
    groupKept = ::fchown(fd, save.owner, save.group) == 0 || groupKept ||
                ::fchown(fd, static_cast<uid_t>(-1), save.group) == 0;
  }
  if (!groupKept) mode &= ~static_cast<mode_t>(S_IRWXG);
  return ::fchmod(fd, mode) == 0 ? 0 : errno;
}

// Renames a complete temporary over the target; the temporary goes when that fails.
void ReplaceTarget(const Replacement& save) {
  if (::rename(save.temporary.c_str(), save.target.c_str()) == 0) return;
  const int error = errno;
  RemoveTemporary(save);
  CannotWrite(save.path, error);
}

}  // namespace

AtomicFile::AtomicFile(const std::string& path) {
  int fd = -1;
  save_ = PrepareSave(path, fd);
  file_ = ::fdopen(fd, "wb");
  if (file_) return;
  const int error = errno;
  ::close(fd);
  RemoveTemporary(save_);
  CannotWrite(path, error);
}

AtomicFile::~AtomicFile() { Discard(); }

void AtomicFile::Discard() {
  if (!file_) return;
  std::fclose(file_);
  file_ = nullptr;
  RemoveTemporary(save_);
}

void AtomicFile::Fail(int error) {
  Discard();
  CannotWrite(save_.path, error);
}

void AtomicFile::Write(const void* data, size_t size) {
  if (!file_) Fail(EBADF);
  if (size && std::fwrite(data, 1, size, file_) != size) Fail(errno);
}

void AtomicFile::Commit() {
  if (!file_) Fail(EBADF);
  errno = 0;  // an error flagged by an earlier write leaves none of its own
  int error = std::fflush(file_) == 0 && !std::ferror(file_) ? 0 : (errno ? errno : EIO);
  if (!error) error = KeepAccess(save_, ::fileno(file_));
  if (std::fclose(file_) != 0 && !error) error = errno;
  file_ = nullptr;
  if (!error) return ReplaceTarget(save_);
  RemoveTemporary(save_);
  CannotWrite(save_.path, error);
}

void WriteThroughTemporary(const std::string& path, const std::function<void(const std::string& temporary)>& write) {
  int fd = -1;
  const Replacement save = PrepareSave(path, fd);
  ::close(fd);
  try {
    write(save.temporary);
  } catch (...) {
    RemoveTemporary(save);
    throw;
  }
  // The writer opened the file by name, and may have made it anew: its access is set on what it left.
  fd = ::open(save.temporary.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  const int error = fd < 0 ? errno : KeepAccess(save, fd);
  if (fd >= 0) ::close(fd);
  if (error) {
    RemoveTemporary(save);
    CannotWrite(path, error);
  }
  ReplaceTarget(save);
}

}  // namespace platform
