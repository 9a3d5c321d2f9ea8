// What is drawn on the 2D view is not dropped unasked: every re-placement of the picture (a new size
// or origin, an image edit, a new picture, New, Open, quitting) offers unsaved drawn work for saving
// as DXF first, and Cancel leaves the drawing and the fields as they were.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QTest>
#include <functional>

#include "cad/bitmap2d.h"
#include "cad/primitives2d.h"
#include "cad/text2d.h"
#include "main_window_fixture.h"

namespace {

using platform::Answer;
using platform::Buttons;
using testing_support::FileText;
using testing_support::MainWindowTest;
using testing_support::RecordingMain;

class DrawnWorkTest : public MainWindowTest {
 protected:
  // The window shown with its real 2D view, the test picture open on the size page.
  RecordingMain& StartWithPicture() {
    RecordingMain& w = StartShown();
    Open(picture_);
    EXPECT_EQ(Page(), app::kPageDimension);
    return w;
  }
  QLineEdit* Edit(const char* name) const { return Get<QLineEdit>(name); }
  // A circle drawn with two clicks, inside the picture.
  void DrawCircle(double dx = 0.0) {
    const machining::ReliefModel& r = main_->Relief();
    const double cx = r.originX + r.width / 2 + dx, cy = r.originY + r.height / 2;
    Get<QAction>("mnuCircleCtPt")->trigger();
    ClickDrawing({{cx, cy}, {cx + r.width / 8, cy}});
    ASSERT_FALSE(main_->CommandActive()) << "the circle is placed";
  }
  // The objects the user drew (all but the picture).
  int Drawn() const {
    int drawn = 0;
    auto objects = main_->LocalCad().ObjectsIterator();
    for (cad::TGraphicObject* o = objects->First(); o; o = objects->Next()) drawn += !cad::Is<cad::TBitmap2D>(*o);
    return drawn;
  }
  std::array<std::string, 4> FieldTexts() const {
    return {Edit("txtVecLarg")->text().toStdString(), Edit("txtVecAlt")->text().toStdString(),
            Edit("txtOriginX")->text().toStdString(), Edit("txtOriginY")->text().toStdString()};
  }
  // Saves the drawing through the tool bar's Save with the DXF type, as the user can from the depth
  // page on, and comes back to the size page.
  void SaveDxfFromDepthPage(const std::string& path) {
    ToDepthPageAndBack([&] {
      dialogs_.fileNames = {path};
      dialogs_.filterIndexes = {3};
      Click("sbtSave");
      ASSERT_TRUE(platform::FileExists(path));
    });
  }
  // Next to the depth page (the relief built there), `there` done, and back to the size page.
  void ToDepthPageAndBack(const std::function<void()>& there = [] {}) {
    for (const char* next : {"sbtNextB1", "sbtNextB2"}) Click(next);
    if (Enabled("sbtProfApply")) Click("sbtProfApply");
    ASSERT_FALSE(main_->Relief().gridStale);
    there();
    for (const char* previous : {"sbtPrevB3", "sbtPrevB2"}) Click(previous);
    ASSERT_EQ(Page(), app::kPageDimension);
  }
  // Types a new text into a field and presses Enter, as the user does.
  void Retype(const char* name, const char* text) {
    QLineEdit* field = Edit(name);
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, text);
    QTest::keyClick(field, Qt::Key_Return);
  }
  // The picture was placed in the drawing since the calls were last cleared.
  bool Placed() const {
    for (const std::string& call : main_->calls)
      if (call.rfind("place ", 0) == 0) return true;
    return false;
  }
  std::string Messages() const {
    std::string all;
    for (const auto& shown : dialogs_.messages) all += shown.text + "\n";
    return all;
  }
};

