// NC words and blocks: block numbers, motion words, X/Y/Z words with scale, format and modal
// suppression, feed and tool words, and whole motion lines in the post-processor's dialect.
#pragma once

#include <cstdint>
#include <string>

#include "machining/post_processor.h"

namespace machining {

// Feed text that marks a rapid move for FeedWord and WriteMoveBlock.
inline constexpr const char* kRapidFeedText = "-2";

// The unit's number format: "%0.3f" for millimetres, "%0.4f" for inches.
const char* LengthFormat(bool inches);

// A stored number put back into an edit field: the unit's format, then (when it holds a '.') the
// trailing zeros and a final '.' stripped: 2.500 -> "2.5", 3.000 -> "3".
std::string FormatPlainNumber(double value, bool inches);

// DelZero stripping: trailing '0's after a decimal point go, the point stays ("10.000" -> "10.",
// "0.500" -> "0.5"); a number without a point is left alone ("100").
std::string StripTrailingZeros(std::string text);

// The word writer: the post-processor settings, the unit, and the writer's memory (block counter,
// last motion word, last X/Y/Z/feed texts). The program keeps one; tests make fresh ones.
// Output goes to a byte string (the program's memory stream); every line ends with CR LF.
class NcWriter {
 public:
  NcWriter() = default;
  explicit NcWriter(const PostProcessorSettings& postSettings, bool inchUnits = false);

  PostProcessorSettings settings;
  // The post-processor file the settings were read from; empty while they are the built-in defaults,
  // which frame no program (no start, tool change or end).
  std::string postName;
  bool inches = false;  // unit of the job: number formats "%0.4f" instead of "%0.3f"

  // The writer's memory, visible for Calculate and tests.
  int32_t blockCounter = 1;
  std::string lastMotion;
  std::string lastX, lastY, lastZ;
  std::string lastFeed;

  // Counter back to SeqStart (done when a post-processor is read and when Calculate starts).
  void ResetBlockCounter();
  // Start of a program (Calculate): counter to SeqStart, last X, Y, Z, feed texts and the last motion
  // word cleared. The motion word goes too: the start template leaves the machine in a motion mode
  // the writer does not know, so the first move must name its own.
  void ResetMemory();

  // " " when Spaces is on, else "".
  std::string Separator() const;

  // Pref + counter, then the counter advances (back to SeqStart past SeqMax); "" when numbering is
  // off (counter unchanged).
  std::string NextBlockNumber();
  // The [GCode] word of `index` (0..3), or "" when GModal suppresses it; preceded by the separator
  // only when block numbering is on.
  std::string MotionWord(int index);
  // Separator + value in the [X Axis] format (DelZero applied), no scale, no memory.
  std::string AxisNumber(double value) const;
  // Separator + value in the unit's format (DelZero applied).
  std::string FormatNcNumber(double value) const;
  // Feed word of the feed field's text; kRapidFeedText gives the [Feed] Rapid text (or "") and
  // leaves the last feed text alone.
  std::string FeedWord(const std::string& feedText);
  // Axis words: scaled when the scale flag is set, formatted, and "" when XYZModal suppresses an
  // unchanged text.
  std::string XWord(double x);
  std::string YWord(double y);
  std::string ZWord(double z);
  // Separator + [Tool] Pref + the tool number in the tool format.
  std::string ToolWord(int32_t toolNumber) const;

  // Appends one line: block number + motion word + text + CR LF. An empty text writes nothing and
  // takes no block number.
  void WriteBlock(std::string& out, int motionIndex, const std::string& text);
  // Appends one motion line in the current dialect (dialect SBO writes its own move prefixes and no
  // feed word).
  void WriteMoveBlock(std::string& out, int motionIndex, const std::string& feedText, double x, double y,
                      double z);

 private:
  std::string AxisWord(double value, double scale, const std::string& format, const std::string& prefix,
                       std::string& last);
};

}  // namespace machining
