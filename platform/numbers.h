// Locale-free number text. The decimal separator is always '.', whatever the user's locale, because
// NC programs, post-processors, settings and documents are exchanged between machines.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Round half to even, as the program's "Round" everywhere (std::nearbyint under the default mode).
int64_t Round(double value);
// Toward zero.
int64_t Trunc(double value);

// Fixed notation with the given number of decimals: FormatFixed(2.5, 3) == "2.500". A value exactly
// halfway at the last digit rounds away from zero (FormatFixed(0.0625, 3) == "0.063"), unlike Round;
// FormatPrintf and FormatFloatPattern round the same way.
std::string FormatFixed(double value, int decimals);

// A C-style fixed format of the restricted form "%[0][W][.P]f" (e.g. "%0.3f", "%.4f", "%8.2f").
// Anything else is refused with FormatError; text never becomes a printf format.
std::string FormatPrintf(std::string_view format, double value);

// Whether `format` is a fixed format FormatPrintf accepts.
bool IsFixedFormat(std::string_view format);

// Delphi FormatFloat patterns made of '0', '#' and one '.': "00" pads to two digits, "0.###" keeps
// up to three decimals. Other characters are copied as literals.
std::string FormatFloatPattern(std::string_view pattern, double value);

// The integer as decimal text.
std::string FormatInt(int64_t value);

// Reads a number written with '.', surrounding blanks allowed; nullopt for anything else
// (empty text, a lone "-" or ".", trailing garbage, ',' as separator).
std::optional<double> ParseDouble(std::string_view text);
std::optional<int64_t> ParseInt(std::string_view text);

// Same, but raise FormatError naming `what` when the text is not a number.
double StrToFloat(std::string_view text, std::string_view what = {});
int64_t StrToInt(std::string_view text, std::string_view what = {});

// What a number field of a window may hold.
enum class FieldRange { Any, Positive, NotNegative };
// Reads the single-precision value of a number field (a window's edit, a record's field). Nothing but
// a number within a single's range passes, and with `range` only values above 0 (or 0 and above):
// FormatError otherwise, its message naming the field ("Feed plane: \"1e39\" is too large for this
// field."). The one way every number field of the program is read, so what one place accepts the
// others accept too.
float ReadSingleField(std::string_view text, std::string_view field, FieldRange range = FieldRange::Any);
// The same without raising: nullopt where ReadSingleField would raise.
std::optional<float> ParseSingleField(std::string_view text, FieldRange range = FieldRange::Any);

// Trims blanks (space, tab, CR, LF) at both ends.
std::string Trim(std::string_view text);
// ASCII case folding for comparisons of names and keys.
std::string ToLowerAscii(std::string_view text);
std::string ToUpperAscii(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);

// Resets LC_NUMERIC to "C" (Qt sets the user's locale when it starts).
void ForceCNumericLocale();

}  // namespace platform
