// Little-endian readers and writers for the program's binary files. Records are read and written
// field by field; a read past the end raises FormatError instead of returning garbage.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

using Bytes = std::vector<uint8_t>;

class ByteReader {
 public:
  ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  explicit ByteReader(const Bytes& bytes) : ByteReader(bytes.data(), bytes.size()) {}
  // The reader does not own its bytes: reading from a temporary would read freed memory.
  explicit ByteReader(Bytes&&) = delete;

  size_t Position() const { return pos_; }
  size_t Size() const { return size_; }
  size_t Remaining() const { return size_ - pos_; }
  void Seek(size_t position);
  void Skip(size_t count);

  uint8_t U8();
  uint16_t U16();
  uint32_t U32();
  int16_t I16() { return static_cast<int16_t>(U16()); }
  int32_t I32() { return static_cast<int32_t>(U32()); }
  uint16_t U16BigEndian();
  float F32();
  double F64();
  void Read(void* out, size_t count);
  Bytes ReadBytes(size_t count);
  // Raises FormatError unless `count` more bytes are present.
  void Require(size_t count) const;

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

class ByteWriter {
 public:
  void U8(uint8_t v) { bytes_.push_back(v); }
  void U16(uint16_t v);
  void U32(uint32_t v);
  void I16(int16_t v) { U16(static_cast<uint16_t>(v)); }
  void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
  void F32(float v);
  void F64(double v);
  void Write(const void* data, size_t count);
  void Fill(uint8_t value, size_t count) { bytes_.insert(bytes_.end(), count, value); }
  // Room for `count` more bytes, so a large file is not copied again each time the buffer grows.
  void Reserve(size_t count) { bytes_.reserve(bytes_.size() + count); }
  // Overwrites bytes already written (for sizes known only at the end).
  void PatchU32(size_t position, uint32_t v);

  size_t Size() const { return bytes_.size(); }
  const Bytes& Data() const { return bytes_; }
  Bytes Take() { return std::move(bytes_); }

 private:
  Bytes bytes_;
};

// A file descriptor closed with the object.
class FileDescriptor {
 public:
  FileDescriptor() = default;
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor();
  FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  FileDescriptor& operator=(FileDescriptor&& other) noexcept;
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;

  int Get() const { return fd_; }
  bool Valid() const { return fd_ >= 0; }
  // Hands the descriptor over (to fdopen); the object no longer closes it.
  int Release();

 private:
  int fd_ = -1;
};

// Opens `path` for reading, the way every reader of the program opens its file. Only a regular file
// (also through a symbolic link) is opened: a named pipe, a device, a socket or a folder is refused at
// once with FileError, never waited on (opening a pipe for reading would wait for a writer that may
// never come, and the program would hang). Returns an invalid descriptor when the file cannot be
// opened at all, errno saying why, so the caller reports it in its own words.
FileDescriptor OpenRegularFile(const std::string& path);

// Reads up to `count` bytes; fewer only at the end of the file. -1 on a read error.
int64_t ReadFully(int fd, void* buffer, size_t count);

// Whole-file helpers. ReadFileBytes refuses files larger than maxSize with FormatError, so a hostile
// file never makes us allocate gigabytes. WriteFileBytes writes a temporary file beside the target
// and renames it, so a failed write never destroys what the user had.
Bytes ReadFileBytes(const std::string& path, size_t maxSize = size_t(1) << 30);
void WriteFileBytes(const std::string& path, const void* data, size_t size);
inline void WriteFileBytes(const std::string& path, const Bytes& bytes) {
  WriteFileBytes(path, bytes.data(), bytes.size());
}
inline void WriteFileText(const std::string& path, std::string_view text) {
  WriteFileBytes(path, text.data(), text.size());
}
bool FileExists(const std::string& path);

}  // namespace platform
