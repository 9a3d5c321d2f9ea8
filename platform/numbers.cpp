#include "platform/numbers.h"

#include <bit>
#include <cctype>
#include <charconv>
#include <clocale>
#include <cmath>
#include <limits>
#include <system_error>

#include "platform/exception.h"
#include "platform/texts.h"

namespace platform {

int64_t Round(double value) { return static_cast<int64_t>(std::nearbyint(value)); }

int64_t Trunc(double value) { return static_cast<int64_t>(std::trunc(value)); }

namespace {

// Whether `value` lies exactly halfway between two texts of `decimals` decimals. With value = m * 2^e
// and m odd, 2 * value * 10^decimals = m * 5^decimals * 2^(e + 1 + decimals) is an odd whole number
// exactly when e = -(decimals + 1).
bool IsDecimalTie(double value, int decimals) {
  if (value == 0.0 || !std::isfinite(value)) return false;
  const uint64_t bits = std::bit_cast<uint64_t>(value);
  const int biased = static_cast<int>((bits >> 52) & 0x7FF);
  uint64_t mantissa = bits & ((uint64_t(1) << 52) - 1);
  int exponent = -1074;
  if (biased != 0) {
    mantissa |= uint64_t(1) << 52;
    exponent = biased - 1075;
  }
  return exponent + std::countr_zero(mantissa) == -(decimals + 1);
}

// Adds one unit in the last digit of a fixed text ("-0.999" becomes "-1.000").
void IncrementLastDigit(std::string& text) {
  for (size_t i = text.size(); i-- > 0;) {
    char& c = text[i];
    if (c == '.') continue;
    if (c == '-') {
      text.insert(i + 1, "1");
      return;
    }
    if (c != '9') {
      ++c;
      return;
    }
    c = '0';
  }
  text.insert(0, "1");
}

}  // namespace

std::string FormatFixed(double value, int decimals) {
  if (decimals < 0) decimals = 0;
  if (decimals > 30) decimals = 30;
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  char buffer[400];
  // The number texts of NC programs and fields round a value exactly halfway away from zero (0.0625
  // with three decimals is 0.063), as the program always wrote them; to_chars would take the even
  // digit. A tie has exactly decimals + 1 decimals, so that text is exact and ends in 5.
  const bool tie = IsDecimalTie(value, decimals);
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals + (tie ? 1 : 0));
  if (result.ec != std::errc()) return "0";
  std::string text(buffer, result.ptr);
  if (tie) {
    text.pop_back();
    if (text.back() == '.') text.pop_back();
    IncrementLastDigit(text);
  }
  return text;
}

namespace {

struct FixedSpec {
  bool zeroPad = false;
  bool leftAlign = false;
  int width = 0;
  int precision = 6;
};

std::optional<FixedSpec> ParseFixedFormat(std::string_view f) {
  FixedSpec spec;
  if (f.size() < 2 || f.front() != '%' || f.back() != 'f') return std::nullopt;
  f = f.substr(1, f.size() - 2);
  size_t i = 0;
  while (i < f.size() && (f[i] == '0' || f[i] == '-')) {
    if (f[i] == '0') spec.zeroPad = true;
    else spec.leftAlign = true;
    ++i;
  }
  int width = 0;
  while (i < f.size() && std::isdigit(static_cast<unsigned char>(f[i]))) {
    width = width * 10 + (f[i] - '0');
    if (width > 99) return std::nullopt;
    ++i;
  }
  spec.width = width;
  if (i < f.size() && f[i] == '.') {
    ++i;
    int precision = 0;
    size_t digits = 0;
    while (i < f.size() && std::isdigit(static_cast<unsigned char>(f[i]))) {
      precision = precision * 10 + (f[i] - '0');
      if (precision > 30) return std::nullopt;
      ++i;
      ++digits;
    }
    spec.precision = digits ? precision : 0;
  }
  if (i != f.size()) return std::nullopt;
  return spec;
}

}  // namespace

