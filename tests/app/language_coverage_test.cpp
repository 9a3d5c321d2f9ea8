// Every text a window shows comes from the shipped english.lng: each caption, hint and list item of
// every window has its key, each key of a window section names a component that has that text, and
// a language that renames everything, followed by English again, brings every text back. A language
// made in the editor from english.lng with every value marked reaches every text the windows and the
// message boxes show, and a longer translation widens the labels where there is room.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QAbstractItemView>
#include <QPushButton>
#include <QStyle>
#include <QStyleOption>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTreeWidget>
#include <QTimer>
#include <functional>
#include <set>
#include <sstream>

#include "app/about_window.h"
#include "app/find_dialog.h"
#include "app/help_window.h"
#include "app/language_list_window.h"
#include "app/new_language_window.h"
#include "app/submit_language_window.h"
#include "cad/corner2d.h"
#include "cad/primitives2d.h"
#include "machining/calculate.h"
#include "machining/document_record.h"
#include "machining/post_processor.h"
#include "machining/relief.h"
#include "machining/tool_shape.h"
#include "main_window_fixture.h"
#include "platform/binary_stream.h"
#include "platform/bmp.h"
#include "platform/chm_file.h"
#include "platform/form.h"
#include "platform/numbers.h"
#include "platform/qt_dialogs.h"

namespace {

using testing_support::FileText;

// Components whose texts the program fills at run time (values, names, version) carry "nol_" in
// front of their names and are never translated; so are the status line (the pages' status texts)
// and the unit label (from the settings).
bool Untranslated(const QObject* component) {
  const QString name = component->objectName();
  return name.startsWith("nol_") || name == "pnlStatus2" || name == "nlblDimb";
}

// Lists of data rather than words: the drawing's layers and the standard colours.
bool ItemsAreData(const QObject* component) {
  const QString name = component->objectName();
  return name == "cboCurrentLayer" || name == "cboLayerColor" || name.startsWith("ColorBox");
}

int TextItemCount(const QObject* component) { return ItemsAreData(component) ? 0 : platform::ItemCount(component); }

struct ShownText {
  std::string section;
  std::string key;
  QString value;
};

// The program's windows, the language editor's included, with the shipped english.lng.
class ShippedLanguageTest : public testing_support::MainWindowTest {
 protected:
  void SetUp() override {
    english_ = FileText(std::string(VELKORA_SOURCE_DIR) + "/language/english.lng");
    ASSERT_FALSE(english_.empty());
    dir_.Write("language/english.lng", english_);
    Start();
    about_ = std::make_unique<app::TfrmAbout>();
    editor_ = std::make_unique<app::TfrmNewLang>();
    list_ = std::make_unique<app::TfrmEditLng>(editor_.get(), main_.get());
    submit_ = std::make_unique<app::TfrmSubmitLng>(main_.get());
    list_->SetSubmitWindow(submit_.get());
    ShowDialogs();
  }
  void TearDown() override {
    submit_.reset();
    list_.reset();
    editor_.reset();
    about_.reset();
  }

  std::vector<platform::FormBase*> Windows() const {
    return {main_.get(), tool_.get(), about_.get(), grid_.get(), stl_.get(), list_.get(), editor_.get(), submit_.get()};
  }
  // The dialogs translate themselves when they are shown.
  void ShowDialogs() {
    for (QWidget* dialog : {static_cast<QWidget*>(about_.get()), static_cast<QWidget*>(grid_.get()),
                            static_cast<QWidget*>(stl_.get()), static_cast<QWidget*>(list_.get()),
                            static_cast<QWidget*>(editor_.get()), static_cast<QWidget*>(submit_.get())}) {
      dialog->show();
      dialog->hide();
    }
  }
  // Chooses `language` in the settings tab's box, as the user does.
  void Choose(const char* language) {
    main_->DirLng();
    auto* box = Get<QComboBox>("nol_cboLang");
    const int index = box->findText(language);
    ASSERT_GE(index, 0) << language;
    box->setCurrentIndex(index);
    main_->nol_cboLangChange();
    ShowDialogs();
  }

  std::string english_;
  std::unique_ptr<app::TfrmAbout> about_;
  std::unique_ptr<app::TfrmNewLang> editor_;
  std::unique_ptr<app::TfrmEditLng> list_;
  std::unique_ptr<app::TfrmSubmitLng> submit_;
};

class LanguageCoverage : public ShippedLanguageTest {
 protected:

