// The owning list of drawing objects with its iterators. The painting thread walks a list through
// shared iterators while the GUI thread may try to change it; a list refuses every change while an
// iterator is open, so a reader never sees a node vanish. Tests and changes run under the list's lock.
#pragma once

#include <cstdint>
#include <memory>

#include "cad/critical_section.h"
#include "cad/graphic_object.h"

namespace cad {

class TGraphicObjList;

// A link of the list: the object and its neighbours.
struct TGraphicObjNode {
  TGraphicObject* Object = nullptr;
  TGraphicObjNode* Next = nullptr;
  TGraphicObjNode* Previous = nullptr;
};

// A reader's position in a list; freeing the iterator releases the list.
class TGraphicObjIterator {
 public:
  explicit TGraphicObjIterator(TGraphicObjList& list);
  virtual ~TGraphicObjIterator();
  TGraphicObjIterator(const TGraphicObjIterator&) = delete;
  TGraphicObjIterator& operator=(const TGraphicObjIterator&) = delete;

  TGraphicObject* First();
  // None at the end of the list (the iterator then has no current node).
  TGraphicObject* Next();
  TGraphicObject* Current() const;
  // The first object with this ID, which becomes current; none (current unchanged) when absent.
  TGraphicObject* Search(int32_t id);
  int Count() const;

 protected:
  TGraphicObjList& list_;
  TGraphicObjNode* current_ = nullptr;
};

// The one iterator that may change the list.
class TExclusiveGraphicObjIterator : public TGraphicObjIterator {
 public:
  explicit TExclusiveGraphicObjIterator(TGraphicObjList& list);
  ~TExclusiveGraphicObjIterator() override;

  // Removes the current node (freeing the object when the list owns it); the following node becomes
  // current, or the preceding one when the last was removed.
  void RemoveCurrent();
  // The same, but the object survives and is handed to the caller.
  TGraphicObject* DetachCurrent();

 private:
  // The current node, after making its follower (or, at the tail, its predecessor) current.
  TGraphicObjNode* StepAwayFromCurrent();
};

class TGraphicObjList {
 public:
  TGraphicObjList();
  ~TGraphicObjList();
  TGraphicObjList(const TGraphicObjList&) = delete;
  TGraphicObjList& operator=(const TGraphicObjList&) = delete;

  // Appends at the tail; the list owns the object from then on when FreeOnClear is set. Refused with
  // ECADListBlocked (the object stays the caller's) while an iterator is open, and with
  // ECADListObjNotFound for no object at all (every search reads the object of each node).
  void Add(TGraphicObject* object);
  // Removes the first object with this ID; ECADListObjNotFound when there is none.
  void Delete(int32_t id);
  void Clear();
  std::unique_ptr<TGraphicObjIterator> GetIterator();
  std::unique_ptr<TExclusiveGraphicObjIterator> GetExclusiveIterator();
  // An exclusive iterator without any test, for the container's own saving.
  std::unique_ptr<TExclusiveGraphicObjIterator> GetPrivilegedIterator();
  bool HasIterators() const;
  int Count() const;
  TKQSysCriticalSection& Lock() { return lock_; }

  // Under the lock, unlink a node of this list and free it. RemoveNode also frees the object when
  // the list owns it; DetachNode hands the object back. The caller holds the list through an
  // exclusive iterator (no test here, as the iterator's own removals go through them). No node
  // raises ECADListObjNotFound.
  void RemoveNode(TGraphicObjNode* node);
  TGraphicObject* DetachNode(TGraphicObjNode* node);

  bool FreeOnClear = true;

 private:
  friend class TGraphicObjIterator;
  friend class TExclusiveGraphicObjIterator;
  void Unlink(TGraphicObjNode* node, bool freeObject);
  void FreeAll();

  TGraphicObjNode* head_ = nullptr;
  TGraphicObjNode* tail_ = nullptr;
  int exclusive_ = 0;  // open exclusive iterators; the exclusive flag is exclusive_ > 0
  int iterators_ = 0;
  int count_ = 0;
  mutable TKQSysCriticalSection lock_;
};

}  // namespace cad
