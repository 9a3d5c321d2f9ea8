#include "machining/backplot.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

namespace machining {
namespace {

constexpr double kPi = std::numbers::pi;
double Deg(double degrees) { return degrees * kPi / 180.0; }

// Everything a backplot draws, one text per call.
class RecordingView : public BackplotView {
 public:
  std::vector<std::string> calls;
  std::vector<BackplotNode> arcNodes;  // the nodes of the last arc
  float arcStart = 0.0f, arcStop = 0.0f;

  void AddNode(bool rapid, float x, float y, float z) override {
    calls.push_back(Text(rapid ? "rapid" : "feed", {x, y, z}));
  }
  void AddArc(float cx, float cy, float z, float radius, float startAngle, float stopAngle, int count) override {
    arcNodes = ArcNodes(cx, cy, z, radius, startAngle, stopAngle, count);
    arcStart = startAngle;
    arcStop = stopAngle;
    calls.push_back(Text("arc", {cx, cy, z, radius}) + " n" + std::to_string(count));
  }
  void MoveTool(float x, float y, float z) override { calls.push_back(Text("tool", {x, y, z})); }
  void DrawLine(uint32_t color, double x1, double y1, double x2, double y2) override {
    calls.push_back(Text(Colour(color) + " line", {x1, y1, x2, y2}));
  }
  void DrawArc(uint32_t color, double cx, double cy, double radius, double startAngle, double endAngle) override {
    calls.push_back(Text(Colour(color) + " arc", {cx, cy, radius, startAngle * 180.0 / kPi, endAngle * 180.0 / kPi}));
  }
  void DrawPoint(uint32_t color, double x, double y) override { calls.push_back(Text(Colour(color) + " point", {x, y})); }

