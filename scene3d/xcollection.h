// TXCollection: an owned list of items of different classes that stores itself with each item's
// class name. Scene objects keep their behaviours and effects in such collections; this program
// registers no item class, so they stay empty, but the stream form is kept.
//
// Items: an item made with a collection joins it at once and is freed by it (Clear, the collection's
// destructor); freeing an item earlier takes it out. Each item class describes itself to the
// collection through a TXCollectionItemClass (name, how to make one, what editors ask), built by
// XCollectionItemClassOf<T>() from T's static FriendlyName, FriendlyDescription, ItemCategory,
// UniqueItem and CanAddTo. A class overrides ItemClass() to return its own, and, to be read back from
// a stream, registers it: RegisterXCollectionItemClass<TMyItem>().
//
// Stream ("XCOL", through the component writer's typed values of archive.h): the integer whose bytes
// are "XCOL", the integer 1, the integer Count; then per item its class name the first time the class
// occurs (afterwards the integer index of the class by first occurrence) and the item's own data:
// TXCollectionItem writes the integer 0 and its Name; a derived item writes its own data after that.
// A stream without the header starts with the count (StreamVersion 0). A class name that nobody
// registered, a class index that names no class, or a count beyond the stream raises
// platform::ReadError; the collection then keeps the items it had.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <typeindex>
#include <vector>

#include "scene3d/archive.h"
#include "scene3d/class_registry.h"
#include "scene3d/update_able.h"

namespace scene3d {

class TXCollection;
class TXCollectionItem;

struct TXCollectionItemClass {
  std::string className;
  std::type_index type = typeid(void);
  // A new item, joined to `owner` (which then frees it); with no owner the caller frees it.
  std::function<TXCollectionItem*(TXCollection* owner)> create;
  // True when `item` is of this class or of one derived from it.
  std::function<bool(const TXCollectionItem& item)> isInstance;
  std::string friendlyName;
  std::string friendlyDescription;
  int category = 0;
  bool uniqueItem = true;
  // False when the class refuses that collection.
  std::function<bool(const TXCollection& collection)> canAddTo;
};

template <class T>
const TXCollectionItemClass& XCollectionItemClassOf();

class TXCollectionItem : public TGLInterfacedPersistent {
 public:
  explicit TXCollectionItem(TXCollection* owner);
  ~TXCollectionItem() override;
  std::string ClassName() const override { return "TXCollectionItem"; }

  // The class of this item; every derived item class returns its own XCollectionItemClassOf<T>().
  virtual const TXCollectionItemClass& ItemClass() const;

  // From another item: its Name.
  void Assign(const TPersistent* source) override;
  virtual void SaveBinary(TVirtualWriter& writer) const;
  virtual void LoadBinary(TVirtualReader& reader);
  // After the collection that holds the item was read; nothing here.
  virtual void AfterLoad() {}

  TXCollection* Owner() const { return owner_; }
  TPersistent* GetOwner() const override;
  // "<collection's name path>[<index>]" in a collection.
  std::string GetNamePath() const override;
  const std::string& Name() const { return name_; }
  void SetName(const std::string& name) { name_ = name; }
  // Position in the collection, -1 without one.
  int Index() const;

  // What editors show of the class.
  static std::string FriendlyName() { return "TXCollectionItem"; }
  static std::string FriendlyDescription() { return {}; }
  static int ItemCategory() { return 0; }
  // At most one item of the class (or of a class derived from it) in a collection.
  static bool UniqueItem() { return true; }
  static bool CanAddTo(const TXCollection&) { return true; }

 private:
  friend class TXCollection;
  TXCollection* owner_;
  std::string name_;
};

class TXCollection : public TPersistent {
 public:
  // `owner`, the scene object holding the collection, is not owned.
  explicit TXCollection(TPersistent* owner);
  ~TXCollection() override;
  std::string ClassName() const override { return "TXCollection"; }

  TPersistent* Owner() const { return owner_; }
  TPersistent* GetOwner() const override { return owner_; }
  // The class name, or "<owner's name path>.XCollection".
  std::string GetNamePath() const override;

  int Count() const { return static_cast<int>(items_.size()); }
  // EListError outside 0..Count()-1.
  TXCollectionItem* Items(int index) const;
  // The version of the last stream read; 1 after a write.
  int StreamVersion() const { return streamVersion_; }

  // Frees every item.
  void Clear();
  // Null clears. A collection of the same class: a copy of each of its items, of the item's class.
  void Assign(const TPersistent* source) override;
  // Every item's AfterLoad.
  void AfterLoad();
  // The class of the items the collection takes.
  virtual const TXCollectionItemClass& ItemClass() const;
  // False when the class refuses this collection, when it is a unique class already present, or when
  // it derives from the class of a unique item present.
  bool AcceptsClass(const TXCollectionItemClass& itemClass) const;

  void SaveBinary(TVirtualWriter& writer);
  void LoadBinary(TVirtualReader& reader);

 private:
  friend class TXCollectionItem;
  // Frees the items of `items`, which no longer belong to the collection's list.
  static void FreeItems(std::vector<TXCollectionItem*>& items);

  TPersistent* owner_;
  std::vector<TXCollectionItem*> items_;
  int streamVersion_ = 0;
};

// Told of every collection about to be destroyed, when set.
extern std::function<void(TXCollection*)> XCollectionDestroyHook;

// The item classes a stream may name, by exact class name.
using TXCollectionItemClassRegistry = TClassRegistry<const TXCollectionItemClass*>;
TXCollectionItemClassRegistry& XCollectionItemClasses();

template <class T>
void RegisterXCollectionItemClass() {
  const TXCollectionItemClass& itemClass = XCollectionItemClassOf<T>();
  XCollectionItemClasses().Register(itemClass.className, typeid(T), [&itemClass] { return &itemClass; });
}

template <class T>
const TXCollectionItemClass& XCollectionItemClassOf() {
  static_assert(std::is_base_of_v<TXCollectionItem, T>);
  static const TXCollectionItemClass itemClass = [] {
    TXCollectionItemClass c;
    c.className = T(nullptr).ClassName();
    c.type = typeid(T);
    c.create = [](TXCollection* owner) -> TXCollectionItem* { return new T(owner); };
    c.isInstance = [](const TXCollectionItem& item) {
      if constexpr (std::is_same_v<T, TXCollectionItem>) {
        return true;
      } else {
        return dynamic_cast<const T*>(&item) != nullptr;
      }
    };
    c.friendlyName = T::FriendlyName();
    c.friendlyDescription = T::FriendlyDescription();
    c.category = T::ItemCategory();
    c.uniqueItem = T::UniqueItem();
    c.canAddTo = [](const TXCollection& collection) { return T::CanAddTo(collection); };
    return c;
  }();
  return itemClass;
}

}  // namespace scene3d
