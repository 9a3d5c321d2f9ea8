// A fixed-size array of object references, owning them when FreeOnClear is set (glyph polylines,
// the glyphs of a vector font).
#pragma once

#include <vector>

#include "cad/cad_exceptions.h"

namespace cad {

template <typename T>
class TIndexedObjectList {
 public:
  explicit TIndexedObjectList(int size = 0) { SetCount(size); }
  ~TIndexedObjectList() { Clear(); }
  TIndexedObjectList(const TIndexedObjectList&) = delete;
  TIndexedObjectList& operator=(const TIndexedObjectList&) = delete;

  int Count() const { return int(slots_.size()); }

  // Shrinking an owning list frees the dropped objects; new slots are empty.
  void SetCount(int n) {
    if (n < 0) n = 0;
    if (FreeOnClear) {
      for (size_t i = size_t(n); i < slots_.size(); ++i) delete slots_[i];
    }
    if (n == 0) {
      std::vector<T*>().swap(slots_);
      return;
    }
    slots_.resize(size_t(n), nullptr);
  }

  // Stores the reference; a replaced object is not freed (it may still be held elsewhere).
  void SetObject(int index, T* object) {
    if (slots_.empty()) return;
    if (index < 0 || index >= Count()) throw ECADOutOfBound("TIndexedObjectList.SetObject: Index out of bounds.");
    slots_[size_t(index)] = object;
  }

  T* GetObject(int index) const {
    if (slots_.empty()) return nullptr;
    if (index < 0 || index >= Count()) throw ECADOutOfBound("TIndexedObjectList.GetObject: Index out of bounds.");
    return slots_[size_t(index)];
  }

  // Frees every object when owning and empties the slots.
  void Clear() {
    for (auto*& object : slots_) {
      if (FreeOnClear) delete object;
      object = nullptr;
    }
  }

  bool FreeOnClear = true;

 private:
  std::vector<T*> slots_;
};

}  // namespace cad