  // Every caption, hint and item the windows show now, keyed as the language file keys them.
  std::vector<ShownText> Shown() const {
    std::vector<ShownText> shown;
    for (platform::FormBase* form : Windows()) {
      const std::string section = form->Name();
      auto note = [&](const std::string& key, const QString& value) {
        if (!value.isEmpty()) shown.push_back({section, key, value});
      };
      // The main window's title names the version and the document.
      if (section != "frmMain") note(section + ".Caption", platform::StringProperty(form->Window(), "Caption"));
      for (QObject* component : form->Components()) {
        if (Untranslated(component)) continue;
        const std::string name = component->objectName().toStdString();
        note(name + ".Caption", platform::StringProperty(component, "Caption"));
        note(name + ".Hint", platform::StringProperty(component, "Hint"));
        for (int i = 0; i < TextItemCount(component); ++i)
          note(name + ".items[" + std::to_string(i) + "]", platform::ItemText(component, i));
      }
    }
    return shown;
  }
};

TEST_F(LanguageCoverage, EveryShownTextHasItsKeyAndEveryKeyItsComponent) {
  platform::IniFile file;
  file.LoadFromText(english_);
  const std::vector<ShownText> shown = Shown();
  ASSERT_GT(shown.size(), 300u);
  for (const ShownText& text : shown)
    EXPECT_TRUE(file.ValueExists(text.section, text.key))
        << "[" << text.section << "] " << text.key << "=" << text.value.toStdString();

  // The information tree reads its own keys of the main window's section.
  std::set<std::string> readByTree;
  for (const char* key : {"twGeo00", "twGeo10", "twGeo20", "twGeo30", "twGeo40", "twGeo50", "twGeo60", "twGeo70",
                          "twGeo80", "twGeo90", "twGeoA0"})
    readByTree.insert(key);
  for (platform::FormBase* form : Windows()) {
    const std::string section = form->Name();
    std::set<std::string> keys;
    keys.insert(section + ".Caption");
    for (QObject* component : form->Components()) {
      if (Untranslated(component)) continue;
      const std::string name = component->objectName().toStdString();
      if (!platform::StringProperty(component, "Caption").isNull()) keys.insert(name + ".Caption");
      if (!platform::StringProperty(component, "Hint").isNull()) keys.insert(name + ".Hint");
      for (int i = 0; i < TextItemCount(component); ++i) keys.insert(name + ".items[" + std::to_string(i) + "]");
    }
    for (const std::string& key : file.ReadSection(section))
      EXPECT_TRUE(keys.count(key) || (section == "frmMain" && readByTree.count(key)))
          << "[" << section << "] " << key << " names no text of a component";
  }
}

TEST_F(LanguageCoverage, AnotherLanguageRenamesEveryTextAndEnglishBringsItBack) {
  const std::vector<ShownText> before = Shown();
  // A language made from english.lng with every window text renamed.
  std::istringstream lines(english_);
  std::ostringstream other;
  bool windowSection = false;
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line[0] == '[') windowSection = line != "[String]";
    const size_t equals = line.find('=');
    if (windowSection && line[0] != ';' && equals != std::string::npos)
      line = line.substr(0, equals + 1) + "Zz " + line.substr(equals + 1);
    other << line << "\n";
  }
  dir_.Write("language/zz.lng", other.str());

  Choose("zz");
  const std::vector<ShownText> renamed = Shown();
  ASSERT_EQ(renamed.size(), before.size());
  for (size_t i = 0; i < renamed.size(); ++i) {
    // The STL dialog's title is its caller's.
    if (renamed[i].key == "frmStlDxf.Caption") continue;
    EXPECT_TRUE(renamed[i].value.startsWith("Zz ")) << "[" << renamed[i].section << "] " << renamed[i].key << " kept "
                                                    << renamed[i].value.toStdString();
  }

  Choose("english");
  const std::vector<ShownText> after = Shown();
  ASSERT_EQ(after.size(), before.size());
  for (size_t i = 0; i < after.size(); ++i)
    EXPECT_EQ(after[i].value.toStdString(), before[i].value.toStdString())
        << "[" << after[i].section << "] " << after[i].key;
}

