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
#include <QTextBlock>
#include <QTimer>
#include <functional>
#include <memory>

#include "app/find_dialog.h"
#include "app/main_window.h"
#include "app/tool_window.h"
#include "lang/lang.h"
#include "machining/tool_database.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "scratch_dir.h"

namespace {

using app::TfrmMain;
using testing_support::FileText;

const char kLanguage[] =
    "[String]\n"
    "450=Question\n"
    "451=Leave?\n"
    "701=NC programs\n"
    "717=\"Line \"\n"
    "782=Only ISO programs play exactly.\n";

// A main window whose 3D tool and 2D pen record, and which runs `onMove` at every move the tool makes.
class ListingMain : public TfrmMain {
 public:
  std::vector<std::string> calls;
  std::function<void(int moves)> onMove;
  int moves = 0;

 protected:
  void Scene3DMoveTool(float x, float y, float z) override {
    ++moves;
    if (onMove) onMove(moves);
    (void)x, (void)y, (void)z;
  }
  void Scene3DShowTool(bool on) override { calls.push_back(on ? "show tool" : "hide tool"); }
  void Cad2DSetCurrentLayerPen(const platform::Pen& pen) override {
    calls.push_back("pen width " + std::to_string(pen.Width));
    TfrmMain::Cad2DSetCurrentLayerPen(pen);
  }
};

// The program's clock moves 50 ms each time it is read.
class TickingDialogs : public platform::RecordingDialogs {
 public:
  int reads = 0;
  uint64_t TickCount() override {
    ++reads;
    return now += 50;
  }
};

class ListingTest : public ::testing::Test {
 protected:
  ListingTest() : scopedLanguage_(&language_), scopedDialogs_(&dialogs_) {
    previousDir_ = platform::ProgramDir();
    platform::SetProgramDir(dir_.Dir());
    dir_.Write("language/english.lng", kLanguage);
    const std::string fanuc = FileText(std::string(VELKORA_SOURCE_DIR) + "/pst/Fanuc_mm.pst");
    dir_.Write("pst/Fanuc_mm.pst", fanuc);
    dir_.Write("pst/NoSim.pst", Replace(fanuc, "Simulate=1", "Simulate=0"));
    dir_.Write("pst/Csh.pst", Replace(fanuc, "Dialect=ISO", "Dialect=CSH"));
    dir_.Write("pst/Shop.pst", Replace(fanuc, "Dialect=ISO", "Dialect=SBO"));
    machining::TToolRecord tool;
    tool.name = "Ball 6";
    tool.toolType = machining::kToolSpherical;
    tool.diameter = 6.0f;
    tool.passDepth = 20.0f;
    machining::ToolDatabase(dir_.File("Tool.db")).Add(tool);
  }
  ~ListingTest() override {
    tool_.reset();
    main_.reset();
    platform::SetProgramDir(previousDir_);
  }

  static std::string Replace(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return text.replace(at, from.size(), to);
  }

  // A started window showing `program` on its listing page, read with the post-processor `pst`.
  ListingMain& Listing(const std::string& program, const char* pst = "Fanuc_mm") {
    // The tool window is the main window's child: it goes first.
    tool_.reset();
    main_.reset();
    main_ = std::make_unique<ListingMain>();
    main_->FormCreate();
    tool_ = std::make_unique<app::TfrmTool>(machining::ToolDatabase::DefaultPath(), 0, main_.get());
    main_->SetToolWindow(tool_.get());
    Get<QComboBox>("cboPostName")->addItem(pst);
    Get<QComboBox>("cboPostName")->setCurrentText(pst);
    main_->cboPostNameChange();
    Listing()->setPlainText(QString::fromStdString(program));
    // The wizard reaches the listing in 3D.
    main_->modo3d(true, false);
    main_->SetActivePage(app::kPageListing);
    main_->tabIsoShow();
    main_->moves = 0;
    return *main_;
  }

  template <class T>
  T* Get(const char* name) const {
    T* component = main_->Find<T>(name);
    EXPECT_NE(component, nullptr) << name;
    return component;
  }
  QPlainTextEdit* Listing() const { return Get<QPlainTextEdit>("ricIso"); }
  std::string Selected() const { return Listing()->textCursor().selectedText().toStdString(); }
  bool CommandsEnabled() const {
    for (const char* name : {"sbtIsoRev", "sbtIsoPlay", "sbtIsoEnd", "sbtIsoStep", "sbtPrevB7", "sbtOpen", "sbtSave",
                             "sbtSetting", "sbtAbout", "sbtExit"})
      if (!Get<QWidget>(name)->isEnabled()) return false;
    return true;
  }
  // `count` feed moves along X.
  static std::string Program(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += "G1 X" + std::to_string(i) + " Y0 Z-1\n";
    return text;
  }

