// An ordered collection that owns items of one item class (nodes of a line, for instance).
//
// Items are made by the collection, Add() or Insert(), through its item class: a factory given at
// construction, normally ItemClassOf<TMyItem>(). The item's constructor may take the collection
// (`explicit TMyItem(TCollection& collection)`) to look at it or its owner; the item joins the
// collection only after its constructor has finished, so nothing sees half an item. The collection
// frees its items; freeing an item earlier (delete) takes it out of the collection.
//
// Change notification: every change of the collection (an item added, deleted, moved, the whole
// content assigned) and every item's Changed() ends in Update(item), with nullptr for "the whole
// collection". Between BeginUpdate and EndUpdate nothing is told; the EndUpdate that brings the
// count back to zero calls Update(nullptr) once. A derived collection overrides Update to pass the
// change on (to its owner, to a change event) and leaves EndUpdate alone, so a batch of changes is
// told exactly once.
//
// The collection's destructor frees the items after the derived collection's parts are gone; a
// derived collection whose items look at it while they go calls Clear() in its own destructor.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "scene3d/persistent.h"

namespace scene3d {

class TCollection;

class TCollectionItem : public TPersistent {
 public:
  TCollectionItem() = default;
  ~TCollectionItem() override;

  std::string ClassName() const override { return "TCollectionItem"; }
  TPersistent* GetOwner() const override;

  TCollection* Collection() const { return collection_; }
  // Leaves the former collection (without freeing) and joins `collection` at its end; the new
  // collection owns the item. Nullptr leaves the item on its own: its holder frees it.
  void SetCollection(TCollection* collection);
  // Position in the collection (-1 without one); SetIndex moves the item (EListError outside).
  int Index() const;
  void SetIndex(int index);
  // The item as a list shows it; the class name unless a class says better.
  virtual std::string GetDisplayName() const { return ClassName(); }

 protected:
  // Tells the collection that this item (or, with allItems, the whole collection) changed.
  void Changed(bool allItems);

 private:
  friend class TCollection;
  TCollection* collection_ = nullptr;
};

class TCollection : public TPersistent {
 public:
  using ItemClass = std::function<std::unique_ptr<TCollectionItem>(TCollection& collection)>;

  explicit TCollection(ItemClass itemClass);
  ~TCollection() override;

  std::string ClassName() const override { return "TCollection"; }

  // A new item of the item class at the end, or before `index` (0..Count(), EListError outside).
  TCollectionItem* Add();
  TCollectionItem* Insert(int index);
  // Frees the item at `index` (EListError outside).
  void Delete(int index);
  // Frees every item.
  void Clear();

  int Count() const { return static_cast<int>(items_.size()); }
  // EListError outside 0..Count()-1.
  TCollectionItem* Items(int index) const;
  const ItemClass& GetItemClass() const { return itemClass_; }

  // From another collection: the items are replaced by new items of this collection's item class,
  // each assigned from the source's item at the same place; told once at the end.
  void Assign(const TPersistent* source) override;

  virtual void BeginUpdate() { ++updateCount_; }
  virtual void EndUpdate();
  int UpdateCount() const { return updateCount_; }

 protected:
  // Told after a change: `item` changed, or (nullptr) the collection as a whole. Empty here.
  virtual void Update(TCollectionItem* item);
  // Update(nullptr) unless an update is open.
  void Changed();

 private:
  friend class TCollectionItem;
  void InsertItem(TCollectionItem* item, size_t position);
  void RemoveItem(TCollectionItem* item);

  ItemClass itemClass_;
  std::vector<TCollectionItem*> items_;
  int updateCount_ = 0;
};

// A collection that names the persistent object it belongs to.
class TOwnedCollection : public TCollection {
 public:
  TOwnedCollection(TPersistent* owner, ItemClass itemClass) : TCollection(std::move(itemClass)), owner_(owner) {}
  std::string ClassName() const override { return "TOwnedCollection"; }
  TPersistent* GetOwner() const override { return owner_; }
  TPersistent* Owner() const { return owner_; }

 private:
  TPersistent* owner_;
};

// The item class that makes items of type T, with the collection when T's constructor takes it.
template <class T>
TCollection::ItemClass ItemClassOf() {
  static_assert(std::is_base_of_v<TCollectionItem, T>);
  return [](TCollection& collection) -> std::unique_ptr<TCollectionItem> {
    if constexpr (std::is_constructible_v<T, TCollection&>) {
      return std::make_unique<T>(collection);
    } else {
      return std::make_unique<T>();
    }
  };
}

}  // namespace scene3d
