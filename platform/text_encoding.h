// Text from the Windows world: the program's texts are UTF-8, while post-processors, language files
// and tool names written on Windows are Windows-1252 (one byte a character, "€" at 0x80, "–" at 0x96).
#pragma once

#include <string>
#include <string_view>

namespace platform {

bool IsValidUtf8(std::string_view bytes);

// Every byte as its Windows-1252 character, in UTF-8. The five bytes the code page leaves unassigned
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the control characters of the same number, as Windows reads them.
std::string Windows1252ToUtf8(std::string_view bytes);

// Each character as its Windows-1252 byte; a character the code page lacks (and a byte that is not
// valid UTF-8) becomes '?'.
std::string Utf8ToWindows1252(std::string_view text);

// UTF-8 text as plain ASCII, for machine controls that refuse bytes above 127: Latin letters lose
// their accents ("ö" becomes "o", "ß" "ss", "Æ" "AE"), typographic quotes, dashes and the ellipsis
// take their plain forms, a no-break space is a blank; any other character, and any byte that is not
// valid UTF-8, becomes '?'. ASCII stays as it is.
std::string TransliterateToAscii(std::string_view text);

// The text of a file as UTF-8: without a UTF-8 byte-order mark, as it stands when it is valid UTF-8,
// otherwise read as Windows-1252.
std::string DecodeTextFile(std::string_view bytes);

}  // namespace platform
