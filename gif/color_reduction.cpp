#include "gif/color_reduction.h"

#include <algorithm>
#include <unordered_map>

#include "gif/checked_image.h"
#include "gif/gif_exception.h"
#include "gif/octree.h"

namespace gif {

namespace {

// The classic system palette: its first ten and last ten entries.
constexpr TGIFColor kSystemFirstTen[10] = {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},     {128, 128, 0},
                                           {0, 0, 128},     {128, 0, 128}, {0, 128, 128},   {192, 192, 192},
                                           {192, 220, 192}, {166, 202, 240}};
constexpr TGIFColor kSystemLastTen[10] = {{255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},
                                          {0, 255, 0},     {255, 255, 0},   {0, 0, 255},     {255, 0, 255},
                                          {0, 255, 255},   {255, 255, 255}};

int RoundDiv(int value, int divisor) {
  return value >= 0 ? (value + divisor / 2) / divisor : -((-value + divisor / 2) / divisor);
}

}  // namespace

std::vector<TGIFColor> Windows20Palette() {
  std::vector<TGIFColor> p(std::begin(kSystemFirstTen), std::end(kSystemFirstTen));
  p.insert(p.end(), std::begin(kSystemLastTen), std::end(kSystemLastTen));
  return p;
}

std::vector<TGIFColor> Windows256Palette() {
  // The system's twenty at both ends, the colour cube and twenty greys between.
  std::vector<TGIFColor> p(std::begin(kSystemFirstTen), std::end(kSystemFirstTen));
  const std::vector<TGIFColor> cube = NetscapePalette();
  p.insert(p.end(), cube.begin(), cube.end());
  for (int i = 1; i <= 20; ++i) {
    const uint8_t v = uint8_t(i * 255 / 21);
    p.push_back(TGIFColor{v, v, v});
  }
  p.insert(p.end(), std::begin(kSystemLastTen), std::end(kSystemLastTen));
  return p;
}

std::vector<TGIFColor> WindowsGrayPalette() { return {{0, 0, 0}, {128, 128, 128}, {192, 192, 192}, {255, 255, 255}}; }

std::vector<TGIFColor> MonochromePalette() { return {{0, 0, 0}, {255, 255, 255}}; }

std::vector<TGIFColor> GrayScalePalette() {
  std::vector<TGIFColor> p;
  for (int i = 0; i < 256; ++i) p.push_back(TGIFColor{uint8_t(i), uint8_t(i), uint8_t(i)});
  return p;
}

std::vector<TGIFColor> NetscapePalette() {
  std::vector<TGIFColor> p;
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b) p.push_back(TGIFColor{uint8_t(r * 51), uint8_t(g * 51), uint8_t(b * 51)});
  return p;
}

// Lookups

TSlowColorLookup::TSlowColorLookup(std::vector<TGIFColor> palette)
    : TColorLookup(std::move(palette)), cacheKeys_(4096, 0), cacheIndices_(4096, 0) {
  if (palette_.empty()) throw GIFException(texts::kColorTableEmpty);
}

int TSlowColorLookup::Lookup(uint8_t red, uint8_t green, uint8_t blue, TGIFColor& color) const {
  const uint32_t rgb = (uint32_t(red) << 16) | (uint32_t(green) << 8) | blue;
  const size_t slot = ((rgb * 2654435761u) >> 20) & 4095;
  if (cacheKeys_[slot] == rgb + 1) {
    color = palette_[cacheIndices_[slot]];
    return cacheIndices_[slot];
  }
  int best = 0;
  int bestDistance = 1 << 30;
  for (size_t i = 0; i < palette_.size(); ++i) {
    const int dr = red - palette_[i].Red, dg = green - palette_[i].Green, db = blue - palette_[i].Blue;
    const int distance = dr * dr + dg * dg + db * db;
    if (distance < bestDistance) {
      bestDistance = distance;
      best = int(i);
      if (distance == 0) break;
    }
  }
  cacheKeys_[slot] = rgb + 1;
  cacheIndices_[slot] = uint8_t(best);
  color = palette_[size_t(best)];
  return best;
}

int TNetscapeColorLookup::Lookup(uint8_t red, uint8_t green, uint8_t blue, TGIFColor& color) const {
  // Step (c + 3) / 51, the cube's customary rounding: 0..47 give step 0, 48..98 step 1, 252..255 step 5.
  const int r = (red + 3) / 51, g = (green + 3) / 51, b = (blue + 3) / 51;
  color = TGIFColor{uint8_t(r * 51), uint8_t(g * 51), uint8_t(b * 51)};
  return r * 36 + g * 6 + b;
}

int TGrayScaleLookup::Lookup(uint8_t red, uint8_t green, uint8_t blue, TGIFColor& color) const {
  const int grey = (77 * red + 150 * green + 29 * blue) >> 8;
  color = TGIFColor{uint8_t(grey), uint8_t(grey), uint8_t(grey)};
  return grey;
}

int TMonochromeLookup::Lookup(uint8_t red, uint8_t green, uint8_t blue, TGIFColor& color) const {
  const bool white = 77 * red + 150 * green + 29 * blue >= 32513;
  color = white ? TGIFColor{255, 255, 255} : TGIFColor{0, 0, 0};
  return white ? 1 : 0;
}

