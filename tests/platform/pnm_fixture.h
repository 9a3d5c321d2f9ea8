// Reads the plain-text PNM pictures (P1 and P3) that the BMP and JPEG fixtures were made from, so a
// test can compare our decoding pixel by pixel with the picture ImageMagick started from.
#pragma once

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/bitmap.h"

struct PnmPicture {
  int width = 0;
  int height = 0;
  std::vector<platform::RgbQuad> pixels;  // top line first
  platform::RgbQuad At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

inline std::string FixturePath(const std::string& name) {
  return std::string(VELKORA_SOURCE_DIR) + "/tests/platform/fixtures/" + name;
}

inline PnmPicture ReadPnm(const std::string& name) {
  std::ifstream in(FixturePath(name));
  std::string magic;
  PnmPicture p;
  in >> magic >> p.width >> p.height;
  int maxValue = 1;
  if (magic == "P3") in >> maxValue;
  for (int i = 0; i < p.width * p.height; ++i) {
    if (magic == "P1") {
      int bit = 0;
      in >> bit;
      uint8_t v = bit ? 0 : 255;  // 1 is black
      p.pixels.push_back(platform::Rgb(v, v, v));
    } else {
      int r = 0, g = 0, b = 0;
      in >> r >> g >> b;
      p.pixels.push_back(platform::Rgb(static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b)));
    }
  }
  return p;
}

// Largest channel difference between the bitmap and the picture, or 1000 when the sizes differ.
inline int MaxDifference(const platform::Bitmap& bitmap, const PnmPicture& picture) {
  if (bitmap.Width() != picture.width || bitmap.Height() != picture.height) return 1000;
  int most = 0;
  for (int y = 0; y < picture.height; ++y)
    for (int x = 0; x < picture.width; ++x) {
      platform::RgbQuad a = bitmap.Pixel(x, y), b = picture.At(x, y);
      for (int d : {a.red - b.red, a.green - b.green, a.blue - b.blue}) most = std::max(most, d < 0 ? -d : d);
    }
  return most;
}
