// Keyboard and mouse input in the terms the CAD library's events were written in: Windows
// virtual-key numbers (Enter 13, Esc 27, letters and digits their capital ASCII codes), the shift
// state as a set of flags, and the mouse buttons. Qt's keys reach them through one table.
#pragma once

#include <Qt>
#include <cstdint>

namespace platform {

// Virtual-key numbers the program names.
inline constexpr int VK_BACK = 8;
inline constexpr int VK_TAB = 9;
inline constexpr int VK_RETURN = 13;
inline constexpr int VK_SHIFT = 16;
inline constexpr int VK_CONTROL = 17;
inline constexpr int VK_MENU = 18;
inline constexpr int VK_ESCAPE = 27;
inline constexpr int VK_SPACE = 32;
inline constexpr int VK_LEFT = 37;
inline constexpr int VK_UP = 38;
inline constexpr int VK_RIGHT = 39;
inline constexpr int VK_DOWN = 40;
inline constexpr int VK_DELETE = 46;
inline constexpr int VK_NUMPAD0 = 96;
inline constexpr int VK_F1 = 112;

// The virtual-key number of a Qt key; keys of the number pad (KeypadModifier) take the pad's own
// numbers. 0 for a key without one.
int VirtualKeyFromQt(int qtKey, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

// The shift state: which of Shift, Alt and Ctrl and which mouse buttons are held, and whether the
// event is the second click of a double click.
using TShiftState = uint8_t;
inline constexpr TShiftState ssShift = 1;
inline constexpr TShiftState ssAlt = 2;
inline constexpr TShiftState ssCtrl = 4;
inline constexpr TShiftState ssLeft = 8;
inline constexpr TShiftState ssRight = 16;
inline constexpr TShiftState ssMiddle = 32;
inline constexpr TShiftState ssDouble = 64;

TShiftState ShiftStateFromQt(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons);

enum TMouseButton : uint8_t { mbLeft, mbRight, mbMiddle };

// The button of a press or release; false for a button the program does not know.
bool MouseButtonFromQt(Qt::MouseButton button, TMouseButton& result);

}  // namespace platform
