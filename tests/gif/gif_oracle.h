// Shared by the GIF tests: running the outside programs that make and check GIF files (netpbm,
// ImageMagick, giflib's tools; installed by scripts/deps.sh, never linked into the program), PNM
// pictures in and out, and the colours of our decoded frames.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "gif/gif_image.h"
#include "gif/painter.h"
#include "platform/binary_stream.h"
#include "scratch_dir.h"

namespace gif_testing {

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<Rgb> pixels;  // top row first
  Rgb At(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
  Rgb& At(int x, int y) { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};

// Runs a shell command; its exit status.
inline int Shell(const std::string& command) { return std::system(command.c_str()); }

// The standard output of a shell command.
inline std::string Output(const std::string& command) {
  std::string text;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return text;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
  pclose(pipe);
  return text;
}

inline void WritePpm(const std::string& path, const Picture& p) {
  std::ofstream out(path, std::ios::binary);
  out << "P6\n" << p.width << " " << p.height << "\n255\n";
  for (const Rgb& c : p.pixels) out.put(char(c.r)).put(char(c.g)).put(char(c.b));
}

// P1 to P6 with a maximum value up to 255; an empty picture when the file is not there.
inline Picture ReadPnm(const std::string& path) {
  Picture p;
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  if (!(in >> magic) || magic.size() != 2 || magic[0] != 'P') return p;
  auto number = [&] {
    int value = 0;
    in >> std::ws;
    while (in.peek() == '#') {
      std::string comment;
      std::getline(in, comment);
      in >> std::ws;
    }
    in >> value;
    return value;
  };
  const int kind = magic[1] - '0';
  p.width = number();
  p.height = number();
  const int maxValue = kind == 1 || kind == 4 ? 1 : number();
  in.get();
  auto scale = [&](int v) { return uint8_t(maxValue == 255 ? v : v * 255 / maxValue); };
  p.pixels.resize(size_t(p.width) * size_t(p.height));
  for (int y = 0; y < p.height; ++y) {
    std::vector<uint8_t> packed;
    if (kind == 4) {
      packed.resize(size_t((p.width + 7) / 8));
      in.read(reinterpret_cast<char*>(packed.data()), std::streamsize(packed.size()));
    }
    for (int x = 0; x < p.width; ++x) {
      Rgb c;
      if (kind == 1) {
        const uint8_t v = number() ? 0 : 255;
        c = {v, v, v};
      } else if (kind == 4) {
        const uint8_t v = (packed[size_t(x / 8)] >> (7 - x % 8)) & 1 ? 0 : 255;
        c = {v, v, v};
      } else if (kind == 2) {
        const uint8_t v = scale(number());
        c = {v, v, v};
      } else if (kind == 3) {
        c.r = scale(number());
        c.g = scale(number());
        c.b = scale(number());
      } else if (kind == 5) {
        const uint8_t v = scale(in.get());
        c = {v, v, v};
      } else {
        c.r = scale(in.get());
        c.g = scale(in.get());
        c.b = scale(in.get());
      }
      p.At(x, y) = c;
    }
  }
  return p;
}

// The frame's pixels through its active colour map (indices past the map are black).
inline Picture FrameColors(const gif::TGIFSubImage& frame) {
  Picture p;
  p.width = frame.Width();
  p.height = frame.Height();
  const gif::TGIFColorMap& map = frame.ActiveColorMap();
  for (size_t i = 0; i < frame.DataSize(); ++i) {
    const int index = frame.Data()[i];
    const gif::TGIFColor c = index < map.Count() ? map.Colors()[size_t(index)] : gif::TGIFColor{};
    p.pixels.push_back(Rgb{c.Red, c.Green, c.Blue});
  }
  return p;
}

// The canvas as a picture.
inline Picture CanvasColors(const platform::Canvas& canvas) {
  Picture p;
  p.width = canvas.Width();
  p.height = canvas.Height();
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      const platform::TColor c = canvas.GetPixel(x, y);
      p.pixels.push_back(Rgb{platform::RedOf(c), platform::GreenOf(c), platform::BlueOf(c)});
    }
  return p;
}

// The first place two pictures differ, as text; empty when they are the same.
inline std::string Difference(const Picture& expected, const Picture& actual) {
  if (expected.width != actual.width || expected.height != actual.height)
    return "size " + std::to_string(actual.width) + "x" + std::to_string(actual.height) + " instead of " +
           std::to_string(expected.width) + "x" + std::to_string(expected.height);
  for (int y = 0; y < expected.height; ++y)
    for (int x = 0; x < expected.width; ++x)
      if (!(expected.At(x, y) == actual.At(x, y))) {
        const Rgb e = expected.At(x, y), a = actual.At(x, y);
        std::ostringstream text;
        text << "pixel (" << x << "," << y << ") is " << int(a.r) << "," << int(a.g) << "," << int(a.b)
             << " instead of " << int(e.r) << "," << int(e.g) << "," << int(e.b);
        return text.str();
      }
  return {};
}

// A picture of exactly `colors` different colours (when it has that many pixels), spread so that
// neighbours differ and runs occur.
inline Picture Pattern(int width, int height, int colors, uint32_t seed = 1) {
  Picture p;
  p.width = width;
  p.height = height;
  uint32_t state = seed;
  for (int i = 0; i < width * height; ++i) {
    state = state * 1664525u + 1013904223u;
    int k = i < colors ? i : int((state >> 16) % uint32_t(colors));
    if ((state >> 8) % 4 == 0 && i > 0 && i >= colors) k = -1;  // repeat the previous pixel: runs
    p.pixels.push_back(k < 0 ? p.pixels.back() : Rgb{uint8_t(k * 37 + 11), uint8_t(255 - k), uint8_t((k * 91) ^ 0x5A)});
  }
  return p;
}

// Loads a file into a picture, collecting warnings.
inline void LoadFile(gif::TGIFImage& image, const std::string& path, std::vector<std::string>* warnings = nullptr) {
  if (warnings)
    image.OnWarning = [warnings](gif::TGIFImage&, const gif::TGIFItem*, gif::TGIFSeverity, const std::string& text) {
      warnings->push_back(text);
    };
  const platform::Bytes bytes = platform::ReadFileBytes(path);
  platform::ByteReader reader(bytes);
  image.LoadFromStream(reader);
}

inline void LoadBytes(gif::TGIFImage& image, const platform::Bytes& bytes,
                      std::vector<std::string>* warnings = nullptr) {
  if (warnings)
    image.OnWarning = [warnings](gif::TGIFImage&, const gif::TGIFItem*, gif::TGIFSeverity, const std::string& text) {
      warnings->push_back(text);
    };
  platform::ByteReader reader(bytes);
  image.LoadFromStream(reader);
}

// What the picture shows after each frame, painted over `background` with transparency and no
// waiting.
inline std::vector<Picture> ComposeFrames(gif::TGIFImage& image, platform::TColor background) {
  platform::Canvas canvas(image.GetWidth(), image.GetHeight(), background);
  std::vector<Picture> shown;
  image.BackgroundColor = background;
  const int speed = image.AnimationSpeed;
  image.AnimationSpeed = 1000000;
  auto after = image.OnAfterPaint;
  image.OnAfterPaint = [&](gif::TGIFPainter&) { shown.push_back(CanvasColors(canvas)); };
  image.Paint(canvas, {0, 0, canvas.Width(), canvas.Height()}, gif::DrawTransparent | gif::DrawAnimate);
  image.OnAfterPaint = after;
  image.AnimationSpeed = speed;
  return shown;
}

inline platform::Bytes SaveBytes(gif::TGIFImage& image) {
  platform::ByteWriter writer;
  image.SaveToStream(writer);
  return writer.Take();
}

}  // namespace gif_testing
