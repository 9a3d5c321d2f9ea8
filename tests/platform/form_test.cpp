#include "platform/form.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <memory>

#include "platform/dialogs.h"
#include "platform/qt_dialogs.h"

namespace {

using platform::FormBase;

// A widget of our own that publishes its caption as a property, which wins over the Qt mapping.
class CaptionedPanel : public QWidget {
  Q_OBJECT
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)

 public:
  using QWidget::QWidget;
  QString Caption() const { return caption_; }
  void SetCaption(const QString& caption) { caption_ = caption; }

 private:
  QString caption_;
};

TEST(Form, RegistryKeepsCreationOrderAndNames) {
  platform::Form form("frmProbe");
  auto* label = form.Add(new QLabel(&form), "lblOne");
  auto* edit = form.Add(new QLineEdit(&form), "txtTwo");
  auto* action = form.Add(new QAction(&form), "actThree");
  auto* doomed = form.Add(new QPushButton(&form), "sbtFour");

  EXPECT_EQ(form.objectName(), "frmProbe");
  EXPECT_EQ(form.Name(), "frmProbe");
  EXPECT_EQ(label->objectName(), "lblOne");
  ASSERT_EQ(form.Components().size(), 4u);
  EXPECT_EQ(form.Components()[0], label);
  EXPECT_EQ(form.Components()[1], edit);
  EXPECT_EQ(form.Components()[2], action);
  EXPECT_EQ(form.Find<QLineEdit>("txtTwo"), edit);
  EXPECT_EQ(form.Find<QLabel>("txtTwo"), nullptr) << "wrong kind answers null";
  EXPECT_EQ(form.FindComponent("nothing"), nullptr);

  delete doomed;
  EXPECT_EQ(form.Components().size(), 3u) << "a deleted component leaves the registry";
}

TEST(Form, LiveFormsInCreationOrder) {
  size_t before = FormBase::AllForms().size();
  auto first = std::make_unique<platform::MainForm>("frmFirst");
  auto second = std::make_unique<platform::DialogForm>("frmSecond");
  {
    platform::Form third("frmThird");
    auto all = FormBase::AllForms();
    ASSERT_EQ(all.size(), before + 3);
    EXPECT_EQ(all[before], first.get());
    EXPECT_EQ(all[before + 1], second.get());
    EXPECT_EQ(all[before + 2], &third);
    EXPECT_EQ(FormBase::FindForm("frmThird"), &third);
  }
  EXPECT_EQ(FormBase::AllForms().size(), before + 2) << "a destroyed window leaves the list";
  EXPECT_EQ(FormBase::FindForm("frmThird"), nullptr);
  first.reset();
  EXPECT_EQ(FormBase::AllForms().size(), before + 1);
  EXPECT_EQ(FormBase::AllForms()[before], second.get());
}

