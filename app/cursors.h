// The program's own mouse cursors and the screen's cursor table (slot numbers as the 2D view uses
// them). The cursors are drawn in code.
#pragma once

#include <QCursor>
#include <optional>
#include <string_view>

#include "platform/screen_cursors.h"

namespace app {

// Slots of the program's cursors; 0 is the system's default (the arrow).
enum CursorSlot : int { kCursorDefault = 0, kCursorPan = 1, kCursorCross = 2, kCursorCropFrame = 3,
                        kCursorCropMove = 4, kCursorCropCentre = 5, kCursorCropPoint = 6 };

// The cursor resource of that name ("PAN", "CROCE", "CROPF", "CROMP", "CROCT", "CROPT"); none for
// any other name.
std::optional<QCursor> CursorResource(std::string_view name);

// The screen's table lives in the platform layer, where the 2D view's snapping sets its cursors.
using platform::CursorTable;
using platform::ScreenCursors;

// Fills slots 1-6 with "PAN", "CROCE", "CROPF", "CROMP", "CROCT" and "CROPT"; a missing resource
// leaves its slot with the default cursor.
void LoadProgramCursors(CursorTable& table);

}  // namespace app
