#include "machining/calculate.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "lang/lang.h"
#include "machining/nc_words.h"
#include "machining/post_processor.h"
#include "machining/probes.h"
#include "machining/reduce_polyline.h"
#include "machining/relief_model.h"
#include "platform/binary_stream.h"
#include "platform/numbers.h"

namespace machining {

namespace {

constexpr int32_t kMaxDepthCuts = 255;  // the spin edit's range

float ReadSingle(const std::string& text, const std::string& field) {
  try {
    return platform::ReadSingleField(text, field);
  } catch (const platform::FormatError& e) {
    throw CalculateError(e.Message());
  }
}

// Feed texts go into the NC program as typed (F + text), so only plain decimals pass: "1e3" would
// be read by a controller as F1 followed by an E word, and a sign is no feed at all.
float ReadRate(const std::string& text, const std::string& field) {
  const std::string t = platform::Trim(text);
  const bool plain = !t.empty() && t != "." && std::count(t.begin(), t.end(), '.') <= 1 &&
                     std::all_of(t.begin(), t.end(), [](char c) { return (c >= '0' && c <= '9') || c == '.'; });
  if (!plain || t != text)
    throw CalculateError(
        lang::LangFormatOr("1160", "%1: \"%2\" must be written with digits and at most one '.'.", {field, text}));
  return ReadSingle(text, field);
}

int32_t ReadDepthCuts(const std::string& text) {
  auto value = platform::ParseInt(text);
  if (!value) throw CalculateError(lang::LangFormatOr("1161", "Depth cuts: \"%1\" is not a whole number.", {text}));
  if (*value > kMaxDepthCuts)
    throw CalculateError(
        lang::LangFormatOr("1162", "Depth cuts: %1 is more than %2.", {text, std::to_string(kMaxDepthCuts)}));
  return static_cast<int32_t>(std::max<int64_t>(*value, -1));
}

void RequireFinite(double x, double y, double z) {
  if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z))
    throw CalculateError(lang::LangStringOr("1163",
                                            "The toolpath holds a position that is not a number: check the feed "
                                            "plane, Z step and depths. Nothing was written."));
}

// Rapids run at the feed plane, so it must not lie below the relief's highest node plus the stock
// left on it. Called once the grid has been checked (sizes and finite heights).
void RequireFeedPlaneAboveRelief(const ReliefModel& relief, const CalculateParameters& p, bool inches) {
  float highest = -std::numeric_limits<float>::infinity();
  for (int32_t c = 0; c < relief.columnBound; ++c) {
    const float* column = relief.grid.Column(c);
    for (int32_t r = 0; r < relief.rows; ++r) highest = std::max(highest, column[r]);
  }
  const double top = static_cast<double>(highest) + std::max(0.0, static_cast<double>(p.stockToLeave));
  if (p.feedPlane < top)
    throw CalculateError(lang::LangFormatOr("1164",
                                            "Feed plane: %1 is below the top of the relief (%2); rapid moves would "
                                            "cut into it.",
                                            {FormatPlainNumber(p.feedPlane, inches), FormatPlainNumber(top, inches)}));
}

double Distance(float ax, float ay, float az, double bx, double by, double bz) {
  double dx = bx - ax, dy = by - ay, dz = bz - az;
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}

// The emission state: the last point written, where the last pass ended, and the path length.
class Emitter {
 public:
  Emitter(const CalculateParameters& p, NcWriter& writer, const NcJob& job, const CalculateCallbacks& callbacks,
          std::string& out, float stepX)
      : p_(p), writer_(writer), job_(job), callbacks_(callbacks), out_(out), stepX_(stepX) {}

  void Pass(const std::vector<PassPoint>& kept, float offset) {
    for (size_t n = 0; n < kept.size(); ++n) {
      const double x = kept[n].x, y = kept[n].y, z = kept[n].z + offset;
      RequireFinite(x, y, z);
      // The first pass always opens the program: a picture lying near the far-away start position
      // must not lose the start template (units, tool, spindle) to the distance test.
      // After a retract the tool is out of the material: it goes across and plunges, however near.
      if (n == 0 && (firstPass_ || retracted_ || !FeedsAcross(endX_, endY_, x, y, stepX_))) {
        retracted_ = false;
        if (firstPass_) {
          firstPass_ = false;
          out_ += ExpandPostTemplate(writer_.settings.startOfFile, x, y, job_, writer_);
          // The start template leaves the tool over P at the reference height (the feed plane);
          // going down from there is a plunge and takes the plunge rate like every other one. The
          // drawn path starts there too, where the program starts.
          Draw(true, x, y, p_.feedPlane);
          SetPrevious(x, y, p_.feedPlane);
          plungePending_ = true;
        } else {
          Move(true, kRapidFeedText, prevX_, prevY_, p_.feedPlane);
          Move(true, kRapidFeedText, x, y, p_.feedPlane);
          // The tool now stands over P at the feed plane: count the move across once here and
          // let the plunge below add only the way down.
          length_ += Distance(prevX_, prevY_, p_.feedPlane, x, y, p_.feedPlane);
          SetPrevious(x, y, p_.feedPlane);
          plungePending_ = true;
        }
      }
      if (plungePending_) {
        Move(false, job_.plungeRateText, x, y, z);
        plungePending_ = false;
      } else {
        Move(false, job_.feedRateText, x, y, z);
      }
      length_ += Distance(prevX_, prevY_, prevZ_, x, y, z);
      SetPrevious(x, y, z);
    }
    endX_ = prevX_;
    endY_ = prevY_;
  }

