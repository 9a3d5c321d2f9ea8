#include "cad/class_registry.h"

#include "cad/cad_exceptions.h"

namespace cad {

namespace {
constexpr const char* kOutOfBound = "KQSysRegisterClass: Out of bound registration index";
}

void TKQSysClassRegister::RegisterClass(int index, TGraphicObjectClass cls) {
  if (index < 0 || index >= kSlots) throw ECADOutOfBound(kOutOfBound);
  auto& slot = slots_[size_t(index)];
  if (slot) {
    throw ECADObjClassNotFound("KQSysRegisterClass: Index " + std::to_string(index) + " already allocated by " +
                               slot->Name);
  }
  slot = std::move(cls);
}

int TKQSysClassRegister::FindClassIndex(const std::string& name) const {
  for (int i = 0; i < kSlots; ++i) {
    if (slots_[size_t(i)] && slots_[size_t(i)]->Name == name) return i;
  }
  throw ECADObjClassNotFound("KQSysFindClassIndex: " + name + " graphic class not found");
}

const TGraphicObjectClass& TKQSysClassRegister::FindClassByName(const std::string& name) const {
  return *slots_[size_t(FindClassIndex(name))];
}

const TGraphicObjectClass& TKQSysClassRegister::FindClassByIndex(int index) const {
  // Class ids come from files: a negative one is as much out of bound as one past the end.
  if (index < 0 || index >= kSlots) throw ECADOutOfBound(kOutOfBound);
  const auto& slot = slots_[size_t(index)];
  if (!slot) throw ECADObjClassNotFound("KQSysFindClassByIndex: Index not registered");
  return *slot;
}

void TKQSysClassRegister::Init() {
  for (auto& slot : slots_) slot.reset();
}

TKQSysClassRegister& KQSysClassRegister() {
  static TKQSysClassRegister instance;
  return instance;
}

void KQSysRegisterClass(int index, TGraphicObjectClass cls) { KQSysClassRegister().RegisterClass(index, std::move(cls)); }
int KQSysFindClassIndex(const std::string& name) { return KQSysClassRegister().FindClassIndex(name); }
const TGraphicObjectClass& KQSysFindClassByName(const std::string& name) {
  return KQSysClassRegister().FindClassByName(name);
}
const TGraphicObjectClass& KQSysFindClassByIndex(int index) { return KQSysClassRegister().FindClassByIndex(index); }
void KQSysInitClassRegister() { KQSysClassRegister().Init(); }

}  // namespace cad
