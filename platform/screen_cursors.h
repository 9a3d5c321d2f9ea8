// The screen's cursors, as the Windows screen object kept them: a table of cursors by slot number
// that the program fills at start-up, and the one cursor every window of the program shows while it
// is set (slot 0 gives each window its own cursor back). The 2D view's snapping shows its kind of
// snap through slots 2-6.
#pragma once

#include <QCursor>
#include <map>

namespace platform {

class CursorTable {
 public:
  void Set(int slot, const QCursor& cursor) { cursors_[slot] = cursor; }
  // The cursor of a slot; the arrow for a slot never filled.
  QCursor Get(int slot) const;
  bool Has(int slot) const { return cursors_.count(slot) != 0; }

 private:
  std::map<int, QCursor> cursors_;
};

// The screen's table, shared by every window.
CursorTable& ScreenCursors();

// Every window shows the cursor of `slot` from now on; 0 ends that.
void SetScreenCursor(int slot);
// The slot set last, 0 when none.
int ScreenCursor();

}  // namespace platform
