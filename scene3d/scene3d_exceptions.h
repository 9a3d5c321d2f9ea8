// The 3D library's failures, in the program's one exception tree. Errors of reading an archive or
// a file derive from platform::FormatError, so a caller that guards a load catches them all.
// A read that finds the wrong kind of value or too few bytes raises platform::ReadError
// ("TBinaryReader, read type error", "Stream read error").
#pragma once

#include "platform/exception.h"

namespace scene3d {

// Assign between classes that do not know each other: "Cannot assign a TFoo to a TBar".
class EConvertError : public platform::Exception {
 public:
  using platform::Exception::Exception;
};

// An index outside a list: "Invalid list index".
class EListError : public platform::Exception {
 public:
  using platform::Exception::Exception;
};

// A class name nobody registered: "Class TFoo not found".
class EClassNotFound : public platform::FormatError {
 public:
  using platform::FormatError::FormatError;
};

// An archive this program cannot take: an unknown version ("TFoo : unknown archive version 3"),
// a broken object list ("Broken ObjectList archive"), nesting beyond reason.
class EFilerException : public platform::FormatError {
 public:
  using platform::FormatError::FormatError;
};

// A file whose first bytes are not the signature its class expects: "Invalid file signature".
class EInvalidFileSignature : public platform::FormatError {
 public:
  using platform::FormatError::FormatError;
};

// A failed system call: "OS Error : " and the system's text.
class EOSError : public platform::Exception {
 public:
  using platform::Exception::Exception;
};

}  // namespace scene3d