// The text of an ini file with `mark` put before every value of every section.
std::string MarkedLanguage(const std::string& english, const std::string& mark) {
  std::istringstream lines(english);
  std::ostringstream marked;
  for (std::string line; std::getline(lines, line);) {
    const size_t equals = line.find('=');
    if (!line.empty() && line[0] != ';' && line[0] != '[' && equals != std::string::npos) {
      std::string value = line.substr(equals + 1);
      // A quoted value keeps its quotes outside the mark.
      const bool quoted = value.size() >= 2 && value.front() == '"' && value.back() == '"';
      value = quoted ? "\"" + mark + value.substr(1) : mark + value;
      line = line.substr(0, equals + 1) + value;
    }
    marked << line << "\n";
  }
  return marked.str();
}

bool HasLetter(const QString& text) {
  return std::any_of(text.begin(), text.end(), [](QChar c) { return c.isLetter(); });
}

// A text that is the program's data, not a word of the language: a value, a name or a file's.
bool IsData(const QObject* object) {
  for (; object; object = object->parent()) {
    const QString name = object->objectName();
    // Values, names of layers, colours, post-processors, and what the pages report ("stx...").
    if (name.startsWith("nol_") || name.startsWith("stx") || name == "cboPostName" || ItemsAreData(object))
      return true;
  }
  return false;
}

// Every text `root` and the widgets and actions inside it show, with where it is.
std::vector<std::pair<std::string, QString>> VisibleTexts(QWidget* root) {
  std::vector<std::pair<std::string, QString>> texts;
  auto note = [&](const QObject* where, const char* what, const QString& text) {
    if (HasLetter(text) && !IsData(where))
      texts.emplace_back(root->objectName().toStdString() + "/" + where->objectName().toStdString() + " " + what, text);
  };
  QList<QWidget*> widgets = root->findChildren<QWidget*>();
  widgets.prepend(root);
  for (QWidget* w : widgets) {
    if (w->window() != root) continue;  // a window of its own is walked on its own
    if (w == root) note(w, "title", w->windowTitle());
    note(w, "tool tip", w->toolTip());
    if (auto* label = qobject_cast<QLabel*>(w)) note(w, "text", label->text());
    if (auto* button = qobject_cast<QAbstractButton*>(w)) note(w, "text", button->text());
    if (auto* group = qobject_cast<QGroupBox*>(w)) note(w, "title", group->title());
    if (auto* edit = qobject_cast<QLineEdit*>(w)) note(w, "placeholder", edit->placeholderText());
    if (auto* tabs = qobject_cast<QTabBar*>(w))
      for (int i = 0; i < tabs->count(); ++i) note(w, "tab", tabs->tabText(i));
    if (auto* box = qobject_cast<QComboBox*>(w))
      for (int i = 0; i < box->count(); ++i) note(w, "item", box->itemText(i));
    if (auto* menu = qobject_cast<QMenu*>(w)) note(w, "title", menu->title());
  }
  for (QAction* action : root->findChildren<QAction*>()) {
    if (action->isSeparator() || action->objectName().isEmpty()) continue;  // Qt's own (a menu's own action)
    note(action, "text", action->text());
    note(action, "tool tip", action->toolTip());
  }
  return texts;
}

constexpr char kMark[] = "@@";

bool Marked(const std::string& text) { return text.rfind(kMark, 0) == 0; }

// The shipped english.lng, with every value marked, made into a language of its own in the language
// editor; the program runs in it.
class MarkedLanguageTest : public ShippedLanguageTest {
 protected:
  void SetUp() override {
    ShippedLanguageTest::SetUp();

    // Create new, named "marked": the editor opens with english.lng, every value is marked, Yes to saving.
    dialogs_.inputs = {"marked"};
    dialogs_.answers = {platform::Answer::Yes};
    bool edited = false;
    QTimer::singleShot(0, editor_.get(), [&] {
      edited = true;
      editor_->Memo()->setPlainText(QString::fromStdString(MarkedLanguage(
          editor_->Memo()->toPlainText().toStdString() + "\n", kMark)));
      editor_->close();
    });
    list_->sbtNewLngClick();
    ASSERT_TRUE(edited);
    ASSERT_TRUE(platform::FileExists(dir_.File("language/marked.lng")));

    Choose("marked");
    dialogs_.messages.clear();
    dialogs_.answers.clear();
  }

  void ExpectMarked(QWidget* window) {
    const auto texts = VisibleTexts(window);
    EXPECT_GT(texts.size(), 0u) << window->objectName().toStdString();
    for (const auto& [where, text] : texts)
      EXPECT_TRUE(text.trimmed().startsWith(kMark)) << where << ": " << text.toStdString();
  }
};

