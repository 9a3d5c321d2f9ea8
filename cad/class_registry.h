// The register of drawing-object classes for streaming: a stream names each object's class by its
// slot index, and the slot's factory builds the object from the stream.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "cad/graphic_object.h"

namespace cad {

struct TGraphicObjectClass {
  std::string Name;
  std::function<std::unique_ptr<TGraphicObject>(platform::ByteReader& stream, const std::string& versionTag)>
      CreateFromStream;
};

// The class entry of T, built with T's stream constructor.
template <typename T>
TGraphicObjectClass GraphicClassOf(std::string name) {
  return {std::move(name), [](platform::ByteReader& stream, const std::string& versionTag) {
            return std::unique_ptr<TGraphicObject>(std::make_unique<T>(stream, versionTag));
          }};
}

class TKQSysClassRegister {
 public:
  static constexpr int kSlots = 512;

  // ECADOutOfBound outside 0..511; ECADObjClassNotFound when the slot is taken.
  void RegisterClass(int index, TGraphicObjectClass cls);
  // The first slot holding a class of exactly this name; ECADObjClassNotFound when none does.
  int FindClassIndex(const std::string& name) const;
  const TGraphicObjectClass& FindClassByName(const std::string& name) const;
  // ECADOutOfBound outside 0..511; ECADObjClassNotFound for an empty slot.
  const TGraphicObjectClass& FindClassByIndex(int index) const;
  // Empties every slot.
  void Init();

 private:
  std::array<std::optional<TGraphicObjectClass>, kSlots> slots_;
};

// The program's one register, empty when the library starts.
TKQSysClassRegister& KQSysClassRegister();

void KQSysRegisterClass(int index, TGraphicObjectClass cls);
int KQSysFindClassIndex(const std::string& name);
const TGraphicObjectClass& KQSysFindClassByName(const std::string& name);
const TGraphicObjectClass& KQSysFindClassByIndex(int index);
void KQSysInitClassRegister();

}  // namespace cad