  testing_support::ScratchDir dir_{"listing"};
  lang::Language language_;
  lang::ScopedLanguage scopedLanguage_;
  TickingDialogs dialogs_;
  platform::ScopedDialogs scopedDialogs_;
  std::string previousDir_;
  std::unique_ptr<ListingMain> main_;
  std::unique_ptr<app::TfrmTool> tool_;
};

TEST_F(ListingTest, StepRewindEndFindSaveAndExit) {
  ListingMain& w = Listing("(start)\nG0 X1 Y2\nG1 Z-1\n");
  EXPECT_EQ(Get<QLabel>("nol_IsoStatus1")->text(), "Line 1/3") << "the caret on the first line, of three";
  EXPECT_TRUE(Get<QWidget>("sbtIsoSave")->isEnabled());
  EXPECT_EQ(Get<QLabel>("nol_IsoStatus2")->text(), "Fanuc_mm");
  // The tool body: the ball's profile, at the feed plane's height, hidden until "Tool" is checked.
  EXPECT_EQ(w.ToolProfile().size(), 12u);
  EXPECT_FLOAT_EQ(w.ToolProfile().back().y, 20.0f);
  EXPECT_FLOAT_EQ(w.ToolPosition().z, 2.0f);
  EXPECT_EQ(w.calls, std::vector<std::string>{"hide tool"});

  // Step on the comment draws nothing and still advances; each step draws with a 2-pixel pen and
  // gives the pen back.
  w.calls.clear();
  w.sbtIsoStepClick();
  EXPECT_TRUE(w.Mode3D());
  EXPECT_TRUE(w.ToolpathNodes().empty());
  EXPECT_EQ(w.CurrentLine(), 1);
  EXPECT_EQ(Selected(), "(start)");
  EXPECT_EQ(w.calls, (std::vector<std::string>{"pen width 2", "pen width 1"}));
  w.sbtIsoStepClick();
  w.sbtIsoStepClick();
  ASSERT_EQ(w.ToolpathNodes().size(), 2u);
  EXPECT_TRUE(w.ToolpathNodes()[0].rapid);
  EXPECT_FLOAT_EQ(w.ToolpathNodes()[0].z, 2.0f) << "Z starts at the feed plane";
  EXPECT_FALSE(w.ToolpathNodes()[1].rapid);
  EXPECT_FLOAT_EQ(w.ToolpathNodes()[1].x, 1.0f);
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
  find->SetFindText("X");
  w.ricIsoMouseDown(0);
  Listing()->moveCursor(QTextCursor::Start);
  w.FindDialog1Find();
  EXPECT_EQ(Selected(), "X");
  EXPECT_EQ(Listing()->textCursor().blockNumber(), 1);

  // Save: every line with CR LF, the post-processor's extension added.
  dialogs_.fileNames = {dir_.File("copy")};
  w.sbtIsoSaveClick();
  EXPECT_EQ(FileText(dir_.File("copy.nc")), "(start)\r\nG0 X1 Y2\r\nG1 Z-1\r\n");

  // Exit: back to the wizard in 2D, the toolpath gone.
  w.sbtIsoStepClick();
  w.sbtIsoExitClick();
  EXPECT_TRUE(w.ToolpathNodes().empty());
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
    dialogs_.reads = 0;
    w.sbtIsoPlayClick();
    EXPECT_EQ(w.ToolpathNodes().size(), 39u) << "the first line read is the start, not a move";
    EXPECT_EQ(w.moves, 39);
    EXPECT_TRUE(disabledWhilePlaying);
    EXPECT_TRUE(CommandsEnabled());
    EXPECT_FALSE(Listing()->isReadOnly());
    EXPECT_FALSE(w.Playing());
    EXPECT_EQ(Selected(), "G1 X39 Y0 Z-1") << "the last line is selected at the end";
    if (c.waits) {
      EXPECT_GE(dialogs_.reads, 40 * 2);
      EXPECT_GE(selections, 40);
    } else {
      EXPECT_EQ(dialogs_.reads, 0) << "speed 10 never waits";
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
  w.sbtIsoPlayClick();
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
      {"closing the window", false,
       [this] {
         dialogs_.answers = {platform::Answer::Yes};
         EXPECT_TRUE(main_->close());
       }},
      {"freeing the window", false,
       [this] {
         tool_.reset();
         main_.reset();
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ListingMain& w = Listing(Program(300));
    Get<QAction>("mnuShowTool")->setChecked(true);
    Listing()->moveCursor(QTextCursor::Start);
    w.onMove = [&](int move) {
      if (move == 20) QTimer::singleShot(0, [&] { c.action(); });
    };
    w.sbtIsoPlayClick();
    if (!main_) continue;  // freed: the play returned without touching it
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
