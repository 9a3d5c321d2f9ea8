#include "app/tool_window.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <filesystem>
#include <memory>
#include <set>

#include "app/tool_pictures.h"
#include "lang/lang.h"
#include "machining/tool_database.h"
#include "platform/binary_stream.h"
#include "platform/dialogs.h"
#include "scratch_dir.h"

namespace {

using app::TfrmTool;
using machining::TToolRecord;

const char kLanguage[] =
    "[frmTool]\n"
    "frmTool.Caption=Werkzeugdatenbank\n"
    "cboTipoUt.items[2]=Kugel\n"
    "sbtOk.Caption=OK!\n"
    "[String]\n"
    "718=Ball diameter\n"
    "719=Flat diameter\n"
    "750=Tool\n"
    "751=Tool database\n";

// A scratch folder, a language with the tool window's texts and scripted message boxes.
class ToolWindowTest : public ::testing::Test {
 protected:
  ToolWindowTest()
      : scopedLanguage_(&language_),
        scopedDialogs_(&dialogs_) {
    language_.LangIni = std::make_unique<platform::IniFile>();
    language_.LangIni->LoadFromText(kLanguage);
  }

  std::string DbPath() const { return dir_.File("Tool.db"); }

  void WriteTools(int count) {
    machining::ToolDatabase db(DbPath());
    for (int i = 1; i <= count; ++i) {
      TToolRecord r;
      r.toolNumber = i;
      r.spindleSpeed = 10000 + i;
      r.name = "tool " + std::to_string(i);
      r.toolType = i % 3;
      r.diameter = static_cast<float>(i) * 2.0f;
      r.cornerRadius = 0.5f;
      db.Add(r);
    }
  }

  template <class T>
  static T* Get(const TfrmTool& w, const char* name) {
    T* component = w.Find<T>(name);
    EXPECT_NE(component, nullptr) << name;
    return component;
  }

  static void Type(QWidget* field, const QString& keys) {
    for (QChar c : keys) {
      QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
      QApplication::sendEvent(field, &press);
    }
  }

  static void Select(const TfrmTool& w, int row) {
    Get<QListWidget>(w, "ListView1")->setCurrentRow(row);
  }

