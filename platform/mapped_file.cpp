#include "platform/mapped_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/exception.h"
#include "platform/texts.h"

namespace platform {

MappedFile::MappedFile(const std::string& path, size_t maxSize) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw FileError(TextFormat("1330", "Cannot open file \"%1\"", {path}));
  struct stat status {};
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    ::close(fd);
    throw FileError(TextFormat("1331", "Cannot read file \"%1\"", {path}));
  }
  const auto size = static_cast<uint64_t>(status.st_size);
  if (size > maxSize) {
    ::close(fd);
    throw FormatError(TextFormat("1332", "File \"%1\" is too large (%2 bytes, at most %3)",
                                 {path, std::to_string(size), std::to_string(maxSize)}));
  }
  if (size > 0) {
    void* mapping = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
    if (mapping != MAP_FAILED) {
      mapping_ = mapping;
      data_ = static_cast<const uint8_t*>(mapping);
      size_ = static_cast<size_t>(size);
    }
  }
  ::close(fd);
  if (!mapping_ && size > 0) {
    fallback_ = ReadFileBytes(path, maxSize);
    data_ = fallback_.data();
    size_ = fallback_.size();
  }
}

MappedFile::~MappedFile() {
  if (mapping_) ::munmap(mapping_, size_);
}

}  // namespace platform