// Each re-placement: Cancel keeps the drawing, the fields and the picture; Discard re-places; Save
// writes the DXF file, then re-places; after a DXF save with no later change nothing is asked about
// the drawing.
TEST_F(DrawnWorkTest, EveryReplacementAsksBeforeTheDrawingGoes) {
  const std::string second = WritePicture("pictures/second.bmp", 30, 20);
  struct Replacement {
    const char* what;
    std::function<void()> prepare;  // after the drawing, before the action
    std::function<void()> act;
    std::function<bool()> done;     // the action took effect
    const char* plainQuestion;      // the job goes: asked when nothing else is
  };
  bool closed = false;
  const Replacement replacements[] = {
      {"a width typed", [] {}, [&] { Retype("txtVecLarg", "60"); },
       [&] { return main_->Relief().width == 60.0f; }, nullptr},
      {"a width typed, then Apply", [] {},
       [&] {
         Edit("txtVecLarg")->setText("20");
         Click("sbtDimApply");
       },
       [&] { return main_->Relief().width == 20.0f && !Enabled("sbtDimApply"); }, nullptr},
      {"Keep ratio ticked", [&] { Get<QCheckBox>("chkRatio")->setChecked(false); },
       [&] { Click("chkRatio"); }, [&] { return Get<QCheckBox>("chkRatio")->isChecked(); }, nullptr},
      {"an origin typed", [&] { Click("sbtNextB1"); }, [&] { Retype("txtOriginX", "5"); },
       [&] { return main_->Relief().originX == -5.0f; }, nullptr},
      {"an origin applied", [&] { Click("sbtNextB1"); },
       [&] {
         Edit("txtOriginY")->setText("4");
         Click("sbtOrigineApply");
       },
       [&] { return main_->Relief().originY == -4.0f; }, nullptr},
      {"Flip Hor.", [&] { Click("sbtModify"); }, [&] { Click("sbtFlipH"); },
       [&] { return main_->WorkingBitmap()->Pixel(0, 0) == platform::Rgb(0, 0, 0); }, nullptr},
      {"Flip Vert.", [&] { Click("sbtModify"); }, [&] { Click("sbtFlipV"); },
       [&] { return Placed(); }, nullptr},
      {"Rotate", [&] { Click("sbtModify"); }, [&] { Click("sbtRotate"); },
       [&] { return main_->Relief().columns == 30; }, nullptr},
      {"Conv2Gray", [&] { Click("sbtModify"); }, [&] { Click("sbt2Gray"); },
       [&] { return main_->BitDepthText() == "8 bit"; }, nullptr},
      {"Cut",
       [&] {
         Click("sbtModify");
         const machining::ReliefModel& r = main_->Relief();
         ClickDrawing({{r.width * 0.1, r.height * 0.1}, {r.width * 0.6, r.height * 0.7}});
         ASSERT_TRUE(Enabled("sbtCutSel")) << "a rectangle picked";
       },
       [&] { Click("sbtCutSel"); }, [&] { return main_->Relief().columns < 40; }, nullptr},
      {"New", [] {}, [&] { Click("sbtNew"); }, [&] { return main_->WorkingBitmap() == nullptr; },
       "Discard the job?"},
      {"Open",
       [] {},
       [&] {
         // The picture's dialog first; a DXF file's name the test gave stays for the question's Save.
         dialogs_.fileNames.insert(dialogs_.fileNames.begin(), second);
         Click("sbtOpen");
       },
       [&] { return main_->Relief().columns == 30; }, "Discard the job?"},
      {"quitting", [] {}, [&] { closed = main_->close(); }, [&] { return closed; }, "Leave?"},
  };
  enum class Way { Cancel, Discard, Save, SavedBefore };
  int run = 0;
  for (const Replacement& r : replacements) {
    for (const Way way : {Way::Cancel, Way::Discard, Way::Save, Way::SavedBefore}) {
      const std::string name = std::string(r.what) + ", way " + std::to_string(static_cast<int>(way));
      SCOPED_TRACE(name);
      closed = false;
      RecordingMain& w = StartWithPicture();
      DrawCircle();
      ASSERT_EQ(Drawn(), 1);
      const std::string earlier = dir_.File("earlier" + std::to_string(++run) + ".dxf");
      if (way == Way::SavedBefore) SaveDxfFromDepthPage(earlier);
      // A relief built: a cancelled re-placement keeps it.
      if (way == Way::Cancel) ToDepthPageAndBack();
      r.prepare();
      const std::array<std::string, 4> fields = FieldTexts();
      const machining::ReliefModel before = main_->Relief();
      const int pictureEnabled[] = {Enabled("sbtNextB1"), Enabled("sbtDimApply"), Enabled("sbtNextB2")};
      w.calls.clear();
      dialogs_.messages.clear();
      const std::string dxf = dir_.File("drawn" + std::to_string(run) + ".dxf");
      switch (way) {
        case Way::Cancel: dialogs_.answers = {Answer::Cancel}; break;
        case Way::Discard: dialogs_.answers = {Answer::No}; break;
        case Way::Save:
          dialogs_.answers = {Answer::Yes};
          dialogs_.fileNames = {dxf};
          break;
        case Way::SavedBefore: dialogs_.answers = {Answer::Yes}; break;  // to the plain question
      }
      r.act();

      if (way == Way::SavedBefore) {
        // Nothing about the drawing; a job that goes gets its plain question alone.
        if (r.plainQuestion) {
          ASSERT_EQ(dialogs_.messages.size(), 1u) << Messages();
          EXPECT_EQ(dialogs_.messages[0].text, r.plainQuestion);
        } else {
          EXPECT_TRUE(dialogs_.messages.empty()) << Messages();
        }
        EXPECT_TRUE(r.done());
        if (!closed) {
          EXPECT_EQ(Drawn(), 0);
        }
        continue;
      }
      ASSERT_EQ(dialogs_.messages.size(), 1u) << Messages();
      EXPECT_EQ(dialogs_.messages[0].buttons, Buttons::SaveDiscardCancel);
      EXPECT_NE(dialogs_.messages[0].text.find("Save it as a DXF file first?"), std::string::npos) << Messages();
      if (way == Way::Cancel) {
        EXPECT_FALSE(r.done()) << "nothing happened";
        EXPECT_EQ(Drawn(), 1) << "the circle stays";
        EXPECT_EQ(FieldTexts(), fields) << "the fields as they were";
        EXPECT_EQ(main_->Relief().width, before.width);
        EXPECT_EQ(main_->Relief().height, before.height);
        EXPECT_EQ(main_->Relief().originX, before.originX);
        EXPECT_EQ(main_->Relief().originY, before.originY);
        EXPECT_EQ(main_->Relief().gridStale, before.gridStale) << "the relief built still holds";
        const int enabledNow[] = {Enabled("sbtNextB1"), Enabled("sbtDimApply"), Enabled("sbtNextB2")};
        EXPECT_TRUE(std::equal(std::begin(enabledNow), std::end(enabledNow), std::begin(pictureEnabled)));
        EXPECT_FALSE(Placed()) << "the picture was not placed again";
        EXPECT_TRUE(w.isVisible());
        // Asked again, Discard lets the action through: the question kept nothing back.
        dialogs_.answers = {Answer::No};
        r.act();
        EXPECT_TRUE(r.done());
        continue;
      }
      EXPECT_TRUE(r.done());
      if (!closed) {
        EXPECT_EQ(Drawn(), 0) << "re-placed: the picture alone";
      }
      if (way == Way::Save) {
        ASSERT_TRUE(platform::FileExists(dxf));
        EXPECT_NE(FileText(dxf).find("CIRCLE"), std::string::npos);
        EXPECT_EQ(dialogs_.fileRequests.back().filter, "Dxf files (3D FACE) (*.dxf)|*.DXF");
      }
    }
  }
}

