// The CAD commands of the main window: the drop-down buttons' menu entries, the operations they
// start, delete small, mirror all, the transform pages and the user codes of the pages' fields.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>
#include <functional>

#include "app/drawing_edits.h"
#include "app/glyphs.h"
#include "app/page_control.h"
#include "cad/bitmap2d.h"
#include "cad/construction.h"
#include "cad/construction_commands.h"
#include "cad/corner2d.h"
#include "cad/perpendicular2d.h"
#include "cad/viewport2d.h"
#include "lang/page_messages.h"
#include "main_window_fixture.h"

namespace {

using testing_support::MainWindowTest;
using Op = app::TfrmMain::CadOperation;

// Records the operations started and the interaction mode each was started in.
class CadMain : public testing_support::RecordingMain {
 public:
  std::vector<Op> operations;

 protected:
  void Prg2DStartCadOperation(Op operation) override { operations.push_back(operation); }
};

// The hint texts (appended to the test language's last section, "String"), so a wrong number shows.
const char kHints[] =
    "200=h200\n201=h201\n202=h202\n203=h203\n206=h206\n207=h207\n208=h208\n209=h209\n210=h210\n"
    "212=h212\n213=h213\n214=h214\n215=h215\n216=h216\n217=h217\n222=h222\n223=h223\n243=h243\n"
    "244=h244\n245=h245\n246=h246\n247=h247\n248=h248\n310=Factor\n311=Factor X\n411=Deleted:\n";

class CadCommandsTest : public MainWindowTest {
 protected:
  CadMain& StartCad() {
    std::string text = testing_support::kLanguage;
    text.replace(text.find("[frmMain]\n"), 10, "[frmMain]\nlsbDelete.Hint=Delete: pick\nlsbPoint.Hint=Point\n");
    text += kHints;
    dir_.Write("language/english.lng", text);
    return Start<CadMain>();
  }
  cad::TKQCmp2D& Cad() { return main_->LocalCad(); }
  int32_t AddLine(double x1, double y1, double x2, double y2) {
    return Cad().AddObject(-1, std::make_unique<cad::TLine2D>(-1, cad::Point2D(x1, y1), cad::Point2D(x2, y2)))->ID;
  }
  // The first point of a primitive in drawing coordinates.
  cad::TPoint2D FirstPoint(int32_t id) {
    auto* primitive = dynamic_cast<cad::TPrimitive2D*>(Cad().GetObject(id));
    EXPECT_NE(primitive, nullptr);
    return primitive ? cad::CartesianPoint2D(cad::DrawingPoint2D(*primitive, 0)) : cad::Point2D(1e9, 1e9);
  }
  // The object added last, none in an empty drawing.
  cad::TGraphicObject* LastObject() {
    cad::TGraphicObject* last = nullptr;
    auto it = Cad().ObjectsIterator();
    for (cad::TGraphicObject* o = it->First(); o; o = it->Next()) last = o;
    return last;
  }
  // "1 entity + center point" of the tangent arc page.
  void StartTouchingCircle() {
    Get<QAction>("mnuArcTangent")->trigger();
    Click("rbtTanTo1");
  }
  bool HasBitmap() { return dynamic_cast<cad::TBitmap2D*>(Cad().GetObject(0)) != nullptr; }
  static QImage Image(const QIcon& icon) {
    return icon.pixmap(QSize(app::kGlyphSize, app::kGlyphSize)).toImage().convertToFormat(QImage::Format_ARGB32);
  }
};

TEST_F(CadCommandsTest, EachMenuEntrySetsItsButtonAndStartsItsOperation) {
  CadMain& w = StartCad();
  Open(picture_);  // the drawing buttons wait for a picture
  struct Row {
    const char* entry;
    const char* button;
    int glyph;
    const char* hint;
    std::optional<Op> operation;
    int mode;  // 999: unchanged
  };
  const Row rows[] = {
      {"mnuCircleCtPt", "lsbArc", 33, "h200", {}, 999},
      {"mnuArcCtPtSaEa", "lsbArc", 2, "h202", {}, 999},      {"mnuArcTangent", "lsbArc", 32, "h247", {}, 999},
      {"mnuFillet", "lsbModify", 6, "h206", Op::Fillet, 14},
      {"mnuTrim", "lsbModify", 7, "h207", Op::Trim, 15},     {"mnuBreak", "lsbModify", 12, "h208", Op::Break, 16},
      {"mnuExtend", "lsbModify", 8, "h209", Op::Extend, 17},
      {"mnuChangeLayer", "lsbModify", 9, "h210", Op::ChangeLayerObjects, 19},
      {"mnuMoveNode", "lsbModify", 11, "h212", Op::MoveNode, 18},
      {"mnuTranslate", "lsbXform", 13, "h213", Op::PickObjects, 999},
      {"mnuRotate", "lsbXform", 14, "h214", Op::PickObjects, 999},
      // The mirror page's "All entities" takes every object: it starts no pick.
      {"mnuMirror", "lsbXform", 15, "h215", {}, 999},
      {"mnuScale", "lsbXform", 16, "h216", Op::PickObjects, 999},
      {"mnuOffset", "lsbXform", 17, "h217", Op::Offset, 20},
      {"mnuDelete", "lsbDelete", 19, "Delete: pick", Op::DeleteObjects, 21},
      {"mnuDeleteSmall", "lsbDelete", 26, "h222", {}, 999},  {"mnuUndelete", "lsbDelete", 21, "h223", {}, 999},
      {"mnuLineTangent2Arc", "lsbLine", 29, "h244", Op::LineTangent2Arcs, 31},
      {"mnuLinePerp", "lsbLine", 31, "h246", Op::LinePerpendicular, 33},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.entry);
    w.operations.clear();
    w.calls.clear();
    Get<QAction>(row.entry)->trigger();
    auto* button = Get<QToolButton>(row.button);
    EXPECT_EQ(Image(button->icon()), Image(QIcon(app::CommandGlyph(row.glyph))));
    EXPECT_EQ(button->toolTip().toStdString(), row.hint);
    if (row.operation) {
      EXPECT_EQ(w.operations, std::vector<Op>{*row.operation});
    } else {
      EXPECT_TRUE(w.operations.empty());
    }
    if (row.mode != 999) {
      EXPECT_EQ(w.InteractionMode(), row.mode);
    }
    // The button's own click runs the command again.
    w.operations.clear();
    button->click();
    EXPECT_EQ(w.operations.size(), row.operation ? 1u : 0u);
  }
  // Move Ctrl Pt stops the running operation before it starts its own.
  EXPECT_FALSE(w.Called("stop"));
  Get<QAction>("mnuMoveNode")->trigger();
  EXPECT_TRUE(w.Called("stop"));
}

