// The language box of the settings tab, the language list, the text editor and the mailing form, in a
// program folder of their own (English and German test files), driven by objectName with the dialogs
// and the mail scripted. Modal windows are worked from a timer that runs inside their exec().
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <filesystem>
#include <functional>

#include "app/language_choice.h"
#include "app/language_list_window.h"
#include "app/main_routine.h"
#include "app/main_window.h"
#include "app/new_language_window.h"
#include "app/submit_language_window.h"
#include "app/tool_window.h"
#include "lang/lang.h"
#include "lang/page_messages.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "scratch_dir.h"

namespace {

namespace fs = std::filesystem;
using platform::Answer;
using testing_support::FileText;

const char kEnglish[] =
    "[frmMain]\n"
    "lblLang.Caption=Language\n"
    "[frmTool]\n"
    "grpToolList.Caption=Tools\n"
    "[String]\n"
    "416=page 44: size\n"
    "450=Question\n";
const char kGerman[] =
    "[frmMain]\n"
    "frmMain.Caption=Velkora (deutsch)\n"
    "lblLang.Caption=Sprache\n"
    "[frmTool]\n"
    "grpToolList.Caption=Werkzeuge\n"
    "[String]\n"
    "416=Seite 44: Größe\n"
    "450=Frage\n";
// Written on Windows: "è" is the one byte 0xE8.
const char kItalian[] = "[String]\n450=Perch\xE8?\n";

class LanguageWindowsTest : public ::testing::Test {
 protected:
  LanguageWindowsTest() : scopedLanguage_(&language_), scopedDialogs_(&dialogs_) {
    previousDir_ = platform::ProgramDir();
    platform::SetProgramDir(dir_.Dir());
    dir_.Write("language/english.lng", kEnglish);
    dir_.Write("language/Deutsch.lng", kGerman);
    dir_.Write("language/italiano.lng", kItalian);
    dir_.Write("language/readme.txt", "not a language");
    windows_ = app::CreateWindows();
    dialogs_.messages.clear();
    list_ = windows_.editLng.get();
    editor_ = windows_.newLang.get();
    submit_ = windows_.submitLng.get();
  }
  ~LanguageWindowsTest() override {
    windows_ = app::ProgramWindows();
    platform::SetProgramDir(previousDir_);
  }

  std::string LanguageFile(const std::string& name) const { return dir_.File("language/" + name + ".lng"); }