  testing_support::ScratchDir dir_{"toolwin"};
  lang::Language language_;
  lang::ScopedLanguage scopedLanguage_;
  platform::RecordingDialogs dialogs_;
  platform::ScopedDialogs scopedDialogs_;
};

TEST_F(ToolWindowTest, ComponentsTranslationAndMissingFile) {
  TfrmTool w(DbPath(), 0);
  EXPECT_TRUE(std::filesystem::exists(DbPath())) << "a missing Tool.db is created";
  EXPECT_EQ(std::filesystem::file_size(DbPath()), 0u);
  EXPECT_EQ(Get<QListWidget>(w, "ListView1")->count(), 0);
  EXPECT_TRUE(dialogs_.messages.empty());

  for (const char* name :
       {"ListView1", "UpDown1", "grpToolList", "grpToolInfo", "sedToolNum", "txtGiri", "txtFeedrate",
        "txtPlungeRate", "chkCoolant", "txtUtName", "cboTipoUt", "txtDiametro", "txtC_Raggio", "txtAngolo",
        "txtDiamFlat", "txtUtLen", "imgTool", "sbtOk", "bntCancel", "sbtAddTool", "sbtModify", "btnDelRecord",
        "lblC_Raggio", "lblAngolo", "lblDiamFlat"})
    EXPECT_NE(w.FindComponent(name), nullptr) << name;

  // Translated by component name from section frmTool.
  EXPECT_EQ(w.windowTitle(), "Werkzeugdatenbank");
  EXPECT_EQ(Get<QPushButton>(w, "sbtOk")->text(), "OK!");
  auto* type = Get<QComboBox>(w, "cboTipoUt");
  ASSERT_EQ(type->count(), 7);
  EXPECT_EQ(type->itemText(2), "Kugel");
  EXPECT_EQ(type->itemText(5), "Conical spherical");

  // Defaults of a new window.
  EXPECT_EQ(Get<QSpinBox>(w, "sedToolNum")->value(), 1);
  EXPECT_EQ(Get<QLineEdit>(w, "txtGiri")->text(), "1000");
  EXPECT_EQ(Get<QLineEdit>(w, "txtDiametro")->text(), "5");
  EXPECT_EQ(type->currentIndex(), 0);
}

TEST_F(ToolWindowTest, NoLanguageFileIsReportedOnce) {
  language_.LangIni.reset();
  TfrmTool w(DbPath(), 0);
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_NE(dialogs_.messages[0].text.find("Language file not found!"), std::string::npos);
  EXPECT_EQ(w.windowTitle(), "Tool database");
}

TEST_F(ToolWindowTest, AddModifyAndLongName) {
  TfrmTool w(DbPath(), 0);
  int changes = 0;
  QObject::connect(&w, &TfrmTool::ParametersChanged, [&] { ++changes; });
  Get<QLineEdit>(w, "txtUtName")->setText(QString(60, QChar('a')));
  EXPECT_GT(changes, 0) << "a field change marks the parameters changed";
  Get<QLineEdit>(w, "txtFeedrate")->setText("1250.5");
  Get<QCheckBox>(w, "chkCoolant")->setChecked(true);
  w.sbtAddToolClick();
  Get<QLineEdit>(w, "txtUtName")->setText("second");
  w.sbtAddToolClick();

  machining::ToolDatabase db(DbPath());
  auto all = db.ReadAll();
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0].name, std::string(50, 'a')) << "a 60-character name is stored as its first 50";
  EXPECT_EQ(all[0].feedRate, 1250.5f);
  EXPECT_TRUE(all[0].coolant);
  EXPECT_EQ(all[0].diameter, 5.0f);
  auto* list = Get<QListWidget>(w, "ListView1");
  ASSERT_EQ(list->count(), 2);
  EXPECT_EQ(list->item(1)->text(), "second");
  EXPECT_EQ(Get<QSpinBox>(w, "UpDown1")->maximum(), 1);

  // Modify without a selection changes nothing; with one it overwrites that record and its row.
  Get<QLineEdit>(w, "txtUtName")->setText("changed");
  w.sbtModifyClick();
  EXPECT_EQ(db.ReadAll(), all);
  Select(w, 0);
  w.sbtModifyClick();
  EXPECT_EQ(db.Read(0).name, "changed");
  EXPECT_EQ(list->item(0)->text(), "changed");
  // Names are Windows-1252 in the file: "–" and "€" survive, a character it lacks becomes '?'.
  Get<QLineEdit>(w, "txtUtName")->setText(QString::fromUtf8("Fr\u00E4ser \u2013 5 \u20AC \u2713"));
  w.sbtModifyClick();
  EXPECT_EQ(db.Read(0).name, "Fr\xE4ser \x96 5 \x80 ?");
  EXPECT_EQ(list->item(0)->text(), QString::fromUtf8("Fr\u00E4ser \u2013 5 \u20AC ?"));
  w.ListView1Click();
  EXPECT_EQ(Get<QLineEdit>(w, "txtUtName")->text(), QString::fromUtf8("Fr\u00E4ser \u2013 5 \u20AC ?"));
  Get<QLineEdit>(w, "txtUtName")->setText("changed");
  w.sbtModifyClick();

  // A field that is not a number: an error box, and the file stays as it was.
  const platform::Bytes before = platform::ReadFileBytes(DbPath());
  Get<QLineEdit>(w, "txtPlungeRate")->setText("");
  w.sbtAddToolClick();
  w.sbtModifyClick();
  EXPECT_EQ(dialogs_.messages.size(), 2u);
  EXPECT_EQ(platform::ReadFileBytes(DbPath()), before);
  EXPECT_EQ(list->count(), 2);
  // A diameter no cutter has (3e38 is a single still) is refused the same way, as the job takes it.
  Get<QLineEdit>(w, "txtPlungeRate")->setText("300");
  Get<QLineEdit>(w, "txtDiametro")->setText("3e38");
  w.sbtAddToolClick();
  ASSERT_EQ(dialogs_.messages.size(), 3u);
  EXPECT_NE(dialogs_.messages[2].text.find("no real cutter"), std::string::npos) << dialogs_.messages[2].text;
  EXPECT_THROW(w.ToolRecordFromFields(), platform::FormatError);
  EXPECT_EQ(platform::ReadFileBytes(DbPath()), before);
}

