#include "platform/atomic_file.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <filesystem>
#include <random>
#include <system_error>
#include <vector>

#include "platform/exception.h"
#include "platform/texts.h"

namespace platform {

std::string CannotWriteText(const std::string& path, const std::string& why) {
  return TextFormat("1334", "Cannot write file \"%1\" (%2)", {path, why});
}

std::string CannotWriteText(const std::string& path, int error) {
  if (error == EPIPE)
    return CannotWriteText(path, Text("1604", "whatever read it stopped before the end; only part was sent"));
  return CannotWriteText(path, std::generic_category().message(error ? error : EIO));
}

namespace {

namespace fs = std::filesystem;

// As many links as the system itself follows before it calls them a loop.
constexpr int kMaxLinkHops = 40;
constexpr int kNameAttempts = 100;
// A save with a progress bar writes in pieces of this size, so the bar moves during one large write.
constexpr size_t kProgressPiece = size_t(4) << 20;
// What a pipe or device that took nothing for the stall time is told; not an errno of the system.
constexpr int kStalled = -1;

[[noreturn]] void CannotWrite(const std::string& path, const std::string& why) {
  throw FileError(CannotWriteText(path, why));
}

[[noreturn]] void CannotWrite(const std::string& path, int error) {
  if (error == kStalled)
    CannotWrite(path, Text("1603", "it stopped taking data: whatever reads it may have stopped; only part was sent"));
  throw FileError(CannotWriteText(path, error));
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

bool IsStream(mode_t mode) { return S_ISFIFO(mode) || S_ISCHR(mode); }

// The target as it is, and how it may be written. A rename replaces a file whatever its own mode says,
// so a file the user may not write (or one marked read-only, no write bit at all, which binds even an
// administrator) must stay as it is. A rename would also put a plain file where a pipe or a device
// was, so those are written directly; anything else but a file is refused.
void ReadTarget(Replacement& save) {
  struct stat info {};
  if (::stat(save.target.c_str(), &info) != 0) return;  // nothing there yet
  if (IsStream(info.st_mode)) {
    save.stream = true;
    return;
  }
  if (S_ISDIR(info.st_mode)) CannotWrite(save.path, Text("1600", "it is a folder"));
  if (!S_ISREG(info.st_mode))
    CannotWrite(save.path, Text("1601", "it is neither a file, a named pipe nor a character device"));
  if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) CannotWrite(save.path, Text("1336", "it is read-only"));
  if (::access(save.target.c_str(), W_OK) != 0) CannotWrite(save.path, errno);
  save.replacing = true;
  save.mode = info.st_mode & 0777;
  save.owner = info.st_uid;
  save.group = info.st_gid;
}

// A pipe or device opened without waiting: a pipe nobody reads gives no file rather than a program
// that hangs until someone does, and a serial port opens without waiting for its line. Writes stay
// non-blocking, each wait bounded by the stall time.
int OpenStream(const Replacement& save) {
  const int fd = ::open(save.target.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    struct stat info {};
    if (error == ENXIO && ::stat(save.target.c_str(), &info) == 0 && S_ISFIFO(info.st_mode))
      CannotWrite(save.path, Text("1602", "nobody reads the named pipe: start the program that reads it, then save again"));
    CannotWrite(save.path, error);
  }
  // What was a pipe or device when looked at must still be one, or the open could write into a file.
  struct stat opened {};
  if (::fstat(fd, &opened) != 0 || !IsStream(opened.st_mode)) {
    ::close(fd);
    CannotWrite(save.path, Text("1601", "it is neither a file, a named pipe nor a character device"));
  }
  return fd;
}

// A write to a pipe whose reader has gone raises SIGPIPE, which would end the program: the thread holds
// it back while it writes, and takes back unseen one that the writing raised.
class HeldSigpipe {
 public:
  HeldSigpipe() {
    sigemptyset(&pipe_);
    sigaddset(&pipe_, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe_, &earlier_);
    sigset_t pending;
    sigpending(&pending);
    wasPending_ = sigismember(&pending, SIGPIPE) == 1;
  }
  ~HeldSigpipe() {
    sigset_t pending;
    sigpending(&pending);
    if (!wasPending_ && sigismember(&pending, SIGPIPE) == 1) {
      const timespec none{};
      sigtimedwait(&pipe_, nullptr, &none);
    }
    pthread_sigmask(SIG_SETMASK, &earlier_, nullptr);
  }
  HeldSigpipe(const HeldSigpipe&) = delete;
  HeldSigpipe& operator=(const HeldSigpipe&) = delete;

