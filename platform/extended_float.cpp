#include "platform/extended_float.h"

#include <bit>
#include <cstring>

namespace platform {

namespace {

constexpr int kExtendedBias = 16383;
constexpr int kDoubleBias = 1023;
constexpr uint64_t kIntegerBit = uint64_t(1) << 63;
constexpr uint64_t kDoubleFraction = (uint64_t(1) << 52) - 1;

Extended80 Pack(bool negative, uint32_t exponent, uint64_t significand) {
  Extended80 out{};
  for (int i = 0; i < 8; ++i) out[size_t(i)] = static_cast<uint8_t>(significand >> (8 * i));
  uint32_t top = (negative ? 0x8000u : 0u) | (exponent & 0x7FFFu);
  out[8] = static_cast<uint8_t>(top);
  out[9] = static_cast<uint8_t>(top >> 8);
  return out;
}

double FromBits(uint64_t bits) {
  double v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

// Drops the low `shift` bits of `value` (1 <= shift <= 64), rounding to nearest, ties to even.
uint64_t ShiftRounded(uint64_t value, int shift) {
  if (shift == 64) {
    // Only the half bit remains: above half rounds up, exactly half goes to the even 0.
    return value > kIntegerBit ? 1 : 0;
  }
  uint64_t kept = value >> shift;
  uint64_t rest = value & ((uint64_t(1) << shift) - 1);
  uint64_t half = uint64_t(1) << (shift - 1);
  if (rest > half || (rest == half && (kept & 1))) ++kept;
  return kept;
}

}  // namespace

Extended80 DoubleToExtended(double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  bool negative = (bits >> 63) != 0;
  int exponent = static_cast<int>((bits >> 52) & 0x7FF);
  uint64_t fraction = bits & kDoubleFraction;
  if (exponent == 0x7FF) return Pack(negative, 0x7FFF, kIntegerBit | (fraction << 11));
  if (exponent == 0) {
    if (fraction == 0) return Pack(negative, 0, 0);
    // A denormal double is a normal extended number: move its leading bit up to the integer bit.
    int lead = 63 - std::countl_zero(fraction);  // fraction = 1.xxx * 2^lead, in units of 2^-1074
    return Pack(negative, static_cast<uint32_t>(lead - 1074 + kExtendedBias), fraction << (63 - lead));
  }
  return Pack(negative, static_cast<uint32_t>(exponent - kDoubleBias + kExtendedBias), kIntegerBit | (fraction << 11));
}

double ExtendedToDouble(const Extended80& bytes) {
  uint64_t significand = 0;
  for (int i = 7; i >= 0; --i) significand = (significand << 8) | bytes[size_t(i)];
  uint32_t top = bytes[8] | (uint32_t(bytes[9]) << 8);
  uint64_t sign = uint64_t(top >> 15) << 63;
  int exponent = static_cast<int>(top & 0x7FFF);
  if (exponent == 0x7FFF) {
    uint64_t fraction = significand & ~kIntegerBit;
    if (fraction == 0) return FromBits(sign | (uint64_t(0x7FF) << 52));
    // Keep the top of the payload and make sure the result stays a NaN.
    uint64_t payload = (fraction >> 11) & kDoubleFraction;
    if (payload == 0) payload = uint64_t(1) << 51;
    return FromBits(sign | (uint64_t(0x7FF) << 52) | payload);
  }
  if (significand == 0) return FromBits(sign);
  // value = significand * 2^(e - bias - 63), with a denormal (e = 0) scaled as e = 1.
  int scale = (exponent == 0 ? 1 : exponent) - kExtendedBias - 63;
  int normalise = std::countl_zero(significand);
  significand <<= normalise;
  scale -= normalise;
  int lead = scale + 63;  // exponent of the leading bit
  if (lead > kDoubleBias) return FromBits(sign | (uint64_t(0x7FF) << 52));
  if (lead >= 1 - kDoubleBias) {
    uint64_t kept = ShiftRounded(significand, 11);
    if (kept == (uint64_t(1) << 53)) {  // rounding carried into a new leading bit
      kept >>= 1;
      ++lead;
      if (lead > kDoubleBias) return FromBits(sign | (uint64_t(0x7FF) << 52));
    }
    return FromBits(sign | (uint64_t(lead + kDoubleBias) << 52) | (kept & kDoubleFraction));
  }
  // Denormal result: count in units of 2^-1074. A carry into bit 52 is the smallest normal, which
  // the same bit pattern expresses.
  int shift = -(scale + 1074);
  if (shift > 64) return FromBits(sign);
  return FromBits(sign | ShiftRounded(significand, shift));
}

}  // namespace platform
