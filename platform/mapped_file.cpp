#include "platform/mapped_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/exception.h"
#include "platform/texts.h"

namespace platform {

MappedFile::MappedFile(const std::string& path, size_t maxSize) {
  // A pipe named like a picture is refused here, before anything waits on it.
  const FileDescriptor fd = OpenRegularFile(path);
  if (!fd.Valid()) throw FileError(TextFormat("1330", "Cannot open file \"%1\"", {path}));
  struct stat status {};
  if (::fstat(fd.Get(), &status) != 0) throw FileError(TextFormat("1331", "Cannot read file \"%1\"", {path}));
  const auto size = static_cast<uint64_t>(status.st_size);
  if (size > maxSize)
    throw FormatError(TextFormat("1332", "File \"%1\" is too large (%2 bytes, at most %3)",
                                 {path, std::to_string(size), std::to_string(maxSize)}));
  if (size > 0) {
    void* mapping = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd.Get(), 0);
    if (mapping != MAP_FAILED) {
      mapping_ = mapping;
      data_ = static_cast<const uint8_t*>(mapping);
      size_ = static_cast<size_t>(size);
    }
  }
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
