// Reads the lines of an NC listing back into motions (type, end point, arc centre or radius, cycle
// height), following the dialect of the current post-processor, for the listing's backplot.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "machining/post_processor.h"

namespace platform {
class TextMeasure;
}

namespace machining {

// What the reader needs of the post-processor: the dialect, the comment opener and the [Feed] Rapid
// text.
struct NcReaderSyntax {
  NcDialect dialect = NcDialect::ISO;
  std::string startComment = "(";
  std::string rapidText;
};

NcReaderSyntax ReaderSyntaxOf(const PostProcessorSettings& settings);

// Kept between lines, reset by ResetNcReader.
struct NcReaderState {
  int32_t modalMotion = 0;  // 0 rapid, 1 linear, 2 clockwise, 3 counter-clockwise, 81..86 cycles
  float lastX = 9999.0f;
  float lastY = 9999.0f;
  float minX = 9999.0f;
  float minY = 9999.0f;
  float maxX = -9999.0f;
  float maxY = -9999.0f;
  float centreI = 0.0f;  // arc centre words, kept until the next ones
  float centreJ = 0.0f;
  std::string currentZText;
  std::string drawText;
};

// The values of one line. ParseNcLine writes x and y only when the line holds them; the motion is
// the caller's value unless the line (or the modal motion) decides it.
struct NcLineMotion {
  int32_t motion = 0;
  float x = 0.0f;
  float y = 0.0f;
  float cycleR = 0.0f;
  float arcR = 0.0f;
  float centreI = 0.0f;
  float centreJ = 0.0f;
};

// Sets the state to its start; the current Z starts as the feed plane's text.
void ResetNcReader(NcReaderState& state, std::string_view feedPlaneText);

// True when at least one value was read from the line.
bool ParseNcLine(NcReaderState& state, const NcReaderSyntax& syntax, std::string_view line,
                 NcLineMotion& values);

// Shortens `text` in its middle (from the tenth character, "..." in place of what was cut) until it
// fits `width` - 5 as measured by `measure`.
std::string FitTextToWidth(const platform::TextMeasure& measure, std::string_view text, int width);

}  // namespace machining
