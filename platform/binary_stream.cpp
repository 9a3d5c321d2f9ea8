#include "platform/binary_stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/atomic_file.h"
#include "platform/exception.h"
#include "platform/texts.h"

namespace platform {

void ByteReader::Require(size_t count) const {
  if (count > size_ - pos_)
    throw FormatError("Unexpected end of data: " + std::to_string(count) + " bytes needed at offset " +
                      std::to_string(pos_) + ", " + std::to_string(size_ - pos_) + " left");
}

void ByteReader::Seek(size_t position) {
  if (position > size_) throw FormatError("Seek beyond the end of data (offset " + std::to_string(position) + ")");
  pos_ = position;
}

void ByteReader::Skip(size_t count) {
  Require(count);
  pos_ += count;
}

uint8_t ByteReader::U8() {
  Require(1);
  return data_[pos_++];
}

uint16_t ByteReader::U16() {
  Require(2);
  uint16_t v = static_cast<uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
  pos_ += 2;
  return v;
}

uint16_t ByteReader::U16BigEndian() {
  Require(2);
  uint16_t v = static_cast<uint16_t>((data_[pos_] << 8) | data_[pos_ + 1]);
  pos_ += 2;
  return v;
}

uint32_t ByteReader::U32() {
  Require(4);
  uint32_t v = static_cast<uint32_t>(data_[pos_]) | (static_cast<uint32_t>(data_[pos_ + 1]) << 8) |
               (static_cast<uint32_t>(data_[pos_ + 2]) << 16) | (static_cast<uint32_t>(data_[pos_ + 3]) << 24);
  pos_ += 4;
  return v;
}

float ByteReader::F32() {
  uint32_t bits = U32();
  float v;
  std::memcpy(&v, &bits, 4);
  return v;
}

double ByteReader::F64() {
  uint64_t lo = U32();
  uint64_t hi = U32();
  uint64_t bits = lo | (hi << 32);
  double v;
  std::memcpy(&v, &bits, 8);
  return v;
}

void ByteReader::Read(void* out, size_t count) {
  Require(count);
  if (count) std::memcpy(out, data_ + pos_, count);
  pos_ += count;
}

Bytes ByteReader::ReadBytes(size_t count) {
  Require(count);
  Bytes out(data_ + pos_, data_ + pos_ + count);
  pos_ += count;
  return out;
}

// Whole values are appended at once: byte-wise appends cost more than the data they write.
void ByteWriter::U16(uint16_t v) {
  const uint8_t b[2] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)};
  bytes_.insert(bytes_.end(), b, b + 2);
}

void ByteWriter::U32(uint32_t v) {
  const uint8_t b[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
                        static_cast<uint8_t>(v >> 24)};
  bytes_.insert(bytes_.end(), b, b + 4);
}

void ByteWriter::F32(float v) {
  uint32_t bits;
  std::memcpy(&bits, &v, 4);
  U32(bits);
}

void ByteWriter::F64(double v) {
  uint64_t bits;
  std::memcpy(&bits, &v, 8);
  uint8_t b[8];
  for (int i = 0; i < 8; ++i) b[i] = static_cast<uint8_t>(bits >> (8 * i));
  bytes_.insert(bytes_.end(), b, b + 8);
}

void ByteWriter::Write(const void* data, size_t count) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  bytes_.insert(bytes_.end(), p, p + count);
}

void ByteWriter::PatchU32(size_t position, uint32_t v) {
  if (position + 4 > bytes_.size()) throw FormatError("Patch beyond the end of data");
  for (int i = 0; i < 4; ++i) bytes_[position + i] = static_cast<uint8_t>(v >> (8 * i));
}

FileDescriptor::~FileDescriptor() {
  if (fd_ >= 0) ::close(fd_);
}

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

int FileDescriptor::Release() {
  const int fd = fd_;
  fd_ = -1;
  return fd;
}

FileDescriptor OpenRegularFile(const std::string& path) {
  // Non-blocking, so that a pipe's open returns at once and fstat can tell what was opened.
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!file.Valid()) return file;
  struct stat status {};
  if (::fstat(file.Get(), &status) != 0) return FileDescriptor();
  if (!S_ISREG(status.st_mode))
    throw FileError(TextFormat("1800", "Cannot open \"%1\": it is no regular file (a named pipe, a device or a folder).",
                               {path}));
  // A regular file reads the same either way; the flag is cleared for the readers that follow.
  const int flags = ::fcntl(file.Get(), F_GETFL);
  if (flags >= 0) ::fcntl(file.Get(), F_SETFL, flags & ~O_NONBLOCK);
  return file;
}

int64_t ReadFully(int fd, void* buffer, size_t count) {
  auto* out = static_cast<uint8_t*>(buffer);
  size_t done = 0;
  while (done < count) {
    const ssize_t got = ::read(fd, out + done, count - done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return -1;
    if (got == 0) break;
    done += static_cast<size_t>(got);
  }
  return static_cast<int64_t>(done);
}

Bytes ReadFileBytes(const std::string& path, size_t maxSize) {
  const FileDescriptor file = OpenRegularFile(path);
  if (!file.Valid()) throw FileError(TextFormat("1330", "Cannot open file \"%1\"", {path}));
  struct stat status {};
  if (::fstat(file.Get(), &status) != 0 || status.st_size < 0)
    throw FileError(TextFormat("1331", "Cannot read file \"%1\"", {path}));
  const auto length = static_cast<uint64_t>(status.st_size);
  if (length > maxSize)
    throw FormatError(TextFormat("1332", "File \"%1\" is too large (%2 bytes, at most %3)",
                                 {path, std::to_string(length), std::to_string(maxSize)}));
  Bytes bytes(static_cast<size_t>(length));
  if (ReadFully(file.Get(), bytes.data(), bytes.size()) != static_cast<int64_t>(bytes.size()))
    throw FileError(TextFormat("1331", "Cannot read file \"%1\"", {path}));
  return bytes;
}

void WriteFileBytes(const std::string& path, const void* data, size_t size) {
  AtomicFile file(path);
  file.Write(data, size);
  file.Commit();
}

bool FileExists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

}  // namespace platform
