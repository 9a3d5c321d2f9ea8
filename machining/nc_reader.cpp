#include "machining/nc_reader.h"

#include <optional>
#include <vector>

#include "platform/numbers.h"
#include "platform/text_measure.h"

namespace machining {

namespace {

bool IsNumberChar(char c) { return c == '-' || c == '.' || (c >= '0' && c <= '9'); }

// Deletes the first `letter` of the line and the number characters right after it, and returns that
// number's text; nullopt when the letter is missing or no character follows it.
std::optional<std::string> TakeWordText(std::string& line, std::string_view letter, bool digitsOnly) {
  size_t at = line.find(letter);
  if (at == std::string::npos) return std::nullopt;
  line.erase(at, letter.size());
  size_t end = at;
  while (end < line.size() && (digitsOnly ? (line[end] >= '0' && line[end] <= '9') : IsNumberChar(line[end])))
    ++end;
  if (end == at) return std::nullopt;
  std::string text = line.substr(at, end - at);
  line.erase(at, end - at);
  return text;
}

std::optional<float> TakeNumber(std::string& line, std::string_view letter) {
  auto text = TakeWordText(line, letter, false);
  if (!text) return std::nullopt;
  auto value = platform::ParseDouble(*text);
  if (!value) return std::nullopt;
  return static_cast<float>(*value);
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
      while (line.find('G') != std::string::npos) {
        auto number = TakeWordText(line, "G", true);
        if (!number) continue;
        auto g = platform::ParseInt(*number);
        if (!g) continue;
        read = true;
        if ((*g >= 0 && *g <= 3) || (*g >= 81 && *g <= 86)) {
          values.motion = static_cast<int32_t>(*g);
          state.modalMotion = values.motion;
        }
      }
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
  if (auto z = TakeWordText(line, "Z", false); z && platform::ParseDouble(*z)) {
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
