#include "machining/backplot.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "lang/lang.h"
#include "platform/numbers.h"

namespace machining {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

double Radians(double degrees) { return degrees * kPi / 180.0; }

// The angle of (x, y) seen from the origin, in [0, 2 pi).
double AngleOf(double x, double y) {
  double a = std::atan2(y, x);
  if (a < 0.0) a += kTwoPi;
  if (a >= kTwoPi) a -= kTwoPi;
  return a;
}

// The counter-clockwise sweep from `start` to `end` (both in [0, 2 pi)), in (0, 2 pi]: a whole turn
// when they are equal.
double CounterClockwiseSweep(double start, double end) { return start >= end ? end + (kTwoPi - start) : end - start; }

bool IsCycle(int32_t motion) { return motion >= 81 && motion <= 86; }

}  // namespace

std::optional<BackplotPoint> ArcCentreFromRadius(BackplotPoint start, BackplotPoint end, double r, bool clockwise) {
  const double dx = end.x - start.x, dy = end.y - start.y;
  const double c = std::hypot(dx, dy);
  if (!(c > 0.0)) return std::nullopt;
  const BackplotPoint m{(start.x + end.x) / 2.0, (start.y + end.y) / 2.0};
  const double h2 = r * r - c * c / 4.0;
  const double h = h2 > 0.0 ? std::sqrt(h2) : 0.0;
  const double nx = dy / c, ny = -dx / c;
  BackplotPoint centre{m.x + h * nx, m.y + h * ny};
  // The side: the sweep about the first centre in the arc's direction tells the long way from the
  // short one.
  const double ccw = CounterClockwiseSweep(AngleOf(start.x - centre.x, start.y - centre.y),
                                           AngleOf(end.x - centre.x, end.y - centre.y));
  const double sweep = clockwise ? kTwoPi - ccw : ccw;
  if ((r > 0.0 && sweep > kPi) || (r < 0.0 && sweep <= kPi)) centre = {m.x - h * nx, m.y - h * ny};
  return centre;
}

std::optional<BackplotPoint> ArcCentreFromWords(int32_t arcCenter, BackplotPoint start, double i, double j) {
  switch (arcCenter) {
    case 1:
      return BackplotPoint{i, j};
    case 2:
      return BackplotPoint{start.x + i, start.y + j};
    case 3:
      return BackplotPoint{start.x - i, start.y - j};
    default:
      return std::nullopt;
  }
}

ArcSpan MakeArcSpan(BackplotPoint centre, BackplotPoint start, BackplotPoint end, bool clockwise) {
  ArcSpan arc;
  arc.cx = centre.x;
  arc.cy = centre.y;
  arc.radius = std::hypot(start.x - centre.x, start.y - centre.y);
  arc.startAngle = AngleOf(start.x - centre.x, start.y - centre.y);
  arc.endAngle = AngleOf(end.x - centre.x, end.y - centre.y);
  const double ccw = CounterClockwiseSweep(arc.startAngle, arc.endAngle);
  // The sweep the tool really turns through. Measured in the arc's own direction, a short clockwise
  // arc stays short: only the end meeting the start, or a sweep a hair short of a whole turn, closes.
  const double own = clockwise ? kTwoPi - ccw : ccw;
  arc.closed = arc.startAngle == arc.endAngle || own >= kTwoPi - kClosedArcTolerance;
  if (arc.closed) {
    arc.endAngle = arc.startAngle;
    arc.sweep = clockwise ? -kTwoPi : kTwoPi;
  } else {
    arc.sweep = clockwise ? -own : own;
  }
  return arc;
}

std::vector<BackplotNode> ArcNodes(float cx, float cy, float z, float radius, float startAngle, float stopAngle,
                                   int count) {
  count = std::max(count, 1);
  std::vector<BackplotNode> nodes;
  nodes.reserve(static_cast<size_t>(count) + 1);
  const float step = (stopAngle - startAngle) / static_cast<float>(count);
  for (int i = 0; i <= count; ++i) {
    const float a = startAngle + static_cast<float>(i) * step;
    nodes.push_back({cx + radius * std::cos(a), cy + radius * std::sin(a), z});
  }
  return nodes;
}

