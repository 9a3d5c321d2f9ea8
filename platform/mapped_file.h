// A file's bytes read once, through a read-only mapping when the system gives one (large pictures are
// then read straight from the file cache, without a copy into fresh memory), else into memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/binary_stream.h"

namespace platform {

class MappedFile {
 public:
  // FileError when the file cannot be opened or read; FormatError when it is larger than maxSize.
  explicit MappedFile(const std::string& path, size_t maxSize = size_t(1) << 30);
  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  const uint8_t* Data() const { return data_; }
  size_t Size() const { return size_; }

 private:
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
  void* mapping_ = nullptr;
  Bytes fallback_;
};

}  // namespace platform