 private:
  static std::string Colour(uint32_t color) {
    return color == kBackplotFeedColor ? "cyan" : color == kBackplotRapidColor ? "yellow" : "?";
  }
  static std::string Text(const std::string& what, std::initializer_list<double> values) {
    std::string text = what;
    for (double v : values) {
      char number[32];
      std::snprintf(number, sizeof number, " %g", std::fabs(v) < 5e-4 ? 0.0 : std::round(v * 1000.0) / 1000.0);
      text += number;
    }
    return text;
  }
};

TEST(Backplot, ArcCentreFromRadiusPicksTheSideBySignAndDirection) {
  // A chord of 8 with R = 5 lies h = 3 from the centre.
  const struct {
    double r;
    bool clockwise;
    double cx, cy;
  } cases[] = {
      {5, true, 4, -3},   // clockwise the short way: centre below the chord
      {-5, true, 4, 3},   // the long way: the other side
      {5, false, 4, 3},   // counter-clockwise the short way
      {-5, false, 4, -3},
      {3, true, 4, 0},    // a radius under half the chord: the midpoint
  };
  for (const auto& c : cases) {
    const auto centre = ArcCentreFromRadius({0, 0}, {8, 0}, c.r, c.clockwise);
    ASSERT_TRUE(centre) << c.r;
    EXPECT_NEAR(centre->x, c.cx, 1e-12) << c.r << " " << c.clockwise;
    EXPECT_NEAR(centre->y, c.cy, 1e-12) << c.r << " " << c.clockwise;
  }
  EXPECT_FALSE(ArcCentreFromRadius({2, 2}, {2, 2}, 5, true)) << "no centre when the ends coincide";

  EXPECT_NEAR(ArcCentreFromWords(1, {1, 1}, 3, 4)->x, 3, 0);
  EXPECT_NEAR(ArcCentreFromWords(2, {1, 1}, 3, 4)->y, 5, 0);
  EXPECT_NEAR(ArcCentreFromWords(3, {1, 1}, 3, 4)->x, -2, 0);
  EXPECT_FALSE(ArcCentreFromWords(0, {1, 1}, 3, 4));
}

TEST(Backplot, ArcSpanTurnsTheWayTheToolTurns) {
  auto at = [](double degrees) { return BackplotPoint{10 * std::cos(Deg(degrees)), 10 * std::sin(Deg(degrees))}; };
  const struct {
    const char* what;
    double from, to;
    bool clockwise;
    double sweep;  // degrees
    bool closed;
  } cases[] = {
      {"quarter, counter-clockwise", 0, 90, false, 90, false},
      {"the same points clockwise", 0, 90, true, -270, false},
      {"across 0 degrees, counter-clockwise", 350, 10, false, 20, false},
      {"across 0 degrees, clockwise", 10, 350, true, -20, false},
      {"end on start, counter-clockwise", 30, 30, false, 360, true},
      {"end on start, clockwise", 30, 30, true, -360, true},
      {"a hair short of a turn, counter-clockwise", 30, 29.98, false, 360, true},
      {"a hair short of a turn, clockwise", 30, 30.02, true, -360, true},
      {"a tiny clockwise arc stays tiny", 30, 29.98, true, -0.02, false},
      {"a tiny counter-clockwise arc stays tiny", 30, 30.02, false, 0.02, false},
  };
  for (const auto& c : cases) {
    const ArcSpan arc = MakeArcSpan({0, 0}, at(c.from), at(c.to), c.clockwise);
    EXPECT_NEAR(arc.sweep, Deg(c.sweep), 1e-9) << c.what;
    EXPECT_EQ(arc.closed, c.closed) << c.what;
    EXPECT_NEAR(arc.radius, 10, 1e-9) << c.what;
    EXPECT_NEAR(arc.startAngle, Deg(std::fmod(c.from + 360, 360)), 1e-9) << c.what;
    if (c.closed) {
      EXPECT_EQ(arc.endAngle, arc.startAngle) << c.what;
    }
  }

  // The nodes: count + 1 of them from the start angle to the stop angle.
  const std::vector<BackplotNode> nodes = ArcNodes(1, 2, 3, 2, 0, static_cast<float>(kPi / 2), 4);
  ASSERT_EQ(nodes.size(), 5u);
  EXPECT_FLOAT_EQ(nodes.front().x, 3);
  EXPECT_FLOAT_EQ(nodes.front().y, 2);
  EXPECT_NEAR(nodes.back().x, 1, 1e-6);
  EXPECT_FLOAT_EQ(nodes.back().y, 4);
  EXPECT_FLOAT_EQ(nodes[2].z, 3);
}

TEST(Backplot, ToolBodyProfilesOfTheSevenTypes) {
  const double c15 = std::cos(Deg(15)), s15 = std::sin(Deg(15)), c30 = std::cos(Deg(30));
  const struct {
    int32_t type;
    std::vector<std::pair<double, double>> tip;  // the points before (R, L) and (0, L)
  } cases[] = {
      {kToolFlat, {{0, 0}, {3, 0}}},
      // corner r = 1 from 270 to 345 degrees in steps of 15
      {kToolBullNose,
       {{0, 0}, {2, 0}, {2 + s15, 1 - c15}, {2.5, 1 - c30}, {2 + std::sqrt(0.5), 1 - std::sqrt(0.5)}, {2 + c30, 0.5},
        {2 + c15, 1 - s15}}},
      // ten points of the ball from 270 to 360 degrees
      {kToolSpherical,
       {{0, 0}, {3 * std::sin(Deg(10)), 3 - 3 * std::cos(Deg(10))}, {3 * std::sin(Deg(20)), 3 - 3 * std::cos(Deg(20))},
        {1.5, 3 - 3 * c30}, {3 * std::sin(Deg(40)), 3 - 3 * std::cos(Deg(40))},
        {3 * std::sin(Deg(50)), 3 - 3 * std::cos(Deg(50))}, {3 * c30, 1.5},
        {3 * std::sin(Deg(70)), 3 - 3 * std::cos(Deg(70))}, {3 * std::sin(Deg(80)), 3 - 3 * std::cos(Deg(80))}, {3, 3}}},
      // flat 2, side 30 degrees off the axis: the cone rises tan 60 per unit
      {kToolConicalFlat, {{0, 0}, {1, 0}, {3, 2 * std::sqrt(3.0)}}},
      {kToolDrill, {{0, 0}, {3, 3 / std::sqrt(3.0)}}},
      // ball of 1 in steps of 10 degrees from 270, then the cone from the sixth point
      {kToolConicalSpherical,
       {{0, 0}, {std::sin(Deg(10)), 1 - std::cos(Deg(10))}, {std::sin(Deg(20)), 1 - std::cos(Deg(20))},
        {0.5, 1 - c30}, {std::sin(Deg(40)), 1 - std::cos(Deg(40))}, {std::sin(Deg(50)), 1 - std::cos(Deg(50))},
        {3, std::sqrt(3.0) * (3 - std::sin(Deg(50))) + 1 - std::cos(Deg(50))}}},
      {kToolUndefined, {}},
  };
  for (const auto& c : cases) {
    ToolShape tool;
    tool.toolType = c.type;
    tool.diameter = 6;
    tool.cornerRadius = 1;
    tool.flatDiameter = 2;
    tool.taperAngle = 30;
    const std::vector<ProfilePoint> profile = ToolBodyProfile(tool, 20);
    std::vector<std::pair<double, double>> expected = c.tip;
    if (!expected.empty()) expected.insert(expected.end(), {{3, 20}, {0, 20}});
    ASSERT_EQ(profile.size(), expected.size()) << "type " << c.type;
    for (size_t i = 0; i < expected.size(); ++i) {
      EXPECT_NEAR(profile[i].x, expected[i].first, 1e-5) << "type " << c.type << " point " << i;
      EXPECT_NEAR(profile[i].y, expected[i].second, 1e-5) << "type " << c.type << " point " << i;
    }
  }
}

TEST(Backplot, PlayWaitsBySpeed) {
  const int waits[] = {500, 500, 250, 125, 60, 30, 15, 7, 3, 1, 0, 0};  // speeds 0 ... 11
  for (int speed = 0; speed <= 11; ++speed) EXPECT_EQ(PlayWaitMilliseconds(speed), waits[speed]) << speed;
}

TEST(Backplot, DrawsTheMovesIn3D) {
  PostProcessorSettings iso;
  iso.arcCenter = 2;  // centre words relative to the start
  Backplot plot;
  plot.Reset(iso, "5");
  RecordingView view;
  auto step = [&](const char* line, bool moveTool = false) {
    view.calls.clear();
    if (plot.Read(line)) plot.Draw3D(view, plot.Move(), moveTool);
    return view.calls;
  };
  using Calls = std::vector<std::string>;
  EXPECT_EQ(step("(only a comment G1 X5)"), Calls{}) << "nothing read, nothing drawn";
  EXPECT_EQ(step("G0 X0 Y0"), Calls{"rapid 0 0 5"}) << "Z starts at the feed plane";
  EXPECT_EQ(step("G1 Z-1", true), (Calls{"feed 0 0 -1", "tool 0 0 -1"})) << "X and Y keep their values";
  EXPECT_EQ(step("X8"), Calls{"feed 8 0 -1"});
  EXPECT_EQ(plot.MaxX(), 8);
  EXPECT_EQ(plot.MinY(), 0);
  // Clockwise with R = 5 over the chord of 8 from (8, 0) to (16, 0): the centre 3 below it.
  EXPECT_EQ(step("G2 X16 R5"), Calls{"arc 12 -3 -1 5 n50"});
  EXPECT_LT(view.arcStop, view.arcStart) << "clockwise";
  EXPECT_NEAR(view.arcNodes.back().x, 16, 1e-4);
  EXPECT_NEAR(view.arcNodes[25].y, 2, 1e-4) << "the short way, over the top";
  EXPECT_EQ(plot.MaxX(), 17) << "the circle's extent";
  EXPECT_EQ(plot.MinY(), -8);
  // Counter-clockwise across 0 degrees about (26, 0): the nodes pass through angle 0, never the other way.
  plot.SetPrevious(static_cast<float>(26 + 10 * std::cos(Deg(-10))), static_cast<float>(10 * std::sin(Deg(-10))));
  step("G3 X35.848 Y1.736 I-9.848 J1.736");
  EXPECT_NEAR(view.arcStop - view.arcStart, Deg(20), 1e-3);
  for (const BackplotNode& node : view.arcNodes) EXPECT_GT(node.x, 35.8f) << "a node on the far side of the circle";
  // A closed arc is the whole circle: back to its start, the far side on the way.
  EXPECT_EQ(step("G2 X35.848 Y1.736 I-9.848 J-1.736"), Calls{"arc 26 0 -1 10 n50"});
  EXPECT_NEAR(view.arcStop - view.arcStart, -2 * kPi, 1e-5);
  EXPECT_NEAR(view.arcNodes[25].x, 52 - view.arcNodes.front().x, 1e-3) << "half way: across the centre (26, 0)";
  EXPECT_NEAR(view.arcNodes[25].y, -view.arcNodes.front().y, 1e-3);
  EXPECT_NEAR(view.arcNodes.back().x, view.arcNodes.front().x, 1e-3);
  // An R arc whose ends coincide has no centre: nothing is drawn.
  EXPECT_EQ(step("G2 R5"), Calls{});
  // A drilling cycle: up at R (rapid), down to Z, up again.
  EXPECT_EQ(step("G81 X5 Y5 Z-3 R1"), (Calls{"rapid 5 5 1", "feed 5 5 -3", "feed 5 5 1"}));
  EXPECT_EQ(plot.PreviousX(), 5);
}

TEST(Backplot, CoordinatesNearTheSingleMaximumAreRefusedWithTheirLine) {
  // Each would give infinite extents or nodes: arcs about a centre near the maximum, and plain moves
  // whose extents and tool body would be drawn there.
  // Written as Calculate writes numbers: digits, no exponent.
  auto digits = [](int count) { return "3" + std::string(size_t(count - 1), '0') + ".000"; };
  PostProcessorSettings iso;
  iso.arcCenter = 2;
  RecordingView view;
  for (const std::string& line :
       {"G1 X" + digits(39), "G0 Y-" + digits(39), "G1 Z" + digits(39), "G1 Z-7 X" + digits(39),
        "G2 X1 Y1 I" + digits(39) + " J0",
        "G3 X0 Y5 R" + digits(38), "G81 X1 Y1 Z-1 R" + digits(32)}) {
    Backplot plot;
    plot.Reset(iso, "5");
    ASSERT_TRUE(plot.Read("G1 X2 Y3 Z-1"));
    plot.Draw3D(view, plot.Move(), false);
    try {
      plot.Read(line, 12);
      ADD_FAILURE() << line << " was read";
    } catch (const NcListingError& e) {
      EXPECT_EQ(std::string(e.what()), "Line 12: a coordinate beyond 1e30 cannot be drawn.") << line;
    }
    // The refused line changed nothing: the next move starts where the last one ended.
    const NcMove kept = plot.Move();
    EXPECT_EQ(kept.x, 2.0f) << line;
    EXPECT_EQ(kept.y, 3.0f) << line;
    EXPECT_EQ(kept.z, -1.0f) << line;
    EXPECT_EQ(kept.centreI, 0.0f) << line;
    EXPECT_EQ(kept.motion, 1) << line;
    ASSERT_TRUE(plot.Read("X4")) << line;
    EXPECT_EQ(plot.Move().motion, 1) << line << ": the modal motion is the one before";
    ASSERT_TRUE(plot.Read("G1 X1" + std::string(30, '0') + " Y-1" + std::string(30, '0')));
    plot.Draw3D(view, plot.Move(), true);
    for (float extent : {plot.MinX(), plot.MaxX(), plot.MinY(), plot.MaxY()}) EXPECT_TRUE(std::isfinite(extent)) << line;
  }
}

TEST(Backplot, CoordinatesAtTheLimitDrawFinitely) {
  // The largest coordinates a line may give, on every side: centres found by the three rules, from
  // the radius either way round, drawn from a start as far out the other way. Sums and radii of
  // such numbers must stay singles: no extent or arc node may become an infinity.
  char limit[64];
  std::snprintf(limit, sizeof limit, "%.0f", double(kMaxNcCoordinate));
  const std::string big = limit, minus = "-" + big;
  const struct {
    NcDialect dialect;
    int32_t arcCenter;
    std::string start, line;
  } cases[] = {
      {NcDialect::ISO, 1, "G1 X" + minus + " Y" + minus, "G2 X" + big + " Y" + big + " I" + big + " J" + minus},
      {NcDialect::ISO, 2, "G1 X" + minus + " Y" + minus, "G3 X" + big + " Y" + minus + " I" + minus + " J" + minus},
      {NcDialect::ISO, 3, "G1 X" + big + " Y" + big, "G2 X" + minus + " Y" + big + " I" + minus + " J" + minus},
      {NcDialect::ISO, 2, "G1 X" + minus + " Y" + minus, "G3 X" + big + " Y" + big + " R" + minus},
      {NcDialect::ISO, 2, "G1 X" + minus + " Y" + big, "G2 X" + big + " Y" + minus + " R" + big},
      {NcDialect::ISO, 2, "G1 X" + minus + " Y" + minus, "G81 X" + big + " Y" + big + " Z" + minus + " R" + big},
      {NcDialect::HEI, 2, "L X" + minus + " Y" + minus, "CC X" + minus + " Y" + minus},
  };
  for (const auto& c : cases) {
    PostProcessorSettings settings;
    settings.dialect = c.dialect;
    settings.arcCenter = c.arcCenter;
    Backplot plot;
    plot.Reset(settings, big);
    RecordingView view;
    ASSERT_TRUE(plot.Read(c.start)) << c.start;
    plot.Draw3D(view, plot.Move(), true);
    ASSERT_TRUE(plot.Read(c.line)) << c.line;
    if (c.dialect == NcDialect::HEI) {
      ASSERT_TRUE(plot.Read("C X" + big + " Y" + minus + " DR+")) << "the arc about CC";
    }
    view.calls.clear();
    plot.Draw3D(view, plot.Move(), true);
    EXPECT_GE(view.calls.size(), 2u) << c.line << ": the move and the tool drawn";
    for (const BackplotNode& node : view.arcNodes) {
      EXPECT_TRUE(std::isfinite(node.x) && std::isfinite(node.y) && std::isfinite(node.z)) << c.line;
    }
    for (const std::string& call : view.calls) EXPECT_EQ(call.find("inf"), std::string::npos) << c.line << ": " << call;
    for (float extent : {plot.MinX(), plot.MaxX(), plot.MinY(), plot.MaxY()}) {
      EXPECT_TRUE(std::isfinite(extent)) << c.line;
    }
    view.calls.clear();
    plot.Draw2D(view, plot.Move());
    for (const std::string& call : view.calls) EXPECT_EQ(call.find("inf"), std::string::npos) << c.line << ": " << call;
  }
}

TEST(Backplot, DrawsTheMovesIn2D) {
  PostProcessorSettings iso;  // ArcCenter 1: the centre words are the centre
  Backplot plot;
  plot.Reset(iso, "2");
  RecordingView view;
  plot.SetPrevious(0, 0);
  for (const char* line : {"G0 X10 Y0", "G1 Y10", "G2 X0 Y0 I5 J5", "G3 X10 Y10 I5 J5", "G2 X10 Y10 I5 J5",
                           "G81 X3 Y4 Z-1 R2"})
    if (plot.Read(line)) plot.Draw2D(view, plot.Move());
  // The 2D view draws counter-clockwise: a clockwise arc is given end first; a closed arc has equal
  // angles, the whole circle.
  const std::vector<std::string> expected = {
      "yellow line 0 0 10 0",     "cyan line 10 0 10 10",      "cyan arc 5 5 7.071 225 45",
      "cyan arc 5 5 7.071 225 45", "cyan arc 5 5 7.071 45 45", "cyan point 3 4",
      "cyan line 10 10 3 4"};
  EXPECT_EQ(view.calls, expected);
  EXPECT_NEAR(plot.MaxX(), 5 + std::sqrt(50.0), 1e-5);

  // CSH: lines are upper-cased and Z is drawn negated.
  PostProcessorSettings csh;
  csh.dialect = NcDialect::CSH;
  plot.Reset(csh, "2");
  ASSERT_TRUE(plot.Read("g1 x1 z3"));
  EXPECT_EQ(plot.Move().x, 1);
  EXPECT_EQ(plot.Move().z, -3);
  plot.Reset(csh, "not a number");
  EXPECT_EQ(plot.Move().z, 0) << "a feed plane that is no number starts at 0";
}

}  // namespace
}  // namespace machining