bool IsFixedFormat(std::string_view format) { return ParseFixedFormat(format).has_value(); }

std::string FormatPrintf(std::string_view format, double value) {
  auto spec = ParseFixedFormat(format);
  if (!spec) throw FormatError("Invalid number format \"" + std::string(format) + "\"");
  std::string text = FormatFixed(value, spec->precision);
  if (static_cast<int>(text.size()) < spec->width) {
    size_t pad = spec->width - text.size();
    if (spec->leftAlign) {
      text.append(pad, ' ');
    } else if (spec->zeroPad && std::isfinite(value)) {
      size_t signLength = (!text.empty() && text[0] == '-') ? 1 : 0;
      text.insert(signLength, pad, '0');
    } else {
      text.insert(0, pad, ' ');
    }
  }
  return text;
}

std::string FormatFloatPattern(std::string_view pattern, double value) {
  // Split the pattern into its integer and fraction placeholders.
  size_t dot = pattern.find('.');
  std::string_view intPart = pattern.substr(0, dot);
  std::string_view fracPart = dot == std::string_view::npos ? std::string_view() : pattern.substr(dot + 1);
  int minInt = 0;
  for (char c : intPart) if (c == '0') ++minInt;
  int minFrac = 0, maxFrac = 0;
  for (char c : fracPart) {
    if (c == '0') { ++minFrac; ++maxFrac; }
    else if (c == '#') ++maxFrac;
  }
  std::string text = FormatFixed(std::fabs(value), maxFrac);
  // Negative unless every digit shown is zero; read from the text itself, since std::stod follows the
  // C locale and a ',' locale stops it at the '.'.
  bool negative = value < 0 && text.find_first_of("123456789") != std::string::npos;
  std::string digits = text, fraction;
  size_t p = text.find('.');
  if (p != std::string::npos) {
    digits = text.substr(0, p);
    fraction = text.substr(p + 1);
  }
  while (static_cast<int>(fraction.size()) > minFrac && !fraction.empty() && fraction.back() == '0')
    fraction.pop_back();
  if (digits == "0" && minInt == 0) digits.clear();
  while (static_cast<int>(digits.size()) < minInt) digits.insert(0, "0");
  // Literal characters of the pattern (anything but 0 # .) keep their places around the number.
  std::string prefix, suffix;
  for (char c : intPart) if (c != '0' && c != '#' && c != ',') prefix += c;
  for (char c : fracPart) if (c != '0' && c != '#') suffix += c;
  std::string out = prefix + (negative ? "-" : "") + digits;
  if (!fraction.empty()) out += "." + fraction;
  if (out.empty() || out == "-") out += "0";
  return out + suffix;
}

std::string FormatInt(int64_t value) { return std::to_string(value); }

std::string Trim(std::string_view text) {
  size_t b = 0, e = text.size();
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (b < e && blank(text[b])) ++b;
  while (e > b && blank(text[e - 1])) --e;
  return std::string(text.substr(b, e - b));
}

