// Post-processor files: one machine's NC dialect (words, number formats, block numbering, modal
// behaviour, comment delimiters, file extension) and the start, tool-change and end templates whose
// bracketed keys are replaced by values of the job.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {
class IniFile;
}

namespace machining {

class NcWriter;

// The dialect code of a post-processor file; the numbers are the ones stored and compared elsewhere.
enum class NcDialect : int32_t { ISO = 0, HEI = 1, XIL = 2, SBO = 3, CSH = 4 };

// Motion word indexes of [GCode].
enum MotionIndex : int { kRapidMotion = 0, kLinearMotion = 1, kArcCWMotion = 2, kArcCCWMotion = 3 };

// The unit a post-processor's program is written in, as its [Default] Unit key declares it ("mm" or
// "inch"); files without the key declare none and are taken at the job's unit.
enum class PostUnit : int32_t { Undeclared = 0, Millimetres = 1, Inches = 2 };
// "millimetres", "inches", or "no unit", in the language's words.
std::string PostUnitName(PostUnit unit);

// Everything a post-processor file says, with the defaults that hold for a key the file lacks.
// Number formats are kept as built formats ("%1.3f", tool "%1.1d"); their file text has been checked
// to be digits with at most one '.', so no file text ever reaches a formatter as a format.
struct PostProcessorSettings {
  // [Block Numbering]
  bool outputSeq = false;
  std::string seqPref = "N";
  int32_t seqStart = 1;
  int32_t seqInc = 1;
  int32_t seqMax = 999999;
  // [X Axis], [Y Axis], [Z Axis]; the Y and Z formats come from [X Axis] (files rely on it).
  std::string xPref = "X";
  std::string xFormat = "%1.3f";
  double xScale = 1.0;
  std::string yPref = "Y";
  std::string yFormat = "%1.3f";
  double yScale = 1.0;
  std::string zPref = "Z";
  std::string zFormat = "%1.3f";
  double zScale = 1.0;
  // [ArcDef] prefixes: kept, unused (the NC reader looks for the letters themselves).
  std::string iPref = "I";
  std::string jPref = "J";
  std::string rPref = "R";
  // [Tool]
  std::string toolPref = "T";
  std::string toolFormat = "%1.1d";  // width.minimum-digits of the tool number
  std::string toolOffsetPref = "H";  // Tofflen
  // [Feed]
  std::string feedPref = "F";
  std::string feedFormat = "%1.1f";  // kept; no word uses it
  std::string feedRapid;             // written in place of the feed word on rapid moves
  bool hasFeedRapid = false;         // feedRapid is non-empty
  // [GCode]: Rapid, Linear, Circular_CW, Circular_CCW, indexed by MotionIndex.
  std::array<std::string, 4> motionWords{"G0", "G1", "G2", "G3"};
  std::string xilSuffixCW;   // kept, unused
  std::string xilSuffixCCW;  // kept, unused
  // [ShopBot]: move prefixes of dialect SBO.
  std::string sboXYPref;
  std::string sboXYZPref;
  // [ArcDef]
  int32_t arcOutput = 0;  // kept, unused
  int32_t arcCenter = 1;  // arc-centre convention for the backplot
  // [Default]
  bool xyzModal = false;
  bool gModal = false;
  bool fModal = true;
  bool delZero = false;
  bool spaces = true;
  std::string fileExtension = "nc";  // lower-cased on reading
  std::string startComment = "(";
  std::string endComment = ")";
  NcDialect dialect = NcDialect::ISO;
  PostUnit unit = PostUnit::Undeclared;  // Unit
  // Multi-line texts, each line ending in CR LF.
  std::string postComment;  // [Post Comment], shown on the NC-file page
  std::string startOfFile;  // [Start_of_file]
  std::string toolChange;   // [Tool_change], kept, unused
  std::string endOfFile;    // [End_of_file]
  struct Cycle {
    bool exploded = true;
    std::string cycleDef, cycleMove, cycleCancel;
  };
  std::array<Cycle, 3> cycles;  // [Cycle_1] .. [Cycle_3], kept, unused
  bool simulate = true;         // [Default] Simulate, read by the NC listing page
  // Set when any scale differs from 1 beyond the geometry tolerance; words scale only then.
  bool scaled = false;
};

// The post-processor chosen until the settings file or the NC-file page names another.
inline constexpr const char* kDefaultPostProcessorName = "fanuc_mm";
// Tolerance of the scale-flag test (the program's geometry tolerance).
inline constexpr double kPostScaleTolerance = 5e-05;

// Values of a job that come from the windows (tool window, cutting page, NC-file page). The windows
// fill it; the template keys read it.
struct NcJob {
  int32_t toolNumber = 1;        // sedToolNum
  std::string toolName;          // txtUtName
  std::string spindleSpeedText;  // txtGiri, as typed
  std::string feedRateText;      // txtFeedrate, as typed
  std::string plungeRateText;    // txtPlungeRate, as typed
  std::string ncFileName;        // the NC file chosen on the NC-file page (a path is fine)
  double referenceHeight = 5.0;  // feed plane of the last Calculate; 5 before any
};

// Reads the settings from an ini text. Starts from the defaults except Dialect, whose unknown texts
// leave `previous.dialect`. Raises platform::FormatError naming the file, section and key when a
// number format is not digits with at most one '.', or a Unit is neither "mm" nor "inch".
PostProcessorSettings ParsePostProcessor(const platform::IniFile& ini, const PostProcessorSettings& previous);

// The path of "<folder>/pst/<name>.pst", the file name matched without regard to case; when no file
// matches, the path as written (so a message can name it).
std::string PostProcessorPath(const std::string& folder, const std::string& name);

// Loads the post-processor `name` from the folder "pst" inside `folder` (normally
// platform::ProgramDir()) into writer.settings and sets the writer's block counter to SeqStart.
// Returns true when the file was read. A missing file leaves the defaults in place and shows
// "Pst not found" with the path; a file that holds none of the post-processor's sections (empty,
// garbage, UTF-16, cut short) shows "Pst not found" with the path and the reason, and one that cannot
// be read, is over 1 MB or holds a bad number format shows the error; these three leave the previous
// settings untouched. A file that is not valid UTF-8 is read as Windows-1252. Messages go through
// platform::ShowMessage.
bool ReadPostProcessor(const std::string& folder, const std::string& name, NcWriter& writer);

// Expands the bracketed keys of `templ` with PostKeyValue for the point (x, y). Text without a
// matching "[" ... "]" pair is copied once as it stands. Raises (platform::Exception) when a value
// cannot be made, rather than returning part of the text.
std::string ExpandPostTemplate(std::string_view templ, double x, double y, const NcJob& job, NcWriter& writer);

// The value of one template key (exact, case-sensitive); unknown keys give "". Keys that write
// NC words ("tool", "feed", "xrapid", "n", ...) go through the writer and update its memory.
std::string PostKeyValue(std::string_view key, double x, double y, const NcJob& job, NcWriter& writer);

}  // namespace machining
