#include "machining/nc_words.h"

#include <cctype>
#include <cmath>
#include <limits>

#include "lang/lang.h"
#include "platform/exception.h"
#include "platform/numbers.h"

namespace machining {

namespace {

constexpr const char* kLineEnd = "\r\n";

// A coordinate that is not a number must not reach the machine as "XNAN".
void RequireFinite(double value) {
  if (!std::isfinite(value)) throw platform::FormatError(lang::LangStringOr("1253", "A coordinate of the NC program is not a finite number"));
}

// The tool format "%W.Pd": at least P digits, right-aligned in W characters (blanks).
std::string FormatToolNumber(const std::string& format, int32_t number) {
  std::string_view f = format;
  int width = 0, digits = 1;
  bool valid = f.size() >= 2 && f.front() == '%' && f.back() == 'd';
  if (valid) {
    f = f.substr(1, f.size() - 2);
    size_t dot = f.find('.');
    auto number = [](std::string_view text, int& value) {
      value = 0;
      for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
        value = value * 10 + (c - '0');
        if (value > 99) return false;
      }
      return true;
    };
    valid = number(f.substr(0, dot), width);
    if (valid && dot != std::string_view::npos) valid = number(f.substr(dot + 1), digits);
  }
  if (!valid) throw platform::FormatError(lang::LangFormatOr("1254", "Invalid tool number format \"%1\"", {format}));
  std::string text = std::to_string(number < 0 ? -static_cast<int64_t>(number) : static_cast<int64_t>(number));
  if (static_cast<int>(text.size()) < digits) text.insert(0, digits - text.size(), '0');
  if (number < 0) text.insert(0, "-");
  if (static_cast<int>(text.size()) < width) text.insert(0, width - text.size(), ' ');
  return text;
}

}  // namespace

const char* LengthFormat(bool inches) { return inches ? "%0.4f" : "%0.3f"; }

std::string StripTrailingZeros(std::string text) {
  // Only the fraction's zeros: "100" written with no decimals keeps its zeros.
  if (text.find('.') == std::string::npos) return text;
  while (!text.empty() && text.back() == '0') text.pop_back();
  return text;
}

std::string FormatPlainNumber(double value, bool inches) {
  std::string text = platform::FormatPrintf(LengthFormat(inches), value);
  if (text.find('.') != std::string::npos) {
    text = StripTrailingZeros(text);
    if (!text.empty() && text.back() == '.') text.pop_back();
  }
  return text;
}

NcWriter::NcWriter(const PostProcessorSettings& postSettings, bool inchUnits)
    : settings(postSettings), inches(inchUnits), blockCounter(postSettings.seqStart) {}

void NcWriter::ResetBlockCounter() { blockCounter = settings.seqStart; }

void NcWriter::ResetMemory() {
  ResetBlockCounter();
  lastX.clear();
  lastY.clear();
  lastZ.clear();
  lastFeed.clear();
  lastMotion.clear();
}

std::string NcWriter::Separator() const { return settings.spaces ? " " : ""; }

std::string NcWriter::NextBlockNumber() {
  if (!settings.outputSeq) return {};
  std::string word = settings.seqPref + std::to_string(blockCounter);
  // In 64 bits so that a huge increment wraps to SeqStart instead of overflowing.
  int64_t next = static_cast<int64_t>(blockCounter) + settings.seqInc;
  if (next > settings.seqMax || next < std::numeric_limits<int32_t>::min()) next = settings.seqStart;
  blockCounter = static_cast<int32_t>(next);
  return word;
}

std::string NcWriter::MotionWord(int index) {
  if (index < 0 || index > 3) throw platform::Exception("Motion index " + std::to_string(index) + " out of range");
  const std::string& word = settings.motionWords[static_cast<size_t>(index)];
  if (word != lastMotion || !settings.gModal) {
    lastMotion = word;
    return settings.outputSeq ? Separator() + word : word;
  }
  return {};
}

std::string NcWriter::AxisNumber(double value) const {
  RequireFinite(value);
  std::string text = platform::FormatPrintf(settings.xFormat, value);
  if (settings.delZero) text = StripTrailingZeros(text);
  return Separator() + text;
}

std::string NcWriter::FormatNcNumber(double value) const {
  RequireFinite(value);
  std::string text = platform::FormatPrintf(LengthFormat(inches), value);
  if (settings.delZero) text = StripTrailingZeros(text);
  return Separator() + text;
}

std::string NcWriter::FeedWord(const std::string& feedText) {
  if (feedText == kRapidFeedText) return settings.hasFeedRapid ? Separator() + settings.feedRapid : std::string();
  std::string word;
  if (!settings.fModal || feedText != lastFeed) word = Separator() + settings.feedPref + feedText;
  lastFeed = feedText;
  return word;
}

std::string NcWriter::AxisWord(double value, double scale, const std::string& format, const std::string& prefix,
                               std::string& last) {
  if (settings.scaled) value *= scale;
  RequireFinite(value);
  std::string text = platform::FormatPrintf(format, value);
  if (settings.delZero) text = StripTrailingZeros(text);
  if (text != last || !settings.xyzModal) {
    last = text;
    return Separator() + prefix + text;
  }
  return {};
}

std::string NcWriter::XWord(double x) { return AxisWord(x, settings.xScale, settings.xFormat, settings.xPref, lastX); }
std::string NcWriter::YWord(double y) { return AxisWord(y, settings.yScale, settings.yFormat, settings.yPref, lastY); }
std::string NcWriter::ZWord(double z) { return AxisWord(z, settings.zScale, settings.zFormat, settings.zPref, lastZ); }

std::string NcWriter::ToolWord(int32_t toolNumber) const {
  return Separator() + settings.toolPref + FormatToolNumber(settings.toolFormat, toolNumber);
}

void NcWriter::WriteBlock(std::string& out, int motionIndex, const std::string& text) {
  if (text.empty()) return;
  std::string line = NextBlockNumber() + MotionWord(motionIndex);
  std::string_view body = text;
  if (line.empty() && body.front() == ' ') body.remove_prefix(1);
  out += line;
  out += body;
  out += kLineEnd;
}

void NcWriter::WriteMoveBlock(std::string& out, int motionIndex, const std::string& feedText, double x, double y,
                              double z) {
  if (settings.dialect != NcDialect::SBO) {
    std::string text = XWord(x);
    text += YWord(y);
    text += ZWord(z);
    text += FeedWord(feedText);
    WriteBlock(out, motionIndex, text);
    return;
  }
  // ShopBot: one command per line, its arguments separated by commas; no feed word.
  std::string ax = AxisNumber(x), ay = AxisNumber(y), az = AxisNumber(z);
  std::string text;
  if (az != lastZ) {
    if (ax != lastX || ay != lastY) text = settings.sboXYZPref + ax + "," + ay + "," + az;
    else text = ZWord(z);
  } else if (ax != lastX && ay != lastY) {
    text = settings.sboXYPref + ax + "," + ay;
  } else {
    text = XWord(x) + YWord(y);
  }
  lastX = ax;
  lastY = ay;
  lastZ = az;
  WriteBlock(out, motionIndex, text);
}

}  // namespace machining