std::optional<double> ParseDouble(std::string_view text) {
  std::string t = Trim(text);
  if (t.empty()) return std::nullopt;
  size_t start = (t[0] == '+') ? 1 : 0;
  if (start && t.size() > 1 && t[1] == '-') return std::nullopt;
  // from_chars does not take hex, inf or nan without being asked; accept only plain decimals.
  for (size_t i = start; i < t.size(); ++i) {
    char c = t[i];
    if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == 'e' || c == 'E' || c == '+'))
      return std::nullopt;
  }
  double value = 0;
  auto result = std::from_chars(t.data() + start, t.data() + t.size(), value, std::chars_format::general);
  if (result.ec != std::errc() || result.ptr != t.data() + t.size()) return std::nullopt;
  if (!std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<int64_t> ParseInt(std::string_view text) {
  std::string t = Trim(text);
  if (t.empty()) return std::nullopt;
  size_t start = (t[0] == '+') ? 1 : 0;
  // from_chars takes a '-' of its own: "+-5" would pass as -5.
  if (start && t.size() > 1 && t[1] == '-') return std::nullopt;
  int64_t value = 0;
  auto result = std::from_chars(t.data() + start, t.data() + t.size(), value, 10);
  if (result.ec != std::errc() || result.ptr != t.data() + t.size()) return std::nullopt;
  return value;
}

double StrToFloat(std::string_view text, std::string_view what) {
  auto value = ParseDouble(text);
  if (!value) {
    throw FormatError(what.empty() ? TextFormat("1310", "\"%1\" is not a valid number", {text})
                                   : TextFormat("1311", "\"%1\" is not a valid number (%2)", {text, what}));
  }
  return *value;
}

namespace {

enum class FieldProblem { None, NotANumber, TooLarge, NotAboveZero, BelowZero };

// Why the text is no value of the field.
FieldProblem SingleFieldProblem(std::string_view text, FieldRange range, float* value) {
  const std::optional<double> parsed = ParseDouble(text);
  if (!parsed || !std::isfinite(*parsed)) return FieldProblem::NotANumber;
  // A single holds about 3.4e38; a wider value would become infinite on the way.
  if (std::fabs(*parsed) > static_cast<double>(std::numeric_limits<float>::max())) return FieldProblem::TooLarge;
  const float single = static_cast<float>(*parsed);
  if (range == FieldRange::Positive && !(single > 0.0f)) return FieldProblem::NotAboveZero;
  if (range == FieldRange::NotNegative && single < 0.0f) return FieldProblem::BelowZero;
  if (value) *value = single;
  return FieldProblem::None;
}

// The refusal of `text` in `field` (none named: the text alone), in whole sentences so a language can
// order the words its own way.
std::string FieldProblemText(FieldProblem problem, std::string_view text, std::string_view field) {
  struct Sentence {
    const char* number;
    const char* english;
  };
  Sentence named{}, alone{};
  switch (problem) {
    case FieldProblem::NotANumber:
      named = {"1312", "%1: \"%2\" is not a number."};
      alone = {"1313", "\"%1\" is not a number."};
      break;
    case FieldProblem::TooLarge:
      named = {"1314", "%1: \"%2\" is too large for this field."};
      alone = {"1315", "\"%1\" is too large for this field."};
      break;
    case FieldProblem::NotAboveZero:
      named = {"1316", "%1: \"%2\" must be above 0."};
      alone = {"1317", "\"%1\" must be above 0."};
      break;
    default:
      named = {"1318", "%1: \"%2\" must not be below 0."};
      alone = {"1319", "\"%1\" must not be below 0."};
      break;
  }
  return field.empty() ? TextFormat(alone.number, alone.english, {text})
                       : TextFormat(named.number, named.english, {field, text});
}

}  // namespace

float ReadSingleField(std::string_view text, std::string_view field, FieldRange range) {
  float value = 0.0f;
  const FieldProblem problem = SingleFieldProblem(text, range, &value);
  if (problem != FieldProblem::None) throw FormatError(FieldProblemText(problem, text, field));
  return value;
}

std::optional<float> ParseSingleField(std::string_view text, FieldRange range) {
  float value = 0.0f;
  if (SingleFieldProblem(text, range, &value) != FieldProblem::None) return std::nullopt;
  return value;
}

int64_t StrToInt(std::string_view text, std::string_view what) {
  auto value = ParseInt(text);
  if (!value) {
    throw FormatError(what.empty() ? TextFormat("1320", "\"%1\" is not a valid integer", {text})
                                   : TextFormat("1321", "\"%1\" is not a valid integer (%2)", {text, what}));
  }
  return *value;
}

std::string ToLowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

std::string ToUpperAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

void ForceCNumericLocale() { std::setlocale(LC_NUMERIC, "C"); }

}  // namespace platform