  // Up to the feed plane at the end of a depth cut.
  void Retract() {
    Move(true, kRapidFeedText, prevX_, prevY_, p_.feedPlane);
    prevZ_ = p_.feedPlane;
    retracted_ = true;
  }

  void Finish() { out_ += ExpandPostTemplate(writer_.settings.endOfFile, prevX_, prevY_, job_, writer_); }

  double PathLength() const { return length_; }

 private:
  void Move(bool rapid, const std::string& feedText, double x, double y, double z) {
    RequireFinite(x, y, z);
    writer_.WriteMoveBlock(out_, rapid ? kRapidMotion : kLinearMotion, feedText, x, y, z);
    Draw(rapid, x, y, z);
  }
  void Draw(bool rapid, double x, double y, double z) {
    if (callbacks_.drawMove)
      callbacks_.drawMove(rapid, static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
  }
  void SetPrevious(double x, double y, double z) {
    prevX_ = static_cast<float>(x);
    prevY_ = static_cast<float>(y);
    prevZ_ = static_cast<float>(z);
  }

  const CalculateParameters& p_;
  NcWriter& writer_;
  const NcJob& job_;
  const CalculateCallbacks& callbacks_;
  std::string& out_;
  const float stepX_;
  float prevX_ = 0.0f, prevY_ = 0.0f, prevZ_ = 0.0f;
  float endX_ = 99999.125f, endY_ = 99999.125f;
  bool firstPass_ = true;
  bool plungePending_ = false;
  bool retracted_ = false;  // up at the feed plane after a depth cut
  // Double, not single: a long job adds millions of short moves, and a single-precision sum
  // drifts by whole percents.
  double length_ = 0.0;
};

}  // namespace

CalculateParameters ReadCalculateParameters(const CalculateFields& f, const NcJob& job) {
  CalculateParameters p;
  p.feedPlane = ReadSingle(f.feedPlane, lang::LangStringOr("1012", "Feed plane"));
  p.maxStepover = ReadSingle(f.maxStepover, lang::LangStringOr("1165", "Stepover"));
  p.toolDiameter = ReadSingle(f.toolDiameter, lang::LangStringOr("1166", "Tool diameter"));
  p.toolType = f.toolType;
  p.referenceHeight = p.feedPlane;
  p.depthCuts = ReadDepthCuts(f.depthCuts);
  p.zStep = ReadSingle(f.zStep, lang::LangStringOr("1016", "Z step"));
  // The upper depth cuts stand (k - 1) x Z step above the final heights; a negative step would put
  // them below the relief.
  if (p.depthCuts > 1 && p.zStep < 0.0f)
    throw CalculateError(lang::LangFormatOr(
        "1167", "Z step: \"%1\" is negative; the depth cuts would go below the relief.", {f.zStep}));
  p.stockToLeave = ReadSingle(f.stockToLeave, lang::LangStringOr("1014", "Stock to leave"));
  p.filterTolerance = ReadSingle(f.filterTolerance, lang::LangStringOr("1015", "Filter"));

  p.tool.toolType = p.toolType;
  p.tool.diameter = p.toolDiameter;
  if (!(p.toolDiameter > 0.0f))
    throw ToolShapeError(lang::LangFormatOr(
        "1168", "Tool diameter: %1 cannot cut; the tool's diameter must be above 0.", {f.toolDiameter}));
  switch (p.toolType) {
    case kToolBullNose:
      p.tool.cornerRadius = ReadSingle(f.cornerRadius, lang::LangStringOr("1169", "Corner radius"));
      break;
    case kToolConicalFlat:
    case kToolConicalSpherical:
      p.tool.taperAngle = ReadSingle(f.taperAngle, lang::LangStringOr("1170", "Taper angle"));
      p.tool.flatDiameter = ReadSingle(f.flatDiameter, lang::LangStringOr("1171", "Flat diameter"));
      break;
    default:
      break;
  }
  ValidateToolShape(p.tool);
  p.feedRate = ReadRate(job.feedRateText, lang::LangStringOr("1172", "Feed rate"));
  ReadRate(job.plungeRateText, lang::LangStringOr("1173", "Plunge rate"));

  p.passes.maxStepover = p.maxStepover;
  p.passes.feedPlane = p.feedPlane;
  p.passes.rows0 = f.rows0;
  p.passes.rows90 = f.rows90;
  p.passes.zNoCut = f.zNoCut;
  p.passes.zNoCutHeight = f.zNoCutHeight;
  p.passes.zNoCutTolerance = f.zNoCutTolerance;
  return p;
}