TEST_F(ToolWindowTest, ListClickDeleteAndMove) {
  WriteTools(3);
  TfrmTool w(DbPath(), 1);
  auto* list = Get<QListWidget>(w, "ListView1");
  ASSERT_EQ(list->count(), 3);
  EXPECT_EQ(Get<QLineEdit>(w, "txtUtName")->text(), "tool 2") << "the current tool fills the fields";
  EXPECT_EQ(Get<QLineEdit>(w, "txtDiametro")->text(), "4");
  EXPECT_EQ(Get<QSpinBox>(w, "UpDown1")->maximum(), 2);

  Select(w, 2);
  w.ListView1Click();
  EXPECT_EQ(w.CurrentToolIndex(), 2);
  EXPECT_EQ(Get<QLineEdit>(w, "txtGiri")->text(), "10003");
  EXPECT_EQ(Get<QSpinBox>(w, "UpDown1")->value(), 2);

  // Move: the selected row (2) changes place with the up-down's position (0); row 1 stays.
  const platform::Bytes before = platform::ReadFileBytes(DbPath());
  Get<QSpinBox>(w, "UpDown1")->setValue(0);
  const platform::Bytes moved = platform::ReadFileBytes(DbPath());
  ASSERT_EQ(moved.size(), 276u);
  EXPECT_TRUE(std::equal(moved.begin(), moved.begin() + 92, before.begin() + 184));
  EXPECT_TRUE(std::equal(moved.begin() + 92, moved.begin() + 184, before.begin() + 92));
  EXPECT_TRUE(std::equal(moved.begin() + 184, moved.end(), before.begin()));
  EXPECT_EQ(list->item(0)->text(), "tool 3");
  EXPECT_EQ(list->item(2)->text(), "tool 1");
  EXPECT_EQ(list->currentRow(), 0);
  // By its arrows: the up arrow moves the selected tool up the list, the down arrow down; the
  // control shows no number a user might take for a field.
  auto* upDown = Get<QSpinBox>(w, "UpDown1");
  EXPECT_FALSE(upDown->toolTip().isEmpty());
  Select(w, 2);
  w.ListView1Click();
  QTest::keyClick(upDown, Qt::Key_Up);
  EXPECT_EQ(list->item(1)->text(), "tool 1");
  EXPECT_EQ(list->item(2)->text(), "tool 2");
  EXPECT_EQ(list->currentRow(), 1);
  EXPECT_TRUE(upDown->findChild<QLineEdit*>()->text().isEmpty());
  QTest::keyClick(upDown, Qt::Key_Up);
  QTest::keyClick(upDown, Qt::Key_Up);
  EXPECT_EQ(list->item(0)->text(), "tool 1") << "the top stops it";
  EXPECT_EQ(list->item(1)->text(), "tool 3");
  QTest::keyClick(upDown, Qt::Key_Down);
  EXPECT_EQ(list->item(0)->text(), "tool 3");
  EXPECT_EQ(list->item(1)->text(), "tool 1");
  EXPECT_EQ(list->currentRow(), 1);
  QTest::keyClick(upDown, Qt::Key_Down);
  EXPECT_EQ(list->item(2)->text(), "tool 1") << "back where the arrows found it";
  Select(w, 0);
  w.ListView1Click();

  // Delete the first of the three: the former second and third remain.
  Select(w, 0);
  w.btnDelRecordClick();
  machining::ToolDatabase db(DbPath());
  EXPECT_EQ(std::filesystem::file_size(DbPath()), 184u);
  auto all = db.ReadAll();
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0].name, "tool 2");
  EXPECT_EQ(all[1].name, "tool 1");
  EXPECT_EQ(list->count(), 2);
  EXPECT_TRUE(Get<QLineEdit>(w, "txtUtName")->text().isEmpty());
  EXPECT_TRUE(Get<QLineEdit>(w, "txtGiri")->text().isEmpty());
  EXPECT_EQ(Get<QSpinBox>(w, "UpDown1")->maximum(), 1);

  // Without a selection neither delete nor move touches the file.
  list->clearSelection();
  const platform::Bytes now = platform::ReadFileBytes(DbPath());
  w.btnDelRecordClick();
  Get<QSpinBox>(w, "UpDown1")->setValue(1);
  EXPECT_EQ(platform::ReadFileBytes(DbPath()), now);
}

