#include "app/language_list_window.h"

#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <filesystem>
#include <optional>
#include <system_error>

#include "app/language_choice.h"
#include "app/new_language_window.h"
#include "app/submit_language_window.h"
#include "lang/lang.h"
#include "platform/binary_stream.h"
#include "platform/dialogs.h"
#include "platform/exception.h"
#include "platform/files.h"
#include "platform/numbers.h"
#include "platform/qt_dialogs.h"

namespace app {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

std::string Trimmed(const std::string& text) { return Q(text).trimmed().toStdString(); }

void Warn(const std::string& text) {
  platform::CurrentDialogs().Message(text, "", platform::MessageKind::Warning, platform::Buttons::Ok);
}

bool AskYes(const std::string& text) {
  return platform::CurrentDialogs().Message(text, "", platform::MessageKind::Warning,
                                            platform::Buttons::YesNo) == platform::Answer::Yes;
}

}  // namespace

TfrmEditLng::TfrmEditLng(TfrmNewLang* editor, QWidget* parent)
    : platform::DialogForm("frmEditLng", parent), editor_(editor) {
  setWindowTitle(QStringLiteral("Language translation"));
  setAttribute(Qt::WA_QuitOnClose, false);
  // Modal to the main window only: the editor opened for Modify is a window of its own beside this one.
  setWindowModality(Qt::WindowModal);
  lsbLang_ = Add(new QListWidget(this), "lsbLang");
  lsbLang_->setGeometry(8, 8, 170, 196);
  lsbLang_->setSelectionMode(QAbstractItemView::SingleSelection);
  auto button = [this](const char* name, const char* text, int row, void (TfrmEditLng::*handler)()) {
    auto* b = Add(new QPushButton(QString::fromUtf8(text), this), name);
    b->setGeometry(186, 8 + row * 36, 170, 30);
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, [this, handler] { platform::RunGuarded([this, handler] { (this->*handler)(); }); });
    return b;
  };
  button("sbtNewLng", "Create new language", 0, &TfrmEditLng::sbtNewLngClick);
  sbtModLng_ = button("sbtModLng", "Modify language", 1, &TfrmEditLng::sbtModLngClick);
  sbtDelLng_ = button("sbtDelLng", "Delete language", 2, &TfrmEditLng::sbtDelLngClick);
  sbtSubmitLng_ = button("sbtSubmitLng", "Submit your language", 4, &TfrmEditLng::sbtSubmitLngClick);
  connect(lsbLang_, &QListWidget::itemSelectionChanged, this,
          [this] { platform::RunGuarded([this] { lsbLangClick(); }); });
  setFixedSize(364, 212);
}

void TfrmEditLng::SetSubmitWindow(TfrmSubmitLng* submit) { submit_ = submit; }

void TfrmEditLng::showEvent(QShowEvent* event) {
  platform::RunGuarded([this] { FormShow(); });
  platform::DialogForm::showEvent(event);
}

void TfrmEditLng::FormShow() {
  lang::TranslateForms({this});
  lsbLang_->clear();
  for (const std::string& name : LanguageNames()) lsbLang_->addItem(Q(name));
  EnableLanguageButtons(false);
}

void TfrmEditLng::lsbLangClick() {
  if (!lsbLang_->selectedItems().isEmpty()) EnableLanguageButtons(true);
}

void TfrmEditLng::EnableLanguageButtons(bool on) {
  for (QPushButton* b : {sbtModLng_, sbtSubmitLng_, sbtDelLng_}) b->setEnabled(on);
}

std::string TfrmEditLng::SelectedName() const {
  const QList<QListWidgetItem*> selected = lsbLang_->selectedItems();
  return selected.isEmpty() ? std::string() : selected.front()->text().toStdString();
}

void TfrmEditLng::AddName(const std::string& name) {
  int row = 0;
  for (; row < lsbLang_->count(); ++row) {
    const std::string entry = lsbLang_->item(row)->text().toStdString();
    if (platform::EqualsNoCase(entry, name)) return;
    if (LanguageNameLess(name, entry)) break;
  }
  lsbLang_->insertItem(row, Q(name));
}

