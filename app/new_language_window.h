// The language text editor "frmNewLang" ("Edit Language"): one memo memLang with the whole language
// file. The language list opens it modally for a new language and on its own (not modally) to modify
// one. The editor keeps the path of the file it edits: whatever the list does meanwhile, closing with
// Yes writes only that file.
#pragma once

#include <string>

#include "platform/form.h"

class QPlainTextEdit;

namespace app {

class TfrmNewLang : public platform::DialogForm {
  Q_OBJECT

 public:
  explicit TfrmNewLang(QWidget* parent = nullptr);

  QPlainTextEdit* Memo() const { return memLang_; }
  const std::string& EditedPath() const { return editedPath_; }
  void SetEditedPath(const std::string& path) { editedPath_ = path; }
  // Set when the last closing wrote the file.
  bool Saved() const { return saved_; }

  // Puts the text of `path` into the memo (a file error is raised, the memo is left as it was).
  void LoadFile(const std::string& path);

  // Asks "Save the language <path>"; on Yes writes the memo's lines there. False (the window stays
  // open) only when writing failed, so the text is not lost.
  bool FormClose();

 protected:
  // The window's texts are the language's at each showing.
  void showEvent(QShowEvent* event) override;

 public slots:
  // Every way of closing (the title bar, Escape, close()) comes here.
  void done(int result) override;

 private:
  QPlainTextEdit* memLang_ = nullptr;
  std::string editedPath_;
  bool saved_ = false;
};

}  // namespace app
