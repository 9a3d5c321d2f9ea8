// Root of the program's exception tree. Every error the program raises on purpose derives from
// Exception, so one guard at the event loop can show any of them to the user.
#pragma once

#include <stdexcept>
#include <string>

namespace platform {

class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  std::string Message() const { return what(); }
};

// A file or stream held fewer bytes than its own header promised, or a value lies outside what the
// format allows.
class FormatError : public Exception {
 public:
  using Exception::Exception;
};

// A file could not be opened, read or written.
class FileError : public Exception {
 public:
  using Exception::Exception;
};

}  // namespace platform
