// The image pages of the main window: opening pictures, size, image edits, reference point, depth.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>

#include "app/key_filters.h"
#include "cad/primitives2d.h"
#include "machining/image_helpers.h"
#include "main_window_fixture.h"

namespace {

using testing_support::MainWindowTest;
using testing_support::RecordingMain;

class ImagePagesTest : public MainWindowTest {
 protected:
  QLineEdit* Field(const char* name) const { return Get<QLineEdit>(name); }
  QString TreeRow(int row) const { return Get<QTreeWidget>("treInfoRas")->topLevelItem(0)->child(row)->text(0); }
  std::string Fixture(const std::string& name) {
    const std::string target = dir_.File("pictures/" + name);
    std::filesystem::create_directories(dir_.File("pictures"));
    std::filesystem::copy_file(std::string(VELKORA_SOURCE_DIR) + "/tests/platform/fixtures/" + name, target,
                               std::filesystem::copy_options::overwrite_existing);
    return target;
  }
  // Types into a field as the user does (the key filters apply).
  void Type(const char* name, const char* keys) {
    QLineEdit* field = Field(name);
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, keys);
  }
};

TEST_F(ImagePagesTest, OpeningPicturesOfEveryFormat) {
  RecordingMain& w = Start();
  const struct {
    std::string file;
    int workingBits;
    const char* depth;
    const char* width;
    const char* height;
    const char* resolution;
  } cases[] = {
      {WritePicture("pictures/wide.bmp", 400, 300), 24, "Depth: 24 bit", "399.000", "299.000", "Resolution: 0"},
      {Fixture("im_1bit.bmp"), 8, "Depth: 1 bit", "8.000", "2.000", "Resolution: 0"},
      {Fixture("im_4bit.bmp"), 8, "Depth: 4 bit", "6.000", "4.000", "Resolution: 0"},
      {Fixture("im_16bit.bmp"), 24, "Depth: 16 bit", "6.000", "4.000", "Resolution: 0"},
      {Fixture("im_24bit.bmp"), 24, "Depth: 24 bit", "0.508", "0.339", "Resolution: 300"},  // 6 / 300 inch
      {Fixture("im_300dpi.jpg"), 24, "Depth: 24 bit", "0.508", "0.339", "Resolution: 300"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    dialogs_.answers = {platform::Answer::Yes};
    dialogs_.messages.clear();
    Open(c.file);
    // Only the question of discarding the picture before (none before the first).
    ASSERT_EQ(dialogs_.messages.size(), w.WorkingBitmap() && &c != cases ? 1u : 0u);
    if (!dialogs_.messages.empty()) {
      EXPECT_EQ(dialogs_.messages[0].text, "Discard the job?");
    }
    ASSERT_NE(w.WorkingBitmap(), nullptr);
    EXPECT_EQ(w.WorkingBitmap()->BitsPerPixel(), c.workingBits) << "1/4 bits become 8, 16 bits 24";
    EXPECT_EQ(Field("txtVecLarg")->text(), c.width);
    EXPECT_EQ(Field("txtVecAlt")->text(), c.height);
    EXPECT_EQ(TreeRow(0), "File: " + QString::fromStdString(std::filesystem::path(c.file).filename().string()));
    EXPECT_EQ(TreeRow(1), "Width: " + QString::number(w.WorkingBitmap()->Width()));
    EXPECT_EQ(TreeRow(2), "Height: " + QString::number(w.WorkingBitmap()->Height()));
    EXPECT_EQ(TreeRow(3), c.depth);
    EXPECT_EQ(TreeRow(4), c.resolution);
    EXPECT_TRUE(Get<QTreeWidget>("treInfoRas")->topLevelItem(0)->isExpanded());
    EXPECT_EQ(w.RememberedPages(), (std::vector<int>{44, 45, 46, 47, 48, 49}));
    EXPECT_EQ(Page(), app::kPageDimension);
    EXPECT_EQ(Status(), "page 44: size");
    EXPECT_FALSE(Enabled("sbtDimApply"));
    EXPECT_TRUE(Enabled("sbtNextB1"));
    EXPECT_TRUE(Get<QRadioButton>("rbtOrigine1")->isChecked());
    EXPECT_EQ(w.Count("zoom extent"), 1) << "placed alone on layer 0 and zoomed to";
    EXPECT_EQ(w.CurrentLayer(), 1) << "drawing goes to layer 1";
    EXPECT_EQ(Get<QComboBox>("cboCurrentLayer")->currentIndex(), 1);
    w.calls.clear();
  }
  // A two-colour picture's white and black become the white and black depths.
  dialogs_.answers = {platform::Answer::Yes};
  Open(Fixture("im_1bit.bmp"));
  const platform::Bitmap source = platform::ReadBmpFile(dir_.File("pictures/im_1bit.bmp"));
  Click("sbtNextB1");
  Click("sbtNextB2");
  for (int y = 0; y < source.Height(); ++y)
    for (int x = 0; x < source.Width(); ++x)
      EXPECT_EQ(w.Relief().grid.At(x, source.Height() - 1 - y), source.Pixel(x, y).red ? 0.0f : -5.0f) << x << "," << y;

  // Any other type: "401", and the job stays as it was (no question of discarding it either).
  const std::string title = w.windowTitle().toStdString();
  dialogs_.messages.clear();
  Open(dir_.File("x.gif"));
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_EQ(dialogs_.messages[0].text, "cannot open this");
  EXPECT_EQ(dialogs_.messages[0].kind, platform::MessageKind::Warning);
  EXPECT_EQ(w.WorkingBitmap()->Width(), 9);
  EXPECT_EQ(w.windowTitle().toStdString(), title);
  EXPECT_EQ(Page(), app::kPageDepth);
}

TEST_F(ImagePagesTest, SizeFieldsKeepRatioAndRefuseWhatIsNoSize) {
  RecordingMain& w = Start();
  Open(WritePicture("pictures/wide.bmp", 400, 300));
  Click("sbtNextB1");
  Click("rbtOrigine3");
  ASSERT_TRUE(Enabled("sbtNextB2"));
  Click("sbtPrevB2");

  Type("txtVecLarg", "200");
  EXPECT_EQ(Field("txtVecAlt")->text(), "150.000") << "keep ratio: 200 / 400 x 300";
  EXPECT_FLOAT_EQ(w.Relief().height, 150.0f);
  EXPECT_FLOAT_EQ(w.Relief().unitsPerPixel, 200.0f / 399.0f);
  EXPECT_TRUE(Enabled("sbtDimApply"));
  EXPECT_FALSE(Enabled("sbtNextB1"));
  EXPECT_FALSE(Get<QRadioButton>("rbtOrigine3")->isChecked()) << "a new size asks for the reference point again";
  EXPECT_FALSE(Enabled("sbtNextB2"));
  EXPECT_TRUE(w.Relief().gridStale);

  // Neither "." nor "0" nor a cut-off "-" is a size: Apply and Next stay off and nothing changes.
  for (const char* typed : {".", "0", "0.0", "-3", "1e999"}) {
    Field("txtVecLarg")->setText(typed);
    EXPECT_FALSE(Enabled("sbtDimApply")) << typed;
    EXPECT_FALSE(Enabled("sbtNextB1")) << typed;
    EXPECT_FLOAT_EQ(w.Relief().width, 200.0f) << typed;
    EXPECT_EQ(Field("txtVecAlt")->text(), "150.000") << typed;
  }
  Type("txtVecLarg", "-a");
  EXPECT_EQ(Field("txtVecLarg")->text(), "") << "the key filter lets no sign or letter in";

  // Without the ratio, one field changes alone; Enter places the picture.
  Get<QCheckBox>("chkRatio")->setChecked(false);
  Type("txtVecAlt", "100");
  EXPECT_FALSE(Enabled("sbtDimApply")) << "the width field is still empty";
  Type("txtVecLarg", "300");
  EXPECT_TRUE(Enabled("sbtDimApply"));
  EXPECT_EQ(Field("txtVecAlt")->text(), "100");
  w.calls.clear();
  QTest::keyClick(Field("txtVecLarg"), Qt::Key_Return);
  EXPECT_TRUE(w.Called("zoom extent")) << "placed again";
  EXPECT_TRUE(Enabled("sbtNextB1"));
  EXPECT_FALSE(Enabled("sbtDimApply"));
  EXPECT_FLOAT_EQ(w.Relief().width, 300.0f);
  // One pitch both ways: a typed height the relief cannot make gives way to the one it makes.
  EXPECT_FLOAT_EQ(w.Relief().height, 300.0f / 399.0f * 299.0f);
  EXPECT_EQ(Field("txtVecAlt")->text(), "224.812");

  // Ticking the ratio again brings the height back in proportion; Apply places the picture.
  Click("chkRatio");
  EXPECT_EQ(Field("txtVecAlt")->text(), "225.000");
  Type("txtVecLarg", "40");
  w.calls.clear();
  Click("sbtDimApply");
  EXPECT_TRUE(w.Called("zoom extent"));
  EXPECT_TRUE(Enabled("sbtNextB1"));
}

// Leaving a size field takes the size as Enter does, so Next comes back without a key.
TEST_F(ImagePagesTest, LeavingASizeFieldTakesTheSize) {
  testing_support::RecordingMain& w = Start();
  w.show();
  QApplication::setActiveWindow(&w);
  Open(picture_);
  // Passing through a field without changing it leaves the drawing as it is.
  const int objects = w.LocalCad().NumObjects();
  w.LocalCad().AddObject(-1, std::make_unique<cad::TLine2D>(-1, cad::Point2D(0, 0), cad::Point2D(5, 5)));
  Field("txtVecLarg")->setFocus();
  ASSERT_TRUE(QTest::qWaitFor([&] { return Field("txtVecLarg")->hasFocus(); }));
  Field("txtOriginX")->setFocus();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !Field("txtVecLarg")->hasFocus(); }));
  EXPECT_EQ(w.LocalCad().NumObjects(), objects + 1) << "the drawn line is still there";
  // The first size taken places the picture again: the drawn line is asked about, and let go.
  dialogs_.answers = {platform::Answer::No};
  for (const char* name : {"txtVecLarg", "txtVecAlt"}) {
    SCOPED_TRACE(name);
    QLineEdit* field = Field(name);
    field->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return field->hasFocus(); }));
    field->selectAll();
    QTest::keyClicks(field, "120");
    EXPECT_FALSE(Enabled("sbtNextB1"));
    Field("txtOriginX")->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !field->hasFocus(); }));
    EXPECT_TRUE(Enabled("sbtNextB1"));
    EXPECT_FALSE(Enabled("sbtDimApply"));
  }
  // The height fitted to one pitch of the picture, as Enter fits it.
  EXPECT_NEAR(w.Relief().height, 120.0f, w.Relief().unitsPerPixel);
}

