#include "platform/atomic_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/exception.h"

namespace platform {

namespace {

std::string TemporaryOf(const std::string& path) { return path + ".tmp~"; }

[[noreturn]] void CannotWrite(const std::string& path) { throw FileError("Cannot write file \"" + path + "\""); }

// A rename replaces a file whatever its own mode says; a file the user may not write (or one marked
// read-only, no write bit at all, which binds even an administrator) must stay as it is.
void CheckReplaceable(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return;  // nothing there yet
  const bool noWriteBit = (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
  if (noWriteBit || ::access(path.c_str(), W_OK) != 0) CannotWrite(path);
}

// Renames a complete temporary over the target; the temporary goes when that fails.
void ReplaceTarget(const std::string& temp, const std::string& path) {
  std::error_code error;
  std::filesystem::rename(temp, path, error);
  if (!error) return;
  std::filesystem::remove(temp, error);
  CannotWrite(path);
}

}  // namespace

AtomicFile::AtomicFile(const std::string& path) : path_(path), temp_(TemporaryOf(path)) {
  CheckReplaceable(path_);
  file_ = std::fopen(temp_.c_str(), "wb");
  if (!file_) CannotWrite(path_);
}

AtomicFile::~AtomicFile() { Discard(); }

void AtomicFile::Discard() {
  if (!file_) return;
  std::fclose(file_);
  file_ = nullptr;
  std::error_code ignored;
  std::filesystem::remove(temp_, ignored);
}

void AtomicFile::Fail() {
  Discard();
  CannotWrite(path_);
}

void AtomicFile::Write(const void* data, size_t size) {
  if (!file_) Fail();
  if (size && std::fwrite(data, 1, size, file_) != size) Fail();
}

void AtomicFile::Commit() {
  if (!file_) Fail();
  const bool flushed = std::fflush(file_) == 0 && !std::ferror(file_);
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  if (flushed && closed) return ReplaceTarget(temp_, path_);
  std::error_code ignored;
  std::filesystem::remove(temp_, ignored);
  CannotWrite(path_);
}

void WriteThroughTemporary(const std::string& path, const std::function<void(const std::string& temporary)>& write) {
  CheckReplaceable(path);
  const std::string temp = TemporaryOf(path);
  std::error_code error;
  const auto status = std::filesystem::symlink_status(temp, error);
  if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) CannotWrite(path);
  try {
    write(temp);
  } catch (...) {
    std::filesystem::remove(temp, error);
    throw;
  }
  ReplaceTarget(temp, path);
}

}  // namespace platform