  std::vector<std::string> ListEntries() const {
    std::vector<std::string> entries;
    auto* list = list_->Find<QListWidget>("lsbLang");
    for (int i = 0; i < list->count(); ++i) entries.push_back(list->item(i)->text().toStdString());
    return entries;
  }
  void Select(const std::string& name) const {
    auto* list = list_->Find<QListWidget>("lsbLang");
    const auto found = list->findItems(QString::fromStdString(name), Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << name;
    list->setCurrentItem(found.front());
  }
  void Click(const platform::FormBase* form, const char* name) const {
    auto* button = form->Find<QAbstractButton>(name);
    ASSERT_NE(button, nullptr) << name;
    ASSERT_TRUE(button->isEnabled()) << name << " is disabled";
    button->click();
  }
  // Clicks `name` of the list, which opens `modal`; `work` runs while it is open, and the window is
  // closed afterwards in any case so a failing check never leaves the test waiting.
  void ClickModal(const char* name, QDialog* modal, const std::function<void()>& work) {
    bool ran = false;
    QTimer::singleShot(0, modal, [&] {
      ran = true;
      EXPECT_TRUE(modal->isVisible());
      work();
      if (modal->isVisible()) modal->reject();
    });
    Click(list_, name);
    EXPECT_TRUE(ran) << name << " opened no window";
  }
  std::vector<std::string> MessageTexts() const {
    std::vector<std::string> texts;
    for (const auto& m : dialogs_.messages) texts.push_back(m.text);
    return texts;
  }

  testing_support::ScratchDir dir_{"langwin"};
  lang::Language language_;
  lang::ScopedLanguage scopedLanguage_;
  platform::RecordingDialogs dialogs_;
  platform::ScopedDialogs scopedDialogs_;
  std::string previousDir_;
  app::ProgramWindows windows_;
  app::TfrmEditLng* list_ = nullptr;
  app::TfrmNewLang* editor_ = nullptr;
  app::TfrmSubmitLng* submit_ = nullptr;
};

TEST_F(LanguageWindowsTest, LanguageBoxListsTheFilesAndAChoiceRetranslates) {
  app::TfrmMain& main = *windows_.main;
  main.show();
  main.VisPagina(app::kPageSettings);
  auto* box = main.Find<QComboBox>("nol_cboLang");
  auto* label = main.Find<QLabel>("lblLang");
  ASSERT_TRUE(box && label);
  EXPECT_EQ(box->count(), 3);
  EXPECT_EQ(box->itemText(0), "Deutsch") << "sorted by name, without regard to case";
  EXPECT_EQ(box->itemText(2), "italiano");
  EXPECT_EQ(box->currentText(), "english");
  ASSERT_TRUE(label->isVisible());
  EXPECT_EQ(label->text(), "Language");
  const QString title = main.windowTitle();

  // The user picks the language above with the keyboard.
  box->setFocus();
  QKeyEvent up(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier);
  QApplication::sendEvent(box, &up);
  EXPECT_EQ(box->currentText(), "Deutsch");
  EXPECT_EQ(label->text(), "Sprache") << "the visible caption follows the new language";
  EXPECT_EQ(windows_.tool->Find<QWidget>("grpToolList")->property("title").toString(), "Werkzeuge");
  EXPECT_EQ(lang::PageMessage(language_, app::kPageDimension), "Seite 44: Größe") << "page texts reloaded";
  EXPECT_EQ(lang::LangString(language_, "450"), "Frage");
  EXPECT_EQ(main.Settings().language, "Deutsch") << "kept for the settings file";
  EXPECT_EQ(main.windowTitle(), title) << "the title keeps the version";
  EXPECT_TRUE(dialogs_.messages.empty());

  // A language whose file went away meanwhile: reported once, the texts stay.
  fs::remove(LanguageFile("italiano"));
  box->setCurrentIndex(2);
  emit box->activated(2);
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_EQ(dialogs_.messages[0].text, "Language file not found!\r\n" + LanguageFile("italiano"));
  EXPECT_EQ(label->text(), "Sprache");
}

TEST_F(LanguageWindowsTest, NewLanguageNamesAreChecked) {
  list_->show();
  EXPECT_EQ(ListEntries(), (std::vector<std::string>{"Deutsch", "english", "italiano"}));
  const std::string refused[] = {"English", "ENGLISH", "english", " english ", "../x", "a/b", "a\\b", "..", "x..y",
                                 "c:x", "a|b"};
  for (const std::string& name : refused) {
    dialogs_.messages.clear();
    dialogs_.inputs = {name};
    Click(list_, "sbtNewLng");
    ASSERT_EQ(dialogs_.messages.size(), 1u) << name;
    EXPECT_EQ(dialogs_.messages[0].kind, platform::MessageKind::Warning) << name;
    EXPECT_FALSE(editor_->isVisible()) << name;
  }
  EXPECT_EQ(dialogs_.messages[0].text.rfind("The language name \"a|b\" cannot be a file name", 0), 0u);
  dialogs_.messages.clear();
  dialogs_.inputs = {"English"};
  Click(list_, "sbtNewLng");
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Unable to modify or delete the \"english.lng\""});
  EXPECT_EQ(dialogs_.prompts.back(), "Create new|New language name");
  EXPECT_EQ(FileText(LanguageFile("english")), kEnglish) << "the template is never touched";
  EXPECT_FALSE(fs::exists(dir_.File("x.lng")));

  // An empty answer stops; an existing language is overwritten only when the user says so.
  dialogs_.messages.clear();
  dialogs_.inputs = {"  "};
  Click(list_, "sbtNewLng");
  EXPECT_TRUE(dialogs_.messages.empty());
  dialogs_.inputs = {"deutsch"};
  dialogs_.answers = {Answer::No};
  Click(list_, "sbtNewLng");
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"The language Deutsch exists already. Overwrite it?"});
  EXPECT_EQ(FileText(LanguageFile("Deutsch")), kGerman);
  EXPECT_EQ(ListEntries(), (std::vector<std::string>{"Deutsch", "english", "italiano"}));
}

