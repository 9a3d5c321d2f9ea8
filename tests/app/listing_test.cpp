// The NC listing page of the main window: the listing's commands, Step, Simulate at its speeds, and
// a play that the window messages between its lines interrupt (Stop, a new listing, leaving the page,
// closing or freeing the window). The seams record what the 3D and 2D views would draw.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSlider>
#include <QSpinBox>
#include <QCheckBox>
#include <QTextBlock>
#include <QTimer>
#include <cmath>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "app/find_dialog.h"
#include "app/main_window.h"
#include "platform/dialogs.h"
#include "main_window_fixture.h"

namespace {

using testing_support::FileText;

// A main window whose 3D tool runs `onMove` at every move it makes.
class ListingMain : public testing_support::RecordingMain {
 public:
  std::function<void(int moves)> onMove;
  int moves = 0;
  std::vector<int> penWidths;  // the current layer's pen at each move

  cad::TLayers& Layers() { return Cad2DLayers(); }
  platform::Pen LayerPen() { return Cad2DLayers().Layer(static_cast<uint8_t>(CurrentLayer())).Pen(); }
  bool LayerModified() { return Cad2DLayers().Layer(static_cast<uint8_t>(CurrentLayer())).Modified; }

 protected:
  void Scene3DMoveTool(float, float, float) override {
    ++moves;
    penWidths.push_back(LayerPen().Width);
    if (onMove) onMove(moves);
  }
  void Scene3DShowTool(bool on) override { calls.push_back(on ? "show tool" : "hide tool"); }

 public:
  // A node of the toolpath as Calculate draws it.
  void AddPathNode(bool rapid, float x, float y, float z) { Scene3DAddToolpathNode(rapid, x, y, z); }
};

class ListingTest : public testing_support::MainWindowTest {
 protected:
  ListingTest() {
    const std::string fanuc = FileText(std::string(VELKORA_SOURCE_DIR) + "/pst/Fanuc_mm.pst");
    dir_.Write("pst/NoSim.pst", Replace(fanuc, "Simulate=1", "Simulate=0"));
    dir_.Write("pst/Csh.pst", Replace(fanuc, "Dialect=ISO", "Dialect=CSH"));
    dir_.Write("pst/Shop.pst", Replace(fanuc, "Dialect=ISO", "Dialect=SBO"));
    // The program's clock moves 50 ms each time it is read.
    dialogs_.tickStep = 50;
  }

  static std::string Replace(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return text.replace(at, from.size(), to);
  }

  // A started window showing `program` on its listing page, read with the post-processor `pst`.
  ListingMain& Listing(const std::string& program, const char* pst = "Fanuc_mm") {
    ListingMain& w = Start<ListingMain>();
    Get<QComboBox>("cboPostName")->addItem(pst);
    Get<QComboBox>("cboPostName")->setCurrentText(pst);
    w.cboPostNameChange();
    Listing()->setPlainText(QString::fromStdString(program));
    // The wizard reaches the listing in 3D.
    w.modo3d(true, false);
    w.SetActivePage(app::kPageListing);
    w.tabIsoShow();
    w.moves = 0;
    w.penWidths.clear();
    return w;
  }

