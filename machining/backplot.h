// The backplot of an NC listing: each line read back by the NC reader becomes a move that is drawn
// in the 3D scene (nodes of the toolpath line, the tool body following the tool) or in the 2D view
// (lines, arcs and points). Here is the geometry of those moves (arcs from a radius or from centre
// words, the nodes of an arc, the tool body's profile) and the drawing state; what draws them is a
// BackplotView, so no widget is touched and a test can watch every move.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "machining/nc_reader.h"
#include "machining/post_processor.h"
#include "machining/tool_shape.h"
#include "platform/exception.h"

namespace machining {

// The largest coordinate a listing line may give (X, Y, Z, arc radius and centre words, cycle R):
// beyond it arc centres, radii and extents would overflow to infinities in the drawing's singles.
inline constexpr float kMaxNcCoordinate = 1e30f;

// A listing line the backplot refuses; the text names the line when the caller gave its number.
class NcListingError : public platform::FormatError {
 public:
  using FormatError::FormatError;
};

// The 2D pens of the backplot, as colours of the 2D view (red in the low byte).
inline constexpr uint32_t kBackplotFeedColor = 0xFFFF00;   // cyan
inline constexpr uint32_t kBackplotRapidColor = 0x00FFFF;  // yellow
// Segments of an arc in the 3D toolpath (51 nodes).
inline constexpr int kBackplotArcSegments = 50;
// An arc whose sweep comes within this much (radians) of a whole turn is drawn as the whole circle.
inline constexpr double kClosedArcTolerance = 0.001;

struct BackplotPoint {
  double x = 0.0;
  double y = 0.0;
};

// The centre of an arc given by its signed radius R from `start` to `end`: a positive R takes the
// shorter way round, a negative one the longer. None when start and end coincide (the centre is then
// undefined). A radius shorter than half the chord puts the centre on the chord's midpoint.
std::optional<BackplotPoint> ArcCentreFromRadius(BackplotPoint start, BackplotPoint end, double r, bool clockwise);

// The centre from the centre words I and J by the post-processor's ArcCenter: 1 (I, J) as given,
// 2 start + (I, J), 3 start - (I, J); none for any other value.
std::optional<BackplotPoint> ArcCentreFromWords(int32_t arcCenter, BackplotPoint start, double i, double j);

// An arc about its centre from the previous position to the end point.
struct ArcSpan {
  double cx = 0.0, cy = 0.0;
  double radius = 0.0;     // centre to start
  double startAngle = 0.0;  // of the start, in [0, 2 pi)
  // Of the end, in [0, 2 pi); equal to the start angle when the arc closes.
  double endAngle = 0.0;
  // The way the tool turns, in the arc's own direction: > 0 counter-clockwise, < 0 clockwise;
  // +-2 pi for a closed arc. The end is always startAngle + sweep, so an arc across 0 degrees runs
  // through 0 and never the other way round.
  double sweep = 0.0;
  bool closed = false;
};

// The arc about `centre` from `start` to `end`. It closes (a whole circle) when the end angle equals
// the start angle, or when the sweep in the arc's own direction comes within kClosedArcTolerance of a
// whole turn.
ArcSpan MakeArcSpan(BackplotPoint centre, BackplotPoint start, BackplotPoint end, bool clockwise);

struct BackplotNode {
  float x = 0.0f, y = 0.0f, z = 0.0f;
};

// The nodes an arc of nodes is made of: count + 1 nodes at height z, node i at the angle
// startAngle + i * (stopAngle - startAngle) / count (singles, as the 3D line computes them).
std::vector<BackplotNode> ArcNodes(float cx, float cy, float z, float radius, float startAngle, float stopAngle,
                                   int count);

// One point of the tool body's profile: the distance from the tool's axis and the height above its tip.
struct ProfilePoint {
  float x = 0.0f;
  float y = 0.0f;
  bool operator==(const ProfilePoint&) const = default;
};

// The profile of the tool body (turned about its axis by the 3D view), tip at (0, 0), for every tool
// type; `length` is the pass depth. Every profile but Undefined's (none) ends at (R, length) and
// (0, length).
std::vector<ProfilePoint> ToolBodyProfile(const ToolShape& tool, double length);

// The wait after each line of a play at `speed` 1 (slow) ... 10 (no wait), in milliseconds.
int PlayWaitMilliseconds(int speed);

// Where a backplot draws.
class BackplotView {
 public:
  virtual ~BackplotView() = default;
  // The 3D toolpath line: a node coloured as a rapid (yellow) or a feed move (cyan).
  virtual void AddNode(bool rapid, float x, float y, float z) = 0;
  // The 3D toolpath line: an arc of count + 1 feed nodes, as ArcNodes gives them.
  virtual void AddArc(float cx, float cy, float z, float radius, float startAngle, float stopAngle, int count) = 0;
  // The 3D tool body.
  virtual void MoveTool(float x, float y, float z) = 0;
  // The 2D view: entities drawn once in `color`. Arcs run counter-clockwise from the start angle to
  // the end angle; equal angles are the whole circle.
  virtual void DrawLine(uint32_t color, double x1, double y1, double x2, double y2) = 0;
  virtual void DrawArc(uint32_t color, double cx, double cy, double radius, double startAngle, double endAngle) = 0;
  virtual void DrawPoint(uint32_t color, double x, double y) = 0;
};

// A move read back from the listing.
struct NcMove {
  int32_t motion = 0;  // 0 rapid, 1 linear, 2 clockwise, 3 counter-clockwise, 81 ... 86 cycles
  float x = 0.0f, y = 0.0f, z = 0.0f;
  float arcR = 0.0f;    // the arc's radius R; 0 when the centre words give the centre
  float cycleR = 0.0f;  // a cycle's R height
  float centreI = 0.0f, centreJ = 0.0f;
};

// The reader and the drawing state of one listing's backplot: the previous position (shared by the
// 2D and 3D drawing) and the travel extents.
class Backplot {
 public:
  Backplot();

