#include "app/real_spin_value.h"

#include <cmath>
#include <limits>

namespace app {
namespace {

constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
// Exponents beyond this give zero or an overflow for any text short enough to type.
constexpr int kExponentLimit = 100000;
constexpr size_t kMaxDigits = 40;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

Fixed4 Fixed4::FromInt(int64_t whole) {
  if (whole > kMax / kScale) return Fixed4(kMax);
  if (whole < kMin / kScale) return Fixed4(kMin);
  return Fixed4(whole * kScale);
}

Fixed4 Fixed4::FromDouble(double value) {
  if (std::isnan(value)) return Fixed4();
  const double scaled = std::nearbyint(value * kScale);
  // 2^63 is exactly representable; anything at or beyond it does not fit.
  if (scaled >= 9223372036854775808.0) return Fixed4(kMax);
  if (scaled < -9223372036854775808.0) return Fixed4(kMin);
  return Fixed4(static_cast<int64_t>(scaled));
}

std::optional<Fixed4> Fixed4::Parse(std::string_view text) {
  size_t i = 0, end = text.size();
  while (i < end && IsBlank(text[i])) ++i;
  while (end > i && IsBlank(text[end - 1])) --end;
  bool negative = false;
  if (i < end && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';

  // The significant digits and the power of ten of the last one kept. Digits past kMaxDigits lie far
  // below the last place that can be kept; only whether one of them is not zero matters (rounding).
  std::string digits;
  int64_t exponent = 0;
  bool anyDigit = false, point = false, sticky = false;
  for (; i < end; ++i) {
    const char c = text[i];
    if (IsDigit(c)) {
      anyDigit = true;
      if (digits.empty() && c == '0') {
        if (point) --exponent;
      } else if (digits.size() < kMaxDigits) {
        digits += c;
        if (point) --exponent;
      } else {
        sticky = sticky || c != '0';
        if (!point) ++exponent;
      }
    } else if (c == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (!anyDigit) return std::nullopt;
  if (i < end && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool expNegative = false;
    if (i < end && (text[i] == '+' || text[i] == '-')) expNegative = text[i++] == '-';
    if (i >= end || !IsDigit(text[i])) return std::nullopt;
    int64_t e = 0;
    for (; i < end && IsDigit(text[i]); ++i) e = std::min<int64_t>(e * 10 + (text[i] - '0'), kExponentLimit);
    exponent += expNegative ? -e : e;
  }
  if (i != end) return std::nullopt;
  if (digits.empty()) return Fixed4();

  // Ten-thousandths: the digits shifted by exponent + 4 places; more than 19 whole digits never fit.
  const int64_t size = static_cast<int64_t>(digits.size());
  const int64_t kept = size + exponent + 4;
  if (kept > 19) return std::nullopt;
  if (kept < 0) return Fixed4();  // below half a ten-thousandth
  unsigned __int128 magnitude = 0;
  for (int64_t k = 0; k < kept; ++k) magnitude = magnitude * 10 + (k < size ? digits[k] - '0' : 0);
  if (kept < size) {
    // Half to even on what falls off.
    const char lead = digits[kept];
    const bool restNonZero = sticky || digits.find_first_not_of('0', kept + 1) != std::string::npos;
    if (lead > '5' || (lead == '5' && (restNonZero || (magnitude & 1)))) ++magnitude;
  }
  const unsigned __int128 limit = negative ? static_cast<unsigned __int128>(kMax) + 1 : kMax;
  if (magnitude > limit) return std::nullopt;
  if (negative) return Fixed4(magnitude == limit ? kMin : -static_cast<int64_t>(magnitude));
  return Fixed4(static_cast<int64_t>(magnitude));
}

std::string Fixed4::Text() const {
  const bool negative = raw_ < 0;
  const uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(raw_) : static_cast<uint64_t>(raw_);
  std::string text = (negative ? "-" : "") + std::to_string(magnitude / kScale);
  uint64_t fraction = magnitude % kScale;
  if (fraction != 0) {
    std::string digits = std::to_string(fraction);
    digits.insert(0, 4 - digits.size(), '0');
    while (digits.back() == '0') digits.pop_back();
    text += '.' + digits;
  }
  return text;
}

Fixed4 operator+(Fixed4 a, Fixed4 b) {
  int64_t sum;
  if (__builtin_add_overflow(a.raw_, b.raw_, &sum)) return Fixed4(b.raw_ > 0 ? kMax : kMin);
  return Fixed4(sum);
}

Fixed4 operator-(Fixed4 a, Fixed4 b) {
  int64_t difference;
  if (__builtin_sub_overflow(a.raw_, b.raw_, &difference)) return Fixed4(b.raw_ < 0 ? kMax : kMin);
  return Fixed4(difference);
}

Fixed4 RealSpinValue::CheckValue(Fixed4 value) const {
  if (MinValue == MaxValue) return value;
  if (value < MinValue) return MinValue;
  if (value > MaxValue) return MaxValue;
  return value;
}

Fixed4 RealSpinValue::ValueOf(std::string_view text) const { return Fixed4::Parse(text).value_or(MinValue); }

std::string RealSpinValue::TextOf(Fixed4 value) const { return CheckValue(value).Text(); }

Fixed4 RealSpinValue::Stepped(std::string_view text, int direction) const {
  const Fixed4 value = ValueOf(text);
  return CheckValue(direction >= 0 ? value + Increment : value - Increment);
}

std::optional<std::string> RealSpinValue::TextOnExit(std::string_view text) const {
  const Fixed4 value = ValueOf(text);
  const Fixed4 checked = CheckValue(value);
  if (checked == value) return std::nullopt;
  return checked.Text();
}

bool RealSpinValue::AcceptsChar(char32_t c, bool editorEnabled) {
  if (!editorEnabled && (c == 8 || (c >= 32 && c <= 255))) return false;
  // X11 hands the Delete key over as the character 127: it edits like Backspace.
  if (c < 32 || c == 127) return c != 13;
  // The separator is always '.': a ',' would make the text unreadable, so the value would silently
  // fall back to the minimum.
  return c == '+' || c == '-' || c == '.' || (c >= '0' && c <= '9');
}

}  // namespace app