// Ditherers

void TDitherEngine::DitherRow(const uint8_t* rgb, uint8_t* indices) {
  TGIFColor color;
  for (int x = 0; x < width_; ++x) indices[x] = uint8_t(lookup_.Lookup(rgb[3 * x], rgb[3 * x + 1], rgb[3 * x + 2], color));
}

TKernelDitherer::TKernelDitherer(int width, const TColorLookup& lookup, std::vector<TDitherWeight> kernel,
                                 int divisor)
    : TDitherEngine(width, lookup), kernel_(std::move(kernel)), divisor_(divisor),
      errors_(size_t(kRows) * size_t(width + 2 * kMargin) * 3, 0) {}

void TKernelDitherer::DitherRow(const uint8_t* rgb, uint8_t* indices) {
  const int direction = leftToRight_ ? 1 : -1;
  TGIFColor color;
  for (int i = 0; i < width_; ++i) {
    const int x = leftToRight_ ? i : width_ - 1 - i;
    const int* carried = ErrorAt(0, x);
    int value[3];
    for (int c = 0; c < 3; ++c) value[c] = std::clamp(rgb[3 * x + c] + RoundDiv(carried[c], divisor_), 0, 255);
    indices[x] = uint8_t(lookup_.Lookup(uint8_t(value[0]), uint8_t(value[1]), uint8_t(value[2]), color));
    const int error[3] = {value[0] - color.Red, value[1] - color.Green, value[2] - color.Blue};
    for (const TDitherWeight& w : kernel_) {
      int* target = ErrorAt(w.Dy, x + w.Dx * direction);
      for (int c = 0; c < 3; ++c) target[c] += error[c] * w.Weight;
    }
  }
  // The next row's errors move up; the last row starts empty.
  const size_t rowSize = size_t(width_ + 2 * kMargin) * 3;
  std::move(errors_.begin() + long(rowSize), errors_.end(), errors_.begin());
  std::fill(errors_.end() - long(rowSize), errors_.end(), 0);
  leftToRight_ = !leftToRight_;
}

TFloydSteinbergDitherer::TFloydSteinbergDitherer(int width, const TColorLookup& lookup)
    : TKernelDitherer(width, lookup, {{1, 0, 7}, {-1, 1, 3}, {0, 1, 5}, {1, 1, 1}}, 16) {}

TStuckiDitherer::TStuckiDitherer(int width, const TColorLookup& lookup)
    : T5by3Ditherer(width, lookup,
                    {{1, 0, 8}, {2, 0, 4},
                     {-2, 1, 2}, {-1, 1, 4}, {0, 1, 8}, {1, 1, 4}, {2, 1, 2},
                     {-2, 2, 1}, {-1, 2, 2}, {0, 2, 4}, {1, 2, 2}, {2, 2, 1}},
                    42) {}

TSierraDitherer::TSierraDitherer(int width, const TColorLookup& lookup)
    : T5by3Ditherer(width, lookup,
                    {{1, 0, 5}, {2, 0, 3},
                     {-2, 1, 2}, {-1, 1, 4}, {0, 1, 5}, {1, 1, 4}, {2, 1, 2},
                     {-1, 2, 2}, {0, 2, 3}, {1, 2, 2}},
                    32) {}

TJaJuNiDitherer::TJaJuNiDitherer(int width, const TColorLookup& lookup)
    : T5by3Ditherer(width, lookup,
                    {{1, 0, 7}, {2, 0, 5},
                     {-2, 1, 3}, {-1, 1, 5}, {0, 1, 7}, {1, 1, 5}, {2, 1, 3},
                     {-2, 2, 1}, {-1, 2, 3}, {0, 2, 5}, {1, 2, 3}, {2, 2, 1}},
                    48) {}

TSteveArcheDitherer::TSteveArcheDitherer(int width, const TColorLookup& lookup)
    : TKernelDitherer(width, lookup,
                      {{2, 0, 32},
                       {-3, 1, 12}, {-1, 1, 26}, {1, 1, 30}, {3, 1, 16},
                       {-2, 2, 12}, {0, 2, 26}, {2, 2, 12},
                       {-3, 3, 5}, {-1, 3, 12}, {1, 3, 12}, {3, 3, 5}},
                      200) {}

TBurkesDitherer::TBurkesDitherer(int width, const TColorLookup& lookup)
    : TKernelDitherer(width, lookup,
                      {{1, 0, 8}, {2, 0, 4}, {-2, 1, 2}, {-1, 1, 4}, {0, 1, 8}, {1, 1, 4}, {2, 1, 2}}, 32) {}

// Choosing

namespace {

std::vector<TGIFColor> QuantizedPalette(const QImage& rgb, int colors) {
  TColorQuantizer quantizer(colors);
  for (int y = 0; y < rgb.height(); ++y) {
    const uint8_t* row = rgb.constScanLine(y);
    for (int x = 0; x < rgb.width(); ++x) quantizer.AddColor(row[3 * x], row[3 * x + 1], row[3 * x + 2]);
  }
  return quantizer.Palette();
}

}  // namespace