  // Starts over with the post-processor's dialect, comment opener, rapid text and arc-centre rule;
  // the current Z starts as `feedPlaneText`.
  void Reset(const PostProcessorSettings& settings, std::string_view feedPlaneText);
  // Reads one listing line (a CSH line upper-cased first); true when the reader read a value. A
  // coordinate beyond kMaxNcCoordinate raises NcListingError, naming `lineNumber` (1-based) when it
  // is above 0, and leaves the state as it was before the line.
  bool Read(std::string_view line, int lineNumber = 0);
  // The move the lines read so far describe: words a line lacks keep their last values; Z is the
  // current Z (negated for CSH; 0 while the feed plane's text is no number).
  NcMove Move() const;

  float PreviousX() const { return reader_.lastX; }
  float PreviousY() const { return reader_.lastY; }
  // Puts the tool at (x, y): the start the next move is drawn from.
  void SetPrevious(float x, float y);
  // The same for a position the listing gave, which the extents take; true when an extent changed.
  bool SetStart(float x, float y);
  // True once the lines read have given both an X and a Y. Until then the tool stands where the
  // controller left it, which no listing says: nothing is drawn to or from there.
  bool Placed() const { return placedX_ && placedY_; }
  // True once a drawn move (or SetPrevious) has put the tool at a position the listing gave: the
  // start the drawing goes on from. Until then the next placed move is where a drawing starts.
  bool HasStart() const { return previousPlaced_; }
  // The travel extents (minimum above maximum until a point is drawn).
  float MinX() const { return reader_.minX; }
  float MaxX() const { return reader_.maxX; }
  float MinY() const { return reader_.minY; }
  float MaxY() const { return reader_.maxY; }
  NcDialect Dialect() const { return syntax_.dialect; }

  // Draws `move` from the previous position into the 3D toolpath, moving the tool body along when
  // `moveTool`; the end becomes the previous position. True when an extent changed. Nothing is drawn
  // of a move before the tool is placed, nor from an unknown previous position.
  bool Draw3D(BackplotView& view, const NcMove& move, bool moveTool);
  // The same in the 2D view.
  bool Draw2D(BackplotView& view, const NcMove& move);

 private:
  std::optional<ArcSpan> Arc(const NcMove& move) const;
  bool Widen(double x, double y);
  bool WidenArc(const ArcSpan& arc);

  NcReaderSyntax syntax_;
  int32_t arcCenter_ = 1;
  NcReaderState reader_;
  NcLineMotion values_;
  std::string zTextBefore_;  // the Z text before the line Read reads, kept to undo a refused line
  float z_ = 0.0f;
  bool placedX_ = false, placedY_ = false;  // a line gave an X, a Y
  bool previousPlaced_ = false;             // the previous position is one the listing gave
};

}  // namespace machining
