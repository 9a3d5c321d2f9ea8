#include "scene3d/collection.h"

#include <algorithm>
#include <iterator>

#include "scene3d/erase_last.h"
#include "scene3d/scene3d_exceptions.h"

namespace scene3d {

namespace {
[[noreturn]] void IndexError() { throw EListError("Invalid list index"); }
}  // namespace

TCollectionItem::~TCollectionItem() {
  if (collection_) collection_->RemoveItem(this);
}

TPersistent* TCollectionItem::GetOwner() const { return collection_; }

void TCollectionItem::SetCollection(TCollection* collection) {
  if (collection == collection_) return;
  if (collection_) collection_->RemoveItem(this);
  if (collection) collection->InsertItem(this, collection->items_.size());
}

int TCollectionItem::Index() const {
  if (!collection_) return -1;
  auto& items = collection_->items_;
  return static_cast<int>(std::find(items.begin(), items.end(), this) - items.begin());
}

void TCollectionItem::SetIndex(int index) {
  int current = Index();
  if (current < 0 || current == index) return;
  auto& items = collection_->items_;
  if (index < 0 || index >= static_cast<int>(items.size())) IndexError();
  items.erase(items.begin() + current);
  items.insert(items.begin() + index, this);
  Changed(true);
}

void TCollectionItem::Changed(bool allItems) {
  if (collection_ && collection_->updateCount_ == 0) collection_->Update(allItems ? nullptr : this);
}

TCollection::TCollection(ItemClass itemClass) : itemClass_(std::move(itemClass)) {}

TCollection::~TCollection() {
  // Nobody is told about the items of a collection that is going away.
  updateCount_ = 1;
  while (!items_.empty()) delete items_.back();
}

TCollectionItem* TCollection::Add() { return Insert(Count()); }

TCollectionItem* TCollection::Insert(int index) {
  if (index < 0 || index > Count()) IndexError();
  std::unique_ptr<TCollectionItem> item = itemClass_(*this);
  TCollectionItem* raw = item.release();
  InsertItem(raw, size_t(index));
  return raw;
}

void TCollection::Delete(int index) { delete Items(index); }

void TCollection::Clear() {
  if (items_.empty()) return;
  BeginUpdate();
  while (!items_.empty()) delete items_.back();
  EndUpdate();
}

TCollectionItem* TCollection::Items(int index) const {
  if (index < 0 || index >= Count()) IndexError();
  return items_[size_t(index)];
}

void TCollection::Assign(const TPersistent* source) {
  auto* other = dynamic_cast<const TCollection*>(source);
  if (!other) {
    TPersistent::Assign(source);
    return;
  }
  if (other == this) return;
  BeginUpdate();
  try {
    Clear();
    for (TCollectionItem* item : other->items_) Add()->Assign(item);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TCollection::EndUpdate() {
  if (updateCount_ <= 0) return;
  if (--updateCount_ == 0) Changed();
}

void TCollection::Update(TCollectionItem*) {}

void TCollection::Changed() {
  if (updateCount_ == 0) Update(nullptr);
}

void TCollection::InsertItem(TCollectionItem* item, size_t position) {
  items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(position), item);
  item->collection_ = this;
  Changed();
}

void TCollection::RemoveItem(TCollectionItem* item) {
  // From the back: clearing frees the last item first, so a long collection empties in linear time.
  if (!EraseLast(items_, item)) return;
  item->collection_ = nullptr;
  Changed();
}

}  // namespace scene3d
