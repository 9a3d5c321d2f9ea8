// The main window's language box and the way to the language list.
#include <QComboBox>
#include <QPushButton>
#include <algorithm>

#include "app/language_choice.h"
#include "app/language_list_window.h"
#include "app/main_window.h"
#include "lang/lang.h"
#include "lang/page_messages.h"
#include "machining/relief.h"
#include "platform/numbers.h"

namespace app {

void TfrmMain::SetLanguageListWindow(TfrmEditLng* window) { editLng_ = window; }

void TfrmMain::DirLng() {
  auto* box = Get<QComboBox>("nol_cboLang");
  box->clear();
  int current = -1;
  for (const std::string& name : LanguageNames()) {
    // The settings may spell the name otherwise than the file does.
    if (current < 0 && platform::EqualsNoCase(name, settings_.language)) current = box->count();
    box->addItem(QString::fromStdString(name));
  }
  box->setCurrentIndex(current);
}

void TfrmMain::nol_cboLangChange() {
  const std::string name = Get<QComboBox>("nol_cboLang")->currentText().toStdString();
  lang::Language& language = lang::ProgramLanguage();
  // "Z no cut" shows its caption (which the translation sets), the height in force (no word of any
  // language, which the translation must not take away) or the word for a pick outside the relief.
  auto outsideWord = [&language] {
    return QString::fromStdString(" " + lang::LangString(language, machining::kZNoCutOutsideMessage));
  };
  const QString zNoCut = btnZNC_->text();
  const bool outside = !job_.zNoCutOn && zNoCut == outsideWord();
  language.LangIni.reset();
  language.LangIni = lang::OpenLanguageFile(language, name);
  settings_.language = name;
  // The title names the program's version (and the document), not a text of the language file.
  const QString title = windowTitle();
  platform::FormBase* const windows[] = {this, tool_.data()};
  lang::TranslateForms(language, std::span<platform::FormBase* const>(windows, tool_ ? 2 : 1));
  setWindowTitle(title);
  // The button's text is set before the rows are fitted, so its row fits what it shows.
  if (job_.zNoCutOn)
    btnZNC_->setText(zNoCut);
  else if (outside)
    btnZNC_->setText(outsideWord());
  // The picture's information and the tool page's summary are written at run time in the language's words.
  ShowInfoTreeWords();
  ShowToolSummary();
  FitTranslatedTexts();
  if (tool_) tool_->FitTranslatedTexts();
  // The translation gave the disabled buttons their hints back.
  DisableUnboundCommands();
  // A page's text in the status line is shown again in the new language.
  const lang::PageMessageTable before = language.PageMessages;
  lang::LoadPageMessages(language);
  const auto shown = std::find(before.begin(), before.end(), StatusText());
  if (!StatusText().empty() && shown != before.end()) Messaggio(language.PageMessages[shown - before.begin()]);
}

void TfrmMain::sbtTransLngClick() {
  if (!editLng_) return;
  editLng_->exec();
  // Languages may have been created or deleted meanwhile.
  DirLng();
}

}  // namespace app
