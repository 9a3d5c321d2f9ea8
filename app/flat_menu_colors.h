// The colours of the flat menus, without a widget: the helpers that darken, lighten and grey a colour,
// the nearest colour a display of a given depth can show, and the working colours recomputed before
// every item is painted from the properties, the system colours and the display depth.
#pragma once

#include <functional>

#include "platform/canvas.h"

namespace app {

using platform::TColor;

// Red - n, green - n + 2, blue - n, each kept within 0 ... 255.
TColor Darken(TColor color, int n);
// Each channel moves p per cent (at most 100) of the way to 255.
TColor Lighten(TColor color, int percent);
// The grey of the channels' mean plus min(n, 100), at most 240.
TColor Grey(TColor color, int n);
// The colour a display of `depthBits` bits per pixel shows for `color`: itself above 16 bits, the
// nearest 5-6-5 or 5-5-5 colour at 16 and 15 bits, else the nearest of the 20 colours a palette
// display always has.
TColor NearestColor(TColor color, int depthBits);

// The published colour properties of TFlatMenu, with their defaults.
struct FlatMenuProperties {
  TColor FontColor = platform::clMenuText;
  TColor Color = platform::clBtnFace;
  TColor IconBackColor = platform::clBtnFace;
  TColor MenuBarColor = platform::clBtnFace;
  TColor SelectColor = platform::clHighlight;
  TColor SelectBorderColor = platform::clHighlight;
  TColor SelectFontColor = platform::clMenuText;
  TColor DisabledColor = platform::clInactiveCaption;
  TColor SeparatorColor = platform::clBtnFace;
  TColor CheckedColor = platform::clHighlight;
  bool UseSystemColors = true;
};

// Plain RGB values, ready to paint.
struct FlatMenuColors {
  TColor Font;
  TColor Item;
  TColor IconColumn;
  TColor Selection;
  TColor SelectionFrame;
  TColor SelectionText;
  TColor MenuBar;
  TColor Disabled;
  TColor Checked;
  TColor Separator;
  TColor CheckedArea;
  TColor CheckedAreaSelected;
  TColor MenuBorder;
  TColor MenuShadow;
  // More than 15 bits per pixel: gradients, lightened images and tinted shortcuts are drawn.
  bool Deep;
};

using SystemColorSource = std::function<TColor(int index)>;

FlatMenuColors WorkingColors(const FlatMenuProperties& properties, int depthBits,
                             const SystemColorSource& system = platform::SysColor);

// How much the gradient lightens the column `column` pixels from the item's leading edge: 3 more per
// column over the first iconWidth + 5 columns, 1 more per column after, at most 96.
int GradientStep(int column, int iconWidth);

}  // namespace app