// The entries with no construction behind them are disabled and leave their buttons alone; a
// drop-down button with none left shows no hint, also after the language is read again.
TEST_F(CadCommandsTest, UnboundCommandsAreDisabled) {
  CadMain& w = StartCad();
  Open(picture_);
  const char* const unbound[] = {"mnuCircleCtDia", "mnuArcPolar", "mnuLinePolar", "mnuLineTangentAngle",
                                 "mnuPointGrid", "mnuEllipseOpen", "mnuPolySemplify", "mnuWindowDelete"};
  std::vector<std::pair<QImage, QString>> before;
  for (const char* button : {"lsbArc", "lsbLine", "lsbModify", "lsbDelete"})
    before.push_back({Image(Get<QToolButton>(button)->icon()), Get<QToolButton>(button)->toolTip()});
  for (const char* entry : unbound) {
    EXPECT_FALSE(Get<QAction>(entry)->isEnabled()) << entry;
    Get<QAction>(entry)->trigger();
  }
  EXPECT_TRUE(w.operations.empty());
  EXPECT_FALSE(w.CommandActive());
  std::vector<std::pair<QImage, QString>> after;
  for (const char* button : {"lsbArc", "lsbLine", "lsbModify", "lsbDelete"})
    after.push_back({Image(Get<QToolButton>(button)->icon()), Get<QToolButton>(button)->toolTip()});
  EXPECT_EQ(after, before);
  EXPECT_TRUE(Get<QWidget>("rbtTanTo1")->isEnabled()) << "the touching circle round a centre point";
  EXPECT_TRUE(Get<QWidget>("rbtTanTo2")->isEnabled());
  for (int pass = 0; pass < 2; ++pass) {
    SCOPED_TRACE(pass);
    EXPECT_FALSE(Get<QWidget>("lsbPoint")->isEnabled());
    EXPECT_TRUE(Get<QWidget>("lsbPoint")->toolTip().isEmpty());
    EXPECT_FALSE(Get<QAction>("mnuPointGrid")->isEnabled());
    EXPECT_TRUE(Get<QWidget>("lsbLine")->isEnabled()) << "its tangent line works";
    w.nol_cboLangChange();
  }
  // The bound entries stay enabled.
  for (const char* entry : {"mnuFillet", "mnuExtend", "mnuChangeLayer", "mnuOffset", "mnuTrim", "mnuArcTangent", "mnuLinePerp"})
    EXPECT_TRUE(Get<QAction>(entry)->isEnabled()) << entry;
}

TEST_F(CadCommandsTest, TrimHandsTheFilletStateRadiusZeroAndTheTangentArcFollowsItsPage) {
  CadMain& w = StartCad();
  Get<QLineEdit>("txtRaccordo")->setText("2.5");
  EXPECT_DOUBLE_EQ(w.Construction().FilletRadius, 2.5);
  Get<QAction>("mnuTrim")->trigger();
  EXPECT_DOUBLE_EQ(w.Construction().FilletRadius, 0.0);
  EXPECT_TRUE(main_->PageControl()->isHidden());
  Get<QLineEdit>("txtArcTanRadius")->setText("4");
  Get<QCheckBox>("chkArcTanTrim")->setChecked(false);
  EXPECT_DOUBLE_EQ(w.Construction().TangentArcRadius, 4.0);
  EXPECT_FALSE(w.Construction().TangentArcTrim);
  // A radius that is no number leaves the last good one.
  Get<QLineEdit>("txtArcTanRadius")->setText("-");
  EXPECT_DOUBLE_EQ(w.Construction().TangentArcRadius, 4.0);
  Click("rbtTanTo2");
  EXPECT_EQ(w.operations, (std::vector<Op>{Op::Trim, Op::ArcTangent2}));
}

TEST_F(CadCommandsTest, DeleteSmallRemovesOnlyObjectsUnderTheSizeAndNeverThePicture) {
  StartCad();
  Open(picture_);
  ASSERT_TRUE(HasBitmap());
  const int32_t small = AddLine(1, 1, 6, 6);      // 5 x 5
  const int32_t flat = AddLine(0, 0, 20, 2);      // 20 x 2: wide
  const int32_t big = AddLine(0, 0, 15, 15);      // 15 x 15
  Cad().AddObject(-1, std::make_unique<cad::TPunto2D>(-1, cad::Point2D(3, 3)));
  const int objects = Cad().NumObjects();
  struct Row {
    const char* size;
    int removed;
  };
  for (const Row& row : {Row{"0", 0}, Row{"10", 1}, Row{"10", 0}, Row{"1000", 2}}) {
    SCOPED_TRACE(row.size);
    Get<QLineEdit>("txtSmallX")->setText(row.size);
    Click("sbtDelSmall");
    EXPECT_EQ(Get<QLabel>("stxReportSmall")->text().toStdString(), "Deleted: " + std::to_string(row.removed));
    EXPECT_TRUE(HasBitmap());
  }
  EXPECT_EQ(Cad().GetObject(small), nullptr);
  EXPECT_EQ(Cad().GetObject(flat), nullptr);
  EXPECT_EQ(Cad().GetObject(big), nullptr);
  EXPECT_EQ(Cad().NumObjects(), objects - 3);  // the picture and the point stay
}

TEST_F(CadCommandsTest, MirrorAllMirrorsEverythingButThePicture) {
  CadMain& w = StartCad();
  Open(picture_);
  const cad::TPoint2D corner = FirstPoint(0);
  const int32_t line = AddLine(1, 2, 3, 4);
  Get<platform::RadioGroup>("gprMirrorAxis")->SetItemIndex(2);
  Click("sbtMirrorAll");
  EXPECT_DOUBLE_EQ(FirstPoint(line).X, -1.0);
  EXPECT_DOUBLE_EQ(FirstPoint(line).Y, -2.0);
  EXPECT_DOUBLE_EQ(FirstPoint(0).X, corner.X);
  EXPECT_DOUBLE_EQ(FirstPoint(0).Y, corner.Y);
  EXPECT_TRUE(w.Called("code 1"));
}