TEST_F(ImagePagesTest, ReferencePointCodesFieldsAndPickedPoint) {
  RecordingMain& w = Start();
  Open(WritePicture("pictures/small.bmp", 101, 51));  // 100 x 50 units
  Click("sbtNextB1");
  w.calls.clear();
  Click("rbtOrigine0");
  EXPECT_EQ(w.ReferenceCode(), 5);
  EXPECT_EQ(Field("txtOriginX")->text(), "50");
  EXPECT_EQ(Field("txtOriginY")->text(), "25");
  EXPECT_EQ(w.Relief().originX, -50.0f);
  EXPECT_TRUE(w.Called("translate -50.000000 -25.000000"));
  EXPECT_TRUE(Enabled("sbtNextB2"));
  EXPECT_FALSE(Enabled("sbtSave"));
  const double windowX = w.View2D().windowX1;
  Click("rbtOrigine3");
  EXPECT_EQ(w.calls.back(), "translate -50.000000 -25.000000") << "from the centre to the upper right";
  EXPECT_EQ(w.View2D().windowX1, windowX - 50.0) << "the view's window moves with the picture";
  EXPECT_EQ(Field("txtOriginX")->text(), "100");

  // Typing an origin clears the choice; Apply (or Enter) takes it.
  Type("txtOriginX", "-12.5");
  EXPECT_FALSE(Get<QRadioButton>("rbtOrigine3")->isChecked());
  EXPECT_FALSE(Enabled("sbtNextB2"));
  EXPECT_TRUE(Enabled("sbtOrigineApply"));
  Type("txtOriginY", "-");
  Click("sbtOrigineApply");
  EXPECT_FALSE(Enabled("sbtNextB2")) << "a lone \"-\" is no origin";
  Type("txtOriginY", "3");
  Click("sbtOrigineApply");
  EXPECT_EQ(w.Relief().originX, 12.5f);
  EXPECT_EQ(w.Relief().originY, -3.0f);
  EXPECT_EQ(w.Relief().gridOriginX, 12.5f) << "the relief box follows";
  EXPECT_TRUE(Enabled("sbtNextB2"));
  EXPECT_FALSE(Enabled("sbtOrigineApply"));

  // A point picked in the view becomes the origin once the pick is armed; a running operation wins.
  Click("sbtSetOrigin");
  ASSERT_TRUE(w.OriginPickArmed());
  w.operationRunning = true;
  w.VistaGraficaMouseDown2D({20.0, 7.0, 0, 0, true, false, false});
  EXPECT_TRUE(w.OriginPickArmed());
  w.operationRunning = false;
  w.VistaGraficaMouseDown2D({20.0, 7.0, 0, 0, true, false, false});
  EXPECT_FALSE(w.OriginPickArmed());
  EXPECT_EQ(w.Relief().originX, -7.5f);
  EXPECT_EQ(w.Relief().originY, -10.0f);
  EXPECT_EQ(Field("txtOriginX")->text(), "7.500");
  EXPECT_EQ(Field("txtOriginY")->text(), "10.000");
  EXPECT_EQ(w.calls.back(), "translate -20.000000 -7.000000");
  EXPECT_FALSE(Enabled("sbtNextB2")) << "to be applied";
}