TEST_F(ToolWindowTest, TypeFieldsAndSphericalRadius) {
  TfrmTool w(DbPath(), 0);
  QWidget* info = Get<QWidget>(w, "grpToolInfo");
  auto* corner = Get<QLineEdit>(w, "txtC_Raggio");
  auto* angle = Get<QLineEdit>(w, "txtAngolo");
  auto* flat = Get<QLineEdit>(w, "txtDiamFlat");
  auto* type = Get<QComboBox>(w, "cboTipoUt");
  auto shown = [&](QWidget* widget) { return widget->isVisibleTo(info); };

  EXPECT_FALSE(shown(corner) || shown(angle) || shown(flat)) << "flat tool";
  type->setCurrentIndex(2);
  Get<QLineEdit>(w, "txtDiametro")->setText("6");
  EXPECT_EQ(corner->text(), "3");
  EXPECT_TRUE(shown(corner));
  EXPECT_FALSE(corner->isEnabled());
  Get<QLineEdit>(w, "txtDiametro")->setText("2.5");
  EXPECT_EQ(corner->text(), "1.25");

  type->setCurrentIndex(1);
  EXPECT_TRUE(shown(corner) && corner->isEnabled());
  EXPECT_FALSE(shown(angle) || shown(flat));
  type->setCurrentIndex(3);
  EXPECT_FALSE(shown(corner));
  EXPECT_TRUE(shown(angle) && shown(flat));
  EXPECT_EQ(Get<QLabel>(w, "lblDiamFlat")->text(), "Flat diameter");
  type->setCurrentIndex(5);
  EXPECT_EQ(Get<QLabel>(w, "lblDiamFlat")->text(), "Ball diameter");
  type->setCurrentIndex(6);
  EXPECT_TRUE(shown(angle) && shown(flat)) << "undefined keeps what was shown";
  type->setCurrentIndex(4);
  EXPECT_FALSE(shown(corner) || shown(angle) || shown(flat));

  // The probes' shape reads only the fields the type uses.
  type->setCurrentIndex(3);
  angle->setText("30");
  flat->setText("1.5");
  corner->setText("");
  const machining::ToolShape shape = w.ToolShapeFromFields();
  EXPECT_EQ(shape.toolType, 3);
  EXPECT_DOUBLE_EQ(shape.diameter, 2.5);
  EXPECT_DOUBLE_EQ(shape.taperAngle, 30.0);
  EXPECT_DOUBLE_EQ(shape.flatDiameter, 1.5);
}