  QPlainTextEdit* Listing() const { return Get<QPlainTextEdit>("ricIso"); }
  std::string Selected() const { return Listing()->textCursor().selectedText().toStdString(); }
  bool CommandsEnabled() const {
    for (const char* name : {"sbtIsoRev", "sbtIsoPlay", "sbtIsoEnd", "sbtIsoStep", "sbtPrevB7", "sbtOpen", "sbtSave",
                             "sbtSetting", "sbtAbout", "sbtExit"})
      if (!Enabled(name)) return false;
    return true;
  }
  // `count` feed moves along X.
  static std::string Program(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += "G1 X" + std::to_string(i) + " Y0 Z-1\n";
    return text;
  }
};

TEST_F(ListingTest, StepRewindEndFindSaveAndExit) {
  ListingMain& w = Listing("(start)\nG0 X1 Y2\nG1 Z-1\n");
  EXPECT_EQ(Get<QLabel>("nol_IsoStatus1")->text(), "Line 1/3") << "the caret on the first line, of three";
  EXPECT_TRUE(Get<QWidget>("sbtIsoSave")->isEnabled());
  EXPECT_EQ(Get<QLabel>("nol_IsoStatus2")->text(), "Fanuc_mm");
  // The tool body: the flat tool's profile (diameter 3), at the feed plane's height, hidden until
  // "Tool" is checked.
  ASSERT_EQ(w.ToolProfile().size(), 4u);
  EXPECT_EQ(w.ToolProfile()[1], (machining::ProfilePoint{1.5f, 0.0f}));
  EXPECT_FLOAT_EQ(w.ToolPosition().z, 2.0f);
  EXPECT_TRUE(w.Called("hide tool"));
  EXPECT_FALSE(w.Called("show tool"));

  // Step on the comment draws nothing and still advances; each step draws with a 2-pixel pen and
  // gives the pen back, the layer no more modified than it was.
  Get<QAction>("mnuShowTool")->setChecked(true);
  const platform::Pen pen = w.LayerPen();
  const bool modified = w.LayerModified();
  w.sbtIsoStepClick();
  EXPECT_TRUE(w.Mode3D());
  EXPECT_TRUE(w.ToolpathNodes().empty());
  EXPECT_EQ(w.CurrentLine(), 1);
  EXPECT_EQ(Selected(), "(start)");
  EXPECT_EQ(w.moves, 0);
  w.sbtIsoStepClick();
  EXPECT_EQ(Get<QLabel>("nol_IsoStatus1")->text(), "Line 2/3") << "the status follows Step";
  EXPECT_TRUE(w.ToolpathNodes().empty()) << "the first position is the start: nothing is drawn to it";
  w.sbtIsoStepClick();
  EXPECT_EQ(w.penWidths, (std::vector<int>{2})) << "the tool moved once, drawn with a 2-pixel pen";
  EXPECT_EQ(w.LayerPen(), pen);
  EXPECT_EQ(w.LayerModified(), modified);
  ASSERT_EQ(w.ToolpathNodes().size(), 1u);
  EXPECT_FALSE(w.ToolpathNodes()[0].rapid);
  EXPECT_FLOAT_EQ(w.ToolpathNodes()[0].x, 1.0f);
  EXPECT_FLOAT_EQ(w.ToolpathNodes()[0].z, -1.0f);
  EXPECT_EQ(Get<QLabel>("stxLimXmax")->text(), "1.000");
  w.sbtIsoStepClick();
  EXPECT_EQ(w.CurrentLine(), 3) << "past the last line Step does nothing";

  // A press on the first line: Step goes on after it.
  w.ricIsoMouseDown(0);
  EXPECT_EQ(w.CurrentLine(), 1);
  EXPECT_EQ(Get<QLabel>("nol_IsoStatus1")->text(), "Line 1/3");
  w.sbtIsoEndClick();
  EXPECT_EQ(w.CurrentLine(), 2);
  EXPECT_TRUE(Listing()->textCursor().atEnd());
  EXPECT_EQ(Get<QLabel>("nol_IsoStatus1")->text(), "Line 3/3") << "the status follows End";
  w.sbtIsoRevClick();
  EXPECT_TRUE(w.ToolpathNodes().empty());
  EXPECT_EQ(w.CurrentLine(), 0);
  EXPECT_EQ(Listing()->textCursor().position(), 0);
  EXPECT_FLOAT_EQ(w.ToolPosition().x, 9999.0f);

  // Find: forward and case-sensitive from the end of the selection; not found puts the caret at the end.
  auto* find = w.Find<app::TFindDialog>("FindDialog1");
  ASSERT_NE(find, nullptr);
  find->SetFindText("z-1");
  w.FindDialog1Find();
  EXPECT_TRUE(Listing()->textCursor().atEnd());
  EXPECT_EQ(Get<QLabel>("nol_IsoStatus1")->text(), "Line 3/3") << "the status follows Find";
  find->SetFindText("X");
  w.ricIsoMouseDown(0);
  Listing()->moveCursor(QTextCursor::Start);
  w.FindDialog1Find();
  EXPECT_EQ(Selected(), "X");
  EXPECT_EQ(Listing()->textCursor().blockNumber(), 1);
  EXPECT_EQ(Get<QLabel>("nol_IsoStatus1")->text(), "Line 2/3");

  // Save: every line with CR LF, the post-processor's extension added.
  dialogs_.fileNames = {dir_.File("copy")};
  w.sbtIsoSaveClick();
  EXPECT_EQ(FileText(dir_.File("copy.nc")), "(start)\r\nG0 X1 Y2\r\nG1 Z-1\r\n");

  // Exit: back to the wizard in 2D, the toolpath and the 2D backplot gone.
  w.sbtIsoStepClick();
  w.modo3d(false, true);
  Listing()->moveCursor(QTextCursor::Start);
  w.sbtIsoPlayClick();
  ASSERT_FALSE(w.NcDrawing().empty());
  w.sbtIsoExitClick();
  EXPECT_TRUE(w.ToolpathNodes().empty());
  EXPECT_TRUE(w.NcDrawing().empty());
  EXPECT_FALSE(w.Mode3D());
  EXPECT_NE(w.ActivePage(), app::kPageListing);
}

TEST_F(ListingTest, SimulateWaitsBySpeedAndDisablesTheCommandsMeanwhile) {
  const struct {
    int speed;
    bool waits;
  } cases[] = {{10, false}, {9, true}, {1, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.speed);
    ListingMain& w = Listing(Program(40));
    Get<QAction>("mnuShowTool")->setChecked(true);
    Get<QSlider>("TrackBar1")->setValue(c.speed);
    Listing()->moveCursor(QTextCursor::Start);
    int selections = 0;
    QObject::connect(Listing(), &QPlainTextEdit::cursorPositionChanged, [&] { ++selections; });
    bool disabledWhilePlaying = true;
    w.onMove = [&](int) { disabledWhilePlaying &= !CommandsEnabled() && Listing()->isReadOnly() && w.Playing(); };
    dialogs_.tickReads = 0;
    w.sbtIsoPlayClick();
    EXPECT_EQ(w.ToolpathNodes().size(), 39u) << "the first line read is the start, not a move";
    EXPECT_EQ(w.moves, 39);
    EXPECT_TRUE(disabledWhilePlaying);
    EXPECT_TRUE(CommandsEnabled());
    EXPECT_FALSE(Listing()->isReadOnly());
    EXPECT_FALSE(w.Playing());
    EXPECT_EQ(Selected(), "G1 X39 Y0 Z-1") << "the last line is selected at the end";
    EXPECT_EQ(Get<QLabel>("nol_IsoStatus1")->text(), "Line 40/40") << "the status follows the play";
    if (c.waits) {
      EXPECT_GE(dialogs_.tickReads, 40 * 2);
      EXPECT_GE(selections, 40);
    } else {
      EXPECT_EQ(dialogs_.tickReads, 0) << "speed 10 never waits";
      EXPECT_LE(selections, 4) << "speed 10 selects only every 15 lines";
    }
    EXPECT_TRUE(dialogs_.messages.empty());
  }
}

TEST_F(ListingTest, ClosedArcsAreWholeCirclesIn2DAnd3DAndOtherDialects) {
  // Fanuc gives arc centres as absolute I and J.
  const std::string program = "G0 X10 Y0\nG2 X10 Y0 I0 J0\nG1 X20\n";
  ListingMain& w = Listing(program);
  w.sbtIsoPlayClick();
  ASSERT_EQ(w.ToolpathNodes().size(), 52u) << "51 arc nodes and the line";
  EXPECT_NEAR(w.ToolpathNodes()[25].x, -10.0f, 1e-4) << "the far side of the circle";
  EXPECT_NEAR(w.ToolpathNodes()[50].x, 10.0f, 1e-4);
  EXPECT_EQ(Get<QLabel>("stxLimXmin")->text(), "-10.000");

  w.sbtIsoRevClick();
  w.modo3d(false, true);
  const platform::Pen pen = w.LayerPen();
  w.sbtIsoPlayClick();
  EXPECT_EQ(w.LayerPen(), pen) << "the play gives the current layer its pen back";
  ASSERT_EQ(w.NcDrawing().size(), 2u);
  const app::NcDrawing2D& arc = w.NcDrawing()[0];
  EXPECT_EQ(arc.kind, app::NcDrawing2D::Arc);
  EXPECT_EQ(arc.startAngle, arc.endAngle) << "equal angles: the whole circle";
  EXPECT_DOUBLE_EQ(arc.radius, 10.0);
  EXPECT_EQ(arc.color, 0xFFFF00u) << "cyan";
  EXPECT_EQ(w.NcDrawing()[1].kind, app::NcDrawing2D::Line);
  EXPECT_TRUE(w.ToolpathNodes().empty()) << "nothing in 3D";

  // CSH draws Z negated; a dialect neither ISO nor CSH is said to play inexactly, and plays.
  ListingMain& csh = Listing("G0 X0 Y0\nG1 X1 Z2\n", "Csh");
  csh.sbtIsoPlayClick();
  ASSERT_EQ(csh.ToolpathNodes().size(), 1u);
  EXPECT_FLOAT_EQ(csh.ToolpathNodes()[0].z, -2.0f);
  EXPECT_TRUE(dialogs_.messages.empty());
  ListingMain& shop = Listing("G0 X0 Y0\nG1 X1 Z2\n", "Shop");
  shop.sbtIsoPlayClick();
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_EQ(dialogs_.messages[0].text, "Only ISO programs play exactly.");
  EXPECT_EQ(shop.ToolpathNodes().size(), 1u);
  // A post-processor without Simulate leaves the backplot commands off.
  Listing("G0 X0\n", "NoSim");
  for (const char* name : {"sbtIsoRev", "sbtIsoPlay", "sbtIsoEnd", "sbtIsoStep"})
    EXPECT_FALSE(Get<QWidget>(name)->isEnabled()) << name;
}

TEST_F(ListingTest, AFullSpeedPlayLaysOutOnlyTheLinesItShows) {
  // The listing keeps a layout for every line it has laid out; a play that selected each batch of 15
  // lines unseen would lay out the whole program (hundreds of megabytes for a million lines).
  ListingMain& w = Listing(Program(20000));
  w.show();
  QApplication::processEvents();
  Listing()->moveCursor(QTextCursor::Start);
  w.sbtIsoPlayClick();
  ASSERT_EQ(w.ToolpathNodes().size(), 19999u);
  EXPECT_EQ(Selected(), "G1 X19999 Y0 Z-1") << "the listing still follows the play to its end";
  int laidOut = 0;
  for (QTextBlock block = Listing()->document()->begin(); block.isValid(); block = block.next())
    laidOut += block.layout()->lineCount() > 0;
  EXPECT_LT(laidOut, 5000) << "only the lines of the frames painted, not every line";
}

TEST_F(ListingTest, ALineBeyondTheLimitStopsThePlayWithItsNumberAndDrawsNothingInfinite) {
  // Lines 1 ... 99 move along X; line 100 has an X near the single maximum, as a hostile file would.
  std::string program = Program(99);
  program += "G1 X3" + std::string(38, '0') + " Y0\nG2 X5 Y5 I3" + std::string(38, '0') + " J0\nG1 X7 Y0\n";
  ListingMain& w = Listing(program);
  Listing()->moveCursor(QTextCursor::Start);
  Get<QAbstractButton>("sbtIsoPlay")->click();
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_EQ(dialogs_.messages[0].text, "Line 100: a coordinate beyond 1e30 cannot be drawn.");
  EXPECT_EQ(w.ToolpathNodes().size(), 98u) << "the play stopped at the refused line";
  EXPECT_TRUE(CommandsEnabled()) << "and gave the commands back";
  for (const char* name : {"stxLimXmin", "stxLimXmax", "stxLimYmin", "stxLimYmax"})
    EXPECT_EQ(Get<QLabel>(name)->text().toLower().indexOf("inf"), -1) << name;
  EXPECT_EQ(Get<QLabel>("stxLimXmax")->text(), "98.000");

  // Step goes past each refused line, says it once, and draws the rest.
  w.ricIsoMouseDown(98);
  for (int step = 0; step < 3; ++step) Get<QAbstractButton>("sbtIsoStep")->click();
  ASSERT_EQ(dialogs_.messages.size(), 3u);
  EXPECT_EQ(dialogs_.messages[2].text, "Line 101: a coordinate beyond 1e30 cannot be drawn.");
  for (const app::ToolpathNode& node : w.ToolpathNodes())
    EXPECT_TRUE(std::isfinite(node.x) && std::isfinite(node.y) && std::isfinite(node.z));
  ASSERT_EQ(w.ToolpathNodes().size(), 99u);
  EXPECT_FLOAT_EQ(w.ToolpathNodes().back().x, 7.0f);
}

// The drawn path is the program's own from its first position on, whatever was drawn before it: the
// path Calculate drew, or an earlier run of the listing that Rewind took back.
TEST_F(ListingTest, TheFirstPositionAfterEnteringOrRewindIsTheStart) {
  const std::string program = "(disc)\nG0 Z5\nG0 X-6 Y-4\nG0 X-5\nG1 Z-1 F100\nG1 X6\nG0 Z5\n";
  // From the start (-6, -4) on: the lines before it give no position (a Z is no place to draw from).
  const std::vector<std::vector<float>> wanted3D = {{1, -5, -4, 5}, {0, -5, -4, -1}, {0, 6, -4, -1}, {1, 6, -4, 5}};
  const std::vector<std::vector<double>> wanted2D = {{-6, -4, -5, -4}, {-5, -4, -5, -4}, {-5, -4, 6, -4}, {6, -4, 6, -4}};
  enum Run { kStep, kPlay, kPlay2D };
  const struct {
    const char* what;
    bool drawnBefore;  // a path Calculate drew, ending at (60, 39.9)
    std::vector<Run> runs;  // Rewind between them
  } cases[] = {
      {"Step after Calculate", true, {kStep}},
      {"Simulate after Calculate", true, {kPlay}},
      {"Simulate in 2D after Calculate", true, {kPlay2D}},
      {"Step after Simulate and Rewind", false, {kPlay, kStep}},
      {"Simulate after Step and Rewind", false, {kStep, kPlay}},
      {"Simulate in 2D after Simulate in 2D and Rewind", false, {kPlay2D, kPlay2D}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ListingMain& w = Listing(program);
    if (c.drawnBefore) {
      w.AddPathNode(true, -60, -39.9f, 2);
      w.AddPathNode(false, 60, 39.9f, -1);
    }
    for (size_t run = 0; run < c.runs.size(); ++run) {
      if (run > 0) {
        w.ricIsoMouseDown(6);
        Click("sbtIsoRev");
        EXPECT_EQ(Get<QLabel>("nol_IsoStatus1")->text(), "Line 1/7") << "Rewind shows the start";
      }
      w.modo3d(c.runs[run] != kPlay2D, true);
      if (c.runs[run] == kStep) {
        for (int line = 0; line < 7; ++line) w.sbtIsoStepClick();
      } else {
        w.sbtIsoPlayClick();
      }
    }
    if (c.runs.back() == kPlay2D) {
      EXPECT_TRUE(w.ToolpathNodes().empty()) << "Calculate's path is gone too";
      std::vector<std::vector<double>> drawn;
      for (const app::NcDrawing2D& line : w.NcDrawing()) drawn.push_back({line.x1, line.y1, line.x2, line.y2});
      EXPECT_EQ(drawn, wanted2D);
    } else {
      std::vector<std::vector<float>> drawn;
      for (const app::ToolpathNode& node : w.ToolpathNodes()) drawn.push_back({node.rapid ? 1.0f : 0.0f, node.x, node.y, node.z});
      EXPECT_EQ(drawn, wanted3D);
    }
    EXPECT_EQ(Get<QLabel>("stxLimXmin")->text(), "-6.000") << "the extents are the program's";
    EXPECT_EQ(Get<QLabel>("stxLimYmax")->text(), "-4.000");
  }
}

// Find opens beside the listing (at its top right corner) where it fits, else pushed in from the
// edges of the screen's available area it would cross, always wholly on the screen.
TEST_F(ListingTest, FindOpensWithinTheScreen) {
  enum Place { kCorner, kLowEdge, kHighEdge };  // left or top edge, right or bottom edge
  const struct {
    const char* what;
    QPoint windowAt;
    Place x, y;
  } cases[] = {
      {"room beside the listing", {-500, -300}, kCorner, kCorner},
      {"the window at the screen's left", {0, 0}, kHighEdge, kCorner},
      {"the window past the screen's right and bottom", {300, 600}, kHighEdge, kHighEdge},
      {"the window past the screen's left and top", {-900, -600}, kLowEdge, kLowEdge},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ListingMain& w = Listing(Program(3));
    w.move(c.windowAt);
    w.show();
    QApplication::processEvents();
    Click("sbtIsoFind");
    auto* find = w.Find<app::TFindDialog>("FindDialog1");
    ASSERT_TRUE(find->isVisible());
    const QRect screen = w.screen()->availableGeometry();
    const QRect frame = find->frameGeometry();
    const QPoint corner = Listing()->mapToGlobal(QPoint(Listing()->width(), 0));
    EXPECT_TRUE(screen.contains(frame));
    const int wantedX[] = {corner.x(), screen.left(), screen.right() - frame.width() + 1};
    const int wantedY[] = {corner.y(), screen.top(), screen.bottom() - frame.height() + 1};
    EXPECT_EQ(frame.x(), wantedX[c.x]) << "the listing's right edge at " << corner.x();
    EXPECT_EQ(frame.y(), wantedY[c.y]) << "the listing's top at " << corner.y();
    find->hide();
  }
}

// What happens while a play lets the window messages run: each action runs from the message loop
// during the play (at the 20th move of 300); the play must end cleanly (run under AddressSanitizer).
TEST_F(ListingTest, WindowMessagesDuringAPlay) {
  const struct {
    const char* what;
    bool playsToTheEnd;
    std::function<void()> action;
  } cases[] = {
      {"Stop", false, [this] { Get<QAbstractButton>("sbtIsoStop")->click(); }},
      {"a new listing", false, [this] { Listing()->setPlainText(QString::fromStdString(Program(300))); }},
      {"the listing emptied", false, [this] { Listing()->clear(); }},
      {"typing into the listing", true,
       [this] {
         QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
         QApplication::sendEvent(Listing(), &key);
       }},
      {"Exit to the wizard", false, [this] { Get<QAbstractButton>("sbtIsoExit")->click(); }},
      {"the page left", false, [this] { main_->SetActivePage(app::kPageCutting); }},
      {"another current layer", true,
       [this] {
         const int before = main_->CurrentLayer();
         Get<QComboBox>("cboCurrentLayer")->setCurrentIndex(before == 2 ? 1 : 2);
         EXPECT_NE(main_->CurrentLayer(), before);
       }},
      {"a picture opened", false,
       [this] {
         dialogs_.fileNames = {picture_};
         main_->sbtOpenClick();
       }},
      {"closing the window", false,
       [this] {
         dialogs_.answers = {platform::Answer::Yes};
         EXPECT_TRUE(main_->close());
       }},
      {"freeing the window", false,
       [this] {
         grid_.reset();
         stl_.reset();
         tool_.reset();
         main_.reset();
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ListingMain& w = Listing(Program(300));
    // Each layer's own pen, to see that the play gives back the right pen to the right layer.
    for (int layer = 0; layer < 3; ++layer) {
      platform::Pen pen;
      pen.Color = static_cast<platform::TColor>(0x100 * (layer + 1));
      w.Layers().Layer(static_cast<uint8_t>(layer)).SetPen(pen);
    }
    const int layerAtStart = w.CurrentLayer();
    Get<QAction>("mnuShowTool")->setChecked(true);
    Listing()->moveCursor(QTextCursor::Start);
    w.onMove = [&](int move) {
      if (move == 20) QTimer::singleShot(0, [&] { c.action(); });
    };
    w.sbtIsoPlayClick();
    if (!main_) continue;  // freed: the play returned without touching it
    for (int layer : {layerAtStart, w.CurrentLayer()})
      EXPECT_EQ(w.Layers().Layer(static_cast<uint8_t>(layer)).Pen().Color, static_cast<platform::TColor>(0x100 * (layer + 1)))
          << "layer " << layer;
    EXPECT_FALSE(w.Playing());
    EXPECT_TRUE(CommandsEnabled());
    EXPECT_FALSE(Listing()->isReadOnly());
    if (c.playsToTheEnd) {
      EXPECT_EQ(w.moves, 299);
      EXPECT_EQ(Listing()->toPlainText().toStdString(), Program(300)) << "the listing was not changed";
    } else {
      EXPECT_LT(w.moves, 40) << "the play ended at the next round of messages";
    }
  }
}

}  // namespace

namespace {

// The positions an NC program moves through, read from its words as a controller would: a word
// keeps its value until the next one gives another; nothing before the program gives both X and Y.
struct Span {
  bool any = false;
  float first[3] = {0, 0, 0};
  float low[3] = {0, 0, 0}, high[3] = {0, 0, 0};
  void Add(const float p[3]) {
    for (int i = 0; i < 3; ++i) {
      if (!any) first[i] = low[i] = high[i] = p[i];
      low[i] = std::min(low[i], p[i]);
      high[i] = std::max(high[i], p[i]);
    }
    any = true;
  }
};

Span ProgramSpan(const std::string& program, float feedPlane) {
  Span span;
  float at[3] = {0, 0, feedPlane};
  bool known[2] = {false, false};
  std::istringstream lines(program);
  for (std::string line; std::getline(lines, line);) {
    if (line.find('(') != std::string::npos) line.erase(line.find('('));
    bool moved = false;
    for (int axis = 0; axis < 3; ++axis) {
      const size_t word = line.find("XYZ"[axis]);
      if (word == std::string::npos) continue;
      at[axis] = std::stof(line.substr(word + 1));
      if (axis < 2) known[axis] = true;
      moved = true;
    }
    if (moved && known[0] && known[1]) span.Add(at);
  }
  return span;
}

Span DrawnSpan(const std::vector<app::ToolpathNode>& nodes) {
  Span span;
  for (const app::ToolpathNode& node : nodes) {
    const float p[3] = {node.x, node.y, node.z};
    span.Add(p);
  }
  return span;
}

}  // namespace

// The 3D view draws the program's own moves: after Calculate and when the listing is stepped or
// played, the drawn path starts where the program starts and reaches exactly as far as it does.
TEST_F(ListingTest, TheDrawnPathIsTheProgramsOwn) {
  const struct {
    const char* reference;
    const char* depthCuts;
    bool rows90;
  } cases[] = {{"rbtOrigine1", "1", false}, {"rbtOrigine0", "2", true}, {"rbtOrigine3", "1", true}};
  std::filesystem::create_directories(dir_.File("nc"));
  int run = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reference);
    ListingMain& w = Start<ListingMain>();
    dialogs_.fileNames = {picture_, dir_.File("nc/path" + std::to_string(++run))};
    Click("sbtOpen");
    Click("sbtNextB1");
    Click(c.reference);
    for (const char* next : {"sbtNextB2", "sbtNextB3", "sbtNextB4", "sbtNextB5"}) Click(next);
    ASSERT_EQ(Page(), app::kPageCutting);
    Get<QLineEdit>("txtAspor_Z")->setText("1");
    Get<QSpinBox>("sedPass_Z")->setValue(std::stoi(c.depthCuts));
    Get<QCheckBox>("chkVerticale")->setChecked(c.rows90);
    dialogs_.messages.clear();
    Click("sbtNcCalc");
    ASSERT_TRUE(dialogs_.messages.empty()) << dialogs_.messages[0].text;
    const std::string program = Listing()->toPlainText().toStdString();
    const Span wanted = ProgramSpan(program, 2.0f);
    ASSERT_TRUE(wanted.any) << program;

    auto expectSpan = [&](const char* when) {
      const Span drawn = DrawnSpan(w.ToolpathNodes());
      ASSERT_TRUE(drawn.any) << when;
      for (int i = 0; i < 3; ++i) {
        // The listing rounds to three decimals.
        EXPECT_NEAR(drawn.first[i], wanted.first[i], 5e-4) << when << ": the path starts where the program does, axis " << i;
        EXPECT_NEAR(drawn.low[i], wanted.low[i], 5e-4) << when << ": axis " << i;
        EXPECT_NEAR(drawn.high[i], wanted.high[i], 5e-4) << when << ": axis " << i;
      }
    };
    expectSpan("after Calculate");

    Click("sbtNextB6");
    ASSERT_EQ(Page(), app::kPageListing);
    Click("sbtIsoRev");
    for (int line = 0; line < w.ListingLineCount(); ++line) w.sbtIsoStepClick();
    expectSpan("stepped");

    Click("sbtIsoRev");
    Listing()->moveCursor(QTextCursor::Start);
    w.sbtIsoPlayClick();
    // A play takes its first position as the start without drawing it: from the second on.
    const Span played = DrawnSpan(w.ToolpathNodes());
    for (int i = 0; i < 3; ++i) {
      EXPECT_GE(played.low[i], wanted.low[i] - 5e-4) << "played: axis " << i;
      EXPECT_LE(played.high[i], wanted.high[i] + 5e-4) << "played: axis " << i;
    }
  }
}
