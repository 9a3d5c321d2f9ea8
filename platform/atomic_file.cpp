#include "platform/atomic_file.h"

#include <filesystem>

#include "platform/exception.h"

namespace platform {

AtomicFile::AtomicFile(const std::string& path) : path_(path), temp_(path + ".tmp~") {
  file_ = std::fopen(temp_.c_str(), "wb");
  if (!file_) throw FileError("Cannot write file \"" + path_ + "\"");
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
  throw FileError("Cannot write file \"" + path_ + "\"");
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
  std::error_code error;
  if (flushed && closed) std::filesystem::rename(temp_, path_, error);
  if (!flushed || !closed || error) {
    std::filesystem::remove(temp_, error);
    throw FileError("Cannot write file \"" + path_ + "\"");
  }
}

}  // namespace platform