// The job's own question comes first, the drawing's second, and nothing is saved until both are
// answered: Cancel to either leaves every file and the job as they were.
TEST_F(DrawnWorkTest, AChangedJobIsAskedAboutFirstAndNothingIsSavedBeforeBothAnswers) {
  const struct {
    Answer job, drawing;
    bool leaves, documentWritten, dxfWritten;
  } rows[] = {
      {Answer::Cancel, Answer::Yes, false, false, false}, {Answer::Yes, Answer::Cancel, false, false, false},
      {Answer::No, Answer::No, true, false, false},       {Answer::Yes, Answer::No, true, true, false},
      {Answer::No, Answer::Yes, true, false, true},       {Answer::Yes, Answer::Yes, true, true, true},
  };
  int run = 0;
  for (const auto& row : rows) {
    SCOPED_TRACE(++run);
    StartWithPicture();
    DrawCircle();
    Edit("txtFeedPlane")->setText("7");  // the job changes too
    const std::string document = dir_.File("job" + std::to_string(run) + ".qvx");
    const std::string dxf = dir_.File("drawn" + std::to_string(run) + ".dxf");
    dialogs_.messages.clear();
    dialogs_.answers = {row.job, row.drawing};
    // The document's save dialog (the job never saved) comes first, the DXF file's second.
    dialogs_.fileNames.clear();
    if (row.job == Answer::Yes) dialogs_.fileNames.push_back(document);
    if (row.drawing == Answer::Yes) dialogs_.fileNames.push_back(dxf);
    dialogs_.filterIndexes = {1, 1};
    Click("sbtNew");
    const size_t asked = row.job == Answer::Cancel ? 1u : 2u;
    ASSERT_EQ(dialogs_.messages.size(), asked) << Messages();
    EXPECT_NE(dialogs_.messages[0].text.find("The job has changed"), std::string::npos);
    if (asked == 2) {
      EXPECT_NE(dialogs_.messages[1].text.find("DXF"), std::string::npos);
    }
    EXPECT_EQ(main_->WorkingBitmap() == nullptr, row.leaves);
    EXPECT_EQ(Drawn() == 0, row.leaves);
    EXPECT_EQ(platform::FileExists(document), row.documentWritten);
    EXPECT_EQ(platform::FileExists(dxf), row.dxfWritten);
  }
}