namespace machining {
namespace {

// Until the listing has given both an X and a Y the tool stands where the controller left it: the
// lines before draw nothing, in 3D or 2D, and leave the extents alone; nothing is drawn from there.
TEST(Backplot, NothingIsDrawnBeforeTheToolIsPlaced) {
  using Calls = std::vector<std::string>;
  const struct {
    const char* what;
    std::vector<const char*> lines;
    Calls drawn3D, drawn2D;
  } cases[] = {
      {"a program's start",
       {"%", "G21 G90 G17 G40 G49 G80 G94", "T1 M6", "G0 X1 Y2", "G43 H1 Z2", "G1 Z-1", "X4"},
       {"rapid 1 2 5", "rapid 1 2 2", "feed 1 2 -1", "feed 4 2 -1"},
       {"yellow line 1 2 1 2", "cyan line 1 2 1 2", "cyan line 1 2 4 2"}},
      {"X first, then Y", {"G0 X3", "Z1", "Y4", "G1 X5"}, {"rapid 3 4 1", "feed 5 4 1"}, {"cyan line 3 4 5 4"}},
      {"an arc before a position", {"G2 X5 Y0 I2 J0", "G1 X6"}, {"feed 6 0 5"}, {"cyan line 5 0 6 0"}},
      {"a cycle first", {"G81 X3 Y4 Z-1 R2"}, {"rapid 3 4 2", "feed 3 4 -1", "feed 3 4 2"}, {"cyan point 3 4"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    for (bool threeD : {true, false}) {
      Backplot plot;
      plot.Reset(PostProcessorSettings(), "5");
      RecordingView view;
      for (const char* line : c.lines)
        if (plot.Read(line)) {
          if (threeD) plot.Draw3D(view, plot.Move(), false);
          else plot.Draw2D(view, plot.Move());
        }
      EXPECT_EQ(view.calls, threeD ? c.drawn3D : c.drawn2D) << (threeD ? "3D" : "2D");
      EXPECT_LT(plot.MaxX(), 10) << "no extent reaches the reader's start";
      EXPECT_GT(plot.MinX(), 0);
    }
  }
}

}  // namespace
}  // namespace machining