TEST(Form, CaptionAndHintMapOntoQt) {
  platform::Form form("frmProbe");
  auto* button = form.Add(new QPushButton(&form), "btnGo");
  auto* check = form.Add(new QCheckBox(&form), "chkOn");
  auto* radio = form.Add(new QRadioButton(&form), "rbtA");
  auto* label = form.Add(new QLabel(&form), "lblA");
  auto* group = form.Add(new QGroupBox(&form), "grpA");
  auto* radios = form.Add(new platform::RadioGroup(&form), "rgpA");
  auto* action = form.Add(new QAction(&form), "mnuA");
  auto* menu = form.Add(new QMenu(&form), "mnuFile");
  auto* edit = form.Add(new QLineEdit(&form), "txtA");
  auto* tabs = new QTabWidget(&form);
  auto* page = form.Add(new QWidget, "tabFirst");
  tabs->addTab(page, "old");
  auto* timer = form.Add(new QTimer(&form), "tmrA");
  auto* panel = form.Add(new QWidget(&form), "pnlA");
  auto* own = form.Add(new CaptionedPanel(&form), "pnlOwn");

  EXPECT_TRUE(platform::SetStringProperty(&form, "Caption", "Window"));
  EXPECT_EQ(form.windowTitle(), "Window");
  EXPECT_TRUE(platform::SetStringProperty(button, "Caption", "Go"));
  EXPECT_EQ(button->text(), "Go");
  EXPECT_TRUE(platform::SetStringProperty(check, "Caption", "On"));
  EXPECT_EQ(check->text(), "On");
  EXPECT_TRUE(platform::SetStringProperty(radio, "Caption", "A"));
  EXPECT_EQ(radio->text(), "A");
  EXPECT_TRUE(platform::SetStringProperty(label, "Caption", "Label"));
  EXPECT_EQ(label->text(), "Label");
  EXPECT_TRUE(platform::SetStringProperty(group, "Caption", "Group"));
  EXPECT_EQ(group->title(), "Group");
  EXPECT_TRUE(platform::SetStringProperty(radios, "Caption", "Radios"));
  EXPECT_EQ(radios->title(), "Radios");
  EXPECT_TRUE(platform::SetStringProperty(action, "Caption", "&Open"));
  EXPECT_EQ(action->text(), "&Open");
  EXPECT_TRUE(platform::SetStringProperty(menu, "Caption", "&File"));
  EXPECT_EQ(menu->title(), "&File");
  EXPECT_TRUE(platform::SetStringProperty(page, "Caption", "Dimension"));
  EXPECT_EQ(tabs->tabText(0), "Dimension");
  EXPECT_EQ(platform::StringProperty(page, "Caption"), "Dimension");
  EXPECT_TRUE(platform::SetStringProperty(own, "Caption", "Own"));
  EXPECT_EQ(own->Caption(), "Own");
  EXPECT_EQ(platform::StringProperty(own, "Caption"), "Own");

  // Kinds without a caption: an edit field, a panel, a timer; nothing changes.
  EXPECT_FALSE(platform::SetStringProperty(edit, "Caption", "x"));
  EXPECT_EQ(edit->text(), "");
  EXPECT_FALSE(platform::SetStringProperty(panel, "Caption", "x"));
  EXPECT_EQ(panel->windowTitle(), "");
  EXPECT_FALSE(platform::SetStringProperty(timer, "Caption", "x"));
  EXPECT_FALSE(platform::SetStringProperty(timer, "Hint", "x"));
  EXPECT_FALSE(platform::SetStringProperty(button, "Color", "x")) << "only Caption and Hint are strings here";
  EXPECT_TRUE(platform::StringProperty(edit, "Caption").isNull());

  EXPECT_TRUE(platform::SetStringProperty(edit, "Hint", "Type here"));
  EXPECT_EQ(edit->toolTip(), "Type here");
  EXPECT_TRUE(platform::SetStringProperty(action, "Hint", "Opens"));
  EXPECT_EQ(action->toolTip(), "Opens");
  EXPECT_EQ(platform::StringProperty(button, "Caption"), "Go");
}

TEST(Form, RadioGroupAndComboItems) {
  platform::Form form("frmProbe");
  auto* radios = form.Add(new platform::RadioGroup(&form), "rgpType");
  radios->SetItems({"Flat", "Bull-nose", "Spherical"});
  auto* combo = form.Add(new QComboBox(&form), "cboUnit");
  combo->addItems({"mm", "inch"});

  EXPECT_EQ(platform::ItemCount(radios), 3);
  EXPECT_EQ(platform::ItemCount(combo), 2);
  EXPECT_EQ(platform::ItemCount(&form), -1);
  EXPECT_EQ(radios->ItemIndex(), -1);

  int reported = -2;
  QObject::connect(radios, &platform::RadioGroup::ItemIndexChanged, [&](int i) { reported = i; });
  radios->SetItemIndex(1);
  EXPECT_EQ(radios->ItemIndex(), 1);
  EXPECT_EQ(reported, 1);
  EXPECT_TRUE(radios->Button(1)->isChecked());
  radios->Button(2)->click();
  EXPECT_EQ(radios->ItemIndex(), 2);
  EXPECT_EQ(reported, 2) << "a click is reported";
  radios->SetItemIndex(-1);
  EXPECT_EQ(radios->ItemIndex(), -1);
  EXPECT_FALSE(radios->Button(2)->isChecked());

  EXPECT_TRUE(platform::SetItemText(radios, 2, "Ball"));
  EXPECT_EQ(radios->Item(2), "Ball");
  EXPECT_FALSE(platform::SetItemText(radios, 3, "x"));
  EXPECT_FALSE(platform::SetItemText(radios, -1, "x"));
  EXPECT_EQ(radios->Count(), 3) << "no item is added";
  EXPECT_TRUE(platform::SetItemText(combo, 1, "Inch"));
  EXPECT_EQ(platform::ItemText(combo, 1), "Inch");
  EXPECT_FALSE(platform::SetItemText(combo, 2, "x"));
  EXPECT_EQ(combo->count(), 2);

  radios->SetColumns(2);
  EXPECT_EQ(radios->Columns(), 2);
  radios->SetColumns(0);
  EXPECT_EQ(radios->Columns(), 1);
}

