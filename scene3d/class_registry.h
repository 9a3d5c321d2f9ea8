// A register of classes by name, so a stored archive that names a class can make an object of it.
// Each class is registered once, under the name its ClassName() gives, with a factory that makes
// a new, empty object; libraries register their classes when they start.
//
// One register exists per kind of object made: the program-wide register of persistent objects is
// PersistentClasses() (persistent_object.h); a register of components would take their owner as
// the factory's argument: TClassRegistry<TComponent*, TComponent* /*owner*/>.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <typeindex>

#include "scene3d/scene3d_exceptions.h"

namespace scene3d {

template <class Product, class... Args>
class TClassRegistry {
 public:
  using Factory = std::function<Product(Args...)>;

  // Registering the same name again for the same C++ class does nothing (a library may start more
  // than once); for another class it raises EFilerException "A class named <name> already exists".
  void Register(const std::string& name, std::type_index type, Factory factory) {
    auto found = entries_.find(name);
    if (found != entries_.end()) {
      if (found->second.type == type) return;
      throw EFilerException("A class named " + name + " already exists");
    }
    entries_.emplace(name, Entry{type, std::move(factory)});
  }

  void Unregister(const std::string& name) { entries_.erase(name); }

  // Names match exactly, case included.
  bool Contains(const std::string& name) const { return entries_.count(name) != 0; }

  // EClassNotFound "Class <name> not found".
  const Factory& Find(const std::string& name) const {
    auto found = entries_.find(name);
    if (found == entries_.end()) throw EClassNotFound("Class " + name + " not found");
    return found->second.factory;
  }

  Product Create(const std::string& name, Args... args) const { return Find(name)(std::forward<Args>(args)...); }

 private:
  struct Entry {
    std::type_index type;
    Factory factory;
  };
  std::map<std::string, Entry> entries_;
};

}  // namespace scene3d
