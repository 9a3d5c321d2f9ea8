// Conversions between the program's 8-bit text (UTF-8) and 16-bit text (UTF-16), for files whose
// strings are stored in UTF-16.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// UTF-8 to UTF-16, lenient as the 3D archives need it: the lead byte alone says how many bytes
// follow (1 for C0-DF, 2 for E0-EF, 3 for F0-F7, 4 for F8-FB, 5 for FC-FF, none for 00-BF, so a
// stray continuation byte becomes U+0080..U+00BF) and the following bytes are taken as they are.
// A sequence cut off by the end of the text becomes U+FFFD and ends the conversion; a value above
// U+10FFFF, which UTF-16 cannot carry, becomes U+FFFD too.
std::u16string Utf8ToWide(std::string_view text);

// UTF-16 to UTF-8; a surrogate without its partner becomes U+FFFD.
std::string WideToUtf8(std::u16string_view text);

}  // namespace platform