// After a DXF save, an edit of what is drawn is a change again; the picture and the "Z no cut" point
// are no drawn work, and work no DXF file can carry gets a Yes/No question.
TEST_F(DrawnWorkTest, EditsAfterASaveAreChangesAndOnlyTheUsersObjectsCount) {
  const struct {
    const char* what;
    std::function<void()> change;
    std::optional<Buttons> asked;  // none: no question
  } rows[] = {
      {"nothing drawn", [] {}, std::nullopt},
      {"the \"Z no cut\" point", [this] {
         main_->LocalCad().AddObject(app::kZNoCutPointId, std::make_unique<cad::TPunto2D>(app::kZNoCutPointId, cad::Point2D(1, 1)));
       }, std::nullopt},
      {"a circle saved, unchanged", [this] {
         DrawCircle();
         SaveDxfFromDepthPage(dir_.File("unchanged.dxf"));
       }, std::nullopt},
      {"a circle saved, then moved", [this] {
         DrawCircle();
         SaveDxfFromDepthPage(dir_.File("moved.dxf"));
         Get<QAction>("mnuTranslate")->trigger();
         main_->SetPickedObjects({1});
         Edit("txtTransDx")->setText("3");
         Edit("txtTransDy")->setText("0");
         Click("rbtTransMove");
         Click("sbtTranslateOk");
       }, Buttons::SaveDiscardCancel},
      {"two circles saved, then one deleted", [this] {
         DrawCircle(-main_->Relief().width / 4);
         DrawCircle(main_->Relief().width / 4);
         SaveDxfFromDepthPage(dir_.File("deleted.dxf"));
         Get<QAction>("mnuDelete")->trigger();
         const machining::ReliefModel& r = main_->Relief();
         ClickDrawing({{r.originX + r.width / 4 + r.width / 8, r.originY + r.height / 2}});
         main_->FormKeyPress(Qt::Key_Escape);
         ASSERT_EQ(Drawn(), 1);
       }, Buttons::SaveDiscardCancel},
      {"a circle saved, then put on another layer", [this] {
         DrawCircle();
         SaveDxfFromDepthPage(dir_.File("layer.dxf"));
         Get<QComboBox>("cboCurrentLayer")->setCurrentIndex(5);
         Get<QAction>("mnuChangeLayer")->trigger();
         const machining::ReliefModel& r = main_->Relief();
         ClickDrawing({{r.originX + r.width / 2 + r.width / 8, r.originY + r.height / 2}});
         main_->FormKeyPress(Qt::Key_Escape);
       }, Buttons::SaveDiscardCancel},
      {"a text in a platform font", [this] {
         main_->LocalCad().AddObject(-1, std::make_unique<cad::TText2D>(-1, cad::Point2D(0, 0), cad::Point2D(5, 2), 2, "note"));
       }, Buttons::YesNo},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    StartWithPicture();
    row.change();
    const int drawn = Drawn();
    dialogs_.messages.clear();
    if (!row.asked) {
      Retype("txtVecLarg", "50");
      EXPECT_TRUE(dialogs_.messages.empty()) << Messages();
      EXPECT_EQ(main_->Relief().width, 50.0f);
      continue;
    }
    // Kept: Cancel, or No to the Yes/No question.
    dialogs_.answers = {row.asked == Buttons::YesNo ? Answer::No : Answer::Cancel};
    Retype("txtVecLarg", "50");
    ASSERT_EQ(dialogs_.messages.size(), 1u) << Messages();
    EXPECT_EQ(dialogs_.messages[0].buttons, *row.asked);
    EXPECT_EQ(Drawn(), drawn);
    EXPECT_NE(main_->Relief().width, 50.0f);
    // Let go: Discard, or Yes.
    dialogs_.messages.clear();
    dialogs_.answers = {row.asked == Buttons::YesNo ? Answer::Yes : Answer::No};
    Retype("txtVecLarg", "50");
    EXPECT_EQ(dialogs_.messages.size(), 1u) << Messages();
    EXPECT_EQ(Drawn(), 0);
    EXPECT_EQ(main_->Relief().width, 50.0f) << "the size taken in the end";
  }
}

}  // namespace

// A DXF save that fails is said, and counts as Cancel: the drawing and the size stay.
TEST_F(DrawnWorkTest, AFailedDxfSaveKeepsTheDrawingAndTheSize) {
  StartWithPicture();
  DrawCircle();
  const std::array<std::string, 4> fields = FieldTexts();
  const float width = main_->Relief().width;
  dialogs_.messages.clear();
  dialogs_.answers = {Answer::Yes};
  dialogs_.fileNames = {dir_.File("no such folder/drawn.dxf")};
  Retype("txtVecLarg", "60");
  ASSERT_EQ(dialogs_.messages.size(), 2u) << Messages();
  EXPECT_EQ(dialogs_.messages[1].kind, platform::MessageKind::Error);
  EXPECT_NE(dialogs_.messages[1].text.find("drawn.dxf"), std::string::npos) << Messages();
  EXPECT_EQ(Drawn(), 1);
  EXPECT_EQ(main_->Relief().width, width);
  EXPECT_EQ(FieldTexts(), fields);
  // Not saved: asked again.
  dialogs_.messages.clear();
  dialogs_.answers = {Answer::Cancel};
  Retype("txtVecLarg", "60");
  EXPECT_EQ(dialogs_.messages.size(), 1u) << Messages();
}