TEST_F(MarkedLanguageTest, EveryWindowShowsOnlyTheLanguagesTexts) {
  // The dialogs were shown (and so translated) by the choice; the wizard's pages show their texts one by one.
  std::vector<QWidget*> windows;
  for (platform::FormBase* form : Windows()) windows.push_back(form->Window());
  app::THelpWindow help;
  help.setObjectName("help");
  windows.push_back(&help);
  auto* find = main_->findChild<app::TFindDialog*>("FindDialog1");
  ASSERT_NE(find, nullptr);
  find->Execute(QPoint(0, 0));
  find->hide();
  windows.push_back(find);
  // The main window's title names the program's version and the document, the STL dialog's the file.
  auto untitled = [](QWidget* w) {
    w->setWindowTitle(QStringLiteral("@@"));
    return w;
  };
  for (QWidget* w : windows) ExpectMarked(w == main_.get() || w == stl_.get() ? untitled(w) : w);
  // The status line shows a page's text, the tool page the chosen tool; the NC-file page asks for a file.
  dialogs_.fileNames = {picture_, dir_.File("nc/job")};
  Click("sbtOpen");
  for (const char* next : {"sbtNextB1", "sbtNextB2", "sbtNextB3", "sbtNextB4", "sbtNextB5"}) {
    SCOPED_TRACE(next);
    Click(next);
    ExpectMarked(untitled(main_.get()));
    EXPECT_TRUE(Marked(Status())) << Status();
  }
}

