// TBaseList: a growable block of fixed-size items (vertices, normals, texture points, indexes) that
// stores itself, and TTypedList, the thin template that shows the block as an array of its item type.
// The typed lists themselves are in vector_lists.h.
//
// Memory: the items lie in one block, ItemSize bytes each, with nothing per item beside them. When an
// append finds the list full, Capacity grows by GrowthDelta (16); the block under it grows by at least
// an eighth at a time, so building a list of a million items by appending takes linear time (as fast as
// a std::vector) with at most an eighth of the block unused. SetCapacity and SetCount size the block exactly. Items past Count are not initialised, except
// that SetCount zero-fills the items it adds. Indexes are not checked (the lists are walked per vertex
// and per frame): stay below Count.
//
// External memory: UseMemory lets the list work on a block that somebody else owns; the first change of
// capacity copies the items into a block of the list's own.
//
// Change count: bumped by the changes that the class says (capacity, count, assignment, reading, and
// some appends), so a user of the list can tell cheaply whether it changed since it last looked.
//
// Archive (WriteToArchive): the integers 0 (version), Count and ItemSize, then Count·ItemSize bytes of
// items as they lie in memory (little-endian), then whatever a class adds. Reading checks the version,
// the item size against the class's, the count against the bytes really there, and leaves the list as
// it was when any of that fails. In stored definitions the archive is the property "Items", as
// hexadecimal text ("0123456789ABCDEF", high nibble first).
#pragma once

#include <bit>
#include <cstdint>
#include <span>
#include <string>
#include <type_traits>

#include "scene3d/filer.h"
#include "scene3d/persistent_object.h"

namespace scene3d {

static_assert(std::endian::native == std::endian::little, "list archives hold items as they lie in memory");

// Flags of a list.
inline constexpr uint8_t lfExternalMemory = 0x1;  // the block belongs to somebody else
inline constexpr uint8_t lfZeroNewItems = 0x2;    // SetCount zero-fills the items it adds

class TBaseList : public TPersistentObject {
 public:
  ~TBaseList() override;
  std::string ClassName() const override { return "TBaseList"; }

  int Count() const { return count_; }
  // Grows the capacity to exactly n when needed; new items are zero-filled. EListError below 0.
  void SetCount(int n);
  int Capacity() const { return capacity_; }
  // Exactly n items of room, the first min(Count, n) kept; Count is cut to n. EListError below 0.
  void SetCapacity(int n);
  int GrowthDelta() const { return growBy_; }
  // At least 1, so an append always finds room.
  void SetGrowthDelta(int n) { growBy_ = n < 1 ? 1 : n; }
  uint8_t Flags() const { return flags_; }
  int ChangeCount() const { return changeCount_; }
  int ItemSize() const { return itemSize_; }
  // Carried along by Assign.
  const std::string& TagText() const { return tagText_; }
  void SetTagText(const std::string& text) { tagText_ = text; }

  // Count to 0, memory kept.
  void Empty() { SetCount(0); }
  // Count and capacity to 0.
  void Release();
  // The list works on `capacity` items at `block`, which stays the caller's and must outlive that use;
  // Count is cut to `capacity`. A null block or a capacity below 0 raises EListError.
  void UseMemory(void* block, int capacity);

  void* ItemPointer(int index) { return block_ + size_t(index) * size_t(itemSize_); }
  const void* ItemPointer(int index) const { return block_ + size_t(index) * size_t(itemSize_); }

  // Null: Release. A list of the same class: its items, GrowthDelta and TagText. Anything else,
  // another list class included, raises EConvertError and changes nothing.
  void Assign(const TPersistent* source) override;
  void DefineProperties(TFiler& filer) override;
  void WriteToArchive(TVirtualWriter& writer) const override;
  void ReadFromArchive(TVirtualReader& reader) override;

  // The "Items" property: the archive as one hexadecimal string.
  virtual void ReadItemsText(TVirtualReader& reader);
  virtual void WriteItemsText(TVirtualWriter& writer) const;

 protected:
  explicit TBaseList(int itemSize);

  // Room for one more item at the end: Capacity grows by GrowthDelta when full. Count goes up; the new
  // item's index is returned and its bytes are the caller's to fill.
  int AppendSlot() { return count_ < capacity_ ? count_++ : AppendSlots(1); }
  // `n` more items at the end, room made in GrowthDelta steps; the first new index.
  int AppendSlots(int n);
  void Changed() { ++changeCount_; }

  // What a class adds after the items in its archive; nothing here.
  virtual void WriteArchiveTail(TVirtualWriter& writer) const;
  virtual void ReadArchiveTail(TVirtualReader& reader);

 private:
  // An own block of `reserve` items holding the first min(Count, reserve) items.
  void Reallocate(int reserve);
  void SetCapacityTo(int n, int reserve);

  int32_t count_ = 0;
  int32_t capacity_ = 0;
  int32_t growBy_ = 16;
  int32_t reserve_ = 0;  // items the block holds; Capacity or more
  int32_t changeCount_ = 0;
  int32_t itemSize_;
  uint8_t flags_ = lfZeroNewItems;
  uint8_t* block_ = nullptr;
  std::string tagText_;
};

// The block seen as an array of T.
template <class T, class Base = TBaseList>
class TTypedList : public Base {
  static_assert(std::is_trivially_copyable_v<T>, "items are copied as bytes");

 public:
  using ItemType = T;

  T* List() { return static_cast<T*>(this->ItemPointer(0)); }
  const T* List() const { return static_cast<const T*>(this->ItemPointer(0)); }
  T& operator[](int index) { return List()[index]; }
  const T& operator[](int index) const { return List()[index]; }
  std::span<T> Items() { return {List(), size_t(this->Count())}; }
  std::span<const T> Items() const { return {List(), size_t(this->Count())}; }

  // Appends `item`; its index.
  int Add(const T& item) {
    const int index = this->AppendSlot();
    List()[index] = item;
    return index;
  }

 protected:
  TTypedList() : Base(int(sizeof(T))) {}
};

}  // namespace scene3d
