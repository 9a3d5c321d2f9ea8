// The register of classes that stored definitions name: property objects (coordinates) and, later,
// the scene's components. Each is made with the object it belongs to, which a component takes as its
// owner. Libraries register their classes when they start:
//   const bool kRegistered = (RegisterStreamingClass<TMyThing>(), true);
#pragma once

#include <memory>
#include <type_traits>
#include <typeinfo>

#include "scene3d/class_registry.h"
#include "scene3d/component.h"
#include "scene3d/persistent.h"

namespace scene3d {

using TStreamingClassRegistry = TClassRegistry<std::unique_ptr<TPersistent>, TPersistent* /*owner*/>;
TStreamingClassRegistry& StreamingClasses();

template <class T>
void RegisterStreamingClass() {
  static_assert(std::is_base_of_v<TPersistent, T>);
  StreamingClasses().Register(T(nullptr).ClassName(), typeid(T), [](TPersistent* owner) -> std::unique_ptr<TPersistent> {
    if constexpr (std::is_constructible_v<T, TPersistent*>) {
      return std::make_unique<T>(owner);
    } else {
      return std::make_unique<T>(dynamic_cast<TComponent*>(owner));
    }
  });
}

}  // namespace scene3d
