#include "scene3d/vector_property.h"

#include <cstring>

#include "scene3d/stored_object.h"

namespace scene3d {

void TStoredVector4f::Initialize(const TVector4f& initial, bool rememberDefault) {
  value = initial;
  if (!rememberDefault) return;
  if (!default_) default_ = std::make_unique<TVector4f>();
  *default_ = initial;
}

bool TStoredVector4f::HasData() const {
  return !default_ || std::memcmp(default_.get(), &value, sizeof(TVector4f)) != 0;
}

void TStoredVector4f::Define(TFiler& filer, const std::string& name) {
  DefineVector(filer, name, value, [this](const TVector4f& v) { value = v; }, HasData());
}

}  // namespace scene3d