std::vector<ProfilePoint> ToolBodyProfile(const ToolShape& tool, double length) {
  const double R = tool.diameter / 2.0;
  std::vector<ProfilePoint> profile;
  auto add = [&](double x, double y) { profile.push_back({static_cast<float>(x), static_cast<float>(y)}); };
  // The rise of a cone whose side stands `a` degrees off the axis, over a horizontal run.
  auto cone = [](double a, double run) { return std::tan(Radians(90.0 - a)) * run; };
  switch (tool.toolType) {
    case kToolFlat:
      add(0.0, 0.0);
      add(R, 0.0);
      break;
    case kToolBullNose: {
      const double r = tool.cornerRadius;
      add(0.0, 0.0);
      for (int k = 0; k < 6; ++k) {
        const double s = Radians(270.0 + 15.0 * k);
        add(R - r + r * std::cos(s), r + r * std::sin(s));
      }
      break;
    }
    case kToolSpherical:
      for (int k = 0; k < 10; ++k) {
        const double s = Radians(270.0 + 10.0 * k);
        add(R * std::cos(s), R + R * std::sin(s));
      }
      break;
    case kToolConicalFlat: {
      const double halfFlat = tool.flatDiameter / 2.0;
      add(0.0, 0.0);
      add(halfFlat, 0.0);
      add(R, cone(tool.taperAngle, R - halfFlat));
      break;
    }
    case kToolDrill:
      add(0.0, 0.0);
      add(R, std::tan(Radians(30.0)) * R);
      break;
    case kToolConicalSpherical: {
      const double rb = tool.flatDiameter / 2.0;
      const double step = (90.0 - tool.taperAngle) / 6.0;
      double x6 = 0.0, y6 = 0.0;
      for (int k = 0; k < 6; ++k) {
        const double s = Radians(270.0 + step * k);
        x6 = rb * std::cos(s);
        y6 = rb + rb * std::sin(s);
        add(x6, y6);
      }
      add(R, cone(tool.taperAngle, R - x6) + y6);
      break;
    }
    default:  // Undefined (and a type no tool has): no body
      return profile;
  }
  add(R, length);
  add(0.0, length);
  return profile;
}

int PlayWaitMilliseconds(int speed) {
  static constexpr int kWaits[] = {500, 250, 125, 60, 30, 15, 7, 3, 1};
  if (speed >= 10) return 0;
  return kWaits[std::clamp(speed, 1, 9) - 1];
}

// --- Backplot ---

Backplot::Backplot() { Reset(PostProcessorSettings(), ""); }

void Backplot::Reset(const PostProcessorSettings& settings, std::string_view feedPlaneText) {
  syntax_ = ReaderSyntaxOf(settings);
  arcCenter_ = settings.arcCenter;
  ResetNcReader(reader_, feedPlaneText);
  values_ = NcLineMotion();
  values_.x = reader_.lastX;
  values_.y = reader_.lastY;
  const auto z = platform::ParseDouble(reader_.currentZText);
  z_ = z ? static_cast<float>(*z) : 0.0f;
  placedX_ = placedY_ = previousPlaced_ = false;
}

bool Backplot::Read(std::string_view line, int lineNumber) {
  // What a refused line must leave as it was, without copying the reader's state a line: of the
  // state a line changes only the modal motion, the centre words and the Z text. The Z text is set
  // aside by swapping buffers; a line that gives one leaves a text that is not empty.
  const int32_t modalMotion = reader_.modalMotion;
  const float centreI = reader_.centreI, centreJ = reader_.centreJ;
  const NcLineMotion values = values_;
  // The reader writes X and Y only when the line gives them: a NaN left standing tells it gave none.
  values_.x = values_.y = std::numeric_limits<float>::quiet_NaN();
  zTextBefore_.swap(reader_.currentZText);
  reader_.currentZText.clear();
  bool read;
  if (syntax_.dialect == NcDialect::CSH) read = ParseNcLine(reader_, syntax_, platform::ToUpperAscii(line), values_);
  else read = ParseNcLine(reader_, syntax_, line, values_);
  const bool gaveX = !std::isnan(values_.x), gaveY = !std::isnan(values_.y);
  if (!gaveX) values_.x = values.x;
  if (!gaveY) values_.y = values.y;
  const bool newZText = !reader_.currentZText.empty();
  if (!newZText) reader_.currentZText.swap(zTextBefore_);
  // The reader keeps only Z texts that are numbers; an unchanged one was read into z_ already.
  std::optional<double> z;
  if (read && newZText) z = platform::ParseDouble(reader_.currentZText);
  const float words[] = {values_.x, values_.y, values_.arcR, values_.cycleR, values_.centreI, values_.centreJ};
  const bool sound = (!z || std::fabs(*z) <= kMaxNcCoordinate) &&
                     std::all_of(std::begin(words), std::end(words),
                                 [](float v) { return std::fabs(v) <= kMaxNcCoordinate; });
  if (!sound) {
    reader_.modalMotion = modalMotion;
    reader_.centreI = centreI;
    reader_.centreJ = centreJ;
    if (newZText) reader_.currentZText.swap(zTextBefore_);
    values_ = values;
    throw NcListingError(lineNumber > 0 ? lang::LangFormatOr("1251", "Line %1: a coordinate beyond 1e30 cannot be drawn.",
                                                             {std::to_string(lineNumber)})
                                        : lang::LangStringOr("1252", "A coordinate beyond 1e30 cannot be drawn."));
  }
  if (z) z_ = static_cast<float>(*z);
  placedX_ = placedX_ || gaveX;
  placedY_ = placedY_ || gaveY;
  return read;
}

