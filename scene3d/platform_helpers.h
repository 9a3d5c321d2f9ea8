// Small services the 3D library asks of the system. Clocks are in platform/clock.h (TickCount64,
// QueryCounter, QueryFrequency, ElapsedMilliseconds) and UTF-8 to UTF-16 in platform/utf16.h
// (Utf8ToWide); the component test IsSubComponent is in component.h.
#pragma once

#include <cstdint>
#include <string>

#include "platform/bitmap.h"

namespace scene3d {

// A message box with one OK button, through platform::CurrentDialogs().
void ShowInformation(const std::string& text, const std::string& caption);

// Raises EOSError "OS Error : " followed by the system's text for the last error (errno).
[[noreturn]] void RaiseLastSystemError();

// The first byte of row `row` (0 the top line) of a bitmap.
inline uint8_t* BitmapScanLine(platform::Bitmap& bitmap, int row) { return bitmap.Row(row); }

// IEEE 754 half precision to single: zero keeps its sign, a denormal half becomes a normal single,
// exponent 31 is an infinity or, with a non-zero fraction, a NaN that keeps the fraction.
float HalfToSingle(uint16_t half);

}  // namespace scene3d
