#include "scene3d/platform_helpers.h"

#include <gtest/gtest.h>

#include <bit>
#include <cerrno>
#include <cmath>
#include <limits>

#include "platform/dialogs.h"
#include "scene3d/scene3d_exceptions.h"

using namespace scene3d;

TEST(PlatformHelpers, HalfToSingleKeepsSignsDenormalsInfinitiesAndNaNs) {
  struct Case {
    uint16_t half;
    uint32_t single;
  } cases[] = {
      {0x3C00, 0x3F800000},  // 1
      {0x0000, 0x00000000},  // +0
      {0x8000, 0x80000000},  // -0 keeps its sign
      {0x7C00, 0x7F800000},  // +infinity
      {0xFC00, 0xFF800000},  // -infinity
      {0x7E00, 0x7FC00000},  // quiet NaN, fraction carried over
      {0x7C01, 0x7F802000},  // signalling NaN stays a NaN
      {0x0001, 0x33800000},  // smallest denormal, 2^-24
      {0x03FF, 0x387FC000},  // largest denormal
      {0x0400, 0x38800000},  // smallest normal, 2^-14
      {0x7BFF, 0x477FE000},  // largest finite, 65504
      {0xC000, 0xC0000000},  // -2
  };
  for (const Case& c : cases)
    EXPECT_EQ(std::bit_cast<uint32_t>(HalfToSingle(c.half)), c.single) << std::hex << c.half;
  EXPECT_EQ(HalfToSingle(0x7BFF), 65504.0f);
  EXPECT_EQ(HalfToSingle(0x0001), std::ldexp(1.0f, -24));
  EXPECT_TRUE(std::isnan(HalfToSingle(0x7E00)));
}

TEST(PlatformHelpers, InformationAndSystemErrorsReachTheUser) {
  platform::RecordingDialogs dialogs;
  platform::ScopedDialogs scope(&dialogs);
  ShowInformation("OpenGL 1.1 found", "Velkora");
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].caption, "Velkora");
  EXPECT_EQ(dialogs.messages[0].buttons, platform::Buttons::Ok);
  EXPECT_EQ(dialogs.messages[0].kind, platform::MessageKind::Information);

  errno = ENOENT;
  try {
    RaiseLastSystemError();
  } catch (const EOSError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("OS Error : ", 0), 0u) << e.what();
    EXPECT_GT(std::string(e.what()).size(), 11u) << "the system's text follows";
  }
}
