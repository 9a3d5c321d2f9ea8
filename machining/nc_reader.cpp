#include "machining/nc_reader.h"

#include <cmath>
#include <limits>
#include <optional>
#include <vector>

#include "platform/numbers.h"
#include "platform/text_measure.h"

namespace machining {

namespace {

bool IsNumberChar(char c) { return c == '-' || c == '.' || (c >= '0' && c <= '9'); }

// Deletes the first `letter` of the line and the number characters right after it, and returns that
// number's text; nullopt when the letter is missing or no character follows it.
std::optional<std::string> TakeWordText(std::string& line, std::string_view letter) {
  size_t at = line.find(letter);
  if (at == std::string::npos) return std::nullopt;
  line.erase(at, letter.size());
  size_t end = at;
  while (end < line.size() && IsNumberChar(line[end])) ++end;
  if (end == at) return std::nullopt;
  std::string text = line.substr(at, end - at);
  line.erase(at, end - at);
  return text;
}

// A word's number as the single the reader keeps; a number beyond the single range does not convert
// (it would come back as an infinity and be drawn as one).
std::optional<float> SingleOf(const std::string& text) {
  auto value = platform::ParseDouble(text);
  if (!value || std::fabs(*value) > std::numeric_limits<float>::max()) return std::nullopt;
  return static_cast<float>(*value);
}

std::optional<float> TakeNumber(std::string& line, std::string_view letter) {
  auto text = TakeWordText(line, letter);
  if (!text) return std::nullopt;
  return SingleOf(*text);
}

// Deletes every "G" and the digits right after it, in one pass, handing each G's digits (empty for a
// "G" without any) to `onNumber`: the same as taking the first "G" of what remains again and again,
// since each take leaves no "G" before the next, but linear in the line's length.
template <class OnNumber>
void TakeAllMotionWords(std::string& line, OnNumber&& onNumber) {
  std::string rest;
  rest.reserve(line.size());
  for (size_t i = 0; i < line.size();) {
    if (line[i] != 'G') {
      rest += line[i++];
      continue;
    }
    size_t end = ++i;
    while (end < line.size() && line[end] >= '0' && line[end] <= '9') ++end;
    onNumber(std::string_view(line).substr(i, end - i));
    i = end;
  }
  line = std::move(rest);
}

// Deletes `word` when the line holds it.
bool TakeText(std::string& line, std::string_view word) {
  size_t at = line.find(word);
  if (at == std::string::npos) return false;
  line.erase(at, word.size());
  return true;
}

bool IsCycle(int32_t motion) { return motion >= 81 && motion <= 86; }

// Byte offset of each character of a UTF-8 text, so a cut never splits a character.
std::vector<size_t> CharacterStarts(const std::string& text) {
  std::vector<size_t> starts;
  for (size_t i = 0; i < text.size(); ++i)
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) starts.push_back(i);
  return starts;
}

}  // namespace

NcReaderSyntax ReaderSyntaxOf(const PostProcessorSettings& settings) {
  return NcReaderSyntax{settings.dialect, settings.startComment, settings.feedRapid};
}

void ResetNcReader(NcReaderState& state, std::string_view feedPlaneText) {
  state = NcReaderState();
  state.currentZText = std::string(feedPlaneText);
}

bool ParseNcLine(NcReaderState& state, const NcReaderSyntax& syntax, std::string_view text,
                 NcLineMotion& values) {
  std::string line(text);
  if (!syntax.startComment.empty()) {
    size_t at = line.find(syntax.startComment);
    if (at != std::string::npos) line.erase(at);
  }
  if (size_t at = line.find("G28"); at != std::string::npos) line.erase(at);

  bool read = false;
  auto take = [&](std::string_view letter, float& out) {
    if (auto v = TakeNumber(line, letter)) {
      out = *v;
      read = true;
      return true;
    }
    return false;
  };

  switch (syntax.dialect) {
    case NcDialect::ISO:
    case NcDialect::CSH: {
      values.motion = state.modalMotion;
      TakeAllMotionWords(line, [&](std::string_view number) {
        auto g = platform::ParseInt(number);
        if (!g) return;
        read = true;
        if ((*g >= 0 && *g <= 3) || (*g >= 81 && *g <= 86)) {
          values.motion = static_cast<int32_t>(*g);
          state.modalMotion = values.motion;
        }
      });
      if (values.motion == 2 || values.motion == 3) {
        take("I", state.centreI);
        take("J", state.centreJ);
        values.arcR = 0.0f;
        take("R", values.arcR);
      } else if (IsCycle(values.motion)) {
        take("R", values.cycleR);
      }
      break;
    }
    case NcDialect::HEI: {
      values.arcR = 0.0f;
      values.motion = state.modalMotion;
      if (line.find('L') != std::string::npos) {
        values.motion = 1;
        state.modalMotion = 1;
      }
      if (TakeText(line, "CC")) {
        take("X", state.centreI);
        take("Y", state.centreJ);
      }
      if (TakeText(line, "C")) {
        if (TakeText(line, "DR+")) {
          values.motion = 3;
          state.modalMotion = 3;
        } else if (TakeText(line, "DR-")) {
          values.motion = 2;
          state.modalMotion = 2;
        }
      }
      break;
    }
    case NcDialect::XIL:
    case NcDialect::SBO:  // the motion stays the caller's
      break;
  }

  if (!syntax.rapidText.empty() && (values.motion == 0 || values.motion == 1) &&
      line.find(syntax.rapidText) != std::string::npos) {
    values.motion = 0;
    state.modalMotion = 0;
  }

  values.centreI = state.centreI;
  values.centreJ = state.centreJ;
  take("X", values.x);
  take("Y", values.y);
  if (auto z = TakeWordText(line, "Z"); z && SingleOf(*z)) {
    state.currentZText = *z;
    read = true;
  }
  return read;
}

std::string FitTextToWidth(const platform::TextMeasure& measure, std::string_view text, int width) {
  std::string fitted(text);
  while (measure.TextWidth(fitted) > width - 5) {
    // Each round cuts five characters after the ninth and puts "..." there; a text with three or
    // fewer characters after the ninth cannot get shorter, so stop rather than loop for ever.
    std::vector<size_t> starts = CharacterStarts(fitted);
    if (starts.size() <= 9 + 3) break;
    size_t cutEnd = starts.size() > 14 ? starts[14] : fitted.size();
    fitted.replace(starts[9], cutEnd - starts[9], "...");
  }
  return fitted;
}

}  // namespace machining