bool TfrmEditLng::CloseEditor() {
  if (!editor_ || !editor_->isVisible()) return true;
  editor_->close();
  return !editor_->isVisible();
}

void TfrmEditLng::sbtNewLngClick() {
  if (!editor_ || !CloseEditor()) return;
  editor_->Memo()->clear();
  const std::string name = Trimmed(platform::CurrentDialogs().InputBox(lang::LangStringOr("1045", "Create new"),
                                                                       lang::LangStringOr("1046", "New language name"), ""));
  if (name.empty()) return;
  if (const std::string fault = NewLanguageNameFault(name); !fault.empty()) {
    Warn(fault);
    return;
  }
  const std::string path = LanguageFilePath(name);
  if (platform::FileExists(path) &&
      !AskYes(lang::LangFormatOr("1047", "The language %1 exists already. Overwrite it?",
                                 {platform::BaseNameWithoutExtension(path)})))
    return;
  const std::string templateName = std::string(kTemplateLanguage) + ".lng";
  const std::optional<std::string> found = platform::FindFileNoCase(lang::LanguageDir(), templateName);
  editor_->LoadFile(found ? *found : platform::JoinPath(lang::LanguageDir(), templateName));
  editor_->SetEditedPath(path);
  editor_->exec();
  if (editor_->Saved()) AddName(platform::BaseNameWithoutExtension(path));
}

void TfrmEditLng::sbtModLngClick() {
  const std::string name = SelectedName();
  if (name.empty() || !editor_) return;
  if (IsTemplateLanguage(name)) {
    Warn(TemplateWarning());
    return;
  }
  const std::string path = LanguageFilePath(name);
  if (editor_->isVisible() && editor_->EditedPath() == path) {
    editor_->raise();
    editor_->activateWindow();
    return;
  }
  // The open editor's own language is offered for saving before its text is replaced.
  if (!CloseEditor()) return;
  editor_->LoadFile(path);
  editor_->SetEditedPath(path);
  editor_->setModal(false);
  editor_->show();
  editor_->raise();
  editor_->activateWindow();
}

void TfrmEditLng::sbtDelLngClick() {
  const std::string name = SelectedName();
  if (name.empty()) return;
  if (IsTemplateLanguage(name)) {
    Warn(TemplateWarning());
    return;
  }
  const std::string path = LanguageFilePath(name);
  // The program reads its texts from the language in use for the whole run, and the editor would
  // write a deleted file back: neither may lose its file.
  auto same = [&path](const std::string& other) {
    std::error_code error;
    return !other.empty() && std::filesystem::equivalent(path, other, error);
  };
  const lang::Language& language = lang::ProgramLanguage();
  if (language.LangIni && same(language.LangFilePath)) {
    Warn(lang::LangFormatOr("1048", "The language %1 is in use: choose another language before deleting it.", {name}));
    return;
  }
  if (editor_ && editor_->isVisible() && same(editor_->EditedPath())) {
    Warn(lang::LangFormatOr("1049", "The language %1 is open in the editor: close the editor before deleting it.", {name}));
    return;
  }
  if (!AskYes(lang::LangFormatOr("1050", "Are you sure to delete the language %1", {name}))) return;
  std::error_code error;
  std::filesystem::remove(path, error);
  if (error) throw platform::FileError(lang::LangFormatOr("1051", "Cannot delete %1: %2", {path, error.message()}));
  delete lsbLang_->selectedItems().front();
  EnableLanguageButtons(false);
}

void TfrmEditLng::sbtSubmitLngClick() {
  const std::string name = SelectedName();
  if (name.empty() || !submit_) return;
  editedPath_ = LanguageFilePath(name);
  submit_->SetLanguage(name, editedPath_);
  submit_->exec();
}

}  // namespace app
