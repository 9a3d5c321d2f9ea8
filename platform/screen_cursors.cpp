#include "platform/screen_cursors.h"

#include <QGuiApplication>

namespace platform {

namespace {
int currentSlot = 0;
}  // namespace

QCursor CursorTable::Get(int slot) const {
  auto it = cursors_.find(slot);
  return it == cursors_.end() ? QCursor(Qt::ArrowCursor) : it->second;
}

CursorTable& ScreenCursors() {
  static CursorTable table;
  return table;
}

void SetScreenCursor(int slot) {
  if (slot == currentSlot) return;
  // One override of ours at most on Qt's stack: it is changed in place, and taken off for slot 0.
  if (slot == 0)
    QGuiApplication::restoreOverrideCursor();
  else if (currentSlot == 0)
    QGuiApplication::setOverrideCursor(ScreenCursors().Get(slot));
  else
    QGuiApplication::changeOverrideCursor(ScreenCursors().Get(slot));
  currentSlot = slot;
}

int ScreenCursor() { return currentSlot; }

}  // namespace platform
