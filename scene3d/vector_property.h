// The value of a colour or a coordinates object: four singles, and (when the program asks for it) the
// value it started with, so that a stored definition keeps only what was changed. Stored as one binary
// property of 16 bytes, the four singles in order, little-endian IEEE.
#pragma once

#include <memory>
#include <string>

#include "scene3d/filer.h"
#include "scene3d/vector_types.h"

namespace scene3d {

class TStoredVector4f {
 public:
  // The value without notifying; with `rememberDefault` it also becomes the default.
  void Initialize(const TVector4f& value, bool rememberDefault);
  // Stored unless a default exists and equals the value bit for bit.
  bool HasData() const;
  // The binary property `name` with the 16 bytes.
  void Define(TFiler& filer, const std::string& name);

  const TVector4f* DefaultValue() const { return default_.get(); }

  TVector4f value{};

 private:
  std::unique_ptr<TVector4f> default_;
};

}  // namespace scene3d
