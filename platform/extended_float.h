// The 80-bit extended floating-point format of older file formats (sign bit, 15-bit exponent biased
// by 16383, 64-bit significand with an explicit integer bit), converted bit by bit so the result
// does not depend on the compiler's long double.
#pragma once

#include <array>
#include <cstdint>

namespace platform {

using Extended80 = std::array<uint8_t, 10>;  // little-endian: significand, then sign and exponent

// Exact: every double is an extended value. Infinities and NaNs (payload kept) carry over.
Extended80 DoubleToExtended(double value);

// Rounded to nearest, ties to even; too large gives an infinity, too small a denormal or zero.
// Encodings a processor would refuse (an exponent without the integer bit) are read by their
// plain value; an exponent of all ones with a zero fraction is an infinity, with any other a NaN.
double ExtendedToDouble(const Extended80& bytes);

}  // namespace platform
