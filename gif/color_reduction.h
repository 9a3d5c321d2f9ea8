// Colour reduction: a picture of any colours becomes palette indices, by one of ten palettes and,
// optionally, one of six error-diffusion ditherers (rows walked in alternating directions).
#pragma once

#include <QImage>

#include <cstdint>
#include <memory>
#include <vector>

#include "gif/color_map.h"

namespace gif {

// ColorReduction values.
enum TColorReduction : int {
  rmNone = 0,             // the picture's own colours
  rmWindows20 = 1,        // the system's 20-colour default palette
  rmWindows256 = 2,       // a 256-colour halftone palette
  rmWindowsGray = 3,      // greys 0, 128, 192, 255
  rmMonochrome = 4,       // black and white
  rmGrayScale = 5,        // 256 greys
  rmNetscape = 6,         // the 216-colour cube (the default)
  rmQuantize = 7,         // octree to 2^ReductionBits colours
  rmQuantizeWindows = 8,  // octree to 236 colours plus the system's 20
  rmPalette = 9           // a palette given by the caller
};

// DitherMode values.
enum TDitherMode : int {
  dmNearest = 0,
  dmFloydSteinberg = 1,
  dmStucki = 2,
  dmSierra = 3,
  dmJaJuNI = 4,
  dmSteveArche = 5,
  dmBurkes = 6
};

std::vector<TGIFColor> Windows20Palette();
std::vector<TGIFColor> Windows256Palette();
std::vector<TGIFColor> WindowsGrayPalette();
std::vector<TGIFColor> MonochromePalette();
std::vector<TGIFColor> GrayScalePalette();
// Red, green and blue each 0, 51, ..., 255, red varying slowest.
std::vector<TGIFColor> NetscapePalette();

// Colour -> palette index and the palette's colour.
class TColorLookup {
 public:
  explicit TColorLookup(std::vector<TGIFColor> palette) : palette_(std::move(palette)) {}
  virtual ~TColorLookup() = default;
  virtual int Lookup(uint8_t red, uint8_t green, uint8_t blue, TGIFColor& color) const = 0;
  const std::vector<TGIFColor>& Palette() const { return palette_; }

 protected:
  std::vector<TGIFColor> palette_;
};

// The nearest entry of any palette (least squared distance, first entry on a tie), remembered for
// colours met before.
class TSlowColorLookup : public TColorLookup {
 public:
  explicit TSlowColorLookup(std::vector<TGIFColor> palette);
  int Lookup(uint8_t red, uint8_t green, uint8_t blue, TGIFColor& color) const override;

 private:
  mutable std::vector<uint32_t> cacheKeys_;
  mutable std::vector<uint8_t> cacheIndices_;
};

// The cube: each component c goes to step (c + 3) / 51 of 51.
class TNetscapeColorLookup : public TColorLookup {
 public:
  TNetscapeColorLookup() : TColorLookup(NetscapePalette()) {}
  int Lookup(uint8_t red, uint8_t green, uint8_t blue, TGIFColor& color) const override;
};

// grey = (77 red + 150 green + 29 blue) >> 8.
class TGrayScaleLookup : public TColorLookup {
 public:
  TGrayScaleLookup() : TColorLookup(GrayScalePalette()) {}
  int Lookup(uint8_t red, uint8_t green, uint8_t blue, TGIFColor& color) const override;
};

// White when 77 red + 150 green + 29 blue >= 32513, else black.
class TMonochromeLookup : public TColorLookup {
 public:
  TMonochromeLookup() : TColorLookup(MonochromePalette()) {}
  int Lookup(uint8_t red, uint8_t green, uint8_t blue, TGIFColor& color) const override;
};

// Maps rows of RGB pixels to indices. The base diffuses no error.
class TDitherEngine {
 public:
  TDitherEngine(int width, const TColorLookup& lookup) : width_(width), lookup_(lookup) {}
  virtual ~TDitherEngine() = default;
  // `rgb`: 3 bytes per pixel (red, green, blue); `indices`: one byte per pixel.
  virtual void DitherRow(const uint8_t* rgb, uint8_t* indices);

 protected:
  int width_;
  const TColorLookup& lookup_;
};

// An error-diffusion kernel: weights of the pixels after the current one in its row and of the
// rows below, over a divisor. Rows alternate direction; the error rows carry margins as wide as
// the widest kernel, so no weight ever falls outside them.
struct TDitherWeight {
  int Dx;
  int Dy;
  int Weight;
};

class TKernelDitherer : public TDitherEngine {
 public:
  TKernelDitherer(int width, const TColorLookup& lookup, std::vector<TDitherWeight> kernel, int divisor);
  void DitherRow(const uint8_t* rgb, uint8_t* indices) override;

 private:
  static constexpr int kMargin = 3;
  static constexpr int kRows = 4;
  int* ErrorAt(int row, int x) { return &errors_[(size_t(row) * size_t(width_ + 2 * kMargin) + size_t(x + kMargin)) * 3]; }
  std::vector<TDitherWeight> kernel_;
  int divisor_;
  bool leftToRight_ = true;
  std::vector<int> errors_;  // kRows rows of (width + margins) x 3 channels; row 0 the current
};

class TFloydSteinbergDitherer : public TKernelDitherer {
 public:
  TFloydSteinbergDitherer(int width, const TColorLookup& lookup);
};
// Kernels five pixels wide and three rows high.
class T5by3Ditherer : public TKernelDitherer {
 public:
  using TKernelDitherer::TKernelDitherer;
};
class TStuckiDitherer : public T5by3Ditherer {
 public:
  TStuckiDitherer(int width, const TColorLookup& lookup);
};
class TSierraDitherer : public T5by3Ditherer {
 public:
  TSierraDitherer(int width, const TColorLookup& lookup);
};
class TJaJuNiDitherer : public T5by3Ditherer {
 public:
  TJaJuNiDitherer(int width, const TColorLookup& lookup);
};
class TSteveArcheDitherer : public TKernelDitherer {
 public:
  TSteveArcheDitherer(int width, const TColorLookup& lookup);
};
class TBurkesDitherer : public TKernelDitherer {
 public:
  TBurkesDitherer(int width, const TColorLookup& lookup);
};

// The lookup of a reduction method; "Invalid reduction method" for an unknown method, for
// rmQuantize with bits outside 1..8 and for rmPalette without a palette. `source` feeds the
// octree methods.
std::unique_ptr<TColorLookup> MakeColorLookup(const QImage& source, int method, int bits,
                                              const std::vector<TGIFColor>* palette);
// The ditherer of a dither mode ("Invalid reduction method" for an unknown one).
std::unique_ptr<TDitherEngine> MakeDitherer(int mode, int width, const TColorLookup& lookup);

struct TReducedImage {
  int Width = 0;
  int Height = 0;
  std::vector<uint8_t> Pixels;     // one index per pixel, rows from the top
  std::vector<TGIFColor> Palette;  // at most 256
};

// Reduces `source` (alpha ignored). rmNone keeps the picture's colours in the order met, raising
// "Color table overflow" past 256. An empty picture raises "Invalid image dimensions".
TReducedImage ReduceColors(const QImage& source, int method, int bits, int ditherMode,
                           const std::vector<TGIFColor>* palette = nullptr);

}  // namespace gif
