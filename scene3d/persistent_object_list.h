// TPersistentObjectList: a growable list of object pointers that can store itself.
//
// The list does not own its items: Delete, Remove, Clear and the destructor leave them alone.
// FreeItems and Clean free them, and ReadFromArchive starts with Clean, so whoever fills a list by
// reading it calls Clean before letting it go; a list so read that is itself an item is cleaned as
// FreeItems or Clean frees it, so nested lists take their items along. Null entries are allowed.
//
// Capacity grows by GrowthDelta (16) whenever an item is added to a full list. Every index is
// checked: outside the list RaiseIndexError raises EListError "Invalid list index".
//
// Archive: the integer 0 (the version); start of list; per item in order: an empty entry as false
// and the integer 0; a TPersistentObject as its class name the first time the class occurs (later
// as the integer index of the class by first occurrence, from 0), followed by the item's own
// archive; then end of list. Any other object is not ours to store and is written as an empty
// entry, so it reads back as null. Reading makes each item through PersistentClasses(); a class
// index that names no class read before raises EFilerException "Broken ObjectList archive".
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "scene3d/persistent_object.h"

namespace scene3d {

class TPersistentObjectList : public TPersistentObject {
 public:
  TPersistentObjectList() = default;
  std::string ClassName() const override { return "TPersistentObjectList"; }
  std::unique_ptr<TPersistentObject> CreateInstance() const override { return std::make_unique<TPersistentObjectList>(); }

  // Appends; returns the new item's index.
  int Add(TObject* item);
  // Before `index` (0..Count()).
  void Insert(int index, TObject* item);
  // Takes the entry out; the item is not freed.
  void Delete(int index);
  TObject* Get(int index) const;
  void Put(int index, TObject* item);
  TObject* operator[](int index) const { return Get(index); }
  // First index of `item`, or -1.
  int IndexOf(const TObject* item) const;
  // Deletes the first entry of `item`; its former index, or -1.
  int Remove(const TObject* item);
  // The last item, taken out of the list; null when the list is empty.
  TObject* Pop();

  int Count() const { return count_; }
  // Grows the capacity when needed; new entries are null. A negative count raises.
  void SetCount(int count);
  int Capacity() const { return static_cast<int>(items_.size()); }
  // A smaller capacity also cuts the count. A negative capacity raises.
  void SetCapacity(int capacity);
  int GrowthDelta() const { return growthDelta_; }
  void SetGrowthDelta(int delta) { growthDelta_ = delta < 1 ? 1 : delta; }

  // Frees every item, last first; the entries become null. An item freed may take others out of the
  // list on its way; entries no longer in the list are skipped.
  void FreeItems();
  // FreeItems, then Clear.
  virtual void Clean();
  // Count and capacity to 0 (items not freed).
  virtual void Clear();

  [[noreturn]] virtual void RaiseIndexError() const;

  void WriteToArchive(TVirtualWriter& writer) const override;
  void ReadFromArchive(TVirtualReader& reader) override;

 protected:
  // Told of each item the reader made, before the item reads its own archive.
  virtual void AfterObjectCreatedByReader(TObject* object);

 private:
  void CheckIndex(int index, int limit) const;
  // Everything a failed read made was made by that read: nested lists are freed with their items.
  void FreeReadTree();

  std::vector<TObject*> items_;  // sized to the capacity
  int count_ = 0;
  int growthDelta_ = 16;
  bool readItems_ = false;  // filled by ReadFromArchive (and not cleared since)
};

}  // namespace scene3d
