#include "app/flat_menu_colors.h"

#include <algorithm>
#include <iterator>

#include "platform/numbers.h"

namespace app {
namespace {

using platform::BlueOf;
using platform::GreenOf;
using platform::RedOf;
using platform::RGBColor;

uint8_t Channel(int value) { return static_cast<uint8_t>(std::clamp(value, 0, 255)); }

// The colours every palette display keeps for itself.
constexpr TColor kStaticColors[] = {
    RGBColor(0, 0, 0),       RGBColor(128, 0, 0),     RGBColor(0, 128, 0),     RGBColor(128, 128, 0),
    RGBColor(0, 0, 128),     RGBColor(128, 0, 128),   RGBColor(0, 128, 128),   RGBColor(192, 192, 192),
    RGBColor(192, 220, 192), RGBColor(166, 202, 240), RGBColor(255, 251, 240), RGBColor(160, 160, 164),
    RGBColor(128, 128, 128), RGBColor(255, 0, 0),     RGBColor(0, 255, 0),     RGBColor(255, 255, 0),
    RGBColor(0, 0, 255),     RGBColor(255, 0, 255),   RGBColor(0, 255, 255),   RGBColor(255, 255, 255)};

// A channel cut to `bits` bits and widened again to eight, as the display shows it.
uint8_t Quantize(uint8_t value, int bits) {
  const int levels = (1 << bits) - 1;
  const int level = static_cast<int>(platform::Round(value * levels / 255.0));
  return static_cast<uint8_t>(platform::Round(level * 255.0 / levels));
}

}  // namespace

TColor Darken(TColor color, int n) {
  const TColor c = platform::ColorToRGB(color);
  return RGBColor(Channel(RedOf(c) - n), Channel(GreenOf(c) - n + 2), Channel(BlueOf(c) - n));
}

TColor Lighten(TColor color, int percent) {
  const TColor c = platform::ColorToRGB(color);
  const int p = std::min(percent, 100);
  auto up = [p](int channel) { return Channel(channel + static_cast<int>(platform::Round((255 - channel) * p / 100.0))); };
  return RGBColor(up(RedOf(c)), up(GreenOf(c)), up(BlueOf(c)));
}

TColor Grey(TColor color, int n) {
  const TColor c = platform::ColorToRGB(color);
  const int g = std::min((RedOf(c) + GreenOf(c) + BlueOf(c)) / 3 + std::min(n, 100), 240);
  return RGBColor(Channel(g), Channel(g), Channel(g));
}

TColor NearestColor(TColor color, int depthBits) {
  const TColor c = platform::ColorToRGB(color);
  if (depthBits > 16) return c;
  if (depthBits >= 15) {
    const int greenBits = depthBits == 16 ? 6 : 5;
    return RGBColor(Quantize(RedOf(c), 5), Quantize(GreenOf(c), greenBits), Quantize(BlueOf(c), 5));
  }
  auto distance = [c](TColor s) {
    const int dr = RedOf(c) - RedOf(s), dg = GreenOf(c) - GreenOf(s), db = BlueOf(c) - BlueOf(s);
    return dr * dr + dg * dg + db * db;
  };
  return *std::min_element(std::begin(kStaticColors), std::end(kStaticColors),
                           [&](TColor a, TColor b) { return distance(a) < distance(b); });
}

FlatMenuColors WorkingColors(const FlatMenuProperties& properties, int depthBits, const SystemColorSource& system) {
  auto sys = [&](int index) { return platform::ColorToRGB(system(index)); };
  // A property may name a system colour; it is resolved through the same source.
  auto resolve = [&](TColor c) { return (c & platform::clSystemColor) ? sys(static_cast<int>(c & 0xFF)) : (c & 0xFFFFFF); };
  auto near = [depthBits](TColor c) { return NearestColor(c, depthBits); };
  const bool deep = depthBits > 15;
  FlatMenuColors w{};
  w.Deep = deep;
  w.Font = resolve(properties.FontColor);
  w.Item = resolve(properties.Color);
  w.IconColumn = resolve(properties.IconBackColor);
  w.Selection = resolve(properties.SelectColor);
  w.SelectionFrame = resolve(properties.SelectBorderColor);
  w.SelectionText = resolve(properties.SelectFontColor);
  w.MenuBar = resolve(properties.MenuBarColor);
  w.Disabled = resolve(properties.DisabledColor);
  w.Checked = resolve(properties.CheckedColor);
  w.Separator = resolve(properties.SeparatorColor);
  if (deep) {
    w.CheckedArea = near(Lighten(w.Selection, 75));
    w.CheckedAreaSelected = near(Lighten(w.Selection, 50));
    w.MenuBorder = near(Darken(sys(15), 90));
    w.MenuShadow = near(Darken(sys(15), 76));
  } else {
    w.CheckedArea = platform::clWhite;
    w.CheckedAreaSelected = platform::clSilver;
    w.MenuBorder = sys(16);
    w.MenuShadow = sys(16);
  }
  if (!properties.UseSystemColors) return w;
  w.Font = sys(7);
  if (deep) {
    w.Item = near(Lighten(sys(15), 86));
    w.IconColumn = near(Lighten(sys(15), 16));
    w.Selection = near(Lighten(sys(13), 68));
    w.SelectionFrame = sys(13);
    w.MenuBar = sys(15);
    w.Disabled = near(Lighten(sys(16), 10));
    w.Separator = near(Lighten(sys(16), 25));
    w.Checked = sys(13);
    w.CheckedArea = near(Lighten(sys(13), 75));
    w.CheckedAreaSelected = near(Lighten(sys(13), 50));
  } else {
    w.Item = platform::clWhite;
    w.IconColumn = sys(15);
    w.Selection = platform::clWhite;
    w.SelectionFrame = sys(13);
    w.MenuBar = sys(15);
    w.Disabled = sys(16);
    w.Checked = sys(13);
    w.Separator = sys(16);
    w.CheckedArea = platform::clWhite;
    w.CheckedAreaSelected = platform::clWhite;
  }
  return w;
}

int GradientStep(int column, int iconWidth) {
  const int fast = std::max(iconWidth + 5, 0);
  const int c = std::max(column, 0);
  return std::min(3 * std::min(c, fast) + std::max(0, c - fast), 96);
}

}  // namespace app
