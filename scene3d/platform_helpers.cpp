#include "scene3d/platform_helpers.h"

#include <bit>
#include <cerrno>
#include <cstring>

#include "platform/dialogs.h"
#include "scene3d/scene3d_exceptions.h"

namespace scene3d {

void ShowInformation(const std::string& text, const std::string& caption) {
  platform::CurrentDialogs().Message(text, caption, platform::MessageKind::Information, platform::Buttons::Ok);
}

void RaiseLastSystemError() {
  int code = errno;
  throw EOSError("OS Error : " + std::string(std::strerror(code)));
}

float HalfToSingle(uint16_t half) {
  uint32_t sign = uint32_t(half & 0x8000) << 16;
  uint32_t exponent = (half >> 10) & 0x1F;
  uint32_t fraction = half & 0x3FF;
  uint32_t bits;
  if (exponent == 0) {
    if (fraction == 0) {
      bits = sign;
    } else {
      // Shift the fraction up until its leading bit becomes the implicit one.
      int shift = std::countl_zero(fraction) - 21;  // 21 = 32 - 11 bits of a normal significand
      fraction = (fraction << shift) & 0x3FF;
      bits = sign | (uint32_t(127 - 15 + 1 - shift) << 23) | (fraction << 13);
    }
  } else if (exponent == 31) {
    bits = sign | 0x7F800000u | (fraction << 13);
  } else {
    bits = sign | ((exponent - 15 + 127) << 23) | (fraction << 13);
  }
  return std::bit_cast<float>(bits);
}

}  // namespace scene3d