 private:
  sigset_t pipe_{}, earlier_{};
  bool wasPending_ = false;
};

// Writes all of `data` to a pipe or device; 0, an errno, or kStalled when it took nothing for `stall`.
int WriteToStream(int fd, const uint8_t* data, size_t size, std::chrono::milliseconds stall) {
  const HeldSigpipe held;
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
    if (written > 0) {
      data += written;
      size -= static_cast<size_t>(written);
      continue;
    }
    if (written < 0 && errno == EINTR) continue;
    if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      pollfd wait{fd, POLLOUT, 0};
      const int ready = ::poll(&wait, 1, static_cast<int>(stall.count()));
      if (ready == 0) return kStalled;
      if (ready < 0 && errno != EINTR) return errno;
      continue;  // room again, or an error the next write reports
    }
    return written < 0 ? errno : EIO;
  }
  return 0;
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

// The save of `path`: `fd` is the temporary to fill, or the pipe or device itself.
Replacement PrepareSave(const std::string& path, int& fd) {
  Replacement save;
  save.path = path;
  save.target = FinalTarget(path);
  ReadTarget(save);
  fd = save.stream ? OpenStream(save) : CreateTemporary(save);
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

// Sends a file a writer filled by name to the pipe or device `fd`, then closes it; 0 or the error.
int SendFile(const std::string& file, int fd, std::chrono::milliseconds stall) {
  const int in = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  int error = in < 0 ? errno : 0;
  std::vector<uint8_t> piece(size_t(1) << 16);
  while (!error) {
    const ssize_t got = ::read(in, piece.data(), piece.size());
    if (got == 0) break;
    if (got < 0) {
      if (errno != EINTR) error = errno;
      continue;
    }
    error = WriteToStream(fd, piece.data(), static_cast<size_t>(got), stall);
  }
  if (in >= 0) ::close(in);
  if (::close(fd) != 0 && !error) error = errno;
  return error;
}

}  // namespace

AtomicFile::AtomicFile(const std::string& path, std::chrono::milliseconds stall) : stall_(stall) {
  int fd = -1;
  save_ = PrepareSave(path, fd);
  if (save_.stream) {
    stream_ = fd;
    return;
  }
  file_ = ::fdopen(fd, "wb");
  if (file_) return;
  const int error = errno;
  ::close(fd);
  RemoveTemporary(save_);
  CannotWrite(path, error);
}

void IgnoreFileSizeSignal() {
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  ::sigaction(SIGXFSZ, &ignore, nullptr);
}

AtomicFile::~AtomicFile() { Discard(); }

void AtomicFile::Discard() {
  if (stream_ >= 0) {
    ::close(stream_);
    stream_ = -1;
  }
  if (!file_) return;
  std::fclose(file_);
  file_ = nullptr;
  RemoveTemporary(save_);
}

void AtomicFile::Fail(int error) {
  Discard();
  CannotWrite(save_.path, error);
}

void AtomicFile::SetProgress(uint64_t total, SaveProgress progress) {
  total_ = total;
  progress_ = std::move(progress);
  percent_ = -1;
}

void AtomicFile::Put(const void* data, size_t size) {
  if (stream_ >= 0) {
    if (const int error = WriteToStream(stream_, static_cast<const uint8_t*>(data), size, stall_)) Fail(error);
  } else if (!file_) {
    Fail(EBADF);
  } else if (size && std::fwrite(data, 1, size, file_) != size) {
    Fail(errno);
  }
  written_ += size;
  if (!progress_ || total_ == 0) return;
  const int percent = static_cast<int>(std::min<uint64_t>(100, written_ * 100 / total_));
  if (percent > percent_) {
    percent_ = percent;
    progress_(percent);
  }
}

void AtomicFile::Write(const void* data, size_t size) {
  if (!progress_) return Put(data, size);
  const auto* bytes = static_cast<const uint8_t*>(data);
  for (size_t done = 0; done < size; done += kProgressPiece) Put(bytes + done, std::min(kProgressPiece, size - done));
}

void AtomicFile::Commit() {
  if (stream_ >= 0) {
    const int error = ::close(stream_) == 0 ? 0 : errno;
    stream_ = -1;
    if (error) CannotWrite(save_.path, error);
    return;
  }
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
  Replacement save = PrepareSave(path, fd);
  if (save.stream) {
    // The writer fills a private file of the temporary folder (a device's own folder takes none).
    std::error_code noFolder;
    const fs::path folder = fs::temp_directory_path(noFolder);
    std::string name = (folder / "velkora-XXXXXX").string();
    const int made = noFolder ? -1 : ::mkstemp(name.data());
    if (made < 0) {
      // The pipe or device is let go whatever failed, so its reader sees the end.
      const int error = noFolder ? noFolder.value() : errno;
      ::close(fd);
      CannotWrite(path, error);
    }
    ::close(made);
    save.temporary = name;
    try {
      write(save.temporary);
    } catch (...) {
      ::close(fd);
      RemoveTemporary(save);
      throw;
    }
    const int error = SendFile(save.temporary, fd, kStreamStall);
    RemoveTemporary(save);
    if (error) CannotWrite(path, error);
    return;
  }
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