TEST_F(CadCommandsTest, TransformPagesMoveOrCopyThePickedObjectsTheGivenNumberOfTimes) {
  struct Row {
    const char* entry;
    std::vector<std::pair<const char*, const char*>> fields;
    const char* choice;  // Copy or Move radio button
    const char* done;
    std::vector<std::pair<double, double>> firstPoints;  // of the source, then of each copy
  };
  const Row rows[] = {
      {"mnuTranslate", {{"txtTransDx", "10"}, {"txtTransDy", "-5"}, {"txtTransRepeat", "3"}}, "rbtTransCopy",
       "sbtTranslateOk", {{1, 1}, {11, -4}, {21, -9}, {31, -14}}},
      {"mnuTranslate", {{"txtTransDx", "10"}, {"txtTransDy", "0"}, {"txtTransRepeat", "2"}}, "rbtTransMove",
       "sbtTranslateOk", {{21, 1}}},
      {"mnuRotate", {{"txtRotateAngle", "90"}, {"txtRotateRepeat", "2"}}, "rbtRotateCopy", "sbtRotateOk",
       {{1, 1}, {-1, 1}, {-1, -1}}},
      {"mnuScale", {{"txtScaleX", "2"}, {"txtScaleRepeat", "1"}}, "rbtScaleMove", "SpeedButton3", {{2, 2}}},
      // A repeat count beyond any use moves the object no further than 1000 steps.
      {"mnuTranslate", {{"txtTransDx", "1"}, {"txtTransDy", "0"}, {"txtTransRepeat", "1e300"}}, "rbtTransMove",
       "sbtTranslateOk", {{1001, 1}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.entry);
    CadMain& w = StartCad();
    const int32_t line = AddLine(1, 1, 2, 1);
    Get<QAction>(row.entry)->trigger();
    ASSERT_EQ(w.operations.back(), Op::PickObjects);
    w.SetPickedObjects({line});
    for (const auto& [name, text] : row.fields) Get<QLineEdit>(name)->setText(text);
    Click(row.choice);
    Click(row.done);
    EXPECT_TRUE(w.Called("code 1"));
    ASSERT_EQ(Cad().NumObjects(), static_cast<int>(row.firstPoints.size()));
    auto objects = Cad().ObjectsIterator();
    size_t i = 0;
    for (cad::TGraphicObject* o = objects->First(); o; o = objects->Next(), ++i) {
      const cad::TPoint2D p = FirstPoint(o->ID);
      EXPECT_NEAR(p.X, row.firstPoints[i].first, 1e-9) << i;
      EXPECT_NEAR(p.Y, row.firstPoints[i].second, 1e-9) << i;
    }
  }
}

TEST_F(CadCommandsTest, MirrorPageAndPictureAreSafeFromPickedTransforms) {
  StartCad();
  Open(picture_);
  const cad::TPoint2D corner = FirstPoint(0);
  const int32_t line = AddLine(1, 2, 3, 2);
  main_->SetPickedObjects({0, line, 12345});
  Get<platform::RadioGroup>("gprMirrorAxis")->SetItemIndex(0);
  main_->TransformPageDone(9);
  EXPECT_DOUBLE_EQ(FirstPoint(line).Y, -2.0);
  EXPECT_DOUBLE_EQ(FirstPoint(0).Y, corner.Y);
}

TEST_F(CadCommandsTest, PageFieldsSendTheirUserCodesWhileTypingNumbers) {
  CadMain& w = StartCad();
  w.show();
  QApplication::setActiveWindow(&w);
  // The entry's page with the edit emptied and focused, nothing recorded yet.
  auto typeInto = [&](const char* entry, const char* name) {
    Get<QAction>(entry)->trigger();
    QLineEdit* edit = Get<QLineEdit>(name);
    edit->clear();
    edit->setFocus();
    EXPECT_TRUE(QTest::qWaitFor([&] { return edit->hasFocus(); })) << name;
    w.calls.clear();
    return edit;
  };
  QLineEdit* angle = typeInto("mnuRotate", "txtRotateAngle");
  QTest::keyClicks(angle, "1.5");
  EXPECT_EQ(w.Count("code 4"), 3);
  QTest::keyClick(angle, Qt::Key_Return);
  EXPECT_EQ(w.Count("code 1"), 1);
  // Typed without the focus, nothing is sent.
  w.calls.clear();
  Get<QLineEdit>("txtTransDx")->setText("5");
  EXPECT_EQ(w.Count("code 6"), 0);
  QLineEdit* dx = typeInto("mnuTranslate", "txtTransDx");
  QTest::keyClicks(dx, "-");
  EXPECT_EQ(w.Count("code 6"), 0);
  QTest::keyClicks(dx, "2");
  EXPECT_EQ(w.Count("code 6"), 1);
  // Uniform scale: Y follows X and hides; XY shows it with its own label text.
  Get<QAction>("mnuScale")->trigger();
  Get<QLineEdit>("txtScaleX")->setText("3");
  EXPECT_EQ(Get<QLineEdit>("txtScaleY")->text(), "3");
  Click("rbtScaleXy");
  EXPECT_EQ(Get<QLabel>("lblScaleX")->text(), "Factor X");
  EXPECT_TRUE(Get<QLineEdit>("txtScaleY")->isVisible());
  Click("rbtScaleUniform");
  EXPECT_EQ(Get<QLabel>("lblScaleX")->text(), "Factor");
  EXPECT_FALSE(Get<QLineEdit>("txtScaleY")->isVisible());
  // Copy / Move and the repeat count are program-wide.
  Click("rbtScaleCopy");
  EXPECT_EQ(w.CopyFlag(), 1);
  Get<QLineEdit>("txtScaleRepeat")->setText("4");
  EXPECT_EQ(w.RepeatCount(), 4);
  Get<QLineEdit>("txtOffsetDist")->setText("1.25");
  EXPECT_FLOAT_EQ(w.OffsetDistance(), 1.25f);
  // The page-close buttons cancel; "Closed" closes the figure.
  w.calls.clear();
  Click("sbtClosePoly");
  EXPECT_TRUE(w.Called("code 3"));
  Get<QAction>("mnuCircleCtDia")->trigger();
  Click("SpeedButton6");
  EXPECT_TRUE(w.Called("code 2"));
}

TEST_F(CadCommandsTest, TrimFromTheMenuTrimsTwoLinesWhateverTheFilletRadius) {
  testing_support::RecordingMain& w = StartShown();
  Get<QLineEdit>("txtRaccordo")->setText("3");
  const int32_t a = AddLine(0, 0, 100, 0), b = AddLine(50, -50, 50, 50);
  Get<QAction>("mnuTrim")->trigger();
  ClickDrawing({{20.0, 0.0}, {50.0, 30.0}});
  EXPECT_FALSE(w.LocalPrg().IsBusy());
  auto end = [&](int32_t id, int index) {
    return cad::CartesianPoint2D(cad::DrawingPoint2D(*dynamic_cast<cad::TPrimitive2D*>(Cad().GetObject(id)), index));
  };
  EXPECT_NEAR(end(a, 1).X, 50, 1e-9);
  EXPECT_NEAR(end(a, 1).Y, 0, 1e-9);
  EXPECT_NEAR(end(b, 0).X, 50, 1e-9);
  EXPECT_NEAR(end(b, 0).Y, 0, 1e-9);
  // The fillet radius of the page is the program's again for the next fillet.
  Get<QLineEdit>("txtRaccordo")->setText("2");
  EXPECT_DOUBLE_EQ(w.Construction().FilletRadius, 2.0);
}

// Fillet rounds the corner with the page's radius, even after a Trim set the program's to 0, and
// waits for the next corner until its page is closed.
TEST_F(CadCommandsTest, FilletRoundsTwoCrossingLinesWithThePageRadius) {
  testing_support::RecordingMain& w = StartShown();
  Get<QLineEdit>("txtRaccordo")->setText("2");
  const int32_t a = AddLine(0, 0, 100, 0), b = AddLine(50, -50, 50, 50);
  Get<QAction>("mnuTrim")->trigger();
  w.FormKeyPress(Qt::Key_Escape);
  ASSERT_DOUBLE_EQ(w.Construction().FilletRadius, 0.0);
  Get<QAction>("mnuFillet")->trigger();
  EXPECT_EQ(w.InteractionMode(), 14);
  ClickDrawing({{20.0, 0.0}, {50.0, 30.0}});
  auto end = [&](int32_t id, int index) {
    return cad::CartesianPoint2D(cad::DrawingPoint2D(*dynamic_cast<cad::TPrimitive2D*>(Cad().GetObject(id)), index));
  };
  EXPECT_NEAR(end(a, 1).X, 48, 1e-9);
  EXPECT_NEAR(end(a, 1).Y, 0, 1e-9);
  EXPECT_NEAR(end(b, 0).X, 50, 1e-9);
  EXPECT_NEAR(end(b, 0).Y, 2, 1e-9);
  std::vector<cad::TArcPoints> arcs;
  auto objects = Cad().ObjectsIterator();
  for (cad::TGraphicObject* o = objects->First(); o; o = objects->Next())
    if (cad::TArcPoints arc; cad::ReadArc2D(*static_cast<cad::TObject2D*>(o), arc)) arcs.push_back(arc);
  objects.reset();
  ASSERT_EQ(arcs.size(), 1u);
  EXPECT_NEAR(arcs[0].Radius, 2, 1e-9);
  EXPECT_NEAR(arcs[0].Centre.X, 48, 1e-9);
  EXPECT_NEAR(arcs[0].Centre.Y, 2, 1e-9);
  // Tangent: each end of the arc is an end of a line, the radius there square to the line.
  EXPECT_NEAR(cad::PointDistance2D(arcs[0].StartPoint, end(a, 1)), 0, 1e-9);
  EXPECT_NEAR(cad::PointDistance2D(arcs[0].EndPoint, end(b, 0)), 0, 1e-9);
  EXPECT_NEAR(arcs[0].StartPoint.X - arcs[0].Centre.X, 0, 1e-9) << "radius square to the horizontal line";
  EXPECT_NEAR(arcs[0].EndPoint.Y - arcs[0].Centre.Y, 0, 1e-9) << "radius square to the vertical line";
  QCoreApplication::processEvents();
  EXPECT_TRUE(w.LocalPrg().IsBusy()) << "waiting for the next corner";
  EXPECT_TRUE(w.CommandActive());
  Click("sbtCloseFillet");
  EXPECT_FALSE(w.LocalPrg().IsBusy());
}

// A construction's failure text goes once the next action succeeds or another command starts; until
// then it stands, also while the fillet waits for its next corner.
TEST_F(CadCommandsTest, AFailureTextGoesWithTheNextSuccessOrCommand) {
  const struct {
    const char* what;
    std::function<void()> next;
  } rows[] = {
      {"a fillet that succeeds", [this] { ClickDrawing({{20.0, 0.0}, {50.0, 30.0}}); }},
      {"another command", [this] { Get<QAction>("mnuTrim")->trigger(); }},
      {"the fillet page closed", [this] { Click("sbtCloseFillet"); }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    StartShown();
    Get<QLineEdit>("txtRaccordo")->setText("2");
    AddLine(0, 0, 100, 0);
    AddLine(50, -50, 50, 50);
    // Two circles too far apart for the radius.
    Cad().AddObject(-1, std::make_unique<cad::TCerchio2D>(-1, cad::Point2D(20, 60), cad::Point2D(25, 60)));
    Cad().AddObject(-1, std::make_unique<cad::TCerchio2D>(-1, cad::Point2D(80, 60), cad::Point2D(85, 60)));
    Get<QAction>("mnuFillet")->trigger();
    ClickDrawing({{25.0, 60.0}, {85.0, 60.0}});
    QCoreApplication::processEvents();
    ASSERT_EQ(Status(), cad::kNoTangentArcText);
    EXPECT_TRUE(main_->CommandActive()) << "the fillet waits for the next corner";
    row.next();
    QCoreApplication::processEvents();
    EXPECT_NE(Status(), cad::kNoTangentArcText);
  }
}

// Offset: the picked line's copy at the page's distance, on its left; Flip puts it on the right, and
// a distance typed while it shows moves it there.
TEST_F(CadCommandsTest, OffsetCopiesAPickedLineAtTheDistance) {
  testing_support::RecordingMain& w = StartShown();
  const int32_t line = AddLine(0, 0, 100, 0);
  Cad().GetObject(line)->Layer = 2;
  struct Row {
    const char* distance;
    bool flip;
    const char* typedAfterPick;  // none: nullptr
    double y;
  };
  const Row rows[] = {{"2", false, nullptr, 2}, {"2", true, nullptr, -2}, {"1", false, "3", 3}, {"1", false, "1e39", 1}};
  int objects = Cad().NumObjects();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.y);
    Get<QLineEdit>("txtOffsetDist")->setText(row.distance);
    Get<QAction>("mnuOffset")->trigger();
    EXPECT_EQ(w.InteractionMode(), 20);
    ClickDrawing({{50.0, 0.0}});
    EXPECT_EQ(Cad().NumObjects(), objects) << "only shown until Done";
    if (row.flip) Click("sbtFlipOffset");
    if (row.typedAfterPick) Get<QLineEdit>("txtOffsetDist")->setText(row.typedAfterPick);
    Click("sbtOffsetOk");
    QCoreApplication::processEvents();
    ASSERT_EQ(Cad().NumObjects(), ++objects);
    EXPECT_FALSE(w.CommandActive()) << "Done ends the offset";
    EXPECT_FALSE(w.LocalPrg().IsBusy());
    cad::TGraphicObject* last = LastObject();
    ASSERT_NE(last, nullptr);
    EXPECT_NEAR(FirstPoint(last->ID).X, 0, 1e-9);
    EXPECT_NEAR(FirstPoint(last->ID).Y, row.y, 1e-6);
    EXPECT_EQ(last->Layer, 2) << "on the source's layer";
  }
  EXPECT_NEAR(FirstPoint(line).Y, 0, 1e-9) << "the source stays";
}

