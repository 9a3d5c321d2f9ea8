// Test entry point shared by every test program: a QApplication exists (offscreen unless a display
// is asked for) so widget and canvas tests can run, and numbers use '.' as the program does.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "platform/numbers.h"

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  platform::ForceCNumericLocale();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