TEST_F(MarkedLanguageTest, EveryMessageBoxShowsOnlyTheLanguagesTexts) {
  dir_.Write("notes.txt", "not a picture");
  dir_.Write("broken.bmp", "BM");
  dir_.Write("saved/job.qvx", "an earlier job");
  auto clickGuarded = [](QAbstractButton* button) { platform::RunGuarded([&] { button->click(); }); };
  struct Row {
    const char* what;
    std::function<void()> action;
  };
  const Row rows[] = {
      {"a file type Open refuses", [&] { Open(dir_.File("notes.txt")); }},
      {"a damaged picture", [&] { Open(dir_.File("broken.bmp")); }},
      {"a changed job at New",
       [&] {
         Open(picture_);
         Get<QLineEdit>("txtWhiteD")->setText("-0.5");
         dialogs_.answers = {platform::Answer::Cancel};
         Click("sbtNew");
       }},
      {"saving over a file",
       [&] {
         dialogs_.fileNames = {dir_.File("saved/job.qvx")};
         dialogs_.answers = {platform::Answer::No};
         platform::RunGuarded([&] { main_->sbtSaveClick(); });
       }},
      {"a cutting field that is no number",
       [&] {
         OpenAndWalkToCutting(dir_.File("nc/job"));
         Get<QLineEdit>("txtFeedPlane")->setText("abc");
         clickGuarded(Get<QAbstractButton>("sbtNcCalc"));
       }},
      {"a tool the tool window refuses",
       [&] {
         tool_->Find<QLineEdit>("txtDiametro")->setText("2000");
         clickGuarded(tool_->Find<QAbstractButton>("sbtModify"));
       }},
      {"leaving the program", [&] { main_->FormClose(); }},
      {"deleting the template language",
       [&] {
         list_->show();
         auto* languages = list_->Find<QListWidget>("lsbLang");
         languages->setCurrentItem(languages->findItems("english", Qt::MatchExactly).front());
         list_->sbtDelLngClick();
         list_->hide();
       }},
      {"a language name that is no file name",
       [&] {
         dialogs_.inputs = {"a/b"};
         list_->sbtNewLngClick();
       }},
      {"a help file that cannot be read",
       [&] {
         app::THelpWindow help;
         help.OpenFile(dir_.File("missing.chm"));
       }},
      {"an error without words", [&] { platform::RunGuarded([] { throw 42; }); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    dialogs_.messages.clear();
    row.action();
    ASSERT_FALSE(dialogs_.messages.empty());
    for (const auto& shown : dialogs_.messages) {
      EXPECT_TRUE(Marked(shown.text)) << shown.text;
      EXPECT_TRUE(Marked(shown.caption)) << "caption " << shown.caption;
    }
    dialogs_.answers.clear();
  }
}

// What the main window wrote at run time from numbered texts follows a change of language at once: the
// tool page's summary, the picture's information, the unit words, "Z no cut" (a height picked stays) and
// the help window's title.
TEST_F(MarkedLanguageTest, TextsWrittenAtRunTimeFollowAChangeOfLanguage) {
  enum class ZNoCut { Picked, Outside, NotPicked };
  struct Row {
    const char* what;
    ZNoCut zNoCut;
  };
  // In this order, in one window: each row picks anew.
  const Row rows[] = {{"nothing picked", ZNoCut::NotPicked},
                      {"a pick outside the relief", ZNoCut::Outside},
                      {"a height picked", ZNoCut::Picked}};
  const char* toolLabels[] = {"nol_lblToolN", "nol_lblSpeed", "nol_lblFeedrate", "nol_lblToolDia", "nol_lblVariaUt"};
  const char* unitLabels[] = {"nlblDimb", "nol_lblUnita1", "nol_lblUnita2"};
  Choose("english");
  OpenAndWalkToCutting(dir_.File("nc/job"));
  // A bull-nose tool shows its corner radius too.
  tool_->Find<QComboBox>("cboTipoUt")->setCurrentIndex(machining::kToolBullNose);
  main_->aggTabDatiUt();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Choose("english");
    if (row.zNoCut != ZNoCut::NotPicked) {
      Get<QCheckBox>("chkCutColor")->setChecked(true);
      Click("btnZNC");
      const cad::TPoint2D at = row.zNoCut == ZNoCut::Picked ? cad::Point2D(10, 10) : cad::Point2D(-500, -500);
      main_->LocalCad().AddObject(app::kZNoCutPointId, std::make_unique<cad::TPunto2D>(app::kZNoCutPointId, at));
      main_->LocalPrgEndOperation();
    }
    const std::string picked = Get<QPushButton>("btnZNC")->text().toStdString();
    ASSERT_EQ(main_->ZNoCutOn(), row.zNoCut == ZNoCut::Picked);
    ASSERT_FALSE(Marked(picked));

    Choose("marked");
    for (const char* name : toolLabels) EXPECT_TRUE(Marked(Get<QLabel>(name)->text().toStdString())) << name;
    EXPECT_TRUE(Get<QLabel>("nol_lblSpeed")->text().endsWith(tool_->Find<QLineEdit>("txtGiri")->text()))
        << "the value stays after the words";
    for (const char* name : unitLabels) EXPECT_EQ(Get<QLabel>(name)->text(), "@@mm") << name;
    QTreeWidgetItem* info = Get<QTreeWidget>("treInfoRas")->topLevelItem(0);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->text(0).toStdString(), "@@Image");
    EXPECT_EQ(info->child(1)->text(0).toStdString(), "@@Width (pixels): 40") << "the value stays after the words";
    const std::string zNoCut = Get<QPushButton>("btnZNC")->text().toStdString();
    switch (row.zNoCut) {
      case ZNoCut::Picked: EXPECT_EQ(zNoCut, picked) << "the height in force, not the caption"; break;
      case ZNoCut::Outside: EXPECT_EQ(zNoCut, " @@Outside the relief"); break;
      case ZNoCut::NotPicked: EXPECT_EQ(zNoCut, "@@Select...."); break;
    }
    EXPECT_EQ(main_->ZNoCutOn(), row.zNoCut == ZNoCut::Picked) << "the pick is still in force";

    Choose("english");
    for (const char* name : toolLabels) EXPECT_FALSE(Get<QLabel>(name)->text().contains(kMark)) << name;
    for (const char* name : unitLabels) EXPECT_EQ(Get<QLabel>(name)->text(), "mm") << name;
    EXPECT_EQ(Get<QTreeWidget>("treInfoRas")->topLevelItem(0)->child(1)->text(0).toStdString(), "Width (pixels): 40");
    EXPECT_EQ(Get<QPushButton>("btnZNC")->text().toStdString(), picked);
  }

  // The help file names itself "Velkora Help"; the window is named by the language.
  Choose("marked");
  app::THelpWindow help;
  ASSERT_TRUE(help.OpenFile(platform::JoinPath(previousDir_, "hlp/Velkora.chm")));
  EXPECT_EQ(help.windowTitle(), "@@Velkora Help");
  Choose("english");
  ASSERT_TRUE(help.OpenFile(platform::JoinPath(previousDir_, "hlp/Velkora.chm")));
  EXPECT_EQ(help.windowTitle(), "Velkora Help") << "the next request shows the language in force";
  EXPECT_EQ(help.Tabs()->tabText(1), "Index");
}

