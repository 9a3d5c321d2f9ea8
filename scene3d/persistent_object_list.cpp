#include "scene3d/persistent_object_list.h"

#include <algorithm>

#include "scene3d/scene3d_exceptions.h"

namespace scene3d {

namespace {
const bool kRegistered = (RegisterPersistentClass<TPersistentObjectList>(), true);
}

void TPersistentObjectList::CheckIndex(int index, int limit) const {
  if (index < 0 || index >= limit) RaiseIndexError();
}

void TPersistentObjectList::RaiseIndexError() const { throw EListError("Invalid list index"); }

int TPersistentObjectList::Add(TObject* item) {
  if (count_ == Capacity()) SetCapacity(Capacity() + growthDelta_);
  items_[size_t(count_)] = item;
  return count_++;
}

void TPersistentObjectList::Insert(int index, TObject* item) {
  CheckIndex(index, count_ + 1);
  if (count_ == Capacity()) SetCapacity(Capacity() + growthDelta_);
  std::move_backward(items_.begin() + index, items_.begin() + count_, items_.begin() + count_ + 1);
  items_[size_t(index)] = item;
  ++count_;
}

void TPersistentObjectList::Delete(int index) {
  CheckIndex(index, count_);
  std::move(items_.begin() + index + 1, items_.begin() + count_, items_.begin() + index);
  items_[size_t(--count_)] = nullptr;
}

TObject* TPersistentObjectList::Get(int index) const {
  CheckIndex(index, count_);
  return items_[size_t(index)];
}

void TPersistentObjectList::Put(int index, TObject* item) {
  CheckIndex(index, count_);
  items_[size_t(index)] = item;
}

int TPersistentObjectList::IndexOf(const TObject* item) const {
  auto end = items_.begin() + count_;
  auto it = std::find(items_.begin(), end, item);
  return it == end ? -1 : static_cast<int>(it - items_.begin());
}

int TPersistentObjectList::Remove(const TObject* item) {
  int index = IndexOf(item);
  if (index >= 0) Delete(index);
  return index;
}

TObject* TPersistentObjectList::Pop() {
  if (count_ == 0) return nullptr;
  TObject* last = items_[size_t(count_ - 1)];
  Delete(count_ - 1);
  return last;
}

void TPersistentObjectList::SetCount(int count) {
  if (count < 0) RaiseIndexError();
  if (count > Capacity()) SetCapacity(count);
  std::fill(items_.begin() + std::min(count, count_), items_.begin() + count, nullptr);
  count_ = count;
}

void TPersistentObjectList::SetCapacity(int capacity) {
  if (capacity < 0) RaiseIndexError();
  items_.resize(size_t(capacity), nullptr);
  count_ = std::min(count_, capacity);
}

void TPersistentObjectList::FreeItems() {
  for (int i = count_ - 1; i >= 0; --i) {
    if (i >= count_) continue;
    TObject* item = items_[size_t(i)];
    items_[size_t(i)] = nullptr;
    // A list that a read filled holds what the read made: it goes with its items, not without.
    if (auto* list = dynamic_cast<TPersistentObjectList*>(item); list && list->readItems_) list->Clean();
    delete item;
  }
}

void TPersistentObjectList::Clean() {
  FreeItems();
  Clear();
}

void TPersistentObjectList::FreeReadTree() {
  for (int i = 0; i < count_; ++i) {
    if (auto* list = dynamic_cast<TPersistentObjectList*>(items_[size_t(i)])) list->FreeReadTree();
  }
  Clean();
}

void TPersistentObjectList::Clear() {
  items_.clear();
  items_.shrink_to_fit();
  count_ = 0;
  readItems_ = false;
}

void TPersistentObjectList::AfterObjectCreatedByReader(TObject*) {}

void TPersistentObjectList::WriteToArchive(TVirtualWriter& writer) const {
  writer.WriteInteger(0);
  writer.WriteListBegin();
  TClassNameWriter classes;
  for (int i = 0; i < count_; ++i) {
    auto* item = dynamic_cast<const TPersistentObject*>(items_[size_t(i)]);
    if (!item) {
      writer.WriteBoolean(false);
      writer.WriteInteger(0);
      continue;
    }
    classes.Write(writer, item->ClassName());
    item->WriteToArchive(writer);
  }
  writer.WriteListEnd();
}

void TPersistentObjectList::ReadFromArchive(TVirtualReader& reader) {
  TVirtualReader::NestingGuard nesting(reader);
  Clean();
  try {
    int32_t version = reader.ReadInteger();
    if (version != 0) RaiseUnknownVersion(version);
    reader.ReadListBegin();
    std::vector<const TPersistentClassRegistry::Factory*> classes;
    while (!reader.EndOfList()) {
      const TPersistentClassRegistry::Factory* factory = nullptr;
      switch (reader.NextValue()) {
        case vaInt8:
        case vaInt16:
        case vaInt32: {
          int32_t index = reader.ReadInteger();
          if (index < 0 || size_t(index) >= classes.size()) throw EFilerException("Broken ObjectList archive");
          factory = classes[size_t(index)];
          break;
        }
        case vaString:
        case vaLString:
        case vaWString:
        case vaUTF8String:
          factory = &PersistentClasses().Find(reader.ReadString());
          classes.push_back(factory);
          break;
        case vaFalse:
        case vaTrue:
          // An entry that held no object of ours: whatever number follows, it reads as empty.
          reader.ReadBoolean();
          reader.ReadInteger();
          Add(nullptr);
          continue;
        default:
          throw EFilerException("Broken ObjectList archive");
      }
      std::unique_ptr<TPersistentObject> item = (*factory)();
      AfterObjectCreatedByReader(item.get());
      item->ReadFromArchive(reader);
      Add(item.get());
      item.release();
    }
    reader.ReadListEnd();
    readItems_ = true;
  } catch (...) {
    // Half a list is no list: free what was read.
    FreeReadTree();
    throw;
  }
}

}  // namespace scene3d