// A circle too small for an inward distance shows no copy and says so, and Done adds nothing; the
// side flipped back shows the copy again without the message, and Done adds it.
TEST_F(CadCommandsTest, OffsetOfACircleInwardBeyondItsRadius) {
  testing_support::RecordingMain& w = StartShown();
  const int32_t circle = Cad().AddObject(-1, std::make_unique<cad::TCerchio2D>(-1, cad::Point2D(50, 50), cad::Point2D(60, 50)))->ID;
  const int objects = Cad().NumObjects();
  Get<QLineEdit>("txtOffsetDist")->setText("-15");
  Get<QAction>("mnuOffset")->trigger();
  ClickDrawing({{60.0, 50.0}});
  EXPECT_EQ(Status(), cad::kOffsetTooLargeText);
  Click("sbtOffsetOk");
  EXPECT_EQ(Cad().NumObjects(), objects);
  EXPECT_TRUE(w.CommandActive()) << "waits for another distance";
  Click("sbtFlipOffset");
  EXPECT_NE(Status(), cad::kOffsetTooLargeText) << "the copy shows again";
  Click("sbtOffsetOk");
  QCoreApplication::processEvents();
  ASSERT_EQ(Cad().NumObjects(), objects + 1);
  EXPECT_FALSE(w.CommandActive());
  cad::TArcPoints copy;
  cad::TGraphicObject* last = LastObject();
  ASSERT_TRUE(last && last->ID != circle && cad::ReadCircle2D(*dynamic_cast<cad::TObject2D*>(last), copy));
  EXPECT_NEAR(copy.Radius, 25, 1e-6);
}