TEST_F(ToolWindowTest, CompactAndFullLayouts) {
  TfrmTool w(DbPath(), 0);
  w.SetCompactMode(true);
  w.FormShow();
  EXPECT_EQ(w.windowTitle(), "Tool");
  EXPECT_EQ(w.width(), 268);
  EXPECT_EQ(Get<QWidget>(w, "grpToolInfo")->x(), 5);
  EXPECT_EQ(Get<QWidget>(w, "sbtOk")->x(), 78);
  EXPECT_EQ(Get<QWidget>(w, "bntCancel")->x(), 178);
  EXPECT_FALSE(Get<QWidget>(w, "grpToolList")->isVisibleTo(&w));
  EXPECT_FALSE(Get<QWidget>(w, "sbtAddTool")->isVisibleTo(&w));
  EXPECT_FALSE(Get<QWidget>(w, "sbtModify")->isVisibleTo(&w));

  w.SetCompactMode(false);
  w.FormShow();
  EXPECT_EQ(w.windowTitle(), "Tool database");
  EXPECT_EQ(w.width(), 494);
  EXPECT_EQ(Get<QWidget>(w, "grpToolInfo")->x(), 230);
  EXPECT_EQ(Get<QWidget>(w, "sbtOk")->x(), 304);
  EXPECT_EQ(Get<QWidget>(w, "bntCancel")->x(), 404);
  EXPECT_TRUE(Get<QWidget>(w, "grpToolList")->isVisibleTo(&w));
  EXPECT_TRUE(Get<QWidget>(w, "sbtAddTool")->isVisibleTo(&w));
  EXPECT_LE(Get<QWidget>(w, "grpToolInfo")->geometry().right(), 494);

  // Ok and Cancel set and clear the confirmed flag; showing clears it.
  w.show();
  w.sbtOkClick();
  EXPECT_TRUE(w.Confirmed());
  w.show();
  EXPECT_FALSE(w.Confirmed());
  w.bntCancelClick();
  EXPECT_FALSE(w.Confirmed());
}

TEST_F(ToolWindowTest, FocusFlagSelectsTheCurrentTool) {
  WriteTools(3);
  TfrmTool w(DbPath(), 2);
  w.SetFocusListOnShow(true);
  w.FormShow();
  EXPECT_EQ(Get<QListWidget>(w, "ListView1")->currentRow(), 2);
}

TEST_F(ToolWindowTest, KeyFilters) {
  TfrmTool w(DbPath(), 0);
  auto* speed = Get<QLineEdit>(w, "txtGiri");
  speed->clear();
  Type(speed, "12a.3-");
  EXPECT_EQ(speed->text(), "123");
  auto* feed = Get<QLineEdit>(w, "txtFeedrate");
  feed->clear();
  Type(feed, "1,5.x25-");
  EXPECT_EQ(feed->text(), "15.25");
  auto* name = Get<QLineEdit>(w, "txtUtName");
  Type(name, "V-bit 60");
  EXPECT_EQ(name->text(), "V-bit 60") << "the name takes any text";

  EXPECT_TRUE(app::SoloNumeriInteri(QChar(8)));
  EXPECT_FALSE(app::SoloNumeriInteri(QChar('.')));
  EXPECT_TRUE(app::SoloNumeriPos(QChar('.')));
  EXPECT_FALSE(app::SoloNumeriPos(QChar('-')));
}

TEST(ToolPictures, SevenDistinctPictures) {
  for (int t = 0; t < 7; ++t) {
    const QPixmap p = app::ToolPicture(t);
    ASSERT_FALSE(p.isNull()) << t;
    EXPECT_EQ(p.size(), QSize(90, 90));
    const QImage image = p.toImage();
    // Not a blank picture: the cutter is drawn in colour on white.
    EXPECT_NE(image.pixel(45, 60), QColor(Qt::white).rgb()) << t;
  }
  // Every type looks different from the flat tool somewhere near the tip.
  const QImage flat = app::ToolPicture(0).toImage();
  for (int t = 1; t < 7; ++t) EXPECT_NE(app::ToolPicture(t).toImage(), flat) << t;
  EXPECT_TRUE(app::ToolPicture(7).isNull());
  EXPECT_TRUE(app::ToolPicture(-1).isNull());
}

}  // namespace
