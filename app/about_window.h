// The About window "frmAbout": the animated logo, the product's name and version from the build, the
// translator's credit and the maker's web and mail links. Shown without blocking the main window.
#pragma once

#include <QDialog>
#include <memory>
#include <string>

#include "platform/form.h"

class QLabel;

namespace gif {
class TGIFImage;
}

namespace app {

class TLurnUrlLabel;

// The credit line of the language `languageName` whose file gives `author` ("Autor"): empty without
// an author, else "English language translated by <author>".
std::string TranslationCredit(const std::string& languageName, const std::string& author);

class TfrmAbout : public platform::DialogForm {
  Q_OBJECT

 public:
  explicit TfrmAbout(QWidget* parent = nullptr);
  ~TfrmAbout() override;

  void FormShow();
  void btnOkClick();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QLabel* nol_lbltTranslation_ = nullptr;
  QLabel* nol_lblVersion_ = nullptr;
};

}  // namespace app
