#include "platform/stream.h"

#include "platform/binary_stream.h"
#include "platform/texts.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace platform {

void Stream::ReadBuffer(void* buffer, size_t count) {
  if (count > Remaining()) throw ReadError(Text("1338", "Stream read error"));
  uint64_t start = Position();
  if (Read(buffer, count) != count) {
    SetPosition(start);
    throw ReadError(Text("1338", "Stream read error"));
  }
}

void Stream::WriteBuffer(const void* buffer, size_t count) {
  if (Write(buffer, count) != count) throw WriteError(Text("1339", "Stream write error"));
}

size_t MemoryStream::Read(void* buffer, size_t count) {
  size_t n = std::min(count, bytes_.size() - position_);
  if (n) std::memcpy(buffer, bytes_.data() + position_, n);
  position_ += n;
  return n;
}

size_t MemoryStream::Write(const void* buffer, size_t count) {
  if (count == 0) return 0;
  if (position_ + count > bytes_.size()) bytes_.resize(position_ + count);
  std::memcpy(bytes_.data() + position_, buffer, count);
  position_ += count;
  return count;
}

void MemoryStream::SetPosition(uint64_t position) {
  if (position > bytes_.size()) throw ReadError(Text("1340", "Stream position beyond the end"));
  position_ = static_cast<size_t>(position);
}

FileStream::FileStream(const std::string& fileName, uint16_t mode) : fileName_(fileName) {
  const char* how = "rb";
  if (mode == fmCreate) {
    how = "w+b";
  } else if ((mode & 0x3) != fmOpenRead) {
    how = "r+b";
  }
  if (std::string_view(how) == "rb") {
    // Reading takes only a regular file: a named pipe would wait for a writer, a folder is no file.
    FileDescriptor fd = OpenRegularFile(fileName);
    if (fd.Valid()) {
      file_ = ::fdopen(fd.Get(), how);
      if (file_) fd.Release();
    }
  } else {
    // fopen happily opens a folder on some systems; a folder is no file.
    std::error_code ec;
    if (!std::filesystem::is_directory(fileName, ec)) file_ = std::fopen(fileName.c_str(), how);
  }
  if (!file_)
    throw FileError(mode == fmCreate ? TextFormat("1333", "Cannot create file \"%1\"", {fileName})
                                     : TextFormat("1330", "Cannot open file \"%1\"", {fileName}));
  writable_ = mode == fmCreate || (mode & 0x3) != fmOpenRead;
  if (std::fseek(file_, 0, SEEK_END) == 0) {
    long end = std::ftell(file_);
    if (end > 0) size_ = static_cast<uint64_t>(end);
  }
  std::fseek(file_, 0, SEEK_SET);
}

FileStream::~FileStream() {
  if (file_) std::fclose(file_);
}

void FileStream::Flush() {
  if (std::fflush(file_) != 0) throw WriteError(Text("1339", "Stream write error"));
}

// C streams must be repositioned between a write and a read (and back).
void FileStream::SwitchTo(bool writing) {
  if (writing != writing_) std::fseek(file_, static_cast<long>(position_), SEEK_SET);
  writing_ = writing;
}

size_t FileStream::Read(void* buffer, size_t count) {
  SwitchTo(false);
  size_t n = std::fread(buffer, 1, static_cast<size_t>(std::min<uint64_t>(count, Remaining())), file_);
  position_ += n;
  return n;
}

size_t FileStream::Write(const void* buffer, size_t count) {
  if (!writable_ || count == 0) return 0;
  SwitchTo(true);
  size_t n = std::fwrite(buffer, 1, count, file_);
  position_ += n;
  size_ = std::max(size_, position_);
  return n;
}

void FileStream::SetPosition(uint64_t position) {
  if (position > size_ || std::fseek(file_, static_cast<long>(position), SEEK_SET) != 0)
    throw ReadError(Text("1340", "Stream position beyond the end"));
  position_ = position;
  writing_ = false;
}

}  // namespace platform
