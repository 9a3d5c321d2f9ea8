// The language list "frmEditLng" ("Language translation"): the language files of the folder "language",
// and the buttons that create a language from the English template, modify one in the text editor,
// delete one, or mail one to the maker. "english" (any letter case) is refused for all but mailing.
//
// The main window shows it modally; it blocks the main window only, so the editor it opens on its own
// for Modify stays usable beside it.
#pragma once

#include <QPointer>
#include <string>

#include "platform/form.h"

class QListWidget;
class QPushButton;

namespace app {

class TfrmNewLang;
class TfrmSubmitLng;

class TfrmEditLng : public platform::DialogForm {
  Q_OBJECT

 public:
  explicit TfrmEditLng(TfrmNewLang* editor, QWidget* parent = nullptr);
  // The mailing form is created after this window.
  void SetSubmitWindow(TfrmSubmitLng* submit);

  // The file of the language last chosen for mailing.
  const std::string& EditedPath() const { return editedPath_; }

  void FormShow();
  void lsbLangClick();
  void sbtNewLngClick();
  void sbtModLngClick();
  void sbtDelLngClick();
  void sbtSubmitLngClick();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // The selected language's name, or empty.
  std::string SelectedName() const;
  void EnableLanguageButtons(bool on);
  // Adds `name` to the list in its sorted place unless it is there.
  void AddName(const std::string& name);
  // Closes the editor when it is open, which offers its text for saving; false when it stayed open.
  bool CloseEditor();

  QPointer<TfrmNewLang> editor_;
  QPointer<TfrmSubmitLng> submit_;
  std::string editedPath_;
  QListWidget* lsbLang_ = nullptr;
  QPushButton* sbtModLng_ = nullptr;
  QPushButton* sbtDelLng_ = nullptr;
  QPushButton* sbtSubmitLng_ = nullptr;
};

}  // namespace app