TEST_F(LanguageWindowsTest, NewLanguageFromTheTemplate) {
  list_->show();
  // No at closing: nothing is written, nothing listed.
  dialogs_.inputs = {"francais"};
  dialogs_.answers = {Answer::No};
  ClickModal("sbtNewLng", editor_, [&] {
    EXPECT_EQ(editor_->Memo()->toPlainText() + "\n", kEnglish) << "the template is loaded";
    editor_->Memo()->appendPlainText("[x]");
  });
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_EQ(dialogs_.messages[0].text, "Save the language " + LanguageFile("francais"));
  EXPECT_EQ(dialogs_.messages[0].caption, "Question");
  EXPECT_EQ(dialogs_.messages[0].buttons, platform::Buttons::YesNo);
  EXPECT_FALSE(fs::exists(LanguageFile("francais")));
  EXPECT_EQ(ListEntries(), (std::vector<std::string>{"Deutsch", "english", "italiano"}));

  // Yes: written and listed in its place.
  dialogs_.inputs = {"francais"};
  dialogs_.answers = {Answer::Yes};
  ClickModal("sbtNewLng", editor_, [&] {
    EXPECT_EQ(editor_->Memo()->toPlainText() + "\n", kEnglish) << "a fresh copy of the template";
    editor_->Memo()->appendPlainText("[frmGrid]");
  });
  EXPECT_EQ(FileText(LanguageFile("francais")), std::string(kEnglish) + "[frmGrid]\n");
  EXPECT_EQ(ListEntries(), (std::vector<std::string>{"Deutsch", "english", "francais", "italiano"}));

  // Overwriting an existing language (named in another case) keeps its file and its one entry.
  dialogs_.inputs = {"DEUTSCH"};
  dialogs_.answers = {Answer::Yes, Answer::Yes};
  ClickModal("sbtNewLng", editor_, [] {});
  EXPECT_EQ(FileText(LanguageFile("Deutsch")), kEnglish);
  EXPECT_FALSE(fs::exists(LanguageFile("DEUTSCH")));
  EXPECT_EQ(ListEntries().size(), 4u);

  // Without the template nothing is created.
  fs::remove(LanguageFile("english"));
  dialogs_.messages.clear();
  dialogs_.inputs = {"polski"};
  Click(list_, "sbtNewLng");
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_EQ(dialogs_.messages[0].kind, platform::MessageKind::Error);
  EXPECT_FALSE(fs::exists(LanguageFile("polski")));
  EXPECT_FALSE(editor_->isVisible());
}

TEST_F(LanguageWindowsTest, TemplateRefusedForModifyAndDeleteInAnyCase) {
  list_->show();
  for (const std::string spelling : {"english", "English", "ENGLISH"}) {
    fs::rename(platform::FindFileNoCase(dir_.File("language"), "english.lng").value(), LanguageFile(spelling));
    list_->FormShow();
    EXPECT_FALSE(list_->Find<QWidget>("sbtModLng")->isEnabled()) << "nothing chosen yet";
    Select(spelling);
    dialogs_.messages.clear();
    dialogs_.answers = {Answer::Yes, Answer::Yes};
    Click(list_, "sbtModLng");
    Click(list_, "sbtDelLng");
    EXPECT_EQ(MessageTexts(), std::vector<std::string>(2, "Unable to modify or delete the \"english.lng\"")) << spelling;
    EXPECT_TRUE(fs::exists(LanguageFile(spelling)));
    EXPECT_FALSE(editor_->isVisible());
  }
}

TEST_F(LanguageWindowsTest, DeleteAsksFirst) {
  list_->show();
  Select("italiano");
  dialogs_.answers = {Answer::No};
  Click(list_, "sbtDelLng");
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_EQ(dialogs_.messages[0].text, "Are you sure to delete the language italiano");
  EXPECT_EQ(dialogs_.messages[0].caption, "Question");
  EXPECT_EQ(dialogs_.messages[0].kind, platform::MessageKind::Warning);
  EXPECT_TRUE(fs::exists(LanguageFile("italiano")));
  dialogs_.answers = {Answer::Yes};
  Click(list_, "sbtDelLng");
  EXPECT_FALSE(fs::exists(LanguageFile("italiano")));
  EXPECT_EQ(ListEntries(), (std::vector<std::string>{"Deutsch", "english"}));
  for (const char* name : {"sbtModLng", "sbtDelLng", "sbtSubmitLng"})
    EXPECT_FALSE(list_->Find<QWidget>(name)->isEnabled()) << name;
}

