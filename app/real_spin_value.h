// The arithmetic of the real-valued spin edit, without a widget: a number with four decimals held
// exactly as a count of ten-thousandths, the bounds that apply only when minimum and maximum differ,
// the text that is read back as the minimum when it is no number, and the keys the edit lets through.
//
//   app::RealSpinValue angle;                       // 0 ... 360, step 1
//   angle.MinValue = app::Fixed4::FromInt(0);
//   angle.MaxValue = app::Fixed4::FromInt(360);
//   angle.TextOnExit("400")   -> "360"
//   angle.Stepped("359.5", +1) -> 360 (clamped)
#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace app {

class Fixed4 {
 public:
  static constexpr int64_t kScale = 10000;

  constexpr Fixed4() = default;
  static constexpr Fixed4 FromRaw(int64_t tenThousandths) { return Fixed4(tenThousandths); }
  // Whole numbers beyond the range saturate at the largest value of that sign.
  static Fixed4 FromInt(int64_t whole);
  // Rounded half to even to four decimals; saturates; NaN gives 0.
  static Fixed4 FromDouble(double value);
  // A decimal number with '.' as separator, an optional sign, optional exponent and blanks around it,
  // rounded half to even to four decimals; nullopt for anything else and for values out of range.
  static std::optional<Fixed4> Parse(std::string_view text);

  constexpr int64_t Raw() const { return raw_; }
  double ToDouble() const { return static_cast<double>(raw_) / kScale; }
  // The shortest text: no trailing zeros in the fraction, no "." without one ("360", "-0.25").
  std::string Text() const;

  // Saturating, so stepping past the end of the range stays at the end instead of wrapping round.
  friend Fixed4 operator+(Fixed4 a, Fixed4 b);
  friend Fixed4 operator-(Fixed4 a, Fixed4 b);
  friend constexpr auto operator<=>(Fixed4 a, Fixed4 b) = default;

 private:
  constexpr explicit Fixed4(int64_t raw) : raw_(raw) {}
  int64_t raw_ = 0;
};

class RealSpinValue {
 public:
  Fixed4 MinValue;
  Fixed4 MaxValue;
  Fixed4 Increment = Fixed4::FromInt(1);

  // The bounds apply only when they differ.
  Fixed4 CheckValue(Fixed4 value) const;
  // The value a text stands for, the minimum when it is no number (never clamped).
  Fixed4 ValueOf(std::string_view text) const;
  // The text written for a value: clamped, shortest form.
  std::string TextOf(Fixed4 value) const;
  // One step up (+1) or down (-1) from the text's value, clamped.
  Fixed4 Stepped(std::string_view text, int direction) const;
  // The text to write when the control is left: the clamped value when it differs from the text's
  // value, else nothing.
  std::optional<std::string> TextOnExit(std::string_view text) const;

  // Whether a typed character enters the edit: "+", ",", "-", ".", digits and control characters
  // other than Enter; with the editor disabled, neither Backspace nor any character from 32 to 255.
  static bool AcceptsChar(char32_t c, bool editorEnabled);
};

}  // namespace app
