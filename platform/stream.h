// Byte streams with a position: the common ground of files and memory for readers and writers that
// go through a stream (the 3D archives, data files). Reads never go past the end: ReadBuffer raises
// ReadError when fewer bytes are left than asked for, and Remaining() tells a reader how many bytes
// are really there before it believes a length or a count.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "platform/binary_stream.h"
#include "platform/exception.h"

namespace platform {

// A stream or archive that ends early or holds something its reader cannot take.
class ReadError : public FormatError {
 public:
  using FormatError::FormatError;
};

// A stream that refused bytes (a full disk, a read-only stream).
class WriteError : public FileError {
 public:
  using FileError::FileError;
};

class Stream {
 public:
  virtual ~Stream() = default;
  Stream() = default;
  Stream(const Stream&) = delete;
  Stream& operator=(const Stream&) = delete;

  // Up to `count` bytes from the position on; returns how many were read.
  virtual size_t Read(void* buffer, size_t count) = 0;
  // Writes at the position, growing the stream when the write goes past its end; returns how many
  // bytes were taken.
  virtual size_t Write(const void* buffer, size_t count) = 0;
  virtual uint64_t Position() const = 0;
  // Any position up to Size(); beyond it raises ReadError.
  virtual void SetPosition(uint64_t position) = 0;
  virtual uint64_t Size() const = 0;

  uint64_t Remaining() const { return Size() - Position(); }
  // Exactly `count` bytes or ReadError "Stream read error" (the position is then left unchanged).
  void ReadBuffer(void* buffer, size_t count);
  // All `count` bytes or WriteError "Stream write error".
  void WriteBuffer(const void* buffer, size_t count);
  // Hands buffered bytes on; WriteError "Stream write error" when they are refused (a full disk).
  virtual void Flush() {}
};

// A stream over bytes in memory; also the "string stream" of texts that hold bytes.
class MemoryStream : public Stream {
 public:
  MemoryStream() = default;
  explicit MemoryStream(Bytes bytes) : bytes_(std::move(bytes)) {}
  explicit MemoryStream(std::string_view bytes) : bytes_(bytes.begin(), bytes.end()) {}

  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void* buffer, size_t count) override;
  uint64_t Position() const override { return position_; }
  void SetPosition(uint64_t position) override;
  uint64_t Size() const override { return bytes_.size(); }

  const Bytes& Data() const { return bytes_; }
  std::string DataString() const { return std::string(bytes_.begin(), bytes_.end()); }

 private:
  Bytes bytes_;
  size_t position_ = 0;
};

// Open modes of a file stream. The sharing flags are accepted and have no effect here: files are
// opened for one operation and closed at once.
inline constexpr uint16_t fmCreate = 0xFFFF;  // create or truncate, then read and write
inline constexpr uint16_t fmOpenRead = 0x0000;
inline constexpr uint16_t fmOpenWrite = 0x0001;
inline constexpr uint16_t fmOpenReadWrite = 0x0002;
inline constexpr uint16_t fmShareDenyWrite = 0x0020;
inline constexpr uint16_t fmShareDenyNone = 0x0040;

// A stream on a file. Raises FileError "Cannot create file "<name>"" or "Cannot open file "<name>"".
class FileStream : public Stream {
 public:
  FileStream(const std::string& fileName, uint16_t mode);
  ~FileStream() override;

  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void* buffer, size_t count) override;
  uint64_t Position() const override { return position_; }
  void SetPosition(uint64_t position) override;
  uint64_t Size() const override { return size_; }

  const std::string& FileName() const { return fileName_; }
  void Flush() override;

 private:
  void SwitchTo(bool writing);

  std::FILE* file_ = nullptr;
  std::string fileName_;
  uint64_t position_ = 0;
  uint64_t size_ = 0;
  bool writable_ = false;
  bool writing_ = false;
};

}  // namespace platform