// A translation that has the window texts but no numbered text at all (one behind the program): every
// text the program looks up by number shows the shipped English, never an empty box, caption or label.
class LanguageWithoutNumbersTest : public ShippedLanguageTest {
 protected:
  void SetUp() override {
    ShippedLanguageTest::SetUp();
    const size_t numbers = english_.find("[String]");
    ASSERT_NE(numbers, std::string::npos);
    dir_.Write("language/windows_only.lng", english_.substr(0, numbers));
    Choose("windows_only");
    dialogs_.messages.clear();
  }
};

TEST_F(LanguageWithoutNumbersTest, EveryNumberedTextShowsTheShippedEnglish) {
  dir_.Write("notes.txt", "not a picture");
  Open(dir_.File("notes.txt"));
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_EQ(dialogs_.messages[0].text,
            "This file type cannot be opened.\r\nChoose a BMP or JPEG image or a Velkora job file (.qvx).");
  EXPECT_EQ(dialogs_.messages[0].caption, "Warning");

  Open(picture_);
  EXPECT_EQ(Status(), "Step 1 - Dimension: give the size of the image, then Apply.");
  EXPECT_EQ(Get<QPushButton>("btnZNC")->text(), "Select....") << "after Open as at start-up";
  auto* tree = Get<QTreeWidget>("treInfoRas");
  ASSERT_EQ(tree->topLevelItemCount(), 1);
  EXPECT_EQ(tree->topLevelItem(0)->text(0), "Image");
  ASSERT_GT(tree->topLevelItem(0)->childCount(), 2);
  EXPECT_EQ(tree->topLevelItem(0)->child(1)->text(0), "Width (pixels): 40");

  std::filesystem::create_directories(dir_.File("nc"));
  dialogs_.fileNames = {dir_.File("nc/job")};
  for (const char* next : {"sbtNextB1", "sbtNextB2", "sbtNextB3", "sbtNextB4", "sbtNextB5"}) {
    Click(next);
    EXPECT_FALSE(Status().empty()) << next;
  }
  EXPECT_TRUE(Get<QLabel>("nol_lblToolN")->text().startsWith("Tool no.: ")) << Get<QLabel>("nol_lblToolN")->text().toStdString();
  dialogs_.messages.clear();
  Click("sbtNcCalc");
  for (const auto& shown : dialogs_.messages) ADD_FAILURE() << shown.caption << ": " << shown.text;
  Click("sbtNextB6");
  EXPECT_TRUE(Get<QLabel>("nol_IsoStatus1")->text().startsWith("Line 1/")) << Get<QLabel>("nol_IsoStatus1")->text().toStdString();

  dialogs_.messages.clear();
  dialogs_.answers = {platform::Answer::No};
  main_->FormClose();
  ASSERT_FALSE(dialogs_.messages.empty());
  EXPECT_EQ(dialogs_.messages.back().caption, "Confirm");
  EXPECT_FALSE(dialogs_.messages.back().text.empty());
}

// What the libraries below the windows say, as a message box or the status line shows it.
TEST_F(MarkedLanguageTest, TheLibrariesRefusalsAreTheLanguages) {
  auto said = [](const std::function<void()>& action) -> std::string {
    try {
      action();
    } catch (const std::exception& error) {
      return error.what();
    }
    return "(nothing raised)";
  };
  machining::NcWriter inchWriter;
  inchWriter.postName = "inch_post";
  inchWriter.settings.unit = machining::PostUnit::Inches;
  inchWriter.inches = false;
  machining::ToolShape hugeTool;
  hugeTool.toolType = machining::kToolFlat;
  hugeTool.diameter = 2000;
  const std::pair<const char*, std::string> rows[] = {
      {"the post-processor's unit", said([&] { machining::CheckPostProcessorFits("inch_post", inchWriter); })},
      {"the tool's shape", machining::ToolShapeProblem(hugeTool)},
      {"a field", said([] { platform::ReadSingleField("abc", "Feed plane"); })},
      {"a relief too small", said([] { machining::CheckReliefPictureSize(1, 1); })},
      {"a document too short", said([] { machining::ParseDocument(nullptr, 0); })},
      {"a missing file", said([&] { platform::ReadFileBytes(dir_.File("missing.bin"), 10); })},
      {"a help file that is none", said([&] {
         dir_.Write("help.chm", "no help");
         platform::ChmFile help(dir_.File("help.chm"));
       })},
      {"the stepover wider than the tool", [] {
         machining::CalculateParameters p;
         p.maxStepover = 2;
         p.toolDiameter = 1;
         return machining::StepoverWarning(p, false);
       }()},
  };
  for (const auto& [what, text] : rows) EXPECT_TRUE(Marked(text)) << what << ": " << text;
  // A damaged picture: the decoder's reason too.
  const uint8_t damaged[] = {'B', 'M', 0};
  const std::string bmp = said([&] { platform::DecodeBmp(damaged, sizeof damaged); });
  EXPECT_TRUE(Marked(bmp)) << bmp;
  EXPECT_NE(bmp.find(": @@it is only 3 bytes long."), std::string::npos) << bmp;
}