TEST_F(ImagePagesTest, DepthFieldsAndWhenTheReliefIsRebuilt) {
  RecordingMain& w = Start();
  Open(picture_);
  Click("sbtNextB1");
  Click("sbtNextB2");
  ASSERT_EQ(w.Count("3D autozoom"), 1) << "built once";
  Click("sbtNextB3");
  dialogs_.fileNames.clear();
  Click("sbtPrevB4");

  // A lone "-" (or ".") is no depth yet: nothing changes.
  for (const char* typed : {"-", ".", ""}) {
    Field("txtWhiteD")->setText(typed);
    EXPECT_EQ(w.Relief().zWhite, 0.0f) << typed;
    EXPECT_TRUE(Enabled("sbtNextB3")) << typed;
    EXPECT_FALSE(Enabled("sbtProfApply")) << typed;
  }
  // Page 3 to 2 to 3 without a change: no new relief.
  Click("sbtPrevB3");
  Click("sbtNextB2");
  EXPECT_EQ(w.Count("3D autozoom"), 1);
  // A depth: stale until applied.
  Type("txtBlackD", "-2");
  EXPECT_EQ(w.Relief().zBlack, -2.0f);
  EXPECT_FALSE(Enabled("sbtNextB3"));
  EXPECT_FALSE(Enabled("sbtSave"));
  Click("sbtProfApply");
  EXPECT_FLOAT_EQ(w.Relief().grid.At(39, 0), -2.0f);
  EXPECT_TRUE(Enabled("sbtNextB3"));
  // A resolution choice asks for Apply again.
  Click("rbtShResCoarse");
  EXPECT_FALSE(Enabled("sbtNextB3"));
  EXPECT_TRUE(Enabled("sbtProfApply"));
  Click("sbtProfApply");

  // A flip makes the relief stale: the way back and forth rebuilds it, mirrored.
  Click("sbtPrevB3");
  Click("sbtPrevB2");
  Click("sbtModify");
  EXPECT_EQ(w.calls.back(), "crop rectangle");
  EXPECT_EQ(Status(), "page 43: image");
  Click("sbtFlipH");
  EXPECT_TRUE(w.Relief().gridStale);
  EXPECT_FALSE(Enabled("sbtSave"));
  Click("sbtNextB0");
  Click("sbtNextB1");
  Click("rbtOrigine1");
  Click("sbtNextB2");
  EXPECT_EQ(w.Count("3D autozoom"), 2);
  EXPECT_FLOAT_EQ(w.Relief().grid.At(0, 0), -2.0f) << "black now on the left";
  EXPECT_FLOAT_EQ(w.Relief().grid.At(39, 0), 0.0f);
}

