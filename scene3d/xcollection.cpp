#include "scene3d/xcollection.h"

#include <algorithm>
#include <cstring>

#include "scene3d/scene3d_exceptions.h"

namespace scene3d {

std::function<void(TXCollection*)> XCollectionDestroyHook;

namespace {
// The integer whose four bytes in memory are "XCOL".
constexpr int32_t kXColSignature = 0x4C4F4358;
}  // namespace

TXCollectionItemClassRegistry& XCollectionItemClasses() {
  static TXCollectionItemClassRegistry registry;
  return registry;
}

TXCollectionItem::TXCollectionItem(TXCollection* owner) : owner_(owner) {
  if (owner_) owner_->items_.push_back(this);
}

TXCollectionItem::~TXCollectionItem() {
  if (!owner_) return;
  auto& items = owner_->items_;
  auto found = std::find(items.begin(), items.end(), this);
  if (found != items.end()) items.erase(found);
}

const TXCollectionItemClass& TXCollectionItem::ItemClass() const { return XCollectionItemClassOf<TXCollectionItem>(); }

void TXCollectionItem::Assign(const TPersistent* source) {
  if (auto* item = dynamic_cast<const TXCollectionItem*>(source)) {
    name_ = item->name_;
    return;
  }
  TGLInterfacedPersistent::Assign(source);
}

void TXCollectionItem::SaveBinary(TVirtualWriter& writer) const {
  writer.WriteInteger(0);
  writer.WriteString(name_);
}

void TXCollectionItem::LoadBinary(TVirtualReader& reader) {
  reader.ReadInteger();
  name_ = reader.ReadString();
}

TPersistent* TXCollectionItem::GetOwner() const { return owner_; }

std::string TXCollectionItem::GetNamePath() const {
  if (!owner_) return TGLInterfacedPersistent::GetNamePath();
  return owner_->GetNamePath() + "[" + std::to_string(Index()) + "]";
}

int TXCollectionItem::Index() const {
  if (!owner_) return -1;
  const auto& items = owner_->items_;
  return static_cast<int>(std::find(items.begin(), items.end(), this) - items.begin());
}

TXCollection::TXCollection(TPersistent* owner) : owner_(owner) {}

TXCollection::~TXCollection() {
  if (XCollectionDestroyHook) XCollectionDestroyHook(this);
  Clear();
}

std::string TXCollection::GetNamePath() const {
  if (owner_) {
    const std::string path = owner_->GetNamePath();
    if (!path.empty()) return path + ".XCollection";
  }
  return ClassName();
}

TXCollectionItem* TXCollection::Items(int index) const {
  if (index < 0 || index >= Count()) throw EListError("Invalid list index");
  return items_[size_t(index)];
}

void TXCollection::FreeItems(std::vector<TXCollectionItem*>& items) {
  for (TXCollectionItem* item : items) {
    item->owner_ = nullptr;
    delete item;
  }
  items.clear();
}

void TXCollection::Clear() {
  std::vector<TXCollectionItem*> items;
  items.swap(items_);
  FreeItems(items);
}

void TXCollection::Assign(const TPersistent* source) {
  if (!source) {
    Clear();
    return;
  }
  if (source == this) return;
  if (typeid(*source) != typeid(*this)) {
    TPersistent::Assign(source);
    return;
  }
  const auto& from = static_cast<const TXCollection&>(*source);
  Clear();
  items_.reserve(from.items_.size());
  for (const TXCollectionItem* item : from.items_) {
    TXCollectionItem* copy = item->ItemClass().create(this);
    if (typeid(*copy) != typeid(*item)) {
      delete copy;
      throw platform::Exception(item->ClassName() + " must override ItemClass");
    }
    copy->Assign(item);
  }
}

void TXCollection::AfterLoad() {
  for (TXCollectionItem* item : items_) item->AfterLoad();
}

const TXCollectionItemClass& TXCollection::ItemClass() const { return XCollectionItemClassOf<TXCollectionItem>(); }

bool TXCollection::AcceptsClass(const TXCollectionItemClass& itemClass) const {
  if (itemClass.canAddTo && !itemClass.canAddTo(*this)) return false;
  std::unique_ptr<TXCollectionItem> probe;  // an item of the new class, made when first needed
  for (const TXCollectionItem* item : items_) {
    const TXCollectionItemClass& present = item->ItemClass();
    if (itemClass.uniqueItem && std::type_index(typeid(*item)) == itemClass.type) return false;
    if (present.uniqueItem) {
      if (!probe) probe.reset(itemClass.create(nullptr));
      if (present.isInstance(*probe)) return false;
    }
  }
  return true;
}

void TXCollection::SaveBinary(TVirtualWriter& writer) {
  streamVersion_ = 1;
  writer.WriteInteger(kXColSignature);
  writer.WriteInteger(1);
  writer.WriteInteger(Count());
  TClassNameWriter classes;
  for (const TXCollectionItem* item : items_) {
    classes.Write(writer, item->ClassName());
    item->SaveBinary(writer);
  }
}

void TXCollection::LoadBinary(TVirtualReader& reader) {
  // The items read replace those held, but only once the whole stream has been read.
  std::vector<TXCollectionItem*> held;
  held.swap(items_);
  const int heldVersion = streamVersion_;
  try {
    int32_t first = 0;
    try {
      switch (reader.NextValue()) {
        case vaInt8:
        case vaInt16:
        case vaInt32: first = reader.ReadInteger(); break;
        default: {
          uint8_t bytes[4];
          reader.Read(bytes, sizeof(bytes));
          std::memcpy(&first, bytes, sizeof(first));
        }
      }
    } catch (const platform::ReadError&) {
      first = 0;
    }
    int32_t count = first;
    streamVersion_ = 0;
    if (first == kXColSignature) {
      streamVersion_ = reader.ReadInteger();
      count = reader.ReadInteger();
    }
    // Every item takes at least one byte.
    if (count < 0 || uint64_t(count) > reader.Stream().Remaining())
      throw platform::ReadError("XCollection: " + std::to_string(count) + " items cannot be in the stream");
    std::vector<const TXCollectionItemClass*> classes;
    for (int32_t n = 0; n < count; ++n) {
      const TXCollectionItemClass* itemClass = nullptr;
      switch (reader.NextValue()) {
        case vaString:
        case vaLString:
        case vaWString:
        case vaUTF8String: {
          const std::string name = reader.ReadString();
          if (!XCollectionItemClasses().Contains(name))
            throw platform::ReadError("XCollection: unknown item class " + name);
          itemClass = XCollectionItemClasses().Create(name);
          classes.push_back(itemClass);
          break;
        }
        default: {
          const int32_t index = reader.ReadInteger();
          if (index < 0 || size_t(index) >= classes.size())
            throw platform::ReadError("XCollection: class index " + std::to_string(index) + " names no class");
          itemClass = classes[size_t(index)];
        }
      }
      itemClass->create(this)->LoadBinary(reader);
    }
  } catch (...) {
    Clear();
    items_.swap(held);
    streamVersion_ = heldVersion;
    throw;
  }
  FreeItems(held);
}

}  // namespace scene3d