NcMove Backplot::Move() const {
  NcMove move;
  move.motion = values_.motion;
  move.x = values_.x;
  move.y = values_.y;
  move.z = syntax_.dialect == NcDialect::CSH ? -z_ : z_;
  move.arcR = values_.arcR;
  move.cycleR = values_.cycleR;
  move.centreI = values_.centreI;
  move.centreJ = values_.centreJ;
  return move;
}

void Backplot::SetPrevious(float x, float y) {
  reader_.lastX = x;
  reader_.lastY = y;
  previousPlaced_ = true;
}

bool Backplot::SetStart(float x, float y) {
  SetPrevious(x, y);
  // The tool stands there: the travel reaches it, drawn to or not.
  return Widen(x, y);
}

bool Backplot::Widen(double x, double y) {
  bool changed = false;
  auto widen = [&changed](float& extent, double value, bool above) {
    if (above ? value > extent : value < extent) {
      extent = static_cast<float>(value);
      changed = true;
    }
  };
  widen(reader_.maxX, x, true);
  widen(reader_.minX, x, false);
  widen(reader_.maxY, y, true);
  widen(reader_.minY, y, false);
  return changed;
}

bool Backplot::WidenArc(const ArcSpan& arc) {
  const bool low = Widen(arc.cx - arc.radius, arc.cy - arc.radius);
  const bool high = Widen(arc.cx + arc.radius, arc.cy + arc.radius);
  return low || high;
}

std::optional<ArcSpan> Backplot::Arc(const NcMove& move) const {
  const BackplotPoint start{reader_.lastX, reader_.lastY};
  const BackplotPoint end{move.x, move.y};
  const bool clockwise = move.motion == 2;
  const std::optional<BackplotPoint> centre = move.arcR != 0.0f
                                                  ? ArcCentreFromRadius(start, end, move.arcR, clockwise)
                                                  : ArcCentreFromWords(arcCenter_, start, move.centreI, move.centreJ);
  if (!centre) return std::nullopt;
  return MakeArcSpan(*centre, start, end, clockwise);
}

bool Backplot::Draw3D(BackplotView& view, const NcMove& move, bool moveTool) {
  if (!Placed()) return false;
  bool changed = false;
  if (move.motion == 0 || move.motion == 1) {
    changed = Widen(move.x, move.y);
    view.AddNode(move.motion == 0, move.x, move.y, move.z);
  } else if (move.motion == 2 || move.motion == 3) {
    if (const auto arc = previousPlaced_ ? Arc(move) : std::nullopt) {
      changed = WidenArc(*arc);
      view.AddArc(static_cast<float>(arc->cx), static_cast<float>(arc->cy), move.z, static_cast<float>(arc->radius),
                  static_cast<float>(arc->startAngle), static_cast<float>(arc->startAngle + arc->sweep),
                  kBackplotArcSegments);
    }
  } else if (IsCycle(move.motion)) {
    changed = Widen(move.x, move.y);
    view.AddNode(true, move.x, move.y, move.cycleR);
    view.AddNode(false, move.x, move.y, move.z);
    view.AddNode(false, move.x, move.y, move.cycleR);
  }
  if (moveTool) view.MoveTool(move.x, move.y, move.z);
  SetPrevious(move.x, move.y);
  return changed;
}

bool Backplot::Draw2D(BackplotView& view, const NcMove& move) {
  if (!Placed()) return false;
  bool changed = false;
  const uint32_t color = move.motion == 0 ? kBackplotRapidColor : kBackplotFeedColor;
  if (move.motion == 0 || move.motion == 1) {
    changed = Widen(move.x, move.y);
    if (previousPlaced_) view.DrawLine(color, reader_.lastX, reader_.lastY, move.x, move.y);
  } else if (move.motion == 2 || move.motion == 3) {
    if (const auto arc = previousPlaced_ ? Arc(move) : std::nullopt) {
      changed = WidenArc(*arc);
      // The view draws counter-clockwise: a clockwise arc is the same points from its end to its start.
      if (move.motion == 2) view.DrawArc(color, arc->cx, arc->cy, arc->radius, arc->endAngle, arc->startAngle);
      else view.DrawArc(color, arc->cx, arc->cy, arc->radius, arc->startAngle, arc->endAngle);
    }
  } else if (IsCycle(move.motion)) {
    changed = Widen(move.x, move.y);
    view.DrawPoint(color, move.x, move.y);
    if (previousPlaced_) view.DrawLine(color, reader_.lastX, reader_.lastY, move.x, move.y);
  }
  SetPrevious(move.x, move.y);
  return changed;
}

}  // namespace machining