// Extend lengthens the first line picked up to the second; Change Layer puts each picked object on
// the current layer until Esc.
TEST_F(CadCommandsTest, ExtendAndChangeLayerWorkOnPickedObjects) {
  testing_support::RecordingMain& w = StartShown();
  const int32_t a = AddLine(0, 0, 40, 0), wall = AddLine(60, -30, 60, 30);
  Get<QAction>("mnuExtend")->trigger();
  EXPECT_EQ(w.InteractionMode(), 17);
  ClickDrawing({{20.0, 0.0}, {60.0, 20.0}});
  QCoreApplication::processEvents();
  auto end = [&](int32_t id, int index) {
    return cad::CartesianPoint2D(cad::DrawingPoint2D(*dynamic_cast<cad::TPrimitive2D*>(Cad().GetObject(id)), index));
  };
  EXPECT_NEAR(end(a, 1).X, 60, 1e-9);
  EXPECT_NEAR(end(a, 1).Y, 0, 1e-9);
  EXPECT_NEAR(end(wall, 0).Y, -30, 1e-9) << "the line reached stays whole";
  EXPECT_FALSE(w.CommandActive()) << "one extend is the whole command";

  const int32_t other = AddLine(0, 60, 40, 60);
  Get<QComboBox>("cboCurrentLayer")->setCurrentIndex(5);
  ASSERT_EQ(w.CurrentLayer(), 5);
  Get<QAction>("mnuChangeLayer")->trigger();
  EXPECT_EQ(w.InteractionMode(), 19);
  ClickDrawing({{20.0, 0.0}});
  QCoreApplication::processEvents();
  ClickDrawing({{60.0, 20.0}});
  QCoreApplication::processEvents();
  EXPECT_TRUE(w.LocalPrg().IsBusy()) << "waiting for the next pick";
  w.FormKeyPress(Qt::Key_Escape);
  EXPECT_EQ(Cad().GetObject(a)->Layer, 5);
  EXPECT_EQ(Cad().GetObject(wall)->Layer, 5);
  EXPECT_NE(Cad().GetObject(other)->Layer, 5);
}