// A row of a label, an edit and a button in a 300-pixel panel, laid out again for texts of each length.
TEST(Form, RowsWidenTheirTextsAndTheOthersGiveWay) {
  struct Case {
    const char* what;
    const char* label;
    const char* button;
    int right;             // the row's right edge
    bool labelWhole;       // the label shows its whole text
    int editAtLeast;       // the edit keeps at least this width
    int editAtMost;
  };
  const Case cases[] = {
      {"short texts keep the designed row", "Tol", "Go", 300, true, 60, 60},
      {"room to the right: nothing else moves", "Tolerance of the cut", "Go", 400, true, 60, 60},
      {"the button and then the edit give way", "Tolerance of the cut", "Go", 205, true, 30, 59},
      {"no room at all: nothing passes the edge", "A label much longer than its field by far", "Regenerate now", 200,
       false, 30, 30},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    platform::Form form("frmRow");
    form.resize(c.right, 40);
    auto* label = form.Add(new QLabel(QString::fromUtf8(c.label), &form), "lbl");
    label->setGeometry(4, 4, 40, 22);
    platform::NoteDesignedGeometry(label);
    auto* edit = form.Add(new QLineEdit(&form), "txt");
    edit->setGeometry(46, 4, 60, 22);
    platform::NoteDesignedGeometry(edit);
    auto* button = form.Add(new QPushButton(QString::fromUtf8(c.button), &form), "btn");
    button->setGeometry(110, 4, 60, 22);
    platform::NoteDesignedGeometry(button);
    // Twice: a second fitting starts from the designed row again, so the result is the same.
    for (int pass = 0; pass < 2; ++pass) {
      const platform::RowControl row[] = {{label}, {edit, 30}, {button}};
      platform::FitRowToText(row, c.right);
      EXPECT_EQ(label->x(), 4);
      EXPECT_GE(label->width(), 40) << "never narrower than designed";
      EXPECT_EQ(label->width() >= label->sizeHint().width(), c.labelWhole);
      EXPECT_GE(edit->width(), c.editAtLeast);
      EXPECT_LE(edit->width(), c.editAtMost);
      EXPECT_EQ(edit->x(), label->geometry().right() + 1 + 2) << "the gap stays";
      EXPECT_EQ(button->x(), edit->geometry().right() + 1 + 4);
      EXPECT_LE(button->geometry().right() + 1, std::max(c.right, 170)) << "nothing passes the row's edge";
      EXPECT_GE(button->width(), std::min(60, platform::TextFitWidth(button))) << "a button keeps its text";
    }
  }
}

TEST(Form, ControlsWidenToTheirTextWhereTheirRowHasRoom) {
  platform::Form form("frmFit");
  form.resize(300, 100);
  auto* check = form.Add(new QCheckBox(QStringLiteral("A check box with a long text"), &form), "chk");
  check->setGeometry(4, 4, 40, 20);
  auto* button = form.Add(new QPushButton(QStringLiteral("A button with a long text"), &form), "btn");
  button->setGeometry(4, 30, 40, 24);
  auto* blocker = form.Add(new QLineEdit(&form), "txt");
  blocker->setGeometry(120, 30, 60, 24);
  auto* box = form.Add(new QComboBox(&form), "cbo");
  box->addItems({QStringLiteral("Flat"), QStringLiteral("An item longer than its box")});
  box->setGeometry(4, 60, 60, 22);
  auto* shortButton = form.Add(new QPushButton(QStringLiteral("Ok"), &form), "ok");
  shortButton->setGeometry(200, 60, 60, 22);
  platform::FitControlsToText(form);
  EXPECT_EQ(check->width(), check->sizeHint().width()) << "room to the window's edge";
  EXPECT_EQ(button->geometry().right(), 120 - 2 - 1) << "up to the widget beside it";
  EXPECT_GT(box->width(), 60);
  EXPECT_LE(box->geometry().right(), 200 - 2 - 1);
  EXPECT_EQ(shortButton->width(), 60) << "a text that shows leaves its control alone";
  EXPECT_GE(box->view()->minimumWidth(), box->fontMetrics().horizontalAdvance(box->itemText(1)))
      << "the open list shows the longest item";
}

TEST(Form, GuardShowsExceptionsInsteadOfLeaking) {
  platform::RecordingDialogs dialogs;
  platform::ScopedDialogs scope(&dialogs);
  EXPECT_FALSE(platform::RunGuarded([] { throw std::runtime_error("Disk full"); }));
  EXPECT_TRUE(platform::RunGuarded([] {}));
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text, "Disk full");
  EXPECT_EQ(dialogs.messages[0].kind, platform::MessageKind::Error);
}

}  // namespace

#include "form_test.moc"