TEST_F(LanguageWindowsTest, ALanguageInUseOrInTheEditorIsNotDeleted) {
  list_->show();
  language_.LangIni = lang::OpenLanguageFile(language_, "italiano");
  ASSERT_NE(language_.LangIni, nullptr);
  Select("italiano");
  dialogs_.messages.clear();
  dialogs_.answers = {Answer::Yes};
  Click(list_, "sbtDelLng");
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_NE(dialogs_.messages[0].text.find("is in use"), std::string::npos) << dialogs_.messages[0].text;
  EXPECT_TRUE(fs::exists(LanguageFile("italiano")));

  Select("Deutsch");
  Click(list_, "sbtModLng");
  ASSERT_TRUE(editor_->isVisible());
  dialogs_.messages.clear();
  dialogs_.answers = {Answer::Yes};
  Click(list_, "sbtDelLng");
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_NE(dialogs_.messages[0].text.find("open in the editor"), std::string::npos) << dialogs_.messages[0].text;
  EXPECT_TRUE(fs::exists(LanguageFile("Deutsch")));
  language_.LangIni.reset();
}

TEST_F(LanguageWindowsTest, TheEditorWritesOnlyItsOwnFile) {
  list_->show();
  Select("Deutsch");
  Click(list_, "sbtModLng");
  ASSERT_TRUE(editor_->isVisible()) << "Modify opens the editor on its own";
  EXPECT_FALSE(editor_->isModal());
  EXPECT_EQ(editor_->Memo()->toPlainText() + "\n", kGerman);
  editor_->Memo()->setPlainText("[String]\n450=Neu");

  // Mailing another language meanwhile changes nothing of the editor's.
  Select("italiano");
  ClickModal("sbtSubmitLng", submit_, [] {});
  EXPECT_EQ(list_->EditedPath(), LanguageFile("italiano"));
  dialogs_.messages.clear();
  dialogs_.answers = {Answer::Yes};
  editor_->close();
  EXPECT_FALSE(editor_->isVisible());
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Save the language " + LanguageFile("Deutsch")});
  EXPECT_EQ(FileText(LanguageFile("Deutsch")), "[String]\n450=Neu\n");
  EXPECT_EQ(FileText(LanguageFile("italiano")), kItalian);

  // Modifying another language while one is open offers the open one for saving first.
  Select("Deutsch");
  Click(list_, "sbtModLng");
  editor_->Memo()->setPlainText("[String]\n450=Zwei");
  Select("italiano");
  dialogs_.answers = {Answer::Yes};
  Click(list_, "sbtModLng");
  EXPECT_EQ(FileText(LanguageFile("Deutsch")), "[String]\n450=Zwei\n");
  EXPECT_EQ(editor_->Memo()->toPlainText(), QString::fromUtf8("[String]\n450=Perchè?")) << "read as Windows-1252";
  EXPECT_EQ(editor_->EditedPath(), LanguageFile("italiano"));

  // A file that cannot be written keeps the editor open with its text.
  editor_->Memo()->setPlainText("keep me");
  fs::remove(LanguageFile("italiano"));
  fs::create_directory(LanguageFile("italiano"));
  dialogs_.messages.clear();
  dialogs_.answers = {Answer::Yes};
  editor_->close();
  EXPECT_TRUE(editor_->isVisible());
  EXPECT_EQ(editor_->Memo()->toPlainText(), "keep me");
  ASSERT_EQ(dialogs_.messages.size(), 2u);
  EXPECT_EQ(dialogs_.messages[1].kind, platform::MessageKind::Error);
  editor_->close();  // No
  EXPECT_FALSE(editor_->isVisible());
}