// The width each named control gives its text, against the width the text takes: a label's contents,
// a check box's room beside its box, a button's inside its frame, every item of a combo box in its
// field and in its open list.
struct WholeText {
  std::string where;
  int room;
  int text;
};

QStyleOptionButton ButtonOption(const QAbstractButton* button) {
  QStyleOptionButton option;
  option.initFrom(button);
  option.text = button->text();
  return option;
}

std::vector<WholeText> TextRooms(QWidget* control) {
  const QFontMetrics metrics = control->fontMetrics();
  const std::string name = control->objectName().toStdString();
  std::vector<WholeText> rooms;
  if (auto* label = qobject_cast<QLabel*>(control)) {
    rooms.push_back({name, label->contentsRect().width(), metrics.horizontalAdvance(label->text())});
  } else if (auto* check = qobject_cast<QCheckBox*>(control)) {
    const QStyleOptionButton option = ButtonOption(check);
    rooms.push_back({name, check->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, check).width(),
                     metrics.horizontalAdvance(check->text())});
  } else if (auto* button = qobject_cast<QPushButton*>(control)) {
    const QStyleOptionButton option = ButtonOption(button);
    rooms.push_back({name, button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button).width(),
                     metrics.horizontalAdvance(button->text())});
  } else if (auto* box = qobject_cast<QComboBox*>(control)) {
    QStyleOptionComboBox option;
    option.initFrom(box);
    const int field = box->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, box).width();
    box->showPopup();
    for (int i = 0; i < box->count(); ++i) {
      // The icon and the gap after it come first.
      const int text = metrics.horizontalAdvance(box->itemText(i)) + box->iconSize().width() + 4;
      rooms.push_back({name + " item " + box->itemText(i).toStdString(), field, text});
      // The open list draws its items as menu items: the text after an icon column of at least 20
      // pixels, with the item's margins on either side (cut in the middle where it does not fit).
      const int item = metrics.horizontalAdvance(box->itemText(i)) + std::max(box->iconSize().width() + 4, 20) + 36;
      rooms.push_back({name + " list " + box->itemText(i).toStdString(), box->view()->viewport()->width(), item});
    }
    box->hidePopup();
  }
  return rooms;
}

// Every control the user found cut shows its whole text, inside its parent and clear of the
// controls beside it.
void ExpectWholeTexts(const std::vector<QWidget*>& controls) {
  for (QWidget* control : controls) {
    SCOPED_TRACE(control->objectName().toStdString());
    const std::vector<WholeText> rooms = TextRooms(control);
    ASSERT_FALSE(rooms.empty());
    for (const WholeText& room : rooms) EXPECT_LE(room.text, room.room) << room.where << " is cut";
    const QRect box = control->geometry();
    EXPECT_LE(box.right(), control->parentWidget()->width()) << "past its parent's edge";
    for (const QWidget* sibling : control->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      if (sibling != control && !sibling->isWindow() && sibling->isVisibleTo(control->parentWidget())) {
        EXPECT_FALSE(box.intersects(sibling->geometry())) << "covers " << sibling->objectName().toStdString();
      }
    }
  }
}

