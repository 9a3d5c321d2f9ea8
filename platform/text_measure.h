// Text measuring on a window's canvas, behind a small interface so plain code (and its tests) can
// fit texts to a width without a window.
#pragma once

#include <string_view>

#include <QFont>
#include <QFontMetrics>

namespace platform {

class TextMeasure {
 public:
  virtual ~TextMeasure() = default;
  // Width of the UTF-8 text in pixels.
  virtual int TextWidth(std::string_view text) const = 0;
};

// Measures with a Qt font, as the canvas of the window that shows the text would.
class FontTextMeasure : public TextMeasure {
 public:
  explicit FontTextMeasure(const QFont& font) : metrics_(font) {}
  int TextWidth(std::string_view text) const override;

 private:
  QFontMetrics metrics_;
};

}  // namespace platform
