#include "machining/post_processor.h"

#include <cctype>
#include <cmath>
#include <optional>
#include <vector>

#include "lang/lang.h"
#include "machining/nc_words.h"
#include "platform/dialogs.h"
#include "platform/exception.h"
#include "platform/files.h"
#include "platform/ini_file.h"
#include "platform/numbers.h"
#include "platform/text_encoding.h"

namespace machining {

namespace {

constexpr const char* kLineEnd = "\r\n";

// The file's number format text becomes "%" + text + conversion. Only digits with at most one '.'
// are taken (width up to 99, precision up to 30), so no file text is ever used as a format.
std::string ReadNumberFormat(const platform::IniFile& ini, const char* section, const char* key, const char* def,
                             char conversion) {
  std::string text = ini.ReadString(section, key, def);
  size_t dot = text.find('.');
  bool valid = !text.empty() && text != ".";
  for (size_t i = 0; valid && i < text.size(); ++i)
    valid = std::isdigit(static_cast<unsigned char>(text[i])) || (text[i] == '.' && i == dot);
  if (valid) {
    std::string width = text.substr(0, dot);
    std::string precision = dot == std::string::npos ? "" : text.substr(dot + 1);
    auto below = [](const std::string& digits, int limit) {
      return digits.empty() || (digits.size() <= 3 && std::stoi(digits) <= limit);
    };
    valid = below(width, 99) && below(precision, 30);
  }
  if (!valid) {
    throw platform::FormatError(lang::LangFormatOr("1183",
                                                   "Post-processor \"%1\", section [%2], key %3: \"%4\" is not a "
                                                   "number format (digits with at most one '.', e.g. 1.3)",
                                                   {ini.FileName(), section, key, text}));
  }
  return "%" + text + conversion;
}

// One multi-line text from the keys "1" .. "count"; empty and missing keys are skipped.
std::string ReadLines(const platform::IniFile& ini, const char* section, int count) {
  std::string text;
  for (int i = 1; i <= count; ++i) {
    std::string line = ini.ReadString(section, std::to_string(i), "");
    if (!line.empty()) text += line + kLineEnd;
  }
  return text;
}

std::string FileNameWithoutFolder(const std::string& path) {
  size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Text between the comment delimiters, as every control reads it: plain ASCII (many refuse bytes
// above 127), upper-cased whole, on one line. The delimiters' first characters become blanks so the
// text cannot close the comment early or open a nested one. Nothing to say gives no comment at all:
// "()" is noise to the machinist and an error to some controls.
std::string CommentText(std::string_view text, const PostProcessorSettings& s) {
  std::string body = platform::ToUpperAscii(platform::TransliterateToAscii(text));
  for (char& c : body)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  if (platform::Trim(body).empty()) return {};
  const std::string start = platform::ToUpperAscii(s.startComment), end = platform::ToUpperAscii(s.endComment);
  for (const std::string* delimiter : {&start, &end}) {
    if (delimiter->empty()) continue;
    for (char& c : body)
      if (c == delimiter->front()) c = ' ';
  }
  return start + body + end;
}

}  // namespace

std::string PostUnitName(PostUnit unit) {
  switch (unit) {
    case PostUnit::Millimetres:
      return lang::LangStringOr("1180", "millimetres");
    case PostUnit::Inches:
      return lang::LangStringOr("1181", "inches");
    default:
      return lang::LangStringOr("1182", "no unit");
  }
}

PostProcessorSettings ParsePostProcessor(const platform::IniFile& ini, const PostProcessorSettings& previous) {
  PostProcessorSettings s;
  s.outputSeq = ini.ReadBool("Block Numbering", "OutputSeq", false);
  s.seqPref = ini.ReadString("Block Numbering", "Pref", "N");
  s.seqStart = ini.ReadInteger("Block Numbering", "SeqStart", 1);
  s.seqInc = ini.ReadInteger("Block Numbering", "SeqInc", 1);
  s.seqMax = ini.ReadInteger("Block Numbering", "SeqMax", 999999);

  s.xPref = ini.ReadString("X Axis", "Pref", "X");
  s.xFormat = ReadNumberFormat(ini, "X Axis", "Format", "1.3", 'f');
  s.xScale = ini.ReadFloat("X Axis", "Scale", 1.0);
  // Y and Z take the [X Axis] format: existing files were written against that behaviour.
  s.yPref = ini.ReadString("Y Axis", "Pref", "Y");
  s.yFormat = ReadNumberFormat(ini, "X Axis", "Format", "1.3", 'f');
  s.yScale = ini.ReadFloat("Y Axis", "Scale", 1.0);
  s.zPref = ini.ReadString("Z Axis", "Pref", "Z");
  s.zFormat = ReadNumberFormat(ini, "X Axis", "Format", "1.3", 'f');
  s.zScale = ini.ReadFloat("Z Axis", "Scale", 1.0);

  s.iPref = ini.ReadString("ArcDef", "IPref", "I");
  s.jPref = ini.ReadString("ArcDef", "JPref", "J");
  s.rPref = ini.ReadString("ArcDef", "RPref", "R");

  s.toolPref = ini.ReadString("Tool", "Pref", "T");
  s.toolFormat = ReadNumberFormat(ini, "Tool", "Format", "1.1", 'd');
  s.toolOffsetPref = ini.ReadString("Tool", "Tofflen", "H");

  s.feedPref = ini.ReadString("Feed", "Pref", "F");
  s.feedFormat = ReadNumberFormat(ini, "Feed", "Format", "1.1", 'f');
  s.feedRapid = ini.ReadString("Feed", "Rapid", "");
  s.hasFeedRapid = !s.feedRapid.empty();

  s.motionWords[0] = ini.ReadString("GCode", "Rapid", "G0");
  s.motionWords[1] = ini.ReadString("GCode", "Linear", "G1");
  s.motionWords[2] = ini.ReadString("GCode", "Circular_CW", "G2");
  s.motionWords[3] = ini.ReadString("GCode", "Circular_CCW", "G3");
  s.xilSuffixCW = ini.ReadString("GCode", "XILSuffix_CW", "");
  s.xilSuffixCCW = ini.ReadString("GCode", "XILSuffix_CCW", "");

  s.sboXYPref = ini.ReadString("ShopBot", "SBO_XYPref", "");
  s.sboXYZPref = ini.ReadString("ShopBot", "SBO_XYZPref", "");

  s.arcOutput = ini.ReadInteger("ArcDef", "ArcOutput", 0);
  s.arcCenter = ini.ReadInteger("ArcDef", "ArcCenter", 1);

  s.xyzModal = ini.ReadBool("Default", "XYZModal", false);
  s.gModal = ini.ReadBool("Default", "GModal", false);
  s.fModal = ini.ReadBool("Default", "FModal", true);
  s.delZero = ini.ReadBool("Default", "DelZero", false);
  s.spaces = ini.ReadBool("Default", "Spaces", true);
  s.fileExtension = platform::ToLowerAscii(ini.ReadString("Default", "File_extension", "NC"));
  s.startComment = ini.ReadString("Default", "StartComment", "(");
  s.endComment = ini.ReadString("Default", "EndComment", ")");

  // Matched exactly; any other text leaves the dialect as it was.
  std::string dialect = ini.ReadString("Default", "Dialect", "ISO");
  s.dialect = previous.dialect;
  if (dialect == "HEI") s.dialect = NcDialect::HEI;
  else if (dialect == "ISO") s.dialect = NcDialect::ISO;
  else if (dialect == "XIL") s.dialect = NcDialect::XIL;
  else if (dialect == "SBO") s.dialect = NcDialect::SBO;
  else if (dialect == "CSH") s.dialect = NcDialect::CSH;

  s.postComment = ReadLines(ini, "Post Comment", 10);
  s.startOfFile = ReadLines(ini, "Start_of_file", 30);
  s.toolChange = ReadLines(ini, "Tool_change", 30);
  s.endOfFile = ReadLines(ini, "End_of_file", 30);

  for (int i = 0; i < 3; ++i) {
    std::string section = "Cycle_" + std::to_string(i + 1);
    PostProcessorSettings::Cycle& c = s.cycles[static_cast<size_t>(i)];
    c.exploded = ini.ReadBool(section, "Exploded", true);
    c.cycleDef = ini.ReadString(section, "Cycle_def", "");
    c.cycleMove = ini.ReadString(section, "Cycle_move", "");
    c.cycleCancel = ini.ReadString(section, "Cycle_cancel", "");
  }
  s.simulate = ini.ReadBool("Default", "Simulate", true);
  const std::string unit = platform::Trim(ini.ReadString("Default", "Unit", ""));
  if (platform::EqualsNoCase(unit, "mm")) s.unit = PostUnit::Millimetres;
  else if (platform::EqualsNoCase(unit, "inch")) s.unit = PostUnit::Inches;
  else if (!unit.empty())
    throw platform::FormatError(lang::LangFormatOr(
        "1184", "Post-processor \"%1\", section [Default], key Unit: \"%2\" is neither mm nor inch",
        {ini.FileName(), unit}));

  auto differs = [](double scale) { return !(std::fabs(scale - 1.0) <= kPostScaleTolerance); };
  s.scaled = differs(s.xScale) || differs(s.yScale) || differs(s.zScale);
  return s;
}

namespace {

constexpr const char* kPostSections[] = {
    "Block Numbering", "X Axis",      "Y Axis",        "Z Axis",      "ArcDef",      "Tool",
    "Feed",            "GCode",       "ShopBot",       "Default",     "Post Comment", "Start_of_file",
    "Tool_change",     "End_of_file", "Cycle_1",       "Cycle_2",     "Cycle_3",
};

// An empty, cut, binary or UTF-16 file reads as all defaults and would frame no program at all: it is
// no post-processor unless at least one of its sections is there.
bool HasPostProcessorSection(const platform::IniFile& ini) {
  for (const char* section : kPostSections)
    if (ini.SectionExists(section)) return true;
  return false;
}

// The existing file "<folder>/pst/<name>.pst", names matched without regard to case.
std::optional<std::string> FindPostProcessorFile(const std::string& folder, const std::string& name) {
  // A name from the settings file must not lead out of the "pst" folder.
  if (!platform::IsPlainFileName(name)) return std::nullopt;
  std::optional<std::string> pstDir = platform::FindFileNoCase(folder, "pst");
  if (!pstDir) return std::nullopt;
  return platform::FindFileNoCase(*pstDir, name + ".pst");
}

}  // namespace

std::string PostProcessorPath(const std::string& folder, const std::string& name) {
  return FindPostProcessorFile(folder, name)
      .value_or(platform::JoinPath(platform::JoinPath(folder, "pst"), name + ".pst"));
}

bool ReadPostProcessor(const std::string& folder, const std::string& name, NcWriter& writer) {
  std::optional<std::string> found = FindPostProcessorFile(folder, name);
  std::string path = found.value_or(PostProcessorPath(folder, name));
  if (!found) {
    // The defaults stand, but a job written with them would lack its start and end: say so.
    writer.settings = ParsePostProcessor(platform::IniFile(), writer.settings);
    writer.ResetBlockCounter();
    writer.postName.clear();
    // A name that would lead out of the "pst" folder is never shown as a path there.
    platform::ShowMessage(platform::IsPlainFileName(name)
                              ? lang::LangFormatOr("1185", "Pst not found: %1", {path})
                              : lang::LangFormatOr("1186",
                                                   "The post-processor name \"%1\" is refused: it holds a separator "
                                                   "or \"..\".",
                                                   {name}));
    return false;
  }
  try {
    platform::IniFile ini(path);
    if (!HasPostProcessorSection(ini)) {
      platform::ShowMessage(lang::LangFormatOr("1187", "Pst not found: %1\r\nThe file holds none of a post-processor's sections.",
                                               {path}));
      return false;
    }
    writer.settings = ParsePostProcessor(ini, writer.settings);
    writer.ResetBlockCounter();
    writer.postName = name;
    return true;
  } catch (const platform::FormatError& e) {
    platform::ShowMessage(e.Message());
  } catch (const platform::Exception& e) {
    platform::ShowMessage(lang::LangFormatOr("1188", "Pst not found: %1\r\n%2", {path, e.Message()}));
  }
  return false;
}

std::string PostKeyValue(std::string_view key, double x, double y, const NcJob& job, NcWriter& writer) {
  const PostProcessorSettings& s = writer.settings;
  if (key == "tool") return writer.ToolWord(job.toolNumber);
  if (key == "toolname") return CommentText(job.toolName, s);
  if (key == "speed") return "S" + job.spindleSpeedText;
  if (key == "spindle_on") return "M3";
  if (key == "spindle_off") return "M5";
  if (key == "feed") return writer.FeedWord(job.feedRateText);
  if (key == "feedplunge") return writer.FeedWord(job.plungeRateText);
  if (key == "offlen") return s.toolOffsetPref + std::to_string(job.toolNumber);
  if (key == "progname") return CommentText(FileNameWithoutFolder(job.ncFileName), s);
  if (key == "progn") return "O0001";
  if (key == "coolant_on") return "M8";
  if (key == "coolant_off") return "M9";
  if (key == "xrapid" || key == "x") return writer.XWord(x);
  if (key == "yrapid" || key == "y") return writer.YWord(y);
  if (key == "zrapid") return writer.ZWord(job.referenceHeight);
  if (key == "depth") return writer.FormatNcNumber(-1.0);
  if (key == "ref_height") return writer.FormatNcNumber(job.referenceHeight);
  if (key == "n") return writer.NextBlockNumber();
  return {};
}

std::string ExpandPostTemplate(std::string_view templ, double x, double y, const NcJob& job, NcWriter& writer) {
  std::string out;
  // Starts of the lines on which a comment key came out empty: such a line, blank once expanded, goes.
  std::vector<size_t> emptyCommentLines;
  std::string_view rest = templ;
  for (;;) {
    size_t open = rest.find('[');
    // The key ends at the first "]" after its "["; a "]" before it is plain text.
    size_t close = open == std::string_view::npos ? open : rest.find(']', open + 1);
    if (close == std::string_view::npos) {
      out += rest;  // no complete pair left: the rest is copied as it stands
      break;
    }
    out += rest.substr(0, open);
    const std::string_view key = rest.substr(open + 1, close - open - 1);
    std::string value = PostKeyValue(key, x, y, job, writer);
    rest.remove_prefix(close + 1);
    // A word at the start of a line carries no separator when no block number precedes it; on the
    // template's first line it keeps it, as the post-processors were written against.
    bool lineStart = out.size() > 1 && out.back() == '\n';
    if (!writer.settings.outputSeq && lineStart && value.size() > 1 && value.front() == ' ') value.erase(0, 1);
    if (value.empty() && (key == "toolname" || key == "progname")) {
      const size_t feed = out.rfind('\n');
      const size_t lineBegin = feed == std::string::npos ? 0 : feed + 1;
      if (emptyCommentLines.empty() || emptyCommentLines.back() != lineBegin) emptyCommentLines.push_back(lineBegin);
    }
    out += value;
  }
  // From the last line back, so the starts before stay where they are.
  for (auto begin = emptyCommentLines.rbegin(); begin != emptyCommentLines.rend(); ++begin) {
    const size_t feed = out.find('\n', *begin);
    const size_t end = feed == std::string::npos ? out.size() : feed + 1;
    if (platform::Trim(out.substr(*begin, end - *begin)).empty()) out.erase(*begin, end - *begin);
  }
  return out;
}

}  // namespace machining