// Whatever way a command ends, the column shows the pages it found, and a command page never takes
// their place in the remembered set.
TEST_F(CadCommandsTest, EveryCommandEndsWithThePagesItFound) {
  testing_support::RecordingMain& w = StartShown();
  Open(picture_);
  const std::vector<int> wizard = w.RememberedPages();
  ASSERT_EQ(wizard.size(), 6u);
  const std::vector<int> before = ShownPages();
  ASSERT_EQ(before, wizard);
  // The user has gone on to the second page: every end comes back to it, not to the first.
  main_->PageControl()->SetActivePageIndex(wizard[1]);
  // Lines away from the picture, for the commands that end on picks of their own.
  AddLine(100, 100, 140, 100);
  AddLine(160, 80, 160, 140);
  w.VistaGrafica().ShowWindowRect(cad::Rect2D(-10, -10, 200, 200));
  Get<QLineEdit>("txtOffsetDist")->setText("2");
  enum class End { Esc, Cancel, Close, Done, Picks };
  struct Row {
    const char* start;  // a menu entry or a button
    End end;
    const char* button;  // Close or Done
    std::vector<std::pair<double, double>> picks;  // clicked on the drawing before the end
  };
  const std::vector<std::pair<double, double>> onLine = {{120, 100}}, onBoth = {{120, 100}, {160, 120}};
  const Row rows[] = {
      {"mnuTrim", End::Esc, nullptr, {}},          {"mnuBreak", End::Cancel, nullptr, {}},
      {"mnuMoveNode", End::Esc, nullptr, {}},      {"mnuLineTangent2Arc", End::Cancel, nullptr, {}},
      {"mnuArcTangent", End::Close, "SpeedButton20", {}},
      {"mnuFillet", End::Close, "sbtCloseFillet", {}}, {"mnuMirror", End::Close, "sbtCloseMirror", {}},
      {"mnuScale", End::Done, "SpeedButton3", {}}, {"mnuRotate", End::Close, "sbtCloseRotate", {}},
      {"mnuTranslate", End::Done, "sbtTranslateOk", {}}, {"mnuOffset", End::Close, "sbtCloseOffset", {}},
      {"mnuDeleteSmall", End::Close, "sbtCloseDelSmall", {}},
      {"sbtSetting", End::Close, "sbtCloseSettings", {}}, {"mnuTranslate", End::Esc, nullptr, {}},
      {"mnuFillet", End::Esc, nullptr, {}},        {"mnuFillet", End::Cancel, nullptr, onLine},
      {"mnuFillet", End::Close, "sbtCloseFillet", onBoth},
      {"mnuExtend", End::Esc, nullptr, {}},        {"mnuExtend", End::Cancel, nullptr, onLine},
      {"mnuExtend", End::Picks, nullptr, onBoth},  {"mnuChangeLayer", End::Esc, nullptr, onLine},
      {"mnuChangeLayer", End::Cancel, nullptr, {}}, {"mnuOffset", End::Esc, nullptr, onLine},
      {"mnuOffset", End::Cancel, nullptr, {}},     {"mnuOffset", End::Done, "sbtOffsetOk", onLine},
      {"mnuLinePerp", End::Esc, nullptr, onLine},  {"mnuLinePerp", End::Cancel, nullptr, {}},
      {"mnuLinePerp", End::Picks, nullptr, {{120, 100}, {130, 120}}},
      // Last: it mirrors the lines away.
      {"mnuMirror", End::Done, "sbtMirrorAll", {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.start) + " " + std::to_string(static_cast<int>(row.end)));
    if (row.start[0] == 'm') {
      Get<QAction>(row.start)->trigger();
    } else {
      Click(row.start);
    }
    // Change Layer and Line Perpend. leave the pages as they are; the others show their own page or none.
    if (std::string(row.start) != "mnuChangeLayer" && std::string(row.start) != "mnuLinePerp") {
      EXPECT_NE(ShownPages(), before);
    }
    EXPECT_EQ(w.RememberedPages(), wizard);
    ClickDrawing(row.picks);
    QCoreApplication::processEvents();
    if (row.end != End::Picks) {
      EXPECT_TRUE(w.CommandActive()) << "the picks do not end it";
    }
    switch (row.end) {
      case End::Picks:
        break;
      case End::Esc:
        w.FormKeyPress(Qt::Key_Escape);
        break;
      case End::Cancel:
        Get<QAction>("btnCancel")->trigger();
        break;
      case End::Close:
      case End::Done:
        Click(row.button);
        break;
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(ShownPages(), before);
    EXPECT_EQ(main_->ActivePage(), wizard[1]);
    EXPECT_FALSE(w.LocalPrg().IsBusy());
    EXPECT_FALSE(w.CommandActive());
    EXPECT_TRUE(Get<QWidget>("pnlTbr2")->isEnabled());
  }
  // Every command page offers its way out.
  for (int page : {4, 9, 10, 13, 18, 22, 25, 28, 36, 37, 38, 39, 40, 41}) {
    bool closes = false;
    for (QPushButton* b : main_->PageControl()->Page(page)->findChildren<QPushButton*>())
      closes = closes || b->text() == "Close";
    EXPECT_TRUE(closes) << "page " << page;
  }
}

// The drawing commands pick on the 2D view: while the relief shows they are out of reach, and the
// way back to the 2D pages gives them back.
TEST_F(CadCommandsTest, TheDrawingToolBarRestsWhileThe3DViewShows) {
  testing_support::RecordingMain& w = Start();
  w.real2D = true;
  Open(picture_);
  ASSERT_TRUE(Get<QWidget>("pnlTbr2")->isEnabled());
  Click("sbtNextB1");
  Click("sbtNextB2");
  ASSERT_TRUE(w.Mode3D());
  EXPECT_FALSE(Get<QWidget>("pnlTbr2")->isEnabled());
  const std::vector<int> pages = w.RememberedPages();
  Get<QAction>("mnuTrim")->trigger();
  EXPECT_FALSE(w.LocalPrg().IsBusy());
  EXPECT_FALSE(main_->PageControl()->isHidden()) << "the cutting pages stay";
  EXPECT_EQ(w.RememberedPages(), pages);
  Click("sbtPrevB3");
  EXPECT_FALSE(w.Mode3D());
  EXPECT_TRUE(Get<QWidget>("pnlTbr2")->isEnabled());
}

// A transform page picks one object after another until its Done.
TEST_F(CadCommandsTest, TranslateMovesEveryPickedObject) {
  testing_support::RecordingMain& w = StartShown();
  const int32_t a = AddLine(0, 0, 40, 0), b = AddLine(0, 30, 40, 30);
  Get<QAction>("mnuTranslate")->trigger();
  ClickDrawing({{20.0, 0.0}, {20.0, 30.0}});
  EXPECT_EQ(w.PickedObjects(), (std::vector<int32_t>{a, b}));
  Get<QLineEdit>("txtTransDx")->setText("5");
  Get<QLineEdit>("txtTransDy")->setText("1");
  Click("sbtTranslateOk");
  EXPECT_NEAR(FirstPoint(a).X, 5, 1e-9);
  EXPECT_NEAR(FirstPoint(a).Y, 1, 1e-9);
  EXPECT_NEAR(FirstPoint(b).X, 5, 1e-9);
  EXPECT_NEAR(FirstPoint(b).Y, 31, 1e-9);
  QCoreApplication::processEvents();
  EXPECT_FALSE(w.LocalPrg().IsBusy()) << "Done ends the picking";
}

// Delete takes each picked object away until Esc; Undelete brings the last Delete's objects back.
TEST_F(CadCommandsTest, DeleteThenUndelete) {
  testing_support::RecordingMain& w = StartShown();
  const int32_t a = AddLine(0, 0, 40, 0), b = AddLine(0, 30, 40, 30), keep = AddLine(0, 60, 40, 60);
  Cad().GetObject(b)->Layer = 3;
  Get<QAction>("mnuDelete")->trigger();
  ClickDrawing({{20.0, 0.0}, {20.0, 30.0}});
  EXPECT_EQ(Cad().GetObject(a), nullptr);
  EXPECT_EQ(Cad().GetObject(b), nullptr);
  ASSERT_NE(Cad().GetObject(keep), nullptr);
  EXPECT_TRUE(w.LocalPrg().IsBusy()) << "waiting for the next pick";
  w.FormKeyPress(Qt::Key_Escape);
  EXPECT_FALSE(w.LocalPrg().IsBusy());
  Get<QAction>("mnuUndelete")->trigger();
  ASSERT_EQ(Cad().NumObjects(), 3);
  std::vector<std::pair<double, int>> back;  // first point's Y and layer of each object
  auto objects = Cad().ObjectsIterator();
  for (cad::TGraphicObject* o = objects->First(); o; o = objects->Next()) back.push_back({FirstPoint(o->ID).Y, o->Layer});
  objects.reset();
  EXPECT_EQ(back, (std::vector<std::pair<double, int>>{{60, Cad().GetObject(keep)->Layer}, {0, back[1].second}, {30, 3}}));
  // A second Undelete has nothing left to bring.
  Get<QAction>("mnuUndelete")->trigger();
  EXPECT_EQ(Cad().NumObjects(), 3);
}

// What Delete took belongs to its job: after Open, Undelete brings nothing of it into the next one.
TEST_F(CadCommandsTest, UndeleteAfterOpenBringsNothingOfTheJobBefore) {
  testing_support::RecordingMain& w = StartShown();
  Open(picture_);
  AddLine(0, 0, 40, 0);
  Get<QAction>("mnuDelete")->trigger();
  ClickDrawing({{20.0, 0.0}});
  w.FormKeyPress(Qt::Key_Escape);
  ASSERT_EQ(Cad().NumObjects(), 1) << "the picture alone";
  dialogs_.answers = {platform::Answer::Yes};
  Open(picture_);
  ASSERT_TRUE(HasBitmap());
  Get<QAction>("mnuUndelete")->trigger();
  EXPECT_EQ(Cad().NumObjects(), 1);
}

// The mouse wheel zooms the 2D view: forward in, back out.
TEST_F(CadCommandsTest, TheWheelZoomsThe2DView) {
  testing_support::RecordingMain& w = StartShown();
  cad::TKQViewport2D& view = w.VistaGrafica();
  auto width = [&] { return std::abs(view.VisibleWindow().Second.X - view.VisibleWindow().First.X); };
  auto wheel = [&](int delta) {
    const QPoint at(view.width() / 2, view.height() / 2);
    QWheelEvent event(at, view.mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&view, &event);
  };
  const double before = width();
  wheel(120);
  EXPECT_LT(width(), before);
  wheel(-120);
  wheel(-120);
  EXPECT_GT(width(), before);
}

// Line Perpend. and "1 entity + center point" on the real view: the object, then the point; the
// line ends its command, the circle's page picks the next object; a point with nothing to draw is
// said in the status line; Esc at any step leaves the drawing as it was and gives the wizard back.
TEST_F(CadCommandsTest, PerpendicularLineAndTouchingCircleFromAPickAndAPoint) {
  enum class Made { Nothing, Line, Circle };
  struct Row {
    const char* what;
    bool circle;  // "1 entity + center point", else Line Perpend.
    std::vector<std::pair<double, double>> clicks;
    bool esc;
    Made made;
    bool active;  // the command still runs at the end
    bool busy;    // and waits for a click
    std::string status;
  };
  const std::string beyond = cad::FootFailureText(cad::TFootFailure::BeyondTheEnds);
  const std::string pick = cad::FootFailureText(cad::TFootFailure::NoLineOrArc);
  const Row rows[] = {
      {"the perpendicular line", false, {{20, 0}, {30, 15}}, false, Made::Line, false, false, ""},
      {"the touching circle", true, {{20, 0}, {30, 15}}, false, Made::Circle, true, true, pick},
      {"Esc after the pick", false, {{20, 0}}, true, Made::Nothing, false, false, ""},
      {"Esc after the pick of the circle", true, {{20, 0}}, true, Made::Nothing, false, false, ""},
      {"a foot beyond the line's ends", false, {{20, 0}, {130, 15}}, false, Made::Nothing, true, true, beyond},
      {"a foot beyond, then Esc", false, {{20, 0}, {130, 15}}, true, Made::Nothing, false, false, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    testing_support::RecordingMain& w = StartShown();
    const int32_t line = AddLine(0, 0, 100, 0);
    w.VistaGrafica().ShowWindowRect(cad::Rect2D(-10, -40, 150, 60));
    const std::vector<int> pages = ShownPages();
    if (row.circle) {
      StartTouchingCircle();
    } else {
      Get<QAction>("mnuLinePerp")->trigger();
    }
    ASSERT_TRUE(w.LocalPrg().IsBusy());
    EXPECT_EQ(Status(), pick) << "the pick asks for the object";
    ClickDrawing(row.clicks);
    if (row.esc) w.FormKeyPress(Qt::Key_Escape);
    QCoreApplication::processEvents();
    EXPECT_EQ(w.CommandActive(), row.active);
    EXPECT_EQ(w.LocalPrg().IsBusy(), row.busy);
    EXPECT_EQ(Status(), row.status);
    if (!row.active) {
      EXPECT_EQ(ShownPages(), pages) << "the wizard back";
    }
    ASSERT_EQ(Cad().NumObjects(), row.made == Made::Nothing ? 1 : 2);
    EXPECT_NEAR(FirstPoint(line).X, 0, 1e-9) << "the picked line as it was";
    if (row.made == Made::Nothing) continue;
    auto* made = dynamic_cast<cad::TPrimitive2D*>(LastObject());
    ASSERT_NE(made, nullptr);
    const cad::TPoint2D p0 = cad::CartesianPoint2D(cad::DrawingPoint2D(*made, 0));
    const cad::TPoint2D p1 = cad::CartesianPoint2D(cad::DrawingPoint2D(*made, 1));
    // The point is the clicked one, as near as a pixel of the view takes it.
    EXPECT_NEAR(p0.X, 30, 0.5);
    EXPECT_NEAR(p0.Y, 15, 0.5);
    if (row.made == Made::Line) {
      ASSERT_NE(dynamic_cast<cad::TLine2D*>(made), nullptr);
      EXPECT_NEAR(p1.X, p0.X, 1e-9) << "perpendicular";
      EXPECT_NEAR(p1.Y, 0, 1e-9) << "ends on the line";
    } else {
      ASSERT_NE(dynamic_cast<cad::TCerchio2D*>(made), nullptr);
      EXPECT_NEAR(std::hypot(p1.X - p0.X, p1.Y - p0.Y), p0.Y, 1e-9) << "touches the line";
    }
  }
}

// Over the wizard's page, the status line after every step of the two constructions shows what is
// true then: the prompt where the command goes on (the touching circle draws one after another), a
// refusal until the next point that works, the page's own text once the command has ended.
TEST_F(CadCommandsTest, TheStatusLineFollowsTheConstructionsStepByStep) {
  struct Step {
    const char* what;
    std::function<void()> act;
    std::string status;  // the status line after the step
    bool busy;           // something waits for a click
    int objects;         // in the drawing (the picture is one)
  };
  const std::string pick = cad::FootFailureText(cad::TFootFailure::NoLineOrArc);
  const std::string onIt = cad::FootFailureText(cad::TFootFailure::OnTheObject);
  const std::string linePoint = cad::PointPromptText(cad::TPointConstruction::PerpendicularLine);
  const std::string circleCentre = cad::PointPromptText(cad::TPointConstruction::TouchingCircle);
  const std::string arcPage = lang::PageMessage(38);  // the tangent arc page's own text
  const std::string wizard = "page 44: size";
  // A pixel beside the drawn line at (x, 0), above it on the screen.
  auto besideTheLine = [this](double x) {
    cad::TKQViewport2D& view = main_->VistaGrafica();
    const QPoint at = Pixel(x, 0) - QPoint(0, 1);
    QTest::mouseMove(&view, at);
    QTest::mouseClick(&view, Qt::LeftButton, {}, at);
    QCoreApplication::processEvents();
  };
  auto click = [this](double x, double y) { return [this, x, y] { ClickDrawing({{x, y}}); }; };
  auto esc = [this] { main_->FormKeyPress(Qt::Key_Escape); };
  const struct {
    const char* what;
    std::vector<Step> steps;
  } rows[] = {
      {"Line Perpend.",
       {{"started", [this] { Get<QAction>("mnuLinePerp")->trigger(); }, pick, true, 2},
        {"the line picked", click(20, 0), linePoint, true, 2},
        {"a click a pixel off the line", [&] { besideTheLine(30); }, onIt, true, 2},
        {"a point that works", click(30, 15), wizard, false, 3}}},
      {"the touching circle, one after another, then Esc",
       {{"started", [this] { StartTouchingCircle(); }, pick, true, 2},
        {"the line picked", click(20, 0), circleCentre, true, 2},
        {"a click a pixel off the line", [&] { besideTheLine(40); }, onIt, true, 2},
        {"the first circle", click(30, 15), pick, true, 3},
        {"the line picked again", click(60, 0), circleCentre, true, 3},
        {"the second circle", click(70, -10), pick, true, 4},
        {"Esc", esc, wizard, false, 4}}},
      {"the touching circle, then two entities",
       {{"started", [this] { StartTouchingCircle(); }, pick, true, 2},
        {"the line picked", click(20, 0), circleCentre, true, 2},
        {"two entities chosen", [this] { Click("rbtTanTo2"); }, arcPage, true, 2},
        {"Esc", esc, wizard, false, 2}}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    testing_support::RecordingMain& w = StartShown();
    Open(picture_);
    AddLine(0, 0, 100, 0);
    w.VistaGrafica().ShowWindowRect(cad::Rect2D(-10, -40, 150, 60));
    ASSERT_EQ(Status(), wizard);
    for (const Step& step : row.steps) {
      SCOPED_TRACE(step.what);
      step.act();
      QCoreApplication::processEvents();
      EXPECT_EQ(Status(), step.status);
      EXPECT_EQ(w.LocalPrg().IsBusy(), step.busy);
      EXPECT_EQ(Cad().NumObjects(), step.objects);
    }
  }
}

// An arc or circle scaled unevenly is drawn as an ellipse: the constructions refuse it and pick
// again. A line scaled beyond what a construction on it can hold gives nothing that is not a number.
TEST_F(CadCommandsTest, EllipsesAndLinesTooLongAreRefusedWithAMessage) {
  const struct {
    const char* what;
    bool circle;  // a circle scaled 2 x 1, else a line scaled 1e300 times
    const char* command;
    std::vector<std::pair<double, double>> clicks;
    std::string status;
  } rows[] = {
      {"Line Perpend. on an ellipse", true, "mnuLinePerp", {{10, 0}},
       cad::FootFailureText(cad::TFootFailure::Ellipse)},
      {"the touching circle on an ellipse", true, "rbtTanTo1", {{10, 0}},
       cad::FootFailureText(cad::TFootFailure::Ellipse)},
      {"Line Perpend. on a line too long", false, "mnuLinePerp", {{20, 0}, {30, 15}},
       cad::FootFailureText(cad::TFootFailure::NotFinite)},
      {"the touching circle on a line too long", false, "rbtTanTo1", {{20, 0}, {30, 15}},
       cad::FootFailureText(cad::TFootFailure::NotFinite)},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    testing_support::RecordingMain& w = StartShown();
    const int32_t id = row.circle
                           ? Cad().AddObject(-1, std::make_unique<cad::TCerchio2D>(-1, cad::Point2D(0, 0), cad::Point2D(5, 0)))->ID
                           : AddLine(0, 0, 10, 0);
    // As the Scale page does it.
    const int32_t ids[] = {id};
    app::TransformObjectsRepeated(Cad(), ids, row.circle ? cad::Scale2D(2, 1) : cad::Scale2D(1e300, 1e300), false, 1);
    w.VistaGrafica().ShowWindowRect(cad::Rect2D(-20, -40, 140, 60));
    if (std::string(row.command) == "rbtTanTo1") StartTouchingCircle();
    else Get<QAction>(row.command)->trigger();
    ClickDrawing(row.clicks);
    QCoreApplication::processEvents();
    EXPECT_EQ(Status(), row.status);
    EXPECT_TRUE(w.LocalPrg().IsBusy()) << "waits for another object or point";
    EXPECT_EQ(Cad().NumObjects(), 1) << "nothing added";
    w.FormKeyPress(Qt::Key_Escape);
    EXPECT_FALSE(w.LocalPrg().IsBusy());
    EXPECT_EQ(Cad().NumObjects(), 1);
  }
}

}  // namespace
