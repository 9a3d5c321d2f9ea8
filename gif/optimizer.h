// The optimiser of a picture's frames and colour maps, and colour reduction of a whole picture.
// Every step keeps what the picture shows: a step that cannot keep it for a frame leaves that
// frame alone.
#pragma once

#include <cstdint>

namespace gif {

class TGIFImage;

// Optimiser options (bits).
inline constexpr int ooCrop = 0x01;          // crop transparent frames to what they show
inline constexpr int ooMerge = 0x02;         // pixels equal to the frame before become transparent
inline constexpr int ooCleanup = 0x04;       // drop unused transparency, simplify disposal
inline constexpr int ooColorMap = 0x08;      // sort maps by use, drop unused entries
inline constexpr int ooReduceColors = 0x10;  // reduce with `reduction`
inline constexpr int kOptimizeAll = 0x1F;

// In this order as `options` asks: colour maps, transparency, merge, crop, reduction. Reduction
// with a caller palette (rmPalette) or bits outside 1..8 raises "Invalid reduction method".
void Optimize(TGIFImage& image, int options, int reduction, int ditherMode, int bits);

// Reduces every frame to one palette (a global map; the frames lose their local maps), keeping
// each transparent frame's transparent pixels transparent.
void ReduceImageColors(TGIFImage& image, int reduction, int ditherMode, int bits);

}  // namespace gif