std::unique_ptr<TColorLookup> MakeColorLookup(const QImage& source, int method, int bits,
                                              const std::vector<TGIFColor>* palette) {
  switch (method) {
    case rmWindows20: return std::make_unique<TSlowColorLookup>(Windows20Palette());
    case rmWindows256: return std::make_unique<TSlowColorLookup>(Windows256Palette());
    case rmWindowsGray: return std::make_unique<TSlowColorLookup>(WindowsGrayPalette());
    case rmMonochrome: return std::make_unique<TMonochromeLookup>();
    case rmGrayScale: return std::make_unique<TGrayScaleLookup>();
    case rmNetscape: return std::make_unique<TNetscapeColorLookup>();
    case rmQuantize: {
      if (bits < 1 || bits > 8) throw GIFException(texts::kInvalidReduction);
      return std::make_unique<TSlowColorLookup>(
          QuantizedPalette(ConvertedImage(source, QImage::Format_RGB888), 1 << bits));
    }
    case rmQuantizeWindows: {
      std::vector<TGIFColor> p(std::begin(kSystemFirstTen), std::end(kSystemFirstTen));
      const std::vector<TGIFColor> middle = QuantizedPalette(ConvertedImage(source, QImage::Format_RGB888), 236);
      p.insert(p.end(), middle.begin(), middle.end());
      p.insert(p.end(), std::begin(kSystemLastTen), std::end(kSystemLastTen));
      return std::make_unique<TSlowColorLookup>(p);
    }
    case rmPalette:
      if (palette && !palette->empty() && palette->size() <= 256) return std::make_unique<TSlowColorLookup>(*palette);
      break;
    default:
      break;
  }
  throw GIFException(texts::kInvalidReduction);
}

std::unique_ptr<TDitherEngine> MakeDitherer(int mode, int width, const TColorLookup& lookup) {
  switch (mode) {
    case dmNearest: return std::make_unique<TDitherEngine>(width, lookup);
    case dmFloydSteinberg: return std::make_unique<TFloydSteinbergDitherer>(width, lookup);
    case dmStucki: return std::make_unique<TStuckiDitherer>(width, lookup);
    case dmSierra: return std::make_unique<TSierraDitherer>(width, lookup);
    case dmJaJuNI: return std::make_unique<TJaJuNiDitherer>(width, lookup);
    case dmSteveArche: return std::make_unique<TSteveArcheDitherer>(width, lookup);
    case dmBurkes: return std::make_unique<TBurkesDitherer>(width, lookup);
    default: throw GIFException(texts::kInvalidReduction);
  }
}

TReducedImage ReduceColors(const QImage& source, int method, int bits, int ditherMode,
                           const std::vector<TGIFColor>* palette) {
  if (source.isNull() || source.width() <= 0 || source.height() <= 0)
    throw GIFException(texts::kInvalidDimensions);
  const QImage rgb = ConvertedImage(source, QImage::Format_RGB888);
  TReducedImage result;
  result.Width = rgb.width();
  result.Height = rgb.height();
  result.Pixels.resize(size_t(result.Width) * size_t(result.Height));

  if (method == rmNone) {
    // The picture's own colours, in the order met; the last eight colours seen are tried first.
    std::unordered_map<uint32_t, uint8_t> known;
    uint32_t recentKey[8] = {};
    uint8_t recentIndex[8] = {};
    int recentNext = 0;
    for (int y = 0; y < result.Height; ++y) {
      const uint8_t* row = rgb.constScanLine(y);
      uint8_t* out = result.Pixels.data() + size_t(y) * size_t(result.Width);
      for (int x = 0; x < result.Width; ++x) {
        const uint32_t key = ((uint32_t(row[3 * x]) << 16) | (uint32_t(row[3 * x + 1]) << 8) | row[3 * x + 2]) + 1;
        int index = -1;
        for (int i = 0; i < 8; ++i)
          if (recentKey[i] == key) index = recentIndex[i];
        if (index < 0) {
          auto it = known.find(key);
          if (it != known.end()) {
            index = it->second;
          } else {
            if (result.Palette.size() >= 256) throw GIFException(texts::kColorTableOverflow);
            index = int(result.Palette.size());
            result.Palette.push_back(TGIFColor{row[3 * x], row[3 * x + 1], row[3 * x + 2]});
            known.emplace(key, uint8_t(index));
          }
          recentKey[recentNext] = key;
          recentIndex[recentNext] = uint8_t(index);
          recentNext = (recentNext + 1) % 8;
        }
        out[x] = uint8_t(index);
      }
    }
    return result;
  }

  std::unique_ptr<TColorLookup> lookup = MakeColorLookup(rgb, method, bits, palette);
  std::unique_ptr<TDitherEngine> ditherer = MakeDitherer(ditherMode, result.Width, *lookup);
  for (int y = 0; y < result.Height; ++y)
    ditherer->DitherRow(rgb.constScanLine(y), result.Pixels.data() + size_t(y) * size_t(result.Width));
  result.Palette = lookup->Palette();
  return result;
}

}  // namespace gif
