// The program's own mouse cursors and the screen's cursor table (slot numbers as the 2D view uses
// them). The cursors are drawn in code.
#pragma once

#include <QCursor>
#include <map>
#include <optional>
#include <string_view>

namespace app {

// Slots of the program's cursors; 0 is the system's default (the arrow).
enum CursorSlot : int { kCursorDefault = 0, kCursorPan = 1, kCursorCross = 2, kCursorCropFrame = 3,
                        kCursorCropMove = 4, kCursorCropCentre = 5, kCursorCropPoint = 6 };

// The cursor resource of that name ("PAN", "CROCE", "CROPF", "CROMP", "CROCT", "CROPT"); none for
// any other name.
std::optional<QCursor> CursorResource(std::string_view name);

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

// Fills slots 1-6 with "PAN", "CROCE", "CROPF", "CROMP", "CROCT" and "CROPT"; a missing resource
// leaves its slot with the default cursor.
void LoadProgramCursors(CursorTable& table);

}  // namespace app