void CheckPostProcessorFits(const std::string& chosen, const NcWriter& writer) {
  if (writer.postName.empty())
    throw CalculateError(
        chosen.empty()
            ? lang::LangStringOr("1174", "No post-processor is loaded: choose one on the NC-file page. Nothing was written.")
            : lang::LangFormatOr("1175",
                                 "No post-processor is loaded (\"%1\" could not be read): choose one on the NC-file "
                                 "page. Nothing was written.",
                                 {chosen}));
  if (!chosen.empty() && !platform::EqualsNoCase(chosen, writer.postName))
    throw CalculateError(lang::LangFormatOr("1176",
                                            "The post-processor \"%1\" could not be read; the one loaded is \"%2\". "
                                            "Choose a post-processor on the NC-file page. Nothing was written.",
                                            {chosen, writer.postName}));
  const PostUnit unit = writer.settings.unit;
  const PostUnit jobUnit = writer.inches ? PostUnit::Inches : PostUnit::Millimetres;
  if (unit != PostUnit::Undeclared && unit != jobUnit)
    throw CalculateError(lang::LangFormatOr("1177",
                                            "The post-processor \"%1\" writes its program in %2, but the job is in "
                                            "%3. Choose a post-processor for %3, or set the units to %2 and size the "
                                            "job again. Nothing was written.",
                                            {writer.postName, PostUnitName(unit), PostUnitName(jobUnit)}));
}

std::string StepoverWarning(const CalculateParameters& params, bool inches) {
  if (!(params.maxStepover > params.toolDiameter)) return {};
  return lang::LangFormatOr("1178",
                            "The stepover %1 is wider than the tool's diameter %2: material will stay uncut between "
                            "the passes. Calculate anyway?",
                            {FormatPlainNumber(params.maxStepover, inches), FormatPlainNumber(params.toolDiameter, inches)});
}

double WriteNcProgram(const PassList& list, const CalculateParameters& params, NcWriter& writer, const NcJob& job,
                     const CalculateCallbacks& callbacks, std::string& out) {
  Emitter emitter(params, writer, job, callbacks, out, list.alongX.step);
  std::vector<PassPoint> kept;
  for (int32_t k = params.depthCuts; k >= 1; --k) {
    const float offset = static_cast<float>((k - 1) * static_cast<double>(params.zStep));
    for (const auto& pass : list.passes) {
      ReducePolyline(pass, kept, params.filterTolerance);
      emitter.Pass(kept, offset);
    }
    emitter.Retract();
  }
  emitter.Finish();
  return emitter.PathLength();
}

CalculateResult Calculate(const CalculateFields& fields, ReliefModel& relief, NcWriter& writer, NcJob& job,
                          const CalculateCallbacks& callbacks) {
  CheckPostProcessorFits(fields.postProcessor, writer);
  return Calculate(ReadCalculateParameters(fields, job), relief, writer, job, callbacks);
}

CalculateResult Calculate(const CalculateParameters& p, ReliefModel& relief, NcWriter& writer, NcJob& job,
                          const CalculateCallbacks& callbacks) {
  relief.stockToLeave = p.stockToLeave;
  job.referenceHeight = p.referenceHeight;
  writer.ResetMemory();
  if (callbacks.clearPath) callbacks.clearPath();

  const ToolProbe probe(MakeProbeParams(p.tool, relief));
  ProgressCounter progress(callbacks.progress);
  const PassList list = BuildPasses(relief, probe, p.passes, &progress);
  RequireFeedPlaneAboveRelief(relief, p, writer.inches);

  CalculateResult result;
  result.passCount = list.passes.size();
  result.pathLength = WriteNcProgram(list, p, writer, job, callbacks, result.ncText);

  if (job.ncFileName.empty()) {
    result.fileError = lang::LangStringOr("1179", "No NC file has been chosen.");
  } else {
    try {
      platform::WriteFileText(job.ncFileName, result.ncText);
      result.fileWritten = true;
    } catch (const std::exception& e) {
      result.fileError = e.what();
    }
  }

  // A feed rate of 0 (or less) gives no time rather than an infinite or negative one.
  if (p.feedRate > 0.0f) {
    const double seconds = std::nearbyint(static_cast<double>(result.pathLength) / p.feedRate * 60.0);
    if (seconds <= std::numeric_limits<int32_t>::max()) {
      result.seconds = static_cast<int32_t>(seconds);
      result.timeText = FormatMachiningTime(*result.seconds);
    }
  }
  return result;
}

std::string FormatMachiningTime(int32_t seconds) {
  return " " + std::to_string(seconds / 3600) + "h, " +
         platform::FormatFloatPattern("00", (seconds / 60) % 60) + "m, " +
         platform::FormatFloatPattern("00", seconds % 60) + "s";
}

}  // namespace machining