TEST_F(LanguageWindowsTest, ClosingTheMainWindowEndsTheProgramAndOffersTheOpenLanguage) {
  windows_.main->show();
  list_->show();
  Select("italiano");
  Click(list_, "sbtModLng");
  list_->reject();
  editor_->Memo()->setPlainText("[String]\n450=Chiedi");
  bool lastClosed = false;
  QObject::connect(qApp, &QGuiApplication::lastWindowClosed, list_, [&] { lastClosed = true; });
  dialogs_.answers = {Answer::Yes, Answer::Yes};
  QTimer::singleShot(0, windows_.main.get(), [&] { windows_.main->close(); });
  QTimer::singleShot(200, qApp, &QCoreApplication::quit);  // in case the program went on
  QApplication::exec();
  EXPECT_TRUE(lastClosed) << "the open editor does not keep the program running";
  ASSERT_EQ(dialogs_.messages.size(), 2u);
  EXPECT_EQ(dialogs_.messages[1].text, "Save the language " + LanguageFile("italiano"));
  EXPECT_EQ(FileText(LanguageFile("italiano")), "[String]\n450=Chiedi\n");
}

TEST_F(LanguageWindowsTest, SubmitMailsTheLanguage) {
  list_->show();
  Select("Deutsch");
  submit_->Find<QLineEdit>("txtName")->setText("from before");
  ClickModal("sbtSubmitLng", submit_, [&] {
    EXPECT_EQ(submit_->Find<QLineEdit>("txtLngName")->text(), "Deutsch");
    EXPECT_TRUE(submit_->Find<QLineEdit>("txtName")->text().isEmpty()) << "emptied when shown";
    EXPECT_TRUE(submit_->Find<QCheckBox>("chkAutName")->isChecked());
    EXPECT_TRUE(submit_->Find<QCheckBox>("chkAutEmail")->isChecked());
    submit_->Find<QLineEdit>("txtName")->setText("Anna");
    submit_->Find<QLineEdit>("txtEmail")->setText("anna@example.org");
    submit_->Find<QPlainTextEdit>("memNote")->setPlainText("Umlaute geprüft\nDanke");
    submit_->Find<QCheckBox>("chkAutEmail")->setChecked(false);

    // Cancelled in the mail program, then an unknown code: reported, the form stays open.
    dialogs_.mailResults = {platform::kMapiUserAbort, 7};
    for (const char* expected : {"MAPI_USER_ABORT", "UNKNOWN ERROR. CODE = 7"}) {
      dialogs_.messages.clear();
      Click(submit_, "SpeedButton1");
      EXPECT_EQ(MessageTexts(), std::vector<std::string>{expected});
      EXPECT_EQ(dialogs_.messages.at(0).kind, platform::MessageKind::Error);
      EXPECT_TRUE(submit_->isVisible()) << expected;
    }
    Click(submit_, "SpeedButton1");
    EXPECT_FALSE(submit_->isVisible()) << "sent: the form closes";
  });
  ASSERT_EQ(dialogs_.mails.size(), 3u);
  const platform::MailMessage& mail = dialogs_.mails.back();
  EXPECT_EQ(mail.subject, "New Velkora language traslation (Deutsch)");
  EXPECT_EQ(mail.body,
            "Language:\r\nDeutsch\r\n\r\n"
            "Name:\r\nAnna\r\nI authorize to publish my name\r\n\r\n"
            "Email:\r\nanna@example.org\r\nI don't authorize to publish my email\r\n\r\n"
            "Language Note:\r\nUmlaute geprüft\r\nDanke\r\n\r\n");
  EXPECT_EQ(mail.attachment, LanguageFile("Deutsch"));
  EXPECT_EQ(mail.recipientAddress, app::kSupportMailAddress);
  EXPECT_EQ(mail.recipientName, "Velkora, Software Tools");
}

TEST_F(LanguageWindowsTest, TranslationButtonOpensTheListAndRefreshesTheBox) {
  app::TfrmMain& main = *windows_.main;
  auto* box = main.Find<QComboBox>("nol_cboLang");
  bool listed = false;
  QTimer::singleShot(0, list_, [&] {
    listed = list_->isVisible() && list_->Find<QListWidget>("lsbLang")->count() == 3;
    dir_.Write("language/nederlands.lng", kItalian);
    list_->reject();
  });
  main.Find<QAbstractButton>("sbtTransLng")->click();
  EXPECT_TRUE(listed);
  EXPECT_EQ(box->count(), 4);
  EXPECT_EQ(box->currentText(), "english");
}

}  // namespace
