#include "cad/graphic_obj_list.h"

#include "cad/cad_exceptions.h"

namespace cad {

namespace {
void FreeObject(TGraphicObject* object) {
  // A failure while freeing one object must not stop the others from being freed.
  try {
    delete object;
  } catch (...) {
  }
}
}  // namespace

// ---- Iterators ----

TGraphicObjIterator::TGraphicObjIterator(TGraphicObjList& list) : list_(list) {
  TKQSysLock lock(list_.lock_);
  ++list_.iterators_;
  current_ = list_.head_;
}

TGraphicObjIterator::~TGraphicObjIterator() {
  TKQSysLock lock(list_.lock_);
  if (list_.iterators_ > 0) --list_.iterators_;
}

TGraphicObject* TGraphicObjIterator::First() {
  current_ = list_.head_;
  return Current();
}

TGraphicObject* TGraphicObjIterator::Next() {
  if (current_ == nullptr) return nullptr;
  current_ = current_->Next;
  return Current();
}

TGraphicObject* TGraphicObjIterator::Current() const { return current_ ? current_->Object : nullptr; }

TGraphicObject* TGraphicObjIterator::Search(int32_t id) {
  for (TGraphicObjNode* node = list_.head_; node; node = node->Next) {
    if (node->Object->ID == id) {
      current_ = node;
      return node->Object;
    }
  }
  return nullptr;
}

int TGraphicObjIterator::Count() const { return list_.Count(); }

TExclusiveGraphicObjIterator::TExclusiveGraphicObjIterator(TGraphicObjList& list) : TGraphicObjIterator(list) {
  TKQSysLock lock(list_.lock_);
  ++list_.exclusive_;
}

TExclusiveGraphicObjIterator::~TExclusiveGraphicObjIterator() {
  TKQSysLock lock(list_.lock_);
  if (list_.exclusive_ > 0) --list_.exclusive_;
}

TGraphicObjNode* TExclusiveGraphicObjIterator::StepAwayFromCurrent() {
  TGraphicObjNode* node = current_;
  if (node) current_ = node->Next ? node->Next : node->Previous;
  return node;
}

void TExclusiveGraphicObjIterator::RemoveCurrent() {
  if (TGraphicObjNode* node = StepAwayFromCurrent()) list_.RemoveNode(node);
}

TGraphicObject* TExclusiveGraphicObjIterator::DetachCurrent() {
  TGraphicObjNode* node = StepAwayFromCurrent();
  return node ? list_.DetachNode(node) : nullptr;
}

// ---- The list ----

TGraphicObjList::TGraphicObjList() = default;

TGraphicObjList::~TGraphicObjList() { FreeAll(); }

void TGraphicObjList::FreeAll() {
  TGraphicObjNode* node = head_;
  while (node) {
    TGraphicObjNode* next = node->Next;
    if (FreeOnClear) FreeObject(node->Object);
    delete node;
    node = next;
  }
  head_ = tail_ = nullptr;
  count_ = 0;
}

void TGraphicObjList::Add(TGraphicObject* object) {
  if (object == nullptr) throw ECADListObjNotFound("TGraphicObjList.Add: No object to add.");
  TKQSysLock lock(lock_);
  if (iterators_ > 0) throw ECADListBlocked("TGraphicObjList.Add: The list has active iterators.");
  auto* node = new TGraphicObjNode{object, nullptr, tail_};
  if (tail_) tail_->Next = node;
  else head_ = node;
  tail_ = node;
  ++count_;
}

void TGraphicObjList::Delete(int32_t id) {
  TKQSysLock lock(lock_);
  if (iterators_ > 0) throw ECADListBlocked("TGraphicObjList.Delete: The list has active iterators.");
  TExclusiveGraphicObjIterator iterator(*this);
  if (!iterator.Search(id)) throw ECADListObjNotFound("TGraphicObjList.Delete: Object not found");
  iterator.RemoveCurrent();
}

void TGraphicObjList::Clear() {
  TKQSysLock lock(lock_);
  if (iterators_ > 0) throw ECADListBlocked("TGraphicObjList.Clear: The list has active iterators.");
  FreeAll();
}

std::unique_ptr<TGraphicObjIterator> TGraphicObjList::GetIterator() {
  TKQSysLock lock(lock_);
  if (exclusive_ > 0) throw ECADListBlocked("TGraphicObjList.GetIterator: The list has exclusive iterator.");
  return std::make_unique<TGraphicObjIterator>(*this);
}

std::unique_ptr<TExclusiveGraphicObjIterator> TGraphicObjList::GetExclusiveIterator() {
  TKQSysLock lock(lock_);
  if (iterators_ > 0) throw ECADListBlocked("TGraphicObjList.GetExclusiveIterator: The list has active iterators.");
  return std::make_unique<TExclusiveGraphicObjIterator>(*this);
}

std::unique_ptr<TExclusiveGraphicObjIterator> TGraphicObjList::GetPrivilegedIterator() {
  return std::make_unique<TExclusiveGraphicObjIterator>(*this);
}

bool TGraphicObjList::HasIterators() const {
  TKQSysLock lock(lock_);
  return iterators_ > 0;
}

int TGraphicObjList::Count() const {
  TKQSysLock lock(lock_);
  return count_;
}

void TGraphicObjList::RemoveNode(TGraphicObjNode* node) {
  if (node == nullptr) throw ECADListObjNotFound("TGraphicObjList.RemoveNode: No node to remove.");
  Unlink(node, FreeOnClear);
}

TGraphicObject* TGraphicObjList::DetachNode(TGraphicObjNode* node) {
  if (node == nullptr) throw ECADListObjNotFound("TGraphicObjList.DetachNode: No node to detach.");
  TGraphicObject* object = node->Object;
  Unlink(node, false);
  return object;
}

void TGraphicObjList::Unlink(TGraphicObjNode* node, bool freeObject) {
  TKQSysLock lock(lock_);
  if (node->Previous) node->Previous->Next = node->Next;
  else head_ = node->Next;
  if (node->Next) node->Next->Previous = node->Previous;
  else tail_ = node->Previous;
  if (freeObject) FreeObject(node->Object);
  delete node;
  --count_;
}

}  // namespace cad