TEST_F(ImagePagesTest, ImageEditsAndTheCrop) {
  RecordingMain& w = Start();
  platform::Bitmap picture(6, 4, 24);  // each pixel's red is its column, green its line
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) picture.SetPixel(x, y, platform::Rgb(uint8_t(x), uint8_t(y), 9));
  Open(WriteBitmap("pictures/edit.bmp", picture));
  Click("sbtModify");
  auto pixel = [&](int x, int y) {
    const platform::RgbQuad p = w.WorkingBitmap()->Pixel(x, y);
    return std::pair<int, int>(p.red, p.green);
  };
  EXPECT_FALSE(Enabled("sbtCutSel")) << "no rectangle yet";

  Click("sbtFlipH");
  EXPECT_EQ(pixel(0, 0), std::pair(5, 0));
  Click("sbtFlipV");
  EXPECT_EQ(pixel(0, 0), std::pair(5, 3));
  Click("sbtRotate");
  EXPECT_EQ(w.WorkingBitmap()->Width(), 4);
  EXPECT_EQ(w.WorkingBitmap()->Height(), 6);
  EXPECT_EQ(Field("txtVecLarg")->text(), "3.000");
  EXPECT_EQ(Field("txtVecAlt")->text(), "5.000");
  EXPECT_EQ(TreeRow(1), "Width: 4");
  EXPECT_EQ(w.Relief().columns, 4);
  Click("sbtRotate");  // back to 6 x 4, turned half round: as flipped both ways again
  Click("sbtRotate");
  Click("sbtRotate");
  EXPECT_EQ(pixel(0, 0), std::pair(5, 3));

  // A rectangle from (1, 3) to (4, 1) in drawing units (1 unit a pixel): 3 x 2 pixels.
  w.InfoCut(1.0, 3.0, 4.0, 1.0);
  EXPECT_EQ(Field("txtCutDx")->text(), "3");
  EXPECT_EQ(Field("txtPixelH")->text(), "2");
  EXPECT_FALSE(Enabled("sbtCutSel")) << "until the second corner is placed";
  w.SetCropAreaReady(true);
  Click("sbtCutSel");
  ASSERT_TRUE(dialogs_.messages.empty()) << dialogs_.messages.front().text;
  ASSERT_EQ(w.WorkingBitmap()->Width(), 3);
  ASSERT_EQ(w.WorkingBitmap()->Height(), 2);
  // Column 1, line 4 - 3 = 1 of the flipped picture.
  EXPECT_EQ(pixel(0, 0), std::pair(4, 2));
  EXPECT_EQ(TreeRow(1), "Width: 3");
  EXPECT_EQ(Field("txtVecLarg")->text(), "2.000");
  EXPECT_TRUE(Get<QRadioButton>("rbtOrigine1")->isChecked());
  EXPECT_EQ(w.Relief().originX, 0.0f);
  EXPECT_FALSE(Enabled("sbtCutSel"));
  EXPECT_FALSE(w.CropAreaReady());

  // Rectangles outside the picture or under 2 x 2 pixels are refused and change nothing.
  for (auto [x1, y1, x2, y2] : {std::tuple{10.0, 10.0, 12.0, 12.0}, std::tuple{0.0, 1.0, 1.0, 0.0},
                                std::tuple{-5.0, 1.0, -1.0, -3.0}}) {
    dialogs_.messages.clear();
    w.InfoCut(x1, y1, x2, y2);
    w.SetCropAreaReady(true);
    Click("sbtCutSel");
    ASSERT_EQ(dialogs_.messages.size(), 1u) << x1;
    EXPECT_EQ(dialogs_.messages[0].kind, platform::MessageKind::Warning);
    EXPECT_EQ(w.WorkingBitmap()->Width(), 3) << x1;
    EXPECT_FALSE(Enabled("sbtCutSel"));
  }

  // Grey: 8 bits, the tree says so, and the Cut button waits for a new rectangle.
  w.SetCropAreaReady(true);
  Click("sbt2Gray");
  EXPECT_EQ(w.WorkingBitmap()->BitsPerPixel(), 8);
  EXPECT_EQ(TreeRow(3), "Depth: 8 bit");
  EXPECT_FALSE(Enabled("sbtCutSel"));
  EXPECT_TRUE(w.Relief().gridStale);
  Click("sbtNextB0");
  EXPECT_EQ(w.calls.back(), "code 2");
  EXPECT_EQ(w.RememberedPages(), std::vector<int>{app::kPageDimension});
}

TEST(KeyFilters, WhatEachFieldLetsIn) {
  const struct {
    bool (*filter)(QChar);
    const char* accepted;
    const char* refused;
  } cases[] = {
      {app::SoloNumeriInteri, "0123456789\b", ".-+ae,\r"},
      {app::SoloNumeriPos, "0123456789.\b", "-+ae,\r"},
      {app::SoloNumeriPosEEnter, "0123456789.\b\r", "-+ae,"},
      {app::SoloNumeriEMeno, "0123456789.-\b", "+ae,\r"},
      {app::SoloNumeriEMenoEEnter, "0123456789.-\b\r", "+ae,"},
  };
  for (const auto& c : cases) {
    for (const char* k = c.accepted; *k; ++k) EXPECT_TRUE(c.filter(QChar(*k))) << int(*k);
    for (const char* k = c.refused; *k; ++k) EXPECT_FALSE(c.filter(QChar(*k))) << int(*k);
  }
}

}  // namespace