TEST_F(MarkedLanguageTest, EveryControlThatWasCutShowsItsWholeText) {
  auto controls = [&] {
    std::vector<QWidget*> list = {Get<QWidget>("chk3dview"),  Get<QWidget>("lblCurrentLayer"), Get<QWidget>("lblZNC"),
                                  Get<QWidget>("chkCutColor"),
                                  Get<QWidget>("sbtZNCRegen"), tool_->Find<QWidget>("cboTipoUt")};
    for (const char* name : {"sbtIsoStep", "sbtIsoPlay", "sbtIsoRev", "sbtIsoEnd", "sbtIsoStop", "sbtIsoFind",
                             "sbtIsoSave", "sbtIsoExit"})
      list.push_back(Get<QWidget>(name));
    return list;
  };
  {
    SCOPED_TRACE("marked");
    ExpectWholeTexts(controls());
    // The listing's bar took more rows; the listing below it gave way and still ends where it did.
    const QRect bar = Get<QWidget>("pnlTbr1Iso")->geometry();
    EXPECT_GT(bar.height(), 56);
    EXPECT_GT(Get<QWidget>("ricIso")->y(), bar.bottom());
    EXPECT_GE(Get<QWidget>("ricIso")->height(), 100);
    EXPECT_EQ(Get<QWidget>("ricIso")->geometry().bottom(), Get<QWidget>("nol_IsoStatus1")->y() - 5);
  }
  Choose("english");
  {
    SCOPED_TRACE("english");
    ExpectWholeTexts(controls());
    // Back in English the rows are as designed: the bar's two rows, the listing its full height.
    EXPECT_EQ(Get<QWidget>("pnlTbr1Iso")->height(), 56);
    EXPECT_EQ(Get<QWidget>("ricIso")->height(), 200);
    EXPECT_EQ(Get<QWidget>("sbtIsoExit")->y(), Get<QWidget>("sbtIsoStop")->y());
  }
}

// A translation longer than the English the window was laid out for.
class LongerLanguageTest : public testing_support::MainWindowTest {};

TEST_F(LongerLanguageTest, LabelsTakeTheWidthOfTheirTextWhereThereIsRoom) {
  dir_.Write("language/english.lng",
             "[frmMain]\n"
             "lblCurrentLayer.Caption=Layerss\n"
             "lblPostName.Caption=The post-processor that writes the program\n"
             "lblLang.Caption=The language of every window\n"
             "[frmTool]\n"
             "lblUtName.Caption=The tool's name\n");
  Start();
  struct Row {
    QLabel* label;
    QWidget* beside;  // the widget to its right on its row, which it must not cover
  };
  const Row rows[] = {
      {Get<QLabel>("lblCurrentLayer"), Get<QWidget>("cboCurrentLayer")},
      {Get<QLabel>("lblPostName"), nullptr},
      {Get<QLabel>("lblLang"), Get<QWidget>("nol_cboLang")},
      {tool_->Find<QLabel>("lblUtName"), tool_->Find<QWidget>("txtUtName")},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label->objectName().toStdString());
    const QRect box = row.label->geometry();
    if (row.beside) {
      EXPECT_LE(box.right(), row.beside->geometry().left()) << "covers the widget beside it";
    }
    // Where the row has room the whole text shows; where it has none the label ends at its neighbour.
    const bool room = !row.beside || row.beside->geometry().left() - box.left() >= row.label->sizeHint().width();
    if (room) {
      EXPECT_GE(box.width(), row.label->sizeHint().width());
    }
  }
  // The layer bar makes room: the label shows its text, the box beside it gives way.
  EXPECT_GE(Get<QLabel>("lblCurrentLayer")->width(), Get<QLabel>("lblCurrentLayer")->sizeHint().width());
  EXPECT_GE(Get<QWidget>("cboCurrentLayer")->width(), 60);
}

}  // namespace

// Every page's status text in the shipped English is read whole in the status line of the window at
// its first size, as a user meets it when the page is shown.
TEST_F(ShippedLanguageTest, EveryPageTextFitsTheStatusLineAtTheFirstSize) {
  main_->show();
  main_->resize(801, 603);
  QApplication::processEvents();
  auto* status = Get<QLabel>("pnlStatus2");
  const lang::PageMessageTable& texts = lang::ProgramLanguage().PageMessages;
  int shown = 0;
  for (const std::string& text : texts) {
    if (text.empty()) continue;
    main_->Messaggio(text);
    EXPECT_LE(status->fontMetrics().horizontalAdvance(status->text()), status->contentsRect().width()) << text;
    ++shown;
  }
  EXPECT_GT(shown, 20);
}
