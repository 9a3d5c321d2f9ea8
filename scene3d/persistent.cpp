#include "scene3d/persistent.h"

#include "scene3d/scene3d_exceptions.h"

namespace scene3d {

void TPersistent::Assign(const TPersistent* source) {
  if (source) {
    source->AssignTo(this);
    return;
  }
  throw EConvertError("Cannot assign a nil to a " + ClassName());
}

void TPersistent::DefineProperties(TFiler&) {}

void TPersistent::DefinePublished(TFiler&) {}

void TPersistent::AssignTo(TPersistent* dest) const {
  throw EConvertError("Cannot assign a " + ClassName() + " to a " + (dest ? dest->ClassName() : std::string("nil")));
}

}  // namespace scene3d
