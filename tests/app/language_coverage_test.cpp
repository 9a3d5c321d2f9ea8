// Every text a window shows comes from the shipped english.lng: each caption, hint and list item of
// every window has its key, each key of a window section names a component that has that text, and
// a language that renames everything, followed by English again, brings every text back.
#include <gtest/gtest.h>

#include <QComboBox>
#include <set>
#include <sstream>

#include "app/about_window.h"
#include "main_window_fixture.h"
#include "platform/form.h"

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

class LanguageCoverage : public testing_support::MainWindowTest {
 protected:
  void SetUp() override {
    english_ = FileText(std::string(VELKORA_SOURCE_DIR) + "/language/english.lng");
    ASSERT_FALSE(english_.empty());
    dir_.Write("language/english.lng", english_);
    Start();
    about_ = std::make_unique<app::TfrmAbout>();
    // The dialogs translate themselves when they are shown.
    for (QWidget* dialog : {static_cast<QWidget*>(about_.get()), static_cast<QWidget*>(grid_.get()),
                            static_cast<QWidget*>(stl_.get())}) {
      dialog->show();
      dialog->hide();
    }
  }
  void TearDown() override { about_.reset(); }

  std::vector<platform::FormBase*> Windows() const {
    return {main_.get(), tool_.get(), about_.get(), grid_.get(), stl_.get()};
  }

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

  std::string english_;
  std::unique_ptr<app::TfrmAbout> about_;
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

  auto choose = [&](const char* language) {
    main_->DirLng();
    auto* box = Get<QComboBox>("nol_cboLang");
    const int index = box->findText(language);
    ASSERT_GE(index, 0) << language;
    box->setCurrentIndex(index);
    main_->nol_cboLangChange();
    for (QWidget* dialog : {static_cast<QWidget*>(about_.get()), static_cast<QWidget*>(grid_.get()),
                            static_cast<QWidget*>(stl_.get())}) {
      dialog->show();
      dialog->hide();
    }
  };
  choose("zz");
  const std::vector<ShownText> renamed = Shown();
  ASSERT_EQ(renamed.size(), before.size());
  for (size_t i = 0; i < renamed.size(); ++i) {
    // The STL dialog's title is its caller's.
    if (renamed[i].key == "frmStlDxf.Caption") continue;
    EXPECT_TRUE(renamed[i].value.startsWith("Zz ")) << "[" << renamed[i].section << "] " << renamed[i].key << " kept "
                                                    << renamed[i].value.toStdString();
  }

  choose("english");
  const std::vector<ShownText> after = Shown();
  ASSERT_EQ(after.size(), before.size());
  for (size_t i = 0; i < after.size(); ++i)
    EXPECT_EQ(after[i].value.toStdString(), before[i].value.toStdString())
        << "[" << after[i].section << "] " << after[i].key;
}

}  // namespace
