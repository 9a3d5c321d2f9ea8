// Calculate: reads the cutting parameters, builds the passes, filters them, repeats them for every
// depth cut and writes the NC program through the post-processor into memory, then into the NC file
// in one go. Every move written is also handed to a sink so the 3D view can draw the toolpath. No
// widget is touched: the window fills CalculateFields from its edits and shows the result.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "machining/passes.h"
#include "machining/tool_shape.h"
#include "platform/exception.h"

namespace machining {

struct ReliefModel;
class NcWriter;
struct NcJob;

// A cutting or tool field that does not hold a usable number; the message names the field.
class CalculateError : public platform::Exception {
 public:
  using Exception::Exception;
};

// The fields Calculate reads, as typed.
struct CalculateFields {
  std::string feedPlane = "2";       // txtFeedPlane
  std::string maxStepover = "1";     // txtIncXY
  std::string toolDiameter = "5";    // txtDiametro (tool window)
  int32_t toolType = kToolFlat;      // cboTipoUt's item index
  std::string depthCuts = "1";       // sedPass_Z
  std::string zStep = "0";           // txtAspor_Z
  std::string stockToLeave = "0";    // txtStock
  std::string filterTolerance = "0.025";  // txtFilter
  // The tool window's shape fields; only those the tool type uses are read.
  std::string cornerRadius = "0";    // txtC_Raggio
  std::string flatDiameter = "0";    // txtDiamFlat
  std::string taperAngle = "0";      // txtAngolo
  bool rows0 = true;                 // chkOrizzontale
  bool rows90 = false;               // chkVerticale
  bool zNoCut = false;               // the "Z no cut" switch
  float zNoCutHeight = kNoZNoCutHeight;  // picked height
  float zNoCutTolerance = 0.1f;          // txtFiltroZNC as the 3D surface last took it
  // The post-processor chosen on the NC-file page; empty takes whichever the writer has loaded.
  std::string postProcessor;
};

// The fields as numbers, read in this order: feed plane, stepover, tool diameter, tool type,
// reference height (= feed plane), depth cuts, Z step, stock to leave, filter; then the tool's shape
// and the feed and plunge rates of the job.
struct CalculateParameters {
  float feedPlane = 2.0f;
  float maxStepover = 1.0f;
  float toolDiameter = 5.0f;
  int32_t toolType = kToolFlat;
  float referenceHeight = 2.0f;
  int32_t depthCuts = 1;
  float zStep = 0.0f;
  float stockToLeave = 0.0f;
  float filterTolerance = 0.025f;
  ToolShape tool;
  float feedRate = 0.0f;   // for the time estimate; the NC words use the texts as typed
  PassParameters passes;
};

// Raises CalculateError naming the first field that is not a number (or out of range), and
// ToolShapeError for a tool that cannot cut (a diameter not above 0, a shape the probes refuse). The
// feed and plunge rates are the job's texts.
CalculateParameters ReadCalculateParameters(const CalculateFields& fields, const NcJob& job);

// Raises CalculateError unless the writer holds a post-processor read from its file (and, when
// `chosen` names one, that very one) whose declared unit is the job's: a program framed by the built-in
// defaults has no start or end, and numbers in one unit under the other unit's G20/G21 carve the
// relief 25.4 times too large or too small.
void CheckPostProcessorFits(const std::string& chosen, const NcWriter& writer);

// A warning for the user when the stepover is wider than the tool (ridges stay uncut between the
// passes); empty otherwise.
std::string StepoverWarning(const CalculateParameters& params, bool inches);

struct CalculateCallbacks {
  // The drawn toolpath starts empty.
  std::function<void()> clearPath;
  // One move written: rapid or feed, to (x, y, z).
  std::function<void(bool rapid, float x, float y, float z)> drawMove;
  // The progress bar's position while the passes are built.
  std::function<void(int position)> progress;
};

struct CalculateResult {
  std::string ncText;          // the whole program, lines ending in CR LF (for the listing too)
  size_t passCount = 0;
  double pathLength = 0.0;     // accumulated length of the moves
  std::optional<int32_t> seconds;  // none when the feed rate gives no meaningful time
  std::string timeText;        // FormatMachiningTime(seconds), empty without a time
  bool fileWritten = false;
  std::string fileError;       // why the NC file could not be written
};

// Writes the program for built passes: the start template before the first pass, every pass reduced
// and repeated for each depth cut from the deepest offset down, rapids over the feed plane between
// passes farther apart than 2 x the X stepover, the end template. Appends to `out`; returns the
// accumulated path length.
double WriteNcProgram(const PassList& list, const CalculateParameters& params, NcWriter& writer, const NcJob& job,
                     const CalculateCallbacks& callbacks, std::string& out);

// Runs Calculate. A post-processor that does not fit (CheckPostProcessorFits), parameter, tool and grid
// problems (a feed plane below the relief among them) raise
// (CalculateError, ToolShapeError, PassError, or the post-processor's errors) before anything is
// written to the NC file. Sets the relief's stock to leave and the job's reference height, and resets
// the writer's memory. A file that cannot be written does not raise: the result keeps the text and
// says why.
CalculateResult Calculate(const CalculateFields& fields, ReliefModel& relief, NcWriter& writer, NcJob& job,
                          const CalculateCallbacks& callbacks = {});
// The same for parameters a caller has read already (ReadCalculateParameters), with the
// post-processor's fit checked: the window reads and checks them once, before it asks anything.
CalculateResult Calculate(const CalculateParameters& parameters, ReliefModel& relief, NcWriter& writer, NcJob& job,
                          const CalculateCallbacks& callbacks = {});

// " 1h, 02m, 05s" for 3725 seconds.
std::string FormatMachiningTime(int32_t seconds);

}  // namespace machining
