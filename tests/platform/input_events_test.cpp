// Qt's keys and buttons in the CAD library's terms: the virtual-key numbers of one table, the shift
// state and the mouse buttons.
#include "platform/input_events.h"

#include <gtest/gtest.h>

namespace {

using namespace platform;

TEST(InputEventsTest, QtKeysBecomeVirtualKeyNumbers) {
  struct Case {
    int key;
    Qt::KeyboardModifiers modifiers;
    int vk;
  };
  const Case cases[] = {
      {Qt::Key_Return, Qt::NoModifier, 13},     {Qt::Key_Enter, Qt::KeypadModifier, 13},
      {Qt::Key_Escape, Qt::NoModifier, 27},     {Qt::Key_A, Qt::NoModifier, 'A'},
      {Qt::Key_Z, Qt::ShiftModifier, 'Z'},      {Qt::Key_5, Qt::NoModifier, '5'},
      {Qt::Key_Percent, Qt::ShiftModifier, '5'}, {Qt::Key_5, Qt::KeypadModifier, 101},
      {Qt::Key_Asterisk, Qt::KeypadModifier, 106}, {Qt::Key_Minus, Qt::NoModifier, 189},
      {Qt::Key_Minus, Qt::KeypadModifier, 109}, {Qt::Key_F1, Qt::NoModifier, 112},
      {Qt::Key_F12, Qt::NoModifier, 123},       {Qt::Key_Left, Qt::NoModifier, 37},
      {Qt::Key_Down, Qt::NoModifier, 40},       {Qt::Key_Delete, Qt::NoModifier, 46},
      {Qt::Key_Shift, Qt::ShiftModifier, 16},   {Qt::Key_Space, Qt::NoModifier, 32},
      {Qt::Key_Backspace, Qt::NoModifier, 8},   {Qt::Key_unknown, Qt::NoModifier, 0},
      {Qt::Key_VolumeUp, Qt::NoModifier, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(VirtualKeyFromQt(c.key, c.modifiers), c.vk) << std::hex << c.key;
}

TEST(InputEventsTest, ShiftStateAndButtons) {
  EXPECT_EQ(ShiftStateFromQt(Qt::ShiftModifier | Qt::ControlModifier, Qt::LeftButton | Qt::MiddleButton),
            ssShift | ssCtrl | ssLeft | ssMiddle);
  EXPECT_EQ(ShiftStateFromQt(Qt::AltModifier, Qt::RightButton), ssAlt | ssRight);
  EXPECT_EQ(ShiftStateFromQt(Qt::NoModifier, Qt::NoButton), 0);
  TMouseButton b = mbLeft;
  EXPECT_TRUE(MouseButtonFromQt(Qt::RightButton, b));
  EXPECT_EQ(b, mbRight);
  EXPECT_FALSE(MouseButtonFromQt(Qt::BackButton, b));
}

}  // namespace
