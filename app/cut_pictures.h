// The pictures of the cutting-parameter page (imgCutPar): one small drawing per parameter, by the
// resource numbers the page uses. Drawn in code.
#pragma once

#include <QPixmap>

namespace app {

inline constexpr int kCutPictureWidth = 217;
inline constexpr int kCutPictureHeight = 70;

// Resource numbers: 101 feed plane, 102 stepover, 103 stock to leave, 104 depth cuts, 105 Z step,
// 106 machining at 0 degrees, 107 at 90 degrees, 108 both, 109 neither, 111 filter, 112 "Z no cut".
// A null pixmap for any other number.
QPixmap CutParameterPicture(int resource);

}  // namespace app
