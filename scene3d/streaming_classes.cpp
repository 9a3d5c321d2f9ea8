#include "scene3d/streaming_classes.h"

namespace scene3d {

TStreamingClassRegistry& StreamingClasses() {
  static TStreamingClassRegistry registry;
  return registry;
}

}  // namespace scene3d
